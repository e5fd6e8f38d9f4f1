// Pattern styling.
#include "Styling.h"

#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "Profile.h"
#include "StructuresList.h"

#include <algorithm>
#include <cmath>

namespace {

void Redraw(WinInfoRec* w, bool recalc = false)
{
    if (w->hooks)
        w->hooks->RedrawWindow(w, recalc, false);
}

void RedrawWithList(WinInfoRec* w)
{
    Redraw(w);
    if (w->hooks)
        w->hooks->UpdateStructuresList(w);
}

// Calls f on every selected crystal of the plot list; true when there was one.
template <typename F>
bool ForSelectedCrystals(WinInfoRec* w, F f)
{
    bool any = false;
    for (VLPatternPtr pp : w->plotList)
        if (pp->type == kPatternTypeCrystal && pp->selected && pp->crystal) {
            f(*pp->crystal);
            any = true;
        }
    return any;
}

// Sets a style field: of both mixture curves when the mixture is shown, else of every selected
// pattern of the plot list.
template <typename MixSetter, typename PatternSetter>
void SetStyle(WinInfoRec* w, MixSetter setMix, PatternSetter setPattern)
{
    if (!w)
        return;
    bool changed = false;
    if (w->plotSpecs.plotMixture) {
        setMix(w->plotSpecs);
        changed = true;
    } else {
        for (VLPatternPtr pp : w->plotList) {
            if (!pp->selected)
                continue;
            if (pp->type == kPatternTypeCrystal && pp->crystal) {
                setPattern(pp->crystal->plotStyle, pp->crystal->lineStyle, pp->crystal->lineWidth, pp->crystal->markerSize);
                changed = true;
            } else if (pp->type == kPatternTypeDataset && pp->dataset) {
                setPattern(pp->dataset->plotStyle, pp->dataset->lineStyle, pp->dataset->lineWidth, pp->dataset->markerSize);
                changed = true;
            }
        }
    }
    if (changed)
        Redraw(w);
}

}  // namespace

void ToggleShowLabels(WinInfoRec* theWindow)
{
    if (theWindow && ForSelectedCrystals(theWindow, [](CrystalDataRec& xp) { xp.showLabel = !xp.showLabel; }))
        Redraw(theWindow);
}

void DoLabelThreshold(WinInfoRec* theWindow, UInt16 percent)
{
    if (theWindow && ForSelectedCrystals(theWindow, [percent](CrystalDataRec& xp) { xp.labelThreshold = percent; }))
        Redraw(theWindow);
}

void ToggleLabelStyle(WinInfoRec* theWindow, const std::string& code)
{
    const CrystalDataRec* front = GetFrontSelectedCrystal(theWindow);
    if (!front)
        return;
    if (code == "LBln") {
        ForSelectedCrystals(theWindow, [](CrystalDataRec& xp) {
            xp.labelHKL = xp.labelDSpacings = xp.labelTwoTheta = xp.labelPhases = false;
        });
        Redraw(theWindow);
        return;
    }
    Boolean CrystalDataRec::*flag = nullptr;
    if (code == "LHKL")
        flag = &CrystalDataRec::labelHKL;
    else if (code == "LDsp")
        flag = &CrystalDataRec::labelDSpacings;
    else if (code == "LXva")
        flag = &CrystalDataRec::labelTwoTheta;
    else if (code == "LNam")
        flag = &CrystalDataRec::labelPhases;
    if (!flag)
        return;
    const bool state = !(front->*flag);
    ForSelectedCrystals(theWindow, [flag, state](CrystalDataRec& xp) { xp.*flag = state; });
    Redraw(theWindow);
}

bool LabelThresholdItemChecked(int n, int previous, int threshold)
{
    return n <= threshold && threshold < previous;
}

void DoPlotStyle(WinInfoRec* theWindow, UInt16 style)
{
    SetStyle(
        theWindow, [style](PlotSpecsRec& ps) { ps.crystalMixPlotStyle = ps.datasetMixPlotStyle = style; },
        [style](UInt16& plot, UInt16&, Float32&, Float32&) { plot = style; });
}

void DoLineStyle(WinInfoRec* theWindow, UInt16 style)
{
    SetStyle(
        theWindow, [style](PlotSpecsRec& ps) { ps.crystalMixLineStyle = ps.datasetMixLineStyle = style; },
        [style](UInt16&, UInt16& line, Float32&, Float32&) { line = style; });
}

void DoLineWidth(WinInfoRec* theWindow, Float32 width)
{
    if (!std::isfinite(width) || width < 0)
        return;
    SetStyle(
        theWindow, [width](PlotSpecsRec& ps) { ps.crystalMixLineWidth = ps.datasetMixLineWidth = width; },
        [width](UInt16&, UInt16&, Float32& w, Float32&) { w = width; });
}

void DoMarkerSize(WinInfoRec* theWindow, Float32 size)
{
    if (!std::isfinite(size) || size < 0)
        size = 0;  // automatic
    SetStyle(
        theWindow, [size](PlotSpecsRec& ps) { ps.crystalMixMarkerSize = ps.datasetMixMarkerSize = size; },
        [size](UInt16&, UInt16&, Float32&, Float32& m) { m = size; });
}

bool PlotColourStart(WinInfoRec* theWindow, RGBColor* colour)
{
    VLPatternPtr first = GetFirstSelectedPatternInPlotList(theWindow);
    if (!first)
        return false;
    RGBColor start{};
    if (theWindow->plotSpecs.plotMixture)
        start = first->type == kPatternTypeCrystal ? theWindow->plotSpecs.crystalMixColor : theWindow->plotSpecs.datasetMixColor;
    else if (first->type == kPatternTypeCrystal && first->crystal)
        start = first->crystal->plotColor;
    else if (first->type == kPatternTypeDataset && first->dataset)
        start = first->dataset->plotColor;
    if (colour)
        *colour = start;
    return true;
}

void DoPlotColour(WinInfoRec* theWindow, const RGBColor& colour)
{
    VLPatternPtr first = GetFirstSelectedPatternInPlotList(theWindow);
    if (!first)
        return;
    if (theWindow->plotSpecs.plotMixture) {
        (first->type == kPatternTypeCrystal ? theWindow->plotSpecs.crystalMixColor : theWindow->plotSpecs.datasetMixColor) =
            colour;
    } else {
        for (VLPatternPtr pp : theWindow->plotList) {
            if (!pp->selected)
                continue;
            if (pp->type == kPatternTypeCrystal && pp->crystal)
                pp->crystal->plotColor = colour;
            else if (pp->type == kPatternTypeDataset && pp->dataset)
                pp->dataset->plotColor = colour;
        }
    }
    RedrawWithList(theWindow);
}

void DoFileColor(WinInfoRec* theWindow, VLPatternPtr pattern, const RGBColor& colour)
{
    if (!theWindow || !pattern)
        return;
    if (pattern->type == kPatternTypeCrystal && pattern->crystal)
        pattern->crystal->plotColor = colour;
    else if (pattern->type == kPatternTypeDataset && pattern->dataset)
        pattern->dataset->plotColor = colour;
    RedrawWithList(theWindow);
}

PlotStyleRec GetWindowPlotStyle(const WinInfoRec* theWindow)
{
    return GetWindowPlotStyle(theWindow, gPrefs);
}

PlotStyleRec GetWindowPlotStyle(const WinInfoRec* theWindow, const PrefDataRec& prefs)
{
    auto crystalStyle = [](const PrefDataRec& p) {
        return PlotStyleRec{p.crystalPlotStyle, p.crystalLineStyle, p.crystalLineWidth, p.crystalMarkerSize};
    };
    auto crystalMix = [](const PlotSpecsRec& s) {
        return PlotStyleRec{s.crystalMixPlotStyle, s.crystalMixLineStyle, s.crystalMixLineWidth, s.crystalMixMarkerSize};
    };
    auto datasetMix = [](const PlotSpecsRec& s) {
        return PlotStyleRec{s.datasetMixPlotStyle, s.datasetMixLineStyle, s.datasetMixLineWidth, s.datasetMixMarkerSize};
    };
    if (!theWindow)
        return prefs.plotSpecs.plotMixture ? crystalMix(prefs.plotSpecs) : crystalStyle(prefs);
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    if (ps.plotMixture)
        return GetNumDatasetsInPlotList(theWindow) <= GetNumCrystalsInPlotList(theWindow) ? crystalMix(ps) : datasetMix(ps);
    if (const CrystalDataRec* xp = GetFrontSelectedCrystal(theWindow))
        return {xp->plotStyle, xp->lineStyle, xp->lineWidth, xp->markerSize};
    if (const ObsDataRec* dp = GetFrontSelectedDataset(theWindow))
        return {dp->plotStyle, dp->lineStyle, dp->lineWidth, dp->markerSize};
    return crystalStyle(prefs);
}

void SelectAllFiles(WinInfoRec* theWindow)
{
    if (!theWindow)
        return;
    for (const auto& pp : theWindow->fileList)
        pp->selected = true;
    FileListSelectionChanged(theWindow);
}

void DoEqualizePhaseProportions(WinInfoRec* theWindow)
{
    if (!theWindow)
        return;
    EqualizePhaseProportions(theWindow);
    Redraw(theWindow, true);
    if (theWindow->hooks)
        theWindow->hooks->RebuildParameterList(theWindow);
}

void DoResetFileColors(WinInfoRec* theWindow, const RGBColor& colour)
{
    if (!theWindow || theWindow->plotList.empty())
        return;
    for (VLPatternPtr pp : theWindow->plotList) {
        if (pp->type == kPatternTypeCrystal && pp->crystal)
            pp->crystal->plotColor = colour;
        else if (pp->type == kPatternTypeDataset && pp->dataset)
            pp->dataset->plotColor = colour;
    }
    RedrawWithList(theWindow);
}

RGBColor HSLToRGB(UInt16 hue, UInt16 saturation, UInt16 lightness)
{
    const double h = hue / 65536.0 * 6.0, s = saturation / 65535.0, l = lightness / 65535.0;
    const double c = (1 - std::fabs(2 * l - 1)) * s;
    const double x = c * (1 - std::fabs(std::fmod(h, 2.0) - 1));
    const double m = l - c / 2;
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(h)) {
    case 0: r = c; g = x; break;
    case 1: r = x; g = c; break;
    case 2: g = c; b = x; break;
    case 3: g = x; b = c; break;
    case 4: r = x; b = c; break;
    default: r = c; b = x; break;
    }
    auto channel = [](double v) { return static_cast<UInt16>(std::lround(std::clamp(v, 0.0, 1.0) * 65535)); };
    return {channel(r + m), channel(g + m), channel(b + m)};
}

void DoAutoColorizeFiles(WinInfoRec* theWindow)
{
    if (!theWindow)
        return;
    const long n = static_cast<long>(theWindow->plotList.size());
    if (n < 2)
        return;
    long k = 0;
    for (const auto& pp : theWindow->fileList) {
        if (!pp->plotted)
            continue;
        const RGBColor c = HSLToRGB(static_cast<UInt16>(65535L * k / n), 65535, 32000);
        if (pp->type == kPatternTypeCrystal && pp->crystal)
            pp->crystal->plotColor = c;
        else if (pp->type == kPatternTypeDataset && pp->dataset)
            pp->dataset->plotColor = c;
        ++k;
    }
    RedrawWithList(theWindow);
}
