// Printers of the FAT tables (12, 16, 32 bits and exFAT) and of FAT directories with their
// long-name entries.
#include "app/printers/StructurePrinter.h"

#include <string.h>

#include "disk/OnDiskBytes.h"
#include "textlib/StrPrintf.h"

namespace {

// Offsets of a 32-byte directory entry.
const uint32_t kDirEntrySize = 32;
const uint32_t kDirAttributes = 11;
const uint32_t kDirCreateHundredths = 13;
const uint32_t kDirCreateTime = 14;
const uint32_t kDirCreateDate = 16;
const uint32_t kDirClusterHigh = 20;
const uint32_t kDirWriteTime = 22;
const uint32_t kDirWriteDate = 24;
const uint32_t kDirClusterLow = 26;
const uint32_t kDirFileSize = 28;
// The attribute value of a long-name entry (read-only, hidden, system and volume label at
// once, which old systems skip).
const uint8_t kLongNameAttributes = 0x0F;
// Where the 13 UTF-16 name units of a long-name entry lie.
const uint8_t kLongNameUnits[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};

// Copies a text into `out` without its leading and trailing blanks (`out` may be the text).
void CopyTrimmed(char* out, const char* text)
{
    const char* start = text;
    while (*start == ' ')
        ++start;
    size_t n = strlen(start);
    while (n > 0 && start[n - 1] == ' ')
        --n;
    memmove(out, start, n);
    out[n] = 0;
}

}  // namespace

// The 16-bit, 32-bit and exFAT rows share one loop: a row is written out whenever a new one
// begins, so the first (empty) row gives the empty line under the title.
void CStructurePrinter::PrintFatRows(const char* title, const uint8_t* sector, uint32_t loadedSize,
                                     uint32_t entryBytes, uint32_t perRow, int format)
{
    AppendTitle(title);
    const uint32_t count = loadedSize / entryBytes;
    char row[160];
    int n = 0;
    row[0] = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (i % perRow == 0) {
            AppendText(n ? row : "\n");
            n = 0;
            row[0] = 0;
        }
        if (format == 16) {
            n += StrPrintf(row + n, "  %04X", ReadU16(sector, loadedSize, i * 2));
        } else {
            const uint32_t v = ReadU32(sector, loadedSize, i * 4);
            if (format == 32)
                n += StrPrintf(row + n, "  %01X:%07X", v >> 28, v & 0x0FFFFFFF);   // top four bits are reserved
            else
                n += StrPrintf(row + n, "  %08X", v);
        }
    }
    // The last row goes out too; a sector too short for one entry still shows the empty
    // line under the title, as every table sector does.
    AppendText(n ? row : "\n");
    ColourTitleLine();
}

void CStructurePrinter::PrintFat16Table(const uint8_t* sector, uint32_t loadedSize)
{
    PrintFatRows("FAT16", sector, loadedSize, 2, 16, 16);
}

void CStructurePrinter::PrintFat32Table(const uint8_t* sector, uint32_t loadedSize)
{
    PrintFatRows("FAT32", sector, loadedSize, 4, 8, 32);
}

void CStructurePrinter::PrintExFatTable(const uint8_t* sector, uint32_t loadedSize)
{
    PrintFatRows("FATEX", sector, loadedSize, 4, 8, 0);
}

void CStructurePrinter::PrintFat12Table(const uint8_t* sector, uint32_t loadedSize)
{
    // Where a sector's first entry begins depends on the sector's place in its FAT.
    if (!HasPrinterDocument())
        return;
    AppendTitle("FAT12");
    const uint8_t* b = sector;
    const uint32_t size = loadedSize;
    const uint64_t bits = static_cast<uint64_t>(size) * 8;
    if (size == 0) {
        // Nothing was read: there is no entry to show, not even the first one.
        ColourTitleLine();
        return;
    }
    // A FAT of 0 sectors (a damaged boot sector) has no position to divide by: the sector is
    // taken as the first of its FAT.
    const uint32_t sectorsPerFat = DocSectorsPerFat();
    const uint64_t relative = DocCurrentSector() - DocFatStart();
    const uint64_t position = sectorsPerFat ? (relative % sectorsPerFat) * size : 0;

    char row[160];
    int n = 0;
    uint64_t bit;
    // Three bytes hold two entries; the phase tells which part of a pair byte 0 is.
    switch (position % 3) {
    case 0:
        n = StrPrintf(row, "  %03X", ReadU16(b, size, 0) & 0xFFF);
        // A single loaded byte holds only the low eight bits of the first entry: it is shown
        // alone rather than with four bits of a byte that was not loaded.
        if (size == 1)
            n = StrPrintf(row, "  %03X", ReadU8(b, size, 0));
        bit = 12;
        break;
    case 1:
        n = StrPrintf(row, "  %01X??", ReadU8(b, size, 0) & 0x0F);
        bit = 4;
        break;
    default:
        n = StrPrintf(row, "  %02X?", ReadU8(b, size, 0));
        bit = 8;
        break;
    }
    for (; bits > 8 && bit < bits - 8; bit += 12) {
        const uint32_t i = static_cast<uint32_t>(bit / 8);
        const uint32_t pair = ReadU8(b, size, i) | (ReadU8(b, size, i + 1) << 8);
        n += StrPrintf(row + n, "  %03X", (pair >> (bit % 8)) & 0xFFF);
        if (n >= 80) {
            AppendText(row);
            n = 0;
            row[0] = 0;
        }
    }
    if (bit < bits) {
        const uint64_t rest = bits - bit;
        const uint32_t i = static_cast<uint32_t>(bit / 8);
        if (rest == 4)
            n += StrPrintf(row + n, "  ??%01X", (ReadU8(b, size, i) >> (bit % 8)) & 0x0F);
        else if (rest == 8)
            n += StrPrintf(row + n, "  ?%02X", ReadU8(b, size, i));
    }
    if (n)
        AppendText(row);
    ColourTitleLine();
}

void CStructurePrinter::PrintFatDirectory(const uint8_t* sector, uint32_t loadedSize)
{
    const uint8_t* b = sector;
    const uint32_t size = loadedSize;
    AppendTitle("DIRECTORY");
    bool longEntry[21] = {};
    const uint32_t count = size / kDirEntrySize;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t e = i * kDirEntrySize;
        if (b[e] == 0)
            break;   // the end of the directory
        const int line = PaneLineCount();
        char text[200];
        if (b[e + kDirAttributes] == kLongNameAttributes) {
            char name[14];
            bool ended = false;
            for (int c = 0; c < 13; ++c) {
                const uint8_t ch = b[e + kLongNameUnits[c]];
                if (ch == 0)
                    ended = true;
                // A control byte would break the line (a line feed) or move the columns:
                // the fields and marks behind it would no longer stand where they are named.
                name[c] = ended ? ' ' : ch < 0x20 ? '.' : static_cast<char>(ch);
            }
            name[13] = 0;
            StrPrintf(text, "  %s                      -------------------  -------------------  -------- ---------", name);
            AppendText(text);
            AddFieldMark(e, kDirEntrySize, line, 2, -1);
            if (i < 21)
                longEntry[i] = true;
            continue;
        }

        char raw[9];
        char name[16];
        char extension[4];
        memcpy(raw, b + e, 8);
        raw[8] = 0;
        for (int c = 0; c < 8 && raw[c]; ++c)
            raw[c] = static_cast<uint8_t>(raw[c]) < 0x20 ? '.' : raw[c];   // as in a long name
        CopyTrimmed(name, raw);
        const uint8_t ext0 = b[e + 8];
        if (ext0 > 0x20 && ext0 < 0x80) {
            memcpy(raw, b + e + 8, 3);
            raw[3] = 0;
            CopyTrimmed(extension, raw);
            strcat(name, ".");
            strcat(name, extension);
        }
        CopyTrimmed(name, name);

        const uint8_t attributes = b[e + kDirAttributes];
        char letters[7];
        static const char kLetters[6] = {'R', 'H', 'S', 'V', 'D', 'A'};
        for (int bit = 0; bit < 6; ++bit)
            letters[bit] = (attributes & (1 << bit)) ? kLetters[bit] : '_';
        letters[6] = 0;

        const uint16_t createDate = ReadU16(b, size, e + kDirCreateDate);
        const uint16_t writeDate = ReadU16(b, size, e + kDirWriteDate);
        // Times count two-second steps; the hundredths byte (0 to 199) adds the odd second.
        const uint32_t createTime = ReadU16(b, size, e + kDirCreateTime) * 2u +
                                    ((b[e + kDirCreateHundredths] / 100u) & 1);
        const uint32_t writeTime = ReadU16(b, size, e + kDirWriteTime) * 2u;
        // The size is unsigned on disk (FAT32 files reach 4 GiB - 1): ten digits hold every
        // value, so the fields behind it keep their columns, marks and colours.
        int n = StrPrintf(text, "  %-14s  %10u ", name, ReadU32(b, size, e + kDirFileSize));
        n += StrPrintf(text + n, "%s", letters);
        n += StrPrintf(text + n, "  %04i.%02i.%02i", (createDate >> 9) + 1980, (createDate >> 5) & 15,
                       createDate & 31);
        n += StrPrintf(text + n, " %02i:%02i:%02i", (createTime >> 12) & 31, (createTime >> 6) & 63,
                       createTime & 63);
        n += StrPrintf(text + n, "  %04i.%02i.%02i", (writeDate >> 9) + 1980, (writeDate >> 5) & 15,
                       writeDate & 31);
        n += StrPrintf(text + n, " %02i:%02i:%02i", (writeTime >> 12) & 31, (writeTime >> 6) & 63,
                       writeTime & 63);
        StrPrintf(text + n, "  Cluster: %04X%04Xh", ReadU16(b, size, e + kDirClusterHigh),
                  ReadU16(b, size, e + kDirClusterLow));
        AppendText(text);
        AddFieldMark(e, 11, line, 2, 16);
        AddFieldMark(e + kDirFileSize, 4, line, 18, 28);
        AddFieldMark(e + kDirAttributes, 1, line, 29, 35);
        AddFieldMark(e + kDirCreateDate, 2, line, 37, 45);
        AddFieldMark(e + kDirCreateHundredths, 3, line, 49, 54);
        AddFieldMark(e + kDirWriteDate, 2, line, 58, 65);
        AddFieldMark(e + kDirWriteTime, 2, line, 69, 74);
        AddFieldMark(e + kDirClusterHigh, 2, line, 88, 92);
        AddFieldMark(e + kDirClusterLow, 2, line, 92, 96);
    }

    ColourTitleLine();
    uint8_t shortColours[128];
    memset(shortColours, PC_STANDARD, sizeof(shortColours));
    memset(shortColours + 2, PC_CYAN, 14);
    memset(shortColours + 16, PC_RED, 13);
    static const int dateCells[][2] = {{37, 40}, {42, 43}, {45, 46}, {58, 61}, {63, 64}, {66, 67}};
    for (const auto& r : dateCells)
        memset(shortColours + r[0], PC_GREEN, r[1] - r[0] + 1);
    static const int timeCells[][2] = {{48, 49}, {51, 52}, {54, 55}, {69, 70}, {72, 73}, {75, 76}};
    for (const auto& r : timeCells)
        memset(shortColours + r[0], PC_BLUE, r[1] - r[0] + 1);
    memset(shortColours + 88, PC_RED, 9);
    uint8_t longColours[128];
    memcpy(longColours, shortColours, 37);
    memset(longColours + 37, PC_CYAN, 128 - 37);
    const int lineCount = PaneLineCount();
    for (int line = 3; line <= 23 && line < lineCount; ++line)
        ColourLine(line, longEntry[line - 3] ? longColours : shortColours, 128);
}
