// A bitmap on a dialog's button, and off again when the dialog goes.
#pragma once
#include <windows.h>

// `bitmap` is a resource id below 0x10000 or a pointer to a packed device-independent bitmap.
// TRUE as SetButtonBitmap reports it (uihelpers/WindowServices.h).
BOOL SetButtonImage(HWND dialog, int controlId, UINT_PTR bitmap);
// Takes the button's bitmap off and deletes it: DeleteObject's result, 0 when it had none.
BOOL ClearButtonImage(HWND dialog, int controlId);
