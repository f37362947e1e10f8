#include "uihelpers/FrameDrawing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

int SwapBits(int code, int a, int b)
{
    int bitA = (code & a) != 0;
    int bitB = (code & b) != 0;
    code &= ~(a | b);
    return code | (bitA ? b : 0) | (bitB ? a : 0);
}

HCURSOR SystemCursor(LPCSTR id)
{
    return LoadCursorA(nullptr, id);
}

// A 32-bit top-down DIB section selected into a memory DC, for reading back pixels.
struct Surface {
    Surface(int w, int h) : width(w)
    {
        BITMAPINFO info;
        memset(&info, 0, sizeof info);
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        old = SelectObject(dc, bitmap);
        for (int i = 0; i < w * h; ++i)
            bits[i] = 0x123456;
    }
    ~Surface()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    COLORREF At(int x, int y)
    {
        GdiFlush();
        DWORD p = bits[y * width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    int width;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
    DWORD* bits = nullptr;
};

COLORREF Opaque(COLORREF c)
{
    return c & 0xFFFFFF;
}

// A packed DIB: header, optional table, bits.
std::vector<unsigned char> PackedDib(int width, int height, int bitCount, const std::vector<DWORD>& table,
                                     const std::vector<unsigned char>& pixels)
{
    BITMAPINFOHEADER h;
    memset(&h, 0, sizeof h);
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bitCount);
    h.biCompression = BI_RGB;
    h.biClrUsed = static_cast<DWORD>(table.size());
    std::vector<unsigned char> dib(sizeof h);
    memcpy(dib.data(), &h, sizeof h);
    for (DWORD quad : table)
        for (int k = 0; k < 4; ++k)
            dib.push_back(static_cast<unsigned char>(quad >> (8 * k)));
    dib.insert(dib.end(), pixels.begin(), pixels.end());
    return dib;
}

// The colours of the bitmap's pixels read back as 32 bits, top row first.
std::vector<COLORREF> Pixels(HBITMAP bitmap, int width, int height)
{
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<DWORD> pixels(static_cast<size_t>(width * height));
    HDC dc = GetDC(nullptr);
    int rows = GetDIBits(dc, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(height, rows);
    std::vector<COLORREF> colours;
    for (DWORD p : pixels)
        colours.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    return colours;
}

COLORREF FirstPixel(HBITMAP bitmap, int width, int height)
{
    return Pixels(bitmap, width, height)[0];
}

} // namespace

TEST(HitTestFrameEdge, CornerOfASmallRect)
{
    RECT r = {0, 0, 30, 30};
    HCURSOR cursor = nullptr;
    EXPECT_EQ(5, HitTestFrameEdge(r, 2, 2, 4, 0, &cursor));
    EXPECT_EQ(SystemCursor(IDC_SIZENWSE), cursor);
    EXPECT_EQ(4, HitTestFrameEdge(r, 2, 2, 4, EDGE_LEFT, &cursor));
    EXPECT_EQ(SystemCursor(IDC_SIZENS), cursor);
    EXPECT_EQ(0, HitTestFrameEdge(r, 15, 15, 4, 0, &cursor));
    EXPECT_EQ(nullptr, cursor);
}

TEST(HitTestFrameEdge, GridOfPointsIsMirrorSymmetricAndStaysInTheBand)
{
    RECT r = {10, 20, 110, 100}; // 100 x 80: corner zones of 20
    for (int border : {5, -5, 0})
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 130; ++x)
            {
                HCURSOR cursor = nullptr;
                int code = HitTestFrameEdge(r, x, y, border, 0, &cursor);
                // Mirrored across the middle, left and right (top and bottom) swap.
                int mx = r.left + r.right - 1 - x;
                int my = r.top + r.bottom - 1 - y;
                EXPECT_EQ(SwapBits(code, EDGE_LEFT, EDGE_RIGHT), HitTestFrameEdge(r, mx, y, border, 0, nullptr));
                EXPECT_EQ(SwapBits(code, EDGE_TOP, EDGE_BOTTOM), HitTestFrameEdge(r, x, my, border, 0, nullptr));
                // Never both sides of one axis.
                EXPECT_NE(EDGE_LEFT | EDGE_RIGHT, code & (EDGE_LEFT | EDGE_RIGHT));
                EXPECT_NE(EDGE_TOP | EDGE_BOTTOM, code & (EDGE_TOP | EDGE_BOTTOM));
                int b = border < 0 ? -border : border;
                bool inOuter = x >= r.left - (border < 0 ? b : 0) && x < r.right + (border < 0 ? b : 0) &&
                               y >= r.top - (border < 0 ? b : 0) && y < r.bottom + (border < 0 ? b : 0);
                bool inInner = x >= r.left + b && x < r.right - b && y >= r.top + b && y < r.bottom - b;
                if (border != 0 && (!inOuter || inInner))
                {
                    EXPECT_EQ(0, code) << x << "," << y;
                }
                if (border != 0 && inOuter && !inInner)
                {
                    EXPECT_NE(0, code) << x << "," << y;
                }
                // Corners only within 20 pixels of both sides.
                if ((code & 3) && (code & 12))
                {
                    EXPECT_TRUE(x < r.left + 20 || x >= r.right - 20);
                    EXPECT_TRUE(y < r.top + 20 || y >= r.bottom - 20);
                }
                // Excluding the bits clears exactly them.
                EXPECT_EQ(code & ~EDGE_TOP, HitTestFrameEdge(r, x, y, border, EDGE_TOP, nullptr));
                EXPECT_EQ(code == 0, cursor == nullptr);
            }
}

TEST(Grip, AnchorsAndHitTest)
{
    // Centre anchor on a 100-pixel bar: 100 / 2 + 0 - 9 = 41, 19 pixels long.
    DWORD centre = 1u << 16;
    EXPECT_EQ(41, GripStart(100, centre));
    EXPECT_EQ(1, HitTestGrip(10, 100, centre, 10, 41));
    EXPECT_EQ(1, HitTestGrip(10, 100, centre, 16, 59));
    EXPECT_EQ(0, HitTestGrip(10, 100, centre, 10, 40));
    EXPECT_EQ(0, HitTestGrip(10, 100, centre, 10, 60));
    EXPECT_EQ(0, HitTestGrip(10, 100, centre, 9, 50));
    EXPECT_EQ(0, HitTestGrip(10, 100, centre, 17, 50));
    // From the end: offset + length - 19; a negative offset is read as signed 16 bits.
    EXPECT_EQ(100 - 5 - 19, GripStart(100, (2u << 16) | 0xFFFBu));
    EXPECT_EQ(7, GripStart(100, 7));
    Surface s(40, 40);
    DrawGripHorz(s.dc, 5, 40, 0);
    DrawGripVert(s.dc, 5, 40, 0x40000u);
    DrawGripHorz(nullptr, 5, 40, 0);
}

TEST(SplitterBar, LinesInTheSystemColours)
{
    Surface s(20, 20);
    EXPECT_EQ(7, DrawSplitterBar(s.dc, 3, 20, TRUE));
    EXPECT_EQ(s.At(0, 2), RGB(0x12, 0x34, 0x56)); // untouched above
    EXPECT_EQ(Opaque(GetSysColor(COLOR_3DLIGHT)), s.At(5, 3));
    EXPECT_EQ(RGB(255, 255, 255), s.At(5, 4));
    EXPECT_EQ(Opaque(GetSysColor(COLOR_BTNFACE)), s.At(5, 6));
    EXPECT_EQ(Opaque(GetSysColor(COLOR_BTNSHADOW)), s.At(19, 8));
    EXPECT_EQ(RGB(0, 0, 0), s.At(0, 9));
    EXPECT_EQ(s.At(0, 10), RGB(0x12, 0x34, 0x56)); // untouched below

    Surface v(20, 20);
    EXPECT_EQ(7, DrawSplitterBarAt(5, v.dc, 2, 20, FALSE));
    EXPECT_EQ(v.At(2, 4), RGB(0x12, 0x34, 0x56)); // before the start
    EXPECT_EQ(RGB(255, 255, 255), v.At(3, 5));
    EXPECT_EQ(RGB(0, 0, 0), v.At(8, 19));
}

TEST(PackedDib, MalformedInputGivesNoBitmap)
{
    EXPECT_EQ(nullptr, CreateBitmapFromPackedDib(nullptr, 100, 0, nullptr));
    std::vector<unsigned char> dib = PackedDib(2, 2, 24, {}, std::vector<unsigned char>(16, 0));
    // A 12-byte (OS/2) header is not taken.
    std::vector<unsigned char> core = dib;
    core[0] = 12;
    EXPECT_EQ(nullptr, CreateBitmapFromPackedDib(core.data(), static_cast<DWORD>(core.size()), 0, nullptr));
    // Shorter than the header says.
    EXPECT_EQ(nullptr, CreateBitmapFromPackedDib(dib.data(), static_cast<DWORD>(dib.size() - 1), 0, nullptr));
    EXPECT_EQ(nullptr, CreateBitmapFromPackedDib(dib.data(), 20, 0, nullptr));
    // Compressed without an image size.
    std::vector<unsigned char> rle = PackedDib(2, 2, 8, {0, 0}, std::vector<unsigned char>(8, 0));
    reinterpret_cast<BITMAPINFOHEADER*>(rle.data())->biCompression = BI_RLE8;
    EXPECT_EQ(nullptr, CreateBitmapFromPackedDib(rle.data(), static_cast<DWORD>(rle.size()), 0, nullptr));
    HBITMAP ok = CreateBitmapFromPackedDib(dib.data(), static_cast<DWORD>(dib.size()), 0, nullptr);
    EXPECT_NE(nullptr, ok);
    DeleteObject(ok);
}

// Above 8 bits a colour table is optional; when biClrUsed announces one, the pixels stand
// behind it (behind the masks and it with bit fields), and the picture reads as without it.
TEST(PackedDib, PicturesAboveEightBitsAreReadBehindTheirColourTable)
{
    const std::vector<DWORD> table = {0x111111, 0x222222, 0x333333};
    const struct {
        int bits;
        DWORD compression;
        std::vector<unsigned char> pixels;  // two pixels, the first RGB(0x30, 0x20, 0x10) or its 5-6-5 form
    } cases[] = {
        {24, BI_RGB, {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0, 0}},
        {32, BI_RGB, {0x10, 0x20, 0x30, 0, 0x40, 0x50, 0x60, 0}},
        {16, BI_BITFIELDS, {0x82, 0x31, 0, 0}},
    };
    for (const auto& c : cases) {
        const std::vector<DWORD> masks = c.compression == BI_BITFIELDS ? std::vector<DWORD>{0xF800, 0x07E0, 0x001F}
                                                                        : std::vector<DWORD>{};
        std::vector<COLORREF> read[2];
        for (int withTable = 0; withTable < 2; ++withTable) {
            std::vector<DWORD> entries = masks;
            if (withTable)
                entries.insert(entries.end(), table.begin(), table.end());
            std::vector<unsigned char> dib = PackedDib(2, 1, c.bits, entries, c.pixels);
            reinterpret_cast<BITMAPINFOHEADER*>(dib.data())->biCompression = c.compression;
            reinterpret_cast<BITMAPINFOHEADER*>(dib.data())->biClrUsed = withTable ? 3 : 0;
            reinterpret_cast<BITMAPINFOHEADER*>(dib.data())->biSizeImage = static_cast<DWORD>(c.pixels.size());
            HBITMAP b = CreateBitmapFromPackedDib(dib.data(), static_cast<DWORD>(dib.size()), DIB_SYSTEM_COLORS, nullptr);
            ASSERT_NE(nullptr, b) << c.bits << " " << withTable;
            read[withTable] = Pixels(b, 2, 1);
            DeleteObject(b);
            // The table is counted: cut short by a byte, the picture is refused.
            if (withTable) {
                EXPECT_EQ(nullptr, CreateBitmapFromPackedDib(dib.data(), static_cast<DWORD>(dib.size() - 1), 0, nullptr));
            }
        }
        EXPECT_EQ(read[0], read[1]) << c.bits;
        if (c.bits != 16) {
            EXPECT_EQ(RGB(0x30, 0x20, 0x10), read[1][0]) << c.bits;
        }
    }
}

TEST(PackedDib, ButtonColoursAreReplaced)
{
    // 24 bits, one row of two pixels (8 bytes): the first pixel light grey (0xC0C0C0).
    std::vector<unsigned char> dib;
    HBITMAP plain = nullptr;
    HBITMAP system = nullptr;
    std::vector<unsigned char> row(8, 0);
    row[0] = row[1] = row[2] = 0xC0;
    dib = PackedDib(2, 1, 24, {}, row);
    plain = CreateBitmapFromPackedDib(dib.data(), static_cast<DWORD>(dib.size()), 0, nullptr);
    system = CreateBitmapFromPackedDib(dib.data(), static_cast<DWORD>(dib.size()), DIB_SYSTEM_COLORS, nullptr);
    EXPECT_EQ(RGB(0xC0, 0xC0, 0xC0), FirstPixel(plain, 2, 1));
    EXPECT_EQ(Opaque(GetSysColor(COLOR_BTNFACE)), FirstPixel(system, 2, 1));
    DeleteObject(plain);
    DeleteObject(system);

    // 8 bits: the table entry 0x808080 becomes the button shadow.
    std::vector<unsigned char> index(4, 0);
    dib = PackedDib(2, 1, 8, {0x808080, 0xFF0000}, index);
    system = CreateBitmapFromPackedDib(dib.data(), static_cast<DWORD>(dib.size()), DIB_SYSTEM_COLORS, nullptr);
    ASSERT_NE(nullptr, system);
    EXPECT_EQ(Opaque(GetSysColor(COLOR_BTNSHADOW)), FirstPixel(system, 2, 1));
    DeleteObject(system);
    // The caller's DIB is never written.
    EXPECT_EQ(0x80, dib[sizeof(BITMAPINFOHEADER)]);
}

TEST(PackedDib, AlphaIsPremultiplied)
{
    // 32 bits, alpha 0x80 on red 200: 200 * 128 / 255 = 100; alpha 0 becomes black.
    std::vector<unsigned char> px = {0, 0, 200, 0x80, 0xFF, 0xFF, 0xFF, 0x00};
    std::vector<unsigned char> dib = PackedDib(2, 1, 32, {}, px);
    HBITMAP b = CreateBitmapFromPackedDib(dib.data(), static_cast<DWORD>(dib.size()), DIB_PREMULTIPLY_ALPHA, nullptr);
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(RGB(100, 0, 0), FirstPixel(b, 2, 1));
    DeleteObject(b);
}

TEST(PackedDib, BitFieldPixelsGetButtonColoursAndPremultipliedAlpha)
{
    // Each format by the place and width of its red, green and blue fields (alpha: the
    // byte a 32-bit format leaves free); bit fields carry their masks, BI_RGB 16 is 5-5-5.
    const struct { int bits; DWORD compression; int shift[3]; int width[3]; } formats[] = {
        {16, BI_BITFIELDS, {11, 5, 0}, {5, 6, 5}},
        {16, BI_BITFIELDS, {10, 5, 0}, {5, 5, 5}},
        {16, BI_RGB, {10, 5, 0}, {5, 5, 5}},
        {32, BI_BITFIELDS, {16, 8, 0}, {8, 8, 8}},
        {32, BI_BITFIELDS, {0, 8, 16}, {8, 8, 8}},
    };
    for (auto& f : formats) {
        // A pixel in the format: each channel's top bits in its field, alpha in the free byte.
        auto encode = [&](COLORREF c, DWORD alpha) {
            DWORD channels[3] = {GetRValue(c), GetGValue(c), GetBValue(c)};
            DWORD pixel = f.bits == 32 ? alpha << 24 : 0;
            for (int k = 0; k < 3; ++k)
                pixel |= (channels[k] >> (8 - f.width[k])) << f.shift[k];
            return pixel;
        };
        // A one-row DIB of the pixels, created with the given flags, read back.
        auto make = [&](const std::vector<DWORD>& pixels, int flags) {
            std::vector<unsigned char> bytes;
            for (DWORD p : pixels)
                for (int k = 0; k < f.bits / 8; ++k) bytes.push_back(static_cast<unsigned char>(p >> (8 * k)));
            bytes.resize((bytes.size() + 3) / 4 * 4, 0);
            std::vector<DWORD> masks;
            if (f.compression == BI_BITFIELDS)
                for (int k = 0; k < 3; ++k) masks.push_back(((1u << f.width[k]) - 1) << f.shift[k]);
            std::vector<unsigned char> dib = PackedDib(static_cast<int>(pixels.size()), 1, f.bits, masks, bytes);
            reinterpret_cast<BITMAPINFOHEADER*>(dib.data())->biCompression = f.compression;
            reinterpret_cast<BITMAPINFOHEADER*>(dib.data())->biClrUsed = 0;
            reinterpret_cast<BITMAPINFOHEADER*>(dib.data())->biSizeImage = static_cast<DWORD>(bytes.size());
            HBITMAP b = CreateBitmapFromPackedDib(dib.data(), static_cast<DWORD>(dib.size()), flags, nullptr);
            EXPECT_NE(nullptr, b) << f.bits << " " << f.shift[0];
            std::vector<COLORREF> read = b ? Pixels(b, static_cast<int>(pixels.size()), 1) : std::vector<COLORREF>();
            DeleteObject(b);
            return read;
        };
        // The three greys become the button colours, as if the DIB had held those.
        const COLORREF other = RGB(0x20, 0x40, 0x60);
        std::vector<DWORD> greys = {encode(RGB(0x80, 0x80, 0x80), 0), encode(RGB(0xC0, 0xC0, 0xC0), 0),
                                    encode(RGB(0xDF, 0xDF, 0xDF), 0), encode(other, 0)};
        std::vector<DWORD> buttons = {encode(GetSysColor(COLOR_BTNSHADOW), 0), encode(GetSysColor(COLOR_BTNFACE), 0),
                                      encode(GetSysColor(COLOR_3DLIGHT), 0), encode(other, 0)};
        EXPECT_EQ(make(greys, DIB_SYSTEM_COLORS), make(buttons, 0)) << f.bits << " " << f.shift[0];
        if (f.bits != 32)
            continue;
        // Alpha 0x80 scales each channel by 128 / 255; alpha 0 is black; a grey with alpha
        // is the picture's own and keeps its colour.
        std::vector<DWORD> alpha = {encode(RGB(200, 100, 50), 0x80), encode(RGB(255, 255, 255), 0),
                                    encode(RGB(0xC0, 0xC0, 0xC0), 0xFF)};
        std::vector<DWORD> scaled = {encode(RGB(200 * 128 / 255, 100 * 128 / 255, 50 * 128 / 255), 0x80), 0,
                                     encode(RGB(0xC0, 0xC0, 0xC0), 0xFF)};
        EXPECT_EQ(make(alpha, DIB_PREMULTIPLY_ALPHA | DIB_SYSTEM_COLORS), make(scaled, 0)) << f.shift[0];
    }
}
