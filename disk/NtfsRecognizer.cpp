// NTFS: the boot sector, the cluster numbering, and the first run of the master file table
// and of its mirror, found by walking the first 16 records of the MFT.
#include "disk/VolumeScan.h"
#include "disk/NtfsRuns.h"
#include "disk/OnDiskBytes.h"
#include "services/CaseFold.h"
#include <string.h>

namespace {

const uint32_t kSector = 512;
const uint32_t kBytesPerSector = 11;     // u16
const uint32_t kSectorsPerCluster = 13;  // u8; up to 0x80 a count, above: 1 << (256 - value)
const uint32_t kTotalSectors = 40;       // u64
const uint32_t kMftCluster = 48;         // u64

// An MFT record and its attributes.
const uint32_t kRecordBytes = 1024;
const uint32_t kRecordsWalked = 16;
const uint32_t kFirstAttribute = 20;     // u16 in the record
const uint32_t kLastAttributeStart = 1000;
const uint32_t kAttrType = 0;            // u32
const uint32_t kAttrLength = 4;          // u32
const uint32_t kAttrMinLength = 22;
const uint32_t kAttrValueOffset = 20;    // u16, resident attributes
const uint32_t kAttrFirstVcn = 16;       // u64, non-resident attributes
const uint32_t kAttrLastVcn = 24;        // u64
const uint32_t kAttrRunsOffset = 32;     // u16
const uint32_t kFileNameLength = 64;     // u8 in the $FILE_NAME value, in characters
const uint32_t kFileNameChars = 66;      // UTF-16 characters from here

const uint32_t kTypeFileName = 0x30;
const uint32_t kTypeData = 0x80;
const uint32_t kTypeEnd = 0xFFFFFFFFu;

const int kMaxRuns = 8;

bool NameIs(const char* name, const char* wanted)
{
    return CompareBytes1252(name, static_cast<int>(strlen(name)), wanted, static_cast<int>(strlen(wanted)), true) == 0;
}

// Sectors per cluster from the boot sector's byte. Up to 0x80 the byte is the count itself:
// 0x80 is the 128 sectors of a 64 KiB cluster, which mkntfs -c 65536 and Windows write.
// Above, the byte is a negative power of two of sectors: 0xF8 is 2^8 sectors, the 128 KiB
// cluster of 512-byte sectors that mkntfs -c 131072 writes, 0xF4 the 2 MiB of 2^12. 0 (never
// written by a formatter), and a power too large for any cluster, are taken as one sector.
uint32_t NtfsClusterSectors(uint8_t value)
{
    if (value == 0)
        return 1;
    if (value <= 0x80)
        return value;
    uint32_t shift = 256u - value;
    if (shift > 16)
        return 1;
    return 1u << shift;
}

// 512-byte units in one sector of the volume: 1 to 8 for the sector sizes NTFS is made with
// (512 to 4096 bytes). The boot sector counts clusters in sectors of its own size: read as
// units, the clusters of a volume of 4096-byte sectors, and its master file table with them,
// would be looked for at an eighth of their distance from its start. A size no formatter
// writes is taken as 512 bytes, as a boot sector with a damaged field was read before.
uint32_t NtfsUnitsPerSector(uint32_t bytesPerSector)
{
    switch (bytesPerSector) {
    case 1024: case 2048: case 4096:
        return bytesPerSector / kSector;
    default:
        return 1;
    }
}

}  // namespace

void VolumeScanner::WalkMftRecord(const uint8_t* rec, uint64_t bootSector, uint32_t spc)
{
    char name[256] = {};
    uint32_t runs = 0;
    uint64_t runClusters[kMaxRuns] = {};
    uint64_t runLengths[kMaxRuns] = {};

    uint32_t off = ReadU16(rec, kRecordBytes, kFirstAttribute);
    while (off <= kLastAttributeStart) {
        uint32_t type = ReadU32(rec, kRecordBytes, off + kAttrType);
        uint32_t length = ReadU32(rec, kRecordBytes, off + kAttrLength);
        if (type == kTypeEnd || length < kAttrMinLength || length >= kRecordBytes - off)
            break;
        // Every field below is read from inside this attribute only.
        const uint8_t* attr = rec + off;
        if (type == kTypeFileName) {
            uint32_t value = ReadU16(attr, length, kAttrValueOffset);
            uint32_t chars = ReadU8(attr, length, value + kFileNameLength);
            uint32_t first = value + kFileNameChars;
            if (first <= length && chars <= (length - first) / 2) {
                wchar_t wide[256];
                for (uint32_t i = 0; i < chars; ++i)
                    wide[i] = static_cast<wchar_t>(ReadU16(attr, length, first + 2 * i));
                int n = chars ? WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(chars), name,
                                                    sizeof name - 1, nullptr, nullptr)
                              : 0;
                name[n > 0 ? n : 0] = 0;
            }
        } else if (type == kTypeData) {
            int64_t clusters = static_cast<int64_t>(ReadU64(attr, length, kAttrLastVcn) -
                                                    ReadU64(attr, length, kAttrFirstVcn) + 1);
            uint32_t runsAt = ReadU16(attr, length, kAttrRunsOffset);
            if (runsAt < length)
                runs = static_cast<uint32_t>(DecodeDataRuns(clusters, attr + runsAt, length - runsAt,
                                                            runClusters, runLengths, kMaxRuns));
            else
                runs = 0;
        }
        off += length;
    }

    if (runs == 0)
        return;
    // Only the first run: a fragmented MFT's later runs are not named.
    uint64_t first = bootSector + spc * runClusters[0];
    uint64_t end = first + spc * runLengths[0];
    if (NameIs(name, "$MFT"))
        AddArea(first, end, INFO_NTFS_MFT);
    else if (NameIs(name, "$MFTMirr"))
        AddArea(first, end, INFO_NTFS_MFT_MIRROR);
}

uint32_t VolumeScanner::AnalyzeNtfs(uint64_t base)
{
    uint8_t bs[kSector];
    uint64_t s = 0;
    if (!FindBootSector(base, bs, &s))
        return 0;
    if (BytesAre(bs, kSector, 3, "EXFAT   "))
        return AnalyzeExFat(base);

    // The boot sector counts in its own sectors; the scan, its clusters and areas in units.
    const uint32_t sectorsPerCluster = NtfsClusterSectors(ReadU8(bs, kSector, kSectorsPerCluster));
    const uint32_t spc = sectorsPerCluster * NtfsUnitsPerSector(ReadU16(bs, kSector, kBytesPerSector));
    AddArea(s, s + 1, INFO_NTFS_BOOT);
    m_res.regions.Add(base, s, spc, ReadU64(bs, kSector, kTotalSectors) / sectorsPerCluster, 0);

    // The whole 64-bit cluster number: taken as 32 bits, and multiplied in 32 bits, an MFT
    // that lies 2 TiB or more into the volume would be looked for near its start.
    uint64_t mft = s + ReadU64(bs, kSector, kMftCluster) * spc;
    uint8_t rec[kRecordBytes];
    for (uint32_t k = 0; k < kRecordsWalked; ++k) {
        if (!ReadVolumeUnits(mft + 2 * k, 2, rec))
            break;
        if (BytesAre(rec, kRecordBytes, 0, "FILE")) {
            // The walk reads the record as NTFS wrote it, not with the sequence number that
            // stands in the last two bytes of each 512-byte stride.
            PutBackUpdateSequence(rec, kRecordBytes);
            WalkMftRecord(rec, s, spc);
        }
    }
    return 1;
}
