// Helpers of the file-format tests.
#include "FileTestSupport.h"

#include "CrystalFile.h"
#include "Globals.h"
#include "StringTable.h"

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

FileHandle StreamOf(const ByteVector& bytes)
{
    FileHandle file(std::tmpfile());
    if (file && !bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), file.get());
    if (file)
        std::rewind(file.get());
    return file;
}

FileHandle StreamOf(const std::string& text)
{
    return StreamOf(ByteVector(text.begin(), text.end()));
}

ByteVector StreamBytes(std::FILE* file)
{
    ByteVector bytes;
    std::fflush(file);
    std::rewind(file);
    int c;
    while ((c = std::fgetc(file)) != EOF)
        bytes.push_back(static_cast<std::uint8_t>(c));
    return bytes;
}

void WriteFileBytes(const std::string& path, const ByteVector& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

ByteVector ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return ByteVector(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}

TempFolder::TempFolder()
{
    std::string pattern = (fs::temp_directory_path() / "velmora-test-XXXXXX").string();
    if (const char* made = ::mkdtemp(pattern.data()))
        path_ = made;
}

TempFolder::~TempFolder()
{
    std::error_code ec;
    if (!path_.empty())
        fs::remove_all(path_, ec);
}

std::vector<std::string> TempFolder::Names() const
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name)
{
    if (const char* old = std::getenv(name)) {
        had_ = true;
        old_ = old;
    }
    ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv()
{
    if (had_)
        ::setenv(name_.c_str(), old_.c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}

ScopedCommaLocale::ScopedCommaLocale()
{
    old_ = std::setlocale(LC_ALL, nullptr);
    ok_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr || std::setlocale(LC_ALL, "de_DE.utf8") != nullptr;
}

ScopedCommaLocale::~ScopedCommaLocale()
{
    std::setlocale(LC_ALL, old_.c_str());
}

void FileFormatTest::SetUp()
{
    InitVLGlobals();
    gPrefs = gFactoryPrefs;
    LoadStringTableFromText("");
}

std::vector<std::string> FileFormatTest::Alerts() const
{
    std::vector<std::string> texts;
    for (const auto& e : sink.events)
        if (e.kind == RecordingStatusSink::Kind::Alert)
            texts.push_back(e.text);
    return texts;
}

std::string FileFormatTest::LastAlert() const
{
    const auto* e = sink.Last(RecordingStatusSink::Kind::Alert);
    return e ? e->text : std::string();
}

bool CrystalReadingTest::Read(const ByteVector& bytes)
{
    crystal = CreateCrystal(PrefDataRec{});
    FileHandle file = StreamOf(bytes);
    problems.Clear();
    const bool read = ReadCrystalStream(doc.get(), crystal.get(), file.get(), problems);
    ShowProblems(problems);
    return read;
}

void SetBigEndian32(ByteVector& bytes, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}
