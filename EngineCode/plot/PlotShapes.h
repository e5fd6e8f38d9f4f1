// Small shapes the plot shares: the selection pill behind selected texts and film captions, the
// smooth disc of legends and cursor bobs and the tab-pane frame around a plot.
#pragma once

#include "DrawingSurface.h"

#include <optional>

// A pill: the box grown by one pixel on each side across its short direction, with half discs on
// its two short ends, filled anti-aliased with the highlight colour when one is given and with
// the current background colour otherwise.
void MyDrawHilitedRoundRect(DrawingSurface& s, const Rect& cellBounds, std::optional<RGBColor> hilite);

// An anti-aliased disc as wide as the box, centred in it: filled, then outlined with width 1.
void MyDrawSmoothCircle(DrawingSurface& s, const RectF& cellBounds, const RGBColor& strokeColor, const RGBColor& fillColor);

// The frame the platform draws around a plot pane: a one-pixel grey line just outside r.
void DrawTabPaneFrame(DrawingSurface& s, const Rect& r);
