// File-format benchmarks: reading measured text data, writing and parsing a session holding a
// large dataset, and writing the reflexion listing of rock salt.
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "ObservedData.h"
#include "Reports.h"
#include "ScatteringTable.h"
#include "SessionFile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A measured pattern of n points, one "2θ intensity" pair a line.
std::FILE* TextPattern(int n)
{
    std::FILE* file = std::tmpfile();
    for (int i = 0; i < n; ++i)
        std::fprintf(file, "%.4f %.2f\n", 5.0 + 0.01 * i, 1000.0 + (i % 97) * 3.25);
    std::rewind(file);
    return file;
}

// A fixture that cannot be built ends the run: the figures would mean nothing.
[[noreturn]] void Fail(const char* why)
{
    std::fprintf(stderr, "%s\n", why);
    std::abort();
}

std::unique_ptr<VLPatternRec> RockSalt()
{
    auto p = CreatePattern();
    p->type = kPatternTypeCrystal;
    p->name = "NaCl";
    p->crystal = CreateCrystal(PrefDataRec{});
    CrystalDataRec& xp = *p->crystal;
    xp.a = xp.b = xp.c = 5.6402f;
    xp.alpha = xp.beta = xp.gamma = 90;
    xp.ltyp = 'F';
    xp.volFrac = 1;
    if (!CreateAsymmetricUnit(&xp, 2) || !CreateAtomsArray(&xp, 8))
        Fail("no memory for the rock-salt crystal");
    const float centring[4][3] = {{0, 0, 0}, {0, 0.5f, 0.5f}, {0.5f, 0, 0.5f}, {0.5f, 0.5f, 0}};
    for (int s = 0; s < 2; ++s) {
        InputDataRec& site = xp.AU[static_cast<std::size_t>(s)];
        site.occupant[0] = SiteRec{PackSymbol(s == 0 ? "Na" : "Cl"), 0, 1.0f};
        SetSiteLabel(&site, s == 0 ? "Na1" : "Cl1");
        site.include = true;
        site.pos = 4 * s;
        site.numInCell = 4;
        for (int c = 0; c < 4; ++c)
            for (int i = 0; i < 3; ++i) {
                const float v = 0.5f * static_cast<float>(s) + centring[c][i];
                xp.atoms[static_cast<std::size_t>(4 * s + c)].x[i] = v >= 1 ? v - 1 : v;
            }
    }
    return p;
}

std::unique_ptr<WinInfoRec> Document(int points)
{
    InitVLGlobals();
    auto doc = CreateWindowInfo(PrefDataRec{});
    VLPatternPtr salt = InsertPatternIntoFileList(doc.get(), RockSalt(), nullptr);
    InsertPatternIntoPlotList(doc.get(), salt, nullptr);
    auto data = CreatePattern();
    data->type = kPatternTypeDataset;
    data->name = "measured";
    data->dataset = CreateDataset(PrefDataRec{});
    std::FILE* text = TextPattern(points);
    FileProblems problems;
    if (!ReadDatasetStream(doc.get(), data->dataset.get(), text, PrefDataRec{}, problems))
        Fail("the measured pattern could not be read");
    std::fclose(text);
    InsertPatternIntoPlotList(doc.get(), InsertPatternIntoFileList(doc.get(), std::move(data), nullptr), nullptr);
    return doc;
}

}  // namespace

static void BM_ReadObservedText(benchmark::State& state)
{
    InitVLGlobals();
    const int n = static_cast<int>(state.range(0));
    std::FILE* file = TextPattern(n);
    auto doc = CreateWindowInfo(PrefDataRec{});
    for (auto _ : state) {
        std::rewind(file);
        auto dataset = CreateDataset(PrefDataRec{});
        FileProblems problems;
        benchmark::DoNotOptimize(ReadDatasetStream(doc.get(), dataset.get(), file, PrefDataRec{}, problems));
    }
    std::fclose(file);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ReadObservedText)->Arg(100000)->Unit(benchmark::kMillisecond);

static void BM_SessionWriteAndParse(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    auto doc = Document(n);
    for (auto _ : state) {
        std::FILE* file = std::tmpfile();
        if (WriteSessionStream(doc.get(), file, SessionWindowState{}) != kNoErr)
            state.SkipWithError("the session could not be written");
        std::rewind(file);
        auto scratch = CreateWindowInfo(PrefDataRec{});
        SessionWindowState read;
        FileProblems problems;
        benchmark::DoNotOptimize(ParseSession(file, scratch.get(), &read, PrefDataRec{}, problems));
        std::fclose(file);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_SessionWriteAndParse)->Arg(100000)->Unit(benchmark::kMillisecond);

static void BM_WriteListing(benchmark::State& state)
{
    auto doc = Document(10);
    FileProblems ignored;  // an empty table shows in the results
    ReadASFactors(ignored);
    JustDiffract(doc.get(), GetFrontCrystal(doc.get()), nullptr);
    for (auto _ : state) {
        std::FILE* file = std::tmpfile();
        benchmark::DoNotOptimize(WriteListingStream(doc.get(), file));
        std::fclose(file);
    }
}
BENCHMARK(BM_WriteListing)->Unit(benchmark::kMicrosecond);
