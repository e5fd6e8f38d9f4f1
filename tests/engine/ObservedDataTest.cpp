// Observed-data text files and file kinds by extension.
#include "Document.h"
#include "FileTestSupport.h"
#include "FileTypes.h"
#include "ObservedData.h"

#include <gtest/gtest.h>

namespace {

class ObservedData : public FileFormatTest {
protected:
    // Reads as a caller does: the reader's problems are shown afterwards.
    bool Read(const std::string& text)
    {
        dataset = CreateDataset(PrefDataRec{});
        FileHandle file = StreamOf(text);
        FileProblems problems;
        const bool read = ReadDatasetStream(doc.get(), dataset.get(), file.get(), PrefDataRec{}, problems);
        ShowProblems(problems);
        return read;
    }
    VLPatternPtr Load(const std::string& path)
    {
        FileProblems problems;
        VLPatternPtr p = LoadPatternFromDatasetFile(doc.get(), path, PrefDataRec{}, problems);
        ShowProblems(problems);
        return p;
    }
    std::unique_ptr<WinInfoRec> doc = CreateWindowInfo(PrefDataRec{});
    std::unique_ptr<ObsDataRec> dataset;
};

}  // namespace

TEST_F(ObservedData, HeaderLineSkippedBlankAndTabSeparatedPointsRead)
{
    ASSERT_TRUE(Read("2theta intensity\n10.0 5\n10.02\t7.5\n"));
    ASSERT_EQ(dataset->nData(), 2);
    EXPECT_EQ(dataset->x[1], 10.02f);
    EXPECT_EQ(dataset->profile[1], 7.5f);
    EXPECT_EQ(dataset->xmin, 10.0f);
    EXPECT_EQ(dataset->xmax, 10.02f);
    EXPECT_EQ(dataset->ymin, 5.0f);
    EXPECT_EQ(dataset->ymax, 7.5f);
    EXPECT_EQ(dataset->plotColor, gMenuFileColor[0]);
}

TEST_F(ObservedData, WhichLinesAreDataPoints)
{
    struct Case {
        const char* line;
        bool data;
        float x, y;
    };
    const Case cases[] = {
        {"1e1 2E0 and a comment", true, 10, 2},
        {"  \t 3.5   -4", true, 3.5f, -4},
        {"1.5-2", true, 1.5f, -2},   // "%f %f" needs no blank between the numbers
        {"+.5 6.", true, 0.5f, 6},
        {"10,5", false, 0, 0},       // one number, then a comma
        {"10;5", false, 0, 0},
        {"7", false, 0, 0},
        {"x 1 2", false, 0, 0},
        {"nan 1", false, 0, 0},      // not a measurement
        {"1 inf", false, 0, 0},
        {"1e39 1", false, 0, 0},     // beyond single precision
        {"", false, 0, 0},
    };
    for (const Case& c : cases) {
        Float32 x = -99, y = -99;
        EXPECT_EQ(ParseDataLine(c.line, &x, &y), c.data) << c.line;
        if (c.data) {
            EXPECT_EQ(x, c.x) << c.line;
            EXPECT_EQ(y, c.y) << c.line;
        }
    }
}

TEST_F(ObservedData, LineEndsOfEveryKindAndLongLines)
{
    // CR, LF and CR LF; a line of 300 characters keeps its first 254, and the next line is read.
    const std::string longLine = "20 30" + std::string(295, ' ') + "\n";
    ASSERT_TRUE(Read("1 2\r3 4\r\n5 6\n" + longLine + "7 8"));
    ASSERT_EQ(dataset->nData(), 5);
    EXPECT_EQ(dataset->x[2], 5.0f);
    EXPECT_EQ(dataset->x[3], 20.0f);
    EXPECT_EQ(dataset->profile[4], 8.0f);
}

TEST_F(ObservedData, FilesWithoutPointsAreRefused)
{
    for (const char* text : {"", "10,5\n11,6\n", "no numbers here\n\n"}) {
        sink.Clear();
        EXPECT_FALSE(Read(text)) << text;
        EXPECT_EQ(LastAlert(), "No_Data_In_File");
        EXPECT_EQ(dataset->nData(), 0);
    }
}

TEST_F(ObservedData, DecimalPointWhateverTheLocale)
{
    ScopedCommaLocale comma;
    ASSERT_TRUE(comma.ok()) << "the de_DE.UTF-8 locale is missing (scripts/setup generates it)";
    ASSERT_TRUE(Read("12.5 100.25\n12,5 100,25\n"));
    ASSERT_EQ(dataset->nData(), 1);
    EXPECT_EQ(dataset->x[0], 12.5f);
    EXPECT_EQ(dataset->profile[0], 100.25f);
}

TEST_F(ObservedData, LoadingAddsAPlottedPatternOrNothing)
{
    TempFolder folder;
    WriteFileBytes(folder / "quartz.xy", ByteVector{'1', ' ', '2', '\n'});
    WriteFileBytes(folder / "empty.txt", {});
    VLPatternPtr p = Load(folder / "quartz.xy");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->type, kPatternTypeDataset);
    EXPECT_EQ(p->name, "quartz.xy");
    EXPECT_EQ(p->filePtr, folder / "quartz.xy");
    EXPECT_EQ(doc->plotList, std::vector<VLPatternPtr>{p});

    EXPECT_EQ(Load(folder / "empty.txt"), nullptr);
    EXPECT_EQ(Load(folder / "absent.txt"), nullptr);
    EXPECT_EQ(LastAlert(), "Error_Opening_File");
    EXPECT_EQ(doc->fileList.size(), 1u);
    EXPECT_EQ(doc->nextPlotColor, 1);
}

TEST(FileTypes, KindByExtension)
{
    struct Case {
        const char* path;
        UInt32 code;
    };
    const Case cases[] = {
        {"/data/quartz.txt", kFileTypeTEXT},
        {"/data/quartz.TXT", 0},  // compared exactly, in lower case
        {"quartz.dat", kFileTypeTEXT},
        {"quartz.str", kFileTypeTEXT},
        {"quartz.obtx", kFileTypeTEXT},
        {"salt.obdf", FourCC("OBDF")},
        {"salt.obd5", FourCC("OBD5")},
        {"salt.obd5x", FourCC("OBD5")},  // the first four characters decide
        {"mol.obmf", FourCC("OBMF")},
        {"mol.obm5", FourCC("OBM5")},
        {"work.vlmf", kFileTypeVLMF},
        {"work.vlms", kFileTypeVLMs},
        {"work.tx", 0},
        {"work.text", 0},
        {"noextension", 0},
        {"/data/.dat", 0},
        {"/data.dir/file", 0},
        {"archive.txt.gz", 0},
    };
    for (const Case& c : cases) {
        UInt32 code = 0xFFFFFFFF;
        EXPECT_EQ(MyGetFileType(c.path, &code), kNoErr) << c.path;
        EXPECT_EQ(code, c.code) << c.path;
    }
    UInt32 code = 1;
    EXPECT_EQ(MyGetFileType("", &code), kParamErr);
    EXPECT_EQ(code, 0u);
}
