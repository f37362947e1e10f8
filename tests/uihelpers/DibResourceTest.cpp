// Bitmaps from the test program's own resources (pictures made at build time by ImageMagick
// and icoutils, see make-dib-resources.sh) and BMP files that ImageMagick reads back after
// the suite (check-bmp-files.sh).
#include "uihelpers/DibImage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"
#include "tests/uihelpers/DibTestSupport.h"
#include "uihelpers/DibPixels.h"

using namespace dibtest;

namespace {

const WORD kGroup1 = 7101;  // 16x16x4 blue corner, 32x32x8 yellow corner, 32x32x32 cyan corner
const WORD kGroup2 = 7102;  // a PNG 48x48 navy corner stored raw, 16x16x32 blue corner
const WORD kCursor = 7103;
const WORD kStrip = 7110;
const char kDamaged[] = "DIBTEST";

const DWORD kAnyDepth = 29u << DIBF_DEPTH_SHIFT;

// The data of a resource of the test program.
std::pair<const void*, DWORD> ResourceData(LPCSTR name, LPCSTR type)
{
    HRSRC r = FindResourceA(NULL, name, type);
    if (!r)
        return {nullptr, 0};
    return {LockResource(LoadResource(NULL, r)), SizeofResource(NULL, r)};
}

// The id of a group's entry, from its directory.
WORD EntryId(WORD group, int index)
{
    const BYTE* dir = static_cast<const BYTE*>(ResourceData(MAKEINTRESOURCEA(group), RT_GROUP_ICON).first);
    return static_cast<WORD>(dir[6 + 14 * index + 12] | (dir[6 + 14 * index + 13] << 8));
}

std::string OutDir()
{
    std::string dir = testsupport::BinaryDir() + "\\tests\\uihelpers\\bmpout";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

}  // namespace

TEST(DibResources, IconGroupChoices)
{
    SetDibScreenDepth(16);
    struct Case {
        DWORD flags;
        DWORD error;
        int width, depth;
        DWORD corner;  // 0x00RRGGBB of the top-left pixel
    } cases[] = {
        {DIBF_BY_SIZE | DIBF_LARGEST | kAnyDepth, 0, 32, 32, 0x00FFFF},
        {DIBF_BY_SIZE | 0x1010 | kAnyDepth, 0, 16, 4, 0x0000FF},
        {DIBF_BY_SIZE | 0x2020 | kAnyDepth, 0, 32, 32, 0x00FFFF},     // the higher depth of two
        {DIBF_BY_SIZE | DIBF_LARGEST, 0, 32, 32, 0x00FFFF},           // depth 0 keeps 32-bit ones
        {DIBF_BY_SIZE | DIBF_LARGEST | (8u << DIBF_DEPTH_SHIFT), 0, 32, 8, 0xFFFF00},
        {DIBF_BY_SIZE | DIBF_LARGEST | (24u << DIBF_DEPTH_SHIFT), ERROR_OBJECT_NOT_FOUND, 0, 0, 0},
        {DIBF_BY_SIZE | 0x3030 | kAnyDepth, ERROR_OBJECT_NOT_FOUND, 0, 0, 0},
        {0, 0, 16, 4, 0x0000FF},
        {1, 0, 32, 8, 0xFFFF00},
        {3, ERROR_OBJECT_NOT_FOUND, 0, 0, 0},
        // Converted after the choice: 29 to 32 bits, 30 not at all, 31 to the screen's.
        {DIBF_BY_SIZE | 0x1010 | kAnyDepth | DIBF_CONVERT, 0, 16, 32, 0x0000FF},
        {DIBF_BY_SIZE | 0x1010 | (30u << DIBF_DEPTH_SHIFT) | DIBF_CONVERT, 0, 16, 4, 0x0000FF},
        {DIBF_BY_SIZE | 0x1010 | (31u << DIBF_DEPTH_SHIFT) | DIBF_CONVERT, 0, 16, 16, 0x0000FF},
    };
    for (const Case& c : cases)
    {
        void* bits = nullptr;
        SetLastError(0);
        DibImage* image = DibLoadResourceA(NULL, NULL, MAKEINTRESOURCEA(kGroup1), RT_GROUP_ICON, c.flags, &bits);
        if (c.error)
        {
            EXPECT_EQ(nullptr, image) << std::hex << c.flags;
            EXPECT_EQ(c.error, GetLastError());
            EXPECT_EQ(nullptr, bits);
            continue;
        }
        ASSERT_NE(nullptr, image) << std::hex << c.flags;
        EXPECT_EQ(c.width, image->biWidth);
        EXPECT_EQ(c.width, image->biHeight);  // the AND mask split off
        EXPECT_EQ(c.depth, image->biBitCount);
        DWORD corner = Rgb(image, bits, 0, 0);
        if (c.depth == 16)  // 5-5-5: the top five bits of each channel
            corner = ((corner << 9) & 0xF80000) | ((corner << 6) & 0xF800) | ((corner << 3) & 0xF8);
        EXPECT_EQ(c.corner & (c.depth == 16 ? 0xF8F8F8 : 0xFFFFFF), corner) << std::hex << c.flags;
        EXPECT_TRUE(DibFree(image));
    }
    SetDibScreenDepth(0);
}

TEST(DibResources, MasksPngEntriesCursorsAndBitmaps)
{
    // The 32-bit entry is transparent outside its corner square: with the AND mask asked the
    // transparent part takes the background colour with alpha 0, the rest alpha 255.
    HDC dc = CreateCompatibleDC(NULL);
    SetBkColor(dc, RGB(10, 20, 30));
    void* bits = nullptr;
    DibImage* image = DibLoadResourceA(dc, NULL, MAKEINTRESOURCEA(kGroup1), RT_GROUP_ICON,
                                       2 | DIBF_TRANSPARENT_MASK, &bits);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(0xFF00FFFFu, Raw(image, bits, 3, 3));
    EXPECT_EQ(0x000A141Eu, Raw(image, bits, 31, 31));
    DibFree(image);
    DeleteDC(dc);

    // The PNG entry: its description alone, and the picture.
    auto png = ResourceData(MAKEINTRESOURCEA(EntryId(kGroup2, 0)), RT_ICON);
    ASSERT_NE(nullptr, png.first);
    DibImage* header = DibFromIconResource(NULL, png.first, png.second, 0, nullptr);
    ASSERT_NE(nullptr, header);
    EXPECT_EQ(static_cast<DWORD>(BI_PNG), header->biCompression);
    EXPECT_EQ(32, header->biBitCount);
    EXPECT_EQ(48, header->biWidth);
    EXPECT_EQ(48, header->biHeight);
    EXPECT_EQ(png.second, header->biSizeImage);
    EXPECT_EQ(nullptr, DibGetBits(header));
    DibFree(header);
    // The PNG entry as a picture, and a cursor group's image behind its hot spot.
    struct Picture {
        WORD id;
        LPCSTR type;
        int size;
        DWORD topLeft, bottomRight;
    } pictures[] = {{kGroup2, RT_GROUP_ICON, 48, 0x000080, 0xFF8000}, {kCursor, RT_GROUP_CURSOR, 16, 0x0000FF, 0xFF0000}};
    for (const Picture& p : pictures)
    {
        image = DibLoadResourceA(NULL, NULL, MAKEINTRESOURCEA(p.id), p.type, 0, &bits);
        ASSERT_NE(nullptr, image) << p.id;
        EXPECT_EQ(p.size, image->biWidth);
        EXPECT_EQ(p.size, image->biHeight);
        EXPECT_EQ(p.topLeft, Rgb(image, bits, 0, 0));
        EXPECT_EQ(p.bottomRight, Rgb(image, bits, p.size - 1, p.size - 1));
        DibFree(image);
    }

    // A bitmap resource without options serves as it is (no image of ours: DibFree refuses
    // it); with the 3-D option the greys become the button colours in a new image.
    image = DibLoadResourceA(NULL, NULL, MAKEINTRESOURCEA(kStrip), RT_BITMAP, 0, nullptr);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(RGB(128, 128, 128), DibGetTopLeftColor(image, reinterpret_cast<BYTE*>(image) + 40));
    SetLastError(0);
    EXPECT_FALSE(DibFree(image));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    image = DibLoadResourceA(NULL, NULL, MAKEINTRESOURCEA(kStrip), RT_BITMAP, DIBF_MAP_3D_COLORS, &bits);
    ASSERT_NE(nullptr, image);
    auto rgb = [](COLORREF c) { return static_cast<DWORD>((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c)); };
    EXPECT_EQ(rgb(GetSysColor(COLOR_BTNSHADOW)), Rgb(image, bits, 0, 0));
    EXPECT_EQ(rgb(GetSysColor(COLOR_BTNFACE)), Rgb(image, bits, 1, 0));
    EXPECT_TRUE(DibFree(image));

    bits = reinterpret_cast<void*>(1);
    EXPECT_EQ(nullptr, DibLoadResourceA(NULL, NULL, MAKEINTRESOURCEA(7999), RT_BITMAP, 0, &bits));
    EXPECT_EQ(nullptr, bits);
    EXPECT_EQ(nullptr, DibLoadResourceW(NULL, NULL, MAKEINTRESOURCEW(7999), MAKEINTRESOURCEW(2), 0, nullptr));
    image = DibLoadResourceW(NULL, NULL, MAKEINTRESOURCEW(kGroup1), MAKEINTRESOURCEW(14), 0, &bits);
    EXPECT_NE(nullptr, image);
    DibFree(image);
}

TEST(DibResources, DamagedResourcesAndDeviceBitmaps)
{
    struct Case {
        WORD id;
        DWORD flags;
    } cases[] = {{7120, DIBF_KIND_GROUP}, {7121, 0}, {7122, 0}, {7123, 0}};
    for (const Case& c : cases)
    {
        void* bits = nullptr;
        SetLastError(0);
        EXPECT_EQ(nullptr, DibLoadResourceA(NULL, NULL, MAKEINTRESOURCEA(c.id), kDamaged, c.flags, &bits)) << c.id;
        EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_FORMAT), GetLastError()) << c.id;
        auto data = ResourceData(MAKEINTRESOURCEA(c.id), kDamaged);
        SetLastError(0);
        EXPECT_EQ(nullptr, DibFromIconResource(NULL, data.first, data.second, 0, &bits)) << c.id;
        EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_FORMAT), GetLastError()) << c.id;
    }

    // A device bitmap as it is, and converted to 32 bits (a section then).
    auto strip = ResourceData(MAKEINTRESOURCEA(kStrip), RT_BITMAP);
    const BITMAPINFOHEADER* h = static_cast<const BITMAPINFOHEADER*>(strip.first);
    for (DWORD flags : {DWORD(0), DWORD(DIBF_CONVERT)})
    {
        HBITMAP bitmap = DibCreateDeviceBitmap(NULL, h, nullptr, flags);
        ASSERT_NE(nullptr, bitmap);
        BITMAP bm = {};
        GetObjectA(bitmap, sizeof bm, &bm);
        EXPECT_EQ(8, bm.bmWidth);
        EXPECT_EQ(4, bm.bmHeight);
        if (flags)
        {
            EXPECT_EQ(32, bm.bmBitsPixel);
            EXPECT_EQ(0x808080u, *reinterpret_cast<const DWORD*>(static_cast<BYTE*>(bm.bmBits) + 3 * 8 * 4) & 0xFFFFFF);
        }
        DeleteObject(bitmap);
    }
    std::vector<BYTE> core(strip.second);
    memcpy(core.data(), strip.first, strip.second);
    core[0] = 12;
    SetLastError(0);
    EXPECT_EQ(nullptr, DibCreateDeviceBitmap(NULL, reinterpret_cast<BITMAPINFOHEADER*>(core.data()), nullptr, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_FORMAT), GetLastError());
    EXPECT_EQ(nullptr, DibCreateDeviceBitmap(NULL, nullptr, nullptr, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    // The header check takes any depth up to 32; GDI then refuses one it has no pixels for.
    const struct { WORD depth; DWORD error; } depths[] = {{33, ERROR_BAD_FORMAT}, {3, ERROR_INVALID_DATA}};
    for (const auto& d : depths)
    {
        memcpy(core.data(), strip.first, strip.second);
        reinterpret_cast<BITMAPINFOHEADER*>(core.data())->biBitCount = d.depth;
        SetLastError(0);
        EXPECT_EQ(nullptr, DibCreateDeviceBitmap(NULL, reinterpret_cast<BITMAPINFOHEADER*>(core.data()), nullptr, 0))
            << d.depth;
        EXPECT_EQ(d.error, GetLastError()) << d.depth;
    }
}

// Images of every depth with a pattern of colours, written as BMP files; beside each a
// ".expect" file with what ImageMagick must find in it: width, height, bits per pixel,
// number of colours, and every pixel.
TEST(DibWriteBmpFile, EveryDepthForImageMagick)
{
    const std::string dir = OutDir();
    const DWORD colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x808080, 0xFFFF00};
    const int W = 5, H = 3;
    for (int depth : {1, 4, 8, 16, 24, 32})
    {
        void* bits = nullptr;
        DibImage* image = DibCreateBlank(NULL, W, H, depth, &bits);
        ASSERT_NE(nullptr, image);
        std::vector<DWORD> want;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
            {
                DWORD c = depth == 1 ? ((x + 2 * y) % 2 ? 0xFFFFFF : 0) : colours[(x + 2 * y) % 7];
                if (depth == 16)
                {
                    // 5-5-5 keeps each channel's top five bits, which a reader widens to
                    // 8 bits again as v * 255 / 31.
                    DWORD word = ((c >> 9) & 0x7C00) | ((c >> 6) & 0x3E0) | ((c >> 3) & 0x1F);
                    BYTE* row = static_cast<BYTE*>(bits) + Stride(W, 16) * (H - 1 - y);
                    row[2 * x] = static_cast<BYTE>(word);
                    row[2 * x + 1] = static_cast<BYTE>(word >> 8);
                    c = 0;
                    for (int k = 0; k < 3; ++k)
                        c |= (((word >> (5 * k)) & 31) * 255 + 15) / 31 << (8 * k);
                }
                else  // 24 and 32 bits take a pixel word, palette images a COLORREF
                    ASSERT_EQ(1, DibSetPixel(image, bits, depth > 8 ? c | 0xFF000000u : RGB(c >> 16, (c >> 8) & 0xFF, c & 0xFF),
                                             x, y));
                want.push_back(c);
            }
        std::string base = dir + "\\depth" + std::to_string(depth);
        ASSERT_TRUE(DibWriteBmpFileA(image, nullptr, (base + ".bmp").c_str(), TRUE)) << depth;
        std::ofstream expect(base + ".expect", std::ios::binary);
        expect << W << " " << H << " " << depth << " " << std::set<DWORD>(want.begin(), want.end()).size() << "\n";
        for (int i = 0; i < W * H; ++i)
        {
            char line[64];
            snprintf(line, sizeof line, "%d,%d: %02X%02X%02X\n", i % W, i / W, static_cast<unsigned>(want[i] >> 16),
                     static_cast<unsigned>((want[i] >> 8) & 0xFF), static_cast<unsigned>(want[i] & 0xFF));
            expect << line;
        }
        // A 4-bit file holds 16 colour entries, so its pixels begin at 14 + 40 + 64 = 118.
        if (depth == 4)
        {
            std::ifstream file(base + ".bmp", std::ios::binary);
            std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            ASSERT_EQ(118u + Stride(W, 4) * H, bytes.size());
            EXPECT_EQ(118, static_cast<BYTE>(bytes[10]) | (static_cast<BYTE>(bytes[11]) << 8));
        }
        DibFree(image);
    }
}

TEST(DibWriteBmpFile, RefusalsLeaveFilesAlone)
{
    const std::string dir = OutDir();
    const std::string path = dir + "\\kept.bmp";
    {
        std::ofstream kept(path, std::ios::binary | std::ios::trunc);
        kept << "old contents";
    }
    void* bits = nullptr;
    DibImage* image = DibCreateBlank(NULL, 2, 2, 24, &bits);
    EXPECT_FALSE(DibWriteBmpFileA(image, bits, path.c_str(), FALSE));
    std::ifstream kept(path);
    std::string text((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>());
    EXPECT_EQ("old contents", text);
    EXPECT_FALSE(DibWriteBmpFileA(image, bits, (dir + "\\no such folder\\x.bmp").c_str(), TRUE));
    // A header-only image has no pixels: no file is made.
    HBITMAP device = CreateBitmap(2, 2, 1, 32, nullptr);
    DibImage* headerOnly = DibFromBitmap(NULL, device, nullptr);
    const std::string none = dir + "\\none.bmp";
    DeleteFileA(none.c_str());
    EXPECT_FALSE(DibWriteBmpFileA(headerOnly, nullptr, none.c_str(), TRUE));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(none.c_str()));
    std::vector<BYTE> foreign(64, 0);
    EXPECT_FALSE(DibWriteBmpFileA(reinterpret_cast<BITMAPINFOHEADER*>(foreign.data()), nullptr, none.c_str(), TRUE));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(none.c_str()));
    // A device bitmap saved under a UTF-16 name.
    std::wstring wide(dir.begin(), dir.end());
    wide += L"\\ger\u00E4t.bmp";
    EXPECT_TRUE(DibSaveBitmapW(device, wide.c_str(), TRUE));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(wide.c_str()));
    DeleteFileW(wide.c_str());
    DibFree(headerOnly);
    DeleteObject(device);
    DibFree(image);
}

namespace {

// A BMP file as the system reads it: size, depth, and every pixel as 0x00RRGGBB from the
// top; empty when LoadImage refuses the file.
struct LoadedBmp {
    int width = 0, height = 0, depth = 0;
    std::vector<DWORD> pixels;
};

// A bitmap's pixels as 0x00RRGGBB from the top, read by GDI as 32 bits.
std::vector<DWORD> ScreenPixels(HBITMAP bitmap, int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<DWORD> pixels(static_cast<size_t>(width * height));
    HDC screen = GetDC(NULL);
    if (GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS) != height)
        pixels.clear();
    ReleaseDC(NULL, screen);
    for (DWORD& p : pixels)
        p &= 0xFFFFFF;
    return pixels;
}

LoadedBmp LoadBmp(const std::wstring& path)
{
    LoadedBmp out;
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageW(NULL, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!bitmap)
        return out;
    BITMAP bm;
    GetObjectA(bitmap, sizeof bm, &bm);
    out.width = bm.bmWidth;
    out.height = bm.bmHeight;
    out.depth = bm.bmBitsPixel;
    out.pixels = ScreenPixels(bitmap, bm.bmWidth, bm.bmHeight);
    DeleteObject(bitmap);
    return out;
}

}  // namespace

// The information header goes into the file as it stands where that makes a sound file: a
// colour count of 0 ("all") or of the entries written stays; one that counts colours the file
// does not hold, and the size of a V4 header of which only 40 bytes are written, do not. Each
// file must read back as its source, and its header must agree with its layout: biSize and
// the colour entries between the headers and the pixel offset, which biClrUsed counts or (0)
// holds 2^depth of.
TEST(DibWriteBmpFile, HeaderAsItStandsUnlessItNamesWhatTheFileLacks)
{
    const struct {
        const char* what;
        int depth;
        DWORD clrUsed;
        DWORD headerSize;
        bool kept;  // biClrUsed written as the source has it
    } cases[] = {
        {"4 bits, all colours", 4, 0, 40, true},      {"4 bits, 16 colours", 4, 16, 40, true},
        {"4 bits, 3 colours", 4, 3, 40, true},        {"4 bits, 40 colours", 4, 40, 40, false},
        {"8 bits, all colours", 8, 0, 40, true},      {"24 bits, 3 colours", 24, 3, 40, false},
        {"4 bits, V4 header", 4, 0, 108, true},
    };
    const int W = 6, H = 3;
    const std::string dir = OutDir();
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        void* bits = nullptr;
        DibImage* image = DibCreateBlank(NULL, W, H, c.depth, &bits);
        ASSERT_NE(nullptr, image);
        const DWORD all = c.depth <= 8 ? 1u << c.depth : 0;
        const DWORD used = c.clrUsed && c.clrUsed < all ? c.clrUsed : all;   // entries the source holds
        BYTE* pixels = static_cast<BYTE*>(bits);
        // Palette indexes below the colour count, else a ramp.
        for (DWORD i = 0; i < Stride(W, c.depth) * H; ++i)
            pixels[i] = static_cast<BYTE>(c.depth == 4 ? ((i % used) << 4) | ((i + 1) % used)
                                          : used    ? (i * 7) % used
                                                    : i * 37);
        std::vector<DWORD> want;
        for (int i = 0; i < W * H; ++i)
            want.push_back(Rgb(image, bits, i % W, i / W));
        // The packed source: the header (grown to headerSize), the table, the pixels.
        std::vector<BYTE> packed(reinterpret_cast<BYTE*>(image), reinterpret_cast<BYTE*>(image) + 40);
        packed.resize(c.headerSize, 0);
        const BYTE* table = reinterpret_cast<BYTE*>(image) + 40;
        packed.insert(packed.end(), table, table + 4 * used);
        if (c.depth > 8)
            packed.insert(packed.end(), 4 * c.clrUsed, 0x5A);
        packed.insert(packed.end(), pixels, pixels + Stride(W, c.depth) * H);
        BITMAPINFOHEADER* h = reinterpret_cast<BITMAPINFOHEADER*>(packed.data());
        h->biSize = c.headerSize;
        h->biClrUsed = c.clrUsed;
        const std::string path = dir + "\\kopf.bmp";
        ASSERT_TRUE(DibWriteBmpFileA(h, nullptr, path.c_str(), TRUE));
        std::ifstream file(path, std::ios::binary);
        std::vector<BYTE> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        file.close();
        ASSERT_GE(bytes.size(), 54u);
        auto word = [&](size_t at) {
            return static_cast<DWORD>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24);
        };
        const DWORD pixelOffset = word(10), fileSize = word(2), infoSize = word(14), clrUsed = word(46);
        EXPECT_EQ(bytes.size(), fileSize);
        EXPECT_EQ(40u, infoSize);
        const DWORD entries = (pixelOffset - 14 - infoSize) / 4;
        EXPECT_EQ(used, entries);
        EXPECT_TRUE(clrUsed == entries || (clrUsed == 0 && entries == all)) << clrUsed;
        if (c.kept)
        {
            EXPECT_EQ(c.clrUsed, clrUsed);
        }
        std::wstring wide(path.begin(), path.end());
        LoadedBmp got = LoadBmp(wide);
        EXPECT_EQ(W, got.width);
        EXPECT_EQ(want, got.pixels);
        DeleteFileA(path.c_str());
        DibFree(image);
    }
}

// Each way of writing a BMP file, read back by the system's own loader and compared pixel
// for pixel with the source; an existing file is refused without overwrite and replaced with it.
TEST(DibWriteBmpFile, FilesReadBackAsTheirSource)
{
    // WIDE_PACKED_TABLE: above 8 bits, with a colour table of three entries that biClrUsed
    // announces between the header and the pixels.
    enum Writer { WIDE_IMAGE, WIDE_PACKED, WIDE_PACKED_BITS_APART, SAVE_DEVICE_BITMAP, WIDE_PACKED_TABLE };
    const struct { Writer how; int depth; } cases[] = {
        {WIDE_IMAGE, 1}, {WIDE_IMAGE, 4}, {WIDE_IMAGE, 8}, {WIDE_IMAGE, 24}, {WIDE_IMAGE, 32},
        {WIDE_PACKED, 4}, {WIDE_PACKED_BITS_APART, 8}, {WIDE_PACKED, 24},
        {SAVE_DEVICE_BITMAP, 0}, {WIDE_PACKED_TABLE, 24}, {WIDE_PACKED_TABLE, 32},
    };
    const int W = 7, H = 5;
    const std::string dir = OutDir();
    for (auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.how << " " << c.depth);
        // The UTF-16 writers get a name beyond the 8-bit one's reach.
        const std::string name = "\\gelesen" + std::to_string(c.how) + "-" + std::to_string(c.depth) + ".bmp";
        const std::string path = dir + name;
        std::wstring widePath(path.begin(), path.end());
        if (c.how != SAVE_DEVICE_BITMAP)
            widePath.insert(widePath.size() - 4, L"\u0416");
        HANDLE old = CreateFileW(widePath.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, old);
        DWORD written = 0;
        WriteFile(old, "alt", 3, &written, NULL);
        CloseHandle(old);

        std::vector<DWORD> want;
        HBITMAP device = NULL;
        DibImage* image = nullptr;
        std::vector<BYTE> packed, apart;
        const BITMAPINFOHEADER* source = nullptr;
        if (c.how == SAVE_DEVICE_BITMAP)
        {
            // A device bitmap of the screen's format, painted by GDI.
            HDC screen = GetDC(NULL);
            device = CreateCompatibleBitmap(screen, W, H);
            HDC dc = CreateCompatibleDC(screen);
            HGDIOBJ before = SelectObject(dc, device);
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x)
                    SetPixel(dc, x, y, RGB(36 * x, 50 * y, 255 - 30 * (x + y)));
            SelectObject(dc, before);
            DeleteDC(dc);
            ReleaseDC(NULL, screen);
            want = ScreenPixels(device, W, H);
        }
        else
        {
            void* bits = nullptr;
            image = DibCreateBlank(NULL, W, H, c.depth, &bits);
            ASSERT_NE(nullptr, image);
            // Every palette entry in turn, or a colour ramp.
            const DWORD entries = c.depth <= 8 ? 1u << c.depth : 0;
            BYTE* pixels = static_cast<BYTE*>(bits);
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x)
                {
                    BYTE* row = pixels + Stride(W, c.depth) * (H - 1 - y);
                    const DWORD v = entries ? (x + W * y) * 37 % entries : 0x10203 * (x + W * y) + 0x400000 * y;
                    if (c.depth == 1)
                        row[x / 8] = static_cast<BYTE>(row[x / 8] | (v << (7 - x % 8)));
                    else if (c.depth == 4)
                        row[x / 2] = static_cast<BYTE>(row[x / 2] | (v << (x % 2 ? 0 : 4)));
                    else
                        memcpy(row + x * c.depth / 8, &v, static_cast<size_t>(c.depth / 8));
                }
            for (int i = 0; i < W * H; ++i)
                want.push_back(Rgb(image, bits, i % W, i / W));
            // The packed forms: header and table, with the pixels behind them or apart.
            const size_t headBytes = 40 + 4 * entries;
            packed.assign(reinterpret_cast<BYTE*>(image), reinterpret_cast<BYTE*>(image) + headBytes);
            apart.assign(pixels, pixels + Stride(W, c.depth) * H);
            if (c.how == WIDE_PACKED_TABLE)
            {
                reinterpret_cast<BITMAPINFOHEADER*>(packed.data())->biClrUsed = 3;
                packed.insert(packed.end(), 12, 0x5A);
            }
            if (c.how == WIDE_PACKED || c.how == WIDE_PACKED_TABLE)
                packed.insert(packed.end(), apart.begin(), apart.end());
            source = c.how == WIDE_IMAGE ? image : reinterpret_cast<const BITMAPINFOHEADER*>(packed.data());
        }
        ASSERT_EQ(static_cast<size_t>(W * H), want.size());
        auto write = [&](BOOL overwrite) {
            if (c.how == SAVE_DEVICE_BITMAP)
                return DibSaveBitmapA(device, path.c_str(), overwrite);
            return DibWriteBmpFileW(source, c.how == WIDE_PACKED_BITS_APART ? apart.data() : nullptr, widePath.c_str(),
                                    overwrite);
        };
        auto fileBytes = [&]() {
            WIN32_FILE_ATTRIBUTE_DATA data = {};
            GetFileAttributesExW(widePath.c_str(), GetFileExInfoStandard, &data);
            return data.nFileSizeLow;
        };
        EXPECT_FALSE(write(FALSE));
        EXPECT_EQ(3u, fileBytes());
        EXPECT_TRUE(write(TRUE));
        LoadedBmp got = LoadBmp(widePath);
        EXPECT_EQ(W, got.width);
        EXPECT_EQ(H, got.height);
        EXPECT_EQ(c.depth ? c.depth : got.depth, got.depth);
        EXPECT_EQ(want, got.pixels);
        // The file header tells the file's size.
        HANDLE file = CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        BYTE head[54] = {};
        DWORD read = 0;
        ReadFile(file, head, sizeof head, &read, NULL);
        EXPECT_EQ(fileBytes(), static_cast<DWORD>(head[2] | head[3] << 8 | head[4] << 16 | head[5] << 24));
        // The colour count of the file's header is that of the table written: none above 8 bits.
        if (c.how != SAVE_DEVICE_BITMAP)
        {
            const DWORD colours = head[46] | head[47] << 8 | head[48] << 16 | head[49] << 24;
            EXPECT_EQ(c.depth <= 8 ? 1u << c.depth : 0u, colours);
        }
        CloseHandle(file);
        DeleteFileW(widePath.c_str());
        if (device)
            DeleteObject(device);
        DibFree(image);
    }
}
