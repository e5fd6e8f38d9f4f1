// A drawing surface for tests: records every drawing call with the state it was made in, and
// measures text with a fixed-pitch font (each character 0.6 of the size wide, ascent 0.8 and
// descent 0.2 of the size), so that expected positions can be worked out by hand.
#pragma once

#include "DrawingSurface.h"

#include <string>
#include <vector>

class RecordingSurface final : public DrawingSurface {
public:
    enum class Op { Line, PaintRect, EraseRect, FrameRect, Stroke, Fill, Text, CopyPixels, RestorePixels, Flush };
    enum class Pen { Solid, Gray, Blend };

    struct Call {
        Op op;
        RGBColor color{};          // foreground colour, or the stroke or fill colour of the layer
        double alpha = 1;          // vector layer alpha; blend weight of a blended pen
        Pen pen = Pen::Solid;
        Rect rect{};               // rectangles; the source of pixel copies
        int h1 = 0, v1 = 0, h2 = 0, v2 = 0;  // integer lines
        std::vector<PointF> points;  // path vertices (ellipses and rectangles by their corners), transformed
        int shapes = 0;            // subpaths, ellipses and rectangles of a path
        bool hasEllipse = false;
        std::string text;
        PointF origin{};           // text baseline start, transformed
        double angle = 0;          // text rotation, degrees counter-clockwise
        FontSpec font{};
        double lineWidth = 1;
        bool dashed = false;
        bool antialias = true;
        LineJoin join = LineJoin::Miter;
        bool inVectorLayer = false;
        Rect clip{};               // the integer clip when the call was made
        RectF vectorClip{};        // the layer's clip (the whole surface when none)
    };

    explicit RecordingSurface(Rect bounds = {0, 0, 600, 1000}, bool pixels = true);

    std::vector<Call> calls;
    int layersOpened = 0;  // BeginVectorLayer calls

    // Calls of one kind, and the texts drawn.
    std::vector<const Call*> Calls(Op op) const;
    std::vector<std::string> Texts() const;
    const Call* FindText(const std::string& text) const;
    int VectorDepth() const { return depth_; }

    Rect GetPortBounds() const override { return bounds_; }
    void FlushPortBuffer(const Rect& r) override;
    void MoveTo(int h, int v) override { penH_ = h, penV_ = v; }
    void LineTo(int h, int v) override;
    void PenNormal() override { pen_ = Pen::Solid, blend_ = 1; }
    void PenPatGray() override { pen_ = Pen::Gray; }
    void PenModeBlend(const RGBColor& weight) override;
    void RGBForeColor(const RGBColor& c) override { fore_ = c; }
    void RGBBackColor(const RGBColor& c) override { back_ = c; }
    RGBColor GetForeColor() const override { return fore_; }
    RGBColor GetBackColor() const override { return back_; }
    void PaintRect(const Rect& r) override { RectCall(Op::PaintRect, r, fore_); }
    void EraseRect(const Rect& r) override { RectCall(Op::EraseRect, r, back_); }
    void FrameRect(const Rect& r) override { RectCall(Op::FrameRect, r, fore_); }
    Rect GetClip() const override { return clip_; }
    void ClipRect(const Rect& r) override { clip_ = r; }
    void BeginVectorLayer() override;
    void EndVectorLayer() override;
    void SaveGState() override { stack_.push_back(state_); }
    void RestoreGState() override;
    void SetStrokeColor(const RGBColor& c, double alpha) override { state_.stroke = c, state_.strokeAlpha = alpha; }
    void SetFillColor(const RGBColor& c, double alpha) override { state_.fill = c, state_.fillAlpha = alpha; }
    void SetLineWidth(double width) override { state_.width = width; }
    void SetLineDash(bool dashed) override { state_.dashed = dashed; }
    void SetLineJoin(LineJoin join) override { state_.join = join; }
    void SetShouldAntialias(bool on) override { state_.antialias = on; }
    void ClipToRect(const RectF& r) override;
    void Translate(double dx, double dy) override;
    void Rotate(double degrees) override;
    void Scale(double sx, double sy) override;
    void StrokePath(const VectorPath& path) override { PathCall(Op::Stroke, path); }
    void FillPath(const VectorPath& path) override { PathCall(Op::Fill, path); }
    void SetFont(const FontSpec& font) override { font_ = font; }
    FontSpec GetFont() const override { return font_; }
    double StringWidth(const std::string& text) override;
    FontMetricsRec GetFontMetrics() override { return {0.8 * font_.size, 0.2 * font_.size}; }
    void DrawString(double x, double y, const std::string& text) override;
    std::unique_ptr<PixelSnapshot> CopyPixels(const Rect& r) override;
    void RestorePixels(const PixelSnapshot& saved) override;

private:
    struct LayerState {
        RGBColor stroke{}, fill{};
        double strokeAlpha = 1, fillAlpha = 1, width = 1;
        bool dashed = false, antialias = true;
        LineJoin join = LineJoin::Miter;
        double m[6] = {1, 0, 0, 1, 0, 0};  // x' = m0 x + m2 y + m4, y' = m1 x + m3 y + m5
        double angle = 0;
        RectF clip{};
    };
    PointF Map(double x, double y) const;
    Call Base(Op op) const;
    void RectCall(Op op, const Rect& r, const RGBColor& c);
    void PathCall(Op op, const VectorPath& path);

    Rect bounds_;
    bool pixels_;
    RGBColor fore_{0, 0, 0}, back_{0xFFFF, 0xFFFF, 0xFFFF};
    Pen pen_ = Pen::Solid;
    double blend_ = 1;
    int penH_ = 0, penV_ = 0;
    Rect clip_;
    FontSpec font_;
    LayerState state_;
    std::vector<LayerState> stack_;
    int depth_ = 0;
};
