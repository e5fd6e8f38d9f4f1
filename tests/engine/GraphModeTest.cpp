// Graph mode: digitised datasets, curves and their order, mixtures, the residual and its sum of
// squares, marker sizes and the legend boxes.
#include "GraphMode.h"
#include "PlotTestSupport.h"
#include "RecordingSurface.h"

#include "Globals.h"
#include "Status.h"
#include "TextBox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// 200 × 100 pixels showing x 0..20 (10 pixels per unit) and intensities 0..100.
const Rect kPlot{10, 40, 110, 240};

std::vector<const RecordingSurface::Call*> Strokes(const RecordingSurface& s)
{
    return s.Calls(RecordingSurface::Op::Stroke);
}

}  // namespace

TEST(DigitizeWindowDataset, OnePointPerTenPixelsIsBridgedLinearly)
{
    auto w = MakePlotWindow(kPlot, 0, 20, 0, 100);
    std::vector<float> x, y;
    for (int i = 0; i < 20; ++i) {
        x.push_back(static_cast<float>(i));
        y.push_back(static_cast<float>(i));
    }
    VLPatternPtr pp = AddTestDataset(w.get(), x, y);
    pp->dataset->relScale = 2;
    pp->dataset->yOffset = 1;
    const std::vector<Float32> d = DigitizeWindowDataset(w.get(), pp->dataset.get());
    ASSERT_EQ(d.size(), 200u);
    // Point i (value 2 i + 1) lands in column 10 i; the columns between are bridged linearly.
    EXPECT_FLOAT_EQ(d[0], 1);
    EXPECT_FLOAT_EQ(d[5], 2);
    EXPECT_FLOAT_EQ(d[10], 3);
    EXPECT_FLOAT_EQ(d[15], 4);
    EXPECT_FLOAT_EQ(d[180], 37);
    // The last point's column is not stored: with nothing to the right each column halves.
    EXPECT_FLOAT_EQ(d[181], 18.5f);
    EXPECT_FLOAT_EQ(d[183], 37.0f / 8);
}

TEST(DigitizeWindowDataset, KeepsTheLargestPointOfAColumnAndStopsPastTheRange)
{
    auto w = MakePlotWindow(kPlot, 0, 20, 0, 100);
    // Two points in column 3 (x 0.30 and 0.35); points beyond x 20 do not count.
    VLPatternPtr pp = AddTestDataset(w.get(), {-1, 0.30f, 0.35f, 0.5f, 19.95f, 20.5f, 21, 22}, {50, 7, 9, 2, 4, 6, 500, 500});
    const std::vector<Float32> d = DigitizeWindowDataset(w.get(), pp->dataset.get());
    ASSERT_EQ(d.size(), 200u);
    EXPECT_FLOAT_EQ(d[3], 9);
    EXPECT_FLOAT_EQ(d[5], 2);
    EXPECT_FLOAT_EQ(d[199], 4);
    EXPECT_LT(*std::max_element(d.begin(), d.end()), 10.0f);
    EXPECT_TRUE(DigitizeWindowDataset(nullptr, pp->dataset.get()).empty());
}

TEST(GraphMode, AutomaticMarkerNeverExceedsRadiusFive)
{
    GraphProfileRec g;
    EXPECT_FLOAT_EQ(GraphMarkerRadius(DrawContext{}, g, 4), 2);      // a quarter of 4 pixels, plus one
    EXPECT_FLOAT_EQ(GraphMarkerRadius(DrawContext{}, g, 100), 5);
    EXPECT_FLOAT_EQ(GraphMarkerRadius(DrawContext{}, g, -8), 3);     // falling x: the spacing's size counts
    g.markerSize = 7;
    EXPECT_FLOAT_EQ(GraphMarkerRadius(DrawContext{}, g, 100), 3.5f);  // half the diameter
}

TEST(GraphMode, PatternsAreDrawnInPlotListOrderWithTheirOwnStyles)
{
    auto w = MakePlotWindow(kPlot, 0, 20, 0, 100);
    VLPatternPtr a = AddTestCrystal(w.get(), {}, std::vector<float>(200, 10), "a");
    VLPatternPtr b = AddTestCrystal(w.get(), {}, std::vector<float>(200, 20), "b");
    a->crystal->plotColor = {1, 1, 1};
    b->crystal->plotColor = {2, 2, 2};
    b->crystal->lineStyle = kLineStyleDashed;
    b->crystal->lineWidth = 2;
    RecordingSurface s;
    PlotPatternsAsGraphs(s, DrawContext{}, w.get(), -5, 0);
    auto strokes = Strokes(s);
    ASSERT_EQ(strokes.size(), 2u);
    EXPECT_EQ(strokes[0]->color, (RGBColor{1, 1, 1}));
    EXPECT_EQ(strokes[1]->color, (RGBColor{2, 2, 2}));  // the later one on top
    EXPECT_TRUE(strokes[1]->dashed);
    EXPECT_DOUBLE_EQ(strokes[1]->lineWidth, 2);
    // One point per column, at the value's row: 20 over 0..100 on 99 rows.
    ASSERT_EQ(strokes[1]->points.size(), 200u);
    EXPECT_NEAR(strokes[1]->points[0].y, 110 - 20 * 0.99, 1e-4);
    EXPECT_NEAR(strokes[1]->points[199].x, 40 + 199, 1e-4);
}

TEST(GraphMode, MixturesLeaveOutBackgroundsAndOffsets)
{
    auto w = MakePlotWindow(kPlot, 0, 20, 0, 100);
    w->plotSpecs.plotMixture = true;
    VLPatternPtr a = AddTestCrystal(w.get(), {}, std::vector<float>(200, 10));
    VLPatternPtr b = AddTestCrystal(w.get(), {}, std::vector<float>(200, 30));
    a->crystal->volFrac = 0.5f;   // 5
    b->crystal->volFrac = 0.5f;   // 15
    a->crystal->yOffset = 40;
    b->crystal->baseCoefs[0] = 3;
    RecordingSurface s;
    PlotPatternsAsGraphs(s, DrawContext{}, w.get(), 0, 0);
    auto strokes = Strokes(s);
    ASSERT_EQ(strokes.size(), 1u);
    EXPECT_EQ(strokes[0]->color, w->plotSpecs.crystalMixColor);
    for (const PointF& p : strokes[0]->points)
        EXPECT_NEAR(p.y, 110 - 20 * 0.99, 1e-4);
}

TEST(GraphMode, DatasetCurveRunsOnToTheFrame)
{
    auto w = MakePlotWindow(kPlot, 5, 15, 0, 100);  // 20 pixels per unit
    VLPatternPtr d = AddTestDataset(w.get(), {0, 4, 6, 10, 14, 16, 20}, {1, 2, 3, 4, 5, 6, 7});
    d->dataset->plotStyle = kPlotStyleLine;
    RecordingSurface s;
    PlotPatternsAsGraphs(s, DrawContext{}, w.get(), 0, 0);
    auto strokes = Strokes(s);
    ASSERT_EQ(strokes.size(), 1u);
    // From the point before x 5 to the point after the last column, clipped half a line width
    // inside the frame.
    EXPECT_NEAR(strokes[0]->points.front().x, 40.5, 1e-9);
    EXPECT_NEAR(strokes[0]->points.back().x, 239.5, 1e-9);
    EXPECT_EQ(strokes[0]->points.size(), 5u);  // x 4 (clipped to 5), 6, 10, 14, 16 (clipped to 15)
}

TEST(GraphMode, UnknownPlotStyleIsReportedAndNotDrawn)
{
    RecordingStatusSink sink;
    ScopedThreadStatusSink scope(&sink);
    auto w = MakePlotWindow(kPlot, 0, 20, 0, 100);
    VLPatternPtr d = AddTestDataset(w.get(), {1, 2, 3}, {1, 2, 3});
    d->dataset->plotStyle = 12;
    RecordingSurface s;
    PlotPatternsAsGraphs(s, DrawContext{}, w.get(), 0, 0);
    EXPECT_TRUE(s.calls.empty());
    ASSERT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 1);
    EXPECT_EQ(sink.events[0].value, static_cast<int>(AlertKind::Note));
}

TEST(GraphMode, ResidualSumOfSquaresAndZeroOnTheMiddleRow)
{
    auto w = MakePlotWindow(kPlot, 0, 20, 0, 100);
    w->residualRect = {130, 40, 190, 240};  // 60 rows
    VLPatternPtr c = AddTestCrystal(w.get(), {}, std::vector<float>(200, 2));
    c->crystal->volFrac = 0.5f;
    c->crystal->yOffset = 0.5f;
    c->crystal->baseCoefs[0] = 0.1f;  // crystal: 1.5 + 0.1 x
    std::vector<float> x, y;
    for (int i = 0; i <= 400; ++i) {
        x.push_back(i * 0.05f);
        y.push_back(4);
    }
    AddTestDataset(w.get(), x, y);
    RecordingSurface s;
    const float sum = PlotResidualAsGraph(s, DrawContext{}, w.get(), 0, 0);
    // Column i has x = 0.1 i: residual 4 − 1.5 − 0.01 i.
    double expected = 0;
    for (int i = 0; i < 200; ++i)
        expected += (2.5 - 0.01 * i) * (2.5 - 0.01 * i);
    EXPECT_NEAR(sum, expected, expected * 1e-5);
    auto strokes = Strokes(s);
    ASSERT_EQ(strokes.size(), 1u);
    EXPECT_EQ(strokes[0]->color, w->plotSpecs.residualColor);
    // Drawn at the main plot's scale (0.99 rows per unit) about the panel's middle row, 160.
    // (The first point is clipped half a line width inside the frame; the second is column 1.)
    EXPECT_NEAR(strokes[0]->points[1].x, 41, 1e-4);
    EXPECT_NEAR(strokes[0]->points[1].y, 160 - 2.49 * 0.99, 1e-3);
    EXPECT_FLOAT_EQ(w->plotSpecs.ymin, 0);  // restored
    // Without a dataset nothing is drawn and the sum is 0.
    auto bare = MakePlotWindow(kPlot, 0, 20, 0, 100);
    AddTestCrystal(bare.get(), {}, std::vector<float>(200, 2));
    RecordingSurface s2;
    EXPECT_EQ(PlotResidualAsGraph(s2, DrawContext{}, bare.get(), 0, 0), 0);
    EXPECT_TRUE(s2.calls.empty());
}

TEST(GraphLegend, HeightFromTheNumberOfRowsAndLeftOutWhenTooTall)
{
    // pad 8 + (1 + 1) rows of 15 = 38 below the pad: needs 46 rows of plot.
    EXPECT_TRUE(GraphLegendLayout(DrawContext{}, {0, 0, 46, 300}, 1, 0).fits);
    EXPECT_FALSE(GraphLegendLayout(DrawContext{}, {0, 0, 45, 300}, 1, 0).fits);
    // Both kinds: 8 + 2 × 15 + 2 × 15 + 4 = 72.
    const LegendLayout both = GraphLegendLayout(DrawContext{}, {0, 0, 300, 300}, 1, 1);
    EXPECT_EQ(both.box, (Rect{8, 152, 80, 292}));

    auto w = MakePlotWindow({0, 0, 45, 300}, 0, 20, 0, 100);
    AddTestCrystal(w.get(), {}, std::vector<float>(300, 1));
    RecordingSurface s;
    DrawGraphLegend(s, DrawContext{}, w.get(), w->plotRect);
    EXPECT_TRUE(s.calls.empty());
}

TEST(GraphLegend, RowsShowFractionAndNameWithoutExtension)
{
    auto w = MakePlotWindow({0, 0, 300, 600}, 0, 20, 0, 100);
    VLPatternPtr c = AddTestCrystal(w.get(), {}, std::vector<float>(600, 1), "Quartz.obdf");
    c->crystal->volFrac = 0.25f;
    AddTestCrystal(w.get(), {}, std::vector<float>(600, 1), "A rather long name for one phase.obd5");
    VLPatternPtr d = AddTestDataset(w.get(), {1, 2}, {1, 2}, "measured");
    d->selected = true;
    RecordingSurface s;
    DrawGraphLegend(s, DrawContext{}, w.get(), w->plotRect);
    EXPECT_NE(s.FindText("Calculated Data"), nullptr);
    EXPECT_NE(s.FindText("Observed Data"), nullptr);
    EXPECT_NE(s.FindText("0.25"), nullptr);
    EXPECT_NE(s.FindText("Quartz"), nullptr);
    const RecordingSurface::Call* selected = s.FindText("measured");
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(selected->color, kRGBBlack);  // dark on a pale tint, readable in print
    // The long name is cut in the middle to what is left of the 140-pixel box.
    bool cut = false;
    for (const std::string& t : s.Texts())
        cut = cut || (t.find("\xE2\x80\xA6") != std::string::npos && t.rfind("A rath", 0) == 0);
    EXPECT_TRUE(cut);
    // Every text ends inside the box's padding (box right 592, pad 8).
    for (const RecordingSurface::Call* t : s.Calls(RecordingSurface::Op::Text))
        EXPECT_LE(t->origin.x + 0.6 * t->font.size * SplitUtf8(t->text).size(), 584 + 1e-9) << t->text;
}

TEST(GraphLegend, GoesToTheCornerWhereItHidesNoCurve)
{
    // 600 × 300 pixels over x 0..60; a peak 90 % high at x 55, under the top right corner.
    auto w = MakePlotWindow({0, 0, 300, 600}, 0, 60, 0, 100);
    std::vector<float> buffer(600, 1);
    for (int i = 545; i <= 555; ++i)
        buffer[static_cast<std::size_t>(i)] = 90;
    AddTestCrystal(w.get(), {}, buffer);
    const LegendChoice choice = ChooseGraphLegendPlace(DrawContext{}, w.get(), w->plotRect);
    EXPECT_EQ(choice.place, LegendPlace::TopLeft);
    EXPECT_EQ(choice.layout.box.left, 8);
    EXPECT_EQ(LegendHiddenPixels(w.get(), w->plotRect, choice.layout.box), 0);
    EXPECT_GT(LegendHiddenPixels(w.get(), w->plotRect, LegendBoxAt(DrawContext{}, w->plotRect, choice.layout.box, LegendPlace::TopRight)), 0);

    // Peaks under both top corners and a baseline in the lower ones: no corner is free.
    for (int i = 50; i <= 60; ++i)
        w->plotList.front()->crystal->plotBuffer[static_cast<std::size_t>(i)] = 90;
    for (float& v : w->plotList.front()->crystal->plotBuffer)
        v = std::max(v, 10.0f);
    const LegendChoice outside = ChooseGraphLegendPlace(DrawContext{}, w.get(), w->plotRect);
    EXPECT_EQ(outside.place, LegendPlace::OutsideRight);
    EXPECT_GE(outside.layout.box.left, w->plotRect.right);
}

TEST(GraphResidual, OnlyWhereThereAreMeasuredPoints)
{
    const Rect plot{10, 40, 110, 240};  // 200 columns over x 0..20
    auto w = MakePlotWindow(plot, 0, 20, 0, 100);
    w->residualRect = {130, 40, 190, 240};
    AddTestCrystal(w.get(), {}, std::vector<float>(200, 2));
    std::vector<float> x, y;
    for (int i = 0; i <= 50; ++i) {
        x.push_back(5.05f + i * 0.1f);  // 5.05 .. 10.05: one point in each column 50 .. 100
        y.push_back(4);
    }
    AddTestDataset(w.get(), x, y);
    // The last point's column has no value of its own (the digitising stops there).
    int first = -1, last = -1;
    ASSERT_TRUE(MeasuredColumns(w.get(), &first, &last));
    EXPECT_EQ(first, 50);
    EXPECT_EQ(last, 99);
    RecordingSurface s;
    // Residual 4 − 2 in each of the 50 columns.
    EXPECT_NEAR(PlotResidualAsGraph(s, DrawContext{}, w.get(), 0, 0), 50 * 4.0, 1e-3);
    for (const RecordingSurface::Call* c : s.Calls(RecordingSurface::Op::Stroke))
        for (const PointF& p : c->points) {
            EXPECT_GE(p.x, 40 + 50 - 1e-6);
            EXPECT_LE(p.x, 40 + 99 + 1e-6);
        }
}
