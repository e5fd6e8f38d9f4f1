// The diffraction driver end to end, axis conversions and ranges, and an independent check of
// rock-salt intensities against a hand computation from the published form factors.
#include "CellGeometry.h"
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "Profile.h"
#include "Reflexions.h"
#include "Settings.h"
#include "Status.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

class DiffractionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadShippedScatteringTable());
        gPrefs = gFactoryPrefs;
        doc = CreateWindowInfo(PrefDataRec{});
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
    ResetGlobalPlotLimits(gPrefs.plotSpecs);
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
    EXPECT_EQ(ps.maxNumRefs, 1000000u);
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
    // The highest point, 7, stands 5 % of the graph's axis below its top.
    EXPECT_FLOAT_EQ(doc->plotSpecs.ymax, static_cast<float>(7 / 0.95));
    EXPECT_FLOAT_EQ(doc->plotSpecs.ymin, 0.0f);

    // With a dataset, the dataset is scaled to the calculated maximum.
    auto pp = CreatePattern();
    pp->type = kPatternTypeDataset;
    pp->dataset = CreateDataset(PrefDataRec{});
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

TEST_F(DiffractionTest, ListBeyondTheMemoryGuardIsShortenedAndSaysSo)
{
    ReflexionWorkspace work;
    CrystalDataRec* xp = AddCrystalToDocument(doc.get(), MakeRockSalt(), "NaCl");
    RecordingStatusSink sink;
    ScopedThreadStatusSink scope(&sink);
    work.SetGenerationBudget(30000);
    xp->a = xp->b = xp->c = 40;  // about 268,000 reflexions down to 1 Å: more than the guard allows
    JustDiffract(work, doc.get(), xp, nullptr);
    ASSERT_FALSE(xp->refs.empty());
    EXPECT_GT(xp->refs.back().dsp, 1.5f);
    EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 0);
    const RecordingStatusSink::Event* bar = sink.Last(RecordingStatusSink::Kind::InfoBar);
    ASSERT_NE(bar, nullptr);
    EXPECT_NE(bar->text.find("memory"), std::string::npos) << bar->text;
    EXPECT_NE(bar->text.find("--dmin"), std::string::npos) << bar->text;
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
    EXPECT_FALSE(doc->autoScaleY);
}


TEST_F(DiffractionTest, NeutronLinesCarryNoPolarisationFactor)
{
    // Rock salt with neutrons: F = 4(bNa ± bCl) with the coherent lengths of Sears (1992), and the
    // Lorentz factor 1/(sin θ sin 2θ) alone; X-rays keep (1 + cos²2θ). Intensities per Å³:
    // λ³ · 0.001 · L · m · F² / V².
    const double a = 5.6402, lambda = 1.5405, bNa = 3.63, bCl = 9.577, V = a * a * a;
    auto neutron = [&](int h, int k, int l, int mul) {
        const double d = a / std::sqrt(h * h + k * k + l * l);
        const double theta = std::asin(lambda / (2 * d));
        const double F = 4 * (bNa + ((h % 2 != 0) ? -bCl : bCl));
        return lambda * lambda * lambda * 0.001 * mul * F * F / (std::sin(theta) * std::sin(2 * theta)) / (V * V);
    };
    auto stored = [&](const CrystalDataRec* xp, int h, int k, int l) {
        const double d = a / std::sqrt(h * h + k * k + l * l);
        for (const ReflexionRec& r : xp->refs)
            if (std::fabs(r.dsp - d) < 1e-3)
                return static_cast<double>(r.inty);
        return -1.0;
    };
    doc->plotSpecs.radType = kRadiationNeutrons;
    CrystalDataRec* xp = AddCrystalToDocument(doc.get(), MakeRockSalt(), "NaCl");
    JustDiffract(doc.get(), xp, nullptr);
    // 200 at 31.7°, 422 at 84.0°, 333 + 511 (the same d) at 90.4°.
    const double i200 = neutron(2, 0, 0, 6), i422 = neutron(4, 2, 2, 24), i333 = neutron(3, 3, 3, 8) + neutron(5, 1, 1, 24);
    EXPECT_NEAR(stored(xp, 2, 0, 0), i200, i200 * 1e-4);
    EXPECT_NEAR(stored(xp, 4, 2, 2), i422, i422 * 1e-4);
    EXPECT_NEAR(stored(xp, 3, 3, 3), i333, i333 * 1e-4);

    // The same structure with X-rays keeps the polarisation factor (1 + cos²2θ): relative to 200
    // the line at 90.4° is lowered by about 0.54, which the neutron line does not show.
    const double na[9] = {4.7626, 3.1736, 1.2674, 1.1128, 3.285, 8.8422, 0.3136, 129.424, 0.676};
    const double cl[9] = {11.4604, 7.1964, 6.2556, 1.6455, 0.0104, 1.1662, 18.5194, 47.7784, -9.5574};
    auto xrayHand = [&](int h, int k, int l, int mul) {
        const double d = a / std::sqrt(h * h + k * k + l * l);
        const double theta = std::asin(lambda / (2 * d));
        const double c2 = std::cos(2 * theta);
        const double F = 4 * (PublishedF(na, d) + ((h % 2 != 0) ? -1 : 1) * PublishedF(cl, d));
        return mul * F * F * (1 + c2 * c2) / (std::sin(theta) * std::sin(2 * theta));
    };
    doc->plotSpecs.radType = kRadiationXRays;
    CrystalDataRec* xray = AddCrystalToDocument(doc.get(), MakeRockSalt(), "NaCl X");
    JustDiffract(doc.get(), xray, nullptr);
    const double xrayRatio = (xrayHand(3, 3, 3, 8) + xrayHand(5, 1, 1, 24)) / xrayHand(2, 0, 0, 6);
    EXPECT_NEAR(stored(xray, 3, 3, 3) / stored(xray, 2, 0, 0), xrayRatio, 0.005 * xrayRatio);
    EXPECT_NEAR(stored(xp, 3, 3, 3) / stored(xp, 2, 0, 0), i333 / i200, 1e-4 * i333 / i200);
}

TEST_F(DiffractionTest, ElementWithoutANeutronLengthRefusesOnlyNeutrons)
{
    RecordingStatusSink sink;
    ScopedThreadStatusSink scope(&sink);
    auto po = MakeCrystal(3.359f, 3.359f, 3.359f, 90, 90, 90, 'P');  // α-polonium, simple cubic
    AddSite(po.get(), "Po", 1, {{0, 0, 0}});
    CrystalDataRec* xp = AddCrystalToDocument(doc.get(), std::move(po), "Po");
    JustDiffract(doc.get(), xp, nullptr);
    ASSERT_FALSE(xp->refs.empty());  // X-rays: the table has its form factor
    EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::Message), 0);

    doc->plotSpecs.radType = kRadiationNeutrons;
    JustDiffract(doc.get(), xp, nullptr);
    EXPECT_TRUE(xp->refs.empty());
    const RecordingStatusSink::Event* alert = sink.Last(RecordingStatusSink::Kind::Alert);
    ASSERT_NE(alert, nullptr);
    EXPECT_NE(alert->text.find("Po"), std::string::npos) << alert->text;
}

TEST_F(DiffractionTest, CapEndsAtAWholeGroupAndSaysWhereThePatternStops)
{
    RecordingStatusSink sink;
    ScopedThreadStatusSink scope(&sink);
    doc->plotSpecs.restrictNumRefs = true;
    doc->plotSpecs.maxNumRefs = 10;
    CrystalDataRec* xp = AddCrystalToDocument(doc.get(), MakeRockSalt(), "NaCl");
    JustDiffract(doc.get(), xp, nullptr);
    // 111 (8 reflexions) and then the whole of 200 (6), not 2 of its 6.
    ASSERT_EQ(xp->nRefs(), 2);
    EXPECT_EQ(xp->refs[0].mul, 8);
    EXPECT_EQ(xp->refs[1].mul, 6);
    const RecordingStatusSink::Event* bar = sink.Last(RecordingStatusSink::Kind::InfoBar);
    ASSERT_NE(bar, nullptr);
    const double d200 = 5.6402 / 2, tth = 2 * std::asin(1.5405 / (2 * d200)) * 180 / 3.14159265358979;
    char where[64];
    std::snprintf(where, sizeof where, "d = %.4f", d200);
    EXPECT_NE(bar->text.find(where), std::string::npos) << bar->text;
    std::snprintf(where, sizeof where, "%.3f", tth);
    EXPECT_NE(bar->text.find(where), std::string::npos) << bar->text;
    EXPECT_NE(bar->text.find("--max-refs"), std::string::npos) << bar->text;

    // Without a cap nothing is said.
    sink.Clear();
    doc->plotSpecs.restrictNumRefs = false;
    JustDiffract(doc.get(), xp, nullptr);
    for (const auto& e : sink.events)
        EXPECT_EQ(e.text.find("stops at"), std::string::npos) << e.text;
}

TEST_F(DiffractionTest, LargeCellIsCompleteAtFactorySettings)
{
    // A primitive cubic cell of 20,000 Å³ with one atom: every reflexion with d above dMin = 1 Å
    // is listed, the multiplicities adding up to the number of integer vectors with
    // h² + k² + l² < a² (counted here by brute force).
    const float a = static_cast<float>(std::cbrt(20000.0));
    auto cell = MakeCrystal(a, a, a, 90, 90, 90, 'P');
    AddSite(cell.get(), "Cu", 1, {{0, 0, 0}});
    CrystalDataRec* xp = AddCrystalToDocument(doc.get(), std::move(cell), "big");
    RecordingStatusSink sink;
    ScopedThreadStatusSink scope(&sink);
    JustDiffract(doc.get(), xp, nullptr);
    const double a2 = static_cast<double>(a) * a;
    long expected = 0;
    const int n = static_cast<int>(a) + 1;
    for (int h = -n; h <= n; ++h)
        for (int k = -n; k <= n; ++k)
            for (int l = -n; l <= n; ++l) {
                const int N = h * h + k * k + l * l;
                if (N > 0 && a / std::sqrt(double(N)) > 1.0 && N < a2)
                    ++expected;
            }
    long total = 0;
    for (const ReflexionRec& r : xp->refs)
        total += r.mul;
    EXPECT_EQ(total, expected);
    EXPECT_LT(xp->refs.back().dsp, 1.002f);
    for (const auto& e : sink.events)
        EXPECT_EQ(e.text.find("stops at"), std::string::npos) << e.text;
}

TEST_F(DiffractionTest, WeakCutoffRemovesWholeGroupsOnly)
{
    ReflexionWorkspace work;
    // Quartz on the time-of-flight axis, down to d = 0.2 Å: trigonal, so h k l and k h l share a d
    // but not an intensity, and many reflexions are near the cutoff. Each group kept must have the
    // multiplicity of its d-spacing as generation and merging alone give it.
    auto quartz = MakeCrystal(4.9134f, 4.9134f, 5.4052f, 90, 90, 120, 'P');
    auto orbit = [](float x, float y, float z) {
        return std::vector<Position>{{x, y, z}, {-y, x - y, z + 2.0f / 3}, {-x + y, -x, z + 1.0f / 3},
                                     {y, x, -z}, {x - y, -y, -z + 1.0f / 3}, {-x, -x + y, -z + 2.0f / 3}};
    };
    auto si = orbit(0.4697f, 0, 0);
    si.resize(3);
    AddSite(quartz.get(), "Si", 1, si);
    AddSite(quartz.get(), "O", 1, orbit(0.4135f, 0.2669f, 0.1191f));
    doc->plotSpecs.axisType = kAxisTimeOfFlight;
    doc->plotSpecs.thetaTimeOfFlight = static_cast<Float32>(30 * 0.00872664625995);
    doc->plotSpecs.dMin = 0.2f;
    doc->plotSpecs.restrictNumRefs = false;
    CrystalDataRec* xp = AddCrystalToDocument(doc.get(), std::move(quartz), "quartz");
    JustDiffract(doc.get(), xp, nullptr);
    ASSERT_GT(xp->nRefs(), 100);

    // The groups as generation alone forms them (no intensities, so nothing is cut).
    RecipCell(xp);
    ASSERT_TRUE(HKLList(work, nullptr, xp, 0.2f, false, 0));
    OrderRefsList(work);
    MergeRefs(work);
    std::vector<ReflexionRec> all = work.gTempRef;
    PurgeTempRefs(work);
    int compared = 0;
    for (const ReflexionRec& r : xp->refs) {
        for (const ReflexionRec& g : all)
            if (g.dsp == r.dsp) {
                EXPECT_EQ(r.mul, g.mul) << "d = " << r.dsp;
                ++compared;
                break;
            }
    }
    EXPECT_EQ(compared, xp->nRefs());
}

namespace {

// Rutile, P4₂/mnm: Ti on 2a, O on 4f (x, x, 0) with anisotropic U (site symmetry m.mm: U11 = U22,
// U13 = U23 = 0). The copies at (½ ± x, ½ ∓ x, ½) are made by rotations that change the sign of U12.
std::unique_ptr<CrystalDataRec> Rutile(double x)
{
    auto xp = MakeCrystal(4.5937f, 4.5937f, 2.9587f, 90, 90, 90, 'P');
    const float fx = static_cast<float>(x);
    InputDataRec& ti = AddSite(xp.get(), "Ti", 1, {{0, 0, 0}, {0.5f, 0.5f, 0.5f}});
    SetSiteLabel(&ti, "Ti1");
    ti.adpType = kADPTypeUij;
    ti.uAni[0][0] = ti.uAni[1][1] = 0.0066f, ti.uAni[2][2] = 0.0041f;
    ti.uAni[0][1] = ti.uAni[1][0] = -0.0004f;
    ti.uAni[0][2] = ti.uAni[2][0] = ti.uAni[1][2] = ti.uAni[2][1] = 0;
    InputDataRec& o = AddSite(xp.get(), "O", 1, {{fx, fx, 0}, {-fx, -fx, 0}, {0.5f + fx, 0.5f - fx, 0.5f}, {0.5f - fx, 0.5f + fx, 0.5f}});
    SetSiteLabel(&o, "O1");
    o.x[0] = o.x[1] = fx, o.x[2] = 0;
    o.adpType = kADPTypeUij;
    o.uAni[0][0] = o.uAni[1][1] = 0.0071f, o.uAni[2][2] = 0.0046f;
    o.uAni[0][1] = o.uAni[1][0] = -0.0029f;
    o.uAni[0][2] = o.uAni[2][0] = o.uAni[1][2] = o.uAni[2][1] = 0;
    xp->hasEllipsoids = true;
    for (AtomDataRec& atom : xp->atoms)
        for (float& c : atom.x)
            c -= std::floor(c);
    return xp;
}

}  // namespace

TEST_F(DiffractionTest, AnisotropicDisplacementsTurnWithTheSymmetryCopies)
{
    const double a = 4.5937, c = 2.9587, x = 0.30478, lambda = 1.5405, V = a * a * c, pi = 3.14159265358979323846;
    const double ti[9] = {9.7595, 7.3558, 1.6991, 1.9021, 7.8508, 0.5, 35.6338, 116.105, 1.2807};
    const double ox[9] = {3.0485, 2.2868, 1.5463, 0.867, 13.2771, 5.7011, 0.3239, 32.9089, 0.2508};
    // Each atom with its own U, rotated by hand: U12 changes sign on the copies made by
    // (½ + x, ½ − y, ½ + z) and (½ − x, ½ + y, ½ + z); the 4₂ axis swaps U11 and U22, equal here.
    struct Atom {
        const double (*f)[9];
        double x, y, z, u11, u22, u33, u12;
    };
    const Atom atoms[] = {{&ti, 0, 0, 0, 0.0066, 0.0066, 0.0041, -0.0004},
                          {&ti, 0.5, 0.5, 0.5, 0.0066, 0.0066, 0.0041, 0.0004},
                          {&ox, x, x, 0, 0.0071, 0.0071, 0.0046, -0.0029},
                          {&ox, -x, -x, 0, 0.0071, 0.0071, 0.0046, -0.0029},
                          {&ox, 0.5 + x, 0.5 - x, 0.5, 0.0071, 0.0071, 0.0046, 0.0029},
                          {&ox, 0.5 - x, 0.5 + x, 0.5, 0.0071, 0.0071, 0.0046, 0.0029}};
    auto hand = [&](int h, int k, int l) {
        const double d = 1 / std::sqrt((h * h + k * k) / (a * a) + l * l / (c * c));
        double A = 0, B = 0;
        for (const Atom& at : atoms) {
            const double q = 2 * pi * pi *
                             (at.u11 * h * h / (a * a) + at.u22 * k * k / (a * a) + at.u33 * l * l / (c * c) +
                              2 * at.u12 * h * k / (a * a));
            const double f = PublishedF(*at.f, d) * std::exp(-q);
            const double phi = 2 * pi * (h * at.x + k * at.y + l * at.z);
            A += f * std::cos(phi);
            B += f * std::sin(phi);
        }
        const double theta = std::asin(lambda / (2 * d)), c2 = std::cos(2 * theta);
        return lambda * lambda * lambda * 0.001 * (1 + c2 * c2) / (std::sin(theta) * std::sin(2 * theta)) * (A * A + B * B) /
               (V * V);
    };
    // A merged group: every h k l of the same d.
    auto group = [&](int h0, int k0, int l0) {
        const int N = h0 * h0 + k0 * k0, L = l0 * l0;
        double sum = 0;
        for (int h = -6; h <= 6; ++h)
            for (int k = -6; k <= 6; ++k)
                for (int l = -6; l <= 6; ++l)
                    if (h * h + k * k == N && l * l == L)
                        sum += hand(h, k, l);
        return sum;
    };
    // With the rotations found from the structure (as for a crystal file) and with them given.
    for (bool given : {false, true}) {
        auto rutile = Rutile(x);
        if (given) {
            // (½ + x, ½ − y, ½ + z) makes Ti 2 and O 3; (½ − x, ½ + y, ½ + z) makes O 4.
            const SInt8 mirrorY[3][3] = {{1, 0, 0}, {0, -1, 0}, {0, 0, 1}}, mirrorX[3][3] = {{-1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
            std::memcpy(rutile->atoms[1].rotation, mirrorY, sizeof mirrorY);
            std::memcpy(rutile->atoms[4].rotation, mirrorY, sizeof mirrorY);
            std::memcpy(rutile->atoms[5].rotation, mirrorX, sizeof mirrorX);
            rutile->atomRotations = kAtomRotationsSet;
        }
        CrystalDataRec* xp = AddCrystalToDocument(doc.get(), std::move(rutile), given ? "given" : "derived");
        JustDiffract(doc.get(), xp, nullptr);
        ASSERT_EQ(xp->atomRotations, kAtomRotationsSet);
        struct Want {
            int h, k, l;
        };
        for (const Want& w : {Want{1, 1, 0}, Want{1, 0, 1}, Want{2, 1, 1}, Want{3, 1, 0}, Want{2, 2, 1}, Want{3, 1, 2}}) {
            const double d = 1 / std::sqrt((w.h * w.h + w.k * w.k) / (a * a) + w.l * w.l / (c * c));
            const ReflexionRec* r = nullptr;
            for (const ReflexionRec& ref : xp->refs)
                if (std::fabs(ref.dsp - d) < 1e-4)
                    r = &ref;
            ASSERT_NE(r, nullptr) << w.h << w.k << w.l;
            const double expected = group(w.h, w.k, w.l);
            EXPECT_NEAR(r->inty, expected, 2e-4 * expected) << w.h << w.k << w.l << (given ? " given" : " derived");
        }
    }
}

TEST_F(DiffractionTest, UnmatchedAnisotropicSiteIsUsedUnrotatedAndSaysSo)
{
    // Three atoms of one site that no operation of the lattice relates (two would be related by
    // the inversion through their midpoint).
    auto xp = MakeCrystal(5.1f, 6.3f, 7.2f, 81, 95, 103, 'P');
    InputDataRec& site = AddSite(xp.get(), "Fe", 1, {{0.1f, 0.2f, 0.3f}, {0.45f, 0.05f, 0.7f}, {0.8f, 0.6f, 0.15f}});
    SetSiteLabel(&site, "Fe7");
    site.x[0] = 0.1f, site.x[1] = 0.2f, site.x[2] = 0.3f;
    site.adpType = kADPTypeUij;
    site.uAni[0][0] = site.uAni[1][1] = site.uAni[2][2] = 0.01f;
    site.uAni[0][1] = site.uAni[1][0] = 0.002f;
    xp->hasEllipsoids = true;
    RecordingStatusSink sink;
    ScopedThreadStatusSink scope(&sink);
    CrystalDataRec* stored = AddCrystalToDocument(doc.get(), std::move(xp), "odd");
    JustDiffract(doc.get(), stored, nullptr);
    EXPECT_FALSE(stored->refs.empty());
    const RecordingStatusSink::Event* bar = sink.Last(RecordingStatusSink::Kind::InfoBar);
    ASSERT_NE(bar, nullptr);
    EXPECT_NE(bar->text.find("Fe7"), std::string::npos) << bar->text;
}

TEST_F(DiffractionTest, SpecimenDisplacementMovesTwoThetaByTwoSCosThetaOverR)
{
    PlotSpecsRec ps = doc->plotSpecs;
    ps.specimenDisplacement = 0.1f;  // mm
    ps.goniometerRadius = 240;
    const double pi = 3.14159265358979323846;
    for (double d : {4.2275, 1.0}) {
        const double theta = std::asin(ps.lambda / (2 * d));
        const double expected = 2 * theta * 180 / pi - 2 * 0.1 * std::cos(theta) / 240 * 180 / pi;
        EXPECT_NEAR(DSpacingToX(ps, d), expected, 1e-6) << d;
        EXPECT_NEAR(XToDSpacing(ps, DSpacingToX(ps, d)), d, 1e-9 * d) << d;
    }
    // At 21° the shift is −0.047°, at 100° −0.031°: after a zero shift the peaks still drift.
    const double low = DSpacingToX(ps, ps.lambda / (2 * std::sin(10.5 * pi / 180))) - 21;
    const double high = DSpacingToX(ps, ps.lambda / (2 * std::sin(50 * pi / 180))) - 100;
    EXPECT_NEAR(low, -0.04695, 2e-5);
    EXPECT_NEAR(high, -0.03069, 2e-5);

    // The setter moves the crystals' peaks and keeps their intensities.
    CrystalDataRec* xp = AddCrystalToDocument(doc.get(), MakeRockSalt(), "NaCl");
    JustDiffract(doc.get(), xp, nullptr);
    const std::vector<ReflexionRec> before = xp->refs;
    DoSpecimenDisplacement(doc.get(), 0.1f, 240);
    ASSERT_EQ(xp->refs.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        const double theta = before[i].tth * pi / 360;
        EXPECT_NEAR(xp->refs[i].tth, before[i].tth - 0.2 * std::cos(theta) / 240 * 180 / pi, 2e-4);
        EXPECT_EQ(xp->refs[i].inty, before[i].inty);
    }
}
