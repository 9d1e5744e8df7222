#!/usr/bin/env bash
# The Raspberry Pi build: cross-compiles for arm64 with Debian's multiarch packages (the `arm64`
# preset), runs the unit and Qt tests under qemu, checks that keblor-analyse gives byte for byte
# what the x86-64 build gives on the same recordings, and builds and checks the arm64 package.
# Needs the native release build (scripts/test.sh makes it first) for the comparison.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --arm64

cmake --preset arm64 >/dev/null
cmake --build --preset arm64
ctest --preset arm64 -j2

# The same analysis on both machines: recordings made with a fixed seed (sox -R), every format
# and the settings that take other paths through the analysis.
native=$PWD/build/release/tools/keblor-analyse
[ -x "$native" ] || { cmake --preset release >/dev/null && cmake --build --preset release --target keblor-analyse; }
arm=$PWD/build/arm64/tools/keblor-analyse
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox -R -n -r 10240 -b 16 -c 1 "$work/mono16.wav" synth 19 sine 712 whitenoise synth sine amod 0.5 50 vol 0.3
sox -R -n -r 10240 -b 8 -c 1 "$work/mono8.wav" synth 7 sine 450 pinknoise vol 0.5
sox -R -n -r 10240 -b 16 -c 2 "$work/stereo16.wav" synth 7 sine 600 whitenoise remix 1 2v0.1 vol 0.4
sox -R -n -r 10240 -b 8 -c 2 "$work/stereo8.wav" synth 7 sine 900 sine 1900 vol 0.6
settings=(
  ""
  "[General]\nLevel=1\nPitchReadout=1\n[VFO-A]\nRange=0\n[VFO-B]\nRange=4\n"
  "[General]\nNumberOfAverages=3\nRunningAverage=1\nFT-1000MP=1\n[VFO-A]\nRange=2\n"
)
compared=0
for wav in "$work"/*.wav; do
  for i in "${!settings[@]}"; do
    printf '%b' "${settings[$i]}" >"$work/keblor.ini"
    for raster in "" --raster; do
      (cd "$work" && "$native" $raster "$wav") >"$work/native.json"
      (cd "$work" && qemu-aarch64 -L / "$arm" $raster "$wav") >"$work/arm64.json"
      if ! cmp -s "$work/native.json" "$work/arm64.json"; then
        echo "FAIL: keblor-analyse $raster $(basename "$wav") with settings $i differs between x86-64 and arm64"
        diff <(head -c 2000 "$work/native.json") <(head -c 2000 "$work/arm64.json") || true
        exit 1
      fi
      compared=$((compared + 1))
    done
  done
done
echo "arm64: keblor-analyse equal to x86-64 on $compared runs"

# The package: labelled arm64, its dependencies found in the arm64 libraries, and lintian clean.
(cd build/arm64 && rm -f keblor_*_arm64.deb && cpack -G DEB >/dev/null)
deb=$(ls build/arm64/keblor_*_arm64.deb)
[ "$(dpkg-deb -f "$deb" Architecture)" = arm64 ] || { echo "FAIL: $deb is not labelled arm64"; exit 1; }
for dep in libqt6widgets6 libpulse0 libsndfile1 libportaudio2; do
  dpkg-deb -f "$deb" Depends | grep -q "$dep" || { echo "FAIL: $deb does not depend on $dep"; exit 1; }
done
file_out=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/bin/keblor | file -)
grep -q 'ARM aarch64' <<<"$file_out" || { echo "FAIL: the packaged keblor is not an arm64 program: $file_out"; exit 1; }
lintian --fail-on error,warning "$deb"
echo "arm64: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"
