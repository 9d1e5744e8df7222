#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite: the release build
# (unit, Qt offscreen and end-to-end tests), the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, a bounded fuzzing run of the settings-file layer, the rigctld
# reader and the spot feed's lines, a build the way a distribution packages the program, the
# program built without Hamlib, the Windows build under Wine and the arm64 build under qemu.
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
  cmake --build --preset fuzz --target ini_fuzzer rigctld_fuzzer spot_line_fuzzer
  bash tests/fuzz/run_fuzzers.sh build/fuzz "${KEBLOR_FUZZ_SECONDS:-60}"
fi
# A distribution's build: its own compiler flags, warnings not errors, no tests and so no
# GoogleTest (find_package(GTest) is made to fail should anything still ask for it).
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS 2>/dev/null || true)" >/dev/null
cmake --build build/package
# The program without Hamlib: rigs through its own rigctld client only. The program alone: its
# rig code is tested in the release build.
cmake -S . -B build/nohamlib -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEBLOR_WERROR=ON \
  -DKEBLOR_WITH_HAMLIB=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build build/nohamlib --target keblor

# The Windows build, its tests under Wine and the zip.
bash scripts/test-windows.sh

# The Raspberry Pi build: arm64 cross build, its tests under qemu, the analysis compared with
# this machine's byte for byte, and the arm64 package.
bash scripts/test-arm64.sh

echo "All test stages passed."
