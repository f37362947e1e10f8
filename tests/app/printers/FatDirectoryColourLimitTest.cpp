// The FAT directory printer's colours cell by cell: every cell of an entry line that is no
// name, size, date, time or cluster digit keeps colour 1, a long-name line is turquoise from
// the creation date on, and only the first 21 entries (lines 3 to 23) are coloured at all.
#include <gtest/gtest.h>

#include <string.h>

#include "PrinterTestSupport.h"

using namespace printertest;

namespace {

const int kFatDirectory = 6;

// The colour of a cell of a short entry's line, by the columns of its fields: name 2-15,
// size 16-28, the digits of the creation date 37-46 and time 48-55, of the write date 58-67
// and time 69-76, the cluster and its "h" 88-96.
int ShortEntryColour(int column)
{
    const struct {
        int first, last, colour;
    } fields[] = {
        {2, 15, PC_CYAN},   {16, 28, PC_RED},   {37, 40, PC_GREEN}, {42, 43, PC_GREEN}, {45, 46, PC_GREEN},
        {48, 49, PC_BLUE},  {51, 52, PC_BLUE},  {54, 55, PC_BLUE},  {58, 61, PC_GREEN}, {63, 64, PC_GREEN},
        {66, 67, PC_GREEN}, {69, 70, PC_BLUE},  {72, 73, PC_BLUE},  {75, 76, PC_BLUE},  {88, 96, PC_RED},
    };
    for (const auto& f : fields)
        if (column >= f.first && column <= f.last)
            return f.colour;
    return PC_STANDARD;
}

int LongEntryColour(int column)
{
    return column < 37 ? ShortEntryColour(column) : PC_CYAN;
}

// The sizes of the short entries in turn: small, 2^24, 2^31 (a file of 2 GiB), the largest a
// FAT entry holds (4 GiB - 1) and one just below 2^31.
const uint32_t kSizes[] = {1234, 1u << 24, 1u << 31, 0xFFFFFFFFu, 0x7FFFFFFFu, 3000000000u};

// 24 entries in 1024 bytes (a sector of a 1 KB-sector medium): short and long-name entries
// taking turns, the short ones README.TXT of 2023-09-30 12:34:56, cluster 5, with the sizes
// of kSizes in turn.
std::vector<uint8_t> TwentyFourEntries()
{
    std::vector<uint8_t> s(1024, 0);
    for (int i = 0; i < 24; ++i) {
        uint8_t* e = &s[i * 32];
        if (i % 2 == 0) {
            e[0] = 0x41;
            e[1] = 'a';
            e[3] = 'b';
            e[11] = 0x0F;
            continue;
        }
        memcpy(e, "README  TXT", 11);
        e[11] = 0x20;
        const uint32_t date = (43 << 9) | (9 << 5) | 30;
        const uint32_t time = (12 << 11) | (34 << 5) | 28;
        PutU16(e + 14, time);
        PutU16(e + 16, date);
        PutU16(e + 22, time);
        PutU16(e + 24, date);
        PutU16(e + 26, 5);
        PutU32(e + 28, kSizes[(i / 2) % 6]);
    }
    return s;
}

}  // namespace

TEST(FatDirectoryColours, EveryCellOfTheFirst21EntriesAndNoneBehind)
{
    TestPrinter p;
    p.Run(kFatDirectory, TwentyFourEntries());
    ASSERT_EQ(p.LineCount(), 3 + 24) << p.Text();
    // A line without colours of its own shows the pane's standing colour: the empty line
    // below the title is one.
    const int uncoloured = p.pane.GetCharColor(0, 2);
    for (int entry = 0; entry < 24; ++entry) {
        const int line = 3 + entry;
        const std::string text = p.Line(line);
        SCOPED_TRACE("entry " + std::to_string(entry) + ": \"" + text + "\"");
        ASSERT_GE(text.size(), 97u);
        const bool longName = entry % 2 == 0;
        if (!longName) {
            // Every field at its columns, whatever the size: the colours below are those of
            // the fields only while the text stays in place.
            const std::string size = std::to_string(kSizes[(entry / 2) % 6]);
            EXPECT_EQ(std::string(10 - size.size(), ' ') + size, text.substr(18, 10));
            EXPECT_EQ(" _____A  2023.09.30 12:34:56  2023.09.30 12:34:56  Cluster: 00000005h", text.substr(28));
            // The marks on the size, the attributes and the cluster's low word.
            const struct {
                int column;
                int offset;
            } marks[] = {{18, 28}, {27, 28}, {29, 11}, {34, 11}, {95, 26}};
            for (const auto& m : marks) {
                const MarkRange* mark = p.MarkAt(line, m.column);
                ASSERT_NE(nullptr, mark) << "column " << m.column;
                EXPECT_EQ(entry * 32 + m.offset, mark->byteOffset) << "column " << m.column;
            }
        }
        for (int column = 0; column < static_cast<int>(text.size()); ++column) {
            if (entry < 21) {
                const int colour = longName ? LongEntryColour(column) : ShortEntryColour(column);
                EXPECT_TRUE(p.CellHasColour(line, column, colour)) << "column " << column << " not colour " << colour;
            } else {
                EXPECT_EQ(p.pane.GetCharColor(column, line), uncoloured) << "column " << column;
            }
        }
    }
}
