#!/usr/bin/env bash
# Makes the picture files of tests/data/pictures with ImageMagick: a 16 x 12
# image of four 8 x 6 regions (top left red, top right lime, bottom left blue,
# bottom right white) in each format and variant the decoders must read, and
# damaged copies they must refuse. The EPS file is written here by hand.
set -euo pipefail
export LC_ALL=C
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/tests/data/pictures"
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

im() { convert "$@"; }
# No dates or comments, so that the files are the same on every run.
png_clean=(-define png:exclude-chunks=date,time,tEXt,zTXt)

im -size 16x12 xc:white -fill red -draw "rectangle 0,0 7,5" -fill lime -draw "rectangle 8,0 15,5" \
   -fill blue -draw "rectangle 0,6 7,11" base.ppm
# Greys 0, 64, 192 and 255 in the same places.
im -size 16x12 xc:white -fill black -draw "rectangle 0,0 7,5" -fill "gray(64)" -draw "rectangle 8,0 15,5" \
   -fill "gray(192)" -draw "rectangle 0,6 7,11" grey.pgm
# Left half opaque black, right half fully transparent.
im -size 16x12 xc:none -fill black -draw "rectangle 0,0 7,11" halfclear.png

# JPEG: full-resolution chroma, so that the regions keep their colours.
im base.ppm -strip -quality 95 -sampling-factor 1x1 "$out/rgb.jpg"
im base.ppm -strip -quality 95 -sampling-factor 1x1 -interlace Plane "$out/progressive.jpg"
im base.ppm -strip -quality 95 -sampling-factor 1x1 -colorspace CMYK "$out/cmyk.jpg"
im grey.pgm -strip -quality 95 -type Grayscale "$out/grey.jpg"

# GIF: a four-colour palette; interlaced; blue as the transparent colour.
im base.ppm -strip "$out/palette.gif"
im base.ppm -strip -interlace GIF "$out/interlaced.gif"
im base.ppm -strip -transparent blue "$out/transparent.gif"

# PNG: 8-bit RGB at 300 dpi (pHYs); 16-bit RGB without pHYs; grey with alpha
# and no background chunk; the same with a bKGD of grey 128.
im base.ppm "${png_clean[@]}" -units PixelsPerInch -density 300 PNG24:"$out/rgb.png"
im base.ppm "${png_clean[@]}" -depth 16 PNG48:"$out/deep.png"
im halfclear.png -define png:exclude-chunks=bKGD,date,time,tEXt,zTXt -define png:color-type=4 "$out/greyalpha.png"
im halfclear.png "${png_clean[@]}" -background "gray(128)" -define png:color-type=4 "$out/bkgd.png"

# BMP: 24-bit, 4-bit paletted, and 16-bit 5-6-5 bit fields.
im base.ppm BMP3:"$out/rgb.bmp"
im base.ppm -type Palette BMP3:"$out/palette.bmp"
im base.ppm -define bmp:subtype=RGB565 BMP:"$out/rgb565.bmp"

# Damaged copies. `head_of FILE N OUT` keeps the first N bytes; `patch FILE AT
# HEX OUT` overwrites bytes at offset AT.
head_of() { head -c "$2" "$out/$1" >"$out/$3"; }
patch() {
    cp "$out/$1" "$out/$4"
    printf "$(echo "$3" | sed 's/../\\x&/g')" | dd of="$out/$4" bs=1 seek="$2" conv=notrunc status=none
}
offset_of() { grep -obUaP "$2" "$out/$1" | head -1 | cut -d: -f1; }

size() { stat -c %s "$out/$1"; }
head_of rgb.jpg $(($(size rgb.jpg) * 2 / 3)) truncated.jpg
head_of palette.gif $(($(size palette.gif) - 12)) truncated.gif
head_of rgb.png $(($(size rgb.png) - 30)) truncated.png
head_of rgb.bmp $(($(size rgb.bmp) / 2)) truncated.bmp
# Absurd sizes in otherwise whole files: a JPEG frame of 65000 x 65000, a GIF
# image of 65535 x 65535, a BMP of 2^20 x 2^20.
sof=$(offset_of rgb.jpg '\xff\xc0')
patch rgb.jpg $((sof + 5)) fde8fde8 huge.jpg
desc=$(offset_of palette.gif '\x2c\x00\x00\x00\x00')
patch palette.gif $((desc + 5)) ffffffff huge.gif
patch rgb.bmp 18 0000100000001000 huge.bmp

# EPS: a red square at the bottom left and a blue one at the top right of a
# 16 x 12 point box that starts at (100, 200), with nothing else painted.
cat >"$out/shapes.eps" <<'EPS'
%!PS-Adobe-3.0 EPSF-3.0
%%Creator: ksdvi make-pictures.sh
%%BoundingBox: 100 200 116 212
%%EndComments
1 0 0 setrgbcolor 100 200 8 6 rectfill
0 0 1 setrgbcolor 108 206 8 6 rectfill
%%EOF
EPS

ls -l "$out"
