// The data side of "ToolbarExWindow32": its state block with the button table, string pool
// and bitmap table, the three forms of button references, check groups, the separator scan
// of bitmaps whose images vary in width, the size of each button, the layout in rows or a
// column, the fit to a width, the hit test and the insert mark. No window is needed: a block
// made by TbxNewBlock works alone (the window procedure hangs one on each window and only
// translates messages into these calls). The caller holds the block's lock.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include "controls/ControlFrame.h"
#include "controls/ToolbarEx.h"
#include "uihelpers/DibImage.h"

// Paint and layout flags of a button.
enum : WORD {
    TBXP_STATE_MASK = 0x0007,    // paint state 0-7 (the row of the cached image)
    TBXP_NOSTACK = 0x0010,
    TBXP_IMAGE = 0x0040,
    TBXP_TEXTBELOW = 0x0080,
    TBXP_TEXTRIGHT = 0x0200,
    TBXP_TEXTROW = 0x0400,
    TBXP_REBUILD = 0x0800,
    TBXP_STACKMEMBER = 0x1000,
    TBXP_STACKFIRST = 0x2000,
    TBXP_STACKLAST = 0x4000,
    TBXP_TEXTONLY = 0x8000
};

// Dirty flags of the block.
enum : BYTE {
    TBXD_LAYOUT = 0x01,
    TBXD_SIZES = 0x02,
    TBXD_ALL = 0x04,
    TBXD_REBUILD = 0x08
};

// Window styles of the toolbar that its layout reads.
enum : DWORD {
    TBXS_STACK = 0x0020,      // small buttons stack in one cell
    TBXS_VERTICAL = 0x0080,
    TBXS_FLAT = 0x0800,       // TBSTYLE_FLAT
    TBXS_LIST = 0x1000        // TBSTYLE_LIST: text right of the image
};

struct ToolbarButton {
    // The caller's 20-byte record, in TBBUTTON order.
    int image;
    int command;
    BYTE state;
    BYTE style;
    WORD own;
    DWORD data;
    int string;
    // Ours.
    WORD paint;
    WORD cellWidth;
    WORD cellHeight;
    WORD extentX;       // the measured width and height, gaps and padding included
    WORD extentY;
    WORD packedWidth;   // content width (low 10 bits), arrow width (high 6 bits)
    RECT rect;
    DibImage* cache;    // the button in all its looks, one row per paint state
    int cacheRows;
};

// One bitmap of images. A bitmap of width code 4094 holds images of varying width, found by
// the separator scan (their places are kept as they are found).
struct ToolbarImagePlace {
    WORD left;
    WORD width;
    WORD height;
};
struct ToolbarBitmap {
    HMODULE module;
    UINT_PTR id;             // resource id, or the bitmap handle when module is 0
    DibImage* image;
    DWORD stride;
    WORD flags;              // TBXB_*
    int first;               // global index of its first image
    WORD count;
    WORD scale;              // 1/256
    WORD scanX;              // where the separator scan goes on
    WORD found;              // images found so far
    ToolbarImagePlace* places;
    WORD imageWidth;
    WORD imageHeight;
};
enum : WORD {
    TBXB_FIXED = 0x02,
    TBXB_VARYING = 0x04,
    TBXB_COUNTED = 0x08,
    TBXB_OWNED = 0x10,
    TBXB_ALPHA = 0x20        // a 32-bit picture with alpha of its own (found once, at loading)
};

struct ToolbarString {
    WORD length;
    wchar_t text[1];   // length characters and a terminating 0
};

struct ToolbarOverlay {
    ToolbarOverlay* next;
    short x;
    short y;
    DWORD ref;
    short dx;
    short dy;
    BYTE flags;       // as ToolbarOverlayRecord, 0x80 = place again
    BYTE id;
    wchar_t text[1];
};

struct ToolbarExBlock : ControlBlock {
    HTHEME theme = nullptr;          // "TREEVIEW"
    HTHEME theme2 = nullptr;         // only closed
    HFONT font = nullptr;            // 0: the shared default font
    HFONT measuredFont = nullptr;
    int sampleHeight = 0;
    HWND targets[3] = {};            // command target, second target, third target (-1: ask 0x488)
    COLORREF keyColors[2] = {};
    COLORREF palette[9] = {};
    BYTE paletteSet[9] = {};
    int textHeight = 0;
    int ascent = 0;                  // ascent + 1
    int variablePitch = 0;           // 0 for a fixed-pitch font, -1 otherwise
    int indent = 0;
    int minWidth = -1;
    int maxWidth = -1;
    SIZE button = {};
    SIZE image = {};
    SIZE padding = {};
    int gap[2] = {};
    ToolbarBitmap* bitmaps = nullptr;
    int bitmapCapacity = 0;
    int bitmapCount = 0;
    ToolbarButton** buttons = nullptr;
    int buttonCapacity = 0;
    int buttonCount = 0;
    ToolbarString** strings = nullptr;
    int stringCapacity = 0;
    int stringCount = 0;
    ToolbarOverlay* overlays = nullptr;
    int recordSize = 20;
    int scale = 256;
    int hot = -1;
    int insertMark = -1;
    DWORD insertFlags = 0;
    RECT insertRect = {};
    int lines = 0;
    SIZE ideal = {};
    int clientWidth = 0;
    int clientHeight = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    BYTE screenBits = 32;
    BYTE deepScreen = 1;
    BYTE enabled = 1;
    BYTE held = 0;
    BYTE arrowPressed = 0;
    BYTE themed = 0;
    BYTE dirty = 0;
    BYTE vertical = 0;
    BYTE fitMode = 0;
    BYTE hotOnArrow = 0;
    BYTE quietLayout = 0;            // a fit is trying layouts: it repaints what it leaves changed
    // Messages under way: a parent may destroy the toolbar while one of them waits on its
    // notification (TBN_DROPDOWN), and the block then goes when the outermost one ends.
    LONG nesting = 0;
    BYTE destroyed = 0;
};

// --- the block
// A block with the defaults of a new window (no window: tests and the window's WM_CREATE).
// Null when out of memory, or while TbxFailAllocations has failures left.
ToolbarExBlock* TbxNewBlock();
// The defaults of a new toolbar; `window` may be null.
void TbxInitDefaults(ToolbarExBlock* block, HWND window, DWORD style);
// Frees buttons, bitmaps, strings and overlays, then the block.
void TbxFreeBlock(ToolbarExBlock* block);
void TbxFreeTables(ToolbarExBlock* block);
// Test seam: the next `count` allocations of the toolbar fail.
void TbxFailAllocations(int count);
void* TbxAlloc(size_t size);
void TbxFree(void* p);
void TbxDefaultColors(ToolbarExBlock* block);

// --- buttons
// The index a button argument names (-1: none). `plainIsCommand`: a value that is no
// reference is a command id (the standard messages taking ids); else an index.
int TbxResolve(const ToolbarExBlock* block, DWORD ref, bool plainIsCommand);
// The first button with the command id, -1.
int TbxCommandToIndex(const ToolbarExBlock* block, int command);
// Inserts `count` records at `index` (clamped); the own flags are cleared unless `keepOwn`.
// false when out of memory (nothing of this call stays).
bool TbxInsertButtons(ToolbarExBlock* block, int index, const TBBUTTON* records, int count, bool keepOwn);
bool TbxDeleteButton(ToolbarExBlock* block, int index);
// Sets or clears one state bit; checking a group button first clears the group's checked
// member. Returns the index of that other member, or -1.
int TbxSetState(ToolbarExBlock* block, int index, BYTE bit, bool on);
// The checked member of the button's check group other than the button, -1.
int TbxCheckedGroupMember(const ToolbarExBlock* block, int index);
// The paint state a button shows when it is not hot.
WORD TbxRestingPaintState(const ToolbarButton* button);
// The look of the button under the mouse: hot (2), or hot pressed (3) when checked, pressed
// or a mouse button it tracks is held (`held`: 1 left, 2 right); 6 or 7 on a drop-down's
// arrow part; a greyed or indeterminate one keeps its resting look.
WORD TbxHotPaintState(const ToolbarButton* button, bool arrow, BYTE held);
// Sets the look of a button whose state bits changed: its resting look, or the hot look when
// it is the hot button and may look hot (shown, enabled, determinate).
void TbxSettleLook(ToolbarExBlock* block, int index);
// Hides the embedded control `data` names when it is a child of the toolbar: its cell is
// gone or has another control now. The layout shows the controls of the cells again.
void TbxHideCellControl(ToolbarExBlock* block, DWORD data);
// Copies the button's record (at most 20 bytes; the rest of `size` zero-filled).
void TbxCopyRecord(const ToolbarButton* button, void* out, int size);
// A button's look changed: rebuild and repaint it, or (`relayout`) mark the layout dirty for
// the TbxRelayout that ends the message.
void TbxMarkRebuild(ToolbarExBlock* block, int index, bool relayout);
// Every button to be rebuilt and laid out again; nothing repainted yet.
void TbxMarkAllForRebuild(ToolbarExBlock* block);
// Every button rebuilt and laid out again, the window repainted.
void TbxRebuildAll(ToolbarExBlock* block);
// Lays out now what a message made dirty (with a window), so that only the buttons that moved
// or whose look changed are repainted.
void TbxRelayout(ToolbarExBlock* block);

// --- strings
// Adds a list: a single string (sepMode 0xFFFE), a list whose first character is the
// separator (0xFFFF), or zero-terminated strings ending at an empty one (0). The index of
// the first added string, -1 (a string over 256 characters, out of memory).
int TbxAddStrings(ToolbarExBlock* block, const wchar_t* list, int sepMode);
int TbxAddStringsA(ToolbarExBlock* block, const char* list, int sepMode);
int TbxFindString(const ToolbarExBlock* block, const wchar_t* text, int first, int count);
int TbxDeleteStrings(ToolbarExBlock* block, int first, int count);
const ToolbarString* TbxString(const ToolbarExBlock* block, int index);
// Gives the button the text: an equal string in the pool is taken, else added. The index
// now used, -1 for a bad button or a bad text.
int TbxSetButtonText(ToolbarExBlock* block, int index, const wchar_t* text);

// --- bitmaps
// Adds a bitmap (module 0: `id` is a bitmap handle). `count` images, or by the width with
// TBXBM_BYWIDTH; width 4094 for varying widths. Returns the global index of its first image,
// -1 on failure. `outCount`/`outHeight` receive what the bitmap holds.
int TbxAddBitmap(ToolbarExBlock* block, HMODULE module, UINT_PTR id, WORD flags, int count, int width,
                 int scale, int* outCount, int* outWidth, int* outHeight);
int TbxRemoveBitmaps(ToolbarExBlock* block);
// 0x483: the separator scan over a bitmap that is not added (kind 0xFFFF: `source` is a
// bitmap handle; below: a resource id in module `source`; above: a DibImage, `source` its
// row stride), its pictures read as an added bitmap's are.
int TbxCountImages(WPARAM kind, LPARAM source);
// Replaces the bitmap (oldModule, oldId) by (newModule, newId) in place.
bool TbxReplaceBitmap(ToolbarExBlock* block, HMODULE oldModule, UINT_PTR oldId, HMODULE newModule, UINT_PTR newId,
                      int count);
// Where the image with the global index lies: its bitmap and rectangle. false when no
// bitmap holds it.
bool TbxImagePlace(ToolbarExBlock* block, int image, int* bitmap, RECT* rect);
// The separator scan over a packed image: counts images (up to `want`, 0xFFFF all) and
// records their places (may be null). Key = the first pixel of the first stored row.
int TbxScanImages(const BITMAPINFOHEADER* header, const void* bits, DWORD stride, int want,
                  ToolbarImagePlace* places, int capacity, WORD* scanX);
// The drawn size of an image of the bitmap (scales applied on deep screens).
SIZE TbxScaledImageSize(const ToolbarExBlock* block, int bitmap, SIZE size);

// --- sizes and layout
// The arrow part of a drop-down button for an image height.
int TbxArrowWidth(int imageHeight);
// Measures a text in the toolbar's font: width and height.
SIZE TbxMeasureText(ToolbarExBlock* block, const wchar_t* text, int length, bool noPrefix);
// Measures one button (extentX/Y, paint flags of its text placement).
void TbxMeasureButton(ToolbarExBlock* block, ToolbarButton* button);
// Lays the buttons out when a dirty flag is set (`force`: always).
void TbxLayout(ToolbarExBlock* block, bool force = false);
// Fits the buttons to a target (TBX_FIT); returns MAKELONG(width, height).
DWORD TbxFit(ToolbarExBlock* block, int target, DWORD flags);
// Index of the button under the point, -1; *onArrow set when on its drop-down part.
int TbxHitTest(ToolbarExBlock* block, POINT pt, bool* onArrow);
// The inner rectangle a hit must lie in.
RECT TbxInnerRect(const ToolbarExBlock* block, const ToolbarButton* button);
// Sets the insert mark (index, flags 1 = after); returns whether its rectangle changed.
bool TbxSetInsertMark(ToolbarExBlock* block, int index, DWORD flags, RECT* oldRect);
// TB_INSERTMARKHITTEST.
bool TbxInsertMarkHitTest(ToolbarExBlock* block, POINT pt, int* index, DWORD* flags);

// --- window side effects the model asks for (nothing without a window)
void TbxInvalidate(ToolbarExBlock* block, const RECT* rect);
// Repaint after an insertion or deletion at `index`: from the previous button's left edge
// when there is one line, else all.
void TbxInvalidateFrom(ToolbarExBlock* block, int index);

// --- fonts and drawing
// The shared default font (the icon-title font at three quarters, at least 12 pixels).
HFONT TbxDefaultFont(bool bold);
HFONT TbxFont(const ToolbarExBlock* block);
// Takes the font's metrics; true when they changed.
bool TbxTakeFontMetrics(ToolbarExBlock* block);
// The row of the cached image a paint state shows, after the looks the own flags forbid.
int TbxLookRow(const ToolbarButton* button, int state);
// Draws the button in all its looks into its cache (rows of the cell's height).
void TbxRenderButton(ToolbarExBlock* block, int index);
// Paints the toolbar's client area (or its `update` part) into the device context.
void TbxPaint(ToolbarExBlock* block, HDC dc, const RECT* update);

// --- the messages that change buttons (controls/ToolbarExEdit.cpp); results as the messages'
// 0x473: style value/mask in the low, state value/mask in the high half (or 0x73C3 form).
LRESULT TbxSetStateStyle(ToolbarExBlock* block, int index, DWORD word);
// 0x480-0x482 (the message says which field).
LRESULT TbxSetRange(ToolbarExBlock* block, UINT message, WPARAM range, LPARAM valueMask);
// TB_GETBUTTONINFO and TB_SETBUTTONINFO (both character forms).
LRESULT TbxGetButtonInfo(ToolbarExBlock* block, WPARAM which, void* record, bool wide);
LRESULT TbxSetButtonInfo(ToolbarExBlock* block, WPARAM which, const void* record, bool wide);
LRESULT TbxSetOwnFlags(ToolbarExBlock* block, int index, WORD value, WORD mask);
LRESULT TbxSetData(ToolbarExBlock* block, int index, DWORD value);
LRESULT TbxSetFixedWidth(ToolbarExBlock* block, int index, int width);
LRESULT TbxSetImage(ToolbarExBlock* block, int index, int image);
LRESULT TbxSetStringIndex(ToolbarExBlock* block, int index, int string);
// 0x48F: bitmap -1 is the toolbar's own scale.
LRESULT TbxImageScale(ToolbarExBlock* block, int which, int scale);
LRESULT TbxAddOverlay(ToolbarExBlock* block, const ToolbarOverlayRecord* record, const wchar_t* text);
LRESULT TbxRemoveOverlay(ToolbarExBlock* block, DWORD key);
