#!/usr/bin/env bash
# The benchmarks of the conversion and the maintenance commands at 10,000,
# 100,000 and 1,000,000 clients (or the sizes given). See bench/README.md.
#
#   bash bench/run.sh [SIZES...]            e.g. bash bench/run.sh 10000 100000
#   BENCH_DIR=/somewhere bash bench/run.sh  where the folders are made (default /tmp/lanvo-bench)
#   BENCH_REPEAT=5 bash bench/run.sh        timed runs per size (default 3)
#
# Builds what it needs, makes the sample folders, measures, prints one table a
# size and writes them all to bench/results.md; then the Windows program under
# Wine on folders of the same sizes (bench/windows.sh), appended to it.
set -euo pipefail
cd "$(dirname "$0")/.."

# What building and measuring need (Debian package names), when missing.
bash tools/install-packages.sh cmake ninja-build g++ libgtest-dev libcli11-dev python3 strace time

# The build that the tests use (RelWithDebInfo).
[ -f build/CMakeCache.txt ] || cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j2 --target lanvo303 lanvo-sample lanvo_tests

python3 bench/bench.py "$@"
# The Windows program under Wine on the same folders, appended to the results
# (skipped where there is no MinGW-w64 or Wine).
if command -v x86_64-w64-mingw32-g++-posix >/dev/null && command -v wine >/dev/null; then
  sizes=("$@")
  [ ${#sizes[@]} -gt 0 ] || sizes=(10000 100000 1000000)
  bash bench/windows.sh --out bench/results.md "${sizes[@]}"
fi
