// Menu command status: enabling, check marks and state-dependent titles.
#include "Commands.h"
#include "Document.h"
#include "Globals.h"
#include "Styling.h"
#include "StringTable.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string_view>
#include <vector>

namespace {

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc = CreateWindowInfo(prefs);
        context.front = doc.get();
        context.documentWindows = 1;
        context.prefs = &prefs;
    }
    VLPatternPtr AddDataset(const char* name)
    {
        auto pp = CreatePattern();
        pp->type = kPatternTypeDataset;
        pp->dataset = CreateDataset(PrefDataRec{});
        pp->name = name;
        VLPatternPtr p = InsertPatternIntoFileList(doc.get(), std::move(pp), nullptr);
        InsertPatternIntoPlotList(doc.get(), p, nullptr);
        return p;
    }
    CommandStatus Status(const char* code, const std::string& item = {}, const std::string& previous = {})
    {
        return GetCommandStatus(code, context, item, previous);
    }
    PrefDataRec prefs = gFactoryPrefs;  // the rules' own preferences, not the program's
    std::unique_ptr<WinInfoRec> doc;
    CommandContext context;
};

}  // namespace

TEST_F(CommandsTest, WithoutAWindowOnlyApplicationCommandsStayEnabled)
{
    CommandContext none;
    for (const char* code : {"clos", "save", "RCal", "xLst", "2Tht", "Gaus", "XRay", "*Leg", "^Wav", "tgPL"})
        EXPECT_FALSE(GetCommandStatus(code, none).enabled) << code;
    for (const char* code : {"open", "+Win", "quit", "pref"})
        EXPECT_FALSE(GetCommandStatus(code, none).known) << code;  // left enabled by the menus
    EXPECT_TRUE(GetCommandStatus("HMcu", none).enabled);
    // Without preferences the check marks show the factory settings of new windows.
    EXPECT_TRUE(GetCommandStatus("2Tht", none).checked);
    EXPECT_TRUE(GetCommandStatus("XRay", none).checked);
}

// Without a window the check marks show the settings of new windows, read from the preferences
// the context carries; the program's own preferences play no part.
TEST_F(CommandsTest, WithoutAWindowTheItemsShowTheContextsPreferences)
{
    const PrefDataRec programPrefs = gPrefs;
    gPrefs.plotSpecs.axisType = kAxisEnergy;  // must not show
    gPrefs.updateCheckAuto = true;
    prefs.plotSpecs.axisType = kAxisDSpacing;
    prefs.plotSpecs.radType = kRadiationNeutrons;
    prefs.plotSpecs.plotType = -kPeakFunctionLorentzian;
    prefs.plotSpecs.overlayPeakStyle = kOverlayPeaksFilled;
    prefs.crystalPlotStyle = kPlotStyleSquares;
    prefs.crystalMarkerSize = 6;
    prefs.updateCheckAuto = false;
    CommandContext none;
    none.prefs = &prefs;
    auto checked = [&none](const char* code, const std::string& item = {}) {
        return GetCommandStatus(code, none, item).checked;
    };
    EXPECT_TRUE(checked("DSpa"));
    EXPECT_FALSE(checked("2Tht"));
    EXPECT_FALSE(checked("^Eng"));
    EXPECT_TRUE(checked("Neut"));
    EXPECT_FALSE(checked("XRay"));
    EXPECT_TRUE(checked("Lrnz"));
    EXPECT_TRUE(checked("Film"));
    EXPECT_FALSE(checked("Grph"));
    EXPECT_TRUE(checked("OPkF"));
    EXPECT_TRUE(checked("PSSq"));
    EXPECT_FALSE(checked("PSLi"));  // the factory style
    EXPECT_TRUE(checked("MSFx", "6 pt"));
    EXPECT_FALSE(checked("MSAu"));
    EXPECT_FALSE(GetCommandStatus("DSpa", none).enabled);  // shown, not chosen, without a window
    // The automatic update check follows the context, window or not, and is always enabled.
    EXPECT_FALSE(checked("HMau"));
    EXPECT_FALSE(Status("HMau").checked);
    prefs.updateCheckAuto = true;
    gPrefs.updateCheckAuto = false;
    EXPECT_TRUE(checked("HMau"));
    EXPECT_TRUE(Status("HMau").checked);
    EXPECT_TRUE(GetCommandStatus("HMau", none).enabled);
    gPrefs = programPrefs;
}

// A window with nothing selected shows the new-crystal style of the context's preferences.
TEST_F(CommandsTest, AWindowWithoutASelectionShowsTheContextsStyle)
{
    prefs.crystalPlotStyle = kPlotStyleDots;
    prefs.crystalLineStyle = kLineStyleDashed;
    prefs.crystalLineWidth = 3;
    EXPECT_TRUE(Status("PSDo").checked);
    EXPECT_TRUE(Status("PSDo").enabled);
    EXPECT_TRUE(Status("LSDO").checked);
    EXPECT_FALSE(Status("LSSO").checked);
    EXPECT_TRUE(Status("LWFx", "3 pt").checked);
    EXPECT_FALSE(Status("LWFx", "1 pt").checked);
}

TEST_F(CommandsTest, AnomalousScatteringOnlyForXRaysOnAnAngleAxis)
{
    PlotSpecsRec& ps = doc->plotSpecs;
    ps.anomalous = true;
    EXPECT_TRUE(Status("Anom").enabled);
    EXPECT_TRUE(Status("Anom").checked);
    ps.radType = kRadiationNeutrons;
    EXPECT_FALSE(Status("Anom").enabled);
    ps.radType = kRadiationXRays;
    ps.axisType = kAxisEnergy;
    EXPECT_FALSE(Status("Anom").enabled);
    ps.axisType = kAxisDSpacing;
    ps.anomalous = false;
    EXPECT_TRUE(Status("Anom").enabled);
    EXPECT_FALSE(Status("Anom").checked);
}

TEST_F(CommandsTest, EnablingFollowsThePlotList)
{
    EXPECT_TRUE(Status("clos").enabled);
    EXPECT_FALSE(Status("save").enabled);
    EXPECT_FALSE(Status("RCal").enabled);
    AddDataset("data");
    EXPECT_TRUE(Status("save").enabled);
    EXPECT_FALSE(Status("RCal").enabled);
    EXPECT_FALSE(Status("*Res").enabled);
    AddCrystalToDocument(doc.get(), MakeRockSalt(), "NaCl");
    EXPECT_TRUE(Status("RCal").enabled);
    EXPECT_TRUE(Status("*Res").enabled);
    EXPECT_TRUE(Status("Stck").enabled);
    EXPECT_TRUE(Status("B2Fr").enabled);  // the crystal arrived selected
    EXPECT_FALSE(Status("stkW").enabled);
    context.documentWindows = 2;
    EXPECT_TRUE(Status("stkW").enabled);
}

TEST_F(CommandsTest, ProfileExportTitleAndEnabling)
{
    AddCrystalToDocument(doc.get(), MakeRockSalt(), "a");
    EXPECT_EQ(Status("xPro").titleKey, "Export_Profile");
    AddCrystalToDocument(doc.get(), MakeRockSalt(), "b");
    EXPECT_EQ(Status("xPro").titleKey, "Export_Selected_Profiles");
    doc->fileList[0]->selected = false;
    EXPECT_EQ(Status("xPro").titleKey, "Export_Selected_Profile");
    doc->fileList[1]->selected = false;
    EXPECT_FALSE(Status("xPro").enabled);  // two crystals, none selected, no mixture
    doc->plotSpecs.plotMixture = true;
    EXPECT_TRUE(Status("xPro").enabled);
    EXPECT_EQ(Status("xPro").titleKey, "Export_Profile");
}

TEST_F(CommandsTest, CheckMarksAndTitles)
{
    doc->plotSpecs.plotType = -kPeakFunctionPseudoVoigt;
    EXPECT_TRUE(Status("PVgt").checked);
    EXPECT_TRUE(Status("Film").checked);
    EXPECT_FALSE(Status("Grph").checked);
    EXPECT_TRUE(Status("^Eta").enabled);
    EXPECT_FALSE(Status("*Grd").enabled);  // grid lines only in graph mode
    EXPECT_EQ(Status("*Grd").titleKey, "Hide_Gridlines");
    EXPECT_TRUE(Status("!Mix").checked);
    doc->plotSpecs.overlayPeakStyle = kOverlayPeaksSolid;
    EXPECT_TRUE(Status("OPkS").checked);
    EXPECT_FALSE(Status("OPkN").checked);
    context.parameterListShown = true;
    EXPECT_EQ(Status("tgPL").titleKey, "Hide_Parameters");
    EXPECT_EQ(Status("tgSL").titleKey, "Show_Structures");
}

TEST_F(CommandsTest, LabelItemsFollowTheFrontSelectedCrystal)
{
    EXPECT_FALSE(Status("*Lbl").enabled);
    EXPECT_EQ(Status("*Lbl").titleKey, "Show_Labels");
    CrystalDataRec* xp = AddCrystalToDocument(doc.get(), MakeRockSalt(), "NaCl");
    xp->showLabel = true;
    xp->labelThreshold = 10;
    EXPECT_EQ(Status("*Lbl").titleKey, "Hide_Labels");
    EXPECT_TRUE(Status("LHKL").checked);
    EXPECT_FALSE(Status("LBln").checked);
    // Threshold items listed falling: 50, 20, 10, 5; 10 is checked for a threshold of 10..19.
    EXPECT_FALSE(Status("LTFx", "20", "50").checked);
    EXPECT_TRUE(Status("LTFx", "10", "20").checked);
    xp->labelThreshold = 75;
    EXPECT_TRUE(Status("LTFx", "50", "").checked);  // the first item's predecessor counts as 101
}

TEST_F(CommandsTest, StyleItemsFollowTheWindowStyle)
{
    CrystalDataRec* xp = AddCrystalToDocument(doc.get(), MakeRockSalt(), "NaCl");
    xp->plotStyle = kPlotStyleLineDots;
    xp->lineWidth = 2;
    xp->markerSize = 0;
    EXPECT_TRUE(Status("PSLD").checked);
    EXPECT_FALSE(Status("PSLi").checked);
    EXPECT_TRUE(Status("LWFx", "2.0").checked);
    EXPECT_FALSE(Status("LWFx", "1.0").checked);
    EXPECT_TRUE(Status("MSAu").checked);
    EXPECT_FALSE(Status("MSFx", "auto").checked);
    EXPECT_TRUE(Status("LSSO").checked);
}

// What a disabled command says it needs, in the states a user meets.
namespace {

enum class Scene { NoWindow, EmptyWindow, DataOnly, CrystalOnly, CrystalUnselected, TwoCrystalsUnselected, Neutrons, TimeOfFlight };

struct ReasonRow {
    const char* code;
    Scene scene;
    const char* reason;  // empty: enabled
};

class DisabledReasonTest : public CommandsTest, public ::testing::WithParamInterface<ReasonRow> {
protected:
    CommandStatus StatusIn(Scene scene, const char* code)
    {
        switch (scene) {
        case Scene::NoWindow: return GetCommandStatus(code, CommandContext{});
        case Scene::EmptyWindow: break;
        case Scene::DataOnly: AddDataset("data"); break;
        case Scene::CrystalOnly: AddCrystalToDocument(doc.get(), MakeRockSalt(), "NaCl"); break;
        case Scene::CrystalUnselected:
            AddCrystalToDocument(doc.get(), MakeRockSalt(), "NaCl");
            doc->fileList[0]->selected = false;
            break;
        case Scene::TwoCrystalsUnselected:
            AddCrystalToDocument(doc.get(), MakeRockSalt(), "a");
            AddCrystalToDocument(doc.get(), MakeRockSalt(), "b");
            for (auto& pp : doc->fileList)
                pp->selected = false;
            break;
        case Scene::Neutrons: doc->plotSpecs.radType = kRadiationNeutrons; break;
        case Scene::TimeOfFlight: doc->plotSpecs.axisType = kAxisTimeOfFlight; break;
        }
        return Status(code);
    }
};

TEST_P(DisabledReasonTest, SaysWhatTheCommandNeeds)
{
    const ReasonRow& row = GetParam();
    const CommandStatus st = StatusIn(row.scene, row.code);
    EXPECT_EQ(st.enabled, *row.reason == '\0') << row.code;
    EXPECT_EQ(st.reasonKey, row.reason) << row.code;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, DisabledReasonTest,
    ::testing::Values(ReasonRow{"RCal", Scene::NoWindow, "Needs_Window"}, ReasonRow{"save", Scene::NoWindow, "Needs_Window"},
                      ReasonRow{"stkW", Scene::NoWindow, "Needs_Second_Window"},
                      ReasonRow{"stkW", Scene::EmptyWindow, "Needs_Second_Window"},
                      ReasonRow{"save", Scene::EmptyWindow, "Needs_Pattern"},
                      ReasonRow{"copy", Scene::EmptyWindow, "Needs_Pattern"},
                      ReasonRow{"clnW", Scene::EmptyWindow, "Needs_Pattern"},
                      ReasonRow{"RCal", Scene::DataOnly, "Needs_Crystal"}, ReasonRow{"xLst", Scene::DataOnly, "Needs_Crystal"},
                      ReasonRow{"*Res", Scene::EmptyWindow, "Needs_Data"}, ReasonRow{"*Res", Scene::CrystalOnly, "Needs_Data"},
                      ReasonRow{"*Res", Scene::DataOnly, "Needs_Crystal"}, ReasonRow{"RCal", Scene::CrystalOnly, ""},
                      ReasonRow{"Stck", Scene::CrystalOnly, "Needs_Two_Patterns"},
                      ReasonRow{"B2Fr", Scene::CrystalOnly, "Needs_Two_Patterns"},
                      ReasonRow{"B2Fr", Scene::TwoCrystalsUnselected, "Needs_Selected_Pattern"},
                      ReasonRow{"^PlC", Scene::EmptyWindow, "Needs_Pattern"},
                      ReasonRow{"^PlC", Scene::CrystalUnselected, "Needs_Selected_Pattern"},
                      ReasonRow{"*Lbl", Scene::DataOnly, "Needs_Crystal"},
                      ReasonRow{"*Lbl", Scene::CrystalUnselected, "Needs_Selected_Crystal"},
                      ReasonRow{"xPro", Scene::DataOnly, "Needs_Crystal"},
                      ReasonRow{"xPro", Scene::TwoCrystalsUnselected, "Needs_Selected_Crystal_Or_Mixture"},
                      ReasonRow{"xPro", Scene::CrystalUnselected, ""},  // one crystal needs no selection
                      ReasonRow{"Anom", Scene::Neutrons, "Needs_XRays"},
                      ReasonRow{"Anom", Scene::TimeOfFlight, "Needs_Angle_Axis"}, ReasonRow{"Anom", Scene::EmptyWindow, ""},
                      ReasonRow{"^Eta", Scene::EmptyWindow, "Needs_Pseudo_Voigt"},
                      ReasonRow{"-Fls", Scene::EmptyWindow, "Needs_Listed_Pattern"},
                      ReasonRow{"-Fil", Scene::CrystalUnselected, "Needs_Selected_Pattern"},
                      ReasonRow{"tgPL", Scene::NoWindow, "Needs_Window"}, ReasonRow{"HMcu", Scene::NoWindow, ""}));

// The codes the rules cover: every command the menus ask about, the submenus with a rule of their
// own and the commands of the structures list.
const char* const kRuledCodes[] = {
    "clos", "page", "ttlW", "^Wav", "^FWH", "^PSz", "^Str", "^Rng", "^FrC", "save", "svas", "prnt", "+Dat", "*Lst",
    "clnW", "=PPr", "SFCl", "aClz", "xPlt", "copy", "xLst", "xFac", "RCal", "^Xtl", "Ghkl", "OPk ", "xPro", "Stck",
    "Clps", "B2Fr", "S2Bk", "^PlC", "mLbS", "mLPT", "mPlS", "mLiW", "mMkS", "stkW", "tilW", "synW", "2Tht", "DSpa",
    "RcpD", "^TOF", "^Eng", "XRay", "Neut", "Anom", "Dlta", "Lrnz", "Gaus", "PVgt", "^Eta", "Grph", "Film", "*Mix",
    "!Mix", "OPkN", "OPkM", "OPkD", "OPkS", "OPkF", "*Grd", "*Leg", "*Res", "*Lbl", "LHKL", "LDsp", "LXva", "LNam",
    "LBln", "LTFx", "PSXr", "PSDo", "PSSq", "PSLi", "PSLX", "PSLD", "PSLS", "PSFi", "PSTr", "LSDO", "LSSO", "LWFx",
    "MSFx", "MSAu", "tgPL", "tgSL", "-Fls", "-UFl", "!Fls", "*Fls", "-Fil", "HMau", "HMcu"};

// Every command these rules can disable, in every state above, names a reason that the shipped
// message texts hold.
TEST_F(CommandsTest, EveryDisabledCommandHasAShippedReason)
{
    int disabled = 0;
    for (const CommandContext& ctx : {CommandContext{}, context}) {
        for (const char* code : kRuledCodes) {
            const CommandStatus st = GetCommandStatus(code, ctx, "5 %");
            ASSERT_TRUE(st.known) << code;
            if (st.enabled) {
                EXPECT_TRUE(st.reasonKey.empty()) << code;
                continue;
            }
            ++disabled;
            ASSERT_FALSE(st.reasonKey.empty()) << code << " is disabled without a reason";
            EXPECT_NE(LocalizedString(st.reasonKey), st.reasonKey) << st.reasonKey << " has no text";
        }
    }
    EXPECT_GT(disabled, 80);
}

// Each code has exactly one rule, and the codes without a rule are left to the menus.
TEST_F(CommandsTest, EveryCodeHasExactlyOneRule)
{
    const std::vector<std::string_view> ruled = CommandRuleCodes();
    std::multiset<std::string_view> counted(ruled.begin(), ruled.end());
    for (const char* code : kRuledCodes)
        EXPECT_EQ(counted.count(code), 1u) << code;
    EXPECT_EQ(ruled.size(), std::size(kRuledCodes));
    for (std::string_view code : ruled)
        EXPECT_EQ(code.size(), 4u) << code;
    for (const char* code :
         {"open", "+Win", "quit", "pref", "abou", "undo", "redo", "HMug", "sall", "^RLm", "^SDs", "OPk", ""}) {
        const CommandStatus st = Status(code);
        EXPECT_FALSE(st.known) << code;
        EXPECT_TRUE(st.enabled) << code;
        EXPECT_TRUE(st.reasonKey.empty()) << code;
    }
}

}  // namespace
