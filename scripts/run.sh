#!/usr/bin/env bash
# Installs what building needs, builds the Linux programs (kvss, kvss-viewer
# and kvtool; no tests, no kvss.scr), writes the demo archive and shows it: the saver in a
# window when a display is available, otherwise rendered frames and a contact
# sheet in build/demo-pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
# A new build leaves out the tests and benchmarks, whose libraries the build set
# lacks; scripts/test.sh turns them on in the same folder, reusing what is built.
options=()
[ -f build/CMakeCache.txt ] || options=(-DKVSS_TESTS=OFF -DKVSS_BENCH=OFF)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
cmake --build build -j "$(nproc)" --target kvss kvss_viewer kvtool
kvtool=build/tools/kvtool/kvtool
"$kvtool" demo build/demo
echo "Demo archive: build/demo/kv.hog"
"$kvtool" ls build/demo/kv.hog

if [ -n "${DISPLAY:-}" ] && [ -x build/src/host/x11/kvss ]; then
  echo "Showing the demo in a window: Escape or q closes it."
  exec build/src/host/x11/kvss --game build/demo --fps "$@"
fi

pictures=build/demo-pictures
mkdir -p "$pictures"
echo "No display: rendering the demo offscreen into $pictures"
"$kvtool" contact-sheet build/demo -o "$pictures/contact-sheet.png" --size 320x240 --columns 3
for seed in 1 2 3; do
  "$kvtool" render build/demo --seed "$seed" --seconds 3 --size 960x540 --fps -o "$pictures/frame-seed$seed.png"
done
echo "Wrote:"
ls -1 "$pictures"
