// Small window services: pictures on push buttons (themed image lists with a greyed
// disabled state, or a plain BM_SETIMAGE bitmap without themes), OLE drags of a file or a
// text, a debug console, bringing a window to the front, the recycle bin, and the own
// message box with the arguments of MessageBox.
#pragma once
#include <windows.h>

class COleDataSource;

// --- Button pictures (ButtonImage.cpp) -----------------------------------------------

// Puts a bitmap on the button: a resource id below 0x10000, else a pointer to a packed
// device-independent bitmap (a BITMAPINFOHEADER, its colour table, its pixels). With
// themes, an image list of six states (the disabled one greyed) is made once per bitmap
// and kept for the run; TRUE when the button took it. Without themes the bitmap is set
// with BM_SETIMAGE; TRUE when the button had a picture before, which is deleted when an
// earlier call made it (a caller's own picture is left alone). FALSE when the bitmap
// cannot be loaded.
BOOL SetButtonBitmap(HWND button, UINT_PTR bitmap);

// Takes the BM_SETIMAGE bitmap off the button and deletes it: DeleteObject's result, 0
// when the button had none.
BOOL ClearButtonBitmap(HWND button);

// The grey level of the disabled look for a colour (0x00BBGGRR): from the luminance
// L = (29 B + 76 (R + 2 G)) / 256, L above 192 gives (L + 579) / 4, L = 192 gives 191,
// below that L / 4 + 144. The result is never 192, so no colour turns into the mask
// colour 0xC0C0C0.
BYTE DisabledGreyLevel(COLORREF color);

// Whether SetButtonBitmap takes the themed path: -1 asks UxTheme (the default), 0 and 1
// pretend no themes or themes. Returns the previous setting. For tests.
int SetButtonThemeOverride(int themed);

// Number of image lists kept for buttons.
int ButtonImageCacheCount();

// --- OLE drags (DragSource.cpp) -------------------------------------------------------

// Drags one file (CF_HDROP with copy, move and link allowed). 1 when a drag ran; 0 when
// the path has no full form below 260 characters or does not exist.
int DoDragFile(LPCSTR path);

// Drags a text. Mode 0: 8-bit text, offered as CF_TEXT. Mode 1: UTF-8 text, offered as
// its bytes in CF_TEXT and as UTF-16 in CF_UNICODETEXT. Mode 2: `text` is UTF-16 and
// `length` counts units; CF_UNICODETEXT offers it and CF_TEXT its 8-bit form, units above
// 255 becoming 0xFF. A negative length runs up to the terminator. 0 for a length of 0 (no
// drag), else 1.
int DoDragText(const void* text, int length, int mode);

// The call that runs a prepared drag; tests put one in that looks at the data instead.
// NULL restores the real drag loop. Returns the previous runner.
typedef DWORD (*DragRunner)(COleDataSource* source, DWORD allowedEffects);
DragRunner SetDragRunner(DragRunner runner);

// --- Odds and ends (WindowServices.cpp) -----------------------------------------------

// The first call allocates a console and makes it the C runtime's standard output;
// later calls do nothing. Always nonzero.
int OpenDebugConsole();

// The call that allocates the console (AllocConsole); tests put one in that refuses. NULL
// restores AllocConsole. The next OpenDebugConsole is a first call again. Returns the
// previous one.
typedef BOOL (WINAPI* ConsoleAllocator)();
ConsoleAllocator SetConsoleAllocator(ConsoleAllocator allocator);

// Brings the window to the top and shows it maximised when it is zoomed, else restored;
// when another thread owns the foreground, input is attached to it around those calls so
// that Windows lets the window come forward. ShowWindow's result, or the detaching
// AttachThreadInput's when input was attached.
BOOL BringWindowToFront(HWND window);

// Moves the file or folder to the recycle bin without asking and without messages (at most
// 259 characters of the path are used). 1 on success, 0 otherwise.
int RecycleFile(LPCSTR path);

// The library's own message box with the arguments of MessageBox: the chosen button's id.
int ShowMessageBoxParams(HWND owner, LPCSTR text, LPCSTR caption, UINT style);
