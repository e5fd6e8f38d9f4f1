// The desktop application.
#include "Application.h"

#include "Globals.h"
#include "MainWindow.h"
#include "ScatteringTable.h"
#include "StringTable.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

Application::Application()
{
    SetStatusSink(&alerts_);
}

Application::~Application()
{
    for (const QPointer<MainWindow>& w : windows_)
        if (w)
            w->disconnect(this);
    SetStatusSink(nullptr);
}

bool Application::Start(const QStringList& files)
{
    InitVLGlobals();
    gPrefs = gFactoryPrefs;
    ReadASFactors();
    if (!OpenMainWindow(Localized("Untitled")))
        return false;
    for (const QString& file : files)
        OpenDoc(file);
    return true;
}

MainWindow* Application::FrontWindow() const
{
    if (auto* active = qobject_cast<MainWindow*>(QApplication::activeWindow()))
        return active;
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
        return front;
    }
    auto* window = new MainWindow(*this, name);  // deletes itself when closed
    connect(window, &MainWindow::activated, this, &Application::WindowActivated);
    connect(window, &MainWindow::closed, this, &Application::WindowClosed);
    if (front) {
        window->resize(front->size());
        window->move(front->pos() + QPoint(22, 22));
        window->ShowParametersList(front->ParameterListShown());
        if (front->DrawerOpen() != window->DrawerOpen())
            window->ToggleFilesDrawer();
    } else {
        const Rect b = gPrefs.windowBounds;
        const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                              : QRect(0, 0, 1280, 800);
        if (b.Width() > 579 && b.Height() > 149) {
            const int w = std::min(b.Width(), screen.width());
            const int h = std::min(b.Height(), screen.height() - 22);
            window->resize(w, h);
        }
        window->move(screen.center() - QPoint(window->width() / 2, (window->height() + 22) / 2));
        window->ShowParametersList(gPrefs.showParameters);
        if (gPrefs.showFiles != window->DrawerOpen())
            window->ToggleFilesDrawer();
    }
    windows_.push_back(window);
    window->show();
    return window;
}

MainWindow* Application::DoNewWindow()
{
    return OpenMainWindow(Localized("Untitled"));
}

void Application::OpenDoc(const QString& path)
{
    MainWindow* window = OpenMainWindow(QFileInfo(path).fileName());
    if (!window)
        return;
    // Reading files into the window arrives with the file formats.
    MyCFStopAlert("Unknown_File_Type");
}

void Application::DoOpen()
{
    const QStringList files = QFileDialog::getOpenFileNames(FrontWindow(), tr("Select a crystal structure"));
    for (const QString& file : files)
        OpenDoc(file);
}

void Application::DoQuit()
{
    quittingTime = true;
    for (MainWindow* w : DocumentWindows())
        w->close();
    QApplication::quit();
}

void Application::WindowActivated(MainWindow* window)
{
    windows_.erase(std::remove(windows_.begin(), windows_.end(), QPointer<MainWindow>(window)), windows_.end());
    windows_.push_back(window);
}

void Application::WindowClosed(MainWindow* window)
{
    windows_.erase(std::remove_if(windows_.begin(), windows_.end(),
                                  [window](const QPointer<MainWindow>& w) { return !w || w.data() == window; }),
                   windows_.end());
}
