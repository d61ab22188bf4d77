#!/usr/bin/env bash
# Installs what is missing, builds everything, writes the demo archive and shows it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
kvtool=build/tools/kvtool/kvtool
"$kvtool" demo build/demo
echo "Demo archive: build/demo/kv.hog"
"$kvtool" ls build/demo/kv.hog
echo
echo "Texture records of its table.gam:"
"$kvtool" table build/demo/kv.hog
