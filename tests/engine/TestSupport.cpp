// Helpers shared by the engine tests.
#include "TestSupport.h"

#include "Resources.h"
#include "ScatteringTable.h"
#include "StringTable.h"

bool LoadShippedStrings()
{
    const std::string path = FindResourceFile("strings");
    return !path.empty() && LoadStringTable(path);
}

bool LoadShippedScatteringTable()
{
    ResetASFactors();
    FileProblems ignored;  // an empty table shows in the results
    ReadASFactors(ignored);
    return gNumASF > 0;
}

#include "Document.h"
#include "Globals.h"
#include "Profile.h"

#include <random>

std::unique_ptr<CrystalDataRec> MakeCrystal(float a, float b, float c, float alpha, float beta, float gamma, char ltyp)
{
    InitVLGlobals();
    auto xp = CreateCrystal(PrefDataRec{});
    xp->a = a;
    xp->b = b;
    xp->c = c;
    xp->alpha = alpha;
    xp->beta = beta;
    xp->gamma = gamma;
    xp->ltyp = ltyp;
    return xp;
}

InputDataRec& AddSite(CrystalDataRec* xp, const char* symbol, float occupancy, const std::vector<Position>& positions)
{
    InputDataRec site = gBlankAU;
    SetSiteLabel(&site, symbol);
    site.occupant[0] = {PackSymbol(symbol), 0, occupancy};
    site.include = true;
    site.pos = xp->nAtoms();
    site.numInCell = static_cast<AtomIndex>(positions.size());
    site.lastInRange = site.pos + site.numInCell - 1;
    for (const Position& p : positions)
        xp->atoms.push_back(AtomDataRec{{p.x, p.y, p.z}});
    xp->AU.push_back(site);
    return xp->AU.back();
}

InputDataRec& AddSite(CrystalDataRec* xp, const char* symbol, float occupancy, std::initializer_list<Position> positions)
{
    return AddSite(xp, symbol, occupancy, std::vector<Position>(positions));
}

std::unique_ptr<CrystalDataRec> MakeRockSalt()
{
    auto xp = MakeCrystal(5.6402f, 5.6402f, 5.6402f, 90, 90, 90, 'F');
    AddSite(xp.get(), "Na", 1, {{0, 0, 0}, {0, 0.5f, 0.5f}, {0.5f, 0, 0.5f}, {0.5f, 0.5f, 0}});
    AddSite(xp.get(), "Cl", 1, {{0.5f, 0.5f, 0.5f}, {0.5f, 0, 0}, {0, 0.5f, 0}, {0, 0, 0.5f}});
    return xp;
}

std::unique_ptr<CrystalDataRec> MakeRandomCrystal(int nSites, int atomsPerSite, unsigned seed, float cellEdge)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    auto xp = MakeCrystal(cellEdge * 1.01f, cellEdge * 0.98f, cellEdge * 1.03f, 87.5f, 94.0f, 101.5f, 'P');
    const char* species[] = {"O", "Si", "Fe", "Ca", "Pb", "H", "Mg"};
    for (int s = 0; s < nSites; ++s) {
        std::vector<Position> positions;
        for (int a = 0; a < atomsPerSite; ++a)
            positions.push_back({unit(rng), unit(rng), unit(rng)});
        InputDataRec& site = AddSite(xp.get(), species[s % 7], 0.5f + 0.5f * unit(rng), positions);
        if (s % 5 == 1)
            site.occupant[1] = {PackSymbol("Mn"), 0, 0.3f};
        switch (s % 4) {
        case 0: site.adpType = kADPTypeUiso; site.uIso = 0.3f + 2.0f * unit(rng); break;
        case 1:
            site.adpType = kADPTypeUij;
            site.uAni[0][0] = 0.005f + 0.02f * unit(rng);
            site.uAni[1][1] = 0.005f + 0.02f * unit(rng);
            site.uAni[2][2] = 0.005f + 0.02f * unit(rng);
            site.uAni[0][1] = 0.002f * unit(rng);
            site.uAni[1][2] = -0.002f * unit(rng);
            site.uAni[0][2] = 0.001f * unit(rng);
            break;
        case 2:
            site.adpType = kADPTypeBij;
            site.uAni[0][0] = 0.002f;
            site.uAni[1][1] = 0.003f;
            site.uAni[2][2] = 0.0025f;
            site.uAni[0][1] = 0.0005f;
            site.uAni[1][2] = 0.0f;
            site.uAni[0][2] = -0.0004f;
            break;
        default: site.adpType = kADPTypeNone; break;
        }
        if (s % 11 == 3)
            site.include = false;
    }
    xp->hasEllipsoids = true;
    return xp;
}

CrystalDataRec* AddCrystalToDocument(WinInfoRec* w, std::unique_ptr<CrystalDataRec> xp, const char* name)
{
    auto pp = CreatePattern();
    pp->type = kPatternTypeCrystal;
    pp->crystal = std::move(xp);
    pp->name = name;
    pp->selected = true;
    CrystalDataRec* raw = pp->crystal.get();
    VLPatternPtr p = InsertPatternIntoFileListSorted(w, std::move(pp));
    InsertPatternIntoPlotList(w, p, nullptr);
    return raw;
}

void RecordingHooks::RedrawWindow(WinInfoRec* w, bool recalcProfiles, bool)
{
    ++redraws;
    recalcRedraws += recalcProfiles;
    autoScaledRedraws += w->autoScaleY;
    if (recalcProfiles && synthesiseProfiles)
        CalculateProfiles(w, 0, w->plotRect.Width() - 1, w->plotRect, false);
}
