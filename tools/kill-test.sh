#!/usr/bin/env bash
# Black-box crash test: the console program converting a generated folder is
# killed with SIGKILL at different moments; each time the next run must end
# with the same folders, byte for byte, as one uninterrupted conversion.
#
#   tools/kill-test.sh [CLIENTS] [KILLS]     (default 100000 clients, 20 kills)
#
# Needs build/lanvo303 and build/lanvo-sample. Works in /dev/shm when there is
# one (the folders are large and the runs flush every file they commit).
set -euo pipefail
cd "$(dirname "$0")/.."
clients=${1:-100000}
kills=${2:-20}
exe=$(pwd)/build/lanvo303
sample=$(pwd)/build/lanvo-sample
base=$( [ -d /dev/shm ] && echo /dev/shm || echo /tmp )
work=$(mktemp -d "$base/lanvo-kill.XXXXXX")
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT

# Every file with its checksum and every folder, below a folder.
image() { (cd "$1" && find . -type d | sort && find . -type f -print0 | sort -z | xargs -0 -r sha256sum); }

fresh() {  # fresh DATA TEMP: a copy of the original folder and its temporary folder
  chmod -R u+w "$1" "$2" 2>/dev/null || true
  rm -rf "$1" "$2"
  cp -a "$work/original" "$1"
  cp -a "$work/original-tmp" "$2"
}

"$sample" --clients "$clients" --seed 7 --stage f10 --code-table both "$work/original" >/dev/null
mkdir -p "$work/original-tmp"

fresh "$work/clean" "$work/clean-tmp"
start=$(date +%s%N)
TMPDIR="$work/clean-tmp" "$exe" -C "$work/clean" convert >/dev/null
took_ms=$(( ($(date +%s%N) - start) / 1000000 ))
image "$work/clean" > "$work/clean.txt"
image "$work/clean-tmp" > "$work/clean-tmp.txt"
echo "one uninterrupted conversion of $clients clients: ${took_ms} ms"

killed=0
attempt=0
# The moments are spread over the length of a run, as far as it is known: the
# first, measured run may be slower than the later ones (files not yet in the
# cache), so a kill that comes after the run ended shortens it.
horizon_ms=$took_ms
# Until the program was killed mid-run the asked number of times: a kill that
# comes after the run ended does not count.
while ((killed < kills && attempt < 3 * kills)); do
  attempt=$((attempt + 1))
  fresh "$work/data" "$work/tmp"
  # Moments spread over the run, each with its own jitter.
  at_ms=$(( horizon_ms * (killed + 1) / (kills + 2) + RANDOM % 20 ))
  TMPDIR="$work/tmp" "$exe" -C "$work/data" convert >/dev/null &
  pid=$!
  sleep "$(printf '%d.%03d' $((at_ms / 1000)) $((at_ms % 1000)))"
  if kill -KILL "$pid" 2>/dev/null; then
    killed=$((killed + 1))
    state="killed"
  else
    state="had ended"
    horizon_ms=$(( at_ms * 9 / 10 ))
  fi
  wait "$pid" 2>/dev/null || true
  TMPDIR="$work/tmp" "$exe" -C "$work/data" convert >/dev/null
  if ! cmp -s <(image "$work/data") "$work/clean.txt" || ! cmp -s <(image "$work/tmp") "$work/clean-tmp.txt"; then
    echo "$state at ${at_ms} ms: the next run did not converge"
    diff <(image "$work/data") "$work/clean.txt" | head -n 20
    exit 1
  fi
  echo "$state at ${at_ms} ms: the next run converged"
done
echo "$killed runs killed while converting, at $killed different moments; every next run converged"
[ "$killed" -ge "$kills" ]
