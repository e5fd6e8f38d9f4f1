// Structure factors and intensities: hand-computable cases, and the fast loop against the scalar
// reference on structures with every kind of site.
#include "CellGeometry.h"
#include "Document.h"
#include "Globals.h"
#include "Intensity.h"
#include "ReferenceIntensity.h"
#include "Reflexions.h"
#include "ScatteringTable.h"
#include "TestSupport.h"

#include "StructureFactorKernel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

namespace {

class IntensityTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadShippedScatteringTable());
        doc = CreateWindowInfo(PrefDataRec{});
    }
    ReflexionWorkspace work;

    // Generates the working list of xp and computes its intensities (optionally into fp).
    std::vector<ReflexionRec> Compute(CrystalDataRec* xp, float dspMin, std::FILE* fp = nullptr)
    {
        RecipCell(xp);
        EXPECT_TRUE(HKLList(work, doc.get(), xp, dspMin, false, 0));
        before = work.gTempRef;
        ASFIndexSites(xp);
        Intensity(work, doc.get(), xp, fp);
        return work.gTempRef;
    }

    std::unique_ptr<WinInfoRec> doc;
    std::vector<ReflexionRec> before;
};

}  // namespace

TEST_F(IntensityTest, SingleAtomAtTheOriginGivesItsFormFactorForEveryReflexion)
{
    auto xp = MakeCrystal(4, 4, 4, 90, 90, 90);
    AddSite(xp.get(), "Cu", 0.5f, {{0, 0, 0}});
    const auto refs = Compute(xp.get(), 1.2f);
    ASSERT_FALSE(refs.empty());
    for (const ReflexionRec& r : refs) {
        const double f = GetSiteF(xp.get(), &xp->AU[0], r.dsp, false);
        const double theta = std::asin(1.5405 / (2 * r.dsp));
        const double L = (1 + std::pow(std::cos(2 * theta), 2)) / (std::sin(theta) * std::sin(2 * theta));
        const double expected = std::pow(1.5405, 3) * 0.001 * L * f * f;
        EXPECT_NEAR(r.inty, expected, expected * 1e-5) << r.h << r.k << r.l;
    }
}

TEST_F(IntensityTest, TwoIdenticalAtomsCancelForOddIndexSums)
{
    auto xp = MakeCrystal(4, 4, 4, 90, 90, 90);
    AddSite(xp.get(), "Fe", 1, {{0, 0, 0}, {0.5f, 0.5f, 0.5f}});
    const auto refs = Compute(xp.get(), 1.0f);
    for (const ReflexionRec& r : refs) {
        if ((r.h + r.k + r.l) % 2 != 0)
            EXPECT_LT(r.inty, kWeakReflexionLimit) << "odd reflexion: " << r.h << r.k << r.l;
        else
            EXPECT_GT(r.inty, kWeakReflexionLimit);
    }
    // Merging drops the weak groups: no odd reflexion is left.
    OrderRefsList(work);
    MergeRefs(work, kWeakReflexionLimit);
    ASSERT_FALSE(work.gTempRef.empty());
    for (const ReflexionRec& r : work.gTempRef)
        EXPECT_EQ((r.h + r.k + r.l) % 2, 0) << r.h << r.k << r.l;
}

TEST_F(IntensityTest, WithoutEllipsoidsDisplacementParametersAreIgnored)
{
    auto a = MakeCrystal(5, 5, 5, 90, 90, 90);
    AddSite(a.get(), "Ca", 1, {{0.1f, 0.2f, 0.3f}});
    auto b = MakeCrystal(5, 5, 5, 90, 90, 90);
    InputDataRec& site = AddSite(b.get(), "Ca", 1, {{0.1f, 0.2f, 0.3f}});
    site.adpType = kADPTypeUiso;
    site.uIso = 3.0f;
    const auto ra = Compute(a.get(), 1.0f);
    const auto rb = Compute(b.get(), 1.0f);
    ASSERT_EQ(ra.size(), rb.size());
    for (std::size_t i = 0; i < ra.size(); ++i)
        EXPECT_EQ(ra[i].inty, rb[i].inty);
    // With ellipsoids the same parameter lowers every intensity.
    b->hasEllipsoids = true;
    const auto rc = Compute(b.get(), 1.0f);
    for (std::size_t i = 0; i < ra.size(); ++i)
        EXPECT_LT(rc[i].inty, ra[i].inty);
}

TEST_F(IntensityTest, NeutronsDoNotFallOffThroughTheScatteringFactor)
{
    doc->plotSpecs.radType = kRadiationNeutrons;
    auto xp = MakeCrystal(4, 4, 4, 90, 90, 90);
    AddSite(xp.get(), "Ni", 1, {{0, 0, 0}});
    const auto refs = Compute(xp.get(), 1.0f);
    for (const ReflexionRec& r : refs) {
        double scale;
        Float32 lp, theta;
        ASSERT_TRUE(LorentzFactor(doc->plotSpecs, r.dsp, scale, lp, theta));
        // |F|² = b² whatever d is.
        EXPECT_NEAR(r.inty / (scale * 0.001 * lp), 10.3 * 10.3, 1e-3);
    }
}

TEST_F(IntensityTest, TimeOfFlightAndEnergyLorentzFactors)
{
    PlotSpecsRec ps = doc->plotSpecs;
    double scale;
    Float32 lp, theta;
    ps.axisType = kAxisTimeOfFlight;
    ASSERT_TRUE(LorentzFactor(ps, 2.0f, scale, lp, theta));
    EXPECT_NEAR(lp, 16 * std::sin(1.57), 1e-5);
    EXPECT_EQ(scale, 1.0);
    ps.axisType = kAxisEnergy;
    ASSERT_TRUE(LorentzFactor(ps, 2.0f, scale, lp, theta));
    const double t = 0.06981;
    EXPECT_NEAR(scale, 16 * 8 * std::pow(std::sin(t), 3), scale * 1e-6);  // θ stored in single precision
    EXPECT_NEAR(lp, (1 + std::pow(std::cos(2 * t), 2)) / (std::sin(2 * t) * std::sin(t)), lp * 1e-5);
    ps.axisType = 7;
    ASSERT_TRUE(LorentzFactor(ps, 2.0f, scale, lp, theta));
    EXPECT_EQ(lp, 0.0f);
    ps.axisType = kAxisTwoTheta;
    EXPECT_FALSE(LorentzFactor(ps, 0.77f, scale, lp, theta));  // λ/2d just above 1
}

TEST_F(IntensityTest, UnknownAxisTypeGivesZeroIntensity)
{
    doc->plotSpecs.axisType = 7;
    auto xp = MakeCrystal(4, 4, 4, 90, 90, 90);
    AddSite(xp.get(), "Cu", 1, {{0, 0, 0}});
    for (const ReflexionRec& r : Compute(xp.get(), 1.5f))
        EXPECT_EQ(r.inty, 0.0f);  // all too weak: merging discards them
}

TEST_F(IntensityTest, ReportKeepsZeroIntensitiesAndWritesEveryReflexion)
{
    auto xp = MakeCrystal(4, 4, 4, 90, 90, 90);
    AddSite(xp.get(), "Fe", 1, {{0, 0, 0}, {0.5f, 0.5f, 0.5f}});
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* fp = open_memstream(&text, &size);
    const auto refs = Compute(xp.get(), 2.0f, fp);
    std::fclose(fp);
    std::string report(text, size);
    std::free(text);
    for (const ReflexionRec& r : refs)
        EXPECT_GT(r.dsp, 0.0f);  // weak ones are not discarded when listing
    int lines = 0;
    for (char c : report)
        lines += c == '\n';
    EXPECT_EQ(lines, static_cast<int>(refs.size()));
    // A line of the (1,0,0) family: d = 4, 2θ = 22.205° (cancelled, but listed).
    EXPECT_EQ(report.substr(0, 7), "[   1] ");
    EXPECT_NE(report.find("   0   0   1   4.0000   22.205"), std::string::npos) << report.substr(0, 200);
}

TEST_F(IntensityTest, ReflexionsBeyondBackscatteringAreDiscarded)
{
    auto xp = MakeCrystal(4, 4, 4, 90, 90, 90);
    AddSite(xp.get(), "Cu", 1, {{0, 0, 0}});
    // With λ = 1.5405 a d just above 0.4999λ passes generation but has λ/2d above 1.
    RecipCell(xp.get());
    work.gTempRef = {ReflexionRec{5, 1, 1, 0, 0.77005f, 0, 0, 0}, ReflexionRec{1, 0, 0, 0, 4.0f, 0, 0, 0}};
    ASFIndexSites(xp.get());
    Intensity(work, doc.get(), xp.get(), nullptr);
    EXPECT_EQ(work.gTempRef[0].dsp, 0.0f);
    EXPECT_GT(work.gTempRef[1].inty, 0.0f);
}

// A P1 cell written out atom by atom: every atom a site of its own, of a few kinds (element,
// occupancy, displacement), with mixed occupancies and anisotropic sites among them; the kinds
// take turns, or (byKind) come one after the other.
std::unique_ptr<CrystalDataRec> ManyIdenticalSites(int nAtoms, unsigned seed, bool byKind = false)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    auto xp = MakeCrystal(14.2f, 15.1f, 13.7f, 90, 97.0f, 90, 'P');
    for (int i = 0; i < nAtoms; ++i) {
        const Position at{unit(rng), unit(rng), unit(rng)};
        switch (byKind ? i * 4 / nAtoms : i % 4) {
        case 0: {
            InputDataRec& site = AddSite(xp.get(), "O", 1, {at});
            site.adpType = kADPTypeUiso;
            site.uIso = 0.8f;
            break;
        }
        case 1: {
            InputDataRec& site = AddSite(xp.get(), "Mg", 0.9f, {at});
            site.occupant[1] = {PackSymbol("Fe"), 0, 0.1f};
            site.adpType = kADPTypeUiso;
            site.uIso = 0.5f;
            break;
        }
        case 2: {
            InputDataRec& site = AddSite(xp.get(), "Si", 1, {at});
            site.adpType = kADPTypeUij;
            site.uAni[0][0] = 0.006f;
            site.uAni[1][1] = 0.008f;
            site.uAni[2][2] = 0.007f;
            site.uAni[0][2] = 0.001f;
            break;
        }
        default: AddSite(xp.get(), "O", 0.5f, {at}); break;  // half occupied, no displacements
        }
    }
    xp->hasEllipsoids = true;
    return xp;
}

struct FastCase {
    const char* name;
    int sites, atomsPerSite;
    UInt16 radiation;
    SInt16 axis;
    int threads;
    bool identical = false;  // ManyIdenticalSites(sites) instead of a random crystal
};

class FastPathMatchesReference : public ::testing::TestWithParam<FastCase> {};

// On every kernel path this processor can run.
TEST_P(FastPathMatchesReference, EveryIntensityWithinOnePartIn1e5)
{
    ReflexionWorkspace work;
    const FastCase& c = GetParam();
    ASSERT_TRUE(LoadShippedScatteringTable());
    auto doc = CreateWindowInfo(PrefDataRec{});
    doc->plotSpecs.radType = c.radiation;
    doc->plotSpecs.axisType = c.axis;
    auto xp = c.identical ? ManyIdenticalSites(c.sites, 99u) : MakeRandomCrystal(c.sites, c.atomsPerSite, 1234u + c.sites);
    RecipCell(xp.get());
    ASSERT_TRUE(HKLList(work, doc.get(), xp.get(), 1.2f, true, 1500));
    const std::vector<ReflexionRec> generated = work.gTempRef;
    ASFIndexSites(xp.get());
    const auto reference = ReferenceIntensities(*xp, doc->plotSpecs, generated);
    int paths = 0;
    for (KernelPath path : {KernelPath::Portable, KernelPath::Avx2, KernelPath::Avx512}) {
        if (!UseKernelPath(path))
            continue;
        SCOPED_TRACE(KernelPathName(path));
        ++paths;
        work.gTempRef = generated;
        SetEngineThreadCount(c.threads);
        Intensity(work, doc.get(), xp.get(), nullptr);
        SetEngineThreadCount(0);
        const std::vector<ReflexionRec> fast = work.gTempRef;
        ASSERT_EQ(fast.size(), reference.size());
        // Single-precision sines and cosines give a structure factor to a few parts in 10⁷ of
        // the sum of its terms, not of its value: intensities 10⁴ below the strongest are held to
        // the absolute error that allows there, stronger ones to 1e-5 of themselves.
        double strongest = 0;
        for (const auto& r : reference)
            if (r.kept)
                strongest = std::max(strongest, static_cast<double>(r.inty));
        int compared = 0;
        for (std::size_t i = 0; i < fast.size(); ++i) {
            EXPECT_EQ(fast[i].dsp != 0, reference[i].kept) << i;
            if (fast[i].dsp == 0 || !reference[i].kept)
                continue;
            EXPECT_NEAR(fast[i].inty, reference[i].inty,
                        std::max({std::fabs(reference[i].inty) * 1e-5, strongest * 1e-9, 1e-8}))
                << c.name << " reflexion " << generated[i].h << " " << generated[i].k << " " << generated[i].l;
            ++compared;
        }
        EXPECT_GT(compared, 100);
    }
    UseKernelPath(BestKernelPath());
    PurgeTempRefs(work);
    EXPECT_GE(paths, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Structures, FastPathMatchesReference,
    ::testing::Values(FastCase{"small_xray", 9, 1, kRadiationXRays, kAxisTwoTheta, 1},
                      FastCase{"own_sites_over_two_atom_blocks", 1300, 1, kRadiationXRays, kAxisTwoTheta, 2},
                      FastCase{"pairs_of_atoms_per_site", 700, 2, kRadiationXRays, kAxisTwoTheta, 1},
                      FastCase{"fours_of_atoms_per_site", 120, 4, kRadiationNeutrons, kAxisTwoTheta, 2},
                      FastCase{"sites_xray_threads", 40, 5, kRadiationXRays, kAxisTwoTheta, 2},
                      FastCase{"neutron_tof", 30, 3, kRadiationNeutrons, kAxisTimeOfFlight, 2},
                      FastCase{"energy", 25, 2, kRadiationXRays, kAxisEnergy, 1},
                      FastCase{"identical_sites_xray", 600, 1, kRadiationXRays, kAxisTwoTheta, 2, true},
                      FastCase{"identical_sites_neutron_tof", 400, 1, kRadiationNeutrons, kAxisTimeOfFlight, 1, true},
                      FastCase{"identical_sites_energy", 300, 1, kRadiationXRays, kAxisEnergy, 1, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Sites that share occupants and displacement parameters share one power per reflexion; given
// each its own, every intensity is the same. With the sites listed kind after kind the atoms are
// summed in the same order either way, so the numbers are identical to the last bit.
TEST_F(IntensityTest, GroupingSitesChangesNoIntensity)
{
    auto xp = ManyIdenticalSites(400, 7u, true);
    SetSiteGrouping(false);
    const auto separate = Compute(xp.get(), 1.0f);
    SetSiteGrouping(true);
    const auto grouped = Compute(xp.get(), 1.0f);
    ASSERT_EQ(separate.size(), grouped.size());
    ASSERT_GT(grouped.size(), 1000u);
    for (std::size_t i = 0; i < grouped.size(); ++i)
        ASSERT_EQ(grouped[i].inty, separate[i].inty) << grouped[i].h << " " << grouped[i].k << " " << grouped[i].l;
}

// Anisotropic sites with copies by a twofold axis: each rotation is a class of its own, shared by
// the copies of every site with the same parameters. Grouped, the atoms are summed in another
// order, so the intensities agree to the rounding of the sums.
TEST_F(IntensityTest, GroupingRotatedCopiesChangesNoIntensity)
{
    auto xp = ManyIdenticalSites(240, 7u);
    for (InputDataRec& site : xp->AU) {
        if (site.adpType != kADPTypeUij)
            continue;
        const AtomDataRec a = xp->atoms[static_cast<std::size_t>(site.pos)];
        AtomDataRec b = a;
        b.x[0] = 1 - a.x[0];
        b.x[2] = 1 - a.x[2];
        const SInt8 twofold[3][3] = {{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}};
        std::memcpy(b.rotation, twofold, sizeof twofold);
        site.pos = xp->nAtoms();
        site.numInCell = 2;
        xp->atoms.push_back(a);
        xp->atoms.push_back(b);
    }
    xp->atomRotations = kAtomRotationsSet;
    SetSiteGrouping(false);
    const auto separate = Compute(xp.get(), 1.0f);
    SetSiteGrouping(true);
    const auto grouped = Compute(xp.get(), 1.0f);
    ASSERT_EQ(separate.size(), grouped.size());
    ASSERT_GT(grouped.size(), 1000u);
    for (std::size_t i = 0; i < grouped.size(); ++i)
        EXPECT_NEAR(grouped[i].inty, separate[i].inty, std::max(std::fabs(separate[i].inty) * 1e-5, 1e-8))
            << grouped[i].h << " " << grouped[i].k << " " << grouped[i].l;
}

// Each cross term of the anisotropic temperature factor alone, in an orthorhombic cell, against
// T = exp(−4π² a*ᵢa*ⱼ Uᵢⱼ hᵢhⱼ) worked out by hand: a sign change of one index inverts T.
TEST(TemperatureFactor, CrossTermsOfTheAnisotropicDisplacements)
{
    struct Row {
        int i, j;            // the term Uij
        ReflexionRec plus;   // indices with hᵢhⱼ = +2
        ReflexionRec minus;  // and with hᵢhⱼ = −2
        double stars;        // a*ᵢ·a*ⱼ of the 4 × 5 × 8 Å cell
    };
    const double u = 0.012;
    for (const Row& row : {Row{0, 1, ReflexionRec{1, 2, 0, 1, 1, 0, 0, 0}, ReflexionRec{1, -2, 0, 1, 1, 0, 0, 0}, 0.25 * 0.2},
                           Row{0, 2, ReflexionRec{2, 0, 1, 1, 1, 0, 0, 0}, ReflexionRec{-2, 0, 1, 1, 1, 0, 0, 0}, 0.25 * 0.125},
                           Row{1, 2, ReflexionRec{0, 1, 2, 1, 1, 0, 0, 0}, ReflexionRec{0, 1, -2, 1, 1, 0, 0, 0}, 0.2 * 0.125}}) {
        auto xp = MakeCrystal(4, 5, 8, 90, 90, 90);
        RecipCell(xp.get());
        InputDataRec& site = AddSite(xp.get(), "Si", 1, {{0, 0, 0}});
        site.adpType = kADPTypeUij;
        for (auto& r : site.uAni)
            for (Float32& v : r)
                v = 0;
        site.uAni[row.i][row.j] = static_cast<Float32>(u);
        const double q = 4 * kPi * kPi * row.stars * u * 2;
        EXPECT_NEAR(GetSiteTFactor(xp.get(), &site, row.plus), std::exp(-q), 2e-7) << "U" << row.i + 1 << row.j + 1;
        EXPECT_NEAR(GetSiteTFactor(xp.get(), &site, row.minus), std::exp(q), 2e-7) << "U" << row.i + 1 << row.j + 1;
        // No diagonal term: an index along one axis alone is not damped.
        const ReflexionRec single{row.i == 0 ? SInt16(3) : SInt16(0), row.i == 1 ? SInt16(3) : SInt16(0),
                                  row.i == 2 ? SInt16(3) : SInt16(0), 1, 1, 0, 0, 0};
        EXPECT_FLOAT_EQ(GetSiteTFactor(xp.get(), &site, single), 1.0f);
    }
}

// One atom off the origin: A = f cos 2π(hx + ky + lz) and B = f sin 2π(hx + ky + lz), so B/A is
// the tangent of the phase and B changes sign with the indices (Friedel mates), as worked out by
// hand for x = 0.1, y = 0.05.
TEST_F(IntensityTest, ReportGivesTheImaginaryPartWithItsSign)
{
    auto xp = MakeCrystal(4, 4, 4, 90, 90, 90);
    AddSite(xp.get(), "Si", 1, {{0.1f, 0.05f, 0}});
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* fp = open_memstream(&text, &size);
    Compute(xp.get(), 2.5f, fp);
    std::fclose(fp);
    const std::string report(text, size);
    std::free(text);
    struct Row {
        int h, k, l;
        double phase;  // 2π(hx + ky), radians
    };
    int checked = 0;
    for (const Row& row : {Row{1, 0, 0, 2 * kPi * 0.1}, Row{-1, 0, 0, -2 * kPi * 0.1}, Row{1, 1, 0, 2 * kPi * 0.15},
                           Row{1, -1, 0, 2 * kPi * 0.05}, Row{-1, -1, 0, -2 * kPi * 0.15}, Row{0, 1, 0, 2 * kPi * 0.05}}) {
        char key[32];
        std::snprintf(key, sizeof key, "%4d%4d%4d ", row.h, row.k, row.l);
        const std::size_t at = report.find(key);
        ASSERT_NE(at, std::string::npos) << key << "\n" << report;
        double d, tth, lp, A, B, I;
        ASSERT_EQ(std::sscanf(report.c_str() + at + 13, "%lf %lf %lf %lf %lf %lf", &d, &tth, &lp, &A, &B, &I), 6);
        EXPECT_GT(A, 0) << key;
        EXPECT_NEAR(B / A, std::tan(row.phase), 0.01) << key;  // the columns have two decimals
        EXPECT_EQ(B > 0, row.phase > 0) << key;
        ++checked;
    }
    EXPECT_EQ(checked, 6);
}
