// The diffraction driver: one call computes a crystal's reflexions end to end (reciprocal cell,
// generation, scattering factors, intensities, ordering, merging, copying, positions on the x
// axis, peak widths); another recomputes every crystal of a window and redraws. Also the axis
// conversions from d-spacing to the five x axes, their default and allowed ranges, and the
// scaling of observed datasets to the calculated patterns.
#pragma once

#include "Records.h"

#include <cstdio>
#include <string>

struct ReflexionWorkspace;
struct WinInfoRec;

// Physical constants of the axis conversions.
inline constexpr double kRadToTwoThetaDeg = 114.5915590262;  // 2 × 180/π: θ in radians to 2θ in degrees
inline constexpr double kTofMsPerAngstromMetre = 0.2527776;   // neutron mass over Planck's constant
inline constexpr double kHalfHcKeVAngstrom = 6.1993;          // half of hc, keV·Å

// Full calculation of one crystal with the window's settings; fp receives the structure-factor
// lines when given. A failed generation leaves the crystal's previous reflexions in place.
void JustDiffract(WinInfoRec* theWindow, CrystalDataRec* xp, std::FILE* fp);
// The same in a workspace of the caller's (its generation budget applies; its list is empty after).
// Cancelled through the workspace, it leaves the crystal's reflexions as they were.
void JustDiffract(ReflexionWorkspace& work, WinInfoRec* theWindow, CrystalDataRec* xp, std::FILE* fp);

// Recalculates every crystal of the plot list, redraws and rebuilds the parameter list.
void Diffract(WinInfoRec* theWindow);

// Sets tth of every reflexion for the axis type of ps (xOffset included).
void GetXValues(CrystalDataRec* xp, const PlotSpecsRec* ps);

// 2θ in degrees of d-spacing d at wavelength lambda (Å), with the specimen displacement of ps:
// 2θ − 2 s cos θ / R. NaN where λ/2d exceeds 1.
double TwoThetaAt(const PlotSpecsRec& ps, double lambda, double d);

// Position of d-spacing d on the axis of ps, without offset (NaN where d has no position); on
// the 2θ axis with the specimen displacement.
double DSpacingToX(const PlotSpecsRec& ps, double d);
// The inverse: the d-spacing at position x of the axis (NaN where none).
double XToDSpacing(const PlotSpecsRec& ps, double x);

// "2θ = 54.123°", "t = 12.345 ms", ...: a position on the axis of ps, with its name and unit.
std::string AxisPositionText(const PlotSpecsRec& ps, double x);
// The information-bar text of a pattern that stops at d-spacing dsp (Å) short of the smallest d
// asked for: because the reflexion list would not fit in memory, or because of the cap of limit
// reflexions. Says where it stops (d, and the position with the crystal's zero correction
// xOffset) and what lifts the limit.
std::string ShortenedPatternText(const PlotSpecsRec& ps, double dsp, double xOffset, bool byMemory, UInt32 limit);

// Default range and limits of an axis type; the factory view for a type outside 0..4.
void GetPlotLimitsForAxisType(int axisType, Float32* xMin, Float32* xMax, Float32* xMinLimit, Float32* xMaxLimit);

// Sets the window's x limits from its axis type (reset to 0 when outside 0..4).
PlotSpecsPtr DoAxisTypeLimits(WinInfoRec* theWindow);

// Scales the window's datasets to the calculated patterns.
void AutoSetRelativeYScale(WinInfoRec* theWindow);

// True when some plotted crystal has a reflexion strictly inside the x limits.
bool ReflexionsInLimits(const WinInfoRec* theWindow);

// Sets the x range and limits of the settings for new windows (the preferences' plotSpecs) to the
// defaults of their axis type, and the y range to 0..1; an axis type outside 0..4 is first reset
// to 0.
void ResetGlobalPlotLimits(PlotSpecsRec& ps);
