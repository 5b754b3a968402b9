#!/usr/bin/env bash
# Sets up and builds (the normal build), then makes the Debian package
# build/package/talvero_<version>_amd64.deb and checks it: lintian must report no error and
# desktop-file-validate must accept the desktop entry. Install it with
#   sudo apt install ./build/package/talvero_<version>_amd64.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# test.sh has built it already.
[ -n "${TALVERO_BUILT:-}" ] || "$root/scripts/setup.sh" normal

out="$root/build/package"
rm -rf "$out"
cpack --config "$root/build/normal/CPackConfig.cmake" -B "$out" >/dev/null
rm -rf "$out/_CPack_Packages"
deb=$(ls "$out"/talvero_*_amd64.deb)

desktop-file-validate "$root/packaging/linux/talvero.desktop"
# Warnings are shown; only errors fail. (lintian would rather not run as root, as CI does;
# that note changes nothing and is left out.)
status=0
report=$(lintian --fail-on error "$deb" 2>&1) || status=$?
report=$(printf '%s\n' "$report" | grep -v 'running with root privileges' || true)
[ -z "$report" ] || printf '%s\n' "$report"
if [ "$status" -ne 0 ]; then
  echo "lintian reports errors in $deb" >&2
  exit 1
fi
echo "lintian: no errors, $(printf '%s\n' "$report" | grep -c '^W:' || true) warnings"
echo "Package: $deb"
