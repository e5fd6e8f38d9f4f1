// Adding CIF crystals and measured datasets to a window.
#include "ImportIntoWindow.h"

#include "Diffraction.h"
#include "FileTypes.h"
#include "Document.h"
#include "Documents.h"
#include "Globals.h"
#include "Profile.h"
#include "Status.h"
#include "StringTable.h"

#include <vector>

namespace {

void AlertProblem(const std::string& titleKey, const std::string& path, const ImportProblem& problem)
{
    MyCFStopAlertText(FillTextPlaceholder(LocalizedString(titleKey), FileDisplayName(path)),
                      DescribeImportProblem(problem));
}

// What "add files" does once its files are in: redraw with automatic vertical scaling, and scale
// the datasets to the calculated patterns when the plot shows both.
void FinishAddingFiles(WinInfoRec* theWindow, const std::string& note)
{
    RedrawAfterFilesAdded(theWindow);
    if (!note.empty())
        DrawInfoBarText(theWindow, note);
}

}  // namespace

std::vector<VLPatternPtr> InsertCifCrystals(WinInfoRec* theWindow, CifImportResult& result, const std::string& path,
                                            bool select)
{
    if (!theWindow)
        return {};
    if (result.problem || result.crystals.empty()) {
        if (!result.problem)
            result.problem.key = "CIF_No_Atoms";
        AlertProblem("Error_Reading_CIF", path, result.problem);
        return {};
    }
    // Every pattern is made before the first goes in, so that a failure adds nothing.
    std::vector<std::unique_ptr<VLPatternRec>> patterns;
    for (CifCrystal& c : result.crystals) {
        auto pp = CreatePattern();
        if (!pp) {
            MyCFStopAlert("No_Memory");
            return {};
        }
        pp->type = kPatternTypeCrystal;
        pp->name = c.name;
        pp->filePtr = path;
        pp->selected = select;
        pp->crystal = std::move(c.crystal);
        pp->crystal->plotColor = GetNextPlotColor(theWindow);
        patterns.push_back(std::move(pp));
    }
    for (auto& pp : patterns)
        JustDiffract(theWindow, pp->crystal.get(), nullptr);
    std::vector<VLPatternPtr> added;
    for (auto& pp : patterns) {
        VLPatternPtr p = InsertPatternIntoFileListSorted(theWindow, std::move(pp));
        InsertPatternIntoPlotList(theWindow, p, nullptr);
        added.push_back(p);
    }
    EqualizePhaseProportions(theWindow);
    return added;
}

bool AddCifCrystalsToDiffraction(WinInfoRec* theWindow, CifImportResult result, const std::string& path,
                                 bool select)
{
    if (InsertCifCrystals(theWindow, result, path, select).empty())
        return false;
    FinishAddingFiles(theWindow, result.note);
    return true;
}

bool AddCifFileToDiffraction(WinInfoRec* theWindow, const std::string& path, bool select, const PrefDataRec& prefs)
{
    if (!theWindow)
        return false;
    return AddCifCrystalsToDiffraction(theWindow, ReadCifFile(path, prefs), path, select);
}

VLPatternPtr InsertMeasuredDataset(WinInfoRec* theWindow, MeasuredDataResult& result, const std::string& path,
                                   bool select, const PrefDataRec& prefs)
{
    if (!theWindow)
        return nullptr;
    if (result.problem || !result.dataset) {
        if (!result.problem)
            result.problem.key = "No_Data_In_File";
        AlertProblem("Error_Reading_Measured_Data", path, result.problem);
        return nullptr;
    }
    auto pp = CreatePattern();
    if (!pp) {
        MyCFStopAlert("No_Memory");
        return nullptr;
    }
    pp->type = kPatternTypeDataset;
    pp->name = FileDisplayName(path);
    pp->filePtr = path;
    pp->selected = select;
    pp->dataset = std::move(result.dataset);
    pp->dataset->plotColor = GetNextPlotColor(theWindow);
    SetDatasetDefaultPlotStyle(pp->dataset.get(), prefs);
    VLPatternPtr p = InsertPatternIntoFileListSorted(theWindow, std::move(pp));
    InsertPatternIntoPlotList(theWindow, p, nullptr);
    return p;
}

bool AddMeasuredDatasetToDiffraction(WinInfoRec* theWindow, MeasuredDataResult result, const std::string& path,
                                     bool select, const PrefDataRec& prefs)
{
    if (!InsertMeasuredDataset(theWindow, result, path, select, prefs))
        return false;
    FinishAddingFiles(theWindow, result.note);
    return true;
}

bool AddMeasuredDataFileToDiffraction(WinInfoRec* theWindow, const std::string& path, bool select,
                                      const PrefDataRec& prefs, int block)
{
    if (!theWindow)
        return false;
    return AddMeasuredDatasetToDiffraction(theWindow, ReadMeasuredDataFile(path, prefs, block), path, select, prefs);
}
