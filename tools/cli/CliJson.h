// The reflexions of a document's crystals as JSON, for programs:
//   {"crystals": [{"name", "cell": {"a", "b", "c", "alpha", "beta", "gamma"}, "volume", "density",
//                  "reflexions": [{"h", "k", "l", "d", "x", "intensity", "multiplicity"}]}]}
// one entry per crystal of the plot list in drawing order, with the values of its reflexion array:
// d in Å, x on the document's x axis, intensity as stored (per Å³ of material), lengths in Å,
// angles in degrees, volume in Å³, density in kg/m³. Numbers are written shortest-exact and never
// depend on the locale; a value that is not finite is written as null.
#pragma once

#include <string>

struct WinInfoRec;

std::string ReflexionsJson(const WinInfoRec* doc);

// A JSON string literal (quotes included) for UTF-8 text: quotes, backslashes and control
// characters escaped, bytes that are not valid UTF-8 replaced by U+FFFD.
std::string JsonString(const std::string& text);
// A JSON number for a single-precision value (the shortest text that reads back to it), or null.
std::string JsonNumber(float value);
