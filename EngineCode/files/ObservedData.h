// Observed-data text files: measured x, intensity pairs, one per line, read into a dataset that
// becomes a pattern of a document. A line is a data point when it begins with two numbers
// (white space before and between them is free); every other line is skipped. Which files are
// read this way is decided by FileTypes.h.
#pragma once

#include "FileProblem.h"
#include "Globals.h"
#include "Records.h"

#include <cstdio>
#include <string>

struct WinInfoRec;

// More points than this are refused rather than held (a measured pattern has some thousands).
inline constexpr AtomIndex kMaxDataPoints = 10'000'000;

// True when the line begins with two numbers, both finite: x in the units of the current x axis,
// y the intensity. Text after the second number is ignored. Decimal points are full stops
// whatever the process locale.
[[nodiscard]] bool ParseDataLine(const char* line, Float32* x, Float32* y);

// Fills an existing dataset from an open text file: points in file order, the ranges xmin..xmax
// and ymin..ymax, offsets 0, the document's next plot colour and the plot style for its number
// of points under prefs (SetDatasetDefaultPlotStyle). True when at least one point was read;
// otherwise the reason is in problems (nothing is shown) and the dataset's points are unchanged.
[[nodiscard]] bool ReadDatasetStream(WinInfoRec* theWindow, ObsDataRec* dp, std::FILE* file, const PrefDataRec& prefs,
                                     FileProblems& problems);
[[nodiscard]] bool ReadDatasetFile(WinInfoRec* theWindow, ObsDataRec* dp, const std::string& path,
                                   const PrefDataRec& prefs, FileProblems& problems);

// Reads a text file into a new dataset with the defaults of prefs and adds it to the document,
// sorted into the file list and at the end of the plot list. Null, with the document unchanged
// and the reason in problems, when nothing was read.
[[nodiscard]] VLPatternPtr LoadPatternFromDatasetFile(WinInfoRec* theWindow, const std::string& path,
                                                      const PrefDataRec& prefs, FileProblems& problems);
