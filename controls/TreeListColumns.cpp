// TreeList columns on the window side: the "SysHeader32" child, inserting, setting, reading
// and deleting columns through it, the display order, and the header's notifications
// (widths, drags, clicks) answered with the model's column records.
#include "controls/TreeListImpl.h"

#include <string.h>

namespace {

bool ValidHeaderColumn(TreeListBlock* b, int column)
{
    return b->header && column >= 0 && column < b->model.columnCount;
}

void NotifyGeometry(TreeListBlock* b, int column)
{
    b->model.NotifyColumnGeometry(column);
}

void RecountTotals(TreeListModel& m)
{
    m.fixedTotal = m.autoTotal = 0;
    for (int c = 0; c < m.columnCount; ++c)
        (m.columns[c].weight ? m.autoTotal : m.fixedTotal) += m.columns[c].width;
}

void Repaint(TreeListBlock* b)
{
    TreeListModel& m = b->model;
    int changed = m.ComputeEdges();
    if (changed >= 0)
        b->InvalidateRightOf((changed < m.columnCount ? m.ColumnLeft(m.order[changed]) : m.ContentRight()) - m.hScroll);
    TreeListUpdateHBar(b);
}

}  // namespace

void TreeListPlaceHeader(TreeListBlock* b) noexcept
{
    TreeListModel& m = b->model;
    if (!b->header)
        return;
    int height = (m.exStyle & TLX_HIDEHEADER) ? 0 : GetSystemMetrics(SM_CYHSCROLL);
    if (height != m.headerHeight) {
        m.headerHeight = height;
        m.UpdateRowsFit();
        b->InvalidateAll();
        TreeListUpdateVBar(b, true);
    }
    SetWindowPos(b->header, nullptr, -m.hScroll, 0, m.clientWidth + m.hScroll, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

int TreeListInsertColumn(TreeListBlock* b, int index, const LVCOLUMNA* r) noexcept
{
    TreeListModel& m = b->model;
    if (!r)
        return -1;
    if (!b->header) {
        int height = (m.exStyle & TLX_HIDEHEADER) ? 0 : GetSystemMetrics(SM_CYHSCROLL);
        b->header = CreateWindowExA(0, WC_HEADERA, nullptr, WS_CHILD | WS_VISIBLE | HDS_DRAGDROP | HDS_BUTTONS, 0, 0,
                                    m.clientWidth, height, b->window, reinterpret_cast<HMENU>(kHeaderId),
                                    GetModuleHandleA(nullptr), nullptr);
        if (!b->header)
            return -1;
        m.headerHeight = height;
        m.ComputeRowHeight();
        m.UpdateRowsFit();
        b->InvalidateAll();
        SendMessageA(b->header, HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(b->list5 ? b->list5 : b->normalList));
    }
    if (m.columnCount >= 32)
        return -1;
    if (index > m.columnCount)
        index = m.columnCount;
    if (index < 0)
        index = 0;
    if (m.columnCount > 0 && index == 0)
        index = 1;   // misplaced cells mended: column 0 holds the item texts, so it stays first
    HDITEMA hd = {};
    const UINT fmt = static_cast<UINT>(r->fmt);   // the own mask bits need no LVCF_FMT
    if (r->mask & LVCF_FMT) {
        hd.mask |= HDI_FORMAT;
        hd.fmt = HDF_STRING | static_cast<int>(fmt);
    }
    // Missing picture mended: a header item shows its image only with HDF_IMAGE in its format.
    if (r->mask & LVCF_IMAGE) {
        hd.mask |= HDI_IMAGE | HDI_FORMAT;
        hd.fmt |= HDF_STRING | HDF_IMAGE;
        hd.iImage = r->iImage;
    }
    if (r->mask & LVCF_TEXT) {
        hd.mask |= HDI_TEXT;
        hd.pszText = r->pszText;
        hd.cchTextMax = r->pszText ? static_cast<int>(strlen(r->pszText)) : 0;
    }
    int weight = 0;
    int width = m.NewColumnWidth(r, &weight);
    hd.mask |= HDI_WIDTH;
    hd.cxy = (r->mask & fmt & TLCF_HIDDEN) ? 0 : width;
    if (SendMessageA(b->header, HDM_INSERTITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&hd)) < 0)
        return -1;
    int at = m.AddColumn(index, r, width, weight);
    if (at < 0) {
        SendMessageA(b->header, HDM_DELETEITEM, static_cast<WPARAM>(index), 0);
        return -1;
    }
    TreeListUpdateHBar(b);
    if (m.exStyle & TLX_GEOMETRYNOTIFY)
        NotifyGeometry(b, at);
    return at;
}

int TreeListSetColumn(TreeListBlock* b, int column, const LVCOLUMNA* r) noexcept
{
    TreeListModel& m = b->model;
    if (!r || !ValidHeaderColumn(b, column))
        return 0;
    TreeListColumn& col = m.columns[column];
    const UINT mask = r->mask;
    const UINT fmt = static_cast<UINT>(r->fmt);
    const int oldWidth = col.width;
    int width = -1;
    if (mask & LVCF_WIDTH) {
        width = r->cx;
        if (width == kRestoreWidth)
            width = col.savedWidth ? col.savedWidth : col.width;
        if (width < 0)
            width = 0;
    }
    if (mask & TLCF_HIDDEN) {
        if (fmt & TLCF_HIDDEN) {
            // Hiding a column that is hidden already keeps the width it had when it was
            // shown: taking its present width (0, so 100) would lose it for good.
            if (!col.savedWidth)
                col.savedWidth = col.width ? col.width : 100;
            width = 0;
        } else {
            col.savedWidth = 0;
        }
    }
    HDITEMA hd = {};
    if (mask & LVCF_FMT) {
        // The caller's format goes to the header as a string item. Lost picture mended: the
        // picture the header item shows (CTreeListCtrl::SetHeaderImage) is kept, where a new
        // alignment took it away.
        HDITEMA now = {};
        now.mask = HDI_FORMAT;
        if (!SendMessageA(b->header, HDM_GETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&now)))
            now.fmt = 0;
        const int picture = HDF_IMAGE | HDF_BITMAP_ON_RIGHT;
        hd.mask |= HDI_FORMAT;
        hd.fmt = HDF_STRING | static_cast<int>(fmt) | (now.fmt & picture);
    }
    if (mask & LVCF_IMAGE) {
        hd.mask |= HDI_IMAGE;
        hd.iImage = r->iImage;
    }
    if (width >= 0) {
        int w = width;
        if (w && col.minApplies && w < col.minWidth)
            w = col.minWidth;
        col.requested = width;
        col.width = w;
        hd.mask |= HDI_WIDTH;
        hd.cxy = w;
    }
    if (mask & LVCF_TEXT) {
        hd.mask |= HDI_TEXT;
        hd.pszText = r->pszText;
        hd.cchTextMax = r->cchTextMax;
    }
    LRESULT result = 1;
    if (hd.mask)
        result = SendMessageA(b->header, HDM_SETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&hd));
    if (mask & LVCF_FMT) {
        BYTE align = (fmt & 3) == LVCFMT_RIGHT ? 2 : ((fmt & 3) == LVCFMT_CENTER ? 1 : 0);
        if (align != col.align) {
            col.align = align;
            b->InvalidateAll();
        }
    }
    if (mask & TLCF_COLORED) {
        BYTE on = (fmt & TLCF_COLORED) ? 1 : 0;
        m.coloredCount += on - col.colored;
        col.colored = on;
        b->InvalidateAll();
    }
    if (mask & TLCF_OWNERDRAW) {
        col.ownerDraw = (fmt & TLCF_OWNERDRAW) ? 1 : 0;
        b->InvalidateAll();
    }
    if ((mask & TLCF_FILL) && width >= 0 && m.fillCount) {
        if (fmt & TLCF_FILL) {
            // The shown fill columns share what the other shown columns leave of the client.
            int others = 0;
            for (int c = 0; c < m.columnCount; ++c) {
                TreeListColumn& x = m.columns[c];
                if (x.weight && !x.savedWidth)
                    x.requested = x.width = 0;
                else
                    others += x.width;
            }
            m.ShareFill(m.clientWidth - others);
        } else if (oldWidth == 0 && !col.savedWidth && col.weight) {
            BYTE own = col.weight;
            col.weight = 0;
            m.ShareFill(-width);
            col.weight = own;
        }
    }
    RecountTotals(m);
    Repaint(b);
    m.NotifyOwedGeometry();
    return static_cast<int>(result);
}

int TreeListGetColumn(TreeListBlock* b, int column, LVCOLUMNA* r) noexcept
{
    if (!r || !ValidHeaderColumn(b, column))
        return 0;
    HDITEMA hd = {};
    if (r->mask & LVCF_TEXT) { hd.mask |= HDI_TEXT; hd.pszText = r->pszText; hd.cchTextMax = r->cchTextMax; }
    if (r->mask & LVCF_IMAGE) hd.mask |= HDI_IMAGE;
    if (r->mask & LVCF_FMT) hd.mask |= HDI_FORMAT;
    if (r->mask & LVCF_WIDTH) hd.mask |= HDI_WIDTH;
    if ((r->mask & LVCF_TEXT) && (!r->pszText || r->cchTextMax <= 0))
        hd.mask &= ~static_cast<UINT>(HDI_TEXT);
    if (!SendMessageA(b->header, HDM_GETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&hd)))
        return 0;
    if (hd.mask & HDI_IMAGE) r->iImage = hd.iImage;
    if (hd.mask & HDI_FORMAT) r->fmt = hd.fmt & 3;
    if (hd.mask & HDI_WIDTH) r->cx = hd.cxy;
    r->iSubItem = column;
    return 1;
}

int TreeListDeleteColumn(TreeListBlock* b, int column) noexcept
{
    TreeListModel& m = b->model;
    if (column < 0 || column >= m.columnCount || (column == 0 && m.columnCount > 1))
        return 0;
    if (column > 0 && m.caretColumn == column)
        m.caretColumn = 0;
    if (m.editItem && m.editColumn == column)
        TreeListEndEdit(b, 0);
    if (b->header)
        SendMessageA(b->header, HDM_DELETEITEM, static_cast<WPARAM>(column), 0);
    int r = m.DeleteColumn(column);
    if (m.columnCount == 0 && b->header) {
        DestroyWindow(b->header);
        b->header = nullptr;
        m.headerHeight = 0;
        m.ComputeRowHeight();
        m.UpdateRowsFit();
        b->InvalidateAll();
        TreeListUpdateVBar(b, true);
    }
    return r;
}

int TreeListSetOrder(TreeListBlock* b, WPARAM count, const int* order) noexcept
{
    TreeListModel& m = b->model;
    int local[32];
    if (!order) {
        if (count == kReadHeaderOrder) {
            if (!b->header || m.columnCount <= 0)
                return 0;
            if (!SendMessageA(b->header, HDM_GETORDERARRAY, static_cast<WPARAM>(m.columnCount), reinterpret_cast<LPARAM>(local)))
                return 0;
        } else {
            for (int i = 0; i < m.columnCount; ++i)
                local[i] = i;
        }
        order = local;
        count = static_cast<WPARAM>(m.columnCount);
    }
    if (count > 32)
        return 0;
    int r = m.SetColumnOrder(order, static_cast<int>(count));
    if (r != 2)
        return r;
    if (b->header) {
        int copy[32];
        for (int i = 0; i < m.columnCount; ++i)
            copy[i] = m.order[i];
        SendMessageA(b->header, HDM_SETORDERARRAY, static_cast<WPARAM>(m.columnCount), reinterpret_cast<LPARAM>(copy));
    }
    TreeListUpdateHBar(b);
    if (m.exStyle & TLX_GEOMETRYNOTIFY)
        for (int c = 0; c < m.columnCount; ++c)
            NotifyGeometry(b, c);
    return 1;
}

LRESULT TreeListHeaderNotify(TreeListBlock* b, NMHDR* hdr) noexcept
{
    TreeListModel& m = b->model;
    NMHEADERA* nh = reinterpret_cast<NMHEADERA*>(hdr);
    const UINT code = hdr->code;
    const int column = nh->iItem;
    const bool valid = column >= 0 && column < m.columnCount;
    switch (code) {
    case HDN_ITEMCHANGEDA:
        if (valid && nh->pitem && (nh->pitem->mask & HDI_WIDTH) && nh->pitem->cxy != m.columns[column].width) {
            int w = nh->pitem->cxy;
            m.TrackColumn(column, &w);
            // The header has taken the width already (HDM_SETITEMA, TLM_SETCOLUMNWIDTH): one
            // the column refused, below its minimum, is put back, or the header's divider
            // and the cells part ways.
            if (column < m.columnCount && m.columns[column].width != nh->pitem->cxy)
                b->HeaderWidth(column, m.columns[column].width);
        }
        return 0;
    case HDN_BEGINDRAG:
        return valid && column != 0 && (m.exStyle & TLX_HEADERDRAG) ? 0 : 1;
    case HDN_ENDDRAG:
        if (!valid || column == 0 || !(m.exStyle & TLX_HEADERDRAG) || !nh->pitem || nh->pitem->iOrder == 0)
            return 1;
        PostMessageA(b->window, TLM_SETCOLUMNORDER, kReadHeaderOrder, 0);
        return 0;
    case HDN_BEGINTRACKA: {
        SetFocus(b->window);
        if (!valid || (m.exStyle & TLX_FIXEDWIDTHS))
            return 1;
        const TreeListColumn& col = m.columns[column];
        if (m.exStyle & TLX_KEEPTOTAL) {
            bool follows = false;
            for (int p = col.position + 1; p < m.columnCount; ++p)
                follows = follows || !m.columns[m.order[p]].savedWidth;
            if (!follows)
                return 1;
        }
        if (!(col.savedWidth && col.width == 0))
            return 0;
        // A hidden column's divider: the drag goes to the divider on its left.
        if (col.position > 0) {
            int before = m.order[col.position - 1];
            int x = m.ColumnRight(before) - 2;
            POINT pt;
            GetCursorPos(&pt);
            ScreenToClient(b->header, &pt);
            PostMessageA(b->header, WM_LBUTTONUP, 0, MAKELPARAM(x, pt.y));
            PostMessageA(b->header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, pt.y));
        }
        return 1;
    }
    case HDN_DIVIDERDBLCLICKA: {
        SetFocus(b->window);
        if (!valid || (m.exStyle & TLX_FIXEDWIDTHS) || m.columns[column].savedWidth)
            return 0;
        int w = m.ColumnContentWidth(column);
        if (m.columns[column].minApplies && w < m.columns[column].minWidth)
            w = m.columns[column].minWidth;
        m.TrackColumn(column, &w);
        return 0;
    }
    case HDN_TRACKA:
    case HDN_ENDTRACKA:
        if (code == HDN_ENDTRACKA)
            SetFocus(b->window);
        if (valid && nh->pitem && (nh->pitem->mask & HDI_WIDTH)) {
            int w = nh->pitem->cxy;
            m.TrackColumn(column, &w);
            nh->pitem->cxy = w;
        }
        return 0;
    case HDN_ITEMCLICKA:
    case HDN_ITEMDBLCLICKA: {
        SetFocus(b->window);
        NMHEADERA copy = *nh;
        return b->Notify(&copy.hdr, static_cast<int>(code));
    }
    case NM_RCLICK: {
        // The header is hit-tested at the cursor in its own coordinates: it stands moved left
        // by the horizontal scroll, and the control's client point would name the wrong column
        // once the rows are scrolled. The parent gets the point in the control's coordinates.
        TreeListHeaderHit hit = {};
        POINT pt;
        GetCursorPos(&pt);
        ScreenToClient(b->header, &pt);
        hit.hit.pt = pt;
        LRESULT index = SendMessageA(b->header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit.hit));
        if (index < 0 || !(hit.hit.flags & (HHT_ONHEADER | HHT_ONDIVIDER | HHT_ONDIVOPEN)))
            return 0;
        hit.hit.pt.x -= m.hScroll;
        b->Notify(&hit.hdr, TLN_HEADERRCLICK);
        return 0;
    }
    default:
        return 0;
    }
}
