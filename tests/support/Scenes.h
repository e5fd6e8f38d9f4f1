// Reference scenes for the plot tests and benchmarks: documents built in memory from crystals
// made in code (rock salt, caesium chloride) and a synthetic measured pattern computed from their
// profiles plus noise.
#pragma once

#include "Document.h"

#include <memory>
#include <string>

// Loads the globals and the scattering table once; false when ASF.dat is missing.
bool InitSceneEngine();

// NaCl, Fm-3m, a = 5.6402 Å, and CsCl, Pm-3m, a = 4.123 Å.
std::unique_ptr<CrystalDataRec> MakeRockSalt();
std::unique_ptr<CrystalDataRec> MakeCaesiumChloride();

// Adds a crystal to the document (file list, plot list), diffracts it and equalises the phase
// proportions; returns its pattern.
VLPatternPtr AddSceneCrystal(WinInfoRec* doc, std::unique_ptr<CrystalDataRec> xp, const std::string& name,
                             const RGBColor& color);

// Adds a measured pattern made from the document's crystals: their profiles (with the
// document's settings) weighted by their volume fractions, sampled every step from xFrom to xTo,
// plus a flat background and noise (fixed seed), both as fractions of the highest calculated
// value. Returns its pattern; backgroundLevel receives the background in intensity units.
VLPatternPtr AddSyntheticDataset(WinInfoRec* doc, const std::string& name, double xFrom, double xTo, double step,
                                 double background, double noise, double* backgroundLevel = nullptr);

// A new document with the factory settings on a 2θ axis from 5 to 80 degrees, Cu Kα1.
std::unique_ptr<WinInfoRec> NewSceneDocument();

// The scenes.
std::unique_ptr<WinInfoRec> SceneEmpty();
std::unique_ptr<WinInfoRec> SceneOneCrystal();             // rock salt with hkl labels
std::unique_ptr<WinInfoRec> SceneTwoCrystalsAndData();     // two phases, data, residual, legend
std::unique_ptr<WinInfoRec> SceneMixture();                // the same as mixtures
std::unique_ptr<WinInfoRec> SceneFilm();                   // film mode with residual strip
std::unique_ptr<WinInfoRec> SceneOverlays(UInt16 overlayStyle);  // overlays with labels of every kind
std::unique_ptr<WinInfoRec> SceneAxis(SInt16 axisType);    // rock salt on the given x axis
std::unique_ptr<WinInfoRec> ScenePlotStyles();             // nine datasets, one per plot style

// The index of the strongest reflexion of a crystal.
int StrongestReflexion(const CrystalDataRec& xp);
