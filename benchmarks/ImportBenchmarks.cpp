// Import benchmarks: a CIF with a 192-operation group, and large low-symmetry CIFs whose every
// row is compared with the sites before it (rows sharing a position become one site).
#include "CifImport.h"
#include "Globals.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>

static void BM_ReadCifSilicon192Operations(benchmark::State& state)
{
    InitVLGlobals();
    std::ifstream in(VELMORA_EXAMPLES_DIR "/silicon.cif");
    std::ostringstream text;
    text << in.rdbuf();
    const std::string cif = text.str();
    for (auto _ : state) {
        CifImportResult r = ReadCifText(cif, "silicon.cif", PrefDataRec{});
        benchmark::DoNotOptimize(r.crystals.data());
    }
}
BENCHMARK(BM_ReadCifSilicon192Operations)->Unit(benchmark::kMicrosecond);

static void BM_ReadCifManySitesInP1(benchmark::State& state)
{
    InitVLGlobals();
    std::mt19937 random(7);
    std::uniform_real_distribution<double> coordinate(0, 1);
    std::string cif = "data_big\n_cell_length_a 40\n_cell_length_b 40\n_cell_length_c 40\n"
                      "_space_group_name_H-M_alt 'P 1'\nloop_\n_atom_site_label\n_atom_site_type_symbol\n"
                      "_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n_atom_site_U_iso_or_equiv\n";
    for (long i = 0; i < state.range(0); ++i)
        cif += "C" + std::to_string(i) + " C " + std::to_string(coordinate(random)) + " " +
               std::to_string(coordinate(random)) + " " + std::to_string(coordinate(random)) + " 0.02\n";
    for (auto _ : state) {
        CifImportResult r = ReadCifText(cif, "big.cif", PrefDataRec{});
        benchmark::DoNotOptimize(r.crystals.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadCifManySitesInP1)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);
