// Peak widths, shapes, per-pixel profiles, background and phase proportions.
#include "Constants.h"
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "Intensity.h"
#include "Profile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

namespace {

// A crystal with the given reflexions at positions x (intensity, half width).
std::unique_ptr<CrystalDataRec> PeaksAt(std::initializer_list<ReflexionRec> refs)
{
    InitVLGlobals();
    auto xp = CreateCrystal(PrefDataRec{});
    xp->refs = refs;
    return xp;
}

PlotSpecsRec Specs(SInt16 plotType, float xmin, float xmax)
{
    PlotSpecsRec ps = gFactoryPrefs.plotSpecs;
    ps.plotType = plotType;
    ps.xmin = xmin;
    ps.xmax = xmax;
    return ps;
}

}  // namespace

TEST(Profile, ShapesIntegrateToTheirIntensity)
{
    for (int shape : {kPeakFunctionLorentzian, kPeakFunctionGaussian, kPeakFunctionPseudoVoigt}) {
        double area = 0;
        const double step = 0.0005;
        for (double x = -60; x <= 60; x += step)
            area += GetProfileIntensityAtPoint(static_cast<float>(x), 0.0f, 100.0f, 0.05f, static_cast<SInt16>(shape), 0.3f) * step;
        EXPECT_NEAR(area, 100.0, 1.0) << "shape " << shape;
    }
    // Half maximum at one half width.
    EXPECT_NEAR(Gaussian(1, 0, 0.1f, 0.1f) / Gaussian(1, 0, 0.1f, 0), 0.5, 1e-5);
    EXPECT_NEAR(Lorentzian(1, 0, 0.1f, 0.1f) / Lorentzian(1, 0, 0.1f, 0), 0.5, 1e-5);
    EXPECT_EQ(Gaussian(1, 0, 0.1f, 1.0f), 0.0f);  // beyond t = −30
    EXPECT_EQ(GetProfileIntensityAtPoint(0, 0, 5, 0.1f, 0, 0.5f), 0.0f);
    EXPECT_EQ(GetProfileIntensityAtPoint(0.05f, 0, 5, 0.1f, -1, 0.5f), 5.0f);  // film sticks
}

TEST(Profile, WidthsFromInstrumentSizeAndStrain)
{
    auto xp = CreateCrystal(PrefDataRec{});
    PlotSpecsRec ps = gFactoryPrefs.plotSpecs;
    xp->particleSize = 1000;
    xp->strain = 0;
    // 2θ = 60°: size width λ·(180/π)·0.888/1000/cos 30°.
    const double S = 1.5405 * 57.2957795131 * 0.000888 / std::cos(M_PI / 6);
    EXPECT_NEAR(GetPeakBroadeningAtPoint(&ps, xp.get(), 60), 0.5 * std::sqrt(0.01 + S * S), 1e-6);
    xp->strain = 0.001;
    const double E = 0.001 * 4 * 57.2957795131 * 1.17741002252 * std::tan(M_PI / 6);
    EXPECT_NEAR(GetPeakBroadeningAtPoint(&ps, xp.get(), 60), 0.5 * std::sqrt(0.01 + S * S + E * E), 1e-6);
}

TEST(Profile, SizeAndStrainWidthsOnEveryAxisAreTheRelativeWidthOfTheTwoThetaForm)
{
    // Scherrer: Δ2θ = Kλ/(L cos θ) is Δd/d = K·d/L; the strain form 4ε·1.17741·tan θ (in radians of
    // 2θ) is Δd/d = 2·1.17741·ε. Each axis then takes Δx = x·Δd/d (time of flight, energy),
    // Δd = d·Δd/d, Δ(1/d) = (Δd/d)/d; combined with the instrument's fwhm in quadrature.
    auto xp = CreateCrystal(PrefDataRec{});
    xp->particleSize = 1000;  // Å
    xp->strain = 0.002;
    PlotSpecsRec ps = gFactoryPrefs.plotSpecs;
    ps.fwhm = 0.0001f;
    const double d = 2.0, K = 0.888, relSize = K * d / 1000, relStrain = 2 * 1.17741002252 * 0.002;
    auto hw = [&](double x, double fwhm) {
        return 0.5 * std::sqrt(fwhm * fwhm + std::pow(x * relSize, 2) + std::pow(x * relStrain, 2));
    };
    ps.axisType = kAxisDSpacing;
    EXPECT_NEAR(GetPeakBroadeningAtPoint(&ps, xp.get(), 2.0f), hw(d, 0.0001), 1e-7);
    // The Scherrer width on the d axis alone: K d²/L.
    xp->strain = 0;
    EXPECT_NEAR(2 * GetPeakBroadeningAtPoint(&ps, xp.get(), 2.0f), std::sqrt(1e-8 + std::pow(K * d * d / 1000, 2)), 1e-7);
    xp->strain = 0.002;
    ps.axisType = kAxisReciprocalD;
    EXPECT_NEAR(GetPeakBroadeningAtPoint(&ps, xp.get(), 0.5f), hw(1 / d, 0.0001), 1e-7);
    ps.axisType = kAxisTimeOfFlight;  // θ 1.57, 100 m: d = 2 Å at 101.1 ms
    const double t = DSpacingToX(ps, d);
    EXPECT_NEAR(GetPeakBroadeningAtPoint(&ps, xp.get(), static_cast<float>(t)), hw(t, 0.0001), 1e-5);
    ps.axisType = kAxisEnergy;
    const double e = DSpacingToX(ps, d);
    EXPECT_NEAR(GetPeakBroadeningAtPoint(&ps, xp.get(), static_cast<float>(e)), hw(e, 0.0001), 1e-5);
    // The relative width agrees with the 2θ axis at the same reflexion: Δd/d = Δθ·cot θ.
    ps.axisType = kAxisTwoTheta;
    ps.fwhm = 0;
    const double theta = std::asin(ps.lambda / (2 * d));
    const double w2t = 2 * GetPeakBroadeningAtPoint(&ps, xp.get(), static_cast<float>(2 * theta / 0.0174532925199));
    EXPECT_NEAR(w2t * 0.0174532925199 / 2 / std::tan(theta), std::hypot(relSize, relStrain), 1e-5);
}

TEST(Profile, StrainBroadenedPeakOnTheDAxisKeepsItsArea)
{
    // A peak far wider than the instrument's width: the cut-off range follows the peak's own width.
    auto xp = PeaksAt({ReflexionRec{1, 0, 0, 1, 2, 2.0f, 1.0f, 0.02f}});
    PlotSpecsRec ps = Specs(kPeakFunctionGaussian, 1.5f, 2.5f);
    ps.axisType = kAxisDSpacing;
    ps.fwhm = 0.001f;
    ASSERT_TRUE(CalculateProfileForCrystal(xp.get(), &ps, 2000, 0, 1999));
    const double area = std::accumulate(xp->plotBuffer.begin(), xp->plotBuffer.end(), 0.0) * (1.0 / 2000);
    EXPECT_NEAR(area, 1.0, 0.01);
}

TEST(Profile, SecondWavelengthLineIsDrawnAtItsOwnPositionAtHighAngles)
{
    // NaCl 444 (d = a/√48) with Cu Kα1 + Kα2 at 142°: the lines are 0.8° apart, sixteen half widths.
    InitVLGlobals();
    const double a = 5.6402, d = a / std::sqrt(48.0), l1 = 1.5405, l2 = 1.54434;
    const double x1 = 2 * std::asin(l1 / (2 * d)) * 180 / M_PI, x2 = 2 * std::asin(l2 / (2 * d)) * 180 / M_PI;
    ASSERT_NEAR(x1, 142.2, 0.2);
    ASSERT_GT(x2 - x1, 0.7);
    auto xp = CreateCrystal(PrefDataRec{});
    xp->refs = {ReflexionRec{4, 4, 4, 8, static_cast<float>(d), static_cast<float>(x1), 3.0f, 0.05f}};
    PlotSpecsRec ps = Specs(kPeakFunctionGaussian, 140, 145);
    ps.monochromatic = false;
    ps.lambda = static_cast<float>(l1);
    ps.lambda2 = static_cast<float>(l2);
    ps.lambdaRatio = 2;
    ps.fwhm = 0.1f;
    xp->particleSize = 1e9f;
    ASSERT_TRUE(CalculateProfileForCrystal(xp.get(), &ps, 5000, 0, 4999));  // 0.001° per pixel
    auto at = [&](double x) { return xp->plotBuffer[static_cast<std::size_t>((x - 140) / 0.001)]; };
    const double peak = Gaussian(3.0f, 0, 0.05f, 0);
    EXPECT_NEAR(at(x1), peak * 2 / 3, 0.02 * peak);
    EXPECT_NEAR(at(x2), peak / 3, 0.02 * peak);
    const double area = std::accumulate(xp->plotBuffer.begin(), xp->plotBuffer.end(), 0.0) * 0.001;
    EXPECT_NEAR(area, 3.0, 0.03);
}

TEST(Profile, PointProfileHasItsMaximaAtThePeaksAndTheirAreas)
{
    // Evaluated at the points themselves: with a channel of a fifth of the FWHM, the maxima sit
    // within half a channel of the positions and Σ y·step is the integrated intensity within 1 %.
    auto xp = PeaksAt({ReflexionRec{1, 1, 1, 8, 3.2f, 27.37f, 5.0f, 0.05f},
                       ReflexionRec{2, 0, 0, 6, 2.8f, 31.71f, 2.0f, 0.05f},
                       ReflexionRec{4, 2, 0, 24, 1.26f, 75.29f, 1.0f, 0.06f}});
    for (SInt16 shape : {kPeakFunctionGaussian, kPeakFunctionPseudoVoigt}) {
        PlotSpecsRec ps = Specs(shape, 20, 80);
        const double step = 0.02;
        const std::vector<Float32> y = ProfileAtPoints(xp.get(), &ps, 20, step, 3000);
        ASSERT_EQ(y.size(), 3000u);
        for (const ReflexionRec& r : xp->refs) {
            const long i0 = std::lround((r.tth - 1.5 - 20) / step), i1 = std::lround((r.tth + 1.5 - 20) / step);
            long best = i0;
            double area = 0;
            for (long i = i0; i <= i1; ++i) {
                area += y[static_cast<std::size_t>(i)] * step;
                if (y[static_cast<std::size_t>(i)] > y[static_cast<std::size_t>(best)])
                    best = i;
            }
            EXPECT_NEAR(20 + best * step, r.tth, step / 2 + 1e-6) << shape;
            // The pseudo-Voigt's Lorentzian tails reach beyond ±1.5°: compare the Gaussian only.
            if (shape == kPeakFunctionGaussian) {
                EXPECT_NEAR(area, r.inty, 0.01 * r.inty);
            }
        }
        double total = 0;
        for (Float32 v : y)
            total += v * step;
        EXPECT_NEAR(total, 8.0, 0.01 * 8.0) << shape;
    }
}

TEST(Profile, SticksGiveTheFullIntensityWithinTheirHalfWidth)
{
    auto xp = PeaksAt({ReflexionRec{1, 0, 0, 1, 2, 10.05f, 7.0f, 0.01f}});
    PlotSpecsRec ps = Specs(kPeakFunctionDelta, 0, 100);  // dx = 0.1
    ASSERT_TRUE(CalculateProfileForCrystal(xp.get(), &ps, 1000, 0, 999));
    EXPECT_EQ(xp->nBufferPts(), 1000);
    EXPECT_FLOAT_EQ(xp->plotBuffer[100], 7.0f);  // the pixel holding 10.05
    EXPECT_FLOAT_EQ(xp->plotBuffer[102], 0.0f);
    EXPECT_EQ(std::count_if(xp->plotBuffer.begin(), xp->plotBuffer.end(), [](float v) { return v > 0; }), 1);
}

TEST(Profile, NarrowPeakKeepsItsMaximumInsideThePixel)
{
    // Half width 0.001 in pixels of 0.1: far above 48 sub-samples (0.0021 apart); the pixel takes
    // the largest sample, not the mean, wherever the peak falls inside it.
    for (float centre : {20.012f, 20.05f, 20.093f}) {
        auto xp = PeaksAt({ReflexionRec{1, 0, 0, 1, 2, centre, 1.0f, 0.001f}});
        xp->particleSize = 1e9f;  // no size broadening: reference width = fwhm / 2
        PlotSpecsRec ps = Specs(kPeakFunctionGaussian, 0, 100);
        ps.fwhm = 0.002f;
        ASSERT_TRUE(CalculateProfileForCrystal(xp.get(), &ps, 1000, 195, 205));
        const float height = Gaussian(1, 0, 0.001f, 0);
        EXPECT_GT(xp->plotBuffer[200], 0.45f * height) << centre;
        EXPECT_EQ(*std::max_element(xp->plotBuffer.begin() + 195, xp->plotBuffer.begin() + 206), xp->plotBuffer[200]);
    }
}

TEST(Profile, WidePeakUsesOneSampleAtThePixelsLeftEdge)
{
    auto xp = PeaksAt({ReflexionRec{1, 0, 0, 1, 2, 50.0f, 1.0f, 5.0f}});
    PlotSpecsRec ps = Specs(kPeakFunctionGaussian, 0, 100);
    ps.fwhm = 10;  // reference width 5: dx·8/w = 0.16, one sample
    ASSERT_TRUE(CalculateProfileForCrystal(xp.get(), &ps, 1000, 0, 999));
    EXPECT_FLOAT_EQ(xp->plotBuffer[500], Gaussian(1, 50, 5, 50.0f));
    EXPECT_FLOAT_EQ(xp->plotBuffer[510], Gaussian(1, 50, 5, 51.0f));
}

TEST(Profile, SecondWavelengthSplitsTwoThirdsToOneThird)
{
    InitVLGlobals();
    auto xp = CreateCrystal(PrefDataRec{});
    PlotSpecsRec ps = Specs(kPeakFunctionGaussian, 40, 50);
    ps.monochromatic = false;
    ps.lambda2 = 1.5444f;
    ps.lambdaRatio = 2;
    ps.fwhm = 0.01f;
    const float d = 2.0f;
    const float x1 = static_cast<float>(DSpacingToX(ps, d));
    xp->refs = {ReflexionRec{1, 0, 0, 1, d, x1, 1.0f, 0.005f}};
    ASSERT_TRUE(CalculateProfileForCrystal(xp.get(), &ps, 10000, 0, 9999));  // 0.001 per pixel
    PlotSpecsRec second = ps;
    second.lambda = ps.lambda2;
    const float x2 = static_cast<float>(DSpacingToX(second, d));
    auto at = [&](float x) { return xp->plotBuffer[static_cast<std::size_t>((x - 40) / 0.001f)]; };
    const double ratio = at(x1) / at(x2);
    EXPECT_NEAR(ratio, 2.0, 0.1);
    const double total = std::accumulate(xp->plotBuffer.begin(), xp->plotBuffer.end(), 0.0) * 0.001;
    EXPECT_NEAR(total, 1.0, 0.02);
}

TEST(Profile, CalculateProfilesFillsOnlyTheVisiblePixelsOfPlottedCrystals)
{
    ASSERT_TRUE(LoadShippedScatteringTable());
    auto doc = CreateWindowInfo(PrefDataRec{});
    CrystalDataRec* xp = AddCrystalToDocument(doc.get(), MakeRockSalt(), "NaCl");
    JustDiffract(doc.get(), xp, nullptr);
    CalculateProfiles(doc.get(), 0, 0, Rect{0, 0, 300, 500}, false);
    EXPECT_TRUE(xp->plotBuffer.empty());  // nothing at all when the last point is 0
    CalculateProfiles(doc.get(), -5, 10000, Rect{0, 0, 300, 500}, false);
    EXPECT_EQ(xp->nBufferPts(), 500);
    // The strongest pixel is where the strongest reflexion is.
    const auto top = std::max_element(xp->plotBuffer.begin(), xp->plotBuffer.end()) - xp->plotBuffer.begin();
    const ReflexionRec* strongest = &xp->refs[0];
    for (const ReflexionRec& r : xp->refs)
        if (r.inty > strongest->inty && r.tth < 80)
            strongest = &r;
    const double dx = (80.0 - 0.0) / 500;
    EXPECT_NEAR(top * dx, strongest->tth, 2 * dx);
}

TEST(Profile, BackgroundCTermIsLeftOutAtAndBelowZero)
{
    auto xp = CreateCrystal(PrefDataRec{});
    xp->yOffset = 2;
    xp->baseCoefs[0] = 0.5f;
    xp->baseCoefs[1] = 3;
    EXPECT_FLOAT_EQ(Baseline(xp.get(), 2), 2 + 1 + 1.5f);
    EXPECT_FLOAT_EQ(Baseline(xp.get(), 0), 2);
    EXPECT_FLOAT_EQ(Baseline(xp.get(), -2), 1);
    EXPECT_TRUE(std::isfinite(Baseline(xp.get(), 1e-40f)));
}

TEST(Profile, BackgroundWithoutCTermHasNoDivision)
{
    CrystalDataRec xp;
    xp.yOffset = 3;
    xp.baseCoefs[0] = 2;
    EXPECT_FLOAT_EQ(Baseline(&xp, 0), 3.0f);
    EXPECT_FLOAT_EQ(Baseline(&xp, 5), 13.0f);
    xp.baseCoefs[1] = 10;
    EXPECT_FLOAT_EQ(Baseline(&xp, 5), 15.0f);
}

TEST(Profile, PeakAreaToHeight)
{
    PlotSpecsRec ps = gFactoryPrefs.plotSpecs;
    ps.fwhm = 0.2f;
    ps.plotType = kPeakFunctionLorentzian;
    EXPECT_NEAR(PeakArea2Height(&ps), 2 / (M_PI * 0.2), 1e-4);
    ps.plotType = kPeakFunctionGaussian;
    EXPECT_NEAR(PeakArea2Height(&ps), 2 * std::sqrt(std::log(2.0) / M_PI) / 0.2, 1e-4);
    ps.plotType = -kPeakFunctionGaussian;  // films fall to the last case
    EXPECT_EQ(PeakArea2Height(&ps), 1.0f);
}

TEST(Profile, MixtureFractionsRebalance)
{
    auto doc = CreateWindowInfo(PrefDataRec{});
    CrystalDataRec* x1 = AddCrystalToDocument(doc.get(), MakeRockSalt(), "A");
    CrystalDataRec* x2 = AddCrystalToDocument(doc.get(), MakeRockSalt(), "B");
    CrystalDataRec* x3 = AddCrystalToDocument(doc.get(), MakeRockSalt(), "C");
    EqualizePhaseProportions(doc.get());
    EXPECT_FLOAT_EQ(x1->volFrac, 1.0f / 3);
    AdjustMixtureFractions(doc.get(), 0, 0.5f);
    EXPECT_FLOAT_EQ(x1->volFrac, 0.5f);
    EXPECT_NEAR(x2->volFrac, 0.25f, 1e-6);
    EXPECT_NEAR(x3->volFrac, 0.25f, 1e-6);
    AdjustMixtureFractions(doc.get(), 0, 0.2f);
    EXPECT_NEAR(x2->volFrac, 0.4f, 1e-6);
    EXPECT_NEAR(x3->volFrac, 0.4f, 1e-6);
    AdjustMixtureFractions(doc.get(), 7, 0.9f);  // no such crystal: nothing happens
    EXPECT_NEAR(x1->volFrac, 0.2f, 1e-6);
}

TEST(Profile, ZeroInstrumentWidthNeverDividesByZero)
{
    auto xp = PeaksAt({ReflexionRec{1, 0, 0, 1, 2, 30.0f, 1.0f, 0.0001f}});
    PlotSpecsRec ps = Specs(kPeakFunctionGaussian, 0, 80);
    ps.fwhm = 0;
    ps.axisType = kAxisDSpacing;
    ASSERT_TRUE(CalculateProfileForCrystal(xp.get(), &ps, 800, 0, 799));
    for (float v : xp->plotBuffer)
        EXPECT_TRUE(std::isfinite(v));
}

// A profile large enough to be shared among threads gives, column for column, the numbers of one
// thread, whatever the columns asked for.
TEST(Profile, ProfileOnSeveralThreadsEqualsOneThread)
{
    InitVLGlobals();
    auto xp = CreateCrystal(PrefDataRec{});
    // 3000 lines crowded towards low angles, so that runs of columns differ in cost.
    for (int i = 0; i < 3000; ++i) {
        const float x = 5.0f + 75.0f * std::pow(i / 3000.0f, 2.0f);
        xp->refs.push_back(ReflexionRec{1, 0, 0, 2, 1.0f, x, 1.0f + static_cast<float>(i % 7), 0.04f});
    }
    PlotSpecsRec ps = Specs(kPeakFunctionPseudoVoigt, 5, 80);
    ps.eta = 0.5f;
    ps.fwhm = 0.08f;
    ps.monochromatic = false;
    ps.lambdaRatio = 2;
    xp->particleSize = 1e9f;
    const int previous = EngineThreadCount();
    const struct {
        AtomIndex first, last;
    } ranges[] = {{0, 1199}, {0, 0}, {17, 18}, {300, 1199}, {1199, 1199}};
    for (const auto& r : ranges) {
        SetEngineThreadCount(1);
        ASSERT_TRUE(CalculateProfileForCrystal(xp.get(), &ps, 1200, r.first, r.last));
        const std::vector<Float32> one = xp->plotBuffer;
        std::fill(xp->plotBuffer.begin(), xp->plotBuffer.end(), -1.0f);
        SetEngineThreadCount(2);
        ASSERT_TRUE(CalculateProfileForCrystal(xp.get(), &ps, 1200, r.first, r.last));
        for (AtomIndex i = r.first; i <= r.last; ++i) {
            ASSERT_EQ(xp->plotBuffer[static_cast<std::size_t>(i)], one[static_cast<std::size_t>(i)]) << "column " << i;
        }
        // Columns outside the range asked for are left alone.
        if (r.first > 0) {
            EXPECT_EQ(xp->plotBuffer[static_cast<std::size_t>(r.first - 1)], -1.0f);
        }
    }
    SetEngineThreadCount(previous);
}

// The shapes away from their maxima, against the closed forms written out by hand:
// Lorentzian I/(πw(1 + u²)), Gaussian I√(ln2/π)/w · exp(−ln2·u²), u = (x − x0)/w, and the
// pseudo-Voigt's η on the Lorentzian part.
TEST(Profile, ShapeValuesAwayFromTheMaximumMatchTheirFormulas)
{
    const double I = 50, w = 0.08f, x0 = 30;
    const double ln2 = std::log(2.0);
    for (double step : {0.0, 0.5, 1.0, 2.0, 3.5, 7.0}) {
        const float xf = static_cast<float>(x0 + step * w);
        const double u = (xf - x0) / w;  // of the point as it is passed
        const double lorentz = I / (kPi * w * (1 + u * u));
        const double gauss = I * std::sqrt(ln2 / kPi) / w * std::exp(-ln2 * u * u);
        EXPECT_NEAR(GetProfileIntensityAtPoint(xf, 30.0f, 50.0f, 0.08f, kPeakFunctionLorentzian, 0), lorentz,
                    2e-6 * lorentz + 1e-9)
            << "u = " << u;
        EXPECT_NEAR(GetProfileIntensityAtPoint(xf, 30.0f, 50.0f, 0.08f, kPeakFunctionGaussian, 0), gauss,
                    2e-5 * gauss + 1e-9)
            << "u = " << u;
        for (double eta : {0.0, 0.25, 1.0}) {
            const double voigt = eta * lorentz + (1 - eta) * gauss;
            EXPECT_NEAR(GetProfileIntensityAtPoint(xf, 30.0f, 50.0f, 0.08f, kPeakFunctionPseudoVoigt,
                                                   static_cast<float>(eta)),
                        voigt, 2e-5 * voigt + 1e-9)
                << "u = " << u << ", eta = " << eta;
        }
    }
}

// A peak reaches 40 half widths with Lorentzian tails, 2(15η + 5) with the pseudo-Voigt, and no
// further: a point just inside has the shape's value, one just outside nothing.
TEST(Profile, EachPeakStopsAtItsCutOffRange)
{
    struct Row {
        SInt16 shape;
        float eta;
        double reach;  // half widths
    };
    const double w = 0.05, x0 = 40, step = 0.001;
    for (const Row& row : {Row{kPeakFunctionLorentzian, 0.5f, 40}, Row{kPeakFunctionPseudoVoigt, 0.5f, 25},
                           Row{kPeakFunctionPseudoVoigt, 1.0f, 40}, Row{kPeakFunctionPseudoVoigt, 0.2f, 16}}) {
        auto xp = PeaksAt({ReflexionRec{1, 0, 0, 1, 2.0f, static_cast<float>(x0), 10.0f, static_cast<float>(w)}});
        PlotSpecsRec ps = Specs(row.shape, 30, 50);
        ps.eta = row.eta;
        ps.monochromatic = true;
        const double edge = x0 + row.reach * w;
        const double inside = edge - 3 * step, outside = edge + 3 * step;
        const std::vector<Float32> y = ProfileAtPoints(xp.get(), &ps, inside, outside - inside, 2);
        ASSERT_EQ(y.size(), 2u);
        const double expected = GetProfileIntensityAtPoint(static_cast<float>(inside), static_cast<float>(x0), 10.0f,
                                                           static_cast<float>(w), row.shape, row.eta);
        EXPECT_GT(expected, 0);
        EXPECT_NEAR(y[0], expected, 1e-6 * expected) << row.shape << " eta " << row.eta;
        EXPECT_EQ(y[1], 0.0f) << row.shape << " eta " << row.eta;
    }
}
