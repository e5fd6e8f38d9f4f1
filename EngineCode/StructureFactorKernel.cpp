// Vectorised structure-factor sums with a double-precision sine and cosine of our own, so that
// the loop has no calls and no branches. The polynomials are the classic minimax kernels on
// [-π/4, π/4] (accurate to about one unit in the last place); the argument is reduced with a
// three-part π/2, exact for the phase angles that occur (|φ| < 1e6).
#include "StructureFactorKernel.h"

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

// The same arithmetic for scalars and for vectors of four (GCC/Clang vector extensions).
template <typename D>
inline void SinCosKernel(const D& phi, D& s, D& c)
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

}  // namespace

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

__attribute__((target_clones("avx2", "default")))
void StructureFactorSums(const float* X, const float* Y, const float* Z, const float* W, std::size_t n, float h,
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
