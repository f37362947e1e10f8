// "FastList": a virtual report list. Each item is 8 bytes (the owner's data word and a state
// word); cell texts, images and extra state come from the owner's text callback whenever a
// cell is painted, measured or read. The window speaks the list-view messages (LVM_*, ANSI
// forms) so that CListCtrl drives it, plus its own messages below.
//
// Column 0 may begin with tree glyphs: every leading character below 24 is one 16-pixel
// glyph (low three bits the line figure, 8-15 an open box, 16-23 a closed box), drawn and
// hit-tested by the list and never shown or returned as text; a click on one is reported
// with FLN_GLYPHCLICK.
#pragma once
#include <windows.h>
#include <commctrl.h>

// --- own messages
enum : UINT {
    FLM_SETITEMDATA = 0x109B,    // wParam data, lParam item -> 1, 0 for a bad item
    FLM_GETITEMDATA = 0x109C,    // lParam item -> data word, 0 for a bad item
    FLM_FOCUSSTATE = 0x109D,     // wParam column (low 16 bits, 0xFFFF none) | 0x40000000 move focus |
                                 // 0x80000000 make visible; lParam item (-1: the mark item)
    FLM_SETSTATERANGE = 0x109E,  // lParam FastListStateRange -> items changed
    FLM_REFRESH = 0x109F,        // deferred refresh now
    FLM_ATTACHSOURCE = 0x10A0,   // lParam FastListSource -> 1
    FLM_SETCELLKIND = 0x10A2,    // wParam flags | kind << 8 | column << 11 | separator << 17 | count << 25
    FLM_APPENDARRAY = 0x10A4,    // wParam n | insertion flags << 24, lParam DWORD array -> inserted
    FLM_APPENDRUN = 0x10A6,      // wParam n | insertion flags << 24, lParam first data word -> inserted
    FLM_SCROLLTOROW = 0x10A7,    // wParam row -> 1
    FLM_REDRAWCELLS = 0x10A8,    // wParam item | column << 24, lParam rows | columns << 24
    FLM_PROPERTY = 0x10A9,       // wParam number (1-16) | 0x80000000 write, lParam value -> old value
    FLM_DELETEITEMS = 0x10AA,    // wParam first, lParam count -> deleted
    FLM_ITEMCOMMAND = 0x10AB,    // wParam 0x108 focus, 0x109 hot, 0x10A top row; lParam item
    FLM_GETCOLUMNCOUNT = 0x10AC,
    FLM_ENDEDIT = 0x10AD,        // wParam 0 keeps the text
    FLM_GETCELLVALUE6 = 0x10AE,  // wParam item, lParam column -> the request's sixth field
    FLM_GETCELLVALUE5 = 0x10AF,  // the fifth field
    FLM_GETWHOLEROWS = 0x10B0,
    FLM_SETROWHEIGHT = 0x10B1,   // wParam height, -1 automatic -> old height
    FLM_GETROWHEIGHT = 0x10B2,
    FLM_FOCUSCELL = 0x10B4,      // wParam column, lParam item -> 1 when the focus moved
    FLM_CELLVISIBILITY = 0x10B6, // wParam column, lParam item -> -1, 0, 1, 2 or 3
};

// Properties of FLM_PROPERTY.
enum : int {
    FLP_TEXTCONTEXT = 1,
    FLP_TEXTCALLBACK = 2,
    FLP_DESTROYCONTEXT = 3,
    FLP_DESTROYCALLBACK = 4,
    FLP_OWNERVALUE5 = 5,
    FLP_SELECTEDCOUNT = 6,       // read only
    FLP_OWNERBYTE = 7,
    FLP_ATTRCOLOURS = 8,
    FLP_OWNERVALUE9 = 9,
    FLP_OWNERVALUE10 = 10,
    FLP_OWNERVALUE11 = 11,
    FLP_HEADEREXTRA = 12,
    FLP_WINDOWPROC = 13,         // read only
    FLP_MARGIN = 14,
    FLP_PAINTCONTEXT = 15,
    FLP_PAINTHOOK = 16,
};
const WPARAM FLP_WRITE = 0x80000000u;

// Own notification codes (WM_NOTIFY).
enum : int {
    FLN_CHECKCHANGED = -133,     // NMLISTVIEW: the user changed a check state
    FLN_CELLVALUE = -134,        // FastListCellValue: the cell-kind action chose a value
    FLN_EDITREQUEST = -135,      // FastListEditRequest: may editing start
    FLN_SCROLLING = -136,        // FastListScrolling: about to scroll (non-zero cancels)
    FLN_GLYPHCLICK = -140,       // NMLISTVIEW: a tree glyph was clicked
    FLN_HEADERAREA = -141,       // FastListHeaderArea
    FLN_COLUMNCHANGED = -437,    // FastListColumnChange
    FLN_SELECTIONCOUNT = -439,   // FastListSelectionCount
};

// Extended style bits of the list's own (beside the LVS_EX_ ones it honours).
enum : DWORD {
    FLS_EX_COLUMNNOTIFY = 0x100,
    FLS_EX_INFOTIPS = 0x400,
    FLS_EX_SCROLLNOTIFY = 0x2000,
    FLS_EX_NODRAGDETECT = 0x40000000,
    FLS_EX_RIGHTKEEPS = 0x8000,
    FLS_EX_TOGGLECHECKBIT = 0x100000,
    FLS_EX_ALTERNATE = 0x200000,
    FLS_EX_CELLFOCUS = 0x400000,
    FLS_EX_NOTYPEAHEAD = 0x800000,
    FLS_EX_NOAUTOFIT = 0x1000000,
    FLS_EX_DISABLEDLOOK = 0x2000000,
    FLS_EX_NOITEMNOTIFY = 0x20000000,
    FLS_EX_NOTOOLTIPS = 0x80000000,
};

// Insertion flags (LVITEM mask bits 24-26; wParam bits 24-26 of the append messages).
enum : DWORD {
    FLI_ENSUREVISIBLE = 0x01000000,
    FLI_FOLLOWTAIL = 0x02000000,
    FLI_DEFERRED = 0x04000000,
};

// Own LVM_SETCOLUMNA/LVM_INSERTCOLUMNA mask and format bits.
enum : UINT {
    FLCF_STRETCH = 0x100,          // mask: cx is a stretch weight
    FLCF_ADJUST = 0x20000000,      // mask: with FLCFMT_ADJUST the other columns follow
    FLCF_HIDDEN = 0x40000000,      // mask: FLCFMT_HIDDEN hides, without it shows
    FLCF_OWNFORMAT = 0x80000000,   // mask: format bit FLCFMT_FLAGGED is carried
};
enum : int {
    FLCFMT_FLAGGED = 0x10000000,
    FLCFMT_HIDDEN = 0x20000000,
    FLCFMT_ADJUST = 0x40000000,
};
const int FL_SAVEDWIDTH = 0x44332211;   // LVM_SETCOLUMNA width: the width saved while hidden

// The owner's text request (one per cell asked).
struct FastListTextRequest {
    char* text;     // the list's 2044-byte buffer, first byte 0; may be pointed elsewhere
    int length;     // 2043 on entry; the text's length, or left as it is (up to the NUL)
    int image;      // -2: none
    UINT state;     // the item's state; extra bits for this cell
    int value5;     // -1; returned by FLM_GETCELLVALUE5
    int value6;     // -1; returned by FLM_GETCELLVALUE6
};
typedef void(__stdcall* FastListTextCallback)(void* context, DWORD data, int column, int columnPlusOne,
                                              FastListTextRequest* request);
typedef void(__stdcall* FastListDestroyCallback)(void* context, HWND window);
typedef DWORD(__stdcall* FastListPaintHook)(void* context, DWORD data, int item, UINT state, HDC dc, RECT* rect);
typedef int(__stdcall* FastListCompare)(DWORD data1, DWORD data2, LPARAM sortParam);

// LVM_FINDITEMA's record.
enum : UINT {
    FLF_TEXT = 0x1,
    FLF_DATA = 0x4,
    FLF_STATE = 0x8,
    FLF_PREFIX = 0x8000000,
};
struct FastListFind {
    UINT flags;
    int column;
    UINT state;
    UINT stateMask;
    DWORD data;
    const char* text;
};

struct FastListStateRange {
    int first;
    int end;
    UINT state;
    UINT stateMask;
};

struct FastListItem {
    DWORD data;
    WORD state;
    BYTE flags;    // 0x02 notification pending (0x04 selected before it), 0x08 hot, 0x40 check changed
    BYTE indent;   // glyph characters at the start of column 0
};

// FLM_ATTACHSOURCE: the owner's arrays; the list writes its synchronisation routine into
// `sync`. Operation (low byte): 1 insert `count` items at `first` with data base + index[i]
// (insertion flags in bits 24-26), 2 invalidate from first, 3 refresh data, state, flags and
// indent from the 32-bit state words, 4 refresh data only, others invalidate the range.
typedef int(__stdcall* FastListSyncRoutine)(void* block, int first, int count, DWORD operation);
struct FastListSource {
    const int* count;
    const int* indices;
    DWORD base;
    const DWORD* states;
    FastListSyncRoutine sync;
};

// Records of the own notifications.
struct FastListScrolling {
    NMHDR hdr;
    WORD bar;       // 0 horizontal, 1 vertical
    WORD cause;     // 9 scroll bar or programmatic, 10 keyboard, 11 wheel
    int other;      // the other axis's current value
    int value;      // the new value
};
struct FastListHeaderArea {
    NMHDR hdr;
    int extra;
    int visibleWidth;
    int headerHeight;
};
struct FastListColumnChange {
    NMHDR hdr;
    int column;
    int position;
    int width;
};
struct FastListSelectionCount {
    NMHDR hdr;
    int selected;
    int focused;
};
struct FastListCellValue {
    NMHDR hdr;
    int item;
    int column;
    DWORD data;
    const char* text;   // the chosen choice
    int length;
};
// The parent's answer to FLN_EDITREQUEST: FLE_REFUSE keeps the cell as it is; otherwise bits
// 29-30 choose the editor (0 an edit field, 1 a combo box with an edit field, 2 a drop-down
// list of the column's choices) and bit 31 aligns an edit field like the column.
struct FastListEditRequest {
    NMHDR hdr;
    LVITEMA item;       // mask 0x8000000D, the cell's text after its glyphs, cchTextMax 255
    int code;           // what started it: a character, 13, 0x10000 double click, 0x10004 paste
};
enum : LRESULT {
    FLE_REFUSE = 1,
    FLE_COMBO = 0x20000000,
    FLE_DROPLIST = 0x40000000,
    FLE_ALIGN = static_cast<LRESULT>(0x80000000u),
};

// Registers "FastList" (1 when registered, 0 when RegisterClassExA failed).
int RegisterFastListClass(HINSTANCE instance);
