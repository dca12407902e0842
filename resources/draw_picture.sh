#!/usr/bin/env bash
# Draws the About picture: 200 x 190 pixels, a baseline JFIF JPEG at 72 dpi,
# and writes resources/about.jpg. Run by hand after a change; the build uses
# the committed file. Solid blocks stand at fixed places so that tests can
# find the picture on the screen: red at (10..39, 10..39), blue at
# (160..189, 10..39), green at (10..39, 150..179).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
convert -size 200x190 gradient:'#e8eef7-#9fb6d8' \
  -fill '#1f4e8c' -stroke '#0d2748' -strokewidth 3 -draw 'roundrectangle 45,65 155,125 10,10' \
  -fill '#4f86c6' -stroke none -draw 'roundrectangle 55,75 145,92 5,5' \
  -fill '#d8e4f2' -draw 'rectangle 58,102 112,109' \
  -fill '#37d05a' -stroke '#145c26' -strokewidth 2 -draw 'circle 133,108 139,108' \
  -stroke none -fill '#ff0000' -draw 'rectangle 10,10 39,39' \
  -fill '#0000ff' -draw 'rectangle 160,10 189,39' \
  -fill '#00ff00' -draw 'rectangle 10,150 39,179' \
  -density 72 -units PixelsPerInch -interlace none -colorspace sRGB -type TrueColor \
  -quality 97 -strip -define jpeg:optimize-coding=false "$here/about.jpg"
identify -verbose "$here/about.jpg" | grep -E 'Geometry|Resolution|Interlace|Filesize|Colorspace' || true
