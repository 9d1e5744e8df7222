#!/usr/bin/env bash
# Runs a command on a private X display of its own (Xvfb, no window manager), for the Win32 tests
# that need real windows under Wine: dialogs and menus are not made without a display.
# Usage: on_private_display.sh COMMAND [ARG...]
set -euo pipefail
command -v Xvfb >/dev/null || { echo "FAIL: Xvfb is not installed"; exit 1; }
dir=$(mktemp -d "${TMPDIR:-/tmp}/keblor-display.XXXXXX")
# Xvfb picks a free display number itself and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; rm -rf "$dir"' EXIT
for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.05; done
[ -s "$dir/display" ] || { echo "FAIL: Xvfb did not start"; cat "$dir/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n 1 "$dir/display")"
"$@"
