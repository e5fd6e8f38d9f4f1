// Stacking and tiling geometry, with the cascades and grids worked out by hand.
#include "ArrangementGeometry.h"

#include <gtest/gtest.h>

namespace {

Rect R(int left, int top, int width, int height)
{
    return Rect{static_cast<SInt16>(top), static_cast<SInt16>(left), static_cast<SInt16>(top + height),
                static_cast<SInt16>(left + width)};
}

}  // namespace

TEST(WindowArrangement, ThreeStackedWindowsCascadeTenRightAndTwentyDown)
{
    const Rect area = R(0, 22, 1280, 778);
    const std::vector<Rect> r = StackWindowRects(3, area);
    ASSERT_EQ(r.size(), 3u);
    // w − 10 (m + k) + 10 = 1280 − 30 + 10; h − 20 m + 20 = 778 − 60 + 20.
    EXPECT_EQ(r[0], R(0, 22, 1260, 738));
    EXPECT_EQ(r[1], R(10, 42, 1260, 738));
    EXPECT_EQ(r[2], R(20, 62, 1260, 738));
}

TEST(WindowArrangement, TheNinthStackedWindowStartsAgainAtTheTopSmaller)
{
    const Rect area = R(0, 0, 1280, 778);
    const std::vector<Rect> r = StackWindowRects(9, area);
    ASSERT_EQ(r.size(), 9u);
    // m = 8, k = 0: 1280 − 80 + 10 wide, 778 − 160 + 20 high.
    EXPECT_EQ(r[0].Width(), 1210);
    EXPECT_EQ(r[0].Height(), 638);
    EXPECT_EQ(r[8], R(80, 0, 1210 - 70, 638 - 150));
}

TEST(WindowArrangement, FiveTiledWindowsUseTwoRowsOfThree)
{
    int rows = 0, columns = 0;
    const std::vector<Rect> r = TileWindowRects(5, R(0, 0, 1200, 800), &rows, &columns);
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(columns, 3);
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[0], R(0, 0, 400, 400));
    EXPECT_EQ(r[2], R(800, 0, 400, 400));
    EXPECT_EQ(r[4], R(400, 400, 400, 400));  // the sixth cell stays empty
}

TEST(WindowArrangement, GridsGrowColumnsFirst)
{
    const int expected[][3] = {{1, 1, 1}, {2, 1, 2}, {3, 2, 2}, {4, 2, 2}, {5, 2, 3}, {6, 2, 3}, {7, 3, 3}, {10, 3, 4}};
    for (const auto& [n, rows, columns] : expected) {
        int r = 0, c = 0;
        TileWindowRects(n, R(0, 0, 1000, 1000), &r, &c);
        EXPECT_EQ(r, rows) << n;
        EXPECT_EQ(c, columns) << n;
    }
}

TEST(WindowArrangement, AWindowBelowTheSmallestSizeGrowsAndStaysInsideTheArea)
{
    const Rect area = R(100, 50, 800, 600);
    // A 266-wide cell at the right edge: 580 wide, moved left to end at the area's edge.
    EXPECT_EQ(FitWindowRect(R(633, 350, 266, 300), area, 580, 150), R(320, 350, 580, 300));
    // Larger than the area: the area.
    EXPECT_EQ(FitWindowRect(R(0, 0, 2000, 2000), area, 580, 150), area);
}
