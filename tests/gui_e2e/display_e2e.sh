#!/usr/bin/env bash
# The real program's display commands by keys, on a private X display with openbox, capturing a
# tone from a private PulseAudio null sink. It starts with no settings file (mono, VFO-A on the
# 1000 Hz range, pitch 500 Hz): F12 freezes and thaws the trace, and the window manager's close
# ends the program with status 0 and no settings file written.
# Usage: display_e2e.sh <path to keblor>
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=program_session.sh
source "$HERE/program_session.sh"

# Crops the trace area of a screenshot, for comparing two pictures of it.
trace_crop() {  # shot out
  convert "$1" -crop "200x128+$A_X+$A_Y" +repage "$2"
}

# Prints how many pixels differ between two pictures of the same size.
pixels_changed() {  # a b
  local n
  n=$(compare -metric AE "$1" "$2" null: 2>&1 || true)
  echo "${n%%.*}"
}

# Waits up to 14 s until two shots of the trace area a third of a second apart differ (1) or are
# the same (0); false when that never happened.
until_trace_changes() {  # 1 or 0
  local changed
  for _ in $(seq 20); do
    shoot_trace "$A_X" "$A_Y"
    trace_crop "$LAST_SHOT" "$WORK/trace_before.png"
    sleep 0.35
    shoot_trace "$A_X" "$A_Y"
    trace_crop "$LAST_SHOT" "$WORK/trace_after.png"
    changed=$(pixels_changed "$WORK/trace_before.png" "$WORK/trace_after.png")
    if [ "$1" = 1 ] && [ "$changed" != 0 ]; then return 0; fi
    if [ "$1" = 0 ] && [ "$changed" = 0 ]; then return 0; fi
  done
  return 1
}

# The first lit row of a trace column in a screenshot of the main window; 128 when none is lit.
column_top() {  # shot column
  convert "$1" -crop "1x128+$((A_X + $2))+$A_Y" +repage -depth 8 txt:- |
    awk '/^#/ { next } { split($1, p, /[,:]/); if (toupper($3) == "#C2C2C2" && !found) { print p[2]; found = 1 } }
      END { if (!found) print 128 }'
}

program_session_open display-e2e "${1:?usage: display_e2e.sh <keblor program>}"

RUN_DIR=$WORK/program
mkdir -p "$RUN_DIR"

echo "== defaults, 700 Hz"
pulse_play_tone 700
program_open_window "$RUN_DIR" "$WORK/keblor.log"
# 1000 Hz over 200 columns, 5 Hz each: the tone at column 140, the 500 Hz marker at 100. Mono
# shows the tone (6 dB below full scale) at the top row.
wait_for_trace "VFO-A at 700 Hz, marker 500 Hz" "$A_X" "$A_Y" 100 140 0
# KEBLOR_E2E_SHOTS=DIR keeps this picture of the program (docs/main-window.png comes from it).
if [ -n "${KEBLOR_E2E_SHOTS:-}" ]; then cp "$LAST_SHOT" "$KEBLOR_E2E_SHOTS/main-window.png"; fi

echo "== F12: frozen"
# In noise the live trace changes from picture to picture, so the freeze is seen as soon as it has
# taken hold: two shots a third of a second apart are the same. Only then does the tone change.
pulse_play_noisy_tone 700
until_trace_changes 1 || fail "the trace in noise does not change from picture to picture"
keys F12
until_trace_changes 0 || fail "the trace in noise still changes 14 s after F12 ($(basename "$LAST_SHOT"))"
pulse_play_tone 800
shoot_trace "$A_X" "$A_Y"
FROZEN=$LAST_SHOT
# The noise floor crosses the marker, so the picture is read column by column: the 700 Hz tone
# reaches the top row, and no 800 Hz tone stands above the noise.
top_700=$(column_top "$FROZEN" 140)
top_800=$(column_top "$FROZEN" 160)
echo "frozen: column 140 lit from row $top_700, column 160 from row $top_800 ($(basename "$FROZEN"))"
[ "$top_700" -le 2 ] && [ "$top_800" -gt 20 ] ||
  fail "the frozen trace does not show the 700 Hz tone it was frozen with ($(basename "$FROZEN"))"
# Every live update (ten a second) would have drawn the 800 Hz tone by now; the picture holds.
for _ in 1 2 3; do
  sleep 1
  shoot_trace "$A_X" "$A_Y"
  changed=$(pixels_changed "$FROZEN" "$LAST_SHOT")
  echo "pixels changed since freezing: $changed ($(basename "$LAST_SHOT"))"
  [ "$changed" = 0 ] || fail "the frozen picture changed: $(basename "$FROZEN") against $(basename "$LAST_SHOT")"
done

echo "== F12: live again"
keys F12
thaw_start=$SECONDS
wait_for_trace "VFO-A at 800 Hz, marker 500 Hz" "$A_X" "$A_Y" 100 160 0
echo "live again within $((SECONDS - thaw_start)) s"
# The tone was playing for over 4 s while the picture held: had it taken that long to reach the
# program, the frozen check above would prove nothing.
[ $((SECONDS - thaw_start)) -le 3 ] || fail "the 800 Hz tone took over 3 s to show after the thaw"

echo "== the window manager's close (Alt+F4)"
keys alt+F4
program_wait_exit 15
echo "the program ended with status $KEBLOR_STATUS"
[ "$KEBLOR_STATUS" -eq 0 ] || fail "the program ended with status $KEBLOR_STATUS"
[ ! -e "$RUN_DIR/keblor.ini" ] || fail "closing wrote keblor.ini"
left=$(ls -A "$RUN_DIR")
[ -z "$left" ] || fail "the working folder holds files after the run: $left"

PASSED=1
echo "display end-to-end: passed"
