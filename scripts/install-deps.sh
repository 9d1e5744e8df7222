#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the end-to-end checks need; with
# --windows, also what the Windows build and its tests under Wine need (about 1 GB, so the
# program's own start does not ask for it) and GoogleTest built for it; with --arm64, the cross
# compiler, the arm64 libraries of Debian's multiarch packages and qemu for the Raspberry Pi
# build. Only what is missing is installed or built, so a second run costs nothing.
set -euo pipefail

PACKAGES=(
  # build
  g++ cmake ninja-build pkg-config qt6-base-dev libgl-dev portaudio19-dev libpulse-dev libsamplerate0-dev
  libsndfile1-dev
  # rig control: Hamlib; rigctld and ip (a loopback in a namespace) for the end-to-end test
  libhamlib-dev libhamlib-utils iproute2
  libgtest-dev libgmock-dev fonts-dejavu-core
  # benchmarks and fuzzing; the decoder's benchmark makes its recordings with numpy and checks
  # its keying against another Morse generator's
  libbenchmark-dev libfftw3-dev libkissfft-dev clang libclang-rt-14-dev python3-numpy ebook2cw
  # end-to-end: a private sound server with a null sink, a display, keys and screenshots
  pulseaudio pulseaudio-utils libasound2-plugins alsa-utils sox xvfb xauth openbox xdotool x11-utils imagemagick
  # what a screen reader sees: a session bus, the accessibility bus and its Python client (the
  # signals test also keys its stations with python3-numpy, above)
  dbus at-spi2-core python3-pyatspi
  # the Debian package: its dependencies from the programs, and the checks of the package,
  # the desktop entry and the AppStream metadata
  dpkg-dev lintian desktop-file-utils appstream
)
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
if [ "${1:-}" = --windows ]; then
  # the Windows build: MinGW-w64 with posix threads, NSIS for the installer, and Wine to run
  # its tests; googletest's sources, built for it by googletest-mingw.sh
  PACKAGES+=(g++-mingw-w64-x86-64-posix nsis wine wine64 googletest)
fi
if [ "${1:-}" = --arm64 ]; then
  # the arm64 build: the cross compiler, the target's libraries, and qemu to run its tests (with
  # the loader of libc6:arm64, which matches the target's libc.so.6)
  if ! dpkg --print-foreign-architectures | grep -qx arm64; then
    $SUDO dpkg --add-architecture arm64
  fi
  PACKAGES+=(crossbuild-essential-arm64 qemu-user libc6:arm64
             qt6-base-dev:arm64 libgl-dev:arm64 libpulse-dev:arm64 portaudio19-dev:arm64
             libsamplerate0-dev:arm64 libsndfile1-dev:arm64 libgtest-dev:arm64 libgmock-dev:arm64
             libhamlib-dev:arm64)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -ne 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

if [ "${1:-}" = --windows ]; then
  # GoogleTest for the Windows tests, built once from the googletest package's sources
  bash "$(dirname "$0")/googletest-mingw.sh"
fi
