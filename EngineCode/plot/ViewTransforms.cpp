// Intensity autoscaling.
#include "ViewTransforms.h"

#include "Document.h"
#include "Globals.h"
#include "GraphMode.h"

#include <algorithm>
#include <vector>

void AutoscaleYLimits(WinInfoRec* theWindow)
{
    if (!theWindow)
        return;
    PlotSpecsRec& ps = theWindow->plotSpecs;
    const int W = theWindow->plotRect.Width();
    if (W <= 0)
        return;
    double most = 0;
    if (!ps.plotMixture) {
        for (VLPatternPtr pp : theWindow->plotList) {
            if (pp->type == kPatternTypeCrystal && pp->crystal) {
                const CrystalDataRec& xp = *pp->crystal;
                const int n = std::min(W, xp.nBufferPts());
                for (int i = 0; i < n; ++i)
                    most = std::max(most, CrystalColumnIntensity(xp, i, ps.xmin + i / static_cast<double>(ps.xscale), true));
            } else if (pp->type == kPatternTypeDataset && pp->dataset) {
                const ObsDataRec& dp = *pp->dataset;
                const std::size_t n = std::min(dp.x.size(), dp.profile.size());
                for (std::size_t j = 0; j < n; ++j)
                    if (dp.x[j] >= ps.xmin && dp.x[j] <= ps.xmax)
                        most = std::max(most, static_cast<double>(dp.profile[j]) * dp.relScale + dp.yOffset);
            }
        }
    } else {
        std::vector<double> calc(static_cast<std::size_t>(W), 0.0), obs(static_cast<std::size_t>(W), 0.0);
        for (VLPatternPtr pp : theWindow->plotList) {
            if (pp->type == kPatternTypeCrystal && pp->crystal) {
                const int n = std::min(W, pp->crystal->nBufferPts());
                for (int i = 0; i < n; ++i)
                    calc[static_cast<std::size_t>(i)] +=
                        static_cast<double>(pp->crystal->plotBuffer[static_cast<std::size_t>(i)]) * pp->crystal->volFrac;
            } else if (pp->type == kPatternTypeDataset && pp->dataset) {
                const std::vector<Float32> dig = DigitizeWindowDataset(theWindow, pp->dataset.get());
                for (std::size_t i = 0; i < dig.size() && i < obs.size(); ++i)
                    obs[i] += dig[i] - pp->dataset->yOffset;
            }
        }
        for (int i = 0; i < W; ++i)
            most = std::max({most, calc[static_cast<std::size_t>(i)], obs[static_cast<std::size_t>(i)]});
    }
    if (!(most >= 1e-30))
        most = 1e-30;
    // The strongest point stops a little below the top, so that its peak and label show whole.
    // (Films keep the strongest column black.)
    const double keep = ps.plotType > 0 ? 1 - kAutoscaleHeadroom : 1.0;
    const double ymax = most > ps.ymin ? ps.ymin + (most - ps.ymin) / keep : most / keep;
    ps.ymax = static_cast<Float32>(ymax);
    ps.yscale = static_cast<Float32>(theWindow->plotRect.Height() / ymax);
}
