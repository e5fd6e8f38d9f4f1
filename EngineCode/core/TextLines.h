// Plain-text helpers: the line readers used for text files (lines ended by CR, LF or CR LF) and
// number scanning that ignores the process locale (a decimal point is always a full stop).
#pragma once

#include <cstdio>

// Counts CR and LF bytes of the whole stream plus one, then rewinds it: an upper bound on the
// number of lines (a CR LF pair counts twice). A byte 255 ends the count as end of file.
long MyCountLines(std::FILE* stream);

// Reads one line into line[255]: at most 254 characters are kept (the rest of a longer line is
// dropped) and a zero byte ends them. Returns the number kept, or -1 at end of file with nothing
// read. A CR followed by LF counts as one line end; a byte 255 counts as end of file.
int MyGetLine(std::FILE* stream, char (&line)[255]);

// Locale-independent "%f" and "%d": skips leading white space, reads the longest number at p and
// moves p past it. False (p unchanged) when no number starts there.
bool ScanFloat(const char*& p, float& value);
bool ScanDouble(const char*& p, double& value);
bool ScanInt(const char*& p, long& value);
