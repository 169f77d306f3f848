#!/usr/bin/env bash
# The Debian package of the console program, made from a build folder
# (default: build) and checked as a user would meet it: cpack makes it,
# lintian finds no error in it, dpkg -x unpacks it into a scratch root, and
# the program it holds tells its version, examines and converts a sample
# folder, and its manual page renders without a warning.
#   tools/package-test.sh [BUILD]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
version=$(sed -n 's/^#define LANVO_VERSION "\(.*\)"$/\1/p' "$build/generated/lanvo_version.hpp")
deb="$build/lanvo303_${version}_amd64.deb"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
rm -f "$deb"
(cd "$build" && cpack -G DEB) >"$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log"; exit 1; }
[ -f "$deb" ] || { echo "cpack made no $deb"; exit 1; }
dpkg-deb -f "$deb" Depends | grep -q 'libc6' || { echo "$deb: no dependencies computed"; exit 1; }

# Errors fail; warnings and notes are printed (README: which ones to expect).
status=0
lintian --fail-on error --tag-display-limit 0 "$deb" >"$scratch/lintian.txt" 2>&1 || status=$?
grep -v 'running with root privileges' "$scratch/lintian.txt" || true
[ "$status" -eq 0 ] || { echo "lintian found errors in $deb"; exit 1; }
dpkg -x "$deb" "$scratch/root"
program="$scratch/root/usr/bin/lanvo303"
[ "$("$program" --version)" = "lanvo303 $version" ] || { echo "--version: $("$program" --version)"; exit 1; }

"$build/lanvo-sample" --clients 20 --seed 1 --stage f10 "$scratch/data" >/dev/null
mkdir "$scratch/tmp"
TMPDIR="$scratch/tmp" "$program" status "$scratch/data" >"$scratch/status.txt" ||
  { cat "$scratch/status.txt"; echo "status: the sample folder does not convert cleanly"; exit 1; }
out=$(TMPDIR="$scratch/tmp" "$program" -C "$scratch/data" convert)
[ "$out" = "[Lanvo] A conversão foi realizada." ] || { echo "convert: $out"; exit 1; }
[ -f "$scratch/data/F10R2.DAT" ] && [ ! -e "$scratch/data/F10.DAT" ] || { echo "convert: F10R2.DAT not made"; exit 1; }

page="$scratch/root/usr/share/man/man1/lanvo303.1.gz"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -P cat -l "$page" 2>&1 >"$scratch/man.txt")
[ -z "$warnings" ] || { echo "man -l $page: $warnings"; exit 1; }
for section in SYNOPSIS OPTIONS COMMANDS 'EXIT STATUS'; do
  grep -q "^$section" "$scratch/man.txt" || { echo "man page: no $section"; exit 1; }
done
echo "package $deb: lintian without errors, --version, status and convert of a sample folder, man page: passed"
