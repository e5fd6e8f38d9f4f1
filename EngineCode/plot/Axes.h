// Axes of a plot: the x axis under the plot rectangle (ticks, numbers, title), the intensity axis
// to its left (ticks, numbers, rotated title), the grid lines and the frame. Labelled ticks are
// spaced by 1, 2 or 5 times a power of ten, at most ten to an axis and never closer than their
// numbers allow, with unlabelled minor ticks between; the tick computations are plain functions.
// The drawing driver (PlotPattern.h) makes the GraphFrameRec of each pass.
#pragma once

#include "DrawContext.h"
#include "DrawingSurface.h"
#include "Records.h"

#include <optional>
#include <string>

struct WinInfoRec;

// The axis frame of one drawing pass: ranges and scales copied from the plot specs (the intensity
// range is replaced for the residual panel), and the ticks the axes chose, read by the grids.
struct GraphFrameRec {
    Float32 firstXTick = 0;  // x value of the first x tick
    Float32 deltaXTick = 0;  // x distance between ticks
    Float32 firstYTick = 0;  // intensity of the first intensity tick
    Float32 deltaYTick = 0;  // intensity distance between ticks
    SInt16 numXTicks = 0;
    SInt16 numYTicks = 0;
    SInt16 tickSize = 5;     // tick length in screen pixels
    Float32 xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    Float32 xscale = 0, yscale = 0;  // pixels per unit
    RGBColor frameColor{};   // grid line colour
};
using GraphFramePtr = GraphFrameRec*;

// The intensity title's centre line lies this far left of the tick ends, screen pixels.
inline constexpr int kYTitleOffset = 38;
// At most this many labelled ticks on an axis.
inline constexpr int kMaxLabelledTicks = 10;
// At least this many labelled x ticks, however narrow the plot.
inline constexpr int kMinLabelledXTicks = 3;

// The x ticks: count labelled ticks from first, step apart, and unlabelled minor ticks minorStep
// apart between them (axis units). The step is 1, 2 or 5 times a power of ten.
struct XTicksRec {
    Float32 first = 0;
    Float32 step = 0;
    int count = 0;
    Float32 minorStep = 0;
};
// For a plot width in pixels and the text size ts of the numbers: at most one labelled tick per
// 8 ts (and at most kMaxLabelledTicks), but kMinLabelledXTicks where their numbers still fit.
XTicksRec ComputeXTicks(Float32 xmin, Float32 xmax, int plotWidth, int textSize);

// The intensity ticks: count labelled ticks from first, step apart, and minor ticks minorStep
// apart, all in units of scale = 10^exponent, the decade of the range.
struct YTicksRec {
    Float32 first = 0;
    Float32 step = 0.1f;
    int count = 0;
    int exponent = 0;
    double scale = 1;
    Float32 minorStep = 0;
};
// For a plot height in pixels and the row unit (three text sizes) of the numbers: at most one
// labelled tick per row unit and at most kMaxLabelledTicks; none below two rows.
YTicksRec ComputeYTicks(Float32 ymin, Float32 ymax, int plotHeight, double rowUnit);

// Whether the numbers of an intensity axis of this decade exponent are written as a mantissa
// with a "×10ⁿ" multiplier in the title: only beyond 0.001 … 9999, where numbers would be long.
bool IntensityAxisUsesMultiplier(int exponent);

// The number under an x tick, with as many decimals as the step needs.
std::string FormatXTickLabel(Float32 value, Float32 step);
// The number of an intensity tick, with as many decimals as the step (same units) needs.
std::string FormatYTickLabel(double w, Float32 step);
// "2θ (°)", "d (Å)" ... by axis type.
std::string XAxisTitle(int axisType);
// "Intensity", or "Intensity (×10⁵)" when the axis's numbers times 10⁵ are the intensities.
std::string YAxisTitle(int exponent);

// Each draws in the current foreground colour and leaves colours and font as it found them;
// nothing happens without a window or frame.
void DrawXAxis(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, const Rect& plotRect, GraphFrameRec* gf);
void DrawYAxis(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, const Rect& plotRect, GraphFrameRec* gf);
void DrawGrids(DrawingSurface& s, const Rect& plotRect, const GraphFrameRec* gf);
// On screen the left and top edges in kRGBDkWhite; when printing all four edges in black. The
// foreground colour is black afterwards.
void DrawGraphFrame(DrawingSurface& s, const DrawContext& dc, const Rect& tempRect);
void DrawXAxisLabel(DrawingSurface& s, const Rect& labelRect, int axisType);
// Text turned 90° to read upwards along the vertical centre line of bounds, truncated to its
// height; centred along it or starting at its bottom; white on a pill of the highlight colour
// when one is given (a selected text).
void DrawLeftRotatedText(DrawingSurface& s, const std::string& text, const Rect& bounds, bool centred,
                         std::optional<RGBColor> hilite);
