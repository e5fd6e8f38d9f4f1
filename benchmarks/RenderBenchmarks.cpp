// Drawing speed of the plot on a QImage: a 1000 × 600 pane of one crystal with peak labels, as
// every step of a slider drag draws it (profile recomputed), and as a plain redraw.
#include "PlotPattern.h"
#include "QtDrawingSurface.h"
#include "Scenes.h"

#include "Globals.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

void DrawScene(benchmark::State& state, std::unique_ptr<WinInfoRec> doc, bool calculateProfile)
{
    QImage image(1000, 600, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        QtDrawingSurface surface(painter, image.rect(), &image);
        DrawPatterns(surface, DrawContext{}, doc.get(), Rect{0, 0, 600, 1000}, calculateProfile, false);
    }
    benchmark::DoNotOptimize(image.constBits());
}

void BM_DrawOneCrystalWithLabels(benchmark::State& state)
{
    InitSceneEngine();
    DrawScene(state, SceneOneCrystal(), state.range(0) != 0);
}
BENCHMARK(BM_DrawOneCrystalWithLabels)->ArgName("profile")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_DrawTwoCrystalsDataAndResidual(benchmark::State& state)
{
    InitSceneEngine();
    DrawScene(state, SceneTwoCrystalsAndData(), true);
}
BENCHMARK(BM_DrawTwoCrystalsDataAndResidual)->Unit(benchmark::kMillisecond);

void BM_DrawFilledOverlaysAndLabels(benchmark::State& state)
{
    InitSceneEngine();
    DrawScene(state, SceneOverlays(kOverlayPeaksFilled), true);
}
BENCHMARK(BM_DrawFilledOverlaysAndLabels)->Unit(benchmark::kMillisecond);

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
