// Diffraction off the owner's thread: coalesced requests, results in order, the final result
// equal to a diffraction done in place, and crystals removed while their job runs.
#include "BackgroundDiffraction.h"
#include "CellGeometry.h"
#include "Diffraction.h"
#include "Document.h"
#include "Globals.h"
#include "Reflexions.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {

// Holds the worker in its notification until opened: the recomputation looks slow to the caller.
struct Gate {
    std::mutex m;
    std::condition_variable cv;
    bool open = false;
    int notified = 0;
    void Pass()
    {
        std::unique_lock lock(m);
        ++notified;
        cv.notify_all();
        cv.wait(lock, [this] { return open; });
    }
    void Open()
    {
        {
            std::lock_guard lock(m);
            open = true;
        }
        cv.notify_all();
    }
    bool WaitNotified(int n)
    {
        std::unique_lock lock(m);
        return cv.wait_for(lock, std::chrono::seconds(30), [&] { return notified >= n; });
    }
};

class BackgroundDiffractionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadShippedScatteringTable());
        gPrefs = gFactoryPrefs;
        doc = CreateWindowInfo(PrefDataRec{});
        doc->plotSpecs.lambda = 1.5406f;
        xp = AddCrystalToDocument(doc.get(), MakeRandomCrystal(10, 4, 7, 8.0f), "random");
        JustDiffract(doc.get(), xp, nullptr);
        ASSERT_GT(xp->nRefs(), 100);
    }
    void SetA(Float32 a)
    {
        xp->a = a;
        RecipCell(xp);
    }
    // The reflexions of the crystal as they come from a diffraction in place.
    std::vector<ReflexionRec> Exact()
    {
        auto copy = DuplicateCrystal(xp);
        JustDiffract(doc.get(), copy.get(), nullptr);
        return copy->refs;
    }
    std::unique_ptr<WinInfoRec> doc;
    CrystalDataRec* xp = nullptr;
};

void ExpectSameReflexions(const std::vector<ReflexionRec>& a, const std::vector<ReflexionRec>& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].h, b[i].h);
        EXPECT_EQ(a[i].k, b[i].k);
        EXPECT_EQ(a[i].l, b[i].l);
        EXPECT_EQ(a[i].mul, b[i].mul);
        EXPECT_EQ(a[i].dsp, b[i].dsp);
        EXPECT_EQ(a[i].tth, b[i].tth);
        EXPECT_EQ(a[i].inty, b[i].inty);
        EXPECT_EQ(a[i].halfWidth, b[i].halfWidth);
    }
}

}  // namespace

TEST_F(BackgroundDiffractionTest, DragUnderASlowRecomputationEndsOnTheFinalValue)
{
    Gate gate;
    BackgroundDiffraction live([&gate] { gate.Pass(); });
    const Float32 a0 = xp->a;
    SetA(a0 + 0.01f);
    ASSERT_TRUE(live.Request(doc.get(), xp));
    ASSERT_TRUE(gate.WaitNotified(1));  // the first job is done, its notification held
    // Twenty more drag events while the first result waits: only the last is computed.
    for (int i = 2; i <= 21; ++i) {
        SetA(a0 + 0.01f * i);
        ASSERT_TRUE(live.Request(doc.get(), xp));
    }
    const Float32 finalA = xp->a;
    EXPECT_FALSE(live.Idle());
    gate.Open();
    live.WaitUntilComputed();
    EXPECT_EQ(live.Finished(), 2u);

    // Both results are taken in, the first first; the last is the final value.
    EXPECT_EQ(live.Deliver(doc.get()), 2);
    EXPECT_TRUE(live.Idle());  // the last result matches the crystal: nothing more to do
    EXPECT_EQ(xp->a, finalA);
    ExpectSameReflexions(xp->refs, Exact());
}

TEST_F(BackgroundDiffractionTest, ResultsReachTheCrystalInTheOrderAsked)
{
    BackgroundDiffraction live([] {});
    const Float32 a0 = xp->a;
    std::vector<Float32> dmax{xp->refs.front().dsp};
    for (int i = 1; i <= 30; ++i) {
        SetA(a0 + 0.02f * i);
        live.Request(doc.get(), xp);
        if (live.Deliver(doc.get()) > 0)
            dmax.push_back(static_cast<Float32>(xp->refs.front().dsp));
    }
    while (!live.Idle()) {
        live.WaitUntilComputed();
        if (live.Deliver(doc.get()) > 0)
            dmax.push_back(static_cast<Float32>(xp->refs.front().dsp));
    }
    // The largest d-spacing grows with a: no older result after a newer one.
    for (std::size_t i = 1; i < dmax.size(); ++i)
        EXPECT_GE(dmax[i], dmax[i - 1]) << i;
    ExpectSameReflexions(xp->refs, Exact());
}

TEST_F(BackgroundDiffractionTest, SettingsChangedMeanwhileAreAppliedOnDelivery)
{
    BackgroundDiffraction live([] {});
    SetA(xp->a + 0.05f);
    live.Request(doc.get(), xp);
    live.WaitUntilComputed();
    // The peak width changes before the result is delivered: the widths follow the new one.
    doc->plotSpecs.fwhm = 0.3f;
    live.Deliver(doc.get());
    EXPECT_TRUE(live.Idle());
    ExpectSameReflexions(xp->refs, Exact());

    // A new wavelength changes what the reflexions are: the crystal is diffracted once more.
    live.Request(doc.get(), xp);
    live.WaitUntilComputed();
    doc->plotSpecs.lambda = 1.7f;
    live.Deliver(doc.get());
    EXPECT_FALSE(live.Idle());
    live.WaitUntilComputed();
    live.Deliver(doc.get());
    EXPECT_TRUE(live.Idle());
    ExpectSameReflexions(xp->refs, Exact());
}

TEST_F(BackgroundDiffractionTest, CrystalRemovedWhileItsJobRunsIsLeftAlone)
{
    BackgroundDiffraction live([] {});
    SetA(xp->a + 0.05f);
    live.Request(doc.get(), xp);
    auto removed = RemovePatternFromFileList(doc.get(), doc->fileList.front().get());
    live.WaitUntilComputed();
    EXPECT_EQ(live.Deliver(doc.get()), 0);
    EXPECT_TRUE(live.Idle());
}

// Let go while a stale value is being computed: that job may be abandoned, but the crystal still
// ends on the exact pattern of the final value, and no more than two jobs deliver.
TEST_F(BackgroundDiffractionTest, HurryAtTheEndOfADragStillEndsOnTheFinalValue)
{
    BackgroundDiffraction live([] {});
    const Float32 a0 = xp->a;
    for (int i = 1; i <= 6; ++i) {
        SetA(a0 + 0.03f * i);
        ASSERT_TRUE(live.Request(doc.get(), xp));
    }
    live.Hurry();
    live.Hurry();  // twice is harmless
    while (!live.Idle()) {
        live.WaitUntilComputed();
        live.Deliver(doc.get());
    }
    EXPECT_LE(live.Finished(), 2u);
    EXPECT_EQ(xp->a, a0 + 0.03f * 6);
    ExpectSameReflexions(xp->refs, Exact());
}

// A run cancelled through its workspace leaves the crystal's reflexions as they were.
TEST_F(BackgroundDiffractionTest, CancelledRunLeavesTheCrystalAsItWas)
{
    const std::vector<ReflexionRec> before = xp->refs;
    SetA(xp->a + 0.5f);
    std::atomic<bool> cancel{true};
    ReflexionWorkspace work;
    work.cancel = &cancel;
    JustDiffract(work, doc.get(), xp, nullptr);
    EXPECT_TRUE(work.gTempRef.empty());
    ASSERT_EQ(xp->refs.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(xp->refs[i].dsp, before[i].dsp) << i;
}
