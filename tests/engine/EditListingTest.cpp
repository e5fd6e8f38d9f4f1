// The listing window's rows: values and cell texts worked out by hand, columns per axis, the
// order of every column, the search texts, the clipboard text, and the saved text, whose rows
// carry the very values of the listing report.
#include "Diffraction.h"
#include "Document.h"
#include "EditListing.h"
#include "FileTestSupport.h"
#include "Reports.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> Tokens(const std::string& line)
{
    std::vector<std::string> tokens;
    std::istringstream in(line);
    for (std::string t; in >> t;)
        tokens.push_back(t);
    return tokens;
}

// The line of the listing's column heading (the line count when there is none).
std::size_t HeadingLine(const std::vector<std::string>& lines)
{
    const std::string heading = "ref no.   h   k   l   d(hkl)    2-Theta     Intensity  I/Imax   m     N";
    return static_cast<std::size_t>(std::find(lines.begin(), lines.end(), heading) - lines.begin());
}

std::string Text(const std::function<void(std::FILE*)>& write)
{
    FileHandle file(std::tmpfile());
    write(file.get());
    const ByteVector bytes = StreamBytes(file.get());
    return std::string(bytes.begin(), bytes.end());
}

// A crystal with four reflexions of chosen values (no sites: nothing is diffracted).
std::unique_ptr<CrystalDataRec> FourReflexions(float scale)
{
    auto xp = CreateCrystal(PrefDataRec{});
    xp->volFrac = 0.5f;
    xp->refs = {
        {1, 1, 1, 8, 3.1355f, 28.443f, 400.0f * scale, 0},
        {2, 0, 0, 6, 2.7155f, 32.958f, 1234.5f * scale, 0},
        {2, -2, 0, 12, 1.9201f, 47.303f, 800.0f * scale, 0},
        {3, 1, 1, 24, 1.6375f, 56.122f, 800.0f * scale, 0},
    };
    return xp;
}

TEST(ListingRows, CarryTheReflexionsScaledByTheVolumeFraction)
{
    const auto xp = FourReflexions(1);
    const std::vector<EditListingRowRec> rows = CreateEditListing(xp.get());
    ASSERT_EQ(rows.size(), 4u);
    // I = inty × 0.5; Imax = 617.25; I/Imax = 100 I / 617.25.
    const double expectedRel[4] = {200.0 / 617.25 * 100, 100, 400.0 / 617.25 * 100, 400.0 / 617.25 * 100};
    const UInt32 expectedN[4] = {3, 4, 8, 11};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(rows[i].num, i + 1);
        EXPECT_EQ(rows[i].n, expectedN[i]);
        EXPECT_FLOAT_EQ(rows[i].inty, xp->refs[i].inty * 0.5f);
        EXPECT_NEAR(rows[i].intyRel, expectedRel[i], 1e-4);
        EXPECT_EQ(rows[i].dsp, xp->refs[i].dsp);
        EXPECT_EQ(rows[i].x, xp->refs[i].tth);
        EXPECT_EQ(rows[i].m, xp->refs[i].mul);
    }
    EXPECT_EQ(rows[2].k, -2);
}

TEST(ListingRows, AllZeroIntensitiesListThemselvesAsRelative)
{
    const auto xp = FourReflexions(0);
    for (const EditListingRowRec& r : CreateEditListing(xp.get()))
        EXPECT_EQ(r.intyRel, r.inty);
    EXPECT_TRUE(CreateEditListing(nullptr).empty());
}

TEST(ListingRows, CellTextsInTheTablesFormats)
{
    EditListingRowRec r;
    r.num = 7, r.h = -1, r.k = 2, r.l = 10, r.n = 105;
    r.dsp = 1.23456789f, r.x = 76.54321f, r.inty = 1234.5f, r.intyRel = 45.67f, r.m = 24;
    EXPECT_EQ(ListingCellText(r, ListingColumn::Index), "7.");
    EXPECT_EQ(ListingCellText(r, ListingColumn::H), "-1");
    EXPECT_EQ(ListingCellText(r, ListingColumn::L), "10");
    EXPECT_EQ(ListingCellText(r, ListingColumn::DSpacing), "1.23457");
    EXPECT_EQ(ListingCellText(r, ListingColumn::Position), "76.5432");
    EXPECT_EQ(ListingCellText(r, ListingColumn::Intensity), " 1.23450e+03");
    EXPECT_EQ(ListingCellText(r, ListingColumn::RelativeIntensity), "45.7");
    EXPECT_EQ(ListingCellText(r, ListingColumn::Multiplicity), "24");
    EXPECT_EQ(ListingCellText(r, ListingColumn::N), "105");
    // The clipboard drops the padding and the index's full stop.
    const std::vector<EditListingRowRec> rows = {r};
    EXPECT_EQ(ListingCopyText(rows, {0}, ListingColumns(kAxisTwoTheta)),
              "7\t-1\t2\t10\t1.23457\t76.5432\t1.23450e+03\t45.7\t24\t105\n");
}

TEST(ListingColumns, ThePositionColumnFollowsTheAxis)
{
    const std::pair<SInt16, const char*> titles[] = {
        {kAxisTwoTheta, "Two Theta"}, {kAxisReciprocalD, "1/d"}, {kAxisTimeOfFlight, "Time-of-Flight"},
        {kAxisEnergy, "Energy"}, {7, "x"}};
    for (const auto& [axis, title] : titles) {
        EXPECT_EQ(ListingColumns(axis).size(), 10u);
        EXPECT_EQ(ListingColumnTitle(ListingColumn::Position, axis), title);
    }
    const std::vector<ListingColumn> d = ListingColumns(kAxisDSpacing);
    EXPECT_EQ(d.size(), 9u);
    EXPECT_EQ(std::find(d.begin(), d.end(), ListingColumn::Position), d.end());
}

TEST(ListingOrder, EveryColumnSortsAndTiesKeepTheArrayOrder)
{
    const auto xp = FourReflexions(1);
    const std::vector<EditListingRowRec> rows = CreateEditListing(xp.get());
    using C = ListingColumn;
    const struct {
        C column;
        std::vector<UInt32> ascending, descending;
    } cases[] = {
        {C::Index, {0, 1, 2, 3}, {3, 2, 1, 0}},
        {C::H, {0, 1, 2, 3}, {3, 1, 2, 0}},
        {C::K, {2, 1, 0, 3}, {0, 3, 1, 2}},
        {C::L, {1, 2, 0, 3}, {0, 3, 1, 2}},
        {C::DSpacing, {3, 2, 1, 0}, {0, 1, 2, 3}},
        {C::Position, {0, 1, 2, 3}, {3, 2, 1, 0}},
        {C::Intensity, {0, 2, 3, 1}, {1, 2, 3, 0}},
        {C::RelativeIntensity, {0, 2, 3, 1}, {1, 2, 3, 0}},
        {C::Multiplicity, {1, 0, 2, 3}, {3, 2, 0, 1}},
        {C::N, {0, 1, 2, 3}, {3, 2, 1, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ListingRowOrder(rows, c.column, true), c.ascending) << static_cast<int>(c.column);
        EXPECT_EQ(ListingRowOrder(rows, c.column, false), c.descending) << static_cast<int>(c.column);
    }
}

TEST(ListingSearch, IndicesAndDRanges)
{
    using K = ListingFilter::Kind;
    const struct {
        const char* text;
        K kind;
        int h, k, l;  // 99: any
        double low, high;
    } cases[] = {
        {"", K::All, 0, 0, 0, 0, 0},
        {"  ", K::All, 0, 0, 0, 0, 0},
        {"1 1 1", K::Indices, 1, 1, 1, 0, 0},
        {"1,-1,0", K::Indices, 1, -1, 0, 0, 0},
        {"(2 -2 0)", K::Indices, 2, -2, 0, 0, 0},
        {"113", K::Indices, 1, 1, 3, 0, 0},
        {"1-10", K::Indices, 1, -1, 0, 0, 0},
        {"0 0 *", K::Indices, 0, 0, 99, 0, 0},
        {"h k l", K::Indices, 99, 99, 99, 0, 0},
        {"h 0 0", K::Indices, 99, 0, 0, 0, 0},
        {"12 0 0", K::Indices, 12, 0, 0, 0, 0},
        {"1.2-2.5", K::DRange, 0, 0, 0, 1.2, 2.5},
        {"2.5 .. 1.2", K::DRange, 0, 0, 0, 1.2, 2.5},
        {"d 1.2 to 2.5", K::DRange, 0, 0, 0, 1.2, 2.5},
        {"1 2", K::DRange, 0, 0, 0, 1, 2},
        {"d > 1.5", K::DRange, 0, 0, 0, 1.5, HUGE_VAL},
        {"d<=2", K::DRange, 0, 0, 0, 0, 2},
        {"d 2.35", K::DRange, 0, 0, 0, 2.345, 2.355},
    };
    for (const auto& c : cases) {
        const std::optional<ListingFilter> f = ParseListingFilter(c.text);
        ASSERT_TRUE(f) << c.text;
        EXPECT_EQ(f->kind, c.kind) << c.text;
        if (c.kind == K::Indices) {
            const int expected[3] = {c.h, c.k, c.l};
            for (int i = 0; i < 3; ++i) {
                if (expected[i] == 99) {
                    EXPECT_FALSE(f->hkl[i]) << c.text;
                } else {
                    EXPECT_EQ(f->hkl[i].value_or(-99), expected[i]) << c.text;
                }
            }
        } else if (c.kind == K::DRange) {
            EXPECT_NEAR(f->dLow, c.low, 1e-12) << c.text;
            EXPECT_EQ(std::isinf(f->dHigh), std::isinf(c.high)) << c.text;
            if (!std::isinf(c.high)) {
                EXPECT_NEAR(f->dHigh, c.high, 1e-12) << c.text;
            }
        }
    }
    for (const char* bad : {"abc", "1 2 3 4", "d", "1..", "-1", "d > x"})
        EXPECT_FALSE(ParseListingFilter(bad)) << bad;
}

TEST(ListingSearch, NarrowsTheRowsAndKeepsTheirOrder)
{
    const auto xp = FourReflexions(1);
    const std::vector<EditListingRowRec> rows = CreateEditListing(xp.get());
    EXPECT_EQ(ListingRowOrder(rows, ListingColumn::Index, true, *ParseListingFilter("2 * 0")),
              (std::vector<UInt32>{1, 2}));
    EXPECT_EQ(ListingRowOrder(rows, ListingColumn::Intensity, false, *ParseListingFilter("1.6-2.8")),
              (std::vector<UInt32>{1, 2, 3}));
    EXPECT_EQ(ListingRowOrder(rows, ListingColumn::Index, true, *ParseListingFilter("d 1.92")),
              (std::vector<UInt32>{2}));
    EXPECT_TRUE(ListingRowOrder(rows, ListingColumn::Index, true, *ParseListingFilter("5 5 5")).empty());
}

// ---- saving ----

class ListingSaveTest : public FileFormatTest {
protected:
    void SetUp() override
    {
        FileFormatTest::SetUp();
        ASSERT_TRUE(LoadShippedScatteringTable());
        doc = CreateWindowInfo(PrefDataRec{});
        xp = AddCrystalToDocument(doc.get(), MakeRockSalt(), "NaCl");
        xp->volFrac = 1;
        JustDiffract(doc.get(), xp, nullptr);
        ASSERT_GE(xp->refs.size(), 8u);
    }
    std::unique_ptr<WinInfoRec> doc;
    CrystalDataRec* xp = nullptr;
};

TEST_F(ListingSaveTest, RowsCarryTheValuesOfTheListingReport)
{
    for (SInt16 axis : {kAxisTwoTheta, kAxisDSpacing}) {
        doc->plotSpecs.axisType = axis;
        JustDiffract(doc.get(), xp, nullptr);
        const std::vector<EditListingRowRec> rows = CreateEditListing(xp);
        const std::vector<std::string> saved =
            Lines(Text([&](std::FILE* f) { WriteEditListing(f, rows, ListingRowOrder(rows, ListingColumn::Index, true)); }));
        const std::vector<std::string> report =
            Lines(Text([&](std::FILE* f) { EXPECT_EQ(WriteListingStream(doc.get(), f), kNoErr); }));
        // The same header as the reports, up to the column heading.
        const std::size_t heading = HeadingLine(saved);
        ASSERT_GT(heading, 2u);
        ASSERT_GT(report.size(), heading);
        for (std::size_t i = 0; i < heading; ++i)
            EXPECT_EQ(saved[i], report[i]) << "line " << i;
        EXPECT_EQ(saved[heading + 1], "");
        ASSERT_EQ(saved.size(), heading + 2 + rows.size());

        // Report rows: [num] N h k l d x I I/Imax m; saved rows: [num] h k l d x I I/Imax m N.
        std::map<std::string, std::vector<std::string>> reported;
        for (const std::string& line : report)
            if (line.size() > 6 && line[0] == '[') {
                const std::string num = line.substr(0, line.find(']') + 1);
                std::vector<std::string> t = Tokens(line.substr(num.size()));
                t.push_back(t.front());
                t.erase(t.begin());
                reported[num] = t;
            }
        std::size_t compared = 0;
        for (std::size_t i = heading + 2; i < saved.size(); ++i) {
            const std::string num = saved[i].substr(0, saved[i].find(']') + 1);
            ASSERT_EQ(num.size(), 6u) << saved[i];  // "[%4ld]"
            const auto it = reported.find(num);
            if (it == reported.end())
                continue;  // beyond the report's smallest d-spacing
            EXPECT_EQ(Tokens(saved[i].substr(num.size())), it->second) << saved[i];
            ++compared;
        }
        EXPECT_EQ(compared, reported.size());
        EXPECT_GE(compared, 8u);
    }
}

TEST_F(ListingSaveTest, ALineInTheFixedLayout)
{
    EditListingRowRec r;
    r.num = 7, r.h = 2, r.k = -2, r.l = 0, r.n = 8, r.dsp = 1.99415f, r.x = 45.4471f, r.inty = 1234.5f;
    r.intyRel = 55.3f, r.m = 12;
    const std::vector<std::string> lines = Lines(Text([&](std::FILE* f) { WriteEditListing(f, {r}, {0}); }));
    const std::size_t heading = HeadingLine(lines);
    ASSERT_EQ(lines.size(), heading + 3);
    EXPECT_EQ(lines[heading + 2], "[   7]    2  -2   0   1.99415   45.4471   1.23450e+03   55.3   12     8");
}

TEST_F(ListingSaveTest, AFileThatCannotBeOpenedIsReportedAndNothingWritten)
{
    const std::vector<EditListingRowRec> rows = CreateEditListing(xp);
    const std::string folder = std::filesystem::temp_directory_path().string();
    EXPECT_NE(DoSaveListing(folder, rows, ListingRowOrder(rows, ListingColumn::Index, true)), kNoErr);
    EXPECT_EQ(LastAlert(), "Sorry, there was an error whilst attempting to open the file.");

    const std::string path = (std::filesystem::temp_directory_path() / "velmora-listing-test.txt").string();
    EXPECT_EQ(DoSaveListing(path, rows, {2, 0}), kNoErr);
    const ByteVector bytes = ReadFileBytes(path);
    const std::vector<std::string> lines = Lines(std::string(bytes.begin(), bytes.end()));
    std::filesystem::remove(path);
    const std::size_t heading = HeadingLine(lines);
    ASSERT_EQ(lines.size(), heading + 4);
    EXPECT_EQ(lines[heading + 2].substr(0, 6), "[   3]");  // in the order given
    EXPECT_EQ(lines[heading + 3].substr(0, 6), "[   1]");
    EXPECT_EQ(ListingFileName("NaCl"), "NaCl Listing.txt");
}

TEST_F(ListingSaveTest, TheWindowNeedsAPlottedCrystal)
{
    EXPECT_TRUE(DoShowListing(doc.get()));
    RemovePatternFromPlotList(doc.get(), doc->plotList.front());
    EXPECT_FALSE(DoShowListing(doc.get()));
    EXPECT_EQ(LastAlert(), "Please select a simulated diffraction pattern");
}

}  // namespace
