// Preferences window rules.
#include "PrefsEditing.h"

#include "Settings.h"
#include "TextFormat.h"
#include "TextLines.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

std::string Fixed(double value, int decimals)
{
    return FormatFixed(value, 0, decimals);
}

// The fields of one plot-style group inside a preferences record.
template <typename Prefs>
auto GroupFields(Prefs& p, int group)
{
    struct Fields {
        decltype(&p.crystalColor) color;
        decltype(&p.crystalPlotStyle) plotStyle;
        decltype(&p.crystalLineStyle) lineStyle;
        decltype(&p.crystalMarkerSize) markerSize;
        decltype(&p.crystalLineWidth) lineWidth;
    };
    auto& s = p.plotSpecs;
    switch (group) {
    case kPrefsCrystals:
        return Fields{&p.crystalColor, &p.crystalPlotStyle, &p.crystalLineStyle, &p.crystalMarkerSize, &p.crystalLineWidth};
    case kPrefsCrystalMixture:
        return Fields{&s.crystalMixColor, &s.crystalMixPlotStyle, &s.crystalMixLineStyle, &s.crystalMixMarkerSize,
                      &s.crystalMixLineWidth};
    case kPrefsDatasets:
        return Fields{&p.datasetColor, &p.datasetPlotStyle, &p.datasetLineStyle, &p.datasetMarkerSize, &p.datasetLineWidth};
    case kPrefsDatasetMixture:
        return Fields{&s.datasetMixColor, &s.datasetMixPlotStyle, &s.datasetMixLineStyle, &s.datasetMixMarkerSize,
                      &s.datasetMixLineWidth};
    default:
        return Fields{&s.residualColor, &s.residualPlotStyle, &s.residualLineStyle, &s.residualMarkerSize,
                      &s.residualLineWidth};
    }
}

// Reads the text of a changed field; the value is stored only when accept says yes.
template <typename T, typename Accept, typename Convert>
void ReadField(const std::string& text, const std::string& shownText, T shownValue, T* field, Accept accept,
               Convert convert)
{
    if (text == shownText) {
        *field = shownValue;
        return;
    }
    const std::optional<double> v = ReadSheetNumber(text);
    if (v && accept(*v))
        *field = static_cast<T>(convert(*v));
}

constexpr auto kAsIs = [](double v) { return v; };
constexpr auto kPositive = [](double v) { return v > 0; };

}  // namespace

int MenuPositionOfCode(std::span<const SInt16> table, int code)
{
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i] == code)
            return static_cast<int>(i) + 1;
    return 0;
}

bool MenuCodeAtPosition(std::span<const SInt16> table, int position, int* code)
{
    if (position < 1 || position > static_cast<int>(table.size()))
        return false;
    *code = table[static_cast<std::size_t>(position - 1)];
    return true;
}

const std::vector<std::string>& MarkerSizeItems()
{
    static const std::vector<std::string> items{"1 pt", "2 pt", "3 pt", "4 pt", "5 pt", "6 pt", "8 pt", "10 pt", "12 pt",
                                                "-", "Automatic"};
    return items;
}

const std::vector<std::string>& LineWidthItems()
{
    static const std::vector<std::string> items{"1 pt", "2 pt", "3 pt", "4 pt", "5 pt", "6 pt", "-", "Automatic"};
    return items;
}

int NumberPopupPositionOfValue(const std::vector<std::string>& items, double value)
{
    const double whole = std::trunc(value);
    const int count = static_cast<int>(items.size());
    if (whole == 0)
        return count;
    for (int i = 1; i <= count - 2; ++i) {
        double v;
        if (NumberPopupValueAt(items, i, &v) && v == whole)
            return i;
    }
    return 0;
}

bool NumberPopupValueAt(const std::vector<std::string>& items, int position, double* value)
{
    if (position < 1 || position > static_cast<int>(items.size()))
        return false;
    const std::optional<double> v = ReadSheetNumber(items[static_cast<std::size_t>(position - 1)]);
    *value = v ? std::trunc(*v) : 0.0;
    return true;
}

PrefsFormRec InitPrefsForm(const PrefDataRec& p)
{
    const PlotSpecsRec& s = p.plotSpecs;
    PrefsFormRec f;
    f.showToolbar = p.showToolbar;
    f.showParameters = p.showParameters;
    f.showFiles = p.showFiles;
    f.graphsOrFilms = s.plotType < 0 ? 2 : 1;
    f.relativeIntensity = s.relativeIntensity;
    f.showLegend = s.showLegend;
    f.showGrids = s.showGrids;
    f.windowColor = s.windowColor;

    f.radiation = MenuPositionOfCode(gRadiationMenuItems, s.radType);
    f.axis = MenuPositionOfCode(gAxisMenuItems, s.axisType);
    f.lambda = Fixed(s.lambda, 4);
    f.lambda2 = Fixed(s.lambda2, 4);
    f.lambdaRatio = Fixed(s.lambdaRatio, 3);
    f.monochromatic = s.monochromatic;
    f.thetaTimeOfFlight = Fixed(s.thetaTimeOfFlight * kDegreesPerRadian, 3);
    f.thetaEnergy = Fixed(s.thetaEnergy * kDegreesPerRadian, 3);
    f.distanceTimeOfFlight = Fixed(s.distanceTimeOfFlight, 2);

    f.profile = MenuPositionOfCode(gProfileMenuItems, s.plotType < 0 ? -s.plotType : s.plotType);
    f.fwhm = Fixed(s.fwhm, 3);
    f.eta = Fixed(s.eta, 3);
    f.dMin = Fixed(s.dMin, 4);
    f.restrictNumRefs = s.restrictNumRefs;
    f.maxNumRefs = Fixed(s.maxNumRefs, 0);

    f.particleSize = Fixed(p.particleSize * 0.0001, 3);
    f.strain = Fixed(p.strain * 100.0, 3);

    f.showLabel = p.showLabel;
    f.labelThreshold = Fixed(p.labelThreshold, 0);
    f.labelHKL = p.labelHKL;
    f.labelDSpacings = p.labelDSpacings;
    f.labelTwoTheta = p.labelTwoTheta;
    f.labelPhases = p.labelPhases;

    f.overlay = s.overlayPeakStyle != kOverlayPeaksNone;
    f.overlayStyle = MenuPositionOfCode(gPeakOverlayMenuItems, s.overlayPeakStyle);
    for (int g = 0; g < kPrefsPlotGroups; ++g) {
        const auto fields = GroupFields(p, g);
        PrefsPlotPaneRec& pane = f.panes[static_cast<std::size_t>(g)];
        pane.buttonID = kPrefsPlotGroupButtons[static_cast<std::size_t>(g)];
        pane.color = *fields.color;
        pane.plotStyle = MenuPositionOfCode(gPlotStyleMenuItems, *fields.plotStyle);
        pane.dashed = *fields.lineStyle == kLineStyleDashed;
        pane.markerSize = NumberPopupPositionOfValue(MarkerSizeItems(), *fields.markerSize);
        pane.lineWidth = NumberPopupPositionOfValue(LineWidthItems(), *fields.lineWidth);
    }
    return f;
}

void ExtractPrefsForm(const PrefsFormRec& f, const PrefDataRec& from, PrefDataRec* prefs)
{
    const PrefsFormRec shown = InitPrefsForm(from);
    PrefDataRec& p = *prefs;
    PlotSpecsRec& s = p.plotSpecs;
    const PlotSpecsRec& fs = from.plotSpecs;

    p.showToolbar = f.showToolbar;
    p.showParameters = f.showParameters;
    p.showFiles = f.showFiles;
    s.relativeIntensity = f.relativeIntensity;
    s.showLegend = f.showLegend;
    s.showGrids = f.showGrids;
    s.windowColor = f.windowColor;

    // Peak shape (its magnitude) and graphs or films (its sign).
    int magnitude = s.plotType < 0 ? -s.plotType : s.plotType;
    int code;
    if (f.profile == shown.profile)
        magnitude = fs.plotType < 0 ? -fs.plotType : fs.plotType;
    else if (MenuCodeAtPosition(gProfileMenuItems, f.profile, &code))
        magnitude = code;
    s.plotType = static_cast<SInt16>(f.graphsOrFilms == 2 ? -magnitude : magnitude);

    if (f.radiation == shown.radiation)
        s.radType = fs.radType;
    else if (MenuCodeAtPosition(gRadiationMenuItems, f.radiation, &code))
        s.radType = static_cast<UInt16>(code);
    if (f.axis == shown.axis)
        s.axisType = fs.axisType;
    else if (MenuCodeAtPosition(gAxisMenuItems, f.axis, &code))
        s.axisType = static_cast<SInt16>(code);

    ReadField(f.lambda, shown.lambda, fs.lambda, &s.lambda, kPositive, kAsIs);
    ReadField(f.lambda2, shown.lambda2, fs.lambda2, &s.lambda2, kPositive, kAsIs);
    ReadField(f.lambdaRatio, shown.lambdaRatio, fs.lambdaRatio, &s.lambdaRatio, kPositive, kAsIs);
    s.monochromatic = f.monochromatic;
    const auto angle = [](double v) { return v > 0 && v < kPrefsMaxDetectorTheta; };
    const auto radians = [](double v) { return v / kDegreesPerRadian; };
    ReadField(f.thetaTimeOfFlight, shown.thetaTimeOfFlight, fs.thetaTimeOfFlight, &s.thetaTimeOfFlight, angle, radians);
    ReadField(f.thetaEnergy, shown.thetaEnergy, fs.thetaEnergy, &s.thetaEnergy, angle, radians);
    ReadField(f.distanceTimeOfFlight, shown.distanceTimeOfFlight, fs.distanceTimeOfFlight, &s.distanceTimeOfFlight,
              kPositive, kAsIs);

    ReadField(f.fwhm, shown.fwhm, fs.fwhm, &s.fwhm, kPositive, kAsIs);
    // The pseudo-Voigt mixing is the Lorentzian fraction: at most 1.
    ReadField(f.eta, shown.eta, fs.eta, &s.eta, [](double v) { return v > 0 && v <= 1; }, kAsIs);
    ReadField(f.dMin, shown.dMin, fs.dMin, &s.dMin, [](double v) { return v >= kPrefsMinDMin && v <= kPrefsMaxDMin; },
              kAsIs);
    s.restrictNumRefs = f.restrictNumRefs;
    ReadField(f.maxNumRefs, shown.maxNumRefs, fs.maxNumRefs, &s.maxNumRefs,
              [](double v) { return v > 0 && v == std::floor(v) && v <= 4294967295.0; }, kAsIs);

    ReadField(f.particleSize, shown.particleSize, from.particleSize, &p.particleSize, kPositive,
              [](double v) { return v * 10000.0; });
    ReadField(f.strain, shown.strain, from.strain, &p.strain, [](double v) { return v >= 0 && v <= kPrefsMaxStrain; },
              [](double v) { return v * 0.01; });

    p.showLabel = f.showLabel;
    ReadField(f.labelThreshold, shown.labelThreshold, from.labelThreshold, &p.labelThreshold,
              [](double v) { return v >= 1 && v <= 100; }, [](double v) { return std::trunc(v); });
    p.labelHKL = f.labelHKL;
    p.labelDSpacings = f.labelDSpacings;
    p.labelTwoTheta = f.labelTwoTheta;
    p.labelPhases = f.labelPhases;

    if (!f.overlay)
        s.overlayPeakStyle = kOverlayPeaksNone;
    else if (f.overlay == shown.overlay && f.overlayStyle == shown.overlayStyle)
        s.overlayPeakStyle = fs.overlayPeakStyle;
    else if (MenuCodeAtPosition(gPeakOverlayMenuItems, f.overlayStyle, &code))
        s.overlayPeakStyle = static_cast<UInt16>(code);

    for (int g = 0; g < kPrefsPlotGroups; ++g) {
        const PrefsPlotPaneRec& pane = f.panes[static_cast<std::size_t>(g)];
        const PrefsPlotPaneRec& was = shown.panes[static_cast<std::size_t>(g)];
        const auto source = GroupFields(from, g);
        const auto fields = GroupFields(p, g);
        *fields.color = pane.color;
        if (pane.plotStyle == was.plotStyle)
            *fields.plotStyle = *source.plotStyle;
        else if (MenuCodeAtPosition(gPlotStyleMenuItems, pane.plotStyle, &code))
            *fields.plotStyle = static_cast<UInt16>(code);
        // Off is a solid line: the only other style a pattern has.
        *fields.lineStyle = pane.dashed == was.dashed ? *source.lineStyle
                            : pane.dashed            ? UInt16{kLineStyleDashed}
                                                     : UInt16{kLineStyleSolid};
        double v;
        if (pane.markerSize == was.markerSize)
            *fields.markerSize = *source.markerSize;
        else if (NumberPopupValueAt(MarkerSizeItems(), pane.markerSize, &v))
            *fields.markerSize = static_cast<Float32>(v);
        if (pane.lineWidth == was.lineWidth)
            *fields.lineWidth = *source.lineWidth;
        else if (NumberPopupValueAt(LineWidthItems(), pane.lineWidth, &v))
            *fields.lineWidth = static_cast<Float32>(v);
    }
}
