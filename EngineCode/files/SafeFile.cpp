// Safe writing: targets resolved through their links, temporary file and rename for plain files,
// a complete buffer written directly for streams.
#include "SafeFile.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

std::atomic<unsigned> gTempCounter{0};

// The most links followed before a path counts as a loop (the kernel's own limit).
constexpr int kMaxLinkHops = 40;

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

// The descriptor a path names directly (/dev/stdout, /dev/fd/3, /proc/self/fd/3), else -1.
int NamedDescriptor(const std::string& path)
{
    if (path == "/dev/stdout")
        return STDOUT_FILENO;
    if (path == "/dev/stderr")
        return STDERR_FILENO;
    std::string number;
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/", "/proc/thread-self/fd/"}) {
        const std::size_t n = std::strlen(prefix);
        if (path.compare(0, n, prefix) == 0) {
            number = path.substr(n);
            break;
        }
    }
    if (number.empty() || number.size() > 6 || number.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stoi(number);
}

// A file in memory (or, failing that, an unnamed temporary file) for a stream target's data.
std::FILE* ScratchFile()
{
    const int fd = ::memfd_create("velmora-output", MFD_CLOEXEC);
    if (fd >= 0) {
        if (std::FILE* file = ::fdopen(fd, "w+b"))
            return file;
        ::close(fd);
    }
    return std::tmpfile();
}

// Opens a stream target for writing: devices and pipes by name (a pipe waits for its reader),
// sockets by connecting to them. -1 on failure.
int OpenStream(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    if (!S_ISSOCK(st.st_mode))
        return ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path)
        return -1;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    for (int type : {SOCK_STREAM, SOCK_SEQPACKET}) {
        const int fd = ::socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return -1;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            return fd;
        ::close(fd);
    }
    return -1;
}

// Keeps SIGPIPE from ending the program while a pipe whose reader went away is written: the
// write fails with EPIPE instead, and a signal raised meanwhile is taken back.
class SigPipeBlock {
public:
    SigPipeBlock()
    {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        wasPending_ = sigismember(&pending, SIGPIPE) == 1;
        blocked_ = pthread_sigmask(SIG_BLOCK, &pipe_, &old_) == 0;
    }
    ~SigPipeBlock()
    {
        if (!blocked_)
            return;
        if (!wasPending_) {
            const timespec zero{0, 0};
            while (sigtimedwait(&pipe_, nullptr, &zero) == SIGPIPE) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    SigPipeBlock(const SigPipeBlock&) = delete;
    SigPipeBlock& operator=(const SigPipeBlock&) = delete;

private:
    sigset_t pipe_, old_;
    bool blocked_ = false, wasPending_ = false;
};

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

WriteTarget Refuse(OSErr why)
{
    WriteTarget t;
    t.refusal = why;
    return t;
}

}  // namespace

WriteTarget ResolveWriteTarget(const std::string& path)
{
    if (path.empty())
        return Refuse(kParamErr);
    std::string current = path;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        if (const int fd = NamedDescriptor(current); fd >= 0) {
            if (::fcntl(fd, F_GETFD) < 0)
                return Refuse(kIOErr);
            WriteTarget t;
            t.kind = WriteTargetKind::Descriptor;
            t.descriptor = fd;
            return t;
        }
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno != ENOENT)
                return Refuse(kIOErr);
            WriteTarget t;
            t.kind = WriteTargetKind::NewFile;
            t.path = current;
            return t;
        }
        if (S_ISLNK(st.st_mode)) {
            std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
            const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
            if (n <= 0 || static_cast<std::size_t>(n) >= link.size())
                return Refuse(kIOErr);
            link.resize(static_cast<std::size_t>(n));
            current = link.front() == '/' ? link : FolderOf(current) + "/" + link;
            continue;
        }
        WriteTarget t;
        t.path = current;
        if (S_ISREG(st.st_mode)) {
            if (::access(current.c_str(), W_OK) != 0)
                return Refuse(kWrPermErr);
            t.kind = WriteTargetKind::PlainFile;
        } else if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) {
            t.kind = WriteTargetKind::Stream;
        } else {
            return Refuse(kNotAFileErr);  // a folder or a block device
        }
        return t;
    }
    return Refuse(kIOErr);  // a loop of links
}

SafeFileWriter::SafeFileWriter(std::string target) : target_(std::move(target)) {}

SafeFileWriter::~SafeFileWriter()
{
    Discard();
}

OSErr SafeFileWriter::Open()
{
    if (file_ || target_.empty())
        return kParamErr;
    resolved_ = ResolveWriteTarget(target_);
    switch (resolved_.kind) {
    case WriteTargetKind::Refused:
        return resolved_.refusal;
    case WriteTargetKind::Stream:
    case WriteTargetKind::Descriptor:
        file_ = ScratchFile();
        return file_ ? kNoErr : kIOErr;
    case WriteTargetKind::NewFile:
    case WriteTargetKind::PlainFile:
        break;
    }
    // A name beside the file at the end of the links that no other writer uses; O_EXCL makes a
    // clash a retry, and the permissions follow the umask like any new file's.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = resolved_.path + ".tmp-" + std::to_string(::getpid()) + "-" +
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

OSErr SafeFileWriter::CommitToStream()
{
    bool ok = std::ferror(file_) == 0 && std::fflush(file_) == 0 && std::fseek(file_, 0, SEEK_SET) == 0;
    int fd = resolved_.descriptor;
    bool ownFd = false;
    if (ok && resolved_.kind == WriteTargetKind::Stream) {
        fd = OpenStream(resolved_.path);
        ownFd = fd >= 0;
        ok = ownFd;
    }
    if (ok && fd == STDOUT_FILENO)
        ok = std::fflush(stdout) == 0;
    if (ok && fd == STDERR_FILENO)
        std::fflush(stderr);
    if (ok) {
        SigPipeBlock noSignal;
        char chunk[65536];
        std::size_t n;
        while (ok && (n = std::fread(chunk, 1, sizeof chunk, file_)) > 0)
            ok = WriteAll(fd, chunk, n);
        ok = ok && std::ferror(file_) == 0;
    }
    if (ownFd && ::close(fd) != 0)
        ok = false;
    std::fclose(file_);
    file_ = nullptr;
    return ok ? kNoErr : kIOErr;
}

OSErr SafeFileWriter::Commit()
{
    if (!file_)
        return kParamErr;
    if (resolved_.kind == WriteTargetKind::Stream || resolved_.kind == WriteTargetKind::Descriptor)
        return CommitToStream();
    bool ok = std::ferror(file_) == 0 && std::fflush(file_) == 0 && ::fsync(::fileno(file_)) == 0;
    // A replaced file keeps its permissions, and its owner where we may set it.
    struct stat st;
    if (ok && ::stat(resolved_.path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        if (::fchown(::fileno(file_), st.st_uid, st.st_gid) != 0) {
            // not ours to give away: the new file stays ours
        }
        ::fchmod(::fileno(file_), st.st_mode & 07777);  // after chown, which clears set-id bits
    }
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (ok && ::rename(temp_.c_str(), resolved_.path.c_str()) == 0) {
        temp_.clear();
        SyncFolder(FolderOf(resolved_.path));
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

const char* WriteErrorKey(OSErr err)
{
    switch (err) {
    case kNotAFileErr: return "Output_Is_Folder";
    case kWrPermErr: return "Output_Is_Locked";
    default: return "Error_Writing_File";
    }
}
