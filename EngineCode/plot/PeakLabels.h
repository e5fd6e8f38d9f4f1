// Peak overlays and labels over the plotted patterns: a marker stick or the reflexion's own
// profile (outlined, dashed or filled) for every reflexion of every plotted crystal, and arrows
// with upright text naming the phase, h k l, d-spacing and position of the stronger peaks.
#pragma once

#include "DrawingSurface.h"
#include "Records.h"

#include <string>

struct WinInfoRec;

// One reflexion of one crystal.
struct PeakIndexRec {
    SInt32 index = 0;  // position in the crystal's reflexion array
    CrystalDataRec* xp = nullptr;
};

// Sort order, strongest first by inty × volFrac: true when peak1 comes before peak2.
bool ComparePeaksByIntensity(const PeakIndexRec& peak1, const PeakIndexRec& peak2);

// The second wavelength line of the window: present only on the 2θ axis without
// monochromatic; weight of the first line f = lambdaRatio / (lambdaRatio + 1).
struct WavelengthLinesRec {
    bool second = false;
    double weight1 = 1, weight2 = 0;
};
WavelengthLinesRec GetWavelengthLines(const PlotSpecsRec& ps);
// Position of the second line of a reflexion (2θ degrees, xOffset included); false where
// lambda2 / (2 d) lies outside −1..1.
bool SecondLinePosition(const PlotSpecsRec& ps, const CrystalDataRec& xp, const ReflexionRec& ref, double* x);

// Marker sticks for pixel columns first..last (last 0 or past the plot: the last column).
void OverlayPeakMarkers(DrawingSurface& s, WinInfoRec* theWindow, int first, int last);

// The profile of every reflexion, weak ones on top of strong ones, clipped to the plot.
void OverlayPeakProfiles(DrawingSurface& s, WinInfoRec* theWindow, bool useFilledPeaks, bool useDashedLines);

// The intensity (inty × volFrac) a reflexion needs to be labelled.
Float32 PeakLabelThreshold(const CrystalDataRec& xp, const PlotSpecsRec& ps);

// The label text: phase name, h k l (negative indices under a bar), d-spacing and position,
// as the crystal's label switches ask, joined by " / ".
std::string MakePeakLabelText(const CrystalDataRec& xp, const ReflexionRec& peak, const std::string& phaseName,
                              int axisType);

// Labels of every labelled crystal's peaks at columns pixMin..pixMax (pixMax 0: the last).
void ShowPeakLabels(DrawingSurface& s, WinInfoRec* theWindow, int pixMin, int pixMax);

// One label: an arrow down to the peak (or up to the frame for a peak above the plot) and the
// text running upwards, in the crystal's colour; left out when it would leave the plot.
void LabelPeak(DrawingSurface& s, WinInfoRec* theWindow, const CrystalDataRec& xp, const std::string& phaseName,
               const ReflexionRec& peak, const Rect& plotRect, double trueTextSize);
