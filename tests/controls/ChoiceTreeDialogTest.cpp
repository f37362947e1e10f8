// The choice tree dialog: its tables without a window, then opened and driven by steps
// inside its modal loop (header clicks, double clicks, the context menu, OK).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>
#include "controls/ChoiceTreeDialog.h"
#include "controls/TreeList.h"
#include "tests/support/ModalScript.h"
#include "uihelpers/ClipboardText.h"

namespace {

HWND TreeOf(HWND dlg) { return GetDlgItem(dlg, CChoiceTreeDialog::IDC_TREE); }

// The items of the rows, top to bottom.
std::vector<int> RowItems(HWND tree)
{
    std::vector<int> v;
    for (int row = 0;; ++row) {
        LRESULT item = SendMessageA(tree, TLM_GETITEMOFROW, 0, row);
        if (!item)
            return v;
        v.push_back(static_cast<int>(SendMessageA(tree, TLM_GETITEMDATA, 0, item)));
    }
}

POINT RowPoint(HWND tree, int row, int column = 0)
{
    RECT rc = {};
    rc.left = static_cast<LONG>(SendMessageA(tree, TLM_GETITEMOFROW, 0, row));
    SendMessageA(tree, TVM_GETITEMRECT, column ? (0x80u | (static_cast<UINT>(column) << 24)) : 1u, reinterpret_cast<LPARAM>(&rc));
    return { rc.left + 4, (rc.top + rc.bottom) / 2 };
}

void Click(HWND w, UINT down, UINT up, POINT pt)
{
    SendMessageA(w, down, down == WM_RBUTTONDOWN ? MK_RBUTTON : MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
    SendMessageA(w, up, 0, MAKELPARAM(pt.x, pt.y));
}

bool Ticked(HWND tree, int row)
{
    LRESULT item = SendMessageA(tree, TLM_GETITEMOFROW, 0, row);
    return (SendMessageA(tree, TVM_GETITEMSTATE, static_cast<WPARAM>(item), 0) & 0xF000) == 0x2000;
}

BOOL CALLBACK FindMenu(HWND h, LPARAM lp)
{
    char cls[16] = {};
    GetClassNameA(h, cls, sizeof cls);
    if (IsWindowVisible(h) && lstrcmpA(cls, "#32768") == 0) {
        *reinterpret_cast<HWND*>(lp) = h;
        return FALSE;
    }
    return TRUE;
}

HWND FindMenuWindow()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindMenu, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

TEST(ChoiceTreeDialog, FieldsStayWithTheirItemsThroughSortedInsertsAndSorts)
{
    CChoiceTreeDialog d;
    EXPECT_EQ(d.AddColumn("Name", 80, LVCFMT_LEFT, 0), 0);
    EXPECT_EQ(d.AddColumn("Wert", 60, LVCFMT_RIGHT, 0), 1);
    std::mt19937 rng(5);
    std::vector<std::string> names;
    for (int i = 0; i < 40; ++i) {
        std::string name;
        for (int k = 0; k < 4; ++k)
            name += static_cast<char>((rng() % 2 ? 'a' : 'A') + rng() % 26);
        int at = d.AddItem(i % 3 ? CChoiceTreeDialog::INSERT_BY_TEXT : -1, rng() % 1000, name.c_str(), 0);
        ASSERT_GE(at, 0);
        if (i % 4) {
            ASSERT_EQ(d.SetFieldText(at, ("von " + name).c_str(), 1), 1);
        } else {
            names.push_back(name);   // these have no field
        }
        if (i == 0) {
            EXPECT_EQ(d.AddColumn("spät", 10, 0, 0), -1) << "columns come first";
        }
    }
    EXPECT_EQ(d.SetFieldText(0, "x", 2), 0);
    EXPECT_EQ(d.SetFieldText(40, "x", 1), 0);
    EXPECT_EQ(d.GetFieldText(40, 1), nullptr);
    auto fieldsFollow = [&]() {
        for (int i = 0; i < d.GetItemCount(); ++i) {
            std::string name = d.GetItemText(i);
            bool none = std::find(names.begin(), names.end(), name) != names.end();
            EXPECT_EQ(std::string(d.GetFieldText(i, 1)), none ? std::string() : "von " + name) << i;
            EXPECT_EQ(std::string(d.GetFieldText(i, 0)), name);
        }
    };
    fieldsFollow();
    d.SortItems(&CompareChoiceValue);
    for (int i = 1; i < d.GetItemCount(); ++i)
        EXPECT_LE(d.GetItemValue(i - 1), d.GetItemValue(i));
    fieldsFollow();
    d.SortItems(&CompareChoiceText);
    for (int i = 1; i < d.GetItemCount(); ++i)
        EXPECT_LE(lstrcmpiA(d.GetItemText(i - 1), d.GetItemText(i)), 0);
    fieldsFollow();
}

TEST(ChoiceTreeDialog, ColumnsKeepTheWidthsTheyWereAddedWith)
{
    // A width of 0 is a column of no width, not one that takes the room left over.
    CChoiceTreeDialog d;
    const int widths[] = { 70, 0, 40 };
    for (int w : widths)
        d.AddColumn("Spalte", static_cast<WORD>(w), LVCFMT_LEFT, 0);
    d.AddItem(-1, 1, "eins", 0);
    std::vector<int> shown;
    testsupport::ModalScript steps;
    steps.Add([&](HWND dlg) {
        for (int c = 0; c < 3; ++c)
            shown.push_back(static_cast<int>(SendMessageA(TreeOf(dlg), TLM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0)));
        EndDialog(dlg, IDCANCEL);
        return true;
    });
    EXPECT_EQ(steps.Run([&] { return d.DoModal(); }), IDCANCEL);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0], widths[0]);
    EXPECT_EQ(shown[2], widths[2]);
    // The control may widen it to its smallest column, never to the room left over.
    EXPECT_LT(shown[1], widths[2]);
}

TEST(ChoiceTreeDialog, HeaderClicksSortAndReverseWithTiesInParameterOrder)
{
    const char* groups[] = { "b", "A", "b", "a", "C", "a", "B" };
    CChoiceTreeDialog d;
    d.AddColumn("Name", 80, LVCFMT_LEFT, 0);
    d.AddColumn("Gruppe", 60, LVCFMT_LEFT, 0);
    for (int i = 0; i < 7; ++i) {
        d.AddItem(-1, static_cast<DWORD>(i), ("n" + std::to_string(6 - i)).c_str(), 0);
        d.SetFieldText(i, groups[i], 1);
    }
    auto expected = [&](int direction) {
        std::vector<int> v = { 0, 1, 2, 3, 4, 5, 6 };
        std::stable_sort(v.begin(), v.end(), [&](int x, int y) { return lstrcmpiA(groups[x], groups[y]) * direction < 0; });
        return v;
    };
    std::vector<std::vector<int>> seen;
    testsupport::ModalScript steps;
    auto clickHeader = [&](HWND dlg) {
        HWND header = reinterpret_cast<HWND>(SendMessageA(TreeOf(dlg), TLM_GETHEADER, 0, 0));
        RECT rc;
        SendMessageA(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&rc));
        Click(header, WM_LBUTTONDOWN, WM_LBUTTONUP, { (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2 });
        seen.push_back(RowItems(TreeOf(dlg)));
        return true;
    };
    steps.Add([&](HWND dlg) { seen.push_back(RowItems(TreeOf(dlg))); return true; });
    steps.Add(clickHeader);
    steps.Add(clickHeader);
    steps.Add([](HWND dlg) { EndDialog(dlg, IDCANCEL); return true; });
    EXPECT_EQ(steps.Run([&] { return d.DoModal(); }), IDCANCEL);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], (std::vector<int>{ 0, 1, 2, 3, 4, 5, 6 }));
    EXPECT_EQ(seen[1], expected(1));
    EXPECT_EQ(seen[2], expected(-1));
}

TEST(ChoiceTreeDialog, DoubleClickChoosesOrTicks)
{
    {
        CChoiceTreeDialog d;
        for (const char* t : { "eins", "zwei", "drei" })
            d.AddItem(-1, 10, t, 0);
        d.SetItemValue(2, 33);
        testsupport::ModalScript steps;
        steps.Add([](HWND dlg) {
            HWND tree = TreeOf(dlg);
            POINT pt = RowPoint(tree, 2);
            Click(tree, WM_LBUTTONDOWN, WM_LBUTTONUP, pt);
            Click(tree, WM_LBUTTONDBLCLK, WM_LBUTTONUP, pt);
            return true;
        });
        EXPECT_EQ(steps.Run([&] { return d.DoModal(); }), IDOK);
        EXPECT_EQ(d.m_nCurrent, 2);
        EXPECT_STREQ(d.m_strResult, "drei");
        EXPECT_EQ(d.m_nResultValue, 33u);
    }
    {
        CChoiceTreeDialog d;
        d.SetOptions(CChoiceTreeDialog::OPT_TICKS | CChoiceTreeDialog::OPT_CHECKBOXES);
        for (const char* t : { "eins", "zwei", "drei", "vier" })
            d.AddItem(-1, 0, t, t[0] == 'e');
        std::vector<bool> ticks;
        testsupport::ModalScript steps;
        steps.Add([&](HWND dlg) {
            HWND tree = TreeOf(dlg);
            for (int row : { 2, 0 }) {
                POINT pt = RowPoint(tree, row);
                Click(tree, WM_LBUTTONDOWN, WM_LBUTTONUP, pt);
                Click(tree, WM_LBUTTONDBLCLK, WM_LBUTTONUP, pt);
            }
            for (int row = 0; row < 4; ++row)
                ticks.push_back(Ticked(tree, row));
            SendMessageA(dlg, WM_COMMAND, IDOK, 0);
            return true;
        });
        EXPECT_EQ(steps.Run([&] { return d.DoModal(); }), IDOK);
        EXPECT_EQ(ticks, (std::vector<bool>{ false, false, true, false }));
        EXPECT_EQ(d.m_nCurrent, 2) << "the last ticked row";
        EXPECT_STREQ(d.m_strResult, "drei");
        EXPECT_EQ(d.IsItemSelected(0), 0);
        EXPECT_EQ(d.IsItemSelected(2), 1);
    }
}

TEST(ChoiceTreeDialog, ContextMenuCopiesDeletesAndTicksAll)
{
    CChoiceTreeDialog d;
    d.SetOptions(CChoiceTreeDialog::OPT_TICKS | CChoiceTreeDialog::OPT_CHECKBOXES | CChoiceTreeDialog::OPT_DELETEROW);
    d.AddColumn("Name", 60, LVCFMT_LEFT, 0);
    d.AddColumn("Pfad", 120, LVCFMT_LEFT, 0);
    for (int i = 0; i < 4; ++i) {
        d.AddItem(-1, static_cast<DWORD>(i), ("item" + std::to_string(i)).c_str(), i == 1);
        d.SetFieldText(i, ("C:\\feld" + std::to_string(i)).c_str(), 1);
    }
    ClipboardSetText("vorher");
    std::vector<std::string> menuTexts;
    std::string copied, afterEmptyCopy;
    std::vector<bool> ticks;
    int rowsAfterDelete = -1;
    auto openMenuAt = [](POINT pt) {
        return [pt](HWND dlg) {
            HWND tree = TreeOf(dlg);
            POINT s = pt;
            ClientToScreen(tree, &s);
            SetCursorPos(s.x, s.y);
            PostMessageA(tree, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(pt.x, pt.y));
            return true;
        };
    };
    auto closeMenu = [&](bool read) {
        return [&, read](HWND) {
            HWND menu = FindMenuWindow();
            if (!menu)
                return false;
            if (read) {
                HMENU h = reinterpret_cast<HMENU>(SendMessageA(menu, 0x01E1 /* MN_GETHMENU */, 0, 0));
                for (int i = 0; i < GetMenuItemCount(h); ++i) {
                    char text[64] = {};
                    GetMenuStringA(h, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
                    menuTexts.push_back(text);
                }
            }
            EndMenu();
            return true;
        };
    };
    testsupport::ModalScript steps;
    POINT onField = {};
    steps.Add([&](HWND dlg) { onField = RowPoint(TreeOf(dlg), 1, 1); return true; });
    steps.Add([&](HWND dlg) { return openMenuAt(onField)(dlg); });
    steps.Add(closeMenu(true));
    steps.Add([&](HWND dlg) {
        SendMessageA(dlg, WM_COMMAND, CChoiceTreeDialog::ID_COPY_FIELD, 0);
        char* text = ClipboardGetText();
        copied = text ? text : "";
        free(text);
        SendMessageA(dlg, WM_COMMAND, CChoiceTreeDialog::ID_SELECT_ALL, 0);
        SendMessageA(dlg, WM_COMMAND, CChoiceTreeDialog::ID_DELETE_ROW, 0);
        rowsAfterDelete = static_cast<int>(RowItems(TreeOf(dlg)).size());
        return true;
    });
    // Over no row the commands do nothing.
    steps.Add([&](HWND dlg) { return openMenuAt(POINT{ 20, 300 })(dlg); });
    steps.Add(closeMenu(false));
    steps.Add([&](HWND dlg) {
        ClipboardSetText("unberührt");
        SendMessageA(dlg, WM_COMMAND, CChoiceTreeDialog::ID_COPY_FIELD, 0);
        SendMessageA(dlg, WM_COMMAND, CChoiceTreeDialog::ID_DELETE_ROW, 0);
        char* text = ClipboardGetText();
        afterEmptyCopy = text ? text : "";
        free(text);
        for (int row = 0; row < 3; ++row)
            ticks.push_back(Ticked(TreeOf(dlg), row));
        SendMessageA(dlg, WM_COMMAND, CChoiceTreeDialog::ID_DESELECT_ALL, 0);
        SendMessageA(dlg, WM_COMMAND, CChoiceTreeDialog::ID_SELECT_ALL, 0);
        SendMessageA(dlg, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(steps.Run([&] { return d.DoModal(); }), IDOK);
    EXPECT_EQ(menuTexts, (std::vector<std::string>{ "Feld kopieren", "Zeile löschen", "", "&Alles auswählen", "&Alles abwählen" }));
    EXPECT_EQ(copied, "C:\\feld1");
    EXPECT_EQ(rowsAfterDelete, 3);
    EXPECT_EQ(afterEmptyCopy, "unberührt");
    EXPECT_EQ(ticks, (std::vector<bool>{ true, true, true }));
    // The deleted row is not chosen; the last ticked row is.
    EXPECT_EQ(d.IsItemSelected(1), 0);
    EXPECT_EQ(d.IsItemSelected(0) + d.IsItemSelected(2) + d.IsItemSelected(3), 3);
    EXPECT_EQ(d.m_nCurrent, 3);
}

TEST(ChoiceTreeDialog, EmptyDialogAndEnterGiveTheirResults)
{
    {
        CChoiceTreeDialog d;
        testsupport::ModalScript steps;
        steps.Add([](HWND dlg) { SendMessageA(dlg, WM_COMMAND, IDOK, 0); return true; });
        EXPECT_EQ(steps.Run([&] { return d.DoModal(); }), IDOK);
        EXPECT_STREQ(d.m_strResult, "");
        EXPECT_EQ(d.m_nResultValue, 0u);
        EXPECT_EQ(d.m_nCurrent, -1);
    }
    {
        CChoiceTreeDialog d;
        d.AddItem(-1, 7, "erstes", 0);
        d.AddItem(-1, 8, "zweites", 1);
        testsupport::ModalScript steps;
        steps.Add([](HWND dlg) {
            HWND tree = TreeOf(dlg);
            SetFocus(tree);
            SendMessageA(tree, WM_KEYDOWN, VK_RETURN, 0);
            return true;
        });
        EXPECT_EQ(steps.Run([&] { return d.DoModal(); }), IDOK);
        EXPECT_EQ(d.m_nCurrent, 1) << "the flagged item was preselected";
        EXPECT_EQ(d.m_nResultValue, 8u);
    }
}
