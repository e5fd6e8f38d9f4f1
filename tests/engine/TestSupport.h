// Helpers shared by the engine tests.
#pragma once

// Loads the shipped string table; false when it is not found.
bool LoadShippedStrings();
// Loads the shipped scattering table (gNumASF > 0 afterwards); false when it is not found.
bool LoadShippedScatteringTable();

#include "Records.h"

#include <initializer_list>
#include <memory>
#include <vector>

#include "Document.h"

// A window stand-in that counts what the document asks of it. With synthesiseProfiles set it
// computes the profiles on a redraw that asks for them, as the real window's drawing does (the
// document's plotRect gives the pixel columns).
struct RecordingHooks : WindowHooks {
    bool synthesiseProfiles = false;
    int redraws = 0, recalcRedraws = 0, autoScaledRedraws = 0, parameterLists = 0, titles = 0;
    void RedrawWindow(WinInfoRec* w, bool recalcProfiles, bool showProgress) override;
    void RebuildParameterList(WinInfoRec*) override { ++parameterLists; }
    void UpdateWindowTitle(WinInfoRec*) override { ++titles; }
};

// A crystal with the given cell, centring and no sites yet.
std::unique_ptr<CrystalDataRec> MakeCrystal(float a, float b, float c, float alpha, float beta, float gamma,
                                            char ltyp = 'P');

struct Position {
    float x, y, z;
};

// Appends a site of one species with the given positions (all positions of the cell).
InputDataRec& AddSite(CrystalDataRec* xp, const char* symbol, float occupancy, std::initializer_list<Position> positions);
InputDataRec& AddSite(CrystalDataRec* xp, const char* symbol, float occupancy, const std::vector<Position>& positions);

// Rock salt, Fm-3m, a = 5.6402 Å: Na 0 0 0 and Cl ½ ½ ½ with all eight atoms of the cell.
std::unique_ptr<CrystalDataRec> MakeRockSalt();

// A structure of n atoms at random positions in a triclinic cell, with a mix of species, mixed
// sites and displacement-parameter kinds (fixed seed).
std::unique_ptr<CrystalDataRec> MakeRandomCrystal(int nSites, int atomsPerSite, unsigned seed, float cellEdge = 12.0f);

// Puts a crystal into a document as a plotted, selected pattern and returns it.
CrystalDataRec* AddCrystalToDocument(WinInfoRec* w, std::unique_ptr<CrystalDataRec> xp, const char* name);
