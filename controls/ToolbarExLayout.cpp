// The toolbar's geometry: the size of each button, the layout in rows or in one column
// (with stacks of small buttons), the fit to a width or a height, the hit test and the
// insert mark.
#include "controls/ToolbarExModel.h"

#include "uihelpers/UiFonts.h"

#include <algorithm>
#include <cstring>

namespace {

int TextOf(const ToolbarExBlock* block, const ToolbarButton* b, const wchar_t** text)
{
    const ToolbarString* s = TbxString(block, b->string);
    *text = s ? s->text : nullptr;
    return s ? s->length : 0;
}

bool Visible(const ToolbarButton* b)
{
    return !(b->state & TBSTATE_HIDDEN);
}

bool IsSeparator(const ToolbarButton* b)
{
    return (b->style & BTNS_SEP) != 0;
}

int ClampWidth(const ToolbarExBlock* block, int width)
{
    if (block->minWidth >= 0 && width < block->minWidth)
        width = block->minWidth;
    if (block->maxWidth >= 0 && width > block->maxWidth)
        width = block->maxWidth;
    return width;
}

// The closed height of a combo box: its edit part, not the list below it.
SIZE ControlSize(HWND control)
{
    RECT r = {};
    if (!::IsWindow(control) || !::GetWindowRect(control, &r))
        return {0, 0};
    SIZE size = {r.right - r.left, r.bottom - r.top};
    char name[16] = {};
    ::GetClassNameA(control, name, sizeof name);
    if (lstrcmpiA(name, "ComboBox") == 0) {
        const LRESULT item = ::SendMessageA(control, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
        if (item > 0 && size.cy > item + 8)
            size.cy = static_cast<LONG>(item + 8);
    }
    return size;
}

HFONT g_defaultFonts[2];

}  // namespace

// The default font of every toolbar without its own: the icon-title font at three quarters
// of its height, at least 12 pixels.
HFONT TbxDefaultFont(bool bold)
{
    HFONT& font = g_defaultFonts[bold ? 1 : 0];
    if (!font) {
        LOGFONTA lf = {};
        if (!::SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof lf, &lf, 0))
            ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
        lf.lfHeight = lf.lfHeight * 3 / 4;
        if (lf.lfHeight < 0 && lf.lfHeight > -12)
            lf.lfHeight = -12;
        else if (lf.lfHeight >= 0 && lf.lfHeight < 12)
            lf.lfHeight = 12;
        lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
        font = ::CreateFontIndirectA(&lf);
    }
    return font;
}

HFONT TbxFont(const ToolbarExBlock* block)
{
    return block->font ? block->font : TbxDefaultFont(false);
}

bool TbxTakeFontMetrics(ToolbarExBlock* block)
{
    HDC dc = ::CreateCompatibleDC(nullptr);
    if (!dc)
        return false;
    HGDIOBJ old = ::SelectObject(dc, TbxFont(block));
    TEXTMETRICA tm = {};
    ::GetTextMetricsA(dc, &tm);
    RECT sample = {0, 0, 0, 0};
    ::DrawTextA(dc, "Ag", 2, &sample, DT_CALCRECT | DT_SINGLELINE);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    const int pitch = (tm.tmPitchAndFamily & TMPF_FIXED_PITCH) ? -1 : 0;
    const bool changed = block->textHeight != tm.tmHeight || block->ascent != tm.tmAscent + 1 ||
                         block->variablePitch != pitch || block->sampleHeight != sample.bottom;
    block->textHeight = tm.tmHeight;
    block->ascent = tm.tmAscent + 1;
    block->variablePitch = pitch;
    block->sampleHeight = sample.bottom;
    block->measuredFont = TbxFont(block);
    return changed;
}

int TbxArrowWidth(int imageHeight)
{
    const int quarter = std::min(std::max((imageHeight + 2) / 4, 4), 6);
    return quarter * 13 / 4;
}

SIZE TbxMeasureText(ToolbarExBlock* block, const wchar_t* text, int length, bool noPrefix)
{
    SIZE size = {0, 0};
    if (!text || length <= 0)
        return size;
    const DWORD packed = static_cast<DWORD>(MeasureTextW(
        nullptr, text, length, DT_SINGLELINE | (noPrefix ? DT_NOPREFIX : 0) | MEASURE_PACKED, TbxFont(block)));
    size.cx = LOWORD(packed);
    size.cy = HIWORD(packed);
    return size;
}

void TbxMeasureButton(ToolbarExBlock* block, ToolbarButton* b)
{
    if (!block->textHeight)
        TbxTakeFontMetrics(block);
    b->paint &= static_cast<WORD>(~(TBXP_IMAGE | TBXP_TEXTBELOW | TBXP_TEXTRIGHT | TBXP_TEXTONLY | TBXP_NOSTACK));
    if (IsSeparator(b)) {
        b->paint |= TBXP_NOSTACK;
        b->extentX = 8;
        b->extentY = 0;
        b->packedWidth = 8;
        return;
    }
    if (b->own & TBXF_NOSTACK)
        b->paint |= TBXP_NOSTACK;
    const wchar_t* text = nullptr;
    const int length = TextOf(block, b, &text);
    const SIZE textSize = TbxMeasureText(block, text, length, (b->style & BTNS_NOPREFIX) != 0);
    const int textHeight = std::max<int>(textSize.cy, block->sampleHeight);
    int tw = textSize.cx;
    if ((b->own & TBXF_FIXEDWIDTH) && !(b->own & (TBXF_COLOR | TBXF_CONTROL)))
        tw = std::max<int>(tw, LOWORD(b->data));
    const int padX = block->padding.cx;
    const bool list = (block->style & TBXS_LIST) != 0;
    int width = 0;
    int height = 0;
    int arrow = 0;
    int bitmap = -1;
    RECT place = {};
    if (b->own & TBXF_CONTROL) {
        const SIZE c = ControlSize(reinterpret_cast<HWND>(static_cast<UINT_PTR>(b->data)));
        width = c.cx + block->gap[0] + 2;
        height = c.cy;
        if (length) {
            width = std::max(width, ClampWidth(block, tw + 4 + padX) - padX);
            height += textHeight + 1;
            b->paint |= TBXP_TEXTBELOW;
        }
    } else if (b->own & (TBXF_LABEL | TBXF_LABEL2)) {
        // A label cell: its text, no image, a little air around it.
        width = tw + 4;
        height = std::max<int>(textHeight + 2, block->image.cy);
        b->paint |= TBXP_TEXTONLY;
    } else if (b->image >= 0 && TbxImagePlace(block, b->image, &bitmap, &place)) {
        const SIZE image = TbxScaledImageSize(block, bitmap, {place.right - place.left, place.bottom - place.top});
        if (b->style & BTNS_DROPDOWN)
            arrow = TbxArrowWidth(image.cy);
        const int part = image.cx + arrow;
        b->paint |= TBXP_IMAGE;
        bool below = !list || (b->own & 0x0002);
        if (b->own & 0x0001)
            below = false;
        if (length && below) {
            width = ClampWidth(block, std::max(part, tw) + padX) - padX;
            height = image.cy + textHeight + 1;
            b->paint |= TBXP_TEXTBELOW;
        } else if (length) {
            const int gapPart = block->gap[0] - block->gap[0] / 2;
            width = part + tw + 2 + gapPart + 2;
            height = std::max<int>(image.cy + 2, textHeight);
            b->paint |= TBXP_TEXTRIGHT;
        } else {
            width = part;
            height = image.cy;
        }
    } else if (length) {
        b->paint |= TBXP_TEXTONLY;
        if (!list) {
            width = ClampWidth(block, std::max(tw, 4) + 8);
            height = block->image.cy + textHeight + 1;
            b->paint |= TBXP_TEXTBELOW;
        } else {
            width = std::max<int>(tw + 4, block->image.cx);
            height = std::max<int>(textHeight + 2, block->image.cy);
            b->paint |= TBXP_TEXTRIGHT;
        }
    } else {
        width = block->image.cx;
        height = block->image.cy;
    }
    width += block->gap[0] + padX;
    height += block->gap[1] + block->padding.cy;
    width = std::max(width, 0);
    height = std::max(height, 0);
    b->extentX = static_cast<WORD>(std::min(width, 0xFFFF));
    b->extentY = static_cast<WORD>(std::min(height, 0xFFFF));
    arrow = std::min(arrow, 63);
    const int content = std::max(0, std::min(width - block->gap[0] / 2 - arrow, 1023));
    b->packedWidth = static_cast<WORD>(content | (arrow << 10));
}

// The drop-down arrow belongs to the button, and so does a button's own text below its
// picture; only a text row left empty is no hit. Mends two dead spots: a drop-down arrow that
// could never be pressed (its list never opened) and a caption whose click pressed nothing.
RECT TbxInnerRect(const ToolbarExBlock* block, const ToolbarButton* b)
{
    RECT r = b->rect;
    const int content = b->packedWidth & 0x3FF;
    const int arrow = b->packedWidth >> 10;
    r.left = b->rect.left + block->gap[0] / 2;
    r.right = std::min<LONG>(b->rect.right, b->rect.left + content + arrow);
    r.top = b->rect.top + block->gap[1] / 2;
    r.bottom = b->rect.bottom - block->gap[1] / 2;
    if (b->paint & TBXP_TEXTROW && !(b->paint & TBXP_TEXTBELOW))
        r.bottom -= block->textHeight + 1;
    return r;
}

namespace {

// The height a button takes in a row (a reserved text row added).
int RowHeight(const ToolbarExBlock* block, const ToolbarButton* b, bool textRows)
{
    int h = b->extentY;
    if (textRows && !IsSeparator(b) && !(b->paint & (TBXP_TEXTBELOW)))
        h += std::max(block->textHeight, block->sampleHeight) + 1;
    return h;
}

bool ColumnArrangement(const ToolbarExBlock* block)
{
    if (block->buttonCount < 2)
        return false;
    int i = 0;
    while (i < block->buttonCount && (IsSeparator(block->buttons[i]) || !Visible(block->buttons[i])))
        ++i;
    int lastVisible = -1;
    for (int j = block->buttonCount - 1; j >= i; --j) {
        if (Visible(block->buttons[j])) {
            lastVisible = j;
            break;
        }
    }
    for (int j = i; j < lastVisible; ++j) {
        const ToolbarButton* b = block->buttons[j];
        if (Visible(b) && !(b->state & TBSTATE_WRAP))
            return false;
    }
    return lastVisible > i;
}

// Reserves or frees a button's text row; the look is drawn again only when that changes.
void SetTextRow(ToolbarButton* b, bool reserved)
{
    if (((b->paint & TBXP_TEXTROW) != 0) == reserved)
        return;
    b->paint ^= TBXP_TEXTROW;
    b->paint |= TBXP_REBUILD;
}

void SetRect(ToolbarButton* b, int left, int top, int right, int bottom, bool* changed)
{
    const RECT r = {left, top, right, bottom};
    if (std::memcmp(&r, &b->rect, sizeof r) != 0) {
        b->rect = r;
        *changed = true;
    }
}

// Stacks runs of small buttons in a row from `first` to `end` of thickness `thick`.
void StackRow(ToolbarExBlock* block, int first, int end, int thick, bool textRows)
{
    const int half = block->gap[1] / 2;
    int i = first;
    while (i < end) {
        // A wrapped button ends its row and stays out of any stack, as separators, hidden
        // buttons and those that refuse stacking do.
        auto qualifies = [&](int k) {
            const ToolbarButton* b = block->buttons[k];
            if (!Visible(b) || IsSeparator(b) || (b->paint & TBXP_NOSTACK))
                return false;
            if (b->state & TBSTATE_WRAP)
                return false;
            return RowHeight(block, b, textRows) + 3 < thick;
        };
        if (!qualifies(i)) {
            ++i;
            continue;
        }
        int total = RowHeight(block, block->buttons[i], textRows) - half;
        int j = i + 1;
        while (j < end && qualifies(j)) {
            const int h = RowHeight(block, block->buttons[j], textRows) - half;
            if (total + h > thick)
                break;
            total += h;
            ++j;
        }
        if (j - i < 2) {
            i = j > i ? j : i + 1;
            continue;
        }
        int widest = 0;
        for (int k = i; k < j; ++k)
            widest = std::max<int>(widest, block->buttons[k]->rect.right - block->buttons[k]->rect.left);
        const int left = block->buttons[i]->rect.left;
        const int top = block->buttons[i]->rect.top;
        const int spare = std::max(0, thick - total);
        const int each = spare / (j - i);
        int bottom = top + thick;
        for (int k = i; k < j; ++k) {
            ToolbarButton* b = block->buttons[k];
            int h = RowHeight(block, b, textRows) - half + each;
            if (k == j - 1)
                h += spare - each * (j - i);
            b->rect = {left, bottom - h, left + widest, bottom};
            bottom -= h;
            b->paint &= static_cast<WORD>(~(TBXP_STACKFIRST | TBXP_STACKMEMBER | TBXP_STACKLAST));
            b->paint |= k == i ? TBXP_STACKFIRST : TBXP_STACKMEMBER;
            if (k == j - 1)
                b->paint |= TBXP_STACKLAST;
        }
        // Everything after the stack moves up to its right edge.
        int x = left + widest;
        for (int k = j; k < end; ++k) {
            ToolbarButton* b = block->buttons[k];
            const int w = b->rect.right - b->rect.left;
            b->rect.left = x;
            b->rect.right = x + w;
            x += w;
        }
        i = j;
    }
}

}  // namespace

namespace {

// A button as the layout found it: where it was and whether its look was to be rebuilt.
struct LaidOut {
    RECT rect;
    bool rebuild;
};

// Repaints what a layout changed on the screen: a button that moved (a wrapped one that went
// to another line among them) at its old and its new place, and a button whose look is to be
// rebuilt at its place. Without the record of the old places the whole window is repainted.
void RepaintChanged(ToolbarExBlock* block, const LaidOut* before, bool changed)
{
    if (!block->window || block->quietLayout)
        return;
    if (!before) {
        if (changed)
            TbxInvalidate(block, nullptr);
        return;
    }
    for (int i = 0; i < block->buttonCount; ++i) {
        const RECT& now = block->buttons[i]->rect;
        const bool moved = std::memcmp(&now, &before[i].rect, sizeof now) != 0;
        if (moved && !::IsRectEmpty(&before[i].rect))
            TbxInvalidate(block, &before[i].rect);
        if ((moved || before[i].rebuild) && !::IsRectEmpty(&now))
            TbxInvalidate(block, &now);
    }
}

// Where the buttons are now (null without a window, without buttons or out of memory); the
// caller frees it.
LaidOut* RecordLayout(const ToolbarExBlock* block)
{
    if (!block->window || block->quietLayout || block->buttonCount <= 0)
        return nullptr;
    LaidOut* before = static_cast<LaidOut*>(TbxAlloc(sizeof(LaidOut) * static_cast<size_t>(block->buttonCount)));
    for (int i = 0; before && i < block->buttonCount; ++i)
        before[i] = {block->buttons[i]->rect, (block->buttons[i]->paint & TBXP_REBUILD) != 0};
    return before;
}

}  // namespace

void TbxLayout(ToolbarExBlock* block, bool force)
{
    if (!force && !block->dirty)
        return;
    LaidOut* before = RecordLayout(block);
    const bool remeasure = (block->dirty & (TBXD_SIZES | TBXD_ALL | TBXD_REBUILD)) != 0 || force;
    for (int i = 0; i < block->buttonCount; ++i) {
        ToolbarButton* b = block->buttons[i];
        if (remeasure || (b->paint & TBXP_REBUILD)) {
            // Only a button whose look was marked, or whose measure came out different, is
            // drawn again; the others keep their cached looks.
            const WORD kinds = TBXP_IMAGE | TBXP_TEXTBELOW | TBXP_TEXTRIGHT | TBXP_TEXTONLY | TBXP_NOSTACK;
            const WORD wasKind = b->paint & kinds;
            const WORD wasX = b->extentX, wasY = b->extentY, wasPacked = b->packedWidth;
            TbxMeasureButton(block, b);
            if ((b->paint & kinds) != wasKind || b->extentX != wasX || b->extentY != wasY ||
                b->packedWidth != wasPacked)
                b->paint |= TBXP_REBUILD;
        }
        b->paint &= static_cast<WORD>(~(TBXP_STACKFIRST | TBXP_STACKMEMBER | TBXP_STACKLAST));
    }
    bool changed = false;
    int right = 0;
    int bottom = 0;
    int lines = 0;
    const int textRowHeight = std::max(block->textHeight, block->sampleHeight) + 1;
    if (ColumnArrangement(block)) {
        for (int i = 0; i < block->buttonCount; ++i)
            SetTextRow(block->buttons[i], false);
        // Every button wrapped: one column as wide as its widest button, top to bottom.
        int thick = block->image.cx;
        for (int i = 0; i < block->buttonCount; ++i) {
            const ToolbarButton* b = block->buttons[i];
            if (Visible(b) && !IsSeparator(b))
                thick = std::max<int>(thick, b->extentX);
        }
        int y = 0;
        for (int i = 0; i < block->buttonCount; ++i) {
            ToolbarButton* b = block->buttons[i];
            if (!Visible(b)) {
                SetRect(b, 0, y, 0, y, &changed);
                continue;
            }
            const int h = IsSeparator(b) ? 8 : b->extentY;
            SetRect(b, 0, y, thick, y + h, &changed);
            y += h;
        }
        bottom = y;
        right = thick;
        lines = 1;
    } else {
        bool textRows = false;
        for (int i = 0; i < block->buttonCount; ++i) {
            const ToolbarButton* b = block->buttons[i];
            if (Visible(b) && (b->paint & TBXP_TEXTBELOW) && !(b->paint & TBXP_TEXTONLY) && !(b->own & TBXF_RIGHTCLICK))
                textRows = true;
        }
        for (int i = 0; i < block->buttonCount; ++i) {
            ToolbarButton* b = block->buttons[i];
            SetTextRow(b, textRows && Visible(b) && !IsSeparator(b));
        }
        int y = 0;
        int i = 0;
        bool firstRow = true;
        while (i < block->buttonCount) {
            // The row: up to and including the first wrapped visible button.
            int end = i;
            int thick = block->image.cy;
            while (end < block->buttonCount) {
                const ToolbarButton* b = block->buttons[end];
                if (Visible(b) && !IsSeparator(b))
                    thick = std::max(thick, RowHeight(block, b, textRows));
                ++end;
                if (Visible(b) && (b->state & TBSTATE_WRAP))
                    break;
            }
            int x = firstRow ? block->indent : 0;
            bool rowStart = true;
            bool sepRowOnly = false;
            for (int k = i; k < end; ++k) {
                ToolbarButton* b = block->buttons[k];
                if (!Visible(b)) {
                    SetRect(b, x, y, x, y, &changed);
                    continue;
                }
                if (IsSeparator(b)) {
                    const bool noRoom = (b->state & TBSTATE_WRAP) || (rowStart && !firstRow);
                    if (rowStart && (b->state & TBSTATE_WRAP))
                        sepRowOnly = true;
                    const int w = noRoom ? 0 : 8;
                    SetRect(b, x, y, x + w, y + (sepRowOnly ? 8 : thick), &changed);
                    x += w;
                    continue;
                }
                SetRect(b, x, y, x + b->extentX, y + thick, &changed);
                x += b->extentX;
                rowStart = false;
            }
            if (block->style & TBXS_STACK)
                StackRow(block, i, end, thick, textRows);
            for (int k = i; k < end; ++k)
                right = std::max<int>(right, block->buttons[k]->rect.right);
            const bool empty = rowStart && !sepRowOnly;
            const int advance = sepRowOnly && rowStart ? 8 : thick;
            if (!empty || end < block->buttonCount) {
                y += advance;
                if (!empty)
                    ++lines;
            }
            bottom = std::max(bottom, y);
            firstRow = false;
            i = end;
        }
    }
    // Embedded controls sit in the middle of their cells.
    for (int i = 0; i < block->buttonCount; ++i) {
        ToolbarButton* b = block->buttons[i];
        if (!(b->own & TBXF_CONTROL) || !b->data || !block->window)
            continue;
        HWND control = reinterpret_cast<HWND>(static_cast<UINT_PTR>(b->data));
        if (!::IsWindow(control) || ::GetParent(control) != block->window)
            continue;
        if (!Visible(b)) {
            // A hidden cell hides its control too: left shown, it stayed at the cell's old
            // place over whatever button moved there.
            ::ShowWindow(control, SW_HIDE);
            continue;
        }
        const SIZE c = ControlSize(control);
        int cellBottom = b->rect.bottom;
        if (b->paint & TBXP_TEXTBELOW)
            cellBottom -= textRowHeight;
        const int x = (b->rect.left + b->rect.right - c.cx) / 2;
        const int y = (b->rect.top + cellBottom - c.cy) / 2;
        ::SetWindowPos(control, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::ShowWindow(control, SW_SHOW);
    }
    block->ideal = {right, bottom};
    block->lines = lines;
    block->dirty = 0;
    // The insert mark follows its button; a fit places it once, after its last layout.
    if (block->insertMark >= 0 && !block->quietLayout)
        TbxSetInsertMark(block, block->insertMark, block->insertFlags, nullptr);
    RepaintChanged(block, before, changed);
    if (before)
        TbxFree(before);
}

namespace {

void ClearWraps(ToolbarExBlock* block)
{
    for (int i = 0; i < block->buttonCount; ++i)
        block->buttons[i]->state &= static_cast<BYTE>(~TBSTATE_WRAP);
}

// Where a line of buttons first..first+count-1 would end.
int LineEnd(const ToolbarExBlock* block, int first, int count, bool firstLine)
{
    int x = firstLine ? block->indent : 0;
    bool start = true;
    for (int k = first; k < first + count; ++k) {
        const ToolbarButton* b = block->buttons[k];
        if (!Visible(b))
            continue;
        if (IsSeparator(b)) {
            if (!(start && !firstLine))
                x += 8;
            continue;
        }
        x += b->extentX;
        start = false;
    }
    return x;
}

// Breaks the buttons into lines that end within `width`, each found by halving.
void WrapToWidth(ToolbarExBlock* block, int width)
{
    ClearWraps(block);
    int first = 0;
    bool firstLine = true;
    while (first < block->buttonCount) {
        const int remaining = block->buttonCount - first;
        int lo = 1;
        int hi = remaining;
        while (lo < hi) {
            const int mid = (lo + hi + 1) / 2;
            if (LineEnd(block, first, mid, firstLine) <= width)
                lo = mid;
            else
                hi = mid - 1;
        }
        int last = first + lo - 1;
        if (last + 1 < block->buttonCount) {
            // The wrap goes on the line's last visible button.
            int k = last;
            while (k > first && !Visible(block->buttons[k]))
                --k;
            block->buttons[k]->state |= TBSTATE_WRAP;
        }
        first = last + 1;
        firstLine = false;
    }
}

void WrapEvery(ToolbarExBlock* block)
{
    for (int i = 0; i < block->buttonCount; ++i) {
        if (Visible(block->buttons[i]))
            block->buttons[i]->state |= TBSTATE_WRAP;
    }
}

}  // namespace

DWORD TbxFit(ToolbarExBlock* block, int target, DWORD flags)
{
    BYTE* saved = static_cast<BYTE*>(TbxAlloc(static_cast<size_t>(block->buttonCount) + 1));
    if (!saved)
        return 0;
    // The layouts tried on the way show nothing; what the fit leaves changed is repainted.
    TbxLayout(block);
    LaidOut* before = RecordLayout(block);
    for (int i = 0; before && i < block->buttonCount; ++i)
        before[i].rebuild = false;   // looks waiting for their paint are none of the fit's doing
    const bool wholeWindow = !before && block->window && block->buttonCount > 0 && !block->quietLayout;
    block->quietLayout++;
    for (int i = 0; i < block->buttonCount; ++i)
        saved[i] = block->buttons[i]->state;
    // Every branch ends in a layout that measures the buttons again; only the wrap to a
    // width needs their sizes before.
    if (flags & TBXFIT_HEIGHT) {
        // The narrowest width whose layout stays within the height.
        ClearWraps(block);
        TbxLayout(block, true);
        int hi = block->ideal.cx;
        WrapEvery(block);
        TbxLayout(block, true);
        int lo = block->ideal.cx;
        if (hi < lo)
            hi = lo;
        while (lo < hi) {
            const int mid = (lo + hi) / 2;
            WrapToWidth(block, mid);
            TbxLayout(block, true);
            if (block->ideal.cy <= target)
                hi = mid;
            else
                lo = mid + 1;
        }
        WrapToWidth(block, lo);
    } else if (target >= 16384) {
        // The buttons at their own sizes, in one row. Mends a bar docked at the top again
        // that stayed a column: the wraps a kept column fit left behind are cleared.
        ClearWraps(block);   // every button back in the one row
    } else if (target >= 5) {
        TbxLayout(block, true);
        WrapToWidth(block, target);
    } else {
        WrapEvery(block);
    }
    TbxLayout(block, true);
    const DWORD result = MAKELONG(block->ideal.cx, block->ideal.cy);
    if (!(flags & TBXFIT_KEEP)) {
        for (int i = 0; i < block->buttonCount; ++i)
            block->buttons[i]->state = saved[i];
        TbxLayout(block, true);
    }
    TbxFree(saved);
    block->quietLayout--;
    if (!block->quietLayout && block->insertMark >= 0)
        TbxSetInsertMark(block, block->insertMark, block->insertFlags, nullptr);
    if (wholeWindow)
        TbxInvalidate(block, nullptr);
    else
        RepaintChanged(block, before, false);
    TbxFree(before);
    return result;
}

int TbxHitTest(ToolbarExBlock* block, POINT pt, bool* onArrow)
{
    if (onArrow)
        *onArrow = false;
    TbxLayout(block);
    for (int i = 0; i < block->buttonCount; ++i) {
        const ToolbarButton* b = block->buttons[i];
        if (!Visible(b) || IsSeparator(b) || !::PtInRect(&b->rect, pt))
            continue;
        const RECT inner = TbxInnerRect(block, b);
        if (!::PtInRect(&inner, pt))
            return -1;
        const int arrow = b->packedWidth >> 10;
        if (onArrow && (b->style & BTNS_DROPDOWN) && arrow > 0 && pt.x >= inner.right - arrow)
            *onArrow = true;
        return i;
    }
    return -1;
}

bool TbxSetInsertMark(ToolbarExBlock* block, int index, DWORD flags, RECT* oldRect)
{
    const RECT old = block->insertRect;
    if (oldRect)
        *oldRect = old;
    RECT now = {};
    if (index < 0 || index >= block->buttonCount || !Visible(block->buttons[index])) {
        block->insertMark = -1;
        block->insertFlags = 0;
    } else {
        // After a stack's first button means after the whole stack; before a member means
        // before its first button.
        int at = index;
        if ((flags & 1) && (block->buttons[at]->paint & TBXP_STACKFIRST)) {
            while (at + 1 < block->buttonCount && (block->buttons[at + 1]->paint & TBXP_STACKMEMBER))
                ++at;
        } else if (!(flags & 1) && (block->buttons[at]->paint & TBXP_STACKMEMBER)) {
            while (at > 0 && !(block->buttons[at]->paint & TBXP_STACKFIRST))
                --at;
        }
        block->insertMark = index;
        block->insertFlags = flags & 1;
        const ToolbarButton* b = block->buttons[at];
        if (block->vertical) {
            const int edge = (flags & 1) ? b->rect.bottom : b->rect.top;
            now = {b->rect.left, edge - 3, b->rect.right, edge + 3};
        } else {
            const int edge = (flags & 1) ? b->rect.right : b->rect.left;
            now = {edge - 3, b->rect.top, edge + 3, b->rect.bottom};
            if (b->paint & TBXP_TEXTROW)
                now.bottom -= block->textHeight + 1;
        }
        if (now.left < 0) {
            now.left += 1;
            now.right += 1;
        }
    }
    block->insertRect = now;
    const bool changed = std::memcmp(&now, &old, sizeof now) != 0;
    if (changed) {
        TbxInvalidate(block, &old);
        TbxInvalidate(block, &now);
    }
    return changed;
}

bool TbxInsertMarkHitTest(ToolbarExBlock* block, POINT pt, int* index, DWORD* flags)
{
    TbxLayout(block);
    for (int i = 0; i < block->buttonCount; ++i) {
        const ToolbarButton* b = block->buttons[i];
        if (!Visible(b) || !::PtInRect(&b->rect, pt))
            continue;
        const int width = b->rect.right - b->rect.left;
        const int offset = pt.x - b->rect.left;
        DWORD f = offset * 2 >= width ? 1 : 0;
        const bool middle = offset * 4 >= width && offset * 4 < width * 3;
        const bool lowerHalf = (pt.y - b->rect.top) * 2 >= (b->rect.bottom - b->rect.top);
        if (middle && (b->paint & TBXP_STACKMEMBER) && lowerHalf)
            f = 0;
        else if (middle && (b->paint & TBXP_STACKFIRST) && !lowerHalf)
            f = 1;
        *index = i;
        *flags = f;
        return true;
    }
    *index = -1;
    *flags = 2;
    return false;
}
