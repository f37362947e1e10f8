// "FastList": the class, the state block's life, the item messages and the own messages.
#include "controls/FastListImpl.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

LRESULT CALLBACK FastListWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

}  // namespace

ControlClass g_fastListClass("FastList", &FastListWndProc, nullptr, &FastListMakeClassResources,
                             &FastListFreeClassResources);

int RegisterFastListClass(HINSTANCE instance)
{
    return g_fastListClass.Register(instance);
}

// --- cells

FastListTextRequest FastListAskCell(FastListBlock* b, int item, int column)
{
    FastListTextRequest r;
    b->text[0] = 0;
    r.text = b->text;
    r.length = 2043;
    r.image = -2;
    r.state = b->items.Valid(item) ? b->items[item].state : 0;
    r.value5 = -1;
    r.value6 = -1;
    if (!b->items.Valid(item) || column < 0 || column >= b->columns.Count() || !b->textCallback) {
        r.length = 0;
        return r;
    }
    b->textCallback(b->textContext, b->items[item].data, column, column + 1, &r);
    if (!r.text) {
        b->text[0] = 0;
        r.text = b->text;
        r.length = 0;
    } else if (r.length == 2043) {
        // Left as it was: the text ends at its NUL, and the list reads no further than its
        // own buffer would hold.
        r.length = static_cast<int>(strnlen(r.text, 2043));
    } else {
        r.length = std::min(std::max(r.length, 0), 2043);
    }
    return r;
}

std::string FastListCellText(FastListBlock* b, int item, int column, UINT* state)
{
    FastListTextRequest r = FastListAskCell(b, item, column);
    if (state)
        *state = r.state;
    int skip = 0;
    if (column == 0) {
        while (skip < r.length && static_cast<unsigned char>(r.text[skip]) < 24)
            ++skip;
    }
    return std::string(r.text + skip, r.length - skip);
}

// --- notifications

LRESULT FastListNotify(FastListBlock* b, NMHDR* record, int code, int line)
{
    if (b->lock.HeldByCaller())
        return ControlNotifyUnlocked(b, record, code, line);
    return ControlNotifyParent(b->window, record, code);
}

LRESULT FastListNotifyItem(FastListBlock* b, int code, int item, int column, UINT newState, UINT oldState,
                           UINT changed, POINT pt, int line)
{
    NMLISTVIEW nm = {};
    nm.iItem = item;
    nm.iSubItem = column;
    nm.uNewState = newState;
    nm.uOldState = oldState;
    nm.uChanged = changed;
    nm.ptAction = pt;
    nm.lParam = b->items.Valid(item) ? static_cast<LPARAM>(b->items[item].data) : 0;
    return FastListNotify(b, &nm.hdr, code, line);
}

// --- display work (marked only in deferred mode)

void FastListRequestRefresh(FastListBlock* b, UINT pending)
{
    b->pending |= pending;
    if (b->refreshMark == 1)
        return;   // already asked for
    b->refreshMark = 1;
    if (!::PostMessageA(b->window, FLM_REFRESH, 0, 0))
        FastListStartRefreshTimer(b);
}

void FastListStartRefreshTimer(FastListBlock* b)
{
    // Started once and left running: setting it again would restart its 200 ms, so a list
    // changed more often than that would never be refreshed.
    if (b->refreshTimer)
        return;
    ::SetTimer(b->window, kFastListRefreshTimer, 200, nullptr);
    b->refreshTimer = true;
}

void FastListInvalidateAll(FastListBlock* b)
{
    if (b->deferred) {
        FastListRequestRefresh(b, FLPEND_REDRAW);
        return;
    }
    RECT r = {0, b->headerHeight, b->clientWidth, b->clientHeight};
    ::InvalidateRect(b->window, &r, FALSE);
}

void FastListInvalidateRows(FastListBlock* b, int first, int last)
{
    if (first > last)
        std::swap(first, last);
    if (b->deferred) {
        b->pendingRowFirst = b->pendingRowFirst < 0 ? first : std::min(b->pendingRowFirst, first);
        b->pendingRowLast = std::max(b->pendingRowLast, last);
        FastListRequestRefresh(b, FLPEND_ROWS);
        return;
    }
    first = std::max(first, b->top);
    last = std::min(last, b->top + b->partialRows);
    if (first > last)
        return;
    RECT r = {0, b->headerHeight + (first - b->top) * b->rowHeight, b->clientWidth,
              b->headerHeight + (last - b->top + 1) * b->rowHeight};
    r.bottom = std::min<LONG>(r.bottom, b->clientHeight);
    if (r.top < r.bottom)
        ::InvalidateRect(b->window, &r, FALSE);
}

FastListPage FastListPageOf(const FastListBlock* b)
{
    FastListPage p;
    p.count = b->items.Count();
    p.top = b->top;
    p.wholeRows = b->wholeRows;
    p.partialRows = b->partialRows;
    return p;
}

void FastListUpdateRowsPerPage(FastListBlock* b)
{
    RECT client;
    ::GetClientRect(b->window, &client);
    b->clientWidth = client.right;
    b->clientHeight = client.bottom;
    b->visibleWidth = std::max(0, static_cast<int>(client.right) - b->margin);
    RowsPerPage(b->clientHeight - b->headerHeight, b->rowHeight, &b->wholeRows, &b->partialRows);
}

void FastListRecomputeRowHeight(FastListBlock* b)
{
    if (b->rowHeightSet)
        return;
    int check = b->images[FLIL_CHECK].list ? b->images[FLIL_CHECK].cy : 0;
    int state = b->images[FLIL_STATE2].list ? b->images[FLIL_STATE2].cy : 0;
    int fourth = b->images[FLIL_FOURTH].list ? b->images[FLIL_FOURTH].cy : 0;
    int image = b->images[FLIL_ITEM].list ? b->images[FLIL_ITEM].cy : 0;
    int height = AutoRowHeight(check, state, fourth, image, b->fontHeight, b->exStyle, b->style);
    if (height != b->rowHeight) {
        b->rowHeight = height;
        FastListUpdateRowsPerPage(b);
        FastListUpdateScrollBars(b, false);
        FastListInvalidateAll(b);
    }
}

void FastListRecountSelection(FastListBlock* b)
{
    int n = 0;
    for (int i = 0; i < b->items.Count(); ++i)
        n += (b->items[i].state & LVIS_SELECTED) != 0;
    b->selected = n;
}

int FastListEnsureVisible(FastListBlock* b, int item, int mode, int cause)
{
    if (!b->items.Valid(item))
        return -1;
    if (b->deferred) {
        b->pendingEnsureItem = item;
        b->pendingEnsureMode = mode;
        b->pendingEnsureCause = cause;
        FastListRequestRefresh(b, FLPEND_ENSURE);
        return 0;
    }
    int moved = 0;
    const int row = (mode & 0x80000000) ? 0 : mode;
    int top = EnsureVisibleTop(item, row, FastListPageOf(b));
    if (top != b->top)
        moved |= FastListScrollTo(b, SB_VERT, top, cause);
    if (mode & 0x80000000) {
        const int column = mode & 0x0FFFFFFF;
        const int position = b->columns.PositionOf(column);
        if (position >= 0) {
            const std::vector<int>& edges = b->columns.Edges();
            int left = edges[position], right = edges[position + 1];
            int origin = b->originX;
            if (right - left <= b->visibleWidth && right > origin + b->visibleWidth)
                origin = right - b->visibleWidth;
            if (left < origin)
                origin = left;
            origin = std::min(origin, b->columns.TotalWidth() - b->visibleWidth / 2);
            origin = std::max(origin, 0);
            if (origin != b->originX)
                moved |= FastListScrollTo(b, SB_HORZ, origin, cause);
        }
    }
    return moved;
}

// --- item states

namespace {

bool ItemNotifications(const FastListBlock* b)
{
    return !(b->exStyle & FLS_EX_NOITEMNOTIFY);
}

// Changes an item's state with LVN_ITEMCHANGING (a non-zero answer vetoes) and
// LVN_ITEMCHANGED around it; in deferred mode a selection change is only marked for the
// refresh. False when vetoed or when the item went away meanwhile.
bool ApplyState(FastListBlock* b, int item, UINT newState)
{
    if (!b->items.Valid(item))
        return false;
    newState &= 0xFFFF;
    UINT old = b->items[item].state;
    if (old == newState)
        return true;
    const DWORD data = b->items[item].data;
    const UINT changedBits = old ^ newState;
    const bool quiet = b->deferred && !(changedBits & ~static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED));
    const POINT none = {0, 0};
    if (ItemNotifications(b) && !quiet) {
        if (FastListNotifyItem(b, LVN_ITEMCHANGING, item, b->focusColumn, newState, old, changedBits, none, __LINE__))
            return false;
        // The parent may have changed the list meanwhile.
        if (!b->items.Valid(item) || b->items[item].data != data)
            return false;
        old = b->items[item].state;
    }
    b->items[item].state = static_cast<WORD>(newState);
    if ((old ^ newState) & LVIS_SELECTED)
        b->selected += (newState & LVIS_SELECTED) ? 1 : -1;
    if ((old ^ newState) & 0xF000)
        b->items[item].flags |= 0x40;
    FastListInvalidateRows(b, item, item);
    if (quiet) {
        FastListMarkSelectionPending(&b->items[item], (old & LVIS_SELECTED) != 0);
        FastListRequestRefresh(b, FLPEND_SELNOTIFY);
    } else if (ItemNotifications(b)) {
        // Told now: a notice still pending compares with what the parent heard last.
        FastListItem& it = b->items[item];
        if (it.flags & kItemSelectionPending)
            it.flags = static_cast<BYTE>((it.flags & ~kItemWasSelected) | ((newState & LVIS_SELECTED) ? kItemWasSelected : 0));
        FastListNotifyItem(b, LVN_ITEMCHANGED, item, b->focusColumn, newState, old, old ^ newState, none, __LINE__);
    }
    return true;
}

void ClearSelectionExcept(FastListBlock* b, int keep, int low, int high)
{
    // The selected items outside [low, high] (and not `keep`) lose their selection.
    for (int i = 0; i < b->items.Count() && b->selected > 0; ++i) {
        if (i == keep || (i >= low && i <= high))
            continue;
        if (b->items[i].state & LVIS_SELECTED)
            ApplyState(b, i, b->items[i].state & ~LVIS_SELECTED);
    }
}

}  // namespace

bool FastListMoveFocus(FastListBlock* b, int item, int column, bool shift, bool ctrl, bool scroll, int cause)
{
    if (!b->items.Valid(item))
        return false;
    const DWORD data = b->items[item].data;
    const bool cellFocus = (b->exStyle & FLS_EX_CELLFOCUS) != 0;
    auto stillThere = [&] { return b->items.Valid(item) && b->items[item].data == data; };
    const int oldMark = b->index.mark;
    int anchor = item;
    bool taken = false;
    if (shift && !(b->style & LVS_SINGLESEL)) {
        anchor = b->items.Valid(b->index.anchor) ? b->index.anchor : item;
        int low = std::min(anchor, item), high = std::max(anchor, item);
        ClearSelectionExcept(b, -1, low, high);
        for (int i = low; i <= high && i < b->items.Count(); ++i) {
            if (i != item && !(b->items[i].state & LVIS_SELECTED))
                ApplyState(b, i, b->items[i].state | LVIS_SELECTED);
        }
        taken = stillThere() && ApplyState(b, item, b->items[item].state | LVIS_SELECTED | LVIS_FOCUSED);
    } else if (ctrl && !(b->style & LVS_SINGLESEL)) {
        taken = ApplyState(b, item, (b->items[item].state ^ LVIS_SELECTED) | LVIS_FOCUSED);
    } else {
        ClearSelectionExcept(b, item, 0, -1);
        taken = stillThere() && ApplyState(b, item, b->items[item].state | LVIS_SELECTED | LVIS_FOCUSED);
    }
    // A move the parent refused (its LVN_ITEMCHANGING answered non-zero) leaves the focus,
    // its mark and the anchor where they were: the old mark item loses its focus bit only
    // once the new item has taken it. Cleared before the parent was asked, a refused keyboard
    // move left no item focused and the focus index on the item the parent had refused.
    if (!taken || !stillThere())
        return false;
    if (b->items.Valid(oldMark) && oldMark != item && (b->items[oldMark].state & LVIS_FOCUSED))
        ApplyState(b, oldMark, b->items[oldMark].state & ~LVIS_FOCUSED);
    if (!stillThere())
        return false;
    b->index.anchor = anchor;
    b->index.mark = item;
    b->markColumn = cellFocus && b->columns.Valid(column) ? column : 0;
    b->index.focus = item;
    b->focusColumn = cellFocus && b->columns.Valid(column) ? column : 0;
    if (scroll && !(b->style & LVS_NOSCROLL))
        FastListEnsureVisible(b, item, cellFocus ? static_cast<int>(0x80000000u | b->focusColumn) : 0, cause);
    return true;
}

int FastListSetItemState(FastListBlock* b, int item, UINT state, UINT mask, int cause)
{
    if (!b->items.Valid(item))
        return 0;
    const UINT old = b->items[item].state;
    const UINT changed = (old ^ state) & mask & 0xFFFF;
    bool select = (mask & LVIS_SELECTED) && (state & LVIS_SELECTED) && !(old & LVIS_SELECTED);
    if (changed & LVIS_FOCUSED) {
        if (state & LVIS_FOCUSED) {
            // The mark of the last cell reached by the keyboard moves here.
            int previous = b->index.mark;
            if (b->items.Valid(previous) && previous != item) {
                b->items[previous].state &= ~LVIS_FOCUSED;
                FastListInvalidateRows(b, previous, previous);
            }
            b->items[item].state |= LVIS_FOCUSED;
            b->items[item].flags |= 0x40;
            b->index.mark = item;
            b->markColumn = (b->exStyle & FLS_EX_CELLFOCUS) ? b->focusColumn : 0;
            FastListEnsureVisible(b, item, static_cast<int>(0x80000000u | b->markColumn), 9);
            if (!(mask & LVIS_SELECTED) && !(old & LVIS_SELECTED))
                select = true;
        } else if (b->items.Valid(item)) {
            b->items[item].state &= ~LVIS_FOCUSED;
            if (b->index.mark == item)
                b->index.mark = -1;
        }
    }
    const UINT others = changed & ~static_cast<UINT>(LVIS_FOCUSED | LVIS_SELECTED);
    if (others && b->items.Valid(item)) {
        UINT wanted = (b->items[item].state & ~others) | (state & others);
        if (!ApplyState(b, item, wanted))
            return 0;
    }
    // A selection the parent refused is no change done: 0, as for the other bits.
    if (select && b->items.Valid(item) &&
        !FastListMoveFocus(b, item, b->focusColumn, false, false, !(b->style & LVS_NOSCROLL), cause))
        return 0;
    if (b->items.Valid(item))
        FastListInvalidateRows(b, item, item);
    return 1;
}

namespace {

// --- inserting and deleting

int InsertItems(FastListBlock* b, int pos, int n, const DWORD* dataArray, DWORD firstData, bool run, bool hasState,
                UINT state, DWORD insertFlags)
{
    if (n <= 0)
        return 0;
    const int at = b->items.InsertGap(pos, n);
    if (at < 0)
        return -1;
    const bool checkboxes = (b->exStyle & LVS_EX_CHECKBOXES) != 0;
    for (int k = 0; k < n; ++k) {
        FastListItem& it = b->items[at + k];
        it.data = dataArray ? dataArray[k] : (run ? firstData + static_cast<DWORD>(k) : firstData);
        // The selection comes below, through the focus and selection change; every other
        // bit of the state (the focus mark too) is taken as the request has it.
        it.state = static_cast<WORD>(hasState ? (state & ~static_cast<UINT>(LVIS_SELECTED)) & 0xFFFF
                                              : (checkboxes ? 0x1000 : 0));
    }
    b->index.Inserted(at, n);
    if (insertFlags & FLI_DEFERRED)
        b->deferred = true;
    const bool selectNew = hasState && (state & LVIS_SELECTED);
    if (selectNew) {
        if (b->deferred) {
            for (int k = 0; k < n; ++k) {
                FastListMarkSelectionPending(&b->items[at + k], false);
                b->items[at + k].state |= LVIS_SELECTED;
            }
            b->selected += n;
            FastListRequestRefresh(b, FLPEND_SELNOTIFY);
        } else {
            FastListMoveFocus(b, at, b->focusColumn, false, false, false, 9);
        }
    }
    if (ItemNotifications(b) && !b->deferred) {
        const POINT none = {0, 0};
        for (int k = 0; k < n; ++k) {
            int item = at + k;
            if (!b->items.Valid(item))
                break;
            UINT s = b->items[item].state;
            FastListNotifyItem(b, LVN_INSERTITEM, item, 0, s, 0, s, none, __LINE__);
        }
    }
    // Display: deferred, following the tail, ensuring visibility, or keeping the rows on
    // screen where they are.
    const int last = std::min(at + n - 1, b->items.Count() - 1);
    if (b->deferred) {
        int top = (b->pending & FLPEND_TOP) ? b->pendingTop : b->top;
        if (at < top)
            top += n;
        // Following the tail is display work like any other: it waits with the top row it
        // moves, and was lost while the list deferred (the owner's synchronisation always does).
        if (insertFlags & FLI_FOLLOWTAIL) {
            FastListPage page = FastListPageOf(b);
            page.top = top;
            top = FollowTailTop(last, page);
        }
        b->pendingTop = top;
        b->pendingRowFirst = b->pendingRowFirst < 0 ? at : std::min(b->pendingRowFirst, at);
        b->pendingRowLast = std::max(b->pendingRowLast, b->items.Count() - 1);
        FastListRequestRefresh(b, FLPEND_TOP | FLPEND_VSCROLL | FLPEND_ROWS);
        if (insertFlags & FLI_ENSUREVISIBLE)
            FastListEnsureVisible(b, last, 0, 9);
        return at;
    }
    if (at < b->top && b->items.Count() > n)
        b->top += n;
    if (insertFlags & FLI_FOLLOWTAIL) {
        int top = FollowTailTop(last, FastListPageOf(b));
        if (top != b->top)
            FastListScrollTo(b, SB_VERT, top, 9);
    }
    if (insertFlags & FLI_ENSUREVISIBLE)
        FastListEnsureVisible(b, last, 0, 9);
    FastListInvalidateRows(b, at, std::max(last, b->top + b->partialRows));
    FastListUpdateScrollBars(b, false);
    FastListPlaceEditor(b);   // an insertion above the edited record moved it down
    return at;
}

int DeleteItems(FastListBlock* b, int first, int n)
{
    if (b->busy || first < 0 || first >= b->items.Count() || n <= 0)
        return 0;
    int end = first + std::min(n, b->items.Count() - first);
    const POINT none = {0, 0};
    // Selected items give up their selection first, with the usual notice.
    for (int i = first; i < end && i < b->items.Count(); ++i) {
        if (!(b->items[i].state & LVIS_SELECTED))
            continue;
        UINT old = b->items[i].state;
        b->items[i].state &= ~LVIS_SELECTED;
        b->selected = std::max(0, b->selected - 1);
        if (b->index.focus == i)
            b->index.focus = -1;
        if (!ItemNotifications(b))
            continue;
        if (b->deferred) {
            FastListMarkSelectionPending(&b->items[i], true);
            FastListRequestRefresh(b, FLPEND_SELNOTIFY);
            continue;
        }
        FastListNotifyItem(b, LVN_ITEMCHANGED, i, 0, old & ~LVIS_SELECTED, old, LVIF_STATE, none, __LINE__);
        end = std::min(end, b->items.Count());
    }
    if (ItemNotifications(b)) {
        for (int i = std::min(end, b->items.Count()) - 1; i >= first; --i) {
            if (i >= b->items.Count())
                continue;
            UINT s = b->items[i].state;
            FastListNotifyItem(b, LVN_DELETEITEM, i, 0, s, s, 0, none, __LINE__);
        }
    }
    end = std::min(end, b->items.Count());
    if (first >= end)
        return 0;
    const int removed = end - first;
    // What is being deleted loses its selection count too when it was still selected.
    for (int i = first; i < end; ++i) {
        if (b->items[i].state & LVIS_SELECTED)
            b->selected = std::max(0, b->selected - 1);
    }
    if (b->index.edit >= first && b->index.edit < end)
        FastListEndEdit(b, false);
    if (b->index.tooltip >= first && b->index.tooltip < end)
        FastListHideTooltip(b);
    b->index.Deleted(first, removed);
    b->items.Erase(first, removed);
    FastListUpdateRowsPerPage(b);
    FastListUpdateScrollBars(b, false);
    FastListInvalidateAll(b);
    FastListPlaceEditor(b);   // a deletion above the edited record moved it up
    return removed;
}

// --- reading

LRESULT GetItem(FastListBlock* b, LVITEMA* item)
{
    if (!item || !b->items.Valid(item->iItem))
        return 0;
    const int i = item->iItem;
    if (item->mask & LVIF_PARAM)
        item->lParam = b->items[i].data;
    UINT state = b->items[i].state;
    if ((item->mask & (LVIF_TEXT | LVIF_IMAGE)) || (item->stateMask & 0xC0)) {
        FastListTextRequest r = FastListAskCell(b, i, item->iSubItem);
        if (item->mask & LVIF_TEXT) {
            if (item->mask & 0x80000000u) {
                item->pszText = r.text;
                item->cchTextMax = r.length;
            } else if (item->pszText && item->cchTextMax > 0) {
                int n = std::min(r.length, item->cchTextMax - 1);
                std::memcpy(item->pszText, r.text, static_cast<size_t>(n));
                item->pszText[n] = 0;
            }
        }
        if (item->mask & LVIF_IMAGE)
            item->iImage = r.image;
        state |= r.state;
    }
    if (item->mask & LVIF_STATE)
        item->state = state & item->stateMask;
    return 1;
}

LRESULT GetItemText(FastListBlock* b, int index, LVITEMA* item)
{
    if (!item)
        return 0;
    if (item->pszText && item->cchTextMax >= 1)
        item->pszText[0] = 0;
    if (!b->items.Valid(index) || item->iSubItem < 0 || item->iSubItem >= b->columns.Count() || item->cchTextMax < 1 ||
        !item->pszText)
        return 0;
    std::string text = FastListCellText(b, index, item->iSubItem);
    // What was copied: a short buffer or skipped glyphs make it less than the owner said.
    int n = std::min(static_cast<int>(text.size()), item->cchTextMax - 1);
    std::memcpy(item->pszText, text.data(), static_cast<size_t>(n));
    item->pszText[n] = 0;
    return n;
}

LRESULT FindItem(FastListBlock* b, int start, const FastListFind* find)
{
    if (!find)
        return -1;
    if (start < 0)
        start = 0;
    for (int i = start; i < b->items.Count(); ++i) {
        if ((find->flags & FLF_DATA) && b->items[i].data != find->data)
            continue;
        if ((find->flags & FLF_STATE) && ((b->items[i].state ^ find->state) & find->stateMask))
            continue;
        if (find->flags & FLF_TEXT) {
            const char* wanted = find->text ? find->text : "";
            const FastListTextRequest r = FastListAskCell(b, i, find->column);
            const std::string text(r.text, r.length);
            if (find->flags & FLF_PREFIX) {
                size_t n = std::strlen(wanted);
                if (text.size() < n || std::memcmp(text.data(), wanted, n) != 0)
                    continue;
            } else if (lstrcmpiA(text.c_str(), wanted) != 0) {
                continue;
            }
        }
        return i;
    }
    return -1;
}

// --- sorting

struct SortContext {
    FastListCompare compare;
    LPARAM param;
};

LRESULT SortItems(FastListBlock* b, LPARAM param, FastListCompare compare)
{
    if (!compare || b->busy)
        return 0;
    b->busy = true;
    FastListItem* items = nullptr;
    int count = 0;
    std::vector<FastListItem> copy;
    std::vector<int> moved;
    {
        // The owner's comparisons run without the lock; they work on a copy, so that what the
        // list does meanwhile cannot pull the array away under the sort.
        copy.assign(b->items.Data(), b->items.Data() + b->items.Count());
        items = copy.data();
        count = static_cast<int>(copy.size());
        ControlUnlocked unlocked(b->lock, __LINE__);
        SortFastListItems(items, count, [&](DWORD x, DWORD y) { return compare(x, y, param); }, &moved);
    }
    b->busy = false;
    if (count == b->items.Count()) {
        const int editedRow = b->index.edit;
        std::memcpy(b->items.Data(), copy.data(), copy.size() * sizeof(FastListItem));
        b->index.Sorted(moved);
        b->tooltipColumn = -1;
        FastListHideTooltip(b);
        // An open edit stays with its record: its end went to no cell, or to the record the
        // sort put in the old row, while the editor stayed open with the user's text.
        if (editedRow >= 0)
            FastListFollowEdit(b, editedRow);
    }
    FastListInvalidateAll(b);
    return 1;
}

// --- properties

// The header area changed height: laid out again and, with an extra height, told.
void HeaderAreaChanged(FastListBlock* b)
{
    FastListLayoutHeader(b);
    FastListInvalidateAll(b);
    // The band itself, which the list paints where no header covers it.
    RECT band = {0, 0, b->clientWidth, b->headerHeight};
    if (band.bottom > 0)
        ::InvalidateRect(b->window, &band, FALSE);
    if (b->headerExtra) {
        FastListHeaderArea area = {};
        area.extra = b->headerExtra;
        area.visibleWidth = b->visibleWidth;
        area.headerHeight = b->headerHeight;
        FastListNotify(b, &area.hdr, FLN_HEADERAREA, __LINE__);
    }
}

LRESULT Property(FastListBlock* b, WPARAM wp, LPARAM lp)
{
    const int number = static_cast<int>(wp & 0x7FFFFFFF);
    const bool write = (wp & 0x80000000u) != 0;
    LRESULT old = 0;
    switch (number) {
    case FLP_TEXTCONTEXT: old = reinterpret_cast<LRESULT>(b->textContext); break;
    case FLP_TEXTCALLBACK: old = reinterpret_cast<LRESULT>(b->textCallback); break;
    case FLP_DESTROYCONTEXT: old = reinterpret_cast<LRESULT>(b->destroyContext); break;
    case FLP_DESTROYCALLBACK: old = reinterpret_cast<LRESULT>(b->destroyCallback); break;
    case FLP_OWNERVALUE5: old = b->ownerValue5; break;
    case FLP_SELECTEDCOUNT: old = b->selected; break;
    case FLP_OWNERBYTE: old = b->ownerByte7; break;
    case FLP_ATTRCOLOURS: old = reinterpret_cast<LRESULT>(b->attrColours); break;
    case FLP_OWNERVALUE9: old = b->owner9; break;
    case FLP_OWNERVALUE10: old = b->owner10; break;
    case FLP_OWNERVALUE11: old = b->ownerValue11; break;
    case FLP_HEADEREXTRA: old = b->headerExtra; break;
    // The list's own procedure, also when the class library has put its own in front.
    case FLP_WINDOWPROC: old = reinterpret_cast<LRESULT>(&FastListWndProc); break;
    case FLP_MARGIN: old = b->margin; break;
    case FLP_PAINTCONTEXT: old = reinterpret_cast<LRESULT>(b->paintContext); break;
    case FLP_PAINTHOOK: old = reinterpret_cast<LRESULT>(b->paintHook); break;
    default: return 0;
    }
    if (!write || number == FLP_SELECTEDCOUNT || number == FLP_WINDOWPROC)
        return old;
    if (number == FLP_OWNERVALUE5) {
        b->ownerValue5 = lp;   // stored even when unchanged, without the lock
        return old;
    }
    if (number == FLP_OWNERBYTE ? static_cast<signed char>(lp) == b->ownerByte7 : old == lp)
        return old;
    FL_LOCK(b);
    switch (number) {
    case FLP_TEXTCONTEXT: b->textContext = reinterpret_cast<void*>(lp); break;
    case FLP_TEXTCALLBACK:
        b->textCallback = reinterpret_cast<FastListTextCallback>(lp);
        if (lp)
            FastListInvalidateAll(b);
        break;
    case FLP_DESTROYCONTEXT: b->destroyContext = reinterpret_cast<void*>(lp); break;
    case FLP_DESTROYCALLBACK:
        b->destroyCallback = reinterpret_cast<FastListDestroyCallback>(lp);
        if (lp)
            FastListInvalidateAll(b);
        break;
    case FLP_OWNERBYTE: b->ownerByte7 = static_cast<signed char>(lp); break;
    case FLP_ATTRCOLOURS: b->attrColours = reinterpret_cast<const COLORREF*>(lp); break;
    case FLP_OWNERVALUE9: b->owner9 = lp; break;
    case FLP_OWNERVALUE10: b->owner10 = lp; break;
    case FLP_OWNERVALUE11: b->ownerValue11 = lp; break;
    case FLP_HEADEREXTRA: {
        // Unsafe input mended: a negative or absurd extra height pushed the rows out of the window.
        int extra = static_cast<int>(lp);
        b->headerExtra = std::max(0, std::min(extra, 1000));
        HeaderAreaChanged(b);
        break;
    }
    case FLP_MARGIN:
        // Unsafe input mended: a negative strip moved the cells out of the window.
        b->margin = std::max(0, std::min(static_cast<int>(lp), 4096));
        FastListUpdateRowsPerPage(b);
        // Misplaced header mended: the header starts at the margin; left where it was, its
        // dividers stood beside the columns they size.
        FastListLayoutHeader(b);   // to the new margin
        FastListApplyStretch(b, true);
        FastListInvalidateAll(b);
        break;
    case FLP_PAINTCONTEXT: b->paintContext = reinterpret_cast<void*>(lp); break;
    case FLP_PAINTHOOK:
        b->paintHook = reinterpret_cast<FastListPaintHook>(lp);
        FastListInvalidateAll(b);
        break;
    default: break;
    }
    return old;
}

// --- the deferred refresh

void RefreshTick(FastListBlock* b)
{
    const bool wasDeferred = b->deferred;
    b->deferred = false;
    UINT work = b->pending;
    b->pending = 0;
    if (work & FLPEND_TOP) {
        const int top = ClampTopRow(b->pendingTop, FastListPageOf(b));
        if (top != b->top) {
            // Every row of the page moved. Only the rows marked by the insertions were
            // repainted, so the others stood where other rows now are (0-7, 10, 11 under a
            // top of 2), and clicks hit rows other than the ones shown.
            b->top = top;
            work |= FLPEND_REDRAW;
        }
    }
    if (work & FLPEND_TOOLTIP)
        FastListHideTooltip(b);
    if ((work & FLPEND_ENSURE) && b->pendingEnsureItem >= 0) {
        int item = b->pendingEnsureItem;
        b->pendingEnsureItem = -1;
        FastListEnsureVisible(b, item, b->pendingEnsureMode, b->pendingEnsureCause);
    }
    if (work & (FLPEND_HSCROLL | FLPEND_VSCROLL) || b->scrollBarHeld)
        FastListUpdateScrollBars(b, true);
    if (work & FLPEND_REDRAW) {
        RECT r = {0, b->headerHeight, b->clientWidth, b->clientHeight};
        ::InvalidateRect(b->window, &r, TRUE);
    }
    if ((work & FLPEND_ROWS) && b->pendingRowFirst >= 0) {
        int first = b->pendingRowFirst, last = b->pendingRowLast;
        b->pendingRowFirst = b->pendingRowLast = -1;
        FastListInvalidateRows(b, first, last);
    }
    if (work & FLPEND_RECOUNT) {
        FastListRecountSelection(b);
        if (!b->items.Valid(b->index.focus)) {
            for (int i = 0; i < b->items.Count(); ++i) {
                if (b->items[i].state & LVIS_SELECTED) {
                    b->index.focus = i;
                    break;
                }
            }
        }
        FastListSelectionCount sc = {};
        sc.selected = b->selected;
        sc.focused = b->index.focus;
        FastListNotify(b, &sc.hdr, FLN_SELECTIONCOUNT, __LINE__);
    }
    if (work & FLPEND_SELNOTIFY) {
        const POINT none = {0, 0};
        for (int i = b->items.Count() - 1; i >= 0; --i) {
            if (i >= b->items.Count() || !(b->items[i].flags & kItemSelectionPending))
                continue;
            const bool was = (b->items[i].flags & kItemWasSelected) != 0;
            b->items[i].flags &= ~(kItemSelectionPending | kItemWasSelected);
            UINT s = b->items[i].state;
            const bool now = (s & LVIS_SELECTED) != 0;
            // Only a selection that differs from the one marked at the first change is told:
            // an item that merely lost the focus, or was selected and deselected again
            // before this tick, did not change its selection.
            if (was == now || !ItemNotifications(b))
                continue;
            FastListNotifyItem(b, LVN_ITEMCHANGED, i, b->focusColumn, s, s ^ LVIS_SELECTED, LVIF_STATE, none, __LINE__);
        }
    }
    if (work)
        FastListPlaceEditor(b);   // the rows may have moved under an open edit
    if (work || b->refreshMark == 1) {
        b->refreshMark = 2;
    } else if (wasDeferred) {
        ++b->refreshMark;
    }
    // Deferred mode ends after some idle ticks.
    b->deferred = wasDeferred && b->refreshMark <= 5;
    if (!b->deferred && b->refreshMark > 5)
        b->refreshMark = 0;
}

// --- the attached data source

int __stdcall SyncRoutine(void* block, int first, int count, DWORD operation)
{
    FastListBlock* b = static_cast<FastListBlock*>(block);
    if (!b || !b->sourceAttached)
        return 0;
    FL_LOCK(b);
    // A sort works on a copy of the records without the lock and puts the copy back: what
    // the owner synchronised meanwhile would be overwritten or shifted under it. Refused, as
    // insertions are while a sort runs; the owner sees 0 done and synchronises again.
    const bool sorting = b->busy;
    if (sorting)
        return 0;
    const bool was = b->deferred;
    b->deferred = true;
    const FastListSource& src = b->source;
    const int ownerCount = src.count ? *src.count : 0;
    int done = 0;
    if (first < 0)
        first = 0;
    switch (operation & 0xFF) {
    case 1: {
        // Every range is cut at the owner's count (and for refreshes at the list's): its
        // arrays hold no more, and reading on would read past them.
        int n = std::min(count, ownerCount - first);
        if (n > 0 && src.indices) {
            std::vector<DWORD> data(n);
            for (int i = 0; i < n; ++i)
                data[i] = src.base + static_cast<DWORD>(src.indices[first + i]);
            int at = InsertItems(b, first, n, data.data(), 0, false, false, 0, operation & 0x07000000);
            done = at < 0 ? 0 : n;
        }
        FastListInvalidateRows(b, first, b->items.Count());
        break;
    }
    case 2:
        FastListInvalidateRows(b, first, b->items.Count());
        break;
    case 3:
    case 4: {
        int end = std::min({first + std::max(count, 0), b->items.Count(), ownerCount});
        for (int i = first; i < end; ++i) {
            if (src.indices)
                b->items[i].data = src.base + static_cast<DWORD>(src.indices[i]);
            if ((operation & 0xFF) == 3 && src.states) {
                DWORD s = src.states[i];
                b->items[i].state = static_cast<WORD>(s & 0xFFFF);
                b->items[i].flags = static_cast<BYTE>((s >> 16) & 0xFE);
                b->items[i].indent = static_cast<BYTE>(s >> 24);
                if (s & 0x410000)
                    b->index.focus = i;
            }
            ++done;
        }
        if ((operation & 0xFF) == 3)
            b->pending |= FLPEND_RECOUNT;
        FastListInvalidateRows(b, first, end);
        break;
    }
    default:
        FastListInvalidateRows(b, first, first + std::max(count, 1) - 1);
        break;
    }
    b->deferred = was;
    return done;
}

// --- creation and destruction

LRESULT OnCreate(HWND hwnd, LPCREATESTRUCTA cs)
{
    FastListBlock* b = new (std::nothrow) FastListBlock;
    if (!b)
        return -1;
    if (!b->items.Init()) {
        delete b;
        return -1;
    }
    g_fastListClass.AddUser();
    SetControlBlock(hwnd, b);
    b->window = hwnd;
    b->style = static_cast<DWORD>(cs->style);
    b->enabled = ::IsWindowEnabled(hwnd) != FALSE;
    b->smallSize = std::min(7, ::GetSystemMetrics(SM_CYICON) * 4 / 32);
    ComputeFastListColours(FastListSysColours::Current(), b->colourSet, b->colours);
    FastListMakeFonts(b, nullptr);
    FastListUpdateRowsPerPage(b);
    FastListRecomputeRowHeight(b);
    FastListUpdateScrollBars(b, true);
    FastListCreateTooltip(b);
    return 0;
}

void OnDestroy(FastListBlock* b)
{
    if (b->destroyCallback)
        b->destroyCallback(b->destroyContext, b->window);
    b->busy = false;
    DeleteItems(b, 0, b->items.Count());
    FastListEndEdit(b, false);
    for (HWND* child : {&b->edit, &b->header, &b->tooltip}) {
        if (*child && ::IsWindow(*child))
            ::DestroyWindow(*child);
        *child = nullptr;
    }
    for (FastListImages& slot : b->images) {
        if (slot.owned && slot.list && slot.list != kThemedBoxes && !(b->style & LVS_SHAREIMAGELISTS))
            ImageList_Destroy(slot.list);
        slot = FastListImages();
    }
    const ControlThemeApi& theme = g_fastListClass.Theme();
    if (b->theme && theme.CloseThemeData)
        theme.CloseThemeData(b->theme);
    b->theme = nullptr;
    if (b->ownFonts && b->fonts[1])
        ::DeleteObject(b->fonts[1]);
    b->fonts[1] = nullptr;
    b->ownFonts = false;
}

// The window procedure runs with a nesting count, so that a block whose window is destroyed
// while one of its messages waits on a notification is freed only when that message ends.
struct Nesting {
    FastListBlock* b;
    explicit Nesting(FastListBlock* block) : b(block) { ::InterlockedIncrement(&b->nesting); }
    ~Nesting()
    {
        if (::InterlockedDecrement(&b->nesting) == 0 && b->dead)
            delete b;
    }
};

LRESULT Dispatch(FastListBlock* b, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

LRESULT CALLBACK FastListWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    FastListBlock* b = FastListOf(hwnd);
    if (!b) {
        if (msg == WM_CREATE)
            return OnCreate(hwnd, reinterpret_cast<LPCREATESTRUCTA>(lp));
        return ::DefWindowProcA(hwnd, msg, wp, lp);
    }
    Nesting nesting(b);
    return Dispatch(b, hwnd, msg, wp, lp);
}

LRESULT Dispatch(FastListBlock* b, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_NCDESTROY: {
        {
            FL_LOCK(b);
            b->items.Free();
            SetControlBlock(hwnd, nullptr);
            b->dead = true;
        }
        g_fastListClass.ReleaseUser();
        return ::DefWindowProcA(hwnd, msg, wp, lp);
    }
    case WM_DESTROY: {
        FL_LOCK(b);
        OnDestroy(b);
        return 0;
    }
    case WM_PAINT:
        return FastListOnPaint(b, reinterpret_cast<HDC>(wp));
    case WM_SIZE: {
        FL_LOCK(b);
        FastListUpdateRowsPerPage(b);
        FastListLayoutHeader(b);
        FastListApplyStretch(b, true);
        b->top = ClampTopRow(b->top, FastListPageOf(b));
        FastListUpdateScrollBars(b, true);
        FastListInvalidateAll(b);
        return 0;
    }
    case WM_SETFONT: {
        FL_LOCK(b);
        FastListMakeFonts(b, reinterpret_cast<HFONT>(wp));
        FastListLayoutHeader(b);
        FastListRecomputeRowHeight(b);
        FastListInvalidateAll(b);
        return 0;
    }
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(b->fonts[0]);
    case WM_ENABLE: {
        FL_LOCK(b);
        bool now = wp != 0;
        if (now != b->enabled) {
            b->enabled = now;
            DWORD style = static_cast<DWORD>(::GetWindowLongA(hwnd, GWL_STYLE));
            style = (style & ~0xFFFFu & ~static_cast<DWORD>(WS_DISABLED)) | (b->style & 0xFFFF) | (now ? 0 : WS_DISABLED);
            ::SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(style));
            if (!now)
                FastListHideTooltip(b);
            FastListInvalidateAll(b);
        }
        return 0;
    }
    case WM_STYLECHANGED: {
        if (wp != static_cast<WPARAM>(GWL_STYLE) || !lp)
            return 0;
        FL_LOCK(b);
        const DWORD old = b->style;
        b->style = reinterpret_cast<const STYLESTRUCT*>(lp)->styleNew;
        const DWORD changed = old ^ b->style;
        if (changed & LVS_SINGLESEL)
            FastListInvalidateAll(b);
        if (changed & (0x400 | LVS_NOSCROLL))
            FastListUpdateScrollBars(b, true);
        if (changed & LVS_NOCOLUMNHEADER) {
            HeaderAreaChanged(b);
        }
        return 0;
    }
    case WM_GETDLGCODE: {
        const MSG* m = reinterpret_cast<const MSG*>(lp);
        if (m && m->message == WM_KEYDOWN && m->wParam == VK_RETURN)
            return DLGC_WANTALLKEYS;
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    }
    case WM_CUT:
    case WM_COPY:
    case WM_PASTE:
    case WM_CLEAR:
        if (b->edit && ::IsWindowVisible(b->edit))
            ::PostMessageA(b->edit, msg, wp, lp);
        return 0;
    case WM_MEASUREITEM:
        return ::SendMessageA(::GetParent(hwnd), msg, wp, lp);
    case WM_SYSCOLORCHANGE: {
        FL_LOCK(b);
        ComputeFastListColours(FastListSysColours::Current(), b->colourSet, b->colours);
        const ControlThemeApi& theme = g_fastListClass.Theme();
        if (b->theme && theme.CloseThemeData)
            theme.CloseThemeData(b->theme);
        b->theme = nullptr;
        if (b->ownCheckImages)
            FastListBuildCheckImages(b, FLIL_CHECK);
        if (b->ownStateImages)
            FastListBuildCheckImages(b, FLIL_STATE2);
        FastListInvalidateAll(b);
        return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        {
            FL_LOCK(b);
            b->focused = msg == WM_SETFOCUS;
            if (b->selected > 1)
                FastListInvalidateAll(b);
            else if (b->index.focus >= 0)
                FastListInvalidateRows(b, b->index.focus, b->index.focus);
        }
        NMHDR hdr = {};
        ControlNotifyParent(hwnd, &hdr, msg == WM_SETFOCUS ? NM_SETFOCUS : NM_KILLFOCUS);
        return 0;
    }
    case WM_KEYDOWN:
        return FastListKeyDown(b, wp, lp);
    case WM_CHAR:
        return FastListChar(b, wp, lp);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        return FastListMouseButton(b, msg, wp, lp);
    case WM_RBUTTONUP:
        b->rightDrag = false;
        return ::DefWindowProcA(hwnd, msg, wp, lp);
    case WM_MOUSEWHEEL:
        return FastListMouseWheel(b, wp);
    case WM_MOUSEMOVE: {
        FL_LOCK(b);
        FastListMouseMove(b, static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)), false);
        return 0;
    }
    case WM_MOUSELEAVE: {
        FL_LOCK(b);
        b->tracking = false;
        FastListMouseMove(b, -1, -1, true);
        return 0;
    }
    case WM_VSCROLL:
    case WM_HSCROLL: {
        FL_LOCK(b);
        FastListScroll(b, msg == WM_VSCROLL ? SB_VERT : SB_HORZ, wp);
        return 0;
    }
    case WM_TIMER: {
        FL_LOCK(b);
        if (wp == kFastListRefreshTimer)
            RefreshTick(b);
        else if (wp == kFastListTooltipTimer)
            FastListTooltipTick(b);
        return 0;
    }
    case WM_NOTIFY: {
        NMHDR* hdr = reinterpret_cast<NMHDR*>(lp);
        if (hdr && hdr->hwndFrom == b->header && b->header) {
            FL_LOCK(b);
            return FastListHeaderNotify(b, hdr);
        }
        if (hdr && hdr->hwndFrom == b->tooltip && hdr->code == TTN_GETDISPINFOA) {
            FL_LOCK(b);
            NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(lp);
            info->lpszText = b->tipText.empty() ? const_cast<char*>("") : b->tipText.data();
            return 0;
        }
        return 0;
    }
    // --- list-view messages
    case LVM_GETBKCOLOR:
        return wp <= 12 ? static_cast<LRESULT>(b->colours[wp]) : -1;
    case LVM_SETBKCOLOR:
    case LVM_SETTEXTCOLOR:
    case LVM_SETTEXTBKCOLOR: {
        const int index = msg == LVM_SETBKCOLOR ? static_cast<int>(wp) : (msg == LVM_SETTEXTCOLOR ? 4 : 0);
        if (index < 0 || index > 12)
            return -1;
        FL_LOCK(b);
        COLORREF old = b->colours[index];
        if (lp == -1) {
            b->colourSet[index] = false;
        } else {
            b->colours[index] = static_cast<COLORREF>(lp);
            b->colourSet[index] = true;
        }
        ComputeFastListColours(FastListSysColours::Current(), b->colourSet, b->colours);
        FastListInvalidateAll(b);
        return static_cast<LRESULT>(old);
    }
    case LVM_GETTEXTCOLOR:
        return static_cast<LRESULT>(b->colours[4]);
    case LVM_GETTEXTBKCOLOR:
        return static_cast<LRESULT>(b->colours[0]);
    case LVM_GETIMAGELIST: {
        static const int slot[] = {-1, FLIL_ITEM, FLIL_ITEM, FLIL_STATE2, FLIL_FOURTH, FLIL_HEADER};
        if (wp < 1 || wp > 5)
            return 0;
        FL_LOCK(b);
        HIMAGELIST list = b->images[slot[wp]].list;
        // The fourth list and the header's follow the item images while they are unset: the
        // answer is the list they show, not 0.
        if (!list && (slot[wp] == FLIL_FOURTH || slot[wp] == FLIL_HEADER))
            list = b->images[FLIL_ITEM].list;
        return reinterpret_cast<LRESULT>(list);
    }
    case LVM_GETITEMCOUNT:
        return b->items.Count();
    case LVM_GETITEMA: {
        FL_LOCK(b);
        return GetItem(b, reinterpret_cast<LVITEMA*>(lp));
    }
    case LVM_SETITEMA: {
        LVITEMA* item = reinterpret_cast<LVITEMA*>(lp);
        if (!item)
            return 0;
        FL_LOCK(b);
        if (!b->items.Valid(item->iItem))
            return 0;
        if (item->mask & LVIF_PARAM)
            b->items[item->iItem].data = static_cast<DWORD>(item->lParam);
        if (!(item->mask & LVIF_STATE))
            return 1;
        return FastListSetItemState(b, item->iItem, item->state, item->stateMask, 9);
    }
    case LVM_INSERTITEMA: {
        const LVITEMA* item = reinterpret_cast<const LVITEMA*>(lp);
        if (!item)
            return -1;
        FL_LOCK(b);
        if (b->busy)
            return -1;   // a sort runs; 0 would name a real item
        return InsertItems(b, item->iItem, 1, nullptr, (item->mask & LVIF_PARAM) ? static_cast<DWORD>(item->lParam) : 0,
                           false, (item->mask & LVIF_STATE) != 0, item->state & item->stateMask,
                           item->mask & 0x07000000);
    }
    case FLM_APPENDARRAY:
    case FLM_APPENDRUN: {
        const int n = static_cast<int>(wp & 0xFFFFFF);
        if (n <= 0 || (msg == FLM_APPENDARRAY && !lp))
            return 0;
        FL_LOCK(b);
        if (b->busy)
            return 0;
        int at = InsertItems(b, b->items.Count(), n, msg == FLM_APPENDARRAY ? reinterpret_cast<const DWORD*>(lp) : nullptr,
                             static_cast<DWORD>(lp), msg == FLM_APPENDRUN, false, 0, static_cast<DWORD>(wp) & 0x07000000);
        return at < 0 ? 0 : n;
    }
    case LVM_DELETEITEM: {
        FL_LOCK(b);
        return DeleteItems(b, static_cast<int>(wp), 1) ? 1 : 0;
    }
    case LVM_DELETEALLITEMS: {
        FL_LOCK(b);
        if (b->items.Count() == 0)
            return 1;
        return DeleteItems(b, 0, b->items.Count()) ? 1 : 0;
    }
    case FLM_DELETEITEMS: {
        FL_LOCK(b);
        return DeleteItems(b, static_cast<int>(wp), static_cast<int>(lp));
    }
    case LVM_GETNEXTITEM: {
        FL_LOCK(b);
        FastListState s;
        s.items = b->items.Data();
        s.count = b->items.Count();
        s.top = b->top;
        s.wholeRows = b->wholeRows;
        s.selected = b->selected;
        s.index = b->index;
        s.focusColumn = b->focusColumn;
        s.markColumn = b->markColumn;
        s.hotColumn = b->hotColumn;
        return NextFastListItem(s, static_cast<int>(wp), static_cast<UINT>(LOWORD(lp)));
    }
    case LVM_FINDITEMA: {
        FL_LOCK(b);
        if (static_cast<int>(wp) >= b->items.Count())
            return -1;
        return FindItem(b, static_cast<int>(wp), reinterpret_cast<const FastListFind*>(lp));
    }
    case LVM_GETITEMRECT:
    case LVM_GETSUBITEMRECT: {
        RECT* r = reinterpret_cast<RECT*>(lp);
        if (!r)
            return 0;
        FL_LOCK(b);
        const int item = static_cast<int>(wp);
        DWORD code = static_cast<DWORD>(r->left);
        if (msg == LVM_GETSUBITEMRECT)
            code = (code & 0x00FFFFFF) | (static_cast<DWORD>(r->top) << 24);
        ::SetRectEmpty(r);
        if (!b->items.Valid(item))
            return 0;
        const int row = item - b->top;
        if (!(code & 0x100) && (row < 0 || row >= b->partialRows))
            return 0;
        if ((code & 0xFC) == 0x80 || msg == LVM_GETSUBITEMRECT) {
            int column = static_cast<int>(code >> 24);
            if (!b->columns.Valid(column))
                column = 0;
            if (msg == LVM_GETSUBITEMRECT && (code & 0xFC) != 0x80) {
                *r = FastListRowRect(b, item);
                return 1;
            }
            *r = FastListCellRect(b, item, column);
        } else {
            *r = FastListRowRect(b, item);
        }
        return 1;
    }
    case LVM_GETSTRINGWIDTHA: {
        if (!lp)
            return 0;
        FL_LOCK(b);
        HDC dc = ::GetDC(hwnd);
        HGDIOBJ old = ::SelectObject(dc, b->fonts[wp ? 1 : 0] ? b->fonts[wp ? 1 : 0] : ::GetStockObject(DEFAULT_GUI_FONT));
        RECT r = {0, 0, 0, 0};
        ::DrawTextExA(dc, const_cast<LPSTR>(reinterpret_cast<LPCSTR>(lp)), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX,
                      nullptr);
        ::SelectObject(dc, old);
        ::ReleaseDC(hwnd, dc);
        return r.right - r.left;
    }
    case LVM_HITTEST:
    case LVM_SUBITEMHITTEST: {
        LVHITTESTINFO* info = reinterpret_cast<LVHITTESTINFO*>(lp);
        if (!info)
            return -1;
        FL_LOCK(b);
        FastListHitTest(b, info);
        return info->iItem;
    }
    case LVM_ENSUREVISIBLE: {
        FL_LOCK(b);
        return FastListEnsureVisible(b, static_cast<int>(wp), static_cast<int>(lp), 9);
    }
    case LVM_SCROLL: {
        FL_LOCK(b);
        if (wp)
            FastListScrollTo(b, SB_HORZ, b->originX + static_cast<int>(wp), 9);
        if (lp)
            FastListScrollTo(b, SB_VERT, b->top + static_cast<int>(lp) / std::max(b->rowHeight, 1), 9);
        return b->top;
    }
    case LVM_REDRAWITEMS: {
        FL_LOCK(b);
        int first = std::min(static_cast<int>(wp), static_cast<int>(lp));
        int last = std::max(static_cast<int>(wp), static_cast<int>(lp));
        if (!b->items.Valid(first))
            return 0;
        FastListInvalidateRows(b, first, std::min(last, b->items.Count() - 1));
        return 1;
    }
    case LVM_EDITLABELA: {
        if (!(b->style & LVS_EDITLABELS))
            return 0;
        FL_LOCK(b);
        if ((static_cast<DWORD>(lp) & 0xFFFFFF00u) == 0xF5A5A500u)
            return FastListBeginEdit(b, b->index.focus, b->focusColumn, static_cast<int>(lp & 0xFF));
        return FastListBeginEdit(b, static_cast<int>(wp), static_cast<int>(lp), 0x10000, false);
    }
    case LVM_GETEDITCONTROL:
        return reinterpret_cast<LRESULT>(b->edit);
    case LVM_GETHEADER:
        return reinterpret_cast<LRESULT>(b->header);
    case LVM_CREATEDRAGIMAGE: {
        FL_LOCK(b);
        return reinterpret_cast<LRESULT>(FastListCreateDragImage(b, static_cast<int>(wp), reinterpret_cast<POINT*>(lp)));
    }
    case LVM_GETTOPINDEX:
        return b->items.Count() ? b->top : -1;
    case LVM_GETCOUNTPERPAGE:
        return b->partialRows;
    case LVM_SETITEMSTATE: {
        const LVITEMA* item = reinterpret_cast<const LVITEMA*>(lp);
        if (!item)
            return 0;
        FL_LOCK(b);
        return FastListSetItemState(b, static_cast<int>(wp), item->state, item->stateMask, 9);
    }
    case LVM_GETITEMSTATE: {
        FL_LOCK(b);
        const int item = static_cast<int>(wp);
        if (!b->items.Valid(item))
            return 0;
        UINT state = b->items[item].state;
        if (lp & 0xC0)
            state |= FastListAskCell(b, item, 0).state;
        // Masked, as the list-view message answers: CListCtrl's callers test
        // GetItemState(i, LVIS_SELECTED) == LVIS_SELECTED, which the whole word (focus, check
        // and cell bits) would answer wrongly for a selected item.
        return state & static_cast<UINT>(lp);
    }
    case LVM_GETITEMTEXTA: {
        FL_LOCK(b);
        return GetItemText(b, static_cast<int>(wp), reinterpret_cast<LVITEMA*>(lp));
    }
    case LVM_SORTITEMS: {
        FL_LOCK(b);
        return SortItems(b, static_cast<LPARAM>(wp), reinterpret_cast<FastListCompare>(lp));
    }
    case LVM_GETSELECTEDCOUNT:
        return b->selected;
    case LVM_GETISEARCHSTRINGA: {
        std::string prefix = FastListTypeAhead::Shared().Prefix();
        if (!lp)
            return static_cast<LRESULT>(prefix.size());
        std::memcpy(reinterpret_cast<char*>(lp), prefix.c_str(), prefix.size() + 1);
        return prefix.empty() ? 0 : 1;
    }
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
        FL_LOCK(b);
        const DWORD mask = wp ? static_cast<DWORD>(wp) : 0xFFFFFFFFu;
        const DWORD old = b->exStyle;
        b->exStyle = (old & ~mask) | (static_cast<DWORD>(lp) & mask);
        const DWORD changed = old ^ b->exStyle;
        if (changed & LVS_EX_CHECKBOXES) {
            if (b->exStyle & LVS_EX_CHECKBOXES) {
                if (!b->images[FLIL_CHECK].list)
                    FastListBuildCheckImages(b, FLIL_CHECK);
            } else if (b->ownCheckImages) {
                if (b->images[FLIL_CHECK].list && b->images[FLIL_CHECK].list != kThemedBoxes)
                    ImageList_Destroy(b->images[FLIL_CHECK].list);
                b->images[FLIL_CHECK] = FastListImages();
                b->ownCheckImages = false;
            }
        }
        if (changed & (LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | FLS_EX_ALTERNATE | 0x200)) {
            FastListRecomputeRowHeight(b);
            FastListUpdateScrollBars(b, true);
        }
        if ((changed & FLS_EX_CELLFOCUS) && !(b->exStyle & FLS_EX_CELLFOCUS))
            b->focusColumn = b->markColumn = 0;
        if (changed & FLS_EX_NOTOOLTIPS) {
            if (b->exStyle & FLS_EX_NOTOOLTIPS)
                FastListHideTooltip(b);
            else if (!b->tooltip)
                FastListCreateTooltip(b);
        }
        FastListInvalidateAll(b);
        return b->exStyle;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
        return b->exStyle;
    case LVM_GETSELECTIONMARK:
        return b->index.focus;
    case LVM_SETSELECTIONMARK: {
        FL_LOCK(b);
        int old = b->index.focus;
        int item = static_cast<int>(lp);
        if (b->items.Valid(item))
            FastListMoveFocus(b, item, static_cast<int>(wp), false, false, false, 9);
        return old;
    }
    case LVM_SETTOOLTIPS: {
        FL_LOCK(b);
        HWND old = b->tooltip;
        b->tooltip = reinterpret_cast<HWND>(wp);
        return reinterpret_cast<LRESULT>(old);
    }
    case LVM_GETTOOLTIPS:
        return reinterpret_cast<LRESULT>(b->tooltip);
    case CCM_GETUNICODEFORMAT:
        return 0;
    // --- own messages
    case FLM_SETITEMDATA: {
        FL_LOCK(b);
        if (!b->items.Valid(static_cast<int>(lp)))
            return 0;
        b->items[static_cast<int>(lp)].data = static_cast<DWORD>(wp);
        return 1;
    }
    case FLM_GETITEMDATA: {
        FL_LOCK(b);   // indexing the array: the owner's synchronisation may grow it meanwhile
        return b->items.Valid(static_cast<int>(lp)) ? static_cast<LRESULT>(b->items[static_cast<int>(lp)].data) : 0;
    }
    case FLM_FOCUSSTATE: {
        FL_LOCK(b);
        const int item = lp == -1 ? b->index.mark : static_cast<int>(lp);
        const int column = LOWORD(wp) == 0xFFFF ? -1 : LOWORD(wp);
        LRESULT result = 0;
        if (b->items.Valid(item))
            result = FastListSetItemState(b, item, LVIS_FOCUSED, LVIS_FOCUSED, 9);
        if (column >= 0 && b->columns.Valid(column)) {
            b->focusColumn = column;
            result = 1;
        }
        if ((wp & 0x40000000) && b->items.Valid(item)) {
            FastListMoveFocus(b, item, column >= 0 ? column : b->focusColumn, false, false, false, 9);
            result = 1;
        }
        if ((wp & 0x80000000u) && b->items.Valid(item))
            result = FastListEnsureVisible(b, item, static_cast<int>(0x80000000u | (column >= 0 ? column : b->focusColumn)), 9);
        return result;
    }
    case FLM_SETSTATERANGE: {
        const FastListStateRange* range = reinterpret_cast<const FastListStateRange*>(lp);
        if (!range)
            return 0;
        FL_LOCK(b);
        int changed = 0;
        for (int i = std::max(range->first, 0); i < std::min(range->end, b->items.Count()); ++i) {
            if ((b->items[i].state ^ range->state) & range->stateMask & 0xFFFF)
                changed += FastListSetItemState(b, i, range->state, range->stateMask, 9) ? 1 : 0;
        }
        return changed;
    }
    case FLM_REFRESH: {
        FL_LOCK(b);
        b->refreshMark = 2;
        FastListStartRefreshTimer(b);
        return 0;
    }
    case FLM_ATTACHSOURCE: {
        FastListSource* src = reinterpret_cast<FastListSource*>(lp);
        if (!src)
            return 0;
        FL_LOCK(b);
        b->source = *src;
        b->sourceAttached = true;
        src->sync = &SyncRoutine;
        return 1;
    }
    case FLM_SCROLLTOROW: {
        FL_LOCK(b);
        FastListScrollTo(b, SB_VERT, static_cast<int>(wp), 9);
        return 1;
    }
    case FLM_REDRAWCELLS: {
        FL_LOCK(b);
        int item = static_cast<int>(wp & 0xFFFFFF), column = static_cast<int>(wp >> 24);
        int rows = static_cast<int>(lp & 0xFFFFFF), columns = static_cast<int>(static_cast<DWORD>(lp) >> 24);
        if (!b->items.Valid(item) || rows <= 0 || columns <= 0 || !b->columns.Valid(column))
            return 0;
        // Each named column's cells on their own: shown in another order, a named column may
        // lie outside the span from the first to the last named one, which was all that was
        // invalidated.
        const int lastItem = std::min(item + rows - 1, b->items.Count() - 1);
        const int lastColumn = std::min(column + columns - 1, b->columns.Count() - 1);
        bool any = false;
        for (int c = column; c <= lastColumn; ++c) {
            RECT top = FastListCellRect(b, item, c);
            RECT bottom = FastListCellRect(b, lastItem, c);
            RECT r;
            ::UnionRect(&r, &top, &bottom);
            if (::IsRectEmpty(&r))
                continue;
            ::InvalidateRect(hwnd, &r, FALSE);
            any = true;
        }
        return any ? 1 : 0;
    }
    case FLM_PROPERTY:
        return Property(b, wp, lp);
    case FLM_ITEMCOMMAND: {
        FL_LOCK(b);
        const int item = static_cast<int>(lp);
        switch (wp) {
        case 0x108:
            return FastListMoveFocus(b, item, b->focusColumn, false, false, true, 9) ? 1 : 0;
        case 0x109: {
            if (b->items.Valid(b->index.hot))
                b->items[b->index.hot].flags &= ~0x08;
            int old = b->index.hot;
            b->index.hot = b->items.Valid(item) ? item : -1;
            if (b->index.hot >= 0) {
                b->items[item].flags |= 0x08;
                TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, hwnd, 0};
                b->tracking = _TrackMouseEvent(&tme) != FALSE;
            }
            FastListInvalidateRows(b, old, old);
            FastListInvalidateRows(b, item, item);
            return 1;
        }
        case 0x10A:
            if (!b->items.Valid(item))
                return 0;
            FastListScrollTo(b, SB_VERT, item, 9);
            return b->top == item ? 1 : 0;
        default:
            return 0;
        }
    }
    case FLM_GETCOLUMNCOUNT:
        return b->columns.Count();
    case FLM_ENDEDIT: {
        FL_LOCK(b);
        FastListEndEdit(b, wp == 0);
        return 0;
    }
    case FLM_GETCELLVALUE5:
    case FLM_GETCELLVALUE6: {
        FL_LOCK(b);
        FastListTextRequest r = FastListAskCell(b, static_cast<int>(wp), static_cast<int>(lp));
        return msg == FLM_GETCELLVALUE5 ? r.value5 : r.value6;
    }
    case FLM_GETWHOLEROWS:
        return b->wholeRows;
    case FLM_SETROWHEIGHT: {
        const int old = b->rowHeight;
        const int height = static_cast<int>(wp);
        if (height == -1) {
            FL_LOCK(b);
            b->rowHeightSet = false;
            b->rowHeight = 0;
            FastListRecomputeRowHeight(b);
            return old;
        }
        const int wanted = ClampRowHeight(height, (b->exStyle & FLS_EX_INFOTIPS) != 0);
        if (wanted == old && b->rowHeightSet)
            return old;
        FL_LOCK(b);
        b->rowHeight = wanted;
        b->rowHeightSet = true;
        FastListUpdateRowsPerPage(b);
        FastListUpdateScrollBars(b, false);
        FastListInvalidateAll(b);
        return old;
    }
    case FLM_GETROWHEIGHT:
        return b->rowHeight;
    case FLM_FOCUSCELL: {
        FL_LOCK(b);
        const int item = static_cast<int>(lp);
        if (!b->items.Valid(item))
            return 0;
        const int column = (b->exStyle & FLS_EX_CELLFOCUS) ? static_cast<int>(wp) : b->focusColumn;
        if (item == b->index.focus && column == b->focusColumn)
            return 0;
        FastListMoveFocus(b, item, column, false, false, true, 9);
        return b->index.focus == item ? 1 : 0;
    }
    case FLM_CELLVISIBILITY: {
        FL_LOCK(b);
        const int item = static_cast<int>(lp), column = static_cast<int>(wp);
        if (!b->items.Valid(item))
            return -1;
        const int row = item - b->top;
        if (row < 0 || row >= b->partialRows)
            return 0;
        if (row >= b->wholeRows)
            return 1;
        if (!b->columns.Valid(column))
            return 2;
        const int position = b->columns.PositionOf(column);
        const std::vector<int>& edges = b->columns.Edges();
        int left = edges[position] - b->originX, right = edges[position + 1] - b->originX;
        if (right <= 0 || left >= b->visibleWidth)
            return 1;
        if (left < 0 || right > b->visibleWidth)
            return 3;
        return 2;
    }
    default:
        break;
    }
    if (msg == FLM_SETCELLKIND || (msg >= LVM_GETCOLUMNA && msg <= LVM_SETCOLUMNWIDTH) || msg == LVM_SETIMAGELIST ||
        msg == LVM_SETCOLUMNORDERARRAY || msg == LVM_GETCOLUMNORDERARRAY) {
        bool handled = false;
        LRESULT r = FastListColumnMessage(b, msg, wp, lp, &handled);
        if (handled)
            return r;
    }
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace
