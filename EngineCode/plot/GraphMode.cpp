// Graph mode: curves, mixtures, residual, legends and digitised datasets.
#include "GraphMode.h"

#include "ClipGeometry.h"
#include "Document.h"
#include "Globals.h"
#include "PlotPattern.h"
#include "PlotPixels.h"
#include "PlotShapes.h"
#include "Status.h"
#include "TextBox.h"
#include "TextFormat.h"

#include <algorithm>
#include <cmath>

namespace {

// Legend measures in screen pixels, times the resolution factor and truncated.
struct LegendMeasures {
    int width, pad, row, inset, textSize;
};

LegendMeasures Measures(const DrawContext& dc)
{
    const double r = dc.resolutionFactor;
    return {static_cast<int>(140 * r), static_cast<int>(8 * r), static_cast<int>(15 * r), static_cast<int>(3 * r),
            static_cast<int>(10 * r)};
}

// The legend's box: filled white at 90 %, so that dark text reads on it on screen and on paper,
// outlined crisply in dark grey.
void DrawLegendBox(DrawingSurface& s, const Rect& box)
{
    VectorLayer layer(s);
    const RectF r = ToRectF(box);
    VectorPath fill;
    fill.AddRoundedRect(r, 0);
    s.SetFillColor(kRGBWhite, 0.9);
    s.FillPath(fill);
    s.SetShouldAntialias(false);
    s.SetLineWidth(1);
    s.SetLineJoin(LineJoin::Round);
    const UInt16 g = static_cast<UInt16>(0.4 * 65535);
    s.SetStrokeColor({g, g, g}, 1.0);
    VectorPath outline;
    outline.AddRoundedRect({r.left + 0.5, r.top + 0.5, r.right - 0.5, r.bottom - 0.5}, 0);
    s.StrokePath(outline);
}

// Draws the legend's box and sets the legend font; returns the measures.
LegendMeasures BeginLegend(DrawingSurface& s, const DrawContext& dc, const Rect& box)
{
    const LegendMeasures m = Measures(dc);
    DrawLegendBox(s, box);
    s.SetFont({kPlotFontName, static_cast<double>(m.textSize), kFacePlain});
    return m;
}

void LegendDisc(DrawingSurface& s, int left, int top, int row, int inset, const RGBColor& fill, const RGBColor& stroke)
{
    const RectF cell{static_cast<double>(left + inset), static_cast<double>(top + inset),
                     static_cast<double>(left + row - inset), static_cast<double>(top + row - inset)};
    MyDrawSmoothCircle(s, cell, stroke, fill);
}

void LegendText(DrawingSurface& s, const std::string& text, int left, int rowTop, int right, const LegendMeasures& m)
{
    const int top = rowTop + (m.row - m.textSize) / 2;
    DrawTextBox(s, text, {RectCoord(top), RectCoord(left), RectCoord(top + m.row), RectCoord(right)}, TextJustify::FlushLeft);
}

}  // namespace

GraphProfileRec GraphProfileOfCrystal(const CrystalDataRec& xp)
{
    return {xp.plotColor, static_cast<SInt16>(xp.plotStyle), static_cast<SInt16>(xp.lineStyle), xp.lineWidth, xp.markerSize};
}

GraphProfileRec GraphProfileOfDataset(const ObsDataRec& dp)
{
    return {dp.plotColor, static_cast<SInt16>(dp.plotStyle), static_cast<SInt16>(dp.lineStyle), dp.lineWidth, dp.markerSize};
}

GraphProfileRec CrystalMixGraphProfile(const PlotSpecsRec& ps)
{
    return {ps.crystalMixColor, static_cast<SInt16>(ps.crystalMixPlotStyle), static_cast<SInt16>(ps.crystalMixLineStyle),
            ps.crystalMixLineWidth, ps.crystalMixMarkerSize};
}

GraphProfileRec DatasetMixGraphProfile(const PlotSpecsRec& ps)
{
    return {ps.datasetMixColor, static_cast<SInt16>(ps.datasetMixPlotStyle), static_cast<SInt16>(ps.datasetMixLineStyle),
            ps.datasetMixLineWidth, ps.datasetMixMarkerSize};
}

GraphProfileRec ResidualGraphProfile(const PlotSpecsRec& ps)
{
    return {ps.residualColor, static_cast<SInt16>(ps.residualPlotStyle), static_cast<SInt16>(ps.residualLineStyle),
            ps.residualLineWidth, ps.residualMarkerSize};
}

double ColumnX(const PlotSpecsRec& ps, int i, int plotWidth)
{
    return ps.xmin + i * ((static_cast<double>(ps.xmax) - ps.xmin) / plotWidth);
}

double CrystalColumnIntensity(const CrystalDataRec& xp, int i, double x, bool withOffset)
{
    if (i < 0 || i >= xp.nBufferPts())
        return 0;
    double y = static_cast<double>(xp.plotBuffer[static_cast<std::size_t>(i)]) * xp.volFrac + xp.baseCoefs[0] * x;
    if (withOffset)
        y += xp.yOffset;
    if (xp.baseCoefs[1] != 0)
        y += xp.baseCoefs[1] / x;
    return y;
}

// ---- patterns ----

void PlotPatternsAsGraphs(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, int pixMin, int pixMax)
{
    const PlotView view = MakePlotView(theWindow, pixMin, pixMax);
    if (view.Empty() || theWindow->plotList.empty())
        return;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    const PlotScale scale = PlotScaleOf(ps);
    const Rect plot = view.plot;
    const int W = view.width;
    pixMin = view.first;
    const int count = view.Count();
    std::vector<Float32> xs(static_cast<std::size_t>(count)), ys(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        xs[static_cast<std::size_t>(i)] = static_cast<Float32>(ColumnX(ps, pixMin + i, W));

    if (!ps.plotMixture) {
        for (VLPatternPtr pp : theWindow->plotList) {
            if (pp->type == kPatternTypeCrystal && pp->crystal) {
                const CrystalDataRec& xp = *pp->crystal;
                const int n = std::min(count, xp.nBufferPts() - pixMin);
                if (n < 2)
                    continue;
                for (int i = 0; i < n; ++i)
                    ys[static_cast<std::size_t>(i)] =
                        static_cast<Float32>(CrystalColumnIntensity(xp, pixMin + i, xs[static_cast<std::size_t>(i)], true));
                MyPlotGraph(s, dc, plot, scale, GraphProfileOfCrystal(xp), xs.data(), ys.data(), n, 0, n - 1);
            } else if (pp->type == kPatternTypeDataset && pp->dataset) {
                const ObsDataRec& dp = *pp->dataset;
                const AtomIndex nData = std::min(dp.nData(), static_cast<AtomIndex>(dp.profile.size()));
                if (nData < 2)
                    continue;
                // From the last point left of the first column to the first point right of the
                // last one, so that the curve runs on to the frame.
                const double xFirst = xs.front(), xLast = xs[static_cast<std::size_t>(count - 1)];
                AtomIndex first = -1, last = -1;
                for (AtomIndex j = 0; j + 1 < nData && first < 0; ++j)
                    if (dp.x[static_cast<std::size_t>(j) + 1] > xFirst)
                        first = j;
                for (AtomIndex j = nData - 1; j >= 1 && last < 0; --j)
                    if (dp.x[static_cast<std::size_t>(j) - 1] < xLast)
                        last = j;
                if (first < 0 || last < 0 || last - first < 1)
                    continue;
                std::vector<Float32> y(static_cast<std::size_t>(nData));
                for (AtomIndex j = first; j <= last; ++j)
                    y[static_cast<std::size_t>(j)] = dp.profile[static_cast<std::size_t>(j)] * dp.relScale + dp.yOffset;
                MyPlotGraph(s, dc, plot, scale, GraphProfileOfDataset(dp), dp.x.data(), y.data(), nData, first, last);
            }
        }
        return;
    }

    // Mixtures: the crystals summed without background or offsets, the datasets' digitised
    // columns summed without their offsets.
    if (GetNumCrystalsInPlotList(theWindow) > 0) {
        std::fill(ys.begin(), ys.end(), 0.0f);
        for (VLPatternPtr pp : theWindow->plotList)
            if (pp->type == kPatternTypeCrystal && pp->crystal)
                for (int i = 0; i < count; ++i) {
                    const int col = pixMin + i;
                    if (col < pp->crystal->nBufferPts())
                        ys[static_cast<std::size_t>(i)] +=
                            pp->crystal->plotBuffer[static_cast<std::size_t>(col)] * pp->crystal->volFrac;
                }
        MyPlotGraph(s, dc, plot, scale, CrystalMixGraphProfile(ps), xs.data(), ys.data(), count, 0, count - 1);
    }
    if (GetNumDatasetsInPlotList(theWindow) > 0) {
        std::fill(ys.begin(), ys.end(), 0.0f);
        for (VLPatternPtr pp : theWindow->plotList)
            if (pp->type == kPatternTypeDataset && pp->dataset) {
                const std::vector<Float32> dig = DigitizeWindowDataset(theWindow, pp->dataset.get());
                if (dig.size() != static_cast<std::size_t>(W))
                    continue;
                for (int i = 0; i < count; ++i)
                    ys[static_cast<std::size_t>(i)] += dig[static_cast<std::size_t>(pixMin + i)] - pp->dataset->yOffset;
            }
        MyPlotGraph(s, dc, plot, scale, DatasetMixGraphProfile(ps), xs.data(), ys.data(), count, 0, count - 1);
    }
}

Float32 PlotResidualAsGraph(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, int firstIndex, int lastIndex)
{
    if (!theWindow || GetNumCrystalsInPlotList(theWindow) == 0 || GetNumDatasetsInPlotList(theWindow) == 0)
        return 0;
    const PlotView view = MakePlotView(theWindow, firstIndex, lastIndex);
    if (view.width <= 0)
        return 0;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    const int W = view.width;
    firstIndex = view.first;
    lastIndex = view.last;
    // Beyond the measured points there is nothing to compare.
    int measuredFirst = 0, measuredLast = -1;
    if (!MeasuredColumns(theWindow, &measuredFirst, &measuredLast))
        return 0;
    firstIndex = std::max(firstIndex, measuredFirst);
    lastIndex = std::min(lastIndex, measuredLast);
    if (lastIndex < firstIndex)
        return 0;
    const int count = lastIndex - firstIndex + 1;
    std::vector<Float32> xs(static_cast<std::size_t>(count));
    std::vector<double> residual(static_cast<std::size_t>(count), 0.0);
    for (int i = 0; i < count; ++i)
        xs[static_cast<std::size_t>(i)] = static_cast<Float32>(ColumnX(ps, firstIndex + i, W));
    for (VLPatternPtr pp : theWindow->plotList) {
        if (pp->type == kPatternTypeDataset && pp->dataset) {
            const std::vector<Float32> dig = DigitizeWindowDataset(theWindow, pp->dataset.get());
            if (dig.size() == static_cast<std::size_t>(W))
                for (int i = 0; i < count; ++i)
                    residual[static_cast<std::size_t>(i)] += dig[static_cast<std::size_t>(firstIndex + i)];
        } else if (pp->type == kPatternTypeCrystal && pp->crystal) {
            for (int i = 0; i < count; ++i)
                residual[static_cast<std::size_t>(i)] -=
                    CrystalColumnIntensity(*pp->crystal, firstIndex + i, xs[static_cast<std::size_t>(i)], true);
        }
    }
    double sum = 0;
    std::vector<Float32> ys(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        sum += residual[static_cast<std::size_t>(i)] * residual[static_cast<std::size_t>(i)];
        ys[static_cast<std::size_t>(i)] = static_cast<Float32>(residual[static_cast<std::size_t>(i)]);
    }
    // Drawn at the main plot's scale with zero on the panel's middle row.
    const Rect rr = theWindow->residualRect;
    if (ps.yscale > 0 && count >= 2) {
        PlotScale scale = PlotScaleOf(ps);
        scale.ymin = static_cast<Float32>(-(rr.Height() * 0.5 / ps.yscale));
        MyPlotGraph(s, dc, rr, scale, ResidualGraphProfile(ps), xs.data(), ys.data(), count, 0, count - 1);
    }
    return static_cast<Float32>(sum);
}

// ---- curves ----

PlotScale PlotScaleOf(const PlotSpecsRec& ps)
{
    return {ps.xmin, ps.xscale, ps.ymin, ps.yscale};
}

Float32 GraphMarkerRadius(const DrawContext& dc, const GraphProfileRec& graph, double meanSpacingPixels)
{
    double m;
    if (graph.markerSize != 0)
        m = graph.markerSize / 2.0;
    else
        m = std::min(std::fabs(meanSpacingPixels) * 0.25 + 1, 5.0);
    return MyPenSizeForPrinting(dc, static_cast<Float32>(m));
}

void MyPlotGraph(DrawingSurface& s, const DrawContext& dc, const Rect& plotRect, const PlotScale& scale,
                 const GraphProfileRec& graph, const Float32* x, const Float32* y, AtomIndex nData, AtomIndex firstIndex,
                 AtomIndex lastIndex)
{
    const PlotScale* ps = &scale;
    if (!x || !y || plotRect.Width() <= 0 || nData <= 0)
        return;
    if (lastIndex == 0)
        lastIndex = nData - 1;
    firstIndex = std::max<AtomIndex>(firstIndex, 0);
    lastIndex = std::min<AtomIndex>(lastIndex, nData - 1);
    if (lastIndex - firstIndex < 1)
        return;
    if (graph.plotStyle < kPlotStyleCrosses || graph.plotStyle > kPlotStyleTranslucent) {
        MyCFNoteAlert("Cannot_Plot_Observed_Data");
        return;
    }

    std::vector<PointF> pts;
    pts.reserve(static_cast<std::size_t>(lastIndex - firstIndex + 1));
    for (AtomIndex i = firstIndex; i <= lastIndex; ++i)
        pts.push_back({plotRect.left + (static_cast<double>(x[i]) - ps->xmin) * ps->xscale,
                       plotRect.bottom - (static_cast<double>(y[i]) - ps->ymin) * ps->yscale});

    const RectF clip = ToRectF(plotRect);
    const int style = graph.plotStyle;
    const bool markers = style <= kPlotStyleSquares || (style >= kPlotStyleLineCrosses && style <= kPlotStyleLineSquares);
    double m = 1;
    if (markers) {
        const double spacing = nData > 1 ? (static_cast<double>(x[nData - 1]) - x[0]) / (nData - 1) * ps->xscale /
                                               dc.resolutionFactor
                                         : 0;
        m = GraphMarkerRadius(dc, graph, spacing);
    }

    const double lineWidth = MyPenSizeForPrinting(dc, graph.lineWidth);
    const RectF strokeClip = StrokeClipRect(clip, lineWidth);
    VectorLayer layer(s);
    s.ClipToRect(clip);
    s.SetStrokeColor(graph.color, 1.0);
    s.SetFillColor(graph.color, 1.0);
    s.SetLineWidth(lineWidth);
    s.SetLineDash(graph.lineStyle == kLineStyleDashed);

    if (style == kPlotStyleFilled || style == kPlotStyleTranslucent) {
        std::vector<PointF> poly = pts;
        poly.push_back({pts.back().x, plotRect.bottom + 1.0});
        poly.push_back({pts.front().x, plotRect.bottom + 1.0});
        VectorPath path;
        path.AddPolygon(ClipPolygon(poly, clip));
        s.SetFillColor(graph.color, style == kPlotStyleTranslucent ? 0.5 : 1.0);
        s.FillPath(path);
        return;
    }

    std::vector<PointF> linePts = pts;
    LiftOntoStrokeBottom(linePts, clip, lineWidth);
    if (style == kPlotStyleLine) {
        VectorPath path;
        for (const std::vector<PointF>& piece : ClipPolyline(linePts, strokeClip))
            path.AddPolyline(piece);
        s.StrokePath(path);
        return;
    }

    if (style >= kPlotStyleLineCrosses) {
        VectorPath path;
        for (std::size_t i = 1; i < linePts.size(); ++i) {
            PointF a = linePts[i - 1], b = linePts[i];
            if (ClipSegment(a, b, strokeClip)) {
                path.MoveTo(a.x, a.y);
                path.LineTo(b.x, b.y);
            }
        }
        s.StrokePath(path);
    }

    const int marker = style >= kPlotStyleLineCrosses ? style - 4 : style;
    VectorPath path;
    for (const PointF& p : pts) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y))
            continue;
        const RectF box{p.x - m, p.y - m, p.x + m, p.y + m};
        if (marker == kPlotStyleCrosses) {
            PointF a{p.x - m, p.y}, b{p.x + m, p.y}, c{p.x, p.y - m}, d{p.x, p.y + m};
            if (ClipSegment(a, b, strokeClip)) {
                path.MoveTo(a.x, a.y);
                path.LineTo(b.x, b.y);
            }
            if (ClipSegment(c, d, strokeClip)) {
                path.MoveTo(c.x, c.y);
                path.LineTo(d.x, d.y);
            }
        } else if (marker == kPlotStyleSquares) {
            const RectF part = IntersectRectF(box, clip);
            if (!part.IsEmpty())
                path.AddRoundedRect(part, 0);
        } else if (RectFContains(clip, box)) {
            path.AddEllipse(box);
        } else if (!IntersectRectF(box, clip).IsEmpty()) {
            path.AddPolygon(ClipPolygon(EllipsePolygon(box, 24), clip));
        }
    }
    if (marker == kPlotStyleCrosses)
        s.StrokePath(path);
    else
        s.FillPath(path);
}

// ---- legends ----

LegendLayout GraphLegendLayout(const DrawContext& dc, const Rect& plotRect, int numCrystals, int numDatasets)
{
    const LegendMeasures m = Measures(dc);
    int height = m.pad;
    if (numCrystals > 0)
        height += (numCrystals + 1) * m.row;
    if (numDatasets > 0)
        height += (numDatasets + 1) * m.row;
    if (numCrystals > 0 && numDatasets > 0)
        height += m.pad / 2;
    LegendLayout l;
    const int right = plotRect.right - m.pad, top = plotRect.top + m.pad;
    l.box = {RectCoord(top), RectCoord(right - m.width), RectCoord(static_cast<double>(top) + height), RectCoord(right)};
    l.fits = top + height <= plotRect.bottom;
    return l;
}

LegendLayout ResidualLegendLayout(const DrawContext& dc, const Rect& residualRect)
{
    const LegendMeasures m = Measures(dc);
    LegendLayout l;
    const int right = residualRect.right - m.pad, top = residualRect.top + m.pad;
    l.box = {RectCoord(top), RectCoord(right - m.width), RectCoord(top + m.row + m.pad), RectCoord(right)};
    l.fits = top + m.row + m.pad <= residualRect.bottom;
    return l;
}

Rect LegendBoxAt(const DrawContext& dc, const Rect& plotRect, const Rect& sized, LegendPlace place)
{
    const LegendMeasures m = Measures(dc);
    const int w = sized.Width(), h = sized.Height();
    int left = plotRect.right - m.pad - w, top = plotRect.top + m.pad;
    switch (place) {
    case LegendPlace::TopRight: break;
    case LegendPlace::TopLeft: left = plotRect.left + m.pad; break;
    case LegendPlace::BottomRight: top = plotRect.bottom - m.pad - h; break;
    case LegendPlace::BottomLeft:
        left = plotRect.left + m.pad;
        top = plotRect.bottom - m.pad - h;
        break;
    case LegendPlace::OutsideRight:
        left = plotRect.right + m.pad;
        top = plotRect.top;
        break;
    }
    return {RectCoord(top), RectCoord(left), RectCoord(top + h), RectCoord(left + w)};
}

int LegendOutsideWidth(const DrawContext& dc)
{
    const LegendMeasures m = Measures(dc);
    return m.width + 2 * m.pad;
}

std::vector<std::vector<Float32>> GraphColumnCurves(WinInfoRec* theWindow)
{
    std::vector<std::vector<Float32>> curves;
    if (!theWindow)
        return curves;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    const int W = theWindow->plotRect.Width();
    if (W <= 0)
        return curves;
    const auto columns = static_cast<std::size_t>(W);
    if (!ps.plotMixture) {
        for (VLPatternPtr pp : theWindow->plotList) {
            if (pp->type == kPatternTypeCrystal && pp->crystal) {
                std::vector<Float32> y(columns);
                for (int i = 0; i < W; ++i)
                    y[static_cast<std::size_t>(i)] =
                        static_cast<Float32>(CrystalColumnIntensity(*pp->crystal, i, ColumnX(ps, i, W), true));
                curves.push_back(std::move(y));
            } else if (pp->type == kPatternTypeDataset && pp->dataset) {
                std::vector<Float32> dig = DigitizeWindowDataset(theWindow, pp->dataset.get());
                if (dig.size() == columns)
                    curves.push_back(std::move(dig));
            }
        }
        return curves;
    }
    std::vector<Float32> calc(columns, 0.0f), obs(columns, 0.0f);
    bool haveCalc = false, haveObs = false;
    for (VLPatternPtr pp : theWindow->plotList) {
        if (pp->type == kPatternTypeCrystal && pp->crystal) {
            haveCalc = true;
            for (int i = 0; i < std::min(W, pp->crystal->nBufferPts()); ++i)
                calc[static_cast<std::size_t>(i)] += pp->crystal->plotBuffer[static_cast<std::size_t>(i)] * pp->crystal->volFrac;
        } else if (pp->type == kPatternTypeDataset && pp->dataset) {
            const std::vector<Float32> dig = DigitizeWindowDataset(theWindow, pp->dataset.get());
            if (dig.size() != columns)
                continue;
            haveObs = true;
            for (std::size_t i = 0; i < columns; ++i)
                obs[i] += dig[i] - pp->dataset->yOffset;
        }
    }
    if (haveCalc)
        curves.push_back(std::move(calc));
    if (haveObs)
        curves.push_back(std::move(obs));
    return curves;
}

long LegendHiddenPixels(WinInfoRec* theWindow, const Rect& plotRect, const Rect& box)
{
    if (!theWindow)
        return 0;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    long hidden = 0;
    for (const std::vector<Float32>& y : GraphColumnCurves(theWindow)) {
        const int n = static_cast<int>(y.size());
        auto row = [&](int i) {
            const double r = plotRect.bottom - (static_cast<double>(y[static_cast<std::size_t>(i)]) - ps.ymin) * ps.yscale;
            return std::clamp(r, static_cast<double>(plotRect.top), static_cast<double>(plotRect.bottom));
        };
        const int from = std::max(0, box.left - plotRect.left), to = std::min(n - 1, box.right - plotRect.left);
        for (int i = from; i <= to; ++i) {
            // The line from the column before covers the rows between the two values.
            double lo = row(i), hi = lo;
            if (i > 0) {
                lo = std::min(lo, row(i - 1));
                hi = std::max(hi, row(i - 1));
            }
            const double top = std::max(lo - 1, static_cast<double>(box.top));
            const double bottom = std::min(hi + 1, static_cast<double>(box.bottom));
            if (bottom > top)
                hidden += static_cast<long>(std::ceil(bottom - top));
        }
    }
    return hidden;
}

LegendChoice ChooseGraphLegendPlace(const DrawContext& dc, WinInfoRec* theWindow, const Rect& plotRect)
{
    LegendChoice choice;
    if (!theWindow)
        return choice;
    const LegendLayout sized =
        GraphLegendLayout(dc, plotRect, GetNumCrystalsInPlotList(theWindow), GetNumDatasetsInPlotList(theWindow));
    choice.layout = sized;
    if (!sized.fits)
        return choice;
    long best = -1;
    for (LegendPlace place : {LegendPlace::TopRight, LegendPlace::TopLeft, LegendPlace::BottomRight, LegendPlace::BottomLeft}) {
        const Rect box = LegendBoxAt(dc, plotRect, sized.box, place);
        const long hidden = LegendHiddenPixels(theWindow, plotRect, box);
        if (best < 0 || hidden < best) {
            best = hidden;
            choice.place = place;
            choice.layout.box = box;
        }
    }
    choice.cornerBox = choice.layout.box;
    if (best > 0) {
        choice.place = LegendPlace::OutsideRight;
        choice.layout.box = LegendBoxAt(dc, plotRect, sized.box, LegendPlace::OutsideRight);
    }
    return choice;
}

void DrawGraphLegend(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, const Rect& plotRect)
{
    if (!theWindow)
        return;
    LegendChoice choice = ChooseGraphLegendPlace(dc, theWindow, plotRect);
    // Drawn on its own, the legend stays inside the plot.
    choice.layout.box = choice.cornerBox;
    DrawGraphLegend(s, dc, theWindow, choice.layout);
}

void DrawGraphLegend(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, const LegendLayout& layout)
{
    if (!theWindow)
        return;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    const int nc = GetNumCrystalsInPlotList(theWindow), nd = GetNumDatasetsInPlotList(theWindow);
    if (nc + nd == 0)
        return;
    if (!layout.fits)
        return;
    SurfaceStateSaver saver(s);
    const LegendMeasures m = BeginLegend(s, dc, layout.box);
    const int left = layout.box.left + m.pad, right = layout.box.right - m.pad;
    int y = layout.box.top + m.pad / 2;

    auto heading = [&](const char* mixed, const char* separate, const RGBColor& mixColor) {
        s.RGBForeColor(kRGBBlack);
        if (ps.plotMixture) {
            LegendDisc(s, left, y, m.row, m.inset, mixColor, {17476, 17476, 17476});
            LegendText(s, mixed, left + m.row, y, right, m);
        } else {
            LegendText(s, separate, left, y, right, m);
        }
        y += m.row;
    };
    auto row = [&](const VLPatternRec& pp, const RGBColor& color, const std::string* fraction) {
        // A selected row: a pale tint of the highlight behind dark text, readable in print too.
        if (pp.selected && !dc.printing) {
            const RGBColor h = dc.hilite;
            auto pale = [](UInt16 v) { return static_cast<UInt16>(0.3 * v + 0.7 * 65535); };
            SurfaceStateSaver tint(s);
            s.RGBBackColor({pale(h.red), pale(h.green), pale(h.blue)});
            MyDrawHilitedRoundRect(s, {RectCoord(y), RectCoord(layout.box.left + m.pad - 1), RectCoord(y + m.row),
                                       RectCoord(layout.box.right - m.pad + 1)}, std::nullopt);
        }
        s.RGBForeColor(kRGBBlack);
        int x = left;
        if (!ps.plotMixture) {
            LegendDisc(s, x, y, m.row, m.inset, color, {17476, 17476, 17476});
            x += m.row;
        }
        if (fraction) {
            LegendText(s, *fraction, x, y, right, m);
            x += static_cast<int>(s.StringWidth(*fraction) * 5 / 4);
        }
        const std::string name = TruncateText(s, StripCrystalExtension(pp.name), right - x, TruncateWhere::Middle);
        LegendText(s, name, x, y, right, m);
        y += m.row;
    };

    if (nc > 0) {
        heading("Calculated Mixture", "Calculated Data", ps.crystalMixColor);
        for (VLPatternPtr pp : theWindow->plotList)
            if (pp->type == kPatternTypeCrystal && pp->crystal) {
                const std::string fraction = FormatFixed(pp->crystal->volFrac, 4, 2);
                row(*pp, pp->crystal->plotColor, &fraction);
            }
        y += m.pad / 2;
    }
    if (nd > 0) {
        heading("Observed Mixture", "Observed Data", ps.datasetMixColor);
        for (VLPatternPtr pp : theWindow->plotList)
            if (pp->type == kPatternTypeDataset && pp->dataset)
                row(*pp, pp->dataset->plotColor, nullptr);
    }
}

void DrawResidualGraphLegend(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, const Rect& plotRect,
                             Float32 residualSumSq)
{
    if (!theWindow)
        return;
    const LegendLayout layout = ResidualLegendLayout(dc, plotRect);
    if (!layout.fits)
        return;
    SurfaceStateSaver saver(s);
    const LegendMeasures m = BeginLegend(s, dc, layout.box);
    const int left = layout.box.left + m.pad, y = layout.box.top + m.pad / 2;
    LegendDisc(s, left, y, m.row, m.inset, theWindow->plotSpecs.residualColor, kRGBDkGrey);
    s.RGBForeColor(kRGBBlack);
    LegendText(s, "Residual (" + FormatExp(residualSumSq, 8, 2) + ")", left + m.row, y, layout.box.right - m.pad, m);
}

bool MeasuredColumns(WinInfoRec* theWindow, int* first, int* last)
{
    if (!theWindow)
        return false;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    const int W = theWindow->plotRect.Width();
    int lo = 0, hi = W - 1;
    bool any = false;
    for (VLPatternPtr pp : theWindow->plotList) {
        if (pp->type != kPatternTypeDataset || !pp->dataset)
            continue;
        const ObsDataRec& dp = *pp->dataset;
        const std::size_t n = std::min(dp.x.size(), dp.profile.size());
        if (n == 0)
            return false;
        // The digitised columns (DigitizeWindowDataset): from the first point's column to the one
        // before the last point's, whose value is not stored.
        const auto [minX, maxX] = std::minmax_element(dp.x.begin(), dp.x.begin() + static_cast<std::ptrdiff_t>(n));
        const double a = std::max(0.0, std::trunc((static_cast<double>(*minX) - ps.xmin) * ps.xscale));
        const double b = std::trunc((static_cast<double>(*maxX) - ps.xmin) * ps.xscale) - 1;
        lo = std::max(lo, static_cast<int>(std::clamp(a, -1.0, static_cast<double>(W))));
        hi = std::min(hi, static_cast<int>(std::clamp(b, -1.0, static_cast<double>(W))));
        any = true;
    }
    if (!any || hi < lo)
        return false;
    if (first)
        *first = lo;
    if (last)
        *last = hi;
    return true;
}

// ---- digitising ----

std::vector<Float32> DigitizeWindowDataset(WinInfoRec* theWindow, const ObsDataRec* dataset)
{
    if (!theWindow || !dataset)
        return {};
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    const int W = theWindow->plotRect.Width();
    if (W <= 0)
        return {};
    std::vector<Float32> out(static_cast<std::size_t>(W), 0.0f);
    const AtomIndex n = std::min(dataset->nData(), static_cast<AtomIndex>(dataset->profile.size()));
    long c = 0;
    Float32 v = 0;
    for (AtomIndex j = 0; j < n; ++j) {
        const Float32 x = dataset->x[static_cast<std::size_t>(j)];
        if (x < ps.xmin)
            continue;
        const double pd = std::trunc((static_cast<double>(x) - ps.xmin) * ps.xscale);
        const long p = pd < 1e9 ? static_cast<long>(pd) : 1000000000L;
        Float32 y = dataset->profile[static_cast<std::size_t>(j)] * dataset->relScale + dataset->yOffset;
        if (p > c) {
            if (c < W)
                out[static_cast<std::size_t>(c)] = v;
            c = p;
        } else {
            y = std::max(y, v);
        }
        v = y;
        if (x > ps.xmax)
            break;
    }
    // Bridge the gaps linearly; with nothing to the right, halve towards zero.
    constexpr Float32 kEmpty = 1e-30f;
    std::vector<int> next(static_cast<std::size_t>(W) + 1, -1);
    for (int i = W - 1; i >= 0; --i)
        next[static_cast<std::size_t>(i)] = out[static_cast<std::size_t>(i)] >= kEmpty ? i : next[static_cast<std::size_t>(i) + 1];
    Float32 previous = 0;
    for (int i = 0; i < W; ++i) {
        Float32& value = out[static_cast<std::size_t>(i)];
        if (value < kEmpty) {
            const int k = next[static_cast<std::size_t>(i)];
            if (k >= 0) {
                const double d = k - i;
                value = static_cast<Float32>((previous * d + out[static_cast<std::size_t>(k)]) / (d + 1));
            } else {
                value = previous / 2;
            }
        }
        previous = value;
    }
    return out;
}
