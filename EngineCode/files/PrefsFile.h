// The preferences file: the user's defaults (a PrefDataRec, Globals.h) kept between runs in
// "Velmora 5 Prefs" in $XDG_CONFIG_HOME/velmora (or ~/.config/velmora). It uses the tagged items
// of session files (TaggedItems.h): a header, the writer's version, window defaults ("WIN_",
// only while a graph window is in front), plot and pattern defaults ("PLT_"), the update-check
// state ("UPD_") and "STOP".
#pragma once

#include "Globals.h"

#include <cstdio>
#include <string>

inline constexpr char gPrefsFileName[] = "Velmora 5 Prefs";
inline constexpr char kPrefsHeaderText[] = "Velmora 5 Preferences File (Velmora 5 Prefs)";

// The folder of the preferences file: $XDG_CONFIG_HOME/velmora when XDG_CONFIG_HOME is an absolute
// path, else $HOME/.config/velmora; empty when neither can be told.
std::string PrefsFolderPath();
std::string PrefsFilePath();

// Reads the items of a preferences file over prefs. All or nothing: on failure prefs is as it was.
[[nodiscard]] bool ReadPrefsStream(std::FILE* file, PrefDataRec* prefs);
[[nodiscard]] bool ReadPrefsFile(const std::string& path, PrefDataRec* prefs);
// Reads the user's preferences file over prefs; false (prefs unchanged) when there is none or it
// cannot be read. No message is shown: the values already there simply stay in force.
bool ExtractUserPrefs(PrefDataRec& prefs);

// Writes prefs; the "WIN_" block only with withWindow. 0 or an error code.
[[nodiscard]] OSErr WritePrefsStream(std::FILE* file, const PrefDataRec& prefs, bool withWindow);
[[nodiscard]] OSErr WritePrefsFile(const std::string& path, const PrefDataRec& prefs, bool withWindow);
// Saves prefs into the user's preferences file, creating its folder when needed. The file is
// replaced only by a complete new one. frontWindowBounds: the bounds of the graph window in front,
// stored as the window default (and kept in prefs); null when no graph window is open (no "WIN_"
// block is written). The stored plot settings never show the cursor, nor do prefs afterwards.
// True on success.
[[nodiscard]] bool CreateAndSavePrefsFile(PrefDataRec& prefs, const Rect* frontWindowBounds);
