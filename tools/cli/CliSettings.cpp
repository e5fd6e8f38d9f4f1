// Command-line settings.
#include "CliSettings.h"

#include "Diffraction.h"
#include "Document.h"
#include "PlotCommands.h"
#include "Profile.h"
#include "Settings.h"
#include "TextLines.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <map>

namespace {

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool ParseDouble(const std::string& text, double& value)
{
    const char* p = text.c_str();
    if (!ScanDouble(p, value) || !std::isfinite(value))
        return false;
    while (*p == ' ')
        ++p;
    return *p == '\0';
}

}  // namespace

void AddSettingOptions(CLI::App& app, SimulationSettings& s)
{
    app.add_option("--radiation", s.radiation, "xray or neutron")->check(CLI::IsMember({"xray", "neutron"}, CLI::ignore_case))->group("Instrument");
    app.add_option("--axis", s.axis, "x axis: 2theta, d, recip (1/d), tof (ms) or energy (keV)")
        ->check(CLI::IsMember({"2theta", "d", "recip", "tof", "energy"}, CLI::ignore_case))->group("Instrument");
    app.add_option("--detector-2theta", s.detectorTwoTheta, "detector 2θ for tof and energy axes, degrees (0..180)")->group("Instrument");
    app.add_option("--path", s.path, "flight path of the tof axis, m (> 0)")->group("Instrument");
    app.add_option("--lambda", s.lambda, "first wavelength, Å")->group("Instrument");
    app.add_option("--lambda2", s.lambda2, "second wavelength, Å")->group("Instrument");
    app.add_option("--ratio", s.ratio, "intensity ratio of the first wavelength to the second")->group("Instrument");
    app.add_option("--preset", s.preset, "wavelengths of an anode: CuKa, CoKa, CrKa, FeKa or MoKa")
        ->check(CLI::IsMember({"CuKa", "CoKa", "CrKa", "FeKa", "MoKa"}, CLI::ignore_case))->group("Instrument");
    app.add_flag("--mono,!--no-mono", s.monochromatic, "one wavelength only, or both")->group("Instrument");
    app.add_option("--peak", s.peak, "peak function: delta, lorentzian, gaussian or pseudo-voigt")
        ->check(CLI::IsMember({"delta", "lorentzian", "gaussian", "pseudo-voigt"}, CLI::ignore_case))->group("Instrument");
    app.add_option("--fwhm", s.fwhm, "instrumental peak width (FWHM) in x-axis units")->group("Instrument");
    app.add_option("--eta", s.eta, "Lorentzian fraction of the pseudo-Voigt, 0..1")->group("Instrument");
    app.add_option("--dmin", s.dmin, "smallest d-spacing generated, Å")->group("Instrument");
    app.add_option("--max-refs", s.maxRefs, "at most this many generated reflexions, or all")->group("Instrument");
    app.add_option("--size", s.sizeMicrons, "crystallite size, µm")->group("Sample");
    app.add_option("--strain", s.strainPercent, "micro-strain, %")->group("Sample");
    app.add_option("--fractions", s.fractions, "volume fractions of the crystals, comma-separated, in the order loaded")->group("Sample");
    app.add_option("--xrange", s.xrange, "x range LO:HI in x-axis units")->group("Plot");
    app.add_option("--channel", s.channel, "x step of the exported profile")->group("Plot");
    app.add_option("--width", s.width, "plot width, pixels")->check(CLI::Range(100, 20000))->group("Plot");
    app.add_option("--height", s.height, "plot height, pixels")->check(CLI::Range(100, 20000))->group("Plot");
    app.add_flag("--film", s.film, "draw films (grey levels) instead of graphs")->group("Plot");
    app.add_flag("--mixture", s.mixture, "draw the phases as one mixture")->group("Plot");
    app.add_flag("--residual", s.residual, "show the difference between data and calculation")->group("Plot");
    app.add_option("--overlay", s.overlay, "peak overlay: none, markers, dashed, solid or filled")
        ->check(CLI::IsMember({"none", "markers", "dashed", "solid", "filled"}, CLI::ignore_case))->group("Plot");
    app.add_flag("--labels", s.labels, "label the peaks")->group("Plot");
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
        if (!(*s.lambda > 0) || !std::isfinite(*s.lambda))
            return "--lambda must be a positive number of Å";
        l1 = static_cast<Float32>(*s.lambda);
    }
    if (s.lambda2) {
        if (!(*s.lambda2 > 0) || !std::isfinite(*s.lambda2))
            return "--lambda2 must be a positive number of Å";
        l2 = static_cast<Float32>(*s.lambda2);
        if (!s.monochromatic)
            mono = false;
    }
    if (s.ratio) {
        if (!(*s.ratio >= 0) || !std::isfinite(*s.ratio))
            return "--ratio must not be negative";
        ratio = static_cast<Float32>(*s.ratio);
    }
    if (s.monochromatic)
        mono = *s.monochromatic;
    DoWavelength(doc, l1, l2, ratio, mono);

    if (s.detectorTwoTheta && !SheetAccepts(SheetFields::kDetectorTwoTheta, *s.detectorTwoTheta))
        return "--detector-2theta must lie within 0..180 degrees";
    if (s.path && !SheetAccepts(SheetFields::kFlightPath, *s.path))
        return "--path must be a positive number of metres";
    if (s.axis) {
        const std::string a = Lower(*s.axis);
        if (a == "tof")
            DoTOFOptions(doc, static_cast<Float32>(s.detectorTwoTheta.value_or(ps.thetaTimeOfFlight * kThetaRadToTwoThetaDeg)),
                         static_cast<Float32>(s.path.value_or(ps.distanceTimeOfFlight)));
        else if (a == "energy")
            DoEnergyOptions(doc, static_cast<Float32>(s.detectorTwoTheta.value_or(ps.thetaEnergy * kThetaRadToTwoThetaDeg)));
        else
            DoAxisType(doc, a == "d" ? kAxisDSpacing : a == "recip" ? kAxisReciprocalD : kAxisTwoTheta);
    } else if (s.detectorTwoTheta || s.path) {
        return "--detector-2theta and --path go with --axis tof or --axis energy";
    }

    if (s.peak) {
        static const std::map<std::string, SInt16> kFunctions = {
            {"delta", kPeakFunctionDelta}, {"lorentzian", kPeakFunctionLorentzian},
            {"gaussian", kPeakFunctionGaussian}, {"pseudo-voigt", kPeakFunctionPseudoVoigt}};
        ps.plotType = kFunctions.at(Lower(*s.peak));
    }
    if (s.fwhm) {
        if (!(*s.fwhm > 0) || !std::isfinite(*s.fwhm))
            return "--fwhm must be a positive width";
        ps.fwhm = std::max(0.0001f, static_cast<Float32>(*s.fwhm));
    }
    if (s.eta) {
        if (!SheetAccepts(SheetFields::kEta, *s.eta))
            return "--eta must lie within 0..1";
        ps.eta = static_cast<Float32>(*s.eta);
    }
    if (s.dmin) {
        if (!(*s.dmin > 0) || !std::isfinite(*s.dmin))
            return "--dmin must be a positive number of Å";
        ps.dMin = static_cast<Float32>(*s.dmin);
    }
    if (s.maxRefs) {
        if (Lower(*s.maxRefs) == "all") {
            ps.restrictNumRefs = false;
        } else {
            double n;
            if (!ParseDouble(*s.maxRefs, n) || n < 1 || n > 1e8 || n != std::floor(n))
                return "--max-refs takes a whole number from 1 to 100000000, or all";
            ps.restrictNumRefs = true;
            ps.maxNumRefs = static_cast<UInt32>(n);
        }
    }
    if (s.channel) {
        if (!(*s.channel > 0) || !std::isfinite(*s.channel))
            return "--channel must be a positive step";
        ps.exportChannelSize = static_cast<Float32>(*s.channel);
    }
    if (s.film)
        ps.plotType = static_cast<SInt16>(-std::abs(ps.plotType));
    ps.plotMixture = s.mixture;
    ps.showResidual = s.residual;
    if (s.overlay) {
        static const std::map<std::string, UInt16> kOverlays = {{"none", kOverlayPeaksNone},
                                                                {"markers", kOverlayPeaksMarkers},
                                                                {"dashed", kOverlayPeaksDashed},
                                                                {"solid", kOverlayPeaksSolid},
                                                                {"filled", kOverlayPeaksFilled}};
        ps.overlayPeakStyle = kOverlays.at(Lower(*s.overlay));
    }
    if (s.xrange) {
        const std::string& r = *s.xrange;
        const std::size_t colon = r.find(':');
        double lo, hi;
        if (colon == std::string::npos || !ParseDouble(r.substr(0, colon), lo) || !ParseDouble(r.substr(colon + 1), hi))
            return "--xrange takes LO:HI, two numbers";
        if (!PlotLimitsAcceptable(doc, lo, hi))
            return "--xrange must lie within " + std::to_string(ps.xminLimit) + ".." + std::to_string(ps.xmaxLimit) +
                   " on this axis, LO below HI";
        ps.xmin = static_cast<Float32>(lo);
        ps.xmax = static_cast<Float32>(hi);
    }
    return {};
}

std::string ApplySampleAndPlotSettings(WinInfoRec* doc, const SimulationSettings& s)
{
    const bool anyCrystal = GetNumCrystalsInPlotList(doc) > 0;
    if (s.sizeMicrons) {
        if (!(*s.sizeMicrons > 0) || !std::isfinite(*s.sizeMicrons))
            return "--size must be a positive number of µm";
        DoParticleSize(doc, static_cast<Float32>(*s.sizeMicrons));
    }
    if (s.strainPercent) {
        if (!(*s.strainPercent >= 0) || !(*s.strainPercent <= 100))
            return "--strain must lie within 0..100 %";
        DoPercentStrain(doc, static_cast<Float32>(*s.strainPercent));
    }
    if (s.fractions) {
        std::vector<double> values;
        std::string rest = *s.fractions;
        while (!rest.empty()) {
            const std::size_t comma = rest.find(',');
            double v;
            if (!ParseDouble(rest.substr(0, comma), v) || v < 0)
                return "--fractions takes non-negative numbers separated by commas";
            values.push_back(v);
            rest = comma == std::string::npos ? std::string() : rest.substr(comma + 1);
        }
        if (static_cast<SInt32>(values.size()) != GetNumCrystalsInPlotList(doc))
            return "--fractions needs one value for each of the " + std::to_string(GetNumCrystalsInPlotList(doc)) +
                   " crystals";
        for (SInt32 i = 0; i < static_cast<SInt32>(values.size()); ++i)
            GetNthCrystalInPlotList(doc, i)->volFrac = static_cast<Float32>(values[static_cast<std::size_t>(i)]);
    }
    if (s.labels && anyCrystal)
        for (VLPatternPtr pp : doc->plotList)
            if (pp->type == kPatternTypeCrystal && pp->crystal)
                pp->crystal->showLabel = true;
    return {};
}
