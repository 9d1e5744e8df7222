# shellcheck shell=bash disable=SC2034  # the variables are for the scripts that source this
# Hamlib's dummy rig behind rigctld, beside the program of program_session.sh. Source it after
# program_session.sh; it checks for rigctld, rigctl and ip. Then:
#   wait_until SECONDS COMMAND...
#                        runs the command every 0.1 s until it succeeds; false when it did not
#                        within SECONDS
#   rig_session_open     (after program_session_open) the program and rigctld share a network
#                        namespace of their own, held by a sleeping process with its loopback up
#                        (NS_PID; PROGRAM_ISOLATE then joins it), rigctld on port 4532; without
#                        one, both use the machine's on a free port. Sets PORT and RIG
#   rigctld_start        starts rigctld -m 1 on RIG and waits up to 60 s for it to answer;
#                        sets RIGCTLD_PID
#   in_namespace CMD...  runs the command where the program and rigctld are
#   rig_cmd ARG...       rigctl's commands to rigctld on RIG
#   dial                 the dial's frequency in Hz
#   rig_teardown         kills rigctld and the namespace's holder (from the caller's trap, before
#                        program_session_cleanup)

for tool in rigctld rigctl ip; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/install-deps.sh)"; exit 1; }
done

wait_until() {  # seconds command...
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

NS_PID=
RIGCTLD_PID=
PORT=
RIG=

rig_teardown() {
  if [ -n "$RIGCTLD_PID" ]; then kill -KILL "$RIGCTLD_PID" 2>/dev/null || true; fi
  RIGCTLD_PID=
  if [ -n "$NS_PID" ]; then kill "$NS_PID" 2>/dev/null || true; fi
  NS_PID=
}

rig_session_open() {
  if [ ${#PROGRAM_ISOLATE[@]} -gt 0 ]; then
    "${PROGRAM_ISOLATE[@]}" sleep 100000 &
    NS_PID=$!
    own_namespace() { [ "$(readlink "/proc/$NS_PID/ns/net")" != "$(readlink /proc/self/ns/net)" ]; }
    wait_until 30 own_namespace || fail "no network namespace of its own"
    nsenter --target "$NS_PID" "${PROGRAM_JOIN[@]}" -- ip link set lo up
    PROGRAM_ISOLATE=(nsenter --target "$NS_PID" "${PROGRAM_JOIN[@]}" --)
    PORT=4532
  else
    PORT=$((40000 + RANDOM % 20000))
    while ss -ltnH "sport = :$PORT" | grep -q .; do PORT=$((40000 + RANDOM % 20000)); done
  fi
  RIG=127.0.0.1:$PORT
}

rigctld_start() {
  if [ -n "$NS_PID" ]; then
    (exec nsenter --target "$NS_PID" "${PROGRAM_JOIN[@]}" -- rigctld -m 1 -T 127.0.0.1 -t "$PORT") >>"$WORK/rigctld.log" 2>&1 &
  else
    (exec rigctld -m 1 -T 127.0.0.1 -t "$PORT") >>"$WORK/rigctld.log" 2>&1 &
  fi
  RIGCTLD_PID=$!
  disown "$RIGCTLD_PID"  # its kill is no news
  rig_answers() { rig_cmd f >/dev/null 2>&1; }
  wait_until 60 rig_answers || fail "rigctld does not answer on $RIG"
}

in_namespace() {  # command...
  if [ -n "$NS_PID" ]; then
    nsenter --target "$NS_PID" "${PROGRAM_JOIN[@]}" -- "$@"
  else
    "$@"
  fi
}

rig_cmd() {  # rigctl's arguments
  in_namespace timeout 5 rigctl -m 2 -r "$RIG" "$@"
}

dial() { rig_cmd f | head -n1; }
