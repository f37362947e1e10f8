#!/bin/sh
# Makes the benchmark disks when needed and runs the benchmarks under Wine: the painting of
# the main frame's panes on the tests' fixture images against a plain painter, the scan of
# sparse GPT disks (64 GiB with four partitions, 2 TiB with the same four, 2 TiB with 128
# partitions, the last four with file systems, so that the growth with the partitions and
# with the disk's size show apart), the list control against the system's list view, the
# text editor's find and replace on 50,000 lines against a plain byte scan, then
# search, save and load of a random image (2 GiB, or the size given; its files are deleted
# afterwards).
#   run-bench.sh <build dir> [--size 1G]
#   run-bench.sh <build dir> paint [rounds]     only the painting
set -u
build=$(cd "$1" && pwd)
shift
exe="$build/bench/sl_bench.exe"
list="$build/bench/sl_bench_list.exe"
sectors="$build/bench/sl_bench_sectors.exe"
find="$build/bench/sl_bench_find.exe"
paint="$build/bench/sl_bench_paint.exe"
for e in "$exe" "$list" "$sectors" "$find"; do
  [ -f "$e" ] || { echo "run-bench: $e has not been built" >&2; exit 1; }
done
here=$(dirname "$0")
winpath() { echo "Z:$1" | tr / '\\'; }
# The painting needs the tests' support library (a build with the tests) and their images.
if [ -f "$paint" ]; then
  sh "$here/../tests/disk/make-images.sh" "$build/fixtures" 2>/dev/null
  if [ "${1:-}" = paint ]; then
    shift
    exec sh "$here/../cmake/wine-run.sh" --tests "$build" "$paint" "$(winpath "$build/fixtures")" "$@"
  fi
  sh "$here/../cmake/wine-run.sh" --tests "$build" "$paint" "$(winpath "$build/fixtures")" || exit 1
  echo
else
  echo "run-bench: $paint has not been built (a build without the tests): no painting" >&2
  [ "${1:-}" = paint ] && exit 1
fi
disks=""
for disk in gpt64:64G:4 gpt2t4:2T:4 gpt2t128:2T:128; do
  img="$build/bench/${disk%%:*}.img"
  rest=${disk#*:}
  sh "$here/make-bench-image.sh" "$img" "${rest%%:*}" "${rest#*:}" 16G || exit 1
  disks="$disks $(winpath "$img")"
done
# shellcheck disable=SC2086
sh "$here/../cmake/wine-run.sh" --tests "$build" "$exe" $disks || exit 1
sh "$here/../cmake/wine-run.sh" --tests "$build" "$list" || exit 1
echo
sh "$here/../cmake/wine-run.sh" --tests "$build" "$find" || exit 1
echo
exec sh "$here/../cmake/wine-run.sh" --tests "$build" "$sectors" "$(winpath "$build/bench")" "$@"
