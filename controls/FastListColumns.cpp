// "FastList": columns, the header child and its notifications, cell kinds and image lists.
#include "controls/FastListImpl.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

const UINT kHeaderId = 0;

void NotifyColumnChange(FastListBlock* b, int column)
{
    if (!(b->exStyle & FLS_EX_COLUMNNOTIFY) || !b->columns.Valid(column))
        return;
    FastListColumnChange change = {};
    change.column = column;
    change.position = b->columns.PositionOf(column);
    change.width = b->columns[column].shown;
    FastListNotify(b, &change.hdr, FLN_COLUMNCHANGED, __LINE__);
}

int HeaderHeight(const FastListBlock* b)
{
    if (b->style & LVS_NOCOLUMNHEADER)
        return b->headerExtra;
    return ::GetSystemMetrics(SM_CYHSCROLL) + b->headerExtra;
}

void CreateHeader(FastListBlock* b)
{
    if (b->header)
        return;
    b->header = ::CreateWindowExA(0, WC_HEADERA, "", WS_CHILD | WS_VISIBLE | HDS_BUTTONS | HDS_DRAGDROP, 0, 0, 0, 0,
                                  b->window, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kHeaderId)),
                                  reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(b->window, GWLP_HINSTANCE)), nullptr);
    if (!b->header)
        return;
    if (b->fonts[0])
        ::SendMessageA(b->header, WM_SETFONT, reinterpret_cast<WPARAM>(b->fonts[0]), FALSE);
    HIMAGELIST images = b->images[FLIL_HEADER].list ? b->images[FLIL_HEADER].list : b->images[FLIL_ITEM].list;
    if (images && images != kThemedBoxes)
        ::SendMessageA(b->header, HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    FastListLayoutHeader(b);
}

int HeaderFormat(const FastListColumn& col)
{
    int fmt = col.align == 2 ? HDF_RIGHT : (col.align == 1 ? HDF_CENTER : HDF_LEFT);
    if (!col.text.empty())
        fmt |= HDF_STRING;
    if (col.image >= 0)
        fmt |= HDF_IMAGE;
    return fmt;
}

// Takes the fields of an LVCOLUMNA into a column record.
void ReadColumn(const LVCOLUMNA& lv, FastListColumn& col, bool inserting)
{
    if (lv.mask & LVCF_FMT) {
        int a = lv.fmt & LVCFMT_JUSTIFYMASK;
        col.align = a == LVCFMT_RIGHT ? 2 : (a == LVCFMT_CENTER ? 1 : 0);
    }
    if ((lv.mask & LVCF_TEXT) && lv.pszText && lv.pszText != LPSTR_TEXTCALLBACKA) {
        // No further than the caller's count says, and 1024 characters at most: a text that
        // lacks its zero is not read past its buffer.
        size_t n = lv.cchTextMax > 0 ? strnlen(lv.pszText, static_cast<size_t>(std::min(lv.cchTextMax, 1024)))
                                     : strnlen(lv.pszText, 1024);
        col.text.assign(lv.pszText, n);
    }
    if (lv.mask & LVCF_IMAGE)
        col.image = lv.iImage;
    // Overflow mended: the value is the least width a stretch column keeps, and the negation
    // of INT_MIN or a minimum beyond the 16-bit widths overflowed the column edges.
    if (lv.mask & LVCF_ORDER)
        col.minWidth = lv.iOrder == INT_MIN ? 4096 : std::min(lv.iOrder < 0 ? -lv.iOrder : lv.iOrder, 4096);
    else if (inserting)
        col.minWidth = 16;
    if (lv.mask & LVCF_WIDTH) {
        if (lv.cx != FL_SAVEDWIDTH) {
            int cx = std::min(std::max(lv.cx, 0), 32767);
            col.width = cx;
            if (!col.hidden)
                col.shown = cx;
            else
                col.saved = cx;
        }
    } else if (lv.mask & FLCF_STRETCH) {
        // Inserted or set later alike: the column shares the free width by this weight.
        col.weight = std::min(std::max(lv.cx, 1), 255);
        col.width = 0;
        if (!col.hidden)
            col.shown = 0;
    }
    if (lv.mask & FLCF_OWNFORMAT)
        col.flagged = (lv.fmt & FLCFMT_FLAGGED) != 0;
}

LRESULT InsertColumn(FastListBlock* b, int at, const LVCOLUMNA* lv)
{
    if (!lv)
        return -1;
    CreateHeader(b);
    if (b->columns.Count() >= FastListColumns::kMax)
        return -1;
    FastListColumn col;
    ReadColumn(*lv, col, true);
    const int index = b->columns.Insert(at, col);
    if (index < 0)
        return -1;
    if (b->header) {
        HDITEMA hd = {};
        hd.mask = HDI_WIDTH | HDI_FORMAT | HDI_TEXT | HDI_IMAGE;
        hd.cxy = b->columns[index].shown;
        hd.fmt = HeaderFormat(b->columns[index]);
        hd.pszText = const_cast<LPSTR>(b->columns[index].text.c_str());
        hd.iImage = b->columns[index].image;
        ::SendMessageA(b->header, HDM_INSERTITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&hd));
        // The header's order follows the list's.
        std::vector<int> order = b->columns.Order();
        ::SendMessageA(b->header, HDM_SETORDERARRAY, order.size(), reinterpret_cast<LPARAM>(order.data()));
    }
    if (b->focusColumn >= index && b->columns.Count() > 1)
        ++b->focusColumn;
    // The second state images of the cell kinds exist as soon as there are columns.
    FastListApplyStretch(b, true);
    FastListUpdateScrollBars(b, false);
    FastListInvalidateAll(b);
    return index;
}

LRESULT SetColumn(FastListBlock* b, int c, const LVCOLUMNA* lv)
{
    if (!lv || !b->columns.Valid(c))
        return 0;
    FastListColumn& col = b->columns[c];
    const int before = col.shown;
    if (lv->mask & FLCF_HIDDEN)
        b->columns.SetHidden(c, (lv->fmt & FLCFMT_HIDDEN) != 0);
    if ((lv->mask & LVCF_WIDTH) && lv->cx == FL_SAVEDWIDTH && col.hidden)
        b->columns.SetHidden(c, false);
    ReadColumn(*lv, col, false);
    if ((lv->mask & FLCF_STRETCH) && !(lv->mask & LVCF_WIDTH))
        b->columns.Restretch();
    b->columns.RecomputeEdges();
    FastListSyncHeaderItem(b, c);
    // The stretch columns take up any change of the free width; the adjust bits ask no more
    // than that, so the change is shared out with them and without them alike.
    FastListApplyStretch(b, true);
    if (col.shown != before)
        NotifyColumnChange(b, c);
    FastListUpdateScrollBars(b, false);
    FastListInvalidateAll(b);
    return 1;
}

LRESULT GetColumn(FastListBlock* b, int c, LVCOLUMNA* lv)
{
    if (!lv || !b->columns.Valid(c))
        return 0;
    const FastListColumn& col = b->columns[c];
    if (lv->mask & LVCF_FMT)
        lv->fmt = (col.align == 2 ? LVCFMT_RIGHT : (col.align == 1 ? LVCFMT_CENTER : LVCFMT_LEFT)) |
                  (col.flagged ? FLCFMT_FLAGGED : 0) | (col.hidden ? FLCFMT_HIDDEN : 0);
    if (lv->mask & LVCF_WIDTH)
        lv->cx = col.shown;
    if ((lv->mask & LVCF_TEXT) && lv->pszText && lv->cchTextMax > 0) {
        int n = std::min(static_cast<int>(col.text.size()), lv->cchTextMax - 1);
        std::memcpy(lv->pszText, col.text.data(), static_cast<size_t>(n));
        lv->pszText[n] = 0;
    }
    if (lv->mask & LVCF_IMAGE)
        lv->iImage = col.image;
    if (lv->mask & LVCF_ORDER)
        lv->iOrder = col.minWidth;
    if (lv->mask & LVCF_SUBITEM)
        lv->iSubItem = c;
    return 1;
}

void OrderChanged(FastListBlock* b)
{
    if (b->header) {
        std::vector<int> order = b->columns.Order();
        ::SendMessageA(b->header, HDM_SETORDERARRAY, order.size(), reinterpret_cast<LPARAM>(order.data()));
    }
    FastListApplyStretch(b, false);
    for (int c = 0; c < b->columns.Count(); ++c)
        NotifyColumnChange(b, c);
    FastListInvalidateAll(b);
}

LRESULT SetImageList(FastListBlock* b, WPARAM wp, HIMAGELIST list)
{
    const int kind = static_cast<int>(wp & 0xFF);
    static const int slotOf[] = {-1, FLIL_ITEM, FLIL_CHECK, FLIL_STATE2, FLIL_FOURTH, FLIL_HEADER};
    if (kind < 1 || kind > 5)
        return 0;
    const int slot = slotOf[kind];
    FastListImages& images = b->images[slot];
    HIMAGELIST previous = images.list;
    const bool wasOwned = images.owned;
    if (previous == list)
        return reinterpret_cast<LRESULT>(previous);
    images = FastListImages();
    if (slot == FLIL_CHECK)
        b->ownCheckImages = false;
    if (slot == FLIL_STATE2)
        b->ownStateImages = false;
    if (slot == FLIL_CHECK && !list) {
        if (b->exStyle & LVS_EX_CHECKBOXES)
            FastListBuildCheckImages(b, FLIL_CHECK);
    } else if (slot == FLIL_STATE2 && !list) {
        if (b->columns.Count() > 0)
            FastListBuildCheckImages(b, FLIL_STATE2);
    } else if ((slot == FLIL_CHECK || slot == FLIL_STATE2) && list == kThemedBoxes) {
        FastListBuildCheckImages(b, slot);
    } else if (slot == FLIL_FOURTH && (!list || list == b->images[FLIL_ITEM].list)) {
        images.list = nullptr;   // follows the item images
    } else {
        images.list = list;
        images.owned = !(wp & 0x40000000);
        IMAGEINFO info = {};
        if (list && ImageList_GetImageCount(list) > 0 && ImageList_GetImageInfo(list, 0, &info)) {
            images.cx = info.rcImage.right - info.rcImage.left;
            images.cy = info.rcImage.bottom - info.rcImage.top;
        } else if (list) {
            ImageList_GetIconSize(list, &images.cx, &images.cy);
        }
    }
    if (slot == FLIL_HEADER || slot == FLIL_ITEM) {
        HIMAGELIST header = b->images[FLIL_HEADER].list ? b->images[FLIL_HEADER].list : b->images[FLIL_ITEM].list;
        if (b->header)
            ::SendMessageA(b->header, HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(header));
    }
    if (previous && previous != kThemedBoxes && wasOwned && !(b->style & LVS_SHAREIMAGELISTS)) {
        // A list the control destroyed is not handed back: the caller could only use a dead handle.
        ImageList_Destroy(previous);
        previous = nullptr;
    }
    FastListRecomputeRowHeight(b);
    FastListInvalidateAll(b);
    return reinterpret_cast<LRESULT>(previous);
}

LRESULT SetCellKind(FastListBlock* b, WPARAM wp, LPARAM value)
{
    const int flags = static_cast<int>(wp & 0xFF);
    const int kind = static_cast<int>((wp >> 8) & 7);
    const int column = static_cast<int>((wp >> 11) & 0x3F);
    if (!b->columns.Valid(column) || (column == 0 && (kind == 6 || kind == 7)))
        return 0;
    FastListColumn& col = b->columns[column];
    const bool redraw = col.kind != kind || ((col.cellFlags ^ flags) & 0x20);
    col.kind = kind;
    col.cellFlags = kind == 0 ? 0 : flags;
    col.separator = static_cast<int>((wp >> 17) & 0xFF);
    col.choiceCount = static_cast<int>((wp >> 25) & 0x7F);
    col.value = static_cast<DWORD>(value);
    if ((kind == 6 || kind == 7) && !b->images[FLIL_STATE2].list)
        FastListBuildCheckImages(b, FLIL_STATE2);
    if (redraw)
        FastListInvalidateAll(b);
    return 1;
}

}  // namespace

void FastListLayoutHeader(FastListBlock* b)
{
    b->headerHeight = HeaderHeight(b);
    if (b->header) {
        const int width = std::max(b->columns.TotalWidth(), b->visibleWidth) + b->originX + b->clientWidth;
        const int height = (b->style & LVS_NOCOLUMNHEADER) ? 0 : b->headerHeight;
        ::SetWindowPos(b->header, nullptr, b->margin - b->originX, 0, width, height,
                       SWP_NOZORDER | SWP_NOACTIVATE | ((b->style & LVS_NOCOLUMNHEADER) ? SWP_HIDEWINDOW : SWP_SHOWWINDOW));
    }
    FastListUpdateRowsPerPage(b);
}

void FastListSyncHeaderItem(FastListBlock* b, int column)
{
    if (!b->header || !b->columns.Valid(column))
        return;
    const FastListColumn& col = b->columns[column];
    HDITEMA hd = {};
    hd.mask = HDI_WIDTH | HDI_FORMAT | HDI_TEXT | HDI_IMAGE;
    hd.cxy = col.hidden ? 0 : col.shown;
    hd.fmt = HeaderFormat(col);
    hd.pszText = const_cast<LPSTR>(col.text.c_str());
    hd.iImage = col.image;
    ::SendMessageA(b->header, HDM_SETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&hd));
}

void FastListApplyStretch(FastListBlock* b, bool notify)
{
    std::vector<int> changed = b->columns.Stretch(b->visibleWidth);
    for (int c : changed)
        FastListSyncHeaderItem(b, c);
    if (notify) {
        for (int c : changed)
            NotifyColumnChange(b, c);
    }
}

int FastListFitColumnWidth(FastListBlock* b, int column)
{
    if (!b->columns.Valid(column))
        return 0;
    HDC dc = ::GetDC(b->window);
    int widest = 0;
    const int first = std::max(0, b->top - 512);
    const int last = std::min(b->items.Count(), b->top + 1024);
    const FastListColumn& col = b->columns[column];
    for (int i = first; i < last; ++i) {
        FastListTextRequest r = FastListAskCell(b, i, column);
        int glyphs = 0;
        if (column == 0) {
            while (glyphs < r.length && static_cast<unsigned char>(r.text[glyphs]) < 24)
                ++glyphs;
        }
        // Measured in the font the cell is painted in: bit 0x80 alone asks for the bold one.
        int w = FastListCellTextWidth(b, dc, r.text + glyphs, r.length - glyphs, (r.state & 0x80) != 0);
        if (column == 0) {
            w += glyphs * 16;
            if (r.image >= 0 && b->images[FLIL_ITEM].list)
                w += b->images[FLIL_ITEM].cx + 1;
            w += 8;
            if (b->exStyle & LVS_EX_GRIDLINES)
                w += 1;
            if (b->exStyle & LVS_EX_CHECKBOXES)
                w += b->images[FLIL_CHECK].cx;
        } else {
            if (col.kind >= 6)
                w += b->images[FLIL_STATE2].cx;
            else if (r.image >= 0 && b->images[FLIL_ITEM].list)
                w += b->images[FLIL_ITEM].cx;
            w += 8;
        }
        widest = std::max(widest, w);
    }
    ::ReleaseDC(b->window, dc);
    return widest;
}

LRESULT FastListHeaderNotify(FastListBlock* b, NMHDR* hdr)
{
    NMHEADERA* nm = reinterpret_cast<NMHEADERA*>(hdr);
    switch (hdr->code) {
    case HDN_ITEMCHANGEDA:
    case HDN_ITEMCHANGEDW:
    case HDN_TRACKA:
    case HDN_TRACKW: {
        const int c = nm->iItem;
        if (!b->columns.Valid(c) || !nm->pitem || !(nm->pitem->mask & HDI_WIDTH))
            return 0;
        FastListColumn& col = b->columns[c];
        const int width = std::max(0, nm->pitem->cxy);
        if (col.hidden || width == col.shown)
            return 0;   // nothing changed (or our own update of a hidden column)
        col.shown = width;
        if (col.weight == 0)
            col.width = width;
        b->columns.RecomputeEdges();
        // A stretch column dragged by the user keeps its share; the others follow the rest.
        FastListApplyStretch(b, true);
        NotifyColumnChange(b, c);
        FastListUpdateScrollBars(b, false);
        FastListInvalidateAll(b);
        return 0;
    }
    case HDN_DIVIDERDBLCLICKA:
    case HDN_DIVIDERDBLCLICKW: {
        const int c = nm->iItem;
        if ((b->exStyle & FLS_EX_NOAUTOFIT) || !b->columns.Valid(c) || b->columns[c].hidden)
            return 0;
        // Without rows there is no cell to fit the column to: the fit of nothing was 0 and
        // shrank the column out of sight ("Typ" of an empty data window).
        if (b->items.Count() == 0)
            return 0;
        HDITEMA hd = {};
        hd.mask = HDI_WIDTH;
        hd.cxy = FastListFitColumnWidth(b, c);
        HWND header = b->header;
        ControlUnlocked unlocked(b->lock, __LINE__);
        ::SendMessageA(header, HDM_SETITEMA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&hd));
        return 0;
    }
    case HDN_BEGINTRACKA:
    case HDN_BEGINTRACKW: {
        HWND window = b->window;
        // A hidden column is not dragged open: the list keeps it at width 0 and ignores the
        // header's widths for it, so the divider would stand apart from the columns.
        if (b->columns.Valid(nm->iItem) && b->columns[nm->iItem].hidden)
            return TRUE;
        ControlUnlocked unlocked(b->lock, __LINE__);
        ::SetFocus(window);
        return 0;
    }
    case HDN_ENDDRAG: {
        // The header's own reordering is replaced by the list's, as LVM_SETCOLUMNORDERARRAY.
        if (!nm->pitem || !b->columns.Valid(nm->iItem))
            return TRUE;
        std::vector<int> order = b->columns.Order();
        order.erase(std::remove(order.begin(), order.end(), nm->iItem), order.end());
        int to = std::min(std::max(nm->pitem->iOrder, 0), static_cast<int>(order.size()));
        order.insert(order.begin() + to, nm->iItem);
        if (b->columns.SetOrder(order.data(), static_cast<int>(order.size())))
            OrderChanged(b);
        return TRUE;
    }
    default:
        return 0;
    }
}

LRESULT FastListColumnMessage(FastListBlock* b, UINT msg, WPARAM wp, LPARAM lp, bool* handled)
{
    *handled = true;
    switch (msg) {
    case LVM_INSERTCOLUMNA: {
        FL_LOCK(b);
        return InsertColumn(b, static_cast<int>(wp), reinterpret_cast<const LVCOLUMNA*>(lp));
    }
    case LVM_SETCOLUMNA: {
        FL_LOCK(b);
        return SetColumn(b, static_cast<int>(wp), reinterpret_cast<const LVCOLUMNA*>(lp));
    }
    case LVM_GETCOLUMNA: {
        FL_LOCK(b);
        return GetColumn(b, static_cast<int>(wp), reinterpret_cast<LVCOLUMNA*>(lp));
    }
    case LVM_DELETECOLUMN: {
        FL_LOCK(b);
        const int c = static_cast<int>(wp);
        if (!b->columns.Delete(c))
            return 0;
        if (b->header)
            ::SendMessageA(b->header, HDM_DELETEITEM, static_cast<WPARAM>(c), 0);
        if (b->focusColumn >= b->columns.Count())
            b->focusColumn = std::max(0, b->columns.Count() - 1);
        FastListApplyStretch(b, true);
        FastListUpdateScrollBars(b, false);
        FastListInvalidateAll(b);
        return 1;
    }
    case LVM_GETCOLUMNWIDTH: {
        if (!b->header)
            return 0;
        HDITEMA hd = {};
        hd.mask = HDI_WIDTH;
        if (!::SendMessageA(b->header, HDM_GETITEMA, wp, reinterpret_cast<LPARAM>(&hd)))
            return 0;
        return hd.cxy;
    }
    case LVM_SETCOLUMNWIDTH: {
        if (!b->header)
            return 0;
        int width = static_cast<int>(static_cast<short>(LOWORD(lp)));
        {
            FL_LOCK(b);
            if (!b->columns.Valid(static_cast<int>(wp)))
                return 0;
            // A negative width (LVSCW_AUTOSIZE and its kin, as CListCtrl callers pass them)
            // fits the column, as those callers mean it: handed on, the negative number would
            // reach the header as a width.
            if (width < 0)
                width = FastListFitColumnWidth(b, static_cast<int>(wp));
            // A hidden column keeps the width for when it is shown again, as LVM_SETCOLUMNA
            // does; its header item stays at 0. Handed to the header, the width opened the
            // item while the column stayed hidden, and every later title stood that far from
            // its painted column.
            FastListColumn& col = b->columns[static_cast<int>(wp)];
            if (col.hidden) {
                col.saved = std::min(std::max(width, 0), 32767);
                if (col.weight == 0)
                    col.width = col.saved;
                return 1;
            }
        }
        HDITEMA hd = {};
        hd.mask = HDI_WIDTH;
        hd.cxy = width;
        return ::SendMessageA(b->header, HDM_SETITEMA, wp, reinterpret_cast<LPARAM>(&hd));
    }
    case LVM_SETCOLUMNORDERARRAY: {
        FL_LOCK(b);
        // An order that does not name each column once is refused: a column number out of
        // range or twice would have the paint and the hit test index past the columns.
        if (!b->columns.SetOrder(reinterpret_cast<const int*>(lp), static_cast<int>(wp)))
            return 0;
        OrderChanged(b);
        return 1;
    }
    case LVM_GETCOLUMNORDERARRAY: {
        if (!lp || !b->header)
            return 0;
        return ::SendMessageA(b->header, HDM_GETORDERARRAY, wp, lp);
    }
    case LVM_SETIMAGELIST: {
        FL_LOCK(b);
        return SetImageList(b, wp, reinterpret_cast<HIMAGELIST>(lp));
    }
    case FLM_SETCELLKIND: {
        FL_LOCK(b);
        return SetCellKind(b, wp, lp);
    }
    default:
        *handled = false;
        return 0;
    }
}
