// The drawing driver of a document's graphics pane: lays out the plot and residual rectangles,
// recomputes the profiles for the visible pixel columns, and draws background, axes, grids, the
// patterns as graphs (GraphMode.h) or films (FilmMode.h), the residual, peak overlays and labels
// (PeakLabels.h), messages, frames, legends and the cursor (CursorBox.h) on a drawing surface.
//
// Every measure is in screen pixels times gResolutionFactor: 1 on screen and in images, printer
// dots per inch / 72 when gPrinting is set (a printer page or a PDF file).
#pragma once

#include "DrawingSurface.h"
#include "Records.h"

struct WinInfoRec;

// Margins of the plot rectangle inside the pane, screen pixels (times gResolutionFactor): room
// for the intensity numbers and title on the left, the x numbers and title below.
inline constexpr int kPlotMarginLeft = 52;
inline constexpr int kPlotMarginTop = 10;
inline constexpr int kPlotMarginRight = 15;
inline constexpr int kPlotMarginBottom = 34;

// Device pixels per screen pixel: 1.0 on screen, gPrintRes / 72 when printing.
extern Float32 gResolutionFactor;

// Draws the pane paneRect of the window's graphics (on screen: the graphics pane; when printing:
// the page). calculateProfile recomputes the plotted crystals' profiles first; showProgress shows
// "Plotting_Pattern" in the information bar while drawing. Without drawCursor the read-out
// cursor is left for the caller to draw over the picture (DrawCursorBox), so that moving it
// does not draw the plot again.
void DrawPatterns(DrawingSurface& s, WinInfoRec* theWindow, const Rect& paneRect, bool calculateProfile,
                  bool showProgress, bool drawCursor = true);

// Sets gResolutionFactor, stores the plot and residual rectangles in the window (clearing
// showResidual when the plot list lacks crystals or datasets) and returns the pane actually used.
Rect GetCurPlotRect(WinInfoRec* theWindow, const Rect& paneRect);

// A line width in device pixels: unchanged on screen; when printing scaled to printer dots and by
// how much the window shrinks to fit the page.
Float32 MyPenSizeForPrinting(Float32 inputSize);

// The printed page and the window it shows, for MyPenSizeForPrinting: the page width in printer
// dots and the window width in screen pixels. A window width of 0 means the page shows the window
// at its own size. DrawPatterns sets the page width from its surface when printing.
void SetPrintPageGeometry(int pageWidthDots, double windowWidthPixels);

// The text colour of axes and numbers: black, or white when the window colour is dark (mean
// channel below 20000). Paper is white, so printing always uses black.
RGBColor PlotTextColor(const PlotSpecsRec& ps);

// The message rectangle of the pane's centre line, for a plot rectangle.
Rect PlotMessageRect(const Rect& plotRect);
