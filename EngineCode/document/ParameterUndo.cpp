// Undo and redo of parameter-list changes.
#include "ParameterUndo.h"

#include "Document.h"
#include "ParameterList.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// The settings the list can change, for comparing snapshots.
std::vector<Float32> ListedSettings(const PlotSpecsRec& ps)
{
    return {ps.lambda, ps.lambda2, ps.fwhm, ps.eta, ps.thetaEnergy, ps.thetaTimeOfFlight, ps.distanceTimeOfFlight,
            ps.specimenDisplacement, ps.goniometerRadius};
}

std::vector<Float32> ListedValues(const CrystalDataRec& xp)
{
    std::vector<Float32> v = {xp.a, xp.b, xp.c, xp.alpha, xp.beta, xp.gamma, xp.volume, xp.xOffset, xp.yOffset,
                              xp.baseCoefs[0], xp.baseCoefs[1], xp.baseCoefs[2], xp.volFrac, xp.particleSize, xp.strain};
    for (const InputDataRec& site : xp.AU) {
        v.push_back(site.include ? 1.0f : 0.0f);
        for (const SiteRec& occ : site.occupant) {
            v.push_back(occ.occupancy);
            v.push_back(occ.symbol);
        }
    }
    return v;
}

bool StillThere(const WinInfoRec* w, const void* target)
{
    for (const auto& pp : w->fileList)
        if ((pp->crystal && pp->crystal.get() == target) || (pp->dataset && pp->dataset.get() == target))
            return true;
    return false;
}

std::unique_ptr<CrystalDataRec> CopyValues(const CrystalDataRec& xp)
{
    auto copy = std::make_unique<CrystalDataRec>();
    CrystalDataRec& c = *copy;
    c.a = xp.a, c.b = xp.b, c.c = xp.c, c.alpha = xp.alpha, c.beta = xp.beta, c.gamma = xp.gamma;
    c.aStar = xp.aStar, c.bStar = xp.bStar, c.cStar = xp.cStar;
    c.alphaStar = xp.alphaStar, c.betaStar = xp.betaStar, c.gammaStar = xp.gammaStar;
    c.volume = xp.volume, c.density = xp.density;
    c.AU = xp.AU;
    c.refs = xp.refs;
    c.intMax = xp.intMax;
    c.xOffset = xp.xOffset, c.yOffset = xp.yOffset;
    std::copy(std::begin(xp.baseCoefs), std::end(xp.baseCoefs), c.baseCoefs);
    c.volFrac = xp.volFrac, c.particleSize = xp.particleSize, c.strain = xp.strain;
    return copy;
}

void PutValues(CrystalDataRec& xp, const CrystalDataRec& c)
{
    xp.a = c.a, xp.b = c.b, xp.c = c.c, xp.alpha = c.alpha, xp.beta = c.beta, xp.gamma = c.gamma;
    xp.aStar = c.aStar, xp.bStar = c.bStar, xp.cStar = c.cStar;
    xp.alphaStar = c.alphaStar, xp.betaStar = c.betaStar, xp.gammaStar = c.gammaStar;
    xp.volume = c.volume, xp.density = c.density;
    // The occupants whole (symbol, table entry, occupancy) and the use flag: the crystal editor
    // changes what occupies a site and whether it counts.
    if (xp.AU.size() == c.AU.size())
        for (std::size_t i = 0; i < xp.AU.size(); ++i) {
            xp.AU[i].occupant = c.AU[i].occupant;
            xp.AU[i].include = c.AU[i].include;
        }
    xp.refs = c.refs;
    xp.intMax = c.intMax;
    xp.xOffset = c.xOffset, xp.yOffset = c.yOffset;
    std::copy(std::begin(c.baseCoefs), std::end(c.baseCoefs), xp.baseCoefs);
    xp.volFrac = c.volFrac, xp.particleSize = c.particleSize, xp.strain = c.strain;
}

}  // namespace

ParameterSnapshot TakeParameterSnapshot(const WinInfoRec* theWindow)
{
    ParameterSnapshot s;
    if (!theWindow)
        return s;
    s.specs = theWindow->plotSpecs;
    for (const auto& pp : theWindow->fileList) {
        if (pp->type == kPatternTypeCrystal && pp->crystal)
            s.crystals.push_back({pp->crystal.get(), CopyValues(*pp->crystal)});
        else if (pp->type == kPatternTypeDataset && pp->dataset) {
            const ObsDataRec& d = *pp->dataset;
            s.datasets.push_back({pp->dataset.get(), d.xOffset, d.yOffset, d.relScale, d.x});
        }
    }
    return s;
}

void RestoreParameterSnapshot(WinInfoRec* theWindow, const ParameterSnapshot& snapshot)
{
    if (!theWindow)
        return;
    PlotSpecsRec& ps = theWindow->plotSpecs;
    const PlotSpecsRec& old = snapshot.specs;
    ps.lambda = old.lambda, ps.lambda2 = old.lambda2, ps.fwhm = old.fwhm, ps.eta = old.eta;
    ps.thetaEnergy = old.thetaEnergy, ps.thetaTimeOfFlight = old.thetaTimeOfFlight;
    ps.distanceTimeOfFlight = old.distanceTimeOfFlight;
    ps.specimenDisplacement = old.specimenDisplacement, ps.goniometerRadius = old.goniometerRadius;
    for (const auto& c : snapshot.crystals)
        if (StillThere(theWindow, c.target))
            PutValues(*c.target, *c.values);
    for (const auto& d : snapshot.datasets)
        if (StillThere(theWindow, d.target) && d.target->x.size() == d.x.size()) {
            d.target->xOffset = d.xOffset;
            d.target->yOffset = d.yOffset;
            d.target->relScale = d.relScale;
            d.target->x = d.x;
        }
    DrawParameterList(theWindow);
    if (theWindow->hooks)
        theWindow->hooks->RedrawWindow(theWindow, true, false);
}

bool SameParameters(const ParameterSnapshot& a, const ParameterSnapshot& b)
{
    if (ListedSettings(a.specs) != ListedSettings(b.specs) || a.crystals.size() != b.crystals.size() ||
        a.datasets.size() != b.datasets.size())
        return false;
    for (std::size_t i = 0; i < a.crystals.size(); ++i)
        if (a.crystals[i].target != b.crystals[i].target ||
            ListedValues(*a.crystals[i].values) != ListedValues(*b.crystals[i].values))
            return false;
    for (std::size_t i = 0; i < a.datasets.size(); ++i) {
        const auto &x = a.datasets[i], &y = b.datasets[i];
        if (x.target != y.target || x.xOffset != y.xOffset || x.yOffset != y.yOffset || x.relScale != y.relScale)
            return false;
    }
    return true;
}

void ParameterUndoStack::Begin(const WinInfoRec* theWindow)
{
    try {
        pending_ = std::make_unique<ParameterSnapshot>(TakeParameterSnapshot(theWindow));
    } catch (const std::bad_alloc&) {
        pending_.reset();  // this change cannot be undone
    }
}

bool ParameterUndoStack::Commit(const WinInfoRec* theWindow)
{
    if (!pending_)
        return false;
    std::unique_ptr<ParameterSnapshot> before = std::move(pending_);
    try {
        ParameterSnapshot after = TakeParameterSnapshot(theWindow);
        if (SameParameters(*before, after))
            return false;
        undo_.push_back({std::move(*before), std::move(after)});
        redo_.clear();
        if (undo_.size() > limit_)
            undo_.erase(undo_.begin());
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool ParameterUndoStack::Undo(WinInfoRec* theWindow)
{
    if (undo_.empty())
        return false;
    pending_.reset();
    Step step = std::move(undo_.back());
    undo_.pop_back();
    RestoreParameterSnapshot(theWindow, step.before);
    redo_.push_back(std::move(step));
    return true;
}

bool ParameterUndoStack::Redo(WinInfoRec* theWindow)
{
    if (redo_.empty())
        return false;
    pending_.reset();
    Step step = std::move(redo_.back());
    redo_.pop_back();
    RestoreParameterSnapshot(theWindow, step.after);
    undo_.push_back(std::move(step));
    return true;
}

void ParameterUndoStack::Clear()
{
    pending_.reset();
    undo_.clear();
    redo_.clear();
}
