// The main frame's status-pane protocol: views insert panes into the frame's status bar and
// write (optionally coloured) text into them by sending WM_STATUSPANE to the main window,
// so that they need to know nothing about the frame's class.
#pragma once
#include <windows.h>
#include <stdint.h>

// wParam: one of StatusPaneCommand; lParam: a StatusPaneRequest* (a PaneGroupHandle for
// StatusPaneRemoveGroup).
const UINT WM_STATUSPANE = 0x524;
// The frame sends it to itself for a coloured (owner-drawn) pane; wParam the status bar,
// lParam the DRAWITEMSTRUCT.
const UINT WM_DRAWCOLORPANE = 0x523;

enum StatusPaneCommand : WPARAM {
    StatusPaneSetBase = 0,       // replace the base panes; result their number
    StatusPaneSetText = 1,       // text and colours of one pane; 1 done, 0 refused
    StatusPaneRemoveGroup = 2,   // lParam the PaneGroupHandle; result the panes left
    StatusPaneInsertGroup = 3,   // result the PaneGroupHandle, -1 for no pane, 0 refused
    StatusPaneSetColors = 4,     // colours of one pane, its text kept; 1 done, 0 refused
};

// Five 32-bit words. Commands 0 and 3 read ids, widths and count; 1 and 4 read the others.
// A negative width counts characters of the icon-title font; null widths mean 50 pixels.
// A negative pane index counts from the end; a non-negative one skips the message pane.
struct StatusPaneRequest {
    union {
        const uint32_t* ids;
        int32_t index;
    };
    union {
        int32_t* widths;        // scaled in place to pixels
        const char* text;
    };
    union {
        int32_t count;
        int32_t update;
    };
    int32_t background;         // COLORREF; negative: the system's
    int32_t textColor;          // COLORREF; negative: the system's
};

// Result of StatusPaneInsertGroup: the group's tag in the low half, and in the high half
// (signed) the position of its first pane counted from the end of the bar. Later groups go
// in front of earlier ones, so the index stays valid for the older group.
typedef int32_t PaneGroupHandle;

inline int PaneGroupTag(PaneGroupHandle handle)
{
    return static_cast<int>(static_cast<uint32_t>(handle) & 0xFFFF);
}

inline int PaneGroupFirstIndex(PaneGroupHandle handle)
{
    return static_cast<int16_t>(static_cast<uint32_t>(handle) >> 16);
}

// The window a view sends its pane requests to: the program's main window, else the
// top-level window the view sits in; null when that is the view itself.
HWND StatusPaneFrame(HWND own);

// Writes a text in the system's colours into a pane of the frame (StatusPaneSetText); with
// `update` 0 the bar shows it with its next paint.
inline LRESULT SendStatusPaneText(HWND frame, int pane, const char* text, int update = 1)
{
    StatusPaneRequest request = {};
    request.index = pane;
    request.text = text;
    request.update = update;
    request.background = -1;
    request.textColor = -1;
    return ::SendMessageA(frame, WM_STATUSPANE, StatusPaneSetText, reinterpret_cast<LPARAM>(&request));
}

static_assert(sizeof(void*) != 4 || sizeof(StatusPaneRequest) == 20,
              "the request is five 32-bit words on the 32-bit program");
