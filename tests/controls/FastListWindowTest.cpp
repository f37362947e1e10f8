// The "FastList" window: side by side with the system's own list view for what both do, the
// list's own rules where it differs, notifications to a recording parent, timers, painting
// into a memory picture, deferred mode and the owner's data source on a second thread.
#include <gtest/gtest.h>
#include "controls/ControlFrame.h"
#include "controls/FastListCtrl.h"
#include "controls/FastListImpl.h"
#include "tests/controls/FastListTestSupport.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <cstring>
#include <map>
#include <set>
#include <thread>

using namespace fltest;

// The numbers the list answers must be the platform's own.
static_assert(LVM_GETBKCOLOR == 0x1000 && LVM_SETBKCOLOR == 0x1001 && LVM_GETIMAGELIST == 0x1002 &&
                  LVM_SETIMAGELIST == 0x1003 && LVM_GETITEMCOUNT == 0x1004 && LVM_GETITEMA == 0x1005 &&
                  LVM_SETITEMA == 0x1006 && LVM_INSERTITEMA == 0x1007 && LVM_DELETEITEM == 0x1008 &&
                  LVM_DELETEALLITEMS == 0x1009 && LVM_GETNEXTITEM == 0x100C && LVM_FINDITEMA == 0x100D &&
                  LVM_GETITEMRECT == 0x100E && LVM_GETSTRINGWIDTHA == 0x1011 && LVM_HITTEST == 0x1012 &&
                  LVM_ENSUREVISIBLE == 0x1013 && LVM_SCROLL == 0x1014 && LVM_REDRAWITEMS == 0x1015 &&
                  LVM_EDITLABELA == 0x1017 && LVM_GETEDITCONTROL == 0x1018 && LVM_GETCOLUMNA == 0x1019 &&
                  LVM_SETCOLUMNA == 0x101A && LVM_INSERTCOLUMNA == 0x101B && LVM_DELETECOLUMN == 0x101C &&
                  LVM_GETCOLUMNWIDTH == 0x101D && LVM_SETCOLUMNWIDTH == 0x101E && LVM_GETHEADER == 0x101F &&
                  LVM_CREATEDRAGIMAGE == 0x1021 && LVM_GETTEXTCOLOR == 0x1023 && LVM_SETTEXTCOLOR == 0x1024 &&
                  LVM_GETTEXTBKCOLOR == 0x1025 && LVM_SETTEXTBKCOLOR == 0x1026 && LVM_GETTOPINDEX == 0x1027 &&
                  LVM_GETCOUNTPERPAGE == 0x1028 && LVM_SETITEMSTATE == 0x102B && LVM_GETITEMSTATE == 0x102C &&
                  LVM_GETITEMTEXTA == 0x102D && LVM_SORTITEMS == 0x1030 && LVM_GETSELECTEDCOUNT == 0x1032 &&
                  LVM_GETISEARCHSTRINGA == 0x1034 && LVM_SETEXTENDEDLISTVIEWSTYLE == 0x1036 &&
                  LVM_GETEXTENDEDLISTVIEWSTYLE == 0x1037 && LVM_GETSUBITEMRECT == 0x1038 &&
                  LVM_SUBITEMHITTEST == 0x1039 && LVM_SETCOLUMNORDERARRAY == 0x103A &&
                  LVM_GETCOLUMNORDERARRAY == 0x103B && LVM_GETSELECTIONMARK == 0x1042 &&
                  LVM_SETSELECTIONMARK == 0x1043 && LVM_SETTOOLTIPS == 0x104A && LVM_GETTOOLTIPS == 0x104E &&
                  CCM_GETUNICODEFORMAT == 0x2006,
              "list-view messages");
static_assert(static_cast<int>(NM_RETURN) == -4 && static_cast<int>(NM_SETFOCUS) == -7 &&
                  static_cast<int>(NM_KILLFOCUS) == -8 && static_cast<int>(NM_CLICK) == -2 &&
                  static_cast<int>(NM_DBLCLK) == -3 && static_cast<int>(NM_RCLICK) == -5 &&
                  static_cast<int>(NM_RDBLCLK) == -6 && static_cast<int>(LVN_ITEMCHANGING) == -100 &&
                  static_cast<int>(LVN_ITEMCHANGED) == -101 && static_cast<int>(LVN_INSERTITEM) == -102 &&
                  static_cast<int>(LVN_DELETEITEM) == -103 && static_cast<int>(LVN_BEGINLABELEDITA) == -105 &&
                  static_cast<int>(LVN_ENDLABELEDITA) == -106 && static_cast<int>(LVN_SETDISPINFOA) == -151 &&
                  static_cast<int>(LVN_KEYDOWN) == -155 && static_cast<int>(LVN_GETINFOTIPA) == -157,
              "notifications");
static_assert(LVIS_FOCUSED == 1 && LVIS_SELECTED == 2 && LVIS_CUT == 4 && LVIS_DROPHILITED == 8 &&
                  LVIS_OVERLAYMASK == 0x0F00 && LVIS_STATEIMAGEMASK == 0xF000 && LVS_EX_GRIDLINES == 1 &&
                  LVS_EX_CHECKBOXES == 4 && LVS_EX_TRACKSELECT == 8 && LVS_EX_FULLROWSELECT == 0x20 &&
                  LVS_SINGLESEL == 4 && LVS_SHAREIMAGELISTS == 0x40 && LVS_EDITLABELS == 0x200 &&
                  LVS_NOSCROLL == 0x2000 && LVS_NOCOLUMNHEADER == 0x4000 && LVHT_NOWHERE == 1 &&
                  LVHT_ONITEMICON == 2 && LVHT_ONITEMLABEL == 4 && LVHT_ONITEMSTATEICON == 8 && LVHT_ABOVE == 8 &&
                  LVHT_BELOW == 0x10 && LVHT_TORIGHT == 0x20 && LVHT_TOLEFT == 0x40 && LVNI_SELECTED == 2 &&
                  TTM_TRACKACTIVATE == 0x0411 && TTM_TRACKPOSITION == 0x0412 && HDF_IMAGE == 0x0800 &&
                  HDF_BITMAP_ON_RIGHT == 0x1000 && HDF_BITMAP == 0x2000 && (TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE) == 0xA1,
              "states, styles, hit codes and header formats");

namespace {

int g_unlockErrors = 0;

HWND s_sortList;
LRESULT s_insert, s_append;
// A comparison that tries to add items while the sort runs.
int __stdcall InsertingCompare(DWORD a, DWORD b, LPARAM)
{
    s_insert = InsertData(s_sortList, 0, 999);
    s_append = SendMessageA(s_sortList, FLM_APPENDRUN, 3, 1);
    return static_cast<int>(a) - static_cast<int>(b);
}

// A comparison that asks the owner's synchronisation routine for every operation while the
// sort runs; the answers are kept.
FastListSource* s_sortSource;
void* s_sortBlock;
std::vector<int> s_syncAnswers;
int __stdcall SynchronisingCompare(DWORD a, DWORD b, LPARAM)
{
    for (DWORD operation : {1u, 2u, 3u, 4u})
        s_syncAnswers.push_back(s_sortSource->sync(s_sortBlock, 0, 2, operation));
    return static_cast<int>(a) - static_cast<int>(b);
}

int s_paints;
DWORD __stdcall CountingHook(void*, DWORD, int item, UINT, HDC, RECT*)
{
    s_paints += item == -1;
    return 0xFFFFFFFFu;
}
void CountUnlockError(int)
{
    ++g_unlockErrors;
}

// Every selection gained (+) or lost (-) told by LVN_ITEMCHANGED, as item*2+gained.
std::multiset<int> SelectionChanges(const Parent& p)
{
    std::multiset<int> out;
    for (const Note& n : p.Of(static_cast<int>(LVN_ITEMCHANGED))) {
        if ((n.newState ^ n.oldState) & LVIS_SELECTED)
            out.insert(n.item * 2 + ((n.newState & LVIS_SELECTED) ? 1 : 0));
    }
    return out;
}

class FastListWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { SetUnlockErrorReporter(&CountUnlockError); }
    static void TearDownTestSuite()
    {
        EXPECT_EQ(g_unlockErrors, 0);   // no release in any test found its lock free
        SetUnlockErrorReporter(nullptr);
    }
    void SetUp() override { InitCommonControls(); }
    void TearDown() override { Drain(); }
};

}  // namespace

TEST_F(FastListWindow, DoesWhatTheSystemListViewDoesForOneScript)
{
    Parent ours, theirs;
    Texts texts;
    HWND fl = MakeFastList(ours.hwnd, LVS_SINGLESEL, &texts);
    HWND lv = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                              0, 0, 400, 300, theirs.hwnd, reinterpret_cast<HMENU>(77), GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(fl && lv);
    for (HWND h : {fl, lv})
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(AddColumn(h, c, 50 + 10 * c), c);
    auto insert = [&](int at, DWORD data) {
        int a = InsertData(fl, at, data);
        char text[32];
        std::snprintf(text, sizeof text, "Item %lu", static_cast<unsigned long>(data));
        LVITEMA item = {};
        item.mask = LVIF_PARAM | LVIF_TEXT;
        item.iItem = at;
        item.lParam = static_cast<LPARAM>(data);
        item.pszText = text;
        int b = static_cast<int>(SendMessageA(lv, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        EXPECT_EQ(a, b) << "insert at " << at;
    };
    const int positions[] = {0, 0, 5, 1, 99, 2, 3, 0, 7, 4, 6, 0};
    DWORD data = 100;
    for (int at : positions)
        insert(at, data++);
    auto both = [&](UINT msg, WPARAM wp, LPARAM lp) {
        LRESULT a = SendMessageA(fl, msg, wp, lp), b = SendMessageA(lv, msg, wp, lp);
        EXPECT_EQ(a, b) << std::hex << "message 0x" << msg << " " << std::dec << wp;
        return a;
    };
    both(LVM_DELETEITEM, 3, 0);
    both(LVM_DELETEITEM, 50, 0);
    both(LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < 11; ++i) {
        LVITEMA a = {}, b = {};
        a.mask = b.mask = LVIF_PARAM;
        a.iItem = b.iItem = i;
        SendMessageA(fl, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&a));
        SendMessageA(lv, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&b));
        EXPECT_EQ(a.lParam, b.lParam) << "item " << i;
    }
    // Single selection: selecting one item drops the other; a vetoed change changes nothing.
    for (HWND h : {fl, lv})
        SetState(h, 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    for (HWND h : {fl, lv})
        SetState(h, 5, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    auto veto = [](NMHDR* hdr) -> LRESULT {
        return hdr->code == LVN_ITEMCHANGING && reinterpret_cast<NMLISTVIEW*>(hdr)->iItem == 7;
    };
    ours.react = theirs.react = veto;
    for (HWND h : {fl, lv})
        SetState(h, 7, 0x1000, 0xF000);
    ours.react = theirs.react = nullptr;
    both(LVM_GETSELECTEDCOUNT, 0, 0);
    both(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
    both(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
    both(LVM_GETNEXTITEM, 1, LVNI_ALL);
    both(LVM_GETNEXTITEM, 5, LVNI_SELECTED);
    both(LVM_GETITEMSTATE, 5, LVIS_SELECTED | LVIS_FOCUSED);
    both(LVM_GETITEMSTATE, 2, LVIS_SELECTED);
    both(LVM_GETITEMSTATE, 7, 0xF000);
    EXPECT_EQ(SelectionChanges(ours), SelectionChanges(theirs));
    EXPECT_EQ(ours.Of(static_cast<int>(LVN_INSERTITEM)).size(), theirs.Of(static_cast<int>(LVN_INSERTITEM)).size());

    // Finds: whole text without regard to case, a prefix, a data word.
    FastListFind whole = {FLF_TEXT, 0, 0, 0, 0, "item 107"};
    LVFINDINFOA wholeLv = {LVFI_STRING, "item 107", 0, {0, 0}, 0};
    EXPECT_EQ(SendMessageA(fl, LVM_FINDITEMA, 0, reinterpret_cast<LPARAM>(&whole)),
              SendMessageA(lv, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&wholeLv)));
    FastListFind prefix = {FLF_TEXT | FLF_PREFIX, 0, 0, 0, 0, "Item 11"};
    LVFINDINFOA prefixLv = {LVFI_STRING | LVFI_PARTIAL, "Item 11", 0, {0, 0}, 0};
    EXPECT_EQ(SendMessageA(fl, LVM_FINDITEMA, 0, reinterpret_cast<LPARAM>(&prefix)),
              SendMessageA(lv, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&prefixLv)));
    FastListFind byData = {FLF_DATA, 0, 0, 0, 104, nullptr};
    LVFINDINFOA byDataLv = {LVFI_PARAM, nullptr, 104, {0, 0}, 0};
    EXPECT_EQ(SendMessageA(fl, LVM_FINDITEMA, 0, reinterpret_cast<LPARAM>(&byData)),
              SendMessageA(lv, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&byDataLv)));
    EXPECT_EQ(SendMessageA(fl, LVM_FINDITEMA, 99, reinterpret_cast<LPARAM>(&byData)), -1);

    // Column width and order.
    both(LVM_SETCOLUMNWIDTH, 1, 90);
    for (int c = 0; c < 3; ++c)
        both(LVM_GETCOLUMNWIDTH, c, 0);
    int order[3] = {2, 0, 1};
    both(LVM_SETCOLUMNORDERARRAY, 3, reinterpret_cast<LPARAM>(order));
    int a[3] = {}, b[3] = {};
    SendMessageA(fl, LVM_GETCOLUMNORDERARRAY, 3, reinterpret_cast<LPARAM>(a));
    SendMessageA(lv, LVM_GETCOLUMNORDERARRAY, 3, reinterpret_cast<LPARAM>(b));
    EXPECT_EQ(std::vector<int>(a, a + 3), std::vector<int>(b, b + 3));
    // Where the list goes its own way: deleting all items tells them from the last to the
    // first.
    ours.notes.clear();
    EXPECT_EQ(SendMessageA(fl, LVM_DELETEALLITEMS, 0, 0), 1);
    std::vector<Note> deleted = ours.Of(static_cast<int>(LVN_DELETEITEM));
    ASSERT_EQ(deleted.size(), 11u);
    for (size_t i = 0; i < deleted.size(); ++i)
        EXPECT_EQ(deleted[i].item, static_cast<int>(10 - i));
    DestroyWindow(fl);
    DestroyWindow(lv);
}

TEST_F(FastListWindow, InsertionDuringASortIsRefusedAndTheFocusFollowsItsRecord)
{
    Parent parent;
    Texts texts;
    HWND fl = MakeFastList(parent.hwnd, 0, &texts);
    AddColumn(fl, 0, 100);
    for (DWORD d : {30, 10, 50, 20, 40})
        InsertData(fl, 99, d);
    // The item with data 20 gets the focus mark, 50 the selection too.
    SetState(fl, 3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    s_sortList = fl;
    ASSERT_TRUE(SendMessageA(fl, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(&InsertingCompare)));
    EXPECT_EQ(s_insert, -1);   // 0 would name the first item
    EXPECT_EQ(s_append, 0);
    EXPECT_EQ(SendMessageA(fl, LVM_GETITEMCOUNT, 0, 0), 5);
    // Sorted 10 20 30 40 50: focus, mark and selection are with 20, now item 1.
    EXPECT_EQ(SendMessageA(fl, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 1);
    EXPECT_EQ(SendMessageA(fl, LVM_GETSELECTIONMARK, 0, 0), 1);
    EXPECT_EQ(SendMessageA(fl, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 1);
    SendMessageA(fl, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(SendMessageA(fl, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 2);
    EXPECT_EQ(SendMessageA(fl, LVM_GETNEXTITEM, 2, LVNI_FOCUSED), -1);   // one focused item only
    DestroyWindow(fl);
}

TEST_F(FastListWindow, ItemTextIsWhatWasCopiedWithGlyphsSkippedAndLengthsBounded)
{
    Parent parent;
    Texts texts;
    HWND fl = MakeFastList(parent.hwnd, 0, &texts);
    AddColumn(fl, 0, 100);
    AddColumn(fl, 1, 100);
    InsertData(fl, 0, 1);
    static const char glyphs[] = "\x03\x11Name";
    static const char shortText[] = "kurz";
    texts.custom = [](DWORD, int column, FastListTextRequest* r) {
        if (column == 0) {
            r->text = const_cast<char*>(glyphs);
            r->length = 6;
        } else {
            r->text = const_cast<char*>(shortText);   // length left as it came: up to the NUL
        }
    };
    CListCtrl list;
    list.Attach(fl);
    // The length is what was copied, so the class library's text is "Name" and no more.
    CString name = list.GetItemText(0, 0);
    EXPECT_EQ(name.GetLength(), 4);
    EXPECT_STREQ(name, "Name");
    char buffer[3];
    EXPECT_EQ(list.GetItemText(0, 0, buffer, 3), 2);
    EXPECT_STREQ(buffer, "Na");
    EXPECT_EQ(list.GetItemText(0, 1).GetLength(), 4);
    // The message itself answers what it copied, not the owner's 6.
    LVITEMA item = {};
    item.pszText = buffer;
    item.cchTextMax = 3;
    EXPECT_EQ(SendMessageA(fl, LVM_GETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&item)), 2);
    // Bad items, columns and buffers: empty text and 0.
    item.cchTextMax = 0;
    EXPECT_EQ(SendMessageA(fl, LVM_GETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&item)), 0);
    item.cchTextMax = 3;
    item.iSubItem = 5;
    EXPECT_EQ(SendMessageA(fl, LVM_GETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&item)), 0);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(SendMessageA(fl, LVM_GETITEMTEXTA, 0, 0), 0);
    // An owner's length above the buffer is cut to 2043.
    texts.custom = [](DWORD, int, FastListTextRequest* r) {
        std::memset(r->text, 'x', 2043);
        r->text[2043] = 0;
        r->length = 100000;
    };
    EXPECT_EQ(list.GetItemText(0, 0).GetLength(), 2043);
    list.Detach();
    DestroyWindow(fl);
}

TEST_F(FastListWindow, ItemRequestsAskTheOwnerOnlyWhenTextIsWantedAndInsertionsKeepTheRowsShown)
{
    Parent parent;
    Texts texts;
    HWND fl = MakeFastList(parent.hwnd, 0, &texts, 0, 0, 300, 200);
    AddColumn(fl, 0, 100);
    SendMessageA(fl, FLM_APPENDRUN, 100, 1000);
    // The data word alone: no call to the owner.
    texts.calls = 0;
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = 7;
    ASSERT_EQ(SendMessageA(fl, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)), 1);
    EXPECT_EQ(item.lParam, 1007);
    EXPECT_EQ(texts.calls, 0);
    // Mask bit 31: the list's own buffer and the text's length, nothing copied.
    char mine[16] = "unberuehrt";
    item.mask = LVIF_TEXT | 0x80000000u;
    item.pszText = mine;
    item.cchTextMax = sizeof mine;
    ASSERT_EQ(SendMessageA(fl, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)), 1);
    EXPECT_EQ(texts.calls, 1);
    EXPECT_NE(item.pszText, mine);
    EXPECT_STREQ(mine, "unberuehrt");
    EXPECT_EQ(std::string(item.pszText, item.cchTextMax), "Item 1007");
    // A vetoed state change leaves the item as it was and answers 0.
    parent.react = [](NMHDR* hdr) -> LRESULT { return hdr->code == LVN_ITEMCHANGING; };
    EXPECT_EQ(SetState(fl, 4, 0x2000, 0xF000), 0);
    parent.react = nullptr;
    EXPECT_EQ(SendMessageA(fl, LVM_GETITEMSTATE, 4, 0xF000), 0);
    EXPECT_EQ(SetState(fl, 4, 0x2000, 0xF000), 1);
    EXPECT_EQ(SendMessageA(fl, LVM_GETITEMSTATE, 4, 0xF000), 0x2000);
    // The drag image: the row's text after its glyphs, at most 240 x 32 pixels; none for a
    // row that is not there.
    texts.custom = [](DWORD data, int, FastListTextRequest* r) {
        if (data == 1002) {
            r->text[0] = 3;
            std::memset(r->text + 1, 'W', 300);
            r->text[301] = 0;
        } else {
            std::strcpy(r->text, "\x03kurz");
        }
    };
    CFastListCtrl wrapper;
    wrapper.Attach(fl);
    for (int row : {1, 2}) {
        POINT at = {};
        CImageList* image = wrapper.CreateDragImage(row, &at);
        ASSERT_NE(image, nullptr);
        int cx = 0, cy = 0;
        ASSERT_TRUE(ImageList_GetIconSize(image->m_hImageList, &cx, &cy));
        if (row == 2)
            EXPECT_EQ(cx, 240);
        else
            EXPECT_LT(cx, 240);
        EXPECT_LE(cy, 32);
        image->DeleteImageList();
        delete image;
    }
    EXPECT_EQ(wrapper.CreateDragImage(100, nullptr), nullptr);
    wrapper.Detach();
    texts.custom = nullptr;
    // An insertion above the top row moves the top row with the rows it showed.
    ASSERT_EQ(SendMessageA(fl, FLM_SCROLLTOROW, 50, 0), 1);
    ASSERT_EQ(SendMessageA(fl, LVM_GETTOPINDEX, 0, 0), 50);
    EXPECT_EQ(InsertData(fl, 10, 1), 10);
    EXPECT_EQ(SendMessageA(fl, LVM_GETTOPINDEX, 0, 0), 51);
    EXPECT_EQ(SendMessageA(fl, FLM_GETITEMDATA, 0, 51), 1050);
    // Below the top row, it stays.
    EXPECT_EQ(InsertData(fl, 60, 2), 60);
    EXPECT_EQ(SendMessageA(fl, LVM_GETTOPINDEX, 0, 0), 51);
    // LVM_SCROLL answers the new top row (the system's list view answers TRUE).
    const int rowHeight = static_cast<int>(SendMessageA(fl, FLM_GETROWHEIGHT, 0, 0));
    EXPECT_EQ(SendMessageA(fl, LVM_SCROLL, 0, 3 * rowHeight), 54);
    EXPECT_EQ(SendMessageA(fl, LVM_SCROLL, 0, -1000 * rowHeight), 0);
    DestroyWindow(fl);
}

TEST_F(FastListWindow, ParentDeletingItemsInsideNotificationsLeavesTheListConsistent)
{
    Parent parent;
    Texts texts;
    HWND fl = MakeFastList(parent.hwnd, 0, &texts);
    AddColumn(fl, 0, 100);
    SendMessageA(fl, FLM_APPENDRUN, 20, 0);
    parent.react = [&](NMHDR* hdr) -> LRESULT {
        if (hdr->code == LVN_ITEMCHANGING || hdr->code == LVN_DELETEITEM || hdr->code == LVN_ITEMCHANGED)
            SendMessageA(fl, LVM_DELETEITEM, 0, 0);
        return 0;
    };
    for (int step = 0; step < 6; ++step) {
        SetState(fl, 3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        SendMessageA(fl, FLM_DELETEITEMS, 2, 4);
        SendMessageA(fl, WM_KEYDOWN, VK_END, 0);
    }
    parent.react = nullptr;
    const int count = static_cast<int>(SendMessageA(fl, LVM_GETITEMCOUNT, 0, 0));
    int selected = 0;
    for (int i = 0; i < count; ++i)
        selected += (SendMessageA(fl, LVM_GETITEMSTATE, i, LVIS_SELECTED) & LVIS_SELECTED) != 0;
    EXPECT_EQ(SendMessageA(fl, LVM_GETSELECTEDCOUNT, 0, 0), selected);
    const LRESULT focus = SendMessageA(fl, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
    EXPECT_LT(focus, count);
    DestroyWindow(fl);
}

TEST_F(FastListWindow, AParentMayDestroyTheListFromANotification)
{
    struct Case { UINT code; std::function<void(HWND)> act; };
    const Case cases[] = {
        { LVN_ITEMCHANGING, [](HWND fl) { SetState(fl, 3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED); } },
        { LVN_ITEMCHANGED, [](HWND fl) { SendMessageA(fl, WM_KEYDOWN, VK_DOWN, 0); } },
        { LVN_DELETEITEM, [](HWND fl) { SendMessageA(fl, FLM_DELETEITEMS, 2, 6); } },
        { LVN_INSERTITEM, [](HWND fl) { InsertData(fl, 0, 7); } },
    };
    for (const Case& c : cases) {
        Parent parent;
        Texts texts;
        HWND fl = MakeFastList(parent.hwnd, 0, &texts);
        AddColumn(fl, 0, 100);
        SendMessageA(fl, FLM_APPENDRUN, 10, 0);
        SetState(fl, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        parent.react = [&](NMHDR* hdr) -> LRESULT {
            if (hdr->code == c.code && IsWindow(fl))
                DestroyWindow(fl);
            return 0;
        };
        c.act(fl);
        EXPECT_FALSE(IsWindow(fl)) << static_cast<int>(c.code);
        parent.react = nullptr;
    }
}

TEST_F(FastListWindow, BadInputGetsTheListsAnswerAndChangesNothing)
{
    Parent parent;
    Texts texts;
    HWND fl = MakeFastList(parent.hwnd, 0, &texts);
    for (int c = 0; c < 32; ++c)
        ASSERT_EQ(AddColumn(fl, c, 10), c);
    EXPECT_EQ(AddColumn(fl, 32, 10), -1);
    EXPECT_EQ(SendMessageA(fl, FLM_GETCOLUMNCOUNT, 0, 0), 32);
    SendMessageA(fl, FLM_APPENDRUN, 5, 1);
    EXPECT_EQ(SetState(fl, 5, LVIS_SELECTED, LVIS_SELECTED), 0);
    EXPECT_EQ(SetState(fl, -1, LVIS_SELECTED, LVIS_SELECTED), 0);
    EXPECT_EQ(SendMessageA(fl, FLM_GETITEMDATA, 0, 7), 0);
    EXPECT_EQ(SendMessageA(fl, LVM_DELETEITEM, 9, 0), 0);
    EXPECT_EQ(SendMessageA(fl, FLM_DELETEITEMS, 9, 3), 0);
    EXPECT_EQ(SendMessageA(fl, LVM_ENSUREVISIBLE, 5, 0), -1);
    EXPECT_EQ(SendMessageA(fl, LVM_GETBKCOLOR, 13, 0), -1);
    EXPECT_EQ(SendMessageA(fl, LVM_SETBKCOLOR, 13, 0), -1);
    EXPECT_EQ(SendMessageA(fl, FLM_PROPERTY, 0, 0), 0);
    EXPECT_EQ(SendMessageA(fl, FLM_PROPERTY, 17 | FLP_WRITE, 5), 0);
    EXPECT_EQ(SendMessageA(fl, FLM_PROPERTY, FLP_OWNERVALUE11, 0), 10);
    EXPECT_EQ(SendMessageA(fl, FLM_PROPERTY, FLP_OWNERVALUE11 | FLP_WRITE, 10), 10);
    EXPECT_EQ(SendMessageA(fl, FLM_PROPERTY, FLP_OWNERVALUE11 | FLP_WRITE, 12), 10);
    EXPECT_EQ(SendMessageA(fl, FLM_PROPERTY, FLP_OWNERVALUE11, 0), 12);
    EXPECT_EQ(SendMessageA(fl, FLM_SETCELLKIND, (6 << 8) | (0 << 11), 0), 0);   // kind 6 on column 0
    EXPECT_EQ(SendMessageA(fl, FLM_SETCELLKIND, (1 << 8) | (40 << 11), 0), 0);  // no such column
    int repeats[32];
    for (int c = 0; c < 32; ++c)
        repeats[c] = c % 31;
    EXPECT_EQ(SendMessageA(fl, LVM_SETCOLUMNORDERARRAY, 32, reinterpret_cast<LPARAM>(repeats)), 0);
    EXPECT_EQ(SendMessageA(fl, LVM_SETCOLUMNORDERARRAY, 32, 0), 0);
    LVCOLUMNA col = {};
    col.mask = LVCF_WIDTH;
    col.cx = -500;
    SendMessageA(fl, LVM_SETCOLUMNA, 3, reinterpret_cast<LPARAM>(&col));
    EXPECT_EQ(SendMessageA(fl, LVM_GETCOLUMNWIDTH, 3, 0), 0);
    col.cx = 0x7FFFFFF;
    SendMessageA(fl, LVM_SETCOLUMNA, 3, reinterpret_cast<LPARAM>(&col));
    EXPECT_LE(SendMessageA(fl, LVM_GETCOLUMNWIDTH, 3, 0), 32767);
    SendMessageA(fl, FLM_SETROWHEIGHT, 7, 0);
    EXPECT_EQ(SendMessageA(fl, FLM_GETROWHEIGHT, 0, 0), 6);
    SendMessageA(fl, FLM_SETROWHEIGHT, 300, 0);
    EXPECT_EQ(SendMessageA(fl, FLM_GETROWHEIGHT, 0, 0), 256);
    EXPECT_EQ(SendMessageA(fl, LVM_GETITEMCOUNT, 0, 0), 5);
    DestroyWindow(fl);
}

TEST_F(FastListWindow, AHeldScrollBarUpdateIsCompletedByTheRefreshTimer)
{
    Parent parent;
    Texts texts;
    HWND fl = MakeFastList(parent.hwnd, 0, &texts, 0, 0, 300, 120);
    AddColumn(fl, 0, 100);
    const DWORD drawn = GetTickCount();
    InsertData(fl, 0, 1);   // draws the bar
    for (int i = 0; i < 40; ++i)
        InsertData(fl, 99, 2 + i);   // within 200 ms: held back
    SCROLLINFO si = {sizeof si, SIF_RANGE};
    GetScrollInfo(fl, SB_VERT, &si);
    // A busy machine may take longer than the hold for the insertions: then the last of them
    // drew the bar itself, and only the timer's part below says anything.
    if (GetTickCount() - drawn < 200) {
        EXPECT_LT(si.nMax, 41);
    }
    // Nothing but the timer the hold started brings the bar up to date: the messages are
    // drained until it has, for as long as a loaded machine may keep the timer waiting.
    const DWORD start = GetTickCount();
    for (;;) {
        Drain();
        GetScrollInfo(fl, SB_VERT, &si);
        if (si.nMax == 41 || GetTickCount() - start > 60000)
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    EXPECT_EQ(si.nMax, 41);
    DestroyWindow(fl);
}

TEST_F(FastListWindow, TenThousandDeferredInsertionsCostOneRedrawAndSelectionsAreToldLastFirst)
{
    Parent parent;
    Texts texts;
    ShowWindow(parent.hwnd, SW_SHOWNOACTIVATE);   // only a visible window collects redraws
    HWND fl = MakeFastList(parent.hwnd, 0, &texts);
    AddColumn(fl, 0, 100);
    SendMessageA(fl, FLM_PROPERTY, FLP_MARGIN | FLP_WRITE, 4);
    SendMessageA(fl, FLM_PROPERTY, FLP_PAINTHOOK | FLP_WRITE, reinterpret_cast<LPARAM>(&CountingHook));
    UpdateWindow(fl);
    Drain();
    s_paints = 0;
    parent.notes.clear();
    for (int i = 0; i < 10000; ++i) {
        LVITEMA item = {};
        item.mask = LVIF_PARAM | LVIF_STATE | FLI_DEFERRED;
        item.iItem = i;
        item.lParam = i;
        item.state = (i % 1000 == 7) ? LVIS_SELECTED : 0;
        item.stateMask = LVIS_SELECTED;
        SendMessageA(fl, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    RECT dirty;
    EXPECT_FALSE(GetUpdateRect(fl, &dirty, FALSE));   // nothing redrawn yet
    EXPECT_TRUE(parent.Of(static_cast<int>(LVN_INSERTITEM)).empty());
    SendMessageA(fl, WM_TIMER, 14609, 0);
    EXPECT_TRUE(GetUpdateRect(fl, &dirty, FALSE));
    UpdateWindow(fl);
    SendMessageA(fl, WM_TIMER, 14609, 0);
    UpdateWindow(fl);
    EXPECT_EQ(s_paints, 2);   // the hook runs before and after the rows of one paint
    std::vector<Note> told = parent.Of(static_cast<int>(LVN_ITEMCHANGED));
    ASSERT_EQ(told.size(), 10u);
    for (size_t k = 0; k < told.size(); ++k)
        EXPECT_EQ(told[k].item, static_cast<int>(9007 - 1000 * k));
    // Deferred mode stays on through three idle ticks and ends with the fourth; insertions
    // are told again then.
    parent.notes.clear();
    InsertData(fl, 0, 1);
    EXPECT_TRUE(parent.Of(static_cast<int>(LVN_INSERTITEM)).empty());
    SendMessageA(fl, WM_TIMER, 14609, 0);   // the insertion's own work
    for (int idle = 0; idle < 3; ++idle)
        SendMessageA(fl, WM_TIMER, 14609, 0);
    EXPECT_TRUE(FastListOf(fl)->deferred);
    SendMessageA(fl, WM_TIMER, 14609, 0);
    EXPECT_FALSE(FastListOf(fl)->deferred);
    InsertData(fl, 0, 2);
    EXPECT_EQ(parent.Of(static_cast<int>(LVN_INSERTITEM)).size(), 1u);
    DestroyWindow(fl);
}

TEST_F(FastListWindow, OwnerSynchronisesFromAnotherThreadWhileTheWindowReadsItems)
{
    Parent parent;
    Texts texts;
    HWND fl = MakeFastList(parent.hwnd, 0, &texts);
    AddColumn(fl, 0, 100);
    static std::vector<int> indices(200000);
    for (size_t i = 0; i < indices.size(); ++i)
        indices[i] = static_cast<int>(i);
    static int count;
    count = static_cast<int>(indices.size());
    FastListSource source = {&count, indices.data(), 1000000, nullptr, nullptr};
    ASSERT_EQ(SendMessageA(fl, FLM_ATTACHSOURCE, 0, reinterpret_cast<LPARAM>(&source)), 1);
    ASSERT_NE(source.sync, nullptr);
    void* block = reinterpret_cast<void*>(GetWindowLongPtrA(fl, 0));
    std::atomic<bool> done(false);
    std::thread owner([&] {
        for (int first = 0; first < 200000; first += 500)
            source.sync(block, first, 500, 1);
        done = true;
    });
    int bad = 0;
    while (!done) {
        const int n = static_cast<int>(SendMessageA(fl, LVM_GETITEMCOUNT, 0, 0));
        for (int i = std::max(0, n - 50); i < n; ++i) {
            LRESULT data = SendMessageA(fl, FLM_GETITEMDATA, 0, i);
            bad += data != 1000000 + i;
        }
        Drain();
    }
    owner.join();
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(SendMessageA(fl, LVM_GETITEMCOUNT, 0, 0), 200000);
    EXPECT_EQ(SendMessageA(fl, FLM_GETITEMDATA, 0, 199999), 1000000 + 199999);

    // While another thread holds the list (its text callback runs under the lock), reading an
    // item's data waits for it instead of indexing an array that may be moving.
    static HANDLE entered;
    static std::atomic<bool> left;
    entered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    left = false;
    texts.custom = [](DWORD, int, FastListTextRequest*) {
        SetEvent(entered);
        Sleep(300);
        left = true;
    };
    const WNDPROC direct = reinterpret_cast<WNDPROC>(SendMessageA(fl, FLM_PROPERTY, FLP_WINDOWPROC, 0));
    std::thread reader([&] {
        char buffer[16];
        LVITEMA item = {};
        item.pszText = buffer;
        item.cchTextMax = sizeof buffer;
        CallWindowProcA(direct, fl, LVM_GETITEMTEXTA, 5, reinterpret_cast<LPARAM>(&item));
    });
    ASSERT_EQ(WaitForSingleObject(entered, 60000), WAIT_OBJECT_0);
    EXPECT_EQ(SendMessageA(fl, FLM_GETITEMDATA, 0, 5), 1000005);
    EXPECT_TRUE(left);
    reader.join();
    CloseHandle(entered);
    texts.custom = nullptr;
    DestroyWindow(fl);
}

TEST_F(FastListWindow, TheOwnersSourceRefreshesDataWordsStatesAndTheFocus)
{
    Parent parent;
    Texts texts;
    HWND fl = MakeFastList(parent.hwnd, 0, &texts);
    AddColumn(fl, 0, 100);
    static int count;
    static int indices[10];
    static DWORD states[10];
    count = 10;
    for (int i = 0; i < 10; ++i) {
        indices[i] = i;
        states[i] = 0;
    }
    FastListSource source = {&count, indices, 500, states, nullptr};
    ASSERT_EQ(SendMessageA(fl, FLM_ATTACHSOURCE, 0, reinterpret_cast<LPARAM>(&source)), 1);
    void* block = reinterpret_cast<void*>(GetWindowLongPtrA(fl, 0));
    auto data = [&](int i) { return SendMessageA(fl, FLM_GETITEMDATA, 0, i); };
    EXPECT_EQ(source.sync(block, 0, 10, 1), 10);
    EXPECT_EQ(data(3), 503);
    // Operation 3: data words and state words; bit 0x10000 focuses the item and is not kept.
    indices[3] = 7;
    states[3] = LVIS_SELECTED | 0x10000;
    indices[4] = 8;
    states[4] = 0x2000;
    EXPECT_EQ(source.sync(block, 3, 2, 3), 2);
    EXPECT_EQ(data(3), 507);
    EXPECT_EQ(data(4), 508);
    EXPECT_EQ(SendMessageA(fl, LVM_GETITEMSTATE, 3, 0xFFFF), LVIS_SELECTED);
    EXPECT_EQ(SendMessageA(fl, LVM_GETITEMSTATE, 4, 0xF000), 0x2000);
    EXPECT_EQ(SendMessageA(fl, LVM_GETSELECTIONMARK, 0, 0), 3);
    // Operation 4: data words only; a range past the owner's count is cut there.
    indices[4] = 9;
    states[4] = 0;
    EXPECT_EQ(source.sync(block, 4, 1, 4), 1);
    EXPECT_EQ(data(4), 509);
    EXPECT_EQ(SendMessageA(fl, LVM_GETITEMSTATE, 4, 0xF000), 0x2000);
    EXPECT_EQ(source.sync(block, 8, 10, 4), 2);
    DestroyWindow(fl);
}

// Where a place lies: the margin strip answers as the margin (hook or not, scrolled or not),
// and a row just below the page has no rectangle.
TEST_F(FastListWindow, TheMarginAndTheRowsBelowThePageAnswerByWhereTheyLie)
{
    Parent parent;
    Texts texts;
    HWND fl = MakeFastList(parent.hwnd, 0, &texts, 0, 0, 300, 200);
    AddColumn(fl, 0, 200);
    AddColumn(fl, 1, 200);
    SendMessageA(fl, FLM_APPENDRUN, 100, 1);
    const int margin = 6;
    SendMessageA(fl, FLM_PROPERTY, FLP_MARGIN | FLP_WRITE, margin);
    const int partial = static_cast<int>(SendMessageA(fl, LVM_GETCOUNTPERPAGE, 0, 0));
    ASSERT_GT(partial, 2);
    struct Case {
        const char* what;
        int origin;    // horizontal scroll
        bool hit;      // a hit test at x in row `row`, else LVM_GETITEMRECT of item `row`
        int x;
        int row;
        LRESULT answer;   // the item hit, or the rectangle's result
        UINT flags;
    } cases[] = {
        {"margin without a hook", 0, true, 2, 1, 1, 0x8000},
        {"margin while scrolled", 40, true, 2, 1, 1, 0x8000},
        {"first cell while scrolled", 40, true, margin + 2, 1, 1, LVHT_ONITEMLABEL | 0x40000},
        {"last row partly shown", 0, false, 0, partial - 1, 1, 0},
        {"first row below the page", 0, false, 0, partial, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SendMessageA(fl, LVM_SCROLL, static_cast<WPARAM>(c.origin - FastListOf(fl)->originX), 0);
        ASSERT_EQ(FastListOf(fl)->originX, c.origin);
        RECT row = {LVIR_BOUNDS, 0, 0, 0};
        if (!c.hit) {
            EXPECT_EQ(SendMessageA(fl, LVM_GETITEMRECT, static_cast<WPARAM>(c.row), reinterpret_cast<LPARAM>(&row)),
                      c.answer);
            EXPECT_EQ(IsRectEmpty(&row) != FALSE, c.answer == 0);
            continue;
        }
        ASSERT_EQ(SendMessageA(fl, LVM_GETITEMRECT, static_cast<WPARAM>(c.row), reinterpret_cast<LPARAM>(&row)), 1);
        LVHITTESTINFO info = {};
        info.pt = {c.x, (row.top + row.bottom) / 2};
        EXPECT_EQ(SendMessageA(fl, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&info)), c.answer);
        EXPECT_EQ(info.flags, c.flags);
        EXPECT_EQ(info.iSubItem, 0);
    }
    DestroyWindow(fl);
}

// Changes that keep coming while the deferred refresh waits do not put it off: its timer,
// once running, is not set again (which would restart its 200 ms each time).
TEST_F(FastListWindow, ChangesComingFasterThanTheRefreshDoNotPutItOff)
{
    Parent parent;
    Texts texts;
    HWND fl = MakeFastList(parent.hwnd, 0, &texts);
    AddColumn(fl, 0, 100);
    for (int change = 0; change < 3; ++change) {
        SCOPED_TRACE(change);
        InsertData(fl, 99, static_cast<DWORD>(change), FLI_DEFERRED);
        Drain();   // the refresh request the change posted
        // Only the first change finds no timer running; killing it here tells whether a later
        // change started it again.
        EXPECT_EQ(KillTimer(fl, kFastListRefreshTimer) != FALSE, change == 0);
    }
    DestroyWindow(fl);
}

// In deferred mode the refresh tells each item whose selection differs from what the parent
// heard last, once; a focus that only moved on, or a selection taken back before the tick,
// is no change.
TEST_F(FastListWindow, DeferredSelectionNoticesTellEachRealChangeOnce)
{
    Parent parent;
    Texts texts;
    HWND fl = MakeFastList(parent.hwnd, 0, &texts);
    AddColumn(fl, 0, 100);
    for (DWORD d = 0; d < 5; ++d)
        InsertData(fl, 99, d, FLI_DEFERRED);
    SendMessageA(fl, WM_TIMER, kFastListRefreshTimer, 0);
    ASSERT_TRUE(FastListOf(fl)->deferred);
    auto ctrlClick = [&](int item) {
        RECT r = {LVIR_LABEL, 0, 0, 0};
        SendMessageA(fl, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&r));
        SendMessageA(fl, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(r.left + 20, (r.top + r.bottom) / 2));
        SendMessageA(fl, WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(r.left + 20, (r.top + r.bottom) / 2));
    };
    const struct {
        const char* what;
        std::function<void()> change;
        std::multiset<int> told;   // item*2 + gained, as SelectionChanges gives them
    } steps[] = {
        {"item 1 selected, then item 2 in its place: only item 2",
         [&] {
             SetState(fl, 1, LVIS_SELECTED, LVIS_SELECTED);
             SetState(fl, 2, LVIS_SELECTED, LVIS_SELECTED);
         },
         {2 * 2 + 1}},
        {"item 2 deselected with Ctrl, keeping the focus: told once", [&] { ctrlClick(2); }, {2 * 2}},
        {"Ctrl selects item 3: item 2 only loses the focus", [&] { ctrlClick(3); }, {3 * 2 + 1}},
        {"Ctrl selects item 4 and takes it back: nothing told", [&] { ctrlClick(4); ctrlClick(4); }, {}},
        {"nothing changed: nothing told", [] {}, {}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        parent.notes.clear();
        step.change();
        EXPECT_TRUE(SelectionChanges(parent).empty()) << "told before the refresh";
        SendMessageA(fl, WM_TIMER, kFastListRefreshTimer, 0);
        EXPECT_EQ(SelectionChanges(parent), step.told);
        ASSERT_TRUE(FastListOf(fl)->deferred);
    }
    DestroyWindow(fl);
}

// The margin written after the columns exist takes the header along at once: it starts at
// the margin and its dividers stand where the columns end.
TEST_F(FastListWindow, TheMarginMovesTheHeaderWithTheColumns)
{
    Parent parent;
    Texts texts;
    HWND fl = MakeFastList(parent.hwnd, 0, &texts, 0, 0, 300, 200);
    AddColumn(fl, 0, 80);
    AddColumn(fl, 1, 60);
    InsertData(fl, 0, 1);
    HWND header = reinterpret_cast<HWND>(SendMessageA(fl, LVM_GETHEADER, 0, 0));
    ASSERT_NE(header, nullptr);
    for (int margin : {12, 30, 0}) {
        SCOPED_TRACE(margin);
        SendMessageA(fl, FLM_PROPERTY, FLP_MARGIN | FLP_WRITE, margin);
        RECT at;
        GetWindowRect(header, &at);
        MapWindowPoints(nullptr, fl, reinterpret_cast<POINT*>(&at), 2);
        EXPECT_EQ(at.left, margin);
        for (int column = 0; column < 2; ++column) {
            RECT divider = {};
            ASSERT_TRUE(SendMessageA(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&divider)));
            RECT cell = {};
            cell.top = column;
            cell.left = LVIR_BOUNDS | 0x80;
            ASSERT_TRUE(SendMessageA(fl, LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&cell)));
            EXPECT_EQ(at.left + divider.right, cell.right) << "column " << column;
        }
    }
    DestroyWindow(fl);
}

// The lists that follow the item images while unset answer with the item images; one set of
// their own answers itself.
TEST_F(FastListWindow, ImageListsThatFollowTheItemImagesAnswerThem)
{
    Parent parent;
    HWND fl = MakeFastList(parent.hwnd, 0, nullptr);
    AddColumn(fl, 0, 80);
    HIMAGELIST items = ImageList_Create(16, 16, ILC_COLOR32, 1, 0);
    HIMAGELIST own = ImageList_Create(16, 16, ILC_COLOR32, 1, 0);
    const WPARAM keep = 0x40000000;   // the test frees the lists
    auto get = [&](WPARAM kind) { return reinterpret_cast<HIMAGELIST>(SendMessageA(fl, LVM_GETIMAGELIST, kind, 0)); };
    EXPECT_EQ(get(4), nullptr) << "nothing to follow yet";
    SendMessageA(fl, LVM_SETIMAGELIST, 1 | keep, reinterpret_cast<LPARAM>(items));
    const struct {
        WPARAM kind;
        HIMAGELIST set;        // set before asking (null: left unset)
        HIMAGELIST answer;
    } cases[] = {
        {1, nullptr, items},
        {2, nullptr, items},
        {4, nullptr, items},
        {5, nullptr, items},
        {4, own, own},
        {5, own, own},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        if (c.set)
            SendMessageA(fl, LVM_SETIMAGELIST, c.kind | keep, reinterpret_cast<LPARAM>(c.set));
        EXPECT_EQ(get(c.kind), c.answer);
    }
    DestroyWindow(fl);
    ImageList_Destroy(items);
    ImageList_Destroy(own);
}

// An insertion takes every state bit its mask has, the focus mark too; the selection comes
// through the focus and selection change.
TEST_F(FastListWindow, AnInsertionKeepsTheStateBitsOfItsMask)
{
    Parent parent;
    Texts texts;
    HWND fl = MakeFastList(parent.hwnd, 0, &texts);
    AddColumn(fl, 0, 80);
    const UINT all = LVIS_FOCUSED | LVIS_SELECTED | LVIS_CUT;
    const struct {
        UINT state, mask, expected;
    } cases[] = {
        {LVIS_FOCUSED, LVIS_FOCUSED, LVIS_FOCUSED},
        {LVIS_FOCUSED | LVIS_CUT, LVIS_CUT, LVIS_CUT},
        {LVIS_FOCUSED | LVIS_CUT, LVIS_FOCUSED | LVIS_CUT, LVIS_FOCUSED | LVIS_CUT},
        {LVIS_SELECTED, LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED},
    };
    int at = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(at);
        ASSERT_EQ(InsertData(fl, at, static_cast<DWORD>(at), LVIF_STATE, c.state, c.mask), at);
        EXPECT_EQ(static_cast<UINT>(SendMessageA(fl, LVM_GETITEMSTATE, static_cast<WPARAM>(at), all)), c.expected);
        ++at;
    }
    DestroyWindow(fl);
}

// A stretch weight set on an existing column (mask bit 8 without a width) makes it share the
// free width as an inserted stretch column does.
TEST_F(FastListWindow, AStretchWeightSetLaterSharesTheFreeWidth)
{
    Parent parent;
    HWND fl = MakeFastList(parent.hwnd, 0, nullptr, 0, 0, 400, 120);
    for (int c = 0; c < 3; ++c)
        AddColumn(fl, c, 60);
    RECT client;
    GetClientRect(fl, &client);
    const int free = client.right - 60;   // beside the column that stays fixed
    auto width = [&](int c) { return static_cast<int>(SendMessageA(fl, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0)); };
    const struct {
        int column, weight;
        int width1, width2;   // the two columns afterwards
    } cases[] = {
        {1, 1, free - 60, 60},
        {2, 2, free / 3, free - free / 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column);
        LVCOLUMNA col = {};
        col.mask = FLCF_STRETCH;
        col.cx = c.weight;
        ASSERT_TRUE(SendMessageA(fl, LVM_SETCOLUMNA, static_cast<WPARAM>(c.column), reinterpret_cast<LPARAM>(&col)));
        EXPECT_EQ(width(0), 60);
        EXPECT_NEAR(width(1), c.width1, 1);
        EXPECT_EQ(width(1) + width(2), c.width1 + c.width2);
    }
    DestroyWindow(fl);
}

// The owner's synchronisation routine is refused while a sort runs (the sort puts its copy of
// the records back and would overwrite or shift what the owner changed); afterwards it works.
TEST_F(FastListWindow, SynchronisingDuringASortIsRefused)
{
    Parent parent;
    Texts texts;
    HWND fl = MakeFastList(parent.hwnd, 0, &texts);
    AddColumn(fl, 0, 100);
    static int count;
    static int indices[8];
    static DWORD states[8];
    const int unsorted[] = {30, 10, 50, 20, 40};
    count = 5;
    for (int i = 0; i < 8; ++i) {
        indices[i] = i < 5 ? unsorted[i] : 60 + i;
        states[i] = 0;
    }
    FastListSource source = {&count, indices, 0, states, nullptr};
    ASSERT_EQ(SendMessageA(fl, FLM_ATTACHSOURCE, 0, reinterpret_cast<LPARAM>(&source)), 1);
    s_sortSource = &source;
    s_sortBlock = reinterpret_cast<void*>(GetWindowLongPtrA(fl, 0));
    ASSERT_EQ(source.sync(s_sortBlock, 0, 5, 1), 5);
    // The owner's arrays change meanwhile: one more item, and states for the first two.
    count = 6;
    states[0] = states[1] = LVIS_SELECTED;
    s_syncAnswers.clear();
    ASSERT_TRUE(SendMessageA(fl, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(&SynchronisingCompare)));
    ASSERT_FALSE(s_syncAnswers.empty());
    for (int answer : s_syncAnswers)
        EXPECT_EQ(answer, 0);
    ASSERT_EQ(SendMessageA(fl, LVM_GETITEMCOUNT, 0, 0), 5);
    std::vector<int> sorted(unsorted, unsorted + 5);
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(SendMessageA(fl, FLM_GETITEMDATA, 0, i), sorted[i]) << i;
        EXPECT_EQ(SendMessageA(fl, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_SELECTED), 0) << i;
    }
    // After the sort the owner's insertion goes through.
    EXPECT_EQ(source.sync(s_sortBlock, 5, 1, 1), 1);
    EXPECT_EQ(SendMessageA(fl, FLM_GETITEMDATA, 0, 5), indices[5]);
    DestroyWindow(fl);
}

// Following the tail (insertion bit 25) holds whether the list shows each insertion at once,
// defers it, or takes it from the owner's synchronisation (which always defers): the top row
// after the refresh is the one the immediate insertions reach. Every row the view moved is
// repainted, and a scroll made between an insertion and its refresh stays.
TEST_F(FastListWindow, FollowingTheTailHoldsInDeferredMode)
{
    enum { IMMEDIATE, DEFERRED, SYNCHRONISED };
    const struct {
        const char* what;
        int path;
    } cases[] = {
        {"shown at once", IMMEDIATE},
        {"deferred", DEFERRED},
        {"the owner's synchronisation", SYNCHRONISED},
    };
    const int total = 60;
    const int more = 3;   // appended after the first refresh
    static int count;
    static int indices[total + more];
    for (int i = 0; i < total + more; ++i)
        indices[i] = i;
    int immediateTop = -1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Parent parent;
        ShowWindow(parent.hwnd, SW_SHOWNOACTIVATE);   // only a visible window collects redraws
        Texts texts;
        HWND fl = MakeFastList(parent.hwnd, 0, &texts);
        AddColumn(fl, 0, 100);
        count = 0;
        FastListSource source = {&count, indices, 0, nullptr, nullptr};
        ASSERT_EQ(SendMessageA(fl, FLM_ATTACHSOURCE, 0, reinterpret_cast<LPARAM>(&source)), 1);
        void* block = reinterpret_cast<void*>(GetWindowLongPtrA(fl, 0));
        auto append = [&](int i, DWORD more = 0) {
            if (c.path == SYNCHRONISED) {
                count = i + 1;
                return source.sync(block, i, 1, 1 | FLI_FOLLOWTAIL | more) == 1;
            }
            const WPARAM flags = FLI_FOLLOWTAIL | more | (c.path == DEFERRED ? static_cast<WPARAM>(FLI_DEFERRED) : 0);
            return SendMessageA(fl, FLM_APPENDRUN, 1 | flags, i) == 1;
        };
        for (int i = 0; i < total; ++i)
            ASSERT_TRUE(append(i));
        SendMessageA(fl, WM_TIMER, 14609, 0);
        const int top = static_cast<int>(SendMessageA(fl, LVM_GETTOPINDEX, 0, 0));
        const int whole = static_cast<int>(SendMessageA(fl, FLM_GETWHOLEROWS, 0, 0));
        ASSERT_GT(whole, 2);
        EXPECT_GT(top, 0);
        EXPECT_GE(total - 1, top);
        EXPECT_LT(total - 1, top + whole);   // the last item is on the page
        if (c.path == IMMEDIATE)
            immediateTop = top;
        else
            EXPECT_EQ(top, immediateTop);
        // Two more after the page was drawn: the rows move up under the items that came, and
        // each row of the page is drawn again, not only the two new ones.
        UpdateWindow(fl);
        ValidateRect(fl, nullptr);
        ASSERT_TRUE(append(total));
        ASSERT_TRUE(append(total + 1));
        SendMessageA(fl, WM_TIMER, 14609, 0);
        const int moved = static_cast<int>(SendMessageA(fl, LVM_GETTOPINDEX, 0, 0));
        EXPECT_GT(moved, top);
        HRGN dirty = CreateRectRgn(0, 0, 0, 0);
        GetUpdateRgn(fl, dirty, FALSE);
        for (int row = moved; row < moved + whole && row < total + 2; ++row) {
            RECT r = {LVIR_BOUNDS, 0, 0, 0};
            ASSERT_EQ(SendMessageA(fl, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r)), 1);
            EXPECT_TRUE(PtInRegion(dirty, (r.left + r.right) / 2, (r.top + r.bottom) / 2)) << "row " << row;
        }
        DeleteObject(dirty);
        // One more, wanted in view too, then a scroll of the user's before the refresh: the
        // refresh keeps it.
        ASSERT_TRUE(append(total + 2, FLI_ENSUREVISIBLE));
        const int shown = static_cast<int>(SendMessageA(fl, LVM_GETTOPINDEX, 0, 0));
        SendMessageA(fl, WM_VSCROLL, SB_LINEUP, 0);
        SendMessageA(fl, WM_TIMER, 14609, 0);
        EXPECT_EQ(SendMessageA(fl, LVM_GETTOPINDEX, 0, 0), shown - 1);
        DestroyWindow(fl);
    }
}
