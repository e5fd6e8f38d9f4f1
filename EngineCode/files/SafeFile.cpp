// Complete-or-nothing file writing: temporary file, fsync, rename.
#include "SafeFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<unsigned> gTempCounter{0};

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes the folder's entry for the renamed file durable too (best effort).
void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

SafeFileWriter::SafeFileWriter(std::string target) : target_(std::move(target)) {}

SafeFileWriter::~SafeFileWriter()
{
    Discard();
}

OSErr SafeFileWriter::Open()
{
    if (file_ || target_.empty())
        return kParamErr;
    // A name beside the target that no other writer uses; O_EXCL makes a clash a retry, and the
    // permissions follow the umask like any new file's.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = target_ + ".tmp-" + std::to_string(::getpid()) + "-" +
                                std::to_string(gTempCounter.fetch_add(1));
        const int fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return kIOErr;
        }
        file_ = ::fdopen(fd, "w+b");
        if (!file_) {
            ::close(fd);
            ::unlink(candidate.c_str());
            return kIOErr;
        }
        temp_ = std::move(candidate);
        return kNoErr;
    }
    return kIOErr;
}

OSErr SafeFileWriter::Commit()
{
    if (!file_)
        return kParamErr;
    bool ok = std::ferror(file_) == 0 && std::fflush(file_) == 0 && ::fsync(::fileno(file_)) == 0;
    // An existing target keeps its permissions.
    struct stat st;
    if (ok && ::stat(target_.c_str(), &st) == 0)
        ::fchmod(::fileno(file_), st.st_mode & 07777);
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (ok && ::rename(temp_.c_str(), target_.c_str()) == 0) {
        temp_.clear();
        SyncFolder(FolderOf(target_));
        return kNoErr;
    }
    Discard();
    return kIOErr;
}

void SafeFileWriter::Discard()
{
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

OSErr WriteFileSafely(const std::string& path, const std::function<OSErr(std::FILE*)>& write)
{
    SafeFileWriter writer(path);
    OSErr err = writer.Open();
    if (err != kNoErr)
        return err;
    err = write(writer.file());
    if (err != kNoErr) {
        writer.Discard();
        return err;
    }
    return writer.Commit();
}
