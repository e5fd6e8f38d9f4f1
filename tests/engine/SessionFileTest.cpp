// Session files: round trips, the stored layout, and damaged files.
#include "Document.h"
#include "FileTestSupport.h"
#include "SafeFile.h"
#include "SessionFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace {

// A crystal with ellipsoids, a three-occupant site, a Uiso site and labels, built field by field.
std::unique_ptr<VLPatternRec> MixedCrystalPattern()
{
    auto p = CreatePattern();
    p->type = kPatternTypeCrystal;
    p->name = "Olivine (Fe,Mg)₂SiO₄";
    p->selected = true;
    p->crystal = CreateCrystal(PrefDataRec{});
    CrystalDataRec& xp = *p->crystal;
    xp.a = 10.2f, xp.b = 6.0f, xp.c = 4.75f, xp.alpha = 90, xp.beta = 91.5f, xp.gamma = 90;
    SetSpaceGroupSymbol(&xp, "P 1 21/c 1");
    xp.ltyp = 'P';
    xp.hasEllipsoids = true;
    xp.plotColor = {0x1234, 0x5678, 0x9ABC};
    xp.plotStyle = kPlotStyleLineDots, xp.lineStyle = kLineStyleDashed, xp.lineWidth = 1.5f, xp.markerSize = 3;
    xp.xOffset = 0.03f, xp.yOffset = 12.5f, xp.volFrac = 0.625f, xp.particleSize = 2500, xp.strain = 0.0015f;
    xp.baseCoefs[0] = -0.125f, xp.baseCoefs[1] = 340.0f;  // background B and C
    xp.showLabel = true, xp.labelThreshold = 25;
    xp.labelHKL = false, xp.labelDSpacings = true, xp.labelTwoTheta = true, xp.labelPhases = false;
    EXPECT_TRUE(CreateAsymmetricUnit(&xp, 2));
    InputDataRec& m = xp.AU[0];
    m.occupant = {SiteRec{PackSymbol("Fe"), 0, 0.5f}, SiteRec{PackSymbol("Mg"), 0, 0.375f},
                  SiteRec{PackSymbol("Mn"), 0, 0.125f}};
    SetSiteLabel(&m, "M1site");
    m.x[0] = 0.125f, m.x[1] = 0.25f, m.x[2] = 0.375f;
    m.adpType = kADPTypeUij;
    m.uIso = 0.0125f;
    const float u[3][3] = {{0.011f, 0.0012f, -0.0013f}, {0.0012f, 0.012f, 0.0023f}, {-0.0013f, 0.0023f, 0.013f}};
    std::memcpy(m.uAni, u, sizeof u);
    m.pos = 0, m.lastInRange = 1, m.numInCell = 2, m.include = true;
    InputDataRec& o = xp.AU[1];
    o.occupant[0] = SiteRec{PackSymbol("O"), 0, 1.0f};
    SetSiteLabel(&o, "O");
    o.x[0] = 0.75f;
    o.adpType = kADPTypeUiso;
    o.uIso = 0.5f;
    o.pos = 2, o.lastInRange = 3, o.numInCell = 2, o.include = false;
    EXPECT_TRUE(CreateAtomsArray(&xp, 4));
    for (int i = 0; i < 4; ++i)
        xp.atoms[static_cast<std::size_t>(i)] = AtomDataRec{{0.1f * static_cast<float>(i), 0.5f, 0.875f}};
    return p;
}

std::unique_ptr<VLPatternRec> DatasetPattern()
{
    auto p = CreatePattern();
    p->type = kPatternTypeDataset;
    p->name = "measured.xy";
    p->dataset = CreateDataset(PrefDataRec{});
    ObsDataRec& dp = *p->dataset;
    EXPECT_TRUE(CreateDatasetPoints(&dp, 3));
    dp.x = {10, 10.02f, 10.04f};
    dp.profile = {5, 7.5f, -1};
    dp.xmin = 10, dp.xmax = 10.04f, dp.ymin = -1, dp.ymax = 7.5f;
    dp.xOffset = -0.01f, dp.yOffset = 3, dp.relScale = 0.8f;
    dp.plotColor = {1, 2, 3};
    dp.plotStyle = kPlotStyleCrosses, dp.lineStyle = kLineStyleSolid, dp.lineWidth = 0.5f, dp.markerSize = 4;
    return p;
}

void SetUnusualPlotSpecs(PlotSpecsRec& ps)
{
    ps.plotType = -3, ps.axisType = kAxisDSpacing, ps.overlayPeakStyle = kOverlayPeaksFilled;
    ps.showCursor = true, ps.cursorXPos = 12.5f, ps.filmThreshold = 33;
    ps.showGrids = false, ps.showLegend = false, ps.showResidual = true, ps.relativeIntensity = true;
    ps.xmin = 1.5f, ps.xmax = 9.25f, ps.ymin = -0.5f, ps.ymax = 1200;
    ps.xminLimit = 0.5f, ps.xmaxLimit = 50, ps.xscale = 61.5f, ps.yscale = 0.25f, ps.fwhm = 0.0625f;
    ps.monochromatic = false, ps.radType = kRadiationNeutrons;
    ps.lambda = 1.2345f, ps.lambda2 = 1.2399f, ps.lambdaRatio = 3.0f;
    ps.dMin = 0.75f, ps.restrictNumRefs = false, ps.maxNumRefs = 1234;
    ps.thetaEnergy = 0.1f, ps.thetaTimeOfFlight = 1.5f, ps.distanceTimeOfFlight = 95.5f, ps.eta = 0.35f;
    ps.windowColor = {9, 8, 7};
    ps.crystalMixColor = {1, 1, 1}, ps.crystalMixPlotStyle = 5, ps.crystalMixLineStyle = 1;
    ps.crystalMixLineWidth = 2, ps.crystalMixMarkerSize = 3;
    ps.datasetMixColor = {2, 2, 2}, ps.datasetMixPlotStyle = 6, ps.datasetMixLineStyle = 2;
    ps.datasetMixLineWidth = 4, ps.datasetMixMarkerSize = 5;
    ps.residualColor = {3, 3, 3}, ps.residualPlotStyle = 7, ps.residualLineStyle = 1;
    ps.residualLineWidth = 6, ps.residualMarkerSize = 7;
    ps.plotMixture = true;
    ps.anomalous = true;
}

void ExpectStoredPlotSpecsEqual(const PlotSpecsRec& a, const PlotSpecsRec& b)
{
    using P = PlotSpecsRec;
    ExpectMembersEqual(a, b, &P::plotType, &P::axisType, &P::overlayPeakStyle, &P::showCursor, &P::cursorXPos,
                       &P::filmThreshold, &P::showGrids, &P::windowColor, &P::showLegend, &P::showResidual,
                       &P::relativeIntensity, &P::xmin, &P::xmax, &P::ymin, &P::ymax, &P::xminLimit, &P::xmaxLimit,
                       &P::xscale, &P::yscale, &P::fwhm, &P::monochromatic, &P::radType, &P::lambda, &P::lambda2,
                       &P::lambdaRatio, &P::thetaEnergy, &P::thetaTimeOfFlight, &P::distanceTimeOfFlight, &P::eta,
                       &P::dMin, &P::restrictNumRefs, &P::maxNumRefs, &P::plotMixture, &P::anomalous);
    ExpectMembersEqual(a, b, &P::crystalMixColor, &P::crystalMixPlotStyle, &P::crystalMixLineStyle,
                       &P::crystalMixLineWidth, &P::crystalMixMarkerSize, &P::datasetMixColor, &P::datasetMixPlotStyle,
                       &P::datasetMixLineStyle, &P::datasetMixLineWidth, &P::datasetMixMarkerSize, &P::residualColor,
                       &P::residualPlotStyle, &P::residualLineStyle, &P::residualLineWidth, &P::residualMarkerSize);
}

void ExpectCrystalsEqual(const CrystalDataRec& a, const CrystalDataRec& b)
{
    using C = CrystalDataRec;
    ExpectMembersEqual(a, b, &C::a, &C::b, &C::c, &C::alpha, &C::beta, &C::gamma, &C::ltyp, &C::hasEllipsoids,
                       &C::plotColor, &C::plotStyle, &C::lineStyle, &C::lineWidth, &C::markerSize, &C::xOffset,
                       &C::yOffset, &C::volFrac, &C::particleSize, &C::strain, &C::showLabel, &C::labelThreshold,
                       &C::labelHKL, &C::labelDSpacings, &C::labelTwoTheta, &C::labelPhases);
    EXPECT_EQ(a.baseCoefs[0], b.baseCoefs[0]);  // the whole background A + Bx + C/x is kept
    EXPECT_EQ(a.baseCoefs[1], b.baseCoefs[1]);
    EXPECT_STREQ(a.spaceGroupSymbol, b.spaceGroupSymbol);
    ASSERT_EQ(a.ntyp(), b.ntyp());
    for (std::size_t s = 0; s < a.AU.size(); ++s) {
        using S = InputDataRec;
        const S &sa = a.AU[s], &sb = b.AU[s];
        SCOPED_TRACE("site " + std::to_string(s));
        for (int j = 0; j < 3; ++j)
            ExpectMembersEqual(sa.occupant[j], sb.occupant[j], &SiteRec::symbol, &SiteRec::occupancy);
        EXPECT_STREQ(sa.label, sb.label);
        EXPECT_EQ(0, std::memcmp(sa.x, sb.x, sizeof sa.x));
        if (sa.adpType == kADPTypeUij || sa.adpType == kADPTypeBij) {  // only these store U values
            EXPECT_EQ(0, std::memcmp(sa.uAni, sb.uAni, sizeof sa.uAni));
        }
        ExpectMembersEqual(sa, sb, &S::adpType, &S::uIso, &S::pos, &S::lastInRange, &S::numInCell, &S::include);
    }
    ASSERT_EQ(a.nAtoms(), b.nAtoms());
    for (std::size_t i = 0; i < a.atoms.size(); ++i)
        EXPECT_EQ(0, std::memcmp(a.atoms[i].x, b.atoms[i].x, sizeof a.atoms[i].x)) << "atom " << i;
}

std::size_t FindTag(const ByteVector& bytes, const char* tag, std::size_t from = 0)
{
    const auto it = std::search(bytes.begin() + static_cast<long>(from), bytes.end(), tag, tag + 4);
    return it == bytes.end() ? std::string::npos : static_cast<std::size_t>(it - bytes.begin());
}

std::uint32_t BigEndian32At(const ByteVector& b, std::size_t at)
{
    return (std::uint32_t(b[at]) << 24) | (std::uint32_t(b[at + 1]) << 16) | (std::uint32_t(b[at + 2]) << 8) | b[at + 3];
}


class SessionFile : public FileFormatTest {
protected:
    void SetUp() override
    {
        FileFormatTest::SetUp();
        ASSERT_TRUE(LoadShippedScatteringTable());
        SetUnusualPlotSpecs(doc->plotSpecs);
        doc->filename = "Olivine study";
        for (auto make : {MixedCrystalPattern, DatasetPattern}) {
            VLPatternPtr p = InsertPatternIntoFileListSorted(doc.get(), make());
            InsertPatternIntoPlotList(doc.get(), p, nullptr);
        }
        state.bounds = Rect{40, 60, 700, 1100};
        state.showToolbar = false, state.showParameters = true, state.showFiles = false;
    }
    ByteVector Written(WinInfoRec* w)
    {
        FileHandle file(std::tmpfile());
        EXPECT_EQ(WriteSessionStream(w, file.get(), state), kNoErr);
        return StreamBytes(file.get());
    }
    // Reads as a caller does: the reader's problems are shown afterwards.
    bool Read(const ByteVector& bytes, WinInfoRec* into)
    {
        FileHandle file = StreamOf(bytes);
        FileProblems problems;
        const bool read = ReadSessionStream(into, file.get(), &readState, PrefDataRec{}, problems);
        ShowProblems(problems);
        return read;
    }
    std::unique_ptr<WinInfoRec> doc = CreateWindowInfo(PrefDataRec{});
    SessionWindowState state, readState;
};

}  // namespace

TEST_F(SessionFile, RoundTripIsExactAndASecondWriteIsByteIdentical)
{
    TempFolder folder;
    ASSERT_EQ(WriteSessionFile(doc.get(), folder / "a.vlmf", state), kNoErr);
    EXPECT_EQ(doc->sessionFilePtr, folder / "a.vlmf");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"a.vlmf"});  // no temporary file left

    auto back = CreateWindowInfo(PrefDataRec{});
    FileProblems problems;
    ASSERT_TRUE(ReadSessionFile(back.get(), folder / "a.vlmf", PrefDataRec{}, problems, &readState))
        << (problems.empty() ? "" : problems.Keys().front());
    EXPECT_EQ(back->filename, "Olivine study");
    EXPECT_EQ(back->sessionFilePtr, folder / "a.vlmf");
    EXPECT_EQ(readState.bounds, state.bounds);
    EXPECT_TRUE(readState.hasBounds);
    EXPECT_EQ(readState.showToolbar, false);
    EXPECT_EQ(readState.showFiles, false);
    ExpectStoredPlotSpecsEqual(back->plotSpecs, doc->plotSpecs);
    ASSERT_EQ(back->plotList.size(), 2u);
    const VLPatternRec& crystal = *back->plotList[0];
    const VLPatternRec& dataset = *back->plotList[1];
    EXPECT_EQ(crystal.name, doc->plotList[0]->name);
    EXPECT_TRUE(crystal.selected);
    EXPECT_TRUE(crystal.filePtr.empty());  // the session carries the crystal: no file needed
    ExpectCrystalsEqual(*crystal.crystal, *doc->plotList[0]->crystal);
    EXPECT_GT(crystal.crystal->nRefs(), 0);  // recomputed on reading
    const ObsDataRec &d = *dataset.dataset, &want = *doc->plotList[1]->dataset;
    EXPECT_EQ(dataset.name, "measured.xy");
    EXPECT_FALSE(dataset.selected);
    using D = ObsDataRec;
    ExpectMembersEqual(d, want, &D::x, &D::profile, &D::xmin, &D::xmax, &D::ymin, &D::ymax, &D::xOffset, &D::yOffset,
                       &D::relScale, &D::plotColor, &D::plotStyle, &D::lineStyle, &D::lineWidth, &D::markerSize);

    ASSERT_EQ(WriteSessionFile(back.get(), folder / "b.vlmf", readState), kNoErr);
    EXPECT_EQ(ReadFileBytes(folder / "b.vlmf"), ReadFileBytes(folder / "a.vlmf"));
}

TEST_F(SessionFile, StoredLayoutOfTheQuirkyItems)
{
    const ByteVector bytes = Written(doc.get());
    // "RANG" declares 32 bytes but carries 16: the next item starts right after them.
    const std::size_t rang = FindTag(bytes, "RANG");
    ASSERT_NE(rang, std::string::npos);
    EXPECT_EQ(BigEndian32At(bytes, rang + 4), 32u);
    EXPECT_EQ(FindTag(bytes, "XLIM"), rang + 8 + 16);
    // A film of Gaussians (−3) is stored as sign 1, magnitude 3.
    const std::size_t plt = FindTag(bytes, "PLT?");
    EXPECT_EQ(ByteVector(bytes.begin() + static_cast<long>(plt) + 4, bytes.begin() + static_cast<long>(plt) + 12),
              (ByteVector{0, 0, 0, 4, 0, 1, 0, 3}));
    // The second wavelength's weight is the reciprocal of the ratio: 1/3.
    const std::size_t wavl = FindTag(bytes, "WAVL");
    EXPECT_EQ(BigEndian32At(bytes, wavl + 4), 18u);
    EXPECT_EQ(BigEndian32At(bytes, wavl + 8 + 14), std::bit_cast<std::uint32_t>(1.0f / 3.0f));
    // The three-occupant site stores three occupants, and its label with the zero (7 bytes).
    const std::size_t au = FindTag(bytes, "AUni");
    EXPECT_EQ(bytes[au + 12 + 1], 3);
    EXPECT_EQ(bytes[au + 12 + 2 + 18], 7);
    EXPECT_EQ(std::string(bytes.begin() + static_cast<long>(au) + 12 + 2 + 18 + 1,
                          bytes.begin() + static_cast<long>(au) + 12 + 2 + 18 + 8),
              std::string("M1site\0", 7));
    EXPECT_EQ(std::string(bytes.end() - 4, bytes.end()), "STOP");
}

TEST_F(SessionFile, PlotTypeSignsAndRelativeIntensity)
{
    for (SInt16 plotType : {SInt16{-3}, SInt16{0}, SInt16{4}}) {
        doc->plotSpecs.plotType = plotType;
        doc->plotSpecs.relativeIntensity = false;
        auto back = CreateWindowInfo(PrefDataRec{});
        ASSERT_TRUE(Read(Written(doc.get()), back.get()));
        EXPECT_EQ(back->plotSpecs.plotType, plotType);
        EXPECT_TRUE(back->plotSpecs.relativeIntensity);  // always on after reading
    }
}

TEST_F(SessionFile, EllipsoidsOnlyWhenTheCrystalHasThem)
{
    CrystalDataRec& xp = *doc->plotList[0]->crystal;
    auto back = CreateWindowInfo(PrefDataRec{});
    ASSERT_TRUE(Read(Written(doc.get()), back.get()));
    const InputDataRec& uiso = back->plotList[0]->crystal->AU[1];
    EXPECT_EQ(uiso.adpType, kADPTypeUiso);
    EXPECT_EQ(uiso.uIso, 0.5f);
    for (const auto& row : uiso.uAni)
        EXPECT_TRUE(row[0] == 0 && row[1] == 0 && row[2] == 0);  // only Uij and Bij sites store U values

    xp.hasEllipsoids = false;
    const ByteVector bytes = Written(doc.get());
    EXPECT_EQ(FindTag(bytes, "AUEL"), std::string::npos);
}

TEST_F(SessionFile, UnknownItemsAreSkippedEverywhere)
{
    const ByteVector plain = Written(doc.get());
    const ByteVector extra = {'Z', 'Z', 'Z', 'Z', 0, 0, 0, 5, 'h', 'e', 'l', 'l', 'o'};
    ByteVector bytes = plain;
    // Inserted from the back, so that earlier offsets stay valid: top level, a pattern block,
    // the plot block and the window block.
    for (std::size_t at : {FindTag(plain, "PAT?") + 10, FindTag(plain, "nPAT") + 12, FindTag(plain, "PLT_") + 8,
                           FindTag(plain, "WIN_") + 8})
        bytes.insert(bytes.begin() + static_cast<long>(at), extra.begin(), extra.end());
    auto back = CreateWindowInfo(PrefDataRec{});
    ASSERT_TRUE(Read(bytes, back.get())) << LastAlert();
    ASSERT_EQ(back->plotList.size(), 2u);
    ExpectCrystalsEqual(*back->plotList[0]->crystal, *doc->plotList[0]->crystal);
    EXPECT_EQ(back->filename, "Olivine study");
}

TEST_F(SessionFile, OldSessionsAreRefusedNewerOnesRead)
{
    const ByteVector plain = Written(doc.get());
    const std::size_t vers = FindTag(plain, "VERS") + 8;
    for (const auto& [version, reads] : {std::pair{"5.0.0a99", false}, std::pair{"4.1.2", false},
                                         std::pair{"5.0.0b1", true}, std::pair{"6.2.0", true}}) {
        ByteVector bytes = plain;
        std::fill(bytes.begin() + static_cast<long>(vers), bytes.begin() + static_cast<long>(vers) + 10, 0);
        std::memcpy(bytes.data() + vers, version, std::strlen(version));
        auto back = CreateWindowInfo(PrefDataRec{});
        sink.Clear();
        EXPECT_EQ(Read(bytes, back.get()), reads) << version;
        EXPECT_EQ(LastAlert(), reads ? "" : "Cant_Find_File") << version;
        EXPECT_EQ(back->plotList.size(), reads ? 2u : 0u);
    }
}

TEST_F(SessionFile, DamagedFilesAreRefusedAndChangeNothing)
{
    const ByteVector plain = Written(doc.get());
    auto patched32 = [&](const char* tag, std::size_t offset, std::uint32_t value) {
        ByteVector b = plain;
        SetBigEndian32(b, FindTag(plain, tag) + offset, value);
        return b;
    };
    auto patched8 = [&](const char* tag, std::size_t offset, std::uint8_t value) {
        ByteVector b = plain;
        b[FindTag(plain, tag) + offset] = value;
        return b;
    };
    const struct {
        const char* name;
        ByteVector bytes;
    } cases[] = {
        {"atom count of billions", patched32("Atom", 8, 0xFFFFFFFF)},
        {"point count of billions", patched32("Data", 8, 0x7FFFFFFF)},
        {"site count of billions", patched32("AUni", 8, 0x7FFFFFFF)},
        {"negative site count", patched32("AUni", 8, 0xFFFFFFFE)},
        {"label longer than the field", patched8("AUni", 8 + 4 + 2 + 18, 200)},
        {"space group longer than the field", patched32("Spgr", 4, 50)},
        {"item length past the end", patched32("Size", 4, 0x7FFFFFFF)},
        {"NaN x range", patched32("RANG", 8, std::bit_cast<std::uint32_t>(std::numeric_limits<float>::quiet_NaN()))},
        {"second wavelength of weight 0", patched32("WAVL", 8 + 14, 0)},
        {"infinite atom coordinate",
         patched32("Atom", 12, std::bit_cast<std::uint32_t>(std::numeric_limits<float>::infinity()))},
        {"site beyond the atoms", patched32("AUni", 8 + 4 + 2 + 18 + 8 + 12, 3)},
        {"ellipsoids of another site count", patched32("AUEL", 8, 3)},
        {"unknown displacement type", patched8("AUEL", 8 + 4 + 1, 9)},
        {"pattern of unknown kind", patched8("PAT?", 9, 7)},
        {"cell of zero volume", patched32("Cell", 8 + 12, std::bit_cast<std::uint32_t>(180.0f))},
        {"not a session", patched8("VLMF", 0, 'X')},
        {"garbage version", patched8("VERS", 9, '#')},
        {"no end", ByteVector(plain.begin(), plain.end() - 4)},
    };
    auto back = CreateWindowInfo(PrefDataRec{});
    back->filename = "kept";
    back->plotSpecs.lambda = 0.7093f;
    VLPatternPtr existing = InsertPatternIntoFileListSorted(back.get(), DatasetPattern());
    InsertPatternIntoPlotList(back.get(), existing, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sink.Clear();
        EXPECT_FALSE(Read(c.bytes, back.get()));
        EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 1);
        EXPECT_EQ(back->filename, "kept");
        EXPECT_EQ(back->plotSpecs.lambda, 0.7093f);
        EXPECT_EQ(back->fileList.size(), 1u);
        EXPECT_EQ(back->plotList, std::vector<VLPatternPtr>{existing});
    }
    // Cut short anywhere (every 5th length, to keep the run short).
    for (std::size_t n = 0; n < plain.size() - 4; n += 5) {
        sink.Clear();
        EXPECT_FALSE(Read(ByteVector(plain.begin(), plain.begin() + static_cast<long>(n)), back.get())) << n;
        EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 1) << n;
        EXPECT_EQ(back->plotList.size(), 1u);
    }
}

TEST_F(SessionFile, NothingIsWrittenForAnEmptyPlotListAndAFailedWriteKeepsTheOldFile)
{
    TempFolder folder;
    ASSERT_EQ(WriteSessionFile(doc.get(), folder / "s.vlmf", state), kNoErr);
    const ByteVector before = ReadFileBytes(folder / "s.vlmf");
    auto empty = CreateWindowInfo(PrefDataRec{});
    EXPECT_NE(WriteSessionFile(empty.get(), folder / "s.vlmf"), kNoErr);
    EXPECT_EQ(ReadFileBytes(folder / "s.vlmf"), before);
    // A folder in the way of the target: refused with its own message, the folder stays, nothing
    // is left over.
    ASSERT_EQ(::mkdir((folder / "dir.vlmf").c_str(), 0700), 0);
    EXPECT_EQ(WriteSessionFile(doc.get(), folder / "dir.vlmf", state), kNotAFileErr);
    EXPECT_EQ(LastAlert(), "Output_Is_Folder");
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"dir.vlmf", "s.vlmf"}));
    EXPECT_EQ(doc->sessionFilePtr, folder / "s.vlmf");
}

TEST(SessionWindowBounds, MinimumSizeAndMoveOntoTheScreen)
{
    const Rect screen{22, 0, 900, 1440};
    struct Case {
        Rect stored, placed;
    };
    const Case cases[] = {
        {{100, 200, 700, 1000}, {100, 200, 700, 1000}},   // on screen and large enough: unchanged
        {{100, 200, 120, 300}, {100, 200, 250, 780}},     // too small: 580 × 150 at the same place
        {{-400, -900, -100, -100}, {22, 0, 322, 800}},    // off screen: to the screen's corner
        {{950, 100, 1100, 900}, {22, 0, 172, 800}},       // below the screen
        {{100, 1440, 400, 2000}, {22, 0, 322, 580}},      // right of the screen, too narrow
        {{300, 300, 200, 200}, {300, 300, 450, 880}},     // reversed: minimum size
    };
    for (const Case& c : cases)
        EXPECT_EQ(DoSessionWindowBounds(c.stored, screen), c.placed)
            << c.stored.top << "," << c.stored.left << "," << c.stored.bottom << "," << c.stored.right;
}

TEST_F(SessionFile, BackgroundBAndCHaveTheirOwnItemThatOlderFilesLack)
{
    const ByteVector bytes = Written(doc.get());
    const std::size_t at = FindTag(bytes, "BgBC");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(BigEndian32At(bytes, at + 4), 8u);
    EXPECT_EQ(BigEndian32At(bytes, at + 8), 0xBE000000u);   // −0.125
    EXPECT_EQ(BigEndian32At(bytes, at + 12), 0x43AA0000u);  // 340
    // A file without the item (as older versions wrote) reads with B = C = 0.
    ByteVector old = bytes;
    old.erase(old.begin() + static_cast<long>(at), old.begin() + static_cast<long>(at + 16));
    auto back = CreateWindowInfo(PrefDataRec{});
    ASSERT_TRUE(Read(old, back.get())) << LastAlert();
    EXPECT_EQ(back->plotList[0]->crystal->baseCoefs[0], 0.0f);
    EXPECT_EQ(back->plotList[0]->crystal->baseCoefs[1], 0.0f);
    EXPECT_EQ(back->plotList[0]->crystal->yOffset, 12.5f);
}

TEST_F(SessionFile, AnomalousScatteringHasItsOwnItemThatOlderFilesLack)
{
    const ByteVector bytes = Written(doc.get());
    const std::size_t at = FindTag(bytes, "ANOM");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(BigEndian32At(bytes, at + 4), 1u);
    EXPECT_EQ(bytes[at + 8], 1);
    // Without the item (as older versions wrote) the option is off and everything else is read.
    ByteVector old = bytes;
    old.erase(old.begin() + static_cast<long>(at), old.begin() + static_cast<long>(at + 9));
    auto back = CreateWindowInfo(PrefDataRec{});
    ASSERT_TRUE(Read(old, back.get())) << LastAlert();
    EXPECT_FALSE(back->plotSpecs.anomalous);
    EXPECT_EQ(back->plotSpecs.eta, 0.35f);
}

// The site blocks are read field by field and must use up exactly the length they declare: four
// bytes more inside either (its length grown to match) make the file damaged, not read in part.
TEST_F(SessionFile, TrailingBytesInsideASiteBlockAreRefused)
{
    const ByteVector plain = Written(doc.get());
    for (const char* tag : {"AUni", "AUEL"}) {
        SCOPED_TRACE(tag);
        const std::size_t at = FindTag(plain, tag);
        const std::uint32_t length = (std::uint32_t(plain[at + 4]) << 24) | (std::uint32_t(plain[at + 5]) << 16) |
                                     (std::uint32_t(plain[at + 6]) << 8) | std::uint32_t(plain[at + 7]);
        ByteVector bytes = plain;
        SetBigEndian32(bytes, at + 4, length + 4);
        const ByteVector extra = {0, 0, 0, 1};
        bytes.insert(bytes.begin() + static_cast<long>(at + 8 + length), extra.begin(), extra.end());
        auto back = CreateWindowInfo(PrefDataRec{});
        back->filename = "kept";
        sink.Clear();
        EXPECT_FALSE(Read(bytes, back.get()));
        EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 1);
        EXPECT_EQ(back->filename, "kept");
        EXPECT_TRUE(back->plotList.empty());
    }
}
