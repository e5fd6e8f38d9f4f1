// The drawing surface on a QPainter: used on a QImage (PNG), a QSvgGenerator (SVG), a QPdfWriter
// (PDF) and, by the shell, on the graphics pane widget and a printer. Plot fonts map to DejaVu
// Sans at exact pixel sizes of the painter's device, so every target shows the same layout. On an
// image with a device pixel ratio (a high-density screen) the plot is laid out in its pixels and
// drawn at the device's resolution.
#pragma once

#include "DrawingSurface.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>

#include <optional>
#include <vector>

class QImage;

// The family that stands for the plot font and the system font.
inline constexpr const char* kPlotFontFamily = "DejaVu Sans";

// 16-bit channels to a Qt colour with the given opacity.
QColor ToQColor(const RGBColor& c, double alpha = 1.0);

class QtDrawingSurface : public DrawingSurface {
public:
    // Draws with painter, already active on its device, inside bounds. image, when given, is the
    // painter's device and makes pixel copies possible.
    QtDrawingSurface(QPainter& painter, const QRect& bounds, QImage* image = nullptr);
    ~QtDrawingSurface() override;

    Rect GetPortBounds() const override;
    void FlushPortBuffer(const Rect& r) override;

    void MoveTo(int h, int v) override;
    void LineTo(int h, int v) override;
    void PenNormal() override;
    void PenPatGray() override;
    void PenModeBlend(const RGBColor& weight) override;

    void RGBForeColor(const RGBColor& c) override { fore_ = c; }
    void RGBBackColor(const RGBColor& c) override { back_ = c; }
    RGBColor GetForeColor() const override { return fore_; }
    RGBColor GetBackColor() const override { return back_; }

    void PaintRect(const Rect& r) override;
    void EraseRect(const Rect& r) override;
    void FrameRect(const Rect& r) override;

    Rect GetClip() const override { return clip_; }
    void ClipRect(const Rect& r) override;

    void BeginVectorLayer() override;
    void EndVectorLayer() override;
    void SaveGState() override;
    void RestoreGState() override;
    void SetStrokeColor(const RGBColor& c, double alpha) override { vector_.stroke = ToQColor(c, alpha); }
    void SetFillColor(const RGBColor& c, double alpha) override { vector_.fill = ToQColor(c, alpha); }
    void SetLineWidth(double width) override { vector_.width = width; }
    void SetLineDash(bool dashed) override { vector_.dashed = dashed; }
    void SetLineJoin(LineJoin join) override { vector_.join = join; }
    void SetShouldAntialias(bool on) override;
    void ClipToRect(const RectF& r) override;
    void Translate(double dx, double dy) override;
    void Rotate(double degrees) override;
    void Scale(double sx, double sy) override;
    void StrokePath(const VectorPath& path) override;
    void FillPath(const VectorPath& path) override;

    void SetFont(const FontSpec& font) override;
    FontSpec GetFont() const override { return font_; }
    double StringWidth(const std::string& text) override;
    FontMetricsRec GetFontMetrics() override;
    void DrawString(double x, double y, const std::string& text) override;

    std::unique_ptr<PixelSnapshot> CopyPixels(const Rect& r) override;
    void RestorePixels(const PixelSnapshot& saved) override;

private:
    enum class PenKind { Solid, Gray, Blend };
    struct VectorState {
        QColor stroke{Qt::black};
        QColor fill{Qt::black};
        double width = 1;
        bool dashed = false;
        LineJoin join = LineJoin::Miter;
    };

    QPen IntegerPen() const;
    const QFontMetricsF& Metrics();

    QPainter& painter_;
    QImage* image_;
    Rect bounds_;
    bool pixelTarget_;  // raster device of one device pixel per pixel: the integer pen draws aliased
    double dpr_ = 1;    // device pixels per pixel of the plot
    RGBColor fore_{0, 0, 0};
    RGBColor back_{0xFFFF, 0xFFFF, 0xFFFF};
    PenKind penKind_ = PenKind::Solid;
    double blendWeight_ = 1;
    int penH_ = 0, penV_ = 0;
    Rect clip_;
    FontSpec font_;
    QFont qfont_;
    std::optional<QFontMetricsF> metrics_;
    VectorState vector_;
    std::vector<VectorState> saved_;
    int layerDepth_ = 0;
};
