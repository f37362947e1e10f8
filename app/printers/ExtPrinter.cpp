// Printer of the superblock of ext2, ext3 and ext4: every field in on-disk order, one line
// each. Feature words, flags and the state stay hexadecimal; times show as dates, year first.
//
// The superblock is 1024 bytes at byte 1024 of the volume: two sectors of a 512-byte
// medium, so the printer joins the current sector with its neighbour. On a medium with
// sectors of 2048 bytes or more the whole superblock lies inside the sector at byte 1024.
#include "app/printers/StructurePrinter.h"

#include <string.h>

#include "disk/OnDiskBytes.h"
#include "textlib/StrPrintf.h"

namespace {

const uint32_t kSuperblockSize = 1024;
const uint32_t kHalf = 512;
const uint32_t kMagicField = 56;
const uint16_t kExtMagic = 0xEF53;
const uint32_t kVolumeOffset = 1024;   // where the superblock starts in the volume
const uint32_t kIncompatField = 96;    // u32, the incompatible features
const uint32_t kIncompat64Bit = 0x80;

enum ExtFieldKind : uint8_t {
    EF_NUMBER,     // 1, 2 or 4 bytes: %u, %X
    EF_NUMBER64,   // 8 bytes: %I64u, %I64X
    EF_BLOCKS64,   // a 32-bit low word joined with the high word at `extra` (64bit feature)
    EF_LOG_SIZE,   // exponent of a size, unit in `extra`
    EF_TIME,       // seconds since 1970
    EF_UUID,       // 16 bytes in their order (no GUID's little-endian groups), upper case
    EF_TEXT        // fixed-width text, "%.Ns" in the format bounds it
};

struct ExtField {
    uint16_t offset;
    uint8_t width;
    ExtFieldKind kind;
    uint16_t extra;
    const char* format;
};

const ExtField kExtFields[] = {
    {0, 4, EF_NUMBER, 0, "  InodesCount            : %u"},
    {4, 4, EF_BLOCKS64, 336, "  BlocksCountLo          : %I64u"},
    {8, 4, EF_BLOCKS64, 340, "  ReservedBlocksCountLo  : %I64u"},
    {12, 4, EF_BLOCKS64, 344, "  FreeBlocksCountLo      : %I64u"},
    {16, 4, EF_NUMBER, 0, "  FreeInodesCount        : %u"},
    {20, 4, EF_NUMBER, 0, "  FirstDataBlock         : %u"},
    {24, 4, EF_LOG_SIZE, 1024, "  LogBlockSize           : %s"},
    // The cluster (formerly fragment) size counts from 1024 bytes like the block size:
    // a value of 2 is a cluster of 4 KB, which is what dumpe2fs reports.
    {28, 4, EF_LOG_SIZE, 1024, "  LogClusterSize         : %s"},
    {32, 4, EF_NUMBER, 0, "  BlocksPerGroup         : %u"},
    {36, 4, EF_NUMBER, 0, "  FragsPerGroup          : %u"},
    {40, 4, EF_NUMBER, 0, "  InodesPerGroup         : %u"},
    {44, 4, EF_TIME, 0, "  MountTime              : %s"},
    {48, 4, EF_TIME, 0, "  WriteTime              : %s"},
    {52, 2, EF_NUMBER, 0, "  MountCount             : %u"},
    {54, 2, EF_NUMBER, 0, "  MaxMountCount          : %u"},
    {56, 2, EF_NUMBER, 0, "  Magic                  : %04Xh"},
    {58, 2, EF_NUMBER, 0, "  State                  : %04Xh"},
    {60, 2, EF_NUMBER, 0, "  Errors                 : %u"},
    {62, 2, EF_NUMBER, 0, "  MinorRevLevel          : %u"},
    {64, 4, EF_TIME, 0, "  LastCheckTime          : %s"},
    {68, 4, EF_NUMBER, 0, "  CheckInterval          : %u s"},
    {72, 4, EF_NUMBER, 0, "  CreatorOs              : %u"},
    {76, 4, EF_NUMBER, 0, "  RevLevel               : %u"},
    {80, 2, EF_NUMBER, 0, "  DefResUid              : %u"},
    {82, 2, EF_NUMBER, 0, "  DefResGid              : %u"},
    {84, 4, EF_NUMBER, 0, "  FirstInode             : %u"},
    {88, 2, EF_NUMBER, 0, "  InodeSize              : %u"},
    {90, 2, EF_NUMBER, 0, "  BlockGroupIndex        : %u"},
    {92, 4, EF_NUMBER, 0, "  FeaturesCompatible     : %08Xh"},
    {96, 4, EF_NUMBER, 0, "  FeaturesIncompatible   : %08Xh"},
    {100, 4, EF_NUMBER, 0, "  FeaturesReadOnly       : %08Xh"},
    {104, 16, EF_UUID, 0, "  Uuid                   : %s"},
    {120, 16, EF_TEXT, 0, "  VolumeName             : '%.16s'"},
    {136, 64, EF_TEXT, 0, "  LastMounted            : '%.64s'"},
    {200, 4, EF_NUMBER, 0, "  AlgorithmUsageBitmap   : %08Xh"},
    {204, 1, EF_NUMBER, 0, "  PreAllocBlocks         : %u"},
    {205, 1, EF_NUMBER, 0, "  PreAllocDirBlocks      : %u"},
    {206, 2, EF_NUMBER, 0, "  ReservedGdtBlocks      : %u"},
    {208, 16, EF_UUID, 0, "  JournalUuid[12]        : %s"},
    {224, 4, EF_NUMBER, 0, "  JournalInodeNumber     : %u"},
    {228, 4, EF_NUMBER, 0, "  JournalDevice          : %u"},
    {232, 4, EF_NUMBER, 0, "  LastOrphan             : %u"},
    {252, 1, EF_NUMBER, 0, "  DefaultHashVersion     : %u"},
    {253, 1, EF_NUMBER, 0, "  JournalBackupType      : %u"},
    {254, 2, EF_NUMBER, 0, "  DescSize               : %u"},
    {256, 4, EF_NUMBER, 0, "  DefaultMountOpts       : %04Xh"},
    {260, 4, EF_NUMBER, 0, "  FirstMetaBg            : %u"},
    {264, 4, EF_TIME, 0, "  MkfsTime               : %s"},
    {336, 4, EF_NUMBER, 0, "  BlocksCountHi          : %04Xh"},
    {340, 4, EF_NUMBER, 0, "  ReservedBlocksCountHi  : %04Xh"},
    {344, 4, EF_NUMBER, 0, "  FreeBlocksCountHi      : %04Xh"},
    {348, 2, EF_NUMBER, 0, "  MinExtraInodeSize      : %u"},
    {350, 2, EF_NUMBER, 0, "  WantExtraIsize         : %u"},
    {352, 4, EF_NUMBER, 0, "  Flags                  : %04Xh"},
    {356, 2, EF_NUMBER, 0, "  RaidStride             : %u"},
    {358, 2, EF_NUMBER, 0, "  MmpInterval            : %u"},
    {360, 8, EF_NUMBER64, 0, "  MmpBlock               : %08I64Xh"},
    {368, 4, EF_NUMBER, 0, "  RaidStripeWidth        : %02Xh"},
    {372, 1, EF_LOG_SIZE, 1, "  LogGroupsPerFlex       : %s"},
    {373, 1, EF_NUMBER, 0, "  ChecksumType           : %u"},
    {376, 8, EF_NUMBER64, 0, "  KbytesWritten          : %I64u"},
    {384, 4, EF_NUMBER, 0, "  SnapshotInode          : %u"},
    {388, 4, EF_NUMBER, 0, "  SnapshotId             : %u"},
    {392, 8, EF_NUMBER64, 0, "  SnapshotBlocksCount    : %I64u"},
    {400, 4, EF_NUMBER, 0, "  SnapshotList           : %u"},
    {404, 4, EF_NUMBER, 0, "  ErrorCount             : %u"},
    {408, 4, EF_TIME, 0, "  FirstErrorTime         : %s"},
    {412, 4, EF_NUMBER, 0, "  FirstErrorInode        : %u"},
    {416, 8, EF_NUMBER64, 0, "  FirstErrorBlock        : %I64u"},
    {424, 32, EF_TEXT, 0, "  FirstErrorFunc         : '%.32s'"},
    {456, 4, EF_NUMBER, 0, "  FirstErrorLine         : %u"},
    {460, 4, EF_TIME, 0, "  LastErrorTime          : %s"},
    {464, 4, EF_NUMBER, 0, "  LastErrorInode         : %u"},
    {468, 4, EF_NUMBER, 0, "  LastErrorLine          : %u"},
    {472, 8, EF_NUMBER64, 0, "  LastErrorBlock         : %I64u"},
    {480, 32, EF_TEXT, 0, "  LastErrorFunc          : '%.32s'"},
    {512, 64, EF_TEXT, 0, "  MountOpts              : '%.64s'"},
    {576, 4, EF_NUMBER, 0, "  UserQuotaInode         : %u"},
    {580, 4, EF_NUMBER, 0, "  GroupQuotaInode        : %u"},
    {584, 4, EF_NUMBER, 0, "  OverheadClusters       : %u"},
    {596, 4, EF_NUMBER, 0, "  EncryptAlgorithms      : %04Xh"},
    {616, 4, EF_NUMBER, 0, "  LpfInode               : %u"},
    {1020, 4, EF_NUMBER, 0, "  Checksum               : %08X"},
};

uint32_t ReadExtNumber(const uint8_t* sb, uint32_t off, uint32_t width)
{
    switch (width) {
    case 1:
        return ReadU8(sb, kSuperblockSize, off);
    case 2:
        return ReadU16(sb, kSuperblockSize, off);
    default:
        return ReadU32(sb, kSuperblockSize, off);
    }
}

}  // namespace

void CStructurePrinter::PrintExtSuperblock(const uint8_t* sector, uint32_t loadedSize)
{
    const uint32_t size = sector ? loadedSize : 0;
    // The superblock copy, and where the current sector's first byte lies in it (negative:
    // the superblock starts inside the sector).
    uint8_t sb[kSuperblockSize];
    memset(sb, 0, sizeof(sb));
    int32_t sectorInCopy = 0;

    const uint64_t units = DocUnitsPerSector();
    const uint64_t firstUnit = DocCurrentSector() * units;
    if (size >= kVolumeOffset + kSuperblockSize && ReadU16(sector, size, kVolumeOffset + kMagicField) == kExtMagic) {
        // A large sector that begins the volume holds the whole superblock.
        memcpy(sb, sector + kVolumeOffset, kSuperblockSize);
        sectorInCopy = -static_cast<int32_t>(kVolumeOffset);
    } else if (ReadU16(sector, size, kMagicField) == kExtMagic) {
        // The first half (or, with sectors of 1024 bytes and more, the whole): what the
        // sector lacks comes from the units behind it.
        const uint32_t have = size < kSuperblockSize ? size : kSuperblockSize;
        memcpy(sb, sector, have);
        if (have < kSuperblockSize) {
            // A read that fails leaves its buffer undefined; the copy keeps its zeros then.
            uint8_t tail[kSuperblockSize];
            const uint32_t fromUnit = have / kHalf;
            if (DocReadUnits(firstUnit + fromUnit, 2 - fromUnit, tail))
                memcpy(sb + have, tail + (have - fromUnit * kHalf), kSuperblockSize - have);
        }
    } else {
        // Taken as the second half: the first comes from the unit before.
        const uint32_t have = size < kHalf ? size : kHalf;
        if (size > 0)
            memcpy(sb + kHalf, sector, have);
        sectorInCopy = static_cast<int32_t>(kHalf);
        uint8_t head[kHalf];
        if (firstUnit > 0 && DocReadUnits(firstUnit - 1, 1, head))
            memcpy(sb, head, kHalf);
    }

    AppendTitle("SUPERBLOCK");
    // The high words are part of the block counts only on a volume with the 64bit feature;
    // without it dumpe2fs and the kernel take the low word alone, whatever stands there.
    const bool counts64 = (ReadU32(sb, kSuperblockSize, kIncompatField) & kIncompat64Bit) != 0;
    for (const ExtField& f : kExtFields) {
        int line = -1;
        char text[80];
        switch (f.kind) {
        case EF_NUMBER:
            line = AppendFormat(f.format, ReadExtNumber(sb, f.offset, f.width));
            break;
        case EF_NUMBER64:
            line = AppendFormat(f.format, ReadU64(sb, kSuperblockSize, f.offset));
            break;
        case EF_BLOCKS64: {
            uint64_t count = ReadU32(sb, kSuperblockSize, f.offset);
            if (counts64)
                count |= static_cast<uint64_t>(ReadU32(sb, kSuperblockSize, f.extra)) << 32;
            line = AppendFormat(f.format, count);
            break;
        }
        case EF_LOG_SIZE:
            line = AppendFormat(f.format, FormatLog2Size(ReadExtNumber(sb, f.offset, f.width), f.extra));
            break;
        case EF_TIME:
            line = AppendFormat(f.format, FormatTimeValueYmd(ReadU32(sb, kSuperblockSize, f.offset)));
            break;
        case EF_UUID:
            line = AppendFormat(f.format, FormatUuidText(sb + f.offset));
            break;
        case EF_TEXT:
            line = AppendFormat(f.format, CopyFieldText(text, sb, kSuperblockSize, f.offset, f.width));
            break;
        }
        // Fields of the other half lie outside the current sector and get no mark.
        const int32_t markOffset = static_cast<int32_t>(f.offset) - sectorInCopy;
        if (markOffset >= 0)
            AddFieldMark(static_cast<uint32_t>(markOffset), f.width, line, 0, -1);
    }

    uint8_t title[11];
    memset(title, PC_BLUE, sizeof(title));
    ColourLine(1, title, sizeof(title));
    uint8_t colours[256];
    memset(colours, PC_NONE, 25);
    colours[25] = PC_GREEN;
    memset(colours + 26, PC_RED, 205 - 26);
    memset(colours + 205, PC_NONE, 256 - 205);
    ColourLinesWithStatus(3, PaneLineCount() - 1, colours, 205, SWS_AFTER_MARKER);
}
