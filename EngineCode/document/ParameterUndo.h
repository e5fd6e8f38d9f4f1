// Undo and redo of the changes made through the parameter list and the crystal editor. A step
// holds what they can change before and after one finished drag, typed value or edit: the
// window's settings, and of every pattern its cell, site occupants and use flags, offsets,
// background, proportions, sample values and its reflexions, so that undoing gives back the very
// same pattern without diffracting again.
// Patterns removed from the window since are passed over.
#pragma once

#include "Records.h"

#include <cstddef>
#include <memory>
#include <vector>

struct WinInfoRec;

struct ParameterSnapshot {
    struct CrystalState {
        CrystalDataRec* target = nullptr;
        std::unique_ptr<CrystalDataRec> values;  // no atoms, no plot buffer
    };
    struct DatasetState {
        ObsDataRec* target = nullptr;
        Float32 xOffset = 0, yOffset = 0, relScale = 1;
        std::vector<Float32> x;
    };
    PlotSpecsRec specs{};
    std::vector<CrystalState> crystals;
    std::vector<DatasetState> datasets;
};

// What the list can change in the window now.
ParameterSnapshot TakeParameterSnapshot(const WinInfoRec* theWindow);
// Puts the values back, then rebuilds the list and redraws the plot with new profiles.
void RestoreParameterSnapshot(WinInfoRec* theWindow, const ParameterSnapshot& snapshot);
// Whether two snapshots hold the same values.
bool SameParameters(const ParameterSnapshot& a, const ParameterSnapshot& b);

class ParameterUndoStack {
public:
    explicit ParameterUndoStack(std::size_t limit = 100) : limit_(limit) {}
    // A change begins: the values of now are what undoing it gives back. A second Begin without
    // Commit starts over.
    void Begin(const WinInfoRec* theWindow);
    bool Begun() const { return pending_ != nullptr; }
    // The change is finished: a step is kept when the values differ from those at Begin (and the
    // redo steps are dropped). False when nothing changed or nothing was begun.
    bool Commit(const WinInfoRec* theWindow);
    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    bool Undo(WinInfoRec* theWindow);
    bool Redo(WinInfoRec* theWindow);
    void Clear();
    std::size_t UndoSteps() const { return undo_.size(); }

private:
    struct Step {
        ParameterSnapshot before, after;
    };
    std::size_t limit_;
    std::unique_ptr<ParameterSnapshot> pending_;
    std::vector<Step> undo_, redo_;
};
