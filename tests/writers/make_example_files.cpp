// Writes the example crystal files in the sibling modelling program's format (examples/*.obdf,
// *.obd5) with the test writer, from example CIF files, so that the examples show that format
// too. Not part of the build's products; run by hand when the examples change:
//   build/bin/make_example_files examples
#include "CifImport.h"
#include "Globals.h"
#include "writers/CrystalFileWriter.h"

#include <cstdio>
#include <fstream>
#include <string>

using namespace testfiles;

namespace {

// The crystal record as the writer's description of a file.
CrystalSpec SpecOf(const CrystalDataRec& xp)
{
    CrystalSpec c;
    const float cell[6] = {xp.a, xp.b, xp.c, xp.alpha, xp.beta, xp.gamma};
    for (int i = 0; i < 6; ++i)
        c.cell[i] = cell[i];
    c.ltyp = xp.ltyp;
    c.spaceGroup = xp.spaceGroupSymbol;
    for (std::size_t s = 0; s < xp.AU.size(); ++s) {
        const InputDataRec& site = xp.AU[s];
        SiteSpec described;
        for (const SiteRec& o : site.occupant)
            if (o.occupancy > 0)
                described.occupants.emplace_back(SymbolToString(o.symbol), o.occupancy);
        described.label = site.label;
        for (int i = 0; i < 3; ++i)
            described.x[i] = site.x[i];
        described.numInCell = static_cast<std::uint32_t>(site.numInCell);
        described.adpType = site.adpType;
        described.uIso = site.uIso;
        const float u[6] = {site.uAni[0][0], site.uAni[1][1], site.uAni[2][2],
                            site.uAni[1][2], site.uAni[0][2], site.uAni[0][1]};
        for (int i = 0; i < 6; ++i)
            described.u[i] = u[i];
        c.sites.push_back(described);
        for (AtomIndex a = site.pos; a < site.pos + site.numInCell; ++a) {
            AtomSpec atom;
            atom.site = static_cast<std::uint32_t>(s);
            for (int i = 0; i < 3; ++i)
                atom.x[i] = xp.atoms[static_cast<std::size_t>(a)].x[i];
            c.atoms.push_back(atom);
        }
    }
    return c;
}

bool WriteExample(const std::string& folder, const char* cif, const char* out, const char* type, int version)
{
    CifImportResult result = ReadCifFile(folder + "/" + cif, PrefDataRec{});
    if (result.problem || result.crystals.size() != 1) {
        std::fprintf(stderr, "make_example_files: cannot read %s\n", cif);
        return false;
    }
    const CrystalDataRec& xp = *result.crystals[0].crystal;
    HeaderSpec header;
    header.type = type;
    header.formatVersion = version;
    header.version = std::to_string(version) + ".0.1";
    const std::vector<std::uint8_t> bytes =
        CrystalFileBytes(header, StandardBlocks(SpecOf(xp), version, xp.hasEllipsoids));
    std::ofstream file(folder + "/" + out, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        std::fprintf(stderr, "make_example_files: cannot write %s\n", out);
        return false;
    }
    std::printf("%s: %zu bytes from %s\n", out, bytes.size(), cif);
    return true;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_example_files EXAMPLES_FOLDER\n");
        return 2;
    }
    InitVLGlobals();
    const std::string folder = argv[1];
    const bool ok = WriteExample(folder, "corundum.cif", "corundum.obdf", "OBDF", 7) &&
                    WriteExample(folder, "baddeleyite.cif", "baddeleyite.obd5", "OBD5", 8);
    return ok ? 0 : 1;
}
