// Reciprocal cell, volume, density and the single-precision d-spacing form.
#include "CellGeometry.h"

#include <cmath>

namespace {

inline Float32 ToRadians(Float32 degrees)
{
    return static_cast<Float32>(degrees * kDegToRad);
}

// Cosine of an angle in degrees, exact for the angles of the symmetric lattices.
double CosDegrees(double degrees)
{
    if (degrees == 90)
        return 0;
    if (degrees == 60)
        return 0.5;
    if (degrees == 120)
        return -0.5;
    return std::cos(degrees * (kPi / 180));
}

}  // namespace

Float32 DSpaceForm::Sum(SInt16 h, SInt16 k, SInt16 l) const
{
    const std::int32_t hh = h * h, kk = k * k, ll = l * l;
    const std::int32_t hk = h * k, hl = h * l, kl = k * l;
    const DSpaceForm& c = *this;
    Float32 sum = static_cast<Float32>(hh) * c.aStarSq;
    sum += static_cast<Float32>(kk) * c.bStarSq;
    sum += static_cast<Float32>(ll) * c.cStarSq;
    sum += static_cast<Float32>(hk) * c.aS_bS_cosGS;
    sum += static_cast<Float32>(hl) * c.aS_cS_cosBS;
    sum += static_cast<Float32>(kl) * c.bS_cS_cosAS;
    return sum;
}

#define SYM(s) PackSymbol(s)
const ElementDataRec gElementData[106] = {
    {SYM("HO"), 18.016f}, {SYM("OH"), 17.008f}, {SYM("H"), 1.0078f}, {SYM("D"), 2.0141f},
    {SYM("He"), 4.003f}, {SYM("Li"), 6.941f}, {SYM("Be"), 9.012f}, {SYM("B"), 10.81f},
    {SYM("C"), 12.01f}, {SYM("N"), 14.01f}, {SYM("O"), 16.0f}, {SYM("F"), 19.0f},
    {SYM("Ne"), 20.18f}, {SYM("Na"), 22.99f}, {SYM("Mg"), 24.31f}, {SYM("Al"), 26.98f},
    {SYM("Si"), 28.09f}, {SYM("P"), 30.97f}, {SYM("S"), 32.06f}, {SYM("Cl"), 35.45f},
    {SYM("Ar"), 39.95f}, {SYM("K"), 39.1f}, {SYM("Ca"), 40.08f}, {SYM("Sc"), 44.96f},
    {SYM("Ti"), 47.9f}, {SYM("V"), 50.94f}, {SYM("Cr"), 52.0f}, {SYM("Mn"), 54.94f},
    {SYM("Fe"), 55.85f}, {SYM("Co"), 58.93f}, {SYM("Ni"), 58.71f}, {SYM("Cu"), 63.55f},
    {SYM("Zn"), 65.37f}, {SYM("Ga"), 69.72f}, {SYM("Ge"), 72.6f}, {SYM("As"), 74.92f},
    {SYM("Se"), 78.96f}, {SYM("Br"), 79.9f}, {SYM("Kr"), 83.8f}, {SYM("Rb"), 85.47f},
    {SYM("Sr"), 87.62f}, {SYM("Y"), 88.91f}, {SYM("Zr"), 91.22f}, {SYM("Nb"), 92.91f},
    {SYM("Mo"), 95.94f}, {SYM("Tc"), 99.0f}, {SYM("Ru"), 101.1f}, {SYM("Rh"), 102.9f},
    {SYM("Pd"), 106.4f}, {SYM("Ag"), 107.9f}, {SYM("Cd"), 112.4f}, {SYM("In"), 114.8f},
    {SYM("Sn"), 118.7f}, {SYM("Sb"), 121.8f}, {SYM("Te"), 127.6f}, {SYM("I"), 126.9f},
    {SYM("Xe"), 131.3f}, {SYM("Cs"), 132.9f}, {SYM("Ba"), 137.3f}, {SYM("La"), 138.9f},
    {SYM("Hf"), 178.5f}, {SYM("Ta"), 180.9f}, {SYM("W"), 183.9f}, {SYM("Re"), 186.2f},
    {SYM("Os"), 190.2f}, {SYM("Ir"), 192.2f}, {SYM("Pt"), 195.1f}, {SYM("Au"), 197.0f},
    {SYM("Hg"), 200.6f}, {SYM("Tl"), 204.4f}, {SYM("Pb"), 207.2f}, {SYM("Bi"), 209.0f},
    {SYM("Po"), 210.0f}, {SYM("At"), 210.0f}, {SYM("Rn"), 222.0f}, {SYM("Fr"), 223.0f},
    {SYM("Ra"), 226.0f}, {SYM("Ac"), 227.0f}, {SYM("Ce"), 140.1f}, {SYM("Pr"), 140.9f},
    {SYM("Nd"), 144.2f}, {SYM("Pm"), 147.0f}, {SYM("Sm"), 150.4f}, {SYM("Eu"), 152.0f},
    {SYM("Gd"), 157.3f}, {SYM("Tb"), 158.9f}, {SYM("Dy"), 162.5f}, {SYM("Ho"), 164.9f},
    {SYM("Er"), 167.3f}, {SYM("Tm"), 168.9f}, {SYM("Yb"), 173.0f}, {SYM("Lu"), 175.0f},
    {SYM("Th"), 232.0f}, {SYM("Pa"), 231.0f}, {SYM("U"), 238.0f}, {SYM("Np"), 237.0f},
    {SYM("Pu"), 242.0f}, {SYM("Am"), 243.0f}, {SYM("Cm"), 248.0f}, {SYM("Bk"), 247.0f},
    {SYM("Cf"), 251.0f}, {SYM("Es"), 254.0f}, {SYM("Fm"), 253.0f}, {SYM("Md"), 256.0f},
    {SYM("No"), 254.0f}, {SYM("Lw"), 257.0f},
};
#undef SYM

void RecipCell(CrystalDataRec* xp)
{
    if (!xp)
        return;
    const double alpha = ToRadians(xp->alpha);
    const double beta = ToRadians(xp->beta);
    const double gamma = ToRadians(xp->gamma);
    const double ca = std::cos(alpha), cb = std::cos(beta), cg = std::cos(gamma);
    const double sa = std::sin(alpha), sb = std::sin(beta), sg = std::sin(gamma);

    const Float32 betaStar = static_cast<Float32>(std::acos((cg * ca - cb) / (sg * sa)));
    const Float32 gammaStar = static_cast<Float32>(std::acos((cb * ca - cg) / (sa * sb)));
    const Float32 alphaStar = static_cast<Float32>(std::acos((cb * cg - ca) / (sb * sg)));
    xp->betaStar = static_cast<Float32>(betaStar / kDegToRad);
    xp->gammaStar = static_cast<Float32>(gammaStar / kDegToRad);
    xp->alphaStar = static_cast<Float32>(alphaStar / kDegToRad);

    xp->aStar = static_cast<Float32>(1.0 / (xp->a * std::sin(static_cast<double>(betaStar)) * sg));
    xp->bStar = static_cast<Float32>(1.0 / (xp->b * std::sin(static_cast<double>(gammaStar)) * sa));
    xp->cStar = static_cast<Float32>(1.0 / (xp->c * std::sin(static_cast<double>(alphaStar)) * sb));

    const Float32 ab = xp->a * xp->b;
    xp->volume = static_cast<Float32>(ab * sg / xp->cStar);
    xp->density = GetDensity(xp);
}

DSpaceForm InitDSpaceCalc(const CrystalDataRec* xp)
{
    DSpaceForm form;
    if (!xp)
        return form;
    const double aS = xp->aStar, bS = xp->bStar, cS = xp->cStar;
    form.aStarSq = static_cast<Float32>(aS * aS);
    form.bStarSq = static_cast<Float32>(bS * bS);
    form.cStarSq = static_cast<Float32>(cS * cS);
    form.aS_bS_cosGS = static_cast<Float32>(2.0 * aS * bS * std::cos(static_cast<double>(ToRadians(xp->gammaStar))));
    form.aS_cS_cosBS = static_cast<Float32>(2.0 * aS * cS * std::cos(static_cast<double>(ToRadians(xp->betaStar))));
    form.bS_cS_cosAS = static_cast<Float32>(2.0 * bS * cS * std::cos(static_cast<double>(ToRadians(xp->alphaStar))));
    return form;
}

Float32 DSpaceForm::ReciprocalDSpace(SInt16 h, SInt16 k, SInt16 l) const
{
    return static_cast<Float32>(std::sqrt(static_cast<double>(Sum(h, k, l))));
}

Float32 DSpaceForm::DSpace(SInt16 h, SInt16 k, SInt16 l) const
{
    return static_cast<Float32>(1.0 / std::sqrt(static_cast<double>(Sum(h, k, l))));
}

Float32 ElementWeight(UInt16 symbol)
{
    for (const ElementDataRec& e : gElementData)
        if (e.symbol == symbol)
            return e.weight;
    return 16.0f;
}

Float32 GetDensity(const CrystalDataRec* xp)
{
    if (!xp || xp->AU.empty() || xp->volume == 0)
        return 0;
    double mass = 0;
    for (const InputDataRec& site : xp->AU) {
        double siteMass = 0;
        for (const SiteRec& occ : site.occupant)
            if (occ.occupancy > 0.001f)
                siteMass += static_cast<double>(occ.occupancy) * ElementWeight(occ.symbol);
        mass += siteMass * site.numInCell;
    }
    return static_cast<Float32>(mass * 1660.56 / xp->volume);
}

bool CellIsValid(double a, double b, double c, double alpha, double beta, double gamma)
{
    const double values[6] = {a, b, c, alpha, beta, gamma};
    for (double v : values)
        if (!std::isfinite(v))
            return false;
    if (a <= 0 || b <= 0 || c <= 0)
        return false;
    if (alpha <= 0 || alpha >= 180 || beta <= 0 || beta >= 180 || gamma <= 0 || gamma >= 180)
        return false;
    const double ca = std::cos(alpha * kDegToRad), cb = std::cos(beta * kDegToRad), cg = std::cos(gamma * kDegToRad);
    // Volume squared over (abc)²; must be clearly positive for a real cell.
    const double v2 = 1 - ca * ca - cb * cb - cg * cg + 2 * ca * cb * cg;
    return v2 > 1e-10;
}

bool MakeReciprocalMetric(const CrystalDataRec* xp, ReciprocalMetric& metric)
{
    metric = ReciprocalMetric{};
    if (!xp)
        return false;
    const double a = xp->a, b = xp->b, c = xp->c;
    const double ca = CosDegrees(xp->alpha), cb = CosDegrees(xp->beta), cg = CosDegrees(xp->gamma);
    // The direct metric and its inverse by cofactors.
    const double g11 = a * a, g22 = b * b, g33 = c * c;
    const double g12 = a * b * cg, g13 = a * c * cb, g23 = b * c * ca;
    const double c11 = g22 * g33 - g23 * g23, c22 = g11 * g33 - g13 * g13, c33 = g11 * g22 - g12 * g12;
    const double c12 = g13 * g23 - g12 * g33, c13 = g12 * g23 - g13 * g22, c23 = g12 * g13 - g11 * g23;
    const double det = g11 * c11 + g12 * c12 + g13 * c13;
    if (!(det > 0) || !std::isfinite(det))
        return false;
    metric.g[0] = c11 / det;
    metric.g[1] = c22 / det;
    metric.g[2] = c33 / det;
    metric.g[3] = 2 * c12 / det;
    metric.g[4] = 2 * c13 / det;
    metric.g[5] = 2 * c23 / det;
    return true;
}
