#!/usr/bin/env bash
# Runs the capture chain against a private PulseAudio daemon with a null sink: a 700 Hz tone,
# then a 1000 Hz tone, captured from the sink's monitor through the default ALSA device in all
# four formats; then the daemon is killed under a running capture, which must close promptly.
# Usage: capture_e2e.sh <path to capture_e2e>
set -euo pipefail

PROGRAM=${1:?usage: capture_e2e.sh <capture_e2e program>}
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=pulse_null_sink.sh
source "$HERE/pulse_null_sink.sh"

WORK=$(mktemp -d /tmp/keblor-e2e.XXXXXX)
cleanup() {
  pulse_teardown
  wait 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

pulse_private_home "$WORK"
pulse_start

echo "== 700 Hz"
pulse_play_tone 700
timeout 120 "$PROGRAM" --expect-bin 70
echo "== 1000 Hz"
pulse_play_tone 1000
timeout 120 "$PROGRAM" --expect-bin 100
pulse_stop_tone

echo "== sound server killed while capturing"
DIES_LOG=$(mktemp)
timeout 60 "$PROGRAM" --server-dies >"$DIES_LOG" &
dies_pid=$!
for _ in $(seq 200); do
  grep -q '^capturing$' "$DIES_LOG" && break
  kill -0 "$dies_pid" 2>/dev/null || break
  sleep 0.1
done
grep -q '^capturing$' "$DIES_LOG" || { echo "FAIL: the capture did not start"; cat "$DIES_LOG"; exit 1; }
pulseaudio --kill
status=0
wait "$dies_pid" || status=$?
grep -v '^capturing$' "$DIES_LOG" || true
rm -f "$DIES_LOG"
[ "$status" -eq 0 ] || { echo "FAIL: the capture program ended with status $status"; exit 1; }
echo "== no ALSA configuration: no devices, no abort"
status=0
ALSA_CONFIG_PATH=/nonexistent timeout 30 "$PROGRAM" --expect-bin 70 --blocks 1 2>&1 | tee "$WORK/no-alsa.log" || status=$?
[ "$status" -eq 1 ] && grep -q "no input devices" "$WORK/no-alsa.log" ||
  { echo "FAIL: without ALSA configuration the capture ended with status $status"; exit 1; }

echo "capture end-to-end: passed"
