// The entry points of the structure-factor sums compiled for each instruction set (one source
// file each, around StructureFactorKernelBody.h); StructureFactorKernel.cpp chooses among them.
// Plain types only: the files that define these include no library headers.
#pragma once

// out[0..1] = Σ W cos φ, Σ W sin φ; with W2 (else null) out[2..3] = Σ W2 cos φ, Σ W2 sin φ.
#define VELMORA_KERNEL_ENTRY_POINTS(suffix)                                                                        \
    void StructureFactorSums##suffix(const float* X, const float* Y, const float* Z, const float* W,               \
                                     const float* W2, unsigned long n, float h, float k, float l, double* out);    \
    void IdealSinCosSums##suffix(const float* phi, unsigned long n, unsigned long reps, double* out);             \
    void FillPowers##suffix(const float* w, const unsigned long* start, unsigned long n, const int* cls,          \
                            unsigned long begin, unsigned long end, float* W);                                    \
    void IsotropicTFactors##suffix(const float* u, float q, unsigned long n, float* T);                          \
    bool ExpandPowers##suffix(const float* w, unsigned long m, unsigned long begin, unsigned long end, float* W);   \
    void ScalePowers##suffix(const float* T, float f, unsigned long n, float* out);

VELMORA_KERNEL_ENTRY_POINTS(Portable)
#if defined(__x86_64__)
VELMORA_KERNEL_ENTRY_POINTS(Avx2)
VELMORA_KERNEL_ENTRY_POINTS(Avx512)
#endif

// The definitions, for the file of each instruction set, after the body has been included in
// namespace ns.
#define VELMORA_KERNEL_DEFINITIONS(suffix, ns)                                                                      \
    void StructureFactorSums##suffix(const float* X, const float* Y, const float* Z, const float* W,               \
                                     const float* W2, unsigned long n, float h, float k, float l, double* out)     \
    {                                                                                                              \
        if (W2)                                                                                                    \
            ns::Sums<true>(X, Y, Z, W, W2, n, h, k, l, out);                                                       \
        else                                                                                                       \
            ns::Sums<false>(X, Y, Z, W, nullptr, n, h, k, l, out);                                                 \
    }                                                                                                              \
    void IdealSinCosSums##suffix(const float* phi, unsigned long n, unsigned long reps, double* out)               \
    {                                                                                                              \
        ns::IdealSums(phi, n, reps, out);                                                                          \
    }                                                                                                              \
    void FillPowers##suffix(const float* w, const unsigned long* start, unsigned long n, const int* cls,          \
                            unsigned long begin, unsigned long end, float* W)                                      \
    {                                                                                                              \
        ns::FillPowers(w, start, n, cls, begin, end, W);                                                           \
    }                                                                                                              \
    void IsotropicTFactors##suffix(const float* u, float q, unsigned long n, float* T)                             \
    {                                                                                                              \
        ns::IsotropicTFactors(u, q, n, T);                                                                         \
    }                                                                                                              \
    bool ExpandPowers##suffix(const float* w, unsigned long m, unsigned long begin, unsigned long end, float* W)   \
    {                                                                                                              \
        return ns::ExpandPowers(w, m, begin, end, W);                                                              \
    }                                                                                                              \
    void ScalePowers##suffix(const float* T, float f, unsigned long n, float* out)                                 \
    {                                                                                                              \
        ns::Scale(T, f, n, out);                                                                                   \
    }
