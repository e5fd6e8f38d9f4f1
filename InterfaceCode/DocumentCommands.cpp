// Document commands: adding, dropping, saving, exporting, closing.
#include "DocumentCommands.h"

#include "AddFiles.h"
#include "Alerts.h"
#include "Application.h"
#include "Diffraction.h"
#include "Dialogs.h"
#include "Document.h"
#include "Documents.h"
#include "FileTypes.h"
#include "GraphicsPane.h"
#include "MainWindow.h"
#include "Reports.h"
#include "SessionFile.h"
#include "Status.h"
#include "StringTable.h"

#include <QFileInfo>

#include <string>
#include <vector>

namespace {

UInt32 KindOf(const QString& path)
{
    UInt32 code = 0;
    return MyGetFileType(path.toStdString(), &code) == kNoErr ? code : UInt32(0);
}

// A name proposed in a save dialog must not lead into another folder.
QString SafeName(QString name)
{
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    return name.isEmpty() ? Localized("Untitled") : name;
}

// The document's name less the extension of the file it came from, so that a saved session is
// called "quartz.vlmf", not "quartz.cif.vlmf" or "name.vlmf.vlmf".
QString BaseName(const WinInfoRec* doc)
{
    return WithoutDocumentExtension(QString::fromStdString(doc->filename));
}

// A report's name: the document's base name and the report's own ending (" Listing.txt").
QString ReportName(const WinInfoRec* doc, ReportKind kind)
{
    const QString full = QString::fromStdString(DefaultReportName(doc, kind));
    return SafeName(BaseName(doc) + full.mid(static_cast<qsizetype>(QString::fromStdString(doc->filename).size())));
}

}  // namespace

bool DropAcceptable(const QStringList& paths)
{
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.isDir() || IsLoadableFileType(KindOf(path)))
            return true;
    }
    return false;
}

int AddFilesToWindow(MainWindow* window, const QStringList& paths)
{
    WinInfoRec* doc = window->Doc();
    int added = 0;
    std::string notes;
    for (const QString& path : paths) {
        AlertFileScope file(path);
        added += static_cast<int>(LoadPatternsFromFile(doc, path.toStdString(), true, gPrefs, &notes).size());
    }
    // As AddFilesToDiffraction: one redraw, then measured data scaled to the calculated patterns;
    // the readers' notes after it, which the redraw would clear.
    RedrawAfterFilesAdded(doc);
    ShowImportNotes(doc, notes);
    return added;
}

void DoOpenInSameWindow(MainWindow* window)
{
    if (!window || window->Doc()->plotList.empty())
        return;
    const QStringList files =
        Dialogs().OpenFiles(window, QObject::tr("Select crystal files or measured diffraction data"), FileFilter::AddFiles);
    if (!files.isEmpty())
        AddFilesToWindow(window, files);
}

int DropFilesOnWindow(MainWindow* window, const QStringList& paths)
{
    std::vector<std::string> items;
    for (const QString& p : paths)
        items.push_back(p.toStdString());
    const std::vector<std::string> found = CollectFiles(items, true);
    if (found.empty())
        return 0;
    if (static_cast<int>(found.size()) >= kDropConfirmCount) {
        const std::string question = FormatCount(LocalizedString("Confirm_Load_N_Files"), static_cast<long long>(found.size()));
        if (!Dialogs().Choice(window, QString::fromStdString(question), QObject::tr("Continue")))
            return 0;
    }
    QStringList files, sessions;
    for (const std::string& f : found)
        (IsSessionFileType(KindOf(QString::fromStdString(f))) ? sessions : files) << QString::fromStdString(f);
    int added = 0;
    if (!files.isEmpty())
        added = AddFilesToWindow(window, files);
    // A session is a document of its own.
    for (const QString& s : sessions)
        window->App().OpenDoc(s);
    return added;
}

QString DefaultSaveName(const WinInfoRec* doc, SaveKind kind)
{
    switch (kind) {
    case SaveKind::Session:
        if (!doc->sessionFilePtr.empty())
            return QString::fromStdString(doc->sessionFilePtr);
        return SafeName(BaseName(doc)) + QStringLiteral(".vlmf");
    case SaveKind::Listing: return ReportName(doc, ReportKind::Listing);
    case SaveKind::Profile: return ReportName(doc, ReportKind::Profile);
    case SaveKind::StructureFactors: return ReportName(doc, ReportKind::StructureFactors);
    }
    return {};
}

bool WriteDocumentFile(MainWindow* window, SaveKind kind, const QString& path)
{
    WinInfoRec* doc = window->Doc();
    const std::string file = path.toStdString();
    AlertFileScope scope(path);
    const bool wasModified = window->IsModified();
    OSErr err = kParamErr;
    switch (kind) {
    case SaveKind::Session:
        // A drawing still waiting would mark the window changed after it was saved.
        window->Pane()->RenderPending();
    {
        // The session names the document after itself, so that it reopens under that name.
        const std::string previousName = doc->filename;
        doc->filename = QFileInfo(path).completeBaseName().toStdString();
        err = WriteSessionFile(doc, file, window->SessionState());
        if (err != kNoErr) {
            doc->filename = previousName;
            break;
        }
        window->UpdateWindowTitle(doc);
        window->MarkSaved();
        break;
    }
    case SaveKind::Listing: err = WriteListingFile(doc, file); break;
    case SaveKind::Profile: err = WriteProfileFile(doc, file); break;
    case SaveKind::StructureFactors: err = WriteStrucFacFile(doc, file); break;
    }
    if (kind != SaveKind::Session && !wasModified) {
        // A report recomputes what it lists and redraws the plot, but changes nothing to save.
        window->Pane()->RenderPending();
        window->MarkSaved();
    }
    return err == kNoErr;
}

bool DoSaveFile(MainWindow* window)
{
    WinInfoRec* doc = window->Doc();
    if (doc->plotList.empty())
        return false;
    if (!doc->sessionFilePtr.empty())
        return WriteDocumentFile(window, SaveKind::Session, QString::fromStdString(doc->sessionFilePtr));
    return DoSaveFileAs(window, SaveKind::Session);
}

bool DoSaveFileAs(MainWindow* window, SaveKind kind)
{
    WinInfoRec* doc = window->Doc();
    if (doc->plotList.empty())
        return false;
    const bool session = kind == SaveKind::Session;
    const QString prompt = session                         ? QObject::tr("Save the window as a session")
                           : kind == SaveKind::Listing     ? QObject::tr("Export the reflexion listing")
                           : kind == SaveKind::Profile     ? QObject::tr("Export the calculated profile")
                                                           : QObject::tr("Export the structure factors");
    const QString path = Dialogs().SaveFile(window, prompt, DefaultSaveName(doc, kind),
                                            session ? FileFilter::Session : FileFilter::TextReport,
                                            session ? QStringLiteral("vlmf") : QStringLiteral("txt"));
    if (path.isEmpty())
        return false;  // cancelled
    return WriteDocumentFile(window, kind, path);
}

bool ConfirmClose(MainWindow* window)
{
    const WinInfoRec* doc = window->Doc();
    if (!window->IsModified() || doc->plotList.empty())
        return true;
    switch (Dialogs().AskSaveChanges(window, QString::fromStdString(doc->filename))) {
    case SaveChangesAnswer::Save: return DoSaveFile(window);
    case SaveChangesAnswer::DontSave: return true;
    case SaveChangesAnswer::Cancel: return false;
    }
    return false;
}
