// The preferences file: round trips, location, optional window block, older forms.
#include "FileTestSupport.h"
#include "PrefsFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

PrefDataRec UnusualPrefs()
{
    PrefDataRec p;
    p.windowBounds = Rect{50, 70, 650, 1070};
    p.showToolbar = false, p.showParameters = false, p.showFiles = true;
    PlotSpecsRec& ps = p.plotSpecs;
    ps.plotType = -4, ps.axisType = kAxisEnergy, ps.overlayPeakStyle = 3, ps.filmThreshold = 44;
    ps.showGrids = false, ps.relativeIntensity = false, ps.xmin = 3, ps.xmax = 33, ps.ymin = 1, ps.ymax = 2;
    ps.xminLimit = 1, ps.xmaxLimit = 99, ps.fwhm = 0.2f, ps.monochromatic = false, ps.radType = kRadiationNeutrons;
    ps.lambda = 0.7093f, ps.lambda2 = 0.71359f, ps.lambdaRatio = 2.5f, ps.dMin = 0.6f, ps.maxNumRefs = 777;
    ps.thetaEnergy = 0.09f, ps.eta = 0.6f, ps.residualColor = {4, 5, 6}, ps.crystalMixLineWidth = 3.5f;
    ps.plotMixture = true;
    p.crystalColor = {0x1111, 0x2222, 0x3333}, p.crystalPlotStyle = 7, p.crystalLineStyle = 1;
    p.crystalLineWidth = 2.5f, p.crystalMarkerSize = 6;
    p.datasetColor = {0x4444, 0x5555, 0x6666}, p.datasetPlotStyle = 2, p.datasetLineStyle = 1;
    p.datasetLineWidth = 0.75f, p.datasetMarkerSize = 8;
    p.particleSize = 1234, p.strain = 0.004f;
    p.showLabel = true, p.labelThreshold = 17;
    p.labelHKL = false, p.labelDSpacings = true, p.labelTwoTheta = false, p.labelPhases = true;
    p.updateCheckAuto = false, p.updateCheckInterval = 604800, p.updateCheckLastCheck = 7.5e8 + 0.25;
    p.updateCheckLastUpdate = 501203, p.updateCheckLastUpgrade = 600100;
    return p;
}

void ExpectPrefsEqual(const PrefDataRec& a, const PrefDataRec& b)
{
    using R = PrefDataRec;
    ExpectMembersEqual(a, b, &R::windowBounds, &R::showToolbar, &R::showParameters, &R::showFiles, &R::crystalColor,
                       &R::crystalPlotStyle, &R::crystalLineStyle, &R::crystalLineWidth, &R::crystalMarkerSize,
                       &R::datasetColor, &R::datasetPlotStyle, &R::datasetLineStyle, &R::datasetLineWidth,
                       &R::datasetMarkerSize, &R::particleSize, &R::strain, &R::showLabel, &R::labelThreshold,
                       &R::labelHKL, &R::labelDSpacings, &R::labelTwoTheta, &R::labelPhases, &R::updateCheckAuto,
                       &R::updateCheckInterval, &R::updateCheckLastCheck, &R::updateCheckLastUpdate,
                       &R::updateCheckLastUpgrade);
    // The plot items are those of sessions, except that relativeIntensity is kept as stored.
    using P = PlotSpecsRec;
    ExpectMembersEqual(a.plotSpecs, b.plotSpecs, &P::plotType, &P::axisType, &P::overlayPeakStyle, &P::filmThreshold,
                       &P::showGrids, &P::relativeIntensity, &P::xmin, &P::xmax, &P::ymin, &P::ymax, &P::xmaxLimit,
                       &P::monochromatic, &P::radType, &P::lambda, &P::lambda2, &P::lambdaRatio, &P::dMin,
                       &P::maxNumRefs, &P::thetaEnergy, &P::eta, &P::residualColor, &P::crystalMixLineWidth,
                       &P::plotMixture);
}

ByteVector Written(const PrefDataRec& p, bool withWindow)
{
    FileHandle file(std::tmpfile());
    EXPECT_EQ(WritePrefsStream(file.get(), p, withWindow), kNoErr);
    return StreamBytes(file.get());
}

bool Read(const ByteVector& bytes, PrefDataRec* into)
{
    FileHandle file = StreamOf(bytes);
    return ReadPrefsStream(file.get(), into);
}

std::size_t FindTag(const ByteVector& bytes, const char* tag)
{
    const auto it = std::search(bytes.begin(), bytes.end(), tag, tag + 4);
    return it == bytes.end() ? std::string::npos : static_cast<std::size_t>(it - bytes.begin());
}

class PrefsFile : public FileFormatTest {};

}  // namespace

TEST_F(PrefsFile, EveryFieldRoundTrips)
{
    const PrefDataRec written = UnusualPrefs();
    PrefDataRec back = gFactoryPrefs;
    ASSERT_TRUE(Read(Written(written, true), &back));
    ExpectPrefsEqual(back, written);
}

TEST_F(PrefsFile, WithoutAWindowTheWindowDefaultsAreNotStored)
{
    const ByteVector bytes = Written(UnusualPrefs(), false);
    EXPECT_EQ(FindTag(bytes, "WIN_"), std::string::npos);
    PrefDataRec back = gFactoryPrefs;
    ASSERT_TRUE(Read(bytes, &back));
    EXPECT_EQ(back.windowBounds, gFactoryPrefs.windowBounds);
    EXPECT_EQ(back.showToolbar, gFactoryPrefs.showToolbar);
    EXPECT_EQ(back.particleSize, 1234.0f);
}

TEST_F(PrefsFile, RangeDeclaresItsTrueLengthAndOlderFormsAreRead)
{
    ByteVector bytes = Written(UnusualPrefs(), true);
    const std::size_t rang = FindTag(bytes, "RANG");
    EXPECT_EQ(bytes[rang + 7], 16);
    // Before 5.1.0b3 the last check was whole seconds in four bytes.
    const std::size_t atim = FindTag(bytes, "ATim");
    ASSERT_EQ(bytes[atim + 7], 8);
    bytes[atim + 7] = 4;
    const std::uint8_t seconds[4] = {0x2C, 0xB4, 0x17, 0x80};  // 750000000
    std::copy(seconds, seconds + 4, bytes.begin() + static_cast<long>(atim) + 8);
    bytes.erase(bytes.begin() + static_cast<long>(atim) + 12, bytes.begin() + static_cast<long>(atim) + 16);
    PrefDataRec back = gFactoryPrefs;
    ASSERT_TRUE(Read(bytes, &back));
    EXPECT_EQ(back.updateCheckLastCheck, 750000000.0);
    EXPECT_EQ(back.updateCheckLastUpgrade, 600100);  // the items after it were read in step
}

TEST_F(PrefsFile, UnknownItemsAreSkipped)
{
    const ByteVector plain = Written(UnusualPrefs(), true);
    const ByteVector extra = {'N', 'E', 'W', '!', 0, 0, 0, 3, 1, 2, 3};
    ByteVector bytes = plain;
    for (std::size_t at : {FindTag(plain, "UPD_") + 8, FindTag(plain, "UPD_"), FindTag(plain, "PLT_") + 8,
                           FindTag(plain, "WIN_") + 8, FindTag(plain, "VERS")})
        bytes.insert(bytes.begin() + static_cast<long>(at), extra.begin(), extra.end());
    PrefDataRec back = gFactoryPrefs;
    ASSERT_TRUE(Read(bytes, &back));
    ExpectPrefsEqual(back, UnusualPrefs());
}

TEST_F(PrefsFile, DamagedFileChangesNothing)
{
    const ByteVector plain = Written(UnusualPrefs(), true);
    ByteVector nan = plain;
    const std::size_t fwhm = FindTag(plain, "FWHM") + 8;
    std::fill(nan.begin() + static_cast<long>(fwhm), nan.begin() + static_cast<long>(fwhm) + 4, 0xFF);
    for (const ByteVector& bytes :
         {nan, ByteVector(plain.begin(), plain.begin() + static_cast<long>(FindTag(plain, "Strn") + 10))}) {
        PrefDataRec back = gFactoryPrefs;
        EXPECT_FALSE(Read(bytes, &back));
        EXPECT_EQ(back.particleSize, gFactoryPrefs.particleSize);
        EXPECT_EQ(back.plotSpecs.lambda, gFactoryPrefs.plotSpecs.lambda);
    }
}

TEST_F(PrefsFile, SavedInTheUsersConfigurationFolder)
{
    TempFolder home;
    ScopedEnv config("XDG_CONFIG_HOME", home / "config");
    EXPECT_EQ(PrefsFilePath(), home / "config/velmora/Velmora 5 Prefs");
    PrefDataRec read;
    EXPECT_FALSE(ExtractUserPrefs(read));  // no file yet: the values there stay
    EXPECT_EQ(read.plotSpecs.lambda2, gFactoryPrefs.plotSpecs.lambda2);

    PrefDataRec saved = UnusualPrefs();
    saved.plotSpecs.showCursor = true;
    const Rect front{10, 20, 610, 1020};
    ASSERT_TRUE(CreateAndSavePrefsFile(saved, &front));
    EXPECT_FALSE(saved.plotSpecs.showCursor);
    EXPECT_EQ(saved.windowBounds, front);

    ASSERT_TRUE(ExtractUserPrefs(read));
    EXPECT_EQ(read.windowBounds, front);
    EXPECT_FALSE(read.plotSpecs.showCursor);
    EXPECT_EQ(read.plotSpecs.lambda2, 0.71359f);
    // The program's own preferences are only what the caller hands over.
    EXPECT_EQ(gPrefs.plotSpecs.lambda2, gFactoryPrefs.plotSpecs.lambda2);
    EXPECT_EQ(gPrefs.windowBounds, gFactoryPrefs.windowBounds);

    // Without XDG_CONFIG_HOME the folder is under HOME.
    ScopedEnv unsetXdg("XDG_CONFIG_HOME", "relative/is/ignored");
    ScopedEnv homeVar("HOME", home.path());
    EXPECT_EQ(PrefsFolderPath(), home / ".config/velmora");
}
