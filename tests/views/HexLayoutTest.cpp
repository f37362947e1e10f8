#include "views/HexLayout.h"
#include "views/HexLineComposer.h"

#include "tests/support/GuardedBuffer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Setting
{
    int bytes, extra, insert, log2, invert;
    uint32_t mode;
};

// Every combination the settings dialog can produce, over widths that hit the edges.
std::vector<Setting> AllSettings()
{
    std::vector<Setting> all;
    const int widths[] = { 0, 1, 3, 7, 8, 16, 17, 24, 100, 255, 256, 300 };
    const int extras[] = { 0, 1, 3, 4, 8, 16, 256 };
    const uint32_t modes[] = { 0, HVM_NO_ADDRESS, HVM_NO_TEXT, HVM_NO_HEX, HVM_NO_ADDRESS | HVM_NO_TEXT };
    for (int w : widths)
        for (int e : extras)
            for (int insert = 0; insert < 2; ++insert)
                for (int log2 = 0; log2 < 4; ++log2)
                    for (int invert = 0; invert < 2; ++invert)
                        for (uint32_t m : modes)
                            all.push_back({ w, e, insert, log2, invert, m });
    return all;
}

std::string Describe(const Setting& s)
{
    char buf[128];
    snprintf(buf, sizeof buf, "bytes %d extra %d insert %d log2 %d invert %d mode %x", s.bytes, s.extra, s.insert,
             s.log2, s.invert, s.mode);
    return buf;
}

CHexLayout Make(const Setting& s)
{
    CHexLayout layout;
    layout.Layout(s.bytes, s.extra, s.insert, 6, s.log2, s.invert, s.mode);
    return layout;
}

TEST(HexLayout, ByteColumnByteRoundTripsForEveryLayout)
{
    for (const Setting& s : AllSettings())
    {
        CHexLayout layout = Make(s);
        int bpl = layout.BytesPerLine();
        ASSERT_GE(bpl, 1) << Describe(s);
        ASSERT_LE(bpl, 256) << Describe(s);
        ASSERT_EQ(bpl % layout.GroupSize(), 0) << Describe(s);
        ASSERT_EQ(layout.LineLength(), layout.TextStart() + layout.TextWidth()) << Describe(s);
        std::vector<int> seen(layout.LineLength() + 1, -1);
        for (int i = 0; i < bpl; ++i)
        {
            int hex = layout.HexColumnOf(i);
            if (!(s.mode & HVM_NO_HEX))
            {
                ASSERT_GE(hex, layout.HexStart()) << Describe(s);
                ASSERT_LE(hex + 2, layout.TextStart() - 2) << Describe(s);   // two blanks end the column
                ASSERT_EQ(seen[hex], -1) << Describe(s);
                ASSERT_EQ(seen[hex + 1], -1) << Describe(s);
                seen[hex] = seen[hex + 1] = i;
                HexColumnHit hit = layout.HitColumn(hex);
                ASSERT_EQ(hit.area, HEX_AREA_HEX) << Describe(s);
                ASSERT_EQ(hit.byteIndex, i) << Describe(s);
                ASSERT_FALSE(hit.secondDigit);
                hit = layout.HitColumn(hex + 1);
                ASSERT_EQ(hit.byteIndex, i) << Describe(s);
                ASSERT_TRUE(hit.secondDigit);
            }
            else
            {
                ASSERT_EQ(hex, -1);
            }
            int tc = layout.TextColumnOf(i);
            if (!(s.mode & HVM_NO_TEXT))
            {
                ASSERT_EQ(tc, layout.TextStart() + i);
                HexColumnHit hit = layout.HitColumn(tc);
                ASSERT_EQ(hit.area, HEX_AREA_TEXT) << Describe(s);
                ASSERT_EQ(hit.byteIndex, i) << Describe(s);
            }
        }
        // Every column of the hex area, blanks included, belongs to the byte whose digits
        // stand at or left of it in display order.
        if (!(s.mode & HVM_NO_HEX))
        {
            for (int c = layout.HexStart(); c < layout.TextStart(); ++c)
            {
                HexColumnHit hit = layout.HitColumn(c);
                ASSERT_EQ(hit.area, HEX_AREA_HEX);
                int first = layout.HexColumnOf(hit.byteIndex);
                ASSERT_LE(first, c) << Describe(s) << " column " << c;
                ASSERT_EQ(c - first, hit.pastFirst);
                int slot = hit.byteIndex ^ layout.InvertMask();
                if (slot + 1 < bpl)
                {
                    ASSERT_GT(layout.HexColumnOf((slot + 1) ^ layout.InvertMask()), c) << Describe(s);
                }
            }
        }
        if (layout.AddressWidth() > 2)
        {
            ASSERT_EQ(layout.HitColumn(0).area, HEX_AREA_ADDRESS);
        }
    }
}

// The composed hex text, read back by an independent parser (sscanf on the blank-separated
// pairs), gives the bytes; with inverted groups each group reads backwards. The text column
// and the address are checked against printf.
TEST(HexLineComposer, TextMatchesPrintfForEveryLayout)
{
    std::vector<uint8_t> data(700);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 37 + 11);
    for (const Setting& s : AllSettings())
    {
        if (s.mode & HVM_NO_HEX)
            continue;
        CHexLayout layout = Make(s);
        int bpl = layout.BytesPerLine();
        HexLineSource source = { data.data(), static_cast<int>(data.size()), 0x12345, 0, nullptr, nullptr, 0 };
        int line = 1;
        std::vector<char> text(layout.LineLength());
        std::vector<uint8_t> colors(layout.LineLength());
        ASSERT_EQ(ComposeHexLine(layout, source, line, 0, text.data(), colors.data(), static_cast<int>(text.size())),
                  layout.LineLength());
        std::string hexText(text.begin() + layout.HexStart(), text.begin() + layout.TextStart());
        std::string digits;
        for (char c : hexText)
            if (c != ' ')
                digits += c;
        ASSERT_EQ(static_cast<int>(digits.size()), 2 * bpl) << Describe(s);
        int g = layout.GroupSize();
        for (int slot = 0; slot < bpl; ++slot)
        {
            unsigned value = 0;
            ASSERT_EQ(sscanf(digits.substr(2 * slot, 2).c_str(), "%2X", &value), 1);
            int index = s.invert && g > 1 ? (slot / g * g + (g - 1 - slot % g)) : slot;
            ASSERT_EQ(value, data[line * bpl + index]) << Describe(s) << " slot " << slot;
        }
        // A blank after each group with insert space and after every extra interval.
        int blanks = static_cast<int>(hexText.size()) - 2 * bpl;
        int e = layout.ExtraInterval();
        int expectBlanks = 2 + (s.insert ? bpl / g - 1 : 0) + bpl / e - (bpl % e == 0 ? 1 : 0);
        ASSERT_EQ(blanks, expectBlanks) << Describe(s);
        if (!(s.mode & HVM_NO_ADDRESS))
        {
            char address[16];
            snprintf(address, sizeof address, "%06X  ", 0x12345u + static_cast<unsigned>(line * bpl));
            ASSERT_EQ(std::string(text.begin(), text.begin() + 8), address);
            ASSERT_EQ(colors[0], HCI_ADDRESS);
        }
        if (!(s.mode & HVM_NO_TEXT))
        {
            for (int i = 0; i < bpl; ++i)
            {
                uint8_t b = data[line * bpl + i];
                char expect = (b < 32 || (b >= 127 && b < 160)) ? '.' : static_cast<char>(b);
                ASSERT_EQ(text[layout.TextStart() + i], expect);
                ASSERT_EQ(colors[layout.TextStart() + i], HCI_TEXT);
            }
        }
    }
}

TEST(HexLayout, LineWidthRules)
{
    CHexLayout layout;
    EXPECT_EQ(layout.BytesPerLine(), 16);
    EXPECT_EQ(layout.AddressWidth(), 8);
    // 17 with groups of 4 becomes 16 (width raster off, so only the group rounds it).
    layout.Layout(17, -1, -1, -1, 2, -1, 0);
    EXPECT_EQ(layout.BytesPerLine(), 16);
    layout.Layout(300, -1, -1, -1, 0, -1, 0);
    EXPECT_EQ(layout.BytesPerLine(), 256);
    layout.Layout(0, -1, -1, -1, 0, -1, 0);
    EXPECT_EQ(layout.BytesPerLine(), 1);
    layout.Layout(0, -1, -1, -1, 3, -1, 0);
    EXPECT_EQ(layout.BytesPerLine(), 8);   // at least one group
    // With the width raster (default 4) a request of 17 becomes 16 with single bytes too.
    layout.Layout(17, -1, -1, -1, 0, -1, HVM_WIDTH_RASTER);
    EXPECT_EQ(layout.BytesPerLine(), 16);
    // The address column can go: the text then starts at the hex width.
    layout.Layout(16, 4, 1, 6, 0, 0, HVM_NO_ADDRESS);
    EXPECT_EQ(layout.HexStart(), 0);
    EXPECT_EQ(layout.TextStart(), layout.HexWidth());
    // 16 bytes, blank after each, extra every 4: 32 digits + 15 + 3 + 2 trailing.
    EXPECT_EQ(layout.HexWidth(), 52);
    // Address digits are cut to 8.
    layout.Layout(-1, -1, -1, 12, -1, -1, 0);
    EXPECT_EQ(layout.AddressWidth(), 10);
    // A second identical layout reports no change; a stale mark forces one.
    EXPECT_FALSE(layout.Layout(-1, -1, -1, -1, -1, -1, 0));
    EXPECT_TRUE(layout.Layout(-1, -1, -1, -1, -1, -1, HVM_LAYOUT_STALE));
    EXPECT_TRUE(layout.Layout(-1, -1, -1, -1, -1, -1, HVM_NO_TEXT));
}

TEST(HexLayout, AutomaticWidthFitsTheWindow)
{
    for (const Setting& s : AllSettings())
    {
        if (s.bytes != 16 || (s.mode & HVM_NO_HEX && s.mode & HVM_NO_TEXT))
            continue;
        CHexLayout layout = Make(s);
        int previous = -1000000;
        for (int columns = 1; columns < 1000; columns += 3)
        {
            int bytes = layout.AutoBytesPerLine(columns);
            ASSERT_GE(bytes, previous) << Describe(s);   // a wider window never gives fewer
            previous = bytes;
            CHexLayout trial = Make(s);
            trial.Layout(bytes, -1, -1, -1, -1, -1, s.mode);
            CHexLayout minimal = Make(s);
            minimal.Layout(1, -1, -1, -1, -1, -1, s.mode);
            if (minimal.LineLength() <= columns && bytes <= 256)
            {
                // Without the text column the two trailing blanks of the hex column may stand
                // outside the window: the formula counts only what is drawn.
                int drawn = trial.LineLength() - ((s.mode & HVM_NO_TEXT) ? 2 : 0);
                ASSERT_LE(drawn, columns) << Describe(s) << " columns " << columns;
            }
        }
        // Too narrow for one byte: the layout still shows one (a group).
        CHexLayout narrow = Make(s);
        narrow.Layout(narrow.AutoBytesPerLine(3), -1, -1, -1, -1, -1, s.mode);
        ASSERT_EQ(narrow.BytesPerLine(), narrow.GroupSize());
    }
}

TEST(HexLayout, LineCountAtSizeBoundaries)
{
    CHexLayout layout;   // 16 bytes a line
    EXPECT_EQ(layout.LineCount(0, 0), 0);
    EXPECT_EQ(layout.LineCount(1, 0), 1);
    EXPECT_EQ(layout.LineCount(15, 0), 1);
    EXPECT_EQ(layout.LineCount(16, 0), 1);
    EXPECT_EQ(layout.LineCount(17, 0), 2);
    EXPECT_EQ(layout.LineCount(65536, 0), 4096);
    EXPECT_EQ(layout.LineCount(16, 3), 2);     // first line starts 3 bytes early
    EXPECT_EQ(layout.LineCount(16, 19), 2);    // the alignment counts modulo the line
    EXPECT_EQ(layout.LineCount(0x7FFFFFFF, 15), 0x8000001);   // (2^31 - 1 + 15 + 15) / 16
}

// Data against the fences of guarded pages: composing every line of every size boundary
// reads nothing outside the data (a stray read would be an access violation).
TEST(HexLineComposer, NeverReadsOutsideTheData)
{
    const int sizes[] = { 0, 1, 15, 16, 17, 65536 };
    std::vector<uint8_t> bytes(65536);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i);
    for (int size : sizes)
        for (int alignment : { 0, 5 })
        {
            GuardedBuffer end(size), start(size);
            ASSERT_TRUE(end.Ok() && start.Ok());
            const uint8_t* placements[] = { end.AtEnd(bytes.data(), size), start.AtStart(bytes.data(), size) };
            for (const uint8_t* data : placements)
            {
                CHexLayout layout;
                HexLineSource source = { data, size, 0, alignment, nullptr, nullptr, 0 };
                int lines = layout.LineCount(size, alignment);
                char text[256];
                uint8_t colors[256];
                for (int line = -1; line <= lines; ++line)
                {
                    int n = ComposeHexLine(layout, source, line, 0, text, colors, sizeof text);
                    int expect = (line < 0 || line >= lines) ? 0 : layout.LineLength();
                    ASSERT_EQ(n, expect);
                }
                if (size == 15 && alignment == 0)
                {
                    ComposeHexLine(layout, source, 0, 0, text, colors, sizeof text);
                    int last = layout.HexColumnOf(15);
                    EXPECT_EQ(text[last], ' ');   // the missing 16th byte is blank
                    EXPECT_EQ(text[layout.TextStart() + 15], ' ');
                }
            }
        }
    // A capacity smaller than the line: cut, never beyond.
    CHexLayout layout;
    uint8_t one = 0x41;
    HexLineSource source = { &one, 1, 0, 0, nullptr, nullptr, 0 };
    char small[5] = { 'x', 'x', 'x', 'x', 'x' };
    EXPECT_EQ(ComposeHexLine(layout, source, 0, 0, small, nullptr, 4), 4);
    EXPECT_EQ(small[4], 'x');
    EXPECT_EQ(ComposeHexLine(layout, source, 0, 0, nullptr, nullptr, 4), 0);
    HexLineSource none = { nullptr, 100, 0, 0, nullptr, nullptr, 0 };
    EXPECT_EQ(ComposeHexLine(layout, none, 0, 0, small, nullptr, 4), 0);
}

TEST(HexLineComposer, SelectionWinsOverRangesAndBitMarks)
{
    CHexLayout layout;
    std::vector<uint8_t> data(64, 0x30);
    HexRangeSlot slots[HEX_SLOT_COUNT] = {};
    slots[0] = { 6, 4, 1, HCI_SELECTION };   // either order
    slots[1] = { 2, 8, 1, HCI_RANGE };
    uint32_t marks[2] = { (1u << 1) | (1u << 5), 0 };
    HexLineSource source = { data.data(), 64, 0, 0, slots, marks, 64 };
    char text[128];
    uint8_t colors[128];
    ComposeHexLine(layout, source, 0, 0, text, colors, sizeof text);
    auto hexColor = [&](int i) { return colors[layout.HexColumnOf(i)]; };
    auto textColor = [&](int i) { return colors[layout.TextColumnOf(i)]; };
    EXPECT_EQ(hexColor(0), HCI_HEX);
    EXPECT_EQ(hexColor(1), HCI_BITMARK_HEX);
    EXPECT_EQ(textColor(1), HCI_BITMARK_TEXT);
    EXPECT_EQ(hexColor(2), HCI_RANGE);
    EXPECT_EQ(hexColor(4), HCI_SELECTION);
    EXPECT_EQ(hexColor(5), HCI_SELECTION);   // marked and selected: the selection wins
    EXPECT_EQ(colors[layout.HexColumnOf(5) + 1], HCI_SELECTION);
    EXPECT_EQ(textColor(6), HCI_SELECTION);
    EXPECT_EQ(hexColor(7), HCI_RANGE);
    EXPECT_EQ(hexColor(9), HCI_HEX);
    // Flags bit 0: plain colours.
    ComposeHexLine(layout, source, 0, 1, text, colors, sizeof text);
    EXPECT_EQ(hexColor(5), HCI_HEX);
    EXPECT_EQ(textColor(1), HCI_TEXT);
}

}  // namespace
