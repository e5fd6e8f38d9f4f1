// Writing an output so that a failure never leaves it half-written. What that means depends on
// what the path names, once symbolic links are followed:
// - a plain file (or no file yet): the data go to a temporary file in that file's own folder,
//   which is flushed to disk and renamed over it only after every byte was written; a symbolic
//   link on the way stays a link, and a replaced file keeps its permissions;
// - a character device, a named pipe, a socket, or an open descriptor named as /dev/stdout,
//   /dev/stderr, /dev/fd/N or /proc/self/fd/N: the data are gathered in memory and written to it
//   directly once complete; such a target is never renamed over;
// - a folder or a disk: refused with kNotAFileErr; an existing file we may not write: kWrPermErr.
// Session, preferences, report and plot files are written through it.
#pragma once

#include "Types.h"

#include <cstdio>
#include <functional>
#include <string>

// Refusals of the safe writer, beside the file primitives' codes (Types.h).
inline constexpr OSErr kWrPermErr = -61;     // the file exists and may not be written
inline constexpr OSErr kNotAFileErr = -1302; // the path names a folder (or a disk), not a file

// What a path to be written names, once symbolic links are followed.
enum class WriteTargetKind {
    NewFile,     // nothing there yet: created
    PlainFile,   // replaced atomically
    Stream,      // character device, pipe or socket: written directly
    Descriptor,  // an open descriptor of this process: written directly
    Refused,     // folder or disk, a link loop, or an unreadable path
};

struct WriteTarget {
    WriteTargetKind kind = WriteTargetKind::Refused;
    std::string path;     // the path at the end of the links (NewFile, PlainFile, Stream)
    int descriptor = -1;  // Descriptor
    OSErr refusal = kNoErr;  // Refused: why
};

// Follows path's symbolic links and says what it names.
WriteTarget ResolveWriteTarget(const std::string& path);

class SafeFileWriter {
public:
    explicit SafeFileWriter(std::string target);
    ~SafeFileWriter();  // discards what was written unless Commit succeeded
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    // Resolves the target and creates the file the data go to first; 0 or an error code
    // (kNotAFileErr, kWrPermErr, kIOErr).
    OSErr Open();
    // The file to write, open for writing (and reading back); null before Open.
    std::FILE* file() const { return file_; }
    // Completes the write: renames the temporary file over a plain target, or copies what was
    // written to a stream target; 0 or an error code. On failure a plain target is as it was.
    OSErr Commit();
    // Drops what was written without touching the target.
    void Discard();

    const std::string& target() const { return target_; }
    // The temporary file beside a plain target; empty for streams and before Open.
    const std::string& temporaryPath() const { return temp_; }

private:
    OSErr CommitToStream();

    std::string target_;
    WriteTarget resolved_;
    std::string temp_;
    std::FILE* file_ = nullptr;
};

// Opens a safe writer on path, lets write fill the file, and commits it when write returned 0.
// Returns 0, write's error, or the error of opening or committing.
[[nodiscard]] OSErr WriteFileSafely(const std::string& path, const std::function<OSErr(std::FILE*)>& write);

// The message key of the alert for a failed write: "Output_Is_Folder", "Output_Is_Locked" or
// "Error_Writing_File".
const char* WriteErrorKey(OSErr err);
