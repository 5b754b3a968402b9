#!/usr/bin/env bash
# Sets up everything, then builds and runs every test twice: a normal build and a build
# under AddressSanitizer + UndefinedBehaviorSanitizer; the normal build also makes the
# Debian package, checks it and runs the programs installed from it; a short fuzzing run
# of every reader; then the Windows build's tests under Wine (scripts/test-windows.sh).
# Fails when any test or check fails or the fuzzing finds anything.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
. "$root/scripts/stage.sh"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp}

stage packages "$root/scripts/install-packages.sh" "$root/scripts/packages.txt" \
  "$root/scripts/packages-windows.txt"
for kind in normal sanitize; do
  stage "$kind build" "$root/scripts/setup.sh" "$kind"
  echo "== Tests ($kind build)"
  # The exhaustive checks (label engine_long) prove values, not memory safety: once is enough.
  exclude=()
  [ "$kind" = sanitize ] && exclude=(-LE engine_long)
  stage "$kind tests" ctest --test-dir "$root/build/$kind" -j"$jobs" --output-on-failure \
    --timeout 600 "${exclude[@]}"
  if [ "$kind" = normal ]; then
    echo "== Debian package (lintian, desktop-file-validate) and the installed programs"
    stage package "$root/scripts/package.sh"
    stage "package check" "$root/scripts/check-package.sh"
  fi
done
# A short fuzzing run of every reader (a long one is scripts/fuzz.sh with its default of ten
# minutes per target); FUZZ_TARGETS narrows it.
echo "== Fuzzing smoke run"
read -r -a fuzz_targets <<<"${FUZZ_TARGETS:-}"
stage fuzzing env FUZZ_SECONDS="${FUZZ_SECONDS:-15}" "$root/scripts/fuzz.sh" "${fuzz_targets[@]}"
echo "== Windows build under Wine"
stage "windows build" "$root/scripts/build-windows.sh"
stage "windows tests" env TALVERO_WINDOWS_BUILT=1 "$root/scripts/test-windows.sh"
echo "All tests passed (normal, sanitizer and Windows builds, the package and its programs, fuzzing smoke run)."
