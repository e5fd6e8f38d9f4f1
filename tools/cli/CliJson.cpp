// JSON listing of reflexions, written by hand.
#include "CliJson.h"

#include "Document.h"
#include "Records.h"

#include <charconv>
#include <cmath>

namespace {

// Length of the valid UTF-8 sequence starting at s[i], or 0 when it is not one (overlong forms,
// surrogates and code points above U+10FFFF are not valid).
std::size_t Utf8SequenceLength(const std::string& s, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    std::size_t n;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b0 < 0x80)
        return 1;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        n = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        n = 3;
        if (b0 == 0xE0)
            lo = 0xA0;
        else if (b0 == 0xED)
            hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        n = 4;
        if (b0 == 0xF0)
            lo = 0x90;
        else if (b0 == 0xF4)
            hi = 0x8F;
    } else {
        return 0;
    }
    if (i + n > s.size())
        return 0;
    if (byte(i + 1) < lo || byte(i + 1) > hi)
        return 0;
    for (std::size_t k = 2; k < n; ++k)
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    return n;
}

std::string Int(long long v)
{
    return std::to_string(v);
}

}  // namespace

std::string JsonString(const std::string& text)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t n = Utf8SequenceLength(text, i);
            if (n == 0) {
                out += "\xEF\xBF\xBD";  // U+FFFD
                ++i;
            } else {
                out.append(text, i, n);
                i += n;
            }
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 15];
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    out += '"';
    return out;
}

std::string JsonNumber(float value)
{
    if (!std::isfinite(value))
        return "null";
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string ReflexionsJson(const WinInfoRec* doc)
{
    std::string out = "{\"crystals\": [";
    bool firstCrystal = true;
    if (doc) {
        for (const VLPatternRec* pp : doc->plotList) {
            if (pp->type != kPatternTypeCrystal || !pp->crystal)
                continue;
            const CrystalDataRec& xp = *pp->crystal;
            out += firstCrystal ? "\n  {" : ",\n  {";
            firstCrystal = false;
            out += "\"name\": " + JsonString(pp->name);
            out += ", \"cell\": {\"a\": " + JsonNumber(xp.a) + ", \"b\": " + JsonNumber(xp.b) + ", \"c\": " + JsonNumber(xp.c) +
                   ", \"alpha\": " + JsonNumber(xp.alpha) + ", \"beta\": " + JsonNumber(xp.beta) +
                   ", \"gamma\": " + JsonNumber(xp.gamma) + "}";
            out += ", \"volume\": " + JsonNumber(xp.volume) + ", \"density\": " + JsonNumber(xp.density);
            out += ", \"reflexions\": [";
            bool firstRef = true;
            for (const ReflexionRec& r : xp.refs) {
                out += firstRef ? "\n    " : ",\n    ";
                firstRef = false;
                out += "{\"h\": " + Int(r.h) + ", \"k\": " + Int(r.k) + ", \"l\": " + Int(r.l) + ", \"d\": " + JsonNumber(r.dsp) +
                       ", \"x\": " + JsonNumber(r.tth) + ", \"intensity\": " + JsonNumber(r.inty) +
                       ", \"multiplicity\": " + Int(r.mul) + "}";
            }
            out += firstRef ? "]}" : "\n  ]}";
        }
    }
    out += firstCrystal ? "]}\n" : "\n]}\n";
    return out;
}
