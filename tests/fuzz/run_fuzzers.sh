#!/usr/bin/env bash
# Runs the settings-file fuzzer for a bounded time on a scratch copy of the seed corpus.
# Usage: run_fuzzers.sh BUILD_DIR SECONDS. Fails when the fuzzer finds a crash or a broken
# property; the input that did it is kept in BUILD_DIR/fuzz-artifacts/.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR SECONDS" >&2
  exit 2
fi
build_dir=$(cd "$1" && pwd)
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
fuzzer="$build_dir/tests/fuzz/ini_fuzzer"
if [ ! -x "$fuzzer" ]; then
  echo "$fuzzer is missing: build the ini_fuzzer target first" >&2
  exit 1
fi

# Each run writes the settings file a few times; in memory it goes about three times faster.
scratch=${TMPDIR:-/tmp}
if [ -d /dev/shm ] && [ -w /dev/shm ]; then scratch=/dev/shm; fi
work=$(mktemp -d "$scratch/ini_fuzzer.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp -R "$here/corpus" "$work/corpus"
artifacts="$build_dir/fuzz-artifacts"
mkdir -p "$artifacts"

echo "ini_fuzzer: ${seconds} s on $(ls "$work/corpus" | wc -l) seeds"
status=0
TMPDIR="$work" "$fuzzer" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
  -dict="$here/ini.dict" -artifact_prefix="$artifacts/" "$work/corpus" >"$work/log" 2>&1 || status=$?
grep -E '^(#[0-9]+ +DONE|Done [0-9]+ runs|stat::)' "$work/log" || true
if [ "$status" -ne 0 ]; then
  tail -n 60 "$work/log" >&2
  echo "ini_fuzzer failed (status $status); the input is in $artifacts" >&2
  exit 1
fi
echo "ini_fuzzer: no failures"
