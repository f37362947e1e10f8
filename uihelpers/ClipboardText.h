// 8-bit text on the clipboard (CF_TEXT), and the deepest child window under a screen point.
// The hex view, the text editor, the data window and the popup dialogs copy through these.
#pragma once
#include <windows.h>

class CWnd;

// The clipboard's text in a new heap block (malloc; the caller frees it) with its
// terminator; *length (when given) receives its length. NULL, and length 0, when there is
// no text, the clipboard cannot be opened or the text is empty.
char* ClipboardGetText(int* length = NULL);

// The clipboard's text in a caller buffer, cut to size - 1 characters and terminated.
// Returns the length copied; a size below 1 (or a NULL buffer) gives 0 and writes nothing;
// no text gives an empty buffer and 0.
int ClipboardGetTextBuf(char* buffer, int size);

// Puts `length` characters of the text (-1: up to its NUL) on the clipboard as CF_TEXT,
// with the clipboard owned by no window. Returns the length; 0 when the length is below 1
// or the clipboard cannot be opened.
int ClipboardSetText(const char* text, int length = -1);

// The deepest window under the screen point: the parent's children are walked in z-order,
// the first whose window rectangle holds the point (and that is visible, with visibleOnly)
// is searched in turn. The parent itself when no child holds the point; NULL for a NULL
// parent.
HWND ChildWindowFromPointDeep(POINT screenPoint, HWND parent, BOOL visibleOnly);
CWnd* ChildWindowFromPointDeep(POINT screenPoint, CWnd* parent, BOOL visibleOnly);
