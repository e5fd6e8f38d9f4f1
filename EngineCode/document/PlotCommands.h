// What the plot commands do to a window: graph or film, mixture, grid lines, legend, residual,
// peak overlays, frame colour, plot limits, window title, centring on a reflexion, and the
// channel width of an exported profile. Dialogs and colour pickers are the front end's; the
// values they produce come here.
#pragma once

#include "Records.h"

#include <optional>
#include <string>

struct WinInfoRec;

void TogglePlotGraphOrFilm(WinInfoRec* theWindow);
void TogglePlotMixture(WinInfoRec* theWindow);
void ToggleShowGridlines(WinInfoRec* theWindow);
void ToggleShowLegend(WinInfoRec* theWindow);
void ToggleShowResidual(WinInfoRec* theWindow);
// Choosing the style already shown turns overlays off.
void DoOverlayPeaks(WinInfoRec* theWindow, UInt16 style);
void DoFrameColour(WinInfoRec* theWindow, const RGBColor& colour);

// Plot limits: accepted only when both lie within the axis limits and lower < upper.
bool PlotLimitsAcceptable(const WinInfoRec* theWindow, double lower, double upper);
void DoPlotLimits(WinInfoRec* theWindow, Float32 lower, Float32 upper);

// The title field's proposal: the file name less its extension (the last '.' on, unless it is
// the first character).
std::string WindowTitleProposal(const std::string& filename);
void DoWindowTitle(WinInfoRec* theWindow, const std::string& text);
// The window title for a name: the experiment's text followed by the name, a trailing ".vlms"
// and a leading "<<" removed; empty for an empty name. Without settings the preferences decide.
std::string WindowTitleText(const PlotSpecsRec& plot, const std::string& name);

// The crystal that find-peak and profile export work on: the only crystal of the plot list,
// or the front selected one; null otherwise.
CrystalDataRec* FindPeakCrystal(WinInfoRec* theWindow);
// Centres the view on h k l (0 0 0 counts as 1 1 1) and places the cursor there. False when the
// axis cannot show the reflexion (the view is then left as it was).
bool DoGoToHKL(WinInfoRec* theWindow, CrystalDataRec* xp, int h, int k, int l);

// Profile export: the message key that refuses it (empty when it may go on), the channel width
// proposed for a plot of plotWidth pixels (one channel per pixel, but at least
// kChannelsPerPeakWidth across the FWHM of the narrowest reflexion in view, and at most
// kMaxProposedChannels channels), and the channel count shown for a width ("????" when the width
// is not positive or gives 32766 channels or more).
inline constexpr double kChannelsPerPeakWidth = 5;
inline constexpr double kMaxProposedChannels = 32000;
std::string ExportProfileRefusal(const WinInfoRec* theWindow);
Float32 ProposedChannelWidth(const WinInfoRec* theWindow, int plotWidth);
std::optional<long> ExportChannelCount(const WinInfoRec* theWindow, double width);
std::string ExportChannelCountText(const WinInfoRec* theWindow, double width);
