#!/usr/bin/env bash
# Installs what is missing, builds the console program, makes a sample data
# folder of an older release and converts it, then shows what it produced.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-packages.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target lanvo303 lanvo-sample
folder=$(mktemp -d /tmp/lanvo-sample.XXXXXX)
build/lanvo-sample --clients 25 --seed 1 "$folder/Lanvo"
echo "== sample folder of an older release: $folder/Lanvo"
ls -l "$folder/Lanvo"
echo "== build/lanvo303 -C $folder/Lanvo convert"
TMPDIR="$folder" build/lanvo303 -C "$folder/Lanvo" convert
echo "== the folder after the conversion"
ls -l "$folder/Lanvo"
