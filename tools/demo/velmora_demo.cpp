// A small demonstration of the engine: a structure simulated with Cu Kα1 X-rays, its reflexions
// printed as a table. The structure is the first crystal of the CIF file named on the command line,
// or rock salt built in. Stands in for the command-line tool until it exists.
#include "CifImport.h"
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "Profile.h"
#include "Records.h"
#include "ScatteringTable.h"
#include "TextFormat.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

// Rock salt (NaCl), F m -3 m, a = 5.6402 Å, with its eight atoms written out.
std::unique_ptr<CrystalDataRec> RockSalt()
{
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

    return crystal;
}

}  // namespace

int main(int argc, char** argv)
{
    InitVLGlobals();
    ReadASFactors();
    if (gNumASF == 0) {
        std::fprintf(stderr, "velmora-demo: the scattering table ASF.dat was not found\n");
        return 1;
    }
    std::string title = "Rock salt (NaCl)";
    std::unique_ptr<CrystalDataRec> crystal;
    if (argc > 1) {
        CifImportResult cif = ReadCifFile(argv[1]);
        if (cif.problem) {
            std::fprintf(stderr, "velmora-demo: %s\n", DescribeImportProblem(cif.problem).c_str());
            return 1;
        }
        title = cif.crystals.front().name;
        crystal = std::move(cif.crystals.front().crystal);
    } else {
        crystal = RockSalt();
    }

    auto doc = CreateWindowInfo();
    JustDiffract(doc.get(), crystal.get(), nullptr);
    std::printf("%s, %s, a b c = %s %s %s A, Cu Ka1 (1.5405 A), X-rays\n", title.c_str(), crystal->spaceGroupSymbol,
                FormatFixed(crystal->a, 0, 4).c_str(), FormatFixed(crystal->b, 0, 4).c_str(),
                FormatFixed(crystal->c, 0, 4).c_str());
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
