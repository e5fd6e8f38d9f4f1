// The batch command: a pool of worker threads, each simulating one file at a time in a document of
// its own, with its messages collected and printed when the file is done.
#include "CliBatch.h"

#include "CliCommands.h"
#include "CliPlot.h"
#include "CliStatus.h"
#include "Document.h"
#include "Intensity.h"
#include "Status.h"
#include "TextFormat.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

namespace fs = std::filesystem;

namespace {

struct OutputKindRec {
    const char* kind;
    const char* suffix;  // appended to the stem
};

const OutputKindRec kOutputKinds[] = {
    {"listing", " Listing.txt"}, {"profile", " Profile.txt"}, {"fhkl", " Fhkl.txt"}, {"json", ".json"},
    {"session", ".vlmf"},        {"png", ".png"},             {"svg", ".svg"},       {"pdf", ".pdf"},
};

bool IsPlotKind(const std::string& kind)
{
    return kind == "png" || kind == "svg" || kind == "pdf";
}

using Clock = std::chrono::steady_clock;

// What the workers share: the work, and the report of what is done.
struct BatchRun {
    BatchRun(const CliOptions& o, const std::vector<std::string>& f, const std::vector<std::string>& s, Float32 c,
             const PlotExportOptions& p, PlotWriter* w, TerminalProgress& bar, std::size_t n)
        : options(o), files(f), stems(s), channel(c), plotOptions(p), plotWriter(w), progress(bar), total(n)
    {
    }
    const CliOptions& options;
    const std::vector<std::string>& files;
    const std::vector<std::string>& stems;
    Float32 channel;  // x step of profiles, the same for every file
    PlotExportOptions plotOptions;
    PlotWriter* plotWriter;
    TerminalProgress& progress;
    std::size_t total;  // files and paths that could not be taken

    std::atomic<std::size_t> next{0};
    std::mutex reportMutex;
    std::size_t done = 0, failed = 0;
    Clock::time_point lastDrawn{};
};

void DrawProgress(BatchRun& run, bool force)
{
    const Clock::time_point now = Clock::now();
    if (!force && now - run.lastDrawn < std::chrono::milliseconds(100))
        return;
    run.lastDrawn = now;
    const int percent = run.total ? static_cast<int>(100 * run.done / run.total) : 100;
    run.progress.Show("Simulating " + std::to_string(run.done) + " of " + std::to_string(run.total) + " files", percent);
}

// Prints a file's messages and counts it.
void ReportFile(BatchRun& run, const std::string& path, bool ok, const std::vector<std::string>& lines)
{
    std::lock_guard lock(run.reportMutex);
    for (const std::string& line : lines)
        run.progress.PrintLine(line);
    if (!ok && lines.empty())
        run.progress.PrintLine(FormatCliMessage(path, "error: the file could not be simulated"));
    ++run.done;
    run.failed += !ok;
    DrawProgress(run, run.done == run.total);
}

// One file in a document of its own; false when it failed (reported through the thread's sink).
bool SimulateOne(BatchRun& run, std::size_t i, CliStatusSink& sink)
{
    const std::string& path = run.files[i];
    std::unique_ptr<WinInfoRec> doc = CreateWindowInfo();
    std::string error;
    const LoadOutcome outcome = LoadDocument(doc.get(), {path}, run.options.settings, sink, &error);
    sink.SetContext(path);
    if (outcome == LoadOutcome::BadSettings)
        MyCFStopAlertText(error);  // settings that do not fit this file (the number of fractions)
    if (outcome != LoadOutcome::Loaded)
        return false;
    doc->plotSpecs.exportChannelSize = run.channel;
    const OutputTargets targets = BatchTargets(run.options.outDir, run.stems[i], run.options.outputKinds);
    const bool written = WriteOutputs(doc.get(), targets, run.plotOptions, run.plotWriter, sink);
    return written && sink.stopAlerts() == 0;
}

void Worker(BatchRun& run)
{
    // One calculation per core already: the intensity loop of each stays on its thread.
    SetEngineThreadCount(1);
    for (;;) {
        const std::size_t i = run.next++;
        if (i >= run.files.size())
            break;
        std::vector<std::string> lines;
        CliStatusSink sink([&lines](const std::string& line) { lines.push_back(line); }, nullptr, run.options.verbose);
        bool ok;
        {
            ScopedThreadStatusSink scoped(&sink);
            ok = SimulateOne(run, i, sink);
        }
        ReportFile(run, run.files[i], ok, lines);
    }
}

}  // namespace

const std::vector<std::string>& BatchOutputKinds()
{
    static const std::vector<std::string> kinds = [] {
        std::vector<std::string> v;
        for (const OutputKindRec& k : kOutputKinds)
            v.emplace_back(k.kind);
        return v;
    }();
    return kinds;
}

std::string BatchOutputKindList()
{
    std::string text;
    for (const std::string& kind : BatchOutputKinds())
        text += (text.empty() ? "" : ", ") + kind;
    return text;
}

std::vector<std::string> UniqueOutputStems(const std::vector<std::string>& files)
{
    std::vector<std::string> stems;
    std::set<std::string> used;
    for (const std::string& file : files) {
        std::string stem = fs::path(file).stem().string();
        if (stem.empty())
            stem = "output";
        std::string candidate = stem;
        for (int n = 2; used.count(candidate); ++n)
            candidate = stem + "-" + std::to_string(n);
        used.insert(candidate);
        stems.push_back(candidate);
    }
    return stems;
}

OutputTargets BatchTargets(const std::string& dir, const std::string& stem, const std::vector<std::string>& kinds)
{
    OutputTargets t;
    for (const OutputKindRec& k : kOutputKinds) {
        if (std::find(kinds.begin(), kinds.end(), k.kind) == kinds.end())
            continue;
        const std::string path = (fs::path(dir) / (stem + k.suffix)).string();
        const std::string kind = k.kind;
        if (kind == "listing")
            t.listing = path;
        else if (kind == "profile")
            t.profile = path;
        else if (kind == "fhkl")
            t.fhkl = path;
        else if (kind == "json")
            t.json = path;
        else if (kind == "session")
            t.session = path;
        else
            t.plots.push_back(path);
    }
    return t;
}

int RunBatch(const CliOptions& options)
{
    CliConsole console(options.verbose);
    auto usage = [&](const std::string& text) {
        console.Error({}, text);
        return kExitUsage;
    };

    // Everything that does not depend on the files is checked before any work starts.
    const PlotExportOptions plotOptions = PlotOptionsOf(options.settings);
    bool anyPlot = false;
    for (const std::string& kind : options.outputKinds) {
        if (!IsPlotKind(kind))
            continue;
        anyPlot = true;
        if (std::string problem = CheckPlotTarget("plot." + kind, plotOptions); !problem.empty())
            return usage(problem);
    }
    if (std::string problem = CheckSampleSettings(options.settings); !problem.empty())
        return usage(problem);
    if (!StartEngine())
        return kExitFailure;
    std::unique_ptr<WinInfoRec> templateDoc = CreateWindowInfo();
    if (std::string problem = ApplyInstrumentSettings(templateDoc.get(), options.settings); !problem.empty())
        return usage(problem);
    SetDefaultChannel(templateDoc.get(), options.settings);

    std::error_code ec;
    fs::create_directories(options.outDir, ec);
    if (!fs::is_directory(options.outDir, ec)) {
        console.Error(options.outDir, "the output folder could not be created");
        return kExitFailure;
    }

    std::vector<InputProblem> problems;
    const std::vector<std::string> files = ExpandInputs(options.inputs, false, true, &problems);
    for (const InputProblem& p : problems)
        console.Error(p.path, p.reason + "; skipped");
    if (files.empty() && problems.empty()) {
        console.Error({}, "no crystal or CIF file was found");
        return kExitFailure;
    }

    std::unique_ptr<PlotWriter> plotWriter;
    if (anyPlot && !files.empty())
        plotWriter = std::make_unique<PlotWriter>(options.verbose);
    const std::vector<std::string> stems = UniqueOutputStems(files);
    BatchRun run(options, files, stems, templateDoc->plotSpecs.exportChannelSize, plotOptions, plotWriter.get(),
                 console.progress(), files.size() + problems.size());
    run.done = run.failed = problems.size();

    const Clock::time_point start = Clock::now();
    std::size_t threads = options.jobs > 0 ? static_cast<std::size_t>(options.jobs)
                                           : std::max(1u, std::thread::hardware_concurrency());
    threads = std::min(threads, files.size());
    std::vector<std::thread> workers;
    for (std::size_t t = 0; t < threads; ++t)
        workers.emplace_back(Worker, std::ref(run));
    for (std::thread& w : workers)
        w.join();
    console.progress().Clear();

    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (console.terminal() || options.verbose || run.failed > 0) {
        std::string summary = std::to_string(run.total - run.failed) + " of " + std::to_string(run.total) +
                              " files simulated";
        if (run.failed > 0)
            summary += ", " + std::to_string(run.failed) + " failed";
        summary += ", in " + FormatFixed(seconds, 0, 1) + " s";
        if (seconds > 0 && !files.empty())
            summary += " (" + FormatFixed(files.size() / seconds, 0, 1) + " files per second)";
        console.Line(FormatCliMessage({}, summary));
    }
    return run.failed > 0 ? kExitFailure : kExitSuccess;
}
