// Film mode: grey levels of the columns, strips and captions, the residual strip.
#include "FilmMode.h"
#include "PlotTestSupport.h"
#include "RecordingSurface.h"

#include "Globals.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct ColourCase {
    double v;
    UInt16 threshold;
    bool drawn;
    RGBColor color;
};

// G = (100 − threshold) × 655.35: 65535 at 0, 52428 at 20, 0 at 100.
const ColourCase kColours[] = {
    {0.5, 0, true, {32767, 32767, 32767}},     // half the lightest shade
    {1.0, 0, true, {0, 0, 0}},
    {2.0, 0, true, {0, 0, 0}},                 // beyond ymax: black
    {0.0, 0, false, {}},                       // nothing: the background shows
    {0.5, 100, true, {0, 0, 0}},               // threshold 100: every positive column black
    {0.25, 20, true, {39321, 39321, 39321}},   // 0.75 × 52428
    {-0.5, 20, true, {58981, 26214, 26214}},   // pink: 0.5 × 65535 + 0.5 × 52428 red
    {-1.0, 20, true, {65535, 0, 0}},
    {-3.0, 20, true, {65535, 0, 0}},           // below −1: pure red
};

int ColumnLines(const RecordingSurface& s, int top, int bottom)
{
    int n = 0;
    for (const RecordingSurface::Call* c : s.Calls(RecordingSurface::Op::Line))
        if (c->h1 == c->h2 && c->v1 > top && c->v2 < bottom && c->v1 != c->v2)
            ++n;
    return n;
}

}  // namespace

TEST(FilmMode, ColumnColours)
{
    for (const ColourCase& c : kColours) {
        RGBColor color{1, 1, 1};
        SCOPED_TRACE(::testing::Message() << "v " << c.v << " threshold " << c.threshold);
        EXPECT_EQ(FilmColumnColor(c.v, FilmLightestShade(c.threshold), &color), c.drawn);
        if (c.drawn) {
            EXPECT_EQ(color, c.color);
        }
    }
    EXPECT_FALSE(FilmColumnColor(NAN, 65535, nullptr));
}

TEST(FilmMode, BackgroundGrey)
{
    EXPECT_EQ(FilmBackgroundGrey(0), 65500);
    EXPECT_EQ(FilmBackgroundGrey(20), 52400);
    EXPECT_EQ(FilmBackgroundGrey(100), 0);
    EXPECT_EQ(FilmBackgroundGrey(250), 0);  // a damaged threshold counts as 100
}

TEST(FilmMode, OneStripPerPatternWithItsColumnsAndCaption)
{
    auto w = MakePlotWindow({0, 0, 90, 100}, 0, 10, 0, 100);
    w->plotSpecs.plotType = -3;
    w->plotSpecs.filmThreshold = 0;
    std::vector<float> buffer(100, 0);
    buffer[10] = 50;  // half of ymax: grey 32767
    buffer[20] = 200;
    AddTestCrystal(w.get(), {}, buffer, "first.obdf");
    VLPatternPtr outside = AddTestDataset(w.get(), {20, 21, 22}, {5, 5, 5}, "outside");
    AddTestCrystal(w.get(), {}, std::vector<float>(100, 0), "third");
    RecordingSurface s;
    PlotPatternsAsFilms(s, DrawContext{}, w.get(), 0, 0);

    // Strips of 30 rows: 0..30, 30..60, 60..90.
    auto lines = s.Calls(RecordingSurface::Op::Line);
    const RecordingSurface::Call* grey = nullptr;
    for (const RecordingSurface::Call* c : lines)
        if (c->h1 == 10 && c->h2 == 10)
            grey = c;
    ASSERT_NE(grey, nullptr);
    EXPECT_EQ(grey->color, (RGBColor{32767, 32767, 32767}));
    EXPECT_EQ(grey->v1, 1);
    EXPECT_EQ(grey->v2, 29);
    EXPECT_EQ(ColumnLines(s, 0, 30), 2);
    // The dataset lies outside the x range: its strip has its edge and caption, no columns.
    EXPECT_EQ(ColumnLines(s, 30, 60), 0);
    EXPECT_NE(s.FindText("outside"), nullptr);
    EXPECT_NE(s.FindText("first"), nullptr);  // extension removed
    int edges = 0;
    for (const RecordingSurface::Call* c : lines)
        edges += c->v1 == c->v2 && c->h1 == 0 && c->h2 == 99 && c->color == kRGBDkGrey;
    EXPECT_EQ(edges, 3);
    (void)outside;
}

TEST(FilmMode, StripsBelowFifteenRowsHaveNoCaption)
{
    auto w = MakePlotWindow({0, 0, 40, 100}, 0, 10, 0, 100);  // three strips of 13.3 rows
    w->plotSpecs.plotType = -3;
    for (int i = 0; i < 3; ++i)
        AddTestCrystal(w.get(), {}, std::vector<float>(100, 10), "named");
    RecordingSurface s;
    PlotPatternsAsFilms(s, DrawContext{}, w.get(), 0, 0);
    EXPECT_TRUE(s.Texts().empty());
}

TEST(FilmMode, ResidualStripShadesNegativeValuesRed)
{
    auto w = MakePlotWindow({0, 0, 60, 100}, 0, 10, 0, 100);
    w->plotSpecs.plotType = -3;
    w->plotSpecs.filmThreshold = 0;
    w->residualRect = {70, 0, 100, 100};
    AddTestCrystal(w.get(), {}, std::vector<float>(100, 60));
    std::vector<float> x, y;
    for (int i = 0; i <= 100; ++i) {
        x.push_back(i * 0.1f);
        y.push_back(10);  // observed 10, calculated 60: residual −50, v = −0.5
    }
    AddTestDataset(w.get(), x, y);
    RecordingSurface s;
    const float sum = PlotResidualAsFilm(s, DrawContext{}, w.get(), 0, 0);
    EXPECT_NEAR(sum, 100 * 50.0 * 50.0, 1.0);
    bool pink = false;
    for (const RecordingSurface::Call* c : s.Calls(RecordingSurface::Op::Line))
        pink = pink || (c->v1 == 71 && c->color == RGBColor{65535, 32767, 32767});
    EXPECT_TRUE(pink);
    EXPECT_NE(s.FindText("Residual (2.50e+05)"), nullptr);
}
