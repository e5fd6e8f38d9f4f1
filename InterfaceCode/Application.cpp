// The desktop application.
#include "Application.h"

#include "AboutBox.h"
#include "AddFiles.h"
#include "DocumentCommands.h"
#include "Dialogs.h"
#include "EngineBusy.h"
#include "FileTypes.h"
#include "Globals.h"
#include "GraphicsPane.h"
#include "HelpWindow.h"
#include "InfoBar.h"
#include "MainWindow.h"
#include "PrefsFile.h"
#include "ScatteringTable.h"
#include "SessionFile.h"
#include "Status.h"
#include "StringTable.h"
#if VELMORA_UPDATE_CHECK
#include "UpdateCheck.h"
#endif
#include "Versions.h"

#include "ByteStream.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPrinter>
#include <QScreen>
#include <QSize>
#include <QTimer>

#include <algorithm>
#include <clocale>

namespace {

// A new window sits this far right of and below the front one, pixels; it is also the height of
// a title bar when a first window is centred.
constexpr int kWindowOffset = 22;

QRect ScreenArea()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
}

}  // namespace

QSize DefaultWindowSize(const QRect& screen)
{
    return {std::max(kMainWindowMinWidth, screen.width() * 2 / 3), std::max(kMainWindowMinHeight, screen.height() * 2 / 3)};
}

void UseFullStopForNumbers()
{
    std::setlocale(LC_NUMERIC, "C");
}

Application::Application()
{
    SetStatusSink(&alerts_);
}

Application::~Application()
{
    for (const QPointer<MainWindow>& w : windows_)
        if (w) {
            w->disconnect(this);
            delete w.data();
        }
    SetStatusSink(nullptr);
}

bool Application::Start(const QStringList& files)
{
    // The system-version check of other platforms has no counterpart here. Drops are taken by
    // each window; the menus are built with each window from the command table.
    QApplication::setApplicationVersion(QString::fromLatin1(gProgramVersion));
    QGuiApplication::setQuitOnLastWindowClosed(false);  // the last document window decides
    InitVLGlobals();
    gPrefs = gFactoryPrefs;
    ExtractUserPrefs(gPrefs);  // a missing or unreadable file leaves the factory values
    {
        FileProblems problems;
        ReadASFactors(problems);
        ShowProblems(problems);
    }
    // Without a usable recovery folder the program runs as before, only without recovery.
    const bool recovering = recovery_.Start();
    if (!OpenMainWindow(Localized("Untitled")))
        return false;
#if VELMORA_UPDATE_CHECK
    // Start-up does not wait for the server: the check runs later, and on its own.
    constexpr int kUpdateCheckDelayMs = 3000;
    if (gPrefs.updateCheckAuto && automaticUpdateCheck)
        QTimer::singleShot(kUpdateCheckDelayMs, this, [this] {
            if (gPrefs.updateCheckAuto)
                Updates().CheckForUpdate(true);
        });
#endif
    for (const QString& file : files)
        OpenDoc(file);
    if (recovering)
        OfferRecoveredDocuments();
    return true;
}

void Application::OfferRecoveredDocuments()
{
    const std::vector<RecoveredDocument> found = recovery_.LeftOvers();
    if (found.empty())
        return;
    QStringList names;
    for (const RecoveredDocument& document : found)
        names << RecoveredDocumentName(document);
    switch (Dialogs().AskRecovery(FrontWindow(), names)) {
    case RecoveryAnswer::Keep: return;
    case RecoveryAnswer::Discard:
        for (const RecoveredDocument& document : found)
            RecoveryKeeper::Remove(document);
        return;
    case RecoveryAnswer::Restore:
        for (const RecoveredDocument& document : found)
            RestoreDocument(document);
        return;
    }
}

MainWindow* Application::RestoreDocument(const RecoveredDocument& document)
{
    MainWindow* front = FrontWindow();
    const bool reuse = front && front->Doc()->plotList.empty();
    const QString previousName = reuse ? QString::fromStdString(front->Doc()->filename) : QString();
    MainWindow* window = OpenMainWindow(Localized("Untitled"));
    if (!window)
        return nullptr;
    SessionWindowState state;
    bool read = false;
    {
        AlertFileScope scope(document.path);
        FileProblems problems;
        if (FileHandle file = OpenFile(document.path.toStdString(), "rb"))
            read = ReadSessionStream(window->Doc(), file.get(), &state, gPrefs, problems);
        else
            problems.Stop("Error_Opening_File");
        ShowProblems(problems);
    }
    if (!read) {
        // The file stays for another try; a window made for it goes again.
        if (reuse)
            window->SetDocumentName(previousName);
        else
            window->close();
        return nullptr;
    }
    window->Doc()->sessionFilePtr = document.sessionPath.toStdString();
    window->Doc()->plotSpecs.relativeIntensity = document.relativeIntensity;
    window->UpdateWindowTitle(window->Doc());
    window->ApplySessionState(state);
    window->Pane()->RenderPending();
    // Restored work is unsaved work: it gets a recovery file of its own before the old one goes.
    window->setWindowModified(true);
    recovery_.DocumentChanged(window);
    if (recovery_.WriteNow(window))
        RecoveryKeeper::Remove(document);
    return window;
}

MainWindow* Application::FrontWindow() const
{
    // The window activated last, or made last when it has not been activated yet (activation
    // arrives through the event loop).
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
        if (*it)
            return it->data();
    return nullptr;
}

std::vector<MainWindow*> Application::DocumentWindows() const
{
    std::vector<MainWindow*> out;
    for (const QPointer<MainWindow>& w : windows_)
        if (w)
            out.push_back(w.data());
    return out;
}

MainWindow* Application::OpenMainWindow(const QString& name)
{
    MainWindow* front = FrontWindow();
    if (front && front->Doc()->plotList.empty()) {
        front->SetDocumentName(name);
        front->raise();
        front->activateWindow();
        return front;
    }
    auto* window = new MainWindow(*this, name);  // deletes itself when closed
    connect(window, &MainWindow::activated, this, &Application::WindowActivated);
    connect(window, &MainWindow::closed, this, &Application::WindowClosed);
    const QRect screen = ScreenArea();
    if (front) {
        window->ShowToolbar(front->ToolbarShown());
        window->ShowParametersList(front->ParameterListShown());
        if (front->DrawerOpen() != window->DrawerOpen())
            window->ToggleFilesDrawer();
        window->resize(front->size());
        window->move(front->pos() + QPoint(kWindowOffset, kWindowOffset));
    } else {
        window->ShowToolbar(gPrefs.showToolbar);
        window->ShowParametersList(gPrefs.showParameters);
        if (static_cast<bool>(gPrefs.showFiles) != window->DrawerOpen())
            window->ToggleFilesDrawer();
        // Stored bounds that are too small are ignored: the window takes two thirds of the screen.
        const Rect b = gPrefs.windowBounds;
        if (b.Width() >= kMainWindowMinWidth && b.Height() >= kMainWindowMinHeight)
            window->resize(std::min(b.Width(), screen.width()), std::min(b.Height(), screen.height() - kWindowOffset));
        else
            window->resize(DefaultWindowSize(screen));
        window->move(screen.center() - QPoint(window->width() / 2, (window->height() + kWindowOffset) / 2));
    }
    windows_.push_back(window);
    window->show();
    window->activateWindow();
    return window;
}

MainWindow* Application::DoNewWindow()
{
    return OpenMainWindow(Localized("Untitled"));
}

MainWindow* Application::OpenDoc(const QString& path)
{
    const QFileInfo info(path);
    const UInt32 kind = [&] {
        UInt32 code = 0;
        return MyGetFileType(path.toStdString(), &code) == kNoErr ? code : UInt32(0);
    }();
    if (!IsLoadableFileType(kind) || !info.isFile()) {
        // Nothing a document can show: say so, and leave the windows as they are.
        AlertFileScope file(path);
        MyCFStopAlert(!info.exists()        ? "Cant_Find_File"
                      : IsMoleculeFileType(kind) ? "No_Molecule_Diffraction"
                                                 : "Unknown_File_Type");
        return nullptr;
    }
    MainWindow* front = FrontWindow();
    const bool reuse = front && front->Doc()->plotList.empty();
    const QString previousName = reuse ? QString::fromStdString(front->Doc()->filename) : QString();
    MainWindow* window = OpenMainWindow(info.fileName());
    if (!window)
        return nullptr;
    SessionWindowState state;
    bool read;
    {
        AlertFileScope file(path);
        read = OpenDocumentFile(window->Doc(), path.toStdString(), &state, gPrefs);
    }
    if (!read) {
        // The message has been shown. A window made for the file goes again; an empty window that
        // was to take it stays as it was.
        if (reuse)
            window->SetDocumentName(previousName);
        else
            window->close();
        return nullptr;
    }
    window->UpdateWindowTitle(window->Doc());
    if (IsSessionFileType(kind)) {
        window->ApplySessionState(state);
        // A session just read has no changes to save.
        window->Pane()->RenderPending();
        window->MarkSaved();
    } else {
        // What the import said (CIF labels read as elements, say) outlasts the first drawing.
        if (window->Pane()->RedrawPending()) {
            const QString notes = window->Info()->Text();
            if (!notes.isEmpty())
                window->Pane()->ShowAfterDrawing(notes.toStdString());
        }
        // Nor has a file just opened changes to save: its first drawing is no change.
        window->Pane()->ForgetChange();
        window->MarkSaved();
    }
    return window;
}

void Application::DoOpen()
{
    const QStringList files =
        Dialogs().OpenFiles(FrontWindow(), tr("Select a crystal structure"), FileFilter::Documents);
    for (const QString& file : files)
        OpenDoc(file);
}

#if VELMORA_UPDATE_CHECK
UpdateChecker& Application::Updates()
{
    if (!updates_)
        updates_ = std::make_unique<UpdateChecker>();
    return *updates_;
}
#endif

QPrinter& Application::Printer()
{
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_->setPageOrientation(QPageLayout::Landscape);  // a plot is wider than it is tall
    }
    return *printer_;
}

HelpWindow* Application::ShowHelp(const QString& section)
{
    if (!help_) {
        help_ = std::make_unique<HelpWindow>();
        help_->LoadGuide();
    }
    if (!section.isEmpty())
        help_->ShowSection(section);
    help_->show();
    help_->raise();
    help_->activateWindow();
    return help_.get();
}

AboutBox* Application::ShowAbout()
{
    if (!about_)
        about_ = std::make_unique<AboutBox>();
    about_->show();
    about_->raise();
    about_->activateWindow();
    return about_.get();
}

void Application::SavePreferences(const Rect* frontBounds)
{
    // Failing to write the preferences loses nothing of the documents: no message.
    (void)CreateAndSavePrefsFile(gPrefs, frontBounds);
}

bool Application::DoQuit()
{
    if (EngineBusy::Active())
        return false;
    // The question closing a window asks, for each changed document, the front one first.
    std::vector<MainWindow*> windows = DocumentWindows();
    std::reverse(windows.begin(), windows.end());
    for (MainWindow* w : windows) {
        if (!ConfirmClose(w))
            return false;
        // Not saved on purpose: nothing to recover at the next start.
        w->MarkSaved();
    }
    MainWindow* front = FrontWindow();
    const Rect bounds = front ? front->ContentBounds() : Rect{};
    SavePreferences(front ? &bounds : nullptr);
    quittingTime = true;
    for (MainWindow* w : DocumentWindows())
        w->close();
    QApplication::quit();
    return true;
}

void Application::WindowActivated(MainWindow* window)
{
    windows_.erase(std::remove(windows_.begin(), windows_.end(), QPointer<MainWindow>(window)), windows_.end());
    windows_.push_back(window);
}

void Application::WindowClosed(MainWindow* window)
{
    // The bounds of the front window become the size of the next first window.
    if (!quittingTime && window == FrontWindow())
        gPrefs.windowBounds = window->ContentBounds();
    windows_.erase(std::remove_if(windows_.begin(), windows_.end(),
                                  [window](const QPointer<MainWindow>& w) { return !w || w.data() == window; }),
                   windows_.end());
    if (windows_.empty() && !quittingTime && quitWhenLastWindowCloses) {
        SavePreferences(&gPrefs.windowBounds);
        quittingTime = true;
        QApplication::quit();
    }
}
