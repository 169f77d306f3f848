#!/usr/bin/env bash
# Builds and runs every test: the native suite, the Debian package of the
# console program, the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, a short run of every fuzz
# harness over its corpus, the Windows tier under Wine,
# and the conversion cases of ../shared/conformance when they are there.
# Installs what is missing first (Debian; needs root or sudo).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

bash tools/install-packages.sh

echo "== native build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLANVO_WERROR=ON >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build -j "$jobs" --output-on-failure

echo "== Debian package (cpack, lintian, dpkg -x, the program and manual page it holds)"
tools/package-test.sh build

echo "== sanitizer build and tests (ASan + UBSan)"
cmake -S . -B build-san -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLANVO_SANITIZE=ON -DLANVO_WERROR=ON >/dev/null
cmake --build build-san -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-san -j "$jobs" --output-on-failure

echo "== fuzz harnesses over their corpora (clang, libFuzzer, ASan + UBSan)"
bash tools/fuzz.sh 5

if [ -x tools/test-windows.sh ]; then
  echo "== Windows build and tests under Wine"
  tools/test-windows.sh
fi

# Every case must pass: a conversion that differs from one fails the run.
conformance_required=1
if [ -d ../shared/conformance ]; then
  echo "== conversion cases"
  status=0
  # The shared runner, and a full check of the cases whose only differences are sources
  # that this program keeps under a numbered backup name (tools/conformance.py).
  python3 tools/conformance.py build/lanvo303 > build/conformance.txt || status=$?
  tail -n 1 build/conformance.txt
  if [ "$status" -ne 0 ] && [ "$conformance_required" -eq 1 ]; then
    grep -v '^  ' build/conformance.txt | head -n 40
    exit 1
  fi
fi
echo "== killed conversions (SIGKILL at 20 moments of a run of 100,000 clients)"
tools/kill-test.sh 100000 20 | tail -n 1

echo "== all tests passed"
