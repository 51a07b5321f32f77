#!/usr/bin/env bash
# Renders the installer's picture and icon from their drawings in resources/art/ and
# writes the files the resource script includes:
#   resources/background.bmp  900 x 394, 24 bits per pixel, plain BITMAPINFOHEADER
#   resources/installer.ico   two images, 16 x 16 and 32 x 32, 16 colours each
# The outputs are committed, so a build needs no image tools; run this only after
# changing a drawing. Needs ImageMagick and the Liberation fonts.
#   make-art.sh [--preview DIR]   also writes PNG renderings into DIR for viewing
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
art=$root/resources/art
preview=""
while [ $# -gt 0 ]; do
  case "$1" in
    --preview) preview=$(realpath -m "$2"); shift 2 ;;
    *) echo "make-art.sh: unknown option $1" >&2; exit 2 ;;
  esac
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# ImageMagick's policy refuses "-draw @file", so the drawing goes in as text (the MVG
# comment lines left out).
drawing() { grep -v '^[[:space:]]*#' "$art/$1"; }

# The picture: the paper gradient, then the drawing on top.
convert -size 900x394 "gradient:#f8f4ea-#efe6d4" -draw "$(drawing background.mvg)" \
  "$work/background.png"
convert "$work/background.png" -alpha off -type TrueColor "BMP3:$root/resources/background.bmp"

# The icon: drawn large, reduced, alpha made all-or-nothing (the icon mask is one bit),
# then 16 colours without dithering.
convert -size 256x256 xc:none -draw "$(drawing icon.mvg)" "$work/icon256.png"
for size in 16 32; do
  convert "$work/icon256.png" -resize ${size}x${size} -channel A -threshold 50% +channel \
    +dither -colors 16 "$work/icon$size.png"
done
convert "$work/icon16.png" "$work/icon32.png" +dither -colors 16 "ICO:$root/resources/installer.ico"

if [ -n "$preview" ]; then
  mkdir -p "$preview"
  cp "$work/background.png" "$work/icon16.png" "$work/icon32.png" "$preview/"
fi

identify "$root/resources/background.bmp" "$root/resources/installer.ico"
