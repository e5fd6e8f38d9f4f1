// Reflexion generation, centring absences, ordering, merging and copying.
#include "CellGeometry.h"
#include "Globals.h"
#include "Reflexions.h"
#include "Status.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    ReflexionWorkspace work;
    RecipCell(xp);
    EXPECT_TRUE(HKLList(work, nullptr, xp, dspMin, restrict, max));
    OrderRefsList(work);
    MergeRefs(work);
    std::vector<ReflexionRec> out = work.gTempRef;
    PurgeTempRefs(work);
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
    ReflexionWorkspace work;
    auto xp = MakeCrystal(4, 4, 4, 90, 90, 90, 'P');
    RecipCell(xp.get());
    ASSERT_TRUE(HKLList(work, nullptr, xp.get(), 2.0f, false, 0));
    // hmax = kmax = lmax = 2: of the 125 triples, those with d > 2 (d = 2 itself is excluded).
    EXPECT_EQ(work.NumTempRefs(), 6u + 12u + 8u);
    PurgeTempRefs(work);
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
    ReflexionWorkspace work;
    auto xp = MakeCrystal(4.9f, 4.9f, 12.0f, 90, 90, 120, 'R');
    RecipCell(xp.get());
    ASSERT_TRUE(HKLList(work, nullptr, xp.get(), 1.5f, false, 0));
    for (const ReflexionRec& r : work.gTempRef)
        EXPECT_EQ((-r.h + r.k + r.l) % 3, 0);
    PurgeTempRefs(work);
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
    ReflexionWorkspace work;
    auto xp = MakeCrystal(4, 5, 6, 90, 90, 90, 'P');
    RecipCell(xp.get());
    ASSERT_TRUE(HKLList(work, nullptr, xp.get(), 1.0f, true, 10));
    ASSERT_EQ(work.NumTempRefs(), 10u);
    float smallestKept = 1e9f;
    for (const ReflexionRec& r : work.gTempRef)
        smallestKept = std::min(smallestKept, r.dsp);
    PurgeTempRefs(work);
    ASSERT_TRUE(HKLList(work, nullptr, xp.get(), 1.0f, false, 0));
    int larger = 0;
    for (const ReflexionRec& r : work.gTempRef)
        larger += r.dsp > smallestKept;
    PurgeTempRefs(work);
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

TEST(Reflexions, CopyKeepsEveryMergedReflexionAndDividesByTheSquaredVolume)
{
    ReflexionWorkspace work;
    auto xp = MakeCrystal(2, 2, 2, 90, 90, 90, 'P');
    RecipCell(xp.get());
    std::vector<ReflexionRec>& list = work.gTempRef;
    list.assign(5000, ReflexionRec{});
    for (int i = 0; i < 5000; ++i) {
        list[static_cast<std::size_t>(i)] = ReflexionRec{static_cast<SInt16>(-1 - i % 3), -2, 0, 1,
                                                         10.0f - i * 0.001f, 0, 64.0f * (i + 1), 0};
    }
    CopyRefs(work, xp.get());
    PurgeTempRefs(work);
    ASSERT_EQ(xp->nRefs(), 5000);  // no store cap: a long list is not cut short
    EXPECT_FLOAT_EQ(xp->refs[0].dsp, 10.0f);
    EXPECT_FLOAT_EQ(xp->refs[0].inty, 1.0f);  // 64 / 8²
    EXPECT_FLOAT_EQ(xp->intMax, 5000.0f);
    for (const ReflexionRec& r : xp->refs)  // orthogonal cell: indices made non-negative
        EXPECT_TRUE(r.h >= 0 && r.k >= 0 && r.l >= 0);
}

TEST(Reflexions, ObliqueCellIndicesTakeTheCanonicalSign)
{
    ReflexionWorkspace work;
    auto xp = MakeCrystal(5, 6, 7, 90, 100, 90, 'P');
    RecipCell(xp.get());
    work.gTempRef = {ReflexionRec{-1, -2, 3, 1, 3.0f, 0, 1, 0}, ReflexionRec{-1, 2, 3, 1, 2.9f, 0, 1, 0},
                           ReflexionRec{0, 0, -4, 1, 2.8f, 0, 1, 0}, ReflexionRec{0, -1, 0, 1, 2.7f, 0, 1, 0}};
    CopyRefs(work, xp.get());
    PurgeTempRefs(work);
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
    ReflexionWorkspace work;
    RecordingStatusSink sink;
    ScopedThreadStatusSink scope(&sink);
    work.gTempRef = {ReflexionRec{1, 0, 0, 0, 0.0f, 0, 1, 0}};
    MergeRefs(work);
    EXPECT_EQ(work.NumTempRefs(), 0u);
    ASSERT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 1);
}

TEST(Reflexions, ListBeyondTheMemoryGuardStopsWhereItFits)
{
    ReflexionWorkspace work;
    RecordingStatusSink sink;
    ScopedThreadStatusSink scope(&sink);
    work.SetGenerationBudget(20000);
    // a = 30 Å: about (4/3)π·27000/d³ reflexions, so 20000 entries reach down to d ≈ 1.8 Å.
    auto xp = MakeCrystal(30, 30, 30, 90, 90, 90, 'P');
    RecipCell(xp.get());
    HKLListCut cut;
    EXPECT_TRUE(HKLList(work, nullptr, xp.get(), 0.5f, false, 0, &cut));
    work.SetGenerationBudget(kDefaultGenerationBudget);
    EXPECT_TRUE(cut.byMemory);
    EXPECT_LE(work.NumTempRefs(), 20000u);
    EXPECT_GT(work.NumTempRefs(), 15000u);
    const double dFits = std::cbrt(4.18879 * 27000 * 1.05 / 20000.0);
    EXPECT_NEAR(cut.dsp, dFits, 0.05);
    for (const ReflexionRec& r : work.gTempRef)
        EXPECT_GE(r.dsp, cut.dsp);
    PurgeTempRefs(work);
    EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 0);
}

namespace {

// Every h k l with d > dMin of a cell, counted by brute force in a box far larger than needed,
// with the metric inverted independently of the engine.
long CountIndexTriples(double a, double b, double c, double alpha, double beta, double gamma, double dMin)
{
    const double rad = 3.14159265358979323846 / 180;
    const double ca = std::cos(alpha * rad), cb = std::cos(beta * rad), cg = std::cos(gamma * rad);
    const double G[3][3] = {{a * a, a * b * cg, a * c * cb}, {a * b * cg, b * b, b * c * ca}, {a * c * cb, b * c * ca, c * c}};
    const double det = G[0][0] * (G[1][1] * G[2][2] - G[1][2] * G[2][1]) - G[0][1] * (G[1][0] * G[2][2] - G[1][2] * G[2][0]) +
                       G[0][2] * (G[1][0] * G[2][1] - G[1][1] * G[2][0]);
    double Gi[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
            Gi[j][i] = (G[i1][j1] * G[i2][j2] - G[i1][j2] * G[i2][j1]) / det;
        }
    long count = 0;
    for (int h = -45; h <= 45; ++h)
        for (int k = -45; k <= 45; ++k)
            for (int l = -45; l <= 45; ++l) {
                const int v[3] = {h, k, l};
                double q = 0;
                for (int i = 0; i < 3; ++i)
                    for (int j = 0; j < 3; ++j)
                        q += v[i] * Gi[i][j] * v[j];
                if (q > 0 && 1 / std::sqrt(q) > dMin)
                    ++count;
            }
    return count;
}

}  // namespace

TEST(Reflexions, IndexBoxCoversObliqueCells)
{
    struct Cell {
        const char* name;
        float a, b, c, alpha, beta, gamma, dMin;
        long known;  // the count where it is known beforehand, else 0
    };
    for (const Cell& cell : {Cell{"triclinic", 8, 9, 10, 75, 65, 105, 0.5f, 19134},
                             Cell{"monoclinic, wide beta", 7, 9, 11, 90, 118, 90, 0.6f, 0},
                             Cell{"triclinic, flat", 5, 13, 6, 101, 79, 63, 0.7f, 0}}) {
        ReflexionWorkspace work;
        auto xp = MakeCrystal(cell.a, cell.b, cell.c, cell.alpha, cell.beta, cell.gamma, 'P');
        RecipCell(xp.get());
        ASSERT_TRUE(HKLList(work, nullptr, xp.get(), cell.dMin, false, 0));
        const long expected = CountIndexTriples(cell.a, cell.b, cell.c, cell.alpha, cell.beta, cell.gamma, cell.dMin);
        if (cell.known) {
            EXPECT_EQ(expected, cell.known) << cell.name;
        }
        EXPECT_GT(expected, 1000) << cell.name;
        EXPECT_EQ(static_cast<long>(work.NumTempRefs()), expected) << cell.name;
    }
}

// Equal d is d within 0.0001 Å of the group's first entry: a chain of close d-spacings does not
// grow a group beyond that.
TEST(Reflexions, MergeToleranceIsMeasuredFromTheFirstOfTheGroup)
{
    ReflexionWorkspace work;
    work.gTempRef = {ReflexionRec{1, 0, 0, 0, 2.0f, 0, 1, 0},     ReflexionRec{0, 1, 0, 0, 1.99992f, 0, 1, 0},
                     ReflexionRec{0, 0, 1, 0, 1.99984f, 0, 1, 0}, ReflexionRec{1, 1, 0, 0, 1.99977f, 0, 1, 0},
                     ReflexionRec{1, 0, 1, 0, 1.99965f, 0, 1, 0}};
    MergeRefs(work);
    const std::vector<Merged> groups = Summary(work.gTempRef);
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_FLOAT_EQ(groups[0].d, 2.0f);  // 2.0 and 1.99992 (8e-5 apart)
    EXPECT_EQ(groups[0].mul, 2);
    EXPECT_FLOAT_EQ(groups[1].d, 1.99984f);  // 1.6e-4 from 2.0: a group of its own, with 1.99977
    EXPECT_EQ(groups[1].mul, 2);
    EXPECT_FLOAT_EQ(groups[2].d, 1.99965f);  // 1.9e-4 from that group's first, 1.99984
    EXPECT_EQ(groups[2].mul, 1);
}

TEST(Reflexions, EquivalentReflexionsAreNeverSplitAcrossGroups)
{
    // A large primitive cubic cell: d depends on N = h² + k² + l² alone, and the d of successive
    // N lie closer than 0.0001 Å, so groups take in several N. Every group must take in whole
    // N shells: the running sum of multiplicities always equals a running sum of shell sizes.
    auto xp = MakeCrystal(50, 50, 50, 90, 90, 90, 'P');
    const auto merged = GenerateAndMerge(xp.get(), 0.9f);
    std::map<int, long> shell;  // N → number of integer vectors
    for (int h = -56; h <= 56; ++h)
        for (int k = -56; k <= 56; ++k)
            for (int l = -56; l <= 56; ++l) {
                const int N = h * h + k * k + l * l;
                if (N > 0 && 50 / std::sqrt(double(N)) > 0.9)
                    ++shell[N];
            }
    std::vector<long> boundaries{0};
    for (const auto& [N, count] : shell)
        boundaries.push_back(boundaries.back() + count);
    long running = 0;
    for (const ReflexionRec& r : merged) {
        running += r.mul;
        EXPECT_TRUE(std::binary_search(boundaries.begin(), boundaries.end(), running))
            << "group at d = " << r.dsp << " ends inside a shell";
    }
    EXPECT_EQ(running, boundaries.back());
}

TEST(Reflexions, CapAndWeakCutoffActOnWholeGroups)
{
    ReflexionWorkspace work;
    // Under a cap, generation keeps the rest of the group the last kept reflexion belongs to.
    auto salt = MakeRockSalt();
    const auto capped = GenerateAndMerge(salt.get(), 1.0f, true, 10);
    ASSERT_EQ(capped.size(), 2u);
    EXPECT_EQ(capped[0].mul, 8);  // 111
    EXPECT_EQ(capped[1].mul, 6);  // 200, whole

    // The weak cutoff after merging: a group goes only when its summed intensity is weak.
    work.gTempRef = {ReflexionRec{1, 0, 0, 0, 3.0f, 0, 0.6e-5f, 0}, ReflexionRec{0, 1, 0, 0, 3.0f, 0, 0.6e-5f, 0},
                           ReflexionRec{1, 1, 0, 0, 2.5f, 0, 1e-6f, 0}, ReflexionRec{1, 0, 1, 0, 2.5f, 0, 5e-5f, 0},
                           ReflexionRec{1, 1, 1, 0, 2.0f, 0, 2e-6f, 0}, ReflexionRec{2, 0, 0, 0, 2.0f, 0, 3e-6f, 0}};
    MergeRefs(work, 1e-5f);
    const std::vector<ReflexionRec> out = work.gTempRef;
    PurgeTempRefs(work);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].mul, 2);
    EXPECT_FLOAT_EQ(out[0].inty, 1.2e-5f);
    EXPECT_EQ(out[1].mul, 2);
    EXPECT_FLOAT_EQ(out[1].inty, 5.1e-5f);
}
