#!/usr/bin/env bash
# Installs every package Talvero needs (Debian 12), then configures and builds.
#   scripts/setup.sh            the normal build in build/normal
#   scripts/setup.sh sanitize   the AddressSanitizer + UBSan build in build/sanitize
#   scripts/setup.sh packages   only the packages (scripts/fuzz.sh configures its own build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:-normal}

packages=$(grep -v '^#' "$root/scripts/packages.txt" | tr '\n' ' ')
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+="$p "
done
if [ -n "$missing" ]; then
  echo "Installing: $missing"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
fi

case "$kind" in
  packages) exit 0 ;;
  normal) options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  sanitize) options=(-DCMAKE_BUILD_TYPE=Debug -DTALVERO_SANITIZE=ON) ;;
  release) options=(-DCMAKE_BUILD_TYPE=Release -DTALVERO_BUILD_BENCH=ON) ;;
  *) echo "unknown build kind '$kind' (normal, sanitize, release or packages)" >&2; exit 2 ;;
esac

cmake -S "$root" -B "$root/build/$kind" "${options[@]}" >/dev/null
cmake --build "$root/build/$kind" -j"$(nproc)"
echo "Built $root/build/$kind"
