#!/bin/sh
# Makes the benchmark disk when needed and runs the benchmarks under Wine: the scan of a
# sparse 64 GiB GPT disk, the list control against the system's list view, then search,
# save and load of a random image (2 GiB, or the size given; its files are deleted
# afterwards).
#   run-bench.sh <build dir> [--size 1G]
set -u
build=$(cd "$1" && pwd)
shift
exe="$build/bench/sl_bench.exe"
list="$build/bench/sl_bench_list.exe"
sectors="$build/bench/sl_bench_sectors.exe"
for e in "$exe" "$list" "$sectors"; do
  [ -f "$e" ] || { echo "run-bench: $e has not been built" >&2; exit 1; }
done
img="$build/bench/gpt64.img"
sh "$(dirname "$0")/make-bench-image.sh" "$img" || exit 1
winpath() { echo "Z:$1" | tr / '\\'; }
sh "$(dirname "$0")/../cmake/wine-run.sh" "$build" "$exe" "$(winpath "$img")" || exit 1
sh "$(dirname "$0")/../cmake/wine-run.sh" "$build" "$list" || exit 1
echo
exec sh "$(dirname "$0")/../cmake/wine-run.sh" "$build" "$sectors" "$(winpath "$build/bench")" "$@"
