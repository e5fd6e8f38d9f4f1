// The batch command: a pool of worker threads, each simulating one file at a time in a document of
// its own, with its messages collected and printed when the file is done.
#include "CliBatch.h"

#include "CliCommands.h"
#include "CliJson.h"
#include "CliPlot.h"
#include "CliStatus.h"
#include "Document.h"
#include "Intensity.h"
#include "SafeFile.h"
#include "Status.h"
#include "TextFormat.h"
#include "Versions.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <atomic>
#include <charconv>
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
    BatchRun(const CliOptions& o, const std::vector<std::string>& f, const std::vector<std::string>& s,
             std::vector<std::size_t> w, std::vector<BatchFileResult>& r, std::size_t first, Float32 c,
             const PlotExportOptions& p, PlotWriter* pw, TerminalProgress& bar, std::size_t n)
        : options(o), files(f), stems(s), work(std::move(w)), results(r), firstInput(first), channel(c), plotOptions(p),
          plotWriter(pw), progress(bar), total(n)
    {
    }
    const CliOptions& options;
    const std::vector<std::string>& files;
    const std::vector<std::string>& stems;
    const std::vector<std::size_t> work;    // indices into files, in order
    std::vector<BatchFileResult>& results;  // one per input of the shard, from files[firstInput] on
    std::size_t firstInput;
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

// Passes everything on to the worker's sink and keeps the first stop alert: the reason a file was
// refused, for the summary.
class FirstStopAlert final : public StatusSink {
public:
    explicit FirstStopAlert(StatusSink& next) : next_(next) {}
    const std::string& text() const { return text_; }

    void InfoBarText(const std::string& text) override { next_.InfoBarText(text); }
    void ProgressStart(const std::string& text) override { next_.ProgressStart(text); }
    void ProgressValue(int percent) override { next_.ProgressValue(percent); }
    void ProgressStop() override { next_.ProgressStop(); }
    void MessageWindow(const std::string& title, const std::string& text) override { next_.MessageWindow(title, text); }
    void HideMessageWindow() override { next_.HideMessageWindow(); }
    void Alert(AlertKind kind, const std::string& text, const std::string& explanation) override
    {
        if (kind == AlertKind::Stop && text_.empty())
            text_ = explanation.empty() ? text : text + " " + explanation;
        next_.Alert(kind, text, explanation);
    }

private:
    StatusSink& next_;
    std::string text_;
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

constexpr char kNotSimulated[] = "the file could not be simulated";

// Prints a file's messages and counts it.
void ReportFile(BatchRun& run, const std::string& path, bool ok, const std::vector<std::string>& lines)
{
    std::lock_guard lock(run.reportMutex);
    for (const std::string& line : lines)
        run.progress.PrintLine(line);
    if (!ok && lines.empty())
        run.progress.PrintLine(FormatCliMessage(path, std::string("error: ") + kNotSimulated));
    ++run.done;
    run.failed += !ok;
    DrawProgress(run, run.done == run.total);
}

// One file in a document of its own; false when it failed (reported through the thread's sink).
bool SimulateOne(BatchRun& run, std::size_t i, CliStatusSink& sink)
{
    const std::string& path = run.files[i];
    std::unique_ptr<WinInfoRec> doc = CreateWindowInfo(gPrefs);
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
    for (;;) {
        const std::size_t w = run.next++;
        if (w >= run.work.size())
            break;
        const std::size_t i = run.work[w];
        std::vector<std::string> lines;
        CliStatusSink sink([&lines](const std::string& line) { lines.push_back(line); }, nullptr, run.options.verbose);
        FirstStopAlert reason(sink);
        bool ok;
        {
            ScopedThreadStatusSink scoped(&reason);
            ok = SimulateOne(run, i, sink);
        }
        BatchFileResult& result = run.results[i - run.firstInput];
        if (ok) {
            result.state = BatchFileResult::State::Simulated;
            result.outputs = BatchTargets(run.options.outDir, run.stems[i], run.options.outputKinds).Files();
        } else {
            result.state = BatchFileResult::State::Refused;
            result.reason = reason.text().empty() ? kNotSimulated : reason.text();
        }
        ReportFile(run, run.files[i], ok, lines);
    }
}

// The summaries' base names: "velmora-batch" and "velmora-batch-K-of-N".
bool IsSummaryStem(const std::string& stem)
{
    static const std::string kBase = "velmora-batch";
    if (stem == kBase)
        return true;
    if (stem.compare(0, kBase.size() + 1, kBase + "-") != 0)
        return false;
    const std::string rest = stem.substr(kBase.size() + 1);
    const std::size_t of = rest.find("-of-");
    return of != std::string::npos && ParseShard(rest.substr(0, of) + "/" + rest.substr(of + 4), nullptr, nullptr);
}

bool ParseCount(std::string_view text, std::size_t* value)
{
    if (text.empty() || text.size() > 7)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    std::from_chars(text.data(), text.data() + text.size(), *value);
    return true;
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
        for (int n = 2; used.count(candidate) || IsSummaryStem(candidate); ++n)
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

void AddBatchScaleOptions(CLI::App& app, CliOptions& o)
{
    app.add_option("--shard", o.shard,
                   "work on the K-th of N equal parts of the input list (K from 1), for N jobs of a cluster")
        ->type_name("K/N")
        ->check(CLI::Validator(
            [](const std::string& text) {
                return ParseShard(text, nullptr, nullptr) ? std::string()
                                                          : "give --shard as K/N with 1 <= K <= N, such as 3/10";
            },
            "", ""));
    app.add_flag("--resume", o.resume, "skip the inputs whose outputs are all written and newer than the input");
}

bool ParseShard(const std::string& text, std::size_t* k, std::size_t* n)
{
    const std::size_t slash = text.find('/');
    std::size_t kv = 0, nv = 0;
    if (slash == std::string::npos || !ParseCount(std::string_view(text).substr(0, slash), &kv) ||
        !ParseCount(std::string_view(text).substr(slash + 1), &nv))
        return false;
    if (kv < 1 || kv > nv || nv > kMaxShards)
        return false;
    if (k)
        *k = kv;
    if (n)
        *n = nv;
    return true;
}

std::pair<std::size_t, std::size_t> ShardRange(std::size_t count, std::size_t k, std::size_t n)
{
    if (n == 0 || k < 1 || k > n)
        return {0, 0};
    return {count * (k - 1) / n, count * k / n};
}

bool OutputsComplete(const OutputTargets& targets, const std::string& input)
{
    std::error_code ec;
    const fs::file_time_type inputTime = fs::last_write_time(input, ec);
    if (ec)
        return false;
    const std::vector<std::string> files = targets.Files();
    if (files.empty())
        return false;
    for (const std::string& file : files) {
        if (!fs::is_regular_file(file, ec))
            return false;
        const fs::file_time_type outputTime = fs::last_write_time(file, ec);
        if (ec || outputTime < inputTime)
            return false;
    }
    return true;
}

std::string BatchSummaryName(std::size_t k, std::size_t n)
{
    if (n == 0)
        return "velmora-batch.json";
    return "velmora-batch-" + std::to_string(k) + "-of-" + std::to_string(n) + ".json";
}

std::string BatchSummaryJson(const std::vector<BatchFileResult>& results, std::size_t shardIndex,
                             std::size_t shardCount, double seconds)
{
    using State = BatchFileResult::State;
    auto list = [&](State state, bool withOutputs) {
        std::string text;
        for (const BatchFileResult& r : results) {
            if (r.state != state)
                continue;
            text += text.empty() ? "\n    " : ",\n    ";
            text += "{\"input\": " + JsonString(r.input);
            if (withOutputs) {
                text += ", \"outputs\": [";
                for (std::size_t o = 0; o < r.outputs.size(); ++o)
                    text += (o ? ", " : "") + JsonString(r.outputs[o]);
                text += "]";
            } else {
                text += ", \"reason\": " + JsonString(r.reason);
            }
            text += "}";
        }
        return "[" + text + (text.empty() ? "]" : "\n  ]");
    };
    std::string json = "{\n";
    json += "  \"program\": " + JsonString(std::string(kCliProgramName) + " " + gProgramVersion) + ",\n";
    json += "  \"shard\": " +
            (shardCount ? "{\"index\": " + std::to_string(shardIndex) + ", \"count\": " + std::to_string(shardCount) + "}"
                        : std::string("null")) +
            ",\n";
    json += "  \"inputs\": " + std::to_string(results.size()) + ",\n";
    json += "  \"simulated\": " + list(State::Simulated, true) + ",\n";
    json += "  \"skipped\": " + list(State::Skipped, false) + ",\n";
    json += "  \"refused\": " + list(State::Refused, false) + ",\n";
    json += "  \"seconds\": " + FormatFixed(seconds, 0, 3) + "\n}\n";
    return json;
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
    std::unique_ptr<WinInfoRec> templateDoc = CreateWindowInfo(gPrefs);
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

    std::size_t shardIndex = 0, shardCount = 0;
    if (!options.shard.empty() && !ParseShard(options.shard, &shardIndex, &shardCount))
        return usage("give --shard as K/N with 1 <= K <= N, such as 3/10");
    // Stems come from the whole list, so every shard names an input's outputs alike.
    const std::vector<std::string> stems = UniqueOutputStems(files);
    const auto [first, last] = shardCount ? ShardRange(files.size(), shardIndex, shardCount)
                                          : std::pair<std::size_t, std::size_t>(0, files.size());

    // The summary lists the inputs in order: the paths that could not be taken, then the files.
    std::vector<BatchFileResult> taken;
    for (const InputProblem& p : problems)
        taken.push_back({p.path, BatchFileResult::State::Refused, p.reason, {}});
    std::vector<BatchFileResult> results;
    std::vector<std::size_t> work;
    std::size_t skipped = 0;
    for (std::size_t i = first; i < last; ++i) {
        BatchFileResult r;
        r.input = files[i];
        if (options.resume &&
            OutputsComplete(BatchTargets(options.outDir, stems[i], options.outputKinds), files[i])) {
            r.state = BatchFileResult::State::Skipped;
            r.reason = "its outputs are complete";
            ++skipped;
            if (options.verbose)
                console.Line(FormatCliMessage(files[i], "skipped: its outputs are complete"));
        } else {
            work.push_back(i);
        }
        results.push_back(std::move(r));
    }

    std::unique_ptr<PlotWriter> plotWriter;
    if (anyPlot && !work.empty())
        plotWriter = std::make_unique<PlotWriter>(options.verbose);
    const std::size_t total = problems.size() + (last - first);
    BatchRun run(options, files, stems, work, results, first, templateDoc->plotSpecs.exportChannelSize, plotOptions,
                 plotWriter.get(), console.progress(), total);
    run.done = problems.size() + skipped;
    run.failed = problems.size();

    const Clock::time_point start = Clock::now();
    std::size_t threads = options.jobs > 0 ? static_cast<std::size_t>(options.jobs)
                                           : std::max(1u, std::thread::hardware_concurrency());
    threads = std::min(threads, work.size());
    std::vector<std::thread> workers;
    {
        // One calculation per core already: the loops of each stay on its thread.
        const int previousThreads = EngineThreadCount();
        SetEngineThreadCount(1);
        for (std::size_t t = 0; t < threads; ++t)
            workers.emplace_back(Worker, std::ref(run));
        for (std::thread& w : workers)
            w.join();
        SetEngineThreadCount(previousThreads);
    }
    console.progress().Clear();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    taken.insert(taken.end(), std::make_move_iterator(results.begin()), std::make_move_iterator(results.end()));
    const std::string summaryPath = (fs::path(options.outDir) / BatchSummaryName(shardIndex, shardCount)).string();
    const std::string summary = BatchSummaryJson(taken, shardIndex, shardCount, seconds);
    const OSErr err = WriteFileSafely(summaryPath, [&](std::FILE* file) {
        return std::fwrite(summary.data(), 1, summary.size(), file) == summary.size() ? kNoErr : kIOErr;
    });
    if (err != kNoErr) {
        console.Error(summaryPath, "the batch summary could not be written");
        run.failed += 1;
    }

    const std::size_t simulated = static_cast<std::size_t>(std::count_if(
        results.begin(), results.end(), [](const BatchFileResult& r) { return r.state == BatchFileResult::State::Simulated; }));
    if (console.terminal() || options.verbose || run.failed > 0) {
        std::string line = std::to_string(simulated) + " of " + std::to_string(run.total) +
                           " files simulated";
        if (skipped > 0)
            line += ", " + std::to_string(skipped) + " skipped (outputs complete)";
        if (run.failed > 0)
            line += ", " + std::to_string(run.failed) + " failed";
        line += ", in " + FormatFixed(seconds, 0, 1) + " s";
        if (seconds > 0 && !work.empty())
            line += " (" + FormatFixed(work.size() / seconds, 0, 1) + " files per second)";
        console.Line(FormatCliMessage({}, line));
    }
    return run.failed > 0 ? kExitFailure : kExitSuccess;
}
