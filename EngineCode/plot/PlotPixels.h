// Whole-pixel conversions shared by the plot's drawing files: coordinates truncated toward zero
// and kept within what a Rect holds, and the normalised column range of a drawing call.
#pragma once

#include "Types.h"

#include <algorithm>

// A computed coordinate as a whole pixel: truncated toward zero, within ±30000 (NaN gives −30000).
inline int TruncPixel(double v)
{
    if (!(v > -30000))
        return -30000;
    if (!(v < 30000))
        return 30000;
    return static_cast<int>(v);
}

// The same as a Rect coordinate.
inline SInt16 RectCoord(double v)
{
    return static_cast<SInt16>(TruncPixel(v));
}

// Columns first..last of a plot width pixels wide: a negative first means 0, a last of 0 or past
// the plot means the last column.
inline void NormalizePixelRange(int width, int& first, int& last)
{
    if (first < 0)
        first = 0;
    if (last == 0 || last >= width)
        last = width - 1;
}

struct WinInfoRec;

// The columns one drawing call covers: the window's plot rectangle, its width in columns and
// the normalised column range first..last.
struct PlotView {
    WinInfoRec* window = nullptr;
    Rect plot{};
    int width = 0;
    int first = 0;
    int last = -1;

    // Nothing to draw: no window, no plot width or an empty range.
    bool Empty() const { return !window || width <= 0 || last < first; }
    int Count() const { return last - first + 1; }
};

// The view of columns first..last (normalised as NormalizePixelRange) of the window's plot.
PlotView MakePlotView(WinInfoRec* theWindow, int first, int last);
