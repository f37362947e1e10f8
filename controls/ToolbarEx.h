// "ToolbarExWindow32": the library's own toolbar window. It answers the numeric message set
// of the system's common toolbar (TB_*, same numbers, records and results where the two
// agree) and has messages of its own above them (button widths, masked state and flag
// changes over ranges, text overlays, bitmaps of images of varying width, a colour palette,
// fitting to a width). Buttons may hold embedded controls (combo boxes, edits) whose
// commands the toolbar forwards. Each button is drawn once into a cached image holding all
// its looks and then only copied.
//
// Where this toolbar answers differently from the common one: TB_GETTOOLTIPS is 0 (there is
// no tooltip window; the class library's bars show tooltips themselves), TB_SETPADDING
// returns the new padding, TB_HITTEST gives -1 between buttons and on margins,
// TB_GETBUTTONINFO gives -1 for a missing button, and a click posts WM_COMMAND to the
// command target (the parent at creation) only when the button is enabled.
#pragma once
#include <windows.h>
#include <commctrl.h>

#define TOOLBAREX_CLASSNAME "ToolbarExWindow32"

// Registers the class (once; 1 when it is registered, 0 when RegisterClassExA fails).
int RegisterToolbarExClass(HINSTANCE instance);

// The second command a selection change of an embedded combo box issues: the selected
// item's data, or, when that is below 1, the control's id plus the selection's index.
LRESULT TbxComboSelectionCommand(HWND combo);

// --- the own messages
enum : UINT {
    TBX_RETRACK = 0x46A,           // re-evaluate the hot button at the cursor
    TBX_REMOVEOVERLAY = 0x46B,     // 0x1222xxxx (item id) or the item's reference
    TBX_ADDOVERLAYW = 0x46C,       // ToolbarOverlayRecord*, UTF-16 text
    TBX_ADDOVERLAYA = 0x46D,       // ToolbarOverlayRecord*, 8-bit text
    TBX_RELAYOUT = 0x46E,          // dirty flags to add, LOWORD(lParam) != 0 repaints now
    TBX_SETBUTTONWIDTH = 0x46F,    // ref, width 0..512 (0 automatic) -> old fixed width
    TBX_FINDCONTROL = 0x470,       // -, HWND -> index of the button holding that control
    TBX_SETTEXTW = 0x471,          // ref, text -> string index now used
    TBX_SETTEXTA = 0x472,
    TBX_SETSTATESTYLE = 0x473,     // ref, style value/mask, state value/mask (see below)
    TBX_GETSTATESTYLE = 0x474,     // ref -> state << 16 | style
    TBX_SETCOMMAND = 0x475,        // ref, id -> old id
    TBX_GETCOMMAND = 0x476,
    TBX_SETIMAGE = 0x477,          // ref, global image index -> old
    TBX_GETIMAGE = 0x478,
    TBX_SETSTRINGINDEX = 0x479,    // ref, string index -> old
    TBX_GETSTRINGINDEX = 0x47A,
    TBX_DELETESTRINGS = 0x47B,     // first, count -> number deleted
    TBX_FINDSTRINGW = 0x47C,       // MAKELONG(first, count), text -> index or -1
    TBX_FINDSTRINGA = 0x47D,
    TBX_STRINGCOUNT = 0x47E,
    TBX_COUNTBYFLAGS = 0x47F,      // MAKELONG(first, end), MAKELONG(value, mask)
    TBX_SETSTYLES = 0x480,         // MAKELONG(first, end) or MAKELONG(id, 0x1248), MAKELONG(value, mask)
    TBX_SETSTATES = 0x481,
    TBX_SETOWNFLAGSRANGE = 0x482,
    TBX_COUNTIMAGES = 0x483,       // 0xFFFF: lParam a bitmap; below: resource id in module lParam; above: a DibImage*, lParam its stride
    TBX_DESCRIBEBITMAPS = 0x484,   // MAKELONG(first, count), ToolbarBitmapInfo[]
    TBX_LISTCOMMANDS = 0x485,      // n, UINT32[] -> number copied
    TBX_REMOVEBITMAPS = 0x486,
    TBX_DELETERANGE = 0x487,       // first, end -> number deleted
    TBX_THIRDTARGET = 0x488,       // asked of the toolbar itself: 0
    TBX_IMAGESIZE = 0x489,
    TBX_COMMANDBYINDEX = 0x48A,
    TBX_GETOWNFLAGS = 0x48B,
    TBX_SETOWNFLAGS = 0x48C,       // ref, MAKELONG(value, mask) -> old flags
    TBX_GETDATA = 0x48D,
    TBX_SETDATA = 0x48E,
    TBX_IMAGESCALE = 0x48F,        // -1 or bitmap index, scale in 1/256 (0 = 256, -1 = read) -> old
    TBX_IDEALSIZE = 0x490,
    TBX_FIT = 0x491,               // target, flags (TBXFIT_*) -> MAKELONG(width, height)
    TBX_INSERTBUTTON = 0x492,      // as TB_INSERTBUTTON, own flags cleared
    TBX_ADDBUTTONS = 0x493,        // as TB_ADDBUTTONS, own flags kept
    TBX_KEYCOLOR = 0x494,          // index 0/1 (bit 31 = set), colour -> old
    TBX_PALETTE = 0x495            // index 0..8, colour or -1 (system default) -> old
};

// Button references: a button argument of any message may be one of these.
inline DWORD TbxRefIndex(int index) { return 0x12340000u | (static_cast<DWORD>(index) & 0xFFFF); }
inline DWORD TbxRefCommand(int id) { return 0x12480000u | (static_cast<DWORD>(id) & 0xFFFF); }
// The n-th (from 0) button with the command id, n below 128.
inline DWORD TbxRefNthCommand(int id, int n)
{
    return 0x12800000u | ((static_cast<DWORD>(n) & 0x7F) << 16) | (static_cast<DWORD>(id) & 0xFFFF);
}
// The n-th button carrying any of the own flags in the top four bits of `flags` (0x1000..0x8000).
inline DWORD TbxRefNthFlagged(WORD flags, int n)
{
    return 0x12800000u | ((static_cast<DWORD>(n) & 0x7F) << 16) | (flags & 0xF000u) | 0x0E7Eu;
}

// Own flags of a button (the two reserved bytes of its TBBUTTON).
enum : WORD {
    TBXF_FLAT = 0x0008,          // drawn flat even in a raised toolbar
    TBXF_NEVERFLAT = 0x0010,
    TBXF_NOCHECKLOOK = 0x0020,
    TBXF_NODISABLEDLOOK = 0x0040,
    TBXF_NOHOTLOOK = 0x0080,
    TBXF_NOSTACK = 0x0100,
    TBXF_FIXEDWIDTH = 0x0200,    // fixed width in the low half of the data word
    TBXF_RIGHTCLICK = 0x0400,    // right click issues id + 1, the arrow part sends TBN_DROPDOWN
    TBXF_COLOR565 = 0x0800,      // with TBXF_COLOR: two 5-6-5 colours in the data word
    TBXF_COLOR = 0x1000,         // the data word is painted into the key-colour areas
    TBXF_CONTROL = 0x2000,       // the data word is an embedded control's window
    TBXF_LABEL = 0x4000,
    TBXF_LABEL2 = 0x8000
};

// Flags of TBX_FIT.
enum : DWORD {
    TBXFIT_KEEP = 0x01,          // keep the wrap states found
    TBXFIT_HEIGHT = 0x02         // the target is a height: the smallest width keeping it
};

// The extended record of TB_ADDBITMAP with HIWORD(wParam) 0x1234.
#pragma pack(push, 2)
struct ToolbarAddBitmapRecord {
    DWORD module;          // 0: `id` is a bitmap handle
    DWORD id;
    WORD flags;            // TBXBM_*
    WORD count;            // written back with TBXBM_COUNTNOW
    WORD width;            // 4094: images of varying width (written back with 0x10)
    WORD scale;            // 1/256, 0 = 256 (the height written back with 0x20)
};
#pragma pack(pop)
enum : WORD {
    TBXBM_EVEN = 0x01,       // the width must divide evenly by the count (else varying)
    TBXBM_BYWIDTH = 0x02,    // count = bitmap width / image width
    TBXBM_OWN = 0x04,        // the toolbar owns (and deletes) the bitmap handle
    TBXBM_COUNTNOW = 0x08,   // count the images now
    TBXBM_VARYING_WIDTH = 4094
};

// A record of TBX_DESCRIBEBITMAPS.
struct ToolbarBitmapInfo {
    DWORD module;
    DWORD id;
    WORD count;
    WORD scale;
    WORD width;   // 0 for varying widths
    WORD height;
};

// The record of TBX_ADDOVERLAYW/A.
#pragma pack(push, 2)
struct ToolbarOverlayRecord {
    DWORD ref;
    short x;
    short y;
    BYTE flags;    // bits 0-1 0/1/2 left/centre/right, bits 2-3 0/4/8 top/centre/bottom,
                   // 0x20 replace the item with the same reference, 0x40 low half is an index
    BYTE id;
    BYTE spare[2];
};
#pragma pack(pop)
