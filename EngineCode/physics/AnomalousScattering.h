// Anomalous (resonant) X-ray scattering: the real and imaginary corrections f' and f'' to an
// element's form factor at a given wavelength, from the Cromer–Liberman calculation.
#pragma once

// f' and f'' (electrons) of element z at wavelength lambdaAngstrom (Å). False, with both 0, for
// elements outside lithium to uranium or a wavelength that is not positive and finite.
bool AnomalousTerms(int z, double lambdaAngstrom, double& fp, double& fpp);

// The atomic number of an element symbol ("Pb", "O"); 0 when it names no element.
int AtomicNumberOf(const char* symbol);
