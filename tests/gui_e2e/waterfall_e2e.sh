#!/usr/bin/env bash
# The waterfall of the real program on a private X display with openbox, capturing from a private
# PulseAudio null sink. It starts with no settings file (mono, VFO-A on the 1000 Hz range, marker
# at 500 Hz) and looks as it always did, 208 x 206 inside; W grows the main window by the
# waterfall's 64 rows. A steady 700 Hz tone then draws an unbroken line down column 140 of the
# waterfall while column 40 stays dark and the marker runs down column 100; the same tone keyed
# 0.4 s on and 0.4 s off draws lit and dark runs one under the other. Save keeps Waterfall=1.
# Usage: waterfall_e2e.sh <path to keblor>
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=program_session.sh
source "$HERE/program_session.sh"

WATERFALL_ROWS=64
# The waterfall's first row lies 160 - 16 rows below the trace area's first.
WATERFALL_DY=144

# Shoots the main window and reads columns 140, 40 and 100 of VFO-A's waterfall.
shoot_waterfall() {
  SHOT=$((SHOT + 1))
  LAST_SHOT=$WORK/shot$SHOT.png
  x_window_shot "$MAIN_WINDOW" "$LAST_SHOT"
  TONE_COLUMN=$(waterfall_column "$LAST_SHOT" $((A_X + 140)) "$W_Y")
  QUIET_COLUMN=$(waterfall_column "$LAST_SHOT" $((A_X + 40)) "$W_Y")
  MARKER_COLUMN=$(waterfall_column "$LAST_SHOT" $((A_X + 100)) "$W_Y")
  echo "  column 140: $TONE_COLUMN"
  echo "  column  40: $QUIET_COLUMN"
  echo "  column 100: $MARKER_COLUMN ($(basename "$LAST_SHOT"))"
}

ALL_LIT=$(printf '#%.0s' $(seq $WATERFALL_ROWS))
ALL_DARK=$(printf '.%.0s' $(seq $WATERFALL_ROWS))
ALL_MARKER=$(printf 'm%.0s' $(seq $WATERFALL_ROWS))

program_session_open waterfall-e2e "${1:?usage: waterfall_e2e.sh <keblor program>}"
RUN_DIR=$WORK/program
mkdir -p "$RUN_DIR"

echo "== defaults: no waterfall"
pulse_play_tone 700
program_open_window "$RUN_DIR" "$WORK/keblor.log"
echo "main window inside: $WIN_W x $WIN_H"
[ "$WIN_W" -eq 208 ] && [ "$WIN_H" -eq 206 ] || fail "the main window is $WIN_W x $WIN_H inside, not 208 x 206"
wait_for_trace "VFO-A at 700 Hz, marker 500 Hz" "$A_X" "$A_Y" 100 140 0
HEIGHT_BEFORE=$WIN_H

echo "== W: the waterfall"
keys w
for _ in $(seq 20); do
  x_window_shot "$MAIN_WINDOW" "$WORK/geometry.png"
  [ "$WIN_H" -ne "$HEIGHT_BEFORE" ] && break
  sleep 0.2
done
echo "main window inside: $WIN_W x $WIN_H"
[ "$WIN_W" -eq 208 ] && [ "$WIN_H" -eq $((HEIGHT_BEFORE + WATERFALL_ROWS)) ] ||
  fail "with the waterfall the main window is $WIN_W x $WIN_H inside, not 208 x $((HEIGHT_BEFORE + WATERFALL_ROWS))"
CLIENT_Y=$((WIN_H - CLIENT_H - WATERFALL_ROWS))
A_Y=$((CLIENT_Y + TRACE_DY))
W_Y=$((A_Y + WATERFALL_DY))
# The trace above is where it was in the window, and still live.
wait_for_trace "the trace above the waterfall" "$A_X" "$A_Y" 100 140 0

echo "== a steady tone: an unbroken line"
# The waterfall starts empty; 64 pictures, ten a second, fill it.
deadline=$((SECONDS + 20))
while true; do
  shoot_waterfall
  [ "$TONE_COLUMN" = "$ALL_LIT" ] && [ "$QUIET_COLUMN" = "$ALL_DARK" ] && [ "$MARKER_COLUMN" = "$ALL_MARKER" ] && break
  [ "$SECONDS" -lt "$deadline" ] || fail "no unbroken line of the steady tone in column 140 within 20 s"
  sleep 1
done

echo "== the tone keyed 0.4 s on, 0.4 s off: lit and dark runs"
pulse_play_keyed_tone 700 0.4 0.4
deadline=$((SECONDS + 20))
while true; do
  sleep 1
  shoot_waterfall
  # Runs of two or more rows, lit and dark in turn, at least three of each, in the rows the keyed
  # tone has reached (the steady line's rows are still below).
  runs=$(sed -E 's/-+/-/g' <<<"$TONE_COLUMN" | grep -oE '#{2,}|\.{2,}' | tr -s '\n' ' ' || true)
  lit_runs=$(grep -oE '#{2,}' <<<"$TONE_COLUMN" | wc -l)
  dark_runs=$(grep -oE '\.{2,}' <<<"$TONE_COLUMN" | wc -l)
  echo "  runs: $runs"
  if [ "$lit_runs" -ge 4 ] && [ "$dark_runs" -ge 3 ] && [ "$QUIET_COLUMN" = "$ALL_DARK" ]; then break; fi
  [ "$SECONDS" -lt "$deadline" ] || fail "no lit and dark runs of the keyed tone in column 140 within 20 s"
done
# KEBLOR_E2E_SHOTS=DIR keeps a picture of the waterfall of a keyed tone in noise (docs/waterfall.png
# comes from it).
if [ -n "${KEBLOR_E2E_SHOTS:-}" ]; then
  pulse_play_keyed_tone 700 0.3 0.2 0.15
  sleep 8
  # Taken while the key is down, so that the trace shows the tone above its waterfall.
  for _ in $(seq 20); do
    shoot_trace "$A_X" "$A_Y"
    [ "$(stats_field "$LAST_STATS" peak)" -eq 140 ] && break
    sleep 0.13
  done
  cp "$LAST_SHOT" "$KEBLOR_E2E_SHOTS/waterfall.png"
fi

echo "== Save keeps it"
keys alt+s s
deadline=$((SECONDS + 10))
until grep -qx 'Waterfall=1' "$RUN_DIR/keblor.ini" 2>/dev/null; do
  [ "$SECONDS" -lt "$deadline" ] || fail "Save did not write Waterfall=1: $(cat "$RUN_DIR/keblor.ini" 2>/dev/null)"
  sleep 0.2
done
echo "keblor.ini: $(grep -c = "$RUN_DIR/keblor.ini") keys, Waterfall=1 among them"
keys alt+F4
program_wait_exit 15
[ "$KEBLOR_STATUS" -eq 0 ] || fail "the program ended with status $KEBLOR_STATUS"

PASSED=1
echo "waterfall end-to-end: passed"
