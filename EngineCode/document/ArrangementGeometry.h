// Where Window > Stack and Window > Tile put the document windows: outer bounds (frame and title
// bar included) inside an available screen area, for the windows counted from the front. The
// shell (InterfaceCode/WindowArrangement) applies them and copies or synchronises documents.
#pragma once

#include "Types.h"

#include <vector>

// A cascade: 10 pixels right and 20 down per window; every eighth starts again at the top, and
// each later group of eight is 70 pixels narrower and 150 lower.
std::vector<Rect> StackWindowRects(int windows, const Rect& area);

// A grid grown columns first (1 × 1, 1 × 2, 2 × 2, 2 × 3, ...) until it holds every window, filled
// row by row from the area's top-left corner. rows and columns (may be null) receive the grid.
std::vector<Rect> TileWindowRects(int windows, const Rect& area, int* rows = nullptr, int* columns = nullptr);

// A window of at least minWidth × minHeight placed as near to r as the area allows: as large as r
// unless that is below the minimum, never larger than the area, moved back inside it.
Rect FitWindowRect(const Rect& r, const Rect& area, int minWidth, int minHeight);
