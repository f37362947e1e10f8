// Rules of the choice list that the other choice tests pass by: the same key twice moves on
// even where an item begins with it twice, capital accented keys find small accented texts
// and the other way round, a tick toggles back, and a preselection beyond the items falls
// back to the first one.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "uihelpers/ChoiceListDialog.h"
#include "TestWindows.h"

using uitest::ModalSteps;

namespace {

INT_PTR RunModal(CChoiceListDialog& dlg, ModalSteps& steps)
{
    return uitest::RunWatched(steps, [&] { return dlg.DoModal(); });
}

}  // namespace

// Each row: the items, then keys with their time and the current item before each key,
// and the item each key selects.
TEST(ChoiceListRules, TypeAheadKeysTable)
{
    struct Key {
        unsigned char key;
        DWORD time;
        int current;
        int want;
    };
    const struct {
        std::vector<const char*> items;
        std::vector<Key> keys;
    } kCases[] = {
        // "a" twice: the second key starts afresh and moves on, although "Aachen" begins
        // with "AA" at the current item.
        { { "Aachen", "Apfel", "Aal" }, { { 'a', 1000, -1, 0 }, { 'a', 1100, 0, 1 }, { 'a', 1200, 1, 2 } } },
        // Small and capital accented letters are one letter, in the key and in the texts.
        { { "Birne", "\xE4pfel", "\xD6l", "\xFC" "ber" },
          { { 0xC4, 1000, 0, 1 }, { 0xF6, 5000, 0, 2 }, { 0xDC, 9000, 0, 3 }, { 0xE4, 13000, 3, 1 } } },
        // Two different keys refine the search at the current item.
        { { "Aal", "Ab", "Ac" }, { { 'a', 1000, -1, 0 }, { 'c', 1100, 0, 2 } } },
    };
    int row = 0;
    for (const auto& c : kCases) {
        CChoiceListDialog d;
        for (const char* item : c.items)
            d.AppendItem(item, 0);
        int k = 0;
        for (const Key& key : c.keys)
            EXPECT_EQ(key.want, d.TypeAheadStep(key.key, key.time, key.current)) << "row " << row << " key " << k++;
        ++row;
    }
}

// In tick mode each space on an item toggles its tick: twice is back to where it was.
TEST(ChoiceListRules, TickTogglesBackAndForth)
{
    CChoiceListDialog dlg;
    dlg.AppendItem("eins", 0);
    dlg.AppendItem("zwei", 1);
    dlg.SetMode(CChoiceListDialog::MODE_CHECK_MANY);
    std::vector<int> seen;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        HWND lb = GetDlgItem(d, CChoiceListDialog::IDC_CHOICE_CHECK_MANY);
        for (int item = 0; item < 2; ++item) {
            SendMessageA(lb, LB_SETCURSEL, static_cast<WPARAM>(item), 0);
            for (int press = 0; press < 2; ++press) {
                SendMessageA(lb, WM_CHAR, ' ', 0);
                seen.push_back(dlg.IsItemSelected(item));
            }
        }
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, RunModal(dlg, steps));
    EXPECT_EQ((std::vector<int>{ 1, 0, 0, 1 }), seen);
}

// The preselection on opening: beyond the items or unset it falls back to the first item
// (or the one flagged), below -1 nothing is chosen.
TEST(ChoiceListRules, PreselectionBeyondTheItemsTakesTheFirst)
{
    const struct { int mode; int current; int flagged; int wantSel; const char* wantResult; } kCases[] = {
        { CChoiceListDialog::MODE_PLAIN, 99, -1, 0, "Apfel" },
        { CChoiceListDialog::MODE_PLAIN, 3, -1, 0, "Apfel" },
        { CChoiceListDialog::MODE_CHECK_ONE, 42, -1, 0, "Apfel" },
        { CChoiceListDialog::MODE_PLAIN, -1, 2, 2, "Kirsche" },
        { CChoiceListDialog::MODE_PLAIN, 1, -1, 1, "Birne" },
        { CChoiceListDialog::MODE_PLAIN, -2, -1, -1, "" },
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " current " << c.current);
        CChoiceListDialog dlg;
        dlg.AppendItem(10, "Apfel", 0);
        dlg.AppendItem(20, "Birne", 0);
        dlg.AppendItem(30, "Kirsche", c.flagged == 2 ? 1 : 0);
        dlg.SetMode(c.mode);
        dlg.m_nCurrent = c.current;
        int sel = -9;
        ModalSteps steps;
        steps.Add([&](HWND d) {
            const int id = c.mode == CChoiceListDialog::MODE_CHECK_ONE ? CChoiceListDialog::IDC_CHOICE_CHECK_ONE
                                                                       : CChoiceListDialog::IDC_CHOICE_LIST;
            sel = static_cast<int>(SendMessageA(GetDlgItem(d, id), LB_GETCURSEL, 0, 0));
            PostMessageA(d, WM_COMMAND, IDOK, 0);
            return true;
        });
        EXPECT_EQ(IDOK, RunModal(dlg, steps));
        EXPECT_EQ(c.wantSel, sel);
        EXPECT_STREQ(c.wantResult, static_cast<LPCSTR>(dlg.m_strResult));
    }
}

// A new dialog opens where the last one closed only when that place is on the screen: left
// and top from -20, and at least 50 pixels before the right and bottom edges.
TEST(ChoiceListRules, LastPlaceIsTakenOnlyOnTheScreen)
{
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    const struct { int x, y; bool taken; } kCases[] = {
        { -20, -20, true }, { -21, 40, false }, { 40, -21, false },
        { cx - 51, 40, true }, { cx - 50, 40, false }, { 40, cy - 51, true }, { 40, cy - 50, false },
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(::testing::Message() << c.x << "," << c.y);
        CChoiceListDialog closing;
        closing.AppendItem("eins", 0);
        ModalSteps first;
        first.Add([&](HWND d) {
            SetWindowPos(d, NULL, c.x, c.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            PostMessageA(d, WM_COMMAND, IDOK, 0);
            return true;
        });
        ASSERT_EQ(IDOK, RunModal(closing, first));
        POINT last = {};
        ASSERT_TRUE(CChoiceListDialog::GetLastPosition(&last));
        ASSERT_EQ(c.x, last.x);
        ASSERT_EQ(c.y, last.y);

        CChoiceListDialog opening;
        opening.AppendItem("zwei", 0);
        RECT at = {};
        ModalSteps second;
        second.Add([&](HWND d) {
            GetWindowRect(d, &at);
            PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
            return true;
        });
        ASSERT_EQ(IDCANCEL, RunModal(opening, second));
        EXPECT_EQ(c.taken, at.left == c.x && at.top == c.y);
    }
}
