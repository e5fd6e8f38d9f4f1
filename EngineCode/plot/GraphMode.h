// Graph mode: every plotted pattern as a curve or markers over the plot rectangle in its own
// style, or the crystals summed into one calculated curve and the datasets into one observed
// curve (mixtures); the residual panel; the legend boxes; and the digitising of an observed
// dataset into one value per pixel column, shared with film mode and autoscaling.
#pragma once

#include "DrawContext.h"
#include "DrawingSurface.h"
#include "Records.h"

#include <vector>

struct WinInfoRec;

// The style of one curve, copied for each call.
struct GraphProfileRec {
    RGBColor color{};
    SInt16 plotStyle = kPlotStyleLine;  // plot style code
    SInt16 lineStyle = kLineStyleSolid; // 1 dashed, otherwise solid
    Float32 lineWidth = 1;              // screen pixels
    Float32 markerSize = 0;             // diameter in screen pixels; 0 automatic
};
GraphProfileRec GraphProfileOfCrystal(const CrystalDataRec& xp);
GraphProfileRec GraphProfileOfDataset(const ObsDataRec& dp);
GraphProfileRec CrystalMixGraphProfile(const PlotSpecsRec& ps);
GraphProfileRec DatasetMixGraphProfile(const PlotSpecsRec& ps);
GraphProfileRec ResidualGraphProfile(const PlotSpecsRec& ps);

// The x value of pixel column i of a plot plotWidth pixels wide.
double ColumnX(const PlotSpecsRec& ps, int i, int plotWidth);
// A crystal's intensity at pixel column i (value x): plotBuffer[i] × volFrac plus the background
// B x + C / x, plus yOffset when withOffset. 0 where the buffer has no column i.
double CrystalColumnIntensity(const CrystalDataRec& xp, int i, double x, bool withOffset);

// All plotted patterns for columns pixMin..pixMax (negative pixMin: 0; pixMax 0 or past the plot:
// the last column).
void PlotPatternsAsGraphs(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, int pixMin, int pixMax);

// Observed minus calculated in the residual rectangle, only over the columns with measured points
// (MeasuredColumns); returns the sum of squares over them (0 when the plot list lacks crystals or
// datasets).
Float32 PlotResidualAsGraph(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, int firstIndex, int lastIndex);

// The mapping of values to pixels: column left + (x - xmin) * xscale, row bottom - (y - ymin) * yscale.
struct PlotScale {
    double xmin = 0, xscale = 1;
    double ymin = 0, yscale = 1;
};
PlotScale PlotScaleOf(const PlotSpecsRec& ps);

// Points firstIndex..lastIndex (lastIndex 0: the last point) of x, y in plotRect with the style
// graph at scale; anti-aliased and clipped to plotRect.
void MyPlotGraph(DrawingSurface& s, const DrawContext& dc, const Rect& plotRect, const PlotScale& scale,
                 const GraphProfileRec& graph, const Float32* x, const Float32* y, AtomIndex nData, AtomIndex firstIndex,
                 AtomIndex lastIndex);

// Marker radius in device pixels: markerSize / 2, or a quarter of the mean point spacing plus
// one (at most 5) when markerSize is 0, through MyPenSizeForPrinting.
Float32 GraphMarkerRadius(const DrawContext& dc, const GraphProfileRec& graph, double meanSpacingPixels);

// The legend box in the plot's top right corner, and whether it fits in the plot.
struct LegendLayout {
    Rect box{};
    bool fits = false;
};
LegendLayout GraphLegendLayout(const DrawContext& dc, const Rect& plotRect, int numCrystals, int numDatasets);
LegendLayout ResidualLegendLayout(const DrawContext& dc, const Rect& residualRect);

// Where the legend goes: the corner of the plot where it hides the least of the curves, in the
// order top right, top left, bottom right, bottom left when several hide as little; or outside the
// plot on its right when every corner would hide some of them.
enum class LegendPlace { TopRight, TopLeft, BottomRight, BottomLeft, OutsideRight };
// The box of a legend of the size of sized (GraphLegendLayout) at place; OutsideRight puts it
// the legend's pad right of the plot, at the plot's top.
Rect LegendBoxAt(const DrawContext& dc, const Rect& plotRect, const Rect& sized, LegendPlace place);
// How many pixels of the plotted curves (as drawn: lines from column to column) lie under box.
long LegendHiddenPixels(WinInfoRec* theWindow, const Rect& plotRect, const Rect& box);
struct LegendChoice {
    LegendLayout layout;
    LegendPlace place = LegendPlace::TopRight;
    Rect cornerBox{};  // the emptiest corner's box, also when the choice is OutsideRight
};
// The emptiest corner; OutsideRight (box outside the plot) when none is free of curves.
LegendChoice ChooseGraphLegendPlace(const DrawContext& dc, WinInfoRec* theWindow, const Rect& plotRect);
// The room a legend outside the plot takes from the plot's width, device pixels.
int LegendOutsideWidth(const DrawContext& dc);

// The legend at its emptiest corner, or where layout says.
void DrawGraphLegend(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, const Rect& plotRect);
void DrawGraphLegend(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, const LegendLayout& layout);

// The curves of the graph as drawn, one value per pixel column each (crystals with background
// and offset, datasets digitised, or the two mixture sums).
std::vector<std::vector<Float32>> GraphColumnCurves(WinInfoRec* theWindow);

// The pixel columns where every plotted dataset has measured points: false when there are none.
bool MeasuredColumns(WinInfoRec* theWindow, int* first, int* last);
void DrawResidualGraphLegend(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, const Rect& plotRect,
                             Float32 residualSumSq);

// One value per plot pixel column (plot width values; empty without a window, a dataset or a plot
// width): the largest point of each column, gaps bridged linearly.
std::vector<Float32> DigitizeWindowDataset(WinInfoRec* theWindow, const ObsDataRec* dataset);
