// TreeList painting: every pixel below the header, row by row (tree lines, expand buttons,
// check boxes, images, labels cut with "...", the cells of the other columns clipped to
// their columns, grid lines, the pinned-row separator and the drag band), then the empty
// area. Classic drawing wherever no theme is open. Also the drag image of an item.
#include "controls/TreeListImpl.h"

#include <stdlib.h>
#include <string.h>
#include <vector>

namespace {

const HIMAGELIST kThemedChecks = reinterpret_cast<HIMAGELIST>(1);

void Fill(HDC dc, const RECT& rc, COLORREF color)
{
    SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rc, L"", 0, nullptr);
}

// An eighth less of each channel: the own colour of an item in a coloured column.
COLORREF Shade(COLORREF c)
{
    return c - ((c >> 3) & 0x1F1F1F);
}

LONG g_regionsMade = 0;

// Tree lines are drawn with the class's alternate-dot pen, selected once per paint.
void DottedVertical(HDC dc, int x, int y0, int y1)
{
    // Start on an odd pixel row so that the dots of neighbouring rows line up.
    y0 |= 1;
    if (y0 >= y1)
        return;
    MoveToEx(dc, x, y0, nullptr);
    LineTo(dc, x, y1);
}

void DottedHorizontal(HDC dc, int x0, int x1, int y)
{
    x0 |= 1;
    if (x0 >= x1)
        return;
    MoveToEx(dc, x0, y, nullptr);
    LineTo(dc, x1, y);
}

// The theme has faces for an unchecked and a checked box only: state images 1 and 2, and,
// where state bit 0x1000 alone carries the check, image 3 too (both bits set, so checked).
// The BP_CHECKBOX state of a state image, or 0 where no themed box belongs.
int ThemedCheckState(int index, UINT exStyle, bool hot, bool pressed)
{
    const bool checkBit = (exStyle & TLX_CHECKBIT) != 0;
    if (index < 1 || index > (checkBit ? 3 : 2))
        return 0;
    const bool checked = checkBit ? (index & 1) != 0 : index == 2;
    return (checked ? 5 : 1) + (pressed ? 2 : (hot ? 1 : 0));
}

// The dotted pen and the hollow brush are the ones selected for the whole paint.
void FocusFrame(HDC dc, const RECT& rc)
{
    Rectangle(dc, rc.left, rc.top, rc.right, rc.bottom);
}

// The span of cells sharing one clip region: display positions [from, to).
struct SpanRegion {
    int from, to;
    HRGN region;
};

struct Painter {
    TreeListBlock* b;
    TreeListModel& m;
    HDC dc;
    RECT update;
    RECT client;
    std::vector<HRGN> regions;   // one per display position, and one right of the last
    std::vector<SpanRegion> spans;   // the union regions of spanning cells, one per span
    int builtColumns = 0;            // the column count the regions were built for
    int contentHeight = 0;
    int widest = 0;

    Painter(TreeListBlock* block, HDC d) : b(block), m(block->model), dc(d) {}
    ~Painter()
    {
        for (HRGN r : regions)
            DeleteObject(r);
        for (const SpanRegion& s : spans)
            DeleteObject(s.region);
    }
    Painter(const Painter&) = delete;
    Painter& operator=(const Painter&) = delete;

    int PositionLeft(int p) const
    {
        if (m.columnCount == 0)
            return -m.hScroll;
        return (p < m.columnCount ? m.ColumnLeft(m.order[p]) : m.ContentRight()) - m.hScroll;
    }

    HRGN Region(int left, int right)
    {
        if (left < update.left) left = update.left;
        if (right > update.right) right = update.right;
        if (right < left) right = left;
        InterlockedIncrement(&g_regionsMade);
        return CreateRectRgn(left, update.top, right, update.bottom);
    }

    // The clip regions of one paint: without columns the update rectangle; else one per
    // display position and one from the last column's right edge on.
    void BuildRegions()
    {
        builtColumns = m.columnCount;
        if (m.columnCount == 0) {
            regions.push_back(Region(update.left, update.right));
            return;
        }
        for (int p = 0; p < m.columnCount; ++p)
            regions.push_back(Region(PositionLeft(p), PositionLeft(p + 1)));
        regions.push_back(Region(PositionLeft(m.columnCount), update.right));
    }

    // The clip region of the cells from display position `from` up to `to`: the position's
    // own one, or the union of a span, made for the first row that has that span and kept.
    HRGN ClipOf(int from, int to)
    {
        // A text callback or the paint hook may add columns in the middle of a paint (they run
        // without the lock): positions the paint's regions were not built for get their own.
        const bool built = m.columnCount == builtColumns && from >= 0 && from <= m.columnCount;
        if (built && (m.columnCount == 0 || to <= from + 1))
            return regions[static_cast<size_t>(from)];
        for (const SpanRegion& s : spans)
            if (s.from == from && s.to == to)
                return s.region;
        HRGN r = Region(PositionLeft(from), PositionLeft(to));
        spans.push_back({ from, to, r });
        return r;
    }

    // The fitting prefix of a text for `space` pixels, or -1 when all of it fits.
    int FitPrefix(const char* text, int length, int width, int space, int ellipsis)
    {
        if (width <= space)
            return -1;
        int room = space - 2 - ellipsis;
        if (room < 3 || length <= 0)
            return 0;
        if (b->extentCapacity < length) {
            int capacity = (length + 255) / 256 * 256;
            int* grown = static_cast<int*>(realloc(b->extents, static_cast<size_t>(capacity) * sizeof(int)));
            if (!grown)
                return 0;
            b->extents = grown;
            b->extentCapacity = capacity;
        }
        int fit = 0;
        SIZE size;
        GetTextExtentExPointA(dc, text, length, room, &fit, b->extents, &size);
        return fit;
    }

    // Writes a line of text (cut with "..." when it does not fit in `space`) at x in the
    // alignment; the width drawn. `boxed` writes it with DrawTextExA into the rest of the clip
    // rectangle from x on, centred in its height (the labels that stand out: selected, hot
    // or coloured), else with ExtTextOutA at (x, y).
    void Write(const char* text, int length, int x, int y, const RECT& clip, bool boxed)
    {
        if (boxed) {
            RECT rc = { x, clip.top, clip.right, clip.bottom };
            DrawTextExA(dc, const_cast<char*>(text), length, &rc, DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER, nullptr);
        } else {
            ExtTextOutA(dc, x, y, ETO_CLIPPED, &clip, text, static_cast<UINT>(length), nullptr);
        }
    }

    int WriteText(const char* text, int length, int width, int x, int y, int space, UINT align, bool bold, const RECT& clip,
                  bool boxed = false)
    {
        int ellipsis = bold ? m.boldEllipsisWidth : m.ellipsisWidth;
        int fit = FitPrefix(text, length, width, space, ellipsis);
        SetTextAlign(dc, align | TA_TOP);
        if (fit < 0) {
            Write(text, length, x, y, clip, boxed);
            return width;
        }
        std::vector<char> cut(static_cast<size_t>(fit) + 4);
        memcpy(cut.data(), text, static_cast<size_t>(fit));
        memcpy(cut.data() + fit, "...", 3);
        SIZE size = {};
        GetTextExtentPoint32A(dc, cut.data(), fit + 3, &size);
        Write(cut.data(), fit + 3, x, y, clip, boxed);
        return size.cx;
    }

    COLORREF RowBackground(int index, bool coloredColumn, bool selected, const TreeListItem* it, BYTE ownFlags,
                           COLORREF own)
    {
        const bool alt = (m.exStyle & TLX_ALTROWS) != 0;
        const bool odd = (index & 1) != 0;
        const bool disabled = !m.enabled && (m.exStyle & TLX_DISABLEDCOLORS);
        if (selected && (m.exStyle & TLX_FULLROWSELECT))
            return alt && !odd ? m.colors[TLCOL_FULLROWSELEVEN] : m.colors[TLCOL_FULLROWSEL];
        if (ownFlags & TLIF_OWNBK)
            return coloredColumn ? Shade(own) : own;
        (void)it;
        // A disabled window (under its colour style) shows every row in the column colours;
        // the disabled colour is the one of the area below the rows.
        if (coloredColumn || disabled) {
            if (!alt)
                return m.colors[TLCOL_COLUMN];
            return odd ? m.colors[TLCOL_ODDCOLUMN] : m.colors[TLCOL_EVENCOLUMN];
        }
        if (!alt)
            return m.colors[TLCOL_BACKGROUND];
        return odd ? m.colors[TLCOL_ODDROW] : m.colors[TLCOL_EVENROW];
    }

    COLORREF ColumnText(int column)
    {
        int word = column >= 0 && column < 32 ? m.columnWords[column] : -1;
        return word != -1 ? static_cast<COLORREF>(word) : m.colors[TLCOL_TEXT];
    }

    // The top of a box `height` high in the row: centred when the row is taller, else at the
    // row's top (never above it, into the row before).
    int BoxTop(int top, int height) const { return contentHeight > height ? top + (contentHeight - height) / 2 : top; }

    // An image `height` high in the row at `top`: centred in a taller row; in a lower one it
    // starts at the row's top and is cut at its bottom, so it never reaches into the row
    // above (painted before it) nor below (not repainted when only this row is).
    void DrawListImage(HIMAGELIST list, int index, int x, int top, int width, int height, UINT style)
    {
        if (height <= contentHeight)
            ImageList_Draw(list, index, dc, x, BoxTop(top, height), style);
        else if (contentHeight > 0)
            ImageList_DrawEx(list, index, dc, x, top, width, contentHeight, CLR_NONE, CLR_DEFAULT, style);
    }

    void DrawImage(HIMAGELIST list, int index, int x, int top, int width, int height, UINT state)
    {
        UINT style = ILD_TRANSPARENT | INDEXTOOVERLAYMASK((state >> 8) & 0xF);
        if (state & TVIS_CUT)
            style |= ILD_BLEND50;
        DrawListImage(list, index, x, top, width, height, style);
    }

    // `width` x `height` is the state image's room (the slot kept for a themed box).
    void DrawCheck(HIMAGELIST list, int index, int x, int top, int width, int height, bool hot, bool pressed)
    {
        if (list == kThemedChecks) {
            const int state = ThemedCheckState(index, m.exStyle, hot, pressed);
            if (!state)
                return;
            // The slot is centred in a row taller than the state image, else it starts at the
            // row's top; the box sits in the middle of its slot. Unlike the slot, the box
            // itself is kept inside the row: a row not taller than the state image but taller
            // than the box holds it whole, and a row lower than the box starts it at its top
            // and cuts it there, never drawing into the row above or below.
            const SIZE box = b->checkBox;     // 13 x 13 while no theme is open
            const int bottom = top + contentHeight;
            int y = BoxTop(top, height) + (height - box.cy) / 2;
            if (y + box.cy > bottom)
                y = bottom - box.cy;
            if (y < top)
                y = top;
            RECT rc = { x, y, x + box.cx, y + box.cy };
            RECT row = { x, top, x + box.cx, bottom };
            const ControlThemeApi& t = TreeListTheme();
            if (b->buttonTheme && t.DrawThemeBackground &&
                SUCCEEDED(t.DrawThemeBackground(b->buttonTheme, dc, kCheckBoxPart, state, &rc, &row)))
                return;
            // No theme to draw with (closed, or the library lacks the call): the classic box.
            UINT look = DFCS_BUTTONCHECK | DFCS_FLAT | (state >= 5 ? DFCS_CHECKED : 0) | (pressed ? DFCS_PUSHED : 0);
            if (rc.bottom > bottom)
                rc.bottom = bottom;
            DrawFrameControl(dc, &rc, DFC_BUTTON, look);
            return;
        }
        if (list)
            DrawListImage(list, index, x, top, width, height, ILD_TRANSPARENT);
    }

    void Button(int cx, int cy, bool open)
    {
        int h = m.buttonHalf > 0 ? m.buttonHalf : 4;
        RECT box = { cx - h, cy - h, cx + h + 1, cy + h + 1 };
        const ControlThemeApi& t = TreeListTheme();
        if (m.UseTheme() && b->treeTheme && t.DrawThemeBackground &&
            SUCCEEDED(t.DrawThemeBackground(b->treeTheme, dc, kTreeGlyphPart, open ? kGlyphOpened : kGlyphClosed, &box,
                                            nullptr)))
            return;
        Fill(dc, box, m.colors[TLCOL_BUTTONFRAME]);
        RECT face = { box.left + 1, box.top + 1, box.right - 1, box.bottom - 1 };
        Fill(dc, face, m.colors[TLCOL_BUTTONFACE]);
        RECT bar = { cx - h + 2, cy, cx + h - 1, cy + 1 };
        Fill(dc, bar, m.colors[TLCOL_LINES]);
        if (!open) {
            RECT post = { cx, cy - h + 2, cx + 1, cy + h - 1 };
            Fill(dc, post, m.colors[TLCOL_LINES]);
        }
    }

    int CallHook(int column, UINT item, RECT* rect, const char* text, int length, UINT state, BYTE flags, int index,
                 int textTop, COLORREF textColor)
    {
        TreeListDrawHook hook = reinterpret_cast<TreeListDrawHook>(m.props[TLP_HOOK]);
        if (!hook || !m.columns[column].ownerDraw)
            return 0;
        TreeListDrawRecord r = {};
        r.window = b->window;
        r.item = item;
        r.rect = rect;
        const TreeListItem* it = m.Item(item);
        r.data = it ? it->data : 0;
        r.text = text;
        r.textLength = length;
        r.state = (state & 0xFFFF) | (static_cast<UINT>(flags) << 16);
        r.row = index;
        r.column = static_cast<BYTE>(column);
        r.textTop = static_cast<BYTE>(textTop);
        r.textColor = column == 0 ? textColor : 0;
        b->lock.Leave(__LINE__, false);
        int result = hook(dc, m.props[TLP_HOOKCONTEXT], &r);
        b->lock.Enter();
        // The hook may have left its own pen or brush behind.
        SelectObject(dc, TreeListFocusPen());
        SelectObject(dc, GetStockObject(NULL_BRUSH));
        return result;
    }

    bool Row(int index, int top);
    void Cells(UINT item, int index, int top, int fromPosition, COLORREF rowBackground);
};

bool Painter::Row(int index, int top)
{
    UINT item = m.rows[index];
    TreeListItem* it = m.Item(item);
    if (!it)
        return false;
    const bool selectedItem = (it->state & TVIS_SELECTED) != 0;
    int image = selectedItem ? it->selectedImage : it->image;
    if (it->callback & (TLCB_IMAGE | TLCB_SELIMAGE | TLCB_CHILDREN)) {
        if (!m.FetchCallbacks(item, 0, selectedItem))
            return false;
        it = m.Item(item);
        if ((it->callback & (selectedItem ? TLCB_SELIMAGE : TLCB_IMAGE)))
            image = m.answerImage;
    }
    int length = 0;
    const char* fetched = m.ItemText(item, 0, &length, 0);
    if (!fetched || !(it = m.Item(item)))
        return false;
    std::vector<char> text(fetched, fetched + length);
    text.push_back(0);
    const int width = m.TextWidth(item, 0);
    if (!(it = m.Item(item)))
        return false;
    const bool coloredTree = m.columnCount > 0 && m.columns[0].colored;
    const COLORREF background = RowBackground(index, coloredTree, selectedItem, it, it->flags, it->bkColor);
    const COLORREF plain = RowBackground(index, coloredTree, selectedItem, it, 0, 0);
    const int bottom = top + contentHeight;
    // The tree column and the columns its span covers.
    int spanEnd = m.columnCount ? m.SpanEnd(it, 0) : 1;
    int x0 = PositionLeft(0);
    int right = m.columnCount ? PositionLeft(spanEnd) : client.right;
    if (m.columnCount == 0 && right < m.ContentRight() - m.hScroll)
        right = m.ContentRight() - m.hScroll;
    SelectClipRgn(dc, ClipOf(0, spanEnd));
    RECT cell = { x0, top, right, bottom };
    Fill(dc, cell, background);   // an item's own background: its whole tree cell, ancestors' strips too
    const int strips = it->level + (m.linesAtRoot ? 1 : 0);
    const bool ownStrip = strips > 0 && (m.style & (TVS_HASLINES | TVS_HASBUTTONS));
    const int mid = top + contentHeight / 2;
    if (m.style & TVS_HASLINES) {
        // Ancestors' lines: the strip of level L carries a line when the ancestor at that
        // level has a next sibling.
        UINT ancestor = it->parent;
        for (int s = strips - 2; s >= 0 && ancestor; --s) {
            const TreeListItem* a = m.Item(ancestor);
            if (a->next)
                DottedVertical(dc, x0 + s * m.indent + m.buttonCenter, top, top + m.rowHeight);
            ancestor = a->parent;
        }
        if (ownStrip) {
            int cx = x0 + (strips - 1) * m.indent + m.buttonCenter;
            DottedVertical(dc, cx, top, it->next ? top + m.rowHeight : mid + 1);
            DottedHorizontal(dc, cx, x0 + strips * m.indent, mid);
        }
    }
    if ((m.style & TVS_HASBUTTONS) && ownStrip && (it->flags & TLIF_BUTTON)) {
        bool open = (it->state & TVIS_EXPANDED) && !(it->state & TVIS_EXPANDPARTIAL);
        Button(x0 + (strips - 1) * m.indent + m.buttonCenter, mid, open);
    }
    int x = x0 + strips * m.indent + m.LabelPixel();
    if (m.hasStateList) {
        int index4 = static_cast<int>((it->state >> 12) & 0xF);
        // A themed box shows only the unchecked and checked states; in place of any other
        // state the horizontal tree line runs on to the label. A real list draws every index,
        // 0 as well (empty in the built-in check boxes).
        const bool themed = b->stateList == kThemedChecks;
        const bool box = !themed || ThemedCheckState(index4, m.exStyle, false, false) != 0;
        // The pressed box is the hot one (under the mouse) while the button holds it down:
        // ticking a box leaves the caret where it was, so the caret's box is the wrong one.
        const bool hotBox = m.hotItem == item && m.hotColumn == 0;
        if (box)
            DrawCheck(b->stateList, index4, x, top, m.stateWidth, m.stateHeight, hotBox, m.pressedCheck && hotBox);
        else if ((m.style & TVS_HASLINES) && !(themed && (m.exStyle & TLX_GRIDLINES)))
            DottedHorizontal(dc, x, x + m.stateWidth, mid);
        x += m.stateWidth;
    }
    if (image != -2 && (m.hasNormalList || (image >= 0x40000000 && m.hasList4))) {
        HIMAGELIST list = b->normalList;
        int w = m.imageWidth, h = m.imageHeight;
        int drawn = image;
        if (image >= 0x40000000 && m.hasList4) {
            list = b->list4;
            w = m.list4Width;
            h = m.list4Height;
            drawn = image - 0x40000000;
            if (drawn & 0x20000000)
                drawn &= ~0x20000000;   // taken as it is
            else if ((m.exStyle & TLX_EXPANDEDIMAGE) && (it->state & TVIS_EXPANDED) && it->firstChild)
                drawn += 1;
        } else if (image & 0x20000000) {
            drawn = image & ~0x20000000;
        } else if ((m.exStyle & TLX_EXPANDEDIMAGE) && (it->state & TVIS_EXPANDED) && it->firstChild) {
            drawn += static_cast<int>(m.props[TLP_CALLER1]);
        }
        RECT box = { x, top, x + w, bottom };
        Fill(dc, box, background);
        if (list && list != kThemedChecks)
            DrawImage(list, drawn, x, top, w, h, it->state & 0xF04);
        it->flags |= TLIF_HASIMAGE;
        x += w + ((m.exStyle & TLX_GRIDLINES) ? 1 : 0);
    } else {
        it->flags &= static_cast<BYTE>(~TLIF_HASIMAGE);
    }
    // The label.
    // The caret sits in another column of this row: that cell shows the selection, not the
    // label; under multiple cell selection the label keeps its own selection.
    const bool caretElsewhere = item == m.caret && m.caretColumn != 0 &&
                                (!(m.exStyle & TLX_MULTISELECT) || !(m.exStyle & TLX_CELLSELECT));
    // A drop highlight shows on the label wherever the caret is.
    const bool selected = ((it->state & TVIS_SELECTED) && !caretElsewhere) || (it->state & TVIS_DROPHILITED);
    const bool bold = (it->state & TVIS_BOLD) != 0;
    HGDIOBJ oldFont = SelectObject(dc, bold ? b->boldFont : b->font);
    const int textTop = top + (contentHeight - m.textHeight) / 2;
    // Without columns the tree column ends where the widest label ends, so no label is cut:
    // one cut at the window's edge would never widen the scroll range to reach its end.
    if (m.columnCount == 0 && right < x + width + 4) {
        right = x + width + 4;
        cell.right = right;
    }
    RECT label = { x, top, x + width + 4, bottom };
    if (label.right > right)
        label.right = right;
    COLORREF textColor = (it->flags & TLIF_OWNTEXT) ? it->textColor : ColumnText(0);
    int hook = x < right ? CallHook(0, item, &label, text.data(), length, it->state, it->flags, index, textTop - top, textColor) : 0;
    if (!(it = m.Item(item))) {
        SelectObject(dc, oldFont);
        SelectClipRgn(dc, nullptr);
        return false;
    }
    if (hook != 1) {
        if (hook <= 1)
            Fill(dc, label, background);
        COLORREF fg = textColor;
        if (selected && m.hasFocus) {
            Fill(dc, label, GetSysColor(COLOR_HIGHLIGHT));
            fg = GetSysColor(COLOR_HIGHLIGHTTEXT);
        } else if (selected) {
            if (m.exStyle & TLX_FULLROWSELECT) {
            } else if (m.exStyle & TLX_ALTROWS) {
                Fill(dc, label, m.colors[TLCOL_INACTIVESEL]);
            } else {
                Fill(dc, label, GetSysColor(COLOR_BTNFACE));
            }
        } else if (m.exStyle & TLX_FULLROWSELECT) {
            fg = m.colors[TLCOL_FULLROWTEXT];
        }
        SetTextColor(dc, fg);
        SetBkMode(dc, TRANSPARENT);
        // A label that stands out goes through DrawTextExA after the font's text margin, any
        // other through ExtTextOutA 2 pixels after the label's left edge. The margin is those
        // same 2 pixels, so that a label does not shift when it is selected or hot.
        const bool hot = (it->state & TLIS_FOCUSED) ||
                         ((m.style & TVS_TRACKSELECT) && item == m.dropHilite && m.dropHiliteColumn == 0);
        const bool standsOut = selected || hot || (it->flags & TLIF_OWNTEXT);
        const int textMargin = 2;
        int drawn = WriteText(text.data(), length, width, x + textMargin, textTop, right - x - 2, TA_LEFT, bold, cell,
                              standsOut);
        if (selected && m.hasFocus && item == m.caret && m.caretColumn == 0)
            FocusFrame(dc, label);
        else if (!selected && (m.exStyle & TLX_MULTISELECT) && item == m.cursor && m.cursorColumn == 0)
            FocusFrame(dc, label);
        if (hot) {
            RECT line = { x + 2, textTop + m.textHeight - 1, x + 2 + drawn, textTop + m.textHeight };
            Fill(dc, line, fg);
        }
        // The label's end, its box of 2 pixels on either side of the text included, so
        // that a selected label scrolled to the end shows its whole box.
        if (x + 4 + drawn + m.hScroll > widest)
            widest = x + 4 + drawn + m.hScroll;
    }
    SelectObject(dc, oldFont);
    SelectClipRgn(dc, nullptr);
    if (m.columnCount > 1)
        Cells(item, index, top, spanEnd, plain);
    if (!m.Item(item))
        return false;
    if (m.columnCount > 0) {
        // Right of the last column, in that area's own clip region.
        RECT rest = { PositionLeft(m.columnCount), top, client.right, top + m.rowHeight };
        if (rest.left < update.left)
            rest.left = update.left;
        if (rest.left < rest.right) {
            SelectClipRgn(dc, regions.back());
            Fill(dc, rest, plain);
            SelectClipRgn(dc, nullptr);
        }
    }
    // Grid lines and the line under the pinned rows.
    const int pinned = static_cast<int>(m.props[TLP_PINNEDROWS]);
    const bool underPinned = pinned > 0 && index + 1 == pinned && m.firstVisible != m.props[TLP_UNSCROLLEDROW];
    if (m.exStyle & TLX_GRIDLINES) {
        for (int p = 0; p < m.columnCount; ++p) {
            int gx = PositionLeft(p + 1) - 1;
            RECT v = { gx, top, gx + 1, top + m.rowHeight };
            Fill(dc, v, m.colors[TLCOL_GRID]);
        }
        RECT h = { client.left, top + m.rowHeight - 1, client.right, top + m.rowHeight };
        Fill(dc, h, underPinned ? m.colors[TLCOL_PINNEDLINE] : m.colors[TLCOL_GRID]);
    } else if (underPinned) {
        RECT h = { client.left, top + m.rowHeight - 2, client.right, top + m.rowHeight - 1 };
        Fill(dc, h, m.colors[TLCOL_PINNEDLINE]);
    }
    // The drag band or the drop mark.
    int band = 0, offset = 0;
    if (m.dragItem && item == m.dropTarget) {
        band = m.bandHeight;
        offset = m.bandOffset;
    } else if (item == m.dropMark) {
        band = m.dropMarkHeight;
    }
    if (band > 0) {
        HGDIOBJ old = SelectObject(dc, TreeListPatternBrush());
        PatBlt(dc, client.left, top + offset, client.right - client.left, band, PATINVERT);
        SelectObject(dc, old);
    }
    return true;
}

void Painter::Cells(UINT item, int index, int top, int fromPosition, COLORREF rowBackground)
{
    const int bottom = top + contentHeight;
    for (int p = fromPosition; p < m.columnCount; ++p) {
        TreeListItem* it = m.Item(item);
        if (!it)
            return;
        const int column = m.order[p];
        const TreeListColumn& col = m.columns[column];
        int spanTo = m.SpanEnd(it, p);
        int left = PositionLeft(p), right = PositionLeft(spanTo);
        if (right <= left || right <= update.left || left >= update.right) {
            p = spanTo - 1;
            continue;
        }
        SelectClipRgn(dc, ClipOf(p, spanTo));
        TreeListCell* c = m.Cell(item, column);
        int cellImage = c ? c->image : -2;
        if (c && (c->callback & TLCB_IMAGE)) {
            if (!m.FetchCallbacks(item, column, false))
                break;
            cellImage = m.answerImage;
            c = m.Cell(item, column);
        }
        it = m.Item(item);
        UINT state = (it->state & 0xE2) | (c ? c->state : 0);
        // Selection shows in the caret column only (never in a cell without cell selection,
        // where the caret column is 0): every selected row's cell there.
        if (column != m.caretColumn || !(m.exStyle & TLX_CELLSELECT))
            state &= ~static_cast<UINT>(TVIS_SELECTED);
        const bool fullRowSelected = (it->state & TVIS_SELECTED) && (m.exStyle & TLX_FULLROWSELECT);
        COLORREF background = rowBackground;
        if (c && (c->flags & TLIF_OWNBK) && !fullRowSelected)
            background = col.colored ? Shade(c->bkColor) : c->bkColor;
        else if (col.colored && !fullRowSelected)
            background = RowBackground(index, true, false, it, 0, 0);
        RECT cell = { left, top, right, bottom };
        Fill(dc, cell, background);
        int length = 0;
        const char* fetched = c ? m.ItemText(item, column, &length, 1) : "";
        if (!fetched)
            break;
        std::vector<char> text(fetched, fetched + length);
        text.push_back(0);
        const COLORREF textColor = c && (c->flags & TLIF_OWNTEXT) ? c->textColor : ColumnText(column);
        if (!c) {
            CallHook(column, item, &cell, "", 0, state, 0, index, 0, textColor);
            SelectClipRgn(dc, nullptr);
            p = spanTo - 1;
            continue;
        }
        int hook = CallHook(column, item, &cell, text.data(), length, state, c->flags, index,
                            (contentHeight - m.textHeight) / 2, textColor);
        c = m.Cell(item, column);
        if (hook == 1 || !c) {
            SelectClipRgn(dc, nullptr);
            p = spanTo - 1;
            continue;
        }
        // The leading box: a check box in columns of edit types 6 and 7, else the image.
        int boxWidth = 0;
        const bool atRight = (c->state & 0x80) != 0;
        if (col.editKind >= TLE_CHECK) {
            int idx = static_cast<int>((c->state >> 12) & 0xF);
            if ((col.editFlags & TLO_READONLYBIT) && (idx & 8))
                idx &= 7;
            boxWidth = m.list3Width ? m.list3Width : 16;
            int bx = atRight ? right - 2 - boxWidth : left + 2;
            bool pressed = m.pressedItem == item && m.pressedColumn == column;
            const int boxHeight = m.list3Height ? m.list3Height : 16;
            if (b->list3 == kThemedChecks)
                DrawCheck(b->list3, idx, bx, top, boxWidth, boxHeight, m.hotItem == item && m.hotColumn == column, pressed);
            else if (b->list3)   // a real list: with the cell's overlay and cut bits, as its images
                DrawImage(b->list3, pressed ? idx + 1 : idx, bx, top, boxWidth, boxHeight, state & 0xF04);
            c->flags |= TLIF_HASIMAGE;
        } else if (cellImage != -2 && m.hasList4 && b->list4) {
            boxWidth = m.list4Width;
            int bx = atRight ? right - 2 - boxWidth : left + 2;
            bool pressed = m.pressedItem == item && m.pressedColumn == column;
            DrawImage(b->list4, pressed ? cellImage + 1 : cellImage, bx, top, m.list4Width, m.list4Height, state & 0xF04);
            c->flags |= TLIF_HASIMAGE;
        } else {
            c->flags &= static_cast<BYTE>(~TLIF_HASIMAGE);
        }
        const bool bold = m.TextBold(item, column);
        HGDIOBJ oldFont = SelectObject(dc, bold ? b->boldFont : b->font);
        int width = m.TextWidth(item, column);
        c = m.Cell(item, column);
        if (!c || !m.Item(item)) {
            SelectObject(dc, oldFont);
            SelectClipRgn(dc, nullptr);
            return;
        }
        int textLeft = left + (atRight ? 0 : boxWidth + (boxWidth ? 2 : 0));
        int textRight = right - (atRight ? boxWidth + 2 : 0);
        int space = textRight - textLeft - 2;
        int shown = width > space ? space : width;
        RECT box;
        int tx;
        UINT align;
        if (col.align == 2) {
            tx = textRight - 2;
            align = TA_RIGHT;
            box = { textRight - shown - 6, top, textRight, bottom };
        } else if (col.align == 1) {
            tx = (textLeft + textRight) / 2;
            align = TA_CENTER;
            box = { tx - shown / 2 - 3, top, tx + shown / 2 + 3, bottom };
        } else {
            tx = textLeft + 2;
            align = TA_LEFT;
            box = { textLeft, top, textLeft + shown + 6, bottom };
        }
        const bool selected = (state & (TVIS_SELECTED | TVIS_DROPHILITED)) != 0;
        COLORREF fg = textColor;
        if (selected && m.hasFocus) {
            Fill(dc, box, GetSysColor(COLOR_HIGHLIGHT));
            fg = GetSysColor(COLOR_HIGHLIGHTTEXT);
        } else if (selected && !(m.exStyle & TLX_FULLROWSELECT)) {
            Fill(dc, box, (m.exStyle & TLX_ALTROWS) ? m.colors[TLCOL_INACTIVESEL] : GetSysColor(COLOR_BTNFACE));
        } else if (!selected && (m.exStyle & TLX_FULLROWSELECT)) {
            fg = m.colors[TLCOL_FULLROWTEXT];
        }
        SetTextColor(dc, fg);
        SetBkMode(dc, TRANSPARENT);
        const int textTop = top + (contentHeight - m.textHeight) / 2;
        RECT textClip = { textLeft, top, textRight, bottom };
        int drawn = WriteText(text.data(), length < 253 ? length : 253, width, tx, textTop, space, align, bold, textClip);
        SetTextAlign(dc, TA_LEFT | TA_TOP);
        if (selected && m.hasFocus && item == m.caret && column == m.caretColumn)
            FocusFrame(dc, box);
        else if (!selected && (m.exStyle & TLX_MULTISELECT) && item == m.cursor && column == m.cursorColumn)
            FocusFrame(dc, box);   // the cursor cell of multiple selection: a frame, no fill
        if ((state & TLIS_FOCUSED) || ((m.style & TVS_TRACKSELECT) && item == m.dropHilite && column == m.dropHiliteColumn)) {
            int ux = align == TA_LEFT ? tx : (align == TA_RIGHT ? tx - drawn : tx - drawn / 2);
            RECT line = { ux, textTop + m.textHeight - 1, ux + drawn, textTop + m.textHeight };
            Fill(dc, line, fg);
        }
        SelectObject(dc, oldFont);
        SelectClipRgn(dc, nullptr);
        p = spanTo - 1;
    }
    // A callback that failed left its cell's clip behind: the grid lines and the band of the
    // row are drawn unclipped.
    SelectClipRgn(dc, nullptr);
}

}  // namespace

void TreeListPaint(TreeListBlock* b, HDC dc, const RECT* update) noexcept
{
    TreeListLock lock(b);
    TreeListModel& m = b->model;
    Painter p(b, dc);
    GetClientRect(b->window, &p.client);
    p.update = update ? *update : p.client;
    if (p.update.top < m.headerHeight)
        p.update.top = m.headerHeight;
    if (IsRectEmpty(&p.update))
        return;
    const int saved = SaveDC(dc);
    SelectObject(dc, b->font);
    SelectObject(dc, TreeListFocusPen());   // the dotted pen of tree lines and focus frames
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    SetBkColor(dc, m.colors[TLCOL_BACKGROUND]);
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    p.contentHeight = m.rowHeight - ((m.exStyle & TLX_GRIDLINES) ? 1 : 0);
    p.widest = 0;
    p.BuildRegions();
    int y = m.headerHeight;
    bool complete = true;
    for (int k = 0;; ++k) {
        int index = m.ScreenRowToIndex(k);
        if (index >= m.rowCount || y >= p.update.bottom)
            break;
        if (y + m.rowHeight > p.update.top && !p.Row(index, y)) {
            complete = false;
            break;
        }
        y += m.rowHeight;
    }
    if (complete && y < p.update.bottom) {
        RECT empty = { p.update.left, y, p.update.right, p.client.bottom };
        if (m.coloredCount > 0 && m.columnCount > 0 && (m.enabled || !(m.exStyle & TLX_DISABLEDCOLORS))) {
            for (int pos = 0; pos <= m.columnCount; ++pos) {
                int left = pos == 0 ? p.client.left : p.PositionLeft(pos);
                int right = pos < m.columnCount ? p.PositionLeft(pos + 1) : p.client.right;
                if (pos == 0)
                    right = p.PositionLeft(1);
                RECT part = { left, y, right, p.client.bottom };
                bool colored = pos < m.columnCount && m.columns[m.order[pos]].colored;
                Fill(dc, part, colored ? m.colors[TLCOL_COLUMN] : m.colors[TLCOL_BACKGROUND]);
            }
        } else {
            Fill(dc, empty, !m.enabled && (m.exStyle & TLX_DISABLEDCOLORS) ? m.colors[TLCOL_DISABLED] : m.colors[TLCOL_BACKGROUND]);
        }
        if (m.dragItem && m.dropTarget == TLI_EMPTYAREA && m.bandHeight > 0) {
            HGDIOBJ old = SelectObject(dc, TreeListPatternBrush());
            PatBlt(dc, p.client.left, y + m.bandOffset, p.client.right - p.client.left, m.bandHeight, PATINVERT);
            SelectObject(dc, old);
        } else if (m.dropMark == TLI_EMPTYAREA) {
            HGDIOBJ old = SelectObject(dc, TreeListPatternBrush());
            PatBlt(dc, p.client.left, y, p.client.right - p.client.left, m.dropMarkHeight ? m.dropMarkHeight : 3, PATINVERT);
            SelectObject(dc, old);
        }
    }
    RestoreDC(dc, saved);
    // Only a paint that went through every shown row knows the widest label: a partial one
    // would shrink the scroll range to the rows it happened to repaint.
    if (m.columnCount == 0 && complete && p.update.top <= m.headerHeight && p.update.bottom >= y && p.widest != m.totalWidth) {
        m.totalWidth = p.widest;
        TreeListUpdateHBar(b);
    }
}

LONG TreeListPaintRegions() noexcept
{
    return g_regionsMade;
}

HIMAGELIST TreeListDragImage(TreeListBlock* b, UINT item, int column) noexcept
{
    TreeListLock lock(b);
    TreeListModel& m = b->model;
    if (!m.Item(item) || (column != 0 && (column < 0 || column >= m.columnCount)))
        return nullptr;
    TreeListItem* it = m.Item(item);
    int image;
    if (column) {
        // A cell's picture comes from the list the cells are painted from.
        const TreeListCell* c = m.Cell(item, column);
        image = c ? c->image : -2;
        if (c && (c->callback & TLCB_IMAGE)) {
            if (!m.FetchCallbacks(item, column, false))
                return nullptr;
            image = m.answerImage;
        }
    } else {
        image = (it->state & TVIS_SELECTED) ? it->selectedImage : it->image;
        if (it->callback & (TLCB_IMAGE | TLCB_SELIMAGE)) {
            if (!m.FetchCallbacks(item, 0, (it->state & TVIS_SELECTED) != 0))
                return nullptr;
            image = m.answerImage;
        }
    }
    HIMAGELIST images = column ? b->list4 : b->normalList;
    const int imageWidth = column ? m.list4Width : m.imageWidth;
    const int imageHeight = column ? m.list4Height : m.imageHeight;
    int length = 0;
    const char* fetched = m.ItemText(item, column, &length, 0);
    if (!fetched || !(it = m.Item(item)))
        return nullptr;
    std::vector<char> text(fetched, fetched + length);
    text.push_back(0);
    const bool bold = (it->state & TVIS_BOLD) != 0;
    const bool withImage = image != -2 && b->normalList && m.hasNormalList && images;
    int imagePart = withImage ? imageWidth + 2 : 0;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ oldFont = SelectObject(dc, bold ? b->boldFont : b->font);
    SIZE size = {};
    GetTextExtentPoint32A(dc, text.data(), length, &size);
    int width = imagePart + size.cx;
    if (width > 240) width = 240;
    if (width < 1) width = 1;
    int height = size.cy > (withImage ? imageHeight : 0) ? size.cy : imageHeight;
    if (height > 32) height = 32;
    if (height < 1) height = 1;
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    HIMAGELIST list = nullptr;
    if (dc && bitmap) {
        const COLORREF key = 0x5B4D7B;
        HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
        RECT all = { 0, 0, width, height };
        Fill(dc, all, key);
        if (withImage) {
            RECT box = { 0, 0, imageWidth, height };
            Fill(dc, box, GetSysColor(COLOR_WINDOW));
            ImageList_Draw(images, image, dc, 0, (height - imageHeight) / 2, ILD_TRANSPARENT);
        }
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, m.colors[TLCOL_TEXT]);
        TextOutA(dc, imagePart, (height - size.cy) / 2, text.data(), length);
        SelectObject(dc, oldBitmap);
        list = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 1, 0);
        if (list && ImageList_AddMasked(list, bitmap, key) < 0) {
            ImageList_Destroy(list);
            list = nullptr;
        }
    }
    if (dc) {
        SelectObject(dc, oldFont);
        DeleteDC(dc);
    }
    if (bitmap)
        DeleteObject(bitmap);
    return list;
}
