#!/bin/sh
# Bitmaps of the menu-tile and button-picture tests, drawn by ImageMagick into $1. The
# colours named here are the ones the tests expect back.
set -eu
out=$1
mkdir -p "$out"
# A strip of three 16 x 16 tiles on magenta: red, green and blue squares from 2 to 13.
convert -size 48x16 xc:'#FF00FF' -fill '#FF0000' -draw 'rectangle 2,2 13,13' \
  -fill '#00FF00' -draw 'rectangle 18,2 29,13' -fill '#0000FF' -draw 'rectangle 34,2 45,13' \
  -type TrueColor BMP3:"$out/strip.bmp"
# Button pictures on the mask colour C0C0C0: a 4-bit palette one (red square, one white
# pixel) and a 24-bit one (dark green square).
convert -size 16x16 xc:'#C0C0C0' -fill '#FF0000' -draw 'rectangle 4,4 11,11' \
  -fill '#FFFFFF' -draw 'point 0,15' -type Palette BMP3:"$out/palette.bmp"
convert -size 16x16 xc:'#C0C0C0' -fill '#008000' -draw 'rectangle 4,4 11,11' \
  -type TrueColor BMP3:"$out/truecolor.bmp"
