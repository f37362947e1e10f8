// The state block of one TreeList window and the workers of its window procedure, shared by
// the window's source files (TreeListWnd, TreeListColumns, TreeListPaint, TreeListInput,
// TreeListEdit, TreeListDrag). Not for callers: they use TreeList.h and CTreeListCtrl.
#pragma once
#include "controls/ControlFrame.h"
#include "controls/TreeListModel.h"

#include <string>

const UINT_PTR kDropMarkTimer = 14608;   // 0x3910: hover over the drop mark
const UINT_PTR kTipTimer = 14610;        // 0x3912: has the cursor left the tip's label
const UINT_PTR kDragTimer = 14611;       // 0x3913: auto-scroll while dragging
// Theme parts and states: the tree's expand glyph and the button class's check box.
const int kTreeGlyphPart = 2, kGlyphClosed = 1, kGlyphOpened = 2, kCheckBoxPart = 3;
const int kHeaderId = 1, kTipId = 2, kEditorId = 3;
const UINT kEditorCommit = 0x1578, kEditorCancel = 0x1579, kEditorChanged = 0x1000;

struct TreeListBlock : ControlBlock, TreeListHost {
    TreeListBlock() noexcept : model(this) {}
    TreeListBlock(const TreeListBlock&) = delete;
    TreeListBlock& operator=(const TreeListBlock&) = delete;

    TreeListModel model;
    HWND header = nullptr;
    HWND tooltip = nullptr;
    WNDPROC tooltipProc = nullptr;
    HWND editor = nullptr;
    WNDPROC editorProc = nullptr;
    int editorKind = 0;
    DWORD editSelection = 0;
    bool textChanged = false;
    bool callbackText = false;
    char emptyText[260] = {};
    std::string editOriginal;    // the text the editor started with

    HFONT font = nullptr;
    HFONT boldFont = nullptr;
    bool ownBold = false;
    HFONT measuredFont = nullptr;
    HFONT tipFont = nullptr;
    HTHEME treeTheme = nullptr;
    HTHEME buttonTheme = nullptr;
    SIZE checkBox = { 13, 13 };  // the themed check box's part size, while the theme is open

    // Image lists. The value 1 in the state list or in list 3 stands for the check boxes
    // drawn by the theme.
    HIMAGELIST stateList = nullptr, normalList = nullptr, list3 = nullptr, list4 = nullptr, list5 = nullptr;
    bool ownState = false, ownNormal = false, own3 = false, own4 = false, own5 = false;

    char* tipText = nullptr;
    int tipSize = 0;
    UINT tipItem = 0;
    int tipColumn = 0;
    bool tipShown = false;
    int* extents = nullptr;      // per-character extents of the painter, grown in 256s
    int extentCapacity = 0;
    DWORD vbarTime = 0;
    bool vbarQueued = false;
    BYTE dragTimerOptions = 0;
    BYTE dragTicks = 0;
    UINT lastHotItem = 0;
    bool trackingLeave = false;
    bool focusSeen = false;
    int depth = 0;               // messages of the window being handled
    bool destroyed = false;      // WM_NCDESTROY came while a message was being handled

    // TreeListHost
    LRESULT Notify(NMHDR* record, int code) override;
    int MeasureText(const char* text, int length, bool bold) override;
    void InvalidateRows(int firstRow, int lastRow) override;
    void InvalidateCell(UINT item, int column) override;
    void InvalidateAll() override;
    void InvalidateRightOf(int x) override;
    void ScrollBarsChanged(bool vertical, bool horizontal, bool force) override;
    void Scrolled(bool vertical) override;
    void QueueWork() override;
    void HeaderWidth(int column, int width) override;
    void RequestColumnWidth(int column, int width) override;
    void ReleaseLock() override;
    void TakeLock() override;
    HWND Window() override { return window; }
};

// Holds the block's lock for a scope.
class TreeListLock {
public:
    explicit TreeListLock(TreeListBlock* b) noexcept : m_block(b) { b->lock.Enter(); }
    ~TreeListLock() { m_block->lock.Leave(__LINE__, false); }
    TreeListLock(const TreeListLock&) = delete;
    TreeListLock& operator=(const TreeListLock&) = delete;
private:
    TreeListBlock* m_block;
};

TreeListBlock* TreeListFromWindow(HWND window) noexcept;
const ControlThemeApi& TreeListTheme() noexcept;
// The class itself, for the tests that put another theme library in place.
ControlClass& TreeListClass() noexcept;
HPEN TreeListFocusPen() noexcept;
HBRUSH TreeListPatternBrush() noexcept;
HCURSOR TreeListCursor(int which) noexcept;   // 0 arrow, 1 hand, 2 no
LRESULT CALLBACK TreeListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// TreeListWnd.cpp
void TreeListUpdateVBar(TreeListBlock* b, bool force) noexcept;
void TreeListUpdateHBar(TreeListBlock* b) noexcept;
bool TreeListSetFont(TreeListBlock* b, HFONT font) noexcept;
void TreeListBuildCheckImages(TreeListBlock* b, int set) noexcept;
void TreeListHideTip(TreeListBlock* b) noexcept;
void TreeListTrackTip(TreeListBlock* b, POINT pt) noexcept;
bool TreeListTakeFocus(TreeListBlock* b) noexcept;

// TreeListColumns.cpp
int TreeListInsertColumn(TreeListBlock* b, int index, const LVCOLUMNA* record) noexcept;
int TreeListSetColumn(TreeListBlock* b, int column, const LVCOLUMNA* record) noexcept;
int TreeListGetColumn(TreeListBlock* b, int column, LVCOLUMNA* record) noexcept;
int TreeListDeleteColumn(TreeListBlock* b, int column) noexcept;
int TreeListSetOrder(TreeListBlock* b, WPARAM count, const int* order) noexcept;
LRESULT TreeListHeaderNotify(TreeListBlock* b, NMHDR* record) noexcept;
void TreeListPlaceHeader(TreeListBlock* b) noexcept;

// TreeListPaint.cpp
void TreeListPaint(TreeListBlock* b, HDC dc, const RECT* update) noexcept;
HIMAGELIST TreeListDragImage(TreeListBlock* b, UINT item, int column) noexcept;
// The clip regions the painter has made so far, for the tests that count them per paint.
LONG TreeListPaintRegions() noexcept;

// TreeListInput.cpp
void TreeListMouse(TreeListBlock* b, UINT message, WPARAM keys, POINT pt) noexcept;
void TreeListButtonUp(TreeListBlock* b, int code, WPARAM keys, POINT pt) noexcept;
void TreeListMouseMove(TreeListBlock* b, WPARAM keys, POINT pt) noexcept;
// Asks for WM_MOUSELEAVE unless it is asked for already.
void TreeListTrackLeave(TreeListBlock* b) noexcept;
void TreeListKeyDown(TreeListBlock* b, UINT key, LPARAM lParam) noexcept;
void TreeListChar(TreeListBlock* b, UINT ch, LPARAM lParam) noexcept;
int TreeListToggleCheck(TreeListBlock* b, UINT item, POINT pt) noexcept;
int TreeListPaste(TreeListBlock* b) noexcept;

// TreeListEdit.cpp
HWND TreeListStartEdit(TreeListBlock* b, UINT item, UINT code) noexcept;
int TreeListEndEdit(TreeListBlock* b, int mode) noexcept;   // 0 cancel, 1 focus lost, 2 Enter
int TreeListRequestEdit(TreeListBlock* b, UINT item, int column, UINT key, POINT pt) noexcept;
// Edits the cell of `item` (0: the caret item) by its column's edit type.
int TreeListColumnEdit(TreeListBlock* b, int column, UINT key, POINT pt, UINT item = 0) noexcept;
void TreeListEditorCommand(TreeListBlock* b, UINT code) noexcept;

// TreeListDrag.cpp
int TreeListBeginDrag(TreeListBlock* b, UINT item, UINT flags, POINT pt) noexcept;
void TreeListDragMove(TreeListBlock* b, UINT keys, POINT pt) noexcept;
int TreeListDropTest(TreeListBlock* b, UINT dragged, UINT target, int kind) noexcept;
void TreeListEndDrag(TreeListBlock* b) noexcept;
void TreeListCancelDrag(TreeListBlock* b) noexcept;
void TreeListDrop(TreeListBlock* b) noexcept;
LRESULT TreeListDragTimer(TreeListBlock* b, UINT options, UINT interval) noexcept;
void TreeListOnDragTimer(TreeListBlock* b) noexcept;
void TreeListOnDropMarkTimer(TreeListBlock* b) noexcept;
