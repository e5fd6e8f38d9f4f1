// The readers return what went wrong instead of showing it, and read new records with the
// defaults they are handed: each damaged file below gives its problems with nothing shown, the
// caller's ShowProblems then shows them in order, and defaults other than the factory ones reach
// new crystals and datasets while the program-wide preferences stay untouched.
#include "CifImport.h"
#include "CrystalFile.h"
#include "Document.h"
#include "FileTestSupport.h"
#include "LegacyCrystalFile.h"
#include "MeasuredDataImport.h"
#include "ObservedData.h"
#include "ScatteringTable.h"
#include "SessionFile.h"
#include "StringTable.h"
#include "TestSupport.h"
#include "writers/CrystalFileWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace testfiles;

namespace {

using Kind = RecordingStatusSink::Kind;

class FileProblemTest : public FileFormatTest {
protected:
    std::unique_ptr<WinInfoRec> doc = CreateWindowInfo(PrefDataRec{});
};

// A document holding one dataset of the given points, written as a session.
ByteVector SessionWithDataset(std::vector<Float32> x, std::vector<Float32> y)
{
    auto w = CreateWindowInfo(PrefDataRec{});
    auto p = CreatePattern();
    p->type = kPatternTypeDataset;
    p->name = "scan";
    p->dataset = CreateDataset(PrefDataRec{});
    p->dataset->x = std::move(x);
    p->dataset->profile = std::move(y);
    VLPatternPtr added = InsertPatternIntoFileList(w.get(), std::move(p), nullptr);
    InsertPatternIntoPlotList(w.get(), added, nullptr);
    FileHandle file(std::tmpfile());
    EXPECT_EQ(WriteSessionStream(w.get(), file.get(), SessionWindowState{}), kNoErr);
    return StreamBytes(file.get());
}

// A format-6 crystal file whose site block claims 65535 sites (more than 32000 are refused).
ByteVector TooManySiteTypes()
{
    std::vector<Block> blocks = StandardBlocks(RockSalt(), 6, false);
    for (Block& b : blocks)
        if (b.label == "AUNI")
            b.payload[0] = b.payload[1] = 0xFF;
    HeaderSpec header;
    header.formatVersion = 6;
    return CrystalFileBytes(header, blocks);
}

struct DamagedFileCase {
    const char* name;
    std::function<ByteVector()> bytes;
    // Reads the bytes as a crystal, dataset or session; the problems go to problems.
    std::function<bool(WinInfoRec*, std::FILE*, FileProblems&)> read;
    std::vector<std::string> shown;  // alert texts, in order (the string table is empty: keys)
};

bool AsCrystal(WinInfoRec* w, std::FILE* file, FileProblems& problems)
{
    auto xp = CreateCrystal(PrefDataRec{});
    return ReadCrystalStream(w, xp.get(), file, problems);
}

bool AsDataset(WinInfoRec* w, std::FILE* file, FileProblems& problems)
{
    auto dp = CreateDataset(PrefDataRec{});
    return ReadDatasetStream(w, dp.get(), file, PrefDataRec{}, problems);
}

bool AsSession(WinInfoRec* w, std::FILE* file, FileProblems& problems)
{
    return ReadSessionStream(w, file, nullptr, PrefDataRec{}, problems);
}

}  // namespace

TEST_F(FileProblemTest, DamagedFilesReturnTheirProblemsAndShowNothingUntilTheCallerDoes)
{
    const DamagedFileCase cases[] = {
        {"crystal cut inside its header", [] { auto b = CrystalFile(RockSalt(), 7); b.resize(20); return b; },
         AsCrystal, {"Error_Truncated_File"}},
        {"crystal of a later format", [] { HeaderSpec h; h.formatVersion = 9; return CrystalFileBytes(h, {}); },
         AsCrystal, {"Sorry, this file was created by a more recent version of the program (9) and cannot by read."}},
        {"crystal with too many site types", TooManySiteTypes, AsCrystal,
         {"Excess_Atom_Types", "Error -1 when reading data of type 'AUNI'"}},
        {"crystal without a cell",
         [] { CrystalSpec c = RockSalt(); c.cell[0] = 0; return CrystalFile(c, 7); }, AsCrystal,
         {"Error_Invalid_Cell"}},
        {"crystal of a version too old", [] { return LegacyCrystalFile(RockSalt(), "1.0.0"); }, AsCrystal,
         {"Obsolete_Crystal_File"}},
        {"molecule", [] { HeaderSpec h; h.type = "OBMF"; return CrystalFileBytes(h, StandardBlocks(RockSalt(), 7, false)); },
         AsCrystal, {"No_Molecule_Diffraction"}},
        {"text without a data line", [] { return ByteVector{'x', ' ', '1', '\n', '\n'}; }, AsDataset,
         {"No_Data_In_File"}},
        {"session that is not one", [] { return ByteVector(40, 'Q'); }, AsSession, {"Error_Reading_Session"}},
        {"session cut short", [] { auto b = SessionWithDataset({10, 20, 30}, {1, 2, 3}); b.resize(b.size() / 2); return b; },
         AsSession, {"Error_Reading_Session"}},
        // A fault that a check names is the only message: the general one does not follow it.
        {"session with an unreadable number", [] { return SessionWithDataset({10, NAN, 30}, {1, 2, 3}); }, AsSession,
         {"Error_Invalid_Numbers"}},
    };
    for (const DamagedFileCase& c : cases) {
        SCOPED_TRACE(c.name);
        sink.Clear();
        FileHandle file = StreamOf(c.bytes());
        FileProblems problems;
        EXPECT_FALSE(c.read(doc.get(), file.get(), problems));
        EXPECT_EQ(sink.Count(Kind::Alert), 0);
        ASSERT_EQ(problems.size(), c.shown.size());
        ShowProblems(problems);
        EXPECT_EQ(Alerts(), c.shown);
    }
    EXPECT_TRUE(doc->fileList.empty() && doc->plotList.empty());
}

TEST_F(FileProblemTest, ProblemsKeepTheirKindAndTheExplanationOfTheirKey)
{
    LoadStringTableFromText("Excess_Atom_Types = Too many kinds\nExcess_Atom_Types_2 = At most 32000.\n");
    FileHandle file = StreamOf(TooManySiteTypes());
    FileProblems problems;
    auto xp = CreateCrystal(PrefDataRec{});
    EXPECT_FALSE(ReadCrystalStream(doc.get(), xp.get(), file.get(), problems));
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems.items()[0].kind, AlertKind::Stop);
    EXPECT_EQ(problems.items()[1].kind, AlertKind::Caution);
    ShowProblems(problems);
    ASSERT_EQ(sink.Count(Kind::Alert), 2);
    EXPECT_EQ(sink.events[sink.events.size() - 2].text, "Too many kinds");
    EXPECT_EQ(sink.events[sink.events.size() - 2].detail, "At most 32000.");
    EXPECT_EQ(sink.events.back().value, static_cast<int>(AlertKind::Caution));
    EXPECT_EQ(sink.events.back().detail, "");
    LoadStringTableFromText("");
}

TEST_F(FileProblemTest, MissingFilesAreProblemsToo)
{
    TempFolder folder;
    FileProblems problems;
    auto xp = CreateCrystal(PrefDataRec{});
    auto dp = CreateDataset(PrefDataRec{});
    EXPECT_FALSE(ReadCrystalFile(doc.get(), xp.get(), folder / "absent.obdf", problems));
    EXPECT_FALSE(ReadDatasetFile(doc.get(), dp.get(), folder / "absent.txt", PrefDataRec{}, problems));
    EXPECT_FALSE(ReadSessionFile(doc.get(), folder / "absent.vlmf", PrefDataRec{}, problems));
    const UInt16 entries = gNumASF;
    EXPECT_FALSE(ReadASFactorsFromFile(folder / "ASF.dat", problems));
    EXPECT_EQ(gNumASF, entries);  // the table is as it was
    EXPECT_EQ(sink.Count(Kind::Alert), 0);
    EXPECT_EQ(problems.Keys(), (std::vector<std::string>{"Error_Reading_Crystal", "Error_Opening_File",
                                                          "Error_Opening_File", "Cant_Find_ASF.dat"}));
    EXPECT_EQ(problems.items().back().kind, AlertKind::Caution);
}

TEST_F(FileProblemTest, NewRecordsTakeTheDefaultsHandedToTheReader)
{
    ASSERT_TRUE(LoadShippedScatteringTable());
    PrefDataRec prefs;
    prefs.particleSize = 2500;
    prefs.labelThreshold = 33;
    prefs.crystalLineWidth = 2.5f;
    prefs.datasetPlotStyle = kPlotStyleCrosses;
    prefs.datasetLineWidth = 3.5f;
    prefs.plotSpecs.lambda = 0.7093f;
    TempFolder folder;
    WriteFileBytes(folder / "salt.obdf", CrystalFile(RockSalt(), 7));
    WriteFileBytes(folder / "scan.xy", ByteVector{'1', '0', ' ', '5', '\n', '2', '0', ' ', '7', '\n'});

    auto w = CreateWindowInfo(prefs);
    EXPECT_EQ(w->plotSpecs.lambda, 0.7093f);
    FileProblems problems;
    VLPatternPtr salt = LoadPatternFromCrystalFile(w.get(), folder / "salt.obdf", prefs, problems);
    VLPatternPtr scan = LoadPatternFromDatasetFile(w.get(), folder / "scan.xy", prefs, problems);
    ASSERT_TRUE(salt && scan) << (problems.empty() ? "" : problems.Keys().front());
    EXPECT_EQ(salt->crystal->particleSize, 2500.0f);
    EXPECT_EQ(salt->crystal->labelThreshold, 33);
    EXPECT_EQ(salt->crystal->lineWidth, 2.5f);
    EXPECT_EQ(scan->dataset->plotStyle, kPlotStyleCrosses);  // chosen: not the style for two points
    EXPECT_EQ(scan->dataset->lineWidth, 3.5f);

    CifImportResult cif = ReadCifText("data_x\n_cell_length_a 4\n_cell_length_b 4\n_cell_length_c 4\n"
                                      "_space_group_name_H-M_alt 'P m -3 m'\n"
                                      "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n"
                                      "_atom_site_fract_z\nCu 0 0 0\n",
                                      "x.cif", prefs);
    ASSERT_EQ(cif.crystals.size(), 1u) << DescribeImportProblem(cif.problem);
    EXPECT_EQ(cif.crystals[0].crystal->particleSize, 2500.0f);
    MeasuredDataResult measured = ReadMeasuredData("10 5\n20 7\n30 6\n", "scan.xy", prefs);
    ASSERT_TRUE(measured.dataset) << DescribeImportProblem(measured.problem);
    EXPECT_EQ(measured.dataset->lineWidth, 3.5f);

    // The program-wide preferences took no part and are as they were.
    EXPECT_EQ(gPrefs.particleSize, gFactoryPrefs.particleSize);
    EXPECT_EQ(gPrefs.datasetPlotStyle, gFactoryPrefs.datasetPlotStyle);
    EXPECT_EQ(gPrefs.plotSpecs.lambda, gFactoryPrefs.plotSpecs.lambda);
}
