// Writes a synthetic measured pattern for the examples: a CIF structure simulated by the engine
// with Cu Kα1 and Kα2, pseudo-Voigt peaks and a background, then given Poisson counting noise
// from a fixed seed, as "2θ intensity" lines under a header that says it is synthetic.
//
//   make_synthetic_pattern examples/quartz.cif examples/quartz_synthetic_cuka.xy
#include "CifImport.h"
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "Profile.h"
#include "ScatteringTable.h"
#include "TextFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kTwoThetaMin = 10.0, kTwoThetaMax = 80.0, kStep = 0.02;  // degrees
constexpr double kPeakCounts = 10000;                                     // highest net peak
constexpr double kBackgroundA = 150, kBackgroundC = 1500;                // counts: A + C/2θ
constexpr unsigned kSeed = 20240611;

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_synthetic_pattern STRUCTURE.cif OUTPUT.xy\n");
        return 2;
    }
    InitVLGlobals();
    FileProblems problems;  // nothing is shown here: an empty table is told below
    ReadASFactors(problems);
    if (gNumASF == 0) {
        std::fprintf(stderr, "make_synthetic_pattern: the scattering table ASF.dat was not found\n");
        return 1;
    }
    CifImportResult cif = ReadCifFile(argv[1], gFactoryPrefs);
    if (cif.problem || cif.crystals.size() != 1) {
        std::fprintf(stderr, "make_synthetic_pattern: %s holds no single readable structure\n", argv[1]);
        return 1;
    }
    CrystalDataRec* xp = cif.crystals.front().crystal.get();

    auto doc = CreateWindowInfo(gFactoryPrefs);
    PlotSpecsRec& ps = doc->plotSpecs;
    ps.axisType = kAxisTwoTheta;
    ps.plotType = kPeakFunctionPseudoVoigt;
    ps.eta = 0.5f;
    ps.fwhm = 0.08f;
    ps.monochromatic = false;
    ps.lambda = 1.5406f;
    ps.lambda2 = 1.5444f;
    ps.lambdaRatio = 2.0f;
    ps.dMin = 0.5f;
    ps.xmin = static_cast<Float32>(kTwoThetaMin);
    ps.xmax = static_cast<Float32>(kTwoThetaMax);
    JustDiffract(doc.get(), xp, nullptr);
    // Each point is the profile at its own 2θ (not a pixel's maximum, as on screen): Kα1 and Kα2
    // share each reflexion's width and split its intensity by the ratio.
    const auto nPts = static_cast<AtomIndex>((kTwoThetaMax - kTwoThetaMin) / kStep + 0.5);
    const double alpha1 = ps.lambdaRatio / (ps.lambdaRatio + 1.0);
    std::vector<double> profile(static_cast<std::size_t>(nPts), 0.0);
    for (const ReflexionRec& r : xp->refs) {
        const double s2 = ps.lambda2 * 0.5 / r.dsp;
        const double tth2 = s2 <= 1 ? xp->xOffset + std::asin(s2) * kRadToTwoThetaDeg : -1;
        for (AtomIndex i = 0; i < nPts; ++i) {
            const Float32 x = static_cast<Float32>(kTwoThetaMin + i * kStep);
            double y = alpha1 * GetProfileIntensityAtPoint(x, r.tth, r.inty, r.halfWidth, ps.plotType, ps.eta);
            if (tth2 > 0)
                y += (1 - alpha1) * GetProfileIntensityAtPoint(x, static_cast<Float32>(tth2), r.inty, r.halfWidth,
                                                               ps.plotType, ps.eta);
            profile[static_cast<std::size_t>(i)] += y;
        }
    }
    const double peak = *std::max_element(profile.begin(), profile.end());
    if (!(peak > 0)) {
        std::fprintf(stderr, "make_synthetic_pattern: the profile is empty\n");
        return 1;
    }

    std::FILE* out = std::fopen(argv[2], "w");
    if (!out) {
        std::fprintf(stderr, "make_synthetic_pattern: cannot write %s\n", argv[2]);
        return 1;
    }
    const std::string source = cif.crystals.front().name;
    std::fprintf(out,
                 "# SYNTHETIC DATA: this is not a measurement.\n"
                 "# Simulated by Velmora (tools/make_synthetic_pattern) from %s, for trying the residual.\n"
                 "# Cu K-alpha1 1.5406 A and K-alpha2 1.5444 A (intensity ratio 2:1), pseudo-Voigt peaks\n"
                 "# (eta 0.5, FWHM 0.08 deg), background 150 + 1500/2theta counts, highest net peak 10000\n"
                 "# counts, Poisson counting noise from a fixed seed (%u).\n"
                 "# 2theta [deg]   intensity [counts]\n",
                 source.c_str(), kSeed);
    std::mt19937 random(kSeed);
    for (AtomIndex i = 0; i < nPts; ++i) {
        const double x = kTwoThetaMin + i * kStep;
        const double mean = kPeakCounts * profile[static_cast<std::size_t>(i)] / peak + kBackgroundA +
                            kBackgroundC / x;
        std::poisson_distribution<long> counts(mean);
        std::fprintf(out, "%s %s\n", FormatFixed(x, 7, 3).c_str(), FormatInt(counts(random), 7).c_str());
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
