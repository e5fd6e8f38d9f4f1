// The mouse in the graphics pane: which curve passes under a point, the film caption under a
// click, the vertical read-out cursor placed at a column, dragging a pattern with its axis
// lock, and the offset read-out shown while patterns move. The shell turns its mouse events into
// these calls; ViewTransforms.h and DistanceTool.h hold what the other tools do.
#pragma once

#include "Records.h"

struct WinInfoRec;

// The tools of the toolbar.
enum PlotTool : SInt16 { kPlotToolArrow = 0, kPlotToolHand = 1, kPlotToolMagnify = 2, kPlotToolDistance = 3 };

// How near a curve a click must be to pick it, pixels.
inline constexpr int kCurveHitPixels = 4;

// Whether the pane point lies in the plot rectangle.
bool PointInPlot(const WinInfoRec* theWindow, int column, int row);

// The first pattern of the plot list (graph mode only) whose curve passes within
// kCurveHitPixels rows of the point; null when none does.
VLPatternPtr MouseInGraph(const WinInfoRec* theWindow, int column, int row);

// The strip of the film caption under the point (film mode without mixture, with the legend):
// the caption area is the 100 pixels at the right of the strip's top 20 rows. -1 when none.
int FilmCaptionHit(const WinInfoRec* theWindow, int column, int row);
// Selects the strip-th plotted pattern: alone, or toggled with toggle (the command key).
void SelectFilmCaption(WinInfoRec* theWindow, int strip, bool toggle);

// The read-out cursor shown at pane column (its x from the column); with a redraw through the
// hooks only when asked.
void PlaceCursorAtColumn(WinInfoRec* theWindow, int column);
// Whether the pane point lies in the rectangle around the shown cursor that accepts clicks.
bool PointOnCursor(const WinInfoRec* theWindow, int column, int row);

// A pattern being dragged with the arrow tool. With shift held, the first movement decides the
// axis (horizontal when |dx| > |dy|) until shift is released.
struct PatternDragRec {
    VLPatternPtr pattern = nullptr;
    int lastColumn = 0, lastRow = 0;
    enum class Lock { None, Horizontal, Vertical } lock = Lock::None;
};
// Selects only the clicked pattern and starts its drag.
PatternDragRec BeginPatternDrag(WinInfoRec* theWindow, VLPatternPtr pattern, int column, int row);
// Moves the pattern with the mouse: x by the column change / xscale (the stored x values and
// xOffset), y by the row change / yscale (yOffset; a crystal's not below 0). Redraws with
// recomputation and shows the offsets. False when nothing moved.
bool DragPatternTo(WinInfoRec* theWindow, PatternDragRec& drag, int column, int row, bool shift);

// "∆x: %f   ∆y: %f" of the front selected crystal, else of the front selected dataset; empty
// with neither.
std::string XYOffsetText(const WinInfoRec* theWindow);
// Shows it in the information bar (nothing with neither).
void DisplayXYOffset(WinInfoRec* theWindow);
