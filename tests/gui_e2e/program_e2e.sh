#!/usr/bin/env bash
# The real program on a private X display with openbox, capturing a tone from a private
# PulseAudio null sink. It starts mono 16-bit from a hand-edited keblor.ini, shows a live trace,
# is switched to stereo 8-bit in the Sound card dialog with keys alone, shows the Sub VFO-B
# window with a live trace, and ends through "Save and exit". The file must then hold the new
# format and every other line as it was, CRLF line ends included. The capture is the sound
# server's own stream, under the program's name; started with --backend portaudio, the program
# captures through ALSA instead.
# Usage: program_e2e.sh <path to keblor>
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=program_session.sh
source "$HERE/program_session.sh"
# shellcheck source=check_saved_ini.sh
source "$HERE/check_saved_ini.sh"

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
cp "$RUN_DIR/keblor.ini" "$WORK/keblor.ini.before"

# The tone is 6 dB below full scale: a stereo channel shows its peak 15 rows (0.39 dB each)
# below the top; mono counts it 6 dB stronger, at the top.

# Opens a main-menu item through its mnemonics: Alt+<menu>, then <item>.
menu_keys() {  # menu-mnemonic item-mnemonic
  xdotool windowactivate --sync "$MAIN_WINDOW"
  xdotool key --clearmodifiers "alt+$1"
  sleep 0.7
  xdotool key "$2"
}

echo "== mono 16-bit, 700 Hz"
pulse_play_tone 700
program_start "$RUN_DIR" "$WORK/keblor.log"
program_wait_window
main_geometry
echo "main window inside: $WIN_W x $WIN_H"
[ "$WIN_W" -eq "$CLIENT_W_MONO" ] || fail "mono main window is $WIN_W wide inside, not $CLIENT_W_MONO"
A_X=$((CLIENT_X + TRACE_DX))
A_Y=$((CLIENT_Y + TRACE_DY))
# VFO-A: 1000 Hz over 200 columns; the marker from the file's 600 Hz.
wait_for_trace "VFO-A at 700 Hz" "$A_X" "$A_Y" 120 140 0
MONO_700=$LAST_SHOT
streams=$(pactl list source-outputs)
grep -qF 'application.name = "CW Keblor"' <<<"$streams" ||
  fail "the capture is not the sound server's stream of CW Keblor: $streams"
pulse_play_tone 800
wait_for_trace "VFO-A at 800 Hz" "$A_X" "$A_Y" 120 160 0
convert "$MONO_700" -crop "200x128+$A_X+$A_Y" +repage "$WORK/trace700.png"
convert "$LAST_SHOT" -crop "200x128+$A_X+$A_Y" +repage "$WORK/trace800.png"
changed=$(compare -metric AE "$WORK/trace700.png" "$WORK/trace800.png" null: 2>&1 || true)
echo "VFO-A trace pixels changed between the two tones: $changed"
[ "${changed%%.*}" -gt 0 ] 2>/dev/null || fail "the VFO-A trace did not change with the tone"

echo "== Sound card dialog: stereo, 8 bits"
menu_keys s c
DIALOG=$(timeout 10 xdotool search --sync --name '^Sound card settings$' | head -n1) ||
  fail "the Sound card settings dialog did not open"
[ -n "$DIALOG" ] || fail "the Sound card settings dialog did not open"
# The display keeps running under the modal dialog: moved off the spectrum window, the dialog
# lets the trace be seen following a new tone.
xdotool windowmove "$DIALOG" 500 400
sleep 0.3
pulse_play_tone 700
wait_for_trace "VFO-A at 700 Hz under the open dialog" "$A_X" "$A_Y" 120 140 0
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
A_X=$((CLIENT_X + TRACE_DX))
A_Y=$((CLIENT_Y + TRACE_DY))
B_X=$((CLIENT_X + VFO_B_LEFT + TRACE_DX))
B_Y=$A_Y
pulse_play_tone 800
wait_for_trace "VFO-A at 800 Hz" "$A_X" "$A_Y" 120 160 15
# VFO-B: 3000 Hz over 200 columns, its marker at the default 500 Hz. That span leaves out every
# third bin, 800 Hz among them: the peak shows its neighbours, 6 dB (16 rows) lower; 700 Hz is
# shown.
wait_for_trace "VFO-B at 800 Hz" "$B_X" "$B_Y" 33 53 31
pulse_play_tone 700
wait_for_trace "VFO-B at 700 Hz" "$B_X" "$B_Y" 33 47 15
wait_for_trace "VFO-A at 700 Hz" "$A_X" "$A_Y" 120 140 15

echo "== Save and exit"
menu_keys s t
program_wait_exit 15
[ "$KEBLOR_STATUS" -eq 0 ] || fail "the program ended with status $KEBLOR_STATUS"

echo "== keblor.ini"
cat -A "$RUN_DIR/keblor.ini" | sed 's/^/  /'
# The fifteen values a save writes (the new format, the rest as loaded or by default) and the
# ones only the user writes.
cat >"$WORK/values.saved" <<'EOF'
General/Channels=2
General/BitsPerSample=8
General/Callsign=N0CALL
General/NumberOfAverages=1
General/FT-1000MP=0
General/Level=0
General/AlwaysOnTop=0
General/xPos=40
General/yPos=30
General/ArrangeVertically=0
Pitch/Pitch1=400
Pitch/Pitch2=600
Pitch/Pitch3=800
VFO-A/PitchFreq=600
VFO-A/Pitch=1
VFO-A/Range=1
VFO-B/Pitch=1
VFO-B/PitchFreq=500
VFO-B/Range=3
EOF
check_saved_ini "$WORK/keblor.ini.before" "$RUN_DIR/keblor.ini" "$WORK/values.saved" "$WORK" ||
  fail "keblor.ini is not as expected"

echo "== PortAudio"
PA_DIR=$WORK/portaudio
mkdir -p "$PA_DIR"
program_start "$PA_DIR" "$WORK/keblor-portaudio.log" --backend portaudio
program_wait_window
main_geometry
wait_for_trace "VFO-A at 700 Hz through PortAudio" "$((CLIENT_X + TRACE_DX))" "$((CLIENT_Y + TRACE_DY))" 100 140 0
streams=$(pactl list source-outputs)
grep -qF 'application.name = "ALSA plug-in' <<<"$streams" || fail "the capture does not go through ALSA: $streams"
grep -qF 'application.name = "CW Keblor"' <<<"$streams" && fail "the sound server's own stream is open too"
kill "$KEBLOR_PID"
program_wait_exit 10

PASSED=1
echo "program end-to-end: passed"
