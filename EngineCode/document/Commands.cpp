// Command status rules.
#include "Commands.h"

#include "Document.h"
#include "Globals.h"
#include "Styling.h"
#include "TextLines.h"

#include <array>
#include <cmath>

namespace {

bool In(std::string_view code, std::initializer_list<std::string_view> codes)
{
    for (std::string_view c : codes)
        if (c == code)
            return true;
    return false;
}

int Magnitude(SInt16 v)
{
    return v < 0 ? -v : v;
}

bool ReadLong(const std::string& text, long& value)
{
    const char* p = text.c_str();
    return ScanInt(p, value);
}

bool ReadFloat(const std::string& text, float& value)
{
    const char* p = text.c_str();
    return ScanFloat(p, value);
}

}  // namespace

CommandStatus GetCommandStatus(std::string_view code, const CommandContext& context, const std::string& itemText,
                               const std::string& previousItemText)
{
    WinInfoRec* w = context.front;
    const bool present = w != nullptr;
    const PlotSpecsRec& s = present ? w->plotSpecs : gPrefs.plotSpecs;
    const SInt32 patterns = GetNumPatternsInPlotList(w);
    const SInt32 crystals = GetNumCrystalsInPlotList(w);
    const SInt32 datasets = GetNumDatasetsInPlotList(w);
    const bool anySelected = GetFirstSelectedPatternInPlotList(w) != nullptr;
    CommandStatus st;
    st.known = true;

    if (In(code, {"clos", "page", "ttlW", "^Wav", "^FWH", "^PSz", "^Str", "^Rng", "^FrC"})) {
        st.enabled = present;
    } else if (In(code, {"save", "svas", "prnt", "+Dat", "*Lst", "clnW", "=PPr", "SFCl", "aClz", "xPlt", "copy"})) {
        st.enabled = patterns > 0;
        st.reasonKey = "Needs_Pattern";
    } else if (In(code, {"xLst", "xFac", "RCal", "^Xtl", "Ghkl", "OPk "})) {
        st.enabled = crystals > 0;
        st.reasonKey = "Needs_Crystal";
    } else if (code == "xPro") {
        const SInt32 selected = GetNumSelectedCrystals(w);
        st.enabled = crystals > 0 && (crystals < 2 || s.plotMixture || selected > 0);
        st.reasonKey = crystals == 0 ? "Needs_Crystal" : "Needs_Selected_Crystal_Or_Mixture";
        st.titleKey = crystals < 2 || s.plotMixture ? "Export_Profile"
                      : selected < 2                ? "Export_Selected_Profile"
                                                    : "Export_Selected_Profiles";
    } else if (In(code, {"Stck", "Clps"})) {
        st.enabled = patterns >= 2;
        st.reasonKey = "Needs_Two_Patterns";
    } else if (In(code, {"B2Fr", "S2Bk"})) {
        st.enabled = patterns >= 2 && anySelected;
        st.reasonKey = patterns < 2 ? "Needs_Two_Patterns" : "Needs_Selected_Pattern";
    } else if (In(code, {"^PlC", "mLbS", "mLPT", "mPlS", "mLiW", "mMkS"})) {
        st.enabled = anySelected;
        st.reasonKey = patterns == 0 ? "Needs_Pattern" : "Needs_Selected_Pattern";
    } else if (In(code, {"stkW", "tilW", "synW"})) {
        st.enabled = context.documentWindows >= 2;
        st.reasonKey = "Needs_Second_Window";
    } else if (In(code, {"2Tht", "DSpa", "RcpD", "^TOF", "^Eng"})) {
        static constexpr std::array<std::string_view, 5> kAxes = {"2Tht", "DSpa", "RcpD", "^TOF", "^Eng"};
        st.enabled = present;
        st.checked = s.axisType >= 0 && s.axisType < 5 && kAxes[static_cast<std::size_t>(s.axisType)] == code;
    } else if (In(code, {"XRay", "Neut"})) {
        st.enabled = present;
        st.checked = (code == "XRay" && s.radType == kRadiationXRays) || (code == "Neut" && s.radType == kRadiationNeutrons);
    } else if (code == "Anom") {
        // Only X-rays on an angle axis have one wavelength at which f' and f'' apply.
        const bool angleAxis = s.axisType == kAxisTwoTheta || s.axisType == kAxisDSpacing || s.axisType == kAxisReciprocalD;
        st.enabled = present && s.radType == kRadiationXRays && angleAxis;
        st.checked = s.anomalous;
        st.reasonKey = s.radType != kRadiationXRays ? "Needs_XRays" : "Needs_Angle_Axis";
    } else if (In(code, {"Dlta", "Lrnz", "Gaus", "PVgt"})) {
        static constexpr std::array<std::string_view, 4> kShapes = {"Dlta", "Lrnz", "Gaus", "PVgt"};
        const int m = Magnitude(s.plotType);
        st.enabled = present;
        st.checked = m >= 1 && m <= 4 && kShapes[static_cast<std::size_t>(m - 1)] == code;
    } else if (code == "^Eta") {
        st.enabled = present && Magnitude(s.plotType) == kPeakFunctionPseudoVoigt;
        st.reasonKey = "Needs_Pseudo_Voigt";
    } else if (In(code, {"Grph", "Film"})) {
        st.enabled = present;
        st.checked = code == "Grph" ? s.plotType > 0 : s.plotType < 0;
    } else if (In(code, {"*Mix", "!Mix"})) {
        st.enabled = present;
        st.checked = code == "*Mix" ? s.plotMixture : !s.plotMixture;
    } else if (In(code, {"OPkN", "OPkM", "OPkD", "OPkS", "OPkF"})) {
        static constexpr std::array<std::string_view, 5> kOverlays = {"OPkN", "OPkM", "OPkD", "OPkS", "OPkF"};
        st.enabled = present;
        st.checked = s.overlayPeakStyle < 5 && kOverlays[s.overlayPeakStyle] == code;
    } else if (code == "*Grd") {
        st.enabled = present && s.plotType > 0;
        st.titleKey = s.showGrids ? "Hide_Gridlines" : "Show_Gridlines";
        st.reasonKey = "Needs_Graphs";
    } else if (code == "*Leg") {
        st.enabled = present;
        st.titleKey = s.showLegend ? "Hide_Legend" : "Show_Legend";
    } else if (code == "*Res") {
        st.enabled = datasets > 0 && crystals > 0;
        st.titleKey = s.showResidual ? "Hide_Residual" : "Show_Residual";
        st.reasonKey = datasets == 0 ? "Needs_Data" : "Needs_Crystal";
    } else if (code == "*Lbl") {
        const CrystalDataRec* xp = GetFrontSelectedCrystal(w);
        st.enabled = xp != nullptr;
        st.titleKey = xp && xp->showLabel ? "Hide_Labels" : "Show_Labels";
        st.reasonKey = crystals == 0 ? "Needs_Crystal" : "Needs_Selected_Crystal";
    } else if (In(code, {"LHKL", "LDsp", "LXva", "LNam", "LBln"})) {
        const CrystalDataRec* xp = GetFrontSelectedCrystal(w);
        st.enabled = xp != nullptr;
        st.reasonKey = crystals == 0 ? "Needs_Crystal" : "Needs_Selected_Crystal";
        if (xp) {
            st.checked = code == "LHKL"   ? xp->labelHKL
                         : code == "LDsp" ? xp->labelDSpacings
                         : code == "LXva" ? xp->labelTwoTheta
                         : code == "LNam" ? xp->labelPhases
                                          : !(xp->labelHKL || xp->labelDSpacings || xp->labelTwoTheta || xp->labelPhases);
        }
    } else if (code == "LTFx") {
        const CrystalDataRec* xp = GetFrontSelectedCrystal(w);
        long n = 0, previous = 101;
        st.enabled = xp != nullptr;
        st.reasonKey = crystals == 0 ? "Needs_Crystal" : "Needs_Selected_Crystal";
        if (xp && ReadLong(itemText, n)) {
            if (!previousItemText.empty() && !ReadLong(previousItemText, previous))
                previous = 101;
            st.checked = LabelThresholdItemChecked(static_cast<int>(n), static_cast<int>(previous), xp->labelThreshold);
        }
    } else if (In(code, {"PSXr", "PSDo", "PSSq", "PSLi", "PSLX", "PSLD", "PSLS", "PSFi", "PSTr", "LSDO", "LSSO", "LWFx",
                         "MSFx", "MSAu"})) {
        static constexpr std::array<std::string_view, 9> kStyles = {"PSXr", "PSDo", "PSSq", "PSLi", "PSLX",
                                                                    "PSLD", "PSLS", "PSFi", "PSTr"};
        const PlotStyleRec style = GetWindowPlotStyle(w, gPrefs);
        st.enabled = present;
        if (code == "LSDO" || code == "LSSO") {
            st.checked = style.lineStyle == (code == "LSDO" ? kLineStyleDashed : kLineStyleSolid);
        } else if (code == "LWFx") {
            float v;
            st.checked = ReadFloat(itemText, v) && v == style.lineWidth;
        } else if (code == "MSFx") {
            float v;
            st.checked = ReadFloat(itemText, v) && v == style.markerSize;
        } else if (code == "MSAu") {
            st.checked = style.markerSize == 0;
        } else {
            st.checked = style.plotStyle >= 1 && style.plotStyle <= 9 && kStyles[style.plotStyle - 1u] == code;
        }
    } else if (code == "tgPL") {
        st.enabled = present;
        st.titleKey = context.parameterListShown ? "Hide_Parameters" : "Show_Parameters";
    } else if (code == "tgSL") {
        st.enabled = present;
        st.titleKey = context.drawerOpen ? "Hide_Structures" : "Show_Structures";
    } else if (In(code, {"-Fls", "-UFl"})) {
        st.enabled = GetNumPatternsInFileList(w) > 0;
        st.reasonKey = "Needs_Listed_Pattern";
    } else if (In(code, {"!Fls", "*Fls", "-Fil"})) {
        st.enabled = GetFirstSelectedPatternInFileList(w) != nullptr;
        st.reasonKey = GetNumPatternsInFileList(w) > 0 ? "Needs_Selected_Pattern" : "Needs_Listed_Pattern";
    } else if (code == "HMau") {
        st.checked = gPrefs.updateCheckAuto;
    } else if (code == "HMcu") {
        st.enabled = true;
    } else {
        st.known = false;
    }
    // Without a window nothing else is missing; an enabled command lacks nothing.
    if (st.enabled)
        st.reasonKey.clear();
    else if (st.reasonKey.empty() || (!present && st.reasonKey != "Needs_Second_Window"))
        st.reasonKey = "Needs_Window";
    return st;
}
