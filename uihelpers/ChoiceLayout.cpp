#include "uihelpers/ChoiceLayout.h"

#include "uihelpers/PopupSize.h"

namespace {

RECT ChildRect(HWND dialog, HWND child)
{
    RECT rc = { 0, 0, 0, 0 };
    if (child) {
        GetWindowRect(child, &rc);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rc), 2);
    }
    return rc;
}

}  // namespace

void ChoiceLayout::Measure(HWND dialog, HWND list, bool allowCancel) noexcept
{
    cancelAllowed = allowCancel;
    RECT client;
    GetClientRect(dialog, &client);
    RECT lr = ChildRect(dialog, list);
    RECT ok = ChildRect(dialog, GetDlgItem(dialog, IDOK));
    RECT cancel = ChildRect(dialog, GetDlgItem(dialog, IDCANCEL));
    marginLeft = lr.left;
    marginTop = lr.top;
    marginRight = client.right - lr.right;
    marginBottom = client.bottom - lr.bottom;
    buttonWidth = ok.right - ok.left;
    buttonHeight = ok.bottom - ok.top;
    buttonGap = cancel.left - ok.right;
    buttonsToBottom = client.bottom - ok.top;
    minWidth = (cancelAllowed ? cancel.right : cancel.left) - ok.left + 40;
    minHeight = client.bottom - ok.top + 100;
}

void ChoiceLayout::ShiftForEmptyPrompt() noexcept
{
    marginTop -= 20;
    minHeight -= 20;
}

void ChoiceLayout::Place(HWND dialog, const ChoicePlacement& last, int widthFactor, int heightFactor) const noexcept
{
    RECT wr;
    GetWindowRect(dialog, &wr);
    int x = wr.left, y = wr.top;
    int w = wr.right - wr.left, h = wr.bottom - wr.top;
    if (last.valid && last.position.x >= -20 && last.position.x < GetSystemMetrics(SM_CXSCREEN) - 50 &&
        last.position.y >= -20 && last.position.y < GetSystemMetrics(SM_CYSCREEN) - 50) {
        x = last.position.x;
        y = last.position.y;
    }
    if (remembered) {
        w = rememberedWidth;
        h = rememberedHeight;
    } else if (widthFactor || heightFactor) {
        w += PopupSizeDelta(w, widthFactor, kChoiceWidthDivisor);
        h += PopupSizeDelta(h, heightFactor, kChoiceHeightDivisor);
        if (w < minWidth)
            w = minWidth;
        if (h < minHeight)
            h = minHeight;
    }
    SetWindowPos(dialog, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ChoiceLayout::LayOut(HWND dialog, HWND list, int cx, int cy) const noexcept
{
    if (list)
        SetWindowPos(list, nullptr, marginLeft, marginTop, cx - marginLeft - marginRight, cy - marginTop - marginBottom,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    int y = cy - buttonsToBottom;
    HWND ok = GetDlgItem(dialog, IDOK);
    HWND cancel = GetDlgItem(dialog, IDCANCEL);
    if (cancelAllowed) {
        int x = (cx - (2 * buttonWidth + buttonGap)) / 2;
        SetWindowPos(ok, nullptr, x, y, buttonWidth, buttonHeight, SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(cancel, nullptr, x + buttonWidth + buttonGap, y, buttonWidth, buttonHeight,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        SetWindowPos(ok, nullptr, (cx - buttonWidth) / 2, y, buttonWidth, buttonHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(dialog, nullptr, TRUE);
}

void ChoiceLayout::Sizing(WPARAM edge, RECT* rc) const noexcept
{
    if (!rc)
        return;
    if (rc->right - rc->left < minWidth) {
        if (edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT)
            rc->left = rc->right - minWidth;
        else
            rc->right = rc->left + minWidth;
    }
    if (rc->bottom - rc->top < minHeight) {
        if (edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT)
            rc->top = rc->bottom - minHeight;
        else
            rc->bottom = rc->top + minHeight;
    }
}

void ChoiceLayout::Remember(HWND dialog, ChoicePlacement* last) noexcept
{
    RECT wr;
    GetWindowRect(dialog, &wr);
    rememberedWidth = wr.right - wr.left;
    rememberedHeight = wr.bottom - wr.top;
    remembered = true;
    if (last) {
        last->position.x = wr.left;
        last->position.y = wr.top;
        last->valid = true;
    }
}

void SetChoiceTexts(HWND dialog, LPCSTR caption, LPCSTR prompt, int promptId) noexcept
{
    if (caption && *caption)
        SetWindowTextA(dialog, caption);
    HWND line = GetDlgItem(dialog, promptId);
    if (!prompt || !*prompt)
        ShowWindow(line, SW_HIDE);
    else
        SetWindowTextA(line, prompt);
}
