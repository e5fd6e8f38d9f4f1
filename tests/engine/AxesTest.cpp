// Tick choice, tick numbers, axis titles, grids and frames, checked against hand computations
// of the 1-2-5 steps.
#include "Axes.h"
#include "PlotTestSupport.h"
#include "RecordingSurface.h"

#include "Globals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

struct XTickCase {
    float xmin, xmax;
    int width;
    float first, step;
    int count;
};

// Wanted count n = width / 72 on screen, at most 10; the smallest step of 1, 2 or 5 times a power
// of ten that gives no more than n ticks, or a finer one that gives three when its numbers fit.
const XTickCase kXTicks[] = {
    {10, 80, 300, 20, 20, 4},    // n 4: steps of 10 give 8, of 20 give 20, 40, 60, 80
    {20, 80, 300, 20, 20, 4},    // a range starting on a step starts there
    {5, 80, 947, 10, 10, 8},     // n 13 → 10: steps of 5 give 16, of 10 give 10 ... 80
    {10, 80, 100, 20, 20, 4},    // n 1 gives one tick (50); steps of 20 are 28 pixels apart: three or more
    {10, 80, 40, 50, 50, 1},     // 40 pixels: 20 would put numbers 11 pixels apart, so one tick
    {0, 0.3f, 300, 0, 0.1f, 4},  // 0.0, 0.1, 0.2, 0.3
    {1, 11, 947, 2, 2, 5},       // d axis: steps of 1 give 11, of 2 give 2 ... 10
};

struct YTickCase {
    float ymin, ymax;
    int height;
    float first, step;
    int count, exponent;
};

// Row unit 27 on screen, at most 10 ticks; first and step in units of 10^e, e the range's decade.
const YTickCase kYTicks[] = {
    {0, 1000, 300, 0, 0.2f, 6, 3},        // 100s give 11: 0, 200 ... 1000
    {0, 0.5f, 300, 0, 1, 6, -1},          // 0.05s give 11: 0.0, 0.1 ... 0.5
    {0, 1000, 53, 0, 0.1f, 0, 3},         // less than two rows: no ticks
    {0, 1000, 54, 0, 1, 2, 3},            // two rows: 0 and 1000
    {250, 1250, 300, 0.3f, 0.1f, 10, 3},  // positive minimum: 300 ... 1200
    {0, 999, 300, 0, 1, 10, 2},           // 0, 100 ... 900
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

TEST(Axes, TickNumbersAndTitles)
{
    EXPECT_EQ(FormatXTickLabel(20, 20), "20");
    EXPECT_EQ(FormatXTickLabel(0.5f, 0.5f), "0.5");
    EXPECT_EQ(FormatXTickLabel(0.25f, 0.05f), "0.25");
    EXPECT_EQ(FormatYTickLabel(0.3, 0.1f), "0.3");
    EXPECT_EQ(FormatYTickLabel(1000, 200), "1000");
    EXPECT_EQ(FormatYTickLabel(-1e-9, 0.02f), "0.00");  // no "-0.00" on the residual's zero

    EXPECT_EQ(XAxisTitle(kAxisTwoTheta), "2\u03B8 (\u00B0)");
    EXPECT_EQ(XAxisTitle(kAxisDSpacing), "d (\u00C5)");
    EXPECT_EQ(XAxisTitle(kAxisReciprocalD), "1/d (\u00C5\u207B\u00B9)");
    EXPECT_EQ(XAxisTitle(kAxisTimeOfFlight), "Time of flight (ms)");
    EXPECT_EQ(XAxisTitle(kAxisEnergy), "Energy (keV)");
    // Numbers of 0.1 to 9999 are written as they are; beyond, the title carries the power of ten
    // that the numbers are multiplied by.
    for (int e : {-1, 0, 1, 2, 3})
        EXPECT_EQ(YAxisTitle(e), "Intensity") << e;
    EXPECT_EQ(YAxisTitle(5), "Intensity (\u00D710\u2075)");
    EXPECT_EQ(YAxisTitle(-2), "Intensity (\u00D710\u207B\u00B2)");
}

TEST(Axes, XAxisNumbersSitCentredUnderTheirTicksClearOfThem)
{
    const Rect plot{10, 40, 210, 340};  // 300 wide
    auto w = MakePlotWindow(plot, 10, 80, 0, 1);
    GraphFrameRec gf;
    gf.xmin = 10;
    gf.xmax = 80;
    gf.xscale = w->plotSpecs.xscale;
    RecordingSurface s;
    DrawXAxis(s, DrawContext{}, w.get(), plot, &gf);

    const char* numbers[] = {"20", "40", "60", "80"};
    for (int i = 0; i < 4; ++i) {
        const RecordingSurface::Call* text = s.FindText(numbers[i]);
        ASSERT_NE(text, nullptr) << numbers[i];
        const int column = static_cast<int>(40 + (20 * (i + 1) - 10) * static_cast<double>(gf.xscale));
        EXPECT_NEAR(text->origin.x + 0.6 * 9 * 2 / 2, column, 1e-6);
        // The text's top (baseline less the ascent) lies two pixels below the tick's end.
        EXPECT_NEAR(text->origin.y - 0.8 * 9, 215 + 2, 1e-6);
    }
    ASSERT_NE(s.FindText("2\u03B8 (\u00B0)"), nullptr);
    // Four ticks from 2 below the plot to the tick's length; minor ticks half as long every 5
    // degrees between them (10 ... 75: the one at 80 would lie on the frame's right edge).
    int majors = 0, minors = 0;
    for (const RecordingSurface::Call* line : s.Calls(RecordingSurface::Op::Line)) {
        EXPECT_EQ(line->v1, 212);
        majors += line->v2 == 215;
        minors += line->v2 == 213;
    }
    EXPECT_EQ(majors, 4);
    // (Whether 80 falls on column 339 or 340 depends on the rounding of xscale.)
    EXPECT_EQ(minors, static_cast<int>(40 + 70 * static_cast<double>(gf.xscale)) < 340 ? 15 : 14);
    EXPECT_EQ(gf.numXTicks, 4);
    EXPECT_FLOAT_EQ(gf.firstXTick, 20);
    EXPECT_FLOAT_EQ(gf.deltaXTick, 20);
}

TEST(Axes, YAxisNumbersAreTheIntensities)
{
    const Rect plot{10, 40, 310, 340};  // 300 high
    auto w = MakePlotWindow(plot, 10, 80, 0, 1000);
    GraphFrameRec gf;
    gf.ymin = 0;
    gf.ymax = 1000;
    gf.yscale = w->plotSpecs.yscale;
    RecordingSurface s;
    DrawYAxis(s, DrawContext{}, w.get(), plot, &gf);
    EXPECT_NE(s.FindText("0"), nullptr);
    EXPECT_NE(s.FindText("1000"), nullptr);
    const RecordingSurface::Call* title = s.FindText("Intensity");
    ASSERT_NE(title, nullptr);
    EXPECT_DOUBLE_EQ(title->angle, 90);
    EXPECT_EQ(gf.numYTicks, 6);
    EXPECT_FLOAT_EQ(gf.deltaYTick, 200);
    // Ticks 5 long, minor ones 3 long every 50 (the one at 0 lies on the frame). The top tick
    // (1000) lies one row below the top edge: yscale is (height − 1) / range.
    int majors = 0, minors = 0, top = 1000;
    for (const RecordingSurface::Call* line : s.Calls(RecordingSurface::Op::Line)) {
        majors += line->h2 == 35;
        minors += line->h2 == 36;
        top = std::min(top, line->v1);
    }
    EXPECT_EQ(majors, 6);
    EXPECT_EQ(minors, 20);
    EXPECT_EQ(top, static_cast<int>(310 - 1000 * gf.yscale));
    // The numbers end three pixels left of the ticks.
    const RecordingSurface::Call* zero = s.FindText("0");
    EXPECT_NEAR(zero->origin.x + 0.6 * 9, 35 - 3, 1e-6);
}

TEST(Axes, LargeIntensitiesAreWrittenAsMantissasOfTheTitlesPower)
{
    const Rect plot{10, 40, 310, 340};
    auto w = MakePlotWindow(plot, 10, 80, 0, 50000);
    GraphFrameRec gf;
    gf.ymin = 0;
    gf.ymax = 50000;
    gf.yscale = w->plotSpecs.yscale;
    RecordingSurface s;
    DrawYAxis(s, DrawContext{}, w.get(), plot, &gf);
    // Steps of 5000 give 11 ticks, of 10000 six: 0, 1 ... 5 times 10^4.
    ASSERT_NE(s.FindText("Intensity (\u00D710\u2074)"), nullptr);
    for (const char* n : {"0", "1", "2", "3", "4", "5"})
        EXPECT_NE(s.FindText(n), nullptr) << n;
    EXPECT_EQ(s.FindText("10000"), nullptr);
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

