// Load check of the batch command: folders of 1,000 and 10,000 small structure files, one in a
// hundred of them damaged, each simulated by `velmora-cli batch` in a child process of its own.
// Reports the time, the peak resident memory of the child, and checks that every good file gave
// its output and every damaged one was reported with a reason. Not a test: run by hand,
//   load_batch [file counts...]        (default 1000 10000)
// Exit status 0 when every check held.
#include "CliCommands.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The damaged files take turns among these faults.
std::string DamagedCif(const std::string& good, int n)
{
    switch (n % 4) {
    case 0: return good.substr(0, good.size() / 3);                          // cut short
    case 1: {                                                                // impossible cell
        std::string bad = good;
        const std::size_t at = bad.find("_cell_length_a");
        if (at != std::string::npos)
            bad.replace(at, bad.find('\n', at) - at, "_cell_length_a -4");
        return bad;
    }
    case 2: return std::string(400, '\x01');                                 // not text at all
    default: return "data_empty\n_cell_length_a 5\n";                        // no atoms
    }
}

struct Outcome {
    bool ok = false;
    double seconds = 0;
    long peakKiB = 0;
    int outputs = 0, goodFiles = 0, badFiles = 0, badReported = 0;
};

Outcome Run(const fs::path& root, int count, const std::string& good)
{
    Outcome o;
    const fs::path in = root / ("in-" + std::to_string(count)), out = root / ("out-" + std::to_string(count));
    fs::create_directories(in);
    fs::create_directories(out);
    std::set<std::string> bad;
    for (int i = 0; i < count; ++i) {
        const bool damaged = i % 100 == 37;
        const std::string name = (damaged ? "damaged-" : "salt-") + std::to_string(i) + ".cif";
        std::ofstream(in / name, std::ios::binary) << (damaged ? DamagedCif(good, i / 100) : good);
        (damaged ? o.badFiles : o.goodFiles)++;
        if (damaged)
            bad.insert(name);
    }
    const fs::path log = root / ("batch-" + std::to_string(count) + ".log");

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        std::freopen(log.c_str(), "w", stderr);
        std::freopen("/dev/null", "w", stdout);
        std::string a0 = "velmora-cli", a1 = "batch", a2 = "--out", a3 = out.string(), a4 = "--outputs",
                    a5 = "listing", a6 = in.string();
        char* argv[] = {a0.data(), a1.data(), a2.data(), a3.data(), a4.data(), a5.data(), a6.data(), nullptr};
        std::_Exit(RunCli(7, argv));
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    o.peakKiB = usage.ru_maxrss;

    // Every listing, beside the run's own summary.
    for (const fs::directory_entry& e : fs::directory_iterator(out))
        o.outputs += e.is_regular_file() && e.path().filename().string().rfind("velmora-batch", 0) != 0;
    std::istringstream lines(ReadText(log));
    for (std::string line; std::getline(lines, line);)
        for (const std::string& name : bad)
            if (line.find(name) != std::string::npos && line.size() > line.find(name) + name.size() + 2) {
                ++o.badReported;
                bad.erase(name);
                break;
            }
    // The command fails as a whole when a file failed; the files themselves decide the check.
    o.ok = WIFEXITED(status) && o.outputs == o.goodFiles && o.badReported == o.badFiles;
    fs::remove_all(in);
    fs::remove_all(out);
    return o;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i)
        counts.push_back(std::atoi(argv[i]));
    if (counts.empty())
        counts = {1000, 10000};
    const std::string good = ReadText(VELMORA_EXAMPLES_DIR "/rock_salt.cif");
    if (good.empty()) {
        std::fprintf(stderr, "load_batch: cannot read the rock-salt example\n");
        return 2;
    }
    const fs::path root = fs::temp_directory_path() / ("velmora-load-" + std::to_string(getpid()));
    bool allOk = true;
    std::printf("%8s %10s %14s %8s %6s %12s %s\n", "files", "seconds", "peak RSS MiB", "outputs", "bad", "bad reported",
                "checks");
    for (int count : counts) {
        const Outcome o = Run(root, count, good);
        std::printf("%8d %10.2f %14.1f %8d %6d %12d %s\n", count, o.seconds, o.peakKiB / 1024.0, o.outputs, o.badFiles,
                    o.badReported, o.ok ? "ok" : "FAILED");
        std::fflush(stdout);
        allOk &= o.ok;
    }
    fs::remove_all(root);
    return allOk ? 0 : 1;
}
