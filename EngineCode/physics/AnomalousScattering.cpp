// The one place of the physics library that uses gemmi: its header-only Cromer–Liberman code and
// element table.
#include "AnomalousScattering.h"

#include <gemmi/elem.hpp>
#include <gemmi/fprime.hpp>

#include <cmath>

namespace {
constexpr double kHcElectronVoltAngstrom = 12398.4197;
}  // namespace

bool AnomalousTerms(int z, double lambdaAngstrom, double& fp, double& fpp)
{
    fp = 0;
    fpp = 0;
    if (z < 3 || z > 92 || !std::isfinite(lambdaAngstrom) || !(lambdaAngstrom > 0))
        return false;
    const double energy = kHcElectronVoltAngstrom / lambdaAngstrom;
    double imaginary = 0;
    const double real = gemmi::cromer_liberman(z, energy, &imaginary);
    if (!std::isfinite(real) || !std::isfinite(imaginary))
        return false;
    fp = real;
    fpp = imaginary;
    return true;
}

int AtomicNumberOf(const char* symbol)
{
    if (!symbol || !*symbol)
        return 0;
    return gemmi::Element(symbol).atomic_number();
}
