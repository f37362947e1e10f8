// The library's own message box: the call of MessageBoxIndirect (a MessageBoxParams
// record), built from an in-memory dialog template, with a time-out, a remembered position
// and the standard texts of MessageBoxTexts. The text is shown as plain multi-line text.
#pragma once
#include <windows.h>

// The layout of MSGBOXPARAMSA (40 bytes on the 32-bit target), with the last word used for
// the position: with style MBX_POSITION it holds the point on which the box is centred
// (x low 16 bits, y high 16 bits, both signed), and receives the centre the box had when it
// closed.
struct MessageBoxParams {
    UINT cbSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpszText;         // a text or a string id of the module
    LPCSTR lpszCaption;      // a text or a string id of the module
    DWORD dwStyle;           // MB_ bits and the MBX_ bits below
    LPCSTR lpszIcon;         // with MB_USERICON: the icon of the module
    DWORD_PTR dwContextHelpId;
    MSGBOXCALLBACK lpfnMsgBoxCallback;
    DWORD dwPosition;
};
static_assert(sizeof(MessageBoxParams) == sizeof(MSGBOXPARAMSA), "the record is MSGBOXPARAMSA");

// Style bits of this box (they reuse bits the system box gives other meanings).
enum : DWORD {
    MBX_NOBEEP = 0x2000,      // no sound with the icon
    MBX_TIMEOUT = 0x20000,    // a time-out is given
    MBX_TOPMOST = 0x40000,    // WS_EX_TOPMOST
    MBX_POSITION = 0x80000,   // dwPosition holds the centre (the box also gets WS_EX_RIGHT)
    MBX_NOMARK = 0x100000     // the time-out is passed on unmarked
};

// The id of the button chosen, or MBX_TIMED_OUT when the time-out ran out; 0 when the box
// could not be shown (no record, a record smaller than 40 bytes, a failed template).
// timeoutMs 0 or -1: none; from 0x1000000 on it is cut to 0xFFFFFF ms.
enum { MBX_TIMED_OUT = 16 };
int ShowMessageBox(MessageBoxParams* params, DWORD reserved, DWORD timeoutMs);

// Builds and runs the box. A time-out marked with 0x65 in its top byte (or any time-out
// when the style holds MBX_TIMEOUT) ends the box after its lower 24 bits in ms.
int RunMessageBoxDialog(MessageBoxParams* params, DWORD reserved, DWORD markedTimeout);

INT_PTR CALLBACK MessageBoxDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The centre where the last box of the process closed; FALSE while none has closed.
BOOL GetLastMessageBoxCentre(POINT* centre);
