// File-kind detection by name extension.
#include "FileTypes.h"

#include <cstdlib>
#include <cstring>

namespace {

// Every extension the program opens, with the kind of file it stands for.
constexpr FileExtensionRec kFileExtensions[] = {
    {"obd5", FourCC("OBD5")}, {"obdf", FourCC("OBDF")}, {"obm5", FourCC("OBM5")}, {"obmf", FourCC("OBMF")},
    {"obtx", kFileTypeTEXT},  {"dat ", kFileTypeTEXT},  {"str ", kFileTypeTEXT},  {"txt ", kFileTypeTEXT},
    {"vlmf", kFileTypeVLMF},  {"vlms", kFileTypeVLMs},
    {"cif ", kFileTypeCIF},   {"CIF ", kFileTypeCIF},
    // Measured data read through the diffractometer formats (MeasuredDataImport.h); vendors'
    // software writes these in either case.
    {"xy  ", kFileTypeXYDT},  {"XY  ", kFileTypeXYDT},  {"xye ", kFileTypeXYDT},  {"XYE ", kFileTypeXYDT},
    {"raw ", kFileTypeXYDT},  {"RAW ", kFileTypeXYDT},  {"uxd ", kFileTypeXYDT},  {"UXD ", kFileTypeXYDT},
    {"xrdm", kFileTypeXYDT},  {"XRDM", kFileTypeXYDT},  {"rd  ", kFileTypeXYDT},  {"RD  ", kFileTypeXYDT},
    {"sd  ", kFileTypeXYDT},  {"SD  ", kFileTypeXYDT},  {"udf ", kFileTypeXYDT},  {"UDF ", kFileTypeXYDT},
    {"cpi ", kFileTypeXYDT},  {"CPI ", kFileTypeXYDT},  {"xdd ", kFileTypeXYDT},  {"XDD ", kFileTypeXYDT},
    {"dbw ", kFileTypeXYDT},  {"DBW ", kFileTypeXYDT},  {"rit ", kFileTypeXYDT},  {"RIT ", kFileTypeXYDT},
    {"neu ", kFileTypeXYDT},  {"NEU ", kFileTypeXYDT},  {"chi ", kFileTypeXYDT},  {"CHI ", kFileTypeXYDT},
    {"csv ", kFileTypeXYDT},  {"CSV ", kFileTypeXYDT},  {"tsv ", kFileTypeXYDT},  {"TSV ", kFileTypeXYDT},
};

}  // namespace

UInt32 FileTypeFromExtension(std::string_view extension)
{
    if (extension.empty())
        return 0;
    char key[4] = {' ', ' ', ' ', ' '};
    for (std::size_t i = 0; i < 4 && i < extension.size(); ++i)
        key[i] = extension[i];
    for (const FileExtensionRec& row : kFileExtensions)
        if (std::memcmp(row.extension, key, 4) == 0)
            return row.code;
    return 0;
}

OSErr MyGetFileType(const std::string& path, UInt32* code)
{
    if (code)
        *code = 0;
    if (path.empty())
        return kParamErr;
    const std::size_t slash = path.rfind('/');
    const std::string_view name = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
    const std::size_t dot = name.rfind('.');
    // A name without a dot, or whose only dot starts it (".dat"), has no extension.
    if (dot == std::string_view::npos || dot == 0)
        return kNoErr;
    if (code)
        *code = FileTypeFromExtension(name.substr(dot + 1));
    return kNoErr;
}

std::string FileDisplayName(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string UserConfigFolder()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.config";
    return {};
}
