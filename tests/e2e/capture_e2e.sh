#!/usr/bin/env bash
# Runs the capture chain against a private PulseAudio daemon with a null sink: a 700 Hz tone,
# then a 1000 Hz tone, captured from the sink's monitor through the default ALSA device in all
# four formats; then the daemon is killed under a running capture, which must close promptly.
# Usage: capture_e2e.sh <path to capture_e2e>
set -euo pipefail

PROGRAM=${1:?usage: capture_e2e.sh <capture_e2e program>}
for tool in pulseaudio pacat parec pactl sox; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/install-deps.sh)"; exit 1; }
done

WORK=$(mktemp -d /tmp/keblor-e2e.XXXXXX)
PIDS=()
cleanup() {
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  pulseaudio --kill 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

export HOME=$WORK/home XDG_RUNTIME_DIR=$WORK/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# ALSA's default device must lead to this daemon.
printf 'pcm.!default pulse\nctl.!default pulse\n' >"$HOME/.asoundrc"
export PULSE_SINK=cw PULSE_SOURCE=cw.monitor
unset PULSE_SERVER

start_daemon() {
  # As root the daemon refuses to run per user unless told it may; --system=false keeps it private.
  pulseaudio -n --daemonize=yes --exit-idle-time=-1 --system=false --disallow-exit=false \
    --log-target=file:"$WORK/pulse.log" \
    --load="module-native-protocol-unix auth-anonymous=1" \
    --load="module-null-sink sink_name=cw rate=48000 channels=1" \
    || { echo "FAIL: the PulseAudio daemon did not start:"; cat "$WORK/pulse.log" 2>/dev/null; exit 1; }
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  pactl info >/dev/null 2>&1 || { echo "FAIL: the PulseAudio daemon does not answer"; cat "$WORK/pulse.log"; exit 1; }
  # Keep the sink ticking, and wait for its first cycle to deliver before anyone captures.
  pacat --latency-msec=20 </dev/zero &
  PIDS+=($!)
  local got=0
  for _ in $(seq 100); do
    got=$(timeout 1 parec --latency-msec=20 --format=s16le --channels=1 --rate=10240 2>/dev/null | wc -c || true)
    [ "$got" -gt 0 ] && break
  done
  [ "$got" -gt 0 ] || { echo "FAIL: the null sink's monitor delivers nothing"; exit 1; }
}

TONE_PID=
play_tone() {  # frequency in Hz
  stop_tone
  sox -q -n -t raw -r 48000 -e signed -b 16 -c 1 - synth 600 sine "$1" vol 0.5 2>/dev/null |
    pacat --raw --rate=48000 --channels=1 --format=s16le --latency-msec=50 &
  TONE_PID=$!
  PIDS+=("$TONE_PID")
  sleep 1
}
stop_tone() {
  if [ -n "$TONE_PID" ]; then
    pkill -P "$TONE_PID" 2>/dev/null || true
    kill "$TONE_PID" 2>/dev/null || true
    wait "$TONE_PID" 2>/dev/null || true
    TONE_PID=
  fi
}

start_daemon

echo "== 700 Hz"
play_tone 700
timeout 120 "$PROGRAM" --expect-bin 70
echo "== 1000 Hz"
play_tone 1000
timeout 120 "$PROGRAM" --expect-bin 100
stop_tone

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
echo "capture end-to-end: passed"
