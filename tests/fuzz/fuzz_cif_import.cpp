// Fuzz target: CIF files, through the importer the program reads them with (gemmi behind it).
#include "CifImport.h"
#include "FuzzSupport.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInitOnce();
    const CifImportResult result = ReadCifText(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.cif", PrefDataRec{});
    // A crystal that came through is there, within the importer's limit of positions.
    for (const CifCrystal& c : result.crystals)
        if (!c.crystal || c.crystal->atoms.size() > static_cast<std::size_t>(kCifMaxAtomsInCell))
            __builtin_trap();
    return 0;
}
