// Engine benchmarks: d-spacings over an index box, and a full calculation (JustDiffract) and a
// 1000-pixel profile (CalculateProfiles) for crystals of 9, 200 and 2000 atoms built in memory
// and an anisotropic 2000-atom cell, with Cu Kα1, dMin 1 Å and at most 9000 reflexions; the
// complete patterns of the factory settings are measured beside them.
#include "CellGeometry.h"
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "Intensity.h"
#include "Profile.h"
#include "ScatteringTable.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstring>
#include <random>

namespace {

void AddSite(CrystalDataRec* xp, const char* symbol, const std::vector<std::array<float, 3>>& positions,
             float uIso)
{
    InputDataRec site = gBlankAU;
    site.occupant[0] = {PackSymbol(symbol), 0, 1.0f};
    site.include = true;
    site.adpType = kADPTypeUiso;
    site.uIso = uIso;
    site.pos = xp->nAtoms();
    site.numInCell = static_cast<AtomIndex>(positions.size());
    for (const auto& p : positions) {
        AtomDataRec atom;
        for (int i = 0; i < 3; ++i)
            atom.x[i] = p[i] - std::floor(p[i]);
        xp->atoms.push_back(atom);
    }
    xp->AU.push_back(site);
    xp->hasEllipsoids = true;
}

// α-quartz in P3₂21: Si on 3a, O on 6c; 9 atoms.
std::unique_ptr<CrystalDataRec> Quartz()
{
    auto xp = CreateCrystal(PrefDataRec{});
    xp->a = xp->b = 4.9134f;
    xp->c = 5.4052f;
    xp->alpha = xp->beta = 90;
    xp->gamma = 120;
    auto orbit = [](float x, float y, float z) {
        return std::vector<std::array<float, 3>>{{x, y, z},         {-y, x - y, z + 2.0f / 3}, {-x + y, -x, z + 1.0f / 3},
                                                 {y, x, -z},        {x - y, -y, -z + 1.0f / 3}, {-x, -x + y, -z + 2.0f / 3}};
    };
    auto si = orbit(0.4697f, 0, 0);
    si.resize(3);  // the special position repeats itself
    AddSite(xp.get(), "Si", si, 0.6f);
    AddSite(xp.get(), "O", orbit(0.4135f, 0.2669f, 0.1191f), 1.1f);
    return xp;
}

// A triclinic cell with nSites sites of two atoms each (x and −x, as in P-1).
std::unique_ptr<CrystalDataRec> Triclinic(int nSites, float edge, unsigned seed)
{
    auto xp = CreateCrystal(PrefDataRec{});
    xp->a = edge;
    xp->b = edge * 0.97f;
    xp->c = edge * 1.02f;
    xp->alpha = 86.5f;
    xp->beta = 94.2f;
    xp->gamma = 101.3f;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> unit(0, 1);
    const char* species[] = {"C", "O", "N", "Fe", "S", "H"};
    for (int s = 0; s < nSites; ++s) {
        const float x = unit(rng), y = unit(rng), z = unit(rng);
        AddSite(xp.get(), species[s % 6], {{x, y, z}, {-x, -y, -z}}, 0.5f + 2.0f * unit(rng));
    }
    return xp;
}

// A monoclinic P2₁/c cell of nSites general positions (four atoms each) with anisotropic
// displacements: each site's two kinds of copy (±1 and ±2-fold) need their own temperature factor.
std::unique_ptr<CrystalDataRec> MonoclinicAnisotropic(int nSites, unsigned seed)
{
    auto xp = CreateCrystal(PrefDataRec{});
    xp->a = 20.5f;
    xp->b = 14.8f;
    xp->c = 25.3f;
    xp->alpha = xp->gamma = 90;
    xp->beta = 103.4f;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> unit(0, 1);
    const char* species[] = {"C", "O", "N", "Fe", "S", "H"};
    const SInt8 rot[4][3][3] = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
                                {{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}},
                                {{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}},
                                {{1, 0, 0}, {0, -1, 0}, {0, 0, 1}}};
    for (int s = 0; s < nSites; ++s) {
        const float x = unit(rng), y = unit(rng), z = unit(rng);
        AddSite(xp.get(), species[s % 6], {{x, y, z}, {-x, y + 0.5f, -z + 0.5f}, {-x, -y, -z}, {x, -y + 0.5f, z + 0.5f}},
                0.5f);
        InputDataRec& site = xp->AU.back();
        site.adpType = kADPTypeUij;
        const float u = 0.005f + 0.02f * unit(rng);
        site.uAni[0][0] = u;
        site.uAni[1][1] = u * (0.5f + unit(rng));
        site.uAni[2][2] = u * (0.5f + unit(rng));
        site.uAni[0][2] = site.uAni[2][0] = 0.3f * u * (unit(rng) - 0.5f);
        site.uAni[0][1] = site.uAni[1][0] = 0;
        site.uAni[1][2] = site.uAni[2][1] = 0;
        for (int a = 0; a < 4; ++a)
            std::memcpy(xp->atoms[static_cast<std::size_t>(site.pos + a)].rotation, rot[a], sizeof rot[a]);
    }
    xp->atomRotations = kAtomRotationsSet;
    return xp;
}

std::unique_ptr<CrystalDataRec> Structure(int which)
{
    switch (which) {
    case 0: return Quartz();
    case 1: return Triclinic(100, 12.5f, 7);   // 200 atoms
    case 2: return Triclinic(1000, 25.0f, 11);  // 2000 atoms
    default: return MonoclinicAnisotropic(500, 13);  // 2000 atoms, anisotropic
    }
}

struct Setup {
    std::unique_ptr<WinInfoRec> doc;
    CrystalDataRec* xp = nullptr;
    Setup(int which)
    {
        InitVLGlobals();
        if (gNumASF == 0) {
            FileProblems ignored;  // an empty table shows in the results
            ReadASFactors(ignored);
        }
        doc = CreateWindowInfo(PrefDataRec{});
        auto pp = CreatePattern();
        pp->type = kPatternTypeCrystal;
        pp->crystal = Structure(which);
        pp->name = "bench";
        xp = pp->crystal.get();
        VLPatternPtr p = InsertPatternIntoFileList(doc.get(), std::move(pp), nullptr);
        InsertPatternIntoPlotList(doc.get(), p, nullptr);
        xp->volFrac = 1;
        doc->plotSpecs.xmin = 5;
        doc->plotSpecs.xmax = 80;
        // The same work as the figures measured before the factory limit was raised; the
        // complete patterns are measured on their own below.
        doc->plotSpecs.restrictNumRefs = true;
        doc->plotSpecs.maxNumRefs = 9000;
    }
};

const Rect kPlot{0, 0, 600, 1000};

void Label(benchmark::State& state, const Setup& s)
{
    state.counters["atoms"] = s.xp->nAtoms();
    state.counters["reflexions"] = s.xp->nRefs();
}

}  // namespace

static void BM_DSpaceOverIndexBox(benchmark::State& state)
{
    InitVLGlobals();
    auto xp = Triclinic(1, 25.0f, 1);
    RecipCell(xp.get());
    const DSpaceForm form = InitDSpaceCalc(xp.get());
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        float sum = 0;
        for (int h = -n; h <= n; ++h)
            for (int k = -n; k <= n; ++k)
                for (int l = -n; l <= n; ++l)
                    sum += form.DSpace(static_cast<SInt16>(h), static_cast<SInt16>(k), static_cast<SInt16>(l));
        benchmark::DoNotOptimize(sum);
    }
    const long long calls = static_cast<long long>(2 * n + 1) * (2 * n + 1) * (2 * n + 1);
    state.SetItemsProcessed(state.iterations() * calls);
}
BENCHMARK(BM_DSpaceOverIndexBox)->Arg(25)->Arg(60)->Unit(benchmark::kMillisecond);

// Arg: 0 quartz (9 atoms), 1 200 atoms, 2 2000 atoms.
static void BM_JustDiffract(benchmark::State& state)
{
    Setup s(static_cast<int>(state.range(0)));
    for (auto _ : state)
        JustDiffract(s.doc.get(), s.xp, nullptr);
    Label(state, s);
}
BENCHMARK(BM_JustDiffract)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The complete pattern of the factory settings (no cap short of a million reflexions).
static void BM_JustDiffractComplete(benchmark::State& state)
{
    Setup s(static_cast<int>(state.range(0)));
    s.doc->plotSpecs.maxNumRefs = gFactoryPrefs.plotSpecs.maxNumRefs;
    for (auto _ : state)
        JustDiffract(s.doc.get(), s.xp, nullptr);
    Label(state, s);
}
BENCHMARK(BM_JustDiffractComplete)->DenseRange(2, 3)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_CalculateProfiles1000px(benchmark::State& state)
{
    Setup s(static_cast<int>(state.range(0)));
    JustDiffract(s.doc.get(), s.xp, nullptr);
    for (auto _ : state)
        CalculateProfiles(s.doc.get(), 0, kPlot.Width() - 1, kPlot, false);
    Label(state, s);
}
BENCHMARK(BM_CalculateProfiles1000px)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

// What a slider movement costs: a full calculation followed by the profile.
static void BM_DiffractAndProfile(benchmark::State& state)
{
    Setup s(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        JustDiffract(s.doc.get(), s.xp, nullptr);
        CalculateProfiles(s.doc.get(), 0, kPlot.Width() - 1, kPlot, false);
    }
    Label(state, s);
}
BENCHMARK(BM_DiffractAndProfile)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same calculation held to one thread, to show what the second core adds.
static void BM_JustDiffractOneThread(benchmark::State& state)
{
    Setup s(static_cast<int>(state.range(0)));
    SetEngineThreadCount(1);
    for (auto _ : state)
        JustDiffract(s.doc.get(), s.xp, nullptr);
    SetEngineThreadCount(0);
    Label(state, s);
}
BENCHMARK(BM_JustDiffractOneThread)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
