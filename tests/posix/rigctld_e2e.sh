#!/usr/bin/env bash
# The rigctld client against the real rigctld with Hamlib's dummy rig on a free loopback port:
# rigctld_poll's rounds keep the rig's current VFO (checked before every command) and VFO A's
# dial, and move VFO B; rigctl then reads the current VFO's dial unchanged, and a client in VFO
# mode reads VFO B where the rounds left it.
# Usage: rigctld_e2e.sh <rigctld_poll>
set -euo pipefail
poll=${1:?usage: rigctld_e2e.sh <rigctld_poll>}
fail() { echo "FAIL: $*"; [ -f "$log" ] && cat "$log"; exit 1; }
for tool in rigctld rigctl ss; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/install-deps.sh)"; exit 1; }
done

log=$(mktemp)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -f "$log"' EXIT

# A port nothing listens on, and rigctld listening there (another may take it first: try again).
for _ in $(seq 10); do
  port=$((40000 + RANDOM % 20000))
  ss -ltnH "sport = :$port" | grep -q . && continue
  rigctld -m 1 -T 127.0.0.1 -t "$port" >"$log" 2>&1 &
  pid=$!
  for _ in $(seq 100); do
    ss -ltnH "sport = :$port" | grep -q . && break 2
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  kill "$pid" 2>/dev/null || true
  pid=
done
[ -n "$pid" ] || fail "rigctld does not listen"
rig() { timeout 10 rigctl -m 2 -r "127.0.0.1:$port" "$@"; }

current_before=$(rig f)
b=$("$poll" "127.0.0.1:$port" 20) || fail "rigctld_poll"
[ "$(rig f)" = "$current_before" ] || fail "the current VFO's dial moved from $current_before to $(rig f)"

# VFO B read back by a client of its own in VFO mode: set_vfo_opt, then get_freq naming VFO B.
exec 3<>"/dev/tcp/127.0.0.1/$port"
printf '+\\set_vfo_opt 1\n+f VFOB\n' >&3
read_b=
while IFS= read -r -t 10 line <&3; do
  case $line in
    Frequency:*) read_b=${line#Frequency: } ;;
    "RPRT "*) [ -n "$read_b" ] && break ;;
  esac
done
exec 3>&-
[ "$read_b" = "$b" ] || fail "VFO B reads '$read_b', set to $b"
echo "current VFO kept at $current_before Hz; VFO B moved to $b Hz"
