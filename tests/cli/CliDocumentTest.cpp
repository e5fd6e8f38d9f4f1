// The documents the commands build: which files are taken, how they are loaded with the command
// line's settings, and where the outputs go.
#include "CliDocument.h"

#include "CliBatch.h"
#include "CliSettings.h"
#include "CliStatus.h"
#include "Diffraction.h"
#include "Globals.h"
#include "SessionFile.h"
#include "StringTable.h"
#include "engine/FileTestSupport.h"
#include "engine/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace {

std::vector<std::string> Reasons(const std::vector<InputProblem>& problems)
{
    std::vector<std::string> out;
    for (const InputProblem& p : problems)
        out.push_back(p.reason);
    return out;
}

class CliLoadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadShippedStrings());
        ASSERT_TRUE(LoadShippedScatteringTable());
        gPrefs = gFactoryPrefs;
        ResetGlobalPlotLimits(gPrefs.plotSpecs);
        doc = CreateWindowInfo(gPrefs);
    }
    LoadOutcome Load(const std::vector<std::string>& files, const SimulationSettings& s, std::string* error)
    {
        ScopedThreadStatusSink scoped(&sink);
        return LoadDocument(doc.get(), files, s, sink, error);
    }
    std::unique_ptr<WinInfoRec> doc;
    std::vector<std::string> lines;
    CliStatusSink sink{[this](const std::string& line) { lines.push_back(line); }, nullptr, false};
    TempFolder folder;
};

}  // namespace

TEST(CliInputs, FoldersAreWalkedAndNamedFilesChecked)
{
    TempFolder f;
    std::filesystem::create_directory(f / "sub");
    for (const char* name : {"a.cif", "sub/b.obdf", "c.txt", "d.vlmf", "e.obmf", "f.xyz"})
        WriteFileBytes(f / name, {1});

    std::vector<InputProblem> problems;
    EXPECT_EQ(ExpandInputs({f.path()}, true, false, &problems),
              (std::vector<std::string>{f / "a.cif", f / "c.txt", f / "d.vlmf", f / "sub/b.obdf"}));
    EXPECT_EQ(ExpandInputs({f.path()}, false, true, &problems), (std::vector<std::string>{f / "a.cif", f / "sub/b.obdf"}));
    EXPECT_TRUE(problems.empty());

    const std::vector<std::string> named = {f / "e.obmf", f / "f.xyz", f / "missing.cif", f / "d.vlmf", f / "c.txt"};
    EXPECT_TRUE(ExpandInputs(named, false, true, &problems).empty());
    EXPECT_EQ(Reasons(problems),
              (std::vector<std::string>{LocalizedString("No_Molecule_Diffraction"), "not a crystal or CIF file",
                                        "no such file or folder", "not a crystal or CIF file",
                                        "not a crystal or CIF file"}));
    problems.clear();
    EXPECT_EQ(ExpandInputs(named, true, false, &problems), (std::vector<std::string>{f / "d.vlmf", f / "c.txt"}));
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[1].path, f / "f.xyz");
}

TEST(CliOutputs, TargetsCheckedBeforeAnyWork)
{
    struct Case {
        OutputTargets targets;
        int width;
        const char* error;  // empty: accepted
    };
    auto targets = [](std::string listing, std::string json, std::string session, std::vector<std::string> plots) {
        OutputTargets t;
        t.listing = std::move(listing);
        t.json = std::move(json);
        t.session = std::move(session);
        t.plots = std::move(plots);
        return t;
    };
    const Case cases[] = {
        {targets("-", "q.json", "q.vlmf", {"q.png", "q.SVG", "q.pdf"}), 1000, ""},
        {targets("-", "-", "", {}), 1000, "only one output"},
        {targets("", "", "-", {}), 1000, "--session a file name"},
        {targets("", "", "", {"-"}), 1000, "--plot a file name"},
        {targets("", "", "", {"q.gif"}), 1000, ".png, .svg or .pdf"},
        {targets("", "", "", {"q.png"}), 9000, "plot size"},
        {targets("out/q.txt", "", "", {"q.png", "out/../out/q.txt"}), 1000, "two outputs would go to"},
    };
    for (const Case& c : cases) {
        PlotExportOptions options;
        options.width = c.width;
        const std::string error = CheckOutputTargets(c.targets, options);
        if (*c.error == '\0')
            EXPECT_EQ(error, "");
        else
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
}

// A slip of the fingers must not cost the structure the user started from.
TEST(CliOutputs, NoOutputReplacesAnInput)
{
    TempFolder f;
    WriteFileBytes(f / "q.cif", {1});
    OutputTargets t;
    t.json = f / "q.json";
    t.listing = f.path() + "/./q.cif";
    EXPECT_NE(CheckOutputsSpareInputs(t, {f / "q.cif"}).find("is an input file"), std::string::npos);
    t.listing = "-";
    EXPECT_EQ(CheckOutputsSpareInputs(t, {f / "q.cif"}), "");
    EXPECT_EQ(ReadFileBytes(f / "q.cif"), ByteVector{1});
}

TEST(CliBatchNames, StemsAreUniqueInTheOrderGiven)
{
    EXPECT_EQ(UniqueOutputStems({"x/quartz.cif", "y/quartz.cif", "quartz-2.cif", "z/quartz.obdf", "noext", "a.b.cif"}),
              (std::vector<std::string>{"quartz", "quartz-2", "quartz-2-2", "quartz-3", "noext", "a.b"}));

    const OutputTargets t = BatchTargets("out", "q", {"pdf", "json", "listing", "png", "fhkl"});
    EXPECT_EQ(t.listing, "out/q Listing.txt");
    EXPECT_EQ(t.fhkl, "out/q Fhkl.txt");
    EXPECT_EQ(t.json, "out/q.json");
    EXPECT_EQ(t.profile, "");
    EXPECT_EQ(t.session, "");
    EXPECT_EQ(t.plots, (std::vector<std::string>{"out/q.png", "out/q.pdf"}));
}

// A session's crystals were computed with the session's settings; those of the command line must
// apply to them as to the files loaded after it.
TEST_F(CliLoadTest, SessionCrystalsRecomputedWithTheCommandLineSettings)
{
    {
        auto source = CreateWindowInfo(gPrefs);
        JustDiffract(source.get(), AddCrystalToDocument(source.get(), MakeRockSalt(), "NaCl"), nullptr);
        ASSERT_EQ(WriteSessionFile(source.get(), folder / "nacl.vlmf"), kNoErr);
    }
    SimulationSettings s;
    s.dmin = 2.0;
    std::string error;
    ASSERT_EQ(Load({folder / "nacl.vlmf"}, s, &error), LoadOutcome::Loaded) << error;
    const CrystalDataRec* xp = GetFrontCrystal(doc.get());
    ASSERT_NE(xp, nullptr);
    // Rock salt above 2 Å: 111 (a/√3 = 3.256 Å) and 200 (a/2 = 2.820 Å); 220 lies at 1.994 Å.
    ASSERT_EQ(xp->nRefs(), 2);
    EXPECT_NEAR(xp->refs[0].dsp, 5.6402 / std::sqrt(3.0), 1e-3);
    EXPECT_NEAR(xp->refs[1].dsp, 5.6402 / 2, 1e-3);
}

// Without a window nothing redraws, so the data keep their own scale unless the command scales
// them to the calculation as "add files" does.
TEST_F(CliLoadTest, MeasuredDataScaledToTheCalculation)
{
    std::string data;
    for (int i = 0; i < 800; ++i)
        data += std::to_string(10 + i * 0.1) + " " + std::to_string(i % 100 == 0 ? 5000 : 100) + "\n";
    WriteFileBytes(folder / "data.txt", ByteVector(data.begin(), data.end()));
    std::string error;
    ASSERT_EQ(Load({std::string(VELMORA_EXAMPLES_DIR) + "/rock_salt.cif", folder / "data.txt"}, SimulationSettings{}, &error),
              LoadOutcome::Loaded)
        << error;
    const ObsDataRec* dp = GetFrontDataset(doc.get());
    ASSERT_NE(dp, nullptr);
    EXPECT_FLOAT_EQ(dp->ymax, 5000);
    EXPECT_NE(dp->relScale, 1.0f);
    // The strongest measured point is drawn as high as the strongest calculated one, which
    // stands 5 % of the axis below its top.
    EXPECT_NEAR(dp->relScale * dp->ymax, 0.95 * doc->plotSpecs.ymax, 1e-5 * doc->plotSpecs.ymax);
}

TEST_F(CliLoadTest, UnreadableFileAndMisfitSettingsFail)
{
    WriteFileBytes(folder / "bad.cif", {'x', '\n'});
    std::string error;
    EXPECT_EQ(Load({folder / "bad.cif"}, SimulationSettings{}, &error), LoadOutcome::Failed);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("velmora-cli: " + (folder / "bad.cif") + ": error: ", 0), 0u) << lines[0];

    SimulationSettings s;
    s.fractions = "1,1";
    doc = CreateWindowInfo(gPrefs);
    EXPECT_EQ(Load({std::string(VELMORA_EXAMPLES_DIR) + "/rock_salt.cif"}, s, &error), LoadOutcome::BadSettings);
    EXPECT_NE(error.find("each of the 1 crystals"), std::string::npos);
}
