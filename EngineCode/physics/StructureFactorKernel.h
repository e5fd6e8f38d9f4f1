// The inner loop of the structure factor: for one reflexion, the sums over atoms of w·cos φ and
// w·sin φ with φ = 2π(h·x + k·y + l·z) formed exactly as the intensity code defines it (the sum
// in single precision, times 6.28318530718, rounded to single precision), the sine and cosine in
// single precision (to about a unit in the last place) and the sums in double. One kernel,
// compiled for vectors of 4 (any processor), 8 (AVX2 with FMA) and 16 floats (AVX-512F); the
// widest the processor runs is chosen at the first call.
#pragma once

#include <cstddef>

enum class KernelPath { Portable, Avx2, Avx512 };

// Whether this build has the path and this processor can run it.
bool KernelPathAvailable(KernelPath path);
// The widest available path.
KernelPath BestKernelPath();
// The path every later call takes, in every thread (for tests and benchmarks); false, and no
// change, when it is not available.
bool UseKernelPath(KernelPath path);
KernelPath CurrentKernelPath();
const char* KernelPathName(KernelPath path);

// X, Y, Z: fractional coordinates; W: the scattering power of each atom. A and B receive the sums.
void StructureFactorSums(const float* X, const float* Y, const float* Z, const float* W, std::size_t n, float h,
                         float k, float l, double& A, double& B);
// The same with a second set of powers W2 (the imaginary parts of the scattering factors) summed
// over the same phases: out = {Σ W cos φ, Σ W sin φ, Σ W2 cos φ, Σ W2 sin φ}; W2 may be null (then
// out[2] and out[3] are left alone).
void StructureFactorSums(const float* X, const float* Y, const float* Z, const float* W, const float* W2,
                         std::size_t n, float h, float k, float l, double out[4]);

// W[i − begin] = w[c] for the atoms i from begin to end − 1, c the class of atom i: the atoms of
// class c (of n) are start[c] .. start[c + 1] − 1, and cls gives each atom's class.
void FillPowers(const float* w, const std::size_t* start, std::size_t n, const int* cls, std::size_t begin,
                std::size_t end, float* W);

// The same when every class has m atoms, atom i being of class i / m: false (W untouched) when
// this processor's vectors cannot do it in one shuffle (m must divide the vector width and begin
// be a multiple of it; a begin that is a multiple of 16 always is). w must have 16 readable floats
// beyond the class of the last atom.
[[nodiscard]] bool ExpandPowers(const float* w, std::size_t m, std::size_t begin, std::size_t end, float* W);

// out[i] = f · T[i] for n values (the powers of a run of classes of one kind).
void ScalePowers(const float* T, float f, std::size_t n, float* out);

// What the processor can do at best for the same number of terms: the sine and cosine of n given
// phases, summed, reps times over (n a multiple of 32); out = the two totals.
void IdealSinCosSums(const float* phi, std::size_t n, std::size_t reps, double out[2]);

// out[i] = exp(x[i]) rounded to single precision, for n values; within 3e-10 of the exact value
// before the rounding (so the result is that of the C library's exp but for one value in a few
// hundred, which differs in the last place).
void ExpToFloat(const double* x, float* out, std::size_t n);

// T[i] = exp(−u[i]·q) in single precision (about a unit in the last place), for n values: the
// isotropic temperature factors of n sites with B values u at one d, q = 1/(4d²).
void IsotropicTFactors(const float* u, float q, std::size_t n, float* T);

// The phase angle of one atom, as used above.
float PhaseAngle(float h, float k, float l, float x, float y, float z);
