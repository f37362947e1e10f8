#include "views/HexCursor.h"
#include "views/TextLayout.h"

#include "tests/support/GuardedBuffer.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <tuple>
#include <vector>

namespace {

// Records the selection notifications the parent would get.
class RecordingModel : public CHexModel
{
public:
    std::vector<std::tuple<int, int, int>> notes;
    int cursorMoves = 0;

protected:
    void OnSelectionChanged(int low, int high, int active) override { notes.emplace_back(low, high, active); }
    void OnCursorMoved() override { ++cursorMoves; }
};

std::vector<uint8_t> Bytes(int n)
{
    std::vector<uint8_t> v(n);
    for (int i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(i * 7 + 3);
    return v;
}

void Key(CHexModel& m, int dc, int dl, bool shift = false)
{
    m.MoveCursor(dc, dl, MCF_RELATIVE | (shift ? MCF_EXTEND : 0) | MCF_ARROW_STEP);
}

TEST(HexCursor, RightWalksBothDigitsOfEveryByteInDisplayOrder)
{
    std::vector<uint8_t> data = Bytes(100);
    for (int log2 = 0; log2 < 4; ++log2)
        for (int invert = 0; invert < 2; ++invert)
        {
            RecordingModel m;
            m.SetData(data.data(), 100, 0, 0);
            m.SetModeBits(0, HVM_WIDTH_RASTER);
            m.Relayout(16, 4, 1, 6, log2, invert);
            int g = 1 << log2;
            // Start on the first byte in display order (with inverted groups not offset 0).
            m.MoveCursor(m.Layout().HexStart(), 0, MCF_MOUSE | MCF_MOUSE_PRESS);
            for (int step = 0; step < 2 * 96; ++step)
            {
                int slot = step / 2;   // display slot counted over the lines
                int expected = invert && g > 1 ? (slot / g * g + (g - 1 - slot % g)) : slot;
                ASSERT_EQ(m.Cursor(), expected) << "log2 " << log2 << " invert " << invert << " step " << step;
                ASSERT_EQ(m.FirstDigit(), step % 2 == 0);
                Key(m, 1, 0);
            }
        }
}

TEST(HexCursor, RightOnTheLastDigitOfALineGoesToTheNextLine)
{
    std::vector<uint8_t> data = Bytes(64);
    RecordingModel m;
    m.SetData(data.data(), 64, 0, 0);
    m.SetCursorAddress(15, false);
    Key(m, 1, 0);
    ASSERT_EQ(m.Cursor(), 15);
    ASSERT_FALSE(m.FirstDigit());
    Key(m, 1, 0);
    EXPECT_EQ(m.Cursor(), 16);
    EXPECT_TRUE(m.FirstDigit());
    EXPECT_EQ(m.CaretLine(), 1);
    EXPECT_EQ(m.CaretColumn(), m.Layout().HexStart());
    // And Left from there comes back to the second digit of the previous line's last byte.
    Key(m, -1, 0);
    EXPECT_EQ(m.Cursor(), 15);
    EXPECT_FALSE(m.FirstDigit());
}

TEST(HexCursor, TextColumnStepsAndEnds)
{
    std::vector<uint8_t> data = Bytes(40);
    RecordingModel m;
    m.SetData(data.data(), 40, 0, 0);
    EXPECT_EQ(m.SetCursorArea(HEX_AREA_TEXT), HEX_AREA_HEX);
    for (int i = 0; i < 39; ++i)
    {
        ASSERT_EQ(m.Cursor(), i);
        ASSERT_EQ(m.CaretColumn(), m.Layout().TextStart() + i % 16);
        Key(m, 1, 0);
    }
    Key(m, 1, 0);
    EXPECT_EQ(m.Cursor(), 39);   // the last byte stops it
    m.SetCursorAddress(20, false);
    m.MoveCursor(m.Layout().LineLength() - m.CaretColumn(), 0, MCF_RELATIVE);   // End
    EXPECT_EQ(m.Cursor(), 31);
    m.MoveCursor(-m.CaretColumn(), 0, MCF_RELATIVE);   // Home
    EXPECT_EQ(m.Cursor(), 16);
    EXPECT_EQ(m.Area(), HEX_AREA_TEXT);
}

TEST(HexCursor, ClickOnABlankGoesToTheNextByte)
{
    std::vector<uint8_t> data = Bytes(64);
    RecordingModel m;
    m.SetData(data.data(), 64, 0, 0);
    CTextLayout text(80, 0);
    text.SetBarMetrics(0, 0);
    text.OnSize(800, 400);
    const CHexLayout& L = m.Layout();
    // A press on the right half of the blank after byte 0 lands on the boundary of byte 1.
    int blank = L.HexColumnOf(0) + 2;
    int column = 0, line = 0;
    text.HitTest(blank * 10 + 7, 5, &column, &line, 1);
    m.MoveCursor(column, line, MCF_MOUSE | MCF_MOUSE_PRESS);
    EXPECT_EQ(m.Cursor(), 1);
    EXPECT_TRUE(m.FirstDigit());
    // After byte 3 come two blanks (group blank and extra blank): the second goes on.
    m.MoveCursor(L.HexColumnOf(3) + 3, 0, MCF_MOUSE | MCF_MOUSE_PRESS);
    EXPECT_EQ(m.Cursor(), 4);
    m.MoveCursor(L.HexColumnOf(3) + 1, 0, MCF_MOUSE | MCF_MOUSE_PRESS);
    EXPECT_EQ(m.Cursor(), 3);
    EXPECT_FALSE(m.FirstDigit());
    // The mouse picks the area by the column.
    m.MoveCursor(L.TextStart() + 5, 2, MCF_MOUSE | MCF_MOUSE_PRESS);
    EXPECT_EQ(m.Area(), HEX_AREA_TEXT);
    EXPECT_EQ(m.Cursor(), 37);
    // A click right of a line's text goes to the next line's first character, as keys do.
    m.MoveCursor(L.TextStart() + L.BytesPerLine() + 3, 1, MCF_MOUSE | MCF_MOUSE_PRESS);
    EXPECT_EQ(m.Area(), HEX_AREA_TEXT);
    EXPECT_EQ(m.Cursor(), 2 * L.BytesPerLine());
    m.MoveCursor(1, 3, MCF_MOUSE | MCF_MOUSE_PRESS);
    EXPECT_EQ(m.Area(), HEX_AREA_ADDRESS);
    EXPECT_EQ(m.Cursor(), 48);
    Key(m, L.AddressWidth(), 0);   // past the digits: into the hex column
    EXPECT_EQ(m.Area(), HEX_AREA_HEX);
    EXPECT_EQ(m.Cursor(), 48);
}

TEST(HexCursor, LeftAfterAForwardSelectionReturnsToItsStart)
{
    std::vector<uint8_t> data = Bytes(64);
    RecordingModel m;
    m.SetData(data.data(), 64, 0, 0);
    m.SetCursorAddress(10, false);
    for (int i = 0; i < 6; ++i)
        Key(m, 1, 0, true);   // the first step a digit, then whole bytes while selecting
    ASSERT_TRUE(m.HasSelection());
    int length = 0;
    int64_t low = m.GetSelection(false, &length);
    EXPECT_EQ(low, 10);
    EXPECT_GT(m.Cursor(), 10);
    Key(m, -1, 0);
    EXPECT_EQ(m.Cursor(), 10);
    EXPECT_FALSE(m.HasSelection());
    ASSERT_FALSE(m.notes.empty());
    EXPECT_EQ(m.notes.back(), std::make_tuple(0, 0, 0));
}

TEST(HexCursor, SelectionRasterWidensToGroups)
{
    std::vector<uint8_t> data = Bytes(64);
    RecordingModel m;
    m.SetData(data.data(), 64, 0, 0);
    m.Relayout(16, 4, 1, 6, 2, 0);   // groups of 4
    m.SetSelectionRaster(true);
    int column = 0, line = 0;
    m.CellOfOffset(5, HEX_AREA_HEX, true, &column, &line);
    m.MoveCursor(column, line, MCF_MOUSE | MCF_MOUSE_PRESS);
    m.CellOfOffset(9, HEX_AREA_HEX, true, &column, &line);
    m.MoveCursor(column, line, MCF_MOUSE | MCF_EXTEND);
    int length = 0;
    EXPECT_EQ(m.GetSelection(false, &length), 4);
    EXPECT_EQ(length, 8);   // bytes 4 to 11
    ASSERT_FALSE(m.notes.empty());
    EXPECT_EQ(m.notes.back(), std::make_tuple(4, 11, 1));
}

TEST(HexCursor, MouseDragSelectsAndNotifies)
{
    std::vector<uint8_t> data = Bytes(64);
    RecordingModel m;
    m.SetData(data.data(), 64, 0, 0);
    const CHexLayout& L = m.Layout();
    m.MoveCursor(L.TextStart() + 2, 0, MCF_MOUSE | MCF_MOUSE_PRESS);
    EXPECT_TRUE(m.notes.empty());
    m.MoveCursor(L.TextStart() + 2, 0, MCF_MOUSE | MCF_EXTEND);   // same cell: no selection
    EXPECT_FALSE(m.HasSelection());
    m.MoveCursor(L.TextStart() + 6, 1, MCF_MOUSE | MCF_EXTEND);
    ASSERT_TRUE(m.HasSelection());
    EXPECT_EQ(m.notes.back(), std::make_tuple(2, 22, 1));
    EXPECT_EQ(m.GetCursorAddress(false), 2);   // where the selection was begun
    size_t before = m.notes.size();
    m.MoveCursor(L.TextStart() + 6, 1, MCF_MOUSE | MCF_EXTEND | MCF_NO_NOTIFY);
    m.MoveCursor(L.TextStart() + 7, 1, MCF_MOUSE | MCF_EXTEND | MCF_NO_NOTIFY);
    EXPECT_EQ(m.notes.size(), before);
}

// Random keys and clicks over several layouts: the cursor stays in the data, the caret
// stands on the cursor's cell, and the hit test of that cell gives the cursor's byte back.
TEST(HexCursor, RandomMovesKeepCursorCaretAndSelectionConsistent)
{
    std::mt19937 rng(77);
    const int sizes[] = { 1, 15, 16, 17, 300 };
    for (int size : sizes)
        for (int log2 = 0; log2 < 4; ++log2)
        {
            std::vector<uint8_t> data = Bytes(size);
            RecordingModel m;
            m.SetData(data.data(), size, 0x1000, 0);
            m.SetModeBits(0, HVM_WIDTH_RASTER);
            m.Relayout(12 + log2 * 5, static_cast<int>(rng() % 6), static_cast<int>(rng() % 2), 6, log2,
                       static_cast<int>(rng() % 2));
            m.SetSelectionRaster(rng() % 2 == 0);
            const CHexLayout& L = m.Layout();
            for (int step = 0; step < 1500; ++step)
            {
                uint32_t shift = rng() % 3 == 0 ? MCF_EXTEND : 0;
                switch (rng() % 6)
                {
                case 0: m.MoveCursor(static_cast<int>(rng() % 3) - 1, 0, MCF_RELATIVE | shift | MCF_ARROW_STEP); break;
                case 1: m.MoveCursor(0, static_cast<int>(rng() % 3) - 1, MCF_RELATIVE | shift | MCF_ARROW_STEP); break;
                case 2: m.MoveCursor(0, static_cast<int>(rng() % 21) - 10, MCF_RELATIVE | shift); break;
                case 3: m.MoveCursor(L.LineLength() - m.CaretColumn(), 0, MCF_RELATIVE | shift); break;
                case 4:
                    m.MoveCursor(static_cast<int>(rng() % (L.LineLength() + 4)) - 2,
                                 static_cast<int>(rng() % (m.LineCount() + 4)) - 2,
                                 MCF_MOUSE | (rng() % 2 ? MCF_MOUSE_PRESS : MCF_EXTEND));
                    break;
                default: m.SetCursorArea(static_cast<int>(rng() % 3)); break;
                }
                ASSERT_GE(m.Cursor(), 0);
                ASSERT_LT(m.Cursor(), size);
                int column = 0, line = 0;
                m.CellOfOffset(m.Cursor(), m.Area(), m.FirstDigit(), &column, &line);
                ASSERT_EQ(line, m.CaretLine());
                if (m.Area() != HEX_AREA_ADDRESS)
                {
                    ASSERT_EQ(column, m.CaretColumn());
                    HexColumnHit hit = L.HitColumn(column);
                    ASSERT_EQ(hit.area, m.Area());
                    ASSERT_EQ(line * L.BytesPerLine() + hit.byteIndex - m.Alignment() % L.BytesPerLine(), m.Cursor());
                }
                if (m.HasSelection())
                {
                    int length = 0;
                    int64_t low = m.GetSelection(false, &length);
                    ASSERT_GE(low, 0);
                    ASSERT_LE(low + length, size);
                    // Whole groups at both ends (the data's end may cut the last one).
                    if (m.SelectionRaster() && L.GroupSize() > 1)
                    {
                        ASSERT_EQ(low % L.GroupSize(), 0);
                        ASSERT_TRUE((low + length) % L.GroupSize() == 0 || low + length == size);
                    }
                }
            }
        }
}

TEST(HexCursor, NullDataShowsAnEmptyPlaceholder)
{
    RecordingModel m;
    std::vector<uint8_t> data = Bytes(32);
    m.SetData(data.data(), 32, 0, 0);
    m.SetCursorAddress(20, false);
    EXPECT_EQ(m.SetData(nullptr, 100, 0x500, 0), 32);
    EXPECT_NE(m.Data(), nullptr);
    EXPECT_EQ(m.Size(), 0);
    EXPECT_EQ(m.LineCount(), 0);
    EXPECT_EQ(m.Cursor(), 0);
    // Memory that cannot be read is shown as empty too.
    void* page = VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS);
    ASSERT_NE(page, nullptr);
    m.SetData(static_cast<uint8_t*>(page), 100, 0, 0);
    EXPECT_EQ(m.Size(), 0);
    // Read-only memory cannot be handed over as writable.
    DWORD old = 0;
    VirtualProtect(page, 4096, PAGE_READONLY, &old);
    m.SetData(static_cast<uint8_t*>(page), 100, 0, 0);
    EXPECT_EQ(m.Size(), 100);
    EXPECT_TRUE(m.Mode() & HVM_PROTECTED);
    m.SetData(static_cast<uint8_t*>(page), 100, 0, HDF_WRITABLE);
    EXPECT_EQ(m.Size(), 0);
    m.SetData(nullptr, 0, 0, 0);
    VirtualFree(page, 0, MEM_RELEASE);
    // Ownership: a malloc block handed over is freed by the model (no leak check here, but
    // the placeholder must never be freed: replacing it must not crash).
    uint8_t* owned = static_cast<uint8_t*>(malloc(10));
    m.SetData(owned, 10, 0, HDF_TAKE_OWNERSHIP | HDF_WRITABLE);
    EXPECT_FALSE(m.Mode() & HVM_PROTECTED);
    m.SetData(nullptr, 0, 0, HDF_TAKE_OWNERSHIP);
    EXPECT_FALSE(m.Mode() & HVM_OWNS_DATA);
}

TEST(HexCursor, SizeZeroKeepsTheCursorOnZeroAndReadsNothing)
{
    RecordingModel m;
    GuardedBuffer guard(16);
    const uint8_t* data = guard.AtEnd("", 0);
    m.SetData(data, 0, 0, 0);
    for (int dc : { -1, 1, 50 })
        for (int dl : { -1, 0, 3 })
        {
            m.MoveCursor(dc, dl, MCF_RELATIVE);
            ASSERT_EQ(m.Cursor(), 0);
            ASSERT_EQ(m.CaretLine(), 0);
        }
    m.MoveCursor(30, 5, MCF_MOUSE | MCF_MOUSE_PRESS);
    EXPECT_EQ(m.Cursor(), 0);
    EXPECT_EQ(m.SetCursorAddress(5, false), 0);
    EXPECT_EQ(m.Cursor(), 0);
    uint32_t value = 123;
    EXPECT_EQ(ReadCursorValue(data, 0, m.Cursor(), 4, false, &value), 0);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(ReadCursorValue(data, 0, -1, 4, false, &value), 0);
    EXPECT_EQ(ReadCursorValue(nullptr, 10, 0, 4, false, &value), 0);
}

TEST(HexCursor, CursorValueNearTheEnd)
{
    GuardedBuffer guard(8);
    const uint8_t bytes[8] = { 1, 2, 3, 4, 5, 6, 0x78, 0x9A };
    const uint8_t* data = guard.AtEnd(bytes, 8);
    uint32_t value = 0;
    EXPECT_EQ(ReadCursorValue(data, 8, 6, 4, false, &value), 2);   // only the 2 that exist
    EXPECT_EQ(value, 0x9A78u);
    EXPECT_EQ(ReadCursorValue(data, 8, 6, 4, true, &value), 2);
    EXPECT_EQ(value, 0x789Au);
    EXPECT_EQ(ReadCursorValue(data, 8, 0, 4, false, &value), 4);
    EXPECT_EQ(value, 0x04030201u);
}

TEST(HexCursor, ProgrammaticSelection)
{
    std::vector<uint8_t> data = Bytes(100);
    RecordingModel m;
    m.SetData(data.data(), 100, 0x1000, 0);
    m.SetCursorAddress(0x1000 + 40, true);
    EXPECT_EQ(m.SetSelectionEnd(40, false), 1);
    EXPECT_FALSE(m.HasSelection());
    EXPECT_EQ(m.SetSelectionEnd(100, false), 1);   // up to the last byte
    int length = 0;
    EXPECT_EQ(m.GetSelection(false, &length), 40);
    EXPECT_EQ(length, 60);
    EXPECT_EQ(m.SetSelectionEnd(500, false), 0);   // clamped to the last byte, end excluded
    m.GetSelection(false, &length);
    EXPECT_EQ(length, 59);
    EXPECT_EQ(m.SetSelectionEnd(30, false), 1);
    EXPECT_EQ(m.GetSelection(true, &length), 0x1000 + 31);
    EXPECT_EQ(length, 10);
    EXPECT_EQ(m.GetCursorAddress(false), 31);   // the lower end stored first
    EXPECT_EQ(m.SetSelectionEnd(-5, false), 0);
    EXPECT_EQ(m.GetSelection(false, &length), 1);
    EXPECT_EQ(m.SetCursorAddress(0x2000, true), 0);
    EXPECT_EQ(m.Cursor(), 99);
    EXPECT_FALSE(m.HasSelection());
}

TEST(HexCursor, SelectionLengthIsCappedAt4MB)
{
    std::vector<uint8_t> big(5 * 1024 * 1024);
    RecordingModel m;
    m.SetData(big.data(), static_cast<int>(big.size()), 0, 0);
    m.SetSelectionEnd(static_cast<int64_t>(big.size()), false);
    int length = 0;
    m.GetSelection(false, &length);
    EXPECT_EQ(length, 0x400000);
}

TEST(HexCursor, HighlightRanges)
{
    std::vector<uint8_t> data = Bytes(100);
    RecordingModel m;
    m.SetData(data.data(), 100, 0, 0);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(m.SetHighlightRange(-1, i * 10, 5), i);
    EXPECT_EQ(m.SetHighlightRange(-1, 0, 5), 8);   // all eight active
    EXPECT_EQ(m.SetHighlightRange(8, 0, 5), 8);
    EXPECT_EQ(m.Slots()[3].start, 20);
    EXPECT_EQ(m.Slots()[3].end, 24);
    EXPECT_EQ(m.SetHighlightRange(2, 0, 0), 2);   // cleared
    EXPECT_FALSE(m.Slots()[3].active);
    EXPECT_EQ(m.SetHighlightRange(-1, 50, 1), 2);
    EXPECT_EQ(m.SetHighlightRange(-2, 0, 0), -2);
    for (int i = 1; i < HEX_SLOT_COUNT; ++i)
        EXPECT_FALSE(m.Slots()[i].active);
    // One line only: just that line is repainted.
    m.RepaintWord() = 0;
    m.SetHighlightRange(0, 33, 4);
    EXPECT_EQ(m.RepaintWord(), RP_LINE_RANGE | 2u);
}

// A column hidden while the cursor stands in it takes the cursor to the other column at the
// next layout, whichever call runs it: a new layout, or a new buffer (which lays out too).
TEST(HexCursor, HiddenColumns)
{
    const struct
    {
        uint32_t hidden;
        int area;       // where the cursor stood
        int laidOut;    // 0 Relayout, else the SetData flags + 1
        int expected;
        int cursor;     // the cursor's byte afterwards
    } cases[] = {
        { HVM_NO_HEX, HEX_AREA_HEX, 0, HEX_AREA_TEXT, 7 },
        { HVM_NO_HEX, HEX_AREA_HEX, 1, HEX_AREA_TEXT, 0 },
        { HVM_NO_TEXT, HEX_AREA_TEXT, 1 + HDF_KEEP_POSITION, HEX_AREA_HEX, 7 },
        { HVM_NO_ADDRESS, HEX_AREA_ADDRESS, 1 + HDF_KEEP_POSITION, HEX_AREA_HEX, 7 },
    };
    std::vector<uint8_t> data = Bytes(50);
    for (const auto& c : cases)
    {
        RecordingModel m;
        m.SetData(data.data(), 50, 0, 0);
        m.SetCursorAddress(7, false);
        m.SetCursorArea(c.area);
        ASSERT_EQ(m.Area(), c.area);
        m.SetModeBits(c.hidden, c.hidden);
        if (c.laidOut == 0)
            m.Relayout(-1, -1, -1, -1, -1, -1);
        else
            m.SetData(data.data(), 50, 0, static_cast<uint32_t>(c.laidOut - 1));
        EXPECT_EQ(m.Area(), c.expected) << c.hidden << " " << c.laidOut;
        EXPECT_EQ(m.Cursor(), c.cursor) << c.hidden << " " << c.laidOut;
    }
    RecordingModel m;
    m.SetData(data.data(), 50, 0, 0);
    m.SetModeBits(HVM_NO_HEX, HVM_NO_HEX);
    m.Relayout(-1, -1, -1, -1, -1, -1);
    EXPECT_EQ(m.SetCursorArea(HEX_AREA_HEX), HEX_AREA_TEXT);
    EXPECT_EQ(m.Area(), HEX_AREA_TEXT);   // refused: the hex column is hidden
    EXPECT_EQ(m.SetCursorArea(7), HEX_AREA_TEXT);
}

}  // namespace

namespace {

TEST(HexCursor, TopAddressMakesALineBeginThere)
{
    std::vector<uint8_t> data = Bytes(1000);
    RecordingModel m;
    m.SetData(data.data(), 1000, 0x7C00, 0);
    m.SetModeBits(0, HVM_RASTER);
    for (int offset : { 0, 1, 5, 15, 16, 17, 500, 999 })
    {
        int top = 3;
        m.SetTopAddress(0x7C00 + offset, true, &top);
        ASSERT_EQ(m.GetTopAddress(false, top), offset) << offset;
        ASSERT_EQ(m.GetTopAddress(true, top), 0x7C00 + offset);
        ASSERT_LT(m.Alignment(), m.Layout().BytesPerLine());
        // The cursor's cell still holds the cursor's byte under the new alignment.
        int column = 0, line = 0;
        m.CellOfOffset(m.Cursor(), m.Area(), m.FirstDigit(), &column, &line);
        ASSERT_EQ(line, m.CaretLine());
    }
    int top = 0;
    m.SetTopAddress(-50, false, &top);   // clamped to bytes per line - 1 before the data
    EXPECT_EQ(m.GetTopAddress(false, top), -15);   // line 0 then begins 15 bytes before the data
    EXPECT_EQ(top, 0);
    EXPECT_EQ(m.Alignment(), 15);
    // On the raster (4): an address is moved down to it and line starts stay on multiples.
    m.SetModeBits(HVM_RASTER, HVM_RASTER);
    m.SetTopAddress(0, false, &top);
    m.SetTopAddress(0x7C00 + 22, true, &top);
    EXPECT_EQ(m.GetTopAddress(false, top) % 4, 0);
    EXPECT_LE(m.GetTopAddress(false, top), 22);
    EXPECT_GT(m.GetTopAddress(false, top) + 16, 20);   // the raster start of 22 is visible
    // Size 0: offset 0.
    m.SetData(nullptr, 0, 0, 0);
    m.SetTopAddress(100, false, &top);
    EXPECT_EQ(top, 0);
    EXPECT_EQ(m.GetTopAddress(false, top), 0);
}

TEST(HexCursor, EnsureRangeVisible)
{
    std::vector<uint8_t> data = Bytes(16 * 200);
    RecordingModel m;
    m.SetData(data.data(), 16 * 200, 0, 0);
    // The top address a range is shown from: its start less three lines of context (never
    // before the data), its start when it is longer than the window.
    const struct { int top, offset, length, windowLines, scrolls; int64_t topAddress; } kCases[] = {
        { 0, 16 * 5, 32, 20, 0, 0 },                   // already in the window
        { 0, 16 * 100, 16, 20, 1, 16 * 97 },
        { 0, 16 * 100 + 5, 4, 20, 1, 16 * 97 + 5 },    // a line may begin inside a line
        { 97, 16 * 500, 16, 20, 0, 0 },                // beyond the end
        { 97, -16, 32, 20, 1, 0 },                     // shortened to offset 0
        { 97, 16 * 1 + 3, 4, 20, 1, 0 },               // context cut at the first byte
        { 0, 16 * 150, 16 * 40, 20, 1, 16 * 150 },     // longer than the window
        { 140, 16 * 150, 16 * 40, 20, 0, 0 },          // its window part already shown
        { 0, 0, 16, 0, 0, 0 },                         // no window lines
    };
    for (const auto& c : kCases) {
        int64_t top = -1;
        EXPECT_EQ(m.EnsureRangeVisible(c.offset, c.length, c.windowLines, c.top, &top), c.scrolls) << c.offset;
        if (c.scrolls) {
            EXPECT_EQ(top, c.topAddress) << c.offset;
        }
    }
}

// Buffers at every size boundary, shown through the text layout: Ctrl+End, PageDown and
// PageUp keep the caret on a byte of the data and in the window, and reach both ends.
TEST(HexCursor, ScrollingAtEverySizeBoundary)
{
    const int sizes[] = { 0, 1, 15, 16, 17, 65536 };
    for (int size : sizes)
    {
        std::vector<uint8_t> data = Bytes(size);
        RecordingModel m;
        m.SetData(size ? data.data() : nullptr, size, 0, 0);
        CTextLayout text(m.Layout().LineLength(), 0);
        text.SetBarMetrics(0, 0);
        text.SetLineCount(m.LineCount());
        text.OnSize(800, 20 * 13);
        auto sync = [&](int flags) {
            text.PlaceCaret(m.CaretColumn(), m.CaretLine(), false);
            text.UpdateLayout(flags);
            ASSERT_EQ(text.CaretLine(), m.CaretLine());
            ASSERT_GE(m.CaretLine(), text.ScrollLine());
            ASSERT_LT(m.CaretLine(), text.ScrollLine() + text.WindowLines());
            ASSERT_GE(m.Cursor(), 0);
            ASSERT_LE(m.Cursor(), size > 0 ? size - 1 : 0);
        };
        TextKeyAction end = MapNavigationKey(VK_END, 2, true, text.WindowLines(), text.ColumnCount(),
                                             text.LineCount(), m.CaretColumn());
        m.MoveCursor(end.column, end.line, end.flags);
        sync(TLF_CENTRE_JUMP);
        EXPECT_EQ(m.Cursor(), size > 0 ? size - 1 : 0) << size;
        for (int i = 0; i < 300; ++i)
        {
            TextKeyAction up = MapNavigationKey(VK_PRIOR, 0, true, text.WindowLines(), text.ColumnCount(),
                                                text.LineCount(), m.CaretColumn());
            text.ScrollBy(0, up.scrollLines);
            m.MoveCursor(up.column, up.line, up.flags);
            sync(0);
        }
        EXPECT_EQ(m.CaretLine(), 0);
        EXPECT_EQ(text.ScrollLine(), 0);
        for (int i = 0; i < 300; ++i)
        {
            TextKeyAction down = MapNavigationKey(VK_NEXT, 0, true, text.WindowLines(), text.ColumnCount(),
                                                  text.LineCount(), m.CaretColumn());
            text.ScrollBy(0, down.scrollLines);
            m.MoveCursor(down.column, down.line, down.flags);
            sync(0);
        }
        EXPECT_EQ(m.CaretLine(), size > 0 ? m.LineCount() - 1 : 0) << size;
    }
}

}  // namespace

namespace {

TEST(HexCursor, ModeFlags)
{
    RecordingModel m;
    std::vector<uint8_t> data = Bytes(64);
    m.SetData(data.data(), 64, 0, 0);   // not writable: protected
    EXPECT_TRUE(m.Mode() & HVM_PROTECTED);
    bool refused = false;
    // Writable memory that was attached read-only may be unprotected.
    m.SetModeFlags(0, HVM_PROTECTED, &refused);
    EXPECT_FALSE(refused);
    EXPECT_FALSE(m.Mode() & HVM_PROTECTED);
    // Read-only memory keeps the protection and the caller beeps.
    void* page = VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READONLY);
    ASSERT_NE(page, nullptr);
    m.SetData(static_cast<uint8_t*>(page), 64, 0, 0);
    uint32_t old = m.SetModeFlags(0, HVM_PROTECTED, &refused);
    EXPECT_TRUE(refused);
    EXPECT_TRUE(old & HVM_PROTECTED);
    EXPECT_TRUE(m.Mode() & HVM_PROTECTED);
    // Bits outside the public mask are not touched.
    m.SetModeFlags(0, HVM_OWNS_DATA | HVM_LAYOUT_STALE, &refused);
    EXPECT_EQ(m.SetModeFlags(HVM_NO_TEXT, HVM_NO_TEXT, nullptr) & ~HVM_PUBLIC_MASK, 0u);
    EXPECT_TRUE(m.Mode() & HVM_NO_TEXT);
    EXPECT_TRUE(m.Mode() & HVM_SAVE_SETTINGS);
    m.SetData(nullptr, 0, 0, 0);
    VirtualFree(page, 0, MEM_RELEASE);
}

}  // namespace

namespace {

TEST(HexCursor, SelectRangeAndBaseAddress)
{
    std::vector<uint8_t> data = Bytes(16 * 100);
    RecordingModel m;
    m.SetData(data.data(), 1600, 0x1000, 0);
    int top = 0;
    EXPECT_EQ(m.SelectRange(0x1000 + 16 * 50 + 3, 20, true, 20, &top), 1);
    int length = 0;
    EXPECT_EQ(m.GetSelection(false, &length), 16 * 50 + 3);
    EXPECT_EQ(length, 20);
    EXPECT_EQ(top, 50 - (20 - 1) / 2);   // the two lines stand in the window's middle
    EXPECT_EQ(m.SelectRange(1590, 50, false, 20, &top), 0);   // cut at the end
    m.GetSelection(false, &length);
    EXPECT_EQ(length, 10);
    EXPECT_EQ(m.SelectRange(0, 16 * 30, false, 20, &top), 1);   // longer than the window
    EXPECT_EQ(top, 0);
    EXPECT_EQ(m.SelectRange(16 * 80, 16 * 30, false, 20, &top), 0);
    EXPECT_EQ(top, 79);   // one line above the start
    EXPECT_EQ(m.SelectRange(7, 0, false, 20, &top), 1);
    EXPECT_FALSE(m.HasSelection());
    EXPECT_EQ(m.Cursor(), 7);

    m.SelectRange(100, 10, false, 20, &top);
    m.SetHighlightRange(0, 5, 5);
    EXPECT_EQ(m.SetBaseAddress(0x1000), 0x1000u);   // the same base changes nothing
    EXPECT_TRUE(m.Slots()[1].active);
    EXPECT_EQ(m.SetBaseAddress(0x2000), 0x1000u);
    EXPECT_EQ(m.Base(), 0x2000u);
    EXPECT_EQ(m.Data(), data.data());
    EXPECT_EQ(m.GetSelection(true, &length), 0x2000 + 100);
    EXPECT_EQ(length, 10);
    EXPECT_FALSE(m.Slots()[1].active);   // highlight ranges go
    EXPECT_TRUE(m.Mode() & HVM_PROTECTED);
}

TEST(HexCursor, QueryMessage)
{
    std::vector<uint8_t> data = Bytes(500);
    RecordingModel m;
    m.SetData(data.data(), 500, 0x400, 0);
    int top = 0;
    EXPECT_EQ(HexViewQuery(m, 0, 77, &top), 1);
    EXPECT_EQ(HexViewQuery(m, 1, 0, &top), 77);
    EXPECT_EQ(HexViewQuery(m, 2, 32, &top), 1);
    EXPECT_EQ(HexViewQuery(m, 3, 0, &top), 32);
    EXPECT_EQ(HexViewQuery(m, 4, 90, &top), 1);
    EXPECT_EQ(HexViewQuery(m, 5, 0, &top), 77);
    EXPECT_EQ(HexViewQuery(m, 1, 0, &top), 77);   // the selection's start
    EXPECT_EQ(HexViewQuery(m, 6, 0x800, &top), 1);
    EXPECT_EQ(HexViewQuery(m, 7, 0, &top), 0x800);
    EXPECT_EQ(HexViewQuery(m, 8, 0, &top), 500);
    EXPECT_EQ(HexViewQuery(m, 9, 0, &top), 0);
    EXPECT_EQ(HexViewQuery(m, 3, 0, nullptr), 0);
}

}  // namespace

TEST(HexCursor, CellAddressesMovesToAnAddressAndCopiesFromTheCursor)
{
    std::vector<uint8_t> data = Bytes(100);
    // The cell of every byte, as the drawing finds it, names that byte's address again, in
    // every group layout and with the first line starting before offset 0.
    for (int log2 = 0; log2 < 4; ++log2)
        for (int alignment : {0, 5})
        {
            RecordingModel m;
            m.SetData(data.data(), 100, 0x3000, 0);
            m.SetModeBits(0, HVM_WIDTH_RASTER | HVM_RASTER);
            m.Relayout(16, 4, 1, 6, log2, log2 & 1);
            m.SetAlignment(alignment);
            for (int offset = 0; offset < 100; ++offset)
                for (int area : {HEX_AREA_HEX, HEX_AREA_TEXT})
                {
                    int column = 0, line = 0;
                    m.CellOfOffset(offset, area, area == HEX_AREA_HEX && (offset & 1), &column, &line);
                    ASSERT_EQ(m.AddressOfCell(column, line), 0x3000 + offset)
                        << "log2 " << log2 << " alignment " << alignment << " area " << area;
                }
            // The address column stands for the line's first byte.
            int line = 0;
            m.CellOfOffset(40, HEX_AREA_HEX, true, nullptr, &line);
            EXPECT_EQ(m.AddressOfCell(0, line), 0x3000 + line * 16 - alignment);
        }

    // Moving to an address: extended from the cursor like a Shift move, ended without.
    struct Move
    {
        int64_t address;
        bool extend;
        int result, cursor, low, length;
    };
    const Move moves[] = {
        { 0x3000 + 20, false, 1, 20, 20, 0 },
        { 0x3000 + 30, true, 1, 30, 20, 11 },
        { 0x3000 + 500, true, 0, 99, 20, 80 },
        { 0x3000 + 5, true, 1, 5, 5, 16 },
        { 0x3000 - 9, false, 0, 0, 0, 0 },
    };
    RecordingModel m;
    m.SetData(data.data(), 100, 0x3000, 0);
    for (const Move& move : moves)
    {
        EXPECT_EQ(m.MoveCursorToAddress(move.address, true, move.extend), move.result) << move.address;
        EXPECT_EQ(m.Cursor(), move.cursor) << move.address;
        int length = 0;
        EXPECT_EQ(m.GetSelection(false, &length), move.low) << move.address;
        EXPECT_EQ(length, move.length) << move.address;
    }
    EXPECT_EQ(m.notes.back(), std::make_tuple(0, 0, 0));

    // Copying n bytes takes the lower of cursor and selection start, cut at the end.
    struct Copy
    {
        int cursor, extendTo, count, from, copied;
    };
    const Copy copies[] = {
        { 40, -1, 8, 40, 8 },    // no selection: from the cursor
        { 40, 60, 8, 40, 8 },    // begun at 40, cursor on 60
        { 60, 40, 8, 40, 8 },    // begun at 60, cursor on 40
        { 95, -1, 8, 95, 5 },    // cut at the end
        { 10, -1, 0, 10, 0 },
    };
    for (const Copy& c : copies)
    {
        m.SetCursorAddress(c.cursor, false);
        if (c.extendTo >= 0)
            m.MoveCursorToAddress(c.extendTo, false, true);
        uint8_t out[8] = {};
        ASSERT_EQ(m.CopyFromCursor(out, c.count), c.copied) << c.cursor;
        EXPECT_TRUE(std::equal(out, out + c.copied, data.begin() + c.from)) << c.cursor;
    }
}
