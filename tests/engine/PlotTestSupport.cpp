// Small documents for the plot tests.
#include "PlotTestSupport.h"

#include "Globals.h"
#include "PlotPattern.h"

std::unique_ptr<WinInfoRec> MakePlotWindow(const Rect& plot, float xmin, float xmax, float ymin, float ymax)
{
    InitVLGlobals();
    auto w = CreateWindowInfo(PrefDataRec{});
    w->plotSpecs = PlotSpecsRec{};
    PlotSpecsRec& ps = w->plotSpecs;
    ps.xmin = xmin;
    ps.xmax = xmax;
    ps.ymin = ymin;
    ps.ymax = ymax;
    ps.xscale = static_cast<float>(plot.Width() / (static_cast<double>(xmax) - xmin));
    ps.yscale = static_cast<float>((plot.Height() - 1) / (static_cast<double>(ymax) - ymin));
    w->plotRect = plot;
    w->residualRect = plot;
    return w;
}

VLPatternPtr AddTestCrystal(WinInfoRec* w, const std::vector<ReflexionRec>& refs, const std::vector<float>& buffer,
                            const char* name)
{
    auto pattern = CreatePattern();
    pattern->type = kPatternTypeCrystal;
    pattern->crystal = CreateCrystal(PrefDataRec{});
    pattern->crystal->refs = refs;
    pattern->crystal->plotBuffer = buffer;
    pattern->crystal->volFrac = 1;
    pattern->crystal->plotColor = {0x1111, 0x2222, 0x3333};
    for (const ReflexionRec& r : refs)
        pattern->crystal->intMax = std::max(pattern->crystal->intMax, r.inty);
    pattern->name = name;
    VLPatternPtr pp = InsertPatternIntoFileList(w, std::move(pattern), nullptr);
    InsertPatternIntoPlotList(w, pp, nullptr);
    return pp;
}

VLPatternPtr AddTestDataset(WinInfoRec* w, const std::vector<float>& x, const std::vector<float>& y, const char* name)
{
    auto pattern = CreatePattern();
    pattern->type = kPatternTypeDataset;
    pattern->dataset = CreateDataset(PrefDataRec{});
    pattern->dataset->x = x;
    pattern->dataset->profile = y;
    if (!x.empty()) {
        pattern->dataset->xmin = x.front();
        pattern->dataset->xmax = x.back();
    }
    pattern->dataset->plotColor = {0x4444, 0x5555, 0x6666};
    pattern->name = name;
    VLPatternPtr pp = InsertPatternIntoFileList(w, std::move(pattern), nullptr);
    InsertPatternIntoPlotList(w, pp, nullptr);
    return pp;
}

ReflexionRec TestReflexion(int h, int k, int l, float x, float inty, float hw, float d)
{
    ReflexionRec r;
    r.h = static_cast<SInt16>(h);
    r.k = static_cast<SInt16>(k);
    r.l = static_cast<SInt16>(l);
    r.mul = 1;
    r.dsp = d;
    r.tth = x;
    r.inty = inty;
    r.halfWidth = hw;
    return r;
}
