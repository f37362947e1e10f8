// "FastList": hit testing, keys, characters and type-ahead, mouse buttons and wheel,
// scrolling and scroll bars, tooltips, in-place editing and the cell-kind action.
#include "controls/FastListImpl.h"

#include <algorithm>
#include <cstring>

namespace {

const int kGlyphWidth = 16;

// The tree glyphs that begin column 0's text.
int LeadingGlyphs(const FastListTextRequest& r)
{
    int n = 0;
    while (n < r.length && static_cast<unsigned char>(r.text[n]) < 24)
        ++n;
    return n;
}

int GlyphCount(FastListBlock* b, int item)
{
    return LeadingGlyphs(FastListAskCell(b, item, 0));
}

int CheckWidth(const FastListBlock* b)
{
    return (b->exStyle & LVS_EX_CHECKBOXES) && b->images[FLIL_CHECK].list ? b->images[FLIL_CHECK].cx : 0;
}

int ImageWidth(const FastListBlock* b)
{
    return b->images[FLIL_ITEM].list ? b->images[FLIL_ITEM].cx : 0;
}

// Where column 0's text starts in its cell, as the paint places it: after the tree glyphs,
// the check box, and the item image only where the row has one.
int LabelOffset(FastListBlock* b, int item)
{
    const FastListTextRequest r = FastListAskCell(b, item, 0);
    const int image = r.image >= 0 && b->images[FLIL_ITEM].list ? b->images[FLIL_ITEM].cx + 1 : 0;
    return LeadingGlyphs(r) * kGlyphWidth + CheckWidth(b) + image;
}

bool Editing(const FastListBlock* b)
{
    return b->edit && ::IsWindow(b->edit) && ::IsWindowVisible(b->edit);
}

bool HasKindAction(const FastListColumn& col)
{
    return (col.kind == 1 || col.kind == 2 || col.kind == 5 || col.kind == 7) && !(col.cellFlags & 0x10);
}

}  // namespace

// --- geometry

RECT FastListRowRect(FastListBlock* b, int item)
{
    RECT r;
    r.left = -b->originX + b->margin;
    r.right = b->visibleWidth + b->margin;
    r.top = b->headerHeight + (item - b->top) * b->rowHeight;
    r.bottom = r.top + b->rowHeight;
    return r;
}

RECT FastListCellRect(FastListBlock* b, int item, int column)
{
    RECT r = FastListRowRect(b, item);
    const int position = b->columns.PositionOf(column);
    if (position < 0) {
        r.right = r.left;
        return r;
    }
    const std::vector<int>& edges = b->columns.Edges();
    r.left = b->margin + edges[position] - b->originX;
    r.right = b->margin + edges[position + 1] - b->originX;
    return r;
}

void FastListHitTest(FastListBlock* b, LVHITTESTINFO* info)
{
    const POINT pt = info->pt;
    info->iItem = -1;
    info->iSubItem = 0;
    info->flags = 0;
    if (pt.x >= b->visibleWidth + b->margin) {
        info->flags = LVHT_TORIGHT;
        return;
    }
    if (pt.x < 0) {
        info->flags = LVHT_TOLEFT;
        return;
    }
    if (pt.y < b->headerHeight) {
        info->flags = LVHT_ABOVE;
        return;
    }
    if (pt.y >= b->clientHeight) {
        info->flags = LVHT_BELOW;
        return;
    }
    const int item = b->top + (pt.y - b->headerHeight) / std::max(b->rowHeight, 1);
    if (item >= b->items.Count()) {
        info->flags = LVHT_NOWHERE;
        return;
    }
    info->iItem = item;
    // The margin strip does not scroll and holds no cell, with or without a hook drawing it.
    if (pt.x < b->margin) {
        info->flags = 0x8000;
        return;
    }
    const int x = pt.x - b->margin + b->originX;
    const std::vector<int>& edges = b->columns.Edges();
    int position = -1;
    for (int p = 0; p + 1 < static_cast<int>(edges.size()); ++p) {
        if (x >= edges[p] && x < edges[p + 1]) {
            position = p;
            break;
        }
    }
    if (position < 0) {
        info->flags = 0x800000;
        return;
    }
    const int column = b->columns.ColumnAt(position);
    info->iSubItem = column;
    const int inCell = x - edges[position];
    if (column != 0) {
        info->flags = 0x20000 | (b->columns[column].kind ? LVHT_ONITEMLABEL : 0);
        return;
    }
    // Column 0: glyphs, check box, image, text.
    const int glyphs = GlyphCount(b, item);
    int at = glyphs * kGlyphWidth;
    if (inCell < at) {
        const int level = std::min(inCell / kGlyphWidth, 7);
        FastListTextRequest r = FastListAskCell(b, item, 0);
        const int code = level < r.length ? static_cast<unsigned char>(r.text[level]) & 0x1F : 0;
        info->flags = 0x10000 | ((8 + level) << 13) | (code << 8);
        return;
    }
    const int check = CheckWidth(b);
    if (check && inCell < at + check) {
        info->flags = LVHT_ONITEMSTATEICON;
        return;
    }
    at += check;
    const int image = ImageWidth(b);
    if (image && inCell < at + image) {
        info->flags = LVHT_ONITEMICON;
        return;
    }
    info->flags = LVHT_ONITEMLABEL | 0x40000 | ((b->exStyle & LVS_EX_FULLROWSELECT) ? 0x20000 : 0);
}

// --- scrolling

int FastListScrollTo(FastListBlock* b, int bar, int value, int cause)
{
    auto clamp = [&](int v) {
        if (bar == SB_VERT)
            return ClampTopRow(v, FastListPageOf(b));
        return std::min(std::max(v, 0), b->columns.TotalWidth());
    };
    int target = clamp(value);
    int& current = bar == SB_VERT ? b->top : b->originX;
    if (target == current)
        return 0;
    if ((b->exStyle & FLS_EX_SCROLLNOTIFY) && cause) {
        FastListScrolling s = {};
        s.bar = static_cast<WORD>(bar == SB_VERT ? 1 : 0);
        s.cause = static_cast<WORD>(cause);
        s.other = bar == SB_VERT ? b->originX : b->top;
        s.value = target;
        if (FastListNotify(b, &s.hdr, FLN_SCROLLING, __LINE__))
            return 0;
        target = clamp(target);   // the parent may have changed the list
        if (target == current)
            return 0;
    }
    current = target;
    ::SetScrollPos(b->window, bar, target, TRUE);
    if (bar == SB_HORZ)
        FastListLayoutHeader(b);
    // The top row and the scroll into view a deferred insertion left waiting for the refresh
    // are replaced by this scroll, as they would be had they been done at once: applied
    // later, they took the view back from under a user who had scrolled since.
    if (bar == SB_VERT)
        b->pending &= ~static_cast<UINT>(FLPEND_TOP | FLPEND_ENSURE);
    FastListHideTooltip(b);
    FastListInvalidateAll(b);
    // An open edit stays open with what was typed so far, its editor moving with its cell:
    // the user's own scrolls wait for the edit's end, so this is one the program makes
    // (LVM_SCROLL, scrolling into view, following the tail), and it answers nothing for the
    // user. Ending the edit here, kept or dropped, lost a typed text.
    FastListPlaceEditor(b);   // over its record's cell, wherever the scroll took it
    return 1;
}

void FastListScroll(FastListBlock* b, int bar, WPARAM wp)
{
    if (Editing(b))
        return;
    const int code = static_cast<int>(wp & 0xF);
    if (bar == SB_VERT) {
        const int page = std::max(1, b->wholeRows - 1);
        int value = b->top;
        switch (code) {
        case SB_LINEUP: value -= 1; break;
        case SB_LINEDOWN: value += 1; break;
        case SB_PAGEUP: value -= page; break;
        case SB_PAGEDOWN: value += page; break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK:
            value = HIWORD(wp);
            if (b->items.Count() >= 32512) {
                SCROLLINFO si = {sizeof si, SIF_TRACKPOS};
                if (::GetScrollInfo(b->window, SB_VERT, &si))
                    value = si.nTrackPos;
            }
            break;
        case 12: value = static_cast<int>(static_cast<DWORD>(wp) >> 4); break;
        default: return;
        }
        FastListScrollTo(b, SB_VERT, value, 9);
        return;
    }
    int value = b->originX;
    switch (code) {
    case SB_LINELEFT: value -= 16; break;
    case SB_LINERIGHT: value += 16; break;
    case SB_PAGELEFT: value -= b->visibleWidth; break;
    case SB_PAGERIGHT: value += b->visibleWidth; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: value = HIWORD(wp); break;
    case 12: value = static_cast<int>(static_cast<DWORD>(wp) >> 4); break;
    default: return;
    }
    FastListScrollTo(b, SB_HORZ, value, 9);
}

void FastListUpdateScrollBars(FastListBlock* b, bool force)
{
    if (b->deferred) {
        FastListRequestRefresh(b, FLPEND_VSCROLL | FLPEND_HSCROLL);
        return;
    }
    const DWORD now = ::GetTickCount();
    if (!force && b->scrollBarTick && now - b->scrollBarTick < 200) {
        // Held back; the refresh timer completes it, started here as nothing else may start it.
        b->scrollBarHeld = true;
        FastListStartRefreshTimer(b);
        return;
    }
    b->scrollBarHeld = false;
    b->scrollBarTick = now ? now : 1;
    const int top = ScrollBarTop(FastListPageOf(b));
    if (top != b->top) {
        b->top = top;
        FastListInvalidateAll(b);
        FastListPlaceEditor(b);
    }
    SCROLLINFO si = {sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL};
    si.nMin = 0;
    si.nMax = (b->style & LVS_NOSCROLL) ? 0 : b->items.Count();
    si.nPage = static_cast<UINT>(std::max(b->wholeRows, 0));
    si.nPos = b->top;
    ::SetScrollInfo(b->window, SB_VERT, &si, TRUE);
    SCROLLINFO sh = {sizeof sh, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL};
    sh.nMin = 0;
    sh.nMax = (b->style & LVS_NOSCROLL) ? 0 : std::max(0, b->columns.TotalWidth() - 1);
    sh.nPage = static_cast<UINT>(std::max(b->visibleWidth, 0));
    sh.nPos = b->originX;
    ::SetScrollInfo(b->window, SB_HORZ, &sh, TRUE);
    b->lastScrollCount = b->items.Count();
    b->lastScrollRows = b->wholeRows;
}

// --- keys

LRESULT FastListKeyDown(FastListBlock* b, WPARAM key, LPARAM flags)
{
    FL_LOCK(b);
    if (::GetFocus() != b->window) {
        HWND window = b->window;
        ControlUnlocked unlocked(b->lock, __LINE__);
        ::SetFocus(window);
    }
    const bool ctrl = (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
    const bool shift = (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
    const int count = b->items.Count();
    const bool cellFocus = (b->exStyle & FLS_EX_CELLFOCUS) != 0;
    bool done = false;
    if (key == VK_RETURN) {
        NMHDR hdr = {};
        FastListNotify(b, &hdr, NM_RETURN, __LINE__);
        if (b->items.Valid(b->index.focus) && b->columns.Valid(b->focusColumn)) {
            if (b->columns[b->focusColumn].kind)
                FastListCellAction(b, b->index.focus, b->focusColumn, ctrl ? 0x10001 : 13);
            else
                FastListBeginEdit(b, b->index.focus, b->focusColumn, 13);
        }
        done = true;
    } else if ((key == VK_INSERT && shift) || (key == 'V' && ctrl)) {
        if (b->items.Valid(b->index.focus) && ::IsClipboardFormatAvailable(CF_TEXT)) {
            const FastListColumn* col = b->columns.Valid(b->focusColumn) ? &b->columns[b->focusColumn] : nullptr;
            if (col && HasKindAction(*col))
                FastListCellAction(b, b->index.focus, b->focusColumn, 0x10004);
            else
                FastListBeginEdit(b, b->index.focus, b->focusColumn, 0x10004);
            done = true;
        }
    }
    if (!done && ctrl && !shift) {
        // Scrolling only; the focus stays.
        const int page = std::max(1, b->wholeRows - 1);
        switch (key) {
        case VK_PRIOR: FastListScrollTo(b, SB_VERT, b->top - page, 10); done = true; break;
        case VK_NEXT: FastListScrollTo(b, SB_VERT, b->top + page, 10); done = true; break;
        case VK_HOME: FastListScrollTo(b, SB_VERT, 0, 10); done = true; break;
        case VK_END: FastListScrollTo(b, SB_VERT, count - b->wholeRows, 10); done = true; break;
        case VK_UP: FastListScrollTo(b, SB_VERT, b->top - 1, 10); done = true; break;
        case VK_DOWN: FastListScrollTo(b, SB_VERT, b->top + 1, 10); done = true; break;
        case VK_LEFT: FastListScrollTo(b, SB_HORZ, b->originX - 16, 10); done = true; break;
        case VK_RIGHT: FastListScrollTo(b, SB_HORZ, b->originX + 16, 10); done = true; break;
        default: break;
        }
    }
    if (!done && count > 0) {
        int from = b->items.Valid(b->index.focus) ? b->index.focus : b->index.mark;
        int column = b->items.Valid(b->index.focus) ? b->focusColumn : b->markColumn;
        if (!b->columns.Valid(column))
            column = 0;
        int target = from;
        int targetColumn = column;
        const int page = std::max(1, b->wholeRows - 1);
        bool move = true;
        switch (key) {
        case VK_PRIOR: target = from - page; break;
        case VK_NEXT: target = from + page; break;
        case VK_HOME: target = 0; break;
        case VK_END: target = count - 1; break;
        case VK_UP: target = from - 1; break;
        case VK_DOWN: target = from + 1; break;
        case VK_LEFT:
        case VK_RIGHT: {
            if (!cellFocus || b->columns.Count() < 2) {
                move = false;
                break;
            }
            int position = b->columns.PositionOf(column);
            const int step = key == VK_LEFT ? -1 : 1;
            for (int p = position + step; p >= 0 && p < b->columns.Count(); p += step) {
                int c = b->columns.ColumnAt(p);
                if (!b->columns[c].hidden && b->columns[c].shown > 0) {
                    targetColumn = c;
                    break;
                }
            }
            if (target < 0)
                target = 0;
            break;
        }
        case VK_SPACE: {
            move = false;
            if ((b->exStyle & LVS_EX_CHECKBOXES) && b->items.Valid(b->index.focus) && b->focusColumn == 0) {
                UINT state = b->items[b->index.focus].state;
                UINT check = (b->exStyle & FLS_EX_TOGGLECHECKBIT) ? ((state & 0xF000) ^ 0x1000)
                                                                   : ((state & 0x1000) ? 0x2000 : 0x1000);
                FastListSetItemState(b, b->index.focus, check, 0xF000, 10);
            }
            break;
        }
        default:
            move = false;
            break;
        }
        if (move) {
            if (!cellFocus)
                targetColumn = b->columns.ColumnAt(0) >= 0 ? b->columns.ColumnAt(0) : 0;
            target = std::min(std::max(target, 0), count - 1);
            if (target != b->index.focus || targetColumn != b->focusColumn)
                FastListMoveFocus(b, target, targetColumn, shift, false, true, 10);
        }
    }
    NMLVKEYDOWN kd = {};
    kd.wVKey = static_cast<WORD>(key);
    kd.flags = static_cast<UINT>(HIWORD(flags));
    b->keyDownAnswer = FastListNotify(b, &kd.hdr, LVN_KEYDOWN, __LINE__);
    return 0;
}

LRESULT FastListChar(FastListBlock* b, WPARAM ch, LPARAM flags)
{
    FL_LOCK(b);
    const int repeat = std::max(1, static_cast<int>(LOWORD(flags)));
    for (int k = 0; k < repeat; ++k) {
        if (ch < 32 || b->keyDownAnswer != 0)
            return 0;
        if (b->columns.Valid(b->focusColumn) && HasKindAction(b->columns[b->focusColumn]) &&
            b->items.Valid(b->index.focus)) {
            FastListCellAction(b, b->index.focus, b->focusColumn, static_cast<int>(ch & 0xFF));
            continue;
        }
        if (b->items.Valid(b->index.focus) &&
            !(::GetKeyState(VK_MENU) & 0x8000) && !(::GetKeyState(VK_CONTROL) & 0x8000) &&
            FastListBeginEdit(b, b->index.focus, b->focusColumn, static_cast<int>(ch & 0xFF)))
            return 0;
        if (b->items.Count() == 0 || (b->exStyle & FLS_EX_NOTYPEAHEAD))
            continue;
        const int column = b->columns.Valid(b->focusColumn) ? b->focusColumn : 0;
        int found = FastListTypeAhead::Shared().Type(b->window, static_cast<unsigned char>(ch), b->index.focus,
                                                     b->items.Count(),
                                                     [&](int item) { return FastListCellText(b, item, column); });
        if (found >= 0 && b->items.Valid(found))
            FastListMoveFocus(b, found, column, false, false, true, 10);
    }
    return 0;
}

// --- mouse

LRESULT FastListMouseButton(FastListBlock* b, UINT msg, WPARAM keys, LPARAM lp)
{
    const POINT pt = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    int notifyCode = 0;
    NMITEMACTIVATE act = {};
    {
        FL_LOCK(b);
        const bool press = msg != WM_LBUTTONUP;
        if (press && ::GetFocus() != b->window) {
            HWND window = b->window;
            ControlUnlocked unlocked(b->lock, __LINE__);
            ::SetFocus(window);
        }
        LVHITTESTINFO hit = {};
        hit.pt = pt;
        FastListHitTest(b, &hit);
        const int item = hit.iItem;
        const int column = hit.iSubItem;
        const bool shift = (keys & MK_SHIFT) != 0;
        const bool ctrl = (keys & MK_CONTROL) != 0;
        const bool right = msg == WM_RBUTTONDOWN || msg == WM_RBUTTONDBLCLK;
        const bool dbl = msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK;
        if (msg == WM_LBUTTONUP) {
            if (b->pressPending && b->items.Valid(b->pressItem)) {
                // Handled now as the plain press it was: to the item and column it hit.
                FastListMoveFocus(b, b->pressItem, b->pressColumn, false, false, true, 9);
                if (b->columns.Valid(column) && b->columns[column].kind && item == b->pressItem)
                    FastListCellAction(b, item, column, 0x10002);
            }
            b->pressPending = false;
            b->pressButton = 0;
            ::ReleaseCapture();
            return 0;
        }
        if ((hit.flags & LVHT_ONITEMSTATEICON) && (b->exStyle & LVS_EX_CHECKBOXES) && b->items.Valid(item)) {
            UINT old = b->items[item].state;
            UINT check = (b->exStyle & FLS_EX_TOGGLECHECKBIT) ? ((old & 0xF000) ^ 0x1000)
                                                               : ((old & 0x1000) ? 0x2000 : 0x1000);
            FastListSetItemState(b, item, check, 0xF000, 11);
            if (b->items.Valid(item)) {
                UINT now = b->items[item].state;
                FastListInvalidateRows(b, item, item);
                FastListNotifyItem(b, FLN_CHECKCHANGED, item, 0, now, now, 0xF000, pt, __LINE__);
            }
        } else if ((hit.flags & 0x10000) && b->items.Valid(item)) {
            UINT state = b->items[item].state;
            FastListNotifyItem(b, FLN_GLYPHCLICK, item, static_cast<int>((hit.flags >> 13) & 0xF), state, state,
                               (hit.flags >> 8) & 0x1F, pt, __LINE__);
        } else if (!right /* unasked change mended: the press for the context menu stepped the cell's value */ &&
                   b->items.Valid(item) && b->columns.Valid(column) && b->columns[column].kind &&
                   (b->style & LVS_EDITLABELS)) {
            FastListMoveFocus(b, item, column, false, false, true, 9);
            FastListCellAction(b, item, column, dbl ? 0x10000 : 0x10001);
        } else if (b->items.Valid(item) &&
                   ((hit.flags & (LVHT_ONITEM | 0x40000)) || ((b->exStyle & LVS_EX_FULLROWSELECT) && (hit.flags & 0x20000)))) {
            if (!(b->exStyle & FLS_EX_NODRAGDETECT)) {
                b->pressButton = right ? 2 : 1;
                b->pressItem = item;
            }
            const bool selected = (b->items[item].state & LVIS_SELECTED) != 0;
            if (right && (b->exStyle & FLS_EX_RIGHTKEEPS)) {
                b->rightDrag = true;
            } else if (right && !(b->style & LVS_SINGLESEL) && selected && b->selected > 1) {
                b->rightDrag = true;
            } else if (!right && !shift && !ctrl && !dbl && !(b->style & LVS_SINGLESEL) && selected && b->selected > 1) {
                b->pressPending = true;   // a drag of the whole selection may follow
                b->pressItem = item;
                b->pressColumn = column;
                ::SetCapture(b->window);
            } else {
                FastListMoveFocus(b, item, column, shift, ctrl, true, 9);
            }
            if (dbl && !right && (b->style & LVS_EDITLABELS))
                FastListBeginEdit(b, item, column, 0x10000);
        }
        notifyCode = msg == WM_LBUTTONDOWN ? NM_CLICK : msg == WM_LBUTTONDBLCLK ? NM_DBLCLK
                                                                                : msg == WM_RBUTTONDOWN ? NM_RCLICK : NM_RDBLCLK;
        act.iItem = b->items.Valid(item) ? item : -1;
        act.iSubItem = column;
        act.uNewState = b->items.Valid(item) ? b->items[item].state : 0;
        act.uOldState = act.uNewState;
        act.ptAction = pt;
        act.lParam = b->items.Valid(item) ? static_cast<LPARAM>(b->items[item].data) : 0;
        act.uKeyFlags = static_cast<UINT>(keys);
    }
    // The click is told after the lock is let go.
    ControlNotifyParent(b->window, &act.hdr, notifyCode);
    return 0;
}

LRESULT FastListMouseWheel(FastListBlock* b, WPARAM wp)
{
    if (wp & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))
        return 0;
    FL_LOCK(b);
    if (Editing(b))
        return 0;
    const int rows = WheelRows(static_cast<short>(HIWORD(wp)), LOWORD(wp));
    if (rows)
        FastListScrollTo(b, SB_VERT, b->top - rows, 11);
    return 1;
}

void FastListMouseMove(FastListBlock* b, int x, int y, bool leave)
{
    LVHITTESTINFO hit = {};
    hit.pt.x = x;
    hit.pt.y = y;
    if (!leave)
        FastListHitTest(b, &hit);
    else
        hit.iItem = -1;
    const int item = hit.iItem;
    const int column = hit.iSubItem;
    if (!leave && !b->tracking) {
        TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, b->window, 0};
        b->tracking = _TrackMouseEvent(&tme) != FALSE;
    }
    // Hot item.
    int hot = -1, hotColumn = -1;
    if ((b->exStyle & LVS_EX_TRACKSELECT) && b->enabled && (hit.flags & 0x60000E)) {
        hot = item;
        hotColumn = column;
    }
    if (hot != b->index.hot || hotColumn != b->hotColumn) {
        if (b->items.Valid(b->index.hot)) {
            b->items[b->index.hot].flags &= ~0x08;
            FastListInvalidateRows(b, b->index.hot, b->index.hot);
        }
        b->index.hot = hot;
        b->hotColumn = hotColumn;
        if (b->items.Valid(hot)) {
            b->items[hot].flags |= 0x08;
            FastListInvalidateRows(b, hot, hot);
        }
    }
    // The own themed check box under the pointer is drawn hot.
    int hotCheck = (hit.flags & LVHT_ONITEMSTATEICON) && b->images[FLIL_CHECK].list == kThemedBoxes ? item : -1;
    if (hotCheck != b->hotCheck) {
        FastListInvalidateRows(b, b->hotCheck, b->hotCheck);
        b->hotCheck = hotCheck;
        FastListInvalidateRows(b, hotCheck, hotCheck);
    }
    // Tooltip.
    if ((b->exStyle & FLS_EX_NOTOOLTIPS) || !b->tooltip)
        return;
    if (!b->enabled) {
        FastListHideTooltip(b);
        return;
    }
    if (!b->items.Valid(item) || !(hit.flags & LVHT_ONITEM) || item == b->index.edit) {
        if (b->tipShown && item != b->index.tooltip)
            FastListHideTooltip(b);
        b->index.tooltip = -1;
        return;
    }
    if (item == b->index.tooltip && column == b->tooltipColumn)
        return;
    FastListHideTooltip(b);
    std::string text;
    bool bold = false;
    // The label: column 0 after its glyphs, check box and image, where the tooltip shows.
    RECT label = FastListCellRect(b, item, 0);
    label.left += LabelOffset(b, item);
    if (b->exStyle & FLS_EX_INFOTIPS) {
        std::vector<char> buffer(1024, 0);
        NMLVGETINFOTIPA tip = {};
        tip.pszText = buffer.data();
        tip.cchTextMax = 1024;
        tip.iItem = item;
        tip.lParam = static_cast<LPARAM>(b->items[item].data);
        FastListNotify(b, &tip.hdr, LVN_GETINFOTIPA, __LINE__);
        buffer[1023] = 0;
        text = buffer.data();
    } else {
        // The text is measured in the font it is painted in: a bold cell is wider.
        UINT state = 0;
        text = FastListCellText(b, item, 0, &state);
        bold = (state & 0x80) != 0;
        const LONG right = std::min<LONG>(label.right, b->visibleWidth + b->margin);
        HDC dc = ::GetDC(b->window);
        int width = FastListCellTextWidth(b, dc, text.data(), static_cast<int>(text.size()), bold);
        ::ReleaseDC(b->window, dc);
        const int room = right - label.left - 4;
        if (width <= room)
            text.clear();
    }
    if (!b->items.Valid(item) || text.empty())
        return;
    // The text buffer grows in steps of 256 bytes.
    size_t need = (text.size() + 1 + 255) / 256 * 256;
    if (b->tipText.size() < need)
        b->tipText.resize(need);
    std::memcpy(b->tipText.data(), text.c_str(), text.size() + 1);
    b->index.tooltip = item;
    b->tooltipColumn = column;
    b->tipBold = bold;
    b->tipRect = label;
    b->tipCountdown = 1;
    ::SetTimer(b->window, kFastListTooltipTimer, 1500, nullptr);
    b->tipTimer = true;
}

// --- tooltips

namespace {

LRESULT CALLBACK TooltipProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    HWND list = reinterpret_cast<HWND>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    FastListBlock* b = list ? FastListOf(list) : nullptr;
    WNDPROC old = b ? b->tipOldProc : nullptr;
    if (!b || !old)
        return ::DefWindowProcA(hwnd, msg, wp, lp);
    if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST && msg != WM_MOUSEWHEEL) {
        // The mouse over the tooltip is the mouse over the list.
        POINT pt = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        ::MapWindowPoints(hwnd, list, &pt, 1);
        return ::CallWindowProcA(reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(list, GWLP_WNDPROC)), list, msg, wp,
                                 MAKELPARAM(pt.x, pt.y));
    }
    if (msg == WM_SETFOCUS && wp) {
        ::SetFocus(reinterpret_cast<HWND>(wp));
        return 0;
    }
    return ::CallWindowProcA(old, hwnd, msg, wp, lp);
}

}  // namespace

void FastListCreateTooltip(FastListBlock* b)
{
    if (b->tooltip || (b->exStyle & FLS_EX_NOTOOLTIPS))
        return;
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(b->window, GWLP_HINSTANCE));
    b->tooltip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, b->window, nullptr, instance, nullptr);
    if (!b->tooltip)
        return;
    TOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    ti.hwnd = b->window;
    ti.uId = reinterpret_cast<UINT_PTR>(b->window);
    ti.lpszText = LPSTR_TEXTCALLBACKA;
    ::SendMessageA(b->tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    ::SendMessageA(b->tooltip, TTM_SETMAXTIPWIDTH, 0, 10000);
    ::SetWindowLongPtrA(b->tooltip, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(b->window));
    b->tipOldProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(b->tooltip, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TooltipProc)));
}

void FastListHideTooltip(FastListBlock* b)
{
    // Withdrawn at once, in deferred mode too: kept up until the refresh it would go on
    // showing a row that was deleted or scrolled away, and hiding it later would take down
    // a tooltip prepared for the cell now under the pointer.
    if (b->tooltip && b->tipShown) {
        TOOLINFOA ti = {};
        ti.cbSize = TTTOOLINFOA_V1_SIZE;
        ti.hwnd = b->window;
        ti.uId = reinterpret_cast<UINT_PTR>(b->window);
        HWND tooltip = b->tooltip;
        ControlUnlocked unlocked(b->lock, __LINE__);
        ::SendMessageA(tooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&ti));
    }
    b->tipShown = false;
    b->index.tooltip = -1;
    b->tooltipColumn = -1;
    if (b->tipTimer) {
        ::KillTimer(b->window, kFastListTooltipTimer);
        b->tipTimer = false;
    }
}

void FastListTooltipTick(FastListBlock* b)
{
    POINT cursor;
    ::GetCursorPos(&cursor);
    HWND under = ::WindowFromPoint(cursor);
    if (under != b->window && under != b->tooltip) {
        FastListHideTooltip(b);
        return;
    }
    if (b->tipShown || !b->items.Valid(b->index.tooltip))
        return;
    if (--b->tipCountdown > 0)
        return;
    // Still over the same cell?
    POINT pt = cursor;
    ::ScreenToClient(b->window, &pt);
    LVHITTESTINFO hit = {};
    hit.pt = pt;
    FastListHitTest(b, &hit);
    if (hit.iItem != b->index.tooltip) {
        FastListHideTooltip(b);
        return;
    }
    POINT at = {b->tipRect.left, b->tipRect.top};
    ::ClientToScreen(b->window, &at);
    MONITORINFO mi = {sizeof mi};
    if (::GetMonitorInfoA(::MonitorFromWindow(b->window, MONITOR_DEFAULTTONEAREST), &mi)) {
        at.x = std::min(std::max(at.x, mi.rcWork.left), mi.rcWork.right - 16);
        at.y = std::min(std::max(at.y, mi.rcWork.top), mi.rcWork.bottom - 16);
    }
    TOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.hwnd = b->window;
    ti.uId = reinterpret_cast<UINT_PTR>(b->window);
    HWND tooltip = b->tooltip;
    HFONT font = b->fonts[b->tipBold ? 1 : 0];
    {
        ControlUnlocked unlocked(b->lock, __LINE__);
        if (font)
            ::SendMessageA(tooltip, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        ::SendMessageA(tooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&ti));
        ::SendMessageA(tooltip, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
        ::SendMessageA(tooltip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
    }
    b->tipShown = true;
    ::SetTimer(b->window, kFastListTooltipTimer, 500, nullptr);
}

// --- in-place editing

namespace {

LRESULT CALLBACK EditorProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    WNDPROC old = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    HWND list = ::GetParent(hwnd);
    // A combo box's edit field has the combo box between it and the list.
    char cls[16] = {};
    ::GetClassNameA(list, cls, sizeof cls);
    if (lstrcmpiA(cls, "ComboBox") == 0)
        list = ::GetParent(list);
    switch (msg) {
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | (old ? ::CallWindowProcA(old, hwnd, msg, wp, lp) : 0);
    case WM_KEYDOWN:
        if (wp == VK_RETURN || wp == VK_ESCAPE || wp == VK_TAB) {
            ::PostMessageA(list, FLM_ENDEDIT, wp == VK_ESCAPE ? 1 : 0, 0);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wp == VK_RETURN || wp == VK_ESCAPE || wp == VK_TAB)
            return 0;
        break;
    default:
        break;
    }
    return old ? ::CallWindowProcA(old, hwnd, msg, wp, lp) : ::DefWindowProcA(hwnd, msg, wp, lp);
}

void SubclassEditor(HWND child)
{
    LONG_PTR old = ::SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditorProc));
    ::SetWindowLongPtrA(child, GWLP_USERDATA, old);
}

BOOL CALLBACK SubclassChild(HWND child, LPARAM)
{
    SubclassEditor(child);
    return TRUE;
}

// The choices of a column: its owner value points to texts separated by its separator byte.
std::vector<std::string> Choices(const FastListColumn& col)
{
    std::vector<std::string> out;
    const char* p = reinterpret_cast<const char*>(static_cast<uintptr_t>(col.value));
    if (!p)
        return out;
    const int most = col.choiceCount ? col.choiceCount : 1024;
    const char separator = static_cast<char>(col.separator);
    std::string current;
    for (size_t i = 0; i < 65536 && static_cast<int>(out.size()) < most; ++i) {
        char c = p[i];
        if (c == 0 || (separator && c == separator)) {
            if (!current.empty() || separator)
                out.push_back(current.substr(0, 256));
            current.clear();
            if (c == 0)
                break;
        } else {
            current.push_back(c);
        }
    }
    return out;
}

}  // namespace

int FastListBeginEdit(FastListBlock* b, int item, int column, int code, bool ask)
{
    if (!(b->style & LVS_EDITLABELS) || !b->items.Valid(item) || !b->columns.Valid(column))
        return 0;
    if (code >= 32 && code < 0x10000 && ((::GetKeyState(VK_MENU) & 0x8000) || (::GetKeyState(VK_CONTROL) & 0x8000)))
        return 0;
    std::string text = FastListCellText(b, item, column);
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back(0);
    FastListEditRequest request = {};
    request.item.mask = 0x8000000D;
    request.item.iItem = item;
    request.item.iSubItem = column;
    request.item.state = b->items[item].state;
    request.item.pszText = buffer.data();
    request.item.cchTextMax = 255;
    request.item.iImage = static_cast<int>(text.size());
    request.item.lParam = static_cast<LPARAM>(b->items[item].data);
    request.code = code;
    const LRESULT answer = ask ? FastListNotify(b, &request.hdr, FLN_EDITREQUEST, __LINE__) : 0;
    if (answer == FLE_REFUSE || !b->items.Valid(item) || !b->columns.Valid(column))
        return 0;
    FastListMoveFocus(b, item, column, false, false, true, 9);
    if (b->edit)
        FastListEndEdit(b, false);
    const int kind = static_cast<int>((static_cast<DWORD>(answer) >> 29) & 3);
    DWORD style;
    const char* cls;
    if (kind == 1) {
        cls = "COMBOBOX";
        style = 0x40800042;
    } else if (kind == 2) {
        cls = "COMBOBOX";
        style = 0x40800043;
    } else {
        cls = "EDIT";
        style = 0x40800080;
        if (answer & FLE_ALIGN) {
            int align = b->columns[column].align;
            style |= align == 1 ? ES_CENTER : (align == 2 ? ES_RIGHT : 0);
        }
    }
    RECT cell = FastListCellRect(b, item, column);
    const int height = kind ? b->rowHeight * 8 : cell.bottom - cell.top;
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(b->window, GWLP_HINSTANCE));
    b->edit = ::CreateWindowExA(0, cls, "", style, cell.left, cell.top, std::max<LONG>(cell.right - cell.left, 20),
                                height, b->window, nullptr, instance, nullptr);
    if (!b->edit)
        return 0;
    ::SendMessageA(b->edit, kind ? CB_LIMITTEXT : EM_LIMITTEXT, 2048, 0);
    const ControlThemeApi& theme = g_fastListClass.Theme();
    if (theme.SetWindowTheme)
        theme.SetWindowTheme(b->edit, L"", L"");
    SubclassEditor(b->edit);
    ::EnumChildWindows(b->edit, &SubclassChild, 0);
    if (kind) {
        ::SendMessageA(b->edit, CB_RESETCONTENT, 0, 0);
        for (const std::string& choice : Choices(b->columns[column]))
            ::SendMessageA(b->edit, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice.c_str()));
    }
    if (b->fonts[0])
        ::SendMessageA(b->edit, WM_SETFONT, reinterpret_cast<WPARAM>(b->fonts[0]), FALSE);
    ::SetWindowTextA(b->edit, text.c_str());
    if (kind == 2)
        ::SendMessageA(b->edit, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
    else
        ::SendMessageA(b->edit, kind ? CB_SETEDITSEL : EM_SETSEL, 0, kind ? MAKELPARAM(0, -1) : -1);
    ::ShowWindow(b->edit, SW_SHOW);
    ::SetFocus(b->edit);
    if (code >= 32 && code < 256 && kind != 2)
        ::SendMessageA(b->edit, WM_CHAR, static_cast<WPARAM>(code), 0);
    b->index.edit = item;
    b->editColumn = column;
    b->editCode = code;
    NMLVDISPINFOA info = {};
    info.item.mask = LVIF_TEXT;
    info.item.iItem = item;
    info.item.iSubItem = column;
    info.item.pszText = buffer.data();
    info.item.cchTextMax = static_cast<int>(buffer.size());
    FastListNotify(b, &info.hdr, LVN_BEGINLABELEDITA, __LINE__);
    return 1;
}

void FastListEndEdit(FastListBlock* b, bool keep)
{
    HWND edit = b->edit;
    if (!edit)
        return;
    b->edit = nullptr;
    const int item = b->index.edit;
    const int column = b->editColumn;
    b->index.edit = -1;
    b->editColumn = -1;
    std::vector<char> text(2050, 0);
    if (::IsWindow(edit)) {
        ::GetWindowTextA(edit, text.data(), static_cast<int>(text.size()));
        ::ShowWindow(edit, SW_HIDE);
    }
    NMLVDISPINFOA info = {};
    info.item.mask = LVIF_TEXT;
    info.item.iItem = item;
    info.item.iSubItem = column;
    info.item.pszText = keep ? text.data() : nullptr;
    info.item.cchTextMax = keep ? static_cast<int>(std::strlen(text.data())) : 0;
    info.item.lParam = b->items.Valid(item) ? static_cast<LPARAM>(b->items[item].data) : 0;
    FastListNotify(b, &info.hdr, LVN_ENDLABELEDITA, __LINE__);
    if (keep) {
        info.item.pszText = text.data();
        FastListNotify(b, &info.hdr, LVN_SETDISPINFOA, __LINE__);
    }
    if (::IsWindow(edit)) {
        HWND window = b->window;
        bool hadFocus = ::GetFocus() == edit || ::IsChild(edit, ::GetFocus());
        ::DestroyWindow(edit);
        if (hadFocus)
            ::SetFocus(window);
    }
    if (b->items.Valid(item))
        FastListInvalidateRows(b, item, item);
}

void FastListFollowEdit(FastListBlock* b, int from)
{
    const int item = b->index.edit;
    if (!b->edit || !b->items.Valid(item) || !b->columns.Valid(b->editColumn))
        return;
    // The view moves by as many rows as the record did, so that its row stays under the
    // editor, or as near as the ends of the list allow.
    const int top = ClampTopRow(b->top + item - from, FastListPageOf(b));
    if (top != b->top) {
        b->top = top;
        ::SetScrollPos(b->window, SB_VERT, top, TRUE);
    }
    FastListPlaceEditor(b);
}

void FastListPlaceEditor(FastListBlock* b)
{
    HWND edit = b->edit;
    const int item = b->index.edit;
    if (!edit || !::IsWindow(edit) || !b->items.Valid(item) || !b->columns.Valid(b->editColumn))
        return;
    const RECT cell = FastListCellRect(b, item, b->editColumn);
    RECT now;
    ::GetWindowRect(edit, &now);
    ::MapWindowPoints(nullptr, b->window, reinterpret_cast<POINT*>(&now), 2);
    if (now.left == cell.left && now.top == cell.top)
        return;
    // Below the header in the z-order: a cell scrolled above the page lies under the header,
    // which covers the editor there as it covers the rows; one scrolled further lies outside
    // the window. Either way the editor keeps the focus and the text.
    HWND header = b->header && ::IsWindow(b->header) ? b->header : nullptr;
    ::SetWindowPos(edit, header, cell.left, cell.top, 0, 0,
                   SWP_NOSIZE | SWP_NOACTIVATE | (header ? 0 : SWP_NOZORDER));
}

// --- the cell-kind action

void FastListCellAction(FastListBlock* b, int item, int column, int code)
{
    if (!(b->style & LVS_EDITLABELS) || Editing(b) || !b->items.Valid(item) || !b->columns.Valid(column))
        return;
    const FastListColumn& col = b->columns[column];
    if (!col.kind)
        return;
    const POINT none = {0, 0};
    if (code >= 32 && code < '0')
        return;   // below "0" a typed character does nothing, a space on a check cell too
    if (col.kind == 6 || col.kind == 7) {
        FastListTextRequest r = FastListAskCell(b, item, column);
        const UINT old = r.state & 0xF000;
        const UINT check = (b->exStyle & FLS_EX_TOGGLECHECKBIT) ? (old ^ 0x1000) : ((old & 0x1000) ? 0x2000 : 0x1000);
        // The owner keeps the cell's check state: it gets the cell's new state, as a click
        // on an item's check box tells it.
        const UINT now = (r.state & ~0xF000u) | check;
        FastListNotifyItem(b, FLN_CHECKCHANGED, item, column, now, now, 0xF000, none, __LINE__);
        FastListInvalidateRows(b, item, item);
        return;
    }
    std::vector<std::string> choices = Choices(col);
    if (choices.empty())
        return;
    std::string current = FastListCellText(b, item, column);
    int index = -1;
    for (size_t i = 0; i < choices.size(); ++i) {
        if (choices[i] == current) {
            index = static_cast<int>(i);
            break;
        }
    }
    int next = -1;
    if (code >= '0' && code < 256) {
        // A typed character: the next choice beginning with it.
        const unsigned char wanted = TypeAheadUpper(static_cast<unsigned char>(code));
        for (size_t k = 1; k <= choices.size(); ++k) {
            int i = static_cast<int>((index + k + choices.size()) % choices.size());
            if (!choices[i].empty() && TypeAheadUpper(static_cast<unsigned char>(choices[i][0])) == wanted) {
                next = i;
                break;
            }
        }
        if (next < 0)
            return;
    } else if (col.cellFlags & 0x8) {
        next = index >= 0 ? index : 0;
    } else {
        next = (index + 1) % static_cast<int>(choices.size());
    }
    FastListCellValue value = {};
    value.item = item;
    value.column = column;
    value.data = b->items[item].data;
    value.text = choices[next].c_str();
    value.length = static_cast<int>(choices[next].size());
    FastListNotify(b, &value.hdr, FLN_CELLVALUE, __LINE__);
    if (b->items.Valid(item))
        FastListInvalidateRows(b, item, item);
}
