// Automatic recovery of unsaved work. Every document window with unsaved changes is written as a
// session into the recovery folder shortly after its last change (through the safe writer), and
// its file goes when the document is saved or closed without saving. A running program holds a
// lock on a file of its own there; files whose program no longer holds its lock were left by a
// program that was killed or crashed (or quit with unsaved changes) and are offered at start-up.
// The folder is private to the user and kept small.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>

#include <map>
#include <memory>
#include <vector>

class MainWindow;
class QTimer;

enum class RecoveryAnswer { Restore, Discard, Keep };

// A document written after this long without a further change, milliseconds...
inline constexpr int kRecoveryQuietMs = 2000;
// ...and no later than this after its first unwritten change, so a long slider drag is written
// every few seconds.
inline constexpr int kRecoveryMaxDelayMs = 5000;
// Left-over files kept at most: the newest, up to this many and this many bytes together; files
// older than kRecoveryMaxAgeDays are removed.
inline constexpr int kMaxRecoveryFiles = 32;
inline constexpr qint64 kMaxRecoveryBytes = 256LL * 1024 * 1024;
inline constexpr int kRecoveryMaxAgeDays = 30;

// $XDG_STATE_HOME/velmora/recovery, or ~/.local/state/velmora/recovery.
QString RecoveryFolderPath();

// Beside each recovery session a small text file (".info") keeps what a session does not: the
// document's own session file and whether intensities were shown relative.
//
// A recovery file left by a program that is no longer running.
struct RecoveredDocument {
    QString path;         // the recovery session
    QString sessionPath;  // the session file the document came from or was saved to; may be empty
    // Whether intensities were shown relative (a session read back always shows them so).
    bool relativeIntensity = true;
    QDateTime written;
};

// How the start-up question names a left-over document: its name as stored in the session and
// when it was last written.
QString RecoveredDocumentName(const RecoveredDocument& document);

class RecoveryKeeper : public QObject {
    Q_OBJECT
public:
    RecoveryKeeper();
    ~RecoveryKeeper() override;  // gives up the lock; files of unsaved documents stay

    // Makes the folder (mode 700), claims this program's lock and tidies left-overs (stray
    // temporary files, old or surplus sessions). False when the folder cannot be used: recovery is
    // then off and nothing else changes.
    bool Start();
    bool Active() const { return lockFd_ >= 0; }
    const QString& Folder() const { return folder_; }

    // Documents left by programs no longer running, oldest first.
    std::vector<RecoveredDocument> LeftOvers() const;
    // Removes a left-over file (after it was restored or discarded).
    static void Remove(const RecoveredDocument& document);

    // A change to the window's document: its file is written once the changes pause.
    void DocumentChanged(MainWindow* window);
    // The document was saved or has no unsaved changes any more: its file goes.
    void DocumentSaved(MainWindow* window);
    // The window is closing. When keep is set (quitting with unsaved changes) its file is written
    // now and left for the next start; otherwise it goes.
    void WindowClosing(MainWindow* window, bool keep);
    // Writes the window's document now if a write is due; true when its file is up to date.
    bool WriteNow(MainWindow* window);

    // The window's recovery file (whether or not written yet); empty when recovery is off.
    QString FileOf(MainWindow* window) const;
    // Whether a change of the window waits to be written.
    bool Pending(MainWindow* window) const;
    // Recovery files written so far by this program.
    int Writes() const { return writes_; }

private:
    struct Entry {
        QPointer<MainWindow> window;
        QString file;
        QTimer* timer = nullptr;  // owned by the window
        qint64 firstChange = -1;  // ms since the epoch of the first unwritten change; -1 when none
    };
    Entry* EntryOf(MainWindow* window, bool make);
    bool Write(Entry& entry);
    void Forget(MainWindow* window, bool removeFile);
    void Prune() const;

    QString folder_;
    QString prefix_;  // "<pid>-" of this program's files
    int lockFd_ = -1;
    int serial_ = 0;
    int writes_ = 0;
    std::map<MainWindow*, Entry> entries_;
};
