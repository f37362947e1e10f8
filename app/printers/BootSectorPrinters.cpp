// Printers of the boot sectors of FAT12/16, FAT32, NTFS and exFAT and of the FAT32 info
// sector: one field line per field, in the order of the on-disk layout.
#include "app/printers/StructurePrinter.h"

#include <string.h>

#include "disk/OnDiskBytes.h"
#include "textlib/SiNumber.h"
#include "textlib/StrPrintf.h"

// How a field's bytes reach its line format.
enum FieldKind : uint8_t {
    FK_TEXT,     // 8-bit text of at most the field's width, ending at a zero byte: %s
    FK_NUMBER,   // 1, 2 or 4 bytes little-endian, zero-extended to 32 bits: %i, %u, %X
    FK_NUMBER64  // 8 bytes little-endian: %I64u, %I64X
};

// One line of a boot sector printer: the field's place and the line format.
struct BootField {
    uint16_t offset;
    uint8_t width;
    FieldKind kind;
    const char* format;
};

namespace {


// The BIOS parameter block that FAT12/16, FAT32 and exFAT share up to offset 36. Its counts
// are unsigned on disk: a volume of more than 1 TiB, or one that starts behind the first TiB
// of its disk, holds sector numbers of 2^31 and more, which a signed format shows negative.
#define BPB_COMMON_FIELDS                                             \
    {3, 8, FK_TEXT, "  OEMName            : %s"},                     \
    {11, 2, FK_NUMBER, "  BytesPerSector     : %i"},                  \
    {13, 1, FK_NUMBER, "  SectorsPerCluster  : %i"},                  \
    {14, 2, FK_NUMBER, "  ReservedSectors    : %i"},                  \
    {16, 1, FK_NUMBER, "  NumberOfFATs       : %i"},                  \
    {17, 2, FK_NUMBER, "  DirEntries         : %i"},                  \
    {19, 2, FK_NUMBER, "  SectorsOnDisk      : %i"},                  \
    {21, 1, FK_NUMBER, "  MediaDescriptor    : %02Xh"},               \
    {22, 2, FK_NUMBER, "  SectorsPerFAT      : %i"},                  \
    {24, 2, FK_NUMBER, "  SectorsPerTrack    : %i"},                  \
    {26, 2, FK_NUMBER, "  NumberOfHeads      : %i"},                  \
    {28, 4, FK_NUMBER, "  HiddenSectors      : %u"},                  \
    {32, 4, FK_NUMBER, "  TotalSectors       : %u"}

const BootField kFatBootFields[] = {
    BPB_COMMON_FIELDS,
    {36, 1, FK_NUMBER, "  PhysicalDiskNumber : %02Xh"},
    {37, 1, FK_NUMBER, "  CurrentHead        : %i"},
    {38, 1, FK_NUMBER, "  Signature          : %02Xh"},
    {39, 4, FK_NUMBER, "  SerialNumber       : %08Xh"},
    {43, 11, FK_TEXT, "  Label              : %s"},
    {54, 8, FK_TEXT, "  SystemID           : %s"},
    {510, 2, FK_NUMBER, "  Signature          : %04Xh"},
};

// FAT32 moves the extended parameters behind its own fields at 36 to 63.
const BootField kFat32BootFields[] = {
    BPB_COMMON_FIELDS,
    {36, 4, FK_NUMBER, "  SectorsPerFAT      : %u"},   // the 32-bit count
    {40, 2, FK_NUMBER, "  Flags              : %04Xh"},
    {42, 2, FK_NUMBER, "  Version            : %04Xh"},
    {44, 4, FK_NUMBER, "  RootDirCluster     : %08Xh"},
    {48, 2, FK_NUMBER, "  InfoSector         : %i"},
    {50, 2, FK_NUMBER, "  BackupBootSector   : %i"},
    {64, 1, FK_NUMBER, "  PhysicalDiskNumber : %02Xh"},
    {65, 1, FK_NUMBER, "  CurrentHead        : %i"},
    {66, 1, FK_NUMBER, "  Signature          : %02Xh"},
    {67, 4, FK_NUMBER, "  SerialNumber       : %08Xh"},
    {71, 11, FK_TEXT, "  Label              : %s"},
    {82, 8, FK_TEXT, "  SystemID           : %s"},
    {510, 2, FK_NUMBER, "  Signature          : %04Xh"},
};

const BootField kNtfsBootFields[] = {
    {3, 8, FK_TEXT, "  OEMName            : %s"},
    {11, 2, FK_NUMBER, "  BytesPerSector     : %i"},
    {13, 1, FK_NUMBER, "  SectorsPerCluster  : %i"},
    {14, 2, FK_NUMBER, "  ReservedSectors    : %i"},
    {19, 2, FK_NUMBER, "  SectorsOnDisk      : %i"},
    {21, 1, FK_NUMBER, "  MediaDescriptor    : %02Xh"},
    {24, 2, FK_NUMBER, "  SectorsPerTrack    : %i"},
    {26, 2, FK_NUMBER, "  NumberOfHeads      : %i"},
    {28, 4, FK_NUMBER, "  HiddenSectors      : %u"},
    {36, 1, FK_NUMBER, "  PhysicalDiskNumber : %02Xh"},
    {37, 1, FK_NUMBER, "  CurrentHead        : %i"},
    {38, 1, FK_NUMBER, "  Signature          : %02Xh"},
    {40, 8, FK_NUMBER64, "  TotalSectors       : %I64u"},
    {48, 8, FK_NUMBER64, "  MtfCluster         : %I64u"},
    {56, 8, FK_NUMBER64, "  MtfMirrorCluster   : %I64u"},
    // Both are signed bytes on disk (a negative value n means 2^-n bytes), shown here as the
    // four bytes of the field read as one number.
    {64, 4, FK_NUMBER, "  ClusterPerRecord   : %i"},
    {68, 4, FK_NUMBER, "  ClusterPerIndexBl. : %i"},
    {80, 4, FK_NUMBER, "  CheckSum           : %08X"},
    {72, 8, FK_NUMBER64, "  SerialNumber       : %016I64Xh"},
    {510, 2, FK_NUMBER, "  Signature          : %04Xh"},
};

// exFAT keeps the old parameter block zeroed (so that FAT drivers leave the volume alone)
// and has its own fields from offset 64 on.
const BootField kExFatOldFields[] = {
    BPB_COMMON_FIELDS,
    {36, 4, FK_NUMBER, "  SectorsPerFAT      : %u"},
    {40, 2, FK_NUMBER, "  Flags              : %04Xh"},
    {42, 2, FK_NUMBER, "  Version            : %04Xh"},
    {44, 4, FK_NUMBER, "  RootDirClusterFAT  : %08Xh"},
    {48, 2, FK_NUMBER, "  InfoSector         : %i"},
    {50, 2, FK_NUMBER, "  BackupBootSector   : %i"},
    {64, 8, FK_NUMBER64, "  SectorStart        : %I64u"},
    {72, 8, FK_NUMBER64, "  SectorCount        : %I64u"},
    {80, 4, FK_NUMBER, "  FatSectorStart     : %u"},
    {84, 4, FK_NUMBER, "  FatSectorCount     : %u"},
    {88, 4, FK_NUMBER, "  ClusterSectorStart : %u"},
    {92, 4, FK_NUMBER, "  ClusterCount       : %u"},
    {96, 4, FK_NUMBER, "  RootDirCluster     : %u"},
    {100, 4, FK_NUMBER, "  VolumeSerial       : %08Xh"},
};

const BootField kFat32InfoFields[] = {
    {0, 4, FK_NUMBER, "  Signature1         : %08Xh"},
    {484, 4, FK_NUMBER, "  Signature2         : %08Xh"},
    {488, 4, FK_NUMBER, "  FreeClusterCount   : %u"},
    {492, 4, FK_NUMBER, "  NextFreeCluster    : %08Xh"},
    {508, 4, FK_NUMBER, "  Signature          : %08Xh"},
};

uint32_t ReadNumber(const uint8_t* b, uint32_t size, uint32_t offset, uint32_t width)
{
    switch (width) {
    case 1:
        return ReadU8(b, size, offset);
    case 2:
        return ReadU16(b, size, offset);
    default:
        return ReadU32(b, size, offset);
    }
}

// A byte size 2^exponent as the size text; a shift of 64 or more does not fit and gives 0.
void FormatPowerOfTwoSize(char* out, uint32_t exponent)
{
    const uint64_t bytes = exponent >= 64 ? 0 : (1ull << exponent);
    FormatSiNumber(static_cast<DWORD>(bytes), static_cast<DWORD>(bytes >> 32), out,
                   SIN_PRINTER_SIZE, 1, nullptr);
}

}  // namespace

void CStructurePrinter::AppendBootFields(const BootField* fields, int count, const uint8_t* b,
                                         uint32_t size)
{
    for (int i = 0; i < count; ++i) {
        const BootField& f = fields[i];
        if (f.kind == FK_TEXT) {
            char text[16];
            AppendFieldLine(f.offset, f.width, f.format, CopyFieldText(text, b, size, f.offset, f.width));
        } else if (f.kind == FK_NUMBER64) {
            AppendFieldLine(f.offset, f.width, f.format, ReadU64(b, size, f.offset));
        } else {
            AppendFieldLine(f.offset, f.width, f.format, ReadNumber(b, size, f.offset, f.width));
        }
    }
}

void CStructurePrinter::ColourBootSectorLines(int lastLine)
{
    ColourTitleLine();
    uint8_t colours[64];
    BuildStandardColours(colours);
    ColourLines(3, lastLine, colours, 64);
}

void CStructurePrinter::PrintFatBootSector(const uint8_t* sector, uint32_t loadedSize)
{
    AppendTitle("BOOT-SEKTOR FAT12/FAT16");
    AppendBootFields(kFatBootFields, sizeof(kFatBootFields) / sizeof(kFatBootFields[0]), sector,
                    loadedSize);
    ColourBootSectorLines(33);
}

void CStructurePrinter::PrintFat32BootSector(const uint8_t* sector, uint32_t loadedSize)
{
    AppendTitle("BOOT-SEKTOR FAT32");
    AppendBootFields(kFat32BootFields, sizeof(kFat32BootFields) / sizeof(kFat32BootFields[0]),
                    sector, loadedSize);
    ColourBootSectorLines(33);
}

void CStructurePrinter::PrintNtfsBootSector(const uint8_t* sector, uint32_t loadedSize)
{
    AppendTitle("BOOT-SEKTOR NTFS");
    AppendBootFields(kNtfsBootFields, sizeof(kNtfsBootFields) / sizeof(kNtfsBootFields[0]), sector,
                    loadedSize);
    ColourBootSectorLines(33);
}

void CStructurePrinter::PrintExFatBootSector(const uint8_t* sector, uint32_t loadedSize)
{
    const uint8_t* b = sector;
    const uint32_t size = loadedSize;
    char revision[24];
    StrPrintf(revision, "%i.%i", ReadU8(b, size, 105), ReadU8(b, size, 104));
    const uint8_t sectorBits = ReadU8(b, size, 108);
    const uint8_t clusterBits = ReadU8(b, size, 109);
    char sectorSize[24];
    FormatPowerOfTwoSize(sectorSize, sectorBits);
    char clusterSize[24];
    FormatPowerOfTwoSize(clusterSize, (sectorBits % 32u) + clusterBits);

    AppendTitle("BOOT-SEKTOR EXFAT");
    AppendBootFields(kExFatOldFields, sizeof(kExFatOldFields) / sizeof(kExFatOldFields[0]), sector,
                    loadedSize);
    AppendFieldLine(104, 2, "  Version            : %s", revision);
    AppendFieldLine(106, 2, "  VolumeStateFlags   : %04Xh", ReadU16(b, size, 106));
    AppendFieldLine(108, 1, "  SectorBits         : %i (%s)", sectorBits, sectorSize);
    AppendFieldLine(109, 1, "  SectorsPerCluster  : %i (%s)", clusterBits, clusterSize);
    AppendFieldLine(110, 1, "  FatCount           : %i", ReadU8(b, size, 110));
    AppendFieldLine(111, 1, "  PhysicalDiskNumber : %02Xh", ReadU8(b, size, 111));
    AppendFieldLine(112, 1, "  AllocatedPercent   : %i", ReadU8(b, size, 112));
    AppendFieldLine(510, 2, "  Signature          : %04Xh", ReadU16(b, size, 510));
    ColourBootSectorLines(38);
}

void CStructurePrinter::PrintFat32InfoSector(const uint8_t* sector, uint32_t loadedSize)
{
    AppendTitle("INFO-SEKTOR");
    AppendBootFields(kFat32InfoFields, sizeof(kFat32InfoFields) / sizeof(kFat32InfoFields[0]),
                    sector, loadedSize);
    ColourBootSectorLines(8);
}
