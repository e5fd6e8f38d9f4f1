// Reference scenes built in memory.
#include "Scenes.h"

#include "Diffraction.h"
#include "Globals.h"
#include "PlotPattern.h"
#include "Profile.h"
#include "ScatteringTable.h"
#include "ViewTransforms.h"

#include <cmath>
#include <cstdint>
#include <random>

namespace {

struct SiteSpec {
    const char* symbol;
    float x, y, z;
};

// A crystal from its cell, centring and sites; every site's positions are the site plus the
// centring translations (enough for the simple structures used here).
std::unique_ptr<CrystalDataRec> MakeCrystal(float a, float b, float c, float al, float be, float ga, char centring,
                                            const char* group, const std::vector<SiteSpec>& sites)
{
    auto xp = CreateCrystal(PrefDataRec{});
    xp->a = a;
    xp->b = b;
    xp->c = c;
    xp->alpha = al;
    xp->beta = be;
    xp->gamma = ga;
    xp->ltyp = centring;
    SetSpaceGroupSymbol(xp.get(), group);
    std::vector<std::array<float, 3>> shifts = {{0, 0, 0}};
    if (centring == 'F')
        shifts = {{0, 0, 0}, {0, 0.5f, 0.5f}, {0.5f, 0, 0.5f}, {0.5f, 0.5f, 0}};
    const int n = static_cast<int>(sites.size()), per = static_cast<int>(shifts.size());
    if (!CreateAsymmetricUnit(xp.get(), n) || !CreateAtomsArray(xp.get(), n * per))
        return xp;
    for (int s = 0; s < n; ++s) {
        InputDataRec& site = xp->AU[static_cast<std::size_t>(s)];
        SetSiteLabel(&site, sites[static_cast<std::size_t>(s)].symbol);
        site.occupant[0].symbol = PackSymbol(sites[static_cast<std::size_t>(s)].symbol);
        site.occupant[0].occupancy = 1;
        site.include = true;
        site.pos = per * s;
        site.numInCell = per;
        const float base[3] = {sites[static_cast<std::size_t>(s)].x, sites[static_cast<std::size_t>(s)].y,
                               sites[static_cast<std::size_t>(s)].z};
        for (int k = 0; k < per; ++k)
            for (int i = 0; i < 3; ++i) {
                float v = base[i] + shifts[static_cast<std::size_t>(k)][static_cast<std::size_t>(i)];
                xp->atoms[static_cast<std::size_t>(per * s + k)].x[i] = v >= 1 ? v - 1 : v;
            }
    }
    return xp;
}

// The doc's calculated intensity of crystal xp at x (no background).
double ProfileAt(const PlotSpecsRec& ps, const CrystalDataRec& xp, double x)
{
    double y = 0;
    for (const ReflexionRec& r : xp.refs) {
        if (std::fabs(x - r.tth) > 40 * r.halfWidth)
            continue;
        y += GetProfileIntensityAtPoint(static_cast<Float32>(x), r.tth, r.inty, r.halfWidth, ps.plotType, ps.eta);
    }
    return y;
}

// Sets ymax for a 1000 × 600 pane as autoscaling would.
void FitIntensityAxis(WinInfoRec* doc)
{
    GetCurPlotRect(DrawContext{}, doc, Rect{0, 0, 600, 1000});
    PlotSpecsRec& ps = doc->plotSpecs;
    ps.xscale = static_cast<Float32>(doc->plotRect.Width() / (static_cast<double>(ps.xmax) - ps.xmin));
    CalculateProfiles(doc, 0, doc->plotRect.Width() - 1, doc->plotRect, false);
    AutoscaleYLimits(doc);
}

constexpr RGBColor kNaClColor{0x0000, 0x0000, 0x8888};
constexpr RGBColor kCsClColor{0x0000, 0x7777, 0x0000};
constexpr RGBColor kThirdColor{0xAAAA, 0x5555, 0x0000};

}  // namespace

bool InitSceneEngine()
{
    static bool done = false;
    if (!done) {
        InitVLGlobals();
        FileProblems ignored;  // an empty table shows in the results
        ReadASFactors(ignored);
        done = true;
    }
    return gNumASF > 0;
}

std::unique_ptr<CrystalDataRec> MakeRockSalt()
{
    return MakeCrystal(5.6402f, 5.6402f, 5.6402f, 90, 90, 90, 'F', "F m -3 m", {{"Na", 0, 0, 0}, {"Cl", 0.5f, 0.5f, 0.5f}});
}

std::unique_ptr<CrystalDataRec> MakeCaesiumChloride()
{
    return MakeCrystal(4.123f, 4.123f, 4.123f, 90, 90, 90, 'P', "P m -3 m", {{"Cs", 0, 0, 0}, {"Cl", 0.5f, 0.5f, 0.5f}});
}

// A made-up monoclinic phase, so that labels show negative indices.
static std::unique_ptr<CrystalDataRec> MakeMonoclinicTestPhase()
{
    return MakeCrystal(5.1f, 6.3f, 7.2f, 90, 104, 90, 'P', "P 1",
                       {{"Fe", 0.12f, 0.21f, 0.33f}, {"O", 0.41f, 0.08f, 0.72f}, {"O", 0.77f, 0.55f, 0.18f}});
}

VLPatternPtr AddSceneCrystal(WinInfoRec* doc, std::unique_ptr<CrystalDataRec> xp, const std::string& name,
                             const RGBColor& color)
{
    auto pattern = CreatePattern();
    pattern->type = kPatternTypeCrystal;
    xp->plotColor = color;
    pattern->crystal = std::move(xp);
    pattern->name = name;
    pattern->filePtr = name;
    VLPatternPtr pp = InsertPatternIntoFileListSorted(doc, std::move(pattern));
    InsertPatternIntoPlotList(doc, pp, nullptr);
    JustDiffract(doc, pp->crystal.get(), nullptr);
    EqualizePhaseProportions(doc);
    return pp;
}

VLPatternPtr AddSyntheticDataset(WinInfoRec* doc, const std::string& name, double xFrom, double xTo, double step,
                                 double background, double noise, double* backgroundLevel)
{
    const PlotSpecsRec& ps = doc->plotSpecs;
    auto dp = CreateDataset(PrefDataRec{});
    std::mt19937 random(20240611u);
    auto gauss = [&random]() {
        // Box–Muller on the raw generator, so the noise is the same with every standard library.
        const double u1 = (random() + 1.0) / 4294967297.0, u2 = random() / 4294967296.0;
        return std::sqrt(-2 * std::log(u1)) * std::cos(2 * M_PI * u2);
    };
    std::vector<double> clean;
    for (double x = xFrom; x <= xTo + 1e-9; x += step) {
        double y = 0;
        for (VLPatternPtr pp : doc->plotList)
            if (pp->type == kPatternTypeCrystal && pp->crystal)
                y += pp->crystal->volFrac * ProfileAt(ps, *pp->crystal, x);
        dp->x.push_back(static_cast<Float32>(x));
        clean.push_back(y);
    }
    const double top = std::max(*std::max_element(clean.begin(), clean.end()), 1e-30);
    if (backgroundLevel)
        *backgroundLevel = background * top;
    for (double y : clean) {
        const double counts = y + background * top;
        dp->profile.push_back(static_cast<Float32>(counts + noise * top * std::sqrt(counts / top) * gauss()));
    }
    dp->xmin = dp->x.front();
    dp->xmax = dp->x.back();
    dp->ymin = *std::min_element(dp->profile.begin(), dp->profile.end());
    dp->ymax = *std::max_element(dp->profile.begin(), dp->profile.end());
    dp->plotColor = gPrefs.datasetColor;
    dp->plotStyle = gPrefs.datasetPlotStyle;
    dp->lineStyle = gPrefs.datasetLineStyle;
    auto pattern = CreatePattern();
    pattern->type = kPatternTypeDataset;
    pattern->dataset = std::move(dp);
    pattern->name = name;
    VLPatternPtr pp = InsertPatternIntoFileListSorted(doc, std::move(pattern));
    InsertPatternIntoPlotList(doc, pp, nullptr);
    return pp;
}

std::unique_ptr<WinInfoRec> NewSceneDocument()
{
    InitSceneEngine();
    auto doc = CreateWindowInfo(PrefDataRec{});
    doc->plotSpecs = PlotSpecsRec{};
    doc->plotSpecs.xmin = 5;
    doc->plotSpecs.xmax = 80;
    DoAxisTypeLimits(doc.get());
    doc->filename = "Scene";
    return doc;
}

std::unique_ptr<WinInfoRec> SceneEmpty()
{
    return NewSceneDocument();
}

std::unique_ptr<WinInfoRec> SceneOneCrystal()
{
    auto doc = NewSceneDocument();
    VLPatternPtr pp = AddSceneCrystal(doc.get(), MakeRockSalt(), "NaCl.obdf", kNaClColor);
    pp->crystal->showLabel = true;
    pp->crystal->labelHKL = true;
    FitIntensityAxis(doc.get());
    return doc;
}

static std::unique_ptr<WinInfoRec> TwoPhasesWithData()
{
    auto doc = NewSceneDocument();
    VLPatternPtr nacl = AddSceneCrystal(doc.get(), MakeRockSalt(), "NaCl.obdf", kNaClColor);
    VLPatternPtr cscl = AddSceneCrystal(doc.get(), MakeCaesiumChloride(), "CsCl.obdf", kCsClColor);
    nacl->crystal->volFrac = 0.6f;
    cscl->crystal->volFrac = 0.4f;
    double background = 0;
    AddSyntheticDataset(doc.get(), "synthetic NaCl + CsCl", 5, 80, 0.02, 0.05, 0.015, &background);
    // The calculated patterns carry the measured background.
    nacl->crystal->yOffset = static_cast<Float32>(background);
    return doc;
}

std::unique_ptr<WinInfoRec> SceneTwoCrystalsAndData()
{
    auto doc = TwoPhasesWithData();
    doc->plotSpecs.showResidual = true;
    doc->plotSpecs.showLegend = true;
    FitIntensityAxis(doc.get());
    return doc;
}

std::unique_ptr<WinInfoRec> SceneMixture()
{
    auto doc = TwoPhasesWithData();
    doc->plotSpecs.plotMixture = true;
    doc->plotSpecs.showResidual = true;
    doc->fileList.front()->selected = true;
    FitIntensityAxis(doc.get());
    return doc;
}

std::unique_ptr<WinInfoRec> SceneFilm()
{
    auto doc = TwoPhasesWithData();
    doc->plotSpecs.plotType = -3;
    doc->plotSpecs.showResidual = true;
    doc->plotSpecs.filmThreshold = 20;
    doc->plotList.front()->selected = true;
    FitIntensityAxis(doc.get());
    return doc;
}

std::unique_ptr<WinInfoRec> SceneOverlays(UInt16 overlayStyle)
{
    auto doc = NewSceneDocument();
    doc->plotSpecs.monochromatic = false;  // Kα1 and Kα2
    doc->plotSpecs.overlayPeakStyle = overlayStyle;
    doc->plotSpecs.fwhm = 0.25f;
    VLPatternPtr nacl = AddSceneCrystal(doc.get(), MakeRockSalt(), "NaCl.obdf", kNaClColor);
    VLPatternPtr mono = AddSceneCrystal(doc.get(), MakeMonoclinicTestPhase(), "monoclinic test phase.obd5", kThirdColor);
    CrystalDataRec& n = *nacl->crystal;
    n.showLabel = true;
    n.labelPhases = n.labelHKL = n.labelDSpacings = n.labelTwoTheta = true;
    n.labelThreshold = 30;
    CrystalDataRec& m = *mono->crystal;
    m.showLabel = true;
    m.labelHKL = true;
    m.labelThreshold = 6;
    FitIntensityAxis(doc.get());
    // The strongest peak rises above the plot, so that its label points up to the frame.
    doc->plotSpecs.ymax *= 0.7f;
    return doc;
}

std::unique_ptr<WinInfoRec> SceneAxis(SInt16 axisType)
{
    auto doc = NewSceneDocument();
    doc->plotSpecs.axisType = axisType;
    GetPlotLimitsForAxisType(axisType, &doc->plotSpecs.xmin, &doc->plotSpecs.xmax, &doc->plotSpecs.xminLimit,
                             &doc->plotSpecs.xmaxLimit);
    // A peak width that suits the axis: a fixed fraction of its default range.
    doc->plotSpecs.fwhm = (doc->plotSpecs.xmax - doc->plotSpecs.xmin) / 600;
    VLPatternPtr pp = AddSceneCrystal(doc.get(), MakeRockSalt(), "NaCl.obdf", kNaClColor);
    pp->crystal->showLabel = true;
    pp->crystal->labelTwoTheta = true;
    pp->crystal->labelHKL = false;
    FitIntensityAxis(doc.get());
    return doc;
}

std::unique_ptr<WinInfoRec> ScenePlotStyles()
{
    auto doc = NewSceneDocument();
    doc->plotSpecs.xmin = 25;
    doc->plotSpecs.xmax = 50;
    doc->plotSpecs.fwhm = 0.3f;
    VLPatternPtr nacl = AddSceneCrystal(doc.get(), MakeRockSalt(), "NaCl.obdf", kNaClColor);
    AddSyntheticDataset(doc.get(), "style 1", 25, 50, 0.25, 0.05, 0.02);
    // Nine copies of the same data, one per plot style, stacked one above the other.
    const ObsDataRec first = *doc->plotList.back()->dataset;
    RemovePatternFromPlotList(doc.get(), nacl);
    const RGBColor colours[9] = {{0x8888, 0, 0},      {0, 0x6666, 0},      {0, 0, 0x9999},
                                 {0x7777, 0, 0x7777}, {0, 0x6666, 0x6666}, {0x8888, 0x5555, 0},
                                 {0x4444, 0x4444, 0x4444}, {0xCCCC, 0x3333, 0x3333}, {0x3333, 0x3333, 0xCCCC}};
    const double height = first.ymax;
    for (int style = 1; style <= 9; ++style) {
        ObsDataRec* dp;
        if (style == 1) {
            dp = doc->plotList.front()->dataset.get();
        } else {
            auto pattern = CreatePattern();
            pattern->type = kPatternTypeDataset;
            pattern->dataset = std::make_unique<ObsDataRec>(first);
            pattern->name = "style " + std::to_string(style);
            VLPatternPtr pp = InsertPatternIntoFileListSorted(doc.get(), std::move(pattern));
            InsertPatternIntoPlotList(doc.get(), pp, nullptr);
            dp = pp->dataset.get();
        }
        dp->plotStyle = static_cast<UInt16>(style);
        dp->lineStyle = style % 2 == 0 ? kLineStyleDashed : kLineStyleSolid;
        dp->plotColor = colours[style - 1];
        dp->markerSize = style == 2 ? 5 : 0;
        dp->yOffset = static_cast<Float32>((9 - style) * height * 0.9);
    }
    doc->plotSpecs.ymin = 0;
    doc->plotSpecs.ymax = static_cast<Float32>(9 * height);
    return doc;
}

int StrongestReflexion(const CrystalDataRec& xp)
{
    int best = 0;
    for (int i = 1; i < xp.nRefs(); ++i)
        if (xp.refs[static_cast<std::size_t>(i)].inty > xp.refs[static_cast<std::size_t>(best)].inty)
            best = i;
    return best;
}
