// Helpers shared by the engine tests.
#include "TestSupport.h"

#include "Resources.h"
#include "ScatteringTable.h"
#include "StringTable.h"

bool LoadShippedStrings()
{
    const std::string path = FindResourceFile("strings");
    return !path.empty() && LoadStringTable(path);
}

bool LoadShippedScatteringTable()
{
    ResetASFactors();
    ReadASFactors();
    return gNumASF > 0;
}
