// Film mode: each plotted pattern as a horizontal strip in which every pixel column is a vertical
// line whose darkness grows with the intensity, stacked in plot-list order with caption pills; the
// residual as one more strip in which negative values shade towards red.
#pragma once

#include "DrawContext.h"
#include "DrawingSurface.h"
#include "Records.h"

#include <string>
#include <vector>

struct WinInfoRec;

inline constexpr RGBColor kStandardCaptionColor{62965, 62965, 62965};

// The film background grey g of a threshold (percent): 655 × (100 − threshold) on each channel.
UInt16 FilmBackgroundGrey(UInt16 filmThreshold);
// The lightest drawn shade G = (100 − threshold) × 655.35.
double FilmLightestShade(UInt16 filmThreshold);
// The colour of a column of value v = intensity / ymax, lightest shade G; false where nothing is
// drawn (v exactly 0, or not a number).
bool FilmColumnColor(double v, double G, RGBColor* color);

// All plotted patterns, columns firstPix..lastPix (negative firstPix: 0; lastPix 0 or past the
// plot: the last column).
void PlotPatternsAsFilms(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, int firstPix, int lastPix);

// The residual strip over the residual rectangle, shaded only over the columns with measured
// points; returns the sum of squares over them (0 when the plot list lacks crystals or datasets).
Float32 PlotResidualAsFilm(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, int firstIndex, int lastIndex);

// One strip from per-column intensities y (null: only the edge and the caption).
void MyPlotFilm(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, const Rect& filmRect,
                const std::vector<Float32>* y, int firstPix, int lastPix, const std::string& caption, bool selected);

// A caption pill; justification 0 flush left, 1 centred, −1 flush right, any other fills bounds.
void DrawFilmCaption(DrawingSurface& s, const DrawContext& dc, const std::string& text, const Rect& bounds, int justification,
                     bool selected);
