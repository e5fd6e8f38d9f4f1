// The vertical read-out cursor drawn at the end of every drawing pass: a line across the plot at
// cursorXPos with a small disc ("bob") where it crosses each plotted curve. Reading the values out
// into the information bar and dragging the line belong to the interactive tools.
#pragma once

#include "DrawContext.h"
#include "DrawingSurface.h"
#include "Records.h"

struct WinInfoRec;

// Draws the cursor when showCursor is set and xmin ≤ cursorXPos ≤ xmax, and sets cursorRect, the
// rectangle around the line that accepts clicks. The cursor is a dashed line in the selection
// colour with a pointer at the top frame, so that it is not taken for a reflexion. With the arrow
// tool the information bar then reads out the values under the cursor (CursorReadout.h).
void DrawCursorBox(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow);

// Called at each drawing: the first drawing with the cursor shown notes what the plot shows
// (CursorAnchorRec); a later one that shows another range, other patterns or another mode
// hides the cursor.
void ForgetCursorAfterChange(WinInfoRec* theWindow);

// Three blended shadow lines (at x − 1, x + 1, x + 2) and a solid line at x, rows y1 to y2.
void DrawCursorLine(DrawingSurface& s, int x, int y1, int y2, const RGBColor& lineColor);

// An anti-aliased disc of radius centred on (x, y), filled and outlined with width 1.
void DrawCursorBob(DrawingSurface& s, double x, double y, double radius, const RGBColor& fillColor,
                   const RGBColor& frameColor);

// The dataset's profile interpolated linearly at xPos (rising or falling x); outside the points by
// less than maxDeltaX the nearest end point; false farther out or without points.
bool GetDatasetInterpolatedIntensity(const ObsDataRec* dataset, double xPos, double maxDeltaX, Float32* yPos);
