// The reflexion listing of a crystal of 100,000 reflexions, on the offscreen platform: opening the
// table (rows made from the crystal, the model filled, the view drawn), sorting by each column
// both ways and drawing the result, scrolling, and the rows brought up to date after a parameter
// change. Each must stay well under the tenth of a second a user notices.
#include "Document.h"
#include "EditListing.h"
#include "ListingModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

namespace {

constexpr int kReflexions = 100000;

// Reflexions of random indices and values, in descending d as the engine keeps them.
std::unique_ptr<CrystalDataRec> BigCrystal(unsigned seed = 7)
{
    auto xp = CreateCrystal(PrefDataRec{});
    xp->volFrac = 1;
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> index(-40, 40), multiplicity(1, 48);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    xp->refs.resize(kReflexions);
    for (int i = 0; i < kReflexions; ++i) {
        ReflexionRec& r = xp->refs[static_cast<std::size_t>(i)];
        r.h = static_cast<SInt16>(index(rng));
        r.k = static_cast<SInt16>(index(rng));
        r.l = static_cast<SInt16>(index(rng));
        r.mul = static_cast<UInt16>(multiplicity(rng));
        r.dsp = 20.0f - 19.5f * static_cast<float>(i) / kReflexions;
        r.tth = 2.0f + 150.0f * static_cast<float>(i) / kReflexions;
        r.inty = 1e4f * unit(rng) * unit(rng);
    }
    return xp;
}

void SetUpView(QTableView& view, ListingModel& model)
{
    view.setModel(&model);
    view.verticalHeader()->hide();
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->setDefaultSectionSize(20);
    view.setSortingEnabled(true);
    view.resize(760, 480);
}

// From the crystal to the drawn table.
void BM_ListingOpen100k(benchmark::State& state)
{
    const auto xp = BigCrystal();
    for (auto _ : state) {
        ListingModel model;
        QTableView view;
        model.SetRows(CreateEditListing(xp.get()), kAxisTwoTheta, false);
        SetUpView(view, model);
        benchmark::DoNotOptimize(view.grab());
    }
    state.SetItemsProcessed(state.iterations() * kReflexions);
}
BENCHMARK(BM_ListingOpen100k)->Unit(benchmark::kMillisecond);

// A click on a column's header: the rows sorted (ascending, then descending) and drawn.
void BM_ListingSort100k(benchmark::State& state)
{
    const auto xp = BigCrystal();
    ListingModel model;
    QTableView view;
    model.SetRows(CreateEditListing(xp.get()), kAxisTwoTheta, false);
    SetUpView(view, model);
    const int column = static_cast<int>(state.range(0));
    state.SetLabel(QStringLiteral("%1").arg(model.headerData(column, Qt::Horizontal).toString()).toStdString());
    bool ascending = false;
    for (auto _ : state) {
        ascending = !ascending;
        view.sortByColumn(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        benchmark::DoNotOptimize(view.grab());
    }
}
BENCHMARK(BM_ListingSort100k)->DenseRange(0, 9)->Unit(benchmark::kMillisecond);

// The rows put in order alone, without the model and the view.
void BM_ListingRowOrder100k(benchmark::State& state)
{
    const auto xp = BigCrystal();
    const std::vector<EditListingRowRec> rows = CreateEditListing(xp.get());
    const ListingColumn column = ListingColumns(kAxisTwoTheta)[static_cast<std::size_t>(state.range(0))];
    for (auto _ : state)
        benchmark::DoNotOptimize(ListingRowOrder(rows, column, true));
}
BENCHMARK(BM_ListingRowOrder100k)->DenseRange(0, 9)->Unit(benchmark::kMillisecond);

// A page down from the middle of the sorted table, drawn.
void BM_ListingScroll100k(benchmark::State& state)
{
    const auto xp = BigCrystal();
    ListingModel model;
    QTableView view;
    model.SetRows(CreateEditListing(xp.get()), kAxisTwoTheta, false);
    SetUpView(view, model);
    view.sortByColumn(6, Qt::DescendingOrder);
    QScrollBar* bar = view.verticalScrollBar();
    int position = bar->maximum() / 2;
    for (auto _ : state) {
        position = position + bar->pageStep() > bar->maximum() ? 0 : position + bar->pageStep();
        bar->setValue(position);
        benchmark::DoNotOptimize(view.grab());
    }
}
BENCHMARK(BM_ListingScroll100k)->Unit(benchmark::kMillisecond);

// A parameter changed: new values for the same reflexions, sorted by intensity, with a selection.
void BM_ListingRefresh100k(benchmark::State& state)
{
    auto xp = BigCrystal();
    ListingModel model;
    QTableView view;
    model.SetRows(CreateEditListing(xp.get()), kAxisTwoTheta, false);
    SetUpView(view, model);
    view.sortByColumn(6, Qt::DescendingOrder);
    view.selectRow(3);
    for (auto _ : state) {
        for (ReflexionRec& r : xp->refs)
            r.tth += 0.001f;
        model.SetRows(CreateEditListing(xp.get()), kAxisTwoTheta, true);
        benchmark::DoNotOptimize(view.grab());
    }
}
BENCHMARK(BM_ListingRefresh100k)->Unit(benchmark::kMillisecond);

}  // namespace
