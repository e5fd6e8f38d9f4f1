// The scattering-factor table: file format, indexing of sites, missing species, form factors.
#include "Globals.h"
#include "ScatteringTable.h"
#include "Status.h"
#include "StringTable.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

void LoadTableText(std::string text)
{
    ResetASFactors();
    std::FILE* f = fmemopen(text.data(), text.size(), "rb");
    ReadASFactorsFromStream(f);
    std::fclose(f);
}

std::unique_ptr<CrystalDataRec> OneSite(const char* symbol, float occupancy)
{
    InitVLGlobals();
    auto xp = CreateCrystal(PrefDataRec{});
    EXPECT_TRUE(CreateAsymmetricUnit(xp.get(), 1));
    xp->AU[0].occupant[0] = {PackSymbol(symbol), 0, occupancy};
    return xp;
}

}  // namespace

TEST(ScatteringTable, AcceptsOnlySymbolPlusTenNumbers)
{
    LoadTableText(
        "# header\n"
        "3Li 1 2 3 4 5 6 7 8 9 10\n"
        "fe 1 2 3 4 5 6 7 8 9 10\n"
        "O 3.0485 13.2771 2.2868 5.7011 1.5463 0.3239 0.867 32.9089 0.2508 5.803\r\n"
        "  Na 1 2 3 4 5 6 7 8 9\n"       // ten fields only
        "\xA0" "Cl 1 2 3 4 5 6 7 8 9 10\r"  // a byte above 127 counts as a blank
        "Fe 1 2 3 4 5 6 7 8 9 10 trailing words\n");
    ASSERT_EQ(gNumASF, 3);
    EXPECT_EQ(gASF[0].symbol, PackSymbol('O', ' '));
    EXPECT_FLOAT_EQ(gASF[0].f[0], 3.0485f);
    EXPECT_FLOAT_EQ(gASF[0].f[1], 13.2771f);
    EXPECT_FLOAT_EQ(gASF[0].f[9], 5.803f);
    EXPECT_EQ(gASF[1].symbol, PackSymbol("Cl"));
    EXPECT_EQ(gASF[2].symbol, PackSymbol("Fe"));
}

TEST(ScatteringTable, KeepsAtMost200Entries)
{
    std::string text;
    for (int i = 0; i < 250; ++i)
        text += "X 1 2 3 4 5 6 7 8 9 10\n";
    LoadTableText(text);
    EXPECT_EQ(gNumASF, kMaxASF);
}

TEST(ScatteringTable, MissingSpeciesAreListedOnceAndComputedAsEntryZero)
{
    LoadStringTableFromText("Error_No_ASF = Missing\nError_No_ASF_2 = Not in table: \n");
    ResetASFactors();  // no file at all: silicon preset, nothing loaded
    auto xp = OneSite("Fe", 1.0f);
    EXPECT_TRUE(CreateAsymmetricUnit(xp.get(), 3));
    xp->AU[0].occupant[0] = {PackSymbol("Fe"), 7, 1.0f};
    xp->AU[1].occupant[0] = {PackSymbol("O"), 7, 0.5f};
    xp->AU[1].occupant[1] = {PackSymbol("Fe"), 7, 0.5f};
    xp->AU[2].occupant[0] = {PackSymbol("Zr"), 7, 0.001f};  // 0.001 is not more than 0.001: ignored
    RecordingStatusSink sink;
    ScopedThreadStatusSink scope(&sink);
    ASFIndexSites(xp.get());
    ASSERT_EQ(sink.Count(RecordingStatusSink::Kind::Message), 1);
    EXPECT_EQ(sink.events[0].text, "Missing");
    EXPECT_EQ(sink.events[0].detail, "Not in table: Fe, O ");
    EXPECT_EQ(xp->AU[0].occupant[0].indexASF, 0);
    EXPECT_EQ(xp->AU[2].occupant[0].indexASF, 7);
    // Every species scatters like the silicon preset: f(0) = sum of a + c.
    const float si0 = 5.66269f + 3.07164f + 2.62446f + 1.3932f + 1.24707f;
    EXPECT_NEAR(GetSiteF(xp.get(), &xp->AU[0], 1e6f, false), si0, 1e-4);
    EXPECT_FLOAT_EQ(GetSiteF(xp.get(), &xp->AU[1], 2.0f, true), 4.1491f);
}

TEST(ScatteringTable, NoMessageWhenEverySpeciesIsKnown)
{
    ASSERT_TRUE(LoadShippedScatteringTable());
    auto xp = OneSite("Fe", 1.0f);
    RecordingStatusSink sink;
    ScopedThreadStatusSink scope(&sink);
    ASFIndexSites(xp.get());
    EXPECT_EQ(sink.events.size(), 0u);
    EXPECT_EQ(gASF[xp->AU[0].occupant[0].indexASF].symbol, PackSymbol("Fe"));
}

TEST(ScatteringTable, ShippedTableHoldsThePublishedValues)
{
    ASSERT_TRUE(LoadShippedScatteringTable());
    // H, D and He..Cf: every element of the X-ray table.
    EXPECT_EQ(gNumASF, 2 + 97);
    struct Expect {
        const char* symbol;
        float z;        // a1+a2+a3+a4+c is close to the number of electrons
        float neutron;  // fm
    };
    for (const Expect& e : {Expect{"H", 1, -3.739f}, Expect{"D", 1, 6.671f}, Expect{"O", 8, 5.803f},
                            Expect{"Si", 14, 4.1491f}, Expect{"Fe", 26, 9.45f}, Expect{"Pu", 94, 8.1f},
                            Expect{"Cm", 96, 9.5f}}) {
        const AtomScatterRec* entry = nullptr;
        for (int i = 0; i < gNumASF; ++i)
            if (gASF[i].symbol == PackSymbol(e.symbol))
                entry = &gASF[i];
        ASSERT_NE(entry, nullptr) << e.symbol;
        EXPECT_NEAR(FormFactorOfEntry(*entry, 0), e.z, 0.02 * e.z) << e.symbol;
        EXPECT_FLOAT_EQ(entry->f[9], e.neutron) << e.symbol;
        EXPECT_TRUE(HasNeutronLength(*entry)) << e.symbol;
    }
    // The elements without a tabulated neutron length are there for X-rays, marked as unknown.
    for (const char* symbol : {"Po", "At", "Rn", "Fr", "Ac", "Bk", "Cf"}) {
        const AtomScatterRec* entry = nullptr;
        for (int i = 0; i < gNumASF; ++i)
            if (gASF[i].symbol == PackSymbol(symbol))
                entry = &gASF[i];
        ASSERT_NE(entry, nullptr) << symbol;
        EXPECT_FALSE(HasNeutronLength(*entry)) << symbol;
        EXPECT_GT(FormFactorOfEntry(*entry, 0), 80) << symbol;
    }
}

TEST(ScatteringTable, XRayFormFactorFallsWithDecreasingD)
{
    ASSERT_TRUE(LoadShippedScatteringTable());
    auto xp = OneSite("Cu", 0.5f);
    ASFIndexSites(xp.get());
    const float f10 = GetSiteF(xp.get(), &xp->AU[0], 10.0f, false);
    const float f2 = GetSiteF(xp.get(), &xp->AU[0], 2.0f, false);
    const float f1 = GetSiteF(xp.get(), &xp->AU[0], 1.0f, false);
    EXPECT_GT(f10, f2);
    EXPECT_GT(f2, f1);
    EXPECT_NEAR(f10, 0.5f * 29, 0.3f);
    // Neutrons do not fall off.
    EXPECT_EQ(GetSiteF(xp.get(), &xp->AU[0], 10.0f, true), GetSiteF(xp.get(), &xp->AU[0], 0.5f, true));
    // An occupant at exactly 0 contributes nothing.
    xp->AU[0].occupant[1] = {PackSymbol("Cu"), xp->AU[0].occupant[0].indexASF, 0.0f};
    EXPECT_EQ(GetSiteF(xp.get(), &xp->AU[0], 2.0f, false), f2);
}
