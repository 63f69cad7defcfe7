#!/usr/bin/env bash
# Builds resources/tolvane.ico, the program's icon: one 48 x 48, 32-bit image.
#   resources/make_icon.sh [PNG]
# With a PNG (any size, RGBA) it is scaled to 48 x 48; without one, the
# program's own picture is drawn: two photos in a stack, orange behind blue.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ $# -ge 1 ]; then
  convert "$1" -background none -resize 48x48 -gravity center -extent 48x48 "$work/icon.png"
else
  # The back photo, tilted: orange with a white frame.
  convert -size 48x48 xc:none \
    -fill white -draw "rectangle 6,6 38,32" \
    -fill '#f28c28' -draw "rectangle 9,9 35,29" \
    -background none -rotate -12 -gravity center -extent 48x48 "$work/back.png"
  # The front photo: blue sky, a sun and a hill, in a white frame.
  convert -size 48x48 xc:none \
    -fill '#5a5a5a80' -draw "rectangle 11,16 45,44" \
    -fill white -draw "rectangle 9,14 43,42" \
    -fill '#2f6fd6' -draw "rectangle 12,17 40,39" \
    -fill '#ffd23f' -draw "circle 33,23 36,23" \
    -fill '#1d4e9e' -draw "polygon 12,39 21,27 29,35 33,31 40,39" \
    "$work/front.png"
  convert "$work/back.png" "$work/front.png" -background none -compose over -flatten \
    "$work/icon.png"
fi

# PNG32 keeps the alpha channel; the .ico stores it as a 32-bit bitmap.
convert "$work/icon.png" -define png:color-type=6 "PNG32:$work/icon32.png"
convert "$work/icon32.png" -type TrueColorAlpha -depth 8 -define icon:auto-resize=48 \
  "$here/tolvane.ico"
identify "$here/tolvane.ico"
