// Clipping of segments, polylines and polygons to the plot rectangle, checked against hand
// computations.
#include "ClipGeometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const RectF kBox{0, 0, 10, 10};

double Area(const std::vector<PointF>& poly)
{
    double a = 0;
    for (std::size_t i = 0; i < poly.size(); ++i) {
        const PointF& p = poly[i];
        const PointF& q = poly[(i + 1) % poly.size()];
        a += p.x * q.y - q.x * p.y;
    }
    return std::fabs(a) / 2;
}

struct SegmentCase {
    PointF a, b;
    bool visible;
    PointF ca, cb;
};

const SegmentCase kSegments[] = {
    {{1, 1}, {9, 9}, true, {1, 1}, {9, 9}},       // inside: unchanged
    {{-5, 5}, {5, 5}, true, {0, 5}, {5, 5}},      // crosses the left edge
    {{5, -10}, {5, 20}, true, {5, 0}, {5, 10}},   // crosses top and bottom
    {{-5, 0}, {5, -10}, false, {}, {}},           // passes the corner outside
    {{10, 2}, {10, 8}, true, {10, 2}, {10, 8}},   // on the right edge: kept
    {{11, 2}, {11, 8}, false, {}, {}},
    {{-10, -10}, {20, 20}, true, {0, 0}, {10, 10}},
};

}  // namespace

TEST(ClipGeometry, Segments)
{
    for (const SegmentCase& c : kSegments) {
        PointF a = c.a, b = c.b;
        ASSERT_EQ(ClipSegment(a, b, kBox), c.visible);
        if (!c.visible)
            continue;
        EXPECT_NEAR(a.x, c.ca.x, 1e-12);
        EXPECT_NEAR(a.y, c.ca.y, 1e-12);
        EXPECT_NEAR(b.x, c.cb.x, 1e-12);
        EXPECT_NEAR(b.y, c.cb.y, 1e-12);
    }
    PointF a{NAN, 1}, b{5, 5};
    EXPECT_FALSE(ClipSegment(a, b, kBox));
    PointF c{1, 1}, d{INFINITY, 5};
    EXPECT_FALSE(ClipSegment(c, d, kBox));
}

TEST(ClipGeometry, PolylineLeavingAndReenteringSplitsIntoPieces)
{
    // Up through the top edge at x 3, back in at x 7, with a point at infinity later.
    const std::vector<PointF> line = {{1, 5}, {3, 0}, {5, -5}, {7, 0}, {9, 5}, {9, INFINITY}, {9.5, 4}, {9.5, 3}};
    const auto pieces = ClipPolyline(line, kBox);
    ASSERT_EQ(pieces.size(), 3u);
    ASSERT_EQ(pieces[0].size(), 2u);
    EXPECT_NEAR(pieces[0][1].x, 3, 1e-12);
    EXPECT_NEAR(pieces[0][1].y, 0, 1e-12);
    ASSERT_EQ(pieces[1].size(), 2u);
    EXPECT_NEAR(pieces[1][0].x, 7, 1e-12);
    EXPECT_NEAR(pieces[1][1].x, 9, 1e-12);
    ASSERT_EQ(pieces[2].size(), 2u);  // after the break
    EXPECT_NEAR(pieces[2][0].y, 4, 1e-12);

    // A line with a huge value far outside stays inside the box.
    const auto tall = ClipPolyline({{1, 5}, {2, -1e30}, {3, 5}}, kBox);
    for (const auto& piece : tall)
        for (const PointF& p : piece) {
            EXPECT_GE(p.y, 0);
            EXPECT_LE(p.y, 10);
        }
}

TEST(ClipGeometry, PolygonAreaAfterClipping)
{
    // A triangle with half its height above the box: the part inside is a trapezoid.
    const std::vector<PointF> triangle = {{0, 10}, {10, 10}, {5, -10}};
    // Height 20 from y −10 to 10; inside is y 0..10: widths 5 at y 0 and 10 at y 10.
    EXPECT_NEAR(Area(ClipPolygon(triangle, kBox)), (5 + 10) / 2.0 * 10, 1e-9);
    EXPECT_NEAR(Area(ClipPolygon({{-5, -5}, {15, -5}, {15, 15}, {-5, 15}}, kBox)), 100, 1e-9);
    EXPECT_TRUE(ClipPolygon({{20, 20}, {30, 20}, {30, 30}}, kBox).empty());
}

