// The info type dialog: its 21 positions, the caller's preset shown and handed back by OK,
// a double click as OK, Cancel, and no selection.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "disk/InfoTypeDialog.h"
#include "tests/uihelpers/TestWindows.h"

using uitest::ModalSteps;

namespace {

INT_PTR RunDialog(CInfoTypeDlg& dlg, ModalSteps& steps)
{
    steps.Start();
    INT_PTR r = dlg.DoModal();
    steps.Stop();
    EXPECT_FALSE(steps.TimedOut());
    return r;
}

std::vector<std::string> ListTexts(HWND list)
{
    std::vector<std::string> texts;
    int n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char buf[128] = {};
        SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
        texts.push_back(buf);
    }
    return texts;
}

}  // namespace

TEST(InfoTypeDialog, ListsTheStructuresInTheirOrder)
{
    // Position 20 is the exFAT directory; the ext superblock has no position.
    const std::vector<std::string> expected = {
        "<default>", "Bootsektor", "Bootsektor (FAT32)", "Bootsektor (NTFS)", "Bootsektor (EXFAT)", "FAT12",
        "FAT16", "FAT32", "FATEX", "Verzeichnis", "Infosektor", "MasterBootRecord", "VolumeDescriptor",
        "CD Pfad Tabelle", "CD Verzeichnis", "Master File Table", "Mirror MFT", "Ecma-Tag",
        "GUID Partitionstablle", "GUID Partitioneintr\xE4ge", "EXFAT Verzeichnis" };
    std::vector<std::string> table;
    for (int i = 0; i < CInfoTypeDlg::kEntryCount; ++i) table.push_back(CInfoTypeDlg::EntryText(i));
    EXPECT_EQ(nullptr, CInfoTypeDlg::EntryText(-1));
    EXPECT_EQ(nullptr, CInfoTypeDlg::EntryText(21));

    CInfoTypeDlg dlg;
    std::vector<std::string> shown;
    std::string caption;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        shown = ListTexts(GetDlgItem(d, 1082));
        caption = uitest::WindowText(d);
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    EXPECT_EQ(IDCANCEL, RunDialog(dlg, steps));
    EXPECT_EQ(expected, shown);
    EXPECT_EQ(expected, table);
    EXPECT_EQ("Info-Typ w\xE4hlen", caption);
}

TEST(InfoTypeDialog, ThePresetIsShownAndOkReturnsIt)
{
    for (int preset : { 0, 6, 20 }) {
        CInfoTypeDlg dlg;
        dlg.m_nPosition = preset;
        int shown = -9;
        ModalSteps steps;
        steps.Add([&](HWND d) {
            shown = static_cast<int>(SendMessageA(GetDlgItem(d, 1082), LB_GETCURSEL, 0, 0));
            PostMessageA(d, WM_COMMAND, IDOK, 0);
            return true;
        });
        EXPECT_EQ(IDOK, RunDialog(dlg, steps));
        EXPECT_EQ(preset, shown);
        EXPECT_EQ(preset, dlg.m_nPosition);
    }
}

TEST(InfoTypeDialog, UserChoiceDoubleClickCancelAndNoSelection)
{
    CInfoTypeDlg chosen;
    chosen.m_nPosition = 3;
    ModalSteps pick;
    pick.Add([](HWND d) {
        SendMessageA(GetDlgItem(d, 1082), LB_SETCURSEL, 15, 0);
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, RunDialog(chosen, pick));
    EXPECT_EQ(15, chosen.m_nPosition);

    CInfoTypeDlg doubled;
    ModalSteps dbl;
    dbl.Add([](HWND d) {
        HWND list = GetDlgItem(d, 1082);
        SendMessageA(list, LB_SETCURSEL, 11, 0);
        PostMessageA(d, WM_COMMAND, MAKEWPARAM(1082, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
        return true;
    });
    EXPECT_EQ(IDOK, RunDialog(doubled, dbl));
    EXPECT_EQ(11, doubled.m_nPosition);

    CInfoTypeDlg cancelled;
    cancelled.m_nPosition = 7;
    ModalSteps cancel;
    cancel.Add([](HWND d) {
        SendMessageA(GetDlgItem(d, 1082), LB_SETCURSEL, 2, 0);
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    EXPECT_EQ(IDCANCEL, RunDialog(cancelled, cancel));
    EXPECT_EQ(7, cancelled.m_nPosition);

    // A preset without a position (the ext superblock's) selects nothing; OK gives -1.
    CInfoTypeDlg none;
    none.m_nPosition = -1;
    int shown = -9;
    ModalSteps ok;
    ok.Add([&](HWND d) {
        shown = static_cast<int>(SendMessageA(GetDlgItem(d, 1082), LB_GETCURSEL, 0, 0));
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, RunDialog(none, ok));
    EXPECT_EQ(-1, shown);
    EXPECT_EQ(-1, none.m_nPosition);
}
