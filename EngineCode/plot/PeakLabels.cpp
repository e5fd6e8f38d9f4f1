// Peak markers, peak profile overlays and peak labels.
#include "PeakLabels.h"

#include "ClipGeometry.h"
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "PlotPattern.h"
#include "PlotPixels.h"
#include "Profile.h"
#include "RichText.h"
#include "TextBox.h"
#include "TextFormat.h"
#include "ViewTransforms.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

bool IsStickFunction(const PlotSpecsRec& ps)
{
    return (ps.plotType < 0 ? -ps.plotType : ps.plotType) == kPeakFunctionDelta;
}

// Number with the precision chosen by the size of its whole part: thresholds for 1, 2 and 3
// decimals, else 4.
std::string FormatByMagnitude(double v, double for1, double for2, double for3)
{
    const double whole = std::trunc(v);
    const int decimals = whole >= for1 ? 1 : whole >= for2 ? 2 : whole >= for3 ? 3 : 4;
    return FormatFixed(v, 5, decimals);
}

}  // namespace

bool ComparePeaksByIntensity(const PeakIndexRec& peak1, const PeakIndexRec& peak2)
{
    const double a = static_cast<double>(peak1.xp->refs[static_cast<std::size_t>(peak1.index)].inty) * peak1.xp->volFrac;
    const double b = static_cast<double>(peak2.xp->refs[static_cast<std::size_t>(peak2.index)].inty) * peak2.xp->volFrac;
    return a > b;
}

WavelengthLinesRec GetWavelengthLines(const PlotSpecsRec& ps)
{
    WavelengthLinesRec lines;
    if (ps.axisType == kAxisTwoTheta && !ps.monochromatic) {
        lines.second = true;
        lines.weight1 = ps.lambdaRatio / (ps.lambdaRatio + 1.0);
        lines.weight2 = 1 - lines.weight1;
    }
    return lines;
}

bool SecondLinePosition(const PlotSpecsRec& ps, const CrystalDataRec& xp, const ReflexionRec& ref, double* x)
{
    const double twoTheta = TwoThetaAt(ps, ps.lambda2, ref.dsp);
    if (!std::isfinite(twoTheta))
        return false;
    *x = twoTheta + xp.xOffset;
    return true;
}

// ---- markers ----

void OverlayPeakMarkers(DrawingSurface& s, WinInfoRec* theWindow, int first, int last)
{
    const PlotView view = MakePlotView(theWindow, first, last);
    if (view.width <= 0)
        return;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    const Rect plot = view.plot;
    first = view.first;
    last = view.last;
    const WavelengthLinesRec lines = GetWavelengthLines(ps);
    const double H = PeakArea2Height(&ps);
    const double upper = ps.plotType > 0 ? ps.ymax : 0;
    auto row = [&](double v, bool foot) {
        if (v > upper)
            return static_cast<int>(plot.top);
        if (v < ps.ymin)
            return static_cast<int>(plot.bottom);
        return TruncPixel(plot.bottom - (foot ? 1 : 0) - (v - ps.ymin) * ps.yscale);
    };
    SurfaceStateSaver saver(s);
    for (VLPatternPtr pp : theWindow->plotList) {
        if (pp->type != kPatternTypeCrystal || !pp->crystal)
            continue;
        const CrystalDataRec& xp = *pp->crystal;
        s.RGBForeColor(xp.plotColor);
        for (int line = 0; line < (lines.second ? 2 : 1); ++line) {
            const double factor = lines.second ? (line == 0 ? lines.weight1 : lines.weight2) * H : H;
            if (line == 0)
                s.PenNormal();
            else
                s.PenPatGray();
            for (const ReflexionRec& ref : xp.refs) {
                double x = ref.tth;
                if (line == 1 && !SecondLinePosition(ps, xp, ref, &x))
                    continue;
                const double colD = std::trunc((x - ps.xmin) * ps.xscale);
                if (!(colD >= first && colD <= last))
                    continue;
                const int col = plot.left + static_cast<int>(colD);
                const double base = Baseline(&xp, static_cast<Float32>(x));
                s.MoveTo(col, row(base, true));
                s.LineTo(col, row(base + factor * ref.inty * xp.volFrac, false));
            }
        }
        s.PenNormal();
    }
}

// ---- profiles ----

void OverlayPeakProfiles(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, bool useFilledPeaks,
                         bool useDashedLines)
{
    if (!theWindow || GetNumCrystalsInPlotList(theWindow) == 0)
        return;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    const Rect plot = theWindow->plotRect;
    const int W = plot.Width();
    if (W <= 0 || !(ps.xmax > ps.xmin))
        return;

    std::vector<PeakIndexRec> peaks;
    for (VLPatternPtr pp : theWindow->plotList)
        if (pp->type == kPatternTypeCrystal && pp->crystal)
            for (AtomIndex i = 0; i < pp->crystal->nRefs(); ++i)
                peaks.push_back({i, pp->crystal.get()});
    std::sort(peaks.begin(), peaks.end(), ComparePeaksByIntensity);

    const WavelengthLinesRec lines = GetWavelengthLines(ps);
    const bool withoutOffset = ps.plotMixture || ps.plotType < 0;
    const double xPerPixel = (static_cast<double>(ps.xmax) - ps.xmin) / W;
    const RectF clip = ToRectF(plot);

    VectorLayer layer(s);
    s.ClipToRect(clip);
    s.SetLineJoin(LineJoin::Round);
    s.SetLineDash(useDashedLines);
    const CrystalDataRec* styled = nullptr;
    std::vector<PointF> pts;
    for (const PeakIndexRec& peak : peaks) {
        const CrystalDataRec& xp = *peak.xp;
        const ReflexionRec& ref = xp.refs[static_cast<std::size_t>(peak.index)];
        const double range = 6.0 * ref.halfWidth;
        if (!(ref.tth - range <= ps.xmax && ref.tth + range >= ps.xmin))
            continue;
        const double span = range * ps.xscale;  // half span in pixels
        const double n = std::trunc(span);
        double step;
        long kFirst, kLast;
        if (n >= 11) {
            step = 1;
            kFirst = -static_cast<long>(std::min(n, 1e6));
            kLast = -kFirst;
        } else if (n > 0) {
            step = 0.1;
            kFirst = static_cast<long>(std::trunc(-10 * span));
            kLast = static_cast<long>(std::trunc(10 * span));
        } else {
            step = 0.1;
            kFirst = -10;
            kLast = 10;
        }
        double x2 = 0;
        const bool second = lines.second && SecondLinePosition(ps, xp, ref, &x2);
        if (lines.second)
            kLast *= 2;

        // Samples centred on the peak, so that the whole profile is drawn; those beyond a step
        // outside the plot would be clipped away and are not computed.
        const double c0 = plot.left + (ref.tth - ps.xmin) * ps.xscale;
        kFirst = std::max(kFirst, static_cast<long>(std::max(std::ceil((plot.left - 1 - c0) / step), -2e9)));
        kLast = std::min(kLast, static_cast<long>(std::min(std::floor((plot.right + 1 - c0) / step), 2e9)));
        pts.clear();
        for (long k = kFirst; k <= kLast; ++k) {
            const double x = ref.tth + k * step * xPerPixel;
            double p = GetProfileIntensityAtPoint(static_cast<Float32>(x), ref.tth, ref.inty, ref.halfWidth, ps.plotType, ps.eta);
            if (lines.second) {
                p *= lines.weight1;
                if (second)
                    p += lines.weight2 * GetProfileIntensityAtPoint(static_cast<Float32>(x), static_cast<Float32>(x2),
                                                                     ref.inty, ref.halfWidth, ps.plotType, ps.eta);
            }
            double value = Baseline(&xp, static_cast<Float32>(x)) + p * xp.volFrac;
            if (withoutOffset)
                value -= xp.yOffset;
            pts.push_back({c0 + k * step, plot.bottom - (value - ps.ymin) * ps.yscale});
        }
        if (pts.size() < 2)
            continue;
        if (styled != &xp) {
            styled = &xp;
            const RGBColor c = xp.plotColor;
            auto tint = [](UInt16 v) { return static_cast<UInt16>(0.6 * v + 0.4 * 65535); };
            s.SetFillColor({tint(c.red), tint(c.green), tint(c.blue)}, 1.0);
            s.SetStrokeColor(c, 1.0);
            s.SetLineWidth(MyPenSizeForPrinting(dc, xp.lineWidth));
        }
        if (useFilledPeaks) {
            std::vector<PointF> poly = pts;
            poly.push_back({pts.back().x, static_cast<double>(plot.bottom)});
            poly.push_back({pts.front().x, static_cast<double>(plot.bottom)});
            VectorPath fill;
            fill.AddPolygon(ClipPolygon(poly, clip));
            s.FillPath(fill);
        }
        const double lineWidth = MyPenSizeForPrinting(dc, xp.lineWidth);
        LiftOntoStrokeBottom(pts, clip, lineWidth);
        VectorPath stroke;
        for (const std::vector<PointF>& piece : ClipPolyline(pts, StrokeClipRect(clip, lineWidth)))
            stroke.AddPolyline(piece);
        s.StrokePath(stroke);
    }
}

// ---- labels ----

Float32 PeakLabelThreshold(const CrystalDataRec& xp, const PlotSpecsRec& ps)
{
    // A percentage of the tallest peak an autoscaled graph shows, not of the headroom above it.
    double t = xp.labelThreshold * 0.01 * ps.ymax * (ps.plotType > 0 ? 1 - kAutoscaleHeadroom : 1.0);
    if (!IsStickFunction(ps))
        t *= ps.fwhm;
    return static_cast<Float32>(t);
}

std::string MakePeakLabelText(const CrystalDataRec& xp, const ReflexionRec& peak, const std::string& phaseName,
                              int axisType)
{
    std::string text;
    auto add = [&text](const std::string& part) {
        if (!text.empty())
            text += " / ";
        text += part;
    };
    if (xp.labelPhases)
        add(StripCrystalExtension(phaseName));
    if (xp.labelHKL)
        add(FormatHKLWithOverbars(peak.h, peak.k, peak.l));
    if (xp.labelDSpacings)
        add(FormatByMagnitude(peak.dsp, 100, 10, 2) + " \u00C5");
    if (xp.labelTwoTheta) {
        const char* unit = axisType == kAxisTwoTheta        ? "\xC2\xB0"
                           : axisType == kAxisDSpacing      ? " \u00C5"
                           : axisType == kAxisReciprocalD   ? " \u00C5\u207B\u00B9"
                           : axisType == kAxisTimeOfFlight  ? " ms"
                           : axisType == kAxisEnergy        ? " keV"
                                                            : "";
        add(FormatByMagnitude(peak.tth, 100, 10, 1) + unit);
    }
    return text;
}

PeakLabelPlacement PlacePeakLabel(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, const CrystalDataRec& xp,
                                  const std::string& phaseName, const ReflexionRec& peak, const Rect& plotRect,
                                  double trueTextSize)
{
    PeakLabelPlacement p;
    if (!theWindow)
        return p;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    const double r = dc.resolutionFactor;
    const int W = plotRect.Width();
    const int c = plotRect.left + TruncPixel((peak.tth - ps.xmin) * ps.xscale);
    p.column = c;
    p.text = MakePeakLabelText(xp, peak, phaseName, ps.axisType);
    SurfaceStateSaver saver(s);
    const double textWidth = RichTextWidth(s, p.text, kPlotFontName, trueTextSize);
    const int L = TruncPixel(textWidth + 17 * r);

    int y;
    if (ps.plotType < 0) {
        y = plotRect.top + L + 1;
    } else {
        double h;
        if (IsStickFunction(ps)) {
            h = static_cast<double>(peak.inty) * xp.volFrac;
        } else {
            // A peak narrower than a few columns may have its top in a neighbouring column.
            const int i = std::min(c - plotRect.left, W - 1);
            const int reach = std::clamp(static_cast<int>(std::ceil(peak.halfWidth * ps.xscale)), 1, 50);
            h = 0;
            for (int k = std::max(i - reach, 0); k <= std::min(i + reach, xp.nBufferPts() - 1); ++k)
                h = std::max(h, static_cast<double>(xp.plotBuffer[static_cast<std::size_t>(k)]) * xp.volFrac);
        }
        const double value = Baseline(&xp, peak.tth) + h;
        const double row = plotRect.bottom - (value - ps.ymin) * ps.yscale;
        y = row < plotRect.top - 1e4 ? plotRect.top - 1 : TruncPixel(row) - static_cast<int>(4 * r);
    }
    s.SetFont({kPlotFontName, trueTextSize, kFacePlain});
    const FontMetricsRec fm = s.GetFontMetrics();
    const double barb = 2 * r;
    // Too tall for the text above it: the text stands beside the peak's top, clear of its line
    // (and of its flank, half a width out), with an arrow at the frame when the peak leaves the
    // plot.
    if (ps.plotType > 0 && y - L < plotRect.top) {
        p.kind = y < plotRect.top ? PeakLabelPlacement::Kind::BesideAboveTop : PeakLabelPlacement::Kind::Beside;
        const double flank = std::max(2 * r, 0.5 * peak.halfWidth * ps.xscale);
        p.textX = c + flank + 2 * r + fm.ascent;
        p.textY = plotRect.top + 3 * r + textWidth;
        p.tip = plotRect.top + 1;
        p.box = {RectCoord(plotRect.top), RectCoord(c - barb - 1), RectCoord(p.textY + 1),
                 RectCoord(p.textX + fm.descent + 1)};
    } else {
        if (y - L < plotRect.top)
            y = plotRect.top + L;
        p.kind = PeakLabelPlacement::Kind::Above;
        p.textX = c + trueTextSize / 2;
        p.textY = y - 12 * r;
        p.tip = y;
        p.box = {RectCoord(p.textY - textWidth - 1), RectCoord(std::min<double>(p.textX - fm.ascent, c - barb) - 1),
                 RectCoord(y + 1), RectCoord(std::max<double>(p.textX + fm.descent, c + barb) + 1)};
    }
    // The label must lie inside the plot.
    p.fits = p.box.left >= plotRect.left && p.box.right <= plotRect.right && c - barb >= plotRect.left &&
             c + barb < plotRect.right && p.textY - textWidth >= plotRect.top && p.textY <= plotRect.bottom &&
             (p.kind != PeakLabelPlacement::Kind::Above || y < plotRect.bottom);
    return p;
}

void DrawPeakLabel(DrawingSurface& s, const DrawContext& dc, const CrystalDataRec& xp, const PeakLabelPlacement& p,
                   double trueTextSize)
{
    if (!p.fits)
        return;
    SurfaceStateSaver saver(s);
    const double r = dc.resolutionFactor;
    const int c = p.column;
    const int b = static_cast<int>(2 * r);
    s.RGBForeColor(xp.plotColor);
    switch (p.kind) {
    case PeakLabelPlacement::Kind::BesideAboveTop: {
        const int tip = p.tip;
        s.MoveTo(c, tip + static_cast<int>(9 * r));
        s.LineTo(c, tip);
        s.MoveTo(c - b, tip + b);
        s.LineTo(c, tip);
        s.MoveTo(c + b, tip + b);
        s.LineTo(c, tip);
        break;
    }
    case PeakLabelPlacement::Kind::Beside: break;
    case PeakLabelPlacement::Kind::Above:
        s.MoveTo(c, p.tip);
        s.LineTo(c, p.tip - static_cast<int>(9 * r));
        s.MoveTo(c - b, p.tip - b);
        s.LineTo(c, p.tip);
        s.MoveTo(c + b, p.tip - b);
        s.LineTo(c, p.tip);
        break;
    }
    MyDrawATSUIText(s, p.textX, p.textY, p.text, kPlotFontName, trueTextSize, xp.plotColor, 90, std::nullopt);
}

namespace {

bool Overlaps(const Rect& a, const Rect& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

void ShowPeakLabels(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, int pixMin, int pixMax)
{
    ShowPeakLabels(s, dc, theWindow, pixMin, pixMax, {});
}

void ShowPeakLabels(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, int pixMin, int pixMax,
                    const std::vector<Rect>& keepClear)
{
    const PlotView view = MakePlotView(theWindow, pixMin, pixMax);
    if (view.width <= 0)
        return;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    const Rect plot = view.plot;
    pixMin = view.first;
    pixMax = view.last;
    ClipSaver clip(s);
    s.ClipRect(plot);
    const double textSize = dc.printing ? 9.0 * dc.printRes / 72 : 9.0;
    struct Candidate {
        PeakIndexRec peak;
        const std::string* name;
    };
    std::vector<Candidate> candidates;
    for (VLPatternPtr pp : theWindow->plotList) {
        if (pp->type != kPatternTypeCrystal || !pp->crystal || !pp->crystal->showLabel)
            continue;
        CrystalDataRec& xp = *pp->crystal;
        const Float32 threshold = PeakLabelThreshold(xp, ps);
        for (AtomIndex i = 0; i < xp.nRefs(); ++i) {
            const ReflexionRec& ref = xp.refs[static_cast<std::size_t>(i)];
            if (!(ref.tth >= ps.xmin && ref.tth <= ps.xmax) || !(ref.inty * xp.volFrac >= threshold))
                continue;
            const double col = std::trunc((ref.tth - ps.xmin) * ps.xscale);
            if (col < pixMin || col > pixMax)
                continue;
            candidates.push_back({{i, &xp}, &pp->name});
        }
    }
    // The strongest peaks are labelled first; a label that would overlap one already placed (or
    // what must stay clear, the legend) is left out.
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return ComparePeaksByIntensity(a.peak, b.peak); });
    std::vector<Rect> taken = keepClear;
    for (const Candidate& cand : candidates) {
        const CrystalDataRec& xp = *cand.peak.xp;
        const ReflexionRec& ref = xp.refs[static_cast<std::size_t>(cand.peak.index)];
        const PeakLabelPlacement p = PlacePeakLabel(s, dc, theWindow, xp, *cand.name, ref, plot, textSize);
        if (!p.fits)
            continue;
        if (std::any_of(taken.begin(), taken.end(), [&](const Rect& t) { return Overlaps(t, p.box); }))
            continue;
        taken.push_back(p.box);
        DrawPeakLabel(s, dc, xp, p, textSize);
    }
}

void LabelPeak(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, const CrystalDataRec& xp, const std::string& phaseName,
               const ReflexionRec& peak, const Rect& plotRect, double trueTextSize)
{
    DrawPeakLabel(s, dc, xp, PlacePeakLabel(s, dc, theWindow, xp, phaseName, peak, plotRect, trueTextSize), trueTextSize);
}
