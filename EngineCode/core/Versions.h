// Program version codes: major × 100000 + minor × 10000 + bugfix × 1000 + stage + build, with
// stage 0 (development), 100 (alpha), 200 (beta) or 300 (final) and build 0..99, so codes compare
// in release order (5.0.1b3 is 501203, 5.0.1 is 501300). Parsers for the fixed-position version
// fields of files and for free-form text, and the canonical text of a code.
#pragma once

#include "Types.h"

#include <string>
#include <string_view>

// The code of a fixed-layout version field (9 characters; a shorter text reads as zero-padded).
UInt32 GetVersionInteger(std::string_view text);

// True when the text has the shape GetVersionInteger expects: digits at the digit positions.
bool IsVersionField(std::string_view text);

// The code of free-form text ("5.0.1b3", "5.1b2", "5.0.1", "5.0"); false (code 0) when the text
// matches none of the forms.
bool VersStrToCode(const std::string& text, UInt32* code);

// Parts of a code; any output may be null. The stage is 'd', 'a', 'b' or a blank (final).
void VersCodeToInts(UInt32 code, int* major, int* minor, int* bugfix, char* stage, int* build);
UInt32 VersIntsToCode(int major, int minor, int bugfix, char stage, int build);
std::string VersIntsToStr(int major, int minor, int bugfix, char stage, int build);
std::string CanonicalVersStr(UInt32 code);

// The version of this program.
inline constexpr UInt32 kVelmoraVersionCode = 501300;  // 5.0.1
// Its text, as written into the version fields of session and preferences files and into
// reports (at most 10 bytes).
inline constexpr char gProgramVersion[] = "5.0.1";
static_assert(sizeof gProgramVersion <= 11, "a version field holds 10 bytes");
