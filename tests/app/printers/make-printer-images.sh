#!/bin/sh
# Makes the images of the structure printers' tests whose values lie past 2^31 and 2^32
# (disks of 2 and 3 TiB, partitions behind the first TiB, a FAT32 of more than 2^31 sectors,
# files of 2 GiB and more), and the damaged GPT headers, with Debian's own tools; saves what
# the tools report about each next to it (<image>.<tool>.txt).
#   make-printer-images.sh <output folder>
# The large disks are sparse files: only what the tools write takes room (about 80 MB in all).
# An image that already exists is kept (the folder is a cache in the build tree); an image is
# written under a temporary name first, so a run that breaks off leaves no half-made image.
# A tool that is missing or fails costs only its own image: the test skips what is absent.
set -u
out=$1
. "$(cd "$(dirname "$0")" && pwd)/../../support/fixture-tools.sh"

# The first sector of partition <n> as sfdisk -d lists it.
sfdisk_start() {
  sfdisk -d "$1" 2>/dev/null | sed -n "s/^[^ ]*$2 : start= *\([0-9]*\),.*/\1/p"
}

# A 2 TiB MBR disk whose values fill the 32 bits of its entries: the extended partition is
# 3.3 billion sectors long, its first logical partition (a FAT32 of 2.2 billion sectors, more
# than 2^31) starts behind it, the second one's extended boot record lies 2.2 billion sectors
# into the extended partition, and the third primary partition starts behind 3.3 billion.
# Each file system is told where its partition starts (its hidden sectors), as a partitioner
# that formats does; the NTFS has 64 KiB clusters.
mk_mbr2t() {
  truncate -s 2T "$1" &&
  printf '%s\n' 'label: dos' \
    "$1""1 : start=2048, size=1000000, type=c" \
    "$1""2 : start=1002048, size=3292000000, type=5" \
    "$1""3 : start=3300000000, size=994000000, type=6" \
    "$1""5 : start=1004096, size=2200000000, type=c" \
    "$1""6 : start=2201006144, size=2000000, type=7" | sfdisk -q "$1" &&
  s5=$(sfdisk_start "$1" 5) && s3=$(sfdisk_start "$1" 3) && s6=$(sfdisk_start "$1" 6) &&
  [ -n "$s5" ] && [ -n "$s3" ] && [ -n "$s6" ] &&
  mkfs.fat -F 32 -s 128 -f 1 -n WEITFAT32 -h "$s5" --offset="$s5" "$1" 1100000000 &&
  mkfs.fat -F 16 -n HINTEN16 -h "$s3" --offset="$s3" "$1" 100000 &&
  rm -f "$1.ntfs" && truncate -s $((2000000 * 512)) "$1.ntfs" &&
  mkntfs -F -Q -q -c 65536 -p "$s6" -H 255 -S 63 -L WEITNTFS "$1.ntfs" &&
  { ntfsinfo -m "$1.ntfs" >"${1%.tmp}.ntfsinfo6.txt" 2>&1 || true; } &&
  dd if="$1.ntfs" of="$1" bs=64K oflag=seek_bytes seek=$((s6 * 512)) conv=notrunc,sparse status=none &&
  rm -f "$1.ntfs"
}

# A 3 TiB GPT disk: its backup header and last usable sector lie past 2^32, and so do the
# starts of its second and third partitions.
mk_gpt3t() {
  truncate -s 3T "$1" &&
  sgdisk -n 1:2048:+1G -t 1:0700 -n 2:4294967296:+100G -t 2:8300 \
         -n 3:6000000000:+200G -t 3:0700 "$1" >/dev/null
}

# A 4 MiB GPT disk, and copies of it with one flaw each: a header that claims 60 bytes (its
# CRC taken over those 60), a header of 0 entries (its array CRC that of no bytes, 0), and
# the backup header wiped to zeros while the primary still names it.
mk_gptflaw() {
  truncate -s 4M "$1" && sgdisk -n 1:2048:+2M -t 1:0700 "$1" >/dev/null
}
# flaw_header <image> <LBA> <what>: changes the header at the LBA and puts its CRC right.
flaw_header() {
  python3 -c '
import struct, sys, zlib
path, lba, what = sys.argv[1], int(sys.argv[2]), sys.argv[3]
f = open(path, "r+b")
f.seek(lba * 512)
h = bytearray(f.read(512))
if what == "size60":
    h[12:16] = struct.pack("<I", 60)
elif what == "noentries":
    h[80:84] = struct.pack("<I", 0)
    h[88:92] = struct.pack("<I", zlib.crc32(b""))
size = struct.unpack_from("<I", h, 12)[0]
h[16:20] = b"\0\0\0\0"
h[16:20] = struct.pack("<I", zlib.crc32(bytes(h[:size])) & 0xFFFFFFFF)
f.seek(lba * 512)
f.write(h)
' "$1" "$2" "$3"
}
mk_gptflaw_size60()     { cp gptflaw.img "$1" && flaw_header "$1" 1 size60; }
mk_gptflaw_noentries()  { cp gptflaw.img "$1" && flaw_header "$1" 1 noentries; }
mk_gptflaw_zeroback()   {
  cp gptflaw.img "$1" && dd if=/dev/zero of="$1" bs=512 seek=8191 count=1 conv=notrunc status=none
}

# A 3 TiB exFAT volume: its length in sectors lies past 2^32.
mk_exfat3t() { truncate -s 3T "$1" && mkfs.exfat -c 4M -L WEITEXFAT "$1"; }

# A 7 GiB FAT32 volume (64 KiB clusters) with a file of 2 GiB and one of 4 GiB - 1, the
# largest a FAT directory entry can hold, beside a small one that mtools copies. The large
# files are written as a tool that fills no data would write them: a directory entry and a
# chain of clusters each, their contents the zeros of the sparse image. (fsck.fat 4.2 cannot
# judge them: it counts the chain of a file of 4 GiB - 1, 2^32 bytes, in 32 bits, gets 0 and
# would cut the file; fls and istat read the volume as it is.)
mk_fatsizes() {
  truncate -s 7G "$1" && mkfs.fat -F 32 -s 128 -n GROSS "$1" >/dev/null &&
  echo "Sektorlupe" >"$1.txt" && mcopy -i "$1" "$1.txt" ::/KLEIN.TXT && rm -f "$1.txt" &&
  python3 -c '
import struct, sys
path = sys.argv[1]
f = open(path, "r+b")
boot = f.read(512)
reserved, fats, fat_sectors, root = (struct.unpack_from("<H", boot, 14)[0], boot[16],
                                     struct.unpack_from("<I", boot, 36)[0],
                                     struct.unpack_from("<I", boot, 44)[0])
per_cluster, info = boot[13] * 512, struct.unpack_from("<H", boot, 48)[0]
data = (reserved + fats * fat_sectors) * 512
total = struct.unpack_from("<I", boot, 32)[0]
clusters = (total - reserved - fats * fat_sectors) // boot[13]
f.seek(reserved * 512)
fat = bytearray(f.read(fat_sectors * 512))
def entry(n):
    return struct.unpack_from("<I", fat, 4 * n)[0] & 0x0FFFFFFF
# The root directory: its first free entry.
f.seek(data + (root - 2) * per_cluster)
directory = bytearray(f.read(per_cluster))
slot = next(i for i in range(0, per_cluster, 32) if directory[i] == 0)
start = next(n for n in range(2, clusters + 2) if entry(n) == 0 and all(entry(m) == 0 for m in range(n, n + 16)))
for name, size in ((b"HALB    BIN", 1 << 31), (b"VOLL    BIN", (1 << 32) - 1)):
    count = (size + per_cluster - 1) // per_cluster
    for n in range(start, start + count):
        struct.pack_into("<I", fat, 4 * n, n + 1 if n + 1 < start + count else 0x0FFFFFFF)
    e = bytearray(32)
    e[0:11] = name
    e[11] = 0x20
    struct.pack_into("<HHH", e, 14, 0x6000, 0x5B88, 0x5B88)   # 12:00:00, 2025-12-08
    struct.pack_into("<HHHHI", e, 20, start >> 16, 0x6000, 0x5B88, start & 0xFFFF, size)
    directory[slot:slot + 32] = e
    slot += 32
    start += count
for copy in range(fats):
    f.seek((reserved + copy * fat_sectors) * 512)
    f.write(fat)
f.seek(data + (root - 2) * per_cluster)
f.write(directory)
free = sum(1 for n in range(2, clusters + 2) if entry(n) == 0)
f.seek(info * 512 + 488)
f.write(struct.pack("<II", free, start))
' "$1"
}

build mbr2t.img mk_mbr2t
build gpt3t.img mk_gpt3t
build gptflaw.img mk_gptflaw
if [ -f gptflaw.img ]; then
  build gptflaw-size60.img mk_gptflaw_size60
  build gptflaw-noentries.img mk_gptflaw_noentries
  build gptflaw-zeroback.img mk_gptflaw_zeroback
fi
build exfat3t.img mk_exfat3t
have mcopy && build fatsizes.img mk_fatsizes

# The reports, remade every run (cheap), for the images that exist.
if [ -f mbr2t.img ]; then
  report mbr2t.img sfdisk sfdisk -J mbr2t.img
  report mbr2t.img mmls mmls mbr2t.img
  for n in 3 5 6; do
    s=$(sfdisk_start mbr2t.img $n)
    [ -n "$s" ] || continue
    report mbr2t.img fsstat$n fsstat -o "$s" mbr2t.img
    [ $n = 6 ] || report mbr2t.img minfo$n minfo -i "mbr2t.img@@$((s * 512))" ::
  done
fi
if [ -f gpt3t.img ]; then
  report gpt3t.img sgdisk sgdisk -p gpt3t.img
  report gpt3t.img sgdiskv sgdisk -v gpt3t.img
  for n in 1 2 3; do report gpt3t.img sgdisk$n sgdisk -i $n gpt3t.img; done
  # The CRCs of both headers (the backup one in the disk's last sector) and of their arrays,
  # computed apart from any GPT tool: "header", "array", "backup header", "backup array".
  report gpt3t.img zlibcrc python3 -c '
import os, struct, sys, zlib
f = open(sys.argv[1], "rb")
last = os.path.getsize(sys.argv[1]) // 512 - 1
for name, at in (("", 1), ("backup ", last)):
    f.seek(at * 512)
    h = bytearray(f.read(512))
    size = struct.unpack_from("<I", h, 12)[0]
    lba, count, esize = struct.unpack_from("<QII", h, 72)
    h[16:20] = b"\0\0\0\0"
    f.seek(lba * 512)
    print("%sheader %08X" % (name, zlib.crc32(bytes(h[:size])) & 0xFFFFFFFF))
    print("%sarray %08X" % (name, zlib.crc32(f.read(count * esize)) & 0xFFFFFFFF))
' gpt3t.img
fi
for f in gptflaw gptflaw-size60 gptflaw-noentries gptflaw-zeroback; do
  [ -f $f.img ] && report $f.img sgdiskv sgdisk -v $f.img
done
if [ -f exfat3t.img ]; then
  report exfat3t.img dumpexfat dump.exfat exfat3t.img
  report exfat3t.img fsstat fsstat exfat3t.img
fi
if [ -f fatsizes.img ]; then
  report fatsizes.img mdir mdir -i fatsizes.img ::
  report fatsizes.img fls fls -l fatsizes.img
  report fatsizes.img fsstat fsstat fatsizes.img
fi
exit 0
