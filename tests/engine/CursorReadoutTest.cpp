// The read-out under the cursor and of the distance tool: the reflexion under a column, the
// values and fields of the information bar on every axis, the fields a narrow bar keeps, and the
// d-spacing difference of two positions.
#include "CursorReadout.h"

#include "Diffraction.h"
#include "Globals.h"
#include "PlotTestSupport.h"
#include "RecordingSurface.h"
#include "RichText.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kNaClA = 5.6402, kCuKa1 = 1.5405;
constexpr double kDeg = 180 / 3.14159265358979323846;

class CursorReadoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedPrefs = gPrefs;
        ASSERT_TRUE(LoadShippedScatteringTable());
        gPrefs = gFactoryPrefs;
    }
    void TearDown() override { gPrefs = savedPrefs; }
    PrefDataRec savedPrefs;
};

// x of a d-spacing on each axis, computed here from the definitions of the axes.
double AxisX(const PlotSpecsRec& ps, double d)
{
    switch (ps.axisType) {
    case kAxisTwoTheta: return 2 * std::asin(ps.lambda / (2 * d)) * kDeg;
    case kAxisDSpacing: return d;
    case kAxisReciprocalD: return 1 / d;
    case kAxisTimeOfFlight: return 2 * d * ps.distanceTimeOfFlight * 0.2527776 * std::sin(ps.thetaTimeOfFlight);
    default: return 6.1993 / (d * std::sin(ps.thetaEnergy));
    }
}

}  // namespace

// NaCl 200 (d = a / 2 = 2.8201 Å, six equivalent reflexions) read out at its own position on
// every axis: 31.69° 2θ with Cu Kα1.
TEST_F(CursorReadoutTest, RockSalt200IsReadOutOnEveryAxis)
{
    const double d200 = kNaClA / 2;
    const struct {
        SInt16 axis;
        const char* xText;  // empty: not checked beyond the unit
        const char* unit;
    } axes[] = {{kAxisTwoTheta, "31.7010\u00B0", ""},
                {kAxisDSpacing, "----", ""},
                {kAxisReciprocalD, "0.3546 \u00C5-1", ""},
                {kAxisTimeOfFlight, "", " ms"},
                {kAxisEnergy, "", " keV"}};
    for (const auto& a : axes) {
        SCOPED_TRACE(a.axis);
        auto w = MakePlotWindow({10, 50, 310, 650}, 0, 1, 0, 100);
        w->plotSpecs.lambda = static_cast<Float32>(kCuKa1);
        w->plotSpecs.monochromatic = true;
        CrystalDataRec* xp = AddCrystalToDocument(w.get(), MakeRockSalt(), "NaCl.obdf");
        xp->volFrac = 1;
        JustDiffract(w.get(), xp, nullptr);
        PlotSpecsRec& ps = w->plotSpecs;
        ps.axisType = a.axis;
        GetXValues(xp, &ps);
        const double x = AxisX(ps, d200);
        // A window of about ±5 % around the reflexion, 600 pixels wide.
        ps.xmin = static_cast<Float32>(x * 0.95);
        ps.xmax = static_cast<Float32>(x * 1.05);
        ps.xscale = static_cast<Float32>(600 / (ps.xmax - ps.xmin));
        ps.cursorXPos = static_cast<Float32>(x);
        const CursorInfoRec info = MakeCursorReadout(w.get());
        EXPECT_EQ(info.mul, 6);
        EXPECT_EQ(info.h * info.h + info.k * info.k + info.l * info.l, 4);
        EXPECT_NEAR(info.yRel, 100, 0.01);  // the strongest reflexion of rock salt
        const InfoBarReadoutRec bar = InfoBarDiffractionData(w.get(), info);
        ASSERT_EQ(bar.fields.size(), 7u);  // x, d, I, I/Imax, hkl, m, phase
        EXPECT_EQ(bar.fields[1].value, "2.8201 \u00C5");
        EXPECT_EQ(bar.fields[5].value, "6");
        EXPECT_EQ(bar.fields[6].value, "(NaCl)");
        if (*a.xText) {
            EXPECT_EQ(bar.fields[0].value, a.xText);
        } else {
            const std::string& v = bar.fields[0].value;
            EXPECT_EQ(v.substr(v.size() - std::string(a.unit).size()), a.unit);
        }
    }
}

TEST(CursorReadout, NumbersTakeDecimalsByTheirSize)
{
    PlotSpecsRec ps;
    ps.axisType = kAxisTimeOfFlight;
    EXPECT_EQ(ReadoutXText(ps, 1234.567), "1234.57 ms");
    EXPECT_EQ(ReadoutXText(ps, 123.4567), "123.457 ms");
    EXPECT_EQ(ReadoutXText(ps, 12.34567), "12.3457 ms");
    EXPECT_EQ(ReadoutDText(123.456), "123.46 \u00C5");
    EXPECT_EQ(ReadoutDText(12.3456), "12.346 \u00C5");
    EXPECT_EQ(ReadoutDText(1.23456), "1.2346 \u00C5");
    ps.axisType = kAxisTwoTheta;
    EXPECT_EQ(ReadoutDSpacing(ps, 0.005), 0);  // no d at the origin of the angle
}

TEST(CursorReadout, TheStrongestReflexionWithinThreePixelsIsUnderTheColumn)
{
    // 100 pixels for 0 … 10: a reflexion at x lies in column 10 + 10 x.
    auto w = MakePlotWindow({0, 10, 100, 110}, 0, 10, 0, 100);
    AddTestCrystal(w.get(), {TestReflexion(1, 0, 0, 5.0f, 10), TestReflexion(1, 1, 0, 5.2f, 30),
                             TestReflexion(1, 1, 1, 5.8f, 90), TestReflexion(2, 0, 0, 12.0f, 500)},
                   {});
    VLPatternPtr pp = nullptr;
    SInt32 ref = -1;
    ASSERT_TRUE(FindClickedPeak(w.get(), 61, &pp, &ref));  // columns 58 … 64: 5.0 and 5.2
    EXPECT_EQ(ref, 1);
    ASSERT_TRUE(FindClickedPeak(w.get(), 66, &pp, &ref));  // 5.8 in column 68
    EXPECT_EQ(ref, 2);
    EXPECT_FALSE(FindClickedPeak(w.get(), 72, &pp, &ref));
    EXPECT_FALSE(FindClickedPeak(w.get(), 109, &pp, &ref));  // 12 lies outside the range
    // Reflexions of no intensity are not read out.
    auto empty = MakePlotWindow({0, 10, 100, 110}, 0, 10, 0, 100);
    AddTestCrystal(empty.get(), {TestReflexion(1, 0, 0, 5.0f, 0)}, {});
    EXPECT_FALSE(FindClickedPeak(empty.get(), 61, &pp, &ref));
}

TEST(CursorReadout, NegativeIndicesAreBarredAndTheBarFieldsFollowThePatterns)
{
    auto w = MakePlotWindow({0, 10, 100, 110}, 0, 10, 0, 100);
    VLPatternPtr c = AddTestCrystal(w.get(), {TestReflexion(1, -1, 0, 5.0f, 40)}, std::vector<float>(100, 2));
    CursorInfoRec info;
    info.x = 5, info.y = 2, info.h = 1, info.k = -1, info.l = 0, info.mul = 12, info.yRel = 40, info.patternPtr = c;
    InfoBarReadoutRec bar = InfoBarDiffractionData(w.get(), info);
    ASSERT_EQ(bar.fields.size(), 7u);
    EXPECT_EQ(bar.fields[2].caption, "I: ");
    EXPECT_EQ(bar.fields[2].value, "2.0000e+00");
    EXPECT_EQ(bar.fields[3].value, "40.0%");
    EXPECT_TRUE(bar.fields[4].richValue);
    EXPECT_EQ(bar.fields[4].value, FormatHKLWithOverbars(1, -1, 0));
    EXPECT_EQ(bar.fields[6].value, "(test)");
    // With measured data beside the crystal, the calculated and observed intensities both show.
    AddTestDataset(w.get(), {0, 10}, {0, 100});
    info.yObs = 50;
    bar = InfoBarDiffractionData(w.get(), info);
    ASSERT_EQ(bar.fields.size(), 8u);
    EXPECT_EQ(bar.fields[2].caption, "Icalc: ");
    EXPECT_EQ(bar.fields[3].caption, "Iobs: ");
    EXPECT_EQ(bar.fields[3].value, "5.0000e+01");
    // Off a reflexion the reflexion's fields are empty.
    info.mul = 0;
    bar = InfoBarDiffractionData(w.get(), info);
    EXPECT_EQ(bar.fields[4].value, "");
    EXPECT_EQ(bar.fields[5].value, "");
}

TEST(CursorReadout, InFilmModeNoDatasetIsReadOut)
{
    auto w = MakePlotWindow({0, 10, 100, 110}, 0, 10, 0, 100);
    AddTestCrystal(w.get(), {}, std::vector<float>(100, 2));
    AddTestDataset(w.get(), {0, 10}, {0, 100});
    w->plotSpecs.cursorXPos = 5;
    EXPECT_FLOAT_EQ(MakeCursorReadout(w.get()).yObs, 50);
    w->plotSpecs.plotType = -3;
    EXPECT_FLOAT_EQ(MakeCursorReadout(w.get()).yObs, 0);
}

// The double table's widths: 85, 160, 265, 370, 460, 538, 580 and the phase name.
TEST(CursorReadout, ANarrowBarDropsTheRightmostFieldsFirst)
{
    auto w = MakePlotWindow({0, 10, 100, 110}, 0, 10, 0, 100);
    AddTestCrystal(w.get(), {}, {});
    AddTestDataset(w.get(), {0, 10}, {0, 100});
    const InfoBarReadoutRec bar = InfoBarDiffractionData(w.get(), CursorInfoRec{});
    const struct {
        int width, fields;
    } rows[] = {{90, 0}, {100, 1}, {200, 2}, {400, 4}, {552, 5}, {553, 6}, {700, 8}};
    for (const auto& r : rows)
        EXPECT_EQ(FittingInfoBarFields(bar, r.width), r.fields) << r.width;
    // Drawn, the kept captions show and the others do not.
    RecordingSurface s;
    DrawInfoBarFields(s, {0, 0, 20, 300}, bar);
    const std::vector<std::string> texts = s.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "d: "), texts.end());
    EXPECT_EQ(std::find(texts.begin(), texts.end(), "Iobs: "), texts.end());
}

TEST(CursorReadout, DistanceIsReadOutInXAndInD)
{
    PlotSpecsRec ps;
    ps.lambda = static_cast<Float32>(kCuKa1);
    const double d111 = kNaClA / std::sqrt(3.0), d200 = kNaClA / 2;
    const struct {
        SInt16 axis;
    } axes[] = {{kAxisTwoTheta}, {kAxisDSpacing}, {kAxisReciprocalD}, {kAxisTimeOfFlight}, {kAxisEnergy}};
    for (const auto& a : axes) {
        ps.axisType = a.axis;
        const double x1 = AxisX(ps, d111), x2 = AxisX(ps, d200);
        // The second position has the smaller d: the difference is negative on every axis.
        EXPECT_NEAR(DistanceDeltaD(ps, x1, x2), d200 - d111, 2e-6) << a.axis;
        const InfoBarReadoutRec bar = InfoBarDistanceData(ps, x1, x2, "(click to end)");
        ASSERT_EQ(bar.fields.size(), 2u);
        EXPECT_EQ(bar.fields[1].value, "-0.4363 \u00C5");
        EXPECT_EQ(bar.comment, "(click to end)");
        if (a.axis == kAxisDSpacing) {
            EXPECT_EQ(bar.fields[0].value, "----");
        }
    }
    ps.axisType = kAxisTwoTheta;
    EXPECT_EQ(InfoBarDistanceData(ps, 27.0, 31.5, {}).fields[0].value, "4.5000\u00B0");
}
