// The label strip: its arithmetic against independent sums, and the window with labels,
// arrows, splitter, right clicks and the scroll take-over of a list view.
#include <gtest/gtest.h>
#include "controls/LabelCtrl.h"

#include <random>

namespace {

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

// A host frame-less window that records the strip's notices and its child's clicks.
struct Host {
    CWnd wnd;
    std::vector<int> notices;
    Host()
    {
        wnd.CreateEx(0, AfxRegisterWndClass(0), "Host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 300, nullptr, nullptr);
    }
};

}  // namespace

TEST(LabelStrip, KeepingTheCurrentLabelVisibleShowsItWholeWhereSpaceAllows)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 3000; ++round) {
        std::vector<int> widths(1 + rng() % 32);
        for (int& w : widths)
            w = 10 + static_cast<int>(rng() % 247);
        const int edge = 10;
        const int current = static_cast<int>(rng() % widths.size());
        const int space = static_cast<int>(rng() % 900);
        LabelScroll now{static_cast<int>(rng() % widths.size()), static_cast<int>(rng() % 30)};
        LabelScroll s = LabelKeepVisible(widths, edge, current, space, now);
        ASSERT_GE(s.first, 0);
        ASSERT_LT(s.first, static_cast<int>(widths.size()));
        ASSERT_GE(s.offset, 0);
        ASSERT_LT(s.offset, widths[s.first] + edge);
        // Pixels scrolled past, summed independently.
        long long position = s.offset, start = 0;
        for (int i = 0; i < s.first; ++i)
            position += widths[i] + edge;
        for (int i = 0; i < current; ++i)
            start += widths[i] + edge;
        const long long end = start + widths[current] + 2 * edge;
        if (current == 0) {
            ASSERT_EQ(position, 0);
        } else if (end - start <= space) {
            ASSERT_TRUE(position <= start && position + space >= end) << "round " << round;
        }
        // A click in the middle of the current label's text, when shown, hits it.
        if (end - start <= space) {
            int x = static_cast<int>(start - position + edge + widths[current] / 2);
            ASSERT_EQ(LabelAtPoint(widths, edge, s, x), current);
        }
    }
}

TEST(LabelStrip, WidthsNamesAndSplitter)
{
    EXPECT_EQ(LabelDrawnWidth(0, 300, 10), 10 + 200 + 4);
    EXPECT_EQ(LabelDrawnWidth(300, 0, 10), 256);
    EXPECT_EQ(LabelDrawnWidth(3, 0, 10), 10);
    EXPECT_EQ(LabelPrefixText("Daten", 3), "Daten 3");
    EXPECT_EQ(LabelPrefixText("Daten ", 12), "Daten 12");
    EXPECT_EQ(LabelPrefixText(std::string(70, 'x').c_str(), 1), std::string(58, 'x') + " 1");
    EXPECT_EQ(LabelSplitterPosition(400, 32, true, true, 0), 200);
    EXPECT_EQ(LabelSplitterPosition(400, 32, true, false, 390), 400 - 32 - 4);
    EXPECT_EQ(LabelSplitterPosition(400, 32, true, false, 3), 32);
    EXPECT_EQ(LabelSplitterPosition(400, 32, false, true, 0), 400);
    // The labels are drawn one pixel beyond every side of their area that has no line.
    const RECT area = {32, 1, 200, 20};
    for (unsigned lines = 0; lines < 16; ++lines) {
        const RECT r = LabelDrawingRect(area, lines << 4);
        EXPECT_EQ(r.top, (lines & 1) ? 1 : 0) << lines;
        EXPECT_EQ(r.bottom, (lines & 2) ? 20 : 21) << lines;
        EXPECT_EQ(r.left, (lines & 4) ? 32 : 31) << lines;
        EXPECT_EQ(r.right, (lines & 8) ? 200 : 201) << lines;
    }
}

TEST(LabelCtrlWindow, LabelsArrowsSplitterAndRightClicks)
{
    Host host;
    ASSERT_NE(host.wnd.m_hWnd, nullptr);
    CListBox pages[3];
    for (int i = 0; i < 3; ++i)
        pages[i].Create(WS_CHILD | LBS_NOTIFY, CRect(0, 0, 300, 200), &host.wnd, 100 + i);
    CLabelCtrl strip;
    const CRect rect(0, 250, 500, 270);
    ASSERT_EQ(strip.Create(3, 0, "Daten", rect, &host.wnd, LCS_SPLITTER | LCS_LINETOP, 300), 1);
    EXPECT_STREQ(strip.GetLabelText(1), "Daten 2");
    EXPECT_EQ(strip.AttachWindows(3, pages, nullptr), 0);
    EXPECT_EQ(strip.FindLabelByWindow(&pages[2]), 2);
    EXPECT_EQ(strip.FindLabelById(101), 1);
    EXPECT_EQ(strip.FindWindowById(102), &pages[2]);
    EXPECT_EQ(strip.SelectLabel(1), 0);
    EXPECT_TRUE(pages[1].GetStyle() & WS_VISIBLE);
    EXPECT_FALSE(pages[0].GetStyle() & WS_VISIBLE);
    EXPECT_EQ(strip.SelectLabel(7), 1);   // past the count: no change
    // 40 labels become 32; shrinking below the current one selects label 0 first.
    EXPECT_EQ(strip.SetLabelCount(40), 3);
    EXPECT_EQ(strip.GetLabelCount(), 32);
    EXPECT_STREQ(strip.GetLabelText(31), "Fenster 32");
    strip.SelectLabel(20);
    strip.SetLabelCount(5);
    EXPECT_EQ(strip.GetCurrentLabel(), 0);
    // Bad arguments.
    EXPECT_EQ(strip.SetLabelText(9, "x"), -1);
    EXPECT_EQ(strip.SetLabelText(1, nullptr), 0);
    EXPECT_STREQ(strip.GetLabelText(1), "Fenster 2");
    EXPECT_EQ(strip.SetLabelWidth(1, -3), -1);
    EXPECT_EQ(strip.SetLabelTexts(2, nullptr), -1);
    EXPECT_EQ(strip.SetLabelTextPrefix(nullptr), -1);
    EXPECT_EQ(strip.AttachWindows(-1, pages, nullptr), -1);
    EXPECT_EQ(strip.GetLabelWindow(-1), nullptr);
    EXPECT_EQ(strip.SetColour(5, 0), CLR_NONE);
    // Widths: 300 fixed is drawn 256 wide.
    EXPECT_EQ(strip.SetLabelWidth(2, 300), 0);
    EXPECT_EQ(strip.GetDrawnWidth(2), 256);
    EXPECT_EQ(strip.GetLabelWidth(2), 300);

    // The splitter follows half the width until dragged; dragged far right it stops at
    // width - W - 4.
    CRect client;
    strip.GetClientRect(&client);
    const int W = CLabelCtrl::ArrowWidth();
    EXPECT_EQ(strip.GetSplitter(), client.Width() / 2);
    const int y = strip.GetLabelArea().top + 3;
    strip.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(strip.GetSplitter() + 1, y));
    strip.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5000, y));
    strip.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5000, y));
    EXPECT_EQ(strip.GetSplitter(), client.Width() - W - 4);
    strip.SetWindowPos(nullptr, 0, 0, 400, rect.Height(), SWP_NOMOVE | SWP_NOZORDER);
    strip.GetClientRect(&client);
    EXPECT_EQ(strip.GetSplitter(), client.Width() - W - 4);   // no longer half

    // A right click on a label selects it and the window gets a click inside its client area.
    strip.AttachWindows(3, pages, nullptr);
    const CRect area = strip.GetLabelArea();
    LabelScroll s = strip.GetScroll();
    int x = area.left + strip.GetEdgeWidth() + strip.GetDrawnWidth(0) + strip.GetEdgeWidth() + 3 - s.offset;
    // Press and release both carry the key state the strip was given.
    for (WPARAM keys : {WPARAM(MK_RBUTTON), WPARAM(MK_RBUTTON | MK_SHIFT | MK_CONTROL)}) {
        strip.SendMessage(WM_RBUTTONDOWN, keys, MAKELPARAM(x, y));
        EXPECT_EQ(strip.GetCurrentLabel(), 1);
        MSG down = {}, up = {};
        ASSERT_TRUE(PeekMessageA(&down, pages[1].m_hWnd, WM_RBUTTONDOWN, WM_RBUTTONDOWN, PM_REMOVE));
        ASSERT_TRUE(PeekMessageA(&up, pages[1].m_hWnd, WM_RBUTTONUP, WM_RBUTTONUP, PM_REMOVE));
        EXPECT_EQ(down.wParam, keys);
        EXPECT_EQ(up.wParam, keys);
        EXPECT_EQ(up.lParam, down.lParam);
        CRect inside;
        pages[1].GetClientRect(&inside);
        inside.DeflateRect(1, 1);
        EXPECT_TRUE(inside.PtInRect(CPoint(static_cast<short>(LOWORD(down.lParam)), static_cast<short>(HIWORD(down.lParam)))));
    }
    strip.DestroyWindow();
    host.wnd.DestroyWindow();
}

TEST(LabelCtrlWindow, ScrollTakeOverDrivesAListViewAndForgetsADestroyedWindow)
{
    Host host;
    CWnd list;
    ASSERT_TRUE(list.CreateEx(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | WS_HSCROLL | LVS_REPORT, 0, 0, 300, 200,
                              host.wnd.m_hWnd, reinterpret_cast<HMENU>(50)));
    LVCOLUMNA col = {};
    col.mask = LVCF_WIDTH;
    col.cx = 900;
    list.SendMessage(LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&col));
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.pszText = const_cast<char*>("x");
    list.SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    CLabelCtrl strip;
    CWnd* windows[1] = {&list};
    ASSERT_EQ(strip.Create(1, nullptr, "Daten", windows, CRect(0, 200, 600, 220), &host.wnd,
                           LCS_SPLITTER | LCS_SCROLLTAKEOVER, 301, LCF_CHILD), 1);
    strip.SetChildArea(0, 0, 300, 180);
    strip.SelectLabel(0);
    strip.RecalcLayout();
    ASSERT_EQ(strip.GetHookedWindow(), list.m_hWnd);
    // The list's scroll bar lies below the area; the strip's bar scrolls the list.
    CRect r;
    list.GetWindowRect(&r);
    host.wnd.ScreenToClient(&r);
    EXPECT_EQ(r.top, 0);
    EXPECT_GT(r.Height(), 180);
    CScrollBar* bar = strip.GetScrollBar(SB_HORZ);
    ASSERT_NE(bar, nullptr);
    strip.SendMessage(WM_HSCROLL, MAKEWPARAM(SB_PAGERIGHT, 0), reinterpret_cast<LPARAM>(bar->m_hWnd));
    Pump();
    EXPECT_GT(list.GetScrollPos(SB_HORZ), 0);
    EXPECT_EQ(bar->GetScrollPos(), list.GetScrollPos(SB_HORZ));
    // The hooked window destroyed: dropped, nothing else happens.
    list.DestroyWindow();
    strip.RecalcLayout();
    EXPECT_EQ(strip.GetHookedWindow(), nullptr);
    strip.SetLabelWindow(0, nullptr, nullptr);
    strip.DestroyWindow();
    host.wnd.DestroyWindow();
}

namespace {

std::vector<LabelNotify> g_notices;
LRESULT CALLBACK RecordingProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_NOTIFY && lp && reinterpret_cast<NMHDR*>(lp)->code == 1)
        g_notices.push_back(*reinterpret_cast<LabelNotify*>(lp));
    return DefWindowProcA(h, msg, wp, lp);
}

}  // namespace

static_assert(sizeof(LabelNotify) == 28, "the strip's notice is 28 bytes");

TEST(LabelCtrlWindow, NoticesArrowsAndTheListsOfTextsAndWidths)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &RecordingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "LabelStripRecorder";
    RegisterClassA(&wc);
    CWnd host;
    ASSERT_TRUE(host.CreateEx(0, "LabelStripRecorder", "", WS_OVERLAPPEDWINDOW, 0, 0, 600, 300, nullptr, nullptr));
    CListBox pages[3];
    for (int i = 0; i < 3; ++i)
        pages[i].Create(WS_CHILD, CRect(0, 0, 300, 200), &host, 100 + i);
    SetWindowLongPtrA(pages[1].m_hWnd, GWLP_USERDATA, 0x66);
    CLabelCtrl strip;
    ASSERT_EQ(strip.Create(3, 0, "Daten", CRect(0, 250, 500, 270), &host, 0, 300), 1);
    SetWindowLongPtrA(strip.m_hWnd, GWLP_USERDATA, 0x55);
    g_notices.clear();
    // A window attached to the current label, then a selection: one notice each.
    strip.SetLabelWindow(2, &pages[2], nullptr);
    EXPECT_TRUE(g_notices.empty());
    strip.AttachWindows(2, pages, nullptr);
    ASSERT_EQ(g_notices.size(), 1u);
    EXPECT_EQ(g_notices[0].current, 0);
    EXPECT_EQ(g_notices[0].window, pages[0].m_hWnd);
    EXPECT_EQ(strip.SelectLabel(1), 0);
    ASSERT_EQ(g_notices.size(), 2u);
    const LabelNotify& n = g_notices[1];
    EXPECT_EQ(n.hdr.hwndFrom, strip.m_hWnd);
    EXPECT_EQ(n.hdr.idFrom, 300u);
    EXPECT_EQ(n.stripData, 0x55);
    EXPECT_EQ(n.windowData, 0x66);
    EXPECT_EQ(n.current, 1);
    EXPECT_EQ(n.window, pages[1].m_hWnd);

    // The arrow control steps through the labels; its range is the labels, its position the
    // current one.
    HWND arrows = ::GetDlgItem(strip.m_hWnd, 43948);
    ASSERT_NE(arrows, nullptr);
    strip.SendMessage(WM_HSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(arrows));
    EXPECT_EQ(strip.GetCurrentLabel(), 2);
    strip.SendMessage(WM_HSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(arrows));
    EXPECT_EQ(strip.GetCurrentLabel(), 2);
    strip.SendMessage(WM_HSCROLL, SB_LINEUP, reinterpret_cast<LPARAM>(arrows));
    EXPECT_EQ(strip.GetCurrentLabel(), 1);
    SCROLLINFO si = {sizeof si, SIF_ALL};
    ::GetScrollInfo(arrows, SB_CTL, &si);
    EXPECT_EQ(si.nMin, 0);
    EXPECT_EQ(si.nMax, 2);
    EXPECT_EQ(si.nPage, 1u);
    EXPECT_EQ(si.nPos, 1);

    // Texts from a list up to its empty entry, from an array skipping null entries.
    const LPCSTR list[] = {"eins", "zwei", "", "vier"};
    strip.SetLabelTextList(list);
    EXPECT_STREQ(strip.GetLabelText(1), "zwei");
    EXPECT_STREQ(strip.GetLabelText(2), "Daten 3");
    const LPCSTR array[] = {nullptr, "B", "C", "D"};
    EXPECT_EQ(strip.SetLabelTexts(4, array), 0);
    EXPECT_STREQ(strip.GetLabelText(0), "eins");
    EXPECT_STREQ(strip.GetLabelText(2), "C");
    // Widths: all at once and from an array, each answering label 0's old fixed width.
    EXPECT_EQ(strip.SetAllLabelWidths(40), 0);
    EXPECT_EQ(strip.GetLabelWidth(2), 40);
    const int widths[] = {50, 5};
    EXPECT_EQ(strip.SetLabelWidths(2, widths), 40);
    EXPECT_EQ(strip.GetLabelWidth(1), 5);
    EXPECT_EQ(strip.GetDrawnWidth(1), 10);
    EXPECT_EQ(strip.GetLabelWidth(2), 40);
    EXPECT_EQ(strip.SetLabelWidths(2, nullptr), -1);
    // A negative width for all is refused label by label, as for one label: nothing changes.
    EXPECT_EQ(strip.SetLabelWidth(0, -5), -1);
    EXPECT_EQ(strip.SetAllLabelWidths(-5), 50);
    EXPECT_EQ(strip.GetLabelWidth(0), 50);
    EXPECT_EQ(strip.GetLabelWidth(1), 5);
    EXPECT_EQ(strip.GetLabelWidth(2), 40);
    // Colours: the old request back, -1 for the default.
    EXPECT_EQ(strip.SetColour(1, RGB(1, 2, 3)), CLR_NONE);
    EXPECT_EQ(strip.GetColour(1), RGB(1, 2, 3));
    EXPECT_EQ(strip.SetColour(1, CLR_NONE), RGB(1, 2, 3));
    strip.DestroyWindow();
    host.DestroyWindow();
}

namespace {

const UINT kPageProbe = WM_APP + 7;
const LRESULT kPageAnswer = 0x4711;
int g_pageProbes = 0;     // probes the page's own procedure saw
int g_aboveProbes = 0;    // probes the subclass above the strip's hook saw
WNDPROC g_belowAbove = nullptr;
// The page's own user data: zero bytes that, read as the strip's hook record, name no window
// and no strip.
LONG_PTR g_pageData[16] = {};

LRESULT CALLBACK PageProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == kPageProbe) {
        ++g_pageProbes;
        return kPageAnswer;
    }
    return DefWindowProcA(h, msg, wp, lp);
}

LRESULT CALLBACK AboveProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == kPageProbe)
        ++g_aboveProbes;
    return CallWindowProcA(g_belowAbove, h, msg, wp, lp);
}

}  // namespace

TEST(LabelCtrlWindow, AHookReleasedUnderAnotherSubclassPassesEverythingToTheWindowsOwnProcedure)
{
    // The page is hooked for the scroll take-over, another subclass settles above the hook,
    // then the strip lets go in one of its ways. The page must keep its own procedure and
    // user data; the hook still in its chain only passes messages on.
    struct Case {
        const char* what;
        void (*release)(CLabelCtrl& strip);
        bool hooksAgain;   // the strip lives on and takes the page again
    };
    const Case cases[] = {
        {"the take-over style dropped", [](CLabelCtrl& s) { s.SetStyle(s.GetStripStyle() & ~LCS_SCROLLTAKEOVER); },
         true},
        {"the page taken off its label", [](CLabelCtrl& s) { s.SetLabelWindow(0, nullptr, nullptr); }, true},
        {"the strip destroyed", [](CLabelCtrl& s) { s.DestroyWindow(); }, false},
    };
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &PageProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "LabelStripHookedPage";
    RegisterClassA(&wc);
    for (const Case& c : cases) {
        Host host;
        HWND page = CreateWindowExA(0, "LabelStripHookedPage", "", WS_CHILD | WS_VISIBLE | WS_HSCROLL, 0, 0, 300, 180,
                                    host.wnd.m_hWnd, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(page, nullptr) << c.what;
        SetWindowLongPtrA(page, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(g_pageData));
        CWnd pageObject;
        pageObject.Attach(page);
        CWnd* windows[1] = {&pageObject};
        CLabelCtrl strip;
        const DWORD style = LCS_SPLITTER | LCS_SCROLLTAKEOVER;
        ASSERT_EQ(strip.Create(1, nullptr, "Daten", windows, CRect(0, 200, 600, 220), &host.wnd, style, 302,
                               LCF_CHILD), 1) << c.what;
        strip.SetChildArea(0, 0, 300, 180);
        ASSERT_EQ(strip.GetHookedWindow(), page) << c.what;
        EXPECT_NE(GetWindowLongPtrA(page, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(g_pageData)) << c.what;
        g_belowAbove = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(page, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AboveProc)));
        g_pageProbes = g_aboveProbes = 0;
        EXPECT_EQ(SendMessageA(page, kPageProbe, 0, 0), kPageAnswer) << c.what << ", hooked";
        c.release(strip);
        EXPECT_EQ(strip.GetHookedWindow(), nullptr) << c.what;
        EXPECT_EQ(GetWindowLongPtrA(page, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(g_pageData)) << c.what;
        EXPECT_EQ(SendMessageA(page, kPageProbe, 0, 0), kPageAnswer) << c.what << ", released";
        EXPECT_EQ(g_pageProbes, 2) << c.what;
        EXPECT_EQ(g_aboveProbes, 2) << c.what;
        if (c.hooksAgain) {
            // Taken again: the link left in the chain serves once more, and lets go once more.
            strip.SetStyle(style);
            strip.SetLabelWindow(0, &pageObject, nullptr);
            EXPECT_EQ(strip.GetHookedWindow(), page) << c.what;
            EXPECT_NE(GetWindowLongPtrA(page, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(g_pageData)) << c.what;
            EXPECT_EQ(SendMessageA(page, kPageProbe, 0, 0), kPageAnswer) << c.what << ", hooked again";
            strip.SetLabelWindow(0, nullptr, nullptr);
            EXPECT_EQ(GetWindowLongPtrA(page, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(g_pageData)) << c.what;
            EXPECT_EQ(SendMessageA(page, kPageProbe, 0, 0), kPageAnswer) << c.what << ", released again";
            EXPECT_EQ(g_pageProbes, 4) << c.what;
            strip.DestroyWindow();
        }
        pageObject.Detach();
        DestroyWindow(page);
        host.wnd.DestroyWindow();
    }
}

TEST(LabelCtrlWindow, AWindowHeldByOneStripIsNotHookedByAnother)
{
    // Two strips taking over one page: the second leaves it to the first, and the page still
    // answers (two links of the one hook procedure would call each other without end).
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &PageProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "LabelStripHookedPage";
    RegisterClassA(&wc);
    Host host;
    HWND page = CreateWindowExA(0, "LabelStripHookedPage", "", WS_CHILD | WS_VISIBLE | WS_HSCROLL, 0, 0, 300, 180,
                                host.wnd.m_hWnd, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(page, nullptr);
    CWnd pageObject;
    pageObject.Attach(page);
    CWnd* windows[1] = {&pageObject};
    const DWORD style = LCS_SPLITTER | LCS_SCROLLTAKEOVER;
    CLabelCtrl first, second;
    ASSERT_EQ(first.Create(1, nullptr, "Eins", windows, CRect(0, 200, 600, 220), &host.wnd, style, 302, LCF_CHILD), 1);
    ASSERT_EQ(second.Create(1, nullptr, "Zwei", windows, CRect(0, 230, 600, 250), &host.wnd, style, 303, LCF_CHILD), 1);
    EXPECT_EQ(first.GetHookedWindow(), page);
    EXPECT_EQ(second.GetHookedWindow(), nullptr);
    g_pageProbes = 0;
    EXPECT_EQ(SendMessageA(page, kPageProbe, 0, 0), kPageAnswer);
    EXPECT_EQ(g_pageProbes, 1);
    second.DestroyWindow();
    first.DestroyWindow();
    EXPECT_EQ(SendMessageA(page, kPageProbe, 0, 0), kPageAnswer);
    pageObject.Detach();
    DestroyWindow(page);
    host.wnd.DestroyWindow();
}

namespace {

// The strip with its painting reachable: the tests draw it into a memory bitmap.
class PaintableStrip : public CLabelCtrl {
public:
    // The colour of each pixel of the strip's top row, left to right.
    std::vector<COLORREF> TopRow()
    {
        CRect client;
        GetClientRect(&client);
        HDC screen = ::GetDC(nullptr);
        HDC dc = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, client.Width(), client.Height());
        ::ReleaseDC(nullptr, screen);
        HGDIOBJ old = ::SelectObject(dc, bitmap);
        PaintStrip(dc);
        std::vector<COLORREF> row;
        for (int x = 0; x < client.Width(); ++x)
            row.push_back(::GetPixel(dc, x, 0));
        ::SelectObject(dc, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(dc);
        return row;
    }
};

}  // namespace

TEST(LabelCtrlWindow, TheCurrentLabelJoinsTheWindowAboveAcrossTheTopLine)
{
    const COLORREF label = RGB(200, 10, 10), current = RGB(10, 200, 10), line = RGB(10, 10, 200);
    struct Case {
        DWORD style;
        COLORREF overCurrent;   // the top row in the middle of the current label
        COLORREF overOther;     // and of the label after it
    } cases[] = {
        {LCS_JOINCURRENT | LCS_LINETOP, current, line},
        {LCS_LINETOP, line, line},
        {LCS_JOINCURRENT, current, label},
        {0, current, label},
    };
    for (const Case& c : cases) {
        Host host;
        PaintableStrip strip;
        ASSERT_EQ(strip.Create(3, 60, "Daten", CRect(0, 250, 500, 270), &host.wnd, c.style, 300), 1);
        strip.SetColour(0, label);
        strip.SetColour(1, current);
        strip.SetColour(4, line);
        // Matched against what the screen can show of the colours.
        HDC screen = ::GetDC(nullptr);
        auto shown = [screen](COLORREF colour) { return ::GetNearestColor(screen, colour); };
        const int e = strip.GetEdgeWidth();
        const int left = strip.GetLabelArea().left;
        const int middleOfCurrent = left + e + strip.GetDrawnWidth(0) / 2;
        const int middleOfNext = left + e + strip.GetDrawnWidth(0) + e + strip.GetDrawnWidth(1) / 2;
        const std::vector<COLORREF> row = strip.TopRow();
        ASSERT_GT(static_cast<int>(row.size()), middleOfNext);
        EXPECT_EQ(row[middleOfCurrent], shown(c.overCurrent)) << std::hex << c.style;
        EXPECT_EQ(row[middleOfNext], shown(c.overOther)) << std::hex << c.style;
        ::ReleaseDC(nullptr, screen);
        strip.DestroyWindow();
        host.wnd.DestroyWindow();
    }
}

TEST(LabelCtrlWindow, ACountChangeResetsTheArrowRangeAndNewLabelsStartTenPixelsWide)
{
    Host host;
    CLabelCtrl strip;
    ASSERT_EQ(strip.Create(3, 0, "Daten", CRect(0, 250, 500, 270), &host.wnd, 0, 300), 1);
    HWND arrows = ::GetDlgItem(strip.m_hWnd, kLabelArrowId);
    ASSERT_NE(arrows, nullptr);
    struct Case {
        int count;
        int select;   // made current before the count changes, -1: left as it is
    } cases[] = {{5, -1}, {2, -1}, {32, 1}, {1, -1}, {4, 0}};
    for (const Case& c : cases) {
        if (c.select >= 0)
            strip.SelectLabel(c.select);
        const int before = strip.GetLabelCount();
        strip.SetLabelCount(c.count);
        SCROLLINFO si = {sizeof si, SIF_ALL};
        ASSERT_TRUE(::GetScrollInfo(arrows, SB_CTL, &si));
        EXPECT_EQ(si.nMin, 0) << c.count;
        EXPECT_EQ(si.nMax, std::max(c.count - 1, 0)) << c.count;
        EXPECT_EQ(si.nPos, strip.GetCurrentLabel()) << c.count;
        for (int i = before; i < c.count; ++i)
            EXPECT_EQ(strip.GetDrawnWidth(i), 10) << c.count << " label " << i;
    }
    strip.DestroyWindow();
    host.wnd.DestroyWindow();
}

TEST(LabelCtrlWindow, HookingRaisesTheWindowAndTheSplitterFollowsHalfTheWidthAfterARestore)
{
    Host host;
    CListBox pages[3];
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(pages[i].Create(WS_CHILD | WS_VISIBLE | WS_HSCROLL, CRect(0, 0, 300, 180), &host.wnd, 100 + i));
    // The windows given at creation: only the current label's shows.
    CWnd* windows[3] = {&pages[0], &pages[1], &pages[2]};
    CLabelCtrl strip;
    ASSERT_EQ(strip.Create(3, nullptr, "Daten", windows, CRect(0, 200, 600, 220), &host.wnd,
                           LCS_SPLITTER | LCS_SCROLLTAKEOVER | LCS_KEEPSPLITTER, 303, LCF_CHILD), 1);
    strip.SetChildArea(0, 0, 300, 180);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ((pages[i].GetStyle() & WS_VISIBLE) != 0, i == 0) << i;
    // Each label made current brings its window up over its siblings.
    const int order[] = {2, 1, 0, 2};
    for (int i : order) {
        ::SetWindowPos(pages[(i + 1) % 3].m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ASSERT_NE(::GetWindow(host.wnd.m_hWnd, GW_CHILD), pages[i].m_hWnd) << i;
        strip.SelectLabel(i);
        ASSERT_EQ(strip.GetHookedWindow(), pages[i].m_hWnd) << i;
        EXPECT_EQ(::GetWindow(host.wnd.m_hWnd, GW_CHILD), pages[i].m_hWnd) << i;
    }
    // The window loses its scroll bar and gets it back: the splitter is put back and still
    // follows half the width.
    // (A list box without a horizontal extent drops the bar at once: the bar is set first.)
    HWND hooked = pages[2].m_hWnd;
    const LONG style = ::GetWindowLongA(hooked, GWL_STYLE);
    const bool bar[] = {true, false, true};
    for (bool on : bar) {
        ::SetWindowLongA(hooked, GWL_STYLE, on ? (style | WS_HSCROLL) : (style & ~WS_HSCROLL));
        strip.RecalcLayout();
    }
    const int widths[] = {400, 560, 300};
    for (int width : widths) {
        strip.SetWindowPos(nullptr, 0, 0, width, 20, SWP_NOMOVE | SWP_NOZORDER);
        CRect client;
        strip.GetClientRect(&client);
        EXPECT_EQ(strip.GetSplitter(), client.Width() / 2) << width;
    }
    strip.DestroyWindow();
    host.wnd.DestroyWindow();
}
