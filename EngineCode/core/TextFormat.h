// printf-style number formatting that never depends on the process locale: reports and files
// always carry a full stop as decimal point.
#pragma once

#include <string>

// As printf "%W.Pf" (width W, P decimals, right-aligned).
std::string FormatFixed(double value, int width, int precision);
// As printf "%W.Pe".
std::string FormatExp(double value, int width, int precision);
// As printf "%Wd" / "%Wld".
std::string FormatInt(long long value, int width);
// Right-aligns text in width characters (as printf "%Ws").
std::string PadLeft(const std::string& text, int width);
