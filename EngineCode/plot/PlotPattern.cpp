// The drawing driver: plot layout, printing scale and the drawing sequence of a graphics pane.
#include "PlotPattern.h"

#include "Axes.h"
#include "CursorBox.h"
#include "Diffraction.h"
#include "Document.h"
#include "FilmMode.h"
#include "Globals.h"
#include "GraphMode.h"
#include "PeakLabels.h"
#include "PlotPixels.h"
#include "PlotShapes.h"
#include "Profile.h"
#include "Status.h"
#include "StringTable.h"
#include "TextBox.h"
#include "ViewTransforms.h"

#include <algorithm>
#include <cmath>
#include <vector>

Float32 gResolutionFactor = 1.0f;

namespace {

int gPrintPageWidthDots = 0;        // width of the printed page, printer dots
double gPrintWindowWidthPixels = 0; // width of the window on the page, screen pixels; 0: the page

// Grid lines: a quarter of the window colour on white, so that they stay lighter than any curve.
RGBColor GridColor(const RGBColor& c)
{
    auto mix = [](UInt16 v) { return static_cast<UInt16>((v + 3 * 65535) / 4); };
    return {mix(c.red), mix(c.green), mix(c.blue)};
}

bool IsDark(const RGBColor& c)
{
    return (c.red + c.green + c.blue) / 3 < 20000;
}

std::string PrintedTitle(WinInfoRec* theWindow)
{
    std::string title;
    if (theWindow->hooks)
        title = theWindow->hooks->WindowTitle(theWindow);
    if (title.empty())
        title = theWindow->filename;
    if (title.empty())
        title = LocalizedString("Untitled");
    return title;
}

// Whether a crystal's profile must be computed for this pass.
bool NeedsProfile(const CrystalDataRec& xp, int plotWidth, bool calculateProfile)
{
    return calculateProfile || xp.nBufferPts() != plotWidth;
}

}  // namespace

void SetPrintPageGeometry(int pageWidthDots, double windowWidthPixels)
{
    gPrintPageWidthDots = pageWidthDots;
    gPrintWindowWidthPixels = windowWidthPixels;
}

Float32 MyPenSizeForPrinting(Float32 inputSize)
{
    if (!gPrinting || gPrintRes == 0)
        return inputSize;
    const double p = inputSize * static_cast<double>(gPrintRes) / 72;
    const int pageInches = gPrintPageWidthDots / gPrintRes;
    const double windowWidth =
        gPrintWindowWidthPixels > 0 ? gPrintWindowWidthPixels : gPrintPageWidthDots * 72.0 / gPrintRes;
    const double windowInches = windowWidth / 72;
    // A page narrower than an inch (or unknown) keeps the plain printer scale.
    if (pageInches < 1 || !(windowInches > 0))
        return static_cast<Float32>(p);
    return static_cast<Float32>(pageInches / windowInches * p);
}

RGBColor PlotTextColor(const PlotSpecsRec& ps)
{
    return !gPrinting && IsDark(ps.windowColor) ? kRGBWhite : kRGBBlack;
}

Rect PlotMessageRect(const Rect& plotRect)
{
    return {RectCoord((plotRect.top + plotRect.bottom - 14) / 2), RectCoord(plotRect.left + 10), RectCoord(plotRect.bottom - 10),
            RectCoord(plotRect.right - 10)};
}

Rect GetCurPlotRect(WinInfoRec* theWindow, const Rect& paneRect)
{
    gResolutionFactor = gPrinting && gPrintRes > 0 ? gPrintRes / 72.0f : 1.0f;
    if (!theWindow)
        return paneRect;
    const double r = gResolutionFactor;
    Rect pane = paneRect;
    if (gPrinting)
        pane.top = RectCoord(pane.top + static_cast<int>(15 * r));
    else
        pane.bottom = RectCoord(pane.bottom - 1);

    PlotSpecsRec& ps = theWindow->plotSpecs;
    if (ps.showResidual && (GetNumCrystalsInPlotList(theWindow) == 0 || GetNumDatasetsInPlotList(theWindow) == 0))
        ps.showResidual = false;
    const int lower = ps.showResidual ? pane.top + (2 * (pane.bottom - pane.top)) / 3 : pane.bottom;

    Rect plot;
    plot.left = RectCoord(std::trunc(pane.left + kPlotMarginLeft * r));
    plot.top = RectCoord(std::trunc(pane.top + kPlotMarginTop * r));
    plot.right = RectCoord(std::trunc(pane.right - kPlotMarginRight * r));
    plot.bottom = RectCoord(std::trunc(lower - kPlotMarginBottom * r));
    theWindow->plotRect = plot;
    if (ps.showResidual)
        theWindow->residualRect = {RectCoord(std::trunc(plot.bottom + kPlotMarginBottom * r)), plot.left, RectCoord(std::trunc(pane.bottom - 10 * r)),
                                   plot.right};
    else
        theWindow->residualRect = pane;
    return pane;
}

void DrawPatterns(DrawingSurface& s, WinInfoRec* theWindow, const Rect& paneRect, bool calculateProfile,
                  bool showProgress, bool drawCursor)
{
    if (!theWindow || gLockScreen)
        return;
    PlotSpecsRec& ps = theWindow->plotSpecs;
    gResolutionFactor = gPrinting && gPrintRes > 0 ? gPrintRes / 72.0f : 1.0f;
    const double r = gResolutionFactor;
    if (showProgress)
        ShowLocalizedStatus(theWindow, "Plotting_Pattern");
    gThemeBrushHilite = ThemeHiliteColor(theWindow->hooks ? theWindow->hooks->IsWindowActive(theWindow) : true);
    const SInt32 nCrystals = GetNumCrystalsInPlotList(theWindow);
    const SInt32 nDatasets = GetNumDatasetsInPlotList(theWindow);
    if (nCrystals + nDatasets > 0 && theWindow->hooks)
        theWindow->hooks->SetWindowModified(theWindow, true);

    // The intensity axis is fitted after the profiles of the new range exist.
    bool autoscale = theWindow->autoScaleY;
    if (!(ps.xmin < ps.xmax)) {
        MyCFCautionAlert("X_Min_Max_Error");
        ps.xmin = ps.xminLimit;
        ps.xmax = ps.xmaxLimit;
        autoscale = true;
    } else {
        ps.xmin = std::max(ps.xmin, ps.xminLimit);
        ps.xmax = std::min(ps.xmax, ps.xmaxLimit);
    }
    auto finish = [&]() {
        if (showProgress)
            ClearStatusBar(theWindow);
    };
    ForgetCursorAfterChange(theWindow);
    // Limits that leave no range (a damaged session, say) leave nothing to draw.
    if (!(ps.xmin < ps.xmax) || !std::isfinite(ps.xmin) || !std::isfinite(ps.xmax)) {
        finish();
        return;
    }

    if (gPrinting)
        gPrintPageWidthDots = s.GetPortBounds().Width();
    const Rect pane = GetCurPlotRect(theWindow, paneRect);
    Rect plot = theWindow->plotRect;
    int n = plot.Width() - 1;
    if (n < 1 || plot.Height() < 2) {
        finish();
        return;
    }
    const bool residual = ps.showResidual && nCrystals > 0 && nDatasets > 0;

    if (!(ps.ymax > ps.ymin) || !std::isfinite(ps.ymax - ps.ymin)) {
        ps.ymax = ps.ymin + 1;
        autoscale = true;
    }
    bool profilesDone = false;
    // Scales, profiles for the plot's columns and the fitted intensity axis, for the plot as it
    // is laid out now.
    auto fitToPlot = [&]() {
        ps.xscale = static_cast<Float32>(plot.Width() / (static_cast<double>(ps.xmax) - ps.xmin));
        ps.yscale = static_cast<Float32>((plot.Height() - 1) / (static_cast<double>(ps.ymax) - ps.ymin));
        if (nCrystals > 0) {
            // A buffer of another width (the pane was resized) is recomputed as well.
            const bool all = calculateProfile && !profilesDone;
            bool any = false;
            for (VLPatternPtr pp : theWindow->plotList)
                if (pp->type == kPatternTypeCrystal && pp->crystal && NeedsProfile(*pp->crystal, plot.Width(), all))
                    any = true;
            if (any) {
                if (all) {
                    CalculateProfiles(theWindow, 0, n, plot, showProgress);
                } else {
                    for (VLPatternPtr pp : theWindow->plotList)
                        if (pp->type == kPatternTypeCrystal && pp->crystal && NeedsProfile(*pp->crystal, plot.Width(), false))
                            CalculateProfileForCrystal(pp->crystal.get(), &ps, plot.Width(), 0, n);
                }
                if (showProgress)
                    ShowLocalizedStatus(theWindow, "Plotting_Pattern");
            }
            profilesDone = true;
        }
        if (autoscale)
            AutoscaleYLimits(theWindow);
    };
    fitToPlot();

    // The legend goes to the emptiest corner; when every corner would hide some of the curves,
    // the plot makes room for it on its right, if it stays wide enough.
    LegendLayout legend;
    const bool showLegend = ps.showLegend && ps.plotType > 0 && nCrystals + nDatasets > 0;
    if (showLegend) {
        const LegendChoice choice = ChooseGraphLegendPlace(theWindow, plot);
        legend = choice.layout;
        if (choice.place == LegendPlace::OutsideRight) {
            const int room = static_cast<int>(LegendOutsideWidth() * r) ;
            const bool wideEnough = plot.Width() - room >= std::max(200.0, 0.6 * plot.Width());
            const bool tallEnough = plot.top + legend.box.Height() <= pane.bottom;
            if (wideEnough && tallEnough) {
                plot.right = RectCoord(plot.right - room);
                theWindow->plotRect = plot;
                if (residual)
                    theWindow->residualRect.right = plot.right;
                n = plot.Width() - 1;
                fitToPlot();
                legend.box = LegendBoxAt(plot, legend.box, LegendPlace::OutsideRight);
            } else {
                legend.box = choice.cornerBox;
            }
        }
    }
    const Rect residualRect = theWindow->residualRect;

    SurfaceStateSaver saver(s);
    ClipSaver clipSaver(s);
    s.PenNormal();
    const RGBColor textColor = PlotTextColor(ps);
    if (!gPrinting) {
        // White axis numbers need the window colour behind them to be read.
        s.RGBForeColor(textColor == kRGBWhite ? ps.windowColor : gWinBackColor);
        s.PaintRect(pane);
        DrawTabPaneFrame(s, plot);
        if (residual)
            DrawTabPaneFrame(s, residualRect);
    }

    s.SetFont({kPlotFontName, 9 * r, kFacePlain});
    GraphFrameRec gf;
    gf.xmin = ps.xmin;
    gf.xmax = ps.xmax;
    gf.ymin = ps.ymin;
    gf.ymax = ps.ymax;
    gf.xscale = ps.xscale;
    gf.yscale = ps.yscale;
    gf.tickSize = 5;
    gf.frameColor = GridColor(ps.windowColor);

    auto applyAutoscale = [&]() {
        gf.ymin = ps.ymin;
        gf.ymax = ps.ymax;
        gf.yscale = ps.yscale;
    };

    Float32 residualSum = 0;
    if (ps.plotType > 0) {
        if (!gPrinting) {
            s.RGBForeColor(gGraphPaperColor);
            s.PaintRect(plot);
        }
        s.RGBForeColor(textColor);
        DrawXAxis(s, theWindow, plot, &gf);
        applyAutoscale();
        s.RGBForeColor(textColor);
        DrawYAxis(s, theWindow, plot, &gf);
        if (ps.showGrids)
            DrawGrids(s, plot, &gf);
        PlotPatternsAsGraphs(s, theWindow, 0, n);
        if (residual) {
            if (!gPrinting) {
                s.RGBForeColor(gGraphPaperColor);
                s.PaintRect(residualRect);
            }
            // The residual is drawn at the main plot's scale with zero on the middle row; its
            // axis is numbered in the same scale, so that the numbers match the curve.
            const double half = residualRect.Height() * 0.5 / ps.yscale;
            gf.ymin = static_cast<Float32>(-half);
            gf.ymax = static_cast<Float32>(half);
            gf.yscale = ps.yscale;
            s.RGBForeColor(textColor);
            DrawYAxis(s, theWindow, residualRect, &gf);
            if (ps.showGrids)
                DrawGrids(s, residualRect, &gf);
            residualSum = PlotResidualAsGraph(s, theWindow, 0, n);
        }
    } else if (ps.plotType < 0) {
        const UInt16 g = FilmBackgroundGrey(ps.filmThreshold);
        s.RGBForeColor({g, g, g});
        s.PaintRect(plot);
        applyAutoscale();
        PlotPatternsAsFilms(s, theWindow, 0, n);
        if (residual)
            residualSum = PlotResidualAsFilm(s, theWindow, 0, n);
        s.RGBForeColor(textColor);
        DrawXAxis(s, theWindow, plot, &gf);
    } else {
        MyCFCautionAlert("Unknown_Plot_Type");
        ps.plotType = 1;
        finish();
        return;
    }

    if (nCrystals > 0) {
        switch (ps.overlayPeakStyle) {
        case kOverlayPeaksMarkers: OverlayPeakMarkers(s, theWindow, 0, n); break;
        case kOverlayPeaksDashed: OverlayPeakProfiles(s, theWindow, false, true); break;
        case kOverlayPeaksSolid: OverlayPeakProfiles(s, theWindow, false, false); break;
        case kOverlayPeaksFilled: OverlayPeakProfiles(s, theWindow, true, false); break;
        default: break;
        }
        std::vector<Rect> keepClear;
        if (showLegend && legend.fits)
            keepClear.push_back(legend.box);
        ShowPeakLabels(s, theWindow, 0, n, keepClear);
    }

    const Rect message = PlotMessageRect(plot);
    std::string key;
    if (nCrystals + nDatasets == 0)
        key = "Drop_Files_Graphics_Pane";
    else if (nCrystals > 0 && !ReflexionsInLimits(theWindow))
        key = "No_Reflexions_Recalculate";
    if (!key.empty()) {
        s.SetFont({kSystemFontName, 11 * r, kFacePlain});
        s.RGBForeColor(textColor);
        DrawTextBox(s, LocalizedString(key), message, TextJustify::Centre);
    }

    DrawGraphFrame(s, plot);
    if (residual)
        DrawGraphFrame(s, residualRect);

    if (ps.showLegend && ps.plotType > 0) {
        s.SetFont({kPlotFontName, 9 * r, kFacePlain});
        if (showLegend) {
            // Outside the plot the pane's clip applies.
            ClipSaver legendClip(s);
            s.ClipRect(pane);
            DrawGraphLegend(s, theWindow, legend);
        }
        if (residual)
            DrawResidualGraphLegend(s, theWindow, residualRect, residualSum);
    }

    if (gPrinting) {
        s.SetFont({kPlotFontName, 12 * r, kFacePlain});
        s.RGBForeColor(kRGBBlack);
        DrawTextBox(s, PrintedTitle(theWindow), {RectCoord(plot.top - 18 * r), plot.left, plot.bottom, plot.right},
                    TextJustify::Centre);
    } else if (drawCursor && ps.showCursor && nCrystals + nDatasets > 0) {
        DrawCursorBox(s, theWindow);
    }

    finish();
    if (!gPrinting)
        s.FlushPortBuffer(pane);
}
