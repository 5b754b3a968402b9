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

# A detailed test panorama of the given size, made once.
panorama_of() {
  local file="$data/panorama-$1x$2.jpg"
  [ -f "$file" ] || "$bin" make-panorama "$file" "$1" "$2"
  echo "$file"
}

# The image stage of a cube or sphere job against the floor: djpeg on the input plus
# cjpeg -quality 100 on the output pixels (the divided images, as BMP files).
stage_bench() {
  local kind=$1 width=$2 target=$3 file out ours_ms ours_kb djpeg_ms djpeg_kb cjpeg_ms cjpeg_kb
  local floor pixel_kb
  file=$(panorama_of "$width" $((width / 2)))
  out="$data/out-$kind-$width"
  rm -rf "$out" && mkdir -p "$out/bmp" "$out/jpg"
  "$bin" stage "$file" "$out/bmp" "$kind" bmp  # the output pixels for cjpeg (not timed)
  read -r ours_ms ours_kb < <(measure "$bin" stage "$file" "$out/jpg" "$kind" jpg)
  read -r djpeg_ms djpeg_kb < <(measure djpeg -outfile /dev/null "$file")
  read -r cjpeg_ms cjpeg_kb < <(measure bash -c \
    'for f in "$0"/*.bmp; do cjpeg -quality 100 -outfile /dev/null "$f" || exit 1; done' "$out/bmp")
  floor=$(awk -v a="$djpeg_ms" -v b="$cjpeg_ms" 'BEGIN { printf "%.1f", a + b }')
  pixel_kb=$((width * (width / 2) * 3 / 1024))
  echo "== $kind job, $width x $((width / 2)) JPEG in, $(ls "$out/jpg" | wc -l) JPEGs out ($(nproc) cores, best of $runs)"
  printf '  ours   %8.1f ms  peak %8d KB\n' "$ours_ms" "$ours_kb"
  printf '  floor  %8.1f ms  (djpeg %.1f + cjpeg %.1f)\n' "$floor" "$djpeg_ms" "$cjpeg_ms"
  echo "  time vs floor:        $(ratio "$ours_ms" "$floor")x   (target <= $target)"
  echo "  peak vs pixel bytes:  $(ratio "$ours_kb" "$pixel_kb")x   (target <= 3)"
  rm -rf "$out"
}

bench_cube() { stage_bench cube 8192 2.5; }
bench_sphere() { stage_bench sphere 8192 2; }
bench_cube_16k() { stage_bench cube 16384 2.5; }
bench_sphere_16k() { stage_bench sphere 16384 2; }

# The scene view: a normal-size job from the detailed panorama, then 1280 x 720 views in
# ever new directions, rendered on one core (the window's worker has one thread).
view_bench() {
  local kind=$1 format=$2 out mean median worst load texture pin=()
  out="$data/view-$kind-$format"
  rm -rf "$out" && mkdir -p "$out"
  "$bin" scene "$(panorama)" "$out" "$kind" "$format"
  local scene="$out/scene.scn"
  [ "$format" = fms ] || scene="$out/scene.xscn"
  if command -v taskset >/dev/null; then pin=(taskset -c 0); fi
  read -r mean median worst load texture < <("${pin[@]}" "$bin" view "$scene" 60)
  echo "== scene view, $kind $format, 1280 x 720 (one core, 60 frames)"
  printf '  per frame  median %6.2f ms  mean %6.2f ms  worst %6.2f ms   (target <= 40)\n' \
    "$median" "$mean" "$worst"
  printf '  loading    %6.1f ms, textures %.1f MB      (bound 144 MB)\n' "$load" "$texture"
  rm -rf "$out"
}

bench_view_cube() { view_bench cube fms; }
bench_view_sphere() { view_bench sphere rcp; }

benchmarks=(jpeg_decode cube sphere cube_16k sphere_16k view_cube view_sphere)
if [ $# -gt 0 ]; then benchmarks=("$@"); fi
for name in "${benchmarks[@]}"; do "bench_$name"; done
