#include "uihelpers/SuggestList.h"

#include <string.h>
#include "uihelpers/UiFonts.h"

namespace {

// The frame has a window class of its own: no background (the list and the grip cover
// it) and the diagonal sizing arrow, which shows only over the grip.
const char kFrameClass[] = "SektorlupeSuggestList";

struct PopupState {
    WNDPROC previous;       // the frame's procedure before ours
    HWND list;
    HWND scroll;
    WORD notifyId;
    int top;                // the list's top index as last seen
    int height, width;      // client size
    int scrollWidth;
    int visibleLines;
    bool sizing;
    int startWidth, startHeight, startX, startY;
};

HANDLE volatile g_textHeap = NULL;

bool IsMarked(WPARAM wParam)
{
    return (wParam & 0x7FFF0000) == SUGGEST_HEAP_TEXT;
}

// The list-box messages the popup hands to its list: its own two, then LB_ADDSTRING
// (0x180) to LB_GETLOCALE (0x1A6).
const UINT kLastListMessage = 0x1A6;

bool IsListMessage(UINT message)
{
    return message >= SUGGEST_ADDSTRING && message <= kLastListMessage;
}

// Messages after which a marked text is freed and the scroll bar follows the list.
bool ChangesList(UINT message)
{
    switch (message) {
    case LB_ADDSTRING: case LB_INSERTSTRING: case LB_DELETESTRING: case LB_RESETCONTENT: case LB_SETCURSEL:
        return true;
    default:
        return false;
    }
}

PopupState* StateOf(HWND frame)
{
    return reinterpret_cast<PopupState*>(GetWindowLongPtrA(frame, GWLP_USERDATA));
}

void SyncScrollBar(PopupState* s)
{
    int itemHeight = static_cast<int>(SendMessageA(s->list, LB_GETITEMHEIGHT, 0, 0));
    if (itemHeight < 4)
        itemHeight = 4;
    s->visibleLines = s->height / itemHeight;
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = static_cast<int>(SendMessageA(s->list, LB_GETCOUNT, 0, 0));
    si.nPage = static_cast<UINT>(s->visibleLines);
    si.nPos = static_cast<int>(SendMessageA(s->list, LB_GETTOPINDEX, 0, 0));
    SetScrollInfo(s->scroll, SB_CTL, &si, TRUE);
}

void LayOut(PopupState* s)
{
    int split = s->width - s->scrollWidth + 1;
    SetWindowPos(s->list, NULL, 0, 0, split, s->height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(s->scroll, NULL, split, 0, s->scrollWidth, s->height - s->scrollWidth + 1,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// Scrolls the list so that `top` is its first line and remembers where it really went.
void ScrollTo(PopupState* s, int top)
{
    // The list refuses a top index before its first line as a whole (LB_SETTOPINDEX fails):
    // a wheel turn or a line up past the top would leave it where it was, not at the top.
    if (top < 0)
        top = 0;
    SetScrollPos(s->scroll, SB_CTL, top, TRUE);
    SendMessageA(s->list, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
    s->top = static_cast<int>(SendMessageA(s->list, LB_GETTOPINDEX, 0, 0));
}

RECT GripRect(const PopupState* s)
{
    RECT grip = { s->width - s->scrollWidth, s->height - s->scrollWidth, s->width, s->height };
    return grip;
}

void PaintGrip(HWND frame, PopupState* s, HDC given)
{
    PAINTSTRUCT ps;
    HDC dc = given ? given : BeginPaint(frame, &ps);
    RECT grip = GripRect(s);
    DrawFrameControl(dc, &grip, DFC_SCROLL, DFCS_SCROLLSIZEGRIP | DFCS_MONO);
    if (!given)
        EndPaint(frame, &ps);
}

int ScrollTarget(const PopupState* s, WPARAM wParam)
{
    int pos = GetScrollPos(s->scroll, SB_CTL);
    switch (LOWORD(wParam)) {
    case SB_LINEUP: return pos - 1;
    case SB_LINEDOWN: return pos + 1;
    case SB_PAGEUP: return pos - s->visibleLines;
    case SB_PAGEDOWN: return pos + s->visibleLines;
    case SB_THUMBPOSITION: case SB_THUMBTRACK: return static_cast<short>(HIWORD(wParam));
    case SB_TOP: return 0;
    default: return pos;
    }
}

// Texts still posted to a popup that goes away would be lost with their messages.
void FreeQueuedTexts(HWND frame)
{
    MSG msg;
    while (PeekMessageA(&msg, frame, SUGGEST_ADDSTRING, kLastListMessage, PM_REMOVE))
        if (IsMarked(msg.wParam) && msg.lParam)
            SuggestTextFree(reinterpret_cast<char*>(msg.lParam));
}

LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(list, GWLP_USERDATA));
    if (message == WM_MOUSEWHEEL)
        return SendMessageA(GetParent(list), message, wParam, lParam);
    if (message == WM_MOUSEMOVE) {
        // Outside the items the answer's high word is 1: -1 clears the selection.
        DWORD hit = static_cast<DWORD>(CallWindowProcA(previous, list, LB_ITEMFROMPOINT, 0, lParam));
        int item = HIWORD(hit) ? -1 : static_cast<int>(LOWORD(hit));
        CallWindowProcA(previous, list, LB_SETCURSEL, static_cast<WPARAM>(item), 0);
    }
    return CallWindowProcA(previous, list, message, wParam, lParam);
}

LRESULT CALLBACK FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam)
{
    PopupState* s = StateOf(frame);
    if (!s)
        return DefWindowProcA(frame, message, wParam, lParam);
    if (IsListMessage(message)) {
        UINT listMessage = message == SUGGEST_ADDSTRING ? LB_ADDSTRING
                         : message == SUGGEST_INSERTSTRING ? LB_INSERTSTRING : message;
        LRESULT answer = SendMessageA(s->list, listMessage, wParam & ~static_cast<WPARAM>(0x7FFF0000), lParam);
        if (ChangesList(listMessage)) {
            if (IsMarked(wParam) && lParam)
                SuggestTextFree(reinterpret_cast<char*>(lParam));
            SyncScrollBar(s);
        }
        return answer;
    }
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == SUGGEST_LIST_ID && reinterpret_cast<HWND>(lParam) == s->list) {
            if (HIWORD(wParam) == LBN_SELCHANGE) {
                int top = static_cast<int>(SendMessageA(s->list, LB_GETTOPINDEX, 0, 0));
                if (top != s->top) {
                    s->top = top;
                    SetScrollPos(s->scroll, SB_CTL, top, TRUE);
                }
            }
            HWND owner = GetWindow(frame, GW_OWNER);
            if (owner)
                SendMessageA(owner, WM_COMMAND, MAKEWPARAM(s->notifyId, HIWORD(wParam)), lParam);
            return 0;
        }
        break;
    case WM_VSCROLL:
        if (reinterpret_cast<HWND>(lParam) == s->scroll) {
            ScrollTo(s, ScrollTarget(s, wParam));
            return 0;
        }
        break;
    case WM_MOUSEWHEEL: {
        int lines = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
        if (lines)
            ScrollTo(s, s->top - lines);
        break;
    }
    case WM_LBUTTONDOWN: {
        RECT rc;
        GetWindowRect(frame, &rc);
        s->startWidth = rc.right - rc.left;
        s->startHeight = rc.bottom - rc.top;
        s->startX = static_cast<short>(LOWORD(lParam));
        s->startY = static_cast<short>(HIWORD(lParam));
        if (s->startX > s->width - s->scrollWidth && s->startY > s->height - s->scrollWidth) {
            s->sizing = true;
            SetCapture(frame);
        }
        break;
    }
    case WM_MOUSEMOVE:
        if (s->sizing) {
            if (!(wParam & MK_LBUTTON)) {
                s->sizing = false;
                ReleaseCapture();
                return 0;
            }
            int w = s->startWidth + static_cast<short>(LOWORD(lParam)) - s->startX;
            int h = s->startHeight + static_cast<short>(HIWORD(lParam)) - s->startY;
            int least = 2 * s->scrollWidth;
            SetWindowPos(frame, NULL, 0, 0, w < least ? least : w, h < least ? least : h,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            InvalidateRect(frame, NULL, TRUE);
            return 0;
        }
        break;
    case WM_LBUTTONUP:
        if (s->sizing) {
            s->sizing = false;
            ReleaseCapture();
            RedrawWindow(frame, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            return 0;
        }
        break;
    case WM_SIZE: {
        RECT client;
        GetClientRect(frame, &client);
        s->width = client.right;
        s->height = client.bottom;
        LayOut(s);
        SyncScrollBar(s);
        break;
    }
    case WM_PAINT:
        PaintGrip(frame, s, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ACTIVATE:
        return 0;
    case WM_DESTROY: {
        if (s->sizing && GetCapture() == frame)
            ReleaseCapture();
        WNDPROC previous = s->previous;
        SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        SetWindowLongPtrA(frame, GWLP_USERDATA, 0);
        HeapFree(GetProcessHeap(), 0, s);
        FreeQueuedTexts(frame);
        return 0;
    }
    default:
        break;
    }
    return CallWindowProcA(s->previous, frame, message, wParam, lParam);
}

bool RegisterFrameClass(HINSTANCE instance)
{
    WNDCLASSA wc;
    if (GetClassInfoA(instance, kFrameClass, &wc))
        return true;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(NULL, IDC_SIZENWSE);
    wc.hbrBackground = NULL;
    wc.lpszClassName = kFrameClass;
    return RegisterClassA(&wc) != 0;
}

}  // namespace

HANDLE SuggestTextHeap()
{
    HANDLE heap = g_textHeap;
    if (heap)
        return heap;
    HANDLE made = HeapCreate(0, 0, 0);
    if (!made)
        return NULL;
    if (InterlockedCompareExchangePointer(const_cast<PVOID volatile*>(&g_textHeap), made, NULL) != NULL)
        HeapDestroy(made);
    return g_textHeap;
}

char* SuggestTextDup(const char* text, int length)
{
    if (!text)
        return NULL;
    size_t n = length < 0 ? strlen(text) : strnlen(text, static_cast<size_t>(length));
    HANDLE heap = SuggestTextHeap();
    char* copy = heap ? static_cast<char*>(HeapAlloc(heap, 0, n + 1)) : NULL;
    if (!copy)
        return NULL;
    memcpy(copy, text, n);
    copy[n] = 0;
    return copy;
}

void SuggestTextFree(char* text)
{
    if (text && g_textHeap)
        HeapFree(g_textHeap, 0, text);
}

HWND SuggestList(DWORD exStyle, DWORD style, const RECT* rect, HWND owner, int notifyId)
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    if (!RegisterFrameClass(instance))
        return NULL;
    RECT at = { 0, 0, 0, 0 };
    if (rect)
        at = *rect;
    HWND frame = CreateWindowExA(exStyle, kFrameClass, "", style | WS_POPUP | WS_CLIPCHILDREN, at.left, at.top,
                                 at.right - at.left, at.bottom - at.top, owner, NULL, instance, NULL);
    if (!frame)
        return NULL;
    HWND list = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_VISIBLE | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT,
                                0, 0, 0, 0, frame, reinterpret_cast<HMENU>(SUGGEST_LIST_ID), instance, NULL);
    HWND scroll = list ? CreateWindowExA(0, "SCROLLBAR", "", WS_CHILD | WS_VISIBLE | SBS_VERT, 0, 0, 0, 0, frame,
                                         reinterpret_cast<HMENU>(SUGGEST_SCROLL_ID), instance, NULL)
                       : NULL;
    PopupState* s = scroll ? static_cast<PopupState*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(PopupState)))
                           : NULL;
    if (!s) {
        DestroyWindow(frame);
        return NULL;
    }
    SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(GetUiFont(UIFONT_NORMAL)), FALSE);
    RECT client;
    GetClientRect(frame, &client);
    s->list = list;
    s->scroll = scroll;
    s->notifyId = static_cast<WORD>(notifyId);
    s->width = client.right;
    s->height = client.bottom;
    s->scrollWidth = GetSystemMetrics(SM_CXVSCROLL);
    s->visibleLines = 1;
    SetWindowLongPtrA(frame, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
    s->previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FrameProc)));
    SetWindowLongPtrA(list, GWLP_USERDATA, GetWindowLongPtrA(list, GWLP_WNDPROC));
    SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListProc));
    LayOut(s);
    SyncScrollBar(s);
    return frame;
}
