// TreeList model: geometry (hit testing, label positions, row height, scrolling limits),
// columns (insertion, deletion, edges, fill widths, order, options, content widths, header
// tracking), the colour table and the extended style word.
#include "controls/TreeListModel.h"

#include <stdlib.h>
#include <string.h>

namespace {

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

BYTE R(COLORREF c) { return GetRValue(c); }
BYTE G(COLORREF c) { return GetGValue(c); }
BYTE B(COLORREF c) { return GetBValue(c); }

// 7 parts of x and one of y, each component shifted right by 3 first.
COLORREF Mix71(COLORREF x, COLORREF y)
{
    return RGB(7 * (R(x) >> 3) + (R(y) >> 3), 7 * (G(x) >> 3) + (G(y) >> 3), 7 * (B(x) >> 3) + (B(y) >> 3));
}

// a/4 of x and (4-a)/4 of y, each component shifted right by 2 first.
COLORREF MixQuarters(COLORREF x, int a, COLORREF y)
{
    return RGB(a * (R(x) >> 2) + (4 - a) * (R(y) >> 2), a * (G(x) >> 2) + (4 - a) * (G(y) >> 2),
               a * (B(x) >> 2) + (4 - a) * (B(y) >> 2));
}

COLORREF Darken(COLORREF c)
{
    int r = R(c), g = G(c), b = B(c);
    if (b >= 16) b -= 15;
    if (g >= 16) g -= 11;
    if (r >= 16) r -= 11;
    return RGB(r, g, b);
}

}  // namespace

// --- labels and hit testing

int TreeListModel::LabelPixel() const noexcept
{
    return ((exStyle & TLX_GRIDLINES) ? 1 : 0) - ((style & TVS_HASLINES) ? 0 : 1);
}

int TreeListModel::LabelOffset(const TreeListItem* it) const noexcept
{
    // The painter places the state image, the image and the label by the same sum.
    int x = (it->level + (linesAtRoot ? 1 : 0)) * indent + LabelPixel();
    if (hasStateList)
        x += stateWidth;
    if (it->flags & TLIF_HASIMAGE)
        x += ((it->image >= 0x40000000 && hasList4) ? list4Width : imageWidth) + ((exStyle & TLX_GRIDLINES) ? 1 : 0);
    return x;
}

// The item's bold bit makes its label bold; a cell goes by the bold bit of its own state,
// which it took from the item when it was made. The width is measured, the text painted,
// hit and edited in this one font: a text measured in one font and drawn in another ends
// in "..." though it fits, and its hit zone and selection box miss the text.
bool TreeListModel::TextBold(UINT item, int column) const noexcept
{
    const TreeListItem* it = Item(item);
    if (!it)
        return false;
    if (column <= 0)
        return (it->state & TVIS_BOLD) != 0;
    const TreeListCell* c = Cell(item, column);
    return c && (c->state & TVIS_BOLD);
}

int TreeListModel::TextWidth(UINT item, int column) noexcept
{
    TreeListItem* it = Item(item);
    if (!it)
        return 0;
    if (column > 0) {
        TreeListCell* c = Cell(item, column);
        if (!c)
            return 0;
        if (!c->textWidth || (c->callback & TLCB_TEXT)) {
            int length = 0;
            const char* t = ItemText(item, column, &length, 0);
            if (!t)
                return 0;
            int w = host->MeasureText(t, length > 253 ? 253 : length, TextBold(item, column));
            c = Cell(item, column);
            if (!c)
                return 0;
            c->textWidth = w > 0 ? w : 0;
            return w;
        }
        return c->textWidth;
    }
    if (!it->textWidth || (it->callback & TLCB_TEXT)) {
        int length = 0;
        const char* t = ItemText(item, 0, &length, 0);
        if (!t)
            return 0;
        int w = host->MeasureText(t, length, TextBold(item, 0));
        items[item]->textWidth = w > 0 ? w : 0;
        return w;
    }
    return it->textWidth;
}

int TreeListModel::ScreenRowToIndex(int screenRow) const noexcept
{
    int pinned = static_cast<int>(props[TLP_PINNEDROWS]);
    return screenRow < pinned ? screenRow : firstVisible + screenRow;
}

int TreeListModel::ScreenRowOf(int index) const noexcept
{
    int pinned = static_cast<int>(props[TLP_PINNEDROWS]);
    if (index < pinned)
        return index;
    if (index >= firstVisible + pinned)
        return index - firstVisible;
    return -1;   // scrolled away below the pinned rows
}

int TreeListModel::RowTop(int index) const noexcept
{
    if (index < 0 || index >= rowCount)
        return -1;
    int screen = ScreenRowOf(index);
    return screen < 0 ? -1 : headerHeight + screen * rowHeight;
}

int TreeListModel::SpanEnd(const TreeListItem* it, int position) const noexcept
{
    UINT bits = (it->state >> 16) & spanMask;
    int p = position;
    while (p + 1 < columnCount && p < 16 && (bits & (1u << order[p])))
        ++p;
    return p + 1;
}

void TreeListModel::HitTest(POINT pt, TVHITTESTINFO* info) noexcept
{
    info->flags = 0;
    info->hItem = nullptr;
    if (static_cast<unsigned>(pt.x) >= static_cast<unsigned>(clientWidth)) {
        info->flags = pt.x < 0 ? TVHT_TOLEFT : TVHT_TORIGHT;
        return;
    }
    int y = pt.y - headerHeight;
    if (static_cast<unsigned>(y) >= static_cast<unsigned>(clientHeight - headerHeight)) {
        info->flags = y < 0 ? TVHT_ABOVE : TVHT_BELOW;
        return;
    }
    int index = ScreenRowToIndex(y / rowHeight);
    if (index < 0 || index >= rowCount) {
        info->flags = TVHT_NOWHERE;
        return;
    }
    UINT n = rows[index];
    info->hItem = reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(n));
    TreeListItem* it = items[n];
    const int x = pt.x + hScroll;
    // Column 0 and the columns its span covers.
    int spanEnd = columnCount > 0 ? SpanEnd(it, 0) : 1;
    int spanRight = columnCount > 0 && spanEnd < columnCount ? ColumnLeft(order[spanEnd]) : ContentRight();
    if (columnCount == 0 || x < spanRight) {
        int x2 = x + (linesAtRoot ? 0 : indent) - it->level * indent - ColumnLeft(0);
        if (x2 < indent) {
            int dy = y % rowHeight - rowHeight / 2;
            if ((style & TVS_HASBUTTONS) && HasChildren(n) && x2 >= buttonCenter - 6 && x2 <= buttonCenter + 7 &&
                dy >= -6 && dy <= 7)
                info->flags = TVHT_ONITEMBUTTON;
            else
                info->flags = TVHT_ONITEMINDENT;
            return;
        }
        it = Item(n);
        if (!it)
            return;
        int x3 = x2 - indent;
        if ((exStyle & TLX_GRIDLINES) || (it->level == 0 && !linesAtRoot))
            x3 -= 1;
        if (hasStateList) {
            x3 -= stateWidth;
            if (x3 < 0) {
                info->flags = TVHT_ONITEMSTATEICON;
                return;
            }
        }
        if (it->flags & TLIF_HASIMAGE) {
            x3 -= ((it->image >= 0x40000000 && hasList4) ? list4Width : imageWidth) + ((exStyle & TLX_GRIDLINES) ? 1 : 0);
            if (x3 < 0) {
                info->flags = TVHT_ONITEMICON;
                return;
            }
        }
        int length = 0;
        const char* text = ItemText(n, 0, &length, 0);
        int tw = TextWidth(n, 0);
        if (!Item(n)) {
            info->hItem = nullptr;
            info->flags = TVHT_NOWHERE;
            return;
        }
        if (x3 < tw + 5)
            info->flags = TVHT_ONITEMLABEL | TLHT_ONTEXT;
        else if (text && length > 0)
            info->flags = TVHT_ONITEMRIGHT;
        else
            info->flags = x3 < 20 ? TVHT_ONITEMLABEL | TLHT_ONTEXT : TVHT_ONITEMLABEL;
        return;
    }
    // The column whose left edge is the last one at or left of x.
    int column = -1, position = spanEnd;
    for (int p = spanEnd; p < columnCount; ++p) {
        int c = order[p];
        if (ColumnLeft(c) <= x && (columns[c].width > 0 || p + 1 >= columnCount)) {
            column = c;
            position = p;
            p = SpanEnd(it, p) - 1;   // covered by this column's span
        } else if (ColumnLeft(c) > x) {
            break;
        }
    }
    if (column < 0 || x >= ContentRight()) {
        info->flags = TLHT_PASTCOLUMNS;
        return;
    }
    UINT flags = static_cast<UINT>(column) << 24;
    const TreeListColumn& col = columns[column];
    int spanTo = SpanEnd(it, position);
    int cellLeft = ColumnLeft(column);
    int cellRight = spanTo < columnCount ? ColumnLeft(order[spanTo]) : ContentRight();
    TreeListCell* c = Cell(n, column);
    int box = 0;
    if (col.editKind >= TLE_CHECK)
        box = list3Width ? list3Width : 16;
    else if (c && (c->flags & TLIF_HASIMAGE))
        box = list4Width;
    int offset = x - cellLeft;
    if (box) {
        bool atRight = c && (c->state & 0x80);
        int boxLeft = atRight ? cellRight - cellLeft - box - 2 : 2;
        if (offset >= boxLeft && offset < boxLeft + box) {
            info->flags = flags | TLHT_ONCELLBOX;
            return;
        }
    }
    int length = 0;
    const char* text = c ? ItemText(n, column, &length, 0) : "";
    if (!text || !length) {
        flags |= TLHT_ONCELL;
        bool nearStart = col.align == 2 ? cellRight - x < 20 : offset - box < 20;
        if (nearStart)
            flags |= TLHT_ONCELLTEXT;
        info->flags = flags;
        return;
    }
    int tw = TextWidth(n, column);
    int width = cellRight - cellLeft;
    bool onText;
    if (col.align == 1)
        onText = abs(offset - width / 2) <= tw / 2 + 3;
    else if (col.align == 2)
        onText = offset >= width - tw - 5;
    else
        onText = offset - box < tw + 5;
    info->flags = onText ? flags | TLHT_ONCELL | TLHT_ONCELLTEXT : flags | TLHT_INCELL;
}

// --- row height and scrolling limits

void TreeListModel::ComputeRowHeight() noexcept
{
    if (rowHeightSet)
        return;
    int h = 8;
    if (hasStateList && stateHeight > h) h = stateHeight;
    if (hasList3 && list3Height > h) h = list3Height;
    if (hasList4 && list4Height > h) h = list4Height;
    if (hasNormalList && imageHeight > h) h = imageHeight;
    h += (exStyle & (TLX_GRIDLINES | TLX_ALTROWS)) ? 2 : 1;
    if (textHeight + 3 > h) h = textHeight + 3;
    if (static_cast<int>(props[TLP_MINROWHEIGHT]) > h) h = static_cast<int>(props[TLP_MINROWHEIGHT]);
    if (exStyle & TLX_GRIDLINES) h += 1;
    if ((style & TVS_NONEVENHEIGHT) && (h & 1)) h += 1;
    if (h > 256) h = 256;
    if (h != rowHeight) {
        rowHeight = h;
        UpdateRowsFit();
        host->InvalidateAll();
    }
}

int TreeListModel::SetItemHeight(int height) noexcept
{
    int old = rowHeight;
    if (height == -1) {
        rowHeightSet = false;
        ComputeRowHeight();
        return old;
    }
    if (!(exStyle & TLX_KEEPODDHEIGHT))
        height &= ~1;
    height = Clamp(height, 1, 256);
    rowHeightSet = true;
    if (height != rowHeight) {
        rowHeight = height;
        UpdateRowsFit();
        firstVisible = BarFirstRow(firstVisible);
        host->ScrollBarsChanged(true, false, false);
    }
    host->InvalidateAll();
    return old;
}

int TreeListModel::SetIndent(int value) noexcept
{
    int old = indent;
    indent = Clamp(value, 5, 64);
    buttonCenter = indent >= 14 ? 7 : indent / 2;
    if (indent != old) {
        host->InvalidateAll();
        host->ScrollBarsChanged(false, true, false);
    }
    return old;
}

void TreeListModel::UpdateRowsFit() noexcept
{
    int area = clientHeight - headerHeight;
    if (area < 0)
        area = 0;
    int rh = rowHeight > 0 ? rowHeight : 1;
    rowsFit = (area + rh - 1) / rh;
    fullRows = area / rh;
}

void TreeListModel::SetClientSize(int width, int height) noexcept
{
    clientWidth = width;
    clientHeight = height;
    UpdateRowsFit();
}

int TreeListModel::ClampFirstRow(int first) const noexcept
{
    int maxFirst = rowCount - fullRows + 1;
    if (first > maxFirst)
        first = maxFirst;
    return first < 0 ? 0 : first;
}

int TreeListModel::BarFirstRow(int first) const noexcept
{
    if (fullRows > 0 && first > rowCount - fullRows / 2)
        first = rowCount - fullRows / 2;
    return first < 0 ? 0 : first;
}

int TreeListModel::ScrollV(int first, int cause) noexcept
{
    return Scroll(true, first, cause);
}

int TreeListModel::ScrollH(int pos, int cause) noexcept
{
    return Scroll(false, pos, cause);
}

// A new first row or horizontal position; under TLX_SCROLLNOTIFY the parent may refuse it.
int TreeListModel::Scroll(bool vertical, int value, int cause) noexcept
{
    if (value == (vertical ? firstVisible : hScroll))
        return 0;
    if (exStyle & TLX_SCROLLNOTIFY) {
        TreeListScrollNotify nm = {};
        nm.bar = vertical ? 1 : 0;
        nm.cause = static_cast<WORD>(cause);
        nm.hPos = vertical ? hScroll : value;
        nm.firstRow = vertical ? value : firstVisible;
        if (host->Notify(&nm.hdr, TLN_BEFORESCROLL))
            return -1;
    }
    (vertical ? firstVisible : hScroll) = value;
    host->Scrolled(vertical);
    return 1;
}

int TreeListModel::ContentRight() const noexcept
{
    if (columnCount == 0)
        return totalWidth > clientWidth ? totalWidth : clientWidth;
    return edges[32];
}

int TreeListModel::ColumnRight(int column) const noexcept
{
    if (columnCount == 0)
        return ContentRight();
    if (column < 0 || column >= columnCount)
        return 0;
    int p = columns[column].position;
    return p + 1 < columnCount ? edges[order[p + 1]] : edges[32];
}

int TreeListModel::MaxHScroll() const noexcept
{
    int m = (columnCount ? ContentRight() : totalWidth) - clientWidth;
    return m > 0 ? m : 0;
}

void TreeListModel::UpdateLinesAtRoot() noexcept
{
    linesAtRoot = (style & TVS_LINESATROOT) && (style & (TVS_HASBUTTONS | TVS_HASLINES));
}

// --- columns

int TreeListModel::ComputeEdges() noexcept
{
    int firstChanged = -1;
    int x = 0;
    for (int p = 0; p < columnCount; ++p) {
        int c = order[p];
        if (edges[c] != x && firstChanged < 0)
            firstChanged = p;
        edges[c] = x;
        int next = x + columns[c].width - (p == 0 ? 1 : 0);
        x = next < x ? x : next;
    }
    if (columnCount > 0 && x >= clientWidth - 1)
        x += 1;
    if (edges[32] != x && firstChanged < 0)
        firstChanged = columnCount;
    edges[32] = x;
    return firstChanged;
}

void TreeListModel::ShareFill(int change) noexcept
{
    int total = 0, shown = 0;
    for (int c = 0; c < columnCount; ++c)
        if (columns[c].weight && !columns[c].savedWidth) {
            total += columns[c].weight;
            ++shown;
        }
    if (!shown || !change)
        return;
    int share[32] = {};
    int given = 0;
    for (int c = 0; c < columnCount; ++c)
        if (columns[c].weight && !columns[c].savedWidth) {
            share[c] = shown == 1 ? change : change * columns[c].weight / total;
            given += share[c];
        }
    // The rest one pixel at a time, starting at a column chosen by the client width, so
    // that rounding does not always favour the same column.
    int rest = change - given;
    int step = rest > 0 ? 1 : -1;
    int startWeight = clientWidth % total;
    int start = 0, acc = 0;
    for (int c = 0; c < columnCount; ++c)
        if (columns[c].weight && !columns[c].savedWidth) {
            acc += columns[c].weight;
            if (acc > startWeight) {
                start = c;
                break;
            }
        }
    for (int k = 0; rest != 0 && k < 32 * 64; ++k) {
        int c = (start + k) % columnCount;
        if (columns[c].weight && !columns[c].savedWidth) {
            share[c] += step;
            rest -= step;
        }
    }
    for (int c = 0; c < columnCount; ++c) {
        if (!share[c])
            continue;
        TreeListColumn& col = columns[c];
        col.requested += share[c];
        int w = col.requested < 0 ? 0 : col.requested;
        if (col.minApplies && w < col.minWidth)
            w = col.minWidth;
        if (w != col.width) {
            col.width = w;
            host->HeaderWidth(c, w);
            // Told later: the left edges move with these widths and are not computed yet
            // (the parent once heard the edge a column had before the change).
            if (exStyle & TLX_GEOMETRYNOTIFY)
                geometryOwed |= 1u << c;
        }
    }
    fixedTotal = autoTotal = 0;
    for (int c = 0; c < columnCount; ++c)
        (columns[c].weight ? autoTotal : fixedTotal) += columns[c].width;
}

int TreeListModel::NewColumnWidth(const LVCOLUMNA* r, int* weight) const noexcept
{
    int minWidth = (r->mask & LVCF_ORDER) ? abs(r->iOrder) : 16;
    int w;
    if (r->mask & LVCF_WIDTH) {
        *weight = 0;
        w = r->cx;
    } else {
        *weight = (r->mask & LVCF_SUBITEM) ? Clamp(r->cx, 1, 255) : 1;
        int weights = 0;
        for (int c = 0; c < columnCount; ++c)
            weights += columns[c].weight;
        if (weights)
            w = autoTotal * *weight / (weights + *weight);
        else
            w = clientWidth - fixedTotal - autoTotal;
    }
    return w < minWidth ? minWidth : w;
}

int TreeListModel::AddColumn(int index, const LVCOLUMNA* r, int width, int weight) noexcept
{
    if (columnCount >= 32)
        return -1;
    if (index > columnCount)
        index = columnCount;
    if (index < 0)
        index = 0;
    if (columnCount > 0 && index == 0)
        index = 1;   // misplaced cells mended: column 0 holds the item texts, so it stays first
    if (columnCount > 0) {
        TreeListCell** table = static_cast<TreeListCell**>(calloc(capacity + 1, sizeof(TreeListCell*)));
        if (!table)
            return -1;
        memmove(&cells[index + 1], &cells[index], static_cast<size_t>(31 - index) * sizeof(cells[0]));
        cells[index] = table;
    }
    memmove(&columns[index + 1], &columns[index], static_cast<size_t>(31 - index) * sizeof(TreeListColumn));
    for (int p = 0; p < columnCount; ++p)
        if (order[p] >= index)
            ++order[p];
    memmove(&order[index + 1], &order[index], static_cast<size_t>(31 - index));
    order[index] = static_cast<BYTE>(index);
    TreeListColumn& col = columns[index];
    memset(&col, 0, sizeof col);
    // The own mask bits enable their format bits by themselves; LVCF_FMT names the alignment.
    const UINT fmt = static_cast<UINT>(r->fmt);
    const UINT align = (r->mask & LVCF_FMT) ? fmt & 3 : 0;
    col.weight = static_cast<BYTE>(weight);
    col.minWidth = (r->mask & LVCF_ORDER) ? abs(r->iOrder) : 16;
    col.minApplies = (r->mask & LVCF_ORDER) && r->iOrder > 0;
    col.align = align == LVCFMT_RIGHT ? 2 : (align == LVCFMT_CENTER ? 1 : 0);
    col.choices = -1;
    col.imageBase = -1;
    col.colored = (r->mask & fmt & TLCF_COLORED) ? 1 : 0;
    col.ownerDraw = (r->mask & fmt & TLCF_OWNERDRAW) ? 1 : 0;
    if (r->mask & fmt & TLCF_HIDDEN) {
        col.savedWidth = width > 0 ? width : 100;
        width = 0;
    }
    const bool hadFill = fillCount > 0;
    ++columnCount;
    if (hadFill && width) {
        col.weight = 0;
        ShareFill(-width);   // the new width comes out of the other fill columns
        col.weight = static_cast<BYTE>(weight);
    }
    col.requested = col.width = width;
    if (weight)
        ++fillCount;
    coloredCount += col.colored;
    for (int p = 0; p < columnCount; ++p) {
        columns[order[p]].position = static_cast<BYTE>(p);
        columns[order[p]].successor = static_cast<BYTE>(p + 1 < columnCount ? order[p + 1] : p + 1);
    }
    fixedTotal = autoTotal = 0;
    for (int c = 0; c < columnCount; ++c)
        (columns[c].weight ? autoTotal : fixedTotal) += columns[c].width;
    if (columnCount > 1) {
        int* shifted[] = { &caretColumn, &cursorColumn, &dropHiliteColumn, &editColumn, &hotColumn,
                           &pressedColumn, &downColumn, &focusColumn };
        for (int* c : shifted)
            if (*c >= index)
                ++*c;
    }
    UpdateSpanMask();
    ComputeEdges();
    host->InvalidateAll();
    host->ScrollBarsChanged(false, true, false);
    if (Item(insertMark) && columnCount > 1)
        SetItemColor(insertMark, index, colors[TLCOL_INSERTMARK], false, false);
    NotifyOwedGeometry();
    return index;
}

int TreeListModel::DeleteColumn(int column) noexcept
{
    if (column < 0 || column >= columnCount)
        return 0;
    if (column == 0 && columnCount > 1)
        return 0;
    if (column > 0) {
        if (caretColumn == column)
            caretColumn = 0;
        if (editColumn == column)
            editItem = 0;
        if (hotColumn == column)
            hotItem = 0;
        if (downColumn == column)
            downItem = 0;
        if (pressedColumn == column)
            pressedItem = 0;
        if (dropHiliteColumn == column)
            dropHiliteColumn = 0;
        if (cursorColumn == column)
            cursorColumn = 0;
        if (focusColumn == column)
            focusColumn = 0;
        if (cells[column]) {
            for (UINT n = 0; n <= capacity; ++n)
                if (cells[column][n]) {
                    free(cells[column][n]->text);
                    free(cells[column][n]);
                }
            free(cells[column]);
        }
        memmove(&cells[column], &cells[column + 1], static_cast<size_t>(31 - column) * sizeof(cells[0]));
        cells[31] = nullptr;
        // A column's text colour word goes with the column, like its cells: the columns
        // behind it keep theirs (they once took the colour of the column before them).
        memmove(&columnWords[column], &columnWords[column + 1], static_cast<size_t>(31 - column) * sizeof(columnWords[0]));
        columnWords[31] = -1;
    }
    const TreeListColumn gone = columns[column];
    if (gone.weight)
        --fillCount;
    coloredCount -= gone.colored;
    memmove(&columns[column], &columns[column + 1], static_cast<size_t>(31 - column) * sizeof(TreeListColumn));
    memset(&columns[31], 0, sizeof columns[31]);
    columns[31].choices = -1;
    columns[31].imageBase = -1;
    int p = gone.position;
    memmove(&order[p], &order[p + 1], static_cast<size_t>(31 - p));
    --columnCount;
    for (int q = 0; q < columnCount; ++q)
        if (order[q] > column)
            --order[q];
    for (int q = 0; q < columnCount; ++q) {
        columns[order[q]].position = static_cast<BYTE>(q);
        columns[order[q]].successor = static_cast<BYTE>(q + 1 < columnCount ? order[q + 1] : q + 1);
    }
    int* shifted[] = { &caretColumn, &cursorColumn, &dropHiliteColumn, &editColumn, &hotColumn,
                       &pressedColumn, &downColumn, &focusColumn };
    for (int* c : shifted)
        if (*c > column)
            --*c;
    if (gone.weight && fillCount)
        ShareFill(gone.width);
    fixedTotal = autoTotal = 0;
    for (int c = 0; c < columnCount; ++c)
        (columns[c].weight ? autoTotal : fixedTotal) += columns[c].width;
    UpdateSpanMask();
    ComputeEdges();
    host->InvalidateAll();
    host->ScrollBarsChanged(false, true, false);
    NotifyOwedGeometry();
    return 1;
}

void TreeListModel::UpdateSpanMask() noexcept
{
    WORD usable = 0;
    for (int c = 0; c + 1 < columnCount && c < 16; ++c)
        usable |= static_cast<WORD>(1u << c);
    spanMask = spanRequested & usable;
}

int TreeListModel::SetColumnOrder(const int* wanted, int n) noexcept
{
    if (n != columnCount || n == 0 || !wanted || wanted[0] != 0)
        return 0;
    bool seen[32] = {};
    for (int p = 0; p < n; ++p) {
        if (wanted[p] < 0 || wanted[p] >= n || seen[wanted[p]])
            return 0;
        seen[wanted[p]] = true;
    }
    bool same = true;
    for (int p = 0; p < n; ++p)
        same = same && order[p] == wanted[p];
    if (same)
        return 1;
    for (int p = 0; p < n; ++p)
        order[p] = static_cast<BYTE>(wanted[p]);
    for (int p = 0; p < n; ++p) {
        columns[order[p]].position = static_cast<BYTE>(p);
        columns[order[p]].successor = static_cast<BYTE>(p + 1 < n ? order[p + 1] : p + 1);
    }
    UpdateSpanMask();
    ComputeEdges();
    host->InvalidateAll();
    return 2;   // changed: the window updates the header and notifies
}

int TreeListModel::SetColumnOptions(UINT options) noexcept
{
    int column = static_cast<int>((options >> 11) & 63);
    int kind = static_cast<int>((options >> 8) & 7);
    if (column >= (columnCount ? columnCount : 1))
        return 0;
    if (column == 0 && kind > TLE_TEXTORCYCLE)
        return 0;
    TreeListColumn& col = columns[column];
    UINT before = col.options;
    col.options = options;
    col.editKind = static_cast<BYTE>(kind);
    col.editFlags = static_cast<BYTE>(options & 0xFF);
    col.separator = static_cast<BYTE>((options >> 17) & 0xFF);
    col.editAlign = static_cast<BYTE>((options >> 25) & 3);
    col.choices = -1;
    col.imageBase = -1;
    if (((before ^ options) & 0x600) || ((before ^ options) & 0x20))
        host->InvalidateAll();
    return 1;
}

int TreeListModel::SetColumnAux(WPARAM which, INT_PTR value) noexcept
{
    const WPARAM column = which & ~TLA_IMAGEBASE;
    if (column >= static_cast<WPARAM>(columnCount ? columnCount : 1) || !columns[column].editKind)
        return 0;
    if (which & TLA_IMAGEBASE)
        columns[column].imageBase = static_cast<int>(value);
    else
        columns[column].choices = value;
    return 1;
}

int TreeListModel::ColumnWord(int column, UINT mode, int value) noexcept
{
    if (column < 0 || column >= 32)
        return -1;
    int old = columnWords[column];
    if (mode == 0 || mode == 1) {
        columnWords[column] = value;
        if (mode == 1 && old != value)
            host->InvalidateAll();
    }
    return old;
}

int TreeListModel::ColumnContentWidth(int column) noexcept
{
    if (column < 0 || column >= columnCount)
        return 0;
    int widest = 0;
    for (int i = 0; i < rowCount; ++i) {
        UINT n = rows[i];
        TreeListItem* it = Item(n);
        if (!it)
            continue;
        int w;
        if (column == 0) {
            int tw = TextWidth(n, 0);
            it = Item(n);
            if (!it) {
                // Deleted by the parent while it answered for the text: its rows are gone,
                // and the row that took their place is measured next (it was once skipped).
                --i;
                continue;
            }
            w = ((it->flags & TLIF_HASIMAGE) ? imageWidth : 0) + it->level * indent + tw + 8;
        } else {
            TreeListCell* c = Cell(n, column);
            if (!c) {
                w = 8;
            } else {
                w = TextWidth(n, column) + 8;
                c = Cell(n, column);
                if (c && hasList4 && (c->flags & TLIF_HASIMAGE))
                    w += list4Width;
            }
        }
        if (w > widest)
            widest = w;
        if (i >= rowCount)
            break;
    }
    if (column == 0) {
        if (exStyle & TLX_GRIDLINES)
            widest += 1;
        if (linesAtRoot)
            widest += indent;
        if (hasStateList)
            widest += stateWidth;
    }
    return widest;
}

int TreeListModel::TrackColumn(int column, int* width) noexcept
{
    if (column < 0 || column >= columnCount)
        return 0;
    TreeListColumn& col = columns[column];
    int w = *width;
    if (col.minApplies && w < col.minWidth) {
        w = col.minWidth;
        *width = w;
        if (w == col.requested)
            return 0;
    }
    int gave = -1;   // the next column, when it gave or took the difference
    if (exStyle & TLX_KEEPTOTAL) {
        if (column == 0 && w < 1) {
            if (col.width == 1)
                return 0;
            w = 1;
        }
        int next = -1;
        for (int p = col.position + 1; p < columnCount; ++p)
            if (!columns[order[p]].savedWidth) {
                next = order[p];
                break;
            }
        if (next < 0)
            return 0;
        TreeListColumn& nc = columns[next];
        int d = col.width - w;   // what the next column gains
        int nw = nc.width + d;
        int floor = nc.minApplies ? nc.minWidth : 0;
        if (nw < floor) {
            w -= floor - nw;
            nw = floor;
        }
        if (w <= col.width && d < 0)
            return 0;
        *width = w;
        if (nw != nc.width) {
            nc.requested = nc.width = nw;
            host->HeaderWidth(next, nw);
            gave = next;
        }
    }
    int old = col.width;
    col.requested = col.width = w;
    host->HeaderWidth(column, w);
    fixedTotal = autoTotal = 0;
    for (int c = 0; c < columnCount; ++c)
        (columns[c].weight ? autoTotal : fixedTotal) += columns[c].width;
    int changed = ComputeEdges();
    if (changed >= 0)
        host->InvalidateRightOf((changed < columnCount ? edges[order[changed]] : edges[32]) - hScroll);
    host->ScrollBarsChanged(false, true, false);
    // The next column's left edge moves with this column's width: it is told after the
    // edges are computed again, or the parent hears the edge the column had before.
    if (gave >= 0 && (exStyle & TLX_GEOMETRYNOTIFY))
        NotifyColumnGeometry(gave);
    if (old != w && (exStyle & TLX_GEOMETRYNOTIFY))
        NotifyColumnGeometry(column);
    return 1;
}

void TreeListModel::NotifyOwedGeometry() noexcept
{
    const UINT owed = geometryOwed;
    geometryOwed = 0;
    for (int c = 0; c < 32; ++c)
        if (owed & (1u << c))
            NotifyColumnGeometry(c);
}

void TreeListModel::NotifyColumnGeometry(int column) noexcept
{
    // Read after every earlier notification: the parent may have changed the columns.
    if (column < 0 || column >= columnCount)
        return;
    TreeListColumnNotify nm = {};
    nm.column = column;
    nm.position = columns[column].position;
    nm.left = edges[column];
    nm.width = columns[column].width;
    host->Notify(&nm.hdr, TLN_COLUMNGEOMETRY);
}

// --- colours

void TreeListModel::DefaultColors() noexcept
{
    auto def = [&](int i, COLORREF c) {
        if (!colorSet[i])
            colors[i] = c;
    };
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    def(TLCOL_BACKGROUND, window);
    def(TLCOL_EVENROW, window);
    COLORREF info = GetSysColor(COLOR_INFOBK);
    COLORREF even = colors[TLCOL_EVENROW];
    int dr = R(info) - R(even), dg = G(info) - G(even), db = B(info) - B(even);
    if (dr * dr + dg * dg + db * db <= 64)
        info = RGB(R(even), G(even), static_cast<BYTE>(B(even) - 8));
    def(TLCOL_ODDROW, info);
    def(TLCOL_GRID, GetSysColor(COLOR_BTNFACE));
    def(TLCOL_TEXT, GetSysColor(COLOR_WINDOWTEXT));
    def(TLCOL_LINES, GetSysColor(COLOR_WINDOWTEXT));
    def(TLCOL_BUTTONFRAME, GetSysColor(COLOR_BTNSHADOW));
    def(TLCOL_FULLROWTEXT, GetSysColor(COLOR_WINDOWTEXT) ^ 0xFF0000);
    def(TLCOL_FULLROWSEL, Mix71(colors[TLCOL_ODDROW], highlight));
    def(TLCOL_FULLROWSELEVEN, Mix71(colors[TLCOL_EVENROW], highlight));
    def(TLCOL_INSERTMARK, GetSysColor(COLOR_INFOBK));
    def(TLCOL_BUTTONFACE, window);
    def(TLCOL_COLUMN, Darken(window));
    def(TLCOL_ODDCOLUMN, Darken(colors[TLCOL_ODDROW]));
    def(TLCOL_EVENCOLUMN, Darken(window));
    def(TLCOL_DISABLED, MixQuarters(GetSysColor(COLOR_SCROLLBAR), 1, window));
    COLORREF menu = GetSysColor(COLOR_MENU);
    def(TLCOL_PINNEDLINE, RGB(R(menu) / 2, G(menu) / 2, B(menu) / 2));
    def(TLCOL_INACTIVESEL, MixQuarters(GetSysColor(COLOR_BTNFACE), 3, highlight));
}

COLORREF TreeListModel::SetColor(int index, COLORREF color) noexcept
{
    if (index < 0 || index >= TLCOL_COUNT)
        return CLR_INVALID;
    COLORREF old = colors[index];
    // -1 is how callers ask for the default here; the system's CLR_DEFAULT means the same.
    if (color == static_cast<COLORREF>(-1) || color == CLR_DEFAULT) {
        colorSet[index] = false;
    } else {
        colorSet[index] = true;
        colors[index] = color;
    }
    DefaultColors();
    host->InvalidateAll();
    return old;
}

bool TreeListModel::UseTheme() const noexcept
{
    return themeOpen && !colorSet[TLCOL_LINES] && !colorSet[TLCOL_BUTTONFRAME] && !colorSet[TLCOL_BUTTONFACE];
}

COLORREF TreeListModel::SetItemColor(UINT item, int column, COLORREF color, bool text, bool deferred) noexcept
{
    item &= 0x00FFFFFF;
    TreeListItem* it = Item(item);
    if (!it)
        return CLR_INVALID;
    if (column >= 255) {
        for (int c = columnCount - 1; c >= 1; --c)
            SetItemColor(item, c, color, text, deferred);
        return SetItemColor(item, 0, color, text, deferred);
    }
    if (column != 0 && (column < 0 || column >= columnCount))
        return CLR_INVALID;
    BYTE* flags;
    COLORREF* slot;
    if (column > 0) {
        TreeListCell* c = MakeCell(item, column);
        if (!c)
            return CLR_INVALID;
        flags = &c->flags;
        slot = text ? &c->textColor : &c->bkColor;
    } else {
        flags = &it->flags;
        slot = text ? &it->textColor : &it->bkColor;
    }
    const BYTE bit = text ? TLIF_OWNTEXT : TLIF_OWNBK;
    COLORREF old = (*flags & bit) ? *slot : CLR_INVALID;
    if (color == CLR_INVALID) {
        *flags &= static_cast<BYTE>(~bit);
    } else {
        *flags |= bit;
        *slot = color;
    }
    if (old == color)
        return old;
    // A background change redraws the cell of the next displayed column as well, at once
    // or through the queue alike.
    const bool next = !text && column < columnCount && columns[column].position + 1 < columnCount;
    if (deferred) {
        Queue(item, static_cast<UINT>(column), TLW_CELL);
        if (next)
            Queue(item, static_cast<UINT>(columns[column].successor), TLW_CELL);
    } else if (it->row) {
        host->InvalidateCell(item, column);
        if (next)
            host->InvalidateCell(item, columns[column].successor);
    }
    return old;
}

COLORREF TreeListModel::GetItemColor(UINT item, int column, bool text) const noexcept
{
    const TreeListItem* it = Item(item);
    if (!it || (column != 0 && (column < 0 || column >= columnCount)))
        return CLR_INVALID;
    const BYTE bit = text ? TLIF_OWNTEXT : TLIF_OWNBK;
    if (column > 0) {
        const TreeListCell* c = Cell(item, column);
        if (!c || !(c->flags & bit))
            return CLR_INVALID;
        return text ? c->textColor : c->bkColor;
    }
    if (!(it->flags & bit))
        return CLR_INVALID;
    return text ? it->textColor : it->bkColor;
}

// --- the extended style word

DWORD TreeListModel::SetExtendedStyle(DWORD mask, DWORD bits) noexcept
{
    if (!mask)
        mask = 0xFFFFFFFF;
    const DWORD old = exStyle;
    exStyle = (old & ~mask) | (bits & mask);
    const DWORD changed = old ^ exStyle;
    if (changed & TLX_NOHSCROLL)
        host->ScrollBarsChanged(false, true, false);
    // Alternating rows change the automatic row height as grid lines do, so they recompute it too.
    if ((changed & (TLX_KEEPVSCROLL | TLX_GRIDLINES)) || (changed & TLX_ALTROWS)) {
        ComputeRowHeight();
        host->ScrollBarsChanged(true, true, true);
    }
    if (changed & (TLX_MULTISELECT | TLX_ALTROWS | TLX_CELLSELECT | TLX_FULLROWSELECT | 0x4000000 | TLX_DISABLEDCOLORS))
        host->InvalidateAll();
    // Without cell selection the caret is the item alone: selected again, so that the
    // parent hears of the column it left; a refusal cannot keep the column.
    if ((changed & TLX_CELLSELECT) && !(exStyle & TLX_CELLSELECT) && caretColumn != 0) {
        if (Item(caret))
            Select(caret, 0, 0);
        caretColumn = 0;
    }
    if (changed & TLX_HIDDENITEMS)
        RebuildRows(0);
    return exStyle;
}
