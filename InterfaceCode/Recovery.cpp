// Recovery sessions: written after changes, removed on save and close, offered after a crash.
#include "Recovery.h"

#include "ByteStream.h"
#include "Document.h"
#include "EngineBusy.h"
#include "MainWindow.h"
#include "SafeFile.h"
#include "SessionFile.h"
#include "Status.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kSessionSuffix = QStringLiteral(".vlmf");
const QString kInfoSuffix = QStringLiteral(".info");
const QString kLockSuffix = QStringLiteral(".lock");

QString OwnerOf(const QString& name)
{
    const int dash = name.indexOf(QLatin1Char('-'));
    const int dot = name.indexOf(QLatin1Char('.'));
    const int end = dash > 0 ? dash : dot;
    return end > 0 ? name.left(end) : QString();
}

// Whether a program holds the lock of owner (the digits before a file's first dash).
bool OwnerRunning(const QString& folder, const QString& owner)
{
    if (owner.isEmpty())
        return false;
    const QByteArray lock = QFile::encodeName(folder + QLatin1Char('/') + owner + kLockSuffix);
    const int fd = ::open(lock.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

bool MakePrivateFolder(const QString& path)
{
    if (!QDir().mkpath(path))
        return false;
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (::lstat(name.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    return (st.st_mode & 0777) == 0700 || ::chmod(name.constData(), 0700) == 0;
}

void RemoveSession(const QString& path)
{
    QFile::remove(path);
    QFile::remove(path.chopped(kSessionSuffix.size()) + kInfoSuffix);
}

}  // namespace

QString RecoveryFolderPath()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/velmora/recovery");
}

QString RecoveredDocumentName(const RecoveredDocument& document)
{
    std::string name;
    if (FileHandle file = OpenFile(document.path.toStdString(), "rb")) {
        // Only the name is wanted: a damaged file says so when it is restored, not here, so its
        // problems are dropped.
        std::unique_ptr<WinInfoRec> scratch = CreateWindowInfo(gPrefs);
        SessionWindowState state;
        FileProblems ignored;
        if (scratch && ParseSession(file.get(), scratch.get(), &state, gPrefs, ignored) == SessionParseResult::Done)
            name = scratch->filename;
    }
    const QString when = QLocale().toString(document.written, QLocale::ShortFormat);
    if (name.empty())
        name = QObject::tr("Untitled").toStdString();
    return QObject::tr("%1 (changed %2)").arg(QString::fromStdString(name), when);
}

RecoveryKeeper::RecoveryKeeper() = default;

RecoveryKeeper::~RecoveryKeeper()
{
    for (auto& [window, entry] : entries_)
        if (entry.window && entry.timer)
            entry.timer->stop();
    if (lockFd_ >= 0) {
        QFile::remove(folder_ + QLatin1Char('/') + prefix_.chopped(1) + kLockSuffix);
        ::close(lockFd_);
    }
}

bool RecoveryKeeper::Start()
{
    if (Active())
        return true;
    const QString folder = RecoveryFolderPath();
    // The folder above it holds other state of the program: private as well.
    if (!MakePrivateFolder(QFileInfo(folder).path()) || !MakePrivateFolder(folder))
        return false;
    const QString pid = QString::number(::getpid());
    const QByteArray lock = QFile::encodeName(folder + QLatin1Char('/') + pid + kLockSuffix);
    const int fd = ::open(lock.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    folder_ = folder;
    prefix_ = pid + QLatin1Char('-');
    lockFd_ = fd;
    // Files an earlier program of the same number left are left-overs, not ours.
    for (const QFileInfo& info : QDir(folder_).entryInfoList({prefix_ + QLatin1Char('*')}, QDir::Files))
        QFile::rename(info.filePath(), folder_ + QStringLiteral("/0") + info.fileName().mid(prefix_.size() - 1));
    Prune();
    return true;
}

void RecoveryKeeper::Prune() const
{
    const QDir dir(folder_);
    const QString self = prefix_.chopped(1);
    std::vector<QFileInfo> sessions;
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QString name = info.fileName();
        const QString owner = OwnerOf(name);
        if (owner == self)
            continue;
        if (name.endsWith(kLockSuffix)) {
            if (!OwnerRunning(folder_, owner))
                QFile::remove(info.filePath());
        } else if (name.contains(QStringLiteral(".tmp-"))) {
            if (!OwnerRunning(folder_, owner))
                QFile::remove(info.filePath());  // a write cut short
        } else if (name.endsWith(kInfoSuffix)) {
            if (!QFileInfo::exists(info.filePath().chopped(kInfoSuffix.size()) + kSessionSuffix))
                QFile::remove(info.filePath());
        } else if (name.endsWith(kSessionSuffix) && !OwnerRunning(folder_, owner)) {
            sessions.push_back(info);
        }
    }
    std::sort(sessions.begin(), sessions.end(),
              [](const QFileInfo& a, const QFileInfo& b) { return a.lastModified() > b.lastModified(); });
    const QDateTime oldest = QDateTime::currentDateTime().addDays(-kRecoveryMaxAgeDays);
    qint64 bytes = 0;
    int kept = 0;
    for (const QFileInfo& info : sessions) {
        bytes += info.size();
        if (kept >= kMaxRecoveryFiles || bytes > kMaxRecoveryBytes || info.lastModified() < oldest)
            RemoveSession(info.filePath());
        else
            ++kept;
    }
}

std::vector<RecoveredDocument> RecoveryKeeper::LeftOvers() const
{
    std::vector<RecoveredDocument> found;
    if (!Active())
        return found;
    const QString self = prefix_.chopped(1);
    for (const QFileInfo& info : QDir(folder_).entryInfoList({QStringLiteral("*") + kSessionSuffix}, QDir::Files)) {
        const QString owner = OwnerOf(info.fileName());
        if (owner == self || OwnerRunning(folder_, owner))
            continue;
        RecoveredDocument document;
        document.path = info.filePath();
        document.written = info.lastModified();
        QFile extra(info.filePath().chopped(kSessionSuffix.size()) + kInfoSuffix);
        if (extra.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : extra.read(16384).split('\n')) {
                if (line.startsWith("session "))
                    document.sessionPath = QString::fromUtf8(line.mid(8));
                else if (line.startsWith("relative "))
                    document.relativeIntensity = line.mid(9) != "0";
            }
        }
        found.push_back(document);
    }
    std::sort(found.begin(), found.end(),
              [](const RecoveredDocument& a, const RecoveredDocument& b) { return a.written < b.written; });
    return found;
}

void RecoveryKeeper::Remove(const RecoveredDocument& document)
{
    RemoveSession(document.path);
}

RecoveryKeeper::Entry* RecoveryKeeper::EntryOf(MainWindow* window, bool make)
{
    auto it = entries_.find(window);
    if (it != entries_.end() && !it->second.window)
        it = entries_.end();  // a window gone without saying so; its address was reused
    if (it != entries_.end())
        return &it->second;
    if (!make || !Active())
        return nullptr;
    Entry entry;
    entry.window = window;
    entry.file = folder_ + QLatin1Char('/') + prefix_ + QString::number(++serial_) + kSessionSuffix;
    entry.timer = new QTimer(window);
    entry.timer->setSingleShot(true);
    connect(entry.timer, &QTimer::timeout, this, [this, window] { WriteNow(window); });
    return &(entries_[window] = entry);
}

void RecoveryKeeper::DocumentChanged(MainWindow* window)
{
    Entry* entry = EntryOf(window, true);
    if (!entry)
        return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (entry->firstChange < 0)
        entry->firstChange = now;
    const qint64 deadline = entry->firstChange + kRecoveryMaxDelayMs;
    entry->timer->start(static_cast<int>(std::clamp<qint64>(std::min<qint64>(now + kRecoveryQuietMs, deadline) - now, 0,
                                                            kRecoveryQuietMs)));
}

bool RecoveryKeeper::WriteNow(MainWindow* window)
{
    Entry* entry = EntryOf(window, false);
    if (!entry || entry->firstChange < 0)
        return entry != nullptr;
    if (EngineBusy::Active()) {
        entry->timer->start(kRecoveryQuietMs / 4);  // the document is half computed: a little later
        return false;
    }
    return Write(*entry);
}

bool RecoveryKeeper::Write(Entry& entry)
{
    entry.timer->stop();
    WinInfoRec* doc = entry.window->Doc();
    if (doc->plotList.empty()) {
        // Nothing to restore: an earlier file of it goes.
        RemoveSession(entry.file);
        entry.firstChange = -1;
        return true;
    }
    const SessionWindowState state = entry.window->SessionState();
    const OSErr err =
        WriteFileSafely(entry.file.toStdString(), [&](std::FILE* file) { return WriteSessionStream(doc, file, state); });
    if (err != kNoErr) {
        // Retried with the next change; a full disk must not bring up a message at every drag.
        entry.firstChange = -1;
        return false;
    }
    std::string extra = std::string("relative ") + (doc->plotSpecs.relativeIntensity ? "1" : "0") + "\n";
    if (!doc->sessionFilePtr.empty() && doc->sessionFilePtr.find('\n') == std::string::npos)
        extra += "session " + doc->sessionFilePtr + "\n";
    const QString info = entry.file.chopped(kSessionSuffix.size()) + kInfoSuffix;
    // The note beside the recovered session is a help, not a need: recovery goes on without it.
    (void)WriteFileSafely(info.toStdString(), [&](std::FILE* file) {
        return std::fwrite(extra.data(), 1, extra.size(), file) == extra.size() ? kNoErr : kIOErr;
    });
    entry.firstChange = -1;
    ++writes_;
    return true;
}

void RecoveryKeeper::Forget(MainWindow* window, bool removeFile)
{
    auto it = entries_.find(window);
    if (it == entries_.end())
        return;
    if (it->second.window && it->second.timer)
        it->second.timer->stop();
    if (removeFile)
        RemoveSession(it->second.file);
    entries_.erase(it);
}

void RecoveryKeeper::DocumentSaved(MainWindow* window)
{
    Forget(window, true);
}

void RecoveryKeeper::WindowClosing(MainWindow* window, bool keep)
{
    if (keep && window->IsModified()) {
        if (Entry* entry = EntryOf(window, true)) {
            entry->firstChange = 0;
            Write(*entry);
        }
        Forget(window, false);
        return;
    }
    Forget(window, true);
}

QString RecoveryKeeper::FileOf(MainWindow* window) const
{
    const auto it = entries_.find(window);
    return it == entries_.end() ? QString() : it->second.file;
}

bool RecoveryKeeper::Pending(MainWindow* window) const
{
    const auto it = entries_.find(window);
    return it != entries_.end() && it->second.firstChange >= 0;
}
