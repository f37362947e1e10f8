// Drawing of the toolbar: each button is rendered once into a cached image holding all its
// looks (one row per paint state) and afterwards only copied; the insert mark and the text
// overlays are drawn over the buttons.
#include "controls/ToolbarExModel.h"

#include "controls/FrameImage.h"
#include "uihelpers/DibPixels.h"
#include "uihelpers/ThemedDrawing.h"

#include <algorithm>

namespace {

const int kRows = 6;

bool IsChecked(int row)
{
    return row == 1 || row == 3 || row == 5;
}

// Checked and pressed looks (rows 1, 3 and 5) lie on the checked background.
COLORREF RowBackground(const ToolbarExBlock* block, int row)
{
    return IsChecked(row) ? block->palette[3] : block->palette[0];
}

void Fill(HDC dc, const RECT& r, COLORREF colour)
{
    const COLORREF old = ::SetBkColor(dc, colour);
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    ::SetBkColor(dc, old);
}

// The frame of a look: raised for hot, sunken for pressed or checked, none for the flat
// normal look.
void DrawFrame(ToolbarExBlock* block, DibImage* cache, HDC dc, const RECT& r, int row, bool flat, bool arrowPart)
{
    const bool sunken = IsChecked(row);
    const bool hot = row == 2 || row == 3;
    if (row == 0 && flat)
        return;
    if ((row == 4 || row == 5) && flat && !sunken)
        return;
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    if (w < 2 || h < 2)
        return;
    if (block->deepScreen && cache->biBitCount == 32) {
        DWORD kind = arrowPart ? FRAMEIMAGE_DROPDOWN : FRAMEIMAGE_BUTTON;
        if (row == 4 || row == 5)
            kind = FRAMEIMAGE_DISABLED;
        // The highlight colour marks the button under the mouse, pressed or not.
        const DWORD pressed = sunken ? DWORD(FRAMEIMAGE_SUNKEN) : DWORD(0);
        if (hot)
            DrawFrameImage(cache, r.left, r.top, w, h, FRAMEIMAGE_HIGHLIGHT | FRAMEIMAGE_ON_COLOUR | pressed,
                           block->palette[4]);
        DrawFrameImage(cache, r.left, r.top, w, h, kind | pressed);
    } else {
        RECT e = r;
        ::DrawEdge(dc, &e, sunken ? BDR_SUNKENOUTER : (hot ? BDR_RAISEDINNER : EDGE_RAISED), BF_RECT);
    }
}

// The image of the button for one look, made 32-bit and opaque where it is no background.
DibImage* WorkingImage(ToolbarExBlock* block, const ToolbarButton* b, int row, SIZE* drawn)
{
    int bm = -1;
    RECT place = {};
    if (b->image < 0 || !TbxImagePlace(block, b->image, &bm, &place))
        return nullptr;
    const ToolbarBitmap& entry = block->bitmaps[bm];
    const int w = place.right - place.left;
    const int h = place.bottom - place.top;
    void* bits = nullptr;
    DibImage* work = DibCreateBlank(nullptr, w, h, 32, &bits);
    if (!work)
        return nullptr;
    const void* sourceBits = DibGetBits(entry.image);
    if (entry.image->biBitCount == 32) {
        // Copied byte for byte: drawn through GDI, the alpha of a picture that carries its
        // own need not survive, and its transparent parts would be painted opaque.
        DibCopyRect(entry.image, work, 0, 0, w, h, place.left, place.top, 0);
    } else {
        DibDrawPart(entry.image, sourceBits, 0, 0, place.left, place.top, w, h, work);
    }
    const COLORREF rowBg = RowBackground(block, row);
    if (!(entry.flags & TBXB_ALPHA)) {
        // The bitmap's corner colour is its background; it takes the look's background and
        // every other pixel becomes opaque. The classic greys of such pictures stand for the
        // system's 3D colours, the corner's grey among them.
        DibMap3dColors(work, bits);
        const COLORREF key = MapSysColor3d(DibGetTopLeftColor(entry.image, sourceBits) & 0xFFFFFF) & 0xFFFFFF;
        DibReplaceColor(work, bits, key | 0x40000000, rowBg & 0xFFFFFF);
    }
    if (b->own & TBXF_COLOR) {
        COLORREF first = b->data & 0xFFFFFF;
        COLORREF second = block->keyColors[1];
        if (b->own & TBXF_COLOR565) {
            auto expand = [](DWORD c) {
                return RGB(((c >> 11) & 0x1F) * 255 / 31, ((c >> 5) & 0x3F) * 255 / 63, (c & 0x1F) * 255 / 31);
            };
            first = expand(b->data & 0xFFFF);
            second = expand(b->data >> 16);
            DibReplaceColor(work, bits, block->keyColors[1] & 0xFFFFFF, second | 0xFF000000);
        }
        DibReplaceColor(work, bits, block->keyColors[0] & 0xFFFFFF, first | 0xFF000000);
    }
    if (row == 4 || row == 5)
        DibColorize(work, bits, block->palette[0], 0x80000000 | (rowBg & 0xFFFFFF));
    SIZE size = TbxScaledImageSize(block, bm, {w, h});
    if ((size.cx != w || size.cy != h) && size.cx > 0 && size.cy > 0) {
        void* scaledBits = nullptr;
        DibImage* scaled = DibCreateBlank(nullptr, size.cx, size.cy, 32, &scaledBits);
        if (scaled && DibStretch(scaled, scaledBits, work, bits, 0, 0, w, h, 0, 0, size.cx, size.cy)) {
            DibFree(work);
            work = scaled;
        } else {
            if (scaled)
                DibFree(scaled);
            size = {w, h};
        }
    }
    *drawn = size;
    return work;
}

void DrawImage(ToolbarExBlock* block, DibImage* cache, HDC dc, DibImage* work, int x, int y)
{
    const int w = work->biWidth;
    const int h = std::abs(work->biHeight);
    if (block->deepScreen && cache->biBitCount == 32) {
        if (x < 0 || y < 0)
            return;
        DibAlphaBlend(cache, nullptr, static_cast<UINT>(x), static_cast<UINT>(y), work, nullptr, 0, 0, w, h);
        return;
    }
    // A palette screen: the opaque pixels are copied, the background stays.
    const DWORD* p = static_cast<const DWORD*>(DibGetBits(work));
    for (int row = 0; row < h; ++row) {
        const DWORD* line = p + static_cast<size_t>(h - 1 - row) * w;
        for (int col = 0; col < w; ++col) {
            if (line[col] >> 24)
                ::SetPixelV(dc, x + col, y + row,
                            RGB((line[col] >> 16) & 0xFF, (line[col] >> 8) & 0xFF, line[col] & 0xFF));
        }
    }
}

}  // namespace

int TbxLookRow(const ToolbarButton* b, int state)
{
    int row = state > 5 ? state - 4 : state;
    if (b->own & TBXF_NOCHECKLOOK)
        row &= ~1;
    if ((b->own & TBXF_NODISABLEDLOOK) && row >= 4)
        row -= 4;
    if ((b->own & TBXF_NOHOTLOOK) && (row == 2 || row == 3))
        row -= 2;
    return row;
}

void TbxRenderButton(ToolbarExBlock* block, int index)
{
    if (index < 0 || index >= block->buttonCount)
        return;
    ToolbarButton* b = block->buttons[index];
    b->paint &= static_cast<WORD>(~TBXP_REBUILD);
    const int w = b->rect.right - b->rect.left;
    const int h = b->rect.bottom - b->rect.top;
    const bool separator = (b->style & BTNS_SEP) != 0;
    const ToolbarString* text = TbxString(block, b->string);
    const bool controlOnly = (b->own & TBXF_CONTROL) && !text;
    if (w < 1 || h < 1 || controlOnly || h * kRows > 65535) {
        if (b->cache)
            DibFree(b->cache);
        b->cache = nullptr;
        b->cacheRows = 0;
        return;
    }
    const int rows = separator ? 1 : kRows;
    if (b->cache && (b->cache->biWidth != w || std::abs(b->cache->biHeight) != h * rows ||
                     (b->cache->biBitCount == 32) != (block->deepScreen != 0))) {
        DibFree(b->cache);
        b->cache = nullptr;
    }
    if (!b->cache) {
        void* bits = nullptr;
        b->cache = DibCreateBlank(nullptr, w, h * rows, block->deepScreen ? 32 : block->screenBits, &bits);
        if (!b->cache)
            return;
    }
    b->cacheRows = rows;
    HDC dc = DibGetDC(b->cache);
    if (!dc)
        return;
    HGDIOBJ oldFont = ::SelectObject(dc, TbxFont(block));
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const bool flat = ((block->style & TBXS_FLAT) || (b->own & TBXF_FLAT)) && !(b->own & TBXF_NEVERFLAT);
    const int arrow = b->packedWidth >> 10;
    const int content = b->packedWidth & 0x3FF;
    for (int row = 0; row < rows; ++row) {
        const RECT cell = {0, row * h, w, row * h + h};
        Fill(dc, cell, RowBackground(block, row));
        ::GdiFlush();
        if (separator) {
            // An etched line across the middle.
            if (block->vertical) {
                const int y = cell.top + h / 2 - 1;
                Fill(dc, {cell.left + 2, y, cell.right - 2, y + 1}, ::GetSysColor(COLOR_BTNSHADOW));
                Fill(dc, {cell.left + 2, y + 1, cell.right - 2, y + 2}, RGB(255, 255, 255));
            } else {
                const int x = w / 2 - 1;
                Fill(dc, {x, cell.top + 2, x + 1, cell.bottom - 2}, ::GetSysColor(COLOR_BTNSHADOW));
                Fill(dc, {x + 1, cell.top + 2, x + 2, cell.bottom - 2}, RGB(255, 255, 255));
            }
            ::GdiFlush();
            continue;
        }
        RECT inner = {cell.left + block->gap[0] / 2, cell.top + block->gap[1] / 2,
                      std::min<int>(cell.right, cell.left + content), cell.bottom - block->gap[1] / 2};
        if (b->own & (TBXF_LABEL | TBXF_LABEL2)) {
            // Label cells show their text only.
        } else {
            DrawFrame(block, b->cache, dc, inner, row, flat, false);
            if (arrow > 0) {
                const RECT arrowRect = {inner.right, inner.top, std::min<int>(cell.right, inner.right + arrow),
                                        inner.bottom};
                DrawFrame(block, b->cache, dc, arrowRect, row, flat, true);
                ::GdiFlush();
                if (block->deepScreen) {
                    const UINT state = row >= 4 ? 4 : (IsChecked(row) ? 3 : (row == 2 ? 2 : 1));
                    DrawThemedGlyph(dc, &arrowRect, GLYPH_DROP_ARROW | state, 0);
                } else {
                    RECT a = arrowRect;
                    UINT f = DFCS_SCROLLDOWN | DFCS_FLAT;
                    if (row >= 4)
                        f |= DFCS_INACTIVE;
                    else if (IsChecked(row))
                        f |= DFCS_PUSHED;
                    else if (row == 2)
                        f |= DFCS_HOT;
                    ::DrawFrameControl(dc, &a, DFC_SCROLL, f);
                }
            }
        }
        ::GdiFlush();
        RECT textRect = inner;
        const int textRow = std::max(block->textHeight, block->sampleHeight) + 1;
        SIZE drawn = {};
        DibImage* work = (b->paint & TBXP_IMAGE) ? WorkingImage(block, b, row, &drawn) : nullptr;
        if (work) {
            RECT room = inner;
            if (b->paint & (TBXP_TEXTBELOW | TBXP_TEXTROW))
                room.bottom -= textRow;
            if (b->paint & TBXP_TEXTRIGHT)
                room.right = room.left + drawn.cx + 2;
            int x = (room.left + room.right - drawn.cx) / 2;
            int y = (room.top + room.bottom - drawn.cy) / 2;
            if (IsChecked(row)) {
                x += block->padding.cx > 4 ? 1 : 0;
                y += block->padding.cy > 4 ? 1 : 0;
            }
            DrawImage(block, b->cache, dc, work, x, y);
            DibFree(work);
            if (b->paint & TBXP_TEXTBELOW)
                textRect.top = textRect.bottom - textRow;
            else if (b->paint & TBXP_TEXTRIGHT)
                textRect.left = room.right;
        }
        if (text && text->length) {
            UINT format = DT_SINGLELINE | ((b->paint & TBXP_TEXTRIGHT) ? DT_VCENTER : DT_CENTER | DT_VCENTER);
            if (b->style & BTNS_NOPREFIX)
                format |= DT_NOPREFIX;
            if (row >= 4) {
                DrawDisabledTextW(dc, text->text, text->length, &textRect, format);
            } else {
                const COLORREF old = ::SetTextColor(dc, block->palette[2]);
                ::DrawTextW(dc, text->text, text->length, &textRect, format);
                ::SetTextColor(dc, old);
            }
        }
        ::GdiFlush();
    }
    ::SetBkMode(dc, oldMode);
    ::SelectObject(dc, oldFont);
}

namespace {

// Whether the cached looks were drawn for the cell the button has now: a layout may give a
// button another height (its row grew or shrank) without anything about the button itself
// changing, and looks copied from a cache of another height would come out of the wrong rows.
bool CacheFitsCell(const ToolbarButton* b)
{
    if (!b->cache)
        return false;
    const int w = b->rect.right - b->rect.left;
    const int h = b->rect.bottom - b->rect.top;
    return b->cache->biWidth == w && std::abs(b->cache->biHeight) == h * b->cacheRows;
}

void BlitButton(ToolbarExBlock* block, HDC target, int index)
{
    ToolbarButton* b = block->buttons[index];
    if (!b->cache)
        return;
    HDC source = DibGetDC(b->cache);
    if (!source)
        return;
    const int w = b->rect.right - b->rect.left;
    const int h = b->rect.bottom - b->rect.top;
    if (b->cacheRows == 1) {
        ::BitBlt(target, b->rect.left, b->rect.top, w, h, source, 0, 0, SRCCOPY);
        return;
    }
    const int state = b->paint & TBXP_STATE_MASK;
    const int arrow = b->packedWidth >> 10;
    const int content = std::min(w, static_cast<int>(b->packedWidth & 0x3FF));
    if (!(b->style & BTNS_DROPDOWN) || arrow == 0) {
        ::BitBlt(target, b->rect.left, b->rect.top, w, h, source, 0, TbxLookRow(b, state) * h, SRCCOPY);
        return;
    }
    // The main and the arrow part of a drop-down button can show different looks.
    int mainRow;
    int arrowRow;
    if (state >= 6) {
        mainRow = state - 4;
        arrowRow = block->arrowPressed ? 3 : 2;
    } else if (state >= 4) {
        mainRow = arrowRow = state;
    } else {
        mainRow = state;
        arrowRow = state <= 1 ? 0 : 1;
    }
    mainRow = TbxLookRow(b, mainRow);
    arrowRow = TbxLookRow(b, arrowRow);
    ::BitBlt(target, b->rect.left, b->rect.top, content, h, source, 0, mainRow * h, SRCCOPY);
    ::BitBlt(target, b->rect.left + content, b->rect.top, w - content, h, source, content, arrowRow * h, SRCCOPY);
}

void DrawInsertMark(ToolbarExBlock* block, HDC dc)
{
    const RECT& r = block->insertRect;
    if (block->insertMark < 0 || r.right <= r.left || r.bottom <= r.top)
        return;
    const COLORREF c = block->palette[5];
    if (block->vertical) {
        const int y = (r.top + r.bottom) / 2 - 1;
        Fill(dc, {r.left, y, r.right, y + 2}, c);
        Fill(dc, {r.left, r.top, r.left + 2, r.bottom}, c);
        Fill(dc, {r.right - 2, r.top, r.right, r.bottom}, c);
    } else {
        const int x = (r.left + r.right) / 2 - 1;
        Fill(dc, {x, r.top, x + 2, r.bottom}, c);
        Fill(dc, {r.left, r.top, r.right, r.top + 2}, c);
        Fill(dc, {r.left, r.bottom - 2, r.right, r.bottom}, c);
    }
}

void DrawOverlays(ToolbarExBlock* block, HDC dc)
{
    for (ToolbarOverlay* item = block->overlays; item; item = item->next) {
        const int length = static_cast<int>(wcslen(item->text));
        RECT box = {0, 0, 0, 0};
        ::DrawTextW(dc, item->text, length, &box, DT_CALCRECT | DT_EXPANDTABS);
        if (item->flags & 0x80) {
            const int w = box.right - box.left;
            const int h = box.bottom - box.top;
            const int index = TbxResolve(block, item->ref, true);
            RECT anchor = {0, 0, 0, 0};
            int x = 0;
            int y = 0;
            if (index >= 0) {
                anchor = block->buttons[index]->rect;
                switch (item->flags & 3) {
                case 1:
                    x = (anchor.left + anchor.right + 2 - w) / 2;
                    break;
                case 2:
                    x = anchor.right - w - 2;
                    break;
                default:
                    x = anchor.left;
                    break;
                }
                switch (item->flags & 0x0C) {
                case 4:
                    y = (anchor.top + anchor.bottom - h) / 2;
                    break;
                case 8:
                    y = anchor.bottom - h;
                    break;
                default:
                    y = anchor.top;
                    break;
                }
                x += item->dx;
                y += item->dy;
            }
            item->x = static_cast<short>(x);
            item->y = static_cast<short>(y);
            item->flags &= static_cast<BYTE>(~0x80);
        }
        ::OffsetRect(&box, item->x, item->y);
        box.right += 1;
        if (block->palette[6] != static_cast<COLORREF>(-2))
            Fill(dc, box, block->palette[6]);
        const COLORREF oldText = ::SetTextColor(dc, block->palette[7]);
        const int oldMode = ::SetBkMode(dc, TRANSPARENT);
        ::TabbedTextOutW(dc, item->x, item->y, item->text, length, 0, nullptr, item->x);
        ::SetBkMode(dc, oldMode);
        ::SetTextColor(dc, oldText);
        if (block->palette[8] != static_cast<COLORREF>(-2)) {
            HBRUSH frame = ::CreateSolidBrush(block->palette[8]);
            RECT outer = box;
            ::InflateRect(&outer, 1, 1);
            ::FrameRect(dc, &outer, frame);
            ::DeleteObject(frame);
        }
    }
}

}  // namespace

void TbxPaint(ToolbarExBlock* block, HDC dc, const RECT* update)
{
    TbxLayout(block);
    RECT client = {0, 0, block->clientWidth, block->clientHeight};
    if (block->window)
        ::GetClientRect(block->window, &client);
    const int w = std::max<int>(1, client.right);
    const int h = std::max<int>(1, client.bottom);
    HDC mem = ::CreateCompatibleDC(dc);
    HBITMAP bitmap = ::CreateCompatibleBitmap(dc, w, h);
    if (!mem || !bitmap) {
        if (bitmap)
            ::DeleteObject(bitmap);
        if (mem)
            ::DeleteDC(mem);
        return;
    }
    HGDIOBJ oldBitmap = ::SelectObject(mem, bitmap);
    HGDIOBJ oldFont = ::SelectObject(mem, TbxFont(block));
    Fill(mem, client, block->palette[0]);
    for (int i = 0; i < block->buttonCount; ++i) {
        ToolbarButton* b = block->buttons[i];
        if (b->state & TBSTATE_HIDDEN)
            continue;
        RECT meet;
        if (update && !::IntersectRect(&meet, &b->rect, update))
            continue;
        if ((b->paint & TBXP_REBUILD) || !CacheFitsCell(b))
            TbxRenderButton(block, i);
        BlitButton(block, mem, i);
    }
    DrawInsertMark(block, mem);
    DrawOverlays(block, mem);
    ::BitBlt(dc, 0, 0, w, h, mem, 0, 0, SRCCOPY);
    ::SelectObject(mem, oldFont);
    ::SelectObject(mem, oldBitmap);
    ::DeleteObject(bitmap);
    ::DeleteDC(mem);
}
