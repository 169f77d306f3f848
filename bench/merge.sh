#!/usr/bin/env bash
# The merge of a large R03 into an existing R60 at two sizes: each name is
# looked up in a folder read once, so the time grows with the number of files,
# not with its square.
#
#   bash bench/merge.sh [FILES...]     default 16000 50000
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/CMakeCache.txt ] || cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j2 --target lanvo303 >/dev/null
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(16000 50000)
work=$(mktemp -d "${BENCH_DIR:-/tmp}/lanvo-merge.XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "| files | conversion with the merge of R03 into R60 (s) |"
echo "|---:|---:|"
for n in "${sizes[@]}"; do
  rm -rf "$work/data" && mkdir -p "$work/data/R03" "$work/data/R60" "$work/tmp"
  (cd "$work/data" && python3 - "$n" <<'PY'
import sys
n = int(sys.argv[1])
for i in range(n):
    open(f"R03/L{i:07d}.DAT", "wb").write(b"lote\r\n")
# Half of the lots already in R60, in another letter case: each takes a number.
for i in range(0, n, 2):
    open(f"R60/l{i:07d}.dat", "wb").write(b"lote antigo\r\n")
PY
  )
  start=$(date +%s.%N)
  TMPDIR="$work/tmp" build/lanvo303 -C "$work/data" convert >/dev/null
  printf '| %d | %.2f |\n' "$n" "$(python3 -c "print($(date +%s.%N) - $start)")"
done
