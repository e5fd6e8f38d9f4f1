// Crystal files of format versions 2 to 4, read from files built field by field.
#include "CrystalFile.h"
#include "Document.h"
#include "FileTestSupport.h"
#include "LegacyCrystalFile.h"
#include "writers/CrystalFileWriter.h"

#include <gtest/gtest.h>

using namespace testfiles;

namespace {

using LegacyCrystalReading = CrystalReadingTest;

// Two sites of 4 and 8 positions, the second labelled "O1" and four blanks.
CrystalSpec TwoSites()
{
    CrystalSpec c;
    const float cell[6] = {4.75f, 4.75f, 12.5f, 90, 90, 120};
    std::copy(cell, cell + 6, c.cell);
    c.ltyp = 'R';
    c.spaceGroup = "R -3 c";
    SiteSpec al;
    al.occupants = {{"Al", 1}};
    al.label = "Al";
    al.x[2] = 0.35f;
    al.numInCell = 4;
    SiteSpec o;
    o.occupants = {{"O", 1}};
    o.label = "O1    ";
    o.x[0] = 0.3f;
    o.x[2] = 0.25f;
    o.numInCell = 8;
    c.sites = {al, o};
    for (std::uint32_t s = 0; s < 2; ++s)
        for (std::uint32_t i = 0; i < c.sites[s].numInCell; ++i)
            c.atoms.push_back(AtomSpec{s, {0.125f * static_cast<float>(i), 0.5f * static_cast<float>(s), 0.25f}});
    return c;
}

}  // namespace

TEST_F(LegacyCrystalReading, ReadsTheRecordsOfAVersion3File)
{
    const CrystalSpec model = TwoSites();
    ASSERT_TRUE(Read(LegacyCrystalFile(model, "3.0.0")));
    EXPECT_EQ(crystal->a, 4.75f);
    EXPECT_EQ(crystal->c, 12.5f);
    EXPECT_EQ(crystal->gamma, 120.0f);
    EXPECT_EQ(crystal->ltyp, 'R');
    ASSERT_EQ(crystal->ntyp(), 2);
    const InputDataRec& al = crystal->AU[0];
    const InputDataRec& o = crystal->AU[1];
    EXPECT_STREQ(al.label, "Al");
    EXPECT_STREQ(o.label, "O1");  // trailing blanks cut
    for (const InputDataRec* site : {&al, &o}) {
        // Exactly one occupant, at 1.0; the other slots hold two blanks and nothing.
        EXPECT_EQ(site->occupant[0].occupancy, 1.0f);
        for (int j = 1; j < 3; ++j) {
            EXPECT_EQ(site->occupant[j].symbol, 8224);
            EXPECT_EQ(site->occupant[j].occupancy, 0.0f);
        }
        EXPECT_TRUE(site->include);
    }
    EXPECT_EQ(SymbolToString(o.occupant[0].symbol), "O");
    EXPECT_EQ(o.x[0], 0.3f);
    EXPECT_EQ(al.pos, 0);
    EXPECT_EQ(al.lastInRange, 3);
    EXPECT_EQ(o.pos, 4);
    EXPECT_EQ(o.lastInRange, 11);
    ASSERT_EQ(crystal->nAtoms(), 12);
    EXPECT_EQ(crystal->atoms[5].x[0], 0.125f);
    EXPECT_EQ(crystal->atoms[5].x[1], 0.5f);
    EXPECT_EQ(LastAlert(), "");
}

TEST_F(LegacyCrystalReading, UnknownRecordsAndExtraAtomRecordsAreSkipped)
{
    const CrystalSpec model = TwoSites();
    const Record unknown{"BOND", ByteVector(17, 0xAB)};
    ASSERT_TRUE(Read(LegacyCrystalFileBytes(
        "OBDF", "4.0.2", {unknown, LegacyCellRecord(model), unknown, LegacySymmRecord(model), LegacyAUCRRecord(model),
                          unknown, LegacyATOMRecord(model, 2), unknown, LegacyNoteRecord()})));
    ASSERT_EQ(crystal->nAtoms(), 12);
    for (std::size_t i = 0; i < model.atoms.size(); ++i)
        EXPECT_EQ(crystal->atoms[i].x[0], model.atoms[i].x[0]) << i;  // no bogus record was taken
}

TEST_F(LegacyCrystalReading, VersionsAndTypes)
{
    const CrystalSpec model = TwoSites();
    struct Case {
        std::string type, version;
        bool reads;
        std::string alert;
    };
    const Case cases[] = {
        {"OBDF", "2.0.0b12", true, ""},
        {"OBDF", "2.0.0b11", false, "Obsolete_Crystal_File"},
        {"OBDF", "1.9.9", false, "Obsolete_Crystal_File"},
        {"OBMF", "3.0.0", false, "No_Molecule_Diffraction"},
        {"OBDF", "?.@.#", false, "Error_Bad_Version"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type + " " + c.version);
        sink.Clear();
        const ByteVector bytes = LegacyCrystalFileBytes(
            c.type, c.version,
            {LegacyCellRecord(model), LegacySymmRecord(model), LegacyAUCRRecord(model), LegacyATOMRecord(model),
             LegacyNoteRecord()});
        EXPECT_EQ(Read(bytes), c.reads);
        EXPECT_EQ(LastAlert(), c.alert);
    }
}

TEST_F(LegacyCrystalReading, DamagedFilesAreRefusedWithAMessage)
{
    const CrystalSpec model = TwoSites();
    CrystalSpec empty = model;
    for (SiteSpec& s : empty.sites)
        s.numInCell = 0;
    CrystalSpec crowded = model;
    crowded.sites[0].numInCell = 32001;
    Record shortAtom = LegacyATOMRecord(model);
    shortAtom.payload[2 + 2 * 2 + 3] = 13;  // the first atom record claims 13 bytes, fewer than its own fields
    struct Case {
        const char* name;
        std::vector<Record> records;
        std::string alert;
    };
    const Case cases[] = {
        {"no atoms", {LegacyAUCRRecord(empty), LegacyATOMRecord(empty), LegacyNoteRecord()}, "No_Atoms_In_Cell"},
        {"too many atoms", {LegacyAUCRRecord(crowded), LegacyATOMRecord(model), LegacyNoteRecord()}, "Too_Many_Atoms"},
        {"atom record shorter than its fields", {LegacyCellRecord(model), LegacyAUCRRecord(model), shortAtom},
         "Error -1 when reading data of type 'ATOM'"},
        {"no atom record", {LegacyCellRecord(model), LegacyAUCRRecord(model), LegacyNoteRecord()}, "No_Atoms_In_Cell"},
        {"no note", {LegacyCellRecord(model), LegacyAUCRRecord(model), LegacyATOMRecord(model)}, "Error_Truncated_File"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sink.Clear();
        EXPECT_FALSE(Read(LegacyCrystalFileBytes("OBDF", "3.1.0", c.records)));
        EXPECT_EQ(LastAlert(), c.alert);
    }

    // A record length below 4 would move backwards; one past the end of the file, beyond it.
    for (std::uint32_t length : {0u, 3u, 0xFFFFFFF0u}) {
        ByteVector bytes = LegacyCrystalFile(model);
        bytes[90] = static_cast<std::uint8_t>(length >> 24);
        bytes[91] = static_cast<std::uint8_t>(length >> 16);
        bytes[92] = static_cast<std::uint8_t>(length >> 8);
        bytes[93] = static_cast<std::uint8_t>(length);
        sink.Clear();
        EXPECT_FALSE(Read(bytes)) << length;
        EXPECT_FALSE(Alerts().empty()) << length;
    }
    const ByteVector good = LegacyCrystalFile(model);
    for (std::size_t n = 0; n + LegacyNoteRecord().payload.size() + 8 < good.size(); ++n) {
        sink.Clear();
        EXPECT_FALSE(Read(ByteVector(good.begin(), good.begin() + static_cast<long>(n)))) << n;
        EXPECT_FALSE(Alerts().empty()) << n;
    }
}
