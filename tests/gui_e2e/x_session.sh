# A private X display (Xvfb) with openbox, and helpers to look at what the program draws there.
# Source it, then:
#   x_start DIR           starts Xvfb and openbox, exports DISPLAY; exits with a FAIL line if not
#   x_teardown            stops both (call it from the caller's trap)
#   x_window_shot ID PNG  a screenshot of the window's inside; sets WIN_W and WIN_H to its size
#   trace_stats PNG X Y [WxH]  one line about the 200 x 128 trace area at (X, Y) of a screenshot:
#                         lit, dark and other pixel counts, the first column lit from top to
#                         bottom (the pitch marker), the middle of the highest peak and its row;
#                         the peak sought outside the top-left W x H pixels (a text there)
# Needs Xvfb, openbox, xdotool and imagemagick (import, identify, convert).

X_PIDS=()

x_start() {
  local dir=$1 tool
  for tool in Xvfb openbox xdotool import identify convert; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/install-deps.sh)"; exit 1; }
  done
  # Xvfb picks a free display number itself and writes it to fd 3.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
  X_PIDS+=($!)
  for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
  [ -s "$dir/display" ] || { echo "FAIL: Xvfb did not start"; cat "$dir/xvfb.log"; exit 1; }
  export DISPLAY=":$(head -n1 "$dir/display")"
  # The window manager is up once it has told the root window its number of desktops. On a busy
  # machine openbox now and then fails to open the new display and gives up at once ("Failed to
  # open the display"): it is started again, a few times at most.
  local wm= starts=0
  for _ in $(seq 100); do
    if [ -z "$wm" ] || ! kill -0 "$wm" 2>/dev/null; then
      [ "$starts" -lt 5 ] || break
      openbox --sm-disable >>"$dir/openbox.log" 2>&1 &
      wm=$!
      X_PIDS+=("$wm")
      starts=$((starts + 1))
    fi
    xdotool get_num_desktops >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "FAIL: openbox did not start"
  cat "$dir/openbox.log"
  exit 1
}

x_teardown() {
  local i
  # The window manager first, so that it does not outlive its display and complain.
  for ((i = ${#X_PIDS[@]} - 1; i >= 0; i--)); do kill "${X_PIDS[i]}" 2>/dev/null || true; done
  X_PIDS=()
}

x_window_shot() {
  import -window "$1" "$2"
  read -r WIN_W WIN_H < <(identify -format '%w %h\n' "$2")
}

trace_stats() {
  convert "$1" -crop "200x128+$2+$3" +repage -depth 8 txt:- | awk -v text="${4:-0x0}" '
    BEGIN { split(text, t, "x") }
    /^#/ { next }
    {
      split($1, p, /[,:]/); x = p[1] + 0; y = p[2] + 0; c = toupper($3)
      under = x < t[1] + 0 && y < t[2] + 0
      if (c == "#C2C2C2") { lit++; n[x]++; if (!under && (!(x in top) || y < top[x])) top[x] = y }
      else if (c == "#000000") dark++
      else other++
    }
    END {
      marker = -1; best = 999; peak = -1
      for (x = 0; x < 200; x++) {
        if (n[x] == 128) { if (marker < 0) marker = x; continue }
        if (!(x in top)) continue
        if (top[x] < best) { best = top[x]; first = x; last = x }
        else if (top[x] == best && x == last + 1) last = x
      }
      if (best < 999) peak = int((first + last) / 2)
      printf "lit=%d dark=%d other=%d marker=%d peak=%d top=%d\n", lit + 0, dark + 0, other + 0, marker, peak, best
    }'
}
