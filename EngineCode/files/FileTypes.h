// What kind of file a path names, and the few path helpers the file formats share. Files on Linux carry no type code, so the name extension
// decides, through one table of extensions and four-character kind codes. Importers of further
// formats add their rows to that table (FileTypes.cpp).
#pragma once

#include "ByteStream.h"

#include <string>
#include <string_view>

inline constexpr UInt32 kFileTypeTEXT = FourCC("TEXT");  // observed-data text file
inline constexpr UInt32 kFileTypeVLMF = FourCC("VLMF");  // session file
inline constexpr UInt32 kFileTypeVLMs = FourCC("VLMs");  // session file, read the same way
inline constexpr UInt32 kFileTypeCIF = FourCC("CIF ");   // crystallographic information file
inline constexpr UInt32 kFileTypeXYDT = FourCC("XYDT");  // measured data in a diffractometer's format

struct FileExtensionRec {
    char extension[5];  // four characters, lower case, a missing fourth one given as a blank
    UInt32 code;
};

// The kind code of an extension (the text after the name's last dot): its first four characters,
// a missing fourth taken as a blank, compared exactly (so "TXT" is not "txt"). 0 when unknown.
UInt32 FileTypeFromExtension(std::string_view extension);

// The kind of the file at path, from its extension (the file itself is not opened). Returns 0
// and the code in *code (0 for an unknown kind), or kParamErr for an empty path.
[[nodiscard]] OSErr MyGetFileType(const std::string& path, UInt32* code);

// The name shown for a file: the last component of its path.
std::string FileDisplayName(const std::string& path);

// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute path, else
// $HOME/.config; empty when neither can be told.
std::string UserConfigFolder();
