// The info type dialog: its list shows the 21 entries in order, the caller's preset is
// selected (a preset without a position selects nothing), and OK, a double click and Cancel
// hand back the selection or keep the preset.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "disk/InfoTypeDialog.h"
#include "tests/support/ModalScript.h"

TEST(InfoTypeDialog, PresetSelectionOkDoubleClickAndCancel)
{
    std::vector<std::string> table;
    for (int i = 0; i < CInfoTypeDlg::kEntryCount; ++i)
        table.push_back(CInfoTypeDlg::EntryText(i));
    EXPECT_EQ(21u, table.size());
    EXPECT_EQ(nullptr, CInfoTypeDlg::EntryText(-1));
    EXPECT_EQ(nullptr, CInfoTypeDlg::EntryText(21));

    // Preset, the position chosen (-1: none), how the dialog ends, the position kept.
    const struct {
        int preset, pick;
        char ending;   // 'O' OK, 'C' Cancel, 'D' double click
        int result;
    } cases[] = {
        {0, -1, 'O', 0}, {6, -1, 'O', 6}, {20, -1, 'O', 20}, {3, 15, 'O', 15},
        {0, 11, 'D', 11}, {7, 2, 'C', 7}, {-1, -1, 'O', -1},
    };
    for (const auto& c : cases) {
        CInfoTypeDlg dlg;
        dlg.m_nPosition = c.preset;
        int shown = -9;
        std::vector<std::string> texts;
        testsupport::ModalScript script;
        script.Add([&](HWND d) {
            HWND list = GetDlgItem(d, 1082);
            texts = testsupport::ListBoxTexts(list);
            shown = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
            if (c.pick >= 0)
                SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(c.pick), 0);
            if (c.ending == 'D')
                PostMessageA(d, WM_COMMAND, MAKEWPARAM(1082, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
            else
                testsupport::Click(d, c.ending == 'C' ? IDCANCEL : IDOK);
            return true;
        });
        EXPECT_EQ(c.ending == 'C' ? IDCANCEL : IDOK, script.Run([&] { return dlg.DoModal(); }));
        EXPECT_EQ(table, texts);
        EXPECT_EQ(c.preset, shown);
        EXPECT_EQ(c.result, dlg.m_nPosition) << c.preset << " " << c.pick;
    }
}
