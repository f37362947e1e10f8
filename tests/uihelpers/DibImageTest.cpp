#include "uihelpers/DibImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <vector>

#include "tests/uihelpers/DibTestSupport.h"
#include "uihelpers/DibPixels.h"

using namespace dibtest;

namespace {

// A packed DIB: header, colour table, pixels.
std::vector<BYTE> PackedDib(int width, int height, int depth, const std::vector<DWORD>& table,
                            const std::vector<BYTE>& pixels, DWORD clrUsed = 0)
{
    BITMAPINFOHEADER h = {};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(depth);
    h.biClrUsed = clrUsed ? clrUsed : static_cast<DWORD>(table.size());
    std::vector<BYTE> dib(sizeof h);
    memcpy(dib.data(), &h, sizeof h);
    for (DWORD entry : table)
        for (int k = 0; k < 4; ++k)
            dib.push_back(static_cast<BYTE>(entry >> (8 * k)));
    dib.insert(dib.end(), pixels.begin(), pixels.end());
    return dib;
}

const BITMAPINFOHEADER* Header(const std::vector<BYTE>& dib)
{
    return reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
}

// Sixteen colours that are not the standard ones, and a 4 x 2 4-bit image using eight of
// them (indexes 1..8, top row first).
const std::vector<DWORD> kOddColours = {0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x112233, 0x445566,
                                        0x778899, 0xAABBCC, 0xDDEEFF, 0x121212, 0x343434, 0x565656, 0x787878,
                                        0x9A9A9A, 0xBCBCBC};
std::vector<BYTE> FourBitSample()
{
    // Bottom row first: indexes 5 6 7 8, then the top row 1 2 3 4; rows padded to 4 bytes.
    return PackedDib(4, 2, 4, kOddColours, {0x56, 0x78, 0, 0, 0x12, 0x34, 0, 0});
}

// A 2 x 1 picture of more than 8 bits: its pixels, or with BI_BITFIELDS its three masks and
// its pixels; with `table`, a colour table of three entries announced by biClrUsed between
// them, which holds nothing a pixel holds.
std::vector<BYTE> TrueColourSample(int depth, DWORD compression, bool table)
{
    std::vector<DWORD> entries;
    if (compression == BI_BITFIELDS)
        entries = {0xF800, 0x07E0, 0x001F};
    if (table)
        entries.insert(entries.end(), {0x11111111, 0x22222222, 0x33333333});
    std::vector<BYTE> pixels;
    if (depth == 24)
        pixels = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0, 0};
    else if (depth == 32)
        pixels = {0x10, 0x20, 0x30, 0xFF, 0x40, 0x50, 0x60, 0xFF};
    else
        pixels = {0x1F, 0x00, 0xE0, 0x03};
    std::vector<BYTE> dib = PackedDib(2, 1, depth, entries, pixels);
    BITMAPINFOHEADER* h = reinterpret_cast<BITMAPINFOHEADER*>(dib.data());
    h->biCompression = compression;
    h->biClrUsed = table ? 3 : 0;
    return dib;
}

}  // namespace

TEST(DibImage, BlankImagesTheirSizesDepthsAndRefusals)
{
    struct Case {
        int width, height;
        DWORD depthWord;
        DWORD error;  // 0: made
        int bits;
    } cases[] = {
        {65536, 1, 0, ERROR_INVALID_PARAMETER, 0}, {0, 1, 0, ERROR_INVALID_PARAMETER, 0},
        {1, 0, 0, ERROR_INVALID_PARAMETER, 0},     {1, 65536, 32, ERROR_INVALID_PARAMETER, 0},
        {3, 2, 33, ERROR_INVALID_PARAMETER, 0},    {3, 2, 3, ERROR_INVALID_PARAMETER, 0},
        {65535, 65535, 8, ERROR_INVALID_DATA, 0},  // a section of 4 GiB cannot be made
        {65535, 1, 0, 0, 32}, {5, 3, 1, 0, 1}, {5, 3, 4, 0, 4}, {5, 3, 8, 0, 8}, {5, 3, 15, 0, 16},
        {5, 3, 16, 0, 16}, {5, 3, 24, 0, 24}, {5, 3, 32, 0, 32},
    };
    for (const Case& c : cases)
    {
        SetLastError(0);
        void* bits = reinterpret_cast<void*>(1);
        DibImage* image = DibCreateBlank(NULL, c.width, c.height, c.depthWord, &bits);
        if (c.error)
        {
            EXPECT_EQ(nullptr, image) << c.width << "x" << c.height << "x" << c.depthWord;
            EXPECT_EQ(c.error, GetLastError());
            EXPECT_EQ(nullptr, bits);
            continue;
        }
        ASSERT_NE(nullptr, image);
        // GDI's own description of the section agrees with the header.
        DIBSECTION ds = {};
        ASSERT_EQ(static_cast<int>(sizeof ds), GetObjectA(DibGetBitmap(image), sizeof ds, &ds));
        EXPECT_EQ(c.bits, ds.dsBm.bmBitsPixel);
        EXPECT_EQ(c.width, ds.dsBm.bmWidth);
        EXPECT_EQ(bits, ds.dsBm.bmBits);
        EXPECT_EQ(bits, DibGetBits(image));
        EXPECT_EQ(c.bits, image->biBitCount);
        EXPECT_EQ(kDibCheckWord, reinterpret_cast<const DWORD*>(image)[-1]);
        EXPECT_TRUE(DibFree(image));
    }
}

TEST(DibImage, PalettesAlphaAndTheScreenDepth)
{
    // The 16 fixed colours are the 16 of the system's default palette (its 20 entries hold
    // 4 more).
    PALETTEENTRY system[20];
    ASSERT_EQ(20u, GetPaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), 0, 20, system));
    std::set<DWORD> systemColours;
    for (const PALETTEENTRY& e : system)
        systemColours.insert((e.peRed << 16) | (e.peGreen << 8) | e.peBlue);
    void* bits = nullptr;
    DibImage* four = DibCreateBlank(NULL, 2, 2, 4, &bits);
    ASSERT_NE(nullptr, four);
    const DWORD* table = reinterpret_cast<const DWORD*>(four + 1);
    std::set<DWORD> ours(table, table + 16);
    EXPECT_EQ(16u, ours.size());
    for (DWORD c : ours)
        EXPECT_TRUE(systemColours.count(c)) << std::hex << c;
    DibFree(four);

    DibImage* one = DibCreateBlank(NULL, 2, 2, 1, &bits);
    table = reinterpret_cast<const DWORD*>(one + 1);
    EXPECT_EQ(0u, table[0]);
    EXPECT_EQ(0xFFFFFFu, table[1]);
    DibFree(one);

    // A true-colour screen has no system palette to give: the entries past 16 stay black.
    DibImage* eight = DibCreateBlank(NULL, 2, 2, 8, &bits);
    HDC screen = GetDC(NULL);
    PALETTEENTRY probe[4];
    bool paletteScreen = GetSystemPaletteEntries(screen, 16, 4, probe) != 0;
    ReleaseDC(NULL, screen);
    table = reinterpret_cast<const DWORD*>(eight + 1);
    for (int i = 16; i < 256 && !paletteScreen; ++i)
        EXPECT_EQ(0u, table[i]) << i;
    DibFree(eight);

    DibImage* alpha = DibCreateBlank(NULL, 7, 3, 0x40000000, &bits);
    for (int i = 0; i < 21; ++i)
        EXPECT_EQ(0xFF000000u, static_cast<DWORD*>(bits)[i]);
    DibFree(alpha);

    // The screen's depth as the test sets it, by the depth word 31 and by bits 24-25.
    SetDibScreenDepth(16);
    for (DWORD word : {31u, 0x3000000u})
    {
        DibImage* screenDepth = DibCreateBlank(NULL, 2, 2, word, &bits);
        EXPECT_EQ(16, screenDepth->biBitCount);
        DibFree(screenDepth);
    }
    SetDibScreenDepth(0);
}

TEST(DibImage, FreeAndAccessorsRefuseWhatIsNoImage)
{
    // A buffer whose word before the "header" is not the check word stays untouched.
    std::vector<BYTE> foreign(64, 0xAB);
    SetLastError(0);
    EXPECT_FALSE(DibFree(reinterpret_cast<DibImage*>(foreign.data() + 20)));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(std::vector<BYTE>(64, 0xAB), foreign);
    EXPECT_FALSE(DibFree(nullptr));
    GuardedBytes guard;
    EXPECT_FALSE(DibFree(reinterpret_cast<DibImage*>(guard.Unreadable() + 20)));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(nullptr, DibGetBits(reinterpret_cast<DibImage*>(foreign.data() + 20)));

    // A header-only image has no section and no DC.
    HBITMAP device = CreateBitmap(4, 4, 1, 1, nullptr);
    DibImage* headerOnly = DibFromBitmap(NULL, device, nullptr);
    ASSERT_NE(nullptr, headerOnly);
    SetLastError(0);
    EXPECT_EQ(nullptr, DibGetBitmap(headerOnly));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError());
    HDC dc = reinterpret_cast<HDC>(1);
    EXPECT_EQ(nullptr, DibGetBitsAndDC(headerOnly, &dc));
    EXPECT_EQ(nullptr, dc);
    EXPECT_TRUE(DibFree(headerOnly));
    DeleteObject(device);

    void* bits = nullptr;
    DibImage* image = DibCreateBlank(NULL, 4, 4, 32, &bits);
    HDC first = DibGetDC(image);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, DibGetDC(image));
    EXPECT_EQ(DibGetBitmap(image), GetCurrentObject(first, OBJ_BITMAP));
    EXPECT_TRUE(DibReleaseDC(image));
    SetLastError(0);
    EXPECT_FALSE(DibReleaseDC(image));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError());
    EXPECT_TRUE(DibFree(image));
}

TEST(DibFromPackedDib, PlainDibServesAsItIsButAnImageIsAlwaysCopied)
{
    std::vector<BYTE> dib = FourBitSample();
    void* bits = nullptr;
    EXPECT_EQ(Header(dib), DibFromPackedDib(NULL, Header(dib), 0, &bits));
    EXPECT_EQ(dib.data() + 40 + 64, bits);

    // An image's pixels live in its section, not behind its colour table: the copy reads
    // them from there, and outlives its source.
    void* sourceBits = nullptr;
    std::vector<DWORD> pixels = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x80FFFFFF, 0x12345678, 0};
    DibImage* source = Image32(3, 2, pixels, &sourceBits);
    DibImage* copy = DibFromPackedDib(NULL, source, 0, &bits);
    ASSERT_NE(nullptr, copy);
    EXPECT_NE(source, copy);
    EXPECT_NE(sourceBits, bits);
    EXPECT_TRUE(DibFree(source));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(pixels[i], Raw(copy, bits, i % 3, i / 3));
    EXPECT_TRUE(DibFree(copy));

    // Converted to 8 bits, the red top-left pixel finds red in the standard palette.
    source = Image32(3, 2, pixels, &sourceBits);
    DibImage* eight = DibFromPackedDib(NULL, source, DIBF_CONVERT | (8u << DIBF_DEPTH_SHIFT), &bits);
    ASSERT_NE(nullptr, eight);
    EXPECT_EQ(8, eight->biBitCount);
    EXPECT_EQ(0xFF0000u, Rgb(eight, bits, 0, 0));
    EXPECT_EQ(0x0000FFu, Rgb(eight, bits, 2, 0));
    DibFree(eight);
    DibFree(source);
}

TEST(DibFromPackedDib, DamagedDataGivesItsErrorAndReadsNothingBeyond)
{
    using Edit = std::function<void(std::vector<BYTE>&)>;
    auto header = [](std::vector<BYTE>& d) { return reinterpret_cast<BITMAPINFOHEADER*>(d.data()); };
    // A group directory of `count` entries (16 x 16 x 4, id 1) with its first words given.
    auto group = [](WORD reserved, WORD type, WORD count) {
        std::vector<BYTE> d = {static_cast<BYTE>(reserved), 0, static_cast<BYTE>(type), 0, static_cast<BYTE>(count),
                               0};
        for (int i = 0; i < count; ++i)
            d.insert(d.end(), {16, 16, 0, 0, 1, 0, 4, 0, 0x28, 1, 0, 0, 1, 0});
        return d;
    };
    const DWORD kGroup = DIBF_KIND_GROUP;
    const DWORD kBySize = DIBF_BY_SIZE | DIBF_LARGEST;
    struct Case {
        const char* what;
        std::vector<BYTE> data;
        Edit edit;
        size_t readable;  // 0: all of it
        DWORD flags;
        DWORD error;
    } cases[] = {
        {"biSize 39", FourBitSample(), [&](std::vector<BYTE>& d) { header(d)->biSize = 39; }, 0, 0, ERROR_BAD_FORMAT},
        {"biSize 125", FourBitSample(), [&](std::vector<BYTE>& d) { header(d)->biSize = 125; }, 0, 0, ERROR_BAD_FORMAT},
        {"width 0", FourBitSample(), [&](std::vector<BYTE>& d) { header(d)->biWidth = 0; }, 0, 0, ERROR_BAD_FORMAT},
        {"width 65536", FourBitSample(), [&](std::vector<BYTE>& d) { header(d)->biWidth = 65536; }, 0, 0,
         ERROR_BAD_FORMAT},
        {"height 0", FourBitSample(), [&](std::vector<BYTE>& d) { header(d)->biHeight = 0; }, 0, 0, ERROR_BAD_FORMAT},
        {"depth 33", FourBitSample(), [&](std::vector<BYTE>& d) { header(d)->biBitCount = 33; }, 0, DIBF_CONVERT,
         ERROR_BAD_FORMAT},
        // Depths up to 32 pass the header check; one GDI has no pixels for fails in drawing.
        {"depth 3", FourBitSample(), [&](std::vector<BYTE>& d) { header(d)->biBitCount = 3; }, 0, DIBF_CONVERT,
         ERROR_INVALID_DATA},
        {"pixels cut short", FourBitSample(), nullptr, 40 + 64 + 5, DIBF_CONVERT, ERROR_INVALID_PARAMETER},
        {"header cut short", FourBitSample(), nullptr, 30, 0, ERROR_INVALID_PARAMETER},
        {"33 group entries", group(0, 1, 33), nullptr, 0, kGroup, ERROR_BAD_FORMAT},
        {"group reserved 1", group(1, 1, 1), nullptr, 0, kGroup, ERROR_BAD_FORMAT},
        {"group type 3", group(0, 3, 1), nullptr, 0, kGroup, ERROR_BAD_FORMAT},
        {"group index 5 of 1", group(0, 1, 1), nullptr, 0, kGroup | 5, ERROR_OBJECT_NOT_FOUND},
        {"no 24-bit entry", group(0, 1, 2), nullptr, 0, kGroup | kBySize | (24u << DIBF_DEPTH_SHIFT),
         ERROR_OBJECT_NOT_FOUND},
        {"group cut short", group(0, 1, 4), nullptr, 6 + 3 * 14, kGroup, ERROR_BAD_FORMAT},
        {"24-bit table past the data", TrueColourSample(24, BI_RGB, true),
         [&](std::vector<BYTE>& d) { header(d)->biClrUsed = 0x40000000; }, 0, 0, ERROR_INVALID_PARAMETER},
        {"24-bit table cut short", TrueColourSample(24, BI_RGB, true), nullptr, 40 + 8, DIBF_CONVERT,
         ERROR_INVALID_PARAMETER},
    };
    GuardedBytes guard;
    for (Case& c : cases)
    {
        if (c.edit)
            c.edit(c.data);
        std::vector<BYTE> padded = c.data;
        padded.resize(padded.size() + 64, 0);  // so that the 44-byte probe of a group passes
        const BYTE* at = c.readable ? guard.Place(c.data, c.readable) : guard.Place(padded, padded.size());
        void* bits = reinterpret_cast<void*>(0x1234);
        SetLastError(0);
        EXPECT_EQ(nullptr, DibFromPackedDib(NULL, reinterpret_cast<const BITMAPINFOHEADER*>(at), c.flags, &bits))
            << c.what;
        EXPECT_EQ(c.error, GetLastError()) << c.what;
        EXPECT_EQ(nullptr, bits) << c.what;
    }
    SetLastError(0);
    EXPECT_EQ(nullptr, DibFromPackedDib(NULL, nullptr, 0, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    std::vector<BYTE> dib = FourBitSample();
    EXPECT_EQ(nullptr, DibFromPackedDib(NULL, Header(dib), 0, nullptr));

    // A colour count above 2^depth counts as 2^depth: the pixels are found behind 16 entries.
    std::vector<BYTE> many = PackedDib(4, 2, 4, kOddColours, {0x56, 0x78, 0, 0, 0x12, 0x34, 0, 0}, 300);
    void* bits = nullptr;
    DibImage* image = DibFromPackedDib(NULL, Header(many), DIBF_CONVERT, &bits);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(kOddColours[1], Rgb(image, bits, 0, 0));
    DibFree(image);
}

// Above 8 bits a colour table is optional (a palette for screens of 256 colours); when
// biClrUsed announces one, the pixels stand behind it. The same picture with and without a
// table reads the same, as it is, converted, or made a device bitmap.
TEST(DibFromPackedDib, PicturesAboveEightBitsAreReadBehindTheirColourTable)
{
    const struct {
        int depth;
        DWORD compression;
        size_t tableBytes;  // from the header to the pixels, the table included
    } cases[] = {{24, BI_RGB, 12}, {32, BI_RGB, 12}, {16, BI_RGB, 12}, {16, BI_BITFIELDS, 24}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.depth << " " << c.compression);
        const std::vector<BYTE> plain = TrueColourSample(c.depth, c.compression, false);
        const std::vector<BYTE> tabled = TrueColourSample(c.depth, c.compression, true);
        for (DWORD flags : {DWORD(0), DWORD(DIBF_CONVERT), DWORD(DIBF_CONVERT | (24u << DIBF_DEPTH_SHIFT))})
        {
            void* plainBits = nullptr;
            void* tabledBits = nullptr;
            DibImage* a = DibFromPackedDib(NULL, Header(plain), flags, &plainBits);
            DibImage* b = DibFromPackedDib(NULL, Header(tabled), flags, &tabledBits);
            ASSERT_NE(nullptr, a) << flags;
            ASSERT_NE(nullptr, b) << flags;
            if (b == Header(tabled))
            {
                EXPECT_EQ(tabled.data() + 40 + c.tableBytes, tabledBits);
            }
            EXPECT_EQ(a->biBitCount, b->biBitCount) << flags;
            for (int x = 0; x < 2; ++x)
                EXPECT_EQ(Raw(a, plainBits, x, 0), Raw(b, tabledBits, x, 0)) << flags << " x " << x;
            if (a != Header(plain))
                DibFree(a);
            if (b != Header(tabled))
                DibFree(b);
        }
        // A device bitmap finds its pixels by the same rule when none are given.
        HBITMAP fromPlain = DibCreateDeviceBitmap(NULL, Header(plain), nullptr, 0);
        HBITMAP fromTabled = DibCreateDeviceBitmap(NULL, Header(tabled), nullptr, 0);
        ASSERT_NE(nullptr, fromPlain);
        ASSERT_NE(nullptr, fromTabled);
        void* plainBits = nullptr;
        void* tabledBits = nullptr;
        DibImage* a = DibFromBitmap(NULL, fromPlain, &plainBits);
        DibImage* b = DibFromBitmap(NULL, fromTabled, &tabledBits);
        ASSERT_NE(nullptr, a);
        ASSERT_NE(nullptr, b);
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(Raw(a, plainBits, x, 0), Raw(b, tabledBits, x, 0)) << "device bitmap x " << x;
        DibFree(a);
        DibFree(b);
        DeleteObject(fromPlain);
        DeleteObject(fromTabled);
    }
}

// A 16- or 24-bit picture has no alpha: made 32 bits with a transparent colour, that colour
// gets the background with alpha 0 and every other pixel alpha 255, as from a palette picture.
TEST(DibFromPackedDib, TransparencyOfPicturesWithoutAlphaLeavesTheRestOpaque)
{
    HDC dc = CreateCompatibleDC(NULL);
    SetBkColor(dc, RGB(1, 2, 3));
    SetTextColor(dc, RGB(0, 0, 0));
    // Left a colour, right black (0 in every format).
    const struct {
        int depth;
        std::vector<BYTE> pixels;
        DWORD transparency;
        int transparentX;
    } cases[] = {
        {24, {0x10, 0x20, 0x30, 0, 0, 0, 0, 0}, DIBF_TRANSPARENT_CORNER, 0},
        {24, {0x10, 0x20, 0x30, 0, 0, 0, 0, 0}, DIBF_TRANSPARENT_TEXT, 1},
        {16, {0x1F, 0x7C, 0, 0}, DIBF_TRANSPARENT_CORNER, 0},
        {16, {0x1F, 0x7C, 0, 0}, DIBF_TRANSPARENT_TEXT, 1},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.depth << " " << std::hex << c.transparency);
        const std::vector<BYTE> dib = PackedDib(2, 1, c.depth, {}, c.pixels);
        void* plainBits = nullptr;
        void* bits = nullptr;
        DibImage* plain = DibFromPackedDib(dc, Header(dib), DIBF_CONVERT, &plainBits);
        DibImage* image = DibFromPackedDib(dc, Header(dib), DIBF_CONVERT | c.transparency, &bits);
        ASSERT_NE(nullptr, plain);
        ASSERT_NE(nullptr, image);
        ASSERT_EQ(32, image->biBitCount);
        const int other = 1 - c.transparentX;
        EXPECT_EQ(0x00010203u, Raw(image, bits, c.transparentX, 0));
        EXPECT_EQ(0xFF000000u | (Raw(plain, plainBits, other, 0) & 0xFFFFFF), Raw(image, bits, other, 0));
        DibFree(plain);
        DibFree(image);
    }
    DeleteDC(dc);
}

TEST(DibFromPackedDib, ConversionsKeepTheColours)
{
    std::vector<BYTE> dib = FourBitSample();
    struct Case {
        DWORD flags;
        int depth;
    } cases[] = {{DIBF_CONVERT, 32}, {DIBF_CONVERT | (24u << DIBF_DEPTH_SHIFT), 24},
                 {DIBF_CONVERT | (8u << DIBF_DEPTH_SHIFT), 8}, {DIBF_CONVERT | (16u << DIBF_DEPTH_SHIFT), 16}};
    for (const Case& c : cases)
    {
        void* bits = nullptr;
        DibImage* image = DibFromPackedDib(NULL, Header(dib), c.flags, &bits);
        ASSERT_NE(nullptr, image) << c.depth;
        EXPECT_EQ(c.depth, image->biBitCount);
        for (int i = 0; i < 8; ++i)
        {
            DWORD want = kOddColours[1 + i];
            DWORD got = Rgb(image, bits, i % 4, i / 4);
            if (c.depth == 16)  // 5 bits a channel: the top five bits of each survive
                EXPECT_EQ(want & 0xF8F8F8, ((got << 9) & 0xF80000) | ((got << 6) & 0xF800) | ((got << 3) & 0xF8)) << i;
            else
                EXPECT_EQ(want, got) << c.depth << " " << i;
        }
        DibFree(image);
    }
}

// Down to fewer bits a picture takes the standard palette: each pixel becomes the standard
// colour nearest to its own (worked out here over the palette of a blank 4-bit image), not
// one of the first entries of its own larger palette, which for a gray ramp are all black.
TEST(DibFromPackedDib, FewerBitsTakeTheStandardPalette)
{
    std::vector<DWORD> ramp(256);
    for (DWORD i = 0; i < 256; ++i)
        ramp[i] = i * 0x010101;
    const BYTE greys[4] = {0x10, 0x80, 0xC0, 0xF0};
    std::vector<BYTE> dib = PackedDib(4, 1, 8, ramp, {greys[0], greys[1], greys[2], greys[3]});
    void* blankBits = nullptr;
    DibImage* blank = DibCreateBlank(NULL, 1, 1, 4, &blankBits);
    ASSERT_NE(nullptr, blank);
    const DWORD* standard = reinterpret_cast<const DWORD*>(blank + 1);
    void* bits = nullptr;
    DibImage* image = DibFromPackedDib(NULL, Header(dib), DIBF_CONVERT | (4u << DIBF_DEPTH_SHIFT), &bits);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(4, image->biBitCount);
    for (int x = 0; x < 4; ++x)
    {
        DWORD nearest = 0;
        long best = -1;
        for (int i = 0; i < 16; ++i)
        {
            long d = 0;
            for (int k = 0; k < 3; ++k)
            {
                const long c = static_cast<long>((standard[i] >> (8 * k)) & 0xFF) - greys[x];
                d += c * c;
            }
            if (best < 0 || d < best)
            {
                best = d;
                nearest = standard[i] & 0xFFFFFF;
            }
        }
        EXPECT_EQ(nearest, Rgb(image, bits, x, 0)) << x;
    }
    DibFree(image);
    DibFree(blank);
}

TEST(DibFromPackedDib, TransparencyGreysBlendingAndIconMasks)
{
    // Options without a depth take the screen's (32 here): the top-left colour (index 1) gets
    // the background colour with alpha 0, everything else alpha 255.
    SetDibScreenDepth(32);
    HDC dc = CreateCompatibleDC(NULL);
    SetBkColor(dc, RGB(1, 2, 3));
    SetTextColor(dc, 0x665544);  // entry 6 (0x445566) as a COLORREF
    std::vector<BYTE> dib = FourBitSample();
    void* bits = nullptr;
    DibImage* image = DibFromPackedDib(dc, Header(dib), DIBF_TRANSPARENT_CORNER, &bits);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(0x00010203u, Raw(image, bits, 0, 0));
    for (int i = 1; i < 8; ++i)
        EXPECT_EQ(0xFF000000u | kOddColours[1 + i], Raw(image, bits, i % 4, i / 4)) << i;
    DibFree(image);

    // The text colour: the entry 0x445566 matches COLORREF 0x665544 turned into pixel order.
    image = DibFromPackedDib(dc, Header(dib), DIBF_TRANSPARENT_TEXT, &bits);
    EXPECT_EQ(0x00010203u, Raw(image, bits, 1, 1));
    EXPECT_EQ(0xFF000000u | kOddColours[1], Raw(image, bits, 0, 0));
    DibFree(image);

    // Greys become the button colours; a half-transparent pixel blends onto the background.
    std::vector<BYTE> greys = PackedDib(2, 1, 32, {}, {0xC0, 0xC0, 0xC0, 0xFF, 200, 100, 50, 128});
    image = DibFromPackedDib(dc, Header(greys), DIBF_MAP_3D_COLORS | DIBF_BLEND_ON_BK, &bits);
    ASSERT_NE(nullptr, image);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ((GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face), Raw(image, bits, 0, 0) & 0xFFFFFF);
    DWORD mixed = Raw(image, bits, 1, 0);
    const int channels[3] = {200, 100, 50};
    const int background[3] = {3, 2, 1};  // blue, green, red of RGB(1, 2, 3)
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(channels[k] * 128 / 255.0 + background[k] * 127 / 255.0, (mixed >> (8 * k)) & 0xFF, 1.0) << k;
    EXPECT_EQ(128u, mixed >> 24);
    DibFree(image);

    // An icon image: 4 x 4 colour rows of index 2, then the AND mask (left column set).
    std::vector<BYTE> icon = PackedDib(4, 8, 4, kOddColours, std::vector<BYTE>(16, 0x22));
    for (int row = 0; row < 4; ++row)
        icon.insert(icon.end(), {0x80, 0, 0, 0});
    reinterpret_cast<BITMAPINFOHEADER*>(icon.data())->biSizeImage = 16;  // the colour rows only
    image = DibFromPackedDib(dc, Header(icon), DIBF_KIND_ICON | DIBF_TRANSPARENT_MASK, &bits);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(4, image->biHeight);
    for (int y = 0; y < 4; ++y)
    {
        EXPECT_EQ(0x00010203u, Raw(image, bits, 0, y));
        EXPECT_EQ(0xFF000000u | kOddColours[2], Raw(image, bits, 3, y));
    }
    DibFree(image);
    // The same rows as a cursor image begin after a 4-byte hot spot.
    std::vector<BYTE> cursor(4 + icon.size(), 0);
    cursor[0] = 3;
    cursor[2] = 5;
    memcpy(cursor.data() + 4, icon.data(), icon.size());
    image = DibFromPackedDib(dc, Header(cursor), DIBF_KIND_CURSOR, &bits);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(4, image->biHeight);
    EXPECT_EQ(kOddColours[2], Rgb(image, bits, 1, 1));
    DibFree(image);
    DeleteDC(dc);
    SetDibScreenDepth(0);
}

TEST(DibFromBitmap, FormatPixelsAndIcons)
{
    // A 24-bit DIB section painted by GDI comes back with its pixels.
    HDC dc = CreateCompatibleDC(NULL);
    void* sectionBits = nullptr;
    DibImage* painted = DibCreateBlank(NULL, 6, 4, 24, &sectionBits);
    HGDIOBJ old = SelectObject(dc, DibGetBitmap(painted));
    RECT left = {0, 0, 3, 4};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &left, red);
    SelectObject(dc, old);
    void* bits = nullptr;
    DibImage* copy = DibFromBitmap(NULL, DibGetBitmap(painted), &bits);
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(24, copy->biBitCount);
    EXPECT_EQ(0xFF0000u, Rgb(copy, bits, 2, 3));
    EXPECT_EQ(0u, Rgb(copy, bits, 3, 0));
    DibFree(copy);

    // An icon whose AND mask covers the right half: those pixels take the mask colour.
    HBITMAP colour = DibGetBitmap(painted);
    std::vector<BYTE> maskRows(4 * 2, 0);
    for (int y = 0; y < 4; ++y)
        maskRows[2 * y] = 0x1C;  // columns 3, 4, 5
    HBITMAP mask = CreateBitmap(6, 4, 1, 1, maskRows.data());
    ICONINFO info = {TRUE, 0, 0, mask, colour};
    HICON icon = CreateIconIndirect(&info);
    ASSERT_NE(nullptr, icon);
    DibImage* fromIcon = DibFromIcon(NULL, icon, &bits, RGB(0, 0, 255));
    ASSERT_NE(nullptr, fromIcon);
    EXPECT_EQ(0xFF0000u, Rgb(fromIcon, bits, 0, 0));
    EXPECT_EQ(0x0000FFu, Rgb(fromIcon, bits, 5, 3));
    DibFree(fromIcon);
    DestroyIcon(icon);
    DeleteObject(mask);
    DeleteObject(red);
    DibFree(painted);
    DeleteDC(dc);
    SetLastError(0);
    EXPECT_EQ(nullptr, DibFromBitmap(NULL, NULL, &bits));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    // A bitmap that is gone cannot be read.
    HBITMAP gone = CreateBitmap(2, 2, 1, 32, nullptr);
    DeleteObject(gone);
    SetLastError(0);
    EXPECT_EQ(nullptr, DibFromBitmap(NULL, gone, &bits));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError());
    EXPECT_EQ(nullptr, bits);
}
