// The batch command: every structure file of the folders and files given simulated on its own,
// with the same settings, into an output folder, one file per worker thread on all cores. A file
// that fails is reported and skipped; the others go on.
#pragma once

#include <string>
#include <vector>

struct CliOptions;
struct OutputTargets;

int RunBatch(const CliOptions& options);

// The output kinds of the batch command, and their names as one comma-separated text.
const std::vector<std::string>& BatchOutputKinds();
std::string BatchOutputKindList();

// A base name for the outputs of each input file: the file name without its extension, made
// unique by "-2", "-3", ... in the order given when several files share it.
std::vector<std::string> UniqueOutputStems(const std::vector<std::string>& files);

// The targets of one input's outputs in folder dir, for base name stem: "stem Listing.txt",
// "stem Profile.txt", "stem Fhkl.txt" (the desktop program's report names), "stem.json",
// "stem.vlmf", "stem.png", "stem.svg", "stem.pdf".
OutputTargets BatchTargets(const std::string& dir, const std::string& stem, const std::vector<std::string>& kinds);
