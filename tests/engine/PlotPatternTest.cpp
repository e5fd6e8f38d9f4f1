// The drawing driver: plot layout on screen and on paper, the printing line width, the drawing
// sequence's messages, alerts and resets, and that nothing leaves the plot rectangle.
#include "PlotPattern.h"
#include "PlotTestSupport.h"
#include "RecordingSurface.h"
#include "TestSupport.h"

#include "Axes.h"
#include "Globals.h"
#include "Diffraction.h"
#include "GraphMode.h"
#include "Status.h"
#include "StringTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <thread>

namespace {

const Rect kPane{0, 0, 600, 1000};

// A window with one crystal whose profile is a flat line at level, computed for the pane.
std::unique_ptr<WinInfoRec> FlatCrystalWindow(float level, float ymax)
{
    auto w = MakePlotWindow({}, 5, 80, 0, ymax);
    AddTestCrystal(w.get(), {TestReflexion(1, 1, 1, 30, 1)}, std::vector<float>(933, level));
    return w;
}

struct LayoutCase {
    bool printing;
    bool residual;
    Rect pane;
    Rect plot;
    Rect residualRect;
};

const LayoutCase kLayouts[] = {
    // Screen: the pane's bottom moves up by 1; margins 52, 10, 15 and 34.
    {false, false, {0, 0, 600, 1000}, {10, 52, 565, 985}, {0, 0, 599, 1000}},
    // With the residual the plot takes the top two thirds: lower edge 2 × 599 / 3 = 399.
    {false, true, {0, 0, 600, 1000}, {10, 52, 365, 985}, {399, 52, 589, 985}},
    // Printing at 300 dpi: r = 300 / 72; the page's top moves down by 62 (15 r), the left margin
    // is 216.7 dots, the bottom one 141.7.
    {true, false, {0, 0, 2500, 4166}, {103, 216, 2358, 4103}, {62, 0, 2500, 4166}},
};

}  // namespace

TEST(PlotPattern, PlotAndResidualRectangles)
{
    for (const LayoutCase& c : kLayouts) {
        const DrawContext dc = c.printing ? DrawContext::Printer(300, c.pane.Width(), 0) : DrawContext::Screen();
        auto w = MakePlotWindow({}, 5, 80, 0, 1);
        AddTestCrystal(w.get(), {}, {});
        if (c.residual)
            AddTestDataset(w.get(), {1, 2}, {1, 2});
        w->plotSpecs.showResidual = c.residual;
        GetCurPlotRect(dc, w.get(), c.pane);
        EXPECT_EQ(w->plotRect, c.plot);
        EXPECT_EQ(w->residualRect, c.residualRect);
        EXPECT_FLOAT_EQ(dc.resolutionFactor, c.printing ? 300.0f / 72 : 1.0f);
    }
}

TEST(PlotPattern, ResidualWithOnlyCrystalsIsSwitchedOff)
{
    auto w = MakePlotWindow({}, 5, 80, 0, 1);
    AddTestCrystal(w.get(), {}, {});
    w->plotSpecs.showResidual = true;
    GetCurPlotRect(DrawContext{}, w.get(), kPane);
    EXPECT_FALSE(w->plotSpecs.showResidual);
    EXPECT_EQ(w->plotRect.bottom, 565);
}

TEST(PlotPattern, PenSizeForPrinting)
{
    EXPECT_FLOAT_EQ(MyPenSizeForPrinting(DrawContext::Screen(), 1.5f), 1.5f);
    // A letter page (8.5 in, 8 whole inches) showing a 1000-pixel window (13.9 in).
    EXPECT_NEAR(MyPenSizeForPrinting(DrawContext::Printer(300, 2550, 1000), 1), 8 / (1000 / 72.0) * (300 / 72.0), 1e-5);
    // Without a window size the page shows the window at its own size: 13 whole inches of 13.89.
    EXPECT_NEAR(MyPenSizeForPrinting(DrawContext::Printer(300, 4166, 0), 2), 13 / (4166 * 72.0 / 300 / 72) * (600 / 72.0),
                1e-4);
}

TEST(PlotPattern, EmptyWindowShowsTheDropMessageCentred)
{
    ASSERT_TRUE(LoadShippedStrings());
    auto w = MakePlotWindow({}, 5, 80, 0, 1);
    RecordingSurface s;
    DrawPatterns(s, DrawContext{}, w.get(), kPane, true, false);
    const std::string message = LocalizedString("Drop_Files_Graphics_Pane");
    const RecordingSurface::Call* text = s.FindText(message);
    ASSERT_NE(text, nullptr);
    const Rect box = PlotMessageRect(w->plotRect);
    EXPECT_NEAR(text->origin.x + 0.6 * text->font.size * message.size() / 2, (box.left + box.right) / 2.0, 0.6 * 11);
    EXPECT_EQ(text->font.family, kSystemFontName);
    // Axes are there, no legend or curve.
    EXPECT_NE(s.FindText("2\u03B8 (\u00B0)"), nullptr);
    EXPECT_EQ(s.FindText("Calculated Data"), nullptr);
    EXPECT_TRUE(s.Calls(RecordingSurface::Op::Stroke).empty());
}

TEST(PlotPattern, NoReflexionsInRangeAsksForARecalculation)
{
    ASSERT_TRUE(LoadShippedStrings());
    auto w = MakePlotWindow({}, 5, 80, 0, 1);
    AddTestCrystal(w.get(), {TestReflexion(1, 0, 0, 500, 1)}, std::vector<float>(947, 0));
    RecordingSurface s;
    DrawPatterns(s, DrawContext{}, w.get(), kPane, false, false);
    EXPECT_NE(s.FindText(LocalizedString("No_Reflexions_Recalculate")), nullptr);
}

TEST(PlotPattern, EqualXLimitsAreResetWithACaution)
{
    RecordingStatusSink sink;
    ScopedThreadStatusSink scope(&sink);
    auto w = FlatCrystalWindow(2, 1);
    w->plotSpecs.xmin = w->plotSpecs.xmax = 30;
    w->plotSpecs.xminLimit = 0;
    w->plotSpecs.xmaxLimit = 180;
    RecordingSurface s;
    DrawPatterns(s, DrawContext{}, w.get(), kPane, false, false);
    ASSERT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 1);
    EXPECT_EQ(sink.events[0].value, static_cast<int>(AlertKind::Caution));
    EXPECT_FLOAT_EQ(w->plotSpecs.xmin, 0);
    EXPECT_FLOAT_EQ(w->plotSpecs.xmax, 180);
    // ... and the intensity axis is fitted to the curve: 2 is the highest value, 5 % below the top.
    EXPECT_FLOAT_EQ(w->plotSpecs.ymax, static_cast<float>(2 / 0.95));
}

TEST(PlotPattern, PlotTypeZeroIsReportedAndResetToAGraph)
{
    RecordingStatusSink sink;
    ScopedThreadStatusSink scope(&sink);
    auto w = FlatCrystalWindow(2, 4);
    w->plotSpecs.plotType = 0;
    RecordingSurface s;
    DrawPatterns(s, DrawContext{}, w.get(), kPane, false, false);
    EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 1);
    EXPECT_EQ(w->plotSpecs.plotType, 1);
    EXPECT_TRUE(s.Calls(RecordingSurface::Op::Stroke).empty());
}

TEST(PlotPattern, DarkWindowColourTurnsAxisTextWhiteOnTheWindowColour)
{
    auto w = FlatCrystalWindow(2, 4);
    w->plotSpecs.windowColor = {0x1000, 0x2000, 0x3000};  // mean 8192
    RecordingSurface s;
    DrawPatterns(s, DrawContext{}, w.get(), kPane, true, false);
    const RecordingSurface::Call* title = s.FindText("2\u03B8 (\u00B0)");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->color, kRGBWhite);
    // White text needs the window colour behind it, not the white pane.
    auto rects = s.Calls(RecordingSurface::Op::PaintRect);
    ASSERT_FALSE(rects.empty());
    EXPECT_EQ(rects[0]->rect, (Rect{0, 0, 599, 1000}));
    EXPECT_EQ(rects[0]->color, w->plotSpecs.windowColor);
}

TEST(PlotPattern, ProgressTextIsShownAndCleared)
{
    ASSERT_TRUE(LoadShippedStrings());
    RecordingStatusSink sink;
    auto w = FlatCrystalWindow(2, 4);
    w->statusSink = &sink;
    RecordingSurface s;
    DrawPatterns(s, DrawContext{}, w.get(), kPane, false, true);
    ASSERT_GE(sink.events.size(), 2u);
    EXPECT_EQ(sink.events.front().text, LocalizedString("Plotting_Pattern"));
    EXPECT_EQ(sink.events.back().text, "");
}

TEST(PlotPattern, CurvesAndFillsStayInsideThePlot)
{
    // A curve that runs forty times above and below the intensity axis between stretches inside
    // it, drawn in every plot style.
    for (UInt16 style = kPlotStyleCrosses; style <= kPlotStyleTranslucent; ++style) {
        auto w = FlatCrystalWindow(0, 1);
        VLPatternPtr c = w->plotList.front();
        for (int i = 0; i < 933; ++i)
            c->crystal->plotBuffer[static_cast<std::size_t>(i)] = (i / 20) % 3 == 0 ? 40.0f : (i / 20) % 3 == 1 ? 0.5f : -40.0f;
        c->crystal->plotStyle = style;
        c->crystal->plotColor = {1, 2, 3};
        w->plotSpecs.showLegend = false;  // its disc has the crystal's colour
        RecordingSurface s;
        DrawPatterns(s, DrawContext{}, w.get(), kPane, false, false);
        const Rect plot = w->plotRect;
        int drawn = 0;
        for (const RecordingSurface::Call& call : s.calls) {
            if ((call.op != RecordingSurface::Op::Stroke && call.op != RecordingSurface::Op::Fill) ||
                !(call.color == RGBColor{1, 2, 3}))
                continue;
            drawn += static_cast<int>(call.points.size());
            for (const PointF& p : call.points) {
                EXPECT_GE(p.x, plot.left) << "style " << style;
                EXPECT_LE(p.x, plot.right) << "style " << style;
                EXPECT_GE(p.y, plot.top) << "style " << style;
                EXPECT_LE(p.y, plot.bottom) << "style " << style;
            }
        }
        EXPECT_GT(drawn, 0) << "style " << style;
    }
}

TEST(PlotPattern, BufferOfAnotherWidthIsRecomputed)
{
    // Regression: after the pane changed size, a draw without recomputation read the old
    // buffer past its end.
    auto w = MakePlotWindow({}, 5, 80, 0, 1);
    VLPatternPtr c = AddTestCrystal(w.get(), {TestReflexion(1, 1, 1, 30, 1, 0.05f, 2.98f)}, std::vector<float>(100, 0));
    RecordingSurface s;
    DrawPatterns(s, DrawContext{}, w.get(), kPane, false, false);
    EXPECT_EQ(c->crystal->nBufferPts(), w->plotRect.Width());
    EXPECT_GT(*std::max_element(c->crystal->plotBuffer.begin(), c->crystal->plotBuffer.end()), 0);
}

TEST(PlotPattern, ResidualAxisIsNumberedInTheCurvesScale)
{
    // Regression: the residual's axis was numbered for ±ymax / 2 over the panel while its curve is
    // drawn at the main plot's scale, so the numbers did not match the curve.
    auto w = FlatCrystalWindow(0, 100);
    std::vector<float> x, y;
    for (int i = 0; i <= 750; ++i) {
        x.push_back(5 + i * 0.1f);
        y.push_back(20);  // observed 20 everywhere, calculated 0: residual 20
    }
    AddTestDataset(w.get(), x, y);
    w->plotSpecs.showResidual = true;
    RecordingSurface s;
    DrawPatterns(s, DrawContext{}, w.get(), kPane, false, false);
    const Rect rr = w->residualRect;
    const double middle = rr.bottom - rr.Height() * 0.5;
    const double scale = w->plotSpecs.yscale;
    // The residual curve lies 20 units above the middle row ...
    const RecordingSurface::Call* curve = nullptr;
    for (const RecordingSurface::Call* c : s.Calls(RecordingSurface::Op::Stroke))
        if (c->color == w->plotSpecs.residualColor)
            curve = c;
    ASSERT_NE(curve, nullptr);
    EXPECT_NEAR(curve->points[curve->points.size() / 2].y, middle - 20 * scale, 0.01);
    // ... and the residual axis has its tick for 20 on that row.
    const YTicksRec ticks = ComputeYTicks(static_cast<float>(-rr.Height() * 0.5 / scale),
                                          static_cast<float>(rr.Height() * 0.5 / scale), rr.Height(), 27);
    // (A range of tens: the numbers are the intensities themselves.)
    const std::string label = FormatYTickLabel(20, static_cast<float>(ticks.step * ticks.scale));
    const RecordingSurface::Call* number = nullptr;
    for (const RecordingSurface::Call* t : s.Calls(RecordingSurface::Op::Text))
        if (t->text == label && t->origin.y > rr.top)
            number = t;
    ASSERT_NE(number, nullptr) << label;
    // The number's box is centred one pixel above its tick's row.
    EXPECT_NEAR(number->origin.y - 0.8 * 9 + 4.5 + 1, middle - 20 * scale, 1.0);
}

TEST(PlotPattern, PrintingDrawsTitleAndFooterButNoPaneBackground)
{
    auto w = FlatCrystalWindow(2, 4);
    w->filename = "Quartz session";
    RecordingSurface s({0, 0, 1200, 2000});
    DrawPatterns(s, DrawContext::Printer(144, 2000, 0), w.get(), {0, 0, 1200, 2000}, true, false);
    const RecordingSurface::Call* title = s.FindText("Quartz session");
    ASSERT_NE(title, nullptr);
    EXPECT_DOUBLE_EQ(title->font.size, 24);  // 12 r
    bool footer = false;
    for (const std::string& t : s.Texts())
        footer = footer || t.rfind("Printed from Velmora ", 0) == 0;
    EXPECT_TRUE(footer);
    EXPECT_TRUE(s.Calls(RecordingSurface::Op::PaintRect).empty());
    EXPECT_EQ(s.Calls(RecordingSurface::Op::FrameRect).size(), 1u);  // the plot, in black
}

namespace {

// Everything a recorded drawing did, as text: two drawings are the same picture when their
// transcripts are equal.
std::string Transcript(const RecordingSurface& s)
{
    std::ostringstream out;
    out.precision(6);
    for (const RecordingSurface::Call& c : s.calls) {
        out << static_cast<int>(c.op) << ' ' << c.color.red << ',' << c.color.green << ',' << c.color.blue << ' ' << c.alpha
            << ' ' << c.rect.top << ',' << c.rect.left << ',' << c.rect.bottom << ',' << c.rect.right << ' ' << c.h1 << ','
            << c.v1 << ',' << c.h2 << ',' << c.v2 << ' ' << c.text << ' ' << c.origin.x << ',' << c.origin.y << ' '
            << c.font.size << ' ' << c.lineWidth << ' ' << c.dashed;
        for (const PointF& p : c.points)
            out << ' ' << p.x << ',' << p.y;
        out << '\n';
    }
    return out.str();
}

// Rock salt diffracted in a window of the factory settings, selected and labelled, with marker
// overlays and the legend; in film mode, or with a measured curve and the residual.
std::unique_ptr<WinInfoRec> RockSaltWindow(bool film)
{
    auto w = CreateWindowInfo(PrefDataRec{});
    CrystalDataRec* xp = AddCrystalToDocument(w.get(), MakeRockSalt(), "NaCl");
    xp->showLabel = true;
    PlotSpecsRec& ps = w->plotSpecs;
    ps.plotType = film ? -kPeakFunctionPseudoVoigt : kPeakFunctionPseudoVoigt;
    ps.showLegend = true;
    ps.overlayPeakStyle = kOverlayPeaksMarkers;
    JustDiffract(w.get(), xp, nullptr);
    if (!film) {
        std::vector<float> x, y;
        for (int i = 0; i <= 150; ++i) {
            x.push_back(5 + 0.5f * static_cast<float>(i));
            y.push_back(static_cast<float>(50 + 40 * std::sin(i * 0.3)));
        }
        AddTestDataset(w.get(), x, y);
        ps.showResidual = true;
    }
    w->autoScaleY = true;
    return w;
}

// A window drawn into a recording of page bounds.
std::string DrawWindow(WinInfoRec* doc, const DrawContext& dc, const Rect& page)
{
    RecordingSurface s(page);
    DrawPatterns(s, dc, doc, page, true, false);
    return Transcript(s);
}

// Each pass draws a fresh window of its own: drawing (profiles, layout) writes into the window.
std::string DrawFreshWindow(bool film, const DrawContext& dc, const Rect& page)
{
    return DrawWindow(RockSaltWindow(film).get(), dc, page);
}

}  // namespace

// A printed page and a screen picture drawn at the same time on two threads are each what they
// are when drawn alone: neither pass sees the other's scale, colours or printing state.
TEST(PlotPattern, TwoPlotsDrawnOnTwoThreadsAtOnceMatchThoseDrawnOneAtATime)
{
    ASSERT_TRUE(LoadShippedScatteringTable());
    const Rect screen{0, 0, 600, 1000}, page{0, 0, 1200, 2000};
    const DrawContext printer = DrawContext::Printer(144, page.Width(), 1000);
    const DrawContext inactive = DrawContext::Screen(false);
    const std::string pageAlone = DrawFreshWindow(false, printer, page);
    const std::string filmAlone = DrawFreshWindow(true, inactive, screen);
    const std::string graphAlone = DrawFreshWindow(false, DrawContext::Screen(), screen);
    // The three passes differ, so that a context leaking from one into another would show.
    ASSERT_NE(pageAlone, DrawFreshWindow(false, DrawContext::Screen(), page));
    ASSERT_NE(filmAlone, DrawFreshWindow(true, DrawContext::Screen(), screen));
    for (int round = 0; round < 3; ++round) {
        // The windows are built here: building a crystal sets the program's blank records.
        auto pageDoc = RockSaltWindow(false), filmDoc = RockSaltWindow(true), graphDoc = RockSaltWindow(false);
        std::string pageTogether, filmTogether, graphTogether;
        std::thread a([&] { pageTogether = DrawWindow(pageDoc.get(), printer, page); });
        std::thread b([&] { filmTogether = DrawWindow(filmDoc.get(), inactive, screen); });
        std::thread c([&] { graphTogether = DrawWindow(graphDoc.get(), DrawContext::Screen(), screen); });
        a.join();
        b.join();
        c.join();
        EXPECT_EQ(pageTogether, pageAlone) << "round " << round;
        EXPECT_EQ(filmTogether, filmAlone) << "round " << round;
        EXPECT_EQ(graphTogether, graphAlone) << "round " << round;
    }
}

// A legend that no corner can hold moves out to the plot's right and takes its own width from
// the plot once: on a printed page that width is already in printer dots.
TEST(PlotPattern, PrintedLegendOutsideThePlotTakesItsWidthOnce)
{
    const DrawContext dc = DrawContext::Printer(144, 2000, 0);  // r = 2
    auto w = MakePlotWindow({}, 5, 80, 0, 1);
    // The plot spans 2 × 52 to 2000 − 2 × 15 dots: a high curve under the top corners, measured
    // points along the bottom ones.
    AddTestCrystal(w.get(), {}, std::vector<float>(1866, 0.9f));
    std::vector<float> x, y;
    for (float v = 0; v <= 90; v += 0.5f) {
        x.push_back(v);
        y.push_back(0.1f);
    }
    AddTestDataset(w.get(), x, y);
    w->plotSpecs.plotType = kPeakFunctionGaussian;
    w->plotSpecs.showLegend = true;
    RecordingSurface s({0, 0, 1200, 2000});
    DrawPatterns(s, dc, w.get(), {0, 0, 1200, 2000}, false, false);
    EXPECT_EQ(LegendOutsideWidth(dc), 2 * (140 + 2 * 8));
    EXPECT_EQ(w->plotRect.right, 1970 - 312);
}
