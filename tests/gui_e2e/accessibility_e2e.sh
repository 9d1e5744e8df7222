#!/usr/bin/env bash
# The program as a screen reader finds it: on a private X display with a private D-Bus session and
# its accessibility bus (at-spi2-core), the running program's spectrum windows are found by their
# titles through AT-SPI (pyatspi); each names the tone the sound server plays, and its distance
# from the marker, in words as its description, follows the tone when it changes, and holds its
# labels as texts.
# Usage: accessibility_e2e.sh <path to keblor>
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=program_session.sh
source "$HERE/program_session.sh"

BUS_PIDS=()
bus_teardown() {
  local i
  for ((i = ${#BUS_PIDS[@]} - 1; i >= 0; i--)); do kill "${BUS_PIDS[i]}" 2>/dev/null || true; done
  BUS_PIDS=()
}
cleanup() {
  # The program first, while the buses it talks to are still there.
  if [ -n "$KEBLOR_PID" ]; then kill "$KEBLOR_PID" 2>/dev/null || true; wait "$KEBLOR_PID" 2>/dev/null || true; fi
  KEBLOR_PID=
  bus_teardown
  program_session_cleanup
}

READER=/usr/bin/python3
"$READER" -c 'import pyatspi' 2>/dev/null || { echo "FAIL: python3-pyatspi is not installed (scripts/install-deps.sh)"; exit 1; }
LAUNCHER=
for candidate in /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher; do
  [ -x "$candidate" ] && LAUNCHER=$candidate && break
done
[ -n "$LAUNCHER" ] || { echo "FAIL: at-spi-bus-launcher is not installed (at-spi2-core)"; exit 1; }
command -v dbus-daemon >/dev/null || { echo "FAIL: dbus-daemon is not installed"; exit 1; }

program_session_open accessibility "${1:?usage: accessibility_e2e.sh <keblor program>}"
trap cleanup EXIT

# A session bus of our own on a socket file (the program runs in a network namespace of its own,
# where abstract sockets of the session are out of reach), and its accessibility bus.
export DBUS_SESSION_BUS_ADDRESS="unix:path=$WORK/session-bus"
dbus-daemon --session --nofork --nopidfile --address="$DBUS_SESSION_BUS_ADDRESS" >"$WORK/dbus.log" 2>&1 &
BUS_PIDS+=($!)
for _ in $(seq 50); do [ -S "$WORK/session-bus" ] && break; sleep 0.1; done
[ -S "$WORK/session-bus" ] || fail "the session bus did not start: $(cat "$WORK/dbus.log")"
"$LAUNCHER" --launch-immediately >"$WORK/at-spi.log" 2>&1 &
BUS_PIDS+=($!)
# Qt's bridge speaks to the accessibility bus whether or not a screen reader has asked for it.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export NO_AT_BRIDGE=0

RUN_DIR=$WORK/program
mkdir -p "$RUN_DIR"
printf '%s\r\n' '[General]' 'Channels=2' 'PitchReadout=1' 'AlwaysOnTop=0' '[VFO-A]' 'PitchFreq=700' \
  '[VFO-B]' 'PitchFreq=700' >"$RUN_DIR/keblor.ini"

# read_until WHAT PYTHON-CONDITION: waits up to 20 s until the windows' accessible objects, as
# JSON in `found`, meet the condition; sets SEEN to the last reading.
read_until() {
  local what=$1 condition=$2 deadline=$((SECONDS + 20))
  SEEN=
  while [ "$SECONDS" -lt "$deadline" ]; do
    SEEN=$("$READER" "$HERE/read_accessible.py" "$KEBLOR_PID" "Main VFO-A" "Sub VFO-B" 2>&1) || true
    if "$READER" -c "import json, re, sys; found = json.loads(sys.argv[1]); sys.exit(0 if ($condition) else 1)" \
      "$SEEN" 2>/dev/null; then
      echo "$what: $SEEN"
      return 0
    fi
    kill -0 "$KEBLOR_PID" 2>/dev/null || fail "the program ended while $what was awaited"
    sleep 0.5
  done
  fail "$what: last read $SEEN"
}

echo "== a 712 Hz tone, the markers at 700 Hz"
pulse_play_tone 712
program_start "$RUN_DIR" "$WORK/keblor.log"
program_wait_window
BOTH="all(found.get(t, {}).get('description') == '712 hertz, 12 above the pitch' for t in ('Main VFO-A', 'Sub VFO-B'))"
read_until "both windows name the tone" "$BOTH"
LABELS="all(l in found['Main VFO-A']['inside'] for l in ('PITCH: 700 Hz', 'AVGS: 1', '0 Hz', '1000 Hz'))"
LABELS+=" and '3000 Hz' in found['Sub VFO-B']['inside']"
read_until "the labels" "$LABELS"
read_until "the roles" "all(found[t]['role'] == 'frame' for t in ('Main VFO-A', 'Sub VFO-B'))"

echo "== the tone moves to 650 Hz"
pulse_play_tone 650
read_until "the description follows" "found['Main VFO-A']['description'] == '650 hertz, 50 below the pitch'"

PASSED=1
echo "accessibility end-to-end: passed"
