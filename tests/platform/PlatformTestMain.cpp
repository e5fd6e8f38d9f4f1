// Entry point of the platform tests: a Qt GUI application on the offscreen platform (fonts need
// one), numbers formatted in the C locale, then GoogleTest.
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        char dir[] = "/tmp/velmora-tests-XXXXXX";
        if (mkdtemp(dir)) {
            chmod(dir, 0700);
            qputenv("XDG_RUNTIME_DIR", dir);
        }
    }
    QGuiApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
