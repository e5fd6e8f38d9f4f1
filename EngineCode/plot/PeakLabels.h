// Peak overlays and labels over the plotted patterns: a marker stick or the reflexion's own
// profile (outlined, dashed or filled) for every reflexion of every plotted crystal, and arrows
// with upright text naming the phase, h k l, d-spacing and position of the stronger peaks, placed
// so that no two labels overlap.
#pragma once

#include "DrawContext.h"
#include "DrawingSurface.h"
#include "Records.h"

#include <string>
#include <vector>

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
void OverlayPeakProfiles(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, bool useFilledPeaks,
                         bool useDashedLines);

// The intensity (inty × volFrac) a reflexion needs to be labelled.
Float32 PeakLabelThreshold(const CrystalDataRec& xp, const PlotSpecsRec& ps);

// The label text: phase name, h k l (negative indices under a bar), d-spacing and position,
// as the crystal's label switches ask, joined by " / ".
std::string MakePeakLabelText(const CrystalDataRec& xp, const ReflexionRec& peak, const std::string& phaseName,
                              int axisType);

// Labels of every labelled crystal's peaks at columns pixMin..pixMax (pixMax 0: the last), the
// strongest first; a label that would overlap one already placed, or a rectangle of keepClear,
// is left out.
void ShowPeakLabels(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, int pixMin, int pixMax);
void ShowPeakLabels(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, int pixMin, int pixMax,
                    const std::vector<Rect>& keepClear);

// Where one label goes. Above: an arrow down to the peak and the text running upwards above it.
// Beside: the peak is too tall for that, so the text runs down from the frame beside the peak's
// top, clear of its line; BesideAboveTop adds an arrow up to the frame for a peak above the plot.
struct PeakLabelPlacement {
    enum class Kind { Above, Beside, BesideAboveTop };
    Kind kind = Kind::Above;
    bool fits = false;       // inside the plot
    std::string text;
    int column = 0;          // the peak's column
    int tip = 0;             // row of the arrow's tip
    double textX = 0, textY = 0;  // start of the text's baseline (it runs upwards)
    Rect box{};              // what the label covers, arrow included
};
PeakLabelPlacement PlacePeakLabel(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, const CrystalDataRec& xp,
                                  const std::string& phaseName, const ReflexionRec& peak, const Rect& plotRect,
                                  double trueTextSize);
void DrawPeakLabel(DrawingSurface& s, const DrawContext& dc, const CrystalDataRec& xp, const PeakLabelPlacement& placement,
                   double trueTextSize);

// One label, placed and drawn in the crystal's colour; left out when it would leave the plot.
void LabelPeak(DrawingSurface& s, const DrawContext& dc, WinInfoRec* theWindow, const CrystalDataRec& xp, const std::string& phaseName,
               const ReflexionRec& peak, const Rect& plotRect, double trueTextSize);
