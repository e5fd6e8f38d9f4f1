// Finding the symmetry operation behind each atom of a site.
#include "AtomRotations.h"

#include "Constants.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

using Matrix = std::array<std::array<int, 3>, 3>;

struct Operation {
    Matrix R;
    double t[3];
};

// Positions closer than this (fractional, per coordinate, modulo 1) are the same position: enough
// for coordinates given to four decimals, far below any distance between atoms.
constexpr double kTolerance = 2e-3;

double Wrapped(double v)
{
    v -= std::floor(v);
    return v >= 1 ? v - 1 : v;
}

bool SamePosition(const double a[3], const double b[3])
{
    for (int i = 0; i < 3; ++i) {
        double d = std::fabs(Wrapped(a[i]) - Wrapped(b[i]));
        d = std::min(d, 1 - d);
        if (d > kTolerance)
            return false;
    }
    return true;
}

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

// The rotations of the lattice: integer matrices with entries −1..1 and determinant ±1 that keep
// the metric, RᵀGR = G (to a relative tolerance that lets rounded cell values pass).
std::vector<Matrix> LatticeRotations(const CrystalDataRec* xp)
{
    const double a = xp->a, b = xp->b, c = xp->c;
    const double G[3][3] = {{a * a, a * b * CosDegrees(xp->gamma), a * c * CosDegrees(xp->beta)},
                            {a * b * CosDegrees(xp->gamma), b * b, b * c * CosDegrees(xp->alpha)},
                            {a * c * CosDegrees(xp->beta), b * c * CosDegrees(xp->alpha), c * c}};
    const double scale = std::max({G[0][0], G[1][1], G[2][2]});
    std::vector<Matrix> out;
    Matrix R;
    for (int code = 0; code < 19683; ++code) {  // 3^9
        int rest = code;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                R[i][j] = rest % 3 - 1;
                rest /= 3;
            }
        const int det = R[0][0] * (R[1][1] * R[2][2] - R[1][2] * R[2][1]) -
                        R[0][1] * (R[1][0] * R[2][2] - R[1][2] * R[2][0]) +
                        R[0][2] * (R[1][0] * R[2][1] - R[1][1] * R[2][0]);
        if (det != 1 && det != -1)
            continue;
        bool keeps = true;
        for (int i = 0; i < 3 && keeps; ++i)
            for (int j = 0; j < 3 && keeps; ++j) {
                double v = 0;
                for (int k = 0; k < 3; ++k)
                    for (int l = 0; l < 3; ++l)
                        v += R[k][i] * G[k][l] * R[l][j];
                keeps = std::fabs(v - G[i][j]) <= 1e-3 * scale;
            }
        if (keeps)
            out.push_back(R);
    }
    return out;
}

void Apply(const Operation& op, const double x[3], double out[3])
{
    for (int i = 0; i < 3; ++i)
        out[i] = op.R[i][0] * x[0] + op.R[i][1] * x[1] + op.R[i][2] * x[2] + op.t[i];
}

struct SiteAtoms {
    const InputDataRec* site;
    std::vector<std::array<double, 3>> x;
};

// Whether the operation maps every atom of every site onto an atom of the same site.
bool IsSymmetry(const Operation& op, const std::vector<SiteAtoms>& sites)
{
    for (const SiteAtoms& s : sites) {
        for (const auto& p : s.x) {
            double q[3];
            Apply(op, p.data(), q);
            bool found = false;
            for (const auto& r : s.x)
                if (SamePosition(q, r.data())) {
                    found = true;
                    break;
                }
            if (!found)
                return false;
        }
    }
    return true;
}

std::vector<SiteAtoms> SitesOf(const CrystalDataRec* xp)
{
    std::vector<SiteAtoms> sites;
    for (const InputDataRec& site : xp->AU) {
        if (!site.include || site.numInCell <= 0 || site.pos < 0 || site.pos + site.numInCell > xp->nAtoms())
            continue;
        SiteAtoms s{&site, {}};
        for (AtomIndex a = site.pos; a < site.pos + site.numInCell; ++a) {
            const AtomDataRec& atom = xp->atoms[static_cast<std::size_t>(a)];
            s.x.push_back({atom.x[0], atom.x[1], atom.x[2]});
        }
        sites.push_back(std::move(s));
    }
    return sites;
}

bool IsAnisotropic(const InputDataRec& site)
{
    return site.adpType == kADPTypeUij || site.adpType == kADPTypeBij;
}

}  // namespace

bool SiteHasRotatedCopies(const CrystalDataRec* xp, const InputDataRec& site)
{
    if (!xp || xp->atomRotations != kAtomRotationsSet || site.pos < 0 || site.pos + site.numInCell > xp->nAtoms())
        return false;
    for (AtomIndex a = site.pos; a < site.pos + site.numInCell; ++a) {
        const SInt8(&R)[3][3] = xp->atoms[static_cast<std::size_t>(a)].rotation;
        // The identity and the inversion leave the displacements as they are.
        bool plus = true, minus = true;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                const int want = i == j ? 1 : 0;
                plus = plus && R[i][j] == want;
                minus = minus && R[i][j] == -want;
            }
        if (!plus && !minus)
            return true;
    }
    return false;
}

std::string DeriveAtomRotations(CrystalDataRec* xp)
{
    if (!xp || xp->atomRotations != kAtomRotationsUnknown || !xp->hasEllipsoids)
        return {};
    bool needed = false;
    for (const InputDataRec& site : xp->AU)
        needed = needed || (site.include && IsAnisotropic(site) && site.numInCell > 1);
    if (!needed)
        return {};

    const std::vector<SiteAtoms> sites = SitesOf(xp);
    // The site with the fewest atoms gives the candidate translations.
    const SiteAtoms* smallest = nullptr;
    for (const SiteAtoms& s : sites)
        if (!smallest || s.x.size() < smallest->x.size())
            smallest = &s;
    std::vector<Operation> ops;
    if (smallest) {
        const double x0[3] = {smallest->site->x[0], smallest->site->x[1], smallest->site->x[2]};
        for (const Matrix& R : LatticeRotations(xp)) {
            for (const auto& target : smallest->x) {
                Operation op{R, {}};
                for (int i = 0; i < 3; ++i)
                    op.t[i] = target[i] - (R[i][0] * x0[0] + R[i][1] * x0[1] + R[i][2] * x0[2]);
                if (IsSymmetry(op, sites))
                    ops.push_back(op);
            }
        }
    }

    std::string missing;
    for (const SiteAtoms& s : sites) {
        if (!IsAnisotropic(*s.site) || s.x.size() < 2)
            continue;
        const double x0[3] = {s.site->x[0], s.site->x[1], s.site->x[2]};
        std::vector<const Operation*> made(s.x.size(), nullptr);
        bool all = true;
        for (std::size_t a = 0; a < s.x.size(); ++a) {
            for (const Operation& op : ops) {
                double q[3];
                Apply(op, x0, q);
                if (SamePosition(q, s.x[a].data())) {
                    made[a] = &op;
                    break;
                }
            }
            all = all && made[a];
        }
        if (!all) {
            missing += (missing.empty() ? "" : ", ") + std::string(s.site->label, strnlen(s.site->label, sizeof s.site->label));
            continue;
        }
        for (std::size_t a = 0; a < s.x.size(); ++a) {
            AtomDataRec& atom = xp->atoms[static_cast<std::size_t>(s.site->pos) + a];
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j)
                    atom.rotation[i][j] = static_cast<SInt8>(made[a]->R[i][j]);
        }
    }
    xp->atomRotations = ops.empty() ? kAtomRotationsNotFound : kAtomRotationsSet;
    return missing;
}
