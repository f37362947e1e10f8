// "TreeList": a tree view whose rows carry up to 31 further cells under a column header.
// It answers the ANSI tree-view messages (items are numbers, not pointers: 1 up to the
// table's capacity, 0 is no item and, as a parent, the invisible root) and its own messages
// 0x114E to 0x117F below. Everything a caller needs to drive it is in this header; the model
// behind it is TreeListModel.h, the window class wrapper CTreeListCtrl (TreeListCtrl.h).
#pragma once
#include <windows.h>
#include <commctrl.h>

#define TREELIST_CLASS "TreeList"

// Registers the window class once per process: 1 when it is (now or already) registered,
// 0 when RegisterClassExA failed (tried again on the next call).
int RegisterTreeListClass(HINSTANCE instance) noexcept;

// --- own messages (wParam / lParam as noted; results 0 unless noted)
enum TreeListMessage : UINT {
    TLM_COLUMNWORD = 0x114E,      // column | 0x10000 set+repaint, | 0 set, higher read; old word
    TLM_SETITEMDATA = 0x114F,     // data, item
    TLM_GETITEMDATA = 0x1150,     // 0, item
    TLM_COUNTITEMS = 0x1151,      // 0, TreeListCount*
    TLM_BEGINDRAG = 0x1152,       // start flags, item
    TLM_SETCOLORREC = 0x1153,     // item, TreeListColorRecord*
    TLM_DRAGTIMER = 0x1154,       // options, interval ms (0 stops)
    TLM_RUNQUEUE = 0x1155,        // runs the deferred work (posted by the control itself)
    TLM_SETDROPMARK = 0x1156,     // height (0 = row height), item (TVI_LAST below the rows)
    TLM_SETITEMS = 0x1157,        // 0, TVITEMA* with the group bits below
    TLM_MOVEITEM = 0x1158,        // + placement 0..3: target, item
    TLM_SETCOLUMNORDER = 0x115C,  // count (or kReadHeaderOrder), int* order
    TLM_GETCOLUMNORDER = 0x115D,  // count, int* order
    TLM_SETFOCUSCELL = 0x115E,    // column (-1 keep), item (-1 caret, 0 clear)
    TLM_GETVISIBILITY = 0x115F,   // column, item: -1 .. 4
    TLM_PROPERTY = 0x1160,        // number | kPropertyWrite, value; the old value
    TLM_SELECTRUN = 0x1161,       // flags (1 subtrees, 2 deselect), item
    TLM_FINDITEM = 0x1163,        // start item, TreeListFind*
    TLM_GETROWSFIT = 0x1164,
    TLM_SETCOLUMNAUX = 0x1165,    // column, its choice list (column | TLA_IMAGEBASE: first image)
    TLM_SETCOLUMNOPTIONS = 0x1167,// option word (see TreeListOption), 0
    TLM_SORTITEMS = 0x1168,       // whole subtree, TreeListSort*
    TLM_GETEXTRA = 0x1169,        // 0, item: pointer to the item's extra bytes
    TLM_GETEXTRACOUNT = 0x116A,
    TLM_SETEXTRACOUNT = 0x116B,   // 0, count 0..0x1000000 (only while empty)
    TLM_GETCOLUMNWIDTH = 0x116C,  // column
    TLM_SETCOLUMNWIDTH = 0x116D,  // column, width
    TLM_GETCOLUMN = 0x116F,       // column, LVCOLUMNA*
    TLM_SETCOLUMN = 0x1171,       // column, LVCOLUMNA* (own mask/format bits below)
    TLM_GETROWOFITEM = 0x1172,    // 0, item: row index or -1
    TLM_GETROWCOUNT = 0x1173,
    TLM_GETITEMOFROW = 0x1174,    // 0, row index
    TLM_GETTEXTCOLOR = 0x1175,    // item, column
    TLM_SETTEXTCOLOR = 0x1176,    // item | column << 24 (255 all), colour
    TLM_GETBKCOLOR = 0x1177,
    TLM_SETBKCOLOR = 0x1178,
    TLM_SETDROPHILITE = 0x1179,   // column, item
    TLM_SELECTCELL = 0x117A,      // column, item
    TLM_INSERTCOLUMN = 0x117C,    // index, LVCOLUMNA*
    TLM_DELETECOLUMN = 0x117D,    // column
    TLM_GETCOLUMNCOUNT = 0x117E,
    TLM_GETHEADER = 0x117F,
};

const WPARAM kPropertyWrite = 0x80000000u;
const WPARAM kReadHeaderOrder = 0x88776655u;

// Properties (TLM_PROPERTY).
enum TreeListProperty {
    TLP_CALLER1 = 1,        // kept for the caller; also the step to an expanded item's image
    TLP_CALLER2 = 2,
    TLP_DROPOPTIONS = 3,    // TreeListDropOption
    TLP_PINNEDROWS = 4,
    TLP_UNSCROLLEDROW = 5,  // flag; the pinned separator is drawn while the first row equals it
    TLP_SELECTEDCOUNT = 6,  // read only
    TLP_EDITCLICK = 7,      // 0x1 the click edit needs the label text, 0x2 also when the caret moved
    TLP_HOOKCONTEXT = 8,    // owner-draw hook context (no lock)
    TLP_HOOK = 9,           // owner-draw hook (TreeListDrawHook, no lock)
    TLP_MINROWHEIGHT = 10,
    TLP_WINDOWPROC = 11,    // read only
    TLP_LOCKEDSTATE = 12,   // state bits that lock a check box
    TLP_SCROLLMARGIN = 13,  // rows kept around an item made visible (3)
    TLP_SPANMASK = 14,
    TLP_AUTOWIDTH = 15,     // extra width for column 0 sized to its contents; 0 off
    TLP_PINNEDEDIT = 16,    // only pinned rows can be edited
};

// --- extended styles (TVM_SETEXTENDEDSTYLE: the whole word is the control's own)
enum TreeListExStyle : DWORD {
    TLX_MULTISELECT = 0x2,
    TLX_TABTOPARENT = 0x40,
    TLX_SCROLLNOTIFY = 0x8,        // -441 before each scroll; a non-zero answer refuses it
    TLX_NOHSCROLL = 0x20,
    TLX_RCLICKKEEPS = 0x100,       // a right click selects nothing
    TLX_HIDDENITEMS = 0x200,       // state bit TLIS_HIDDEN removes an item and its subtree
    TLX_KEEPVSCROLL = 0x400,
    TLX_GEOMETRYNOTIFY = 0x800,    // -438 on column geometry changes
    TLX_HEADERDRAG = 0x1000,
    TLX_ONECHECKED = 0x2000,
    TLX_KEEPODDHEIGHT = 0x4000,    // also: arrow keys leave the in-place editor
    TLX_CHECKBIT = 0x8000,         // check state in state bit 0x1000 alone
    TLX_GRIDLINES = 0x10000,
    TLX_ALTROWS = 0x20000,
    TLX_CELLSELECT = 0x40000,
    TLX_FULLROWSELECT = 0x80000,
    TLX_TIPOFFER = 0x100000,       // -432 offers the parent each tool tip
    TLX_EXPANDEDIMAGE = 0x200000,  // an expanded item with children shows the next image
    TLX_NOSEARCH = 0x400000,
    TLX_FIXEDWIDTHS = 0x800000,
    TLX_HIDEHEADER = 0x1000000,
    TLX_DISABLEDCOLORS = 0x2000000,
    TLX_KEEPTOTAL = 0x8000000,
    TLX_CTRLHOMEEND = 0x10000000,
    TLX_KEEPIMAGELIST = 0x20000000,
    TLX_EDITONCLICK = 0x40000000,
};

// The colour table (TVM_SETBKCOLOR / TVM_GETBKCOLOR take the entry in wParam).
enum TreeListColor {
    TLCOL_BACKGROUND = 0, TLCOL_ODDROW = 1, TLCOL_EVENROW = 2, TLCOL_GRID = 3, TLCOL_TEXT = 4,
    TLCOL_LINES = 5,             // the sign of the classic expand button (lines use the class's dotted pen)
    TLCOL_BUTTONFRAME = 6, TLCOL_FULLROWTEXT = 7, TLCOL_FULLROWSEL = 8, TLCOL_FULLROWSELEVEN = 9,
    TLCOL_INSERTMARK = 10, TLCOL_BUTTONFACE = 11, TLCOL_COLUMN = 12, TLCOL_ODDCOLUMN = 13,
    TLCOL_EVENCOLUMN = 14, TLCOL_DISABLED = 15, TLCOL_PINNEDLINE = 16, TLCOL_INACTIVESEL = 17,
    TLCOL_COUNT = 18
};

// Item state bits beyond the standard ones.
const UINT TLIS_FOCUSED = 0x1;        // underlined label
const UINT TLIS_HIDDEN = 0x4000;       // with TLX_HIDDENITEMS (state image 4)
const UINT TLIS_SPAN0 = 0x10000;       // bit 16 + c: the cell of column c runs on into c + 1

// --- item records: TVITEMA with own mask bits
const UINT TLIF_CELL = 0x8000;         // the cell of the column in cChildren (0 = the item)
const UINT TLIF_DEFERRED = 0x10000;    // state changes, repaints and row rebuilds queued
const UINT TLIF_CELLSTATE = 0x2000;    // with TLIF_CELL: all masked state bits go to the cell
const UINT TLIF_TEXTPOINTER = 0x80000000u; // get: a pointer to the stored text
const UINT TLIF_PARAM2 = 0x10000000;   // insert: item data from the word after the TVITEMA
// Group set (TLM_SETITEMS) and count (TLM_COUNTITEMS) choices and filters.
const UINT TLG_SIBLINGS = 0x100000, TLG_SELF = 0x200000, TLG_ANCESTORS = 0x400000, TLG_SUBTREE = 0x2000000;
const UINT TLG_FILTERHIGH = 0x10000, TLG_FILTERLOW = 0x20000, TLG_SWAPHALVES1 = 0x40000, TLG_SWAPHALVES2 = 0x80000;
const UINT TLG_CHOICE_BITS = TLG_SIBLINGS | TLG_SELF | TLG_ANCESTORS | TLG_SUBTREE;
const UINT TLG_FILTER_BITS = TLG_FILTERHIGH | TLG_FILTERLOW | TLG_SWAPHALVES1 | TLG_SWAPHALVES2;

// TVM_INSERTITEMA record: TVINSERTSTRUCTA with the further word after the TVITEMA.
struct TreeListInsert {
    HTREEITEM hParent;
    HTREEITEM hInsertAfter;
    TVITEMA item;
    LPARAM data2;
};
// Insert-after codes beyond TVI_ROOT, TVI_FIRST, TVI_LAST and TVI_SORT.
const UINT TLI_AFTERPARENT = 0xFFFF0005;   // directly after the given parent, as its sibling
const UINT TLI_BEFOREPARENT = 0xFFFF0006;  // directly before it
const UINT TLI_COMPARE = 0xFFFF0007;       // sorted by the comparison in item.hItem
const UINT TLI_POSITION = 0xFFE00000;      // + n: at position n among the children
const UINT TLI_DELETEUNPINNED = 0xFFFF0009;// TVM_DELETEITEM: all but the pinned top rows
const UINT TLI_FOCUSITEM = 0xFFFF0008;     // TVM_ENSUREVISIBLE: the focus cell's item
const UINT TLI_EMPTYAREA = 0xFFFF0002;     // drop target below the rows

// Comparison of a sorted insertion: (control, sibling, sibling's text, new text, sibling's
// data, the insertion's item-data field); negative when the new item sorts before.
typedef int(CALLBACK* TreeListInsertCompare)(HWND, UINT, LPCSTR, LPCSTR, LPARAM, LPARAM);
// Comparison of TLM_SORTITEMS: (control, item1, item2, data1, data2, lParamSort).
typedef int(CALLBACK* TreeListItemCompare)(HWND, UINT, UINT, LPARAM, LPARAM, LPARAM);
struct TreeListSort {
    HTREEITEM hParent;
    TreeListItemCompare compare;
    LPARAM lParamSort;
};

// TLM_FINDITEM record and flags.
struct TreeListFind {
    UINT flags;
    int column;
    UINT state;
    UINT stateMask;
    LPARAM data;
    LPCSTR text;
};
const UINT TLF_TEXT = 0x1, TLF_DATA = 0x4, TLF_STATE = 0x8;
const UINT TLF_SHOWNONLY = 0x1000000, TLF_CHILDREN = 0x2000000, TLF_AFTER = 0x4000000,
           TLF_NOCASE = 0x8000000, TLF_RECURSIVE = 0x10000000, TLF_INTOCHILDREN = 0x20000000;

// TLM_COUNTITEMS record.
struct TreeListCount {
    UINT flags;   // group choice bits | TLC_* tests
    HTREEITEM hItem;
    UINT state;
    UINT stateMask;
    UINT unused1, unused2;
    int image;
    UINT unused3, unused4;
    LPARAM data;
};
const UINT TLC_IMAGE = 0x2, TLC_DATA = 0x4, TLC_STATE = 0x8, TLC_ALL = 0x10;

// TLM_SETCOLORREC record.
struct TreeListColorRecord {
    BYTE flags;     // 0x1 text colour (else background), 0x2 redraw through the queue
    BYTE column;
    BYTE unused[2];
    COLORREF color;
};

// TLM_SETCOLUMNOPTIONS option word: bits 0-7 edit flags, 8-10 editor kind, 11-16 column,
// 17-24 the separator of a choice string (0: entries end at zero bytes, the list at an
// empty entry), 25-26 editor alignment (0 left, 1 centre, 2 right).
enum TreeListEditKind { TLE_NONE = 0, TLE_TEXT = 1, TLE_COMBO = 2, TLE_LIST = 3, TLE_CYCLE = 4,
                        TLE_TEXTORCYCLE = 5, TLE_CHECK = 6, TLE_CHECKORTEXT = 7 };
const UINT TLO_ENTERMOVES = 0x1, TLO_DBLCLKEDITS = 0x2, TLO_FILLCELL = 0x4, TLO_ARRAY = 0x8,
           TLO_NOTYPING = 0x10, TLO_READONLYBIT = 0x20, TLO_CHECKINCELL = 0x40, TLO_DROPNOW = 0x80;
inline UINT TreeListOption(int column, int kind, UINT flags) { return (UINT(column & 63) << 11) | (UINT(kind & 7) << 8) | (flags & 0xFF); }
// TLM_SETCOLUMNAUX gives a column with an editor kind its choice list: a string cut at the
// separator, or an array of strings with TLO_ARRAY; the caller keeps it alive; a list is read
// to its end, at most 1024 entries. With TLA_IMAGEBASE in wParam the value is instead the
// image of the first entry (-1: none), the only way to give a column one: without it the
// images that the end of an edit and a cycle take from the entry's place could never be set.
// TLM_SETCOLUMNOPTIONS takes both away again.
const WPARAM TLA_IMAGEBASE = 0x200;

// LVCOLUMNA own bits (TLM_INSERTCOLUMN, TLM_SETCOLUMN): mask bit = format bit of the same value.
const UINT TLCF_COLORED = 0x10000000;   // flag A: the column's cells take the column colours
const UINT TLCF_HIDDEN = 0x20000000;
const UINT TLCF_FILL = 0x40000000;      // TLM_SETCOLUMN: share widths among fill columns
const UINT TLCF_OWNERDRAW = 0x80000000u;// flag B: cells go through the owner-draw hook
const int kRestoreWidth = 0x44332211;   // TLM_SETCOLUMN width: the width saved when hidden

// --- notifications beyond the standard ones
enum TreeListNotify {
    TLN_TIPOFFER = -432,     // NMTVDISPINFOA-like: the parent may supply the tip text
    TLN_CHECKED = -433,      // NMTREEVIEWA: a check box toggled
    TLN_CYCLED = -434,       // NMTREEVIEWA: a cycling cell took its next entry
    TLN_EDITREQUEST = -435,  // TreeListEditRequest: how to edit (result below)
    TLN_LBUTTONUP = -436,
    TLN_RBUTTONUP = -437,
    TLN_COLUMNGEOMETRY = -438, // TreeListColumnNotify
    TLN_HEADERRCLICK = -439,   // TreeListHeaderHit
    TLN_DROP = -440,           // NMTREEVIEWA: a drop or a cancelled drag
    TLN_BEFORESCROLL = -441,   // TreeListScrollNotify; non-zero refuses
};

struct TreeListColumnNotify {
    NMHDR hdr;
    int column;
    int position;
    int left;
    int width;
};
struct TreeListScrollNotify {
    NMHDR hdr;
    WORD bar;     // 0 horizontal, 1 vertical
    WORD cause;
    int hPos;
    int firstRow;
};
struct TreeListHeaderHit {
    NMHDR hdr;
    HDHITTESTINFO hit;
};

// TLN_EDITREQUEST record. The parent's result: 0 no edit; otherwise bits 8-15 the separator
// of the choice string, bit 7 the string came from TreeListAllocChoices and is freed after
// use, bit 28 open the list at once, bit 29 a combo box, bit 30 with 29 a list-only combo
// (the current text is not put into it), bit 31 the editor fills the cell.
struct TreeListEditRequest {
    NMHDR hdr;
    TVITEMA item;
    UINT key;          // 13, character | 0x1000000, 0x10000 double click, 0x10002 click, 0x10004 paste
    int dropWidth;
    int choiceCount;   // 255 on entry
    LPSTR choices;
    LPSTR* choiceArray;
    int x, y;
};
const UINT TLR_ALLOCATED = 0x80, TLR_DROPNOW = 0x10000000, TLR_COMBO = 0x20000000,
           TLR_LISTONLY = 0x40000000, TLR_FILLCELL = 0x80000000u;
// The allocator of choice strings handed over with TLR_ALLOCATED: the process heap, so that
// a parent in another module can hand one over.
LPSTR TreeListAllocChoices(SIZE_T bytes) noexcept;
void TreeListFreeChoices(LPSTR choices) noexcept;

// Owner-draw hook (properties 9 and 8): result 1 drew it, above 1 keep the background and
// draw the default over it, 0 default drawing.
struct TreeListDrawRecord {
    HWND window;
    UINT item;
    RECT* rect;
    LPARAM data;
    LPCSTR text;
    int textLength;
    UINT state;          // bits 0-15 the state, 16-23 the flag byte
    int row;
    BYTE column;
    BYTE textTop;
    BYTE unused[2];
    COLORREF textColor;
};
typedef int(CALLBACK* TreeListDrawHook)(HDC, LPARAM context, TreeListDrawRecord*);

// Drop options (property 3). One meaning each:
enum TreeListDropOption {
    TLD_COPYKEEPSBAND = 0x1,   // Ctrl does not switch the drag to dropping onto items
    TLD_KEEPLEVEL = 0x2,       // a dropped item keeps its level
    TLD_KEEPPARENT = 0x4,      // ... and its parent
    TLD_NOCHILDREN = 0x8,      // items that have children are not dropped
    TLD_PINNED = 0x10,         // no drop into the pinned rows
    TLD_REPORTEMPTY = 0x40,    // a drop below the rows is only reported (-440)
    TLD_NOTIFYCANCEL = 0x80,   // Escape during a drag is reported (-440)
    TLD_NEEDSTEXT = 0x100,     // a drag needs a caret item with text
    TLD_NOEMPTY = 0x200,       // no drop below the rows
};

// Hit-test flags beyond TVHT_*; the column hit is in bits 24-31.
const UINT TLHT_ONTEXT = 0x40000, TLHT_ONCELLTEXT = 0x80000, TLHT_INCELL = 0x100000,
           TLHT_ONCELLBOX = 0x200000, TLHT_ONCELL = 0x400000, TLHT_PASTCOLUMNS = 0x800000;
