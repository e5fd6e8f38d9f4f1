// Finding the files that ship with the program (ASF.dat, strings, icons): one lookup for all.
#pragma once

#include <string>

// Full path of a resource file, or empty when it is nowhere. Looks, in order, beside the
// executable, in a "resources" folder beside it, in ../share/velmora relative to the executable
// (the installed layout, which the build tree copies), in the source tree's resource folder, and
// in the install prefix's data folder.
std::string FindResourceFile(const std::string& name);

// Folder of the running executable (empty when it cannot be told).
std::string ExecutableDirectory();
