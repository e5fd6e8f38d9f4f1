// View transforms: zoom and pan stay inside the axis limits, the clicked x stays under the
// mouse, scrolling keeps the profile columns it can, the scroll bar's numbers, shifts, stacking
// and the intensity axis set by hand.
#include "ViewTransforms.h"

#include "Diffraction.h"
#include "Globals.h"
#include "PlotCommands.h"
#include "PlotTestSupport.h"
#include "Profile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A window 200 pixels wide showing 20 … 60 of the limits 0 … 180.
std::unique_ptr<WinInfoRec> Window(RecordingHooks& hooks)
{
    auto w = MakePlotWindow({10, 40, 110, 240}, 20, 60, 0, 100);
    w->plotSpecs.xminLimit = 0;
    w->plotSpecs.xmaxLimit = 180;
    w->hooks = &hooks;
    return w;
}

// The x under a pane column, as the drawing maps it.
double XAt(const WinInfoRec& w, int column)
{
    const double xscale = w.plotRect.Width() / (static_cast<double>(w.plotSpecs.xmax) - w.plotSpecs.xmin);
    return (column - w.plotRect.left - 1) / xscale + w.plotSpecs.xmin;
}

}  // namespace

TEST(ViewTransforms, NewRangesStayInsideTheLimits)
{
    const struct {
        double lower, width, xmin, xmax;
    } rows[] = {
        {30, 20, 30, 50},     // inside: as asked
        {-10, 20, 0, 20},     // zooming at the left edge keeps xmin at the limit
        {170, 20, 160, 180},  // past the upper limit: moved back
        {-50, 400, 0, 180},   // wider than the limits: exactly the limits
    };
    for (const auto& r : rows) {
        PlotSpecsRec ps;
        ps.xminLimit = 0, ps.xmaxLimit = 180;
        FitXRange(ps, r.lower, r.width);
        EXPECT_FLOAT_EQ(ps.xmin, r.xmin) << r.lower;
        EXPECT_FLOAT_EQ(ps.xmax, r.xmax) << r.lower;
    }
}

TEST(ViewTransforms, MagnifyKeepsTheClickedValueUnderTheMouse)
{
    RecordingHooks hooks;
    auto w = Window(hooks);
    const double before = XAt(*w, 90);
    ASSERT_TRUE(MagnifyPlot(w.get(), 90, 50, false));
    EXPECT_FLOAT_EQ(w->plotSpecs.xmax - w->plotSpecs.xmin, 20);
    EXPECT_NEAR(XAt(*w, 90), before, 1e-4);
    EXPECT_EQ(hooks.recalcRedraws, 1);
    EXPECT_EQ(hooks.autoScaledRedraws, 1);  // the intensity axis follows
    // Out twice: 80 wide, then beyond the limits exactly the limits.
    ASSERT_TRUE(MagnifyPlot(w.get(), 90, 50, true));
    EXPECT_NEAR(XAt(*w, 90), before, 1e-4);
    for (int i = 0; i < 4; ++i)
        MagnifyPlot(w.get(), 90, 50, true);
    EXPECT_FLOAT_EQ(w->plotSpecs.xmin, 0);
    EXPECT_FLOAT_EQ(w->plotSpecs.xmax, 180);
    // A click outside the plot rectangle is not a zoom.
    const int redraws = hooks.redraws;
    EXPECT_FALSE(MagnifyPlot(w.get(), 20, 50, false));
    EXPECT_EQ(hooks.redraws, redraws);
}

TEST(ViewTransforms, ABandDraggedWithTheMagnifierBecomesTheRange)
{
    RecordingHooks hooks;
    auto w = Window(hooks);
    // 5 pixels per unit from 20 at column 40.
    ASSERT_TRUE(ZoomToColumns(w.get(), 140, 90));
    EXPECT_FLOAT_EQ(w->plotSpecs.xmin, 30);
    EXPECT_FLOAT_EQ(w->plotSpecs.xmax, 40);
    EXPECT_FALSE(ZoomToColumns(w.get(), 100, 101));  // a click, not a band
    EXPECT_FLOAT_EQ(w->plotSpecs.xmin, 30);
}

TEST(ViewTransforms, AZoomThenHomeRestoresTheDefaultView)
{
    RecordingHooks hooks;
    auto w = Window(hooks);
    w->plotSpecs.axisType = kAxisTwoTheta;
    Float32 lo, hi, loLimit, hiLimit;
    GetPlotLimitsForAxisType(kAxisTwoTheta, &lo, &hi, &loLimit, &hiLimit);
    w->plotSpecs.xminLimit = loLimit, w->plotSpecs.xmaxLimit = hiLimit;
    MagnifyPlot(w.get(), 100, 50, false);
    DoExpandY(w.get(), 2);
    EXPECT_TRUE(w->yRangeByHand);
    DoShowWholeRange(w.get());
    EXPECT_FLOAT_EQ(w->plotSpecs.xmin, lo);
    EXPECT_FLOAT_EQ(w->plotSpecs.xmax, hi);
    EXPECT_FALSE(w->yRangeByHand);
    EXPECT_GT(hooks.autoScaledRedraws, 0);
}

TEST(ViewTransforms, ExpandingKeepsTheCentreAndTheLimits)
{
    RecordingHooks hooks;
    auto w = Window(hooks);
    DoExpandX(w.get(), 2);
    EXPECT_FLOAT_EQ(w->plotSpecs.xmin, 30);
    EXPECT_FLOAT_EQ(w->plotSpecs.xmax, 50);
    DoExpandX(w.get(), 0.01);
    EXPECT_FLOAT_EQ(w->plotSpecs.xmin, 0);
    EXPECT_FLOAT_EQ(w->plotSpecs.xmax, 180);
    DoExpandY(w.get(), 4);
    EXPECT_FLOAT_EQ(w->plotSpecs.ymax, 25);
}

TEST(ViewTransforms, ScrollingKeepsTheColumnsStillInView)
{
    RecordingHooks hooks;
    auto w = Window(hooks);
    PlotSpecsRec& ps = w->plotSpecs;
    ps.plotType = kPeakFunctionGaussian;
    std::vector<ReflexionRec> refs;
    for (int i = 0; i < 40; ++i)
        refs.push_back(TestReflexion(1, 0, 0, 10.0f + 2.3f * i, 100.0f + i, 0.4f));
    VLPatternPtr pp = AddTestCrystal(w.get(), refs, {});
    CrystalDataRec* xp = pp->crystal.get();
    ASSERT_TRUE(CalculateProfileForCrystal(xp, &ps, 200, 0, 199));

    ASSERT_TRUE(DoScrollRight(w.get(), 10));
    EXPECT_FLOAT_EQ(ps.xmin, 22);
    EXPECT_FLOAT_EQ(ps.xmax, 62);
    EXPECT_EQ(hooks.recalcRedraws, 0);  // drawn from the moved columns
    const std::vector<Float32> scrolled = xp->plotBuffer;
    ASSERT_TRUE(CalculateProfileForCrystal(xp, &ps, 200, 0, 199));
    for (int i = 0; i < 200; ++i)
        EXPECT_NEAR(scrolled[static_cast<std::size_t>(i)], xp->plotBuffer[static_cast<std::size_t>(i)],
                    1e-3 * (1 + xp->plotBuffer[static_cast<std::size_t>(i)]))
            << i;

    ASSERT_TRUE(DoScrollLeft(w.get(), 30));
    EXPECT_FLOAT_EQ(ps.xmin, 16);
    EXPECT_EQ(hooks.recalcRedraws, 0);
    // A scroll wider than the plot computes every column; the left limit stops it.
    ASSERT_TRUE(DoScrollLeft(w.get(), 500));
    EXPECT_FLOAT_EQ(ps.xmin, 0);
    EXPECT_FLOAT_EQ(ps.xmax, 40);
    EXPECT_EQ(hooks.recalcRedraws, 0);  // 80 pixels to the limit: still reused
    ASSERT_TRUE(DoScrollRight(w.get(), 250));
    EXPECT_EQ(hooks.recalcRedraws, 1);
    // At a limit nothing happens.
    ps.xmin = 140, ps.xmax = 180;
    const int redraws = hooks.redraws;
    EXPECT_FALSE(DoScrollRight(w.get(), 10));
    EXPECT_EQ(hooks.redraws, redraws);
}

TEST(ViewTransforms, TheScrollBarMeasuresInTwentyPixelUnits)
{
    RecordingHooks hooks;
    auto w = Window(hooks);
    // 200 pixels for 40 units: u = 200 / 40 / 20 = 0.25 bar units per x unit.
    const HorizontalScrollRec bar = SetHorizontalScroll(w.get());
    EXPECT_EQ(bar.maximum, 35);  // 140 hidden
    EXPECT_EQ(bar.value, 5);     // xmin 20 from the limit
    EXPECT_EQ(bar.page, 10);
    EXPECT_EQ(bar.viewSize, 10);
    EXPECT_EQ(HorizontalScrollPixelShift(w.get(), 7), 40);
    EXPECT_EQ(HorizontalScrollPixelShift(w.get(), 4), -20);
    EXPECT_EQ(HorizontalScrollPixelShift(w.get(), -3), -100);  // not below 0
}

TEST(ViewTransforms, ShiftsMoveOnlyTheSelectedPatterns)
{
    RecordingHooks hooks;
    auto w = Window(hooks);
    VLPatternPtr c = AddTestCrystal(w.get(), {TestReflexion(1, 0, 0, 30, 10)}, std::vector<float>(200, 1));
    VLPatternPtr d = AddTestDataset(w.get(), {20, 40}, {1, 2});
    EXPECT_FALSE(DoShiftX(w.get(), 5, false));
    EXPECT_FALSE(DoShiftY(w.get(), 1, false));
    EXPECT_EQ(hooks.redraws, 0);
    c->selected = true;
    // 5 pixels at 5 pixels per unit: 1 unit; three times as far with shift.
    ASSERT_TRUE(DoShiftX(w.get(), 5, false));
    EXPECT_FLOAT_EQ(c->crystal->xOffset, 1);
    EXPECT_FLOAT_EQ(c->crystal->refs[0].tth, 31);
    ASSERT_TRUE(DoShiftX(w.get(), -5, true));
    EXPECT_FLOAT_EQ(c->crystal->refs[0].tth, 28);
    EXPECT_FLOAT_EQ(d->dataset->x[0], 20);
    ASSERT_TRUE(DoShiftY(w.get(), 1, true));
    EXPECT_FLOAT_EQ(c->crystal->yOffset, 3);
    ASSERT_TRUE(DoResetXYOffsets(w.get()));
    EXPECT_FLOAT_EQ(c->crystal->refs[0].tth, 30);
    EXPECT_FLOAT_EQ(c->crystal->xOffset, 0);
    EXPECT_FLOAT_EQ(c->crystal->yOffset, 0);
    // The relative scale is the datasets'.
    EXPECT_FALSE(DoIncreaseRelativeScale(w.get(), 2, false));
    d->selected = true;
    ASSERT_TRUE(DoIncreaseRelativeScale(w.get(), 2, false));
    EXPECT_FLOAT_EQ(d->dataset->relScale, 2);
}

TEST(ViewTransforms, StackingACrystalAndADataset)
{
    RecordingHooks hooks;
    auto w = Window(hooks);
    VLPatternPtr c = AddTestCrystal(w.get(), {}, std::vector<float>(200, 0));
    c->crystal->plotBuffer[50] = 40;  // crystal maximum 40
    VLPatternPtr d = AddTestDataset(w.get(), {10, 30, 50, 70}, {500, 8, 10, 900});  // 10 inside the range
    ASSERT_TRUE(DoStackProfiles(w.get()));
    EXPECT_FLOAT_EQ(d->dataset->relScale, 4);       // its maximum becomes the crystal's
    EXPECT_FLOAT_EQ(c->crystal->yOffset, 40);       // the first is raised by the second's maximum
    EXPECT_FLOAT_EQ(d->dataset->yOffset, 0);
    EXPECT_NEAR(w->plotSpecs.ymax * (1 - kAutoscaleHeadroom), 80, 1e-4);  // twice the crystal's maximum
    DoCollapseProfiles(w.get());
    EXPECT_FLOAT_EQ(c->crystal->yOffset, 0);
}

TEST(ViewTransforms, AnIntensityAxisSetByHandSurvivesNewLimits)
{
    RecordingHooks hooks;
    auto w = Window(hooks);
    AddTestCrystal(w.get(), {}, std::vector<float>(200, 1));
    DoPlotLimits(w.get(), 30, 50);
    EXPECT_EQ(hooks.autoScaledRedraws, 1);
    DoExpandY(w.get(), 2);
    DoPlotLimits(w.get(), 25, 45);
    EXPECT_EQ(hooks.autoScaledRedraws, 1);
    DoAutoscaleY(w.get());
    EXPECT_FALSE(w->yRangeByHand);
    DoPlotLimits(w.get(), 30, 50);
    EXPECT_EQ(hooks.autoScaledRedraws, 2);
}
