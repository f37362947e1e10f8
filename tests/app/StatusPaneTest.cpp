// The main frame's answers to WM_STATUSPANE, sent directly as the views send them: base
// panes, groups with their handles, plain and coloured texts, the drawing of coloured panes,
// and the lifetime of the records behind the coloured panes.
#include <gtest/gtest.h>

#include "app/MainFrm.h"
#include "uihelpers/StatusPane.h"
#include "app/res/resource.h"
#include "services/AppIdentity.h"
#include "tests/support/TestSupport.h"

#include <commctrl.h>
#include <string>

namespace {

const char kTestAppName[] = "StatusPanes";

class StatusPaneTest : public ::testing::Test {
protected:
    StatusPaneTest() : key(kTestAppName) {}

    void SetUp() override
    {
        app.SetRegistryKey("SektorlupeTests");
        SetAppIdentity("SektorlupeTests", kTestAppName);
        CMainFrame::ForgetStatusPanePermission();
        records = CStatusPaneBar::LiveRecordCount();
        frame = new CMainFrame;
        ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW));
        hwnd = frame->m_hWnd;
        bar = ::GetDlgItem(hwnd, AFX_IDW_STATUS_BAR);
        ASSERT_NE(bar, nullptr);
    }

    void TearDown() override
    {
        if (::IsWindow(hwnd))
            ::DestroyWindow(hwnd);   // the frame deletes itself
        // Whatever the case left coloured went with the status bar.
        EXPECT_EQ(CStatusPaneBar::LiveRecordCount(), records);
    }

    LRESULT Send(WPARAM command, StatusPaneRequest* request)
    {
        return ::SendMessageA(hwnd, WM_STATUSPANE, command, reinterpret_cast<LPARAM>(request));
    }

    LRESULT SetBase(const uint32_t* ids, int32_t* widths, int count)
    {
        StatusPaneRequest r = {};
        r.ids = ids;
        r.widths = widths;
        r.count = count;
        return Send(StatusPaneSetBase, &r);
    }

    LRESULT Insert(const uint32_t* ids, int32_t* widths, int count)
    {
        StatusPaneRequest r = {};
        r.ids = ids;
        r.widths = widths;
        r.count = count;
        return Send(StatusPaneInsertGroup, &r);
    }

    LRESULT SetText(int index, const char* text, int32_t background = -1, int32_t textColor = -1)
    {
        StatusPaneRequest r = {};
        r.index = index;
        r.text = text;
        r.update = 1;
        r.background = background;
        r.textColor = textColor;
        return Send(StatusPaneSetText, &r);
    }

    LRESULT SetColors(int index, int32_t background, int32_t textColor)
    {
        StatusPaneRequest r = {};
        r.index = index;
        r.update = 1;
        r.background = background;
        r.textColor = textColor;
        return Send(StatusPaneSetColors, &r);
    }

    int Parts() const { return static_cast<int>(::SendMessageA(bar, SB_GETPARTS, 0, 0)); }

    UINT PartType(int part) const
    {
        return HIWORD(::SendMessageA(bar, SB_GETTEXTLENGTHA, static_cast<WPARAM>(part), 0));
    }

    // The text a plain part shows, or the record's text of a coloured one.
    std::string PartText(int part) const
    {
        if (const PaneColorRecord* record = frame->m_wndStatusBar.PartRecord(part))
            return record->text;
        char buffer[512] = {};
        ::SendMessageA(bar, SB_GETTEXTA, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(buffer));
        return buffer;
    }

    int Width(int part) const
    {
        UINT id = 0;
        UINT style = 0;
        int width = 0;
        frame->m_wndStatusBar.GetPaneInfo(part, id, style, width);
        return width;
    }

    UINT Id(int part) const { return frame->m_wndStatusBar.GetItemID(part); }

    testsupport::ScratchKey key;
    CWinApp app{"StatusPaneTest"};
    CMainFrame* frame = nullptr;
    HWND hwnd = nullptr;
    HWND bar = nullptr;
    int records = 0;
};

}  // namespace

TEST_F(StatusPaneTest, NothingButBasePanesBeforeTheFirstBaseRequest)
{
    const uint32_t ids[] = {64, 65};
    EXPECT_EQ(Insert(ids, nullptr, 2), 0);
    EXPECT_EQ(SetText(0, "x"), 0);
    EXPECT_EQ(SetColors(0, 255, 0), 0);
    StatusPaneRequest none = {};
    EXPECT_EQ(::SendMessageA(hwnd, WM_STATUSPANE, StatusPaneRemoveGroup, 0x10002), 0);
    EXPECT_EQ(Parts(), 1);
    // Unknown sub-commands are answered 1 and change nothing.
    EXPECT_EQ(Send(9, &none), 1);
    EXPECT_EQ(Parts(), 1);
}

TEST_F(StatusPaneTest, BasePanesCountLeadingIdsAndScaleCharacterWidths)
{
    const uint32_t ids[] = {64, 0, 65};
    EXPECT_EQ(SetBase(ids, nullptr, -1), 1);
    EXPECT_EQ(Parts(), 2);
    EXPECT_EQ(Id(1), 64u);
    EXPECT_EQ(Width(1), 50);

    // The character factor comes from the icon-title font, asked here independently.
    LOGFONTA font = {};
    const bool have = SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof(font), &font, 0) != FALSE;
    int perChar = 7;
    if (have && font.lfWidth != 0)
        perChar = font.lfWidth < 0 ? -font.lfWidth : font.lfWidth;
    else if (have && font.lfHeight * 2 / 3 != 0)
        perChar = font.lfHeight * 2 / 3 < 0 ? -(font.lfHeight * 2 / 3) : font.lfHeight * 2 / 3;
    if (perChar > 25)
        perChar = 25;
    const uint32_t two[] = {0, 0};
    int32_t widths[] = {-20, 123};
    EXPECT_EQ(SetBase(two, widths, 2), 2);
    EXPECT_EQ(widths[0], 20 * perChar);   // scaled in the caller's array
    EXPECT_EQ(Parts(), 3);
    EXPECT_EQ(Width(1), 20 * perChar);
    EXPECT_EQ(Width(2), 123);

    // More than eight are cut at eight.
    const uint32_t many[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EXPECT_EQ(SetBase(many, nullptr, 10), 8);
    EXPECT_EQ(Parts(), 9);
}

TEST_F(StatusPaneTest, GroupsGoInFrontOfOlderGroupsAndKeepTheirHandles)
{
    ASSERT_EQ(SetBase(nullptr, nullptr, 0), 0);
    const uint32_t first[] = {64, 65};
    int32_t widths[] = {175, 175};
    const int32_t h1 = static_cast<int32_t>(Insert(first, widths, 2));
    ASSERT_TRUE(h1 != 0 && h1 != -1) << std::hex << h1;
    EXPECT_EQ(PaneGroupTag(h1), 2);
    ASSERT_EQ(SetText(PaneGroupFirstIndex(h1), "(Img) Sektor 5 "), 1);
    ASSERT_EQ(SetText(PaneGroupFirstIndex(h1) + 1, " Rel.Sec 5"), 1);
    EXPECT_EQ(PartText(1), "(Img) Sektor 5 ");
    EXPECT_EQ(PartText(2), " Rel.Sec 5");
    EXPECT_EQ(Width(1), 175);

    const uint32_t second[] = {70};
    const int32_t h2 = static_cast<int32_t>(Insert(second, nullptr, 1));
    EXPECT_EQ(PaneGroupTag(h2), 3);
    EXPECT_EQ(Parts(), 4);
    EXPECT_EQ(Id(1), 70u);
    // The older group's index from the end still addresses its first pane.
    ASSERT_EQ(SetText(PaneGroupFirstIndex(h1), "(Img) Sektor 6 "), 1);
    EXPECT_EQ(PartText(2), "(Img) Sektor 6 ");

    EXPECT_EQ(::SendMessageA(hwnd, WM_STATUSPANE, StatusPaneRemoveGroup, h2), 3);
    EXPECT_EQ(Id(1), 64u);
    EXPECT_EQ(Id(2), 65u);
    EXPECT_EQ(PartText(1), "(Img) Sektor 6 ");
    EXPECT_EQ(frame->PaneLayout().TagAt(1), PaneGroupTag(h1));
    EXPECT_EQ(frame->PaneLayout().TagAt(2), PaneGroupTag(h1));

    // An empty insertion is -1.
    EXPECT_EQ(Insert(first, nullptr, 0), -1);
    EXPECT_EQ(Insert(nullptr, nullptr, 2), -1);
}

TEST_F(StatusPaneTest, ColouredPanesOwnARecordUntilTheyTurnPlain)
{
    const uint32_t ids[] = {0, 0};
    ASSERT_EQ(SetBase(ids, nullptr, 2), 2);
    EXPECT_EQ(SetText(0, "rot", RGB(255, 0, 0), RGB(255, 255, 255)), 1);
    EXPECT_EQ(PartType(1), kColorPaneType);
    EXPECT_EQ(CStatusPaneBar::LiveRecordCount(), records + 1);
    const PaneColorRecord* record = frame->m_wndStatusBar.PartRecord(1);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->background, static_cast<int32_t>(RGB(255, 0, 0)));
    EXPECT_EQ(record->length, 3u);

    // New colours on the same pane: one record still.
    EXPECT_EQ(SetText(0, "gruen", RGB(0, 255, 0), -1), 1);
    EXPECT_EQ(CStatusPaneBar::LiveRecordCount(), records + 1);
    EXPECT_EQ(PartText(1), "gruen");

    // Both colours -1: a plain pane again, and the record is gone.
    EXPECT_EQ(SetText(0, "grau"), 1);
    EXPECT_EQ(PartType(1) & SBT_OWNERDRAW, 0u);
    EXPECT_EQ(PartText(1), "grau");
    EXPECT_EQ(CStatusPaneBar::LiveRecordCount(), records);
}

TEST_F(StatusPaneTest, ColoursAloneKeepTheTextOrEmptyItWhenTooLong)
{
    const uint32_t ids[] = {0, 0};
    ASSERT_EQ(SetBase(ids, nullptr, 2), 2);
    ASSERT_EQ(SetText(0, "Sektor 7"), 1);
    EXPECT_EQ(SetColors(0, -1, -1), 1);   // plain and no colours: nothing to do
    EXPECT_EQ(PartType(1) & SBT_OWNERDRAW, 0u);
    EXPECT_EQ(SetColors(0, RGB(0, 0, 255), -1), 1);
    EXPECT_EQ(PartType(1), kColorPaneType);
    EXPECT_EQ(PartText(1), "Sektor 7");
    EXPECT_EQ(SetColors(0, RGB(0, 0, 255), -1), 1);   // same colours: the same record
    EXPECT_EQ(CStatusPaneBar::LiveRecordCount(), records + 1);
    EXPECT_EQ(SetColors(0, -1, -1), 1);               // back to plain with its text
    EXPECT_EQ(PartType(1) & SBT_OWNERDRAW, 0u);
    EXPECT_EQ(PartText(1), "Sektor 7");
    EXPECT_EQ(CStatusPaneBar::LiveRecordCount(), records);

    // 300 characters do not fit the 256-byte read: the coloured pane starts empty.
    const std::string longText(300, 'x');
    ASSERT_EQ(SetText(-1, longText.c_str()), 1);
    EXPECT_EQ(PartText(2), longText);
    EXPECT_EQ(SetColors(-1, RGB(1, 2, 3), RGB(4, 5, 6)), 1);
    EXPECT_EQ(PartType(2), kColorPaneType);
    EXPECT_EQ(PartText(2), "");
}

TEST_F(StatusPaneTest, ColouringAPlainPaneReadsNoDataWordFromIt)
{
    // A long plain text, as a view might leave it: reading "the old record" of this pane
    // with SB_GETTEXT would copy those 200 characters over a 4-byte variable.
    const uint32_t ids[] = {0};
    ASSERT_EQ(SetBase(ids, nullptr, 1), 1);
    const std::string longText(200, 'y');
    ASSERT_EQ(SetText(0, longText.c_str()), 1);
    EXPECT_EQ(frame->m_wndStatusBar.PartRecord(1), nullptr);
    EXPECT_EQ(SetText(0, "ok", RGB(0, 128, 0), -1), 1);
    EXPECT_EQ(PartText(1), "ok");
    EXPECT_EQ(CStatusPaneBar::LiveRecordCount(), records + 1);
}

TEST_F(StatusPaneTest, RebuildingThePanesFreesTheRecordsOfDroppedAndMovedPanes)
{
    ASSERT_EQ(SetBase(nullptr, nullptr, 0), 0);
    const uint32_t group[] = {64, 65};
    const int32_t h1 = static_cast<int32_t>(Insert(group, nullptr, 2));
    ASSERT_TRUE(h1 != 0 && h1 != -1);
    ASSERT_EQ(SetText(PaneGroupFirstIndex(h1), "a", RGB(255, 0, 0), -1), 1);
    ASSERT_EQ(SetText(PaneGroupFirstIndex(h1) + 1, "b", RGB(0, 255, 0), -1), 1);
    ASSERT_EQ(CStatusPaneBar::LiveRecordCount(), records + 2);

    // A new group in front: the panes are rebuilt and the senders write again.
    const uint32_t other[] = {70};
    const int32_t h2 = static_cast<int32_t>(Insert(other, nullptr, 1));
    ASSERT_TRUE(h2 != 0 && h2 != -1);
    EXPECT_EQ(CStatusPaneBar::LiveRecordCount(), records);
    for (int part = 0; part < Parts(); ++part)
        EXPECT_EQ(PartType(part) & SBT_OWNERDRAW, 0u) << part;

    // Removing a coloured group: its parts vanish, and so do their records.
    ASSERT_EQ(SetText(PaneGroupFirstIndex(h2), "c", RGB(0, 0, 255), -1), 1);
    ASSERT_EQ(CStatusPaneBar::LiveRecordCount(), records + 1);
    EXPECT_EQ(::SendMessageA(hwnd, WM_STATUSPANE, StatusPaneRemoveGroup, h2), 3);
    EXPECT_EQ(CStatusPaneBar::LiveRecordCount(), records);

    // Base panes replacing a coloured base pane free it as well.
    const uint32_t base[] = {0};
    ASSERT_EQ(SetBase(base, nullptr, 1), 1);
    ASSERT_EQ(SetText(0, "hex", RGB(9, 9, 9), -1), 1);
    ASSERT_EQ(CStatusPaneBar::LiveRecordCount(), records + 1);
    ASSERT_EQ(SetBase(nullptr, nullptr, 0), 0);
    EXPECT_EQ(CStatusPaneBar::LiveRecordCount(), records);
    // The parts that are left again grow to the old count: none comes back coloured.
    ASSERT_EQ(SetBase(base, nullptr, 1), 1);
    for (int part = 0; part < Parts(); ++part)
        EXPECT_EQ(PartType(part) & SBT_OWNERDRAW, 0u) << part;

    // Whatever is coloured when the frame goes is freed with the bar (checked in TearDown).
    ASSERT_EQ(SetText(0, "bleibt", RGB(9, 9, 9), -1), 1);
}

TEST_F(StatusPaneTest, ColouredPanesAreDrawnFromTheirRecord)
{
    const uint32_t ids[] = {0};
    ASSERT_EQ(SetBase(ids, nullptr, 1), 1);
    const COLORREF back = RGB(200, 30, 40);
    const COLORREF fore = RGB(10, 220, 30);
    ASSERT_EQ(SetText(0, "WWWW", static_cast<int32_t>(back), static_cast<int32_t>(fore)), 1);

    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 120, 24);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    RECT all = {0, 0, 120, 24};
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));

    // Through the frame's WM_DRAWITEM, as the status bar asks for it.
    DRAWITEMSTRUCT item = {};
    item.CtlType = 0;
    item.CtlID = AFX_IDW_STATUS_BAR;
    item.itemID = 1;
    item.itemAction = ODA_DRAWENTIRE;
    item.hwndItem = bar;
    item.hDC = dc;
    item.rcItem = {10, 2, 110, 22};
    ::SendMessageA(hwnd, WM_DRAWITEM, AFX_IDW_STATUS_BAR, reinterpret_cast<LPARAM>(&item));

    EXPECT_EQ(::GetPixel(dc, 11, 3), back);           // opaque background in the rectangle
    EXPECT_EQ(::GetPixel(dc, 5, 10), RGB(0, 0, 0));   // nothing outside it
    int textPixels = 0;
    for (int x = 10; x < 110; ++x)
        for (int y = 2; y < 22; ++y)
            textPixels += ::GetPixel(dc, x, y) == fore;
    EXPECT_GT(textPixels, 10);

    // A plain part is not drawn by the frame.
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    ASSERT_EQ(SetText(0, "plain"), 1);
    ::SendMessageA(hwnd, WM_DRAWITEM, AFX_IDW_STATUS_BAR, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(::GetPixel(dc, 11, 3), RGB(0, 0, 0));

    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
}
