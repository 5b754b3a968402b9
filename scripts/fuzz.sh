#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) and runs each one for FUZZ_SECONDS
# (default 600), FUZZ_JOBS at a time (default one per core).
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
# Its own options, whatever the caller's: huge allocations are refused, not fatal.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp

# ccache through the top-level rule, as for every other Linux build.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DTALVERO_FUZZ=ON -DTALVERO_BUILD_GUI=OFF \
  -DTALVERO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzzers
rm -rf "$build/seeds"
"$build/fuzz/talvero-fuzz-seeds" "$build/seeds"

if [ $# -gt 0 ]; then targets=("$@"); else read -r -a targets <<<"$(tr ';' ' ' <"$build/fuzzers.txt")"; fi


# One target: runs it, then writes its summary line (and the first lines of any report) to
# logs/TARGET.summary; exits 1 when it found anything.
fuzz_one() {
  local target=$1 binary corpus findings log tmp seeds before status runs cov new line
  binary=$build/fuzz/fuzz_$target
  corpus=$build/corpus/$target
  findings=$build/findings/$target
  log=$build/logs/$target.log
  # The target's input files; an aborted run leaves its folder behind.
  tmp=$build/tmp/$target
  rm -rf "$tmp"
  mkdir -p "$corpus" "$findings" "$tmp"
  seeds=()
  [ -d "$build/seeds/$target" ] && seeds=("$build/seeds/$target")
  before=$(ls "$findings" | wc -l)
  status=0
  TMPDIR=$tmp "$binary" "$corpus" "${seeds[@]}" -max_total_time="$seconds" -rss_limit_mb=2048 \
    -timeout=10 -max_len=20000 -print_final_stats=1 -artifact_prefix="$findings/" >"$log" 2>&1 ||
    status=$?
  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
  new=$(ls -t "$findings" | head -n $(( $(ls "$findings" | wc -l) - before )) )
  line="fuzz_$target: ${runs:-?} executions, coverage ${cov:-?} edges"
  {
    if [ "$status" -ne 0 ] || [ -n "$new" ]; then
      line+=", FOUND (exit $status):"
      for f in $new; do line+=" $findings/$f"; done
      grep -E '^(==[0-9]+==ERROR|SUMMARY|==== property failed|.*runtime error)' "$log" | head -5 || true
      echo "   (log: $log)"
      echo "$line"
      status=1
    else
      echo "$line, nothing found"
    fi
  } >"$build/logs/$target.summary"
  return "$status"
}

for target in "${targets[@]}"; do
  [ -x "$build/fuzz/fuzz_$target" ] || { echo "no fuzz target '$target'" >&2; exit 2; }
done
mkdir -p "$build/logs"
# One target per core at a time: each fuzzes on one thread.
parallel=${FUZZ_JOBS:-$(nproc)}
echo "== ${#targets[@]} fuzz targets for ${seconds} s each, $parallel at a time"
found=0
running=0
for target in "${targets[@]}"; do
  if [ "$running" -ge "$parallel" ]; then
    wait -n || found=1
    running=$((running - 1))
  fi
  fuzz_one "$target" &
  running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
  wait -n || found=1
  running=$((running - 1))
done

echo "== Fuzzing summary (${seconds} s per target)"
for target in "${targets[@]}"; do cat "$build/logs/$target.summary"; done
exit "$found"
