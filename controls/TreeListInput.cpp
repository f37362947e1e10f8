// TreeList input: the mouse worker (selection, expand toggles, check boxes, edit starts,
// multiple-selection clicks and ranges, notifications), the button-up notifier, mouse moves
// (drag start, hot tracking, tips), the key-down worker (navigation, scrolling with Ctrl,
// Enter, Tab, paste, keys during a drag) and the character worker (typing into a cell or
// the incremental search).
#include "controls/TreeListImpl.h"

#include <vector>

namespace {

HTREEITEM Handle(UINT n) { return reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(n)); }
UINT Num(HTREEITEM h) { return static_cast<UINT>(reinterpret_cast<UINT_PTR>(h)); }
bool Down(int key) { return GetKeyState(key) < 0; }

// A collapsed item's hidden descendants follow its selection.
void FollowHidden(TreeListModel& m, UINT item, int action)
{
    TreeListItem* it = m.Item(item);
    if (!it || (it->state & TVIS_EXPANDED) || !it->firstChild)
        return;
    const bool want = (it->state & TVIS_SELECTED) != 0;
    for (UINT x = it->firstChild; x && m.Item(x) && m.InSubtree(x, item); x = m.NextInTree(x))
        if (((m.Item(x)->state & TVIS_SELECTED) != 0) != want)
            m.ToggleSelection(x, action);
}

// Shift+click: the rows from the anchor to the clicked one become selected; rows outside the
// range keep what they had. The rows in the range are selected, not toggled: a toggle would
// take away again what an earlier Shift+click had selected among them.
void SelectRange(TreeListBlock* b, UINT item, int column)
{
    TreeListModel& m = b->model;
    UINT anchor = m.Item(m.anchor) ? m.anchor : m.caret;
    m.Select(item, column, TVC_BYMOUSE << 8);
    if (!m.Item(item) || !m.Item(anchor))
        return;
    int from = static_cast<int>(m.Item(anchor)->row) - 1, to = static_cast<int>(m.Item(item)->row) - 1;
    if (from < 0 || to < 0)
        return;
    if (from > to) {
        int t = from;
        from = to;
        to = t;
    }
    for (int r = from; r <= to && r < m.rowCount; ++r) {
        UINT x = m.rows[r];
        if (!(m.Item(x)->state & TVIS_SELECTED))
            m.ToggleSelection(x, TVC_BYMOUSE);
        FollowHidden(m, x, TVC_BYMOUSE);
    }
    m.cursor = item;
    b->InvalidateCell(item, column);
}

void SendMouseNote(TreeListBlock* b, int code, UINT item, UINT flags, POINT pt, LRESULT* result)
{
    TreeListModel& m = b->model;
    NMTREEVIEWA nm = {};
    nm.action = flags;
    nm.itemNew.mask = 0x401C;
    nm.itemNew.hItem = Handle(item);
    if (const TreeListItem* it = m.Item(item)) {
        nm.itemNew.state = it->state;
        nm.itemNew.stateMask = 0xFFFFFFFF;
        nm.itemNew.lParam = it->data;
    }
    nm.itemNew.pszText = LPSTR_TEXTCALLBACKA;
    nm.itemNew.cchTextMax = -1;
    nm.itemNew.cChildren = static_cast<int>(flags >> 24);
    nm.ptDrag = pt;
    LRESULT r = b->Notify(&nm.hdr, code);
    if (result)
        *result = r;
}

int KeyEditCode(UINT ch) { return static_cast<int>(ch | 0x1000000); }

}  // namespace

int TreeListToggleCheck(TreeListBlock* b, UINT item, POINT pt) noexcept
{
    TreeListModel& m = b->model;
    TreeListItem* it = m.Item(item);
    if (!it || (it->state & static_cast<UINT>(m.props[TLP_LOCKEDSTATE])))
        return 0;
    const bool bit = (m.exStyle & TLX_CHECKBIT) != 0;
    auto checked = [&](const TreeListItem* x) { return bit ? (x->state & 0x1000) != 0 : (x->state & 0xF000) == 0x2000; };
    UINT image = bit ? ((it->state ^ 0x1000) & 0xF000) : ((it->state & 0x1000) ? 0x2000u : 0x1000u);
    UINT oldItem = 0;
    if (m.exStyle & TLX_ONECHECKED) {
        if (item == m.lastChecked && checked(it))
            return 0;
        TreeListItem* last = m.Item(m.lastChecked);
        if (last && m.lastChecked != item && checked(last)) {
            oldItem = m.lastChecked;
            TVITEMA off = {};
            off.mask = TVIF_STATE;
            off.hItem = Handle(oldItem);
            off.stateMask = bit ? 0x1000 : 0xF000;
            off.state = bit ? 0 : 0x1000;
            m.SetItem(&off);
        }
    }
    if (!(it = m.Item(item)))
        return 0;
    TVITEMA on = {};
    on.mask = TVIF_STATE;
    on.hItem = Handle(item);
    on.stateMask = bit ? 0x1000 : 0xF000;
    on.state = image;
    m.SetItem(&on);
    if (!m.Item(item))
        return 0;
    m.lastChecked = item;
    b->InvalidateCell(item, 0);
    NMTREEVIEWA nm = {};
    nm.action = 0x10000;
    if (oldItem && m.Item(oldItem))
        m.Describe(&nm.itemOld, oldItem, 0, 0x1D);
    m.Describe(&nm.itemNew, item, 0, 0x1D);
    int length = 0;
    nm.itemNew.pszText = const_cast<char*>(m.ItemText(item, 0, &length, 0));
    nm.itemNew.cchTextMax = length;
    nm.ptDrag = pt;
    if (!nm.itemNew.pszText)
        return 0;
    b->Notify(&nm.hdr, TLN_CHECKED);
    return 1;
}

int TreeListPaste(TreeListBlock* b) noexcept
{
    TreeListModel& m = b->model;
    if (!m.Item(m.caret) || !IsClipboardFormatAvailable(CF_TEXT))
        return 0;
    int kind = m.columns[m.caretColumn].editKind;
    if (kind == TLE_TEXT || kind == TLE_COMBO || kind == TLE_TEXTORCYCLE || kind == TLE_CHECKORTEXT)
        return TreeListColumnEdit(b, m.caretColumn, 0x10004, POINT{ 0, 0 });
    return TreeListRequestEdit(b, m.caret, m.caretColumn, 0x10004, POINT{ 0, 0 });
}

void TreeListButtonUp(TreeListBlock* b, int code, WPARAM, POINT pt) noexcept
{
    TVHITTESTINFO hit = {};
    b->model.HitTest(pt, &hit);
    UINT item = Num(hit.hItem);
    NMTREEVIEWA nm = {};
    nm.itemNew.mask = 0x401C;
    nm.itemNew.hItem = hit.hItem;
    if (const TreeListItem* it = b->model.Item(item)) {
        nm.itemNew.state = it->state;
        nm.itemNew.stateMask = 0xFFFFFFFF;
        nm.itemNew.lParam = it->data;
    }
    nm.itemNew.pszText = LPSTR_TEXTCALLBACKA;
    nm.itemNew.cchTextMax = -1;
    nm.itemNew.cChildren = static_cast<int>(hit.flags >> 24);
    nm.ptDrag = pt;
    b->Notify(&nm.hdr, code);
}

void TreeListMouse(TreeListBlock* b, UINT message, WPARAM keys, POINT pt) noexcept
{
    TreeListModel& m = b->model;
    if (!m.enabled)
        return;
    if (message != WM_LBUTTONUP && !TreeListTakeFocus(b))
        return;
    TVHITTESTINFO hit = {};
    m.HitTest(pt, &hit);
    UINT item = Num(hit.hItem);
    const UINT flags = hit.flags;
    const int column = static_cast<int>(flags >> 24);
    const bool onCell = (flags & (TLHT_ONCELLTEXT | TLHT_ONCELLBOX | TLHT_ONCELL | TLHT_INCELL)) != 0;
    const bool shift = (keys & MK_SHIFT) != 0, ctrl = (keys & MK_CONTROL) != 0;
    if (message == WM_LBUTTONUP) {
        // The button up that completes an armed edit or a click on a selected item.
        if (m.editArmed) {
            // The edit starts at the press that armed it, wherever the button comes up.
            m.editArmed = false;
            const UINT armed = m.armedItem;
            const int col = m.ValidColumn(m.armedColumn) ? m.armedColumn : 0;
            if (m.Item(armed)) {
                if (m.columns[col].editKind)
                    TreeListColumnEdit(b, col, 0x10002, m.armedPoint);
                else
                    TreeListRequestEdit(b, armed, col, 0x10002, m.armedPoint);
            }
        }
        if (m.clickPending) {
            m.clickPending = false;
            if (m.Item(item))
                m.Select(item, (m.exStyle & TLX_CELLSELECT) && onCell ? column : 0, (TVC_BYMOUSE << 8) | 0x8000);
        }
        return;
    }
    const bool left = message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK;
    const bool dbl = message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK;
    if (m.dragItem) {
        if (!left) {
            if ((flags & TVHT_ONITEMBUTTON) && m.HasChildren(item))
                m.Expand(item, TVE_TOGGLE);
            else
                TreeListCancelDrag(b);
        }
        return;
    }
    bool toggleAfter = false;
    if ((flags & TVHT_ONITEMBUTTON) && left) {
        const TreeListItem* it = m.Item(item);
        if (it && (it->state & TVIS_EXPANDED) && (it->state & TVIS_EXPANDPARTIAL))
            m.Expand(item, TVE_TOGGLE);
        else
            toggleAfter = true;
    } else if ((flags & TVHT_ONITEMSTATEICON) && (m.style & TVS_CHECKBOXES) && left) {
        // Ticking a box is not choosing its item: the selection stays where it was. The box
        // pressed is the one under the mouse, hot even when no mouse move came first.
        m.pressedCheck = true;
        if (m.hotItem != item || m.hotColumn != 0) {
            if (m.hotItem)
                b->InvalidateCell(m.hotItem, m.hotColumn);
            m.hotItem = item;
            m.hotColumn = 0;
            TreeListTrackLeave(b);   // leaving the window ends the hot box, as after a move
        }
        b->InvalidateCell(item, 0);
        TreeListToggleCheck(b, item, pt);
    } else if (item && ((flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON | TLHT_ONTEXT)) ||
                        ((flags & TVHT_ONITEMRIGHT) && (m.style & TVS_FULLROWSELECT)) ||
                        (flags & (TLHT_ONCELLTEXT | TLHT_ONCELLBOX | TLHT_ONCELL)) ||
                        ((flags & TLHT_INCELL) && (m.style & TVS_FULLROWSELECT)))) {
        if (!(m.style & TVS_DISABLEDRAGDROP)) {
            m.downKind = left ? 1 : 2;
            m.downItem = item;
            m.downColumn = onCell ? column : 0;
            m.downPoint = pt;
        }
        int selColumn = 0;
        if (onCell && ((m.exStyle & TLX_CELLSELECT) ||
                       ((flags & TLHT_ONCELLBOX) && (m.columns[column].editFlags & TLO_CHECKINCELL))))
            selColumn = column;
        const UINT caretBefore = m.caret;
        const int caretColumnBefore = m.caretColumn;
        const bool selected = m.Item(item) && (m.Item(item)->state & TVIS_SELECTED);
        if (!left && (m.exStyle & TLX_RCLICKKEEPS)) {
            // A right click leaves the selection alone.
        } else if (m.exStyle & TLX_MULTISELECT) {
            if (!left && selected && m.selectedCount > 1) {
            } else if (left && !shift && !ctrl && selected && !dbl) {
                m.clickPending = true;
            } else if (shift) {
                SelectRange(b, item, selColumn);
            } else if (ctrl) {
                if (item != m.caret) {
                    m.ToggleSelection(item, TVC_BYMOUSE);
                    FollowHidden(m, item, TVC_BYMOUSE);
                }
                m.cursor = item;
                m.cursorColumn = selColumn;
                b->InvalidateCell(item, selColumn);
            } else {
                m.Select(item, selColumn, (TVC_BYMOUSE << 8) | 0x8000);
                if (m.Item(item))
                    m.EnsureVisible(item, selColumn);
            }
        } else {
            m.Select(item, selColumn, (TVC_BYMOUSE << 8) | (ctrl ? 0 : 0x8000));
            if (m.Item(item))
                m.EnsureVisible(item, selColumn);
        }
        if ((m.exStyle & TLX_EDITONCLICK) && message == WM_LBUTTONDOWN && !shift && !ctrl && m.Item(item)) {
            bool stayed = caretBefore == item && caretColumnBefore == selColumn;
            bool textOnly = (m.props[TLP_EDITCLICK] & 1) != 0;
            bool place = onCell ? (textOnly ? (flags & TLHT_ONCELLTEXT) != 0 : !(flags & TLHT_ONCELLBOX))
                                : (textOnly ? (flags & TLHT_ONTEXT) != 0 : true);
            if ((stayed || (m.props[TLP_EDITCLICK] & 2)) && place) {
                m.editArmed = true;
                m.armedItem = item;
                m.armedColumn = onCell ? column : 0;
                m.armedPoint = pt;
            }
        }
    }
    if (dbl && left && m.Item(item) && !(flags & (TVHT_ONITEMBUTTON | TVHT_ONITEMSTATEICON | TVHT_ONITEMINDENT))) {
        int col = onCell ? column : 0;
        const TreeListColumn& c = m.columns[col];
        int started = 0;
        bool buttonCell = false;
        if (onCell) {
            const TreeListCell* cell = m.Cell(item, col);
            buttonCell = cell && (cell->state & 0x40);
        }
        if (c.editKind && ((c.editFlags & TLO_DBLCLKEDITS) || ((c.editFlags & TLO_CHECKINCELL) && (flags & TLHT_ONCELLBOX))))
            started = TreeListColumnEdit(b, col, (flags & TLHT_ONCELLBOX) ? 0x10001 : 0x10000, pt, item);
        else
            started = TreeListRequestEdit(b, item, col, 0x10000, pt);
        const TreeListItem* it = m.Item(item);
        if (!started && it) {
            if ((it->state & TVIS_EXPANDED) && (it->state & TVIS_EXPANDPARTIAL))
                m.Expand(item, TVE_TOGGLE);
            else if (!buttonCell)
                toggleAfter = true;
        }
    } else if (message == WM_LBUTTONDOWN && (flags & TLHT_ONCELLBOX) && m.Item(item)) {
        const TreeListColumn& c = m.columns[column];
        const TreeListCell* cell = m.Cell(item, column);
        if (cell && (cell->state & 0x40)) {
            if (!((c.editFlags & TLO_READONLYBIT) && (cell->state & 0x8000))) {
                m.pressedItem = item;
                m.pressedColumn = column;
                b->InvalidateCell(item, column);
            }
        } else if (c.editFlags & TLO_CHECKINCELL) {
            // The box clicked, not the caret's: with Ctrl, or on an item already selected
            // (its selection waits for the button up), the caret stays where it was.
            TreeListColumnEdit(b, column, 0x10001, pt, item);
        }
    }
    int code;
    switch (message) {
    case WM_LBUTTONDOWN: code = NM_CLICK; break;
    case WM_LBUTTONDBLCLK: code = NM_DBLCLK; break;
    case WM_RBUTTONDOWN: code = NM_RCLICK; break;
    default: code = NM_RDBLCLK; break;
    }
    LRESULT answer = 0;
    SendMouseNote(b, code, item, flags, pt, &answer);
    if (!answer && toggleAfter && m.Item(item))
        m.Expand(item, TVE_TOGGLE);
}

void TreeListMouseMove(TreeListBlock* b, WPARAM keys, POINT pt) noexcept
{
    TreeListModel& m = b->model;
    if (m.dragItem) {
        TreeListDragMove(b, static_cast<UINT>(keys), pt);
        return;
    }
    if (m.downItem && (keys & (MK_LBUTTON | MK_RBUTTON)) && m.Item(m.downItem)) {
        int dx = pt.x - m.downPoint.x, dy = pt.y - m.downPoint.y;
        if (dx > GetSystemMetrics(SM_CXDRAG) || -dx > GetSystemMetrics(SM_CXDRAG) || dy > GetSystemMetrics(SM_CYDRAG) ||
            -dy > GetSystemMetrics(SM_CYDRAG)) {
            UINT item = m.downItem;
            m.downItem = 0;
            m.clickPending = false;
            m.editArmed = false;
            TreeListBeginDrag(b, item, static_cast<UINT>(keys) & ~0x80u, pt);
            return;
        }
    }
    TVHITTESTINFO hit = {};
    m.HitTest(pt, &hit);
    UINT item = Num(hit.hItem);
    int column = static_cast<int>(hit.flags >> 24);
    bool leaveNeeded = false;
    if (m.style & TVS_TRACKSELECT) {
        bool onLabel = (hit.flags & (TVHT_ONITEMLABEL | TLHT_ONCELLTEXT)) != 0;
        m.SetDropHilite(onLabel ? item : 0, onLabel ? column : 0);
        leaveNeeded = onLabel;
    }
    UINT hot = 0;
    int hotColumn = 0;
    if (((hit.flags & TVHT_ONITEMSTATEICON) && (m.style & TVS_CHECKBOXES)) || (hit.flags & TLHT_ONCELLBOX)) {
        hot = item;
        hotColumn = (hit.flags & TLHT_ONCELLBOX) ? column : 0;
    }
    if (hot != m.hotItem || hotColumn != m.hotColumn) {
        if (m.hotItem)
            b->InvalidateCell(m.hotItem, m.hotColumn);
        m.hotItem = hot;
        m.hotColumn = hotColumn;
        if (hot)
            b->InvalidateCell(hot, hotColumn);
    }
    if (leaveNeeded || hot)
        TreeListTrackLeave(b);
    TreeListTrackTip(b, pt);
}

void TreeListTrackLeave(TreeListBlock* b) noexcept
{
    if (b->trackingLeave)
        return;
    TRACKMOUSEEVENT tme = { sizeof tme, TME_LEAVE, b->window, 0 };
    b->trackingLeave = _TrackMouseEvent(&tme) != FALSE;
}

void TreeListKeyDown(TreeListBlock* b, UINT key, LPARAM lParam) noexcept
{
    TreeListModel& m = b->model;
    if (!m.enabled)
        return;
    if (!TreeListTakeFocus(b))
        return;
    m.keyVeto = 0;
    const bool ctrl = Down(VK_CONTROL), shift = Down(VK_SHIFT);
    // Under this style Ctrl+Home and Ctrl+End go to the first or last row as the plain keys
    // do, and extend the selection there as Shift would.
    const bool ctrlHomeEnd = ctrl && !shift && (m.exStyle & TLX_CTRLHOMEEND) && (key == VK_HOME || key == VK_END);
    const bool extend = shift || ctrlHomeEnd;
    const int pinned = static_cast<int>(m.props[TLP_PINNEDROWS]);
    bool navigate = false;
    int row = m.Item(m.caret) && m.Item(m.caret)->row ? static_cast<int>(m.Item(m.caret)->row) - 1 : -1;
    int newRow = row, newColumn = m.caretColumn;
    if (key == VK_RETURN && !m.dragItem) {
        NMKEY nk = {};
        nk.nVKey = key;
        nk.uFlags = static_cast<UINT>(lParam);
        b->Notify(&nk.hdr, NM_RETURN);
        if (m.Item(m.caret)) {
            if (m.columns[m.caretColumn].editKind == TLE_NONE)
                TreeListRequestEdit(b, m.caret, m.caretColumn, 13, POINT{ 0, 0 });
            else
                TreeListColumnEdit(b, m.caretColumn, ctrl ? 0x10001 : 13, POINT{ 0, 0 });
        }
    } else if (m.dragItem) {
        if (key == VK_ESCAPE) {
            TreeListCancelDrag(b);
        } else if (key == VK_CONTROL && m.bandHeight < 5) {
            TreeListDragMove(b, m.dragKeys | MK_CONTROL, m.dragPoint);
        }
    } else if (key == VK_TAB && (m.exStyle & TLX_TABTOPARENT)) {
        HWND parent = GetParent(b->window);
        b->lock.Leave(__LINE__, false);
        if (parent)
            SetFocus(parent);
        b->lock.Enter();
    } else if ((key == VK_INSERT && !shift && !ctrl) || (key == 'V' && ctrl && !shift)) {
        TreeListPaste(b);
    } else if (ctrl && !shift && !ctrlHomeEnd) {
        int f = m.firstVisible, x = m.hScroll;
        switch (key) {
        case VK_SPACE:
            if (m.Item(m.caret) && m.HasChildren(m.caret))
                m.Expand(m.caret, TVE_TOGGLE);
            break;
        case VK_PRIOR: f -= m.fullRows; break;
        case VK_NEXT: f += m.fullRows; break;
        case VK_END: f = static_cast<int>(m.count) - m.fullRows; break;
        case VK_HOME: f = 0; break;
        case VK_UP: f -= 1; break;
        case VK_DOWN:
            f += 1;
            if (f == pinned)
                f = pinned + m.firstVisible;
            break;
        case VK_LEFT: x -= 16; break;
        case VK_RIGHT: x += 16; break;
        default: break;
        }
        f = m.ClampFirstRow(f);
        int maxX = m.columnCount ? m.ContentRight() - m.clientWidth : m.totalWidth - (m.clientWidth + 1) / 2;
        if (x > maxX) x = maxX;
        if (x < 0) x = 0;
        if (!(m.style & TVS_NOSCROLL)) {
            if (f != m.firstVisible) m.ScrollV(f, 0);
            if (x != m.hScroll) m.ScrollH(x, 0);
        }
    } else {
        navigate = true;
        switch (key) {
        case VK_BACK:
            if (const TreeListItem* it = m.Item(m.caret))
                if (const TreeListItem* p = m.Item(it->parent))
                    newRow = p->row ? static_cast<int>(p->row) - 1 : newRow;
            break;
        case VK_PRIOR: newRow -= m.fullRows - 1 > 1 ? m.fullRows - 1 : 1; break;
        case VK_NEXT: newRow += m.fullRows - 1 > 1 ? m.fullRows - 1 : 1; break;
        case VK_END: newRow = m.rowCount - 1; break;
        case VK_HOME: newRow = row == pinned || row < 0 ? 0 : pinned; break;
        case VK_UP: newRow -= 1; break;
        case VK_DOWN: newRow += 1; break;
        case VK_LEFT:
            if ((m.exStyle & TLX_CELLSELECT) && m.columnCount > 1) {
                for (int p = m.columns[newColumn].position - 1; p >= 0; --p)
                    if (m.columns[m.order[p]].width > 0) {
                        newColumn = m.order[p];
                        break;
                    }
            } else if (const TreeListItem* it = m.Item(m.caret)) {
                if ((it->state & TVIS_EXPANDED) && it->firstChild) {
                    m.Expand(m.caret, TVE_COLLAPSE);
                    navigate = false;
                } else if (const TreeListItem* p = m.Item(it->parent)) {
                    newRow = p->row ? static_cast<int>(p->row) - 1 : newRow;
                }
            }
            break;
        case VK_RIGHT:
            // Unlike Left, Right under cell selection only ever moves between columns.
            if (m.exStyle & TLX_CELLSELECT) {
                for (int p = m.columns[newColumn].position + 1; p < m.columnCount; ++p)
                    if (m.columns[m.order[p]].width > 0) {
                        newColumn = m.order[p];
                        break;
                    }
            } else if (const TreeListItem* it = m.Item(m.caret)) {
                if (!(it->state & TVIS_EXPANDED) && m.HasChildren(m.caret)) {
                    m.Expand(m.caret, TVE_EXPAND);
                    navigate = false;
                } else if ((it = m.Item(m.caret)) && it->firstChild && m.Item(it->firstChild)->row) {
                    newRow = static_cast<int>(m.Item(it->firstChild)->row) - 1;
                }
            }
            break;
        case VK_SPACE:
            if ((m.style & TVS_CHECKBOXES) && m.caretColumn == 0 && m.Item(m.caret))
                TreeListToggleCheck(b, m.caret, POINT{ 0, 0 });
            navigate = false;
            break;
        default:
            navigate = false;
            break;
        }
    }
    if (navigate && m.rowCount > 0) {
        // Columns inside a span: right goes past it, everything else to its first column.
        if (const TreeListItem* it = m.Item(newRow >= 0 && newRow < m.rowCount ? m.rows[newRow] : m.caret)) {
            int pos = m.columns[newColumn].position;
            if (pos > 0 && pos < 16 && ((it->state >> 16) & m.spanMask & (1u << m.order[pos - 1]))) {
                if (key == VK_RIGHT) {
                    int end = m.SpanEnd(it, pos);
                    newColumn = end < m.columnCount ? m.order[end] : m.caretColumn;
                } else {
                    while (pos > 0 && ((it->state >> 16) & m.spanMask & (1u << m.order[pos - 1])))
                        --pos;
                    newColumn = m.order[pos];
                }
            }
        }
        if (newRow < 0) {
            if (pinned > 0 && m.firstVisible > 0)
                m.ScrollV(0, 0);
            newRow = 0;
        }
        if (newRow >= m.rowCount)
            newRow = m.rowCount - 1;
        if (newRow != row || newColumn != m.caretColumn) {
            UINT item = m.rows[newRow];
            const bool selected = (m.Item(item)->state & TVIS_SELECTED) != 0;
            const int oldRow = row;
            UINT flags = (TVC_BYKEYBOARD << 8) | ((!extend || m.rangePending) ? 0x8000 : 0) | (selected ? 0x800000 : 0);
            if (!(m.exStyle & TLX_CELLSELECT))
                newColumn = 0;
            m.Select(item, newColumn, flags);
            if (m.Item(item)) {
                m.cursor = item;
                m.cursorColumn = newColumn;
                if (!(m.style & TVS_NOSCROLL))
                    m.EnsureVisible(item, newColumn);
            }
            if ((m.exStyle & TLX_MULTISELECT) && extend && oldRow >= 0 && m.Item(m.anchor) && m.Item(item)) {
                int anchorRow = static_cast<int>(m.Item(m.anchor)->row) - 1;
                // Moving away from the anchor extends the range, moving back shrinks it.
                int from, to;
                if (newRow < oldRow) {
                    from = newRow;
                    to = oldRow >= anchorRow ? oldRow : oldRow - 1;
                } else {
                    from = oldRow > anchorRow ? oldRow + 1 : oldRow;
                    to = newRow;
                }
                for (int r = from; r <= to && r < m.rowCount; ++r) {
                    UINT x = m.rows[r];
                    if (r == anchorRow || r == newRow || x == m.caret)
                        continue;
                    m.ToggleSelection(x, TVC_BYKEYBOARD);
                    FollowHidden(m, x, TVC_BYKEYBOARD);
                }
            }
        }
    }
    NMTVKEYDOWN kd = {};
    kd.wVKey = static_cast<WORD>(key);
    kd.flags = static_cast<UINT>(lParam);
    m.keyVeto = b->Notify(&kd.hdr, TVN_KEYDOWN) ? 1 : 0;
}

void TreeListChar(TreeListBlock* b, UINT ch, LPARAM) noexcept
{
    TreeListModel& m = b->model;
    if (ch < 32 || m.keyVeto || !m.enabled)
        return;
    const int column = m.caretColumn;
    const TreeListColumn& c = m.columns[column];
    if ((c.editKind == TLE_TEXT || c.editKind == TLE_COMBO || c.editKind == TLE_TEXTORCYCLE ||
         c.editKind == TLE_CHECKORTEXT) && !(c.editFlags & TLO_NOTYPING)) {
        TreeListColumnEdit(b, column, static_cast<UINT>(KeyEditCode(ch)), POINT{ 0, 0 });
        return;
    }
    if (m.Item(m.caret) && TreeListRequestEdit(b, m.caret, column, static_cast<UINT>(KeyEditCode(ch)), POINT{ 0, 0 }))
        return;
    m.SearchChar(static_cast<unsigned char>(ch), GetTickCount());
}
