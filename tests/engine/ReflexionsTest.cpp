// Reflexion generation, centring absences, ordering, merging and copying.
#include "CellGeometry.h"
#include "Globals.h"
#include "Reflexions.h"
#include "Status.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

struct Merged {
    float d;
    int mul;
};

// Generation, ordering and merging of a crystal, without intensities.
std::vector<ReflexionRec> GenerateAndMerge(CrystalDataRec* xp, float dspMin, bool restrict = false, UInt32 max = 0)
{
    RecipCell(xp);
    EXPECT_TRUE(HKLList(nullptr, xp, dspMin, restrict, max));
    OrderRefsList();
    MergeRefs();
    std::vector<ReflexionRec> out = WorkingReflexions();
    PurgeTempRefs();
    return out;
}

std::vector<Merged> Summary(const std::vector<ReflexionRec>& refs)
{
    std::vector<Merged> out;
    for (const ReflexionRec& r : refs)
        out.push_back({r.dsp, r.mul});
    return out;
}

}  // namespace

TEST(Reflexions, PrimitiveCubicToTwoAngstrom)
{
    auto xp = MakeCrystal(4, 4, 4, 90, 90, 90, 'P');
    RecipCell(xp.get());
    ASSERT_TRUE(HKLList(nullptr, xp.get(), 2.0f, false, 0));
    // hmax = kmax = lmax = 2: of the 125 triples, those with d > 2 (d = 2 itself is excluded).
    EXPECT_EQ(NumTempRefs(), 6u + 12u + 8u);
    PurgeTempRefs();
    const auto merged = Summary(GenerateAndMerge(xp.get(), 2.0f));
    ASSERT_EQ(merged.size(), 3u);
    EXPECT_FLOAT_EQ(merged[0].d, 4.0f);
    EXPECT_EQ(merged[0].mul, 6);
    EXPECT_NEAR(merged[1].d, 4 / std::sqrt(2.0), 1e-5);
    EXPECT_EQ(merged[1].mul, 12);
    EXPECT_NEAR(merged[2].d, 4 / std::sqrt(3.0), 1e-5);
    EXPECT_EQ(merged[2].mul, 8);
}

TEST(Reflexions, CentringRemovesTheAbsentReflexions)
{
    auto body = MakeCrystal(4, 4, 4, 90, 90, 90, 'I');
    const auto i = Summary(GenerateAndMerge(body.get(), 2.0f));
    ASSERT_EQ(i.size(), 1u);  // (1,0,0) and (1,1,1) are absent, (1,1,0) stays
    EXPECT_EQ(i[0].mul, 12);
    auto face = MakeCrystal(4, 4, 4, 90, 90, 90, 'F');
    const auto f = Summary(GenerateAndMerge(face.get(), 2.0f));
    ASSERT_EQ(f.size(), 1u);  // (1,1,1) stays, (1,0,0) and (1,1,0) are absent
    EXPECT_EQ(f[0].mul, 8);
    EXPECT_NEAR(f[0].d, 4 / std::sqrt(3.0), 1e-5);
}

struct AbsenceCase {
    char ltyp;
    float gamma, beta;
    int h, k, l;
    bool absent;
};

class Absences : public ::testing::TestWithParam<AbsenceCase> {};

TEST_P(Absences, SystAbs)
{
    const AbsenceCase& c = GetParam();
    auto xp = MakeCrystal(5, 5, 5, 90, c.beta, c.gamma, c.ltyp);
    EXPECT_EQ(SystAbs(xp.get(), c.h, c.k, c.l), c.absent) << c.ltyp << " " << c.h << c.k << c.l;
}

INSTANTIATE_TEST_SUITE_P(Centrings, Absences,
                         ::testing::Values(AbsenceCase{'A', 90, 90, 1, 0, 1, true}, AbsenceCase{'A', 90, 90, 1, 1, 1, false},
                                           AbsenceCase{'B', 90, 90, 1, 1, 0, true}, AbsenceCase{'C', 90, 90, 1, 0, 0, true},
                                           AbsenceCase{'C', 90, 90, -1, 1, 5, false}, AbsenceCase{'I', 90, 90, -2, 1, 0, true},
                                           AbsenceCase{'F', 90, 90, -1, 1, 3, false}, AbsenceCase{'F', 90, 90, 2, 0, -2, false},
                                           AbsenceCase{'F', 90, 90, 2, 1, 0, true},
                                           // hexagonal axes, obverse: −h + k + l = 3n
                                           AbsenceCase{'R', 120, 90, 0, 0, 3, false}, AbsenceCase{'R', 120, 90, 0, 0, 1, true},
                                           AbsenceCase{'R', 120, 90, 1, 0, 1, false}, AbsenceCase{'R', 120, 90, -1, 0, 1, true},
                                           // rhombohedral axes: nothing absent
                                           AbsenceCase{'R', 80, 80, 0, 0, 1, false},
                                           AbsenceCase{'P', 90, 90, 1, 0, 0, false}, AbsenceCase{'Z', 90, 90, 1, 0, 0, false}));

TEST(Reflexions, RhombohedralOnHexagonalAxesGenerates3nOnly)
{
    auto xp = MakeCrystal(4.9f, 4.9f, 12.0f, 90, 90, 120, 'R');
    RecipCell(xp.get());
    ASSERT_TRUE(HKLList(nullptr, xp.get(), 1.5f, false, 0));
    for (const ReflexionRec& r : WorkingReflexions())
        EXPECT_EQ((-r.h + r.k + r.l) % 3, 0);
    PurgeTempRefs();
}

TEST(Reflexions, DifferentFormsWithEqualDAreMerged)
{
    auto xp = MakeCrystal(4, 4, 4, 90, 90, 90, 'P');
    const auto merged = GenerateAndMerge(xp.get(), 1.3f);
    // d(3,0,0) = d(2,2,1) = 4/3: 6 + 24 generated reflexions in one entry.
    bool found = false;
    for (const ReflexionRec& r : merged)
        if (std::fabs(r.dsp - 4.0f / 3.0f) < 1e-4) {
            EXPECT_EQ(r.mul, 30);
            found = true;
        }
    EXPECT_TRUE(found);
}

TEST(Reflexions, SmallestDSpacingBelowOneHundredthActsAsOneHundredth)
{
    auto xp = MakeCrystal(0.9f, 0.9f, 0.9f, 90, 90, 90, 'P');
    const auto zero = GenerateAndMerge(xp.get(), 0.0f);
    const auto hundredth = GenerateAndMerge(xp.get(), 0.01f);
    ASSERT_EQ(zero.size(), hundredth.size());
    EXPECT_GT(zero.size(), 100u);
    EXPECT_GT(zero.back().dsp, 0.01f);
}

TEST(Reflexions, RestrictionKeepsTheLargestDSpacings)
{
    auto xp = MakeCrystal(4, 5, 6, 90, 90, 90, 'P');
    RecipCell(xp.get());
    ASSERT_TRUE(HKLList(nullptr, xp.get(), 1.0f, true, 10));
    ASSERT_EQ(NumTempRefs(), 10u);
    float smallestKept = 1e9f;
    for (const ReflexionRec& r : WorkingReflexions())
        smallestKept = std::min(smallestKept, r.dsp);
    PurgeTempRefs();
    ASSERT_TRUE(HKLList(nullptr, xp.get(), 1.0f, false, 0));
    int larger = 0;
    for (const ReflexionRec& r : WorkingReflexions())
        larger += r.dsp > smallestKept;
    PurgeTempRefs();
    EXPECT_LT(larger, 10);
}

TEST(Reflexions, HeapsortOrdersByDescendingDWithReproducibleTies)
{
    // Worked by hand: entries (d, tag) a(1), b(2), c(2) come out b, c, a.
    std::vector<ReflexionRec> refs(3);
    refs[0].dsp = 1;
    refs[0].h = 'a';
    refs[1].dsp = 2;
    refs[1].h = 'b';
    refs[2].dsp = 2;
    refs[2].h = 'c';
    OrderReflexions(refs.data(), refs.size());
    EXPECT_EQ(refs[0].h, 'b');
    EXPECT_EQ(refs[1].h, 'c');
    EXPECT_EQ(refs[2].h, 'a');

    std::vector<ReflexionRec> many(500);
    for (std::size_t i = 0; i < many.size(); ++i) {
        many[i].dsp = static_cast<float>((i * 7919) % 37);
        many[i].h = static_cast<SInt16>(i);
    }
    auto again = many;
    OrderReflexions(many.data(), many.size());
    OrderReflexions(again.data(), again.size());
    for (std::size_t i = 1; i < many.size(); ++i)
        EXPECT_GE(many[i - 1].dsp, many[i].dsp);
    for (std::size_t i = 0; i < many.size(); ++i)
        EXPECT_EQ(many[i].h, again[i].h);
}

TEST(Reflexions, CopyKeepsThe3000LargestAndDividesByTheSquaredVolume)
{
    auto xp = MakeCrystal(2, 2, 2, 90, 90, 90, 'P');
    RecipCell(xp.get());
    std::vector<ReflexionRec>& work = WorkingReflexions();
    work.assign(5000, ReflexionRec{});
    for (int i = 0; i < 5000; ++i) {
        work[static_cast<std::size_t>(i)] = ReflexionRec{static_cast<SInt16>(-1 - i % 3), -2, 0, 1,
                                                         10.0f - i * 0.001f, 0, 64.0f * (i + 1), 0};
    }
    CopyRefs(xp.get());
    PurgeTempRefs();
    ASSERT_EQ(xp->nRefs(), kMaxCrystalReflexions);
    EXPECT_FLOAT_EQ(xp->refs[0].dsp, 10.0f);
    EXPECT_FLOAT_EQ(xp->refs[0].inty, 1.0f);  // 64 / 8²
    EXPECT_FLOAT_EQ(xp->intMax, 3000.0f);
    for (const ReflexionRec& r : xp->refs)  // orthogonal cell: indices made non-negative
        EXPECT_TRUE(r.h >= 0 && r.k >= 0 && r.l >= 0);
}

TEST(Reflexions, ObliqueCellIndicesTakeTheCanonicalSign)
{
    auto xp = MakeCrystal(5, 6, 7, 90, 100, 90, 'P');
    RecipCell(xp.get());
    WorkingReflexions() = {ReflexionRec{-1, -2, 3, 1, 3.0f, 0, 1, 0}, ReflexionRec{-1, 2, 3, 1, 2.9f, 0, 1, 0},
                           ReflexionRec{0, 0, -4, 1, 2.8f, 0, 1, 0}, ReflexionRec{0, -1, 0, 1, 2.7f, 0, 1, 0}};
    CopyRefs(xp.get());
    PurgeTempRefs();
    ASSERT_EQ(xp->nRefs(), 4);
    // Two negative indices: flipped. One: kept. Two zeros add one to the count of negatives.
    EXPECT_EQ(xp->refs[0].h, 1);
    EXPECT_EQ(xp->refs[0].k, 2);
    EXPECT_EQ(xp->refs[0].l, -3);
    EXPECT_EQ(xp->refs[1].h, -1);
    EXPECT_EQ(xp->refs[2].l, 4);
    EXPECT_EQ(xp->refs[3].k, 1);
}

TEST(Reflexions, NothingLeftAfterMergingRaisesTheRangeAlert)
{
    RecordingStatusSink sink;
    ScopedThreadStatusSink scope(&sink);
    WorkingReflexions() = {ReflexionRec{1, 0, 0, 0, 0.0f, 0, 1, 0}};
    MergeRefs();
    EXPECT_EQ(NumTempRefs(), 0u);
    ASSERT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 1);
}

TEST(Reflexions, IndexBoxTooLargeIsRefusedLikeAFailedAllocation)
{
    RecordingStatusSink sink;
    ScopedThreadStatusSink scope(&sink);
    auto xp = MakeCrystal(300, 300, 300, 90, 90, 90, 'P');
    RecipCell(xp.get());
    EXPECT_FALSE(HKLList(nullptr, xp.get(), 0.01f, false, 0));
    EXPECT_EQ(NumTempRefs(), 0u);
    EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 1);
}

TEST(Reflexions, SortIndexListsLeaveOutTheOrigin)
{
    std::vector<ReflexionRec> refs = {ReflexionRec{1, 2, 3, 1, 1.0f, 0, 5, 0}, ReflexionRec{0, 0, 0, 1, 9.0f, 0, 9, 0},
                                      ReflexionRec{-3, 0, 1, 1, 2.0f, 0, 1, 0}, ReflexionRec{0, 1, 0, 1, 3.0f, 0, 7, 0}};
    const auto byD = SortReflexions(refs.data(), 4, kSortReflexionsByDSpacing);
    EXPECT_EQ(byD, (std::vector<UInt32>{3, 2, 0}));
    const auto byI = SortReflexions(refs.data(), 4, kSortReflexionsByIntensity);
    EXPECT_EQ(byI, (std::vector<UInt32>{3, 0, 2}));
    const auto byHKL = SortReflexions(refs.data(), 4, kSortReflexionsByHKL);
    EXPECT_EQ(byHKL, (std::vector<UInt32>{3, 0, 2}));
    const auto none = SortReflexions(refs.data(), 4, kSortReflexionsByNone);
    EXPECT_EQ(none, (std::vector<UInt32>{0, 2, 3}));
}
