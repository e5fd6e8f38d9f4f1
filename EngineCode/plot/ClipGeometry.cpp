// Clipping of segments, polylines and polygons to a rectangle.
#include "ClipGeometry.h"

#include "Constants.h"

#include <algorithm>
#include <cmath>

namespace {

bool Finite(const PointF& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

}  // namespace

bool ClipSegment(PointF& a, PointF& b, const RectF& r)
{
    if (!Finite(a) || !Finite(b))
        return false;
    // Liang–Barsky.
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - r.left, r.right - a.x, a.y - r.top, r.bottom - a.y};
    double t0 = 0, t1 = 1;
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) {
            if (t > t1)
                return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0)
                return false;
            t1 = std::min(t1, t);
        }
    }
    // A segment that only touches the rectangle in one point shows nothing.
    if (t0 >= t1 && (dx != 0 || dy != 0))
        return false;
    const PointF start = a;
    if (t1 < 1)
        b = {start.x + t1 * dx, start.y + t1 * dy};
    if (t0 > 0)
        a = {start.x + t0 * dx, start.y + t0 * dy};
    // Guard the ends against rounding just outside the edges.
    for (PointF* q2 : {&a, &b}) {
        q2->x = std::clamp(q2->x, r.left, r.right);
        q2->y = std::clamp(q2->y, r.top, r.bottom);
    }
    return true;
}

std::vector<std::vector<PointF>> ClipPolyline(const std::vector<PointF>& points, const RectF& r)
{
    std::vector<std::vector<PointF>> pieces;
    bool open = false;  // the last piece ends at the previous point
    for (std::size_t i = 1; i < points.size(); ++i) {
        PointF a = points[i - 1], b = points[i];
        const bool startUnclipped = Finite(a) && a.x >= r.left && a.x <= r.right && a.y >= r.top && a.y <= r.bottom;
        if (!ClipSegment(a, b, r)) {
            open = false;
            continue;
        }
        if (!(open && startUnclipped))
            pieces.push_back({a});
        pieces.back().push_back(b);
        open = b.x == points[i].x && b.y == points[i].y;
    }
    return pieces;
}

std::vector<PointF> ClipPolygon(const std::vector<PointF>& points, const RectF& r)
{
    std::vector<PointF> poly;
    for (const PointF& p : points)
        if (Finite(p))
            poly.push_back(p);
    // One pass per edge: keep the side where inside(p) holds.
    auto pass = [&poly](auto inside, auto cross) {
        std::vector<PointF> out;
        for (std::size_t i = 0; i < poly.size(); ++i) {
            const PointF& cur = poly[i];
            const PointF& prev = poly[(i + poly.size() - 1) % poly.size()];
            const bool ci = inside(cur), pi = inside(prev);
            if (ci) {
                if (!pi)
                    out.push_back(cross(prev, cur));
                out.push_back(cur);
            } else if (pi) {
                out.push_back(cross(prev, cur));
            }
        }
        poly.swap(out);
    };
    auto atX = [](const PointF& a, const PointF& b, double x) {
        const double t = (x - a.x) / (b.x - a.x);
        return PointF{x, a.y + t * (b.y - a.y)};
    };
    auto atY = [](const PointF& a, const PointF& b, double y) {
        const double t = (y - a.y) / (b.y - a.y);
        return PointF{a.x + t * (b.x - a.x), y};
    };
    pass([&](const PointF& p) { return p.x >= r.left; }, [&](const PointF& a, const PointF& b) { return atX(a, b, r.left); });
    pass([&](const PointF& p) { return p.x <= r.right; }, [&](const PointF& a, const PointF& b) { return atX(a, b, r.right); });
    pass([&](const PointF& p) { return p.y >= r.top; }, [&](const PointF& a, const PointF& b) { return atY(a, b, r.top); });
    pass([&](const PointF& p) { return p.y <= r.bottom; }, [&](const PointF& a, const PointF& b) { return atY(a, b, r.bottom); });
    if (poly.size() < 3)
        poly.clear();
    return poly;
}

std::vector<PointF> EllipsePolygon(const RectF& box, int n)
{
    std::vector<PointF> pts;
    if (n < 3)
        return pts;
    const double cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    const double rx = box.Width() / 2, ry = box.Height() / 2;
    pts.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double a = 2 * kPi * i / n;
        pts.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return pts;
}

RectF StrokeClipRect(const RectF& r, double lineWidth)
{
    const double h = std::max(lineWidth, 0.0) / 2;
    RectF inset{r.left + h, r.top + h, r.right - h, r.bottom - h};
    if (inset.right < inset.left)
        inset.left = inset.right = (r.left + r.right) / 2;
    if (inset.bottom < inset.top)
        inset.top = inset.bottom = (r.top + r.bottom) / 2;
    return inset;
}

void LiftOntoStrokeBottom(std::vector<PointF>& points, const RectF& r, double lineWidth)
{
    const double h = std::max(lineWidth, 0.0) / 2;
    const double bottom = StrokeClipRect(r, lineWidth).bottom;
    for (PointF& p : points)
        if (p.y > bottom && p.y <= r.bottom + h)
            p.y = bottom;
}

bool RectFContains(const RectF& outer, const RectF& inner)
{
    return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
           inner.bottom <= outer.bottom;
}

RectF IntersectRectF(const RectF& a, const RectF& b)
{
    RectF r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (r.IsEmpty())
        return {};
    return r;
}
