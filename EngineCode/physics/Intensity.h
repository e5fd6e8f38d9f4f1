// Structure factors and integrated intensities of the working reflexion list (Reflexions.h):
// the structure factor over all atoms of the cell, temperature factors, the Lorentz-polarisation
// factor of the angle-dispersive, energy-dispersive or time-of-flight experiment. Optionally
// writes the structure-factor lines of the report.
#pragma once

#include "Records.h"

#include <cstdio>

struct ReflexionWorkspace;
struct WinInfoRec;

// Temperature factor of one site for one reflexion (1 without displacement parameters).
Float32 GetSiteTFactor(const CrystalDataRec* xp, const InputDataRec* site, const ReflexionRec& ref);

// Groups of equal d whose summed intensity is below this are too weak to matter: merging drops
// them as a whole (MergeRefs), unless the structure-factor lines are being written.
inline constexpr Float32 kWeakReflexionLimit = 0.00001f;

// Computes inty of every working entry of work; entries beyond 2θ = 180° get dsp = 0. With fp, one
// line per entry is written to fp, ordered by descending d.
void Intensity(ReflexionWorkspace& work, WinInfoRec* theWindow, CrystalDataRec* xp, std::FILE* fp);

// Lorentz-polarisation factor and scale of one reflexion for the window's experiment (for
// neutrons the Lorentz factor without the X-ray polarisation term). Returns false when the
// reflexion cannot be diffracted (λ/2d > 1 on an angle axis).
bool LorentzFactor(const PlotSpecsRec& ps, Float32 dsp, double& scale, Float32& lp, Float32& theta);

// The wavelength (Å) at which anomalous scattering terms are added to the X-ray form factors, or
// 0 when none are: the option is off, the radiation is neutrons, or the axis is time of flight
// or energy (no single wavelength).
double AnomalousWavelength(const PlotSpecsRec& ps);

// Whether atoms of sites with the same occupants and displacement parameters share one
// scattering power per reflexion (the default), or each site has its own: the numbers are the
// same either way, to the rounding of double-precision sums (for tests and benchmarks).
void SetSiteGrouping(bool on);

// Number of threads the intensity and profile loops may use (0: all cores), for the whole
// program. A batch that already runs one calculation per core sets 1 while it runs.
void SetEngineThreadCount(int n);
int EngineThreadCount();
// Threads for about this much work, one per perThread units of it, within that count: below a
// few hundred thousand terms a second thread costs more than it saves.
int EngineThreadsFor(double work, double perThread);
