// The window document: file and plot lists, front patterns, folders.
#include "Document.h"
#include "Globals.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<VLPatternRec> Named(const char* name, VLPatternType type = kPatternTypeCrystal)
{
    auto pp = CreatePattern();
    pp->name = name;
    pp->type = type;
    if (type == kPatternTypeCrystal)
        pp->crystal = CreateCrystal(PrefDataRec{});
    else if (type == kPatternTypeDataset)
        pp->dataset = CreateDataset(PrefDataRec{});
    return pp;
}

std::vector<std::string> FileNames(const WinInfoRec* w)
{
    std::vector<std::string> names;
    for (const auto& p : w->fileList)
        names.push_back(p->name);
    return names;
}

}  // namespace

TEST(Document, FileListInsertion)
{
    auto w = CreateWindowInfo(PrefDataRec{});
    VLPatternPtr a = InsertPatternIntoFileList(w.get(), Named("A"), nullptr);
    VLPatternPtr b = InsertPatternIntoFileList(w.get(), Named("B"), nullptr);
    InsertPatternIntoFileList(w.get(), Named("P"), nullptr);
    EXPECT_EQ(FileNames(w.get()), (std::vector<std::string>{"A", "B", "P"}));
    InsertPatternIntoFileList(w.get(), Named("Q"), a);
    EXPECT_EQ(FileNames(w.get()), (std::vector<std::string>{"Q", "A", "B", "P"}));
    EXPECT_EQ(GetPreviousPatternInFileList(w.get(), b), a);
    EXPECT_EQ(GetPreviousPatternInFileList(w.get(), GetNthPatternInFileList(w.get(), 0)), nullptr);
    EXPECT_EQ(GetNthPatternInFileList(w.get(), 4), nullptr);
}

TEST(Document, SortedInsertionIgnoresCaseAndKeepsEqualNamesInFront)
{
    auto w = CreateWindowInfo(PrefDataRec{});
    InsertPatternIntoFileList(w.get(), Named("A"), nullptr);
    InsertPatternIntoFileList(w.get(), Named("C"), nullptr);
    InsertPatternIntoFileListSorted(w.get(), Named("b"));
    InsertPatternIntoFileListSorted(w.get(), Named("c"));
    EXPECT_EQ(FileNames(w.get()), (std::vector<std::string>{"A", "b", "C", "c"}));
    auto empty = CreateWindowInfo(PrefDataRec{});
    InsertPatternIntoFileListSorted(empty.get(), Named("x"));
    EXPECT_EQ(GetNumPatternsInFileList(empty.get()), 1);
}

TEST(Document, SortByNameIsStable)
{
    auto w = CreateWindowInfo(PrefDataRec{});
    for (const char* n : {"quartz", "Calcite", "albite", "calcite", "Albite"})
        InsertPatternIntoFileList(w.get(), Named(n), nullptr);
    SortFileListByName(w.get());
    EXPECT_EQ(FileNames(w.get()), (std::vector<std::string>{"albite", "Albite", "Calcite", "calcite", "quartz"}));
}

TEST(Document, RemovingKeepsTheListsConsistent)
{
    auto w = CreateWindowInfo(PrefDataRec{});
    VLPatternPtr a = InsertPatternIntoFileList(w.get(), Named("A"), nullptr);
    VLPatternPtr b = InsertPatternIntoFileList(w.get(), Named("B"), nullptr);
    InsertPatternIntoPlotList(w.get(), a, nullptr);
    InsertPatternIntoPlotList(w.get(), b, nullptr);
    EXPECT_TRUE(a->plotted);
    auto owned = RemovePatternFromFileList(w.get(), a);
    ASSERT_EQ(owned.get(), a);
    EXPECT_FALSE(a->plotted);  // also left the plot list: no dangling entry
    EXPECT_EQ(GetNumPatternsInPlotList(w.get()), 1);
    EXPECT_EQ(GetNthPatternInFileList(w.get(), 0), b);
    EXPECT_EQ(RemovePatternFromFileList(w.get(), a), nullptr);  // not in the list any more
    RemovePatternFromPlotList(w.get(), b);
    EXPECT_FALSE(b->plotted);
    EXPECT_EQ(GetNumPatternsInPlotList(w.get()), 0);
}

TEST(Document, FrontPatternsAndCounts)
{
    auto w = CreateWindowInfo(PrefDataRec{});
    VLPatternPtr x1 = InsertPatternIntoFileList(w.get(), Named("X1"), nullptr);
    VLPatternPtr d = InsertPatternIntoFileList(w.get(), Named("D", kPatternTypeDataset), nullptr);
    VLPatternPtr x2 = InsertPatternIntoFileList(w.get(), Named("X2"), nullptr);
    for (VLPatternPtr p : {x1, d, x2})
        InsertPatternIntoPlotList(w.get(), p, nullptr);
    EXPECT_EQ(GetFrontCrystal(w.get()), x2->crystal.get());
    EXPECT_EQ(GetNthCrystalInPlotList(w.get(), 1), x2->crystal.get());
    EXPECT_EQ(GetNthCrystalInPlotList(w.get(), 2), nullptr);
    EXPECT_EQ(GetNumDatasetsInPlotList(w.get()), 1);
    EXPECT_EQ(GetNumCrystalsInPlotList(w.get()), 2);
    EXPECT_EQ(GetFrontSelectedCrystal(w.get()), nullptr);
    x1->selected = true;
    d->selected = true;
    EXPECT_EQ(GetFrontSelectedCrystal(w.get()), x1->crystal.get());
    EXPECT_EQ(GetFrontSelectedDataset(w.get()), d->dataset.get());
    EXPECT_EQ(GetNumSelectedCrystals(w.get()), 1);
    EXPECT_EQ(GetFirstSelectedPatternInPlotList(w.get()), x1);
    // Plotting a pattern twice does not thread it twice.
    InsertPatternIntoPlotList(w.get(), x1, nullptr);
    EXPECT_EQ(GetNumPatternsInPlotList(w.get()), 3);
}

TEST(Document, FoldersAreReleasedAndChoicesReset)
{
    auto w = CreateWindowInfo(PrefDataRec{});
    FolderRec folder;
    folder.name = "Instrument";
    folder.items.resize(3);
    ASSERT_TRUE(AddFolderToWindow(w.get(), folder));
    ASSERT_TRUE(AddFolderToWindow(w.get(), folder));
    EXPECT_EQ(GetWindowNumFolders(w.get()), 2);
    EXPECT_NE(GetWindowItem(w.get(), 1, 2), nullptr);
    EXPECT_EQ(GetWindowItem(w.get(), 1, 3), nullptr);
    w->folderChoice = 1;
    w->itemChoice = 2;
    DestroyWindowFolders(w.get());
    EXPECT_EQ(w->folderChoice, -1);
    EXPECT_EQ(w->itemChoice, -1);
    EXPECT_EQ(GetWindowNumFolders(w.get()), 0);
}

TEST(Document, NewDocumentCopiesThePreferences)
{
    PrefDataRec prefs;
    prefs.plotSpecs.lambda = 0.7093f;
    auto w = CreateWindowInfo(prefs);
    EXPECT_FLOAT_EQ(w->plotSpecs.lambda, 0.7093f);
    prefs.plotSpecs.lambda = 1.0f;
    EXPECT_FLOAT_EQ(w->plotSpecs.lambda, 0.7093f);  // from then on independent
}
