// The start options dialog: the preset open mode checks its button (-1 checks none), a click
// moves the check, OK hands the choice back and Cancel keeps the preset.
#include <gtest/gtest.h>
#include <windows.h>
#include "disk/StartOptionsDialog.h"
#include "tests/support/ModalScript.h"

namespace {

// The checked radio buttons 1035 to 1038, one bit per button.
int CheckedButtons(HWND d)
{
    int bits = 0;
    for (int i = 0; i < 4; ++i)
        if (IsDlgButtonChecked(d, 1035 + i) == BST_CHECKED)
            bits |= 1 << i;
    return bits;
}

}  // namespace

TEST(StartOptionsDialog, PresetChoiceOkAndCancel)
{
    const struct {
        int preset, click, command, checked, result;
    } cases[] = {
        {0, 3, IDOK, 1, 3}, {1, 2, IDOK, 2, 2}, {2, 1, IDOK, 4, 1}, {3, 0, IDOK, 8, 0},
        {2, 0, IDCANCEL, 4, 2}, {-1, -1, IDOK, 0, -1},
    };
    for (const auto& c : cases) {
        CStartOptionsDlg dlg;
        if (c.preset >= 0)
            dlg.m_nOpenMode = c.preset;
        EXPECT_EQ(c.preset, dlg.m_nOpenMode);
        int checked = -1;
        testsupport::ModalScript script;
        script.Add([&](HWND d) {
            checked = CheckedButtons(d);
            if (c.click >= 0)
                SendMessageA(GetDlgItem(d, 1035 + c.click), BM_CLICK, 0, 0);
            return testsupport::Click(d, c.command);
        });
        EXPECT_EQ(c.command, script.Run([&] { return dlg.DoModal(); })) << c.preset;
        EXPECT_EQ(c.checked, checked) << c.preset;
        EXPECT_EQ(c.result, dlg.m_nOpenMode) << c.preset;
    }
}
