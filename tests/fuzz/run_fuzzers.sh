#!/usr/bin/env bash
# Runs the fuzzers (the settings file, the rigctld protocol's reader, the spot feed's lines) for a bounded time in all,
# split evenly, each on a scratch copy of its seed corpus.
# Usage: run_fuzzers.sh BUILD_DIR SECONDS. Fails when a fuzzer finds a crash or a broken
# property; the input that did it is kept in BUILD_DIR/fuzz-artifacts/.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR SECONDS" >&2
  exit 2
fi
build_dir=$(cd "$1" && pwd)
seconds=$(( $2 / 3 > 0 ? $2 / 3 : 1 ))
here=$(cd "$(dirname "$0")" && pwd)

# Each run of the settings fuzzer writes the settings file a few times; in memory it goes about
# three times faster.
scratch=${TMPDIR:-/tmp}
if [ -d /dev/shm ] && [ -w /dev/shm ]; then scratch=/dev/shm; fi
work=$(mktemp -d "$scratch/fuzzers.XXXXXX")
trap 'rm -rf "$work"' EXIT
artifacts="$build_dir/fuzz-artifacts"
mkdir -p "$artifacts"

run() {  # NAME CORPUS DICTIONARY
  local name=$1 fuzzer="$build_dir/tests/fuzz/$1" status=0
  if [ ! -x "$fuzzer" ]; then
    echo "$fuzzer is missing: build the $name target first" >&2
    exit 1
  fi
  mkdir -p "$work/$name/tmp"
  cp -R "$here/$2" "$work/$name/corpus"
  echo "$name: ${seconds} s on $(ls "$work/$name/corpus" | wc -l) seeds"
  TMPDIR="$work/$name/tmp" "$fuzzer" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -dict="$here/$3" -artifact_prefix="$artifacts/" "$work/$name/corpus" >"$work/$name/log" 2>&1 || status=$?
  grep -E '^(#[0-9]+ +DONE|Done [0-9]+ runs|stat::)' "$work/$name/log" || true
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$work/$name/log" >&2
    echo "$name failed (status $status); the input is in $artifacts" >&2
    exit 1
  fi
  echo "$name: no failures"
}
run ini_fuzzer corpus ini.dict
run rigctld_fuzzer rigctld_corpus rigctld.dict
run spot_line_fuzzer spot_corpus spots.dict
