#!/usr/bin/env bash
# Builds the fuzz harnesses (clang, libFuzzer, ASan and UBSan) in build-fuzz
# and runs each over its corpus for SECONDS (default 10), one after another.
#   tools/fuzz.sh [SECONDS] [HARNESS...]     e.g. tools/fuzz.sh 600 counters import
# The seeds of tests/fuzz/corpus/HARNESS are read, never written; what the
# fuzzer adds goes to build-fuzz/corpus/HARNESS and is kept for the next run.
# A harness that fails leaves its input in build-fuzz/artifacts/HARNESS/;
# replay it with build-fuzz/tests/fuzz/fuzz_HARNESS FILE.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
seconds=${1:-10}
shift || true

if ! command -v clang++ >/dev/null || ! compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null; then
  bash tools/install-packages.sh
fi
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLANVO_WERROR=ON \
  -DLANVO_FUZZ=ON -DLANVO_TESTS=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc 2>/dev/null || echo 2)" --target fuzz_harnesses

if [ $# -gt 0 ]; then
  harnesses=("$@")
else
  harnesses=()
  for dir in tests/fuzz/corpus/*/; do harnesses+=("$(basename "$dir")"); done
fi

# The harnesses' data folders, on a memory file system where there is one.
scratch=$(mktemp -d "$( [ -d /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")/lanvo-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
export LANVO_FUZZ_DIR=$scratch
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failed=()
printf '%-16s %12s %10s\n' harness executions seconds
for h in "${harnesses[@]}"; do
  exe=build-fuzz/tests/fuzz/fuzz_$h
  [ -x "$exe" ] || { echo "no harness $h"; exit 2; }
  mkdir -p "build-fuzz/corpus/$h" "build-fuzz/artifacts/$h"
  log="build-fuzz/artifacts/$h/last-run.log"
  # The paths are absolute: the harnesses work in a folder of their own.
  # Records of up to 1608 characters, several files in one input: inputs up
  # to 8 KiB hold a few records of each.
  status=0
  "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 -print_final_stats=1 \
    -artifact_prefix="$top/build-fuzz/artifacts/$h/" "$top/build-fuzz/corpus/$h" "$top/tests/fuzz/corpus/$h" \
    >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  printf '%-16s %12s %10s\n' "$h" "${runs:-?}" "$seconds"
  if [ "$status" -ne 0 ]; then
    failed+=("$h")
    grep -E 'property broken|ERROR|SUMMARY|runtime error|Test unit written' "$log" | head -n 20 | sed 's/^/    /'
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: FAILED: ${failed[*]}"
  exit 1
fi
echo "fuzz: every harness ran clean"
