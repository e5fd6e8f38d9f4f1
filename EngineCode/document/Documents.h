// Plotting and unplotting patterns a window already knows, with what each change recomputes.
// (Loading files into a window is in the file-format modules.)
#pragma once

#include "Records.h"

#include <vector>

struct WinInfoRec;

// Diffracts each crystal again, selects each pattern when asked, plots it; equal proportions for
// the crystals when a crystal was among them; redraws with automatic vertical scaling.
void AddPatternsToDiffraction(WinInfoRec* theWindow, const std::vector<VLPatternPtr>& patterns, bool select);

// Unplots the patterns (they stay in the file list); a crystal's reflexions and plot buffer are
// freed; the remaining crystals keep their proportions relative to each other.
void RemovePatternsFromDiffraction(WinInfoRec* theWindow, const std::vector<VLPatternPtr>& patterns);

// Redraws the window after patterns came or went: plot with automatic vertical scaling, then
// toolbar and structures list.
void RedrawAfterPatternsChanged(WinInfoRec* theWindow);

// The same after files were added, then the datasets scaled to the calculated patterns when the
// window shows both.
void RedrawAfterFilesAdded(WinInfoRec* theWindow);
