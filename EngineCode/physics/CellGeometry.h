// Unit-cell geometry: reciprocal cell, volume, density and fast d-spacings of h k l.
// The single-precision d-spacing form of a crystal is a value its users keep (InitDSpaceCalc).
#pragma once

#include "Constants.h"
#include "Records.h"

// Atomic weight of an element, g/mol (element table of 106 entries, with the pseudo-species
// HO and OH and deuterium D).
struct ElementDataRec {
    UInt16 symbol;
    Float32 weight;
};
extern const ElementDataRec gElementData[106];

// Sets the reciprocal cell (edges in Å⁻¹, angles in degrees), volume (Å³) and density (kg/m³)
// from a, b, c, alpha, beta, gamma. A degenerate cell gives non-finite values: readers reject
// such cells before they get here (see CellIsValid).
void RecipCell(CrystalDataRec* xp);

// The quadratic form of 1/d² in single precision, from a crystal's reciprocal cell (Å⁻²).
struct DSpaceForm {
    Float32 aStarSq = 0;
    Float32 bStarSq = 0;
    Float32 cStarSq = 0;
    Float32 aS_bS_cosGS = 0;
    Float32 aS_cS_cosBS = 0;
    Float32 bS_cS_cosAS = 0;

    // 1/d and d (Å) in single precision with one square root.
    Float32 ReciprocalDSpace(SInt16 h, SInt16 k, SInt16 l) const;
    Float32 DSpace(SInt16 h, SInt16 k, SInt16 l) const;

private:
    Float32 Sum(SInt16 h, SInt16 k, SInt16 l) const;
};

// The form of the crystal's reciprocal cell (RecipCell first); all zero without a crystal.
DSpaceForm InitDSpaceCalc(const CrystalDataRec* xp);

// The reciprocal metric in double precision, from the direct cell: 1/d² of h k l is
// g[0]h² + g[1]k² + g[2]l² + g[3]hk + g[4]hl + g[5]kl. Angles of 90°, 60° and 120° enter with
// their exact cosines, so indices related by the lattice's symmetry give the same d to the last
// bits of double precision (reflexions are grouped by d computed this way).
struct ReciprocalMetric {
    double g[6] = {0, 0, 0, 0, 0, 0};
    double InverseDSquared(int h, int k, int l) const
    {
        const double hh = double(h) * h, kk = double(k) * k, ll = double(l) * l;
        const double hk = double(h) * k, hl = double(h) * l, kl = double(k) * l;
        return g[0] * hh + g[1] * kk + g[2] * ll + g[3] * hk + g[4] * hl + g[5] * kl;
    }
};
// False for a degenerate cell (the metric is then left zero).
[[nodiscard]] bool MakeReciprocalMetric(const CrystalDataRec* xp, ReciprocalMetric& metric);

// Density in kg/m³; 0 without sites or with zero volume.
Float32 GetDensity(const CrystalDataRec* xp);

// Weight of a packed element symbol, 16.0 when the symbol is not in the table.
Float32 ElementWeight(UInt16 symbol);

// True when the six cell values are finite, the edges positive, the angles within (0, 180) and
// the cell has a positive volume (so RecipCell gives finite values).
bool CellIsValid(double a, double b, double c, double alpha, double beta, double gamma);
