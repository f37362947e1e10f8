// The hex view as a window: a 4 KB buffer in a test parent, driven by real key, mouse and
// scroll messages. Expected cells come from the window-free model (CellOfOffset), never from
// pixel sizes: the fonts under Wine are substitutes, so positions are computed from the cell
// size the view reports.
#include "views/HexView.h"

#include "services/AppIdentity.h"
#include "tests/support/TestSupport.h"
#include "tests/support/GuardedBuffer.h"
#include "tests/views/ViewWindowSupport.h"
#include "views/ValueSearch.h"
#include "views/ValueSearchLists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace viewtest;

namespace {

const int kSize = 4096;

class HexViewWindow : public ViewWindowTest
{
protected:
    void SetUp() override
    {
        ViewWindowTest::SetUp();
        unsigned char bytes[kSize];
        for (int i = 0; i < kSize; ++i)
            bytes[i] = static_cast<unsigned char>(i * 7 + (i >> 8));
        ASSERT_TRUE(m_buffer.Ok());
        m_data = m_buffer.AtEnd(bytes, kSize);
    }

    // A view filling the parent, showing the buffer (writable, so nothing beeps by itself).
    void Open(CHexView& view, int width = 600, int height = 360)
    {
        ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, width, height), &m_parent, 4098));
        view.SetData(m_data, kSize, 0x10000, HDF_WRITABLE);
        view.SetFocus();
    }

    // Client point inside the cell that draws byte `offset` in `area`.
    static POINT PointOf(const CHexView& view, int offset, int area, bool firstDigit = true)
    {
        int column = 0;
        int line = 0;
        view.Model().CellOfOffset(offset, area, firstDigit, &column, &line);
        const CTextLayout& L = view.Layout();
        POINT p;
        p.x = L.MarginWidth() + (column - L.ScrollColumn()) * L.CharWidth() + 1;
        p.y = (line - L.ScrollLine()) * L.LineHeight() + L.LineHeight() / 2;
        return p;
    }

    static void Key(CHexView& view, UINT key, bool shift = false, bool ctrl = false)
    {
        g_keyDown[VK_SHIFT] = shift;
        g_keyDown[VK_CONTROL] = ctrl;
        view.SendMessage(WM_KEYDOWN, key, 1);
        view.SendMessage(WM_KEYUP, key, 1 | 0xC0000000);
        g_keyDown[VK_SHIFT] = false;
        g_keyDown[VK_CONTROL] = false;
    }

    static void Click(CHexView& view, POINT p, UINT extra = 0)
    {
        LPARAM lp = MAKELPARAM(p.x, p.y);
        view.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON | extra, lp);
        view.SendMessage(WM_LBUTTONUP, extra, lp);
    }

    static SCROLLINFO VerticalBar(CHexView& view)
    {
        SCROLLINFO info;
        memset(&info, 0, sizeof(info));
        info.cbSize = sizeof(info);
        info.fMask = SIF_ALL;
        HWND bar = ::GetDlgItem(view.m_hWnd, 913);
        EXPECT_NE(bar, nullptr);
        ::GetScrollInfo(bar, SB_CTL, &info);
        return info;
    }

    // The caret of the base must stand where the model put the cursor.
    static void ExpectCaretInStep(const CHexView& view)
    {
        EXPECT_EQ(view.Layout().CaretColumn(), view.Model().CaretColumn());
        EXPECT_EQ(view.Layout().CaretLine(), view.Model().CaretLine());
    }

    GuardedBuffer m_buffer{ kSize };
    unsigned char* m_data = nullptr;
};

TEST_F(HexViewWindow, ShowsTheBufferWithLinesAndBars)
{
    CHexView view;
    Open(view);
    const CHexModel& model = view.Model();
    int bpl = model.Layout().BytesPerLine();
    ASSERT_GE(bpl, 1);
    EXPECT_EQ(model.Size(), kSize);
    EXPECT_EQ(view.Layout().LineCount(), (kSize + bpl - 1) / bpl);
    EXPECT_EQ(view.Layout().ColumnCount(), model.Layout().LineLength());
    // The automatic width fits the line into the window.
    EXPECT_LE(model.Layout().LineLength(), view.Layout().WindowColumns() + 1);
    SCROLLINFO bar = VerticalBar(view);
    EXPECT_EQ(bar.nMax, view.Layout().Bar(1).range);
    EXPECT_EQ(static_cast<int>(bar.nPage), view.Layout().WindowLines());
    EXPECT_EQ(bar.nPos, 0);
    // Shown (the parent stays hidden: a mapped window costs Wine seconds per test).
    EXPECT_TRUE(::GetWindowLongA(::GetDlgItem(view.m_hWnd, 913), GWL_STYLE) & WS_VISIBLE);
    int size = 0;
    uint32_t base = 0;
    EXPECT_EQ(view.GetData(&size, &base), m_data);
    EXPECT_EQ(size, kSize);
    EXPECT_EQ(base, 0x10000u);
}

TEST_F(HexViewWindow, FocusIsNotifiedToTheParent)
{
    CHexView view;
    Open(view);
    EXPECT_GE(m_parent.Count(ANSIVIEW_NOTIFY_SETFOCUS), 1);
    EXPECT_GE(m_parent.Count(HEXVIEW_NOTIFY_SETFOCUS), 1);
    m_parent.SetFocus();
    EXPECT_GE(m_parent.Count(ANSIVIEW_NOTIFY_KILLFOCUS), 1);
    EXPECT_GE(m_parent.Count(HEXVIEW_NOTIFY_KILLFOCUS), 1);
}

TEST_F(HexViewWindow, ShiftArrowsSelectAndNotify)
{
    CHexView view;
    Open(view);
    view.SetCursorAddress(10, false);
    m_parent.notices.clear();
    Key(view, VK_RIGHT, true);
    Key(view, VK_RIGHT, true);
    Key(view, VK_RIGHT, true);
    ASSERT_TRUE(view.HasSelection());
    int length = 0;
    int64_t start = view.GetSelection(false, &length);
    EXPECT_EQ(start, 10);
    EXPECT_GE(length, 1);
    const Notice* n = m_parent.Last(HEXVIEW_NOTIFY_SELECTION);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->values[0], 10);
    EXPECT_EQ(n->values[1], 10 + length - 1);
    EXPECT_EQ(n->values[2], 1);
    // The selection as the disk view copies it: the bytes of the buffer from the lower end.
    uint8_t copy[8] = { 0 };
    int copied = 0;
    EXPECT_EQ(view.CopySelection(copy, 8, &copied), length < 8 ? length : 8);
    EXPECT_EQ(0, memcmp(copy, m_data + 10, static_cast<size_t>(copied)));
    // A plain move ends it, and the parent hears of it.
    Key(view, VK_DOWN);
    EXPECT_FALSE(view.HasSelection());
    n = m_parent.Last(HEXVIEW_NOTIFY_SELECTION);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->values[2], 0);
}

TEST_F(HexViewWindow, ClicksPutTheCursorOnTheByteUnderThePointer)
{
    CHexView view;
    Open(view);
    const CHexModel& model = view.Model();
    Click(view, PointOf(view, 37, HEX_AREA_HEX));
    EXPECT_EQ(model.Cursor(), 37);
    EXPECT_EQ(model.Area(), HEX_AREA_HEX);
    ExpectCaretInStep(view);
    Click(view, PointOf(view, 52, HEX_AREA_TEXT));
    EXPECT_EQ(model.Cursor(), 52);
    EXPECT_EQ(model.Area(), HEX_AREA_TEXT);
    ExpectCaretInStep(view);
    // Dragging with the left button selects from the press to the pointer.
    POINT from = PointOf(view, 70, HEX_AREA_HEX);
    POINT to = PointOf(view, 75, HEX_AREA_HEX);
    m_parent.notices.clear();
    view.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
    view.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
    view.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
    ASSERT_TRUE(view.HasSelection());
    int length = 0;
    EXPECT_EQ(view.GetSelection(false, &length), 70);
    EXPECT_GE(length, 5);
    EXPECT_LE(length, 6);
    EXPECT_NE(m_parent.Last(HEXVIEW_NOTIFY_SELECTION), nullptr);
}

TEST_F(HexViewWindow, PagingScrollingAndTheWheelMoveTheOrigin)
{
    CHexView view;
    Open(view);
    const CTextLayout& L = view.Layout();
    int window = L.WindowLines();
    ASSERT_GT(window, 2);
    Key(view, VK_NEXT);
    EXPECT_EQ(L.ScrollLine(), window - 1);
    EXPECT_EQ(VerticalBar(view).nPos, L.ScrollLine());
    const Notice* n = m_parent.Last(ANSIVIEW_NOTIFY_ORIGIN);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->values[1], window - 1);
    ExpectCaretInStep(view);

    HWND bar = ::GetDlgItem(view.m_hWnd, 913);
    view.SendMessage(WM_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(bar));
    EXPECT_EQ(L.ScrollLine(), window);
    // A notch scrolls its three lines one at a time, each told to the parent.
    const int originsBefore = m_parent.Count(ANSIVIEW_NOTIFY_ORIGIN);
    view.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(L.ScrollLine(), window + 3);
    EXPECT_EQ(VerticalBar(view).nPos, window + 3);
    EXPECT_EQ(m_parent.Count(ANSIVIEW_NOTIFY_ORIGIN) - originsBefore, 3);
    view.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), reinterpret_cast<LPARAM>(bar));
    EXPECT_EQ(L.ScrollLine(), 0);

    // Ctrl+End: the last byte, scrolled into view.
    Key(view, VK_END, false, true);
    EXPECT_EQ(view.Model().Cursor(), kSize - 1);
    EXPECT_GE(L.CaretLine(), L.ScrollLine());
    EXPECT_LT(L.CaretLine(), L.ScrollLine() + L.WindowLines());
    EXPECT_EQ(VerticalBar(view).nPos, L.ScrollLine());
}

TEST_F(HexViewWindow, QueryMessageMovesCursorAndTop)
{
    CHexView view;
    Open(view);
    int bpl = view.Model().Layout().BytesPerLine();
    EXPECT_EQ(view.SendMessage(WM_HEXVIEW_QUERY, 8, 0), kSize);
    EXPECT_EQ(view.SendMessage(WM_HEXVIEW_QUERY, 7, 0), 0x10000);
    EXPECT_EQ(view.SendMessage(WM_HEXVIEW_QUERY, 0, 300), 1);
    EXPECT_EQ(view.SendMessage(WM_HEXVIEW_QUERY, 1, 0), 300);
    ExpectCaretInStep(view);
    int top = 64 * bpl;
    EXPECT_EQ(view.SendMessage(WM_HEXVIEW_QUERY, 2, top), 1);
    EXPECT_EQ(view.SendMessage(WM_HEXVIEW_QUERY, 3, 0), top);
    EXPECT_EQ(view.Layout().ScrollLine(), 64);
    EXPECT_EQ(VerticalBar(view).nPos, 64);
    EXPECT_EQ(view.SendMessage(WM_HEXVIEW_QUERY, 99, 0), 0);
    // Selection end through the message, read back as the lower end.
    view.SendMessage(WM_HEXVIEW_QUERY, 0, 200);
    view.SendMessage(WM_HEXVIEW_QUERY, 4, 100);
    EXPECT_EQ(view.SendMessage(WM_HEXVIEW_QUERY, 5, 0), 101);
}

TEST_F(HexViewWindow, MoveCursorToAddressScrollsToTheByteAndExtendsTheSelection)
{
    CHexView view;
    Open(view);
    const int64_t base = 0x10000;
    // Moves as the view's users make them: absolute or relative, ending the selection or
    // extending it from where it was begun; outside the data the cursor stops at its ends.
    struct Move
    {
        int64_t address;
        bool absolute, extend;
    };
    const Move moves[] = {
        { base + 3000, true, false },
        { 3100, false, true },
        { base + 100, true, true },
        { 2000, false, false },
        { kSize + 50, false, true },
        { base - 5, true, false },
    };
    int anchor = -1;   // where the selection was begun
    int cursor = 0;
    for (const Move& move : moves)
    {
        SCOPED_TRACE(move.address);
        const int64_t offset = move.absolute ? move.address - base : move.address;
        const int target = offset < 0 ? 0 : offset >= kSize ? kSize - 1 : static_cast<int>(offset);
        if (!move.extend)
            anchor = -1;
        else if (anchor < 0)
            anchor = cursor;
        cursor = target;

        EXPECT_EQ(view.MoveCursorToAddress(move.address, move.absolute, move.extend), offset == target ? 1 : 0);
        EXPECT_EQ(view.Model().Cursor(), cursor);
        int length = 0;
        const int64_t low = view.GetSelection(false, &length);
        EXPECT_EQ(low, anchor < 0 ? cursor : std::min(anchor, cursor));
        EXPECT_EQ(length, anchor < 0 ? 0 : std::abs(anchor - cursor) + 1);
        // The caret stands on the byte, and the window shows it.
        ExpectCaretInStep(view);
        const CTextLayout& L = view.Layout();
        EXPECT_GE(view.Model().CaretLine(), L.ScrollLine());
        EXPECT_LT(view.Model().CaretLine(), L.ScrollLine() + L.WindowLines());
    }
}

// Whether any pixel of a band of the bitmap passes a test.
template <class Pred>
int CountPixels(const uint32_t* bits, int width, int top, int bottom, int left, int right, Pred pred)
{
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            n += pred(bits[y * width + x]) ? 1 : 0;
    return n;
}

TEST_F(HexViewWindow, PaintsTheHexTextInItsColourIntoAMemoryContext)
{
    CHexView view;
    Open(view);
    view.SetSelectionEnd(3, false);   // bytes 0..2 selected
    RECT client;
    view.GetClientRect(&client);
    int width = client.right;
    int height = client.bottom;
    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof(bmi));
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;   // top-down rows
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    void* pixels = nullptr;
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    ::ReleaseDC(nullptr, screen);
    HBITMAP dib = ::CreateDIBSection(mem, &bmi, DIB_RGB_COLORS, &pixels, nullptr, 0);
    ASSERT_NE(dib, nullptr);
    HGDIOBJ old = ::SelectObject(mem, dib);
    memset(pixels, 0x55, static_cast<size_t>(width) * height * 4);
    {
        CDC dc;
        dc.Attach(mem);
        view.PrintClient(&dc);
        dc.Detach();
    }
    ::GdiFlush();
    const uint32_t* bits = static_cast<const uint32_t*>(pixels);
    const CTextLayout& L = view.Layout();
    const CHexLayout& H = view.Model().Layout();
    int lh = L.LineHeight();
    int cw = L.CharWidth();
    int m = L.MarginWidth();
    // Line 1 (no selection on it): hex digits in "HEX-Bereich" blue (DIB pixels are
    // 0x00RRGGBB), addresses in "Adressen" red.
    int hexLeft = m + H.HexStart() * cw;
    int hexRight = m + (H.HexStart() + H.HexWidth()) * cw;
    auto blue = [](uint32_t p) { return (p & 0xFF) > 0x80 && ((p >> 8) & 0xFF) < 0x60 && ((p >> 16) & 0xFF) < 0x60; };
    auto red = [](uint32_t p) { return ((p >> 16) & 0xFF) > 0x80 && ((p >> 8) & 0xFF) < 0x60 && (p & 0xFF) < 0x60; };
    EXPECT_GT(CountPixels(bits, width, lh, 2 * lh, hexLeft, hexRight < width ? hexRight : width, blue), 0);
    EXPECT_GT(CountPixels(bits, width, lh, 2 * lh, m, m + H.AddressWidth() * cw, red), 0);
    // Nothing of the 0x55 fill stays in the text area: every line was drawn or filled.
    auto untouched = [](uint32_t p) { return (p & 0xFFFFFF) == 0x555555; };
    EXPECT_EQ(CountPixels(bits, width, 0, L.TextHeight() < height ? L.TextHeight() : height, m,
                          L.TextWidth() < width ? L.TextWidth() : width, untouched),
              0);
    // The selected bytes of line 0 lie on the "Markierung" background (pure blue, filled
    // opaquely, so the exact colour).
    // The digits of line 1 are blue as well, but only their strokes: a cell on the blue
    // background is mostly blue.
    int selLeft = m + H.HexColumnOf(0) * cw;
    auto selection = [](uint32_t p) { return (p & 0xFFFFFF) == 0x0000FF; };
    int cellArea = 2 * cw * lh;
    EXPECT_GT(CountPixels(bits, width, 0, lh, selLeft, selLeft + 2 * cw, selection), cellArea / 2);
    EXPECT_LT(CountPixels(bits, width, lh, 2 * lh, selLeft, selLeft + 2 * cw, selection), cellArea / 2);
    ::SelectObject(mem, old);
    ::DeleteObject(dib);
    ::DeleteDC(mem);
}

TEST_F(HexViewWindow, NullAndEmptyDataShowAnEmptyView)
{
    CHexView view;
    Open(view);
    EXPECT_EQ(view.SetData(nullptr, 100, 0, 0), kSize);
    int size = -1;
    EXPECT_NE(view.GetData(&size, nullptr), nullptr);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(view.SendMessage(WM_HEXVIEW_QUERY, 8, 0), 0);
    EXPECT_EQ(view.SendMessage(WM_HEXVIEW_QUERY, 1, 0), 0);
    // Keys, clicks, scrolling and painting on nothing.
    Key(view, VK_RIGHT);
    Key(view, VK_DOWN);
    Key(view, VK_END, false, true);
    Key(view, VK_NEXT);
    Click(view, POINT{ 40, 40 });
    view.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    view.UpdateWindow();
    view.RequestUpdate(0);
    EXPECT_EQ(view.Model().Cursor(), 0);
    EXPECT_EQ(view.Layout().CaretLine(), 0);
    EXPECT_FALSE(view.HasSelection());
    uint8_t out[4];
    EXPECT_EQ(view.CopySelection(out, 4, nullptr), 0);
    // Size 0 with a real pointer: nothing is read either.
    view.SetData(m_data, 0, 0, 0);
    Key(view, VK_RIGHT, true);
    EXPECT_FALSE(view.HasSelection());
    view.RequestUpdate(0);
    view.RequestUpdate(0);
}

TEST_F(HexViewWindow, RemovingProtectionOverReadOnlyMemoryBeeps)
{
    static const uint8_t kReadOnly[64] = { 1, 2, 3 };
    CHexView view;
    Open(view);
    view.SetData(kReadOnly, 64, 0, 0);
    EXPECT_TRUE(view.GetModeFlags() & HVM_PROTECTED);
    g_beeps = 0;
    view.SetModeFlags(0, HVM_PROTECTED);
    EXPECT_EQ(g_beeps, 1);
    EXPECT_TRUE(view.GetModeFlags() & HVM_PROTECTED);
}

TEST_F(HexViewWindow, ColumnBitsWaitForTheNextLayoutAndRangesAreShownFromTheirStart)
{
    CHexView view;
    Open(view);
    const int textWidth = view.Model().Layout().TextWidth();
    ASSERT_GT(textWidth, 0);
    view.SetCursorArea(HEX_AREA_TEXT);
    view.SetModeFlags(HVM_NO_TEXT, HVM_NO_TEXT);
    EXPECT_EQ(view.Model().Layout().TextWidth(), textWidth);   // laid out as before
    view.SetData(m_data, kSize, 0x10000, HDF_WRITABLE);
    EXPECT_EQ(view.Model().Layout().TextWidth(), 0);
    // The cursor left the hidden text column with it: a key typed now is a hex digit.
    EXPECT_EQ(view.Model().Area(), HEX_AREA_HEX);
    const unsigned char first = m_data[0];
    view.SendMessage(WM_CHAR, 'A', 1);
    EXPECT_EQ(m_data[0], static_cast<unsigned char>(0xA0 | (first & 0x0F)));
    view.SetModeFlags(0, HVM_NO_TEXT);
    view.SetData(m_data, kSize, 0x10000, HDF_WRITABLE);

    // A highlight far below is shown from three lines above its first byte, which now
    // begins a line (raster 1 lets a line begin anywhere).
    view.Model().Layout().SetRasterRequests(1, 1);
    view.SetData(m_data, kSize, 0x10000, HDF_WRITABLE);
    const int bpl = view.Model().Layout().BytesPerLine();
    const int start = 40 * bpl + 5;
    view.SetHighlightRange(0, start, 3);
    EXPECT_EQ(view.ShowRange(0), 1);
    EXPECT_EQ(view.GetTopAddress(false), start - 3 * bpl);
    EXPECT_EQ(view.ShowRange(0), 0);   // now in the window
}

TEST_F(HexViewWindow, NarrowingTheWindowKeepsTheCursorOnItsByte)
{
    CHexView view;
    Open(view);
    view.SetCursorAddress(1000, false);
    int wide = view.Model().Layout().BytesPerLine();
    int64_t top = view.GetTopAddress(false);
    view.MoveWindow(0, 0, 300, 360);
    int narrow = view.Model().Layout().BytesPerLine();
    EXPECT_LT(narrow, wide);
    EXPECT_EQ(view.Model().Cursor(), 1000);
    EXPECT_EQ(view.GetCursorAddress(false), 1000);
    ExpectCaretInStep(view);
    EXPECT_EQ(view.Layout().ColumnCount(), view.Model().Layout().LineLength());
    // The first visible line still begins at the same byte.
    EXPECT_EQ(view.GetTopAddress(false), top);
    EXPECT_EQ(VerticalBar(view).nPos, view.Layout().ScrollLine());
}

TEST_F(HexViewWindow, SettingsOfTheViewNameSurviveRecreatingTheView)
{
    {
        CHexView first;
        Open(first);
        // A fixed line width of 8 bytes, kept by the view's own values.
        first.SetRasters(-8, 1, 0x1003, 0);
        EXPECT_EQ(first.Model().Layout().BytesPerLine(), 8);
        // The "HEX-Bereich" format of the shared "Hex" group gets new colours.
        AnsiViewSettings* s = first.Settings();
        ASSERT_NE(s, nullptr);
        ASSERT_EQ(UpdateColorFormat(s->formats, 0x123456, 0x654321, nullptr, 3, 0), 1);
        EXPECT_EQ(first.CAnsiView::SaveSettings(nullptr), 1);
    }   // the destructor saves the view's own values
    CHexView second;
    EXPECT_EQ(second.Model().Layout().BytesPerLine(), 8);
    EXPECT_EQ(second.StatusMode() & 3u, 3u);
    int row = FindColorFormat(second.Settings()->formats, nullptr, 3);
    ASSERT_GE(row, 0);
    COLORREF text = 0;
    COLORREF background = 0;
    ASSERT_EQ(second.GetColorFormat(row, &text, &background, nullptr), 1);
    EXPECT_EQ(text, 0x123456u);
    EXPECT_EQ(background, 0x654321u);
    EXPECT_STREQ(second.Settings()->formats[row].name, "HEX-Bereich");
}

}  // namespace

TEST_F(HexViewWindow, SearchTextsGroupsAndFlagsAreKeptFromOneRunToTheNext)
{
    ValueSearchSettings& s = GetValueSearchSettings();
    ResetValueSearchSettings(&s);
    const std::vector<std::string> history = { "\"first\"", "0x1234" };
    const std::vector<std::string> groups = { "500", "T:1\t:41\t(\"A\")" };
    {
        CHexView first;
        for (auto it = history.rbegin(); it != history.rend(); ++it)
            AddToHistory(&s.history, it->c_str(), VS_HISTORY_MAX);
        for (const std::string& line : groups)
            MultiTextInsert(&s.groups, -1, line.c_str());
        s.pattern = MakeGroupPattern(s.groups);
        s.flags = VSF_BACKWARDS | VSF_GROUP | VSF_KEEP_ORDER;
    }   // the last view saves them and lets them go
    EXPECT_EQ(s.history, nullptr);
    EXPECT_EQ(s.groups, nullptr);
    EXPECT_EQ(s.pattern, nullptr);
    s.flags = VSF_WRAP;

    auto texts = [](const char* list) {
        std::vector<std::string> out;
        for (int i = 0; MultiTextAt(list, i); ++i)
            out.push_back(MultiTextAt(list, i));
        return out;
    };
    CHexView second;   // the next start reads them back
    EXPECT_EQ(texts(s.history), history);
    EXPECT_EQ(texts(s.groups), groups);
    EXPECT_EQ(s.flags, static_cast<uint32_t>(VSF_BACKWARDS | VSF_GROUP | VSF_KEEP_ORDER));
    {
        CHexView third;
    }   // not the last one: the texts stay
    EXPECT_EQ(texts(s.history), history);
}

TEST_F(HexViewWindow, EverySizeBoundaryDisplaysAndScrolls)
{
    CHexView view;
    Open(view);
    GuardedBuffer big(65536);
    std::vector<unsigned char> pattern(65536);
    for (size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = static_cast<unsigned char>(i ^ (i >> 8));
    ASSERT_TRUE(big.Ok());
    int bpl = view.Model().Layout().BytesPerLine();
    const int sizes[] = { 0, 1, bpl - 1, bpl, bpl + 1, 65535, 65536 };
    for (int size : sizes)
    {
        SCOPED_TRACE(size);
        // Flush against the fence: a read past the last byte would fault.
        unsigned char* data = big.AtEnd(pattern.data(), static_cast<size_t>(size));
        view.SetData(data, size, 0, 0);
        const CTextLayout& L = view.Layout();
        int lines = view.Model().LineCount();
        EXPECT_EQ(L.LineCount(), lines);
        EXPECT_EQ(lines, (size + bpl - 1) / bpl);
        Key(view, VK_END, false, true);
        EXPECT_EQ(view.Model().Cursor(), size > 0 ? size - 1 : 0);
        ExpectCaretInStep(view);
        EXPECT_GE(L.CaretLine(), L.ScrollLine());
        EXPECT_LE(L.CaretLine(), L.ScrollLine() + L.WindowLines());
        EXPECT_EQ(VerticalBar(view).nPos, L.ScrollLine());
        view.RequestUpdate(0);
        Key(view, VK_HOME, false, true);
        EXPECT_EQ(view.Model().Cursor(), 0);
        EXPECT_EQ(L.ScrollLine(), 0);
        view.RequestUpdate(0);
    }
}

namespace {

// A hex view whose context menu only counts: a tracked popup menu would wait for the user.
class CMenuCountingHexView : public CHexView
{
public:
    int menus = 0;
    void OnContextMenu(int, int, HMENU) override { ++menus; }
};

}  // namespace

TEST_F(HexViewWindow, RightButtonPansOrOpensTheContextMenu)
{
    CMenuCountingHexView view;
    Open(view);
    const CTextLayout& L = view.Layout();
    int lh = L.LineHeight();
    view.SetTopAddress(static_cast<int64_t>(100) * view.Model().Layout().BytesPerLine(), false);
    ASSERT_EQ(L.ScrollLine(), 100);
    // A press and release without moving: the context menu.
    view.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(100, 100));
    view.SendMessage(WM_RBUTTONUP, 0, MAKELPARAM(100, 100));
    EXPECT_EQ(view.menus, 1);
    // Dragged up by five lines and a bit: the text follows the hand, the remainder is a
    // pixel offset, and the release keeps the cell reached without opening the menu.
    view.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(100, 200));
    view.SendMessage(WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(100, 200 - 5 * lh - 1));
    EXPECT_EQ(L.ScrollLine(), 105);
    EXPECT_EQ(L.PanOffsetY(), 1);
    view.SendMessage(WM_RBUTTONUP, 0, MAKELPARAM(100, 200 - 5 * lh - 1));
    EXPECT_EQ(view.menus, 1);
    EXPECT_EQ(L.ScrollLine(), 105);
    EXPECT_EQ(L.PanOffsetY(), 0);
    EXPECT_EQ(VerticalBar(view).nPos, 105);
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(HexViewWindow, DraggingBelowTheWindowScrollsOnEachTimerTick)
{
    CHexView view;
    Open(view);
    const CTextLayout& L = view.Layout();
    POINT press = PointOf(view, 0, HEX_AREA_HEX);
    view.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(press.x, press.y));
    int below = L.TextHeight() + 3 * L.LineHeight();
    view.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(press.x, below));
    // The speed the window uses, from the window-free rule.
    int speedX = 0, speedY = 0;
    AutoScrollSpeed(press.x, below, L.MarginWidth(), L.TextWidth(), L.TextHeight(), L.CharWidth(), L.LineHeight(),
                    &speedX, &speedY);
    ASSERT_GT(speedY, 0);
    int line = L.CaretLine();
    view.SendMessage(WM_TIMER, 34902, 0);
    EXPECT_EQ(L.CaretLine(), line + speedY);
    view.SendMessage(WM_TIMER, 34902, 0);
    EXPECT_EQ(L.CaretLine(), line + 2 * speedY);
    EXPECT_TRUE(view.HasSelection());
    EXPECT_LE(L.CaretLine(), L.ScrollLine() + L.WindowLines());
    view.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(press.x, below));
    // After the release the timer does nothing.
    int after = L.CaretLine();
    view.SendMessage(WM_TIMER, 34902, 0);
    EXPECT_EQ(L.CaretLine(), after);
    EXPECT_EQ(::GetCapture(), nullptr);
}
