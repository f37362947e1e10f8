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
# Without a display of the user's, wine-run.sh starts a hidden Xvfb of its own: the terminal is
# where a new user looks for why no window comes up.
if [ -z "${DISPLAY:-}" ]; then
  echo "No display (\$DISPLAY is not set): Sektorlupe runs on a hidden Xvfb and its window is seen nowhere; Ctrl+C ends it. To see it, run 'make run' in a desktop terminal, with DISPLAY=:0 or over ssh -X."
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
