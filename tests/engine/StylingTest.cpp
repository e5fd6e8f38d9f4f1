// Styling of selected patterns, the mixture style, colours and list-wide commands.
#include "Document.h"
#include "Globals.h"
#include "Styling.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class StylingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gPrefs = gFactoryPrefs;
        doc = CreateWindowInfo(PrefDataRec{});
        a = AddCrystalToDocument(doc.get(), MakeRockSalt(), "a");
        b = AddCrystalToDocument(doc.get(), MakeRockSalt(), "b");
        doc->fileList[1]->selected = false;  // only a is selected
    }
    std::unique_ptr<WinInfoRec> doc;
    CrystalDataRec *a = nullptr, *b = nullptr;
};

}  // namespace

TEST_F(StylingTest, StylesReachOnlySelectedPatterns)
{
    DoPlotStyle(doc.get(), kPlotStyleTranslucent);
    DoLineWidth(doc.get(), 2.5f);
    DoMarkerSize(doc.get(), NAN);  // unreadable: automatic
    EXPECT_EQ(a->plotStyle, kPlotStyleTranslucent);
    EXPECT_EQ(b->plotStyle, gPrefs.crystalPlotStyle);
    EXPECT_EQ(a->lineWidth, 2.5f);
    EXPECT_EQ(a->markerSize, 0.0f);
    EXPECT_EQ(GetWindowPlotStyle(doc.get(), PrefDataRec{}).plotStyle, kPlotStyleTranslucent);
}

TEST_F(StylingTest, WithTheMixtureShownStylesGoToTheMixtureCurves)
{
    doc->plotSpecs.plotMixture = true;
    DoLineStyle(doc.get(), kLineStyleDashed);
    EXPECT_EQ(doc->plotSpecs.crystalMixLineStyle, kLineStyleDashed);
    EXPECT_EQ(doc->plotSpecs.datasetMixLineStyle, kLineStyleDashed);
    EXPECT_EQ(a->lineStyle, kLineStyleSolid);
    EXPECT_EQ(GetWindowPlotStyle(doc.get(), PrefDataRec{}).lineStyle, kLineStyleDashed);
    RGBColor start;
    ASSERT_TRUE(PlotColourStart(doc.get(), &start));
    EXPECT_EQ(start, doc->plotSpecs.crystalMixColor);
    DoPlotColour(doc.get(), kRGBOrange);
    EXPECT_EQ(doc->plotSpecs.crystalMixColor, kRGBOrange);
    EXPECT_NE(a->plotColor, kRGBOrange);
}

TEST_F(StylingTest, LabelFlagsFollowTheFrontSelectedCrystal)
{
    ToggleLabelStyle(doc.get(), "LDsp");
    EXPECT_TRUE(a->labelDSpacings);
    EXPECT_FALSE(b->labelDSpacings);
    ToggleLabelStyle(doc.get(), "LBln");
    EXPECT_FALSE(a->labelHKL || a->labelDSpacings || a->labelTwoTheta || a->labelPhases);
    ToggleShowLabels(doc.get());
    EXPECT_TRUE(a->showLabel);
    DoLabelThreshold(doc.get(), 25);
    EXPECT_EQ(a->labelThreshold, 25);
    EXPECT_EQ(b->labelThreshold, gPrefs.labelThreshold);
}

TEST_F(StylingTest, AutoColoursSpreadOverTheHueCircle)
{
    CrystalDataRec* c = AddCrystalToDocument(doc.get(), MakeRockSalt(), "c");
    DoAutoColorizeFiles(doc.get());
    // Hues 0, 21845, 43690 at full saturation and lightness 32000: red, green, blue.
    EXPECT_EQ(a->plotColor, HSLToRGB(0, 65535, 32000));
    EXPECT_EQ(b->plotColor, HSLToRGB(21845, 65535, 32000));
    EXPECT_EQ(c->plotColor, HSLToRGB(43690, 65535, 32000));
    EXPECT_GT(a->plotColor.red, 60000);
    EXPECT_LT(a->plotColor.green, 100);
    EXPECT_GT(b->plotColor.green, 60000);
    EXPECT_GT(c->plotColor.blue, 60000);
    // With one plotted pattern nothing changes.
    RemovePatternFromPlotList(doc.get(), doc->fileList[1].get());
    RemovePatternFromPlotList(doc.get(), doc->fileList[2].get());
    a->plotColor = kRGBBlack;
    DoAutoColorizeFiles(doc.get());
    EXPECT_EQ(a->plotColor, kRGBBlack);
}

TEST_F(StylingTest, SelectAllAndResetColours)
{
    SelectAllFiles(doc.get());
    EXPECT_TRUE(doc->fileList[1]->selected);
    DoResetFileColors(doc.get(), kRGBPurple);
    EXPECT_EQ(a->plotColor, kRGBPurple);
    EXPECT_EQ(b->plotColor, kRGBPurple);
}
