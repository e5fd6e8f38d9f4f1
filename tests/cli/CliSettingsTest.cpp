// The command line's settings: options parsed as a shell passes them, applied to a document, and
// checked against the values the desktop program's settings would store.
#include "CliSettings.h"

#include "Constants.h"
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "engine/TestSupport.h"

#include <CLI/CLI.hpp>
#include <gtest/gtest.h>

#include <cmath>

namespace {


class CliSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadShippedScatteringTable());
        gPrefs = gFactoryPrefs;
        ResetGlobalPlotLimits(gPrefs.plotSpecs);
        doc = CreateWindowInfo(gPrefs);
    }
    // Parses the options and applies the window settings, then the sample settings.
    std::string Apply(const std::string& options)
    {
        CLI::App app;
        SimulationSettings s;
        AddSettingOptions(app, s);
        app.parse(options);
        std::string error = ApplyInstrumentSettings(doc.get(), s);
        return error.empty() ? ApplySampleSettings(doc.get(), s) : error;
    }
    CrystalDataRec* AddRockSalt(const char* name)
    {
        CrystalDataRec* xp = AddCrystalToDocument(doc.get(), MakeRockSalt(), name);
        JustDiffract(doc.get(), xp, nullptr);
        return xp;
    }
    std::unique_ptr<WinInfoRec> doc;
};

}  // namespace

TEST_F(CliSettingsTest, DetectorSettingsReachTheirAxes)
{
    ASSERT_EQ(Apply("--axis tof --detector-2theta 90 --path 10"), "");
    EXPECT_EQ(doc->plotSpecs.axisType, kAxisTimeOfFlight);
    EXPECT_NEAR(doc->plotSpecs.thetaTimeOfFlight, kPi / 4, 1e-6);  // θ in radians, half of 2θ
    EXPECT_FLOAT_EQ(doc->plotSpecs.distanceTimeOfFlight, 10);

    ASSERT_EQ(Apply("--axis energy --detector-2theta 12"), "");
    EXPECT_EQ(doc->plotSpecs.axisType, kAxisEnergy);
    EXPECT_NEAR(doc->plotSpecs.thetaEnergy, 6 * kPi / 180, 1e-6);
}

// A session opened on a time-of-flight axis takes a new flight path without naming the axis.
TEST_F(CliSettingsTest, PathAloneOnATofDocumentKeepsItsDetector)
{
    ASSERT_EQ(Apply("--axis tof --detector-2theta 150"), "");
    ASSERT_EQ(Apply("--path 12.5"), "");
    EXPECT_EQ(doc->plotSpecs.axisType, kAxisTimeOfFlight);
    EXPECT_FLOAT_EQ(doc->plotSpecs.distanceTimeOfFlight, 12.5f);
    EXPECT_NEAR(doc->plotSpecs.thetaTimeOfFlight, 75 * kPi / 180, 1e-5);
}

// An axis change rescales the old width to the new range; the width given must not be rescaled.
TEST_F(CliSettingsTest, FwhmIsInUnitsOfTheChosenAxis)
{
    ASSERT_EQ(Apply("--axis d --fwhm 0.01"), "");
    EXPECT_FLOAT_EQ(doc->plotSpecs.fwhm, 0.01f);
}

// The desktop program's peak-function menu keeps the film mode of a document (a session).
TEST_F(CliSettingsTest, PeakFunctionKeepsFilmMode)
{
    doc->plotSpecs.plotType = -kPeakFunctionGaussian;
    ASSERT_EQ(Apply("--peak lorentzian"), "");
    EXPECT_EQ(doc->plotSpecs.plotType, -kPeakFunctionLorentzian);
    ASSERT_EQ(Apply("--graph"), "");
    EXPECT_EQ(doc->plotSpecs.plotType, kPeakFunctionLorentzian);
    ASSERT_EQ(Apply("--film --peak Pseudo-Voigt"), "");
    EXPECT_EQ(doc->plotSpecs.plotType, -kPeakFunctionPseudoVoigt);
}

// Switches not given leave the document's own choice (from a session) alone.
TEST_F(CliSettingsTest, SwitchesNotGivenKeepTheDocumentsChoice)
{
    doc->plotSpecs.plotMixture = true;
    doc->plotSpecs.showResidual = true;
    doc->plotSpecs.monochromatic = false;
    doc->plotSpecs.anomalous = true;
    ASSERT_EQ(Apply("--overlay filled"), "");
    EXPECT_TRUE(doc->plotSpecs.anomalous);
    EXPECT_TRUE(doc->plotSpecs.plotMixture);
    EXPECT_TRUE(doc->plotSpecs.showResidual);
    EXPECT_FALSE(doc->plotSpecs.monochromatic);
    EXPECT_EQ(doc->plotSpecs.overlayPeakStyle, kOverlayPeaksFilled);
    ASSERT_EQ(Apply("--no-mixture --no-residual --mono --no-anomalous"), "");
    EXPECT_FALSE(doc->plotSpecs.anomalous);
    ASSERT_EQ(Apply("--anomalous"), "");
    EXPECT_TRUE(doc->plotSpecs.anomalous);
    ASSERT_EQ(Apply("--no-mixture --no-residual --mono"), "");
    EXPECT_FALSE(doc->plotSpecs.plotMixture);
    EXPECT_FALSE(doc->plotSpecs.showResidual);
    EXPECT_TRUE(doc->plotSpecs.monochromatic);
}

TEST_F(CliSettingsTest, WavelengthsAndLimits)
{
    ASSERT_EQ(Apply("--preset cuka --lambda2 1.6 --ratio 1.5 --radiation NEUTRON --dmin 0.8 --max-refs all"), "");
    const PlotSpecsRec& ps = doc->plotSpecs;
    EXPECT_FLOAT_EQ(ps.lambda, 1.5406f);
    EXPECT_FLOAT_EQ(ps.lambda2, 1.6f);
    EXPECT_FALSE(ps.monochromatic);  // a second wavelength given is used
    EXPECT_FLOAT_EQ(ps.lambdaRatio, 1.5f);
    EXPECT_EQ(ps.radType, kRadiationNeutrons);
    EXPECT_FLOAT_EQ(ps.dMin, 0.8f);
    EXPECT_FALSE(ps.restrictNumRefs);

    ASSERT_EQ(Apply("--lambda2 1.6 --mono --max-refs 250 --xrange 10:60 --channel 0.02"), "");
    EXPECT_TRUE(ps.monochromatic);
    EXPECT_TRUE(ps.restrictNumRefs);
    EXPECT_EQ(ps.maxNumRefs, 250u);
    EXPECT_FLOAT_EQ(ps.xmin, 10);
    EXPECT_FLOAT_EQ(ps.xmax, 60);
    EXPECT_FLOAT_EQ(ps.exportChannelSize, 0.02f);
}

TEST_F(CliSettingsTest, SettingsOutsideTheSheetsLimitsAreRefused)
{
    struct Case {
        const char* options;
        const char* message;
    };
    const Case cases[] = {
        {"--axis d --path 3", "--path goes with --axis tof"},
        {"--detector-2theta 90", "--detector-2theta goes with"},
        {"--axis energy --detector-2theta 180.5", "below 180"},
        {"--axis energy --detector-2theta 0", "above 0"},
        {"--axis energy --detector-2theta 180", "below 180"},
        {"--axis tof --detector-2theta 0", "above 0"},
        {"--axis tof --path 0", "above 0"},
        {"--eta 1.01", "--eta"},
        {"--xrange 60:10", "LO below HI"},
        {"--xrange 5:181", "within 0 and 180"},
        {"--xrange 5-80", "LO:HI"},
        {"--max-refs 0", "--max-refs"},
        {"--max-refs 12.5", "--max-refs"},
        {"--max-refs many", "--max-refs"},
        {"--lambda 0", "--lambda "},
        {"--lambda inf", "--lambda "},
        {"--lambda2 -1", "--lambda2"},
        {"--ratio -0.5", "--ratio"},
        {"--fwhm 0", "--fwhm"},
        {"--dmin -1", "--dmin"},
        {"--channel 0.001", "--channel"},  // 75000 points over 5 to 80 degrees
        {"--channel 40", "--channel"},     // 1 point
        {"--size 0", "--size"},
        {"--strain -1", "--strain"},
        {"--fractions 1,,2", "--fractions"},
        {"--fractions 1,-1", "--fractions"},
        {"--fractions 0,0", "--fractions"},
    };
    for (const Case& c : cases) {
        SetUp();
        const std::string error = Apply(c.options);
        EXPECT_NE(error.find(c.message), std::string::npos) << c.options << " gave \"" << error << "\"";
    }
}

// On the command line every crystal is meant, whatever the desktop program's selection.
TEST_F(CliSettingsTest, SampleSettingsReachEveryCrystal)
{
    CrystalDataRec* a = AddRockSalt("a");
    CrystalDataRec* b = AddRockSalt("b");
    doc->plotList[1]->selected = false;
    ASSERT_EQ(Apply("--size 0.01 --strain 150 --fractions 3,1 --labels"), "");
    for (const CrystalDataRec* xp : {a, b}) {
        EXPECT_FLOAT_EQ(xp->particleSize, 100);  // 0.01 µm in Å
        EXPECT_FLOAT_EQ(xp->strain, 1.0f);       // clamped to 100 %
        EXPECT_TRUE(xp->showLabel);
    }
    EXPECT_FLOAT_EQ(a->volFrac, 0.75f);
    EXPECT_FLOAT_EQ(b->volFrac, 0.25f);

    EXPECT_NE(Apply("--fractions 1").find("each of the 2 crystals"), std::string::npos);
}

TEST_F(CliSettingsTest, BackgroundZeroAndDisplacementReachEveryCrystal)
{
    CrystalDataRec* a = AddRockSalt("a");
    CrystalDataRec* b = AddRockSalt("b");
    const float before = a->refs[0].tth;
    ASSERT_EQ(Apply("--background 10,-0.05,120 --zero 0.02 --displacement 0.1 --radius 200"), "");
    for (const CrystalDataRec* xp : {a, b}) {
        EXPECT_FLOAT_EQ(xp->yOffset, 10);
        EXPECT_FLOAT_EQ(xp->baseCoefs[0], -0.05f);
        EXPECT_FLOAT_EQ(xp->baseCoefs[1], 120);
        EXPECT_FLOAT_EQ(xp->xOffset, 0.02f);
    }
    EXPECT_FLOAT_EQ(doc->plotSpecs.specimenDisplacement, 0.1f);
    EXPECT_FLOAT_EQ(doc->plotSpecs.goniometerRadius, 200);
    const double theta = (before * kPi / 360);
    EXPECT_NEAR(a->refs[0].tth, before + 0.02 - 0.2 * std::cos(theta) / 200 * 180 / kPi, 1e-4);

    SetUp();
    EXPECT_NE(Apply("--background 1,x").find("--background"), std::string::npos);
    EXPECT_NE(Apply("--background 1,2,3,4").find("--background"), std::string::npos);
    EXPECT_NE(Apply("--radius 0").find("--radius"), std::string::npos);
    EXPECT_NE(Apply("--displacement 80").find("--displacement"), std::string::npos);
}

TEST(CliSettingsParse, RangesAndFractions)
{
    double lo = 0, hi = 0;
    EXPECT_TRUE(ParseRange(" 10.5 : 60", &lo, &hi));
    EXPECT_DOUBLE_EQ(lo, 10.5);
    EXPECT_DOUBLE_EQ(hi, 60);
    EXPECT_TRUE(ParseRange("-1:1e1", &lo, &hi));
    EXPECT_DOUBLE_EQ(hi, 10);
    for (const char* bad : {"", ":", "5", "5:", ":5", "5:x", "5:80:90", "nan:5", "1,5:8"})
        EXPECT_FALSE(ParseRange(bad, &lo, &hi)) << bad;

    std::vector<double> f;
    ASSERT_TRUE(ParseFractions("2, 1, 1", &f));
    ASSERT_EQ(f.size(), 3u);
    EXPECT_DOUBLE_EQ(f[0], 0.5);
    EXPECT_DOUBLE_EQ(f[2], 0.25);
    ASSERT_TRUE(ParseFractions("0,1", &f));
    EXPECT_DOUBLE_EQ(f[0], 0);
    for (const char* bad : {"", ",", "1,", "a", "1;2", "-0.5,1.5", "1e400"})
        EXPECT_FALSE(ParseFractions(bad, &f)) << bad;
}
