// The main frame's toolbar and menus in this process: the toolbar from resource 128 with its
// look from "FlatMode", its command states at idle, showing and hiding, docking; every menu
// item owner-drawn with the toolbar's pictures, and the menu operations of the frame.
#include <gtest/gtest.h>

#include "app/DiskApp.h"
#include "app/MenuIconModel.h"
#include "classlib/RecentFileList.h"
#include "classlib/DockBar.h"
#include "controls/ToolbarExModel.h"
#include "tests/app/DiskViewTestSupport.h"
#include "uihelpers/ThemedDrawing.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

const char kAppName[] = "FrameToolbar";

class SilentPrompts : public DiskDocPrompts {
public:
    int Box(const char*, const char*, UINT) override { return IDNO; }
    bool AskText(const char*, const char*, CString*, bool) override { return false; }
};

// Every item of the menu bar's popups, with its popup and position.
struct MenuItem {
    HMENU popup;
    int position;
    UINT id;
    UINT type;
    ULONG_PTR data;
};

void CollectItems(HMENU menu, std::vector<MenuItem>* out)
{
    const int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_DATA | MIIM_SUBMENU;
        GetMenuItemInfoA(menu, i, TRUE, &info);
        if (info.hSubMenu) {
            CollectItems(info.hSubMenu, out);
            continue;
        }
        out->push_back({menu, i, info.wID, info.fType, info.dwItemData});
    }
}

class FrameToolbarTest : public ::testing::Test {
protected:
    FrameToolbarTest() : key(kAppName) {}

    void Open(int flatMode = 1)
    {
        HKEY settings = nullptr;
        std::string path = std::string("Software\\SektorlupeTests\\") + kAppName + "\\Settings";
        RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &settings, nullptr);
        const DWORD value = static_cast<DWORD>(flatMode);
        RegSetValueExA(settings, "FlatMode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
        RegCloseKey(settings);
        ASSERT_NO_FATAL_FAILURE(diskviewtest::BuildFrame(app, key, kAppName, &prompts, &doc, &frame, &view));
        bar = &frame->m_wndToolBar;
    }
    void TearDown() override
    {
        if (app.m_pMainWnd)
            app.m_pMainWnd->SendMessage(WM_CLOSE);
        diskviewtest::DrainQueue();
    }
    void Idle()
    {
        frame->SendMessage(WM_IDLEUPDATECMDUI, TRUE);
        frame->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, TRUE, TRUE);
    }
    LRESULT State(UINT id) { return bar->SendMessage(TB_GETSTATE, id); }

    testsupport::ScratchKey key;
    CDiskApp app;
    SilentPrompts prompts;
    CDiskDoc* doc = nullptr;
    CMainFrame* frame = nullptr;
    CDiskView* view = nullptr;
    CToolBarNew* bar = nullptr;
};

}  // namespace

TEST_F(FrameToolbarTest, FlatModeZeroStartsRaisedAndTheCommandMakesItFlat)
{
    Open(0);
    ASSERT_NE(bar->GetSafeHwnd(), nullptr);
    EXPECT_FALSE(bar->GetStyle() & TBSTYLE_FLAT);
    frame->SendMessage(WM_COMMAND, ID_FLAT_TOOLBAR);
    EXPECT_TRUE(bar->GetStyle() & TBSTYLE_FLAT);
    EXPECT_TRUE(bar->GetStyle() & WS_VISIBLE);
    EXPECT_EQ(frame->FlatMode, 1);
    frame->SendMessage(WM_COMMAND, ID_FLAT_TOOLBAR);
    EXPECT_FALSE(bar->GetStyle() & TBSTYLE_FLAT);
}

TEST_F(FrameToolbarTest, ANegativeFlatModeStartsRaisedWithoutTheCheck)
{
    Open(-1);
    EXPECT_FALSE(bar->GetStyle() & TBSTYLE_FLAT);
    HMENU menu = GetMenu(frame->m_hWnd);
    SendMessageA(frame->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(menu, 2)), 2);
    EXPECT_FALSE(GetMenuState(menu, ID_FLAT_TOOLBAR, MF_BYCOMMAND) & MF_CHECKED);
}

TEST_F(FrameToolbarTest, HoldsTheResourcesButtonsAndKeepsTheirStatesAtIdle)
{
    Open();
    EXPECT_EQ(bar->GetDlgCtrlID(), AFX_IDW_TOOLBAR);
    EXPECT_EQ(bar->SendMessage(TB_BUTTONCOUNT), 8);
    EXPECT_EQ(bar->SendMessage(TB_COMMANDTOINDEX, ID_PREV_SECTOR), 0);
    EXPECT_EQ(bar->SendMessage(TB_COMMANDTOINDEX, ID_REFRESH_DATA_WINDOW), 4);
    ASSERT_NE(bar->m_pDockBar, nullptr);
    EXPECT_EQ(bar->m_pDockBar->GetDlgCtrlID(), AFX_IDW_DOCKBAR_TOP);
    EXPECT_EQ(bar->GetBarStyle() & (CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC | CBRS_GRIPPER),
              static_cast<DWORD>(CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC | CBRS_GRIPPER));
    Idle();
    // Nothing open: no sector to go to in either direction; the data window commands have
    // their handlers in the frame.
    EXPECT_FALSE(State(ID_PREV_SECTOR) & TBSTATE_ENABLED);
    EXPECT_FALSE(State(ID_NEXT_SECTOR) & TBSTATE_ENABLED);
    EXPECT_TRUE(State(ID_DATA_WINDOW) & TBSTATE_ENABLED);
    EXPECT_TRUE(State(ID_REFRESH_DATA_WINDOW) & TBSTATE_ENABLED);

    const std::string image = diskviewtest::FixtureImage("fat16.img");
    if (image.empty())
        GTEST_SKIP() << "fat16.img is missing (run through ctest)";
    ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
    Idle();
    EXPECT_FALSE(State(ID_PREV_SECTOR) & TBSTATE_ENABLED);   // at sector 0
    EXPECT_TRUE(State(ID_NEXT_SECTOR) & TBSTATE_ENABLED);
    // A click on "next" goes to the frame as a control command and moves on one sector.
    RECT r = {};
    bar->SendMessage(TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    bar->SendMessage(WM_MOUSEMOVE, 0, at);
    bar->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
    bar->SendMessage(WM_LBUTTONUP, 0, at);
    diskviewtest::DrainQueue();
    EXPECT_EQ(doc->GetCurrentSector(), 1u);
    Idle();
    EXPECT_TRUE(State(ID_PREV_SECTOR) & TBSTATE_ENABLED);
    // The data window button shows its bar, checked by its update handler.
    bar->SendMessage(TB_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&r));
    const LPARAM data = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    bar->SendMessage(WM_MOUSEMOVE, 0, data);
    bar->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, data);
    bar->SendMessage(WM_LBUTTONUP, 0, data);
    diskviewtest::DrainQueue();
    EXPECT_TRUE(frame->m_wndChildBar.GetStyle() & WS_VISIBLE);
    Idle();
    EXPECT_TRUE(State(ID_DATA_WINDOW) & TBSTATE_CHECKED);
}

TEST_F(FrameToolbarTest, ToolbarCommandHidesAndShowsTheBarWhichFitsOneColumnAtTheSide)
{
    Open();
    frame->SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
    EXPECT_FALSE(bar->GetStyle() & WS_VISIBLE);
    frame->SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
    EXPECT_TRUE(bar->GetStyle() & WS_VISIBLE);
    // Client area: the window less the borders (2 each) and the gripper.
    CRect window, client;
    bar->GetWindowRect(&window);
    bar->GetClientRect(&client);
    EXPECT_EQ(client.Width(), window.Width() - 4 - CToolBar::kGripperSize);
    EXPECT_EQ(client.Height(), window.Height() - 4);
    // Docked left: one column, the gripper on top.
    frame->DockControlBar(bar, AFX_IDW_DOCKBAR_LEFT);
    bar->GetWindowRect(&window);
    bar->GetClientRect(&client);
    EXPECT_GT(window.Height(), window.Width());
    EXPECT_EQ(client.Height(), window.Height() - 4 - CToolBar::kGripperSize);
    RECT first = {}, last = {};
    bar->SendMessage(TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    bar->SendMessage(TB_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&last));
    EXPECT_EQ(first.left, last.left);
    EXPECT_LE(last.right, client.Width());
}

TEST_F(FrameToolbarTest, EveryPopupItemIsOwnerDrawnWithOneTextColumnPerPopup)
{
    Open();
    std::vector<MenuItem> items;
    CollectItems(GetMenu(frame->m_hWnd), &items);
    ASSERT_GT(items.size(), 20u);
    std::vector<std::pair<HMENU, int>> columns;
    for (const MenuItem& item : items) {
        if (item.id >= kFirstRecentFileCommand && item.id <= kLastRecentFileCommand)
            continue;   // drawn once their popup opens
        EXPECT_TRUE(item.type & MFT_OWNERDRAW) << item.id;
        if (item.type & MFT_SEPARATOR) {
            EXPECT_EQ(item.data, 0u);
            continue;
        }
        const MenuItemRecord* record = RecordOfData(item.data);
        ASSERT_NE(record, nullptr) << item.id;
        bool seen = false;
        for (auto& c : columns) {
            if (c.first == item.popup) {
                EXPECT_EQ(c.second, record->textColumn) << item.id;
                seen = true;
            }
        }
        if (!seen)
            columns.push_back({item.popup, record->textColumn});
        // Toolbar commands show their button's picture.
        const int image = item.id == ID_DATA_WINDOW ? 2 : item.id == ID_REFRESH_DATA_WINDOW ? 3 : -1;
        EXPECT_EQ(record->image == kMenuNoImage ? -1 : record->image, image) << item.id;
    }
    EXPECT_EQ(frame->GetMenuItemImage(ID_DATA_WINDOW), 2);
    EXPECT_EQ(frame->GetMenuItemImage(ID_APP_EXIT), -1);

    // Measuring: separators 20 x 8, records their width + 2.
    MEASUREITEMSTRUCT measure = {};
    measure.CtlType = ODT_MENU;
    measure.itemData = 0;
    frame->SendMessage(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
    EXPECT_EQ(measure.itemWidth, 20u);
    EXPECT_EQ(measure.itemHeight, 8u);
    for (const MenuItem& item : items) {
        if (const MenuItemRecord* record = RecordOfData(item.data)) {
            measure.itemData = item.data;
            frame->SendMessage(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
            EXPECT_EQ(measure.itemWidth, record->width + 2u);
            EXPECT_EQ(measure.itemHeight, record->height);
            break;
        }
    }
}

TEST_F(FrameToolbarTest, AcceleratorsOfAPopupStartTogetherBehindItsTextColumn)
{
    Open();
    std::vector<MenuItem> items;
    CollectItems(GetMenu(frame->m_hWnd), &items);
    const int width = 400;
    const int height = 24;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const DWORD background = (GetRValue(window) << 16) | (GetGValue(window) << 8) | GetBValue(window);
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF selection = ((highlight & 0xFEFEFE) >> 1) + ((window & 0xFEFEFE) >> 1);
    const int shift = window != GetSysColor(COLOR_MENU) || selection != highlight ? 3 : 0;
    int checked = 0;
    for (const MenuItem& item : items) {
        const MenuItemRecord* record = RecordOfData(item.data);
        if (!record || record->tabPosition < 0)
            continue;
        SCOPED_TRACE(record->text);
        HDC dc = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        HBITMAP target = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, target);
        DRAWITEMSTRUCT draw = {};
        draw.CtlType = ODT_MENU;
        draw.itemID = item.id;
        draw.itemAction = ODA_DRAWENTIRE;
        draw.hDC = dc;
        draw.rcItem = {0, 0, width, height};
        draw.itemData = item.data;
        frame->SendMessage(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
        GdiFlush();
        const DWORD* pixels = static_cast<const DWORD*>(bits);
        // Every item's text part ends 16 pixels or more before the popup's text column, so
        // the first ink from 8 pixels before it on is the accelerator's.
        int firstInk = -1;
        for (int x = record->textColumn - 8; x < width && firstInk < 0; ++x)
            for (int y = 0; y < height && firstInk < 0; ++y)
                if ((pixels[y * width + x] & 0xFFFFFF) != background)
                    firstInk = x;
        SelectObject(dc, old);
        DeleteObject(target);
        DeleteDC(dc);
        // The accelerator starts 4 pixels plus the text column less the icon column right of
        // the text's left edge, which lies behind the icon column (4 pixels + the icon) and 3
        // pixels further while the menu's colours are not the system's plain ones.
        EXPECT_GE(firstInk, record->textColumn + 8 + shift);
        EXPECT_LE(firstInk, record->textColumn + 8 + shift + 3);
        ++checked;
    }
    EXPECT_GT(checked, 10);
}

TEST_F(FrameToolbarTest, ANoBreakSpaceEndKeepsTheIconAwayAndTextsAreCut)
{
    Open();
    // A new item of the Module popup, with the data window's command, as the text changes.
    HMENU popup = GetSubMenu(GetMenu(frame->m_hWnd), 3);
    AppendMenuA(popup, MF_STRING, ID_REFRESH_DATA_WINDOW, "Neu laden\xA0\tF12");
    const std::string longText(80, 'x');
    AppendMenuA(popup, MF_STRING, 40000, longText.c_str());
    SendMessageA(frame->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 3);
    std::vector<MenuItem> items;
    CollectItems(popup, &items);
    const MenuItem& added = items[items.size() - 2];
    const MenuItemRecord* record = RecordOfData(added.data);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->image, kMenuNoImage);
    EXPECT_EQ(record->tabPosition, 10);
    const MenuItemRecord* cut = RecordOfData(items.back().data);
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(std::strlen(cut->text), 63u);
    // Every record of the popup has the same text column again.
    for (const MenuItem& item : items) {
        if (const MenuItemRecord* r = RecordOfData(item.data)) {
            EXPECT_EQ(r->textColumn, record->textColumn);
        }
    }

    // The text operations: the accelerator alone, the whole text, an unknown command.
    EXPECT_EQ(frame->SetMenuItemText(40000, "Kurz\tStrg+K"), 2);
    EXPECT_EQ(frame->SetMenuItemText(40000, "\tStrg+K"), 1);
    EXPECT_EQ(frame->SetMenuItemText(40000, "\tStrg+L"), 2);
    EXPECT_STREQ(cut->text, "Kurz\tStrg+L");
    // Texts set again and again keep the popup as wide as the first time.
    const uint16_t column = cut->textColumn;
    EXPECT_EQ(frame->SetMenuItemText(40000, "\tStrg+K"), 2);
    EXPECT_EQ(frame->SetMenuItemText(40000, "\tStrg+L"), 2);
    EXPECT_EQ(cut->textColumn, column);
    EXPECT_EQ(frame->SetMenuItemText(40001, "nichts"), 0);
    EXPECT_EQ(frame->SetMenuItemImage(40000, 1), 1);
    EXPECT_EQ(frame->GetMenuItemImage(40000), 1);
    EXPECT_EQ(frame->SetMenuItemImage(40001, 1), 0);

    // Released: no record, drawn as a separator from then on.
    CMenu* menu = CMenu::FromHandle(popup);
    EXPECT_TRUE(frame->SendMessage(WM_MENUITEMRELEASE, static_cast<WPARAM>(items.back().position),
                                   reinterpret_cast<LPARAM>(menu)));
    CollectItems(popup, &items);
    EXPECT_EQ(items.back().data, 0u);
    EXPECT_TRUE(items.back().type & MFT_OWNERDRAW);
    EXPECT_EQ(frame->GetMenuItemImage(40000), -1);
}

TEST_F(FrameToolbarTest, RecentFileItemsKeepTheirTextsInSlots)
{
    app.m_pRecentFileList = new CRecentFileList(ID_FILE_MRU_FILE1, "Recent File List", "File%d", 8);
    (*app.m_pRecentFileList)[0] = "C:\\" + CString(std::string(90, 'a').c_str()) + ".img";
    Open();
    HMENU file = GetSubMenu(GetMenu(frame->m_hWnd), 0);
    SendMessageA(frame->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
    std::vector<MenuItem> items;
    CollectItems(file, &items);
    bool found = false;
    for (const MenuItem& item : items) {
        if (item.id != ID_FILE_MRU_FILE1)
            continue;
        found = true;
        EXPECT_TRUE(item.type & MFT_OWNERDRAW);
        EXPECT_FALSE(IsRecordData(item.data));
        EXPECT_EQ(RecentDataSlot(item.data), 0);
        EXPECT_GT(RecentDataWidth(item.data), 0);
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(std::strlen(frame->MenuItemMruText[0]), 63u);
}

TEST_F(FrameToolbarTest, ADisabledItemIsDrawnFromTheGreyedList)
{
    Open();
    std::vector<MenuItem> items;
    CollectItems(GetMenu(frame->m_hWnd), &items);
    const MenuItem* data = nullptr;
    for (const MenuItem& item : items)
        if (item.id == ID_DATA_WINDOW && RecordOfData(item.data))
            data = &item;
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(frame->m_menuImages), 6);
    EXPECT_EQ(ImageList_GetImageCount(frame->m_menuGreyImages), 6);
    const int width = 200;
    const int height = 24;
    auto draw = [&](UINT state, BITMAPINFO* info, std::vector<DWORD>* pixels) {
        HDC dc = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        HBITMAP target = CreateDIBSection(dc, info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, target);
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_MENU;
        item.itemID = data->id;
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = state;
        item.hDC = dc;
        item.rcItem = {0, 0, width, height};
        item.itemData = data->data;
        frame->SendMessage(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item));
        GdiFlush();
        pixels->assign(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + width * height);
        SelectObject(dc, old);
        DeleteObject(target);
        DeleteDC(dc);
    };
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> disabled, enabled, expected;
    draw(ODS_DISABLED | ODS_GRAYED, &info, &disabled);
    draw(0, &info, &enabled);
    // The picture as the greyed list draws it onto the icon column's colour.
    HDC dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, target);
    RECT column = {0, 0, 4 + frame->m_iconWidth, height};
    HBRUSH menu = CreateSolidBrush(GetSysColor(COLOR_MENU));
    FillRect(dc, &column, menu);
    DeleteObject(menu);
    ImageList_Draw(frame->m_menuGreyImages, 2, dc, 1, 2, ILD_TRANSPARENT);
    GdiFlush();
    expected.assign(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + width * height);
    SelectObject(dc, old);
    DeleteObject(target);
    DeleteDC(dc);
    int differing = 0;
    for (int y = 2; y < 2 + frame->m_iconHeight; ++y) {
        for (int x = 1; x < 1 + frame->m_iconWidth; ++x) {
            EXPECT_EQ(disabled[y * width + x] & 0xFFFFFF, expected[y * width + x] & 0xFFFFFF) << x << "," << y;
            differing += (enabled[y * width + x] & 0xFFFFFF) != (disabled[y * width + x] & 0xFFFFFF);
        }
    }
    EXPECT_GT(differing, 20);   // the normal picture is another one
}

TEST_F(FrameToolbarTest, ACommandOfTwoButtonsTakesTheLaterImage)
{
    Open();
    const UINT sources[] = {7300};
    ASSERT_EQ(frame->InitMenuIcons(sources, 1), 1);
    EXPECT_EQ(frame->m_menuCommandCount, 4);
    EXPECT_EQ(frame->GetMenuItemImage(ID_DATA_WINDOW), 2);
    EXPECT_EQ(ImageList_GetImageCount(frame->m_menuImages), 6);   // the whole picture strip
    const UINT missing[] = {7399};
    EXPECT_EQ(frame->InitMenuIcons(missing, 1), 0);
}

TEST_F(FrameToolbarTest, PopupsInsertedAndRemovedAgain)
{
    Open();
    HMENU bar = GetMenu(frame->m_hWnd);
    const int before = GetMenuItemCount(bar);
    HMENU source = CreatePopupMenu();
    AppendMenuA(source, MF_STRING, 41000, "Erstes");
    AppendMenuA(source, MF_STRING, 41001, "Zweites\tF11");
    HMENU below = CreatePopupMenu();
    AppendMenuA(below, MF_STRING, 41002, "Darunter");
    AppendMenuA(source, MF_POPUP, reinterpret_cast<UINT_PTR>(below), "Mehr");
    // The source drawn by the frame already: its items carry records of their own.
    SendMessageA(frame->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(source), 0);
    std::vector<MenuItem> sourceItems;
    CollectItems(source, &sourceItems);
    ASSERT_NE(RecordOfData(sourceItems[0].data), nullptr);
    ASSERT_TRUE(frame->InsertPopup(777, source, "&Extra", -1));
    ASSERT_EQ(GetMenuItemCount(bar), before + 1);
    HMENU inserted = GetSubMenu(bar, before - 1);   // before the last one ("Hilfe")
    ASSERT_NE(inserted, nullptr);
    EXPECT_EQ(GetMenuItemCount(inserted), 3);
    SendMessageA(frame->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(inserted), before - 1);
    EXPECT_EQ(frame->SetMenuItemText(41001, "\tF11"), 1);
    ASSERT_TRUE(frame->RemovePopupById(777));
    EXPECT_EQ(GetMenuItemCount(bar), before);
    EXPECT_FALSE(IsMenu(inserted));   // made by InsertPopup: destroyed
    EXPECT_FALSE(frame->RemovePopupById(777));
    // What the source still holds lives on: its items' records and the popup below it.
    for (const MenuItem& item : sourceItems) {
        if (item.popup != source)
            continue;
        const MenuItemRecord* record = RecordOfData(item.data);
        ASSERT_NE(record, nullptr) << item.position;
        EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, record)) << item.position;
    }
    EXPECT_TRUE(IsMenu(below));
    DestroyMenu(source);

    // Pictures added later: to both lists, given to the item.
    HBITMAP picture = CreateBitmap(16, 15, 1, 32, nullptr);
    const int strip = ImageList_GetImageCount(frame->m_menuImages);   // the toolbar's pictures
    const int index = frame->AddMenuBitmap(ID_APP_EXIT, picture, RGB(192, 192, 192));
    EXPECT_EQ(index, strip);
    EXPECT_EQ(ImageList_GetImageCount(frame->m_menuGreyImages), strip + 1);
    EXPECT_EQ(frame->GetMenuItemImage(ID_APP_EXIT), strip);
    DeleteObject(picture);
    HICON icon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));
    EXPECT_EQ(frame->AddMenuIcon(70000, icon), strip + 1);
    // The icon's greyed twin is another picture than the icon itself.
    auto drawn = [](HIMAGELIST list, int image) {
        const int side = 64;
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), side, -side, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        HDC dc = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        HBITMAP target = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, target);
        ImageList_Draw(list, image, dc, 0, 0, ILD_NORMAL);
        GdiFlush();
        std::vector<DWORD> pixels(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + side * side);
        SelectObject(dc, old);
        DeleteObject(target);
        DeleteDC(dc);
        return pixels;
    };
    const std::vector<DWORD> normal = drawn(frame->m_menuImages, strip + 1);
    const std::vector<DWORD> grey = drawn(frame->m_menuGreyImages, strip + 1);
    int differing = 0;
    for (size_t i = 0; i < normal.size(); ++i)
        differing += (normal[i] & 0xFFFFFF) != (grey[i] & 0xFFFFFF);
    EXPECT_GT(differing, 20);
}

TEST(MenuIconModel, TextsDataFormsTablesAndColours)
{
    struct Case {
        const char* text;
        int textLength;
        int tab;
        bool noIcon;
    } cases[] = {
        {"&Kopieren\tStrg+Einf", 9, 9, false},
        {"Schreibschutz", 13, -1, false},
        {"Neu\xA0", 4, -1, true},
        {"Neu\xA0\tF2", 4, 4, true},
        {"", 0, -1, false},
    };
    for (const Case& c : cases) {
        const MenuTextParts parts = SplitMenuText(c.text);
        EXPECT_EQ(parts.textLength, c.textLength) << c.text;
        EXPECT_EQ(parts.tabPosition, c.tab) << c.text;
        EXPECT_EQ(parts.endsWithNoBreakSpace, c.noIcon) << c.text;
    }
    EXPECT_EQ(AcceleratorColumnWidth(true, 5), 24);
    EXPECT_EQ(AcceleratorColumnWidth(true, 40), 42);
    EXPECT_EQ(AcceleratorColumnWidth(false, 40), 0);

    const DWORD data = MakeRecentFileData(300, 19, kFirstRecentFileCommand + 5);
    EXPECT_FALSE(IsRecordData(data));
    EXPECT_EQ(RecentDataWidth(data), 300);
    EXPECT_EQ(RecentDataHeight(data), 19);
    EXPECT_EQ(RecentDataSlot(data), 5);

    MenuItemRecord record = {};
    record.textColumn = 40;
    record.width = 70;
    ApplyMenuColumnWidth(&record, 56);
    EXPECT_EQ(record.width, 86);
    EXPECT_EQ(record.textColumn, 56);
    EXPECT_EQ(RecordOfData(DataOfRecord(&record)), &record);

    // The command table stops at 512 entries; a command twice gives the later index.
    std::vector<uint16_t> table(kMenuCommandTableSize);
    const WORD some[] = {5, 0, 6, 5, 0};
    int n = AppendToolbarCommands(table.data(), 0, some, 5);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(LastCommandIndex(table.data(), n, 5), 2);
    EXPECT_EQ(LastCommandIndex(table.data(), n, 6), 1);
    EXPECT_EQ(LastCommandIndex(table.data(), n, 0), -1);
    const std::vector<WORD> many(600, 7);
    n = AppendToolbarCommands(table.data(), n, many.data(), static_cast<int>(many.size()));
    EXPECT_EQ(n, kMenuCommandTableSize);
    EXPECT_EQ(LastCommandIndex(table.data(), n, 7), kMenuCommandTableSize - 1);

    // Colours: the channel-wise averages of the drawing.
    EXPECT_EQ(MixHalfColors(RGB(255, 255, 255), RGB(0, 0, 0)), RGB(127, 127, 127));
    EXPECT_EQ(MixHalfColors(RGB(10, 20, 30), RGB(10, 20, 30)), RGB(10, 20, 30));
    EXPECT_EQ(MenuMixQuarter(RGB(0, 0, 0), RGB(200, 200, 200)), RGB(150, 150, 150));
    const MenuColours c = MenuColoursFrom(RGB(255, 255, 255), RGB(0, 0, 128), RGB(128, 128, 128), 0, 0);
    EXPECT_EQ(c.selection, RGB(127, 127, 191));
    EXPECT_EQ(c.dark, MenuMixQuarter(RGB(255, 255, 255), RGB(128, 128, 128)));
}

TEST_F(FrameToolbarTest, PopupsBeyondTheStackAreLeftAlone)
{
    Open();
    HMENU module = GetSubMenu(GetMenu(frame->m_hWnd), 3);
    // 70 popups side by side (those beyond the stack stay as they are), and in another
    // popup a chain of 25 nested popups (taken one at a time: all reached; the system's menus
    // nest no deeper than about 30).
    for (int i = 0; i < 70; ++i) {
        HMENU sub = CreatePopupMenu();
        AppendMenuA(sub, MF_STRING, 42000 + i, "Eintrag");
        AppendMenuA(module, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "Mehr");
    }
    HMENU chain = CreatePopupMenu();
    AppendMenuA(chain, MF_STRING, 43000, "Ganz tief");
    for (int i = 0; i < 25; ++i) {
        HMENU outer = CreatePopupMenu();
        AppendMenuA(outer, MF_POPUP, reinterpret_cast<UINT_PTR>(chain), "Tiefer");
        chain = outer;
    }
    AppendMenuA(GetSubMenu(GetMenu(frame->m_hWnd), 4), MF_POPUP, reinterpret_cast<UINT_PTR>(chain), "Kette");
    const UINT sources[] = {IDR_MAINFRAME};
    ASSERT_EQ(frame->InitMenuIcons(sources, 1), 1);
    std::vector<MenuItem> items;
    CollectItems(module, &items);
    int drawn = 0;
    for (const MenuItem& item : items)
        drawn += item.id >= 42000 && item.id < 42070 && (item.type & MFT_OWNERDRAW);
    EXPECT_GE(drawn, 60);
    EXPECT_LE(drawn, 70);
    EXPECT_EQ(frame->SetMenuItemText(43000, "Neu"), 2);   // one popup at a time: reached
}
