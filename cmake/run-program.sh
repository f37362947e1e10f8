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
  if command -v mkfs.fat >/dev/null 2>&1; then
    truncate -s 16M "$sample" && mkfs.fat -F 16 -n SEKTORLUPE "$sample" >/dev/null
  fi
fi
args=""
[ -f "$sample" ] && args="Z:$(echo "$sample" | tr / '\\')"
exec sh "$(dirname "$0")/wine-run.sh" "$build" "$exe" ${args:+"$args"}
