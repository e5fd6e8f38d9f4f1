// The distance tool: the order of its clicks, the running read-out, the zoom to the band and the
// start again when the plot moves under it.
#include "DistanceTool.h"

#include "Globals.h"
#include "PlotTestSupport.h"
#include "RecordingSurface.h"
#include "Status.h"
#include "StringTable.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

class DistanceToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        w = MakePlotWindow({10, 40, 110, 240}, 20, 60, 0, 100);  // 5 pixels per degree
        w->plotSpecs.xminLimit = 0;
        w->plotSpecs.xmaxLimit = 180;
        w->hooks = &hooks;
        w->statusSink = &sink;
        AddTestCrystal(w.get(), {}, std::vector<float>(200, 1));
    }
    RecordingHooks hooks;
    RecordingStatusSink sink;
    std::unique_ptr<WinInfoRec> w;
};

}  // namespace

TEST_F(DistanceToolTest, TwoClicksMeasureAndTheZoomShowsTheBand)
{
    InitDistanceTool(w.get());
    EXPECT_FALSE(DrawDistanceCursors(w.get(), 20, 50));  // outside the plot: no line
    EXPECT_TRUE(DrawDistanceCursors(w.get(), 90, 50));
    EXPECT_EQ(MeasureDistanceOnPlot(w.get(), 90), DistanceClick::FirstRecorded);  // 30°
    EXPECT_EQ(MeasureDistanceOnPlot(w.get(), 90), DistanceClick::Ignored);        // the same column
    ASSERT_TRUE(DrawDistanceCursors(w.get(), 140, 50));                          // 40°
    ASSERT_NE(sink.Last(RecordingStatusSink::Kind::InfoBar), nullptr);
    EXPECT_NE(sink.Last(RecordingStatusSink::Kind::InfoBar)->text.find("10.0000\u00B0"), std::string::npos);
    EXPECT_NE(sink.Last(RecordingStatusSink::Kind::InfoBar)->text.find("(click to end)"), std::string::npos);
    EXPECT_FALSE(DistanceZoomAvailable(w.get()));
    EXPECT_EQ(MeasureDistanceOnPlot(w.get(), 140), DistanceClick::SecondRecorded);
    EXPECT_TRUE(DistanceZoomAvailable(w.get()));
    // The band and its two lines.
    RecordingSurface s;
    DrawDistanceOverlay(s, w.get());
    ASSERT_EQ(s.Calls(RecordingSurface::Op::PaintRect).size(), 1u);
    EXPECT_EQ(s.Calls(RecordingSurface::Op::PaintRect)[0]->pen, RecordingSurface::Pen::Blend);
    ASSERT_TRUE(ZoomDistanceLimits(w.get()));
    EXPECT_FLOAT_EQ(w->plotSpecs.xmin, 30);
    EXPECT_FLOAT_EQ(w->plotSpecs.xmax, 40);
    EXPECT_FALSE(DistanceZoomAvailable(w.get()));
}

TEST_F(DistanceToolTest, AClickAfterAMeasurementStartsAgain)
{
    MeasureDistanceOnPlot(w.get(), 90);
    MeasureDistanceOnPlot(w.get(), 140);
    EXPECT_EQ(MeasureDistanceOnPlot(w.get(), 140), DistanceClick::Ignored);
    EXPECT_EQ(MeasureDistanceOnPlot(w.get(), 100), DistanceClick::Reset);
    EXPECT_FALSE(w->distance.marker1.set);
    EXPECT_EQ(MeasureDistanceOnPlot(w.get(), 100), DistanceClick::FirstRecorded);
}

TEST_F(DistanceToolTest, ZoomingToABandBeyondTheLimitsStopsAtThem)
{
    MeasureDistanceOnPlot(w.get(), 90);
    MeasureDistanceOnPlot(w.get(), 140);
    w->distance.marker1.x = -10;
    w->distance.marker2.x = 200;
    ASSERT_TRUE(ZoomDistanceLimits(w.get()));
    EXPECT_FLOAT_EQ(w->plotSpecs.xmin, 0);
    EXPECT_FLOAT_EQ(w->plotSpecs.xmax, 180);
}

TEST_F(DistanceToolTest, ScrollingWhileTrackingStartsTheToolAgain)
{
    MeasureDistanceOnPlot(w.get(), 90);
    w->plotSpecs.xmin = 25;  // scrolled
    EXPECT_TRUE(DrawDistanceCursors(w.get(), 120, 50));
    EXPECT_FALSE(w->distance.marker1.set);
    EXPECT_EQ(sink.Last(RecordingStatusSink::Kind::InfoBar)->text, LocalizedString("Distance_Tool_Prompt"));
}
