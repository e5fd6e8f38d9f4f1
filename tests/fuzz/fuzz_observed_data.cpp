// Fuzz target: observed-data text files.
#include "Document.h"
#include "FuzzSupport.h"
#include "ObservedData.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInitOnce();
    FileHandle file = FuzzStream(data, size);
    if (!file)
        return 0;
    auto doc = CreateWindowInfo(PrefDataRec{});
    auto dataset = CreateDataset(PrefDataRec{});
    FileProblems problems;
    (void)ReadDatasetStream(doc.get(), dataset.get(), file.get(), PrefDataRec{}, problems);
    return 0;
}
