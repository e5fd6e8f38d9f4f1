// Prints the MIME type the shared MIME database gives each file named, by its contents and
// name, one a line: what a file manager would make of it. For the installation test.
#include <QCoreApplication>
#include <QMimeDatabase>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QMimeDatabase db;
    const QStringList files = QCoreApplication::arguments().mid(1);
    for (const QString& file : files)
        out << db.mimeTypeForFile(file).name() << '\n';
    return 0;
}
