// The parameter list of a document window: folders of numeric items rebuilt from the window's
// state (radiation, instrument, background, sample, mixture, unit cell, site occupancies), the
// mappings between slider positions and values, stepping items whose slider window travels with
// the value, and the actions that apply a new value and recompute only what it invalidates.
// The records (FolderRec, ItemRec) and the per-window list state are in Document.h; the window's
// view of the list (rows, slider, text field, arrows) is the front end's, which calls in here.
#pragma once

#include "Records.h"

#include <array>
#include <string>

struct FolderRec;
struct ItemRec;
struct WinInfoRec;

// What a window offers beside its WindowHooks (Document.h) when it can diffract a crystal later,
// off the interface thread: a change of a cell, an occupancy or the detector then hands the
// crystal over instead of diffracting it at once. DiffractLater returns true when it took the
// crystal (and redraws when the reflexions are in); false: the list diffracts it now.
class LiveDiffraction {
public:
    virtual ~LiveDiffraction() = default;
    virtual bool DiffractLater(WinInfoRec* theWindow, CrystalDataRec* xp) = 0;
};

// Every row of the list is this many pixels high.
inline constexpr int kParameterLineHeight = 19;
// The slider reports positions from 0 to this.
inline constexpr int kParameterSliderMax = 100;
// Step of the small arrows beside the text field.
inline constexpr Float32 kParameterArrowStep = 0.01f;

// Row colours (16-bit RGB).
extern const RGBColor kFolderBackColor;
extern const RGBColor kFolderDividerColor;
extern const RGBColor kItemDividerColor;
extern const RGBColor kGlobalItemBackColor;
extern const RGBColor kLocalItemBackColor;

// ---- building ----
// A slider item: its slider spans the limits.
ItemRec InitSliderItem(const std::string& name, Float32 value, Float32 minVal, Float32 maxVal, SInt16 power,
                       bool isGlobal);
// A stepping item: its slider spans ten steps either side of the value, within the limits.
ItemRec InitArrowsItem(const std::string& name, Float32 value, Float32 minVal, Float32 maxVal, Float32 stepSize,
                       bool isGlobal);

// Rebuilds the window's folders from its state, every folder closed. Does nothing without plot
// settings.
void InitParameterList(WinInfoRec* theWindow);
// Rebuilds the folders and carries over what the list's user set: the open flags (when the number
// of folders is the same), the selection (when the number of items is the same) and the top line.
void RebuildParameterFolders(WinInfoRec* theWindow);
// Rebuilds the list and has the window redraw it (the list, its scroll bar and the slider).
void DrawParameterList(WinInfoRec* theWindow);

// ---- slider mapping ----
// The value at slider position p (0..100).
Float32 SliderPositionToValue(const ItemRec& item, int position);
// The slider position (0..100) that shows value.
int ValueToSliderPosition(const ItemRec& item, Float32 value);

// ---- setting values ----
// The selected item, or null.
ItemRec* GetSelectedParameterItem(WinInfoRec* theWindow);
// Sets an item from outside the slider when the value lies within its limits: the value is
// stored, a stepping item's slider ends move with it, and the item's action applies it. False
// (and nothing changed) for a value outside the limits or an unknown item.
bool SetParameterValue(WinInfoRec* theWindow, SInt32 folder, SInt32 item, Float32 value);
// The slider of the selected item moved to position p: the value is stored and applied; the
// slider ends do not move. False without a selection.
bool AutoSlideParameterBar(WinInfoRec* theWindow, int position);
// The text field of the selected item was confirmed: a text that reads as a number within the
// limits is applied. False when nothing changed.
bool EnterParameterValue(WinInfoRec* theWindow, const std::string& text);
// The small arrows: the selected item's value ± 0.01, applied only while it stays within the
// slider ends (slider item) or the limits (stepping item).
bool AutoScrollParameterText(WinInfoRec* theWindow, bool up);
// The item's value as the list and the text field show it ("%.3f").
std::string FormatParameterValue(Float32 value);

// ---- lines, clicks and scrolling ----
// One line per folder header plus one per item of each open folder.
SInt32 CountParameterLines(const WinInfoRec* theWindow);
// What line n shows: the folder, and the item (-1 for the folder header). False past the end.
bool GetParameterLine(const WinInfoRec* theWindow, SInt32 line, SInt32* folder, SInt32* item);
// The line that shows the selected item, -1 for none.
SInt32 SelectedParameterLine(const WinInfoRec* theWindow);
// A click on line n (counted from the first line, not the top line shown); -1 or a line past the
// end clears the selection. A folder header opens or closes its folder when no item is selected;
// either way the selection is cleared. An item becomes the selection. True when anything changed.
bool DoParameterListClick(WinInfoRec* theWindow, SInt32 line);
// Moves the selection to the next (down) or previous item line, skipping folder headers; with no
// selection the first or last item line. True when it moved.
bool MoveParameterSelection(WinInfoRec* theWindow, bool down);
// The scroll range for a pane showing visibleLines lines: 0 to the returned value.
SInt32 ParameterScrollMaximum(const WinInfoRec* theWindow, SInt32 visibleLines);
// Sets topParameterLine, kept within 0..ParameterScrollMaximum.
void SetParameterTopLine(WinInfoRec* theWindow, SInt32 line, SInt32 visibleLines);

// ---- shared sites ----
// Changes the occupancy of one of the three occupant slots of a site and keeps the site
// consistent: raising an occupant of an over-full site takes the excess from the others in
// proportion; lowering one on a full site spreads the freed amount evenly over the others.
void AdjustDisorderedSiteOccupancies(std::array<SiteRec, 3>& occupants, int slot, Float32 newOccupancy);

// Prints every item of every open folder as "name: value" to standard output.
void Debug_PrintFolderDiagnostics(WinInfoRec* theWindow);
