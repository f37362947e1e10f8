// GDI objects and device contexts: each class owns one handle and frees it in its destructor
// (DeleteObject, DeleteDC, EndPaint, ReleaseDC). FromHandle gives the object that owns a
// handle, or a temporary wrapper that the library deletes at the next idle time (never the
// handle itself), so its pointer must not be kept.
#pragma once
#include <windows.h>
#include "classlib/Object.h"
#include "classlib/Geometry.h"
#include "classlib/String.h"

class CWnd;
class CDC;

class CGdiObject : public CObject {
    DECLARE_DYNAMIC(CGdiObject)
public:
    CGdiObject() noexcept : m_hObject(NULL) {}
    ~CGdiObject() override;

    HGDIOBJ m_hObject;

    operator HGDIOBJ() const noexcept { return m_hObject; }
    // NULL also when called through a NULL pointer, as code written for this library expects.
    HGDIOBJ GetSafeHandle() const noexcept;

    // The permanent object of the handle, or a temporary one; NULL for a NULL handle.
    static CGdiObject* FromHandle(HGDIOBJ hObject) noexcept;
    // Deletes the temporary wrappers of this thread (run at idle time).
    static void DeleteTempMap() noexcept;

    // Takes ownership; FALSE when the object already holds a handle or hObject is NULL.
    BOOL Attach(HGDIOBJ hObject) noexcept;
    HGDIOBJ Detach() noexcept;
    BOOL DeleteObject() noexcept;

    int GetObject(int nCount, LPVOID lpObject) const noexcept;
    UINT GetObjectType() const noexcept;
    BOOL CreateStockObject(int nIndex) noexcept;
    BOOL UnrealizeObject() noexcept;

protected:
    // The temporary wrapper of the handle, made as TObject when there is none yet.
    template<class TObject> static TObject* FromHandleAs(HGDIOBJ hObject) noexcept;
};

class CPen : public CGdiObject {
    DECLARE_DYNAMIC(CPen)
public:
    CPen() noexcept {}
    // A pen made at once; check m_hObject (or GetSafeHandle) when it matters.
    CPen(int nPenStyle, int nWidth, COLORREF crColor) noexcept { CreatePen(nPenStyle, nWidth, crColor); }
    static CPen* FromHandle(HPEN hPen) noexcept { return FromHandleAs<CPen>(hPen); }
    operator HPEN() const noexcept { return static_cast<HPEN>(m_hObject); }
    BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor) noexcept;
    BOOL CreatePenIndirect(LPLOGPEN lpLogPen) noexcept;
    int GetLogPen(LOGPEN* pLogPen) const noexcept { return GetObject(sizeof(LOGPEN), pLogPen); }
};

class CBitmap;

class CBrush : public CGdiObject {
    DECLARE_DYNAMIC(CBrush)
public:
    CBrush() noexcept {}
    explicit CBrush(COLORREF crColor) noexcept { CreateSolidBrush(crColor); }
    static CBrush* FromHandle(HBRUSH hBrush) noexcept { return FromHandleAs<CBrush>(hBrush); }
    operator HBRUSH() const noexcept { return static_cast<HBRUSH>(m_hObject); }
    BOOL CreateSolidBrush(COLORREF crColor) noexcept;
    BOOL CreateHatchBrush(int nIndex, COLORREF crColor) noexcept;
    BOOL CreatePatternBrush(CBitmap* pBitmap) noexcept;
    // The system's cached brush of a system colour; deleting it later is harmless.
    BOOL CreateSysColorBrush(int nIndex) noexcept;
    BOOL CreateBrushIndirect(const LOGBRUSH* lpLogBrush) noexcept;
    int GetLogBrush(LOGBRUSH* pLogBrush) const noexcept { return GetObject(sizeof(LOGBRUSH), pLogBrush); }
};

class CFont : public CGdiObject {
    DECLARE_DYNAMIC(CFont)
public:
    CFont() noexcept {}
    static CFont* FromHandle(HFONT hFont) noexcept { return FromHandleAs<CFont>(hFont); }
    operator HFONT() const noexcept { return static_cast<HFONT>(m_hObject); }
    BOOL CreateFontIndirect(const LOGFONTA* lpLogFont) noexcept;
    BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight,
                    BYTE bItalic, BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet,
                    BYTE nOutPrecision, BYTE nClipPrecision, BYTE nQuality,
                    BYTE nPitchAndFamily, LPCSTR lpszFacename) noexcept;
    // nPointSize in tenths of a point, measured on pDC (the screen when NULL).
    BOOL CreatePointFont(int nPointSize, LPCSTR lpszFaceName, CDC* pDC = NULL) noexcept;
    // lpLogFont->lfHeight in tenths of a point.
    BOOL CreatePointFontIndirect(const LOGFONTA* lpLogFont, CDC* pDC = NULL) noexcept;
    int GetLogFont(LOGFONTA* pLogFont) const noexcept { return GetObject(sizeof(LOGFONTA), pLogFont); }
};

class CBitmap : public CGdiObject {
    DECLARE_DYNAMIC(CBitmap)
public:
    CBitmap() noexcept {}
    static CBitmap* FromHandle(HBITMAP hBitmap) noexcept { return FromHandleAs<CBitmap>(hBitmap); }
    operator HBITMAP() const noexcept { return static_cast<HBITMAP>(m_hObject); }
    // From the resources of the application's resource module.
    BOOL LoadBitmap(LPCSTR lpszResourceName) noexcept;
    BOOL LoadBitmap(UINT nIDResource) noexcept { return LoadBitmap(MAKEINTRESOURCEA(nIDResource)); }
    BOOL LoadOEMBitmap(UINT nIDBitmap) noexcept;
    BOOL CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits) noexcept;
    BOOL CreateBitmapIndirect(LPBITMAP lpBitmap) noexcept;
    BOOL CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight) noexcept;
    int GetBitmap(BITMAP* pBitMap) const noexcept { return GetObject(sizeof(BITMAP), pBitMap); }
    CSize GetBitmapDimension() const noexcept;
};

class CDC : public CObject {
    DECLARE_DYNAMIC(CDC)
public:
    CDC() noexcept : m_hDC(NULL) {}
    ~CDC() override;          // DeleteDC of a held handle

    HDC m_hDC;

    operator HDC() const noexcept { return m_hDC; }
    HDC GetSafeHdc() const noexcept;    // NULL also through a NULL pointer
    static CDC* FromHandle(HDC hDC) noexcept;
    static void DeleteTempMap() noexcept;
    BOOL Attach(HDC hDC) noexcept;
    HDC Detach() noexcept;
    BOOL DeleteDC() noexcept;
    // A memory DC compatible with pDC (the screen when NULL).
    BOOL CreateCompatibleDC(CDC* pDC) noexcept;
    CWnd* GetWindow() const noexcept;

    // Selection: the object that was selected before, as the same C++ type (a temporary
    // wrapper unless the old handle has an owner); NULL for a NULL argument or a failure.
    CPen* SelectObject(CPen* pPen) noexcept;
    CBrush* SelectObject(CBrush* pBrush) noexcept;
    CFont* SelectObject(CFont* pFont) noexcept;
    CBitmap* SelectObject(CBitmap* pBitmap) noexcept;
    CGdiObject* SelectObject(CGdiObject* pObject) noexcept;
    CGdiObject* SelectStockObject(int nIndex) noexcept;

    int SaveDC() noexcept { return ::SaveDC(m_hDC); }
    BOOL RestoreDC(int nSavedDC) noexcept { return ::RestoreDC(m_hDC, nSavedDC); }
    int GetDeviceCaps(int nIndex) const noexcept { return ::GetDeviceCaps(m_hDC, nIndex); }
    int SetMapMode(int nMapMode) noexcept { return ::SetMapMode(m_hDC, nMapMode); }
    int GetMapMode() const noexcept { return ::GetMapMode(m_hDC); }
    int SetROP2(int nDrawMode) noexcept { return ::SetROP2(m_hDC, nDrawMode); }
    int GetROP2() const noexcept { return ::GetROP2(m_hDC); }

    COLORREF SetTextColor(COLORREF crColor) noexcept { return ::SetTextColor(m_hDC, crColor); }
    COLORREF GetTextColor() const noexcept { return ::GetTextColor(m_hDC); }
    COLORREF SetBkColor(COLORREF crColor) noexcept { return ::SetBkColor(m_hDC, crColor); }
    COLORREF GetBkColor() const noexcept { return ::GetBkColor(m_hDC); }
    int SetBkMode(int nBkMode) noexcept { return ::SetBkMode(m_hDC, nBkMode); }
    int GetBkMode() const noexcept { return ::GetBkMode(m_hDC); }
    UINT SetTextAlign(UINT nFlags) noexcept { return ::SetTextAlign(m_hDC, nFlags); }
    UINT GetTextAlign() const noexcept { return ::GetTextAlign(m_hDC); }

    // Text: a negative count means up to the terminator; a NULL text draws nothing.
    BOOL TextOut(int x, int y, LPCSTR lpszString, int nCount) noexcept;
    BOOL TextOut(int x, int y, const CString& str) noexcept { return TextOut(x, y, str, str.GetLength()); }
    BOOL ExtTextOut(int x, int y, UINT nOptions, LPCRECT lpRect, LPCSTR lpszString, UINT nCount,
                    LPINT lpDxWidths) noexcept;
    BOOL ExtTextOut(int x, int y, UINT nOptions, LPCRECT lpRect, const CString& str, LPINT lpDxWidths) noexcept
    { return ExtTextOut(x, y, nOptions, lpRect, str, static_cast<UINT>(str.GetLength()), lpDxWidths); }
    int DrawText(LPCSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat) noexcept;
    int DrawText(const CString& str, LPRECT lpRect, UINT nFormat) noexcept
    { return DrawText(str, str.GetLength(), lpRect, nFormat); }
    CSize GetTextExtent(LPCSTR lpszString, int nCount) const noexcept;
    CSize GetTextExtent(const CString& str) const noexcept { return GetTextExtent(str, str.GetLength()); }
    BOOL GetTextMetrics(LPTEXTMETRICA lpMetrics) const noexcept;

    // Fills with a colour without touching the selected brush; the background colour is
    // restored afterwards.
    void FillSolidRect(LPCRECT lpRect, COLORREF clr) noexcept;
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF clr) noexcept;
    void FillRect(LPCRECT lpRect, CBrush* pBrush) noexcept;
    void FrameRect(LPCRECT lpRect, CBrush* pBrush) noexcept;
    // A one-pixel frame: top and left in one colour, bottom and right in the other.
    void Draw3dRect(LPCRECT lpRect, COLORREF clrTopLeft, COLORREF clrBottomRight) noexcept;
    void Draw3dRect(int x, int y, int cx, int cy, COLORREF clrTopLeft, COLORREF clrBottomRight) noexcept;
    BOOL Rectangle(int x1, int y1, int x2, int y2) noexcept { return ::Rectangle(m_hDC, x1, y1, x2, y2); }
    BOOL Rectangle(LPCRECT lpRect) noexcept;
    BOOL DrawEdge(LPRECT lpRect, UINT nEdge, UINT nFlags) noexcept { return ::DrawEdge(m_hDC, lpRect, nEdge, nFlags); }
    void DrawFocusRect(LPCRECT lpRect) noexcept { ::DrawFocusRect(m_hDC, lpRect); }
    BOOL DrawIcon(int x, int y, HICON hIcon) noexcept { return ::DrawIcon(m_hDC, x, y, hIcon); }
    BOOL DrawIcon(POINT point, HICON hIcon) noexcept { return ::DrawIcon(m_hDC, point.x, point.y, hIcon); }

    CPoint MoveTo(int x, int y) noexcept;
    CPoint MoveTo(POINT point) noexcept { return MoveTo(point.x, point.y); }
    BOOL LineTo(int x, int y) noexcept { return ::LineTo(m_hDC, x, y); }
    BOOL LineTo(POINT point) noexcept { return ::LineTo(m_hDC, point.x, point.y); }
    BOOL Polyline(const POINT* lpPoints, int nCount) noexcept;

    COLORREF GetPixel(int x, int y) const noexcept { return ::GetPixel(m_hDC, x, y); }
    COLORREF GetPixel(POINT point) const noexcept { return ::GetPixel(m_hDC, point.x, point.y); }
    COLORREF SetPixel(int x, int y, COLORREF crColor) noexcept { return ::SetPixel(m_hDC, x, y, crColor); }

    // pSrcDC may be NULL for raster operations that use no source.
    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop) noexcept;
    BOOL StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc,
                    int nSrcWidth, int nSrcHeight, DWORD dwRop) noexcept;
    BOOL PatBlt(int x, int y, int nWidth, int nHeight, DWORD dwRop) noexcept
    { return ::PatBlt(m_hDC, x, y, nWidth, nHeight, dwRop); }

    int IntersectClipRect(int x1, int y1, int x2, int y2) noexcept { return ::IntersectClipRect(m_hDC, x1, y1, x2, y2); }
    int IntersectClipRect(LPCRECT lpRect) noexcept;
    int ExcludeClipRect(int x1, int y1, int x2, int y2) noexcept { return ::ExcludeClipRect(m_hDC, x1, y1, x2, y2); }
    int ExcludeClipRect(LPCRECT lpRect) noexcept;
    int GetClipBox(LPRECT lpRect) const noexcept { return ::GetClipBox(m_hDC, lpRect); }
};

// BeginPaint/EndPaint of a window, in WM_PAINT.
class CPaintDC : public CDC {
    DECLARE_DYNAMIC(CPaintDC)
public:
    explicit CPaintDC(CWnd* pWnd) noexcept;
    ~CPaintDC() override;
    PAINTSTRUCT m_ps;
protected:
    HWND m_hWnd;
};

// The client area of a window (the screen for NULL), released in the destructor.
class CClientDC : public CDC {
    DECLARE_DYNAMIC(CClientDC)
public:
    explicit CClientDC(CWnd* pWnd) noexcept;
    ~CClientDC() override;
protected:
    HWND m_hWnd;
};

// The whole window including its frame (the screen for NULL).
class CWindowDC : public CDC {
    DECLARE_DYNAMIC(CWindowDC)
public:
    explicit CWindowDC(CWnd* pWnd) noexcept;
    ~CWindowDC() override;
protected:
    HWND m_hWnd;
};
