// View transforms of a document's plot: the changes of what the plot shows that leave the
// physics alone. Zoom and pan in x, scaling of the intensity axis, shifts of the selected
// patterns, relative scale of measured data, stacking and collapsing, autoscaling and scrolling
// by whole pixels that keeps the profile columns already computed. Each ends in a redraw through
// the window's hooks. The mouse tools that drive them are in PlotMouse.h and DistanceTool.h.
#pragma once

struct WinInfoRec;
struct PlotSpecsRec;

// Fits ymax and yscale to what is visible: the largest calculated column (background and offset
// included) and observed point inside the x range, or with mixtures the largest summed column
// (at least 1e-30), in graph mode standing kAutoscaleHeadroom of the range below the top. ymin
// is left as it is. Nothing is redrawn.
void AutoscaleYLimits(WinInfoRec* theWindow);

// Sets xmin … xmax to a range of the given width starting at lower, kept inside xminLimit …
// xmaxLimit (moved back from the upper limit, and cut to the limits when wider).
void FitXRange(PlotSpecsRec& ps, double lower, double width);

// Zoom in by 2 about the clicked pane column, the x under it staying there (out by 2 with
// zoomOut); only for a column inside the plot. The intensity axis is refitted unless it was set
// by hand.
bool MagnifyPlot(WinInfoRec* theWindow, int column, int row, bool zoomOut);
// The x range between two pane columns (either order, at least two pixels apart), kept inside the
// limits; the intensity axis is refitted unless it was set by hand. False for a narrower band.
bool ZoomToColumns(WinInfoRec* theWindow, int column1, int column2);
// Zoom the x range by factor (> 1 in) about pane column, keeping the x under it in place.
void ZoomXAboutColumn(WinInfoRec* theWindow, int column, double factor);
// The x range divided by mag about its centre.
void DoExpandX(WinInfoRec* theWindow, double mag);
// ymax divided by mag; the intensity axis counts as set by hand from then on.
void DoExpandY(WinInfoRec* theWindow, double mag);
// The selected patterns moved by pixelShift pixels in x (three times as far with shift); false,
// and nothing redrawn, when none is selected.
bool DoShiftX(WinInfoRec* theWindow, double pixelShift, bool shift);
// The selected patterns moved up (sign 1) or down (−1) by 1 % of ymax (3 % with shift).
bool DoShiftY(WinInfoRec* theWindow, int sign, bool shift);
// relScale of the selected datasets multiplied by mag (with shift, a step three times as large).
bool DoIncreaseRelativeScale(WinInfoRec* theWindow, double mag, bool shift);
// The offsets of the selected patterns undone.
bool DoResetXYOffsets(WinInfoRec* theWindow);
// Every y offset 0, then autoscale.
void DoCollapseProfiles(WinInfoRec* theWindow);
// Two or more patterns stacked one above the other, measured data scaled to the crystals'.
bool DoStackProfiles(WinInfoRec* theWindow);
// The intensity axis fitted to the visible data and redrawn; it no longer counts as set by hand.
void DoAutoscaleY(WinInfoRec* theWindow);
// The x range fitted to all patterns with a 2 % margin, then the intensity axis.
void DoAutoscale(WinInfoRec* theWindow);
// The default range of the axis (as a new window shows it) and the intensity axis fitted.
void DoShowWholeRange(WinInfoRec* theWindow);

// Pans by whole pixels towards larger x (right) or smaller x (left), stopping at the limits;
// the crystals' profile columns still in view are moved and only the uncovered ones computed.
// False when already at the limit.
bool DoScrollRight(WinInfoRec* theWindow, int pixelShift);
bool DoScrollLeft(WinInfoRec* theWindow, int pixelShift);
// Right for a positive number of pixels, left for a negative one.
bool DoScrollPixels(WinInfoRec* theWindow, int pixels);

// The horizontal scroll bar in units of kScrollUnitPixels: value = distance of xmin from
// xminLimit, maximum = the part of the limits not shown, page = the part shown, viewSize = plot
// width / 20.
inline constexpr int kScrollUnitPixels = 20;
struct HorizontalScrollRec {
    int value = 0, maximum = 0, page = 0, viewSize = 0;
};
HorizontalScrollRec SetHorizontalScroll(const WinInfoRec* theWindow);
// The pixels to scroll when the bar is moved to newValue (negative: left).
int HorizontalScrollPixelShift(const WinInfoRec* theWindow, int newValue);
