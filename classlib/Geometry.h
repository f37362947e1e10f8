// CPoint, CSize and CRect: the Win32 POINT, SIZE and RECT with the members window code
// keeps reaching for. They derive from the Win32 structures, so a CRect* is a RECT* and
// every API that takes one takes the other unchanged.
#pragma once
#include <windows.h>

class CSize;
class CRect;

class CPoint : public tagPOINT {
public:
    CPoint() noexcept { x = 0; y = 0; }
    CPoint(int initX, int initY) noexcept { x = initX; y = initY; }
    CPoint(POINT pt) noexcept { x = pt.x; y = pt.y; }
    CPoint(SIZE size) noexcept { x = size.cx; y = size.cy; }
    // The packed coordinates of a mouse message: two signed 16-bit halves.
    explicit CPoint(DWORD packed) noexcept
    {
        x = static_cast<short>(LOWORD(packed));
        y = static_cast<short>(HIWORD(packed));
    }

    void Offset(int dx, int dy) noexcept { x += dx; y += dy; }
    void Offset(POINT pt) noexcept { x += pt.x; y += pt.y; }
    void Offset(SIZE size) noexcept { x += size.cx; y += size.cy; }
    void SetPoint(int X, int Y) noexcept { x = X; y = Y; }

    bool operator==(POINT pt) const noexcept { return x == pt.x && y == pt.y; }
    bool operator!=(POINT pt) const noexcept { return !(*this == pt); }
    void operator+=(SIZE size) noexcept { x += size.cx; y += size.cy; }
    void operator-=(SIZE size) noexcept { x -= size.cx; y -= size.cy; }
    void operator+=(POINT pt) noexcept { x += pt.x; y += pt.y; }
    void operator-=(POINT pt) noexcept { x -= pt.x; y -= pt.y; }

    inline CPoint operator+(SIZE size) const noexcept;
    inline CPoint operator-(SIZE size) const noexcept;
    inline CPoint operator-() const noexcept { return CPoint(-x, -y); }
    inline CPoint operator+(POINT pt) const noexcept { return CPoint(x + pt.x, y + pt.y); }
    inline CSize operator-(POINT pt) const noexcept;
    inline CRect operator+(const RECT* rect) const noexcept;
    inline CRect operator-(const RECT* rect) const noexcept;
};

class CSize : public tagSIZE {
public:
    CSize() noexcept { cx = 0; cy = 0; }
    CSize(int initCX, int initCY) noexcept { cx = initCX; cy = initCY; }
    CSize(SIZE size) noexcept { cx = size.cx; cy = size.cy; }
    CSize(POINT pt) noexcept { cx = pt.x; cy = pt.y; }
    explicit CSize(DWORD packed) noexcept
    {
        cx = static_cast<short>(LOWORD(packed));
        cy = static_cast<short>(HIWORD(packed));
    }

    void SetSize(int CX, int CY) noexcept { cx = CX; cy = CY; }
    bool operator==(SIZE size) const noexcept { return cx == size.cx && cy == size.cy; }
    bool operator!=(SIZE size) const noexcept { return !(*this == size); }
    void operator+=(SIZE size) noexcept { cx += size.cx; cy += size.cy; }
    void operator-=(SIZE size) noexcept { cx -= size.cx; cy -= size.cy; }
    CSize operator+(SIZE size) const noexcept { return CSize(cx + size.cx, cy + size.cy); }
    CSize operator-(SIZE size) const noexcept { return CSize(cx - size.cx, cy - size.cy); }
    CSize operator-() const noexcept { return CSize(-cx, -cy); }
    CPoint operator+(POINT pt) const noexcept { return CPoint(cx + pt.x, cy + pt.y); }
    CPoint operator-(POINT pt) const noexcept { return CPoint(cx - pt.x, cy - pt.y); }
};

class CRect : public tagRECT {
public:
    CRect() noexcept { left = top = right = bottom = 0; }
    CRect(int l, int t, int r, int b) noexcept { left = l; top = t; right = r; bottom = b; }
    CRect(const RECT& src) noexcept { CopyRect(&src); }
    CRect(const RECT* src) noexcept
    {
        if (src)
            CopyRect(src);
        else
            left = top = right = bottom = 0;
    }
    CRect(POINT topLeft, SIZE size) noexcept
    {
        left = topLeft.x; top = topLeft.y;
        right = left + size.cx; bottom = top + size.cy;
    }
    CRect(POINT topLeft, POINT bottomRight) noexcept
    {
        left = topLeft.x; top = topLeft.y;
        right = bottomRight.x; bottom = bottomRight.y;
    }

    int Width() const noexcept { return right - left; }
    int Height() const noexcept { return bottom - top; }
    CSize Size() const noexcept { return CSize(Width(), Height()); }
    // The two corners viewed as POINTs inside the RECT (left/top and right/bottom are
    // laid out as two POINTs, which Win32 relies on as well, e.g. in MapWindowPoints).
    CPoint& TopLeft() noexcept { return *reinterpret_cast<CPoint*>(this); }
    CPoint& BottomRight() noexcept { return *(reinterpret_cast<CPoint*>(this) + 1); }
    const CPoint& TopLeft() const noexcept { return *reinterpret_cast<const CPoint*>(this); }
    const CPoint& BottomRight() const noexcept { return *(reinterpret_cast<const CPoint*>(this) + 1); }
    CPoint CenterPoint() const noexcept { return CPoint((left + right) / 2, (top + bottom) / 2); }

    operator LPRECT() noexcept { return this; }
    operator LPCRECT() const noexcept { return this; }

    BOOL IsRectEmpty() const noexcept { return ::IsRectEmpty(this); }
    BOOL IsRectNull() const noexcept { return left == 0 && right == 0 && top == 0 && bottom == 0; }
    BOOL PtInRect(POINT pt) const noexcept { return ::PtInRect(this, pt); }

    void SetRect(int l, int t, int r, int b) noexcept { left = l; top = t; right = r; bottom = b; }
    void SetRect(POINT topLeft, POINT bottomRight) noexcept
    {
        SetRect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
    }
    void SetRectEmpty() noexcept { left = top = right = bottom = 0; }
    void CopyRect(const RECT* src) noexcept
    {
        if (src) {
            left = src->left; top = src->top; right = src->right; bottom = src->bottom;
        }
    }
    BOOL EqualRect(const RECT* r) const noexcept
    {
        return r && left == r->left && top == r->top && right == r->right && bottom == r->bottom;
    }

    void InflateRect(int x, int y) noexcept { left -= x; top -= y; right += x; bottom += y; }
    void InflateRect(SIZE size) noexcept { InflateRect(size.cx, size.cy); }
    void InflateRect(const RECT* r) noexcept
    {
        if (r) { left -= r->left; top -= r->top; right += r->right; bottom += r->bottom; }
    }
    void InflateRect(int l, int t, int r, int b) noexcept
    {
        left -= l; top -= t; right += r; bottom += b;
    }
    void DeflateRect(int x, int y) noexcept { InflateRect(-x, -y); }
    void DeflateRect(SIZE size) noexcept { InflateRect(-size.cx, -size.cy); }
    void DeflateRect(const RECT* r) noexcept
    {
        if (r) { left += r->left; top += r->top; right -= r->right; bottom -= r->bottom; }
    }
    void DeflateRect(int l, int t, int r, int b) noexcept
    {
        left += l; top += t; right -= r; bottom -= b;
    }

    void OffsetRect(int x, int y) noexcept { left += x; right += x; top += y; bottom += y; }
    void OffsetRect(POINT pt) noexcept { OffsetRect(pt.x, pt.y); }
    void OffsetRect(SIZE size) noexcept { OffsetRect(size.cx, size.cy); }
    void MoveToX(int x) noexcept { right = x + Width(); left = x; }
    void MoveToY(int y) noexcept { bottom = y + Height(); top = y; }
    void MoveToXY(int x, int y) noexcept { MoveToX(x); MoveToY(y); }
    void MoveToXY(POINT pt) noexcept { MoveToXY(pt.x, pt.y); }

    // Swaps the edges of a rectangle given with right < left or bottom < top.
    void NormalizeRect() noexcept
    {
        if (left > right) { LONG t = left; left = right; right = t; }
        if (top > bottom) { LONG t = top; top = bottom; bottom = t; }
    }

    BOOL IntersectRect(const RECT* a, const RECT* b) noexcept
    {
        if (!a || !b) { SetRectEmpty(); return FALSE; }
        return ::IntersectRect(this, a, b);
    }
    BOOL UnionRect(const RECT* a, const RECT* b) noexcept
    {
        if (!a || !b) { SetRectEmpty(); return FALSE; }
        return ::UnionRect(this, a, b);
    }
    BOOL SubtractRect(const RECT* a, const RECT* b) noexcept
    {
        if (!a || !b) { SetRectEmpty(); return FALSE; }
        return ::SubtractRect(this, a, b);
    }

    CRect& operator=(const RECT& src) noexcept { CopyRect(&src); return *this; }
    bool operator==(const RECT& r) const noexcept { return EqualRect(&r) != FALSE; }
    bool operator!=(const RECT& r) const noexcept { return !EqualRect(&r); }
    void operator+=(POINT pt) noexcept { OffsetRect(pt); }
    void operator+=(SIZE size) noexcept { OffsetRect(size); }
    void operator+=(const RECT* r) noexcept { InflateRect(r); }
    void operator-=(POINT pt) noexcept { OffsetRect(-pt.x, -pt.y); }
    void operator-=(SIZE size) noexcept { OffsetRect(-size.cx, -size.cy); }
    void operator-=(const RECT* r) noexcept { DeflateRect(r); }
    void operator&=(const RECT& r) noexcept { CRect a(*this); IntersectRect(&a, &r); }
    void operator|=(const RECT& r) noexcept { CRect a(*this); UnionRect(&a, &r); }

    CRect operator+(POINT pt) const noexcept { CRect r(*this); r.OffsetRect(pt); return r; }
    CRect operator-(POINT pt) const noexcept { CRect r(*this); r.OffsetRect(-pt.x, -pt.y); return r; }
    CRect operator+(SIZE size) const noexcept { CRect r(*this); r.OffsetRect(size); return r; }
    CRect operator-(SIZE size) const noexcept { CRect r(*this); r.OffsetRect(-size.cx, -size.cy); return r; }
    CRect operator+(const RECT* rect) const noexcept { CRect r(*this); r.InflateRect(rect); return r; }
    CRect operator-(const RECT* rect) const noexcept { CRect r(*this); r.DeflateRect(rect); return r; }
    CRect operator&(const RECT& other) const noexcept { CRect r; r.IntersectRect(this, &other); return r; }
    CRect operator|(const RECT& other) const noexcept { CRect r; r.UnionRect(this, &other); return r; }
};

inline CPoint CPoint::operator+(SIZE size) const noexcept { return CPoint(x + size.cx, y + size.cy); }
inline CPoint CPoint::operator-(SIZE size) const noexcept { return CPoint(x - size.cx, y - size.cy); }
inline CSize CPoint::operator-(POINT pt) const noexcept { return CSize(x - pt.x, y - pt.y); }
inline CRect CPoint::operator+(const RECT* rect) const noexcept
{
    CRect r(rect);
    r.OffsetRect(x, y);
    return r;
}
inline CRect CPoint::operator-(const RECT* rect) const noexcept
{
    CRect r(rect);
    r.OffsetRect(-x, -y);
    return r;
}
