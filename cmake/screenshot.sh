#!/bin/sh
# Takes the README's picture of the main window: Sektorlupe on the sample image, on the test
# display (a private Xvfb session when none is up), captured with xwd and turned into a PNG.
#   screenshot.sh <build dir> <output .png>
set -u
build=$(cd "$1" && pwd)
out=$2
here=$(cd "$(dirname "$0")" && pwd)
exe="$build/Sektorlupe.exe"
[ -f "$exe" ] || { echo "Sektorlupe.exe has not been built yet." >&2; exit 1; }
for tool in xwd convert xdotool; do
  command -v $tool >/dev/null 2>&1 || { echo "$tool is missing (make setup installs it)." >&2; exit 1; }
done

# The sample image of `make run`: a FAT16 volume made by mkfs.fat.
sample="$build/samples/sample-fat16.img"
if [ ! -f "$sample" ]; then
  mkdir -p "$build/samples"
  mkfs=$(PATH="$PATH:/sbin:/usr/sbin" command -v mkfs.fat)
  [ -n "$mkfs" ] || { echo "mkfs.fat is missing (make setup installs it)." >&2; exit 1; }
  truncate -s 16M "$sample.tmp" && "$mkfs" -F 16 -n SEKTORLUPE "$sample.tmp" >/dev/null &&
    mv "$sample.tmp" "$sample" || exit 1
fi

session_started=""
if ! { [ -f "$build/wine/display" ] && [ -e "/tmp/.X11-unix/X$(cut -c2- "$build/wine/display")" ]; }; then
  sh "$here/wine-session.sh" start "$build" >/dev/null || exit 1
  session_started=1
fi
DISPLAY=$(cat "$build/wine/display")
export DISPLAY

sh "$here/wine-run.sh" --tests "$build" "$exe" "Z:$(echo "$sample" | tr / '\\')" >/dev/null 2>&1 &
program=$!

finish() {
  if kill -0 "$program" 2>/dev/null; then
    kill "$program" 2>/dev/null
  fi
  [ -n "$session_started" ] && sh "$here/wine-session.sh" stop "$build" >/dev/null
}
trap finish EXIT INT TERM

window=""
i=0
while [ -z "$window" ] && [ $i -lt 120 ]; do
  sleep 0.5
  window=$(xdotool search --name "sample-fat16.img - Sektorlupe" 2>/dev/null | head -n 1)
  i=$((i + 1))
done
[ -n "$window" ] || { echo "The main window did not appear." >&2; exit 1; }
# Let the first sector be decoded and every pane painted.
sleep 3
mkdir -p "$(dirname "$out")"
xwd -silent -id "$window" | convert xwd:- "png:$out" || exit 1
echo "Wrote $out"

# Close it as a user does (Alt+F4), so that it ends normally.
xdotool windowfocus "$window" 2>/dev/null
xdotool key alt+F4 2>/dev/null
i=0
while kill -0 "$program" 2>/dev/null && [ $i -lt 40 ]; do sleep 0.5; i=$((i + 1)); done
exit 0
