#!/usr/bin/env bash
# Installs what is missing, builds the console program, makes a sample data
# folder of an older release and converts it, then shows what it produced.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-packages.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target lanvo303 lanvo-sample
folder=$(mktemp -d /tmp/lanvo-sample.XXXXXX)
data="$folder/Lanvo"
mkdir -p "$folder/tmp"
build/lanvo-sample --clients 25 --seed 1 "$data"
echo "== sample folder of an older release: $data"
ls -l "$data"
echo "== build/lanvo303 -C $data convert"
TMPDIR="$folder/tmp" build/lanvo303 -C "$data" convert

# Record files: name, record length, what a record is.
records() {
  local file="$data/$1"
  [ -f "$file" ] || return 0
  local size
  size=$(stat -c %s "$file")
  printf '  %-10s %6d %s (%d characters each)\n' "$1" $((size / $2)) "$3" "$2"
}
# The first n records of a record file, one a line, with " | " for each run of
# blanks between fields.
show() {
  [ -f "$data/$1" ] || return 0
  echo "  -- $1, first records:"
  { head -c $(($2 * $3)) "$data/$1" | fold -b -w "$2"; echo; } | iconv -f CP1252 -t UTF-8 |
    sed -E 's/ +$//; s/ {2,}/ | /g; s/^/     /'
}
echo "== what the conversion produced"
records F10R2.DAT 1000 clients
records F09R0.DAT 815 farms
records F04R0.DAT 950 "bank accounts"
records F24R0.DAT 60 "code table records (banks taken out)"
records F14R0.DAT 311 "payment forms"
records F34.DAT 30 counters
records FTEL1.DAT 40 "phone index lines"
records F40.DAT 500 "text documents"
show F09R0.DAT 815 2
show F04R0.DAT 950 2
show F34.DAT 30 6
echo "  -- FTEL1.DAT, first lines:"
head -n 5 "$data/FTEL1.DAT" | tr -d '\r' | iconv -f CP1252 -t UTF-8 | sed -E 's/ +$//; s/^/     /'
echo "  -- backups: $(cd "$data" && ls -d ./*.TMP ./*.BAK 2>/dev/null | sed 's|^\./||' | tr '\n' ' ')"
echo "  -- conversion log CONV.DAT: $(tr -d '\r' < "$data/CONV.DAT" | tr '\n' ' ')"
echo "  -- parked in the temporary folder: $(cd "$folder/tmp" && find . -mindepth 1 -maxdepth 4 | sed 's|^\./||' | tr '\n' ' ')"
echo "== the folder after the conversion"
ls -l "$data"
