#!/usr/bin/env bash
# An input without a clock of its own: ALSA's "null" device through PortAudio, with no sound
# server, hands over blocks as fast as it is asked. The program must say so once on standard
# error and then cost next to nothing: under 5 % of a core over five seconds (a capture that
# spins costs over 80 %).
# Usage: unpaced_input_e2e.sh <keblor>
set -euo pipefail
PROGRAM=$(readlink -f "${1:?usage: unpaced_input_e2e.sh <keblor>}")
WORK=$(mktemp -d /tmp/keblor-unpaced.XXXXXX)
chmod 700 "$WORK"
PID=
cleanup() {
  if [ -n "$PID" ]; then kill "$PID" 2>/dev/null || true; wait "$PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

printf 'pcm.!default { type null }\n' >"$WORK/.asoundrc"
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ n += $1 } END { printf "%.0f\n", n }'; }

cd "$WORK"
HOME="$WORK" XDG_RUNTIME_DIR="$WORK" XDG_CONFIG_HOME="$WORK" QT_QPA_PLATFORM=offscreen PULSE_SERVER=none \
  unshare -n "$PROGRAM" --backend portaudio >"$WORK/out" 2>"$WORK/err" &
PID=$!
sleep 3  # the first second spins until the pacing starts
kill -0 "$PID" || { echo "FAIL: the program ended"; cat "$WORK/err"; exit 1; }
before=$(cpu_ns "$PID")
sleep 5
after=$(cpu_ns "$PID")
share=$(awk -v a="$before" -v b="$after" 'BEGIN { printf "%.2f", (b - a) / 5e7 }')
echo "CPU over 5 s: $share % of a core"

said=$(grep -c 'faster than 10240 frames a second' "$WORK/err" || true)
if [ "$said" -ne 1 ]; then
  echo "FAIL: the runaway input was said $said times"; cat "$WORK/err"; exit 1
fi
if awk -v s="$share" 'BEGIN { exit !(s >= 5) }'; then
  echo "FAIL: an unpaced input costs $share % of a core"; exit 1
fi
echo "unpaced input: held back, $share % of a core"
