// Entry point of the desktop-program tests: a Qt Widgets application on the offscreen platform,
// with a private runtime folder and a private configuration folder (the user's own preferences
// are never read or written), numbers formatted in the C locale, then GoogleTest.
#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <clocale>

namespace {

QtMessageHandler gQtHandler = nullptr;

// The offscreen platform cannot raise windows or pass on size hints, and says so each time.
void QuietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support")))
        return;
    gQtHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv)
{
    // Made with owner-only permissions and removed at the end.
    QTemporaryDir runtime(QDir::tempPath() + QStringLiteral("/velmora-runtime-XXXXXX"));
    QTemporaryDir config(QDir::tempPath() + QStringLiteral("/velmora-config-XXXXXX"));
    QTemporaryDir state(QDir::tempPath() + QStringLiteral("/velmora-state-XXXXXX"));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    // No update check reaches past this machine: the discard port refuses at once.
    qputenv("VELMORA_UPDATE_URL", "http://127.0.0.1:9/");
    if (qEnvironmentVariableIsEmpty("XDG_STATE_HOME"))
        qputenv("XDG_STATE_HOME", state.path().toUtf8());
    gQtHandler = qInstallMessageHandler(QuietOffscreen);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
