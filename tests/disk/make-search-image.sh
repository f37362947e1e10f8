#!/bin/sh
# Plants search values into a copy of fat16.img and writes down where grep finds them:
#   search.img                 the image
#   search.img.<name>.offsets  the byte offsets `LC_ALL=C grep -obUaP <regex>` reports
# The values cannot overlap themselves, so grep's matches are all of them.
#   make-search-image.sh <fixtures folder>
set -u
cd "$1" || exit 1
[ -f fat16.img ] || { echo "make-search-image: no fat16.img" >&2; exit 0; }
[ -f search.img ] && exit 0
export LC_ALL=C
cp fat16.img search.img.tmp || exit 1
plant() { printf '%s' "$2" | dd of=search.img.tmp bs=1 seek="$1" conv=notrunc status=none || exit 1; }
# In sector 3 twice in a row (the second starts behind byte 101), across a sector's end,
# across the first window's end (1 MiB) and the second one of a single value (units
# 2045 + 2048), and in the image's last bytes; two in other letter cases.
for at in 1636 1643 509 1048573 2095614 4000000 16777209; do plant $at SLMARKE; done
plant 300000 slmarke
plant 6000000 sLmArKe
# Groups within 1000 bytes: across the first window's end, across the second one of a group
# search of that distance (units 2041 + 2048), one in reverse order, and a first value alone.
plant 1048566 GRUPPE1; plant 1049076 ZWEITES
plant 2093562 GRUPPE1; plant 2093900 ZWEITES
plant 7000000 ZWEITES; plant 7000500 GRUPPE1
plant 5000000 GRUPPE1
found() {
  grep -obUaP "$2" search.img.tmp | cut -d: -f1 >"search.img.$1.offsets.tmp" &&
    mv "search.img.$1.offsets.tmp" "search.img.$1.offsets" || exit 1
}
found exact 'SLMARKE'
found nocase '(?i)slmarke'
found masked '(?s).LMARKE'
found first 'GRUPPE1'
found second 'ZWEITES'
mv search.img.tmp search.img
