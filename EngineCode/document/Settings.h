// The radiation, axis and peak-shape settings of a window and what each change recomputes:
// axis type (the visible range carried over through d-spacing), peak function, radiation,
// wavelengths, peak width, crystallite size, strain, pseudo-Voigt mixing and the detector
// settings of the energy-dispersive and time-of-flight experiments. Also the value sheets'
// formats, steps and limits, so every front end edits the same numbers the same way.
// Redrawing goes through the window's hooks (Document.h).
#pragma once

#include "Records.h"

struct PrefDataRec;

#include <optional>
#include <string>
#include <vector>

struct WinInfoRec;

// 2θ in degrees to θ in radians (π/360), and back (360/π).
inline constexpr double kTwoThetaDegToThetaRad = 0.00872664625995;
inline constexpr double kThetaRadToTwoThetaDeg = 114.5915590262;

void DoAxisType(WinInfoRec* theWindow, SInt16 axisType);
void DoPeakFunction(WinInfoRec* theWindow, SInt16 func);
void ToggleRadiation(WinInfoRec* theWindow);
// Anomalous scattering on or off (X-rays at a fixed wavelength only), then recalculates.
void ToggleAnomalous(WinInfoRec* theWindow);
void DoRecalculate(WinInfoRec* theWindow);
void DoWavelength(WinInfoRec* theWindow, Float32 lambda1, Float32 lambda2, Float32 lambdaRatio, bool monochromatic);
void DoPeakWidth(WinInfoRec* theWindow, Float32 newWidth);
void DoParticleSize(WinInfoRec* theWindow, Float32 micronSize);
void DoPercentStrain(WinInfoRec* theWindow, Float32 percentStrain);
void DoPeakEta(WinInfoRec* theWindow, Float32 eta);
void DoEnergyOptions(WinInfoRec* theWindow, Float32 twoThetaDegrees);
void DoTOFOptions(WinInfoRec* theWindow, Float32 twoTheta, Float32 distance);
// The smallest d-spacing generated (Å, at least 0.01) and the cap on the number of generated
// reflexions (restrict false: none); recalculates every crystal.
void DoReflexionLimits(WinInfoRec* theWindow, Float32 dMin, bool restrict, UInt32 maxRefs);
// Specimen displacement s and goniometer radius R (mm) of a Bragg–Brentano instrument: moves the
// peaks of the 2θ axis by −2 s cos θ / R (R must be above 0).
void DoSpecimenDisplacement(WinInfoRec* theWindow, Float32 displacement, Float32 radius);

// The values the sheets open with.
// The front selected crystal's value, else the preferences' for new crystals.
Float32 CurrentParticleSizeMicrons(WinInfoRec* theWindow, const PrefDataRec& prefs);
Float32 CurrentPercentStrain(WinInfoRec* theWindow, const PrefDataRec& prefs);

// Unit of the peak width on an axis: "° 2-theta", "Å", "1/Å", "ms", "keV" ("cabbages" otherwise).
std::string PeakWidthUnitLabel(SInt16 axisType);

// The wavelength presets of the wavelength sheet (Kα1 and Kα2 of common anodes).
struct WavelengthPreset {
    const char* code;  // "CuKa", "CoKa", "CrKa", "FeKa", "MoKa"
    Float32 lambda1, lambda2;
};
extern const std::vector<WavelengthPreset> kWavelengthPresets;
const WavelengthPreset* FindWavelengthPreset(const std::string& code);  // case-insensitive; null when unknown

// One number field of a value sheet: its printf-style format (shown with FormatFixed), the step of
// its arrows with the range they clamp to, and the range OK accepts.
struct SheetField {
    int decimals;            // "%.Nf"
    double step;             // 0: no arrows
    double clampMin, clampMax;
    double acceptMin, acceptMax;  // OK refuses values outside (inclusive bounds)
    bool acceptMinExclusive;      // the lower bound itself is refused (a flight path must be > 0)
    bool acceptMaxExclusive = false;  // the upper bound itself is refused
};
namespace SheetFields {
extern const SheetField kWavelength;    // lambda1, lambda2, ratio: "%.5f", no arrows
extern const SheetField kPeakWidth;     // "%.3f", 0.1, [0.001, 60]
extern const SheetField kParticleSize;  // "%.4f", 0.001, [0.0001, 1000]
extern const SheetField kStrain;        // "%.2f", 0.01, [0, 100]
extern const SheetField kEta;           // "%.3f", 0.001, [0, 1], accepted 0..1
// A detector at 2θ = 0 sees no diffraction at all (every reflexion at the same position, and
// no intensity); an energy-dispersive detector at 180° has a Lorentz factor without a limit.
extern const SheetField kDetectorTwoTheta;  // time of flight: "%.3f", 0.1, [0, 180], accepted above 0 to 180
extern const SheetField kEnergyDetectorTwoTheta;  // "%.3f", 0.1, [0, 180], accepted above 0 and below 180
extern const SheetField kFlightPath;    // "%.2f", 0.1, not below 0, accepted > 0
extern const SheetField kDMin;          // Å: "%.4f", 0.01, accepted 0.01..100
extern const SheetField kMaxReflexions; // "%.0f", 1000, accepted 1..4294967295
extern const SheetField kDisplacement;  // specimen displacement, mm: "%.3f", 0.01, accepted −50..50
extern const SheetField kGoniometerRadius;  // mm: "%.1f", 1, accepted above 0 to 10000
}  // namespace SheetFields

// Reads a field's text as "%f" does (leading blanks, a number, anything after ignored); empty when
// no number starts the text.
std::optional<double> ReadSheetNumber(const std::string& text);
// The field's text for a value.
std::string FormatSheetNumber(const SheetField& field, double value);
// An arrow click: the field re-read, the step added (up) or subtracted, the result clamped. Empty
// when the field does not read (the caller beeps).
std::optional<double> StepSheetNumber(const SheetField& field, const std::string& text, bool up);
// Whether OK accepts the value.
bool SheetAccepts(const SheetField& field, double value);
// What a refused value should have been: "Enter a number above 0 and below 180."
std::string SheetAcceptedRangeText(const SheetField& field);
