// Measured patterns in the formats of diffractometer software (Bruker RAW and UXD, PANalytical
// XRDML, Philips RD/SD and UDF, Sietronics CPI, DBWS, plain x-y columns and more), read through
// xylib into an observed dataset filled as the observed-data text reader fills one. The only file
// that includes xylib; adding the dataset to a window is ImportIntoWindow.h's. Files with the text
// reader's own extensions ("obtx", "dat", "str", "txt") stay with that reader.
#pragma once

#include "ImportProblem.h"
#include "Globals.h"
#include "Records.h"

#include <memory>
#include <string>
#include <vector>

// Largest measured-data file read.
inline constexpr std::size_t kMeasuredDataMaxFileBytes = 256u << 20;

struct MeasuredDataResult {
    std::unique_ptr<ObsDataRec> dataset;  // null when problem is set
    ImportProblem problem;
    std::string formatName;  // the library's description of the format ("Siemens/Bruker RAW")
    int block = 0;           // the block read, from 0
    int numBlocks = 0;       // blocks in the file
    std::string note;        // which block was read, when the file holds several; else empty
};

// Reads block `block` (from 0) of a file's contents into a dataset with the defaults of prefs.
// fileName (its extension above all) helps to tell the format; the contents decide where they can.
MeasuredDataResult ReadMeasuredData(const std::string& contents, const std::string& fileName, const PrefDataRec& prefs,
                                    int block = 0);

// Reads block `block` of a file from disk.
MeasuredDataResult ReadMeasuredDataFile(const std::string& path, const PrefDataRec& prefs, int block = 0);

// Names of the blocks of a file (one entry per block, "" for an unnamed one), for asking which to
// read; empty when the file cannot be read.
std::vector<std::string> ListMeasuredDataBlocks(const std::string& path);
