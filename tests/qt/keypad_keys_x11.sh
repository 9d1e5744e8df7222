#!/bin/bash
# Keypad plus and minus, with and without Ctrl, from a real X server (Xvfb + openbox) through
# xdotool into the harness's main window: each key must reach its range step command.
# Usage: keypad_keys_x11.sh PATH/TO/qt_harness
set -u
harness=${1:?usage: keypad_keys_x11.sh PATH/TO/qt_harness}

if [ -z "${KEBLOR_IN_XVFB:-}" ]; then
  for tool in xvfb-run openbox xdotool xprop; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool not installed"; exit 77; }
  done
  export KEBLOR_IN_XVFB=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$harness"
fi

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
# A window mapped before the window manager runs may never become viewable: wait for it.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done

export QT_QPA_PLATFORM=xcb
"$harness" --keys >"$work/out" 2>"$work/err" &
pids+=($!)

fail() {
  echo "FAIL: $*"
  echo "--- harness stdout"; cat "$work/out"
  echo "--- harness stderr"; cat "$work/err"
  exit 1
}

# Waits until the harness has printed the line (count: how many times it must be there).
expect_line() {
  local line=$1 count=${2:-1}
  for _ in $(seq 100); do
    [ "$(grep -cx "$line" "$work/out")" -ge "$count" ] && return 0
    sleep 0.1
  done
  fail "no '$line' (x$count) after the key"
}

expect_line ready
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^CW Keblor$' | head -n1)
[ -n "$window" ] || fail "no main window"
# Let the window manager map and focus it before keys go in.
for _ in $(seq 50); do
  xdotool windowactivate --sync "$window" 2>/dev/null && break
  sleep 0.1
done
sleep 0.5
expect_line "rangeA 1"
expect_line "rangeB 3"

xdotool key KP_Add;            expect_line "rangeA 2"
xdotool key ctrl+KP_Add;       expect_line "rangeB 4"
xdotool key KP_Subtract;       expect_line "rangeA 1" 2
xdotool key ctrl+KP_Subtract;  expect_line "rangeB 3" 2
xdotool key F6;                expect_line "pitchA 510"
# The main keyboard's plus (Shift and "=" on this layout) and minus act as the keypad's.
xdotool key plus;              expect_line "rangeA 2" 2
xdotool key minus;             expect_line "rangeA 1" 3
sleep 0.5

expected=$'ready\nrangeA 1\nrangeB 3\npitchA 500\nrangeA 2\nrangeB 4\nrangeA 1\nrangeB 3\npitchA 510\nrangeA 2\nrangeA 1'
actual=$(cat "$work/out")
[ "$actual" = "$expected" ] || fail "unexpected sequence"
echo "PASS: keypad plus/minus with and without Ctrl, the main keyboard's plus and minus, and F6 reached their commands"
