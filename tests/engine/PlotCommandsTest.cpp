// Plot commands, titles, find-peak and profile export, and plotting/unplotting patterns.
#include "Diffraction.h"
#include "Document.h"
#include "Documents.h"
#include "Globals.h"
#include "PlotCommands.h"
#include "StringTable.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class PlotCommandsTest : public ::testing::Test {
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
    CrystalDataRec* AddRockSalt(const char* name = "NaCl")
    {
        CrystalDataRec* xp = AddCrystalToDocument(doc.get(), MakeRockSalt(), name);
        JustDiffract(doc.get(), xp, nullptr);
        return xp;
    }
    std::unique_ptr<WinInfoRec> doc;
    RecordingHooks hooks;
};

}  // namespace

TEST_F(PlotCommandsTest, TogglesFlipTheirFieldAndRedraw)
{
    TogglePlotGraphOrFilm(doc.get());
    EXPECT_EQ(doc->plotSpecs.plotType, -3);
    TogglePlotGraphOrFilm(doc.get());
    EXPECT_EQ(doc->plotSpecs.plotType, 3);
    ToggleShowGridlines(doc.get());
    EXPECT_FALSE(doc->plotSpecs.showGrids);
    TogglePlotMixture(doc.get());
    EXPECT_TRUE(doc->plotSpecs.plotMixture);
    EXPECT_EQ(hooks.redraws, 4);
    TogglePlotGraphOrFilm(nullptr);  // no window: nothing
}

TEST_F(PlotCommandsTest, ChoosingTheCurrentOverlayTurnsOverlaysOff)
{
    DoOverlayPeaks(doc.get(), kOverlayPeaksDashed);
    EXPECT_EQ(doc->plotSpecs.overlayPeakStyle, kOverlayPeaksDashed);
    DoOverlayPeaks(doc.get(), kOverlayPeaksFilled);
    EXPECT_EQ(doc->plotSpecs.overlayPeakStyle, kOverlayPeaksFilled);
    DoOverlayPeaks(doc.get(), kOverlayPeaksFilled);
    EXPECT_EQ(doc->plotSpecs.overlayPeakStyle, kOverlayPeaksNone);
}

TEST_F(PlotCommandsTest, PlotLimitsMustLieWithinTheAxisLimitsInOrder)
{
    EXPECT_TRUE(PlotLimitsAcceptable(doc.get(), 10, 60));
    EXPECT_FALSE(PlotLimitsAcceptable(doc.get(), -1, 60));
    EXPECT_FALSE(PlotLimitsAcceptable(doc.get(), 10, 181));
    EXPECT_FALSE(PlotLimitsAcceptable(doc.get(), 60, 10));
    EXPECT_FALSE(PlotLimitsAcceptable(doc.get(), NAN, 10));
    DoPlotLimits(doc.get(), 60, 10);  // refused: the view stays
    EXPECT_EQ(doc->plotSpecs.xmin, 5.0f);
    DoPlotLimits(doc.get(), 10, 60);
    EXPECT_EQ(doc->plotSpecs.xmin, 10.0f);
    EXPECT_EQ(doc->plotSpecs.xmax, 60.0f);
}

TEST_F(PlotCommandsTest, WindowTitles)
{
    LoadShippedStrings();
    EXPECT_EQ(WindowTitleProposal("quartz.vlmf"), "quartz");
    EXPECT_EQ(WindowTitleProposal(".hidden"), ".hidden");
    EXPECT_EQ(WindowTitleProposal("a.b.c"), "a.b");
    EXPECT_EQ(WindowTitleText(doc->plotSpecs, "<<corundum.vlms"), LocalizedString("Angle-Dispersive_X-Rays") + "corundum");
    doc->plotSpecs.radType = kRadiationNeutrons;
    doc->plotSpecs.axisType = kAxisTimeOfFlight;
    EXPECT_EQ(WindowTitleText(doc->plotSpecs, "x"), LocalizedString("Time-of-Flight_Neutrons") + "x");
    EXPECT_EQ(WindowTitleText(doc->plotSpecs, ""), "");
    DoWindowTitle(doc.get(), "My sample");
    EXPECT_EQ(doc->filename, "My sample");
    EXPECT_EQ(hooks.titles, 1);
}

TEST_F(PlotCommandsTest, FindPeakCentresOnTheReflexion)
{
    CrystalDataRec* xp = AddRockSalt();
    ASSERT_EQ(FindPeakCrystal(doc.get()), xp);
    ASSERT_TRUE(DoGoToHKL(doc.get(), xp, 0, 0, 0));  // counts as 1 1 1
    const double x111 = std::asin(1.5405 / (2 * 5.6402 / std::sqrt(3.0))) * 360 / M_PI;
    EXPECT_NEAR(doc->plotSpecs.cursorXPos, x111, 1e-3);
    EXPECT_NEAR((doc->plotSpecs.xmin + doc->plotSpecs.xmax) / 2, x111, 1e-3);
    EXPECT_NEAR(doc->plotSpecs.xmax - doc->plotSpecs.xmin, 75, 1e-3);
    EXPECT_TRUE(doc->plotSpecs.showCursor);
    EXPECT_GT(hooks.autoScaledRedraws, 0);
    // A reflexion the 2θ axis cannot reach leaves the view as it was.
    const Float32 xmin = doc->plotSpecs.xmin;
    EXPECT_FALSE(DoGoToHKL(doc.get(), xp, 20, 20, 20));
    EXPECT_EQ(doc->plotSpecs.xmin, xmin);
    // With two crystals, only a selected one is taken.
    AddRockSalt("second");
    for (auto& p : doc->fileList)
        p->selected = false;
    EXPECT_EQ(FindPeakCrystal(doc.get()), nullptr);
}

TEST_F(PlotCommandsTest, ProfileExportChecksAndChannelCount)
{
    EXPECT_EQ(ExportProfileRefusal(doc.get()), "Window_Has_No_Crystal");
    AddRockSalt("a");
    EXPECT_EQ(ExportProfileRefusal(doc.get()), "");
    AddRockSalt("b");
    for (auto& p : doc->fileList)
        p->selected = false;
    EXPECT_EQ(ExportProfileRefusal(doc.get()), "Please_Select_Crystal");
    doc->plotSpecs.plotMixture = true;
    EXPECT_EQ(ExportProfileRefusal(doc.get()), "");
    // 75 degrees over 750 pixels: 0.1 a pixel, unless the narrowest peak in view is narrower
    // than five of those; never more than 32000 channels.
    for (auto& p : doc->fileList)
        for (ReflexionRec& r : p->crystal->refs)
            r.halfWidth = 0.5f;  // FWHM 1: 0.2 a channel would be coarser than a pixel
    EXPECT_FLOAT_EQ(ProposedChannelWidth(doc.get(), 750), 0.1f);
    doc->fileList.front()->crystal->refs.back().halfWidth = 0.05f;
    doc->fileList.front()->crystal->refs.back().tth = 40;  // in view, FWHM 0.1
    EXPECT_FLOAT_EQ(ProposedChannelWidth(doc.get(), 750), 0.02f);
    doc->fileList.front()->crystal->refs.back().halfWidth = 1e-6f;
    EXPECT_FLOAT_EQ(ProposedChannelWidth(doc.get(), 750), static_cast<float>(75.0 / 32000));
    EXPECT_EQ(ExportChannelCountText(doc.get(), 0.1), "750");
    EXPECT_EQ(ExportChannelCountText(doc.get(), 0.0), "????");
    EXPECT_EQ(ExportChannelCountText(doc.get(), 75.0 / 32766), "????");
    EXPECT_EQ(ExportChannelCountText(doc.get(), 75.0 / 32765.5), "32765");
}

TEST_F(PlotCommandsTest, UnplottingKeepsTheOtherCrystalsProportions)
{
    CrystalDataRec* a = AddRockSalt("a");
    CrystalDataRec* b = AddRockSalt("b");
    CrystalDataRec* c = AddRockSalt("c");
    a->volFrac = 0.5f;
    b->volFrac = 0.3f;
    c->volFrac = 0.2f;
    VLPatternPtr third = doc->fileList[2].get();
    RemovePatternsFromDiffraction(doc.get(), {third});
    EXPECT_NEAR(a->volFrac, 0.75f, 1e-6);
    EXPECT_NEAR(b->volFrac, 0.45f, 1e-6);
    EXPECT_FALSE(third->plotted);
    EXPECT_TRUE(c->refs.empty());
    EXPECT_EQ(GetNumPatternsInFileList(doc.get()), 3);  // still known to the window
    AddPatternsToDiffraction(doc.get(), {third}, true);
    EXPECT_TRUE(third->plotted);
    EXPECT_FALSE(c->refs.empty());
    EXPECT_NEAR(c->volFrac, 1.0f / 3, 1e-6);  // proportions equalised
    RemovePatternsFromDiffraction(doc.get(), {doc->fileList[0].get(), doc->fileList[1].get(), third});
    EXPECT_EQ(doc->filename, "untitled");
}
