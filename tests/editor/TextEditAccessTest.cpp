// Putting text in by position, reading it back and deleting it; how a refilled pane is
// cleared and appended to; bad input of every kind.
#include "tests/editor/EditorTestSupport.h"

#include "uihelpers/ClipboardText.h"

#include <stdio.h>
#include <stdlib.h>

using namespace edittest;

namespace {

class TextEditAccess : public EditorTest
{
};

std::string Range(CTextEdit& edit, int c1, int l1, int c2, int l2, int flags = 0)
{
    char* text = nullptr;
    int length = edit.GetTextRange(&text, c1, l1, c2, l2, flags);
    std::string out = text ? std::string(text, static_cast<size_t>(length)) : std::string("<null>");
    free(text);
    return out;
}

}  // namespace

TEST_F(TextEditAccess, InsertStringSplitsAtEveryKindOfLineBreak)
{
    CTextEdit edit(2048, 50000, 0, "AccessTest");
    EXPECT_EQ(edit.InsertString("A\r\nB\n\nC", 0, 1000, 0), 4);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "A", "B", "", "C" }));
    // A text ending in a line break adds no empty line after it.
    edit.ClearAll();
    EXPECT_EQ(edit.InsertString("one\r\n", 0, TE_LINE_APPEND, 0), 1);
    EXPECT_EQ(edit.InsertString("two\n", 0, TE_LINE_APPEND, 0), 1);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "one", "two" }));
    // CR alone, CR CR LF as one break, LF CR as two.
    edit.ClearAll();
    edit.InsertString("a\rb\r\r\nc\n\rd", 0, TE_LINE_APPEND, 0);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "a", "b", "c", "", "d" }));
    // Empty texts add nothing; an empty text as its own line with flag 1.
    EXPECT_EQ(edit.InsertString("", 0, TE_LINE_APPEND, 0), 0);
    EXPECT_EQ(edit.InsertText(nullptr, 0, 0, 0, 5), 0);
    EXPECT_EQ(edit.InsertString("", 0, 0, TIF_NEW_LINES), 1);
    EXPECT_EQ(edit.GetLineCount(), 6);
    EXPECT_EQ(Lines(edit)[0], "");
}

TEST_F(TextEditAccess, InsertingRightOfTheLineFillsTheGapWithTabsAndBlanks)
{
    CTextEdit edit(2048, 50000, 0, "AccessTest");
    edit.InsertString("abc", 0, TE_LINE_APPEND, 0);
    EXPECT_EQ(edit.InsertString("X", 10, 0, 0), 0);
    EXPECT_EQ(Lines(edit)[0], "abc\t\t  X");
    EXPECT_EQ(edit.GetLineLength(0), 11);
    // Typing right of the text with the free caret fills the same way; one undo removes it.
    edit.SetCursorPos(14, 0);
    EXPECT_EQ(edit.GetCursorPos().x, 14);
    edit.InsertChar('Y', 1);
    EXPECT_EQ(Lines(edit)[0], "abc\t\t  X\t  Y");
    edit.Undo(-1);
    EXPECT_EQ(Lines(edit)[0], "abc\t\t  X");
}

TEST_F(TextEditAccess, ReadingRangesWordsAndIntoBuffers)
{
    CTextEdit edit(2048, 50000, 0, "AccessTest");
    edit.InsertString("ab\ncd", 0, TE_LINE_APPEND, 0);
    EXPECT_EQ(Range(edit, 1, 0, 1, 1), "b\r\nc");
    EXPECT_EQ(Range(edit, 1, 1, 1, 0), "b\r\nc");   // ends in either order
    EXPECT_EQ(Range(edit, 1, 0, 1, 0), "");
    EXPECT_EQ(Range(edit, 0, 5, 1, 9), "");        // start past the last line
    // The word around a position, and no word at all.
    edit.ClearAll();
    edit.InsertString("say hello_world now", 0, TE_LINE_APPEND, 0);
    EXPECT_EQ(Range(edit, 6, 0, 0, 0, TRF_WORD), "hello_world");
    EXPECT_EQ(Range(edit, 0, 3, 0, 0, TRF_WORD), "<null>");
    EditOptions |= EO_UNDERSCORE_SEPARATES;
    EXPECT_EQ(Range(edit, 6, 0, 0, 0, TRF_WORD), "hello");
    EditOptions &= ~EO_UNDERSCORE_SEPARATES;
    // UTF-16 and UTF-8 out.
    edit.ClearAll();
    edit.InsertString("A\xE4", 0, TE_LINE_APPEND, 0);
    char* wide = nullptr;
    EXPECT_EQ(edit.GetTextRange(&wide, 0, 0, 2, 0, TRF_UTF16), 4);
    EXPECT_EQ(memcmp(wide, "A\0\xE4\0\0\0", 6), 0);
    free(wide);
    EXPECT_EQ(Range(edit, 0, 0, 2, 0, TRF_UTF8), "A\xC3\xA4");
    // The selection into a caller buffer, cut and terminated.
    edit.SetCursorPos(0, 0);
    edit.SetCursorPos(2, 0, MCF_EXTEND);
    char buffer[8];
    memset(buffer, 'z', sizeof(buffer));
    EXPECT_EQ(edit.GetText(buffer, 8, 96), 2);
    EXPECT_STREQ(buffer, "A\xE4");
    EXPECT_EQ(edit.GetText(buffer, 2, 96), 1);
    EXPECT_STREQ(buffer, "A");
    EXPECT_EQ(edit.GetText(buffer, 1, 96), 0);
    EXPECT_STREQ(buffer, "");
    buffer[0] = 'z';
    EXPECT_EQ(edit.GetText(buffer, 0, 96), 0);
    EXPECT_EQ(buffer[0], 'z');
    // Lines outside the text.
    int length = 7;
    EXPECT_EQ(edit.GetLineText(-1, &length), nullptr);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(edit.GetLineText(1, nullptr), nullptr);
    EXPECT_EQ(edit.GetLineLength(5), 0);
    EXPECT_EQ(edit.GetLine(5)->length, 0);
}

// Text put in on a line past the text, or as new lines, starts at the column asked for
// behind TABs and blanks, its later lines at column 0; a paste with the caret below the text
// keeps the caret's column the same way.
TEST_F(TextEditAccess, InsertingBelowTheTextKeepsTheColumn)
{
    struct Case
    {
        const char* text;
        int column, line, flags;
        bool paste;   // through the clipboard, the caret at (column, line)
        std::vector<std::string> after;
    };
    const Case cases[] = {
        { "X", 6, 1, 0, false, { "abc", "\t  X" } },
        { "X\nY", 6, 1, 0, false, { "abc", "\t  X", "Y" } },
        { "X", 6, 0, TIF_NEW_LINES, false, { "\t  X", "abc" } },
        { "X", 0, 1, 0, false, { "abc", "X" } },
        { "X", 4, 5, 0, false, { "abc", "\tX" } },
        { "X", 6, 1, 0, true, { "abc", "\t  X" } },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.text) + " at " + std::to_string(c.column) + "," + std::to_string(c.line));
        CTextEdit edit(2048, 50000, 0, "AccessTest");
        edit.AppendText("abc");
        if (c.paste)
        {
            ASSERT_TRUE(ClipboardSetText(c.text));
            // The free caret goes below the text from a line of it, keeping its column.
            edit.SetCursorPos(c.column, c.line - 1);
            edit.MoveCursor(0, 1, MCF_RELATIVE);
            ASSERT_EQ(edit.GetCaretPos().y, c.line);
            ASSERT_EQ(edit.GetCaretPos().x, c.column);
            EXPECT_EQ(edit.Paste(-1), 1);
        }
        else
        {
            edit.InsertString(c.text, c.column, c.line, c.flags);
        }
        const std::vector<std::string> lines = Lines(edit);
        EXPECT_EQ(lines, c.after);
        // The X stands at the column asked for.
        for (const std::string& l : lines)
        {
            if (l.find('X') != std::string::npos)
            {
                EXPECT_EQ(RefColumn(l, l.find('X')), c.column);
            }
        }
    }
}

// A range whose end lies on a line past the text runs to the position after the last line:
// the last line comes with its line break, once however far the end lies. The same text read
// from the lines joined with their breaks here. A selection over such a range deleted and
// undone gives the lines back exactly.
TEST_F(TextEditAccess, RangesPastTheTextEndWithTheLastLineBreak)
{
    const std::vector<std::string> lines = { "ab", "cd" };
    std::string whole;
    std::vector<size_t> starts;
    for (const std::string& l : lines)
        starts.push_back(whole.size()), whole += l + "\r\n";
    auto offset = [&](int column, int line) {
        if (line >= static_cast<int>(lines.size()))
            return whole.size();
        return starts[static_cast<size_t>(line)] + std::min(static_cast<size_t>(column), lines[static_cast<size_t>(line)].size());
    };
    const struct
    {
        int c1, l1, c2, l2;
    } cases[] = { { 1, 0, 1, 1 }, { 1, 0, 0, 2 }, { 1, 0, 3, 9 }, { 0, 0, 0, 2 }, { 0, 1, 5, 1000 }, { 2, 1, 0, 2 } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.c1) + "," + std::to_string(c.l1) + " to " + std::to_string(c.c2) + "," +
                     std::to_string(c.l2));
        CTextEdit edit(2048, 50000, 0, "AccessTest");
        edit.AppendText("ab\ncd");
        const size_t from = offset(c.c1, c.l1);
        EXPECT_EQ(Range(edit, c.c1, c.l1, c.c2, c.l2), whole.substr(from, offset(c.c2, c.l2) - from));
        edit.ClearUndo();
        edit.SetCursorPos(c.c1, c.l1);
        edit.SetCursorPos(c.c2, c.l2, MCF_EXTEND);
        edit.DeleteSelection(0);   // the break after the last line alone is no text to delete
        edit.Undo(-1);
        EXPECT_EQ(Lines(edit), lines);
    }
}

TEST_F(TextEditAccess, DeleteTextRangesAndRefusals)
{
    CTextEdit edit(2048, 50000, 0, "AccessTest");
    edit.InsertString("0123\nabcd\nWXYZ", 0, TE_LINE_APPEND, 0);
    EXPECT_EQ(edit.DeleteText(2, 1, 2, 1, 0), 0);       // equal ends
    EXPECT_EQ(edit.DeleteText(0, 3, 2, 9, 0), 0);       // start past the last line
    EXPECT_EQ(edit.DeleteText(1, 1, 3, 1, 0), 1);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "0123", "ad", "WXYZ" }));
    EXPECT_EQ(edit.DeleteText(2, 2, 2, 0, 0), 1);       // ends in either order
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "01YZ" }));
    // From a column to past the end: the rest of the text from there.
    edit.ClearAll();
    edit.InsertString("keep this\nand\nmore", 0, TE_LINE_APPEND, 0);
    EXPECT_EQ(edit.DeleteText(4, 0, 0, TE_LINE_ALL, 0), 1);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "keep" }));
    // Read-only does not block filling and clearing from code.
    edit.SetEditable(0);
    EXPECT_EQ(edit.InsertString("x", 0, TE_LINE_APPEND, 0), 1);
    EXPECT_EQ(edit.DeleteText(0, 0, 0, TE_LINE_ALL, 0), 1);
    EXPECT_EQ(edit.GetLineCount(), 0);
}

// A refilled pane: clearing and appending work for any line count, and the caret reset after
// the refill leaves no selection behind.
TEST_F(TextEditAccess, RefillClearsEverythingAndLeavesNoSelection)
{
    CMarkTextView pane(2048, 50000, 0, "Text");
    pane.SetEditable(0);
    for (int i = 0; i < 1500; ++i)
    {
        char line[32];
        snprintf(line, sizeof(line), "Zeile %d", i);
        pane.InsertString(line, 0, TE_LINE_APPEND, 0);
    }
    ASSERT_EQ(pane.GetLineCount(), 1500);
    EXPECT_STREQ(pane.GetLineText(1499, nullptr), "Zeile 1499");
    // The old line-1000 form lands inside a text this long; the named forms do not.
    pane.InsertString("mitten", 0, 1000, 0);
    EXPECT_STREQ(pane.GetLineText(1000, nullptr), "mittenZeile 1000");
    pane.SetCursorPos(3, 1200);
    pane.SetCursorPos(2, 1400, MCF_EXTEND);
    EXPECT_EQ(pane.HasSelection(), 2);
    EXPECT_EQ(pane.ClearText(), 1);
    EXPECT_EQ(pane.GetLineCount(), 0);
    EXPECT_EQ(pane.HasSelection(), 0);
    pane.AppendText("neu\nzwei");
    pane.SetCursorPos(0, 0);
    EXPECT_EQ(pane.HasSelection(), 0);
    char buffer[256];
    EXPECT_EQ(pane.GetText(buffer, sizeof(buffer), 96), 0);
    EXPECT_EQ(Lines(pane), (std::vector<std::string>{ "neu", "zwei" }));
    // Up to 1000 lines the older forms still clear and append; one line leaves no empty line.
    EXPECT_EQ(pane.DeleteText(0, 0, 0, 1000, 0), 1);
    EXPECT_EQ(pane.GetLineCount(), 0);
    pane.InsertString("eins", 0, 1000, 0);
    EXPECT_EQ(pane.DeleteText(0, 0, 0, 1000, 0), 1);
    EXPECT_EQ(pane.GetLineCount(), 0);
    // A selection whose anchor lines vanish ends with them.
    pane.AppendText("a\nb\nc\nd");
    pane.SetCursorPos(1, 3);
    pane.SetCursorPos(0, 1, MCF_EXTEND);
    EXPECT_EQ(pane.DeleteText(0, 2, 1, 3, 0), 1);
    EXPECT_EQ(pane.HasSelection(), 0);
}

TEST_F(TextEditAccess, OverlongTextIsWrappedNeverDropped)
{
    CTextEdit edit(16, 50000, 0, "AccessTest");
    edit.InsertString("0123456789", 0, TE_LINE_APPEND, 0);
    edit.InsertString("abcdefghij", 10, 0, 0);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "0123456789abcdef", "ghij" }));
    // The cut backs off to a blank in the last quarter of the line.
    edit.ClearAll();
    edit.InsertString("word word word word word", 0, TE_LINE_APPEND, 0);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "word word word ", "word word" }));
    // A 10,000-byte line in a pane of 2048: five lines, every byte kept.
    CTextEdit wide(2048, 50000, 0, "AccessTest");
    std::string big;
    for (int i = 0; i < 10000; ++i)
        big += static_cast<char>('a' + i % 26);
    wide.InsertString(big.c_str(), 0, TE_LINE_APPEND, 0);
    std::string joined;
    for (const std::string& line : Lines(wide))
    {
        EXPECT_LE(line.size(), 2048u);
        joined += line;
    }
    EXPECT_EQ(wide.GetLineCount(), 5);
    EXPECT_EQ(joined, big);
    // Typing into a full line beeps.
    wide.SetCursorPos(0, 0);
    int beeps = g_beeps;
    EXPECT_EQ(wide.InsertChar('x', 1), 0);
    EXPECT_EQ(g_beeps, beeps + 1);
}

TEST_F(TextEditAccess, BadInputIsDecodedOrClampedWithoutHarm)
{
    CTextEdit edit(2048, 50000, 0, "AccessTest");
    // UTF-8: a valid two-byte sequence, a code point above 255, a lone lead byte and a stray
    // continuation byte (kept as they are).
    const char utf8[] = "\xC3\xA4|\xE2\x82\xAC|\xC3|\x80";
    edit.InsertText(utf8, 0, TE_LINE_APPEND, TIF_UTF8, static_cast<int>(sizeof(utf8) - 1));
    EXPECT_EQ(Lines(edit)[0], std::string("\xE4|\xFF|\xC3|\x80"));
    // UTF-16: a surrogate pair is one character (255), a lone surrogate too, an odd last
    // byte is dropped.
    const char utf16[] = { 'A', 0, 0x3D, static_cast<char>(0xD8), 0x00, static_cast<char>(0xDE), 0x00,
                           static_cast<char>(0xDC), 'B', 0, '\n', 0, 'C', 0, 'x' };
    edit.InsertText(utf16, 0, TE_LINE_APPEND, TIF_UTF16, static_cast<int>(sizeof(utf16)));
    EXPECT_EQ(Lines(edit)[1], std::string("A\xFF\xFF" "B"));
    EXPECT_EQ(Lines(edit)[2], "C");
    // NULs inside a text with a length stay part of the line.
    edit.InsertText("a\0b", 0, TE_LINE_APPEND, 0, 3);
    EXPECT_EQ(edit.GetLine(3)->length, 3);
    EXPECT_EQ(Range(edit, 0, 3, 3, 3), std::string("a\0b", 3));
    // Positions out of range: negative line and column insert at the start.
    edit.InsertString("S", -5, -7, 0);
    EXPECT_EQ(Lines(edit)[0][0], 'S');
    // A caret far beyond the text is clamped onto the line after the last.
    edit.SetCursorPos(500, 90000);
    EXPECT_EQ(edit.GetCursorPos().y, edit.GetLineCount());
    EXPECT_EQ(edit.GetCursorPos().x, 0);
    // SetLineText: null text and negative lengths are refused; a line past the end appends.
    EXPECT_EQ(edit.SetLineText(nullptr, 0, 3, 0), -1);
    EXPECT_EQ(edit.SetLineText("x", 0, -1, 0), -1);
    int at = edit.SetLineText("neu", 99, 3, 0);
    EXPECT_EQ(at, edit.GetLineCount() - 1);
    EXPECT_STREQ(edit.GetLineText(at, nullptr), "neu");
}

// 2048 TABs of width 32 are 65,536 columns: more than 16 bits hold.
TEST_F(TextEditAccess, WideLinesKeepTheirFullWidth)
{
    TabWidth = 32;
    CTextEdit edit(2048, 50000, 0, "AccessTest");
    std::string tabs(2048, '\t');
    edit.InsertString(tabs.c_str(), 0, TE_LINE_APPEND, 0);
    EXPECT_EQ(edit.GetLineLength(0), 65536);
    edit.SetCursorPos(65536, 0);
    EXPECT_EQ(edit.GetCursorPos().x, 65536);
    EXPECT_EQ(edit.GetLine(0)->indent, 65536);
}

// InsertAtCaret journals its insertion on its own (kind 1), with or without a selection to
// replace: one undo takes the new text out, a replaced selection comes back with the next.
// Line-wise, a text whose first line ends in a break replaces the selection and goes in as
// whole lines; a paste of the same text from the clipboard gives the same lines.
TEST_F(TextEditAccess, InsertAtCaretIsAnUndoStepOfItsOwn)
{
    struct Case
    {
        uint32_t options;
        const char* text;
        POINT anchor, caret;
        std::vector<std::string> after;
        std::vector<std::string> afterOneUndo;
    };
    const Case cases[] = {
        { 0, "XY", { 2, 0 }, { 2, 0 }, { "abXYcd", "efgh" }, { "abcd", "efgh" } },
        { 0, "XY", { 1, 0 }, { 3, 0 }, { "aXYd", "efgh" }, { "ad", "efgh" } },
        { 0, "XY", { 1, 0 }, { 2, 1 }, { "aXYgh" }, { "agh" } },
        { EO_LINEWISE, "XY\r\n", { 1, 0 }, { 3, 0 }, { "XY", "ad", "efgh" }, { "ad", "efgh" } },
        { EO_LINEWISE, "XY\r\n", { 3, 1 }, { 1, 1 }, { "abcd", "XY", "eh" }, { "abcd", "eh" } },
        { EO_LINEWISE, "XY\n", { 2, 1 }, { 2, 1 }, { "abcd", "XY", "efgh" }, { "abcd", "efgh" } },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.after[0] + " " + std::to_string(c.options));
        EditOptions = (0x1849 & ~EO_LINEWISE) | c.options;
        CTextEdit edit(2048, 50000, 0, "AccessTest");
        edit.AppendText("abcd\nefgh");
        edit.ClearUndo();
        edit.SetCursorPos(c.anchor.x, c.anchor.y);
        edit.SetCursorPos(c.caret.x, c.caret.y, MCF_EXTEND);
        EXPECT_EQ(edit.InsertAtCaret(c.text, 0), 1);
        EXPECT_EQ(Lines(edit), c.after);
        ASSERT_NE(edit.Journal().Newest(), nullptr);
        EXPECT_EQ(edit.Journal().Newest()->kind, UK_REMOVE);
        edit.Undo(-1);
        EXPECT_EQ(Lines(edit), c.afterOneUndo);
        edit.Undo(-1);
        EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "abcd", "efgh" }));

        CTextEdit pasted(2048, 50000, 0, "AccessTest");
        pasted.AppendText("abcd\nefgh");
        pasted.SetCursorPos(c.anchor.x, c.anchor.y);
        pasted.SetCursorPos(c.caret.x, c.caret.y, MCF_EXTEND);
        ASSERT_TRUE(ClipboardSetText(c.text));
        EXPECT_EQ(pasted.Paste(-1), 1);
        EXPECT_EQ(Lines(pasted), c.after);
    }
}

// What the text access calls leave behind: the caret follows its text down, flag 2 puts it
// where the inserted text starts, a clamping move ends a selection, the modified byte keeps
// the caller's value, and a selection that may not go takes no text.
TEST_F(TextEditAccess, CallsLeaveCaretSelectionAndStateAsAsked)
{
    struct Case
    {
        const char* name;
        int readOnly;
        POINT anchor, caret;
        int (*act)(CTextEdit&);
        int result;
        POINT caretAfter;
        int selectionAfter;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        { "lines in at column 0 of the caret line", 0, { 1, 0 }, { 1, 0 },
          [](CTextEdit& e) { return e.InsertString("X\nY", 0, 0, 0); }, 1, { 1, 1 }, 0, { "X", "Yab", "cd" } },
        { "whole lines before the caret line", 0, { 1, 1 }, { 1, 1 },
          [](CTextEdit& e) { return e.InsertString("X\n", 0, 1, TIF_NEW_LINES); }, 1, { 1, 2 }, 0,
          { "ab", "X", "cd" } },
        { "lines in behind column 0 stay below", 0, { 0, 0 }, { 0, 0 },
          [](CTextEdit& e) { return e.InsertString("X\nY", 1, 0, 0); }, 1, { 0, 0 }, 0, { "aX", "Yb", "cd" } },
        { "flag 2 right of the line end", 0, { 0, 1 }, { 0, 1 },
          [](CTextEdit& e) { return e.InsertString("X", 10, 0, TIF_CARET_START); }, 0, { 10, 0 }, 0,
          { "ab\t\t  X", "cd" } },
        { "flag 2 clamps and ends the selection", 0, { 0, 1 }, { 2, 1 },
          [](CTextEdit& e) { return e.DeleteText(0, 0, 1, 0, 2); }, 1, { 2, 1 }, 0, { "b", "cd" } },
        { "flag 4 too", 0, { 0, 1 }, { 2, 1 },
          [](CTextEdit& e) { return e.DeleteText(0, 0, 1, 0, 4); }, 1, { 2, 1 }, 0, { "b", "cd" } },
        { "modified keeps the value", 0, { 0, 0 }, { 0, 0 },
          [](CTextEdit& e) { return e.SetModified(5), e.SetModified(0); }, 5, { 0, 0 }, 0, { "ab", "cd" } },
        { "read-only selection takes no text", 1, { 0, 0 }, { 1, 0 },
          [](CTextEdit& e) { return e.InsertAtCaret("X", 0); }, 0, { 1, 0 }, 1, { "ab", "cd" } },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CTextEdit edit(2048, 50000, 0, "AccessTest");
        edit.AppendText("ab\ncd");
        edit.SetEditable(!c.readOnly);
        edit.SetCursorPos(c.anchor.x, c.anchor.y);
        edit.SetCursorPos(c.caret.x, c.caret.y, MCF_EXTEND);
        EXPECT_EQ(c.act(edit), c.result);
        EXPECT_EQ(edit.GetCursorPos().x, c.caretAfter.x);
        EXPECT_EQ(edit.GetCursorPos().y, c.caretAfter.y);
        EXPECT_EQ(edit.HasSelection(), c.selectionAfter);
        EXPECT_EQ(Lines(edit), c.lines);
    }
}
