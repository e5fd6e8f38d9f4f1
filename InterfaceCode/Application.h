// The desktop application: start-up in order, the document windows and which one is in front,
// opening files into windows, and quitting. Menu commands reach the front window through the
// command table (CommandTable.h).
#pragma once

#include "Alerts.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>
#include <vector>

class MainWindow;

class Application : public QObject {
    Q_OBJECT
public:
    Application();
    ~Application() override;

    // Global state, preferences, scattering table; then one empty window titled "Untitled" and
    // the files named on the command line. False when the program cannot start.
    bool Start(const QStringList& files);

    // The front document window (the active one, else the one active last); null for none.
    MainWindow* FrontWindow() const;
    std::vector<MainWindow*> DocumentWindows() const;

    // A window for a document called name: the front window when it shows no pattern, else a new
    // one (offset from the front window, with its panes' visibility). Null when none can be made.
    MainWindow* OpenMainWindow(const QString& name);
    MainWindow* DoNewWindow();
    // Opens a file in a window of its own (crystal, session or data file).
    void OpenDoc(const QString& path);
    void DoOpen();
    void DoQuit();

    AlertSink& Alerts() { return alerts_; }

public slots:
    void WindowActivated(MainWindow* window);
    void WindowClosed(MainWindow* window);

private:
    AlertSink alerts_;
    std::vector<QPointer<MainWindow>> windows_;  // most recently active last
};
