// What the information bar reads out under the cursor: the reflexion under a pixel column, the
// values at the cursor (CursorInfoRec), their fields in the bar, and the difference between the
// two positions of the distance tool. CursorBox.h draws the cursor itself, DistanceTool.h keeps
// the distance tool's positions.
#pragma once

#include "DrawingSurface.h"
#include "Records.h"
#include "Status.h"

#include <string>

struct WinInfoRec;
struct CursorInfoRec;

// The column of x in the plot: plot left + (x − xmin) × xscale, truncated.
int CursorColumn(const WinInfoRec* theWindow, double x);
// The x value at a pane column: (column − plot left) / xscale + xmin.
double ColumnToX(const WinInfoRec* theWindow, int column);

// How far from a reflexion's column a click still reads it out, pixels.
inline constexpr int kPeakPickPixels = 3;
// The strongest reflexion (largest inty, the first found on ties) of any plotted crystal, last
// pattern of the plot list first, whose column plot left + (x − xmin) × xscale (truncated, where
// the profile draws its peak) lies within kPeakPickPixels of xClick; reflexions outside xmin …
// xmax do not count. False when there is none with an intensity above 0.
bool FindClickedPeak(const WinInfoRec* theWindow, int xClick, VLPatternPtr* clickedPattern, SInt32* refNum);

// The values at the cursor: x = cursorXPos; yObs from the last dataset that can be interpolated
// there (not in film mode); the crystal of the peak under the cursor, else the front crystal,
// gives y; the peak gives yRel (percent of intMax, times volFrac), h, k, l, mul and the pattern.
CursorInfoRec MakeCursorReadout(WinInfoRec* theWindow);

// The d-spacing, Å, at x on the window's axis (0 where there is none: 2θ or 1/d at most 0.01).
double ReadoutDSpacing(const PlotSpecsRec& ps, double x);
// x with two to four decimals by its size and the axis unit; "----" on the d axis.
std::string ReadoutXText(const PlotSpecsRec& ps, double x);
// A d-spacing or difference of them with two to four decimals by its size, and " Å".
std::string ReadoutDText(double d);

// The fields of the read-out: x, d, I (or Icalc and Iobs with crystals and datasets), I/Imax,
// hkl, m and the phase's name; the last four empty unless a reflexion is under the cursor.
InfoBarReadoutRec InfoBarDiffractionData(const WinInfoRec* theWindow, const CursorInfoRec& cursor);
// Shows the read-out in the window's information bar and keeps it as the window's cursorInfo.
void DrawInfoBarDiffractionData(WinInfoRec* theWindow, const CursorInfoRec& cursor);

// The d-spacing of the second position less that of the first, on every axis.
double DistanceDeltaD(const PlotSpecsRec& ps, double x1, double x2);
// The fields of the distance read-out: ∆x and ∆d, with a comment after them.
InfoBarReadoutRec InfoBarDistanceData(const PlotSpecsRec& ps, double x1, double x2, const std::string& comment);

// How many fields, from the first, fit a bar statusWidth pixels wide (with 15 to spare).
int FittingInfoBarFields(const InfoBarReadoutRec& readout, int statusWidth);
// Draws the read-out into the status rectangle: the fields that fit, centred as a row, in
// "Geneva" 10; captions flush right in the current colour, values centred in black; the comment
// flush left after the fields.
void DrawInfoBarFields(DrawingSurface& s, const Rect& status, const InfoBarReadoutRec& readout);
