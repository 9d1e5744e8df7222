#!/usr/bin/env bash
# Two copies of the real program started in the same instant, twenty times: each time exactly one
# runs on with its window, and the other ends with status 0 without one.
# Usage: instance_e2e.sh <path to keblor>
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=program_session.sh
source "$HERE/program_session.sh"

program_session_open instance-e2e "${1:?usage: instance_e2e.sh <keblor program>}"

RUN_DIR=$WORK/program
mkdir -p "$RUN_DIR"

# Both copies in one network namespace of their own: they see each other and nobody else.
race() {  # round
  (cd "$RUN_DIR" && exec "${PROGRAM_ISOLATE[@]}" bash -c '
    "$1" >"$2.a" 2>&1 & a=$!
    "$1" >"$2.b" 2>&1 & b=$!
    ended=
    for _ in $(seq 100); do
      if ! kill -0 "$a" 2>/dev/null; then wait "$a"; echo "ended a $?"; ended=$b; break; fi
      if ! kill -0 "$b" 2>/dev/null; then wait "$b"; echo "ended b $?"; ended=$a; break; fi
      sleep 0.1
    done
    [ -n "$ended" ] || { echo "both still run"; kill "$a" "$b"; exit 0; }
    sleep 1
    kill -0 "$ended" 2>/dev/null && echo "survivor runs" || echo "survivor ended"
    echo "windows $(xdotool search --name "^CW Keblor\$" 2>/dev/null | wc -l)"
    kill "$ended"; wait "$ended" 2>/dev/null || true
  ' race "$PROGRAM" "$WORK/keblor-round$1") >"$WORK/round$1.txt" 2>&1
}

for round in $(seq 20); do
  race "$round"
  result=$(tr '\n' ' ' <"$WORK/round$round.txt")
  [[ "$result" == "ended "?" 0 survivor runs windows 1 " ]] || fail "round $round: $result"
done
echo "20 rounds: one copy ran each time"
PASSED=1
