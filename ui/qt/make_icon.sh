#!/usr/bin/env bash
# Draws the program's icon: a folder on a blue tile with three numbered cards
# rising out of it, the tool's job of gathering files under running numbers.
# The design is drawn on a 48-unit grid and rendered at each size, so every
# size is a sharp drawing rather than a scaled picture: ui/qt/tolvane.png is
# the 48 x 48 image, ui/qt/icons/tolvane_N.png the others (32-bit with
# alpha).  Needs ImageMagick; the PNGs are committed, so builds do not run it.
set -euo pipefail
cd "$(dirname "$0")"

sizes=(16 24 32 48 64 128 256)

# draw SIZE OUTPUT: renders the 48-unit design at SIZE x SIZE pixels.
draw() {
  local size=$1 output=$2
  local scale
  scale=$(awk -v s="$size" 'BEGIN { printf "%.6f", s / 48 }')
  convert -size "${size}x${size}" xc:none -draw "
    affine $scale,0,0,$scale,0,0
    fill '#2b5fa8' roundrectangle 1,1 46,46 9,9
    fill '#3f7fd6' roundrectangle 3,3 44,40 8,8
    stroke '#9aa7b8' stroke-width 1
    fill '#ffffff' roundrectangle 10,7 25,27 2,2
    fill '#ffffff' roundrectangle 17,9 32,29 2,2
    fill '#ffffff' roundrectangle 24,11 39,31 2,2
    stroke none
    fill '#e0443e' rectangle 13,11 22,14
    fill '#2fa36b' rectangle 20,13 29,16
    fill '#f0a020' rectangle 27,15 36,18
    fill '#c98a10' polygon 6,22 17,22 20,25 42,25 42,41 6,41
    fill '#f7c23c' polygon 5,28 43,28 41,42 7,42
    fill '#fbd978' line 7,29 41,29
  " -define png:color-type=6 "PNG32:$output"
}

mkdir -p icons
for size in "${sizes[@]}"; do
  if [ "$size" -eq 48 ]; then
    draw "$size" tolvane.png
  else
    draw "$size" "icons/tolvane_$size.png"
  fi
done
