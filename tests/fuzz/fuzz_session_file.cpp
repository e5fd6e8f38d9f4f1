// Fuzz target: session files. The parse is fuzzed; computing the crystals it yields is the
// engine's business and is left out, so that a valid but enormous crystal cannot stall the run.
#include "Document.h"
#include "FuzzSupport.h"
#include "SessionFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInitOnce();
    FileHandle file = FuzzStream(data, size);
    if (!file)
        return 0;
    auto scratch = CreateWindowInfo(PrefDataRec{});
    SessionWindowState state;
    FileProblems problems;
    (void)ParseSession(file.get(), scratch.get(), &state, PrefDataRec{}, problems);
    return 0;
}
