// exFAT: the boot sector, the allocation table, the root directory's first cluster and the
// cluster heap.
#include "disk/VolumeScan.h"
#include "disk/OnDiskBytes.h"

namespace {

const uint32_t kFatOffset = 80;          // u32, sectors from the volume start
const uint32_t kFatLength = 84;          // u32, sectors
const uint32_t kHeapOffset = 88;         // u32, sectors
const uint32_t kClusterCount = 92;       // u32
const uint32_t kRootCluster = 96;        // u32
const uint32_t kBytesPerSectorShift = 108;
const uint32_t kSectorsPerClusterShift = 109;

const uint32_t kSector = 512;

}  // namespace

uint32_t VolumeScanner::AnalyzeExFat(uint64_t base)
{
    uint8_t bs[kSector];
    if (!ReadVolumeUnits(base, 1, bs) || !HasBootSignature(bs) || !BytesAre(bs, kSector, 3, "EXFAT   "))
        return 0;
    AddArea(base, base + 1, INFO_EXFAT_BOOT);

    // The offsets and lengths count the volume's own sectors of 512 to 4096 bytes; the scan
    // counts 512-byte units. Taken as units, the FAT, the cluster heap and the root directory
    // of a volume with 4096-byte sectors would be placed eight times too near its start, and
    // those sectors shown as the wrong structures. A sector size exFAT does not know leaves
    // the volume unmapped rather than mismapped.
    uint32_t bytesShift = ReadU8(bs, kSector, kBytesPerSectorShift) & 31;
    if (bytesShift < 9 || bytesShift > 12)
        return 1;
    const uint64_t ups = 1u << (bytesShift - 9);

    uint32_t fatOffset = ReadU32(bs, kSector, kFatOffset);
    uint32_t fatLength = ReadU32(bs, kSector, kFatLength);
    if (fatOffset != 0 && fatLength != 0 && fatLength != 0xFFFFFFFFu)
        AddArea(base + fatOffset * ups, base + (fatOffset + static_cast<uint64_t>(fatLength)) * ups, INFO_EXFAT_TABLE);

    // Cluster size in 512-byte units; the shift is taken modulo 32 as a 32-bit shift would.
    uint32_t clusterShift = ReadU8(bs, kSector, kSectorsPerClusterShift) & 31;
    uint32_t upc = ((1u << bytesShift) << clusterShift) / kSector;

    const uint64_t heapStart = base + ReadU32(bs, kSector, kHeapOffset) * ups;
    m_res.regions.Add(base, heapStart, upc, ReadU32(bs, kSector, kClusterCount), 2);

    uint32_t root = ReadU32(bs, kSector, kRootCluster);
    if (root >= 2 && root != 0xFFFFFFFFu) {
        // In 64 bits: a root directory 2 TiB or more into the cluster heap (any volume of
        // 2^32 units and more may have one) would wrap to a place near the heap's start.
        uint64_t rootFirst = heapStart + static_cast<uint64_t>(root - 2) * upc;
        AddArea(rootFirst, rootFirst + upc, INFO_EXFAT_DIRECTORY);
    }
    return 1;
}
