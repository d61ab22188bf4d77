#!/usr/bin/env bash
# Imports every demo model's glTF export (.glb and .gltf) into Blender and
# checks its tree, bounds, animations and images. Blender is large, so this is
# not part of the test suite: `make check-blender` runs it.
#   tests/blender/run.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
if ! command -v blender >/dev/null; then
  echo "check-blender: blender is not installed (apt-get install blender)" >&2
  exit 1
fi
kvtool="$build/tools/kvtool/kvtool"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$kvtool" demo "$work"
status=0
for model in asteroid harvester lance lighthouse relay vanguard; do
  "$kvtool" dump "$work" "$model.oof" --json > "$work/$model.json"
  for extension in glb gltf; do
    "$kvtool" export "$work" "$model.oof" -o "$work/$model.$extension"
    blender -b --factory-startup --python-exit-code 1 --python tests/blender/check_gltf.py -- \
      "$work/$model.$extension" "$work/$model.json" 2>&1 | grep '^blender: ' || status=1
  done
done
exit $status
