#!/bin/sh
# Runs every CTest suite of a build tree and ends with one line of counts.
set -u
build=$1
cd "$build" || exit 1
ctest --output-on-failure -j "$(nproc)" 2>&1 | tee ctest.log
# Judged by the summary line, since the pipe hides ctest's exit status.
rc=$(sed -n 's/^.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\)$/\1 \2/p' ctest.log | tail -1)
if [ -z "$rc" ]; then
  echo "0 passed, 1 failed: ctest printed no summary"
  exit 1
fi
failed=${rc% *}
total=${rc#* }
echo "$((total - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
