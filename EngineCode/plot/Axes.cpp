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

int XTextSize(const DrawContext& dc)
{
    return dc.printing ? static_cast<int>(dc.printRes / 72.0 * 9) : 9;
}

double YTextSize(const DrawContext& dc)
{
    return dc.printing ? 9.0 * dc.resolutionFactor : 9.0;
}

void SetPlotFont(DrawingSurface& s, double size, unsigned face = kFacePlain)
{
    s.SetFont({kPlotFontName, size, face});
}

// The nice steps (1, 2 or 5 times a power of ten) in increasing order, from the largest one below
// a value.
class NiceSteps {
public:
    explicit NiceSteps(double below)
    {
        decade_ = std::floor(std::log10(below)) - 1;
        index_ = 0;
    }
    double Current() const { return kMantissas[index_] * std::pow(10.0, decade_); }
    int Mantissa() const { return kMantissas[index_]; }
    void Next()
    {
        if (++index_ == 3) {
            index_ = 0;
            ++decade_;
        }
    }
    void Previous()
    {
        if (index_-- == 0) {
            index_ = 2;
            --decade_;
        }
    }

private:
    static constexpr int kMantissas[3] = {1, 2, 5};
    double decade_ = 0;
    int index_ = 0;
};

// Ticks of step inside lo … hi: the first and how many.
struct TickRun {
    double first = 0;
    int count = 0;
};

TickRun TicksIn(double lo, double hi, double step)
{
    // A tick a hair outside the range (from rounding) still counts.
    const double slack = step * 1e-6;
    TickRun run;
    run.first = std::ceil((lo - slack) / step) * step;
    const double n = std::floor((hi + slack - run.first) / step) + 1;
    run.count = n > 0 ? static_cast<int>(std::min(n, 1e6)) : 0;
    return run;
}

// Minor ticks: fifths of a step of 1 or 5, quarters of a step of 2.
double MinorStepOf(double step, int mantissa)
{
    return step / (mantissa == 2 ? 4 : 5);
}

int DecimalsFor(double step)
{
    if (!(step > 0) || step >= 1)
        return 0;
    return std::min(6, static_cast<int>(std::ceil(-std::log10(step) - 1e-6)));
}

std::string FormatTick(double value, double step)
{
    const int decimals = DecimalsFor(step);
    // A tick on zero reached by rounding is written without a sign.
    if (std::fabs(value) < step * 1e-6)
        value = 0;
    return FormatFixed(value, 0, decimals);
}

// Unicode superscript digits and minus.
std::string Superscript(int n)
{
    static const char* const kDigits[10] = {"\u2070", "\u00B9", "\u00B2", "\u00B3", "\u2074",
                                            "\u2075", "\u2076", "\u2077", "\u2078", "\u2079"};
    std::string out = n < 0 ? "\u207B" : "";
    for (char c : std::to_string(std::abs(n)))
        out += kDigits[c - '0'];
    return out;
}

}  // namespace

XTicksRec ComputeXTicks(Float32 xmin, Float32 xmax, int plotWidth, int textSize)
{
    XTicksRec t;
    if (!(xmax > xmin) || !std::isfinite(xmin) || !std::isfinite(xmax) || plotWidth <= 0 || textSize <= 0)
        return t;
    const double lo = xmin, hi = xmax, range = hi - lo;
    if (!std::isfinite(range))
        return t;
    const int wanted = std::clamp(plotWidth / (8 * textSize), 1, kMaxLabelledTicks);
    // The smallest step that gives no more ticks than wanted.
    NiceSteps steps(range / (wanted + 1));
    while (TicksIn(lo, hi, steps.Current()).count > wanted)
        steps.Next();
    // A narrow plot still gets three numbers, as long as they do not touch.
    auto fits = [&](double step) {
        const TickRun run = TicksIn(lo, hi, step);
        const double last = run.first + step * (run.count - 1);
        const std::size_t chars = std::max(FormatTick(run.first, step).size(), FormatTick(last, step).size());
        const double labelWidth = (chars + 1) * 0.65 * textSize;
        return step * plotWidth / range >= labelWidth;
    };
    while (TicksIn(lo, hi, steps.Current()).count < kMinLabelledXTicks) {
        steps.Previous();
        if (!fits(steps.Current())) {
            steps.Next();
            break;
        }
    }
    const double step = steps.Current();
    const TickRun run = TicksIn(lo, hi, step);
    t.first = static_cast<Float32>(run.first);
    t.step = static_cast<Float32>(step);
    t.count = std::clamp(run.count, 0, plotWidth);
    t.minorStep = static_cast<Float32>(MinorStepOf(step, steps.Mantissa()));
    return t;
}

YTicksRec ComputeYTicks(Float32 ymin, Float32 ymax, int plotHeight, double rowUnit)
{
    YTicksRec t;
    const double range = static_cast<double>(ymax) - ymin;
    if (!(range > 0) || !std::isfinite(range) || !(rowUnit > 0))
        return t;
    int e = static_cast<int>(std::trunc(std::log10(range)));
    if (range / std::pow(10.0, e) < 1)
        --e;
    const double s = std::pow(10.0, e);
    t.exponent = e;
    t.scale = s;
    const int wanted = std::min(static_cast<int>(plotHeight / rowUnit), kMaxLabelledTicks);
    if (wanted < 2)
        return t;
    NiceSteps steps(range / (wanted + 1));
    while (TicksIn(ymin, ymax, steps.Current()).count > wanted)
        steps.Next();
    const double step = steps.Current();
    const TickRun run = TicksIn(ymin, ymax, step);
    t.first = static_cast<Float32>(run.first / s);
    t.step = static_cast<Float32>(step / s);
    t.count = std::clamp(run.count, 0, std::max(plotHeight, 0));
    t.minorStep = static_cast<Float32>(MinorStepOf(step, steps.Mantissa()) / s);
    return t;
}

bool IntensityAxisUsesMultiplier(int exponent)
{
    return exponent < -1 || exponent > 3;
}

std::string FormatXTickLabel(Float32 value, Float32 step)
{
    return FormatTick(value, step);
}

std::string FormatYTickLabel(double w, Float32 step)
{
    return FormatTick(w, step);
}

std::string XAxisTitle(int axisType)
{
    switch (axisType) {
    case kAxisTwoTheta: return "2\u03B8 (\u00B0)";
    case kAxisDSpacing: return "d (\u00C5)";
    case kAxisReciprocalD: return "1/d (\u00C5\u207B\u00B9)";
    case kAxisTimeOfFlight: return "Time of flight (ms)";
    case kAxisEnergy: return "Energy (keV)";
    default: return "x";
    }
}

std::string YAxisTitle(int exponent)
{
    if (!IntensityAxisUsesMultiplier(exponent))
        return "Intensity";
    return "Intensity (\u00D710" + Superscript(exponent) + ")";
}

void DrawXAxis(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, const Rect& plotRect, GraphFrameRec* gf)
{
    if (!gf || !GetWindowPlotSpecs(theWindow))
        return;
    SurfaceStateSaver saver(s);
    const double r = dc.resolutionFactor;
    const int ts = XTextSize(dc);
    SetPlotFont(s, ts);
    const XTicksRec ticks = ComputeXTicks(gf->xmin, gf->xmax, plotRect.Width(), ts);
    const int tickBottom = TruncPixel(plotRect.bottom + gf->tickSize * r);
    auto column = [&](double x) { return TruncPixel(plotRect.left + (x - gf->xmin) * static_cast<double>(gf->xscale)); };
    // Minor ticks, half as long, where they stand apart.
    if (ticks.minorStep > 0 && ticks.minorStep * gf->xscale >= 4 * r) {
        const int minorBottom = TruncPixel(plotRect.bottom + (gf->tickSize * r) / 2 + 1);
        const double first = std::ceil(gf->xmin / ticks.minorStep - 1e-6) * ticks.minorStep;
        for (double x = first; x <= gf->xmax + ticks.minorStep * 1e-6; x += ticks.minorStep) {
            const int col = column(x);
            if (col < plotRect.left || col >= plotRect.right)
                continue;
            s.MoveTo(col, plotRect.bottom + 2);
            s.LineTo(col, minorBottom);
        }
    }
    // The numbers hang a little below the tick ends.
    const int labelTop = TruncPixel(tickBottom + 2 * r);
    for (int i = 0; i < ticks.count; ++i) {
        const Float32 t = ticks.first + ticks.step * static_cast<Float32>(i);
        const int col = column(t);
        s.MoveTo(col, plotRect.bottom + 2);
        s.LineTo(col, tickBottom);
        const Rect box{RectCoord(labelTop), RectCoord(col - 5.0 * ts), RectCoord(labelTop + ts), RectCoord(col + 5.0 * ts)};
        DrawTextBox(s, FormatXTickLabel(t, ticks.step), box, TextJustify::Centre);
    }
    const int titleTop = TruncPixel(labelTop + ts + 3 * r);
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

void DrawYAxis(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, const Rect& plotRect, GraphFrameRec* gf)
{
    if (!gf || !GetWindowPlotSpecs(theWindow))
        return;
    SurfaceStateSaver saver(s);
    const double r = dc.resolutionFactor;
    const double ts = YTextSize(dc);
    SetPlotFont(s, ts);
    const YTicksRec ticks = ComputeYTicks(gf->ymin, gf->ymax, plotRect.Height(), 3 * ts);
    const int tickLeft = TruncPixel(plotRect.left - gf->tickSize * r);
    auto row = [&](double v) { return TruncPixel(plotRect.bottom - (v - gf->ymin) * gf->yscale); };
    if (ticks.count > 0 && ticks.minorStep > 0 && ticks.minorStep * ticks.scale * gf->yscale >= 4 * r) {
        const int minorLeft = TruncPixel(plotRect.left - (gf->tickSize * r) / 2 - 1);
        const double step = ticks.minorStep * ticks.scale;
        for (double v = std::ceil(gf->ymin / step - 1e-6) * step; v <= gf->ymax + step * 1e-6; v += step) {
            const int y = row(v);
            if (y < plotRect.top || y >= plotRect.bottom)
                continue;
            s.MoveTo(plotRect.left - 2, y);
            s.LineTo(minorLeft, y);
        }
    }
    // Numbers are the intensities themselves, or mantissas of the title's multiplier.
    const double labelScale = IntensityAxisUsesMultiplier(ticks.exponent) ? ticks.scale : 1.0;
    const Float32 labelStep = static_cast<Float32>(ticks.step * ticks.scale / labelScale);
    const double labelRight = tickLeft - 3 * r;
    for (int i = 0; i < ticks.count; ++i) {
        const double v = (static_cast<Float32>(i) * ticks.step + ticks.first) * ticks.scale;
        const int y = row(v);
        s.MoveTo(plotRect.left - 2, y);
        s.LineTo(tickLeft, y);
        const Rect box{RectCoord(y - ts / 2 - r), RectCoord(labelRight - 6 * ts), RectCoord(y + ts / 2 - r), RectCoord(labelRight)};
        DrawTextBox(s, FormatYTickLabel(v / labelScale, labelStep), box, TextJustify::FlushRight);
    }
    gf->numYTicks = static_cast<SInt16>(std::min(ticks.count, 32767));
    gf->deltaYTick = static_cast<Float32>(ticks.step * ticks.scale);
    gf->firstYTick = static_cast<Float32>(ticks.scale * ticks.first);

    const double c = tickLeft - kYTitleOffset * r;
    DrawLeftRotatedText(s, YAxisTitle(ticks.exponent), {plotRect.top, RectCoord(c - 6 * r), plotRect.bottom, RectCoord(c + 6 * r)},
                        true, std::nullopt);

    if (dc.printing) {
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

void DrawGraphFrame(DrawingSurface& s, const DrawContext& dc, const Rect& tempRect)
{
    if (dc.printing) {
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

void DrawLeftRotatedText(DrawingSurface& s, const std::string& text, const Rect& bounds, bool centred,
                         std::optional<RGBColor> hilite)
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
    if (hilite) {
        const Rect pill{RectCoord(start - w), RectCoord(baseline - m.ascent), RectCoord(start), RectCoord(baseline - m.ascent + h)};
        MyDrawHilitedRoundRect(s, pill, hilite);
        s.RGBForeColor(kRGBWhite);
    }
    VectorLayer layer(s);
    s.Translate(baseline, start);
    s.Rotate(90);
    s.DrawString(0, 0, shown);
}
