// Bringing files into a document.
#include "AddFiles.h"

#include "CrystalFile.h"
#include "Diffraction.h"
#include "Document.h"
#include "Documents.h"
#include "FileTypes.h"
#include "ImportIntoWindow.h"
#include "ObservedData.h"
#include "Profile.h"
#include "Status.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

UInt32 TypeOf(const std::string& path)
{
    UInt32 code = 0;
    if (MyGetFileType(path, &code) != kNoErr)
        return 0;
    return code;
}

void CollectFrom(const fs::path& path, bool allowSessions, std::vector<std::string>& out, int depth)
{
    std::error_code ec;
    if (depth > 64)  // a loop of links or an absurd tree: stop going down
        return;
    if (fs::is_directory(path, ec)) {
        std::vector<fs::path> entries;
        for (fs::directory_iterator it(path, fs::directory_options::skip_permission_denied, ec), end; !ec && it != end;
             it.increment(ec))
            entries.push_back(it->path());
        std::sort(entries.begin(), entries.end());
        for (const fs::path& entry : entries)
            CollectFrom(entry, allowSessions, out, depth + 1);
        return;
    }
    const UInt32 code = TypeOf(path.string());
    if (IsCrystalFileType(code) || IsDatasetFileType(code) || (allowSessions && IsSessionFileType(code)))
        out.push_back(path.string());
}

}  // namespace

bool IsCrystalFileType(UInt32 code)
{
    return code == kFileTypeOBDF || code == kFileTypeOBD5 || code == kFileTypeCIF;
}

bool IsDatasetFileType(UInt32 code)
{
    return code == kFileTypeTEXT || code == kFileTypeXYDT;
}

bool IsSessionFileType(UInt32 code)
{
    return code == kFileTypeVLMF || code == kFileTypeVLMs;
}

bool IsMoleculeFileType(UInt32 code)
{
    return code == kFileTypeOBMF || code == kFileTypeOBM5;
}

bool IsLoadableFileType(UInt32 code)
{
    return IsCrystalFileType(code) || IsDatasetFileType(code) || IsSessionFileType(code);
}

void ShowImportNotes(WinInfoRec* theWindow, const std::string& notes)
{
    if (!notes.empty())
        DrawInfoBarText(theWindow, notes);
}

std::vector<VLPatternPtr> LoadPatternsFromFile(WinInfoRec* theWindow, const std::string& path, bool select,
                                               const PrefDataRec& prefs, std::string* notes)
{
    std::vector<VLPatternPtr> added;
    if (!theWindow)
        return added;
    const UInt32 code = TypeOf(path);
    if (code == kFileTypeOBDF || code == kFileTypeOBD5) {
        FileProblems problems;
        if (VLPatternPtr p = LoadPatternFromCrystalFile(theWindow, path, prefs, problems)) {
            EqualizePhaseProportions(theWindow);
            added.push_back(p);
        }
        ShowProblems(problems);
    } else if (code == kFileTypeCIF) {
        CifImportResult result = ReadCifFile(path, prefs);
        added = InsertCifCrystals(theWindow, result, path, select);
        if (!added.empty() && !result.note.empty()) {
            if (notes)
                *notes += (notes->empty() ? "" : "\n") + result.note;
            else
                ShowImportNotes(theWindow, result.note);
        }
    } else if (code == kFileTypeTEXT) {
        FileProblems problems;
        if (VLPatternPtr p = LoadPatternFromDatasetFile(theWindow, path, prefs, problems))
            added.push_back(p);
        ShowProblems(problems);
    } else if (code == kFileTypeXYDT) {
        MeasuredDataResult result = ReadMeasuredDataFile(path, prefs);
        if (VLPatternPtr p = InsertMeasuredDataset(theWindow, result, path, select, prefs)) {
            if (!result.note.empty())
                DrawInfoBarText(theWindow, result.note);
            added.push_back(p);
        }
    } else if (IsMoleculeFileType(code)) {
        MyCFStopAlert("No_Molecule_Diffraction");
    }
    if (select)
        for (VLPatternPtr p : added)
            p->selected = true;
    return added;
}

int AddFilesToDiffraction(WinInfoRec* theWindow, const std::vector<std::string>& paths, bool select,
                          const PrefDataRec& prefs)
{
    if (!theWindow)
        return 0;
    int added = 0;
    std::string notes;
    for (const std::string& path : paths)
        added += static_cast<int>(LoadPatternsFromFile(theWindow, path, select, prefs, &notes).size());
    RedrawAfterFilesAdded(theWindow);
    ShowImportNotes(theWindow, notes);
    return added;
}

std::vector<std::string> CollectFiles(const std::vector<std::string>& paths, bool allowSessions)
{
    std::vector<std::string> out;
    for (const std::string& p : paths)
        CollectFrom(fs::path(p), allowSessions, out, 0);
    return out;
}

bool OpenDocumentFile(WinInfoRec* theWindow, const std::string& path, SessionWindowState* state,
                      const PrefDataRec& prefs)
{
    if (!theWindow)
        return false;
    const UInt32 code = TypeOf(path);
    if (IsSessionFileType(code)) {
        FileProblems problems;
        const bool read = ReadSessionFile(theWindow, path, prefs, problems, state);
        ShowProblems(problems);
        return read;
    }
    if (IsDatasetFileType(code)) {
        // A data file opened on its own replaces any dataset shown.
        std::vector<VLPatternPtr> datasets;
        for (VLPatternPtr p : theWindow->plotList)
            if (p->type == kPatternTypeDataset)
                datasets.push_back(p);
        for (VLPatternPtr p : datasets)
            RemovePatternFromPlotList(theWindow, p);
    }
    if (IsCrystalFileType(code) || IsDatasetFileType(code)) {
        std::string notes;
        const std::vector<VLPatternPtr> added = LoadPatternsFromFile(theWindow, path, true, prefs, &notes);
        if (added.empty())
            return false;
        if (IsCrystalFileType(code) && added.size() == 1 && added[0]->crystal)
            added[0]->crystal->volFrac = 1.0f;
        RedrawAfterFilesAdded(theWindow);
        ShowImportNotes(theWindow, notes);
        return true;
    }
    if (IsMoleculeFileType(code))
        MyCFStopAlert("No_Molecule_Diffraction");
    else
        MyCFStopAlert("Unknown_File_Type");
    return false;
}
