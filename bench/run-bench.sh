#!/bin/sh
# Makes the benchmark disk when needed and runs the benchmark under Wine.
#   run-bench.sh <build dir>
set -u
build=$(cd "$1" && pwd)
exe="$build/bench/sl_bench.exe"
[ -f "$exe" ] || { echo "run-bench: $exe has not been built" >&2; exit 1; }
img="$build/bench/gpt64.img"
sh "$(dirname "$0")/make-bench-image.sh" "$img" || exit 1
sh "$(dirname "$0")/../cmake/wine-run.sh" "$build" "$exe" "Z:$(echo "$img" | tr / '\\')" || exit 1
# The list control against the system's list view.
list="$build/bench/sl_bench_list.exe"
[ -f "$list" ] || { echo "run-bench: $list has not been built" >&2; exit 1; }
exec sh "$(dirname "$0")/../cmake/wine-run.sh" "$build" "$list"
