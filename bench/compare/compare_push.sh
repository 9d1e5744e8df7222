#!/usr/bin/env bash
# The stereo block of keblor_bench with the pitch readout on, against the same block through the
# analysis of an older revision (default main), timed in turns within one program, which holds
# on a machine too busy for two benchmark runs to compare.
# Usage: bench/compare_push.sh [REVISION]
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
REVISION=${1:-main}
WORK=$(mktemp -d /tmp/keblor-compare.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/old"
git -C "$ROOT" archive "$REVISION" src | tar -x -C "$WORK/old"
# The flags the analysis library is built with in the bench preset.
FLAGS=(-std=c++20 -O3 -DNDEBUG -ffp-contract=off -fno-math-errno)
build() {  # name source-root
  local f
  for f in "$2"/src/analysis/*.cpp; do
    g++ "${FLAGS[@]}" -Dkeblor="keblor_$1" -I"$2/src" -c "$f" -o "$WORK/$1_$(basename "$f" .cpp).o"
  done
  g++ "${FLAGS[@]}" -Dkeblor="keblor_$1" -DRUNNER="Run${1^}" -I"$2/src" -c "$HERE/push_runner.cpp" -o "$WORK/$1_runner.o"
}
build old "$WORK/old"
build new "$ROOT"
g++ "${FLAGS[@]}" "$HERE/push_compare.cpp" "$WORK"/*.o -o "$WORK/compare"
"$WORK/compare"
