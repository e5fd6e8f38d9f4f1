// Radiation, axis and peak-shape settings: range carry-over, clamps, recomputation requests and
// the value sheets' fields.
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "Settings.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadShippedScatteringTable());
        gPrefs = gFactoryPrefs;
        doc = CreateWindowInfo(PrefDataRec{});
        doc->hooks = &hooks;
        doc->plotSpecs.xmin = 5;
        doc->plotSpecs.xmax = 80;
    }
    CrystalDataRec* AddRockSalt()
    {
        CrystalDataRec* xp = AddCrystalToDocument(doc.get(), MakeRockSalt(), "NaCl");
        JustDiffract(doc.get(), xp, nullptr);
        return xp;
    }
    std::unique_ptr<WinInfoRec> doc;
    RecordingHooks hooks;
};

}  // namespace

TEST_F(SettingsTest, TwoThetaRangeCarriesOverToDSpacing)
{
    doc->plotSpecs.lambda = 1.5406f;
    DoAxisType(doc.get(), kAxisDSpacing);
    // d = λ / (2 sin θ) at 80° and 5°.
    EXPECT_NEAR(doc->plotSpecs.xmin, 1.5406 / (2 * std::sin(40 * M_PI / 180)), 1e-3);
    EXPECT_NEAR(doc->plotSpecs.xmax, 1.5406 / (2 * std::sin(2.5 * M_PI / 180)), 1e-2);
    EXPECT_NEAR(doc->plotSpecs.xmin, 1.199, 1e-3);
    EXPECT_NEAR(doc->plotSpecs.xmax, 17.67, 2e-2);
    EXPECT_EQ(doc->plotSpecs.axisType, kAxisDSpacing);
    EXPECT_EQ(doc->plotSpecs.xmaxLimit, 100.0f);
    // The peak width keeps its share of the visible range: 0.1 of 75 degrees.
    EXPECT_NEAR(doc->plotSpecs.fwhm, (17.67 - 1.199) * 0.1 / 75, 1e-4);
    // Without crystals only the drawing is redone, not a diffraction.
    EXPECT_EQ(hooks.recalcRedraws, 0);
    EXPECT_EQ(hooks.redraws, 1);

    // And back again.
    DoAxisType(doc.get(), kAxisTwoTheta);
    EXPECT_NEAR(doc->plotSpecs.xmin, 5, 1e-2);
    EXPECT_NEAR(doc->plotSpecs.xmax, 80, 1e-2);
}

TEST_F(SettingsTest, ReversedRangeFirstRestoresTheDefaultView)
{
    doc->plotSpecs.xmin = 50;
    doc->plotSpecs.xmax = 50;
    DoAxisType(doc.get(), kAxisReciprocalD);
    // From the 2θ default 5–80°: 1/d from 2 sin θ / λ.
    EXPECT_NEAR(doc->plotSpecs.xmin, 2 * std::sin(2.5 * M_PI / 180) / 1.5405, 1e-4);
    EXPECT_NEAR(doc->plotSpecs.xmax, 2 * std::sin(40 * M_PI / 180) / 1.5405, 1e-4);
}

TEST_F(SettingsTest, AxisChangeWithACrystalRediffractsAndPlacesPeaks)
{
    CrystalDataRec* xp = AddRockSalt();
    DoTOFOptions(doc.get(), 150, 12.5f);
    EXPECT_EQ(doc->plotSpecs.axisType, kAxisTimeOfFlight);
    EXPECT_NEAR(doc->plotSpecs.thetaTimeOfFlight, 75 * M_PI / 180, 1e-6);
    const ReflexionRec& r = xp->refs[0];
    EXPECT_NEAR(r.tth, 2 * r.dsp * 12.5 * 0.2527776 * std::sin(75 * M_PI / 180), 1e-3);
    EXPECT_GE(hooks.recalcRedraws, 1);
    EXPECT_GE(hooks.parameterLists, 1);
    DoEnergyOptions(doc.get(), 20);
    EXPECT_EQ(doc->plotSpecs.axisType, kAxisEnergy);
    EXPECT_NEAR(xp->refs[0].tth, 6.1993 / (xp->refs[0].dsp * std::sin(10 * M_PI / 180)), 1e-3);
}

TEST_F(SettingsTest, PeakFunctionKeepsFilmMode)
{
    DoPeakFunction(doc.get(), kPeakFunctionLorentzian);  // no crystal: nothing happens
    EXPECT_EQ(doc->plotSpecs.plotType, kPeakFunctionGaussian);
    AddRockSalt();
    doc->plotSpecs.plotType = -kPeakFunctionGaussian;
    DoPeakFunction(doc.get(), kPeakFunctionPseudoVoigt);
    EXPECT_EQ(doc->plotSpecs.plotType, -kPeakFunctionPseudoVoigt);
    doc->plotSpecs.plotType = kPeakFunctionGaussian;
    DoPeakFunction(doc.get(), kPeakFunctionDelta);
    EXPECT_EQ(doc->plotSpecs.plotType, kPeakFunctionDelta);
}

TEST_F(SettingsTest, RadiationToggleRecalculates)
{
    CrystalDataRec* xp = AddRockSalt();
    const Float32 xrayRatio = xp->refs[0].inty / xp->refs[1].inty;
    ToggleRadiation(doc.get());
    EXPECT_EQ(doc->plotSpecs.radType, kRadiationNeutrons);
    EXPECT_NE(xp->refs[0].inty / xp->refs[1].inty, xrayRatio);
    EXPECT_FALSE(doc->autoScaleY);
    ToggleRadiation(doc.get());
    EXPECT_EQ(doc->plotSpecs.radType, kRadiationXRays);
}

TEST_F(SettingsTest, WavelengthMovesPeaksWithoutRecomputingIntensities)
{
    CrystalDataRec* xp = AddRockSalt();
    const Float32 inty = xp->refs[0].inty;
    DoWavelength(doc.get(), 0.70926f, 0.71354f, -1, true);
    EXPECT_FLOAT_EQ(doc->plotSpecs.lambda, 0.70926f);
    EXPECT_FLOAT_EQ(doc->plotSpecs.lambdaRatio, 2.0f);  // a negative ratio is not stored
    EXPECT_NEAR(xp->refs[0].tth, std::asin(0.70926 / (2 * xp->refs[0].dsp)) * 360 / M_PI, 1e-3);
    EXPECT_EQ(xp->refs[0].inty, inty);
    // So long a wavelength that the smallest d cannot diffract: placed beyond the plotted world.
    DoWavelength(doc.get(), 3.0f, 3.0f, 1, true);
    EXPECT_EQ(xp->refs.back().tth, doc->plotSpecs.xmaxLimit + 1);
    DoWavelength(doc.get(), 0.0f, -2.0f, 1, false);
    EXPECT_FLOAT_EQ(doc->plotSpecs.lambda, 0.0001f);
    EXPECT_FLOAT_EQ(doc->plotSpecs.lambda2, 0.0001f);
    EXPECT_FALSE(doc->plotSpecs.monochromatic);
    DoWavelength(doc.get(), NAN, 1.5f, 1, true);  // not a number: nothing changes
    EXPECT_FLOAT_EQ(doc->plotSpecs.lambda, 0.0001f);
}

TEST_F(SettingsTest, SampleSettingsClampAndReachOnlySelectedCrystals)
{
    CrystalDataRec* xp = AddRockSalt();
    CrystalDataRec* other = AddCrystalToDocument(doc.get(), MakeRockSalt(), "other");
    doc->fileList[1]->selected = false;
    ASSERT_FALSE(doc->fileList[1]->selected);
    DoParticleSize(doc.get(), 0.0005f);
    EXPECT_EQ(xp->particleSize, 10.0f);
    EXPECT_EQ(other->particleSize, gPrefs.particleSize);
    DoParticleSize(doc.get(), 2.5f);
    EXPECT_FLOAT_EQ(xp->particleSize, 25000.0f);
    EXPECT_FLOAT_EQ(CurrentParticleSizeMicrons(doc.get(), PrefDataRec{}), 2.5f);
    DoPercentStrain(doc.get(), 250);
    EXPECT_FLOAT_EQ(xp->strain, 1.0f);
    DoPercentStrain(doc.get(), -3);
    EXPECT_FLOAT_EQ(xp->strain, 0.0f);
    DoPercentStrain(doc.get(), 0.5f);
    EXPECT_FLOAT_EQ(CurrentPercentStrain(doc.get(), PrefDataRec{}), 0.5f);
    DoPeakEta(doc.get(), 1.5f);
    EXPECT_FLOAT_EQ(doc->plotSpecs.eta, 1.0f);
    DoPeakWidth(doc.get(), 0);
    EXPECT_FLOAT_EQ(doc->plotSpecs.fwhm, 0.0001f);
}

TEST_F(SettingsTest, SelectedCrystalsWithoutSelectionChangeNothing)
{
    CrystalDataRec* xp = AddRockSalt();
    doc->fileList[0]->selected = false;
    const int before = hooks.redraws;
    DoParticleSize(doc.get(), 3);
    EXPECT_EQ(xp->particleSize, gPrefs.particleSize);
    EXPECT_EQ(hooks.redraws, before);
}

TEST(SettingsLabels, PeakWidthUnits)
{
    EXPECT_EQ(PeakWidthUnitLabel(kAxisTwoTheta), "° 2-theta");
    EXPECT_EQ(PeakWidthUnitLabel(kAxisEnergy), "keV");
    EXPECT_EQ(PeakWidthUnitLabel(9), "cabbages");
    ASSERT_NE(FindWavelengthPreset("coka"), nullptr);
    EXPECT_FLOAT_EQ(FindWavelengthPreset("CoKa")->lambda1, 1.7889f);
    EXPECT_EQ(FindWavelengthPreset("AgKa"), nullptr);
}

struct StepCase {
    const SheetField* field;
    const char* text;
    bool up;
    double expected;  // NAN: the field does not read
};

class SheetSteps : public ::testing::TestWithParam<StepCase> {};

TEST_P(SheetSteps, ArrowsClampAndRewrite)
{
    const StepCase& c = GetParam();
    const auto v = StepSheetNumber(*c.field, c.text, c.up);
    if (std::isnan(c.expected))
        EXPECT_FALSE(v.has_value()) << c.text;
    else
        EXPECT_NEAR(v.value(), c.expected, 1e-9) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, SheetSteps,
    ::testing::Values(StepCase{&SheetFields::kPeakWidth, "0.05", false, 0.001}, StepCase{&SheetFields::kPeakWidth, "59.95", true, 60},
                      StepCase{&SheetFields::kPeakWidth, " 0.2 deg", true, 0.3},
                      StepCase{&SheetFields::kParticleSize, "0.0005", false, 0.0001},
                      StepCase{&SheetFields::kStrain, "100", true, 100}, StepCase{&SheetFields::kEta, "0.5", true, 0.501},
                      StepCase{&SheetFields::kDetectorTwoTheta, "-5", false, 0},
                      StepCase{&SheetFields::kFlightPath, "0.05", false, 0},
                      StepCase{&SheetFields::kEta, "abc", true, NAN}, StepCase{&SheetFields::kEta, "nan", true, NAN}));

TEST(SheetFieldsAccept, RangesAndFormats)
{
    EXPECT_TRUE(SheetAccepts(SheetFields::kEta, 0));
    EXPECT_TRUE(SheetAccepts(SheetFields::kEta, 1));
    EXPECT_FALSE(SheetAccepts(SheetFields::kEta, 1.0001));
    EXPECT_FALSE(SheetAccepts(SheetFields::kFlightPath, 0));
    EXPECT_TRUE(SheetAccepts(SheetFields::kFlightPath, 0.01));
    EXPECT_FALSE(SheetAccepts(SheetFields::kDetectorTwoTheta, 180.5));
    // A detector at 0° sees nothing diffracted; at 180° an energy-dispersive detector has no finite
    // Lorentz factor (a time-of-flight detector there is a backscattering bank).
    EXPECT_FALSE(SheetAccepts(SheetFields::kDetectorTwoTheta, 0));
    EXPECT_TRUE(SheetAccepts(SheetFields::kDetectorTwoTheta, 180));
    EXPECT_FALSE(SheetAccepts(SheetFields::kEnergyDetectorTwoTheta, 0));
    EXPECT_FALSE(SheetAccepts(SheetFields::kEnergyDetectorTwoTheta, 180));
    EXPECT_TRUE(SheetAccepts(SheetFields::kEnergyDetectorTwoTheta, 179.9));
    EXPECT_EQ(SheetAcceptedRangeText(SheetFields::kEnergyDetectorTwoTheta), "Enter a number above 0 and below 180.");
    EXPECT_EQ(SheetAcceptedRangeText(SheetFields::kDetectorTwoTheta), "Enter a number above 0 and up to 180.");
    EXPECT_EQ(SheetAcceptedRangeText(SheetFields::kEta), "Enter a number from 0 to 1.");
    EXPECT_EQ(SheetAcceptedRangeText(SheetFields::kFlightPath), "Enter a number above 0.");
    EXPECT_TRUE(SheetAccepts(SheetFields::kPeakWidth, 500));  // not checked on OK, clamped by the setter
    EXPECT_EQ(FormatSheetNumber(SheetFields::kWavelength, 1.5406), "1.54060");
    EXPECT_EQ(FormatSheetNumber(SheetFields::kStrain, 0.125), "0.12");
    EXPECT_EQ(ReadSheetNumber("1.5e2xyz").value(), 150.0);
}

// The old 2θ window converted to time of flight or energy is a sliver of those axes.
TEST_F(SettingsTest, TimeOfFlightAndEnergyOpenOnTheirWholeDefaultRange)
{
    AddRockSalt();
    doc->plotSpecs.xmin = 30, doc->plotSpecs.xmax = 35;
    for (SInt16 axis : {kAxisTimeOfFlight, kAxisEnergy}) {
        DoAxisType(doc.get(), kAxisTwoTheta);
        doc->plotSpecs.xmin = 30, doc->plotSpecs.xmax = 35;
        DoAxisType(doc.get(), axis);
        Float32 lo, hi;
        GetPlotLimitsForAxisType(axis, &lo, &hi, nullptr, nullptr);
        EXPECT_FLOAT_EQ(doc->plotSpecs.xmin, lo) << axis;
        EXPECT_FLOAT_EQ(doc->plotSpecs.xmax, hi) << axis;
    }
}

TEST_F(SettingsTest, ChangesOfThePictureRefitTheIntensityAxisUnlessScaledByHand)
{
    AddRockSalt();
    const struct {
        const char* what;
        void (*change)(WinInfoRec*);
    } changes[] = {
        {"wavelength", [](WinInfoRec* w) { DoWavelength(w, 1.2f, 1.21f, 2.0f, true); }},
        {"peak shape", [](WinInfoRec* w) { DoPeakFunction(w, kPeakFunctionDelta); }},
        {"radiation", [](WinInfoRec* w) { ToggleRadiation(w); }},
        {"axis", [](WinInfoRec* w) { DoAxisType(w, kAxisDSpacing); }},
    };
    for (const auto& c : changes) {
        doc->yRangeByHand = false;
        int before = hooks.autoScaledRedraws;
        c.change(doc.get());
        EXPECT_GT(hooks.autoScaledRedraws, before) << c.what;
        doc->yRangeByHand = true;
        before = hooks.autoScaledRedraws;
        c.change(doc.get());
        EXPECT_EQ(hooks.autoScaledRedraws, before) << c.what;
    }
    // Recalculate asked for by name fits it whatever was set.
    DoRecalculate(doc.get());
    EXPECT_FALSE(doc->yRangeByHand);
}
