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

namespace {

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

DrawContext DrawContext::Screen(bool activeWindow)
{
    DrawContext dc;
    dc.hilite = ThemeHiliteColor(activeWindow);
    return dc;
}

DrawContext DrawContext::Printer(int dpi, int pageWidthDots, double windowWidthPixels)
{
    DrawContext dc;
    dc.printing = true;
    dc.printRes = static_cast<UInt16>(std::clamp(dpi, 1, 65535));
    dc.resolutionFactor = dc.printRes / 72.0f;
    dc.printPageWidthDots = pageWidthDots;
    dc.printWindowWidthPixels = windowWidthPixels;
    return dc;
}

RGBColor ThemeHiliteColor(bool active)
{
    return active ? kRGBRoyalBlue : kRGBMdGrey;
}

Float32 MyPenSizeForPrinting(const DrawContext& dc, Float32 inputSize)
{
    if (!dc.printing || dc.printRes == 0)
        return inputSize;
    const double p = inputSize * static_cast<double>(dc.printRes) / 72;
    const int pageInches = dc.printPageWidthDots / dc.printRes;
    const double windowWidth =
        dc.printWindowWidthPixels > 0 ? dc.printWindowWidthPixels : dc.printPageWidthDots * 72.0 / dc.printRes;
    const double windowInches = windowWidth / 72;
    // A page narrower than an inch (or unknown) keeps the plain printer scale.
    if (pageInches < 1 || !(windowInches > 0))
        return static_cast<Float32>(p);
    return static_cast<Float32>(pageInches / windowInches * p);
}

RGBColor PlotTextColor(const DrawContext& dc, const PlotSpecsRec& ps)
{
    return !dc.printing && IsDark(ps.windowColor) ? kRGBWhite : kRGBBlack;
}

DrawContext WindowDrawContext(const DrawContext& dc, WinInfoRec* theWindow)
{
    DrawContext pass = dc;
    if (theWindow && theWindow->hooks)
        pass.hilite = ThemeHiliteColor(theWindow->hooks->IsWindowActive(theWindow));
    return pass;
}

Rect PlotMessageRect(const Rect& plotRect)
{
    return {RectCoord((plotRect.top + plotRect.bottom - 14) / 2), RectCoord(plotRect.left + 10), RectCoord(plotRect.bottom - 10),
            RectCoord(plotRect.right - 10)};
}

Rect GetCurPlotRect(const DrawContext& dc, WinInfoRec* theWindow, const Rect& paneRect)
{
    if (!theWindow)
        return paneRect;
    const double r = dc.resolutionFactor;
    Rect pane = paneRect;
    if (dc.printing)
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


namespace {

// What the steps of one DrawPatterns pass share.
struct PatternPass {
    DrawingSurface& s;
    const DrawContext dc;  // the caller's, with the window's selection colour
    WinInfoRec* w;
    PlotSpecsRec& ps;
    const bool calculateProfile;
    const bool showProgress;
    SInt32 nCrystals = 0;
    SInt32 nDatasets = 0;
    bool autoscale = false;   // fit the intensity axis once the profiles of the range exist
    bool profilesDone = false;
    Rect pane{};
    Rect plot{};
    Rect residualRect{};
    int n = 0;                // the last pixel column of the plot
    bool residual = false;    // the residual panel is drawn
    bool showLegend = false;
    LegendLayout legend{};
    RGBColor textColor{};
    GraphFrameRec gf{};
    Float32 residualSum = 0;

    void Finish() const
    {
        if (showProgress)
            ClearStatusBar(w);
    }
};

// The x range within its limits (a reversed range is reset to them and the intensity axis
// fitted again). False when it leaves nothing to draw.
bool SettleXRange(PatternPass& p)
{
    PlotSpecsRec& ps = p.ps;
    p.autoscale = p.dc.autoscaleY || p.w->autoScaleY;
    if (!(ps.xmin < ps.xmax)) {
        MyCFCautionAlert("X_Min_Max_Error");
        ps.xmin = ps.xminLimit;
        ps.xmax = ps.xmaxLimit;
        p.autoscale = true;
    } else {
        ps.xmin = std::max(ps.xmin, ps.xminLimit);
        ps.xmax = std::min(ps.xmax, ps.xmaxLimit);
    }
    ForgetCursorAfterChange(p.w);
    // Limits that leave no range (a damaged session, say) leave nothing to draw.
    return ps.xmin < ps.xmax && std::isfinite(ps.xmin) && std::isfinite(ps.xmax);
}

// An intensity range that is not empty; an empty one is refitted to the curves.
void SettleIntensityRange(PatternPass& p)
{
    PlotSpecsRec& ps = p.ps;
    if (!(ps.ymax > ps.ymin) || !std::isfinite(ps.ymax - ps.ymin)) {
        ps.ymax = ps.ymin + 1;
        p.autoscale = true;
    }
}

// The plot and residual rectangles; false when the plot is too small to draw.
bool LayOut(PatternPass& p, const Rect& paneRect)
{
    p.pane = GetCurPlotRect(p.dc, p.w, paneRect);
    p.plot = p.w->plotRect;
    p.n = p.plot.Width() - 1;
    p.residual = p.ps.showResidual && p.nCrystals > 0 && p.nDatasets > 0;
    return p.n >= 1 && p.plot.Height() >= 2;
}

// Scales, profiles for the plot's columns and the fitted intensity axis, for the plot as it is
// laid out now.
void FitToPlot(PatternPass& p)
{
    PlotSpecsRec& ps = p.ps;
    const Rect& plot = p.plot;
    ps.xscale = static_cast<Float32>(plot.Width() / (static_cast<double>(ps.xmax) - ps.xmin));
    ps.yscale = static_cast<Float32>((plot.Height() - 1) / (static_cast<double>(ps.ymax) - ps.ymin));
    if (p.nCrystals > 0) {
        // A buffer of another width (the pane was resized) is recomputed as well.
        const bool all = p.calculateProfile && !p.profilesDone;
        bool any = false;
        for (VLPatternPtr pp : p.w->plotList)
            if (pp->type == kPatternTypeCrystal && pp->crystal && NeedsProfile(*pp->crystal, plot.Width(), all))
                any = true;
        if (any) {
            if (all) {
                CalculateProfiles(p.w, 0, p.n, plot, p.showProgress);
            } else {
                for (VLPatternPtr pp : p.w->plotList)
                    if (pp->type == kPatternTypeCrystal && pp->crystal && NeedsProfile(*pp->crystal, plot.Width(), false))
                        CalculateProfileForCrystal(pp->crystal.get(), &ps, plot.Width(), 0, p.n);
            }
            if (p.showProgress)
                ShowLocalizedStatus(p.w, "Plotting_Pattern");
        }
        p.profilesDone = true;
    }
    if (p.autoscale)
        AutoscaleYLimits(p.w);
}

// The legend goes to the emptiest corner; when every corner would hide some of the curves, the
// plot makes room for it on its right, if it stays wide enough.
void PlaceLegend(PatternPass& p)
{
    const PlotSpecsRec& ps = p.ps;
    p.showLegend = ps.showLegend && ps.plotType > 0 && p.nCrystals + p.nDatasets > 0;
    if (!p.showLegend)
        return;
    const LegendChoice choice = ChooseGraphLegendPlace(p.dc, p.w, p.plot);
    p.legend = choice.layout;
    if (choice.place != LegendPlace::OutsideRight)
        return;
    const int room = LegendOutsideWidth(p.dc);  // device pixels already
    const bool wideEnough = p.plot.Width() - room >= std::max(200.0, 0.6 * p.plot.Width());
    const bool tallEnough = p.plot.top + p.legend.box.Height() <= p.pane.bottom;
    if (!wideEnough || !tallEnough) {
        p.legend.box = choice.cornerBox;
        return;
    }
    p.plot.right = RectCoord(p.plot.right - room);
    p.w->plotRect = p.plot;
    if (p.residual)
        p.w->residualRect.right = p.plot.right;
    p.n = p.plot.Width() - 1;
    FitToPlot(p);
    p.legend.box = LegendBoxAt(p.dc, p.plot, p.legend.box, LegendPlace::OutsideRight);
}

// On screen: the pane's background and the frames around the plot and residual panels.
void PaintPane(PatternPass& p)
{
    if (p.dc.printing)
        return;
    // White axis numbers need the window colour behind them to be read.
    p.s.RGBForeColor(p.textColor == kRGBWhite ? p.ps.windowColor : gWinBackColor);
    p.s.PaintRect(p.pane);
    DrawTabPaneFrame(p.s, p.plot);
    if (p.residual)
        DrawTabPaneFrame(p.s, p.residualRect);
}

GraphFrameRec MakeGraphFrame(const PlotSpecsRec& ps)
{
    GraphFrameRec gf;
    gf.xmin = ps.xmin;
    gf.xmax = ps.xmax;
    gf.ymin = ps.ymin;
    gf.ymax = ps.ymax;
    gf.xscale = ps.xscale;
    gf.yscale = ps.yscale;
    gf.tickSize = 5;
    gf.frameColor = GridColor(ps.windowColor);
    return gf;
}

void PaintGraphPaper(PatternPass& p, const Rect& r)
{
    if (p.dc.printing)
        return;
    p.s.RGBForeColor(gGraphPaperColor);
    p.s.PaintRect(r);
}

// Graph mode: axes, grids, the curves and the residual panel.
void DrawGraphs(PatternPass& p)
{
    DrawingSurface& s = p.s;
    PaintGraphPaper(p, p.plot);
    s.RGBForeColor(p.textColor);
    DrawXAxis(s, p.dc, p.w, p.plot, &p.gf);
    s.RGBForeColor(p.textColor);
    DrawYAxis(s, p.dc, p.w, p.plot, &p.gf);
    if (p.ps.showGrids)
        DrawGrids(s, p.plot, &p.gf);
    PlotPatternsAsGraphs(s, p.dc, p.w, 0, p.n);
    if (!p.residual)
        return;
    PaintGraphPaper(p, p.residualRect);
    // The residual is drawn at the main plot's scale with zero on the middle row; its axis is
    // numbered in the same scale, so that the numbers match the curve.
    GraphFrameRec rf = p.gf;
    const double half = p.residualRect.Height() * 0.5 / p.ps.yscale;
    rf.ymin = static_cast<Float32>(-half);
    rf.ymax = static_cast<Float32>(half);
    rf.yscale = p.ps.yscale;
    s.RGBForeColor(p.textColor);
    DrawYAxis(s, p.dc, p.w, p.residualRect, &rf);
    if (p.ps.showGrids)
        DrawGrids(s, p.residualRect, &rf);
    p.residualSum = PlotResidualAsGraph(s, p.dc, p.w, 0, p.n);
}

// Film mode: the strips on the film background, the residual strip and the x axis.
void DrawFilms(PatternPass& p)
{
    DrawingSurface& s = p.s;
    const UInt16 g = FilmBackgroundGrey(p.ps.filmThreshold);
    s.RGBForeColor({g, g, g});
    s.PaintRect(p.plot);
    PlotPatternsAsFilms(s, p.dc, p.w, 0, p.n);
    if (p.residual)
        p.residualSum = PlotResidualAsFilm(s, p.dc, p.w, 0, p.n);
    s.RGBForeColor(p.textColor);
    DrawXAxis(s, p.dc, p.w, p.plot, &p.gf);
}

// The peak overlay of the window's style, then the peak labels clear of the legend.
void DrawPeakOverlays(PatternPass& p)
{
    if (p.nCrystals == 0)
        return;
    switch (p.ps.overlayPeakStyle) {
    case kOverlayPeaksMarkers: OverlayPeakMarkers(p.s, p.w, 0, p.n); break;
    case kOverlayPeaksDashed: OverlayPeakProfiles(p.s, p.dc, p.w, false, true); break;
    case kOverlayPeaksSolid: OverlayPeakProfiles(p.s, p.dc, p.w, false, false); break;
    case kOverlayPeaksFilled: OverlayPeakProfiles(p.s, p.dc, p.w, true, false); break;
    default: break;
    }
    std::vector<Rect> keepClear;
    if (p.showLegend && p.legend.fits)
        keepClear.push_back(p.legend.box);
    ShowPeakLabels(p.s, p.dc, p.w, 0, p.n, keepClear);
}

// What the pane says when there is nothing to show.
void DrawPlotMessage(PatternPass& p)
{
    std::string key;
    if (p.nCrystals + p.nDatasets == 0)
        key = "Drop_Files_Graphics_Pane";
    else if (p.nCrystals > 0 && !ReflexionsInLimits(p.w))
        key = "No_Reflexions_Recalculate";
    if (key.empty())
        return;
    p.s.SetFont({kSystemFontName, 11 * p.dc.resolutionFactor, kFacePlain});
    p.s.RGBForeColor(p.textColor);
    DrawTextBox(p.s, LocalizedString(key), PlotMessageRect(p.plot), TextJustify::Centre);
}

void DrawFramesAndLegends(PatternPass& p)
{
    DrawingSurface& s = p.s;
    DrawGraphFrame(s, p.dc, p.plot);
    if (p.residual)
        DrawGraphFrame(s, p.dc, p.residualRect);
    if (!p.ps.showLegend || p.ps.plotType <= 0)
        return;
    s.SetFont({kPlotFontName, 9 * p.dc.resolutionFactor, kFacePlain});
    if (p.showLegend) {
        // Outside the plot the pane's clip applies.
        ClipSaver legendClip(s);
        s.ClipRect(p.pane);
        DrawGraphLegend(s, p.dc, p.w, p.legend);
    }
    if (p.residual)
        DrawResidualGraphLegend(s, p.dc, p.w, p.residualRect, p.residualSum);
}

// A printed page carries the window's title above the plot; the screen the read-out cursor.
void DrawTitleOrCursor(PatternPass& p, bool drawCursor)
{
    const double r = p.dc.resolutionFactor;
    if (p.dc.printing) {
        p.s.SetFont({kPlotFontName, 12 * r, kFacePlain});
        p.s.RGBForeColor(kRGBBlack);
        DrawTextBox(p.s, PrintedTitle(p.w), {RectCoord(p.plot.top - 18 * r), p.plot.left, p.plot.bottom, p.plot.right},
                    TextJustify::Centre);
    } else if (drawCursor && p.ps.showCursor && p.nCrystals + p.nDatasets > 0) {
        DrawCursorBox(p.s, p.dc, p.w);
    }
}

}  // namespace

void DrawPatterns(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, const Rect& paneRect,
                  bool calculateProfile, bool showProgress, bool drawCursor)
{
    if (!theWindow || dc.lockScreen)
        return;
    DrawContext pass = WindowDrawContext(dc, theWindow);
    if (pass.printing)
        pass.printPageWidthDots = s.GetPortBounds().Width();
    PatternPass p{s, pass, theWindow, theWindow->plotSpecs, calculateProfile, showProgress};
    if (showProgress)
        ShowLocalizedStatus(theWindow, "Plotting_Pattern");
    p.nCrystals = GetNumCrystalsInPlotList(theWindow);
    p.nDatasets = GetNumDatasetsInPlotList(theWindow);
    if (p.nCrystals + p.nDatasets > 0 && theWindow->hooks)
        theWindow->hooks->SetWindowModified(theWindow, true);

    if (!SettleXRange(p) || !LayOut(p, paneRect)) {
        p.Finish();
        return;
    }
    SettleIntensityRange(p);
    FitToPlot(p);
    PlaceLegend(p);
    p.residualRect = theWindow->residualRect;

    SurfaceStateSaver saver(s);
    ClipSaver clipSaver(s);
    s.PenNormal();
    p.textColor = PlotTextColor(pass, p.ps);
    PaintPane(p);
    s.SetFont({kPlotFontName, 9 * pass.resolutionFactor, kFacePlain});
    p.gf = MakeGraphFrame(p.ps);
    if (p.ps.plotType > 0) {
        DrawGraphs(p);
    } else if (p.ps.plotType < 0) {
        DrawFilms(p);
    } else {
        MyCFCautionAlert("Unknown_Plot_Type");
        p.ps.plotType = 1;
        p.Finish();
        return;
    }
    DrawPeakOverlays(p);
    DrawPlotMessage(p);
    DrawFramesAndLegends(p);
    DrawTitleOrCursor(p, drawCursor);
    p.Finish();
    if (!pass.printing)
        s.FlushPortBuffer(p.pane);
}

PlotView MakePlotView(WinInfoRec* theWindow, int first, int last)
{
    PlotView view;
    if (!theWindow)
        return view;
    view.window = theWindow;
    view.plot = theWindow->plotRect;
    view.width = view.plot.Width();
    if (view.width <= 0)
        return view;
    NormalizePixelRange(view.width, first, last);
    view.first = first;
    view.last = last;
    return view;
}
