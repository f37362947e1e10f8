// The toolbar's messages that change buttons, bitmaps and overlays: state and style words,
// masked changes over ranges, the button info records, fixed widths, data words, images,
// string indexes, image scales and text overlays.
// Window-free like the rest of the model; the caller holds the block's lock.
#include "controls/ToolbarExModel.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace {

struct ButtonInfoFields {
    UINT cbSize;
    DWORD dwMask;
    int idCommand;
    int iImage;
    BYTE fsState;
    BYTE fsStyle;
    WORD cx;
    DWORD_PTR lParam;
    void* pszText;
    int cchText;
};
static_assert(sizeof(ButtonInfoFields) == sizeof(TBBUTTONINFOW), "the record's layout");
const DWORD kInfoOwnFlags = 0x10000000;
const DWORD kInfoTextIsIndex = 0x08000000;

int InfoIndex(ToolbarExBlock* block, WPARAM wParam, DWORD mask)
{
    if (!(mask & TBIF_BYINDEX) && (static_cast<DWORD>(wParam) >> 24) == 0x12)
        return TbxResolve(block, static_cast<DWORD>(wParam), false);
    return static_cast<DWORD>(wParam) < static_cast<DWORD>(block->buttonCount) ? static_cast<int>(wParam) : -1;
}

}  // namespace

// --- state and style changes (0x473)

LRESULT TbxSetStateStyle(ToolbarExBlock* block, int index, DWORD lParam)
{
    if (index < 0)
        return 0;
    if (HIWORD(lParam) == 0x73C3)
        lParam = static_cast<DWORD>(LOWORD(lParam)) << 16;
    ToolbarButton* b = block->buttons[index];
    const LRESULT old = (static_cast<LRESULT>(b->state) << 16) | b->style;
    BYTE styleMask = static_cast<BYTE>((lParam >> 8) & 0xFF) & static_cast<BYTE>(~BTNS_SEP);
    const BYTE styleValue = static_cast<BYTE>(lParam & 0xFF);
    const BYTE stateMask = static_cast<BYTE>(lParam >> 24);
    const BYTE stateValue = static_cast<BYTE>(lParam >> 16);
    const BYTE newStyle = static_cast<BYTE>((b->style & ~styleMask) | (styleValue & styleMask));
    BYTE newState = static_cast<BYTE>((b->state & ~stateMask) | (stateValue & stateMask));
    const BYTE styleChange = b->style ^ newStyle;
    if ((newState & TBSTATE_CHECKED) && !(b->state & TBSTATE_CHECKED)) {
        b->style = newStyle;
        TbxSetState(block, index, TBSTATE_CHECKED, true);   // the group's other member lets go
    }
    const BYTE stateChange = b->state ^ newState;
    b->style = newStyle;
    b->state = newState;
    if (!styleChange && !stateChange)
        return old;
    TbxSettleLook(block, index);
    if ((styleChange & (BTNS_DROPDOWN | BTNS_AUTOSIZE | BTNS_SHOWTEXT)) ||
        (stateChange & (TBSTATE_HIDDEN | TBSTATE_WRAP | TBSTATE_ELLIPSES))) {
        TbxMarkRebuild(block, index, true);
    } else if (styleChange || (stateChange & ~TBSTATE_MARKED)) {
        if (styleChange)
            b->paint |= TBXP_REBUILD;
        TbxInvalidate(block, &b->rect);
    }
    return old;
}

// Masked changes over a range of buttons (0x480-0x482): which field is the message's.
LRESULT TbxSetRange(ToolbarExBlock* block, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WORD value = LOWORD(lParam);
    const WORD mask = HIWORD(lParam);
    const bool byCommand = HIWORD(wParam) == 0x1248;
    int first = byCommand ? 0 : LOWORD(wParam);
    int end = byCommand ? block->buttonCount : std::min<int>(HIWORD(wParam), block->buttonCount);
    int touched = 0;
    for (int i = first; i < end; ++i) {
        ToolbarButton* b = block->buttons[i];
        if (byCommand ? b->command != LOWORD(wParam) : (b->style & BTNS_SEP) != 0)
            continue;
        ++touched;
        bool changed = false;
        if (message == TBX_SETSTYLES) {
            const BYTE now = static_cast<BYTE>((b->style & ~mask) | (value & mask));
            const BYTE diff = b->style ^ now;
            b->style = now;
            if (diff) {
                changed = true;
                if (diff & ~(BTNS_GROUP | BTNS_WHOLEDROPDOWN))
                    TbxMarkRebuild(block, i, true);
            }
        } else if (message == TBX_SETSTATES) {
            const BYTE now = static_cast<BYTE>((b->state & ~mask) | (value & mask));
            const BYTE diff = b->state ^ now;
            b->state = now;
            if (diff) {
                changed = true;
                TbxSettleLook(block, i);
                if (diff & (TBSTATE_HIDDEN | TBSTATE_WRAP))
                    TbxMarkRebuild(block, i, true);
            }
        } else {
            const WORD now = static_cast<WORD>((b->own & ~mask) | (value & mask));
            const WORD diff = b->own ^ now;
            b->own = now;
            if (diff & ~now & TBXF_CONTROL)
                TbxHideCellControl(block, b->data);   // as for one button (0x48C)
            if (diff) {
                changed = true;
                if (diff & ~TBXF_RIGHTCLICK)
                    TbxMarkRebuild(block, i, true);
            }
        }
        // A change that needs no new look still repaints its own button; the ones marked for
        // rebuild are repainted by the layout that ends the message.
        if (changed && !(b->paint & TBXP_REBUILD))
            TbxInvalidate(block, &b->rect);
    }
    return touched;
}

// --- button info (TB_GETBUTTONINFO, TB_SETBUTTONINFO; both character forms share the layout)

LRESULT TbxGetButtonInfo(ToolbarExBlock* block, WPARAM wParam, void* record, bool wide)
{
    ButtonInfoFields* info = static_cast<ButtonInfoFields*>(record);
    if (!info || info->cbSize < 32)
        return -1;
    const int index = InfoIndex(block, wParam, info->dwMask);
    if (index < 0)
        return -1;   // no such button: not the first one
    const ToolbarButton* b = block->buttons[index];
    const DWORD mask = info->dwMask;
    if (mask & TBIF_COMMAND)
        info->idCommand = b->command;
    if (mask & TBIF_IMAGE)
        info->iImage = b->image;
    if (mask & TBIF_STATE)
        info->fsState = b->state;
    if (mask & TBIF_STYLE)
        info->fsStyle = b->style;
    if (mask & TBIF_LPARAM)
        info->lParam = b->data;
    if (mask & TBIF_SIZE)
        info->cx = static_cast<WORD>(b->rect.right - b->rect.left);
    if ((mask & kInfoOwnFlags) && info->cbSize >= 52)
        std::memcpy(reinterpret_cast<BYTE*>(info) + 48, &b->own, 2);
    if (mask & kInfoTextIsIndex) {
        info->pszText = reinterpret_cast<void*>(static_cast<INT_PTR>(b->string));
    } else if ((mask & TBIF_TEXT) && info->pszText && info->cchText > 0) {
        const ToolbarString* s = TbxString(block, b->string);
        const wchar_t* text = s ? s->text : L"";
        if (wide) {
            lstrcpynW(static_cast<wchar_t*>(info->pszText), text, info->cchText);
        } else {
            char* out = static_cast<char*>(info->pszText);
            ::WideCharToMultiByte(CP_ACP, 0, text, -1, out, info->cchText, nullptr, nullptr);
            out[info->cchText - 1] = 0;   // also when the text was cut
        }
    }
    return index;
}

LRESULT TbxSetButtonInfo(ToolbarExBlock* block, WPARAM wParam, const void* record, bool wide)
{
    const ButtonInfoFields* info = static_cast<const ButtonInfoFields*>(record);
    if (!info || info->cbSize < 32)
        return 0;
    const int index = InfoIndex(block, wParam, info->dwMask);
    if (index < 0)
        return 0;
    ToolbarButton* b = block->buttons[index];
    const DWORD mask = info->dwMask;
    if (mask & TBIF_COMMAND)
        b->command = info->idCommand;
    if (mask & TBIF_LPARAM)
        TbxSetData(block, index, static_cast<DWORD>(info->lParam));
    if (mask & TBIF_IMAGE)
        TbxSetImage(block, index, info->iImage);
    if (mask & (TBIF_STATE | TBIF_STYLE)) {
        DWORD word = 0;
        if (mask & TBIF_STATE)
            word |= 0xFF000000u | (static_cast<DWORD>(info->fsState) << 16);
        if (mask & TBIF_STYLE)
            word |= 0x0000FF00u | info->fsStyle;
        TbxSetStateStyle(block, index, word);
    }
    if ((mask & kInfoOwnFlags) && info->cbSize >= 52) {
        WORD pair[2];
        std::memcpy(pair, reinterpret_cast<const BYTE*>(info) + 48, 4);
        TbxSetOwnFlags(block, index, pair[0], pair[1]);
    }
    if (mask & TBIF_SIZE)
        TbxSetFixedWidth(block, index, info->cx);
    if (mask & kInfoTextIsIndex) {
        TbxSetStringIndex(block, index, static_cast<int>(reinterpret_cast<INT_PTR>(info->pszText)));
    } else if ((mask & TBIF_TEXT) && info->pszText) {
        if (wide) {
            if (TbxSetButtonText(block, index, static_cast<const wchar_t*>(info->pszText)) < 0)
                return 0;
        } else {
            wchar_t text[257];
            const int n = ::MultiByteToWideChar(CP_ACP, 0, static_cast<const char*>(info->pszText), -1, text, 257);
            if (n <= 0 || TbxSetButtonText(block, index, text) < 0)
                return 0;
        }
    }
    return 1;
}

LRESULT TbxSetOwnFlags(ToolbarExBlock* block, int index, WORD value, WORD mask)
{
    if (index < 0)
        return -1;
    ToolbarButton* b = block->buttons[index];
    const WORD old = b->own;
    b->own = static_cast<WORD>((old & ~mask) | (value & mask));
    // A cell that stops being a control cell hides its control: left shown, it stayed over
    // the button drawn in its place.
    if ((old & TBXF_CONTROL) && !(b->own & TBXF_CONTROL))
        TbxHideCellControl(block, b->data);
    if ((old ^ b->own) & ~TBXF_RIGHTCLICK)
        TbxMarkRebuild(block, index, true);
    return old;
}

LRESULT TbxSetData(ToolbarExBlock* block, int index, DWORD value)
{
    if (index < 0)
        return 0;
    ToolbarButton* b = block->buttons[index];
    const DWORD old = b->data;
    b->data = value;
    if (old != value) {
        if (b->own & TBXF_CONTROL) {
            // The cell's former control goes out of sight: left shown, it stayed in the cell
            // beside (or under) the new one and still took the clicks meant for it.
            TbxHideCellControl(block, old);
            TbxMarkRebuild(block, index, true);
        }
        else if ((b->own & TBXF_COLOR) && b->command >= 0)
            TbxMarkRebuild(block, index, false);
    }
    return old;
}

LRESULT TbxSetFixedWidth(ToolbarExBlock* block, int index, int width)
{
    if (index < 0)
        return -1;
    ToolbarButton* b = block->buttons[index];
    if (b->own & (TBXF_COLOR | TBXF_CONTROL))
        return -1;
    const LRESULT old = (b->own & TBXF_FIXEDWIDTH) ? LOWORD(b->data) : 0;
    if (width < 0)
        width = 0;
    if (width > 512)
        width = 512;
    if (width == 0) {
        b->own &= static_cast<WORD>(~TBXF_FIXEDWIDTH);
    } else {
        b->own |= TBXF_FIXEDWIDTH;
        b->data = (b->data & 0xFFFF0000u) | static_cast<DWORD>(width);
    }
    TbxMarkRebuild(block, index, true);
    return old;
}

LRESULT TbxSetImage(ToolbarExBlock* block, int index, int image)
{
    if (index < 0)
        return 0;
    ToolbarButton* b = block->buttons[index];
    const int old = b->image;
    if (old == image)
        return old;
    RECT before = {};
    RECT after = {};
    const bool hadPlace = TbxImagePlace(block, old, nullptr, &before);
    const bool hasPlace = TbxImagePlace(block, image, nullptr, &after);
    b->image = image;
    const bool sameSize = hadPlace == hasPlace && (!hadPlace || (before.right - before.left == after.right - after.left &&
                                                                 before.bottom - before.top == after.bottom - after.top));
    TbxMarkRebuild(block, index, !sameSize);
    return old;
}

LRESULT TbxSetStringIndex(ToolbarExBlock* block, int index, int string)
{
    if (index < 0)
        return 0;
    ToolbarButton* b = block->buttons[index];
    const int old = b->string;
    b->string = string;
    TbxMarkRebuild(block, index, true);
    return old;
}

LRESULT TbxImageScale(ToolbarExBlock* block, int which, int scale)
{
    WORD* field = nullptr;
    int toolbarScale = block->scale;
    if (which == -1) {
        toolbarScale = block->scale;
    } else if (which >= 0 && which < block->bitmapCount) {
        field = &block->bitmaps[which].scale;
    } else {
        return -1;
    }
    const int old = field ? *field : toolbarScale;
    if (scale == -1)
        return old;
    if (scale == 0)
        scale = 256;
    if (scale < 1)
        scale = 1;
    if (scale > 0xFFFF)
        scale = 0xFFFF;
    if (scale != old) {
        if (field)
            *field = static_cast<WORD>(scale);
        else
            block->scale = scale;
        TbxRebuildAll(block);
    }
    return old;
}

LRESULT TbxAddOverlay(ToolbarExBlock* block, const ToolbarOverlayRecord* record, const wchar_t* text)
{
    if (!record)
        return 0;
    if (!text)
        text = L"";
    DWORD ref = record->ref;
    if (record->flags & 0x40)
        ref = 0x12340000u | (ref & 0xFFFF);
    // The new item is made first: out of memory, the text it was to replace stays.
    const size_t length = wcslen(text);
    ToolbarOverlay* item = static_cast<ToolbarOverlay*>(TbxAlloc(sizeof(ToolbarOverlay) + sizeof(wchar_t) * length));
    if (!item)
        return 0;
    if (record->flags & 0x20) {
        for (ToolbarOverlay** link = &block->overlays; *link; link = &(*link)->next) {
            if ((*link)->ref == ref) {
                ToolbarOverlay* gone = *link;
                *link = gone->next;
                TbxFree(gone);
                break;
            }
        }
    }
    item->ref = ref;
    item->dx = record->x;
    item->dy = record->y;
    item->flags = static_cast<BYTE>((record->flags & 0x0F) | 0x80);
    item->id = record->id;
    std::memcpy(item->text, text, sizeof(wchar_t) * (length + 1));
    item->next = block->overlays;
    block->overlays = item;
    TbxInvalidate(block, nullptr);
    return 1;
}

LRESULT TbxRemoveOverlay(ToolbarExBlock* block, DWORD key)
{
    const bool byId = (key & 0xFFFF0000) == 0x12220000;
    for (ToolbarOverlay** link = &block->overlays; *link; link = &(*link)->next) {
        ToolbarOverlay* item = *link;
        if (byId ? item->id == (key & 0xFFFF) : item->ref == key) {
            *link = item->next;
            TbxFree(item);
            TbxInvalidate(block, nullptr);
            return 1;
        }
    }
    return 0;
}
