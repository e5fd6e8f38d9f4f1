// Fuzz target: a whole crystal file of any version, as opened from disk.
#include "CrystalFile.h"
#include "Document.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInitOnce();
    FileHandle file = FuzzStream(data, size);
    if (!file)
        return 0;
    auto doc = CreateWindowInfo(PrefDataRec{});
    auto crystal = CreateCrystal(PrefDataRec{});
    FileProblems problems;
    (void)ReadCrystalStream(doc.get(), crystal.get(), file.get(), problems);
    return 0;
}
