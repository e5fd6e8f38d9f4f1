// Big-endian file primitives, the bounds-checked buffer and UTF-16 text.
#include "ByteStream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace {

// An in-memory file, rewound for reading.
struct MemFile {
    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* f = nullptr;
    MemFile() { f = open_memstream(&data, &size); }
    ~MemFile()
    {
        if (f)
            std::fclose(f);
        std::free(data);
    }
    std::vector<unsigned char> Bytes()
    {
        std::fflush(f);
        return std::vector<unsigned char>(data, data + size);
    }
};

FileHandle ReadOnly(const std::vector<unsigned char>& bytes)
{
    static std::vector<std::vector<unsigned char>> keep;
    keep.push_back(bytes);
    auto& b = keep.back();
    return FileHandle(fmemopen(b.empty() ? nullptr : b.data(), b.size(), "rb"));
}

}  // namespace

TEST(ByteStream, WritesBigEndianFields)
{
    MemFile m;
    ASSERT_EQ(MyFSWriteUInt32(m.f, FourCC("VERS")), kNoErr);
    ASSERT_EQ(MyFSWriteDouble(m.f, 1.0), kNoErr);
    ASSERT_EQ(MyFSWriteUInt16(m.f, 0x1234), kNoErr);
    ASSERT_EQ(MyFSWriteFloat32(m.f, 1.0f), kNoErr);
    ASSERT_EQ(MyFSWriteQDRect(m.f, Rect{1, -2, 3, 4}), kNoErr);
    ASSERT_EQ(MyFSWriteRGBColor(m.f, RGBColor{0xBBBB, 0x2222, 0x0001}), kNoErr);
    ASSERT_EQ(MyFSWriteBoolean(m.f, true), kNoErr);
    const std::vector<unsigned char> expected = {'V', 'E', 'R', 'S', 0x3F, 0xF0, 0, 0, 0, 0, 0, 0, 0x12, 0x34,
                                                 0x3F, 0x80, 0, 0, 0, 1, 0xFF, 0xFE, 0, 3, 0, 4,
                                                 0xBB, 0xBB, 0x22, 0x22, 0, 1, 1};
    EXPECT_EQ(m.Bytes(), expected);
}

TEST(ByteStream, ReadsBackWhatWasWritten)
{
    MemFile m;
    EXPECT_EQ(MyFSWriteUInt32(m.f, FourCC("CELL")), kNoErr);
    EXPECT_EQ(MyFSWriteDouble(m.f, -0.1), kNoErr);
    EXPECT_EQ(MyFSWriteFloat32(m.f, 5.6402f), kNoErr);
    EXPECT_EQ(MyFSWriteQDRect(m.f, Rect{-5, 10, 300, 400}), kNoErr);
    EXPECT_EQ(MyFSWriteCFString(m.f, "Quartz α-SiO₂ 𝛼"), kNoErr);
    auto f = ReadOnly(m.Bytes());
    UInt32 tag = 0;
    double d = 0;
    Float32 x = 0;
    Rect r{};
    std::string text;
    ASSERT_EQ(MyFSReadUInt32(f.get(), &tag), kNoErr);
    EXPECT_EQ(FourCCToString(tag), "CELL");
    ASSERT_EQ(MyFSReadDouble(f.get(), &d), kNoErr);
    EXPECT_EQ(d, -0.1);
    ASSERT_EQ(MyFSReadFloat32(f.get(), &x), kNoErr);
    EXPECT_EQ(x, 5.6402f);
    ASSERT_EQ(MyFSReadQDRect(f.get(), &r), kNoErr);
    EXPECT_EQ(r, (Rect{-5, 10, 300, 400}));
    ASSERT_EQ(MyFSReadCFString(f.get(), CFStringByteCount("Quartz α-SiO₂ 𝛼"), &text), kNoErr);
    EXPECT_EQ(text, "Quartz α-SiO₂ 𝛼");
}

TEST(ByteStream, ShortReadLeavesDestinationUnchanged)
{
    auto f = ReadOnly({0x01, 0x02, 0x03});
    UInt32 v = 0xDEADBEEF;
    EXPECT_EQ(MyFSReadUInt32(f.get(), &v), kEofErr);
    EXPECT_EQ(v, 0xDEADBEEFu);
    UInt16 w = 0;
    EXPECT_EQ(MyFSReadUInt16(f.get(), &w), kNoErr);  // the failed read did not consume anything
    EXPECT_EQ(w, 0x0102);
    std::string s = "kept";
    EXPECT_NE(MyFSReadCFString(f.get(), 1000000, &s), kNoErr);
    EXPECT_EQ(s, "kept");
}

TEST(ByteStream, RectangleReadFailingPartWayKeepsEarlierComponents)
{
    auto f = ReadOnly({0x00, 0x07, 0x00, 0x08, 0x00});
    Rect r{1, 1, 1, 1};
    EXPECT_EQ(MyFSReadQDRect(f.get(), &r), kEofErr);
    EXPECT_EQ(r.top, 7);
    EXPECT_EQ(r.left, 8);
    EXPECT_EQ(r.bottom, 1);
}

TEST(ByteStream, NullFileIsAnError)
{
    UInt8 b;
    EXPECT_EQ(MyFSReadUInt8(nullptr, &b), kParamErr);
    EXPECT_EQ(MyFSWriteUInt8(nullptr, 1), kParamErr);
}

TEST(FileBuffer, VerifyAccessBounds)
{
    const unsigned char bytes[5] = {1, 2, 3, 4, 5};
    auto buffer = CreateFileBufferFromBytes(bytes, 5);
    buffer->pos = 2;  // 3 bytes left
    EXPECT_FALSE(VerifyBufferAccess(buffer.get(), 4));
    EXPECT_TRUE(VerifyBufferAccess(buffer.get(), 3));
    EXPECT_TRUE(VerifyBufferAccess(buffer.get(), -2));
    EXPECT_FALSE(VerifyBufferAccess(buffer.get(), -3));
    buffer->pos = 0;
    EXPECT_FALSE(VerifyBufferAccess(buffer.get(), -1));
    EXPECT_FALSE(VerifyBufferAccess(nullptr, 0));
    auto empty = CreateFileBuffer(0);
    ASSERT_TRUE(empty);
    EXPECT_FALSE(VerifyBufferAccess(empty.get(), 0));
}

TEST(FileBuffer, ReadersStopAtTheEndAndKeepState)
{
    const unsigned char bytes[] = {0x40, 0x49, 0x0F, 0xDB, 0x00, 0x2A, 0xFF};
    auto buffer = CreateFileBufferFromBytes(bytes, sizeof bytes);
    Float32 f = 0;
    ASSERT_EQ(BufferReadFloat32(buffer.get(), &f), 0);
    EXPECT_FLOAT_EQ(f, 3.14159265f);
    UInt16 u = 0;
    ASSERT_EQ(BufferReadUInt16(buffer.get(), &u), 0);
    EXPECT_EQ(u, 42);
    UInt32 big = 7;
    EXPECT_EQ(BufferReadUInt32(buffer.get(), &big), -1);
    EXPECT_EQ(big, 7u);
    EXPECT_EQ(buffer->pos, 6u);
    SInt16 neg = 0;
    EXPECT_EQ(BufferReadSInt16(buffer.get(), &neg), -1);
    UInt8 last = 0;
    EXPECT_EQ(BufferReadUInt8(buffer.get(), &last), 0);
    EXPECT_EQ(last, 0xFF);
    EXPECT_EQ(BufferSkipBytes(buffer.get(), 1), -1);
    EXPECT_EQ(BufferSkipBytes(buffer.get(), -7), 0);
    EXPECT_EQ(buffer->pos, 0u);
}

TEST(FileBuffer, LengthPrefixedAndUnicodeStrings)
{
    const unsigned char bytes[] = {3, 'a', 'b', 'c', 0x00, 'O', 0xD8, 0x3D, 0xDE, 0x00, 9, 'x'};
    auto buffer = CreateFileBufferFromBytes(bytes, sizeof bytes);
    unsigned char str[256] = {};
    ASSERT_EQ(BufferReadStr255(buffer.get(), str), 0);
    EXPECT_EQ(str[0], 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(str + 1), 3), "abc");
    std::string text;
    ASSERT_EQ(BufferReadCFString(buffer.get(), 6, &text), 0);
    EXPECT_EQ(text, "O\xF0\x9F\x98\x80");  // "O" and U+1F600
    // A length byte that promises more than the block holds fails without moving.
    const std::size_t before = buffer->pos;
    EXPECT_EQ(BufferReadStr255(buffer.get(), str), -1);
    EXPECT_EQ(buffer->pos, before);
}

TEST(Utf16, InvalidSequencesBecomeReplacementCharacters)
{
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800, u'a'}), "\xEF\xBF\xBD" "a");
    EXPECT_EQ(Utf8ToUtf16("\xC3"), std::u16string{0xFFFD});
    EXPECT_EQ(Utf8ToUtf16("\xE2\x82\xAC"), std::u16string{0x20AC});
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("Å é ü 😀")), "Å é ü 😀");
}
