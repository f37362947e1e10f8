// The suggestion popup: texts posted by another thread land sorted and are all freed, the
// grip and the scroll bar, hover selection, notifications to the owner.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <string>
#include <vector>
#include "uihelpers/SuggestList.h"
#include "TestWindows.h"

namespace {

std::vector<DWORD> g_ownerCommands;

LRESULT CALLBACK OwnerProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_COMMAND) g_ownerCommands.push_back(static_cast<DWORD>(wp));
    return DefWindowProcA(w, m, wp, lp);
}

HWND MakeOwner()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "SuggestTestOwner";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "SuggestTestOwner", "", WS_POPUP, 0, 0, 10, 10, NULL, NULL, wc.hInstance, NULL);
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

HWND ListOf(HWND popup) { return GetDlgItem(popup, SUGGEST_LIST_ID); }

std::vector<std::string> Items(HWND popup)
{
    std::vector<std::string> items;
    int n = static_cast<int>(SendMessageA(popup, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char buf[64] = {};
        SendMessageA(popup, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
        items.push_back(buf);
    }
    return items;
}

const char* const kNames[] = { "delta.img", "Alpha.bin", "charlie", "Bravo.iso", "echo", "alpha.fat" };

DWORD WINAPI PostNames(LPVOID param)
{
    HWND popup = static_cast<HWND>(param);
    PostMessageA(popup, LB_RESETCONTENT, SUGGEST_HEAP_TEXT, 0);
    for (const char* name : kNames)
        PostMessageA(popup, SUGGEST_ADDSTRING, SUGGEST_HEAP_TEXT, reinterpret_cast<LPARAM>(SuggestTextDup(name, -1)));
    return 0;
}

void RunPoster(HWND popup)
{
    HANDLE t = CreateThread(NULL, 0, &PostNames, popup, 0, NULL);
    WaitForSingleObject(t, 60000);
    CloseHandle(t);
}

}  // namespace

TEST(SuggestList, PostedTextsLandSortedAndAreAllFreed)
{
    WNDCLASSA staticBefore = {}, staticAfter = {};
    GetClassInfoA(NULL, "STATIC", &staticBefore);
    HWND owner = MakeOwner();
    RECT at = { 100, 100, 300, 250 };
    HWND popup = SuggestList(0, 0, &at, owner, 1408);
    ASSERT_TRUE(popup != NULL);
    GetClassInfoA(NULL, "STATIC", &staticAfter);
    EXPECT_EQ(staticBefore.hCursor, staticAfter.hCursor);
    EXPECT_EQ(staticBefore.hbrBackground, staticAfter.hbrBackground);
    EXPECT_EQ(staticBefore.lpfnWndProc, staticAfter.lpfnWndProc);
    EXPECT_EQ(GetWindow(popup, GW_OWNER), owner);

    SendMessageA(popup, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("stale"));
    RunPoster(popup);
    Pump();
    std::vector<std::string> expect(std::begin(kNames), std::end(kNames));
    std::stable_sort(expect.begin(), expect.end(),
                     [](const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; });
    std::vector<std::string> got = Items(popup);
    ASSERT_EQ(expect.size(), got.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(0, lstrcmpiA(expect[i].c_str(), got[i].c_str())) << i;
    EXPECT_EQ(0, uitest::SuggestTextsAllocated());

    // Texts still queued when the popup goes away are freed with it.
    RunPoster(popup);
    DestroyWindow(popup);
    EXPECT_EQ(0, uitest::SuggestTextsAllocated());
    Pump();
    DestroyWindow(owner);
}

TEST(SuggestList, GripStopsAtTwiceTheScrollBarAndScrollingFollowsTheList)
{
    HWND owner = MakeOwner();
    RECT at = { 50, 50, 250, 200 };
    HWND popup = SuggestList(0, WS_VISIBLE, &at, owner, 1408);
    ASSERT_TRUE(popup != NULL);
    RECT client;
    GetClientRect(popup, &client);
    int s = GetSystemMetrics(SM_CXVSCROLL);
    PostMessageA(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.right - 2, client.bottom - 2));
    PostMessageA(popup, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-400 & 0xFFFF, -400 & 0xFFFF));
    Pump();
    RECT rc;
    GetWindowRect(popup, &rc);
    EXPECT_EQ(2 * s, rc.right - rc.left);
    EXPECT_EQ(2 * s, rc.bottom - rc.top);
    EXPECT_EQ(popup, GetCapture());
    PostMessageA(popup, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(150, 130));
    PostMessageA(popup, WM_LBUTTONUP, 0, MAKELPARAM(150, 130));
    Pump();
    GetWindowRect(popup, &rc);
    EXPECT_EQ(200 + 150 - (client.right - 2), rc.right - rc.left);   // from the size at the press
    EXPECT_TRUE(GetCapture() == NULL);

    // The scroll bar: line and page steps, the wheel, all moving the list with it.
    SetWindowPos(popup, NULL, 0, 0, 200, 150, SWP_NOMOVE | SWP_NOZORDER);
    for (int i = 0; i < 60; ++i) {
        char name[16];
        wsprintfA(name, "n%02d", i);
        SendMessageA(popup, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    HWND bar = GetDlgItem(popup, SUGGEST_SCROLL_ID);
    HWND list = ListOf(popup);
    SCROLLINFO si = { sizeof si, SIF_ALL };
    GetScrollInfo(bar, SB_CTL, &si);
    EXPECT_EQ(60, si.nMax);
    int lines = static_cast<int>(si.nPage);
    EXPECT_GT(lines, 1);
    struct Step { UINT message; WPARAM wParam; int top; } steps[] = {
        { WM_VSCROLL, SB_LINEDOWN, 1 },
        { WM_VSCROLL, SB_PAGEDOWN, 1 + lines },
        { WM_VSCROLL, SB_LINEUP, lines },
        { WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-240)), lines + 2 },
        { WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 7), 7 },
        { WM_VSCROLL, SB_TOP, 0 },
    };
    for (const Step& st : steps) {
        SendMessageA(popup, st.message, st.wParam, st.message == WM_VSCROLL ? reinterpret_cast<LPARAM>(bar) : 0);
        EXPECT_EQ(st.top, SendMessageA(list, LB_GETTOPINDEX, 0, 0)) << st.wParam;
        EXPECT_EQ(st.top, GetScrollPos(bar, SB_CTL)) << st.wParam;
    }
    DestroyWindow(popup);
    DestroyWindow(owner);
}

TEST(SuggestList, HoverSelectsAndTheOwnerHearsTheList)
{
    HWND owner = MakeOwner();
    RECT at = { 50, 50, 250, 250 };
    HWND popup = SuggestList(0, WS_VISIBLE, &at, owner, 1408);
    ASSERT_TRUE(popup != NULL);
    SendMessageA(popup, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("eins"));
    SendMessageA(popup, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("zwei"));
    HWND list = ListOf(popup);
    int itemHeight = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    SendMessageA(list, WM_MOUSEMOVE, 0, MAKELPARAM(5, itemHeight + 1));
    EXPECT_EQ(1, SendMessageA(popup, LB_GETCURSEL, 0, 0));
    SendMessageA(list, WM_MOUSEMOVE, 0, MAKELPARAM(5, itemHeight * 5));
    EXPECT_EQ(LB_ERR, SendMessageA(popup, LB_GETCURSEL, 0, 0));

    g_ownerCommands.clear();
    SendMessageA(popup, WM_COMMAND, MAKEWPARAM(SUGGEST_LIST_ID, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    SendMessageA(popup, WM_COMMAND, MAKEWPARAM(SUGGEST_LIST_ID, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    EXPECT_EQ((std::vector<DWORD>{ MAKEWPARAM(1408, LBN_SELCHANGE), MAKEWPARAM(1408, LBN_DBLCLK) }), g_ownerCommands);

    // A click's activation question goes on to the frame's own procedure: the answer is the
    // one a plain "STATIC" popup of the same owner gives.
    HWND plain = CreateWindowExA(0, "STATIC", "", WS_POPUP | SS_NOTIFY | SS_BLACKRECT, 0, 0, 10, 10, owner, NULL,
                                 GetModuleHandleA(NULL), NULL);
    ASSERT_TRUE(plain != NULL);
    const LPARAM click = MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN);
    EXPECT_EQ(SendMessageA(plain, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(plain), click),
              SendMessageA(popup, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(popup), click));
    DestroyWindow(plain);
    DestroyWindow(popup);
    DestroyWindow(owner);
}
