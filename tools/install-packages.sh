#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when missing:
# all of them, or those given as arguments.
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-dev libgtest-dev libcli11-dev python3 strace time faketime
          g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 wine xvfb xdotool x11-apps
          nlohmann-json3-dev help2man dpkg-dev file lintian man-db)
# Or only those named on the command line (bench/run.sh needs fewer).
[ $# -gt 0 ] && packages=("$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
