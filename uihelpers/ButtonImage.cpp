// Pictures on push buttons: themed image lists with a greyed disabled state, kept per
// bitmap for the run, or a plain BM_SETIMAGE bitmap when no visual style is active.
#include "uihelpers/WindowServices.h"

#include <commctrl.h>
#include <stdlib.h>
#include <string.h>
#include "classlib/WinApp.h"
#include "uihelpers/DibInternal.h"

namespace {

const COLORREF kMaskColor = RGB(192, 192, 192);

// The bitmap SetButtonBitmap last put on a button without themes. BM_SETIMAGE hands back
// the picture it replaces and the button never frees one, so each new picture leaked the
// old one; the one made here is deleted when it is replaced, a caller's own stays theirs.
const char kOwnPictureProp[] = "ButtonImage.OwnPicture";

struct ButtonImageRecord {
    BUTTON_IMAGELIST list;
    UINT_PTR bitmap;
    ButtonImageRecord* next;
};

// ButtonImageCache: one record per bitmap, kept for the run in the order they were made.
struct ButtonImageCache {
    ButtonImageRecord* first;
};
ButtonImageCache g_buttonImages = { NULL };
int g_themeOverride = -1;

void FreeButtonImages()
{
    while (g_buttonImages.first) {
        ButtonImageRecord* next = g_buttonImages.first->next;
        ImageList_Destroy(g_buttonImages.first->list.himl);
        free(g_buttonImages.first);
        g_buttonImages.first = next;
    }
}

bool ThemesActive()
{
    if (g_themeOverride >= 0)
        return g_themeOverride != 0;
    typedef BOOL(WINAPI * IsThemeActiveFn)();
    static bool loaded = false;
    static IsThemeActiveFn isThemeActive = NULL;
    if (!loaded) {
        loaded = true;
        HMODULE theme = LoadLibraryA("UxTheme.dll");
        if (theme)
            isThemeActive = reinterpret_cast<IsThemeActiveFn>(
                reinterpret_cast<void*>(GetProcAddress(theme, "IsThemeActive")));
    }
    return isThemeActive && isThemeActive();
}

// A packed DIB as far as this code reads it: header, colour table, pixels.
struct PackedDib {
    const BITMAPINFOHEADER* header;
    DWORD colors;          // entries of the colour table
    DWORD tableBytes;      // colour table, or the three masks of a 40-byte BI_BITFIELDS header
    DWORD pixelBytes;
    DWORD stride;
};

// Reads the header; false for what this code cannot take (core headers, odd depths, sizes
// outside 1..65535, compressed pixels of a kind other than bit fields).
bool DescribeDib(const void* data, PackedDib* dib)
{
    const BITMAPINFOHEADER* h = static_cast<const BITMAPINFOHEADER*>(data);
    if (!h || h->biSize < sizeof(BITMAPINFOHEADER) || h->biSize > sizeof(BITMAPV5HEADER))
        return false;
    WORD bits = h->biBitCount;
    LONG height = h->biHeight < 0 ? -h->biHeight : h->biHeight;
    if (h->biWidth < 1 || h->biWidth > 65535 || height < 1 || height > 65535 || h->biPlanes != 1)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    if (h->biCompression != BI_RGB && !(h->biCompression == BI_BITFIELDS && (bits == 16 || bits == 32)))
        return false;
    DWORD colors = bits <= 8 ? (h->biClrUsed ? h->biClrUsed : 1u << bits) : h->biClrUsed;
    if (bits <= 8 && colors > (1u << bits))
        return false;
    dib->header = h;
    dib->colors = colors;
    dib->tableBytes = colors * 4;
    // The masks stand behind a header too short to hold them (below 52 bytes), where the DIB
    // library reads them and the pixels begin after them.
    if (h->biCompression == BI_BITFIELDS && dib::TableOf(h) == reinterpret_cast<const BYTE*>(h) + h->biSize)
        dib->tableBytes += 12;
    dib->stride = ((static_cast<DWORD>(h->biWidth) * bits + 31) / 32) * 4;
    dib->pixelBytes = dib->stride * static_cast<DWORD>(height);
    return true;
}

// A screen bitmap from a packed DIB whose layout `dib` describes (the original or a copy).
HBITMAP BitmapFromDib(const PackedDib& dib, const BYTE* packed)
{
    const BITMAPINFOHEADER* header = reinterpret_cast<const BITMAPINFOHEADER*>(packed);
    HDC screen = GetDC(NULL);
    HBITMAP bitmap = CreateDIBitmap(screen, header, CBM_INIT, packed + dib.header->biSize + dib.tableBytes,
                                    reinterpret_cast<const BITMAPINFO*>(header), DIB_RGB_COLORS);
    ReleaseDC(NULL, screen);
    return bitmap;
}

// The program's bitmap resource as a packed DIB (NULL when missing or damaged), or the
// caller's packed DIB.
bool FindPackedDib(UINT_PTR bitmap, PackedDib* dib)
{
    if (bitmap >= 0x10000)
        return DescribeDib(reinterpret_cast<const void*>(bitmap), dib);
    HINSTANCE module = AfxGetResourceHandle();
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(bitmap), MAKEINTRESOURCEA(2));
    HGLOBAL block = info ? LoadResource(module, info) : NULL;
    const void* data = block ? LockResource(block) : NULL;
    if (!data || !DescribeDib(data, dib))
        return false;
    return dib->header->biSize + dib->tableBytes + dib->pixelBytes <= SizeofResource(module, info);
}

// A channel of a pixel scaled to 8 bits, and the pixel with that channel set from 8 bits.
BYTE ReadChannel(DWORD pixel, DWORD mask)
{
    const int shift = dib::LowestBit(mask);
    const DWORD top = mask >> shift;
    return top ? static_cast<BYTE>(((pixel & mask) >> shift) * 255 / top) : 0;
}

DWORD WriteChannel(DWORD pixel, DWORD mask, BYTE value)
{
    const int shift = dib::LowestBit(mask);
    const DWORD top = mask >> shift;
    return (pixel & ~mask) | (((value * top + 127) / 255) << shift & mask);
}

// The red, green and blue masks of the DIB's colours: the bit fields of a 32-bit one (where
// the DIB library finds them), else the 0x00RRGGBB order of colour table entries and plain
// pixels.
void PixelMasks(const PackedDib& dib, DWORD masks[3])
{
    masks[0] = 0x00FF0000;
    masks[1] = 0x0000FF00;
    masks[2] = 0x000000FF;
    if (dib.header->biCompression == BI_BITFIELDS)
        memcpy(masks, dib::TableOf(dib.header), 3 * sizeof(DWORD));
}

// Greys the colour in the `bytes` bytes at `at` (a colour table entry, or a pixel of 24 or
// 32 bits), unless it is the mask colour.
void GreyColour(BYTE* at, DWORD bytes, const DWORD masks[3])
{
    DWORD pixel = 0;
    memcpy(&pixel, at, bytes);
    const COLORREF c = RGB(ReadChannel(pixel, masks[0]), ReadChannel(pixel, masks[1]), ReadChannel(pixel, masks[2]));
    if (c == kMaskColor)
        return;
    const BYTE g = DisabledGreyLevel(c);
    for (int i = 0; i < 3; ++i)
        pixel = WriteChannel(pixel, masks[i], g);
    memcpy(at, &pixel, bytes);
}

// A heap copy of the DIB with its colour table (up to 8 bits) or its pixels (24 and 32
// bits, the 32-bit ones also as bit fields) greyed; 16-bit pictures stay as they are. The
// caller frees it.
BYTE* GreyedCopy(const PackedDib& dib)
{
    DWORD headerBytes = dib.header->biSize + dib.tableBytes;
    BYTE* copy = static_cast<BYTE*>(malloc(headerBytes + dib.pixelBytes));
    if (!copy)
        return NULL;
    memcpy(copy, dib.header, headerBytes + dib.pixelBytes);
    WORD bits = dib.header->biBitCount;
    DWORD masks[3];
    PixelMasks(dib, masks);
    if (bits <= 8) {
        BYTE* table = copy + dib.header->biSize;
        for (DWORD i = 0; i < dib.colors; ++i)
            GreyColour(table + i * 4, 4, masks);
    } else if (bits == 24 || bits == 32) {
        LONG rows = dib.header->biHeight < 0 ? -dib.header->biHeight : dib.header->biHeight;
        DWORD step = bits / 8;
        for (LONG y = 0; y < rows; ++y) {
            BYTE* row = copy + headerBytes + static_cast<DWORD>(y) * dib.stride;
            for (LONG x = 0; x < dib.header->biWidth; ++x)
                GreyColour(row + static_cast<DWORD>(x) * step, step, masks);
        }
    }
    return copy;
}

ButtonImageRecord* FindRecord(UINT_PTR bitmap)
{
    for (ButtonImageRecord* r = g_buttonImages.first; r; r = r->next)
        if (r->bitmap == bitmap)
            return r;
    return NULL;
}

// The six states of a themed button, in the order the button asks for them: normal, hot,
// pressed, disabled, default, stylus-hot. AddMasked blackens the masked pixels of the
// bitmap it is given, so every state gets a fresh one.
HIMAGELIST MakeStateList(const PackedDib& dib)
{
    BYTE* grey = GreyedCopy(dib);
    if (!grey)
        return NULL;
    LONG height = dib.header->biHeight < 0 ? -dib.header->biHeight : dib.header->biHeight;
    HIMAGELIST list = ImageList_Create(dib.header->biWidth, height, 0xFF, 5, 1);
    bool ok = list != NULL;
    for (int state = 0; ok && state < 6; ++state) {
        HBITMAP picture = BitmapFromDib(dib, state == 3 ? grey : reinterpret_cast<const BYTE*>(dib.header));
        ok = picture && ImageList_AddMasked(list, picture, kMaskColor) == state;
        if (picture)
            DeleteObject(picture);
    }
    free(grey);
    if (!ok && list) {
        ImageList_Destroy(list);
        list = NULL;
    }
    return list;
}

BOOL SetThemedImage(HWND button, UINT_PTR bitmap, const PackedDib& dib)
{
    if (ButtonImageRecord* cached = FindRecord(bitmap))
        return SendMessageA(button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&cached->list)) != 0;
    HIMAGELIST list = MakeStateList(dib);
    if (!list)
        return FALSE;
    ButtonImageRecord* record = static_cast<ButtonImageRecord*>(calloc(1, sizeof(ButtonImageRecord)));
    if (!record) {
        ImageList_Destroy(list);
        return FALSE;
    }
    record->list.himl = list;
    record->list.uAlign = BUTTON_IMAGELIST_ALIGN_CENTER;
    record->bitmap = bitmap;
    if (!SendMessageA(button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&record->list))) {
        ImageList_Destroy(list);
        free(record);
        return FALSE;
    }
    if (!g_buttonImages.first)
        atexit(&FreeButtonImages);
    ButtonImageRecord** tail = &g_buttonImages.first;
    while (*tail)
        tail = &(*tail)->next;
    *tail = record;
    return TRUE;
}

}  // namespace

BYTE DisabledGreyLevel(COLORREF color)
{
    DWORD l = (29 * GetBValue(color) + 76 * (GetRValue(color) + 2 * GetGValue(color))) / 256;
    if (l > 192)
        return static_cast<BYTE>((l + 579) / 4);
    if (l == 192)
        return 191;
    return static_cast<BYTE>(l / 4 + 144);
}

BOOL SetButtonBitmap(HWND button, UINT_PTR bitmap)
{
    if (!button || !bitmap)
        return FALSE;
    PackedDib dib;
    bool described = FindPackedDib(bitmap, &dib);
    if (described && ThemesActive() && SetThemedImage(button, bitmap, dib))
        return TRUE;
    HBITMAP picture = NULL;
    if (bitmap < 0x10000)
        picture = static_cast<HBITMAP>(LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(bitmap), IMAGE_BITMAP,
                                                  0, 0, LR_LOADMAP3DCOLORS));
    else if (described)
        picture = BitmapFromDib(dib, reinterpret_cast<const BYTE*>(dib.header));
    if (!picture)
        return FALSE;
    HGDIOBJ replaced = reinterpret_cast<HGDIOBJ>(
        SendMessageA(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture)));
    if (replaced && replaced == GetPropA(button, kOwnPictureProp))
        DeleteObject(replaced);
    SetPropA(button, kOwnPictureProp, picture);
    return replaced != NULL;
}

BOOL ClearButtonBitmap(HWND button)
{
    HGDIOBJ picture = reinterpret_cast<HGDIOBJ>(SendMessageA(button, BM_GETIMAGE, IMAGE_BITMAP, 0));
    if (!picture)
        return FALSE;
    SendMessageA(button, BM_SETIMAGE, IMAGE_BITMAP, 0);
    RemovePropA(button, kOwnPictureProp);
    return DeleteObject(picture);
}

int SetButtonThemeOverride(int themed)
{
    int previous = g_themeOverride;
    g_themeOverride = themed < 0 ? -1 : (themed ? 1 : 0);
    return previous;
}

int ButtonImageCacheCount()
{
    int n = 0;
    for (ButtonImageRecord* r = g_buttonImages.first; r; r = r->next)
        ++n;
    return n;
}
