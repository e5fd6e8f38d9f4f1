// Fuzz target: the reader of crystal files of format versions 2 to 4.
#include "Document.h"
#include "FuzzSupport.h"
#include "LegacyCrystalFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInitOnce();
    FileHandle file = FuzzStream(data, size);
    if (!file)
        return 0;
    auto doc = CreateWindowInfo(PrefDataRec{});
    auto crystal = CreateCrystal(PrefDataRec{});
    FileProblems problems;
    (void)ReadOldCrystal(doc.get(), crystal.get(), file.get(), problems);
    return 0;
}
