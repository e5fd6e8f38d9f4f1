// The structures list: selection, plotting from the list, adding files unloaded, list commands.
#include "StructuresList.h"

#include "AddFiles.h"
#include "Diffraction.h"
#include "Document.h"
#include "Documents.h"
#include "FileTypes.h"
#include "Profile.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>

namespace fs = std::filesystem;

namespace {

UInt32 TypeOf(const std::string& path)
{
    UInt32 code = 0;
    return MyGetFileType(path, &code) == kNoErr ? code : 0;
}

bool SameFile(const std::string& a, const std::string& b)
{
    if (a == b)
        return true;
    std::error_code ec;
    const bool same = fs::equivalent(a, b, ec);
    return !ec && same;
}

void FreeCalculation(VLPatternPtr pp)
{
    if (pp->type == kPatternTypeCrystal && pp->crystal) {
        DestroyReflexionsArray(pp->crystal.get());
        DestroyPlotBuffer(pp->crystal.get());
    }
}

// Takes pp out of both lists and destroys it; nothing that remembers it may keep it.
void DiscardPattern(WinInfoRec* w, VLPatternPtr pp)
{
    if (w->cursorInfo.patternPtr == pp)
        w->cursorInfo.patternPtr = nullptr;
    RemovePatternFromFileList(w, pp);  // and from the plot list
}

void ListChanged(WinInfoRec* w)
{
    if (!w->hooks)
        return;
    w->hooks->UpdateStructuresList(w);
    w->hooks->UpdateToolbar(w);
    w->hooks->RebuildParameterList(w);
}

// After plotted patterns went: the crystals left share the volume equally, then everything is
// drawn again.
void PlottedPatternsWent(WinInfoRec* w)
{
    EqualizePhaseProportions(w);
    RedrawAfterPatternsChanged(w);
    if (w->plotList.empty()) {
        w->filename = "untitled";
        if (w->hooks)
            w->hooks->UpdateWindowTitle(w);
    }
    if (w->hooks)
        w->hooks->RebuildParameterList(w);
}

// Reads the file of an unloaded row again; the new patterns take the row's place. False when
// nothing could be read (the row stays).
bool ReloadPattern(WinInfoRec* w, VLPatternPtr pp, const PrefDataRec& prefs)
{
    const std::string path = pp->filePtr;
    if (path.empty())
        return false;
    const std::vector<VLPatternPtr> added = LoadPatternsFromFile(w, path, true, prefs);
    if (added.empty())
        return false;
    DiscardPattern(w, pp);
    return true;
}

}  // namespace

SInt32 GetNumSelectedPatternsInFileList(const WinInfoRec* theWindow)
{
    if (!theWindow)
        return 0;
    return static_cast<SInt32>(std::count_if(theWindow->fileList.begin(), theWindow->fileList.end(),
                                             [](const auto& p) { return p->selected; }));
}

SInt32 GetFileListRow(const WinInfoRec* theWindow, const VLPatternRec* pp)
{
    if (!theWindow || !pp)
        return -1;
    for (std::size_t i = 0; i < theWindow->fileList.size(); ++i)
        if (theWindow->fileList[i].get() == pp)
            return static_cast<SInt32>(i);
    return -1;
}

std::vector<VLPatternPtr> SelectedPatterns(const WinInfoRec* theWindow)
{
    std::vector<VLPatternPtr> out;
    if (theWindow)
        for (const auto& p : theWindow->fileList)
            if (p->selected)
                out.push_back(p.get());
    return out;
}

bool AnyPlotted(const std::vector<VLPatternPtr>& patterns)
{
    return std::any_of(patterns.begin(), patterns.end(), [](VLPatternPtr p) { return p && p->plotted; });
}

bool DoClickFilesListItem(WinInfoRec* theWindow, SInt32 row, ListClick click)
{
    const SInt32 n = GetNumPatternsInFileList(theWindow);
    if (row < 0 || row >= n)
        return false;
    auto& list = theWindow->fileList;
    std::vector<bool> before;
    for (const auto& p : list)
        before.push_back(p->selected);
    auto set = [&list](SInt32 from, SInt32 to, bool on) {
        for (SInt32 i = from; i <= to; ++i)
            list[static_cast<std::size_t>(i)]->selected = on;
    };
    switch (click) {
    case ListClick::Toggle: list[static_cast<std::size_t>(row)]->selected = !list[static_cast<std::size_t>(row)]->selected; break;
    case ListClick::Extend: {
        SInt32 first = -1, last = -1;
        for (SInt32 i = 0; i < n; ++i)
            if (list[static_cast<std::size_t>(i)]->selected) {
                if (first < 0)
                    first = i;
                last = i;
            }
        if (first < 0)
            set(row, row, true);
        else if (row <= first)
            set(row, first, true);
        else if (row >= last)
            set(last, row, true);
        else if (row - first >= last - row) {
            set(first, row - 1, false);
            set(row, last, true);
        } else {
            set(first, row, true);
            set(row + 1, last, false);
        }
        break;
    }
    case ListClick::Plain:
        set(0, n - 1, false);
        set(row, row, true);
        break;
    }
    for (SInt32 i = 0; i < n; ++i)
        if (before[static_cast<std::size_t>(i)] != static_cast<bool>(list[static_cast<std::size_t>(i)]->selected))
            return true;
    return false;
}

bool DoDeselectFilesList(WinInfoRec* theWindow)
{
    if (!theWindow)
        return false;
    bool any = false;
    for (const auto& p : theWindow->fileList) {
        any = any || p->selected;
        p->selected = false;
    }
    return any;
}

SInt32 SelectAdjacentFile(WinInfoRec* theWindow, int direction)
{
    const SInt32 n = GetNumPatternsInFileList(theWindow);
    if (n == 0)
        return -1;
    const SInt32 first = GetFileListRow(theWindow, GetFirstSelectedPatternInFileList(theWindow));
    SInt32 row;
    if (first < 0)
        row = direction < 0 ? n - 1 : 0;
    else
        row = std::clamp(first + (direction < 0 ? -1 : 1), 0, n - 1);
    for (SInt32 i = 0; i < n; ++i)
        theWindow->fileList[static_cast<std::size_t>(i)]->selected = i == row;
    return row;
}

void FileListSelectionChanged(WinInfoRec* theWindow)
{
    if (!theWindow || !theWindow->hooks)
        return;
    WindowHooks* hooks = theWindow->hooks;
    hooks->UpdateStructuresList(theWindow);
    if (!theWindow->fileList.empty()) {
        hooks->RedrawWindow(theWindow, false, false);
        hooks->RebuildParameterList(theWindow);
    }
    hooks->UpdateToolbar(theWindow);
}

bool FileListHoldsFile(const WinInfoRec* theWindow, const std::string& path)
{
    if (!theWindow)
        return false;
    return std::any_of(theWindow->fileList.begin(), theWindow->fileList.end(),
                       [&path](const auto& p) { return !p->filePtr.empty() && SameFile(p->filePtr, path); });
}

int AddFilesToFileList(WinInfoRec* theWindow, const std::vector<std::string>& paths)
{
    if (!theWindow)
        return 0;
    int added = 0;
    for (const std::string& path : paths) {
        const UInt32 code = TypeOf(path);
        const bool crystal = IsCrystalFileType(code);
        if ((!crystal && !IsDatasetFileType(code)) || FileListHoldsFile(theWindow, path))
            continue;
        auto pp = CreatePattern();
        if (!pp)
            break;  // out of memory: the rest would fail as well
        pp->type = crystal ? kPatternTypeCrystal : kPatternTypeDataset;
        pp->name = FileDisplayName(path);
        pp->filePtr = path;
        InsertPatternIntoFileListSorted(theWindow, std::move(pp));
        ++added;
    }
    if (added > 0)
        ListChanged(theWindow);
    return added;
}

bool PlotFileListPattern(WinInfoRec* theWindow, VLPatternPtr pp, bool alone, const PrefDataRec& prefs)
{
    if (!theWindow || !pp || pp->plotted || !PatternIsInFileList(theWindow, pp))
        return false;
    if (alone) {
        for (VLPatternPtr p : std::vector<VLPatternPtr>(theWindow->plotList)) {
            RemovePatternFromPlotList(theWindow, p);
            FreeCalculation(p);
        }
        DoDeselectFilesList(theWindow);
    }
    if (PatternIsCached(pp)) {
        AddPatternsToDiffraction(theWindow, {pp}, true);
    } else {
        if (!ReloadPattern(theWindow, pp, prefs)) {
            if (alone)
                RedrawAfterPatternsChanged(theWindow);
            return false;
        }
        RedrawAfterFilesAdded(theWindow);
    }
    if (theWindow->hooks)
        theWindow->hooks->RebuildParameterList(theWindow);
    return true;
}

void UnplotFileListPattern(WinInfoRec* theWindow, VLPatternPtr pp)
{
    if (!theWindow || !pp || !pp->plotted)
        return;
    RemovePatternsFromDiffraction(theWindow, {pp});
    if (theWindow->hooks)
        theWindow->hooks->RebuildParameterList(theWindow);
}

int AddSelectedFilesToDiffraction(WinInfoRec* theWindow, const PrefDataRec& prefs)
{
    if (!theWindow)
        return 0;
    std::vector<VLPatternPtr> loaded, unloaded;
    for (const auto& p : theWindow->fileList)
        if (p->selected && !p->plotted)
            (PatternIsCached(p.get()) ? loaded : unloaded).push_back(p.get());
    if (loaded.empty() && unloaded.empty())
        return 0;
    int failed = 0;
    // Loaded patterns first, each plotted at the end of the plot list in file-list order, then
    // the files read again (their patterns are diffracted as they are read).
    for (VLPatternPtr p : loaded) {
        if (p->type == kPatternTypeCrystal)
            JustDiffract(theWindow, p->crystal.get(), nullptr);
        InsertPatternIntoPlotList(theWindow, p, nullptr);
    }
    if (!loaded.empty())
        EqualizePhaseProportions(theWindow);
    for (VLPatternPtr p : unloaded)
        if (!ReloadPattern(theWindow, p, prefs))
            ++failed;
    RedrawAfterFilesAdded(theWindow);
    if (theWindow->hooks)
        theWindow->hooks->RebuildParameterList(theWindow);
    return failed;
}

void RemoveSelectedFilesFromDiffraction(WinInfoRec* theWindow)
{
    if (!theWindow)
        return;
    std::vector<VLPatternPtr> selected;
    for (VLPatternPtr p : theWindow->plotList)
        if (p->selected)
            selected.push_back(p);
    if (selected.empty())
        return;
    RemovePatternsFromDiffraction(theWindow, selected);
    if (theWindow->hooks)
        theWindow->hooks->RebuildParameterList(theWindow);
}

void DestroyFileListSelection(WinInfoRec* theWindow)
{
    if (!theWindow)
        return;
    const std::vector<VLPatternPtr> selected = SelectedPatterns(theWindow);
    if (selected.empty())
        return;
    const bool plotted = AnyPlotted(selected);
    for (VLPatternPtr p : selected)
        DiscardPattern(theWindow, p);
    if (plotted)
        PlottedPatternsWent(theWindow);
    else
        ListChanged(theWindow);
}

void DestroyFileListAll(WinInfoRec* theWindow)
{
    if (!theWindow || theWindow->fileList.empty())
        return;
    const bool plotted = !theWindow->plotList.empty();
    theWindow->cursorInfo.patternPtr = nullptr;
    theWindow->plotList.clear();
    theWindow->fileList.clear();
    if (plotted)
        PlottedPatternsWent(theWindow);
    else
        ListChanged(theWindow);
}

void DestroyFileListUnplotted(WinInfoRec* theWindow)
{
    if (!theWindow)
        return;
    std::vector<VLPatternPtr> unplotted;
    for (const auto& p : theWindow->fileList)
        if (!p->plotted)
            unplotted.push_back(p.get());
    if (unplotted.empty())
        return;
    for (VLPatternPtr p : unplotted)
        DiscardPattern(theWindow, p);
    ListChanged(theWindow);
}

namespace {

bool ReorderPlotList(WinInfoRec* w, bool toFront)
{
    if (!w || w->plotList.size() < 2)
        return false;
    const std::vector<VLPatternPtr> before = w->plotList;
    auto selectedFirst = [toFront](VLPatternPtr p) { return toFront ? !p->selected : static_cast<bool>(p->selected); };
    std::stable_partition(w->plotList.begin(), w->plotList.end(), selectedFirst);
    if (w->plotList == before)
        return false;
    if (w->hooks)
        w->hooks->RedrawWindow(w, false, false);
    return true;
}

}  // namespace

bool BringSelectedStructuresToFront(WinInfoRec* theWindow)
{
    return ReorderPlotList(theWindow, true);
}

bool SendSelectedStructuresToBack(WinInfoRec* theWindow)
{
    return ReorderPlotList(theWindow, false);
}

bool PatternPlotColor(const VLPatternRec* pp, RGBColor* colour)
{
    if (!pp || !pp->plotted)
        return false;
    const RGBColor* c = nullptr;
    if (pp->type == kPatternTypeCrystal && pp->crystal)
        c = &pp->crystal->plotColor;
    else if (pp->type == kPatternTypeDataset && pp->dataset)
        c = &pp->dataset->plotColor;
    if (!c)
        return false;
    if (colour)
        *colour = *c;
    return true;
}
