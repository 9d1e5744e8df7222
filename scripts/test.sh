#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite: the release build
# (unit, Qt offscreen and end-to-end tests), the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, and a bounded fuzzing run of the settings-file layer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release

cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

if [ -d tests/fuzz ] && [ -f tests/fuzz/CMakeLists.txt ]; then
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz --target ini_fuzzer
  bash tests/fuzz/run_fuzzers.sh build/fuzz "${KEBLOR_FUZZ_SECONDS:-60}"
fi
echo "All test stages passed."
