// The drawing surface that every plot is rendered on: a window's graphics pane, an image, a vector
// file or a printer page. The rendering code (PlotPattern, Axes, GraphMode, FilmMode, PeakLabels,
// RichText, CursorBox) is written only against this class; platform/ implements it with Qt, and
// the tests record what is drawn on it.
//
// Coordinates are pixels of the surface, origin top left, y down. The integer pen works on whole
// pixels (a line from (h1, v1) to (h2, v2) covers both end pixels; a Rect covers columns left to
// right − 1 and rows top to bottom − 1). The anti-aliased vector layer works on the same axes with
// fractional coordinates in which whole numbers are the pixel edges, so the centre of pixel (h, v)
// is (h + 0.5, v + 0.5).
#pragma once

#include "Types.h"

#include <memory>
#include <string>
#include <vector>

struct PointF {
    double x = 0, y = 0;
    friend bool operator==(const PointF&, const PointF&) = default;
};

// Fractional rectangle, y down.
struct RectF {
    double left = 0, top = 0, right = 0, bottom = 0;
    double Width() const { return right - left; }
    double Height() const { return bottom - top; }
    bool IsEmpty() const { return !(right > left) || !(bottom > top); }
};

inline RectF ToRectF(const Rect& r)
{
    return {static_cast<double>(r.left), static_cast<double>(r.top), static_cast<double>(r.right),
            static_cast<double>(r.bottom)};
}

enum class LineJoin { Miter, Round, Bevel };

// Font faces, combinable.
enum : unsigned { kFacePlain = 0, kFaceBold = 1, kFaceItalic = 2 };

// The font of plot texts; the platform maps it to a sans-serif family it has.
inline constexpr const char* kPlotFontName = "Geneva";
// The small system font of messages in the pane.
inline constexpr const char* kSystemFontName = "System";

struct FontSpec {
    std::string family = kPlotFontName;
    double size = 9;        // pixels of the surface
    unsigned face = kFacePlain;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// Distances from the baseline to the top and bottom of a line of text, in pixels.
struct FontMetricsRec {
    double ascent = 0;
    double descent = 0;
};

// A path of the vector layer: subpaths of straight segments, plus whole ellipses and rounded
// rectangles.
class VectorPath {
public:
    enum class Op { MoveTo, LineTo, Close, Ellipse, RoundedRect };
    struct Element {
        Op op;
        PointF p{};       // MoveTo, LineTo
        RectF r{};        // Ellipse, RoundedRect
        double radius = 0;  // RoundedRect
    };

    void MoveTo(double x, double y) { elements_.push_back({Op::MoveTo, {x, y}, {}, 0}); }
    void LineTo(double x, double y) { elements_.push_back({Op::LineTo, {x, y}, {}, 0}); }
    void Close() { elements_.push_back({Op::Close, {}, {}, 0}); }
    // The ellipse inscribed in r.
    void AddEllipse(const RectF& r) { elements_.push_back({Op::Ellipse, {}, r, 0}); }
    // A rectangle with corners rounded to radius (0: square corners).
    void AddRoundedRect(const RectF& r, double radius) { elements_.push_back({Op::RoundedRect, {}, r, radius}); }
    // An open subpath through the points (nothing for fewer than two).
    void AddPolyline(const std::vector<PointF>& points);
    // A closed subpath through the points (nothing for fewer than three).
    void AddPolygon(const std::vector<PointF>& points);

    const std::vector<Element>& Elements() const { return elements_; }
    bool IsEmpty() const { return elements_.empty(); }

private:
    std::vector<Element> elements_;
};

// Pixels copied off the surface, to be put back later (what lies under a moving cursor line).
class PixelSnapshot {
public:
    virtual ~PixelSnapshot() = default;
    Rect bounds{};  // where the pixels came from
};

class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;

    // ---- target ----
    // The whole drawable area.
    virtual Rect GetPortBounds() const = 0;
    // Pushes what was drawn inside r to the screen (nothing for off-screen targets).
    virtual void FlushPortBuffer(const Rect& r) = 0;

    // ---- integer pen (one pixel wide, in the foreground colour) ----
    virtual void MoveTo(int h, int v) = 0;
    // Draws from the pen position to (h, v), both ends included, and moves the pen there.
    virtual void LineTo(int h, int v) = 0;
    // Solid pen, copy mode.
    virtual void PenNormal() = 0;
    // The pen draws through a 50 % grey pattern (every other pixel).
    virtual void PenPatGray() = 0;
    // Blend mode: each drawn pixel becomes weight × pen colour + (1 − weight) × what was there,
    // per channel (weight 65535 is the pen colour alone). PenNormal ends it.
    virtual void PenModeBlend(const RGBColor& weight) = 0;

    // ---- colours ----
    virtual void RGBForeColor(const RGBColor& c) = 0;
    virtual void RGBBackColor(const RGBColor& c) = 0;
    virtual RGBColor GetForeColor() const = 0;
    virtual RGBColor GetBackColor() const = 0;

    // ---- rectangles ----
    virtual void PaintRect(const Rect& r) = 0;   // filled with the foreground colour
    virtual void EraseRect(const Rect& r) = 0;   // filled with the background colour
    virtual void FrameRect(const Rect& r) = 0;   // its outermost pixels, in the foreground colour

    // ---- clipping of everything drawn (integer pen, vector layer and text) ----
    virtual Rect GetClip() const = 0;
    virtual void ClipRect(const Rect& r) = 0;    // replaces the clip

    // ---- anti-aliased vector layer ----
    // Opens the layer with its state reset: black stroke and fill, alpha 1, width 1, solid,
    // miter joins, anti-aliasing on, no transform. Every call below needs an open layer.
    virtual void BeginVectorLayer() = 0;
    virtual void EndVectorLayer() = 0;
    // Saves and restores the whole layer state: colours, width, dash, join, anti-aliasing,
    // transform and clip.
    virtual void SaveGState() = 0;
    virtual void RestoreGState() = 0;
    virtual void SetStrokeColor(const RGBColor& c, double alpha) = 0;
    virtual void SetFillColor(const RGBColor& c, double alpha) = 0;
    virtual void SetLineWidth(double width) = 0;
    // Dashes of gDashLengths (2 on, 2 off, phase 0) or a solid line.
    virtual void SetLineDash(bool dashed) = 0;
    virtual void SetLineJoin(LineJoin join) = 0;
    virtual void SetShouldAntialias(bool on) = 0;
    // Narrows the clip to r (in the current transform).
    virtual void ClipToRect(const RectF& r) = 0;
    virtual void Translate(double dx, double dy) = 0;
    // Turns what follows counter-clockwise on the screen by degrees.
    virtual void Rotate(double degrees) = 0;
    virtual void Scale(double sx, double sy) = 0;
    virtual void StrokePath(const VectorPath& path) = 0;
    virtual void FillPath(const VectorPath& path) = 0;

    // ---- text (UTF-8) ----
    virtual void SetFont(const FontSpec& font) = 0;
    virtual FontSpec GetFont() const = 0;
    virtual double StringWidth(const std::string& text) = 0;
    virtual FontMetricsRec GetFontMetrics() = 0;
    // Draws text in the current font and foreground colour with its baseline starting at (x, y);
    // inside the vector layer the layer's transform applies.
    virtual void DrawString(double x, double y, const std::string& text) = 0;

    // ---- pixels ----
    // A copy of the pixels under r, or null where the target has no pixels (vector files).
    virtual std::unique_ptr<PixelSnapshot> CopyPixels(const Rect& r) = 0;
    // Puts saved pixels back where they came from.
    virtual void RestorePixels(const PixelSnapshot& saved) = 0;
};

// The dash pattern of dashed lines, in pixels: on, off.
inline constexpr double gDashLengths[2] = {2.0, 2.0};

// Saves the foreground and background colours and the font, and restores them when it goes.
class SurfaceStateSaver {
public:
    explicit SurfaceStateSaver(DrawingSurface& s)
        : s_(s), fore_(s.GetForeColor()), back_(s.GetBackColor()), font_(s.GetFont())
    {
    }
    ~SurfaceStateSaver()
    {
        s_.RGBForeColor(fore_);
        s_.RGBBackColor(back_);
        s_.SetFont(font_);
    }
    SurfaceStateSaver(const SurfaceStateSaver&) = delete;
    SurfaceStateSaver& operator=(const SurfaceStateSaver&) = delete;

private:
    DrawingSurface& s_;
    RGBColor fore_, back_;
    FontSpec font_;
};

// Opens the vector layer and closes it when it goes.
class VectorLayer {
public:
    explicit VectorLayer(DrawingSurface& s) : s_(s) { s_.BeginVectorLayer(); }
    ~VectorLayer() { s_.EndVectorLayer(); }
    VectorLayer(const VectorLayer&) = delete;
    VectorLayer& operator=(const VectorLayer&) = delete;

private:
    DrawingSurface& s_;
};

// Keeps the clip and restores it when it goes.
class ClipSaver {
public:
    explicit ClipSaver(DrawingSurface& s) : s_(s), clip_(s.GetClip()) {}
    ~ClipSaver() { s_.ClipRect(clip_); }
    ClipSaver(const ClipSaver&) = delete;
    ClipSaver& operator=(const ClipSaver&) = delete;

private:
    DrawingSurface& s_;
    Rect clip_;
};
