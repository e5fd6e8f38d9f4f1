// Plotting and unplotting patterns.
#include "Documents.h"

#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "Profile.h"

void RedrawAfterPatternsChanged(WinInfoRec* theWindow)
{
    if (!theWindow || !theWindow->hooks)
        return;
    theWindow->autoScaleY = true;
    theWindow->hooks->RedrawWindow(theWindow, true, true);
    theWindow->autoScaleY = false;
    theWindow->hooks->UpdateToolbar(theWindow);
    theWindow->hooks->UpdateStructuresList(theWindow);
    // The folders of the parameter list follow the patterns plotted and selected.
    theWindow->hooks->RebuildParameterList(theWindow);
}

void RedrawAfterFilesAdded(WinInfoRec* theWindow)
{
    RedrawAfterPatternsChanged(theWindow);
    if (GetNumCrystalsInPlotList(theWindow) > 0 && GetNumDatasetsInPlotList(theWindow) > 0)
        AutoSetRelativeYScale(theWindow);
}

void AddPatternsToDiffraction(WinInfoRec* theWindow, const std::vector<VLPatternPtr>& patterns, bool select)
{
    if (!theWindow)
        return;
    bool crystal = false;
    for (VLPatternPtr pp : patterns) {
        if (!pp || !PatternIsCached(pp) || !PatternIsInFileList(theWindow, pp))
            continue;
        if (pp->type == kPatternTypeCrystal) {
            JustDiffract(theWindow, pp->crystal.get(), nullptr);
            crystal = true;
        }
        if (select)
            pp->selected = true;
        InsertPatternIntoPlotList(theWindow, pp, nullptr);
    }
    if (crystal)
        EqualizePhaseProportions(theWindow);
    RedrawAfterPatternsChanged(theWindow);
}

void RemovePatternsFromDiffraction(WinInfoRec* theWindow, const std::vector<VLPatternPtr>& patterns)
{
    if (!theWindow || patterns.empty() || theWindow->plotList.empty())
        return;
    const SInt32 before = GetNumCrystalsInPlotList(theWindow);
    for (VLPatternPtr pp : patterns) {
        if (!pp)
            continue;
        RemovePatternFromPlotList(theWindow, pp);
        if (pp->type == kPatternTypeCrystal && pp->crystal) {
            DestroyReflexionsArray(pp->crystal.get());
            DestroyPlotBuffer(pp->crystal.get());
        }
    }
    const SInt32 after = GetNumCrystalsInPlotList(theWindow);
    if (after > 0 && after < before) {
        const double factor = static_cast<double>(before) / after;
        for (VLPatternPtr pp : theWindow->plotList)
            if (pp->type == kPatternTypeCrystal && pp->crystal)
                pp->crystal->volFrac = static_cast<Float32>(pp->crystal->volFrac * factor);
    }
    RedrawAfterPatternsChanged(theWindow);
    if (theWindow->plotList.empty()) {
        theWindow->filename = "untitled";
        if (theWindow->hooks)
            theWindow->hooks->UpdateWindowTitle(theWindow);
    }
}
