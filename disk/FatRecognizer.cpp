// FAT12, FAT16 and FAT32: the boot sector, the tables, the root directory and the cluster
// region. exFAT boot sectors are handed to the exFAT recogniser.
#include "disk/VolumeScan.h"
#include "disk/OnDiskBytes.h"

namespace {

// BIOS parameter block fields (offsets in the boot sector).
const uint32_t kBytesPerSector = 11;     // u16
const uint32_t kSectorsPerCluster = 13;  // u8
const uint32_t kReservedSectors = 14;    // u16
const uint32_t kNumberOfFats = 16;       // u8
const uint32_t kRootEntries = 17;        // u16 (0 on FAT32)
const uint32_t kTotalSectors16 = 19;     // u16
const uint32_t kSectorsPerFat16 = 22;    // u16 (0 on FAT32)
const uint32_t kTotalSectors32 = 32;     // u32
const uint32_t kSectorsPerFat32 = 36;    // u32
const uint32_t kRootCluster32 = 44;      // u32
const uint32_t kInfoSector32 = 48;       // u16
const uint32_t kBackupBoot32 = 50;       // u16

const uint32_t kSector = 512;
// The largest FAT a FAT32 volume can use: 2^28 cluster entries of four bytes.
const uint32_t kMaxFat32Bytes = 0x10000000u * 4;

// 512-byte units in one sector of the volume: 1 to 8 for the sector sizes FAT knows (512 to
// 4096 bytes), 0 for any other value, which no formatter writes. The boot sector's counts are
// in the volume's own sectors: read as units, the FATs, root directory and clusters of a
// volume with larger sectors would be placed too near its start and shown as the wrong
// structures, and "Springe zu Cluster" would land outside the cluster.
uint32_t FatUnitsPerSector(uint32_t bytesPerSector)
{
    switch (bytesPerSector) {
    case 512: case 1024: case 2048: case 4096:
        return bytesPerSector / kSector;
    default:
        return 0;
    }
}

uint32_t FatTableType(uint32_t clusters)
{
    if (clusters < 4085)
        return INFO_FAT12_TABLE;
    if (clusters >= 65525)
        return INFO_FAT32_TABLE;
    return INFO_FAT16_TABLE;
}

}  // namespace

uint32_t VolumeScanner::AnalyzeFat(uint64_t base)
{
    uint8_t bs[kSector];
    if (!ReadVolumeUnits(base, 1, bs))
        return 0;
    if (BytesAre(bs, kSector, 3, "EXFAT   "))
        return AnalyzeExFat(base);

    // The search starts with the sector in hand: reading the base again would cost every
    // FAT volume of the scan one more device read.
    uint64_t s = 0;
    if (!FindBootSector(base, bs, &s, true))
        return 0;

    uint32_t spc = ReadU8(bs, kSector, kSectorsPerCluster);
    if (spc == 0)
        spc = 1;
    uint32_t reserved = ReadU16(bs, kSector, kReservedSectors);
    uint32_t fats = ReadU8(bs, kSector, kNumberOfFats);
    uint32_t rootEntries = ReadU16(bs, kSector, kRootEntries);
    uint32_t spf16 = ReadU16(bs, kSector, kSectorsPerFat16);
    uint32_t total = ReadU16(bs, kSector, kTotalSectors16);
    if (total == 0)
        total = ReadU32(bs, kSector, kTotalSectors32);
    // The boot sector counts in its own sectors; the scan in 512-byte units.
    uint32_t bytesPerSector = ReadU16(bs, kSector, kBytesPerSector);
    uint32_t ups = FatUnitsPerSector(bytesPerSector);

    if (rootEntries == 0 && spf16 == 0) {
        // FAT32: root directory in clusters, 32-bit table size. The backup and the info
        // sector keep their fields in the first 512 bytes: one unit each.
        AddArea(s, s + 1, INFO_FAT32_BOOT);
        uint32_t backup = ReadU16(bs, kSector, kBackupBoot32);
        if (ups != 0 && backup != 0 && backup != 0xFFFF)
            AddArea(s + backup * ups, s + backup * ups + 1, INFO_FAT32_BOOT);
        uint32_t info = ReadU16(bs, kSector, kInfoSector32);
        if (ups != 0 && info != 0 && info != 0xFFFF)
            AddArea(s + info * ups, s + info * ups + 1, INFO_FAT32_INFO);

        uint32_t spf32 = ReadU32(bs, kSector, kSectorsPerFat32);
        // FAT32 ends at 2^28 clusters of four bytes each: no FAT needs more than 1 GiB, and a
        // larger one is damage. Below that any size is real: a 1.5 TiB volume of 16 KiB
        // clusters has two FATs of some 768,000 sectors, more than a bound of 2^20 sectors
        // for both would let through.
        if (ups == 0 || spf32 == 0 || spf32 > kMaxFat32Bytes / bytesPerSector)
            return 0;
        const uint32_t fatSectors = fats * spf32;     // at most 255 FATs of 2^21 sectors: no wrap
        if (fatSectors == 0 || total <= reserved + fatSectors)
            return 0;       // no data area: a count below it would wrap to millions of clusters
        uint32_t clusters = (total - (reserved + fatSectors)) / spc;
        if (clusters == 0 || clusters >= 0x10000000)
            return 0;
        uint64_t fatStart = s + static_cast<uint64_t>(reserved) * ups;
        uint64_t dataStart = fatStart + static_cast<uint64_t>(fatSectors) * ups;
        NoteFatVolume(fatStart, dataStart, static_cast<uint64_t>(spf32) * ups);
        // The boot sector decides the kind, not the cluster count: a small FAT32 volume still
        // has 32-bit table entries.
        AddArea(fatStart, dataStart, INFO_FAT32_TABLE);
        uint32_t rootCluster = ReadU32(bs, kSector, kRootCluster32);
        if (rootCluster >= 2) {
            // Only the root directory's first cluster: its chain is not followed here.
            uint64_t rootFirst = dataStart + static_cast<uint64_t>(rootCluster - 2) * spc * ups;
            AddArea(rootFirst, rootFirst + spc * ups, INFO_FAT_DIRECTORY);
        }
        m_res.regions.Add(base, dataStart, spc * ups, clusters, 2);
        return 1;
    }

    // FAT12/16: a fixed root directory behind the tables.
    AddArea(s, s + 1, INFO_FAT_BOOT);
    if (ups == 0)
        return 0;       // no sector size to count in: not a FAT volume after all
    uint32_t fatSectors = fats * spf16;
    uint32_t rootSectors = (rootEntries * 32 + bytesPerSector - 1) / bytesPerSector;
    if (fatSectors == 0 || fatSectors > 65535 || total <= reserved + fatSectors + rootSectors)
        return 0;
    uint32_t clusters = (total - (reserved + fatSectors) - rootSectors) / spc;
    if (clusters == 0 || clusters > 65535)
        return 0;
    uint64_t fatStart = s + static_cast<uint64_t>(reserved) * ups;
    uint64_t rootStart = fatStart + static_cast<uint64_t>(fatSectors) * ups;
    uint64_t dataStart = rootStart + static_cast<uint64_t>(rootSectors) * ups;
    NoteFatVolume(fatStart, rootStart, static_cast<uint64_t>(spf16) * ups);
    AddArea(fatStart, rootStart, FatTableType(clusters));
    AddArea(rootStart, dataStart, INFO_FAT_DIRECTORY);
    m_res.regions.Add(base, dataStart, spc * ups, clusters, 2);
    return 1;
}

void VolumeScanner::NoteFatVolume(uint64_t fatStart, uint64_t behindFats, uint64_t unitsPerFat)
{
    const uint32_t perFat = unitsPerFat > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(unitsPerFat);
    m_res.fatStart = fatStart;
    m_res.sectorsPerFat = perFat;
    m_res.fatVolumes.Add(fatStart, behindFats, perFat);
}
