// GDI wrappers: drawing into a 32-bit DIB section and reading the pixels back, both through
// GetPixel and straight from the section's memory; the handle maps of the wrappers.
#include <gtest/gtest.h>
#include <windows.h>
#include "classlib/Gdi.h"
#include "classlib/Wnd.h"

namespace {

const int kSize = 32;

// A top-down 32-bit DIB section selected into a memory DC; pixel (x, y) is bits[y*kSize+x]
// as 0x00RRGGBB.
class Canvas {
public:
    Canvas()
    {
        BITMAPINFO bi;
        ZeroMemory(&bi, sizeof bi);
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = kSize;
        bi.bmiHeader.biHeight = -kSize;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP section = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<DWORD*>(bits);
        attached = bitmap.Attach(section);
        created = dc.CreateCompatibleDC(nullptr);
        oldBitmap = dc.SelectObject(&bitmap);
    }
    ~Canvas()
    {
        if (oldBitmap) dc.SelectObject(oldBitmap);
    }
    // The colour at (x, y) as a COLORREF, from the section's memory.
    COLORREF Memory(int x, int y) const
    {
        GdiFlush();
        DWORD v = m_bits[y * kSize + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    COLORREF At(int x, int y)
    {
        COLORREF viaGdi = dc.GetPixel(x, y);
        EXPECT_EQ(viaGdi, Memory(x, y)) << "at " << x << "," << y;
        return viaGdi;
    }

    CBitmap bitmap;
    CDC dc;
    CBitmap* oldBitmap = nullptr;
    BOOL attached = FALSE, created = FALSE;

private:
    DWORD* m_bits = nullptr;
};

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kOdd = RGB(0x12, 0x34, 0x56);

}  // namespace

TEST(Gdi, FillsAndFrames)
{
    Canvas c;
    c.dc.FillSolidRect(0, 0, kSize, kSize, kWhite);
    COLORREF bkBefore = c.dc.SetBkColor(kOdd);
    (void)bkBefore;
    c.dc.FillSolidRect(CRect(2, 2, 6, 6), kRed);
    EXPECT_EQ(kOdd, c.dc.GetBkColor());   // restored
    EXPECT_EQ(kRed, c.At(2, 2));
    EXPECT_EQ(kRed, c.At(5, 5));
    EXPECT_EQ(kWhite, c.At(6, 6));        // right and bottom edges are exclusive
    EXPECT_EQ(kWhite, c.At(1, 2));

    CBrush green(kGreen);
    CRect r(10, 10, 14, 14);
    c.dc.FillRect(&r, &green);
    EXPECT_EQ(kGreen, c.At(10, 10));
    EXPECT_EQ(kGreen, c.At(13, 13));
    EXPECT_EQ(kWhite, c.At(14, 13));

    CBrush blue(kBlue);
    CRect f(20, 20, 26, 26);
    c.dc.FrameRect(&f, &blue);
    EXPECT_EQ(kBlue, c.At(20, 20));
    EXPECT_EQ(kBlue, c.At(25, 22));
    EXPECT_EQ(kWhite, c.At(22, 22));       // inside untouched
}

TEST(Gdi, Draw3dRectCorners)
{
    Canvas c;
    c.dc.FillSolidRect(0, 0, kSize, kSize, kBlack);
    c.dc.Draw3dRect(CRect(4, 4, 12, 10), kWhite, kRed);
    // Top and left edges in the first colour, bottom and right in the second, each one pixel.
    EXPECT_EQ(kWhite, c.At(4, 4));
    EXPECT_EQ(kWhite, c.At(10, 4));
    EXPECT_EQ(kWhite, c.At(4, 8));
    EXPECT_EQ(kRed, c.At(11, 4));          // top-right corner belongs to the right edge
    EXPECT_EQ(kRed, c.At(4, 9));           // bottom-left corner to the bottom edge
    EXPECT_EQ(kRed, c.At(11, 9));
    EXPECT_EQ(kBlack, c.At(5, 5));
    EXPECT_EQ(kBlack, c.At(12, 4));
    EXPECT_EQ(kBlack, c.At(4, 10));
}

TEST(Gdi, SelectingBackGivesTheOwnersAndPolylineRefusesTooFewPoints)
{
    Canvas c;
    c.dc.FillSolidRect(0, 0, kSize, kSize, kWhite);
    CPen pen(PS_SOLID, 1, kBlue);
    CBrush brush(kGreen);
    CPen* oldPen = c.dc.SelectObject(&pen);
    CBrush* oldBrush = c.dc.SelectObject(&brush);
    ASSERT_NE(nullptr, oldPen);
    ASSERT_NE(nullptr, oldBrush);
    c.dc.Rectangle(2, 2, 10, 10);
    EXPECT_EQ(kBlue, c.At(2, 2));          // outline in the pen
    EXPECT_EQ(kGreen, c.At(5, 5));         // inside in the brush
    POINT pts[3] = { { 25, 2 }, { 25, 8 }, { 29, 8 } };
    EXPECT_TRUE(c.dc.Polyline(pts, 3));
    EXPECT_EQ(kBlue, c.At(25, 5));
    EXPECT_FALSE(c.dc.Polyline(pts, 1));
    EXPECT_FALSE(c.dc.Polyline(nullptr, 3));
    // Selecting back returns our own objects: the handle maps know their owners.
    EXPECT_EQ(&pen, c.dc.SelectObject(oldPen));
    EXPECT_EQ(&brush, c.dc.SelectObject(oldBrush));
}

TEST(Gdi, TextColoursOnAnOpaqueBackground)
{
    Canvas c;
    c.dc.FillSolidRect(0, 0, kSize, kSize, kWhite);
    CFont font;
    ASSERT_TRUE(font.CreatePointFont(100, "Arial"));
    CFont* oldFont = c.dc.SelectObject(&font);
    ASSERT_NE(nullptr, oldFont);
    c.dc.SetTextColor(kRed);
    c.dc.SetBkColor(kBlue);
    c.dc.SetBkMode(OPAQUE);
    EXPECT_EQ(kRed, c.dc.GetTextColor());
    EXPECT_EQ(OPAQUE, c.dc.GetBkMode());
    // A full-block character would depend on the font; count colours instead: the opaque
    // cell shows the background, and the glyph strokes the text colour.
    CSize ext = c.dc.GetTextExtent("W", 1);
    EXPECT_GT(ext.cx, 0);
    EXPECT_GT(ext.cy, 0);
    EXPECT_TRUE(c.dc.TextOut(0, 0, "W", -1));
    int red = 0, blue = 0;
    for (int y = 0; y < ext.cy && y < kSize; ++y)
        for (int x = 0; x < ext.cx && x < kSize; ++x) {
            COLORREF p = c.Memory(x, y);
            if (p == kRed) ++red;
            if (p == kBlue) ++blue;
        }
    EXPECT_GT(red, 0);
    EXPECT_GT(blue, 0);
    TEXTMETRICA tm;
    EXPECT_TRUE(c.dc.GetTextMetrics(&tm));
    EXPECT_GT(tm.tmHeight, 0);
    CRect box(0, 0, kSize, kSize);
    EXPECT_GT(c.dc.DrawText(CString("ab"), &box, DT_SINGLELINE | DT_LEFT | DT_TOP), 0);
    EXPECT_FALSE(c.dc.TextOut(0, 0, nullptr, 3));
    EXPECT_EQ(0, c.dc.DrawText(nullptr, 3, &box, 0));
    EXPECT_EQ(CSize(0, 0), c.dc.GetTextExtent(nullptr, 3));
    c.dc.SelectObject(oldFont);
}

TEST(Gdi, PointFontHeightFollowsTheScreen)
{
    CFont font;
    ASSERT_TRUE(font.CreatePointFont(120, "Arial"));
    LOGFONTA lf;
    ASSERT_EQ(static_cast<int>(sizeof lf), font.GetLogFont(&lf));
    HDC screen = GetDC(nullptr);
    int expect = -MulDiv(GetDeviceCaps(screen, LOGPIXELSY), 120, 720);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(expect, lf.lfHeight);
    EXPECT_STREQ("Arial", lf.lfFaceName);
}

TEST(Gdi, HandleMapsAndTemporaries)
{
    HGDIOBJ stock = GetStockObject(WHITE_BRUSH);
    CGdiObject* t1 = CGdiObject::FromHandle(stock);
    CGdiObject* t2 = CGdiObject::FromHandle(stock);
    ASSERT_NE(nullptr, t1);
    EXPECT_EQ(t1, t2);
    EXPECT_EQ(stock, t1->m_hObject);
    EXPECT_EQ(nullptr, CGdiObject::FromHandle(nullptr));
    // Freeing the temporaries leaves the handle alive.
    AfxDeleteTempMaps();
    EXPECT_EQ(OBJ_BRUSH, static_cast<int>(GetObjectType(stock)));

    CBrush owned(kRed);
    EXPECT_EQ(static_cast<CGdiObject*>(&owned), CGdiObject::FromHandle(owned.m_hObject));
    EXPECT_EQ(&owned, CBrush::FromHandle(static_cast<HBRUSH>(owned.m_hObject)));
    HGDIOBJ h = owned.Detach();
    EXPECT_EQ(nullptr, owned.GetSafeHandle());
    CGdiObject* temp = CGdiObject::FromHandle(h);
    EXPECT_NE(static_cast<CGdiObject*>(&owned), temp);
    AfxDeleteTempMaps();
    EXPECT_EQ(OBJ_BRUSH, static_cast<int>(GetObjectType(h)));
    EXPECT_TRUE(owned.Attach(h));
    EXPECT_FALSE(owned.Attach(h));         // already holds one
    EXPECT_TRUE(owned.DeleteObject());
    EXPECT_EQ(0, static_cast<int>(GetObjectType(h)));
    CGdiObject* nothing = nullptr;
    EXPECT_EQ(nullptr, nothing->GetSafeHandle());
    CDC* noDc = nullptr;
    EXPECT_EQ(nullptr, noDc->GetSafeHdc());

    CDC* screenTemp = CDC::FromHandle(GetDC(nullptr));
    ASSERT_NE(nullptr, screenTemp);
    HDC hScreen = screenTemp->m_hDC;
    AfxDeleteTempMaps();                   // must not delete the DC
    EXPECT_NE(0, GetDeviceCaps(hScreen, LOGPIXELSY));
    ReleaseDC(nullptr, hScreen);
}

TEST(Gdi, WindowDcs)
{
    CWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(0), "Fläche", WS_POPUP, 0, 0, 50, 40, nullptr, nullptr));
    {
        CClientDC dc(&wnd);
        ASSERT_NE(nullptr, dc.m_hDC);
        EXPECT_EQ(wnd.m_hWnd, WindowFromDC(dc.m_hDC));
        EXPECT_EQ(&wnd, dc.GetWindow());
        EXPECT_EQ(static_cast<CDC*>(&dc), CDC::FromHandle(dc.m_hDC));
    }
    {
        CWindowDC dc(&wnd);
        EXPECT_NE(nullptr, dc.m_hDC);
    }
    {
        CClientDC screen(nullptr);
        EXPECT_NE(nullptr, screen.m_hDC);
    }
    {
        CPaintDC none(nullptr);
        EXPECT_EQ(nullptr, none.m_hDC);
    }
    wnd.DestroyWindow();
}
