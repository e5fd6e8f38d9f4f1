// Diffraction on a worker thread, with coalesced requests.
#include "BackgroundDiffraction.h"

#include "CellGeometry.h"
#include "Diffraction.h"
#include "Document.h"
#include "Profile.h"
#include "Reflexions.h"

#include <algorithm>
#include <new>

namespace {

// What a diffraction depends on: the cell, the occupancies and the settings that choose the
// reflexions and their intensities. Positions and widths are recomputed on delivery.
struct DiffractionInputs {
    Float32 cell[6] = {};
    std::vector<Float32> occupancies;
    SInt16 axisType = 0;
    UInt16 radType = 0;
    Float32 lambda = 0, dMin = 0;
    Boolean restrictNumRefs = false;
    UInt32 maxNumRefs = 0;
    Float32 thetaEnergy = 0, thetaTimeOfFlight = 0, distanceTimeOfFlight = 0;

    bool operator==(const DiffractionInputs&) const = default;
};

DiffractionInputs InputsOf(const CrystalDataRec& xp, const PlotSpecsRec& ps)
{
    DiffractionInputs in;
    const Float32 cell[6] = {xp.a, xp.b, xp.c, xp.alpha, xp.beta, xp.gamma};
    std::copy(std::begin(cell), std::end(cell), in.cell);
    for (const InputDataRec& site : xp.AU)
        for (const SiteRec& occ : site.occupant)
            in.occupancies.push_back(occ.occupancy);
    in.axisType = ps.axisType;
    in.radType = ps.radType;
    in.lambda = ps.lambda;
    in.dMin = ps.dMin;
    in.restrictNumRefs = ps.restrictNumRefs;
    in.maxNumRefs = ps.maxNumRefs;
    in.thetaEnergy = ps.thetaEnergy;
    in.thetaTimeOfFlight = ps.thetaTimeOfFlight;
    in.distanceTimeOfFlight = ps.distanceTimeOfFlight;
    return in;
}

bool InFileList(const WinInfoRec* w, const CrystalDataRec* xp)
{
    for (const auto& pp : w->fileList)
        if (pp->type == kPatternTypeCrystal && pp->crystal.get() == xp)
            return true;
    return false;
}

// A copy of the crystal without its reflexions and plot buffer, which the job does not need.
std::unique_ptr<CrystalDataRec> CopyForDiffraction(CrystalDataRec* xp)
{
    std::vector<ReflexionRec> refs = std::move(xp->refs);
    std::vector<Float32> buffer = std::move(xp->plotBuffer);
    std::unique_ptr<CrystalDataRec> copy;
    try {
        copy = std::make_unique<CrystalDataRec>(*xp);
    } catch (const std::bad_alloc&) {
        copy.reset();
    }
    xp->refs = std::move(refs);
    xp->plotBuffer = std::move(buffer);
    return copy;
}

}  // namespace

struct BackgroundDiffraction::Job {
    CrystalDataRec* target = nullptr;        // the window's crystal (only touched on the owner's thread)
    std::unique_ptr<CrystalDataRec> copy;    // what the worker diffracts
    PlotSpecsRec specs{};
    DiffractionInputs inputs;
};

BackgroundDiffraction::BackgroundDiffraction(std::function<void()> notify)
    : notify_(std::move(notify)), worker_([this] { Run(); })
{
}

BackgroundDiffraction::~BackgroundDiffraction()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

bool BackgroundDiffraction::Request(WinInfoRec* theWindow, CrystalDataRec* xp)
{
    if (!theWindow || !xp)
        return false;
    auto job = std::make_unique<Job>();
    job->target = xp;
    job->copy = CopyForDiffraction(xp);
    if (!job->copy)
        return false;
    job->specs = theWindow->plotSpecs;
    job->inputs = InputsOf(*xp, job->specs);
    {
        std::lock_guard lock(mutex_);
        const auto same = std::find_if(waiting_.begin(), waiting_.end(), [xp](const auto& j) { return j->target == xp; });
        if (same != waiting_.end())
            *same = std::move(job);  // only the latest value is worth computing
        else
            waiting_.push_back(std::move(job));
    }
    wake_.notify_one();
    return true;
}

void BackgroundDiffraction::Hurry()
{
    std::lock_guard lock(mutex_);
    if (!running_)
        return;
    const bool newer = std::any_of(waiting_.begin(), waiting_.end(),
                                   [this](const auto& j) { return j->target == runningTarget_; });
    if (newer)
        cancelRunning_.store(true, std::memory_order_relaxed);
}

void BackgroundDiffraction::Run()
{
    for (;;) {
        std::unique_ptr<Job> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || !waiting_.empty(); });
            if (stop_)
                return;
            job = std::move(waiting_.front());
            waiting_.erase(waiting_.begin());
            running_ = true;
            runningTarget_ = job->target;
            cancelRunning_.store(false, std::memory_order_relaxed);
        }
        // A scratch document with the settings of the request; silent (no progress, no status).
        WinInfoRec scratch;
        scratch.plotSpecs = job->specs;
        scratch.mouseButtonDown = true;
        ReflexionWorkspace work;
        work.cancel = &cancelRunning_;
        JustDiffract(work, &scratch, job->copy.get(), nullptr);
        // Abandoned for a newer request of the same crystal, which is waiting: nothing to deliver.
        const bool abandoned = work.Cancelled();
        {
            std::lock_guard lock(mutex_);
            if (!abandoned) {
                finished_.push_back(std::move(job));
                ++finishedCount_;
            }
            running_ = false;
            runningTarget_ = nullptr;
        }
        done_.notify_all();
        if (!abandoned && notify_)
            notify_();
    }
}

int BackgroundDiffraction::Deliver(WinInfoRec* theWindow)
{
    std::vector<std::unique_ptr<Job>> results;
    {
        std::lock_guard lock(mutex_);
        results.swap(finished_);
    }
    if (!theWindow)
        return 0;
    int changed = 0;
    std::vector<const Job*> latest;  // the last result of each crystal
    for (auto& job : results) {
        CrystalDataRec* xp = job->target;
        if (!InFileList(theWindow, xp))
            continue;  // removed meanwhile
        const CrystalDataRec& r = *job->copy;
        xp->refs = std::move(job->copy->refs);
        xp->intMax = r.intMax;
        // The cell may have moved on since this job began: its geometry is the crystal's own,
        // never the older copy's.
        RecipCell(xp);
        xp->density = r.density;
        if (xp->AU.size() == r.AU.size())
            for (std::size_t i = 0; i < xp->AU.size(); ++i)
                for (std::size_t k = 0; k < 3; ++k)
                    xp->AU[i].occupant[k].indexASF = r.AU[i].occupant[k].indexASF;
        // Positions and widths for the settings of now (the wavelength may have moved since).
        GetXValues(xp, &theWindow->plotSpecs);
        CalculatePeakWidths(theWindow, xp);
        ++changed;
        std::erase_if(latest, [xp](const Job* j) { return j->target == xp; });
        latest.push_back(job.get());
    }
    // A crystal changed again since its last result was asked for: once more, unless a newer
    // job is on its way already.
    for (const Job* job : latest) {
        CrystalDataRec* xp = job->target;
        if (InputsOf(*xp, theWindow->plotSpecs) == job->inputs)
            continue;
        bool coming;
        {
            std::lock_guard lock(mutex_);
            coming = runningTarget_ == xp ||
                     std::any_of(waiting_.begin(), waiting_.end(), [xp](const auto& j) { return j->target == xp; }) ||
                     std::any_of(finished_.begin(), finished_.end(), [xp](const auto& j) { return j->target == xp; });
        }
        if (!coming)
            Request(theWindow, xp);
    }
    return changed;
}

bool BackgroundDiffraction::Idle() const
{
    std::lock_guard lock(mutex_);
    return waiting_.empty() && !running_ && finished_.empty();
}

void BackgroundDiffraction::WaitUntilComputed()
{
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return waiting_.empty() && !running_; });
}

std::uint64_t BackgroundDiffraction::Finished() const
{
    std::lock_guard lock(mutex_);
    return finishedCount_;
}
