// A second launch of the desktop program hands its files to the running one: the real program
// started as a second launch against this test's server, which opens the files in the test's
// application; requests that are not the program's are dropped; a socket file left behind by a
// program that ended is taken over, one a program answers on is not.
#include "InstanceChannel.h"
#include "MainWindow.h"
#include "ShellTestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>

namespace {

class InstanceChannelTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        socketPath = Path(QStringLiteral("velmora.socket"));
        server = std::make_unique<InstanceServer>([this](const QStringList& files) {
            ++requests;
            OpenPassedFiles(*app, files);
        });
    }
    void TearDown() override
    {
        server.reset();
        ShellTest::TearDown();
    }

    // Runs the desktop program with args in workDir as a second launch: its runtime folder is the
    // test's, so it finds this test's socket. The event loop runs meanwhile, so the server here
    // can answer. Returns the exit status, or -1 when the program did not end within the time
    // (it then runs as a program of its own, and is killed).
    int SecondLaunch(const QStringList& args, const QString& workDir)
    {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), Path(QStringLiteral("config")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(workDir);
        program.start(QStringLiteral(VELMORA_BINARY), args);
        const QDeadlineTimer deadline(30000);
        while (program.state() != QProcess::NotRunning && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            program.waitForFinished(10);
        }
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished();
            return -1;
        }
        Settle();
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }

    QString socketPath;
    std::unique_ptr<InstanceServer> server;
    int requests = 0;
};

TEST_F(InstanceChannelTest, SecondLaunchOpensItsFilesInTheRunningProgram)
{
    MainWindow* untitled = Start();
    ASSERT_NE(untitled, nullptr);
    ASSERT_TRUE(server->Listen(socketPath));
    // Named relative to the second launch's own folder, which the running program does not share.
    EXPECT_EQ(SecondLaunch({QStringLiteral("quartz.cif"), QStringLiteral("rutile.cif")}, Example("")), 0);
    EXPECT_EQ(requests, 1);
    const std::vector<MainWindow*> windows = app->DocumentWindows();
    ASSERT_EQ(windows.size(), 2u) << "the first file takes the empty window, the second one of its own";
    EXPECT_EQ(windows[0], untitled);
    for (MainWindow* window : windows)
        EXPECT_EQ(window->Doc()->plotList.size(), 1u);
    EXPECT_TRUE(sink.Count(RecordingStatusSink::Kind::Alert) == 0);
}

TEST_F(InstanceChannelTest, SecondLaunchWithoutFilesOpensANewWindow)
{
    ASSERT_NE(StartWith("quartz.cif"), nullptr);
    ASSERT_TRUE(server->Listen(socketPath));
    EXPECT_EQ(SecondLaunch({}, folder.path()), 0);
    EXPECT_EQ(app->DocumentWindows().size(), 2u);
}

TEST_F(InstanceChannelTest, RequestsThatAreNotTheProgramsAreDropped)
{
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(server->Listen(socketPath));
    const QByteArray strangers[] = {
        QByteArrayLiteral("GET / HTTP/1.0\r\n\r\n"),
        QByteArray::fromHex("564c4d4f00000002" "00000000"),  // another protocol
        QByteArray::fromHex("564c4d4f00000001" "7fffffff"),  // far too long
        QByteArray::fromHex("564c4d4f00000001" "00000003") + "a/b",  // paths not ended
    };
    for (const QByteArray& bytes : strangers) {
        QLocalSocket socket;
        socket.connectToServer(socketPath);
        ASSERT_TRUE(socket.waitForConnected(2000));
        socket.write(bytes);
        socket.flush();
        const QDeadlineTimer deadline(5000);
        while (socket.state() != QLocalSocket::UnconnectedState && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            if (socket.state() != QLocalSocket::UnconnectedState)
                socket.waitForDisconnected(10);
        }
        EXPECT_EQ(socket.state(), QLocalSocket::UnconnectedState) << bytes.toHex().toStdString();
        EXPECT_EQ(socket.bytesAvailable(), 0) << "answered " << bytes.toHex().toStdString();
    }
    Settle();
    EXPECT_EQ(requests, 0);
    EXPECT_EQ(SecondLaunch({Example("silicon.cif")}, folder.path()), 0) << "the program still takes files";
    EXPECT_EQ(requests, 1);
}

TEST_F(InstanceChannelTest, ALeftoverSocketIsTakenOverButNotOneAProgramAnswersOn)
{
    QFile leftover(socketPath);
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.close();
    EXPECT_TRUE(server->Listen(socketPath));
    InstanceServer second([](const QStringList&) {});
    EXPECT_FALSE(second.Listen(socketPath));
    EXPECT_FALSE(PassFilesToRunningInstance(Path(QStringLiteral("nobody.socket")), {QStringLiteral("x.cif")}, 500));
}

}  // namespace
