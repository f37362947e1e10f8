#!/bin/sh
# The benchmark disk: a 64 GiB sparse GPT image with four file systems (FAT32, NTFS, ext4,
# exFAT), each made by its own mkfs on a sparse file of the partition's size and written in
# with dd, holes kept. Made once; a finished image is reused.
#   make-bench-image.sh <output image>
set -u
img=$1
[ -f "$img" ] && exit 0
PATH=$PATH:/usr/sbin:/sbin
for t in sgdisk mkfs.fat mkntfs mke2fs mkfs.exfat; do
  command -v $t >/dev/null 2>&1 || { echo "make-bench-image: $t is missing" >&2; exit 1; }
done
tmp="$img.tmp"
part="$img.part"
rm -f "$tmp" "$part"
fail() { echo "make-bench-image: $*" >&2; rm -f "$tmp" "$part"; exit 1; }

truncate -s 64G "$tmp" || fail "no room for a sparse 64 GiB file"
sgdisk -n 1:2048:+16G -t 1:0700 -c 1:BENCHFAT32 \
       -n 2:0:+16G -t 2:0700 -c 2:BENCHNTFS \
       -n 3:0:+16G -t 3:8300 -c 3:BENCHEXT4 \
       -n 4:0:0 -t 4:0700 -c 4:BENCHEXFAT "$tmp" >/dev/null || fail "sgdisk"

first() { sgdisk -i "$1" "$tmp" | sed -n 's/^First sector: \([0-9]*\).*/\1/p'; }
last() { sgdisk -i "$1" "$tmp" | sed -n 's/^Last sector: \([0-9]*\).*/\1/p'; }

# Each file system on a sparse file of its partition's size, written in without filling
# the holes.
put() {
  n=$1; shift
  s=$(first "$n"); e=$(last "$n")
  [ -n "$s" ] && [ -n "$e" ] || fail "no partition $n"
  sectors=$((e - s + 1))
  rm -f "$part"
  truncate -s $((sectors * 512)) "$part" || fail "partition file $n"
  "$@" "$part" >/dev/null 2>&1 || fail "$1 for partition $n"
  dd if="$part" of="$tmp" bs=1M seek=$((s * 512)) oflag=seek_bytes conv=notrunc,sparse status=none ||
    fail "dd for partition $n"
  rm -f "$part"
}
put 1 mkfs.fat -F 32 -n BENCHFAT32
put 2 mkntfs -F -Q -q -L BENCHNTFS
put 3 mke2fs -q -F -t ext4 -L benchext4
put 4 mkfs.exfat -L BENCHEXFAT
mv "$tmp" "$img"
