#!/usr/bin/env bash
# Draws the application icon (a drive with a green link light) at 16, 32 and
# 48 pixels and writes resources/quorvane.ico. Run by hand after a change; the
# build uses the committed file.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
convert -size 48x48 xc:none \
  -fill '#1f4e8c' -stroke '#0d2748' -strokewidth 2 -draw 'roundrectangle 3,14 44,38 5,5' \
  -fill '#4f86c6' -stroke none -draw 'roundrectangle 7,18 40,26 3,3' \
  -fill '#d8e4f2' -draw 'rectangle 9,30 30,33' \
  -fill '#37d05a' -stroke '#145c26' -strokewidth 1 -draw 'circle 37,32 40,32' \
  "$tmp/48.png"
convert "$tmp/48.png" -resize 32x32 "$tmp/32.png"
convert "$tmp/48.png" -resize 16x16 "$tmp/16.png"
convert "$tmp/16.png" "$tmp/32.png" "$tmp/48.png" "$here/quorvane.ico"
