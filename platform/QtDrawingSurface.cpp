// The drawing surface on a QPainter.
#include "QtDrawingSurface.h"

#include <QImage>
#include <QtMath>
#include <QPainterPath>
#include <QPaintEngine>

#include <algorithm>
#include <cmath>

namespace {

class ImageSnapshot final : public PixelSnapshot {
public:
    QImage pixels;
};

QRect ToQRect(const Rect& r)
{
    return QRect(r.left, r.top, r.Width(), r.Height());
}

QPainterPath ToQPath(const VectorPath& path)
{
    QPainterPath q;
    q.setFillRule(Qt::WindingFill);
    for (const VectorPath::Element& e : path.Elements()) {
        switch (e.op) {
        case VectorPath::Op::MoveTo: q.moveTo(e.p.x, e.p.y); break;
        case VectorPath::Op::LineTo: q.lineTo(e.p.x, e.p.y); break;
        case VectorPath::Op::Close: q.closeSubpath(); break;
        case VectorPath::Op::Ellipse: q.addEllipse(QRectF(e.r.left, e.r.top, e.r.Width(), e.r.Height())); break;
        case VectorPath::Op::RoundedRect:
            if (e.radius > 0)
                q.addRoundedRect(QRectF(e.r.left, e.r.top, e.r.Width(), e.r.Height()), e.radius, e.radius);
            else
                q.addRect(QRectF(e.r.left, e.r.top, e.r.Width(), e.r.Height()));
            break;
        }
    }
    return q;
}

}  // namespace

QColor ToQColor(const RGBColor& c, double alpha)
{
    const auto a = static_cast<quint16>(std::clamp(alpha, 0.0, 1.0) * 65535 + 0.5);
    return QColor::fromRgba64(c.red, c.green, c.blue, a);
}

QtDrawingSurface::QtDrawingSurface(QPainter& painter, const QRect& bounds, QImage* image)
    : painter_(painter), image_(image)
{
    bounds_ = {static_cast<SInt16>(bounds.top()), static_cast<SInt16>(bounds.left()),
               static_cast<SInt16>(bounds.top() + bounds.height()), static_cast<SInt16>(bounds.left() + bounds.width())};
    clip_ = bounds_;
    const QPaintEngine* engine = painter_.paintEngine();
    // On a high-density image a pixel of the plot is several device pixels: lines are drawn as
    // the rectangles of their pixels, as on vector targets, so they keep their weight.
    dpr_ = painter_.device() ? painter_.device()->devicePixelRatioF() : 1.0;
    pixelTarget_ = engine && engine->type() == QPaintEngine::Raster && dpr_ == 1.0;
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    painter_.setClipRect(ToQRect(clip_));
    SetFont(font_);
}

QtDrawingSurface::~QtDrawingSurface() = default;

Rect QtDrawingSurface::GetPortBounds() const
{
    return bounds_;
}

void QtDrawingSurface::FlushPortBuffer(const Rect&)
{
}

// ---- integer pen ----

QPen QtDrawingSurface::IntegerPen() const
{
    QColor color = ToQColor(fore_);
    if (penKind_ == PenKind::Blend)
        color.setAlphaF(static_cast<float>(blendWeight_));
    QPen pen(color);
    // Raster targets: the one-pixel cosmetic pen, which covers both end pixels. Vector targets:
    // a line one pixel wide whose square caps cover the end pixels.
    pen.setWidth(pixelTarget_ ? 0 : 1);
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    if (penKind_ == PenKind::Gray)
        pen.setDashPattern({1, 1});
    return pen;
}

void QtDrawingSurface::MoveTo(int h, int v)
{
    penH_ = h;
    penV_ = v;
}

void QtDrawingSurface::LineTo(int h, int v)
{
    painter_.setPen(IntegerPen());
    if (pixelTarget_) {
        if (h == penH_ && v == penV_)
            painter_.drawPoint(h, v);
        else
            painter_.drawLine(QPoint(penH_, penV_), QPoint(h, v));
    } else if ((h == penH_ || v == penV_) && penKind_ != PenKind::Gray) {
        // On vector targets a pixel is the unit square right of and below its coordinate: a
        // straight line is the rectangle of its pixels.
        const QPen pen = IntegerPen();
        painter_.fillRect(QRectF(std::min(h, penH_), std::min(v, penV_), std::abs(h - penH_) + 1, std::abs(v - penV_) + 1),
                          pen.color());
    } else {
        painter_.drawLine(QPointF(penH_ + 0.5, penV_ + 0.5), QPointF(h + 0.5, v + 0.5));
    }
    penH_ = h;
    penV_ = v;
}

void QtDrawingSurface::PenNormal()
{
    penKind_ = PenKind::Solid;
    blendWeight_ = 1;
}

void QtDrawingSurface::PenPatGray()
{
    penKind_ = PenKind::Gray;
}

void QtDrawingSurface::PenModeBlend(const RGBColor& weight)
{
    penKind_ = PenKind::Blend;
    blendWeight_ = (weight.red + weight.green + weight.blue) / (3.0 * 65535);
}

// ---- rectangles ----

void QtDrawingSurface::PaintRect(const Rect& r)
{
    if (r.IsEmpty())
        return;
    QColor color = ToQColor(fore_);
    // A blending pen paints the rectangle over what is there.
    if (penKind_ == PenKind::Blend)
        color.setAlphaF(static_cast<float>(blendWeight_));
    painter_.fillRect(ToQRect(r), color);
}

void QtDrawingSurface::EraseRect(const Rect& r)
{
    if (!r.IsEmpty())
        painter_.fillRect(ToQRect(r), ToQColor(back_));
}

void QtDrawingSurface::FrameRect(const Rect& r)
{
    if (r.IsEmpty())
        return;
    if (pixelTarget_) {
        painter_.setPen(IntegerPen());
        painter_.setBrush(Qt::NoBrush);
        painter_.drawRect(QRect(r.left, r.top, r.Width() - 1, r.Height() - 1));
        return;
    }
    // Vector targets: the four edges as rectangles of pixels, so the corners are covered exactly.
    const QColor color = IntegerPen().color();
    painter_.fillRect(QRect(r.left, r.top, r.Width(), 1), color);
    painter_.fillRect(QRect(r.left, r.bottom - 1, r.Width(), 1), color);
    painter_.fillRect(QRect(r.left, r.top, 1, r.Height()), color);
    painter_.fillRect(QRect(r.right - 1, r.top, 1, r.Height()), color);
}

void QtDrawingSurface::ClipRect(const Rect& r)
{
    clip_ = r;
    painter_.setClipRect(ToQRect(r), Qt::ReplaceClip);
}

// ---- vector layer ----

void QtDrawingSurface::BeginVectorLayer()
{
    painter_.save();
    saved_.push_back(vector_);
    ++layerDepth_;
    vector_ = VectorState{};
    painter_.setRenderHint(QPainter::Antialiasing, true);
}

void QtDrawingSurface::EndVectorLayer()
{
    if (layerDepth_ == 0)
        return;
    --layerDepth_;
    vector_ = saved_.back();
    saved_.pop_back();
    painter_.restore();
}

void QtDrawingSurface::SaveGState()
{
    painter_.save();
    saved_.push_back(vector_);
}

void QtDrawingSurface::RestoreGState()
{
    if (saved_.empty())
        return;
    vector_ = saved_.back();
    saved_.pop_back();
    painter_.restore();
}

void QtDrawingSurface::SetShouldAntialias(bool on)
{
    painter_.setRenderHint(QPainter::Antialiasing, on);
}

void QtDrawingSurface::ClipToRect(const RectF& r)
{
    painter_.setClipRect(QRectF(r.left, r.top, r.Width(), r.Height()), Qt::IntersectClip);
}

void QtDrawingSurface::Translate(double dx, double dy)
{
    painter_.translate(dx, dy);
}

void QtDrawingSurface::Rotate(double degrees)
{
    // y runs down, so a turn that looks counter-clockwise is a negative angle.
    painter_.rotate(-degrees);
}

void QtDrawingSurface::Scale(double sx, double sy)
{
    painter_.scale(sx, sy);
}

void QtDrawingSurface::StrokePath(const VectorPath& path)
{
    if (path.IsEmpty())
        return;
    const double width = vector_.width > 0 ? vector_.width : 1.0;
    QPen pen(vector_.stroke);
    pen.setWidthF(width);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(vector_.join == LineJoin::Round   ? Qt::RoundJoin
                     : vector_.join == LineJoin::Bevel ? Qt::BevelJoin
                                                       : Qt::MiterJoin);
    if (vector_.dashed)
        pen.setDashPattern({gDashLengths[0] / width, gDashLengths[1] / width});
    painter_.strokePath(ToQPath(path), pen);
}

void QtDrawingSurface::FillPath(const VectorPath& path)
{
    if (path.IsEmpty())
        return;
    if (vector_.fill.alpha() < 255) {
        // Translucent: one path, so that overlapping parts are not blended twice.
        painter_.fillPath(ToQPath(path), QBrush(vector_.fill));
        return;
    }
    // Opaque: whole ellipses and rectangles one by one (the raster engine fills thousands of
    // markers in one path far more slowly), the rest as one path.
    VectorPath rest;
    painter_.save();
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(vector_.fill);
    for (const VectorPath::Element& e : path.Elements()) {
        const QRectF r(e.r.left, e.r.top, e.r.Width(), e.r.Height());
        if (e.op == VectorPath::Op::Ellipse)
            painter_.drawEllipse(r);
        else if (e.op == VectorPath::Op::RoundedRect && e.radius <= 0)
            painter_.fillRect(r, vector_.fill);
        else if (e.op == VectorPath::Op::RoundedRect)
            painter_.drawRoundedRect(r, e.radius, e.radius);
        else if (e.op == VectorPath::Op::MoveTo)
            rest.MoveTo(e.p.x, e.p.y);
        else if (e.op == VectorPath::Op::LineTo)
            rest.LineTo(e.p.x, e.p.y);
        else
            rest.Close();
    }
    painter_.restore();
    if (!rest.IsEmpty())
        painter_.fillPath(ToQPath(rest), QBrush(vector_.fill));
}

// ---- text ----

void QtDrawingSurface::SetFont(const FontSpec& font)
{
    font_ = font;
    const bool ours = font.family == kPlotFontName || font.family == kSystemFontName;
    QFont f(ours ? QString(kPlotFontFamily) : QString::fromStdString(font.family));
    f.setStyleHint(QFont::SansSerif);
    f.setHintingPreference(QFont::PreferVerticalHinting);
    // Sizes are pixels of the device: points at the device's resolution.
    const int dpi = painter_.device() ? painter_.device()->logicalDpiY() : 72;
    f.setPointSizeF(std::max(font.size, 0.5) * 72.0 / (dpi > 0 ? dpi : 72));
    f.setBold((font.face & kFaceBold) != 0);
    f.setItalic((font.face & kFaceItalic) != 0);
    qfont_ = f;
    metrics_.reset();
}

const QFontMetricsF& QtDrawingSurface::Metrics()
{
    if (!metrics_)
        metrics_.emplace(qfont_, painter_.device());
    return *metrics_;
}

double QtDrawingSurface::StringWidth(const std::string& text)
{
    return Metrics().horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

FontMetricsRec QtDrawingSurface::GetFontMetrics()
{
    return {Metrics().ascent(), Metrics().descent()};
}

void QtDrawingSurface::DrawString(double x, double y, const std::string& text)
{
    if (text.empty())
        return;
    painter_.setFont(qfont_);
    painter_.setPen(ToQColor(fore_));
    painter_.drawText(QPointF(x, y), QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

// ---- pixels ----

std::unique_ptr<PixelSnapshot> QtDrawingSurface::CopyPixels(const Rect& r)
{
    if (!image_ || r.IsEmpty())
        return nullptr;
    auto snapshot = std::make_unique<ImageSnapshot>();
    snapshot->bounds = r;
    const QRect q = ToQRect(r);
    snapshot->pixels = image_->copy(QRect(qFloor(q.left() * dpr_), qFloor(q.top() * dpr_), qCeil(q.width() * dpr_),
                                          qCeil(q.height() * dpr_)));
    if (snapshot->pixels.isNull())
        return nullptr;
    snapshot->pixels.setDevicePixelRatio(dpr_);
    return snapshot;
}

void QtDrawingSurface::RestorePixels(const PixelSnapshot& saved)
{
    const auto* snapshot = dynamic_cast<const ImageSnapshot*>(&saved);
    if (!snapshot)
        return;
    painter_.save();
    painter_.resetTransform();
    painter_.setClipping(false);
    painter_.setCompositionMode(QPainter::CompositionMode_Source);
    painter_.drawImage(QPoint(saved.bounds.left, saved.bounds.top), snapshot->pixels);
    painter_.restore();
}
