#!/bin/sh
# Starts Sektorlupe under Wine on a sample image and returns when it is closed.
set -u
build=$(cd "$1" && pwd)
exe="$build/Sektorlupe.exe"
if [ ! -f "$exe" ]; then
  echo "Sektorlupe.exe has not been built yet."
  exit 1
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
