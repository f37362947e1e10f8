// The window-free part of "FastList": the item array and the indices stored into it, the
// sort, the next-item and scrolling arithmetic, the colour table, the row height, the
// columns with their stretching, and the type-ahead search. The window (FastList.cpp) turns
// messages into calls on these and draws their results.
#pragma once
#include <windows.h>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>
#include "controls/FastList.h"

// --- items

// The item array: room for one item at first, then capacity + capacity / 2 + 64 whenever an
// insertion finds it full. An allocation failure leaves everything as it was.
class FastListItems {
public:
    FastListItems() noexcept = default;
    ~FastListItems();
    FastListItems(const FastListItems&) = delete;
    FastListItems& operator=(const FastListItems&) = delete;

    bool Init() noexcept;
    int Count() const noexcept { return m_count; }
    int Capacity() const noexcept { return m_capacity; }
    FastListItem* Data() noexcept { return m_items; }
    const FastListItem* Data() const noexcept { return m_items; }
    FastListItem& operator[](int i) noexcept { return m_items[i]; }
    const FastListItem& operator[](int i) const noexcept { return m_items[i]; }
    bool Valid(int i) const noexcept { return i >= 0 && i < m_count; }
    // Opens a gap of n zeroed items at pos (clipped to the count); returns where, or -1 when
    // memory ran out.
    int InsertGap(int pos, int n) noexcept;
    // Closes up [first, first + n) (clipped).
    void Erase(int first, int n) noexcept;
    void Free() noexcept;

private:
    FastListItem* m_items = nullptr;
    int m_count = 0;
    int m_capacity = 0;
};

// The item indices a list keeps (-1 for none) and how they follow insertions, deletions and
// sorting.
struct FastListIndices {
    int focus = -1;
    int anchor = -1;
    int hot = -1;
    int tooltip = -1;
    int edit = -1;
    int mark = -1;

    void Inserted(int pos, int n) noexcept;
    // Indices inside the range become -1.
    void Deleted(int first, int n) noexcept;
    // After a sort: focus, anchor, mark and edit follow their records; hot and tooltip go.
    void Sorted(const std::vector<int>& newIndexOfOld) noexcept;
};

// Sorts the items by the owner's comparison of their data words. Ends and stays inside the
// array whatever the comparison answers; newIndexOfOld[i] tells where item i went.
void SortFastListItems(FastListItem* items, int count, const std::function<int(DWORD, DWORD)>& compare,
                       std::vector<int>* newIndexOfOld);

// --- scrolling

struct FastListPage {
    int count = 0;        // items
    int top = 0;          // top row
    int wholeRows = 0;    // whole rows per page
    int partialRows = 0;  // rows per page with a partly visible last one
};

// The top row for a scroll to `row`: 0 .. count - whole rows + 1.
int ClampTopRow(int row, const FastListPage& page) noexcept;
// Before the scroll bar is set: at most count - whole rows / 2 + 1, 0 when all items fit.
int ScrollBarTop(const FastListPage& page) noexcept;
// The top row that shows `item`: mode 1 counts the partly visible row, -2 puts the item on
// top in any case.
int EnsureVisibleTop(int item, int mode, const FastListPage& page) noexcept;
// The top row after an insertion at `pos` that follows the tail (within the last two rows).
int FollowTailTop(int pos, const FastListPage& page) noexcept;
// Rows one wheel message scrolls: delta / 60 toward zero, times 9 with Ctrl, else 3 with
// Shift.
int WheelRows(int delta, UINT keys) noexcept;
// The rows per page for a client height: whole rows and with a partly visible one.
void RowsPerPage(int itemAreaHeight, int rowHeight, int* whole, int* partial) noexcept;
// Row height without an owner's value: see the list's description.
int AutoRowHeight(int checkHeight, int stateHeight, int fourthHeight, int imageHeight, int fontHeight, DWORD exStyle,
                  DWORD style) noexcept;
// FLM_SETROWHEIGHT's value: odd heights lowered unless `oddAllowed`, then 1..256.
int ClampRowHeight(int height, bool oddAllowed) noexcept;

// --- next item

struct FastListState {
    const FastListItem* items = nullptr;
    int count = 0;
    int top = 0;
    int wholeRows = 0;
    int selected = 0;
    FastListIndices index;
    int focusColumn = 0;
    int markColumn = -1;
    int hotColumn = -1;
};
// LVM_GETNEXTITEM: the list-view flags and the list's own codes 0x100-0x10A.
int NextFastListItem(const FastListState& s, int start, UINT flags) noexcept;

// --- colours

struct FastListSysColours {
    COLORREF window, infoBk, btnFace, windowText, highlight, scrollbar;
    static FastListSysColours Current() noexcept;
};
// Recomputes the entries not set by the owner, in table order.
void ComputeFastListColours(const FastListSysColours& sys, const bool ownerSet[13], COLORREF table[13]) noexcept;
COLORREF DarkenColour(COLORREF c) noexcept;

// --- columns

struct FastListColumn {
    int width = 0;          // nominal width
    int shown = 0;          // what is drawn (0 while hidden)
    int saved = 0;          // kept while hidden
    int weight = 0;         // stretch weight, 0 = fixed
    int minWidth = 0;       // the iOrder value kept with the column (16 when none)
    int align = 0;          // 0 left, 1 centre, 2 right
    int kind = 0;           // cell kind 0-7
    int cellFlags = 0;
    int separator = 0;
    int choiceCount = 0;
    DWORD value = 0;        // the owner's column value (choices)
    bool hidden = false;
    bool flagged = false;   // own format bit 0x10000000
    int image = -1;
    std::string text;
};

class FastListColumns {
public:
    static const int kMax = 32;
    int Count() const noexcept { return static_cast<int>(m_columns.size()); }
    bool Valid(int c) const noexcept { return c >= 0 && c < Count(); }
    FastListColumn& operator[](int c) noexcept { return m_columns[c]; }
    const FastListColumn& operator[](int c) const noexcept { return m_columns[c]; }
    // Inserts at `at` (clipped); -1 when 32 columns are there.
    int Insert(int at, const FastListColumn& column);
    bool Delete(int c);
    // The column at display position p, and the position of column c.
    int ColumnAt(int position) const noexcept;
    int PositionOf(int column) const noexcept;
    const std::vector<int>& Order() const noexcept { return m_order; }
    // A new display order; false (and nothing changed) unless it names each column once.
    bool SetOrder(const int* order, int n);
    // The left edge of each display position and, last, the total width.
    const std::vector<int>& Edges() const noexcept { return m_edges; }
    int TotalWidth() const noexcept { return m_edges.empty() ? 0 : m_edges.back(); }
    void RecomputeEdges();
    // Shares out the free width among the stretch columns (the visible width less the fixed
    // widths): a change of it by d pixels is split by weight; after a stretch column came,
    // the whole free width is. Returns the columns whose shown width changed.
    std::vector<int> Stretch(int visibleWidth);
    // The next Stretch shares the whole free width again (a column's weight was set).
    void Restretch() noexcept { m_restretch = true; }
    int StretchSum() const noexcept { return m_stretchSum; }
    int FixedSum() const noexcept { return m_fixedSum; }
    // Hides or shows; a hidden column keeps its width (100 when it was 0).
    bool SetHidden(int c, bool hidden);

private:
    std::vector<FastListColumn> m_columns;
    std::vector<int> m_order;   // display position -> column
    std::vector<int> m_edges;
    int m_fixedSum = 0;
    int m_stretchSum = 0;
    int m_lastVisible = 0;
    bool m_restretch = false;
};

// Splits d pixels among columns of the given weights (display order): each gets d / W times
// its weight and a share of the rest by error diffusion, starting at the column in whose
// weight range `phase` mod W falls. The shares always add up to d.
std::vector<int> DistributeByWeight(const std::vector<int>& weights, int d, int phase);

// --- type-ahead

// The typed prefix, shared by all lists of the process and tied to the list it was typed in.
class FastListTypeAhead {
public:
    static FastListTypeAhead& Shared() noexcept;
    // The clock in milliseconds (GetTickCount unless a test sets another).
    static void SetClock(DWORD (*clock)()) noexcept;
    static DWORD Now() noexcept;

    // One typed character in `window`: the item to focus, or -1. `textOf` gives the
    // focused column's text of an item (glyphs already skipped).
    int Type(HWND window, unsigned char ch, int focus, int count,
             const std::function<std::string(int item)>& textOf) noexcept;
    // The prefix while it is younger than 751 ms, else empty.
    std::string Prefix() const;
    void Reset() noexcept;

private:
    HWND m_window = nullptr;
    DWORD m_last = 0;
    int m_start = -1;
    char m_prefix[17] = {};
    int m_length = 0;
    bool m_any = false;
};
unsigned char TypeAheadUpper(unsigned char c) noexcept;
