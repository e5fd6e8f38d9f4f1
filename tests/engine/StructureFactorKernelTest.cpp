// The vectorised structure-factor sums against the plain formula, on every kernel path this
// processor can run.
#include "StructureFactorKernel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

const KernelPath kAllPaths[] = {KernelPath::Portable, KernelPath::Avx2, KernelPath::Avx512};

// Runs body once on each available path, then goes back to the best one.
template <typename Body>
void OnEachPath(Body body)
{
    int ran = 0;
    for (KernelPath path : kAllPaths) {
        if (!UseKernelPath(path))
            continue;
        SCOPED_TRACE(KernelPathName(path));
        body();
        ++ran;
    }
    UseKernelPath(BestKernelPath());
    EXPECT_GE(ran, 1);
}

}  // namespace

// An unoptimised build called the sine-cosine kernel out of line from the AVX2 clone of the sums,
// passing its vectors by the wrong convention: every sum over four or more atoms was garbage.
TEST(StructureFactorKernel, SumsEqualThePlainFormulaInEveryBuild)
{
    constexpr int n = 9;  // two vectors of four and one atom on its own
    float X[n], Y[n], Z[n], W[n];
    for (int j = 0; j < n; ++j) {
        X[j] = 0.1f * j;
        Y[j] = 0.05f * j;
        Z[j] = 0.3f - 0.02f * j;
        W[j] = 1.0f + 0.5f * j;
    }
    double a = 0, b = 0;
    for (int j = 0; j < n; ++j) {
        const double phi = 2 * 3.14159265358979323846 * (1.0 * X[j] + 2.0 * Y[j] + 3.0 * Z[j]);
        a += W[j] * std::cos(phi);
        b += W[j] * std::sin(phi);
    }
    OnEachPath([&] {
        double A = 0, B = 0;
        StructureFactorSums(X, Y, Z, W, n, 1, 2, 3, A, B);
        EXPECT_NEAR(A, a, 1e-4);
        EXPECT_NEAR(B, b, 1e-4);
    });
}

// One atom of weight 1: the sums are the cosine and sine of its phase, which must be those of the
// single-precision angle to a few units in the last place however large it is (range reduction),
// in every quadrant and on both sides of zero.
TEST(StructureFactorKernel, SineAndCosineOfLargeAndSmallPhases)
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> unit(0, 1);
    const float indices[] = {0, 1, -1, 3, -7, 40, -125, 400, 2000, -16000, 32000};
    OnEachPath([&] {
        double worst = 0;
        for (float h : indices)
            for (int trial = 0; trial < 200; ++trial) {
                const float x = unit(rng), y = unit(rng) - 0.5f;
                const float one = 1, zero = 0;
                double A, B;
                StructureFactorSums(&x, &y, &zero, &one, 1, h, -h / 2, 0, A, B);
                const double phi = PhaseAngle(h, -h / 2, 0, x, y, 0);
                worst = std::max({worst, std::fabs(A - std::cos(phi)), std::fabs(B - std::sin(phi))});
            }
        EXPECT_LT(worst, 2.5e-7);  // about 4 units in the last place of single precision
    });
}

// Many atoms, lengths that leave every kind of remainder after whole vectors, and a second set of
// weights: each sum within what single-precision sines allow, against libm on the same angles.
TEST(StructureFactorKernel, LongSumsWithEveryRemainderAndTwoSetsOfWeights)
{
    std::mt19937 rng(17);
    std::uniform_real_distribution<float> unit(0, 1);
    const std::size_t lengths[] = {0, 1, 3, 7, 8, 15, 16, 17, 31, 33, 63, 64, 65, 129, 1000, 4099};
    std::vector<float> X(4099), Y(4099), Z(4099), W(4099), W2(4099);
    for (std::size_t j = 0; j < X.size(); ++j) {
        X[j] = unit(rng);
        Y[j] = unit(rng);
        Z[j] = unit(rng);
        W[j] = 0.5f + 30 * unit(rng);
        W2[j] = -2 + 4 * unit(rng);
    }
    const float h = 37, k = -12, l = 53;
    OnEachPath([&] {
        for (std::size_t n : lengths) {
            double ref[4] = {}, mag = 0, mag2 = 0;
            for (std::size_t j = 0; j < n; ++j) {
                const double phi = PhaseAngle(h, k, l, X[j], Y[j], Z[j]);
                ref[0] += W[j] * std::cos(phi);
                ref[1] += W[j] * std::sin(phi);
                ref[2] += W2[j] * std::cos(phi);
                ref[3] += W2[j] * std::sin(phi);
                mag += W[j];
                mag2 += std::fabs(W2[j]);
            }
            double out[4] = {-1, -1, -1, -1};
            StructureFactorSums(X.data(), Y.data(), Z.data(), W.data(), W2.data(), n, h, k, l, out);
            // A few units in the last place of every term at most, added up.
            EXPECT_NEAR(out[0], ref[0], 3e-7 * mag + 1e-12) << n;
            EXPECT_NEAR(out[1], ref[1], 3e-7 * mag + 1e-12) << n;
            EXPECT_NEAR(out[2], ref[2], 3e-7 * mag2 + 1e-12) << n;
            EXPECT_NEAR(out[3], ref[3], 3e-7 * mag2 + 1e-12) << n;
            double A, B;
            StructureFactorSums(X.data(), Y.data(), Z.data(), W.data(), n, h, k, l, A, B);
            EXPECT_EQ(A, out[0]);
            EXPECT_EQ(B, out[1]);
        }
    });
}

TEST(StructureFactorKernel, AtomPowersFromLongAndShortRunsOfClasses)
{
    // Class 0: 100 atoms, then ten classes of one atom, then one of 37.
    std::vector<std::size_t> start = {0, 100};
    for (int c = 0; c < 10; ++c)
        start.push_back(start.back() + 1);
    start.push_back(start.back() + 37);
    const std::size_t nClasses = start.size() - 1, nAtoms = start.back();
    std::vector<float> w(nClasses);
    std::vector<int> cls(nAtoms);
    for (std::size_t c = 0; c < nClasses; ++c) {
        w[c] = 1.5f + static_cast<float>(c);
        for (std::size_t i = start[c]; i < start[c + 1]; ++i)
            cls[i] = static_cast<int>(c);
    }
    OnEachPath([&] {
        // Blocks that are all one class, that cross many short runs, and the whole.
        const std::pair<std::size_t, std::size_t> blocks[] = {{0, 100}, {3, 67}, {95, 115}, {105, 147}, {0, nAtoms}};
        for (auto [begin, end] : blocks) {
            std::vector<float> W(end - begin, -1);
            FillPowers(w.data(), start.data(), nClasses, cls.data(), begin, end, W.data());
            for (std::size_t i = begin; i < end; ++i)
                ASSERT_EQ(W[i - begin], w[static_cast<std::size_t>(cls[i])]) << begin << ".." << end << " atom " << i;
        }
    });
}

// Temperature factors exp(−B/(4d²)) from the single-precision exponential: within a few parts in
// 10⁷ of the C library's over the B values and d-spacings of real structures (plus the rounding
// of the exponent x to single precision, |x| parts in 10⁷), with every remainder of a vector, and
// clamped at the ends of its range; and the exponentials in double rounded to single.
TEST(StructureFactorKernel, TemperatureFactorsMatchTheLibraryExponential)
{
    std::vector<float> u;
    for (int i = 0; i < 77; ++i)
        u.push_back(-2.0f + 0.37f * static_cast<float>(i));  // B from −2 to 26 Å², one not a multiple of 16
    u.push_back(0.0f);
    OnEachPath([&] {
        for (double d : {0.35, 0.8, 1.5, 4.0, 25.0}) {
            const float q = static_cast<float>(0.25 / (d * d));
            for (std::size_t n : {std::size_t(1), std::size_t(15), u.size()}) {
                std::vector<float> T(n, -1);
                IsotropicTFactors(u.data(), q, n, T.data());
                for (std::size_t i = 0; i < n; ++i) {
                    const double x = -static_cast<double>(u[i]) * q;
                    const double expected = std::exp(x);
                    EXPECT_NEAR(T[i], expected, (2e-7 + 1.2e-7 * std::fabs(x)) * expected) << "B " << u[i] << " d " << d;
                }
            }
        }
        const std::vector<double> x = {-800, -90, -30.5, -1e-3, 0, 0.25, 5, 80};
        std::vector<float> out(x.size());
        ExpToFloat(x.data(), out.data(), x.size());
        for (std::size_t i = 0; i < x.size(); ++i)
            EXPECT_NEAR(out[i], static_cast<float>(std::exp(std::max(x[i], -700.0))),
                        2e-7 * std::exp(std::max(x[i], -700.0)))
                << x[i];
    });
    const float big[] = {-1000.0f, 1000.0f};  // clamped: finite, no NaN
    float T[2];
    IsotropicTFactors(big, 1.0f, 2, T);
    EXPECT_TRUE(std::isfinite(T[0]) && std::isfinite(T[1]));
    EXPECT_GT(T[0], 1e37f);
    EXPECT_LT(T[1], 1e-37f);
}

// Classes of m atoms each: the powers of the atoms are those of their classes, by shuffles where
// m divides the vector width, and refused (nothing written) where it does not.
TEST(StructureFactorKernel, PowersOfClassesOfEqualSize)
{
    std::vector<float> w(300 + 16);
    for (std::size_t c = 0; c < w.size(); ++c)
        w[c] = 0.25f + static_cast<float>(c);
    OnEachPath([&] {
        const int lanes = CurrentKernelPath() == KernelPath::Avx512 ? 16 : CurrentKernelPath() == KernelPath::Avx2 ? 8 : 4;
        for (std::size_t m : {2, 3, 4, 8, 16}) {
            for (auto [begin, end] : {std::pair<std::size_t, std::size_t>{0, 300}, {32, 77}, {256, 300}}) {
                std::vector<float> W(end - begin, -1);
                const bool done = ExpandPowers(w.data(), m, begin, end, W.data());
                EXPECT_EQ(done, static_cast<int>(m) <= lanes && lanes % static_cast<int>(m) == 0) << "m " << m;
                if (!done) {
                    EXPECT_EQ(W[0], -1.0f);
                    continue;
                }
                for (std::size_t i = begin; i < end; ++i)
                    ASSERT_EQ(W[i - begin], w[i / m]) << "m " << m << ", atom " << i;
            }
        }
    });
}

TEST(StructureFactorKernel, PathsOnOffer)
{
    EXPECT_TRUE(KernelPathAvailable(KernelPath::Portable));
    EXPECT_TRUE(KernelPathAvailable(BestKernelPath()));
    if (KernelPathAvailable(KernelPath::Avx512)) {
        EXPECT_EQ(BestKernelPath(), KernelPath::Avx512);
    }
    const KernelPath before = CurrentKernelPath();
    for (KernelPath path : kAllPaths)
        EXPECT_EQ(UseKernelPath(path), KernelPathAvailable(path));
    UseKernelPath(before);
    EXPECT_EQ(CurrentKernelPath(), before);
}

// The ideal loop of the benchmarks sums the same sines and cosines.
TEST(StructureFactorKernel, IdealLoopSumsSinesAndCosines)
{
    std::vector<float> phi(64);
    double a = 0, b = 0;
    for (std::size_t i = 0; i < phi.size(); ++i) {
        phi[i] = -50.0f + 1.7f * static_cast<float>(i);
        a += std::cos(static_cast<double>(phi[i]));
        b += std::sin(static_cast<double>(phi[i]));
    }
    OnEachPath([&] {
        double out[2];
        IdealSinCosSums(phi.data(), phi.size(), 3, out);
        EXPECT_NEAR(out[0], 3 * a, 1e-5);
        EXPECT_NEAR(out[1], 3 * b, 1e-5);
    });
}
