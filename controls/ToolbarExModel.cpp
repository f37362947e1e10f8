// The toolbar's tables: the block, buttons and their references, check groups, the string
// pool and the bitmap table with its separator scan.
#include "controls/ToolbarExModel.h"

#include "uihelpers/DibPixels.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>

namespace {

volatile LONG g_failAllocations = 0;

const int kMaxStringLength = 256;

bool IsReference(DWORD value)
{
    return (value >> 24) == 0x12;
}

}  // namespace

void TbxFailAllocations(int count)
{
    g_failAllocations = count;
}

void* TbxAlloc(size_t size)
{
    if (g_failAllocations > 0 && ::InterlockedDecrement(&g_failAllocations) >= 0)
        return nullptr;
    return ::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, size ? size : 1);
}

void TbxFree(void* p)
{
    if (p)
        ::HeapFree(::GetProcessHeap(), 0, p);
}

namespace {

// Grows a table of `T` to at least `need` entries; false when out of memory (the table stays).
template <class T>
bool GrowTable(T** table, int* capacity, int need, int newCapacity)
{
    if (need <= *capacity)
        return true;
    if (newCapacity < need)
        newCapacity = need;
    T* grown = static_cast<T*>(TbxAlloc(sizeof(T) * static_cast<size_t>(newCapacity)));
    if (!grown)
        return false;
    if (*table && *capacity > 0)
        std::memcpy(grown, *table, sizeof(T) * static_cast<size_t>(*capacity));
    TbxFree(*table);
    *table = grown;
    *capacity = newCapacity;
    return true;
}

}  // namespace

// --- the block

ToolbarExBlock* TbxNewBlock()
{
    void* memory = TbxAlloc(sizeof(ToolbarExBlock));
    if (!memory)
        return nullptr;
    ToolbarExBlock* block = new (memory) ToolbarExBlock();
    TbxInitDefaults(block, nullptr, 0);
    return block;
}

void TbxDefaultColors(ToolbarExBlock* block)
{
    const COLORREF defaults[8] = {::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_MENUTEXT),
                                  ::GetSysColor(COLOR_MENUTEXT), ::GetSysColor(COLOR_3DLIGHT),
                                  RGB(0xFF, 0xC0, 0x80), RGB(0, 0, 0),
                                  ::GetSysColor(COLOR_INFOBK), ::GetSysColor(COLOR_INFOTEXT)};
    for (int i = 0; i < 8; ++i) {
        if (!block->paletteSet[i])
            block->palette[i] = defaults[i];
    }
    if (!block->paletteSet[8])
        block->palette[8] = ((block->palette[6] >> 1) & 0x7F7F7F) + ((block->palette[7] >> 1) & 0x7F7F7F);
}

void TbxInitDefaults(ToolbarExBlock* block, HWND window, DWORD style)
{
    block->window = window;
    block->enabled = window ? (::IsWindowEnabled(window) ? 1 : 0) : 1;
    block->style = style;
    block->dirty = TBXD_LAYOUT | TBXD_SIZES | TBXD_ALL;
    block->scale = 256;
    block->minWidth = -1;
    block->maxWidth = -1;
    block->button = {23, 22};
    block->image = {16, 16};
    block->padding = {7, 7};
    block->gap[0] = 2;
    block->gap[1] = 4;
    block->keyColors[0] = 0xFF00FF;
    block->keyColors[1] = 0x800080;
    block->hot = -1;
    block->insertMark = -1;
    block->recordSize = 20;
    block->targets[0] = window ? ::GetParent(window) : nullptr;
    block->targets[1] = nullptr;
    block->targets[2] = nullptr;
    const int bits = DibScreenDepth();
    block->screenBits = static_cast<BYTE>(bits > 0 ? bits : 32);
    block->deepScreen = block->screenBits > 8 ? 1 : 0;
    block->vertical = (style & TBXS_VERTICAL) ? 1 : 0;
    TbxDefaultColors(block);
}

namespace {

void FreeButton(ToolbarButton* button)
{
    if (!button)
        return;
    if (button->cache)
        DibFree(button->cache);
    TbxFree(button);
}

void FreeBitmapEntry(ToolbarBitmap& entry)
{
    if (entry.image)
        DibFree(entry.image);
    entry.image = nullptr;
    TbxFree(entry.places);
    entry.places = nullptr;
    if ((entry.flags & TBXB_OWNED) && !entry.module && entry.id)
        ::DeleteObject(reinterpret_cast<HBITMAP>(entry.id));
}

}  // namespace

void TbxFreeTables(ToolbarExBlock* block)
{
    for (int i = block->buttonCount - 1; i >= 0; --i)
        FreeButton(block->buttons[i]);
    block->buttonCount = 0;
    for (int i = block->bitmapCount - 1; i >= 0; --i)
        FreeBitmapEntry(block->bitmaps[i]);
    block->bitmapCount = 0;
    for (int i = 0; i < block->stringCount; ++i)
        TbxFree(block->strings[i]);
    block->stringCount = 0;
    TbxFree(block->buttons);
    TbxFree(block->bitmaps);
    TbxFree(block->strings);
    block->buttons = nullptr;
    block->bitmaps = nullptr;
    block->strings = nullptr;
    block->buttonCapacity = block->bitmapCapacity = block->stringCapacity = 0;
}

void TbxFreeBlock(ToolbarExBlock* block)
{
    if (!block)
        return;
    TbxFreeTables(block);
    while (ToolbarOverlay* item = block->overlays) {
        block->overlays = item->next;
        TbxFree(item);
    }
    block->~ToolbarExBlock();
    std::memset(static_cast<void*>(block), 0, sizeof(ToolbarExBlock));
    TbxFree(block);
}

// --- window side effects

void TbxInvalidate(ToolbarExBlock* block, const RECT* rect)
{
    if (block->window)
        ::InvalidateRect(block->window, rect, FALSE);
}

void TbxInvalidateFrom(ToolbarExBlock* block, int index)
{
    if (!block->window)
        return;
    if (block->lines > 1 || index <= 0 || index - 1 >= block->buttonCount) {
        TbxInvalidate(block, nullptr);
        return;
    }
    RECT rect;
    ::GetClientRect(block->window, &rect);
    rect.left = block->buttons[index - 1]->rect.left;
    TbxInvalidate(block, &rect);
}

void TbxMarkRebuild(ToolbarExBlock* block, int index, bool relayout)
{
    if (index < 0 || index >= block->buttonCount)
        return;
    ToolbarButton* button = block->buttons[index];
    button->paint |= TBXP_REBUILD;
    // A change of size repaints nothing here: the message ends with TbxRelayout, whose layout
    // repaints this button and the ones it moved, and no more of the window.
    if (relayout)
        block->dirty |= TBXD_LAYOUT | TBXD_SIZES;   // for the layout that ends the message
    else
        TbxInvalidate(block, &button->rect);
}

void TbxMarkAllForRebuild(ToolbarExBlock* block)
{
    for (int i = 0; i < block->buttonCount; ++i)
        block->buttons[i]->paint |= TBXP_REBUILD;
    block->dirty |= TBXD_ALL | TBXD_LAYOUT | TBXD_SIZES;
}

void TbxRebuildAll(ToolbarExBlock* block)
{
    TbxMarkAllForRebuild(block);
    TbxInvalidate(block, nullptr);
}

void TbxRelayout(ToolbarExBlock* block)
{
    // Without a window the layout waits for the first question that needs it.
    if (block->window)
        TbxLayout(block);
}

// --- references

int TbxCommandToIndex(const ToolbarExBlock* block, int command)
{
    for (int i = 0; i < block->buttonCount; ++i) {
        if (block->buttons[i]->command == command)
            return i;
    }
    return -1;
}

int TbxResolve(const ToolbarExBlock* block, DWORD ref, bool plainIsCommand)
{
    if (!IsReference(ref)) {
        if (plainIsCommand)
            return TbxCommandToIndex(block, static_cast<int>(ref));
        return ref < static_cast<DWORD>(block->buttonCount) ? static_cast<int>(ref) : -1;
    }
    const DWORD low = ref & 0xFFFF;
    if ((ref & 0xFFFF0000) == 0x12340000)
        return low < static_cast<DWORD>(block->buttonCount) ? static_cast<int>(low) : -1;
    if ((ref & 0xFFFF0000) == 0x12480000)
        return TbxCommandToIndex(block, static_cast<int>(low));
    if ((ref >> 23) == 0x25) {
        int n = static_cast<int>((ref >> 16) & 0x7F);
        const bool byFlags = (low & 0x0FFF) == 0x0E7E;
        const WORD mask = static_cast<WORD>(low & 0xF000);
        for (int i = 0; i < block->buttonCount; ++i) {
            const ToolbarButton* b = block->buttons[i];
            const bool match = byFlags ? (b->own & mask) != 0 : b->command == static_cast<int>(low);
            if (match && n-- == 0)
                return i;
        }
        return -1;
    }
    // Another value with the reference mark: no form we know.
    return -1;
}

// --- buttons

WORD TbxRestingPaintState(const ToolbarButton* button)
{
    const bool checked = (button->state & (TBSTATE_CHECKED | TBSTATE_PRESSED)) != 0;
    if ((button->state & TBSTATE_ENABLED) && !(button->state & TBSTATE_INDETERMINATE))
        return checked ? 1 : 0;
    return checked ? 5 : 4;
}

WORD TbxHotPaintState(const ToolbarButton* button, bool arrow, BYTE held)
{
    if (!(button->state & TBSTATE_ENABLED) || (button->state & TBSTATE_INDETERMINATE))
        return TbxRestingPaintState(button);
    const bool checked = (button->state & (TBSTATE_CHECKED | TBSTATE_PRESSED)) != 0;
    if (arrow && (button->style & BTNS_DROPDOWN))
        return checked ? 7 : 6;
    BYTE tracked = 0;
    if (!(button->own & (TBXF_LABEL | TBXF_LABEL2)))
        tracked = static_cast<BYTE>(held & ((button->own & TBXF_RIGHTCLICK) ? 3 : 1));
    return (checked || tracked) ? 3 : 2;
}

void TbxSettleLook(ToolbarExBlock* block, int index)
{
    ToolbarButton* b = block->buttons[index];
    const bool canLookHot = !(b->state & TBSTATE_HIDDEN) && (b->state & TBSTATE_ENABLED) &&
                            !(b->state & TBSTATE_INDETERMINATE);
    // The hot button settles now in both directions: greyed (or hidden) under the mouse it
    // drops its hot look, enabled again (or checked) it takes the hot look back. The next
    // tracking finds the mouse where it was and changes nothing, so either look stayed until
    // the mouse moved on.
    WORD look = TbxRestingPaintState(b);
    if (block->hot == index && canLookHot)
        look = TbxHotPaintState(b, block->hotOnArrow != 0, block->held);
    b->paint = static_cast<WORD>((b->paint & ~TBXP_STATE_MASK) | look);
}

void TbxHideCellControl(ToolbarExBlock* block, DWORD data)
{
    if (!data || !block->window)
        return;
    HWND control = reinterpret_cast<HWND>(static_cast<UINT_PTR>(data));
    if (::IsWindow(control) && ::GetParent(control) == block->window)
        ::ShowWindow(control, SW_HIDE);
}

void TbxCopyRecord(const ToolbarButton* button, void* out, int size)
{
    if (size <= 0)
        return;
    TBBUTTON record = {};
    record.iBitmap = button->image;
    record.idCommand = button->command;
    record.fsState = button->state;
    record.fsStyle = button->style;
    std::memcpy(record.bReserved, &button->own, 2);
    record.dwData = button->data;
    record.iString = button->string;
    static_assert(sizeof(TBBUTTON) == 20, "the button record is 20 bytes");
    const int copied = size < 20 ? size : 20;
    std::memcpy(out, &record, static_cast<size_t>(copied));
    if (size > copied)
        std::memset(static_cast<BYTE*>(out) + copied, 0, static_cast<size_t>(size - copied));
}

bool TbxInsertButtons(ToolbarExBlock* block, int index, const TBBUTTON* records, int count, bool keepOwn)
{
    if (!records || count < 1)
        return false;
    if (index < 0 || index > block->buttonCount)
        index = block->buttonCount;
    for (int k = 0; k < count; ++k, ++index) {
        if (block->buttonCount == block->buttonCapacity &&
            !GrowTable(&block->buttons, &block->buttonCapacity, block->buttonCount + 1,
                       block->buttonCount * 3 / 2 + 16))
            return false;
        ToolbarButton* button = static_cast<ToolbarButton*>(TbxAlloc(sizeof(ToolbarButton)));
        if (!button)
            return false;
        const TBBUTTON& r = records[k];
        button->image = r.iBitmap;
        button->command = r.idCommand;
        button->state = r.fsState;
        button->style = r.fsStyle;
        if (keepOwn)
            std::memcpy(&button->own, r.bReserved, 2);
        button->data = static_cast<DWORD>(r.dwData);
        button->string = static_cast<int>(r.iString);
        button->paint = TBXP_REBUILD;
        if (!(button->style & BTNS_SEP) && !(button->state & TBSTATE_HIDDEN))
            button->paint |= TbxRestingPaintState(button);
        std::memmove(block->buttons + index + 1, block->buttons + index,
                     sizeof(ToolbarButton*) * static_cast<size_t>(block->buttonCount - index));
        block->buttons[index] = button;
        block->buttonCount++;
        if (block->hot >= index)
            block->hot++;
        // A button joining a stack changes it: the whole stack is measured again.
        if (index > 0 && (block->buttons[index - 1]->paint & (TBXP_STACKMEMBER | TBXP_STACKFIRST))) {
            int first = index - 1;
            while (first > 0 && !(block->buttons[first]->paint & TBXP_STACKFIRST))
                --first;
            for (int j = first; j < block->buttonCount; ++j) {
                if (j != first && j != index && !(block->buttons[j]->paint & TBXP_STACKMEMBER))
                    break;
                block->buttons[j]->paint |= TBXP_REBUILD;
            }
        }
        block->dirty |= TBXD_LAYOUT | TBXD_SIZES;
        TbxInvalidateFrom(block, index);
    }
    return true;
}

bool TbxDeleteButton(ToolbarExBlock* block, int index)
{
    if (index < 0 || index >= block->buttonCount)
        return false;
    ToolbarButton* button = block->buttons[index];
    if (button->own & TBXF_CONTROL)
        TbxHideCellControl(block, button->data);
    TbxInvalidateFrom(block, index);
    std::memmove(block->buttons + index, block->buttons + index + 1,
                 sizeof(ToolbarButton*) * static_cast<size_t>(block->buttonCount - index - 1));
    block->buttonCount--;
    if (block->hot == index)
        block->hot = -1;
    else if (block->hot > index)
        block->hot--;
    if (block->insertMark >= block->buttonCount)
        block->insertMark = -1;
    FreeButton(button);
    block->dirty |= TBXD_LAYOUT | TBXD_SIZES;
    return true;
}

namespace {

bool IsGroupButton(const ToolbarButton* b)
{
    return (b->style & BTNS_CHECK) && (b->style & BTNS_GROUP);
}

}  // namespace

int TbxCheckedGroupMember(const ToolbarExBlock* block, int index)
{
    if (index < 0 || index >= block->buttonCount || !IsGroupButton(block->buttons[index]))
        return -1;
    // Backwards up to the run's start: a button without the group style ends it, one with
    // the whole-drop-down style starts it.
    if (!(block->buttons[index]->style & BTNS_WHOLEDROPDOWN)) {
        for (int j = index - 1; j >= 0; --j) {
            const ToolbarButton* b = block->buttons[j];
            if (!(b->style & BTNS_GROUP))
                break;
            if ((b->style & BTNS_CHECK) && (b->state & TBSTATE_CHECKED))
                return j;
            if (b->style & BTNS_WHOLEDROPDOWN)
                break;
        }
    }
    for (int j = index + 1; j < block->buttonCount; ++j) {
        const ToolbarButton* b = block->buttons[j];
        if (!(b->style & BTNS_GROUP) || (b->style & BTNS_WHOLEDROPDOWN))
            break;
        if ((b->style & BTNS_CHECK) && (b->state & TBSTATE_CHECKED))
            return j;
    }
    return -1;
}

int TbxSetState(ToolbarExBlock* block, int index, BYTE bit, bool on)
{
    if (index < 0 || index >= block->buttonCount)
        return -1;
    ToolbarButton* button = block->buttons[index];
    int other = -1;
    if (bit == TBSTATE_CHECKED && on) {
        other = TbxCheckedGroupMember(block, index);
        if (other >= 0) {
            ToolbarButton* o = block->buttons[other];
            o->state &= static_cast<BYTE>(~TBSTATE_CHECKED);
            o->paint = static_cast<WORD>((o->paint & ~TBXP_STATE_MASK) | TbxRestingPaintState(o));
            TbxInvalidate(block, &o->rect);
        }
    }
    const BYTE before = button->state;
    if (on)
        button->state |= bit;
    else
        button->state &= static_cast<BYTE>(~bit);
    if (before == button->state)
        return other;
    if (bit == TBSTATE_MARKED)
        return other;   // no look of its own
    TbxSettleLook(block, index);
    if (bit == TBSTATE_HIDDEN || bit == TBSTATE_WRAP) {
        block->dirty |= TBXD_LAYOUT;   // the caller's TbxRelayout repaints what moved
        return other;
    }
    TbxInvalidate(block, &button->rect);
    return other;
}

// --- strings

const ToolbarString* TbxString(const ToolbarExBlock* block, int index)
{
    return index >= 0 && index < block->stringCount ? block->strings[index] : nullptr;
}

namespace {

int AppendString(ToolbarExBlock* block, const wchar_t* text, int length)
{
    if (block->stringCount == block->stringCapacity &&
        !GrowTable(&block->strings, &block->stringCapacity, block->stringCount + 1, block->stringCapacity + 32))
        return -1;
    ToolbarString* s = static_cast<ToolbarString*>(
        TbxAlloc(sizeof(ToolbarString) + sizeof(wchar_t) * static_cast<size_t>(length)));
    if (!s)
        return -1;
    s->length = static_cast<WORD>(length);
    std::memcpy(s->text, text, sizeof(wchar_t) * static_cast<size_t>(length));
    s->text[length] = 0;
    block->strings[block->stringCount] = s;
    return block->stringCount++;
}

// Walks the strings of a list: calls `take` for each; false as soon as it refuses.
template <class F>
bool WalkList(const wchar_t* list, int sepMode, F take)
{
    if (sepMode == 0xFFFE) {
        int n = 0;
        while (list[n])
            ++n;
        return take(list, n);
    }
    if (sepMode == 0xFFFF) {
        const wchar_t sep = list[0];
        if (!sep)
            return true;
        const wchar_t* p = list + 1;
        while (*p) {
            const wchar_t* start = p;
            while (*p && *p != sep)
                ++p;
            if (!take(start, static_cast<int>(p - start)))
                return false;
            if (*p == sep)
                ++p;
        }
        return true;
    }
    for (const wchar_t* p = list; *p;) {
        int n = 0;
        while (p[n])
            ++n;
        if (!take(p, n))
            return false;
        p += n + 1;
    }
    return true;
}

}  // namespace

int TbxAddStrings(ToolbarExBlock* block, const wchar_t* list, int sepMode)
{
    if (!list)
        return -1;
    // A string over the limit refuses the whole list before anything is added.
    if (!WalkList(list, sepMode, [](const wchar_t*, int n) { return n <= kMaxStringLength; }))
        return -1;
    int first = -1;
    bool ok = WalkList(list, sepMode, [&](const wchar_t* s, int n) {
        const int index = AppendString(block, s, n);
        if (first < 0)
            first = index;
        return index >= 0;
    });
    if (!ok)
        return -1;
    return first >= 0 ? first : block->stringCount;
}

int TbxAddStringsA(ToolbarExBlock* block, const char* list, int sepMode)
{
    if (!list)
        return -1;
    // The list's extent in bytes: one string, or up to the empty string that ends it.
    size_t bytes = 0;
    if (sepMode == 0xFFFE || sepMode == 0xFFFF) {
        bytes = std::strlen(list) + 1;
    } else {
        while (list[bytes])
            bytes += std::strlen(list + bytes) + 1;
        bytes += 1;
    }
    const int wide = ::MultiByteToWideChar(CP_ACP, 0, list, static_cast<int>(bytes), nullptr, 0);
    if (wide <= 0)
        return -1;
    wchar_t* text = static_cast<wchar_t*>(TbxAlloc(sizeof(wchar_t) * (static_cast<size_t>(wide) + 1)));
    if (!text)
        return -1;
    ::MultiByteToWideChar(CP_ACP, 0, list, static_cast<int>(bytes), text, wide);
    const int result = TbxAddStrings(block, text, sepMode);
    TbxFree(text);
    return result;
}

int TbxFindString(const ToolbarExBlock* block, const wchar_t* text, int first, int count)
{
    if (!text || first < 0)
        return -1;
    int end = first + count;
    if (end > block->stringCount || count < 0)
        end = block->stringCount;
    for (int i = first; i < end; ++i) {
        if (std::wcscmp(block->strings[i]->text, text) == 0)
            return i;
    }
    return -1;
}

int TbxDeleteStrings(ToolbarExBlock* block, int first, int count)
{
    if (first < 0 || first >= block->stringCount || count <= 0)
        return 0;
    if (count > block->stringCount - first)
        count = block->stringCount - first;
    for (int i = first; i < first + count; ++i)
        TbxFree(block->strings[i]);
    std::memmove(block->strings + first, block->strings + first + count,
                 sizeof(ToolbarString*) * static_cast<size_t>(block->stringCount - first - count));
    block->stringCount -= count;
    for (int i = 0; i < block->buttonCount; ++i) {
        ToolbarButton* b = block->buttons[i];
        if (b->string >= first + count) {
            b->string -= count;
        } else if (b->string >= first) {
            // Its text is gone: it shows none from now on.
            b->string = -1;
            TbxMarkRebuild(block, i, true);
        }
    }
    return count;
}

int TbxSetButtonText(ToolbarExBlock* block, int index, const wchar_t* text)
{
    if (index < 0 || index >= block->buttonCount || !text)
        return -1;
    int s = TbxFindString(block, text, 0, block->stringCount);
    if (s < 0)
        s = TbxAddStrings(block, text, 0xFFFE);
    if (s < 0)
        return -1;
    ToolbarButton* button = block->buttons[index];
    if (button->string != s) {
        button->string = s;
        TbxMarkRebuild(block, index, true);
    }
    return s;
}

// --- bitmaps

namespace {

DWORD RowStride(const BITMAPINFOHEADER* h)
{
    const DWORD bits = h->biBitCount == 15 ? 16 : h->biBitCount;
    return ((static_cast<DWORD>(h->biWidth) * bits + 31) / 32) * 4;
}

// A pixel of a stored row (0 = the first stored row) as a raw value, for 4, 8, 24 and 32 bits.
DWORD RawPixel(const BYTE* bits, DWORD stride, int bitCount, int row, int x)
{
    const BYTE* line = bits + static_cast<size_t>(row) * stride;
    switch (bitCount) {
    case 4:
        return (x & 1) ? (line[x / 2] & 0x0F) : (line[x / 2] >> 4);
    case 8:
        return line[x];
    case 24:
        return line[x * 3] | (line[x * 3 + 1] << 8) | (line[x * 3 + 2] << 16);
    case 32:
        return line[x * 4] | (line[x * 4 + 1] << 8) | (line[x * 4 + 2] << 16);
    default:
        return 0;
    }
}

}  // namespace

int TbxScanImages(const BITMAPINFOHEADER* header, const void* bits, DWORD stride, int want,
                  ToolbarImagePlace* places, int capacity, WORD* scanX)
{
    if (!header || !bits)
        return 0;
    const int bitCount = header->biBitCount;
    if (bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
        return 0;
    const int width = header->biWidth;
    const int height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
    if (width < 1 || height < 1 || width > 65535 || height > 65535)
        return 0;
    if (stride < RowStride(header))
        return 0;
    const BYTE* p = static_cast<const BYTE*>(bits);
    // The first stored row (the bottom one of a bottom-up image) carries the separators;
    // the images lie in the rows stored after it.
    const int sepRow = 0;
    auto rowFromTop = [&](int y) { return height - 1 - y; };
    const DWORD key = RawPixel(p, stride, bitCount, sepRow, 0);
    int x = scanX ? *scanX : 0;
    int found = 0;
    while (x < width && (want == 0xFFFF || found < want)) {
        while (x < width && RawPixel(p, stride, bitCount, sepRow, x) == key)
            ++x;
        if (x >= width)
            break;
        const int left = x;
        while (x < width && RawPixel(p, stride, bitCount, sepRow, x) != key)
            ++x;
        // The height: rows from the top until the image's first column shows the key
        // colour, at most every row but the separator row.
        int h = 0;
        const int imageRows = height > 1 ? height - 1 : 1;
        while (h < imageRows) {
            const int stored = rowFromTop(h);
            if (stored == sepRow || RawPixel(p, stride, bitCount, stored, left) == key)
                break;
            ++h;
        }
        if (places && found < capacity)
            places[found] = {static_cast<WORD>(left), static_cast<WORD>(x - left), static_cast<WORD>(h ? h : 1)};
        ++found;
    }
    if (scanX)
        *scanX = static_cast<WORD>(x);
    return found;
}

namespace {

// A DibImage with the pixels (and colour table) of a packed DIB of 1 to 32 bits, whose
// pixels the DIB loader found (`bits`; it always reports them with a packed DIB it hands
// back). No guess at their place without them: behind `entries` alone would miss them above
// 8 bits, where biClrUsed may still announce a table in front of the pixels.
DibImage* CopyPackedDib(const BITMAPINFOHEADER* header, const void* bits)
{
    if (!bits)
        return nullptr;
    const int depth = header->biBitCount;
    const int width = header->biWidth;
    const int height = std::abs(header->biHeight);
    if (header->biCompression != BI_RGB || width < 1 || height < 1 || width > 65535 || height > 65535)
        return nullptr;
    DWORD entries = depth <= 8 ? (header->biClrUsed ? header->biClrUsed : (1u << depth)) : 0;
    if (entries > 256)
        return nullptr;
    const BYTE* table = reinterpret_cast<const BYTE*>(header) + header->biSize;
    void* target = nullptr;
    DibImage* copy = DibCreateBlank(nullptr, width, height, static_cast<DWORD>(depth), &target);
    if (!copy)
        return nullptr;
    if (depth <= 8) {
        BYTE* palette = reinterpret_cast<BYTE*>(copy) + copy->biSize;
        const DWORD room = copy->biClrUsed ? copy->biClrUsed : (1u << depth);
        std::memset(palette, 0, room * 4);
        std::memcpy(palette, table, std::min(entries, room) * 4);
    }
    const DWORD stride = RowStride(header);
    for (int row = 0; row < height; ++row) {
        const int from = header->biHeight > 0 ? row : height - 1 - row;
        std::memcpy(static_cast<BYTE*>(target) + static_cast<size_t>(row) * stride,
                    static_cast<const BYTE*>(bits) + static_cast<size_t>(from) * stride, stride);
    }
    return copy;
}

// Whether the image carries alpha of its own: any non-zero alpha byte of a 32-bit image.
bool HasAlpha(const DibImage* image)
{
    if (!image || image->biBitCount != 32)
        return false;
    const DWORD* p = static_cast<const DWORD*>(DibGetBits(image));
    if (!p)
        return false;
    const long n = static_cast<long>(image->biWidth) * std::abs(image->biHeight);
    for (long i = 0; i < n; ++i) {
        if (p[i] >> 24)
            return true;
    }
    return false;
}

// Loads the picture of a bitmap source at a depth the painter reads.
DibImage* LoadBitmapImage(HMODULE module, UINT_PTR id)
{
    void* bits = nullptr;
    DibImage* image = nullptr;
    if (module) {
        bits = module;
        image = DibLoadResourceA(nullptr, module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2), 0, &bits);
    } else {
        HBITMAP handle = reinterpret_cast<HBITMAP>(id);
        BITMAP info;
        if (!handle || ::GetObjectA(handle, sizeof info, &info) != sizeof info)
            return nullptr;
        image = DibFromBitmap(nullptr, handle, &bits);
    }
    if (!image)
        return nullptr;
    const int depth = image->biBitCount;
    if (!DibIsImage(image)) {
        // A bitmap resource comes back as the resource's own packed DIB: the toolbar keeps
        // a copy of its own.
        DibImage* copy = CopyPackedDib(image, bits);
        if (!copy)
            return nullptr;
        image = copy;
    }
    if (depth == 4 || depth == 8 || depth == 24 || depth == 32)
        return image;
    void* converted = image;
    DibImage* deep = DibFromPackedDib(nullptr, image, DIBF_CONVERT | (31u << DIBF_DEPTH_SHIFT), &converted);
    if (deep && deep != image) {
        DibFree(image);
        return deep;
    }
    return image;
}

// Scans a varying-width bitmap up to image `want` (0xFFFF: all), keeping the places found.
void ScanBitmap(ToolbarBitmap& entry, int want)
{
    if (!(entry.flags & TBXB_VARYING) || (entry.flags & TBXB_COUNTED) || !entry.image)
        return;
    const void* bits = DibGetBits(entry.image);
    while (want == 0xFFFF || entry.found < want) {
        if (entry.found >= 0x7FFF)
            break;
        ToolbarImagePlace place = {};
        WORD x = entry.scanX;
        const int n = TbxScanImages(entry.image, bits, entry.stride, 1, &place, 1, &x);
        entry.scanX = x;
        if (n == 0) {
            entry.flags |= TBXB_COUNTED;
            break;
        }
        // The places grow by 16.
        if (entry.found % 16 == 0) {
            ToolbarImagePlace* grown = static_cast<ToolbarImagePlace*>(
                TbxAlloc(sizeof(ToolbarImagePlace) * (static_cast<size_t>(entry.found) + 16)));
            if (!grown)
                break;
            if (entry.places)
                std::memcpy(grown, entry.places, sizeof(ToolbarImagePlace) * entry.found);
            TbxFree(entry.places);
            entry.places = grown;
        }
        entry.places[entry.found++] = place;
        entry.imageWidth = place.width;
        entry.imageHeight = place.height;
        if (entry.scanX >= entry.image->biWidth)
            entry.flags |= TBXB_COUNTED;
    }
}

int FirstIndexAt(const ToolbarExBlock* block, int position)
{
    int first = 0;
    for (int i = 0; i < position; ++i)
        first += block->bitmaps[i].count;
    return first;
}

}  // namespace

int TbxAddBitmap(ToolbarExBlock* block, HMODULE module, UINT_PTR id, WORD flags, int count, int width, int scale,
                 int* outCount, int* outWidth, int* outHeight)
{
    const bool owned = (flags & TBXBM_OWN) && !module;
    auto fail = [&]() {
        if (owned && id)
            ::DeleteObject(reinterpret_cast<HBITMAP>(id));
        return -1;
    };
    if (scale <= 0)
        scale = 256;
    if (scale > 0xFFFF)
        scale = 0xFFFF;
    for (int i = 0; i < block->bitmapCount; ++i) {
        ToolbarBitmap& entry = block->bitmaps[i];
        if (entry.module == module && entry.id == id) {
            // Known already: only its scale may change.
            if (entry.scale != scale) {
                entry.scale = static_cast<WORD>(scale);
                TbxRebuildAll(block);
            }
            // What it holds is told as at its first addition: a caller asking with flags
            // 0x10 and 0x20 was given 0 and 0 for a bitmap added before.
            if (outCount)
                *outCount = entry.count;
            if (outWidth)
                *outWidth = (entry.flags & TBXB_VARYING) ? static_cast<int>(TBXBM_VARYING_WIDTH) : entry.imageWidth;
            if (outHeight)
                *outHeight = entry.image ? std::abs(static_cast<int>(entry.image->biHeight)) : entry.imageHeight;
            return entry.first;
        }
    }
    if (count < 1 && !(flags & (TBXBM_BYWIDTH | TBXBM_COUNTNOW)) && width != TBXBM_VARYING_WIDTH)
        return fail();
    DibImage* image = LoadBitmapImage(module, id);
    if (!image)
        return fail();
    const int bitmapWidth = image->biWidth;
    const int bitmapHeight = image->biHeight < 0 ? -image->biHeight : image->biHeight;
    bool varying = width == TBXBM_VARYING_WIDTH;
    if (!varying) {
        if (flags & TBXBM_BYWIDTH) {
            if (width < 1) {
                DibFree(image);
                return fail();
            }
            count = bitmapWidth / width;
        } else if (count >= 1) {
            width = bitmapWidth / count;
        }
        if ((flags & TBXBM_EVEN) && count >= 1 && bitmapWidth % count != 0)
            varying = true;
    }
    if (!varying && (count < 1 || width < 1)) {
        DibFree(image);
        return fail();
    }
    if (block->bitmapCount == block->bitmapCapacity &&
        !GrowTable(&block->bitmaps, &block->bitmapCapacity, block->bitmapCount + 1, block->bitmapCapacity + 4)) {
        DibFree(image);
        return fail();
    }
    ToolbarBitmap entry = {};
    entry.module = module;
    entry.id = id;
    entry.image = image;
    entry.stride = RowStride(image);
    entry.flags = static_cast<WORD>((owned ? TBXB_OWNED : 0) | (varying ? TBXB_VARYING : TBXB_FIXED) |
                                    (HasAlpha(image) ? TBXB_ALPHA : 0));
    entry.scale = static_cast<WORD>(scale);
    entry.imageHeight = static_cast<WORD>(bitmapHeight);
    entry.imageWidth = static_cast<WORD>(varying ? 0 : width);
    if (varying) {
        if ((flags & TBXBM_COUNTNOW) || count < 1) {
            ScanBitmap(entry, 0xFFFF);
            count = entry.found;
        }
        if (count < 1) {
            TbxFree(entry.places);
            DibFree(image);
            return fail();
        }
    } else if (flags & TBXBM_COUNTNOW) {
        entry.flags |= TBXB_COUNTED;
    }
    entry.count = static_cast<WORD>(count > 0xFFFF ? 0xFFFF : count);
    entry.first = FirstIndexAt(block, block->bitmapCount);
    block->bitmaps[block->bitmapCount++] = entry;
    if (outCount)
        *outCount = entry.count;
    if (outWidth)
        *outWidth = varying ? TBXBM_VARYING_WIDTH : width;
    if (outHeight)
        *outHeight = bitmapHeight;
    block->dirty |= TBXD_LAYOUT | TBXD_SIZES;
    return entry.first;
}

int TbxCountImages(WPARAM kind, LPARAM source)
{
    if (kind == 0)
        return 0;
    WORD x = 0;
    if (kind > 0xFFFF) {
        // The caller's own image, with its row stride (0: the packed one).
        const DibImage* image = reinterpret_cast<const DibImage*>(kind);
        if (!DibIsImage(image))
            return 0;
        const DWORD stride = source ? static_cast<DWORD>(source) : RowStride(image);
        return TbxScanImages(image, DibGetBits(image), stride, 0xFFFF, nullptr, 0, &x);
    }
    // A bitmap handle or a bitmap resource, loaded as an added bitmap is.
    DibImage* image = kind == 0xFFFF ? LoadBitmapImage(nullptr, static_cast<UINT_PTR>(source))
                                     : LoadBitmapImage(reinterpret_cast<HMODULE>(source), kind);
    if (!image)
        return 0;
    const int n = TbxScanImages(image, DibGetBits(image), RowStride(image), 0xFFFF, nullptr, 0, &x);
    DibFree(image);
    return n;
}

int TbxRemoveBitmaps(ToolbarExBlock* block)
{
    const int removed = block->bitmapCount;
    for (int i = block->bitmapCount - 1; i >= 0; --i)
        FreeBitmapEntry(block->bitmaps[i]);
    block->bitmapCount = 0;
    TbxRebuildAll(block);
    return removed;
}

bool TbxReplaceBitmap(ToolbarExBlock* block, HMODULE oldModule, UINT_PTR oldId, HMODULE newModule, UINT_PTR newId,
                      int count)
{
    int at = -1;
    for (int i = 0; i < block->bitmapCount; ++i) {
        if (block->bitmaps[i].module == oldModule && block->bitmaps[i].id == oldId)
            at = i;
        if (block->bitmaps[i].module == newModule && block->bitmaps[i].id == newId)
            return false;
    }
    if (at < 0 || count < 1)
        return false;
    ToolbarBitmap& entry = block->bitmaps[at];
    const bool last = at == block->bitmapCount - 1;
    if (!last && count != entry.count)
        return false;
    DibImage* image = LoadBitmapImage(newModule, newId);
    if (!image)
        return false;
    const int w = image->biWidth;
    if (w / count < 1 || (!last && count != entry.count)) {
        DibFree(image);
        return false;
    }
    const WORD scale = entry.scale;
    FreeBitmapEntry(entry);
    entry = ToolbarBitmap();
    entry.module = newModule;
    entry.id = newId;
    entry.image = image;
    entry.stride = RowStride(image);
    entry.flags = static_cast<WORD>(TBXB_FIXED | (HasAlpha(image) ? TBXB_ALPHA : 0));
    entry.scale = scale;
    entry.count = static_cast<WORD>(count);
    entry.imageWidth = static_cast<WORD>(w / count);
    entry.imageHeight = static_cast<WORD>(image->biHeight < 0 ? -image->biHeight : image->biHeight);
    entry.first = FirstIndexAt(block, at);
    TbxRebuildAll(block);
    return true;
}

bool TbxImagePlace(ToolbarExBlock* block, int image, int* bitmap, RECT* rect)
{
    if (image < 0)
        return false;
    for (int i = 0; i < block->bitmapCount; ++i) {
        ToolbarBitmap& entry = block->bitmaps[i];
        if (image < entry.first || image >= entry.first + entry.count)
            continue;
        const int local = image - entry.first;
        RECT r = {};
        if (entry.flags & TBXB_VARYING) {
            ScanBitmap(entry, local + 1);
            if (local >= entry.found)
                return false;
            const ToolbarImagePlace& p = entry.places[local];
            r = {p.left, 0, p.left + p.width, p.height};
        } else {
            r = {local * entry.imageWidth, 0, (local + 1) * entry.imageWidth, entry.imageHeight};
            if (r.right > entry.image->biWidth)
                return false;
        }
        if (bitmap)
            *bitmap = i;
        if (rect)
            *rect = r;
        return true;
    }
    return false;
}

SIZE TbxScaledImageSize(const ToolbarExBlock* block, int bitmap, SIZE size)
{
    const int bitmapScale = bitmap >= 0 && bitmap < block->bitmapCount ? block->bitmaps[bitmap].scale : 256;
    const long long product = static_cast<long long>(block->scale) * bitmapScale;
    if (product == 65536 || !block->deepScreen)
        return size;
    size.cx = static_cast<LONG>((product * size.cx + 32767) / 65536);
    size.cy = static_cast<LONG>((product * size.cy + 32767) / 65536);
    return size;
}
