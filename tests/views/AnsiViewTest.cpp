// The text view base as a window: caret, margin, the packed query message, keys turned
// into moves or scrolls, the line drawer and the font rules. Cell sizes come from the view.
#include "views/AnsiView.h"

#include "services/Registry.h"
#include "tests/views/ViewWindowSupport.h"
#include "views/RepaintWord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace viewtest;

namespace {

using AnsiViewWindow = ViewWindowTest;

class CPlainView : public CAnsiView
{
public:
    CPlainView() : CAnsiView("PlainTest", 120, 400) {}
    int scrolledKey = -1;
    int OnScrolled(int key) override
    {
        scrolledKey = key;
        return 0;
    }
};

// Records the moves the base asks for.
class CMoveRecordingView : public CAnsiView
{
public:
    CMoveRecordingView() : CAnsiView("MoveTest", 200, 400) {}
    struct Move
    {
        int column;
        int line;
        uint32_t flags;
    };
    std::vector<Move> moves;
    int MoveCursor(int column, int line, uint32_t flags) override
    {
        moves.push_back(Move{ column, line, flags });
        return CAnsiView::MoveCursor(column, line, flags);
    }
};

// Counts the repaints the base asks for.
class CPaintCountingView : public CAnsiView
{
public:
    CPaintCountingView() : CAnsiView("PaintCountTest", 120, 400) {}
    int paints = 0;
    void PaintLines(PAINTSTRUCT* paint) override
    {
        ++paints;
        CAnsiView::PaintLines(paint);
    }
};

// Average character width and height of a font on the screen, measured apart from the view.
void ScreenCell(HFONT font, int* width, int* height)
{
    *width = *height = 0;
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, font);
    TEXTMETRICA tm;
    if (::GetTextMetricsA(dc, &tm))
    {
        *width = tm.tmAveCharWidth;
        *height = tm.tmHeight;
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
}

}  // namespace

TEST_F(AnsiViewWindow, TextViewBaseCaretMarginAndQueries)
{
    CPlainView view;
    ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &m_parent, 4099));
    view.SetFocus();
    EXPECT_EQ(view.Layout().LineCount(), 500);
    POINT old = view.SetCursorPos(5, 7, false);
    EXPECT_EQ(old.x, 0);
    EXPECT_EQ(view.GetCursorPos().x, 5);
    EXPECT_EQ(view.GetCursorPos().y, 7);
    // The packed query: column low, line high.
    LRESULT r = view.SendMessage(WM_TEXTEDIT_QUERY, 0, static_cast<LPARAM>(PackCell(3, 9)));
    int c = 0, l = 0;
    UnpackCell(static_cast<uint32_t>(r), &c, &l);
    EXPECT_EQ(c, 5);
    EXPECT_EQ(l, 7);
    UnpackCell(static_cast<uint32_t>(view.SendMessage(WM_TEXTEDIT_QUERY, 1, 0)), &c, &l);
    EXPECT_EQ(c, 3);
    EXPECT_EQ(l, 9);
    // Margins outside 0..2000 become 0; the same width again changes nothing. A view of the
    // same name but another height takes the margin and keeps the lines of its own height.
    CPlainView lower;
    ASSERT_TRUE(lower.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 100), &m_parent, 4105));
    const int lowerLines = lower.Layout().WindowLines();
    ASSERT_LT(lowerLines, view.Layout().WindowLines());
    EXPECT_EQ(view.SetMarginWidth(30), 1);
    EXPECT_EQ(view.Layout().MarginWidth(), 30);
    EXPECT_EQ(lower.Layout().MarginWidth(), 30);
    EXPECT_EQ(lower.Layout().WindowLines(), lowerLines);
    EXPECT_EQ(lower.Layout().ClientHeight(), 100);
    EXPECT_EQ(view.SetMarginWidth(30), 0);
    EXPECT_EQ(view.SetMarginWidth(2500), 1);
    EXPECT_EQ(view.Layout().MarginWidth(), 0);
    // A view of the group without a window (the newest, first in the chain) takes the margin
    // too, and the views with windows behind it are not passed over.
    {
        CPlainView windowless;
        EXPECT_EQ(view.SetMarginWidth(40), 1);
        EXPECT_EQ(windowless.Layout().MarginWidth(), 40);
        EXPECT_EQ(view.Layout().MarginWidth(), 40);
        EXPECT_EQ(lower.Layout().MarginWidth(), 40);
    }
    view.SetMarginWidth(0);
    // A hit below the last line.
    int column = -1, line = -1;
    view.SetScrollOrigin(0, 499);
    EXPECT_EQ(view.HitTest(5, 100 * view.Layout().LineHeight(), &column, &line, 0), 0);
    EXPECT_EQ(column, 0);
    EXPECT_EQ(line, 500);
    // With the caret hidden PageDown scrolls and tells the view which key did it.
    view.SetScrollOrigin(0, 0);
    view.SetCaretMode(0);
    view.SendMessage(WM_KEYDOWN, VK_NEXT, 1);
    EXPECT_EQ(view.scrolledKey, VK_NEXT);
    EXPECT_EQ(view.GetScrollOrigin().y, view.Layout().WindowLines() - 1);
    EXPECT_EQ(view.GetCursorPos().y, 9);
    view.RequestUpdate(0);
}

TEST_F(AnsiViewWindow, DrawTextLineKeepsTheCellGridTabsAndFills)
{
    CPlainView view;
    ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &m_parent, 4099));
    int cw = view.Layout().CharWidth();
    int lh = view.Layout().LineHeight();
    // Format 1: a pure green background (format ids index rows: row 1 is this one).
    int row = view.AddColorFormat(0x000000, 0x00FF00, "Gruen", 2, 0);
    ASSERT_EQ(row, 1);
    CMemorySurface surface(40 * cw, lh);
    CDC dc;
    dc.Attach(surface.Dc());
    RECT rect = { 0, 0, 40 * cw, lh };
    // "a", a tab to the next stop of 4 cells, "b": five cells, counted by hand.
    const char text[] = "a\tb";
    uint16_t formats[4] = { 0, 0, 0, 1 };
    EXPECT_EQ(view.DrawTextLine(&dc, rect, text, formats, 3, 0, 4), 5 * cw);
    // With bit 9 the rest of the rect takes the format after the last character.
    EXPECT_EQ(view.DrawTextLine(&dc, rect, text, formats, 3, 0x200, 4), 40 * cw);
    EXPECT_EQ(surface.Pixel(30 * cw, lh / 2), 0x00FF00u);
    // With bit 8 only one more cell.
    uint16_t plain[4] = { 0, 0, 0, 0 };
    EXPECT_EQ(view.DrawTextLine(&dc, rect, text, plain, 3, 0x100, 4), 6 * cw);
    // A rect without width and NULL text draw nothing.
    RECT empty = { 5, 0, 5, lh };
    EXPECT_EQ(view.DrawTextLine(&dc, empty, text, formats, 3, 0, 4), 0);
    EXPECT_EQ(view.DrawTextLine(&dc, rect, nullptr, formats, 3, 0, 4), 0);
    // Longer than the rect: cut to what fits (rect width / cell + 1 characters).
    std::vector<char> longText(2000, 'x');
    std::vector<uint16_t> longFormats(2001, 0);
    int drawn = view.DrawTextLine(&dc, rect, longText.data(), longFormats.data(), 2000, 0, 4);
    EXPECT_GE(drawn, 40 * cw);
    EXPECT_LE(drawn, 41 * cw);
    dc.Detach();
}

TEST_F(AnsiViewWindow, DrawTextRunsExpandsTabsFromItsPoint)
{
    CPlainView view;
    ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &m_parent, 4099));
    int cw = view.Layout().CharWidth();
    int lh = view.Layout().LineHeight();
    const COLORREF colours[3][2] = { {}, { 0x000000, 0x00FF00 }, { 0xFFFFFF, 0x0000FF } };
    ASSERT_EQ(view.AddColorFormat(colours[1][0], colours[1][1], "Gruen", 2, 0), 1);
    ASSERT_EQ(view.AddColorFormat(colours[2][0], colours[2][1], "Rot", 3, 0), 2);
    const struct { const char* text; std::vector<uint8_t> formats; int tabWidth; int x; } cases[] = {
        { "ab\tc", { 1, 1, 1, 1 }, 4, 0 },
        // A run that begins with a tab keeps the line's stops.
        { "\tx\tyz\t", { 2, 1, 1, 2, 2, 1 }, 3, 0 },
        // Tab width 0 is 4; the stops count from the point.
        { "a\tb", { 1, 2, 2 }, 0, 7 },
    };
    for (auto& c : cases) {
        int n = static_cast<int>(strlen(c.text));
        int tabWidth = c.tabWidth > 0 ? c.tabWidth : 4;
        CMemorySurface drawn(30 * cw, lh);
        CMemorySurface expected(30 * cw, lh);
        CDC dc;
        dc.Attach(drawn.Dc());
        int width = view.DrawTextRuns(&dc, c.x, 0, c.text, c.formats.data(), n, c.tabWidth);
        dc.Detach();
        // The same line as ExtTextOut of the text with each tab written out as blanks (in the
        // tab's format) up to the next multiple of the tab width.
        SelectObject(expected.Dc(), view.Settings()->normalFont);
        SetBkMode(expected.Dc(), OPAQUE);
        int column = 0;
        for (int i = 0; i < n; ++i) {
            SetTextColor(expected.Dc(), colours[c.formats[i]][0]);
            SetBkColor(expected.Dc(), colours[c.formats[i]][1]);
            do
                ExtTextOutA(expected.Dc(), c.x + column++ * cw, 0, ETO_OPAQUE, nullptr, c.text[i] == '\t' ? " " : &c.text[i], 1, nullptr);
            while (c.text[i] == '\t' && column % tabWidth != 0);
        }
        EXPECT_EQ(width, column * cw) << c.text;
        POINT first = {};
        EXPECT_EQ(plainpaint::CountDifferences(drawn, expected, &first), 0) << c.text << " at " << first.x;
    }
    EXPECT_EQ(view.DrawTextRuns(nullptr, 0, 0, "a", cases[0].formats.data(), 1, 4), 0);
}

TEST_F(AnsiViewWindow, FontHeightsAreKeptBetween6And48)
{
    CPlainView view;
    ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &m_parent, 4099));
    view.SetFont(60, "Courier");
    EXPECT_EQ(view.Settings()->font.height, 48);
    view.SetFont(3, "Courier");
    EXPECT_EQ(view.Settings()->font.height, 6);
    EXPECT_GE(view.Layout().CharWidth(), 1);
    EXPECT_GE(view.Layout().LineHeight(), 1);
    // The cell size is the group's, given to every view of the name.
    CPlainView second;
    ASSERT_TRUE(second.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 200, 100), &m_parent, 4100));
    EXPECT_EQ(second.Layout().CharWidth(), view.Layout().CharWidth());
    EXPECT_EQ(second.Layout().LineHeight(), view.Layout().LineHeight());
    // A font chosen later reaches the view that is already there.
    const int smallLines = second.Layout().LineHeight();
    view.SetFont(30, "Courier");
    EXPECT_GT(view.Layout().LineHeight(), smallLines);
    EXPECT_EQ(second.Layout().CharWidth(), view.Layout().CharWidth());
    EXPECT_EQ(second.Layout().LineHeight(), view.Layout().LineHeight());
}

// The eight style fonts: slot 0 the normal font, slots 1 to 7 bold (bit 0), italic (bit 1)
// and underlined (bit 2) variants of the cell size, or the normal font where the variant
// would not fit the cell (checked by creating and measuring that variant here).
TEST_F(AnsiViewWindow, SetFontMakesTheStyleVariantsOfTheCell)
{
    CPlainView view;
    ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &m_parent, 4099));
    for (int height : { 15, 20 })
    {
        view.SetFont(height, "Courier");
        const AnsiViewSettings* s = view.Settings();
        const int cw = view.Layout().CharWidth();
        const int lh = view.Layout().LineHeight();
        ASSERT_NE(s->normalFont, nullptr);
        EXPECT_EQ(s->styleFonts[0], s->normalFont);
        int ownVariants = 0;
        for (int style = 1; style < 8; ++style)
        {
            HFONT font = s->styleFonts[style];
            ASSERT_NE(font, nullptr) << style;
            LOGFONTA wanted = {};
            wanted.lfHeight = lh;
            wanted.lfWidth = cw;
            wanted.lfWeight = (style & 1) ? 700 : 400;
            wanted.lfItalic = (style & 2) ? 1 : 0;
            wanted.lfUnderline = (style & 4) ? 1 : 0;
            if (font == s->normalFont)
            {
                // Stood in for a variant whose cell differs.
                LOGFONTA variant;
                ASSERT_EQ(::GetObjectA(s->normalFont, sizeof variant, &variant), (int)sizeof variant);
                variant.lfHeight = wanted.lfHeight;
                variant.lfWidth = wanted.lfWidth;
                variant.lfWeight = wanted.lfWeight;
                variant.lfItalic = wanted.lfItalic;
                variant.lfUnderline = wanted.lfUnderline;
                HFONT own = ::CreateFontIndirectA(&variant);
                int w = 0, h = 0;
                ScreenCell(own, &w, &h);
                ::DeleteObject(own);
                EXPECT_TRUE(w != cw || h != lh) << style;
                continue;
            }
            ++ownVariants;
            LOGFONTA lf;
            ASSERT_EQ(::GetObjectA(font, sizeof lf, &lf), (int)sizeof lf) << style;
            EXPECT_EQ(lf.lfHeight, wanted.lfHeight) << style;
            EXPECT_EQ(lf.lfWidth, wanted.lfWidth) << style;
            EXPECT_EQ(lf.lfWeight, wanted.lfWeight) << style;
            EXPECT_EQ(lf.lfItalic, wanted.lfItalic) << style;
            EXPECT_EQ(lf.lfUnderline, wanted.lfUnderline) << style;
            EXPECT_STREQ(lf.lfFaceName, s->font.faceName) << style;
            int w = 0, h = 0;
            ScreenCell(font, &w, &h);
            EXPECT_EQ(w, cw) << style;
            EXPECT_EQ(h, lh) << style;
        }
        // Underlining never changes a cell: at least that variant is a font of its own.
        EXPECT_NE(s->styleFonts[4], s->normalFont);
        EXPECT_GE(ownVariants, 1);
    }
}

// Loading with a path repaints whether the key was read or not (the user's own values are
// loaded after the machine-wide ones, which may have changed the font): the repaint word
// becomes "all", painted at once when nothing was pending. Without a path nothing happens.
TEST_F(AnsiViewWindow, LoadSettingsRepaintsAfterEveryLoadWithAPath)
{
    const std::string base = m_scratch.Path();
    {
        CRegistry reg;
        ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, (base + "\\Colored\\PaintCountTest\\Colors").c_str(), REGISTRY_CREATE));
        ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, (base + "\\Plain\\PaintCountTest").c_str(), REGISTRY_CREATE));
        reg.WriteDword(1, "Other");
    }
    CPaintCountingView view;
    ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &m_parent, 4099));
    const struct
    {
        const char* below;   // the path under the scratch key; nullptr: no path
        bool pending;        // a repaint was already waiting
        int result, paints;
    } cases[] = {
        { "Colored", false, 1, 1 }, { "Plain", false, 0, 1 }, { "Missing", false, 0, 1 },
        { "Missing", true, 0, 0 },  { nullptr, false, 0, 0 },
    };
    for (const auto& c : cases)
    {
        const std::string path = c.below ? base + "\\" + c.below : std::string();
        view.PaintLines(nullptr);
        uint32_t& word = view.Layout().RepaintWord();
        ASSERT_EQ(word & ~RP_BATCH, 0u);
        if (c.pending)
            word |= RP_ONE_LINE | 3;
        view.paints = 0;
        EXPECT_EQ(view.LoadSettings(c.below ? path.c_str() : nullptr, 0), c.result) << path;
        EXPECT_EQ(view.paints, c.paints) << path;
        if (c.pending) {
            EXPECT_NE(word & RP_ALL, 0u) << path;
        } else if (c.below) {
            EXPECT_EQ(word & ~RP_BATCH, 0u) << path;   // painted
        }
    }
}

TEST_F(AnsiViewWindow, TextViewKeysBecomeMovesOrScrolls)
{
    CMoveRecordingView view;
    ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 200), &m_parent, 4101));
    view.SetFocus();
    view.SetCursorPos(10, 10, false);
    view.moves.clear();
    // Shift+Ctrl+Right: one column, relative, extending, with Ctrl, as an arrow step.
    g_keyDown[VK_SHIFT] = g_keyDown[VK_CONTROL] = true;
    view.SendMessage(WM_KEYDOWN, VK_RIGHT, 1);
    ASSERT_EQ(view.moves.size(), 1u);
    EXPECT_EQ(view.moves[0].column, 1);
    EXPECT_EQ(view.moves[0].flags, 7u | 0x80u);
    EXPECT_EQ(view.GetCursorPos().x, 11);
    // Ctrl alone: the origin scrolls one column, the caret stays.
    g_keyDown[VK_SHIFT] = false;
    int column = view.GetScrollOrigin().x;
    view.SendMessage(WM_KEYDOWN, VK_RIGHT, 1);
    EXPECT_EQ(view.moves.size(), 1u);
    EXPECT_EQ(view.GetScrollOrigin().x, column + 1);
    EXPECT_EQ(view.GetCursorPos().x, 11);
    // Ctrl+Home: line 0, absolute.
    view.SendMessage(WM_KEYDOWN, VK_HOME, 1);
    ASSERT_EQ(view.moves.size(), 2u);
    EXPECT_EQ(view.moves[1].line, 0);
    EXPECT_EQ(view.moves[1].flags, 0u);
    g_keyDown[VK_CONTROL] = false;
    // The second extra button pages up, the first pages down.
    view.SetCursorPos(0, 100, false);
    int top = view.GetScrollOrigin().y;
    int lines = view.Layout().WindowLines();
    view.SendMessage(WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON1), 0);
    EXPECT_EQ(view.GetScrollOrigin().y, top + lines - 1);
    EXPECT_EQ(view.GetCursorPos().y, 100 + lines - 1);
    view.SendMessage(WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON2), 0);
    EXPECT_EQ(view.GetScrollOrigin().y, top);
    EXPECT_EQ(view.GetCursorPos().y, 100);
}

namespace {

// Counts what the base hands the derived view for keys and characters, and records moves.
class CInputRecordingView : public CMoveRecordingView
{
public:
    int keys = 0;
    int chars = 0;
    int releases = 0;
    int OnKey(UINT, UINT) override { return ++keys, 0; }
    int OnCharInput(UINT, UINT) override { return ++chars, 0; }
    int OnKeyRelease(UINT, UINT) override { return ++releases, 0; }
};

}  // namespace

// The pointer shape: the view sets its own for every WM_SETCURSOR that is about it, whatever
// part of it the pointer is over; one about a child (its scroll bar) is left to the child.
TEST_F(AnsiViewWindow, SetCursorMessageShowsTheViewsShapeForItself)
{
    CPlainView view;
    ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(0, 0, 300, 200), &m_parent, 4102));
    HCURSOR cross = ::LoadCursor(nullptr, IDC_CROSS);
    HCURSOR arrow = ::LoadCursor(nullptr, IDC_ARROW);
    ASSERT_NE(cross, arrow);
    view.SetCursorShape(IDC_CROSS);
    HWND bar = view.GetScrollBar(1)->m_hWnd;
    ASSERT_NE(bar, nullptr);
    const struct { HWND target; WORD hit; bool own; } cases[] = {
        { view.m_hWnd, HTCLIENT, true },
        { view.m_hWnd, HTBORDER, true },
        { view.m_hWnd, HTNOWHERE, true },
        { bar, HTCLIENT, false },
    };
    for (const auto& c : cases)
    {
        ::SetCursor(arrow);
        view.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(c.target), MAKELPARAM(c.hit, WM_MOUSEMOVE));
        EXPECT_EQ(::GetCursor(), c.own ? cross : arrow) << "hit " << c.hit << (c.own ? " on the view" : " on the bar");
    }
    view.SetCursorShape(static_cast<HCURSOR>(nullptr));
}

// Mouse cells, the press's move flags, the focus and repetitions as the base hands them on.
// A view of 5 lines: the pointer's cell is the nearest cell boundary, unclamped, and the
// layout puts the caret on the line after the last.
TEST_F(AnsiViewWindow, MouseCellsPressFlagsFocusAndRepetitions)
{
    struct CFewLines : CInputRecordingView
    {
        CFewLines() { Layout().SetLineCount(5); }
    } view;
    ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 200), &m_parent, 4103));
    CPlainView other;
    ASSERT_TRUE(other.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 100, 100), &m_parent, 4104));
    const int cw = view.Layout().CharWidth();
    const int lh = view.Layout().LineHeight();
    const int none = -1;
    const struct
    {
        const char* what;
        UINT message;
        WPARAM wParam;
        int x, y;          // pointer for mouse messages
        LPARAM lParam;     // key messages
        int column, line;  // the move asked for (none: no move)
        uint32_t flags;
        int caretColumn, caretLine;
        bool focus;
        int keys, chars, releases;
    } cases[] = {
        { "press below the last line", WM_LBUTTONDOWN, MK_LBUTTON, 7 * cw + 1, 8 * lh + 1, 0, 7, 8, 0x18, 7, 5, true, 0, 0, 0 },
        { "press right of a cell's middle", WM_LBUTTONDOWN, MK_LBUTTON, 5 * cw - cw / 2, lh + 1, 0, 5, 1, 0x18, 5, 1, true, 0, 0, 0 },
        { "Shift+press", WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, 3 * cw + 1, 2 * lh + 1, 0, 3, 2, 0x18, 3, 2, true, 0, 0, 0 },
        { "release", WM_LBUTTONUP, 0, 3 * cw + 1, 2 * lh + 1, 0, none, none, 0, 3, 2, true, 0, 0, 0 },
        { "40 key presses", WM_KEYDOWN, 'A', 0, 0, 40, none, none, 0, 3, 2, false, 30, 0, 0 },
        { "40 key releases", WM_KEYUP, 'A', 0, 0, 40, none, none, 0, 3, 2, false, 0, 0, 40 },
        { "40 characters", WM_CHAR, 'a', 0, 0, 40, none, none, 0, 3, 2, false, 0, 40, 0 },
    };
    view.SetCursorPos(3, 2, false);
    for (const auto& c : cases)
    {
        other.SetFocus();
        view.moves.clear();
        view.keys = view.chars = view.releases = 0;
        LPARAM lParam = c.message == WM_LBUTTONDOWN || c.message == WM_LBUTTONUP ? MAKELPARAM(c.x, c.y) : c.lParam;
        view.SendMessage(c.message, c.wParam, lParam);
        if (c.column == none)
        {
            EXPECT_TRUE(view.moves.empty()) << c.what;
        }
        else
        {
            ASSERT_EQ(view.moves.size(), 1u) << c.what;
            EXPECT_EQ(view.moves[0].column, c.column) << c.what;
            EXPECT_EQ(view.moves[0].line, c.line) << c.what;
            EXPECT_EQ(view.moves[0].flags, c.flags) << c.what;
        }
        EXPECT_EQ(view.GetCursorPos().x, c.caretColumn) << c.what;
        EXPECT_EQ(view.GetCursorPos().y, c.caretLine) << c.what;
        EXPECT_EQ(::GetFocus() == view.m_hWnd, c.focus) << c.what;
        EXPECT_EQ(view.keys, c.keys) << c.what;
        EXPECT_EQ(view.chars, c.chars) << c.what;
        EXPECT_EQ(view.releases, c.releases) << c.what;
        if (c.message == WM_LBUTTONDOWN)
            view.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(c.x, c.y));
    }
}

// A left press decides the margin by its rounded cell: only a cell left of the scroll column
// belongs to the margin (a drag then goes to the margin hook); a press near the margin's
// right edge rounds into the first visible column and moves the caret there.
TEST_F(AnsiViewWindow, LeftPressInTheMarginGoesByTheRoundedCell)
{
    struct CMarginRecordingView : CMoveRecordingView
    {
        std::vector<UINT> marginCodes;
        int OnMarginMouse(UINT code, int, int, int) override { return marginCodes.push_back(code), 0; }
    } view;
    ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 200), &m_parent, 4106));
    const int cw = view.Layout().CharWidth();
    const int lh = view.Layout().LineHeight();
    ASSERT_GE(cw, 4);
    const int margin = 5 * cw;
    view.SetMarginWidth(margin);
    view.SetScrollOrigin(2, 0);
    const struct
    {
        const char* what;
        int x;
        bool margin;   // left-button mode 2: no caret move, the drag reaches the margin hook
    } cases[] = {
        { "left edge of the margin", 0, true },
        { "two cells left of the margin's edge", margin - 2 * cw, true },
        { "one cell left of the margin's edge", margin - cw, false },
        { "last pixel of the margin", margin - 1, false },
        { "first pixel of the text", margin + 1, false },
    };
    for (const auto& c : cases)
    {
        view.moves.clear();
        view.marginCodes.clear();
        view.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.x, lh + 1));
        view.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(c.x, lh + 1));
        view.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(c.x, lh + 1));
        EXPECT_EQ(view.moves.empty(), c.margin) << c.what;
        if (!c.margin && !view.moves.empty())
        {
            EXPECT_EQ(view.moves[0].column, 2) << c.what;   // the first visible column
            EXPECT_EQ(view.moves[0].flags, 0x18u) << c.what;
        }
        // The press in the margin's pixels always asks the margin hook first.
        const bool inMarginPixels = c.x < margin;
        ASSERT_FALSE(view.marginCodes.empty() && inMarginPixels) << c.what;
        if (inMarginPixels)
        {
            EXPECT_EQ(view.marginCodes[0] & 0xFF00u, 0x4800u) << c.what;
        }
        const bool dragReachedMargin =
            std::find(view.marginCodes.begin(), view.marginCodes.end(), 0x1000u | MK_LBUTTON) != view.marginCodes.end();
        EXPECT_EQ(dragReachedMargin, c.margin) << c.what;
    }
}

// Drag selection, auto-scroll and the pause after a double click at every tick count the
// system may have: early after start, with the top bit set (24.9 to 49.7 days of uptime),
// and just before the 49.7-day wrap, where the pause runs across it.
TEST_F(AnsiViewWindow, DragAndAutoScrollWorkAtAnyTickCount)
{
    const DWORD ticks[] = { 1000, 0x7FFFFFFFu, 0x80000000u, 0xC0000000u, 0xFFFFFF00u };
    for (const DWORD base : ticks)
    {
        CMoveRecordingView view;
        ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &m_parent, 4107));
        const int cw = view.Layout().CharWidth();
        const int lh = view.Layout().LineHeight();
        auto at = [&](int column, int line) { return MAKELPARAM(column * cw + 1, line * lh + 1); };
        auto lastMove = [&]() { return view.moves.empty() ? CMoveRecordingView::Move{ -1, -1, 0 } : view.moves.back(); };
        g_tick = base;

        view.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at(2, 2));
        view.moves.clear();
        view.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, at(6, 3));
        EXPECT_EQ(lastMove().column, 6) << std::hex << base;
        EXPECT_EQ(lastMove().line, 3) << std::hex << base;
        EXPECT_EQ(lastMove().flags, MCF_MOUSE | MCF_EXTEND) << std::hex << base;

        // Below the window the drag timer scrolls on.
        view.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(6 * cw + 1, 300 + 3 * lh));
        view.moves.clear();
        view.SendMessage(WM_TIMER, 34902, 0);
        EXPECT_EQ(lastMove().flags, MCF_MOUSE | MCF_EXTEND | MCF_RELATIVE) << std::hex << base;
        EXPECT_GT(lastMove().line, 0) << std::hex << base;
        view.SendMessage(WM_LBUTTONUP, 0, at(6, 3));

        // A double click holds the drag back for 300 ms from its tick, and only that long.
        view.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at(4, 4));
        view.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, at(4, 4));
        g_tick = base + 299;
        view.moves.clear();
        view.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, at(9, 5));
        view.SendMessage(WM_TIMER, 34902, 0);
        EXPECT_TRUE(view.moves.empty()) << std::hex << base;
        g_tick = base + 300;
        view.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, at(9, 5));
        EXPECT_EQ(lastMove().column, 9) << std::hex << base;
        EXPECT_EQ(lastMove().flags, MCF_MOUSE | MCF_EXTEND) << std::hex << base;
        // 49.7 days on the tick count stands 100 ms past the double click again: spent, the
        // guard holds nothing back.
        g_tick = base + 100;
        view.moves.clear();
        view.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, at(11, 6));
        EXPECT_EQ(lastMove().column, 11) << std::hex << base;
        view.SendMessage(WM_LBUTTONUP, 0, at(11, 6));
        view.DestroyWindow();
    }
}
