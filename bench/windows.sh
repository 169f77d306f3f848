#!/usr/bin/env bash
# The Windows program measured: the conversion and the four maintenance
# commands as lanvo303.exe runs them (lanvo-bench-win.exe: the same dialog
# procedure, core and Win32 platform layer, without the window), under Wine,
# on the folders of the native benchmarks, beside the native console program
# on copies of the same folders. Prints a Markdown table a size: wall time
# native and under Wine, their ratio, and the ReadFile and WriteFile calls of
# the Win32 layer with their bytes a call. Appends the tables to FILE when
# --out FILE is given (bench/run.sh appends them to bench/results.md).
#
#   bash bench/windows.sh [--out FILE] [SIZES...]      default 10000 100000
#
# Needs build/ (native) and build-win/ (MinGW); builds what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
top_dir=$(pwd)
out=""
if [ "${1:-}" = --out ]; then
  out=$2
  shift 2
fi
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10000 100000)
base=${BENCH_DIR:-/tmp/lanvo-bench}/windows
group=012
new_group=777

[ -f build/CMakeCache.txt ] || cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j2 --target lanvo303 lanvo-sample >/dev/null
[ -f build-win/CMakeCache.txt ] ||
  cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-win -j2 --target lanvo-bench-win >/dev/null

rm -rf "$base"
mkdir -p "$base"
export WINEPREFIX=$base/wine WINEDEBUG=-all
bash tools/wine-prefix.sh "$WINEPREFIX" null
# A Wine server for the whole run, started before anything is timed.
wineserver -p
trap 'wineserver -k 2>/dev/null || true; rm -rf "$base"' EXIT
exe=$top_dir/build-win/lanvo-bench-win.exe

# wall seconds of a command, its output in $base/output.txt
timed() {
  local start end
  start=$(date +%s.%N)
  "$@" >"$base/output.txt" 2>&1 || true
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}

# The command's arguments: native console, then the harness.
native_args() {
  case $1 in
    convert) echo convert ;;
    export) echo "--diskette $base/diskette-native export $group" ;;
    import) echo "--diskette $base/diskette-native import $group" ;;
    regroup) echo "regroup $group $new_group" ;;
    delinquency) echo "--root $base/root delinquency" ;;
  esac
}
harness_args() {
  case $1 in
    convert | delinquency) echo "$1" ;;
    export | import) echo "$1 $group" ;;
    regroup) echo "regroup $group $new_group" ;;
  esac
}

# What starting a Windows program under Wine costs, whatever it does: the
# harness that stops at once for want of arguments, the best of five.
start_cost=$(for _ in 1 2 3 4 5; do timed wine "$exe"; done | sort -n | head -n 1)

report=$base/report.md
: >"$report"
for clients in "${sizes[@]}"; do
  echo "== Windows program, $clients clients" >&2
  rm -rf "$base/root" "$base/sample" "$base/diskette-native" "$base/diskette-wine" "$base/tmp-native"
  mkdir -p "$base/root" "$base/diskette-native" "$base/diskette-wine" "$base/tmp-native"
  build/lanvo-sample --clients "$clients" --seed 2024 --stage f10 --proportional --members "$base/root" \
    "$base/sample" >/dev/null
  # D: is the root of the member file's drive; A: the diskette.
  ln -sfn "$base/root" "$WINEPREFIX/dosdevices/d:"
  ln -sfn "$base/diskette-wine" "$WINEPREFIX/dosdevices/a:"
  rm -rf "$base/root/native" "$base/root/wine"
  cp -a "$base/sample" "$base/root/native"
  cp -a "$base/sample" "$base/root/wine"
  sync
  {
    echo "### The Windows program, $clients clients"
    echo
    echo "Wine's own start, the same for every command: $(printf '%.2f' "$start_cost") s (best of five starts of a"
    echo "program that ends at once); \"Wine / native\" leaves it out. ReadFile and WriteFile calls are"
    echo "those the Win32 platform layer made, counted through its table of system calls."
    echo
    echo "| command | native wall | under Wine | Wine / native | target | ReadFile calls | WriteFile calls | bytes a call | target | |"
    echo "|---|---|---|---|---|---|---|---|---|---|"
  } >>"$report"
  for command in convert export import regroup delinquency; do
    # shellcheck disable=SC2046
    native=$(TMPDIR=$base/tmp-native timed build/lanvo303 -C "$base/root/native" $(native_args $command))
    native_said=$(head -n 1 "$base/output.txt")
    # shellcheck disable=SC2046
    wine_time=$(timed wine "$exe" 'D:\wine' $(harness_args $command))
    wine_said=$(grep -v '^calls:' "$base/output.txt" | head -n 1 | tr -d '\r')
    calls=$(grep '^calls:' "$base/output.txt" | tr -d '\r')
    read -r reads read_bytes writes write_bytes < <(echo "$calls" |
      sed -E 's/calls: ReadFile ([0-9]+) \(([0-9]+) bytes\) WriteFile ([0-9]+) \(([0-9]+) bytes\)/\1 \2 \3 \4/')
    per_call=$(( (read_bytes + write_bytes) / ( (reads + writes) > 0 ? reads + writes : 1 ) / 1024 ))
    ratio=$(echo "scale=2; r = ($wine_time - $start_cost) / $native; if (r < 0) r = 0; r" | bc)
    within=$(echo "$ratio <= 2" | bc)
    large=$([ "$per_call" -ge 64 ] && echo 1 || echo 0)
    same=""
    [ "$native_said" = "$wine_said" ] || same="said \"$wine_said\" (native: \"$native_said\")"
    printf '| %s | %.2f s | %.2f s | %s | ≤ 2: %s | %s | %s | %s KiB | ≥ 64 KiB: %s | %s |\n' \
      "$command" "$native" "$wine_time" "$ratio" "$([ "$within" = 1 ] && echo '**met**' || echo '**NOT met**')" \
      "$reads" "$writes" "$per_call" "$([ "$large" = 1 ] && echo '**met**' || echo '**NOT met**')" "$same" >>"$report"
  done
  # The two programs made the same folder of the same one.
  if diff -r -q "$base/root/native" "$base/root/wine" >"$base/diff.txt"; then
    echo >>"$report"
    echo "Both programs left the same folder (diff -r)." >>"$report"
  else
    echo >>"$report"
    echo "The folders differ: $(head -n 3 "$base/diff.txt" | tr '\n' ';')" >>"$report"
  fi
  echo >>"$report"
done
cat "$report"
if [ -n "$out" ]; then cat "$report" >>"$out"; fi
