// The smaller members of the editor's interface: the dialogs' class search and subclassing,
// escapes, the cell-size query, wide marks, far-off columns with the free caret, the word
// command's click memory, margin width, caret mode key, word runs and the journal helpers.
#include "tests/editor/EditorTestSupport.h"
#include "tests/support/PlainPainter.h"

#include "textlib/CharClass.h"
#include "uihelpers/ClipboardText.h"
#include "uihelpers/ControlSubclass.h"

#include <algorithm>
#include <ctype.h>
#include <stdlib.h>

using namespace edittest;

namespace {

class TextEditInterface : public EditorTest
{
};

// The same search done with the C library's classes: the first digit or letter, stopping
// at a NUL.
int FirstAlnum(const char* text, int length)
{
    for (int i = 0; i < length && text[i]; ++i)
        if (isalnum(static_cast<unsigned char>(text[i])))
            return i;
    return -1;
}

}  // namespace

TEST_F(TextEditInterface, ClassSearchEscapesAndControlSubclassing)
{
    const char* samples[] = { "  ab1", "--;;x", "", "   ", "#9", "!!!" };
    for (const char* s : samples)
    {
        int n = static_cast<int>(strlen(s));
        EXPECT_EQ(FindClassChar(s, CCM_ALNUM, n), FirstAlnum(s, n)) << s;
        // A length past the text meets the NUL: nothing behind it is found.
        EXPECT_EQ(FindClassChar(s, CCM_ALNUM, n + 4), FirstAlnum(s, n)) << s;
    }
    // The length bounds the search.
    EXPECT_EQ(FindClassChar("   x", CCM_ALNUM, 3), -1);
    EXPECT_EQ(FindClassChar("a\0b", CCM_LINEEND, 3), -1);
    EXPECT_EQ(FindClassChar(nullptr, CCM_ALNUM, 3), -1);
    EXPECT_EQ(FindClassChar("ab\r\n", CCM_LINEEND, 4), 2);

    // Escapes read as the C compiler reads them.
    struct Escape
    {
        const char* text;
        int value;
        int length;
    } escapes[] = { { "\\n", '\n', 2 }, { "\\x41z", 0x41, 4 }, { "\\101", 0101, 4 }, { "\\\\", '\\', 2 }, { "q", 'q', 1 } };
    for (const Escape& e : escapes)
    {
        int length = -1;
        EXPECT_EQ(CTextEdit::DecodeEscape(e.text, &length), e.value) << e.text;
        EXPECT_EQ(length, e.length) << e.text;
    }

    // A control of a window subclassed by its id: the library's chained procedure stands in
    // front of the class's, keeps it in "CeData" and passes on what it does not handle.
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    HWND child = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWN, 0, 0, 50, 80, parent,
                                 reinterpret_cast<HMENU>(1234), nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    const LONG_PTR classProc = GetWindowLongPtrA(child, GWLP_WNDPROC);
    EXPECT_EQ(SubclassDlgItem(parent, 999, CeComboProc), 0);
    EXPECT_EQ(SubclassDlgItem(nullptr, 1234, CeComboProc), 0);
    EXPECT_EQ(SubclassDlgItem(parent, 1234, nullptr), 0);
    EXPECT_EQ(GetWindowLongPtrA(child, GWLP_WNDPROC), classProc);
    ASSERT_EQ(SubclassDlgItem(parent, 1234, CeComboProc), 1);
    EXPECT_EQ(GetWindowLongPtrA(child, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(CeComboProc));
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(GetPropA(child, "CeData")), classProc);
    EXPECT_EQ(SendMessageA(child, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("eins")), 0);
    EXPECT_EQ(SendMessageA(child, CB_GETCOUNT, 0, 0), 1);
    DestroyWindow(parent);
}

TEST_F(TextEditInterface, CellSizeQueryAndTheLineTextFunction)
{
    CTextEdit edit(2048, 50000, 0, "Iface");
    POINT cell = edit.GetCellSize();
    LRESULT answer = edit.WindowProc(WM_TEXTEDIT_QUERY, 20, 0);
    EXPECT_EQ(static_cast<int>(answer & 0xFFFF), cell.x);
    EXPECT_EQ(static_cast<int>((static_cast<uint32_t>(answer) >> 16) & 0xFFFF), cell.y);
    EXPECT_EQ(cell.x, edit.Layout().CharWidth());
    EXPECT_EQ(cell.y, edit.Layout().LineHeight());

    edit.AppendText("eins\nzwei\n");
    int length = -1;
    const char* text = GetLineText(&edit, 1, &length);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text, static_cast<size_t>(length)), "zwei");
    length = -1;
    EXPECT_EQ(GetLineText(&edit, 2, &length), nullptr);
    EXPECT_EQ(length, 0);
    length = -1;
    EXPECT_EQ(GetLineText(nullptr, 0, &length), nullptr);
    EXPECT_EQ(length, 0);
}

TEST_F(TextEditInterface, MarksKeepOffsetsAndLinesPast16Bits)
{
    CMarkTextView pane(2048, 100000, 0, "Iface");
    pane.SetMarkLimit(0x30000);
    // A 128 KB buffer: bytes past 64 KB keep their own offset, not 0xFFFF.
    pane.AddMark(0x1ABCD, 0x12345, 70000, 4, 9);
    pane.AddMark(0x30000, 1, 0, 0, 1);   // at the limit: not kept
    ASSERT_EQ(pane.GetMarkCount(), 1);
    const MarkRange* m = pane.GetMark(0);
    EXPECT_EQ(m->byteOffset, 0x1ABCDu);
    EXPECT_EQ(m->byteLength, 0x12345u);
    EXPECT_EQ(m->line, 70000u);
    EXPECT_EQ(pane.FindMark(4, 70000), m);
    EXPECT_EQ(pane.FindMark(4, 70000 - 65536), nullptr);
    EXPECT_EQ(pane.ChooseMarkAt(8, 70000), 0x12345u);
    uint32_t offset = 0;
    EXPECT_EQ(pane.GetChosenMark(&offset), 0x12345u);
    EXPECT_EQ(offset, 0x1ABCDu);
    // A range reaching past the end of the offset space is cut there, not wrapped to 0.
    pane.SetMarkLimit(0xFFFFFFFFu);
    pane.AddMark(0xFFFFFFF0u, 0x100, 1, 0, 0xFFFF);
    ASSERT_EQ(pane.GetMarkCount(), 2);
    EXPECT_EQ(pane.GetMark(1)->byteLength, 0xFu);
}

TEST_F(TextEditInterface, FarColumnsAreClampedAndTheFreeCaretKeepsItsColumnBelowTheText)
{
    CTextEdit edit(64, 1000, 0, "Iface");
    edit.AppendText("abc\n");
    // Inserting at an absurd column fills no more than a line can hold, and nothing is lost.
    ASSERT_GE(edit.InsertText("x", 0x7FFFFFF0, 0, 0, 1), 0);
    std::vector<std::string> lines = Lines(edit);
    std::string all;
    for (const std::string& l : lines)
    {
        EXPECT_LE(l.size(), 64u);
        all += l;
    }
    EXPECT_EQ(all.substr(0, 3), "abc");
    EXPECT_EQ(all.back(), 'x');
    // At most a line's worth of TABs, the blanks up to the next stop, and the text.
    EXPECT_LE(all.size(), 3u + 64u + static_cast<size_t>(TabWidth) + 1u);

    CTextEdit free(64, 1000, 0, "Iface");
    EditOptions |= EO_FREE_CARET;
    free.AppendText("abc\n");
    free.SetCursorPos(1000000000, 0);
    EXPECT_LE(free.Layout().CaretColumn(), 64);
    EXPECT_GT(free.Layout().CaretColumn(), 3);
    free.SetCursorPos(10, 0);
    // Down from the text onto the place after the last line: the column stays.
    free.MoveCursor(0, 1, MCF_RELATIVE);
    EXPECT_EQ(free.Layout().CaretLine(), 1);
    EXPECT_EQ(free.Layout().CaretColumn(), 10);
    ASSERT_EQ(free.InsertChar('x', 1), 1);
    lines = Lines(free);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(RefColumn(lines[1], lines[1].size() - 1), 10);
    EXPECT_EQ(lines[1].back(), 'x');
    EXPECT_EQ(free.Layout().CaretColumn(), 11);
    // One undo takes the typed character and the opened line back together.
    while (free.Undo(-1) > 0)
    {
    }
    EXPECT_EQ(Lines(free), std::vector<std::string>{ "abc" });
}

TEST_F(TextEditInterface, SelectWordCommandLeavesNoTripleClickBehind)
{
    CTextEdit edit(2048, 50000, 0, "Iface");
    edit.AppendText("eins zwei drei\n");
    edit.SetCursorPos(6, 0);
    edit.OnSelectWord();
    char buffer[32];
    EXPECT_EQ(edit.GetText(buffer, sizeof(buffer), TRF_SELECTION), 4);
    EXPECT_STREQ(buffer, "zwei");
    // A click on the same cell right after the command is an ordinary click.
    g_tick += 10;
    EXPECT_EQ(edit.PreLButtonDown(MK_LBUTTON | MK_SHIFT, 0, 0, 6, 0), 0);
    // After a real double click it is the third click of a triple click.
    EXPECT_EQ(edit.PreLButtonDblClk(MK_LBUTTON, 0, 0, 6, 0), 1);
    g_tick += 10;
    EXPECT_EQ(edit.PreLButtonDown(MK_LBUTTON | MK_SHIFT, 0, 0, 6, 0), 1);
    EXPECT_EQ(edit.GetText(buffer, sizeof(buffer), TRF_SELECTION), 14);
}

TEST_F(TextEditInterface, MissingSettingsKeyLeavesTheWordStopsAsTheyWere)
{
    CTextEdit edit(2048, 50000, 0, "GanzNeu");
    // No key for the view: the default stops stand, whatever the running options say.
    EXPECT_EQ(edit.GetWordStopMask(), 0x318F9Cu);
    EditOptions |= 0x8000;
    EXPECT_EQ(edit.LoadSettings("AuchNicht"), 0);
    EXPECT_EQ(edit.GetWordStopMask(), 0x318F9Cu);
}

TEST_F(TextEditInterface, MarginWidthCaretModeWordRunsAndSelectAll)
{
    CTextEdit edit(2048, 50000, 0, "Iface");
    EditOptions |= EO_LINE_NUMBERS;
    EXPECT_EQ(edit.SetLineNumberWidth(0), 32);
    EXPECT_EQ(edit.Layout().MarginWidth(), 1);
    EXPECT_EQ(edit.SetLineNumberWidth(300), 1);
    EXPECT_EQ(edit.Layout().MarginWidth(), 256);
    EditOptions &= ~EO_LINE_NUMBERS;
    EXPECT_EQ(edit.SetLineNumberWidth(40), 256);
    EXPECT_EQ(edit.Layout().MarginWidth(), 256);   // not shown: the margin stays as it is

    // Insert flips insert and overwrite, and keeps the caret shown.
    uint32_t mode = edit.Layout().CaretMode();
    EXPECT_EQ(edit.OnKey(VK_INSERT, 0), 1);
    EXPECT_EQ(edit.Layout().CaretMode(), (mode ^ 1u) | 2u);
    EXPECT_EQ(edit.OnKey(VK_INSERT, 0), 1);
    EXPECT_EQ(edit.Layout().CaretMode() & 1u, mode & 1u);

    edit.AppendText("foo_bar+-*x\n");
    const char* text = edit.GetLineText(0, nullptr);
    // Word runs around index 5 ("a" of "bar"): to the right "ar", to the left "foo_b".
    EXPECT_EQ(edit.GetWordAt(5, 0, 0), 2 | (5 << 16));
    EditOptions |= EO_UNDERSCORE_SEPARATES;
    EXPECT_EQ(edit.GetWordAt(5, 0, 0), 2 | (1 << 16));
    EditOptions &= ~EO_UNDERSCORE_SEPARATES;
    int end = -1;
    EXPECT_EQ(edit.PunctRun(7, text, 11, 0, &end), 3);
    EXPECT_EQ(end, 10);
    EXPECT_EQ(edit.PunctRun(10, text, 11, 1, &end), 3);
    EXPECT_EQ(end, 7);
    EXPECT_EQ(edit.WordRun(12, text, 11, 0, nullptr), 0);   // out of range
    // The word goes to the clipboard as text.
    edit.GetWordAt(1, 0, 1);
    int length = 0;
    char* clip = ClipboardGetText(&length);
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(std::string(clip, static_cast<size_t>(length)), "foo_bar");
    free(clip);

    edit.AppendText("zweite\n");
    edit.SelectAll();
    char buffer[64];
    int n = edit.GetText(buffer, sizeof(buffer), TRF_SELECTION);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(n)), "foo_bar+-*x\r\nzweite\r\n");
    EXPECT_EQ(edit.HasSelection(), 2);
}

TEST_F(TextEditInterface, JournalHelpersRecordLineRanges)
{
    CTextEdit edit(2048, 50000, 0, "Iface");
    edit.AppendText("a\nb\nc\n");
    EXPECT_EQ(edit.JournalLineRange(2, 2), 0);
    EXPECT_EQ(edit.JournalLineRange(9, 1), 2);   // ordered and clamped to the line count
    UndoEntry* e = edit.Journal().Newest();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->kind, UK_REMOVE | UK_GROUP);
    EXPECT_EQ(e->startLine, 1);
    EXPECT_EQ(e->endLine, 3);
    EXPECT_EQ(e->text, nullptr);
    EXPECT_EQ(edit.JournalLines(0, 2), 2);
    e = edit.Journal().Newest();
    EXPECT_EQ(e->kind, UK_INSERT | UK_GROUP);
    EXPECT_EQ(std::string(e->text, static_cast<size_t>(e->textLength)), "a\r\nb\r\n");
    edit.SetEditable(0);
    EXPECT_EQ(edit.JournalLines(0, 2), 0);
    EXPECT_EQ(edit.JournalLineRange(0, 2), 0);
}

namespace {

struct MarginCall
{
    int calls = 0;
    int line = -1;
    int iconSize = 0;
    int result = 0;
};

int RecordMargin(CTextEdit*, void* context, int line, HICON* icon, int iconSize, int* width)
{
    MarginCall* call = static_cast<MarginCall*>(context);
    ++call->calls;
    call->line = line;
    call->iconSize = iconSize;
    *icon = nullptr;
    *width = 0;
    return call->result;
}

// The columns of a drawn margin that hold text pixels (grey on light grey): first and last.
void TextExtent(CTextEdit& edit, int width, int height, int* first, int* last)
{
    plainpaint::Surface surface(width, height, 0);
    CDC dc;
    dc.Attach(surface.Dc());
    RECT rect = { 0, 0, width, height };
    edit.PrintMargin(&dc, rect, 41);
    dc.Detach();
    *first = width;
    *last = -1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (surface.Pixel(x, y) != 0xC0C0C0)
            {
                *first = std::min(*first, x);
                *last = std::max(*last, x);
            }
}

}  // namespace

TEST_F(TextEditInterface, MarginHookPlacesTheNumber)
{
    CTextEdit edit(2048, 50000, 0, "Iface");
    const int width = 80;
    const int height = 20;
    int first = 0, last = 0;
    TextExtent(edit, width, height, &first, &last);
    // Without a hook: right-aligned, 4 pixels from the right edge.
    ASSERT_LT(first, last);
    EXPECT_LE(last, width - 4);
    EXPECT_GT(first, width / 2);
    const int numberWidth = last - first;

    MarginCall call;
    call.result = 0x10000 | 10;
    EXPECT_EQ(edit.SetHook(TEH_MARGIN, TextEditMarginHookAsHook(RecordMargin), &call), nullptr);
    TextExtent(edit, width, height, &first, &last);
    EXPECT_EQ(call.calls, 1);
    EXPECT_EQ(call.line, 41);
    EXPECT_EQ(call.iconSize, 64);
    // Bit 16: left-aligned after 4 + 10 pixels.
    EXPECT_GE(first, 14);
    EXPECT_LT(first, 14 + 4);
    EXPECT_EQ(last - first, numberWidth);

    call.result = 20;
    TextExtent(edit, width, height, &first, &last);
    // Without it: right-aligned, the hook's pixels and 4 more kept free on the right.
    EXPECT_LE(last, width - 24);
    EXPECT_GT(last, width - 24 - 4);
    EXPECT_EQ(last - first, numberWidth);
}

namespace {

class CRecordingCmdUI : public CCmdUI
{
public:
    int enabled = -1;
    void Enable(BOOL on) override { enabled = on ? 1 : 0; }
};

int UpdateState(CTextEdit& edit, UINT id)
{
    CRecordingCmdUI ui;
    ui.m_nID = id;
    EXPECT_TRUE(edit.OnCmdMsg(id, CN_UPDATE_COMMAND_UI, &ui, nullptr));
    return ui.enabled;
}

}  // namespace

TEST_F(TextEditInterface, UndoAndRedoCommandsFollowTheJournal)
{
    CTextEdit edit(2048, 50000, 0, "Iface");
    edit.AppendText("abc\n");
    EXPECT_EQ(UpdateState(edit, ID_EDIT_UNDO), 0);
    EXPECT_EQ(UpdateState(edit, ID_TEXTEDIT_REDO), 0);
    edit.SetCursorPos(3, 0);
    ASSERT_EQ(edit.InsertChar('d', 1), 1);
    EXPECT_EQ(UpdateState(edit, ID_EDIT_UNDO), 1);
    EXPECT_EQ(UpdateState(edit, ID_TEXTEDIT_REDO), 0);
    EXPECT_EQ(edit.Undo(-1), 1);
    EXPECT_EQ(UpdateState(edit, ID_EDIT_UNDO), 0);
    EXPECT_EQ(UpdateState(edit, ID_TEXTEDIT_REDO), 1);
    // The journal alone decides: a read-only editor still offers redo, which then changes
    // nothing.
    edit.SetEditable(0);
    EXPECT_EQ(UpdateState(edit, ID_TEXTEDIT_REDO), 1);
    EXPECT_EQ(UpdateState(edit, ID_EDIT_UNDO), 0);
    EXPECT_EQ(edit.Undo(1), 0);
    EXPECT_EQ(Lines(edit), std::vector<std::string>{ "abc" });
}

// Double click and the select-word command on one cell: a cell at the line's end right after
// a word or punctuation still takes it; only a cell right of the end, blanks, or an empty
// line take nothing.
TEST_F(TextEditInterface, DoubleClickAndSelectWordAtTheLineEnd)
{
    struct Case
    {
        const char* line;
        int column;
        const char* selected;   // null: not handled, nothing selected
    };
    const Case cases[] = {
        { "eins zwei", 6, "zwei" },   // inside the word
        { "eins zwei", 9, "zwei" },   // at the end, right after it
        { "eins zwei", 10, nullptr }, // right of the end
        { "a;;", 3, ";;" },           // punctuation ending the line
        { "ab  ", 4, nullptr },       // blanks ending the line
        { "x\tyz", 6, "yz" },         // the end column counts the TAB's width
        { "", 0, nullptr },
    };
    for (const Case& c : cases)
    {
        for (int command = 0; command < 2; ++command)
        {
            SCOPED_TRACE(std::string(c.line) + " @" + std::to_string(c.column) + (command ? " command" : " click"));
            CTextEdit edit(2048, 50000, 0, "Iface");
            edit.AppendText((std::string(c.line) + "\nnext").c_str());
            ASSERT_EQ(Lines(edit)[0], c.line);
            if (command)
            {
                edit.SetCursorPos(c.column, 0);
                ASSERT_EQ(edit.GetCaretPos().x, c.column);
                // Windowless the command goes straight to the window procedure.
                edit.WindowProc(WM_COMMAND, ID_TEXTEDIT_SELECT_WORD, 0);
            }
            else
            {
                EXPECT_EQ(edit.PreLButtonDblClk(MK_LBUTTON, 0, 0, c.column, 0), c.selected ? 1 : 0);
            }
            char buffer[32] = "";
            int length = edit.GetText(buffer, sizeof(buffer), TRF_SELECTION);
            EXPECT_STREQ(buffer, c.selected ? c.selected : "");
            EXPECT_EQ(length, c.selected ? static_cast<int>(strlen(c.selected)) : 0);
            EXPECT_EQ(edit.HasSelection(), c.selected ? 1 : 0);
        }
    }
}
