// The start options dialog: the preset open mode checks its button, the user's choice comes
// back after OK, Cancel keeps the preset, and -1 checks nothing.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "disk/StartOptionsDialog.h"
#include "tests/uihelpers/TestWindows.h"

using uitest::ModalSteps;

namespace {

INT_PTR RunDialog(CStartOptionsDlg& dlg, ModalSteps& steps)
{
    steps.Start();
    INT_PTR r = dlg.DoModal();
    steps.Stop();
    EXPECT_FALSE(steps.TimedOut());
    return r;
}

// The ids of the checked radio buttons 1035 to 1038, as one number per button (bit i).
int CheckedButtons(HWND d)
{
    int bits = 0;
    for (int i = 0; i < 4; ++i)
        if (IsDlgButtonChecked(d, 1035 + i) == BST_CHECKED) bits |= 1 << i;
    return bits;
}

}  // namespace

TEST(StartOptionsDialog, ButtonsAndTexts)
{
    CStartOptionsDlg dlg;
    dlg.m_nOpenMode = 1;
    std::string caption, texts[4], cancel;
    int checked = 0;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        caption = uitest::WindowText(d);
        for (int i = 0; i < 4; ++i) texts[i] = uitest::WindowText(GetDlgItem(d, 1035 + i));
        cancel = uitest::WindowText(GetDlgItem(d, IDCANCEL));
        checked = CheckedButtons(d);
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, RunDialog(dlg, steps));
    EXPECT_EQ("Startoptionen", caption);
    EXPECT_EQ("Immer C: \xF6" "ffnen", texts[0]);
    EXPECT_EQ("Immer D: \xF6" "ffnen", texts[1]);
    EXPECT_EQ("Kein Laufwerk \xF6" "ffnen", texts[2]);
    EXPECT_EQ("Letztes Laufwerk \xF6" "ffnen", texts[3]);
    EXPECT_EQ("Cancel", cancel);
    EXPECT_EQ(1 << 1, checked);
    EXPECT_EQ(1, dlg.m_nOpenMode);
}

TEST(StartOptionsDialog, ChoiceOkCancelAndNoPreset)
{
    for (int preset = 0; preset < 4; ++preset) {
        CStartOptionsDlg dlg;
        dlg.m_nOpenMode = preset;
        int checked = 0;
        const int pick = 3 - preset;
        ModalSteps steps;
        steps.Add([&](HWND d) {
            checked = CheckedButtons(d);
            // A click on another button moves the check (auto radio buttons of one group).
            SendMessageA(GetDlgItem(d, 1035 + pick), BM_CLICK, 0, 0);
            PostMessageA(d, WM_COMMAND, IDOK, 0);
            return true;
        });
        EXPECT_EQ(IDOK, RunDialog(dlg, steps));
        EXPECT_EQ(1 << preset, checked);
        EXPECT_EQ(pick, dlg.m_nOpenMode);
    }

    CStartOptionsDlg cancelled;
    cancelled.m_nOpenMode = 2;
    ModalSteps cancel;
    cancel.Add([](HWND d) {
        SendMessageA(GetDlgItem(d, 1035), BM_CLICK, 0, 0);
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    EXPECT_EQ(IDCANCEL, RunDialog(cancelled, cancel));
    EXPECT_EQ(2, cancelled.m_nOpenMode);

    CStartOptionsDlg none;
    int checked = -1;
    ModalSteps ok;
    ok.Add([&](HWND d) {
        checked = CheckedButtons(d);
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(-1, none.m_nOpenMode);
    EXPECT_EQ(IDOK, RunDialog(none, ok));
    EXPECT_EQ(0, checked);
    EXPECT_EQ(-1, none.m_nOpenMode);
}
