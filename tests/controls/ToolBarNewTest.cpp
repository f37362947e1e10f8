// CToolBarNew in a frame: creation over the toolbar window, buttons and images from toolbar
// resources made by windres, docked and floating sizes, the context menu, tooltips and
// fly-by prompts, and what a press does to the bar.
#include <gtest/gtest.h>

#include "classlib/DockBar.h"
#include "classlib/WinApp.h"
#include "controls/ToolBarNew.h"
#include "controls/ToolbarExModel.h"
#include "tests/uihelpers/DrawingSurface.h"

#include <vector>

namespace {

void Drain()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

struct Item {
    int id;
    int image;
    bool separator;
};

std::vector<Item> Items(CToolBarNew& bar)
{
    std::vector<Item> items;
    const int n = static_cast<int>(bar.SendMessage(TB_BUTTONCOUNT));
    for (int i = 0; i < n; ++i) {
        TBBUTTON b = {};
        bar.SendMessage(TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
        items.push_back({b.idCommand, b.iBitmap, (b.fsStyle & BTNS_SEP) != 0});
    }
    return items;
}

// The tooltip window owned by the window in *p (which it replaces); a popup's owner is the
// top-level window of the window it was made for.
BOOL CALLBACK FindToolTip(HWND w, LPARAM p)
{
    HWND* owner = reinterpret_cast<HWND*>(p);
    char name[32] = {};
    GetClassNameA(w, name, sizeof name);
    if (lstrcmpiA(name, TOOLTIPS_CLASSA) == 0 && GetWindow(w, GW_OWNER) == *owner) {
        *owner = w;
        return FALSE;
    }
    return TRUE;
}

class ToolBarNewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame = new CFrameWnd;
        ASSERT_TRUE(frame->Create(nullptr, "Toolbar", WS_OVERLAPPEDWINDOW, CRect(40, 40, 840, 440)));
        ASSERT_TRUE(view.Create("STATIC", "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), frame, AFX_IDW_PANE_FIRST));
        ASSERT_TRUE(status.Create(frame));
        static const UINT pane[] = {ID_SEPARATOR};
        status.SetIndicators(pane, 1);
    }
    void TearDown() override
    {
        if (frame && frame->m_hWnd)
            frame->DestroyWindow();
        Drain();
    }
    bool MakeBar(DWORD controlStyle = TBSTYLE_FLAT, UINT source = 7400)
    {
        const DWORD style = WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY |
                            CBRS_SIZE_DYNAMIC;
        if (!bar.CreateEx(frame, controlStyle, style, 2, 2, 2, 2, AFX_IDW_TOOLBAR))
            return false;
        const UINT_PTR sources[] = {source, 0};
        if (!bar.LoadToolBars(sources))
            return false;
        bar.EnableDocking(CBRS_ALIGN_ANY);
        frame->EnableDocking(CBRS_ALIGN_ANY);
        frame->DockControlBar(&bar);
        frame->RecalcLayout();
        return true;
    }

    CFrameWnd* frame = nullptr;
    CWnd view;
    CStatusBar status;
    CToolBarNew bar;
};

}  // namespace

TEST(ToolBarNew, ButtonSizeFollowsTheIconSize)
{
    EXPECT_EQ(CToolBarNew::ButtonSizeForIcon(32), 28);
    EXPECT_EQ(CToolBarNew::ButtonSizeForIcon(48), 48);   // 60 at most 48
    EXPECT_EQ(CToolBarNew::ButtonSizeForIcon(16), 16);   // -4 at least 16
}

TEST(ToolBarNew, ToolbarResourcesAreReadWithinTheirBlock)
{
    const WORD block[] = {1, 16, 15, 40, 501, 502};
    ToolbarResourceData data = {};
    ASSERT_TRUE(ParseToolbarResource(block, sizeof block, &data));
    EXPECT_EQ(data.count, 2);   // the count runs past the block: only what it holds
    EXPECT_FALSE(ParseToolbarResource(block, 6, &data));
    EXPECT_FALSE(ParseToolbarResource(nullptr, 12, &data));
    ASSERT_TRUE(FindToolbarResource(GetModuleHandleA(nullptr), 7401, &data));
    EXPECT_EQ(data.count, 2);
    EXPECT_EQ(data.ids[1], 502);
    EXPECT_FALSE(FindToolbarResource(GetModuleHandleA(nullptr), 7499, &data));
}

TEST_F(ToolBarNewTest, CreatesTheToolbarWindowWithTheBarsStyles)
{
    ASSERT_TRUE(MakeBar());
    char name[64] = {};
    GetClassNameA(bar.m_hWnd, name, sizeof name);
    EXPECT_STREQ(name, TOOLBAREX_CLASSNAME);
    const DWORD style = bar.GetStyle();
    EXPECT_EQ(style & 0x4030004E, 0x4030004Eu);
    EXPECT_TRUE(style & TBSTYLE_FLAT);
    EXPECT_EQ(bar.GetBarStyle() & CBRS_HIDE_INPLACE, static_cast<DWORD>(CBRS_HIDE_INPLACE));
    EXPECT_EQ(bar.m_buttonSize, CToolBarNew::ButtonSizeForIcon(GetSystemMetrics(SM_CXICON)));
    // No scroll bars: the client area is the window less the borders and the gripper.
    CRect window, client;
    bar.GetWindowRect(&window);
    bar.GetClientRect(&client);
    EXPECT_EQ(client.Width(), window.Width() - 2 - 2 - CToolBar::kGripperSize);
    EXPECT_EQ(client.Height(), window.Height() - 2 - 2);
    EXPECT_EQ(bar.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(window.left + 1, window.top + 1)), HTCLIENT);
    // The class library's toolbar made for a moment is gone again.
    EXPECT_EQ(frame->GetControlBars().size(), 6u);   // status, 4 dock bars, toolbar
    ASSERT_NE(bar.m_pDockBar, nullptr);
    EXPECT_EQ(bar.m_pDockBar->GetDlgCtrlID(), AFX_IDW_DOCKBAR_TOP);
}

TEST_F(ToolBarNewTest, LoadsOneButtonPerIdOfTheResourceAndImagesInTurn)
{
    ASSERT_TRUE(MakeBar());
    std::vector<Item> items = Items(bar);
    ASSERT_EQ(items.size(), 5u);
    const int ids[] = {32860, 32859, 0, 32801, 32808};
    const int images[] = {0, 1, -1, 2, 3};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(items[i].id, ids[i]);
        EXPECT_EQ(items[i].image, images[i]);
        EXPECT_EQ(items[i].separator, ids[i] == 0);
    }
    EXPECT_EQ(bar.m_imageWidth, 16);

    // A button list: each id gets the image of its first place among the resource's ids.
    const UINT_PTR sources[] = {7400, 0};
    const UINT list[] = {32808, 32801, 32808, 0, 555};
    ASSERT_TRUE(bar.LoadToolBars(sources, list, 5));
    items = Items(bar);
    const int listImages[] = {3, 2, 3, -1, 0};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(items[i].image, listImages[i]) << i;
    // The buttons as they are, loaded again.
    ASSERT_TRUE(bar.LoadToolBars(sources, nullptr, kToolbarKeepButtons));
    EXPECT_EQ(Items(bar).size(), 5u);
    EXPECT_EQ(Items(bar)[4].id, 555);

    // A resource whose count runs past its block, and one without its bitmap.
    const UINT_PTR cut[] = {7401, 0};
    ASSERT_TRUE(bar.LoadToolBars(cut));
    EXPECT_EQ(Items(bar).size(), 2u);
    const UINT_PTR noBitmap[] = {7402, 0};
    EXPECT_FALSE(bar.LoadToolBars(noBitmap));
    const UINT_PTR missing[] = {7499, 0};
    EXPECT_FALSE(bar.LoadToolBars(missing));
}

TEST_F(ToolBarNewTest, DocksAsARowAtTheTopAndAsAColumnAtTheSide)
{
    ASSERT_TRUE(MakeBar());
    const CSize row = bar.CalcFixedLayout(FALSE, TRUE);
    const CSize column = bar.CalcFixedLayout(FALSE, FALSE);
    EXPECT_GT(row.cx, row.cy);
    EXPECT_GT(column.cy, column.cx);
    frame->DockControlBar(&bar, AFX_IDW_DOCKBAR_LEFT);
    Drain();
    CRect window;
    bar.GetWindowRect(&window);
    EXPECT_GT(window.Height(), window.Width());
    // Every button in the one column.
    RECT first = {}, last = {};
    bar.SendMessage(TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    bar.SendMessage(TB_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&last));
    EXPECT_EQ(first.left, last.left);
    EXPECT_GT(last.top, first.top);
    // Floating, and docked at the top again.
    frame->FloatControlBar(&bar, CPoint(200, 200), CBRS_ALIGN_TOP);
    EXPECT_TRUE(bar.IsFloating());
    frame->DockControlBar(&bar, AFX_IDW_DOCKBAR_TOP);
    bar.SendMessage(TB_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&last));
    EXPECT_EQ(first.top, last.top);
}

TEST_F(ToolBarNewTest, DrawsTheResourcePictures)
{
    ASSERT_TRUE(MakeBar());
    CRect client;
    bar.GetClientRect(&client);
    drawtest::Surface surface(client.Width(), client.Height());
    bar.SendMessage(WM_PAINT, reinterpret_cast<WPARAM>(surface.Dc()), 0);
    RECT r = {};
    bar.SendMessage(TB_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&r));
    // The data window picture has a navy title bar; the strip's grey is not drawn.
    int navy = 0;
    int grey = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            navy += surface.At(x, y) == RGB(0, 0, 128);
            grey += surface.At(x, y) == RGB(192, 192, 192) && GetSysColor(COLOR_BTNFACE) != RGB(192, 192, 192);
        }
    }
    EXPECT_EQ(navy, 12 * 2);   // the title bar between the black sides
    EXPECT_EQ(grey, 0);
}

TEST_F(ToolBarNewTest, ADisabledButtonIsGreyedRaisedAsFlat)
{
    // "Zurück" at sector 0, painted raised and then flat: inside its frame the disabled button
    // shows the greyed picture on the button face, with no black around it, in both looks.
    ASSERT_TRUE(MakeBar(0));
    bar.SendMessage(TB_ENABLEBUTTON, 32860, FALSE);
    std::vector<COLORREF> looks[2];
    for (int look = 0; look < 2; ++look) {
        if (look)
            bar.SetControlStyle(TBSTYLE_FLAT, TRUE);
        CRect client;
        bar.GetClientRect(&client);
        drawtest::Surface surface(client.Width(), client.Height());
        bar.SendMessage(WM_PAINT, reinterpret_cast<WPARAM>(surface.Dc()), 0);
        CRect r;
        bar.SendMessage(TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
        r.DeflateRect(4, 4);
        int black = 0;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                looks[look].push_back(surface.At(x, y));
                black += surface.At(x, y) == RGB(0, 0, 0);
            }
        }
        EXPECT_EQ(black, 0) << "look " << look;
    }
    EXPECT_EQ(looks[0], looks[1]);
}

TEST_F(ToolBarNewTest, ContextMenuOffersTheEntriesOfTheMask)
{
    ASSERT_TRUE(MakeBar(TBSTYLE_FLAT));
    EXPECT_EQ(bar.BuildContextMenu(), nullptr);   // 0x800 alone: no menu
    bar.m_menuMask = 0x1F0000;
    bar.m_sizeChoice = 1;
    HMENU menu = bar.BuildContextMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 7);   // three sizes, separator, flat, separator, hide
    char text[64] = {};
    GetMenuStringA(menu, 0xD001, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Mittler Icons");
    EXPECT_TRUE(GetMenuState(menu, 0xD001, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(menu, 0xD000, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(menu, 0xD003, MF_BYCOMMAND) & MF_CHECKED);   // the window is flat
    EXPECT_EQ(GetMenuItemID(menu, 3), 0u);
    DestroyMenu(menu);
    bar.m_menuMask = 0x100000;   // "ausblenden" alone: no separator before it
    menu = bar.BuildContextMenu();
    EXPECT_EQ(GetMenuItemCount(menu), 1);
    DestroyMenu(menu);
}

TEST_F(ToolBarNewTest, AusblendenHidesTheBarWhateverItsSender)
{
    ASSERT_TRUE(MakeBar());
    struct App : CWinApp {
        App() : CWinApp("ToolBarHide") {}
    } app;
    app.m_pMainWnd = frame;
    // The command 0xD004 hides the bar, also when it comes with a window (lParam).
    for (LPARAM sender : { LPARAM(0), reinterpret_cast<LPARAM>(view.m_hWnd) }) {
        frame->ShowControlBar(&bar, TRUE, FALSE);
        ASSERT_TRUE(bar.GetStyle() & WS_VISIBLE) << sender;
        bar.SendMessage(WM_COMMAND, 0xD004, sender);
        EXPECT_FALSE(bar.GetStyle() & WS_VISIBLE) << sender;
    }
    app.m_pMainWnd = nullptr;
}

TEST_F(ToolBarNewTest, TooltipAndPromptFollowTheButtonUnderTheMouse)
{
    ASSERT_TRUE(MakeBar());
    RECT r = {};
    bar.SendMessage(TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
    bar.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    // Fly-by: the prompt in the status line.
    char line[128] = {};
    status.GetWindowText(line, sizeof line);
    EXPECT_STREQ(line, "Geht einen Sektor weiter");
    // The tooltip window of the bar holds the tool with the text after "\n".
    HWND root = GetAncestor(bar.m_hWnd, GA_ROOT);
    HWND tip = root;
    EnumThreadWindows(GetCurrentThreadId(), &FindToolTip, reinterpret_cast<LPARAM>(&tip));
    ASSERT_NE(tip, root) << "the bar has no tooltip window";
    EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    char buffer[80] = {};
    TOOLINFOA info = {};
    info.cbSize = sizeof info;
    info.lpszText = buffer;
    ASSERT_TRUE(SendMessageA(tip, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&info)));
    EXPECT_STREQ(buffer, "Weiter");
    EXPECT_EQ(info.uId, 32859u);
    // Off the buttons: the idle prompt, and no tool.
    bar.SendMessage(WM_MOUSELEAVE);
    EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 0);
}

TEST_F(ToolBarNewTest, APressOnTheGripperDragsTheBarToAnotherSide)
{
    ASSERT_TRUE(MakeBar());
    frame->ShowWindow(SW_SHOWNOACTIVATE);
    CRect window;
    bar.GetWindowRect(&window);
    const CPoint grip(window.left + 2 + CToolBar::kGripperSize / 2, window.CenterPoint().y);
    // A press on the gripper is no client press of the toolbar window; the drag loop reads
    // the moves and the release that wait in the queue.
    CRect client;
    frame->GetClientRect(&client);
    frame->ClientToScreen(&client);
    const CPoint left(client.left + 3, client.CenterPoint().y);
    auto toClient = [this](CPoint p) {
        bar.ScreenToClient(&p);
        return MAKELPARAM(p.x, p.y);
    };
    bar.PostMessage(WM_MOUSEMOVE, MK_LBUTTON, toClient(left));
    bar.PostMessage(WM_LBUTTONUP, 0, toClient(left));
    CPoint press = grip;
    bar.ScreenToClient(&press);
    ASSERT_LT(press.x, 0);
    bar.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(press.x, press.y));
    Drain();
    ASSERT_NE(bar.m_pDockBar, nullptr);
    EXPECT_EQ(bar.m_pDockBar->GetDlgCtrlID(), AFX_IDW_DOCKBAR_LEFT);
    bar.GetWindowRect(&window);
    EXPECT_GT(window.Height(), window.Width());
}

TEST_F(ToolBarNewTest, FurtherOperationsDriveTheWindowsMessages)
{
    ASSERT_TRUE(MakeBar());
    // Buttons anew from ids, images in turn; one made a check button with own flags.
    const UINT ids[] = {32860, 32859, 0, 32801};
    ASSERT_TRUE(bar.SetButtons(ids, 4));
    ASSERT_EQ(Items(bar).size(), 4u);
    EXPECT_EQ(Items(bar)[3].image, 2);
    ASSERT_TRUE(bar.SetButton(1, 777, (TBSTATE_ENABLED << 16) | BTNS_CHECK, 3, TBXF_NOHOTLOOK));
    UINT id = 0;
    DWORD stateStyle = 0;
    DWORD data = 0;
    ASSERT_TRUE(bar.GetButton(1, &id, &stateStyle, &data));
    EXPECT_EQ(id, 777u);
    EXPECT_EQ(stateStyle, static_cast<DWORD>((TBSTATE_ENABLED << 16) | BTNS_CHECK));
    EXPECT_EQ(bar.SendMessage(TBX_GETOWNFLAGS, 1), TBXF_NOHOTLOOK);
    EXPECT_FALSE(bar.SetButton(9, 1, 0, 0));
    EXPECT_FALSE(bar.GetButton(9, &id, nullptr, nullptr));
    // Data words: a colour in 5-6-5 bits, a run of ids, the key colours.
    bar.SetButtonData(32860, RGB(255, 0, 0), TRUE);
    EXPECT_EQ(bar.SendMessage(TBX_GETDATA, TbxRefCommand(32860)), 0xF800);
    const DWORD values[] = {11, 12};
    EXPECT_EQ(bar.SetButtonsData(32800, 2, values, RGB(0, 255, 0)), 1);   // only 32801 is there
    EXPECT_EQ(bar.SendMessage(TBX_GETDATA, TbxRefCommand(32801)), 12);
    bar.SetKeyColors(RGB(1, 1, 1), RGB(2, 2, 2));
    EXPECT_EQ(static_cast<COLORREF>(bar.SendMessage(TBX_KEYCOLOR, 1)), RGB(2, 2, 2));
    // Scales, a radio group, the window style.
    EXPECT_EQ(bar.SetImageScale(-1, 512), 256);
    EXPECT_EQ(bar.SetImageScale(7, 512), -1);
    EXPECT_EQ(bar.MakeRadioGroup(0, 4), 3);   // separators are left out
    bar.SetControlStyle(0);
    EXPECT_FALSE(bar.GetStyle() & TBSTYLE_FLAT);
    bar.SetControlStyle(TBSTYLE_FLAT, TRUE);
    EXPECT_TRUE(bar.GetStyle() & TBSTYLE_FLAT);
    // A bitmap handle as more images, after the program's six pictures; the same one again
    // is replaced in place.
    HBITMAP strip = CreateBitmap(32, 15, 1, 32, nullptr);
    EXPECT_EQ(bar.AddBitmap(nullptr, reinterpret_cast<UINT_PTR>(strip), 16), 6);
    EXPECT_EQ(bar.AddBitmap(nullptr, reinterpret_cast<UINT_PTR>(strip), 16), 6);
    EXPECT_TRUE(bar.AddOverlayText(TbxRefIndex(0), "1", 0, 0, 0x05, 3));
    EXPECT_EQ(bar.SendMessage(TBX_REMOVEOVERLAY, 0x12220003), 1);
    // A window in a button: found by slot and by its control id.
    HWND edit = CreateWindowExA(0, "Edit", "", WS_CHILD, 0, 0, 60, 20, bar.m_hWnd, reinterpret_cast<HMENU>(950),
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(bar.SetButtonControl(32801, 0, edit));
    EXPECT_EQ(bar.GetSlotControl(0), edit);
    EXPECT_EQ(bar.GetNthControl(950, 0), edit);
    EXPECT_EQ(bar.GetNthControl(950, 1), nullptr);
    EXPECT_EQ(bar.GetSlotControl(128), nullptr);
    EXPECT_FALSE(bar.SetButtonControl(4242, 0, edit));
    bar.RequestRelayout();
    EXPECT_TRUE(bar.GetStyle() & WS_VISIBLE);
    DeleteObject(strip);
}

namespace {

// A bar that settles its buttons itself: its reflected handler disables every button but
// leaves "Weiter" to whoever comes next.
class SelfUpdatingBar : public CToolBarNew {
public:
    std::vector<UINT> reflected;
    std::vector<UINT> own;
    void OnReflected(CCmdUI* ui)
    {
        reflected.push_back(ui->m_nID);
        if (ui->m_nID == 32859)
            ui->ContinueRouting();
        else
            ui->Enable(FALSE);
    }
    void OnOwn(CCmdUI* ui) { own.push_back(ui->m_nID); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(SelfUpdatingBar, CToolBarNew)
    ON_UPDATE_COMMAND_UI_REFLECT(OnReflected)
    ON_UPDATE_COMMAND_UI(32859, OnOwn)
    ON_UPDATE_COMMAND_UI(32801, OnOwn)
END_MESSAGE_MAP()

}  // namespace

TEST_F(ToolBarNewTest, TheBarsReflectedUpdateHandlerIsAskedFirstForEveryButton)
{
    SelfUpdatingBar self;
    ASSERT_TRUE(self.CreateEx(frame, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP, 2, 2, 2, 2, AFX_IDW_TOOLBAR + 1));
    const UINT_PTR sources[] = {7400, 0};
    ASSERT_TRUE(self.LoadToolBars(sources));
    self.OnUpdateCmdUI(frame, FALSE);
    // Each button but the separator, in order; only the one passed on reaches its own handler.
    const struct { UINT id; bool reflected, own, enabled; } buttons[] = {
        {32860, true, false, false}, {32859, true, true, true}, {32801, true, false, false}, {32808, true, false, false},
    };
    std::vector<UINT> reflected, own;
    for (const auto& b : buttons) {
        if (b.reflected)
            reflected.push_back(b.id);
        if (b.own)
            own.push_back(b.id);
        EXPECT_EQ(self.SendMessage(TB_ISBUTTONENABLED, b.id) != 0, b.enabled) << b.id;
    }
    EXPECT_EQ(self.reflected, reflected);
    EXPECT_EQ(self.own, own);
    self.DestroyWindow();
}
