#!/usr/bin/env bash
# Benchmarks the whole talvero-convert process against libjpeg-turbo's own tools on the same
# files, in the same run, and prints ratios (never bare times alone).
#   bench/run.sh                 build in Release, then run every benchmark
#   bench/run.sh cube threads    only the named benchmarks
# Benchmarks: jpeg_decode, cube, cube_large, cube_16k, sphere, threads, options, view_cube,
#             view_sphere
#             (all by default); sphere_16k on request.
# Environment: TALVERO_BENCH_RUNS    runs per command (default 5; the medians count)
#              TALVERO_BENCH_DATA    folder of the generated files (default build/release/bench-data)
#              TALVERO_CONVERT       the converter to measure (default the Release build's), so
#                                    that two builds can be compared on the same files
#
# The floor of a job is what the codecs alone need for it: djpeg decoding the panorama plus
# one cjpeg -quality 100 of all the job's output pixels joined into one PPM (the six cube
# faces side by side, the twenty sphere tiles one below the other). Wall and CPU time
# (user + sys) are each compared with the floor's; peak memory with the panorama's pixel bytes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" release >/dev/null
bin="$root/build/release/bench/talvero_bench"
convert=${TALVERO_CONVERT:-$root/build/release/cli/talvero-convert}
data=${TALVERO_BENCH_DATA:-$root/build/release/bench-data}
runs=${TALVERO_BENCH_RUNS:-5}
mkdir -p "$data"

# Median wall ms, median CPU ms and median peak KB over $runs runs of a command; its output
# is dropped.
measure() {
  local walls=() cpus=() kbs=() wall cpu kb
  for _ in $(seq "$runs"); do
    read -r wall cpu kb < <("$bin" measure -- "$@")
    walls+=("$wall") cpus+=("$cpu") kbs+=("$kb")
  done
  echo "$(median "${walls[@]}") $(median "${cpus[@]}") $(median "${kbs[@]}")"
}
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
sum() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", a + b }'; }

# A detailed, noise-like test panorama (encoded by our own writer), made once.
panorama_of() {
  local width=$1 quality=$2 file="$data/panorama-$1x$(($1 / 2))-q$2.jpg"
  [ -f "$file" ] || "$bin" make-panorama "$file" "$width" $((width / 2)) "$quality"
  echo "$file"
}
megabytes() { awk -v b="$(stat -c %s "$1")" 'BEGIN { printf "%.1f", b / 1048576 }'; }

# Decoding alone: time against djpeg, peak memory against the pixel bytes.
bench_jpeg_decode() {
  local file ours_ms ours_cpu ours_kb djpeg_ms djpeg_cpu djpeg_kb pixel_kb
  file=$(panorama_of 8192 100)
  read -r ours_ms ours_cpu ours_kb < <(measure "$bin" decode "$file")
  read -r djpeg_ms djpeg_cpu djpeg_kb < <(measure djpeg -outfile /dev/null "$file")
  pixel_kb=$((8192 * 4096 * 3 / 1024))
  echo "== JPEG decode, 8192 x 4096 ($(megabytes "$file") MB file at quality 100, medians of $runs)"
  printf '  ours   %8.1f ms  cpu %8.1f ms  peak %7d KB\n' "$ours_ms" "$ours_cpu" "$ours_kb"
  printf '  djpeg  %8.1f ms  cpu %8.1f ms  peak %7d KB\n' "$djpeg_ms" "$djpeg_cpu" "$djpeg_kb"
  echo "  wall vs djpeg:        $(ratio "$ours_ms" "$djpeg_ms")x   (target <= 1.2)"
  echo "  peak vs pixel bytes:  $(ratio "$ours_kb" "$pixel_kb")x   (target <= 1.2)"
}

# Sets `job` to the converter's command for a job writing into a folder.
job_command() {
  job=("$convert" --image "$3" --scene "$4/bench.scn" --base bench --type "$1" --size "$2" -q)
}

# The job's output pixels as one PPM for cjpeg: the images of one run with BMP output, joined.
floor_picture() {
  local type=$1 size=$2 file=$3 ppm=$4 out="$data/floor-images" layout=across count=6
  [ "$type" = sphere ] && layout=down count=20
  rm -rf "$out" && mkdir -p "$out"
  local images=()
  job_command "$type" "$size" "$file" "$out"
  # The images are listed first on standard output, in the order of the job.
  mapfile -t images < <("${job[@]}" --image-type bmp --no-scene | head -n "$count")
  "$bin" join "$ppm" "$layout" "${images[@]}"
  rm -rf "$out"
}

# The whole process of one job against its floor. Arguments: type, size, panorama width,
# the three targets (wall, CPU, peak) and a label.
job_bench() {
  local type=$1 size=$2 width=$3 wall_target=$4 cpu_target=$5 peak_target=$6 label=$7
  local file ppm out ours_ms ours_cpu ours_kb djpeg_ms djpeg_cpu djpeg_kb cjpeg_ms cjpeg_cpu
  local cjpeg_kb floor_ms floor_cpu pixel_kb
  file=$(panorama_of "$width" 75)
  ppm="$data/floor.ppm"
  out="$data/out"
  floor_picture "$type" "$size" "$file" "$ppm"
  rm -rf "$out" && mkdir -p "$out"
  job_command "$type" "$size" "$file" "$out"
  read -r ours_ms ours_cpu ours_kb < <(measure "${job[@]}" --image-type jpg)
  read -r djpeg_ms djpeg_cpu djpeg_kb < <(measure djpeg -outfile /dev/null "$file")
  read -r cjpeg_ms cjpeg_cpu cjpeg_kb < <(measure cjpeg -quality 100 -outfile /dev/null "$ppm")
  floor_ms=$(sum "$djpeg_ms" "$cjpeg_ms")
  floor_cpu=$(sum "$djpeg_cpu" "$cjpeg_cpu")
  pixel_kb=$((width * (width / 2) * 3 / 1024))
  echo "== $label ($width x $((width / 2)), $(megabytes "$file") MB; medians of $runs)"
  printf '  ours   wall %7.1f ms  cpu %7.1f ms  peak %7d KB\n' "$ours_ms" "$ours_cpu" "$ours_kb"
  printf '  floor  wall %7.1f ms  cpu %7.1f ms  (djpeg %.1f / %.1f, cjpeg %.1f / %.1f)\n' \
    "$floor_ms" "$floor_cpu" "$djpeg_ms" "$djpeg_cpu" "$cjpeg_ms" "$cjpeg_cpu"
  echo "  wall vs floor:        $(ratio "$ours_ms" "$floor_ms")x   (target <= $wall_target)"
  echo "  cpu vs floor cpu:     $(ratio "$ours_cpu" "$floor_cpu")x   (target <= $cpu_target)"
  echo "  peak vs pixel bytes:  $(ratio "$ours_kb" "$pixel_kb")x   (target <= $peak_target)"
  rm -rf "$out" "$ppm"
}

bench_cube() { job_bench cube normal 8192 1.2 2 1.5 "cube job, six 2048 JPEG faces"; }
bench_cube_large() { job_bench cube large 8192 1.5 2.5 2.5 "cube job, six 4096 JPEG faces"; }
bench_cube_16k() { job_bench cube normal 16384 1.3 2 1.3 "cube job, six 2048 JPEG faces"; }
bench_sphere() { job_bench sphere normal 8192 0.8 1.3 1.2 "sphere job, twenty 1024 JPEG tiles"; }
bench_sphere_16k() { job_bench sphere normal 16384 0.8 1.3 1.2 "sphere job, twenty 1024 JPEG tiles"; }

# The normal cube job on one thread against all of them.
bench_threads() {
  local file out one_ms one_cpu one_kb all_ms all_cpu all_kb
  file=$(panorama_of 8192 75)
  out="$data/out"
  rm -rf "$out" && mkdir -p "$out"
  job_command cube normal "$file" "$out"
  read -r one_ms one_cpu one_kb < <(measure "${job[@]}" --image-type jpg --threads 1)
  read -r all_ms all_cpu all_kb < <(measure "${job[@]}" --image-type jpg)
  echo "== cube job, six 2048 JPEG faces: one thread against all $(nproc) (medians of $runs)"
  printf '  1 thread    wall %7.1f ms  cpu %7.1f ms  peak %7d KB\n' "$one_ms" "$one_cpu" "$one_kb"
  printf '  %d threads   wall %7.1f ms  cpu %7.1f ms  peak %7d KB\n' "$(nproc)" "$all_ms" "$all_cpu" "$all_kb"
  echo "  speed-up:   $(ratio "$one_ms" "$all_ms")x   cpu all/one: $(ratio "$all_cpu" "$one_cpu")x"
  rm -rf "$out"
}

# The options beyond the classic job against the classic normal cube job, same panorama and
# run: CPU time of --quality high (target <= 1.5x) and of --level (target <= 1.1x).
bench_options() {
  local file out i k wall cpu kb
  file=$(panorama_of 8192 75)
  out="$data/out"
  rm -rf "$out" && mkdir -p "$out"
  job_command cube normal "$file" "$out"
  local options=("" "--quality high" "--level 5,-3" "--level 5,-3 --quality high")
  local walls=() cpus=() kbs=()
  # The jobs take turns, run after run, so that whatever else the machine does falls on all
  # of them alike.
  for _ in $(seq "$runs"); do
    for k in "${!options[@]}"; do
      # shellcheck disable=SC2086
      read -r wall cpu kb < <("$bin" measure -- "${job[@]}" --image-type jpg ${options[$k]})
      walls[k]+="$wall " cpus[k]+="$cpu " kbs[k]+="$kb "
    done
  done
  echo "== cube job, six 2048 JPEG faces: options against the classic job (medians of $runs, in turn)"
  local exact_cpu
  # shellcheck disable=SC2086
  exact_cpu=$(median ${cpus[0]})
  for k in "${!options[@]}"; do
    # shellcheck disable=SC2086
    printf '  %-27s wall %7.1f ms  cpu %7.1f ms  peak %7d KB  cpu vs exact %sx\n' \
      "${options[$k]:-exact}" "$(median ${walls[$k]})" "$(median ${cpus[$k]})" \
      "$(median ${kbs[$k]})" "$(ratio "$(median ${cpus[$k]})" "$exact_cpu")"
  done
  echo "  targets: --quality high <= 1.5x, --level <= 1.1x"
  rm -rf "$out"
}

# The detailed 8192 × 4096 panorama at quality 100, for the scene view.
panorama() { panorama_of 8192 100; }

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

benchmarks=(jpeg_decode cube cube_large cube_16k sphere threads options view_cube view_sphere)
if [ $# -gt 0 ]; then benchmarks=("$@"); fi
echo "talvero-convert: $convert"
echo "machine: $(nproc) cores; load before: $(uptime | sed 's/.*load average: //')"
for name in "${benchmarks[@]}"; do "bench_$name"; done
echo "load after: $(uptime | sed 's/.*load average: //')"
