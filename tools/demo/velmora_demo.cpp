// A small demonstration of the engine: rock salt simulated with Cu Kα1 X-rays, its reflexions
// printed as a table. Stands in for the command-line tool until it exists.
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "Profile.h"
#include "Records.h"
#include "ScatteringTable.h"
#include "TextFormat.h"

#include <cstdio>

int main()
{
    InitVLGlobals();
    ReadASFactors();
    if (gNumASF == 0) {
        std::fprintf(stderr, "velmora-demo: the scattering table ASF.dat was not found\n");
        return 1;
    }

    auto doc = CreateWindowInfo();
    auto crystal = CreateCrystal();
    crystal->a = crystal->b = crystal->c = 5.6402f;
    crystal->alpha = crystal->beta = crystal->gamma = 90.0f;
    crystal->ltyp = 'F';
    SetSpaceGroupSymbol(crystal.get(), "F m -3 m");
    CreateAsymmetricUnit(crystal.get(), 2);
    const char* symbols[2] = {"Na", "Cl"};
    const float origin[2][3] = {{0, 0, 0}, {0.5f, 0.5f, 0.5f}};
    const float centring[4][3] = {{0, 0, 0}, {0, 0.5f, 0.5f}, {0.5f, 0, 0.5f}, {0.5f, 0.5f, 0}};
    CreateAtomsArray(crystal.get(), 8);
    for (int s = 0; s < 2; ++s) {
        InputDataRec& site = crystal->AU[static_cast<std::size_t>(s)];
        SetSiteLabel(&site, symbols[s]);
        site.occupant[0].symbol = PackSymbol(symbols[s]);
        site.occupant[0].occupancy = 1;
        site.include = true;
        site.pos = 4 * s;
        site.numInCell = 4;
        for (int c = 0; c < 4; ++c)
            for (int i = 0; i < 3; ++i) {
                float v = origin[s][i] + centring[c][i];
                crystal->atoms[static_cast<std::size_t>(4 * s + c)].x[i] = v >= 1 ? v - 1 : v;
            }
    }

    JustDiffract(doc.get(), crystal.get(), nullptr);
    std::printf("Rock salt (NaCl), Fm-3m, a = 5.6402 A, Cu Ka1 (1.5405 A), X-rays\n");
    std::printf("volume %.3f A^3, density %.1f kg/m^3, %d reflexions\n\n", crystal->volume, crystal->density,
                crystal->nRefs());
    std::printf("   h   k   l   mul   d [A]   2theta   I/Imax [%%]\n");
    for (const ReflexionRec& r : crystal->refs) {
        if (r.tth > 80)
            break;
        std::printf("%s%s%s%s %s %s %s\n", FormatInt(r.h, 4).c_str(), FormatInt(r.k, 4).c_str(),
                    FormatInt(r.l, 4).c_str(), FormatInt(r.mul, 6).c_str(), FormatFixed(r.dsp, 7, 4).c_str(),
                    FormatFixed(r.tth, 8, 3).c_str(), FormatFixed(100.0 * r.inty / crystal->intMax, 10, 1).c_str());
    }
    return 0;
}
