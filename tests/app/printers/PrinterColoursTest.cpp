// The colours every printer gives its lines. Each structure is made up here with values whose
// line layout is known, and a cell's expected colour follows from where its text stands in
// that layout: labels, colons, values, date and time separators, status words, names.
#include <gtest/gtest.h>

#include <string.h>

#include "PrinterTestSupport.h"

using namespace printertest;

namespace {

// A printer whose medium holds one MFT record, given by the test.
class RecordPrinter : public TestPrinter {
public:
    std::vector<uint8_t> record;

protected:
    uint32_t DocGetMftRecord(uint8_t* record1024, uint8_t** place) const override
    {
        if (record.size() != 1024)
            return 0;
        memcpy(record1024, record.data(), 1024);
        *place = record1024;
        return 1024;
    }
};

// Entry 1: active, CHS 0/1/1 to 1023/254/63, type 0Ch, 204800 sectors from 2048.
std::vector<uint8_t> MbrSector()
{
    std::vector<uint8_t> s(512, 0);
    const uint8_t entry[16] = {0x80, 1, 1, 0, 0x0C, 254, 0xFF, 0xFF};
    memcpy(&s[446], entry, sizeof(entry));
    PutU32(&s[446 + 8], 2048);
    PutU32(&s[446 + 12], 204800);
    s[510] = 0x55;
    s[511] = 0xAA;
    return s;
}

// A header of 92 bytes whose stored CRC is right, and an empty entry array (which no CRC
// vouches for).
std::vector<uint8_t> GptHeaderSector()
{
    std::vector<uint8_t> s(512, 0);
    memcpy(&s[0], "EFI PART", 8);
    s[12] = 92;
    for (int i = 0; i < 16; ++i)
        s[56 + i] = static_cast<uint8_t>(0x11 * i);
    PutU32(&s[16], BitwiseCrc32(s.data(), 92));
    return s;
}

std::vector<uint8_t> ZeroSector() { return std::vector<uint8_t>(512, 0); }

std::vector<uint8_t> FatBootSector()
{
    std::vector<uint8_t> s(512, 0);
    memcpy(&s[3], "MSDOS5.0", 8);
    PutU16(&s[11], 512);
    s[510] = 0x55;
    s[511] = 0xAA;
    return s;
}

// A long-name entry ("ab") and the short entry README.TXT of 2023-09-30 12:34:56.
std::vector<uint8_t> FatDirectorySector()
{
    std::vector<uint8_t> s(512, 0);
    s[0] = 0x41;
    s[1] = 'a';
    s[3] = 'b';
    s[11] = 0x0F;
    memcpy(&s[32], "README  TXT", 11);
    s[32 + 11] = 0x20;
    const uint32_t date = (43 << 9) | (9 << 5) | 30;
    const uint32_t time = (12 << 11) | (34 << 5) | 28;
    PutU16(&s[32 + 14], time);
    PutU16(&s[32 + 16], date);
    PutU16(&s[32 + 22], time);
    PutU16(&s[32 + 24], date);
    PutU16(&s[32 + 26], 5);
    PutU32(&s[32 + 28], 1234);
    return s;
}

std::vector<uint8_t> IsoVolumeDescriptorSector()
{
    std::vector<uint8_t> s(2048, 0);
    s[0] = 1;
    memcpy(&s[1], "CD001", 5);
    s[6] = 1;
    return s;
}

// One record of a type L path table: directory "A" at sector 20, parent 1.
std::vector<uint8_t> IsoPathTableSector()
{
    std::vector<uint8_t> s(2048, 0);
    s[0] = 1;
    PutU32(&s[2], 20);
    PutU16(&s[6], 1);
    s[8] = 'A';
    return s;
}

// The record of a directory itself: sector 20, 2048 bytes, 2023-09-30 12:34:56.
std::vector<uint8_t> IsoDirectorySector()
{
    std::vector<uint8_t> s(2048, 0);
    s[0] = 34;
    PutU32(&s[2], 20);
    s[9] = 20;   // big-endian half
    PutU32(&s[10], 2048);
    s[16] = 0x08;
    const uint8_t date[7] = {123, 9, 30, 12, 34, 56, 0};
    memcpy(&s[18], date, sizeof(date));
    s[25] = 2;
    s[28] = 1;
    s[31] = 1;
    s[32] = 1;
    return s;
}

// An anchor volume descriptor pointer whose tag is right: a CRC of no bytes is 0, and the
// checksum is the byte sum of the tag without byte 4.
std::vector<uint8_t> UdfAnchorSector()
{
    std::vector<uint8_t> s(512, 0);
    s[0] = 2;
    s[2] = 2;
    s[12] = 0x00;
    s[13] = 0x01;   // location 256
    uint8_t sum = 0;
    for (int i = 0; i < 16; ++i)
        sum = static_cast<uint8_t>(sum + (i == 4 ? 0 : s[i]));
    s[4] = sum;
    return s;
}

// A file entry in use (85h) followed by an empty entry.
std::vector<uint8_t> ExFatDirectorySector()
{
    std::vector<uint8_t> s(64, 0);
    s[0] = 0x85;
    return s;
}

// One resident standard information attribute (times 0, 1 January 1601) and the end mark.
std::vector<uint8_t> MftRecord()
{
    std::vector<uint8_t> r(1024, 0);
    memcpy(&r[0], "FILE", 4);
    PutU16(&r[20], 56);
    PutU32(&r[56], 0x10);
    PutU32(&r[60], 96);
    PutU16(&r[56 + 16], 72);
    PutU16(&r[56 + 20], 24);
    PutU32(&r[152], 0xFFFFFFFF);
    return r;
}

}  // namespace

TEST(PrinterColours, EveryPrinterColoursItsCellsByTheirPlaceInTheLine)
{
    const struct Case {
        const char* what;
        int infoType;
        std::vector<uint8_t> (*sector)();
        int line, column, colour;
    } cases[] = {
        // "  BOOT  S:  1 H:  1 C:   0  Type=0Ch  S: 63 H:254 C:1023   Off:      2048   Size:
        // 204800 (100.0 MB) ": values red, colons, "=" and the brackets of the size green.
        {"MBR title", 1, MbrSector, 1, 3, PC_BLUE},
        {"MBR boot word", 1, MbrSector, 4, 2, PC_RED},
        {"MBR colon after S", 1, MbrSector, 4, 9, PC_GREEN},
        {"MBR start sector", 1, MbrSector, 4, 12, PC_RED},
        {"MBR '=' after Type", 1, MbrSector, 4, 32, PC_GREEN},
        {"MBR type value", 1, MbrSector, 4, 34, PC_RED},
        {"MBR end cylinder", 1, MbrSector, 4, 55, PC_RED},
        {"MBR colon after Off", 1, MbrSector, 4, 62, PC_GREEN},
        {"MBR first sector", 1, MbrSector, 4, 72, PC_RED},
        {"MBR colon after Size", 1, MbrSector, 4, 80, PC_GREEN},
        {"MBR size bracket", 1, MbrSector, 4, 92, PC_GREEN},
        {"MBR size in MB", 1, MbrSector, 4, 95, PC_RED},
        {"MBR closing bracket", 1, MbrSector, 4, 101, PC_GREEN},
        {"MBR signature line, column 21", 1, MbrSector, 9, 21, PC_GREEN},
        {"MBR signature value", 1, MbrSector, 9, 27, PC_RED},
        // "  HeaderCrc          : ........h", marker, blank, "OK"; the empty array's "WRONG".
        {"GPT header title", 18, GptHeaderSector, 1, 3, PC_BLUE},
        {"GPT header colon", 18, GptHeaderSector, 7, 21, PC_GREEN},
        {"GPT header CRC value", 18, GptHeaderSector, 7, 25, PC_RED},
        {"GPT header OK", 18, GptHeaderSector, 7, 34, PC_OK},
        {"GPT header OK, second letter", 18, GptHeaderSector, 7, 35, PC_OK},
        {"GPT array WRONG", 18, GptHeaderSector, 17, 34, PC_ERROR},
        {"GPT array WRONG, last letter", 18, GptHeaderSector, 17, 38, PC_ERROR},
        {"GPT disk GUID, last digit", 18, GptHeaderSector, 13, 58, PC_RED},
        // Entry titles on lines 3, 12, 21, 30; their fields five lines on from the title.
        {"GPT entry title", 19, ZeroSector, 3, 1, PC_CYAN},
        {"GPT entry title, last letter", 19, ZeroSector, 12, 7, PC_CYAN},
        {"GPT entry type colon", 19, ZeroSector, 5, 21, PC_GREEN},
        {"GPT entry type GUID", 19, ZeroSector, 5, 58, PC_RED},
        {"GPT entry attributes 'h'", 19, ZeroSector, 9, 39, PC_RED},
        {"GPT fourth entry, EndLba", 19, ZeroSector, 35, 23, PC_RED},
        // The standard field colouring: column 20 blue, colon green, value red.
        {"FAT boot title", 2, FatBootSector, 1, 5, PC_BLUE},
        {"FAT boot column 20", 2, FatBootSector, 3, 20, PC_BLUE},
        {"FAT boot colon", 2, FatBootSector, 3, 21, PC_GREEN},
        {"FAT boot OEM name", 2, FatBootSector, 3, 30, PC_RED},
        {"FAT boot last line", 2, FatBootSector, 22, 23, PC_RED},
        {"FAT32 boot last line", 3, FatBootSector, 28, 21, PC_GREEN},
        {"NTFS boot last line", 4, FatBootSector, 22, 23, PC_RED},
        {"exFAT boot last line", 5, FatBootSector, 37, 21, PC_GREEN},
        {"info sector last line", 7, ZeroSector, 7, 23, PC_RED},
        // "  ab" with blanks and dashes; "  README.TXT    1234 _____A  2023.09.30 12:34:56 ...".
        {"FAT directory title", 6, FatDirectorySector, 1, 2, PC_BLUE},
        {"long name", 6, FatDirectorySector, 3, 2, PC_CYAN},
        {"long name, size column", 6, FatDirectorySector, 3, 20, PC_RED},
        {"long name dashes", 6, FatDirectorySector, 3, 37, PC_CYAN},
        {"long name dashes, later", 6, FatDirectorySector, 3, 90, PC_CYAN},
        {"short name", 6, FatDirectorySector, 4, 2, PC_CYAN},
        {"short entry size", 6, FatDirectorySector, 4, 27, PC_RED},
        {"creation year", 6, FatDirectorySector, 4, 37, PC_GREEN},
        {"creation day", 6, FatDirectorySector, 4, 46, PC_GREEN},
        {"creation hour", 6, FatDirectorySector, 4, 48, PC_BLUE},
        {"creation second", 6, FatDirectorySector, 4, 55, PC_BLUE},
        {"write year", 6, FatDirectorySector, 4, 58, PC_GREEN},
        {"write day", 6, FatDirectorySector, 4, 67, PC_GREEN},
        {"write hour", 6, FatDirectorySector, 4, 69, PC_BLUE},
        {"write second", 6, FatDirectorySector, 4, 76, PC_BLUE},
        {"cluster", 6, FatDirectorySector, 4, 88, PC_RED},
        {"cluster 'h'", 6, FatDirectorySector, 4, 96, PC_RED},
        {"FAT16 table title", 9, ZeroSector, 1, 2, PC_BLUE},
        {"FAT32 table title", 10, ZeroSector, 1, 2, PC_BLUE},
        {"exFAT table title", 11, ZeroSector, 1, 2, PC_BLUE},
        // ISO 9660: field lines as the standard ones; record lines by their words.
        {"ISO descriptor title", 12, IsoVolumeDescriptorSector, 1, 3, PC_BLUE},
        {"ISO descriptor column 20", 12, IsoVolumeDescriptorSector, 3, 20, PC_BLUE},
        {"ISO descriptor colon", 12, IsoVolumeDescriptorSector, 3, 21, PC_GREEN},
        {"ISO descriptor identifier", 12, IsoVolumeDescriptorSector, 4, 27, PC_RED},
        {"path table '=' after Ex", 13, IsoPathTableSector, 3, 4, PC_GREEN},
        {"path table extended length", 13, IsoPathTableSector, 3, 7, PC_RED},
        {"path table '=' after Sec", 13, IsoPathTableSector, 3, 12, PC_GREEN},
        {"path table sector", 13, IsoPathTableSector, 3, 19, PC_RED},
        {"path table '=' after Parent", 13, IsoPathTableSector, 3, 27, PC_GREEN},
        {"path table parent", 13, IsoPathTableSector, 3, 32, PC_RED},
        {"path table identifier", 13, IsoPathTableSector, 3, 35, PC_CYAN},
        {"directory '=' after Len", 14, IsoDirectorySector, 3, 24, PC_GREEN},
        {"directory length", 14, IsoDirectorySector, 3, 36, PC_RED},
        {"directory day", 14, IsoDirectorySector, 3, 40, PC_RED},
        {"directory month", 14, IsoDirectorySector, 3, 42, PC_RED},
        {"directory year", 14, IsoDirectorySector, 3, 49, PC_RED},
        {"directory minute", 14, IsoDirectorySector, 3, 55, PC_RED},
        {"directory second", 14, IsoDirectorySector, 3, 59, PC_RED},
        {"directory identifier", 14, IsoDirectorySector, 3, 66, PC_CYAN},
        // "  Standard Info      : Typ=10h Len=0060h Off=0038h DataSize=0048h ..."
        {"MFT title", 15, MftRecord, 1, 3, PC_BLUE},
        {"MFT attribute column 20", 15, MftRecord, 3, 20, PC_BLUE},
        {"MFT attribute colon", 15, MftRecord, 3, 21, PC_GREEN},
        {"MFT '=' after Typ", 15, MftRecord, 3, 26, PC_GREEN},
        {"MFT type value", 15, MftRecord, 3, 27, PC_RED},
        {"MFT '=' after DataSize", 15, MftRecord, 3, 59, PC_GREEN},
        {"MFT '=' after Index", 15, MftRecord, 3, 85, PC_GREEN},
        {"MFT index value", 15, MftRecord, 3, 90, PC_RED},
        // "  Access Time        : 01.Jan.1601  00:00:00.000"
        {"MFT section title", 15, MftRecord, 5, 1, PC_BLUE},
        {"MFT time, day", 15, MftRecord, 7, 23, PC_RED},
        {"MFT time, '.' after the day", 15, MftRecord, 7, 25, PC_GREEN},
        {"MFT time, '.' after the month", 15, MftRecord, 7, 29, PC_GREEN},
        {"MFT time, year", 15, MftRecord, 7, 30, PC_RED},
        {"MFT time, ':' after the hour", 15, MftRecord, 7, 38, PC_GREEN},
        {"MFT time, ':' after the minute", 15, MftRecord, 7, 41, PC_GREEN},
        {"MFT time, '.' before the milliseconds", 15, MftRecord, 7, 44, PC_GREEN},
        {"MFT time, milliseconds", 15, MftRecord, 7, 45, PC_RED},
        // "  Header CRC             : 05h  ", marker, "OK"; the label is 23 wide.
        {"ECMA title", 17, UdfAnchorSector, 1, 2, PC_BLUE},
        {"ECMA colon", 17, UdfAnchorSector, 3, 25, PC_GREEN},
        {"ECMA value", 17, UdfAnchorSector, 3, 27, PC_RED},
        {"ECMA checksum OK", 17, UdfAnchorSector, 5, 33, PC_OK},
        {"ECMA checksum OK, second letter", 17, UdfAnchorSector, 5, 34, PC_OK},
        {"ECMA CRC OK", 17, UdfAnchorSector, 7, 33, PC_OK},
        {"ECMA anchor field", 17, UdfAnchorSector, 11, 27, PC_RED},
        {"ECMA zero tag, checksum WRONG", 17, ZeroSector, 5, 33, PC_ERROR},
        {"ECMA zero tag, CRC WRONG", 17, ZeroSector, 7, 37, PC_ERROR},
        // " EXFAT File  (VALID)": blue up to the bracket, green from it.
        {"exFAT title before the bracket", 20, ExFatDirectorySector, 1, 12, PC_BLUE},
        {"exFAT title bracket", 20, ExFatDirectorySector, 1, 13, PC_GREEN},
        {"exFAT title flag word", 20, ExFatDirectorySector, 1, 18, PC_GREEN},
        {"exFAT colon", 20, ExFatDirectorySector, 3, 25, PC_GREEN},
        {"exFAT value", 20, ExFatDirectorySector, 3, 27, PC_RED},
        {"exFAT empty entry, first blank", 20, ExFatDirectorySector, 11, 12, PC_BLUE},
        {"exFAT empty entry, second blank", 20, ExFatDirectorySector, 11, 13, PC_GREEN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordPrinter p;
        const std::vector<uint8_t> bytes = c.sector();
        if (c.infoType == 15)
            p.record = bytes;
        p.Run(c.infoType, bytes);
        ASSERT_LT(c.line, p.LineCount()) << p.Text();
        ASSERT_LT(c.column, static_cast<int>(p.Line(c.line).size())) << p.Line(c.line);
        EXPECT_TRUE(p.CellHasColour(c.line, c.column, c.colour))
            << "line " << c.line << " \"" << p.Line(c.line) << "\" column " << c.column;
    }
}
