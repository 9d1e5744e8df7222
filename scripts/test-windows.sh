#!/usr/bin/env bash
# The Windows build: cross-compiles with MinGW-w64 (the `windows` preset), runs the unit tests
# under Wine, makes the zip with cpack and the installer with makensis, and tries the installer
# under Wine in a fresh prefix of its own. Wine gets a prefix of its own under build/windows/,
# made once, and one wineserver that stays up for the whole stage: without it every test
# program pays for a new server and test discovery alone takes minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --windows

export WINEPREFIX="$PWD/build/windows/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer prompts
mkdir -p build/windows
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Making the Wine prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
wineserver -k >/dev/null 2>&1 || true  # a server left over from a stage that was cut short
wineserver -p
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
cmake --preset windows >/dev/null
cmake --build --preset windows
# Wine's own background processes start with the first program and keep its output open; started
# here, away from the tests' pipes, they do not make CTest wait for them. The desktop process
# among them lives as long as the wineserver and takes the display of the program that started
# it: started without one, no later program could make a window, so the stage has a display of
# its own.
bash tests/win32/on_private_display.sh bash -c \
  'wine cmd /c exit </dev/null >/dev/null 2>&1 && ctest --preset windows -j2'

(cd build/windows && rm -f keblor-*-win64.zip && cpack -G ZIP >/dev/null)
zip=$(ls build/windows/keblor-*-win64.zip)
listing=$(unzip -Z1 "$zip")
required=(keblor.exe LICENSE README.md help/index.html help/style.css)
for entry in "${required[@]}"; do
  grep -qx "$entry" <<<"$listing" || { echo "FAIL: $zip lacks $entry"; exit 1; }
done
echo "Windows: $(basename "$zip"), $(grep -vc "/$" <<<"$listing") files"

cmake --build --preset windows --target setup
setup=$(ls build/windows/keblor-*-win64-setup.exe)
echo "Windows: $(basename "$setup"), $(stat -c %s "$setup") bytes"
bash tests/win32/on_private_display.sh bash tests/win32/installer_wine.sh "$setup"
