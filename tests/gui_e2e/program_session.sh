# shellcheck shell=bash disable=SC2034  # the variables are for the scripts that source this
# Running the real program on the private display of x_session.sh and reading its traces.
# Sourcing it also sources pulse_null_sink.sh and x_session.sh. Then:
#   program_session_open NAME PROGRAM
#                                a test's opening: sets PROGRAM (absolute) and WORK (a new folder
#                                /tmp/keblor-NAME.*), PASSED=0, the EXIT trap, and starts the
#                                session in WORK
#   program_session_start DIR    the private sound server and X display, with their files in DIR
#   program_session_cleanup      for the EXIT trap: stops the program, X and the sound server;
#                                removes $WORK when the test set PASSED=1, else keeps its shots
#                                and prints the programs' logs ($WORK/keblor*.log)
#   fail MESSAGE...              prints a FAIL line and exits (the caller's trap tears down)
#   program_start DIR LOG [ARG...]
#                                starts the program in DIR with the arguments, in a network
#                                namespace of its own when one can be made; sets KEBLOR_PID
#   program_run_beside DIR LOG   runs another copy in DIR in the same namespace as KEBLOR_PID's,
#                                waits at most 20 s for it to end; sets BESIDE_STATUS (124 when
#                                it did not end and was killed)
#   program_wait_window          waits up to 30 s for the "CW Keblor" window; sets MAIN_WINDOW
#   program_open_window DIR LOG [ARG...]
#                                program_start, program_wait_window and main_geometry; sets A_X
#                                and A_Y, the place of VFO-A's trace area in the main window
#   keys KEY...                  types the keys into the main window one at a time, as a user
#                                does (a menu's Alt+letter first, then its items)
#   program_wait_exit SECONDS    waits for KEBLOR_PID to end; sets KEBLOR_STATUS, clears KEBLOR_PID
#   main_geometry                a screenshot of MAIN_WINDOW; sets WIN_W, WIN_H and the client
#                                area's place in it, CLIENT_X and CLIENT_Y
#   main_windows_count           prints how many "CW Keblor" windows the display holds
#   stats_field STATS NAME       one number of a trace_stats line
#   shoot_trace X Y              a screenshot of the main window; sets LAST_SHOT and LAST_STATS
#                                (trace_stats of the trace area at (X, Y))
#   wait_for_trace NAME X Y MARKER PEAK TOP
#                                waits up to 15 s until the trace area shows the marker at MARKER,
#                                the strongest peak within one column of PEAK and two rows of TOP
#   rig_text_extent PNG [COLUMNS]
#                                the rightmost lit column of the text at the top left of the
#                                trace area at (A_X, A_Y) (the rig's dial); -1 for none
#   spot_marks PNG               the spot marks in the trace area at (A_X, A_Y): one
#                                "COLUMN:LEFT-RIGHT" a mark, LEFT-RIGHT its call's columns
#   keys_answer LABEL KEY...     presses F6 or F5 (the marker up or down 10 Hz at 1000 Hz) and
#                                prints how long until a screenshot showed the marker moved;
#                                fails past 1000 ms; keeps the slowest in SLOWEST_MS
#   waterfall_column PNG X Y     one letter per row of the 64 waterfall rows of column X from row
#                                Y of a screenshot, top to bottom: "#" lit (bright), "." dark,
#                                "m" the marker's grey, "-" anything between
# Screenshots go to $WORK/shotN.png.

# The main window's client area and its spectrum windows, from the layout tables: the client is
# the outer size less 6 x 44; a spectrum window's trace area starts 3 + 0 and 21 + 16 pixels
# into it; VFO-A sits at (0, 2), VFO-B beside it at (205, 2).
CLIENT_W_MONO=208
CLIENT_W_STEREO=411
CLIENT_H=187
TRACE_DX=3
TRACE_DY=$((2 + 21 + 16))
VFO_B_LEFT=205

SESSION_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../e2e/pulse_null_sink.sh
source "$SESSION_HERE/../e2e/pulse_null_sink.sh"
# shellcheck source=x_session.sh
source "$SESSION_HERE/x_session.sh"

KEBLOR_PID=
MAIN_WINDOW=
SHOT=0
LAST_SHOT=
LAST_STATS=

fail() {
  echo "FAIL: $*"
  exit 1
}

# Copies of the program in other tests (or a user's own) must not be found as a running copy:
# the single-instance server lives in the network namespace's abstract socket space.
PROGRAM_ISOLATE=()
PROGRAM_JOIN=()
if unshare -n true 2>/dev/null; then
  PROGRAM_ISOLATE=(unshare -n)
  PROGRAM_JOIN=(--net)
elif unshare -rn true 2>/dev/null; then
  PROGRAM_ISOLATE=(unshare -rn)
  PROGRAM_JOIN=(--user --net --preserve-credentials)
fi

program_session_open() {  # name program
  PROGRAM=$(readlink -f "$2")
  WORK=$(mktemp -d "/tmp/keblor-$1.XXXXXX")
  PASSED=0
  trap program_session_cleanup EXIT
  program_session_start "$WORK"
}

program_session_start() {  # dir
  pulse_private_home "$1"
  export QT_QPA_PLATFORM=xcb  # a CI environment may carry offscreen
  unset WAYLAND_DISPLAY SESSION_MANAGER
  pulse_start
  x_start "$1"
}

program_session_cleanup() {
  if [ -n "$KEBLOR_PID" ]; then kill "$KEBLOR_PID" 2>/dev/null || true; fi
  x_teardown
  pulse_teardown
  wait 2>/dev/null || true
  if [ "${PASSED:-0}" = 1 ]; then
    rm -rf "$WORK"
    return 0
  fi
  echo "screenshots and logs kept in $WORK"
  local log
  for log in "$WORK"/keblor*.log; do
    if [ -s "$log" ]; then sed "s/^/$(basename "$log" .log): /" "$log"; fi
  done
}

program_start() {  # dir log [arg...]
  local dir=$1 log=$2
  shift 2
  (cd "$dir" && exec "${PROGRAM_ISOLATE[@]}" "$PROGRAM" "$@") >"$log" 2>&1 &
  KEBLOR_PID=$!
}

program_run_beside() {  # dir log
  local join=()
  if [ ${#PROGRAM_JOIN[@]} -gt 0 ]; then
    command -v nsenter >/dev/null || fail "nsenter is not installed (util-linux)"
    join=(nsenter --target "$KEBLOR_PID" "${PROGRAM_JOIN[@]}" --)
  fi
  BESIDE_STATUS=0
  (cd "$1" && exec timeout -k 5 20 "${join[@]}" "$PROGRAM") >"$2" 2>&1 || BESIDE_STATUS=$?
}

program_wait_window() {
  MAIN_WINDOW=
  for _ in $(seq 30); do
    MAIN_WINDOW=$(timeout 1 xdotool search --sync --name '^CW Keblor$' 2>/dev/null | head -n1) || true
    [ -n "$MAIN_WINDOW" ] && return 0
    kill -0 "$KEBLOR_PID" 2>/dev/null || fail "the program ended before its window appeared"
  done
  fail "no \"CW Keblor\" window appeared within 30 s"
}

program_open_window() {  # dir log [arg...]
  program_start "$@"
  program_wait_window
  main_geometry
  A_X=$((CLIENT_X + TRACE_DX))
  A_Y=$((CLIENT_Y + TRACE_DY))
}

# Only the first key releases the modifiers xdotool finds held; after an Alt+letter the menu
# needs a moment to open.
keys() {  # key...
  xdotool windowactivate --sync "$MAIN_WINDOW"
  xdotool key --clearmodifiers "$1"
  shift
  local key
  for key in "$@"; do
    sleep 0.7
    xdotool key "$key"
  done
  sleep 0.3
}

program_wait_exit() {  # seconds
  local deadline=$((SECONDS + $1))
  while kill -0 "$KEBLOR_PID" 2>/dev/null; do
    [ "$SECONDS" -lt "$deadline" ] || fail "the program is still running after $1 s"
    sleep 0.1
  done
  KEBLOR_STATUS=0
  wait "$KEBLOR_PID" || KEBLOR_STATUS=$?
  KEBLOR_PID=
}

# The main window's inside holds the menu bar and the client area below it; screenshots of it
# are taken in its own coordinates.
main_geometry() {
  x_window_shot "$MAIN_WINDOW" "$WORK/geometry.png"
  CLIENT_X=0
  CLIENT_Y=$((WIN_H - CLIENT_H))
}

main_windows_count() {
  { xdotool search --name '^CW Keblor$' 2>/dev/null || true; } | wc -l
}

stats_field() {  # stats name
  sed -E "s/.*$2=(-?[0-9]+).*/\\1/" <<<"$1"
}

shoot_trace() {  # x y
  SHOT=$((SHOT + 1))
  LAST_SHOT=$WORK/shot$SHOT.png
  x_window_shot "$MAIN_WINDOW" "$LAST_SHOT"
  LAST_STATS=$(trace_stats "$LAST_SHOT" "$1" "$2")
}

wait_for_trace() {  # name x y marker peak top
  local name=$1 x=$2 y=$3 marker=$4 peak=$5 top=$6 deadline=$((SECONDS + 15))
  local lit other got_marker got_peak got_top
  while [ "$SECONDS" -lt "$deadline" ]; do
    shoot_trace "$x" "$y"
    lit=$(stats_field "$LAST_STATS" lit)
    other=$(stats_field "$LAST_STATS" other)
    got_marker=$(stats_field "$LAST_STATS" marker)
    got_peak=$(stats_field "$LAST_STATS" peak)
    got_top=$(stats_field "$LAST_STATS" top)
    if [ "$lit" -gt 0 ] && [ "$other" -eq 0 ] && [ "$got_marker" -eq "$marker" ] &&
      [ "$got_peak" -ge $((peak - 1)) ] && [ "$got_peak" -le $((peak + 1)) ] &&
      [ "$got_top" -ge $((top - 2)) ] && [ "$got_top" -le $((top + 2)) ]; then
      echo "$name: $LAST_STATS (shot$SHOT.png)"
      return 0
    fi
    kill -0 "$KEBLOR_PID" 2>/dev/null || fail "the program ended while $name was awaited"
    sleep 0.5
  done
  fail "$name: expected marker=$marker peak=$peak top=$top, last saw $LAST_STATS (shot$SHOT.png)"
}

waterfall_column() {  # shot x y
  convert "$1" -crop "1x64+$2+$3" +repage -depth 8 txt:- | awk '
    /^#/ { next }
    {
      split($2, v, /[(),]/); luma = 0.299 * v[2] + 0.587 * v[3] + 0.114 * v[4]
      if (toupper($3) == "#C2C2C2") letter = "m"
      else if (luma >= 100) letter = "#"
      else if (luma < 40) letter = "."
      else letter = "-"
      printf "%s", letter
    }
    END { print "" }'
}

# Presses F6 (marker up 10 Hz, two columns at 1000 Hz) or F5 (down) and sets KEY_MS to the
# milliseconds that passed until a screenshot showed the marker in its new column: the column
# lit from top to bottom. The last screenshot's own time is part of it.
MARKER=500
KEY_MS=0
marker_at() {  # shot column: true when the column is lit from top to bottom
  [ "$(convert "$1" -crop "1x128+$((A_X + $2))+$A_Y" +repage -format '%[fx:minima.intensity > 0.7]' info:)" = 1 ]
}
key_answer() {  # key
  local want start now shot=$WORK/answer.png
  if [ "$1" = F6 ]; then MARKER=$((MARKER + 10)); else MARKER=$((MARKER - 10)); fi
  want=$((MARKER / 5))
  xdotool windowactivate --sync "$MAIN_WINDOW"
  start=$(date +%s%N)
  xdotool key "$1"
  while true; do
    import -window "$MAIN_WINDOW" "$shot"
    now=$(date +%s%N)
    marker_at "$shot" "$want" && break
    [ $(((now - start) / 1000000)) -lt 5000 ] || fail "$1: the marker is not at column $want after 5 s"
  done
  KEY_MS=$(((now - start) / 1000000))
}
SLOWEST_MS=0
keys_answer() {  # label key...
  local label=$1 key
  shift
  for key in "$@"; do
    key_answer "$key"
    echo "$label: $key answered in $KEY_MS ms"
    if [ "$KEY_MS" -gt "$SLOWEST_MS" ]; then SLOWEST_MS=$KEY_MS; fi
    [ "$KEY_MS" -le 1000 ] || fail "$label: $key took $KEY_MS ms"
    sleep 0.5
  done
}

# The rightmost lit column of the text at the trace area's top left (columns 0..95, rows 1..12,
# left of the marker, or as many columns as asked); -1 when nothing is written there.
rig_text_extent() {  # shot [columns]
  convert "$1" -crop "${2:-96}x12+$A_X+$((A_Y + 1))" +repage -depth 8 txt:- | awk '
    BEGIN { m = -1 } /^#/ { next }
    { split($1, p, /[,:]/); if (toupper($3) == "#C2C2C2" && p[1] + 0 > m) m = p[1] + 0 }
    END { print m }'
}

# The marks in the trace area at (A_X, A_Y) of a screenshot: one "COLUMN:LEFT-RIGHT" a mark,
# where a tick is a lit column exactly 3 rows tall and 1 wide with dark all round, and LEFT-RIGHT
# the lit columns of its call in the 9 rows above the tick, as far as they run with gaps of at
# most 2 columns (calls stand 3 or more apart). The rows searched lie below the dial's text (rows
# 14 to 60); the marker's column, lit top to bottom, belongs to no call.
spot_marks() {  # shot
  convert "$1" -crop "200x128+$A_X+$A_Y" +repage -depth 8 txt:- | awk '
    /^#/ { next }
    {
      split($1, p, /[,:]/); split($2, v, /[(),]/); x = p[1] + 0; y = p[2] + 0
      lit[x, y] = (0.299 * v[2] + 0.587 * v[3] + 0.114 * v[4]) >= 80
      if (lit[x, y]) n[x]++
    }
    function text(c, y,   r) {
      if (c < 0 || c >= 200 || n[c] == 128) return 0
      for (r = y - 9; r < y; r++) if (lit[c, r]) return 1
      return 0
    }
    END {
      for (x = 1; x < 199; x++) for (y = 14; y < 60; y++) {
        if (!lit[x, y] || !lit[x, y + 1] || !lit[x, y + 2] || lit[x, y - 1] || lit[x, y + 3]) continue
        alone = 1
        for (r = y - 1; r <= y + 3; r++) if (lit[x - 1, r] || lit[x + 1, r]) alone = 0
        if (!alone) continue
        left = right = -1
        for (c = x - 3; c <= x + 3; c++) if (text(c, y)) { left = right = c; break }
        if (left >= 0) {
          for (moved = 1; moved;) { moved = 0; for (c = right + 3; c > right; c--) if (text(c, y)) { right = c; moved = 1; break } }
          for (moved = 1; moved;) { moved = 0; for (c = left - 3; c < left; c++) if (text(c, y)) { left = c; moved = 1; break } }
        }
        printf "%d:%d-%d ", x, left, right
      }
      print ""
    }'
}
