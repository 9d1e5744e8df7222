#!/usr/bin/env bash
# keblor.exe under Wine on a private X display, capturing a 700 Hz tone from a private PulseAudio
# null sink (Wine's sound driver records from the server's default source). --list-inputs lists
# the server's inputs. The program starts with no
# settings but an input that is not there (mono, VFO-A on the 1000 Hz range, marker at 500 Hz):
# the program says so in one line on standard error, which reaches both the terminal and the
# debugger (OutputDebugString); the tone shows at column 140 of the trace and the marker at
# column 100; F6 three times moves the marker to 530 Hz (column 106); W shows the waterfall, the
# main window grows by its 64 rows, and the tone draws an unbroken line down column 140 of it
# while column 40 stays dark; a second copy ends with status 0 while the first runs on; the sound
# card dialog switches to stereo by keys and the main window grows; Save replaces keblor.ini with
# Channels=2 (and Waterfall=1), keeping its other line and leaving no file beside it; closing the main window ends the first copy with status 0 and leaves
# keblor.ini as saved.
# The program reaches Hamlib's dummy rig behind rigctld on a free local port (--rig 2 --rig-port):
# with the marker at 530 Hz, T moves the dial (in CW) up by the 170 Hz the tone stands above it,
# and a middle click on column 146 (730 Hz) up by 200 Hz more; rigctld killed, the program says
# so in one line on standard error and runs on; a Shift + left click on 630 Hz moves it 100 Hz and
# the dial is drawn; rigctld back, in stereo, its current VFO stays for a minute and Ctrl+T
# moves VFO B.
# A station keyed by ebook2cw in place of the tone, sending its callsign: D turns decoding on, L
# opens the signals window, and N, pressed in it, selects the station's row, whose spoken text (the
# window's title, as a screen reader hears it) names the call once heard; Enter zero-beats it, moving the dial by the
# 170 Hz it stands above the marker; L closes the window again.
# A spot feed (spot_server.py, --spots and --call) logged in from the start sends nothing until,
# at the end, it is killed and back with a spot at 7030.4 kHz: with VFO-A at 7.030 000 in CW, the
# feed tried again draws its mark, a tick under its call, at column 80 (pitch 400 Hz).
# Wine: the WINEPREFIX given in the environment (with its wineserver already running), else a
# prefix of its own under BUILD_DIR with a persistent wineserver this script starts and stops.
# Usage: smoke_wine.sh <keblor.exe> <build folder>
set -euo pipefail

EXE=$(readlink -f "${1:?usage: smoke_wine.sh <keblor.exe> <build folder>}")
BUILD_DIR=$(readlink -f "${2:?usage: smoke_wine.sh <keblor.exe> <build folder>}")
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../gui_e2e/program_session.sh
source "$HERE/../gui_e2e/program_session.sh"

command -v wine >/dev/null || { echo "FAIL: wine is not installed"; exit 1; }
# Only what the program sends to the debugger (with the exceptions Wine warns of).
export WINEDEBUG=-all,warn+seh
# No Mono or Gecko installer dialogs in a fresh prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
OWN_WINESERVER=0
if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX=$BUILD_DIR/wine-smoke-prefix
  OWN_WINESERVER=1
fi
# The prefix as seen before this script changes HOME for the private sound server.
WINEPREFIX=$(readlink -m "$WINEPREFIX")

# Under /tmp, not the build folder: the sound server's socket path must stay short.
WORK=$(mktemp -d /tmp/keblor-wine-smoke.XXXXXX)
PASSED=0

RIGCTLD_PID=
SPOT_SERVER_PID=
cleanup() {
  if [ -n "$RIGCTLD_PID" ]; then kill -KILL "$RIGCTLD_PID" 2>/dev/null || true; fi
  if [ -n "$SPOT_SERVER_PID" ]; then kill -KILL "$SPOT_SERVER_PID" 2>/dev/null || true; fi
  if [ "$OWN_WINESERVER" = 1 ]; then wineserver -k 2>/dev/null || true; fi
  program_session_cleanup
}
trap cleanup EXIT

# Finds the VFO-A trace area in a screenshot: the first place, top to bottom, where a row of 200
# trace pixels (black or lit) stands between the window background's rows above and below the
# 128 trace rows. Prints "X Y", or nothing.
find_trace() {  # png
  convert "$1" -depth 8 txt:- | awk '
    /^#/ { next }
    {
      split($1, p, /[,:]/); x = p[1] + 0; y = p[2] + 0; c = toupper($3)
      k[x, y] = c == "#000000" || c == "#C2C2C2" ? "T" : c == "#C0C0C0" ? "G" : "O"
      if (x > w) w = x; if (y > h) h = y
    }
    END {
      for (y = 0; y <= h; y++) {
        t = 0; g = 0
        for (x = w; x >= 0; x--) {
          t = k[x, y] == "T" ? t + 1 : 0; g = k[x, y] == "G" ? g + 1 : 0
          runT[x, y] = t; runG[x, y] = g
        }
      }
      for (y = 1; y + 128 <= h; y++)
        for (x = 0; x + 200 <= w + 1; x++)
          if (runT[x, y] == 200 && runG[x, y - 1] >= 200 && runT[x, y + 64] == 200 &&
              runT[x, y + 127] == 200 && runG[x, y + 128] >= 200) { print x, y; exit }
    }'
}

shoot() {
  SHOT=$((SHOT + 1))
  LAST_SHOT=$WORK/shot$SHOT.png
  import -window "$MAIN_WINDOW" "$LAST_SHOT"
}

# Waits up to 20 s until the trace shows the marker at MARKER and the strongest peak within one
# column of PEAK, sought below the rig's text at the trace's top.
wait_for_found_trace() {  # name marker peak
  local name=$1 marker=$2 peak=$3 deadline=$((SECONDS + 20)) stats="" at=""
  while [ "$SECONDS" -lt "$deadline" ]; do
    shoot
    at=$(find_trace "$LAST_SHOT")
    if [ -n "$at" ]; then
      # shellcheck disable=SC2086
      stats=$(trace_stats "$LAST_SHOT" $at 120x16)
      local got_marker got_peak
      got_marker=$(stats_field "$stats" marker)
      got_peak=$(stats_field "$stats" peak)
      if [ "$(stats_field "$stats" other)" -eq 0 ] && [ "$got_marker" -eq "$marker" ] &&
        [ "$got_peak" -ge $((peak - 1)) ] && [ "$got_peak" -le $((peak + 1)) ]; then
        echo "$name: trace at ($at) of the main window, $stats (shot$SHOT.png)"
        return 0
      fi
    fi
    kill -0 "$KEBLOR_PID" 2>/dev/null || fail "the program ended while $name was awaited"
    sleep 0.5
  done
  fail "$name: expected marker=$marker peak=$peak, last saw ${stats:-no trace area} (shot$SHOT.png)"
}

start=$SECONDS
pulse_private_home "$WORK"
pulse_start
# Wine asks the server for its default source.
pactl set-default-source cw.monitor
x_start "$WORK"
mkdir -p "$WINEPREFIX"
if [ "$OWN_WINESERVER" = 1 ]; then wineserver -p; fi
# A fresh prefix is made on the first start: done here, so the program's own start is not timed
# against it.
wineboot -i >"$WORK/wineboot.log" 2>&1 || fail "wineboot failed: $(cat "$WORK/wineboot.log")"
echo "wine ready after $((SECONDS - start)) s ($WINEPREFIX)"

# The inputs as the command line lists them: one line each, an id, a tab and a name.
status=0
wine "$EXE" --list-inputs >"$WORK/inputs.txt" 2>/dev/null || status=$?
[ "$status" -eq 0 ] || fail "--list-inputs ended with status $status"
grep -qP '^[^\t]+\t[^\t]+\r?$' "$WORK/inputs.txt" || fail "--list-inputs printed no input: $(cat -A "$WORK/inputs.txt")"
echo "--list-inputs: $(tr -d '\r' <"$WORK/inputs.txt" | paste -sd '|')"

# Hamlib's dummy rig behind rigctld, on a free port of the machine's loopback.
command -v rigctld >/dev/null || fail "rigctld is not installed (scripts/install-deps.sh)"
RIG_PORT=$((40000 + RANDOM % 20000))
while ss -ltnH "sport = :$RIG_PORT" | grep -q .; do RIG_PORT=$((40000 + RANDOM % 20000)); done
RIG=127.0.0.1:$RIG_PORT
rig_cmd() { timeout 5 rigctl -m 2 -r "$RIG" "$@"; }
(exec rigctld -m 1 -T 127.0.0.1 -t "$RIG_PORT") >"$WORK/rigctld.log" 2>&1 &
RIGCTLD_PID=$!
for _ in $(seq 50); do rig_cmd F 7030000 M CW 500 >/dev/null 2>&1 && break; sleep 0.2; done
[ "$(rig_cmd f 2>/dev/null)" = 7030000 ] || fail "rigctld does not answer on $RIG: $(cat "$WORK/rigctld.log")"

# A spot server on a free port (the same one when it comes back), sending the lines given.
SPOT_PORT=0
spot_server_start() {  # [line...]
  : >"$WORK/spot-server.log"
  (exec python3 -u "$HERE/../gui_e2e/spot_server.py" --port "$SPOT_PORT" "$@") >"$WORK/spot-server.log" 2>&1 &
  SPOT_SERVER_PID=$!
  for _ in $(seq 100); do grep -q '^listening ' "$WORK/spot-server.log" && break; sleep 0.1; done
  SPOT_PORT=$(sed -n 's/^listening //p' "$WORK/spot-server.log")
  [ -n "$SPOT_PORT" ] || fail "the spot server did not start: $(cat "$WORK/spot-server.log")"
}
spot_server_start

RUN_DIR=$WORK/program
mkdir -p "$RUN_DIR"
printf '[General]\r\nInput=No such card\r\n' >"$RUN_DIR/keblor.ini"
cp "$RUN_DIR/keblor.ini" "$WORK/keblor.ini.before"
pulse_play_tone 700
(cd "$RUN_DIR" && exec wine "$EXE" --rig 2 --rig-port "$RIG" --spots "127.0.0.1:$SPOT_PORT" --call N0CALL) \
  >"$WORK/keblor.log" 2>&1 &
KEBLOR_PID=$!
launched=$SECONDS
MAIN_WINDOW=
while [ -z "$MAIN_WINDOW" ]; do
  [ $((SECONDS - launched)) -lt 90 ] || fail "no \"CW Keblor\" window appeared within 90 s"
  kill -0 "$KEBLOR_PID" 2>/dev/null || fail "the program ended before its window appeared"
  MAIN_WINDOW=$(timeout 2 xdotool search --sync --name '^CW Keblor$' 2>/dev/null | head -n1) || true
done
echo "the main window appeared after $((SECONDS - launched)) s"

# The notice: once as the program wrote it, once as the debugger received it.
notice='keblor: the input "No such card" is not there; capturing from the default input'
deadline=$((SECONDS + 10))
until grep -qxF "$notice" "$WORK/keblor.log" &&
  grep -F 'OutputDebugString' "$WORK/keblor.log" | grep -qF 'No such card'; do
  [ "$SECONDS" -lt "$deadline" ] || fail "the notice did not reach both standard error and the debugger"
  sleep 0.2
done
echo "the notice on standard error: $(grep -cxF "$notice" "$WORK/keblor.log"), at the debugger:" \
  "$(grep -F 'OutputDebugString' "$WORK/keblor.log" | grep -cF 'No such card')"

# 1000 Hz over 200 columns, 5 Hz each: the tone at column 140, the 500 Hz marker at 100.
wait_for_found_trace "VFO-A at 700 Hz, marker 500 Hz" 100 140

echo "== F6 three times"
xdotool windowactivate --sync "$MAIN_WINDOW" 2>/dev/null || xdotool windowfocus --sync "$MAIN_WINDOW"
for _ in 1 2 3; do
  xdotool key --clearmodifiers F6
  sleep 0.2
done
wait_for_found_trace "VFO-A marker 530 Hz" 106 140

echo "== T: zero-beat through rigctld"
before=$(rig_cmd f)
xdotool windowactivate --sync "$MAIN_WINDOW" 2>/dev/null || xdotool windowfocus --sync "$MAIN_WINDOW"
xdotool key --clearmodifiers t
after=$before
deadline=$((SECONDS + 5))
while [ "$after" = "$before" ] && [ "$SECONDS" -lt "$deadline" ]; do
  sleep 0.2
  after=$(rig_cmd f)
done
moved=$((after - before))
echo "T: dial $before -> $after Hz (moved $moved, expected 170)"
# The tone's estimate may be a hertz or two off.
[ "$moved" -ge 167 ] && [ "$moved" -le 173 ] || fail "T moved the dial $moved Hz instead of 170"

echo "== a middle click on 730 Hz"
read -r trace_x trace_y <<<"$(find_trace "$LAST_SHOT")"
before=$after
xdotool mousemove --window "$MAIN_WINDOW" $((trace_x + 146)) $((trace_y + 60)) click 2
deadline=$((SECONDS + 5))
while [ "$after" = "$before" ] && [ "$SECONDS" -lt "$deadline" ]; do
  sleep 0.2
  after=$(rig_cmd f)
done
echo "middle click: dial $before -> $after Hz (moved $((after - before)), expected 200)"
[ $((after - before)) -eq 200 ] || fail "the middle click moved the dial $((after - before)) Hz instead of 200"

echo "== a Shift + left click on 630 Hz, and the dial drawn"
before=$after
# Clicked again while the program still waits for the last move's answer (it makes one at a time).
deadline=$((SECONDS + 10))
while [ "$after" = "$before" ] && [ "$SECONDS" -lt "$deadline" ]; do
  xdotool mousemove --window "$MAIN_WINDOW" $((trace_x + 126)) $((trace_y + 60)) keydown shift click 1 keyup shift
  for _ in 1 2 3 4 5; do
    sleep 0.2
    after=$(rig_cmd f)
    [ "$after" = "$before" ] || break
  done
done
echo "Shift + left click: dial $before -> $after Hz (moved $((after - before)), expected 100)"
[ $((after - before)) -eq 100 ] || fail "the Shift + left click moved the dial $((after - before)) Hz instead of 100"
A_X=$trace_x
A_Y=$trace_y
deadline=$((SECONDS + 10))
until shoot && [ "$(rig_text_extent "$LAST_SHOT")" -gt 60 ]; do
  [ "$SECONDS" -lt "$deadline" ] || fail "no dial drawn over the trace (shot$SHOT.png)"
done
echo "the dial drawn over the trace, $(($(rig_text_extent "$LAST_SHOT") + 1)) columns wide (shot$SHOT.png)"

echo "== rigctld killed"
kill -KILL "$RIGCTLD_PID"
wait "$RIGCTLD_PID" 2>/dev/null || true
RIGCTLD_PID=
lost="keblor: rig rigctld on $RIG: "
deadline=$((SECONDS + 5))
until grep -F "$lost" "$WORK/keblor.log" | grep -qF 'trying again every 5 s'; do
  [ "$SECONDS" -lt "$deadline" ] || fail "no line on standard error within 5 s of rigctld's end: $(cat "$WORK/keblor.log")"
  sleep 0.2
done
echo "said: $(grep -F "$lost" "$WORK/keblor.log" | head -n1 | tr -d '\r')"
kill -0 "$KEBLOR_PID" 2>/dev/null || fail "the program ended with rigctld"

echo "== W: the waterfall"
height_before=$(identify -format '%h' "$LAST_SHOT")
xdotool windowactivate --sync "$MAIN_WINDOW" 2>/dev/null || xdotool windowfocus --sync "$MAIN_WINDOW"
xdotool key --clearmodifiers w
lit=$(printf '#%.0s' $(seq 64))
dark=$(printf '.%.0s' $(seq 64))
deadline=$((SECONDS + 30))
while true; do
  [ "$SECONDS" -lt "$deadline" ] || fail "no waterfall with the tone's line in column 140 within 30 s (shot$SHOT.png)"
  sleep 1
  shoot
  [ "$(identify -format '%h' "$LAST_SHOT")" -eq $((height_before + 64)) ] || continue
  at=$(find_trace "$LAST_SHOT")
  [ -n "$at" ] || continue
  read -r trace_x trace_y <<<"$at"
  # The waterfall's rows start 144 rows below the trace area's first.
  tone=$(waterfall_column "$LAST_SHOT" $((trace_x + 140)) $((trace_y + 144)))
  quiet=$(waterfall_column "$LAST_SHOT" $((trace_x + 40)) $((trace_y + 144)))
  [ "$tone" = "$lit" ] && [ "$quiet" = "$dark" ] && break
done
echo "the waterfall: the main window $((height_before + 64)) high inside," \
  "column 140 lit and column 40 dark in all 64 rows (shot$SHOT.png)"

echo "== a second copy"
second=$SECONDS
status=0
(cd "$RUN_DIR" && exec timeout -k 5 60 wine "$EXE") >"$WORK/keblor-second.log" 2>&1 || status=$?
echo "the second copy ended with status $status after $((SECONDS - second)) s"
[ "$status" -eq 0 ] || fail "the second copy ended with status $status (124: still running after 60 s)"
kill -0 "$KEBLOR_PID" 2>/dev/null || fail "the first copy ended when the second started"
windows=$(main_windows_count)
[ "$windows" -eq 1 ] || fail "$windows \"CW Keblor\" windows after the second copy, not 1"
wait_for_found_trace "first copy still drawing" 106 140

echo "== the sound card dialog: stereo, then Save"
xdotool windowactivate --sync "$MAIN_WINDOW" 2>/dev/null || xdotool windowfocus --sync "$MAIN_WINDOW"
xdotool key --clearmodifiers alt+s
sleep 0.3
xdotool key c
DIALOG=$(timeout 10 xdotool search --sync --name '^Sound card settings$' 2>/dev/null | head -n1) || true
[ -n "$DIALOG" ] || fail "the Sound card settings dialog did not open"
xdotool windowactivate --sync "$DIALOG" 2>/dev/null || xdotool windowfocus --sync "$DIALOG"
# The focus starts on OK; Tab goes to Cancel, then to the checked channel; Down picks 2, and
# Enter presses the default button, OK.
for key in Tab Tab Down Return; do
  xdotool key "$key"
  sleep 0.3
done
deadline=$((SECONDS + 10))
while xdotool search --name '^Sound card settings$' >/dev/null 2>&1; do
  [ "$SECONDS" -lt "$deadline" ] || fail "the dialog did not close on Enter"
  sleep 0.2
done
width=0
deadline=$((SECONDS + 10))
while [ "$width" -lt 411 ]; do
  [ "$SECONDS" -lt "$deadline" ] || fail "the main window is $width pixels wide inside in stereo, not 411 or more"
  shoot
  width=$(identify -format '%w' "$LAST_SHOT")
done
echo "stereo: the main window is $width pixels wide inside (shot$SHOT.png)"
wait_for_found_trace "VFO-A in stereo" 106 140
xdotool windowactivate --sync "$MAIN_WINDOW" 2>/dev/null || xdotool windowfocus --sync "$MAIN_WINDOW"
xdotool key --clearmodifiers alt+s
sleep 0.3
xdotool key s
# Save writes key by key; it is done when the last keys, VFO-B's Range and the waterfall's, are there.
deadline=$((SECONDS + 10))
until [ "$(grep -c '^Range=' "$RUN_DIR/keblor.ini" 2>/dev/null)" = 2 ] &&
  grep -q '^Waterfall=1' "$RUN_DIR/keblor.ini"; do
  [ "$SECONDS" -lt "$deadline" ] || fail "Save did not finish: $(cat -A "$RUN_DIR/keblor.ini")"
  sleep 0.2
done
grep -q '^Channels=2' "$RUN_DIR/keblor.ini" || fail "Save did not write Channels=2: $(cat -A "$RUN_DIR/keblor.ini")"
# Saved through the replace of the old file, which keeps the line the program did not change.
grep -q '^Input=No such card' "$RUN_DIR/keblor.ini" || fail "Save lost the Input line: $(cat -A "$RUN_DIR/keblor.ini")"
if ls "$RUN_DIR" | grep -qv '^keblor.ini$'; then fail "Save left a file beside keblor.ini: $(ls "$RUN_DIR")"; fi
cp "$RUN_DIR/keblor.ini" "$WORK/keblor.ini.saved"
echo "saved: $(tr -d '\r' <"$RUN_DIR/keblor.ini" | grep -c =) keys, Channels=2 and the Input line kept"

echo "== rigctld back, in stereo: its current VFO stays; Ctrl+T moves VFO B"
(exec rigctld -m 1 -T 127.0.0.1 -t "$RIG_PORT") >>"$WORK/rigctld.log" 2>&1 &
RIGCTLD_PID=$!
vfo_b_dial() { python3 "$HERE/../gui_e2e/rigctld_named.py" "$RIG_PORT" "$@"; }
# Presses KEY in WINDOW and waits up to 10 s for VFO's dial to move; BEFORE and AFTER hold it.
press_and_wait_for_dial() {  # window key vfo
  before=$(vfo_b_dial f "$3")
  xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"
  xdotool key --clearmodifiers "$2"
  after=$before
  local deadline=$((SECONDS + 10))
  while [ "$after" = "$before" ] && [ "$SECONDS" -lt "$deadline" ]; do
    sleep 0.2
    after=$(vfo_b_dial f "$3")
  done
}
for _ in $(seq 50); do vfo_b_dial F VFOB 7040000 >/dev/null 2>&1 && break; sleep 0.2; done
vfo_b_dial M VFOB CW 500 >/dev/null
first_vfo=$(rig_cmd v)
changes=0
for _ in $(seq 60); do
  sleep 1  # one reading a second, as the program reads its dials
  [ "$(rig_cmd v)" = "$first_vfo" ] || changes=$((changes + 1))
done
echo "rigctld's current VFO read 60 times over a minute: $first_vfo, changed in $changes readings"
[ "$changes" -eq 0 ] || fail "keblor.exe switched the rig's current VFO"
press_and_wait_for_dial "$MAIN_WINDOW" ctrl+t VFOB
echo "Ctrl+T: VFO B $before -> $after Hz (moved $((after - before)), expected 200)"
[ $((after - before)) -ge 197 ] && [ $((after - before)) -le 203 ] || fail "Ctrl+T moved VFO B $((after - before)) Hz"
[ "$(rig_cmd v)" = "$first_vfo" ] || fail "Ctrl+T switched the rig's current VFO"

echo "== a station sending its call: D, L, and N in the signals window"
CALL=DL1ABC
printf 'CQ CQ DE %s %s K\n' "$CALL" "$CALL" >"$WORK/station.txt"
ebook2cw -O -c "" -s 48000 -w 24 -f 700 -o "$WORK/station" "$WORK/station.txt" >"$WORK/ebook2cw.log" 2>&1 ||
  fail "ebook2cw failed: $(cat "$WORK/ebook2cw.log")"
# VFO A in CW again (rigctld came back in FM), for Enter's zero-beat below.
vfo_b_dial F VFOA 7030000 >/dev/null
vfo_b_dial M VFOA CW 500 >/dev/null
pulse_stop_tone
# Through a CW filter, as a receiver gives it: no faint traces of the compression around it, which
# the list would show as signals of their own. A second's pause between the calls.
sox -q "$WORK/station.ogg" -t raw -r 48000 -e signed -b 16 -c 1 - sinc 300-1200 pad 0 1 repeat 60 2>/dev/null |
  pacat --raw --rate=48000 --channels=1 --format=s16le --latency-msec=50 &
PULSE_TONE_PID=$!
PULSE_PIDS+=("$PULSE_TONE_PID")
xdotool windowactivate --sync "$MAIN_WINDOW" 2>/dev/null || xdotool windowfocus --sync "$MAIN_WINDOW"
xdotool key --clearmodifiers d
sleep 0.3
xdotool key --clearmodifiers l
SIGNALS=$(timeout 10 xdotool search --sync --name '^Signals' 2>/dev/null | head -n1) || true
[ -n "$SIGNALS" ] || fail "L opened no signals window"
echo "L opened the signals window"
title=
deadline=$((SECONDS + 60))
until grep -qF "VFO-A plus 170 hertz, $CALL" <<<"$title"; do
  if [ "$SECONDS" -ge "$deadline" ]; then
    import -window "$SIGNALS" "$WORK/signals.png" 2>/dev/null || true
    fail "no VFO-A row of the signals window named $CALL within 60 s (signals.png); its titles: $(sort -u "$WORK/titles.txt" 2>/dev/null)"
  fi
  # Once the station's row is selected, its call is told when first heard.
  if ! grep -qF "VFO-A plus 170 hertz" <<<"$title"; then
    xdotool windowactivate --sync "$SIGNALS" 2>/dev/null || xdotool windowfocus --sync "$SIGNALS"
    xdotool key --clearmodifiers n
  fi
  sleep 1.5  # the program tells at most once a second
  title=$(xdotool getwindowname "$SIGNALS" 2>/dev/null) || fail "the signals window went"
  echo "$title" >>"$WORK/titles.txt"
done
echo "N in the signals window: \"$title\""
echo "== Enter in the signals window: zero-beat the row"
press_and_wait_for_dial "$SIGNALS" Return VFOA
echo "Enter: dial $before -> $after Hz (moved $((after - before)), expected 170)"
[ $((after - before)) -ge 167 ] && [ $((after - before)) -le 173 ] || fail "Enter moved the dial $((after - before)) Hz"
xdotool windowactivate --sync "$SIGNALS" 2>/dev/null || xdotool windowfocus --sync "$SIGNALS"
xdotool key --clearmodifiers l
deadline=$((SECONDS + 10))
while xdotool search --name '^Signals' >/dev/null 2>&1; do
  [ "$SECONDS" -lt "$deadline" ] || fail "L in the signals window did not close it"
  sleep 0.2
done
echo "L in the signals window closed it"

echo "== a spot at 7030.4 kHz, VFO-A at 7.030 000 in CW"
grep -qx 'login N0CALL' "$WORK/spot-server.log" || fail "the spot feed did not log in: $(cat "$WORK/spot-server.log")"
vfo_b_dial F VFOA 7030000 >/dev/null
kill -KILL "$SPOT_SERVER_PID"
wait "$SPOT_SERVER_PID" 2>/dev/null || true
spot_server_start "DX de KM3T-#:     7030.4  K1ABC        CW    23 dB  25 WPM  CQ      1234Z"
deadline=$((SECONDS + 40))
MARKS=
until grep -q " 80:[0-9]" <<<" $MARKS"; do
  [ "$SECONDS" -lt "$deadline" ] || fail "no spot mark at column 80 within 40 s, marks: ${MARKS:-none} (shot$SHOT.png)"
  sleep 0.5
  shoot
  at=$(find_trace "$LAST_SHOT")
  [ -n "$at" ] || continue
  read -r A_X A_Y <<<"$at"
  MARKS=$(spot_marks "$LAST_SHOT")
done
echo "the spot's mark (column:call's columns): $MARKS(shot$SHOT.png)"

echo "== closing the main window (Alt+F4)"
xdotool windowactivate --sync "$MAIN_WINDOW" 2>/dev/null || true
xdotool key --clearmodifiers alt+F4
program_wait_exit 30
echo "the program ended with status $KEBLOR_STATUS"
[ "$KEBLOR_STATUS" -eq 0 ] || fail "the program ended with status $KEBLOR_STATUS"
cmp -s "$RUN_DIR/keblor.ini" "$WORK/keblor.ini.saved" || fail "closing changed keblor.ini"

PASSED=1
echo "wine smoke test: passed in $((SECONDS - start)) s"
