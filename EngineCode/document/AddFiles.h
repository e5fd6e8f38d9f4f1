// Bringing files into a document: what each kind of file becomes (crystal files, CIF files,
// observed-data text files, measured data in diffractometer formats, sessions), adding several
// files at once as "add files" and dropping do, walking folders, and opening a file as a
// document of its own. One redraw follows each batch of files.
#pragma once

#include "Records.h"
#include "SessionFile.h"

#include <string>
#include <vector>

struct WinInfoRec;

bool IsCrystalFileType(UInt32 code);   // crystal files and CIF files
bool IsDatasetFileType(UInt32 code);   // observed-data text and measured-data files
bool IsSessionFileType(UInt32 code);
bool IsMoleculeFileType(UInt32 code);  // recognised and refused
// Any kind a window can take in (crystal, dataset or session).
bool IsLoadableFileType(UInt32 code);

// The patterns one file adds to the window, without redrawing: crystal files and CIF files give
// crystals (diffracted, proportions equalised), data files a dataset, each made with the defaults
// of prefs. A failure alerts (the readers' problems, shown here) and adds nothing; files of other
// kinds are skipped silently. select marks the new patterns selected.
// What the CIF reader noted (origin choice, elements taken from labels, ...) is added to notes,
// one line each, for the caller to show once the window is redrawn; without notes it goes to the
// information bar at once.
std::vector<VLPatternPtr> LoadPatternsFromFile(WinInfoRec* theWindow, const std::string& path, bool select,
                                               const PrefDataRec& prefs, std::string* notes = nullptr);
// Shows the notes of files just added in the information bar (nothing when there are none).
void ShowImportNotes(WinInfoRec* theWindow, const std::string& notes);

// Adds the files in order, then redraws once with automatic vertical scaling and, when the window
// then shows crystals and datasets, scales the datasets to the calculated patterns. Returns the
// number of patterns added.
int AddFilesToDiffraction(WinInfoRec* theWindow, const std::vector<std::string>& paths, bool select,
                          const PrefDataRec& prefs);

// The files and folders given, folders walked through all their levels, keeping every file a
// window can take in (sessions only when allowSessions), in the order met (a folder's entries
// sorted by name).
std::vector<std::string> CollectFiles(const std::vector<std::string>& paths, bool allowSessions);

// Opens a file in an empty document as the open command does: a crystal gets the whole volume
// fraction and is selected; a session is read with its window state; a data file replaces any
// dataset shown and is selected. False when the file could not be read (the caller closes the
// window) or is of a kind no document can show; what made it fail has been shown. New patterns
// take the defaults of prefs.
bool OpenDocumentFile(WinInfoRec* theWindow, const std::string& path, SessionWindowState* state,
                      const PrefDataRec& prefs);
