// Measured patterns in vendor formats: a Bruker RAW file against its text export, the ranges and
// point order of a dataset, multi-block files, refusals, and independence from the locale.
#include "Globals.h"
#include "FileTypes.h"
#include "MeasuredDataImport.h"
#include "Status.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string FileContents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Two ranges of a Bruker UXD file: four counts from 10° in steps of 0.5°, two from 20° in steps of 1°.
const char* const kTwoRangeUxd = "; two ranges\n_FILEVERSION=1\n\n"
                                 "_DRIVE=\"COUPLED\"\n_STEPSIZE=0.5\n_START=10.0\n_COUNTS\n 10 20 30\n 40\n\n"
                                 "_DRIVE=\"COUPLED\"\n_STEPSIZE=1.0\n_START=20.0\n_COUNTS\n 5 6\n";

class MeasuredDataImport : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitVLGlobals();
        gPrefs = gFactoryPrefs;
    }
    RecordingStatusSink sink;
    ScopedThreadStatusSink scoped{&sink};
};

}  // namespace

TEST_F(MeasuredDataImport, BrukerRawEqualsItsTextExportPointForPoint)
{
    MeasuredDataResult raw = ReadMeasuredDataFile(VELMORA_TEST_DATA_DIR "/LaB6_Jan2018.raw", PrefDataRec{});
    MeasuredDataResult text = ReadMeasuredDataFile(VELMORA_TEST_DATA_DIR "/lab6_jan2018_cuka12.xy", PrefDataRec{});
    ASSERT_FALSE(raw.problem) << DescribeImportProblem(raw.problem);
    ASSERT_FALSE(text.problem) << DescribeImportProblem(text.problem);
    EXPECT_EQ(raw.formatName, "Siemens/Bruker RAW");
    ASSERT_EQ(raw.dataset->nData(), 3040);
    ASSERT_EQ(text.dataset->nData(), 3040);
    for (AtomIndex i = 0; i < 3040; ++i) {
        // The export writes 2θ with six decimals and the counts in full.
        EXPECT_NEAR(raw.dataset->x[i], text.dataset->x[i], 2e-5) << i;
        EXPECT_EQ(raw.dataset->profile[i], text.dataset->profile[i]) << i;
    }
    // The header's start and step: 10° + 3039 × 0.0197448°.
    EXPECT_FLOAT_EQ(raw.dataset->xmin, 10.0f);
    EXPECT_NEAR(raw.dataset->xmax, 10.0 + 3039 * 0.0197448, 1e-3);
    EXPECT_EQ(raw.numBlocks, 1);
    EXPECT_TRUE(raw.note.empty());
}

TEST_F(MeasuredDataImport, RangesAndOrderAreThoseOfTheFile)
{
    MeasuredDataResult r = ReadMeasuredData("# 2theta intensity\n10.0 5\n10.02\t7.5\n9.5 3 0.2\n", "scan.xye", PrefDataRec{});
    ASSERT_FALSE(r.problem) << DescribeImportProblem(r.problem);
    const ObsDataRec& dp = *r.dataset;
    ASSERT_EQ(dp.nData(), 3);
    EXPECT_FLOAT_EQ(dp.x[2], 9.5f);  // not sorted
    EXPECT_FLOAT_EQ(dp.profile[1], 7.5f);
    EXPECT_FLOAT_EQ(dp.xmin, 9.5f);
    EXPECT_FLOAT_EQ(dp.xmax, 10.02f);
    EXPECT_FLOAT_EQ(dp.ymin, 3.0f);
    EXPECT_FLOAT_EQ(dp.ymax, 7.5f);
    EXPECT_EQ(dp.xOffset, 0.0f);
    EXPECT_EQ(dp.relScale, 1.0f);
}

TEST_F(MeasuredDataImport, MultiBlockFileReadsTheChosenBlockAndSaysWhich)
{
    MeasuredDataResult first = ReadMeasuredData(kTwoRangeUxd, "scan.uxd", PrefDataRec{});
    ASSERT_FALSE(first.problem) << DescribeImportProblem(first.problem);
    EXPECT_EQ(first.numBlocks, 2);
    EXPECT_EQ(first.block, 0);
    ASSERT_EQ(first.dataset->nData(), 4);
    EXPECT_FLOAT_EQ(first.dataset->x[3], 11.5f);
    EXPECT_FLOAT_EQ(first.dataset->profile[3], 40.0f);
    EXPECT_NE(first.note.find("1 of 2"), std::string::npos) << first.note;

    MeasuredDataResult second = ReadMeasuredData(kTwoRangeUxd, "scan.uxd", PrefDataRec{}, 1);
    ASSERT_FALSE(second.problem);
    ASSERT_EQ(second.dataset->nData(), 2);
    EXPECT_FLOAT_EQ(second.dataset->xmin, 20.0f);
    EXPECT_NE(second.note.find("2 of 2"), std::string::npos) << second.note;

    EXPECT_EQ(ReadMeasuredData(kTwoRangeUxd, "scan.uxd", PrefDataRec{}, 2).problem.key, "Measured_Data_No_Such_Block");
}

TEST_F(MeasuredDataImport, UnreadableFilesAreRefusedWithAReason)
{
    const std::string raw = FileContents(VELMORA_TEST_DATA_DIR "/LaB6_Jan2018.raw");
    const struct {
        const char* what;
        std::string contents;
        const char* name;
        const char* key;
    } cases[] = {
        {"truncated RAW", raw.substr(0, 600), "cut.raw", "Measured_Data_Unreadable"},
        {"text named as RAW", "10 5\n11 6\n", "scan.raw", "Measured_Data_Unknown_Format"},
        {"no numbers", "just a note\n", "scan.xy", "Measured_Data_Unreadable"},
        {"empty", "", "scan.xy", "Measured_Data_Unreadable"},
        {"x only", "10\n11\n12\n", "scan.xy", "Measured_Data_No_Intensities"},
    };
    for (const auto& c : cases) {
        MeasuredDataResult r = ReadMeasuredData(c.contents, c.name, PrefDataRec{});
        EXPECT_EQ(r.problem.key, c.key) << c.what << ": " << DescribeImportProblem(r.problem);
        EXPECT_FALSE(r.dataset) << c.what;
    }
    EXPECT_EQ(ReadMeasuredDataFile("/nonexistent/scan.xy", PrefDataRec{}).problem.key, "Error_Opening_File");
}

// xylib reads text with the C library, which follows the process locale: under a decimal-comma
// locale "10.02" read as 10 and a whole file could lose every fraction.
TEST_F(MeasuredDataImport, DecimalCommaLocaleDoesNotChangeTheNumbers)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    ASSERT_TRUE(std::setlocale(LC_ALL, "de_DE.UTF-8")) << "scripts/setup generates the de_DE.UTF-8 locale";
    MeasuredDataResult r = ReadMeasuredData("10.25 5.5\n10.50 7.25\n", "scan.xy", PrefDataRec{});
    std::setlocale(LC_ALL, previous.c_str());
    ASSERT_FALSE(r.problem) << DescribeImportProblem(r.problem);
    ASSERT_EQ(r.dataset->nData(), 2);
    EXPECT_FLOAT_EQ(r.dataset->x[0], 10.25f);
    EXPECT_FLOAT_EQ(r.dataset->profile[1], 7.25f);
}

// The file-type table decides which files come through this importer.
static bool IsMeasuredDataFileName(const std::string& name)
{
    UInt32 code = 0;
    return MyGetFileType(name, &code) == kNoErr && code == kFileTypeXYDT;
}

TEST_F(MeasuredDataImport, ExtensionsLeaveCifAndTheTextReaderAlone)
{
    for (const char* name : {"scan.raw", "scan.XRDML", "scan.xye"})
        EXPECT_TRUE(IsMeasuredDataFileName(name)) << name;
    for (const char* name : {"quartz.cif", "scan.dat", "scan.txt", "scan", "dir.raw/scan"})
        EXPECT_FALSE(IsMeasuredDataFileName(name)) << name;
}

TEST_F(MeasuredDataImport, ShippedSyntheticPatternLoads)
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VELMORA_EXAMPLES_DIR)) {
        if (!IsMeasuredDataFileName(entry.path().string()))
            continue;
        ++count;
        MeasuredDataResult r = ReadMeasuredDataFile(entry.path().string(), PrefDataRec{});
        ASSERT_FALSE(r.problem) << entry.path() << ": " << DescribeImportProblem(r.problem);
        EXPECT_GT(r.dataset->nData(), 1000) << entry.path();
    }
    EXPECT_GE(count, 1);
}

// Found by fuzzing: a line starting "LAMMPS (" sent the text reader into a loop that never ended.
// Read strictly, the numbers after it are the data.
TEST_F(MeasuredDataImport, SimulationLogHeaderDoesNotHangTheTextReader)
{
    MeasuredDataResult r = ReadMeasuredData("LAMMPS (    316\n 10.42 293\n 10.44 279\n 10.46 293\n", "scan.xy", PrefDataRec{});
    ASSERT_FALSE(r.problem) << DescribeImportProblem(r.problem);
    ASSERT_EQ(r.dataset->nData(), 3);
    EXPECT_FLOAT_EQ(r.dataset->x[0], 10.42f);
    EXPECT_FLOAT_EQ(r.dataset->profile[2], 293.0f);
}
