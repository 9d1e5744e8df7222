#!/usr/bin/env bash
# Runs the capture chain against a private PulseAudio daemon with a null sink: a 700 Hz tone,
# then a 1000 Hz tone, captured from the sink's monitor through the default ALSA device in all
# four formats, and the 700 Hz tone through the server's own library, whose stream must carry the
# program's name, icon and role; on either back end, a taker held up for 0.7 s loses no input; then
# the daemon is killed under a running capture, on either back end, which must close promptly.
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
echo "== 700 Hz through the sound server's library"
timeout 120 "$PROGRAM" --pulse --expect-bin 70 --blocks 30 &
pulse_pid=$!
# The stream as a mixer lists it, once it is there.
streams=
for _ in $(seq 100); do
  streams=$(pactl list source-outputs 2>/dev/null || true)
  grep -q 'application.name = "CW Keblor"' <<<"$streams" && break
  sleep 0.1
done
wait "$pulse_pid"
for property in 'application.name = "CW Keblor"' 'application.icon_name = "keblor"' 'media.role = "production"' \
  'media.name = "Input"'; do
  grep -qF "$property" <<<"$streams" || { echo "FAIL: the stream lacks $property:"; echo "$streams"; exit 1; }
done
echo "== 1000 Hz"
pulse_play_tone 1000
timeout 120 "$PROGRAM" --expect-bin 100
pulse_stop_tone
echo "== the thread that takes the blocks held up for 0.7 s, on either back end"
timeout 60 "$PROGRAM" --held-up
timeout 60 "$PROGRAM" --pulse --held-up

# The server killed under either back end, then stopped (not answering, its socket still open)
# under the sound server's own: the capture must stop, close and try again without hanging.
for how in portaudio:kill pulse:kill pulse:stop; do
  back_end=${how%%:*}
  signal=${how##*:}
  echo "== sound server $([ "$signal" = stop ] && echo stopped || echo killed) while capturing ($back_end)"
  [ "$back_end" = pulse ] && pulse_start  # the round before killed the one running
  DIES_LOG=$(mktemp)
  flag=()
  [ "$back_end" = pulse ] && flag=(--pulse)
  timeout 60 "$PROGRAM" "${flag[@]}" --server-dies >"$DIES_LOG" &
  dies_pid=$!
  for _ in $(seq 200); do
    grep -q '^capturing$' "$DIES_LOG" && break
    kill -0 "$dies_pid" 2>/dev/null || break
    sleep 0.1
  done
  grep -q '^capturing$' "$DIES_LOG" || { echo "FAIL: the capture did not start"; cat "$DIES_LOG"; exit 1; }
  daemon=$(pgrep -f -- "file:$PULSE_LOG" | head -n1 || true)
  if [ "$signal" = stop ]; then
    [ -n "$daemon" ] || { echo "FAIL: no daemon to stop"; exit 1; }
    kill -STOP "$daemon"
  else
    pulseaudio --kill
  fi
  status=0
  wait "$dies_pid" || status=$?
  if [ "$signal" = stop ]; then
    kill -CONT "$daemon"
    pulseaudio --kill
  fi
  grep -v '^capturing$' "$DIES_LOG" || true
  rm -f "$DIES_LOG"
  [ "$status" -eq 0 ] || { echo "FAIL: the capture program ended with status $status"; exit 1; }
done

echo "== no sound server"
timeout 30 "$PROGRAM" --pulse --no-server
echo "== no ALSA configuration: no devices, no abort"
status=0
ALSA_CONFIG_PATH=/nonexistent timeout 30 "$PROGRAM" --expect-bin 70 --blocks 1 2>&1 | tee "$WORK/no-alsa.log" || status=$?
[ "$status" -eq 1 ] && grep -q "no input devices" "$WORK/no-alsa.log" ||
  { echo "FAIL: without ALSA configuration the capture ended with status $status"; exit 1; }

echo "capture end-to-end: passed"
