#!/usr/bin/env bash
# Renders the program's icon resources/icons/zetrova.svg into the PNG sizes of the hicolor icon
# theme under packaging/icons/. Run it after changing the SVG and commit the PNGs (needs
# rsvg-convert, Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/.."
for size in 16 22 24 32 48 64 128 256; do
  dir="packaging/icons/${size}x${size}"
  mkdir -p "$dir"
  rsvg-convert --width "$size" --height "$size" resources/icons/zetrova.svg -o "$dir/zetrova.png"
done
