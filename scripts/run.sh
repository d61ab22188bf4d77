#!/usr/bin/env bash
# Installs what is missing, builds everything, writes the demo archive and shows
# it: the saver in a window when a display is available, otherwise rendered
# frames and a contact sheet in build/demo-pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
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
