#!/usr/bin/env bash
# The real program tuning a rig: Hamlib's dummy rig behind rigctld on a local port, the program
# started with --rig 2 --rig-port 127.0.0.1:PORT and no settings file (mono, 1000 Hz range,
# marker 500 Hz), a 712 Hz tone from a private PulseAudio null sink, keys and clicks on a private
# X display. In CW, T moves the dial up by the tone's distance above the marker (212 Hz); in CWR
# down; a middle click on 800 Hz and a Shift + left click on 600 Hz put those on the marker; the
# Sideband chosen in Settings > Rig... by keys ("Upper") moves CWR the CW way. While rigctld
# does not answer (stopped: the client waits out its timeouts) and after it is killed, the keys
# act within a second and the window says "No rig"; rigctld started again is found again, and T
# tunes it. Save keeps the rig in keblor.ini. Then in stereo for a minute rigctld's current VFO
# never changes, and Ctrl+T moves VFO B. The dial before and after each step is printed.
# Usage: rig_e2e.sh <path to keblor>
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=program_session.sh
source "$HERE/program_session.sh"
# shellcheck source=rig_session.sh
source "$HERE/rig_session.sh"

program_session_open rig-e2e "${1:?usage: rig_e2e.sh <keblor program>}"
trap 'rig_teardown; program_session_cleanup' EXIT
RUN_DIR=$WORK/program
mkdir -p "$RUN_DIR"
rig_session_open

# True while a connection to rigctld holds bytes rigctld has not read: a request waits for it.
rigctld_unread() {
  in_namespace ss -tnH "sport = :$PORT" | awk '$1 == "ESTAB" && $2 > 0 { found = 1 } END { exit !found }'
}

# Waits up to `seconds` for the dial to leave `before`; prints the dial then.
dial_after() {  # before seconds
  local now deadline=$((SECONDS + $2))
  while now=$(dial); [ "$now" = "$1" ] && [ "$SECONDS" -lt "$deadline" ]; do sleep 0.1; done
  echo "$now"
}

# Does what moves the dial (a key, a click) until the dial leaves `before`: a tuning the program
# refuses (the rig not read yet, a move still on its way) is tried again. Each try waits long
# enough for a move the program made that a second one never adds to it. Prints the dial then.
tune_until_moved() {  # before command...
  local before=$1 now deadline=$((SECONDS + 60))
  shift
  while [ "$SECONDS" -lt "$deadline" ]; do
    "$@" >/dev/null
    now=$(dial_after "$before" 5)
    if [ "$now" != "$before" ]; then echo "$now"; return; fi
  done
  echo "$before"
}

# One tuning step: the dial before and after, and its move against the one expected (the tone
# estimate may be a hertz or two off).
STEP_BEFORE=
step_check() {  # name expected-move after
  local moved=$(($3 - STEP_BEFORE))
  echo "$1: dial $STEP_BEFORE -> $3 Hz (moved $moved, expected $2)"
  [ "${moved#-}" -ge 0 ] && [ $((moved - $2)) -le 3 ] && [ $(($2 - moved)) -le 3 ] ||
    fail "$1: the dial moved $moved Hz instead of $2"
}

echo "== rigctld with Hamlib's dummy rig on $RIG, the program with a 712 Hz tone"
rigctld_start
rig_cmd F 7030000 M CW 500 >/dev/null
pulse_play_tone 712
program_open_window "$RUN_DIR" "$WORK/keblor.log" --rig 2 --rig-port "$RIG"
dial_shown() {
  shoot_trace "$A_X" "$A_Y"
  [ "$(stats_field "$LAST_STATS" marker)" -eq 100 ] && [ "$(rig_text_extent "$LAST_SHOT")" -gt 60 ]
}
wait_until 60 dial_shown || true
extent=$(rig_text_extent "$LAST_SHOT")
echo "the dial shown over the trace, $((extent + 1)) columns wide (shot$SHOT.png)"
[ "$extent" -gt 60 ] || fail "no dial over the trace: $LAST_STATS (shot$SHOT.png)"
# KEBLOR_E2E_SHOTS=DIR keeps the pictures of the dial, the dialog and "No rig".
if [ -n "${KEBLOR_E2E_SHOTS:-}" ]; then cp "$LAST_SHOT" "$KEBLOR_E2E_SHOTS/rig-dial.png"; fi

# T acts once the readout has found the tone.
echo "== T in CW"
STEP_BEFORE=$(dial)
step_check "T in CW" 212 "$(tune_until_moved "$STEP_BEFORE" keys t)"

echo "== T in CWR"
# The dial's text runs past the marker, short of the tone's peak (column 142): 130 columns.
shoot_trace "$A_X" "$A_Y"
CW_EXTENT=$(rig_text_extent "$LAST_SHOT" 130)
rig_cmd M CWR 500 >/dev/null
# The program reads the mode on its own: "CWR" shown over the trace is wider than "CW".
mode_read() { shoot_trace "$A_X" "$A_Y" && [ "$(rig_text_extent "$LAST_SHOT" 130)" -gt "$CW_EXTENT" ]; }
wait_until 60 mode_read || fail "the window does not show CWR (shot$SHOT.png)"
STEP_BEFORE=$(dial)
step_check "T in CWR" -212 "$(tune_until_moved "$STEP_BEFORE" keys t)"

echo "== a middle click on 800 Hz, a Shift + left click on 600 Hz (CWR)"
middle_click() {
  xdotool windowactivate --sync "$MAIN_WINDOW"
  xdotool mousemove --window "$MAIN_WINDOW" $((A_X + 160)) $((A_Y + 60)) click 2
}
shift_click() {
  xdotool windowactivate --sync "$MAIN_WINDOW"
  xdotool mousemove --window "$MAIN_WINDOW" $((A_X + 120)) $((A_Y + 60)) keydown shift click 1 keyup shift
}
STEP_BEFORE=$(dial)
step_check "middle click on 800 Hz" -300 "$(tune_until_moved "$STEP_BEFORE" middle_click)"
STEP_BEFORE=$(dial)
step_check "Shift + left click on 600 Hz" -100 "$(tune_until_moved "$STEP_BEFORE" shift_click)"
[ "$MARKER" -eq 500 ] && shoot_trace "$A_X" "$A_Y" && [ "$(stats_field "$LAST_STATS" marker)" -eq 100 ] ||
  fail "a tuning click moved the marker: $LAST_STATS"

echo "== Settings > Rig...: Sideband \"Upper\" by keys, T in CWR"
keys alt+s r
dialog=
find_dialog() { dialog=$(xdotool search --name '^Rig$' 2>/dev/null | head -n1) && [ -n "$dialog" ]; }
wait_until 60 find_dialog || fail "Settings > Rig... opened no \"Rig\" dialog"
x_window_shot "$dialog" "$WORK/rig-dialog.png"
if [ -n "${KEBLOR_E2E_SHOTS:-}" ]; then cp "$WORK/rig-dialog.png" "$KEBLOR_E2E_SHOTS/rig-dialog.png"; fi
# The dialog takes the keys in the order they come.
xdotool windowactivate --sync "$dialog"
xdotool key alt+d Down Return
dialog_gone() { ! xdotool search --name '^Rig$' >/dev/null 2>&1; }
wait_until 60 dialog_gone || fail "the Rig dialog did not close on Return"
# The rig is taken up again with the new settings: T acts once it is read.
STEP_BEFORE=$(dial)
step_check "T in CWR with the sideband set to upper" 212 "$(tune_until_moved "$STEP_BEFORE" keys t)"

echo "== the keys with rigctld answering, for comparison"
keys_answer "rigctld answering" F6 F5
SLOWEST_MS=0

echo "== rigctld stopped: it does not answer"
kill -STOP "$RIGCTLD_PID"
# The program's next read of the dial waits for Hamlib's timeout.
wait_until 60 rigctld_unread || fail "the program sent rigctld nothing after it stopped"
keys_answer "rigctld stopped" F6 F6 F6
[ "$(grep -c "^keblor: rig " "$WORK/keblor.log" || true)" -le 1 ] || fail "more than one line about the rig"

echo "== rigctld killed"
kill -KILL "$RIGCTLD_PID"
RIGCTLD_PID=
lost_said() { grep -q "^keblor: rig rigctld on $RIG: .*; trying again every 5 s$" "$WORK/keblor.log"; }
wait_until 60 lost_said || true
grep "^keblor: rig " "$WORK/keblor.log" || fail "the lost rig was not said on standard error"
[ "$(grep -c "^keblor: rig " "$WORK/keblor.log")" -eq 1 ] || fail "more than one line about the lost rig"
no_rig_shown() {
  shoot_trace "$A_X" "$A_Y"
  local extent
  extent=$(rig_text_extent "$LAST_SHOT")
  [ "$extent" -gt 10 ] && [ "$extent" -lt 50 ]
}
wait_until 60 no_rig_shown || true
extent=$(rig_text_extent "$LAST_SHOT")
echo "\"No rig\" shown, $((extent + 1)) columns wide (shot$SHOT.png)"
[ "$extent" -gt 10 ] && [ "$extent" -lt 50 ] || fail "the window does not say \"No rig\" (shot$SHOT.png)"
if [ -n "${KEBLOR_E2E_SHOTS:-}" ]; then cp "$LAST_SHOT" "$KEBLOR_E2E_SHOTS/rig-lost.png"; fi
keys_answer "rigctld gone" F5 F5 F5 F5
echo "slowest answer to a key while rigctld was stopped or gone: $SLOWEST_MS ms"
[ "$(grep -c "^keblor: rig " "$WORK/keblor.log")" -eq 1 ] || fail "the retries were said on standard error"

echo "== rigctld back"
rigctld_start
rig_cmd F 7030000 M CW 500 >/dev/null
back=$SECONDS
STEP_BEFORE=$(dial)
moved=$(tune_until_moved "$STEP_BEFORE" keys t)
[ "$moved" != "$STEP_BEFORE" ] || fail "rigctld back: T moved nothing within a minute"
echo "found again within $((SECONDS - back)) s"
step_check "T in CW after rigctld came back (marker $MARKER Hz)" $((712 - MARKER)) "$moved"
shoot_trace "$A_X" "$A_Y"
[ "$(rig_text_extent "$LAST_SHOT")" -gt 60 ] || fail "no dial over the trace after rigctld came back (shot$SHOT.png)"

echo "== Save keeps the rig"
keys alt+s s
rig_saved() { grep -q '^Sideband=1' "$RUN_DIR/keblor.ini" 2>/dev/null; }
wait_until 60 rig_saved || true
tr -d '\r' <"$RUN_DIR/keblor.ini" | grep -A4 '^\[Rig\]' | tee "$WORK/rig-section.txt"
grep -qx "Model=2" "$WORK/rig-section.txt" && grep -qx "Port=$RIG" "$WORK/rig-section.txt" &&
  grep -qx "Sideband=1" "$WORK/rig-section.txt" || fail "keblor.ini does not keep the rig"

keys alt+F4
program_wait_exit 15
[ "$KEBLOR_STATUS" -eq 0 ] || fail "the program ended with status $KEBLOR_STATUS"

echo "== stereo for a minute: rigctld's current VFO (the one the operator transmits on) stays"
# VFO B's dial, asked of rigctld in its VFO mode, which names the VFO and switches nothing.
vfo_b_dial() { in_namespace python3 "$HERE/rigctld_named.py" "$PORT" "$@"; }
vfo_b_dial F VFOB 7040000 >/dev/null
vfo_b_dial M VFOB CW 500 >/dev/null
STEREO_DIR=$WORK/stereo
mkdir -p "$STEREO_DIR"
printf '[General]\nChannels=2\n' >"$STEREO_DIR/keblor.ini"
program_open_window "$STEREO_DIR" "$WORK/keblor-stereo.log" --rig 2 --rig-port "$RIG"
first_vfo=$(rig_cmd v | head -n1)
changes=0
for _ in $(seq 60); do
  sleep 1  # one reading a second, as the program reads its dials
  now_vfo=$(rig_cmd v | head -n1)
  [ "$now_vfo" = "$first_vfo" ] || changes=$((changes + 1))
done
echo "rigctld's current VFO read 60 times over a minute: $first_vfo, changed in $changes readings"
[ "$changes" -eq 0 ] || fail "the program switched the rig's current VFO"
STEP_BEFORE=$(vfo_b_dial f VFOB)
keys ctrl+t
b_moved() { [ "$(vfo_b_dial f VFOB)" != "$STEP_BEFORE" ]; }
wait_until 30 b_moved || fail "Ctrl+T did not move VFO B"
step_check "Ctrl+T on VFO B in stereo" 212 "$(vfo_b_dial f VFOB)"
[ "$(rig_cmd v | head -n1)" = "$first_vfo" ] || fail "Ctrl+T switched the rig's current VFO"
keys alt+F4
program_wait_exit 15
[ "$KEBLOR_STATUS" -eq 0 ] || fail "the stereo program ended with status $KEBLOR_STATUS"

PASSED=1
echo "rig end-to-end: passed"
