// The choice list dialog: its item table and type-ahead without a window, and modal runs
// driven from a thread timer for the four modes, OK and Cancel, sizes and positions.
#include <gtest/gtest.h>
#include <windows.h>
#include <ctype.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <vector>
#include "uihelpers/ChoiceListDialog.h"
#include "TestWindows.h"

using uitest::ModalSteps;
using uitest::WindowText;

namespace {

struct Entry {
    DWORD value;
    std::string text;
};

std::vector<Entry> Table(const CChoiceListDialog& d)
{
    std::vector<Entry> t;
    for (int i = 0; i < d.GetItemCount(); ++i) t.push_back({ d.GetItemValue(i), d.GetItemText(i) });
    return t;
}

// An ASCII-only reference for "without regard to case", independent of the code under test.
std::string Lower(std::string s)
{
    for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return s;
}

int ListOf(HWND d) { return GetDlgItem(d, 1133) && IsWindowVisible(GetDlgItem(d, 1133)) ? 1133
                          : IsWindowVisible(GetDlgItem(d, 1134)) ? 1134
                          : IsWindowVisible(GetDlgItem(d, 1135)) ? 1135 : 1136; }

RECT ClientRectOf(HWND dlg, int id)
{
    RECT rc;
    GetWindowRect(GetDlgItem(dlg, id), &rc);
    MapWindowPoints(NULL, dlg, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

INT_PTR RunChoice(CChoiceListDialog& dlg, ModalSteps& steps)
{
    steps.Start();
    INT_PTR r = dlg.DoModal();
    steps.Stop();
    EXPECT_FALSE(steps.TimedOut());
    return r;
}

void FillFruit(CChoiceListDialog& d)
{
    d.AppendItem(10, "Apfel", 0);
    d.AppendItem(20, "Birne", 0);
    d.AppendItem(30, "Banane", 0);
    d.AppendItem(40, "Kirsche", 0);
}

}  // namespace

TEST(ChoiceItems, SortedInsertionMatchesAStableSort)
{
    // Pseudo-random values and texts with many ties; equal keys must keep insertion order.
    std::vector<Entry> inserted;
    CChoiceListDialog byValue, byText;
    unsigned seed = 12345;
    for (int i = 0; i < 60; ++i) {
        seed = seed * 1103515245u + 12345u;
        DWORD value = (seed >> 16) % 7;
        std::string text = std::string(1, static_cast<char>((seed >> 8) % 2 ? 'A' + (seed >> 20) % 4 : 'a' + (seed >> 20) % 4))
                           + std::to_string(i % 3);
        inserted.push_back({ value, text });
        int at = byValue.AddItem(CChoiceListDialog::INSERT_BY_VALUE, value, text.c_str(), 0);
        ASSERT_GE(at, 0);
        EXPECT_EQ(value, byValue.GetItemValue(at));
        at = byText.AddItem(CChoiceListDialog::INSERT_BY_TEXT, value, text.c_str(), 0);
        EXPECT_STREQ(text.c_str(), byText.GetItemText(at));
    }
    std::vector<Entry> expectValue = inserted, expectText = inserted;
    std::stable_sort(expectValue.begin(), expectValue.end(), [](const Entry& a, const Entry& b) { return a.value < b.value; });
    std::stable_sort(expectText.begin(), expectText.end(), [](const Entry& a, const Entry& b) { return Lower(a.text) < Lower(b.text); });
    std::vector<Entry> gotValue = Table(byValue), gotText = Table(byText);
    ASSERT_EQ(expectValue.size(), gotValue.size());
    for (size_t i = 0; i < gotValue.size(); ++i) {
        EXPECT_EQ(expectValue[i].value, gotValue[i].value) << i;
        EXPECT_EQ(expectValue[i].text, gotValue[i].text) << i;
        EXPECT_EQ(expectText[i].text, gotText[i].text) << i;
        EXPECT_EQ(expectText[i].value, gotText[i].value) << i;
    }
}

TEST(ChoiceItems, IndexesInsertOrAppendAndTheTableGrows)
{
    CChoiceListDialog d;
    EXPECT_EQ(0, d.AddItem(0, 1, "b", 0));
    EXPECT_EQ(0, d.AddItem(0, 2, "a", 1));
    EXPECT_EQ(2, d.AddItem(2, 3, "d", 0));      // index == count appends
    EXPECT_EQ(2, d.AddItem(2, 4, "c", 0));
    EXPECT_EQ(4, d.AddItem(99, 5, "e", 0));     // out of range appends
    EXPECT_EQ(5, d.AddItem(-1, 6, "f", 0));
    EXPECT_EQ(6, d.AddItem(-12344, 7, NULL, 0)); // a NULL text counts as empty
    EXPECT_EQ(7, d.AppendItem("g", 1));
    std::string order;
    for (int i = 0; i < d.GetItemCount(); ++i) order += d.GetItemText(i);
    EXPECT_EQ("abcdefg", order);
    EXPECT_EQ(0u, d.GetItemValue(7));
    EXPECT_EQ(1, d.IsItemSelected(0));
    EXPECT_EQ(1, d.IsItemSelected(7));
    EXPECT_EQ(16, d.m_nCapacity);
    for (int i = 0; i < 9; ++i) d.AppendItem("x", 0);
    EXPECT_EQ(17, d.GetItemCount());
    EXPECT_EQ(24, d.m_nCapacity);              // 16 * 3 / 2
    for (int i = 0; i < 8; ++i) d.AppendItem("y", 0);
    EXPECT_EQ(36, d.m_nCapacity);
}

TEST(ChoiceItems, AccessorsAreBoundedAndFindSetsTheCurrentIndex)
{
    CChoiceListDialog d;
    d.AppendItem(7, "Größe", 1);
    d.AppendItem(8, "Länge", 0);
    EXPECT_EQ(nullptr, d.GetItemText(-1));
    EXPECT_EQ(nullptr, d.GetItemText(2));
    EXPECT_EQ(0u, d.GetItemValue(2));
    EXPECT_EQ(0, d.IsItemSelected(-5));
    d.SetItemSelected(9, 1);                    // ignored
    d.SetItemSelected(1, 5);
    EXPECT_EQ(1, d.IsItemSelected(1));
    char buf[6];
    memset(buf, '#', sizeof buf);
    EXPECT_EQ(3, d.CopyItemText(0, buf, 4));
    EXPECT_STREQ("Grö", buf);
    EXPECT_EQ(0, d.CopyItemText(2, buf, 4));
    EXPECT_EQ(0, d.CopyItemText(0, buf, 0));
    EXPECT_EQ(0, d.CopyItemText(0, nullptr, 4));
    EXPECT_EQ(-1, d.FindItem("länge", 0));
    EXPECT_EQ(-1, d.m_nCurrent);
    EXPECT_EQ(1, d.FindItem("LÄNGE", 1));       // Ä folds to ä in code page 1252
    EXPECT_EQ(1, d.m_nCurrent);
    EXPECT_EQ(0, d.FindItem("Größe", 0));
    EXPECT_EQ(-1, d.FindItem(nullptr, 1));
    EXPECT_EQ(0, d.CopyText(buf, sizeof buf));  // no result yet
    EXPECT_STREQ("", buf);
}

TEST(ChoiceItems, SortItemsWithBothComparators)
{
    CChoiceListDialog d;
    const char* texts[] = { "delta", "Alpha", "charlie", "Bravo", "echo" };
    DWORD values[] = { 3, 5, 1, 4, 2 };
    for (int i = 0; i < 5; ++i) d.AppendItem(values[i], texts[i], 0);
    d.SortItems(&CompareChoiceText);
    std::string order;
    for (int i = 0; i < 5; ++i) order += d.GetItemText(i) + std::string(" ");
    EXPECT_EQ("Alpha Bravo charlie delta echo ", order);
    d.SortItems(&CompareChoiceValue);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(static_cast<DWORD>(i + 1), d.GetItemValue(i));
    d.SortItems(nullptr);
    EXPECT_EQ(5, d.GetItemCount());
}

TEST(ChoiceTypeAhead, KeysSelectByPrefixAndCycle)
{
    CChoiceListDialog d;
    const char* texts[] = { "Apfel", "Birne", "Banane", "aber", "Abend", "Zitrone", "äpfel" };
    for (const char* t : texts) d.AppendItem(t, 0);
    // One key moves behind the current item to the next match, cyclically.
    EXPECT_EQ(3, d.TypeAheadStep('a', 1000, 0));
    // The same key again (within the time-out) moves on to the next "a".
    EXPECT_EQ(4, d.TypeAheadStep('a', 1100, 3));
    EXPECT_EQ(0, d.TypeAheadStep('A', 1200, 4));          // wraps round
    // "ab" within 750 ms refines at the current item itself.
    EXPECT_EQ(3, d.TypeAheadStep('a', 5000, 1));
    EXPECT_EQ(3, d.TypeAheadStep('b', 5700, 3));
    EXPECT_EQ(3, d.TypeAheadStep('e', 6400, 3));
    EXPECT_EQ(4, d.TypeAheadStep('n', 7300, 3));          // "ABEN": 1000 ms with three keys
    // After the time-out the key starts a new search.
    EXPECT_EQ(1, d.TypeAheadStep('b', 9000, 0));
    EXPECT_EQ(3, d.TypeAheadStep('a', 9800, 1));          // 800 ms > 750: "A" behind item 1, not "BA"
    // No match for "AX": the buffer restarts with the key alone, which matches nothing.
    EXPECT_EQ(-1, d.TypeAheadStep('x', 9900, 0));
    EXPECT_EQ(5, d.TypeAheadStep('z', 20000, 0));
    // Small accented letters fold to the capitals, in the key and the texts.
    EXPECT_EQ(6, d.TypeAheadStep(0xE4, 30000, 0));        // 'ä' finds "äpfel"
    // No current item: the search starts at the top.
    EXPECT_EQ(1, d.TypeAheadStep('b', 40000, -1));
}

TEST(ChoiceTypeAhead, SixteenKeysEmptyTheBuffer)
{
    CChoiceListDialog d;
    const char word[] = "abcdefghijklmnopqrs";
    d.AppendItem(word, 0);
    d.AppendItem("q", 0);
    DWORD t = 1000;
    for (int i = 0; i < 16; ++i) EXPECT_EQ(0, d.TypeAheadStep(static_cast<unsigned char>(word[i]), t += 10, 0)) << i;
    EXPECT_EQ(16u, d.m_nTypeCount);
    // The buffer is full: "Q" alone, searched behind the current item.
    EXPECT_EQ(1, d.TypeAheadStep('q', t += 10, 0));
    EXPECT_EQ(1u, d.m_nTypeCount);
    CChoiceListDialog empty;
    EXPECT_EQ(-1, empty.TypeAheadStep('a', 100, -1));
}

TEST(ChoiceListDialog, EmptyListGivesAnEmptyResult)
{
    CChoiceListDialog dlg;
    std::string caption;
    LONG_PTR userData = 0;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        caption = WindowText(d);
        userData = GetWindowLongPtrA(d, GWLP_USERDATA);
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, RunChoice(dlg, steps));
    EXPECT_EQ("Auswahl", caption);
    EXPECT_EQ(196, userData);
    EXPECT_STREQ("", static_cast<LPCSTR>(dlg.m_strResult));
    EXPECT_EQ(0u, dlg.GetSelectedValue());
    EXPECT_EQ(-1, dlg.m_nCurrent);
}

TEST(ChoiceListDialog, PlainModeReturnsTheSelectedItem)
{
    // As "Bereich auswählen" does it: plain list, items sorted by value.
    CChoiceListDialog dlg;
    dlg.AddItem(CChoiceListDialog::INSERT_BY_VALUE, 2048, "FAT 1", 0);
    dlg.AddItem(CChoiceListDialog::INSERT_BY_VALUE, 0, "MBR", 0);
    dlg.AddItem(CChoiceListDialog::INSERT_BY_VALUE, 63, "Bootsektor", 0);
    dlg.SetCaption("Bereich auswählen");
    dlg.m_strPrompt = "Bereich:";
    dlg.m_nCurrent = 1;
    int shownSel = -9, visibleList = 0;
    std::string caption, prompt, item0;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        visibleList = ListOf(d);
        HWND list = GetDlgItem(d, 1133);
        shownSel = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
        char buf[64] = {};
        SendMessageA(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(buf));
        item0 = buf;
        caption = WindowText(d);
        prompt = WindowText(GetDlgItem(d, 1131));
        SendMessageA(list, LB_SETCURSEL, 2, 0);
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, RunChoice(dlg, steps));
    EXPECT_EQ(1133, visibleList);
    EXPECT_EQ(1, shownSel);
    EXPECT_EQ("MBR", item0);
    EXPECT_EQ("Bereich auswählen", caption);
    EXPECT_EQ("Bereich:", prompt);
    EXPECT_STREQ("FAT 1", static_cast<LPCSTR>(dlg.m_strResult));
    EXPECT_EQ(2048u, dlg.GetSelectedValue());
    EXPECT_EQ(2, dlg.m_nCurrent);
    EXPECT_EQ(0, dlg.IsItemSelected(1));
    EXPECT_EQ(1, dlg.IsItemSelected(2));
    char buf[4];
    EXPECT_EQ(3, dlg.CopyText(buf, sizeof buf));
    EXPECT_STREQ("FAT", buf);
}

TEST(ChoiceListDialog, PlainModeDoubleClickIsOk)
{
    CChoiceListDialog dlg;
    FillFruit(dlg);
    ModalSteps steps;
    steps.Add([](HWND d) {
        HWND list = GetDlgItem(d, 1133);
        SendMessageA(list, LB_SETCURSEL, 3, 0);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(1133, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
        return true;
    });
    EXPECT_EQ(IDOK, RunChoice(dlg, steps));
    EXPECT_EQ(40u, dlg.GetSelectedValue());
}

TEST(ChoiceListDialog, CheckOneModePreselectsAndMovesTheMark)
{
    CChoiceListDialog noneFlagged;
    FillFruit(noneFlagged);
    noneFlagged.SetMode(CChoiceListDialog::MODE_CHECK_ONE);
    int sel = -9, list = 0;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        list = ListOf(d);
        sel = static_cast<int>(SendMessageA(GetDlgItem(d, 1135), LB_GETCURSEL, 0, 0));
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, RunChoice(noneFlagged, steps));
    EXPECT_EQ(1135, list);
    EXPECT_EQ(0, sel);
    EXPECT_EQ(1, noneFlagged.IsItemSelected(0));
    EXPECT_STREQ("Apfel", static_cast<LPCSTR>(noneFlagged.m_strResult));

    CChoiceListDialog dlg;
    FillFruit(dlg);
    dlg.SetItemSelected(3, 1);
    dlg.SetMode(CChoiceListDialog::MODE_CHECK_ONE);
    ModalSteps steps2;
    steps2.Add([&](HWND d) {
        HWND lb = GetDlgItem(d, 1135);
        sel = static_cast<int>(SendMessageA(lb, LB_GETCURSEL, 0, 0));
        SendMessageA(lb, LB_SETCURSEL, 1, 0);
        SendMessageA(lb, WM_CHAR, ' ', 0);   // space: the double-click of the list
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, RunChoice(dlg, steps2));
    EXPECT_EQ(3, sel);
    EXPECT_EQ(0, dlg.IsItemSelected(3));
    EXPECT_EQ(1, dlg.IsItemSelected(1));
    EXPECT_EQ(20u, dlg.GetSelectedValue());
    EXPECT_STREQ("Birne", static_cast<LPCSTR>(dlg.m_strResult));
}

TEST(ChoiceListDialog, CheckManyModeTogglesTicksAndTheContextCommands)
{
    // As "Module löschen" does it: tick mode, items sorted by text.
    CChoiceListDialog dlg;
    dlg.AddItem(CChoiceListDialog::INSERT_BY_TEXT, 0, "ntfs.dfm", 0);
    dlg.AddItem(CChoiceListDialog::INSERT_BY_TEXT, 0, "Fat.dfm", 1);
    dlg.AddItem(CChoiceListDialog::INSERT_BY_TEXT, 0, "iso.dfm", 0);
    dlg.SetMode(CChoiceListDialog::MODE_CHECK_MANY);
    std::vector<int> afterAll, afterNone, afterSpace, afterClick;
    auto flags = [&dlg]() { std::vector<int> f; for (int i = 0; i < dlg.GetItemCount(); ++i) f.push_back(dlg.IsItemSelected(i)); return f; };
    int list = 0;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        list = ListOf(d);
        SendMessageA(d, WM_COMMAND, 1138, 0);
        afterAll = flags();
        SendMessageA(d, WM_COMMAND, 1139, 0);
        afterNone = flags();
        HWND lb = GetDlgItem(d, 1136);
        SendMessageA(lb, LB_SETCURSEL, 2, 0);
        SendMessageA(lb, WM_CHAR, ' ', 0);
        afterSpace = flags();
        // A click in the check box column ticks at once.
        RECT item;
        SendMessageA(lb, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
        LPARAM at = MAKELPARAM(5, (item.top + item.bottom) / 2);
        SendMessageA(lb, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(lb, WM_LBUTTONUP, 0, at);
        afterClick = flags();
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, RunChoice(dlg, steps));
    EXPECT_EQ(1136, list);
    EXPECT_STREQ("Fat.dfm", dlg.GetItemText(0));
    EXPECT_EQ((std::vector<int>{ 1, 1, 1 }), afterAll);
    EXPECT_EQ((std::vector<int>{ 0, 0, 0 }), afterNone);
    EXPECT_EQ((std::vector<int>{ 0, 0, 1 }), afterSpace);
    EXPECT_EQ((std::vector<int>{ 1, 0, 1 }), afterClick);
    EXPECT_EQ((std::vector<int>{ 1, 0, 1 }), flags());   // OK keeps the ticks
}

TEST(ChoiceListDialog, MultipleModeTakesTheListSelection)
{
    CChoiceListDialog dlg;
    FillFruit(dlg);
    dlg.SetItemSelected(1, 1);
    dlg.SetItemSelected(2, 1);
    dlg.SetMode(CChoiceListDialog::MODE_MULTIPLE);
    std::vector<int> shown;
    int afterAll = -1, afterNone = -1;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        HWND lb = GetDlgItem(d, 1134);
        for (int i = 0; i < 4; ++i) shown.push_back(SendMessageA(lb, LB_GETSEL, i, 0) > 0);
        SendMessageA(d, WM_COMMAND, 1138, 0);
        afterAll = static_cast<int>(SendMessageA(lb, LB_GETSELCOUNT, 0, 0));
        SendMessageA(d, WM_COMMAND, 1139, 0);
        afterNone = static_cast<int>(SendMessageA(lb, LB_GETSELCOUNT, 0, 0));
        SendMessageA(lb, LB_SETCARETINDEX, 3, FALSE);
        SendMessageA(lb, WM_KEYDOWN, VK_SPACE, 0);
        SendMessageA(lb, WM_CHAR, ' ', 0);            // one toggle in all
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, RunChoice(dlg, steps));
    EXPECT_EQ((std::vector<int>{ 0, 1, 1, 0 }), shown);
    EXPECT_EQ(4, afterAll);
    EXPECT_EQ(0, afterNone);
    EXPECT_EQ(0, dlg.IsItemSelected(1));
    EXPECT_EQ(1, dlg.IsItemSelected(3));
    EXPECT_STREQ("Kirsche", static_cast<LPCSTR>(dlg.m_strResult));
}

TEST(ChoiceListDialog, TypeAheadThroughTheList)
{
    CChoiceListDialog dlg;
    FillFruit(dlg);
    dlg.SetMode(CChoiceListDialog::MODE_CHECK_MANY);
    int afterB = -1, afterK = -1;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        HWND lb = GetDlgItem(d, 1136);
        SendMessageA(lb, LB_SETCURSEL, 0, 0);
        SendMessageA(lb, WM_CHAR, 'b', 0);
        afterB = static_cast<int>(SendMessageA(lb, LB_GETCURSEL, 0, 0));
        SendMessageA(lb, WM_CHAR, 'K', 0);
        afterK = static_cast<int>(SendMessageA(lb, LB_GETCURSEL, 0, 0));
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    EXPECT_EQ(IDCANCEL, RunChoice(dlg, steps));
    EXPECT_EQ(1, afterB);
    EXPECT_EQ(3, afterK);    // "BK" matches nothing, so "K" alone is searched
}

TEST(ChoiceListDialog, CancelAndCancelNotAllowed)
{
    CChoiceListDialog dlg;
    FillFruit(dlg);
    dlg.m_nCurrent = 2;
    ModalSteps steps;
    steps.Add([](HWND d) { PostMessageA(d, WM_COMMAND, IDCANCEL, 0); return true; });
    EXPECT_EQ(IDCANCEL, RunChoice(dlg, steps));
    EXPECT_STREQ("", static_cast<LPCSTR>(dlg.m_strResult));
    EXPECT_EQ(-1, dlg.m_nCurrent);

    CChoiceListDialog strict;
    FillFruit(strict);
    strict.SetMode(CChoiceListDialog::MODE_PLAIN, 0);
    bool cancelVisible = true, stillOpen = false;
    ModalSteps steps2;
    steps2.Add([&](HWND d) {
        cancelVisible = IsWindowVisible(GetDlgItem(d, IDCANCEL)) != FALSE;
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(GetDlgItem(d, 1133), WM_KEYDOWN, VK_ESCAPE, 1);
        return true;
    });
    steps2.Add([&](HWND d) { stillOpen = IsWindow(d) != FALSE; PostMessageA(d, WM_COMMAND, IDOK, 0); return true; });
    EXPECT_EQ(IDOK, RunChoice(strict, steps2));
    EXPECT_FALSE(cancelVisible);
    EXPECT_TRUE(stillOpen);
    EXPECT_STREQ("Apfel", static_cast<LPCSTR>(strict.m_strResult));
}

TEST(ChoiceListDialog, RemembersSizeAndSharesThePosition)
{
    CChoiceListDialog dlg;
    FillFruit(dlg);
    RECT first = {}, second = {};
    ModalSteps steps;
    steps.Add([&](HWND d) {
        SetWindowPos(d, NULL, 70, 60, 520, 430, SWP_NOZORDER);
        GetWindowRect(d, &first);
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    RunChoice(dlg, steps);
    POINT last = {};
    ASSERT_TRUE(CChoiceListDialog::GetLastPosition(&last));
    EXPECT_EQ(first.left, last.x);
    EXPECT_EQ(first.top, last.y);

    ModalSteps again;
    again.Add([&](HWND d) {
        GetWindowRect(d, &second);
        SetWindowPos(d, NULL, 90, 80, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    RunChoice(dlg, again);
    EXPECT_EQ(first.right - first.left, second.right - second.left);
    EXPECT_EQ(first.bottom - first.top, second.bottom - second.top);

    // A new object opens where the last one of any instance closed, with its own size.
    CChoiceListDialog other;
    RECT third = {};
    ModalSteps steps3;
    steps3.Add([&](HWND d) { GetWindowRect(d, &third); PostMessageA(d, WM_COMMAND, IDOK, 0); return true; });
    RunChoice(other, steps3);
    EXPECT_EQ(90, third.left);
    EXPECT_EQ(80, third.top);
    EXPECT_NE(520, third.right - third.left);
}

TEST(ChoiceListDialog, SizeFactorsAndTheMinimumSize)
{
    auto measure = [](int wf, int hf, SIZE* size, RECT* sizing) {
        CChoiceListDialog dlg;
        dlg.SetExtraWidth(wf);
        dlg.SetExtraHeight(hf);
        ModalSteps steps;
        steps.Add([&](HWND d) {
            RECT rc;
            GetWindowRect(d, &rc);
            size->cx = rc.right - rc.left;
            size->cy = rc.bottom - rc.top;
            if (sizing) SendMessageA(d, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(sizing));
            PostMessageA(d, WM_COMMAND, IDOK, 0);
            return true;
        });
        RunChoice(dlg, steps);
    };
    SIZE base = {}, doubled = {}, plain = {}, tiny = {};
    measure(0, 0, &base, nullptr);
    measure(0x12340000 + 694, 0x12340000 + 602, &doubled, nullptr);   // 2 x 347, 2 x 301
    EXPECT_EQ(2 * base.cx, doubled.cx);
    EXPECT_EQ(2 * base.cy, doubled.cy);
    measure(347, 0, &plain, nullptr);                                  // adds size * 347 / 347
    EXPECT_EQ(2 * base.cx, plain.cx);
    EXPECT_EQ(base.cy, plain.cy);
    RECT sizing = { 10, 10, 20, 20 };
    measure(-340, -300, &tiny, &sizing);                               // shrinks to the minimum
    EXPECT_LT(tiny.cx, base.cx);
    EXPECT_LT(tiny.cy, base.cy);
    EXPECT_EQ(tiny.cx, sizing.right - sizing.left);                    // the same minimum
    EXPECT_EQ(tiny.cy, sizing.bottom - sizing.top);
    EXPECT_EQ(10, sizing.left);                                        // the dragged edge moved
}

TEST(ChoiceListDialog, EmptyPromptHidesTheLineAndRaisesTheList)
{
    auto listTop = [](const char* prompt, bool* promptVisible) {
        CChoiceListDialog dlg;
        dlg.m_strPrompt = prompt;
        int top = 0;
        ModalSteps steps;
        steps.Add([&](HWND d) {
            top = ClientRectOf(d, 1133).top;
            *promptVisible = IsWindowVisible(GetDlgItem(d, 1131)) != FALSE;
            PostMessageA(d, WM_COMMAND, IDOK, 0);
            return true;
        });
        RunChoice(dlg, steps);
        return top;
    };
    bool withVisible = false, withoutVisible = true;
    int with = listTop("Bitte wählen:", &withVisible);
    int without = listTop("", &withoutVisible);
    EXPECT_TRUE(withVisible);
    EXPECT_FALSE(withoutVisible);
    EXPECT_EQ(with - 20, without);
}

TEST(ChoiceListDialog, RightClickOffersTheSelectAllMenu)
{
    CChoiceListDialog dlg;
    FillFruit(dlg);
    dlg.SetMode(CChoiceListDialog::MODE_MULTIPLE);
    dlg.m_bFocusList = 1;
    std::string first, second;
    HWND focus = nullptr, list = nullptr;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        list = GetDlgItem(d, 1134);
        focus = GetFocus();
        PostMessageA(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, 5));
        return true;
    });
    steps.Add([&](HWND) {
        HWND menu = FindWindowA("#32768", NULL);
        if (!menu || !IsWindowVisible(menu)) return false;   // wait for the menu
        HMENU h = reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0));
        char buf[64] = {};
        GetMenuStringA(h, 1138, buf, sizeof buf, MF_BYCOMMAND);
        first = buf;
        GetMenuStringA(h, 1139, buf, sizeof buf, MF_BYCOMMAND);
        second = buf;
        EndMenu();
        return true;
    });
    steps.Add([](HWND d) { PostMessageA(d, WM_COMMAND, IDCANCEL, 0); return true; });
    EXPECT_EQ(IDCANCEL, RunChoice(dlg, steps));
    EXPECT_EQ(list, focus);
    EXPECT_EQ("&Alles auswählen", first);
    EXPECT_EQ("&Alles abwählen", second);
}

TEST(ChoiceListDialog, ClickInTheMultipleListTogglesOnce)
{
    CChoiceListDialog dlg;
    FillFruit(dlg);
    dlg.SetMode(CChoiceListDialog::MODE_MULTIPLE);
    int afterFirst = -1, afterSecond = -1;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        HWND lb = GetDlgItem(d, 1134);
        RECT item;
        SendMessageA(lb, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
        LPARAM at = MAKELPARAM(60, (item.top + item.bottom) / 2);
        SendMessageA(lb, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(lb, WM_LBUTTONUP, 0, at);
        afterFirst = static_cast<int>(SendMessageA(lb, LB_GETSEL, 2, 0));
        SendMessageA(lb, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(lb, WM_LBUTTONUP, 0, at);
        afterSecond = static_cast<int>(SendMessageA(lb, LB_GETSEL, 2, 0));
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, RunChoice(dlg, steps));
    EXPECT_GT(afterFirst, 0);
    EXPECT_EQ(0, afterSecond);
}

TEST(ChoiceListDialog, OwnerDrawnRowsShowTheBoxAndTheMark)
{
    CChoiceListDialog dlg;
    dlg.AppendItem("markiert", 1);
    dlg.AppendItem("leer", 0);
    dlg.SetMode(CChoiceListDialog::MODE_CHECK_MANY);
    // Rows drawn into a memory bitmap: the box corner, its white inside and the mark's
    // colours, against an unmarked row and a row index beyond the items.
    int greenMarked = 0, greenEmpty = 0, greenBeyond = 0;
    COLORREF corner = 0, inside = 0;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        HWND lb = GetDlgItem(d, 1136);
        HDC screen = GetDC(NULL);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bmp = CreateCompatibleBitmap(screen, 200, 20);
        HGDIOBJ old = SelectObject(dc, bmp);
        auto draw = [&](UINT item) {
            DRAWITEMSTRUCT dis = {};
            dis.CtlType = ODT_LISTBOX;
            dis.CtlID = 1136;
            dis.itemID = item;
            dis.itemAction = ODA_DRAWENTIRE;
            dis.hwndItem = lb;
            dis.hDC = dc;
            SetRect(&dis.rcItem, 0, 0, 200, 20);
            SendMessageA(d, WM_DRAWITEM, 1136, reinterpret_cast<LPARAM>(&dis));
            int green = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 20; ++x) {
                    COLORREF c = GetPixel(dc, x, y);
                    if (c == RGB(0, 128, 0) || c == RGB(0, 255, 0)) ++green;
                }
            return green;
        };
        greenEmpty = draw(1);
        corner = GetPixel(dc, 3, 2);
        inside = GetPixel(dc, 8, 4);
        greenMarked = draw(0);
        greenBeyond = draw(7);
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
        ReleaseDC(NULL, screen);
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, RunChoice(dlg, steps));
    EXPECT_EQ(RGB(0, 0, 0), corner);
    EXPECT_EQ(RGB(255, 255, 255), inside);
    EXPECT_GT(greenMarked, 10);
    EXPECT_EQ(0, greenEmpty);
    EXPECT_EQ(0, greenBeyond);
}
