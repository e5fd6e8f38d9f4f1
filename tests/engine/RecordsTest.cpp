// Blank values, duplication and ownership of the core records.
#include "Globals.h"
#include "Records.h"
#include "Status.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Records, NewCrystalAndDatasetTakeTheirBlankValuesAndTheGivenDefaults)
{
    InitVLGlobals();
    PrefDataRec prefs;
    prefs.crystalColor = {1, 2, 3};
    prefs.particleSize = 500;
    prefs.datasetPlotStyle = kPlotStyleCrosses;
    auto xp = CreateCrystal(prefs);
    ASSERT_TRUE(xp);
    EXPECT_EQ(xp->ltyp, 'P');
    EXPECT_EQ(xp->volFrac, 0.0f);
    EXPECT_TRUE(xp->AU.empty() && xp->atoms.empty() && xp->refs.empty() && xp->plotBuffer.empty());
    EXPECT_EQ(xp->plotColor, (RGBColor{1, 2, 3}));
    EXPECT_EQ(xp->particleSize, 500.0f);
    EXPECT_STREQ(xp->spaceGroupSymbol, "");
    auto dp = CreateDataset(prefs);
    EXPECT_EQ(dp->relScale, 1.0f);
    EXPECT_EQ(dp->plotStyle, kPlotStyleCrosses);
    // The program-wide preferences are not consulted.
    EXPECT_EQ(gPrefs.particleSize, gFactoryPrefs.particleSize);
}

TEST(Records, NewSiteIsTheBlankSite)
{
    InitVLGlobals();
    auto xp = CreateCrystal(PrefDataRec{});
    ASSERT_TRUE(CreateAsymmetricUnit(xp.get(), 3));
    const InputDataRec& s = xp->AU[2];
    for (const SiteRec& o : s.occupant) {
        EXPECT_EQ(o.symbol, 0x2020);
        EXPECT_EQ(o.occupancy, 0.0f);
    }
    EXPECT_EQ(s.uIso, 0.1f);
    EXPECT_EQ(s.uAni[0][0], 1.0f);
    EXPECT_EQ(s.uAni[0][1], 0.0f);
    EXPECT_EQ(s.adpType, kADPTypeNone);
    EXPECT_FALSE(s.include);
    EXPECT_EQ(s.pos, 1);
}

TEST(Records, DuplicateIsDeepAndFieldForField)
{
    InitVLGlobals();
    auto xp = CreateCrystal(PrefDataRec{});
    EXPECT_TRUE(CreateAsymmetricUnit(xp.get(), 1));
    EXPECT_TRUE(CreateAtomsArray(xp.get(), 2));
    ASSERT_TRUE(CreateReflexionsArray(xp->refs, 2));
    xp->refs[1] = ReflexionRec{1, -2, 3, 12, 2.5f, 35.8f, 99.0f, 0.05f};
    SetCrystalPlotBuffer(xp.get(), {1, 2, 3});
    auto copy = DuplicateCrystal(xp.get());
    ASSERT_TRUE(copy);
    ASSERT_EQ(copy->nRefs(), 2);
    EXPECT_EQ(0, std::memcmp(&copy->refs[1], &xp->refs[1], sizeof(ReflexionRec)));
    copy->refs[1].inty = 0;
    EXPECT_EQ(xp->refs[1].inty, 99.0f);
    EXPECT_EQ(copy->nBufferPts(), 3);
    // A crystal never drawn (no plot buffer) copies as it is.
    DestroyPlotBuffer(xp.get());
    EXPECT_TRUE(DuplicateCrystal(xp.get()));
}

TEST(Records, DatasetWithoutPointsIsNotDuplicated)
{
    auto dp = CreateDataset(PrefDataRec{});
    EXPECT_FALSE(DuplicateDataset(dp.get()));
    ASSERT_TRUE(CreateDatasetPoints(dp.get(), 4));
    EXPECT_EQ(dp->nData(), 4);
    EXPECT_TRUE(DuplicateDataset(dp.get()));
}

TEST(Records, ImpossibleArraySizeFailsWithAProblemAndNoAlert)
{
    RecordingStatusSink sink;
    ScopedThreadStatusSink scope(&sink);
    auto xp = CreateCrystal(PrefDataRec{});
    FileProblems problems;
    EXPECT_FALSE(CreateAtomsArray(xp.get(), -1, &problems));
    EXPECT_FALSE(CreateAsymmetricUnit(xp.get(), -1, &problems));
    EXPECT_FALSE(CreateAtomsArray(xp.get(), -1));  // without a list the failure is only the result
    EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 0);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems.items()[0].text, "No memory to create atoms array");
    EXPECT_EQ(problems.items()[1].text, "No memory to create asymmetric Unit");
    EXPECT_EQ(problems.items()[0].kind, AlertKind::Stop);
    EXPECT_TRUE(xp->atoms.empty());
}

TEST(Records, LabelsAreCutToTheirFields)
{
    InputDataRec site;
    SetSiteLabel(&site, "Oxygen12");
    EXPECT_STREQ(site.label, "Oxygen");
    CrystalDataRec xp;
    SetSpaceGroupSymbol(&xp, "P 21/c 21/c 21/c extra text");
    EXPECT_EQ(std::string(xp.spaceGroupSymbol).size(), 20u);
}

TEST(Records, PatternOwnsItsCrystal)
{
    auto pp = CreatePattern();
    EXPECT_EQ(pp->type, kPatternTypeNone);
    EXPECT_FALSE(pp->plotted);
    pp->type = kPatternTypeCrystal;
    pp->crystal = CreateCrystal(PrefDataRec{});
    DestroyPattern(pp);
    EXPECT_FALSE(pp);
}

TEST(Records, SymbolPacking)
{
    EXPECT_EQ(PackSymbol("H"), 0x4820);
    EXPECT_EQ(PackSymbol("Fe"), 0x4665);
    EXPECT_EQ(PackSymbol(""), kEmptySymbol);
    EXPECT_EQ(SymbolToString(0x4820), "H");
    EXPECT_EQ(SymbolToString(kEmptySymbol), "");
}
