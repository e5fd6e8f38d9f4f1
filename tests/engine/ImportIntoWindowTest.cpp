// Adding imported crystals and datasets to a window: list order, plotting, phase proportions,
// relative scaling, and an unchanged window after any failure.
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "ImportIntoWindow.h"
#include "Profile.h"
#include "Status.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const std::string kTwoPhases = "data_alpha\n_cell_length_a 4.0\n_cell_length_b 4.0\n_cell_length_c 4.0\n"
                               "_space_group_name_H-M_alt 'P m -3 m'\n"
                               "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n"
                               "_atom_site_fract_z\nCu 0 0 0\n"
                               "data_Beta\n_cell_length_a 3.0\n_cell_length_b 3.0\n_cell_length_c 3.0\n"
                               "_space_group_name_H-M_alt 'I m -3 m'\n"
                               "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n"
                               "_atom_site_fract_z\nFe 0 0 0\n";

class ImportIntoWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitVLGlobals();
        gPrefs = gFactoryPrefs;
        ASSERT_TRUE(LoadShippedScatteringTable());
        doc = CreateWindowInfo(PrefDataRec{});
        hooks.synthesiseProfiles = true;
        doc->hooks = &hooks;
        doc->plotRect = Rect{0, 0, 300, 500};
        doc->plotSpecs.xmin = 10;
        doc->plotSpecs.xmax = 80;
        doc->plotSpecs.xscale = 500 / 70.0f;
    }

    // One crystal already in the window, plotted.
    VLPatternPtr AddExistingCrystal(const char* name)
    {
        CifImportResult r = ReadCifText(kTwoPhases, name, PrefDataRec{});
        auto pp = CreatePattern();
        pp->type = kPatternTypeCrystal;
        pp->name = name;
        pp->crystal = std::move(r.crystals[0].crystal);
        JustDiffract(doc.get(), pp->crystal.get(), nullptr);
        pp->crystal->volFrac = 1;  // as opening it in its own window leaves it
        VLPatternPtr p = InsertPatternIntoFileListSorted(doc.get(), std::move(pp));
        InsertPatternIntoPlotList(doc.get(), p, nullptr);
        return p;
    }

    RecordingStatusSink sink;
    ScopedThreadStatusSink scoped{&sink};
    RecordingHooks hooks;
    std::unique_ptr<WinInfoRec> doc;
};

}  // namespace

TEST_F(ImportIntoWindow, CrystalsAreDiffractedSortedPlottedAndShareTheMixture)
{
    AddExistingCrystal("m.cif");
    ASSERT_TRUE(AddCifCrystalsToDiffraction(doc.get(), ReadCifText(kTwoPhases, "p.cif", PrefDataRec{}), "/data/p.cif", true));
    ASSERT_EQ(GetNumPatternsInFileList(doc.get()), 3);
    EXPECT_EQ(GetNthPatternInFileList(doc.get(), 0)->name, "m.cif");
    EXPECT_EQ(GetNthPatternInFileList(doc.get(), 1)->name, "p.cif: alpha");
    EXPECT_EQ(GetNthPatternInFileList(doc.get(), 2)->name, "p.cif: Beta");
    ASSERT_EQ(GetNumCrystalsInPlotList(doc.get()), 3);
    for (SInt32 i = 1; i < 3; ++i) {
        VLPatternPtr p = GetNthPatternInPlotList(doc.get(), i);
        EXPECT_TRUE(p->selected && p->plotted);
        EXPECT_EQ(p->filePtr, "/data/p.cif");
        EXPECT_GT(p->crystal->nRefs(), 0);
    }
    for (VLPatternPtr p : doc->plotList)
        EXPECT_FLOAT_EQ(p->crystal->volFrac, 1.0f / 3);
    EXPECT_EQ(hooks.autoScaledRedraws, 1);
}

TEST_F(ImportIntoWindow, DatasetBesideACrystalIsScaledToIt)
{
    AddExistingCrystal("m.cif");
    MeasuredDataResult r = ReadMeasuredData("20 100\n30 400\n40 200\n", "obs.xy", PrefDataRec{});
    ASSERT_TRUE(AddMeasuredDatasetToDiffraction(doc.get(), std::move(r), "/data/obs.xy", true, PrefDataRec{}));
    ASSERT_EQ(GetNumDatasetsInPlotList(doc.get()), 1);
    const ObsDataRec* dp = GetFrontDataset(doc.get());
    ASSERT_TRUE(dp);
    EXPECT_EQ(doc->plotList.back()->name, "obs.xy");
    // The calculated maximum over the observed maximum (400).
    const CrystalDataRec* xp = GetFrontCrystal(doc.get());
    float maxCalc = 0;
    for (float v : xp->plotBuffer)
        maxCalc = std::max(maxCalc, v * xp->volFrac);
    ASSERT_GT(maxCalc, 0);
    EXPECT_NEAR(dp->relScale, maxCalc / 400, 1e-3 * maxCalc / 400);
}

TEST_F(ImportIntoWindow, FailureLeavesTheWindowAsItWas)
{
    AddExistingCrystal("m.cif");
    const float volFrac = doc->plotList[0]->crystal->volFrac;
    EXPECT_FALSE(AddCifCrystalsToDiffraction(doc.get(), ReadCifText("data_x\n_cell_length_a 4\n", "bad.cif", PrefDataRec{}),
                                             "/data/bad.cif", true));
    EXPECT_FALSE(AddMeasuredDataFileToDiffraction(doc.get(), VELMORA_TEST_DATA_DIR "/missing.raw", true, PrefDataRec{}));
    EXPECT_EQ(GetNumPatternsInFileList(doc.get()), 1);
    EXPECT_EQ(GetNumPatternsInPlotList(doc.get()), 1);
    EXPECT_EQ(doc->plotList[0]->crystal->volFrac, volFrac);
    EXPECT_EQ(hooks.redraws, 0);
    // One stop alert each, naming the file and the problem.
    std::vector<RecordingStatusSink::Event> alerts;
    for (const auto& e : sink.events)
        if (e.kind == RecordingStatusSink::Kind::Alert)
            alerts.push_back(e);
    ASSERT_EQ(alerts.size(), 2u);
    const auto& cifAlert = alerts[0];
    EXPECT_EQ(cifAlert.value, static_cast<int>(AlertKind::Stop));
    EXPECT_NE(cifAlert.text.find("bad.cif"), std::string::npos) << cifAlert.text;
    EXPECT_FALSE(cifAlert.detail.empty());
    EXPECT_NE(alerts[1].text.find("missing.raw"), std::string::npos) << alerts[1].text;
}
