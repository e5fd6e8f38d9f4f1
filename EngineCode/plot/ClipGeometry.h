// Clipping of plot geometry to a rectangle, done by the rendering code itself so that every
// surface (vector files included, which ignore clip regions) shows the same picture.
#pragma once

#include "DrawingSurface.h"

#include <vector>

// Clips the segment a–b to r (edges included); false when nothing of it lies inside or an end
// is not a finite point.
bool ClipSegment(PointF& a, PointF& b, const RectF& r);

// The pieces of a polyline inside r, each with at least two points. Non-finite points break the
// line.
std::vector<std::vector<PointF>> ClipPolyline(const std::vector<PointF>& points, const RectF& r);

// The part of a closed polygon inside r (Sutherland–Hodgman); empty when none. Non-finite points
// are dropped first.
std::vector<PointF> ClipPolygon(const std::vector<PointF>& points, const RectF& r);

// The polygon of n points on the ellipse inscribed in box.
std::vector<PointF> EllipsePolygon(const RectF& box, int n);

// The rectangle in which a stroke of the given width may run so that its ink stays inside r: r
// inset by half the width (a vector file cannot clip ink itself).
RectF StrokeClipRect(const RectF& r, double lineWidth);

// Moves points that lie on r's bottom edge, or less than half a line width below it, up onto the
// stroke rectangle's bottom, so that a curve at the lowest intensity stays visible along the edge.
void LiftOntoStrokeBottom(std::vector<PointF>& points, const RectF& r, double lineWidth);

// True when inner lies entirely inside outer.
bool RectFContains(const RectF& outer, const RectF& inner);
// The overlap of two rectangles (empty when they do not meet).
RectF IntersectRectF(const RectF& a, const RectF& b);
