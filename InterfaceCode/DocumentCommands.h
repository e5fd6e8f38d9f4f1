// Bringing files into a document window and documents out of it: the add-files command, files and
// folders dropped from the desktop, saving the window as a session, exporting its text reports,
// and the save-changes question before a window closes. Opening a file in a window of its own is
// the application's (Application.h); reading and writing the formats is the engine's.
#pragma once

#include <QString>
#include <QStringList>

class MainWindow;
struct WinInfoRec;

// What a window can be saved as, with the dialog each gets.
enum class SaveKind { Session = 1, Listing = 2, Profile = 3, StructureFactors = 4 };

// A drop of this many files or more asks before it loads them.
inline constexpr int kDropConfirmCount = 20;

// Whether a drag carrying these paths can be dropped: at least one is a folder or a file a
// window can take in.
bool DropAcceptable(const QStringList& paths);

// The add-files command: files chosen in a dialog are added to the window and selected.
void DoOpenInSameWindow(MainWindow* window);
// Adds the files to the window in order, redrawing once; a message about a file names it.
// Returns the number of patterns added.
int AddFilesToWindow(MainWindow* window, const QStringList& paths);
// A drop: folders are walked through all their levels; crystal and data files are added to the
// window, sessions open in windows of their own. With kDropConfirmCount files or more the user
// is asked first. Returns the number of patterns added to the window.
int DropFilesOnWindow(MainWindow* window, const QStringList& paths);

// The name a save dialog proposes: the session file the document came from or was saved to, or
// the document's name (without the extension of the file it was read from) followed by ".vlmf",
// " Listing.txt", " Profile.txt" or " Fhkl.txt".
QString DefaultSaveName(const WinInfoRec* doc, SaveKind kind);
// Save: into the document's session file, or through Save As when it has none. True when saved.
bool DoSaveFile(MainWindow* window);
// Save As and the exports: a save dialog, then the kind's writer. True when the file was written.
bool DoSaveFileAs(MainWindow* window, SaveKind kind);
// Writes the kind's file at path without asking; true when it was written. A session saved this
// way becomes the document's file and names the window.
bool WriteDocumentFile(MainWindow* window, SaveKind kind, const QString& path);

// Before a window closes: a changed window that shows patterns asks whether to save. True when
// the window may close (saved, or not to be saved); false when the user cancelled, or the save
// did not happen.
bool ConfirmClose(MainWindow* window);
