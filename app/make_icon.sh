#!/usr/bin/env bash
# Draws the program's icon (a loudspeaker over a rail track) with ImageMagick and
# writes app/vlakomluv.ico in 48, 32 and 16 pixels. The result is committed; run
# this only to change the drawing.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 256x256 xc:none \
    -fill '#1d4f91' -draw 'roundrectangle 8,8 247,247 44,44' \
    -fill '#f2c230' -draw 'rectangle 24,206 232,218' \
    -fill '#f2c230' -draw 'rectangle 40,196 56,230' -draw 'rectangle 92,196 108,230' \
    -draw 'rectangle 148,196 164,230' -draw 'rectangle 200,196 216,230' \
    -fill white -draw 'polygon 44,92 88,92 140,44 140,176 88,128 44,128' \
    -fill none -stroke white -strokewidth 14 \
    -draw 'arc 115,75 185,145 -50,50' -draw 'arc 95,45 215,175 -50,50' \
    -define icon:auto-resize=48,32,16 vlakomluv.ico
