#!/bin/sh
# `make fuzz`: a million damaged sectors through the volume scan and every structure printer,
# in slices run side by side, one Wine process a core. Prints each slice's end and a total.
#   run-fuzz.sh <build dir> [sectors] [seed]
set -u
build=$(cd "$1" && pwd)
count=${2:-1000000}
seed=${3:-$(( $(date +%s) % 4294967296 ))}
src=$(cd "$(dirname "$0")/../.." && pwd)

sh "$src/tests/disk/make-images.sh" "$build/fixtures" >/dev/null || { echo "fuzz: the fixture images could not be made"; exit 1; }
cmake --build "$build" --target fuzz_sectors || exit 1
sh "$src/cmake/wine-session.sh" start "$build" >/dev/null || exit 1
trap 'sh "$src/cmake/wine-session.sh" stop "$build" >/dev/null 2>&1' EXIT INT TERM

jobs=$(nproc)
[ "$jobs" -gt 8 ] && jobs=8
per=$(( (count + jobs - 1) / jobs ))
mkdir -p "$build/fuzz"
rm -f "$build"/fuzz/slice*.log
echo "fuzz: $count damaged sectors in $jobs slices, seed $seed"
started=$(date +%s)
j=0
while [ $j -lt "$jobs" ]; do
  first=$((j * per))
  n=$per
  [ $((first + n)) -gt "$count" ] && n=$((count - first))
  if [ "$n" -gt 0 ]; then
    SL_SOURCE_DIR="$src" SL_BINARY_DIR="$build" sh "$src/cmake/wine-run.sh" --tests "$build" \
      "$build/tests/fuzz/fuzz_sectors.exe" --seed "$seed" --first "$first" --count "$n" \
      >"$build/fuzz/slice$j.log" 2>&1 &
  fi
  j=$((j + 1))
done
wait

done_cases=0; scans=0; runs=0; failed=0
for log in "$build"/fuzz/slice*.log; do
  last=$(grep '^fuzz: ' "$log" | tail -n 1)
  case "$last" in
  *"damaged sectors (cases"*)
    done_cases=$((done_cases + $(echo "$last" | sed 's/^fuzz: \([0-9]*\) damaged.*/\1/')))
    scans=$((scans + $(echo "$last" | sed 's/.*: \([0-9]*\) scans.*/\1/')))
    runs=$((runs + $(echo "$last" | sed 's/.* \([0-9]*\) printer runs.*/\1/')))
    ;;
  *)
    failed=$((failed + 1))
    echo "${last:-fuzz: a slice ended without a report ($log)}"
    ;;
  esac
done
echo "fuzz: $done_cases of $count damaged sectors, seed $seed: $scans scans, $runs printer runs, $failed failed slices, $(( $(date +%s) - started )) s"
[ "$failed" -eq 0 ] && [ "$done_cases" -eq "$count" ]
