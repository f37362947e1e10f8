// The data of one TreeList window and every operation on it that needs no window: items
// and cells by number, columns with their edges and fill widths, the visible-row list,
// insertion, deletion, moves, expansion, selection, navigation, find, the three sorts, the
// insertion mark, incremental search, hit testing, item rectangles, row height and the
// colour table. The window procedure (TreeListWnd.cpp) holds one model per window, takes
// the lock around each call and answers the model's requests through TreeListHost.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include "controls/TreeList.h"

// One item: a heap block followed by the window's extra bytes.
struct TreeListItem {
    LPARAM data;
    char* text;           // "" when none; null when the parent supplies it
    UINT state;
    int image;            // -1 asked of the parent, -2 none
    int selectedImage;
    int textWidth;        // 0 = not measured
    UINT firstChild, lastChild, prev, next;
    UINT row;             // 1-based position in the visible-row list, 0 when not shown
    UINT parent;
    WORD level;
    WORD textLength;
    BYTE callback;        // TLCB_*
    BYTE flags;           // TLIF_*
    BYTE moved;           // set while a drop moves items
    BYTE unused;
    COLORREF bkColor;     // valid with TLIF_OWNBK
    COLORREF textColor;   // valid with TLIF_OWNTEXT
    BYTE* Extra() { return reinterpret_cast<BYTE*>(this + 1); }
};

// One cell of an extra column, made on its first write (or read).
struct TreeListCell {
    char* text;           // null: none, or asked of the parent with TLCB_TEXT
    UINT state;
    int image;            // -2 none
    int textWidth;
    WORD textLength;
    BYTE callback;
    BYTE flags;           // TLIF_HASIMAGE, TLIF_OWNTEXT, TLIF_OWNBK, TLIF_FOCUSMARK
    COLORREF bkColor;
    COLORREF textColor;
};

enum : BYTE { TLCB_TEXT = 0x01, TLCB_IMAGE = 0x02, TLCB_SELIMAGE = 0x20, TLCB_CHILDREN = 0x40 };
enum : BYTE { TLIF_AUTOCHILD = 0x01, TLIF_BUTTON = 0x02, TLIF_HASIMAGE = 0x04, TLIF_OWNTEXT = 0x10,
              TLIF_OWNBK = 0x20, TLIF_FOCUSMARK = 0x40, TLIF_SCRATCH = 0x80 };

struct TreeListColumn {
    UINT options;         // option word as last set
    INT_PTR choices;      // the choice list (-1 none)
    int requested;        // requested width
    int width;            // actual width (the header shows it)
    int minWidth;
    int savedWidth;       // width of a hidden column, 0 = not hidden
    BYTE minApplies;
    BYTE weight;          // fill weight, 0 = fixed
    BYTE successor;       // column drawn right of this one
    BYTE position;        // display position
    BYTE align;           // 0 left, 1 centre, 2 right
    BYTE editKind;
    BYTE editFlags;
    BYTE separator;
    BYTE editAlign;
    BYTE colored;         // flag A
    BYTE ownerDraw;       // flag B
    int imageBase;        // -1 none
};

// A piece of deferred work.
struct TreeListWork {
    TreeListWork* next;
    UINT item;
    UINT value;
    UINT kind;
};
enum TreeListWorkKind { TLW_SETSTATE = 1, TLW_SETSTATEQUIET = 2, TLW_EXPAND = 3, TLW_SELCHANGED = 4,
                        TLW_HSCROLL = 5, TLW_VSCROLL = 6, TLW_HBAR = 7, TLW_VBAR = 8, TLW_REBUILD = 9,
                        TLW_CELL = 10, TLW_ALLROWS = 11, TLW_ROW = 12 };


// What the model asks of its window. Notify releases the window's lock while the parent
// answers; everything the model held may have changed when it returns.
class TreeListHost {
public:
    virtual ~TreeListHost() {}
    virtual LRESULT Notify(NMHDR* record, int code) = 0;
    virtual int MeasureText(const char* text, int length, bool bold) = 0;
    virtual void InvalidateRows(int firstRow, int lastRow) = 0;   // row indexes; -1: to the end
    virtual void InvalidateCell(UINT item, int column) = 0;        // column -1: the whole row
    virtual void InvalidateAll() = 0;
    virtual void InvalidateRightOf(int x) = 0;                     // client x
    virtual void ScrollBarsChanged(bool vertical, bool horizontal, bool force) = 0;
    virtual void Scrolled(bool vertical) = 0;                      // position changed: move and repaint
    virtual void QueueWork() = 0;                                   // post TLM_RUNQUEUE
    virtual void HeaderWidth(int column, int width) = 0;
    virtual void RequestColumnWidth(int column, int width) = 0;     // through the header
    virtual void ReleaseLock() = 0;                                 // around a sort's comparisons
    virtual void TakeLock() = 0;
    virtual HWND Window() = 0;
};

// The incremental search, one per process (every TreeList shares it).
struct TreeListSearchState {
    const void* owner;
    char text[16];
    int length;
    int startRow;
    DWORD time;
};
TreeListSearchState& TreeListSearch();

class TreeListModel {
public:
    explicit TreeListModel(TreeListHost* host) noexcept;
    ~TreeListModel();
    TreeListModel(const TreeListModel&) = delete;
    TreeListModel& operator=(const TreeListModel&) = delete;

    // --- items
    TreeListItem* Item(UINT n) const noexcept { return n >= 1 && n <= capacity ? items[n] : nullptr; }
    TreeListCell* Cell(UINT n, int column) const noexcept;
    TreeListCell* MakeCell(UINT n, int column) noexcept;   // null without memory or column
    bool ValidColumn(int column) const noexcept { return column == 0 || (column > 0 && column < columnCount); }

    UINT Insert(const TreeListInsert* record) noexcept;
    int SetItem(TVITEMA* record) noexcept;
    int GetItem(TVITEMA* record) noexcept;
    int GroupSet(TVITEMA* record) noexcept;
    int CountItems(const TreeListCount* record) noexcept;
    int Delete(UINT item, int mode) noexcept;     // mode: 0x1 rows now, 0x2 children only, 0x4 deferred
    int Move(UINT item, UINT target, int placement) noexcept;
    int Expand(UINT item, UINT action) noexcept;  // 1 done, 0 not, -1 item vanished
    int Select(UINT item, int column, UINT flags) noexcept;
    int ToggleSelection(UINT item, int action) noexcept;
    int SelectRun(UINT item, UINT flags) noexcept;
    int SetFocusCell(int column, UINT item) noexcept;
    int EnsureVisible(UINT item, int column) noexcept;
    int Visibility(UINT item, int column) const noexcept;
    int ItemRect(UINT item, UINT flags, RECT* rect) noexcept;
    UINT SetDropMark(UINT item, int height) noexcept;
    int SetDropHilite(UINT item, int column) noexcept;
    int SetItemData(UINT item, LPARAM data) noexcept;
    UINT GetItemState(UINT item) const noexcept;
    // Texts, images and child indicators asked of the parent (TVN_GETDISPINFOA), fetched
    // into buffer 0 or 1; null when the item vanished meanwhile.
    const char* ItemText(UINT item, int column, int* length, int buffer = 0) noexcept;
    bool FetchCallbacks(UINT item, int column, bool selected) noexcept;
    bool HasChildren(UINT item) noexcept;

    // --- the visible-row list
    void RebuildRows(UINT from) noexcept;
    UINT RowItem(int index) const noexcept { return index >= 0 && index < rowCount ? rows[index] : 0; }
    UINT NextInTree(UINT item) const noexcept;    // pre-order, children included
    UINT NextShown(UINT item) const noexcept;     // pre-order within expanded, shown items
    bool IsHidden(const TreeListItem* it) const noexcept { return (exStyle & TLX_HIDDENITEMS) && (it->state & TLIS_HIDDEN); }
    bool InSubtree(UINT item, UINT root) const noexcept;   // item == root or below it

    // --- navigation, find, sort, search
    UINT GetNextItem(UINT code, UINT item) noexcept;
    UINT Find(UINT start, TreeListFind* record) noexcept;
    int SortChildren(UINT parent, bool subtree) noexcept;
    int SortChildrenCallback(const TVSORTCB* record, bool subtree) noexcept;
    int SortItems(const TreeListSort* record, bool subtree) noexcept;
    UINT SetInsertMark(UINT item, bool after) noexcept;
    // One typed character at time `now` (ms): the item made caret, or 0.
    UINT SearchChar(unsigned char ch, DWORD now) noexcept;
    int GetSearchString(char* buffer, DWORD now) const noexcept;
    bool Sorting() const noexcept { return sortDepth > 0; }
    bool StructureLocked() const noexcept { return insertBusy || sortDepth > 0; }

    // --- geometry
    int LabelPixel() const noexcept;   // the pixel a grid adds and the missing lines take away
    void HitTest(POINT pt, TVHITTESTINFO* info) noexcept;
    int LabelOffset(const TreeListItem* it) const noexcept;  // from column 0's left edge
    int TextWidth(UINT item, int column) noexcept;           // measured once, cached
    bool TextBold(UINT item, int column) const noexcept;     // the font of a label or cell text
    int RowTop(int rowIndex) const noexcept;                  // client y, or -1 when not on screen
    int ScreenRowToIndex(int screenRow) const noexcept;
    void ComputeRowHeight() noexcept;
    int SetItemHeight(int height) noexcept;
    int SetIndent(int value) noexcept;
    void SetClientSize(int width, int height) noexcept;
    void UpdateRowsFit() noexcept;
    int ClampFirstRow(int first) const noexcept;
    // Where the vertical bar keeps the first row after the rows changed: at most rows - full rows / 2.
    int BarFirstRow(int first) const noexcept;
    int ScrollV(int first, int cause) noexcept;   // 1 moved, 0 unchanged, -1 refused
    int ScrollH(int pos, int cause) noexcept;
    int MaxHScroll() const noexcept;
    int ColumnLeft(int column) const noexcept { return column >= 0 && column < 32 ? edges[column] : 0; }
    int ColumnRight(int column) const noexcept;
    int ContentRight() const noexcept;
    bool LinesAtRoot() const noexcept { return linesAtRoot; }
    void UpdateLinesAtRoot() noexcept;

    // --- columns
    int NewColumnWidth(const LVCOLUMNA* record, int* weight) const noexcept;
    int AddColumn(int index, const LVCOLUMNA* record, int width, int weight) noexcept;  // -1 without memory
    int DeleteColumn(int column) noexcept;   // the header item is the window's
    int ComputeEdges() noexcept;             // the first changed column position, or -1
    // Shares a width change among the shown fill columns; the changed ones are owed a -438,
    // told by NotifyOwedGeometry once the edges are computed again.
    void ShareFill(int change) noexcept;
    int SetColumn(int column, const LVCOLUMNA* record, bool* headerChange) noexcept;
    int SetColumnOrder(const int* order, int count) noexcept;
    int SetColumnOptions(UINT options) noexcept;
    int SetColumnAux(WPARAM which, INT_PTR value) noexcept;   // column | TLA_IMAGEBASE
    int ColumnWord(int column, UINT mode, int value) noexcept;
    int ColumnContentWidth(int column) noexcept;
    int TrackColumn(int column, int* width) noexcept;   // header width change; 1 when applied
    void NotifyColumnGeometry(int column) noexcept;     // -438 with the column's present geometry
    void NotifyOwedGeometry() noexcept;                 // -438 for each column ShareFill changed
    void UpdateSpanMask() noexcept;
    int SpanEnd(const TreeListItem* it, int position) const noexcept;   // display position after the span

    // --- colours
    void DefaultColors() noexcept;
    COLORREF SetColor(int index, COLORREF color) noexcept;
    COLORREF GetColor(int index) const noexcept { return index >= 0 && index < TLCOL_COUNT ? colors[index] : CLR_INVALID; }
    COLORREF SetItemColor(UINT item, int column, COLORREF color, bool text, bool deferred) noexcept;
    COLORREF GetItemColor(UINT item, int column, bool text) const noexcept;
    bool UseTheme() const noexcept;

    // --- properties, styles, queue
    LRESULT Property(UINT number, bool write, LPARAM value) noexcept;
    // Whether writing `value` would change the property (as it is stored: some are flags,
    // property 10 a signed byte); a write that would not is answered without the lock.
    bool PropertyWriteChanges(UINT number, LPARAM value) const noexcept;
    LPARAM PropertyStored(UINT number, LPARAM value) const noexcept;
    DWORD SetExtendedStyle(DWORD mask, DWORD bits) noexcept;
    int SetExtraBytes(int count) noexcept;
    void Queue(UINT item, UINT value, UINT kind) noexcept;
    void RunQueue() noexcept;
    void DeleteAll() noexcept;   // on WM_DESTROY

    // Fills a TVITEMA of a notification for the item (and cell).
    void Describe(TVITEMA* out, UINT item, int column, UINT mask) const noexcept;
    LRESULT NotifyItems(int code, UINT action, UINT oldItem, int oldColumn, UINT newItem, int newColumn) noexcept;

    // --- state (the window reads and writes it directly; the lock guards it)
    TreeListHost* host;
    DWORD style = 0;
    DWORD exStyle = 0;

    TreeListItem** items = nullptr;      // capacity + 1 slots
    TreeListCell** cells[32] = {};       // columns 1..31, capacity + 1 slots each
    UINT capacity = 0;
    UINT count = 0;
    UINT lastNumber = 0;
    int extraBytes = 0;
    UINT firstTop = 0, lastTop = 0;
    UINT lastChecked = 0;
    UINT* rows = nullptr;
    int rowCount = 0;

    int columnCount = 0;
    TreeListColumn columns[32] = {};
    BYTE order[32] = {};
    int columnWords[32] = {};
    int edges[33] = {};
    UINT geometryOwed = 0;               // columns whose width changed, not yet told (-438)
    int fillCount = 0, coloredCount = 0;
    int fixedTotal = 0, autoTotal = 0;
    WORD spanRequested = 0, spanMask = 0;
    int totalWidth = 0;                  // widest label end without columns

    int rowHeight = 16;
    bool rowHeightSet = false;
    int indent = 19;
    int textHeight = 13;
    int lineHeight = 14;
    bool italic = false;
    int ellipsisWidth = 0, boldEllipsisWidth = 0;
    int buttonCenter = 7;
    int buttonHalf = 4;
    int hScroll = 0;
    int firstVisible = 0;
    int clientWidth = 0, clientHeight = 0;
    int headerHeight = 0;
    int rowsFit = 0, fullRows = 0;
    bool linesAtRoot = false;
    // Image list sizes (0 when the list is not set).
    int stateWidth = 0, stateHeight = 0;     // the state list (check boxes: 16 x 16)
    int imageWidth = 0, imageHeight = 0;     // the normal list
    int list3Width = 0, list3Height = 0;     // check boxes of cells
    int list4Width = 0, list4Height = 0;     // cell images
    bool hasStateList = false, hasNormalList = false, hasList3 = false, hasList4 = false;

    COLORREF colors[TLCOL_COUNT] = {};
    bool colorSet[TLCOL_COUNT] = {};
    bool themeOpen = false;

    UINT caret = 0;
    int caretColumn = 0;
    UINT anchor = 0;
    int selectedCount = 0;
    UINT cursor = 0;
    int cursorColumn = 0;
    bool rangePending = false;
    BYTE keyVeto = 0;
    bool hasFocus = false;
    bool enabled = true;
    UINT focusItem = 0;                  // the focus cell under multiple selection
    int focusColumn = 0;

    UINT hotItem = 0;                    // hot check box
    int hotColumn = 0;
    bool pressedCheck = false;
    UINT pressedItem = 0;                // pressed cell button
    int pressedColumn = 0;
    int downKind = 0;
    UINT downItem = 0;
    int downColumn = 0;
    POINT downPoint = {};
    UINT dropHilite = 0;
    int dropHiliteColumn = 0;
    bool clickPending = false;
    bool editArmed = false;
    UINT armedItem = 0;       // where the press that armed the edit hit: the edit starts there
    int armedColumn = 0;
    POINT armedPoint = {};
    UINT editItem = 0;
    int editColumn = 0;
    UINT dragItem = 0;
    UINT dragFlags = 0;
    UINT dragKeys = 0;
    POINT dragPoint = {};
    UINT dropTarget = 0;
    int bandHeight = 0, bandOffset = 0;
    UINT insertMark = 0;
    UINT dropMark = 0;
    int dropMarkHeight = 0;
    int hoverCount = 0;

    LPARAM props[17] = {};
    bool insertBusy = false;
    int sortDepth = 0;
    bool redrawSuspended = false;
    TreeListWork* queueHead = nullptr;
    TreeListWork* queueTail = nullptr;
    bool queuePosted = false;

    char textBuffer[2][260] = {};
    int answerImage = -2;                // the image of the last TVN_GETDISPINFOA answer

private:
    bool Grow() noexcept;
    UINT TakeNumber() const noexcept;
    void Link(UINT n, UINT parent, UINT before) noexcept;   // before 0 = last
    void Unlink(UINT n) noexcept;
    void SetLevels(UINT n, WORD level) noexcept;
    void RemoveRows(UINT n) noexcept;
    void RebuildAfterInsert(UINT n) noexcept;
    bool Shown(UINT n) const noexcept;
    UINT SortedPlace(UINT parent, const char* text, int length, TreeListInsertCompare compare,
                     LPARAM context, bool deferred, LPARAM newData) noexcept;
    void ForgetItem(UINT n) noexcept;
    void FreeItem(UINT n) noexcept;
    int DeleteOne(UINT item, int mode) noexcept;
    int ExpandOne(UINT item, UINT action, bool quiet) noexcept;
    void ApplyState(UINT item, TreeListItem* it, UINT state, UINT mask, bool quiet, bool deferred) noexcept;
    void QueueStateBits(UINT item, int column, UINT state, UINT mask) noexcept;
    int SetCell(UINT item, int column, TVITEMA* record) noexcept;
    bool SetText(char** text, WORD* length, const char* source) noexcept;
    bool StoreText(char** text, WORD* length, BYTE* callback, const char* source) noexcept;
    void ChangeSelection(UINT item, int column, bool select) noexcept;
    int Scroll(bool vertical, int value, int cause) noexcept;
    int ScreenRowOf(int index) const noexcept;
    template <class Less> void QuickSort(UINT* a, int n, Less less) noexcept;
    int Sort(UINT parent, bool subtree, int kind, const void* compare, LPARAM context, bool nested) noexcept;
    bool Matches(UINT item, const TreeListFind* record) noexcept;
    int RowOf(UINT item) const noexcept;
    void AfterStructureChange() noexcept;
    void ClearCaretInSubtree(UINT item) noexcept;
};
