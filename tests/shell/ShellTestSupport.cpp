// Helpers shared by the desktop-program tests.
#include "ShellTestSupport.h"

#include "CommandTable.h"
#include "Globals.h"
#include "MainWindow.h"
#include "PrefsFile.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>

QStringList ScriptedDialogs::OpenFiles(QWidget*, const QString&, FileFilter)
{
    asked << QStringLiteral("open");
    if (openAnswers.empty())
        return {};
    QStringList answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

QString ScriptedDialogs::SaveFile(QWidget*, const QString&, const QString& proposal, FileFilter, const QString&)
{
    asked << QStringLiteral("save");
    saveProposals << proposal;
    if (saveAnswers.empty())
        return {};
    QString answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

SaveChangesAnswer ScriptedDialogs::AskSaveChanges(QWidget*, const QString&)
{
    asked << QStringLiteral("saveChanges");
    if (saveChangesAnswers.empty())
        return SaveChangesAnswer::Cancel;
    const SaveChangesAnswer answer = saveChangesAnswers.front();
    saveChangesAnswers.pop_front();
    return answer;
}

bool ScriptedDialogs::Choice(QWidget*, const QString& text, const QString&)
{
    asked << QStringLiteral("choice");
    choiceTexts << text;
    if (choiceAnswers.empty())
        return false;
    const bool answer = choiceAnswers.front();
    choiceAnswers.pop_front();
    return answer;
}

bool ScriptedDialogs::PickColour(QWidget*, const QString&, RGBColor& colour)
{
    asked << QStringLiteral("colour");
    if (colourAnswers.empty())
        return false;
    colour = colourAnswers.front();
    colourAnswers.pop_front();
    return true;
}

RecoveryAnswer ScriptedDialogs::AskRecovery(QWidget*, const QStringList& names)
{
    asked << QStringLiteral("recovery");
    recoveryNames = names;
    if (recoveryAnswers.empty())
        return RecoveryAnswer::Keep;
    const RecoveryAnswer answer = recoveryAnswers.front();
    recoveryAnswers.pop_front();
    return answer;
}

bool ScriptedDialogs::AskPlotSize(QWidget*, QSize& size)
{
    asked << QStringLiteral("plotSize");
    if (!plotSizeAnswers.empty()) {
        size = plotSizeAnswers.front();
        plotSizeAnswers.pop_front();
    }
    return true;
}

bool ScriptedDialogs::PageSetup(QWidget*, QPrinter&)
{
    asked << QStringLiteral("pageSetup");
    return false;
}

bool ScriptedDialogs::Print(QWidget*, QPrinter& printer)
{
    asked << QStringLiteral("print");
    if (printToFile.isEmpty())
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(printToFile);
    return true;
}

void ShellTest::SetUp()
{
    ASSERT_TRUE(folder.isValid());
    // Every test starts from the factory preferences.
    QFile::remove(QString::fromStdString(PrefsFilePath()));
    // ...and with no recovery files of other tests.
    UseStateFolder(Path(QStringLiteral("state")));
    quittingTime = false;
    app = std::make_unique<Application>();
    app->quitWhenLastWindowCloses = false;
#if VELMORA_UPDATE_CHECK
    app->automaticUpdateCheck = false;
#endif
    SetStatusSink(&sink);
    SetDialogs(&dialogs);
}

void ShellTest::TearDown()
{
    app.reset();
    Settle();
    SetDialogs(nullptr);
    SetStatusSink(nullptr);
    quittingTime = false;
    gPrefs = gFactoryPrefs;
}

void ShellTest::UseStateFolder(const QString& path)
{
    qputenv("XDG_STATE_HOME", QFile::encodeName(path));
}

QString ShellTest::RecoveryFolder() const
{
    return RecoveryFolderPath();
}

MainWindow* ShellTest::Start()
{
    if (!app->Start({}))
        return nullptr;
    SetStatusSink(&sink);  // Start may have set up the program's own alerts
    Settle();
    return app->FrontWindow();
}

MainWindow* ShellTest::StartWith(const char* example)
{
    MainWindow* window = Start();
    if (!window || app->OpenDoc(Example(example)) != window)
        return nullptr;
    Settle();
    return window;
}

QString ShellTest::Example(const char* name)
{
    return QStringLiteral(VELMORA_EXAMPLES_DIR "/") + QString::fromLatin1(name);
}

QString ShellTest::WriteFile(const QString& name, const QByteArray& bytes)
{
    QFile file(Path(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
}

QString ShellTest::WriteDataFile(const QString& name)
{
    QByteArray text;
    for (int i = 0; i <= 50; ++i)
        text += QByteArray::number(10 + i * 1.5) + ' ' + QByteArray::number(100 + (i % 7) * 30) + '\n';
    return WriteFile(name, text);
}

void ShellTest::Settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

std::vector<QAction*> FindCommands(MainWindow* window, const char* code)
{
    std::vector<QAction*> out;
    for (QAction* a : window->menuBar()->findChildren<QAction*>())
        if (CommandCode(a) == QLatin1String(code))
            out.push_back(a);
    return out;
}

QAction* FindCommand(MainWindow* window, const char* code)
{
    const std::vector<QAction*> all = FindCommands(window, code);
    return all.empty() ? nullptr : all.front();
}

void ShowAllMenus(MainWindow* window)
{
    for (QMenu* menu : window->menuBar()->findChildren<QMenu*>())
        emit menu->aboutToShow();
}

void HideAllMenus(MainWindow* window)
{
    for (QMenu* menu : window->menuBar()->findChildren<QMenu*>())
        emit menu->aboutToHide();
}
