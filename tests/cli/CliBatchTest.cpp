// The batch command's parts for running at scale: shards of the input list, the outputs --resume
// counts as complete, the names kept free for the summaries, and the summary itself.
#include "CliBatch.h"

#include "CliDocument.h"
#include "engine/FileTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace {

struct ShardTextRow {
    const char* text;
    bool ok;
    std::size_t k, n;
};

TEST(BatchShard, ParsesOnlyKOfNWithKFromOneToN)
{
    const ShardTextRow rows[] = {
        {"1/1", true, 1, 1},      {"3/10", true, 3, 10},  {"10/10", true, 10, 10}, {"1000000/1000000", true, 1000000, 1000000},
        {"0/4", false, 0, 0},     {"5/4", false, 0, 0},   {"1/0", false, 0, 0},    {"-1/4", false, 0, 0},
        {"+1/4", false, 0, 0},    {" 1/4", false, 0, 0},  {"1/4 ", false, 0, 0},   {"1//4", false, 0, 0},
        {"1", false, 0, 0},       {"/4", false, 0, 0},    {"1/", false, 0, 0},     {"a/b", false, 0, 0},
        {"1/1000001", false, 0, 0}, {"99999999999999999999/1", false, 0, 0}, {"1.5/4", false, 0, 0},
    };
    for (const ShardTextRow& row : rows) {
        std::size_t k = 0, n = 0;
        EXPECT_EQ(ParseShard(row.text, &k, &n), row.ok) << row.text;
        if (row.ok) {
            EXPECT_EQ(k, row.k) << row.text;
            EXPECT_EQ(n, row.n) << row.text;
        }
    }
}

TEST(BatchShard, PartsAreConsecutiveNearlyEqualAndCoverEveryInputOnce)
{
    for (std::size_t count : {0u, 1u, 2u, 7u, 10u, 11u, 97u, 1000u}) {
        for (std::size_t n : {1u, 2u, 3u, 4u, 10u, 13u, 200u}) {
            std::vector<int> seen(count, 0);
            std::size_t expectedFirst = 0, smallest = count, largest = 0;
            for (std::size_t k = 1; k <= n; ++k) {
                const auto [first, last] = ShardRange(count, k, n);
                ASSERT_EQ(first, expectedFirst) << count << " inputs, part " << k << " of " << n;
                ASSERT_LE(first, last);
                for (std::size_t i = first; i < last; ++i)
                    ++seen[i];
                expectedFirst = last;
                smallest = std::min(smallest, last - first);
                largest = std::max(largest, last - first);
            }
            EXPECT_EQ(expectedFirst, count);
            EXPECT_LE(largest - smallest, 1u) << count << " inputs in " << n << " parts";
            for (std::size_t i = 0; i < count; ++i)
                EXPECT_EQ(seen[i], 1) << "input " << i << " of " << count << " in " << n << " parts";
        }
    }
    EXPECT_EQ(ShardRange(10, 0, 4), std::make_pair(std::size_t{0}, std::size_t{0}));
    EXPECT_EQ(ShardRange(10, 5, 4), std::make_pair(std::size_t{0}, std::size_t{0}));
}

TEST(BatchShard, SummaryNamesAreKeptFreeOfInputs)
{
    EXPECT_EQ(BatchSummaryName(0, 0), "velmora-batch.json");
    EXPECT_EQ(BatchSummaryName(2, 5), "velmora-batch-2-of-5.json");
    const std::vector<std::string> stems =
        UniqueOutputStems({"a/velmora-batch.cif", "b/velmora-batch-2-of-5.cif", "c/velmora-batch-x.cif", "d/quartz.cif"});
    EXPECT_EQ(stems, (std::vector<std::string>{"velmora-batch-2", "velmora-batch-2-of-5-2", "velmora-batch-x", "quartz"}));
}

class BatchResumeTest : public ::testing::Test {
protected:
    TempFolder folder;
    std::string input = folder / "quartz.cif";
    OutputTargets targets = BatchTargets(folder.path(), "quartz", {"listing", "png"});

    void Age(const std::string& path, int seconds)
    {
        fs::last_write_time(path, fs::last_write_time(path) - std::chrono::seconds(seconds));
    }
};

TEST_F(BatchResumeTest, OutputsAreCompleteOnlyWhenAllExistAndNoneIsOlderThanTheInput)
{
    WriteFileBytes(input, {'d', 'a', 't', 'a', '_'});
    Age(input, 100);
    EXPECT_FALSE(OutputsComplete(targets, input)) << "no outputs yet";
    WriteFileBytes(targets.listing, {'x'});
    EXPECT_FALSE(OutputsComplete(targets, input)) << "the plot is missing (a run killed between the two)";
    WriteFileBytes(targets.plots.at(0), {'x'});
    EXPECT_TRUE(OutputsComplete(targets, input));
    Age(targets.listing, 200);
    EXPECT_FALSE(OutputsComplete(targets, input)) << "the input changed after the listing was written";
    EXPECT_FALSE(OutputsComplete(targets, folder / "missing.cif"));
    EXPECT_FALSE(OutputsComplete(OutputTargets{}, input)) << "nothing asked for is never complete";
}

TEST(BatchSummary, ListsEachInputUnderWhatBecameOfIt)
{
    using State = BatchFileResult::State;
    const std::vector<BatchFileResult> results = {
        {"in/a.cif", State::Simulated, {}, {"out/a Listing.txt", "out/a.png"}},
        {"in/b \"q\".cif", State::Refused, "no atoms", {}},
        {"in/c.cif", State::Skipped, "its outputs are complete", {}},
    };
    const std::string json = BatchSummaryJson(results, 2, 3, 1.5);
    EXPECT_NE(json.find("\"shard\": {\"index\": 2, \"count\": 3}"), std::string::npos) << json;
    EXPECT_NE(json.find("\"inputs\": 3"), std::string::npos) << json;
    EXPECT_NE(json.find("{\"input\": \"in/a.cif\", \"outputs\": [\"out/a Listing.txt\", \"out/a.png\"]}"), std::string::npos);
    EXPECT_NE(json.find("{\"input\": \"in/b \\\"q\\\".cif\", \"reason\": \"no atoms\"}"), std::string::npos) << json;
    EXPECT_NE(json.find("\"seconds\": 1.500"), std::string::npos) << json;
    EXPECT_NE(BatchSummaryJson({}, 0, 0, 0).find("\"shard\": null"), std::string::npos);
}

}  // namespace
