// The read-out cursor: interpolation of observed data, the cursor line with its blended
// shadows, and the bobs where it crosses the curves.
#include "CursorBox.h"
#include "PlotTestSupport.h"
#include "RecordingSurface.h"

#include "Globals.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct InterpolationCase {
    std::vector<float> x, y;
    double at, maxDelta;
    bool found;
    float value;
};

const InterpolationCase kInterpolations[] = {
    {{1, 2, 3}, {10, 20, 40}, 2.5, 0.1, true, 30},    // between points
    {{3, 2, 1}, {40, 20, 10}, 2.5, 0.1, true, 30},    // falling x
    {{1, 2, 3}, {10, 20, 40}, 2.0, 0.1, true, 20},    // on a point: the next one bridges to it
    {{1, 2, 3}, {10, 20, 40}, 3.05, 0.1, true, 40},   // just past the end: the end point
    {{1, 2, 3}, {10, 20, 40}, 3.5, 0.1, false, 0},    // farther: nothing
    {{1, 2, 3}, {10, 20, 40}, 0.95, 0.1, true, 10},   // just before the start
    {{}, {}, 1, 0.1, false, 0},
};

}  // namespace

TEST(CursorBox, DatasetInterpolation)
{
    for (const InterpolationCase& c : kInterpolations) {
        ObsDataRec d;
        d.x = c.x;
        d.profile = c.y;
        Float32 v = -1;
        SCOPED_TRACE(::testing::Message() << "at " << c.at);
        EXPECT_EQ(GetDatasetInterpolatedIntensity(&d, c.at, c.maxDelta, &v), c.found);
        if (c.found) {
            EXPECT_FLOAT_EQ(v, c.value);
        }
    }
}

TEST(CursorBox, BobsSitOnTheCurvesAndTheClickRectangleIsSet)
{
    auto w = MakePlotWindow({10, 40, 110, 240}, 0, 20, 0, 100);
    PlotSpecsRec& ps = w->plotSpecs;
    ps.showCursor = true;
    ps.cursorXPos = 5;  // column 90
    VLPatternPtr c = AddTestCrystal(w.get(), {}, std::vector<float>(200, 30));
    c->crystal->yOffset = 10;  // 40
    AddTestDataset(w.get(), {0, 10}, {0, 100});  // 50 at x 5
    RecordingSurface s;
    DrawCursorBox(s, DrawContext{}, w.get());
    EXPECT_EQ(ps.cursorRect, (Rect{5, 87, 114, 94}));
    auto fills = s.Calls(RecordingSurface::Op::Fill);
    ASSERT_EQ(fills.size(), 3u);  // two bobs, then the pointer at the top
    // Bob centres: (90.5, row) with radius 3.5.
    EXPECT_NEAR((fills[0]->points[0].y + fills[0]->points[1].y) / 2, 110 - 40 * 0.99, 1e-4);
    EXPECT_NEAR((fills[1]->points[0].y + fills[1]->points[1].y) / 2, 110 - 50 * 0.99 - 1, 1e-4);
    EXPECT_NEAR(fills[0]->points[0].x, 87, 1e-9);
    EXPECT_EQ(fills[0]->color, kRGBWhite);

    // Not a reflexion's solid line: a dashed one in the selection colour.
    auto strokes = s.Calls(RecordingSurface::Op::Stroke);
    ASSERT_FALSE(strokes.empty());
    EXPECT_TRUE(strokes[0]->dashed);
    EXPECT_TRUE(s.Calls(RecordingSurface::Op::Line).empty());

    // A cursor left of the range is not drawn.
    ps.cursorXPos = -1;
    RecordingSurface hidden;
    DrawCursorBox(hidden, DrawContext{}, w.get());
    EXPECT_TRUE(hidden.calls.empty());
}

TEST(CursorBox, FindPeaksCursorGoesWithTheNextChangeOfRangePatternsOrMode)
{
    struct Change {
        const char* what;
        void (*apply)(WinInfoRec*);
    };
    const Change changes[] = {
        {"range", [](WinInfoRec* w) { w->plotSpecs.xmax = 15; }},
        {"films", [](WinInfoRec* w) { w->plotSpecs.plotType = static_cast<SInt16>(-w->plotSpecs.plotType); }},
        {"mixture", [](WinInfoRec* w) { w->plotSpecs.plotMixture = !w->plotSpecs.plotMixture; }},
        {"axis", [](WinInfoRec* w) { w->plotSpecs.axisType = kAxisDSpacing; }},
        {"patterns", [](WinInfoRec* w) { AddTestCrystal(w, {}, std::vector<float>(200, 1), "another"); }},
    };
    for (const Change& change : changes) {
        auto w = MakePlotWindow({10, 40, 110, 240}, 0, 20, 0, 100);
        AddTestCrystal(w.get(), {}, std::vector<float>(200, 30));
        w->plotSpecs.showCursor = true;
        w->plotSpecs.cursorXPos = 5;
        w->cursorAnchor.active = true;     // put on a found peak
        ForgetCursorAfterChange(w.get());  // the drawing that shows it
        ForgetCursorAfterChange(w.get());  // drawn again unchanged (uncovered, say)
        EXPECT_TRUE(w->plotSpecs.showCursor) << change.what;
        change.apply(w.get());
        ForgetCursorAfterChange(w.get());
        EXPECT_FALSE(w->plotSpecs.showCursor) << change.what;
    }
}
