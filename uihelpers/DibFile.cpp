// BMP files: a 14-byte file header, the 40-byte information header, the colour table or
// masks, and the pixel rows bottom-up.
#include "uihelpers/DibImage.h"

#include <string.h>

#include "uihelpers/DibInternal.h"

using namespace dib;

namespace {

#pragma pack(push, 2)
struct BmpFileHeader {
    WORD type;        // "BM"
    DWORD fileSize;
    WORD reserved1;
    WORD reserved2;
    DWORD pixelOffset;
};
#pragma pack(pop)
static_assert(sizeof(BmpFileHeader) == 14, "the BMP file header is 14 bytes");

// What goes into the file, checked before anything is created.
struct BmpParts {
    BITMAPINFOHEADER header;
    const BYTE* table;
    DWORD entries;
    const BYTE* pixels;
    DWORD pixelBytes;
};

bool Prepare(const BITMAPINFOHEADER* image, const void* bits, BmpParts* parts)
{
    if (!image || ::IsBadReadPtr(image, sizeof(BITMAPINFOHEADER)))
        return false;
    DWORD width, height;
    if (image->biSize < sizeof(BITMAPINFOHEADER) || image->biSize > 124 || !ImageSize(image, &width, &height) ||
        !IsKnownDepth(image->biBitCount) || ::IsBadReadPtr(image, image->biSize))
        return false;
    // The information header goes into the file as it stands, but for two words that would
    // make a corrupt file:
    parts->header = *image;
    // - only its first 40 bytes are written, so a V4 or V5 header (biSize 108 or 124) that
    //   kept its size would send readers past them for the colour table;
    parts->header.biSize = sizeof(BITMAPINFOHEADER);
    parts->entries = ColourEntries(image);
    parts->table = TableOf(image);
    if (::IsBadReadPtr(parts->table, 4 * parts->entries))
        return false;
    // - a biClrUsed that counts colours the file does not hold (a table above 8 bits, which
    //   is not written, or more than 2^depth entries) would make readers take pixels for
    //   colours. 0, "all 2^depth", and the count written stay.
    const DWORD written = IsPaletteDepth(image->biBitCount) ? parts->entries : 0;
    if (image->biClrUsed != 0 && image->biClrUsed != written)
        parts->header.biClrUsed = written;
    bool plain = image->biCompression == BI_RGB || image->biCompression == BI_BITFIELDS;
    parts->pixelBytes = plain ? RowStride(width, image->biBitCount) * height : image->biSizeImage;
    if (parts->pixelBytes == 0)
        return false;
    if (!bits)
    {
        const Block* block = ReadableBlock(image);
        const unsigned long long offset = PixelOffset(image);
        if (!block && (offset > 0x7FFFFFFF || ::IsBadReadPtr(image, static_cast<UINT_PTR>(offset))))
            return false;
        bits = block ? block->bits : PixelsBehind(image);
    }
    parts->pixels = static_cast<const BYTE*>(bits);
    return parts->pixels && !::IsBadReadPtr(parts->pixels, parts->pixelBytes);
}

BOOL WriteAll(HANDLE file, const void* data, DWORD size)
{
    DWORD written = 0;
    return ::WriteFile(file, data, size, &written, NULL) && written == size;
}

template <typename Char, typename CreateFn, typename DeleteFn>
BOOL WriteBmp(const BITMAPINFOHEADER* image, const void* bits, const Char* path, BOOL overwrite, CreateFn create,
              DeleteFn remove)
{
    BmpParts parts;
    if (!path || !Prepare(image, bits, &parts))
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    HANDLE file = create(path, GENERIC_WRITE, 0, NULL, overwrite ? CREATE_ALWAYS : CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    BmpFileHeader head = {};
    head.type = 0x4D42;
    head.pixelOffset = sizeof(BmpFileHeader) + sizeof(BITMAPINFOHEADER) + 4 * parts.entries;
    head.fileSize = head.pixelOffset + parts.pixelBytes;
    BOOL ok = WriteAll(file, &head, sizeof head) && WriteAll(file, &parts.header, sizeof parts.header) &&
              WriteAll(file, parts.table, 4 * parts.entries) && WriteAll(file, parts.pixels, parts.pixelBytes);
    DWORD error = ::GetLastError();
    ::CloseHandle(file);
    if (!ok)
    {
        // No half-written picture stays behind.
        remove(path);
        ::SetLastError(error);
    }
    return ok;
}

}  // namespace

BOOL DibWriteBmpFileA(const BITMAPINFOHEADER* image, const void* bits, LPCSTR path, BOOL overwrite)
{
    return WriteBmp(image, bits, path, overwrite, ::CreateFileA, ::DeleteFileA);
}

BOOL DibWriteBmpFileW(const BITMAPINFOHEADER* image, const void* bits, LPCWSTR path, BOOL overwrite)
{
    return WriteBmp(image, bits, path, overwrite, ::CreateFileW, ::DeleteFileW);
}

namespace {

template <typename Char, typename WriteFn>
BOOL SaveBitmap(HBITMAP bitmap, const Char* path, BOOL overwrite, WriteFn write)
{
    void* bits = NULL;
    DibImage* image = DibFromBitmap(NULL, bitmap, &bits);
    if (!image)
        return FALSE;
    BOOL ok = write(image, bits, path, overwrite);
    DWORD error = ::GetLastError();
    DibFree(image);
    ::SetLastError(error);
    return ok;
}

}  // namespace

BOOL DibSaveBitmapA(HBITMAP bitmap, LPCSTR path, BOOL overwrite)
{
    return SaveBitmap(bitmap, path, overwrite, DibWriteBmpFileA);
}

BOOL DibSaveBitmapW(HBITMAP bitmap, LPCWSTR path, BOOL overwrite)
{
    return SaveBitmap(bitmap, path, overwrite, DibWriteBmpFileW);
}
