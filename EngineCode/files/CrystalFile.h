// Crystal files of the sibling structure program, format versions 5 to 8: the file header (two
// layouts), the block map, the seven block readers, ReadCrystalFile and the loading of a crystal
// file as a pattern of a document. Versions 2 to 4 are read by LegacyCrystalFile.h. The program
// only reads these files.
//
// Every reader takes an open std::FILE* (a file on disk, or bytes in memory for tests); the
// functions that take a path wrap them. A damaged or hostile file is refused: the readers add
// what is wrong to a FileProblems list and show nothing, the caller shows the list
// (ShowProblems, Status.h), and the document stays as it was.
#pragma once

#include "ByteStream.h"
#include "FileProblem.h"
#include "Globals.h"
#include "Records.h"

#include <string>
#include <vector>

struct WinInfoRec;

// File kinds of crystal and molecule files, as four-character codes.
inline constexpr UInt32 kFileTypeOBDF = FourCC("OBDF");  // crystal file
inline constexpr UInt32 kFileTypeOBD5 = FourCC("OBD5");  // crystal file, later variant
inline constexpr UInt32 kFileTypeOBMF = FourCC("OBMF");  // molecule file
inline constexpr UInt32 kFileTypeOBM5 = FourCC("OBM5");  // molecule file, later variant

// Offsets of the current header layout.
inline constexpr long kHeaderVersionOffset = 18;  // 10 bytes of version text
inline constexpr long kHeaderMapOffset = 28;      // signed 32-bit offset of the block map
inline constexpr long kFirstBlockOffset = 32;
inline constexpr int kMaxFileMapEntries = 100;

struct CrystalFileHeaderRec {
    UInt32 fileType = 0;       // one of the four codes above
    UInt32 versionCode = 0;    // version code of the writing program (Versions.h)
    SInt16 formatVersion = 0;  // file-format version, a signed byte
    SInt16 platform = 0;       // 1 for "W", 0 for "M" or anything else
    Boolean truncated = false; // reading failed because the file ends inside its header
};

// Reads the header from the start of an open file; false on a short file (truncated set), an
// unknown type (fileType 0) or, where the version text decides the format, a version text that
// is not a version (fileType set).
[[nodiscard]] bool ReadFileHeader(std::FILE* file, CrystalFileHeaderRec* header);
// Opens the file, reads its header and closes it.
bool GetFileTypeFromBinaryFile(const std::string& path, CrystalFileHeaderRec* header);

// The block map: the absolute offset of each block's label, the last one being the map's own.
// Reads the map whose "FMAP" label sits at mapOffset; the file position is kept. False when the
// map is not there, holds more than kMaxFileMapEntries entries, or its offsets do not describe
// back-to-back blocks inside the file from offset 32 on.
bool GetFileMap(std::FILE* file, SInt32 mapOffset, std::vector<SInt32>* map);

// Reads the tagged blocks from the current position (offset 32) up to the "FMAP" block.
[[nodiscard]] bool ReadCrystal_5(WinInfoRec* theWindow, std::FILE* file, CrystalDataRec* xp, const std::vector<SInt32>& map,
                                 FileProblems& problems);

// The block readers: 0, or -1 when the block is short or its contents are impossible (with a
// problem of its own added where one names the fault).
int ReadCrystalSymmetry(FileBufferRec* buffer, CrystalDataRec* xp, FileProblems& problems);
int ReadCrystalCellData(FileBufferRec* buffer, CrystalDataRec* xp, FileProblems& problems);
int ReadCrystalAU_7(FileBufferRec* buffer, CrystalDataRec* xp, FileProblems& problems);
int ReadCrystalAU_56(FileBufferRec* buffer, CrystalDataRec* xp, FileProblems& problems);
int ReadCrystalAUEllipsoids(FileBufferRec* buffer, CrystalDataRec* xp, FileProblems& problems);
int ReadCrystalAtoms_7(FileBufferRec* buffer, CrystalDataRec* xp, FileProblems& problems);
int ReadCrystalAtoms_56(FileBufferRec* buffer, CrystalDataRec* xp, FileProblems& problems);

// Reads a whole crystal file (any version 2 to 8) from an open file into a freshly initialised
// crystal; true on success. On failure the reasons are in problems and the crystal is to be
// dropped.
[[nodiscard]] bool ReadCrystalStream(WinInfoRec* theWindow, CrystalDataRec* xp, std::FILE* file, FileProblems& problems);
[[nodiscard]] bool ReadCrystalFile(WinInfoRec* theWindow, CrystalDataRec* xp, const std::string& path,
                                   FileProblems& problems);

// Stores six displacement values in file order (U11, U22, U33, U23, U13, U12) as the symmetric
// matrix uAni of a site.
void SetSiteUij(InputDataRec* site, const Float32 (&u)[6]);

// Checks what the engine relies on in a crystal that came from a file: a valid cell of sensible
// size, sites and atoms present, every site's atoms inside the atom array, finite coordinates,
// occupancies and displacement parameters, known displacement types. Adds the problem of the
// first fault and returns false.
[[nodiscard]] bool CrystalIsSound(const CrystalDataRec* xp, FileProblems& problems);

// Files that the sibling program hands over through its cache folder: deleted once read.
// The folder is $XDG_CONFIG_HOME/Orbelin Cache (or ~/.config/Orbelin Cache) and the file names
// begin with "<<".
std::string TransferFolderPath();
bool MyFileIsTransferFile(const std::string& path);

// Reads a crystal file into a crystal with the defaults of prefs, computes its reflexions and adds
// it to the document as a plotted pattern (sorted into the file list, appended to the plot
// list). Null, with the document unchanged and the reasons in problems, when the file cannot be
// read.
[[nodiscard]] VLPatternPtr LoadPatternFromCrystalFile(WinInfoRec* theWindow, const std::string& path,
                                                      const PrefDataRec& prefs, FileProblems& problems);
