#!/usr/bin/env bash
# Builds GoogleTest for the Windows cross build from the sources Debian's googletest package
# ships (no Windows GoogleTest is packaged) and installs it under build/googletest-mingw, where
# the `windows` preset's GTest_DIR finds it. Built again only when the package's version changes.
set -euo pipefail
cd "$(dirname "$0")/.."

prefix="$PWD/build/googletest-mingw"
version=$(dpkg-query -W -f='${Version}' googletest)
stamp="$prefix/debian-googletest-version"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ]; then
  exit 0
fi

echo "Building GoogleTest $version for MinGW-w64 into $prefix"
work="$PWD/build/googletest-mingw-build"
rm -rf "$prefix" "$work"
cmake -S /usr/src/googletest -B "$work" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
cmake --build "$work"
cmake --install "$work" >/dev/null
rm -rf "$work"
echo "$version" >"$stamp"
