// Structure factors and intensities.
//
// The loop over reflexions × atoms is the costly step of every calculation. It is arranged so
// that each number is formed exactly as defined (see StructureFactorKernel.h) while:
// - the form factor is computed once per kind of site (same occupants) and reflexion, and the
//   temperature factor once per class of atoms (same kind and same displacement parameters,
//   rotated with the copy where anisotropic) and reflexion;
// - atom coordinates sit in contiguous arrays, sorted by class, for the vectorised kernel, which
//   takes batches of reflexions over blocks of atoms that stay in the cache;
// - of a Friedel pair h k l / −h −k −l only one is computed: the other has the same A and −B,
//   exactly, in single and double precision alike;
// - the batches are shared out among the cores.
#include "Intensity.h"

#include "Constants.h"
#include "AnomalousScattering.h"
#include "AtomRotations.h"
#include "Document.h"
#include "Reflexions.h"
#include "ScatteringTable.h"
#include "Status.h"
#include "StringTable.h"
#include "StructureFactorKernel.h"
#include "TextFormat.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <map>
#include <thread>
#include <vector>

namespace {

std::atomic<int> gEngineThreads{0};

// The temperature factor of a site is exp(TFactorExponent): its coefficients depend only on the
// site and the reciprocal cell, so they are formed once per run.
struct TFactorCoefficients {
    UInt16 type = kADPTypeNone;
    Float32 uIso = 0;
    Float32 c[6] = {};  // factors of h², k², l², hk, kl, hl
};

TFactorCoefficients MakeTFactorCoefficients(const CrystalDataRec* xp, const InputDataRec* site)
{
    TFactorCoefficients t;
    t.type = site->adpType;
    t.uIso = site->uIso;
    if (site->adpType == kADPTypeUij) {
        // Each coefficient is formed in double and kept in single precision.
        const double aS = xp->aStar, bS = xp->bStar, cS = xp->cStar;
        const double twoPi2 = 2 * kPi * kPi, fourPi2 = 4 * kPi * kPi;
        t.c[0] = static_cast<Float32>(twoPi2 * aS * aS * site->uAni[0][0]);
        t.c[1] = static_cast<Float32>(twoPi2 * bS * bS * site->uAni[1][1]);
        t.c[2] = static_cast<Float32>(twoPi2 * cS * cS * site->uAni[2][2]);
        t.c[3] = static_cast<Float32>(fourPi2 * aS * bS * site->uAni[0][1]);
        t.c[4] = static_cast<Float32>(fourPi2 * bS * cS * site->uAni[1][2]);
        t.c[5] = static_cast<Float32>(fourPi2 * aS * cS * site->uAni[0][2]);
    } else if (site->adpType == kADPTypeBij) {
        // Beta values; the cross terms carry no factor 2.
        t.c[0] = site->uAni[0][0];
        t.c[1] = site->uAni[1][1];
        t.c[2] = site->uAni[2][2];
        t.c[3] = site->uAni[0][1];
        t.c[4] = site->uAni[1][2];
        t.c[5] = site->uAni[0][2];
    }
    return t;
}

// The coefficients of the copy made by an operation with rotation R: the quadratic form B of the
// site (exponent −hᵀBh) becomes R·B·Rᵀ, i.e. the site's form at the index Rᵀh. Formed in double
// from the site's parameters and kept in single precision, as for the site itself.
TFactorCoefficients RotatedTFactorCoefficients(const CrystalDataRec* xp, const InputDataRec* site, const SInt8 (&R)[3][3])
{
    TFactorCoefficients t;
    t.type = site->adpType;
    t.uIso = site->uIso;
    double B[3][3];
    if (site->adpType == kADPTypeUij) {
        const double ab[3] = {xp->aStar, xp->bStar, xp->cStar};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                const int lo = std::min(i, j), hi = std::max(i, j);  // the upper triangle holds the values
                B[i][j] = 2 * kPi * kPi * ab[i] * ab[j] * site->uAni[lo][hi];
            }
    } else {
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                const int lo = std::min(i, j), hi = std::max(i, j);
                B[i][j] = i == j ? site->uAni[i][i] : 0.5 * site->uAni[lo][hi];  // cross terms carry no 2
            }
    }
    double Bp[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double v = 0;
            for (int k = 0; k < 3; ++k)
                for (int l = 0; l < 3; ++l)
                    v += R[i][k] * B[k][l] * R[j][l];
            Bp[i][j] = v;
        }
    t.c[0] = static_cast<Float32>(Bp[0][0]);
    t.c[1] = static_cast<Float32>(Bp[1][1]);
    t.c[2] = static_cast<Float32>(Bp[2][2]);
    t.c[3] = static_cast<Float32>(2 * Bp[0][1]);
    t.c[4] = static_cast<Float32>(2 * Bp[1][2]);
    t.c[5] = static_cast<Float32>(2 * Bp[0][2]);
    return t;
}

// Rotations that give the same temperature factor: R and −R.
bool SameDisplacements(const SInt8 (&a)[3][3], const SInt8 (&b)[3][3])
{
    bool plus = true, minus = true;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            plus = plus && a[i][j] == b[i][j];
            minus = minus && a[i][j] == -b[i][j];
        }
    return plus || minus;
}

bool IsIdentityUpToSign(const SInt8 (&R)[3][3])
{
    static const SInt8 kIdentity[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    return SameDisplacements(R, kIdentity);
}

// The exponent of an anisotropic temperature factor from its six coefficients.
inline double AnisotropicExponent(const Float32 (&c)[6], double h, double k, double l)
{
    return -(c[0] * h * h + c[1] * k * k + c[2] * l * l + c[3] * h * k + c[4] * k * l + c[5] * h * l);
}

// The exponent of the temperature factor; false for an unknown kind of parameters (factor 0).
bool TFactorExponent(const TFactorCoefficients& t, const ReflexionRec& ref, double& exponent)
{
    const double h = ref.h, k = ref.k, l = ref.l;
    switch (t.type) {
    case kADPTypeNone: exponent = 0; return true;
    case kADPTypeUiso: {
        const double d = ref.dsp;
        exponent = -0.25 * t.uIso / (d * d);
        return true;
    }
    case kADPTypeUij:
    case kADPTypeBij:
        exponent = AnisotropicExponent(t.c, h, k, l);
        return true;
    default: return false;
    }
}

// Atoms whose scattering power is the same for every reflexion: the same occupants (a kind) and
// the same temperature factor (the same isotropic parameter, or the same anisotropic coefficients
// after the rotation of the copy). Sites of one class need one form factor × temperature factor
// per reflexion however many there are; in a P1 cell of thousands of sites there are often a few.
struct ScatteringClass {
    int kind = 0;
    int group = 2;  // GroupOf: 0 isotropic, 1 anisotropic, 2 none (or ellipsoids off)
    TFactorCoefficients t;
};

// Everything the per-reflexion work needs, built once per run. The classes are ordered by group
// (isotropic first, then anisotropic, then none) so that the exponents of each group are formed
// by one tight loop, and the atoms by class, so that each class's atoms are one run. The order of
// the atoms does not change the sums beyond the last bits of double precision.
struct Prepared {
    const CrystalDataRec* xp = nullptr;
    bool neutrons = false;
    bool ellipsoids = false;
    std::vector<const InputDataRec*> kinds;  // a representative site per distinct occupant set
    // With anomalous scattering: f' and f'' of each kind, occupancy-weighted like its form factor.
    bool anomalous = false;
    std::vector<float> kindFp, kindFpp;
    std::vector<ScatteringClass> classes;
    std::size_t numIso = 0, numAniso = 0;
    std::vector<std::size_t> classStart;  // atoms of class c: [classStart[c], classStart[c + 1])
    std::vector<float> X, Y, Z;           // per atom
    std::vector<int> classOfAtom;
    std::size_t atomsPerClass = 0; // m when every class has m atoms (atom i of class i / m), else 0
    std::vector<float> isoU;       // the B values of the isotropic classes (the first numIso)
    struct KindRun {
        std::size_t begin, end;  // classes begin .. end − 1
        int kind;
    };
    std::vector<KindRun> kindRuns;  // the classes in runs of one kind
};

bool SameOccupants(const InputDataRec& a, const InputDataRec& b)
{
    for (int i = 0; i < 3; ++i) {
        const bool ua = a.occupant[i].occupancy > 0, ub = b.occupant[i].occupancy > 0;
        if (ua != ub)
            return false;
        if (ua && (a.occupant[i].indexASF != b.occupant[i].indexASF ||
                   std::memcmp(&a.occupant[i].occupancy, &b.occupant[i].occupancy, sizeof(Float32)) != 0))
            return false;
    }
    return true;
}

int GroupOf(UInt16 adpType)
{
    switch (adpType) {
    case kADPTypeUiso: return 0;
    case kADPTypeUij:
    case kADPTypeBij: return 1;
    case kADPTypeNone: return 2;
    default: return 3;
    }
}

// The occupancy-weighted f' and f'' of a site's occupants at wavelength lambda.
void SiteAnomalousTerms(const InputDataRec& site, double lambda, float& fp, float& fpp)
{
    double re = 0, im = 0;
    for (const SiteRec& occ : site.occupant) {
        if (!(occ.occupancy > 0))
            continue;
        const AtomScatterRec& e = gASF[occ.indexASF < kMaxASF ? occ.indexASF : 0];
        const char symbol[3] = {static_cast<char>(e.symbol >> 8), static_cast<char>(e.symbol & 0xFF), 0};
        double a = 0, b = 0;
        if (AnomalousTerms(AtomicNumberOf(symbol), lambda, a, b)) {
            re += static_cast<double>(occ.occupancy) * a;
            im += static_cast<double>(occ.occupancy) * b;
        }
    }
    fp = static_cast<float>(re);
    fpp = static_cast<float>(im);
}

// What makes two atoms one class: kind, group and the bits of the temperature-factor parameters
// (plus, when sites are not to be grouped, the entry they come from).
using ClassKey = std::array<std::uint32_t, 10>;

ClassKey KeyOf(int kind, int group, const TFactorCoefficients& t, std::uint32_t entry)
{
    ClassKey key{};
    key[0] = static_cast<std::uint32_t>(kind);
    key[1] = static_cast<std::uint32_t>(group);
    if (group == 0)
        std::memcpy(&key[2], &t.uIso, sizeof(Float32));
    else if (group == 1)
        std::memcpy(&key[2], t.c, sizeof t.c);
    key[8] = entry;
    return key;
}

std::atomic<bool> gGroupSites{true};

// lambda > 0: add the anomalous terms at that wavelength.
Prepared Prepare(const CrystalDataRec* xp, bool neutrons, double lambda)
{
    Prepared p;
    p.xp = xp;
    p.neutrons = neutrons;
    p.ellipsoids = xp->hasEllipsoids;
    const bool group = gGroupSites.load(std::memory_order_relaxed);
    const AtomIndex nAtoms = xp->nAtoms();
    std::map<ClassKey, int> classOfKey;
    std::vector<ScatteringClass> classes;
    struct Atom {
        int cls;
        float x, y, z;
    };
    std::vector<Atom> atoms;
    std::uint32_t entry = 0;
    for (const InputDataRec& site : xp->AU) {
        if (!site.include)
            continue;
        int kind = -1;
        for (std::size_t i = 0; i < p.kinds.size(); ++i)
            if (SameOccupants(*p.kinds[i], site)) {
                kind = static_cast<int>(i);
                break;
            }
        if (kind < 0) {
            kind = static_cast<int>(p.kinds.size());
            p.kinds.push_back(&site);
            if (lambda > 0 && !neutrons) {
                float fp = 0, fpp = 0;
                SiteAnomalousTerms(site, lambda, fp, fpp);
                p.kindFp.push_back(fp);
                p.kindFpp.push_back(fpp);
            }
        }
        const int siteGroup = p.ellipsoids ? GroupOf(site.adpType) : 2;
        if (siteGroup == 3)
            continue;  // unknown kind of parameters: temperature factor 0, the atoms add nothing
        const TFactorCoefficients tf = MakeTFactorCoefficients(xp, &site);
        // Copies of an anisotropic site made by a rotation have rotated displacements: each
        // distinct rotation (up to sign) has coefficients of its own.
        const bool rotated = siteGroup == 1 && SiteHasRotatedCopies(xp, site);
        std::vector<const SInt8 (*)[3][3]> rotations;
        std::vector<int> classOfRotation;
        auto classFor = [&](const TFactorCoefficients& t, std::uint32_t id) {
            const auto [it, added] =
                classOfKey.try_emplace(KeyOf(kind, siteGroup, t, group ? 0 : id), static_cast<int>(classes.size()));
            if (added)
                classes.push_back({kind, siteGroup, t});
            return it->second;
        };
        const int own = classFor(tf, entry++);
        // Positions outside the atom array are passed over.
        const long long first = std::max<long long>(site.pos, 0);
        const long long last = std::min<long long>(static_cast<long long>(site.pos) + site.numInCell, nAtoms);
        for (long long a = first; a < last; ++a) {
            const AtomDataRec& atom = xp->atoms[static_cast<std::size_t>(a)];
            int cls = own;
            if (rotated && !IsIdentityUpToSign(atom.rotation)) {
                std::size_t r = 0;
                while (r < rotations.size() && !SameDisplacements(*rotations[r], atom.rotation))
                    ++r;
                if (r == rotations.size()) {
                    rotations.push_back(&atom.rotation);
                    classOfRotation.push_back(classFor(RotatedTFactorCoefficients(xp, &site, atom.rotation), entry++));
                }
                cls = classOfRotation[r];
            }
            atoms.push_back({cls, atom.x[0], atom.x[1], atom.x[2]});
        }
    }
    // Classes in group order, atoms in class order.
    std::vector<int> order(classes.size());
    for (std::size_t c = 0; c < order.size(); ++c)
        order[c] = static_cast<int>(c);
    // Within a group, the classes of one kind follow each other: their powers are one run.
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const ScatteringClass& ca = classes[static_cast<std::size_t>(a)];
        const ScatteringClass& cb = classes[static_cast<std::size_t>(b)];
        return ca.group != cb.group ? ca.group < cb.group : ca.kind < cb.kind;
    });
    std::vector<int> rank(classes.size());
    for (std::size_t c = 0; c < order.size(); ++c) {
        rank[static_cast<std::size_t>(order[c])] = static_cast<int>(c);
        const ScatteringClass& sc = classes[static_cast<std::size_t>(order[c])];
        p.classes.push_back(sc);
        p.numIso += sc.group == 0;
        p.numAniso += sc.group == 1;
    }
    p.classStart.assign(classes.size() + 1, 0);
    for (const Atom& a : atoms)
        ++p.classStart[static_cast<std::size_t>(rank[static_cast<std::size_t>(a.cls)]) + 1];
    for (std::size_t c = 0; c < classes.size(); ++c)
        p.classStart[c + 1] += p.classStart[c];
    p.X.resize(atoms.size());
    p.Y.resize(atoms.size());
    p.Z.resize(atoms.size());
    p.classOfAtom.resize(atoms.size());
    std::vector<std::size_t> fill(p.classStart.begin(), p.classStart.end() - 1);
    for (const Atom& a : atoms) {
        const std::size_t i = fill[static_cast<std::size_t>(rank[static_cast<std::size_t>(a.cls)])]++;
        p.X[i] = a.x;
        p.Y[i] = a.y;
        p.Z[i] = a.z;
        p.classOfAtom[i] = rank[static_cast<std::size_t>(a.cls)];
    }
    p.anomalous = !p.kindFp.empty();
    for (std::size_t c = 0; c < p.numIso; ++c)
        p.isoU.push_back(p.classes[c].t.uIso);
    for (std::size_t c = 0; c < p.classes.size(); ++c)
        if (c == 0 || p.classes[c].kind != p.classes[c - 1].kind)
            p.kindRuns.push_back({c, c + 1, p.classes[c].kind});
        else
            p.kindRuns.back().end = c + 1;
    p.atomsPerClass = classes.empty() ? 0 : p.classStart[1];
    for (std::size_t c = 0; c < classes.size(); ++c)
        if (p.classStart[c + 1] - p.classStart[c] != p.atomsPerClass)
            p.atomsPerClass = 0;
    return p;
}

// Reflexions are taken this many at a time, and the atoms in blocks of this many, so that a
// block's coordinates and powers stay in the first-level cache while every reflexion of the
// batch passes over them.
constexpr std::size_t kBatch = 16;
constexpr std::size_t kAtomBlock = 1024;
constexpr std::size_t kVectorSlack = 16;  // floats: the widest vector

// Per-thread scratch space for one batch of reflexions.
struct Scratch {
    std::vector<float> kindF;      // form factor per kind
    std::vector<double> exponent;  // temperature-factor exponents per class
    std::vector<float> T;          // temperature factor per class
    std::vector<float> w, w2;      // power per class and reflexion of the batch (w2: imaginary parts)
    std::vector<float> W, W2;      // per atom of a block
    Float32 lastDsp = 0;           // the d of the form factors in kindF
};

// The scattering power of each class for reflexion ref, into w (and the imaginary parts into w2).
// The powers of the previous reflexion (previous, previous2) are taken over when it has the same d
// and no class is anisotropic; with anisotropic classes its form factors are.
void ClassPowers(const Prepared& p, const ReflexionRec& ref, Scratch& s, float* w, float* w2, const float* previous,
                 const float* previous2)
{
    const std::size_t nKinds = p.kinds.size(), nClasses = p.classes.size();
    const bool sameD = previous && std::memcmp(&s.lastDsp, &ref.dsp, sizeof(Float32)) == 0;
    if (sameD && p.numAniso == 0) {
        std::copy(previous, previous + nClasses, w);
        if (w2)
            std::copy(previous2, previous2 + nClasses, w2);
        return;
    }
    if (!sameD) {
        s.kindF.resize(nKinds);
        for (std::size_t i = 0; i < nKinds; ++i)
            s.kindF[i] = GetSiteF(p.xp, p.kinds[i], ref.dsp, p.neutrons);
        if (p.anomalous)
            for (std::size_t i = 0; i < nKinds; ++i)
                s.kindF[i] += p.kindFp[i];
        s.lastDsp = ref.dsp;
    }
    // The temperature factors, group by group: isotropic classes in single precision (to a few
    // parts in 10⁷ of T, far below what the intensities need), the anisotropic ones through
    // exponents in double, 1 for the rest.
    s.T.resize(nClasses);
    const std::size_t withFactor = p.ellipsoids ? p.numIso + p.numAniso : 0;
    std::fill(s.T.begin() + static_cast<std::ptrdiff_t>(withFactor), s.T.end(), 1.0f);
    if (p.ellipsoids) {
        const double d = ref.dsp, d2 = d * d;
        IsotropicTFactors(p.isoU.data(), static_cast<float>(0.25 / d2), p.numIso, s.T.data());
        s.exponent.resize(p.numAniso);
        const double h = ref.h, k = ref.k, l = ref.l;
        for (std::size_t c = 0; c < p.numAniso; ++c)
            s.exponent[c] = AnisotropicExponent(p.classes[p.numIso + c].t.c, h, k, l);
        ExpToFloat(s.exponent.data(), s.T.data() + p.numIso, p.numAniso);
    }
    for (const Prepared::KindRun& run : p.kindRuns) {
        const std::size_t k = static_cast<std::size_t>(run.kind), n = run.end - run.begin;
        ScalePowers(s.T.data() + run.begin, s.kindF[k], n, w + run.begin);
        if (w2)
            ScalePowers(s.T.data() + run.begin, p.kindFpp[k], n, w2 + run.begin);
    }
}

// A and B of a batch of reflexions: the sums of w·cos φ and w·sin φ over the real parts w of the
// atoms' scattering factors. With anomalous scattering, A2 and B2 are the same sums over the
// imaginary parts (f'' times the temperature factor).
void StructureFactors(const Prepared& p, const ReflexionRec* const* refs, std::size_t n, Scratch& s, double* A,
                      double* B, double* A2, double* B2)
{
    const std::size_t nClasses = p.classes.size(), nAtoms = p.X.size();
    const bool two = p.anomalous && A2 && B2;
    // Room for a vector read beyond the last class (ExpandPowers).
    s.w.resize(n * nClasses + kVectorSlack);
    s.w2.resize(two ? n * nClasses + kVectorSlack : 0);
    for (std::size_t r = 0; r < n; ++r) {
        ClassPowers(p, *refs[r], s, s.w.data() + r * nClasses, two ? s.w2.data() + r * nClasses : nullptr,
                    r > 0 ? s.w.data() + (r - 1) * nClasses : nullptr,
                    r > 0 && two ? s.w2.data() + (r - 1) * nClasses : nullptr);
        A[r] = B[r] = 0;
        if (two)
            A2[r] = B2[r] = 0;
    }
    s.W.resize(std::min(nAtoms, kAtomBlock));
    s.W2.resize(two ? s.W.size() : 0);
    // When every atom is a class of its own (a structure in P1 with its own displacement on
    // each site, say), the atoms' powers are the classes' powers as they stand.
    const bool ownClasses = p.atomsPerClass == 1;
    for (std::size_t begin = 0; begin < nAtoms; begin += kAtomBlock) {
        const std::size_t end = std::min(nAtoms, begin + kAtomBlock);
        for (std::size_t r = 0; r < n; ++r) {
            const ReflexionRec& ref = *refs[r];
            // Reflexions of equal d follow each other: where the powers are those of the previous
            // one, so are the atoms'.
            const bool same = r > 0 && nClasses * 8 < end - begin &&
                              std::equal(s.w.begin() + static_cast<std::ptrdiff_t>(r * nClasses),
                                         s.w.begin() + static_cast<std::ptrdiff_t>((r + 1) * nClasses),
                                         s.w.begin() + static_cast<std::ptrdiff_t>((r - 1) * nClasses)) &&
                              (!two || std::equal(s.w2.begin() + static_cast<std::ptrdiff_t>(r * nClasses),
                                                  s.w2.begin() + static_cast<std::ptrdiff_t>((r + 1) * nClasses),
                                                  s.w2.begin() + static_cast<std::ptrdiff_t>((r - 1) * nClasses)));
            const float* W = s.W.data();
            const float* W2 = two ? s.W2.data() : nullptr;
            if (ownClasses) {
                W = s.w.data() + r * nClasses + begin;
                W2 = two ? s.w2.data() + r * nClasses + begin : nullptr;
            } else if (!same) {
                const float* w = s.w.data() + r * nClasses;
                if (!ExpandPowers(w, p.atomsPerClass, begin, end, s.W.data()))
                    FillPowers(w, p.classStart.data(), nClasses, p.classOfAtom.data(), begin, end, s.W.data());
                if (two) {
                    const float* w2 = s.w2.data() + r * nClasses;
                    if (!ExpandPowers(w2, p.atomsPerClass, begin, end, s.W2.data()))
                        FillPowers(w2, p.classStart.data(), nClasses, p.classOfAtom.data(), begin, end, s.W2.data());
                }
            }
            double out[4] = {};
            StructureFactorSums(p.X.data() + begin, p.Y.data() + begin, p.Z.data() + begin, W, W2, end - begin,
                                static_cast<float>(ref.h), static_cast<float>(ref.k), static_cast<float>(ref.l), out);
            A[r] += out[0];
            B[r] += out[1];
            if (two) {
                A2[r] += out[2];
                B2[r] += out[3];
            }
        }
    }
}

// The same key for h k l and −h −k −l.
std::uint64_t FriedelKey(const ReflexionRec& r)
{
    int h = r.h, k = r.k, l = r.l;
    if (!(h > 0 || (h == 0 && (k > 0 || (k == 0 && l > 0))))) {
        h = -h;
        k = -k;
        l = -l;
    }
    return (std::uint64_t(std::uint16_t(h)) << 32) | (std::uint64_t(std::uint16_t(k)) << 16) | std::uint16_t(l);
}

// The polarisation factor of the Lorentz-polarisation factor: 1 + cos²2θ for an unpolarised X-ray
// beam; neutrons are not polarised by scattering, so they get the Lorentz factor alone.
double Polarisation(const PlotSpecsRec& ps, Float32 twoTheta)
{
    if (ps.radType == kRadiationNeutrons)
        return 1.0;
    const double c2 = std::cos(static_cast<double>(twoTheta));
    return 1 + c2 * c2;
}

}  // namespace

double AnomalousWavelength(const PlotSpecsRec& ps)
{
    if (!ps.anomalous || ps.radType != kRadiationXRays)
        return 0;
    switch (ps.axisType) {
    case kAxisTwoTheta:
    case kAxisDSpacing:
    case kAxisReciprocalD:
        return std::isfinite(ps.lambda) && ps.lambda > 0 ? static_cast<double>(ps.lambda) : 0;
    default: return 0;  // time of flight and energy-dispersive: no single wavelength
    }
}

void SetSiteGrouping(bool on)
{
    gGroupSites.store(on, std::memory_order_relaxed);
}

void SetEngineThreadCount(int n)
{
    gEngineThreads.store(n < 0 ? 0 : n, std::memory_order_relaxed);
}

int EngineThreadCount()
{
    return gEngineThreads.load(std::memory_order_relaxed);
}

int EngineThreadsFor(double work, double perThread)
{
    const int set = gEngineThreads.load(std::memory_order_relaxed);
    int n = set > 0 ? set : static_cast<int>(std::thread::hardware_concurrency());
    n = std::max(n, 1);
    return static_cast<int>(std::clamp(work / perThread, 1.0, static_cast<double>(n)));
}

Float32 GetSiteTFactor(const CrystalDataRec* xp, const InputDataRec* site, const ReflexionRec& ref)
{
    if (!xp || !site)
        return 0;
    if (site->adpType == kADPTypeNone)
        return 1.0f;
    double exponent;
    if (!TFactorExponent(MakeTFactorCoefficients(xp, site), ref, exponent))
        return 0;
    return static_cast<Float32>(std::exp(exponent));
}

bool LorentzFactor(const PlotSpecsRec& ps, Float32 dsp, double& scale, Float32& lp, Float32& theta)
{
    switch (ps.axisType) {
    case kAxisTwoTheta:
    case kAxisDSpacing:
    case kAxisReciprocalD: {
        const double sinTheta = ps.lambda / (2.0 * dsp);
        if (!(sinTheta <= 1.0))
            return false;
        theta = static_cast<Float32>(std::asin(sinTheta));
        const Float32 tth = theta + theta;
        lp = static_cast<Float32>(Polarisation(ps, tth) /
                                  (std::sin(static_cast<double>(theta)) * std::sin(static_cast<double>(tth))));
        scale = static_cast<double>(ps.lambda) * ps.lambda * ps.lambda;
        return true;
    }
    case kAxisTimeOfFlight: {
        theta = ps.thetaTimeOfFlight;
        const double d2 = static_cast<double>(dsp) * dsp;
        lp = static_cast<Float32>(d2 * d2 * std::sin(static_cast<double>(theta)));
        scale = 1.0;
        return true;
    }
    case kAxisEnergy: {
        theta = ps.thetaEnergy;
        const double t = theta, tt = static_cast<double>(theta + theta);
        // A detector at 0° or 180° has no finite Lorentz factor: nothing can be computed there.
        if (!(std::sin(tt) * std::sin(t) > 0))
            return false;
        lp = static_cast<Float32>(Polarisation(ps, theta + theta) / (std::sin(tt) * std::sin(t)));
        const double st = std::sin(t);
        scale = 16.0 * dsp * dsp * static_cast<double>(dsp) * st * st * st;
        return true;
    }
    default:
        theta = 0;
        lp = 0;
        scale = 1.0;
        return true;
    }
}

void Intensity(ReflexionWorkspace& work, WinInfoRec* theWindow, CrystalDataRec* xp, std::FILE* fp)
{
    if (!xp || xp->AU.empty() || xp->atoms.empty() || !theWindow)
        return;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    std::vector<ReflexionRec>& refs = work.gTempRef;
    const std::size_t count = refs.size();

    std::vector<AuxReflexionRec> aux;
    if (fp) {
        try {
            aux.assign(count, AuxReflexionRec{});
        } catch (const std::bad_alloc&) {
            return;
        }
    }
    const bool progress = work.showProgress;
    if (progress)
        StartProgressBar(theWindow, FormatCount(LocalizedString("Calculating_N_Reflexions"), static_cast<long long>(count)));

    const Prepared prep = Prepare(xp, ps.radType == kRadiationNeutrons, AnomalousWavelength(ps));

    // Pair each reflexion with its Friedel mate: only one of each pair (its representative) is
    // computed; the other has the same A and −B, exactly.
    std::vector<std::uint32_t> rep(count);
    std::vector<std::uint32_t> todo;
    {
        // Ordered by d as well, so that reflexions of equal d follow each other and share their
        // form factors.
        struct Key {
            std::uint32_t d;
            std::uint64_t friedel;
            std::uint32_t index;
            bool operator<(const Key& o) const
            {
                return d != o.d ? d < o.d : friedel != o.friedel ? friedel < o.friedel : index < o.index;
            }
        };
        std::vector<Key> keys(count);
        for (std::size_t i = 0; i < count; ++i) {
            std::uint32_t d;
            std::memcpy(&d, &refs[i].dsp, sizeof d);
            keys[i] = {d, FriedelKey(refs[i]), static_cast<std::uint32_t>(i)};
        }
        std::sort(keys.begin(), keys.end());
        todo.reserve(count / 2 + 1);
        for (std::size_t i = 0; i < count;) {
            std::size_t j = i + 1;
            while (j < count && keys[j].friedel == keys[i].friedel && keys[j].d == keys[i].d)
                ++j;
            todo.push_back(keys[i].index);
            for (std::size_t m = i; m < j; ++m)
                rep[keys[m].index] = keys[i].index;
            i = j;
        }
    }

    // The representatives are shared out among the cores in batches.
    std::vector<double> As(count, 0.0), Bs(count, 0.0);
    std::vector<double> As2(prep.anomalous ? count : 0, 0.0), Bs2(prep.anomalous ? count : 0, 0.0);
    std::atomic<std::size_t> next{0};
    auto computeBatches = [&](bool reportProgress) {
        Scratch scratch;
        for (;;) {
            const std::size_t start = next.fetch_add(kBatch);
            if (start >= todo.size() || work.Cancelled())
                break;
            const std::size_t end = std::min(start + kBatch, todo.size());
            const ReflexionRec* batch[kBatch];
            double a[kBatch], b[kBatch], a2[kBatch], b2[kBatch];
            for (std::size_t t = start; t < end; ++t)
                batch[t - start] = &refs[todo[t]];
            StructureFactors(prep, batch, end - start, scratch, a, b, prep.anomalous ? a2 : nullptr,
                             prep.anomalous ? b2 : nullptr);
            for (std::size_t t = start; t < end; ++t) {
                const std::uint32_t i = todo[t];
                As[i] = a[t - start];
                Bs[i] = b[t - start];
                if (prep.anomalous) {
                    As2[i] = a2[t - start];
                    Bs2[i] = b2[t - start];
                }
            }
            if (reportProgress)
                ProgressBar(theWindow, static_cast<int>(end * 100 / todo.size()));
        }
    };
    const double terms = static_cast<double>(todo.size()) * static_cast<double>(std::max<std::size_t>(prep.X.size(), 1));
    const int nThreads = EngineThreadsFor(terms, 200000);
    {
        std::vector<std::jthread> helpers;
        for (int t = 1; t < nThreads; ++t)
            helpers.emplace_back([&computeBatches] { computeBatches(false); });
        computeBatches(progress);
    }
    if (work.Cancelled()) {
        if (progress)
            StopProgressBar(theWindow);
        return;  // the caller drops the list
    }

    for (std::size_t i = 0; i < count; ++i) {
        ReflexionRec& ref = refs[i];
        const std::uint32_t r = rep[i];
        double scale = 1.0;
        Float32 lp = 0, theta = 0;
        if (!LorentzFactor(ps, ref.dsp, scale, lp, theta)) {
            ref.dsp = 0;  // beyond 2θ = 180°: cannot be diffracted
            ref.inty = 0;
            continue;
        }
        Float32 A = static_cast<Float32>(As[r]);
        Float32 B = static_cast<Float32>(r == i ? Bs[r] : -Bs[r]);
        if (prep.anomalous) {
            // A complex factor f1 + i f2 at phase φ gives (f1 cos φ − f2 sin φ) + i (f1 sin φ + f2 cos φ).
            // The Friedel mate has the sums of sin φ negated, so its intensity differs.
            const double sign = r == i ? 1.0 : -1.0;
            A = static_cast<Float32>(As[r] - sign * Bs2[r]);
            B = static_cast<Float32>(sign * Bs[r] + As2[r]);
        }
        const Float32 sumSq = A * A + B * B;
        ref.inty = static_cast<Float32>(scale * 0.001 * lp * sumSq);
        if (fp)
            aux[i] = {A, B, lp, theta};
    }
    if (progress)
        StopProgressBar(theWindow);

    if (fp) {
        const std::vector<UInt32> order =
            SortReflexions(refs.data(), static_cast<AtomIndex>(count), kSortReflexionsByDSpacing);
        long line = 0;
        for (UInt32 i : order) {
            const ReflexionRec& r = refs[i];
            if (r.dsp == 0)
                continue;
            const AuxReflexionRec& a = aux[i];
            // "[%4ld] %4d%4d%4d %8.4f %8.3f %8.2f %8.2f %8.2f %12.5e\n"
            const std::string text = "[" + FormatInt(++line, 4) + "] " + FormatInt(r.h, 4) + FormatInt(r.k, 4) +
                                     FormatInt(r.l, 4) + " " + FormatFixed(r.dsp, 8, 4) + " " +
                                     FormatFixed(a.theta * 114.5915590261571, 8, 3) + " " + FormatFixed(a.lp, 8, 2) +
                                     " " + FormatFixed(a.re, 8, 2) + " " + FormatFixed(a.im, 8, 2) + " " +
                                     FormatExp(r.inty, 12, 5) + "\n";
            std::fputs(text.c_str(), fp);
        }
    }
}
