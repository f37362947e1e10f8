// The own message box run modally: buttons by style, time-out, remembered and given
// positions, the boxes that cannot be cancelled; and the table of standard texts.
#include <gtest/gtest.h>
#include <windows.h>
#include <string.h>
#include <string>
#include <vector>
#include "uihelpers/MessageBoxTexts.h"
#include "uihelpers/OwnMessageBox.h"
#include "TestWindows.h"

using uitest::ModalSteps;
using uitest::WindowText;

namespace {

int g_helpCalls = 0;
DWORD_PTR g_helpContext = 0;

void CALLBACK CountHelp(LPHELPINFO hi)
{
    ++g_helpCalls;
    g_helpContext = hi->dwContextId;
}

MessageBoxParams Params(const char* text, const char* caption, DWORD style)
{
    MessageBoxParams p;
    memset(&p, 0, sizeof p);
    p.cbSize = sizeof p;
    p.lpszText = text;
    p.lpszCaption = caption;
    p.dwStyle = style;
    return p;
}

std::vector<int> ButtonIds(HWND dlg)
{
    std::vector<int> ids;
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[16] = {};
        GetClassNameA(c, cls, sizeof cls);
        if (lstrcmpiA(cls, "Button") == 0) ids.push_back(GetDlgCtrlID(c));
    }
    return ids;
}

POINT Centre(HWND w)
{
    RECT rc;
    GetWindowRect(w, &rc);
    POINT p = { (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2 };
    return p;
}

// Shows the box and runs the steps in it.
int Show(MessageBoxParams& p, ModalSteps& steps, DWORD timeout = 0)
{
    steps.Start();
    int r = ShowMessageBox(&p, 0, timeout);
    steps.Stop();
    EXPECT_FALSE(steps.TimedOut());
    return r;
}

}  // namespace

TEST(OwnMessageBox, ButtonsFollowTheStyle)
{
    struct Case { DWORD style; std::vector<int> ids; } cases[] = {
        { MB_OK, { IDOK } },
        { MB_OKCANCEL, { IDOK, IDCANCEL } },
        { MB_ABORTRETRYIGNORE, { IDABORT, IDRETRY, IDIGNORE } },
        { MB_YESNOCANCEL, { IDYES, IDNO, IDCANCEL } },
        { MB_YESNO, { IDYES, IDNO } },
        { MB_RETRYCANCEL, { IDRETRY, IDCANCEL } },
        { MB_CANCELTRYCONTINUE, { IDCANCEL, IDTRYAGAIN, IDCONTINUE } },
        { 9, { IDOK } },
        { MB_OKCANCEL | MB_HELP, { IDOK, IDCANCEL, IDHELP } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        MessageBoxParams p = Params("Text", "Titel", c.style | MBX_NOBEEP);
        // Help does not close the box.
        const int closeId = c.ids.back() == IDHELP ? c.ids.front() : c.ids.back();
        std::vector<int> seen;
        std::string caption, labels;
        ModalSteps steps;
        steps.Add([&](HWND d) {
            seen = ButtonIds(d);
            caption = WindowText(d);
            for (int id : seen) labels += WindowText(GetDlgItem(d, id)) + "|";
            PostMessageA(d, WM_COMMAND, static_cast<WPARAM>(closeId), 0);
            return true;
        });
        EXPECT_EQ(closeId, Show(p, steps));
        EXPECT_EQ(c.ids, seen);
        EXPECT_EQ("Titel", caption);
        EXPECT_EQ(std::string::npos, labels.find("||"));   // every button has a label
    }
}

TEST(OwnMessageBox, HelpButtonCallsTheCallbackAndStaysOpen)
{
    g_helpCalls = 0;
    MessageBoxParams p = Params("Hilfe?", "Frage", MB_OK | MB_HELP | MBX_NOBEEP);
    p.dwContextHelpId = 4711;
    p.lpfnMsgBoxCallback = &CountHelp;
    ModalSteps steps;
    steps.Add([](HWND d) { SendMessageA(d, WM_COMMAND, IDHELP, 0); return true; });
    steps.Add([](HWND d) { PostMessageA(d, WM_COMMAND, IDOK, 0); return true; });
    EXPECT_EQ(IDOK, Show(p, steps));
    EXPECT_EQ(1, g_helpCalls);
    EXPECT_EQ(4711u, g_helpContext);
}

TEST(OwnMessageBox, ShowsTheTextWithoutControlMarks)
{
    MessageBoxParams p = Params("Zeile eins\nZeile\x01 zwei", "Information", MB_OK | MB_ICONASTERISK | MBX_NOBEEP);
    std::string texts;
    bool iconShown = false;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        texts = WindowText(GetDlgItem(d, 0xFFFF));
        iconShown = IsWindowVisible(GetDlgItem(d, 1088)) != FALSE;
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, Show(p, steps));
    EXPECT_EQ("Zeile eins\nZeile zwei", texts);
    EXPECT_TRUE(iconShown);
}

TEST(OwnMessageBox, TimeOutReturns16)
{
    MessageBoxParams p = Params("Wartet", "Warnung", MB_OKCANCEL | MBX_NOBEEP);
    ModalSteps steps;   // no steps: nobody answers
    DWORD start = GetTickCount();
    EXPECT_EQ(MBX_TIMED_OUT, Show(p, steps, 1000));
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 900u);
    // It ends by its time-out, not by an answer: late on a loaded machine, never for ever.
    EXPECT_LT(elapsed, 60000u);
}

TEST(OwnMessageBox, YesNoBoxIgnoresCloseAndEscape)
{
    MessageBoxParams p = Params("Soll geschrieben werden ?", "Schreibschutz", MB_YESNO | MB_DEFBUTTON2 | MBX_NOBEEP);
    bool stillOpen = false;
    HWND focus = nullptr, noButton = nullptr;
    bool closeInMenu = true;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        focus = GetFocus();
        noButton = GetDlgItem(d, IDNO);
        closeInMenu = GetMenuState(GetSystemMenu(d, FALSE), SC_CLOSE, MF_BYCOMMAND) != static_cast<UINT>(-1);
        PostMessageA(d, WM_CLOSE, 0, 0);
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1);
        return true;
    });
    HWND box = nullptr;
    steps.Add([&](HWND d) { box = d; stillOpen = IsWindow(d) != FALSE; PostMessageA(d, WM_COMMAND, IDYES, 0); return true; });
    EXPECT_EQ(IDYES, Show(p, steps));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(noButton, focus);      // the second button is the default
    EXPECT_FALSE(closeInMenu);
}

TEST(OwnMessageBox, OkBoxClosesWithCancelOnClose)
{
    MessageBoxParams p = Params("x", "y", MB_OK | MBX_NOBEEP);
    ModalSteps steps;
    steps.Add([](HWND d) { PostMessageA(d, WM_CLOSE, 0, 0); return true; });
    EXPECT_EQ(IDCANCEL, Show(p, steps));
}

TEST(OwnMessageBox, SecondBoxIsCentredWhereTheFirstClosed)
{
    MessageBoxParams p = Params("Erste", "Eins", MB_OK | MBX_NOBEEP);
    POINT closedAt = { 0, 0 };
    ModalSteps steps;
    steps.Add([&](HWND d) {
        RECT rc;
        GetWindowRect(d, &rc);
        SetWindowPos(d, NULL, 150, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        closedAt = Centre(d);
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, Show(p, steps));
    POINT last = { 0, 0 };
    ASSERT_TRUE(GetLastMessageBoxCentre(&last));
    EXPECT_EQ(closedAt.x, last.x);
    EXPECT_EQ(closedAt.y, last.y);

    MessageBoxParams q = Params("Zweite Meldung, etwas länger", "Zwei", MB_YESNOCANCEL | MBX_NOBEEP);
    POINT second = { 0, 0 };
    ModalSteps steps2;
    steps2.Add([&](HWND d) { second = Centre(d); PostMessageA(d, WM_COMMAND, IDNO, 0); return true; });
    EXPECT_EQ(IDNO, Show(q, steps2));
    EXPECT_LE(abs(second.x - closedAt.x), 1);
    EXPECT_LE(abs(second.y - closedAt.y), 1);
}

TEST(OwnMessageBox, GivenPositionCentresTheBoxAndReceivesTheFinalCentre)
{
    MessageBoxParams p = Params("Position", "P", MB_OK | MBX_POSITION | MBX_NOBEEP);
    p.dwPosition = MAKELONG(300, 260);
    POINT shown = { 0, 0 };
    DWORD exStyle = 0;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        shown = Centre(d);
        exStyle = static_cast<DWORD>(GetWindowLongPtrA(d, GWL_EXSTYLE));
        SetWindowPos(d, NULL, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, Show(p, steps));
    EXPECT_LE(abs(shown.x - 300), 1);
    EXPECT_LE(abs(shown.y - 260), 1);
    EXPECT_NE(0u, exStyle & WS_EX_RIGHT);
    POINT last = { 0, 0 };
    ASSERT_TRUE(GetLastMessageBoxCentre(&last));
    EXPECT_EQ(static_cast<short>(last.x), static_cast<short>(LOWORD(p.dwPosition)));
    EXPECT_EQ(static_cast<short>(last.y), static_cast<short>(HIWORD(p.dwPosition)));
}

TEST(OwnMessageBox, BadRecordsAreRefused)
{
    EXPECT_EQ(0, ShowMessageBox(nullptr, 0, 0));
    MessageBoxParams p = Params("x", "y", MB_OK);
    p.cbSize = 20;
    EXPECT_EQ(0, ShowMessageBox(&p, 0, 0));
    EXPECT_EQ(0, RunMessageBoxDialog(nullptr, 0, 0));
}

// Every built-in text (1287 to 1298) is there in both forms, the UTF-16 one the same text
// (converted back independently), with its length; ids beside the table give nothing.
TEST(MessageBoxTexts, BothFormsOfEveryBuiltInText)
{
    LoadMessageBoxTexts(NULL);   // the test program has no such strings
    for (UINT id = 1287; id <= 1298; ++id) {
        SCOPED_TRACE(id);
        int len = -1, wlen = -1;
        LPCSTR a = GetMessageBoxTextA(id, &len);
        LPCWSTR w = GetMessageBoxTextW(id, &wlen);
        ASSERT_TRUE(a && w);
        EXPECT_EQ(static_cast<int>(strlen(a)), len);
        EXPECT_GT(len, 0);
        EXPECT_EQ(lstrlenW(w), wlen);
        char back[64] = {};
        WideCharToMultiByte(1252, 0, w, -1, back, sizeof back, NULL, NULL);
        EXPECT_STREQ(a, back);
    }
    EXPECT_STREQ("Zeile l\xF6schen", GetMessageBoxTextA(1290));
    int len = 99;
    EXPECT_EQ(nullptr, GetMessageBoxTextA(1299, &len));
    EXPECT_EQ(0, len);
    EXPECT_EQ(nullptr, GetMessageBoxTextW(1286));
}
