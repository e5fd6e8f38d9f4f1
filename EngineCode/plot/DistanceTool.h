// The distance tool: a live line follows the mouse over the plot, a click records the first
// position (green line), the information bar shows the running difference in x and d, a second
// click records the second position (red line) and shades the band between them, after which the
// plot can be zoomed to the band. The state is the window's DistanceToolRec (Document.h); the
// read-out's fields come from CursorReadout.h. Columns are pane pixels.
#pragma once

#include "DrawingSurface.h"

struct WinInfoRec;

// Clears the positions, hides the read-out cursor, redraws and shows "Distance_Tool_Prompt".
void InitDistanceTool(WinInfoRec* theWindow);

enum class DistanceClick { Ignored, FirstRecorded, SecondRecorded, Reset };
// A click at a pane column of the plot: records the first position, then the second, then
// starts again; a click on the column of the previous one is ignored.
DistanceClick MeasureDistanceOnPlot(WinInfoRec* theWindow, int column);

// The mouse moved to the pane point: the live line follows it inside the plot (false when it
// did not move), and after the first position the bar shows the running difference with
// "(click to end)". A plot that was scrolled, zoomed or resized since the first position
// starts the tool again.
bool DrawDistanceCursors(WinInfoRec* theWindow, int column, int row);
// The mouse left the plot: the live line goes.
bool HideDistanceCursor(WinInfoRec* theWindow);

// Both positions are recorded (the zoom button is offered).
bool DistanceZoomAvailable(const WinInfoRec* theWindow);
// Zooms to the band between the two positions (within the limits) and clears them.
bool ZoomDistanceLimits(WinInfoRec* theWindow);

// The tool's lines over the plot as the window now has them: the live line, the first position
// in green, the second in red with the band between them blended in red.
void DrawDistanceOverlay(DrawingSurface& s, WinInfoRec* theWindow);
