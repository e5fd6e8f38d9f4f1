// The questions the desktop program puts to the user through standard dialogs: files to open, a
// name to save under, whether to save a changed document, a two-button choice and a colour. The
// application asks through one ShellDialogs object, so a test can answer in the user's place.
// The file-type filters of the dialogs are here as well.
#pragma once

#include "Records.h"
#include "Recovery.h"

#include <QString>
#include <QStringList>

class QPrinter;
class QSize;
class QWidget;

// The groups of files a dialog offers.
enum class FileFilter {
    Documents,   // everything the open command takes: crystals, CIF, sessions, measured data
    AddFiles,    // what can be added to a window: crystals, CIF, measured data
    Session,     // saving a session
    TextReport,  // saving a listing, profile or structure-factor report
    PlotImage,   // exporting the plot: PNG, SVG or PDF
};

enum class SaveChangesAnswer { Save, DontSave, Cancel };

// The name filters of a dialog ("Crystal files (*.obdf *.obd5)", ...), the first being the one
// shown at first.
QStringList FileDialogFilters(FileFilter filter);
// The file patterns ("*.cif") of one kind code (FileTypes.h), as the dialogs list them.
QStringList FilePatternsOfKind(UInt32 code);

class ShellDialogs {
public:
    virtual ~ShellDialogs() = default;
    // Files chosen in an open dialog; empty when cancelled.
    virtual QStringList OpenFiles(QWidget* parent, const QString& prompt, FileFilter filter);
    // A path chosen in a save dialog that proposes proposal (a name or a full path); empty when
    // cancelled. defaultSuffix is added to a name typed without one.
    virtual QString SaveFile(QWidget* parent, const QString& prompt, const QString& proposal, FileFilter filter,
                             const QString& defaultSuffix);
    // The save-changes question for a document called name.
    virtual SaveChangesAnswer AskSaveChanges(QWidget* parent, const QString& name);
    // The start-up question about documents with unsaved changes that a program which did not
    // end normally left, named in names.
    virtual RecoveryAnswer AskRecovery(QWidget* parent, const QStringList& names);
    // A caution with a confirming and a cancelling button; true when the first was chosen.
    virtual bool Choice(QWidget* parent, const QString& text, const QString& confirm);
    // The colour picker; false when cancelled.
    virtual bool PickColour(QWidget* parent, const QString& prompt, RGBColor& colour);
    // The size of an exported plot, pixels (PDF: points), starting from size; false when cancelled.
    virtual bool AskPlotSize(QWidget* parent, QSize& size);
    // Page set-up and the print dialog on the program's printer; false when cancelled.
    virtual bool PageSetup(QWidget* parent, QPrinter& printer);
    virtual bool Print(QWidget* parent, QPrinter& printer);

    // Where a save dialog opens for proposal: the proposal itself when it is a full path, else
    // the name in the folder saved into last (at first the user's documents folder).
    QString SaveDialogStart(const QString& proposal) const;

    // The folder the open dialogs open in: the one used last.
    QString lastFolder;
    // The folder saved into last; empty before the first save.
    QString lastSaveFolder;
};

// The name of a document without the extension of a file the program reads ("quartz.cif" gives
// "quartz"); other names are kept whole.
QString WithoutDocumentExtension(const QString& name);

// The dialogs the program uses now (the application's own unless a test installed others).
ShellDialogs& Dialogs();
void SetDialogs(ShellDialogs* dialogs);  // null: back to the standard dialogs
