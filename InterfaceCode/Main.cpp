// Velmora, the desktop program: start-up and the event loop.
#include "Application.h"

#include <QApplication>

#include <clocale>

int main(int argc, char* argv[])
{
    QApplication qt(argc, argv);
    // Qt sets the whole process to the user's locale; files and reports always use a full stop.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setOrganizationName(QStringLiteral("Velmora"));

    Application app;
    QStringList files = QApplication::arguments();
    files.removeFirst();
    if (!app.Start(files))
        return 0;
    return QApplication::exec();
}
