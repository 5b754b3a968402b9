#!/usr/bin/env bash
# Sets up everything, builds, and runs the main job: the bundled sample panorama becomes FMS
# cube scenery in build/sample-output/. The files written are listed at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The converter alone: the window and the test suites are not needed for the job.
"$root/scripts/setup.sh" normal talvero-convert
converter="$root/build/normal/cli/talvero-convert"
output="$root/build/sample-output"
mkdir -p "$output"
echo "== Converting samples/sample-panorama.jpg into FMS cube scenery in $output"
# The sample is 2048 pixels wide, so the small faces (1024 pixels) hold all its detail.
"$converter" --image "$root/samples/sample-panorama.jpg" --scene "$output/sample.scn" \
  --type cube --format fms --size small
echo "== Done: the files above are in $output"
