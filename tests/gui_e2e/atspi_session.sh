# shellcheck shell=bash disable=SC2034  # the variables are for the scripts that source this
# The program as a screen reader finds it: a private D-Bus session and its accessibility bus
# (at-spi2-core), read through AT-SPI with pyatspi. Source it after program_session.sh; it checks
# for pyatspi, the bus launcher and dbus-daemon. Then:
#   atspi_start          (after program_session_open) the session bus on a socket file in $WORK
#                        (the program runs in a network namespace of its own, where abstract
#                        sockets of the session are out of reach) and its accessibility bus;
#                        exports what Qt's bridge needs to speak on it
#   atspi_teardown       stops the program while the buses it talks to are still there, then the
#                        buses (from the caller's trap, before program_session_cleanup)
#   read_until WHAT PYTHON-CONDITION TITLE...
#                        reads every READ_PAUSE (0.5) s, for up to READ_SECONDS (20), until the windows titled TITLE, read by
#                        read_accessible.py as JSON in `found`, meet the condition; sets SEEN to
#                        the last reading and prints it; fails when they never do
# READER is the Python that reads them.

READER=/usr/bin/python3
"$READER" -c 'import pyatspi' 2>/dev/null || { echo "FAIL: python3-pyatspi is not installed (scripts/install-deps.sh)"; exit 1; }
ATSPI_LAUNCHER=
for candidate in /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher; do
  [ -x "$candidate" ] && ATSPI_LAUNCHER=$candidate && break
done
[ -n "$ATSPI_LAUNCHER" ] || { echo "FAIL: at-spi-bus-launcher is not installed (at-spi2-core)"; exit 1; }
command -v dbus-daemon >/dev/null || { echo "FAIL: dbus-daemon is not installed"; exit 1; }

BUS_PIDS=()
READ_SECONDS=20
READ_PAUSE=0.5

atspi_start() {
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$WORK/session-bus"
  dbus-daemon --session --nofork --nopidfile --address="$DBUS_SESSION_BUS_ADDRESS" >"$WORK/dbus.log" 2>&1 &
  BUS_PIDS+=($!)
  for _ in $(seq 50); do [ -S "$WORK/session-bus" ] && break; sleep 0.1; done
  [ -S "$WORK/session-bus" ] || fail "the session bus did not start: $(cat "$WORK/dbus.log")"
  "$ATSPI_LAUNCHER" --launch-immediately >"$WORK/at-spi.log" 2>&1 &
  BUS_PIDS+=($!)
  # Qt's bridge speaks to the accessibility bus whether or not a screen reader has asked for it.
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
  export NO_AT_BRIDGE=0
}

atspi_teardown() {
  if [ -n "$KEBLOR_PID" ]; then kill "$KEBLOR_PID" 2>/dev/null || true; wait "$KEBLOR_PID" 2>/dev/null || true; fi
  KEBLOR_PID=
  local i
  for ((i = ${#BUS_PIDS[@]} - 1; i >= 0; i--)); do kill "${BUS_PIDS[i]}" 2>/dev/null || true; done
  BUS_PIDS=()
}

read_until() {  # what condition title...
  local what=$1 condition=$2 deadline=$((SECONDS + READ_SECONDS))
  shift 2
  SEEN=
  while [ "$SECONDS" -lt "$deadline" ]; do
    SEEN=$("$READER" "$SESSION_HERE/read_accessible.py" "$KEBLOR_PID" "$@" 2>&1) || true
    if "$READER" -c "import json, re, sys; found = json.loads(sys.argv[1]); sys.exit(0 if ($condition) else 1)" \
      "$SEEN" 2>/dev/null; then
      echo "$what: $SEEN"
      return 0
    fi
    kill -0 "$KEBLOR_PID" 2>/dev/null || fail "the program ended while $what was awaited"
    sleep "$READ_PAUSE"
  done
  fail "$what: last read $SEEN"
}
