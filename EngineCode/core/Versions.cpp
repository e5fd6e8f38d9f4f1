// Version codes and their text forms.
#include "Versions.h"

#include <cctype>
#include <cstdio>

namespace {

struct VersStrFormatRec {
    const char* format;
    int numFields;
};

// Tried in this order.
constexpr VersStrFormatRec kVersionStrFormats[] = {
    {"%3d.%3d.%3d%1c%3d", 5},
    {"%3d.%3d.%3d", 3},
    {"%3d.%3d%n%1c%3d", 4},
    {"%3d.%3d", 2},
};

int StageValue(char stage)
{
    switch (std::tolower(static_cast<unsigned char>(stage))) {
    case 'b': return 200;
    case 'a': return 100;
    case 'd':
    case 'p': return 0;
    default: return 300;
    }
}

}  // namespace

UInt32 GetVersionInteger(std::string_view field)
{
    char t[9] = {};
    for (std::size_t i = 0; i < 9 && i < field.size(); ++i)
        t[i] = field[i];
    auto digit = [&](int i) { return static_cast<long long>(static_cast<unsigned char>(t[i])) - '0'; };

    long long major, minor, bugfix;
    int stagePos, buildPos;
    if (t[1] != '.') {
        major = t[0] == ' ' ? digit(1) : 10 * digit(0) + digit(1);
        minor = digit(3);
        bugfix = digit(5);
        stagePos = 6;
        buildPos = 7;
    } else {
        major = digit(0);
        minor = digit(2);
        bugfix = digit(4);
        stagePos = 5;
        buildPos = 6;
    }
    char stage = t[stagePos];
    long long build;
    if (stage == '-') {
        build = 10 * minor + bugfix;
        minor = bugfix = 0;
        stage = 'b';
    } else {
        const unsigned char second = static_cast<unsigned char>(t[buildPos + 1]);
        build = second < 33 ? digit(buildPos) : 10 * digit(buildPos) + digit(buildPos + 1);
    }
    const long long base = (100 * major + 10 * minor + bugfix) * 1000;
    long long result;
    const unsigned char s = static_cast<unsigned char>(stage);
    if (s < 'A' || s > 'p')
        result = base + 300;
    else if (stage == 'a' || stage == 'A')
        result = base + build + 100;
    else if (stage == 'b' || stage == 'B')
        result = base + build + 200;
    else if (stage == 'd' || stage == 'D' || stage == 'p' || stage == 'P')
        result = base + build;
    else
        result = base + 300;
    return static_cast<UInt32>(result);
}

bool IsVersionField(std::string_view field)
{
    char t[9] = {};
    for (std::size_t i = 0; i < 9 && i < field.size(); ++i)
        t[i] = field[i];
    auto isDigit = [&](int i) { return t[i] >= '0' && t[i] <= '9'; };
    if (t[1] == '.')
        return isDigit(0) && isDigit(2) && t[3] == '.' && isDigit(4);
    return (t[0] == ' ' || isDigit(0)) && isDigit(1) && t[2] == '.' && isDigit(3) && t[4] == '.' && isDigit(5);
}

bool VersStrToCode(const std::string& text, UInt32* code)
{
    for (const VersStrFormatRec& form : kVersionStrFormats) {
        int major = 0, minor = 0, bugfix = 0, build = 0;
        char stage = 0;
        int fields = 0;
        switch (form.numFields) {
        case 5: fields = std::sscanf(text.c_str(), form.format, &major, &minor, &bugfix, &stage, &build); break;
        case 3: fields = std::sscanf(text.c_str(), form.format, &major, &minor, &bugfix); break;
        case 4:
            fields = std::sscanf(text.c_str(), form.format, &major, &minor, &bugfix, &stage, &build);
            bugfix = 0;
            break;
        default: fields = std::sscanf(text.c_str(), form.format, &major, &minor); break;
        }
        if (fields == form.numFields) {
            if (code)
                *code = VersIntsToCode(major, minor, bugfix, stage, build);
            return true;
        }
    }
    if (code)
        *code = 0;
    return false;
}

void VersCodeToInts(UInt32 code, int* major, int* minor, int* bugfix, char* stage, int* build)
{
    if (major)
        *major = static_cast<int>(code / 100000);
    if (minor)
        *minor = static_cast<int>((code / 10000) % 10);
    if (bugfix)
        *bugfix = static_cast<int>((code / 1000) % 10);
    if (stage) {
        switch ((code / 100) % 10) {
        case 0: *stage = 'd'; break;
        case 1: *stage = 'a'; break;
        case 2: *stage = 'b'; break;
        default: *stage = ' '; break;
        }
    }
    if (build)
        *build = static_cast<int>(code % 100);
}

UInt32 VersIntsToCode(int major, int minor, int bugfix, char stage, int build)
{
    const long long code = static_cast<long long>(major) * 100000 + static_cast<long long>(minor) * 10000 +
                           static_cast<long long>(bugfix) * 1000 + StageValue(stage) + build;
    return static_cast<UInt32>(code);
}

std::string VersIntsToStr(int major, int minor, int bugfix, char stage, int build)
{
    stage = static_cast<char>(std::tolower(static_cast<unsigned char>(stage)));
    char text[64];
    if (stage == 'f' || stage == ' ' || stage == '\0') {
        if (build != 0) {
            if (bugfix != 0)
                std::snprintf(text, sizeof text, "%1d.%1d.%1d%1c%1d", major, minor, bugfix, 'f', build);
            else
                std::snprintf(text, sizeof text, "%1d.%1d%1c%1d", major, minor, 'f', build);
        } else if (bugfix != 0) {
            std::snprintf(text, sizeof text, "%1d.%1d.%1d", major, minor, bugfix);
        } else {
            std::snprintf(text, sizeof text, "%1d.%1d", major, minor);
        }
    } else if (bugfix != 0) {
        std::snprintf(text, sizeof text, "%1d.%1d.%1d%1c%1d", major, minor, bugfix, stage, build);
    } else {
        std::snprintf(text, sizeof text, "%1d.%1d%1c%1d", major, minor, stage, build);
    }
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

std::string CanonicalVersStr(UInt32 code)
{
    int major, minor, bugfix, build;
    char stage;
    VersCodeToInts(code, &major, &minor, &bugfix, &stage, &build);
    return VersIntsToStr(major, minor, bugfix, stage, build);
}
