// Axes, ticks, grids and frames.
#include "Axes.h"

#include "Document.h"
#include "Globals.h"
#include "PlotPattern.h"
#include "PlotPixels.h"
#include "PlotShapes.h"
#include "TextBox.h"
#include "TextFormat.h"
#include "Versions.h"

#include <algorithm>
#include <cmath>

namespace {

// Steps of the x axis, in axis units.
constexpr Float32 kXSteps[15] = {0.01f, 0.02f, 0.05f, 0.1f, 0.2f, 0.5f, 1, 2, 5, 10, 15, 20, 25, 30, 60};
// Steps of the intensity axis, in units of the decade scale.
constexpr Float32 kYSteps[15] = {0.1f, 0.2f, 0.5f, 1, 2, 5, 10, 15, 20, 25, 30, 50, 100, 200, 500};

int XTextSize()
{
    return gPrinting ? static_cast<int>(gPrintRes / 72.0 * 9) : 9;
}

double YTextSize()
{
    return gPrinting ? 9.0 * gResolutionFactor : 9.0;
}

void SetPlotFont(DrawingSurface& s, double size, unsigned face = kFacePlain)
{
    s.SetFont({kPlotFontName, size, face});
}

}  // namespace

XTicksRec ComputeXTicks(Float32 xmin, Float32 xmax, int plotWidth, int textSize)
{
    XTicksRec t;
    if (!(xmax > xmin) || !std::isfinite(xmin) || !std::isfinite(xmax) || plotWidth <= 0 || textSize <= 0)
        return t;
    int n = plotWidth / (8 * textSize);
    // A plot too narrow for two ticks spaces them by the whole range.
    const Float32 spacing = n >= 2 ? (xmax - xmin) / static_cast<Float32>(n - 1) : xmax - xmin;
    if (n < 1)
        n = 1;
    Float32 step = 0.01f;
    for (Float32 v : kXSteps)
        if (v <= spacing)
            step = v;
    Float32 t0 = std::trunc(xmin / step) * step + step;
    if (t0 == xmin + step)
        t0 = xmin;
    Float32 last = t0 + step * static_cast<Float32>(n - 1);
    if (last <= xmax) {
        n += static_cast<int>(std::min<double>((xmax - last) / step, plotWidth));
    } else {
        while (last > xmax && n > 0) {
            --n;
            last -= step;
        }
    }
    // Never more ticks than pixels.
    t.first = t0;
    t.step = step;
    t.count = std::clamp(n, 0, plotWidth);
    return t;
}

YTicksRec ComputeYTicks(Float32 ymin, Float32 ymax, int plotHeight, double rowUnit)
{
    YTicksRec t;
    const Float32 range = ymax - ymin;
    if (!(range > 0) || !std::isfinite(range) || !(rowUnit > 0))
        return t;
    int e = static_cast<int>(std::trunc(std::log10(static_cast<double>(range))));
    Float32 m = static_cast<Float32>(range / std::pow(10.0, e));
    if (m < 1) {
        m *= 10;
        --e;
    }
    const double s = std::pow(10.0, e);
    t.exponent = e;
    t.scale = s;
    int n = std::min(static_cast<int>(plotHeight / rowUnit), 20);
    if (n < 2)
        return t;
    Float32 step = 0.1f;
    for (Float32 v : kYSteps)
        if (v <= m / static_cast<Float32>(n - 1))
            step = v;
    Float32 f = 0;
    if (ymin != 0) {
        f = step * std::trunc(static_cast<Float32>(ymin / s) / step);
        if (ymin > 0 && s * f < ymin)
            f += step;
    }
    Float32 last = static_cast<Float32>(n - 1) * step + f;
    if (s * last <= ymax) {
        const double q = (ymax / s - last) / step;
        const double whole = std::trunc(q);
        n += static_cast<int>(std::min(whole, 1000.0)) + (q - whole > 0.97 ? 1 : 0);
    } else {
        while (s * last > ymax && n > 0) {
            last -= step;
            --n;
        }
    }
    t.first = f;
    t.step = step;
    t.count = std::clamp(n, 0, std::max(plotHeight, 0));
    return t;
}

std::string FormatXTickLabel(Float32 value, Float32 step)
{
    if (step >= 1)
        return FormatInt(static_cast<long long>(std::trunc(value)), 0);
    if (step >= 0.1f)
        return FormatFixed(value, 0, 1);
    return FormatFixed(value, 0, 2);
}

std::string FormatYTickLabel(double w, Float32 step)
{
    if (step < 1)
        return FormatFixed(w, 0, 1);
    const double whole = std::trunc(std::fabs(w));
    if (whole >= 1001)
        return "***";
    if (whole < 10)
        return FormatFixed(w, 0, 1);
    return FormatInt(std::lround(w), 0);
}

std::string XAxisTitle(int axisType)
{
    switch (axisType) {
    case kAxisTwoTheta: return "Two Theta [degrees]";
    case kAxisDSpacing: return "d-Spacing [A]";
    case kAxisReciprocalD: return "1/d [Reciprocal Angstroms]";
    case kAxisTimeOfFlight: return "Time-of-Flight [ms]";
    case kAxisEnergy: return "Energy [keV]";
    default: return "x [arbitrary units]";
    }
}

std::string YAxisTitle(int exponent)
{
    switch (exponent) {
    case 0: return "Intensity";
    case 1: return "Intensity (x 0.1)";
    case 2: return "Intensity (x 0.01)";
    case 3: return "Intensity (x 0.001)";
    default: return "Intensity (x 10^" + std::to_string(-exponent) + ")";
    }
}

void DrawXAxis(DrawingSurface& s, WinInfoRec* theWindow, const Rect& plotRect, GraphFrameRec* gf)
{
    if (!gf || !GetWindowPlotSpecs(theWindow))
        return;
    SurfaceStateSaver saver(s);
    const double r = gResolutionFactor;
    const int ts = XTextSize();
    SetPlotFont(s, ts);
    const XTicksRec ticks = ComputeXTicks(gf->xmin, gf->xmax, plotRect.Width(), ts);
    const int tickBottom = TruncPixel(plotRect.bottom + gf->tickSize * r);
    for (int i = 0; i < ticks.count; ++i) {
        const Float32 t = ticks.first + ticks.step * static_cast<Float32>(i);
        const int col = TruncPixel(plotRect.left + (t - gf->xmin) * static_cast<double>(gf->xscale));
        s.MoveTo(col, plotRect.bottom + 2);
        s.LineTo(col, tickBottom);
        const Rect box{RectCoord(tickBottom), RectCoord(col - 5.0 * ts), RectCoord(tickBottom + ts), RectCoord(col + 5.0 * ts)};
        DrawTextBox(s, FormatXTickLabel(t, ticks.step), box, TextJustify::Centre);
    }
    const int titleTop = TruncPixel(ts + tickBottom + r);
    DrawXAxisLabel(s, {RectCoord(titleTop), plotRect.left, RectCoord(titleTop + ts + r), plotRect.right},
                   GetWindowPlotSpecs(theWindow)->axisType);
    gf->deltaXTick = ticks.step;
    gf->numXTicks = static_cast<SInt16>(std::min(ticks.count, 32767));
    gf->firstXTick = ticks.first;
}

void DrawXAxisLabel(DrawingSurface& s, const Rect& labelRect, int axisType)
{
    DrawTextBox(s, XAxisTitle(axisType), labelRect, TextJustify::Centre);
}

void DrawYAxis(DrawingSurface& s, WinInfoRec* theWindow, const Rect& plotRect, GraphFrameRec* gf)
{
    if (!gf || !GetWindowPlotSpecs(theWindow))
        return;
    SurfaceStateSaver saver(s);
    const double r = gResolutionFactor;
    const double ts = YTextSize();
    SetPlotFont(s, ts);
    const YTicksRec ticks = ComputeYTicks(gf->ymin, gf->ymax, plotRect.Height(), 3 * ts);
    const int tickLeft = TruncPixel(plotRect.left - gf->tickSize * r);
    for (int i = 0; i < ticks.count; ++i) {
        const double v = (static_cast<Float32>(i) * ticks.step + ticks.first) * ticks.scale;
        const int y = TruncPixel(plotRect.bottom - (v - gf->ymin) * gf->yscale);
        s.MoveTo(plotRect.left - 2, y);
        s.LineTo(tickLeft, y);
        const Rect box{RectCoord(y - ts / 2 - r), RectCoord(tickLeft - 5 * ts), RectCoord(y + ts / 2 - r), RectCoord(tickLeft - r)};
        DrawTextBox(s, FormatYTickLabel(v / ticks.scale, ticks.step), box, TextJustify::FlushRight);
    }
    gf->numYTicks = static_cast<SInt16>(std::min(ticks.count, 32767));
    gf->deltaYTick = static_cast<Float32>(ticks.step * ticks.scale);
    gf->firstYTick = static_cast<Float32>(ticks.scale * ticks.first);

    const double c = tickLeft - 25 * r;
    DrawLeftRotatedText(s, YAxisTitle(ticks.exponent), {plotRect.top, RectCoord(c - 6 * r), plotRect.bottom, RectCoord(c + 6 * r)},
                        true, false);

    if (gPrinting) {
        SetPlotFont(s, ts, kFaceItalic);
        const std::string footer = "Printed from Velmora " + CanonicalVersStr(kVelmoraVersionCode);
        DrawTextBox(s, footer, {RectCoord(plotRect.top - 15 * r), plotRect.left, plotRect.bottom, plotRect.right},
                    TextJustify::FlushRight);
    }
}

void DrawGrids(DrawingSurface& s, const Rect& plotRect, const GraphFrameRec* gf)
{
    if (!gf)
        return;
    SurfaceStateSaver saver(s);
    s.RGBForeColor(gf->frameColor);
    for (int k = 0; k < gf->numYTicks; ++k) {
        const double y = gf->firstYTick + k * static_cast<double>(gf->deltaYTick);
        const int row = TruncPixel(plotRect.bottom - (y - gf->ymin) * gf->yscale);
        // A line on the frame's own rows would paint over it.
        if (row <= plotRect.top || row >= plotRect.bottom)
            continue;
        s.MoveTo(plotRect.left + 1, row);
        s.LineTo(plotRect.right - 2, row);
    }
    for (int k = 0; k < gf->numXTicks; ++k) {
        const double x = gf->firstXTick + k * static_cast<double>(gf->deltaXTick);
        const int col = TruncPixel(plotRect.left + (x - gf->xmin) * gf->xscale);
        if (col <= plotRect.left || col >= plotRect.right)
            continue;
        s.MoveTo(col, plotRect.bottom - 1);
        s.LineTo(col, plotRect.top + 1);
    }
}

void DrawGraphFrame(DrawingSurface& s, const Rect& tempRect)
{
    if (gPrinting) {
        s.RGBForeColor(kRGBBlack);
        s.FrameRect(tempRect);
    } else {
        s.RGBForeColor(kRGBDkWhite);
        s.MoveTo(tempRect.left, tempRect.bottom);
        s.LineTo(tempRect.left, tempRect.top);
        s.LineTo(tempRect.right - 1, tempRect.top);
    }
    s.RGBForeColor(kRGBBlack);
}

void DrawLeftRotatedText(DrawingSurface& s, const std::string& text, const Rect& bounds, bool centred, bool selected)
{
    const std::string shown = TruncateText(s, StripCrystalExtension(text), bounds.Height(), TruncateWhere::End);
    if (shown.empty())
        return;
    const double w = s.StringWidth(shown);
    const FontMetricsRec m = s.GetFontMetrics();
    const double h = m.ascent + m.descent;
    const double centre = (bounds.left + bounds.right) / 2.0;
    const double start = centred ? (bounds.top + bounds.bottom) / 2.0 + w / 2 : bounds.bottom;
    // Turned upwards, the ascent lies to the left of the baseline: centre the line's height on
    // the centre column.
    const double baseline = centre + (m.ascent - m.descent) / 2;
    SurfaceStateSaver saver(s);
    if (selected) {
        const Rect pill{RectCoord(start - w), RectCoord(baseline - m.ascent), RectCoord(start), RectCoord(baseline - m.ascent + h)};
        MyDrawHilitedRoundRect(s, pill, true);
        s.RGBForeColor(kRGBWhite);
    }
    VectorLayer layer(s);
    s.Translate(baseline, start);
    s.Rotate(90);
    s.DrawString(0, 0, shown);
}
