// The inner loop of the structure factor: for one reflexion, the sums over atoms of
// w·cos φ and w·sin φ with φ = 2π(h·x + k·y + l·z) formed exactly as the intensity code defines
// it (the sum in single precision, times 6.28318530718, rounded to single precision) and the
// cosine and sine evaluated in double precision. Vectorised where the processor allows.
#pragma once

#include <cstddef>

// X, Y, Z: fractional coordinates; W: the scattering power of each atom's site. A and B receive
// the two sums (accumulated in double).
void StructureFactorSums(const float* X, const float* Y, const float* Z, const float* W, std::size_t n, float h,
                         float k, float l, double& A, double& B);

// out[i] = exp(x[i]) rounded to single precision, for n values; accurate to a unit or two in the
// last place of double precision (so the single-precision result is, but for the rarest
// ties, that of the C library's exp).
void ExpToFloat(const double* x, float* out, std::size_t n);

// out[i] = -0.25 · uIso[i] / d2: the exponent of an isotropic temperature factor.
void IsotropicExponents(const float* uIso, std::size_t n, double d2, double* out);

// siteF[i] = kindF[kind[i]] · T[i] for n sites (T null: factor 1), then W[j] = siteF[siteOf[j]]
// for m atoms.
void SitePowers(const float* kindF, const int* kind, const float* T, std::size_t n, float* siteF, const int* siteOf,
                std::size_t m, float* W);

// The phase angle of one atom, as used above.
float PhaseAngle(float h, float k, float l, float x, float y, float z);

// Double-precision sine and cosine of a phase angle (|phi| below 1e6), as used above.
void PhaseSinCos(double phi, double& s, double& c);
