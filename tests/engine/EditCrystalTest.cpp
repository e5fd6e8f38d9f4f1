// The crystal editor's working copy: typed occupancy cells read as the editor's rules say (and
// refused texts leave the site alone), lattice fields, the table's columns and sort orders, and
// an applied edit giving the very pattern the parameter list gives, undone as one step.
#include "Diffraction.h"
#include "Document.h"
#include "EditCrystal.h"
#include "FileTestSupport.h"
#include "Globals.h"
#include "ParameterList.h"
#include "ParameterUndo.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

EditCrystalSiteRec Site(const char* label, const char* symbol = "Fe", float occupancy = 1.0f)
{
    EditCrystalSiteRec s;
    std::strncpy(s.label, label, 6);
    s.symbol[0] = PackSymbol(symbol);
    s.occupancy[0] = occupancy;
    return s;
}

struct Slot {
    const char* symbol;  // as packed: "Fe", "O ", "OH"
    float occupancy;
};

struct OccupancyCase {
    const char* text;
    const char* label;
    OccupancyOutcome outcome;
    Slot slots[3];
    const char* caution;
};

void PrintTo(const OccupancyCase& c, std::ostream* os)
{
    *os << '"' << c.text << "\" on " << c.label;
}

// Expected slots worked out by hand from the rules: numbers cut at 1, symbols in element case,
// pairs largest first (ties in typed order), blank symbols empty.
const OccupancyCase kOccupancyCases[] = {
    {"fe .3 ni .7", "M1", OccupancyOutcome::Applied, {{"Ni", 0.7f}, {"Fe", 0.3f}, {"  ", 0}}, ""},
    {"Fe0.5Mg0.5", "M1", OccupancyOutcome::Applied, {{"Fe", 0.5f}, {"Mg", 0.5f}, {"  ", 0}}, ""},
    {"Mg 0.5 Fe 0.5", "M1", OccupancyOutcome::Applied, {{"Mg", 0.5f}, {"Fe", 0.5f}, {"  ", 0}}, ""},
    {"OH 1", "O3", OccupancyOutcome::Applied, {{"OH", 1}, {"  ", 0}, {"  ", 0}}, ""},
    {"CA 1", "M1", OccupancyOutcome::Applied, {{"Ca", 1}, {"  ", 0}, {"  ", 0}}, ""},
    {"2Fe", "M1", OccupancyOutcome::Applied, {{"Fe", 1}, {"  ", 0}, {"  ", 0}}, ""},
    {"o 1", "M1", OccupancyOutcome::Applied, {{"O ", 1}, {"  ", 0}, {"  ", 0}}, ""},
    {"Fe", "M1", OccupancyOutcome::Applied, {{"Fe", 1}, {"  ", 0}, {"  ", 0}}, ""},
    {"Fe 0.4 Mg", "M1", OccupancyOutcome::Applied, {{"Fe", 0.4f}, {"Mg", 0}, {"  ", 0}}, ""},
    {"", "Si1", OccupancyOutcome::Applied, {{"Si", 1}, {"  ", 0}, {"  ", 0}}, ""},
    {"   ", "OH2", OccupancyOutcome::Applied, {{"OH", 1}, {"  ", 0}, {"  ", 0}}, ""},
    {"", "CH3", OccupancyOutcome::Applied, {{"C ", 1}, {"  ", 0}, {"  ", 0}}, ""},
    {"", "o1", OccupancyOutcome::Applied, {{"O ", 1}, {"  ", 0}, {"  ", 0}}, ""},
    {"Fe 0.6 Mg 0.6", "M1", OccupancyOutcome::Overfull, {{"Fe", 0.6f}, {"Mg", 0.6f}, {"  ", 0}},
     "Total site occupancy should not exceed 1 !"},
    {"mg .25 fe .75 al .5", "M1", OccupancyOutcome::Overfull, {{"Fe", 0.75f}, {"Al", 0.5f}, {"Mg", 0.25f}},
     "Total site occupancy should not exceed 1 !"},
};

class OccupancyCellTest : public ::testing::TestWithParam<OccupancyCase> {};

TEST_P(OccupancyCellTest, ReadsSymbolsAndNumbersInAnyArrangement)
{
    const OccupancyCase& c = GetParam();
    EditCrystalSiteRec site = Site(c.label, "Zr", 0.9f);
    const OccupancyResult result = ExtractSiteOccupancies(site, c.text);
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.caution, c.caution);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(site.symbol[k], PackSymbol(c.slots[k].symbol[0], c.slots[k].symbol[1])) << "slot " << k;
        EXPECT_FLOAT_EQ(site.occupancy[k], c.slots[k].occupancy) << "slot " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, OccupancyCellTest, ::testing::ValuesIn(kOccupancyCases));

struct RefusalCase {
    const char* text;
    const char* label;
    OccupancyOutcome outcome;
    const char* caution;
};

TEST(OccupancyCell, RefusedOrEmptyTextsLeaveTheSiteAsItWas)
{
    const RefusalCase cases[] = {
        {"3+ 0.5", "M1", OccupancyOutcome::Refused, "Element symbol must begin with a letter A-Z"},
        {"Fe 0.5 (Mg) 0.5", "M1", OccupancyOutcome::Refused, "Element symbol must begin with a letter A-Z"},
        {"", "1X", OccupancyOutcome::Refused, "Please enter an element symbol!"},
        {"", "", OccupancyOutcome::Unchanged, ""},
        {"0.5", "M1", OccupancyOutcome::Unchanged, ""},
        {"0.7 0.7", "M1", OccupancyOutcome::Unchanged, "Total site occupancy should not exceed 1 !"},
    };
    for (const RefusalCase& c : cases) {
        EditCrystalSiteRec site = Site(c.label, "Zr", 0.9f);
        site.symbol[1] = PackSymbol("Hf");
        site.occupancy[1] = 0.1f;
        const EditCrystalSiteRec before = site;
        const OccupancyResult result = ExtractSiteOccupancies(site, c.text);
        EXPECT_EQ(result.outcome, c.outcome) << c.text;
        EXPECT_EQ(result.caution, c.caution) << c.text;
        EXPECT_EQ(std::memcmp(&site, &before, sizeof site), 0) << c.text;
    }
}

TEST(OccupancyCell, CellTextListsTheOccupiedSlots)
{
    EditCrystalSiteRec site = Site("M1", "Fe", 0.5f);
    site.symbol[1] = PackSymbol("O");
    site.occupancy[1] = 0.25f;
    site.symbol[2] = PackSymbol("Mg");  // no occupancy: not listed
    EXPECT_EQ(OccupancyText(site), "Fe 0.50  O  0.25");
}

TEST(LatticeFields, ShownReadAndChecked)
{
    EXPECT_EQ(FormatLatticeField(5.43102f), "5.4310");
    EXPECT_EQ(FormatLatticeField(12.3456f), "12.346");
    EXPECT_EQ(FormatLatticeField(90.0f), "90.000");
    // A field left as shown keeps the full value; one that does not read keeps the current value.
    EXPECT_EQ(ReadLatticeField("5.4310", 5.43102f), 5.43102f);
    EXPECT_EQ(ReadLatticeField("5.5", 5.43102f), 5.5f);
    EXPECT_EQ(ReadLatticeField(" 6.25 Å", 5.43102f), 6.25f);
    EXPECT_EQ(ReadLatticeField("abc", 5.43102f), 5.43102f);
    EXPECT_EQ(ReadLatticeField("", 5.43102f), 5.43102f);

    EditCrystalRec cell;
    cell.a = cell.b = cell.c = 5;
    cell.alpha = cell.beta = cell.gamma = 90;
    EXPECT_EQ(LatticeRefusal(cell), "");
    cell.alpha = cell.beta = cell.gamma = 60;  // the rhombohedral cell of a face-centred cube
    EXPECT_EQ(LatticeRefusal(cell), "");
    cell.alpha = cell.beta = cell.gamma = 120;  // flat: 1 − 3 cos² + 2 cos³ = 0
    EXPECT_NE(LatticeRefusal(cell), "");
    cell.alpha = cell.beta = cell.gamma = 90;
    cell.b = 0;
    EXPECT_NE(LatticeRefusal(cell), "");
    cell.b = 5;
    cell.gamma = 180;
    EXPECT_NE(LatticeRefusal(cell), "");
}

TEST(SiteTable, ColumnsFollowTheDisplacementParameters)
{
    auto xp = MakeRockSalt();
    xp->AU[0].adpType = kADPTypeUij;
    xp->AU[0].uAni[0][0] = 0.011f, xp->AU[0].uAni[1][1] = 0.022f, xp->AU[0].uAni[2][2] = 0.033f;
    xp->AU[0].uAni[0][1] = 0.012f, xp->AU[0].uAni[0][2] = 0.013f, xp->AU[0].uAni[1][2] = 0.023f;
    xp->AU[1].adpType = kADPTypeUiso;
    xp->AU[1].uIso = 0.5f;
    xp->AU[1].x[0] = 0.5f;
    EditCrystalPtr isotropic = CreateEditCrystal(xp.get());
    ASSERT_TRUE(isotropic);
    EXPECT_EQ(EditCrystalColumns(*isotropic).size(), 6u);

    xp->hasEllipsoids = true;
    EditCrystalPtr edit = CreateEditCrystal(xp.get());
    using C = EditCrystalColumn;
    const std::vector<C> expected = {C::Use, C::Label, C::Occupancy, C::X,   C::Y,   C::Z,   C::U11,
                                     C::U22, C::U33,   C::U12,       C::U13, C::U23, C::Uiso};
    EXPECT_EQ(EditCrystalColumns(*edit), expected);
    const EditCrystalSiteRec& na = edit->sites[0];
    EXPECT_EQ(EditCrystalCellText(na, C::U11), "0.0110");
    EXPECT_EQ(EditCrystalCellText(na, C::U22), "0.0220");
    EXPECT_EQ(EditCrystalCellText(na, C::U33), "0.0330");
    EXPECT_EQ(EditCrystalCellText(na, C::U12), "0.0120");
    EXPECT_EQ(EditCrystalCellText(na, C::U13), "0.0130");
    EXPECT_EQ(EditCrystalCellText(na, C::U23), "0.0230");
    EXPECT_EQ(EditCrystalCellText(na, C::X), " 0.0000");
    const EditCrystalSiteRec& cl = edit->sites[1];
    EXPECT_EQ(EditCrystalCellText(cl, C::U11), "");  // isotropic: no U values
    EXPECT_EQ(EditCrystalCellText(cl, C::Uiso), "0.5000");
    EXPECT_EQ(EditCrystalCellText(cl, C::X), " 0.5000");
    EXPECT_EQ(EditCrystalCellText(cl, C::Occupancy), "Cl 1.00");
}

TEST(SiteTable, EveryColumnSorts)
{
    EditCrystalRec edit;
    const char* labels[] = {"O10", "Si1", "O2", "Al1"};
    const char* symbols[] = {"O", "Si", "O", "Al"};
    const float x[] = {0.3f, 0.1f, 0.4f, 0.2f};
    const bool use[] = {true, false, true, false};
    for (int i = 0; i < 4; ++i) {
        EditCrystalSiteRec s = Site(labels[i], symbols[i]);
        s.index = static_cast<UInt32>(i);
        s.x[0] = x[i];
        s.use = use[i];
        edit.sites.push_back(s);
    }
    using C = EditCrystalColumn;
    // Site-label order puts trailing numbers in numeric order.
    EXPECT_EQ(EditCrystalRowOrder(edit, C::Label, true), (std::vector<UInt32>{3, 2, 0, 1}));
    EXPECT_EQ(EditCrystalRowOrder(edit, C::Label, false), (std::vector<UInt32>{1, 0, 2, 3}));
    // Symbol codes: "Al" < "O " < "Si"; the two oxygens keep their order.
    EXPECT_EQ(EditCrystalRowOrder(edit, C::Occupancy, true), (std::vector<UInt32>{3, 0, 2, 1}));
    EXPECT_EQ(EditCrystalRowOrder(edit, C::X, true), (std::vector<UInt32>{1, 3, 0, 2}));
    EXPECT_EQ(EditCrystalRowOrder(edit, C::X, false), (std::vector<UInt32>{2, 0, 3, 1}));
    EXPECT_EQ(EditCrystalRowOrder(edit, C::Use, true), (std::vector<UInt32>{1, 3, 0, 2}));
}

// ---- applying an edit ----

struct ListHooks : RecordingHooks {
    void RebuildParameterList(WinInfoRec* w) override { RebuildParameterFolders(w); }
};

class EditCrystalDocumentTest : public FileFormatTest {
protected:
    void SetUp() override
    {
        FileFormatTest::SetUp();
        ASSERT_TRUE(LoadShippedScatteringTable());
        for (auto* d : {&doc, &other}) {
            *d = CreateWindowInfo(PrefDataRec{});
            (*d)->hooks = &hooks;
        }
        xp = AddCrystalToDocument(doc.get(), MakeRockSalt(), "NaCl");
        JustDiffract(doc.get(), xp, nullptr);
        DrawParameterList(doc.get());
    }
    static void ExpectSameReflexions(const CrystalDataRec& a, const CrystalDataRec& b)
    {
        ASSERT_EQ(a.refs.size(), b.refs.size());
        for (std::size_t i = 0; i < a.refs.size(); ++i) {
            const ReflexionRec &p = a.refs[i], &q = b.refs[i];
            EXPECT_TRUE(p.h == q.h && p.k == q.k && p.l == q.l && p.mul == q.mul && p.dsp == q.dsp && p.tth == q.tth &&
                        p.inty == q.inty)
                << "reflexion " << i;
        }
    }
    std::unique_ptr<WinInfoRec> doc, other;
    ListHooks hooks;
    CrystalDataRec* xp = nullptr;
};

TEST_F(EditCrystalDocumentTest, ALatticeParameterGivesThePatternOfTheParameterListsItem)
{
    CrystalDataRec* listed = AddCrystalToDocument(other.get(), MakeRockSalt(), "NaCl");
    JustDiffract(other.get(), listed, nullptr);
    DrawParameterList(other.get());
    SInt32 folder = 0;
    while (other->folders[static_cast<std::size_t>(folder)].name != "Unit Cell")
        ++folder;
    ASSERT_TRUE(SetParameterValue(other.get(), folder, 1, 5.75f));  // a

    EditCrystalPtr edit = RequestEditCrystal(doc.get());
    ASSERT_TRUE(edit);
    edit->a = 5.75f;
    DoEditCrystal(doc.get(), std::move(edit));
    EXPECT_EQ(xp->a, 5.75f);
    EXPECT_EQ(xp->volume, listed->volume);
    ExpectSameReflexions(*xp, *listed);
}

TEST_F(EditCrystalDocumentTest, SitesTakeTheirUseFlagsAndOccupants)
{
    // The reference: rock salt with potassium on the sodium site and the chlorine site left out.
    auto reference = MakeRockSalt();
    reference->AU[0].occupant[0] = {PackSymbol("K"), 0, 1.0f};
    reference->AU[1].include = false;
    CrystalDataRec* expected = AddCrystalToDocument(other.get(), std::move(reference), "KCl");
    JustDiffract(other.get(), expected, nullptr);

    EditCrystalPtr edit = RequestEditCrystal(doc.get());
    ASSERT_EQ(ExtractSiteOccupancies(edit->sites[0], "K 1").outcome, OccupancyOutcome::Applied);
    edit->sites[1].use = false;
    const int redraws = hooks.redraws;
    DoEditCrystal(doc.get(), std::move(edit));
    EXPECT_GT(hooks.redraws, redraws);
    EXPECT_EQ(xp->AU[0].occupant[0].symbol, PackSymbol("K"));
    EXPECT_FALSE(xp->AU[1].include);
    ExpectSameReflexions(*xp, *expected);
}

TEST_F(EditCrystalDocumentTest, AnEditThatChangesNothingRecomputesNothing)
{
    const int redraws = hooks.redraws;
    DoEditCrystal(doc.get(), RequestEditCrystal(doc.get()));
    EXPECT_EQ(hooks.redraws, redraws);
}

TEST_F(EditCrystalDocumentTest, WithoutASelectedCrystalTheEditorDoesNotOpen)
{
    doc->plotList.front()->selected = false;
    EXPECT_FALSE(RequestEditCrystal(doc.get()));
    EXPECT_EQ(LastAlert(), "Please_Select_Crystal");
}

TEST_F(EditCrystalDocumentTest, UndoGivesBackCellOccupantsAndUseFlagsInOneStep)
{
    const std::vector<ReflexionRec> before = xp->refs;
    const InputDataRec na = xp->AU[0];
    ParameterUndoStack undo;
    undo.Begin(doc.get());
    EditCrystalPtr edit = RequestEditCrystal(doc.get());
    edit->b = 5.9f;
    ExtractSiteOccupancies(edit->sites[0], "K .5 Rb .5");
    edit->sites[1].use = false;
    DoEditCrystal(doc.get(), std::move(edit));
    ASSERT_TRUE(undo.Commit(doc.get()));
    EXPECT_EQ(undo.UndoSteps(), 1u);

    ASSERT_TRUE(undo.Undo(doc.get()));
    EXPECT_EQ(xp->b, 5.6402f);
    EXPECT_TRUE(xp->AU[1].include);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(xp->AU[0].occupant[k].symbol, na.occupant[k].symbol);
        EXPECT_EQ(xp->AU[0].occupant[k].occupancy, na.occupant[k].occupancy);
    }
    ASSERT_EQ(xp->refs.size(), before.size());
    EXPECT_EQ(std::memcmp(xp->refs.data(), before.data(), before.size() * sizeof(ReflexionRec)), 0);

    ASSERT_TRUE(undo.Redo(doc.get()));
    EXPECT_EQ(xp->AU[0].occupant[0].symbol, PackSymbol("K"));
    EXPECT_EQ(xp->AU[0].occupant[1].symbol, PackSymbol("Rb"));
    EXPECT_FALSE(xp->AU[1].include);
}

}  // namespace
