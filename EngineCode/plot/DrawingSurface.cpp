// Paths of the drawing surface's vector layer (the surface itself is abstract: DrawingSurface.h).
#include "DrawingSurface.h"

void VectorPath::AddPolyline(const std::vector<PointF>& points)
{
    if (points.size() < 2)
        return;
    MoveTo(points[0].x, points[0].y);
    for (std::size_t i = 1; i < points.size(); ++i)
        LineTo(points[i].x, points[i].y);
}

void VectorPath::AddPolygon(const std::vector<PointF>& points)
{
    if (points.size() < 3)
        return;
    AddPolyline(points);
    Close();
}
