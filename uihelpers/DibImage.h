// DibImage: the library's in-memory image. The value handed around is a pointer to a
// BITMAPINFOHEADER (biSize 40) followed by its colour table; in the same heap block, just
// before the header, sit the heap handle, the DIB section that holds the pixels, the pointer
// to those pixels, a memory device context made on demand, and the check word 0x12345678
// (the word right before the header). Pixel rows are bottom-up and padded to 4 bytes.
//
// Functions that take an information header and a bits pointer separately also accept a
// plain packed DIB that is no DibImage. Failures return 0 or null and leave the reason in
// the thread's last-error code: ERROR_INVALID_PARAMETER (87) for null or unreadable input
// and sizes outside 1..65535, ERROR_BAD_FORMAT (11) for a header or icon directory that
// cannot be read, ERROR_INVALID_DATA (13) when GDI cannot make or read a bitmap,
// ERROR_OBJECT_NOT_FOUND (4312) when no icon of a group fits.
//
// The main window and the controls know some of these under other names; each exists once,
// here, and the callers convert: DibCreateBlank (width, height, bits) and DibFromBitmap
// (bitmap, out) are the forms below with a null DC; DibGetCornerPixel is
// DibGetTopLeftColor; DibReplaceColour is DibReplaceColor (DibPixels.h).
#pragma once
#include <windows.h>

typedef BITMAPINFOHEADER DibImage;

const DWORD kDibCheckWord = 0x12345678;

// Flags word of DibFromPackedDib, passed on by the loaders and by DibCreateDeviceBitmap.
enum : DWORD {
    // Icon groups: the entry index, or with DIBF_BY_SIZE the wanted height * 256 + width.
    DIBF_ENTRY_MASK = 0xFFFF,
    DIBF_LARGEST = 0xFFFF,               // with DIBF_BY_SIZE: the largest entry
    // Bits 16-20: the target depth with DIBF_CONVERT (0 = 32, 31 = the screen's). For icon
    // groups also the depth filter: 0 keeps 32-bit entries, 29 to 31 keep all (29 then
    // converts to 32 bits, 30 does not convert, 31 converts to the screen's depth).
    DIBF_DEPTH_SHIFT = 16,
    DIBF_DEPTH_MASK = 0x1F0000,
    // Bits 21-22: what the data is.
    DIBF_KIND_ICON = 0x200000,           // an icon image: colour rows and an AND mask
    DIBF_KIND_CURSOR = 0x400000,         // a cursor image: a 4-byte hot spot precedes it
    DIBF_KIND_GROUP = 0x600000,          // an icon or cursor group directory
    DIBF_KIND_MASK = 0x600000,
    // Bits 24-25: which pixels take the device context's background colour.
    DIBF_TRANSPARENT_CORNER = 0x1000000, // the colour of the top-left pixel
    DIBF_TRANSPARENT_TEXT = 0x2000000,   // the device context's text colour
    DIBF_TRANSPARENT_MASK = 0x3000000,   // the image's AND mask (both bits)
    DIBF_MAP_3D_COLORS = 0x8000000,      // 0x808080, 0xC0C0C0, 0xDFDFDF become button colours
    DIBF_BLEND_ON_BK = 0x10000000,       // 32-bit result: blend onto the background colour
    DIBF_DEPTH_CHANGED = 0x20000000,
    DIBF_CONVERT = 0x40000000,           // convert to the depth of bits 16-20
    DIBF_BY_SIZE = 0x80000000            // icon groups: choose by size and depth
};
// flags & DIBF_BITS_GIVEN_TEST == DIBF_BITS_GIVEN: the pixels are not behind the header but
// passed in through the bits argument.
const DWORD DIBF_BITS_GIVEN = 0x8060EDCB;
const DWORD DIBF_BITS_GIVEN_TEST = 0x8060FFFF;

// The screen's bits per pixel as the converters see it. A test display that only offers
// 32 bits sets another depth with SetDibScreenDepth; 0 asks the screen again.
int DibScreenDepth();
void SetDibScreenDepth(int bitsPerPixel);

// --- The block and its accessors ---------------------------------------------------------

// A new block of `size` bytes behind the 20-byte header (heap handle set, bitmap, bits and
// DC null, check word set); null when the heap is exhausted.
DibImage* DibAlloc(DWORD size);
// Releases the memory DC, the section and the block. 0 with ERROR_INVALID_PARAMETER for a
// pointer that is null, unreadable or does not carry the check word; nothing is touched then.
BOOL DibFree(DibImage* image);
HBITMAP DibGetBitmap(const DibImage* image);
void* DibGetBits(const DibImage* image);
// The bits, and in *dc the memory DC with the section selected (made on first need).
void* DibGetBitsAndDC(DibImage* image, HDC* dc);
HDC DibGetDC(DibImage* image);
BOOL DibReleaseDC(DibImage* image);
// Nonzero when the pointer is a live DibImage (readable header carrying the check word).
BOOL DibIsImage(const void* image);

// --- Creators (a null hdc stands for the screen's) ---------------------------------------

// An empty image with a new section. Depth word: the low byte is the depth (0 = 32; 31, or
// bits 24 and 25 both set, the screen's); bit 30 fills a 32-bit image with alpha 255.
// 1- to 8-bit images get the standard palette: 16 fixed colours, then the system palette's
// entries, and black where the system gives none (a true-colour screen gives none); a 1- or
// 2-bit palette ends in white.
DibImage* DibCreateBlank(HDC hdc, int width, int height, DWORD depthWord, void** bits);
// The bitmap in its own format (bit fields kept only at 16 bits). With `bits` the image has
// a section holding the pixels; without, it is header and colour table only.
DibImage* DibFromBitmap(HDC hdc, HBITMAP bitmap, void** bits);
// The icon's colour bitmap; with `bits` its AND mask is applied in maskColour.
DibImage* DibFromIcon(HDC hdc, HICON icon, void** bits, COLORREF maskColour);
// The core conversion of a packed DIB (header, colour table, pixels). `bits` must not be
// null: on entry it holds the pixels (DIBF_BITS_GIVEN form) or, for icon groups, the module
// whose resources hold the entries; on return the pixels of the result. A new image comes
// back when a depth change, an option or an icon's mask split is asked, and always when the
// source is a DibImage (its pixels are read from its section, and the source stays as it is);
// otherwise a plain packed DIB comes back as it is (no check word: DibFree refuses it, and
// the caller keeps the data alive).
DibImage* DibFromPackedDib(HDC hdc, const BITMAPINFOHEADER* header, DWORD flags, void** bits);
// An image from PNG data (an icon resource entry). A null `bits` gives only a 40-byte header
// describing the PNG (BI_PNG, 32 bits, size from IHDR, biSizeImage = size, no section).
DibImage* DibFromIconResource(HDC hdc, const void* data, DWORD size, DWORD flags, void** bits);
// From a resource of the module: bitmaps, icon and cursor images, icon and cursor groups
// (chosen by the flags) and PNG entries. For a standard resource type the module goes into
// *bits (a local word when bits is null) and the kind bits follow the type.
DibImage* DibLoadResourceA(HDC hdc, HMODULE module, LPCSTR name, LPCSTR type, DWORD flags, void** bits);
DibImage* DibLoadResourceW(HDC hdc, HMODULE module, LPCWSTR name, LPCWSTR type, DWORD flags, void** bits);
// A DIB section bitmap (not a DibImage) from a packed DIB with a 40-byte header; bits null:
// right after the colour table. The caller deletes the bitmap.
HBITMAP DibCreateDeviceBitmap(HDC hdc, const BITMAPINFOHEADER* header, const void* bits, DWORD flags);

// --- BMP files ------------------------------------------------------------------------------

// Writes the image (or packed DIB; bits null: the image's own, else right after the colour
// table) as a BMP file. Overwrite 0 refuses an existing file. 1 after writing; 0 for a bad
// image (no file is made then) or when the file cannot be written (a partly written one is
// removed).
BOOL DibWriteBmpFileA(const BITMAPINFOHEADER* image, const void* bits, LPCSTR path, BOOL overwrite);
BOOL DibWriteBmpFileW(const BITMAPINFOHEADER* image, const void* bits, LPCWSTR path, BOOL overwrite);
// A device bitmap written as a BMP file.
BOOL DibSaveBitmapA(HBITMAP bitmap, LPCSTR path, BOOL overwrite);
BOOL DibSaveBitmapW(HBITMAP bitmap, LPCWSTR path, BOOL overwrite);
