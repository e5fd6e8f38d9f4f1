// The mouse in the plot: which curve lies under a click, the film captions, dragging a pattern
// with its axis lock, and the offset read-out.
#include "PlotMouse.h"

#include "PlotTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

// 200 × 100 pixels for 0 … 20 and 0 … 99: one intensity unit per row.
std::unique_ptr<WinInfoRec> Window(RecordingHooks& hooks)
{
    auto w = MakePlotWindow({10, 40, 110, 240}, 0, 20, 0, 99);
    w->hooks = &hooks;
    return w;
}

}  // namespace

TEST(PlotMouse, AClickWithinFourPixelsOfACurvePicksIt)
{
    RecordingHooks hooks;
    auto w = Window(hooks);
    VLPatternPtr c = AddTestCrystal(w.get(), {}, std::vector<float>(200, 30));
    // Intensity 30 lies on row 110 − 30 − 1 = 79.
    const struct {
        int row;
        bool hit;
    } rows[] = {{79, true}, {75, true}, {83, true}, {74, false}, {84, false}};
    for (const auto& r : rows)
        EXPECT_EQ(MouseInGraph(w.get(), 120, r.row) == c, r.hit) << r.row;
    // A dataset's segment between its points.
    auto wd = Window(hooks);
    VLPatternPtr d = AddTestDataset(wd.get(), {0, 10, 20}, {0, 50, 50});
    EXPECT_EQ(MouseInGraph(wd.get(), 190, 59), d);  // x 15, between the flat points: row 59
    EXPECT_EQ(MouseInGraph(wd.get(), 190, 70), nullptr);
    // Films have no curves to pick.
    w->plotSpecs.plotType = -3;
    EXPECT_EQ(MouseInGraph(w.get(), 120, 79), nullptr);
}

TEST(PlotMouse, ShiftLocksTheDragToTheAxisOfTheFirstMovement)
{
    RecordingHooks hooks;
    auto w = Window(hooks);
    VLPatternPtr d = AddTestDataset(w.get(), {0, 20}, {0, 99});
    PatternDragRec drag = BeginPatternDrag(w.get(), d, 100, 50);
    EXPECT_TRUE(d->selected);
    ASSERT_TRUE(DragPatternTo(w.get(), drag, 110, 53, true));  // mostly horizontal: x only
    EXPECT_FLOAT_EQ(d->dataset->xOffset, 1);
    EXPECT_FLOAT_EQ(d->dataset->x[0], 1);
    EXPECT_FLOAT_EQ(d->dataset->yOffset, 0);
    EXPECT_FALSE(DragPatternTo(w.get(), drag, 110, 80, true));  // vertical while locked: nothing
    EXPECT_FLOAT_EQ(d->dataset->yOffset, 0);
    ASSERT_TRUE(DragPatternTo(w.get(), drag, 110, 70, false));  // shift released: up moves up
    EXPECT_FLOAT_EQ(d->dataset->yOffset, 10);
    EXPECT_EQ(XYOffsetText(w.get()), "\u2206x: 1.000000   \u2206y: 10.000000");
}

TEST(PlotMouse, ACrystalDraggedDownStopsAtNoOffset)
{
    RecordingHooks hooks;
    auto w = Window(hooks);
    VLPatternPtr c = AddTestCrystal(w.get(), {TestReflexion(1, 0, 0, 10, 5)}, std::vector<float>(200, 30));
    c->crystal->yOffset = 5;
    PatternDragRec drag = BeginPatternDrag(w.get(), c, 100, 50);
    ASSERT_TRUE(DragPatternTo(w.get(), drag, 110, 70, false));  // 20 rows down, 1 unit right
    EXPECT_FLOAT_EQ(c->crystal->yOffset, 0);
    EXPECT_FLOAT_EQ(c->crystal->refs[0].tth, 11);
    EXPECT_EQ(hooks.recalcRedraws, 1);  // moved peaks are computed anew
}

TEST(PlotMouse, FilmCaptionsSelectTheirStrip)
{
    RecordingHooks hooks;
    auto w = Window(hooks);
    w->plotSpecs.plotType = -3;
    VLPatternPtr a = AddTestCrystal(w.get(), {}, {}, "a");
    VLPatternPtr b = AddTestCrystal(w.get(), {}, {}, "b");
    a->selected = true;
    // Two strips of 50 rows; captions in the right 100 pixels of each strip's top 20 rows.
    EXPECT_EQ(FilmCaptionHit(w.get(), 200, 15), 0);
    EXPECT_EQ(FilmCaptionHit(w.get(), 200, 65), 1);
    EXPECT_EQ(FilmCaptionHit(w.get(), 200, 85), -1);  // below the caption
    EXPECT_EQ(FilmCaptionHit(w.get(), 100, 65), -1);  // left of it
    SelectFilmCaption(w.get(), 1, false);
    EXPECT_FALSE(a->selected);
    EXPECT_TRUE(b->selected);
    SelectFilmCaption(w.get(), 0, true);
    EXPECT_TRUE(a->selected);
    EXPECT_TRUE(b->selected);
    w->plotSpecs.showLegend = false;
    EXPECT_EQ(FilmCaptionHit(w.get(), 200, 15), -1);
}

TEST(PlotMouse, ThePlacedCursorAcceptsClicksAroundItsLine)
{
    RecordingHooks hooks;
    auto w = Window(hooks);
    PlaceCursorAtColumn(w.get(), 140);
    EXPECT_TRUE(w->plotSpecs.showCursor);
    EXPECT_FLOAT_EQ(w->plotSpecs.cursorXPos, 10);
    w->plotSpecs.cursorRect = {5, 137, 114, 144};
    EXPECT_TRUE(PointOnCursor(w.get(), 140, 50));
    EXPECT_FALSE(PointOnCursor(w.get(), 150, 50));
}
