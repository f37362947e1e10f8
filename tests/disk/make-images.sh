#!/bin/sh
# Makes the disk images the volume-scan tests read, with Debian's own tools, and saves what
# those tools report about each image next to it (<image>.<tool>.txt).
#   make-images.sh <output folder>
# An image that already exists is kept (the folder is a cache in the build tree); an image is
# written under a temporary name first, so a run that breaks off leaves no half-made image.
# A tool that is missing or fails costs only its own image: the script still succeeds (a
# failed set-up would skip the whole suite) and the test skips what is absent.
set -u
out=$1
. "$(cd "$(dirname "$0")" && pwd)/../support/fixture-tools.sh"

# Some content, so that the root directories hold more than the volume label.
content=$(pwd)/content
if [ ! -d "$content" ]; then
  mkdir -p "$content.tmp/sub" &&
  echo "Sektorlupe test file" >"$content.tmp/readme.txt" &&
  seq 1 2000 >"$content.tmp/sub/numbers.txt" &&
  mv "$content.tmp" "$content"
fi

# A few files in the root directory (mtools; without it the volumes stay empty).
fill() { if have mcopy; then mcopy -i "$1" -s "$content/readme.txt" "$content/sub" ::/; fi; }
mk_fat12() { mkfs.fat -C -F 12 -n FLOPPY "$1" 1440 && fill "$1"; }
mk_fat16() { mkfs.fat -C -F 16 -n FAT16 "$1" 16384 && fill "$1"; }
# One sector per cluster gives a FAT32 whose table spans hundreds of sectors (and needs at
# least 65525 clusters, some 33 MB).
mk_fat32() { mkfs.fat -C -F 32 -s 1 -n FAT32 "$1" 34816 && fill "$1"; }
mk_exfat() { truncate -s 8M "$1" && mkfs.exfat -L EXFAT "$1"; }
mk_ntfs()  { truncate -s 16M "$1" && mkntfs -F -Q -q -L NTFS "$1"; }
mk_ext2()  { mke2fs -q -F -t ext2 -b 1024 -L ext2 "$1" 4096; }
mk_ext3()  { mke2fs -q -F -t ext3 -b 1024 -L ext3 "$1" 8192; }
mk_ext4()  { mke2fs -q -F -t ext4 -b 4096 -L ext4 "$1" 2048; }
# 4096-byte blocks, and a block count that is no multiple of the 8 units in a block.
# With a journal UUID of its own, so that dumpe2fs reports one to compare with.
mk_ext2odd() {
  mke2fs -q -F -t ext2 -b 4096 -L ext2odd "$1" 1001 &&
    debugfs -w -R "ssv journal_uuid 0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0" "$1"
}
mk_iso()   {
  if have xorriso; then xorriso -as mkisofs -quiet -J -V ISOJOLIET -o "$1" "$content"
  else genisoimage -quiet -J -V ISOJOLIET -o "$1" "$content"; fi
}
mk_isoudf() { genisoimage -quiet -J -udf -V ISOUDF -o "$1" "$content"; }
mk_udf()   { mkudffs --blocksize=2048 --media-type=hd --label=UDFDISK --new-file "$1" 2048; }

# A whole MBR disk: a primary FAT16, then an extended partition holding three logical
# partitions (FAT12, ext2, FAT16), each file system made apart and written in place.
mk_mbr() {
  truncate -s 40M "$1" &&
  printf '%s\n' 'label: dos' \
    'start=2048, size=16384, type=6' \
    'start=18432, size=63488, type=5' \
    'start=20480, size=8192, type=1' \
    'start=30720, size=8192, type=83' \
    'start=40960, size=40960, type=6' | sfdisk -q "$1" &&
  part "$1" 2048 mk_fat16_small 16384 &&
  part "$1" 20480 mk_fat12_small 8192 &&
  part "$1" 30720 mk_ext2_small 8192 &&
  part "$1" 40960 mk_fat16_big 40960
}
mk_fat16_small() { mkfs.fat -C -F 16 -s 1 -n PRIMARY "$1" $(($2 / 2)); }
mk_fat12_small() { mkfs.fat -C -F 12 -n LOGICAL1 "$1" $(($2 / 2)); }
mk_ext2_small()  { mke2fs -q -F -t ext2 -b 1024 -L logical2 "$1" $(($2 / 2)); }
mk_fat16_big()   { mkfs.fat -C -F 16 -n LOGICAL3 "$1" $(($2 / 2)); }

# part <disk> <start sector> <maker> <sectors>: makes a file system apart, writes it in.
part() {
  rm -f "$1.part"
  $3 "$1.part" "$4" && dd if="$1.part" of="$1" bs=512 seek="$2" conv=notrunc status=none
  rc=$?
  rm -f "$1.part"
  return $rc
}

# le32 <value>: the four bytes of a little-endian 32-bit value.
le32() {
  printf "$(printf '\\%03o\\%03o\\%03o\\%03o' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) \
    $(($1 >> 24 & 255)))"
}
# table_entry <disk> <table sector> <slot 0-3> <type> <start> <count>: one entry of an MBR or
# EBR written by hand (fdisk and sfdisk make only one extended partition), and the table's
# 0x55 0xAA.
table_entry() {
  at=$(($2 * 512 + 446 + 16 * $3))
  printf "$(printf '\\%03o' $4)" | dd of="$1" bs=1 seek=$((at + 4)) conv=notrunc status=none &&
  { le32 "$5"; le32 "$6"; } | dd of="$1" bs=1 seek=$((at + 8)) conv=notrunc status=none &&
  printf '\125\252' | dd of="$1" bs=1 seek=$(($2 * 512 + 510)) conv=notrunc status=none
}
# An MBR with two extended partitions, each with one logical partition (FAT12 in the first,
# FAT16 in the second); the second extended partition counts from the MBR, as every primary
# entry does, and its logical FAT16 from its own EBR.
mk_mbr2ext() {
  truncate -s 15M "$1" &&
  table_entry "$1" 0 0 5 2048 10240 &&
  table_entry "$1" 0 1 5 12288 18432 &&
  table_entry "$1" 2048 0 1 2048 8192 &&
  table_entry "$1" 12288 0 6 64 16384 &&
  part "$1" 4096 mk_fat12_small 8192 &&
  part "$1" 12352 mk_fat16_small 16384
}

# A GPT disk with FAT32, NTFS, ext4 and exFAT (ext4 in the middle, so the partitions behind
# a partition without a boot signature must still be scanned).
mk_gpt() {
  truncate -s 68M "$1" &&
  sgdisk -n 1:2048:+34M -t 1:0700 -n 2:0:+16M -t 2:0700 -n 3:0:+8M -t 3:8300 \
         -n 4:0:+8M -t 4:0700 "$1" >/dev/null &&
  s1=$(sgdisk -i 1 "$1" | sed -n 's/^First sector: \([0-9]*\).*/\1/p') &&
  s2=$(sgdisk -i 2 "$1" | sed -n 's/^First sector: \([0-9]*\).*/\1/p') &&
  s3=$(sgdisk -i 3 "$1" | sed -n 's/^First sector: \([0-9]*\).*/\1/p') &&
  s4=$(sgdisk -i 4 "$1" | sed -n 's/^First sector: \([0-9]*\).*/\1/p') &&
  part "$1" "$s1" mk_gpt_fat32 69632 &&
  part "$1" "$s2" mk_gpt_ntfs 32768 &&
  part "$1" "$s3" mk_gpt_ext4 16384 &&
  part "$1" "$s4" mk_gpt_exfat 16384
}
mk_gpt_fat32() { mkfs.fat -C -F 32 -s 1 -n GPTFAT32 "$1" $(($2 / 2)); }
mk_gpt_ntfs()  { truncate -s $(($2 * 512)) "$1" && mkntfs -F -Q -q -L GPTNTFS "$1"; }
mk_gpt_ext4()  { mke2fs -q -F -t ext4 -b 4096 -L gptext4 "$1" $(($2 / 8)); }
mk_gpt_exfat() { truncate -s $(($2 * 512)) "$1" && mkfs.exfat -L GPTEXFAT "$1"; }

# A GPT disk of twelve 4 MiB partitions, more than fit a short start list: ext2 in the third,
# NTFS in the sixth, exFAT in the ninth and FAT16 in the twelfth, the rest left empty.
mk_gpt12() {
  truncate -s 50M "$1" &&
  for n in 1 2 3 4 5 6 7 8 9 10 11 12; do echo "-n $n:0:+4M"; done | xargs sgdisk "$1" >/dev/null &&
  for n in 3:mk_ext2_small 6:mk_gpt_ntfs 9:mk_gpt_exfat 12:mk_fat16_small; do
    s=$(sgdisk -i "${n%%:*}" "$1" | sed -n 's/^First sector: \([0-9]*\).*/\1/p') &&
    part "$1" "$s" "${n#*:}" 8192 || return 1
  done
}

# A GPT disk of eleven 1 MiB FAT12 volumes: more cluster regions than one digit can number.
mk_gpt11fat() {
  truncate -s 14M "$1" &&
  for n in 1 2 3 4 5 6 7 8 9 10 11; do echo "-n $n:0:+1M -t $n:0700"; done | xargs sgdisk "$1" >/dev/null &&
  for n in 1 2 3 4 5 6 7 8 9 10 11; do
    s=$(sgdisk -i "$n" "$1" | sed -n 's/^First sector: \([0-9]*\).*/\1/p') &&
    part "$1" "$s" mk_fat12_small 2048 || return 1
  done
}

# Two FAT12 volumes on one MBR disk, each with a file long enough to fill several FAT
# sectors, and each volume once more alone (the same bytes cut out of the disk): a FAT12
# sector must decode the same in both.
mk_fat12pair() {
  truncate -s 12M "$1" &&
  printf '%s\n' 'label: dos' 'start=2048, size=8192, type=1' 'start=10240, size=12288, type=1' |
    sfdisk -q "$1" &&
  part "$1" 2048 mk_fat12_filled 8192 &&
  part "$1" 10240 mk_fat12_filled 12288
}
mk_fat12_filled() {
  mkfs.fat -C -F 12 -s 4 -n PAIR "$1" $(($2 / 2)) &&
  seq 1 350000 >"$1.txt" && mcopy -i "$1" "$1.txt" ::/zahlen.txt && rm -f "$1.txt"
}
# cut <disk> <start sector> <sectors> <image>: one partition of a disk as an image of its own.
cut_out() {
  [ -f "$4" ] && return 0
  dd if="$1" of="$4.tmp" bs=512 skip="$2" count="$3" status=none && mv "$4.tmp" "$4"
}
# A FAT16 volume with 4096-byte logical sectors on an image of 512-byte units.
mk_fat4k() { mkfs.fat -C -F 16 -S 4096 -s 1 -R 1 -n FAT4K "$1" 32768 && fill "$1"; }
# A 40 MiB GPT disk with one 32 MiB exFAT partition: free space and the backup GPT lie
# behind the volume's last cluster.
mk_gptexfat() {
  truncate -s 40M "$1" &&
  sgdisk -n 1:2048:+32M -t 1:0700 "$1" >/dev/null &&
  part "$1" 2048 mk_gpt_exfat 65536
}
# A 4 MiB GPT disk (8192 sectors) with one FAT12 partition, for the damaged headers.
mk_gptsmall() {
  truncate -s 4M "$1" &&
  sgdisk -n 1:2048:+2M -t 1:0700 "$1" >/dev/null &&
  part "$1" 2048 mk_fat12_small 4096
}

build fat12.img mk_fat12
build fat16.img mk_fat16
build fat32.img mk_fat32
build exfat.img mk_exfat
build ntfs.img mk_ntfs
build ext2.img mk_ext2
build ext3.img mk_ext3
build ext4.img mk_ext4
build iso9660.img mk_iso
build isoudf.img mk_isoudf
build udf.img mk_udf
build mbr.img mk_mbr
build mbr2ext.img mk_mbr2ext
build gpt.img mk_gpt
build gpt12.img mk_gpt12
build gpt11fat.img mk_gpt11fat
have mcopy && build fat12pair.img mk_fat12pair
if [ -f fat12pair.img ]; then
  cut_out fat12pair.img 2048 8192 fat12pair-1.img
  cut_out fat12pair.img 10240 12288 fat12pair-2.img
fi
build fat4k.img mk_fat4k
build gptsmall.img mk_gptsmall
build ext2odd.img mk_ext2odd
build gptexfat.img mk_gptexfat

# The reports, remade every run (cheap), for the images that exist.
for f in fat12 fat16 fat32 fat4k; do
  [ -f $f.img ] || continue
  report $f.img fsck fsck.fat -v -n $f.img
  report $f.img minfo minfo -i $f.img ::
  report $f.img fsstat fsstat $f.img
done
[ -f exfat.img ] && report exfat.img fsstat fsstat exfat.img
# -v adds the run lists of the two master file tables.
[ -f ntfs.img ] && report ntfs.img ntfsinfo ntfsinfo -v -m -F '$MFT' ntfs.img
[ -f ntfs.img ] && report ntfs.img ntfsmirr ntfsinfo -v -F '$MFTMirr' ntfs.img
[ -f ntfs.img ] && report ntfs.img fsstat fsstat ntfs.img
for f in ext2 ext3 ext4 ext2odd; do
  [ -f $f.img ] || continue
  report $f.img dumpe2fs dumpe2fs -h $f.img
done
# The exFAT volume as fsstat sees it at its partition's start (its numbers count from there).
if [ -f gptexfat.img ]; then
  report gptexfat.img sgdisk1 sgdisk -i 1 gptexfat.img
  s=$(sed -n 's/^First sector: \([0-9]*\).*/\1/p' gptexfat.img.sgdisk1.txt 2>/dev/null)
  [ -n "$s" ] && report gptexfat.img fsstat fsstat -o "$s" gptexfat.img
fi
for f in iso9660 isoudf; do
  [ -f $f.img ] || continue
  report $f.img isoinfo isoinfo -d -i $f.img
  report $f.img fsstat fsstat -f iso9660 $f.img
  report $f.img isolist isoinfo -l -i $f.img
  report $f.img isolistj isoinfo -J -l -i $f.img
done
for f in udf isoudf; do
  [ -f $f.img ] && report $f.img udfinfo udfinfo $f.img
done
for f in mbr mbr2ext gpt gpt12; do
  [ -f $f.img ] || continue
  report $f.img mmls mmls $f.img
done
# The twelfth partition's file system as fsstat sees it there.
if [ -f gpt12.img ]; then
  s=$(sgdisk -i 12 gpt12.img | sed -n 's/^First sector: \([0-9]*\).*/\1/p')
  [ -n "$s" ] && report gpt12.img fsstat12 fsstat -o "$s" gpt12.img
fi
# The structure printers' tests: a FAT16 volume whose files have long names, and what the
# partitioning and FAT tools say about the images.
mk_fatlfn() {
  mkfs.fat -C -F 16 -s 1 -n LANGNAMEN "$1" 8192 &&
  rm -rf "$1.d" && mkdir -p "$1.d" &&
  echo "Inhalt" >"$1.d/Ein langer Dateiname.txt" &&
  seq 1 3000 >"$1.d/VieleZahlenInEinerDateiMitLangemNamen.data" &&
  echo "kurz" >"$1.d/KURZ.TXT" &&
  mcopy -i "$1" "$1.d/Ein langer Dateiname.txt" "$1.d/VieleZahlenInEinerDateiMitLangemNamen.data" \
        "$1.d/KURZ.TXT" ::/ &&
  rm -rf "$1.d"
}
have mcopy && build fatlfn.img mk_fatlfn
if [ -f fatlfn.img ]; then
  report fatlfn.img mdir mdir -i fatlfn.img ::
  report fatlfn.img fls fls fatlfn.img
  report fatlfn.img fsck fsck.fat -v -n fatlfn.img
fi
if [ -f mbr.img ]; then
  report mbr.img sfdisk sfdisk -J mbr.img
  # The geometry sfdisk used for the C/H/S bytes it wrote.
  report mbr.img sfdiskg sfdisk -g mbr.img
fi
if [ -f gpt.img ]; then
  report gpt.img sgdisk sgdisk -p gpt.img
  report gpt.img sgdiskv sgdisk -v gpt.img
  for n in 1 2 3 4; do report gpt.img sgdisk$n sgdisk -i $n gpt.img; done
  # The two CRCs of the primary header computed apart from any GPT tool.
  report gpt.img zlibcrc python3 -c '
import struct, sys, zlib
d = open(sys.argv[1], "rb").read()
h = bytearray(d[512:1024])
size = struct.unpack_from("<I", h, 12)[0]
lba, count, esize = struct.unpack_from("<QII", h, 72)
h[16:20] = b"\0\0\0\0"
print("header %08X" % (zlib.crc32(bytes(h[:size])) & 0xFFFFFFFF))
print("array %08X" % (zlib.crc32(d[lba * 512:lba * 512 + count * esize]) & 0xFFFFFFFF))
' gpt.img
fi
[ -f exfat.img ] && report exfat.img dumpexfat dump.exfat exfat.img
if [ -f fat12.img ] && have fls; then
  ino=$(fls -r fat12.img | sed -n 's/^[+ ]*r\/r \([0-9]*\):[[:space:]]*numbers\.txt$/\1/p')
  [ -n "$ino" ] && report fat12.img istat istat fat12.img "$ino"
fi
# An NTFS volume with a file in three runs, for the master file table printer: the file
# grows twice while another file takes the clusters behind it.
mk_ntfsfrag() {
  truncate -s 16M "$1" && mkntfs -F -Q -q -L FRAG "$1" &&
  rm -rf "$1.d" && mkdir -p "$1.d" &&
  head -c 8192 /dev/zero | tr '\0' 'a' >"$1.d/frag.bin" &&
  head -c 20000 /dev/zero | tr '\0' 'b' >"$1.d/gap1.bin" &&
  head -c 4096 /dev/zero | tr '\0' 'c' >"$1.d/gap2.bin" &&
  ntfscp -q "$1" "$1.d/frag.bin" frag.bin &&
  ntfscp -q "$1" "$1.d/gap1.bin" gap1.bin &&
  ntfsfallocate -o 8192 -l 16384 "$1" frag.bin &&
  ntfscp -q "$1" "$1.d/gap2.bin" gap2.bin &&
  ntfsfallocate -o 24576 -l 8192 "$1" frag.bin &&
  rm -rf "$1.d"
}
have ntfscp && have ntfsfallocate && build ntfsfrag.img mk_ntfsfrag
if [ -f ntfsfrag.img ]; then
  report ntfsfrag.img ntfsinfo ntfsinfo -v -m -F frag.bin ntfsfrag.img
  report ntfsfrag.img fls fls ntfsfrag.img
  # $BadClus: a record whose data attribute has a name ("$Bad").
  report ntfsfrag.img badclus ntfsinfo -v -i 8 ntfsfrag.img
fi
# Values as large as the file systems hold them.
# NTFS with 64 KiB clusters: the boot sector's sectors-per-cluster byte is 0x80, a count.
mk_ntfs64k() { truncate -s 64M "$1" && mkntfs -F -Q -q -c 65536 -L NTFS64K "$1"; }
build ntfs64k.img mk_ntfs64k
if [ -f ntfs64k.img ]; then
  report ntfs64k.img ntfsinfo ntfsinfo -v -m -F '$MFT' ntfs64k.img
  report ntfs64k.img ntfsmirr ntfsinfo -v -F '$MFTMirr' ntfs64k.img
  report ntfs64k.img fsstat fsstat ntfs64k.img
fi
# A file with three named streams of 100 bytes: the header of the third crosses the end of
# the record's first 512-byte stride, where NTFS keeps the update sequence number.
mk_ntfsads() {
  truncate -s 16M "$1" && mkntfs -F -Q -q -L ADS "$1" &&
  rm -rf "$1.d" && mkdir -p "$1.d" && echo hello >"$1.d/ads.txt" &&
  head -c 100 /dev/zero | tr '\0' 's' >"$1.d/stream" &&
  ntfscp -q "$1" "$1.d/ads.txt" ads.txt &&
  for s in a b c; do ntfscp -q -N $s "$1" "$1.d/stream" ads.txt || return 1; done &&
  rm -rf "$1.d"
}
have ntfscp && build ntfsads.img mk_ntfsads
[ -f ntfsads.img ] && report ntfsads.img ntfsinfo ntfsinfo -v -m -F ads.txt ntfsads.img
# A 1.5 TB FAT32 of 16 KiB clusters: two FATs of some 768,000 sectors, more than 2^20 sectors
# together. The zeros mkfs.fat writes into the FATs are made holes again where the system can.
mk_fat32big() {
  truncate -s 1500G "$1" && mkfs.fat -F 32 -s 32 -n FAT32BIG "$1" &&
  { fallocate -d "$1" 2>/dev/null || true; }
}
build fat32big.img mk_fat32big
[ -f fat32big.img ] && report fat32big.img fsstat fsstat fat32big.img
# An MBR disk of 2.1 TiB whose extended partition starts just below sector 2^32: its EBR
# names a FAT12 volume behind sector 2^32, counted from the EBR.
mk_mbrhigh() {
  truncate -s 2200G "$1" &&
  table_entry "$1" 0 0 5 4294901760 1048576 &&
  table_entry "$1" 4294901760 0 1 131072 8192 &&
  part "$1" $((4294901760 + 131072)) mk_fat12_small 8192
}
build mbrhigh.img mk_mbrhigh
[ -f mbrhigh.img ] && report mbrhigh.img mmls mmls mbrhigh.img
# ext2.img with high words of the block counts but without the 64bit feature: they are no
# part of the counts, and dumpe2fs shows the low words.
mk_ext2hi() {
  cp ext2.img "$1" &&
  printf '\001' | dd of="$1" bs=1 seek=$((1024 + 336)) conv=notrunc status=none &&
  printf '\002' | dd of="$1" bs=1 seek=$((1024 + 344)) conv=notrunc status=none
}
[ -f ext2.img ] && build ext2hi.img mk_ext2hi
[ -f ext2hi.img ] && report ext2hi.img dumpe2fs dumpe2fs -h ext2hi.img
# NTFS with 4096-byte sectors: the boot sector counts its clusters and the master file
# table's place in those sectors, eight 512-byte units each.
mk_ntfs4k() { truncate -s 64M "$1" && mkntfs -F -Q -q -s 4096 -c 4096 -L NTFS4K "$1"; }
build ntfs4k.img mk_ntfs4k
if [ -f ntfs4k.img ]; then
  report ntfs4k.img ntfsinfo ntfsinfo -v -m -F '$MFT' ntfs4k.img
  report ntfs4k.img ntfsmirr ntfsinfo -v -F '$MFTMirr' ntfs4k.img
  report ntfs4k.img fsstat fsstat ntfs4k.img
fi
# NTFS with 128 KiB clusters: the sectors-per-cluster byte is 0xF8, a power of two of
# sectors (fsstat does not read such a volume; ntfsinfo does).
mk_ntfs128k() { truncate -s 256M "$1" && mkntfs -F -Q -q -c 131072 -L NTFS128K "$1"; }
build ntfs128k.img mk_ntfs128k
if [ -f ntfs128k.img ]; then
  report ntfs128k.img ntfsinfo ntfsinfo -v -m -F '$MFT' ntfs128k.img
  report ntfs128k.img ntfsmirr ntfsinfo -v -F '$MFTMirr' ntfs128k.img
fi
# ext4 with times past 2^31 seconds (2038), which the superblock keeps unsigned: the last
# mount in 2040, the last check in 2099, the creation in 2070, two errors in 2050 and 2100.
mk_ext4late() {
  mke2fs -q -F -t ext4 -b 4096 -L ext4late "$1" 2048 &&
  printf '%s\n' 'ssv mtime 20400101000000' 'ssv lastcheck 20990101000000' 'ssv mkfs_time 20700101000000' \
    'ssv error_count 2' 'ssv first_error_time 20500101000000' 'ssv last_error_time 21000101000000' >"$1.cmd" &&
  debugfs -w -f "$1.cmd" "$1" && rm -f "$1.cmd"
}
build ext4late.img mk_ext4late
[ -f ext4late.img ] && report ext4late.img dumpe2fs dumpe2fs -h ext4late.img
# iso9660.img with README.TXT grown to 3 GiB in its directory record (both byte orders).
mk_isobig() {
  cp iso9660.img "$1" && python3 - "$1" <<'PY'
import struct, sys
f = open(sys.argv[1], "r+b")
d = bytearray(f.read())
root = struct.unpack_from("<I", d, 16 * 2048 + 158)[0] * 2048
off = 0
while off < 2048 and d[root + off]:
    r = root + off
    if bytes(d[r + 33:r + 33 + d[r + 32]]).startswith(b"README"):
        struct.pack_into("<I", d, r + 10, 0xC0000000)
        struct.pack_into(">I", d, r + 14, 0xC0000000)
    off += d[r]
f.seek(0)
f.write(d)
PY
}
[ -f iso9660.img ] && build isobig.img mk_isobig
[ -f isobig.img ] && report isobig.img isolist isoinfo -l -i isobig.img
# UDF identifiers that fill their fields: 30 characters of a 32-byte d-string, 126 of a
# 128-byte one; the field's last byte is then the length.
mk_udffull() {
  mkudffs --blocksize=2048 --media-type=hd --vid=ABCDEFGHIJKLMNOPQRSTUVWXYZ0123 \
    --lvid=$(printf 'L%.0s' $(seq 1 126)) --vsid=$(printf 'S%.0s' $(seq 1 110)) --new-file "$1" 2048
}
build udffull.img mk_udffull
[ -f udffull.img ] && report udffull.img udfinfo udfinfo udffull.img

# A BMP file for the data window's modules: made by ImageMagick, described by identify.
mk_bmp() { convert -size 37x21 xc:red -type truecolor "bmp3:$1"; }
have convert && build test.bmp mk_bmp
[ -f test.bmp ] && report test.bmp identify identify -format '%w %h %z %B\n' test.bmp
exit 0
