// Text-line readers and locale-independent number scanning.
#include "TextLines.h"

#include <cctype>
#include <charconv>
#include <cstring>
#include <limits>

long MyCountLines(std::FILE* stream)
{
    if (!stream)
        return 0;
    long count = 0;
    int c;
    while ((c = std::fgetc(stream)) != EOF && c != 255) {
        if (c == '\r' || c == '\n')
            ++count;
    }
    std::rewind(stream);
    return count + 1;
}

int MyGetLine(std::FILE* stream, char (&line)[255])
{
    line[0] = '\0';
    if (!stream)
        return -1;
    int stored = 0;
    bool readAny = false;
    for (;;) {
        const int c = std::fgetc(stream);
        if (c == EOF || c == 255) {
            if (!readAny) {
                line[0] = '\0';
                return -1;
            }
            break;
        }
        readAny = true;
        if (c == '\n')
            break;
        if (c == '\r') {
            const int next = std::fgetc(stream);
            if (next != '\n' && next != EOF)
                std::ungetc(next, stream);
            break;
        }
        if (stored < 254)
            line[stored++] = static_cast<char>(c);
    }
    line[stored] = '\0';
    return stored;
}

namespace {

const char* SkipSpace(const char* p)
{
    while (*p != '\0' && std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    return p;
}

template <typename T>
bool ScanReal(const char*& p, T& value)
{
    const char* s = SkipSpace(p);
    const char* start = s;
    bool negative = false;
    if (*s == '+' || *s == '-') {
        negative = *s == '-';
        ++s;
    }
    if (*s == '+' || *s == '-')
        return false;
    T v{};
    const char* end = s + std::strlen(s);
    const auto result = std::from_chars(s, end, v, std::chars_format::general);
    if (result.ec == std::errc::invalid_argument || result.ptr == s)
        return false;
    if (result.ec == std::errc::result_out_of_range) {
        // Too large or too small for the type: follow strtof (inf or 0 with the sign).
        bool tiny = false;
        for (const char* q = s; q < result.ptr; ++q) {
            if (*q == 'e' || *q == 'E') {
                tiny = q[1] == '-';
                break;
            }
        }
        v = tiny ? T(0) : std::numeric_limits<T>::infinity();
    }
    (void)start;
    value = negative ? -v : v;
    p = result.ptr;
    return true;
}

}  // namespace

bool ScanFloat(const char*& p, float& value)
{
    return ScanReal(p, value);
}

bool ScanDouble(const char*& p, double& value)
{
    return ScanReal(p, value);
}

bool ScanInt(const char*& p, long& value)
{
    const char* s = SkipSpace(p);
    bool negative = false;
    if (*s == '+' || *s == '-') {
        negative = *s == '-';
        ++s;
    }
    long v = 0;
    const auto result = std::from_chars(s, s + std::strlen(s), v, 10);
    if (result.ec != std::errc() || result.ptr == s)
        return false;
    value = negative ? -v : v;
    p = result.ptr;
    return true;
}
