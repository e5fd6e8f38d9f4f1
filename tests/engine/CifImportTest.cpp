// CIF structures into crystal records: the mapping of cell, centring, sites, occupants and
// displacement parameters, the positions generated from each way of giving the space group, the
// refusals, and the shipped example structures.
#include "CifImport.h"
#include "Constants.h"
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "Status.h"
#include "StringTable.h"
#include "TextFormat.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

namespace {


std::string Cubic(const std::string& s)
{
    return "_cell_length_a " + s + "\n_cell_length_b " + s + "\n_cell_length_c " + s +
           "\n_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 90\n";
}

const std::string kSiteLoop = "loop_\n_atom_site_label\n_atom_site_type_symbol\n"
                              "_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n";

class CifImport : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitVLGlobals();
        gPrefs = gFactoryPrefs;
        ASSERT_TRUE(LoadShippedScatteringTable());
        doc = CreateWindowInfo(PrefDataRec{});
    }

    CifImportResult Read(const std::string& text, const std::string& name = "test.cif")
    {
        return ReadCifText(text, name, PrefDataRec{});
    }

    // The only crystal of a CIF that must be read, diffracted with the window's settings.
    CrystalDataRec* Diffracted(CifImportResult& r)
    {
        EXPECT_FALSE(r.problem) << DescribeImportProblem(r.problem);
        if (r.crystals.size() != 1)
            return nullptr;
        CrystalDataRec* xp = r.crystals.front().crystal.get();
        JustDiffract(doc.get(), xp, nullptr);
        return xp;
    }

    RecordingStatusSink sink;
    ScopedThreadStatusSink scoped{&sink};
    std::unique_ptr<WinInfoRec> doc;
};

}  // namespace

TEST_F(CifImport, FillsCellCentringSitesAndPositions)
{
    CifImportResult r = Read("data_nacl\n" + Cubic("5.6402") + "_symmetry_space_group_name_H-M 'F m -3 m'\n" +
                             kSiteLoop + "Sodium12 Na1+ 0 0 0\nCl1 Cl1- 0.5 0.5 0.5\n");
    ASSERT_FALSE(r.problem) << DescribeImportProblem(r.problem);
    ASSERT_EQ(r.crystals.size(), 1u);
    EXPECT_EQ(r.crystals[0].name, "test.cif");
    const CrystalDataRec& xp = *r.crystals[0].crystal;
    EXPECT_FLOAT_EQ(xp.a, 5.6402f);
    EXPECT_FLOAT_EQ(xp.gamma, 90.0f);
    EXPECT_EQ(xp.ltyp, 'F');
    EXPECT_STREQ(xp.spaceGroupSymbol, "F m -3 m");
    ASSERT_EQ(xp.ntyp(), 2);
    EXPECT_STREQ(xp.AU[0].label, "Sodium");  // cut to six characters
    EXPECT_EQ(xp.AU[0].occupant[0].symbol, PackSymbol("Na"));
    EXPECT_EQ(xp.AU[0].occupant[0].occupancy, 1.0f);
    EXPECT_EQ(xp.AU[0].occupant[1].symbol, kEmptySymbol);
    EXPECT_TRUE(xp.AU[0].include && xp.AU[1].include);
    EXPECT_FALSE(xp.hasEllipsoids);
    // Each site's four positions are contiguous, counted from 0.
    EXPECT_EQ(xp.AU[0].pos, 0);
    EXPECT_EQ(xp.AU[0].numInCell, 4);
    EXPECT_EQ(xp.AU[1].pos, 4);
    EXPECT_EQ(xp.AU[1].numInCell, 4);
    ASSERT_EQ(xp.nAtoms(), 8);
    for (const AtomDataRec& atom : xp.atoms)
        for (float v : atom.x)
            EXPECT_TRUE(v == 0.0f || v == 0.5f) << v;
}

TEST_F(CifImport, ElementSymbolLosesChargeAndDigits)
{
    const struct {
        const char* type;
        const char* element;
    } cases[] = {
        {"Fe3+", "Fe"}, {"O2-", "O"}, {"D", "D"}, {"Cl1-", "Cl"}, {"SI4+", "Si"},
        {"Ow", "O"},  // a water oxygen: no element "Ow"
        {"Xx", ""},   {"3", ""},  {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CifElementSymbol(c.type), c.element) << c.type;
}

TEST_F(CifImport, CentringLetterFollowsTheSymbolAndTheAxes)
{
    const std::string hexagonal = "_cell_length_a 4.0\n_cell_length_b 4.0\n_cell_length_c 12.0\n"
                                  "_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 120\n";
    const std::string rhombohedral = "_cell_length_a 5.0\n_cell_length_b 5.0\n_cell_length_c 5.0\n"
                                     "_cell_angle_alpha 55\n_cell_angle_beta 55\n_cell_angle_gamma 55\n";
    const struct {
        std::string cell;
        const char* symbol;
        char ltyp;
        int atomsOfAGeneralSite;
    } cases[] = {
        {Cubic("4"), "P m -3 m", 'P', 48},    {Cubic("4"), "I m -3 m", 'I', 96},
        {Cubic("4"), "F m -3 m", 'F', 192},   {Cubic("4"), "C 1 2/m 1", 'C', 8},
        {Cubic("4"), "A m m 2", 'A', 8},      {hexagonal, "R -3 m", 'R', 36},
        {rhombohedral, "R -3 m", 'R', 12},  // rhombohedral axes: a primitive cell
    };
    for (const auto& c : cases) {
        CifImportResult r = Read(std::string("data_x\n") + c.cell + "_space_group_name_H-M_alt '" + c.symbol +
                                 "'\n" + kSiteLoop + "C1 C 0.1234 0.2345 0.3456\n");
        ASSERT_FALSE(r.problem) << c.symbol << ": " << DescribeImportProblem(r.problem);
        EXPECT_EQ(r.crystals[0].crystal->ltyp, c.ltyp) << c.symbol;
        EXPECT_EQ(r.crystals[0].crystal->nAtoms(), c.atomsOfAGeneralSite) << c.symbol;
    }
}

// The operator loop outranks the Hall symbol, which outranks the name: a general position gives
// one atom per operation of the group that was taken, and the symbol is that group's.
TEST_F(CifImport, OperatorsOutrankHallSymbolOutranksName)
{
    const std::string inversion = "loop_\n_space_group_symop_operation_xyz\n'x, y, z'\n'-x, -y, -z'\n";
    const struct {
        const char* what;
        std::string symmetry;
        int atoms;
        const char* symbol;
    } cases[] = {
        {"operators over Hall and name", inversion + "_space_group_name_Hall 'P 1'\n_space_group_name_H-M_alt 'P 1'\n",
         2, "P -1"},
        {"operators alone", inversion, 2, "P -1"},
        {"Hall over name", "_space_group_name_Hall '-P 2ybc'\n_space_group_name_H-M_alt 'P 1'\n", 4, "P 1 21/c 1"},
        {"unreadable Hall, then name", "_space_group_name_Hall 'Z 9'\n_space_group_name_H-M_alt 'P -1'\n", 2,
         "P -1"},
        {"number alone", "_space_group_IT_number 2\n", 2, "P -1"},
    };
    for (const auto& c : cases) {
        CifImportResult r = Read("data_x\n" + Cubic("5") + c.symmetry + kSiteLoop + "C1 C 0.11 0.22 0.33\n");
        ASSERT_FALSE(r.problem) << c.what << ": " << DescribeImportProblem(r.problem);
        EXPECT_EQ(r.crystals[0].crystal->nAtoms(), c.atoms) << c.what;
        EXPECT_STREQ(r.crystals[0].crystal->spaceGroupSymbol, c.symbol) << c.what;
    }
}

TEST_F(CifImport, DisplacementParametersMapToTheEngineForms)
{
    CifImportResult r = Read("data_x\n" + Cubic("5") + "_space_group_name_H-M_alt 'P 1'\n" +
                             "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n"
                             "_atom_site_fract_y\n_atom_site_fract_z\n_atom_site_U_iso_or_equiv\n"
                             "_atom_site_B_iso_or_equiv\n_atom_site_adp_type\n"
                             "U1 Cu 0.1 0.1 0.1 0.0100 ? Uiso\n"
                             "B1 Cu 0.2 0.2 0.2 ? 0.79 Biso\n"
                             "A1 Cu 0.3 0.3 0.3 0.02 ? Uani\n"
                             "A2 Cu 0.4 0.4 0.4 ? 1.5 Bani\n"
                             "N1 Cu 0.5 0.5 0.5 ? ? .\n"
                             "loop_\n_atom_site_aniso_label\n_atom_site_aniso_U_11\n_atom_site_aniso_U_22\n"
                             "_atom_site_aniso_U_33\n_atom_site_aniso_U_12\n_atom_site_aniso_U_13\n"
                             "_atom_site_aniso_U_23\n"
                             "A1 0.011 0.022 0.033 0.012 0.013 0.023\n");
    ASSERT_FALSE(r.problem) << DescribeImportProblem(r.problem);
    const CrystalDataRec& xp = *r.crystals[0].crystal;
    ASSERT_EQ(xp.ntyp(), 5);
    EXPECT_TRUE(xp.hasEllipsoids);
    EXPECT_EQ(xp.AU[0].adpType, kADPTypeUiso);
    EXPECT_NEAR(xp.AU[0].uIso, 8 * kPi * kPi * 0.01, 1e-5);  // U becomes B = 8π²U
    EXPECT_EQ(xp.AU[1].adpType, kADPTypeUiso);
    EXPECT_FLOAT_EQ(xp.AU[1].uIso, 0.79f);  // B stays B
    EXPECT_EQ(xp.AU[2].adpType, kADPTypeUij);
    EXPECT_FLOAT_EQ(xp.AU[2].uAni[0][0], 0.011f);
    EXPECT_FLOAT_EQ(xp.AU[2].uAni[1][1], 0.022f);
    EXPECT_FLOAT_EQ(xp.AU[2].uAni[2][2], 0.033f);
    EXPECT_FLOAT_EQ(xp.AU[2].uAni[0][1], 0.012f);
    EXPECT_FLOAT_EQ(xp.AU[2].uAni[0][2], 0.013f);
    EXPECT_FLOAT_EQ(xp.AU[2].uAni[1][2], 0.023f);
    // "Bani" without an aniso row falls back on the isotropic B.
    EXPECT_EQ(xp.AU[3].adpType, kADPTypeUiso);
    EXPECT_FLOAT_EQ(xp.AU[3].uIso, 1.5f);
    EXPECT_EQ(xp.AU[4].adpType, kADPTypeNone);
}

TEST_F(CifImport, IsotropicUijAndUisoGiveTheHandComputedFallOff)
{
    // Both sites with U = 0.02 Å²: every intensity falls by exp(-2B sin²θ/λ²) = exp(-B/(2d²)),
    // B = 8π²U, whichever way U is written.
    const std::string head = "data_x\n" + Cubic("4.123") + "_space_group_name_H-M_alt 'P m -3 m'\n";
    const std::string sites = "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n"
                              "_atom_site_fract_y\n_atom_site_fract_z\n_atom_site_U_iso_or_equiv\n"
                              "Cs Cs 0 0 0 %U\nCl Cl 0.5 0.5 0.5 %U\n";
    auto withU = [&](const std::string& u) {
        std::string s = sites;
        for (std::size_t at; (at = s.find("%U")) != std::string::npos;)
            s.replace(at, 2, u);
        return head + s;
    };
    const std::string aniso = "loop_\n_atom_site_aniso_label\n_atom_site_aniso_U_11\n_atom_site_aniso_U_22\n"
                              "_atom_site_aniso_U_33\n_atom_site_aniso_U_12\n_atom_site_aniso_U_13\n"
                              "_atom_site_aniso_U_23\nCs 0.02 0.02 0.02 0 0 0\nCl 0.02 0.02 0.02 0 0 0\n";
    CifImportResult none = Read(withU("?"));
    CifImportResult iso = Read(withU("0.02"));
    CifImportResult uij = Read(withU("?") + aniso);
    CrystalDataRec* a = Diffracted(none);
    CrystalDataRec* b = Diffracted(iso);
    CrystalDataRec* c = Diffracted(uij);
    ASSERT_TRUE(a && b && c);
    ASSERT_EQ(a->nRefs(), c->nRefs());
    ASSERT_GT(a->nRefs(), 8);
    const double B = 8 * kPi * kPi * 0.02;
    for (AtomIndex i = 0; i < a->nRefs(); ++i) {
        const double d = a->refs[i].dsp;
        EXPECT_NEAR(c->refs[i].inty / a->refs[i].inty, std::exp(-B / (2 * d * d)), 2e-4) << "d = " << d;
        EXPECT_NEAR(b->refs[i].inty / c->refs[i].inty, 1.0, 2e-4) << "d = " << d;
    }
}

TEST_F(CifImport, RowsOnOnePositionShareASite)
{
    // The second pair meets across the cell edge (0.9995 and -0.0004 are one coordinate).
    CifImportResult r =
        Read("data_x\n" + Cubic("5") + "_space_group_name_H-M_alt 'P 1'\n" +
             "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n_atom_site_fract_y\n"
             "_atom_site_fract_z\n_atom_site_occupancy\n"
             "M1 Mg 0.25 0.25 0.25 0.6\nO1 O 0.5 0.5 0.5 1\nF1 Fe2+ 0.2504 0.2496 0.2500 0.3\n"
             "N1 Ni 0.2500 0.2500 0.2509 0.1\nM2 Mg 0.9995 0 0 0.5\nF2 Fe -0.0004 0 0 0.5\n");
    ASSERT_FALSE(r.problem) << DescribeImportProblem(r.problem);
    const CrystalDataRec& xp = *r.crystals[0].crystal;
    ASSERT_EQ(xp.ntyp(), 3);
    EXPECT_STREQ(xp.AU[0].label, "M1");
    EXPECT_EQ(xp.AU[0].occupant[0].symbol, PackSymbol("Mg"));
    EXPECT_EQ(xp.AU[0].occupant[1].symbol, PackSymbol("Fe"));
    EXPECT_EQ(xp.AU[0].occupant[2].symbol, PackSymbol("Ni"));
    EXPECT_FLOAT_EQ(xp.AU[0].occupant[1].occupancy, 0.3f);
    EXPECT_EQ(xp.AU[1].occupant[1].symbol, kEmptySymbol);
    EXPECT_EQ(xp.AU[2].occupant[1].symbol, PackSymbol("Fe"));
    EXPECT_EQ(xp.nAtoms(), 3);
}

TEST_F(CifImport, EachBlockWithSitesIsOneCrystal)
{
    const std::string block = Cubic("4") + "_space_group_name_H-M_alt 'P m -3 m'\n" + kSiteLoop + "Cu Cu 0 0 0\n";
    CifImportResult r = Read("data_global\n_publ_section_title 'two phases'\n"
                             "data_alpha\n" + block + "data_beta\n" + block, "pair.cif");
    ASSERT_FALSE(r.problem) << DescribeImportProblem(r.problem);
    ASSERT_EQ(r.crystals.size(), 2u);
    EXPECT_EQ(r.crystals[0].name, "pair.cif: alpha");
    EXPECT_EQ(r.crystals[1].name, "pair.cif: beta");
}

// Silicon in origin choice 1 (by name, as gemmi reads a bare name), in origin choice 2 (from
// the shipped file's operator loop, a Hall symbol, and a bare name whose atoms only make sense in
// choice 2) must give one and the same reflexion list.
TEST_F(CifImport, SiliconInEitherOriginChoiceGivesTheSameReflexions)
{
    const std::string cell = "data_si\n" + Cubic("5.431020511");
    CifImportResult reference = Read(cell + "_space_group_name_H-M_alt 'F d -3 m'\n" + kSiteLoop + "Si Si 0 0 0\n");
    CrystalDataRec* ref = Diffracted(reference);
    ASSERT_TRUE(ref);
    ASSERT_EQ(ref->nAtoms(), 8);
    // 111 at d = a/√3.
    EXPECT_EQ(ref->refs[0].mul, 8);
    EXPECT_NEAR(ref->refs[0].dsp, 5.431020511 / std::sqrt(3.0), 1e-4);

    const std::string origin2 = kSiteLoop + "Si Si 0.125 0.125 0.125\n";
    struct Case {
        const char* how;
        CifImportResult read;
    } cases[] = {
        {"operator loop", ReadCifFile(VELMORA_EXAMPLES_DIR "/silicon.cif", PrefDataRec{})},
        {"Hall symbol", Read(cell + "_space_group_name_Hall '-F 4vw 2vw 3'\n" + origin2)},
        {"name with :2", Read(cell + "_space_group_name_H-M_alt 'F d -3 m :2'\n" + origin2)},
        {"bare name", Read(cell + "_symmetry_space_group_name_H-M 'F d -3 m'\n" + origin2)},
    };
    for (Case& c : cases) {
        CrystalDataRec* xp = Diffracted(c.read);
        ASSERT_TRUE(xp) << c.how;
        EXPECT_EQ(xp->nAtoms(), 8) << c.how;
        ASSERT_EQ(xp->nRefs(), ref->nRefs()) << c.how;
        for (AtomIndex i = 0; i < ref->nRefs(); ++i) {
            const ReflexionRec &p = ref->refs[i], &q = xp->refs[i];
            EXPECT_TRUE(p.h == q.h && p.k == q.k && p.l == q.l && p.mul == q.mul) << c.how << " #" << i;
            EXPECT_FLOAT_EQ(p.dsp, q.dsp) << c.how;
            EXPECT_NEAR(q.inty / p.inty, 1.0, 1e-5) << c.how << " #" << i;
        }
    }
    // Only the bare name had to choose, and says so.
    EXPECT_NE(reference.note.find("choice 1"), std::string::npos) << reference.note;
    EXPECT_NE(cases[3].read.note.find("choice 2"), std::string::npos) << cases[3].read.note;
    EXPECT_TRUE(cases[0].read.note.empty());
}

TEST_F(CifImport, BadFilesAreRefusedWithTheirReason)
{
    const std::string sg = "_space_group_name_H-M_alt 'P m -3 m'\n";
    const struct {
        const char* what;
        std::string text;
        const char* key;
        const char* subject;  // part of the subject, or "" when any
        long line;            // 0 when not checked
    } cases[] = {
        {"no cell", "data_x\n" + sg + kSiteLoop + "Cu Cu 0 0 0\n", "CIF_No_Cell", "x", 0},
        {"no atoms", "data_x\n" + Cubic("4") + sg, "CIF_No_Atoms", "", 0},
        {"only dummy atoms", "data_x\n" + Cubic("4") + sg +
             "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
             "_atom_site_calc_flag\nQ1 0 0 0 dum\n",
         "CIF_No_Atoms", "x", 0},
        {"unknown symbol", "data_x\n" + Cubic("4") + "_space_group_name_H-M_alt 'Q 9 9'\n" + kSiteLoop + "Cu Cu 0 0 0\n",
         "CIF_Unknown_Space_Group", "Q 9 9", 0},
        {"no group at all", "data_x\n" + Cubic("4") + kSiteLoop + "Cu Cu 0 0 0\n", "CIF_No_Space_Group", "x", 0},
        {"occupancy above 1", "data_x\n" + Cubic("4") + sg +
             "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
             "_atom_site_occupancy\nCu1 0 0 0 1.2\n",
         "CIF_Occupancy_Out_Of_Range", "Cu1", 0},
        {"overfull shared site", "data_x\n" + Cubic("4") + sg +
             "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
             "_atom_site_occupancy\nCu1 0 0 0 0.7\nAu1 0 0 0 0.7\n",
         "CIF_Site_Overfull", "Cu1", 0},
        {"only symbols that name no element", "data_x\n" + Cubic("4") + sg + kSiteLoop + "Q1 Qq 0 0 0\n",
         "CIF_No_Atoms", "x", 0},
        {"bad operator", "data_x\n" + Cubic("4") + "loop_\n_symmetry_equiv_pos_as_xyz\nx,y,z\n'x,y,w'\n" + kSiteLoop +
             "Cu Cu 0 0 0\n", "CIF_Bad_Symmetry_Operator", "x,y,w", 0},
        {"impossible cell", "data_x\n_cell_length_a 4\n_cell_length_b 4\n_cell_length_c 4\n_cell_angle_alpha 120\n"
                            "_cell_angle_beta 120\n_cell_angle_gamma 120\n" + sg + kSiteLoop + "Cu Cu 0 0 0\n",
         "CIF_Bad_Cell", "x", 0},
        {"unterminated string", "data_x\n" + Cubic("4") + "_space_group_name_H-M_alt 'P m -3 m\n" + kSiteLoop,
         "CIF_Syntax_Error", "unterminated", 8},
        {"not CIF at all", "2theta intensity\n10.0 5\n", "CIF_Syntax_Error", "", 1},
    };
    for (const auto& c : cases) {
        CifImportResult r = Read(c.text);
        EXPECT_EQ(r.problem.key, c.key) << c.what << ": " << DescribeImportProblem(r.problem);
        EXPECT_NE(r.problem.subject.find(c.subject), std::string::npos) << c.what << ": " << r.problem.subject;
        if (c.line) {
            EXPECT_EQ(r.problem.line, c.line) << c.what;
        }
        EXPECT_TRUE(r.crystals.empty()) << c.what;
    }
}

TEST_F(CifImport, QuartzStrongestReflexionIs101Near26Point6)
{
    CifImportResult r = ReadCifFile(VELMORA_EXAMPLES_DIR "/quartz.cif", PrefDataRec{});
    doc->plotSpecs.lambda = 1.5406f;  // Cu Kα1
    CrystalDataRec* xp = Diffracted(r);
    ASSERT_TRUE(xp);
    const ReflexionRec* strongest = &xp->refs[0];
    for (const ReflexionRec& ref : xp->refs)
        if (ref.inty > strongest->inty)
            strongest = &ref;
    // d(101) of a hexagonal cell: 1/d² = 4(h² + hk + k²)/(3a²) + l²/c².
    const double a = 4.9160, c = 5.4054;
    const double d101 = 1 / std::sqrt(4 / (3 * a * a) + 1 / (c * c));
    EXPECT_NEAR(strongest->dsp, d101, 1e-4);
    EXPECT_NEAR(strongest->tth, 26.64, 0.05);
    EXPECT_EQ(strongest->mul, 12);  // 101 and 011 families merge at one d
}

TEST_F(CifImport, ForsteriteMixedSitesHoldMagnesiumAndIron)
{
    CifImportResult r = ReadCifFile(VELMORA_EXAMPLES_DIR "/forsterite_fo90.cif", PrefDataRec{});
    ASSERT_FALSE(r.problem) << DescribeImportProblem(r.problem);
    const CrystalDataRec& xp = *r.crystals[0].crystal;
    ASSERT_EQ(xp.ntyp(), 6);
    for (int m = 0; m < 2; ++m) {
        EXPECT_EQ(xp.AU[m].occupant[0].symbol, PackSymbol("Mg"));
        EXPECT_FLOAT_EQ(xp.AU[m].occupant[0].occupancy, 0.9f);
        EXPECT_EQ(xp.AU[m].occupant[1].symbol, PackSymbol("Fe"));
        EXPECT_FLOAT_EQ(xp.AU[m].occupant[1].occupancy, 0.1f);
        EXPECT_EQ(xp.AU[m].numInCell, 4);
    }
    EXPECT_EQ(xp.nAtoms(), 28);  // 4 formula units of M2SiO4
}

TEST_F(CifImport, EveryShippedStructureLoads)
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VELMORA_EXAMPLES_DIR)) {
        if (entry.path().extension() != ".cif")
            continue;
        ++count;
        CifImportResult r = ReadCifFile(entry.path().string(), PrefDataRec{});
        CrystalDataRec* xp = Diffracted(r);
        ASSERT_TRUE(xp) << entry.path();
        EXPECT_GT(xp->nRefs(), 0) << entry.path();
        EXPECT_GT(xp->density, 1000) << entry.path();
        // Nothing doubtful in a well-made file: at most the origin choice of a bare name.
        EXPECT_TRUE(r.note.empty() ||
                    (r.note.find('\n') == std::string::npos && r.note.find("origin choice") != std::string::npos))
            << entry.path() << ": " << r.note;
    }
    EXPECT_GE(count, 12);
}

// ---- files as the databases write them (tests/data/cif) ----

namespace {

std::string DataFile(const std::string& name)
{
    return std::string(VELMORA_TEST_DATA_DIR) + "/cif/" + name;
}

// The crystal of a file, or of one block of it, by the crystal's name.
CrystalDataRec* CrystalNamed(CifImportResult& r, const std::string& name)
{
    for (CifCrystal& c : r.crystals)
        if (c.name == name)
            return c.crystal.get();
    return nullptr;
}

// A pattern as lines: reflexions of one d (within a relative 1e-5) taken together, the intensity
// summed, so that two cells of one lattice compare line by line.
struct Line {
    double d, inty;
};
std::vector<Line> Lines(const CrystalDataRec& xp)
{
    std::vector<Line> lines;
    for (const ReflexionRec& r : xp.refs) {
        if (!lines.empty() && std::fabs(lines.back().d - r.dsp) < 1e-5 * r.dsp)
            lines.back().inty += r.inty;
        else
            lines.push_back({r.dsp, r.inty});
    }
    return lines;
}

void ExpectSamePattern(const CrystalDataRec& expected, const CrystalDataRec& actual, const std::string& what)
{
    const std::vector<Line> a = Lines(expected), b = Lines(actual);
    ASSERT_EQ(a.size(), b.size()) << what;
    ASSERT_GT(a.size(), 5u) << what;
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_NEAR(b[i].d, a[i].d, 1e-4 * a[i].d) << what << " line " << i;
        EXPECT_NEAR(b[i].inty, a[i].inty, 2e-4 * a[i].inty + 1e-6 * expected.intMax) << what << " d = " << a[i].d;
    }
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace

// Sites without a type symbol take their element from the label; the water conventions of the
// mineral databases ("WatOW", "OW1", "HW1") name oxygen and hydrogen, and the note lists every
// element so chosen.
TEST_F(CifImport, ElementsFromLabelsFollowTheWaterConventions)
{
    const struct {
        const char* label;
        const char* element;
    } labels[] = {{"WatOW", "O"}, {"Wat", "O"}, {"Wat2", "O"}, {"OW", "O"},  {"Ow1", "O"},  {"HW1", "H"},
                  {"Hw2", "H"},   {"WatH1", "H"}, {"Ca1", "Ca"}, {"O12", "O"}, {"Si", "Si"}, {"W1", "W"}};
    for (const auto& c : labels)
        EXPECT_EQ(CifElementFromLabel(c.label), c.element) << c.label;

    CifImportResult r = ReadCifFile(DataFile("gypsum_labels.cif"), PrefDataRec{});
    CrystalDataRec* xp = Diffracted(r);
    ASSERT_TRUE(xp);
    const char* elements[] = {"Ca", "S", "O", "O", "O", "H", "H"};
    ASSERT_EQ(xp->ntyp(), 7);
    for (int s = 0; s < 7; ++s)
        EXPECT_EQ(xp->AU[s].occupant[0].symbol, PackSymbol(elements[s])) << xp->AU[s].label;
    // CaSO4·2H2O, four formula units in the C-centred cell (172.17 u each).
    const double volume = 5.679 * 15.202 * 6.522 * std::sin(118.43 * kPi / 180);
    const double density = 4 * (40.078 + 32.06 + 6 * 15.999 + 4 * 1.008) * 1.66054 / volume * 1000;  // kg/m³
    EXPECT_NEAR(xp->density, density, 0.005 * density);
    EXPECT_TRUE(Has(r.note, "WatOW → O")) << r.note;
    EXPECT_TRUE(Has(r.note, "HW1 → H")) << r.note;
    EXPECT_TRUE(Has(r.note, "Ca → Ca")) << r.note;
}

// One structure on hexagonal and on rhombohedral axes, the rhombohedral group given by name, Hall
// symbol and operator list: the same lines at the same d with the same intensities.
TEST_F(CifImport, RhombohedralAxesGiveTheHexagonalPattern)
{
    CifImportResult hexagonal = ReadCifFile(DataFile("bi2te3_hexagonal.cif"), PrefDataRec{});
    CrystalDataRec* hex = Diffracted(hexagonal);
    ASSERT_TRUE(hex);
    EXPECT_EQ(hex->nAtoms(), 15);  // 3a + 6c + 6c
    CifImportResult r = ReadCifFile(DataFile("bi2te3_rhombohedral.cif"), PrefDataRec{});
    ASSERT_FALSE(r.problem) << DescribeImportProblem(r.problem);
    for (const char* block : {"by_name", "by_hall", "by_operators"}) {
        CrystalDataRec* xp = CrystalNamed(r, std::string("bi2te3_rhombohedral.cif: ") + block);
        ASSERT_TRUE(xp) << block;
        EXPECT_EQ(xp->nAtoms(), 5) << block;
        JustDiffract(doc.get(), xp, nullptr);
        ExpectSamePattern(*hex, *xp, block);
    }
}

// A site of five occupants keeps three and puts two on a companion site at the same position;
// the pattern is that of the occupants spread over two sites by hand.
TEST_F(CifImport, FurtherOccupantsGoToACompanionSite)
{
    CifImportResult r = ReadCifFile(DataFile("companion_site.cif"), PrefDataRec{});
    CrystalDataRec* xp = Diffracted(r);
    ASSERT_TRUE(xp);
    ASSERT_EQ(xp->ntyp(), 4);
    EXPECT_STREQ(xp->AU[0].label, "Na1");
    EXPECT_STREQ(xp->AU[1].label, "Na1b");
    EXPECT_EQ(xp->AU[1].occupant[0].symbol, PackSymbol("Sr"));
    EXPECT_FLOAT_EQ(xp->AU[1].occupant[1].occupancy, 0.15f);
    EXPECT_EQ(xp->AU[1].occupant[2].symbol, kEmptySymbol);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(xp->AU[1].x[k], 0.5f);
    EXPECT_EQ(xp->AU[1].uIso, xp->AU[0].uIso);
    EXPECT_TRUE(Has(r.note, "Na1b")) << r.note;

    // By hand: Na, K, Ca on one site and Sr, Ba on a second at the same place; Ti and O.
    auto hand = CreateCrystal(PrefDataRec{});
    hand->a = hand->b = hand->c = 3.95f;
    hand->alpha = hand->beta = hand->gamma = 90;
    ASSERT_TRUE(CreateAsymmetricUnit(hand.get(), 4) && CreateAtomsArray(hand.get(), 6));
    const struct {
        const char* occupants[3];
        float occupancy[3];
        float x;
        float b;
        int n;
    } sites[] = {{{"Na", "K", "Ca"}, {0.2f, 0.2f, 0.2f}, 0.5f, 0.8f, 1},
                 {{"Sr", "Ba", nullptr}, {0.25f, 0.15f, 0}, 0.5f, 0.8f, 1},
                 {{"Ti", nullptr, nullptr}, {1, 0, 0}, 0, 0.5f, 1},
                 {{"O", nullptr, nullptr}, {1, 0, 0}, 0, 0.9f, 3}};
    AtomIndex next = 0;
    for (int s = 0; s < 4; ++s) {
        InputDataRec& rec = hand->AU[s];
        for (int k = 0; k < 3 && sites[s].occupants[k]; ++k) {
            rec.occupant[k].symbol = PackSymbol(sites[s].occupants[k]);
            rec.occupant[k].occupancy = sites[s].occupancy[k];
        }
        rec.adpType = kADPTypeUiso;
        rec.uIso = sites[s].b;
        rec.include = true;
        rec.pos = next;
        rec.numInCell = sites[s].n;
        for (int i = 0; i < sites[s].n; ++i) {
            AtomDataRec& atom = hand->atoms[static_cast<std::size_t>(next++)];
            for (int k = 0; k < 3; ++k)
                atom.x[k] = sites[s].n == 3 ? (k == i ? 0.5f : 0.0f) : sites[s].x;
        }
    }
    hand->hasEllipsoids = true;
    JustDiffract(doc.get(), hand.get(), nullptr);
    ExpectSamePattern(*hand, *xp, "companion site");
}

// Space-group names as files spell them all give the group meant.
TEST_F(CifImport, SpaceGroupNamesAsFilesSpellThem)
{
    CifImportResult r = ReadCifFile(DataFile("space_group_names.cif"), PrefDataRec{});
    ASSERT_FALSE(r.problem) << DescribeImportProblem(r.problem);
    const struct {
        const char* block;
        int atoms;  // of the general position
        const char* symbol;
    } cases[] = {
        {"underscore_subscript", 4, "P 1 21/n 1"}, {"full_monoclinic", 4, "P 1 21/c 1"},
        {"short_monoclinic", 4, "P 1 21/c 1"},     {"bracketed_subscripts", 4, "P 21 21 21"},
        {"old_cubic", 48, "P m -3 m"},             {"old_cubic_compact", 96, "I a -3 d"},
        {"trailing_number", 8, "P n m a"},         {"trailing_word", 24, "P 63/m m c"},
        {"setting_suffix", 36, "R -3 m:H"},        {"needless_suffix", 4, "P 1 21/c 1"},
        {"number_alone", 48, "P m -3 m"},        {"hall_alone", 4, "P 1 21/c 1"},
        {"hall_in_the_name", 4, "P 1 21/c 1"},
    };
    ASSERT_EQ(r.crystals.size(), std::size(cases));
    for (const auto& c : cases) {
        CrystalDataRec* xp = CrystalNamed(r, std::string("space_group_names.cif: ") + c.block);
        ASSERT_TRUE(xp) << c.block;
        EXPECT_EQ(xp->nAtoms(), c.atoms) << c.block;
        EXPECT_STREQ(xp->spaceGroupSymbol, c.symbol) << c.block;
    }
}

// Operators with fractions first, decimals, upper case and spaces, explicit signs, and the
// magnetic loops all give the four positions of the general position.
TEST_F(CifImport, OperatorsAsFilesWriteThem)
{
    CifImportResult r = ReadCifFile(DataFile("operators.cif"), PrefDataRec{});
    ASSERT_FALSE(r.problem) << DescribeImportProblem(r.problem);
    ASSERT_EQ(r.crystals.size(), 5u);
    const CrystalDataRec& first = *r.crystals[0].crystal;
    for (const CifCrystal& c : r.crystals) {
        const CrystalDataRec& xp = *c.crystal;
        ASSERT_EQ(xp.nAtoms(), 4) << c.name;
        if (c.name.find("magnetic") != std::string::npos) {
            EXPECT_EQ(xp.ltyp, 'A') << c.name;  // x, y+1/2, z+1/2 with time reversal is a centring
            continue;
        }
        EXPECT_STREQ(xp.spaceGroupSymbol, "P 1 21/c 1") << c.name;
        for (AtomIndex i = 0; i < 4; ++i)
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(xp.atoms[i].x[k], first.atoms[i].x[k], 1e-6) << c.name;
    }
    const struct {
        const char* text;
        bool ok;
    } singles[] = {{"x,y,z", true},        {"-Z+0.5,x,y", true},   {"1/2+x, -y , z", true}, {"x-0.3333,y,z", true},
                   {"x,y,z,-1", true},     {"x,y", false},         {"x,y,w", false},        {"2x,y,z", false},
                   {"x+0.33,y,z", false},  {"x,y,z,+2", false}};
    for (const auto& c : singles) {
        CifImportResult one = Read("data_x\n" + Cubic("5") + "loop_\n_symmetry_equiv_pos_as_xyz\n'" + c.text + "'\n" +
                                   kSiteLoop + "Cu Cu 0.1 0.2 0.3\n");
        EXPECT_EQ(!one.problem, c.ok) << c.text << ": " << DescribeImportProblem(one.problem);
    }
}

// Fractions and standard uncertainties in coordinates, '?' and '.' for an angle, a placeholder row.
TEST_F(CifImport, ValuesAsFilesWriteThem)
{
    CifImportResult r = ReadCifFile(DataFile("values.cif"), PrefDataRec{});
    ASSERT_FALSE(r.problem) << DescribeImportProblem(r.problem);
    CrystalDataRec* fractions = CrystalNamed(r, "values.cif: graphite_fractions");
    CrystalDataRec* decimals = CrystalNamed(r, "values.cif: graphite_decimals");
    ASSERT_TRUE(fractions && decimals);
    EXPECT_EQ(fractions->alpha, 90.0f);
    EXPECT_EQ(fractions->beta, 90.0f);
    ASSERT_EQ(fractions->ntyp(), 2);
    EXPECT_FLOAT_EQ(fractions->AU[1].x[0], 1.0f / 3);
    EXPECT_FLOAT_EQ(fractions->AU[1].x[1], 2.0f / 3);
    EXPECT_FLOAT_EQ(fractions->AU[1].x[2], 0.25f);
    EXPECT_EQ(fractions->nAtoms(), 4);
    JustDiffract(doc.get(), fractions, nullptr);
    JustDiffract(doc.get(), decimals, nullptr);
    ExpectSamePattern(*decimals, *fractions, "graphite");
    // The placeholder row is named by its number.
    EXPECT_TRUE(Has(r.note, "graphite_fractions: ")) << r.note;
    EXPECT_TRUE(Has(r.note, FillTextPlaceholder(LocalizedString("CIF_Empty_Rows_Skipped"), "3"))) << r.note;
}

// Dummy atoms are skipped and named; a file of nothing else is refused.
TEST_F(CifImport, DummyAtomsAreSkippedAndNamed)
{
    CifImportResult r = ReadCifFile(DataFile("dummies.cif"), PrefDataRec{});
    CrystalDataRec* xp = Diffracted(r);
    ASSERT_TRUE(xp);
    ASSERT_EQ(xp->ntyp(), 2);
    EXPECT_EQ(xp->nAtoms(), 8);
    EXPECT_TRUE(Has(r.note, "X1, Q1, Du1, Dum2, M1")) << r.note;
    for (const char* symbol : {"X", "Q", "Du", "Dum", "du3", "X1"})
        EXPECT_TRUE(CifIsDummySymbol(symbol)) << symbol;
    for (const char* symbol : {"Xe", "D", "Dy", "Na1+"})
        EXPECT_FALSE(CifIsDummySymbol(symbol)) << symbol;
    CifImportResult none = Read("data_x\n" + Cubic("4") + "_space_group_name_H-M_alt 'P 1'\n" + kSiteLoop +
                                "X1 X 0 0 0\nQ1 Q 0.5 0.5 0.5\n");
    EXPECT_EQ(none.problem.key, "CIF_No_Atoms");
}

// Shared occupancies may exceed 1 by rounding up to 1.05, and are named; beyond, the file is
// refused, and two rows of one element on one position are named as one atom listed twice.
TEST_F(CifImport, RoundedSharedOccupanciesAreAcceptedUpToALimit)
{
    CifImportResult r = ReadCifFile(DataFile("shared_occupancy.cif"), PrefDataRec{});
    CrystalDataRec* xp = Diffracted(r);
    ASSERT_TRUE(xp);
    EXPECT_FLOAT_EQ(xp->AU[0].occupant[2].occupancy, 0.33f);
    EXPECT_TRUE(Has(r.note, "Mg1 (1.030)")) << r.note;
    const std::string loop = "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n"
                             "_atom_site_fract_y\n_atom_site_fract_z\n_atom_site_occupancy\n";
    const std::string head = "data_x\n" + Cubic("4") + "_space_group_name_H-M_alt 'P m -3 m'\n" + loop;
    const struct {
        const char* rows;
        const char* key;  // "" when read
        const char* subject;
    } cases[] = {
        {"Mg1 Mg 0 0 0 0.35\nFe1 Fe 0 0 0 0.35\nNi1 Ni 0 0 0 0.35\n", "", ""},
        {"Mg1 Mg 0 0 0 0.4\nFe1 Fe 0 0 0 0.4\nNi1 Ni 0 0 0 0.3\n", "CIF_Site_Overfull", "Mg1"},
        {"Cu1 Cu 0 0 0 1\nCu2 Cu 1 0 0 1\n", "CIF_Same_Atom_Twice", "Cu1, Cu2"},
    };
    for (const auto& c : cases) {
        CifImportResult one = Read(head + c.rows);
        EXPECT_EQ(one.problem.key, c.key) << c.rows;
        EXPECT_EQ(one.problem.subject, c.subject) << c.rows;
    }
}

// A tag given twice: the block is read, the last value wins, the note names the tag.
TEST_F(CifImport, RepeatedTagsTakeTheLastValue)
{
    CifImportResult r = ReadCifFile(DataFile("repeated_tags.cif"), PrefDataRec{});
    ASSERT_FALSE(r.problem) << DescribeImportProblem(r.problem);
    ASSERT_EQ(r.crystals.size(), 1u);
    EXPECT_FLOAT_EQ(r.crystals[0].crystal->a, 3.615f);
    EXPECT_TRUE(Has(r.note, "_add_url, _cell_length_a")) << r.note;
}

// Generators only: the group is completed with the centring its products imply, and equals the
// table's F d d d (origin choice 2) atom for atom.
TEST_F(CifImport, GeneratorsAreCompletedToTheWholeGroup)
{
    CifImportResult r = ReadCifFile(DataFile("fddd_generators.cif"), PrefDataRec{});
    CrystalDataRec* xp = Diffracted(r);
    ASSERT_TRUE(xp);
    EXPECT_EQ(xp->nAtoms(), 32);
    EXPECT_EQ(xp->ltyp, 'F');
    EXPECT_STREQ(xp->spaceGroupSymbol, "F d d d:2");
    EXPECT_TRUE(r.note.empty()) << r.note;
    CifImportResult byName = Read("data_x\n_cell_length_a 8.0\n_cell_length_b 10.0\n_cell_length_c 12.0\n"
                                  "_space_group_name_H-M_alt 'F d d d :2'\n" +
                                  kSiteLoop + "S1 S 0.11 0.22 0.33\n");
    CrystalDataRec* table = Diffracted(byName);
    ASSERT_TRUE(table);
    ExpectSamePattern(*table, *xp, "F d d d");
    // Operators whose products exceed any space group are refused.
    CifImportResult bad = Read("data_x\n" + Cubic("5") + "loop_\n_symmetry_equiv_pos_as_xyz\nx,y,z\ny,x+1/7,z\n" +
                               kSiteLoop + "Cu Cu 0 0 0\n");
    EXPECT_FALSE(bad.crystals.size() == 1 && !bad.problem);
}

// Atoms of different rows on top of each other, and a density no crystal has, are named.
TEST_F(CifImport, CoincidingAtomsAndImpossibleDensitiesAreNamed)
{
    CifImportResult r = ReadCifFile(DataFile("impossible.cif"), PrefDataRec{});
    ASSERT_FALSE(r.problem) << DescribeImportProblem(r.problem);
    ASSERT_EQ(r.crystals.size(), 3u);
    EXPECT_TRUE(Has(r.note, "rock_salt_repeated_row: ")) << r.note;
    EXPECT_TRUE(Has(r.note, "Na1–Na2 (0.00 Å)")) << r.note;
    EXPECT_TRUE(Has(r.note, "silicon_primitive_cell: " +
                                FillTextPlaceholder(LocalizedString("CIF_Cell_Does_Not_Fit_Group"), "F d -3 m:2")))
        << r.note;
    // Four gold atoms in 1.6³ Å³: 4 × 196.97 u / 4.096 Å³.
    const double density = 4 * 196.97 * 1.66054 / (1.6 * 1.6 * 1.6);
    EXPECT_TRUE(Has(r.note, "gold_tiny_cell: " + FillTextPlaceholder(LocalizedString("CIF_Impossible_Density"),
                                                                     FormatFixed(density, 0, 2))))
        << r.note;
    // Well-formed structures say nothing of the kind.
    for (const char* name : {"gypsum_labels.cif", "bi2te3_hexagonal.cif", "companion_site.cif"}) {
        CifImportResult ok = ReadCifFile(DataFile(name), PrefDataRec{});
        EXPECT_FALSE(Has(ok.note, "0.5 Å")) << name << ": " << ok.note;
        EXPECT_FALSE(Has(ok.note, "g/cm³")) << name << ": " << ok.note;
        EXPECT_FALSE(Has(ok.note, "symmetry of the space group")) << name << ": " << ok.note;
    }
}

// Refusals that name what is wrong: a missing cell length by its item.
TEST_F(CifImport, MissingCellLengthIsNamed)
{
    CifImportResult r = Read("data_x\n_cell_length_a 4\n_cell_length_c 4\n_space_group_name_H-M_alt 'P 1'\n" +
                             kSiteLoop + "Cu Cu 0 0 0\n");
    EXPECT_EQ(r.problem.key, "CIF_Missing_Cell_Item");
    EXPECT_EQ(r.problem.subject, "_cell_length_b");
}

// In a file of several structures a bad block is skipped and named; the others load.
TEST_F(CifImport, OneBadBlockLeavesTheOthers)
{
    CifImportResult r = ReadCifFile(DataFile("one_bad_block.cif"), PrefDataRec{});
    ASSERT_FALSE(r.problem) << DescribeImportProblem(r.problem);
    ASSERT_EQ(r.crystals.size(), 2u);
    EXPECT_EQ(r.crystals[0].name, "one_bad_block.cif: copper");
    EXPECT_EQ(r.crystals[1].name, "one_bad_block.cif: gold");
    EXPECT_TRUE(Has(r.note, "“broken”")) << r.note;
    EXPECT_TRUE(Has(r.note, "x,y,w")) << r.note;
}

// β and B forms of the anisotropic parameters become U by hand: in a 4 × 5 × 8 Å orthorhombic
// cell a* = 1/a, so Uij = βij · aᵢaⱼ / (2π²), and Uij = Bij / (8π²).
TEST_F(CifImport, BetaAndBFormsOfTheAnisotropicParametersBecomeU)
{
    const std::string head = "data_x\n_cell_length_a 4\n_cell_length_b 5\n_cell_length_c 8\n"
                             "_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 90\n"
                             "_space_group_name_H-M_alt 'P 1'\n" +
                             kSiteLoop + "Cu1 Cu 0.1 0.2 0.3\n";
    const double beta[6] = {0.0020, 0.0030, 0.0010, 0.0004, -0.0002, 0.0003};  // 11 22 33 12 13 23
    const double edges[6][2] = {{4, 4}, {5, 5}, {8, 8}, {4, 5}, {4, 8}, {5, 8}};
    const int where[6][2] = {{0, 0}, {1, 1}, {2, 2}, {0, 1}, {0, 2}, {1, 2}};
    for (const char* form : {"beta", "B"}) {
        SCOPED_TRACE(form);
        std::string loop = "loop_\n_atom_site_aniso_label\n";
        for (const char* ij : {"11", "22", "33", "12", "13", "23"})
            loop += std::string("_atom_site_aniso_") + form + "_" + ij + "\n";
        loop += "Cu1";
        for (double v : beta)
            loop += " " + std::to_string(v);
        loop += "\n";
        CifImportResult r = Read(head + loop);
        ASSERT_FALSE(r.problem) << DescribeImportProblem(r.problem);
        ASSERT_EQ(r.crystals.size(), 1u);
        const InputDataRec& site = r.crystals[0].crystal->AU.at(0);
        ASSERT_EQ(site.adpType, kADPTypeUij);
        for (int k = 0; k < 6; ++k) {
            const double expected = std::string(form) == "B" ? beta[k] / (8 * kPi * kPi)
                                                             : beta[k] * edges[k][0] * edges[k][1] / (2 * kPi * kPi);
            EXPECT_NEAR(site.uAni[where[k][0]][where[k][1]], expected, 1e-6 * std::fabs(expected) + 1e-9) << "k = " << k;
        }
    }
}
