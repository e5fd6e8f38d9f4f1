// The update check against an HTTP server of the test's own on the loopback interface: the
// version comparisons, what is said and offered, a malformed or oversized document, a server that
// does not answer, a redirect, an unreachable server, and an automatic check that is not due.
#include "UpdateCheck.h"

#include "CommandTable.h"
#include "Globals.h"
#include "MainWindow.h"
#include "ShellTestSupport.h"
#include "UpdateRules.h"

#include <QAction>
#include <QDateTime>
#include <QHostAddress>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

#include <map>

namespace {

// Answers GET requests by path; a path marked silent is accepted and never answered.
class LoopbackServer : public QObject {
public:
    struct Response {
        QByteArray status = "200 OK";
        QByteArray body;
        QByteArray location;
        bool silent = false;
    };

    LoopbackServer()
    {
        EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, 0));
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                ++connections;
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Serve(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QString Address() const { return QStringLiteral("http://127.0.0.1:%1/").arg(server_.serverPort()); }

    std::map<QByteArray, Response> routes;
    QList<QByteArray> heads;  // the request heads received
    int connections = 0;

private:
    void Serve(QTcpSocket* socket)
    {
        QByteArray& pending = pending_[socket];
        pending += socket->readAll();
        const qsizetype end = pending.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QByteArray head = pending.left(end);
        heads << head;
        const QByteArray path = head.split(' ').value(1);
        Response r;
        if (auto it = routes.find(path); it != routes.end())
            r = it->second;
        else
            r.status = "404 Not Found";
        if (r.silent)
            return;
        QByteArray out = "HTTP/1.1 " + r.status + "\r\nContent-Type: text/xml\r\nConnection: close\r\n";
        if (!r.location.isEmpty())
            out += "Location: " + r.location + "\r\n";
        out += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\n\r\n" + r.body;
        socket->write(out);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    std::map<QTcpSocket*, QByteArray> pending_;
};

QByteArray VersionDocument(const QStringList& versions, const char* product = "Velmora",
                           const char* platform = "linux", const char* fileVersion = "1")
{
    QByteArray list;
    for (const QString& v : versions)
        list += "<version>" + v.toUtf8() + "</version>";
    return QByteArray("<?xml version=\"1.0\"?>\n<!-- releases -->\n<versionfile version=\"") + fileVersion +
           "\"><productlist><product name=\"Other\"><platform name=\"linux\"><versionlist><version>9.9"
           "</version></versionlist></platform></product><product name=\"" + product + "\"><platform name=\"mac\">"
           "<versionlist><version>8.0</version></versionlist></platform><platform name=\"" + platform +
           "\">\n  <versionlist>" + list + "</versionlist></platform></product></productlist></versionfile>\n";
}

constexpr char kDocumentPath[] = "/support/updates/VersionData.xml";

class UpdateCheckTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        previousAddress_ = qgetenv("VELMORA_UPDATE_URL");
        qputenv("VELMORA_UPDATE_URL", server.Address().toUtf8());
        checker.openPage = [this](const QUrl& url) { opened << url; };
        gPrefs.updateCheckLastCheck = 0;
    }
    void TearDown() override
    {
        qputenv("VELMORA_UPDATE_URL", previousAddress_);
        ShellTest::TearDown();
    }
    void Serve(const QByteArray& body) { server.routes[kDocumentPath].body = body; }

    struct Result {
        UpdateChecker::Outcome outcome;
        UInt32 version;
    };
    Result Check(bool automatic, UInt32 running = 501300)
    {
        checker.runningVersion = running;
        QSignalSpy spy(&checker, &UpdateChecker::finished);
        checker.CheckForUpdate(automatic);
        if (spy.isEmpty())
            EXPECT_TRUE(spy.wait(10000));
        EXPECT_EQ(spy.count(), 1);
        if (spy.isEmpty())
            return {UpdateChecker::Outcome::Failed, 0};
        return {spy.first().at(0).value<UpdateChecker::Outcome>(), spy.first().at(1).value<UInt32>()};
    }
    int Alerts() const { return sink.Count(RecordingStatusSink::Kind::Alert); }

    LoopbackServer server;
    UpdateChecker checker;
    QList<QUrl> opened;

private:
    QByteArray previousAddress_;
};

}  // namespace

TEST_F(UpdateCheckTest, ReleasesListedAreComparedWithTheRunningVersion)
{
    struct Row {
        UInt32 running;
        QStringList listed;
        UpdateChecker::Outcome outcome;
        UInt32 version;
        const char* named;  // in the offer
    };
    const Row rows[] = {
        {501300, {QStringLiteral("5.0.1"), QStringLiteral("5.0.2"), QStringLiteral("5.1")}, UpdateChecker::Outcome::Update,
         510300, "5.1"},
        {510300, {QStringLiteral("5.1"), QStringLiteral("6.0")}, UpdateChecker::Outcome::Upgrade, 600300, "6.0"},
        {501300, {QStringLiteral("5.0.2b3")}, UpdateChecker::Outcome::Update, 502203, "5.0.2b3"},
        {501300, {QStringLiteral("5.0.1"), QStringLiteral("4.9")}, UpdateChecker::Outcome::UpToDate, 0, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.listed.join(QLatin1Char(' ')).toStdString());
        Serve(VersionDocument(row.listed));
        gPrefs.updateCheckLastUpdate = gPrefs.updateCheckLastUpgrade = 0;
        dialogs.choiceTexts.clear();
        const Result r = Check(false, row.running);
        EXPECT_EQ(r.outcome, row.outcome);
        EXPECT_EQ(r.version, row.version);
        if (row.named) {
            ASSERT_EQ(dialogs.choiceTexts.size(), 1);
            const QRegularExpression exactly(
                QStringLiteral("Velmora %1(?![.\\w])").arg(QRegularExpression::escape(QLatin1String(row.named))));
            EXPECT_TRUE(dialogs.choiceTexts.first().contains(exactly))
                << dialogs.choiceTexts.first().toStdString();
        }
    }
    // The up-to-date note names the running version.
    ASSERT_TRUE(sink.Last(RecordingStatusSink::Kind::Alert));
    EXPECT_NE(sink.Last(RecordingStatusSink::Kind::Alert)->text.find("5.0.1"), std::string::npos);
    EXPECT_TRUE(opened.isEmpty());  // every offer was declined
}

TEST_F(UpdateCheckTest, ProductAndPlatformNamesMatchInEitherCase)
{
    Serve(VersionDocument({QStringLiteral("5.0.2")}, "VELMORA", "Linux"));
    EXPECT_EQ(Check(false).outcome, UpdateChecker::Outcome::Update);
}

TEST_F(UpdateCheckTest, AnAnnouncedUpgradeIsNotRepeatedAutomaticallyButIsWhenAskedFor)
{
    Serve(VersionDocument({QStringLiteral("6.0")}));
    EXPECT_EQ(Check(true, 502300).outcome, UpdateChecker::Outcome::Upgrade);
    EXPECT_EQ(gPrefs.updateCheckLastUpgrade, 600300);
    gPrefs.updateCheckLastCheck = 0;  // due again
    EXPECT_EQ(Check(true, 502300).outcome, UpdateChecker::Outcome::Quiet);
    EXPECT_EQ(Check(false, 502300).outcome, UpdateChecker::Outcome::Upgrade);
}

TEST_F(UpdateCheckTest, AnAcceptedOfferOpensThePage)
{
    Serve(VersionDocument({QStringLiteral("5.0.2")}));
    dialogs.choiceAnswers.push_back(true);
    EXPECT_EQ(Check(false).outcome, UpdateChecker::Outcome::Update);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first(), QUrl(server.Address() + QStringLiteral("support/updates/")));
}

TEST_F(UpdateCheckTest, TheRequestAsksForTheDocumentAndNamesTheProgram)
{
    Serve(VersionDocument({QStringLiteral("5.0.1")}));
    Check(false);
    ASSERT_EQ(server.heads.size(), 1);
    const QByteArray head = server.heads.first();
    EXPECT_TRUE(head.startsWith("GET /support/updates/VersionData.xml HTTP/1.1"));
    EXPECT_TRUE(head.contains("User-Agent: Velmora:M:5.0.1:(Linux:")) << head.constData();
    EXPECT_TRUE(head.contains("Accept: text/xml"));
    EXPECT_TRUE(head.contains("Pragma: no-cache"));
}

TEST_F(UpdateCheckTest, DocumentsThatCannotBeReadAreIncompleteEvenAutomatically)
{
    const QByteArray oversized = VersionDocument({QStringLiteral("5.0.2")}) + QByteArray(kMaxVersDataSize, ' ');
    const QByteArray bodies[] = {
        "<versionfile version=\"1\"><productlist>",                        // cut short
        "this is not XML",                                                 // not XML at all
        VersionDocument({QStringLiteral("5.0.2")}, "Velmora", "linux", "2"),  // a later layout
        VersionDocument({QStringLiteral("5.0.2")}, "Velmora", "windows"),  // no release for this platform
        VersionDocument({}),                                               // no version listed
        oversized,
    };
    for (const QByteArray& body : bodies) {
        SCOPED_TRACE(body.left(60).toStdString());
        Serve(body);
        dialogs.asked.clear();
        gPrefs.updateCheckLastCheck = 0;
        EXPECT_EQ(Check(true).outcome, UpdateChecker::Outcome::Incomplete);
        EXPECT_EQ(dialogs.asked, QStringList{QStringLiteral("choice")});
    }
}

TEST_F(UpdateCheckTest, ASilentServerTimesOutWithAnOfferOnlyWhenAskedFor)
{
    server.routes[kDocumentPath].silent = true;
    checker.firstBytesTimeoutMs = 200;
    EXPECT_EQ(Check(false).outcome, UpdateChecker::Outcome::TimedOut);
    EXPECT_EQ(dialogs.asked, QStringList{QStringLiteral("choice")});
    dialogs.asked.clear();
    gPrefs.updateCheckLastCheck = 0;
    EXPECT_EQ(Check(true).outcome, UpdateChecker::Outcome::TimedOut);
    EXPECT_TRUE(dialogs.asked.isEmpty());
    EXPECT_EQ(Alerts(), 0);
}

TEST_F(UpdateCheckTest, ARedirectIsFollowed)
{
    LoopbackServer::Response moved;
    moved.status = "301 Moved Permanently";
    moved.location = server.Address().toUtf8() + "elsewhere/VersionData.xml";
    server.routes[kDocumentPath] = moved;
    server.routes["/elsewhere/VersionData.xml"].body = VersionDocument({QStringLiteral("5.0.3")});
    const Result r = Check(false);
    EXPECT_EQ(r.outcome, UpdateChecker::Outcome::Update);
    EXPECT_EQ(r.version, 503300u);
    EXPECT_EQ(server.heads.size(), 2);
}

TEST_F(UpdateCheckTest, AnErrorStatusIsAFailure)
{
    // No route: the server answers 404.
    EXPECT_EQ(Check(false).outcome, UpdateChecker::Outcome::Failed);
    EXPECT_EQ(Alerts(), 1);
}

TEST_F(UpdateCheckTest, AnUnreachableServerIsSilentAtStartUpAndExplainedWhenAskedFor)
{
    qputenv("VELMORA_UPDATE_URL", "http://127.0.0.1:9/");  // nothing listens there
    EXPECT_EQ(Check(true).outcome, UpdateChecker::Outcome::Offline);
    EXPECT_EQ(Alerts(), 0);
    EXPECT_GT(gPrefs.updateCheckLastCheck, 0);  // the time of the check is kept all the same
    EXPECT_EQ(Check(false).outcome, UpdateChecker::Outcome::Offline);
    ASSERT_EQ(Alerts(), 1);
    EXPECT_EQ(sink.Last(RecordingStatusSink::Kind::Alert)->value, static_cast<int>(AlertKind::Caution));
}

TEST_F(UpdateCheckTest, AnAutomaticCheckWithinTheIntervalAsksNoServerButKeepsTheTime)
{
    Serve(VersionDocument({QStringLiteral("5.0.2")}));
    const double now = static_cast<double>(QDateTime::currentSecsSinceEpoch()) - kSecondsFrom1970To2001;
    gPrefs.updateCheckInterval = 0;  // becomes a week
    gPrefs.updateCheckLastCheck = now - 3600;
    EXPECT_EQ(Check(true).outcome, UpdateChecker::Outcome::NotDue);
    EXPECT_EQ(server.connections, 0);
    EXPECT_EQ(gPrefs.updateCheckInterval, kDefaultUpdateCheckInterval);
    EXPECT_GE(gPrefs.updateCheckLastCheck, now);
    // Asked for, it goes ahead.
    EXPECT_EQ(Check(false).outcome, UpdateChecker::Outcome::Update);
}

TEST_F(UpdateCheckTest, TheHelpMenuChecksNow)
{
    Serve(VersionDocument({QStringLiteral("5.0.1")}));
    MainWindow* w = Start();
    ASSERT_TRUE(w);
    QSignalSpy spy(&app->Updates(), &UpdateChecker::finished);
    FindCommand(w, "HMcu")->trigger();
    ASSERT_TRUE(spy.wait(10000));
    EXPECT_EQ(spy.first().at(0).value<UpdateChecker::Outcome>(), UpdateChecker::Outcome::UpToDate);
}
