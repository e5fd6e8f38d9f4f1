// Peak widths, peak shapes, per-pixel profiles and phase proportions.
#include "Profile.h"

#include "Diffraction.h"
#include "Document.h"
#include "Status.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace {

constexpr double kPi = 3.14159265359;
constexpr double kSqrtLn2OverPi = 0.4697186;  // √(ln 2 / π)
constexpr int kMaxSubSamples = 48;

// One reflexion as the profile loop sees it.
struct PeakRec {
    Float32 tth;
    Float32 tth2;      // position of the second wavelength
    Float32 inty;
    Float32 halfWidth;
    bool hasSecond;    // the second position exists
};

// Index range [first, last] of the peaks whose position lies within [lo, hi]; empty when
// first > last. Positions are monotonic in the reflexion order (sorted by d), so a binary search
// finds the same range a scan would.
struct Window {
    long first, last;
};

Window FindRange(const std::vector<PeakRec>& peaks, bool ascending, double lo, double hi)
{
    const long n = static_cast<long>(peaks.size());
    if (ascending) {
        const auto a = std::lower_bound(peaks.begin(), peaks.end(), lo, [](const PeakRec& p, double v) { return p.tth < v; });
        const auto b = std::upper_bound(peaks.begin(), peaks.end(), hi, [](double v, const PeakRec& p) { return v < p.tth; });
        return {static_cast<long>(a - peaks.begin()), static_cast<long>(b - peaks.begin()) - 1};
    }
    const auto a = std::lower_bound(peaks.begin(), peaks.end(), hi, [](const PeakRec& p, double v) { return p.tth > v; });
    const auto b = std::upper_bound(peaks.begin(), peaks.end(), lo, [](double v, const PeakRec& p) { return v > p.tth; });
    (void)n;
    return {static_cast<long>(a - peaks.begin()), static_cast<long>(b - peaks.begin()) - 1};
}

Window ScanRange(const std::vector<PeakRec>& peaks, double lo, double hi)
{
    Window w{static_cast<long>(peaks.size()), -1};
    for (long i = 0; i < static_cast<long>(peaks.size()); ++i) {
        const double t = peaks[static_cast<std::size_t>(i)].tth;
        if (t >= lo && t <= hi) {
            w.first = std::min(w.first, i);
            w.last = std::max(w.last, i);
        }
    }
    return w;
}

}  // namespace

Float32 GetPeakBroadeningAtPoint(const PlotSpecsRec* plot, const CrystalDataRec* xp, Float32 x)
{
    if (!plot || !xp)
        return 0;
    const Float32 s = static_cast<Float32>(kScherrer / xp->particleSize);
    const Float32 eps = xp->strain;
    Float32 S = 0, E = 0;
    switch (plot->axisType) {
    case kAxisTwoTheta: {
        const double theta = x * 0.0174532925199 * 0.5;
        S = static_cast<Float32>(plot->lambda * 57.2957795131 * s / std::cos(theta));
        E = eps > 0 ? static_cast<Float32>(eps * 269.8425001872801 * std::tan(theta)) : 0.0f;
        break;
    }
    case kAxisDSpacing:
        E = static_cast<Float32>((x * eps) * 1.17741002252);
        break;
    case kAxisReciprocalD:
        S = s;
        E = static_cast<Float32>((x * eps) * 1.17741002252);
        break;
    default: break;
    }
    const Float32 sum = plot->fwhm * plot->fwhm + S * S + E * E;
    return static_cast<Float32>(std::sqrt(static_cast<double>(sum)) * 0.5);
}

void CalculatePeakWidths(WinInfoRec* theWindow, CrystalDataRec* xp)
{
    const PlotSpecsRec* plot = GetWindowPlotSpecs(theWindow);
    if (!xp || xp->refs.empty() || !plot)
        return;
    for (ReflexionRec& r : xp->refs)
        r.halfWidth = GetPeakBroadeningAtPoint(plot, xp, r.tth);
}

Float32 Lorentzian(Float32 Ip, Float32 peakPos, Float32 halfWidth, Float32 x)
{
    const Float32 u = (x - peakPos) / halfWidth;
    return static_cast<Float32>(Ip / (halfWidth * kPi * (1.0 + static_cast<double>(u) * u)));
}

Float32 Gaussian(Float32 Ip, Float32 B, Float32 C, Float32 x)
{
    const Float32 u = (x - B) / C;
    const Float32 t = static_cast<Float32>(u * u * -0.6931471824645996);
    if (t < -30)
        return 0;
    return static_cast<Float32>(Ip * kSqrtLn2OverPi * std::exp(static_cast<double>(t)) / C);
}

Float32 GetProfileIntensityAtPoint(Float32 x, Float32 xcen, Float32 integratedIntensity, Float32 halfWidth,
                                   SInt16 plotType, Float32 eta)
{
    switch (plotType < 0 ? -plotType : plotType) {
    case kPeakFunctionDelta: return std::fabs(x - xcen) < halfWidth ? integratedIntensity : 0.0f;
    case kPeakFunctionLorentzian: return Lorentzian(integratedIntensity, xcen, halfWidth, x);
    case kPeakFunctionGaussian: return Gaussian(integratedIntensity, xcen, halfWidth, x);
    case kPeakFunctionPseudoVoigt:
        return static_cast<Float32>(eta * Lorentzian(integratedIntensity, xcen, halfWidth, x) +
                                    (1.0 - eta) * Gaussian(integratedIntensity, xcen, halfWidth, x));
    default: return 0;
    }
}

Float32 Baseline(const CrystalDataRec* xp, Float32 x)
{
    if (!xp)
        return 0;
    double y = xp->yOffset + static_cast<double>(xp->baseCoefs[0]) * x;
    if (xp->baseCoefs[1] != 0)
        y += xp->baseCoefs[1] / static_cast<double>(x);
    return static_cast<Float32>(y);
}

bool CalculateProfileForCrystal(CrystalDataRec* xp, const PlotSpecsRec* plot, AtomIndex nPix, AtomIndex firstPt,
                                AtomIndex lastPt)
{
    if (!xp || !plot || xp->refs.empty() || nPix <= 0)
        return false;
    const double dx = (static_cast<double>(plot->xmax) - plot->xmin) / nPix;
    const double frac = plot->lambdaRatio / (plot->lambdaRatio + 1.0);

    if (xp->nBufferPts() != nPix && !CreatePlotBuffer(xp->plotBuffer, nPix))
        return false;

    const int function = plot->plotType < 0 ? -plot->plotType : plot->plotType;
    double w, R;
    if (function == kPeakFunctionDelta) {
        w = R = dx * 0.25;
    } else {
        const Float32 at = plot->axisType == kAxisTwoTheta ? 160.0f : plot->axisType == kAxisReciprocalD ? 0.78f : 0.0f;
        w = GetPeakBroadeningAtPoint(plot, xp, at);
        // The width divides below: never let it be 0 (a zero fwhm from an old file, say).
        if (!(w > 0))
            w = 0.00005;
        if (function == kPeakFunctionLorentzian)
            R = 40 * w;
        else if (function == kPeakFunctionPseudoVoigt)
            R = 2 * (15 * plot->eta + 5) * w;
        else
            R = 10 * w;
    }

    // Sub-samples per pixel; the count is clamped before it is narrowed, so a peak far narrower
    // than a pixel gets the most sub-samples rather than a wrapped-around count.
    const double ratio = dx * 8 / w;
    int n = ratio >= kMaxSubSamples + 1 || !std::isfinite(ratio) ? kMaxSubSamples + 1 : static_cast<int>(ratio);
    int m;
    if (n > kMaxSubSamples) {
        n = kMaxSubSamples;
        m = kMaxSubSamples + 1;
    } else if (n <= 1) {
        n = 1;
        m = 0;
    } else {
        m = n + 1;
    }
    const double step = dx / n;

    // The peaks, with their second-wavelength positions.
    const bool second = plot->axisType == kAxisTwoTheta && !plot->monochromatic;
    std::vector<PeakRec> peaks(xp->refs.size());
    for (std::size_t i = 0; i < xp->refs.size(); ++i) {
        const ReflexionRec& r = xp->refs[i];
        PeakRec& p = peaks[i];
        p.tth = r.tth;
        p.inty = r.inty;
        p.halfWidth = r.halfWidth;
        p.hasSecond = false;
        p.tth2 = 0;
        if (second) {
            const double s = plot->lambda2 * 0.5 / r.dsp;
            if (s >= -1 && s <= 1) {
                p.hasSecond = true;
                p.tth2 = static_cast<Float32>(xp->xOffset + std::asin(s) * kRadToTwoThetaDeg);
            }
        }
    }
    bool ascending = true, descending = true;
    for (std::size_t i = 1; i < peaks.size(); ++i) {
        ascending = ascending && peaks[i - 1].tth <= peaks[i].tth;
        descending = descending && peaks[i - 1].tth >= peaks[i].tth;
    }

    firstPt = std::max<AtomIndex>(firstPt, 0);
    lastPt = std::min<AtomIndex>(lastPt, nPix - 1);
    double samples[kMaxSubSamples + 2];
    for (AtomIndex i = firstPt; i <= lastPt; ++i) {
        double x0 = i * dx + plot->xmin;
        if (n > 1)
            x0 -= step;
        const double lo = x0 - R, hi = x0 + dx + R;
        const Window win = ascending ? FindRange(peaks, true, lo, hi)
                           : descending ? FindRange(peaks, false, lo, hi)
                                        : ScanRange(peaks, lo, hi);
        for (int j = 0; j <= m; ++j) {
            const Float32 x = static_cast<Float32>(x0 + j * step);
            double sum = 0;
            for (long r = win.first; r <= win.last; ++r) {
                const PeakRec& p = peaks[static_cast<std::size_t>(r)];
                const Float32 v = GetProfileIntensityAtPoint(x, p.tth, p.inty, p.halfWidth, plot->plotType, plot->eta);
                if (second) {
                    double term = frac * v;
                    if (p.hasSecond)
                        term += (1 - frac) * GetProfileIntensityAtPoint(x, p.tth2, p.inty, p.halfWidth, plot->plotType, plot->eta);
                    sum += term;
                } else {
                    sum += v;
                }
            }
            samples[j] = sum;
        }
        double peak = 0;
        int jmax = 0;
        for (int j = 0; j <= m; ++j) {
            if (samples[j] > peak) {
                peak = samples[j];
                jmax = j;
            }
        }
        double value = peak;
        if (peak > 0 && n >= 2 && !(jmax >= 1 && jmax <= n)) {
            double total = 0;
            for (int j = 1; j <= n; ++j)
                total += samples[j];
            value = total / n;
        }
        xp->plotBuffer[static_cast<std::size_t>(i)] = static_cast<Float32>(value);
    }
    return true;
}

void CalculateProfiles(WinInfoRec* theWindow, AtomIndex firstPt, AtomIndex lastPt, const Rect& plotRect,
                       bool showProgress)
{
    const PlotSpecsRec* plot = GetWindowPlotSpecs(theWindow);
    if (!plot || lastPt == 0)
        return;
    if (showProgress)
        ShowLocalizedStatus(theWindow, "Calculating_Profile");
    const AtomIndex nPix = plotRect.Width();
    for (VLPatternPtr pp : theWindow->plotList) {
        if (pp->type == kPatternTypeCrystal && pp->crystal)
            CalculateProfileForCrystal(pp->crystal.get(), plot, nPix, std::max<AtomIndex>(firstPt, 0),
                                       std::min<AtomIndex>(lastPt, nPix - 1));
    }
    if (showProgress)
        ClearStatusBar(theWindow);
}

Float32 PeakArea2Height(const PlotSpecsRec* plot)
{
    if (!plot)
        return 1;
    const double fwhm = plot->fwhm;
    switch (plot->plotType) {
    case kPeakFunctionLorentzian: return static_cast<Float32>(2 / (kPi * fwhm));
    case kPeakFunctionGaussian: return static_cast<Float32>(2 * kSqrtLn2OverPi / fwhm);
    case kPeakFunctionPseudoVoigt:
        return static_cast<Float32>(2 * plot->eta / (kPi * fwhm) + 2 * (1 - plot->eta) * kSqrtLn2OverPi / fwhm);
    default: return 1;
    }
}

void EqualizePhaseProportions(WinInfoRec* parentWindow)
{
    const SInt32 count = GetNumCrystalsInPlotList(parentWindow);
    if (count == 0)
        return;
    for (VLPatternPtr pp : parentWindow->plotList)
        if (pp->type == kPatternTypeCrystal && pp->crystal)
            pp->crystal->volFrac = static_cast<Float32>(1.0 / count);
}

void AdjustMixtureFractions(WinInfoRec* theWindow, int targetID, Float32 newFrac)
{
    if (!theWindow)
        return;
    std::vector<CrystalDataRec*> crystals;
    double total = 0;
    for (VLPatternPtr pp : theWindow->plotList) {
        if (pp->type != kPatternTypeCrystal)
            continue;
        if (!pp->crystal)
            return;
        crystals.push_back(pp->crystal.get());
        total += pp->crystal->volFrac;
    }
    if (targetID < 0 || targetID >= static_cast<int>(crystals.size()))
        return;
    CrystalDataRec* target = crystals[static_cast<std::size_t>(targetID)];
    const double delta = static_cast<double>(newFrac) - target->volFrac;
    target->volFrac = newFrac;
    const int count = static_cast<int>(crystals.size());
    if (count < 2)
        return;
    if (delta > 0) {
        const double newTotal = total + delta;
        const double rest = newTotal - newFrac;
        if (newTotal > 1 && rest > 0)
            for (CrystalDataRec* xp : crystals)
                if (xp != target)
                    xp->volFrac = static_cast<Float32>(xp->volFrac - delta * xp->volFrac / rest);
    } else if (delta < 0) {
        if (std::fabs(1 - total) < 0.01)
            for (CrystalDataRec* xp : crystals)
                if (xp != target)
                    xp->volFrac = static_cast<Float32>(xp->volFrac + delta / (1 - count));
    }
}
