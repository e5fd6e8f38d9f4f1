// The parameter list: folders built from the window's state, slider mappings, stepping items,
// typed values, clicks and scrolling, shared-site rebalancing and the action of every item.
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "ParameterList.h"
#include "Profile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// A window stand-in that rebuilds the list as the real one does, and counts redraws.
struct ListHooks : RecordingHooks, LiveDiffraction {
    bool diffractLater = false;
    std::vector<CrystalDataRec*> deferred;
    int profileRedraws = 0, plainRedraws = 0;
    void RebuildParameterList(WinInfoRec* w) override
    {
        ++parameterLists;
        RebuildParameterFolders(w);
    }
    void RedrawWindow(WinInfoRec* w, bool recalc, bool progress) override
    {
        RecordingHooks::RedrawWindow(w, recalc, progress);
        ++(recalc ? profileRedraws : plainRedraws);
    }
    bool DiffractLater(WinInfoRec*, CrystalDataRec* xp) override
    {
        if (diffractLater)
            deferred.push_back(xp);
        return diffractLater;
    }
};

std::vector<std::string> FolderNames(const WinInfoRec& w)
{
    std::vector<std::string> names;
    for (const FolderRec& f : w.folders)
        names.push_back(f.name);
    return names;
}

// (folder, item) of the item with this folder and item name; fails the test when missing.
std::pair<SInt32, SInt32> Find(const WinInfoRec& w, const std::string& folder, const std::string& item)
{
    for (SInt32 f = 0; f < w.nFolders(); ++f) {
        const FolderRec& fr = w.folders[static_cast<std::size_t>(f)];
        if (fr.name != folder)
            continue;
        for (SInt32 i = 0; i < fr.nItems(); ++i)
            if (fr.items[static_cast<std::size_t>(i)].name == item)
                return {f, i};
    }
    ADD_FAILURE() << "no item " << folder << " / " << item;
    return {-1, -1};
}

double CellVolume(double a, double b, double c, double alpha, double beta, double gamma)
{
    const double ca = std::cos(alpha * M_PI / 180), cb = std::cos(beta * M_PI / 180), cg = std::cos(gamma * M_PI / 180);
    return a * b * c * std::sqrt(1 - ca * ca - cb * cb - cg * cg + 2 * ca * cb * cg);
}

class ParameterListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadShippedScatteringTable());
        gPrefs = gFactoryPrefs;
        doc = CreateWindowInfo(PrefDataRec{});
        doc->hooks = &hooks;
        doc->plotSpecs.xmin = 5;
        doc->plotSpecs.xmax = 80;
        doc->plotSpecs.xminLimit = 0;
        doc->plotSpecs.xmaxLimit = 180;
        doc->plotSpecs.lambda = 1.5406f;
        doc->plotSpecs.lambda2 = 1.54434f;
    }
    CrystalDataRec* AddRockSalt(const char* name = "NaCl")
    {
        CrystalDataRec* xp = AddCrystalToDocument(doc.get(), MakeRockSalt(), name);
        JustDiffract(doc.get(), xp, nullptr);
        return xp;
    }
    // A triclinic cell with one site shared by iron and nickel.
    CrystalDataRec* AddTriclinic()
    {
        auto xp = MakeCrystal(5.1f, 6.2f, 7.3f, 82, 97, 103);
        InputDataRec& site = AddSite(xp.get(), "Fe", 0.5f, {{0.1f, 0.2f, 0.3f}, {0.9f, 0.8f, 0.7f}});
        site.occupant[1].symbol = PackSymbol("Ni");
        site.occupant[1].occupancy = 0.5f;
        AddSite(xp.get(), "O", 1.0f, {{0.4f, 0.1f, 0.25f}, {0.6f, 0.9f, 0.75f}});
        CrystalDataRec* raw = AddCrystalToDocument(doc.get(), std::move(xp), "FeNiO");
        JustDiffract(doc.get(), raw, nullptr);
        return raw;
    }
    ObsDataRec* AddDataset()
    {
        auto pp = CreatePattern();
        pp->type = kPatternTypeDataset;
        pp->dataset = CreateDataset(PrefDataRec{});
        pp->dataset->x = {10, 20, 30};
        pp->dataset->profile = {1, 2, 3};
        pp->name = "data";
        pp->selected = true;
        ObsDataRec* raw = pp->dataset.get();
        VLPatternPtr p = InsertPatternIntoFileListSorted(doc.get(), std::move(pp));
        InsertPatternIntoPlotList(doc.get(), p, nullptr);
        return raw;
    }
    bool Set(const std::string& folder, const std::string& item, Float32 value)
    {
        const auto [f, i] = Find(*doc, folder, item);
        return SetParameterValue(doc.get(), f, i, value);
    }
    const ItemRec& Item(const std::string& folder, const std::string& item)
    {
        const auto [f, i] = Find(*doc, folder, item);
        return *GetWindowItem(doc.get(), f, i);
    }
    std::unique_ptr<WinInfoRec> doc;
    ListHooks hooks;
};

}  // namespace

TEST_F(ParameterListTest, FoldersFollowTheAxisAndTheCrystals)
{
    struct Row {
        SInt16 axis;
        const char* radiation;
    } rows[] = {{kAxisTwoTheta, "Angle Dispersive"}, {kAxisDSpacing, "Angle Dispersive"},
                {kAxisReciprocalD, "Angle Dispersive"}, {kAxisTimeOfFlight, "Time-of-Flight"},
                {kAxisEnergy, "Energy Dispersive"}};
    for (const Row& row : rows) {
        doc->plotSpecs.axisType = row.axis;
        InitParameterList(doc.get());
        // Without crystals: the radiation folder and the instrument only.
        EXPECT_EQ(FolderNames(*doc), (std::vector<std::string>{row.radiation, "Instrument"})) << row.axis;
    }
    doc->plotSpecs.axisType = kAxisTwoTheta;
    VLPatternPtr pp = nullptr;
    AddRockSalt();
    pp = doc->plotList.back();
    pp->selected = false;
    InitParameterList(doc.get());
    // A crystal but none selected: the mixture only.
    EXPECT_EQ(FolderNames(*doc), (std::vector<std::string>{"Angle Dispersive", "Instrument", "Mixture"}));
    pp->selected = true;
    InitParameterList(doc.get());
    EXPECT_EQ(FolderNames(*doc),
              (std::vector<std::string>{"Angle Dispersive", "Instrument", "Background (A + Bx +C/x)", "Sample", "Mixture",
                                        "Unit Cell", "Site Occupancies"}));
    for (const FolderRec& f : doc->folders)
        EXPECT_FALSE(f.open);
    // Rock salt: one occupant on each of its two sites.
    const FolderRec& sites = doc->folders.back();
    ASSERT_EQ(sites.nItems(), 2);
    EXPECT_EQ(sites.items[0].name2, "Na");
    EXPECT_EQ(sites.items[1].name2, "Cl");
}

TEST_F(ParameterListTest, ItemsStartFromTheirRecordsWithTheirLimits)
{
    CrystalDataRec* xp = AddRockSalt();
    xp->particleSize = 2500;  // Å
    xp->strain = 0.004f;
    xp->xOffset = 0.05f;
    doc->plotSpecs.fwhm = 0.2f;
    InitParameterList(doc.get());

    const ItemRec& width = Item("Instrument", "Peak Width");
    EXPECT_FLOAT_EQ(width.value, 0.2f);
    EXPECT_FLOAT_EQ(width.sliderMax, 1.8f);  // a hundredth of the 0..180 limits
    EXPECT_TRUE(width.isGlobal);
    const ItemRec& zero = Item("Instrument", "Zero correction");
    EXPECT_FLOAT_EQ(zero.value, 0.05f);
    EXPECT_FLOAT_EQ(zero.minVal, -18.0f);
    EXPECT_FLOAT_EQ(Item("Sample", "Particle Size [µm]").value, 0.25f);
    EXPECT_FLOAT_EQ(Item("Sample", "Percent Strain").value, 0.4f);
    EXPECT_FALSE(Item("Sample", "Percent Strain").isGlobal);
    // Without a dataset the scale factor shows 0 with a slider from 0 to 10.
    const ItemRec& scale = Item("Instrument", "Scale Factor");
    EXPECT_FLOAT_EQ(scale.value, 0);
    EXPECT_FLOAT_EQ(scale.sliderMin, 0);
    EXPECT_FLOAT_EQ(scale.sliderMax, 10);
    // A stepping item spans ten steps either side.
    const ItemRec& a = Item("Unit Cell", "a [Å]");
    EXPECT_TRUE(a.variableSliderLimits);
    EXPECT_NEAR(a.sliderMin, 5.6402 - 0.05, 1e-5);
    EXPECT_NEAR(a.sliderMax, 5.6402 + 0.05, 1e-5);
    EXPECT_NEAR(a.maxVal, 564.02, 1e-3);
    EXPECT_NEAR(Item("Unit Cell", "Volume [Å**3]").value, std::pow(5.6402, 3), 1e-2);
}

TEST_F(ParameterListTest, SliderPositionsMapToValuesAndBack)
{
    const ItemRec linear = InitSliderItem("x", 0, 0.1f, 3.0f, 1, true);
    EXPECT_FLOAT_EQ(SliderPositionToValue(linear, 0), 0.1f);
    EXPECT_FLOAT_EQ(SliderPositionToValue(linear, 100), 3.0f);
    EXPECT_NEAR(SliderPositionToValue(linear, 40), 0.1 + 0.4 * 2.9, 1e-6);
    const ItemRec square = InitSliderItem("Particle Size [µm]", 0, 0.001f, 1.0f, 2, false);
    EXPECT_NEAR(SliderPositionToValue(square, 50), 0.001 + 0.25 * 0.999, 1e-7);
    EXPECT_EQ(ValueToSliderPosition(square, static_cast<Float32>(0.001 + 0.25 * 0.999)), 50);
    for (int p = 0; p <= 100; p += 7) {
        // Truncation may land one position below, never elsewhere.
        const int back = ValueToSliderPosition(linear, SliderPositionToValue(linear, p));
        EXPECT_TRUE(back == p || back == p - 1) << p;
    }
    // Beyond the ends: the position stays within the slider.
    EXPECT_EQ(ValueToSliderPosition(linear, 99), 100);
    EXPECT_EQ(ValueToSliderPosition(linear, -5), 0);
    // A slider whose ends meet does not divide by zero.
    EXPECT_EQ(ValueToSliderPosition(InitArrowsItem("s", 0, 0, 0, 1, false), 0), 0);
}

TEST_F(ParameterListTest, SteppingItemWindowTravelsWithTypedValues)
{
    AddRockSalt();
    DrawParameterList(doc.get());
    const auto [f, i] = Find(*doc, "Background (A + Bx +C/x)", "Slope (B)");
    ASSERT_TRUE(SetParameterValue(doc.get(), f, i, 2.5f));
    const ItemRec& slope = *GetWindowItem(doc.get(), f, i);
    EXPECT_FLOAT_EQ(slope.value, 2.5f);
    EXPECT_NEAR(slope.sliderMin, 1.5, 1e-6);
    EXPECT_NEAR(slope.sliderMax, 3.5, 1e-6);
    EXPECT_FLOAT_EQ(doc->plotList.back()->crystal->baseCoefs[0], 2.5f);
}

TEST_F(ParameterListTest, SliderDragKeepsTheEndsOfASteppingItem)
{
    CrystalDataRec* xp = AddRockSalt();
    DrawParameterList(doc.get());
    const auto [f, i] = Find(*doc, "Unit Cell", "a [Å]");
    doc->folderChoice = f;
    doc->itemChoice = i;
    const Float32 lo = GetWindowItem(doc.get(), f, i)->sliderMin, hi = GetWindowItem(doc.get(), f, i)->sliderMax;
    ASSERT_TRUE(AutoSlideParameterBar(doc.get(), 100));
    ASSERT_TRUE(AutoSlideParameterBar(doc.get(), 75));
    EXPECT_FLOAT_EQ(GetWindowItem(doc.get(), f, i)->sliderMin, lo);
    EXPECT_FLOAT_EQ(GetWindowItem(doc.get(), f, i)->sliderMax, hi);
    EXPECT_NEAR(xp->a, lo + 0.75 * (hi - lo), 1e-5);
    // The volume row follows the recomputed cell.
    EXPECT_NEAR(Item("Unit Cell", "Volume [Å**3]").value, xp->a * xp->b * xp->c, 1e-2);
}

TEST_F(ParameterListTest, TypedValuesOutsideTheLimitsOrNotNumbersChangeNothing)
{
    AddRockSalt();
    DrawParameterList(doc.get());
    const auto [f, i] = Find(*doc, "Instrument", "Eta");
    doc->folderChoice = f;
    doc->itemChoice = i;
    const PlotSpecsRec before = doc->plotSpecs;
    const int redraws = hooks.redraws;
    for (const char* text : {"1.5", "-0.1", "abc", "", "nan", "inf"})
        EXPECT_FALSE(EnterParameterValue(doc.get(), text)) << text;
    EXPECT_EQ(doc->plotSpecs.eta, before.eta);
    EXPECT_EQ(hooks.redraws, redraws);
    EXPECT_TRUE(EnterParameterValue(doc.get(), " 0.75 and more"));
    EXPECT_FLOAT_EQ(doc->plotSpecs.eta, 0.75f);
    // The arrows stay within the slider of a slider item.
    ASSERT_TRUE(EnterParameterValue(doc.get(), "0.995"));
    EXPECT_FALSE(AutoScrollParameterText(doc.get(), true));
    EXPECT_TRUE(AutoScrollParameterText(doc.get(), false));
    EXPECT_NEAR(doc->plotSpecs.eta, 0.985, 1e-6);
}

TEST_F(ParameterListTest, SharedSitesRebalance)
{
    struct Row {
        const char* what;
        std::vector<float> before;  // occupancies of the occupied slots
        int slot;
        float value;
        std::vector<float> after;
    } rows[] = {
        {"full site raised", {0.5f, 0.5f}, 0, 0.7f, {0.7f, 0.3f}},
        {"full site lowered", {0.5f, 0.5f}, 0, 0.3f, {0.3f, 0.7f}},
        {"site at 0.8 lowered", {0.4f, 0.4f}, 0, 0.2f, {0.2f, 0.4f}},
        {"site at 0.8 raised, still not over-full", {0.4f, 0.4f}, 1, 0.6f, {0.4f, 0.6f}},
        {"three occupants raised: the others give in proportion", {0.5f, 0.3f, 0.2f}, 0, 0.6f, {0.6f, 0.24f, 0.16f}},
        {"three occupants lowered: the others share evenly", {0.5f, 0.3f, 0.2f}, 0, 0.3f, {0.3f, 0.4f, 0.3f}},
        {"one occupant", {0.8f}, 0, 0.3f, {0.3f}},
        // Not full, raised to the top: the other would lose more than it holds and stops at empty.
        {"under-full site raised to one", {0.4f, 0.2f}, 0, 1.0f, {1.0f, 0.0f}},
    };
    for (const Row& row : rows) {
        std::array<SiteRec, 3> occ{};
        for (std::size_t i = 0; i < row.before.size(); ++i) {
            occ[i].symbol = PackSymbol(i == 0 ? "Fe" : i == 1 ? "Ni" : "Co");
            occ[i].occupancy = row.before[i];
        }
        AdjustDisorderedSiteOccupancies(occ, row.slot, row.value);
        for (std::size_t i = 0; i < row.after.size(); ++i)
            EXPECT_NEAR(occ[i].occupancy, row.after[i], 1e-6) << row.what << " slot " << i;
        for (std::size_t i = row.after.size(); i < 3; ++i)
            EXPECT_EQ(occ[i].occupancy, 0) << row.what;
    }
}

TEST_F(ParameterListTest, OccupancyItemRebalancesTheSiteAndDiffractsAgain)
{
    CrystalDataRec* xp = AddTriclinic();
    DrawParameterList(doc.get());
    const std::vector<ReflexionRec> before = xp->refs;
    const FolderRec& sites = doc->folders.back();
    ASSERT_EQ(sites.nItems(), 3);
    EXPECT_EQ(sites.items[0].name2, "Fe");
    EXPECT_EQ(sites.items[1].name2, "Ni");
    EXPECT_EQ(sites.items[2].name2, "O");
    ASSERT_TRUE(SetParameterValue(doc.get(), doc->nFolders() - 1, 1, 0.8f));
    EXPECT_NEAR(xp->AU[0].occupant[0].occupancy, 0.2, 1e-6);
    EXPECT_NEAR(xp->AU[0].occupant[1].occupancy, 0.8, 1e-6);
    // The list shows the rebalanced site.
    EXPECT_NEAR(doc->folders.back().items[0].value, 0.2, 1e-6);
    // Iron and nickel scatter differently: the intensities change, the positions do not.
    ASSERT_EQ(xp->refs.size(), before.size());
    bool changed = false;
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(xp->refs[i].tth, before[i].tth);
        changed = changed || xp->refs[i].inty != before[i].inty;
    }
    EXPECT_TRUE(changed);
}

TEST_F(ParameterListTest, WavelengthMovesPeaksScalesTheSecondAndKeepsTheReflexions)
{
    CrystalDataRec* xp = AddRockSalt();
    DrawParameterList(doc.get());
    const std::vector<ReflexionRec> before = xp->refs;
    ASSERT_TRUE(Set("Angle Dispersive", "Wavelength [Å]", 1.7890f));
    EXPECT_FLOAT_EQ(doc->plotSpecs.lambda, 1.7890f);
    EXPECT_NEAR(doc->plotSpecs.lambda2, 1.54434 * 1.7890 / 1.5406, 1e-5);
    ASSERT_EQ(xp->refs.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(xp->refs[i].inty, before[i].inty);
        EXPECT_NEAR(xp->refs[i].tth, 2 * std::asin(1.7890 / (2 * before[i].dsp)) * 180 / M_PI, 1e-3);
    }
    // Widths only, no new reflexions: one drawing with new profiles.
    EXPECT_GE(hooks.profileRedraws, 1);

    // Beyond the backscattering limit: d < λ/2 puts the reflexion just past the plotted world.
    ASSERT_TRUE(Set("Angle Dispersive", "Wavelength [Å]", 3.0f));
    int beyond = 0;
    for (std::size_t i = 0; i < before.size(); ++i)
        if (before[i].dsp < 1.5) {
            EXPECT_EQ(xp->refs[i].tth, 181.0f);
            ++beyond;
        }
    EXPECT_GT(beyond, 0);
    EXPECT_EQ(xp->refs.size(), before.size());
}

TEST_F(ParameterListTest, VolumeKeepsTheAnglesAndTheRatioOfAToB)
{
    CrystalDataRec* xp = AddTriclinic();
    DrawParameterList(doc.get());
    const double ratio = xp->a / xp->b;
    ASSERT_TRUE(Set("Unit Cell", "Volume [Å**3]", 260.0f));
    EXPECT_FLOAT_EQ(xp->alpha, 82);
    EXPECT_FLOAT_EQ(xp->beta, 97);
    EXPECT_FLOAT_EQ(xp->gamma, 103);
    EXPECT_NEAR(xp->a / xp->b, ratio, 1e-6);
    EXPECT_NEAR(CellVolume(xp->a, xp->b, xp->c, 82, 97, 103), 260.0, 1e-3);
    EXPECT_NEAR(xp->volume, 260.0, 1e-3);
    // The list shows the new lengths.
    EXPECT_FLOAT_EQ(Item("Unit Cell", "c [Å]").value, xp->c);

    // A length: the volume follows.
    ASSERT_TRUE(Set("Unit Cell", "b [Å]", 6.5f));
    EXPECT_NEAR(Item("Unit Cell", "Volume [Å**3]").value, CellVolume(xp->a, 6.5, xp->c, 82, 97, 103), 1e-2);
    // Outside the limits of an angle: nothing.
    EXPECT_FALSE(Set("Unit Cell", "gamma [°]", 179.5f));
    EXPECT_FLOAT_EQ(xp->gamma, 103);
}

TEST_F(ParameterListTest, FolderStateSurvivesRedrawsUntilFoldersAreAdded)
{
    AddRockSalt();
    DrawParameterList(doc.get());
    doc->folders[1].open = true;
    doc->folders[5].open = true;
    ASSERT_TRUE(DoParameterListClick(doc.get(), 3));  // Instrument, item 1 (Eta)
    EXPECT_EQ(doc->folderChoice, 1);
    EXPECT_EQ(doc->itemChoice, 1);
    doc->topParameterLine = 2;
    ASSERT_TRUE(Set("Instrument", "Peak Width", 0.3f));  // redraws the list
    EXPECT_TRUE(doc->folders[1].open);
    EXPECT_TRUE(doc->folders[5].open);
    EXPECT_EQ(doc->itemChoice, 1);
    EXPECT_EQ(doc->topParameterLine, 2);

    // A second crystal: the same folders, one more mixture item: open flags stay, selection goes.
    AddCrystalToDocument(doc.get(), MakeRockSalt(), "NaCl 2");
    DrawParameterList(doc.get());
    EXPECT_TRUE(doc->folders[1].open);
    EXPECT_EQ(doc->itemChoice, -1);

    // From no crystal to one crystal: new folders close them all.
    auto empty = CreateWindowInfo(PrefDataRec{});
    empty->hooks = &hooks;
    DrawParameterList(empty.get());
    empty->folders[0].open = empty->folders[1].open = true;
    AddCrystalToDocument(empty.get(), MakeRockSalt(), "NaCl");
    DrawParameterList(empty.get());
    ASSERT_EQ(empty->nFolders(), 7);
    for (const FolderRec& f : empty->folders)
        EXPECT_FALSE(f.open);
}

TEST_F(ParameterListTest, ClicksOpenFoldersAndSelectItems)
{
    AddRockSalt();
    DrawParameterList(doc.get());
    EXPECT_EQ(CountParameterLines(doc.get()), 7);
    ASSERT_TRUE(DoParameterListClick(doc.get(), 1));  // Instrument opens
    EXPECT_TRUE(doc->folders[1].open);
    EXPECT_EQ(CountParameterLines(doc.get()), 13);
    EXPECT_TRUE(DoParameterListClick(doc.get(), 2));  // Peak Width
    EXPECT_EQ(SelectedParameterLine(doc.get()), 2);
    EXPECT_FALSE(DoParameterListClick(doc.get(), 2));  // already selected
    // With an item selected the first click on a header only clears the selection.
    EXPECT_TRUE(DoParameterListClick(doc.get(), 1));
    EXPECT_TRUE(doc->folders[1].open);
    EXPECT_EQ(doc->itemChoice, -1);
    EXPECT_TRUE(DoParameterListClick(doc.get(), 1));
    EXPECT_FALSE(doc->folders[1].open);
    // Below the last line: the selection is cleared.
    DoParameterListClick(doc.get(), 0);
    DoParameterListClick(doc.get(), 1);
    EXPECT_TRUE(DoParameterListClick(doc.get(), 40));
    EXPECT_EQ(doc->itemChoice, -1);

    // The arrow keys walk the item lines, skipping headers.
    doc->folders[0].open = false;
    doc->folders[1].open = true;
    ASSERT_TRUE(MoveParameterSelection(doc.get(), true));
    EXPECT_EQ(SelectedParameterLine(doc.get()), 2);  // Angle Dispersive is closed
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(MoveParameterSelection(doc.get(), true));
    EXPECT_EQ(SelectedParameterLine(doc.get()), 7);
    EXPECT_FALSE(MoveParameterSelection(doc.get(), true));  // the last item line
    EXPECT_TRUE(MoveParameterSelection(doc.get(), false));
    EXPECT_EQ(doc->itemChoice, 4);

    // Scrolling: 13 lines in a pane of 4.
    EXPECT_EQ(ParameterScrollMaximum(doc.get(), 4), 9);
    SetParameterTopLine(doc.get(), 50, 4);
    EXPECT_EQ(doc->topParameterLine, 9);
    SetParameterTopLine(doc.get(), -3, 4);
    EXPECT_EQ(doc->topParameterLine, 0);
}

// Every item of every folder, for X-rays, neutrons, time of flight and energy: the record the
// action sets, and what it recomputes.
TEST_F(ParameterListTest, EveryItemActsOnItsRecord)
{
    struct Row {
        SInt16 axis;
        UInt16 radiation;
    } modes[] = {{kAxisTwoTheta, kRadiationXRays}, {kAxisTwoTheta, kRadiationNeutrons}, {kAxisTimeOfFlight, kRadiationNeutrons},
                 {kAxisEnergy, kRadiationXRays}};
    for (const Row& mode : modes) {
        SCOPED_TRACE(testing::Message() << "axis " << mode.axis << " radiation " << mode.radiation);
        doc = CreateWindowInfo(PrefDataRec{});
        doc->hooks = &hooks;
        doc->plotSpecs.radType = mode.radiation;
        doc->plotSpecs.axisType = mode.axis;
        DoAxisTypeLimits(doc.get());
        CrystalDataRec* xp = AddTriclinic();
        CrystalDataRec* other = AddRockSalt();
        other->volFrac = xp->volFrac = 0.5f;
        ObsDataRec* dp = AddDataset();
        DrawParameterList(doc.get());
        ASSERT_GT(xp->nRefs(), 0);
        auto front = [&] { return GetFrontSelectedCrystal(doc.get()); };
        CrystalDataRec* fx = front();  // the rock salt: the last crystal of the plot list

        // Every item of every folder accepts a value at its slider's middle position.
        for (SInt32 f = 0; f < doc->nFolders(); ++f) {
            const std::string folder = doc->folders[static_cast<std::size_t>(f)].name;
            for (SInt32 i = 0; i < doc->folders[static_cast<std::size_t>(f)].nItems(); ++i) {
                ItemRec* it = GetWindowItem(doc.get(), f, i);
                ASSERT_NE(it, nullptr);
                const std::string name = it->name;
                const Float32 v = SliderPositionToValue(*it, 50);
                const Float32 shown = it->value;
                const int before = hooks.redraws;
                EXPECT_TRUE(SetParameterValue(doc.get(), f, i, v)) << folder << " / " << name;
                EXPECT_GT(hooks.redraws + (shown == v), before) << folder << " / " << name << " redraws";
                ASSERT_EQ(doc->folders[static_cast<std::size_t>(f)].name, folder);
                const ItemRec* shownAfter = GetWindowItem(doc.get(), f, i);
                ASSERT_NE(shownAfter, nullptr);
                if (folder == "Mixture" || folder == "Site Occupancies") {
                    EXPECT_NEAR(shownAfter->value, v, 1e-5) << folder << " / " << name;
                } else if (name != "Volume [Å**3]") {
                    EXPECT_NEAR(shownAfter->value, v, 1e-4 * std::max(1.0f, std::fabs(v))) << folder << " / " << name;
                }
            }
        }
        // What the records hold now, set from the middle positions.
        const PlotSpecsRec& ps = doc->plotSpecs;
        if (mode.axis == kAxisTimeOfFlight) {
            EXPECT_NEAR(ps.thetaTimeOfFlight, 90 * 0.5 * M_PI / 180, 1e-6);
            EXPECT_FLOAT_EQ(ps.distanceTimeOfFlight, 500);
            EXPECT_NEAR(fx->refs[0].tth, fx->xOffset + 2 * fx->refs[0].dsp * 500 * 0.2527776 * std::sin(M_PI / 4), 1e-2);
        } else if (mode.axis == kAxisEnergy) {
            EXPECT_NEAR(ps.thetaEnergy, 90 * 0.5 * M_PI / 180, 1e-6);
            EXPECT_NEAR(fx->refs[0].tth, fx->xOffset + 6.1993 / (fx->refs[0].dsp * std::sin(M_PI / 4)), 1e-2);
        } else {
            EXPECT_NEAR(ps.lambda, 1.55, 1e-6);
        }
        const Float32 range = ps.xmaxLimit - ps.xminLimit;
        EXPECT_NEAR(ps.fwhm, range / 200, 1e-5);
        EXPECT_NEAR(ps.eta, 0.5, 1e-6);
        EXPECT_NEAR(ps.specimenDisplacement, 0, 1e-6);
        EXPECT_NEAR(ps.goniometerRadius, 525, 1e-3);
        EXPECT_NEAR(fx->xOffset, 0, 1e-6);
        EXPECT_NEAR(dp->xOffset, 0, 1e-6);
        // The scale factor's window ran from 0 (not below) to 1 + 10 steps.
        EXPECT_FLOAT_EQ(dp->relScale, 5.5f);
        EXPECT_NEAR(fx->particleSize, (0.001 + 0.25 * 0.999) * 10000, 1e-2);
        EXPECT_NEAR(fx->strain, 0.25 * 0.01, 1e-7);
        // The proportions stay a whole after the second of the two is set to a half.
        EXPECT_NEAR(xp->volFrac + other->volFrac, 1.0, 1e-5);
        // The peak widths follow the sample and instrument (Scherrer and strain terms on top).
        for (const ReflexionRec& r : fx->refs) {
            if (r.tth < ps.xmaxLimit) {
                EXPECT_NEAR(r.halfWidth, GetPeakBroadeningAtPoint(&ps, fx, r.tth), 1e-4 + 1e-4 * r.halfWidth);
            }
        }

        // Items that act on the selected patterns: zero correction moves crystals and data.
        const std::vector<ReflexionRec> refs = fx->refs;
        const Float32 x0 = dp->x[0];
        ASSERT_TRUE(Set("Instrument", "Zero correction", range / 20));
        EXPECT_FLOAT_EQ(fx->xOffset, range / 20);
        EXPECT_NEAR(fx->refs[0].tth, refs[0].tth + range / 20, 1e-3);
        EXPECT_NEAR(dp->x[0], x0 + range / 20, 1e-4);
        ASSERT_TRUE(Set("Instrument", "Scale Factor", 3));
        EXPECT_FLOAT_EQ(dp->relScale, 3);
        ASSERT_TRUE(Set("Background (A + Bx +C/x)", "Y-offset (A)", 12));
        EXPECT_FLOAT_EQ(fx->yOffset, 12);
        EXPECT_FLOAT_EQ(xp->yOffset, 12);  // selected as well
        EXPECT_FLOAT_EQ(dp->yOffset, 12);
        ASSERT_TRUE(Set("Background (A + Bx +C/x)", "Curvature (C)", 4));
        EXPECT_FLOAT_EQ(fx->baseCoefs[1], 4);
        EXPECT_EQ(front(), fx);
    }
}

TEST_F(ParameterListTest, RecomputationMatchesWhatTheChangeInvalidates)
{
    CrystalDataRec* xp = AddRockSalt();
    DrawParameterList(doc.get());
    struct Row {
        const char* folder;
        const char* item;
        Float32 value;
        bool profiles;   // the drawing recomputes the profiles
        bool diffracts;  // the crystal is diffracted again
    } rows[] = {
        {"Angle Dispersive", "Wavelength [Å]", 1.6f, true, false},
        {"Instrument", "Peak Width", 0.15f, true, false},
        {"Instrument", "Eta", 0.3f, true, false},
        {"Background (A + Bx +C/x)", "Slope (B)", 0.5f, false, false},
        {"Instrument", "Scale Factor", 2, false, false},
        {"Mixture", "NaCl", 1, false, false},
        {"Sample", "Percent Strain", 0.2f, true, false},
        {"Unit Cell", "a [Å]", 5.65f, true, true},
        {"Site Occupancies", "Cl", 0.9f, true, true},
    };
    hooks.diffractLater = true;
    for (const Row& row : rows) {
        hooks.profileRedraws = hooks.plainRedraws = 0;
        hooks.deferred.clear();
        ASSERT_TRUE(Set(row.folder, row.item, row.value)) << row.item;
        if (row.diffracts) {
            // Left to the window, which redraws when the new reflexions are there.
            ASSERT_EQ(hooks.deferred.size(), 1u) << row.item;
            EXPECT_EQ(hooks.deferred[0], xp);
            EXPECT_EQ(hooks.profileRedraws + hooks.plainRedraws, 0) << row.item;
        } else {
            EXPECT_TRUE(hooks.deferred.empty()) << row.item;
            EXPECT_EQ(hooks.profileRedraws, row.profiles ? 1 : 0) << row.item;
            EXPECT_EQ(hooks.plainRedraws, row.profiles ? 0 : 1) << row.item;
        }
    }
}
