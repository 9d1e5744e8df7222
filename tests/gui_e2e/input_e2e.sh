#!/usr/bin/env bash
# The operator's choice of input, with two null sinks on a private PulseAudio daemon: "cw" (the
# default input is its monitor) and "rig", the only one with a tone. The rig's monitor is chosen
# by name on the command line and through Settings > Input; the trace shows the tone; after Save
# and a new start the same input is used. The rig is then unloaded under the running program:
# it says so, captures from the default input, keeps running and leaves keblor.ini as it was; a
# start with the rig still gone does the same. Through PortAudio the inputs are ALSA's, one is
# chosen by name, and the capture goes through ALSA rather than the sound server's own stream.
# Usage: input_e2e.sh <path to keblor>
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=program_session.sh
source "$HERE/program_session.sh"

program_session_open input-e2e "${1:?usage: input_e2e.sh <keblor program>}"

RIG_MODULE=$(pactl load-module module-null-sink sink_name=rig rate=48000 channels=1 \
  sink_properties=device.description=Rig) || fail "the second null sink did not load"
pulse_play_tone 700 rig

# The sound server's source that the program's stream reads.
captured_source() {
  local index
  index=$(pactl list source-outputs | awk '/^Source Output #/ { s = "" } /^\tSource: / { s = $2 }
    /application.name = "CW Keblor"/ { print s; exit }')
  [ -n "$index" ] || return 0
  pactl list short sources | awk -v i="$index" '$1 == i { print $2 }'
}

# Waits up to 10 s for the program's stream to read SOURCE.
wait_for_source() {  # source
  local got=
  for _ in $(seq 50); do
    got=$(captured_source)
    [ "$got" = "$1" ] && return 0
    sleep 0.2
  done
  fail "the program captures from \"$got\", not from $1"
}

echo "== the inputs"
"$PROGRAM" --list-inputs | tee "$WORK/inputs"
grep -qxF $'cw.monitor\tMonitor of Null Output' "$WORK/inputs" || fail "cw.monitor is not listed"
grep -qxF $'rig.monitor\tMonitor of Rig' "$WORK/inputs" || fail "rig.monitor is not listed"

echo "== chosen by name on the command line"
mkdir -p "$WORK/named"
program_open_window "$WORK/named" "$WORK/keblor-named.log" --input "Monitor of Rig"
wait_for_trace "the rig's 700 Hz" "$A_X" "$A_Y" 100 140 0
wait_for_source rig.monitor
kill "$KEBLOR_PID"
program_wait_exit 10
[ ! -e "$WORK/named/keblor.ini" ] || fail "a settings file appeared without a save"

echo "== chosen in Settings > Input, then saved"
RUN_DIR=$WORK/program
mkdir -p "$RUN_DIR"
printf '%s\n' '; the rig in the shack' '[General]' 'Channels=1' 'AlwaysOnTop=0' '' '[VFO-A]' 'PitchFreq=500' \
  >"$RUN_DIR/keblor.ini"
program_open_window "$RUN_DIR" "$WORK/keblor.log"
wait_for_source cw.monitor
sleep 1
shoot_trace "$A_X" "$A_Y"
[ "$(stats_field "$LAST_STATS" top)" -gt 100 ] || fail "the default input is not silent: $LAST_STATS"
# Settings, In&put, then past "Default input" and "Monitor of Null Output" to the rig.
keys alt+s p Down Down Return
wait_for_trace "the rig's 700 Hz, picked in the menu" "$A_X" "$A_Y" 100 140 0
wait_for_source rig.monitor
keys alt+s s
for _ in $(seq 50); do grep -q '^Input=' "$RUN_DIR/keblor.ini" && break; sleep 0.1; done
grep -qx 'Input=rig.monitor' "$RUN_DIR/keblor.ini" || fail "the input was not saved by its name"
grep -qx '; the rig in the shack' "$RUN_DIR/keblor.ini" || fail "the save lost the file's comment"
keys alt+s e
program_wait_exit 10
[ "$KEBLOR_STATUS" -eq 0 ] || fail "the program ended with status $KEBLOR_STATUS"

echo "== started again: the saved input"
program_open_window "$RUN_DIR" "$WORK/keblor-again.log"
wait_for_trace "the rig's 700 Hz after a new start" "$A_X" "$A_Y" 100 140 0
wait_for_source rig.monitor

echo "== the rig goes away while capturing"
cp "$RUN_DIR/keblor.ini" "$WORK/keblor.ini.saved"
pulse_stop_tone
pactl unload-module "$RIG_MODULE"
pulse_play_tone 1000
wait_for_trace "the default input's 1000 Hz" "$A_X" "$A_Y" 100 200 0
wait_for_source cw.monitor
grep -c 'the input "rig.monitor" is not there' "$WORK/keblor-again.log" | grep -qx 1 ||
  fail "the fallback to the default input was not said once"
grep -q 'the sound server stopped the input' "$WORK/keblor-again.log" || fail "the lost input was not said"
[ "$(main_windows_count)" -eq 1 ] || fail "a message box or another window appeared"
sed 's/^/  said: /' "$WORK/keblor-again.log"
keys alt+s e
program_wait_exit 10
[ "$KEBLOR_STATUS" -eq 0 ] || fail "the program ended with status $KEBLOR_STATUS"
cmp -s "$WORK/keblor.ini.saved" "$RUN_DIR/keblor.ini" || fail "keblor.ini changed"

echo "== started with the rig still gone"
program_open_window "$RUN_DIR" "$WORK/keblor-gone.log"
wait_for_trace "the default input's 1000 Hz" "$A_X" "$A_Y" 100 200 0
[ "$(grep -c 'rig.monitor' "$WORK/keblor-gone.log")" -eq 1 ] || fail "the missing input was not said once"
kill "$KEBLOR_PID"
program_wait_exit 10
cmp -s "$WORK/keblor.ini.saved" "$RUN_DIR/keblor.ini" || fail "keblor.ini changed"

echo "== PortAudio's inputs"
"$PROGRAM" --backend portaudio --list-inputs | tee "$WORK/alsa-inputs"
grep -qx $'pulse\tpulse' "$WORK/alsa-inputs" || fail "ALSA's pulse device is not listed"
mkdir -p "$WORK/portaudio"
program_open_window "$WORK/portaudio" "$WORK/keblor-portaudio.log" --backend portaudio --input pulse
wait_for_trace "the default input's 1000 Hz through ALSA's pulse device" "$A_X" "$A_Y" 100 200 0
streams=$(pactl list source-outputs)
grep -qF 'application.name = "ALSA plug-in' <<<"$streams" || fail "the capture does not go through ALSA: $streams"
grep -qF 'application.name = "CW Keblor"' <<<"$streams" && fail "the sound server's own stream is open too"
kill "$KEBLOR_PID"
program_wait_exit 10

PASSED=1
echo "input end-to-end: passed"
