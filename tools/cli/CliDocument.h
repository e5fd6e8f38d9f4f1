// The document a command builds: the input files found (folders walked), loaded into one
// document as the desktop program's "add files" loads them, with the command line's settings,
// and the outputs asked for written from it. Shared by the simulate and batch commands
// (CliCommands.h). Messages go to the current status sink (CliStatus.h).
#pragma once

#include "PlotExport.h"

#include <string>
#include <vector>

class CliStatusSink;
class PlotWriter;
struct SimulationSettings;
struct WinInfoRec;

// Where each output goes: a file name, "-" for standard output, or empty when not asked for.
struct OutputTargets {
    std::string listing, profile, fhkl, json, session;
    std::vector<std::string> plots;  // each a .png, .svg or .pdf file
    bool Any() const;
    std::vector<std::string> Files() const;  // the targets that are files
};

// Checks the targets before any work: at most one goes to standard output, no two to the same
// file, the session and the plot only to files, the plot's name and size acceptable. Empty when
// fine.
std::string CheckOutputTargets(const OutputTargets& targets, const PlotExportOptions& plot);
// Refuses outputs that would replace one of the input files. Empty when none would.
std::string CheckOutputsSpareInputs(const OutputTargets& targets, const std::vector<std::string>& inputs);

// A path given that cannot be worked on, and why.
struct InputProblem {
    std::string path, reason;
};

// The files the command works on: each path a file the program reads, or a folder whose files
// of those kinds are taken, through all its levels, in name order. Sessions are taken only when
// allowSessions; with crystalsOnly only crystal and CIF files. A path that does not exist or
// names a file of another kind is left out and listed in problems.
std::vector<std::string> ExpandInputs(const std::vector<std::string>& paths, bool allowSessions, bool crystalsOnly,
                                      std::vector<InputProblem>* problems);

enum class LoadOutcome { Loaded, BadSettings, Failed };

// Loads the files into the document with the settings: session files first (their settings
// become the document's), then the window settings of the command line, then the other files
// in order, then the sample settings; crystals of sessions are recomputed with the final
// settings; when files brought both crystals and measured data, the data are scaled to the
// calculation. Progress and messages go to sink, whose context names each file in turn.
// BadSettings: what is wrong is in error. Failed: a file could not be read (already reported).
LoadOutcome LoadDocument(WinInfoRec* doc, const std::vector<std::string>& files, const SimulationSettings& settings,
                         CliStatusSink& sink, std::string* error);

// The x step of exported profiles when the command line gives none: the x range over the plot
// width in pixels, as the desktop program's export proposes.
void SetDefaultChannel(WinInfoRec* doc, const SimulationSettings& settings);

// Writes every output asked for, the sink's context naming each output file in turn. False when
// one of them could not be written (reported).
bool WriteOutputs(WinInfoRec* doc, const OutputTargets& targets, const PlotExportOptions& plotOptions,
                  PlotWriter* plotWriter, CliStatusSink& sink);

// The plot options of the settings.
PlotExportOptions PlotOptionsOf(const SimulationSettings& settings);
