// Filling list and combo boxes from separated text, and most-recent-first histories.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "uihelpers/ListFill.h"
#include "TestWindows.h"

using uitest::HostDialog;

namespace {

struct BoxKind {
    const char* cls;
    DWORD style;
    UINT getCount, getText, getCurSel, setCurSel, addString;
};
const BoxKind kList = { "ListBox", WS_VSCROLL, LB_GETCOUNT, LB_GETTEXT, LB_GETCURSEL, LB_SETCURSEL, LB_ADDSTRING };
const BoxKind kCombo = { "ComboBox", CBS_DROPDOWN | WS_VSCROLL, CB_GETCOUNT, CB_GETLBTEXT, CB_GETCURSEL, CB_SETCURSEL, CB_ADDSTRING };

std::vector<std::string> Items(HWND box, const BoxKind& k)
{
    std::vector<std::string> items;
    int n = static_cast<int>(SendMessageA(box, k.getCount, 0, 0));
    for (int i = 0; i < n; ++i) {
        char buf[600] = {};
        SendMessageA(box, k.getText, i, reinterpret_cast<LPARAM>(buf));
        items.push_back(buf);
    }
    return items;
}

using Strings = std::vector<std::string>;

}  // namespace

TEST(FillListFromText, SplitsAtTheSeparatorAndSkipsEmptySegments)
{
    for (const BoxKind* k : { &kList, &kCombo }) {
        SCOPED_TRACE(k->cls);
        HostDialog host(k->cls, k->style);
        ASSERT_NE(nullptr, host.Control());
        EXPECT_EQ(3, FillListFromText(host.Control(), "eins;;zwei;drei", ';', FALSE));
        EXPECT_EQ((Strings{ "eins", "zwei", "drei" }), Items(host.Control(), *k));
        EXPECT_EQ(2, FillListFromText(host.Control(), ";vier;fünf;", ';', FALSE));
        EXPECT_EQ((Strings{ "eins", "zwei", "drei", "vier", "fünf" }), Items(host.Control(), *k));
        EXPECT_EQ(0, FillListFromText(host.Control(), "", ';', FALSE));
        EXPECT_EQ(0, FillListFromText(host.Control(), NULL, ';', FALSE));
        EXPECT_EQ(5u, Items(host.Control(), *k).size());
    }
}

TEST(FillListFromText, NulSeparatedListEndsAtTheEmptyText)
{
    HostDialog host("ListBox", WS_VSCROLL);
    static const char list[] = "a\0bb\0ccc\0\0nicht mehr\0";
    EXPECT_EQ(3, FillListFromText(host.Control(), list, 0, FALSE));
    EXPECT_EQ((Strings{ "a", "bb", "ccc" }), Items(host.Control(), kList));
}

TEST(FillListFromText, ClearingEmptiesAndReselectsTheFirstItem)
{
    for (const BoxKind* k : { &kList, &kCombo }) {
        SCOPED_TRACE(k->cls);
        HostDialog host(k->cls, k->style);
        HWND box = host.Control();
        FillListFromText(box, "a,b,c,d", ',', FALSE);
        SendMessageA(box, k->setCurSel, 2, 0);
        EXPECT_EQ(2, FillListFromText(box, "x,y", ',', TRUE));
        EXPECT_EQ((Strings{ "x", "y" }), Items(box, *k));
        EXPECT_EQ(0, SendMessageA(box, k->getCurSel, 0, 0));
        // Without clearing the former index stays selected.
        SendMessageA(box, k->setCurSel, 1, 0);
        FillListFromText(box, "z", ',', FALSE);
        EXPECT_EQ(1, SendMessageA(box, k->getCurSel, 0, 0));
        // No selection before: none after.
        SendMessageA(box, k->setCurSel, static_cast<WPARAM>(-1), 0);
        FillListFromText(box, "q", ',', TRUE);
        EXPECT_EQ(-1, SendMessageA(box, k->getCurSel, 0, 0));
    }
}

TEST(FillListFromText, LongSegmentsAreCutTo255Bytes)
{
    HostDialog host("ListBox", WS_VSCROLL);
    std::string text(300, 'L');
    text += ";kurz";
    EXPECT_EQ(2, FillListFromText(host.Control(), text.c_str(), ';', FALSE));
    Strings items = Items(host.Control(), kList);
    ASSERT_EQ(2u, items.size());
    EXPECT_EQ(std::string(255, 'L'), items[0]);
    EXPECT_EQ("kurz", items[1]);
}

TEST(FillListFromText, SortedBoxSortsTheItems)
{
    HostDialog host("ListBox", WS_VSCROLL | LBS_SORT);
    EXPECT_EQ(3, FillListFromText(host.Control(), "Zebra|affe|Maus", '|', FALSE));
    EXPECT_EQ((Strings{ "affe", "Maus", "Zebra" }), Items(host.Control(), kList));
    EXPECT_EQ(1, FillDlgListFromText(host.Dialog(), 100, "Bär", '|', FALSE));
    EXPECT_EQ(4u, Items(host.Control(), kList).size());
}

TEST(AddToHistoryList, PutsTheTextFirstAndDropsItsCopies)
{
    for (const BoxKind* k : { &kList, &kCombo }) {
        SCOPED_TRACE(k->cls);
        HostDialog host(k->cls, k->style);
        HWND box = host.Control();
        FillListFromText(box, "eins;ZWEI;drei;zwei", ';', FALSE);
        EXPECT_EQ(0, AddToHistoryList(box, "zwei", 16, FALSE));
        EXPECT_EQ((Strings{ "zwei", "eins", "drei" }), Items(box, *k));
        EXPECT_EQ(0, AddToHistoryList(box, "EINS", 16, TRUE));
        EXPECT_EQ((Strings{ "EINS", "zwei", "eins", "drei" }), Items(box, *k));
        EXPECT_EQ(0, AddToHistoryList(box, "Größe", 16, FALSE));
        EXPECT_EQ(0, AddToHistoryList(box, "GRÖSSE", 16, FALSE));   // not the same word
        EXPECT_EQ(0, AddToHistoryList(box, "GRÖßE", 16, FALSE));    // Ö folds to ö in CP1252
        EXPECT_EQ((Strings{ "GRÖßE", "GRÖSSE", "EINS", "zwei", "eins", "drei" }), Items(box, *k));
    }
}

TEST(AddToHistoryList, KeepsAtMostTheMaximumAndMovesTheSelection)
{
    HostDialog host("ComboBox", CBS_DROPDOWN | WS_VSCROLL);
    HWND box = host.Control();
    FillListFromText(box, "1,2,3,4,5,6", ',', FALSE);
    SendMessageA(box, CB_SETCURSEL, 3, 0);
    AddToHistoryList(box, "neu", 4, TRUE);
    EXPECT_EQ((Strings{ "neu", "1", "2", "3" }), Items(box, kCombo));
    EXPECT_EQ(0, SendMessageA(box, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(0, AddToHistoryList(box, NULL, 4, TRUE));
    EXPECT_EQ(0, AddToHistoryList(NULL, "x", 4, TRUE));
    EXPECT_EQ(4u, Items(box, kCombo).size());
}

TEST(AddToHistoryList, ComparesItemsLongerThan255Bytes)
{
    HostDialog host("ListBox", WS_VSCROLL);
    std::string longText(400, 'q');
    SendMessageA(host.Control(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("a"));
    SendMessageA(host.Control(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(longText.c_str()));
    AddToHistoryList(host.Control(), std::string(400, 'Q').c_str(), 16, FALSE);
    Strings items = Items(host.Control(), kList);
    ASSERT_EQ(2u, items.size());
    EXPECT_EQ(std::string(400, 'Q'), items[0]);
    EXPECT_EQ("a", items[1]);
}
