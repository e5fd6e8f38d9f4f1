// Undo and redo of parameter-list changes: the exact pattern comes back, one step per change.
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "ParameterList.h"
#include "ParameterUndo.h"
#include "Profile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

struct ListHooks : RecordingHooks {
    void RebuildParameterList(WinInfoRec* w) override { RebuildParameterFolders(w); }
};

class ParameterUndoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadShippedScatteringTable());
        gPrefs = gFactoryPrefs;
        doc = CreateWindowInfo(PrefDataRec{});
        hooks.synthesiseProfiles = true;
        doc->hooks = &hooks;
        doc->plotSpecs.xmin = 5;
        doc->plotSpecs.xmax = 80;
        doc->plotRect = Rect{0, 0, 300, 600};
        xp = AddCrystalToDocument(doc.get(), MakeRockSalt(), "NaCl");
        JustDiffract(doc.get(), xp, nullptr);
        DrawParameterList(doc.get());
        Draw();
    }
    void Draw() { CalculateProfiles(doc.get(), 0, doc->plotRect.Width() - 1, doc->plotRect, false); }
    // Sets an item as one finished change.
    void Change(const char* folder, int item, Float32 value)
    {
        SInt32 f = 0;
        while (f < doc->nFolders() && doc->folders[static_cast<std::size_t>(f)].name != folder)
            ++f;
        undo.Begin(doc.get());
        ASSERT_TRUE(SetParameterValue(doc.get(), f, item, value)) << folder;
        undo.Commit(doc.get());
        Draw();
    }
    std::unique_ptr<WinInfoRec> doc;
    ListHooks hooks;
    CrystalDataRec* xp = nullptr;
    ParameterUndoStack undo;
};

}  // namespace

TEST_F(ParameterUndoTest, UndoAndRedoRestoreTheExactPattern)
{
    const std::vector<Float32> original = xp->plotBuffer;
    const PlotSpecsRec specs = doc->plotSpecs;
    Change("Unit Cell", 1, 5.7f);         // a: diffracted again
    Change("Angle Dispersive", 0, 1.7f);  // wavelength: moved
    Change("Instrument", 2, 0.3f);        // zero correction: shifted
    const std::vector<Float32> changed = xp->plotBuffer;
    ASSERT_NE(changed, original);
    EXPECT_EQ(undo.UndoSteps(), 3u);

    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(undo.Undo(doc.get()));
    EXPECT_FALSE(undo.CanUndo());
    Draw();
    EXPECT_EQ(xp->plotBuffer, original);
    EXPECT_EQ(xp->a, 5.6402f);
    EXPECT_EQ(doc->plotSpecs.lambda, specs.lambda);
    EXPECT_EQ(doc->plotSpecs.lambda2, specs.lambda2);
    // The list shows the values restored.
    EXPECT_FLOAT_EQ(doc->folders[0].items[0].value, specs.lambda);

    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(undo.Redo(doc.get()));
    EXPECT_FALSE(undo.CanRedo());
    Draw();
    EXPECT_EQ(xp->plotBuffer, changed);
}

TEST_F(ParameterUndoTest, OneStepPerChangeAndNoneWithoutChange)
{
    undo.Begin(doc.get());
    EXPECT_FALSE(undo.Commit(doc.get()));  // nothing changed
    EXPECT_FALSE(undo.Commit(doc.get()));  // nothing begun
    Change("Instrument", 1, 0.6f);
    Change("Instrument", 1, 0.7f);
    EXPECT_EQ(undo.UndoSteps(), 2u);
    ASSERT_TRUE(undo.Undo(doc.get()));
    EXPECT_FLOAT_EQ(doc->plotSpecs.eta, 0.6f);
    // A new change drops what could be redone.
    Change("Instrument", 1, 0.1f);
    EXPECT_FALSE(undo.CanRedo());
    ASSERT_TRUE(undo.Undo(doc.get()));
    ASSERT_TRUE(undo.Undo(doc.get()));
    EXPECT_FLOAT_EQ(doc->plotSpecs.eta, gFactoryPrefs.plotSpecs.eta);
}

TEST_F(ParameterUndoTest, PatternsRemovedSinceArePassedOver)
{
    Change("Sample", 1, 0.5f);
    auto gone = RemovePatternFromFileList(doc.get(), doc->fileList.front().get());
    EXPECT_TRUE(undo.Undo(doc.get()));  // nothing to restore on it, no crash
    EXPECT_FLOAT_EQ(gone->crystal->strain, 0.005f);
}
