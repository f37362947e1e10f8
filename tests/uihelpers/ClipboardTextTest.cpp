// Clipboard text through the real clipboard, and the deepest child under a point.
#include <gtest/gtest.h>
#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include "uihelpers/ClipboardText.h"

namespace {

void EmptyTheClipboard()
{
    ASSERT_TRUE(OpenClipboard(NULL));
    EmptyClipboard();
    CloseClipboard();
}

// Reads CF_TEXT with the plain Win32 calls, as an independent check of what was put there.
std::string RawClipboardText()
{
    std::string text;
    if (!OpenClipboard(NULL)) return text;
    HANDLE h = GetClipboardData(CF_TEXT);
    if (h) {
        const char* p = static_cast<const char*>(GlobalLock(h));
        if (p) text = p;
        GlobalUnlock(h);
    }
    CloseClipboard();
    return text;
}

}  // namespace

TEST(ClipboardText, SetThenGetRoundTrips)
{
    const char* samples[] = { "x", "Größe über 512 Bytes\r\nZeile 2", "\t 0x55AA \t" };
    for (const char* s : samples) {
        SCOPED_TRACE(s);
        int n = static_cast<int>(strlen(s));
        EXPECT_EQ(n, ClipboardSetText(s, -1));
        EXPECT_EQ(s, RawClipboardText());
        int length = -1;
        char* got = ClipboardGetText(&length);
        ASSERT_NE(nullptr, got);
        EXPECT_EQ(n, length);
        EXPECT_STREQ(s, got);
        free(got);
        char buf[64];
        EXPECT_EQ(n, ClipboardGetTextBuf(buf, sizeof buf));
        EXPECT_STREQ(s, buf);
    }
}

TEST(ClipboardText, ExplicitLengthTakesOnlyThatMuch)
{
    EXPECT_EQ(3, ClipboardSetText("abcdef", 3));
    EXPECT_EQ("abc", RawClipboardText());
    char* got = ClipboardGetText();
    ASSERT_NE(nullptr, got);
    EXPECT_STREQ("abc", got);
    free(got);
}

TEST(ClipboardText, RefusedLengthsLeaveTheClipboardAlone)
{
    ASSERT_EQ(4, ClipboardSetText("keep", -1));
    EXPECT_EQ(0, ClipboardSetText("", -1));
    EXPECT_EQ(0, ClipboardSetText("abc", 0));
    EXPECT_EQ(0, ClipboardSetText("abc", -2));
    EXPECT_EQ(0, ClipboardSetText(NULL, -1));
    EXPECT_EQ(0, ClipboardSetText(NULL, 5));
    EXPECT_EQ("keep", RawClipboardText());
}

TEST(ClipboardText, BufferFormCutsAndTerminates)
{
    ASSERT_EQ(8, ClipboardSetText("ABCDEFGH", -1));
    char buf[8];
    memset(buf, '#', sizeof buf);
    EXPECT_EQ(4, ClipboardGetTextBuf(buf, 5));
    EXPECT_STREQ("ABCD", buf);
    EXPECT_EQ('#', buf[5]);          // nothing written behind the terminator

    memset(buf, '#', sizeof buf);
    EXPECT_EQ(0, ClipboardGetTextBuf(buf, 1));
    EXPECT_EQ(0, buf[0]);
    EXPECT_EQ('#', buf[1]);

    memset(buf, '#', sizeof buf);
    EXPECT_EQ(0, ClipboardGetTextBuf(buf, 0));
    EXPECT_EQ(0, ClipboardGetTextBuf(buf, -3));
    EXPECT_EQ('#', buf[0]);          // sizes below 1 write nothing
    EXPECT_EQ(0, ClipboardGetTextBuf(NULL, 10));
}

TEST(ClipboardText, NoTextGivesNothing)
{
    EmptyTheClipboard();
    int length = 77;
    EXPECT_EQ(nullptr, ClipboardGetText(&length));
    EXPECT_EQ(0, length);
    EXPECT_EQ(nullptr, ClipboardGetText());
    char buf[4] = { 'x', 'x', 'x', 'x' };
    EXPECT_EQ(0, ClipboardGetTextBuf(buf, sizeof buf));
    EXPECT_EQ(0, buf[0]);
}

TEST(ClipboardText, UnterminatedForeignBlockIsReadWithinItsSize)
{
    // Another program may hand over a block without a NUL; the reader must stop at its end.
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
    ASSERT_NE(nullptr, block);
    memcpy(GlobalLock(block), "WXYZ", 4);
    GlobalUnlock(block);
    ASSERT_TRUE(OpenClipboard(NULL));
    EmptyClipboard();
    ASSERT_NE(nullptr, SetClipboardData(CF_TEXT, block));
    CloseClipboard();
    int length = 0;
    char* got = ClipboardGetText(&length);
    ASSERT_NE(nullptr, got);
    // Wine hands the block back through its own conversion, which may take the last byte
    // as the terminator; either way the text is a prefix of the block and nothing beyond.
    EXPECT_GE(length, 3);
    EXPECT_LE(length, 4);
    EXPECT_EQ(0, strncmp(got, "WXYZ", static_cast<size_t>(length)));
    EXPECT_EQ(length, static_cast<int>(strlen(got)));
    free(got);
}

TEST(ChildWindowFromPointDeep, FindsTheDeepestWindowUnderThePoint)
{
    HWND top = CreateWindowExA(0, "STATIC", "top", WS_POPUP | WS_VISIBLE, 100, 100, 300, 200, NULL, NULL, NULL, NULL);
    ASSERT_NE(nullptr, top);
    HWND a = CreateWindowExA(0, "STATIC", "a", WS_CHILD | WS_VISIBLE, 10, 10, 150, 150, top, NULL, NULL, NULL);
    HWND b = CreateWindowExA(0, "STATIC", "b", WS_CHILD | WS_VISIBLE, 20, 20, 50, 50, a, NULL, NULL, NULL);
    HWND hidden = CreateWindowExA(0, "STATIC", "h", WS_CHILD, 200, 10, 80, 80, top, NULL, NULL, NULL);
    HWND under = CreateWindowExA(0, "STATIC", "u", WS_CHILD | WS_VISIBLE, 190, 0, 100, 100, top, NULL, NULL, NULL);
    SetWindowPos(hidden, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);   // hidden first in z-order

    auto at = [&](HWND w, int x, int y) { POINT p = { x, y }; ClientToScreen(w, &p); return p; };
    EXPECT_EQ(b, ChildWindowFromPointDeep(at(b, 5, 5), top, TRUE));
    EXPECT_EQ(a, ChildWindowFromPointDeep(at(a, 100, 100), top, TRUE));
    EXPECT_EQ(top, ChildWindowFromPointDeep(at(top, 5, 190), top, TRUE));
    // The hidden child lies over `under`: skipped only when asked for visible windows.
    EXPECT_EQ(under, ChildWindowFromPointDeep(at(top, 220, 20), top, TRUE));
    EXPECT_EQ(hidden, ChildWindowFromPointDeep(at(top, 220, 20), top, FALSE));
    EXPECT_EQ(nullptr, ChildWindowFromPointDeep(at(top, 5, 5), static_cast<HWND>(NULL), TRUE));
    DestroyWindow(top);
}
