#!/usr/bin/env bash
# Renders the reference frames: every demo model and the game-scale carrier in
# each drawing mode, at a few seconds, 640x480, and the demo on two monitors
# in each monitor choice, with `kvtool render`. The PNG
# files beside this script were made by it; the reference-frame test runs it
# again into a scratch folder and compares every frame's pixels with them.
#   tests/reference_frames/render.sh KVTOOL OUTDIR
set -euo pipefail
kvtool=$1
out=$2
mkdir -p "$out/demo" "$out/game"
"$kvtool" demo "$out/demo"
"$kvtool" demo --game-scale "$out/game"

models=(asteroid harvester lance lighthouse relay vanguard carrier)
# Each mode's name and its options.
modes=(
  "solid:"
  "wireframe:--wireframe"
  "mirror:--mirror"
  "nobilinear:--no-bilinear"
  "nomipmap:--no-mipmap"
  "fps:--fps"
)
for model in "${models[@]}"; do
  archive=$out/demo
  [ "$model" = carrier ] && archive=$out/game
  for mode in "${modes[@]}"; do
    name=${mode%%:*}
    options=${mode#*:}
    for seconds in 0.75 3.4; do
      # shellcheck disable=SC2086
      "$kvtool" render "$archive" --model "$model.oof" --seconds "$seconds" --size 640x480 $options \
        -o "$out/$model-$name-$seconds.png"
    done
  done
done

# Two monitors of different sizes side by side, the right one the primary:
# what each choice draws on them, with the overlay line of each monitor.
for choice in each same span primary; do
  "$kvtool" render "$out/demo" --seed 2 --seconds 3.4 --size 880x390 --fps \
    --monitors 400x300+0+90,*480x360+400+0 --monitor-choice "$choice" -o "$out/monitors-$choice-3.4.png"
done
rm -r "$out/demo" "$out/game"
