#!/usr/bin/env bash
# The signals window as a blind operator drives it, through AT-SPI and keys only: three CW
# stations of known text (signals_band.py) in a private PulseAudio null sink, the program mono
# with its marker at 500 Hz, the decode line on, and Hamlib's dummy rig behind rigctld at
# 7.030 MHz CW. L opens the list, the stations start calling, and within 11 s of their start the
# list's table holds three rows with the three callsigns; N and P walk the rows and the window's description names the selected one;
# Enter in the list zero-beats the chosen station (the dial moves up by its pitch less 500 Hz);
# the band played again as the receiver now hears it, the spectrum window's decode line reads
# the chosen station's call and text.
# Usage: signals_e2e.sh <path to keblor>
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=program_session.sh
source "$HERE/program_session.sh"
# shellcheck source=rig_session.sh
source "$HERE/rig_session.sh"
# shellcheck source=atspi_session.sh
source "$HERE/atspi_session.sh"
"$READER" -c 'import numpy' 2>/dev/null || { echo "FAIL: python3-numpy is not installed (scripts/install-deps.sh)"; exit 1; }

program_session_open signals-e2e "${1:?usage: signals_e2e.sh <keblor program>}"
trap 'atspi_teardown; rig_teardown; program_session_cleanup' EXIT
atspi_start
rig_session_open
RUN_DIR=$WORK/program
mkdir -p "$RUN_DIR"
printf '%s\r\n' '[General]' 'AlwaysOnTop=0' '[Skimmer]' 'Decode=1' >"$RUN_DIR/keblor.ini"

# The table as read: its rows' calls in table order, the selected rows, what it and its window say.
TABLE="found['Signals']['tables'][0]"
CALLS="[row[${TABLE}['headers'].index('Call')] for row in ${TABLE}['rows']]"
now_ms() { echo $(($(date +%s%N) / 1000000)); }
seen() { "$READER" -c "import json, sys; found = json.loads(sys.argv[1]); print($1)" "$SEEN"; }

echo "== three stations, rigctld with Hamlib's dummy rig on $RIG at 7.030 MHz CW"
declare -A PITCH
while read -r call hz; do PITCH[$call]=$hz; done < <("$READER" "$HERE/signals_band.py" "$WORK")
for call in "${!PITCH[@]}"; do echo "$call at ${PITCH[$call]} Hz"; done
ALL_CALLS=$(printf "'%s', " "${!PITCH[@]}")
rigctld_start
rig_cmd F 7030000 M CW 500 >/dev/null
pulse_play_under "$WORK/noise.wav"
program_open_window "$RUN_DIR" "$WORK/keblor.log" --rig 2 --rig-port "$RIG"

# The stations start calling just after L, at the start of their loop, in the noise the program
# has heard since it started: the time is counted from there, as a station's call takes most of
# those 11 s to send (OK1RR's at 18 WPM ends after 8 s); then its word gap, the list's next
# refresh and a read of the list through AT-SPI, which under AddressSanitizer alone can take
# most of a second.
echo "== L: the list, then the stations start"
READ_SECONDS=60 READ_PAUSE=0.1  # read_until's; the 11 s are checked after
keys l
STARTED_MS=$(now_ms)
pulse_play_file "$WORK/stations.wav"
read_until "the list" "sorted($CALLS) == sorted([$ALL_CALLS]) and len(${TABLE}['rows']) == 3" Signals
[ "$(seen "found['Signals']['role']")" = frame ] || fail "the list's window is no window to AT-SPI"
LISTED_MS=$(($(now_ms) - STARTED_MS))
READ_SECONDS=20 READ_PAUSE=0.5
echo "three rows with their calls read $((LISTED_MS / 1000)).$((LISTED_MS % 1000 / 100)) s after the stations started (L pressed just before)"
echo "headers: $(seen "${TABLE}['headers']")"
seen "'\n'.join(' | '.join(row) for row in ${TABLE}['rows'])"
[ "$(seen "'Call' in ${TABLE}['headers'] and 'Offset' in ${TABLE}['headers']")" = True ] || fail "the table's headers lack Call or Offset"
[ "$LISTED_MS" -le 11000 ] || fail "the three calls took $LISTED_MS ms from the stations' start, more than 11 s"
read -r -a ROWS <<<"$(seen "' '.join($CALLS)")"

echo "== N and P walk the rows"
# step KEY-WINDOW KEY ROW: the key typed into that window selects ROW and the list tells its call.
step() {
  local call=${ROWS[$3]}
  if [ "$1" = main ]; then keys "$2"; else xdotool windowactivate --sync "$1" key "$2"; fi
  read_until "$2: row $3" "${TABLE}['selected'] == [$3] and '$call' in found['Signals']['description'] \
and '$call' in ${TABLE}['description']" Signals
  echo "$2 selected row $3 ($call); the list says: $(seen "found['Signals']['description']")"
}
LIST=$(xdotool search --name '^Signals$' | head -n1)
[ -n "$LIST" ] || fail "no window titled \"Signals\" on the display"
step main n 0
step main n 1
step main n 2
step "$LIST" p 1
step "$LIST" n 2
step "$LIST" p 1

echo "== Enter in the list zero-beats row 1 (${ROWS[1]})"
CHOSEN=${ROWS[1]}
EXPECTED=$((PITCH[$CHOSEN] - 500))
BEFORE=$(dial)
xdotool windowactivate --sync "$LIST" key Return
dial_moved() { [ "$(dial)" != "$BEFORE" ]; }
wait_until 30 dial_moved || fail "Enter on $CHOSEN did not move the dial from $BEFORE"
AFTER=$(dial)
MOVED=$((AFTER - BEFORE))
echo "dial $BEFORE -> $AFTER Hz: moved $MOVED, expected $EXPECTED (row's offset $(seen "${TABLE}['rows'][1][${TABLE}['headers'].index('Offset')]"))"
[ $((MOVED - EXPECTED)) -le 2 ] && [ $((EXPECTED - MOVED)) -le 2 ] || fail "the dial moved $MOVED Hz instead of $EXPECTED"

echo "== the receiver tuned up $MOVED Hz: the decode line reads $CHOSEN"
mkdir "$WORK/tuned"
"$READER" "$HERE/signals_band.py" "$WORK/tuned" "$MOVED" | sed 's/^/now heard: /'
pulse_play_file "$WORK/tuned/stations.wav"
LINE="[d for d in found['Main VFO-A']['descriptions'] if d.startswith('$CHOSEN ')]"
read_until "the decode line" "any('CQ TEST $CHOSEN' in d.partition(': ')[2] for d in $LINE)" "Main VFO-A"
echo "the decode line says: $(seen "${LINE}[0]")"

PASSED=1
echo "signals end-to-end: passed"
