// Engine benchmarks: d-spacing evaluation over an index box.
#include "CellGeometry.h"
#include "Globals.h"

#include <benchmark/benchmark.h>

static void BM_DSpaceOverIndexBox(benchmark::State& state)
{
    InitVLGlobals();
    auto xp = CreateCrystal();
    xp->a = 25.1f;
    xp->b = 24.7f;
    xp->c = 25.4f;
    xp->alpha = 88.0f;
    xp->beta = 93.5f;
    xp->gamma = 101.0f;
    RecipCell(xp.get());
    InitDSpaceCalc(xp.get());
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        float sum = 0;
        for (int h = -n; h <= n; ++h)
            for (int k = -n; k <= n; ++k)
                for (int l = -n; l <= n; ++l)
                    sum += DSpace(static_cast<SInt16>(h), static_cast<SInt16>(k), static_cast<SInt16>(l));
        benchmark::DoNotOptimize(sum);
    }
    const long long calls = static_cast<long long>(2 * n + 1) * (2 * n + 1) * (2 * n + 1);
    state.SetItemsProcessed(state.iterations() * calls);
}
BENCHMARK(BM_DSpaceOverIndexBox)->Arg(25)->Arg(60)->Unit(benchmark::kMillisecond);
