#include "uihelpers/PopupHelpers.h"

#include <string.h>

int CopyTextToBuffer(LPCSTR text, LPSTR buffer, int size)
{
    if (!buffer || size < 1)
        return 0;
    size_t n = text ? strlen(text) : 0;
    if (n > static_cast<size_t>(size - 1))
        n = static_cast<size_t>(size - 1);
    if (n)
        memcpy(buffer, text, n);
    buffer[n] = 0;
    return static_cast<int>(n);
}

HWND RecreateAsPasswordEdit(HWND dialog, int id)
{
    HWND old = GetDlgItem(dialog, id);
    if (!old)
        return NULL;
    DWORD style = static_cast<DWORD>(GetWindowLongPtrA(old, GWL_STYLE));
    DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrA(old, GWL_EXSTYLE));
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(old, WM_GETFONT, 0, 0));
    RECT rc;
    GetWindowRect(old, &rc);
    MapWindowPoints(NULL, dialog, reinterpret_cast<POINT*>(&rc), 2);
    // The new window comes last in the z-order, which is the dialog's tab order; a caller
    // that wants the focus in it asks for that with its focus flag.
    DestroyWindow(old);
    HWND edit = CreateWindowExA(exStyle, "EDIT", "", style | ES_PASSWORD, rc.left, rc.top,
                                rc.right - rc.left, rc.bottom - rc.top, dialog,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE)), NULL);
    if (!edit)
        return NULL;
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return edit;
}

void OffsetDlgItem(HWND dialog, int id, int dx, int dy, int dw, int dh)
{
    HWND item = GetDlgItem(dialog, id);
    if (!item)
        return;
    RECT rc;
    GetWindowRect(item, &rc);
    MapWindowPoints(NULL, dialog, reinterpret_cast<POINT*>(&rc), 2);
    SetWindowPos(item, NULL, rc.left + dx, rc.top + dy, rc.right - rc.left + dw, rc.bottom - rc.top + dh,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}
