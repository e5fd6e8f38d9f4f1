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
    auto doc = CreateWindowInfo();
    auto dataset = CreateDataset();
    ReadDatasetStream(doc.get(), dataset.get(), file.get());
    return 0;
}
