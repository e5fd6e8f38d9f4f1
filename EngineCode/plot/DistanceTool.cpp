// The distance tool.
#include "DistanceTool.h"

#include "CursorBox.h"
#include "CursorReadout.h"
#include "Document.h"
#include "Globals.h"
#include "PlotMouse.h"
#include "Status.h"

#include <algorithm>

namespace {

DistanceMarkerRec MarkerAt(const WinInfoRec* w, int column)
{
    return {static_cast<Float32>(ColumnToX(w, column)), static_cast<SInt16>(column), true};
}

void ClearMarkers(DistanceToolRec& d)
{
    d.marker0 = d.marker1 = d.marker2 = DistanceMarkerRec{};
}

// The plot moved under the recorded positions since they were taken.
bool PlotChanged(const WinInfoRec* w)
{
    const DistanceToolRec& d = w->distance;
    return d.marker1.set && (w->plotRect != d.livePlotRect || w->plotSpecs.xmin != d.liveXMin);
}

void Redraw(WinInfoRec* w)
{
    if (w->hooks)
        w->hooks->RedrawWindow(w, false, false);
}

}  // namespace

void InitDistanceTool(WinInfoRec* theWindow)
{
    if (!theWindow)
        return;
    ClearMarkers(theWindow->distance);
    theWindow->distance.liveShown = false;
    theWindow->plotSpecs.showCursor = false;
    Redraw(theWindow);
    ShowLocalizedStatus(theWindow, "Distance_Tool_Prompt");
}

DistanceClick MeasureDistanceOnPlot(WinInfoRec* theWindow, int column)
{
    if (!theWindow)
        return DistanceClick::Ignored;
    DistanceToolRec& d = theWindow->distance;
    if (PlotChanged(theWindow))
        ClearMarkers(d);
    if (!d.marker1.set) {
        // The live line follows the mouse from the start, so the first click is the first position.
        d.marker0 = MarkerAt(theWindow, column);
        d.marker1 = d.marker0;
        d.livePlotRect = theWindow->plotRect;
        d.liveXMin = theWindow->plotSpecs.xmin;
        ShowLocalizedStatus(theWindow, "Click_Record_Distance");
        return DistanceClick::FirstRecorded;
    }
    const int previous = d.marker2.set && !d.marker0.set ? d.marker2.xpix : d.marker1.xpix;
    if (column == previous)
        return DistanceClick::Ignored;
    if (d.marker0.set) {
        d.marker2 = MarkerAt(theWindow, column);
        d.marker0.set = false;  // no longer tracking
        d.liveShown = false;
        DrawInfoBarReadout(theWindow, InfoBarDistanceData(theWindow->plotSpecs, d.marker1.x, d.marker2.x, {}));
        return DistanceClick::SecondRecorded;
    }
    InitDistanceTool(theWindow);
    return DistanceClick::Reset;
}

bool DrawDistanceCursors(WinInfoRec* theWindow, int column, int row)
{
    if (!theWindow)
        return false;
    DistanceToolRec& d = theWindow->distance;
    if (PlotChanged(theWindow)) {
        // The pane was redrawn under the positions: start again.
        InitDistanceTool(theWindow);
        return true;
    }
    const bool complete = d.marker1.set && d.marker2.set && !d.marker0.set;
    if (complete)
        return false;
    if (!PointInPlot(theWindow, column, row))
        return HideDistanceCursor(theWindow);
    if (d.liveShown && d.liveColumn == column)
        return false;
    d.liveShown = true;
    d.liveColumn = static_cast<SInt16>(column);
    if (d.marker1.set) {
        d.marker2.x = static_cast<Float32>(ColumnToX(theWindow, column));
        DrawInfoBarReadout(theWindow, InfoBarDistanceData(theWindow->plotSpecs, d.marker1.x, d.marker2.x, "(click to end)"));
    }
    return true;
}

bool HideDistanceCursor(WinInfoRec* theWindow)
{
    if (!theWindow || !theWindow->distance.liveShown)
        return false;
    theWindow->distance.liveShown = false;
    return true;
}

bool DistanceZoomAvailable(const WinInfoRec* theWindow)
{
    if (!theWindow)
        return false;
    const DistanceToolRec& d = theWindow->distance;
    return d.marker1.set && d.marker2.set && !d.marker0.set && !PlotChanged(theWindow);
}

bool ZoomDistanceLimits(WinInfoRec* theWindow)
{
    if (!DistanceZoomAvailable(theWindow))
        return false;
    DistanceToolRec& d = theWindow->distance;
    PlotSpecsRec& ps = theWindow->plotSpecs;
    const Float32 lo = std::min(d.marker1.x, d.marker2.x), hi = std::max(d.marker1.x, d.marker2.x);
    ClearMarkers(d);
    d.liveShown = false;
    if (!(hi > lo))
        return false;
    ps.xmin = std::max(lo, ps.xminLimit);
    ps.xmax = std::min(hi, ps.xmaxLimit);
    RedrawRefittingY(theWindow, true, true);
    return true;
}

void DrawDistanceOverlay(DrawingSurface& s, WinInfoRec* theWindow)
{
    if (!theWindow || PlotChanged(theWindow))
        return;
    const DistanceToolRec& d = theWindow->distance;
    const Rect& plot = theWindow->plotRect;
    SurfaceStateSaver saver(s);
    ClipSaver clip(s);
    s.ClipRect({plot.top, plot.left, static_cast<SInt16>(plot.bottom + 1), plot.right});
    const bool complete = d.marker1.set && d.marker2.set && !d.marker0.set;
    if (complete) {
        const int a = std::min(d.marker1.xpix, d.marker2.xpix), b = std::max(d.marker1.xpix, d.marker2.xpix);
        s.RGBForeColor(kRGBRed);
        s.PenModeBlend(kRGBDkGrey);
        s.PaintRect({plot.top, static_cast<SInt16>(a + 1), static_cast<SInt16>(plot.bottom + 1), static_cast<SInt16>(b)});
        s.PenNormal();
    }
    auto line = [&](int x, const RGBColor& c) {
        s.RGBForeColor(c);
        s.MoveTo(x, plot.top);
        s.LineTo(x, plot.bottom);
    };
    if (d.marker1.set)
        line(d.marker1.xpix, kRGBGreen);
    if (complete)
        line(d.marker2.xpix, kRGBRed);
    if (d.liveShown && !complete)
        DrawCursorLine(s, d.liveColumn, plot.bottom, plot.top, kRGBBlack);
}
