#!/usr/bin/env bash
# Sets up everything, then builds and runs every test: a normal build (with the Debian
# package, checked, and the programs installed from it), a short fuzzing run of every reader,
# the Windows build's tests under Wine (scripts/test-windows.sh), the window's suites among
# them, and a build under AddressSanitizer + UndefinedBehaviorSanitizer of what the
# sanitizers find faults in (the core, the formats, the converter and the grid model).
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

# Work that has no time limits runs beside the rest at the lowest priority, taking a core
# whenever the stages in front leave one idle (the tests under Wine, above all): the Windows
# libraries and Qt for Windows (built once per machine, kept in ~/.cache/talvero), then the
# sanitizer build. Anything with a timeout (tests, fuzzing) runs in front at normal priority.
mkdir -p "$root/build"
beside_log=$root/build/beside.log
windows_ready=$root/build/windows-dependencies.ready
rm -f "$windows_ready"
# A process group of its own (job control on for the start), so that a failing run stops it
# too; the same session, since the kernel weighs sessions against each other before niceness.
set -m
nice -n 19 bash -c '. "$1/scripts/stage.sh"
  "$1/scripts/build-windows.sh" --dependencies && touch "$2" &&
  stage "sanitize build" "$1/scripts/setup.sh" sanitize' sh "$root" "$windows_ready" \
  >"$beside_log" 2>&1 &
beside=$!
set +m
trap 'kill -- -"$beside" 2>/dev/null || true' EXIT
# wait_beside WHAT: waits until the work beside is done, then shows its stage lines.
beside_done=""
wait_beside() {
  [ -z "$beside_done" ] || return 0
  local start=$SECONDS took
  wait "$beside" || { cat "$beside_log" >&2; echo "failed beside the other stages: see above" >&2; exit 1; }
  trap - EXIT
  beside_done=1
  took=$((SECONDS - start))
  echo "   (built beside the other stages, at the lowest priority; $1 waited $((took / 60)) min $((took % 60)) s for it:)"
  grep '^== stage' "$beside_log" | sed 's/^/   /' || true
}

stage "normal build" "$root/scripts/setup.sh" normal
echo "== Tests (normal build)"
stage "normal tests" ctest --test-dir "$root/build/normal" -j"$jobs" --output-on-failure --timeout 600
echo "== Debian package (lintian, desktop-file-validate) and the installed programs"
stage package env TALVERO_BUILT=1 "$root/scripts/package.sh"
stage "package check" "$root/scripts/check-package.sh"

# A short fuzzing run of every reader (a long one is scripts/fuzz.sh with its default of ten
# minutes per target); FUZZ_TARGETS narrows it.
echo "== Fuzzing smoke run"
read -r -a fuzz_targets <<<"${FUZZ_TARGETS:-}"
stage fuzzing env FUZZ_SECONDS="${FUZZ_SECONDS:-15}" "$root/scripts/fuzz.sh" "${fuzz_targets[@]}"

echo "== Windows build under Wine"
start=$SECONDS
until [ -e "$windows_ready" ]; do
  kill -0 "$beside" 2>/dev/null || { wait_beside "the Windows build"; break; }
  sleep 5
done
took=$((SECONDS - start))
echo "   (the Windows libraries and Qt, built beside: waited $((took / 60)) min $((took % 60)) s)"
grep '^== stage windows' "$beside_log" | sed 's/^/   /' || true
stage "windows build" "$root/scripts/build-windows.sh"
stage "windows tests" env TALVERO_WINDOWS_BUILT=1 "$root/scripts/test-windows.sh"

wait_beside "the sanitizer tests"
echo "== Tests (sanitizer build)"
stage "sanitize tests" ctest --test-dir "$root/build/sanitize" -j"$jobs" --output-on-failure --timeout 600
echo "All tests passed (normal, sanitizer and Windows builds, the package and its programs, fuzzing smoke run)."
