// Velmora, the desktop program: start-up and the event loop.
#include "Application.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication qt(argc, argv);
    UseFullStopForNumbers();
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setOrganizationName(QStringLiteral("Velmora"));

    Application app;
    QStringList files = QApplication::arguments();
    files.removeFirst();
    if (!app.Start(files))
        return 0;
    return QApplication::exec();
}
