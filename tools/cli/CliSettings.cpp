// Command-line settings: the options, and their application to a document through the setters of
// the desktop program's settings.
#include "CliSettings.h"

#include "Diffraction.h"
#include "Document.h"
#include "PlotCommands.h"
#include "PlotExport.h"
#include "Profile.h"
#include "Records.h"
#include "Settings.h"
#include "TextLines.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <utility>

namespace {

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The whole text is one number (blanks around it allowed).
bool ParseNumber(const std::string& text, double& value)
{
    const char* p = text.c_str();
    if (!ScanDouble(p, value) || !std::isfinite(value))
        return false;
    while (*p == ' ' || *p == '\t')
        ++p;
    return *p == '\0';
}

// A limit as a short number ("180", "0.5").
std::string ShortNumber(double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value));
    return std::string(buffer, result.ptr);
}

bool Positive(const std::optional<double>& v)
{
    return v && *v > 0 && std::isfinite(*v);
}

// A flag and its negation ("--film" and "--graph") setting one optional switch; the later one
// given counts.
void AddSwitch(CLI::App& app, const std::string& on, const std::string& off, std::optional<bool>& value,
               const std::string& help, const std::string& group)
{
    app.add_flag_function(on + ",!" + off, [&value](std::int64_t count) { value = count > 0; }, help)->group(group);
}

// A choice among names, shown as "a|b|c" and matched ignoring case.
CLI::Option* AddChoice(CLI::App& app, const std::string& name, std::optional<std::string>& value,
                       const std::vector<std::string>& choices, const std::string& help, const std::string& group)
{
    std::string shown;
    for (const std::string& c : choices)
        shown += (shown.empty() ? "" : "|") + c;
    return app.add_option(name, value, help)
        ->type_name(shown)
        ->check(CLI::IsMember(choices, CLI::ignore_case).description(""))
        ->group(group);
}

// Name tables of the choice options, in the order their help lists them.
constexpr std::array<std::pair<const char*, SInt16>, 5> kAxes{{
    {"2theta", kAxisTwoTheta}, {"d", kAxisDSpacing}, {"recip", kAxisReciprocalD},
    {"tof", kAxisTimeOfFlight}, {"energy", kAxisEnergy}}};
constexpr std::array<std::pair<const char*, SInt16>, 4> kPeakFunctions{{
    {"delta", kPeakFunctionDelta}, {"lorentzian", kPeakFunctionLorentzian},
    {"gaussian", kPeakFunctionGaussian}, {"pseudo-voigt", kPeakFunctionPseudoVoigt}}};
constexpr std::array<std::pair<const char*, UInt16>, 5> kOverlays{{
    {"none", kOverlayPeaksNone}, {"markers", kOverlayPeaksMarkers}, {"dashed", kOverlayPeaksDashed},
    {"solid", kOverlayPeaksSolid}, {"filled", kOverlayPeaksFilled}}};

template <typename Table>
std::vector<std::string> Names(const Table& table)
{
    std::vector<std::string> names;
    for (const auto& [name, code] : table)
        names.emplace_back(name);
    return names;
}

template <typename Table>
typename Table::value_type::second_type CodeOf(const Table& table, const std::string& name)
{
    const std::string key = Lower(name);
    for (const auto& [n, code] : table)
        if (key == n)
            return code;
    return table[0].second;  // the option's check admits only the names of the table
}

}  // namespace

bool ParseRange(const std::string& text, double* lo, double* hi)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos)
        return false;
    double a, b;
    if (!ParseNumber(text.substr(0, colon), a) || !ParseNumber(text.substr(colon + 1), b))
        return false;
    *lo = a;
    *hi = b;
    return true;
}

bool ParseBackground(const std::string& text, double* a, double* b, double* c)
{
    double v[3] = {0, 0, 0};
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t comma = text.find(',', start);
        if (!ParseNumber(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start), v[i]))
            return false;
        if (comma == std::string::npos)
            break;
        if (i == 2)
            return false;  // more than three terms
        start = comma + 1;
    }
    *a = v[0], *b = v[1], *c = v[2];
    return true;
}

bool ParseFractions(const std::string& text, std::vector<double>* fractions)
{
    std::vector<double> values;
    std::size_t start = 0;
    double sum = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        double v;
        if (!ParseNumber(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start), v) || v < 0)
            return false;
        values.push_back(v);
        sum += v;
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (!(sum > 0) || !std::isfinite(sum))
        return false;
    for (double& v : values)
        v /= sum;
    *fractions = std::move(values);
    return true;
}

void AddSettingOptions(CLI::App& app, SimulationSettings& s)
{
    const std::string inst = "Instrument", sample = "Sample", plot = "Plot";
    AddChoice(app, "--radiation", s.radiation, {"xray", "neutron"}, "X-rays or neutrons", inst);
    AddChoice(app, "--axis", s.axis, Names(kAxes),
              "x axis: 2θ (degrees), d (Å), 1/d (1/Å), time of flight (ms) or energy (keV)", inst);
    app.add_option("--detector-2theta", s.detectorTwoTheta,
                   "2θ of the detector of the tof and energy axes, above 0 and up to 180 (energy: below 180)")
        ->type_name("DEG")->group(inst);
    app.add_option("--path", s.path, "flight path of the tof axis, above 0")->type_name("M")->group(inst);
    app.add_option("--lambda", s.lambda, "first wavelength, Å")->type_name("L1")->group(inst);
    app.add_option("--lambda2", s.lambda2, "second wavelength, Å (used unless --mono is given)")
        ->type_name("L2")->group(inst);
    app.add_option("--ratio", s.ratio, "intensity of the first wavelength over the second")->type_name("R")->group(inst);
    AddChoice(app, "--preset", s.preset, {"CuKa", "CoKa", "CrKa", "FeKa", "MoKa"}, "both wavelengths of an anode", inst);
    AddSwitch(app, "--mono", "--no-mono", s.monochromatic, "the first wavelength only, or (--no-mono) both", inst);
    AddSwitch(app, "--anomalous", "--no-anomalous", s.anomalous,
              "add f' + i f'' at the wavelength to the X-ray form factors (not for neutrons, tof or energy)", inst);
    AddChoice(app, "--peak", s.peak, Names(kPeakFunctions), "peak function", inst);
    app.add_option("--fwhm", s.fwhm, "instrumental peak width (FWHM), in units of the x axis")
        ->type_name("W")->group(inst);
    app.add_option("--eta", s.eta, "Lorentzian fraction of the pseudo-Voigt peak, 0 to 1")->type_name("E")->group(inst);
    app.add_option("--dmin", s.dmin, "smallest d-spacing generated, Å")->type_name("D")->group(inst);
    app.add_option("--max-refs", s.maxRefs, "keep at most N reflexions, those of largest d")
        ->type_name("N|all")->group(inst);
    app.add_option("--displacement", s.displacement,
                   "specimen displacement of a Bragg-Brentano instrument, mm: 2θ moves by -2 s cos θ / R")
        ->type_name("S")->group(inst);
    app.add_option("--radius", s.radius, "goniometer radius R, mm (above 0)")->type_name("R")->group(inst);

    app.add_option("--size", s.sizeMicrons, "crystallite size, µm")->type_name("UM")->group(sample);
    app.add_option("--strain", s.strainPercent, "micro-strain, % (at most 100)")->type_name("PCT")->group(sample);
    app.add_option("--fractions", s.fractions,
                   "volume fractions of the crystals in the order loaded (scaled to sum 1)")
        ->type_name("F1,F2,...")->group(sample);
    app.add_option("--background", s.background, "background A + Bx + C/x of every crystal (C/x only where x > 0)")
        ->type_name("A,B,C")->group(sample);
    app.add_option("--zero", s.zero, "zero correction of every crystal, in units of the x axis")
        ->type_name("Z")->group(sample);

    app.add_option("--xrange", s.xrange, "x range, in units of the x axis")->type_name("LO:HI")->group(plot);
    app.add_option("--channel", s.channel,
                   "x step of the profile (default: the x range over the plot width, at most a fifth of the "
                   "narrowest peak's FWHM)")
        ->type_name("STEP")->group(plot);
    app.add_option("--width", s.width, "plot width, pixels (PDF: points)")
        ->type_name("PX")->check(CLI::Range(100, kMaxPlotPixels).description(""))->capture_default_str()->group(plot);
    app.add_option("--height", s.height, "plot height, pixels (PDF: points)")
        ->type_name("PX")->check(CLI::Range(60, kMaxPlotPixels).description(""))->capture_default_str()->group(plot);
    AddSwitch(app, "--film", "--graph", s.film, "draw films (grey levels), or (--graph) graphs", plot);
    AddSwitch(app, "--mixture", "--no-mixture", s.mixture, "draw the phases as one mixture, or each on its own", plot);
    AddSwitch(app, "--residual", "--no-residual", s.residual, "show the difference of measured and calculated", plot);
    AddChoice(app, "--overlay", s.overlay, Names(kOverlays), "overlay of each peak's own profile", plot);
    AddSwitch(app, "--labels", "--no-labels", s.labels, "label the peaks with their indices", plot);
}

std::string ApplyInstrumentSettings(WinInfoRec* doc, const SimulationSettings& s)
{
    PlotSpecsRec& ps = doc->plotSpecs;
    if (s.radiation)
        ps.radType = Lower(*s.radiation) == "neutron" ? kRadiationNeutrons : kRadiationXRays;

    // Wavelengths first: the axis conversions use them.
    Float32 l1 = ps.lambda, l2 = ps.lambda2, ratio = ps.lambdaRatio;
    bool mono = ps.monochromatic;
    if (s.preset) {
        const WavelengthPreset* p = FindWavelengthPreset(*s.preset);
        if (!p)
            return "unknown wavelength preset " + *s.preset;
        l1 = p->lambda1;
        l2 = p->lambda2;
    }
    if (s.lambda) {
        if (!Positive(s.lambda))
            return "--lambda must be a positive number of Å";
        l1 = static_cast<Float32>(*s.lambda);
    }
    if (s.lambda2) {
        if (!Positive(s.lambda2))
            return "--lambda2 must be a positive number of Å";
        l2 = static_cast<Float32>(*s.lambda2);
        mono = false;  // a second wavelength given is a second wavelength used
    }
    if (s.ratio) {
        if (!(*s.ratio >= 0) || !std::isfinite(*s.ratio))
            return "--ratio must be a number not below 0";
        ratio = static_cast<Float32>(*s.ratio);
    }
    if (s.monochromatic)
        mono = *s.monochromatic;
    DoWavelength(doc, l1, l2, ratio, mono);

    if (s.path && !SheetAccepts(SheetFields::kFlightPath, *s.path))
        return "--path must be a number of metres above 0";
    const SInt16 axis = s.axis ? CodeOf(kAxes, *s.axis) : ps.axisType;
    // At 2θ = 0 nothing is diffracted; an energy-dispersive detector at 180° has no finite
    // Lorentz factor.
    if (s.detectorTwoTheta && axis == kAxisEnergy && !SheetAccepts(SheetFields::kEnergyDetectorTwoTheta, *s.detectorTwoTheta))
        return "--detector-2theta must lie above 0 and below 180 degrees on the energy axis";
    if (s.detectorTwoTheta && !SheetAccepts(SheetFields::kDetectorTwoTheta, *s.detectorTwoTheta))
        return "--detector-2theta must lie above 0 and up to 180 degrees";
    if (s.path && axis != kAxisTimeOfFlight)
        return "--path goes with --axis tof";
    if (s.detectorTwoTheta && axis != kAxisTimeOfFlight && axis != kAxisEnergy)
        return "--detector-2theta goes with --axis tof or --axis energy";
    if (axis == kAxisTimeOfFlight && (s.axis || s.detectorTwoTheta || s.path))
        DoTOFOptions(doc, static_cast<Float32>(s.detectorTwoTheta.value_or(ps.thetaTimeOfFlight * kThetaRadToTwoThetaDeg)),
                     static_cast<Float32>(s.path.value_or(ps.distanceTimeOfFlight)));
    else if (axis == kAxisEnergy && (s.axis || s.detectorTwoTheta))
        DoEnergyOptions(doc, static_cast<Float32>(s.detectorTwoTheta.value_or(ps.thetaEnergy * kThetaRadToTwoThetaDeg)));
    else if (s.axis)
        DoAxisType(doc, axis);

    // The peak function keeps the display mode, as the desktop program's menu does.
    if (s.peak) {
        const SInt16 f = CodeOf(kPeakFunctions, *s.peak);
        ps.plotType = ps.plotType < 1 ? static_cast<SInt16>(-f) : f;
    }
    if (s.film)
        ps.plotType = static_cast<SInt16>(*s.film ? -std::abs(ps.plotType) : std::abs(ps.plotType));
    // The width is in units of the axis chosen above (an axis change rescales the old width).
    if (s.fwhm) {
        if (!Positive(s.fwhm))
            return "--fwhm must be a positive width";
        DoPeakWidth(doc, static_cast<Float32>(*s.fwhm));
    }
    if (s.eta) {
        if (!SheetAccepts(SheetFields::kEta, *s.eta))
            return "--eta must lie within 0 to 1";
        DoPeakEta(doc, static_cast<Float32>(*s.eta));
    }
    if (s.dmin) {
        if (!Positive(s.dmin))
            return "--dmin must be a positive number of Å";
        ps.dMin = static_cast<Float32>(*s.dmin);
    }
    if (s.maxRefs) {
        double n;
        if (Lower(*s.maxRefs) == "all") {
            ps.restrictNumRefs = false;
        } else if (ParseNumber(*s.maxRefs, n) && n >= 1 && n <= 4294967295.0 && n == std::floor(n)) {
            ps.restrictNumRefs = true;
            ps.maxNumRefs = static_cast<UInt32>(n);
        } else {
            return "--max-refs takes a whole number from 1 to 4294967295, or all";
        }
    }
    if (s.displacement || s.radius) {
        if (s.displacement && !SheetAccepts(SheetFields::kDisplacement, *s.displacement))
            return "--displacement must lie within -50 and 50 mm";
        if (s.radius && !SheetAccepts(SheetFields::kGoniometerRadius, *s.radius))
            return "--radius must be a number of mm above 0 (at most 10000)";
        DoSpecimenDisplacement(doc, static_cast<Float32>(s.displacement.value_or(ps.specimenDisplacement)),
                               static_cast<Float32>(s.radius.value_or(ps.goniometerRadius)));
    }
    if (s.anomalous)
        ps.anomalous = *s.anomalous;
    if (s.mixture)
        ps.plotMixture = *s.mixture;
    if (s.residual)
        ps.showResidual = *s.residual;
    if (s.overlay)
        ps.overlayPeakStyle = CodeOf(kOverlays, *s.overlay);

    if (s.xrange) {
        double lo, hi;
        if (!ParseRange(*s.xrange, &lo, &hi))
            return "--xrange takes LO:HI, two numbers";
        if (!PlotLimitsAcceptable(doc, lo, hi))
            return "--xrange must lie within " + ShortNumber(ps.xminLimit) + " and " + ShortNumber(ps.xmaxLimit) +
                   " on this axis, LO below HI";
        ps.xmin = static_cast<Float32>(lo);
        ps.xmax = static_cast<Float32>(hi);
    }
    if (s.channel) {
        if (!Positive(s.channel))
            return "--channel must be a positive step";
        const std::optional<long> count = ExportChannelCount(doc, *s.channel);
        if (!count || *count < 2)
            return "--channel must give from 2 to 32765 profile points over the x range";
        ps.exportChannelSize = static_cast<Float32>(*s.channel);
    }
    return {};
}

std::string CheckSampleSettings(const SimulationSettings& s)
{
    if (s.sizeMicrons && !Positive(s.sizeMicrons))
        return "--size must be a positive number of µm";
    if (s.strainPercent && (!(*s.strainPercent >= 0) || !std::isfinite(*s.strainPercent)))
        return "--strain must be a number of % not below 0";
    std::vector<double> values;
    if (s.fractions && !ParseFractions(*s.fractions, &values))
        return "--fractions takes numbers not below 0, separated by commas, with a positive sum";
    double a, b, c;
    if (s.background && !ParseBackground(*s.background, &a, &b, &c))
        return "--background takes A,B,C: up to three numbers separated by commas";
    if (s.zero && !std::isfinite(*s.zero))
        return "--zero must be a number";
    return {};
}

std::string ApplySampleSettings(WinInfoRec* doc, const SimulationSettings& s)
{
    if (std::string problem = CheckSampleSettings(s); !problem.empty())
        return problem;
    std::vector<double> values;
    if (s.fractions) {
        ParseFractions(*s.fractions, &values);
        const SInt32 n = GetNumCrystalsInPlotList(doc);
        if (static_cast<SInt32>(values.size()) != n)
            return "--fractions needs one value for each of the " + std::to_string(n) + " crystals";
    }
    // The setters act on the selected crystals: on the command line that is all of them.
    for (VLPatternPtr pp : doc->plotList)
        if (pp->type == kPatternTypeCrystal)
            pp->selected = true;
    if (s.sizeMicrons)
        DoParticleSize(doc, static_cast<Float32>(*s.sizeMicrons));
    if (s.strainPercent)
        DoPercentStrain(doc, static_cast<Float32>(*s.strainPercent));
    for (std::size_t i = 0; i < values.size(); ++i)
        GetNthCrystalInPlotList(doc, static_cast<SInt32>(i))->volFrac = static_cast<Float32>(values[i]);
    if (s.labels)
        for (VLPatternPtr pp : doc->plotList)
            if (pp->type == kPatternTypeCrystal && pp->crystal)
                pp->crystal->showLabel = *s.labels;
    double a = 0, b = 0, c = 0;
    if (s.background)
        ParseBackground(*s.background, &a, &b, &c);
    for (VLPatternPtr pp : doc->plotList) {
        if (pp->type != kPatternTypeCrystal || !pp->crystal)
            continue;
        CrystalDataRec* xp = pp->crystal.get();
        if (s.background) {
            xp->yOffset = static_cast<Float32>(a);
            xp->baseCoefs[0] = static_cast<Float32>(b);
            xp->baseCoefs[1] = static_cast<Float32>(c);
        }
        if (s.zero) {
            // The zero correction moves the peaks, and their widths follow their positions.
            xp->xOffset = static_cast<Float32>(*s.zero);
            GetXValues(xp, &doc->plotSpecs);
            CalculatePeakWidths(doc, xp);
        }
    }
    return {};
}
