// A plain, scalar computation of integrated intensities written straight from the definition
// (one loop over sites and atoms per reflexion, libm sine and cosine), against which the fast
// intensity code is checked.
#pragma once

#include "Records.h"

#include <vector>

struct ReferenceResult {
    double A, B;   // structure factor parts
    double inty;   // integrated intensity before division by the squared volume
    bool kept;     // false when the reflexion cannot be diffracted (and is discarded)
};

// The crystal must have its scattering indices set (ASFIndexSites) and its reciprocal cell.
std::vector<ReferenceResult> ReferenceIntensities(const CrystalDataRec& xp, const PlotSpecsRec& ps,
                                                  const std::vector<ReflexionRec>& refs);
