// View transforms.
#include "ViewTransforms.h"

#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "GraphMode.h"
#include "PlotMouse.h"
#include "PlotPixels.h"
#include "Profile.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

void Redraw(WinInfoRec* w, bool recalc, bool progress)
{
    if (w->hooks)
        w->hooks->RedrawWindow(w, recalc, progress);
}

void RebuildParameters(WinInfoRec* w)
{
    if (w->hooks)
        w->hooks->RebuildParameterList(w);
}

void ShiftCrystalX(CrystalDataRec& xp, double dx)
{
    xp.xOffset = static_cast<Float32>(xp.xOffset + dx);
    for (ReflexionRec& r : xp.refs)
        r.tth = static_cast<Float32>(r.tth + dx);
}

void ShiftDatasetX(ObsDataRec& dp, double dx)
{
    dp.xOffset = static_cast<Float32>(dp.xOffset + dx);
    for (Float32& x : dp.x)
        x = static_cast<Float32>(x + dx);
    dp.xmin = static_cast<Float32>(dp.xmin + dx);
    dp.xmax = static_cast<Float32>(dp.xmax + dx);
}

// Pixels per x unit of the plot as it is now: the drawing's xscale may be older than a change
// made since (several events between two drawings).
double XScale(const WinInfoRec* w)
{
    const PlotSpecsRec& ps = w->plotSpecs;
    const int W = w->plotRect.Width();
    const double range = static_cast<double>(ps.xmax) - ps.xmin;
    if (W > 0 && range > 0)
        return W / range;
    return ps.xscale;
}

bool UsableScale(const WinInfoRec* w)
{
    const double s = XScale(w);
    return s > 0 && std::isfinite(s);
}

}  // namespace

void AutoscaleYLimits(WinInfoRec* theWindow)
{
    if (!theWindow)
        return;
    PlotSpecsRec& ps = theWindow->plotSpecs;
    const int W = theWindow->plotRect.Width();
    if (W <= 0)
        return;
    double most = 0;
    if (!ps.plotMixture) {
        for (VLPatternPtr pp : theWindow->plotList) {
            if (pp->type == kPatternTypeCrystal && pp->crystal) {
                const CrystalDataRec& xp = *pp->crystal;
                const int n = std::min(W, xp.nBufferPts());
                for (int i = 0; i < n; ++i)
                    most = std::max(most, CrystalColumnIntensity(xp, i, ps.xmin + i / static_cast<double>(ps.xscale), true));
            } else if (pp->type == kPatternTypeDataset && pp->dataset) {
                const ObsDataRec& dp = *pp->dataset;
                const std::size_t n = std::min(dp.x.size(), dp.profile.size());
                for (std::size_t j = 0; j < n; ++j)
                    if (dp.x[j] >= ps.xmin && dp.x[j] <= ps.xmax)
                        most = std::max(most, static_cast<double>(dp.profile[j]) * dp.relScale + dp.yOffset);
            }
        }
    } else {
        std::vector<double> calc(static_cast<std::size_t>(W), 0.0), obs(static_cast<std::size_t>(W), 0.0);
        for (VLPatternPtr pp : theWindow->plotList) {
            if (pp->type == kPatternTypeCrystal && pp->crystal) {
                const int n = std::min(W, pp->crystal->nBufferPts());
                for (int i = 0; i < n; ++i)
                    calc[static_cast<std::size_t>(i)] +=
                        static_cast<double>(pp->crystal->plotBuffer[static_cast<std::size_t>(i)]) * pp->crystal->volFrac;
            } else if (pp->type == kPatternTypeDataset && pp->dataset) {
                const std::vector<Float32> dig = DigitizeWindowDataset(theWindow, pp->dataset.get());
                for (std::size_t i = 0; i < dig.size() && i < obs.size(); ++i)
                    obs[i] += dig[i] - pp->dataset->yOffset;
            }
        }
        for (int i = 0; i < W; ++i)
            most = std::max({most, calc[static_cast<std::size_t>(i)], obs[static_cast<std::size_t>(i)]});
    }
    if (!(most >= 1e-30))
        most = 1e-30;
    // The strongest point stops a little below the top, so that its peak and label show whole.
    // (Films keep the strongest column black.)
    const double keep = ps.plotType > 0 ? 1 - kAutoscaleHeadroom : 1.0;
    const double ymax = most > ps.ymin ? ps.ymin + (most - ps.ymin) / keep : most / keep;
    ps.ymax = static_cast<Float32>(ymax);
    ps.yscale = static_cast<Float32>(theWindow->plotRect.Height() / ymax);
}

void FitXRange(PlotSpecsRec& ps, double lower, double width)
{
    const double lo = ps.xminLimit, hi = ps.xmaxLimit;
    if (!(width > 0) || !std::isfinite(width) || !std::isfinite(lower))
        return;
    double a = std::max(lo, lower);
    double b = a + width;
    if (b > hi) {
        b = hi;
        a = std::max(lo, hi - width);
    }
    if (!(b > a))
        return;
    ps.xmin = static_cast<Float32>(a);
    ps.xmax = static_cast<Float32>(b);
    // Rounding to single precision must not leave the limits.
    ps.xmin = std::max(ps.xmin, ps.xminLimit);
    ps.xmax = std::min(ps.xmax, ps.xmaxLimit);
}

void ZoomXAboutColumn(WinInfoRec* theWindow, int column, double factor)
{
    if (!theWindow || !(factor > 0))
        return;
    PlotSpecsRec& ps = theWindow->plotSpecs;
    if (!UsableScale(theWindow))
        return;
    const double xscale = XScale(theWindow);
    const double d = column - theWindow->plotRect.left - 1;
    const double at = d / xscale + ps.xmin;
    const double width = (static_cast<double>(ps.xmax) - ps.xmin) / factor;
    FitXRange(ps, at - d / (factor * xscale), width);
    RedrawRefittingY(theWindow, true, true);
}

bool ZoomToColumns(WinInfoRec* theWindow, int column1, int column2)
{
    if (!theWindow || !UsableScale(theWindow) || std::abs(column1 - column2) < 2)
        return false;
    PlotSpecsRec& ps = theWindow->plotSpecs;
    const double xscale = XScale(theWindow);
    const int left = theWindow->plotRect.left;
    const double a = ps.xmin + (std::min(column1, column2) - left) / xscale;
    const double b = ps.xmin + (std::max(column1, column2) - left) / xscale;
    FitXRange(ps, a, b - a);
    RedrawRefittingY(theWindow, true, true);
    return true;
}

bool MagnifyPlot(WinInfoRec* theWindow, int column, int row, bool zoomOut)
{
    if (!theWindow)
        return false;
    const Rect& plot = theWindow->plotRect;
    if (column < plot.left || column >= plot.right || row < plot.top || row >= plot.bottom)
        return false;
    ZoomXAboutColumn(theWindow, column, zoomOut ? 0.5 : 2.0);
    return true;
}

void DoExpandX(WinInfoRec* theWindow, double mag)
{
    if (!theWindow || !(mag > 0))
        return;
    PlotSpecsRec& ps = theWindow->plotSpecs;
    const double width = (static_cast<double>(ps.xmax) - ps.xmin) / mag;
    const double centre = (static_cast<double>(ps.xmax) + ps.xmin) / 2;
    FitXRange(ps, centre - width / 2, width);
    Redraw(theWindow, true, false);
}

void DoExpandY(WinInfoRec* theWindow, double mag)
{
    if (!theWindow || !(mag > 0))
        return;
    PlotSpecsRec& ps = theWindow->plotSpecs;
    const double ymax = ps.ymax / mag;
    if (!(ymax > ps.ymin) || !std::isfinite(ymax))
        return;
    ps.ymax = static_cast<Float32>(ymax);
    theWindow->yRangeByHand = true;
    Redraw(theWindow, false, false);
}

bool DoShiftX(WinInfoRec* theWindow, double pixelShift, bool shift)
{
    if (!theWindow || !UsableScale(theWindow))
        return false;
    PlotSpecsRec& ps = theWindow->plotSpecs;
    const double dx = pixelShift / XScale(theWindow) * (shift ? 3 : 1);
    bool moved = false;
    for (VLPatternPtr pp : theWindow->plotList) {
        if (!pp->selected)
            continue;
        if (pp->type == kPatternTypeCrystal && pp->crystal) {
            ShiftCrystalX(*pp->crystal, dx);
            moved = true;
        } else if (pp->type == kPatternTypeDataset && pp->dataset) {
            ShiftDatasetX(*pp->dataset, dx);
            moved = true;
        }
    }
    if (!moved)
        return false;
    ps.showCursor = false;
    Redraw(theWindow, true, false);
    RebuildParameters(theWindow);
    DisplayXYOffset(theWindow);
    return true;
}

bool DoShiftY(WinInfoRec* theWindow, int sign, bool shift)
{
    if (!theWindow)
        return false;
    PlotSpecsRec& ps = theWindow->plotSpecs;
    const double dy = sign * ps.ymax * (shift ? 0.03 : 0.01);
    bool moved = false;
    for (VLPatternPtr pp : theWindow->plotList) {
        if (!pp->selected)
            continue;
        if (pp->type == kPatternTypeCrystal && pp->crystal) {
            pp->crystal->yOffset = static_cast<Float32>(pp->crystal->yOffset + dy);
            moved = true;
        } else if (pp->type == kPatternTypeDataset && pp->dataset) {
            pp->dataset->yOffset = static_cast<Float32>(pp->dataset->yOffset + dy);
            moved = true;
        }
    }
    if (!moved)
        return false;
    ps.showCursor = false;
    Redraw(theWindow, false, false);
    RebuildParameters(theWindow);
    DisplayXYOffset(theWindow);
    return true;
}

bool DoIncreaseRelativeScale(WinInfoRec* theWindow, double mag, bool shift)
{
    if (!theWindow || !(mag > 0))
        return false;
    if (shift)
        mag = 1 + 3 * (mag - 1);
    bool scaled = false;
    for (VLPatternPtr pp : theWindow->plotList)
        if (pp->selected && pp->type == kPatternTypeDataset && pp->dataset) {
            pp->dataset->relScale = static_cast<Float32>(pp->dataset->relScale * mag);
            scaled = true;
        }
    if (!scaled)
        return false;
    Redraw(theWindow, false, false);
    RebuildParameters(theWindow);
    return true;
}

bool DoResetXYOffsets(WinInfoRec* theWindow)
{
    if (!theWindow)
        return false;
    bool any = false;
    for (VLPatternPtr pp : theWindow->plotList) {
        if (!pp->selected)
            continue;
        if (pp->type == kPatternTypeDataset && pp->dataset) {
            ShiftDatasetX(*pp->dataset, -pp->dataset->xOffset);
            pp->dataset->xOffset = 0;
            pp->dataset->yOffset = 0;
            any = true;
        } else if (pp->type == kPatternTypeCrystal && pp->crystal) {
            ShiftCrystalX(*pp->crystal, -pp->crystal->xOffset);
            pp->crystal->xOffset = 0;
            pp->crystal->yOffset = 0;
            any = true;
        }
    }
    if (!any)
        return false;
    Redraw(theWindow, true, false);
    RebuildParameters(theWindow);
    return true;
}

void DoCollapseProfiles(WinInfoRec* theWindow)
{
    if (!theWindow)
        return;
    for (VLPatternPtr pp : theWindow->plotList) {
        if (pp->type == kPatternTypeCrystal && pp->crystal)
            pp->crystal->yOffset = 0;
        else if (pp->type == kPatternTypeDataset && pp->dataset)
            pp->dataset->yOffset = 0;
    }
    AutoscaleYLimits(theWindow);
    theWindow->yRangeByHand = false;
    Redraw(theWindow, false, false);
    RebuildParameters(theWindow);
}

bool DoStackProfiles(WinInfoRec* theWindow)
{
    if (!theWindow || theWindow->plotList.size() < 2)
        return false;
    PlotSpecsRec& ps = theWindow->plotSpecs;
    const int W = theWindow->plotRect.Width();
    std::vector<double> most(theWindow->plotList.size(), 0.0);
    double crystalSum = 0;
    int crystals = 0, datasets = 0;
    for (std::size_t k = 0; k < theWindow->plotList.size(); ++k) {
        VLPatternPtr pp = theWindow->plotList[k];
        if (pp->type == kPatternTypeCrystal && pp->crystal) {
            const CrystalDataRec& xp = *pp->crystal;
            const int n = std::min(W, xp.nBufferPts());
            for (int i = 0; i < n; ++i)
                most[k] = std::max(most[k], CrystalColumnIntensity(xp, i, ColumnX(ps, i, W), false));
            crystalSum += most[k];
            ++crystals;
        } else if (pp->type == kPatternTypeDataset && pp->dataset) {
            const ObsDataRec& dp = *pp->dataset;
            const std::size_t n = std::min(dp.x.size(), dp.profile.size());
            for (std::size_t j = 0; j < n; ++j)
                if (dp.x[j] >= ps.xmin && dp.x[j] <= ps.xmax)
                    most[k] = std::max(most[k], static_cast<double>(dp.profile[j]));
            ++datasets;
        }
    }
    const int patterns = crystals + datasets;
    const double total = crystals > 0 ? crystalSum * patterns / crystals : 100;
    if (datasets > 0) {
        const double share = (total - crystalSum) / datasets;
        for (std::size_t k = 0; k < theWindow->plotList.size(); ++k) {
            VLPatternPtr pp = theWindow->plotList[k];
            if (pp->type != kPatternTypeDataset || !pp->dataset)
                continue;
            if (most[k] > 0)
                pp->dataset->relScale = static_cast<Float32>(share / most[k]);
            most[k] = share;
        }
    }
    double above = 0;
    for (std::size_t k = theWindow->plotList.size(); k-- > 0;) {
        VLPatternPtr pp = theWindow->plotList[k];
        if (pp->type == kPatternTypeCrystal && pp->crystal)
            pp->crystal->yOffset = static_cast<Float32>(above);
        else if (pp->type == kPatternTypeDataset && pp->dataset)
            pp->dataset->yOffset = static_cast<Float32>(above);
        above += most[k];
    }
    if (!(total > 0))
        return false;
    // The top pattern stands as far below the top as an autoscaled one does.
    ps.ymax = static_cast<Float32>(ps.plotType > 0 ? total / (1 - kAutoscaleHeadroom) : total);
    theWindow->yRangeByHand = false;
    Redraw(theWindow, false, false);
    RebuildParameters(theWindow);
    return true;
}

void DoAutoscaleY(WinInfoRec* theWindow)
{
    if (!theWindow)
        return;
    AutoscaleYLimits(theWindow);
    theWindow->yRangeByHand = false;
    Redraw(theWindow, false, false);
}

void DoAutoscale(WinInfoRec* theWindow)
{
    if (!theWindow)
        return;
    PlotSpecsRec& ps = theWindow->plotSpecs;
    double lo = 99999, hi = -99999;
    for (VLPatternPtr pp : theWindow->plotList) {
        if (pp->type == kPatternTypeCrystal && pp->crystal && !pp->crystal->refs.empty()) {
            for (const ReflexionRec* r : {&pp->crystal->refs.front(), &pp->crystal->refs.back()}) {
                lo = std::min<double>(lo, r->tth);
                hi = std::max<double>(hi, r->tth);
            }
        } else if (pp->type == kPatternTypeDataset && pp->dataset) {
            lo = std::min<double>(lo, pp->dataset->xmin);
            hi = std::max<double>(hi, pp->dataset->xmax);
        }
    }
    if (lo > hi)
        std::swap(lo, hi);
    const double margin = 0.02 * (hi - lo);
    const double a = lo - margin, b = hi + margin;
    ps.xmin = a < ps.xminLimit || a > ps.xmaxLimit ? ps.xminLimit : static_cast<Float32>(a);
    ps.xmax = !(b > ps.xmin) || b > ps.xmaxLimit ? ps.xmaxLimit : static_cast<Float32>(b);
    theWindow->yRangeByHand = false;
    RedrawRefittingY(theWindow, true, true);
}

void DoShowWholeRange(WinInfoRec* theWindow)
{
    if (!theWindow)
        return;
    PlotSpecsRec& ps = theWindow->plotSpecs;
    Float32 lo, hi;
    GetPlotLimitsForAxisType(ps.axisType, &lo, &hi, nullptr, nullptr);
    ps.xmin = std::max(lo, ps.xminLimit);
    ps.xmax = std::min(hi, ps.xmaxLimit);
    if (!(ps.xmin < ps.xmax)) {
        ps.xmin = ps.xminLimit;
        ps.xmax = ps.xmaxLimit;
    }
    theWindow->yRangeByHand = false;
    RedrawRefittingY(theWindow, true, true);
}

namespace {

// Moves the visible range by dx (shift pixels) and the crystals' columns with it: positive
// shifts bring in columns on the right.
void ScrollBy(WinInfoRec* w, double dx, int shift)
{
    PlotSpecsRec& ps = w->plotSpecs;
    const int W = w->plotRect.Width();
    ps.xmin = static_cast<Float32>(ps.xmin + dx);
    ps.xmax = static_cast<Float32>(ps.xmax + dx);
    ps.xmin = std::max(ps.xmin, ps.xminLimit);
    ps.xmax = std::min(ps.xmax, ps.xmaxLimit);
    const int n = std::abs(shift);
    bool reuse = n < W && GetNumCrystalsInPlotList(w) > 0;
    for (VLPatternPtr pp : w->plotList)
        if (pp->type == kPatternTypeCrystal && pp->crystal && pp->crystal->nBufferPts() != W)
            reuse = false;
    if (reuse) {
        for (VLPatternPtr pp : w->plotList) {
            if (pp->type != kPatternTypeCrystal || !pp->crystal)
                continue;
            CrystalDataRec* xp = pp->crystal.get();
            std::vector<Float32>& b = xp->plotBuffer;
            if (shift > 0) {
                std::move(b.begin() + n, b.end(), b.begin());
                if (!xp->refs.empty())
                    CalculateProfileForCrystal(xp, &ps, W, W - n, W - 1);
                else
                    std::fill(b.end() - n, b.end(), 0.0f);
            } else {
                std::move_backward(b.begin(), b.end() - n, b.end());
                if (!xp->refs.empty())
                    CalculateProfileForCrystal(xp, &ps, W, 0, n);
                else
                    std::fill(b.begin(), b.begin() + n, 0.0f);
            }
        }
    }
    Redraw(w, !reuse, false);
}

}  // namespace

bool DoScrollRight(WinInfoRec* theWindow, int pixelShift)
{
    if (!theWindow || pixelShift < 1)
        return false;
    PlotSpecsRec& ps = theWindow->plotSpecs;
    if (!(ps.xmaxLimit > ps.xmax) || !UsableScale(theWindow))
        return false;
    const double xscale = XScale(theWindow);
    double dx = pixelShift / xscale;
    if (ps.xmax + dx > ps.xmaxLimit) {
        dx = static_cast<double>(ps.xmaxLimit) - ps.xmax;
        pixelShift = TruncPixel(xscale * dx);
    }
    ScrollBy(theWindow, dx, pixelShift);
    return true;
}

bool DoScrollLeft(WinInfoRec* theWindow, int pixelShift)
{
    if (!theWindow || pixelShift < 1)
        return false;
    PlotSpecsRec& ps = theWindow->plotSpecs;
    if (!(ps.xmin > ps.xminLimit) || !UsableScale(theWindow))
        return false;
    const double xscale = XScale(theWindow);
    double dx = pixelShift / xscale;
    if (ps.xmin - dx < ps.xminLimit) {
        dx = static_cast<double>(ps.xmin) - ps.xminLimit;
        pixelShift = TruncPixel(xscale * dx);
    }
    ScrollBy(theWindow, -dx, -pixelShift);
    return true;
}

bool DoScrollPixels(WinInfoRec* theWindow, int pixels)
{
    return pixels > 0 ? DoScrollRight(theWindow, pixels) : DoScrollLeft(theWindow, -pixels);
}

HorizontalScrollRec SetHorizontalScroll(const WinInfoRec* theWindow)
{
    HorizontalScrollRec bar;
    if (!theWindow)
        return bar;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    const int W = theWindow->plotRect.Width();
    const double range = static_cast<double>(ps.xmax) - ps.xmin;
    if (W <= 0 || !(range > 0))
        return bar;
    const double u = W / range / kScrollUnitPixels;
    bar.maximum = std::max(0, TruncPixel((static_cast<double>(ps.xmaxLimit) - ps.xminLimit - range) * u));
    bar.page = TruncPixel(range * u);  // the part shown, however narrow the range
    bar.value = std::clamp(TruncPixel(u * (static_cast<double>(ps.xmin) - ps.xminLimit)), 0, bar.maximum);
    bar.viewSize = W / kScrollUnitPixels;
    return bar;
}

int HorizontalScrollPixelShift(const WinInfoRec* theWindow, int newValue)
{
    if (!theWindow)
        return 0;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    const int W = theWindow->plotRect.Width();
    const double range = static_cast<double>(ps.xmax) - ps.xmin;
    if (W <= 0 || !(range > 0))
        return 0;
    const double u = W / range / kScrollUnitPixels;
    const int previous = TruncPixel(u * (static_cast<double>(ps.xmin) - ps.xminLimit));
    return (std::max(newValue, 0) - previous) * kScrollUnitPixels;
}
