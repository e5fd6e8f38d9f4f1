// Structure factors and integrated intensities of the working reflexion list (Reflexions.h):
// the structure factor over all atoms of the cell, temperature factors, the Lorentz-polarisation
// factor of the angle-dispersive, energy-dispersive or time-of-flight experiment, and the removal
// of reflexions too weak to matter. Optionally writes the structure-factor lines of the report.
#pragma once

#include "Records.h"

#include <cstdio>

struct WinInfoRec;

// Temperature factor of one site for one reflexion (1 without displacement parameters).
Float32 GetSiteTFactor(const CrystalDataRec* xp, const InputDataRec* site, const ReflexionRec& ref);

// Computes inty of every working entry; weak entries (inty < 0.00001) and entries beyond
// 2θ = 180° get dsp = 0. With fp, weak entries stay and one line per entry is written to fp,
// ordered by descending d.
void Intensity(WinInfoRec* theWindow, CrystalDataRec* xp, std::FILE* fp);

// Lorentz-polarisation factor and scale of one reflexion for the window's experiment. Returns
// false when the reflexion cannot be diffracted (λ/2d > 1 on an angle axis).
bool LorentzFactor(const PlotSpecsRec& ps, Float32 dsp, double& scale, Float32& lp, Float32& theta);

// Number of threads the intensity loop may use on the calling thread (0: all cores). A batch
// that already runs one calculation per core sets 1 on each worker.
void SetEngineThreadCount(int n);
int EngineThreadCount();
