// The structures list of a document of 200 patterns: rebuilding the rows after the list changed,
// bringing them up to date after a selection change, and drawing the list, on the offscreen
// platform. The list must stay quick enough to rebuild on every change of the document.
#include "Document.h"
#include "PatternListModel.h"
#include "StructuresList.h"

#include <QApplication>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

constexpr int kPatterns = 200;

// 200 patterns, half of them plotted datasets with their data, half unread crystal files.
std::unique_ptr<WinInfoRec> BigDocument()
{
    auto w = CreateWindowInfo(PrefDataRec{});
    for (int i = 0; i < kPatterns; ++i) {
        auto pp = CreatePattern();
        pp->name = "pattern " + std::to_string(1000 + i) + (i % 2 ? ".obdf" : ".xy");
        pp->filePtr = "/data/" + pp->name;
        if (i % 2) {
            pp->type = kPatternTypeCrystal;
        } else {
            pp->type = kPatternTypeDataset;
            pp->dataset = CreateDataset(PrefDataRec{});
            pp->dataset->plotColor = GetNextPlotColor(w.get());
        }
        VLPatternPtr p = InsertPatternIntoFileListSorted(w.get(), std::move(pp));
        if (p->dataset)
            InsertPatternIntoPlotList(w.get(), p, nullptr);
    }
    return w;
}

// Every cell asked for what a view draws.
void ReadAll(const PatternListModel& model)
{
    for (int r = 0; r < model.rowCount(); ++r)
        for (int c = 0; c < PatternListModel::kColumnCount; ++c)
            for (int role : {int(Qt::DisplayRole), int(Qt::DecorationRole), int(Qt::CheckStateRole), int(Qt::FontRole),
                             int(PatternListModel::SelectedRole)})
                benchmark::DoNotOptimize(model.index(r, c).data(role));
}

// A pattern leaves and comes back: the rows are rebuilt from the document and read again.
void BM_RebuildList200(benchmark::State& state)
{
    auto w = BigDocument();
    PatternListModel model(w.get());
    for (auto _ : state) {
        std::unique_ptr<VLPatternRec> first = RemovePatternFromFileList(w.get(), w->fileList.front().get());
        model.Refresh();
        InsertPatternIntoFileList(w.get(), std::move(first), w->fileList.front().get());
        model.Refresh();
        ReadAll(model);
    }
    state.SetItemsProcessed(state.iterations() * kPatterns);
}
BENCHMARK(BM_RebuildList200)->Unit(benchmark::kMicrosecond);

// Select all, then one: the same rows, announced where they changed.
void BM_SelectionRefresh200(benchmark::State& state)
{
    auto w = BigDocument();
    PatternListModel model(w.get());
    for (auto _ : state) {
        for (const auto& p : w->fileList)
            p->selected = true;
        model.Refresh();
        DoClickFilesListItem(w.get(), kPatterns / 2, ListClick::Plain);
        model.Refresh();
    }
}
BENCHMARK(BM_SelectionRefresh200)->Unit(benchmark::kMicrosecond);

// The drawer's view drawn after the list was rebuilt.
void BM_DrawList200(benchmark::State& state)
{
    auto w = BigDocument();
    PatternListModel model(w.get());
    QTreeView view;
    view.setModel(&model);
    view.setRootIsDecorated(false);
    view.setUniformRowHeights(true);
    view.resize(260, 600);
    for (auto _ : state) {
        std::unique_ptr<VLPatternRec> first = RemovePatternFromFileList(w.get(), w->fileList.front().get());
        model.Refresh();
        InsertPatternIntoFileList(w.get(), std::move(first), w->fileList.front().get());
        model.Refresh();
        benchmark::DoNotOptimize(view.grab());
    }
}
BENCHMARK(BM_DrawList200)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
