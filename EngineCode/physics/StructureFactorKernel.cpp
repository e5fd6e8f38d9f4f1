// Vectorised structure-factor sums with a double-precision sine and cosine of our own, so that
// the loop has no calls and no branches. The polynomials are the classic minimax kernels on
// [-π/4, π/4] (accurate to about one unit in the last place); the argument is reduced with a
// three-part π/2, exact for the phase angles that occur (|φ| < 1e6).
#include "StructureFactorKernel.h"

// The vector helpers below are inlined into functions compiled for each processor; the ABI of
// their (never emitted) out-of-line forms does not matter.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

constexpr double kTwoPi = 6.28318530718;
constexpr double kTwoOverPi = 6.36619772367581382433e-01;
constexpr double kPio2_1 = 1.57079632673412561417e+00;  // first 33 bits of π/2
constexpr double kPio2_2 = 6.07710050630396597660e-11;  // next 33 bits
constexpr double kPio2_3 = 2.02226624871116645580e-21;  // the rest
constexpr double kRoundMagic = 6755399441055744.0;      // 1.5 × 2^52: adding it rounds to an integer

constexpr double S1 = -1.66666666666666324348e-01;
constexpr double S2 = 8.33333333332248946124e-03;
constexpr double S3 = -1.98412698298579493134e-04;
constexpr double S4 = 2.75573137070700676789e-06;
constexpr double S5 = -2.50507602534068634195e-08;
constexpr double S6 = 1.58969099521155010221e-10;
constexpr double C1 = 4.16666666666666019037e-02;
constexpr double C2 = -1.38888888888741095749e-03;
constexpr double C3 = 2.48015872894767294178e-05;
constexpr double C4 = -2.75573143513906633035e-07;
constexpr double C5 = 2.08757232129817482790e-09;
constexpr double C6 = -1.13596475577881948265e-11;

// The same arithmetic for scalars and for vectors of four (GCC/Clang vector extensions). Always
// inlined: called out of line from the AVX2 clone below (as an unoptimised build does), the
// vector arguments would cross between two calling conventions and arrive as garbage.
template <typename D>
__attribute__((always_inline)) inline void SinCosKernel(const D& phi, D& s, D& c)
{
    // n = nearest integer to φ·2/π; m = floor(n/4) by the same rounding trick; q = n − 4m.
    const D n = (phi * kTwoOverPi + kRoundMagic) - kRoundMagic;
    const D m = ((n - 1.5) * 0.25 + kRoundMagic) - kRoundMagic;
    const D q = n - 4.0 * m;
    const D r = ((phi - n * kPio2_1) - n * kPio2_2) - n * kPio2_3;
    const D z = r * r;
    const D sinr = r + r * z * (S1 + z * (S2 + z * (S3 + z * (S4 + z * (S5 + z * S6)))));
    const D cosr = 1.0 - 0.5 * z + z * z * (C1 + z * (C2 + z * (C3 + z * (C4 + z * (C5 + z * C6)))));
    // Quadrant q: sin φ = sinr, cosr, −sinr, −cosr; cos φ = cosr, −sinr, −cosr, sinr.
    if constexpr (sizeof(D) == sizeof(double)) {
        const bool odd = q == 1.0 || q == 3.0;
        const D sv = odd ? cosr : sinr;
        const D cv = odd ? sinr : cosr;
        s = q >= 2.0 ? -sv : sv;
        c = (q == 1.0 || q == 2.0) ? -cv : cv;
    } else {
        const auto odd = (q == 1.0) | (q == 3.0);
        const D sv = odd ? cosr : sinr;
        const D cv = odd ? sinr : cosr;
        s = (q >= 2.0) ? -sv : sv;
        c = ((q == 1.0) | (q == 2.0)) ? -cv : cv;
    }
}

typedef double v4d __attribute__((vector_size(32)));
typedef float v4f __attribute__((vector_size(16)));
typedef long long v4l __attribute__((vector_size(32)));

constexpr double kLog2e = 1.44269504088896338700e+00;
constexpr double kLn2Hi = 6.93147180369123816490e-01;  // ln 2, first 32 bits
constexpr double kLn2Lo = 1.90821492927058770002e-10;  // the rest

// exp(x) for |x| <= 700: x = n ln 2 + r with |r| <= ln 2 / 2, e^r by its Taylor series to r^13
// (truncation below 2e-16), times 2^n built in the exponent bits.
__attribute__((always_inline)) inline void ExpKernel(const v4d& argument, v4d& result)
{
    v4d x = argument;
    x = x < -700.0 ? v4d{-700, -700, -700, -700} : x;
    x = x > 700.0 ? v4d{700, 700, 700, 700} : x;
    const v4d shifted = x * kLog2e + kRoundMagic;
    const v4d n = shifted - kRoundMagic;
    const v4d r = (x - n * kLn2Hi) - n * kLn2Lo;
    constexpr double kInv13 = 1.0 / 6227020800.0;  // 1/13!
    v4d p = {kInv13, kInv13, kInv13, kInv13};
    constexpr double kInvFactorial[13] = {1.0 / 479001600.0, 1.0 / 39916800.0, 1.0 / 3628800.0, 1.0 / 362880.0,
                                          1.0 / 40320.0,     1.0 / 5040.0,     1.0 / 720.0,     1.0 / 120.0,
                                          1.0 / 24.0,        1.0 / 6.0,        0.5,             1.0,
                                          1.0};
    for (double c : kInvFactorial)
        p = p * r + c;
    // 2^n: the integer n + 1023 sits in the low bits of (n + 1023 + magic).
    const v4d biased = n + (1023.0 + kRoundMagic);
    const v4l bits = ((v4l)biased - (v4l)(v4d{kRoundMagic, kRoundMagic, kRoundMagic, kRoundMagic})) << 52;
    result = p * (v4d)bits;
}

}  // namespace

namespace {

// The vector loops are compiled twice, for processors with AVX2 and for any x86-64, and the
// right copy is chosen once at run time.
bool HasAvx2()
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
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

__attribute__((target("avx2"))) void ExpToFloatAvx2(const double* x, float* out, std::size_t n)
{
    ExpToFloatBody(x, out, n);
}

void ExpToFloatPortable(const double* x, float* out, std::size_t n)
{
    ExpToFloatBody(x, out, n);
}
}  // namespace

void ExpToFloat(const double* x, float* out, std::size_t n)
{
    if (HasAvx2())
        ExpToFloatAvx2(x, out, n);
    else
        ExpToFloatPortable(x, out, n);
}

namespace {
__attribute__((always_inline)) inline void IsotropicExponentsBody(const float* uIso, std::size_t n, double d2, double* out)
{
    for (std::size_t i = 0; i < n; ++i)
        out[i] = -0.25 * uIso[i] / d2;
}

__attribute__((target("avx2"))) void IsotropicExponentsAvx2(const float* uIso, std::size_t n, double d2, double* out)
{
    IsotropicExponentsBody(uIso, n, d2, out);
}

void IsotropicExponentsPortable(const float* uIso, std::size_t n, double d2, double* out)
{
    IsotropicExponentsBody(uIso, n, d2, out);
}
}  // namespace

void IsotropicExponents(const float* uIso, std::size_t n, double d2, double* out)
{
    if (HasAvx2())
        IsotropicExponentsAvx2(uIso, n, d2, out);
    else
        IsotropicExponentsPortable(uIso, n, d2, out);
}

namespace {
__attribute__((always_inline)) inline void SitePowersBody(const float* kindF, const int* kind, const float* T, std::size_t n, float* siteF, const int* siteOf,
                std::size_t m, float* W)
{
    if (T) {
        for (std::size_t i = 0; i < n; ++i)
            siteF[i] = kindF[kind[i]] * T[i];
    } else {
        for (std::size_t i = 0; i < n; ++i)
            siteF[i] = kindF[kind[i]];
    }
    for (std::size_t j = 0; j < m; ++j)
        W[j] = siteF[siteOf[j]];
}

__attribute__((target("avx2"))) void SitePowersAvx2(const float* kindF, const int* kind, const float* T, std::size_t n, float* siteF, const int* siteOf, std::size_t m, float* W)
{
    SitePowersBody(kindF, kind, T, n, siteF, siteOf, m, W);
}

void SitePowersPortable(const float* kindF, const int* kind, const float* T, std::size_t n, float* siteF, const int* siteOf, std::size_t m, float* W)
{
    SitePowersBody(kindF, kind, T, n, siteF, siteOf, m, W);
}
}  // namespace

void SitePowers(const float* kindF, const int* kind, const float* T, std::size_t n, float* siteF, const int* siteOf, std::size_t m, float* W)
{
    if (HasAvx2())
        SitePowersAvx2(kindF, kind, T, n, siteF, siteOf, m, W);
    else
        SitePowersPortable(kindF, kind, T, n, siteF, siteOf, m, W);
}

float PhaseAngle(float h, float k, float l, float x, float y, float z)
{
    float t = h * x;
    t += k * y;
    t += l * z;
    return static_cast<float>(static_cast<double>(t) * kTwoPi);
}

void PhaseSinCos(double phi, double& s, double& c)
{
    SinCosKernel(phi, s, c);
}

namespace {
__attribute__((always_inline)) inline void StructureFactorSumsBody(const float* X, const float* Y, const float* Z, const float* W, std::size_t n, float h,
                         float k, float l, double& A, double& B)
{
    v4d accA = {0, 0, 0, 0}, accB = {0, 0, 0, 0};
    const v4f hv = {h, h, h, h}, kv = {k, k, k, k}, lv = {l, l, l, l};
    std::size_t j = 0;
    for (; j + 4 <= n; j += 4) {
        v4f x, y, z, w;
        __builtin_memcpy(&x, X + j, sizeof x);
        __builtin_memcpy(&y, Y + j, sizeof y);
        __builtin_memcpy(&z, Z + j, sizeof z);
        __builtin_memcpy(&w, W + j, sizeof w);
        v4f t = hv * x;
        t += kv * y;
        t += lv * z;
        const v4f phiF = __builtin_convertvector(__builtin_convertvector(t, v4d) * kTwoPi, v4f);
        v4d s, c;
        SinCosKernel(__builtin_convertvector(phiF, v4d), s, c);
        const v4d wd = __builtin_convertvector(w, v4d);
        accA += wd * c;
        accB += wd * s;
    }
    double a = (accA[0] + accA[1]) + (accA[2] + accA[3]);
    double b = (accB[0] + accB[1]) + (accB[2] + accB[3]);
    for (; j < n; ++j) {
        double s, c;
        SinCosKernel(static_cast<double>(PhaseAngle(h, k, l, X[j], Y[j], Z[j])), s, c);
        a += static_cast<double>(W[j]) * c;
        b += static_cast<double>(W[j]) * s;
    }
    A = a;
    B = b;
}

__attribute__((target("avx2"))) void StructureFactorSumsAvx2(const float* X, const float* Y, const float* Z, const float* W, std::size_t n, float h, float k, float l, double& A, double& B)
{
    StructureFactorSumsBody(X, Y, Z, W, n, h, k, l, A, B);
}

void StructureFactorSumsPortable(const float* X, const float* Y, const float* Z, const float* W, std::size_t n, float h, float k, float l, double& A, double& B)
{
    StructureFactorSumsBody(X, Y, Z, W, n, h, k, l, A, B);
}
}  // namespace

void StructureFactorSums(const float* X, const float* Y, const float* Z, const float* W, std::size_t n, float h, float k, float l, double& A, double& B)
{
    if (HasAvx2())
        StructureFactorSumsAvx2(X, Y, Z, W, n, h, k, l, A, B);
    else
        StructureFactorSumsPortable(X, Y, Z, W, n, h, k, l, A, B);
}
