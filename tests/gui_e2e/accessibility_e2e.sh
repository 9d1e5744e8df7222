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
# shellcheck source=atspi_session.sh
source "$HERE/atspi_session.sh"

program_session_open accessibility "${1:?usage: accessibility_e2e.sh <keblor program>}"
trap 'atspi_teardown; program_session_cleanup' EXIT
atspi_start

RUN_DIR=$WORK/program
mkdir -p "$RUN_DIR"
printf '%s\r\n' '[General]' 'Channels=2' 'PitchReadout=1' 'AlwaysOnTop=0' '[VFO-A]' 'PitchFreq=700' \
  '[VFO-B]' 'PitchFreq=700' >"$RUN_DIR/keblor.ini"

WINDOWS=("Main VFO-A" "Sub VFO-B")

echo "== a 712 Hz tone, the markers at 700 Hz"
pulse_play_tone 712
program_start "$RUN_DIR" "$WORK/keblor.log"
program_wait_window
BOTH="all(found.get(t, {}).get('description') == '712 hertz, 12 above the pitch' for t in ('Main VFO-A', 'Sub VFO-B'))"
read_until "both windows name the tone" "$BOTH" "${WINDOWS[@]}"
LABELS="all(l in found['Main VFO-A']['inside'] for l in ('PITCH: 700 Hz', 'AVGS: 1', '0 Hz', '1000 Hz'))"
LABELS+=" and '3000 Hz' in found['Sub VFO-B']['inside']"
read_until "the labels" "$LABELS" "${WINDOWS[@]}"
read_until "the roles" "all(found[t]['role'] == 'frame' for t in ('Main VFO-A', 'Sub VFO-B'))" "${WINDOWS[@]}"

echo "== the tone moves to 650 Hz"
pulse_play_tone 650
read_until "the description follows" "found['Main VFO-A']['description'] == '650 hertz, 50 below the pitch'" "${WINDOWS[@]}"

PASSED=1
echo "accessibility end-to-end: passed"
