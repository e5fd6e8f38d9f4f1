// A slider drag replayed through the parameter list and the drawing path: 60 slider positions of
// one item (wavelength, peak width or lattice parameter a) for quartz (9 atoms), a 200-atom and a
// 2000-atom triclinic cell, each position applied as the list applies it and the plot drawn into
// a 1000 × 600 image as the window draws it. Changes of the cell are diffracted off the drawing
// thread (BackgroundDiffraction) as in the desktop program, and coalesced.
//
// Two replays: "paced" sends the 60 positions at 60 per second, as a hand on a mouse would, and
// reports the frames finished per second and the latency from the last position to its frame;
// "flat out" sends each position as soon as the frame before is drawn and reports the frames per
// second the machine can give (for the cell, one frame per finished diffraction).
#include "BackgroundDiffraction.h"
#include "CellGeometry.h"
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "ParameterList.h"
#include "PlotPattern.h"
#include "QtDrawingSurface.h"
#include "ScatteringTable.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cmath>
#include <random>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

void AddSite(CrystalDataRec* xp, const char* symbol, const std::vector<std::array<float, 3>>& positions, float uIso)
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
        return std::vector<std::array<float, 3>>{{x, y, z},  {-y, x - y, z + 2.0f / 3}, {-x + y, -x, z + 1.0f / 3},
                                                 {y, x, -z}, {x - y, -y, -z + 1.0f / 3}, {-x, -x + y, -z + 2.0f / 3}};
    };
    auto si = orbit(0.4697f, 0, 0);
    si.resize(3);
    AddSite(xp.get(), "Si", si, 0.6f);
    AddSite(xp.get(), "O", orbit(0.4135f, 0.2669f, 0.1191f), 1.1f);
    return xp;
}

// A triclinic cell of nSites sites with two atoms each (x and −x).
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

std::unique_ptr<CrystalDataRec> Structure(int which)
{
    switch (which) {
    case 0: return Quartz();
    case 1: return Triclinic(100, 12.5f, 7);  // 200 atoms
    default: return Triclinic(1000, 25.0f, 11);  // 2000 atoms
    }
}

// The window's part: drawings asked for are made when the loop turns; diffractions go to the
// worker thread.
struct DragWindow : WindowHooks, LiveDiffraction {
    std::unique_ptr<WinInfoRec> doc;
    CrystalDataRec* xp = nullptr;
    std::unique_ptr<BackgroundDiffraction> live;
    bool dirty = false;
    QImage image{1000, 600, QImage::Format_RGB32};
    int frames = 0;

    explicit DragWindow(int which)
    {
        InitVLGlobals();
        if (gNumASF == 0) {
            FileProblems ignored;  // an empty table shows in the results
            ReadASFactors(ignored);
        }
        doc = CreateWindowInfo(PrefDataRec{});
        doc->hooks = this;
        auto pp = CreatePattern();
        pp->type = kPatternTypeCrystal;
        pp->crystal = Structure(which);
        pp->name = "bench";
        pp->selected = true;
        xp = pp->crystal.get();
        VLPatternPtr p = InsertPatternIntoFileList(doc.get(), std::move(pp), nullptr);
        InsertPatternIntoPlotList(doc.get(), p, nullptr);
        xp->volFrac = 1;
        doc->plotSpecs.xmin = 5;
        doc->plotSpecs.xmax = 80;
        doc->plotSpecs.axisType = kAxisTwoTheta;
        DoAxisTypeLimits(doc.get());
        JustDiffract(doc.get(), xp, nullptr);
        live = std::make_unique<BackgroundDiffraction>(nullptr);
        RebuildParameterFolders(doc.get());
        Draw();
    }
    ~DragWindow() override
    {
        live.reset();
        doc->hooks = nullptr;
    }
    void RedrawWindow(WinInfoRec*, bool, bool) override { dirty = true; }
    void RebuildParameterList(WinInfoRec* w) override { RebuildParameterFolders(w); }
    bool DiffractLater(WinInfoRec* w, CrystalDataRec* c) override { return live->Request(w, c); }

    void Draw()
    {
        QPainter painter(&image);
        QtDrawingSurface surface(painter, image.rect(), &image);
        DrawPatterns(surface, DrawContext{}, doc.get(), Rect{0, 0, 600, 1000}, true, false);
        benchmark::DoNotOptimize(image.constBits());
        dirty = false;
        ++frames;
    }
    // One turn of the event loop: finished diffractions are taken in, a pending drawing made.
    bool Turn()
    {
        if (live->Deliver(doc.get()) > 0)
            dirty = true;
        if (!dirty)
            return false;
        Draw();
        return true;
    }
    void Select(const char* folder, int item)
    {
        for (SInt32 f = 0; f < doc->nFolders(); ++f)
            if (doc->folders[static_cast<std::size_t>(f)].name == folder) {
                doc->folders[static_cast<std::size_t>(f)].open = true;
                doc->folderChoice = f;
                doc->itemChoice = item;
            }
    }
};

enum Item { kWavelength = 0, kPeakWidth = 1, kLatticeA = 2 };

void Replay(benchmark::State& state, bool paced)
{
    const int structure = static_cast<int>(state.range(0));
    const Item item = static_cast<Item>(state.range(1));
    DragWindow w(structure);
    if (item == kWavelength)
        w.Select("Angle Dispersive", 0);
    else if (item == kPeakWidth)
        w.Select("Instrument", 0);
    else
        w.Select("Unit Cell", 1);
    const std::chrono::microseconds period(paced ? 16667 : 0);
    double frames = 0, seconds = 0, latency = 0;
    int drags = 0;
    for (auto _ : state) {
        // The slider ends stay where the drag began, as in the window.
        RebuildParameterFolders(w.doc.get());
        w.doc->mouseButtonDown = true;
        const int before = w.frames;
        const Clock::time_point start = Clock::now();
        Clock::time_point lastEvent = start;
        for (int i = 0; i < 60; ++i) {
            const Clock::time_point due = start + i * period;
            // Until the next position is due, the loop takes in results and draws.
            while (Clock::now() < due) {
                if (!w.Turn())
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            lastEvent = Clock::now();
            AutoSlideParameterBar(w.doc.get(), 20 + i);
            if (!paced)
                w.Turn();
        }
        // The release: everything still on its way is finished and drawn.
        w.doc->mouseButtonDown = false;
        w.live->Hurry();  // as the window does when the slider is let go
        for (;;) {
            w.Turn();
            if (w.live->Idle())
                break;
            w.live->WaitUntilComputed();
        }
        if (w.dirty)
            w.Draw();
        const Clock::time_point end = Clock::now();
        frames += w.frames - before;
        seconds += std::chrono::duration<double>(end - start).count();
        latency += std::chrono::duration<double, std::milli>(end - lastEvent).count();
        ++drags;
    }
    state.counters["frames_per_s"] = frames / seconds;
    state.counters["frames_per_drag"] = frames / drags;
    state.counters["release_latency_ms"] = latency / drags;
    state.counters["atoms"] = w.xp->nAtoms();
    state.counters["reflexions"] = w.xp->nRefs();
}

void BM_DragPaced(benchmark::State& state)
{
    Replay(state, true);
}

void BM_DragFlatOut(benchmark::State& state)
{
    Replay(state, false);
}

void Cases(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"structure", "item"});
    for (int item = 0; item < 3; ++item)
        for (int structure = 0; structure < 3; ++structure)
            b->Args({structure, item});
    b->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
}
BENCHMARK(BM_DragPaced)->Apply(Cases);
BENCHMARK(BM_DragFlatOut)->Apply(Cases);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
