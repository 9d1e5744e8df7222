#!/usr/bin/env bash
# Measures the program's CPU use, resident memory and wake-ups during live capture of a 700 Hz
# tone in white noise from a private PulseAudio null sink, on a private X display with openbox,
# side by side with a bare Qt window that repaints the same areas ten times a second
# (bare_window: one area for mono, two for stereo): both run at once and are measured over the
# same interval, so that whatever else the machine does weighs on both. Runs: mono 16-bit,
# stereo 16-bit and stereo 8-bit through the sound server's own library, mono 16-bit through
# PortAudio (ALSA) for comparison, and stereo 16-bit with Hamlib's dummy rig (model 1) polled
# for both VFOs' dials.
# CPU is the time all of a process's threads ran (/proc/PID/task/*/schedstat) over the
# interval, as a share of one core; the X server's share is shown beside it, since drawing
# costs there too. Wake-ups are the voluntary context switches of all its threads
# (/proc/PID/task/*/status) per second. Each run says how it stands against the goals: CPU at
# most the bare window's plus 0.4 points, RSS at most 36 MiB, at most 40 wake-ups a second.
# Lines KEY=VALUE after the rounds go into each run's [General] section (Waterfall=1 measures the
# program with its waterfall shown).
# KEBLOR_MEASURE_RUNS="2 16 auto;1 16 auto" measures only those runs (channels, bits, back end).
# A measurement, not a test: it ends with 0 whatever the figures.
# Usage: measure_cpu.sh <keblor> [<bare_window>] [seconds, default 20] [rounds, default 1] [KEY=VALUE...]
set -euo pipefail

PROGRAM=$(readlink -f "${1:?usage: measure_cpu.sh <keblor> [<bare_window>] [seconds] [rounds]}")
BARE=${2:-}
[ -n "$BARE" ] && BARE=$(readlink -f "$BARE")
SECONDS_MEASURED=${3:-20}
ROUNDS=${4:-1}
GENERAL_EXTRA=("${@:5}")
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=program_session.sh
source "$HERE/program_session.sh"

WORK=$(mktemp -d /tmp/keblor-measure.XXXXXX)
TARGET_PID=
BARE_PID=
cleanup() {
  local pid
  for pid in "$TARGET_PID" "$BARE_PID"; do
    if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
  done
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

GOAL_CPU_POINTS=0.4
GOAL_RSS_KB=$((36 * 1024))
GOAL_WAKEUPS=40

# Starts a program in DIR and waits for its window NAME; sets STARTED_PID.
start_program() {  # label dir window-name program...
  local label=$1 dir=$2 name=$3
  shift 3
  (cd "$dir" && exec "$@") >"$dir/program.log" 2>&1 &
  STARTED_PID=$!
  local found=
  for _ in $(seq 30); do
    found=$(timeout 1 xdotool search --sync --name "$name" 2>/dev/null | head -n1) || true
    [ -n "$found" ] && break
    kill -0 "$STARTED_PID" 2>/dev/null || { echo "FAIL: $label ended early"; cat "$dir/program.log"; exit 1; }
  done
  [ -n "$found" ] || { echo "FAIL: $label: no window \"$name\""; exit 1; }
}

# One line for a process over an interval: CPU share, RSS, wake-ups, threads.
report() {  # label pid cpu-ns wakeups seconds rss0
  local rss hwm
  rss=$(status_kb "$2" VmRSS)
  hwm=$(status_kb "$2" VmHWM)
  PEAK_KB=$hwm
  awk -v l="$1" -v t="$3" -v w="$4" -v d="$5" -v rss0="$6" -v rss="$rss" -v hwm="$hwm" -v n="$(threads "$2")" 'BEGIN {
    printf "%-30s CPU %5.2f %% over %.1f s   RSS %6d -> %6d kB (peak %6d kB)   wake-ups %6.1f/s (%d threads)\n",
      l, t / 1e7 / d, d, rss0, rss, hwm, w / d, n }'
}

# Measures the program (and the bare window, when there is one) over the same interval, after
# 3 s of settling, and says how the program stands against the goals.
measure() {  # label dir program...
  local label=$1 dir=$2
  shift 2
  start_program "$label" "$dir" '^CW Keblor$' "$@"
  TARGET_PID=$STARTED_PID
  sleep 3
  local x_pid=${X_PIDS[0]} t0 t1 b0=0 b1=0 bw0=0 bw1=0 x0 x1 w0 w1 start end rss0 bare_rss0=0
  rss0=$(status_kb "$TARGET_PID" VmRSS)
  [ -n "$BARE_PID" ] && bare_rss0=$(status_kb "$BARE_PID" VmRSS) && bw0=$(wakeups "$BARE_PID") && b0=$(cpu_ns "$BARE_PID")
  w0=$(wakeups "$TARGET_PID")
  t0=$(cpu_ns "$TARGET_PID")
  x0=$(cpu_ns "$x_pid")
  start=$(date +%s.%N)
  sleep "$SECONDS_MEASURED"
  t1=$(cpu_ns "$TARGET_PID")
  [ -n "$BARE_PID" ] && b1=$(cpu_ns "$BARE_PID") && bw1=$(wakeups "$BARE_PID")
  w1=$(wakeups "$TARGET_PID")
  x1=$(cpu_ns "$x_pid")
  end=$(date +%s.%N)
  local d
  d=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')
  report "$label" "$TARGET_PID" "$((t1 - t0))" "$((w1 - w0))" "$d" "$rss0"
  local peak=$PEAK_KB
  if [ -n "$BARE_PID" ]; then
    report "  bare Qt window beside it" "$BARE_PID" "$((b1 - b0))" "$((bw1 - bw0))" "$d" "$bare_rss0"
  fi
  awk -v x="$((x1 - x0))" -v d="$d" 'BEGIN { printf "  Xvfb CPU %.2f %% (both windows)\n", x / 1e7 / d }'
  local verdicts=()
  if [ -n "$BARE_PID" ]; then
    verdicts+=("$(awk -v t="$((t1 - t0))" -v b="$((b1 - b0))" -v d="$d" -v g="$GOAL_CPU_POINTS" 'BEGIN {
      p = (t - b) / 1e7 / d; printf "CPU %+.2f points over the bare window (%s)", p, (p <= g ? "within" : "OVER") }')")
  fi
  verdicts+=("RSS $([ "$peak" -le "$GOAL_RSS_KB" ] && echo within || echo OVER)")
  verdicts+=("wake-ups $(awk -v w="$((w1 - w0))" -v d="$d" -v g="$GOAL_WAKEUPS" 'BEGIN { print (w / d <= g ? "within" : "OVER") }')")
  local joined
  joined=$(printf '%s, ' "${verdicts[@]}")
  echo "  goals: ${joined%, }"
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

for round in $(seq "$ROUNDS"); do
  [ "$ROUNDS" -gt 1 ] && echo "== round $round"
  IFS=';' read -r -a RUNS <<<"${KEBLOR_MEASURE_RUNS:-1 16 auto;2 16 auto;2 8 auto;1 16 portaudio;2 16 rig}"
  for run in "${RUNS[@]}"; do
    read -r channels bits back_end <<<"$run"
    dir=$WORK/run-$channels-$bits-$back_end
    mkdir -p "$dir"
    # Beside the bare window, which sits at the top left.
    printf '[General]\nChannels=%d\nBitsPerSample=%d\nxPos=450\nyPos=0\n' "$channels" "$bits" >"$dir/keblor.ini"
    if [ ${#GENERAL_EXTRA[@]} -gt 0 ]; then printf '%s\n' "${GENERAL_EXTRA[@]}" >>"$dir/keblor.ini"; fi
    label="keblor $([ "$channels" = 1 ] && echo mono || echo stereo) $bits-bit${GENERAL_EXTRA[*]:+ ${GENERAL_EXTRA[*]}}"
    args=()
    if [ "$back_end" = portaudio ]; then
      label="$label PortAudio"
      args=(--backend portaudio)
    elif [ "$back_end" = rig ]; then
      label="$label, rig polled"
      args=(--rig 1)
    fi
    # The bare window shows as many areas as the program shows windows.
    if [ -n "$BARE" ]; then
      mkdir -p "$dir/bare"
      start_program "bare Qt window" "$dir/bare" '^Bare window$' "$BARE" "$channels"
      BARE_PID=$STARTED_PID
    fi
    measure "$label" "$dir" "${ISOLATE[@]}" "$PROGRAM" "${args[@]}"
    if [ -n "$BARE_PID" ]; then
      kill "$BARE_PID"
      wait "$BARE_PID" 2>/dev/null || true
      BARE_PID=
    fi
  done
done
