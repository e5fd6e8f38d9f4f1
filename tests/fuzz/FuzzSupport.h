// Shared set-up of the fuzz targets: the program's globals, an empty message table (alerts go to
// the silent default sink), and the fuzzer's bytes as a read-only stream.
#pragma once

#include "ByteStream.h"
#include "Globals.h"
#include "StringTable.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>

inline void FuzzInitOnce()
{
    static const bool done = [] {
        InitVLGlobals();
        LoadStringTableFromText("");
        return true;
    }();
    (void)done;
}

// The bytes as a stream; null for empty input (every reader is tested on empty files elsewhere).
inline FileHandle FuzzStream(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return nullptr;
    return FileHandle(fmemopen(const_cast<std::uint8_t*>(data), size, "rb"));
}

// The file names the measured-data target gives its inputs: the first byte of an input picks one,
// so that every format xylib tells by name is reached (a seed starts with its own one's index).
inline constexpr const char* kFuzzMeasuredDataNames[] = {
    "scan.raw", "scan.uxd", "scan.xrdml", "scan.rd", "scan.sd", "scan.udf", "scan.cpi", "scan.rit",
    "scan.dbw", "scan.chi", "scan.xdd", "scan.csv", "scan.xy", "scan.xye", "scan.spe", "scan.vms",
    "scan.mca", "scan.cnf", "scan.spc", "scan.xsyg", "scan.cif", "scan",
};
inline constexpr std::size_t kFuzzMeasuredDataNameCount = std::size(kFuzzMeasuredDataNames);
