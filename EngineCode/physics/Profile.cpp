// Peak widths, peak shapes, per-pixel profiles and phase proportions.
#include "Profile.h"

#include "Constants.h"
#include "Diffraction.h"
#include "Intensity.h"
#include "Document.h"
#include "Status.h"

#include <algorithm>
#include <atomic>
#include <cfloat>
#include <cmath>
#include <new>
#include <thread>
#include <vector>

namespace {

constexpr double kSqrtLn2OverPi = 0.4697186;  // √(ln 2 / π)
constexpr int kMaxSubSamples = 48;

// One line of the profile: a reflexion at one of the wavelengths, with the share of its
// intensity that wavelength carries.
struct LineRec {
    Float32 pos;
    Float32 inty;
    Float32 halfWidth;
    double weight;  // 1 with one wavelength
};

// The lines of one wavelength and one class of width, in reflexion order (so monotonic in
// position), whether they ascend or descend, and the widest of them.
struct LineSet {
    std::vector<LineRec> lines;
    bool ascending = true, descending = true;
    double maxHalfWidth = 0;
    void Finish()
    {
        for (std::size_t i = 1; i < lines.size(); ++i) {
            ascending = ascending && lines[i - 1].pos <= lines[i].pos;
            descending = descending && lines[i - 1].pos >= lines[i].pos;
        }
        for (const LineRec& l : lines)
            maxHalfWidth = std::max(maxHalfWidth, static_cast<double>(l.halfWidth));
    }
};

// Index range [first, last] of the lines whose position lies within [lo, hi]; empty when
// first > last. Positions are monotonic in the reflexion order (sorted by d), so a binary search
// finds the same range a scan would.
struct Window {
    long first, last;
};

Window FindRange(const LineSet& set, double lo, double hi)
{
    const std::vector<LineRec>& v = set.lines;
    if (v.empty())
        return {0, -1};
    if (set.ascending) {
        const auto a = std::lower_bound(v.begin(), v.end(), lo, [](const LineRec& p, double x) { return p.pos < x; });
        const auto b = std::upper_bound(v.begin(), v.end(), hi, [](double x, const LineRec& p) { return x < p.pos; });
        return {static_cast<long>(a - v.begin()), static_cast<long>(b - v.begin()) - 1};
    }
    if (set.descending) {
        const auto a = std::lower_bound(v.begin(), v.end(), hi, [](const LineRec& p, double x) { return p.pos > x; });
        const auto b = std::upper_bound(v.begin(), v.end(), lo, [](double x, const LineRec& p) { return x > p.pos; });
        return {static_cast<long>(a - v.begin()), static_cast<long>(b - v.begin()) - 1};
    }
    Window w{static_cast<long>(v.size()), -1};
    for (long i = 0; i < static_cast<long>(v.size()); ++i) {
        const double t = v[static_cast<std::size_t>(i)].pos;
        if (t >= lo && t <= hi) {
            w.first = std::min(w.first, i);
            w.last = std::max(w.last, i);
        }
    }
    return w;
}

// The lines of a crystal: the first wavelength's at the reflexions' positions and, on the 2θ
// axis without a monochromator, the second wavelength's at their own positions. Each set is
// searched by its own positions, so a second line far from its first is still drawn. Lines wider
// than narrowLimit are kept apart, so that a few very wide peaks (near 2θ = 180°, say) widen the
// search only for themselves.
struct Lines {
    LineSet sets[4];  // first narrow, first wide, second narrow, second wide
};

Lines MakeLines(const CrystalDataRec* xp, const PlotSpecsRec* plot, double narrowLimit)
{
    Lines out;
    const bool two = plot->axisType == kAxisTwoTheta && !plot->monochromatic;
    const double frac = plot->lambdaRatio / (plot->lambdaRatio + 1.0);
    out.sets[0].lines.reserve(xp->refs.size());
    if (two)
        out.sets[2].lines.reserve(xp->refs.size());
    for (const ReflexionRec& r : xp->refs) {
        const int wide = r.halfWidth > narrowLimit ? 1 : 0;
        out.sets[wide].lines.push_back({r.tth, r.inty, r.halfWidth, two ? frac : 1.0});
        if (two) {
            const double x2 = TwoThetaAt(*plot, plot->lambda2, r.dsp);
            if (std::isfinite(x2))
                out.sets[2 + wide].lines.push_back({static_cast<Float32>(xp->xOffset + x2), r.inty, r.halfWidth, 1 - frac});
        }
    }
    for (LineSet& set : out.sets)
        set.Finish();
    return out;
}

// The cut-off range of a peak in half widths, by peak function (Lorentzian tails are followed
// further than Gaussian ones).
double RangeInHalfWidths(const PlotSpecsRec* plot)
{
    switch (plot->plotType < 0 ? -plot->plotType : plot->plotType) {
    case kPeakFunctionLorentzian: return 40;
    case kPeakFunctionPseudoVoigt: return 2 * (15 * plot->eta + 5);
    default: return 10;
    }
}

// Sum of the lines of one set at x, those with positions in [lo, hi] taking part.
inline double SumLines(const LineSet& set, const Window& win, Float32 x, const PlotSpecsRec* plot)
{
    double sum = 0;
    for (long r = win.first; r <= win.last; ++r) {
        const LineRec& p = set.lines[static_cast<std::size_t>(r)];
        const Float32 v = GetProfileIntensityAtPoint(x, p.pos, p.inty, p.halfWidth, plot->plotType, plot->eta);
        sum += p.weight * v;  // exact for the weight 1 of a single wavelength
    }
    return sum;
}

}  // namespace

Float32 GetPeakBroadeningAtPoint(const PlotSpecsRec* plot, const CrystalDataRec* xp, Float32 x)
{
    if (!plot || !xp)
        return 0;
    const Float32 s = static_cast<Float32>(kScherrer / xp->particleSize);
    const Float32 eps = xp->strain;
    Float32 S = 0, E = 0;
    if (plot->axisType == kAxisTwoTheta) {
        const double theta = x * kDegToRad * 0.5;
        S = static_cast<Float32>(plot->lambda * kRadToDeg * s / std::cos(theta));
        E = eps > 0 ? static_cast<Float32>(eps * 269.8425001872801 * std::tan(theta)) : 0.0f;
    } else {
        // On the other axes size and strain broadening are relative widths Δd/d, the same as
        // the 2θ forms above imply: Scherrer Δd/d = K·d/L, strain Δd/d = 2·1.17741·ε. Then
        // Δx/x = Δd/d on the time-of-flight and energy axes, Δd = d·(Δd/d) and Δ(1/d) = (Δd/d)/d.
        const double d = XToDSpacing(*plot, static_cast<double>(x) - xp->xOffset);
        if (std::isfinite(d) && d > 0) {
            const double size = static_cast<double>(s) * d;                       // Δd/d of size
            const double strain = eps > 0 ? 2 * kStrainFwhmFactor * eps : 0.0;  // Δd/d of strain
            double scale;  // Δx for Δd/d = 1
            switch (plot->axisType) {
            case kAxisDSpacing: scale = d; break;
            case kAxisReciprocalD: scale = 1 / d; break;
            case kAxisTimeOfFlight:
            case kAxisEnergy: scale = DSpacingToX(*plot, d); break;
            default: scale = 0; break;
            }
            if (!std::isfinite(scale))
                scale = 0;
            S = static_cast<Float32>(std::fabs(scale) * size);
            E = static_cast<Float32>(std::fabs(scale) * strain);
        }
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
    return static_cast<Float32>(Ip / (halfWidth * kRoundedPi * (1.0 + static_cast<double>(u) * u)));
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
    // C/x has a pole at 0 and no meaning on the negative side of an axis: it is left out there
    // rather than drawing or writing an infinite or senseless background.
    if (xp->baseCoefs[1] != 0 && x > 0)
        y += xp->baseCoefs[1] / static_cast<double>(x);
    if (!std::isfinite(y))
        return 0;
    return static_cast<Float32>(std::clamp(y, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

bool CalculateProfileForCrystal(CrystalDataRec* xp, const PlotSpecsRec* plot, AtomIndex nPix, AtomIndex firstPt,
                                AtomIndex lastPt)
{
    if (!xp || !plot || xp->refs.empty() || nPix <= 0)
        return false;
    const double dx = (static_cast<double>(plot->xmax) - plot->xmin) / nPix;

    if (xp->nBufferPts() != nPix && !CreatePlotBuffer(xp->plotBuffer, nPix))
        return false;

    const int function = plot->plotType < 0 ? -plot->plotType : plot->plotType;
    const bool sticks = function == kPeakFunctionDelta;
    double w;
    if (sticks) {
        w = dx * 0.25;
    } else {
        const Float32 at = plot->axisType == kAxisTwoTheta ? 160.0f : plot->axisType == kAxisReciprocalD ? 0.78f : 0.0f;
        w = plot->axisType == kAxisTwoTheta || plot->axisType == kAxisReciprocalD
                ? GetPeakBroadeningAtPoint(plot, xp, at)
                : plot->fwhm * 0.5;
        // The width divides below: never let it be 0 (a zero fwhm from an old file, say).
        if (!(w > 0))
            w = 0.00005;
    }
    const Lines lines = MakeLines(xp, plot, sticks ? HUGE_VAL : w);
    // Search ranges: the reference width's for the lines no wider than it, and for the wider ones
    // their widest, so that no peak is cut short of its tails.
    double R[4];
    for (int k = 0; k < 4; ++k)
        R[k] = sticks ? dx * 0.25 : RangeInHalfWidths(plot) * std::max(w, lines.sets[k].maxHalfWidth);

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

    // One column of the buffer, from the lines near it; samples is scratch space.
    auto column = [&](AtomIndex i, double* samples) {
        double x0 = i * dx + plot->xmin;
        if (n > 1)
            x0 -= step;
        Window win[4];
        int active[4], numActive = 0;
        for (int k = 0; k < 4; ++k) {
            win[k] = FindRange(lines.sets[k], x0 - R[k], x0 + dx + R[k]);
            if (win[k].first <= win[k].last)
                active[numActive++] = k;
        }
        for (int j = 0; j <= m; ++j) {
            const Float32 x = static_cast<Float32>(x0 + j * step);
            double sum = 0;
            for (int a = 0; a < numActive; ++a)
                sum += SumLines(lines.sets[active[a]], win[active[a]], x, plot);
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
    };

    firstPt = std::max<AtomIndex>(firstPt, 0);
    lastPt = std::min<AtomIndex>(lastPt, nPix - 1);
    // Columns depend only on the lines, so a large profile is shared out among threads in runs
    // of columns taken one after another (peaks crowd some runs more than others).
    const double span = std::max(static_cast<double>(plot->xmax) - plot->xmin, dx);
    double evaluations = 0;
    for (int k = 0; k < 4; ++k)
        evaluations += static_cast<double>(lines.sets[k].lines.size()) * std::min(1.0, (2 * R[k] + dx) / span);
    evaluations *= static_cast<double>(m + 1) * std::max<AtomIndex>(lastPt - firstPt + 1, 0);
    const int nThreads = EngineThreadsFor(evaluations, 300000);
    if (nThreads <= 1) {
        double samples[kMaxSubSamples + 2];
        for (AtomIndex i = firstPt; i <= lastPt; ++i)
            column(i, samples);
        return true;
    }
    constexpr AtomIndex kRun = 16;
    std::atomic<AtomIndex> next{firstPt};
    auto work = [&] {
        double samples[kMaxSubSamples + 2];
        for (;;) {
            const AtomIndex from = next.fetch_add(kRun);
            if (from > lastPt)
                break;
            for (AtomIndex i = from; i <= std::min<AtomIndex>(from + kRun - 1, lastPt); ++i)
                column(i, samples);
        }
    };
    {
        std::vector<std::jthread> helpers;
        for (int t = 1; t < nThreads; ++t)
            helpers.emplace_back(work);
        work();
    }
    return true;
}

std::vector<Float32> ProfileAtPoints(const CrystalDataRec* xp, const PlotSpecsRec* plot, double x0, double step,
                                     AtomIndex count)
{
    std::vector<Float32> out;
    if (!xp || !plot || count <= 0 || !(step > 0))
        return out;
    out.assign(static_cast<std::size_t>(count), 0.0f);
    if (xp->refs.empty())
        return out;
    const Lines lines = MakeLines(xp, plot, HUGE_VAL);
    const bool sticks = (plot->plotType < 0 ? -plot->plotType : plot->plotType) == kPeakFunctionDelta;
    const double range = sticks ? 1.0 : RangeInHalfWidths(plot);
    std::vector<double> sum(static_cast<std::size_t>(count), 0.0);
    // Each line adds itself to the points within its own cut-off range.
    for (const LineSet& set : lines.sets) {
        for (const LineRec& p : set.lines) {
            const double reach = range * p.halfWidth;
            const double a = std::ceil((p.pos - reach - x0) / step), b = std::floor((p.pos + reach - x0) / step);
            if (!(b >= 0) || !(a < count))
                continue;
            const AtomIndex i0 = static_cast<AtomIndex>(std::max(a, 0.0));
            const AtomIndex i1 = static_cast<AtomIndex>(std::min(b, static_cast<double>(count - 1)));
            for (AtomIndex i = i0; i <= i1; ++i) {
                const Float32 x = static_cast<Float32>(x0 + i * step);
                const Float32 v = GetProfileIntensityAtPoint(x, p.pos, p.inty, p.halfWidth, plot->plotType, plot->eta);
                sum[static_cast<std::size_t>(i)] += p.weight * v;
            }
        }
    }
    for (std::size_t i = 0; i < sum.size(); ++i)
        out[i] = static_cast<Float32>(sum[i]);
    return out;
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
    case kPeakFunctionLorentzian: return static_cast<Float32>(2 / (kRoundedPi * fwhm));
    case kPeakFunctionGaussian: return static_cast<Float32>(2 * kSqrtLn2OverPi / fwhm);
    case kPeakFunctionPseudoVoigt:
        return static_cast<Float32>(2 * plot->eta / (kRoundedPi * fwhm) + 2 * (1 - plot->eta) * kSqrtLn2OverPi / fwhm);
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
