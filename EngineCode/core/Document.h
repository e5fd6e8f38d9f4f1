// The window document: one per graph window, holding the window's settings, plot rectangles,
// current tool, session file, parameter-list folders, cursor read-out and its two pattern lists.
// The file list owns every pattern in the order of the structures list; the plot list threads the
// plotted subset in drawing order, the last one drawn in front.
//
// The document knows nothing of windows: the shell attaches a StatusSink for the information bar
// and WindowHooks for what only a window can do (redraw, rebuild the parameter list).
#pragma once

#include "Globals.h"
#include "Records.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class StatusSink;
struct WinInfoRec;

// One numeric item of the parameter list.
struct ItemRec {
    std::string name;    // label at the left of the row
    std::string name2;   // second label (element symbol of a site occupant), may be empty
    std::function<void(WinInfoRec*, Float32)> actionProc;  // applies a new value; empty: display only
    Boolean variableSliderLimits = false;  // true for a stepping item
    Float32 value = 0;       // current value, displayed unit
    Float32 stepSize = 0;
    Float32 minVal = 0, maxVal = 0;        // hard limits for typed values
    Float32 sliderMin = 0, sliderMax = 0;  // values at the slider's ends
    SInt16 sliderPower = 1;  // 1 linear, 2 quadratic
    Boolean isGlobal = false;  // applies to the whole window rather than the selected patterns
};
using ItemPtr = ItemRec*;

// One folder of the parameter list.
struct FolderRec {
    std::string name;
    Boolean open = false;
    std::vector<ItemRec> items;
    SInt32 nItems() const { return static_cast<SInt32>(items.size()); }
};

// The cursor read-out: the last values shown in the information bar.
struct CursorInfoRec {
    Float32 x = 0;      // cursor x, axis units
    Float32 y = 0;      // calculated intensity at the cursor
    Float32 yObs = 0;   // observed intensity at the cursor (unscaled)
    Float32 yRel = 0;   // intensity of the reflexion under the cursor, percent
    SInt32 h = 0, k = 0, l = 0;
    SInt32 mul = 0;     // 0 when no reflexion is under the cursor
    VLPatternPtr patternPtr = nullptr;
};

// What the document asks of the window that shows it. Every request has an empty default, so a
// document without a window (the command-line tool, the tests) works as it is.
class WindowHooks {
public:
    virtual ~WindowHooks() = default;
    // Redraw the graphics pane, recomputing the profiles first when asked; with showProgress the
    // information bar tells what is going on.
    virtual void RedrawWindow(WinInfoRec* theWindow, bool recalcProfiles, bool showProgress)
    {
        (void)theWindow, (void)recalcProfiles, (void)showProgress;
    }
    // Rebuild and redraw the parameter list and the window's controls.
    virtual void RebuildParameterList(WinInfoRec* theWindow) { (void)theWindow; }
    // The window's title (from its file name, radiation and axis) may have changed.
    virtual void UpdateWindowTitle(WinInfoRec* theWindow) { (void)theWindow; }
    // The toolbar buttons and the structures list may need bringing up to date.
    virtual void UpdateToolbar(WinInfoRec* theWindow) { (void)theWindow; }
    virtual void UpdateStructuresList(WinInfoRec* theWindow) { (void)theWindow; }
    // The window's title, printed above the plot; empty: the document's file name.
    virtual std::string WindowTitle(const WinInfoRec* theWindow) { (void)theWindow; return {}; }
    // Marks the window as changed since it was saved (every drawing of patterns does).
    virtual void SetWindowModified(WinInfoRec* theWindow, bool modified) { (void)theWindow, (void)modified; }
    // Whether the window is the active one; selections are drawn dimmed otherwise.
    virtual bool IsWindowActive(const WinInfoRec* theWindow) { (void)theWindow; return true; }
};

// What the plot showed when the read-out cursor was put on a reflexion (Find Peak): the cursor
// goes away with the next change of range, patterns or mode. A cursor the user placed stays.
struct CursorAnchorRec {
    bool active = false;  // the cursor marks a found peak
    bool set = false;
    Float32 xmin = 0, xmax = 0;
    SInt16 plotType = 0, axisType = 0;
    Boolean plotMixture = false;
    std::vector<const VLPatternRec*> plotted;
};

// One position of the distance tool.
struct DistanceMarkerRec {
    Float32 x = 0;      // axis units
    SInt16 xpix = 0;    // pixel column in the pane
    Boolean set = false;
};
// The distance tool of a window: marker0 set while it tracks the mouse after the first click on
// the plot, marker1 the first position recorded, marker2 the second (while tracking, its x is
// the live position). The live line's column, and the plot and xmin it was drawn over.
struct DistanceToolRec {
    DistanceMarkerRec marker0, marker1, marker2;
    bool liveShown = false;
    SInt16 liveColumn = 0;
    Rect livePlotRect{};
    Float32 liveXMin = 0;
};

struct WinInfoRec {
    std::string filename;          // the document's file name
    PlotSpecsRec plotSpecs{};      // this window's settings
    Rect plotRect{};               // pattern plot area, pixels
    Rect residualRect{};           // residual plot area
    SInt16 currentTool = 0;        // selected toolbar tool
    std::string sessionFilePtr;    // session file opened from or saved to; empty for none
    std::vector<FolderRec> folders;  // parameter-list folders (nFolders)
    SInt32 folderChoice = -1;      // selected folder, -1 for none
    SInt32 itemChoice = -1;        // selected item in that folder, -1 for none
    SInt32 topParameterLine = 0;   // first visible line of the parameter list
    Rect parameterRect{};
    std::vector<std::unique_ptr<VLPatternRec>> fileList;  // owns every pattern
    std::vector<VLPatternPtr> plotList;                   // plotted patterns, drawing order
    CursorInfoRec cursorInfo{};
    CursorAnchorRec cursorAnchor;  // not saved: a reopened cursor stays as one placed by hand
    DistanceToolRec distance;      // not saved
    // The intensity axis was scaled by hand since it was last fitted: changes of the picture
    // (limits, axis, radiation, wavelength, peak shape) then leave it alone.
    Boolean yRangeByHand = false;
    // Set around a redraw that must fit the intensity axis to what it shows (one window's
    // request, so that windows drawn on other threads do not share it).
    Boolean autoScaleY = false;
    UInt16 nextPlotColor = 0;      // index into gMenuFileColor of the next new pattern's colour

    StatusSink* statusSink = nullptr;  // information bar and progress; null: the current sink
    WindowHooks* hooks = nullptr;      // null: a document without a window
    Boolean mouseButtonDown = false;   // set by the shell during interactive drags (silent runs)

    SInt32 nFolders() const { return static_cast<SInt32>(folders.size()); }
};
using WinInfoPtr = WinInfoRec*;

// ---- creation ----
// A blank document whose plotSpecs is a copy of the plotSpecs of prefs (the user's preferences
// in the programs).
std::unique_ptr<WinInfoRec> CreateWindowInfo(const PrefDataRec& prefs);
void InitBlankInfoRecord(WinInfoRec* info, const PrefDataRec& prefs);
void DestroyWindowInfo(std::unique_ptr<WinInfoRec>& info);
// Has the window redrawn (through its hooks, if any) with the intensity axis fitted anew, unless
// the user scaled it by hand since.
void RedrawRefittingY(WinInfoRec* w, bool recalcProfiles, bool showProgress);

// ---- accessors (null-safe: a null window yields 0, null or an empty rectangle) ----
inline PlotSpecsPtr GetWindowPlotSpecs(WinInfoRec* w) { return w ? &w->plotSpecs : nullptr; }
inline CursorInfoRec* GetWindowCursorInfo(WinInfoRec* w) { return w ? &w->cursorInfo : nullptr; }
inline Rect GetWindowPlotRect(const WinInfoRec* w) { return w ? w->plotRect : Rect{}; }
inline void SetWindowPlotRect(WinInfoRec* w, const Rect& r) { if (w) w->plotRect = r; }
inline Rect GetWindowResidualRect(const WinInfoRec* w) { return w ? w->residualRect : Rect{}; }
inline void SetWindowResidualRect(WinInfoRec* w, const Rect& r) { if (w) w->residualRect = r; }
inline SInt16 GetWindowCurrentTool(const WinInfoRec* w) { return w ? w->currentTool : 0; }
inline void SetWindowCurrentTool(WinInfoRec* w, SInt16 tool) { if (w) w->currentTool = tool; }
inline SInt32 GetWindowNumFolders(const WinInfoRec* w) { return w ? w->nFolders() : 0; }
FolderRec* GetWindowFolder(WinInfoRec* w, SInt32 n);
ItemRec* GetWindowItem(WinInfoRec* w, SInt32 folder, SInt32 item);

// ---- parameter-list folders ----
bool AddFolderToWindow(WinInfoRec* w, FolderRec folder);
void EmptyParameterFolder(FolderRec* folder);
void DestroyWindowFolders(WinInfoRec* w);

// ---- automatic plot colours ----
// The twelve colours given in turn to new patterns (and offered in the colour pop-up), chosen so
// that neighbours are easy to tell apart on the white plot and in print.
extern const RGBColor gMenuFileColor[12];
// Colour number nextPlotColor of gMenuFileColor; advances the index, wrapping from 11 to 0.
RGBColor GetNextPlotColor(WinInfoRec* w);

// ---- file list ----
// Links pp in front of before (null: at the end) and returns it; the list takes ownership.
VLPatternPtr InsertPatternIntoFileList(WinInfoRec* w, std::unique_ptr<VLPatternRec> pp, VLPatternPtr before);
// In front of the first pattern whose name is greater, ignoring case; equal names stay in front.
VLPatternPtr InsertPatternIntoFileListSorted(WinInfoRec* w, std::unique_ptr<VLPatternRec> pp);
// Unlinks pp (and takes it out of the plot list, so no dangling entry is left) and returns it.
std::unique_ptr<VLPatternRec> RemovePatternFromFileList(WinInfoRec* w, VLPatternPtr pp);
VLPatternPtr GetPreviousPatternInFileList(const WinInfoRec* w, const VLPatternRec* pp);
SInt32 GetNumPatternsInFileList(const WinInfoRec* w);
VLPatternPtr GetNthPatternInFileList(const WinInfoRec* w, SInt32 n);
VLPatternPtr GetFirstSelectedPatternInFileList(const WinInfoRec* w);
void SortFileListByName(WinInfoRec* w);
inline void SortFileList(WinInfoRec* w) { SortFileListByName(w); }
int MyComparePatterns(const VLPatternRec* a, const VLPatternRec* b);
bool PatternIsCached(const VLPatternRec* pp);
bool PatternIsInFileList(const WinInfoRec* w, const VLPatternRec* pp);

// ---- plot list ----
// Links pp (already in the file list) in front of before (null: at the end); sets plotted.
void InsertPatternIntoPlotList(WinInfoRec* w, VLPatternPtr pp, VLPatternPtr before);
void RemovePatternFromPlotList(WinInfoRec* w, VLPatternPtr pp);
VLPatternPtr GetPreviousPatternInPlotList(const WinInfoRec* w, const VLPatternRec* pp);
SInt32 GetNumPatternsInPlotList(const WinInfoRec* w);
VLPatternPtr GetNthPatternInPlotList(const WinInfoRec* w, SInt32 n);
VLPatternPtr GetFirstSelectedPatternInPlotList(const WinInfoRec* w);
CrystalDataPtr GetNthCrystalInPlotList(const WinInfoRec* w, SInt32 n);
SInt32 GetNumCrystalsInPlotList(const WinInfoRec* w);
SInt32 GetNumDatasetsInPlotList(const WinInfoRec* w);
SInt32 GetNumSelectedCrystals(const WinInfoRec* w);
CrystalDataPtr GetFrontCrystal(const WinInfoRec* w);
ObsDataPtr GetFrontDataset(const WinInfoRec* w);
CrystalDataPtr GetFrontSelectedCrystal(const WinInfoRec* w);
ObsDataPtr GetFrontSelectedDataset(const WinInfoRec* w);
