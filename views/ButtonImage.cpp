#include "views/ButtonImage.h"

#include "uihelpers/WindowServices.h"

BOOL SetButtonImage(HWND dialog, int controlId, UINT_PTR bitmap)
{
    HWND button = dialog ? ::GetDlgItem(dialog, controlId) : nullptr;
    return button ? SetButtonBitmap(button, bitmap) : FALSE;
}

BOOL ClearButtonImage(HWND dialog, int controlId)
{
    HWND button = dialog ? ::GetDlgItem(dialog, controlId) : nullptr;
    return button ? ClearButtonBitmap(button) : FALSE;
}
