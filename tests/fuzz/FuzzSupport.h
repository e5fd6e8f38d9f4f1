// Shared set-up of the fuzz targets: the program's globals, an empty message table (alerts go to
// the silent default sink), and the fuzzer's bytes as a read-only stream.
#pragma once

#include "ByteStream.h"
#include "Globals.h"
#include "StringTable.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

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
