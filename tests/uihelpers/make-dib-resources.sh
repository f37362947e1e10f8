#!/bin/sh
# Pictures for the bitmap tests, made with ImageMagick and icoutils into the folder given:
# an icon group of 16x16x4, 32x32x8 and 32x32x32 (the last one half transparent), a group
# holding a PNG entry stored as it is and a 16x16x32 image, a cursor with its hot spot at
# (3, 5), and a 24-bit strip for a bitmap resource. Each picture's top-left quarter has a
# colour of its own, so that the tests can tell which one they got.
set -eu
out=$1
mkdir -p "$out"
cd "$out"
convert -size 16x16 xc:'#FF0000' -fill '#0000FF' -draw 'rectangle 0,0 7,7' PNG24:dibtest-a16.png
convert -size 32x32 xc:'#00FF00' -fill '#FFFF00' -draw 'rectangle 0,0 15,15' PNG24:dibtest-b32.png
convert -size 32x32 xc:'rgba(255,0,255,0)' -fill '#00FFFF' -draw 'rectangle 0,0 15,15' PNG32:dibtest-c32.png
convert -size 48x48 xc:'#FF8000' -fill '#000080' -draw 'rectangle 0,0 23,23' PNG32:dibtest-d48.png
convert -size 8x4 xc:'#C0C0C0' -fill '#808080' -draw 'point 0,0' -type TrueColor BMP3:dibtest-strip.bmp
icotool -c -o dibtest-group1.ico -b 4 dibtest-a16.png -b 8 dibtest-b32.png -b 32 dibtest-c32.png
icotool -c -o dibtest-group2.ico -r dibtest-d48.png -b 32 dibtest-a16.png
icotool -c --cursor -X 3 -Y 5 -o dibtest-cursor.cur -b 4 dibtest-a16.png
