// Diffraction off the interface thread, for live changes of a crystal's cell or sites while a
// slider is dragged. The window's crystal is copied with the settings of the moment and
// diffracted by a worker thread; the result goes back into the crystal on the owner's thread.
// Requests are coalesced: one job waits per crystal, and a newer request replaces it, so only
// the latest value is computed next and results reach a crystal in the order they were asked
// for. A result whose inputs no longer match the crystal is applied (it is newer than what is
// shown) and the crystal is queued again, so the last result always matches the final values.
// The document and drawing code (Document.h, PlotPattern.h) stay on the owner's thread.
#pragma once

#include "Records.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct WinInfoRec;

class BackgroundDiffraction {
public:
    // notify is called on the worker thread when a result is ready; it must arrange for Deliver
    // to run on the owner's thread (an event posted to it, say).
    explicit BackgroundDiffraction(std::function<void()> notify);
    ~BackgroundDiffraction();  // waits for the job under way; undelivered results are dropped
    BackgroundDiffraction(const BackgroundDiffraction&) = delete;
    BackgroundDiffraction& operator=(const BackgroundDiffraction&) = delete;

    // Queues the crystal of the window for diffraction with the window's settings. False when
    // the crystal could not be copied (no memory): nothing was queued.
    bool Request(WinInfoRec* theWindow, CrystalDataRec* xp);
    // Puts the finished results into the window's crystals (those still in its file list):
    // reflexions, intensities and the reciprocal cell, with positions and widths for the window's
    // settings of now. Returns how many crystals changed.
    int Deliver(WinInfoRec* theWindow);
    // The drag is over: a job under way for a crystal that has a newer request waiting is
    // abandoned, so that the last value is computed at once instead of after a stale one.
    void Hurry();
    // Nothing waits, runs or waits for delivery.
    bool Idle() const;
    // Blocks until nothing waits or runs (results may still wait for Deliver).
    void WaitUntilComputed();
    // Jobs finished since the start (for tests and measurements).
    std::uint64_t Finished() const;

private:
    struct Job;
    void Run();

    std::function<void()> notify_;
    mutable std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::vector<std::unique_ptr<Job>> waiting_;   // at most one per crystal
    std::vector<std::unique_ptr<Job>> finished_;  // in the order they finished
    bool running_ = false;
    const CrystalDataRec* runningTarget_ = nullptr;
    bool stop_ = false;
    std::atomic<bool> cancelRunning_{false};  // the job under way is no longer wanted
    std::uint64_t finishedCount_ = 0;
    std::thread worker_;  // last: started when everything else is ready
};
