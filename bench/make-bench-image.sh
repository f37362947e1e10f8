#!/bin/sh
# A benchmark disk: a sparse GPT image of <size> with <count> partitions of <part> each (the
# last one takes the rest when they fill the disk), the last four holding FAT32, NTFS, ext4
# and exFAT, each made by its own mkfs on a sparse file of the partition's size and written
# in with dd, holes kept; the others stay empty. Made once; a finished image is reused.
#   make-bench-image.sh <output image> [<size> <count> <part>]     (default 64G 4 16G)
set -u
img=$1
size=${2:-64G}
count=${3:-4}
psize=${4:-16G}
[ -f "$img" ] && exit 0
PATH=$PATH:/usr/sbin:/sbin
for t in sgdisk mkfs.fat mkntfs mke2fs mkfs.exfat numfmt; do
  command -v $t >/dev/null 2>&1 || { echo "make-bench-image: $t is missing" >&2; exit 1; }
done
[ "$count" -ge 4 ] && [ "$count" -le 128 ] || { echo "make-bench-image: 4 to 128 partitions" >&2; exit 1; }
tmp="$img.tmp"
part="$img.part"
rm -f "$tmp" "$part"
fail() { echo "make-bench-image: $*" >&2; rm -f "$tmp" "$part"; exit 1; }

truncate -s "$size" "$tmp" || fail "no room for a sparse $size file"
# The last partition takes the rest of the disk when the partitions fill it.
fill=$(( $(numfmt --from=iec "$psize") * count >= $(numfmt --from=iec "$size") ))
args=""
n=1
while [ $n -le "$count" ]; do
  if [ $n -eq "$count" ] && [ $fill -eq 1 ]; then args="$args -n $n:0:0"; else args="$args -n $n:0:+$psize"; fi
  n=$((n + 1))
done
first=$((count - 3))
# shellcheck disable=SC2086
sgdisk $args -t $first:0700 -c $first:BENCHFAT32 -t $((first + 1)):0700 -c $((first + 1)):BENCHNTFS \
       -t $((first + 2)):8300 -c $((first + 2)):BENCHEXT4 -t $((first + 3)):0700 -c $((first + 3)):BENCHEXFAT \
       "$tmp" >/dev/null || fail "sgdisk"

info=$(sgdisk -p "$tmp") || fail "sgdisk -p"
# first and last sector of partition $1, from the table sgdisk printed
range() { echo "$info" | awk -v n="$1" '$1 == n { print $2, $3 }'; }

# Each file system on a sparse file of its partition's size, written in without filling
# the holes.
put() {
  n=$1; shift
  r=$(range "$n")
  s=${r% *}; e=${r#* }
  [ -n "$r" ] || fail "no partition $n"
  sectors=$((e - s + 1))
  rm -f "$part"
  truncate -s $((sectors * 512)) "$part" || fail "partition file $n"
  "$@" "$part" >/dev/null 2>&1 || fail "$1 for partition $n"
  dd if="$part" of="$tmp" bs=1M seek=$((s * 512)) oflag=seek_bytes conv=notrunc,sparse status=none ||
    fail "dd for partition $n"
  rm -f "$part"
}
put $first mkfs.fat -F 32 -n BENCHFAT32
put $((first + 1)) mkntfs -F -Q -q -L BENCHNTFS
put $((first + 2)) mke2fs -q -F -t ext4 -L benchext4
put $((first + 3)) mkfs.exfat -L BENCHEXFAT
mv "$tmp" "$img"
