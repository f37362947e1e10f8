#!/bin/sh
# Starts Sektorlupe under Wine on an image and returns when it is closed.
#   run-program.sh <build dir> [image]
# Without an image (or with an empty one) it opens a sample FAT16 image, made once. Wine sees
# the Linux file system as drive Z:, so /path/disk.img is handed over as Z:\path\disk.img.
set -u
build=$(cd "$1" && pwd)
image=${2:-}
exe="$build/Sektorlupe.exe"
if [ ! -f "$exe" ]; then
  echo "Sektorlupe.exe has not been built yet."
  exit 1
fi
if [ -n "$image" ]; then
  if [ ! -f "$image" ]; then
    echo "No such image file: $image"
    exit 1
  fi
  image=$(realpath "$image")
  exec sh "$(dirname "$0")/wine-run.sh" "$build" "$exe" "Z:$(echo "$image" | tr / '\\')"
fi
sample="$build/samples/sample-fat16.img"
if [ ! -f "$sample" ]; then
  mkdir -p "$build/samples"
  rm -f "$sample"
  # mkfs.fat lives in /sbin, which is not on every user's PATH.
  mkfs=$(PATH="$PATH:/sbin:/usr/sbin" command -v mkfs.fat)
  if [ -n "$mkfs" ]; then
    truncate -s 16M "$sample" && "$mkfs" -F 16 -n SEKTORLUPE "$sample" >/dev/null
  fi
fi
args=""
[ -f "$sample" ] && args="Z:$(echo "$sample" | tr / '\\')"
exec sh "$(dirname "$0")/wine-run.sh" "$build" "$exe" ${args:+"$args"}
