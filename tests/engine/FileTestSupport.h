// Helpers of the file-format tests: bytes as streams, temporary folders, environment and locale
// switches, and a fixture that records alerts by message key.
#pragma once

#include "ByteStream.h"
#include "Document.h"
#include "Status.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using ByteVector = std::vector<std::uint8_t>;

// The bytes in a temporary file, rewound, open for reading.
FileHandle StreamOf(const ByteVector& bytes);
FileHandle StreamOf(const std::string& text);
// Everything in an open file, from its start.
ByteVector StreamBytes(std::FILE* file);

void WriteFileBytes(const std::string& path, const ByteVector& bytes);
ByteVector ReadFileBytes(const std::string& path);  // empty when there is no such file
bool FileExists(const std::string& path);

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    std::vector<std::string> Names() const;  // entries, sorted

private:
    std::string path_;
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();

private:
    std::string name_, old_;
    bool had_ = false;
};

// Switches LC_ALL to a decimal-comma locale for the lifetime of the object; ok() says whether
// the locale exists (scripts/setup generates de_DE.UTF-8).
class ScopedCommaLocale {
public:
    ScopedCommaLocale();
    ~ScopedCommaLocale();
    bool ok() const { return ok_; }

private:
    std::string old_;
    bool ok_ = false;
};

// Globals initialised, the message table empty (so an alert's text is its key), alerts recorded.
class FileFormatTest : public ::testing::Test {
protected:
    void SetUp() override;
    // Texts of the alerts shown so far, in order.
    std::vector<std::string> Alerts() const;
    std::string LastAlert() const;
    RecordingStatusSink sink;

private:
    ScopedThreadStatusSink scope_{&sink};
};

// Reads crystal files (any version) from bytes into a fresh crystal kept for inspection, then
// shows the reader's problems as a caller does (kept in problems as well).
class CrystalReadingTest : public FileFormatTest {
protected:
    bool Read(const ByteVector& bytes);
    FileProblems problems;
    std::unique_ptr<WinInfoRec> doc = CreateWindowInfo(PrefDataRec{});
    std::unique_ptr<CrystalDataRec> crystal;
};

// Writes v big-endian into four bytes at offset at.
void SetBigEndian32(ByteVector& bytes, std::size_t at, std::uint32_t v);

// Expects each listed member of a and b to be equal.
template <typename R, typename... M>
void ExpectMembersEqual(const R& a, const R& b, M R::*... members)
{
    int index = 0;
    auto expect = [&](auto member) { EXPECT_EQ(a.*member, b.*member) << "member " << index++; };
    (expect(members), ...);
}
