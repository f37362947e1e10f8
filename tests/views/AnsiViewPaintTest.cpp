// The text view base's painting and its small message answers: which lines, columns and
// counts a paint asks the derived view for under the caret bits of the repaint word, the
// line drawer's UTF-8 cells, marks and default tab width, the size-box corner, the default
// line text, and the dialog code, colours command and query codes of the window.
#include "views/AnsiView.h"

#include "tests/views/ViewWindowSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace viewtest;

namespace {

using AnsiViewPaint = ViewWindowTest;

// Records what the base asks of the derived view: the lines it prints, the moves and the
// colours command.
class CAskRecordingView : public CAnsiView
{
public:
    CAskRecordingView() : CAnsiView("PaintAskTest", 120, 400) {}
    struct Print
    {
        int line, first, count, flags, left;
        bool operator==(const Print& o) const
        {
            return line == o.line && first == o.first && count == o.count && flags == o.flags && left == o.left;
        }
    };
    std::vector<Print> prints;
    std::vector<uint32_t> moveFlags;
    int colourRuns = 0;
    bool recording = false;
    int PrintLine(CDC* dc, const RECT& rect, int line, int firstColumn, int count, int flags) override
    {
        if (recording)
            prints.push_back(Print{ line, firstColumn, count, flags, static_cast<int>(rect.left) });
        return CAnsiView::PrintLine(dc, rect, line, firstColumn, count, flags);
    }
    int MoveCursor(int column, int line, uint32_t flags) override
    {
        moveFlags.push_back(flags);
        return CAnsiView::MoveCursor(column, line, flags);
    }
    int EditColors() override
    {
        ++colourRuns;
        return 1;
    }
};

std::string Describe(const std::vector<CAskRecordingView::Print>& prints)
{
    std::string s;
    for (const auto& p : prints)
        s += "[line " + std::to_string(p.line) + " first " + std::to_string(p.first) + " count " +
             std::to_string(p.count) + " left " + std::to_string(p.left) + "] ";
    return s;
}

uint32_t Rgb(COLORREF c)
{
    return (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

const char kNotDerived[] = "CAnsiView::PrintLine() wurde nicht abgeleitet !";

}  // namespace

TEST_F(AnsiViewPaint, CaretBitsAskForTheCaretLineItsRightPartAndTheLinesBelow)
{
    CAskRecordingView view;
    ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &m_parent, 4099));
    const int cw = view.Layout().CharWidth();
    const int W = view.Layout().WindowColumns();
    const int L = view.Layout().WindowLines();
    const int top = 10, caretLine = 14;
    typedef CAskRecordingView::Print Print;
    // Each paint with the origin's column as x0 in flags bits 12 and up, bit 1 set.
    auto flagsFor = [&](int scrollColumn) { return static_cast<int>(static_cast<uint32_t>(-cw * scrollColumn) << 12) | 2; };
    auto whole = [&](int line, int scrollColumn) { return Print{ line, scrollColumn, W, flagsFor(scrollColumn), 0 }; };
    auto below = [&](int scrollColumn) {
        std::vector<Print> lines;
        for (int line = caretLine + 1; line <= top + L; ++line)
            lines.push_back(whole(line, scrollColumn));
        return lines;
    };
    // The caret line from two columns left of the caret: n = visible columns + scroll column
    // - caret column + 2 cells, none when n is not above 0.
    auto rightPart = [&](int caretColumn, int scrollColumn) {
        std::vector<Print> lines;
        int n = W + scrollColumn - caretColumn + 2;
        if (n > 0)
            lines.push_back(Print{ caretLine, caretColumn - 2, n, flagsFor(scrollColumn), (caretColumn - 2 - scrollColumn) * cw });
        return lines;
    };
    auto join = [](std::vector<Print> a, const std::vector<Print>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    auto fromLine = [&](int first, int scrollColumn) {
        std::vector<Print> lines;
        for (int line = first; line <= top + L; ++line)
            lines.push_back(whole(line, scrollColumn));
        return lines;
    };
    const struct
    {
        const char* what;
        int caretColumn, scrollColumn;
        uint32_t word;
        std::vector<Print> asked;
    } cases[] = {
        { "caret line", 20, 5, RP_CARET_LINE, { whole(caretLine, 5) } },
        { "right of the caret", 20, 5, RP_CARET_RIGHT, rightPart(20, 5) },
        { "right of the caret, unscrolled", 9, 0, RP_CARET_RIGHT, rightPart(9, 0) },
        { "caret right of the window", W + 10, 0, RP_CARET_RIGHT, rightPart(W + 10, 0) },
        { "below the caret", 20, 5, RP_BELOW_CARET, below(5) },
        // The caret line comes after the others.
        { "below and the caret line", 20, 5, RP_BELOW_CARET | RP_CARET_LINE, join(below(5), { whole(caretLine, 5) }) },
        // The run holds the caret line: neither caret bit draws it again.
        { "one line on the caret", 20, 5, RP_CARET_RIGHT | RP_ONE_LINE | caretLine, { whole(caretLine, 5) } },
        { "from a line above the caret", 20, 5, RP_CARET_LINE | RP_FROM_LINE | (caretLine - 2), fromLine(caretLine - 2, 5) },
        // The right part drawn after another line.
        { "another line and the right part", 20, 5, RP_CARET_RIGHT | RP_ONE_LINE | (caretLine + 3),
          join({ whole(caretLine + 3, 5) }, rightPart(20, 5)) },
    };
    ASSERT_GT(rightPart(20, 5).size(), 0u);
    ASSERT_EQ(rightPart(W + 10, 0).size(), 0u);
    for (const auto& c : cases)
    {
        // The caret first: placing it scrolls; the origin set afterwards stays.
        view.SetCursorPos(c.caretColumn, caretLine, false);
        view.SetScrollOrigin(c.scrollColumn, top);
        view.RequestUpdate(0);
        ASSERT_EQ(view.GetScrollOrigin().x, c.scrollColumn) << c.what;
        ASSERT_EQ(view.GetScrollOrigin().y, top) << c.what;
        ASSERT_EQ(view.GetCursorPos().x, c.caretColumn) << c.what;
        view.prints.clear();
        view.recording = true;
        view.Layout().RepaintWord() |= c.word;
        view.RequestUpdate(1);
        view.recording = false;
        EXPECT_TRUE(view.prints == c.asked) << c.what << ": asked " << Describe(view.prints) << " expected "
                                            << Describe(c.asked);
        EXPECT_EQ(view.Layout().RepaintWord(), 0u) << c.what;
    }
}

TEST_F(AnsiViewPaint, DrawTextLineUtf8CellsAndTheDefaultTabWidth)
{
    CAskRecordingView view;
    ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &m_parent, 4099));
    const int cw = view.Layout().CharWidth();
    const int lh = view.Layout().LineHeight();
    const struct
    {
        const char* text;
        int flags, tabWidth, cells;
    } cases[] = {
        // With bit 10 a sequence from 0xC0 up is one character in one cell.
        { "\xC3\xA4x", 0x400, 4, 2 },
        { "\xC3\xA4x", 0, 4, 3 },
        { "\xE2\x82\xAC" "ab", 0x400, 4, 3 },
        { "a\xC3\xA4\xC3\xB6" "b", 0x400, 4, 4 },
        // Tab width 0 is 4 cells; other widths are kept.
        { "\tZ", 0, 0, 5 },
        { "ab\tZ", 0, 0, 5 },
        { "\tZ", 0, 2, 3 },
        { "\xC3\xA4\tZ", 0x400, 0, 5 },
    };
    std::vector<uint16_t> plain(16, 0);
    CMemorySurface surface(40 * cw, lh);
    CDC dc;
    dc.Attach(surface.Dc());
    RECT rect = { 0, 0, 40 * cw, lh };
    for (const auto& c : cases)
        EXPECT_EQ(view.DrawTextLine(&dc, rect, c.text, plain.data(), static_cast<int>(strlen(c.text)), c.flags, c.tabWidth),
                  c.cells * cw)
            << c.text << " flags " << c.flags;
    dc.Detach();

    // The cell shows the decoded character: as the wide "\u00E4" followed by "x" drawn by hand.
    CMemorySurface drawn(4 * cw, lh);
    CMemorySurface expected(4 * cw, lh);
    RECT cells = { 0, 0, 4 * cw, lh };
    // Both contexts start in the standard format: the line drawer selects a format only when
    // it differs from the one its paint selected last.
    for (HDC d : { drawn.Dc(), expected.Dc() })
    {
        SelectObject(d, view.Settings()->normalFont);
        SetTextColor(d, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(d, GetSysColor(COLOR_WINDOW));
    }
    dc.Attach(drawn.Dc());
    view.DrawTextLine(&dc, cells, "\xC3\xA4x", plain.data(), 3, 0x400, 4);
    dc.Detach();
    HDC e = expected.Dc();
    RECT first = { 0, 0, cw, lh }, second = { cw, 0, 2 * cw, lh };
    const wchar_t umlaut = 0x00E4;
    ExtTextOutW(e, 0, 0, ETO_OPAQUE | ETO_CLIPPED, &first, &umlaut, 1, nullptr);
    ExtTextOutA(e, cw, 0, ETO_OPAQUE | ETO_CLIPPED, &second, "x", 1, nullptr);
    // Only the two cells drawn are compared: the rest keeps the surfaces' fill.
    int differences = 0;
    for (int y = 0; y < lh; ++y)
        for (int x = 0; x < 2 * cw; ++x)
            differences += drawn.Pixel(x, y) != expected.Pixel(x, y) ? 1 : 0;
    EXPECT_EQ(differences, 0);
}

TEST_F(AnsiViewPaint, MarksAreALineAtFifteenSixteenthsWhoseCellsTakeTheColoursWithoutBit7)
{
    CAskRecordingView view;
    ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &m_parent, 4099));
    const int cw = view.Layout().CharWidth();
    const int lh = view.Layout().LineHeight();
    ASSERT_EQ(view.AddColorFormat(0x000000, 0x00FF00, "Gruen", 2, 0), 1);
    const uint32_t green = 0x00FF00u, mark = 0xFF8080u, window = Rgb(GetSysColor(COLOR_WINDOW));
    const int markY = lh * 15 / 16;
    // Blanks (a TAB, a UTF-8 no-break space), so that each cell shows only its background
    // and the mark line.
    const struct
    {
        const char* text;
        uint16_t formats[5];
        int flags;
        int cells;
        uint32_t background[4];   // per cell, away from the mark line
        bool marked[4];
    } cases[] = {
        // Bit 11: bit 7 marks the cell and is left out of its colours; 0xFF is no mark.
        { "    ", { 0x81, 0x01, 0xFF, 0x81, 0 }, 0x800, 4, { green, green, window, green }, { true, false, false, true } },
        // Without it 0x81 names a format that does not exist: the standard one, no mark.
        { "    ", { 0x81, 0x01, 0xFF, 0x81, 0 }, 0, 4, { window, green, window, window }, { false, false, false, false } },
        // (Each row begins in another format than the row before ended in: the view keeps the
        // format it selected last, and each row draws into a fresh context.)
        // A UTF-8 character's one cell is marked; the next, plain one is not.
        { "\xC2\xA0 ", { 0x81, 0x81, 0xFF, 0 }, 0xC00, 2, { green, window }, { true, false } },
        // A TAB's cells are marked across, up to the tab stop, and the cell before it is not.
        { " \t", { 0x01, 0x81, 0 }, 0x800, 4, { green, green, green, green }, { false, true, true, true } },
    };
    for (const auto& c : cases)
    {
        CMemorySurface surface(8 * cw, lh);
        CDC dc;
        dc.Attach(surface.Dc());
        RECT rect = { 0, 0, 8 * cw, lh };
        EXPECT_EQ(view.DrawTextLine(&dc, rect, c.text, c.formats, static_cast<int>(strlen(c.text)), c.flags, 4),
                  c.cells * cw);
        dc.Detach();
        for (int cell = 0; cell < c.cells; ++cell)
        {
            for (int x : { cell * cw, cell * cw + cw / 2, cell * cw + cw - 1 })
            {
                EXPECT_EQ(surface.Pixel(x, markY), c.marked[cell] ? mark : c.background[cell])
                    << "flags " << c.flags << " cell " << cell << " x " << x;
                // One pixel high: the rows around it keep the background.
                EXPECT_EQ(surface.Pixel(x, markY - 1), c.background[cell]) << "flags " << c.flags << " cell " << cell;
                if (markY + 1 < lh)
                {
                    EXPECT_EQ(surface.Pixel(x, markY + 1), c.background[cell]) << "flags " << c.flags << " cell " << cell;
                }
            }
        }
    }
}

// A change pushed to the group (a font, a colour, an editor option) repaints every view of
// the group whole, the one it was changed through too.
TEST_F(AnsiViewPaint, GroupUpdateRepaintsEveryViewTheCallingOneToo)
{
    CAskRecordingView first, second;
    ASSERT_TRUE(first.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &m_parent, 4099));
    ASSERT_TRUE(second.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 200), &m_parent, 4100));
    for (CAskRecordingView* view : { &first, &second })
    {
        view->RequestUpdate(0);
        view->prints.clear();
        view->recording = true;
    }
    first.UpdateSharedViews();
    for (CAskRecordingView* view : { &first, &second })
    {
        view->recording = false;
        const size_t lines = static_cast<size_t>(view->Layout().WindowLines()) + 1;
        EXPECT_EQ(view->prints.size(), lines) << (view == &first ? "the calling view" : "the other view");
        EXPECT_EQ(view->Layout().RepaintWord(), 0u);
    }
}

TEST_F(AnsiViewPaint, SizeBoxIsTheFaceLessAnEighthUntilTheSystemColoursChange)
{
    CAskRecordingView view;
    ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 200), &m_parent, 4099));
    view.RequestUpdate(0);
    const CTextLayout& L = view.Layout();
    ASSERT_TRUE(L.Bar(0).shown && L.Bar(1).shown);
    ASSERT_LT(L.TextWidth() + 1, L.ClientWidth());
    ASSERT_LT(L.TextHeight() + 1, L.ClientHeight());
    const COLORREF face = GetSysColor(COLOR_3DFACE);
    const int r = GetRValue(face), g = GetGValue(face), b = GetBValue(face);
    const struct
    {
        const char* when;
        bool colourChange;
        uint32_t colour;
    } cases[] = {
        { "created", false, Rgb(RGB(r - (r >> 3), g - (g >> 3), b - (b >> 3))) },
        { "after WM_SYSCOLORCHANGE", true, Rgb(face) },
    };
    ASSERT_NE(cases[0].colour, cases[1].colour);
    for (const auto& c : cases)
    {
        if (c.colourChange)
            view.SendMessage(WM_SYSCOLORCHANGE);
        CMemorySurface surface(L.ClientWidth(), L.ClientHeight());
        CDC dc;
        dc.Attach(surface.Dc());
        view.PrintClient(&dc);
        dc.Detach();
        for (POINT p : { POINT{ L.TextWidth(), L.TextHeight() }, POINT{ L.ClientWidth() - 1, L.ClientHeight() - 1 } })
            EXPECT_EQ(surface.Pixel(p.x, p.y), c.colour) << c.when << " at " << p.x << "," << p.y;
    }
}

TEST_F(AnsiViewPaint, DefaultPrintLineSaysItWasNotDerived)
{
    CAskRecordingView view;
    ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &m_parent, 4099));
    const int length = static_cast<int>(strlen(kNotDerived));
    const int lineCount = view.Layout().LineCount();
    ASSERT_EQ(lineCount, 500);
    const int cw = view.Layout().CharWidth();
    const int lh = view.Layout().LineHeight();
    const struct
    {
        int line, first, drawn;
    } cases[] = {
        { 0, 0, length }, { 0, 5, length - 5 }, { lineCount - 1, 0, length },
        { lineCount, 0, 0 }, { lineCount + 7, 3, 0 }, { 3, length, 0 }, { 3, length - 1, 1 },
    };
    for (const auto& c : cases)
    {
        CMemorySurface drawn((length + 2) * cw, lh);
        CMemorySurface expected((length + 2) * cw, lh);
        for (HDC d : { drawn.Dc(), expected.Dc() })
        {
            SelectObject(d, view.Settings()->normalFont);
            SetTextColor(d, RGB(0, 0, 0));
            SetBkColor(d, RGB(255, 255, 255));
            SetBkMode(d, OPAQUE);
        }
        CDC dc;
        dc.Attach(drawn.Dc());
        RECT rect = { 0, 0, (length + 2) * cw, lh };
        EXPECT_EQ(view.CAnsiView::PrintLine(&dc, rect, c.line, c.first, 40, 2), c.drawn)
            << "line " << c.line << " first " << c.first;
        dc.Detach();
        // The text from the first column, drawn as DrawText draws it without prefixes or clip.
        if (c.drawn > 0)
            DrawTextA(expected.Dc(), kNotDerived + c.first, c.drawn, &rect, DT_NOPREFIX | DT_NOCLIP);
        POINT first = {};
        EXPECT_EQ(plainpaint::CountDifferences(drawn, expected, &first), 0)
            << "line " << c.line << " first " << c.first << " at " << first.x;
    }
}

TEST_F(AnsiViewPaint, DialogCodeColoursCommandAndQueryCodes)
{
    CAskRecordingView view;
    ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &m_parent, 4099));
    // Arrow keys and characters.
    EXPECT_EQ(view.SendMessage(WM_GETDLGCODE), 0x81);
    EXPECT_EQ(view.SendMessage(WM_COMMAND, 37424, 0), 0);
    EXPECT_EQ(view.colourRuns, 1);

    // The query codes in order from a fresh view (caret and origin at 0, 0). The result is
    // packed as the argument: column low, line high.
    const struct
    {
        WPARAM code;
        int column, line;
        int resultColumn, resultLine;
        bool moves;
        uint32_t extend;   // MCF_EXTEND asked of MoveCursor
        int caretColumn, caretLine;
    } steps[] = {
        { 2, 3, 30, 0, 0, false, 0, 0, 0 },   // set origin, the previous one back
        { 3, 9, 9, 3, 30, false, 0, 0, 0 },   // get origin
        { 4, 7, 40, 0, 0, true, MCF_EXTEND, 7, 40 },   // set caret extending the selection
        { 1, 0, 0, 7, 40, false, 0, 7, 40 },
        { 5, 0, 0, 7, 40, false, 0, 7, 40 },
        { 0, 2, 41, 7, 40, true, 0, 2, 41 },   // set caret, no extension
        { 6, 1, 1, 0, 0, false, 0, 2, 41 },    // unknown: 0, nothing changes
    };
    for (const auto& s : steps)
    {
        view.moveFlags.clear();
        const LRESULT r = view.SendMessage(WM_TEXTEDIT_QUERY, s.code, static_cast<LPARAM>(PackCell(s.column, s.line)));
        int c = -1, l = -1;
        UnpackCell(static_cast<uint32_t>(r), &c, &l);
        EXPECT_EQ(c, s.resultColumn) << "code " << s.code;
        EXPECT_EQ(l, s.resultLine) << "code " << s.code;
        if (s.code == 2)
        {
            EXPECT_EQ(view.GetScrollOrigin().x, s.column);
            EXPECT_EQ(view.GetScrollOrigin().y, s.line);
        }
        ASSERT_EQ(view.moveFlags.size(), s.moves ? 1u : 0u) << "code " << s.code;
        if (s.moves)
        {
            EXPECT_EQ(view.moveFlags[0] & MCF_EXTEND, s.extend) << "code " << s.code;
        }
        EXPECT_EQ(view.GetCursorPos().x, s.caretColumn) << "code " << s.code;
        EXPECT_EQ(view.GetCursorPos().y, s.caretLine) << "code " << s.code;
    }
}
