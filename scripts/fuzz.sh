#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) and runs each one in turn for
# FUZZ_SECONDS (default 600), one at a time.
#   scripts/fuzz.sh               every target
#   scripts/fuzz.sh bmp ini       the targets named (fuzz_bmp, fuzz_ini)
# Corpora grow in build/fuzz/corpus/<target>/ (seeded from build/fuzz/seeds/<target>/);
# every crash, leak, timeout or out-of-memory input is kept in build/fuzz/findings/<target>/;
# once mended, it joins tests/data/fuzz/<target>/, which the normal suites replay.
# Prints per target the executions, the coverage and the findings; exits 1 when anything
# was found.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-600}
build=$root/build/fuzz

"$root/scripts/setup.sh" packages

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DTALVERO_FUZZ=ON -DTALVERO_BUILD_GUI=OFF \
  -DTALVERO_BUILD_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzzers
rm -rf "$build/seeds"
"$build/fuzz/talvero-fuzz-seeds" "$build/seeds"

if [ $# -gt 0 ]; then targets=("$@"); else read -r -a targets <<<"$(tr ';' ' ' <"$build/fuzzers.txt")"; fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp}

found=0
report=()
for target in "${targets[@]}"; do
  binary=$build/fuzz/fuzz_$target
  [ -x "$binary" ] || { echo "no fuzz target '$target'" >&2; exit 2; }
  corpus=$build/corpus/$target
  findings=$build/findings/$target
  log=$build/logs/$target.log
  mkdir -p "$corpus" "$findings" "$(dirname "$log")"
  seeds=()
  [ -d "$build/seeds/$target" ] && seeds=("$build/seeds/$target")
  # The targets' input files; an aborted run leaves its folder behind.
  rm -rf "$build/tmp" && mkdir -p "$build/tmp"
  echo "== fuzz_$target for ${seconds} s"
  before=$(ls "$findings" | wc -l)
  set +e
  TMPDIR=$build/tmp "$binary" "$corpus" "${seeds[@]}" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -max_len=20000 -print_final_stats=1 -artifact_prefix="$findings/" >"$log" 2>&1
  status=$?
  set -e
  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
  new=$(ls -t "$findings" | head -n $(( $(ls "$findings" | wc -l) - before )) )
  line="fuzz_$target: ${runs:-?} executions, coverage ${cov:-?} edges"
  if [ "$status" -ne 0 ] || [ -n "$new" ]; then
    found=1
    line+=", FOUND (exit $status):"
    for f in $new; do line+=" $findings/$f"; done
    grep -E '^(==[0-9]+==ERROR|SUMMARY|==== property failed|.*runtime error)' "$log" | head -5 || true
    echo "   (log: $log)"
  else
    line+=", nothing found"
  fi
  echo "$line"
  report+=("$line")
done

echo "== Fuzzing summary (${seconds} s per target)"
printf '%s\n' "${report[@]}"
exit "$found"
