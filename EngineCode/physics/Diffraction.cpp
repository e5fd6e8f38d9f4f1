// The diffraction driver and the axis conversions.
#include "Diffraction.h"

#include "AtomRotations.h"
#include "CellGeometry.h"
#include "Document.h"
#include "Globals.h"
#include "Intensity.h"
#include "Profile.h"
#include "Reflexions.h"
#include "ScatteringTable.h"
#include "Status.h"
#include "StringTable.h"
#include "TextFormat.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

struct AxisLimitsRec {
    Float32 xmin, xmax, xminLimit, xmaxLimit;
};

// Default range and allowed range of the five axis types.
constexpr AxisLimitsRec kAxisLimits[5] = {
    {5, 80, 0, 180},    // 2θ, degrees
    {1, 11, 0, 100},    // d, Å
    {0.1f, 1.9f, 0, 5}, // 1/d, Å⁻¹
    {0, 300, 0, 500},   // time of flight, ms
    {5, 80, 0, 180},    // energy, keV
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

std::string AxisPositionText(const PlotSpecsRec& ps, double x)
{
    switch (ps.axisType) {
    case kAxisTwoTheta: return "2θ = " + FormatFixed(x, 0, 3) + "°";
    case kAxisDSpacing: return "d = " + FormatFixed(x, 0, 4) + " Å";
    case kAxisReciprocalD: return "1/d = " + FormatFixed(x, 0, 4) + " Å⁻¹";
    case kAxisTimeOfFlight: return "t = " + FormatFixed(x, 0, 3) + " ms";
    case kAxisEnergy: return "E = " + FormatFixed(x, 0, 3) + " keV";
    default: return "x = " + FormatFixed(x, 0, 4);
    }
}

std::string ShortenedPatternText(const PlotSpecsRec& ps, double dsp, double xOffset, bool byMemory, UInt32 limit)
{
    std::string where = "d = " + FormatFixed(dsp, 0, 4) + " Å";
    const double x = DSpacingToX(ps, dsp) + xOffset;
    if (ps.axisType != kAxisDSpacing && std::isfinite(x))
        where += ", " + AxisPositionText(ps, x);
    if (byMemory)
        return FormatTexts(LocalizedString("Reflexions_Cut_By_Memory"), {where});
    return FormatTexts(FormatCount(LocalizedString("Reflexions_Cut_By_Limit"), limit), {where});
}

void JustDiffract(WinInfoRec* theWindow, CrystalDataRec* xp, std::FILE* fp)
{
    ReflexionWorkspace work;
    JustDiffract(work, theWindow, xp, fp);
}

void JustDiffract(ReflexionWorkspace& work, WinInfoRec* theWindow, CrystalDataRec* xp, std::FILE* fp)
{
    if (!theWindow || !xp)
        return;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    const bool progress = !theWindow->mouseButtonDown;
    work.showProgress = progress;

    RecipCell(xp);

    Float32 dspMin = ps.dMin;
    const Float32 physical = (ps.axisType == kAxisTwoTheta || ps.axisType == kAxisDSpacing ||
                              ps.axisType == kAxisReciprocalD)
                                 ? static_cast<Float32>(ps.lambda * 0.4999)
                                 : 0.1f;
    if (!(dspMin >= physical))
        dspMin = physical;

    HKLListCut cut;
    if (!HKLList(work, theWindow, xp, dspMin, ps.restrictNumRefs, ps.maxNumRefs, &cut))
        return;

    ASFIndexSites(xp);
    if (ps.radType == kRadiationNeutrons) {
        // A species without a known neutron length cannot be simulated with neutrons: no pattern
        // rather than a wrong one. Said once per calculation, not at every step of a drag.
        const std::string missing = SpeciesWithoutNeutronLength(xp);
        if (!missing.empty()) {
            PurgeTempRefs(work);
            DestroyReflexionsArray(xp);
            xp->intMax = 0;
            if (progress) {
                ClearStatusBar(theWindow);
                MyCFStopAlertText(FormatTexts(LocalizedString("Error_No_Neutron_Length"), {missing}),
                                  LocalizedString("Error_No_Neutron_Length_2"));
            }
            return;
        }
    }
    // Anisotropic displacements are rotated with the copies they describe; where the operation
    // behind a copy is not known it is found once from the structure.
    const std::string unrotated = DeriveAtomRotations(xp);
    Intensity(work, theWindow, xp, fp);
    if (work.Cancelled()) {
        PurgeTempRefs(work);  // the crystal keeps its reflexions
        return;
    }

    if (progress)
        ShowLocalizedStatus(theWindow, "Sorting_Reflexions");
    OrderRefsList(work);
    if (progress)
        ShowLocalizedStatus(theWindow, "Merging_Reflexions");
    MergeRefs(work, fp ? 0.0f : kWeakReflexionLimit);
    if (progress)
        DrawInfoBarText(theWindow, FormatCount(LocalizedString("Copying_N_Reflexions"), work.NumTempRefs()));
    CopyRefs(work, xp);
    PurgeTempRefs(work);

    GetXValues(xp, &ps);
    CalculatePeakWidths(theWindow, xp);
    if (progress)
        ClearStatusBar(theWindow);
    // A shortened pattern says so, even during a drag: it would otherwise look complete.
    if (cut.dsp > 0)
        DrawInfoBarText(theWindow, ShortenedPatternText(ps, cut.dsp, xp->xOffset, cut.byMemory, ps.maxNumRefs));
    else if (!unrotated.empty())
        DrawInfoBarText(theWindow, FormatTexts(LocalizedString("Displacements_Unrotated"), {unrotated}));
}

void Diffract(WinInfoRec* theWindow)
{
    if (!theWindow)
        return;
    for (VLPatternPtr pp : std::vector<VLPatternPtr>(theWindow->plotList)) {
        if (pp->type != kPatternTypeCrystal)
            continue;
        if (!pp->crystal)
            return;
        JustDiffract(theWindow, pp->crystal.get(), nullptr);
    }
    // The intensity axis is fitted to the new pattern unless the user scaled it by hand.
    RedrawRefittingY(theWindow, true, true);
    if (theWindow->hooks)
        theWindow->hooks->RebuildParameterList(theWindow);
}

double TwoThetaAt(const PlotSpecsRec& ps, double lambda, double d)
{
    const double s = lambda * 0.5 / d;
    if (!(s >= -1 && s <= 1))
        return kNaN;
    const double theta = std::asin(s);
    double twoTheta = theta * kRadToTwoThetaDeg;
    if (ps.specimenDisplacement != 0 && ps.goniometerRadius > 0)
        twoTheta -= 2.0 * ps.specimenDisplacement * std::cos(theta) / ps.goniometerRadius * (kRadToTwoThetaDeg * 0.5);
    return twoTheta;
}

double DSpacingToX(const PlotSpecsRec& ps, double d)
{
    switch (ps.axisType) {
    case kAxisTwoTheta: return TwoThetaAt(ps, ps.lambda, d);
    case kAxisDSpacing: return d;
    case kAxisReciprocalD: return 1.0 / d;
    case kAxisTimeOfFlight:
        return 2 * d * ps.distanceTimeOfFlight * kTofMsPerAngstromMetre * std::sin(static_cast<double>(ps.thetaTimeOfFlight));
    case kAxisEnergy: return kHalfHcKeVAngstrom / (d * std::sin(static_cast<double>(ps.thetaEnergy)));
    default: return kNaN;
    }
}

double XToDSpacing(const PlotSpecsRec& ps, double x)
{
    switch (ps.axisType) {
    case kAxisTwoTheta: {
        // Without the displacement's shift, which depends on θ itself: a few fixed-point steps.
        double twoTheta = x;
        if (ps.specimenDisplacement != 0 && ps.goniometerRadius > 0)
            for (int i = 0; i < 4; ++i)
                twoTheta = x + 2.0 * ps.specimenDisplacement * std::cos(twoTheta / kRadToTwoThetaDeg) /
                                   ps.goniometerRadius * (kRadToTwoThetaDeg * 0.5);
        const double s = std::sin(twoTheta / kRadToTwoThetaDeg);
        return s > 0 ? ps.lambda * 0.5 / s : kNaN;
    }
    case kAxisDSpacing: return x;
    case kAxisReciprocalD: return x != 0 ? 1.0 / x : kNaN;
    case kAxisTimeOfFlight: {
        const double f = 2 * ps.distanceTimeOfFlight * kTofMsPerAngstromMetre * std::sin(static_cast<double>(ps.thetaTimeOfFlight));
        return f != 0 ? x / f : kNaN;
    }
    case kAxisEnergy: {
        const double f = x * std::sin(static_cast<double>(ps.thetaEnergy));
        return f != 0 ? kHalfHcKeVAngstrom / f : kNaN;
    }
    default: return kNaN;
    }
}

void GetXValues(CrystalDataRec* xp, const PlotSpecsRec* ps)
{
    if (!xp || !ps || xp->refs.empty() || ps->axisType < 0 || ps->axisType > 4)
        return;
    const double z = xp->xOffset;
    for (ReflexionRec& r : xp->refs) {
        const double d = r.dsp;
        double x;
        switch (ps->axisType) {
        case kAxisTwoTheta: x = z + TwoThetaAt(*ps, ps->lambda, d); break;
        case kAxisDSpacing: x = d + z; break;
        case kAxisReciprocalD: x = 1.0 / d + z; break;
        case kAxisTimeOfFlight:
            x = 2 * d * ps->distanceTimeOfFlight * kTofMsPerAngstromMetre * std::sin(static_cast<double>(ps->thetaTimeOfFlight)) + z;
            break;
        default: x = kHalfHcKeVAngstrom / (d * std::sin(static_cast<double>(ps->thetaEnergy))) + z; break;
        }
        r.tth = static_cast<Float32>(x);
    }
}

void GetPlotLimitsForAxisType(int axisType, Float32* xMin, Float32* xMax, Float32* xMinLimit, Float32* xMaxLimit)
{
    AxisLimitsRec limits;
    if (axisType >= 0 && axisType <= 4) {
        limits = kAxisLimits[axisType];
    } else {
        // Not an axis: the factory view.
        const PlotSpecsRec& p = gFactoryPrefs.plotSpecs;
        limits = {p.xmin, p.xmax, p.xminLimit, p.xmaxLimit};
    }
    if (xMin)
        *xMin = limits.xmin;
    if (xMax)
        *xMax = limits.xmax;
    if (xMinLimit)
        *xMinLimit = limits.xminLimit;
    if (xMaxLimit)
        *xMaxLimit = limits.xmaxLimit;
}

PlotSpecsPtr DoAxisTypeLimits(WinInfoRec* theWindow)
{
    PlotSpecsPtr ps = GetWindowPlotSpecs(theWindow);
    if (!ps)
        return nullptr;
    if (ps->axisType < 0 || ps->axisType > 4)
        ps->axisType = kAxisTwoTheta;
    GetPlotLimitsForAxisType(ps->axisType, nullptr, nullptr, &ps->xminLimit, &ps->xmaxLimit);
    return ps;
}

void AutoSetRelativeYScale(WinInfoRec* theWindow)
{
    PlotSpecsPtr ps = GetWindowPlotSpecs(theWindow);
    if (!ps || theWindow->plotList.empty())
        return;
    ps->ymin = 0;
    const double step = 1.0 / ps->xscale;
    double maxCalc = -1e30, maxObs = -1e30;
    for (VLPatternPtr pp : theWindow->plotList) {
        if (pp->type == kPatternTypeCrystal) {
            const CrystalDataRec* xp = pp->crystal.get();
            if (!xp)
                return;
            for (AtomIndex i = 0; i < xp->nBufferPts(); ++i) {
                const double x = ps->xmin + i * step;
                const double y = xp->plotBuffer[static_cast<std::size_t>(i)] * xp->volFrac + Baseline(xp, static_cast<Float32>(x));
                maxCalc = std::max(maxCalc, y);
            }
        } else if (pp->type == kPatternTypeDataset) {
            const ObsDataRec* dp = pp->dataset.get();
            if (!dp)
                return;
            maxObs = std::max(maxObs, static_cast<double>(dp->ymax));
        }
    }
    // Without a calculated point there is nothing to scale to, and a dataset without a positive
    // maximum cannot be scaled: leave such windows as they are rather than store ±infinity.
    if (maxCalc <= -1e30)
        return;
    const Float32 ratio = static_cast<Float32>(maxCalc / maxObs);
    for (VLPatternPtr pp : theWindow->plotList) {
        if (pp->type == kPatternTypeDataset && pp->dataset && maxObs > 0) {
            pp->dataset->relScale = ratio;
            pp->dataset->yOffset = 0;
        }
    }
    // As autoscaling does, the strongest point stands a little below the top of a graph.
    ps->ymax = static_cast<Float32>(ps->plotType > 0 ? maxCalc / (1 - kAutoscaleHeadroom) : maxCalc);
    if (theWindow->hooks)
        theWindow->hooks->RedrawWindow(theWindow, false, false);
}

bool ReflexionsInLimits(const WinInfoRec* theWindow)
{
    if (!theWindow)
        return false;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    for (VLPatternPtr pp : theWindow->plotList) {
        if (pp->type != kPatternTypeCrystal || !pp->crystal)
            continue;
        for (const ReflexionRec& r : pp->crystal->refs)
            if (r.tth > ps.xminLimit && r.tth < ps.xmaxLimit)
                return true;
    }
    return false;
}

void ResetGlobalPlotLimits(PlotSpecsRec& ps)
{
    if (ps.axisType < 0 || ps.axisType > 4)
        ps.axisType = kAxisTwoTheta;
    GetPlotLimitsForAxisType(ps.axisType, &ps.xmin, &ps.xmax, &ps.xminLimit, &ps.xmaxLimit);
    ps.ymin = 0;
    ps.ymax = 1;
}
