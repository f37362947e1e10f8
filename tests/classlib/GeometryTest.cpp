// CPoint, CSize and CRect against the system's own rectangle functions on a grid of
// rectangles, including empty and inverted ones.
#include <gtest/gtest.h>
#include "classlib/Geometry.h"

#include <vector>

namespace {

std::vector<RECT> SampleRects()
{
    std::vector<RECT> rects;
    const int coords[] = {-7, 0, 3, 10};
    for (int l : coords)
        for (int t : coords)
            for (int r : coords)
                for (int b : coords)
                    rects.push_back(RECT{l, t, r, b});
    return rects;
}

bool Same(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

TEST(Geometry, IntersectAndUnionMatchTheSystem)
{
    std::vector<RECT> rects = SampleRects();
    for (size_t i = 0; i < rects.size(); i += 3) {
        for (size_t j = 0; j < rects.size(); j += 5) {
            RECT expected;
            BOOL expectedResult = IntersectRect(&expected, &rects[i], &rects[j]);
            CRect got;
            EXPECT_EQ(got.IntersectRect(&rects[i], &rects[j]), expectedResult);
            EXPECT_TRUE(Same(got, expected));
            expectedResult = UnionRect(&expected, &rects[i], &rects[j]);
            EXPECT_EQ(got.UnionRect(&rects[i], &rects[j]), expectedResult);
            EXPECT_TRUE(Same(got, expected));
            CRect a(rects[i]);
            CRect both = a & rects[j];
            IntersectRect(&expected, &rects[i], &rects[j]);
            EXPECT_TRUE(Same(both, expected));
        }
    }
    CRect none;
    EXPECT_FALSE(none.IntersectRect(nullptr, &rects[0]));
    EXPECT_TRUE(none.IsRectNull());
}

TEST(Geometry, EmptinessContainmentAndNormalising)
{
    for (const RECT& r : SampleRects()) {
        CRect c(r);
        EXPECT_EQ(c.IsRectEmpty(), IsRectEmpty(&r));
        for (POINT pt : {POINT{0, 0}, POINT{3, 3}, POINT{-7, -7}, POINT{9, 9}, POINT{10, 10}})
            EXPECT_EQ(c.PtInRect(pt), PtInRect(&r, pt));
        CRect n(r);
        n.NormalizeRect();
        EXPECT_LE(n.left, n.right);
        EXPECT_LE(n.top, n.bottom);
        EXPECT_EQ(n.Width(), r.left < r.right ? r.right - r.left : r.left - r.right);
    }
}

TEST(Geometry, MovingAndResizing)
{
    CRect r(10, 20, 110, 70);
    EXPECT_EQ(r.Width(), 100);
    EXPECT_EQ(r.Height(), 50);
    EXPECT_TRUE(r.CenterPoint() == CPoint(60, 45));
    EXPECT_TRUE(r.TopLeft() == CPoint(10, 20));
    EXPECT_TRUE(r.BottomRight() == CPoint(110, 70));
    r.TopLeft() = CPoint(0, 0);   // the corners are the rectangle's own fields
    EXPECT_EQ(r.left, 0);
    RECT sys = r;
    OffsetRect(&sys, 5, -3);
    r.OffsetRect(5, -3);
    EXPECT_TRUE(Same(r, sys));
    InflateRect(&sys, 2, 4);
    r.InflateRect(2, 4);
    EXPECT_TRUE(Same(r, sys));
    r.DeflateRect(2, 4);
    r.DeflateRect(CRect(1, 2, 3, 4));
    EXPECT_TRUE(r == CRect(6, -1, 112, 63));
    r.MoveToXY(0, 0);
    EXPECT_TRUE(r == CRect(0, 0, 106, 64));
    r.SetRectEmpty();
    EXPECT_TRUE(r.IsRectNull());
    CPoint p(3, 4);
    p += CSize(1, 1);
    EXPECT_TRUE(p == CPoint(4, 5));
    CSize d = CPoint(10, 10) - CPoint(4, 5);
    EXPECT_TRUE(d == CSize(6, 5));
    CPoint packed(static_cast<DWORD>(MAKELONG(static_cast<WORD>(-3), 7)));
    EXPECT_EQ(packed.x, -3);
    EXPECT_EQ(packed.y, 7);
    LPRECT asRect = r;   // usable where the API takes a RECT*
    EXPECT_EQ(asRect, static_cast<RECT*>(&r));
    CRect fromNull(static_cast<const RECT*>(nullptr));
    EXPECT_TRUE(fromNull.IsRectNull());
}
