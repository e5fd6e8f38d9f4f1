// Adding imported files to a window as the "add files" command adds crystal and text files: CIF
// crystals are diffracted, inserted by name into the file list and appended to the plot list,
// and the phases' proportions equalised; a measured dataset is inserted the same way; then the
// window is redrawn with automatic vertical scaling and, when it shows both, the datasets are
// scaled to the calculated patterns. Any failure shows one stop alert and leaves the window as it
// was. The readers are CifImport.h and MeasuredDataImport.h.
#pragma once

#include "CifImport.h"
#include "MeasuredDataImport.h"

#include <string>
#include <vector>

struct WinInfoRec;

// The patterns of an import put into the window's lists, without redrawing (the caller does, once
// for all its files): the crystals diffracted and the proportions equalised; each pattern takes
// the window's next automatic colour; a dataset takes its plot style for its number of points
// under prefs. A failure alerts and adds nothing (empty / null result).
std::vector<VLPatternPtr> InsertCifCrystals(WinInfoRec* theWindow, CifImportResult& result, const std::string& path,
                                            bool select);
VLPatternPtr InsertMeasuredDataset(WinInfoRec* theWindow, MeasuredDataResult& result, const std::string& path,
                                   bool select, const PrefDataRec& prefs);

// Adds every crystal of a CIF file (path is kept as the patterns' file), read with the defaults of
// prefs. True when added.
bool AddCifFileToDiffraction(WinInfoRec* theWindow, const std::string& path, bool select, const PrefDataRec& prefs);
// The same for crystals already read; the result's problem, if any, is the one alerted.
bool AddCifCrystalsToDiffraction(WinInfoRec* theWindow, CifImportResult result, const std::string& path,
                                 bool select);

// Adds block `block` (from 0) of a measured-data file as a dataset. True when added.
bool AddMeasuredDataFileToDiffraction(WinInfoRec* theWindow, const std::string& path, bool select,
                                      const PrefDataRec& prefs, int block = 0);
// The same for a dataset already read.
bool AddMeasuredDatasetToDiffraction(WinInfoRec* theWindow, MeasuredDataResult result, const std::string& path,
                                     bool select, const PrefDataRec& prefs);
