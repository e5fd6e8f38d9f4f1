// Recovery of unsaved work: changed documents are written to a private folder a little after the
// changes pause, the file goes when the document is saved or closed without saving, and the
// files of a program that was killed are offered once at the next start. The last test kills a
// real program (this test program, run as a child) and restores its document.
#include "Recovery.h"

#include "AddFiles.h"
#include "ByteStream.h"
#include "Document.h"
#include "DocumentCommands.h"
#include "MainWindow.h"
#include "SessionFile.h"
#include "ShellTestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <sys/stat.h>

#include <cstdio>
#include <iostream>

namespace {

// The bytes of a document written as a session with a fixed window state.
QByteArray SessionBytes(WinInfoRec* doc)
{
    FileHandle file(std::tmpfile());
    if (!file || WriteSessionStream(doc, file.get(), SessionWindowState{}) != kNoErr)
        return {};
    std::fflush(file.get());
    std::rewind(file.get());
    QByteArray bytes;
    char chunk[65536];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
        bytes.append(chunk, static_cast<qsizetype>(n));
    return bytes;
}

unsigned ModeOf(const QString& path)
{
    struct stat st{};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 0777;
}

QStringList Sessions(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.vlmf")}, QDir::Files, QDir::Name);
}

class RecoveryTest : public ShellTest {
protected:
    // A left-over recovery session of a program that no longer runs (number 999999), holding
    // the silicon example; returns its path.
    QString PlantLeftOver(const QString& name, qint64 ageSeconds = 60)
    {
        if (!QDir().mkpath(RecoveryFolder()))
            return {};
        std::unique_ptr<WinInfoRec> doc = CreateWindowInfo(PrefDataRec{});
        const std::string example = Example("silicon.cif").toStdString();
        if (!OpenDocumentFile(doc.get(), example, nullptr, PrefDataRec{}))
            return {};
        doc->filename = "planted";
        const QString path = RecoveryFolder() + QLatin1Char('/') + name;
        if (WriteSessionFile(doc.get(), path.toStdString()) != kNoErr)
            return {};
        QFile file(path);
        file.open(QIODevice::ReadWrite);
        file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime);
        return path;
    }
};

TEST_F(RecoveryTest, AChangedDocumentIsWrittenPrivatelyAndGoesWhenSavedOrClosed)
{
    MainWindow* window = StartWith("silicon.cif");
    ASSERT_TRUE(window);
    RecoveryKeeper& recovery = app->Recovery();
    ASSERT_TRUE(recovery.Active());
    EXPECT_FALSE(recovery.Pending(window));  // just opened: nothing to recover
    FindCommand(window, "*Grd")->trigger();
    Settle();
    EXPECT_EQ(ModeOf(RecoveryFolder()), 0700u);
    EXPECT_EQ(ModeOf(QFileInfo(RecoveryFolder()).path()), 0700u);

    // Written a little after the change, not at once.
    const QString file = recovery.FileOf(window);
    ASSERT_TRUE(recovery.Pending(window));
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(file); }, kRecoveryMaxDelayMs + 2000));
    EXPECT_FALSE(recovery.Pending(window));
    std::unique_ptr<WinInfoRec> copy = CreateWindowInfo(PrefDataRec{});
    FileProblems problems;
    ASSERT_TRUE(ReadSessionFile(copy.get(), file.toStdString(), PrefDataRec{}, problems));
    copy->plotSpecs.relativeIntensity = window->Doc()->plotSpecs.relativeIntensity;  // kept beside it
    EXPECT_EQ(SessionBytes(copy.get()), SessionBytes(window->Doc()));

    // Saving removes it; so does closing without saving after a further change.
    dialogs.saveAnswers.push_back(Path(QStringLiteral("silicon.vlmf")));
    ASSERT_TRUE(DoSaveFileAs(window, SaveKind::Session));
    EXPECT_FALSE(QFileInfo::exists(file));
    FindCommand(window, "Gaus")->trigger();
    Settle();
    ASSERT_TRUE(window->IsModified());
    const QString second = recovery.FileOf(window);
    ASSERT_TRUE(recovery.WriteNow(window));
    EXPECT_TRUE(QFileInfo::exists(second));
    dialogs.saveChangesAnswers.push_back(SaveChangesAnswer::DontSave);
    window->close();
    Settle();
    EXPECT_TRUE(Sessions(RecoveryFolder()).isEmpty());
}

TEST_F(RecoveryTest, ADraggedSliderIsWrittenEveryFewSecondsNotAtEveryStep)
{
    MainWindow* window = StartWith("silicon.cif");
    ASSERT_TRUE(window);
    RecoveryKeeper& recovery = app->Recovery();
    // Thirty steps a fifth of a second apart: longer than the longest delay.
    for (int step = 0; step < 30; ++step) {
        recovery.DocumentChanged(window);
        QTest::qWait(200);
    }
    EXPECT_EQ(recovery.Writes(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !recovery.Pending(window); }, kRecoveryQuietMs + 1000));
    EXPECT_EQ(recovery.Writes(), 2);
}

struct AnswerCase {
    const char* name;
    RecoveryAnswer answer;
    bool windowOpened;
    bool leftOverStays;
};

class RecoveryAnswerTest : public RecoveryTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(RecoveryAnswerTest, LeftOversAreOfferedInOneQuestion)
{
    const AnswerCase& c = GetParam();
    const QString first = PlantLeftOver(QStringLiteral("999999-1.vlmf"), 120);
    const QString second = PlantLeftOver(QStringLiteral("999999-2.vlmf"), 60);
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    dialogs.recoveryAnswers.push_back(c.answer);
    ASSERT_TRUE(Start());
    EXPECT_EQ(dialogs.asked, QStringList{QStringLiteral("recovery")});
    ASSERT_EQ(dialogs.recoveryNames.size(), 2);
    EXPECT_TRUE(dialogs.recoveryNames[0].startsWith(QStringLiteral("planted")));

    const std::vector<MainWindow*> windows = app->DocumentWindows();
    if (c.windowOpened) {
        // The empty window takes the first document, a new window the second; both unsaved.
        ASSERT_EQ(windows.size(), 2u);
        for (MainWindow* w : windows) {
            EXPECT_EQ(GetNumCrystalsInPlotList(w->Doc()), 1);
            EXPECT_EQ(w->Doc()->filename, "planted");
            EXPECT_TRUE(w->IsModified());
            EXPECT_TRUE(QFileInfo::exists(app->Recovery().FileOf(w)));
        }
    } else {
        EXPECT_EQ(windows.size(), 1u);
        EXPECT_TRUE(windows.front()->Doc()->plotList.empty());
    }
    EXPECT_EQ(QFileInfo::exists(first), c.leftOverStays);
    EXPECT_EQ(QFileInfo::exists(second), c.leftOverStays);

    // Kept files are asked about again at the next start, and so are restored documents that
    // were still unsaved when the program ended without closing its windows; discarded ones not.
    app = std::make_unique<Application>();
    app->quitWhenLastWindowCloses = false;
    dialogs.asked.clear();
    dialogs.recoveryAnswers.push_back(RecoveryAnswer::Keep);
    ASSERT_TRUE(Start());
    EXPECT_EQ(dialogs.asked.contains(QStringLiteral("recovery")), c.leftOverStays || c.windowOpened);
}

INSTANTIATE_TEST_SUITE_P(Answers, RecoveryAnswerTest,
                         ::testing::Values(AnswerCase{"Restore", RecoveryAnswer::Restore, true, false},
                                           AnswerCase{"Discard", RecoveryAnswer::Discard, false, false},
                                           AnswerCase{"Keep", RecoveryAnswer::Keep, false, true}),
                         [](const ::testing::TestParamInfo<AnswerCase>& info) { return std::string(info.param.name); });

TEST_F(RecoveryTest, TheFolderIsKeptSmall)
{
    // More left-overs than are kept, one far too old, and a write that was cut short.
    for (int i = 0; i < kMaxRecoveryFiles + 4; ++i)
        ASSERT_FALSE(PlantLeftOver(QStringLiteral("999999-%1.vlmf").arg(i), 60 + i).isEmpty());
    const QString old = PlantLeftOver(QStringLiteral("999998-1.vlmf"), 3600LL * 24 * (kRecoveryMaxAgeDays + 1));
    ASSERT_FALSE(old.isEmpty());
    QFile stray(RecoveryFolder() + QStringLiteral("/999999-1.vlmf.tmp-999999-0"));
    ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
    stray.close();

    ASSERT_TRUE(Start());
    const QStringList kept = Sessions(RecoveryFolder());
    EXPECT_EQ(kept.size(), kMaxRecoveryFiles);
    EXPECT_TRUE(kept.contains(QStringLiteral("999999-0.vlmf")));  // the newest stay
    EXPECT_FALSE(kept.contains(QStringLiteral("999999-35.vlmf")));
    EXPECT_FALSE(QFileInfo::exists(old));
    EXPECT_FALSE(stray.exists());
}

// The program run as a child by the next test: opens quartz, changes it, waits for the recovery
// file, writes what its document is, says so, and waits to be killed.
TEST_F(RecoveryTest, DISABLED_ChildChangesADocumentAndWaits)
{
    UseStateFolder(qEnvironmentVariable("VELMORA_CHILD_STATE"));
    MainWindow* window = StartWith("quartz.cif");
    ASSERT_TRUE(window);
    for (const char* code : {"Neut", "Gaus", "*Grd"})
        FindCommand(window, code)->trigger();
    Settle();
    RecoveryKeeper& recovery = app->Recovery();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recovery.Pending(window); }, kRecoveryMaxDelayMs + 2000));
    QFile expected(qEnvironmentVariable("VELMORA_CHILD_EXPECTED"));
    ASSERT_TRUE(expected.open(QIODevice::WriteOnly));
    expected.write(SessionBytes(window->Doc()));
    expected.close();
    std::cout << "RECOVERY-WRITTEN" << std::endl;
    QTest::qWait(120000);
}

TEST_F(RecoveryTest, AKilledProgramsDocumentIsRestoredExactly)
{
    const QString state = Path(QStringLiteral("shared-state"));
    const QString expectedPath = Path(QStringLiteral("expected.vlmf"));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELMORA_CHILD_STATE"), state);
    env.insert(QStringLiteral("VELMORA_CHILD_EXPECTED"), expectedPath);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_also_run_disabled_tests"),
                 QStringLiteral("--gtest_filter=RecoveryTest.DISABLED_ChildChangesADocumentAndWaits")});
    ASSERT_TRUE(child.waitForStarted(10000));
    QByteArray said;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            child.waitForReadyRead(100);
            said += child.readAllStandardOutput();
            return said.contains("RECOVERY-WRITTEN") || child.state() == QProcess::NotRunning;
        },
        60000));
    ASSERT_TRUE(said.contains("RECOVERY-WRITTEN")) << said.toStdString();
    child.kill();  // SIGKILL: nothing of the program's own runs any more
    ASSERT_TRUE(child.waitForFinished(10000));
    ASSERT_EQ(child.exitStatus(), QProcess::CrashExit);

    QFile expectedFile(expectedPath);
    ASSERT_TRUE(expectedFile.open(QIODevice::ReadOnly));
    const QByteArray expected = expectedFile.readAll();
    ASSERT_FALSE(expected.isEmpty());

    UseStateFolder(state);
    ASSERT_EQ(Sessions(RecoveryFolder()).size(), 1);
    dialogs.recoveryAnswers.push_back(RecoveryAnswer::Restore);
    MainWindow* window = Start();
    ASSERT_TRUE(window);
    ASSERT_EQ(dialogs.asked, QStringList{QStringLiteral("recovery")});
    EXPECT_EQ(window->Doc()->filename, "quartz.cif");
    EXPECT_TRUE(window->IsModified());
    EXPECT_EQ(SessionBytes(window->Doc()), expected);
    // The restored document is now this program's to keep safe.
    EXPECT_EQ(Sessions(RecoveryFolder()), QStringList{QFileInfo(app->Recovery().FileOf(window)).fileName()});
}

}  // namespace
