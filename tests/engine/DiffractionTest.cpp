// The diffraction driver end to end, axis conversions and ranges, and an independent check of
// rock-salt intensities against a hand computation from the published form factors.
#include "CellGeometry.h"
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "Profile.h"
#include "Reflexions.h"
#include "Status.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class DiffractionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadShippedScatteringTable());
        gPrefs = gFactoryPrefs;
        doc = CreateWindowInfo();
    }
    std::unique_ptr<WinInfoRec> doc;
};

// X-ray form factor from the four-Gaussian coefficients of International Tables Vol. C (1992).
double PublishedF(const double (&c)[9], double d)
{
    const double s2 = 1 / (4 * d * d);
    double f = c[8];
    for (int i = 0; i < 4; ++i)
        f += c[i] * std::exp(-c[4 + i] * s2);
    return f;
}

}  // namespace

TEST_F(DiffractionTest, RockSaltRelativeIntensitiesMatchAHandComputation)
{
    // Na and Cl, neutral atoms: a1..a4, b1..b4, c.
    const double na[9] = {4.7626, 3.1736, 1.2674, 1.1128, 3.285, 8.8422, 0.3136, 129.424, 0.676};
    const double cl[9] = {11.4604, 7.1964, 6.2556, 1.6455, 0.0104, 1.1662, 18.5194, 47.7784, -9.5574};
    const double a = 5.6402, lambda = 1.5405;
    struct Hkl {
        int h, k, l, mul;
        bool sum;  // F = 4(fNa + fCl) when all even, 4(fNa − fCl) when all odd
    };
    auto hand = [&](const Hkl& r) {
        const double d = a / std::sqrt(r.h * r.h + r.k * r.k + r.l * r.l);
        const double theta = std::asin(lambda / (2 * d));
        const double lp = (1 + std::pow(std::cos(2 * theta), 2)) / (std::sin(theta) * std::sin(2 * theta));
        const double F = 4 * (PublishedF(na, d) + (r.sum ? 1 : -1) * PublishedF(cl, d));
        return r.mul * lp * F * F;
    };
    const double i111 = hand({1, 1, 1, 8, false}), i200 = hand({2, 0, 0, 6, true}), i220 = hand({2, 2, 0, 12, true});

    CrystalDataRec* xp = AddCrystalToDocument(doc.get(), MakeRockSalt(), "NaCl");
    JustDiffract(doc.get(), xp, nullptr);
    auto stored = [&](int h, int k, int l) {
        const float d = static_cast<float>(a / std::sqrt(h * h + k * k + l * l));
        for (const ReflexionRec& r : xp->refs)
            if (std::fabs(r.dsp - d) < 1e-3)
                return static_cast<double>(r.inty);
        return -1.0;
    };
    EXPECT_NEAR(stored(1, 1, 1) / stored(2, 0, 0), i111 / i200, 0.005 * i111 / i200);
    EXPECT_NEAR(stored(2, 2, 0) / stored(2, 0, 0), i220 / i200, 0.005 * i220 / i200);
    // Multiplicities of the full sphere of reflexions.
    for (const ReflexionRec& r : xp->refs) {
        if (std::fabs(r.dsp - a / std::sqrt(3.0)) < 1e-3) {
            EXPECT_EQ(r.mul, 8);
        }
        if (std::fabs(r.dsp - a / std::sqrt(8.0)) < 1e-3) {
            EXPECT_EQ(r.mul, 12);
        }
    }
}

TEST_F(DiffractionTest, GenerationStopsAtTheBackscatteringLimit)
{
    doc->plotSpecs.dMin = 0.5f;
    CrystalDataRec* xp = AddCrystalToDocument(doc.get(), MakeRockSalt(), "NaCl");
    JustDiffract(doc.get(), xp, nullptr);
    ASSERT_FALSE(xp->refs.empty());
    EXPECT_GT(xp->refs.back().dsp, 0.4999f * 1.5405f);
    EXPECT_LT(xp->refs.back().dsp, 0.80f);  // and does get down near it

    doc->plotSpecs.axisType = kAxisTimeOfFlight;
    doc->plotSpecs.dMin = 0.05f;
    doc->plotSpecs.maxNumRefs = 100000;
    JustDiffract(doc.get(), xp, nullptr);
    EXPECT_GT(xp->refs.back().dsp, 0.1f);
    EXPECT_LT(xp->refs.back().dsp, 0.2f);
}

struct AxisCase {
    SInt16 axis;
    double d;
    double expected;
    double tolerance;
};

class AxisPositions : public ::testing::TestWithParam<AxisCase> {};

TEST_P(AxisPositions, DSpacingToX)
{
    PlotSpecsRec ps = gFactoryPrefs.plotSpecs;
    ps.axisType = GetParam().axis;
    EXPECT_NEAR(DSpacingToX(ps, GetParam().d), GetParam().expected, GetParam().tolerance);
    // The position of a reflexion from GetXValues is the same, offset included.
    CrystalDataRec xp;
    xp.xOffset = 0.25f;
    xp.refs = {ReflexionRec{1, 0, 0, 1, static_cast<float>(GetParam().d), 0, 1, 0}};
    GetXValues(&xp, &ps);
    EXPECT_NEAR(xp.refs[0].tth, GetParam().expected + 0.25, GetParam().tolerance);
    EXPECT_NEAR(XToDSpacing(ps, DSpacingToX(ps, GetParam().d)), GetParam().d, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Axes, AxisPositions,
                         ::testing::Values(AxisCase{kAxisTwoTheta, 2.0, 45.303, 1e-3}, AxisCase{kAxisDSpacing, 2.0, 2.0, 1e-6},
                                           AxisCase{kAxisReciprocalD, 2.0, 0.5, 1e-6},
                                           AxisCase{kAxisTimeOfFlight, 1.0, 50.5555, 1e-3},
                                           AxisCase{kAxisEnergy, 2.0, 44.4373, 1e-3}));

TEST_F(DiffractionTest, AxisLimits)
{
    doc->plotSpecs.axisType = 7;
    PlotSpecsPtr ps = DoAxisTypeLimits(doc.get());
    EXPECT_EQ(ps->axisType, kAxisTwoTheta);
    EXPECT_EQ(ps->xminLimit, 0.0f);
    EXPECT_EQ(ps->xmaxLimit, 180.0f);
    Float32 lo, hi, loLimit, hiLimit;
    GetPlotLimitsForAxisType(kAxisReciprocalD, &lo, &hi, &loLimit, &hiLimit);
    EXPECT_FLOAT_EQ(lo, 0.1f);
    EXPECT_FLOAT_EQ(hi, 1.9f);
    EXPECT_FLOAT_EQ(hiLimit, 5.0f);
    GetPlotLimitsForAxisType(kAxisTimeOfFlight, nullptr, &hi, nullptr, nullptr);
    EXPECT_FLOAT_EQ(hi, 300.0f);
    // Preferences with an unknown axis type fall back to 2θ and its default range.
    gPrefs.plotSpecs.axisType = 9;
    ResetGlobalPlotLimits();
    EXPECT_EQ(gPrefs.plotSpecs.axisType, kAxisTwoTheta);
    EXPECT_FLOAT_EQ(gPrefs.plotSpecs.xmin, 5.0f);
    EXPECT_FLOAT_EQ(gPrefs.plotSpecs.xmax, 80.0f);
    gPrefs = gFactoryPrefs;
}

TEST_F(DiffractionTest, NewDocumentTakesTheFactorySettings)
{
    const PlotSpecsRec& ps = doc->plotSpecs;
    EXPECT_EQ(ps.plotType, 3);
    EXPECT_EQ(ps.axisType, kAxisTwoTheta);
    EXPECT_FLOAT_EQ(ps.lambda, 1.5405f);
    EXPECT_FLOAT_EQ(ps.fwhm, 0.1f);
    EXPECT_FLOAT_EQ(ps.dMin, 1.0f);
    EXPECT_EQ(ps.maxNumRefs, 9000u);
    EXPECT_EQ(ps.radType, kRadiationXRays);
    EXPECT_TRUE(ps.monochromatic);
    EXPECT_FLOAT_EQ(ps.xmax, 80.0f);
}

TEST_F(DiffractionTest, AutoScaleWithCrystalsOnlySetsTheCalculatedMaximum)
{
    CrystalDataRec* xp = AddCrystalToDocument(doc.get(), MakeRockSalt(), "NaCl");
    xp->volFrac = 1;
    xp->yOffset = 2;
    xp->plotBuffer = {1, 5, 3};
    doc->plotSpecs.xscale = 10;
    AutoSetRelativeYScale(doc.get());
    EXPECT_FLOAT_EQ(doc->plotSpecs.ymax, 7.0f);
    EXPECT_FLOAT_EQ(doc->plotSpecs.ymin, 0.0f);

    // With a dataset, the dataset is scaled to the calculated maximum.
    auto pp = CreatePattern();
    pp->type = kPatternTypeDataset;
    pp->dataset = CreateDataset();
    pp->dataset->ymax = 70;
    pp->dataset->yOffset = 3;
    ObsDataRec* dp = pp->dataset.get();
    InsertPatternIntoPlotList(doc.get(), InsertPatternIntoFileList(doc.get(), std::move(pp), nullptr), nullptr);
    AutoSetRelativeYScale(doc.get());
    EXPECT_FLOAT_EQ(dp->relScale, 0.1f);
    EXPECT_FLOAT_EQ(dp->yOffset, 0.0f);
}

TEST_F(DiffractionTest, ReflexionsInLimits)
{
    EXPECT_FALSE(ReflexionsInLimits(doc.get()));
    CrystalDataRec* xp = AddCrystalToDocument(doc.get(), MakeRockSalt(), "NaCl");
    JustDiffract(doc.get(), xp, nullptr);
    EXPECT_TRUE(ReflexionsInLimits(doc.get()));
    doc->plotSpecs.xminLimit = 170;
    EXPECT_FALSE(ReflexionsInLimits(doc.get()));
}

TEST_F(DiffractionTest, RunReportsProgressUnlessTheMouseIsDown)
{
    RecordingStatusSink sink;
    doc->statusSink = &sink;
    CrystalDataRec* xp = AddCrystalToDocument(doc.get(), MakeRockSalt(), "NaCl");
    JustDiffract(doc.get(), xp, nullptr);
    EXPECT_GT(sink.Count(RecordingStatusSink::Kind::InfoBar), 3);
    EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::ProgressStart), 1);
    sink.Clear();
    doc->mouseButtonDown = true;
    JustDiffract(doc.get(), xp, nullptr);
    EXPECT_EQ(sink.events.size(), 0u);
    EXPECT_FALSE(xp->refs.empty());
}

TEST_F(DiffractionTest, FailedGenerationKeepsThePreviousReflexions)
{
    CrystalDataRec* xp = AddCrystalToDocument(doc.get(), MakeRockSalt(), "NaCl");
    JustDiffract(doc.get(), xp, nullptr);
    const int before = xp->nRefs();
    RecordingStatusSink sink;
    ScopedThreadStatusSink scope(&sink);
    xp->a = xp->b = xp->c = 400;  // an index box too large to enumerate at 0.01 Å
    doc->plotSpecs.dMin = 0.0f;
    doc->plotSpecs.axisType = kAxisDSpacing;
    doc->plotSpecs.lambda = 0.0001f;
    JustDiffract(doc.get(), xp, nullptr);
    EXPECT_EQ(xp->nRefs(), before);
    EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 1);
}

TEST_F(DiffractionTest, DiffractRecomputesEveryCrystalAndRedrawsOnce)
{
    RecordingHooks hooks;
    doc->hooks = &hooks;
    CrystalDataRec* a = AddCrystalToDocument(doc.get(), MakeRockSalt(), "A");
    CrystalDataRec* b = AddCrystalToDocument(doc.get(), MakeRockSalt(), "B");
    Diffract(doc.get());
    EXPECT_FALSE(a->refs.empty());
    EXPECT_FALSE(b->refs.empty());
    EXPECT_EQ(hooks.redraws, 1);
    EXPECT_EQ(hooks.recalcRedraws, 1);
    EXPECT_EQ(hooks.parameterLists, 1);
    EXPECT_EQ(hooks.autoScaledRedraws, 1);
    EXPECT_FALSE(gAutoScaleY);
}

