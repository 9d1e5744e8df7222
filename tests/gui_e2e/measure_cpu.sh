#!/usr/bin/env bash
# Measures the program's CPU use, resident memory and wake-ups during live capture of a 700 Hz
# tone in white noise from a private PulseAudio null sink, on a private X display with openbox, side by side with
# a bare Qt window repainting the same area ten times a second (bare_window) as the yardstick:
# mono 16-bit, stereo 16-bit and stereo 8-bit through the sound server's own library, and mono
# 16-bit through PortAudio (ALSA) for comparison.
# CPU is the time all the process's threads ran (/proc/PID/task/*/schedstat) over the interval,
# as a share of one core; the X server's share over the same interval is shown beside it, since
# drawing costs there too. Wake-ups are the voluntary context switches of all its threads
# (/proc/PID/task/*/status) per second. Each line of the program says how it stands against the
# goals: CPU at most the bare window's plus 0.4 points, RSS at most 36 MiB, at most 40 wake-ups
# a second. A measurement, not a test: it ends with 0 whatever the figures.
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

cpu_ns() {  # the time the threads alive now have run, in nanoseconds
  cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ n += $1 } END { printf "%.0f\n", n }'
}
wakeups() {  # voluntary context switches summed over the threads alive now
  cat /proc/"$1"/task/*/status 2>/dev/null | awk '$1 == "voluntary_ctxt_switches:" { n += $2 } END { print n + 0 }'
}
threads() { ls /proc/"$1"/task | wc -l; }
status_kb() {  # field of /proc/PID/status, in kB
  awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/status"
}

BARE_CPU=
GOAL_CPU_POINTS=0.4
GOAL_RSS_KB=$((36 * 1024))
GOAL_WAKEUPS=40

# Starts a program in DIR, waits for a window named NAME and 3 s of settling, then measures.
# Sets CPU to the share measured.
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
  local x_pid=${X_PIDS[0]} t0 t1 x0 x1 w0 w1 start end rss0
  rss0=$(status_kb "$TARGET_PID" VmRSS)
  w0=$(wakeups "$TARGET_PID")
  t0=$(cpu_ns "$TARGET_PID")
  x0=$(cpu_ns "$x_pid")
  start=$(date +%s.%N)
  sleep "$SECONDS_MEASURED"
  t1=$(cpu_ns "$TARGET_PID")
  w1=$(wakeups "$TARGET_PID")
  x1=$(cpu_ns "$x_pid")
  end=$(date +%s.%N)
  local rss hwm
  rss=$(status_kb "$TARGET_PID" VmRSS)
  hwm=$(status_kb "$TARGET_PID" VmHWM)
  local line
  line=$(awk -v l="$label" -v t="$((t1 - t0))" -v x="$((x1 - x0))" -v s="$start" -v e="$end" \
    -v rss0="$rss0" -v rss="$rss" -v hwm="$hwm" -v w="$((w1 - w0))" -v n="$(threads "$TARGET_PID")" 'BEGIN {
      d = e - s
      printf "%.3f %-30s CPU %5.2f %% over %.1f s   RSS %6d -> %6d kB (peak %6d kB)   wake-ups %6.1f/s (%d threads)   Xvfb CPU %5.2f %%\n",
        t / 1e7 / d, l, t / 1e7 / d, d, rss0, rss, hwm, w / d, n, x / 1e7 / d }')
  CPU=${line%% *}
  WAKEUPS=$(awk -v w="$((w1 - w0))" -v s="$start" -v e="$end" 'BEGIN { printf "%.1f", w / (e - s) }')
  PEAK_KB=$hwm
  echo "${line#* }"
  kill "$TARGET_PID"
  wait "$TARGET_PID" 2>/dev/null || true
  TARGET_PID=
}

program_session_start "$WORK"
# With noise the trace changes from picture to picture, as it does on the air.
pulse_play_noisy_tone 700

ISOLATE=()
if unshare -n true 2>/dev/null; then
  ISOLATE=(unshare -n)
elif unshare -rn true 2>/dev/null; then
  ISOLATE=(unshare -rn)
fi

# Says how the last program measured stands against the goals.
against_goals() {
  local verdicts=()
  if [ -n "$BARE_CPU" ]; then
    verdicts+=("$(awk -v c="$CPU" -v b="$BARE_CPU" -v g="$GOAL_CPU_POINTS" 'BEGIN {
      printf "CPU %+.2f points over the bare window (%s)", c - b, (c - b <= g ? "within" : "OVER") }')")
  fi
  verdicts+=("RSS $([ "$PEAK_KB" -le "$GOAL_RSS_KB" ] && echo within || echo OVER)")
  verdicts+=("wake-ups $(awk -v w="$WAKEUPS" -v g="$GOAL_WAKEUPS" 'BEGIN { print (w <= g ? "within" : "OVER") }')")
  local joined
  joined=$(printf '%s, ' "${verdicts[@]}")
  echo "    goals: ${joined%, }"
}

if [ -n "$BARE" ]; then
  mkdir -p "$WORK/bare"
  measure "bare Qt window" "$WORK/bare" '^Bare window$' "$BARE"
  BARE_CPU=$CPU
fi
for run in "1 16 auto" "2 16 auto" "2 8 auto" "1 16 portaudio"; do
  read -r channels bits back_end <<<"$run"
  dir=$WORK/run-$channels-$bits-$back_end
  mkdir -p "$dir"
  printf '[General]\nChannels=%d\nBitsPerSample=%d\n' "$channels" "$bits" >"$dir/keblor.ini"
  label="keblor $([ "$channels" = 1 ] && echo mono || echo stereo) $bits-bit"
  args=()
  if [ "$back_end" = portaudio ]; then
    label="$label PortAudio"
    args=(--backend portaudio)
  fi
  measure "$label" "$dir" '^CW Keblor$' "${ISOLATE[@]}" "$PROGRAM" "${args[@]}"
  against_goals
done
