// Peak labels (texts, thresholds, arrows), marker sticks and per-peak profile overlays.
#include "PeakLabels.h"
#include "PlotTestSupport.h"
#include "RecordingSurface.h"

#include "Globals.h"
#include "PlotPattern.h"
#include "Profile.h"
#include "RichText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// 200 × 100 pixels showing x 0..20 (10 pixels per unit) and intensities 0..100 (0.99 rows each).
const Rect kPlot{10, 40, 110, 240};

struct TextCase {
    bool phase, hkl, d, x;
    int axis;
    float dsp, tth;
    const char* expected;
};

const TextCase kTexts[] = {
    {false, true, false, false, kAxisTwoTheta, 2, 30, "1 \xF8" "1 0"},
    {false, false, false, true, kAxisTwoTheta, 2, 0.5f, "0.5000\xC2\xB0"},
    {false, false, false, true, kAxisTwoTheta, 2, 123.4f, "123.4\xC2\xB0"},
    {false, false, false, true, kAxisTwoTheta, 2, 12.25f, "12.25\xC2\xB0"},
    {false, false, false, true, kAxisTwoTheta, 2, 5.5f, "5.500\xC2\xB0"},
    {false, false, true, false, kAxisTwoTheta, 1.5f, 30, "1.5000 \xC3\x85"},
    {false, false, true, false, kAxisTwoTheta, 2.5f, 30, "2.500 \xC3\x85"},
    {false, false, true, false, kAxisTwoTheta, 150.25f, 30, "150.2 \xC3\x85"},
    {false, false, false, true, kAxisReciprocalD, 2, 0.5f, "0.5000 \xC3\x85\xE2\x81\xBB\xC2\xB9"},
    {false, false, false, true, kAxisTimeOfFlight, 2, 150, "150.0 ms"},
    {false, false, false, true, kAxisEnergy, 2, 45.5f, "45.50 keV"},
    {false, false, false, true, kAxisDSpacing, 2, 2, "2.000 \xC3\x85"},
    {true, true, true, true, kAxisTwoTheta, 2.5f, 36, "Quartz / 1 \xF8" "1 0 / 2.500 \xC3\x85 / 36.00\xC2\xB0"},
};

std::vector<const RecordingSurface::Call*> Lines(const RecordingSurface& s)
{
    return s.Calls(RecordingSurface::Op::Line);
}

}  // namespace

TEST(PeakLabels, LabelTexts)
{
    for (const TextCase& c : kTexts) {
        CrystalDataRec xp;
        xp.labelPhases = c.phase;
        xp.labelHKL = c.hkl;
        xp.labelDSpacings = c.d;
        xp.labelTwoTheta = c.x;
        const ReflexionRec r = TestReflexion(1, -1, 0, c.tth, 1, 0.05f, c.dsp);
        EXPECT_EQ(MakePeakLabelText(xp, r, "Quartz.obdf", c.axis), c.expected);
    }
}

TEST(PeakLabels, ThresholdIsAPercentOfYmaxTimesTheWidthForProfiles)
{
    CrystalDataRec xp;
    xp.labelThreshold = 10;
    PlotSpecsRec ps;
    ps.ymax = 500;
    ps.fwhm = 0.2f;
    ps.plotType = kPeakFunctionDelta;
    // A graph: of the tallest peak an autoscaled axis shows, 95 % of ymax.
    EXPECT_FLOAT_EQ(PeakLabelThreshold(xp, ps), 47.5f);
    ps.plotType = -kPeakFunctionGaussian;  // film of Gaussians
    EXPECT_FLOAT_EQ(PeakLabelThreshold(xp, ps), 10);
}

TEST(PeakLabels, ThresholdZeroLabelsEveryReflexionInRange)
{
    auto w = MakePlotWindow(kPlot, 0, 20, 0, 100);
    w->plotSpecs.plotType = kPeakFunctionDelta;
    VLPatternPtr c = AddTestCrystal(w.get(), {TestReflexion(1, 0, 0, 4, 10), TestReflexion(1, 1, 0, 8, 0),
                                              TestReflexion(1, 1, 1, 12, 5), TestReflexion(2, 0, 0, 25, 5)},
                                    std::vector<float>(200, 0));
    c->crystal->showLabel = true;
    c->crystal->labelThreshold = 0;
    RecordingSurface s;
    ShowPeakLabels(s, DrawContext{}, w.get(), 0, 0);
    // Three labels (the fourth peak is beyond xmax), each an arrow of three lines.
    EXPECT_EQ(Lines(s).size(), 9u);
    EXPECT_NE(s.FindText("1 1 0"), nullptr);   // zero intensity, labelled all the same
    EXPECT_EQ(s.FindText("2 0 0"), nullptr);
    EXPECT_EQ(s.GetClip(), s.GetPortBounds());  // the clip is restored
}

TEST(PeakLabels, ArrowPointsDownToThePeakWithTheTextAboveIt)
{
    auto w = MakePlotWindow(kPlot, 0, 20, 0, 100);
    w->plotSpecs.plotType = kPeakFunctionDelta;
    VLPatternPtr c = AddTestCrystal(w.get(), {TestReflexion(0, 0, 1, 10, 20)}, std::vector<float>(200, 0));
    c->crystal->showLabel = true;
    RecordingSurface s;
    ShowPeakLabels(s, DrawContext{}, w.get(), 0, 0);
    // Column 40 + 100; the peak 20 at row 110 − 19.8 = 90.2 → 90, the tip 4 above it.
    auto lines = Lines(s);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0]->h1, 140);
    EXPECT_EQ(lines[0]->v1, 86);
    EXPECT_EQ(lines[0]->v2, 77);
    EXPECT_EQ(lines[1]->h1, 138);  // barbs from 2 left and right, 2 up
    EXPECT_EQ(lines[1]->v1, 84);
    EXPECT_EQ(lines[2]->h1, 142);
    EXPECT_EQ(lines[2]->color, c->crystal->plotColor);
    const RecordingSurface::Call* text = s.FindText("0 0 1");
    ASSERT_NE(text, nullptr);
    EXPECT_DOUBLE_EQ(text->angle, 90);
    EXPECT_DOUBLE_EQ(text->origin.x, 140 + 4.5);
    EXPECT_DOUBLE_EQ(text->origin.y, 86 - 12);
}

TEST(PeakLabels, PeakAboveThePlotGetsAnUpwardArrowAtTheFrame)
{
    auto w = MakePlotWindow(kPlot, 0, 20, 0, 100);
    w->plotSpecs.plotType = kPeakFunctionDelta;
    VLPatternPtr c = AddTestCrystal(w.get(), {TestReflexion(0, 0, 1, 10, 500)}, std::vector<float>(200, 0));
    c->crystal->showLabel = true;
    RecordingSurface s;
    ShowPeakLabels(s, DrawContext{}, w.get(), 0, 0);
    auto lines = Lines(s);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0]->v1, 10 + 1 + 9);  // stem from 9 below the frame up to it
    EXPECT_EQ(lines[0]->v2, 11);
    EXPECT_EQ(lines[1]->v2, 11);
    // The text hangs down from the frame beside the peak, clear of its line: it starts its own
    // width (5 characters of 0.6 × 9) below a 3-pixel gap under the top, and its ascent (0.8 × 9)
    // lies right of a 2-pixel gap after the peak's half-width flank (2 pixels at least).
    const RecordingSurface::Call* text = s.FindText("0 0 1");
    ASSERT_NE(text, nullptr);
    EXPECT_DOUBLE_EQ(text->origin.y, 10 + 3 + 5 * 0.6 * 9);
    EXPECT_DOUBLE_EQ(text->origin.x - 0.8 * 9, 140 + 2 + 2);
}

TEST(PeakLabels, PeakReachingTheTopIsLabelledBesideItsLine)
{
    auto w = MakePlotWindow(kPlot, 0, 20, 0, 100);
    w->plotSpecs.plotType = kPeakFunctionDelta;
    // 95 of 100: no room for the text above it.
    VLPatternPtr c = AddTestCrystal(w.get(), {TestReflexion(0, 0, 1, 10, 95)}, std::vector<float>(200, 0));
    c->crystal->showLabel = true;
    RecordingSurface s;
    ShowPeakLabels(s, DrawContext{}, w.get(), 0, 0);
    EXPECT_TRUE(Lines(s).empty());  // no arrow: the peak's own line points at it
    const RecordingSurface::Call* text = s.FindText("0 0 1");
    ASSERT_NE(text, nullptr);
    // Turned upwards, the glyphs lie between origin.x − ascent and origin.x + descent: all of it
    // right of column 140.
    EXPECT_GT(text->origin.x - 0.8 * 9, 140);
}

struct CollisionCase {
    const char* name;
    float x1, x2;  // the two peaks' positions (the first is the stronger)
    bool both;
};

// Labels are 9 pixels across (from 3.9 left of the peak to 6.9 right of it, plus a pixel); the
// plot has 10 pixels per unit.
const CollisionCase kCollisions[] = {
    {"far apart", 5, 10, true},
    {"half a unit apart", 10, 10.5f, false},
    {"weaker one first in the list", 10.4f, 10, false},
    {"one and a half units apart", 10, 11.5f, true},
};

class PeakLabelCollisions : public ::testing::TestWithParam<CollisionCase> {};

TEST_P(PeakLabelCollisions, TheWeakerOfTwoCollidingLabelsIsLeftOut)
{
    const CollisionCase& c = GetParam();
    auto w = MakePlotWindow(kPlot, 0, 20, 0, 100);
    w->plotSpecs.plotType = kPeakFunctionDelta;
    // The weaker peak comes first in the crystal's list, so the order of drawing is by strength.
    VLPatternPtr p = AddTestCrystal(w.get(), {TestReflexion(1, 0, 0, c.x2, 20), TestReflexion(2, 0, 0, c.x1, 40)},
                                    std::vector<float>(200, 0));
    p->crystal->showLabel = true;
    p->crystal->labelThreshold = 0;
    RecordingSurface s;
    ShowPeakLabels(s, DrawContext{}, w.get(), 0, 0);
    EXPECT_NE(s.FindText("2 0 0"), nullptr);
    EXPECT_EQ(s.FindText("1 0 0") != nullptr, c.both);
}

INSTANTIATE_TEST_SUITE_P(Pairs, PeakLabelCollisions, ::testing::ValuesIn(kCollisions),
                         [](const ::testing::TestParamInfo<CollisionCase>& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (ch == ' ')
                                     ch = '_';
                             return name;
                         });

TEST(PeakLabels, LabelsKeepClearOfTheLegend)
{
    auto w = MakePlotWindow(kPlot, 0, 20, 0, 100);
    w->plotSpecs.plotType = kPeakFunctionDelta;
    VLPatternPtr p = AddTestCrystal(w.get(), {TestReflexion(1, 0, 0, 5, 20), TestReflexion(2, 0, 0, 15, 20)},
                                    std::vector<float>(200, 0));
    p->crystal->showLabel = true;
    p->crystal->labelThreshold = 0;
    RecordingSurface s;
    // A box over the right half of the plot.
    ShowPeakLabels(s, DrawContext{}, w.get(), 0, 0, {Rect{10, 140, 110, 240}});
    EXPECT_NE(s.FindText("1 0 0"), nullptr);
    EXPECT_EQ(s.FindText("2 0 0"), nullptr);
}

TEST(PeakLabels, LabelTooLongForThePlotIsLeftOut)
{
    auto w = MakePlotWindow({10, 40, 40, 240}, 0, 20, 0, 100);  // 30 rows
    w->plotSpecs.plotType = kPeakFunctionDelta;
    VLPatternPtr c = AddTestCrystal(w.get(), {TestReflexion(0, 0, 1, 10, 20)}, std::vector<float>(200, 0));
    c->crystal->showLabel = true;
    c->crystal->labelDSpacings = true;
    RecordingSurface s;
    ShowPeakLabels(s, DrawContext{}, w.get(), 0, 0);
    EXPECT_TRUE(s.calls.empty());
}

TEST(PeakMarkers, SticksFromBackgroundToScaledIntensity)
{
    auto w = MakePlotWindow(kPlot, 0, 20, 0, 100);
    w->plotSpecs.plotType = kPeakFunctionDelta;  // height factor 1
    VLPatternPtr c = AddTestCrystal(w.get(), {TestReflexion(1, 0, 0, 5, 40), TestReflexion(2, 0, 0, 30, 40)},
                                    std::vector<float>(200, 0));
    c->crystal->volFrac = 0.5f;
    c->crystal->yOffset = 10;
    RecordingSurface s;
    OverlayPeakMarkers(s, w.get(), 0, 0);
    auto lines = Lines(s);
    ASSERT_EQ(lines.size(), 1u);  // the second lies beyond the plot
    EXPECT_EQ(lines[0]->h1, 90);
    EXPECT_EQ(lines[0]->v1, static_cast<int>(110 - 1 - 10 * 0.99f));  // foot at the background, 10
    EXPECT_EQ(lines[0]->v2, static_cast<int>(110 - 30 * 0.99f));      // tip at 10 + 40 × 0.5
    EXPECT_EQ(lines[0]->pen, RecordingSurface::Pen::Solid);
}

TEST(PeakMarkers, SecondWavelengthLineIsGreyAndWeighted)
{
    auto w = MakePlotWindow({10, 40, 110, 240}, 20, 40, 0, 100);
    PlotSpecsRec& ps = w->plotSpecs;
    ps.plotType = kPeakFunctionDelta;
    ps.monochromatic = false;
    ps.lambda = 1.5405f;
    ps.lambda2 = 1.5443f;
    ps.lambdaRatio = 2;
    // d = 2.82 Å: 2θ 31.70° for the first line, 31.78° for the second.
    AddTestCrystal(w.get(), {TestReflexion(2, 0, 0, 31.70f, 90, 0.05f, 2.82f)}, std::vector<float>(200, 0));
    RecordingSurface s;
    OverlayPeakMarkers(s, w.get(), 0, 0);
    auto lines = Lines(s);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1]->pen, RecordingSurface::Pen::Gray);
    const double second = 2 * std::asin(1.5443 / (2 * 2.82)) * 180 / M_PI;
    EXPECT_EQ(lines[1]->h1, 40 + static_cast<int>((second - 20) * 10));
    EXPECT_EQ(lines[0]->v2, static_cast<int>(110 - 60 * 0.99f));  // 2/3 of 90
    EXPECT_EQ(lines[1]->v2, static_cast<int>(110 - 30 * 0.99f));  // 1/3 of 90
}

TEST(PeakProfiles, OverlayProfileIsCentredOnItsPeak)
{
    // Regression: the samples once ran from two ranges left of the peak to its centre, so only
    // the left half of each profile was drawn.
    auto w = MakePlotWindow(kPlot, 0, 20, 0, 100);
    w->plotSpecs.plotType = kPeakFunctionGaussian;
    AddTestCrystal(w.get(), {TestReflexion(1, 0, 0, 10, 20, 0.5f)}, std::vector<float>(200, 0));
    RecordingSurface s;
    OverlayPeakProfiles(s, DrawContext{}, w.get(), false, true);
    auto strokes = s.Calls(RecordingSurface::Op::Stroke);
    ASSERT_EQ(strokes.size(), 1u);
    const auto& pts = strokes[0]->points;
    // Six half widths (3 units, 30 pixels) either side of column 140.
    const auto [lo, hi] = std::minmax_element(pts.begin(), pts.end(), [](const PointF& a, const PointF& b) { return a.x < b.x; });
    EXPECT_NEAR(lo->x, 110, 1e-6);
    EXPECT_NEAR(hi->x, 170, 1e-6);
    const auto top = std::min_element(pts.begin(), pts.end(), [](const PointF& a, const PointF& b) { return a.y < b.y; });
    EXPECT_NEAR(top->x, 140, 1e-6);
    const double height = GetProfileIntensityAtPoint(10, 10, 20, 0.5f, kPeakFunctionGaussian, 0);
    EXPECT_NEAR(top->y, 110 - height * 0.99, 1e-3);
    EXPECT_TRUE(strokes[0]->dashed);
    EXPECT_EQ(strokes[0]->join, LineJoin::Round);
}

TEST(PeakProfiles, FilledProfilesUseTheTintAndWeakPeaksComeLast)
{
    auto w = MakePlotWindow(kPlot, 0, 20, 0, 100);
    w->plotSpecs.plotType = kPeakFunctionGaussian;
    VLPatternPtr c = AddTestCrystal(
        w.get(), {TestReflexion(1, 0, 0, 5, 2, 0.3f), TestReflexion(1, 1, 0, 10, 20, 0.3f), TestReflexion(2, 0, 0, 27, 50, 0.3f)},
        std::vector<float>(200, 0));
    c->crystal->plotColor = {0, 0, 65535};
    RecordingSurface s;
    OverlayPeakProfiles(s, DrawContext{}, w.get(), true, false);
    auto fills = s.Calls(RecordingSurface::Op::Fill);
    auto strokes = s.Calls(RecordingSurface::Op::Stroke);
    // The peak at 27 lies more than six half widths beyond xmax: not drawn.
    ASSERT_EQ(fills.size(), 2u);
    ASSERT_EQ(strokes.size(), 2u);
    EXPECT_EQ(fills[0]->color, (RGBColor{26214, 26214, 65535}));  // 0.6 of the colour, 0.4 white
    // The stronger peak (at 10, column 140) first, the weaker on top of it.
    EXPECT_NEAR(strokes[0]->points[strokes[0]->points.size() / 2].x, 140, 1e-6);
    EXPECT_NEAR(strokes[1]->points[strokes[1]->points.size() / 2].x, 90, 1e-6);
    for (const RecordingSurface::Call* f : fills)
        for (const PointF& p : f->points)
            EXPECT_LE(p.y, 110);
}

