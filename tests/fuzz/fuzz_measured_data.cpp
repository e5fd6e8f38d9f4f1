// Fuzz target: diffractometer files, through the measured-data importer (xylib's readers on the
// file's contents in memory). The first byte picks the file name the reader is given, the second
// the block asked for; the rest is the file.
#include "FuzzSupport.h"
#include "MeasuredDataImport.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInitOnce();
    if (size < 2)
        return 0;
    const char* name = kFuzzMeasuredDataNames[data[0] % kFuzzMeasuredDataNameCount];
    const int block = data[1] % 4;
    const std::string contents(reinterpret_cast<const char*>(data) + 2, size - 2);
    const MeasuredDataResult result = ReadMeasuredData(contents, name, PrefDataRec{}, block);
    // A dataset that came through has its x and intensity for every point.
    if (result.dataset && result.dataset->x.size() != result.dataset->profile.size())
        __builtin_trap();
    return 0;
}
