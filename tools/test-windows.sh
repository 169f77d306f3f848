#!/usr/bin/env bash
# The Windows tier: lanvo303.exe and the test suite cross-built with MinGW-w64
# into build-win, the suite run under Wine through ctest, then the end-to-end
# test of the program (tools/test-windows-gui.sh) on an Xvfb display of its own,
# and the same test once more on the program unpacked from the release package
# (tools/package-windows.sh), whose sums and LEIAME.TXT are checked first.
#
#   tools/test-windows.sh [FOLDER]
#
# FOLDER is the folder of an older release that the end-to-end test converts;
# without it, one made by build/lanvo-sample (built here when missing). The
# console program build/lanvo303, when built, converts the same folder for
# comparison.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
bash tools/install-packages.sh

echo "== Windows build (MinGW-w64)"
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLANVO_WERROR=ON >/dev/null
cmake --build build-win -j "$jobs"

echo "== the test suite under Wine"
# A test that fails is run once more, and the first failure stays in the log:
# on a loaded machine the Wine server has dropped a test's connection
# ("wine client error: recvmsg: Connection reset by peer"), which says nothing
# of the program. A fault of the program fails both times.
ctest --test-dir build-win -j "$jobs" --output-on-failure --repeat until-pass:2

folder=${1:-}
if [ -z "$folder" ]; then
  if [ ! -x build/lanvo-sample ]; then
    cmake -S . -B build -G Ninja >/dev/null
    cmake --build build -j "$jobs" --target lanvo-sample lanvo303
  fi
  folder=build-win/gui-sample/Lanvo
  rm -rf build-win/gui-sample
  build/lanvo-sample --clients 25 --seed 1 --stage f10 "$folder" >/dev/null
fi
console=""
[ -x build/lanvo303 ] && console=build/lanvo303

echo "== lanvo303.exe end to end under Xvfb"
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -f "$display_file"' EXIT
for _ in $(seq 1 100); do
  [ -s "$display_file" ] && break
  sleep 0.1
done
[ -s "$display_file" ] || { echo "test-windows: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n 1 "$display_file")
tools/test-windows-gui.sh build-win "$folder" $console

echo "== the release package, unpacked into a fresh folder and tested end to end"
zip=$(tools/package-windows.sh build-win | tail -n 1)
unpacked=build-win/package-test
rm -rf "$unpacked"
mkdir -p "$unpacked"
python3 -m zipfile -e "$zip" "$unpacked"
listed=$(cd "$unpacked" && find . -type f | sort | tr '\n' ' ')
[ "$listed" == "./LEIAME.TXT ./SHA256SUMS ./lanvo303.exe " ] ||
  { echo "test-windows: the package holds [$listed]" >&2; exit 1; }
(cd "$unpacked" && sha256sum -c SHA256SUMS)
# LEIAME.TXT as the Notepad of a Windows of Brazil reads it: code page 1252,
# every line ended by CR LF.
python3 - "$unpacked/LEIAME.TXT" << 'EOF'
import sys
data = open(sys.argv[1], "rb").read()
text = data.decode("cp1252")
assert data.endswith(b"\r\n") and b"\n" not in data.replace(b"\r\n", b""), "a line not ended by CR LF"
assert "Versões" in text and "LANVO.JNL" in text and "Vamk\\Lanvo\\R02" in text, "text or accents missing"
assert "@" not in text, "configuration left in the text"
EOF
tools/test-windows-gui.sh --exe "$unpacked/lanvo303.exe" --out gui-test-package build-win "$folder"
