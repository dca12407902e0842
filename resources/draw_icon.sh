#!/usr/bin/env bash
# Draws the application icon (a drive with a green link light) at 16, 20,
# 24, 32, 40, 48, 64 and 256 pixels, each from the drawing itself rather than
# scaled from another size, and writes resources/quorvane.ico. The sizes up
# to 32 are 32-bit bitmaps; 40 and up are PNG entries (read by Windows
# Vista and later), which keeps the programs small. Run by hand after a
# change; the build uses the committed file.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for size in 16 20 24 32 40 48 64 256; do
  f=$(awk "BEGIN { print $size / 48 }")
  convert -size ${size}x${size} xc:none -affine "$f,0,0,$f,0,0" \
    -fill '#1f4e8c' -stroke '#0d2748' -strokewidth 2 -draw 'roundrectangle 3,14 44,38 5,5' \
    -fill '#4f86c6' -stroke none -draw 'roundrectangle 7,18 40,26 3,3' \
    -fill '#d8e4f2' -draw 'rectangle 9,30 30,33' \
    -fill '#37d05a' -stroke '#145c26' -strokewidth 1 -draw 'circle 37,32 40,32' \
    -define png:exclude-chunks=date,time -strip "PNG32:$tmp/$size.png"
  convert "$tmp/$size.png" "$tmp/$size.ico"
done
python3 - "$tmp" "$here/quorvane.ico" <<'PY'
import struct, sys
tmp, out = sys.argv[1], sys.argv[2]
entries = []
for size in (16, 20, 24, 32, 40, 48, 64, 256):
    if size >= 40:
        data = open(f"{tmp}/{size}.png", "rb").read()
    else:  # the one bitmap entry of ImageMagick's single-size icon
        ico = open(f"{tmp}/{size}.ico", "rb").read()
        length, offset = struct.unpack_from("<II", ico, 6 + 8)
        data = ico[offset:offset + length]
    entries.append((size, data))
header = struct.pack("<HHH", 0, 1, len(entries))
offset = 6 + 16 * len(entries)
table, blobs = b"", b""
for size, data in entries:
    table += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset + len(blobs))
    blobs += data
open(out, "wb").write(header + table + blobs)
PY
