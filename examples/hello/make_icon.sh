#!/usr/bin/env bash
# Draws the example's icon, a carafe on blue, and writes hello.ico with
# ImageMagick: 16, 32 and 48 pixels as bitmaps, 256 pixels as PNG, all
# 32 bits per pixel. Run it again after changing the drawing.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

convert -size 256x256 xc:none \
  -fill '#1f6feb' -draw "roundrectangle 8,8 247,247 40,40" \
  -fill white -draw "polygon 96,48 160,48 160,80 200,140 200,208 184,224 72,224 56,208 56,140 96,80" \
  -fill '#f0a030' -draw "polygon 60,150 196,150 196,206 182,220 74,220 60,206" \
  "$work/256.png"
for size in 16 32 48; do convert "$work/256.png" -resize ${size}x${size} "$work/$size.png"; done
convert "$work/16.png" "$work/32.png" "$work/48.png" "$work/256.png" -depth 8 hello.ico
icotool -l hello.ico
