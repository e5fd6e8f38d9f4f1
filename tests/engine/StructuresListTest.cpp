// The structures list: selection rules, adding files unread and plotting them from the list, the
// list's commands, the automatic colours and the default style of measured data.
#include "StructuresList.h"

#include "AddFiles.h"
#include "Document.h"
#include "Globals.h"
#include "ObservedData.h"
#include "PlotPattern.h"
#include "PlotTestSupport.h"
#include "RecordingSurface.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// A document with one unplotted, loaded dataset per letter of names, in that order.
std::unique_ptr<WinInfoRec> ListOf(int n)
{
    auto w = CreateWindowInfo(PrefDataRec{});
    for (int i = 0; i < n; ++i) {
        auto pp = CreatePattern();
        pp->type = kPatternTypeDataset;
        pp->dataset = CreateDataset(PrefDataRec{});
        pp->name = std::string(1, static_cast<char>('a' + i));
        InsertPatternIntoFileList(w.get(), std::move(pp), nullptr);
    }
    return w;
}

// The selection as a string, 'X' for a selected row and '-' for one that is not.
std::string Selection(const WinInfoRec* w)
{
    std::string s;
    for (const auto& p : w->fileList)
        s += p->selected ? 'X' : '-';
    return s;
}

void Select(WinInfoRec* w, const std::string& pattern)
{
    for (std::size_t i = 0; i < pattern.size(); ++i)
        w->fileList[i]->selected = pattern[i] == 'X';
}

struct ClickCase {
    const char* before;
    int row;
    ListClick click;
    const char* after;
};

const ClickCase kClicks[] = {
    {"XX-X----", 2, ListClick::Plain, "--X-----"},
    {"-X------", 1, ListClick::Toggle, "--------"},
    {"-X------", 3, ListClick::Toggle, "-X-X----"},
    {"--------", 4, ListClick::Extend, "----X---"},
    // Above the block: grows up to it; below: grows down from it.
    {"---X-X--", 1, ListClick::Extend, "-XXX-X--"},
    {"-X-X----", 6, ListClick::Extend, "-X-XXXX-"},
    // Between: nearer the last row (or halfway) trims the front, nearer the first the back.
    {"-XXXXX--", 4, ListClick::Extend, "----XX--"},
    {"-XXXXX--", 3, ListClick::Extend, "---XXX--"},
    {"-XXXXX--", 2, ListClick::Extend, "-XX-----"},
    {"-X---X--", 4, ListClick::Extend, "----XX--"},
};

TEST(StructuresList, ClicksSelectToggleAndExtendTheSelection)
{
    for (const ClickCase& c : kClicks) {
        auto w = ListOf(8);
        Select(w.get(), c.before);
        const bool changed = DoClickFilesListItem(w.get(), c.row, c.click);
        EXPECT_EQ(Selection(w.get()), c.after) << c.before << " row " << c.row;
        EXPECT_EQ(changed, std::string(c.before) != c.after) << c.before << " row " << c.row;
    }
    auto w = ListOf(3);
    EXPECT_FALSE(DoClickFilesListItem(w.get(), 3, ListClick::Plain));  // past the end
    EXPECT_FALSE(DoClickFilesListItem(w.get(), -1, ListClick::Toggle));
    EXPECT_EQ(Selection(w.get()), "---");
}

TEST(StructuresList, ArrowKeysMoveASingleSelection)
{
    const struct {
        const char* before;
        int direction;
        const char* after;
    } cases[] = {
        {"-----", -1, "----X"},  // nothing selected: Up takes the last row
        {"-----", 1, "X----"},   // and Down the first
        {"--X-X", 1, "---X-"},   // from the first selected row
        {"--X-X", -1, "-X---"},
        {"X----", -1, "X----"},  // the first row stays
        {"----X", 1, "----X"},   // and the last
    };
    for (const auto& c : cases) {
        auto w = ListOf(5);
        Select(w.get(), c.before);
        SelectAdjacentFile(w.get(), c.direction);
        EXPECT_EQ(Selection(w.get()), c.after) << c.before << " " << c.direction;
    }
    auto empty = CreateWindowInfo(PrefDataRec{});
    EXPECT_EQ(SelectAdjacentFile(empty.get(), 1), -1);
}

TEST(StructuresList, SelectionChangesReachTheListThePlotAndTheParameterList)
{
    auto w = ListOf(2);
    RecordingHooks hooks;
    w->hooks = &hooks;
    DoClickFilesListItem(w.get(), 1, ListClick::Plain);
    FileListSelectionChanged(w.get());
    EXPECT_EQ(hooks.redraws, 1);
    EXPECT_EQ(hooks.parameterLists, 1);
    EXPECT_EQ(GetNumSelectedPatternsInFileList(w.get()), 1);
}

class StructuresFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadShippedScatteringTable());
        gPrefs = gFactoryPrefs;
        folder = fs::temp_directory_path() / ("velmora-list-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
        w = CreateWindowInfo(PrefDataRec{});
        w->hooks = &hooks;
    }
    void TearDown() override
    {
        w.reset();
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    std::string Copy(const char* example, const char* as = nullptr)
    {
        const fs::path to = folder / (as ? as : example);
        fs::copy_file(fs::path(VELMORA_EXAMPLES_DIR) / example, to, fs::copy_options::overwrite_existing);
        return to.string();
    }
    std::string DataFile(const char* name, int points)
    {
        const fs::path to = folder / name;
        std::ofstream out(to);
        for (int i = 0; i < points; ++i)
            out << 10 + 0.02 * i << " " << 100 + i % 7 << "\n";
        return to.string();
    }
    fs::path folder;
    std::unique_ptr<WinInfoRec> w;
    RecordingHooks hooks;
};

TEST_F(StructuresFilesTest, AddedFilesWaitUnreadInTheirSortedPlace)
{
    const std::string rutile = Copy("rutile.cif"), corundum = Copy("corundum.obdf");
    const std::string data = DataFile("Measured.xy", 50);
    std::ofstream(folder / "notes.pdf") << "not a pattern";
    const int added = AddFilesToFileList(w.get(), {rutile, (folder / "notes.pdf").string(), data, corundum});
    EXPECT_EQ(added, 3);
    ASSERT_EQ(GetNumPatternsInFileList(w.get()), 3);
    EXPECT_EQ(w->fileList[0]->name, "corundum.obdf");
    EXPECT_EQ(w->fileList[1]->name, "Measured.xy");
    EXPECT_EQ(w->fileList[2]->name, "rutile.cif");
    for (const auto& p : w->fileList) {
        EXPECT_FALSE(p->plotted);
        EXPECT_FALSE(PatternIsCached(p.get()));
    }
    EXPECT_EQ(w->fileList[1]->type, kPatternTypeDataset);
    EXPECT_EQ(w->fileList[2]->type, kPatternTypeCrystal);
    EXPECT_TRUE(w->plotList.empty());
    // The same file again, under another spelling of its path, is not added twice.
    EXPECT_EQ(AddFilesToFileList(w.get(), {(folder / "." / "rutile.cif").string()}), 0);
    // A folder's files come through the walk, as a drop brings them.
    fs::create_directories(folder / "more" / "deeper");
    const std::string quartz = (folder / "more" / "deeper" / "quartz.cif").string();
    fs::copy_file(fs::path(VELMORA_EXAMPLES_DIR) / "quartz.cif", quartz);
    EXPECT_EQ(AddFilesToFileList(w.get(), CollectFiles({(folder / "more").string()}, false)), 1);
    EXPECT_EQ(GetNumPatternsInFileList(w.get()), 4);
}

TEST_F(StructuresFilesTest, CheckingAnUnreadRowReadsItsFileInItsPlace)
{
    AddFilesToFileList(w.get(), {Copy("corundum.obdf"), Copy("rutile.cif")});
    VLPatternPtr corundum = w->fileList[0].get();
    ASSERT_TRUE(PlotFileListPattern(w.get(), corundum, false, PrefDataRec{}));
    ASSERT_EQ(GetNumPatternsInFileList(w.get()), 2);  // the unread row was replaced
    VLPatternPtr now = w->fileList[0].get();
    EXPECT_TRUE(PatternIsCached(now));
    EXPECT_TRUE(now->plotted);
    EXPECT_TRUE(now->selected);
    EXPECT_GT(now->crystal->nRefs(), 0);
    // Unplotting keeps the row and its data; plotting it again needs no file.
    UnplotFileListPattern(w.get(), now);
    EXPECT_FALSE(now->plotted);
    EXPECT_TRUE(PatternIsCached(now));
    fs::remove(now->filePtr);
    EXPECT_TRUE(PlotFileListPattern(w.get(), now, false, PrefDataRec{}));
    EXPECT_TRUE(now->plotted);
    // An unread row whose file has gone stays in the list, unplotted.
    VLPatternPtr rutile = w->fileList[1].get();
    fs::remove(rutile->filePtr);
    EXPECT_FALSE(PlotFileListPattern(w.get(), rutile, false, PrefDataRec{}));
    EXPECT_EQ(GetNumPatternsInFileList(w.get()), 2);
    EXPECT_FALSE(rutile->plotted);
}

TEST_F(StructuresFilesTest, PlottingAloneShowsOnlyThatPattern)
{
    const std::vector<VLPatternPtr> a = LoadPatternsFromFile(w.get(), Copy("corundum.obdf"), true, PrefDataRec{});
    const std::vector<VLPatternPtr> b = LoadPatternsFromFile(w.get(), Copy("rutile.cif"), true, PrefDataRec{});
    ASSERT_EQ(a.size(), 1u);
    ASSERT_EQ(b.size(), 1u);
    UnplotFileListPattern(w.get(), b[0]);
    ASSERT_TRUE(PlotFileListPattern(w.get(), b[0], true, PrefDataRec{}));
    ASSERT_EQ(w->plotList.size(), 1u);
    EXPECT_EQ(w->plotList[0], b[0]);
    EXPECT_FALSE(a[0]->selected);
    EXPECT_TRUE(b[0]->selected);
    EXPECT_FLOAT_EQ(b[0]->crystal->volFrac, 1.0f);
}

TEST_F(StructuresFilesTest, CommandsOfTheList)
{
    for (const char* f : {"corundum.obdf", "rutile.cif", "quartz.cif"})
        LoadPatternsFromFile(w.get(), Copy(f), false, PrefDataRec{});
    AddFilesToFileList(w.get(), {DataFile("unread.xy", 10)});
    ASSERT_EQ(GetNumPatternsInFileList(w.get()), 4);
    VLPatternPtr corundum = w->fileList[0].get(), quartz = w->fileList[1].get(), rutile = w->fileList[2].get(),
                 unread = w->fileList[3].get();
    ASSERT_EQ(unread->name, "unread.xy");

    // Unplot with a plotted and an unread row selected: only the plotted one leaves the plot.
    corundum->selected = unread->selected = true;
    RemoveSelectedFilesFromDiffraction(w.get());
    EXPECT_FALSE(corundum->plotted);
    EXPECT_EQ(w->plotList.size(), 2u);
    EXPECT_FLOAT_EQ(quartz->crystal->volFrac, 0.5f);  // from a third each to a half each

    // Plot the selection: the loaded row is plotted again, the unread one read.
    EXPECT_EQ(AddSelectedFilesToDiffraction(w.get(), PrefDataRec{}), 0);
    EXPECT_EQ(w->plotList.size(), 4u);
    EXPECT_EQ(GetNumPatternsInFileList(w.get()), 4);
    EXPECT_EQ(GetNumDatasetsInPlotList(w.get()), 1);

    // Removing a plotted crystal shares the volume among those left, and forgets the read-out.
    for (const auto& p : w->fileList)
        p->selected = p.get() == rutile;
    w->cursorInfo.patternPtr = rutile;
    DestroyFileListSelection(w.get());
    EXPECT_EQ(GetNumPatternsInFileList(w.get()), 3);
    EXPECT_EQ(w->cursorInfo.patternPtr, nullptr);
    EXPECT_FLOAT_EQ(quartz->crystal->volFrac, 0.5f);
    EXPECT_FLOAT_EQ(corundum->crystal->volFrac, 0.5f);

    // Unplotted rows only; then everything.
    UnplotFileListPattern(w.get(), quartz);
    DestroyFileListUnplotted(w.get());
    EXPECT_EQ(GetNumPatternsInFileList(w.get()), 2);
    EXPECT_FALSE(PatternIsInFileList(w.get(), quartz));
    DestroyFileListAll(w.get());
    EXPECT_EQ(GetNumPatternsInFileList(w.get()), 0);
    EXPECT_TRUE(w->plotList.empty());
    EXPECT_EQ(w->filename, "untitled");
}

TEST_F(StructuresFilesTest, RemovingTheLastCrystalOfAMixtureLeavesTheMeasuredPattern)
{
    LoadPatternsFromFile(w.get(), Copy("rutile.cif"), false, PrefDataRec{});
    LoadPatternsFromFile(w.get(), DataFile("measured.xy", 500), false, PrefDataRec{});
    w->plotSpecs.plotMixture = true;
    VLPatternPtr rutile = w->fileList[1].get();
    ASSERT_EQ(rutile->type, kPatternTypeCrystal);
    rutile->selected = true;
    DestroyFileListSelection(w.get());
    ASSERT_EQ(w->plotList.size(), 1u);
    EXPECT_EQ(GetNumCrystalsInPlotList(w.get()), 0);
    // The window still draws: the measured curve, no calculated mixture.
    RecordingSurface s;
    DrawPatterns(s, DrawContext{}, w.get(), {0, 0, 600, 1000}, true, false);
    EXPECT_FALSE(s.calls.empty());
}

TEST_F(StructuresFilesTest, UnplottedPatternsLeaveTheLegend)
{
    LoadPatternsFromFile(w.get(), Copy("rutile.cif"), false, PrefDataRec{});
    LoadPatternsFromFile(w.get(), Copy("quartz.cif"), false, PrefDataRec{});
    w->plotSpecs.showLegend = true;
    auto legendShows = [this](const char* name) {
        RecordingSurface s;
        DrawPatterns(s, DrawContext{}, w.get(), {0, 0, 600, 1000}, true, false);
        for (const auto& c : s.calls)
            if (c.op == RecordingSurface::Op::Text && c.text.find(name) != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(legendShows("rutile"));
    UnplotFileListPattern(w.get(), w->fileList[1].get());  // rutile
    EXPECT_FALSE(legendShows("rutile"));
    EXPECT_TRUE(legendShows("quartz"));
}

TEST_F(StructuresFilesTest, MeasuredDataDenseAsALineSparseAsDots)
{
    const std::vector<VLPatternPtr> dense = LoadPatternsFromFile(w.get(), DataFile("dense.xy", kDenseDataPoints), false, PrefDataRec{});
    const std::vector<VLPatternPtr> sparse = LoadPatternsFromFile(w.get(), DataFile("sparse.xy", 40), false, PrefDataRec{});
    ASSERT_EQ(dense.size(), 1u);
    ASSERT_EQ(sparse.size(), 1u);
    EXPECT_EQ(dense[0]->dataset->plotStyle, kPlotStyleLine);
    EXPECT_EQ(sparse[0]->dataset->plotStyle, kPlotStyleDots);
    // A style the user chose in the preferences is kept.
    PrefDataRec prefs;
    prefs.datasetPlotStyle = kPlotStyleCrosses;
    const std::vector<VLPatternPtr> chosen = LoadPatternsFromFile(w.get(), DataFile("chosen.xy", 1000), false, prefs);
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0]->dataset->plotStyle, kPlotStyleCrosses);
}

TEST(StructuresList, SelectedPatternsComeToTheFrontOrGoToTheBackInTheirOrder)
{
    auto w = ListOf(5);
    for (const auto& p : w->fileList)
        InsertPatternIntoPlotList(w.get(), p.get(), nullptr);
    auto order = [&w] {
        std::string s;
        for (VLPatternPtr p : w->plotList)
            s += p->name;
        return s;
    };
    Select(w.get(), "-X-X-");
    EXPECT_TRUE(BringSelectedStructuresToFront(w.get()));
    EXPECT_EQ(order(), "acebd");
    EXPECT_FALSE(BringSelectedStructuresToFront(w.get()));  // already in front
    EXPECT_TRUE(SendSelectedStructuresToBack(w.get()));
    EXPECT_EQ(order(), "bdace");
    // The file list keeps its own order.
    EXPECT_EQ(w->fileList[0]->name, "a");
    EXPECT_EQ(w->fileList[4]->name, "e");
}

// CIE L*a*b* of an sRGB colour (D65 white), from the published conversion formulas.
struct Lab {
    double L, a, b;
};

Lab ToLab(const RGBColor& c)
{
    auto linear = [](UInt16 v) {
        const double s = v / 65535.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    const double r = linear(c.red), g = linear(c.green), b = linear(c.blue);
    const double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047;
    const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    const double z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
    auto f = [](double t) { return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116; };
    return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

double Distance(const Lab& p, const Lab& q)
{
    return std::sqrt((p.L - q.L) * (p.L - q.L) + (p.a - q.a) * (p.a - q.a) + (p.b - q.b) * (p.b - q.b));
}

TEST(StructuresList, AutomaticColoursAreDistinctOnWhiteAndInPrint)
{
    const Lab white = ToLab({0xFFFF, 0xFFFF, 0xFFFF});
    for (int i = 0; i < 12; ++i) {
        const RGBColor c = gMenuFileColor[i], next = gMenuFileColor[(i + 1) % 12];
        const Lab p = ToLab(c), q = ToLab(next);
        // Neighbours, as patterns added one after the other get them, differ clearly...
        EXPECT_GT(Distance(p, q), 30) << i;
        // ...and in grey level, for a black-and-white print.
        EXPECT_GT(std::fabs(p.L - q.L), 10) << i;
        // Nothing is so light that a thin line vanishes on the white plot.
        EXPECT_GT(Distance(p, white), 30) << i;
        EXPECT_LT(p.L, 76) << i;
    }
    // The first is black, and twelve patterns later the cycle starts again.
    EXPECT_EQ(gMenuFileColor[0], (RGBColor{0, 0, 0}));
    auto w = CreateWindowInfo(PrefDataRec{});
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(GetNextPlotColor(w.get()), gMenuFileColor[i]);
    EXPECT_EQ(GetNextPlotColor(w.get()), gMenuFileColor[0]);
}

}  // namespace
