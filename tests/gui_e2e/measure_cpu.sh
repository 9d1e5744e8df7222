#!/usr/bin/env bash
# Measures the program's CPU use and resident memory during live capture of a tone from a
# private PulseAudio null sink, on a private X display with openbox: mono 16-bit, stereo 16-bit
# and stereo 8-bit, then a bare Qt window (bare_window) as the yardstick. CPU is the process's
# user + system time over the interval (/proc/PID/stat), as a share of one core; the X server's
# share over the same interval is shown beside it, since drawing costs there too.
# Usage: measure_cpu.sh <keblor> [<bare_window>] [seconds, default 20]
set -euo pipefail

PROGRAM=$(readlink -f "${1:?usage: measure_cpu.sh <keblor> [<bare_window>] [seconds]}")
BARE=${2:-}
[ -n "$BARE" ] && BARE=$(readlink -f "$BARE")
SECONDS_MEASURED=${3:-20}
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../e2e/pulse_null_sink.sh
source "$HERE/../e2e/pulse_null_sink.sh"
# shellcheck source=x_session.sh
source "$HERE/x_session.sh"
# shellcheck source=program_session.sh
source "$HERE/program_session.sh"

WORK=$(mktemp -d /tmp/keblor-measure.XXXXXX)
TARGET_PID=
cleanup() {
  if [ -n "$TARGET_PID" ]; then kill "$TARGET_PID" 2>/dev/null || true; fi
  x_teardown
  pulse_teardown
  wait 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

TICKS=$(getconf CLK_TCK)
cpu_ticks() {  # utime + stime of a process, in clock ticks
  # The command name in field 2 may hold blanks: count from after its closing parenthesis.
  sed -E 's/^.*\) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'
}
status_kb() {  # field of /proc/PID/status, in kB
  awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/status"
}

# Starts a program in DIR, waits for a window named NAME and 3 s of settling, then measures.
measure() {  # label dir window-name program...
  local label=$1 dir=$2 name=$3
  shift 3
  (cd "$dir" && exec "$@") >"$WORK/program.log" 2>&1 &
  TARGET_PID=$!
  local found=
  for _ in $(seq 30); do
    found=$(timeout 1 xdotool search --sync --name "$name" 2>/dev/null | head -n1) || true
    [ -n "$found" ] && break
    kill -0 "$TARGET_PID" 2>/dev/null || { echo "FAIL: $label ended early"; cat "$WORK/program.log"; exit 1; }
  done
  [ -n "$found" ] || { echo "FAIL: $label: no window \"$name\""; exit 1; }
  sleep 3
  local x_pid=${X_PIDS[0]} t0 t1 x0 x1 start end rss0
  rss0=$(status_kb "$TARGET_PID" VmRSS)
  t0=$(cpu_ticks "$TARGET_PID")
  x0=$(cpu_ticks "$x_pid")
  start=$(date +%s.%N)
  sleep "$SECONDS_MEASURED"
  t1=$(cpu_ticks "$TARGET_PID")
  x1=$(cpu_ticks "$x_pid")
  end=$(date +%s.%N)
  local rss hwm
  rss=$(status_kb "$TARGET_PID" VmRSS)
  hwm=$(status_kb "$TARGET_PID" VmHWM)
  awk -v l="$label" -v t="$((t1 - t0))" -v x="$((x1 - x0))" -v hz="$TICKS" -v s="$start" -v e="$end" \
    -v rss0="$rss0" -v rss="$rss" -v hwm="$hwm" 'BEGIN {
      d = e - s
      printf "%-22s CPU %5.2f %% over %.1f s   RSS %6d -> %6d kB (peak %6d kB)   Xvfb CPU %5.2f %%\n",
        l, 100 * t / hz / d, d, rss0, rss, hwm, 100 * x / hz / d }'
  kill "$TARGET_PID"
  wait "$TARGET_PID" 2>/dev/null || true
  TARGET_PID=
}

program_session_start "$WORK"
pulse_play_tone 700

ISOLATE=()
if unshare -n true 2>/dev/null; then
  ISOLATE=(unshare -n)
elif unshare -rn true 2>/dev/null; then
  ISOLATE=(unshare -rn)
fi

for format in "1 16" "2 16" "2 8"; do
  read -r channels bits <<<"$format"
  dir=$WORK/run-$channels-$bits
  mkdir -p "$dir"
  printf '[General]\nChannels=%d\nBitsPerSample=%d\n' "$channels" "$bits" >"$dir/keblor.ini"
  label="keblor $([ "$channels" = 1 ] && echo mono || echo stereo) $bits-bit"
  measure "$label" "$dir" '^CW Keblor$' "${ISOLATE[@]}" "$PROGRAM"
done
if [ -n "$BARE" ]; then
  mkdir -p "$WORK/bare"
  measure "bare Qt window" "$WORK/bare" '^Bare window$' "$BARE"
fi
