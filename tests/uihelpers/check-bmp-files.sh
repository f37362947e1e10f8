#!/bin/sh
# Reads back with ImageMagick the BMP files that the uihelpers suite wrote, each beside a
# ".expect" file: a line "width height bits-per-pixel colours", then "x,y: RRGGBB" for every
# pixel. identify must report the size, the depth (bits per channel: the file's own for
# palette files, else 8) and the number of colours; convert's pixel listing must hold the
# colours.
set -u
dir=$1
failed=0
count=0
for expect in "$dir"/*.expect; do
  [ -e "$expect" ] || { echo "no files in $dir"; exit 1; }
  bmp=${expect%.expect}.bmp
  count=$((count + 1))
  read -r w h bpp colours < "$expect"
  case $bpp in
    1|4|8) depth=$bpp ;;
    *) depth=8 ;;
  esac
  got=$(identify -format '%w %h %z %k' "$bmp" 2>&1)
  if [ "$got" != "$w $h $depth $colours" ]; then
    echo "$bmp: identify says '$got', expected '$w $h $depth $colours'"
    failed=1
  fi
  pixels=$(convert "$bmp" txt:- | sed -n 's/^\([0-9]*,[0-9]*\):.*#\([0-9A-F]\{6\}\).*/\1: \2/p')
  want=$(tail -n +2 "$expect")
  if [ "$pixels" != "$want" ]; then
    echo "$bmp: pixels differ"
    printf '%s\n' "$want" > "$expect.want"
    printf '%s\n' "$pixels" > "$expect.got"
    diff "$expect.want" "$expect.got" | head -10
    failed=1
  fi
done
echo "$count BMP files checked"
exit $failed
