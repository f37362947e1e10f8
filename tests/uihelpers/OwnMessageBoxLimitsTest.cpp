// The own message box at its limits: text and caption given as string ids, a text too long
// for the screen, a centre so near the edge that the box is pushed back inside its area,
// and the time-outs that are cut, marked or passed on unmarked.
#include <gtest/gtest.h>
#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include "uihelpers/OwnMessageBox.h"
#include "TestWindows.h"

using uitest::ModalSteps;
using uitest::WindowText;

namespace {

const int kTextControl = 0xFFFF;

MessageBoxParams Params(LPCSTR text, LPCSTR caption, DWORD style)
{
    MessageBoxParams p;
    memset(&p, 0, sizeof p);
    p.cbSize = sizeof p;
    p.lpszText = text;
    p.lpszCaption = caption;
    p.dwStyle = style | MBX_NOBEEP;
    return p;
}

int Show(MessageBoxParams& p, ModalSteps& steps, DWORD timeout = 0)
{
    return uitest::RunWatched(steps, [&] { return ShowMessageBox(&p, 0, timeout); });
}

std::string LoadedString(UINT id)
{
    char buf[256] = {};
    LoadStringA(GetModuleHandleA(NULL), id, buf, sizeof buf);
    return buf;
}

RECT ChildRect(HWND dialog, int id)
{
    RECT rc = {};
    GetWindowRect(GetDlgItem(dialog, id), &rc);
    MapWindowPoints(NULL, dialog, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

RECT WorkAreaAt(POINT pt)
{
    MONITORINFO mi;
    mi.cbSize = sizeof mi;
    HMONITOR mon = MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST);
    if (mon && GetMonitorInfoA(mon, &mi))
        return mi.rcWork;
    RECT rc = { 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) - 32 };
    return rc;
}

}  // namespace

// Text and caption as string ids of the module the record names, or of the program when it
// names none; an id without a string gives an empty text and the box still comes up.
TEST(OwnMessageBoxLimits, TextAndCaptionByStringId)
{
    ASSERT_FALSE(LoadedString(3101).empty()) << "the test program lacks its strings";
    const struct { bool moduleGiven; UINT text; UINT caption; } kCases[] = {
        { true, 3101, 3102 },
        { false, 3101, 3102 },
        { true, 3199, 3102 },
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(::testing::Message() << "module " << c.moduleGiven << " text " << c.text);
        MessageBoxParams p = Params(MAKEINTRESOURCEA(c.text), MAKEINTRESOURCEA(c.caption), MB_OK);
        p.hInstance = c.moduleGiven ? GetModuleHandleA(NULL) : NULL;
        std::string caption = "-", text = "-";
        ModalSteps steps;
        steps.Add([&](HWND d) {
            caption = WindowText(d);
            text = WindowText(GetDlgItem(d, kTextControl));
            PostMessageA(d, WM_COMMAND, IDOK, 0);
            return true;
        });
        EXPECT_EQ(IDOK, Show(p, steps));
        EXPECT_EQ(LoadedString(c.caption), caption);
        EXPECT_EQ(LoadedString(c.text), text);
    }
}

// A text of far more lines than the screen holds: the box stays within the screen less 32
// pixels, the text is cut above the buttons, and the buttons stay whole inside the box.
TEST(OwnMessageBoxLimits, LongTextIsCutAboveTheButtons)
{
    std::string longText;
    for (int i = 1; i <= 150; ++i)
        longText += "Sektor " + std::to_string(i) + " nicht lesbar\n";
    const struct { const char* text; bool cut; } kCases[] = { { longText.c_str(), true }, { "Kurz", false } };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.cut ? "long" : "short");
        MessageBoxParams p = Params(c.text, "Fehler", MB_OKCANCEL | MB_ICONHAND);
        RECT window = {}, client = {}, text = {}, ok = {}, cancel = {};
        int textNeeds = 0;
        ModalSteps steps;
        steps.Add([&](HWND d) {
            GetWindowRect(d, &window);
            GetClientRect(d, &client);
            text = ChildRect(d, kTextControl);
            ok = ChildRect(d, IDOK);
            cancel = ChildRect(d, IDCANCEL);
            // What the text would need in the box's font at the width it was given.
            HWND t = GetDlgItem(d, kTextControl);
            HDC dc = GetDC(t);
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(t, WM_GETFONT, 0, 0)));
            RECT need = { 0, 0, text.right - text.left, 0 };
            DrawTextA(dc, c.text, -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_EDITCONTROL);
            textNeeds = need.bottom - need.top;
            SelectObject(dc, old);
            ReleaseDC(t, dc);
            PostMessageA(d, WM_COMMAND, IDOK, 0);
            return true;
        });
        EXPECT_EQ(IDOK, Show(p, steps));
        EXPECT_LE(window.bottom - window.top, GetSystemMetrics(SM_CYSCREEN) - 32);
        EXPECT_EQ(c.cut, text.bottom - text.top < textNeeds);
        EXPECT_LE(text.bottom, ok.top) << "the text runs over the buttons";
        EXPECT_GE(ok.top, 0);
        EXPECT_LE(ok.bottom, client.bottom) << "the buttons are cut off";
        EXPECT_LE(cancel.bottom, client.bottom);
        EXPECT_GE(window.top, 0);
        EXPECT_LE(window.bottom, GetSystemMetrics(SM_CYSCREEN));
    }
}

// A centre near an edge or beyond it: the box is moved back inside the work area with 8
// pixels to spare on that side.
TEST(OwnMessageBoxLimits, BoxNearAnEdgeKeepsEightPixelsInside)
{
    POINT origin = { 0, 0 };
    const RECT area = WorkAreaAt(origin);
    enum Side { LOW, HIGH, FREE };
    const struct { int x, y; Side h, v; } kCases[] = {
        { area.left, area.top, LOW, LOW },
        { area.left - 3000, area.top - 3000, LOW, LOW },
        { area.right, area.bottom, HIGH, HIGH },
        { area.right - 1, area.top + 1, HIGH, LOW },
        { area.left + 2, area.bottom - 2, LOW, HIGH },
        { (area.left + area.right) / 2, area.top, FREE, LOW },
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(::testing::Message() << c.x << "," << c.y);
        MessageBoxParams p = Params("Am Rand", "Rand", MB_OK | MBX_POSITION);
        p.dwPosition = MAKELONG(static_cast<WORD>(c.x), static_cast<WORD>(c.y));
        RECT shown = {};
        ModalSteps steps;
        steps.Add([&](HWND d) {
            GetWindowRect(d, &shown);
            PostMessageA(d, WM_COMMAND, IDOK, 0);
            return true;
        });
        EXPECT_EQ(IDOK, Show(p, steps));
        const RECT a = WorkAreaAt({ c.x, c.y });
        if (c.h == LOW)
            EXPECT_EQ(a.left + 8, shown.left);
        else if (c.h == HIGH)
            EXPECT_EQ(a.right - 8, shown.right);
        else
            EXPECT_LE(abs((shown.left + shown.right) / 2 - c.x), 1);
        if (c.v == LOW)
            EXPECT_EQ(a.top + 8, shown.top);
        else
            EXPECT_EQ(a.bottom - 8, shown.bottom);
    }
}

// Time-outs: -1 and 0 are none; from 0x1000000 on they are cut to 0xFFFFFF ms (hours, not
// the low bits); the style bit 0x100000 passes the time-out on unmarked, so the box does not
// take it, while 0x20000 says a time-out is given and the box takes it unmarked.
TEST(OwnMessageBoxLimits, TimeOutsAreCutMarkedOrPassedOnUnmarked)
{
    const struct { DWORD style; DWORD timeout; bool timesOut; } kCases[] = {
        { 0, 300, true },
        { 0, 0xFFFFFFFF, false },
        { 0, 0, false },
        { 0, 0x1000000 + 300, false },
        { MBX_NOMARK, 300, false },
        { MBX_TIMEOUT, 300, true },
        { MBX_TIMEOUT, 0x1000000 + 300, false },
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(::testing::Message() << "style " << std::hex << c.style << " time-out " << c.timeout);
        MessageBoxParams p = Params("Wartet", "Zeit", MB_OKCANCEL | c.style);
        ModalSteps steps;
        const DWORD start = GetTickCount();
        // Answered a good while after the short time-out would have ended the box; a box that
        // times out is never answered, so on a busy machine the answer cannot come first.
        steps.Add([&](HWND d) {
            if (c.timesOut || GetTickCount() - start < 1200)
                return false;
            PostMessageA(d, WM_COMMAND, IDOK, 0);
            return true;
        });
        const int r = Show(p, steps, c.timeout);
        EXPECT_EQ(c.timesOut ? MBX_TIMED_OUT : IDOK, r);
    }
}
