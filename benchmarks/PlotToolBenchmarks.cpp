// The interactive plot, frame by frame, on a 1000 × 600 pane as the desktop window draws it: a
// 2000-atom triclinic cell (some 20,000 reflexions between 5 and 80° 2θ) with peak labels and
// peak markers, the read-out cursor shown.
//
//   ScrollStep        one step of the scroll bar (20 pixels) and the frame drawn from the moved
//                     profile columns, plus the cursor over it;
//   WheelZoomNotch    one notch of the wheel (x range × 1.25 about a column, in and out in turn)
//                     and its frame, profiles recomputed and the intensity axis refitted;
//   CursorMove        one mouse movement dragging the read-out cursor: the reflexion under it
//                     among all reflexions, the read-out's fields, the plot copied and the
//                     cursor drawn over it, the fields drawn into the information bar;
//   CursorReadout     the read-out alone (engine), with 20,000 reflexions in view.
#include "CursorBox.h"
#include "CursorReadout.h"
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "PlotMouse.h"
#include "PlotPattern.h"
#include "QtDrawingSurface.h"
#include "ScatteringTable.h"
#include "ViewTransforms.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

void AddSite(CrystalDataRec* xp, const char* symbol, float x, float y, float z, float uIso)
{
    InputDataRec site = gBlankAU;
    site.occupant[0] = {PackSymbol(symbol), 0, 1.0f};
    site.include = true;
    site.adpType = kADPTypeUiso;
    site.uIso = uIso;
    site.pos = xp->nAtoms();
    site.numInCell = 2;
    for (float s : {1.0f, -1.0f}) {
        AtomDataRec atom;
        const float p[3] = {s * x, s * y, s * z};
        for (int i = 0; i < 3; ++i)
            atom.x[i] = p[i] - std::floor(p[i]);
        xp->atoms.push_back(atom);
    }
    xp->AU.push_back(site);
    xp->hasEllipsoids = true;
}

// 1000 sites of two atoms (x and −x) in a triclinic cell of about 25 Å.
std::unique_ptr<CrystalDataRec> LargeCell()
{
    auto xp = CreateCrystal(PrefDataRec{});
    xp->a = 25.0f, xp->b = 25.0f * 0.97f, xp->c = 25.0f * 1.02f;
    xp->alpha = 86.5f, xp->beta = 94.2f, xp->gamma = 101.3f;
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> unit(0, 1);
    const char* species[] = {"C", "O", "N", "Fe", "S", "H"};
    for (int s = 0; s < 1000; ++s)
        AddSite(xp.get(), species[s % 6], unit(rng), unit(rng), unit(rng), 0.5f + 2.0f * unit(rng));
    return xp;
}

// The document and its pane, drawn as GraphicsPane draws: the plot into an image, then the
// cursor over a copy of it.
struct PlotWindow : WindowHooks {
    std::unique_ptr<WinInfoRec> doc;
    QImage base{1000, 600, QImage::Format_ARGB32_Premultiplied};
    QImage shown;
    QImage bar{800, 22, QImage::Format_ARGB32_Premultiplied};
    int frames = 0;

    PlotWindow()
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
        pp->crystal = LargeCell();
        pp->name = "large.obdf";
        pp->selected = true;
        CrystalDataRec* xp = pp->crystal.get();
        xp->showLabel = true;
        xp->labelHKL = true;
        xp->volFrac = 1;
        VLPatternPtr p = InsertPatternIntoFileList(doc.get(), std::move(pp), nullptr);
        InsertPatternIntoPlotList(doc.get(), p, nullptr);
        PlotSpecsRec& ps = doc->plotSpecs;
        ps.xmin = 5;
        ps.xmax = 80;
        ps.axisType = kAxisTwoTheta;
        ps.overlayPeakStyle = kOverlayPeaksMarkers;
        DoAxisTypeLimits(doc.get());
        JustDiffract(doc.get(), xp, nullptr);
        doc->autoScaleY = true;
        Draw(true);
        doc->autoScaleY = false;
        // A narrower view, so that there is room to scroll both ways, with the cursor in it.
        ps.xmin = 30;
        ps.xmax = 50;
        ps.showCursor = true;
        ps.cursorXPos = 40;
        Draw(true);
    }
    ~PlotWindow() override { doc->hooks = nullptr; }

    void RedrawWindow(WinInfoRec*, bool recalc, bool) override { Draw(recalc); }

    void Draw(bool recalc)
    {
        {
            QPainter painter(&base);
            QtDrawingSurface surface(painter, base.rect(), &base);
            DrawPatterns(surface, DrawContext{}, doc.get(), Rect{0, 0, 600, 1000}, recalc, false, false);
        }
        Overlay();
        ++frames;
    }
    void Overlay()
    {
        shown = base;
        QPainter painter(&shown);
        QtDrawingSurface surface(painter, shown.rect(), &shown);
        DrawCursorBox(surface, DrawContext{}, doc.get());
        benchmark::DoNotOptimize(shown.constBits());
    }
    int Reflexions() const
    {
        int n = 0;
        for (const ReflexionRec& r : GetFrontCrystal(doc.get())->refs)
            n += r.tth >= doc->plotSpecs.xmin && r.tth <= doc->plotSpecs.xmax;
        return n;
    }
};

PlotWindow& Window()
{
    static PlotWindow window;
    return window;
}

void BM_ScrollStep(benchmark::State& state)
{
    PlotWindow& w = Window();
    bool right = true;
    int steps = 0;
    for (auto _ : state) {
        if (!(right ? DoScrollRight(w.doc.get(), kScrollUnitPixels) : DoScrollLeft(w.doc.get(), kScrollUnitPixels)))
            state.SkipWithError("at a limit");
        if (++steps % 8 == 0)
            right = !right;
    }
    state.counters["reflexions_in_view"] = w.Reflexions();
}
BENCHMARK(BM_ScrollStep)->Unit(benchmark::kMillisecond);

void BM_WheelZoomNotch(benchmark::State& state)
{
    PlotWindow& w = Window();
    const Rect plot = w.doc->plotRect;
    const int column = plot.left + plot.Width() / 3;
    bool in = true;
    for (auto _ : state) {
        ZoomXAboutColumn(w.doc.get(), column, in ? 1.25 : 1 / 1.25);
        in = !in;
    }
    state.counters["reflexions_in_view"] = w.Reflexions();
}
BENCHMARK(BM_WheelZoomNotch)->Unit(benchmark::kMillisecond);

void BM_CursorMove(benchmark::State& state)
{
    PlotWindow& w = Window();
    WinInfoRec* doc = w.doc.get();
    const Rect plot = doc->plotRect;
    int column = plot.left;
    for (auto _ : state) {
        column = column + 7 < plot.right ? column + 7 : plot.left;
        PlaceCursorAtColumn(doc, column);
        w.Overlay();  // the read-out goes to the sink from the cursor box
        const InfoBarReadoutRec readout = InfoBarDiffractionData(doc, doc->cursorInfo);
        QPainter painter(&w.bar);
        QtDrawingSurface surface(painter, w.bar.rect(), &w.bar);
        DrawInfoBarFields(surface, Rect{0, 0, 22, 800}, readout);
    }
    state.counters["reflexions_in_view"] = w.Reflexions();
}
BENCHMARK(BM_CursorMove)->Unit(benchmark::kMicrosecond);

void BM_CursorReadout(benchmark::State& state)
{
    PlotWindow& w = Window();
    WinInfoRec* doc = w.doc.get();
    // The whole range, with 20,000 reflexions in it (the cell's own merge to about 8,000).
    const Float32 xmin = doc->plotSpecs.xmin, xmax = doc->plotSpecs.xmax, xscale = doc->plotSpecs.xscale;
    doc->plotSpecs.xmin = 5, doc->plotSpecs.xmax = 80;
    doc->plotSpecs.xscale = static_cast<Float32>(doc->plotRect.Width() / 75.0);
    CrystalDataRec* xp = GetFrontCrystal(doc);
    std::vector<ReflexionRec> own = xp->refs;
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> unit(0, 1);
    xp->refs.resize(20000);
    for (std::size_t i = 0; i < xp->refs.size(); ++i) {
        ReflexionRec& r = xp->refs[i];
        r = own[i % own.size()];
        r.tth = 5 + 75 * unit(rng);
        r.inty = unit(rng);
    }
    const Rect plot = doc->plotRect;
    int column = plot.left;
    for (auto _ : state) {
        column = column + 7 < plot.right ? column + 7 : plot.left;
        PlaceCursorAtColumn(doc, column);
        benchmark::DoNotOptimize(InfoBarDiffractionData(doc, MakeCursorReadout(doc)));
    }
    state.counters["reflexions_in_view"] = w.Reflexions();
    xp->refs = std::move(own);
    doc->plotSpecs.xmin = xmin, doc->plotSpecs.xmax = xmax, doc->plotSpecs.xscale = xscale;
}
BENCHMARK(BM_CursorReadout)->Unit(benchmark::kMicrosecond);

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
