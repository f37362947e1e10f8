// "FastList": painting, fonts, check-box images and the drag image.
#include "controls/FastListImpl.h"

#include "uihelpers/AttrText.h"
#include "uihelpers/UiFonts.h"

#include <algorithm>
#include <cstring>
#include <vssym32.h>

namespace {

const int kGlyphWidth = 16;

// Class resources, made for the first live window and freed after the last.
HPEN g_focusPen = nullptr;
HTHEME g_treeTheme = nullptr;
bool g_treeThemeTried = false;

void FillRectColour(HDC dc, const RECT& r, COLORREF colour)
{
    // A rectangle filled by an opaque empty text output: no brush to make.
    ::SetBkColor(dc, colour);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void Bar(HDC dc, int left, int top, int right, int bottom)
{
    if (right > left && bottom > top)
        ::Rectangle(dc, left, top, right + 1, bottom + 1);   // the null pen draws one pixel less
}

// One tree glyph in its 16-pixel cell.
void DrawGlyph(HDC dc, const RECT& cell, unsigned char code)
{
    const int cx = (cell.left + cell.right) / 2 - 1;
    const int cy = (cell.top + cell.bottom) / 2 - 1;
    HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(GRAY_BRUSH));
    HGDIOBJ oldPen = ::SelectObject(dc, ::GetStockObject(NULL_PEN));
    switch (code & 7) {
    case 1: Bar(dc, cx, cell.top, cx + 2, cell.bottom); break;
    case 2: Bar(dc, cx, cell.top, cx + 2, cy + 2); Bar(dc, cx, cy, cell.right, cy + 2); break;
    case 3: Bar(dc, cx, cell.top, cx + 2, cell.bottom); Bar(dc, cx, cy, cell.right, cy + 2); break;
    case 4: Bar(dc, cell.left, cy, cell.right, cy + 2); break;
    case 5: Bar(dc, cx, cy, cx + 2, cell.bottom); Bar(dc, cx, cy, cell.right, cy + 2); break;
    case 6: Bar(dc, cx, cy, cx + 2, cell.bottom); Bar(dc, cell.left, cy, cell.right, cy + 2); break;
    case 7: Bar(dc, cx, cy, cell.right, cy + 2); break;
    default: break;
    }
    ::SelectObject(dc, oldPen);
    ::SelectObject(dc, oldBrush);
    if (code < 8)
        return;
    const bool open = code < 16;
    RECT box = {cx - 3, cy - 3, cx + 6, cy + 6};
    const ControlThemeApi& theme = g_fastListClass.Theme();
    if (!g_treeThemeTried && theme.OpenThemeData) {
        g_treeThemeTried = true;
        g_treeTheme = theme.OpenThemeData(nullptr, L"TREEVIEW");
    }
    if (g_treeTheme && theme.DrawThemeBackground &&
        SUCCEEDED(theme.DrawThemeBackground(g_treeTheme, dc, TVP_GLYPH, open ? GLPS_OPENED : GLPS_CLOSED, &box, nullptr)))
        return;
    HGDIOBJ brush = ::SelectObject(dc, ::GetStockObject(WHITE_BRUSH));
    HGDIOBJ pen = ::SelectObject(dc, ::GetStockObject(BLACK_PEN));
    ::Rectangle(dc, box.left, box.top, box.right, box.bottom);
    ::SelectObject(dc, ::GetStockObject(NULL_PEN));
    ::SelectObject(dc, ::GetStockObject(BLACK_BRUSH));
    Bar(dc, box.left + 2, cy + 1, box.right - 3, cy + 1);
    if (!open)
        Bar(dc, cx + 1, box.top + 2, cx + 1, box.bottom - 3);
    ::SelectObject(dc, pen);
    ::SelectObject(dc, brush);
}

// A check box of the own images: themed, or from the image list (0 unchecked, 1 checked).
void DrawCheck(FastListBlock* b, HDC dc, int slot, int x, int y, UINT stateImage, bool hot)
{
    const FastListImages& images = b->images[slot];
    if (!images.list || stateImage == 0)
        return;
    if (images.list == kThemedBoxes) {
        const ControlThemeApi& theme = g_fastListClass.Theme();
        if (!b->theme && theme.OpenThemeData)
            b->theme = theme.OpenThemeData(b->window, L"BUTTON");
        if (b->theme && theme.DrawThemeBackground) {
            int state = stateImage >= 2 ? (hot ? CBS_CHECKEDHOT : CBS_CHECKEDNORMAL)
                                        : (hot ? CBS_UNCHECKEDHOT : CBS_UNCHECKEDNORMAL);
            RECT r = {x + 1, y + 1, x + images.cx - 2, y + images.cy - 2};
            theme.DrawThemeBackground(b->theme, dc, BP_CHECKBOX, state, &r, nullptr);
        }
        return;
    }
    ImageList_Draw(images.list, static_cast<int>(stateImage) - 1, dc, x, y, ILD_NORMAL);
}

// Draws text into a cell: aligned two pixels in from its edges, ending in "..." when it does
// not fit.
void DrawCellText(FastListBlock* b, HDC dc, const RECT& cell, int align, const char* text, int length, bool bold,
                  COLORREF textColour, COLORREF background)
{
    HFONT fonts[4] = {b->fonts[bold ? 1 : 0], b->fonts[1], b->fonts[2], b->fonts[3]};
    HGDIOBJ oldFont = ::SelectObject(dc, fonts[0] ? fonts[0] : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetTextColor(dc, textColour);
    ::SetBkColor(dc, background);
    const int room = std::max(0, static_cast<int>(cell.right - cell.left) - 4);
    const int y = cell.top + std::max(0, (static_cast<int>(cell.bottom - cell.top) - b->fontHeight) / 2);
    SIZE size = {0, 0};
    int fit = length;
    if (length > 0)
        MeasureAttrTextA(dc, text, length, 0x7FFFFFFF, nullptr, nullptr, &size, nullptr, fonts);
    RECT clip = cell;
    if (size.cx <= room || length == 0) {
        UINT ta = align == 2 ? TA_RIGHT : (align == 1 ? TA_CENTER : TA_LEFT);
        int x = align == 2 ? cell.right - 2 : (align == 1 ? (cell.left + cell.right) / 2 : cell.left + 2);
        ::SetTextAlign(dc, ta | TA_TOP);
        if (length > 0)
            DrawAttrTextA(dc, x, y, ETO_CLIPPED | ETO_OPAQUE, &clip, text, length, nullptr, b->attrColours, fonts);
        ::SetTextAlign(dc, TA_LEFT | TA_TOP);
        ::SelectObject(dc, oldFont);
        return;
    }
    const int dots = b->ellipsis[bold ? 1 : 0];
    fit = 0;
    MeasureAttrTextA(dc, text, length, std::max(0, room - dots), &fit, nullptr, &size, nullptr, fonts);
    SIZE part = {0, 0};
    if (fit > 0)
        ::GetTextExtentPoint32A(dc, text, fit, &part);
    ::SetTextAlign(dc, TA_LEFT | TA_TOP);
    int x = cell.left + 2;
    // The characters that fit before "..." are kept whenever the room left for them is worth
    // drawing at all; only a cell narrower than "..." and three pixels shows the dots alone.
    if (room - dots >= 3 && fit > 0) {
        // Without attribute bytes the drawing answers only success: the end is measured.
        RECT front = clip;
        front.right = std::min<LONG>(x + part.cx, clip.right);
        DrawAttrTextA(dc, x, y, ETO_CLIPPED | ETO_OPAQUE, &front, text, fit, nullptr, b->attrColours, fonts);
        x = front.right;
        clip.left = front.right;
    }
    ::ExtTextOutW(dc, x, y, ETO_CLIPPED | ETO_OPAQUE, &clip, L"...", 3, nullptr);
    ::SelectObject(dc, oldFont);
}

}  // namespace

void FastListMakeClassResources()
{
    LOGBRUSH lb = {BS_SOLID, ::GetSysColor(COLOR_BTNSHADOW), 0};
    g_focusPen = ::ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &lb, 0, nullptr);
    if (!g_focusPen)
        g_focusPen = ::CreatePen(PS_DOT, 1, RGB(0, 0, 0));
}

void FastListFreeClassResources()
{
    if (g_focusPen)
        ::DeleteObject(g_focusPen);
    g_focusPen = nullptr;
    const ControlThemeApi& theme = g_fastListClass.Theme();
    if (g_treeTheme && theme.CloseThemeData)
        theme.CloseThemeData(g_treeTheme);
    g_treeTheme = nullptr;
    g_treeThemeTried = false;
}

void FastListMakeFonts(FastListBlock* b, HFONT font)
{
    if (b->ownFonts && b->fonts[1])
        ::DeleteObject(b->fonts[1]);
    b->ownFonts = false;
    if (font) {
        b->fonts[0] = font;
        LOGFONTA lf = {};
        if (::GetObjectA(font, sizeof lf, &lf)) {
            lf.lfWeight = FW_BOLD;
            b->fonts[1] = ::CreateFontIndirectA(&lf);
            b->ownFonts = b->fonts[1] != nullptr;
        }
        if (!b->fonts[1])
            b->fonts[1] = font;
    } else {
        b->fonts[0] = GetUiFont(0);
        b->fonts[1] = GetUiFont(1);
    }
    b->fonts[2] = GetUiFont(2) ? GetUiFont(2) : b->fonts[0];
    b->fonts[3] = GetUiFont(3) ? GetUiFont(3) : b->fonts[1];
    HDC dc = ::GetDC(b->window);
    for (int k = 0; k < 2; ++k) {
        HGDIOBJ old = ::SelectObject(dc, b->fonts[k] ? b->fonts[k] : ::GetStockObject(DEFAULT_GUI_FONT));
        TEXTMETRICA tm = {};
        ::GetTextMetricsA(dc, &tm);
        if (k == 0)
            b->fontHeight = tm.tmHeight;
        SIZE dots = {0, 0};
        ::GetTextExtentPoint32A(dc, "...", 3, &dots);
        b->ellipsis[k] = dots.cx;
        ::SelectObject(dc, old);
    }
    ::ReleaseDC(b->window, dc);
    if (b->header && b->fonts[0])
        ::SendMessageA(b->header, WM_SETFONT, reinterpret_cast<WPARAM>(b->fonts[0]), FALSE);
}

int FastListCellTextWidth(FastListBlock* b, HDC dc, const char* text, int length, bool bold)
{
    if (length <= 0)
        return 0;
    HGDIOBJ old = ::SelectObject(dc, b->fonts[bold ? 1 : 0] ? b->fonts[bold ? 1 : 0] : ::GetStockObject(DEFAULT_GUI_FONT));
    SIZE size = {0, 0};
    ::GetTextExtentPoint32A(dc, text, length, &size);
    ::SelectObject(dc, old);
    return size.cx;
}

void FastListBuildCheckImages(FastListBlock* b, int slot)
{
    FastListImages& images = b->images[slot];
    if (images.owned && images.list && images.list != kThemedBoxes)
        ImageList_Destroy(images.list);
    images = FastListImages();
    const ControlThemeApi& theme = g_fastListClass.Theme();
    if (theme.module && theme.OpenThemeData && theme.DrawThemeBackground && theme.GetThemePartSize) {
        if (!b->theme)
            b->theme = theme.OpenThemeData(b->window, L"BUTTON");
        SIZE size = {13, 13};
        if (b->theme) {
            HDC dc = ::GetDC(b->window);
            theme.GetThemePartSize(b->theme, dc, BP_CHECKBOX, CBS_UNCHECKEDNORMAL, nullptr, TS_TRUE, &size);
            ::ReleaseDC(b->window, dc);
            images.list = kThemedBoxes;
            images.cx = size.cx + 3;
            images.cy = size.cy + 3;
        }
    }
    if (!images.list) {
        // Classic boxes: unchecked and checked, drawn by the system in its colours.
        HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 0);
        HDC screen = ::GetDC(nullptr);
        HDC dc = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 32, 16);
        ::ReleaseDC(nullptr, screen);
        if (list && dc && bitmap) {
            HGDIOBJ old = ::SelectObject(dc, bitmap);
            RECT all = {0, 0, 32, 16};
            ::FillRect(dc, &all, ::GetSysColorBrush(COLOR_WINDOW));
            RECT box = {1, 1, 15, 15};
            ::DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT);
            ::OffsetRect(&box, 16, 0);
            ::DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_FLAT);
            ::SelectObject(dc, old);
            ImageList_AddMasked(list, bitmap, ::GetSysColor(COLOR_WINDOW));
            images.list = list;
            images.cx = images.cy = 16;
            images.owned = true;
        } else if (list) {
            ImageList_Destroy(list);
        }
        if (bitmap)
            ::DeleteObject(bitmap);
        if (dc)
            ::DeleteDC(dc);
    }
    if (slot == FLIL_CHECK)
        b->ownCheckImages = images.list != nullptr;
    else
        b->ownStateImages = images.list != nullptr;
    FastListRecomputeRowHeight(b);
}

void FastListPaint(FastListBlock* b, HDC dc, const RECT& clip)
{
    FL_LOCK(b);
    const bool disabledLook = !b->enabled && (b->exStyle & FLS_EX_DISABLEDLOOK);
    const COLORREF areaBk = disabledLook ? b->colours[11] : b->colours[0];
    const bool alternate = (b->exStyle & FLS_EX_ALTERNATE) != 0;
    const bool fullRow = (b->exStyle & LVS_EX_FULLROWSELECT) != 0;
    const bool grid = (b->exStyle & LVS_EX_GRIDLINES) != 0;
    const bool hooked = b->paintHook && b->margin > 0;
    const int itemTop = b->headerHeight;
    RECT empty = {0, 0, 0, 0};
    if (hooked)
        b->paintHook(b->paintContext, 0, -1, 0, dc, &empty);
    ::SetBkMode(dc, OPAQUE);
    // The header area holds pixels of the list's own too: the corner left of a header that
    // starts at the margin, and the whole band where no header is shown (the extra height
    // of a list without one, or before its first column). The window class has no
    // background brush, so left alone they would keep black or old pixels.
    if (itemTop > 0 && clip.top < itemTop) {
        const bool headerShown = b->header && !(b->style & LVS_NOCOLUMNHEADER);
        const int uncovered = headerShown ? std::min(std::max(b->margin - b->originX, 0), b->clientWidth) : b->clientWidth;
        if (uncovered > 0)
            FillRectColour(dc, RECT{0, 0, uncovered, std::min(itemTop, b->clientHeight)}, b->colours[3]);
    }
    // Only the rows that meet the paint rectangle are visited: the owner's text callback is
    // not asked for rows that stay as they are on the screen.
    const int rowHeight = std::max(1, b->rowHeight);
    const int skip = clip.top > itemTop ? (clip.top - itemTop) / rowHeight : 0;
    const int paintBottom = std::min<int>(b->clientHeight, clip.bottom);
    int y = itemTop + skip * rowHeight;
    int item = b->top + skip;
    const std::vector<int>& edges = b->columns.Edges();
    const int rowRight = b->margin + b->columns.TotalWidth() - b->originX;
    for (; item < b->items.Count() && y < paintBottom; ++item, y += rowHeight) {
        const FastListItem it = b->items[item];
        const bool odd = (item & 1) != 0;
        COLORREF rowBk = disabledLook ? b->colours[11] : (alternate && odd ? b->colours[1] : b->colours[0]);
        const COLORREF gridColour = alternate ? (odd ? b->colours[9] : b->colours[10]) : b->colours[8];
        const bool selected = (it.state & LVIS_SELECTED) != 0;
        if (selected && fullRow)
            rowBk = alternate && !odd ? b->colours[7] : b->colours[6];
        if (hooked) {
            RECT marginRect = {0, y, b->margin, y + b->rowHeight};
            DWORD fill = b->paintHook(b->paintContext, it.data, item, it.state, dc, &marginRect);
            // Past-the-end read mended: the low four bits reach 15, the table ends at 12.
            if (fill != 0xFFFFFFFFu)
                FillRectColour(dc, marginRect, (fill & 0x80000000u) ? b->colours[std::min(fill & 0xF, 12ul)] : fill);
            if (!b->items.Valid(item))
                break;   // the hook changed the list
        } else if (b->margin > 0) {
            // A margin without a hook to draw it still gets the list's background.
            FillRectColour(dc, RECT{0, y, b->margin, y + b->rowHeight}, areaBk);
        }
        for (size_t p = 0; p + 1 < edges.size(); ++p) {
            const int column = b->columns.ColumnAt(static_cast<int>(p));
            const FastListColumn& col = b->columns[column];
            RECT cell = {b->margin + edges[p] - b->originX, y, b->margin + edges[p + 1] - b->originX, y + b->rowHeight};
            if (cell.right <= cell.left || cell.right <= b->margin || cell.left >= b->clientWidth ||
                cell.right <= clip.left || cell.left >= clip.right)
                continue;
            RECT inner = cell;
            inner.left = std::max<LONG>(inner.left, b->margin);
            if (grid) {
                inner.right -= 1;
                inner.bottom -= 1;
            }
            FastListTextRequest r = FastListAskCell(b, item, column);
            COLORREF bk = col.flagged ? (selected && fullRow ? b->colours[12] : b->colours[2]) : rowBk;
            COLORREF fg = b->colours[4];
            FillRectColour(dc, inner, bk);
            int x = inner.left;
            const char* text = r.text;
            int length = r.length;
            if (column == 0) {
                int glyphs = 0;
                while (glyphs < length && static_cast<unsigned char>(text[glyphs]) < 24) {
                    RECT g = {x + glyphs * kGlyphWidth, inner.top, x + (glyphs + 1) * kGlyphWidth, inner.bottom};
                    DrawGlyph(dc, g, static_cast<unsigned char>(text[glyphs]));
                    ++glyphs;
                }
                text += glyphs;
                length -= glyphs;
                x += glyphs * kGlyphWidth;
                if ((b->exStyle & LVS_EX_CHECKBOXES) && b->images[FLIL_CHECK].list) {
                    const FastListImages& check = b->images[FLIL_CHECK];
                    DrawCheck(b, dc, FLIL_CHECK, x, inner.top + (b->rowHeight - check.cy) / 2, (it.state >> 12) & 0xF,
                              b->hotCheck == item);
                    x += check.cx;
                }
            } else if ((col.kind == 6 || col.kind == 7) && b->images[FLIL_STATE2].list) {
                const FastListImages& state = b->images[FLIL_STATE2];
                DrawCheck(b, dc, FLIL_STATE2, x, inner.top + (b->rowHeight - state.cy) / 2, (r.state >> 12) & 0xF, false);
                x += state.cx;
            }
            if (r.image >= 0 && b->images[FLIL_ITEM].list && (column == 0 || col.kind < 6)) {
                const FastListImages& images = b->images[FLIL_ITEM];
                UINT style = ILD_NORMAL | INDEXTOOVERLAYMASK((it.state & LVIS_OVERLAYMASK) >> 8);
                if (it.state & LVIS_CUT)
                    style |= ILD_BLEND50;
                ImageList_Draw(images.list, r.image, dc, x, inner.top + (b->rowHeight - images.cy) / 2, style);
                x += images.cx + 1;
            }
            RECT textRect = {x, inner.top, inner.right, inner.bottom};
            if (selected && !fullRow && column == 0 && textRect.right > textRect.left) {
                // Without full-row select only the first cell's text shows the selection.
                bk = b->focused ? ::GetSysColor(COLOR_HIGHLIGHT) : ::GetSysColor(COLOR_BTNFACE);
                fg = b->focused ? ::GetSysColor(COLOR_HIGHLIGHTTEXT) : b->colours[4];
                FillRectColour(dc, textRect, bk);
            }
            if (textRect.right > textRect.left)
                DrawCellText(b, dc, textRect, col.align, text, std::max(length, 0), (r.state & 0x80) != 0, fg, bk);
            if (grid) {
                ::SetDCBrushColor(dc, gridColour);
                HGDIOBJ brush = ::SelectObject(dc, ::GetStockObject(DC_BRUSH));
                HGDIOBJ pen = ::SelectObject(dc, ::GetStockObject(NULL_PEN));
                ::Rectangle(dc, cell.right - 1, cell.top, cell.right + 1, cell.bottom + 1);
                ::Rectangle(dc, cell.left, cell.bottom - 1, cell.right + 1, cell.bottom + 1);
                ::SelectObject(dc, pen);
                ::SelectObject(dc, brush);
            }
        }
        // Right of the last column: the list's background, not the row's alternating or
        // selection colour, which belong to the cells.
        if (rowRight < b->clientWidth)
            FillRectColour(dc, RECT{std::max(rowRight, b->margin), y, b->clientWidth, y + b->rowHeight}, areaBk);
        if (item == b->index.focus && b->focused && g_focusPen) {
            RECT focus = {std::max(b->margin, b->margin - b->originX), y,
                          std::min(rowRight, b->clientWidth), y + b->rowHeight};
            if ((b->exStyle & FLS_EX_CELLFOCUS) && b->columns.Valid(b->focusColumn)) {
                int p = b->columns.PositionOf(b->focusColumn);
                focus.left = b->margin + edges[p] - b->originX;
                focus.right = b->margin + edges[p + 1] - b->originX;
            }
            HGDIOBJ pen = ::SelectObject(dc, g_focusPen);
            HGDIOBJ brush = ::SelectObject(dc, ::GetStockObject(HOLLOW_BRUSH));
            ::Rectangle(dc, focus.left, focus.top, focus.right, focus.bottom);
            ::SelectObject(dc, brush);
            ::SelectObject(dc, pen);
        }
    }
    // Below the last row.
    if (y < paintBottom)
        FillRectColour(dc, RECT{0, y, b->clientWidth, paintBottom}, areaBk);
    if (hooked)
        b->paintHook(b->paintContext, 0, -1, 0, dc, &empty);
}

LRESULT FastListOnPaint(FastListBlock* b, HDC given)
{
    if (given) {
        RECT all = {0, 0, b->clientWidth, b->clientHeight};
        FastListPaint(b, given, all);
        return 0;
    }
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(b->window, &ps);
    if (!dc)
        return 0;
    const ControlThemeApi& theme = g_fastListClass.Theme();
    HDC buffered = nullptr;
    HPAINTBUFFER buffer = nullptr;
    // The buffer covers the paint rectangle only (its DC keeps the window's coordinates), so
    // rows outside it are neither drawn nor asked for their texts.
    if (theme.BeginBufferedPaint && theme.EndBufferedPaint && !::IsRectEmpty(&ps.rcPaint))
        buffer = theme.BeginBufferedPaint(dc, &ps.rcPaint, BPBF_COMPATIBLEBITMAP, nullptr, &buffered);
    if (buffer && buffered) {
        FastListPaint(b, buffered, ps.rcPaint);
        theme.EndBufferedPaint(buffer, TRUE);
    } else {
        FastListPaint(b, dc, ps.rcPaint);
    }
    ::EndPaint(b->window, &ps);
    return 0;
}

HIMAGELIST FastListCreateDragImage(FastListBlock* b, int item, POINT* pt)
{
    if (!b->items.Valid(item) || !b->columns.Valid(0))
        return nullptr;
    FastListTextRequest r = FastListAskCell(b, item, 0);
    int glyphs = 0;
    while (glyphs < r.length && static_cast<unsigned char>(r.text[glyphs]) < 24)
        ++glyphs;
    std::string text(r.text + glyphs, r.length - glyphs);
    HDC screen = ::GetDC(nullptr);
    const int imageWidth = (r.image >= 0 && b->images[FLIL_ITEM].list) ? b->images[FLIL_ITEM].cx + 2 : 0;
    const int width = std::min(240, std::max(1, imageWidth + FastListCellTextWidth(b, screen, text.data(),
                                                                                  static_cast<int>(text.size()), false) + 4));
    const int height = std::min(32, std::max(1, b->rowHeight));
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    ::ReleaseDC(nullptr, screen);
    HIMAGELIST list = nullptr;
    if (dc && bitmap) {
        HGDIOBJ old = ::SelectObject(dc, bitmap);
        RECT all = {0, 0, width, height};
        FillRectColour(dc, all, b->colours[0]);
        if (imageWidth)
            ImageList_Draw(b->images[FLIL_ITEM].list, r.image, dc, 0, (height - b->images[FLIL_ITEM].cy) / 2, ILD_NORMAL);
        RECT textRect = {imageWidth, 0, width, height};
        DrawCellText(b, dc, textRect, 0, text.data(), static_cast<int>(text.size()), false, b->colours[4], b->colours[0]);
        ::SelectObject(dc, old);
        list = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 1, 0);
        if (list)
            ImageList_AddMasked(list, bitmap, b->colours[0]);
    }
    if (bitmap)
        ::DeleteObject(bitmap);
    if (dc)
        ::DeleteDC(dc);
    if (pt && list) {
        RECT cell = FastListCellRect(b, item, 0);
        pt->x = cell.left + glyphs * kGlyphWidth;
        pt->y = cell.top;
    }
    return list;
}
