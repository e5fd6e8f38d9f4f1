// Velmora, the desktop program: the command line, handing files to a program already running,
// start-up and the event loop.
#include "Application.h"
#include "InstanceChannel.h"
#include "Resources.h"
#include "Versions.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication qt(argc, argv);
    UseFullStopForNumbers();
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    QApplication::setApplicationVersion(QString::fromLatin1(gProgramVersion));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.velmora.Velmora"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulates X-ray and neutron powder diffraction patterns from crystal structures and sets them "
        "beside measured patterns.\n\nOpens one window, then each file named as a document: crystal files "
        "(obdf, obd5), CIF files, measured data and sessions (vlmf). While the program runs, starting it "
        "again with files opens them in the running program."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption newInstance(QStringLiteral("new-instance"),
                                         QStringLiteral("Start a program of its own instead of handing the files "
                                                        "to the one already running."));
    parser.addOption(newInstance);
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Files to open."),
                                 QStringLiteral("[FILE...]"));
    parser.process(qt);  // ends the program for --help, --version and unknown options
    const QStringList files = parser.positionalArguments();
    const bool single = !parser.isSet(newInstance);

    const QString socketPath = InstanceSocketPath();
    if (single && PassFilesToRunningInstance(socketPath, files))
        return 0;

    const QString iconFile = QString::fromStdString(FindResourceFile("velmora.svg"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.velmora.Velmora"), QIcon(iconFile)));

    Application app;
    InstanceServer server([&app](const QStringList& passed) { OpenPassedFiles(app, passed); });
    if (single)
        server.Listen(socketPath);  // without it each launch is a program of its own
    if (!app.Start(files))
        return 0;
    return QApplication::exec();
}
