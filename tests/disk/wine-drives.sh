#!/bin/sh
# Drive letters of the test prefix that the document tests read through the device paths:
#   Q:  a host folder, with Q:: the raw device, a copy of the NTFS fixture image (Wine reads
#       "\\.\Q:" from the file the "q::" link names, and the folder answers the volume
#       queries);
#   P:  a host folder that holds the "Partitions.txt" of the partition-file tests;
#   V:  a host folder in the build tree, where the tests put hard links to their images: Wine
#       numbers a volume by the folder of its drive letter, so one file reached through V:
#       and through Z: has two volume serial numbers.
# Usage: wine-drives.sh <build dir>
set -u
build=$(cd "$1" && pwd)
fixtures="$build/fixtures"
devices="$build/wineprefix-tests/dosdevices"
[ -d "$devices" ] || { echo "wine-drives: no prefix at $build/wineprefix-tests" >&2; exit 1; }
mkdir -p "$fixtures/qdrive" "$fixtures/pdrive" "$fixtures/vdrive" || exit 1
if [ -f "$fixtures/ntfs.img" ]; then
  cp -f "$fixtures/ntfs.img" "$fixtures/qdrive-raw.img" || exit 1
  ln -sfn "$fixtures/qdrive-raw.img" "$devices/q::"
else
  echo "wine-drives: no ntfs.img, Q: gets no raw device" >&2
  rm -f "$devices/q::"
fi
ln -sfn "$fixtures/qdrive" "$devices/q:"
ln -sfn "$fixtures/pdrive" "$devices/p:"
ln -sfn "$fixtures/vdrive" "$devices/v:"
exit 0
