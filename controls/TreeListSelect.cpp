// TreeList model: expanding and collapsing, selection (single, multiple, the focus cell),
// making an item visible, visibility classes, item rectangles, the drop mark and the drop
// highlight.
#include "controls/TreeListModel.h"

#include <vector>

namespace {

const UINT kRoot = 0xFFFF0000u;
const UINT kLast = 0xFFFF0002u;

}  // namespace

LRESULT TreeListModel::NotifyItems(int code, UINT action, UINT oldItem, int oldColumn, UINT newItem,
                                   int newColumn) noexcept
{
    NMTREEVIEWA nm = {};
    nm.action = action;
    if (oldItem)
        Describe(&nm.itemOld, oldItem, oldColumn, 0x801C);
    if (newItem)
        Describe(&nm.itemNew, newItem, newColumn, 0x801C);
    return host->Notify(&nm.hdr, code);
}

// --- expanding and collapsing

int TreeListModel::ExpandOne(UINT item, UINT action, bool quiet) noexcept
{
    TreeListItem* it = Item(item);
    if (!it)
        return -1;
    UINT code = action & 0xF;
    const bool partial = (action & TVE_EXPANDPARTIAL) != 0;
    const bool expanded = (it->state & TVIS_EXPANDED) != 0;
    const bool isPartial = (it->state & TVIS_EXPANDPARTIAL) != 0;
    if (code == TVE_TOGGLE)
        code = expanded && !isPartial ? TVE_COLLAPSE : TVE_EXPAND;
    if (code == TVE_EXPAND) {
        if (expanded && !isPartial && !partial)
            return 1;
        // An item without children expands like any other: announced, its bits set, so
        // that a parent filling branches on TVN_ITEMEXPANDINGA learns of it.
        if (expanded && partial && isPartial && (it->state & TVIS_EXPANDEDONCE))
            return 1;
    } else if (code == TVE_COLLAPSE) {
        if (!expanded) {
            it->state &= ~static_cast<UINT>(TVIS_EXPANDPARTIAL);
            return 0;
        }
    } else {
        return 0;
    }
    if (!quiet) {
        NMTREEVIEWA nm = {};
        nm.action = code | (partial ? TVE_EXPANDPARTIAL : 0);
        Describe(&nm.itemNew, item, 0, 0x801C);
        if (host->Notify(&nm.hdr, TVN_ITEMEXPANDINGA))
            return 0;
        it = Item(item);
        if (!it)
            return -1;
    }
    const UINT old = it->state;
    if (code == TVE_EXPAND) {
        it->state |= TVIS_EXPANDED | TVIS_EXPANDEDONCE;
        if (partial)
            it->state |= TVIS_EXPANDPARTIAL;
        else
            it->state &= ~static_cast<UINT>(TVIS_EXPANDPARTIAL);
    } else {
        it->state &= ~static_cast<UINT>(TVIS_EXPANDED | TVIS_EXPANDPARTIAL);
    }
    // Only an item with children changes the rows below it: rebuilding them for a leaf
    // would walk the whole rest of the list once per leaf when a tree is expanded whole.
    if (it->row && ((old ^ it->state) & TVIS_EXPANDED) && it->firstChild)
        RebuildRows(item);
    else if (it->row)
        host->InvalidateCell(item, 0);
    if (code == TVE_COLLAPSE)
        ClearCaretInSubtree(item);
    if (!quiet && Item(item)) {
        NMTREEVIEWA nm = {};
        nm.action = code | (partial ? TVE_EXPANDPARTIAL : 0);
        Describe(&nm.itemNew, item, 0, 0x801C);
        host->Notify(&nm.hdr, TVN_ITEMEXPANDEDA);
    }
    if (code == TVE_COLLAPSE && (action & TVE_COLLAPSERESET)) {
        it = Item(item);
        if (!it)
            return -1;
        it->state &= ~static_cast<UINT>(TVIS_EXPANDEDONCE);
        // A reset branch is filled again on its next expansion: an item told it has
        // children keeps the button that expansion is asked for with.
        const bool toldChildren = (it->flags & (TLIF_BUTTON | TLIF_AUTOCHILD)) == TLIF_BUTTON;
        if (it->firstChild)
            Delete(item, 0x2 | 0x1);
        if (toldChildren && (it = Item(item)) != nullptr)
            it->flags |= TLIF_BUTTON;
    }
    AfterStructureChange();
    return Item(item) ? 1 : -1;
}

// The caret inside a collapsed branch moves to its nearest shown ancestor.
void TreeListModel::ClearCaretInSubtree(UINT item) noexcept
{
    if (!caret || caret == item || !Item(caret) || !InSubtree(caret, item))
        return;
    UINT target = item;
    while (target && !items[target]->row)
        target = items[target]->parent;
    Select(target, 0, 0x8000);
}

int TreeListModel::Expand(UINT item, UINT action) noexcept
{
    if (action & 0x02000000) {
        if (item != kRoot && !Item(item))
            return 0;
        Queue(item, action & ~0x02000000u, TLW_EXPAND);
        return 1;
    }
    const bool quiet = (action & 0x04000000) != 0;
    const UINT base = action & 0xFFFF;
    if (action & 0x20000000) {
        if (!Item(item))
            return 0;
        item = items[item]->parent;
    }
    std::vector<UINT> targets;
    if (action & 0x10000000) {
        if (item == kRoot || item == 0) {
            for (UINT x = firstTop; x; x = NextInTree(x))
                targets.push_back(x);
        } else if (Item(item)) {
            // The item and its subtree; with 0x08000000 also its following siblings and theirs.
            for (UINT s = item; s; s = (action & 0x08000000) ? items[s]->next : 0) {
                targets.push_back(s);
                for (UINT x = items[s]->firstChild; x && InSubtree(x, s); x = NextInTree(x))
                    targets.push_back(x);
            }
        } else {
            return 0;
        }
    } else {
        if (!Item(item))
            return 0;
        targets.push_back(item);
    }
    if (action & 0x80000000) {
        std::vector<UINT> ancestors;
        for (UINT p = items[targets[0]]->parent; p; p = items[p]->parent)
            ancestors.push_back(p);
        targets.insert(targets.begin(), ancestors.rbegin(), ancestors.rend());
    }
    int result = 0;
    for (UINT n : targets) {
        if (!Item(n))
            continue;
        int r = ExpandOne(n, base, quiet);
        if (n == item || targets.size() == 1)
            result = r > 0 ? 1 : 0;
        else if (r > 0 && !(action & 0x10000000))
            result = 1;
    }
    if ((action & 0x10000000) && (item == kRoot || item == 0))
        result = 1;
    return result;
}

// --- selection

int TreeListModel::ToggleSelection(UINT item, int action) noexcept
{
    TreeListItem* it = Item(item);
    if (!it || item == caret)
        return 0;
    if (NotifyItems(TVN_SELCHANGINGA, static_cast<UINT>(action), 0, 0, item, 0))
        return 0;
    it = Item(item);
    if (!it)
        return 0;
    it->state ^= TVIS_SELECTED;
    selectedCount += (it->state & TVIS_SELECTED) ? 1 : -1;
    if (it->row)
        host->InvalidateCell(item, (exStyle & TLX_FULLROWSELECT) ? -1 : 0);
    NotifyItems(TVN_SELCHANGEDA, static_cast<UINT>(action), 0, 0, item, 0);
    return 1;
}

int TreeListModel::Select(UINT item, int column, UINT flags) noexcept
{
    if (!(exStyle & TLX_CELLSELECT))
        column = 0;
    if (!ValidColumn(column))
        return 0;
    if (item && !Item(item))
        return 0;
    const bool multi = (exStyle & TLX_MULTISELECT) != 0;
    const UINT action = (flags >> 8) & 0x3F;
    if (item == caret && column == caretColumn && !(multi && selectedCount > 1) &&
        (!item || ((items[item]->state & TVIS_SELECTED) != 0) == !(flags & 0x4000)))
        return 1;
    if (multi && (flags & 0x8000)) {
        std::vector<UINT> others;
        for (UINT x = firstTop; x; x = NextInTree(x))
            if ((items[x]->state & TVIS_SELECTED) && x != caret && x != item)
                others.push_back(x);
        for (UINT x : others)
            if (Item(x) && (items[x]->state & TVIS_SELECTED))
                ToggleSelection(x, static_cast<int>(action));
        if (item && !Item(item))
            return 0;
    }
    UINT old = caret;
    int oldColumn = caretColumn;
    if (NotifyItems(TVN_SELCHANGINGA, action, old, oldColumn, item, column))
        return 0;
    if (item && !Item(item))
        return 0;
    old = Item(caret) ? caret : 0;
    oldColumn = old ? caretColumn : 0;
    const bool keepOld = multi && !(flags & 0x8000);
    if (old && old != item) {
        TreeListItem* o = items[old];
        if (!keepOld && (o->state & TVIS_SELECTED)) {
            o->state &= ~static_cast<UINT>(TVIS_SELECTED);
            --selectedCount;
        }
        if (o->row)
            host->InvalidateCell(old, (exStyle & (TLX_CELLSELECT | TLX_FULLROWSELECT)) ? -1 : oldColumn);
    }
    if (item) {
        TreeListItem* it = items[item];
        const bool was = (it->state & TVIS_SELECTED) != 0;
        if (flags & 0x4000) {
            it->state &= ~static_cast<UINT>(TVIS_SELECTED);
            if (was)
                --selectedCount;
        } else {
            it->state |= TVIS_SELECTED;
            if (!was)
                ++selectedCount;
        }
        if (column > 0)
            MakeCell(item, column);
        if (flags & 0x8000)
            anchor = item;
    }
    caret = item;
    caretColumn = item ? column : 0;
    if (item && items[item]->row)
        host->InvalidateCell(item, (exStyle & (TLX_CELLSELECT | TLX_FULLROWSELECT)) ? -1 : column);
    NotifyItems(TVN_SELCHANGEDA, action, old, oldColumn, item, column);
    int result = 1;
    if ((style & TVS_SINGLEEXPAND) && Item(item)) {
        NMTREEVIEWA nm = {};
        nm.action = action;
        if (Item(old))
            Describe(&nm.itemOld, old, oldColumn, 0x801C);
        Describe(&nm.itemNew, item, column, 0x801C);
        LRESULT answer = host->Notify(&nm.hdr, TVN_SINGLEEXPAND);
        // The branches meet at the common ancestor; below it the old one closes and the
        // new one opens.
        std::vector<UINT> oldPath, newPath;
        for (UINT x = Item(old) ? old : 0; x; x = items[x]->parent)
            oldPath.push_back(x);
        for (UINT x = Item(item) ? item : 0; x; x = items[x]->parent)
            newPath.push_back(x);
        while (!oldPath.empty() && !newPath.empty() && oldPath.back() == newPath.back()) {
            oldPath.pop_back();
            newPath.pop_back();
        }
        if (!(answer & 0x1))
            for (UINT x : oldPath)
                if (Item(x) && (items[x]->state & TVIS_EXPANDED))
                    ExpandOne(x, TVE_COLLAPSE, false);
        if (!(answer & 0x2))
            for (auto p = newPath.rbegin(); p != newPath.rend(); ++p)
                if (Item(*p) && !(items[*p]->state & TVIS_EXPANDED) && items[*p]->firstChild)
                    ExpandOne(*p, TVE_EXPAND, false);
        result = 2;
    }
    if ((style & TVS_SHOWSELALWAYS) && Item(item))
        EnsureVisible(item, column);
    return result;
}

int TreeListModel::SelectRun(UINT item, UINT flags) noexcept
{
    if (!(exStyle & TLX_MULTISELECT))
        return 0;
    UINT start = item == kRoot ? firstTop : item;
    if (!Item(start))
        return 0;
    std::vector<UINT> run;
    const UINT stopParent = items[start]->parent;
    for (UINT x = start; x; x = items[x]->next) {
        run.push_back(x);
        if (flags & 0x1)
            for (UINT y = items[x]->firstChild; y && InSubtree(y, x); y = NextInTree(y))
                run.push_back(y);
    }
    (void)stopParent;
    const bool want = !(flags & 0x2);
    for (UINT x : run) {
        TreeListItem* it = Item(x);
        if (it && ((it->state & TVIS_SELECTED) != 0) != want)
            ToggleSelection(x, TVC_UNKNOWN);
    }
    return 1;
}

int TreeListModel::SetFocusCell(int column, UINT item) noexcept
{
    if (item == static_cast<UINT>(-1))
        item = caret;
    if (column == -1)
        column = focusItem ? focusColumn : caretColumn;
    if (!ValidColumn(column))
        return 0;
    if (!(exStyle & TLX_MULTISELECT))
        return item && Item(item) ? (Select(item, column, 0x8000) != 0) : 0;
    if (item && !Item(item))
        return 0;
    if (Item(focusItem)) {
        if (focusColumn > 0) {
            if (TreeListCell* c = Cell(focusItem, focusColumn))
                c->flags &= static_cast<BYTE>(~TLIF_FOCUSMARK);
        } else {
            items[focusItem]->flags &= static_cast<BYTE>(~TLIF_FOCUSMARK);
        }
        if (items[focusItem]->row)
            host->InvalidateCell(focusItem, focusColumn);
    }
    focusItem = item;
    focusColumn = item ? column : 0;
    if (item) {
        if (column > 0) {
            if (TreeListCell* c = MakeCell(item, column))
                c->flags |= TLIF_FOCUSMARK;
        } else {
            items[item]->flags |= TLIF_FOCUSMARK;
        }
        if (items[item]->row)
            host->InvalidateCell(item, column);
    }
    return 1;
}

// --- making visible

int TreeListModel::EnsureVisible(UINT item, int column) noexcept
{
    if (item == TLI_FOCUSITEM)
        item = focusItem ? focusItem : caret;
    if (!Item(item))
        return -1;
    int result = 1;
    if (!items[item]->row) {
        std::vector<UINT> closed;
        for (UINT p = items[item]->parent; p; p = items[p]->parent)
            if (!(items[p]->state & TVIS_EXPANDED))
                closed.push_back(p);
        for (auto p = closed.rbegin(); p != closed.rend(); ++p) {
            if (!Item(*p))
                return 0;
            if (ExpandOne(*p, TVE_EXPAND, false) <= 0)
                return 0;
        }
        result = 0;
        if (!Item(item) || !items[item]->row)
            return 0;
    }
    const int pinned = static_cast<int>(props[TLP_PINNEDROWS]);
    const int r = static_cast<int>(items[item]->row) - 1;
    const int margin = static_cast<int>(props[TLP_SCROLLMARGIN]);
    const bool useMargin = margin > 0 && fullRows > margin + 7;
    int f = firstVisible;
    if (r >= pinned) {
        if (column != -2 && r >= f + fullRows) {
            f = r - fullRows + 1;
            if (useMargin && f + margin < rowCount - fullRows + 1 - margin)
                f += margin;
        } else if (column == -2 || r < f + pinned) {
            // Asked to be the first row, or above the window: the first row under the pinned
            // ones, without the margin that scrolling down keeps below an item.
            f = r - pinned;
        }
        f = ClampFirstRow(f);
        if (f != firstVisible)
            ScrollV(f, 0);
    }
    if (column >= 0 && (column < columnCount || column == 0)) {
        int left = ColumnLeft(column);
        int right = ColumnRight(column);
        if (column == 0 && right - left > clientWidth) {
            TreeListItem* it = items[item];
            int tw = TextWidth(item, 0);
            if (!Item(item))
                return result;
            left = left + it->level * indent + (linesAtRoot ? indent : 0) + (hasStateList ? stateWidth : 0);
            right = left + ((it->flags & TLIF_HASIMAGE) ? imageWidth : 0) + tw + (tw < 51 ? 70 : 20);
        }
        int pos = hScroll;
        if (left < pos)
            pos = left;
        else if (right > pos + clientWidth)
            pos = right - clientWidth < left ? right - clientWidth : left;
        int maxPos = ContentRight() - clientWidth / 2;
        if (pos > maxPos)
            pos = maxPos;
        if (pos < 0)
            pos = 0;
        if (pos != hScroll)
            ScrollH(pos, 0);
    }
    return result;
}

int TreeListModel::Visibility(UINT item, int column) const noexcept
{
    const TreeListItem* it = Item(item);
    if (!it)
        return -1;
    if (!it->row)
        return 0;
    int screen = ScreenRowOf(static_cast<int>(it->row) - 1);
    if (screen < 0)
        return 1;
    if (screen >= rowsFit)
        return 1;
    const bool partRow = screen >= fullRows;
    if (column < 0 || column >= (columnCount ? columnCount : 1))
        return partRow ? 2 : 4;
    int left = ColumnLeft(column) - hScroll;
    int right = ColumnRight(column) - hScroll;
    if (right <= 0 || left >= clientWidth)
        return 1;
    if (partRow)
        return 2;
    if (left < 0 || right > clientWidth)
        return 3;
    return 4;
}

int TreeListModel::ItemRect(UINT item, UINT flags, RECT* rect) noexcept
{
    if (!rect)
        return 0;
    TreeListItem* it = Item(item);
    SetRectEmpty(rect);
    if (!it || !it->row)
        return 0;
    int screen = ScreenRowOf(static_cast<int>(it->row) - 1);
    if (screen < 0)
        return 0;
    if (!(flags & 0x100) && screen >= rowsFit)
        return 0;
    int top = headerHeight + screen * rowHeight;
    int column = 0;
    bool cell = (flags & 0xFC) == 0x80;
    if (cell) {
        column = static_cast<int>(flags >> 24);
        if (!ValidColumn(column) || (column > 0 && column >= columnCount))
            return 0;
    }
    int left, right;
    if (!cell && !(flags & 0x1)) {
        left = -hScroll;
        right = clientWidth;
    } else {
        left = ColumnLeft(column) - hScroll;
        right = ColumnRight(column) - hScroll;
        if (cell && column > 0) {
            // A spanning cell takes the following columns' width.
            int pos = columns[column].position;
            int end = SpanEnd(it, pos);
            if (end > pos + 1)
                right = (end < columnCount ? ColumnLeft(order[end]) : ContentRight()) - hScroll;
        }
        if (flags & 0x1) {
            if (column == 0) {
                int tw = TextWidth(item, 0);
                it = Item(item);
                if (!it)
                    return 0;
                left += LabelOffset(it);
                int end = left + tw + 4;
                right = end < right ? end : right;
            } else {
                TreeListCell* c = Cell(item, column);
                if (columns[column].editKind >= TLE_CHECK)
                    left += list3Width + 2;
                else if (c && (c->flags & TLIF_HASIMAGE))
                    left += list4Width + 2;
            }
        }
        if (left > right)
            left = right;
    }
    rect->left = left;
    rect->right = right;
    rect->top = top;
    rect->bottom = top + rowHeight;
    return 1;
}

// --- drop mark and highlight

UINT TreeListModel::SetDropMark(UINT item, int height) noexcept
{
    UINT previous = dropMark;
    if (item && item != kLast && !Item(item))
        return previous;
    if (height <= 0 || height > rowHeight)
        height = rowHeight;
    if (Item(dropMark) && items[dropMark]->row)
        host->InvalidateCell(dropMark, -1);
    if (dropMark == kLast || item == kLast)
        host->InvalidateRows(rowCount ? rowCount - 1 : 0, -1);
    dropMark = item;
    dropMarkHeight = height;
    hoverCount = 0;
    if (Item(item) && items[item]->row)
        host->InvalidateCell(item, -1);
    return previous;
}

int TreeListModel::SetDropHilite(UINT item, int column) noexcept
{
    // A column the control does not have names no cell: nothing is highlighted then, rather
    // than the item of a cell the caller did not mean.
    if (column != 0 && (column < 0 || column >= columnCount))
        item = 0;
    if (!(exStyle & TLX_CELLSELECT) || !item)
        column = 0;
    if (item && !Item(item)) {
        item = 0;
        column = 0;
    }
    if (item == dropHilite && column == dropHiliteColumn)
        return 1;
    if (Item(dropHilite)) {
        TreeListItem* o = items[dropHilite];
        if (dropHiliteColumn > 0) {
            if (TreeListCell* c = Cell(dropHilite, dropHiliteColumn))
                c->state &= ~static_cast<UINT>(TVIS_DROPHILITED);
        } else {
            o->state &= ~static_cast<UINT>(TVIS_DROPHILITED);
            o->textWidth = 0;
        }
        if (o->row)
            host->InvalidateCell(dropHilite, dropHiliteColumn);
    }
    dropHilite = item;
    dropHiliteColumn = column;
    if (!item)
        return 0;
    if (column > 0) {
        TreeListCell* c = MakeCell(item, column);
        if (c)
            c->state |= TVIS_DROPHILITED;
    } else {
        items[item]->state |= TVIS_DROPHILITED;
        items[item]->textWidth = 0;
    }
    if (items[item]->row)
        host->InvalidateCell(item, column);
    return 1;
}
