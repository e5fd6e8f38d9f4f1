// Reads the fields of one record from a bounds-checked buffer (ByteStream.h) in file order.
// The first field that is not there makes ok() false; every later read then does nothing, so a
// reader reads a whole record and checks once. Used by the crystal, session and preferences
// readers.
#pragma once

#include "ByteStream.h"

class FieldReader {
public:
    explicit FieldReader(FileBufferRec* buffer) : buffer_(buffer), ok_(buffer != nullptr) {}

    FieldReader& operator()(UInt8& v) { return Step([&] { return BufferReadUInt8(buffer_, &v); }); }
    FieldReader& operator()(Boolean& v) { return Step([&] { return BufferReadBoolean(buffer_, &v); }); }
    FieldReader& operator()(char& v) { return Step([&] { return BufferReadChar(buffer_, &v); }); }
    FieldReader& operator()(UInt16& v) { return Step([&] { return BufferReadUInt16(buffer_, &v); }); }
    FieldReader& operator()(SInt16& v) { return Step([&] { return BufferReadSInt16(buffer_, &v); }); }
    FieldReader& operator()(UInt32& v) { return Step([&] { return BufferReadUInt32(buffer_, &v); }); }
    FieldReader& operator()(SInt32& v) { return Step([&] { return BufferReadSInt32(buffer_, &v); }); }
    FieldReader& operator()(Float32& v) { return Step([&] { return BufferReadFloat32(buffer_, &v); }); }
    FieldReader& operator()(double& v) { return Step([&] { return BufferReadDouble(buffer_, &v); }); }
    FieldReader& operator()(Rect& v) { return Step([&] { return BufferReadQDRect(buffer_, &v); }); }
    FieldReader& operator()(RGBColor& v) { return Step([&] { return BufferReadRGBColor(buffer_, &v); }); }
    // One byte read as a signed value (-128..127).
    FieldReader& SignedByte(int& v)
    {
        UInt8 b = 0;
        if (operator()(b).ok_)
            v = static_cast<signed char>(b);
        return *this;
    }
    FieldReader& Chars(std::size_t n, void* bytes) { return Step([&] { return BufferReadChars(buffer_, n, bytes); }); }
    FieldReader& Skip(long long n) { return Step([&] { return n < 0 ? -1 : BufferSkipBytes(buffer_, n); }); }

    bool ok() const { return ok_; }
    void Fail() { ok_ = false; }
    // Bytes not yet read, and bytes read so far.
    std::size_t Remaining() const { return buffer_ ? buffer_->block.size() - buffer_->pos : 0; }
    std::size_t Consumed() const { return buffer_ ? buffer_->pos : 0; }

private:
    template <typename F>
    FieldReader& Step(F read)
    {
        if (ok_ && read() != 0)
            ok_ = false;
        return *this;
    }

    FileBufferRec* buffer_;
    bool ok_;
};
