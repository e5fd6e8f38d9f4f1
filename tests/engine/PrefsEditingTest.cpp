// The preferences window's rules: pop-up tables, the number pop-ups, and reading the controls
// back (each rule, refused values keeping the stored one, untouched controls keeping exact values).
#include "FileTestSupport.h"
#include "PrefsEditing.h"
#include "PrefsFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

namespace {

ByteVector Written(const PrefDataRec& p)
{
    FileHandle file(std::tmpfile());
    EXPECT_EQ(WritePrefsStream(file.get(), p, true), kNoErr);
    return StreamBytes(file.get());
}

// Values that no format of the window shows exactly.
PrefDataRec AwkwardPrefs()
{
    PrefDataRec p;
    p.plotSpecs.thetaTimeOfFlight = 1.2345678f;
    p.plotSpecs.lambda = 1.54056f;
    p.plotSpecs.eta = 0.33333f;
    p.plotSpecs.plotType = -2;
    p.plotSpecs.overlayPeakStyle = 3;
    p.particleSize = 12345.67f;
    p.strain = 0.0012345f;
    p.crystalLineWidth = 1.5f;  // no item of the pop-up
    p.datasetMarkerSize = 7;    // nor this
    p.plotSpecs.residualPlotStyle = 2;
    p.plotSpecs.crystalMixLineStyle = kLineStyleDashed;
    return p;
}

}  // namespace

TEST(PrefsEditing, MenuTablesGiveTheFirstPositionOfACode)
{
    EXPECT_EQ(MenuPositionOfCode(gPlotStyleMenuItems, kPlotStyleLine), 1);
    EXPECT_EQ(MenuPositionOfCode(gPlotStyleMenuItems, kPlotStyleDots), 5);  // not the repeat at 6
    EXPECT_EQ(MenuPositionOfCode(gPlotStyleMenuItems, kPlotStyleLineSquares), 10);
    EXPECT_EQ(MenuPositionOfCode(gAxisMenuItems, kAxisTwoTheta), 1);
    EXPECT_EQ(MenuPositionOfCode(gRadiationMenuItems, 3), 0);
    int code = -1;
    EXPECT_TRUE(MenuCodeAtPosition(gPlotStyleMenuItems, 6, &code));
    EXPECT_EQ(code, kPlotStyleDots);
    EXPECT_FALSE(MenuCodeAtPosition(gPlotStyleMenuItems, 0, &code));
    EXPECT_FALSE(MenuCodeAtPosition(gPlotStyleMenuItems, 11, &code));
}

TEST(PrefsEditing, NumberPopupsMatchWholeValuesAndEndInAutomatic)
{
    const auto& markers = MarkerSizeItems();
    const int last = static_cast<int>(markers.size());
    EXPECT_EQ(NumberPopupPositionOfValue(markers, 0), last);
    EXPECT_EQ(NumberPopupPositionOfValue(markers, 3.7), 3);  // "3 pt", the value truncated
    EXPECT_EQ(NumberPopupPositionOfValue(markers, 7), 0);    // no item
    double v = -1;
    EXPECT_TRUE(NumberPopupValueAt(markers, 3, &v));
    EXPECT_EQ(v, 3);
    EXPECT_TRUE(NumberPopupValueAt(markers, last, &v));  // "Automatic"
    EXPECT_EQ(v, 0);
    EXPECT_FALSE(NumberPopupValueAt(markers, last + 1, &v));
    EXPECT_FALSE(NumberPopupValueAt(markers, 0, &v));
}

TEST(PrefsEditing, AnUntouchedFormGivesBackEveryValueExactly)
{
    const PrefDataRec p = AwkwardPrefs();
    PrefDataRec read = gFactoryPrefs;
    ExtractPrefsForm(InitPrefsForm(p), p, &read);
    EXPECT_EQ(Written(read), Written(p));
}

TEST(PrefsEditing, AFormFilledFromTheFactoryGivesTheFactoryValues)
{
    PrefDataRec read = AwkwardPrefs();
    ExtractPrefsForm(InitPrefsForm(gFactoryPrefs), gFactoryPrefs, &read);
    EXPECT_EQ(Written(read), Written(gFactoryPrefs));
}

struct FieldRow {
    const char* what;
    std::function<void(PrefsFormRec&)> edit;
    std::function<void(const PrefDataRec& before, const PrefDataRec& after)> expect;
};

class PrefsFieldRule : public ::testing::TestWithParam<FieldRow> {};

TEST_P(PrefsFieldRule, ReadsAsTheRuleSays)
{
    const PrefDataRec before = AwkwardPrefs();
    PrefsFormRec form = InitPrefsForm(before);
    GetParam().edit(form);
    PrefDataRec after = before;
    ExtractPrefsForm(form, before, &after);
    GetParam().expect(before, after);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PrefsFieldRule,
    ::testing::Values(
        FieldRow{"ZeroWavelengthKeepsThePrevious", [](PrefsFormRec& f) { f.lambda = "0"; },
                 [](const PrefDataRec& b, const PrefDataRec& a) { EXPECT_EQ(a.plotSpecs.lambda, b.plotSpecs.lambda); }},
        FieldRow{"TextThatIsNoNumberKeepsThePrevious", [](PrefsFormRec& f) { f.lambda2 = "abc"; },
                 [](const PrefDataRec& b, const PrefDataRec& a) { EXPECT_EQ(a.plotSpecs.lambda2, b.plotSpecs.lambda2); }},
        FieldRow{"NewWavelength", [](PrefsFormRec& f) { f.lambda = "0.7093"; },
                 [](const PrefDataRec&, const PrefDataRec& a) { EXPECT_FLOAT_EQ(a.plotSpecs.lambda, 0.7093f); }},
        FieldRow{"AngleOf400KeepsThePrevious", [](PrefsFormRec& f) { f.thetaTimeOfFlight = "400"; },
                 [](const PrefDataRec& b, const PrefDataRec& a) {
                     EXPECT_EQ(a.plotSpecs.thetaTimeOfFlight, b.plotSpecs.thetaTimeOfFlight);
                 }},
        FieldRow{"AngleOf45IsStoredAsAQuarterPi", [](PrefsFormRec& f) { f.thetaEnergy = "45"; },
                 [](const PrefDataRec&, const PrefDataRec& a) {
                     EXPECT_FLOAT_EQ(a.plotSpecs.thetaEnergy, static_cast<float>(std::numbers::pi / 4));
                 }},
        FieldRow{"FilmsAndGaussianStoreMinusThree",
                 [](PrefsFormRec& f) {
                     f.graphsOrFilms = 2;
                     f.profile = 3;
                 },
                 [](const PrefDataRec&, const PrefDataRec& a) { EXPECT_EQ(a.plotSpecs.plotType, -3); }},
        FieldRow{"GraphsKeepTheShape", [](PrefsFormRec& f) { f.graphsOrFilms = 1; },
                 [](const PrefDataRec&, const PrefDataRec& a) { EXPECT_EQ(a.plotSpecs.plotType, 2); }},
        FieldRow{"OverlayOffStoresNoneWhateverThePopupShows",
                 [](PrefsFormRec& f) {
                     f.overlay = false;
                     f.overlayStyle = 4;
                 },
                 [](const PrefDataRec&, const PrefDataRec& a) { EXPECT_EQ(a.plotSpecs.overlayPeakStyle, 0); }},
        FieldRow{"OverlayStyleFromThePopup", [](PrefsFormRec& f) { f.overlayStyle = 4; },
                 [](const PrefDataRec&, const PrefDataRec& a) { EXPECT_EQ(a.plotSpecs.overlayPeakStyle, 4); }},
        FieldRow{"CrystalliteSizeInMicrometres", [](PrefsFormRec& f) { f.particleSize = "2.5"; },
                 [](const PrefDataRec&, const PrefDataRec& a) { EXPECT_FLOAT_EQ(a.particleSize, 25000.0f); }},
        FieldRow{"StrainInPercent", [](PrefsFormRec& f) { f.strain = "5"; },
                 [](const PrefDataRec&, const PrefDataRec& a) { EXPECT_FLOAT_EQ(a.strain, 0.05f); }},
        FieldRow{"StrainAbove100PercentKeepsThePrevious", [](PrefsFormRec& f) { f.strain = "150"; },
                 [](const PrefDataRec& b, const PrefDataRec& a) { EXPECT_EQ(a.strain, b.strain); }},
        FieldRow{"LabelThresholdTruncated", [](PrefsFormRec& f) { f.labelThreshold = "12.7"; },
                 [](const PrefDataRec&, const PrefDataRec& a) { EXPECT_EQ(a.labelThreshold, 12); }},
        FieldRow{"FractionalReflexionCountKeepsThePrevious", [](PrefsFormRec& f) { f.maxNumRefs = "12.5"; },
                 [](const PrefDataRec& b, const PrefDataRec& a) {
                     EXPECT_EQ(a.plotSpecs.maxNumRefs, b.plotSpecs.maxNumRefs);
                 }},
        FieldRow{"ReflexionCount", [](PrefsFormRec& f) { f.maxNumRefs = "5000"; },
                 [](const PrefDataRec&, const PrefDataRec& a) { EXPECT_EQ(a.plotSpecs.maxNumRefs, 5000u); }},
        FieldRow{"DSpacingLimitOfZeroKeepsThePrevious", [](PrefsFormRec& f) { f.dMin = "0"; },
                 [](const PrefDataRec& b, const PrefDataRec& a) { EXPECT_EQ(a.plotSpecs.dMin, b.plotSpecs.dMin); }},
        FieldRow{"DSpacingLimit", [](PrefsFormRec& f) { f.dMin = "0.5"; },
                 [](const PrefDataRec&, const PrefDataRec& a) { EXPECT_FLOAT_EQ(a.plotSpecs.dMin, 0.5f); }},
        FieldRow{"EtaAboveOneKeepsThePrevious", [](PrefsFormRec& f) { f.eta = "1.5"; },
                 [](const PrefDataRec& b, const PrefDataRec& a) { EXPECT_EQ(a.plotSpecs.eta, b.plotSpecs.eta); }},
        FieldRow{"PlotStyleFromTheRepeatedPosition",
                 [](PrefsFormRec& f) { f.panes[kPrefsCrystals].plotStyle = 6; },
                 [](const PrefDataRec&, const PrefDataRec& a) { EXPECT_EQ(a.crystalPlotStyle, kPlotStyleDots); }},
        FieldRow{"DashedOffIsASolidLine", [](PrefsFormRec& f) { f.panes[kPrefsCrystalMixture].dashed = false; },
                 [](const PrefDataRec&, const PrefDataRec& a) {
                     EXPECT_EQ(a.plotSpecs.crystalMixLineStyle, kLineStyleSolid);
                 }},
        FieldRow{"AutomaticMarkerSizeIsZero",
                 [](PrefsFormRec& f) { f.panes[kPrefsDatasets].markerSize = static_cast<int>(MarkerSizeItems().size()); },
                 [](const PrefDataRec&, const PrefDataRec& a) { EXPECT_EQ(a.datasetMarkerSize, 0.0f); }},
        FieldRow{"LineWidthFromItsItem", [](PrefsFormRec& f) { f.panes[kPrefsResidual].lineWidth = 3; },
                 [](const PrefDataRec&, const PrefDataRec& a) { EXPECT_EQ(a.plotSpecs.residualLineWidth, 3.0f); }},
        FieldRow{"HeldColourIsStored", [](PrefsFormRec& f) { f.panes[kPrefsDatasetMixture].color = {1, 2, 3}; },
                 [](const PrefDataRec&, const PrefDataRec& a) {
                     EXPECT_EQ(a.plotSpecs.datasetMixColor.green, 2);
                 }}),
    [](const ::testing::TestParamInfo<FieldRow>& info) { return std::string(info.param.what); });
