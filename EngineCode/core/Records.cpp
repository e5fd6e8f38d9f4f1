// Constructors, blank initialisers, destructors and duplicators of the core records.
#include "Records.h"

#include "Globals.h"
#include "Status.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Resizes v to n copies of blank; false (v unchanged) when n is negative or memory runs out.
template <typename T>
bool MakeArray(std::vector<T>& v, AtomIndex n, const T& blank)
{
    if (n < 0)
        return false;
    try {
        std::vector<T> fresh(static_cast<std::size_t>(n), blank);
        v.swap(fresh);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

void CopyField(char* dest, std::size_t capacity, std::string_view text)
{
    const std::size_t n = std::min(capacity - 1, text.size());
    std::memcpy(dest, text.data(), n);
    std::memset(dest + n, 0, capacity - n);
}

}  // namespace

std::unique_ptr<CrystalDataRec> CreateCrystal(const PrefDataRec& prefs)
{
    auto xp = std::unique_ptr<CrystalDataRec>(new (std::nothrow) CrystalDataRec);
    if (xp)
        InitBlankCrystal(xp.get(), prefs);
    return xp;
}

void InitBlankCrystal(CrystalDataRec* xp, const PrefDataRec& prefs)
{
    if (!xp)
        return;
    // Cell and intMax have no blank values of their own; zero them.
    *xp = CrystalDataRec{};
    xp->ltyp = 'P';
    xp->plotColor = prefs.crystalColor;
    xp->plotStyle = prefs.crystalPlotStyle;
    xp->lineStyle = prefs.crystalLineStyle;
    xp->lineWidth = prefs.crystalLineWidth;
    xp->markerSize = prefs.crystalMarkerSize;
    xp->volFrac = 0;
    xp->particleSize = prefs.particleSize;
    xp->strain = prefs.strain;
    xp->showLabel = prefs.showLabel;
    xp->labelThreshold = prefs.labelThreshold;
    xp->labelHKL = prefs.labelHKL;
    xp->labelDSpacings = prefs.labelDSpacings;
    xp->labelTwoTheta = prefs.labelTwoTheta;
    xp->labelPhases = prefs.labelPhases;
}

bool CreateAsymmetricUnit(CrystalDataRec* xp, AtomIndex n, FileProblems* problems)
{
    if (!xp)
        return false;
    if (!MakeArray(xp->AU, n, gBlankAU)) {
        if (problems)
            problems->StopText("No memory to create asymmetric Unit");
        return false;
    }
    return true;
}

bool CreateAtomsArray(CrystalDataRec* xp, AtomIndex n, FileProblems* problems)
{
    if (!xp)
        return false;
    if (!MakeArray(xp->atoms, n, gBlankAtom)) {
        if (problems)
            problems->StopText("No memory to create atoms array");
        return false;
    }
    xp->atomRotations = kAtomRotationsUnknown;  // new positions: their operations are not known yet
    return true;
}

bool CreateReflexionsArray(std::vector<ReflexionRec>& refs, AtomIndex n)
{
    if (!MakeArray(refs, n, gBlankRef)) {
        MyCFStopAlertText("No memory to create reflexions array");
        return false;
    }
    return true;
}

bool CreatePlotBuffer(std::vector<Float32>& buffer, AtomIndex n)
{
    return MakeArray(buffer, n, Float32{0});
}

void InitBlankAU(InputDataRec* site)
{
    if (site)
        *site = gBlankAU;
}

void InitBlankAtom(AtomDataRec* atom)
{
    if (atom)
        *atom = gBlankAtom;
}

void InitBlankReflexion(ReflexionRec* ref)
{
    if (ref)
        *ref = gBlankRef;
}

InputDataRec* GetCrystalAsymmetricUnit(CrystalDataRec* xp)
{
    return xp && !xp->AU.empty() ? xp->AU.data() : nullptr;
}

AtomDataRec* GetCrystalAtomsArray(CrystalDataRec* xp)
{
    return xp && !xp->atoms.empty() ? xp->atoms.data() : nullptr;
}

ReflexionRec* GetCrystalReflexionsArray(CrystalDataRec* xp)
{
    return xp && !xp->refs.empty() ? xp->refs.data() : nullptr;
}

Float32* GetCrystalPlotBuffer(CrystalDataRec* xp)
{
    return xp && !xp->plotBuffer.empty() ? xp->plotBuffer.data() : nullptr;
}

void SetCrystalReflexionsArray(CrystalDataRec* xp, std::vector<ReflexionRec> refs)
{
    if (xp)
        xp->refs = std::move(refs);
}

void SetCrystalPlotBuffer(CrystalDataRec* xp, std::vector<Float32> buffer)
{
    if (xp)
        xp->plotBuffer = std::move(buffer);
}

void DestroyAsymmetricUnit(CrystalDataRec* xp)
{
    if (xp)
        std::vector<InputDataRec>().swap(xp->AU);
}

void DestroyAtomsArray(CrystalDataRec* xp)
{
    if (xp)
        std::vector<AtomDataRec>().swap(xp->atoms);
}

void DestroyReflexionsArray(CrystalDataRec* xp)
{
    if (xp)
        std::vector<ReflexionRec>().swap(xp->refs);
}

void DestroyPlotBuffer(CrystalDataRec* xp)
{
    if (xp)
        std::vector<Float32>().swap(xp->plotBuffer);
}

void DestroyCrystal(std::unique_ptr<CrystalDataRec>& xp)
{
    xp.reset();
}

std::unique_ptr<CrystalDataRec> DuplicateCrystal(const CrystalDataRec* xp)
{
    if (!xp)
        return nullptr;
    try {
        return std::make_unique<CrystalDataRec>(*xp);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::unique_ptr<ObsDataRec> CreateDataset(const PrefDataRec& prefs)
{
    auto dp = std::unique_ptr<ObsDataRec>(new (std::nothrow) ObsDataRec);
    if (dp)
        InitBlankDataset(dp.get(), prefs);
    return dp;
}

void InitBlankDataset(ObsDataRec* dp, const PrefDataRec& prefs)
{
    if (!dp)
        return;
    *dp = ObsDataRec{};
    dp->plotColor = prefs.datasetColor;
    dp->plotStyle = prefs.datasetPlotStyle;
    dp->lineStyle = prefs.datasetLineStyle;
    dp->lineWidth = prefs.datasetLineWidth;
    dp->markerSize = prefs.datasetMarkerSize;
    dp->relScale = 1.0f;
}

void SetDatasetDefaultPlotStyle(ObsDataRec* dp, const PrefDataRec& prefs)
{
    if (!dp || prefs.datasetPlotStyle != gFactoryPrefs.datasetPlotStyle)
        return;
    dp->plotStyle = dp->nData() >= kDenseDataPoints ? kPlotStyleLine : kPlotStyleDots;
}

bool CreateDatasetPoints(ObsDataRec* dp, AtomIndex n)
{
    if (!dp)
        return false;
    std::vector<Float32> x, profile;
    if (!MakeArray(x, n, Float32{0}) || !MakeArray(profile, n, Float32{0}))
        return false;
    dp->x.swap(x);
    dp->profile.swap(profile);
    return true;
}

std::unique_ptr<ObsDataRec> DuplicateDataset(const ObsDataRec* dp)
{
    if (!dp || dp->nData() == 0)
        return nullptr;
    try {
        return std::make_unique<ObsDataRec>(*dp);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void DestroyDataset(std::unique_ptr<ObsDataRec>& dp)
{
    dp.reset();
}

std::unique_ptr<VLPatternRec> CreatePattern()
{
    return std::unique_ptr<VLPatternRec>(new (std::nothrow) VLPatternRec);
}

void InitBlankPattern(VLPatternRec* pp)
{
    if (pp)
        *pp = VLPatternRec{};
}

void DestroyPattern(std::unique_ptr<VLPatternRec>& pp)
{
    pp.reset();
}

void SetSiteLabel(InputDataRec* site, std::string_view text)
{
    if (site)
        CopyField(site->label, sizeof site->label, text);
}

void SetSpaceGroupSymbol(CrystalDataRec* xp, std::string_view text)
{
    if (xp)
        CopyField(xp->spaceGroupSymbol, sizeof xp->spaceGroupSymbol, text);
}
