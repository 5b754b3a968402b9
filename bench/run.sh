#!/usr/bin/env bash
# Benchmarks Talvero's image work against libjpeg-turbo's own tools on the same files, in
# the same run, and prints ratios (never bare times alone).
#   bench/run.sh                 build in Release, then run every benchmark
#   bench/run.sh jpeg_decode     only the named benchmarks
# Environment: TALVERO_BENCH_RUNS (default 3; the best run counts),
#              TALVERO_BENCH_DATA (default build/release/bench-data; generated files are kept).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" release >/dev/null
bin="$root/build/release/bench/talvero_bench"
data=${TALVERO_BENCH_DATA:-$root/build/release/bench-data}
runs=${TALVERO_BENCH_RUNS:-3}
mkdir -p "$data"

# Best wall time (ms) and the peak resident memory (KB) over $runs runs of a command.
measure() {
  local best_ms="" best_kb="" ms kb
  for _ in $(seq "$runs"); do
    read -r ms kb < <("$bin" measure -- "$@")
    if [ -z "$best_ms" ] || awk -v a="$ms" -v b="$best_ms" 'BEGIN { exit !(a < b) }'; then
      best_ms=$ms
    fi
    if [ -z "$best_kb" ] || [ "$kb" -gt "$best_kb" ]; then best_kb=$kb; fi
  done
  echo "$best_ms $best_kb"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# The detailed 8192 × 4096 test panorama, encoded by our own writer (quality 100); made once.
panorama() {
  local file="$data/panorama-8192x4096.jpg"
  [ -f "$file" ] || "$bin" make-panorama "$file" 8192 4096
  echo "$file"
}

# Decoding the panorama: time against djpeg, peak memory against the pixel bytes.
bench_jpeg_decode() {
  local file ours_ms ours_kb djpeg_ms djpeg_kb pixel_kb
  file=$(panorama)
  read -r ours_ms ours_kb < <(measure "$bin" decode "$file")
  read -r djpeg_ms djpeg_kb < <(measure djpeg -outfile /dev/null "$file")
  pixel_kb=$((8192 * 4096 * 3 / 1024))
  echo "== JPEG decode, 8192 x 4096 ($(($(stat -c %s "$file") / 1048576)) MB file, best of $runs)"
  printf '  ours   %8.1f ms  peak %7d KB\n' "$ours_ms" "$ours_kb"
  printf '  djpeg  %8.1f ms  peak %7d KB\n' "$djpeg_ms" "$djpeg_kb"
  echo "  time vs djpeg:        $(ratio "$ours_ms" "$djpeg_ms")x   (target <= 1.2)"
  echo "  peak vs pixel bytes:  $(ratio "$ours_kb" "$pixel_kb")x   (target <= 1.2)"
}

# Later stages add their bench_<name> function and list it here.
benchmarks=(jpeg_decode)
if [ $# -gt 0 ]; then benchmarks=("$@"); fi
for name in "${benchmarks[@]}"; do "bench_$name"; done
