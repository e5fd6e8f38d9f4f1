// Helpers shared by the engine tests.
#pragma once

// Loads the shipped string table; false when it is not found.
bool LoadShippedStrings();
// Loads the shipped scattering table (gNumASF > 0 afterwards); false when it is not found.
bool LoadShippedScatteringTable();
