// Choice of the structure-factor kernel for this processor, and the exponentials of the
// temperature factors (vectorised, in double precision, so that the loop has no calls).
#include "StructureFactorKernel.h"

#include "Constants.h"
#include "StructureFactorKernelPaths.h"

#include <atomic>

// The vector helpers below are inlined into functions compiled for each processor; the ABI of
// their (never emitted) out-of-line forms does not matter.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

constexpr double kTwoPi = kRoundedTwoPi;
constexpr double kRoundMagic = 6755399441055744.0;  // 1.5 × 2^52: adding it rounds to an integer

bool HasAvx2()
{
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return avx2;
#else
    return false;
#endif
}

bool HasAvx512()
{
#if defined(__x86_64__)
    static const bool avx512 = HasAvx2() && __builtin_cpu_supports("avx512f");
    return avx512;
#else
    return false;
#endif
}

std::atomic<int> gPath{-1};  // a KernelPath, or -1 until the first call

KernelPath Path()
{
    int p = gPath.load(std::memory_order_relaxed);
    if (p < 0) {
        p = static_cast<int>(BestKernelPath());
        gPath.store(p, std::memory_order_relaxed);
    }
    return static_cast<KernelPath>(p);
}

typedef double v4d __attribute__((vector_size(32)));
typedef float v4f __attribute__((vector_size(16)));
typedef long long v4l __attribute__((vector_size(32)));

constexpr double kLog2e = 1.44269504088896338700e+00;
constexpr double kLn2Hi = 6.93147180369123816490e-01;  // ln 2, first 32 bits
constexpr double kLn2Lo = 1.90821492927058770002e-10;  // the rest

// exp(x) for |x| <= 700, for a result rounded to single precision: x = n ln 2 + r with
// |r| <= ln 2 / 2, e^r by its Taylor series to r^8 (truncation below 3e-10, far under the
// rounding to single precision), times 2^n built in the exponent bits.
__attribute__((always_inline)) inline void ExpKernel(const v4d& argument, v4d& result)
{
    v4d x = argument;
    x = x < -700.0 ? v4d{-700, -700, -700, -700} : x;
    x = x > 700.0 ? v4d{700, 700, 700, 700} : x;
    const v4d shifted = x * kLog2e + kRoundMagic;
    const v4d n = shifted - kRoundMagic;
    const v4d r = (x - n * kLn2Hi) - n * kLn2Lo;
    constexpr double kInv8 = 1.0 / 40320.0;  // 1/8!
    v4d p = {kInv8, kInv8, kInv8, kInv8};
    constexpr double kInvFactorial[8] = {1.0 / 5040.0, 1.0 / 720.0, 1.0 / 120.0, 1.0 / 24.0,
                                         1.0 / 6.0,    0.5,         1.0,         1.0};
    for (double c : kInvFactorial)
        p = p * r + c;
    // 2^n: the integer n + 1023 sits in the low bits of (n + 1023 + magic).
    const v4d biased = n + (1023.0 + kRoundMagic);
    const v4l bits = ((v4l)biased - (v4l)(v4d{kRoundMagic, kRoundMagic, kRoundMagic, kRoundMagic})) << 52;
    result = p * (v4d)bits;
}

}  // namespace

namespace {
__attribute__((always_inline)) inline void ExpToFloatBody(const double* x, float* out, std::size_t n)
{
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        v4d v;
        __builtin_memcpy(&v, x + i, sizeof v);
        v4d e;
        ExpKernel(v, e);
        const v4f f = __builtin_convertvector(e, v4f);
        __builtin_memcpy(out + i, &f, sizeof f);
    }
    if (i < n) {
        v4d v = {0, 0, 0, 0};
        for (std::size_t j = i; j < n; ++j)
            v[j - i] = x[j];
        v4d e;
        ExpKernel(v, e);
        for (std::size_t j = i; j < n; ++j)
            out[j] = static_cast<float>(e[j - i]);
    }
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) void ExpToFloatAvx2(const double* x, float* out, std::size_t n)
{
    ExpToFloatBody(x, out, n);
}
#endif

void ExpToFloatPortable(const double* x, float* out, std::size_t n)
{
    ExpToFloatBody(x, out, n);
}
}  // namespace

void ExpToFloat(const double* x, float* out, std::size_t n)
{
#if defined(__x86_64__)
    if (HasAvx2()) {
        ExpToFloatAvx2(x, out, n);
        return;
    }
#endif
    ExpToFloatPortable(x, out, n);
}


bool KernelPathAvailable(KernelPath path)
{
    switch (path) {
    case KernelPath::Portable: return true;
    case KernelPath::Avx2: return HasAvx2();
    case KernelPath::Avx512: return HasAvx512();
    }
    return false;
}

KernelPath BestKernelPath()
{
    return HasAvx512() ? KernelPath::Avx512 : HasAvx2() ? KernelPath::Avx2 : KernelPath::Portable;
}

bool UseKernelPath(KernelPath path)
{
    if (!KernelPathAvailable(path))
        return false;
    gPath.store(static_cast<int>(path), std::memory_order_relaxed);
    return true;
}

KernelPath CurrentKernelPath()
{
    return Path();
}

const char* KernelPathName(KernelPath path)
{
    switch (path) {
    case KernelPath::Portable: return "portable";
    case KernelPath::Avx2: return "avx2";
    case KernelPath::Avx512: return "avx512";
    }
    return "?";
}

void StructureFactorSums(const float* X, const float* Y, const float* Z, const float* W, const float* W2,
                         std::size_t n, float h, float k, float l, double out[4])
{
    switch (Path()) {
#if defined(__x86_64__)
    case KernelPath::Avx512: StructureFactorSumsAvx512(X, Y, Z, W, W2, n, h, k, l, out); return;
    case KernelPath::Avx2: StructureFactorSumsAvx2(X, Y, Z, W, W2, n, h, k, l, out); return;
#endif
    default: StructureFactorSumsPortable(X, Y, Z, W, W2, n, h, k, l, out); return;
    }
}

void StructureFactorSums(const float* X, const float* Y, const float* Z, const float* W, std::size_t n, float h,
                         float k, float l, double& A, double& B)
{
    double out[4];
    StructureFactorSums(X, Y, Z, W, nullptr, n, h, k, l, out);
    A = out[0];
    B = out[1];
}

void IdealSinCosSums(const float* phi, std::size_t n, std::size_t reps, double out[2])
{
    switch (Path()) {
#if defined(__x86_64__)
    case KernelPath::Avx512: IdealSinCosSumsAvx512(phi, n, reps, out); return;
    case KernelPath::Avx2: IdealSinCosSumsAvx2(phi, n, reps, out); return;
#endif
    default: IdealSinCosSumsPortable(phi, n, reps, out); return;
    }
}

void FillPowers(const float* w, const std::size_t* start, std::size_t n, const int* cls, std::size_t begin,
                std::size_t end, float* W)
{
    static_assert(sizeof(std::size_t) == sizeof(unsigned long));
    const auto* s = reinterpret_cast<const unsigned long*>(start);
    switch (Path()) {
#if defined(__x86_64__)
    case KernelPath::Avx512: FillPowersAvx512(w, s, n, cls, begin, end, W); return;
    case KernelPath::Avx2: FillPowersAvx2(w, s, n, cls, begin, end, W); return;
#endif
    default: FillPowersPortable(w, s, n, cls, begin, end, W); return;
    }
}

bool ExpandPowers(const float* w, std::size_t m, std::size_t begin, std::size_t end, float* W)
{
    switch (Path()) {
#if defined(__x86_64__)
    case KernelPath::Avx512: return ExpandPowersAvx512(w, m, begin, end, W);
    case KernelPath::Avx2: return ExpandPowersAvx2(w, m, begin, end, W);
#endif
    default: return ExpandPowersPortable(w, m, begin, end, W);
    }
}

void ScalePowers(const float* T, float f, std::size_t n, float* out)
{
    switch (Path()) {
#if defined(__x86_64__)
    case KernelPath::Avx512: ScalePowersAvx512(T, f, n, out); return;
    case KernelPath::Avx2: ScalePowersAvx2(T, f, n, out); return;
#endif
    default: ScalePowersPortable(T, f, n, out); return;
    }
}

void IsotropicTFactors(const float* u, float q, std::size_t n, float* T)
{
    switch (Path()) {
#if defined(__x86_64__)
    case KernelPath::Avx512: IsotropicTFactorsAvx512(u, q, n, T); return;
    case KernelPath::Avx2: IsotropicTFactorsAvx2(u, q, n, T); return;
#endif
    default: IsotropicTFactorsPortable(u, q, n, T); return;
    }
}

float PhaseAngle(float h, float k, float l, float x, float y, float z)
{
    float t = h * x;
    t += k * y;
    t += l * z;
    return static_cast<float>(static_cast<double>(t) * kTwoPi);
}
