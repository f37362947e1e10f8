#include "classlib/Gdi.h"
#include "classlib/ObjectMap.h"
#include "classlib/Wnd.h"
#include "classlib/WinApp.h"
#include <cstring>

namespace {

struct GdiTraits {
    static HGDIOBJ& HandleOf(CGdiObject* object) noexcept { return object->m_hObject; }
};
typedef CObjectHandleMap<CGdiObject, HGDIOBJ, GdiTraits> GdiMap;

struct DcTraits {
    static HDC& HandleOf(CDC* object) noexcept { return object->m_hDC; }
};
typedef CObjectHandleMap<CDC, HDC, DcTraits> DcMap;

// GetSafeHandle and GetSafeHdc answer NULL through a NULL object pointer. The compiler may
// assume "this" is never null, so the pointer is laundered through a volatile first.
template<class T> const T* Launder(const T* p) noexcept
{
    const T* volatile copy = p;
    return copy;
}

}  // namespace

IMPLEMENT_DYNAMIC(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CPen, CGdiObject)
IMPLEMENT_DYNAMIC(CBrush, CGdiObject)
IMPLEMENT_DYNAMIC(CFont, CGdiObject)
IMPLEMENT_DYNAMIC(CBitmap, CGdiObject)
IMPLEMENT_DYNAMIC(CDC, CObject)
IMPLEMENT_DYNAMIC(CPaintDC, CDC)
IMPLEMENT_DYNAMIC(CClientDC, CDC)
IMPLEMENT_DYNAMIC(CWindowDC, CDC)

// ---------------------------------------------------------------------------------------------
// CGdiObject

CGdiObject::~CGdiObject()
{
    DeleteObject();
}

HGDIOBJ CGdiObject::GetSafeHandle() const noexcept
{
    const CGdiObject* self = Launder(this);
    return self ? self->m_hObject : NULL;
}

template<class TObject>
TObject* CGdiObject::FromHandleAs(HGDIOBJ hObject) noexcept
{
    // The wrappers add no data to CGdiObject, so a wrapper made earlier as another GDI type
    // serves as this one too.
    return static_cast<TObject*>(GdiMap::FromHandle<TObject>(hObject));
}

template CPen* CGdiObject::FromHandleAs<CPen>(HGDIOBJ) noexcept;
template CBrush* CGdiObject::FromHandleAs<CBrush>(HGDIOBJ) noexcept;
template CFont* CGdiObject::FromHandleAs<CFont>(HGDIOBJ) noexcept;
template CBitmap* CGdiObject::FromHandleAs<CBitmap>(HGDIOBJ) noexcept;

CGdiObject* CGdiObject::FromHandle(HGDIOBJ hObject) noexcept
{
    return GdiMap::FromHandle<CGdiObject>(hObject);
}

void CGdiObject::DeleteTempMap() noexcept
{
    GdiMap::DeleteTemporaries();
}

BOOL CGdiObject::Attach(HGDIOBJ hObject) noexcept
{
    if (!hObject || m_hObject) return FALSE;
    m_hObject = hObject;
    GdiMap::SetPermanent(hObject, this);
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() noexcept
{
    HGDIOBJ h = m_hObject;
    if (h) GdiMap::RemovePermanent(h, this);
    m_hObject = NULL;
    return h;
}

BOOL CGdiObject::DeleteObject() noexcept
{
    if (!m_hObject) return FALSE;
    return ::DeleteObject(Detach());
}

int CGdiObject::GetObject(int nCount, LPVOID lpObject) const noexcept
{
    if (!m_hObject) return 0;
    return ::GetObjectA(m_hObject, nCount, lpObject);
}

UINT CGdiObject::GetObjectType() const noexcept
{
    return m_hObject ? static_cast<UINT>(::GetObjectType(m_hObject)) : 0;
}

BOOL CGdiObject::CreateStockObject(int nIndex) noexcept
{
    return Attach(::GetStockObject(nIndex));
}

BOOL CGdiObject::UnrealizeObject() noexcept
{
    return m_hObject ? ::UnrealizeObject(m_hObject) : FALSE;
}

// ---------------------------------------------------------------------------------------------
// Pens, brushes, fonts, bitmaps

BOOL CPen::CreatePen(int nPenStyle, int nWidth, COLORREF crColor) noexcept
{
    return Attach(::CreatePen(nPenStyle, nWidth, crColor));
}

BOOL CPen::CreatePenIndirect(LPLOGPEN lpLogPen) noexcept
{
    return lpLogPen ? Attach(::CreatePenIndirect(lpLogPen)) : FALSE;
}

BOOL CBrush::CreateSolidBrush(COLORREF crColor) noexcept
{
    return Attach(::CreateSolidBrush(crColor));
}

BOOL CBrush::CreateHatchBrush(int nIndex, COLORREF crColor) noexcept
{
    return Attach(::CreateHatchBrush(nIndex, crColor));
}

BOOL CBrush::CreatePatternBrush(CBitmap* pBitmap) noexcept
{
    if (!pBitmap || !pBitmap->m_hObject) return FALSE;
    return Attach(::CreatePatternBrush(static_cast<HBITMAP>(pBitmap->m_hObject)));
}

BOOL CBrush::CreateSysColorBrush(int nIndex) noexcept
{
    return Attach(::GetSysColorBrush(nIndex));
}

BOOL CBrush::CreateBrushIndirect(const LOGBRUSH* lpLogBrush) noexcept
{
    return lpLogBrush ? Attach(::CreateBrushIndirect(lpLogBrush)) : FALSE;
}

BOOL CFont::CreateFontIndirect(const LOGFONTA* lpLogFont) noexcept
{
    return lpLogFont ? Attach(::CreateFontIndirectA(lpLogFont)) : FALSE;
}

BOOL CFont::CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight,
                       BYTE bItalic, BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet,
                       BYTE nOutPrecision, BYTE nClipPrecision, BYTE nQuality,
                       BYTE nPitchAndFamily, LPCSTR lpszFacename) noexcept
{
    return Attach(::CreateFontA(nHeight, nWidth, nEscapement, nOrientation, nWeight, bItalic,
                                bUnderline, cStrikeOut, nCharSet, nOutPrecision, nClipPrecision,
                                nQuality, nPitchAndFamily, lpszFacename));
}

BOOL CFont::CreatePointFont(int nPointSize, LPCSTR lpszFaceName, CDC* pDC) noexcept
{
    LOGFONTA lf;
    ZeroMemory(&lf, sizeof lf);
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfHeight = nPointSize;
    if (lpszFaceName) lstrcpynA(lf.lfFaceName, lpszFaceName, LF_FACESIZE);
    return CreatePointFontIndirect(&lf, pDC);
}

BOOL CFont::CreatePointFontIndirect(const LOGFONTA* lpLogFont, CDC* pDC) noexcept
{
    if (!lpLogFont) return FALSE;
    HDC hDC = (pDC && pDC->m_hDC) ? pDC->m_hDC : ::GetDC(NULL);
    if (!hDC) return FALSE;
    LOGFONTA lf = *lpLogFont;
    // Tenths of a point -> device pixels -> logical units of the DC's mapping mode; the
    // negative height asks for the character height without the internal leading.
    POINT pts[2];
    pts[0].x = pts[0].y = 0;
    pts[1].x = 0;
    pts[1].y = MulDiv(::GetDeviceCaps(hDC, LOGPIXELSY), lpLogFont->lfHeight, 720);
    ::DPtoLP(hDC, pts, 2);
    int height = pts[1].y - pts[0].y;
    lf.lfHeight = -(height < 0 ? -height : height);
    if (!pDC || !pDC->m_hDC) ::ReleaseDC(NULL, hDC);
    return CreateFontIndirect(&lf);
}

BOOL CBitmap::LoadBitmap(LPCSTR lpszResourceName) noexcept
{
    if (!lpszResourceName) return FALSE;
    return Attach(::LoadBitmapA(AfxGetResourceHandle(), lpszResourceName));
}

BOOL CBitmap::LoadOEMBitmap(UINT nIDBitmap) noexcept
{
    return Attach(::LoadBitmapA(NULL, MAKEINTRESOURCEA(nIDBitmap)));
}

BOOL CBitmap::CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits) noexcept
{
    return Attach(::CreateBitmap(nWidth, nHeight, nPlanes, nBitcount, lpBits));
}

BOOL CBitmap::CreateBitmapIndirect(LPBITMAP lpBitmap) noexcept
{
    return lpBitmap ? Attach(::CreateBitmapIndirect(lpBitmap)) : FALSE;
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight) noexcept
{
    if (!pDC || !pDC->m_hDC) return FALSE;
    return Attach(::CreateCompatibleBitmap(pDC->m_hDC, nWidth, nHeight));
}

CSize CBitmap::GetBitmapDimension() const noexcept
{
    SIZE size = { 0, 0 };
    if (m_hObject) ::GetBitmapDimensionEx(static_cast<HBITMAP>(m_hObject), &size);
    return CSize(size);
}

// ---------------------------------------------------------------------------------------------
// CDC

CDC::~CDC()
{
    if (m_hDC) ::DeleteDC(Detach());
}

HDC CDC::GetSafeHdc() const noexcept
{
    const CDC* self = Launder(this);
    return self ? self->m_hDC : NULL;
}

CDC* CDC::FromHandle(HDC hDC) noexcept
{
    return DcMap::FromHandle<CDC>(hDC);
}

void CDC::DeleteTempMap() noexcept
{
    DcMap::DeleteTemporaries();
}

BOOL CDC::Attach(HDC hDC) noexcept
{
    if (!hDC || m_hDC) return FALSE;
    m_hDC = hDC;
    DcMap::SetPermanent(hDC, this);
    return TRUE;
}

HDC CDC::Detach() noexcept
{
    HDC h = m_hDC;
    if (h) DcMap::RemovePermanent(h, this);
    m_hDC = NULL;
    return h;
}

BOOL CDC::DeleteDC() noexcept
{
    if (!m_hDC) return FALSE;
    return ::DeleteDC(Detach());
}

BOOL CDC::CreateCompatibleDC(CDC* pDC) noexcept
{
    return Attach(::CreateCompatibleDC(pDC ? pDC->m_hDC : NULL));
}

CWnd* CDC::GetWindow() const noexcept
{
    return m_hDC ? CWnd::FromHandle(::WindowFromDC(m_hDC)) : NULL;
}

CPen* CDC::SelectObject(CPen* pPen) noexcept
{
    if (!pPen || !m_hDC || !pPen->m_hObject) return NULL;
    return CPen::FromHandle(static_cast<HPEN>(::SelectObject(m_hDC, pPen->m_hObject)));
}

CBrush* CDC::SelectObject(CBrush* pBrush) noexcept
{
    if (!pBrush || !m_hDC || !pBrush->m_hObject) return NULL;
    return CBrush::FromHandle(static_cast<HBRUSH>(::SelectObject(m_hDC, pBrush->m_hObject)));
}

CFont* CDC::SelectObject(CFont* pFont) noexcept
{
    if (!pFont || !m_hDC || !pFont->m_hObject) return NULL;
    return CFont::FromHandle(static_cast<HFONT>(::SelectObject(m_hDC, pFont->m_hObject)));
}

CBitmap* CDC::SelectObject(CBitmap* pBitmap) noexcept
{
    if (!pBitmap || !m_hDC || !pBitmap->m_hObject) return NULL;
    return CBitmap::FromHandle(static_cast<HBITMAP>(::SelectObject(m_hDC, pBitmap->m_hObject)));
}

CGdiObject* CDC::SelectObject(CGdiObject* pObject) noexcept
{
    if (!pObject || !m_hDC || !pObject->m_hObject) return NULL;
    HGDIOBJ old = ::SelectObject(m_hDC, pObject->m_hObject);
    // A region answers with a region type code, not a handle.
    if (::GetObjectType(pObject->m_hObject) == OBJ_REGION) return NULL;
    return CGdiObject::FromHandle(old);
}

CGdiObject* CDC::SelectStockObject(int nIndex) noexcept
{
    HGDIOBJ stock = ::GetStockObject(nIndex);
    if (!stock || !m_hDC) return NULL;
    return CGdiObject::FromHandle(::SelectObject(m_hDC, stock));
}

BOOL CDC::TextOut(int x, int y, LPCSTR lpszString, int nCount) noexcept
{
    if (!lpszString) return FALSE;
    if (nCount < 0) nCount = static_cast<int>(strlen(lpszString));
    return ::TextOutA(m_hDC, x, y, lpszString, nCount);
}

BOOL CDC::ExtTextOut(int x, int y, UINT nOptions, LPCRECT lpRect, LPCSTR lpszString, UINT nCount,
                     LPINT lpDxWidths) noexcept
{
    if (!lpszString) {
        lpszString = "";
        nCount = 0;
    }
    return ::ExtTextOutA(m_hDC, x, y, nOptions, lpRect, lpszString, nCount, lpDxWidths);
}

int CDC::DrawText(LPCSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat) noexcept
{
    if (!lpszString || !lpRect) return 0;
    return ::DrawTextA(m_hDC, lpszString, nCount, lpRect, nFormat);
}

CSize CDC::GetTextExtent(LPCSTR lpszString, int nCount) const noexcept
{
    SIZE size = { 0, 0 };
    if (!lpszString) return CSize(size);
    if (nCount < 0) nCount = static_cast<int>(strlen(lpszString));
    ::GetTextExtentPoint32A(m_hDC, lpszString, nCount, &size);
    return CSize(size);
}

BOOL CDC::GetTextMetrics(LPTEXTMETRICA lpMetrics) const noexcept
{
    if (!lpMetrics) return FALSE;
    return ::GetTextMetricsA(m_hDC, lpMetrics);
}

void CDC::FillSolidRect(LPCRECT lpRect, COLORREF clr) noexcept
{
    if (!lpRect || !m_hDC) return;
    // An opaque empty text fills the rectangle with the background colour; no brush needed.
    COLORREF old = ::SetBkColor(m_hDC, clr);
    ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, lpRect, "", 0, NULL);
    ::SetBkColor(m_hDC, old);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr) noexcept
{
    RECT r = { x, y, x + cx, y + cy };
    FillSolidRect(&r, clr);
}

void CDC::FillRect(LPCRECT lpRect, CBrush* pBrush) noexcept
{
    if (!lpRect || !pBrush || !pBrush->m_hObject) return;
    ::FillRect(m_hDC, lpRect, static_cast<HBRUSH>(pBrush->m_hObject));
}

void CDC::FrameRect(LPCRECT lpRect, CBrush* pBrush) noexcept
{
    if (!lpRect || !pBrush || !pBrush->m_hObject) return;
    ::FrameRect(m_hDC, lpRect, static_cast<HBRUSH>(pBrush->m_hObject));
}

void CDC::Draw3dRect(LPCRECT lpRect, COLORREF clrTopLeft, COLORREF clrBottomRight) noexcept
{
    if (!lpRect) return;
    Draw3dRect(lpRect->left, lpRect->top, lpRect->right - lpRect->left,
               lpRect->bottom - lpRect->top, clrTopLeft, clrBottomRight);
}

void CDC::Draw3dRect(int x, int y, int cx, int cy, COLORREF clrTopLeft, COLORREF clrBottomRight) noexcept
{
    if (cx <= 0 || cy <= 0) return;
    // The top-left colour owns the top-left corner, the other colour the remaining three.
    RECT top = { x, y, x + cx - 1, y + 1 };
    RECT left = { x, y, x + 1, y + cy - 1 };
    RECT right = { x + cx - 1, y, x + cx, y + cy };
    RECT bottom = { x, y + cy - 1, x + cx, y + cy };
    FillSolidRect(&top, clrTopLeft);
    FillSolidRect(&left, clrTopLeft);
    FillSolidRect(&right, clrBottomRight);
    FillSolidRect(&bottom, clrBottomRight);
}

BOOL CDC::Rectangle(LPCRECT lpRect) noexcept
{
    if (!lpRect) return FALSE;
    return ::Rectangle(m_hDC, lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}

CPoint CDC::MoveTo(int x, int y) noexcept
{
    POINT old = { 0, 0 };
    ::MoveToEx(m_hDC, x, y, &old);
    return CPoint(old);
}

BOOL CDC::Polyline(const POINT* lpPoints, int nCount) noexcept
{
    if (!lpPoints || nCount < 2) return FALSE;
    return ::Polyline(m_hDC, lpPoints, nCount);
}

BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop) noexcept
{
    return ::BitBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC ? pSrcDC->m_hDC : NULL, xSrc, ySrc, dwRop);
}

BOOL CDC::StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc,
                     int nSrcWidth, int nSrcHeight, DWORD dwRop) noexcept
{
    return ::StretchBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC ? pSrcDC->m_hDC : NULL, xSrc, ySrc,
                        nSrcWidth, nSrcHeight, dwRop);
}

int CDC::IntersectClipRect(LPCRECT lpRect) noexcept
{
    if (!lpRect) return ERROR;
    return ::IntersectClipRect(m_hDC, lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}

int CDC::ExcludeClipRect(LPCRECT lpRect) noexcept
{
    if (!lpRect) return ERROR;
    return ::ExcludeClipRect(m_hDC, lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}

// ---------------------------------------------------------------------------------------------
// Window device contexts

CPaintDC::CPaintDC(CWnd* pWnd) noexcept : m_hWnd(pWnd ? pWnd->m_hWnd : NULL)
{
    ZeroMemory(&m_ps, sizeof m_ps);
    if (m_hWnd) Attach(::BeginPaint(m_hWnd, &m_ps));
}

CPaintDC::~CPaintDC()
{
    if (m_hWnd && m_ps.hdc) {
        Detach();
        ::EndPaint(m_hWnd, &m_ps);
    }
}

CClientDC::CClientDC(CWnd* pWnd) noexcept : m_hWnd(pWnd ? pWnd->m_hWnd : NULL)
{
    Attach(::GetDC(m_hWnd));
}

CClientDC::~CClientDC()
{
    HDC h = Detach();
    if (h) ::ReleaseDC(m_hWnd, h);
}

CWindowDC::CWindowDC(CWnd* pWnd) noexcept : m_hWnd(pWnd ? pWnd->m_hWnd : NULL)
{
    Attach(::GetWindowDC(m_hWnd));
}

CWindowDC::~CWindowDC()
{
    HDC h = Detach();
    if (h) ::ReleaseDC(m_hWnd, h);
}
