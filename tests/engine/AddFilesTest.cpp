// Bringing files into documents: kinds by extension, several files at once with one redraw,
// folders, and opening a file as a document.
#include "AddFiles.h"
#include "Document.h"
#include "FileTypes.h"
#include "Globals.h"
#include "Profile.h"
#include "Status.h"
#include "TestSupport.h"
#include "writers/CrystalFileWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using testfiles::CrystalFile;
using testfiles::RockSalt;

namespace {

class AddFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadShippedScatteringTable());
        gPrefs = gFactoryPrefs;
        doc = CreateWindowInfo(PrefDataRec{});
        hooks.synthesiseProfiles = true;
        doc->hooks = &hooks;
        doc->plotRect = Rect{0, 0, 300, 750};
        doc->plotSpecs.xmin = 5;
        doc->plotSpecs.xmax = 80;
        doc->plotSpecs.xscale = 10;
        folder = fs::temp_directory_path() / ("velmora-addfiles-" + std::to_string(::getpid()));
        fs::create_directories(folder / "deeper");
    }
    void TearDown() override { fs::remove_all(folder); }
    std::string Write(const fs::path& path, const std::vector<std::uint8_t>& bytes)
    {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    std::string WriteText(const fs::path& path, const std::string& text)
    {
        std::ofstream(path) << text;
        return path.string();
    }
    std::string Example(const char* name) { return std::string(VELMORA_EXAMPLES_DIR) + "/" + name; }

    std::unique_ptr<WinInfoRec> doc;
    RecordingHooks hooks;
    fs::path folder;
};

}  // namespace

TEST(FileKinds, ExtensionsDecideTheKind)
{
    struct Case {
        const char* name;
        UInt32 code;
    } cases[] = {{"quartz.cif", kFileTypeCIF},     {"QUARTZ.CIF", kFileTypeCIF},    {"scan.xy", kFileTypeXYDT},
                 {"scan.xrdml", kFileTypeXYDT},    {"D5000_1.RAW", kFileTypeXYDT},  {"data.txt", kFileTypeTEXT},
                 {"data.TXT", 0},                  {"rock.obdf", FourCC("OBDF")},   {"s.vlms", kFileTypeVLMs},
                 {"notes.pdf", 0},                 {"noextension", 0}};
    for (const Case& c : cases) {
        UInt32 code = 1;
        EXPECT_EQ(MyGetFileType(c.name, &code), kNoErr);
        EXPECT_EQ(code, c.code) << c.name;
    }
    EXPECT_TRUE(IsLoadableFileType(kFileTypeCIF));
    EXPECT_FALSE(IsLoadableFileType(FourCC("OBMF")));
}

TEST_F(AddFilesTest, SeveralKindsAtOnceRedrawOnceAndScaleTheData)
{
    const std::string crystal = Write(folder / "rock.obdf", CrystalFile(RockSalt(), 7));
    const std::vector<std::string> paths = {Example("quartz.cif"), crystal, Example("quartz_synthetic_cuka.xy"),
                                            WriteText(folder / "ignored.pdf", "not a pattern")};
    RecordingStatusSink sink;
    ScopedThreadStatusSink scope(&sink);
    EXPECT_EQ(AddFilesToDiffraction(doc.get(), paths, true, PrefDataRec{}), 3);
    EXPECT_EQ(GetNumCrystalsInPlotList(doc.get()), 2);
    EXPECT_EQ(GetNumDatasetsInPlotList(doc.get()), 1);
    EXPECT_EQ(hooks.redraws, 2);  // the batch, then the relative scale
    const ObsDataRec* data = GetFrontDataset(doc.get());
    EXPECT_NE(data->relScale, 1.0f);
    EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 0);
    for (const auto& p : doc->fileList)
        EXPECT_TRUE(p->selected);
    EXPECT_FLOAT_EQ(GetNthCrystalInPlotList(doc.get(), 0)->volFrac, 0.5f);
    // Each pattern took the next automatic colour.
    EXPECT_NE(GetNthCrystalInPlotList(doc.get(), 0)->plotColor, GetNthCrystalInPlotList(doc.get(), 1)->plotColor);
}

TEST_F(AddFilesTest, ABadFileIsReportedAndTheRestStillComeIn)
{
    const std::string bad = WriteText(folder / "broken.cif", "data_x\n_cell_length_a 5\n");
    RecordingStatusSink sink;
    ScopedThreadStatusSink scope(&sink);
    EXPECT_EQ(AddFilesToDiffraction(doc.get(), {bad, Example("silicon.cif")}, false, PrefDataRec{}), 1);
    EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 1);
    EXPECT_EQ(GetNumPatternsInFileList(doc.get()), 1);
}

TEST_F(AddFilesTest, FoldersAreWalkedThroughAllLevels)
{
    Write(folder / "a.obdf", CrystalFile(RockSalt(), 7));
    WriteText(folder / "deeper" / "b.txt", "1 2\n2 3\n");
    WriteText(folder / "deeper" / "c.vlmf", "");
    WriteText(folder / "skip.png", "");
    const auto files = CollectFiles({folder.string()}, false);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(fs::path(files[0]).filename(), "a.obdf");
    EXPECT_EQ(fs::path(files[1]).filename(), "b.txt");
    EXPECT_EQ(CollectFiles({folder.string()}, true).size(), 3u);
}

TEST_F(AddFilesTest, OpeningACrystalGivesItTheWholeMixture)
{
    const std::string crystal = Write(folder / "rock.obdf", CrystalFile(RockSalt(), 8));
    ASSERT_TRUE(OpenDocumentFile(doc.get(), crystal, nullptr, PrefDataRec{}));
    ASSERT_EQ(GetNumCrystalsInPlotList(doc.get()), 1);
    EXPECT_FLOAT_EQ(GetFrontCrystal(doc.get())->volFrac, 1.0f);
    EXPECT_TRUE(doc->fileList[0]->selected);
}

TEST_F(AddFilesTest, OpeningADataFileReplacesTheDatasetShown)
{
    ASSERT_TRUE(OpenDocumentFile(doc.get(), WriteText(folder / "one.txt", "10 1\n20 2\n"), nullptr, PrefDataRec{}));
    ASSERT_TRUE(OpenDocumentFile(doc.get(), WriteText(folder / "two.txt", "10 5\n20 6\n"), nullptr, PrefDataRec{}));
    EXPECT_EQ(GetNumDatasetsInPlotList(doc.get()), 1);
    EXPECT_EQ(GetNumPatternsInFileList(doc.get()), 2);  // the first stays known, unplotted
}

TEST_F(AddFilesTest, OpeningWhatNoDocumentShowsIsRefused)
{
    RecordingStatusSink sink;
    ScopedThreadStatusSink scope(&sink);
    EXPECT_FALSE(OpenDocumentFile(doc.get(), WriteText(folder / "x.obmf", "molecule"), nullptr, PrefDataRec{}));
    EXPECT_FALSE(OpenDocumentFile(doc.get(), WriteText(folder / "x.doc", "letter"), nullptr, PrefDataRec{}));
    EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 2);
    EXPECT_EQ(GetNumPatternsInFileList(doc.get()), 0);
}
