// The application: start-up with the user's preferences, opening files into windows (the empty
// front window is reused, a file that cannot be read leaves no window behind), quitting and
// closing the last window write the preferences, alerts name their file, the dialogs offer the
// files the program reads, and a decimal-comma locale does not reach files or reports.
#include "Application.h"

#include "Alerts.h"
#include "Dialogs.h"
#include "Document.h"
#include "DocumentCommands.h"
#include "FileTypes.h"
#include "Globals.h"
#include "GraphicsPane.h"
#include "MainWindow.h"
#include "PrefsFile.h"
#include "ShellTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QRegularExpression>

#include <algorithm>
#include <clocale>

namespace {

class ApplicationTest : public ShellTest {
protected:
    bool PrefsWritten() const { return QFileInfo::exists(QString::fromStdString(PrefsFilePath())); }
};

TEST_F(ApplicationTest, StartOpensOneWindowShapedByThePreferencesFile)
{
    PrefDataRec prefs = gFactoryPrefs;
    prefs.windowBounds = Rect{40, 60, 40 + 500, 60 + 700};
    prefs.showParameters = false;
    prefs.plotSpecs.radType = kRadiationNeutrons;
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(PrefsFolderPath())));
    ASSERT_EQ(WritePrefsFile(PrefsFilePath(), prefs, true), kNoErr);

    MainWindow* w = Start();
    ASSERT_TRUE(w);
    EXPECT_EQ(app->DocumentWindows().size(), 1u);
    EXPECT_EQ(w->size(), QSize(700, 500));
    EXPECT_FALSE(w->ParameterListShown());
    EXPECT_EQ(w->Doc()->plotSpecs.radType, kRadiationNeutrons);
    EXPECT_TRUE(w->windowTitle().contains(Localized("Untitled")));
    EXPECT_TRUE(w->windowTitle().startsWith(Localized("Angle-Dispersive_Neutrons")));
}

TEST_F(ApplicationTest, TooSmallStoredBoundsAreIgnored)
{
    PrefDataRec prefs = gFactoryPrefs;
    prefs.windowBounds = Rect{0, 0, 149, 900};
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(PrefsFolderPath())));
    ASSERT_EQ(WritePrefsFile(PrefsFilePath(), prefs, true), kNoErr);
    MainWindow* w = Start();
    EXPECT_NE(w->height(), 149);
}

TEST_F(ApplicationTest, FilesGoIntoTheEmptyFrontWindowElseIntoANewOneBesideIt)
{
    MainWindow* first = Start();
    EXPECT_EQ(app->OpenDoc(Example("silicon.cif")), first);
    EXPECT_TRUE(first->windowTitle().contains(QStringLiteral("silicon.cif")));
    MainWindow* second = app->OpenDoc(Example("copper.cif"));
    ASSERT_TRUE(second);
    EXPECT_NE(second, first);
    EXPECT_EQ(second->pos(), first->pos() + QPoint(22, 22));
    EXPECT_EQ(app->FrontWindow(), second);
    // A new empty window takes the next file.
    MainWindow* third = app->DoNewWindow();
    EXPECT_EQ(app->OpenDoc(Example("tungsten.cif")), third);
    EXPECT_EQ(app->DocumentWindows().size(), 3u);
}

TEST_F(ApplicationTest, FileThatCannotBeReadLeavesNoNewWindow)
{
    MainWindow* first = Start();
    const QString broken = WriteFile(QStringLiteral("broken.cif"), "data_x\n_cell_length_a 3\n");
    EXPECT_EQ(app->OpenDoc(broken), nullptr);
    EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 1);
    // The empty window that was to take it stays, with its own name.
    EXPECT_EQ(app->DocumentWindows(), std::vector<MainWindow*>{first});
    EXPECT_EQ(first->Doc()->filename, Localized("Untitled").toStdString());

    app->OpenDoc(Example("silicon.cif"));
    EXPECT_EQ(app->OpenDoc(broken), nullptr);
    Settle();
    EXPECT_EQ(app->DocumentWindows().size(), 1u);  // the window made for it went again
}

TEST_F(ApplicationTest, FilesOfOtherKindsOpenNoWindow)
{
    MainWindow* first = Start();
    app->OpenDoc(Example("silicon.cif"));
    for (const char* name : {"letter.doc", "quartz.TXT", "model.obmf"})
        EXPECT_EQ(app->OpenDoc(WriteFile(QString::fromLatin1(name), "10 1\n20 2\n")), nullptr) << name;
    EXPECT_EQ(app->OpenDoc(Path(QStringLiteral("missing.cif"))), nullptr);
    EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 4);
    EXPECT_EQ(app->DocumentWindows(), std::vector<MainWindow*>{first});
}

TEST_F(ApplicationTest, AlertsAboutAFileNameIt)
{
    EXPECT_EQ(ExplainWithFile("The file could not be read.", "It is damaged."), "It is damaged.");
    {
        AlertFileScope scope(QStringLiteral("/data/run 7/quartz.obdf"));
        const std::string more = ExplainWithFile("The crystal file could not be read.", "It is damaged.");
        EXPECT_NE(more.find("It is damaged."), std::string::npos);
        EXPECT_NE(more.find("/data/run 7/quartz.obdf"), std::string::npos);
        // A message that names the file already is left as it is.
        EXPECT_EQ(ExplainWithFile("The CIF file “quartz.obdf” could not be read.", ""), "");
    }
    EXPECT_EQ(ExplainWithFile("x", ""), "");
}

TEST_F(ApplicationTest, QuitAsksAboutChangesAsClosingDoesAndWritesThePreferences)
{
    MainWindow* w = Start();
    app->OpenDoc(Example("silicon.cif"));
    Settle();
    ASSERT_FALSE(w->IsModified());
    FindCommand(w, "*Grd")->trigger();
    Settle();
    ASSERT_TRUE(w->IsModified());
    const Rect bounds = w->ContentBounds();
    QPointer<MainWindow> guard(w);
    // Cancelled: the program goes on with its windows.
    dialogs.saveChangesAnswers.push_back(SaveChangesAnswer::Cancel);
    EXPECT_FALSE(app->DoQuit());
    Settle();
    EXPECT_FALSE(guard.isNull());
    EXPECT_EQ(dialogs.asked, QStringList{QStringLiteral("saveChanges")});
    EXPECT_FALSE(PrefsWritten());
    // Not saved: the window goes, and so do its changes.
    dialogs.saveChangesAnswers.push_back(SaveChangesAnswer::DontSave);
    EXPECT_TRUE(app->DoQuit());
    Settle();
    EXPECT_TRUE(guard.isNull());
    EXPECT_EQ(dialogs.asked.size(), 2);
    EXPECT_TRUE(QDir(RecoveryFolder()).entryList({QStringLiteral("*.vlmf")}, QDir::Files).isEmpty());
    ASSERT_TRUE(PrefsWritten());
    PrefDataRec read = gFactoryPrefs;
    ASSERT_TRUE(ReadPrefsFile(PrefsFilePath(), &read));
    EXPECT_EQ(read.windowBounds, bounds);  // the front window's, for the next first window
}

TEST_F(ApplicationTest, ClosingTheLastWindowWritesThePreferences)
{
    app->quitWhenLastWindowCloses = true;
    MainWindow* w = Start();
    app->OpenDoc(Example("silicon.cif"));
    w->resize(820, 610);
    const QSize size = w->size();
    app->DoNewWindow()->close();
    Settle();
    EXPECT_FALSE(PrefsWritten());  // one window is left
    dialogs.saveChangesAnswers.push_back(SaveChangesAnswer::DontSave);
    w->close();
    Settle();
    ASSERT_TRUE(PrefsWritten());
    PrefDataRec read = gFactoryPrefs;
    ASSERT_TRUE(ReadPrefsFile(PrefsFilePath(), &read));
    EXPECT_EQ(read.windowBounds.Width(), size.width());
    EXPECT_EQ(read.windowBounds.Height(), size.height());
}

TEST_F(ApplicationTest, DialogsOfferTheFilesTheProgramReads)
{
    for (UInt32 kind : {FourCC("OBDF"), FourCC("OBD5"), kFileTypeCIF, kFileTypeVLMF, kFileTypeVLMs, kFileTypeTEXT,
                        kFileTypeXYDT}) {
        const QStringList patterns = FilePatternsOfKind(kind);
        EXPECT_FALSE(patterns.isEmpty()) << kind;
        for (const QString& pattern : patterns) {
            UInt32 detected = 0;
            EXPECT_EQ(MyGetFileType(("file" + pattern.mid(1)).toStdString(), &detected), kNoErr);
            EXPECT_EQ(detected, kind) << pattern.toStdString();
            EXPECT_TRUE(FileDialogFilters(FileFilter::Documents).first().contains(pattern)) << pattern.toStdString();
        }
    }
    EXPECT_FALSE(FileDialogFilters(FileFilter::AddFiles).first().contains(QStringLiteral("*.vlmf")));
}

// The application object gives the process the user's locale; numbers in files and reports must
// keep their full stop all the same.
TEST_F(ApplicationTest, DecimalCommaLocaleReachesNoFileOrReport)
{
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    ASSERT_TRUE(std::setlocale(LC_ALL, "de_DE.UTF-8")) << "the de_DE.UTF-8 locale is missing: run scripts/setup";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    UseFullStopForNumbers();

    MainWindow* w = Start();
    app->OpenDoc(Example("quartz.cif"));
    AddFilesToWindow(w, {Example("quartz_synthetic_cuka.xy")});
    const QString listing = Path(QStringLiteral("listing.txt"));
    const bool written = WriteDocumentFile(w, SaveKind::Listing, listing);
    std::setlocale(LC_ALL, saved.c_str());

    // Every point of the measured pattern was read, from 10.000° to 79.980° in steps of 0.02°.
    const ObsDataRec* data = GetFrontDataset(w->Doc());
    ASSERT_TRUE(data);
    EXPECT_EQ(data->nData(), 3500);
    EXPECT_FLOAT_EQ(data->x.back(), 79.98f);
    ASSERT_TRUE(written);
    QFile file(listing);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("\\d\\.\\d"))));
    EXPECT_FALSE(text.contains(QRegularExpression(QStringLiteral("\\d,\\d"))));
}

}  // namespace

namespace {

TEST_F(ApplicationTest, AFirstWindowTakesTwoThirdsOfTheScreen)
{
    EXPECT_EQ(DefaultWindowSize(QRect(0, 0, 1920, 1080)), QSize(1280, 720));
    EXPECT_EQ(DefaultWindowSize(QRect(0, 0, 600, 200)), QSize(kMainWindowMinWidth, kMainWindowMinHeight));
    MainWindow* w = Start();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_NEAR(w->width(), std::max(kMainWindowMinWidth, screen.width() * 2 / 3), 2);
    // On a common screen the plot has most of the width, the parameters and the drawer shown.
    w->resize(DefaultWindowSize(QRect(0, 0, 1920, 1080)));
    if (!w->DrawerOpen())
        w->ToggleFilesDrawer();
    w->ShowParametersList(true);
    Settle();
    EXPECT_GT(w->Pane()->width(), w->width() / 2);
}

}  // namespace
