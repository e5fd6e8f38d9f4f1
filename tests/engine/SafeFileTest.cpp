// Complete-or-nothing writing.
#include "FileTestSupport.h"
#include "SafeFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

OSErr WriteText(std::FILE* file, const char* text)
{
    return std::fputs(text, file) >= 0 ? kNoErr : kIOErr;
}

}  // namespace

TEST(SafeFile, ReplacesTheTargetOnlyWhenTheWriteSucceeded)
{
    TempFolder folder;
    const std::string target = folder / "settings";
    ASSERT_EQ(WriteFileSafely(target, [](std::FILE* f) { return WriteText(f, "first"); }), kNoErr);
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);

    // A writer that fails part-way: the old file stays, the temporary file is gone.
    EXPECT_EQ(WriteFileSafely(target, [](std::FILE* f) {
                  WriteText(f, "half of the sec");
                  return kIOErr;
              }),
              kIOErr);
    EXPECT_EQ(ReadFileBytes(target), (ByteVector{'f', 'i', 'r', 's', 't'}));
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"settings"});

    // A successful one replaces it and keeps its permissions.
    ASSERT_EQ(WriteFileSafely(target, [](std::FILE* f) { return WriteText(f, "second"); }), kNoErr);
    EXPECT_EQ(ReadFileBytes(target).size(), 6u);
    struct stat st;
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"settings"});
}

TEST(SafeFile, UnwritableTargetsFailCleanly)
{
    TempFolder folder;
    EXPECT_NE(WriteFileSafely(folder / "missing/file", [](std::FILE* f) { return WriteText(f, "x"); }), kNoErr);
    // A writer that is never committed leaves nothing behind.
    {
        SafeFileWriter writer(folder / "abandoned");
        ASSERT_EQ(writer.Open(), kNoErr);
        WriteText(writer.file(), "never committed");
    }
    EXPECT_TRUE(folder.Names().empty());
}
