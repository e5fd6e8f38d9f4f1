// Profile synthesis: peak widths from instrument, crystallite size and strain; the four peak
// shapes normalised to the integrated intensity; the second wavelength; supersampling inside a
// pixel that keeps sharp maxima; the background A + Bx + C/x; and the phase proportions of
// mixtures. The profile is sampled once per plot pixel into the crystal's plot buffer, before
// phase scaling and background: a crystal's curve at pixel i is
// plotBuffer[i] × volFrac + Baseline(x_i).
#pragma once

#include "Records.h"

#include <vector>

struct WinInfoRec;

// Scherrer constant and the FWHM factor of the strain width.
inline constexpr double kScherrer = 0.888;
inline constexpr double kStrainFwhmFactor = 1.17741002252;

// Half width at half maximum of a peak at position x (x-axis units, the crystal's xOffset
// included): the instrument's fwhm combined with size and strain broadening. On the d, 1/d,
// time-of-flight and energy axes size and strain are relative widths Δd/d converted to the axis.
Float32 GetPeakBroadeningAtPoint(const PlotSpecsRec* plot, const CrystalDataRec* xp, Float32 x);

// Sets halfWidth of every reflexion from its position.
void CalculatePeakWidths(WinInfoRec* theWindow, CrystalDataRec* xp);

// Unit shapes scaled to area Ip, centred at peakPos (B) with half width halfWidth (C).
Float32 Lorentzian(Float32 Ip, Float32 peakPos, Float32 halfWidth, Float32 x);
Float32 Gaussian(Float32 Ip, Float32 B, Float32 C, Float32 x);
Float32 GetProfileIntensityAtPoint(Float32 x, Float32 xcen, Float32 integratedIntensity, Float32 halfWidth,
                                   SInt16 plotType, Float32 eta);

// The crystal's background at x: A + Bx + C/x, the C/x term only where x > 0.
Float32 Baseline(const CrystalDataRec* xp, Float32 x);

// Fills points firstPt..lastPt (inclusive) of the plot buffer, (re)sized to nPix points. False for
// a null crystal, no reflexions or no memory.
bool CalculateProfileForCrystal(CrystalDataRec* xp, const PlotSpecsRec* plot, AtomIndex nPix, AtomIndex firstPt,
                                AtomIndex lastPt);

// The profile at the points x0 + i·step (i = 0 .. count − 1) themselves, before phase scaling
// and background: every peak of the crystal evaluated at each point within its own cut-off
// range, at both wavelengths where the second is used. This is what an exported profile holds
// (the plot buffer keeps pixel maxima and means instead). Empty for bad arguments.
std::vector<Float32> ProfileAtPoints(const CrystalDataRec* xp, const PlotSpecsRec* plot, double x0, double step,
                                     AtomIndex count);

// Profiles of every plotted crystal for the pixels of plotRect.
void CalculateProfiles(WinInfoRec* theWindow, AtomIndex firstPt, AtomIndex lastPt, const Rect& plotRect,
                       bool showProgress);

// Factor turning an integrated intensity into a peak height for the current peak function.
Float32 PeakArea2Height(const PlotSpecsRec* plot);

// Every plotted crystal gets volFrac = 1 / number of crystals.
void EqualizePhaseProportions(WinInfoRec* parentWindow);

// Sets the proportion of the targetID-th plotted crystal and rebalances the others.
void AdjustMixtureFractions(WinInfoRec* theWindow, int targetID, Float32 newFrac);
