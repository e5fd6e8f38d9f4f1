// CIF structures into crystal records: the mapping of cell, centring, sites, occupants and
// displacement parameters, the positions generated from each way of giving the space group, the
// refusals, and the shipped example structures.
#include "CifImport.h"
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "Status.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

namespace {

constexpr double kPi = 3.14159265358979323846;

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
        doc = CreateWindowInfo();
    }

    CifImportResult Read(const std::string& text, const std::string& name = "test.cif")
    {
        return ReadCifText(text, name);
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
        {"operator loop", ReadCifFile(VELMORA_EXAMPLES_DIR "/silicon.cif")},
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
        {"four occupants", "data_x\n" + Cubic("4") + sg +
             "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
             "_atom_site_occupancy\nMg1 0 0 0 0.25\nFe1 0 0 0 0.25\nMn1 0 0 0 0.25\nNi1 0 0 0 0.25\n",
         "CIF_Too_Many_Occupants", "Mg1", 0},
        {"unknown element", "data_x\n" + Cubic("4") + sg + kSiteLoop + "Q1 Qq 0 0 0\n", "CIF_Unknown_Element", "Q1",
         0},
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
    CifImportResult r = ReadCifFile(VELMORA_EXAMPLES_DIR "/quartz.cif");
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
    CifImportResult r = ReadCifFile(VELMORA_EXAMPLES_DIR "/forsterite_fo90.cif");
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
        CifImportResult r = ReadCifFile(entry.path().string());
        CrystalDataRec* xp = Diffracted(r);
        ASSERT_TRUE(xp) << entry.path();
        EXPECT_GT(xp->nRefs(), 0) << entry.path();
        EXPECT_GT(xp->density, 1000) << entry.path();
    }
    EXPECT_GE(count, 12);
}
