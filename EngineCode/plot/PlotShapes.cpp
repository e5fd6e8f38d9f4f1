// Pills, discs and pane frames.
#include "PlotShapes.h"

#include "Globals.h"

#include <algorithm>

void MyDrawHilitedRoundRect(DrawingSurface& s, const Rect& cellBounds, std::optional<RGBColor> hilite)
{
    RectF r = ToRectF(cellBounds);
    if (r.Width() >= r.Height()) {
        r.top -= 1;
        r.bottom += 1;
    } else {
        r.left -= 1;
        r.right += 1;
    }
    if (r.IsEmpty())
        return;
    const double radius = std::min(r.Width(), r.Height()) / 2;
    VectorLayer layer(s);
    s.SetFillColor(hilite ? *hilite : s.GetBackColor(), 1.0);
    VectorPath path;
    path.AddRoundedRect(r, radius);
    s.FillPath(path);
}

void MyDrawSmoothCircle(DrawingSurface& s, const RectF& cellBounds, const RGBColor& strokeColor, const RGBColor& fillColor)
{
    const double d = cellBounds.Width();
    if (!(d > 0))
        return;
    const double cx = (cellBounds.left + cellBounds.right) / 2, cy = (cellBounds.top + cellBounds.bottom) / 2;
    // The outline is stroked inside the box so that the disc keeps its size.
    const RectF disc{cx - d / 2 + 0.5, cy - d / 2 + 0.5, cx + d / 2 - 0.5, cy + d / 2 - 0.5};
    VectorLayer layer(s);
    VectorPath path;
    path.AddEllipse(disc);
    s.SetFillColor(fillColor, 1.0);
    s.FillPath(path);
    s.SetStrokeColor(strokeColor, 1.0);
    s.SetLineWidth(1.0);
    s.StrokePath(path);
}

void DrawTabPaneFrame(DrawingSurface& s, const Rect& r)
{
    const RGBColor saved = s.GetForeColor();
    s.RGBForeColor(kRGBMdGrey);
    s.FrameRect({static_cast<SInt16>(r.top - 1), static_cast<SInt16>(r.left - 1), static_cast<SInt16>(r.bottom + 1),
                 static_cast<SInt16>(r.right + 1)});
    s.RGBForeColor(saved);
}
