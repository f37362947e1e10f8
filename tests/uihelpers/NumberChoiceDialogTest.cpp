// The number entry dialog (its notation against the C library's own conversions) and the
// choice dialog with its combo box, both run modally from a thread timer.
#include <gtest/gtest.h>
#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include "uihelpers/ChoiceDialog.h"
#include "uihelpers/NumberEntryDialog.h"
#include "TestWindows.h"

using uitest::ModalSteps;
using uitest::WindowText;
using uitest::WindowWidth;

namespace {

INT_PTR RunModal(CDialog& dlg, ModalSteps& steps)
{
    return uitest::RunWatched(steps, [&] { return dlg.DoModal(); });
}

int Parse(const char* text)
{
    int value = 12345;
    EXPECT_EQ(NUMBER_ENTRY_OK, ParseEntryNumber(text, &value)) << text;
    return value;
}

}  // namespace

TEST(NumberEntry, NotationsAgreeWithStrtoul)
{
    // Each entry against strtoul on its digits in the radix its notation names.
    struct Case { const char* entry; const char* digits; int radix; bool negative; } cases[] = {
        { "1Fh", "1F", 16, false },     { "17o", "17", 8, false },      { "101b", "101", 2, false },
        { "0b101", "101", 2, false },   { "-0x10", "10", 16, true },    { "0X7fffFFFF", "7fffFFFF", 16, false },
        { "0O777", "777", 8, false },   { "  \t+42", "42", 10, false }, { "12ab", "12", 10, false },
        { "ffH", "ff", 16, false },     { "0xFFFFFFFF", "FFFFFFFF", 16, false },
        { "-2147483648", "2147483648", 10, true }, { "4294967295", "4294967295", 10, false },
        { "19o", "19", 10, false },     { "102b", "102", 10, false },   { "0b12", "1", 2, false },
        { "0x1g", "1", 16, false },     { "-0", "0", 10, true },
        // Behind the sign or the prefix the conversion skips white space, takes a sign of its
        // own and, in hexadecimal, a "0x" of its own.
        { "- 5", " 5", 10, true },      { "0x 1F", " 1F", 16, false },  { "0b\t101", "\t101", 2, false },
        { "+\n7", "\n7", 10, false },   { "- -5", "-5", 10, true },     { "+-5", "-5", 10, false },
        { "0x0x1F", "0x1F", 16, false }, { "- 0x1F", " 0x1F", 10, true }, { "0o +17", " +17", 8, false },
    };
    for (const Case& c : cases) {
        unsigned long expect = strtoul(c.digits, NULL, c.radix);
        if (c.negative) expect = 0ul - expect;
        EXPECT_EQ(static_cast<int>(expect), Parse(c.entry)) << c.entry;
    }
    // Nothing to read gives 0; a prefix wins over a suffix ("0Bh" is binary without digits).
    for (const char* empty : { "", "0x", "-", "+", "   ", "h", "zz", "0Bh" })
        EXPECT_EQ(0, Parse(empty)) << empty;

    // Beyond 32 bits is refused, also for negatives below -2^31.
    for (const char* big : { "0x100000000", "4294967296", "-2147483649", "-0xFFFFFFFF",
                             "99999999999999999999999999", "111111111111111111111111111111111b" }) {
        int value = 7;
        EXPECT_EQ(NUMBER_ENTRY_TOO_BIG, ParseEntryNumber(big, &value)) << big;
        EXPECT_EQ(0, value);
    }
}

TEST(NumberEntry, DialogReadsTheNumberAndRefusesOverflowWithAMessage)
{
    CNumberEntryDialog dlg;
    dlg.SetCaption("Zahl");
    dlg.m_strPrompt = "Wert:";
    std::string shown;
    LONG_PTR userData = 0;
    bool sawMessage = false;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        shown = WindowText(GetDlgItem(d, 1008));
        userData = GetWindowLongPtrA(d, GWLP_USERDATA);
        SetDlgItemTextA(d, 1008, "0x1FFFFFFFF");
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    // The refusal is a message box over the dialog; the dialog stays.
    steps.Add([&](HWND box) {
        if (WindowText(box) != "Zahl" || !GetDlgItem(box, IDOK) || GetDlgItem(box, 1008)) return false;
        sawMessage = true;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return true;
    });
    steps.Add([&](HWND d) {
        if (!GetDlgItem(d, 1008)) return false;
        SetDlgItemTextA(d, 1008, "-1Fh");
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, RunModal(dlg, steps));
    EXPECT_EQ("0", shown);
    EXPECT_EQ(197, userData);
    EXPECT_TRUE(sawMessage);
    EXPECT_EQ(-31, dlg.m_nValue);
    EXPECT_STREQ("-1Fh", dlg.m_strText);
}

TEST(NumberEntry, WidthFactorGrowsTheEditButNotThePrompt)
{
    int widths[2][2] = {};
    for (int pass = 0; pass < 2; ++pass) {
        CNumberEntryDialog dlg;
        dlg.m_nWidthFactor = pass ? 0x12340000 + 708 : 0;
        ModalSteps steps;
        steps.Add([&](HWND d) {
            widths[pass][0] = WindowWidth(GetDlgItem(d, 1008));
            widths[pass][1] = WindowWidth(GetDlgItem(d, 1034));
            PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
            return true;
        });
        EXPECT_EQ(IDCANCEL, RunModal(dlg, steps));
        if (pass) {
            EXPECT_EQ(widths[1][0] - widths[0][0], dlg.m_nWidthFactor);
        }
    }
    EXPECT_GT(widths[1][0], widths[0][0]);
    EXPECT_EQ(widths[0][1], widths[1][1]);
}

TEST(NumberEntry, TemplateCaptionPromptButtonsAndCancelKeepingTheValue)
{
    // Without a caption of its own the dialog keeps the template's; a prompt is shown as set.
    // Doubling the width moves both buttons right by the widening, grows the edit by it and
    // leaves the prompt as it was. Cancel keeps the value and the text from before the run.
    struct Pass { int widthFactor; const char* prompt; } passes[] = {
        { 0, nullptr },
        { 0x12340000 + 708, "Sektor (dezimal, 0x.., ..h, ..o, ..b):" },
    };
    struct Look { std::string caption, prompt; int width, edit, promptWidth, okLeft, cancelLeft; } seen[2] = {};
    int widening = 0;
    for (int pass = 0; pass < 2; ++pass) {
        CNumberEntryDialog dlg;
        dlg.m_nWidthFactor = passes[pass].widthFactor;
        if (passes[pass].prompt) dlg.m_strPrompt = passes[pass].prompt;
        dlg.m_nValue = 4321;
        dlg.m_strText = "17o";
        ModalSteps steps;
        steps.Add([&](HWND d) {
            RECT frame, ok, cancel;
            GetWindowRect(d, &frame);
            GetWindowRect(GetDlgItem(d, IDOK), &ok);
            GetWindowRect(GetDlgItem(d, IDCANCEL), &cancel);
            seen[pass] = { WindowText(d), WindowText(GetDlgItem(d, 1034)), WindowWidth(d),
                           WindowWidth(GetDlgItem(d, 1008)), WindowWidth(GetDlgItem(d, 1034)),
                           static_cast<int>(ok.left - frame.left), static_cast<int>(cancel.left - frame.left) };
            // Typed over, then cancelled: nothing of it may reach the dialog's members.
            SetDlgItemTextA(d, 1008, "0x99");
            PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
            return true;
        });
        EXPECT_EQ(IDCANCEL, RunModal(dlg, steps));
        EXPECT_EQ(4321, dlg.m_nValue) << pass;
        EXPECT_STREQ("17o", dlg.m_strText) << pass;
        if (pass) widening = dlg.m_nWidthFactor;
    }
    for (const Look& look : seen)
        EXPECT_EQ("Dateinamen eingeben", look.caption);
    EXPECT_EQ("", seen[0].prompt);
    EXPECT_EQ(passes[1].prompt, seen[1].prompt);
    // Twice the width: the widening is the width the dialog had.
    EXPECT_EQ(seen[0].width, widening);
    EXPECT_EQ(seen[0].width + widening, seen[1].width);
    EXPECT_EQ(seen[0].edit + widening, seen[1].edit);
    EXPECT_EQ(seen[0].promptWidth, seen[1].promptWidth);
    EXPECT_EQ(seen[0].okLeft + widening, seen[1].okLeft);
    EXPECT_EQ(seen[0].cancelLeft + widening, seen[1].cancelLeft);
}

TEST(ChoiceDialog, ItemTableByTheSelectionDialogsRules)
{
    CChoiceDialog dlg;
    EXPECT_EQ(0, dlg.AddItem(CChoiceListDialog::INSERT_BY_VALUE, 30, "c", 0));
    EXPECT_EQ(0, dlg.AddItem(CChoiceListDialog::INSERT_BY_VALUE, 10, "a", 0));
    EXPECT_EQ(2, dlg.AddItem(CChoiceListDialog::INSERT_BY_VALUE, 30, "d", 1));
    EXPECT_EQ(2, dlg.m_nSelection);
    EXPECT_EQ(1, dlg.AddItem(CChoiceListDialog::INSERT_BY_TEXT, 20, "B", 0));
    // An item inserted in front of the chosen one leaves the choice on "d".
    EXPECT_EQ(3, dlg.m_nSelection);
    EXPECT_EQ(4, dlg.AddItem(99, 40, "e", 0));
    EXPECT_EQ(5, dlg.AddItem(-1, 50, "f", 0));
    const char* order[] = { "a", "B", "c", "d", "e", "f" };
    ASSERT_EQ(6, dlg.GetItemCount());
    for (int i = 0; i < 6; ++i) EXPECT_STREQ(order[i], dlg.GetItemText(i));
    EXPECT_EQ(20u, dlg.SetItemValue(1, 21));
    EXPECT_EQ(21u, dlg.GetItemValue(1));
    EXPECT_EQ(0u, dlg.SetItemValue(6, 1));
    EXPECT_EQ(0u, dlg.GetItemValue(-1));
    EXPECT_EQ(-1, dlg.FindItem("b", 0));
    EXPECT_EQ(1, dlg.FindItem("b", 1));
    EXPECT_EQ(1, dlg.m_nSelection);
}

TEST(ChoiceDialog, ListFormChoosesAnItemAndCancelEmpties)
{
    CChoiceDialog dlg;
    dlg.AddItem(-1, 7, "Sieben", 0);
    dlg.AddItem(-1, 8, "Acht", 0);
    dlg.m_nSelection = 5;          // out of range: none, then item 0 in the list form
    dlg.m_strPrompt = "Zahl wählen";
    std::string prompt, caption;
    int shownSelection = -2;
    bool editableHidden = false;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        caption = WindowText(d);
        prompt = WindowText(GetDlgItem(d, 1131));
        shownSelection = static_cast<int>(SendDlgItemMessageA(d, 1132, CB_GETCURSEL, 0, 0));
        editableHidden = !IsWindowVisible(GetDlgItem(d, 1133));
        SendDlgItemMessageA(d, 1132, CB_SETCURSEL, 1, 0);
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, RunModal(dlg, steps));
    EXPECT_EQ("Auswahl", caption);
    EXPECT_EQ("Zahl wählen", prompt);
    EXPECT_EQ(0, shownSelection);
    EXPECT_TRUE(editableHidden);
    EXPECT_STREQ("Acht", dlg.m_strResult);
    EXPECT_EQ(8u, dlg.m_nResultValue);
    char buf[4];
    EXPECT_EQ(3, dlg.CopyText(buf, sizeof buf));
    EXPECT_STREQ("Ach", buf);

    ModalSteps cancel;
    cancel.Add([](HWND d) { PostMessageA(d, WM_COMMAND, IDCANCEL, 0); return true; });
    EXPECT_EQ(IDCANCEL, RunModal(dlg, cancel));
    EXPECT_STREQ("", dlg.m_strResult);
    EXPECT_EQ(-1, dlg.m_nSelection);
}

TEST(ChoiceDialog, EditableFormReturnsATypedTextWithValueZero)
{
    CChoiceDialog dlg;
    dlg.m_bEditable = 1;
    dlg.AddItem(-1, 1, "Eins", 1);
    dlg.AddItem(-1, 2, "Zwei", 0);
    ModalSteps steps;
    steps.Add([](HWND d) {
        // The item stays selected in the list while the user types over it.
        SetDlgItemTextA(d, 1133, "Drei");
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, RunModal(dlg, steps));
    EXPECT_STREQ("Drei", dlg.m_strResult);
    EXPECT_EQ(0u, dlg.m_nResultValue);
    EXPECT_EQ(-1, dlg.m_nSelection);

    // No selection: the preset text is shown in the edit field.
    dlg.m_nSelection = -1;
    dlg.m_strResult = "Vorgabe";
    std::string shown;
    ModalSteps again;
    again.Add([&](HWND d) { shown = WindowText(GetDlgItem(d, 1133)); PostMessageA(d, WM_COMMAND, IDOK, 0); return true; });
    EXPECT_EQ(IDOK, RunModal(dlg, again));
    EXPECT_EQ("Vorgabe", shown);
    EXPECT_STREQ("Vorgabe", dlg.m_strResult);
}

TEST(ChoiceDialog, WithoutCancelEscapeTakesTheChoiceAndFactorsWiden)
{
    struct Seen { bool cancelHidden; int width, combo, okLeft; } seen[2] = {};
    for (int pass = 0; pass < 2; ++pass) {
        CChoiceDialog dlg;
        dlg.m_bCancelAllowed = pass;
        dlg.m_nWidthFactor = pass ? 0 : 0x12340000 + 694;     // twice the width
        dlg.AddItem(-1, 5, "Fünf", 0);
        dlg.AddItem(-1, 6, "Sechs", 1);
        ModalSteps steps;
        steps.Add([&](HWND d) {
            RECT ok;
            GetWindowRect(GetDlgItem(d, IDOK), &ok);
            RECT frame;
            GetWindowRect(d, &frame);
            seen[pass] = { !IsWindowVisible(GetDlgItem(d, IDCANCEL)), WindowWidth(d),
                           WindowWidth(GetDlgItem(d, 1132)), ok.left - frame.left };
            PostMessageA(GetDlgItem(d, 1132), WM_KEYDOWN, VK_ESCAPE, 1);
            return true;
        });
        EXPECT_EQ(pass ? IDCANCEL : IDOK, RunModal(dlg, steps));
        EXPECT_STREQ(pass ? "" : "Sechs", dlg.m_strResult);
        EXPECT_EQ(pass ? 0u : 6u, dlg.m_nResultValue);
    }
    EXPECT_TRUE(seen[0].cancelHidden);
    EXPECT_FALSE(seen[1].cancelHidden);
    int d = seen[0].width - seen[1].width;
    EXPECT_EQ(seen[1].width, d);
    EXPECT_EQ(seen[1].combo + d, seen[0].combo);
    // OK moves by half the growth and, alone, by three fifths of its width.
    int okWidth = 0;
    {
        CChoiceDialog probe;
        ModalSteps steps;
        steps.Add([&](HWND dlg) { okWidth = WindowWidth(GetDlgItem(dlg, IDOK)); PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0); return true; });
        RunModal(probe, steps);
    }
    EXPECT_EQ(seen[1].okLeft + d / 2 + okWidth * 3 / 5, seen[0].okLeft);
}
