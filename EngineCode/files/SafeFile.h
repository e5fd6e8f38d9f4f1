// Writing a file so that it is either complete or not there at all: the data go to a temporary
// file in the target's folder, which is flushed to disk and renamed over the target only after
// every byte was written. Any failure removes the temporary file and leaves an existing target
// untouched. Session, preferences and report files are written through it.
#pragma once

#include "Types.h"

#include <cstdio>
#include <functional>
#include <string>

class SafeFileWriter {
public:
    explicit SafeFileWriter(std::string target);
    ~SafeFileWriter();  // discards the temporary file unless Commit succeeded
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    // Creates the temporary file; 0 or an error code.
    OSErr Open();
    // The temporary file, open for writing (and reading back); null before Open.
    std::FILE* file() const { return file_; }
    // Flushes and syncs the temporary file, then renames it over the target; 0 or an error code.
    // On failure the temporary file is removed and the target is as it was.
    OSErr Commit();
    // Removes the temporary file without touching the target.
    void Discard();

    const std::string& target() const { return target_; }
    const std::string& temporaryPath() const { return temp_; }

private:
    std::string target_;
    std::string temp_;
    std::FILE* file_ = nullptr;
};

// Opens a safe writer on path, lets write fill the file, and commits it when write returned 0.
// Returns 0, write's error, or the error of opening or committing.
OSErr WriteFileSafely(const std::string& path, const std::function<OSErr(std::FILE*)>& write);
