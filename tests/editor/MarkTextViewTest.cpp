// The decoded-text pane without a window: coloured lines and marks by code, and the cells
// a line is drawn with.
#include "tests/editor/EditorTestSupport.h"

#include <stdlib.h>

using namespace edittest;

namespace {

class MarkTextView : public EditorTest
{
};

std::vector<uint16_t> Words(const CTextEdit& edit, int line, int first, int count, std::string* cells = nullptr)
{
    std::vector<char> c(static_cast<size_t>(count) + 1);
    std::vector<uint16_t> w(static_cast<size_t>(count) + 1);
    edit.ComposeLine(line, first, count, c.data(), w.data());
    if (cells)
        cells->assign(c.data(), static_cast<size_t>(count));
    w.resize(static_cast<size_t>(count));
    return w;
}

}  // namespace

TEST_F(MarkTextView, MarksAreKeptBelowTheLimitAndTheLaterOneWins)
{
    CMarkTextView pane(2048, 50000, 0, "Text");
    EXPECT_EQ(pane.GetMarkLimit(), 4096u);
    pane.AddMark(4096, 4, 0, 0, 5);    // at the limit: not kept
    pane.AddMark(10, 0, 0, 0, 5);      // no bytes: not kept
    pane.AddMark(4095, 1, 0, 0, 5);
    EXPECT_EQ(pane.GetMarkCount(), 1);
    pane.AddMark(0x1BE, 16, 2, 4, -1);  // to the end of the line and beyond
    pane.AddMark(0x1C2, 1, 2, 10, 12);
    ASSERT_EQ(pane.GetMarkCount(), 3);
    const MarkRange* m = pane.GetMark(1);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->line, 2);
    EXPECT_EQ(m->firstColumn, 4);
    EXPECT_EQ(m->endColumn, 0xFFFF);
    EXPECT_EQ(m->byteOffset, 0x1BE);
    EXPECT_EQ(m->byteLength, 16);
    EXPECT_EQ(pane.GetMark(3), nullptr);
    EXPECT_EQ(pane.GetMark(-1), nullptr);
    uint32_t offset = 77;
    EXPECT_EQ(pane.ChooseMarkAt(500, 2), 16u);
    EXPECT_EQ(pane.GetChosenMark(&offset), 16u);
    EXPECT_EQ(offset, 0x1BEu);
    // Both cover column 11: the one added later is chosen.
    EXPECT_EQ(pane.ChooseMarkAt(11, 2), 1u);
    EXPECT_EQ(pane.GetChosenMark(&offset), 1u);
    EXPECT_EQ(offset, 0x1C2u);
    EXPECT_EQ(pane.ChooseMarkAt(3, 2), 0u);
    EXPECT_EQ(pane.ChooseMarkAt(0, 1), 0u);
    // A raised limit (the disk view sets the loaded size) keeps larger offsets.
    pane.SetMarkLimit(32768);
    pane.AddMark(20000, 2, 5, 0, 2);
    EXPECT_EQ(pane.GetMarkCount(), 4);
    pane.ChooseMarkAt(1, 5);
    pane.ClearMarks();
    EXPECT_EQ(pane.GetMarkCount(), 0);
    EXPECT_EQ(pane.GetChosenMark(&offset), 0u);
    EXPECT_EQ(offset, 0u);
}

TEST_F(MarkTextView, LineColoursMapNumbersToFormatRows)
{
    CMarkTextView pane(2048, 50000, 0, "Text");
    // Row 0 "Standard" (id 1), row 1 "Markierung" (id 2), then one of our own.
    int row = pane.AddColorFormat(0x000000, 0x00C000, "Feld", 7, 0);
    ASSERT_GE(row, 2);
    EXPECT_EQ(pane.ColorIndex(1), 0);
    EXPECT_EQ(pane.ColorIndex(2), 1);
    EXPECT_EQ(pane.ColorIndex(7), row);
    EXPECT_EQ(pane.ColorIndex(300), 0);
    EXPECT_EQ(pane.ColorIndex(77), -1);
    pane.AppendText("abcdef\nxy");
    const uint8_t colours[] = { 7, 7, 1, 2 };
    // Only a read-only pane takes line colours, and only on existing lines.
    EXPECT_EQ(pane.SetLineColors(0, colours, 4, -1, 1), 0);
    pane.SetEditable(0);
    EXPECT_EQ(pane.SetLineColors(2, colours, 4, -1, 1), 0);
    EXPECT_EQ(pane.SetLineColors(0, colours, 4, -1, 1), 1);
    const int r = row;
    EXPECT_EQ(Words(pane, 0, 0, 7), (std::vector<uint16_t>{ static_cast<uint16_t>(r), static_cast<uint16_t>(r), 0, 1, 0,
                                                             0, 0 }));
    // A count beyond the line colours only its characters; stride 2 reads every second byte.
    EXPECT_EQ(pane.SetLineColors(1, colours, 4, 7, 2), 1);
    EXPECT_EQ(Words(pane, 1, 0, 3), (std::vector<uint16_t>{ static_cast<uint16_t>(r), 0, 0 }));
    // An unknown number leaves the default on its character and reports it.
    const uint8_t unknown[] = { 2, 77, 2 };
    EXPECT_EQ(pane.SetLineColors(0, unknown, 3, 7, 1), 0);
    EXPECT_EQ(Words(pane, 0, 0, 4), (std::vector<uint16_t>{ 1, static_cast<uint16_t>(r), 1, static_cast<uint16_t>(r) }));
    EXPECT_EQ(pane.GetCharColor(1, 0), r);
    // Null colours drop them.
    EXPECT_EQ(pane.SetLineColors(0, nullptr, 0, -1, 1), 1);
    EXPECT_EQ(pane.GetLine(0)->colors, nullptr);
}

TEST_F(MarkTextView, CellsShowSelectionTabsAndTheSelectedLineBreak)
{
    CTextEdit edit(2048, 50000, 0, "CellTest");
    edit.AppendText("abcdef\nghijkl\nmnopqr");
    EditOptions &= ~EO_FREE_CARET;
    // Selection from (2, 0) to (1, 2): line 0 from column 2, line 1 whole, line 2 column 0.
    edit.SetCursorPos(2, 0);
    edit.SetCursorPos(1, 2, MCF_EXTEND);
    EXPECT_EQ(Words(edit, 0, 0, 8), (std::vector<uint16_t>{ 0, 0, 1, 1, 1, 1, 1, 0 }));
    EXPECT_EQ(Words(edit, 1, 0, 8), (std::vector<uint16_t>{ 1, 1, 1, 1, 1, 1, 1, 0 }));
    EXPECT_EQ(Words(edit, 2, 0, 8), (std::vector<uint16_t>{ 1, 0, 0, 0, 0, 0, 0, 0 }));
    // Line-wise selection covers every selected line whole.
    EditOptions |= EO_LINEWISE;
    EXPECT_EQ(Words(edit, 2, 0, 3), (std::vector<uint16_t>{ 1, 1, 1 }));
    EditOptions &= ~EO_LINEWISE;
    // The free caret shows every selected column right of the text.
    EditOptions |= EO_FREE_CARET;
    EXPECT_EQ(Words(edit, 0, 4, 5), (std::vector<uint16_t>{ 1, 1, 1, 1, 1 }));
    // ... and no more: a selection ending right of the text ends at its own column.
    struct FreeCase
    {
        POINT anchor, caret;
        int line;
        std::vector<uint16_t> words;
    };
    const FreeCase freeCases[] = {
        { { 8, 0 }, { 11, 0 }, 0, { 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0 } },
        { { 0, 1 }, { 9, 2 }, 2, { 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0 } },
        { { 9, 1 }, { 2, 0 }, 1, { 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0 } },
    };
    for (const FreeCase& f : freeCases)
    {
        edit.SetCursorPos(f.anchor.x, f.anchor.y);
        edit.SetCursorPos(f.caret.x, f.caret.y, MCF_EXTEND);
        EXPECT_EQ(Words(edit, f.line, 0, 14), f.words) << f.caret.x << "," << f.caret.y;
    }
    // A line drawn from a column inside a TAB shows the rest of the TAB as blanks.
    edit.SetCursorPos(0, 0);
    edit.InsertString("\tX", 0, TE_LINE_APPEND, 0);
    std::string cells;
    Words(edit, 3, 2, 4, &cells);
    EXPECT_EQ(cells, "  X ");
    // The pure composer: colours per character, a TAB's colour over all its cells.
    const char text[] = "a\tb";
    const uint8_t colours[] = { 3, 4, 5 };
    LineCellInput in = { text, 3, colours, 0, 0, 6, 4, 100000, 100000, false, false, false };
    char c[8];
    uint16_t w[8];
    EXPECT_EQ(ComposeLineCells(in, c, w), 5);
    EXPECT_EQ(std::vector<uint16_t>(w, w + 6), (std::vector<uint16_t>{ 3, 4, 4, 4, 5, 0 }));
    EXPECT_EQ(std::string(c, 6), "a   b ");
}

TEST_F(MarkTextView, LineTextAndColoursBetweenColumns)
{
    CMarkTextView pane(2048, 50000, 0, "Text");
    pane.SetEditable(0);
    pane.AppendText("a\tb\xE4z");
    const uint8_t colours[] = { 2, 2, 1, 2, 2 };
    ASSERT_EQ(pane.SetLineColors(0, colours, 5, -1, 1), 1);
    char* text = nullptr;
    uint8_t* cols = nullptr;
    // Columns 2..6 cover the rest of the TAB (two cells), "b" and the umlaut.
    EXPECT_EQ(pane.GetLineTextAndColors(&text, &cols, 0, 2, 6, 1), 4);
    EXPECT_EQ(std::string(text), std::string("  b\xE4"));
    EXPECT_EQ(std::vector<uint8_t>(cols, cols + 4), (std::vector<uint8_t>{ 1, 1, 0, 1 }));
    free(text);
    free(cols);
    // Unexpanded, the TAB stays one byte; UTF-8 repeats the umlaut's colour per byte.
    EXPECT_EQ(pane.GetLineTextAndColors(&text, &cols, 0, 0, -1, 0x100), 6);
    EXPECT_EQ(std::string(text), std::string("a\tb\xC3\xA4z"));
    EXPECT_EQ(std::vector<uint8_t>(cols, cols + 6), (std::vector<uint8_t>{ 1, 1, 0, 1, 1, 1 }));
    free(text);
    free(cols);
    EXPECT_EQ(pane.GetLineTextAndColors(&text, &cols, 0, 0, -1, 0x200), 10);
    EXPECT_EQ(text[2], '\t');
    EXPECT_EQ(text[3], 0);
    free(text);
    free(cols);
    EXPECT_EQ(pane.GetLineTextAndColors(&text, nullptr, 7, 0, -1, 0), 0);
    free(text);
}

// Colour number 0 names no format (no row has id 0) where a colour array gives it, but as a
// default it is the first format without a lookup; a negative number is the first format.
TEST_F(MarkTextView, ColourNumberZeroAndNegativeNumbers)
{
    CMarkTextView pane(2048, 50000, 0, "Text");
    const int feld = pane.AddColorFormat(0x000000, 0x00C000, "Feld", 7, 0);
    pane.AppendText("abcd");
    pane.SetEditable(0);
    struct Case
    {
        const char* what;
        int editorDefault;   // SetDefaultColor first
        uint8_t numbers[4];
        int defaultNumber;
        int result;
        int colours[4];
        int stride = 1;
    };
    const int F = feld;
    const Case cases[] = {
        { "0 in the array leaves the default", 0, { 7, 0, 7, 0 }, -1, 0, { F, 0, F, 0 } },
        { "0 in the array under another default", 0, { 0, 7, 0, 2 }, 7, 0, { F, F, F, 1 } },
        { "0 as the default is the first format", 0, { 7, 2, 7, 2 }, 0, 1, { F, 1, F, 1 } },
        { "-1 takes the editor's default", 7, { 77, 2, 7, 2 }, -1, 0, { F, 1, F, 1 } },
        { "0 is the first format, not the editor's default", 7, { 77, 2, 7, 2 }, 0, 0, { 0, 1, F, 1 } },
        { "stride 0 repeats the first number", 0, { 7, 2, 2, 2 }, -1, 1, { F, F, F, F }, 0 },
        { "stride 2 takes every other number", 0, { 7, 2, 2, 7 }, -1, 1, { F, 1, 0, 0 }, 2 },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(pane.SetDefaultColor(c.editorDefault), 1);
        EXPECT_EQ(pane.SetLineColors(0, c.numbers, c.stride ? 4 / c.stride : 4, c.defaultNumber, c.stride), c.result);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(pane.GetCharColor(i, 0), c.colours[i]) << i;
    }
    EXPECT_EQ(pane.ColorIndex(0), -1);
    EXPECT_EQ(pane.ColorIndex(-3), 0);
    EXPECT_EQ(pane.SetDefaultColor(0), 1);
    EXPECT_EQ(pane.SetDefaultColor(77), 0);
}
