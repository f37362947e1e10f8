// The list painted into a memory picture (colours, "..." inside its column, glyphs, check
// boxes), the wrapper's column members, and the shape the data window lives in: lists in a
// label strip in a docked sizing bar.
#include <gtest/gtest.h>
#include "controls/ChildBar.h"
#include "controls/FastListCtrl.h"
#include "controls/LabelCtrl.h"
#include "tests/controls/FastListTestSupport.h"

#include <cstring>

using namespace fltest;

namespace {

// The list's client area painted through WM_PAINT into a 32-bit picture.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    explicit Picture(HWND list)
    {
        RECT r;
        GetClientRect(list, &r);
        width = r.right;
        height = r.bottom;
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP bmp = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bmp);
        SendMessageA(list, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
        GdiFlush();
        pixels.assign(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + width * height);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bmp);
    }
    COLORREF At(int x, int y) const
    {
        uint32_t p = pixels[y * width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    bool Uniform(const RECT& r, COLORREF c) const
    {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (At(x, y) != c)
                    return false;
        return true;
    }
    // Pixels darker than half grey (text, whatever its smoothing).
    int Dark(const RECT& r) const
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                COLORREF c = At(x, y);
                n += GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 128;
            }
        return n;
    }
};

// Fills the margin of row 0 with colour entry 1 and leaves row 1's as it drew it (nothing).
DWORD __stdcall MarginHook(void*, DWORD, int item, UINT, HDC, RECT*)
{
    return item == 0 ? 0x80000001u : 0xFFFFFFFFu;
}

RECT Cell(HWND list, int item, int column)
{
    RECT r = {};
    r.top = column;
    r.left = LVIR_BOUNDS | 0x80;   // the cell, not the row
    SendMessageA(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&r));
    return r;
}

}  // namespace

TEST(FastListPaint, RowColoursEllipsisInsideTheColumnAndTreeGlyphs)
{
    InitCommonControls();
    Parent parent;
    Texts texts;
    texts.custom = [](DWORD data, int column, FastListTextRequest* r) {
        if (column == 0 && data == 1)
            strcpy(r->text, "Ein sehr langer Text, der nicht in die Spalte passt");
        else if (column == 0 && data == 3)
            strcpy(r->text, "\x03\x11Zweig");
        else if (column == 0)
            strcpy(r->text, "ab");
    };
    HWND fl = MakeFastList(parent.hwnd, 0, &texts, 0, 0, 300, 120);
    AddColumn(fl, 0, 80);
    AddColumn(fl, 1, 60);
    AddColumn(fl, 2, 60);
    for (DWORD d : {1, 2, 3})
        InsertData(fl, 99, d);
    SendMessageA(fl, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    SendMessageA(fl, LVM_SETBKCOLOR, 0, RGB(250, 240, 200));
    SetState(fl, 1, LVIS_SELECTED, LVIS_SELECTED);
    Picture pic(fl);
    const COLORREF rowBk = RGB(250, 240, 200);
    const COLORREF selected = static_cast<COLORREF>(SendMessageA(fl, LVM_GETBKCOLOR, 6, 0));
    EXPECT_TRUE(pic.Uniform(Cell(fl, 0, 1), rowBk));
    EXPECT_TRUE(pic.Uniform(Cell(fl, 1, 2), selected));
    // Below the rows: the row background.
    RECT below = Cell(fl, 2, 1);
    OffsetRect(&below, 0, below.bottom - below.top);
    EXPECT_TRUE(pic.Uniform(below, rowBk));
    // The long text stops inside column 0 (the next cell stayed empty, above) and ends in
    // dots drawn near its right edge.
    RECT first = Cell(fl, 0, 0);
    RECT tail = {first.right - 14, first.top, first.right, first.bottom};
    EXPECT_GT(pic.Dark(tail), 0);
    // Glyph 3: a grey vertical bar through the first 16-pixel cell.
    RECT glyph = Cell(fl, 2, 0);
    EXPECT_EQ(pic.At(glyph.left + 7, glyph.top + 1), RGB(128, 128, 128));
    // Alternating colours: a selected even row on entry 7, a selected odd row on entry 6.
    SendMessageA(fl, LVM_SETEXTENDEDLISTVIEWSTYLE, FLS_EX_ALTERNATE, FLS_EX_ALTERNATE);
    EXPECT_TRUE(Picture(fl).Uniform(Cell(fl, 1, 2), static_cast<COLORREF>(SendMessageA(fl, LVM_GETBKCOLOR, 6, 0))));
    SetState(fl, 0, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_TRUE(Picture(fl).Uniform(Cell(fl, 0, 2), static_cast<COLORREF>(SendMessageA(fl, LVM_GETBKCOLOR, 7, 0))));
    // The paint hook's margin: entry 1 where the hook asks for it, untouched where it answers -1.
    SendMessageA(fl, FLM_PROPERTY, FLP_MARGIN | FLP_WRITE, 6);
    SendMessageA(fl, FLM_PROPERTY, FLP_PAINTHOOK | FLP_WRITE, reinterpret_cast<LPARAM>(&MarginHook));
    Picture hooked(fl);
    const RECT row0 = Cell(fl, 0, 0), row1 = Cell(fl, 1, 0);
    EXPECT_TRUE(hooked.Uniform(RECT{0, row0.top, 6, row0.bottom}, static_cast<COLORREF>(SendMessageA(fl, LVM_GETBKCOLOR, 1, 0))));
    EXPECT_TRUE(hooked.Uniform(RECT{0, row1.top, 6, row1.bottom}, RGB(0, 0, 0)));   // the fresh picture's black
    SendMessageA(fl, FLM_PROPERTY, FLP_PAINTHOOK | FLP_WRITE, 0);
    SendMessageA(fl, FLM_PROPERTY, FLP_MARGIN | FLP_WRITE, 0);
    SendMessageA(fl, LVM_SETEXTENDEDLISTVIEWSTYLE, FLS_EX_ALTERNATE, 0);
    // A click on the second glyph (a closed box) is told with level and code.
    parent.notes.clear();
    const int mid = (glyph.top + glyph.bottom) / 2;
    SendMessageA(fl, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(glyph.left + 24, mid));
    std::vector<Note> clicks = parent.Of(FLN_GLYPHCLICK);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].item, 2);
    EXPECT_EQ(clicks[0].column, 8 + 1);
    EXPECT_EQ(clicks[0].changed, 0x11u);
    EXPECT_EQ(clicks[0].data, 3);
    DestroyWindow(fl);
}

// Clipped text, the margin strip without a hook and the part right of the last column, on a
// list enabled and disabled; then a paint of one row asks the owner for that row alone.
TEST(FastListPaint, KeptTextMarginRightOfTheColumnsAndOnlyThePaintedRows)
{
    Parent parent;
    Texts texts;
    texts.custom = [](DWORD, int column, FastListTextRequest* r) {
        if (column == 0)
            strcpy(r->text, std::string(40, 'W').c_str());
        else
            strcpy(r->text, "x");
    };
    HWND fl = MakeFastList(parent.hwnd, 0, &texts, 0, 0, 300, 120);
    // Column 0 leaves one pixel beside n whole "W" and the dots: too little for the old rule
    // that wanted three pixels after the fitting characters.
    HDC screen = GetDC(fl);
    HGDIOBJ oldFont = SelectObject(screen, reinterpret_cast<HFONT>(SendMessageA(fl, WM_GETFONT, 0, 0)));
    SIZE w = {}, dots = {};
    GetTextExtentPoint32A(screen, "W", 1, &w);
    GetTextExtentPoint32A(screen, "...", 3, &dots);
    SelectObject(screen, oldFont);
    ReleaseDC(fl, screen);
    ASSERT_GT(w.cx, 0);
    const int n = dots.cx / w.cx + 3;
    AddColumn(fl, 0, 4 + dots.cx + n * w.cx + 1);
    AddColumn(fl, 1, 40);
    for (DWORD d : {1, 2, 3})
        InsertData(fl, 99, d);
    const int margin = 6;
    SendMessageA(fl, FLM_PROPERTY, FLP_MARGIN | FLP_WRITE, margin);
    const DWORD ex = LVS_EX_FULLROWSELECT | FLS_EX_ALTERNATE | FLS_EX_DISABLEDLOOK;
    SendMessageA(fl, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
    SendMessageA(fl, LVM_SETBKCOLOR, 0, RGB(250, 240, 200));
    SendMessageA(fl, LVM_SETBKCOLOR, 1, RGB(200, 230, 250));
    SendMessageA(fl, LVM_SETBKCOLOR, 11, RGB(210, 210, 210));
    SetState(fl, 0, LVIS_SELECTED, LVIS_SELECTED);
    SetState(fl, 1, LVIS_SELECTED, LVIS_SELECTED);
    RECT client;
    GetClientRect(fl, &client);
    struct Case {
        const char* what;
        BOOL enabled;
        int entry;   // the list's background expected in the margin and right of the columns
    } cases[] = {
        {"enabled", TRUE, 0},
        {"disabled", FALSE, 11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EnableWindow(fl, c.enabled);
        const COLORREF background = static_cast<COLORREF>(SendMessageA(fl, LVM_GETBKCOLOR, c.entry, 0));
        Picture pic(fl);
        for (int row = 0; row < 3; ++row) {
            SCOPED_TRACE(row);
            const RECT first = Cell(fl, row, 0), last = Cell(fl, row, 1);
            EXPECT_TRUE(pic.Uniform(RECT{0, first.top, margin, first.bottom}, background));
            EXPECT_TRUE(pic.Uniform(RECT{last.right, first.top, client.right, first.bottom}, background));
            // The characters that fit stay before the dots: ink past where "..." alone ends.
            EXPECT_GT(pic.Dark(RECT{first.left + 3 + dots.cx, first.top, first.left + 2 + n * w.cx - 1, first.bottom}), 0);
        }
    }
    EnableWindow(fl, TRUE);
    ShowWindow(parent.hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(parent.hwnd);
    Drain();
    const RECT cell1 = Cell(fl, 1, 0);
    const RECT row1 = {0, cell1.top, client.right, cell1.bottom};
    texts.calls = 0;
    InvalidateRect(fl, &row1, FALSE);
    UpdateWindow(fl);
    EXPECT_EQ(texts.calls, 2);   // row 1's two cells
    DestroyWindow(fl);
}

// The header area is the list's to paint where no header covers it: the corner left of a
// header that starts at the margin, the band of the extra height of a list without a header,
// and the header's place before the first column; all in the face colour (entry 3).
TEST(FastListPaint, TheHeaderAreaNoHeaderCoversIsPaintedInTheFaceColour)
{
    Parent parent;
    Texts texts;
    const COLORREF face = RGB(10, 200, 30);
    const struct {
        const char* what;
        DWORD style;
        int columns;
        int margin;
        int extra;      // property 12
        bool wholeBand; // else the corner as wide as the margin
    } cases[] = {
        {"the corner left of the header", 0, 2, 10, 0, false},
        {"the corner of a header with extra height", 0, 2, 7, 9, false},
        {"the extra band of a list without a header", LVS_NOCOLUMNHEADER, 2, 0, 12, true},
        {"the header's place before the first column", 0, 0, 0, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HWND fl = MakeFastList(parent.hwnd, c.style, &texts, 0, 0, 300, 120);
        for (int k = 0; k < c.columns; ++k)
            AddColumn(fl, k, 60);
        SendMessageA(fl, FLM_PROPERTY, FLP_MARGIN | FLP_WRITE, c.margin);
        SendMessageA(fl, FLM_PROPERTY, FLP_HEADEREXTRA | FLP_WRITE, c.extra);
        SendMessageA(fl, LVM_SETBKCOLOR, 3, face);
        InsertData(fl, 0, 1);
        RECT row = {LVIR_BOUNDS, 0, 0, 0};
        ASSERT_EQ(SendMessageA(fl, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row)), 1);
        ASSERT_GT(row.top, 0) << "a header area above the rows";
        Picture pic(fl);
        const RECT band = {0, 0, c.wholeBand ? pic.width : c.margin, row.top};
        EXPECT_TRUE(pic.Uniform(band, face));
        DestroyWindow(fl);
    }
}

TEST(FastListPaint, CheckBoxesDifferBetweenCheckedAndUncheckedAndAClickTogglesThem)
{
    Parent parent;
    Texts texts;
    HWND fl = MakeFastList(parent.hwnd, 0, &texts, 0, 0, 300, 120);
    AddColumn(fl, 0, 120);
    SendMessageA(fl, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
    InsertData(fl, 0, 1);
    InsertData(fl, 1, 2);
    EXPECT_EQ(SendMessageA(fl, LVM_GETITEMSTATE, 0, 0xF000), 0x1000);   // new items unchecked
    SetState(fl, 1, 0x2000, 0xF000);
    Picture pic(fl);
    RECT a = Cell(fl, 0, 0), b = Cell(fl, 1, 0);
    const int box = 16;
    bool differs = false;
    for (int y = 0; y < std::min<LONG>(box, a.bottom - a.top); ++y)
        for (int x = 0; x < box; ++x)
            differs |= pic.At(a.left + x, a.top + y) != pic.At(b.left + x, b.top + y);
    EXPECT_TRUE(differs);
    parent.notes.clear();
    SendMessageA(fl, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(a.left + 5, (a.top + a.bottom) / 2));
    EXPECT_EQ(SendMessageA(fl, LVM_GETITEMSTATE, 0, 0xF000), 0x2000);
    std::vector<Note> told = parent.Of(FLN_CHECKCHANGED);
    ASSERT_EQ(told.size(), 1u);
    // The record carries the new state, in uNewState and in uOldState.
    EXPECT_EQ(told[0].newState & 0xF000, 0x2000u);
    EXPECT_EQ(told[0].oldState, told[0].newState);
    DestroyWindow(fl);
}

TEST(FastListPaint, WrapperColumnsStretchByWeightAndHideAndShow)
{
    Parent parent;
    CWnd host;
    host.Attach(parent.hwnd);
    CFastListCtrl list;
    ASSERT_TRUE(list.Create(WS_VISIBLE, CRect(0, 0, 300, 100), &host, 5));
    Texts texts;
    list.SendMessage(FLM_PROPERTY, FLP_TEXTCONTEXT | FLP_WRITE, reinterpret_cast<LPARAM>(&texts));
    list.SendMessage(FLM_PROPERTY, FLP_TEXTCALLBACK | FLP_WRITE, reinterpret_cast<LPARAM>(&Texts::Callback));
    ASSERT_EQ(list.InsertColumn(0, "Name", 0, 80), 0);
    ASSERT_EQ(list.InsertColumn(1, "Wert", 0, -1), 1);
    ASSERT_EQ(list.InsertColumn(2, "Rest", 0, -1), 2);
    RECT client;
    list.GetClientRect(&client);
    const int free = client.right - 80;
    EXPECT_EQ(list.GetColumnWidth(1) + list.GetColumnWidth(2), free);
    // Three pixels more: one stretch column takes two, the other one (1:1 weights).
    const int before1 = list.GetColumnWidth(1), before2 = list.GetColumnWidth(2);
    CRect window;
    list.GetWindowRect(&window);
    list.SetWindowPos(nullptr, 0, 0, window.Width() + 3, window.Height(), SWP_NOMOVE | SWP_NOZORDER);
    const int grew1 = list.GetColumnWidth(1) - before1, grew2 = list.GetColumnWidth(2) - before2;
    EXPECT_EQ(grew1 + grew2, 3);
    EXPECT_TRUE((grew1 == 2 && grew2 == 1) || (grew1 == 1 && grew2 == 2));
    // Hidden, a column keeps its width for when it is shown again; a width of 0 comes
    // back as 100.
    ASSERT_TRUE(list.SetColumnState(0, TRUE, -1, 0));
    EXPECT_EQ(list.GetColumnWidth(0), 0);
    EXPECT_EQ(list.GetColumnWidth(1) + list.GetColumnWidth(2), client.right + 3);
    LVCOLUMNA saved = {};
    saved.mask = LVCF_WIDTH;
    saved.cx = FL_SAVEDWIDTH;
    list.SendMessage(LVM_SETCOLUMNA, 0, reinterpret_cast<LPARAM>(&saved));
    EXPECT_EQ(list.GetColumnWidth(0), 80);
    list.SetColumnState(0, TRUE, 0, 0);
    list.SetColumnState(0, FALSE, -1, 0);
    EXPECT_EQ(list.GetColumnWidth(0), 100);
    list.SetColumnState(2, TRUE, -1, -1);
    list.SetColumnState(2, FALSE, -1, -1);
    EXPECT_GT(list.GetColumnWidth(2), 0);
    // Texts of the callback through the class library's list members.
    list.InsertItem(0, 42);
    EXPECT_STREQ(list.GetItemText(0, 0), "Item 42");
    EXPECT_STREQ(list.GetItemText(0, 2), "42.2");
    EXPECT_EQ(list.FindItem(0, FLF_DATA, nullptr, 0, 0, 42, 0), 0);
    // Property 13 is the list's own procedure, callable directly past the class library's.
    WNDPROC own = reinterpret_cast<WNDPROC>(list.SendMessage(FLM_PROPERTY, FLP_WINDOWPROC));
    EXPECT_NE(reinterpret_cast<LONG_PTR>(own), GetWindowLongPtrA(list.m_hWnd, GWLP_WNDPROC));
    EXPECT_EQ(own(list.m_hWnd, FLM_GETITEMDATA, 0, 0), 42);
    list.DestroyWindow();
    host.Detach();
}

TEST(FastListPaint, ListsInALabelStripInADockedSizingBar)
{
    CFrameWnd* frame = new CFrameWnd;
    ASSERT_TRUE(frame->Create(nullptr, "Daten", WS_OVERLAPPEDWINDOW, CRect(0, 0, 700, 500)));
    CChildBar bar;
    ASSERT_TRUE(bar.Create(frame, CBRS_GRIPPER | CBRS_BOTTOM | CBRS_HIDE_INPLACE, 18));
    bar.SetBarStyle(bar.GetBarStyle() | CBRS_SIZE_DYNAMIC);
    bar.EnableDocking(CBRS_ALIGN_ANY);
    frame->EnableDocking(CBRS_ALIGN_ANY);
    frame->DockControlBar(&bar, AFX_IDW_DOCKBAR_BOTTOM);
    CWnd host;
    ASSERT_TRUE(host.Create(nullptr, "", WS_CHILD, CRect(0, 0, 0, 0), &bar, 291));
    bar.SetChild(&host);
    CFastListCtrl lists[2];
    Texts texts;
    texts.custom = [](DWORD data, int column, FastListTextRequest* r) {
        if (column == 0)
            std::snprintf(r->text, 2044, "%c%cZeile %lu", data % 2 ? 3 : 2, 0x11, static_cast<unsigned long>(data));
        else
            std::snprintf(r->text, 2044, "%d", column);
    };
    for (CFastListCtrl& l : lists) {
        ASSERT_TRUE(l.Create(LVS_SINGLESEL, CRect(0, 0, 10, 10), &host, 100 + static_cast<int>(&l - lists)));
        l.SendMessage(FLM_PROPERTY, FLP_TEXTCONTEXT | FLP_WRITE, reinterpret_cast<LPARAM>(&texts));
        l.SendMessage(FLM_PROPERTY, FLP_TEXTCALLBACK | FLP_WRITE, reinterpret_cast<LPARAM>(&Texts::Callback));
        for (int c = 0; c < 5; ++c)
            l.InsertColumn(c, "Spalte", 0, c == 1 ? -1 : 60);
        l.SetColumnState(3, TRUE, -1, 0);
        l.SendMessage(FLM_APPENDRUN, 30, 1);
    }
    CLabelCtrl strip;
    ASSERT_EQ(strip.Create(2, 0, "Daten", CRect(0, 0, 400, 20), &host, LCS_SPLITTER | LCS_SCROLLTAKEOVER, 300), 1);
    strip.AttachWindows(2, lists, nullptr);
    frame->ShowWindow(SW_SHOWNOACTIVATE);
    frame->ShowControlBar(&bar, TRUE, FALSE);
    CRect client;
    host.GetClientRect(&client);
    strip.SetWindowPos(nullptr, 0, client.bottom - strip.GetStripHeight(), client.Width(), strip.GetStripHeight(),
                       SWP_NOZORDER);
    strip.SetChildArea(0, 0, client.Width(), client.bottom - strip.GetStripHeight());
    strip.RecalcLayout();
    EXPECT_TRUE(lists[0].GetStyle() & WS_VISIBLE);
    EXPECT_FALSE(lists[1].GetStyle() & WS_VISIBLE);
    EXPECT_EQ(strip.GetHookedWindow(), lists[0].m_hWnd);
    EXPECT_EQ(lists[0].GetColumnWidth(3), 0);
    EXPECT_STREQ(lists[0].GetItemText(0, 0), "Zeile 1");
    strip.SelectLabel(1);
    EXPECT_TRUE(lists[1].GetStyle() & WS_VISIBLE);
    EXPECT_EQ(strip.GetHookedWindow(), lists[1].m_hWnd);
    // Floated and docked again, the bar keeps its child filling it.
    frame->FloatControlBar(&bar, CPoint(50, 50), CBRS_ALIGN_TOP);
    CRect barClient, hostRect;
    bar.GetClientRect(&barClient);
    host.GetClientRect(&hostRect);
    EXPECT_EQ(hostRect.Size(), barClient.Size());
    bar.m_pDockContext->ToggleDocking();
    EXPECT_EQ(bar.m_pDockBar->GetDlgCtrlID(), AFX_IDW_DOCKBAR_BOTTOM);
    strip.DestroyWindow();
    frame->DestroyWindow();
    Drain();
}
