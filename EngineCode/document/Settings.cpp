// Radiation, axis and peak-shape settings.
#include "Settings.h"

#include "Constants.h"
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "Profile.h"
#include "TextFormat.h"
#include "TextLines.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <initializer_list>

namespace {

void Redraw(WinInfoRec* w, bool recalc, bool progress)
{
    if (w->hooks)
        w->hooks->RedrawWindow(w, recalc, progress);
}

void Recalculate(WinInfoRec* w)
{
    if (GetNumCrystalsInPlotList(w) > 0)
        Diffract(w);
    else if (GetNumDatasetsInPlotList(w) > 0)
        RedrawRefittingY(w, true, true);
}

void RedrawParameterList(WinInfoRec* w)
{
    if (w->hooks)
        w->hooks->RebuildParameterList(w);
}

void RenewTitle(WinInfoRec* w)
{
    if (!w->filename.empty() && w->hooks)
        w->hooks->UpdateWindowTitle(w);
}

// Values from outside (a sheet, a command line) that are not finite change nothing.
bool AllFinite(std::initializer_list<Float32> values)
{
    for (Float32 v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

bool HasCrystal(const WinInfoRec* w)
{
    return GetNumCrystalsInPlotList(w) > 0;
}

void RecomputeAllWidths(WinInfoRec* w)
{
    for (VLPatternPtr pp : w->plotList)
        if (pp->type == kPatternTypeCrystal && pp->crystal)
            CalculatePeakWidths(w, pp->crystal.get());
}

// After a change of the instrument's peak width: widths and drawing when there are crystals, the
// parameter list always.
void PeakWidthsChanged(WinInfoRec* w)
{
    if (HasCrystal(w)) {
        RecomputeAllWidths(w);
        Redraw(w, true, true);
    }
    RedrawParameterList(w);
}

}  // namespace

void DoAxisType(WinInfoRec* theWindow, SInt16 axisType)
{
    PlotSpecsPtr ps = GetWindowPlotSpecs(theWindow);
    if (!ps)
        return;
    if (!(ps->xmin < ps->xmax))
        GetPlotLimitsForAxisType(ps->axisType, &ps->xmin, &ps->xmax, nullptr, nullptr);
    double lo = std::max<double>(ps->xmin, 0.01);
    double hi = std::max<double>(0.01, ps->xmax);
    if (lo == hi)
        hi += 0.01;

    // The visible range as two d-spacings.
    double dA = 0, dB = 0;
    const double tofK = 2 * ps->distanceTimeOfFlight * 0.2527776 * std::sin(static_cast<double>(ps->thetaTimeOfFlight));
    const double sinE = std::sin(static_cast<double>(ps->thetaEnergy));
    switch (ps->axisType) {
    case kAxisTwoTheta:
        dA = 0.5 * ps->lambda / std::sin(hi * kDegToRad * 0.5);
        dB = 0.5 * ps->lambda / std::sin(lo * kDegToRad * 0.5);
        break;
    case kAxisDSpacing: dA = lo; dB = hi; break;
    case kAxisReciprocalD: dA = 1 / hi; dB = 1 / lo; break;
    case kAxisTimeOfFlight: dA = lo / tofK; dB = hi / tofK; break;
    case kAxisEnergy: dA = 6.1993 / (hi * sinE); dB = 6.1993 / (lo * sinE); break;
    default: break;
    }
    const double ratio = ps->fwhm / (hi - lo);

    Float32 newMinLimit, newMaxLimit;
    GetPlotLimitsForAxisType(axisType, nullptr, nullptr, &newMinLimit, &newMaxLimit);
    ps->xmin = newMinLimit;
    ps->xmax = newMaxLimit;

    double newLo = lo, newHi = hi;
    auto twoTheta = [&](double d) { return std::asin(std::clamp(0.5 * ps->lambda / d, 0.0, 1.0)) * kThetaRadToTwoThetaDeg; };
    switch (axisType) {
    case kAxisTwoTheta:
        if (dB > 0.01)
            newLo = twoTheta(dB);
        if (dA > 0.01)
            newHi = twoTheta(dA);
        break;
    case kAxisDSpacing: newLo = dA; newHi = dB; break;
    case kAxisReciprocalD:
        if (dB > 0.01)
            newLo = 1 / dB;
        if (dA > 0.01)
            newHi = 1 / dA;
        break;
    case kAxisTimeOfFlight:
        newLo = 2 * dA * ps->distanceTimeOfFlight * 0.2527776 * std::sin(static_cast<double>(ps->thetaTimeOfFlight));
        newHi = 2 * dB * ps->distanceTimeOfFlight * 0.2527776 * std::sin(static_cast<double>(ps->thetaTimeOfFlight));
        break;
    case kAxisEnergy:
        if (dB > 0.01)
            newLo = 6.1993 / (dB * sinE);
        if (dA > 0.01)
            newHi = 6.1993 / (dA * sinE);
        break;
    default: break;
    }
    // Time of flight and energy run the other way and over ranges of their own: the old window
    // converted would show a sliver; they open on their whole default range.
    if (axisType != ps->axisType && (axisType == kAxisTimeOfFlight || axisType == kAxisEnergy)) {
        Float32 defaultLo, defaultHi;
        GetPlotLimitsForAxisType(axisType, &defaultLo, &defaultHi, nullptr, nullptr);
        newLo = defaultLo;
        newHi = defaultHi;
    }
    auto clampToLimits = [&](double v) { return v < newMinLimit ? static_cast<double>(newMinLimit) : std::min<double>(v, newMaxLimit); };
    newLo = clampToLimits(newLo);
    newHi = clampToLimits(newHi);
    if (newHi > newLo) {
        ps->xmin = static_cast<Float32>(newLo);
        ps->xmax = static_cast<Float32>(newHi);
    }
    // The peak width keeps its proportion to the visible range (and stays positive).
    ps->fwhm = std::max(0.0001f, static_cast<Float32>((ps->xmax - ps->xmin) * ratio));
    ps->axisType = axisType;
    DoAxisTypeLimits(theWindow);
    if (!HasCrystal(theWindow))
        RedrawRefittingY(theWindow, false, false);
    else
        Diffract(theWindow);
    RenewTitle(theWindow);
}

void DoPeakFunction(WinInfoRec* theWindow, SInt16 func)
{
    PlotSpecsPtr ps = GetWindowPlotSpecs(theWindow);
    if (!ps || !HasCrystal(theWindow))
        return;
    ps->plotType = ps->plotType < 1 ? static_cast<SInt16>(-func) : func;
    if (func != kPeakFunctionDelta) {
        RecomputeAllWidths(theWindow);
        RedrawRefittingY(theWindow, true, true);
    } else {
        RedrawRefittingY(theWindow, true, false);
    }
}

void ToggleRadiation(WinInfoRec* theWindow)
{
    PlotSpecsPtr ps = GetWindowPlotSpecs(theWindow);
    if (!ps)
        return;
    ps->radType = ps->radType == kRadiationNeutrons ? kRadiationXRays : kRadiationNeutrons;
    Recalculate(theWindow);
    RenewTitle(theWindow);
}

void ToggleAnomalous(WinInfoRec* theWindow)
{
    PlotSpecsPtr ps = GetWindowPlotSpecs(theWindow);
    if (!ps)
        return;
    ps->anomalous = !ps->anomalous;
    Recalculate(theWindow);
    RenewTitle(theWindow);
}

void DoRecalculate(WinInfoRec* theWindow)
{
    if (!GetWindowPlotSpecs(theWindow))
        return;
    // Asked for by name, it fits the intensity axis whatever was set by hand.
    theWindow->yRangeByHand = false;
    Recalculate(theWindow);
    RenewTitle(theWindow);
}

void DoWavelength(WinInfoRec* theWindow, Float32 lambda1, Float32 lambda2, Float32 lambdaRatio, bool monochromatic)
{
    PlotSpecsPtr ps = GetWindowPlotSpecs(theWindow);
    if (!ps || !AllFinite({lambda1, lambda2, lambdaRatio}))
        return;
    ps->monochromatic = monochromatic;
    ps->lambda = std::max(lambda1, 0.0001f);
    ps->lambda2 = std::max(lambda2, 0.0001f);
    if (lambdaRatio >= 0)
        ps->lambdaRatio = lambdaRatio;
    if (!HasCrystal(theWindow)) {
        RedrawParameterList(theWindow);
        return;
    }
    if (ps->axisType == kAxisTwoTheta) {
        for (VLPatternPtr pp : theWindow->plotList) {
            if (pp->type != kPatternTypeCrystal)
                continue;
            CrystalDataRec* xp = pp->crystal.get();
            if (!xp)
                return;
            for (ReflexionRec& r : xp->refs) {
                const double twoTheta = TwoThetaAt(*ps, ps->lambda, r.dsp);
                // A reflexion the new wavelength cannot reach is placed just beyond the plotted world.
                r.tth = std::isfinite(twoTheta) ? static_cast<Float32>(xp->xOffset + twoTheta) : ps->xmaxLimit + 1;
            }
            CalculatePeakWidths(theWindow, xp);
        }
    }
    RedrawRefittingY(theWindow, true, true);
    RedrawParameterList(theWindow);
}

void DoPeakWidth(WinInfoRec* theWindow, Float32 newWidth)
{
    PlotSpecsPtr ps = GetWindowPlotSpecs(theWindow);
    if (!ps || !AllFinite({newWidth}))
        return;
    ps->fwhm = std::max(newWidth, 0.0001f);
    PeakWidthsChanged(theWindow);
}

namespace {

// Applies a change to every selected crystal of the plot list; redraws when one changed.
template <typename Change>
void ChangeSelectedCrystals(WinInfoRec* w, Change change)
{
    bool changed = false;
    for (VLPatternPtr pp : w->plotList) {
        if (pp->type == kPatternTypeCrystal && pp->selected && pp->crystal) {
            change(*pp->crystal);
            CalculatePeakWidths(w, pp->crystal.get());
            changed = true;
        }
    }
    if (changed) {
        Redraw(w, true, true);
        RedrawParameterList(w);
    }
}

}  // namespace

void DoParticleSize(WinInfoRec* theWindow, Float32 micronSize)
{
    if (!GetWindowPlotSpecs(theWindow) || !AllFinite({micronSize}))
        return;
    ChangeSelectedCrystals(theWindow, [micronSize](CrystalDataRec& xp) {
        xp.particleSize = std::max(10.0f, static_cast<Float32>(micronSize * 10000.0));
    });
}

void DoPercentStrain(WinInfoRec* theWindow, Float32 percentStrain)
{
    if (!GetWindowPlotSpecs(theWindow) || !AllFinite({percentStrain}))
        return;
    ChangeSelectedCrystals(theWindow, [percentStrain](CrystalDataRec& xp) {
        xp.strain = static_cast<Float32>(std::clamp(percentStrain, 0.0f, 100.0f) * 0.01);
    });
}

void DoPeakEta(WinInfoRec* theWindow, Float32 eta)
{
    PlotSpecsPtr ps = GetWindowPlotSpecs(theWindow);
    if (!ps || !AllFinite({eta}))
        return;
    ps->eta = std::clamp(eta, 0.0f, 1.0f);
    PeakWidthsChanged(theWindow);
}

void DoEnergyOptions(WinInfoRec* theWindow, Float32 twoThetaDegrees)
{
    PlotSpecsPtr ps = GetWindowPlotSpecs(theWindow);
    if (!ps || !AllFinite({twoThetaDegrees}))
        return;
    ps->thetaEnergy = static_cast<Float32>(twoThetaDegrees * kTwoThetaDegToThetaRad);
    DoAxisType(theWindow, kAxisEnergy);
    RedrawParameterList(theWindow);
}

void DoTOFOptions(WinInfoRec* theWindow, Float32 twoTheta, Float32 distance)
{
    PlotSpecsPtr ps = GetWindowPlotSpecs(theWindow);
    if (!ps || !AllFinite({twoTheta, distance}))
        return;
    ps->thetaTimeOfFlight = static_cast<Float32>(twoTheta * kTwoThetaDegToThetaRad);
    ps->distanceTimeOfFlight = distance;
    DoAxisType(theWindow, kAxisTimeOfFlight);
    RedrawParameterList(theWindow);
}

void DoReflexionLimits(WinInfoRec* theWindow, Float32 dMin, bool restrict, UInt32 maxRefs)
{
    PlotSpecsPtr ps = GetWindowPlotSpecs(theWindow);
    if (!ps || !AllFinite({dMin}) || maxRefs == 0)
        return;
    ps->dMin = std::max(dMin, 0.01f);
    ps->restrictNumRefs = restrict;
    ps->maxNumRefs = maxRefs;
    Diffract(theWindow);
}

void DoSpecimenDisplacement(WinInfoRec* theWindow, Float32 displacement, Float32 radius)
{
    PlotSpecsPtr ps = GetWindowPlotSpecs(theWindow);
    if (!ps || !AllFinite({displacement, radius}) || !(radius > 0))
        return;
    ps->specimenDisplacement = displacement;
    ps->goniometerRadius = radius;
    // Positions move, intensities and widths stay: the widths follow the positions.
    for (VLPatternPtr pp : theWindow->plotList) {
        if (pp->type != kPatternTypeCrystal || !pp->crystal)
            continue;
        GetXValues(pp->crystal.get(), ps);
        CalculatePeakWidths(theWindow, pp->crystal.get());
    }
    if (theWindow->hooks)
        theWindow->hooks->RedrawWindow(theWindow, true, false);
    RedrawParameterList(theWindow);
}

Float32 CurrentParticleSizeMicrons(WinInfoRec* theWindow, const PrefDataRec& prefs)
{
    const CrystalDataRec* xp = GetFrontSelectedCrystal(theWindow);
    return static_cast<Float32>((xp ? xp->particleSize : prefs.particleSize) * 0.0001);
}

Float32 CurrentPercentStrain(WinInfoRec* theWindow, const PrefDataRec& prefs)
{
    const CrystalDataRec* xp = GetFrontSelectedCrystal(theWindow);
    return static_cast<Float32>(100.0 * (xp ? xp->strain : prefs.strain));
}

std::string PeakWidthUnitLabel(SInt16 axisType)
{
    switch (axisType) {
    case kAxisTwoTheta: return "° 2-theta";
    case kAxisDSpacing: return "Å";
    case kAxisReciprocalD: return "1/Å";
    case kAxisTimeOfFlight: return "ms";
    case kAxisEnergy: return "keV";
    default: return "cabbages";
    }
}

const std::vector<WavelengthPreset> kWavelengthPresets = {
    {"CuKa", 1.5406f, 1.54434f}, {"CoKa", 1.7889f, 1.79279f}, {"CrKa", 2.28962f, 2.29352f},
    {"FeKa", 1.93597f, 1.93991f}, {"MoKa", 0.70926f, 0.71354f},
};

const WavelengthPreset* FindWavelengthPreset(const std::string& code)
{
    for (const WavelengthPreset& p : kWavelengthPresets) {
        const std::string name = p.code;
        if (name.size() == code.size() &&
            std::equal(name.begin(), name.end(), code.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            }))
            return &p;
    }
    return nullptr;
}

namespace SheetFields {
constexpr double kHuge = 1e30;
const SheetField kWavelength{5, 0, -kHuge, kHuge, -kHuge, kHuge, false};
const SheetField kPeakWidth{3, 0.1, 0.001, 60, -kHuge, kHuge, false};
const SheetField kParticleSize{4, 0.001, 0.0001, 1000, -kHuge, kHuge, false};
const SheetField kStrain{2, 0.01, 0, 100, -kHuge, kHuge, false};
const SheetField kEta{3, 0.001, 0, 1, 0, 1, false};
const SheetField kDetectorTwoTheta{3, 0.1, 0, 180, 0, 180, true};
const SheetField kEnergyDetectorTwoTheta{3, 0.1, 0, 180, 0, 180, true, true};
const SheetField kFlightPath{2, 0.1, 0, kHuge, 0, kHuge, true};
const SheetField kDMin{4, 0.01, 0.01, 100, 0.01, 100, false};
const SheetField kMaxReflexions{0, 1000, 1, 4294967295.0, 1, 4294967295.0, false};
const SheetField kDisplacement{3, 0.01, -50, 50, -50, 50, false};
const SheetField kGoniometerRadius{1, 1, 1, 10000, 0, 10000, true};
}  // namespace SheetFields

std::optional<double> ReadSheetNumber(const std::string& text)
{
    const char* p = text.c_str();
    double value;
    if (!ScanDouble(p, value) || !std::isfinite(value))
        return std::nullopt;  // "inf" and "nan" are not numbers a sheet can use
    return value;
}

std::string FormatSheetNumber(const SheetField& field, double value)
{
    return FormatFixed(value, 0, field.decimals);
}

std::optional<double> StepSheetNumber(const SheetField& field, const std::string& text, bool up)
{
    const std::optional<double> value = ReadSheetNumber(text);
    if (!value)
        return std::nullopt;
    return std::clamp(*value + (up ? field.step : -field.step), field.clampMin, field.clampMax);
}

bool SheetAccepts(const SheetField& field, double value)
{
    if (!std::isfinite(value))
        return false;
    if (field.acceptMinExclusive ? value <= field.acceptMin : value < field.acceptMin)
        return false;
    return field.acceptMaxExclusive ? value < field.acceptMax : value <= field.acceptMax;
}

std::string SheetAcceptedRangeText(const SheetField& field)
{
    auto number = [](double v) {
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
        return std::string(buffer, result.ptr);
    };
    const bool low = field.acceptMin > -SheetFields::kHuge, high = field.acceptMax < SheetFields::kHuge;
    std::string text = "Enter a number";
    if (low)
        text += (field.acceptMinExclusive ? " above " : " from ") + number(field.acceptMin);
    if (high) {
        const char* joint = !low                       ? (field.acceptMaxExclusive ? " below " : " up to ")
                            : field.acceptMinExclusive ? (field.acceptMaxExclusive ? " and below " : " and up to ")
                                                       : (field.acceptMaxExclusive ? " to below " : " to ");
        text += joint + number(field.acceptMax);
    }
    return text + ".";
}
