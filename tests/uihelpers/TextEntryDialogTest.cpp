// The text entry dialog run modally and driven from a thread timer: the text both ways, OK
// and Cancel, hidden input, focus and the width options.
#include <gtest/gtest.h>
#include <windows.h>
#include <limits.h>
#include <string.h>
#include <string>
#include "uihelpers/PopupSize.h"
#include "uihelpers/TextEntryDialog.h"
#include "TestWindows.h"

using uitest::ModalSteps;
using uitest::WindowText;
using uitest::WindowWidth;

namespace {

// What the dialog looked like once it was up.
struct Seen {
    std::string caption, prompt, edit;
    LONG_PTR userData = 0;
    DWORD editStyle = 0;
    DWORD selection = 0;
    HWND focus = nullptr, edit1008 = nullptr, firstTab = nullptr, lastTab = nullptr, ok = nullptr;
    int width = 0, editWidth = 0, promptWidth = 0, okLeft = 0, cancelLeft = 0;
};

int ChildLeft(HWND dlg, int id)
{
    RECT rc;
    GetWindowRect(GetDlgItem(dlg, id), &rc);
    return rc.left;
}

void Look(HWND dlg, Seen& s)
{
    s.caption = WindowText(dlg);
    s.prompt = WindowText(GetDlgItem(dlg, 1034));
    s.edit1008 = GetDlgItem(dlg, 1008);
    s.edit = WindowText(s.edit1008);
    s.userData = GetWindowLongPtrA(dlg, GWLP_USERDATA);
    s.editStyle = static_cast<DWORD>(GetWindowLongPtrA(s.edit1008, GWL_STYLE));
    s.selection = static_cast<DWORD>(SendMessageA(s.edit1008, EM_GETSEL, 0, 0));
    s.focus = GetFocus();
    s.firstTab = GetNextDlgTabItem(dlg, nullptr, FALSE);
    s.lastTab = GetNextDlgTabItem(dlg, s.firstTab, TRUE);
    s.ok = GetDlgItem(dlg, IDOK);
    s.width = WindowWidth(dlg);
    s.editWidth = WindowWidth(s.edit1008);
    s.promptWidth = WindowWidth(GetDlgItem(dlg, 1034));
    s.okLeft = ChildLeft(dlg, IDOK) - ChildLeft(dlg, 1034);
    s.cancelLeft = ChildLeft(dlg, IDCANCEL) - ChildLeft(dlg, 1034);
}

// Runs the dialog: looks at it, then types `typed` (unless null) and presses `button`.
INT_PTR RunEntry(CTextEntryDialog& dlg, Seen& seen, const char* typed, int button)
{
    ModalSteps steps;
    int ticks = 0;
    steps.Add([&](HWND) { return ++ticks > 2; });   // let the posted focus change arrive
    steps.Add([&](HWND d) { Look(d, seen); return true; });
    steps.Add([&](HWND d) {
        if (typed) SetDlgItemTextA(d, 1008, typed);
        PostMessageA(d, WM_COMMAND, static_cast<WPARAM>(button), 0);
        return true;
    });
    steps.Start();
    INT_PTR r = dlg.DoModal();
    steps.Stop();
    EXPECT_FALSE(steps.TimedOut());
    return r;
}

}  // namespace

TEST(TextEntryDialog, DefaultsShowTheTemplateAndSelectTheText)
{
    CTextEntryDialog dlg;
    dlg.SetText("12345");
    Seen seen;
    EXPECT_EQ(IDOK, RunEntry(dlg, seen, nullptr, IDOK));
    EXPECT_EQ("Dateinamen eingeben", seen.caption);
    EXPECT_EQ("", seen.prompt);
    EXPECT_EQ("12345", seen.edit);
    EXPECT_EQ(MAKELONG(0, 5), static_cast<LONG>(seen.selection));
    EXPECT_EQ(195, seen.userData);
    EXPECT_EQ(0u, seen.editStyle & ES_PASSWORD);
    EXPECT_EQ(seen.edit1008, seen.focus);
    EXPECT_STREQ("12345", dlg.GetText());
}

TEST(TextEntryDialog, OkTakesTheTypedTextAndCancelKeepsTheOld)
{
    CTextEntryDialog dlg(nullptr);
    dlg.SetCaption("Springe zu Sektor");
    dlg.SetPrompt("Maximaler Sektor 2047 (Sektorgröße: 512)");
    dlg.SetText("0");
    Seen seen;
    EXPECT_EQ(IDCANCEL, RunEntry(dlg, seen, "999", IDCANCEL));
    EXPECT_EQ("Springe zu Sektor", seen.caption);
    EXPECT_EQ("Maximaler Sektor 2047 (Sektorgröße: 512)", seen.prompt);
    EXPECT_STREQ("0", dlg.GetText());

    // The same object again: it opens with its text and takes the new one on OK.
    EXPECT_EQ(IDOK, RunEntry(dlg, seen, "0x7FF + 1", IDOK));
    EXPECT_EQ("0", seen.edit);
    EXPECT_STREQ("0x7FF + 1", dlg.GetText());
    EXPECT_EQ("0x7FF + 1", std::string(dlg.m_strText));
}

TEST(TextEntryDialog, EnterInTheEditClosesWithOk)
{
    CTextEntryDialog dlg;
    ModalSteps steps;
    steps.Add([](HWND d) {
        HWND edit = GetDlgItem(d, 1008);
        SetWindowTextA(edit, "Eingabe");
        PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
        return true;
    });
    steps.Start();
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_FALSE(steps.TimedOut());
    EXPECT_STREQ("Eingabe", dlg.GetText());
}

TEST(TextEntryDialog, HiddenInputMakesAPasswordFieldThatStillExchanges)
{
    // The typed confirmation before writing to a hard disk: the answer is compared with
    // "OK" without regard to case by the caller.
    CTextEntryDialog dlg;
    dlg.SetCaption("Sicherheits Abfrage");
    dlg.SetPrompt("Bitte OK eingeben bei Festplatten :");
    dlg.m_bHideInput = 1;
    dlg.SetText("geheim");
    Seen seen;
    EXPECT_EQ(IDOK, RunEntry(dlg, seen, "ok", IDOK));
    EXPECT_NE(0u, seen.editStyle & ES_PASSWORD);
    EXPECT_NE(0u, seen.editStyle & ES_AUTOHSCROLL);
    EXPECT_NE(0u, seen.editStyle & WS_TABSTOP);
    EXPECT_EQ("geheim", seen.edit);
    // The new field comes last in the tab order; the first focus is on "OK".
    EXPECT_EQ(seen.edit1008, seen.lastTab);
    EXPECT_EQ(seen.ok, seen.firstTab);
    EXPECT_EQ(seen.ok, seen.focus);
    EXPECT_EQ(0, lstrcmpiA(dlg.GetText(), "OK"));

    // With the focus flag the focus goes into the field all the same.
    CTextEntryDialog focused;
    focused.m_bHideInput = 1;
    focused.m_bFocusEdit = 1;
    Seen seen3;
    EXPECT_EQ(IDOK, RunEntry(focused, seen3, "ok", IDOK));
    EXPECT_EQ(seen3.edit1008, seen3.focus);

    CTextEntryDialog variant(nullptr, 1);
    Seen seen2;
    EXPECT_EQ(IDCANCEL, RunEntry(variant, seen2, "x", IDCANCEL));
    EXPECT_NE(0u, seen2.editStyle & ES_PASSWORD);
}

TEST(TextEntryDialog, FocusEditMovesTheFocusToTheEdit)
{
    CTextEntryDialog dlg;
    dlg.m_bFocusEdit = 1;
    dlg.SetText("abc");
    Seen seen;
    EXPECT_EQ(IDOK, RunEntry(dlg, seen, nullptr, IDOK));
    EXPECT_EQ(seen.edit1008, seen.focus);
    EXPECT_STREQ("abc", dlg.GetText());
}

TEST(TextEntryDialog, WidthFactorsWidenAndReportThePixels)
{
    CTextEntryDialog plain;
    Seen base;
    RunEntry(plain, base, nullptr, IDCANCEL);
    EXPECT_EQ(0, plain.m_nWidthFactor);

    struct Case { int factor; int expectDelta; } cases[] = {
        { 0x12340000 + 354, 0 },
        { 0x12340000 + 708, base.width },
        { 354, base.width },
        { 177, base.width / 2 },
        { -177, -(base.width / 2) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.factor);
        CTextEntryDialog dlg;
        dlg.m_nWidthFactor = c.factor;
        Seen seen;
        RunEntry(dlg, seen, nullptr, IDCANCEL);
        EXPECT_EQ(c.expectDelta, dlg.m_nWidthFactor);
        EXPECT_EQ(base.width + c.expectDelta, seen.width);
        EXPECT_EQ(base.editWidth + c.expectDelta, seen.editWidth);
        EXPECT_EQ(base.promptWidth + c.expectDelta, seen.promptWidth);
        EXPECT_EQ(base.okLeft + c.expectDelta, seen.okLeft);
        EXPECT_EQ(base.cancelLeft + c.expectDelta, seen.cancelLeft);
    }
}

TEST(TextEntryDialog, CopyTextIsBounded)
{
    CTextEntryDialog dlg;
    dlg.SetText("abcdef");
    char buf[8];
    memset(buf, '#', sizeof buf);
    EXPECT_EQ(0, dlg.CopyText(buf, 1));
    EXPECT_EQ(0, buf[0]);
    EXPECT_EQ('#', buf[1]);
    memset(buf, '#', sizeof buf);
    EXPECT_EQ(0, dlg.CopyText(buf, 0));
    EXPECT_EQ(0, dlg.CopyText(buf, -5));
    EXPECT_EQ('#', buf[0]);
    EXPECT_EQ(0, dlg.CopyText(nullptr, 8));
    EXPECT_EQ(2, dlg.CopyText(buf, 3));
    EXPECT_STREQ("ab", buf);
    EXPECT_EQ(6, dlg.CopyText(buf, sizeof buf));
    EXPECT_STREQ("abcdef", buf);
    dlg.SetText(nullptr);
    EXPECT_EQ(0, dlg.CopyText(buf, sizeof buf));
    EXPECT_STREQ("", buf);
}

TEST(PopupSize, FactorsAgainstHandComputedSizes)
{
    // 0x1234nnnn names the new size: 400 * 531 / 354 = 600 -> +200.
    EXPECT_EQ(200, PopupSizeDelta(400, 0x12340000 + 531, 354));
    EXPECT_EQ(0, PopupSizeDelta(400, 0x12340000 + 354, 354));
    EXPECT_EQ(-400, PopupSizeDelta(400, 0x12340000, 354));
    // A plain number adds size * factor / divisor, rounded toward zero: 347 * 100 / 347.
    EXPECT_EQ(100, PopupSizeDelta(347, 100, 347));
    EXPECT_EQ(1, PopupSizeDelta(100, 4, 301));      // 400 / 301 = 1.33
    EXPECT_EQ(-1, PopupSizeDelta(100, -4, 301));
    EXPECT_EQ(0, PopupSizeDelta(100, 0, 301));
    // Hostile factors stay inside the coordinate space instead of overflowing.
    EXPECT_EQ(32767 - 500, PopupSizeDelta(500, 0x7FFFFFFF, 354));
    EXPECT_EQ(-500, PopupSizeDelta(500, INT_MIN, 354));
}
