// The batch command: every structure file of the folders and files given simulated on its own,
// with the same settings, into an output folder, one file per worker thread on all cores. A file
// that fails is reported and skipped; the others go on. For a cluster, --shard K/N takes the K-th
// of N parts of the input list, so N jobs cover it with no coordination, and --resume skips the
// inputs whose outputs a killed run already wrote (every output is written to a temporary file
// and renamed, so an output that exists is complete). A summary of what was done goes to a JSON
// file beside the outputs.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace CLI {
class App;
}
struct CliOptions;
struct OutputTargets;

int RunBatch(const CliOptions& options);

// Declares --shard and --resume on the batch command.
void AddBatchScaleOptions(CLI::App& app, CliOptions& options);

// Parses "K/N" with 1 <= K <= N <= kMaxShards, both plain decimal numbers; false otherwise.
inline constexpr std::size_t kMaxShards = 1000000;
bool ParseShard(const std::string& text, std::size_t* k, std::size_t* n);
// The inputs [first, last) of the K-th of N parts of count inputs: consecutive, in the order of
// the list, sizes differing by at most one; the N parts together hold every input once.
std::pair<std::size_t, std::size_t> ShardRange(std::size_t count, std::size_t k, std::size_t n);

// Whether an input's outputs are complete: every output file exists and none is older than the
// input. What --resume skips.
bool OutputsComplete(const OutputTargets& targets, const std::string& input);

// The summary's file name in the output folder: "velmora-batch.json", or for shard K of N
// "velmora-batch-K-of-N.json", so the jobs of an array do not write over each other.
std::string BatchSummaryName(std::size_t k, std::size_t n);

// What became of the inputs, in the order of the list, for the summary.
struct BatchFileResult {
    enum class State { Pending, Simulated, Skipped, Refused };
    std::string input;
    State state = State::Pending;
    std::string reason;                // refused: what was wrong; skipped: why
    std::vector<std::string> outputs;  // simulated: the files written
};
// The summary as JSON: {"program", "shard": {"index", "count"} or null, "inputs", "simulated":
// [{"input", "outputs"}], "skipped": [{"input", "reason"}], "refused": [{"input", "reason"}],
// "seconds"}.
std::string BatchSummaryJson(const std::vector<BatchFileResult>& results, std::size_t shardIndex,
                             std::size_t shardCount, double seconds);

// The output kinds of the batch command, and their names as one comma-separated text.
const std::vector<std::string>& BatchOutputKinds();
std::string BatchOutputKindList();

// A base name for the outputs of each input file: the file name without its extension, made
// unique by "-2", "-3", ... in the order given when several files share it. The summaries' names
// are kept free, so an input called velmora-batch.cif does not write over one.
std::vector<std::string> UniqueOutputStems(const std::vector<std::string>& files);

// The targets of one input's outputs in folder dir, for base name stem: "stem Listing.txt",
// "stem Profile.txt", "stem Fhkl.txt" (the desktop program's report names), "stem.json",
// "stem.vlmf", "stem.png", "stem.svg", "stem.pdf".
OutputTargets BatchTargets(const std::string& dir, const std::string& stem, const std::vector<std::string>& kinds);
