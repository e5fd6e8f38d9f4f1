// Session files: one document saved whole, so that it reopens without the crystal and data files
// it was built from. The file is a sequence of tagged items (TaggedItems.h): a header, the
// writer's version, the window's properties ("WIN_"), its plot settings ("PLT_"), and one "PAT_"
// block per plotted pattern carrying the complete crystal (cell, sites, displacement parameters,
// atoms) or dataset (points), ended by "STOP".
//
// The window itself (bounds, toolbar, panes) belongs to the shell: its state travels in a
// SessionWindowState beside the document.
#pragma once

#include "FileProblem.h"
#include "Globals.h"
#include "Records.h"

#include <cstdio>
#include <string>

struct WinInfoRec;

inline constexpr char kSessionHeaderText[] = "Velmora 5 Session File";
// Sessions of this version and older refer to their crystal and data files through platform
// alias records, which cannot be resolved here; they are refused.
inline constexpr UInt32 kLastOldSessionVersion = 500199;  // 5.0.0a99

// Minimum size of a window placed from a session, pixels.
inline constexpr int kSessionWindowMinWidth = 580;
inline constexpr int kSessionWindowMinHeight = 150;

// What a session stores of the window that shows the document.
struct SessionWindowState {
    Rect bounds{};              // content bounds in global coordinates ("RECT")
    Boolean hasBounds = false;  // reading: the file held bounds
    Boolean hasTitle = false;   // reading: the file held the document's file name
    Boolean showToolbar = true;
    Boolean showParameters = true;
    Boolean showFiles = true;   // structures drawer open
};

// Writes the document; 0 or an error code. Nothing is written (kParamErr) when the plot list is
// empty. Crystals without sites or atoms are left out.
[[nodiscard]] OSErr WriteSessionStream(WinInfoRec* theWindow, std::FILE* file, const SessionWindowState& state);
// Writes the file completely or not at all (SafeFile.h); on success the file becomes the
// document's session file, on failure a message is shown and an existing file is kept.
[[nodiscard]] OSErr WriteSessionFile(WinInfoRec* theWindow, const std::string& path, const SessionWindowState& state = {});

// Reads a session into the document: its plot settings, file name and patterns (each crystal
// recomputed). True on success; on failure the reasons are in problems (the reader shows none;
// the caller does, ShowProblems) and the document is exactly as it was. What the file does not
// say of a pattern comes from the defaults of prefs. The window's state is returned through
// state when given.
[[nodiscard]] bool ReadSessionStream(WinInfoRec* theWindow, std::FILE* file, SessionWindowState* state,
                                     const PrefDataRec& prefs, FileProblems& problems);

// The reading itself, without computing anything: the items of the file go into scratch, a fresh
// document whose plot settings hold the starting values, its patterns in file order, made with
// the defaults of prefs. Damaged files give Failed (a problem added only where a check names the
// fault); sessions of 5.0.0a99 and older give OldSession.
enum class SessionParseResult { Done, Failed, OldSession };
[[nodiscard]] SessionParseResult ParseSession(std::FILE* file, WinInfoRec* scratch, SessionWindowState* state,
                                              const PrefDataRec& prefs, FileProblems& problems);
[[nodiscard]] bool ReadSessionFile(WinInfoRec* theWindow, const std::string& path, const PrefDataRec& prefs,
                                   FileProblems& problems, SessionWindowState* state = nullptr);

// Where a window stored in a session goes on a screen: at least 580 × 150 pixels, and moved to the
// screen's top-left corner when its own top-left corner is not on the screen.
Rect DoSessionWindowBounds(const Rect& stored, const Rect& screen);
