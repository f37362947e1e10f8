// Small helpers shared by the library's popup dialogs.
#pragma once
#include <windows.h>

// Recreates the edit `id` of the dialog with ES_PASSWORD added (style, extended style,
// font and rectangle kept; the new window comes last in the tab order); the new window, or
// NULL.
HWND RecreateAsPasswordEdit(HWND dialog, int id);
// Moves a child by (dx, dy) and grows it by (dw, dh), in dialog client coordinates.
void OffsetDlgItem(HWND dialog, int id, int dx, int dy, int dw, int dh);
// Bounded copy of a text into a caller buffer, as the dialogs' CopyText members do.
int CopyTextToBuffer(LPCSTR text, LPSTR buffer, int size);
