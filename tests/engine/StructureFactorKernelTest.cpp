// The vectorised structure-factor sums against the plain formula.
#include "StructureFactorKernel.h"

#include <gtest/gtest.h>

#include <cmath>

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
    double A = 0, B = 0;
    StructureFactorSums(X, Y, Z, W, n, 1, 2, 3, A, B);
    double a = 0, b = 0;
    for (int j = 0; j < n; ++j) {
        const double phi = 2 * 3.14159265358979323846 * (1.0 * X[j] + 2.0 * Y[j] + 3.0 * Z[j]);
        a += W[j] * std::cos(phi);
        b += W[j] * std::sin(phi);
    }
    EXPECT_NEAR(A, a, 1e-4);
    EXPECT_NEAR(B, b, 1e-4);
}
