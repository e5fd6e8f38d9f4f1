// Observed-data text files: measured x, intensity pairs, one per line, read into a dataset that
// becomes a pattern of a document. A line is a data point when it begins with two numbers
// (white space before and between them is free); every other line is skipped. Which files are
// read this way is decided by FileTypes.h.
#pragma once

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
// and ymin..ymax, offsets 0 and the document's next plot colour. True when at least one point was
// read; otherwise a message has been shown and the dataset's points are unchanged.
[[nodiscard]] bool ReadDatasetStream(WinInfoRec* theWindow, ObsDataRec* dp, std::FILE* file);
[[nodiscard]] bool ReadDatasetFile(WinInfoRec* theWindow, ObsDataRec* dp, const std::string& path);

// Reads a text file into a new dataset and adds it to the document, sorted into the file list
// and at the end of the plot list. Null, with the document unchanged, when nothing was read.
VLPatternPtr LoadPatternFromDatasetFile(WinInfoRec* theWindow, const std::string& path);
