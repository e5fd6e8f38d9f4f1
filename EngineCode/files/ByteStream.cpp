// Big-endian file primitives, the bounds-checked buffer and UTF-16 conversion.
#include "ByteStream.h"

#include <bit>
#include <cstring>
#include <new>

namespace {

// Big-endian bytes of an unsigned integer of N bytes.
template <typename T>
void ToBigEndian(T value, UInt8* out)
{
    for (std::size_t i = 0; i < sizeof(T); ++i)
        out[i] = static_cast<UInt8>(value >> (8 * (sizeof(T) - 1 - i)));
}

template <typename T>
T FromBigEndian(const UInt8* in)
{
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        value = static_cast<T>((value << 8) | in[i]);
    return value;
}

OSErr WriteBytes(std::FILE* ref, const void* bytes, std::size_t count)
{
    if (!ref)
        return kParamErr;
    if (count == 0)
        return kNoErr;
    return std::fwrite(bytes, 1, count, ref) == count ? kNoErr : kIOErr;
}

// Reads exactly count bytes; on a short read the file position is put back.
OSErr ReadBytes(std::FILE* ref, void* bytes, std::size_t count)
{
    if (!ref)
        return kParamErr;
    if (count == 0)
        return kNoErr;
    const long before = std::ftell(ref);
    const std::size_t got = std::fread(bytes, 1, count, ref);
    if (got == count)
        return kNoErr;
    const bool eof = std::feof(ref) != 0;
    std::clearerr(ref);
    if (before >= 0)
        std::fseek(ref, before, SEEK_SET);
    return eof ? kEofErr : kIOErr;
}

template <typename T>
OSErr WriteBE(std::FILE* ref, T value)
{
    UInt8 bytes[sizeof(T)];
    ToBigEndian(value, bytes);
    return WriteBytes(ref, bytes, sizeof(T));
}

template <typename T>
OSErr ReadBE(std::FILE* ref, T* value)
{
    if (!value)
        return kParamErr;
    UInt8 bytes[sizeof(T)];
    const OSErr err = ReadBytes(ref, bytes, sizeof(T));
    if (err == kNoErr)
        *value = FromBigEndian<T>(bytes);
    return err;
}

template <typename T>
int BufferReadBE(FileBufferRec* buffer, T* value)
{
    if (!value || !VerifyBufferAccess(buffer, sizeof(T)))
        return -1;
    *value = FromBigEndian<T>(buffer->block.data() + buffer->pos);
    buffer->pos += sizeof(T);
    return 0;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

constexpr char32_t kReplacement = 0xFFFD;

}  // namespace

FileHandle OpenFile(const std::string& path, const char* mode)
{
    return FileHandle(std::fopen(path.c_str(), mode));
}

// ---- UTF-8 <-> UTF-16 ----

std::u16string Utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        char32_t cp = kReplacement;
        std::size_t len = 1;
        if (c < 0x80) {
            cp = c;
        } else if (c >= 0xC2 && c <= 0xF4) {
            const std::size_t need = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
            if (i + need <= text.size()) {
                char32_t v = c & (need == 2 ? 0x1F : need == 3 ? 0x0F : 0x07);
                bool ok = true;
                for (std::size_t j = 1; j < need; ++j) {
                    const unsigned char cc = static_cast<unsigned char>(text[i + j]);
                    if ((cc & 0xC0) != 0x80) {
                        ok = false;
                        break;
                    }
                    v = (v << 6) | (cc & 0x3F);
                }
                const char32_t minimum = need == 2 ? 0x80 : need == 3 ? 0x800 : 0x10000;
                if (ok && v >= minimum && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) {
                    cp = v;
                    len = need;
                }
            }
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
                ++i;
            } else {
                AppendUtf8(out, kReplacement);
            }
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

// ---- writers ----

OSErr MyFSWriteUInt8(std::FILE* ref, UInt8 value)
{
    return WriteBytes(ref, &value, 1);
}

OSErr MyFSWriteBoolean(std::FILE* ref, Boolean value)
{
    return MyFSWriteUInt8(ref, value ? 1 : 0);
}

OSErr MyFSWriteChars(std::FILE* ref, std::size_t count, const void* bytes)
{
    return WriteBytes(ref, bytes, count);
}

OSErr MyFSWriteUInt16(std::FILE* ref, UInt16 value)
{
    return WriteBE(ref, value);
}

OSErr MyFSWriteUInt32(std::FILE* ref, UInt32 value)
{
    return WriteBE(ref, value);
}

OSErr MyFSWriteFloat32(std::FILE* ref, Float32 value)
{
    return WriteBE(ref, std::bit_cast<UInt32>(value));
}

OSErr MyFSWriteDouble(std::FILE* ref, double value)
{
    return WriteBE(ref, std::bit_cast<std::uint64_t>(value));
}

OSErr MyFSWriteQDRect(std::FILE* ref, const Rect& rect)
{
    for (SInt16 v : {rect.top, rect.left, rect.bottom, rect.right})
        if (const OSErr err = MyFSWriteUInt16(ref, static_cast<UInt16>(v)))
            return err;
    return kNoErr;
}

OSErr MyFSWriteRGBColor(std::FILE* ref, const RGBColor& colour)
{
    for (UInt16 v : {colour.red, colour.green, colour.blue})
        if (const OSErr err = MyFSWriteUInt16(ref, v))
            return err;
    return kNoErr;
}

OSErr MyFSWriteCFString(std::FILE* ref, const std::string& text)
{
    const std::u16string units = Utf8ToUtf16(text);
    for (char16_t u : units)
        if (const OSErr err = MyFSWriteUInt16(ref, static_cast<UInt16>(u)))
            return err;
    return kNoErr;
}

UInt32 CFStringByteCount(const std::string& text)
{
    return static_cast<UInt32>(2 * Utf8ToUtf16(text).size());
}

// ---- readers ----

OSErr MyFSReadUInt8(std::FILE* ref, UInt8* value)
{
    return ReadBE(ref, value);
}

OSErr MyFSReadBoolean(std::FILE* ref, Boolean* value)
{
    UInt8 byte;
    const OSErr err = ReadBE(ref, &byte);
    if (err == kNoErr && value)
        *value = byte != 0;
    return value ? err : kParamErr;
}

OSErr MyFSReadChar(std::FILE* ref, char* value)
{
    if (!value)
        return kParamErr;
    return ReadBytes(ref, value, 1);
}

OSErr MyFSReadChars(std::FILE* ref, std::size_t count, void* bytes)
{
    if (!bytes && count)
        return kParamErr;
    // Read into scratch so a short read leaves the destination as it was.
    std::vector<UInt8> scratch;
    try {
        scratch.resize(count);
    } catch (const std::bad_alloc&) {
        return kMemFullErr;
    }
    const OSErr err = ReadBytes(ref, scratch.data(), count);
    if (err == kNoErr && count)
        std::memcpy(bytes, scratch.data(), count);
    return err;
}

OSErr MyFSReadUInt16(std::FILE* ref, UInt16* value)
{
    return ReadBE(ref, value);
}

OSErr MyFSReadSInt16(std::FILE* ref, SInt16* value)
{
    UInt16 v;
    const OSErr err = ReadBE(ref, &v);
    if (err == kNoErr && value)
        *value = static_cast<SInt16>(v);
    return value ? err : kParamErr;
}

OSErr MyFSReadUInt32(std::FILE* ref, UInt32* value)
{
    return ReadBE(ref, value);
}

OSErr MyFSReadSInt32(std::FILE* ref, SInt32* value)
{
    UInt32 v;
    const OSErr err = ReadBE(ref, &v);
    if (err == kNoErr && value)
        *value = static_cast<SInt32>(v);
    return value ? err : kParamErr;
}

OSErr MyFSReadFloat32(std::FILE* ref, Float32* value)
{
    UInt32 v;
    const OSErr err = ReadBE(ref, &v);
    if (err == kNoErr && value)
        *value = std::bit_cast<Float32>(v);
    return value ? err : kParamErr;
}

OSErr MyFSReadDouble(std::FILE* ref, double* value)
{
    std::uint64_t v;
    const OSErr err = ReadBE(ref, &v);
    if (err == kNoErr && value)
        *value = std::bit_cast<double>(v);
    return value ? err : kParamErr;
}

OSErr MyFSReadQDRect(std::FILE* ref, Rect* rect)
{
    if (!rect)
        return kParamErr;
    for (SInt16* v : {&rect->top, &rect->left, &rect->bottom, &rect->right})
        if (const OSErr err = MyFSReadSInt16(ref, v))
            return err;
    return kNoErr;
}

OSErr MyFSReadRGBColor(std::FILE* ref, RGBColor* colour)
{
    if (!colour)
        return kParamErr;
    for (UInt16* v : {&colour->red, &colour->green, &colour->blue})
        if (const OSErr err = MyFSReadUInt16(ref, v))
            return err;
    return kNoErr;
}

OSErr MyFSReadCFString(std::FILE* ref, UInt32 byteCount, std::string* text)
{
    if (!text)
        return kParamErr;
    std::vector<UInt8> bytes;
    try {
        bytes.resize(byteCount);
    } catch (const std::bad_alloc&) {
        return kMemFullErr;
    }
    if (const OSErr err = ReadBytes(ref, bytes.data(), byteCount))
        return err;
    std::u16string units;
    units.reserve(byteCount / 2);
    for (UInt32 i = 0; i + 1 < byteCount; i += 2)
        units += static_cast<char16_t>((bytes[i] << 8) | bytes[i + 1]);
    *text = Utf16ToUtf8(units);
    return kNoErr;
}

std::string FourCCToString(UInt32 tag)
{
    std::string s(4, ' ');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>((tag >> (24 - 8 * i)) & 0xFF);
    return s;
}

// ---- buffer ----

FileBufferPtr CreateFileBuffer(UInt32 size)
{
    try {
        auto buffer = std::make_unique<FileBufferRec>();
        buffer->block.assign(size, 0);
        buffer->pos = 0;
        return buffer;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

FileBufferPtr CreateFileBufferFromBytes(const void* bytes, std::size_t size)
{
    if (size > 0xFFFFFFFFu)
        return nullptr;
    FileBufferPtr buffer = CreateFileBuffer(static_cast<UInt32>(size));
    if (buffer && size)
        std::memcpy(buffer->block.data(), bytes, size);
    return buffer;
}

FileBufferPtr ReadFileBuffer(std::FILE* ref, UInt32 size)
{
    FileBufferPtr buffer = CreateFileBuffer(size);
    if (!buffer)
        return nullptr;
    if (ReadBytes(ref, buffer->block.data(), size) != kNoErr)
        return nullptr;
    return buffer;
}

void DestroyFileBuffer(FileBufferPtr& buffer)
{
    buffer.reset();
}

bool VerifyBufferAccess(const FileBufferRec* buffer, long long n)
{
    if (!buffer || buffer->block.empty() || buffer->pos > buffer->block.size())
        return false;
    if (n >= 0)
        return static_cast<unsigned long long>(n) <= buffer->block.size() - buffer->pos;
    return static_cast<unsigned long long>(-n) <= buffer->pos;
}

int BufferReadUInt8(FileBufferRec* buffer, UInt8* value)
{
    return BufferReadBE(buffer, value);
}

int BufferReadBoolean(FileBufferRec* buffer, Boolean* value)
{
    UInt8 byte;
    if (!value || BufferReadBE(buffer, &byte) != 0)
        return -1;
    *value = byte != 0;
    return 0;
}

int BufferReadChar(FileBufferRec* buffer, char* value)
{
    return BufferReadChars(buffer, 1, value);
}

int BufferReadChars(FileBufferRec* buffer, std::size_t count, void* bytes)
{
    if ((!bytes && count) || count > 0x7FFFFFFFu || !VerifyBufferAccess(buffer, static_cast<long long>(count)))
        return -1;
    if (count)
        std::memcpy(bytes, buffer->block.data() + buffer->pos, count);
    buffer->pos += count;
    return 0;
}

int BufferReadUInt16(FileBufferRec* buffer, UInt16* value)
{
    return BufferReadBE(buffer, value);
}

int BufferReadSInt16(FileBufferRec* buffer, SInt16* value)
{
    UInt16 v;
    if (!value || BufferReadBE(buffer, &v) != 0)
        return -1;
    *value = static_cast<SInt16>(v);
    return 0;
}

int BufferReadUInt32(FileBufferRec* buffer, UInt32* value)
{
    return BufferReadBE(buffer, value);
}

int BufferReadSInt32(FileBufferRec* buffer, SInt32* value)
{
    UInt32 v;
    if (!value || BufferReadBE(buffer, &v) != 0)
        return -1;
    *value = static_cast<SInt32>(v);
    return 0;
}

int BufferReadAtomIndex(FileBufferRec* buffer, UInt32* value)
{
    return BufferReadBE(buffer, value);
}

int BufferReadFloat32(FileBufferRec* buffer, Float32* value)
{
    UInt32 v;
    if (!value || BufferReadBE(buffer, &v) != 0)
        return -1;
    *value = std::bit_cast<Float32>(v);
    return 0;
}

int BufferReadDouble(FileBufferRec* buffer, double* value)
{
    std::uint64_t v;
    if (!value || BufferReadBE(buffer, &v) != 0)
        return -1;
    *value = std::bit_cast<double>(v);
    return 0;
}

int BufferReadQDRect(FileBufferRec* buffer, Rect* rect)
{
    if (!rect)
        return -1;
    for (SInt16* v : {&rect->top, &rect->left, &rect->bottom, &rect->right})
        if (BufferReadSInt16(buffer, v) != 0)
            return -1;
    return 0;
}

int BufferReadRGBColor(FileBufferRec* buffer, RGBColor* colour)
{
    if (!colour)
        return -1;
    for (UInt16* v : {&colour->red, &colour->green, &colour->blue})
        if (BufferReadUInt16(buffer, v) != 0)
            return -1;
    return 0;
}

int BufferReadStr255(FileBufferRec* buffer, unsigned char (&dest)[256])
{
    if (!VerifyBufferAccess(buffer, 1))
        return -1;
    const UInt8 length = buffer->block[buffer->pos];
    if (!VerifyBufferAccess(buffer, 1 + static_cast<long long>(length)))
        return -1;
    std::memcpy(dest, buffer->block.data() + buffer->pos, 1 + static_cast<std::size_t>(length));
    buffer->pos += 1 + static_cast<std::size_t>(length);
    return 0;
}

int BufferReadUnicode(FileBufferRec* buffer, UInt32 byteCount, std::u16string* text)
{
    if (!text || !VerifyBufferAccess(buffer, byteCount))
        return -1;
    std::u16string units;
    units.reserve(byteCount / 2);
    const UInt8* p = buffer->block.data() + buffer->pos;
    for (UInt32 i = 0; i + 1 < byteCount; i += 2)
        units += static_cast<char16_t>((p[i] << 8) | p[i + 1]);
    buffer->pos += byteCount;
    *text = std::move(units);
    return 0;
}

int BufferReadCFString(FileBufferRec* buffer, UInt32 byteCount, std::string* text)
{
    std::u16string units;
    if (!text || BufferReadUnicode(buffer, byteCount, &units) != 0)
        return -1;
    *text = Utf16ToUtf8(units);
    return 0;
}

int BufferSkipBytes(FileBufferRec* buffer, long long n)
{
    if (!VerifyBufferAccess(buffer, n))
        return -1;
    buffer->pos = static_cast<std::size_t>(static_cast<long long>(buffer->pos) + n);
    return 0;
}
