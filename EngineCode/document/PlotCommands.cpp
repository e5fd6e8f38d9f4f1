// Plot commands.
#include "PlotCommands.h"

#include "CellGeometry.h"
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "StringTable.h"

#include <algorithm>
#include <cmath>

namespace {

void Redraw(WinInfoRec* w, bool recalc, bool progress)
{
    if (w->hooks)
        w->hooks->RedrawWindow(w, recalc, progress);
}

void UpdateToolbar(WinInfoRec* w)
{
    if (w->hooks)
        w->hooks->UpdateToolbar(w);
}

}  // namespace

void TogglePlotGraphOrFilm(WinInfoRec* theWindow)
{
    PlotSpecsPtr ps = GetWindowPlotSpecs(theWindow);
    if (!ps)
        return;
    ps->plotType = static_cast<SInt16>(-ps->plotType);
    UpdateToolbar(theWindow);
    Redraw(theWindow, true, false);
}

void TogglePlotMixture(WinInfoRec* theWindow)
{
    PlotSpecsPtr ps = GetWindowPlotSpecs(theWindow);
    if (!ps)
        return;
    ps->plotMixture = !ps->plotMixture;
    UpdateToolbar(theWindow);
    Redraw(theWindow, false, false);
}

void ToggleShowGridlines(WinInfoRec* theWindow)
{
    if (PlotSpecsPtr ps = GetWindowPlotSpecs(theWindow)) {
        ps->showGrids = !ps->showGrids;
        Redraw(theWindow, false, false);
    }
}

void ToggleShowLegend(WinInfoRec* theWindow)
{
    if (PlotSpecsPtr ps = GetWindowPlotSpecs(theWindow)) {
        ps->showLegend = !ps->showLegend;
        Redraw(theWindow, false, false);
    }
}

void ToggleShowResidual(WinInfoRec* theWindow)
{
    if (PlotSpecsPtr ps = GetWindowPlotSpecs(theWindow)) {
        ps->showResidual = !ps->showResidual;
        Redraw(theWindow, false, false);
    }
}

void DoOverlayPeaks(WinInfoRec* theWindow, UInt16 style)
{
    if (PlotSpecsPtr ps = GetWindowPlotSpecs(theWindow)) {
        ps->overlayPeakStyle = ps->overlayPeakStyle == style ? static_cast<UInt16>(kOverlayPeaksNone) : style;
        Redraw(theWindow, false, false);
    }
}

void DoFrameColour(WinInfoRec* theWindow, const RGBColor& colour)
{
    if (PlotSpecsPtr ps = GetWindowPlotSpecs(theWindow)) {
        ps->windowColor = colour;
        Redraw(theWindow, false, false);
    }
}

bool PlotLimitsAcceptable(const WinInfoRec* theWindow, double lower, double upper)
{
    if (!theWindow || !std::isfinite(lower) || !std::isfinite(upper))
        return false;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    // A lower limit above the upper one is refused as well: it would give an empty view.
    return lower >= ps.xminLimit && lower <= ps.xmaxLimit && upper >= ps.xminLimit && upper <= ps.xmaxLimit &&
           lower < upper;
}

void DoPlotLimits(WinInfoRec* theWindow, Float32 lower, Float32 upper)
{
    PlotSpecsPtr ps = GetWindowPlotSpecs(theWindow);
    if (!ps || !PlotLimitsAcceptable(theWindow, lower, upper))
        return;
    ps->xmin = std::max(lower, ps->xminLimit);
    ps->xmax = std::min(upper, ps->xmaxLimit);
    // The intensity axis follows the new range unless the user scaled it by hand.
    RedrawRefittingY(theWindow, true, true);
}

std::string WindowTitleProposal(const std::string& filename)
{
    const std::size_t dot = filename.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return filename;
    return filename.substr(0, dot);
}

void DoWindowTitle(WinInfoRec* theWindow, const std::string& text)
{
    if (!theWindow || text.empty())
        return;
    theWindow->filename = text;
    if (theWindow->hooks)
        theWindow->hooks->UpdateWindowTitle(theWindow);
}

std::string WindowTitleText(const PlotSpecsRec& ps, const std::string& name)
{
    if (name.empty())
        return {};
    std::string shown = name;
    const std::string vlms = ".vlms";
    if (shown.size() >= vlms.size() && shown.compare(shown.size() - vlms.size(), vlms.size(), vlms) == 0)
        shown.erase(shown.size() - vlms.size());
    if (shown.rfind("<<", 0) == 0)
        shown.erase(0, 2);
    const char* key;
    if (ps.radType == kRadiationXRays)
        key = ps.axisType == kAxisTimeOfFlight ? "Time-of-Flight_X-Rays"
              : ps.axisType == kAxisEnergy     ? "Energy-Dispersive_X-Rays"
                                               : "Angle-Dispersive_X-Rays";
    else
        key = ps.axisType == kAxisTimeOfFlight ? "Time-of-Flight_Neutrons"
              : ps.axisType == kAxisEnergy     ? "Energy-Dispersive_Neutrons"
                                               : "Angle-Dispersive_Neutrons";
    return LocalizedString(key) + shown;
}

CrystalDataRec* FindPeakCrystal(WinInfoRec* theWindow)
{
    if (!theWindow)
        return nullptr;
    if (GetNumCrystalsInPlotList(theWindow) == 1)
        return GetFrontCrystal(theWindow);
    return GetFrontSelectedCrystal(theWindow);
}

bool DoGoToHKL(WinInfoRec* theWindow, CrystalDataRec* xp, int h, int k, int l)
{
    PlotSpecsPtr ps = GetWindowPlotSpecs(theWindow);
    if (!ps || !xp)
        return false;
    if (h == 0 && k == 0 && l == 0)
        h = k = l = 1;
    RecipCell(xp);
    const double d = InitDSpaceCalc(xp).DSpace(static_cast<SInt16>(h), static_cast<SInt16>(k), static_cast<SInt16>(l));
    double x;
    switch (ps->axisType) {
    case kAxisTwoTheta:
        x = DSpacingToX(*ps, d);
        if (!std::isfinite(x))
            return false;  // beyond the reach of the 2θ axis: the view stays
        break;
    case kAxisDSpacing:
    case kAxisReciprocalD:
    case kAxisTimeOfFlight:
    case kAxisEnergy: x = DSpacingToX(*ps, d); break;
    default: return false;
    }
    if (!std::isfinite(x))
        return false;
    const double width = ps->xmax - ps->xmin;
    ps->xmin = static_cast<Float32>(x - width / 2);
    ps->xmax = static_cast<Float32>(x + width / 2);
    ps->cursorXPos = static_cast<Float32>(x);
    ps->showCursor = true;
    theWindow->cursorAnchor.active = true;
    theWindow->cursorAnchor.set = false;  // anchored at the drawing that follows
    theWindow->autoScaleY = true;
    Redraw(theWindow, true, true);
    theWindow->autoScaleY = false;
    if (theWindow->hooks)
        theWindow->hooks->RebuildParameterList(theWindow);
    return true;
}

std::string ExportProfileRefusal(const WinInfoRec* theWindow)
{
    const SInt32 crystals = GetNumCrystalsInPlotList(theWindow);
    if (crystals == 0)
        return "Window_Has_No_Crystal";
    if (crystals >= 2 && !theWindow->plotSpecs.plotMixture && !GetFrontSelectedCrystal(theWindow))
        return "Please_Select_Crystal";
    return {};
}

Float32 ProposedChannelWidth(const WinInfoRec* theWindow, int plotWidth)
{
    if (!theWindow || plotWidth <= 0)
        return 0;
    const PlotSpecsRec& ps = theWindow->plotSpecs;
    const double range = static_cast<double>(ps.xmax) - ps.xmin;
    double width = range / plotWidth;
    // The narrowest peak in view gets at least kChannelsPerPeakWidth channels across its FWHM.
    double narrowest = HUGE_VAL;
    for (VLPatternPtr pp : theWindow->plotList)
        if (pp->type == kPatternTypeCrystal && pp->crystal)
            for (const ReflexionRec& ref : pp->crystal->refs)
                if (ref.tth >= ps.xmin && ref.tth <= ps.xmax && ref.halfWidth > 0)
                    narrowest = std::min(narrowest, 2.0 * ref.halfWidth);
    if (std::isfinite(narrowest))
        width = std::min(width, narrowest / kChannelsPerPeakWidth);
    // But no more channels than an export takes.
    width = std::max(width, range / kMaxProposedChannels);
    return static_cast<Float32>(width);
}

std::optional<long> ExportChannelCount(const WinInfoRec* theWindow, double width)
{
    if (!theWindow || !(width > 0))
        return std::nullopt;
    const double count = std::floor((static_cast<double>(theWindow->plotSpecs.xmax) - theWindow->plotSpecs.xmin) / width);
    if (!(count < 32766) || count < 0)
        return std::nullopt;
    return static_cast<long>(count);
}

std::string ExportChannelCountText(const WinInfoRec* theWindow, double width)
{
    const std::optional<long> count = ExportChannelCount(theWindow, width);
    return count ? std::to_string(*count) : "????";
}
