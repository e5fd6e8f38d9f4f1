// Fuzz target: the preferences file.
#include "FuzzSupport.h"
#include "PrefsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInitOnce();
    FileHandle file = FuzzStream(data, size);
    if (!file)
        return 0;
    PrefDataRec prefs = gFactoryPrefs;
    ReadPrefsStream(file.get(), &prefs);
    return 0;
}
