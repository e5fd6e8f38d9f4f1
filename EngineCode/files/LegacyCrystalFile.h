// Crystal files of format versions 2 to 4 (written by the sibling program's versions 2 to 4):
// a fixed header, then length-prefixed records "CELL", "SYMM", "AUCR", "ATOM" up to "NOTE".
// ReadCrystalStream (CrystalFile.h) hands such files here; they fill the same crystal record.
#pragma once

#include "FileProblem.h"
#include "Records.h"

#include <cstdio>
#include <string>

struct WinInfoRec;

inline constexpr long kLegacyTypeOffset = 4;
inline constexpr long kLegacyVersionOffset = 80;  // 10 bytes of version text
inline constexpr long kLegacyFirstRecord = 90;
inline constexpr UInt32 kOldestReadableVersion = 200212;  // 2.0.0b12

// Reads a legacy crystal file from an open file into a freshly initialised crystal; true on
// success, else the reasons are in problems (nothing is shown) and the crystal is to be dropped.
[[nodiscard]] bool ReadOldCrystal(WinInfoRec* theWindow, CrystalDataRec* xp, std::FILE* file, FileProblems& problems);
[[nodiscard]] bool ReadOldCrystalFile(WinInfoRec* theWindow, CrystalDataRec* xp, const std::string& path,
                                      FileProblems& problems);

// Reads the records from the current position up to "NOTE".
[[nodiscard]] bool ReadCrystal_24(std::FILE* file, CrystalDataRec* xp, FileProblems& problems);
