// Load check of the desktop program: 200 structure files added to one document window (on the
// offscreen platform), then one setting changed for all of them (the peak shape, and the
// radiation), each step drawn as the window draws it. Reports the time of each step and the
// resident memory after it. Not a test: run by hand,
//   load_window [file count]        (default 200)
#include "Application.h"
#include "DocumentCommands.h"
#include "GraphicsPane.h"
#include "MainWindow.h"
#include "Settings.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>


#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// A figure of /proc/self/status in KiB: VmRSS now, VmHWM the peak (both counted the same way).
long StatusKiB(const char* field)
{
    std::ifstream status("/proc/self/status");
    const std::string key = std::string(field) + ':';
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0)
            return std::atol(line.c_str() + key.size());
    return 0;
}

long ResidentKiB() { return StatusKiB("VmRSS"); }
long PeakKiB() { return StatusKiB("VmHWM"); }

void Settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

template <typename F>
void Step(const char* what, F&& step)
{
    const auto start = std::chrono::steady_clock::now();
    step();
    Settle();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-44s %9.3f s %10.1f MiB %10.1f MiB\n", what, seconds, ResidentKiB() / 1024.0, PeakKiB() / 1024.0);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir state, config, files;
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication qt(argc, argv);
    UseFullStopForNumbers();
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;

    // The shipped structures, copied under names of their own until there are enough.
    const QStringList examples = QDir(QStringLiteral(VELMORA_EXAMPLES_DIR)).entryList({QStringLiteral("*.cif")});
    QStringList paths;
    for (int i = 0; i < count && !examples.isEmpty(); ++i) {
        const QString from = QStringLiteral(VELMORA_EXAMPLES_DIR "/") + examples[i % examples.size()];
        const QString to = files.filePath(QStringLiteral("%1-%2").arg(i, 3, 10, QLatin1Char('0')).arg(examples[i % examples.size()]));
        QFile::copy(from, to);
        paths << to;
    }

    Application app;
    app.quitWhenLastWindowCloses = false;
    std::printf("%-44s %11s %14s %14s\n", "step", "time", "resident", "peak");
    Step("start (one empty window)", [&] { app.Start({}); });
    MainWindow* window = app.FrontWindow();
    if (!window)
        return 2;
    window->resize(1200, 800);
    int added = 0;
    Step("add the files, drawn once", [&] { added = AddFilesToWindow(window, paths); });
    Step("peak shape to Gaussian, all recomputed", [&] {
        DoPeakFunction(window->Doc(), 3);
        window->Pane()->RenderPending();
    });
    Step("radiation to neutrons, all recomputed", [&] {
        ToggleRadiation(window->Doc());
        window->Pane()->RenderPending();
    });
    std::printf("patterns in the window: %d of %d files\n", added, count);
    return added == count ? 0 : 1;
}
