// Scalar reference of the structure factor and intensity.
#include "ReferenceIntensity.h"

#include "Intensity.h"
#include "ScatteringTable.h"

#include <cmath>

std::vector<ReferenceResult> ReferenceIntensities(const CrystalDataRec& xp, const PlotSpecsRec& ps,
                                                  const std::vector<ReflexionRec>& refs)
{
    std::vector<ReferenceResult> out;
    for (const ReflexionRec& r : refs) {
        double A = 0, B = 0;
        for (const InputDataRec& site : xp.AU) {
            if (!site.include)
                continue;
            Float32 f = GetSiteF(&xp, &site, r.dsp, ps.radType == kRadiationNeutrons);
            if (xp.hasEllipsoids)
                f = f * GetSiteTFactor(&xp, &site, r);
            for (AtomIndex a = site.pos; a < site.pos + site.numInCell; ++a) {
                const AtomDataRec& atom = xp.atoms[static_cast<std::size_t>(a)];
                float t = static_cast<float>(r.h) * atom.x[0];
                t += static_cast<float>(r.k) * atom.x[1];
                t += static_cast<float>(r.l) * atom.x[2];
                const float phi = static_cast<float>(t * 6.28318530718);
                A += f * std::cos(static_cast<double>(phi));
                B += f * std::sin(static_cast<double>(phi));
            }
        }
        double scale;
        Float32 lp, theta;
        ReferenceResult res{A, B, 0, true};
        if (!LorentzFactor(ps, r.dsp, scale, lp, theta)) {
            res.kept = false;
        } else {
            const Float32 a = static_cast<Float32>(A), b = static_cast<Float32>(B);
            const Float32 sumSq = a * a + b * b;
            res.inty = static_cast<Float32>(scale * 0.001 * lp * sumSq);
            res.kept = true;  // weak ones too: the cutoff acts on merged groups
        }
        out.push_back(res);
    }
    return out;
}
