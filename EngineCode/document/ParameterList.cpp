// The parameter list: folders, items, slider mappings and the actions of every folder.
#include "ParameterList.h"

#include "Constants.h"
#include "CellGeometry.h"
#include "Diffraction.h"
#include "Document.h"
#include "Profile.h"
#include "Settings.h"
#include "TextFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

const RGBColor kFolderBackColor{0xDDDD, 0xDDDD, 0xDDDD};
const RGBColor kFolderDividerColor{0xFFFF, 0xFFFF, 0xFFFF};
const RGBColor kItemDividerColor{0xFFFF, 0xFFFF, 0xFFFF};
const RGBColor kGlobalItemBackColor{0xEEEE, 0xEEEE, 0xEEEE};
const RGBColor kLocalItemBackColor{0xFFFF, 0xEFEF, 0xEFEF};

namespace {

constexpr Float32 kHugeValue = 1e37f;

// ---- what a change recomputes ----

void RedrawPlot(WinInfoRec* w, bool profiles)
{
    if (w->hooks)
        w->hooks->RedrawWindow(w, profiles, false);
}

std::vector<CrystalDataRec*> PlottedCrystals(WinInfoRec* w)
{
    std::vector<CrystalDataRec*> crystals;
    for (VLPatternPtr pp : w->plotList) {
        if (pp->type != kPatternTypeCrystal)
            continue;
        if (!pp->crystal)
            break;  // a pattern without its record ends the walk
        crystals.push_back(pp->crystal.get());
    }
    return crystals;
}

// The crystal is diffracted again: by the window when it offers to (it redraws when done), else
// here and now. True when it was done here.
bool DiffractAgain(WinInfoRec* w, CrystalDataRec* xp)
{
    if (auto* live = dynamic_cast<LiveDiffraction*>(w->hooks); live && live->DiffractLater(w, xp))
        return false;
    JustDiffract(w, xp, nullptr);
    return true;
}

void DiffractAllAgain(WinInfoRec* w)
{
    bool drawNow = false, any = false;
    for (CrystalDataRec* xp : PlottedCrystals(w)) {
        any = true;
        drawNow = DiffractAgain(w, xp) || drawNow;
    }
    if (any && drawNow)
        RedrawPlot(w, true);
}

// ---- actions ----

void DoFolderTimeOfFlight(WinInfoRec* w, int item, Float32 value)
{
    if (item == 0)
        w->plotSpecs.thetaTimeOfFlight = static_cast<Float32>(value * 0.5 * kDegToRad);
    else if (item == 1)
        w->plotSpecs.distanceTimeOfFlight = value;
    DiffractAllAgain(w);
}

void DoFolderEnergyDispersive(WinInfoRec* w, int item, Float32 value)
{
    if (item == 0)
        w->plotSpecs.thetaEnergy = static_cast<Float32>(value * 0.5 * kDegToRad);
    DiffractAllAgain(w);
}

// A new wavelength moves the reflexions and changes their widths; the reflexions themselves and
// their intensities stay.
void DoFolderAngleDispersive(WinInfoRec* w, int, Float32 value)
{
    PlotSpecsRec& ps = w->plotSpecs;
    if (!(value > 0))
        return;
    ps.lambda2 = static_cast<Float32>(static_cast<double>(ps.lambda2) * value / ps.lambda);
    ps.lambda = value;
    for (CrystalDataRec* xp : PlottedCrystals(w)) {
        if (ps.axisType == kAxisTwoTheta) {
            for (ReflexionRec& r : xp->refs) {
                // Beyond the reach of the new wavelength: just past the plotted world.
                const double twoTheta = TwoThetaAt(ps, ps.lambda, r.dsp);
                r.tth = std::isfinite(twoTheta) ? static_cast<Float32>(xp->xOffset + twoTheta) : ps.xmaxLimit + 1;
            }
        }
        CalculatePeakWidths(w, xp);
    }
    RedrawPlot(w, true);
}

void DoFolderInstrument(WinInfoRec* w, int item, Float32 value)
{
    PlotSpecsRec& ps = w->plotSpecs;
    switch (item) {
    case 0:
        ps.fwhm = value;
        for (CrystalDataRec* xp : PlottedCrystals(w))
            CalculatePeakWidths(w, xp);
        RedrawPlot(w, true);
        break;
    case 1:
        ps.eta = value;
        RedrawPlot(w, true);
        break;
    case 2: {
        bool crystalMoved = false;
        for (VLPatternPtr pp : w->plotList) {
            if (!pp->selected)
                continue;
            if (pp->type == kPatternTypeCrystal && pp->crystal) {
                CrystalDataRec& xp = *pp->crystal;
                const Float32 delta = value - xp.xOffset;
                xp.xOffset = value;
                for (ReflexionRec& r : xp.refs)
                    r.tth += delta;
                crystalMoved = true;
            } else if (pp->type == kPatternTypeDataset && pp->dataset) {
                ObsDataRec& dp = *pp->dataset;
                const Float32 delta = value - dp.xOffset;
                dp.xOffset = value;
                for (Float32& x : dp.x)
                    x += delta;
            }
        }
        RedrawPlot(w, crystalMoved);
        break;
    }
    case 3:
        for (VLPatternPtr pp : w->plotList)
            if (pp->selected && pp->type == kPatternTypeDataset && pp->dataset)
                pp->dataset->relScale = value;
        RedrawPlot(w, false);
        break;
    case 4: DoSpecimenDisplacement(w, value, ps.goniometerRadius); break;
    case 5: DoSpecimenDisplacement(w, ps.specimenDisplacement, value); break;
    default: break;
    }
}

// The background is added to the profile when it is drawn: no profile changes.
void DoFolderBackground(WinInfoRec* w, int item, Float32 value)
{
    for (VLPatternPtr pp : w->plotList) {
        if (!pp->selected)
            continue;
        if (pp->type == kPatternTypeCrystal && pp->crystal) {
            if (item == 0)
                pp->crystal->yOffset = value;
            else if (item == 1)
                pp->crystal->baseCoefs[0] = value;
            else if (item == 2)
                pp->crystal->baseCoefs[1] = value;
        } else if (pp->type == kPatternTypeDataset && pp->dataset && item == 0) {
            pp->dataset->yOffset = value;
        }
    }
    RedrawPlot(w, false);
}

void DoFolderSample(WinInfoRec* w, int item, Float32 value)
{
    bool changed = false;
    for (VLPatternPtr pp : w->plotList) {
        if (!pp->selected || pp->type != kPatternTypeCrystal || !pp->crystal)
            continue;
        CrystalDataRec* xp = pp->crystal.get();
        if (item == 0)
            xp->particleSize = static_cast<Float32>(value * 10000.0);
        else if (item == 1)
            xp->strain = static_cast<Float32>(value * 0.01);
        CalculatePeakWidths(w, xp);
        changed = true;
    }
    if (changed)
        RedrawPlot(w, true);
}

// Phase proportions scale the profiles when they are drawn.
void DoFolderMixture(WinInfoRec* w, int item, Float32 value)
{
    AdjustMixtureFractions(w, item, value);
    DrawParameterList(w);
    for (CrystalDataRec* xp : PlottedCrystals(w)) {
        Float32 largest = 0;
        for (const ReflexionRec& r : xp->refs)
            largest = std::max(largest, r.inty);
        xp->intMax = largest * xp->volFrac;
    }
    RedrawPlot(w, false);
}

void SetItemValueInPlace(WinInfoRec* w, const char* folderName, int item, Float32 value)
{
    for (FolderRec& f : w->folders)
        if (f.name == folderName && item < f.nItems()) {
            ItemRec& it = f.items[static_cast<std::size_t>(item)];
            const Float32 shift = value - it.value;
            it.value = value;
            if (it.variableSliderLimits) {
                it.sliderMin += shift;
                it.sliderMax += shift;
            }
        }
}

void DoFolderUnitCell(WinInfoRec* w, int item, Float32 value)
{
    CrystalDataRec* xp = GetFrontSelectedCrystal(w);
    if (!xp)
        return;
    if (item == 0) {
        if (!(xp->volume > 0) || !(value > 0))
            return;
        const double f = std::pow(static_cast<double>(value) / xp->volume, 0.333);
        xp->a = static_cast<Float32>(xp->a * f);
        xp->b = static_cast<Float32>(xp->b * f);
        xp->volume = value;
        const double ca = std::cos(xp->alpha * kDegToRad), cb = std::cos(xp->beta * kDegToRad);
        const double cg = std::cos(xp->gamma * kDegToRad);
        const double sb = std::sin(xp->beta * kDegToRad), sg = std::sin(xp->gamma * kDegToRad);
        const double cStar = xp->a * static_cast<double>(xp->b) * sg / value;
        const double alphaStar = std::acos(std::clamp((cb * cg - ca) / (sg * sb), -1.0, 1.0));
        xp->cStar = static_cast<Float32>(cStar);
        xp->c = static_cast<Float32>(1.0 / (sb * cStar * std::sin(alphaStar)));
    } else {
        Float32* fields[] = {&xp->a, &xp->b, &xp->c, &xp->alpha, &xp->beta, &xp->gamma};
        if (item < 1 || item > 6)
            return;
        *fields[item - 1] = value;
    }
    // The cell itself is cheap; its reflexions may not be.
    RecipCell(xp);
    if (item == 0) {
        SetItemValueInPlace(w, "Unit Cell", 1, xp->a);
        SetItemValueInPlace(w, "Unit Cell", 2, xp->b);
        SetItemValueInPlace(w, "Unit Cell", 3, xp->c);
    } else {
        SetItemValueInPlace(w, "Unit Cell", 0, xp->volume);
    }
    if (DiffractAgain(w, xp))
        RedrawPlot(w, true);
}

// The occupant slot of the k-th item of the site-occupancy folder, in the folder's walk order.
SiteRec* NthOccupiedSlot(CrystalDataRec* xp, int k, InputDataRec** site, int* slot)
{
    int n = 0;
    for (InputDataRec& s : xp->AU)
        for (int i = 0; i < 3; ++i) {
            if (s.occupant[static_cast<std::size_t>(i)].symbol == kEmptySymbol)
                continue;
            if (n++ == k) {
                *site = &s;
                *slot = i;
                return &s.occupant[static_cast<std::size_t>(i)];
            }
        }
    return nullptr;
}

void DoFolderSiteOccupancies(WinInfoRec* w, int item, Float32 value)
{
    CrystalDataRec* xp = GetFrontSelectedCrystal(w);
    if (!xp)
        return;
    InputDataRec* site = nullptr;
    int slot = 0;
    if (!NthOccupiedSlot(xp, item, &site, &slot))
        return;
    AdjustDisorderedSiteOccupancies(site->occupant, slot, value);
    DrawParameterList(w);
    if (DiffractAgain(w, xp))
        RedrawPlot(w, true);
}

// ---- folders ----

using FolderAction = void (*)(WinInfoRec*, int, Float32);

// Gives every item of the folder its action, which knows the item by its number.
void Attach(FolderRec& folder, FolderAction action)
{
    for (std::size_t i = 0; i < folder.items.size(); ++i) {
        const int n = static_cast<int>(i);
        folder.items[i].actionProc = [action, n](WinInfoRec* w, Float32 value) { action(w, n, value); };
    }
}

void AddFolder(WinInfoRec* w, const char* name, std::vector<ItemRec> items, FolderAction action)
{
    FolderRec folder;
    folder.name = name;
    folder.items = std::move(items);
    Attach(folder, action);
    AddFolderToWindow(w, std::move(folder));
}

void AddRadiationFolder(WinInfoRec* w)
{
    const PlotSpecsRec& ps = w->plotSpecs;
    const auto twoTheta = [](Float32 theta) { return static_cast<Float32>(theta * kRadToTwoThetaDeg); };
    switch (ps.axisType) {
    case kAxisTimeOfFlight:
        AddFolder(w, "Time-of-Flight",
                  {InitSliderItem("Two Theta [°]", twoTheta(ps.thetaTimeOfFlight), 0, 180, 1, true),
                   InitSliderItem("Path Length [m]", ps.distanceTimeOfFlight, 0, 1000, 1, true)},
                  DoFolderTimeOfFlight);
        break;
    case kAxisEnergy:
        AddFolder(w, "Energy Dispersive", {InitSliderItem("Two Theta [°]", twoTheta(ps.thetaEnergy), 0, 180, 1, true)},
                  DoFolderEnergyDispersive);
        break;
    default:
        AddFolder(w, "Angle Dispersive", {InitSliderItem("Wavelength [Å]", ps.lambda, 0.1f, 3.0f, 1, true)},
                  DoFolderAngleDispersive);
        break;
    }
}

void AddInstrumentFolder(WinInfoRec* w)
{
    const PlotSpecsRec& ps = w->plotSpecs;
    const Float32 range = std::fabs(ps.xmaxLimit - ps.xminLimit);
    const CrystalDataRec* xp = GetFrontSelectedCrystal(w);
    const ObsDataRec* dp = GetFrontSelectedDataset(w);
    const Float32 zero = xp ? xp->xOffset : dp ? dp->xOffset : 0.0f;
    AddFolder(w, "Instrument",
              {InitSliderItem("Peak Width", ps.fwhm, 0, range / 100, 1, true),
               InitSliderItem("Eta", ps.eta, 0, 1, 1, true),
               InitSliderItem("Zero correction", zero, -range / 10, range / 10, 1, true),
               InitArrowsItem("Scale Factor", dp ? dp->relScale : 0.0f, 0, kHugeValue, 1.0f, false),
               // Bragg–Brentano geometry: peaks move by −2 s cos θ / R on the 2θ axis.
               InitSliderItem("Specimen Displacement [mm]", ps.specimenDisplacement, -2, 2, 1, true),
               InitSliderItem("Goniometer Radius [mm]", ps.goniometerRadius, 50, 1000, 1, true)},
              DoFolderInstrument);
}

void AddBackgroundFolder(WinInfoRec* w, const CrystalDataRec& xp)
{
    const Float32 yStep = static_cast<Float32>(w->plotSpecs.ymax * 0.01);
    AddFolder(w, "Background (A + Bx +C/x)",
              {InitArrowsItem("Y-offset (A)", xp.yOffset, -kHugeValue, kHugeValue, yStep, false),
               InitArrowsItem("Slope (B)", xp.baseCoefs[0], -kHugeValue, kHugeValue, 0.1f, false),
               InitArrowsItem("Curvature (C)", xp.baseCoefs[1], -kHugeValue, kHugeValue, 1.0f, false)},
              DoFolderBackground);
}

void AddSampleFolder(WinInfoRec* w, const CrystalDataRec& xp)
{
    AddFolder(w, "Sample",
              {InitSliderItem("Particle Size [µm]", static_cast<Float32>(xp.particleSize * 0.0001), 0.001f, 1.0f, 2, false),
               InitSliderItem("Percent Strain", static_cast<Float32>(xp.strain * 100.0), 0, 1, 2, false)},
              DoFolderSample);
}

void AddMixtureFolder(WinInfoRec* w)
{
    std::vector<ItemRec> items;
    for (VLPatternPtr pp : w->plotList)
        if (pp->type == kPatternTypeCrystal && pp->crystal)
            items.push_back(InitSliderItem(pp->name, pp->crystal->volFrac, 0, 1, 1, true));
    AddFolder(w, "Mixture", std::move(items), DoFolderMixture);
}

void AddUnitCellFolder(WinInfoRec* w, const CrystalDataRec& xp)
{
    const auto length = [](const char* name, Float32 v) { return InitArrowsItem(name, v, 1.0f, 100 * v, 0.005f, false); };
    const auto angle = [](const char* name, Float32 v) { return InitArrowsItem(name, v, 1.0f, 179.0f, 0.02f, false); };
    AddFolder(w, "Unit Cell",
              {InitArrowsItem("Volume [Å**3]", xp.volume, 1.0f, 1000 * xp.volume, 0.1f, false), length("a [Å]", xp.a),
               length("b [Å]", xp.b), length("c [Å]", xp.c), angle("alpha [°]", xp.alpha), angle("beta [°]", xp.beta),
               angle("gamma [°]", xp.gamma)},
              DoFolderUnitCell);
}

void AddSiteOccupanciesFolder(WinInfoRec* w, const CrystalDataRec& xp)
{
    std::vector<ItemRec> items;
    for (const InputDataRec& site : xp.AU)
        for (const SiteRec& occupant : site.occupant) {
            if (occupant.symbol == kEmptySymbol)
                continue;
            ItemRec item = InitSliderItem(site.label, occupant.occupancy, 0, 1, 1, false);
            item.name2 = SymbolToString(occupant.symbol);
            items.push_back(std::move(item));
        }
    AddFolder(w, "Site Occupancies", std::move(items), DoFolderSiteOccupancies);
}

SInt32 TotalItems(const WinInfoRec* w)
{
    SInt32 n = 0;
    for (const FolderRec& f : w->folders)
        n += f.nItems();
    return n;
}

void ShiftSliderEnds(ItemRec& item, Float32 shift)
{
    if (item.variableSliderLimits) {
        item.sliderMin += shift;
        item.sliderMax += shift;
    }
}

}  // namespace

ItemRec InitSliderItem(const std::string& name, Float32 value, Float32 minVal, Float32 maxVal, SInt16 power, bool isGlobal)
{
    ItemRec item;
    item.name = name;
    item.variableSliderLimits = false;
    item.value = value;
    item.minVal = item.sliderMin = minVal;
    item.maxVal = item.sliderMax = maxVal;
    item.sliderPower = power;
    item.isGlobal = isGlobal;
    return item;
}

ItemRec InitArrowsItem(const std::string& name, Float32 value, Float32 minVal, Float32 maxVal, Float32 stepSize, bool isGlobal)
{
    ItemRec item;
    item.name = name;
    item.variableSliderLimits = true;
    item.value = value;
    item.stepSize = stepSize;
    item.minVal = minVal;
    item.maxVal = maxVal;
    item.sliderMin = std::clamp(value - 10 * stepSize, minVal, maxVal);
    item.sliderMax = std::clamp(value + 10 * stepSize, minVal, maxVal);
    item.sliderPower = 1;
    item.isGlobal = isGlobal;
    return item;
}

void InitParameterList(WinInfoRec* theWindow)
{
    if (!theWindow)
        return;
    DestroyWindowFolders(theWindow);
    AddRadiationFolder(theWindow);
    AddInstrumentFolder(theWindow);
    const CrystalDataRec* front = GetFrontSelectedCrystal(theWindow);
    if (front) {
        AddBackgroundFolder(theWindow, *front);
        AddSampleFolder(theWindow, *front);
    }
    if (GetNumCrystalsInPlotList(theWindow) > 0) {
        AddMixtureFolder(theWindow);
        if (front) {
            AddUnitCellFolder(theWindow, *front);
            AddSiteOccupanciesFolder(theWindow, *front);
        }
    }
}

void RebuildParameterFolders(WinInfoRec* theWindow)
{
    if (!theWindow)
        return;
    std::vector<Boolean> open;
    for (const FolderRec& f : theWindow->folders)
        open.push_back(f.open);
    const SInt32 items = TotalItems(theWindow);
    const SInt32 folderChoice = theWindow->folderChoice, itemChoice = theWindow->itemChoice;
    const SInt32 top = theWindow->topParameterLine;

    InitParameterList(theWindow);

    if (open.size() == theWindow->folders.size())
        for (std::size_t i = 0; i < open.size(); ++i)
            theWindow->folders[i].open = open[i];
    if (items == TotalItems(theWindow) && GetWindowItem(theWindow, folderChoice, itemChoice)) {
        theWindow->folderChoice = folderChoice;
        theWindow->itemChoice = itemChoice;
    } else {
        theWindow->folderChoice = theWindow->itemChoice = -1;
    }
    theWindow->topParameterLine = std::max<SInt32>(0, top);
}

void DrawParameterList(WinInfoRec* theWindow)
{
    if (!theWindow)
        return;
    if (theWindow->hooks)
        theWindow->hooks->RebuildParameterList(theWindow);
    else
        RebuildParameterFolders(theWindow);
}

Float32 SliderPositionToValue(const ItemRec& item, int position)
{
    double t = std::clamp(position, 0, kParameterSliderMax) * 0.01;
    if (item.sliderPower == 2)
        t *= t;
    return static_cast<Float32>(item.sliderMin + t * (static_cast<double>(item.sliderMax) - item.sliderMin));
}

int ValueToSliderPosition(const ItemRec& item, Float32 value)
{
    const double span = static_cast<double>(item.sliderMax) - item.sliderMin;
    if (!(span > 0) || !std::isfinite(value))
        return 0;
    double f = std::min(1.0, (value - static_cast<double>(item.sliderMin)) / span);
    if (!(f > 0))
        return 0;
    if (item.sliderPower == 2)
        f = std::sqrt(f);
    // Truncated, but a value set from position p shows p again despite its rounding to a float.
    return static_cast<int>(f * kParameterSliderMax + 1e-4);
}

ItemRec* GetSelectedParameterItem(WinInfoRec* theWindow)
{
    return theWindow ? GetWindowItem(theWindow, theWindow->folderChoice, theWindow->itemChoice) : nullptr;
}

bool SetParameterValue(WinInfoRec* theWindow, SInt32 folder, SInt32 item, Float32 value)
{
    ItemRec* it = GetWindowItem(theWindow, folder, item);
    if (!it || !std::isfinite(value) || value < it->minVal || value > it->maxVal)
        return false;
    ShiftSliderEnds(*it, value - it->value);
    it->value = value;
    // The action may rebuild the list: it gets its own copy of the function.
    const auto action = it->actionProc;
    if (action)
        action(theWindow, value);
    DrawParameterList(theWindow);
    return true;
}

bool AutoSlideParameterBar(WinInfoRec* theWindow, int position)
{
    ItemRec* it = GetSelectedParameterItem(theWindow);
    if (!it)
        return false;
    const Float32 value = SliderPositionToValue(*it, position);
    it->value = value;
    const auto action = it->actionProc;
    if (action)
        action(theWindow, value);
    return true;
}

bool EnterParameterValue(WinInfoRec* theWindow, const std::string& text)
{
    if (!GetSelectedParameterItem(theWindow))
        return false;
    const std::optional<double> number = ReadSheetNumber(text);
    if (!number)
        return false;
    return SetParameterValue(theWindow, theWindow->folderChoice, theWindow->itemChoice, static_cast<Float32>(*number));
}

bool AutoScrollParameterText(WinInfoRec* theWindow, bool up)
{
    const ItemRec* it = GetSelectedParameterItem(theWindow);
    if (!it)
        return false;
    const Float32 value = it->value + (up ? kParameterArrowStep : -kParameterArrowStep);
    const Float32 lo = it->variableSliderLimits ? it->minVal : it->sliderMin;
    const Float32 hi = it->variableSliderLimits ? it->maxVal : it->sliderMax;
    if (value < lo || value > hi)
        return false;
    return SetParameterValue(theWindow, theWindow->folderChoice, theWindow->itemChoice, value);
}

std::string FormatParameterValue(Float32 value)
{
    return FormatFixed(value, 0, 3);
}

SInt32 CountParameterLines(const WinInfoRec* theWindow)
{
    if (!theWindow)
        return 0;
    SInt32 n = 0;
    for (const FolderRec& f : theWindow->folders)
        n += 1 + (f.open ? f.nItems() : 0);
    return n;
}

bool GetParameterLine(const WinInfoRec* theWindow, SInt32 line, SInt32* folder, SInt32* item)
{
    if (!theWindow || line < 0)
        return false;
    SInt32 n = 0;
    for (SInt32 f = 0; f < theWindow->nFolders(); ++f) {
        const FolderRec& fr = theWindow->folders[static_cast<std::size_t>(f)];
        if (n == line) {
            *folder = f;
            *item = -1;
            return true;
        }
        ++n;
        if (fr.open) {
            if (line < n + fr.nItems()) {
                *folder = f;
                *item = line - n;
                return true;
            }
            n += fr.nItems();
        }
    }
    return false;
}

SInt32 SelectedParameterLine(const WinInfoRec* theWindow)
{
    if (!theWindow || theWindow->itemChoice < 0)
        return -1;
    SInt32 n = 0;
    for (SInt32 f = 0; f < theWindow->nFolders(); ++f) {
        const FolderRec& fr = theWindow->folders[static_cast<std::size_t>(f)];
        ++n;
        if (!fr.open)
            continue;
        if (f == theWindow->folderChoice)
            return theWindow->itemChoice < fr.nItems() ? n + theWindow->itemChoice : -1;
        n += fr.nItems();
    }
    return -1;
}

bool DoParameterListClick(WinInfoRec* theWindow, SInt32 line)
{
    if (!theWindow)
        return false;
    const bool hadSelection = theWindow->itemChoice >= 0;
    SInt32 folder = -1, item = -1;
    if (!GetParameterLine(theWindow, line, &folder, &item)) {
        theWindow->folderChoice = theWindow->itemChoice = -1;
        return hadSelection;
    }
    if (item < 0) {
        if (!hadSelection) {
            FolderRec& f = theWindow->folders[static_cast<std::size_t>(folder)];
            f.open = !f.open;
        }
        theWindow->folderChoice = theWindow->itemChoice = -1;
        return true;
    }
    if (theWindow->folderChoice == folder && theWindow->itemChoice == item)
        return false;
    theWindow->folderChoice = folder;
    theWindow->itemChoice = item;
    return true;
}

bool MoveParameterSelection(WinInfoRec* theWindow, bool down)
{
    const SInt32 lines = CountParameterLines(theWindow);
    if (lines == 0)
        return false;
    const SInt32 current = SelectedParameterLine(theWindow);
    SInt32 line = current < 0 ? (down ? -1 : lines) : current;
    for (line += down ? 1 : -1; line >= 0 && line < lines; line += down ? 1 : -1) {
        SInt32 folder, item;
        if (GetParameterLine(theWindow, line, &folder, &item) && item >= 0) {
            theWindow->folderChoice = folder;
            theWindow->itemChoice = item;
            return true;
        }
    }
    return false;
}

SInt32 ParameterScrollMaximum(const WinInfoRec* theWindow, SInt32 visibleLines)
{
    if (!theWindow)
        return 0;
    const SInt32 lines = CountParameterLines(theWindow);
    return lines >= visibleLines ? lines - visibleLines : theWindow->topParameterLine;
}

void SetParameterTopLine(WinInfoRec* theWindow, SInt32 line, SInt32 visibleLines)
{
    if (!theWindow)
        return;
    theWindow->topParameterLine = std::clamp<SInt32>(line, 0, std::max<SInt32>(0, ParameterScrollMaximum(theWindow, visibleLines)));
}

void AdjustDisorderedSiteOccupancies(std::array<SiteRec, 3>& occupants, int slot, Float32 newOccupancy)
{
    if (slot < 0 || slot > 2)
        return;
    int n = 0;
    double total = 0;
    for (const SiteRec& s : occupants)
        if (s.symbol != kEmptySymbol) {
            ++n;
            total += s.occupancy;
        }
    SiteRec& chosen = occupants[static_cast<std::size_t>(slot)];
    const double delta = static_cast<double>(newOccupancy) - chosen.occupancy;
    chosen.occupancy = newOccupancy;
    if (n < 2)
        return;
    if (delta > 0) {
        const double newTotal = total + delta;
        const double rest = newTotal - newOccupancy;
        // Over-full (allowing for the rounding of stored occupancies that sum to exactly one).
        if (newTotal > 1 + 1e-6 && rest > 0)
            for (SiteRec& s : occupants)
                if (&s != &chosen && s.symbol != kEmptySymbol)
                    // In proportion, but never below empty (a site that was not full has less to give).
                    s.occupancy = static_cast<Float32>(std::max(0.0, s.occupancy - delta * s.occupancy / rest));
    } else if (delta < 0 && std::fabs(1 - total) < 0.01) {
        for (SiteRec& s : occupants)
            if (&s != &chosen && s.symbol != kEmptySymbol)
                s.occupancy = static_cast<Float32>(s.occupancy + -delta / (n - 1));
    }
}

void Debug_PrintFolderDiagnostics(WinInfoRec* theWindow)
{
    if (!theWindow)
        return;
    for (const FolderRec& f : theWindow->folders)
        if (f.open)
            for (const ItemRec& item : f.items)
                std::printf("%s: %f\n", item.name.c_str(), static_cast<double>(item.value));
}
