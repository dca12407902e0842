#!/usr/bin/env bash
# Draws the About picture: 200 x 190 pixels, a baseline JFIF JPEG at 72 dpi
# of about 9 KB, and writes resources/about.jpg. Run by hand after a change;
# the build uses the committed file.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
convert -size 200x190 gradient:'#eef3fa-#a9bedf' \
  -stroke '#5b79a8' -strokewidth 3 -draw 'line 100,118 100,150' -draw 'line 40,150 160,150' \
  -draw 'line 40,150 40,160' -draw 'line 100,150 100,160' -draw 'line 160,150 160,160' \
  -stroke '#0d2748' -strokewidth 2 -fill '#3a6db0' \
  -draw 'roundrectangle 28,158 52,174 3,3' -draw 'roundrectangle 88,158 112,174 3,3' \
  -draw 'roundrectangle 148,158 172,174 3,3' \
  -fill '#1f4e8c' -stroke '#0d2748' -strokewidth 3 -draw 'roundrectangle 45,58 155,118 10,10' \
  -fill '#4f86c6' -stroke none -draw 'roundrectangle 55,68 145,85 5,5' \
  -fill '#d8e4f2' -draw 'rectangle 58,96 112,103' \
  -fill '#37d05a' -stroke '#145c26' -strokewidth 2 -draw 'circle 133,100 139,100' \
  -density 72 -units PixelsPerInch -interlace none -colorspace sRGB -type TrueColor \
  -quality "${QUALITY:-95}" -strip -define jpeg:optimize-coding=false "$here/about.jpg"
identify -verbose "$here/about.jpg" | grep -E 'Geometry|Resolution|Interlace|Filesize|Colorspace' || true
