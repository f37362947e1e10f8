// Inside "FastList": the state block of one list window and the routines its parts share
// (FastList.cpp messages and items, FastListColumns.cpp header and columns, FastListPaint.cpp
// painting, FastListInput.cpp keys, mouse, scrolling, tooltips and editing).
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <uxtheme.h>
#include <string>
#include <vector>
#include "controls/ControlFrame.h"
#include "controls/FastList.h"
#include "controls/FastListModel.h"

// Timers of the list.
const UINT_PTR kFastListRefreshTimer = 14609;
const UINT_PTR kFastListTooltipTimer = 14610;

// Pending work of the deferred refresh.
enum : UINT {
    FLPEND_TOP = 0x01,
    FLPEND_TOOLTIP = 0x02,
    FLPEND_ENSURE = 0x04,
    FLPEND_HSCROLL = 0x08,
    FLPEND_VSCROLL = 0x10,
    FLPEND_REDRAW = 0x20,
    FLPEND_ROWS = 0x40,
    FLPEND_RECOUNT = 0x80,
    FLPEND_SELNOTIFY = 0x100,
};

// Item flags of the deferred selection notices: a notice pending, and whether the item was
// selected when it was marked (what the parent heard last).
const BYTE kItemSelectionPending = 0x02;
const BYTE kItemWasSelected = 0x04;

inline void FastListMarkSelectionPending(FastListItem* item, bool wasSelected) noexcept
{
    if (item->flags & kItemSelectionPending)
        return;   // the first mark of the window keeps the selection the parent knows
    item->flags = static_cast<BYTE>((item->flags & ~kItemWasSelected) | kItemSelectionPending |
                                    (wasSelected ? kItemWasSelected : 0));
}

// Image lists of a list: check boxes, item images, second state images, the fourth list,
// header images.
enum { FLIL_CHECK = 0, FLIL_ITEM = 1, FLIL_STATE2 = 2, FLIL_FOURTH = 3, FLIL_HEADER = 4, FLIL_COUNT = 5 };
// The value 1 given as check-box or state list: themed boxes drawn by the list.
const HIMAGELIST kThemedBoxes = reinterpret_cast<HIMAGELIST>(1);

struct FastListImages {
    HIMAGELIST list = nullptr;
    int cx = 0;
    int cy = 0;
    bool owned = false;
};

struct FastListBlock : ControlBlock {
    HTHEME theme = nullptr;            // "BUTTON" of this window, for themed check boxes
    FastListImages images[FLIL_COUNT];
    LPARAM owner9 = 0;
    LPARAM owner10 = 0;
    HWND edit = nullptr;
    HWND header = nullptr;
    HWND tooltip = nullptr;
    COLORREF colours[13] = {};
    bool colourSet[13] = {};
    FastListDestroyCallback destroyCallback = nullptr;
    void* destroyContext = nullptr;
    FastListTextCallback textCallback = nullptr;
    void* textContext = nullptr;
    FastListPaintHook paintHook = nullptr;
    void* paintContext = nullptr;
    int margin = 0;
    HFONT fonts[4] = {};
    bool ownFonts = false;             // the bold font was made here
    int fontHeight = 0;
    int ellipsis[2] = {0, 0};          // width of "..." in the normal and bold font
    int rowHeight = 16;
    bool rowHeightSet = false;
    FastListItems items;
    int top = 0;
    int originX = 0;
    int visibleWidth = 0;
    int clientWidth = 0;
    int clientHeight = 0;
    int headerHeight = 0;
    int partialRows = 0;
    int wholeRows = 0;
    int selected = 0;
    FastListIndices index;
    int focusColumn = 0;
    int markColumn = 0;
    int hotColumn = -1;
    int tooltipColumn = -1;
    int editColumn = -1;
    int pendingEnsureItem = -1;
    int pendingEnsureMode = 0;
    int pendingEnsureCause = 0;
    int pendingRowFirst = -1;
    int pendingRowLast = -1;
    int pendingTop = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    FastListColumns columns;
    char text[2044] = {};
    // Flags.
    int refreshMark = 0;               // 1 refresh asked, 2 after work, counted up by idle ticks
    bool deferred = false;
    UINT pending = 0;
    bool busy = false;                 // a sort runs
    bool enabled = true;
    bool focused = false;
    LRESULT keyDownAnswer = 0;
    bool refreshTimer = false;
    // Properties.
    LPARAM ownerValue5 = 0;
    signed char ownerByte7 = 0;
    const COLORREF* attrColours = nullptr;
    LPARAM ownerValue11 = 10;
    int headerExtra = 0;
    int smallSize = 0;
    // Scroll bars: when they were last drawn; an update held back waits for the timer.
    DWORD scrollBarTick = 0;
    bool scrollBarHeld = false;
    int lastScrollCount = -1;
    int lastScrollRows = -1;
    // Mouse.
    int pressButton = 0;               // 1 left, 2 right, for drag detection
    int pressItem = -1;
    int pressColumn = 0;
    bool pressPending = false;         // a press on a selected item waits for the release
    bool rightDrag = false;
    bool tracking = false;             // mouse-leave tracking asked
    int hotCheck = -1;                 // the own themed check box under the pointer
    // Tooltip.
    std::vector<char> tipText;
    int tipCountdown = 0;
    RECT tipRect = {};
    bool tipShown = false;
    bool tipBold = false;              // the cell's text is bold, and so is the tooltip's
    bool tipTimer = false;
    WNDPROC tipOldProc = nullptr;
    // Attached data source.
    FastListSource source = {};
    bool sourceAttached = false;
    // Own check-box images made by the list (so that they can be rebuilt).
    bool ownCheckImages = false;
    bool ownStateImages = false;
    // Messages under way (a notification may let the parent destroy the window meanwhile:
    // the block then goes when the outermost message ends).
    volatile LONG nesting = 0;
    bool dead = false;
    // In-place editing.
    int editCode = 0;
    std::vector<HWND> editChildren;
};

inline FastListBlock* FastListOf(HWND window) noexcept
{
    return static_cast<FastListBlock*>(GetControlBlock(window));
}

// Lock of the block for the length of a scope; each site releases with its own line.
struct FastListLock {
    FastListLock(FastListBlock* block, int line) noexcept : b(block), line(line) { b->lock.Enter(); }
    ~FastListLock() { b->lock.Leave(line); }
    FastListBlock* b;
    int line;
};
#define FL_LOCK(block) FastListLock flLock_(block, __LINE__)

extern ControlClass g_fastListClass;

// --- FastList.cpp
// Asks the owner for a cell into the block's buffer; the request as the owner left it, its
// text pointer and length made safe (length 0 when no call was made).
FastListTextRequest FastListAskCell(FastListBlock* b, int item, int column);
// The cell's text, for column 0 without its tree glyphs; the cell's state too when asked.
std::string FastListCellText(FastListBlock* b, int item, int column, UINT* state = nullptr);
LRESULT FastListNotify(FastListBlock* b, NMHDR* record, int code, int line);
LRESULT FastListNotifyItem(FastListBlock* b, int code, int item, int column, UINT newState, UINT oldState,
                           UINT changed, POINT pt, int line);
// The item-change rules of LVM_SETITEMSTATE; 1 done, 0 refused or a bad item.
int FastListSetItemState(FastListBlock* b, int item, UINT state, UINT mask, int cause);
// The focus and selection change of a keyboard or mouse move to (item, column); false when
// the parent refused the item's change (the focus then stays where it was).
bool FastListMoveFocus(FastListBlock* b, int item, int column, bool shift, bool ctrl, bool scroll, int cause);
void FastListRequestRefresh(FastListBlock* b, UINT pending);
// Starts the deferred refresh's timer unless it runs already.
void FastListStartRefreshTimer(FastListBlock* b);
void FastListInvalidateRows(FastListBlock* b, int first, int last);
void FastListInvalidateAll(FastListBlock* b);
void FastListUpdateRowsPerPage(FastListBlock* b);
void FastListRecomputeRowHeight(FastListBlock* b);
FastListPage FastListPageOf(const FastListBlock* b);
int FastListEnsureVisible(FastListBlock* b, int item, int mode, int cause);
void FastListRecountSelection(FastListBlock* b);

// --- FastListColumns.cpp
LRESULT FastListColumnMessage(FastListBlock* b, UINT msg, WPARAM wp, LPARAM lp, bool* handled);
LRESULT FastListHeaderNotify(FastListBlock* b, NMHDR* hdr);
void FastListLayoutHeader(FastListBlock* b);
void FastListApplyStretch(FastListBlock* b, bool notify);
int FastListFitColumnWidth(FastListBlock* b, int column);
void FastListSyncHeaderItem(FastListBlock* b, int column);

// --- FastListPaint.cpp
void FastListPaint(FastListBlock* b, HDC dc, const RECT& clip);
LRESULT FastListOnPaint(FastListBlock* b, HDC given);
void FastListBuildCheckImages(FastListBlock* b, int slot);
void FastListMakeFonts(FastListBlock* b, HFONT font);
HIMAGELIST FastListCreateDragImage(FastListBlock* b, int item, POINT* pt);
void FastListMakeClassResources();
void FastListFreeClassResources();
int FastListCellTextWidth(FastListBlock* b, HDC dc, const char* text, int length, bool bold);

// --- FastListInput.cpp
LRESULT FastListKeyDown(FastListBlock* b, WPARAM key, LPARAM flags);
LRESULT FastListChar(FastListBlock* b, WPARAM ch, LPARAM flags);
LRESULT FastListMouseButton(FastListBlock* b, UINT msg, WPARAM keys, LPARAM lp);
LRESULT FastListMouseWheel(FastListBlock* b, WPARAM wp);
void FastListMouseMove(FastListBlock* b, int x, int y, bool leave);
void FastListScroll(FastListBlock* b, int bar, WPARAM wp);
// Moves the top row (vertical) or the origin (horizontal) with a cause; 1 when it moved.
int FastListScrollTo(FastListBlock* b, int bar, int value, int cause);
void FastListUpdateScrollBars(FastListBlock* b, bool force);
void FastListHitTest(FastListBlock* b, LVHITTESTINFO* info);
void FastListCreateTooltip(FastListBlock* b);
void FastListHideTooltip(FastListBlock* b);
void FastListTooltipTick(FastListBlock* b);
void FastListEndEdit(FastListBlock* b, bool keep);
// After a sort moved the edited record away from row `from`: the view and the editor follow it.
void FastListFollowEdit(FastListBlock* b, int from);
// Puts an open editor over its record's cell again after the rows moved under it.
void FastListPlaceEditor(FastListBlock* b);
// `ask` false (LVM_EDITLABELA) opens the plain editor without asking the parent first.
int FastListBeginEdit(FastListBlock* b, int item, int column, int code, bool ask = true);
void FastListCellAction(FastListBlock* b, int item, int column, int code);
RECT FastListCellRect(FastListBlock* b, int item, int column);
RECT FastListRowRect(FastListBlock* b, int item);
