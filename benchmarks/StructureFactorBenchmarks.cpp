// The structure-factor loop against gemmi's direct-summation calculator, on the same reflexions
// of the same P1 cells: forsterite, Mg2SiO4 (28 atoms a cell, three kinds of site: Mg, Si and O
// with their own isotropic displacements), as 2×2×2, 3×3×4 and 6×6×4 supercells written out
// atom by atom (224, 1008 and 4032 atoms, every atom a site of its own, as a P1 file gives them).
// One thread; the counter "terms" is reflexions × atoms per second of CPU time. Each kernel path is measured
// on its own, beside an ideal loop (the sine and cosine of as many phases, summed, nothing else)
// that gives this machine's limit. Last, the 3×3×4 cell with every reflexion to d = 0.8 Å and its
// profile, on all cores: what one step of a cell-parameter drag costs.
#include "CellGeometry.h"
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "Intensity.h"
#include "Profile.h"
#include "Reflexions.h"
#include "ScatteringTable.h"
#include "StructureFactorKernel.h"

#include <benchmark/benchmark.h>
#include <gemmi/it92.hpp>
#include <gemmi/sfcalc.hpp>
#include <gemmi/small.hpp>

#include <array>
#include <cmath>
#include <complex>
#include <vector>

namespace {

constexpr float kA = 4.7535f, kB = 10.1943f, kC = 5.9807f;  // P b n m

struct AsymmetricSite {
    const char* symbol;
    float x, y, z;
    float b;  // isotropic displacement, B in Å²
};
constexpr AsymmetricSite kSites[] = {{"Mg", 0, 0, 0, 0.45f},           {"Mg", 0.9915f, 0.2774f, 0.25f, 0.45f},
                                     {"Si", 0.4262f, 0.094f, 0.25f, 0.35f}, {"O", 0.7657f, 0.0913f, 0.25f, 0.55f},
                                     {"O", 0.2215f, 0.4474f, 0.25f, 0.55f}, {"O", 0.2777f, 0.1628f, 0.0331f, 0.55f}};

struct CellAtom {
    const char* symbol;
    std::array<float, 3> x;
    float b;
};

// The 28 atoms of one cell: the orbit of each site under the eight operations of P b n m.
std::vector<CellAtom> UnitCellAtoms()
{
    std::vector<CellAtom> atoms;
    for (const AsymmetricSite& s : kSites) {
        const float x = s.x, y = s.y, z = s.z;
        const std::array<float, 3> images[8] = {{x, y, z},
                                                {-x, -y, z + 0.5f},
                                                {x + 0.5f, -y + 0.5f, -z},
                                                {-x + 0.5f, y + 0.5f, -z + 0.5f},
                                                {-x, -y, -z},
                                                {x, y, -z + 0.5f},
                                                {-x + 0.5f, y + 0.5f, z},
                                                {x + 0.5f, -y + 0.5f, z + 0.5f}};
        std::vector<std::array<float, 3>> orbit;
        for (std::array<float, 3> p : images) {
            for (float& c : p)
                c -= std::floor(c);
            bool seen = false;
            for (const auto& q : orbit) {
                float d2 = 0;
                for (int i = 0; i < 3; ++i) {
                    float d = std::fabs(p[i] - q[i]);
                    d = std::min(d, 1 - d);
                    d2 += d * d;
                }
                seen = seen || d2 < 1e-8f;
            }
            if (!seen)
                orbit.push_back(p);
        }
        for (const auto& p : orbit)
            atoms.push_back({s.symbol, p, s.b});
    }
    return atoms;
}

struct Supercell {
    int na, nb, nc;
    std::vector<CellAtom> atoms;
};

Supercell MakeSupercell(int na, int nb, int nc)
{
    Supercell s{na, nb, nc, {}};
    const std::vector<CellAtom> cell = UnitCellAtoms();
    for (int i = 0; i < na; ++i)
        for (int j = 0; j < nb; ++j)
            for (int k = 0; k < nc; ++k)
                for (const CellAtom& a : cell)
                    s.atoms.push_back({a.symbol, {(a.x[0] + i) / na, (a.x[1] + j) / nb, (a.x[2] + k) / nc}, a.b});
    return s;
}

Supercell CellOf(int which)
{
    switch (which) {
    case 0: return MakeSupercell(2, 2, 2);  // 224 atoms
    case 1: return MakeSupercell(3, 3, 4);  // 1008 atoms
    default: return MakeSupercell(6, 6, 4);  // 4032 atoms
    }
}

std::unique_ptr<CrystalDataRec> CrystalOf(const Supercell& s)
{
    auto xp = CreateCrystal(PrefDataRec{});
    xp->a = kA * s.na;
    xp->b = kB * s.nb;
    xp->c = kC * s.nc;
    xp->alpha = xp->beta = xp->gamma = 90;
    for (const CellAtom& a : s.atoms) {
        InputDataRec site = gBlankAU;
        site.occupant[0] = {PackSymbol(a.symbol), 0, 1.0f};
        site.include = true;
        site.adpType = kADPTypeUiso;
        site.uIso = a.b;
        site.pos = xp->nAtoms();
        site.numInCell = 1;
        AtomDataRec atom;
        for (int i = 0; i < 3; ++i)
            atom.x[i] = a.x[i];
        xp->atoms.push_back(atom);
        xp->AU.push_back(site);
    }
    xp->hasEllipsoids = true;
    return xp;
}

gemmi::SmallStructure GemmiOf(const Supercell& s)
{
    gemmi::SmallStructure g;
    g.cell.set(kA * s.na, kB * s.nb, kC * s.nc, 90, 90, 90);  // no symmetry images: P1
    for (const CellAtom& a : s.atoms) {
        gemmi::SmallStructure::Site site;
        site.element = gemmi::Element(a.symbol);
        site.fract = gemmi::Fractional(a.x[0], a.x[1], a.x[2]);
        site.occ = 1;
        site.u_iso = a.b / (8 * 3.14159265358979323846 * 3.14159265358979323846);
        g.sites.push_back(site);
    }
    return g;
}

// The reflexions timed: 4000 of the cell's reflexions to d = 0.8 Å, one of each Friedel pair
// (so neither program can take the other half for free), spread over the whole range of d.
constexpr std::size_t kTimedReflexions = 4000;

struct Fixture {
    std::unique_ptr<WinInfoRec> doc;
    std::unique_ptr<CrystalDataRec> xp;
    gemmi::SmallStructure gemmi;
    std::vector<ReflexionRec> refs;
    explicit Fixture(int which)
    {
        InitVLGlobals();
        if (gNumASF == 0) {
            FileProblems ignored;  // an empty table shows in the results
            ReadASFactors(ignored);
        }
        doc = CreateWindowInfo(PrefDataRec{});
        const Supercell cell = CellOf(which);
        xp = CrystalOf(cell);
        gemmi = GemmiOf(cell);
        RecipCell(xp.get());
        ReflexionWorkspace work;
        if (!HKLList(work, doc.get(), xp.get(), 0.8f, false, 0))
            return;
        std::vector<ReflexionRec> half;
        for (const ReflexionRec& r : work.gTempRef)
            if (r.h > 0 || (r.h == 0 && (r.k > 0 || (r.k == 0 && r.l > 0))))
                half.push_back(r);
        PurgeTempRefs(work);
        const std::size_t step = std::max<std::size_t>(half.size() / kTimedReflexions, 1);
        for (std::size_t i = 0; i < half.size() && refs.size() < kTimedReflexions; i += step)
            refs.push_back(half[i]);
        ASFIndexSites(xp.get());
    }
    double Terms() const { return static_cast<double>(refs.size()) * static_cast<double>(xp->nAtoms()); }
};

void Report(benchmark::State& state, double termsPerIteration)
{
    state.counters["terms"] =
        benchmark::Counter(termsPerIteration * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

}  // namespace

// Arg: 0 224 atoms, 1 1008 atoms, 2 4032 atoms.
static void BM_VelmoraStructureFactors(benchmark::State& state)
{
    ReflexionWorkspace work;
    Fixture f(static_cast<int>(state.range(0)));
    SetEngineThreadCount(1);
    for (auto _ : state) {
        work.gTempRef = f.refs;
        Intensity(work, f.doc.get(), f.xp.get(), nullptr);
        benchmark::DoNotOptimize(work.gTempRef.data());
    }
    SetEngineThreadCount(0);
    PurgeTempRefs(work);
    Report(state, f.Terms());
}
BENCHMARK(BM_VelmoraStructureFactors)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

static void BM_GemmiStructureFactors(benchmark::State& state)
{
    Fixture f(static_cast<int>(state.range(0)));
    gemmi::StructureFactorCalculator<gemmi::IT92<double>> calc(f.gemmi.cell);
    for (auto _ : state) {
        double sum = 0;
        for (const ReflexionRec& r : f.refs)
            sum += std::norm(calc.calculate_sf_from_small_structure(f.gemmi, {r.h, r.k, r.l}));
        benchmark::DoNotOptimize(sum);
    }
    Report(state, f.Terms());
}
BENCHMARK(BM_GemmiStructureFactors)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// Every reflexion of the 1008-atom cell to d = 0.8 Å (85,352) and a 1000-pixel profile, with as
// many threads as the machine has.
static void BM_Forsterite1008ToD08AndProfile(benchmark::State& state)
{
    InitVLGlobals();
    if (gNumASF == 0) {
        FileProblems ignored;  // an empty table shows in the results
        ReadASFactors(ignored);
    }
    auto doc = CreateWindowInfo(PrefDataRec{});
    auto pp = CreatePattern();
    pp->type = kPatternTypeCrystal;
    pp->crystal = CrystalOf(CellOf(1));
    pp->name = "bench";
    CrystalDataRec* xp = pp->crystal.get();
    VLPatternPtr p = InsertPatternIntoFileList(doc.get(), std::move(pp), nullptr);
    InsertPatternIntoPlotList(doc.get(), p, nullptr);
    xp->volFrac = 1;
    doc->plotSpecs.dMin = 0.8f;
    doc->plotSpecs.xmin = 5;
    doc->plotSpecs.xmax = 150;
    doc->plotSpecs.restrictNumRefs = false;
    const Rect plot{0, 0, 600, 1000};
    for (auto _ : state) {
        JustDiffract(doc.get(), xp, nullptr);
        CalculateProfiles(doc.get(), 0, plot.Width() - 1, plot, false);
    }
    state.counters["atoms"] = xp->nAtoms();
    state.counters["reflexions"] = xp->nRefs();
}
BENCHMARK(BM_Forsterite1008ToD08AndProfile)->Unit(benchmark::kMillisecond)->UseRealTime();

namespace {

// Args: kernel path (0 portable, 1 AVX2, 2 AVX-512), cell. Skipped where the processor lacks it.
bool ForcePath(benchmark::State& state)
{
    const KernelPath path = static_cast<KernelPath>(state.range(0));
    if (!UseKernelPath(path)) {
        state.SkipWithError("this processor lacks the instruction set");
        return false;
    }
    state.SetLabel(KernelPathName(path));
    return true;
}

void PathArgs(benchmark::internal::Benchmark* b)
{
    for (int path = 0; path < 3; ++path)
        for (int cell = 0; cell < 3; ++cell)
            b->Args({path, cell});
}

}  // namespace

// The whole structure-factor calculation (form factors, temperature factors, sums) on each path.
static void BM_StructureFactorsByPath(benchmark::State& state)
{
    ReflexionWorkspace work;
    if (!ForcePath(state))
        return;
    Fixture f(static_cast<int>(state.range(1)));
    SetEngineThreadCount(1);
    for (auto _ : state) {
        work.gTempRef = f.refs;
        Intensity(work, f.doc.get(), f.xp.get(), nullptr);
        benchmark::DoNotOptimize(work.gTempRef.data());
    }
    SetEngineThreadCount(0);
    PurgeTempRefs(work);
    UseKernelPath(BestKernelPath());
    Report(state, f.Terms());
}
BENCHMARK(BM_StructureFactorsByPath)->Apply(PathArgs)->Unit(benchmark::kMillisecond);

// The sums alone (the powers of the atoms given), on each path.
static void BM_KernelSumsByPath(benchmark::State& state)
{
    if (!ForcePath(state))
        return;
    Fixture f(static_cast<int>(state.range(1)));
    std::vector<float> X, Y, Z, W;
    for (const AtomDataRec& a : f.xp->atoms) {
        X.push_back(a.x[0]);
        Y.push_back(a.x[1]);
        Z.push_back(a.x[2]);
        W.push_back(8.0f);
    }
    for (auto _ : state) {
        double sum = 0;
        for (const ReflexionRec& r : f.refs) {
            double A, B;
            StructureFactorSums(X.data(), Y.data(), Z.data(), W.data(), X.size(), r.h, r.k, r.l, A, B);
            sum += A * A + B * B;
        }
        benchmark::DoNotOptimize(sum);
    }
    UseKernelPath(BestKernelPath());
    Report(state, f.Terms());
}
BENCHMARK(BM_KernelSumsByPath)->Apply(PathArgs)->Unit(benchmark::kMillisecond);

// The ideal loop: as many sines and cosines of given phases, summed, and nothing else.
static void BM_IdealSinCosByPath(benchmark::State& state)
{
    if (!ForcePath(state))
        return;
    Fixture f(static_cast<int>(state.range(1)));
    const std::size_t n = (static_cast<std::size_t>(f.xp->nAtoms()) + 31) / 32 * 32;
    std::vector<float> phi(n);
    for (std::size_t i = 0; i < n; ++i)
        phi[i] = static_cast<float>(std::fmod(i * 0.7548776662, 1.0) * 600.0 - 300.0);
    for (auto _ : state) {
        double out[2];
        IdealSinCosSums(phi.data(), n, f.refs.size(), out);
        benchmark::DoNotOptimize(out);
    }
    UseKernelPath(BestKernelPath());
    Report(state, static_cast<double>(n) * static_cast<double>(f.refs.size()));
}
BENCHMARK(BM_IdealSinCosByPath)->Apply(PathArgs)->Unit(benchmark::kMillisecond);
