# A private PulseAudio daemon with a null sink, for the scripts that capture real audio.
# Source it, then:
#   pulse_private_home DIR   HOME and XDG_RUNTIME_DIR under DIR (a short folder: the server's
#                            socket goes there), ALSA's default led to pulse,
#                            PULSE_SINK/PULSE_SOURCE set to the sink "cw" and its monitor
#   pulse_start              starts the daemon, keeps the sink ticking and waits until its
#                            monitor delivers; exits the script with a FAIL line if it cannot
#   pulse_play_tone HZ [SINK]
#                            plays a sine into the sink "cw", or SINK (replacing the one playing)
#   pulse_play_noisy_tone HZ the same sine in white noise (10 dB below it over the whole band,
#                            some 37 dB below it in a 10 Hz bin), as a receiver gives
#                            it: the trace changes from block to block
#   pulse_play_keyed_tone HZ ON OFF [NOISE]
#                            the sine keyed ON seconds on and OFF seconds off, as Morse is sent;
#                            with NOISE (sox's volume, say 0.15) in white noise that never stops
#   pulse_play_file FILE     a sound file (any format sox reads) into the sink "cw", over and over
#                            (replacing the one playing)
#   pulse_play_under FILE    the same, under whatever else plays or will play (a band's noise),
#                            until pulse_teardown
#   pulse_stop_tone          stops what plays
#   pulse_teardown           stops everything started here (call it from the caller's trap)
# Needs pulseaudio, pacat, parec, pactl and sox.

PULSE_PIDS=()
PULSE_TONE_PID=
PULSE_LOG=

pulse_private_home() {
  local dir=$1
  export HOME=$dir/home XDG_RUNTIME_DIR=$dir/run
  # The server's socket is $XDG_RUNTIME_DIR/pulse/native, and a Unix socket's path holds at most
  # 107 bytes: a DIR deep in a clone would keep the server from starting with no word why.
  local socket=$XDG_RUNTIME_DIR/pulse/native
  if [ "${#socket}" -gt 107 ]; then
    echo "FAIL: the sound server's socket $socket is longer than 107 bytes; give pulse_private_home a short folder (/tmp/...)"
    exit 1
  fi
  mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  # ALSA's default device must lead to this daemon.
  printf 'pcm.!default pulse\nctl.!default pulse\n' >"$HOME/.asoundrc"
  export PULSE_SINK=cw PULSE_SOURCE=cw.monitor
  unset PULSE_SERVER
  PULSE_LOG=$dir/pulse.log
}

pulse_start() {
  local tool
  for tool in pulseaudio pacat parec pactl sox; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/install-deps.sh)"; exit 1; }
  done
  # As root the daemon refuses to run per user unless told it may; --system=false keeps it private.
  pulseaudio -n --daemonize=yes --exit-idle-time=-1 --system=false --disallow-exit=false \
    --log-target=file:"$PULSE_LOG" \
    --load="module-native-protocol-unix auth-anonymous=1" \
    --load="module-null-sink sink_name=cw rate=48000 channels=1" \
    || { echo "FAIL: the PulseAudio daemon did not start:"; cat "$PULSE_LOG" 2>/dev/null; exit 1; }
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  pactl info >/dev/null 2>&1 || { echo "FAIL: the PulseAudio daemon does not answer"; cat "$PULSE_LOG"; exit 1; }
  # Keep the sink ticking, and wait for its first cycle to deliver before anyone captures
  # (a capture opened during that first cycle stays late).
  pacat --latency-msec=20 </dev/zero &
  PULSE_PIDS+=($!)
  local got=0
  for _ in $(seq 100); do
    got=$(timeout 1 parec --latency-msec=20 --format=s16le --channels=1 --rate=10240 2>/dev/null | wc -c || true)
    [ "$got" -gt 0 ] && break
  done
  [ "$got" -gt 0 ] || { echo "FAIL: the null sink's monitor delivers nothing"; exit 1; }
}

pulse_play_tone() {  # frequency in Hz, sink
  pulse_stop_tone
  sox -q -n -t raw -r 48000 -e signed -b 16 -c 1 - synth 600 sine "$1" vol 0.5 2>/dev/null |
    pacat --raw --rate=48000 --channels=1 --format=s16le --latency-msec=50 --device="${2:-$PULSE_SINK}" &
  PULSE_TONE_PID=$!
  PULSE_PIDS+=("$PULSE_TONE_PID")
  sleep 1
}

pulse_play_noisy_tone() {  # frequency in Hz
  pulse_stop_tone
  sox -q -m -v 1 "|sox -n -p synth 600 sine $1 vol 0.5" -v 1 "|sox -n -p synth 600 whitenoise vol 0.15" \
    -t raw -r 48000 -e signed -b 16 -c 1 - 2>/dev/null |
    pacat --raw --rate=48000 --channels=1 --format=s16le --latency-msec=50 &
  PULSE_TONE_PID=$!
  PULSE_PIDS+=("$PULSE_TONE_PID")
  sleep 1
}

pulse_play_keyed_tone() {  # frequency in Hz, seconds on, seconds off, noise volume
  pulse_stop_tone
  local repeats keyed
  repeats=$(awk -v on="$2" -v off="$3" 'BEGIN { print int(600 / (on + off)) }')
  keyed="|sox -n -p synth $2 sine $1 vol 0.5 pad 0 $3 repeat $repeats"
  if [ -n "${4:-}" ]; then
    sox -q -m -v 1 "$keyed" -v 1 "|sox -n -p synth 600 whitenoise vol $4" \
      -t raw -r 48000 -e signed -b 16 -c 1 - 2>/dev/null |
      pacat --raw --rate=48000 --channels=1 --format=s16le --latency-msec=50 &
  else
    sox -q "$keyed" -t raw -r 48000 -e signed -b 16 -c 1 - 2>/dev/null |
      pacat --raw --rate=48000 --channels=1 --format=s16le --latency-msec=50 &
  fi
  PULSE_TONE_PID=$!
  PULSE_PIDS+=("$PULSE_TONE_PID")
  sleep 1
}

pulse_play_file() {  # file
  pulse_stop_tone
  pulse_play_under "$1"
  PULSE_TONE_PID=${PULSE_PIDS[-1]}
}

# A file is played from a buffer of two seconds in the server: on a busy machine a player that
# waits for the CPU longer than its buffer lasts leaves a gap in the sound, and gaps in a keyed
# tone read as other characters. Nothing waits on a file's timing to the millisecond.
pulse_play_under() {  # file
  sox -q "$1" -t raw -r 48000 -e signed -b 16 -c 1 - repeat 1000 2>/dev/null |
    pacat --raw --rate=48000 --channels=1 --format=s16le --latency-msec=2000 &
  PULSE_PIDS+=($!)
}

pulse_stop_tone() {
  if [ -n "$PULSE_TONE_PID" ]; then
    pkill -P "$PULSE_TONE_PID" 2>/dev/null || true
    kill "$PULSE_TONE_PID" 2>/dev/null || true
    wait "$PULSE_TONE_PID" 2>/dev/null || true
    PULSE_TONE_PID=
  fi
}

pulse_teardown() {
  pulse_stop_tone
  local pid
  for pid in "${PULSE_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  PULSE_PIDS=()
  pulseaudio --kill 2>/dev/null || true
}
