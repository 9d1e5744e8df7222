#!/bin/sh
# Installs the build into a temporary DESTDIR and checks the freedesktop layout.
# Usage: check_install.sh BUILD_DIR HAS_PROGRAM(0|1) HAS_ANALYSE(0|1)
set -eu
build=$1 has_program=$2 has_analyse=$3
here=$(cd "$(dirname "$0")" && pwd)

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
DESTDIR=$tmp cmake --install "$build" --prefix /usr >"$tmp/install.log" 2>&1 || {
  cat "$tmp/install.log"; echo "FAIL: cmake --install"; exit 1; }

. "$here/layout_checks.sh"
check_layout "$tmp/usr" "$has_program" "$has_analyse"
