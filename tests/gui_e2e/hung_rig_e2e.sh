#!/usr/bin/env bash
# A rig on a serial port that never answers (a pty nobody reads): the program started with it
# (Hamlib's IC-7300, model 3073), then Settings > Rig... with another such port, Test pressed 20
# times in a row, and OK. Meanwhile the program never holds more than two threads over its count
# when its window first appeared, the keys answer as they do without a rig, the lost rig is said
# once, and the program ends at once when closed, whatever its rig is doing.
# Usage: hung_rig_e2e.sh <path to keblor>
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=program_session.sh
source "$HERE/program_session.sh"

PTY_PID=
hung_cleanup() {
  if [ -n "$PTY_PID" ]; then kill "$PTY_PID" 2>/dev/null || true; fi
  program_session_cleanup
}
program_session_open hung-rig-e2e "${1:?usage: hung_rig_e2e.sh <keblor program>}"
trap hung_cleanup EXIT
RUN_DIR=$WORK/program
mkdir -p "$RUN_DIR"

# Two ptys whose far ends are held open and never read or written.
python3 -c '
import os, pty, sys, time
ends = [pty.openpty() for _ in range(2)]
print(" ".join(os.ttyname(slave) for _, slave in ends), flush=True)
time.sleep(100000)' >"$WORK/ptys" &
PTY_PID=$!
for _ in $(seq 50); do [ -s "$WORK/ptys" ] && break; sleep 0.1; done
read -r PTY1 PTY2 <"$WORK/ptys" || fail "no ptys"
echo "ports that never answer: $PTY1 $PTY2"

threads() { ls "/proc/$KEBLOR_PID/task" | wc -l; }
MOST_THREADS=0
count_threads() {
  local now
  now=$(threads)
  if [ "$now" -gt "$MOST_THREADS" ]; then MOST_THREADS=$now; fi
}

program_open_window "$RUN_DIR" "$WORK/keblor.log" --rig 3073 --rig-port "$PTY1"
START_THREADS=$(threads)
echo "threads when the window appeared: $START_THREADS"
keys_answer "the rig not answering" F6 F5
count_threads

echo "== Settings > Rig...: the other port, Test 20 times, OK"
keys alt+s r
dialog=
for _ in $(seq 240); do
  dialog=$(xdotool search --name '^Rig$' 2>/dev/null | head -n1) || true
  [ -n "$dialog" ] && break
  sleep 0.25
done
[ -n "$dialog" ] || fail "Settings > Rig... opened no \"Rig\" dialog"
xdotool windowactivate --sync "$dialog"
xdotool key alt+p ctrl+a
xdotool type --delay 20 "$PTY2"
for test in $(seq 20); do
  xdotool key alt+t
  sleep 0.2
  count_threads
done
x_window_shot "$dialog" "$WORK/rig-dialog.png"
xdotool key Return
for _ in $(seq 240); do
  xdotool search --name '^Rig$' >/dev/null 2>&1 || break
  sleep 0.25
done
! xdotool search --name '^Rig$' >/dev/null 2>&1 || fail "the Rig dialog did not close on Return"
count_threads
keys_answer "after 20 Tests and a new port" F6 F5 F6 F5
count_threads
echo "threads: $START_THREADS at the start, at most $MOST_THREADS since"
[ "$MOST_THREADS" -le $((START_THREADS + 2)) ] || fail "the threads grew from $START_THREADS to $MOST_THREADS"

for _ in $(seq 240); do
  grep -q "^keblor: rig Icom IC-7300 on $PTY2: .*; trying again every 5 s$" "$WORK/keblor.log" && break
  sleep 0.25
done
grep "^keblor: rig " "$WORK/keblor.log" || true
grep -q "^keblor: rig Icom IC-7300 on $PTY2: .*; trying again every 5 s$" "$WORK/keblor.log" ||
  fail "the rig on the new port was not said lost"
[ "$(grep -c "^keblor: rig Icom IC-7300 on $PTY2: " "$WORK/keblor.log")" -eq 1 ] || fail "the lost rig was said more than once"

echo "== closed while the rig is in a call"
start=$(date +%s%N)
keys alt+F4
program_wait_exit 15
echo "ended $((($(date +%s%N) - start) / 1000000)) ms after Alt+F4 (with the keys' own pauses)"
[ "$KEBLOR_STATUS" -eq 0 ] || fail "the program ended with status $KEBLOR_STATUS"

PASSED=1
echo "hung rig end-to-end: passed"
