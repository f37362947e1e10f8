// A drop-down list of suggestions: a borderless popup under a text field holding a sorted
// list with its own scroll bar and a size grip in the lower right corner. The item under
// the mouse follows the mouse; the list's notifications reach the owner as WM_COMMAND under
// the id the creator chose. List-box messages sent to the popup go to its list, and another
// thread may post texts it allocated with SuggestTextDup, which the popup frees.
#pragma once
#include <windows.h>

// Private messages of the popup: LB_ADDSTRING and LB_INSERTSTRING with a heap text.
const UINT SUGGEST_ADDSTRING = 0x17E;
const UINT SUGGEST_INSERTSTRING = 0x17F;
// A wParam whose bits 16-30 hold 0x1234 marks lParam, when non-zero, as a text from
// SuggestTextDup that the popup frees once the list has taken it. This works with
// SUGGEST_ADDSTRING, SUGGEST_INSERTSTRING, LB_ADDSTRING, LB_INSERTSTRING,
// LB_DELETESTRING, LB_RESETCONTENT and LB_SETCURSEL.
const WPARAM SUGGEST_HEAP_TEXT = 0x12340000;

// Ids of the popup's children.
enum { SUGGEST_LIST_ID = 4681, SUGGEST_SCROLL_ID = 4680 };

// Creates the popup (hidden unless `style` has WS_VISIBLE) at the screen rectangle (an
// empty one when NULL), owned by `owner`, reporting as control `notifyId`. NULL when a
// window cannot be made (what was made is destroyed).
HWND SuggestList(DWORD exStyle, DWORD style, const RECT* rect, HWND owner, int notifyId);

// A heap copy of `length` characters of the text (-1: up to the NUL) for posting to a
// popup with SUGGEST_HEAP_TEXT; NULL without memory. Any thread.
char* SuggestTextDup(const char* text, int length);
// Frees such a copy (the popup does this itself; a poster whose post failed does too).
void SuggestTextFree(char* text);
// The heap those copies live in (tests count what is left in it).
HANDLE SuggestTextHeap();
