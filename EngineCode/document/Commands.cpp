// Command status rules: one row per code, each naming the rule that decides its state.
#include "Commands.h"

#include "Document.h"
#include "Globals.h"
#include "Styling.h"
#include "TextLines.h"

#include <array>

namespace {

// What every rule may look at, gathered once per question.
struct Facts {
    const CommandContext& context;
    const PrefDataRec& prefs;
    WinInfoRec* w;
    bool present;
    const PlotSpecsRec& s;  // of the front window, or of new windows
    SInt32 patterns, crystals, datasets;
    bool anySelected;
    const std::string& itemText;
    const std::string& previousItemText;
};

// A rule fills in the status of its command; arg is the row's value (the axis, the peak shape,
// the style... the item stands for), unused by most.
using Rule = void (*)(const Facts&, int arg, CommandStatus&);

struct RuleRow {
    std::string_view code;
    Rule rule;
    int arg = 0;
};

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

const char* CrystalReason(const Facts& f)
{
    return f.crystals == 0 ? "Needs_Crystal" : "Needs_Selected_Crystal";
}

void NeedsWindow(const Facts& f, int, CommandStatus& st)
{
    st.enabled = f.present;
}

void NeedsPattern(const Facts& f, int, CommandStatus& st)
{
    st.enabled = f.patterns > 0;
    st.reasonKey = "Needs_Pattern";
}

void NeedsCrystal(const Facts& f, int, CommandStatus& st)
{
    st.enabled = f.crystals > 0;
    st.reasonKey = "Needs_Crystal";
}

void ExportProfile(const Facts& f, int, CommandStatus& st)
{
    const SInt32 selected = GetNumSelectedCrystals(f.w);
    st.enabled = f.crystals > 0 && (f.crystals < 2 || f.s.plotMixture || selected > 0);
    st.reasonKey = f.crystals == 0 ? "Needs_Crystal" : "Needs_Selected_Crystal_Or_Mixture";
    st.titleKey = f.crystals < 2 || f.s.plotMixture ? "Export_Profile"
                  : selected < 2                    ? "Export_Selected_Profile"
                                                    : "Export_Selected_Profiles";
}

void NeedsTwoPatterns(const Facts& f, int, CommandStatus& st)
{
    st.enabled = f.patterns >= 2;
    st.reasonKey = "Needs_Two_Patterns";
}

void NeedsTwoPatternsOneSelected(const Facts& f, int, CommandStatus& st)
{
    st.enabled = f.patterns >= 2 && f.anySelected;
    st.reasonKey = f.patterns < 2 ? "Needs_Two_Patterns" : "Needs_Selected_Pattern";
}

void NeedsSelectedPattern(const Facts& f, int, CommandStatus& st)
{
    st.enabled = f.anySelected;
    st.reasonKey = f.patterns == 0 ? "Needs_Pattern" : "Needs_Selected_Pattern";
}

void NeedsSecondWindow(const Facts& f, int, CommandStatus& st)
{
    st.enabled = f.context.documentWindows >= 2;
    st.reasonKey = "Needs_Second_Window";
}

void AxisChoice(const Facts& f, int axis, CommandStatus& st)
{
    st.enabled = f.present;
    st.checked = f.s.axisType == axis;
}

void RadiationChoice(const Facts& f, int radiation, CommandStatus& st)
{
    st.enabled = f.present;
    st.checked = f.s.radType == radiation;
}

void Anomalous(const Facts& f, int, CommandStatus& st)
{
    // Only X-rays on an angle axis have one wavelength at which f' and f'' apply.
    const SInt16 axis = f.s.axisType;
    const bool angleAxis = axis == kAxisTwoTheta || axis == kAxisDSpacing || axis == kAxisReciprocalD;
    st.enabled = f.present && f.s.radType == kRadiationXRays && angleAxis;
    st.checked = f.s.anomalous;
    st.reasonKey = f.s.radType != kRadiationXRays ? "Needs_XRays" : "Needs_Angle_Axis";
}

void PeakShapeChoice(const Facts& f, int shape, CommandStatus& st)
{
    st.enabled = f.present;
    st.checked = Magnitude(f.s.plotType) == shape;
}

void PseudoVoigtMixing(const Facts& f, int, CommandStatus& st)
{
    st.enabled = f.present && Magnitude(f.s.plotType) == kPeakFunctionPseudoVoigt;
    st.reasonKey = "Needs_Pseudo_Voigt";
}

// arg > 0: graphs, arg < 0: films.
void GraphOrFilmChoice(const Facts& f, int sign, CommandStatus& st)
{
    st.enabled = f.present;
    st.checked = sign > 0 ? f.s.plotType > 0 : f.s.plotType < 0;
}

// arg 1: the mixture, 0: the phases.
void MixtureChoice(const Facts& f, int mixture, CommandStatus& st)
{
    st.enabled = f.present;
    st.checked = static_cast<bool>(f.s.plotMixture) == (mixture != 0);
}

void OverlayChoice(const Facts& f, int overlay, CommandStatus& st)
{
    st.enabled = f.present;
    st.checked = f.s.overlayPeakStyle == overlay;
}

void Gridlines(const Facts& f, int, CommandStatus& st)
{
    st.enabled = f.present && f.s.plotType > 0;
    st.titleKey = f.s.showGrids ? "Hide_Gridlines" : "Show_Gridlines";
    st.reasonKey = "Needs_Graphs";
}

void Legend(const Facts& f, int, CommandStatus& st)
{
    st.enabled = f.present;
    st.titleKey = f.s.showLegend ? "Hide_Legend" : "Show_Legend";
}

void Residual(const Facts& f, int, CommandStatus& st)
{
    st.enabled = f.datasets > 0 && f.crystals > 0;
    st.titleKey = f.s.showResidual ? "Hide_Residual" : "Show_Residual";
    st.reasonKey = f.datasets == 0 ? "Needs_Data" : "Needs_Crystal";
}

void Labels(const Facts& f, int, CommandStatus& st)
{
    const CrystalDataRec* xp = GetFrontSelectedCrystal(f.w);
    st.enabled = xp != nullptr;
    st.titleKey = xp && xp->showLabel ? "Hide_Labels" : "Show_Labels";
    st.reasonKey = CrystalReason(f);
}

enum LabelPart { kLabelIndices, kLabelDSpacing, kLabelPosition, kLabelPhase, kLabelBlank };

void LabelContent(const Facts& f, int part, CommandStatus& st)
{
    const CrystalDataRec* xp = GetFrontSelectedCrystal(f.w);
    st.enabled = xp != nullptr;
    st.reasonKey = CrystalReason(f);
    if (!xp)
        return;
    switch (part) {
    case kLabelIndices: st.checked = xp->labelHKL; break;
    case kLabelDSpacing: st.checked = xp->labelDSpacings; break;
    case kLabelPosition: st.checked = xp->labelTwoTheta; break;
    case kLabelPhase: st.checked = xp->labelPhases; break;
    default: st.checked = !(xp->labelHKL || xp->labelDSpacings || xp->labelTwoTheta || xp->labelPhases); break;
    }
}

void LabelThreshold(const Facts& f, int, CommandStatus& st)
{
    const CrystalDataRec* xp = GetFrontSelectedCrystal(f.w);
    long n = 0, previous = 101;
    st.enabled = xp != nullptr;
    st.reasonKey = CrystalReason(f);
    if (xp && ReadLong(f.itemText, n)) {
        if (!f.previousItemText.empty() && !ReadLong(f.previousItemText, previous))
            previous = 101;
        st.checked = LabelThresholdItemChecked(static_cast<int>(n), static_cast<int>(previous), xp->labelThreshold);
    }
}

PlotStyleRec StyleOf(const Facts& f)
{
    return GetWindowPlotStyle(f.w, f.prefs);
}

void PlotStyleChoice(const Facts& f, int style, CommandStatus& st)
{
    st.enabled = f.present;
    st.checked = StyleOf(f).plotStyle == style;
}

void LineStyleChoice(const Facts& f, int lineStyle, CommandStatus& st)
{
    st.enabled = f.present;
    st.checked = StyleOf(f).lineStyle == lineStyle;
}

void LineWidthItem(const Facts& f, int, CommandStatus& st)
{
    float v;
    st.enabled = f.present;
    st.checked = ReadFloat(f.itemText, v) && v == StyleOf(f).lineWidth;
}

void MarkerSizeItem(const Facts& f, int, CommandStatus& st)
{
    float v;
    st.enabled = f.present;
    st.checked = ReadFloat(f.itemText, v) && v == StyleOf(f).markerSize;
}

void AutomaticMarkerSize(const Facts& f, int, CommandStatus& st)
{
    st.enabled = f.present;
    st.checked = StyleOf(f).markerSize == 0;
}

void ParameterList(const Facts& f, int, CommandStatus& st)
{
    st.enabled = f.present;
    st.titleKey = f.context.parameterListShown ? "Hide_Parameters" : "Show_Parameters";
}

void StructuresList(const Facts& f, int, CommandStatus& st)
{
    st.enabled = f.present;
    st.titleKey = f.context.drawerOpen ? "Hide_Structures" : "Show_Structures";
}

void NeedsListedPattern(const Facts& f, int, CommandStatus& st)
{
    st.enabled = GetNumPatternsInFileList(f.w) > 0;
    st.reasonKey = "Needs_Listed_Pattern";
}

void NeedsSelectedListedPattern(const Facts& f, int, CommandStatus& st)
{
    st.enabled = GetFirstSelectedPatternInFileList(f.w) != nullptr;
    st.reasonKey = GetNumPatternsInFileList(f.w) > 0 ? "Needs_Selected_Pattern" : "Needs_Listed_Pattern";
}

void AutomaticUpdateCheck(const Facts& f, int, CommandStatus& st)
{
    st.checked = f.prefs.updateCheckAuto;
}

void AlwaysEnabled(const Facts&, int, CommandStatus& st)
{
    st.enabled = true;
}

constexpr RuleRow kRules[] = {
    // Anything about the front window
    {"clos", NeedsWindow},
    {"page", NeedsWindow},
    {"ttlW", NeedsWindow},
    {"^Wav", NeedsWindow},
    {"^FWH", NeedsWindow},
    {"^PSz", NeedsWindow},
    {"^Str", NeedsWindow},
    {"^Rng", NeedsWindow},
    {"^FrC", NeedsWindow},
    // Something plotted
    {"save", NeedsPattern},
    {"svas", NeedsPattern},
    {"prnt", NeedsPattern},
    {"+Dat", NeedsPattern},
    {"*Lst", NeedsPattern},
    {"clnW", NeedsPattern},
    {"=PPr", NeedsPattern},
    {"SFCl", NeedsPattern},
    {"aClz", NeedsPattern},
    {"xPlt", NeedsPattern},
    {"copy", NeedsPattern},
    // A crystal plotted
    {"xLst", NeedsCrystal},
    {"xFac", NeedsCrystal},
    {"RCal", NeedsCrystal},
    {"^Xtl", NeedsCrystal},
    {"Ghkl", NeedsCrystal},
    {"OPk ", NeedsCrystal},
    {"xPro", ExportProfile},
    // Several patterns, a selection
    {"Stck", NeedsTwoPatterns},
    {"Clps", NeedsTwoPatterns},
    {"B2Fr", NeedsTwoPatternsOneSelected},
    {"S2Bk", NeedsTwoPatternsOneSelected},
    {"^PlC", NeedsSelectedPattern},
    {"mLbS", NeedsSelectedPattern},
    {"mLPT", NeedsSelectedPattern},
    {"mPlS", NeedsSelectedPattern},
    {"mLiW", NeedsSelectedPattern},
    {"mMkS", NeedsSelectedPattern},
    // Several windows
    {"stkW", NeedsSecondWindow},
    {"tilW", NeedsSecondWindow},
    {"synW", NeedsSecondWindow},
    // The experiment
    {"2Tht", AxisChoice, kAxisTwoTheta},
    {"DSpa", AxisChoice, kAxisDSpacing},
    {"RcpD", AxisChoice, kAxisReciprocalD},
    {"^TOF", AxisChoice, kAxisTimeOfFlight},
    {"^Eng", AxisChoice, kAxisEnergy},
    {"XRay", RadiationChoice, kRadiationXRays},
    {"Neut", RadiationChoice, kRadiationNeutrons},
    {"Anom", Anomalous},
    {"Dlta", PeakShapeChoice, 1},
    {"Lrnz", PeakShapeChoice, 2},
    {"Gaus", PeakShapeChoice, 3},
    {"PVgt", PeakShapeChoice, kPeakFunctionPseudoVoigt},
    {"^Eta", PseudoVoigtMixing},
    // The plot
    {"Grph", GraphOrFilmChoice, 1},
    {"Film", GraphOrFilmChoice, -1},
    {"*Mix", MixtureChoice, 1},
    {"!Mix", MixtureChoice, 0},
    {"OPkN", OverlayChoice, kOverlayPeaksNone},
    {"OPkM", OverlayChoice, kOverlayPeaksMarkers},
    {"OPkD", OverlayChoice, kOverlayPeaksDashed},
    {"OPkS", OverlayChoice, kOverlayPeaksSolid},
    {"OPkF", OverlayChoice, kOverlayPeaksFilled},
    {"*Grd", Gridlines},
    {"*Leg", Legend},
    {"*Res", Residual},
    // Labels of the front selected crystal
    {"*Lbl", Labels},
    {"LHKL", LabelContent, kLabelIndices},
    {"LDsp", LabelContent, kLabelDSpacing},
    {"LXva", LabelContent, kLabelPosition},
    {"LNam", LabelContent, kLabelPhase},
    {"LBln", LabelContent, kLabelBlank},
    {"LTFx", LabelThreshold},
    // The style the window shows
    {"PSXr", PlotStyleChoice, 1},
    {"PSDo", PlotStyleChoice, 2},
    {"PSSq", PlotStyleChoice, 3},
    {"PSLi", PlotStyleChoice, 4},
    {"PSLX", PlotStyleChoice, 5},
    {"PSLD", PlotStyleChoice, 6},
    {"PSLS", PlotStyleChoice, 7},
    {"PSFi", PlotStyleChoice, 8},
    {"PSTr", PlotStyleChoice, 9},
    {"LSDO", LineStyleChoice, kLineStyleDashed},
    {"LSSO", LineStyleChoice, kLineStyleSolid},
    {"LWFx", LineWidthItem},
    {"MSFx", MarkerSizeItem},
    {"MSAu", AutomaticMarkerSize},
    // Panes of the window
    {"tgPL", ParameterList},
    {"tgSL", StructuresList},
    // The structures list
    {"-Fls", NeedsListedPattern},
    {"-UFl", NeedsListedPattern},
    {"!Fls", NeedsSelectedListedPattern},
    {"*Fls", NeedsSelectedListedPattern},
    {"-Fil", NeedsSelectedListedPattern},
    // Updates
    {"HMau", AutomaticUpdateCheck},
    {"HMcu", AlwaysEnabled},
};

const RuleRow* RuleFor(std::string_view code)
{
    for (const RuleRow& row : kRules)
        if (row.code == code)
            return &row;
    return nullptr;
}

}  // namespace

CommandStatus GetCommandStatus(std::string_view code, const CommandContext& context, const std::string& itemText,
                               const std::string& previousItemText)
{
    CommandStatus st;
    const RuleRow* row = RuleFor(code);
    if (!row)
        return st;
    st.known = true;
    WinInfoRec* w = context.front;
    const PrefDataRec& prefs = context.prefs ? *context.prefs : gFactoryPrefs;
    const Facts facts{context,
                      prefs,
                      w,
                      w != nullptr,
                      w ? w->plotSpecs : prefs.plotSpecs,
                      GetNumPatternsInPlotList(w),
                      GetNumCrystalsInPlotList(w),
                      GetNumDatasetsInPlotList(w),
                      GetFirstSelectedPatternInPlotList(w) != nullptr,
                      itemText,
                      previousItemText};
    row->rule(facts, row->arg, st);
    // Without a window nothing else is missing; an enabled command lacks nothing.
    if (st.enabled)
        st.reasonKey.clear();
    else if (st.reasonKey.empty() || (!facts.present && st.reasonKey != "Needs_Second_Window"))
        st.reasonKey = "Needs_Window";
    return st;
}

std::vector<std::string_view> CommandRuleCodes()
{
    std::vector<std::string_view> codes;
    codes.reserve(std::size(kRules));
    for (const RuleRow& row : kRules)
        codes.push_back(row.code);
    return codes;
}
