#!/usr/bin/env bash
# A save of a keblor.ini of almost 4 MiB killed with SIGKILL at a random moment leaves the file
# whole: byte for byte the file before that save or the file after it, never a mix, a cut or no
# file. save_probe saves two sets of values in turn, for ever; each run kills it after a random
# delay of up to three saves' time and compares the file with the two whole versions.
#
# Usage: kill_during_save.sh SAVE_PROBE RUNS. Prints how many kills found the file in each
# version and how many came while the temporary file existed (in the middle of a save's write).
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 SAVE_PROBE RUNS" >&2
  exit 2
fi
probe=$1
# A cross build's probe runs under its emulator (KEBLOR_TEST_EMULATOR, e.g. qemu).
run_probe() { ${KEBLOR_TEST_EMULATOR:-} "$probe" "$@"; }
runs=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/kill_during_save.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# 4 MiB less 1 KiB: comments a user might keep, then the program's sections.
{
  printf '; settings for the shack\r\n[General]\r\nChannels=1\r\n'
  line='; a long comment line that keeps the file large, as a user might have pasted a log in here'
  size=$((4194304 - 1024 - 64))
  # Whole lines up to the size, the same every run.
  count=$((size / (${#line} + 2)))
  awk -v n="$count" -v l="$line" 'BEGIN { for (i = 0; i < n; i++) printf "%s\r\n", l }'
  printf '[Pitch]\r\nPitch1=350\r\n'
} >"$work/base.ini"

cp "$work/base.ini" "$work/a.ini"
run_probe "$work/a.ini" a || fail "the first save failed"
cp "$work/a.ini" "$work/b.ini"
start=$(date +%s%N)
run_probe "$work/b.ini" b || fail "the second save failed"
save_ns=$(($(date +%s%N) - start))
cmp -s "$work/a.ini" "$work/b.ini" && fail "the two versions are the same"
a_size=$(stat -c %s "$work/a.ini")
b_size=$(stat -c %s "$work/b.ini")
# A save of b after a, and of a after b, gives the same bytes whatever came before.
cp "$work/b.ini" "$work/again.ini"
run_probe "$work/again.ini" a
cmp -s "$work/again.ini" "$work/a.ini" || fail "saving a after b does not give the first version"

# Up to three saves' time (the process start included), in microseconds.
max_us=$((save_ns * 3 / 1000))
[ "$max_us" -gt 1000 ] || max_us=1000
echo "kill_during_save: $runs runs on files of $a_size and $b_size bytes, one save $((save_ns / 1000000)) ms"

old=0
new=0
mid_write=0
saves=0
for ((run = 1; run <= runs; run++)); do
  cp "$work/a.ini" "$work/keblor.ini"
  ${KEBLOR_TEST_EMULATOR:-} "$probe" "$work/keblor.ini" loop >"$work/progress" 2>"$work/errors" &
  pid=$!
  delay_us=$(((RANDOM * 32768 + RANDOM) % max_us))
  sleep "$((delay_us / 1000000)).$(printf '%06d' $((delay_us % 1000000)))"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  [ ! -s "$work/errors" ] || fail "run $run: the probe failed: $(cat "$work/errors")"
  [ -e "$work/keblor.ini.tmp" ] && mid_write=$((mid_write + 1))
  saves=$((saves + $(stat -c %s "$work/progress")))
  [ -e "$work/keblor.ini" ] || fail "run $run (killed after $delay_us us): keblor.ini is gone"
  if cmp -s "$work/keblor.ini" "$work/a.ini"; then
    old=$((old + 1))
  elif cmp -s "$work/keblor.ini" "$work/b.ini"; then
    new=$((new + 1))
  else
    cp "$work/keblor.ini" "${TMPDIR:-/tmp}/kill_during_save.broken.ini"
    fail "run $run (killed after $delay_us us): keblor.ini is neither version whole ($(stat -c %s "$work/keblor.ini") bytes, kept in ${TMPDIR:-/tmp}/kill_during_save.broken.ini)"
  fi
  rm -f "$work/keblor.ini.tmp"
done

# A temporary file left by a kill does not stop the next save.
cp "$work/a.ini" "$work/keblor.ini"
printf 'half written' >"$work/keblor.ini.tmp"
run_probe "$work/keblor.ini" b || fail "a stale temporary file stopped a save"
cmp -s "$work/keblor.ini" "$work/b.ini" || fail "the save after a stale temporary file is wrong"
[ ! -e "$work/keblor.ini.tmp" ] || fail "the stale temporary file stayed"

echo "kill_during_save: $runs kills: $old found the version a, $new the version b, $mid_write came while" \
  "the temporary file existed; $saves saves completed before the kills"
