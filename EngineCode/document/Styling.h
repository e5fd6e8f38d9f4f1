// Styling of the selected patterns of a window: peak labels and what they show, plot style, line
// style and width, marker size, colour; the structures-list commands that act on the whole list
// (select all, equal proportions, colour all, colourise); and the style the menus show.
// With the mixture shown, the style commands set the mixture curves' style instead.
#pragma once

#include "Records.h"

#include <string>

struct PrefDataRec;

struct WinInfoRec;

void ToggleShowLabels(WinInfoRec* theWindow);
void DoLabelThreshold(WinInfoRec* theWindow, UInt16 percent);
// code: "LHKL", "LDsp", "LXva", "LNam" flip that flag (as the front selected crystal's inverse),
// "LBln" clears all four.
void ToggleLabelStyle(WinInfoRec* theWindow, const std::string& code);
// Whether a label-threshold menu item showing n (items in falling order, previous showing
// previous; the first has previous = 101) is the checked one for a threshold.
bool LabelThresholdItemChecked(int n, int previous, int threshold);

void DoPlotStyle(WinInfoRec* theWindow, UInt16 style);
void DoLineStyle(WinInfoRec* theWindow, UInt16 style);
void DoLineWidth(WinInfoRec* theWindow, Float32 width);
void DoMarkerSize(WinInfoRec* theWindow, Float32 size);
// The colour picker's starting colour and the colour's destination (false: nothing selected).
bool PlotColourStart(WinInfoRec* theWindow, RGBColor* colour);
void DoPlotColour(WinInfoRec* theWindow, const RGBColor& colour);
void DoFileColor(WinInfoRec* theWindow, VLPatternPtr pattern, const RGBColor& colour);

struct PlotStyleRec {
    UInt16 plotStyle, lineStyle;
    Float32 lineWidth, markerSize;
};
// The style the menus check. Without a window, or with nothing selected in it, the style of new
// crystals in the given preferences.
PlotStyleRec GetWindowPlotStyle(const WinInfoRec* theWindow, const PrefDataRec& prefs);

void SelectAllFiles(WinInfoRec* theWindow);
void DoEqualizePhaseProportions(WinInfoRec* theWindow);
void DoResetFileColors(WinInfoRec* theWindow, const RGBColor& colour);
// With two or more plotted patterns, spreads their colours round the hue circle.
void DoAutoColorizeFiles(WinInfoRec* theWindow);
// HSL (each 0..65535) to RGB.
RGBColor HSLToRGB(UInt16 hue, UInt16 saturation, UInt16 lightness);
