// Locale-independent number formatting.
#include "TextFormat.h"

#include <charconv>
#include <cmath>

namespace {

std::string NonFinite(double value)
{
    if (std::isnan(value))
        return std::signbit(value) ? "-nan" : "nan";
    return value < 0 ? "-inf" : "inf";
}

std::string Convert(double value, std::chars_format format, int precision)
{
    if (!std::isfinite(value))
        return NonFinite(value);
    char buffer[512];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
    if (result.ec != std::errc())
        return "?";
    return std::string(buffer, result.ptr);
}

}  // namespace

std::string PadLeft(const std::string& text, int width)
{
    if (static_cast<int>(text.size()) >= width)
        return text;
    return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
}

std::string FormatFixed(double value, int width, int precision)
{
    return PadLeft(Convert(value, std::chars_format::fixed, precision), width);
}

std::string FormatExp(double value, int width, int precision)
{
    return PadLeft(Convert(value, std::chars_format::scientific, precision), width);
}

std::string FormatInt(long long value, int width)
{
    return PadLeft(std::to_string(value), width);
}
