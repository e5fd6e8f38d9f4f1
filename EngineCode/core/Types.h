// Scalar types and small value records shared by every part of the engine.
// Records built from them live in Records.h; colours and preferences in Globals.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

using Float32 = float;     // stored physical values are single precision; arithmetic is double
using SInt16 = std::int16_t;
using UInt16 = std::uint16_t;
using SInt32 = std::int32_t;
using UInt32 = std::uint32_t;
using UInt8 = std::uint8_t;
using SInt8 = std::int8_t;
using Boolean = bool;      // one byte, 0 or 1 on disk
using AtomIndex = std::int32_t;  // every count and index of sites, atoms, reflexions, plot points
using OSErr = std::int16_t;      // 0 for success, else one of the k...Err codes below

// Error codes returned by the file primitives (the values of the classic file manager).
inline constexpr OSErr kNoErr = 0;
inline constexpr OSErr kIOErr = -36;    // read or write failed
inline constexpr OSErr kEofErr = -39;   // end of file before all bytes were read
inline constexpr OSErr kParamErr = -50; // null handle or bad argument
inline constexpr OSErr kMemFullErr = -108;

// Colour: three 16-bit components, each 0..65535.
struct RGBColor {
    UInt16 red = 0;
    UInt16 green = 0;
    UInt16 blue = 0;
    friend bool operator==(const RGBColor&, const RGBColor&) = default;
};

// Rectangle in screen pixels, y down: top, left, bottom, right.
struct Rect {
    SInt16 top = 0;
    SInt16 left = 0;
    SInt16 bottom = 0;
    SInt16 right = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return bottom <= top || right <= left; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Element symbols are two ASCII characters packed in 16 bits, the first in the high byte;
// a one-letter symbol is padded with a blank ("H" is 'H' then ' '; an empty occupant is 0x2020).
inline constexpr UInt16 kEmptySymbol = 0x2020;

constexpr UInt16 PackSymbol(char first, char second)
{
    return static_cast<UInt16>((static_cast<unsigned char>(first) << 8) | static_cast<unsigned char>(second));
}

// Packs the first two characters of text; a shorter text is padded with blanks.
inline UInt16 PackSymbol(std::string_view text)
{
    const char first = text.empty() ? ' ' : text[0];
    const char second = text.size() < 2 || text[1] == '\0' ? ' ' : text[1];
    return PackSymbol(first, second);
}

// The two characters of a packed symbol, trailing blank removed ("H", "Fe", "" for 0x2020).
inline std::string SymbolToString(UInt16 symbol)
{
    std::string s;
    s += static_cast<char>(symbol >> 8);
    s += static_cast<char>(symbol & 0xFF);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    while (!s.empty() && s.front() == ' ')
        s.erase(s.begin());
    return s;
}
