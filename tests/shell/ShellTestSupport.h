// Helpers shared by the desktop-program tests: dialogs answered from a script, and a fixture with
// an application whose alerts are recorded, a folder for files, and the shipped examples.
#pragma once

#include "Application.h"
#include "Dialogs.h"
#include "Status.h"

#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <memory>

class MainWindow;
class QAction;

// Answers the program's questions in the user's place, in order, and records what was asked.
// A question without a prepared answer is answered as cancelled (and counted).
struct ScriptedDialogs : ShellDialogs {
    std::deque<QStringList> openAnswers;
    std::deque<QString> saveAnswers;
    std::deque<SaveChangesAnswer> saveChangesAnswers;
    std::deque<bool> choiceAnswers;
    std::deque<RGBColor> colourAnswers;
    std::deque<RecoveryAnswer> recoveryAnswers;  // none prepared: kept for later
    QStringList recoveryNames;                   // the documents the recovery question named
    std::deque<QSize> plotSizeAnswers;           // none prepared: the size proposed is taken
    QString printToFile;  // the print dialog chooses a PDF file of this name; empty: cancelled

    QStringList asked;          // "open", "save", "saveChanges", "choice", "colour", in order
    QStringList saveProposals;  // the names proposed by save dialogs
    QStringList choiceTexts;

    QStringList OpenFiles(QWidget*, const QString&, FileFilter) override;
    QString SaveFile(QWidget*, const QString&, const QString& proposal, FileFilter, const QString&) override;
    SaveChangesAnswer AskSaveChanges(QWidget*, const QString&) override;
    bool Choice(QWidget*, const QString& text, const QString&) override;
    bool PickColour(QWidget*, const QString&, RGBColor& colour) override;
    RecoveryAnswer AskRecovery(QWidget*, const QStringList& names) override;
    bool AskPlotSize(QWidget*, QSize& size) override;
    bool PageSetup(QWidget*, QPrinter&) override;
    bool Print(QWidget*, QPrinter& printer) override;
};

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The recovery folder of this test's program (each test has a state folder of its own).
    QString RecoveryFolder() const;
    // Starts the application: one empty window, which is returned.
    MainWindow* Start();
    // Starts the application and opens a shipped example in its window; null when either fails.
    MainWindow* StartWith(const char* example);
    // A shipped example file (examples/).
    static QString Example(const char* name);
    // Writes a file into the test's folder and returns its path.
    QString WriteFile(const QString& name, const QByteArray& bytes);
    // A small observed-data text file: a few x, intensity pairs.
    QString WriteDataFile(const QString& name);
    QString Path(const QString& name) const { return folder.filePath(name); }
    // Points the state folder (and with it the recovery folder) at path.
    static void UseStateFolder(const QString& path);
    // Lets the event loop carry out what waits (drawings, deferred deletions).
    static void Settle();

    std::unique_ptr<Application> app;
    RecordingStatusSink sink;
    ScriptedDialogs dialogs;
    QTemporaryDir folder;
};

// The menu action of a window that carries a command code (the first, for codes several items
// carry); null when there is none.
QAction* FindCommand(MainWindow* window, const char* code);
std::vector<QAction*> FindCommands(MainWindow* window, const char* code);
// Brings every item of the window's menus up to date, as opening the menus does, and closes the
// menus again.
void ShowAllMenus(MainWindow* window);
void HideAllMenus(MainWindow* window);
