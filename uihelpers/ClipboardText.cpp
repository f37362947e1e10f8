#include "uihelpers/ClipboardText.h"

#include <stdlib.h>
#include <string.h>
#include "classlib/Wnd.h"

namespace {

// Another process may have put a block on the clipboard without a terminator: the text
// ends at the first NUL or at the end of the block, whichever comes first.
int LockedTextLength(const char* text, SIZE_T blockSize)
{
    const void* nul = memchr(text, 0, blockSize);
    SIZE_T n = nul ? static_cast<SIZE_T>(static_cast<const char*>(nul) - text) : blockSize;
    return n > 0x7FFFFFFE ? 0x7FFFFFFE : static_cast<int>(n);
}

// Runs `take` on the locked clipboard text (pointer and length) with the clipboard open;
// false when there is no text or the clipboard cannot be opened.
template <class Take>
bool WithClipboardText(Take take)
{
    if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(NULL))
        return false;
    bool ok = false;
    HANDLE data = GetClipboardData(CF_TEXT);
    if (data) {
        const char* text = static_cast<const char*>(GlobalLock(data));
        if (text) {
            ok = take(text, LockedTextLength(text, GlobalSize(data)));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return ok;
}

}  // namespace

char* ClipboardGetText(int* length)
{
    char* copy = NULL;
    int copied = 0;
    WithClipboardText([&](const char* text, int n) {
        if (n < 1)
            return false;
        copy = static_cast<char*>(malloc(static_cast<size_t>(n) + 1));
        if (!copy)
            return false;
        memcpy(copy, text, static_cast<size_t>(n));
        copy[n] = 0;
        copied = n;
        return true;
    });
    if (length)
        *length = copied;
    return copy;
}

int ClipboardGetTextBuf(char* buffer, int size)
{
    if (!buffer || size < 1)
        return 0;
    buffer[0] = 0;
    int copied = 0;
    WithClipboardText([&](const char* text, int n) {
        copied = n < size - 1 ? n : size - 1;
        memcpy(buffer, text, static_cast<size_t>(copied));
        buffer[copied] = 0;
        return true;
    });
    return copied;
}

int ClipboardSetText(const char* text, int length)
{
    if (!text)
        return 0;
    if (length == -1) {
        size_t n = strlen(text);
        length = n > 0x7FFFFFFE ? 0x7FFFFFFE : static_cast<int>(n);
    }
    if (length < 1)
        return 0;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, static_cast<SIZE_T>(length) + 1);
    if (!block)
        return 0;
    char* dest = static_cast<char*>(GlobalLock(block));
    if (!dest) {
        GlobalFree(block);
        return 0;
    }
    memcpy(dest, text, static_cast<size_t>(length));
    dest[length] = 0;
    GlobalUnlock(block);
    if (!OpenClipboard(NULL)) {
        GlobalFree(block);
        return 0;
    }
    EmptyClipboard();
    // The clipboard owns the block once SetClipboardData took it; otherwise it is ours, and
    // the copy did not happen: 0, not the length, so the caller does not report a copy that
    // is not on the clipboard.
    bool taken = SetClipboardData(CF_TEXT, block) != NULL;
    CloseClipboard();
    if (!taken) {
        GlobalFree(block);
        return 0;
    }
    return length;
}

HWND ChildWindowFromPointDeep(POINT screenPoint, HWND parent, BOOL visibleOnly)
{
    if (!parent)
        return NULL;
    HWND found = parent;
    for (HWND child = GetWindow(found, GW_CHILD); child;) {
        RECT rc;
        if ((!visibleOnly || IsWindowVisible(child)) && GetWindowRect(child, &rc)
            && PtInRect(&rc, screenPoint)) {
            found = child;
            child = GetWindow(found, GW_CHILD);
        } else {
            child = GetWindow(child, GW_HWNDNEXT);
        }
    }
    return found;
}

CWnd* ChildWindowFromPointDeep(POINT screenPoint, CWnd* parent, BOOL visibleOnly)
{
    return CWnd::FromHandle(ChildWindowFromPointDeep(screenPoint, parent->GetSafeHwnd(), visibleOnly));
}
