#!/usr/bin/env bash
# Installs every package Talvero needs (Debian 12), then configures and builds.
#   scripts/setup.sh            the normal build in build/normal
#   scripts/setup.sh sanitize   the AddressSanitizer + UBSan build in build/sanitize
#   scripts/setup.sh packages   only the packages (scripts/fuzz.sh configures its own build)
#   scripts/setup.sh KIND TARGET…  only those targets of the build
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:-normal}
targets=("${@:2}")

"$root/scripts/install-packages.sh" "$root/scripts/packages.txt"

case "$kind" in
  packages) exit 0 ;;
  normal) options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  # What the sanitizers find faults in: the core, the formats, the converter and the grid
  # model. The window's suites run in the normal build and under Wine; the exhaustive checks
  # prove values, not memory safety, and run in the normal build.
  # -O1, as the sanitizers' own advice has it: the image jobs run several times faster than
  # unoptimised, with the same findings.
  sanitize) options=(-DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" -DTALVERO_SANITIZE=ON
                     -DTALVERO_BUILD_GUI=OFF -DTALVERO_BUILD_LONG_TESTS=OFF) ;;
  # The benchmarks need only the core, the converter and their own driver.
  release) options=(-DCMAKE_BUILD_TYPE=Release -DTALVERO_BUILD_BENCH=ON -DTALVERO_BUILD_GUI=OFF
                    -DTALVERO_BUILD_TESTS=OFF) ;;
  *) echo "unknown build kind '$kind' (normal, sanitize, release or packages)" >&2; exit 2 ;;
esac

cmake -S "$root" -B "$root/build/$kind" "${options[@]}" >/dev/null
only=()
[ ${#targets[@]} -eq 0 ] || only=(--target "${targets[@]}")
cmake --build "$root/build/$kind" -j"$(nproc)" "${only[@]}"
echo "Built $root/build/$kind${targets:+ (${targets[*]})}"
