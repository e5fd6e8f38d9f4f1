// The structures list of a window: every pattern of its file list, plotted or not, loaded or not.
// Here are the rules of its selection (clicks with and without modifiers, the arrow keys), the
// check box that plots and unplots a row, adding files to the list without loading them, and
// the list's commands. Questions to the user (the confirmations) are the front end's; these
// functions do the work once the user has agreed. The selection is the patterns' own `selected`
// flag, so every part of the program that acts on the selected patterns sees the same one.
#pragma once

#include "Records.h"

#include <string>
#include <vector>

struct WinInfoRec;

// How a row was clicked: alone, with the toggling modifier (Control on Linux), or with Shift.
enum class ListClick { Plain, Toggle, Extend };

// ---- selection ----
SInt32 GetNumSelectedPatternsInFileList(const WinInfoRec* theWindow);
// Row of a pattern in the file list, -1 when it is not there.
SInt32 GetFileListRow(const WinInfoRec* theWindow, const VLPatternRec* pp);
// A click on row r (from 0). Toggle flips r; Extend grows or trims the block between the first
// and the last selected rows towards r; Plain selects r alone. Returns whether the selection
// changed. The caller tells the window (FileListSelectionChanged).
bool DoClickFilesListItem(WinInfoRec* theWindow, SInt32 row, ListClick click);
// Deselects every row; true when something was selected.
bool DoDeselectFilesList(WinInfoRec* theWindow);
// The arrow keys: only the row above (direction -1) or below (+1) the first selected one is
// selected; the first or last row stays where it is; with no selection, Up selects the last row
// and Down the first. Returns the newly selected row, -1 for an empty list.
SInt32 SelectAdjacentFile(WinInfoRec* theWindow, int direction);
// Whether any of the given patterns is plotted (after an arrow key, a plotted pattern in the
// old or new selection means the plot and the parameter list change).
bool AnyPlotted(const std::vector<VLPatternPtr>& patterns);
std::vector<VLPatternPtr> SelectedPatterns(const WinInfoRec* theWindow);
// Tells the window that the selection changed: list, plot (the legend marks the selection),
// parameter list (its local items act on the selection) and toolbar.
void FileListSelectionChanged(WinInfoRec* theWindow);

// ---- adding files without loading them ----
// Adds each crystal or data file of paths to the file list in its sorted place, not loaded and
// not plotted; a file the list already holds, and files of other kinds, are skipped. Folders
// are not walked here (CollectFiles does that). Returns the number of rows added.
int AddFilesToFileList(WinInfoRec* theWindow, const std::vector<std::string>& paths);
// Whether the file list holds a pattern read from this file (the same file, however named).
bool FileListHoldsFile(const WinInfoRec* theWindow, const std::string& path);

// ---- plotting from the list ----
// The check box of an unplotted row: plots pp (only pp when alone is set: everything else is
// unplotted and deselected first). Loaded data are plotted as they are; a row whose data are
// not loaded has its file read again (new records with the defaults of prefs), and the new
// patterns take the row's place. False when the file failed to load (the row stays as it was).
bool PlotFileListPattern(WinInfoRec* theWindow, VLPatternPtr pp, bool alone, const PrefDataRec& prefs);
// The check box of a plotted row.
void UnplotFileListPattern(WinInfoRec* theWindow, VLPatternPtr pp);

// ---- commands of the list ----
// Every selected, unplotted pattern, in file-list order, is plotted. Returns the number of
// files that failed to load.
int AddSelectedFilesToDiffraction(WinInfoRec* theWindow, const PrefDataRec& prefs);
// The selected patterns of the plot list, in plot order, are unplotted.
void RemoveSelectedFilesFromDiffraction(WinInfoRec* theWindow);
// The selected patterns leave both lists and are destroyed; the proportions of the crystals
// left are equalised when a plotted one went.
void DestroyFileListSelection(WinInfoRec* theWindow);
// Every pattern leaves both lists.
void DestroyFileListAll(WinInfoRec* theWindow);
// Every unplotted pattern leaves the file list.
void DestroyFileListUnplotted(WinInfoRec* theWindow);

// Drawing order (with two or more patterns plotted): the selected patterns of the plot list move
// to its end, drawn last and so in front, or to its start, behind the others; among themselves
// they keep their order. Returns whether the order changed (the plot is redrawn).
bool BringSelectedStructuresToFront(WinInfoRec* theWindow);
bool SendSelectedStructuresToBack(WinInfoRec* theWindow);

// The colour a row shows in its colour zone (plotted patterns with data only).
bool PatternPlotColor(const VLPatternRec* pp, RGBColor* colour);
