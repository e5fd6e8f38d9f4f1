// The drawing driver of a document's graphics pane: lays out the plot and residual rectangles,
// recomputes the profiles for the visible pixel columns, and draws background, axes, grids, the
// patterns as graphs (GraphMode.h) or films (FilmMode.h), the residual, peak overlays and labels
// (PeakLabels.h), messages, frames, legends and the cursor (CursorBox.h) on a drawing surface.
//
// Every measure is in screen pixels times the pass's resolution factor (DrawContext.h): 1 on
// screen and in images, printer dots per inch / 72 when printing (a printer page or a PDF file).
#pragma once

#include "DrawContext.h"
#include "DrawingSurface.h"
#include "Records.h"

struct WinInfoRec;

// Margins of the plot rectangle inside the pane, screen pixels (times the resolution factor): room
// for the intensity numbers and title on the left, the x numbers and title below.
inline constexpr int kPlotMarginLeft = 52;
inline constexpr int kPlotMarginTop = 10;
inline constexpr int kPlotMarginRight = 15;
inline constexpr int kPlotMarginBottom = 34;

// Draws the pane paneRect of the window's graphics (on screen: the graphics pane; when printing:
// the page). calculateProfile recomputes the plotted crystals' profiles first; showProgress shows
// "Plotting_Pattern" in the information bar while drawing. Without drawCursor the read-out
// cursor is left for the caller to draw over the picture (DrawCursorBox), so that moving it
// does not draw the plot again. The selection colour follows the window's active state (as
// WindowDrawContext); when printing, the page width is the surface's.
void DrawPatterns(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, const Rect& paneRect,
                  bool calculateProfile, bool showProgress, bool drawCursor = true);

// The context of a pass over the window: dc with the selection colour of the window's active
// state, as its hooks tell; a window without hooks keeps dc's.
DrawContext WindowDrawContext(const DrawContext& dc, WinInfoRec* theWindow);

// Stores the plot and residual rectangles in the window (clearing showResidual when the plot list
// lacks crystals or datasets) and returns the pane actually used.
Rect GetCurPlotRect(const DrawContext& dc, WinInfoRec* theWindow, const Rect& paneRect);

// The text colour of axes and numbers: black, or white when the window colour is dark (mean
// channel below 20000). Paper is white, so printing always uses black.
RGBColor PlotTextColor(const DrawContext& dc, const PlotSpecsRec& ps);

// The message rectangle of the pane's centre line, for a plot rectangle.
Rect PlotMessageRect(const Rect& plotRect);
