// The frame all structure printers share: line shape, marks, status colouring, and the value
// formatters, checked against values computed here independently or reported by tools.
#include <gtest/gtest.h>

#include <string.h>
#include <time.h>

#include <string>
#include <vector>

#include "PrinterTestSupport.h"
#include "textlib/StrPrintf.h"

using namespace printertest;

TEST(PrinterFrame, DispatchCoversEveryStructureType)
{
    EXPECT_EQ(nullptr, CStructurePrinter::GetStructurePrinter(0));
    EXPECT_EQ(nullptr, CStructurePrinter::GetStructurePrinter(22));
    EXPECT_EQ(nullptr, CStructurePrinter::GetStructurePrinter(-1));
    for (int t = 1; t <= 21; ++t)
        EXPECT_NE(nullptr, CStructurePrinter::GetStructurePrinter(t)) << t;
    // The master file table and its mirror share one printer.
    EXPECT_TRUE(CStructurePrinter::GetStructurePrinter(15) == CStructurePrinter::GetStructurePrinter(16));
    EXPECT_TRUE(CStructurePrinter::GetStructurePrinter(1) == &CStructurePrinter::PrintMbr);
    EXPECT_TRUE(CStructurePrinter::GetStructurePrinter(18) == &CStructurePrinter::PrintGptHeader);
    EXPECT_TRUE(CStructurePrinter::GetStructurePrinter(8) == &CStructurePrinter::PrintFat12Table);

    // Type 0 and unknown types print nothing; neither does a printer without a pane.
    std::vector<uint8_t> sector(512, 0);
    TestPrinter p;
    p.Run(0, sector);
    EXPECT_EQ(0, p.LineCount());
    p.Run(99, sector);
    EXPECT_EQ(0, p.LineCount());
    p.SetPrinterPane(nullptr);
    p.Run(2, sector);
    EXPECT_EQ(0, p.LineCount());
}

TEST(PrinterFrame, FieldLinesMarksAndStatusColours)
{
    TestPrinter p;
    p.pane.SetMarkLimit(512);
    p.AppendText("\n TITLE\n\n");
    EXPECT_EQ(3, p.LineCount());
    EXPECT_EQ(3, p.AppendFieldLine(16, 4, "  HeaderCrc          : %08Xh%s %s", 0x1234u, StatusMarkerText, "OK"));
    EXPECT_EQ(4, p.AppendFieldLine(88, 4, "  PartitionCrc       : %08Xh%s %s", 0x5678u, StatusMarkerText, "WRONG"));
    EXPECT_EQ(5, p.AppendFieldLine(600, 4, "  Beyond             : %i", 1));
    EXPECT_EQ(6, p.AppendFieldLine(20, 4, "  Plain              : %i", 7));
    // The colon stands in column 21, the value starts in column 23.
    EXPECT_EQ(':', p.Line(6)[21]);
    EXPECT_EQ('7', p.Line(6)[23]);
    // Marks cover the whole line; one past the mark limit is dropped.
    ASSERT_NE(nullptr, p.MarkAt(3, 0));
    EXPECT_EQ(16, p.MarkAt(3, 30)->byteOffset);
    EXPECT_EQ(nullptr, p.MarkAt(5, 3));

    uint8_t colours[256];
    memset(colours, PC_BLUE, sizeof(colours));
    memset(colours, PC_STANDARD, 20);
    colours[21] = PC_GREEN;
    memset(colours + 22, PC_RED, 50);
    p.ColourLinesWithStatus(3, 40, colours, 64);
    // "OK" green, "WRONG" red over eight cells from the word; the blank after the marker skipped.
    const int ok = static_cast<int>(p.Line(3).find("OK"));
    EXPECT_TRUE(p.CellHasColour(3, ok, PC_OK));
    EXPECT_TRUE(p.CellHasColour(3, ok + 1, PC_OK));
    EXPECT_TRUE(p.CellHasColour(3, ok - 1, PC_RED));
    const int wrong = static_cast<int>(p.Line(4).find("WRONG"));
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(p.CellHasColour(4, wrong + i, PC_ERROR)) << i;
    // The status cells go back to the value colour for the next line.
    EXPECT_TRUE(p.CellHasColour(6, 23, PC_RED));
    EXPECT_TRUE(p.CellHasColour(6, 21, PC_GREEN));
    EXPECT_TRUE(p.CellHasColour(6, 2, PC_STANDARD));

    // A listing longer than a thousand lines (a FAT sector of a large-sector medium) goes on
    // behind its last line; no line inside it is touched.
    while (p.LineCount() < 1200)
        p.AppendText("filler\n");
    EXPECT_EQ(1200, p.AppendFieldLine(20, 4, "  Last               : %i", 9));
    EXPECT_EQ("filler", p.Line(1000));
    EXPECT_EQ(':', p.Line(1200)[21]);
}

TEST(PrinterFrame, StatusWordRightAfterTheMarker)
{
    // The ECMA-167, exFAT directory and ext printers colour the eight cells that follow the
    // marker and judge by the character right after it; the partition printers skip the blank
    // they put there.
    TestPrinter p;
    p.AppendText("\n TITLE\n\n");
    // Text follows the words so that every cell checked below exists.
    p.AppendText("  Checksum           : 5Ah\xA0OK         (tag)");
    p.AppendText("  Name               : ABCDE\xA0 OK         (name)");
    p.AppendText("  Name               : B\xA0OK \xA0WRONG     (name)");
    uint8_t colours[256];
    memset(colours, PC_BLUE, sizeof(colours));
    memset(colours, PC_NONE, 25);
    colours[25] = PC_GREEN;
    memset(colours + 26, PC_RED, 205 - 26);
    p.ColourLinesWithStatus(3, 5, colours, 205, CStructurePrinter::SWS_AFTER_MARKER);

    const int marker3 = static_cast<int>(p.Line(3).find('\xA0'));
    for (int i = 1; i <= 8; ++i)
        EXPECT_TRUE(p.CellHasColour(3, marker3 + i, PC_OK)) << i;
    EXPECT_TRUE(p.CellHasColour(3, marker3 + 9, PC_RED));
    // A blank after the marker is where the word starts: it is not 'O', so the cells are red.
    const int marker4 = static_cast<int>(p.Line(4).find('\xA0'));
    for (int i = 1; i <= 8; ++i)
        EXPECT_TRUE(p.CellHasColour(4, marker4 + i, PC_ERROR)) << i;
    // The first marker of a line decides.
    const int marker5 = static_cast<int>(p.Line(5).find('\xA0'));
    EXPECT_TRUE(p.CellHasColour(5, marker5 + 1, PC_OK));
    EXPECT_TRUE(p.CellHasColour(5, marker5 + 8, PC_OK));
    EXPECT_TRUE(p.CellHasColour(5, marker5 + 9, PC_RED));

    // The same lines with the blank skipped: line 4's "OK" turns green from the 'O' on, and
    // the blank keeps the value colour.
    TestPrinter q;
    q.AppendText("\n TITLE\n\n");
    q.AppendText(p.Line(3).c_str());
    q.AppendText(p.Line(4).c_str());
    q.ColourLinesWithStatus(3, 4, colours, 205);
    EXPECT_TRUE(q.CellHasColour(4, marker4 + 1, PC_RED));
    EXPECT_TRUE(q.CellHasColour(4, marker4 + 2, PC_OK));
    EXPECT_TRUE(q.CellHasColour(4, marker4 + 9, PC_OK));
    EXPECT_TRUE(q.CellHasColour(4, marker4 + 10, PC_RED));
    EXPECT_TRUE(q.CellHasColour(3, marker3 + 1, PC_OK));
}

TEST(PrinterFormatters, GuidText)
{
    // The bytes of the basic data type as sgdisk writes them.
    const uint8_t guid[16] = {0xA2, 0xA0, 0xD0, 0xEB, 0xE5, 0xB9, 0x33, 0x44,
                              0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7};
    EXPECT_STREQ("EBD0A0A2-B9E5-4433-87C0-68B6B72699C7", FormatGuidText(guid));
}

TEST(PrinterFormatters, Log2SizeNameTextAttributesAndDates)
{
    EXPECT_STREQ("0  (---)", FormatLog2Size(0, 0));
    EXPECT_STREQ("3  (8 Bytes)", FormatLog2Size(3, 0));
    EXPECT_STREQ("10  (4,0 KB)", FormatLog2Size(10, 4));
    EXPECT_STREQ("64  (0 Bytes)", FormatLog2Size(64, 1));
    EXPECT_STREQ("200  (0 Bytes)", FormatLog2Size(200, 1024));

    const uint8_t wide[] = {0x00, 'A', 0x00, 'B'};
    EXPECT_STREQ("AB", FormatNameText(wide, 4));
    EXPECT_STREQ("AB", FormatNameText(reinterpret_cast<const uint8_t*>("AB"), 2));
    EXPECT_STREQ("ABC", FormatNameText(reinterpret_cast<const uint8_t*>("ABCDEF"), 3));
    const uint8_t wideEnd[] = {0x00, 'X', 0x00, 0x00, 0x00, 'Y'};
    EXPECT_STREQ("X", FormatNameText(wideEnd, 6));
    EXPECT_STREQ("", FormatNameText(wide, 0));

    EXPECT_STREQ("ARCHIVE READONLY ", FormatAttributeFlags(0x21));
    EXPECT_STREQ("", FormatAttributeFlags(0));
    EXPECT_STREQ("ARCHIVE COMPRESSED DIRECTORY HIDDEN READONLY SYSTEM ENCRYPTED ", FormatAttributeFlags(0xFFFFFFFF));

    EXPECT_STREQ("07.Dec.2026  00:15:52.120", FormatDigitDate(reinterpret_cast<const uint8_t*>("2026120700155212\0")));
    EXPECT_STREQ("", FormatDigitDate(reinterpret_cast<const uint8_t*>(" 026120700155212\0")));
    EXPECT_STREQ("", FormatDigitDate(reinterpret_cast<const uint8_t*>("\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0")));
    EXPECT_STREQ("Mai", MonthNameTable[5]);
    EXPECT_STREQ("???", MonthNameTable[13]);
}

TEST(PrinterFormatters, FileTimeAsStored)
{
    // 2024-02-29 13:45:59.123 UTC: days from 1601 counted here, not by the system.
    auto days = [](int y, int m, int d) {
        static const int before[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
        int64_t n = 0;
        for (int year = 1601; year < y; ++year)
            n += (year % 4 == 0 && (year % 100 != 0 || year % 400 == 0)) ? 366 : 365;
        n += before[m - 1] + (d - 1);
        if (m > 2 && (y % 4 == 0 && (y % 100 != 0 || y % 400 == 0)))
            ++n;
        return n;
    };
    const uint64_t ticks =
        ((static_cast<uint64_t>(days(2024, 2, 29)) * 86400 + 13 * 3600 + 45 * 60 + 59) * 1000 + 123) * 10000;
    uint8_t bytes[8];
    memcpy(bytes, &ticks, 8);
    EXPECT_STREQ("29.Feb.2024  13:45:59.123", FormatFileTimeText(bytes));
    memset(bytes, 0xFF, 8);   // beyond what a FILETIME can hold
    EXPECT_STREQ("", FormatFileTimeText(bytes));
}

TEST(PrinterFormatters, Ecma167Helpers)
{
    // CRC-16 (0x1021, start 0, MSB first), computed bit by bit here.
    uint8_t data[300];
    for (int i = 0; i < 300; ++i)
        data[i] = static_cast<uint8_t>(i * 13 + 5);
    uint16_t crc = 0;
    for (int i = 0; i < 300; ++i) {
        crc ^= static_cast<uint16_t>(data[i] << 8);
        for (int b = 0; b < 8; ++b)
            crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    EXPECT_EQ(crc, Crc16Ccitt(data, 300));
    EXPECT_EQ(0, Crc16Ccitt(data, 0));
    // The CCITT check value of "123456789" with start 0 (XMODEM).
    EXPECT_EQ(0x31C3, Crc16Ccitt(reinterpret_cast<const uint8_t*>("123456789"), 9));

    uint8_t tag[16];
    for (int i = 0; i < 16; ++i)
        tag[i] = static_cast<uint8_t>(0x10 * i + 1);
    unsigned sum = 0;
    for (int i = 0; i < 16; ++i)
        sum += (i == 4) ? 0 : tag[i];
    EXPECT_EQ(static_cast<uint8_t>(sum), TagChecksum(tag));

    const uint8_t ts[12] = {0x3C, 0x10, 0xE8, 0x07, 12, 7, 9, 5, 3, 42, 1, 2};
    EXPECT_STREQ("2024-12-07 09:05:03.420102", FormatUdfTimestamp(ts));
    const uint8_t ad[16] = {0x00, 0x08, 0, 0, 0x10, 0, 0, 0, 0x01, 0x00};
    EXPECT_STREQ("2048 - 4294967312", FormatLongAd(ad));
    uint8_t icb[20] = {};
    icb[0] = 1;
    icb[4] = 4;
    icb[11] = 5;
    icb[18] = 0x30;
    EXPECT_STREQ("#1 STyp4 FTyp5 F:0030h", FormatIcbTag(icb));
    EXPECT_STREQ("0Ah  DIR PARENT ", FormatFileCharacteristics(0x0A));
    EXPECT_STREQ("00h  ", FormatFileCharacteristics(0));

    uint8_t entity[32] = {};
    memcpy(entity + 1, "*OSTA UDF Compliant and some more text", 31);
    EXPECT_STREQ("*OSTA UDF Compliant and", FormatEntityId(entity));
    uint8_t charSpec[64] = {};
    memcpy(charSpec + 1, "OSTA Compressed Unicode", 23);
    EXPECT_STREQ("OSTA Compressed Unicode", FormatCharSpecText(charSpec));
}

TEST(PrinterFormatters, DStringsStayInsideTheirField)
{
    uint8_t field[600];
    memset(field, 'x', sizeof(field));
    field[0] = 8;
    memcpy(field + 1, "UDFDISK", 7);
    // No terminator inside the field: the text ends with the field.
    EXPECT_STREQ("UDFD", FormatDString(field, 5));
    // Byte 1 zero: the text starts at byte 2.
    field[1] = 0;
    EXPECT_STREQ("DFD", FormatDString(field, 5));
    // 16-bit characters, big-endian; one above 255 shows as 0xFF.
    const uint8_t wide[] = {16, 0x00, 'U', 0x01, 0x00, 0x00, 'F', 0x00, 'G'};
    EXPECT_STREQ("U\xFF" "F", FormatDString(wide, 7));
    EXPECT_STREQ("U\xFF" "FG", FormatDString(wide, 9));
    const uint8_t unknown[] = {3, 'A'};
    EXPECT_STREQ("???", FormatDString(unknown, 2));
    EXPECT_STREQ("", FormatDString(unknown, 0));
    // Fields longer than 512 bytes are read only up to 512.
    field[0] = 8;
    field[1] = 'y';
    EXPECT_EQ(511u, strlen(FormatDString(field, 600)));
}

TEST(PrinterFormatters, SixteenBitDStringsEndAtAZeroCharacter)
{
    // Big-endian 16-bit characters: the text ends at the character 0000, not at a zero low
    // byte (0100 is a character above 255 and shows as 0xFF).
    const struct {
        std::vector<uint8_t> field;
        const char* text;
    } cases[] = {
        {{16, 0x00, 'A', 0x00, 0x00, 0x00, 'B'}, "A"},
        {{16, 0x00, 'A', 0x01, 0x00, 0x00, 'B'}, "A\xFF" "B"},
        {{16, 0x00, 0x00, 0x00, 'A'}, ""},
        {{16, 0x00, 'A', 0x00, 'B', 0x00, 0x00, 0x00, 'C', 0x00, 'D'}, "AB"},
        // (length - 1) / 2 characters: the odd byte at the end is not half a character.
        {{16, 0x00, 'A', 0x00}, "A"},
        {{16, 0x00, 'A', 0x00, 'B'}, "AB"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(c.text, FormatDString(c.field.data(), static_cast<uint32_t>(c.field.size())))
            << c.field.size() << " bytes, expected \"" << c.text << "\"";
}

TEST(PrinterFormatters, YearFirstTimesOfTheWholeUnsignedRange)
{
    // The run-time's own local time of that second, year first and day first.
    auto localTime = [](uint32_t seconds, bool yearFirst) {
        __time64_t t = seconds;
        const struct tm* parts = _localtime64(&t);
        if (!parts)
            return std::string("<no local time>");
        char out[40];
        if (yearFirst)
            StrPrintf(out, "%04d-%02d-%02d %02d:%02d:%02d", parts->tm_year + 1900, parts->tm_mon + 1, parts->tm_mday,
                      parts->tm_hour, parts->tm_min, parts->tm_sec);
        else
            StrPrintf(out, "%02d.%02d.%04d %02d:%02d:%02d", parts->tm_mday, parts->tm_mon + 1, parts->tm_year + 1900,
                      parts->tm_hour, parts->tm_min, parts->tm_sec);
        return std::string(out);
    };
    // The fields are unsigned: from 2^31 seconds on they are times from 2038 to 2106, not
    // times before 1970 for dashes.
    for (uint32_t seconds : {0u, 1700000000u, 0x7FFFFFFFu, 0x80000000u, 4102444800u, 0xFFFFFFFFu}) {
        EXPECT_EQ(localTime(seconds, true), FormatTimeValueYmd(seconds)) << seconds;
        EXPECT_EQ(localTime(seconds, false), FormatTimeValue(seconds)) << seconds;
    }
}

namespace {

// A printer with the frame's own answers: no pane or document unless one is set.
class BarePrinter : public CStructurePrinter {
public:
    using CStructurePrinter::AddFieldMark;
    using CStructurePrinter::AppendText;
    using CStructurePrinter::ColourLine;
    using CStructurePrinter::DocCurrentSector;
    using CStructurePrinter::DocFatStart;
    using CStructurePrinter::DocGetMftRecord;
    using CStructurePrinter::DocLoadedSize;
    using CStructurePrinter::DocReadUnits;
    using CStructurePrinter::DocSectorsPerFat;
    using CStructurePrinter::DocUnitsPerSector;
    using CStructurePrinter::HasPrinterDocument;
    using CStructurePrinter::PaneLineCount;
    using CStructurePrinter::PaneLineText;
};

// Sectors that lead the printers down their branches: bytes of every value, zeros, an ext
// superblock's first half (which wants the second from the medium), and a GPT header whose
// entry array must be read.
std::vector<std::vector<uint8_t>> GuardSectors()
{
    std::vector<std::vector<uint8_t>> sectors(4, std::vector<uint8_t>(4096, 0));
    for (size_t i = 0; i < 4096; ++i)
        sectors[0][i] = static_cast<uint8_t>(i * 7 + 3);
    sectors[2][56] = 0x53;
    sectors[2][57] = 0xEF;
    memcpy(sectors[3].data(), "EFI PART", 8);
    PutU32(&sectors[3][12], 92);
    PutU32(&sectors[3][72], 2);
    PutU32(&sectors[3][80], 128);
    PutU32(&sectors[3][84], 128);
    return sectors;
}

}  // namespace

TEST(PrinterFrame, WithoutAPaneNothingIsPrintedAndNothingBreaks)
{
    BarePrinter p;
    ASSERT_EQ(nullptr, p.GetPrinterPane());
    ASSERT_EQ(nullptr, p.GetPrinterDocument());
    for (const auto& sector : GuardSectors()) {
        for (uint32_t size : {512u, 4096u, 0u}) {
            // Called directly, past the dispatch's own check for a pane.
            for (int type = 1; type < CStructurePrinter::INFO_TYPE_COUNT; ++type)
                (p.*CStructurePrinter::GetStructurePrinter(type))(sector.data(), size);
        }
    }
    EXPECT_EQ(-1, p.AppendText("  Zeile"));
    EXPECT_EQ(0, p.PaneLineCount());
    EXPECT_EQ(nullptr, p.PaneLineText(0));
    const uint8_t colours[4] = {PC_BLUE, PC_RED, PC_GREEN, PC_OK};
    p.ColourLine(0, colours, 4);
    p.AddFieldMark(0, 4, 0, 0, -1);
    EXPECT_EQ(0, p.PaneLineCount());
}

TEST(PrinterFrame, WithoutADocumentThePrintersThatNeedOneHoldBack)
{
    CMarkTextView pane(2048, 50000, 0, "Text");
    pane.SetEditable(0);
    CStructurePrinter::AddPrinterColorFormats(&pane);
    BarePrinter p;
    p.SetPrinterPane(&pane);
    ASSERT_EQ(nullptr, p.GetPrinterDocument());
    // The document's answers are those of an empty one: sector 0, nothing loaded, one unit a
    // sector, the FAT at 0 with one sector, and every read fails.
    EXPECT_FALSE(p.HasPrinterDocument());
    EXPECT_EQ(0u, p.DocCurrentSector());
    EXPECT_EQ(0u, p.DocLoadedSize());
    EXPECT_EQ(0u, p.DocFatStart());
    EXPECT_EQ(1u, p.DocSectorsPerFat());
    EXPECT_EQ(1u, p.DocUnitsPerSector());
    std::vector<uint8_t> unit(1024, 0xAB);
    EXPECT_FALSE(p.DocReadUnits(0, 2, unit.data()));
    uint8_t* place = nullptr;
    EXPECT_EQ(0u, p.DocGetMftRecord(unit.data(), &place));
    const std::vector<std::vector<uint8_t>> sectors = GuardSectors();
    auto lineWith = [&](const char* text) {
        for (int line = 0; line < pane.GetLineCount(); ++line) {
            const char* t = pane.GetLineText(line, nullptr);
            if (t && strstr(t, text))
                return std::string(t);
        }
        return std::string();
    };
    // Every printer runs on every sector and shows its title; the FAT12 table (its phase comes from the
    // document) and the MFT record (read through the document) print nothing at all.
    for (const auto& sector : sectors) {
        for (int type = 1; type < CStructurePrinter::INFO_TYPE_COUNT; ++type) {
            pane.ClearText();
            pane.ClearMarks();
            pane.SetMarkLimit(512);
            p.PrintStructure(type, sector.data(), 512);
            const bool needsDocument = type == 8 || type == 15 || type == 16;
            if (needsDocument)
                EXPECT_EQ(0, pane.GetLineCount()) << "type " << type;
            else
                EXPECT_GE(pane.GetLineCount(), 3) << "type " << type;   // at least the title block
        }
    }
    // The GPT header cannot read its entry array: its check is unknown.
    pane.ClearText();
    p.PrintStructure(18, sectors[3].data(), 512);
    const std::string crcLine = lineWith("PartitionCrc");
    EXPECT_NE(std::string::npos, crcLine.find("\xA0 UNKNOWN")) << crcLine;
}
