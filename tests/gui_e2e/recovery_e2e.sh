#!/usr/bin/env bash
# The real program outlives its sound server: with a tone on screen the private PulseAudio
# daemon is killed; within 2 s the window must say "No input" over a blank trace (no marker, no
# trace, only the text), and once a new daemon plays a new tone it must show within 5 s, with
# no message box on the way.
# Usage: recovery_e2e.sh <path to keblor>
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=program_session.sh
source "$HERE/program_session.sh"

program_session_open recovery-e2e "${1:?usage: recovery_e2e.sh <keblor program>}"

RUN_DIR=$WORK/program
mkdir -p "$RUN_DIR"

echo "== 700 Hz"
pulse_play_tone 700
program_open_window "$RUN_DIR" "$WORK/keblor.log"
wait_for_trace "VFO-A at 700 Hz, marker 500 Hz" "$A_X" "$A_Y" 100 140 0

echo "== the sound server goes away"
pulse_stop_tone
pulseaudio --kill
killed=$SECONDS
shown=
while [ $((SECONDS - killed)) -le 2 ]; do
  shoot_trace "$A_X" "$A_Y"
  lit=$(stats_field "$LAST_STATS" lit)
  # Only the notice's letters are lit: no marker column, a few hundred pixels at most.
  if [ "$(stats_field "$LAST_STATS" marker)" -eq -1 ] && [ "$lit" -gt 20 ] && [ "$lit" -lt 400 ]; then
    shown=1
    break
  fi
  sleep 0.2
done
[ -n "$shown" ] || fail "no \"No input\" within 2 s of the server going away: $LAST_STATS (shot$SHOT.png)"
echo "no input shown: $LAST_STATS (shot$SHOT.png)"
[ "$(main_windows_count)" -eq 1 ] || fail "a message box or another window appeared"

echo "== a new server with a new tone"
pulse_start
pulse_play_tone 1000
back=$SECONDS
wait_for_trace "VFO-A at 1000 Hz, marker 500 Hz" "$A_X" "$A_Y" 100 200 0
[ $((SECONDS - back)) -le 5 ] || fail "the new tone took $((SECONDS - back)) s to show"
echo "back within $((SECONDS - back)) s"
[ "$(main_windows_count)" -eq 1 ] || fail "a message box or another window appeared"
kill -0 "$KEBLOR_PID" || fail "the program ended"

PASSED=1
echo "recovery end-to-end: passed"
