#!/usr/bin/env bash
# Draws kvss.scr's icon, a shaded gem on a transparent ground, and writes it as
# a 32x32, 16-colour .ico file: make_icon.sh OUT.ico
set -euo pipefail
out="$1"

size=32
centre=15   # the gem's middle, in pixels from the top left
radius=14   # from the middle to each point

# Sets colour to the palette index of a pixel, -1 for transparent.
pixel() {
    local x=$1 y=$2
    local dx=$((x - centre)) dy=$((y - centre))
    local ax=${dx#-} ay=${dy#-}
    local d=$((ax + ay))
    if ((d > radius)); then colour=-1; return; fi
    if ((d >= radius - 1)); then colour=0; return; fi           # black outline
    if ((dx == 0 || dy == 0)); then colour=5; return; fi         # white edges between the facets
    if ((dx < 0 && dy < 0)); then
        if ((ax + ay < 6)); then colour=5; else colour=4; fi       # lit facet with a highlight
    elif ((dx > 0 && dy < 0)); then colour=3
    elif ((dx < 0 && dy > 0)); then colour=2
    else colour=1
    fi
}

bytes=""
u8() { local b; printf -v b '\\x%02x' $(($1 & 255)); bytes+=$b; }
u16() { u8 "$1"; u8 $(($1 >> 8)); }
u32() { u16 $(($1 & 65535)); u16 $(($1 >> 16)); }

palette_bytes=64
xor_bytes=$((size * size / 2))
and_bytes=$((size * 4))
image_bytes=$((40 + palette_bytes + xor_bytes + and_bytes))

# Icon directory with its one entry.
u16 0; u16 1; u16 1
u8 "$size"; u8 "$size"; u8 16; u8 0; u16 1; u16 4; u32 "$image_bytes"; u32 22
# Bitmap header: the height counts the colour image and the mask together.
u32 40; u32 "$size"; u32 $((size * 2)); u16 1; u16 4; u32 0; u32 $((xor_bytes + and_bytes)); u32 0; u32 0; u32 16; u32 0
# Palette, written blue green red unused: black, navy, blue, steel, sky, white, then black.
for rgb in 000000 001840 1040a0 4080c0 70c0ff ffffff; do
    u8 $((16#${rgb:4:2})); u8 $((16#${rgb:2:2})); u8 $((16#${rgb:0:2})); u8 0
done
for ((i = 6; i < 16; ++i)); do u32 0; done

# Rows run from the bottom up in both the colour image and the mask.
declare -a index
for ((y = 0; y < size; ++y)); do
    for ((x = 0; x < size; ++x)); do pixel "$x" "$y"; index[y * size + x]=$colour; done
done
for ((y = size - 1; y >= 0; --y)); do
    for ((x = 0; x < size; x += 2)); do
        high=${index[y * size + x]}; low=${index[y * size + x + 1]}
        ((high < 0)) && high=0
        ((low < 0)) && low=0
        u8 $((high << 4 | low))
    done
done
for ((y = size - 1; y >= 0; --y)); do
    for ((x = 0; x < size; x += 8)); do
        mask=0
        for ((bit = 0; bit < 8; ++bit)); do
            ((index[y * size + x + bit] < 0)) && mask=$((mask | 128 >> bit))
        done
        u8 "$mask"
    done
done

printf "$bytes" >"$out"
