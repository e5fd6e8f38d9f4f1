// The mouse in the graphics pane.
#include "PlotMouse.h"

#include "Document.h"
#include "GraphMode.h"
#include "PlotPixels.h"
#include "Status.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The row of an intensity, pinned to the plot: the top above ymax, the bottom row below ymin.
int IntensityRow(const WinInfoRec* w, double value)
{
    const PlotSpecsRec& ps = w->plotSpecs;
    const Rect& plot = w->plotRect;
    if (value > ps.ymax)
        return plot.top;
    if (value < ps.ymin)
        return plot.bottom - 1;
    return TruncPixel(plot.bottom - (value - ps.ymin) * ps.yscale - 1);
}

// Whether the click row lies within kCurveHitPixels of the rows a segment from r1 to r2 covers.
bool SegmentNear(int r1, int r2, int row)
{
    const int top = std::min(r1, r2);
    const int extent = std::max(1, std::abs(r1 - r2));
    return row >= top - kCurveHitPixels && row <= top + extent - 1 + kCurveHitPixels;
}

bool CrystalNear(const WinInfoRec* w, const CrystalDataRec& xp, int column, int row, double x)
{
    const int W = w->plotRect.Width();
    const int c = column - w->plotRect.left;
    const int first = std::max(c - 2, 0);
    const int last = std::min({first + 4, W - 1, xp.nBufferPts() - 1});
    int previous = 0;
    for (int j = first; j <= last; ++j) {
        const int r = IntensityRow(w, CrystalColumnIntensity(xp, j, x, true));
        if (j > first && SegmentNear(previous, r, row))
            return true;
        previous = r;
    }
    // A single column left (at the plot's right edge) is a segment of its own.
    return last == first && last >= 0 && SegmentNear(previous, previous, row);
}

bool DatasetNear(const WinInfoRec* w, const ObsDataRec& dp, int row, double x)
{
    const std::size_t n = std::min(dp.x.size(), dp.profile.size());
    if (n < 2)
        return false;
    std::size_t i = 0;
    while (i < n && dp.x[i] < x)
        ++i;
    i = i > 0 ? i - 1 : 0;
    if (i + 1 >= n)
        i = n - 2;
    auto value = [&](std::size_t j) { return static_cast<double>(dp.profile[j]) * dp.relScale + dp.yOffset; };
    return SegmentNear(IntensityRow(w, value(i)), IntensityRow(w, value(i + 1)), row);
}

void Hooks(WinInfoRec* w, bool structures, bool redraw, bool recalc, bool parameters)
{
    if (!w->hooks)
        return;
    if (structures)
        w->hooks->UpdateStructuresList(w);
    if (redraw)
        w->hooks->RedrawWindow(w, recalc, false);
    if (parameters)
        w->hooks->RebuildParameterList(w);
}

}  // namespace

bool PointInPlot(const WinInfoRec* theWindow, int column, int row)
{
    if (!theWindow)
        return false;
    const Rect& p = theWindow->plotRect;
    return column >= p.left && column < p.right && row >= p.top && row < p.bottom;
}

VLPatternPtr MouseInGraph(const WinInfoRec* theWindow, int column, int row)
{
    if (!theWindow || theWindow->plotSpecs.plotType <= 0)
        return nullptr;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    if (!(ps.xscale > 0))
        return nullptr;
    const double x = (column - theWindow->plotRect.left) / static_cast<double>(ps.xscale) + ps.xmin;
    for (VLPatternPtr pp : theWindow->plotList) {
        if (pp->type == kPatternTypeCrystal && pp->crystal && CrystalNear(theWindow, *pp->crystal, column, row, x))
            return pp;
        if (pp->type == kPatternTypeDataset && pp->dataset && DatasetNear(theWindow, *pp->dataset, row, x))
            return pp;
    }
    return nullptr;
}

int FilmCaptionHit(const WinInfoRec* theWindow, int column, int row)
{
    if (!theWindow)
        return -1;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    if (ps.plotType >= 0 || ps.plotMixture || !ps.showLegend)
        return -1;
    const Rect& plot = theWindow->plotRect;
    const int n = static_cast<int>(theWindow->plotList.size());
    const int height = plot.Height();
    if (n == 0 || height <= 0)
        return -1;
    const int k = (row - plot.top) * n / height;
    if (row < plot.top || k < 0 || k >= n)
        return -1;
    const int stripTop = plot.top + height / n * k;
    if (column >= plot.right - 100 && column < plot.right && row >= stripTop && row < stripTop + 20)
        return k;
    return -1;
}

void SelectFilmCaption(WinInfoRec* theWindow, int strip, bool toggle)
{
    if (!theWindow || strip < 0 || strip >= static_cast<int>(theWindow->plotList.size()))
        return;
    VLPatternPtr pp = theWindow->plotList[static_cast<std::size_t>(strip)];
    if (toggle) {
        pp->selected = !pp->selected;
    } else {
        for (const auto& f : theWindow->fileList)
            f->selected = false;
        pp->selected = true;
    }
    Hooks(theWindow, true, true, false, true);
}

void PlaceCursorAtColumn(WinInfoRec* theWindow, int column)
{
    if (!theWindow)
        return;
    PlotSpecsRec& ps = theWindow->plotSpecs;
    if (!(ps.xscale > 0))
        return;
    ps.cursorXPos = static_cast<Float32>((column - theWindow->plotRect.left) / static_cast<double>(ps.xscale) + ps.xmin);
    ps.showCursor = true;
    theWindow->cursorAnchor.active = false;  // placed by hand: it stays through changes of view
}

bool PointOnCursor(const WinInfoRec* theWindow, int column, int row)
{
    if (!theWindow || !theWindow->plotSpecs.showCursor)
        return false;
    const Rect& r = theWindow->plotSpecs.cursorRect;
    return r.right > 0 && column >= r.left && column < r.right && row >= r.top && row < r.bottom;
}

PatternDragRec BeginPatternDrag(WinInfoRec* theWindow, VLPatternPtr pattern, int column, int row)
{
    PatternDragRec drag;
    if (!theWindow || !pattern)
        return drag;
    for (const auto& f : theWindow->fileList)
        f->selected = false;
    pattern->selected = true;
    drag.pattern = pattern;
    drag.lastColumn = column;
    drag.lastRow = row;
    Hooks(theWindow, true, true, false, true);
    return drag;
}

bool DragPatternTo(WinInfoRec* theWindow, PatternDragRec& drag, int column, int row, bool shift)
{
    if (!theWindow || !drag.pattern)
        return false;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    if (!(ps.xscale > 0) || !(ps.yscale > 0))
        return false;
    double dx = (column - drag.lastColumn) / static_cast<double>(ps.xscale);
    double dy = (row - drag.lastRow) / static_cast<double>(ps.yscale);
    if (!shift) {
        drag.lock = PatternDragRec::Lock::None;
    } else if (drag.lock == PatternDragRec::Lock::None && (dx != 0 || dy != 0)) {
        drag.lock = std::fabs(dx) * ps.xscale > std::fabs(dy) * ps.yscale ? PatternDragRec::Lock::Horizontal
                                                                           : PatternDragRec::Lock::Vertical;
    }
    if (drag.lock == PatternDragRec::Lock::Horizontal)
        dy = 0;
    else if (drag.lock == PatternDragRec::Lock::Vertical)
        dx = 0;
    drag.lastColumn = column;
    drag.lastRow = row;
    if (dx == 0 && dy == 0)
        return false;
    bool recalc = false;
    VLPatternPtr pp = drag.pattern;
    if (pp->type == kPatternTypeDataset && pp->dataset) {
        ObsDataRec& dp = *pp->dataset;
        if (dx != 0) {
            dp.xOffset = static_cast<Float32>(dp.xOffset + dx);
            for (Float32& x : dp.x)
                x = static_cast<Float32>(x + dx);
            dp.xmin = static_cast<Float32>(dp.xmin + dx);
            dp.xmax = static_cast<Float32>(dp.xmax + dx);
        }
        dp.yOffset = static_cast<Float32>(dp.yOffset - dy);
    } else if (pp->type == kPatternTypeCrystal && pp->crystal) {
        CrystalDataRec& xp = *pp->crystal;
        xp.yOffset = static_cast<Float32>(std::max(0.0, xp.yOffset - dy));
        if (dx != 0) {
            xp.xOffset = static_cast<Float32>(xp.xOffset + dx);
            for (ReflexionRec& r : xp.refs)
                r.tth = static_cast<Float32>(r.tth + dx);
            recalc = true;  // the peaks moved: their profile is computed anew
        }
    } else {
        return false;
    }
    Hooks(theWindow, false, true, recalc, true);
    DisplayXYOffset(theWindow);
    return true;
}

std::string XYOffsetText(const WinInfoRec* theWindow)
{
    double dx, dy;
    if (const CrystalDataRec* xp = GetFrontSelectedCrystal(theWindow)) {
        dx = xp->xOffset, dy = xp->yOffset;
    } else if (const ObsDataRec* dp = GetFrontSelectedDataset(theWindow)) {
        dx = dp->xOffset, dy = dp->yOffset;
    } else {
        return {};
    }
    char buf[96];
    std::snprintf(buf, sizeof buf, "\u2206x: %f   \u2206y: %f", dx, dy);
    return buf;
}

void DisplayXYOffset(WinInfoRec* theWindow)
{
    const std::string text = XYOffsetText(theWindow);
    if (!text.empty())
        DrawInfoBarText(theWindow, text);
}
