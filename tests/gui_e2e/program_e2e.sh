#!/usr/bin/env bash
# The real program on a private X display with openbox, capturing a tone from a private
# PulseAudio null sink. It starts mono 16-bit from a hand-edited keblor.ini, shows a live trace,
# is switched to stereo 8-bit in the Sound card dialog with keys alone, shows the Sub VFO-B
# window with a live trace, and ends through "Save and exit". The file must then hold the new
# format and the hand-edited lines, CRLF line ends included. The capture is the sound server's
# own stream, under the program's name.
# Usage: program_e2e.sh <path to keblor>
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=program_session.sh
source "$HERE/program_session.sh"

program_session_open gui-e2e "${1:?usage: program_e2e.sh <keblor program>}"

# A settings file as a user may have edited it: a comment, a key the program does not know, the
# presets, a section out of the usual order, CRLF line ends.
RUN_DIR=$WORK/program
mkdir -p "$RUN_DIR"
printf '%s\r\n' \
  '; CW Keblor settings, edited by hand' \
  '[General]' \
  'Channels=1' \
  'BitsPerSample=16' \
  'Callsign=N0CALL' \
  'AlwaysOnTop=0' \
  'xPos=40' \
  'yPos=30' \
  '' \
  '[Pitch]' \
  'Pitch1=400' \
  'Pitch2=600' \
  'Pitch3=800' \
  '[VFO-A]' \
  'PitchFreq=600' \
  '; the marker at my usual note' >"$RUN_DIR/keblor.ini"

# The tone is 6 dB below full scale: a stereo channel shows its peak 15 rows (0.39 dB each)
# below the top; mono counts it 6 dB stronger, at the top.

echo "== mono 16-bit, 700 Hz"
pulse_play_tone 700
program_open_window "$RUN_DIR" "$WORK/keblor.log"
echo "main window inside: $WIN_W x $WIN_H"
[ "$WIN_W" -eq "$CLIENT_W_MONO" ] || fail "mono main window is $WIN_W wide inside, not $CLIENT_W_MONO"
# VFO-A: 1000 Hz over 200 columns; the marker from the file's 600 Hz.
wait_for_trace "VFO-A at 700 Hz" "$A_X" "$A_Y" 120 140 0
streams=$(pactl list source-outputs)
grep -qF 'application.name = "CW Keblor"' <<<"$streams" ||
  fail "the capture is not the sound server's stream of CW Keblor: $streams"

echo "== Sound card dialog: stereo, 8 bits"
keys alt+s c
DIALOG=$(timeout 10 xdotool search --sync --name '^Sound card settings$' | head -n1) ||
  fail "the Sound card settings dialog did not open"
[ -n "$DIALOG" ] || fail "the Sound card settings dialog did not open"
# The display keeps running under the modal dialog: moved off the spectrum window, the dialog
# lets the trace be seen following a new tone.
xdotool windowmove "$DIALOG" 500 400
sleep 0.3
pulse_play_tone 800
wait_for_trace "VFO-A at 800 Hz under the open dialog" "$A_X" "$A_Y" 120 160 0
xdotool windowactivate --sync "$DIALOG" 2>/dev/null || xdotool windowfocus --sync "$DIALOG"
# The focus starts on OK; the tab order runs OK, Cancel, 1, 2, 8, 16. An arrow key inside a radio
# group moves the focus and the choice; Space picks the focused button; Enter presses OK.
for key in Tab Tab Down Tab space Return; do
  xdotool key "$key"
  sleep 0.3
done
for _ in $(seq 50); do
  xdotool search --name '^Sound card settings$' >/dev/null 2>&1 || break
  sleep 0.1
done
if xdotool search --name '^Sound card settings$' >/dev/null 2>&1; then fail "the dialog did not close on Enter"; fi

echo "== stereo 8-bit"
main_geometry
echo "main window inside: $WIN_W x $WIN_H"
[ "$WIN_W" -eq "$CLIENT_W_STEREO" ] || fail "stereo main window is $WIN_W wide inside, not $CLIENT_W_STEREO"
A_Y=$((CLIENT_Y + TRACE_DY))
B_X=$((CLIENT_X + VFO_B_LEFT + TRACE_DX))
pulse_play_tone 700
# VFO-B: 3000 Hz over 200 columns, its marker at the default 500 Hz.
wait_for_trace "VFO-A at 700 Hz" "$A_X" "$A_Y" 120 140 15
wait_for_trace "VFO-B at 700 Hz" "$B_X" "$A_Y" 33 47 15

echo "== Save and exit"
keys alt+s t
program_wait_exit 15
[ "$KEBLOR_STATUS" -eq 0 ] || fail "the program ended with status $KEBLOR_STATUS"

echo "== keblor.ini"
cat -A "$RUN_DIR/keblor.ini" | sed 's/^/  /'
# The format picked in the dialog, and the hand-edited lines as they were, CRLF and all.
for line in 'Channels=2' 'BitsPerSample=8' '; CW Keblor settings, edited by hand' 'Callsign=N0CALL' \
  'Pitch3=800' 'PitchFreq=600' '; the marker at my usual note'; do
  grep -qxF "$line"$'\r' "$RUN_DIR/keblor.ini" || fail "keblor.ini lacks the line '$line' with CRLF"
done
if grep -qv $'\r$' "$RUN_DIR/keblor.ini"; then fail "keblor.ini has lines without CRLF"; fi

PASSED=1
echo "program end-to-end: passed"
