// Film mode: strips, residual strip and caption pills.
#include "FilmMode.h"

#include "Document.h"
#include "Globals.h"
#include "GraphMode.h"
#include "PlotPattern.h"
#include "PlotPixels.h"
#include "PlotShapes.h"
#include "TextBox.h"
#include "TextFormat.h"

#include <algorithm>
#include <cmath>

namespace {

UInt16 Channel(double v)
{
    return static_cast<UInt16>(std::clamp(v, 0.0, 65535.0));
}

int Threshold(UInt16 filmThreshold)
{
    return std::min<int>(filmThreshold, 100);
}

}  // namespace

UInt16 FilmBackgroundGrey(UInt16 filmThreshold)
{
    return static_cast<UInt16>(655 * (100 - Threshold(filmThreshold)));
}

double FilmLightestShade(UInt16 filmThreshold)
{
    return (100 - Threshold(filmThreshold)) * 655.35;
}

bool FilmColumnColor(double v, double G, RGBColor* color)
{
    if (std::isnan(v) || v == 0)
        return false;
    RGBColor c;
    if (v > 1) {
        c = kRGBBlack;
    } else if (v > 0) {
        const UInt16 g = Channel((1 - v) * G);
        c = {g, g, g};
    } else if (v >= -1) {
        const UInt16 gb = Channel((1 + v) * G);
        c = {Channel(-v * 65535 + (1 + v) * G), gb, gb};
    } else {
        c = {65535, 0, 0};
    }
    if (color)
        *color = c;
    return true;
}

void MyPlotFilm(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, const Rect& filmRect,
                const std::vector<Float32>* y, int firstPix, int lastPix, const std::string& caption, bool selected)
{
    if (!theWindow)
        return;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    SurfaceStateSaver saver(s);
    if (y) {
        const double G = FilmLightestShade(ps.filmThreshold);
        const int last = std::min<int>(lastPix, static_cast<int>(y->size()) - 1);
        for (int i = std::max(firstPix, 0); i <= last; ++i) {
            RGBColor c;
            if (!FilmColumnColor((*y)[static_cast<std::size_t>(i)] / static_cast<double>(ps.ymax), G, &c))
                continue;
            s.RGBForeColor(c);
            s.MoveTo(filmRect.left + i, filmRect.top + 1);
            s.LineTo(filmRect.left + i, filmRect.bottom - 1);
        }
    }
    s.RGBForeColor(kRGBDkGrey);
    s.MoveTo(filmRect.left, filmRect.top);
    s.LineTo(filmRect.right - 1, filmRect.top);
    if (ps.showLegend && filmRect.Height() >= 15) {
        s.RGBForeColor(kRGBBlack);
        DrawFilmCaption(s, dc, caption,
                        {RectCoord(filmRect.top + 5), RectCoord(filmRect.right - 142), RectCoord(filmRect.top + 19), RectCoord(filmRect.right - 14)},
                        -1, selected);
    }
}

void PlotPatternsAsFilms(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, int firstPix, int lastPix)
{
    const PlotView view = MakePlotView(theWindow, firstPix, lastPix);
    if (view.width <= 0 || theWindow->plotList.empty())
        return;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    const Rect plot = view.plot;
    const int W = view.width;
    firstPix = view.first;
    lastPix = view.last;
    const int nc = GetNumCrystalsInPlotList(theWindow), nd = GetNumDatasetsInPlotList(theWindow);
    const int strips = ps.plotMixture ? (nc > 0 && nd > 0 ? 2 : 1) : static_cast<int>(theWindow->plotList.size());
    const double h = static_cast<double>(plot.Height()) / strips;
    auto stripRect = [&](double top) {
        return Rect{RectCoord(top), plot.left, RectCoord(top + h), plot.right};
    };
    // Datasets: their digitised columns less their offsets.
    auto observed = [&](const ObsDataRec& dp, std::vector<Float32>& y) {
        const std::vector<Float32> dig = DigitizeWindowDataset(theWindow, &dp);
        if (dig.size() != static_cast<std::size_t>(W))
            return false;
        for (int i = 0; i < W; ++i)
            y[static_cast<std::size_t>(i)] += dig[static_cast<std::size_t>(i)] - dp.yOffset;
        return true;
    };

    if (!ps.plotMixture) {
        int k = 0;
        for (VLPatternPtr pp : theWindow->plotList) {
            const Rect strip = {RectCoord(plot.top + k * h), plot.left, RectCoord(plot.top + (k + 1) * h), plot.right};
            ++k;
            std::vector<Float32> y(static_cast<std::size_t>(W), 0.0f);
            bool have = false;
            if (pp->type == kPatternTypeCrystal && pp->crystal) {
                for (int i = 0; i < W; ++i)
                    y[static_cast<std::size_t>(i)] =
                        static_cast<Float32>(CrystalColumnIntensity(*pp->crystal, i, ColumnX(ps, i, W), false));
                have = true;
            } else if (pp->type == kPatternTypeDataset && pp->dataset) {
                const ObsDataRec& dp = *pp->dataset;
                if (dp.xmax > ps.xmin && dp.xmin < ps.xmax)
                    have = observed(dp, y);
            }
            MyPlotFilm(s, dc, theWindow, strip, have ? &y : nullptr, firstPix, lastPix, pp->name, pp->selected);
        }
        return;
    }

    double top = plot.top;
    if (nc > 0) {
        std::vector<Float32> y(static_cast<std::size_t>(W), 0.0f);
        for (VLPatternPtr pp : theWindow->plotList)
            if (pp->type == kPatternTypeCrystal && pp->crystal)
                for (int i = 0; i < std::min(W, pp->crystal->nBufferPts()); ++i)
                    y[static_cast<std::size_t>(i)] += pp->crystal->plotBuffer[static_cast<std::size_t>(i)] * pp->crystal->volFrac;
        MyPlotFilm(s, dc, theWindow, stripRect(top), &y, firstPix, lastPix, "Calculated", false);
        top += std::round(h);
    }
    if (nd > 0) {
        std::vector<Float32> y(static_cast<std::size_t>(W), 0.0f);
        for (VLPatternPtr pp : theWindow->plotList)
            if (pp->type == kPatternTypeDataset && pp->dataset)
                observed(*pp->dataset, y);
        MyPlotFilm(s, dc, theWindow, stripRect(top), &y, firstPix, lastPix, "Observed", false);
    }
}

Float32 PlotResidualAsFilm(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, int firstIndex, int lastIndex)
{
    if (!theWindow || GetNumCrystalsInPlotList(theWindow) == 0 || GetNumDatasetsInPlotList(theWindow) == 0)
        return 0;
    const PlotView view = MakePlotView(theWindow, firstIndex, lastIndex);
    if (view.width <= 0)
        return 0;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    const Rect rr = theWindow->residualRect;
    const int W = view.width;
    firstIndex = view.first;
    lastIndex = view.last;
    SurfaceStateSaver saver(s);
    const UInt16 g = FilmBackgroundGrey(ps.filmThreshold);
    s.RGBForeColor({g, g, g});
    s.PaintRect(rr);

    std::vector<double> residual(static_cast<std::size_t>(W), 0.0);
    for (VLPatternPtr pp : theWindow->plotList) {
        if (pp->type == kPatternTypeDataset && pp->dataset) {
            const std::vector<Float32> dig = DigitizeWindowDataset(theWindow, pp->dataset.get());
            if (dig.size() == static_cast<std::size_t>(W))
                for (int i = 0; i < W; ++i)
                    residual[static_cast<std::size_t>(i)] += dig[static_cast<std::size_t>(i)];
        } else if (pp->type == kPatternTypeCrystal && pp->crystal) {
            for (int i = 0; i < W; ++i)
                residual[static_cast<std::size_t>(i)] -= CrystalColumnIntensity(*pp->crystal, i, ColumnX(ps, i, W), true);
        }
    }
    // Only where there are measured points: elsewhere the strip keeps its background.
    int measuredFirst = 0, measuredLast = -1;
    if (MeasuredColumns(theWindow, &measuredFirst, &measuredLast)) {
        firstIndex = std::max(firstIndex, measuredFirst);
        lastIndex = std::min(lastIndex, measuredLast);
    } else {
        lastIndex = firstIndex - 1;
    }
    double sum = 0;
    std::vector<Float32> y(static_cast<std::size_t>(W), 0.0f);
    for (int i = firstIndex; i <= lastIndex; ++i) {
        sum += residual[static_cast<std::size_t>(i)] * residual[static_cast<std::size_t>(i)];
        y[static_cast<std::size_t>(i)] = static_cast<Float32>(residual[static_cast<std::size_t>(i)]);
    }
    s.RGBForeColor(kRGBBlack);
    MyPlotFilm(s, dc, theWindow, rr, &y, firstIndex, lastIndex, "Residual (" + FormatExp(sum, 8, 2) + ")", false);
    return static_cast<Float32>(sum);
}

void DrawFilmCaption(DrawingSurface& s, const DrawContext& dc, const std::string& text, const Rect& bounds, int justification,
                     bool selected)
{
    // The pill reaches a little beyond the text on both sides.
    const double padding = 4 * dc.resolutionFactor;
    const std::string shown =
        TruncateText(s, StripCrystalExtension(text), static_cast<int>(bounds.Width() - 2 * padding), TruncateWhere::End);
    const double w = s.StringWidth(shown) + 2 * padding;
    const FontMetricsRec fm = s.GetFontMetrics();
    const double t = fm.ascent + fm.descent;
    const int top = static_cast<int>((bounds.top + bounds.bottom - t) / 2) - 1;
    const int bottom = static_cast<int>((bounds.top + bounds.bottom + t) / 2) + 1;
    int left = bounds.left, right = bounds.right;
    switch (justification) {
    case 0: right = static_cast<int>(bounds.left + w); break;
    case 1:
        left = static_cast<int>((bounds.left + bounds.right - w) / 2);
        right = static_cast<int>((bounds.left + bounds.right + w) / 2);
        break;
    case -1: left = static_cast<int>(bounds.right - w); break;
    default: break;
    }
    const int height = bottom - top;
    if (right - left < height) {
        const int grow = height + 1 - (right - left);
        if (justification == 0)
            right += grow;
        else if (justification == 1) {
            left -= grow / 2;
            right += grow - grow / 2;
        } else if (justification == -1)
            left -= grow;
    }
    SurfaceStateSaver saver(s);
    // Dark text on a light pill, on screen and on paper: a pale tint of the highlight when selected.
    RGBColor fill = kStandardCaptionColor;
    if (selected && !dc.printing) {
        auto pale = [](UInt16 v) { return static_cast<UInt16>(0.35 * v + 0.65 * 65535); };
        fill = {pale(dc.hilite.red), pale(dc.hilite.green), pale(dc.hilite.blue)};
    }
    s.RGBBackColor(fill);
    MyDrawHilitedRoundRect(s, {RectCoord(top), RectCoord(left), RectCoord(bottom), RectCoord(right)}, std::nullopt);
    s.RGBForeColor(kRGBBlack);
    s.DrawString(left + padding, (top + bottom) / 2.0 + (fm.ascent - fm.descent) / 2, shown);
}
