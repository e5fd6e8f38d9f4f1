// Documents in and out of windows: adding files, drops of files and folders, saving sessions and
// reopening them, the exports, and closing with the save-changes question.
#include "DocumentCommands.h"

#include "Document.h"
#include "Documents.h"
#include "GraphicsPane.h"
#include "InfoBar.h"
#include "MainWindow.h"
#include "ShellTestSupport.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QPointer>
#include <QUrl>

namespace {

class DocumentCommandsTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        window = Start();
        ASSERT_TRUE(window);
    }
    // The silicon example in the window, given unsaved changes (grid lines switched).
    void OpenSilicon()
    {
        ASSERT_EQ(app->OpenDoc(Example("silicon.cif")), window);
        Settle();
        ASSERT_FALSE(window->IsModified());  // just opened: nothing to save
        FindCommand(window, "*Grd")->trigger();
        Settle();
        ASSERT_TRUE(window->IsModified());
    }
    static QByteArray Read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Whether a window closed: closing it deletes it.
    bool Closes(MainWindow* w)
    {
        QPointer<MainWindow> guard(w);
        w->close();
        Settle();
        return guard.isNull();
    }

    MainWindow* window = nullptr;
};

TEST_F(DocumentCommandsTest, AddFilesBringsInTheChosenFilesSelected)
{
    OpenSilicon();
    dialogs.openAnswers.push_back({Example("copper.cif"), WriteDataFile(QStringLiteral("obs.txt"))});
    FindCommand(window, "+Dat")->trigger();
    WinInfoRec* doc = window->Doc();
    ASSERT_EQ(doc->plotList.size(), 3u);
    for (VLPatternPtr p : doc->plotList)
        EXPECT_TRUE(p->selected) << p->name;
    EXPECT_EQ(GetNumCrystalsInPlotList(doc), 2);
    // Two crystals share the mixture equally.
    EXPECT_FLOAT_EQ(GetNthCrystalInPlotList(doc, 0)->volFrac, 0.5f);
    EXPECT_FLOAT_EQ(GetNthCrystalInPlotList(doc, 1)->volFrac, 0.5f);
}

// What the CIF reader had to decide stays in the information bar once the window has redrawn.
TEST_F(DocumentCommandsTest, CifNotesStayInTheInformationBarAfterTheRedraw)
{
    OpenSilicon();
    const QString gypsum = QStringLiteral(VELMORA_EXAMPLES_DIR "/../tests/data/cif/gypsum_labels.cif");
    ASSERT_EQ(AddFilesToWindow(window, {gypsum}), 1);
    Settle();
    const QString text = window->Info()->Text();
    EXPECT_TRUE(text.contains(QStringLiteral("WatOW → O"))) << text.toStdString();

    // A window of its own, drawn for the first time after the file was read.
    MainWindow* opened = app->OpenDoc(gypsum);
    ASSERT_NE(opened, nullptr);
    Settle();
    EXPECT_GT(opened->Pane()->RenderCount(), 0);
    const QString own = opened->Info()->Text();
    EXPECT_TRUE(own.contains(QStringLiteral("WatOW → O"))) << own.toStdString();
}

TEST_F(DocumentCommandsTest, DropsAskFirstFromTwentyFiles)
{
    OpenSilicon();
    QStringList nineteen;
    for (int i = 0; i < 19; ++i)
        nineteen << WriteDataFile(QStringLiteral("d%1.txt").arg(i, 2, 10, QLatin1Char('0')));
    EXPECT_EQ(DropFilesOnWindow(window, nineteen), 19);
    EXPECT_TRUE(dialogs.asked.isEmpty());

    const QStringList twenty = nineteen + QStringList{WriteDataFile(QStringLiteral("d19.txt"))};
    dialogs.choiceAnswers.push_back(false);
    EXPECT_EQ(DropFilesOnWindow(window, twenty), 0);
    ASSERT_EQ(dialogs.choiceTexts.size(), 1);
    EXPECT_TRUE(dialogs.choiceTexts[0].contains(QStringLiteral("20"))) << dialogs.choiceTexts[0].toStdString();
    dialogs.choiceAnswers.push_back(true);
    EXPECT_EQ(DropFilesOnWindow(window, twenty), 20);
}

TEST_F(DocumentCommandsTest, DroppedFoldersAreWalkedAndSessionsOpenInWindowsOfTheirOwn)
{
    OpenSilicon();
    ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("drop/deeper")));
    WriteDataFile(QStringLiteral("drop/top.txt"));
    WriteDataFile(QStringLiteral("drop/deeper/inner.dat"));
    WriteFile(QStringLiteral("drop/notes.doc"), "not data");
    QFile::copy(Example("copper.cif"), Path(QStringLiteral("drop/deeper/copper.cif")));
    const QString session = Path(QStringLiteral("kept.vlmf"));
    ASSERT_TRUE(WriteDocumentFile(window, SaveKind::Session, session));

    EXPECT_TRUE(DropAcceptable({Path(QStringLiteral("drop"))}));
    EXPECT_FALSE(DropAcceptable({Path(QStringLiteral("drop/notes.doc"))}));
    EXPECT_EQ(DropFilesOnWindow(window, {Path(QStringLiteral("drop")), session}), 3);
    EXPECT_EQ(window->Doc()->plotList.size(), 4u);
    EXPECT_EQ(app->DocumentWindows().size(), 2u);  // the session has a window of its own

    // The same through the window's drop event.
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(WriteDataFile(QStringLiteral("single.txt")))});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject*>(window)->event(&enter);  // as the drag-and-drop machinery delivers it
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_TRUE(window->Pane()->DropHighlight());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject*>(window)->event(&drop);
    EXPECT_FALSE(window->Pane()->DropHighlight());
    EXPECT_EQ(window->Doc()->plotList.size(), 5u);
}

TEST_F(DocumentCommandsTest, SessionSavedAndReopenedKeepsDocumentAndWindow)
{
    OpenSilicon();
    AddFilesToWindow(window, {WriteDataFile(QStringLiteral("obs.txt"))});
    window->Doc()->plotSpecs.lambda = 1.7889f;
    window->ShowParametersList(false);
    const QString path = Path(QStringLiteral("my sample.vlmf"));
    dialogs.saveAnswers.push_back(path);
    FindCommand(window, "svas")->trigger();
    ASSERT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(dialogs.saveProposals.value(0), QStringLiteral("silicon.vlmf"));
    EXPECT_FALSE(window->IsModified());
    EXPECT_TRUE(window->windowTitle().contains(QStringLiteral("my sample")));
    EXPECT_EQ(window->Doc()->sessionFilePtr, path.toStdString());

    // Saving again writes the same file without asking.
    window->Doc()->plotSpecs.lambda = 1.5406f;
    FindCommand(window, "save")->trigger();
    EXPECT_EQ(dialogs.asked, QStringList{QStringLiteral("save")});
    window->Doc()->plotSpecs.lambda = 1.7889f;
    FindCommand(window, "save")->trigger();

    ASSERT_TRUE(Closes(window));
    EXPECT_EQ(dialogs.asked.count(QStringLiteral("saveChanges")), 0);  // nothing unsaved
    MainWindow* reopened = app->OpenDoc(path);
    ASSERT_TRUE(reopened);
    Settle();
    WinInfoRec* doc = reopened->Doc();
    EXPECT_EQ(doc->plotList.size(), 2u);
    EXPECT_EQ(GetNumCrystalsInPlotList(doc), 1);
    EXPECT_FLOAT_EQ(doc->plotSpecs.lambda, 1.7889f);
    EXPECT_FALSE(reopened->ParameterListShown());
    EXPECT_FALSE(reopened->IsModified());
    EXPECT_EQ(doc->filename, "my sample");
    EXPECT_EQ(doc->sessionFilePtr, path.toStdString());  // the document remembers its session
    EXPECT_EQ(DefaultSaveName(doc, SaveKind::Session), path);
}

TEST_F(DocumentCommandsTest, ReportsAreExportedUnderTheProposedNames)
{
    OpenSilicon();
    window->MarkSaved();
    const struct {
        const char* code;
        const char* proposal;
        const char* file;
        const char* contains;  // a line every such report has
    } reports[] = {{"xLst", "silicon Listing.txt", "listing.txt", "d(hkl)    2-Theta     Intensity"},
                   {"xFac", "silicon Fhkl.txt", "fhkl.txt", "F(Re)"}};
    for (const auto& r : reports) {
        dialogs.saveAnswers.push_back(Path(QString::fromLatin1(r.file)));
        FindCommand(window, r.code)->trigger();
        EXPECT_EQ(dialogs.saveProposals.last(), QString::fromLatin1(r.proposal));
        EXPECT_TRUE(Read(Path(QString::fromLatin1(r.file))).contains(r.contains)) << r.code;
    }
    // A cancelled export writes nothing; no export leaves changes to save.
    FindCommand(window, "xLst")->trigger();
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 2);
    Settle();
    EXPECT_FALSE(window->IsModified());
}

TEST_F(DocumentCommandsTest, PrintingPutsThePlotOnThePageAndLeavesTheWindowAsItWas)
{
    OpenSilicon();
    const Rect plotRect = window->Doc()->plotRect;
    const int columns = GetFrontCrystal(window->Doc())->nBufferPts();
    FindCommand(window, "prnt")->trigger();  // cancelled: nothing printed
    dialogs.printToFile = Path(QStringLiteral("printed.pdf"));
    FindCommand(window, "prnt")->trigger();
    EXPECT_TRUE(Read(dialogs.printToFile).startsWith("%PDF"));
    EXPECT_EQ(window->Doc()->plotRect, plotRect);
    EXPECT_EQ(GetFrontCrystal(window->Doc())->nBufferPts(), columns);
    EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 0);
}

struct CloseCase {
    const char* name;
    SaveChangesAnswer answer;
    bool saveDialogAnswered;  // the save dialog reached from "Save" gives a name
    bool closes;
    bool sessionWritten;
};

void PrintTo(const CloseCase& c, std::ostream* os)
{
    *os << c.name;
}

class CloseTest : public DocumentCommandsTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseTest, SaveChangesAnswers)
{
    const CloseCase& c = GetParam();
    OpenSilicon();
    const QString path = Path(QStringLiteral("closing.vlmf"));
    dialogs.saveChangesAnswers.push_back(c.answer);
    if (c.saveDialogAnswered)
        dialogs.saveAnswers.push_back(path);
    EXPECT_EQ(Closes(window), c.closes);
    EXPECT_EQ(dialogs.asked.value(0), QStringLiteral("saveChanges"));
    EXPECT_EQ(QFileInfo::exists(path), c.sessionWritten);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, CloseTest,
    ::testing::Values(CloseCase{"Cancel", SaveChangesAnswer::Cancel, false, false, false},
                      CloseCase{"DontSave", SaveChangesAnswer::DontSave, false, true, false},
                      CloseCase{"Save", SaveChangesAnswer::Save, true, true, true},
                      // Cancelling the save dialog reached from the question keeps the window.
                      CloseCase{"SaveThenCancelTheDialog", SaveChangesAnswer::Save, false, false, false}),
    [](const ::testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.name); });

TEST_F(DocumentCommandsTest, WindowWithoutPatternsClosesWithoutAsking)
{
    OpenSilicon();
    RemovePatternsFromDiffraction(window->Doc(), std::vector<VLPatternPtr>(window->Doc()->plotList));
    Settle();
    EXPECT_TRUE(window->IsModified());
    EXPECT_TRUE(Closes(window));
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

// A save that fails must not close the window and lose the document with it.
TEST_F(DocumentCommandsTest, FailedSaveKeepsTheWindowOpen)
{
    OpenSilicon();
    dialogs.saveChangesAnswers.push_back(SaveChangesAnswer::Save);
    dialogs.saveAnswers.push_back(Path(QStringLiteral("no such folder/closing.vlmf")));
    EXPECT_FALSE(Closes(window));
    EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 1);
    EXPECT_TRUE(window->IsModified());
}

}  // namespace

namespace {

TEST_F(DocumentCommandsTest, AFileJustOpenedHasNothingToSaveAndClosesWithoutAsking)
{
    ASSERT_EQ(app->OpenDoc(Example("quartz.cif")), window);
    Settle();
    EXPECT_FALSE(window->IsModified());
    EXPECT_FALSE(window->windowTitle().remove(QStringLiteral("[*]")).contains(QLatin1Char('*')));
    EXPECT_TRUE(Closes(window));
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

struct SaveNameCase {
    const char* document;
    const char* session;
    const char* listing;
};

// The name a save dialog proposes keeps only the document's own name.
const SaveNameCase kSaveNames[] = {
    {"quartz.cif", "quartz.vlmf", "quartz Listing.txt"},
    {"corundum.obdf", "corundum.vlmf", "corundum Listing.txt"},
    {"scan 7.xy", "scan 7.vlmf", "scan 7 Listing.txt"},
    {"old.vlmf", "old.vlmf", "old Listing.txt"},
    {"Na0.5 K0.5 Cl", "Na0.5 K0.5 Cl.vlmf", "Na0.5 K0.5 Cl Listing.txt"},
};

TEST_F(DocumentCommandsTest, SaveAsProposesTheDocumentsNameInTheFolderSavedToLast)
{
    for (const SaveNameCase& c : kSaveNames) {
        window->Doc()->filename = c.document;
        EXPECT_EQ(DefaultSaveName(window->Doc(), SaveKind::Session), QString::fromUtf8(c.session)) << c.document;
        EXPECT_EQ(DefaultSaveName(window->Doc(), SaveKind::Listing), QString::fromUtf8(c.listing)) << c.document;
    }
    // Not in the folder a file was opened from (the examples, say), but where the user saved.
    ShellDialogs standard;
    standard.lastFolder = QFileInfo(Example("quartz.cif")).absolutePath();
    const QString first = standard.SaveDialogStart(QStringLiteral("quartz.vlmf"));
    EXPECT_EQ(QFileInfo(first).fileName(), QStringLiteral("quartz.vlmf"));
    EXPECT_NE(QFileInfo(first).absolutePath(), standard.lastFolder);
    standard.lastSaveFolder = folder.path();
    EXPECT_EQ(standard.SaveDialogStart(QStringLiteral("quartz.vlmf")), Path(QStringLiteral("quartz.vlmf")));
    // A session saved before keeps its own place.
    EXPECT_EQ(standard.SaveDialogStart(QStringLiteral("/data/old.vlmf")), QStringLiteral("/data/old.vlmf"));
}

}  // namespace
