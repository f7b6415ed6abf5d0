#!/usr/bin/env bash
# Writes the desktop icons in the hicolor sizes (dist/icons/NxN/kavel32.png) from the 128 x 128
# program logo. The PNGs are committed; run this again after changing the logo.
# Needs ImageMagick's convert. Without date chunks, the same logo gives the same bytes.
set -euo pipefail
cd "$(dirname "$0")/.."
source=resources/images/logo.png
for size in 16 22 24 32 48 64 128; do
  out=dist/icons/${size}x${size}/kavel32.png
  mkdir -p "$(dirname "$out")"
  convert "$source" -filter Lanczos -resize "${size}x${size}" -strip \
      -define png:exclude-chunks=date,time "$out"
done
