#!/usr/bin/env bash
# Draws the program's icon, window/tolvane.png (48 x 48, 32-bit with alpha):
# a folder on a blue tile with three numbered cards rising out of it, the
# tool's job of gathering files under running numbers.  Needs ImageMagick;
# the PNG is committed, so builds do not run this.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 48x48 xc:none \
  -fill '#2b5fa8' -draw 'roundrectangle 1,1 46,46 9,9' \
  -fill '#3f7fd6' -draw 'roundrectangle 3,3 44,40 8,8' \
  -stroke '#9aa7b8' -strokewidth 1 \
  -fill '#ffffff' -draw 'roundrectangle 10,7 25,27 2,2' \
  -fill '#ffffff' -draw 'roundrectangle 17,9 32,29 2,2' \
  -fill '#ffffff' -draw 'roundrectangle 24,11 39,31 2,2' \
  -stroke none \
  -fill '#e0443e' -draw 'rectangle 13,11 22,14' \
  -fill '#2fa36b' -draw 'rectangle 20,13 29,16' \
  -fill '#f0a020' -draw 'rectangle 27,15 36,18' \
  -fill '#c98a10' -draw 'polygon 6,22 17,22 20,25 42,25 42,41 6,41' \
  -fill '#f7c23c' -draw 'polygon 5,28 43,28 41,42 7,42' \
  -fill '#fbd978' -draw 'line 7,29 41,29' \
  -define png:color-type=6 PNG32:tolvane.png
