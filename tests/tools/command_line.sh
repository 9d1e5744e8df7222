#!/bin/sh
# --help and --version answer on standard output with status 0 and nothing on standard error,
# without a display (the program must answer before it starts Qt); with CHECK_UNKNOWN=1 an
# unknown option is one line on standard error and status 2.
# Usage: command_line.sh PROGRAM VERSION CHECK_UNKNOWN(0|1)
# KEBLOR_TEST_EMULATOR, when set, is put in front of the program (qemu for a cross build).
set -u
program=$1 version=$2 check_unknown=$3
name=$(basename "$program")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
faults=0
fail() { echo "FAIL: $name $*"; faults=$((faults + 1)); }

# run ARGS...: sets status; the output goes to $tmp/out and $tmp/err.
run() {
  status=0
  (cd "$tmp" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout -k 5 20 ${KEBLOR_TEST_EMULATOR:-} "$program" "$@") \
    >"$tmp/out" 2>"$tmp/err" || status=$?
}
expect_quiet_success() {  # what
  [ "$status" -eq 0 ] || fail "$1: status $status"
  [ ! -s "$tmp/err" ] || fail "$1 wrote to standard error: $(cat "$tmp/err")"
}

run --help
expect_quiet_success --help
head -n 1 "$tmp/out" | grep -q "^Usage: $name " || fail "--help: no usage line: $(head -n 1 "$tmp/out")"
grep -q -- '--version' "$tmp/out" || fail "--help does not list --version"
cp "$tmp/out" "$tmp/help"

run -h
expect_quiet_success -h
cmp -s "$tmp/out" "$tmp/help" || fail "-h does not print what --help does"

run --version
expect_quiet_success --version
[ "$(cat "$tmp/out")" = "$name (CW Keblor) $version" ] || fail "--version printed: $(cat "$tmp/out")"

# The first of them ends the reading: what follows is not looked at.
run --version --no-such-option
expect_quiet_success "--version --no-such-option"

if [ "$check_unknown" = 1 ]; then
  run --no-such-option
  [ "$status" -eq 2 ] || fail "--no-such-option: status $status"
  [ ! -s "$tmp/out" ] || fail "--no-such-option wrote to standard output"
  [ "$(wc -l <"$tmp/err")" -eq 1 ] || fail "--no-such-option: not one line: $(cat "$tmp/err")"
  grep -q -- '--no-such-option' "$tmp/err" || fail "--no-such-option: the line does not name it"
fi

[ "$faults" -eq 0 ] || exit 1
echo "command line OK: $name"
