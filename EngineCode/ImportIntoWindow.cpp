// Adding CIF crystals and measured datasets to a window.
#include "ImportIntoWindow.h"

#include "Diffraction.h"
#include "Document.h"
#include "Documents.h"
#include "Globals.h"
#include "Profile.h"
#include "Status.h"
#include "StringTable.h"

#include <vector>

namespace {

std::string BaseName(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void AlertProblem(const std::string& titleKey, const std::string& path, const ImportProblem& problem)
{
    MyCFStopAlertText(FillTextPlaceholder(LocalizedString(titleKey), BaseName(path)),
                      DescribeImportProblem(problem));
}

// What "add files" does once its files are in: redraw with automatic vertical scaling, and scale
// the datasets to the calculated patterns when the plot shows both.
void FinishAddingFiles(WinInfoRec* theWindow, const std::string& note)
{
    RedrawAfterPatternsChanged(theWindow);
    if (GetNumCrystalsInPlotList(theWindow) > 0 && GetNumDatasetsInPlotList(theWindow) > 0)
        AutoSetRelativeYScale(theWindow);
    if (!note.empty())
        DrawInfoBarText(theWindow, note);
}

}  // namespace

bool AddCifCrystalsToDiffraction(WinInfoRec* theWindow, CifImportResult result, const std::string& path,
                                 bool select)
{
    if (!theWindow)
        return false;
    if (result.problem || result.crystals.empty()) {
        if (!result.problem)
            result.problem.key = "CIF_No_Atoms";
        AlertProblem("Error_Reading_CIF", path, result.problem);
        return false;
    }
    // Every pattern is made before the first goes in, so that a failure adds nothing.
    std::vector<std::unique_ptr<VLPatternRec>> patterns;
    for (CifCrystal& c : result.crystals) {
        auto pp = CreatePattern();
        if (!pp) {
            MyCFStopAlert("No_Memory");
            return false;
        }
        pp->type = kPatternTypeCrystal;
        pp->name = c.name;
        pp->filePtr = path;
        pp->selected = select;
        pp->crystal = std::move(c.crystal);
        patterns.push_back(std::move(pp));
    }
    for (auto& pp : patterns)
        JustDiffract(theWindow, pp->crystal.get(), nullptr);
    for (auto& pp : patterns) {
        VLPatternPtr p = InsertPatternIntoFileListSorted(theWindow, std::move(pp));
        InsertPatternIntoPlotList(theWindow, p, nullptr);
    }
    EqualizePhaseProportions(theWindow);
    FinishAddingFiles(theWindow, result.note);
    return true;
}

bool AddCifFileToDiffraction(WinInfoRec* theWindow, const std::string& path, bool select)
{
    if (!theWindow)
        return false;
    return AddCifCrystalsToDiffraction(theWindow, ReadCifFile(path), path, select);
}

bool AddMeasuredDatasetToDiffraction(WinInfoRec* theWindow, MeasuredDataResult result, const std::string& path,
                                     bool select)
{
    if (!theWindow)
        return false;
    if (result.problem || !result.dataset) {
        if (!result.problem)
            result.problem.key = "No_Data_In_File";
        AlertProblem("Error_Reading_Measured_Data", path, result.problem);
        return false;
    }
    auto pp = CreatePattern();
    if (!pp) {
        MyCFStopAlert("No_Memory");
        return false;
    }
    pp->type = kPatternTypeDataset;
    pp->name = BaseName(path);
    pp->filePtr = path;
    pp->selected = select;
    pp->dataset = std::move(result.dataset);
    VLPatternPtr p = InsertPatternIntoFileListSorted(theWindow, std::move(pp));
    InsertPatternIntoPlotList(theWindow, p, nullptr);
    FinishAddingFiles(theWindow, result.note);
    return true;
}

bool AddMeasuredDataFileToDiffraction(WinInfoRec* theWindow, const std::string& path, bool select, int block)
{
    if (!theWindow)
        return false;
    return AddMeasuredDatasetToDiffraction(theWindow, ReadMeasuredDataFile(path, block), path, select);
}
