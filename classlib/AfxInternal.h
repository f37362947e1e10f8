// Internals shared by the class library's own source files; not for callers.
#pragma once
#include <windows.h>

class CWnd;

// The wait-cursor behaviour without an application object (and CWinApp's default).
void AfxDefaultWaitCursor(int code);
int AfxGetWaitCursorCount();

// The window procedure a subclassed window had before the library's, recorded by handle so
// that a window whose object was detached still reaches it; null when unknown.
WNDPROC AfxGetSuperProc(HWND hWnd);
