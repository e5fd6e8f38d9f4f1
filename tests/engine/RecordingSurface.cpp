// The recording drawing surface of the tests.
#include "RecordingSurface.h"

#include "TextBox.h"

#include <algorithm>
#include <cmath>

RecordingSurface::RecordingSurface(Rect bounds, bool pixels) : bounds_(bounds), pixels_(pixels), clip_(bounds)
{
    state_.clip = ToRectF(bounds);
}

std::vector<const RecordingSurface::Call*> RecordingSurface::Calls(Op op) const
{
    std::vector<const Call*> out;
    for (const Call& c : calls)
        if (c.op == op)
            out.push_back(&c);
    return out;
}

std::vector<std::string> RecordingSurface::Texts() const
{
    std::vector<std::string> out;
    for (const Call& c : calls)
        if (c.op == Op::Text)
            out.push_back(c.text);
    return out;
}

const RecordingSurface::Call* RecordingSurface::FindText(const std::string& text) const
{
    for (const Call& c : calls)
        if (c.op == Op::Text && c.text == text)
            return &c;
    return nullptr;
}

PointF RecordingSurface::Map(double x, double y) const
{
    const double* m = state_.m;
    return {m[0] * x + m[2] * y + m[4], m[1] * x + m[3] * y + m[5]};
}

RecordingSurface::Call RecordingSurface::Base(Op op) const
{
    Call c;
    c.op = op;
    c.color = fore_;
    c.pen = pen_;
    c.alpha = pen_ == Pen::Blend ? blend_ : 1;
    c.font = font_;
    c.inVectorLayer = depth_ > 0;
    c.clip = clip_;
    c.vectorClip = depth_ > 0 ? state_.clip : ToRectF(bounds_);
    c.lineWidth = state_.width;
    c.dashed = state_.dashed;
    c.antialias = state_.antialias;
    c.join = state_.join;
    return c;
}

void RecordingSurface::FlushPortBuffer(const Rect& r)
{
    Call c = Base(Op::Flush);
    c.rect = r;
    calls.push_back(c);
}

void RecordingSurface::LineTo(int h, int v)
{
    Call c = Base(Op::Line);
    c.h1 = penH_;
    c.v1 = penV_;
    c.h2 = h;
    c.v2 = v;
    calls.push_back(c);
    penH_ = h;
    penV_ = v;
}

void RecordingSurface::PenModeBlend(const RGBColor& weight)
{
    pen_ = Pen::Blend;
    blend_ = (weight.red + weight.green + weight.blue) / (3.0 * 65535);
}

void RecordingSurface::RectCall(Op op, const Rect& r, const RGBColor& color)
{
    Call c = Base(op);
    c.rect = r;
    c.color = color;
    calls.push_back(c);
}

void RecordingSurface::BeginVectorLayer()
{
    stack_.push_back(state_);
    state_ = LayerState{};
    state_.clip = ToRectF(clip_);
    ++depth_;
    ++layersOpened;
}

void RecordingSurface::EndVectorLayer()
{
    if (depth_ == 0)
        return;
    --depth_;
    state_ = stack_.back();
    stack_.pop_back();
}

void RecordingSurface::RestoreGState()
{
    if (stack_.empty())
        return;
    state_ = stack_.back();
    stack_.pop_back();
}

void RecordingSurface::ClipToRect(const RectF& r)
{
    const PointF a = Map(r.left, r.top), b = Map(r.right, r.bottom);
    const RectF mapped{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    state_.clip = {std::max(state_.clip.left, mapped.left), std::max(state_.clip.top, mapped.top),
                   std::min(state_.clip.right, mapped.right), std::min(state_.clip.bottom, mapped.bottom)};
}

void RecordingSurface::Translate(double dx, double dy)
{
    double* m = state_.m;
    m[4] += m[0] * dx + m[2] * dy;
    m[5] += m[1] * dx + m[3] * dy;
}

void RecordingSurface::Rotate(double degrees)
{
    // Counter-clockwise on a y-down screen.
    const double a = -degrees * M_PI / 180, cs = std::cos(a), sn = std::sin(a);
    double* m = state_.m;
    const double m0 = m[0] * cs + m[2] * sn, m1 = m[1] * cs + m[3] * sn;
    const double m2 = -m[0] * sn + m[2] * cs, m3 = -m[1] * sn + m[3] * cs;
    m[0] = m0, m[1] = m1, m[2] = m2, m[3] = m3;
    state_.angle += degrees;
}

void RecordingSurface::Scale(double sx, double sy)
{
    double* m = state_.m;
    m[0] *= sx, m[1] *= sx, m[2] *= sy, m[3] *= sy;
}

void RecordingSurface::PathCall(Op op, const VectorPath& path)
{
    Call c = Base(op);
    c.color = op == Op::Stroke ? state_.stroke : state_.fill;
    c.alpha = op == Op::Stroke ? state_.strokeAlpha : state_.fillAlpha;
    for (const VectorPath::Element& e : path.Elements()) {
        switch (e.op) {
        case VectorPath::Op::MoveTo:
            ++c.shapes;
            c.points.push_back(Map(e.p.x, e.p.y));
            break;
        case VectorPath::Op::LineTo: c.points.push_back(Map(e.p.x, e.p.y)); break;
        case VectorPath::Op::Close: break;
        case VectorPath::Op::Ellipse:
        case VectorPath::Op::RoundedRect:
            ++c.shapes;
            c.hasEllipse = c.hasEllipse || e.op == VectorPath::Op::Ellipse;
            c.points.push_back(Map(e.r.left, e.r.top));
            c.points.push_back(Map(e.r.right, e.r.bottom));
            break;
        }
    }
    calls.push_back(c);
}

double RecordingSurface::StringWidth(const std::string& text)
{
    return 0.6 * font_.size * static_cast<double>(SplitUtf8(text).size());
}

void RecordingSurface::DrawString(double x, double y, const std::string& text)
{
    Call c = Base(Op::Text);
    c.text = text;
    c.origin = depth_ > 0 ? Map(x, y) : PointF{x, y};
    c.angle = depth_ > 0 ? state_.angle : 0;
    calls.push_back(c);
}

std::unique_ptr<PixelSnapshot> RecordingSurface::CopyPixels(const Rect& r)
{
    Call c = Base(Op::CopyPixels);
    c.rect = r;
    calls.push_back(c);
    if (!pixels_)
        return nullptr;
    auto snapshot = std::make_unique<PixelSnapshot>();
    snapshot->bounds = r;
    return snapshot;
}

void RecordingSurface::RestorePixels(const PixelSnapshot& saved)
{
    Call c = Base(Op::RestorePixels);
    c.rect = saved.bounds;
    calls.push_back(c);
}
