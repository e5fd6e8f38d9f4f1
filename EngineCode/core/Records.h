// Core records: crystal, asymmetric-unit site, atom, reflexion, observed dataset, pattern, and
// the per-window plot and instrument settings, with the code values every part shares.
// Preferences and colours are in Globals.h; the window document is in Document.h.
//
// Arrays are owned by std::vector; the count of each array is its size (ntyp(), nAtoms(), ...).
// Lengths in Å, angles in degrees unless stated; the energy and time-of-flight detector angles
// (thetaEnergy, thetaTimeOfFlight) are θ in radians; flight path in metres; crystallite size in Å;
// strain as a fraction.
#pragma once

#include "FileProblem.h"
#include "Types.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

struct PrefDataRec;  // Globals.h

// ---- code values ----

// Peak function: the magnitude of plotType. A positive plotType is a graph, a negative one a film.
enum : SInt16 {
    kPeakFunctionDelta = 1,       // sticks
    kPeakFunctionLorentzian = 2,
    kPeakFunctionGaussian = 3,
    kPeakFunctionPseudoVoigt = 4,
};

// x axis (axisType).
enum : SInt16 {
    kAxisTwoTheta = 0,      // 2θ, degrees
    kAxisDSpacing = 1,      // d, Å
    kAxisReciprocalD = 2,   // 1/d, Å⁻¹
    kAxisTimeOfFlight = 3,  // time of flight, ms
    kAxisEnergy = 4,        // energy, keV
};

// Radiation (radType).
enum : UInt16 {
    kRadiationXRays = 1,
    kRadiationNeutrons = 2,
};

// Overlay of individual peaks (overlayPeakStyle).
enum : UInt16 {
    kOverlayPeaksNone = 0,
    kOverlayPeaksMarkers = 1,
    kOverlayPeaksDashed = 2,
    kOverlayPeaksSolid = 3,
    kOverlayPeaksFilled = 4,
};

// Plot style (plotStyle and the ...PlotStyle fields).
enum : UInt16 {
    kPlotStyleCrosses = 1,
    kPlotStyleDots = 2,
    kPlotStyleSquares = 3,
    kPlotStyleLine = 4,
    kPlotStyleLineCrosses = 5,
    kPlotStyleLineDots = 6,
    kPlotStyleLineSquares = 7,
    kPlotStyleFilled = 8,
    kPlotStyleTranslucent = 9,
};

// Line style (lineStyle and the ...LineStyle fields).
enum : UInt16 {
    kLineStyleDashed = 1,  // 2 on, 2 off
    kLineStyleSolid = 2,
};

// Displacement parameters of a site.
enum ADPType : UInt16 {
    kADPTypeNone = 0,
    kADPTypeUiso = 1,  // uIso, read as an isotropic B-type parameter (Å²)
    kADPTypeUij = 2,   // uAni holds U values in Å²
    kADPTypeBij = 3,   // uAni holds dimensionless beta values
};

enum ReflexionSortType : int {
    kSortReflexionsByNone = 0,
    kSortReflexionsByHKL = 1,
    kSortReflexionsByDSpacing = 2,
    kSortReflexionsByIntensity = 3,
};

enum VLPatternType : int {
    kPatternTypeNone = 0,
    kPatternTypeCrystal = 1,
    kPatternTypeDataset = 2,
};

// ---- records ----

// One occupant of a site.
struct SiteRec {
    UInt16 symbol = kEmptySymbol;  // packed element symbol
    UInt16 indexASF = 0;           // entry in the scattering-factor table (set by ASFIndexSites)
    Float32 occupancy = 0;         // 0..1; 0 contributes nothing
};

// One asymmetric-unit site.
struct InputDataRec {
    std::array<SiteRec, 3> occupant{};  // up to three species sharing the site
    char label[7] = {};                 // NUL-terminated, at most 6 characters
    Float32 x[3] = {0, 0, 0};           // fractional coordinates
    ADPType adpType = kADPTypeNone;
    // Row-major; [0][0]=11, [0][1]=12, [0][2]=13, [1][1]=22, [1][2]=23, [2][2]=33 are used.
    // U in Å² for kADPTypeUij, dimensionless beta for kADPTypeBij.
    Float32 uAni[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    Float32 uIso = 0.1f;      // Å², enters as an isotropic B-type parameter
    AtomIndex pos = 1;        // index in the crystal's atoms of this site's first position
    AtomIndex lastInRange = 0;  // set by the readers, not read by the engine
    AtomIndex numInCell = 0;  // number of positions of this site in the cell
    Boolean include = false;  // site takes part in the calculation
};

// One atom position in the cell.
struct AtomDataRec {
    Float32 x[3] = {0, 0, 0};  // fractional coordinates
    // Rotation part R of the symmetry operation (R, t) that made this position from its site's
    // own coordinates: x = R·x(site) + t, fractional, row-major. The identity for the site's own
    // position. Anisotropic displacements of the copy are R·U·Rᵀ; whoever fills the atoms sets
    // CrystalDataRec::atomRotations to say whether these are known.
    SInt8 rotation[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
};

// Whether the atoms' rotations are known (CrystalDataRec::atomRotations).
enum : UInt8 {
    kAtomRotationsUnknown = 0,  // not filled: the engine derives them from the atom positions
    kAtomRotationsSet = 1,      // filled by the reader (or derived)
    kAtomRotationsNotFound = 2, // derivation failed: anisotropic sites are used unrotated
};

// One reflexion (24 bytes); also the element of the engine's working list.
struct ReflexionRec {
    SInt16 h = 0, k = 0, l = 0;
    UInt16 mul = 0;          // number of generated reflexions merged into this one
    Float32 dsp = 0;         // d-spacing, Å; 0 marks a discarded working entry
    Float32 tth = 0;         // position on the current x axis, xOffset included
    Float32 inty = 0;        // integrated intensity
    Float32 halfWidth = 0;   // half of the FWHM, x-axis units
};
static_assert(sizeof(ReflexionRec) == 24, "ReflexionRec is 24 bytes");

// Working record of the structure-factor listing.
struct AuxReflexionRec {
    Float32 re = 0;     // real part A
    Float32 im = 0;     // imaginary part B
    Float32 lp = 0;     // Lorentz-polarisation factor
    Float32 theta = 0;  // Bragg angle θ, radians
};

// The crystal.
struct CrystalDataRec {
    Float32 a = 0, b = 0, c = 0;              // Å
    Float32 alpha = 0, beta = 0, gamma = 0;   // degrees
    Float32 aStar = 0, bStar = 0, cStar = 0;  // Å⁻¹
    Float32 alphaStar = 0, betaStar = 0, gammaStar = 0;  // degrees
    Float32 volume = 0;   // Å³
    Float32 density = 0;  // kg/m³
    char spaceGroupSymbol[21] = {};  // NUL-terminated, at most 20 characters
    std::vector<InputDataRec> AU;    // asymmetric unit (ntyp sites)
    Boolean hasEllipsoids = false;   // only then is a temperature factor applied
    std::vector<AtomDataRec> atoms;  // all positions in the cell (nAtoms)
    UInt8 atomRotations = kAtomRotationsUnknown;  // whether atoms[].rotation holds the operations
    char ltyp = 'P';                 // centring: P, A, B, C, I, F or R
    std::vector<ReflexionRec> refs;  // sorted by descending dsp (nRefs)
    Float32 intMax = 0;              // largest inty in refs
    Float32 xOffset = 0;             // zero correction, current axis units
    Float32 yOffset = 0;             // background term A of A + Bx + C/x
    Float32 baseCoefs[3] = {0, 0, 0};  // [0] = B, [1] = C; [2] is carried along
    std::vector<Float32> plotBuffer; // profile, one value per plot pixel (nBufferPts)
    RGBColor plotColor{};
    UInt16 plotStyle = kPlotStyleLine;
    UInt16 lineStyle = kLineStyleSolid;
    Float32 lineWidth = 1;    // points
    Float32 markerSize = 0;   // points
    Float32 volFrac = 0;      // proportion in a mixture
    Float32 particleSize = 10000;  // crystallite size, Å (at least 10)
    Float32 strain = 0;       // micro-strain as a fraction (0.01 = 1 %)
    Boolean showLabel = false;
    UInt16 labelThreshold = 10;  // percent
    Boolean labelHKL = true, labelDSpacings = false, labelTwoTheta = false, labelPhases = false;

    AtomIndex ntyp() const { return static_cast<AtomIndex>(AU.size()); }
    AtomIndex nAtoms() const { return static_cast<AtomIndex>(atoms.size()); }
    AtomIndex nRefs() const { return static_cast<AtomIndex>(refs.size()); }
    AtomIndex nBufferPts() const { return static_cast<AtomIndex>(plotBuffer.size()); }
};
using CrystalDataPtr = CrystalDataRec*;

// Observed dataset.
struct ObsDataRec {
    Float32 xmin = 0, xmax = 0;
    Float32 ymin = 0, ymax = 0;
    Float32 xOffset = 0;  // zero correction added to x when drawn
    Float32 yOffset = 0;  // vertical offset added when drawn
    std::vector<Float32> x;        // nData x values
    std::vector<Float32> profile;  // nData observed intensities
    RGBColor plotColor{};
    UInt16 plotStyle = kPlotStyleSquares;
    UInt16 lineStyle = kLineStyleSolid;
    Float32 lineWidth = 1;
    Float32 markerSize = 0;
    Float32 relScale = 1;  // factor applied to profile when drawn and compared

    AtomIndex nData() const { return static_cast<AtomIndex>(x.size()); }
};
using ObsDataPtr = ObsDataRec*;

// One entry of a window's file list (and possibly of its plot list).
struct VLPatternRec {
    VLPatternType type = kPatternTypeNone;
    std::unique_ptr<CrystalDataRec> crystal;  // when type is crystal
    std::unique_ptr<ObsDataRec> dataset;      // when type is dataset
    std::string filePtr;   // the file the pattern was read from; empty for none
    std::string name;      // display name, UTF-8
    Boolean selected = false;
    Boolean plotted = false;
};
using VLPatternPtr = VLPatternRec*;

// Per-window plot and instrument settings (a copy lives in every window and in the preferences).
struct PlotSpecsRec {
    SInt16 plotType = 3;          // sign: graph (>0) or film (<0); magnitude: peak function
    SInt16 axisType = kAxisTwoTheta;
    UInt16 overlayPeakStyle = kOverlayPeaksNone;
    Boolean showCursor = false;
    Float32 cursorXPos = 0;       // x-axis units
    Rect cursorRect{};
    UInt16 filmThreshold = 20;    // percent
    Boolean showGrids = true, showLegend = true, showResidual = false, relativeIntensity = false;
    Float32 xmin = 0, xmax = 80;  // displayed x range, axis units
    Float32 ymin = 0, ymax = 1;
    Float32 xminLimit = 0, xmaxLimit = 180;
    Float32 xscale = 0, yscale = 0;  // pixels per x unit and per y unit of the current drawing
    Float32 fwhm = 0.1f;          // instrumental FWHM, x-axis units (at least 0.0001)
    Boolean monochromatic = true;
    UInt16 radType = kRadiationXRays;
    Float32 lambda = 1.5405f;     // Å
    Float32 lambda2 = 1.54434f;   // Å
    Float32 lambdaRatio = 2.0f;   // intensity of the first wavelength over the second
    Float32 dMin = 1.0f;          // Å
    Boolean restrictNumRefs = true;
    UInt32 maxNumRefs = 1000000;  // generous: a 20,000 Å³ cell at dMin 1 Å is complete
    Float32 thetaEnergy = 0.06981f;       // θ of the energy-dispersive detector, radians
    Float32 thetaTimeOfFlight = 1.57f;    // θ of the time-of-flight detector, radians
    Float32 distanceTimeOfFlight = 100.0f;  // flight path, m
    Float32 eta = 0.2f;           // Lorentzian fraction of the pseudo-Voigt
    // Bragg–Brentano specimen displacement s and goniometer radius R, mm: peaks on the 2θ axis
    // move by Δ2θ = −2 s cos θ / R.
    Float32 specimenDisplacement = 0;
    Float32 goniometerRadius = 240;
    RGBColor windowColor{0x970A, 0xBAE1, 0xFFFF};
    RGBColor crystalMixColor{0x0000, 0x0000, 0xFFFF};
    UInt16 crystalMixPlotStyle = 4, crystalMixLineStyle = 2;
    Float32 crystalMixLineWidth = 1, crystalMixMarkerSize = 0;
    RGBColor datasetMixColor{0xFFFF, 0x0000, 0x0000};
    UInt16 datasetMixPlotStyle = 3, datasetMixLineStyle = 2;
    Float32 datasetMixLineWidth = 1, datasetMixMarkerSize = 0;
    RGBColor residualColor{0xAAAA, 0x0000, 0x0000};
    UInt16 residualPlotStyle = 4, residualLineStyle = 2;
    Float32 residualLineWidth = 1, residualMarkerSize = 0;
    Float32 exportChannelSize = 1.0f;  // x step of exported profiles
    Boolean plotMixture = false;
    // X-rays at a fixed wavelength: add f' + i f'' of each element to its form factor.
    Boolean anomalous = false;
};
using PlotSpecsPtr = PlotSpecsRec*;

// ---- constructors, blank initialisers, destructors, duplicators ----
// Constructors return null when memory runs out; destructors accept null.

// A new crystal takes its plot style, particle size, strain and label settings from the
// defaults in prefs (the user's preferences in the programs, a record of their own in tests).
std::unique_ptr<CrystalDataRec> CreateCrystal(const PrefDataRec& prefs);
void InitBlankCrystal(CrystalDataRec* xp, const PrefDataRec& prefs);

// The element arrays: each new element is a copy of gBlankAU, gBlankAtom or gBlankRef.
// On failure these return false, leaving the crystal as it was; the sites and atoms say why in
// problems when given (a reader returns them), the reflexions in a stop alert.
[[nodiscard]] bool CreateAsymmetricUnit(CrystalDataRec* xp, AtomIndex n, FileProblems* problems = nullptr);
[[nodiscard]] bool CreateAtomsArray(CrystalDataRec* xp, AtomIndex n, FileProblems* problems = nullptr);
[[nodiscard]] bool CreateReflexionsArray(std::vector<ReflexionRec>& refs, AtomIndex n);
[[nodiscard]] bool CreatePlotBuffer(std::vector<Float32>& buffer, AtomIndex n);

void InitBlankAU(InputDataRec* site);
void InitBlankAtom(AtomDataRec* atom);
void InitBlankReflexion(ReflexionRec* ref);

InputDataRec* GetCrystalAsymmetricUnit(CrystalDataRec* xp);
AtomDataRec* GetCrystalAtomsArray(CrystalDataRec* xp);
ReflexionRec* GetCrystalReflexionsArray(CrystalDataRec* xp);
Float32* GetCrystalPlotBuffer(CrystalDataRec* xp);
void SetCrystalReflexionsArray(CrystalDataRec* xp, std::vector<ReflexionRec> refs);
void SetCrystalPlotBuffer(CrystalDataRec* xp, std::vector<Float32> buffer);

void DestroyAsymmetricUnit(CrystalDataRec* xp);
void DestroyAtomsArray(CrystalDataRec* xp);
void DestroyReflexionsArray(CrystalDataRec* xp);
void DestroyPlotBuffer(CrystalDataRec* xp);
void DestroyCrystal(std::unique_ptr<CrystalDataRec>& xp);

// Deep copy of the record and all its arrays; null only when memory runs out.
// (A crystal without reflexions or plot buffer, say one never drawn, copies as it is.)
std::unique_ptr<CrystalDataRec> DuplicateCrystal(const CrystalDataRec* xp);

// A new dataset takes its plot style from the dataset defaults in prefs.
std::unique_ptr<ObsDataRec> CreateDataset(const PrefDataRec& prefs);
void InitBlankDataset(ObsDataRec* dp, const PrefDataRec& prefs);
// Datasets of at least this many points are dense: drawn as a line by default, fewer as dots.
inline constexpr AtomIndex kDenseDataPoints = 400;
// The style a dataset read from a file takes: the dataset style of prefs when the user chose
// one; with the factory style, a line for dense data and dots for sparse data, so that a fine
// scan reads as a curve and a few measured points stay visible one by one.
void SetDatasetDefaultPlotStyle(ObsDataRec* dp, const PrefDataRec& prefs);
[[nodiscard]] bool CreateDatasetPoints(ObsDataRec* dp, AtomIndex n);
// Deep copy; null when the source has no points.
std::unique_ptr<ObsDataRec> DuplicateDataset(const ObsDataRec* dp);
void DestroyDataset(std::unique_ptr<ObsDataRec>& dp);

std::unique_ptr<VLPatternRec> CreatePattern();
void InitBlankPattern(VLPatternRec* pp);
void DestroyPattern(std::unique_ptr<VLPatternRec>& pp);

// Label helpers: copy text into a fixed NUL-terminated field, cutting it to fit.
void SetSiteLabel(InputDataRec* site, std::string_view text);
void SetSpaceGroupSymbol(CrystalDataRec* xp, std::string_view text);
