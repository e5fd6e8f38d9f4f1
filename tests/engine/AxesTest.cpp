// Tick choice, tick numbers, axis titles, grids and frames, checked against hand computations
// from the step tables.
#include "Axes.h"
#include "PlotTestSupport.h"
#include "RecordingSurface.h"

#include "Globals.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct XTickCase {
    float xmin, xmax;
    int width;
    float first, step;
    int count;
};

// Wanted count n = width / 72 on screen; step the largest table entry ≤ range / (n − 1).
const XTickCase kXTicks[] = {
    {10, 80, 300, 20, 20, 4},   // n 4, 70 / 3 = 23.3: 20, 40, 60, 80
    {20, 80, 300, 20, 20, 4},   // a range starting on a step starts there, not a step later
    {5, 80, 947, 5, 5, 16},     // n 13, 75 / 12 = 6.25: 5 ... 80
    {10, 80, 100, 60, 60, 1},   // n 1: spaced by the whole range, one tick at 60
    {0, 0.3f, 300, 0, 0.1f, 4}, // 0.3 / 3 = 0.1: 0.0, 0.1, 0.2, 0.3
    {1, 11, 947, 1, 0.5f, 21},  // d axis: 10 / 12 = 0.83: 1.0 ... 11.0
};

struct YTickCase {
    float ymin, ymax;
    int height;
    float first, step;
    int count, exponent;
};

// Row unit 27 on screen; decade e of the range, steps in units of 10^e.
const YTickCase kYTicks[] = {
    {0, 1000, 300, 0, 0.1f, 11, 3},     // n 11, m 1: 0.0 ... 1.0 (x 0.001)
    {0, 0.5f, 300, 0, 0.5f, 11, -1},    // m 5 at e −1: 0 ... 5 (x 10^1)
    {0, 1000, 53, 0, 0.1f, 0, 3},       // less than two rows: no ticks
    {0, 1000, 54, 0, 1, 2, 3},          // two rows: 0 and 1
    {250, 1250, 300, 0.3f, 0.1f, 10, 3},  // positive minimum: first tick 300, last 1200
    {0, 999, 300, 0, 0.5f, 21, 2},      // q = 9.98: a fraction above 0.97 adds a tick at 1000
};

}  // namespace

TEST(Axes, XTicksFromStepTable)
{
    for (const XTickCase& c : kXTicks) {
        const XTicksRec t = ComputeXTicks(c.xmin, c.xmax, c.width, 9);
        SCOPED_TRACE(::testing::Message() << c.xmin << ".." << c.xmax << " over " << c.width);
        EXPECT_NEAR(t.first, c.first, 1e-4);
        EXPECT_FLOAT_EQ(t.step, c.step);
        EXPECT_EQ(t.count, c.count);
    }
}

TEST(Axes, XTicksOfAnAbsurdRangeAreBoundedByThePlotWidth)
{
    const XTicksRec t = ComputeXTicks(0, 1e9f, 300, 9);
    EXPECT_LE(t.count, 300);
    EXPECT_EQ(ComputeXTicks(5, 5, 300, 9).count, 0);
    EXPECT_EQ(ComputeXTicks(0, NAN, 300, 9).count, 0);
}

TEST(Axes, YTicksFromDecadeScale)
{
    for (const YTickCase& c : kYTicks) {
        const YTicksRec t = ComputeYTicks(c.ymin, c.ymax, c.height, 27);
        SCOPED_TRACE(::testing::Message() << c.ymin << ".." << c.ymax << " over " << c.height);
        EXPECT_NEAR(t.first, c.first, 1e-5);
        EXPECT_FLOAT_EQ(t.step, c.step);
        EXPECT_EQ(t.count, c.count);
        EXPECT_EQ(t.exponent, c.exponent);
        EXPECT_DOUBLE_EQ(t.scale, std::pow(10.0, c.exponent));
    }
}

TEST(Axes, TickNumbersAndDecadeTitles)
{
    EXPECT_EQ(FormatXTickLabel(20, 20), "20");
    EXPECT_EQ(FormatXTickLabel(37.5f, 2.5f), "37");
    EXPECT_EQ(FormatXTickLabel(0.5f, 0.5f), "0.5");
    EXPECT_EQ(FormatXTickLabel(0.25f, 0.05f), "0.25");

    EXPECT_EQ(FormatYTickLabel(0.3, 0.1f), "0.3");
    EXPECT_EQ(FormatYTickLabel(7.5, 1), "7.5");
    EXPECT_EQ(FormatYTickLabel(12.5, 2), "13");    // halves away from zero
    EXPECT_EQ(FormatYTickLabel(-12.5, 2), "-13");
    EXPECT_EQ(FormatYTickLabel(1000.9, 100), "1001");
    EXPECT_EQ(FormatYTickLabel(1001, 100), "***");

    // Decades beyond the named ones: the power is written negated.
    EXPECT_EQ(YAxisTitle(-1), "Intensity (x 10^1)");
    EXPECT_EQ(YAxisTitle(5), "Intensity (x 10^-5)");
}

TEST(Axes, XAxisNumbersSitCentredUnderTheirTicks)
{
    const Rect plot{10, 40, 210, 340};  // 300 wide
    auto w = MakePlotWindow(plot, 10, 80, 0, 1);
    GraphFrameRec gf;
    gf.xmin = 10;
    gf.xmax = 80;
    gf.xscale = w->plotSpecs.xscale;
    RecordingSurface s;
    DrawXAxis(s, w.get(), plot, &gf);

    const char* numbers[] = {"20", "40", "60", "80"};
    for (int i = 0; i < 4; ++i) {
        const RecordingSurface::Call* text = s.FindText(numbers[i]);
        ASSERT_NE(text, nullptr) << numbers[i];
        const int column = static_cast<int>(40 + (20 * (i + 1) - 10) * static_cast<double>(gf.xscale));
        EXPECT_NEAR(text->origin.x + 0.6 * 9 * 2 / 2, column, 1e-6);
        EXPECT_NEAR(text->origin.y, 210 + 5 + 0.8 * 9, 1e-6);  // hanging from the tick's end
    }
    ASSERT_NE(s.FindText("Two Theta [degrees]"), nullptr);
    // Four ticks from 2 below the plot to the tick's length.
    auto lines = s.Calls(RecordingSurface::Op::Line);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0]->v1, 212);
    EXPECT_EQ(lines[0]->v2, 215);
    EXPECT_EQ(gf.numXTicks, 4);
    EXPECT_FLOAT_EQ(gf.firstXTick, 20);
    EXPECT_FLOAT_EQ(gf.deltaXTick, 20);
}

TEST(Axes, YAxisTitleAndNumbersOfTheDecade)
{
    const Rect plot{10, 40, 310, 340};  // 300 high
    auto w = MakePlotWindow(plot, 10, 80, 0, 1000);
    GraphFrameRec gf;
    gf.ymin = 0;
    gf.ymax = 1000;
    gf.yscale = w->plotSpecs.yscale;
    RecordingSurface s;
    DrawYAxis(s, w.get(), plot, &gf);
    EXPECT_NE(s.FindText("0.0"), nullptr);
    EXPECT_NE(s.FindText("1.0"), nullptr);
    const RecordingSurface::Call* title = s.FindText("Intensity (x 0.001)");
    ASSERT_NE(title, nullptr);
    EXPECT_DOUBLE_EQ(title->angle, 90);
    EXPECT_EQ(gf.numYTicks, 11);
    EXPECT_FLOAT_EQ(gf.deltaYTick, 100);
    // The top tick (1000) lies one row below the top edge: yscale is (height − 1) / range.
    auto lines = s.Calls(RecordingSurface::Op::Line);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines.back()->v1, static_cast<int>(310 - 1000 * gf.yscale));
}

TEST(Axes, GridLinesOnTheFrameAreSkipped)
{
    const Rect plot{10, 40, 110, 240};
    GraphFrameRec gf;
    gf.xmin = 0;
    gf.xmax = 20;
    gf.xscale = 10;
    gf.firstXTick = 0;   // on the left edge
    gf.deltaXTick = 10;
    gf.numXTicks = 3;    // 0, 10, 20: the first and last lie on the frame
    gf.ymin = 0;
    gf.yscale = 1;
    gf.firstYTick = 0;   // on the bottom edge
    gf.deltaYTick = 50;
    gf.numYTicks = 2;
    gf.frameColor = {1, 2, 3};
    RecordingSurface s;
    DrawGrids(s, plot, &gf);
    auto lines = s.Calls(RecordingSurface::Op::Line);
    ASSERT_EQ(lines.size(), 2u);
    // y 50 at row 60, from left + 1 to right − 2.
    EXPECT_EQ(lines[0]->v1, 60);
    EXPECT_EQ(lines[0]->h1, 41);
    EXPECT_EQ(lines[0]->h2, 238);
    // x 10 at column 140, from bottom − 1 up to top + 1.
    EXPECT_EQ(lines[1]->h1, 140);
    EXPECT_EQ(lines[1]->v1, 109);
    EXPECT_EQ(lines[1]->v2, 11);
    EXPECT_EQ(lines[1]->color, (RGBColor{1, 2, 3}));
}

