#!/bin/sh
# Builds the Debian package with CPack into a temporary folder and checks what it holds, and
# that lintian finds no error and no warning in it (its notes, tagged I:, are let through).
# Usage: check_package.sh BUILD_DIR HAS_PROGRAM(0|1) HAS_ANALYSE(0|1)
set -eu
build=$1 has_program=$2 has_analyse=$3
here=$(cd "$(dirname "$0")" && pwd)

for tool in dpkg-deb cpack; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool not installed"; exit 77; }
done
command -v lintian >/dev/null 2>&1 || { echo "FAIL: lintian not installed (scripts/install-deps.sh installs it)"; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1 || {
  cat "$tmp/cpack.log"; echo "FAIL: cpack -G DEB"; exit 1; }
set -- "$tmp"/out/keblor_*.deb
[ -f "$1" ] || { cat "$tmp/cpack.log"; echo "FAIL: no keblor_*.deb produced"; exit 1; }
deb=$1

fail=0
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = keblor ] || { echo "FAIL: Package is '$(field Package)'"; fail=1; }
for dep in libqt6widgets6 libportaudio2 libsndfile1; do
  field Depends | grep -q "$dep" || { echo "FAIL: Depends lacks $dep: $(field Depends)"; fail=1; }
done
# Each package once: the names of every alternative, less their versions.
twice=$(field Depends | tr ',|' '\n\n' | sed 's/(.*)//; s/[[:space:]]//g' | sort | uniq -d)
[ -z "$twice" ] || { echo "FAIL: Depends names twice: $twice"; fail=1; }
# The long description: lines as written, without list separators from CMake and under 80 columns.
if field Description | grep -q '^ ;'; then echo "FAIL: description lines start with ';'"; fail=1; fi
if field Description | grep -q '.\{80\}'; then echo "FAIL: description line of 80 columns or more"; fail=1; fi

lintian --fail-on error,warning "$deb" >"$tmp/lintian.txt" 2>&1 || {
  cat "$tmp/lintian.txt"; echo "FAIL: lintian found errors or warnings"; fail=1; }

mkdir "$tmp/root"
dpkg-deb -x "$deb" "$tmp/root"
. "$here/layout_checks.sh"
check_layout "$tmp/root/usr" "$has_program" "$has_analyse" || fail=1
[ "$fail" -eq 0 ] || exit 1
echo "package OK: $(basename "$deb")"
