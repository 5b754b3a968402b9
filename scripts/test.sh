#!/usr/bin/env bash
# Sets up everything, then builds and runs every test: a normal build (with the Debian
# package, checked, and the programs installed from it), a build under AddressSanitizer +
# UndefinedBehaviorSanitizer (the core, the formats, the converter and the grid model: what
# it finds faults in), a short fuzzing run of every reader, then the Windows build's tests
# under Wine (scripts/test-windows.sh), the window's suites among them.
# Fails when any test or check fails or the fuzzing finds anything. Prints how long each
# stage took ("== stage NAME: M min S s").
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

# The Windows libraries and Qt for Windows are built once per machine (~/.cache/talvero) and
# need nothing from the Linux stages: on a new machine they are built beside them at the
# lowest priority, so that they take a core whenever the Linux stages leave one idle.
mkdir -p "$root/build"
windows_deps_log=$root/build/windows-dependencies.log
# A process group of its own, so that a failing run stops the whole build with it.
setsid nice -n 19 "$root/scripts/build-windows.sh" --dependencies >"$windows_deps_log" 2>&1 &
windows_deps=$!
trap 'kill -- -"$windows_deps" 2>/dev/null || true' EXIT

for kind in normal sanitize; do
  stage "$kind build" "$root/scripts/setup.sh" "$kind"
  echo "== Tests ($kind build)"
  stage "$kind tests" ctest --test-dir "$root/build/$kind" -j"$jobs" --output-on-failure \
    --timeout 600
  if [ "$kind" = normal ]; then
    echo "== Debian package (lintian, desktop-file-validate) and the installed programs"
    stage package env TALVERO_BUILT=1 "$root/scripts/package.sh"
    stage "package check" "$root/scripts/check-package.sh"
  fi
done
# A short fuzzing run of every reader (a long one is scripts/fuzz.sh with its default of ten
# minutes per target); FUZZ_TARGETS narrows it.
echo "== Fuzzing smoke run"
read -r -a fuzz_targets <<<"${FUZZ_TARGETS:-}"
stage fuzzing env FUZZ_SECONDS="${FUZZ_SECONDS:-15}" "$root/scripts/fuzz.sh" "${fuzz_targets[@]}"

echo "== Windows build under Wine"
start=$SECONDS
wait "$windows_deps" || { cat "$windows_deps_log" >&2; exit 1; }
trap - EXIT
took=$((SECONDS - start))
echo "   (the Windows libraries and Qt, built beside the Linux stages; waited $((took / 60)) min $((took % 60)) s)"
grep '^== ' "$windows_deps_log" || true
stage "windows build" "$root/scripts/build-windows.sh"
stage "windows tests" env TALVERO_WINDOWS_BUILT=1 "$root/scripts/test-windows.sh"
echo "All tests passed (normal, sanitizer and Windows builds, the package and its programs, fuzzing smoke run)."
