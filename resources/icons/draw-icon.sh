#!/usr/bin/env bash
# Draws the program's icon: a camera on a blue tile with two discovery waves.
# One list of filled shapes makes both the scalable SVG and, through
# ImageMagick's own drawing (no SVG reader needed), the PNG sizes that desktops
# look up under hicolor. Run it after changing a shape; the results are kept in
# the repository so that a build needs no ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"

# Each shape: fill colour and an SVG path on a 256 by 256 grid.
shapes=(
  "#1d5f9e|M56,16 H200 A40,40 0 0 1 240,56 V200 A40,40 0 0 1 200,240 H56 A40,40 0 0 1 16,200 V56 A40,40 0 0 1 56,16 Z"
  "#9cc8ef|M176,60 A32,32 0 0 1 208,92 L196,92 A20,20 0 0 0 176,72 Z"
  "#9cc8ef|M176,36 A56,56 0 0 1 232,92 L220,92 A44,44 0 0 0 176,48 Z"
  "#ffffff|M56,96 H160 A12,12 0 0 1 172,108 V180 A12,12 0 0 1 160,192 H56 A12,12 0 0 1 44,180 V108 A12,12 0 0 1 56,96 Z"
  "#ffffff|M84,80 H132 V96 H84 Z"
  "#16324f|M108,108 A36,36 0 1 1 107.99,108 Z"
  "#3f8fd8|M108,124 A20,20 0 1 1 107.99,124 Z"
  "#ffffff|M100,130 A7,7 0 1 1 99.99,130 Z"
  "#e84a3c|M150,108 A6,6 0 1 1 149.99,108 Z"
)

svg='<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">'
draw=()
for shape in "${shapes[@]}"; do
  IFS='|' read -r fill path <<<"$shape"
  svg+=$'\n'"  <path d=\"$path\" fill=\"$fill\"/>"
  draw+=(-fill "$fill" -draw "path '$path'")
done
printf '%s\n</svg>\n' "$svg" >zendrix.svg

convert -size 256x256 xc:none "${draw[@]}" -strip PNG32:zendrix-256.png
for size in 48 128; do
  convert zendrix-256.png -resize "${size}x${size}" -strip PNG32:"zendrix-$size.png"
done
