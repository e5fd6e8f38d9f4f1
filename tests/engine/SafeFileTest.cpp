// Complete-or-nothing writing, and what it does to each kind of target: plain files, links,
// folders, pipes, sockets, devices and open descriptors.
#include "FileTestSupport.h"
#include "SafeFile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>

namespace {

OSErr WriteText(std::FILE* file, const char* text)
{
    return std::fputs(text, file) >= 0 ? kNoErr : kIOErr;
}

OSErr WriteSafely(const std::string& path, const char* text)
{
    return WriteFileSafely(path, [text](std::FILE* f) { return WriteText(f, text); });
}

std::string ReadText(const std::string& path)
{
    const ByteVector bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Everything readable from fd until its writer closes it.
std::string ReadAll(int fd)
{
    std::string text;
    char chunk[4096];
    ssize_t n;
    while ((n = ::read(fd, chunk, sizeof chunk)) > 0)
        text.append(chunk, static_cast<std::size_t>(n));
    return text;
}

mode_t ModeOf(const std::string& path)
{
    struct stat st{};
    ::lstat(path.c_str(), &st);
    return st.st_mode;
}

}  // namespace

TEST(SafeFile, ReplacesTheTargetOnlyWhenTheWriteSucceeded)
{
    TempFolder folder;
    const std::string target = folder / "settings";
    ASSERT_EQ(WriteSafely(target, "first"), kNoErr);
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);

    // A writer that fails part-way: the old file stays, the temporary file is gone.
    EXPECT_EQ(WriteFileSafely(target, [](std::FILE* f) {
                  WriteText(f, "half of the sec");
                  return kIOErr;
              }),
              kIOErr);
    EXPECT_EQ(ReadText(target), "first");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"settings"});

    // A successful one replaces it and keeps its permissions.
    ASSERT_EQ(WriteSafely(target, "second"), kNoErr);
    EXPECT_EQ(ReadText(target), "second");
    EXPECT_EQ(ModeOf(target) & 0777, 0640u);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"settings"});
}

TEST(SafeFile, UnwritableTargetsFailCleanly)
{
    TempFolder folder;
    EXPECT_NE(WriteSafely(folder / "missing/file", "x"), kNoErr);
    // A writer that is never committed leaves nothing behind.
    {
        SafeFileWriter writer(folder / "abandoned");
        ASSERT_EQ(writer.Open(), kNoErr);
        WriteText(writer.file(), "never committed");
    }
    EXPECT_TRUE(folder.Names().empty());
}

TEST(SafeFile, ALinkIsFollowedAndItsTargetReplacedInItsOwnFolder)
{
    TempFolder here, there;
    const std::string file = there / "listing.txt";
    WriteFileBytes(file, {'o', 'l', 'd'});
    ASSERT_EQ(::chmod(file.c_str(), 0604), 0);
    // An absolute link, and a relative link to that link.
    ASSERT_EQ(::symlink(file.c_str(), (here / "abs").c_str()), 0);
    ASSERT_EQ(::symlink("abs", (here / "rel").c_str()), 0);

    ASSERT_EQ(WriteSafely(here / "rel", "new listing"), kNoErr);
    EXPECT_TRUE(S_ISLNK(ModeOf(here / "rel")));
    EXPECT_TRUE(S_ISLNK(ModeOf(here / "abs")));
    EXPECT_EQ(ReadText(file), "new listing");
    EXPECT_EQ(ModeOf(file) & 0777, 0604u);
    // No temporary file was left in either folder.
    EXPECT_EQ(here.Names(), (std::vector<std::string>{"abs", "rel"}));
    EXPECT_EQ(there.Names(), std::vector<std::string>{"listing.txt"});

    // A dangling link gets its file created where it points.
    ASSERT_EQ(::symlink("fresh.txt", (there / "dangling").c_str()), 0);
    ASSERT_EQ(WriteSafely(there / "dangling", "created"), kNoErr);
    EXPECT_TRUE(S_ISLNK(ModeOf(there / "dangling")));
    EXPECT_EQ(ReadText(there / "fresh.txt"), "created");
}

TEST(SafeFile, FoldersAndLinkLoopsAreRefusedAndLeftAlone)
{
    TempFolder folder;
    ASSERT_EQ(::mkdir((folder / "out").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("out", (folder / "to-folder").c_str()), 0);
    ASSERT_EQ(::symlink("loop-b", (folder / "loop-a").c_str()), 0);
    ASSERT_EQ(::symlink("loop-a", (folder / "loop-b").c_str()), 0);

    EXPECT_EQ(WriteSafely(folder / "out", "x"), kNotAFileErr);
    EXPECT_EQ(WriteSafely(folder / "to-folder", "x"), kNotAFileErr);
    EXPECT_STREQ(WriteErrorKey(kNotAFileErr), "Output_Is_Folder");
    EXPECT_TRUE(S_ISDIR(ModeOf(folder / "out")));
    EXPECT_EQ(WriteSafely(folder / "loop-a", "x"), kIOErr);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"loop-a", "loop-b", "out", "to-folder"}));
}

TEST(SafeFile, ALockedFileIsRefused)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root, which may write any file";
    TempFolder folder;
    const std::string file = folder / "locked";
    WriteFileBytes(file, {'k', 'e', 'p', 't'});
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    EXPECT_EQ(WriteSafely(file, "replaced"), kWrPermErr);
    EXPECT_EQ(ReadText(file), "kept");
}

TEST(SafeFile, ANamedPipeIsWrittenDirectlyToItsReader)
{
    TempFolder folder;
    const std::string fifo = folder / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] {
        const int fd = ::open(fifo.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            received = ReadAll(fd);
            ::close(fd);
        }
    });
    const std::string text(200000, 'p');  // more than a pipe buffer holds
    const OSErr err = WriteSafely(fifo, text.c_str());
    reader.join();
    EXPECT_EQ(err, kNoErr);
    EXPECT_EQ(received, text);
    EXPECT_TRUE(S_ISFIFO(ModeOf(fifo)));
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"pipe"});
}

TEST(SafeFile, ASocketIsWrittenThroughAConnection)
{
    TempFolder folder;
    const std::string path = folder / "sock";
    const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(server, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    ASSERT_EQ(::bind(server, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(server, 1), 0);
    std::string received;
    std::thread reader([&] {
        const int connection = ::accept(server, nullptr, nullptr);
        if (connection >= 0) {
            received = ReadAll(connection);
            ::close(connection);
        }
    });
    const OSErr err = WriteSafely(path, "through the socket");
    reader.join();
    ::close(server);
    EXPECT_EQ(err, kNoErr);
    EXPECT_EQ(received, "through the socket");
    EXPECT_TRUE(S_ISSOCK(ModeOf(path)));
}

// Open descriptors named as paths get the bytes in order, and a failed write sends none.
TEST(SafeFile, DescriptorPathsAreWrittenDirectly)
{
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        const std::string path = prefix + std::to_string(ends[1]);
        EXPECT_EQ(WriteSafely(path, "one "), kNoErr) << path;
        EXPECT_EQ(WriteFileSafely(path, [](std::FILE* f) {
                      WriteText(f, "half");
                      return kIOErr;
                  }),
                  kIOErr);
        EXPECT_EQ(WriteSafely(path, "two"), kNoErr) << path;
        ::close(ends[1]);
        EXPECT_EQ(ReadAll(ends[0]), "one two") << path;
        ::close(ends[0]);
    }
    EXPECT_EQ(ResolveWriteTarget("/dev/stdout").kind, WriteTargetKind::Descriptor);
    EXPECT_EQ(ResolveWriteTarget("/dev/stderr").descriptor, 2);
}

TEST(SafeFile, ACharacterDeviceIsWrittenAndStaysADevice)
{
    // The system's own null device, never replaced by a file.
    EXPECT_EQ(WriteSafely("/dev/null", "discarded"), kNoErr);
    EXPECT_TRUE(S_ISCHR(ModeOf("/dev/null")));
    if (::geteuid() != 0)
        GTEST_SKIP() << "creating a scratch device node needs root; only /dev/null was checked";

    // A scratch copy of the null device in a folder of our own, reached through a link as well.
    TempFolder folder;
    const std::string device = folder / "null";
    ASSERT_EQ(::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    ASSERT_EQ(::symlink("null", (folder / "link").c_str()), 0);
    EXPECT_EQ(WriteSafely(device, "discarded"), kNoErr);
    EXPECT_EQ(WriteSafely(folder / "link", "discarded"), kNoErr);
    EXPECT_TRUE(S_ISCHR(ModeOf(device)));
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"link", "null"}));
}
