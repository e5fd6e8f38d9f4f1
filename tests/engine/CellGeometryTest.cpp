// Reciprocal cell, volume, density and d-spacings, checked against independent computations
// (the metric tensor in double precision) and hand-computed values.
#include "CellGeometry.h"
#include "Globals.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

std::unique_ptr<CrystalDataRec> MakeCell(float a, float b, float c, float al, float be, float ga)
{
    auto xp = CreateCrystal(PrefDataRec{});
    xp->a = a;
    xp->b = b;
    xp->c = c;
    xp->alpha = al;
    xp->beta = be;
    xp->gamma = ga;
    return xp;
}

// d of h k l from the direct metric tensor, in double precision.
double ReferenceD(double a, double b, double c, double al, double be, double ga, int h, int k, int l)
{
    const double r = M_PI / 180;
    const double ca = std::cos(al * r), cb = std::cos(be * r), cg = std::cos(ga * r);
    const double G[3][3] = {{a * a, a * b * cg, a * c * cb}, {a * b * cg, b * b, b * c * ca}, {a * c * cb, b * c * ca, c * c}};
    // Inverse of G by cofactors.
    const double det = G[0][0] * (G[1][1] * G[2][2] - G[1][2] * G[2][1]) - G[0][1] * (G[1][0] * G[2][2] - G[1][2] * G[2][0]) +
                       G[0][2] * (G[1][0] * G[2][1] - G[1][1] * G[2][0]);
    double Gi[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const int i1 = (j + 1) % 3, i2 = (j + 2) % 3, j1 = (i + 1) % 3, j2 = (i + 2) % 3;
            Gi[i][j] = (G[i1][j1] * G[i2][j2] - G[i1][j2] * G[i2][j1]) / det;
        }
    const int v[3] = {h, k, l};
    double s = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            s += v[i] * Gi[i][j] * v[j];
    return 1 / std::sqrt(s);
}

}  // namespace

TEST(CellGeometry, CubicCellByHand)
{
    InitVLGlobals();
    auto xp = MakeCell(4, 4, 4, 90, 90, 90);
    RecipCell(xp.get());
    EXPECT_FLOAT_EQ(xp->aStar, 0.25f);
    EXPECT_NEAR(xp->alphaStar, 90, 1e-4);
    EXPECT_NEAR(xp->betaStar, 90, 1e-4);
    EXPECT_NEAR(xp->gammaStar, 90, 1e-4);
    EXPECT_NEAR(xp->volume, 64, 1e-4);
    const DSpaceForm form = InitDSpaceCalc(xp.get());
    EXPECT_FLOAT_EQ(form.DSpace(1, 0, 0), 4.0f);
    EXPECT_NEAR(form.DSpace(1, 1, 1), 4 / std::sqrt(3.0), 1e-6);
    EXPECT_FLOAT_EQ(form.ReciprocalDSpace(2, 0, 0), 0.5f);
    // The cross terms are zero to rounding.
    EXPECT_NEAR(form.DSpace(1, 1, 0), form.DSpace(1, -1, 0), 1e-6);
}

struct CellCase {
    const char* name;
    float a, b, c, al, be, ga;
    double volume;  // independent value
};

class CellGeometryCells : public ::testing::TestWithParam<CellCase> {};

TEST_P(CellGeometryCells, DSpacingsAndVolumeMatchMetricTensor)
{
    const CellCase& p = GetParam();
    auto xp = MakeCell(p.a, p.b, p.c, p.al, p.be, p.ga);
    RecipCell(xp.get());
    const DSpaceForm form = InitDSpaceCalc(xp.get());
    EXPECT_NEAR(xp->volume, p.volume, p.volume * 2e-6) << p.name;
    for (int h = -3; h <= 3; ++h)
        for (int k = -3; k <= 3; ++k)
            for (int l = -3; l <= 3; ++l) {
                if (!h && !k && !l)
                    continue;
                const double ref = ReferenceD(p.a, p.b, p.c, p.al, p.be, p.ga, h, k, l);
                EXPECT_NEAR(form.DSpace(h, k, l), ref, ref * 2e-6) << p.name << " " << h << k << l;
            }
}

INSTANTIATE_TEST_SUITE_P(
    Cells, CellGeometryCells,
    ::testing::Values(
        // Volumes: abc·sqrt(1 − cos²α − cos²β − cos²γ + 2 cosα cosβ cosγ), worked separately.
        CellCase{"hexagonal", 4.9134f, 4.9134f, 5.4052f, 90, 90, 120, 113.007346},
        CellCase{"monoclinic", 5.0f, 6.0f, 7.0f, 90, 100, 90, 206.8096},
        CellCase{"triclinic", 5.1f, 6.3f, 7.7f, 81, 95, 103, 237.744917}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CellGeometry, DensityOfRockSalt)
{
    InitVLGlobals();
    auto xp = MakeCell(5.6402f, 5.6402f, 5.6402f, 90, 90, 90);
    EXPECT_TRUE(CreateAsymmetricUnit(xp.get(), 2));
    xp->AU[0].occupant[0] = {PackSymbol("Na"), 0, 1.0f};
    xp->AU[1].occupant[0] = {PackSymbol("Cl"), 0, 1.0f};
    xp->AU[0].numInCell = xp->AU[1].numInCell = 4;
    RecipCell(xp.get());
    // 4 × (22.99 + 35.45) u in 179.425 Å³.
    EXPECT_NEAR(xp->density, 4 * 58.44 * 1660.56 / 179.4252, 0.5);
}

TEST(CellGeometry, DensityRules)
{
    InitVLGlobals();
    auto xp = MakeCell(10, 10, 10, 90, 90, 90);
    EXPECT_TRUE(CreateAsymmetricUnit(xp.get(), 1));
    xp->AU[0].numInCell = 2;
    xp->AU[0].occupant[0] = {PackSymbol("Xx"), 0, 1.0f};   // not in the table: weight 16
    xp->AU[0].occupant[1] = {PackSymbol("Fe"), 0, 0.001f};  // 0.001 or less adds nothing
    RecipCell(xp.get());
    EXPECT_NEAR(xp->density, 2 * 16.0 * 1660.56 / 1000.0, 1e-3);

    xp->volume = 0;
    EXPECT_EQ(GetDensity(xp.get()), 0.0f);
    DestroyAsymmetricUnit(xp.get());
    xp->volume = 1000;
    EXPECT_EQ(GetDensity(xp.get()), 0.0f);
}

TEST(CellGeometry, ElementTableLooksUpPackedSymbols)
{
    EXPECT_FLOAT_EQ(ElementWeight(PackSymbol("H")), 1.0078f);
    EXPECT_FLOAT_EQ(ElementWeight(PackSymbol("HO")), 18.016f);
    EXPECT_FLOAT_EQ(ElementWeight(PackSymbol("Ho")), 164.9f);
    EXPECT_FLOAT_EQ(ElementWeight(PackSymbol("Lw")), 257.0f);
    EXPECT_FLOAT_EQ(ElementWeight(PackSymbol("Zz")), 16.0f);
}

TEST(CellGeometry, CellValidityRejectsDegenerateCells)
{
    EXPECT_TRUE(CellIsValid(4, 4, 4, 90, 90, 90));
    EXPECT_TRUE(CellIsValid(4.9, 4.9, 5.4, 90, 90, 120));
    EXPECT_FALSE(CellIsValid(0, 4, 4, 90, 90, 90));
    EXPECT_FALSE(CellIsValid(4, 4, 4, 90, 90, 180));
    EXPECT_FALSE(CellIsValid(4, 4, 4, 60, 60, 120));   // flat: the three vectors are coplanar
    EXPECT_FALSE(CellIsValid(4, 4, 4, 10, 10, 170));   // cosine combination outside −1..1
    EXPECT_FALSE(CellIsValid(NAN, 4, 4, 90, 90, 90));
    EXPECT_FALSE(CellIsValid(4, 4, INFINITY, 90, 90, 90));
}
