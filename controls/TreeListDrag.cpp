// TreeList drag and drop inside the window: starting a drag, following the pointer with an
// insertion band and a cursor, the drop-target test, auto-scroll and auto-expand timers,
// cancelling with Escape, and the drop that moves the items.
#include "controls/TreeListImpl.h"

#include <vector>

namespace {

HTREEITEM Handle(UINT n) { return reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(n)); }
UINT Num(HTREEITEM h) { return static_cast<UINT>(reinterpret_cast<UINT_PTR>(h)); }

void InvalidateTarget(TreeListBlock* b, UINT target)
{
    if (target == TLI_EMPTYAREA)
        b->InvalidateRows(b->model.rowCount ? b->model.rowCount - 1 : 0, -1);
    else if (b->model.Item(target))
        b->InvalidateCell(target, -1);
}

void SetMark(TreeListBlock* b, UINT target, int band, int offset)
{
    TreeListModel& m = b->model;
    InvalidateTarget(b, m.dropTarget);
    m.dropTarget = target;
    m.bandHeight = band;
    m.bandOffset = offset;
    InvalidateTarget(b, target);
}

// The selected items whose ancestors are not selected, in tree order.
std::vector<UINT> DraggedItems(TreeListModel& m)
{
    std::vector<UINT> out;
    const bool several = (m.exStyle & TLX_MULTISELECT) && m.selectedCount >= 2 && !(m.dragFlags & 0x80);
    if (!several) {
        if (m.Item(m.dragItem))
            out.push_back(m.dragItem);
        return out;
    }
    for (UINT x = m.firstTop; x; x = m.NextInTree(x)) {
        if (!(m.Item(x)->state & TVIS_SELECTED))
            continue;
        bool covered = false;
        for (UINT p = m.Item(x)->parent; p && !covered; p = m.Item(p)->parent)
            covered = (m.Item(p)->state & TVIS_SELECTED) != 0;
        if (!covered)
            out.push_back(x);
    }
    return out;
}

// Drop option 0x10 keeps the pinned rows as they are: no item is dropped onto, before or
// after an item shown among them.
bool PinnedTarget(const TreeListModel& m, UINT options, UINT target)
{
    const TreeListItem* t = m.Item(target);
    return (options & TLD_PINNED) && t && t->row && static_cast<int>(t->row) <= m.props[TLP_PINNEDROWS];
}

// Drop options 0x2 and 0x4: a dropped item keeps its level, and with 0x4 its parent too. A
// place at another level gives way to the nearest place of the item's own level up the tree
// (after that ancestor); with none, or under another parent with 0x4, the item stays put.
bool KeptPlace(TreeListModel& m, UINT options, UINT item, UINT* place, bool* after)
{
    if (!(options & (TLD_KEEPLEVEL | TLD_KEEPPARENT)))
        return true;
    const TreeListItem* it = m.Item(item);
    while (m.Item(*place) && m.Item(*place)->level > it->level) {
        *place = m.Item(*place)->parent;
        *after = true;
    }
    if (!m.Item(*place) || m.Item(*place)->level != it->level)
        return false;
    return !(options & TLD_KEEPPARENT) || m.Item(*place)->parent == it->parent;
}

int PlaceAmongSiblings(TreeListModel& m, UINT item)
{
    int place = 0;
    for (const TreeListItem* it = m.Item(item); it && it->prev; it = m.Item(it->prev))
        ++place;
    return place;
}

}  // namespace

int TreeListDropTest(TreeListBlock* b, UINT dragged, UINT target, int kind) noexcept
{
    TreeListModel& m = b->model;
    const TreeListItem* d = m.Item(dragged);
    if (m.Sorting() || !d)
        return 0;
    if (target == dragged)
        return 1;
    if (target == 0 || target == TLI_EMPTYAREA) {
        if (d->firstChild)
            return 2;
        for (UINT x = dragged; x; x = m.Item(x)->parent)
            if (m.Item(x)->next)
                return 2;
        return 0;
    }
    const TreeListItem* t = m.Item(target);
    if (!t)
        return 0;
    if ((kind == 0 && t->prev == dragged) || (kind == 1 && t->next == dragged))
        return 1;
    if (m.InSubtree(target, dragged))
        return 0;
    return 2;
}

int TreeListBeginDrag(TreeListBlock* b, UINT item, UINT flags, POINT pt) noexcept
{
    TreeListModel& m = b->model;
    if (!m.Item(item) || m.dragItem)
        return 0;
    if (m.props[TLP_DROPOPTIONS] & TLD_NEEDSTEXT) {
        int length = 0;
        const char* text = m.Item(m.caret) ? m.ItemText(m.caret, m.caretColumn, &length, 0) : nullptr;
        if (!text || length == 0 || !m.Item(item))
            return 0;
    }
    TreeListHideTip(b);
    m.dragItem = item;
    m.dragFlags = flags & 0x81;
    m.dropTarget = 0;
    m.bandHeight = m.bandOffset = 0;
    m.hoverCount = 0;
    m.dragPoint = pt;
    SetCapture(b->window);
    m.SetDropHilite(0, 0);
    UINT keys = (flags & 0x80) ? ((flags & 1) ? MK_LBUTTON : 0) : flags;
    TreeListDragMove(b, keys, pt);
    if (!m.dragItem)
        return 0;
    SetTimer(b->window, kDragTimer, 100, nullptr);
    b->dragTicks = 0;
    return 1;
}

void TreeListDragMove(TreeListBlock* b, UINT keys, POINT pt) noexcept
{
    TreeListModel& m = b->model;
    if (!m.dragItem)
        return;
    // A left-button drag, begun by the mouse or by a message that says the button is held,
    // ends when the button is found up.
    if ((m.dragFlags & 1) && !(keys & MK_LBUTTON)) {
        TreeListEndDrag(b);
        return;
    }
    const UINT options = static_cast<UINT>(m.props[TLP_DROPOPTIONS]);
    if (pt.x - m.dragPoint.x >= 3 || m.dragPoint.x - pt.x >= 3 || pt.y - m.dragPoint.y > 2 || m.dragPoint.y - pt.y > 2)
        m.hoverCount = 0;
    m.dragKeys = keys;
    m.dragPoint = pt;
    // Option 0x1 only keeps Ctrl from switching to a drop onto the item; it is not a "moves
    // allowed" switch: read that way, the default options (0) would show the hand cursor over
    // every target and then move nothing at the drop, a refusal dressed up as a done drop.
    const bool copy = (keys & MK_CONTROL) && !(options & TLD_COPYKEEPSBAND);
    TVHITTESTINFO hit = {};
    int band, offset = 0;
    if (copy) {
        m.HitTest(pt, &hit);
        band = m.rowHeight;
    } else {
        m.HitTest(POINT{ pt.x, pt.y + m.rowHeight / 2 }, &hit);
        band = 3;
    }
    UINT target = Num(hit.hItem);
    if (!target || (hit.flags & (TVHT_ABOVE | TVHT_BELOW | TVHT_TOLEFT | TVHT_TORIGHT | TVHT_NOWHERE)))
        target = TLI_EMPTYAREA;
    const int pinned = static_cast<int>(m.props[TLP_PINNEDROWS]);
    if (!copy && target != TLI_EMPTYAREA) {
        const int y = pt.y - m.headerHeight;
        const int row = static_cast<int>(m.Item(target)->row) - 1;
        if (y >= 0 && (y % m.rowHeight) < m.rowHeight / 2 && row > 0) {
            UINT above = m.RowItem(row - 1);
            const TreeListItem* a = m.Item(above);
            const bool keepPinned = (options & TLD_PINNED) && row < pinned;
            const bool keepParent = (options & TLD_KEEPPARENT) && m.Item(target)->parent == above;
            if (a && a->level != m.Item(target)->level && !keepPinned && !keepParent) {
                target = above;
                offset = m.rowHeight - 5;
            }
        }
    }
    if (target == m.dropTarget && band == m.bandHeight && offset == m.bandOffset)
        return;
    if (PinnedTarget(m, options, target)) {
        SetMark(b, target, band, offset);
        SetCursor(TreeListCursor(2));
        return;
    }
    bool allowed;
    std::vector<UINT> dragged;
    const bool several = (m.exStyle & TLX_MULTISELECT) && m.selectedCount >= 2 && !(m.dragFlags & 0x80);
    if (several) {
        // Misleading cursor mended: only the items the drop moves are asked; a selected item
        // under a selected ancestor moves with it, never alone, and asking it showed the hand
        // over targets (inside the ancestor's branch) where the drop moves nothing.
        allowed = false;
        for (UINT x : DraggedItems(m)) {
            if ((options & TLD_NOCHILDREN) && m.Item(x)->firstChild)
                continue;
            if (TreeListDropTest(b, x, target, offset ? 1 : 0)) {
                allowed = true;
                break;
            }
        }
    } else {
        const TreeListItem* d = m.Item(m.dragItem);
        allowed = true;
        if (target != TLI_EMPTYAREA && m.InSubtree(target, m.dragItem))
            allowed = false;
        if ((options & TLD_NOCHILDREN) && d->firstChild)
            allowed = false;
        if ((options & TLD_NOEMPTY) && target == TLI_EMPTYAREA)
            allowed = false;
    }
    SetCursor(TreeListCursor(allowed ? 1 : 2));
    SetMark(b, target, band, offset);
}

void TreeListEndDrag(TreeListBlock* b) noexcept
{
    TreeListModel& m = b->model;
    SetMark(b, 0, 0, 0);
    KillTimer(b->window, kDragTimer);
    SetCursor(TreeListCursor(0));
    m.dragItem = 0;
    if (GetCapture() == b->window)
        ReleaseCapture();
}

void TreeListCancelDrag(TreeListBlock* b) noexcept
{
    TreeListModel& m = b->model;
    if (!m.dragItem)
        return;
    UINT dragged = m.dragItem;
    const UINT flags = m.dragFlags;
    const POINT pt = m.dragPoint;
    if (!(flags & 0x80) && m.selectedCount > 0 && m.Item(m.caret))
        dragged = m.caret;
    TreeListEndDrag(b);
    if (!(m.props[TLP_DROPOPTIONS] & TLD_NOTIFYCANCEL))
        return;
    NMTREEVIEWA nm = {};
    UINT count = static_cast<UINT>(m.selectedCount > 1 ? m.selectedCount : 1);
    nm.action = 0x5000000 | ((flags & 0x80) ? 0x20000001u : count);
    nm.itemOld.mask = TVIF_HANDLE;
    nm.itemNew.mask = TVIF_HANDLE;
    nm.itemNew.hItem = Handle(dragged);
    nm.ptDrag = pt;
    b->Notify(&nm.hdr, TLN_DROP);
}

void TreeListDrop(TreeListBlock* b) noexcept
{
    TreeListModel& m = b->model;
    const UINT target = m.dropTarget;
    const int band = m.bandHeight, offset = m.bandOffset;
    const UINT first = m.dragItem;
    const POINT pt = m.dragPoint;
    const UINT options = static_cast<UINT>(m.props[TLP_DROPOPTIONS]);
    std::vector<UINT> items = DraggedItems(m);
    TreeListEndDrag(b);
    if (!target)
        return;
    UINT moved = 0;
    bool reported = false;
    // The parent hears how many items changed place: one put back where it was (a Move
    // that answers 1 for "already there") is not counted.
    std::vector<std::pair<UINT, int>> before;
    for (UINT x : items)
        if (TreeListItem* it = m.Item(x)) {
            it->moved = 1;
            before.push_back({ it->parent, PlaceAmongSiblings(m, x) });
        }
    if (target == TLI_EMPTYAREA) {
        if (options & TLD_REPORTEMPTY) {
            reported = true;
        } else if (!(options & TLD_NOEMPTY)) {
            for (UINT x : items)
                if (m.Item(x) && !((options & TLD_NOCHILDREN) && m.Item(x)->firstChild) &&
                    TreeListDropTest(b, x, TLI_EMPTYAREA, 1) == 2 && m.Move(x, 0xFFFF0000u, 1))
                    ++moved;
        }
    } else if (PinnedTarget(m, options, target)) {
        // The "no" cursor showed over the pinned row: nothing moves, neither beside it nor
        // onto it (where the items used to become the pinned row's children).
    } else if (band == m.rowHeight && offset == 0) {
        // Onto the item: the dragged items become its last children.
        UINT adopted = 0;
        for (UINT x : items) {
            if (!m.Item(x) || !m.Item(target) || m.InSubtree(target, x))
                continue;
            if ((options & TLD_NOCHILDREN) && m.Item(x)->firstChild)
                continue;
            const TreeListItem* it = m.Item(x);
            if ((options & (TLD_KEEPLEVEL | TLD_KEEPPARENT)) &&
                (m.Item(target)->level + 1 != it->level || ((options & TLD_KEEPPARENT) && it->parent != target))) {
                // As a child it would change level (or parent): the kept place instead.
                UINT place = target;
                bool placeAfter = true;
                if (KeptPlace(m, options, x, &place, &placeAfter) && m.Move(x, place, placeAfter ? 1 : 0))
                    ++moved;
                continue;
            }
            if (m.Move(x, target, 3))
                ++adopted;
        }
        moved += adopted;
        if (adopted && m.Item(target))
            m.Expand(target, TVE_EXPAND);
    } else {
        UINT anchor = target;
        bool after = offset > 0;
        for (UINT x : items) {
            TreeListItem* it = m.Item(x);
            if (!it || !m.Item(anchor) || m.InSubtree(anchor, x))
                continue;
            if ((options & TLD_NOCHILDREN) && it->firstChild)
                continue;
            if (PinnedTarget(m, options, anchor))
                continue;
            UINT place = anchor;
            bool placeAfter = after;
            if (!KeptPlace(m, options, x, &place, &placeAfter))
                continue;
            if (m.Move(x, place, placeAfter ? 1 : 0)) {
                ++moved;
                anchor = x;   // the next item follows this one
                after = true;
            }
        }
    }
    moved = 0;
    for (size_t i = 0; i < items.size() && i < before.size(); ++i)
        if (TreeListItem* it = m.Item(items[i])) {
            it->moved = 0;
            moved += it->parent != before[i].first || PlaceAmongSiblings(m, items[i]) != before[i].second;
        }
    NMTREEVIEWA nm = {};
    nm.action = 0x1000000 | (reported ? 0x2000000u : 0) | moved;
    nm.itemOld.mask = TVIF_HANDLE;
    nm.itemOld.hItem = Handle(first);
    nm.itemNew.mask = TVIF_HANDLE;
    nm.itemNew.hItem = Handle(target);
    nm.ptDrag = pt;
    b->Notify(&nm.hdr, TLN_DROP);
}

LRESULT TreeListDragTimer(TreeListBlock* b, UINT options, UINT interval) noexcept
{
    b->dragTimerOptions = static_cast<BYTE>(options);
    if (!interval)
        return KillTimer(b->window, kDragTimer);
    if (interval < 30) interval = 30;
    if (interval > 900) interval = 900;
    b->dragTicks = 0;
    return static_cast<LRESULT>(SetTimer(b->window, kDragTimer, interval, nullptr));
}

void TreeListOnDragTimer(TreeListBlock* b) noexcept
{
    TreeListModel& m = b->model;
    if (!m.dragItem) {
        KillTimer(b->window, kDragTimer);
        return;
    }
    ++b->dragTicks;
    POINT pt;
    GetCursorPos(&pt);
    ScreenToClient(b->window, &pt);
    // Near an edge the rows scroll by one; resting on a closed branch opens it.
    if (!(b->dragTimerOptions & 0x1)) {
        int f = m.firstVisible;
        if (pt.y < m.headerHeight + m.rowHeight / 2)
            f -= 1;
        else if (pt.y > m.clientHeight - m.rowHeight / 2)
            f += 1;
        f = m.ClampFirstRow(f);
        if (f != m.firstVisible && m.ScrollV(f, SB_THUMBPOSITION) > 0) {
            m.dropTarget = 0;
            TreeListDragMove(b, m.dragKeys, pt);
        }
        int x = m.hScroll;
        if (pt.x < 8)
            x -= 16;
        else if (pt.x > m.clientWidth - 8)
            x += 16;
        int maxX = m.MaxHScroll();
        x = x > maxX ? maxX : (x < 0 ? 0 : x);
        if (x != m.hScroll)
            m.ScrollH(x, SB_THUMBPOSITION);
    }
    if (!(b->dragTimerOptions & 0x2) && ++m.hoverCount > 8) {
        const TreeListItem* t = m.Item(m.dropTarget);
        if (t && !(t->state & TVIS_EXPANDED) && m.HasChildren(m.dropTarget)) {
            m.Expand(m.dropTarget, TVE_EXPAND);
            m.hoverCount = 0;
        }
    }
}

void TreeListOnDropMarkTimer(TreeListBlock* b) noexcept
{
    TreeListModel& m = b->model;
    if (!m.dropMark) {
        KillTimer(b->window, kDropMarkTimer);
        return;
    }
    if (++m.hoverCount <= 4)
        return;
    POINT pt;
    GetCursorPos(&pt);
    ScreenToClient(b->window, &pt);
    TVHITTESTINFO hit = {};
    m.HitTest(pt, &hit);
    UINT item = Num(hit.hItem);
    const TreeListItem* it = m.Item(item);
    if (it && !(it->state & TVIS_EXPANDED) && m.HasChildren(item)) {
        m.Expand(item, TVE_EXPAND);
        m.hoverCount = 0;
    }
}
