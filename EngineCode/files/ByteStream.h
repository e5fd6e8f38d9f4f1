// Typed big-endian primitives for the binary files (crystal, session and preferences files):
// reads and writes at the current position of an open file (MyFSRead..., MyFSWrite...), and reads
// from an in-memory block of a file through a bounds-checked buffer (Buffer...).
//
// Text: on disk, Unicode strings are UTF-16 code units, big-endian, without BOM, terminator or
// length (the caller stores the byte count). In memory every string is UTF-8 std::string; the
// conversion happens here and nowhere else.
#pragma once

#include "Types.h"

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Closes a std::FILE* when it goes out of scope.
struct FileCloser {
    void operator()(std::FILE* f) const noexcept
    {
        if (f)
            std::fclose(f);
    }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;
FileHandle OpenFile(const std::string& path, const char* mode);

// ---- UTF-8 <-> UTF-16 (invalid sequences become U+FFFD) ----
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// ---- writers: 0 or an error code ----
[[nodiscard]] OSErr MyFSWriteUInt8(std::FILE* ref, UInt8 value);
[[nodiscard]] OSErr MyFSWriteBoolean(std::FILE* ref, Boolean value);
[[nodiscard]] OSErr MyFSWriteChars(std::FILE* ref, std::size_t count, const void* bytes);
[[nodiscard]] OSErr MyFSWriteUInt16(std::FILE* ref, UInt16 value);
[[nodiscard]] OSErr MyFSWriteUInt32(std::FILE* ref, UInt32 value);
[[nodiscard]] OSErr MyFSWriteFloat32(std::FILE* ref, Float32 value);
[[nodiscard]] OSErr MyFSWriteDouble(std::FILE* ref, double value);
[[nodiscard]] OSErr MyFSWriteQDRect(std::FILE* ref, const Rect& rect);
[[nodiscard]] OSErr MyFSWriteRGBColor(std::FILE* ref, const RGBColor& colour);
// Writes the UTF-16 code units of a UTF-8 string (2 bytes each); see CFStringByteCount.
[[nodiscard]] OSErr MyFSWriteCFString(std::FILE* ref, const std::string& text);
// Number of bytes MyFSWriteCFString writes for text.
UInt32 CFStringByteCount(const std::string& text);

// ---- readers: 0 or an error code; a failed read leaves the destination unchanged ----
[[nodiscard]] OSErr MyFSReadUInt8(std::FILE* ref, UInt8* value);
[[nodiscard]] OSErr MyFSReadBoolean(std::FILE* ref, Boolean* value);
[[nodiscard]] OSErr MyFSReadChar(std::FILE* ref, char* value);
[[nodiscard]] OSErr MyFSReadChars(std::FILE* ref, std::size_t count, void* bytes);
[[nodiscard]] OSErr MyFSReadUInt16(std::FILE* ref, UInt16* value);
[[nodiscard]] OSErr MyFSReadSInt16(std::FILE* ref, SInt16* value);
[[nodiscard]] OSErr MyFSReadUInt32(std::FILE* ref, UInt32* value);
[[nodiscard]] OSErr MyFSReadSInt32(std::FILE* ref, SInt32* value);
[[nodiscard]] OSErr MyFSReadFloat32(std::FILE* ref, Float32* value);
[[nodiscard]] OSErr MyFSReadDouble(std::FILE* ref, double* value);
[[nodiscard]] OSErr MyFSReadQDRect(std::FILE* ref, Rect* rect);
[[nodiscard]] OSErr MyFSReadRGBColor(std::FILE* ref, RGBColor* colour);
// Reads byteCount bytes of UTF-16 text into a UTF-8 string (an odd last byte is read and dropped).
[[nodiscard]] OSErr MyFSReadCFString(std::FILE* ref, UInt32 byteCount, std::string* text);

// Four-character tags as 32-bit values, the first character in the most significant byte.
constexpr UInt32 FourCC(const char (&tag)[5])
{
    return (UInt32(UInt8(tag[0])) << 24) | (UInt32(UInt8(tag[1])) << 16) | (UInt32(UInt8(tag[2])) << 8) |
           UInt32(UInt8(tag[3]));
}
std::string FourCCToString(UInt32 tag);

// ---- the bounds-checked buffer over one block of a file ----
struct FileBufferRec {
    std::vector<UInt8> block;  // the owned bytes (start .. start + size)
    std::size_t pos = 0;       // offset of the next byte to read, 0 .. size
    UInt32 size() const { return static_cast<UInt32>(block.size()); }
    const UInt8* start() const { return block.data(); }
};
using FileBufferPtr = std::unique_ptr<FileBufferRec>;

// A buffer of size zeroed bytes with pos at the start; null when memory runs out.
FileBufferPtr CreateFileBuffer(UInt32 size);
// A buffer holding a copy of the given bytes.
FileBufferPtr CreateFileBufferFromBytes(const void* bytes, std::size_t size);
// Reads size bytes at the file's current position into a new buffer; null on failure.
FileBufferPtr ReadFileBuffer(std::FILE* ref, UInt32 size);
void DestroyFileBuffer(FileBufferPtr& buffer);

// True when the buffer exists and is not empty, pos is inside it, and n >= 0 bytes remain after
// pos, or, for n < 0, at least -n bytes lie before pos.
bool VerifyBufferAccess(const FileBufferRec* buffer, long long n);

// Each returns 0, or -1 when the bytes are not there (destination and pos then unchanged).
int BufferReadUInt8(FileBufferRec* buffer, UInt8* value);
int BufferReadBoolean(FileBufferRec* buffer, Boolean* value);
int BufferReadChar(FileBufferRec* buffer, char* value);
int BufferReadChars(FileBufferRec* buffer, std::size_t count, void* bytes);
int BufferReadUInt16(FileBufferRec* buffer, UInt16* value);
int BufferReadSInt16(FileBufferRec* buffer, SInt16* value);
int BufferReadUInt32(FileBufferRec* buffer, UInt32* value);
int BufferReadSInt32(FileBufferRec* buffer, SInt32* value);
int BufferReadAtomIndex(FileBufferRec* buffer, UInt32* value);
int BufferReadFloat32(FileBufferRec* buffer, Float32* value);
int BufferReadDouble(FileBufferRec* buffer, double* value);
int BufferReadQDRect(FileBufferRec* buffer, Rect* rect);
int BufferReadRGBColor(FileBufferRec* buffer, RGBColor* colour);
// One length byte then that many characters; both are copied to dest (256 bytes).
int BufferReadStr255(FileBufferRec* buffer, unsigned char (&dest)[256]);
int BufferReadUnicode(FileBufferRec* buffer, UInt32 byteCount, std::u16string* text);
int BufferReadCFString(FileBufferRec* buffer, UInt32 byteCount, std::string* text);
int BufferSkipBytes(FileBufferRec* buffer, long long n);
