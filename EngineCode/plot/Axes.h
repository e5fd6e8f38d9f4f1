// Axes of a plot: the x axis under the plot rectangle (ticks, numbers, title), the intensity axis
// to its left (ticks, numbers, rotated title), the grid lines and the frame. Tick spacings come
// from fixed step tables so that numbers never crowd; the tick computations are plain functions.
// The drawing driver (PlotPattern.h) makes the GraphFrameRec of each pass.
#pragma once

#include "DrawingSurface.h"
#include "Records.h"

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

// The x ticks: count ticks from first, step apart (axis units).
struct XTicksRec {
    Float32 first = 0;
    Float32 step = 0;
    int count = 0;
};
// For a plot width in pixels and the text size ts of the numbers.
XTicksRec ComputeXTicks(Float32 xmin, Float32 xmax, int plotWidth, int textSize);

// The intensity ticks: count ticks from first, step apart, both in units of scale = 10^exponent.
struct YTicksRec {
    Float32 first = 0;
    Float32 step = 0.1f;
    int count = 0;
    int exponent = 0;
    double scale = 1;
};
// For a plot height in pixels and the row unit (three text sizes) of the numbers.
YTicksRec ComputeYTicks(Float32 ymin, Float32 ymax, int plotHeight, double rowUnit);

// The number under an x tick ("%d", "%.1f" or "%.2f" by step).
std::string FormatXTickLabel(Float32 value, Float32 step);
// The number of an intensity tick, w in units of the decade scale.
std::string FormatYTickLabel(double w, Float32 step);
// "Two Theta [degrees]" ... by axis type.
std::string XAxisTitle(int axisType);
// "Intensity", "Intensity (x 0.1)" ... by decade exponent.
std::string YAxisTitle(int exponent);

// Each draws in the current foreground colour and leaves colours and font as it found them;
// nothing happens without a window or frame.
void DrawXAxis(DrawingSurface& s, WinInfoRec* theWindow, const Rect& plotRect, GraphFrameRec* gf);
void DrawYAxis(DrawingSurface& s, WinInfoRec* theWindow, const Rect& plotRect, GraphFrameRec* gf);
void DrawGrids(DrawingSurface& s, const Rect& plotRect, const GraphFrameRec* gf);
// On screen the left and top edges in kRGBDkWhite; when printing all four edges in black. The
// foreground colour is black afterwards.
void DrawGraphFrame(DrawingSurface& s, const Rect& tempRect);
void DrawXAxisLabel(DrawingSurface& s, const Rect& labelRect, int axisType);
// Text turned 90° to read upwards along the vertical centre line of bounds, truncated to its
// height; centred along it or starting at its bottom; white on a highlight pill when selected.
void DrawLeftRotatedText(DrawingSurface& s, const std::string& text, const Rect& bounds, bool centred, bool selected);
