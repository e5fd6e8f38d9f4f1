// Crystal files of format versions 5 to 8, read from files built field by field.
#include "CrystalFile.h"
#include "Document.h"
#include "FileTestSupport.h"
#include "TestSupport.h"
#include "writers/CrystalFileWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <sys/stat.h>

using namespace testfiles;

namespace {

using CrystalFileReading = CrystalReadingTest;


// Every field the model describes, as the reader must have stored it.
void ExpectCrystal(const CrystalDataRec& xp, const CrystalSpec& model, bool ellipsoids)
{
    EXPECT_EQ(xp.a, model.cell[0]);
    EXPECT_EQ(xp.b, model.cell[1]);
    EXPECT_EQ(xp.c, model.cell[2]);
    EXPECT_EQ(xp.alpha, model.cell[3]);
    EXPECT_EQ(xp.beta, model.cell[4]);
    EXPECT_EQ(xp.gamma, model.cell[5]);
    EXPECT_EQ(xp.ltyp, model.ltyp);
    EXPECT_EQ(xp.hasEllipsoids, ellipsoids);
    ASSERT_EQ(xp.ntyp(), static_cast<AtomIndex>(model.sites.size()));
    AtomIndex pos = 0;
    for (std::size_t s = 0; s < model.sites.size(); ++s) {
        const SiteSpec& want = model.sites[s];
        const InputDataRec& site = xp.AU[s];
        SCOPED_TRACE("site " + std::to_string(s));
        for (std::size_t j = 0; j < 3; ++j) {
            if (j < want.occupants.size()) {
                EXPECT_EQ(SymbolToString(site.occupant[j].symbol), want.occupants[j].first);
                EXPECT_EQ(site.occupant[j].occupancy, want.occupants[j].second);
            } else {
                EXPECT_EQ(site.occupant[j].occupancy, 0.0f);
            }
        }
        EXPECT_EQ(std::string(site.label), want.label.substr(0, 6));
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(site.x[k], want.x[k]);
        EXPECT_EQ(site.numInCell, static_cast<AtomIndex>(want.numInCell));
        EXPECT_EQ(site.pos, pos);
        EXPECT_EQ(site.lastInRange, pos + site.numInCell - 1);
        EXPECT_TRUE(site.include);
        pos += site.numInCell;
        if (ellipsoids) {
            EXPECT_EQ(site.adpType, want.adpType);
            EXPECT_EQ(site.uIso, want.uIso);
            const float expected[3][3] = {{want.u[0], want.u[5], want.u[4]},
                                          {want.u[5], want.u[1], want.u[3]},
                                          {want.u[4], want.u[3], want.u[2]}};
            for (int i = 0; i < 3; ++i)
                for (int k = 0; k < 3; ++k)
                    EXPECT_EQ(site.uAni[i][k], expected[i][k]) << i << k;
        }
    }
    ASSERT_EQ(xp.nAtoms(), static_cast<AtomIndex>(model.atoms.size()));
    for (std::size_t i = 0; i < model.atoms.size(); ++i)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(xp.atoms[i].x[k], model.atoms[i].x[k]) << "atom " << i;
}

struct VersionCase {
    int format;
    bool ellipsoids;
};

class CrystalFileVersions : public CrystalFileReading, public ::testing::WithParamInterface<VersionCase> {};

}  // namespace

TEST_P(CrystalFileVersions, ReadsEveryFieldOfTheStandardBlocks)
{
    const auto [format, ellipsoids] = GetParam();
    for (const CrystalSpec& model : {RockSalt(), MixedSiteCrystal()}) {
        ASSERT_TRUE(Read(CrystalFile(model, format, ellipsoids))) << (Alerts().empty() ? "" : Alerts()[0]);
        ExpectCrystal(*crystal, model, ellipsoids);
    }
    EXPECT_TRUE(Alerts().empty());
    EXPECT_EQ(sink.Last(RecordingStatusSink::Kind::InfoBar)->text, "File_Loaded");
}

INSTANTIATE_TEST_SUITE_P(Formats, CrystalFileVersions,
                         ::testing::Values(VersionCase{5, false}, VersionCase{6, true}, VersionCase{7, false},
                                           VersionCase{7, true}, VersionCase{8, true}));

TEST_F(CrystalFileReading, UnknownBlockAnywhereIsSkippedByTheMap)
{
    const CrystalSpec model = MixedSiteCrystal();
    const std::vector<Block> standard = StandardBlocks(model, 7, true);
    for (std::size_t at = 0; at <= standard.size(); ++at) {
        std::vector<Block> blocks = standard;
        blocks.insert(blocks.begin() + static_cast<long>(at), Block{"XTRA", ByteVector(13, 0xEE)});
        HeaderSpec header;
        ASSERT_TRUE(Read(CrystalFileBytes(header, blocks))) << "unknown block at " << at;
        ExpectCrystal(*crystal, model, true);
    }
}

TEST_F(CrystalFileReading, OccupantCountsZeroAndBeyondThree)
{
    CrystalSpec model = RockSalt();
    model.sites[0].occupants.clear();  // count 0: one occupant "ZZ" at 1.0
    model.sites[1].occupants = {{"Cl", 0.5f}, {"Br", 0.25f}, {"I", 0.125f}, {"F", 0.0625f}, {"At", 0.0625f}};
    for (int format : {6, 7}) {
        ASSERT_TRUE(Read(CrystalFile(model, format)));
        EXPECT_EQ(SymbolToString(crystal->AU[0].occupant[0].symbol), "ZZ");
        EXPECT_EQ(crystal->AU[0].occupant[0].occupancy, 1.0f);
        EXPECT_EQ(SymbolToString(crystal->AU[1].occupant[2].symbol), "I");
        EXPECT_EQ(crystal->AU[1].occupant[2].occupancy, 0.125f);
        // The reader stayed aligned past the two occupants it dropped.
        EXPECT_EQ(crystal->AU[1].x[2], 0.5f);
        EXPECT_EQ(crystal->AU[1].numInCell, 4);
    }
}

TEST_F(CrystalFileReading, AtomRecordsBeyondASitesCountAreNotStored)
{
    CrystalSpec model = RockSalt();
    model.sites[0].numInCell = 3;  // four records of Na follow, only three belong to the cell
    ASSERT_TRUE(Read(CrystalFileBytes(HeaderSpec{}, {CellBlock(model), AUN7Block(model), [&] {
                                                         Block b = ATO7Block(model);
                                                         SetBigEndian32(b.payload, 4, 7);  // nAtoms
                                                         return b;
                                                     }()})));
    ASSERT_EQ(crystal->nAtoms(), 7);
    EXPECT_EQ(crystal->atoms[2].x[1], model.atoms[2].x[1]);
    EXPECT_EQ(crystal->atoms[3].x[0], model.atoms[4].x[0]);  // the first Cl, not the fourth Na
    EXPECT_EQ(crystal->AU[1].pos, 3);
}

TEST_F(CrystalFileReading, HeaderLayoutsAndTypes)
{
    const std::vector<Block> blocks = StandardBlocks(RockSalt(), 7, false);
    struct Case {
        const char* name;
        HeaderSpec header;
        bool reads;
        std::string alert;
    };
    const Case cases[] = {
        {"crystal, later variant", {"OBD5", 8, 'W', "8.0.0", HeaderLayout::Current}, true, ""},
        {"format from the version text", {"OBDF", 0, 'M', "7.2.1b4", HeaderLayout::Parenthesis}, true, ""},
        {"two-digit major in the version text", {"OBDF", 7, 'M', "12.0.1", HeaderLayout::Parenthesis}, false,
         "Sorry, this file was created by a more recent version of the program (12) and cannot by read."},
        {"format 9", {"OBDF", 9, 'M', "9.0.0", HeaderLayout::Current}, false,
         "Sorry, this file was created by a more recent version of the program (9) and cannot by read."},
        {"molecule file", {"OBM5", 7, 'M', "7.0.0", HeaderLayout::Current}, false, "No_Molecule_Diffraction"},
        {"molecule file of format 99", {"OBMF", 99, 'M', "7.0.0", HeaderLayout::Current}, false,
         "No_Molecule_Diffraction"},
        {"garbage version text", {"OBDF", 7, 'M', "x!?.#.~~~", HeaderLayout::Parenthesis}, false, "Error_Bad_Version"},
        {"no type code", {"ABCD", 7, 'M', "7.0.0", HeaderLayout::Current}, false, "Unknown_File_Type"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sink.Clear();
        EXPECT_EQ(Read(CrystalFileBytes(c.header, blocks)), c.reads);
        EXPECT_EQ(LastAlert(), c.alert);
    }

    CrystalFileHeaderRec header;
    FileHandle file = StreamOf(CrystalFileBytes({"OBD5", 6, 'W', "6.1.0", HeaderLayout::Current}, blocks));
    ASSERT_TRUE(ReadFileHeader(file.get(), &header));
    EXPECT_EQ(header.fileType, kFileTypeOBD5);
    EXPECT_EQ(header.formatVersion, 6);
    EXPECT_EQ(header.platform, 1);
    EXPECT_EQ(header.versionCode, 610300u);
}

TEST_F(CrystalFileReading, DamagedFilesAreRefusedWithAMessage)
{
    const CrystalSpec model = MixedSiteCrystal();
    const std::vector<Block> blocks = StandardBlocks(model, 7, true);
    const ByteVector good = CrystalFileBytes(HeaderSpec{}, blocks);
    const std::size_t map = MapOffset(blocks);
    const std::size_t aun7 = BlockOffset(blocks, 2) + 4, ato7 = BlockOffset(blocks, 4) + 4;

    auto withCell = [&](float a, float alpha, float beta, float gamma) {
        CrystalSpec s = model;
        s.cell[0] = a;
        s.cell[3] = alpha;
        s.cell[4] = beta;
        s.cell[5] = gamma;
        return CrystalFile(s, 7, true);
    };
    auto patched = [&](std::size_t at, std::uint32_t value) {
        ByteVector b = good;
        SetBigEndian32(b, at, value);
        return b;
    };
    auto patchedByte = [&](std::size_t at, std::uint8_t value) {
        ByteVector b = good;
        b[at] = value;
        return b;
    };
    const std::string blockAlert = "Error -1 when reading data of type '";
    struct Case {
        const char* name;
        ByteVector bytes;
        std::string alert;
    };
    const Case cases[] = {
        {"map of 1000 entries", [&] { ByteVector b = good; b[map + 4] = 0x03; b[map + 5] = 0xE8; return b; }(),
         "Error_Bad_Block_Map"},
        {"map offset past the end", patched(28, 0x7FFFFFF0), "Error_Bad_Block_Map"},
        {"negative map offset", patched(28, 0xFFFFFF00), "Error_Bad_Block_Map"},
        {"map entries out of order", patched(map + 6 + 4 * 2, static_cast<std::uint32_t>(BlockOffset(blocks, 1))),
         "Error_Bad_Block_Map"},
        {"site count of billions", patched(aun7, 3000000000u), blockAlert + "AUN7'"},
        {"negative label length", patchedByte(aun7 + 4 + 1 + 3 * 6 + 4, 0xFF), blockAlert + "AUN7'"},
        {"atom count of billions", patched(ato7 + 4, 4000000000u), blockAlert + "ATO7'"},
        {"record count of billions", patched(ato7, 4000000000u), blockAlert + "ATO7'"},
        {"site index out of range", patched(ato7 + 20 + 4, 2), blockAlert + "ATO7'"},
        {"NaN cell edge", withCell(std::numeric_limits<float>::quiet_NaN(), 90, 90, 90), "Error_Invalid_Cell"},
        {"infinite cell edge", withCell(std::numeric_limits<float>::infinity(), 90, 90, 90), "Error_Invalid_Cell"},
        {"zero cell", withCell(0, 90, 90, 90), "Error_Invalid_Cell"},
        {"absurd cell edge", withCell(1e30f, 90, 90, 90), "Error_Invalid_Cell"},
        {"angles that make no cell", withCell(5, 60, 60, 150), "Error_Invalid_Cell"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sink.Clear();
        EXPECT_FALSE(Read(c.bytes));
        EXPECT_EQ(LastAlert(), c.alert);
    }
}

TEST_F(CrystalFileReading, EveryTruncationIsRefusedWithAMessage)
{
    // The file cut short anywhere...
    const ByteVector good = CrystalFile(MixedSiteCrystal(), 7, true);
    for (std::size_t n = 0; n < good.size(); ++n) {
        sink.Clear();
        EXPECT_FALSE(Read(ByteVector(good.begin(), good.begin() + static_cast<long>(n)))) << n << " bytes";
        EXPECT_FALSE(Alerts().empty()) << n << " bytes";
    }
    // ...and every block cut short inside a file whose map agrees with the shorter block.
    for (int format : {6, 7}) {
        const std::vector<Block> blocks = StandardBlocks(MixedSiteCrystal(), format, true);
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            // A symmetry block carries more than the 22 bytes that are read.
            const std::size_t needed = blocks[b].label == "SYMM" ? 22 : blocks[b].payload.size();
            for (std::size_t n = 0; n < needed; ++n) {
                std::vector<Block> cut = blocks;
                cut[b].payload.resize(n);
                sink.Clear();
                EXPECT_FALSE(Read(CrystalFileBytes(HeaderSpec{}, cut))) << blocks[b].label << " of " << n << " bytes";
                EXPECT_FALSE(Alerts().empty()) << blocks[b].label << " of " << n << " bytes";
            }
        }
    }
}

TEST_F(CrystalFileReading, EllipsoidsOfAnotherSiteCountAreRefused)
{
    CrystalSpec other = MixedSiteCrystal();
    other.sites.pop_back();
    const CrystalSpec model = MixedSiteCrystal();
    EXPECT_FALSE(Read(CrystalFileBytes(HeaderSpec{}, {CellBlock(model), AUN7Block(model), AUELBlock(other), ATO7Block(model)})));
    EXPECT_EQ(LastAlert(), "Error -1 when reading data of type 'AUEL'");
    // Ellipsoids before any sites cannot be placed either.
    EXPECT_FALSE(Read(CrystalFileBytes(HeaderSpec{}, {CellBlock(model), AUELBlock(model), AUN7Block(model), ATO7Block(model)})));
}

// ---- loading into a document ----

class CrystalFileLoading : public CrystalFileReading {
protected:
    void SetUp() override
    {
        CrystalFileReading::SetUp();
        ASSERT_TRUE(LoadShippedScatteringTable());
    }
    // Loads as a caller does: the reader's problems are shown afterwards.
    VLPatternPtr Load(const std::string& path)
    {
        FileProblems problems;
        VLPatternPtr p = LoadPatternFromCrystalFile(doc.get(), path, PrefDataRec{}, problems);
        ShowProblems(problems);
        return p;
    }
    TempFolder folder;
};

TEST_F(CrystalFileLoading, AddsADiffractedPatternSortedByName)
{
    WriteFileBytes(folder / "salt.obdf", CrystalFile(RockSalt(), 7));
    WriteFileBytes(folder / "Mixed.obd5", CrystalFile(MixedSiteCrystal(), 8, true));
    VLPatternPtr salt = Load(folder / "salt.obdf");
    VLPatternPtr mixed = Load(folder / "Mixed.obd5");
    ASSERT_TRUE(salt && mixed);
    EXPECT_EQ(doc->fileList[0].get(), mixed);  // sorted by name, ignoring case
    EXPECT_EQ(doc->plotList, (std::vector<VLPatternPtr>{salt, mixed}));
    EXPECT_EQ(salt->name, "salt.obdf");
    EXPECT_EQ(salt->filePtr, folder / "salt.obdf");
    EXPECT_EQ(salt->type, kPatternTypeCrystal);
    ASSERT_GT(salt->crystal->nRefs(), 0);
    EXPECT_NEAR(salt->crystal->refs[0].dsp, 5.6402 / std::sqrt(3.0), 1e-4);  // 111 first
    EXPECT_EQ(salt->crystal->plotColor, gMenuFileColor[0]);
    EXPECT_EQ(mixed->crystal->plotColor, gMenuFileColor[1]);
    EXPECT_EQ(salt->crystal->volFrac, 0.0f);
}

TEST_F(CrystalFileLoading, RefusedFileLeavesTheDocumentAsItWas)
{
    WriteFileBytes(folder / "salt.obdf", CrystalFile(RockSalt(), 7));
    ASSERT_TRUE(Load(folder / "salt.obdf"));
    ByteVector broken = CrystalFile(RockSalt(), 7);
    broken.resize(broken.size() - 3);
    WriteFileBytes(folder / "broken.obdf", broken);
    EXPECT_EQ(Load(folder / "broken.obdf"), nullptr);
    EXPECT_EQ(Load(folder / "missing.obdf"), nullptr);
    EXPECT_EQ(doc->fileList.size(), 1u);
    EXPECT_EQ(doc->plotList.size(), 1u);
    EXPECT_EQ(doc->nextPlotColor, 1);  // the refused files took no colour
}

TEST_F(CrystalFileLoading, TransferFileIsReadThenDeleted)
{
    ScopedEnv config("XDG_CONFIG_HOME", folder.path());
    ASSERT_EQ(::mkdir((folder / "Orbelin Cache").c_str(), 0700), 0);
    const std::string path = folder / "Orbelin Cache/<<Salt";
    WriteFileBytes(path, CrystalFile(RockSalt(), 7));
    EXPECT_TRUE(MyFileIsTransferFile(path));
    EXPECT_FALSE(MyFileIsTransferFile(folder / "Orbelin Cache/Salt"));
    VLPatternPtr p = Load(path);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->name, "Salt");
    EXPECT_TRUE(p->filePtr.empty());
    EXPECT_FALSE(FileExists(path));
}
