// The desktop application: start-up in order, the document windows and which one is in front,
// opening files into windows, and quitting. Menu commands reach the front window through the
// command table (CommandTable.h); the document commands are in DocumentCommands.h.
#pragma once

#include "Alerts.h"
#include "Recovery.h"
#include "Types.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>
#include <vector>

class AboutBox;
class HelpWindow;
class MainWindow;
class QPrinter;
class UpdateChecker;
class QRect;
class QSize;

// The size of a first window on a screen whose free area is screen: about two thirds of it, at
// least the smallest window.
QSize DefaultWindowSize(const QRect& screen);

// The application object sets the whole process to the user's locale; this puts numbers back to
// the C locale, so files are read and reports written with a full stop whatever the user's
// language. Called right after the application object is made.
void UseFullStopForNumbers();

class Application : public QObject {
    Q_OBJECT
public:
    Application();
    ~Application() override;  // closes no window: disposes of those still open

    // Global state, the user's preferences over the factory ones, the scattering table; then one
    // empty window titled "Untitled" and the files named on the command line, in order. False
    // when the program cannot start.
    bool Start(const QStringList& files);

    // The front document window: the one activated or opened last; null for none.
    MainWindow* FrontWindow() const;
    std::vector<MainWindow*> DocumentWindows() const;

    // A window for a document called name: the front window when its plot list is empty, else a
    // new one (offset from the front window, with its panes' visibility, or sized from the
    // preferences when it is the first). Null when none can be made.
    MainWindow* OpenMainWindow(const QString& name);
    MainWindow* DoNewWindow();
    // Opens a file as a document: a crystal, CIF, data or session file in a window of its own (or
    // the empty front window). A file that cannot be read leaves no new window behind. Returns
    // the window, or null.
    MainWindow* OpenDoc(const QString& path);
    // The open command: files chosen in a dialog, each opened with OpenDoc.
    void DoOpen();
    // Asks about every changed document as closing its window does (saving those the user wants
    // saved); unless the user cancels, writes the preferences file and closes every window. False
    // when the program goes on.
    bool DoQuit();

    // When the last document window closes the preferences are written and the program ends
    // (the desktop's way); tests switch this off.
    bool quitWhenLastWindowCloses = true;

    AlertSink& Alerts() { return alerts_; }
    // The recovery sessions of the document windows (Recovery.h).
    RecoveryKeeper& Recovery() { return recovery_; }
    // The start-up question about documents a killed or crashed program left: restore them in
    // windows of their own, discard them, or keep them for the next start. Asked once for all;
    // nothing is asked when there are none.
    void OfferRecoveredDocuments();
    // Opens a left-over recovery session as a document with unsaved changes, which then has a
    // recovery file of this program; the left-over goes. Null when it cannot be read.
    MainWindow* RestoreDocument(const RecoveredDocument& document);
#if VELMORA_UPDATE_CHECK
    // The update check of the Help menu and of start-up (made on first use).
    UpdateChecker& Updates();
    // Whether Start schedules the automatic update check (tests switch it off).
    bool automaticUpdateCheck = true;
#endif
    // The printer of page set-up and printing, kept for the whole run (made on first use).
    QPrinter& Printer();
    // The user guide's window, made and loaded on first use, shown in front (at section, when
    // given). The same window serves every document window.
    HelpWindow* ShowHelp(const QString& section = {});
    // The About window (made on first use), shown in front.
    AboutBox* ShowAbout();

public slots:
    void WindowActivated(MainWindow* window);
    void WindowClosed(MainWindow* window);

private:
    void SavePreferences(const Rect* frontBounds);

    AlertSink alerts_;
    RecoveryKeeper recovery_;
    std::vector<QPointer<MainWindow>> windows_;  // most recently active last
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<HelpWindow> help_;
    std::unique_ptr<AboutBox> about_;
#if VELMORA_UPDATE_CHECK
    std::unique_ptr<UpdateChecker> updates_;
#endif
};
