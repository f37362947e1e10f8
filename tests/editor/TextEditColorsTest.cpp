// "Farben einstellen" from the text editor opens on the format of the character at the caret
// and changes the group's table on OK.
#include "EditorTestSupport.h"

#include "tests/uihelpers/TestWindows.h"
#include "views/ColorsDialog.h"

using edittest::EditorTest;

TEST_F(EditorTest, ColoursDialogOpensOnTheCaretsFormat)
{
    CMarkTextView pane(2048, 50000, 0, "Farbtest");
    const int row = pane.AddColorFormat(0x000000, 0x00C000, "Feld", 7, 0);
    pane.AppendText("abcdef");
    pane.SetEditable(0);
    const uint8_t colours[] = { 1, 7, 7, 1 };
    ASSERT_EQ(pane.SetLineColors(0, colours, 4, -1, 1), 1);
    pane.SetCursorPos(2, 0, false);
    ASSERT_EQ(pane.GetCharColor(2, 0), row);

    uitest::ModalSteps script;
    script.Add([row](HWND d) {
        HWND list = GetDlgItem(d, IDC_COL_LIST);
        EXPECT_EQ(SendMessageA(list, LB_GETITEMDATA, SendMessageA(list, LB_GETCURSEL, 0, 0), 0), row);
        EXPECT_EQ(SendDlgItemMessageA(d, IDC_COL_BACK_GRID, LB_GETCURSEL, 0, 0), 24);   // 0x00C000
        SendDlgItemMessageA(d, IDC_COL_TEXT_GRID, LB_SETCURSEL, 30, 0);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_COL_TEXT_GRID, LBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_COL_TEXT_GRID)));
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    script.Start();
    EXPECT_EQ(pane.EditColors(), IDOK);
    EXPECT_TRUE(script.Finished());
    COLORREF text = 0, back = 0;
    uint32_t style = 9;
    ASSERT_EQ(pane.GetColorFormat(row, &text, &back, &style), 1);
    EXPECT_EQ(text, 0x0000FFu);
    EXPECT_EQ(back, 0x00C000u);
}
