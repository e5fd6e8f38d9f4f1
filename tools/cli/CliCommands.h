// The subcommands of velmora-cli in one table (name, summary, options, handler), the parser built
// from it, and the exit statuses. The handlers are in CliSimulate.h and CliBatch.h.
#pragma once

#include "CliDocument.h"
#include "CliSettings.h"

#include <string>
#include <vector>

namespace CLI {
class App;
}

// Exit statuses.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // a file could not be read or an output written
inline constexpr int kExitUsage = 2;    // the command line is wrong

// Every option any command takes; each command declares the ones it uses.
struct CliOptions {
    SimulationSettings settings;
    std::vector<std::string> inputs;
    bool verbose = false;
    OutputTargets outputs;                // simulate
    std::string outDir;                   // batch
    std::vector<std::string> outputKinds; // batch: listing, profile, fhkl, json, session, png, svg, pdf
    int jobs = 0;                         // batch: worker threads, 0 for one per core
    std::string shard;                    // batch: "K/N", the K-th of N parts of the inputs; empty for all
    bool resume = false;                  // batch: skip inputs whose outputs are complete
};

struct CliCommandRec {
    const char* name;
    const char* summary;
    const char* example;  // shown below the command's help
    void (*declareOptions)(CLI::App& command, CliOptions& options);
    int (*run)(const CliOptions& options);
};

const std::vector<CliCommandRec>& CliCommandTable();

// Parses the command line and runs the chosen command; returns the exit status.
int RunCli(int argc, char** argv);

// Prepares the engine as the desktop program does at start-up, with the factory preferences and
// the scattering table. False (reported) when the table cannot be found.
bool StartEngine();
