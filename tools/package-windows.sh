#!/usr/bin/env bash
# The release package of the Windows program: lanvo303.exe cross-built with
# MinGW-w64, packed by CPack with LEIAME.TXT and SHA256SUMS into
# BUILD_DIR/lanvo303-<version>-win64.zip, whose path is the last line printed.
#
#   tools/package-windows.sh [BUILD_DIR]      # default build-win
#
# Builds only the program; a build folder of the tests keeps its tests.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-win}
jobs=$(nproc 2>/dev/null || echo 2)

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLANVO_WERROR=ON >/dev/null
else
  cmake "$build" >/dev/null
fi
cmake --build "$build" -j "$jobs" --target lanvo303
(cd "$build" && cpack -G ZIP >/dev/null)
version=$(sed -n 's/^#define LANVO_VERSION "\(.*\)"$/\1/p' "$build/generated/lanvo_version.hpp")
zip=$(cd "$build" && pwd)/lanvo303-$version-win64.zip
[ -f "$zip" ] || { echo "package-windows: cpack wrote no $zip" >&2; exit 1; }
echo "$zip"
