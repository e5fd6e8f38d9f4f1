// The reference scenes rendered to PNG, SVG and PDF under the build tree (scenes/), and what a
// person would notice in them checked on the pixels.
#include "PlotExport.h"
#include "Scenes.h"

#include "Globals.h"
#include "PlotPattern.h"

#include "QtDrawingSurface.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

namespace {

std::string SceneDir()
{
    QDir().mkpath(VELMORA_SCENE_DIR);
    return VELMORA_SCENE_DIR;
}

struct SceneCase {
    const char* name;
    std::function<std::unique_ptr<WinInfoRec>()> make;
};

const SceneCase kScenes[] = {
    {"empty", SceneEmpty},
    {"one_crystal", SceneOneCrystal},
    {"two_crystals_data_residual", SceneTwoCrystalsAndData},
    {"mixture", SceneMixture},
    {"film", SceneFilm},
    {"overlay_markers", [] { return SceneOverlays(kOverlayPeaksMarkers); }},
    {"overlay_dashed", [] { return SceneOverlays(kOverlayPeaksDashed); }},
    {"overlay_solid", [] { return SceneOverlays(kOverlayPeaksSolid); }},
    {"overlay_filled", [] { return SceneOverlays(kOverlayPeaksFilled); }},
    {"axis_two_theta", [] { return SceneAxis(kAxisTwoTheta); }},
    {"axis_d_spacing", [] { return SceneAxis(kAxisDSpacing); }},
    {"axis_reciprocal_d", [] { return SceneAxis(kAxisReciprocalD); }},
    {"axis_time_of_flight", [] { return SceneAxis(kAxisTimeOfFlight); }},
    {"axis_energy", [] { return SceneAxis(kAxisEnergy); }},
    {"plot_styles", ScenePlotStyles},
};

}  // namespace

class RenderScene : public ::testing::TestWithParam<SceneCase> {};

TEST_P(RenderScene, WritesPngSvgAndPdf)
{
    ASSERT_TRUE(InitSceneEngine());
    const SceneCase& scene = GetParam();
    auto doc = scene.make();
    for (PlotFileFormat format : {PlotFileFormat::PNG, PlotFileFormat::SVG, PlotFileFormat::PDF}) {
        const char* ext = format == PlotFileFormat::PNG ? ".png" : format == PlotFileFormat::SVG ? ".svg" : ".pdf";
        const std::string path = SceneDir() + "/" + scene.name + ext;
        std::string error;
        PlotExportOptions options;
        options.printResolution = 150;
        ASSERT_TRUE(WritePlotFile(doc.get(), path, format, options, &error)) << error;
        EXPECT_GT(QFile(QString::fromStdString(path)).size(), 500) << path;
    }
}

INSTANTIATE_TEST_SUITE_P(Scenes, RenderScene, ::testing::ValuesIn(kScenes),
                         [](const ::testing::TestParamInfo<SceneCase>& info) { return std::string(info.param.name); });

// ---- what a person would notice ----

namespace {

// The plot rectangle of a 1000 × 600 pane: the pane's bottom moves up by 1, margins 52, 10, 15, 34.
const Rect kPlot{10, 52, 565, 985};

// The plot rectangle of a pane of another size.
Rect PlotOf(int width, int height)
{
    return Rect{10, 52, static_cast<SInt16>(height - 1 - 34), static_cast<SInt16>(width - 15)};
}

bool Dark(QRgb p)
{
    return qGray(p) < 120;
}

// Runs of dark pixels along a row (x from x0 to x1) or down a column.
int DarkRunsInRow(const QImage& image, int y, int x0, int x1)
{
    int runs = 0;
    bool in = false;
    for (int x = x0; x < x1; ++x) {
        const bool d = Dark(image.pixel(x, y));
        runs += d && !in;
        in = d;
    }
    return runs;
}

int DarkRunsInColumn(const QImage& image, int x, int y0, int y1)
{
    int runs = 0;
    bool in = false;
    for (int y = y0; y < y1; ++y) {
        const bool d = Dark(image.pixel(x, y));
        runs += d && !in;
        in = d;
    }
    return runs;
}

// The columns from the first to the last with ink (grey below 200) in rows y0..y1.
std::pair<int, int> InkSpan(const QImage& image, int y0, int y1, int x0 = 0, int x1 = -1)
{
    if (x1 < 0)
        x1 = image.width();
    int first = -1, last = -1;
    for (int x = x0; x < x1; ++x)
        for (int y = y0; y < y1; ++y)
            if (qGray(image.pixel(x, y)) < 200) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}

QImage Render(WinInfoRec* doc, int width = 1000, int height = 600, bool calculateProfile = true)
{
    PlotExportOptions options;
    options.width = width;
    options.height = height;
    options.calculateProfile = calculateProfile;
    QImage image;
    std::string error;
    EXPECT_TRUE(RenderPlotToImage(doc, options, &image, &error)) << error;
    return image;
}

QImage RenderSvg(WinInfoRec* doc, const std::string& name)
{
    const std::string path = SceneDir() + "/" + name;
    std::string error;
    EXPECT_TRUE(WritePlotFile(doc, path, PlotFileFormat::SVG, PlotExportOptions{}, &error)) << error;
    QImage image(1000, 600, QImage::Format_RGB32);
    image.fill(Qt::white);
    QSvgRenderer renderer(QString::fromStdString(path));
    QPainter painter(&image);
    renderer.render(&painter, QRectF(0, 0, 1000, 600));
    return image;
}

int Column(double x, double xmin, double xmax)
{
    return kPlot.left + static_cast<int>((x - xmin) * (kPlot.Width() / (xmax - xmin)));
}

}  // namespace

TEST(RenderedPlot, CurvesHighestPixelIsAtTheStrongestReflexion)
{
    ASSERT_TRUE(InitSceneEngine());
    auto doc = SceneOneCrystal();
    CrystalDataRec& xp = *doc->plotList.front()->crystal;
    xp.showLabel = false;
    doc->plotSpecs.showLegend = false;
    const QImage image = Render(doc.get());
    // The curve is dark blue; the paper is light grey and the grid light blue.
    auto isCurve = [](QRgb p) { return qRed(p) < 150 && qGreen(p) < 150 && qBlue(p) > qRed(p) + 30; };
    int bestRow = 10000, bestColumn = -1;
    for (int y = kPlot.top; y < kPlot.bottom; ++y)
        for (int x = kPlot.left; x < kPlot.right; ++x)
            if (y < bestRow && isCurve(image.pixel(x, y))) {
                bestRow = y;
                bestColumn = x;
            }
    const ReflexionRec& strongest = xp.refs[static_cast<std::size_t>(StrongestReflexion(xp))];
    EXPECT_NEAR(bestColumn, Column(strongest.tth, 5, 80), 1);
    // Autoscaled: the strongest peak stops 5 % of the plot's height below the top.
    EXPECT_NEAR(bestRow, kPlot.top + 0.05 * (kPlot.Height() - 1), 2);
}

TEST(RenderedPlot, XTicksStandAtRoundValuesWithMinorTicksBetween)
{
    ASSERT_TRUE(InitSceneEngine());
    auto doc = SceneOneCrystal();
    const QImage image = Render(doc.get());
    // 933 pixels take at most 10 numbers: steps of 5 would give 16, steps of 10 give 10 ... 80.
    // Labelled ticks reach 5 pixels below the plot, minor ones (every 2) 3.
    // (The drawing's float scale may put a tick a column left of the exact one.)
    auto darkest = [&](double t, int row) {
        const int c = Column(t, 5, 80);
        return std::min({qGray(image.pixel(c - 1, row)), qGray(image.pixel(c, row)), qGray(image.pixel(c + 1, row))});
    };
    for (int t = 10; t <= 80; t += 10)
        EXPECT_LT(darkest(t, kPlot.bottom + 4), 80) << t;
    for (double t : {12.0, 14.0, 16.0, 18.0}) {
        EXPECT_GT(darkest(t, kPlot.bottom + 4), 200) << t;
        EXPECT_LT(darkest(t, kPlot.bottom + 2), 80) << t;
    }
}

TEST(RenderedPlot, AtMostTenLabelledTicksAndAtLeastThreeXTicksAtAnySize)
{
    ASSERT_TRUE(InitSceneEngine());
    for (const QSize size : {QSize(1800, 1000), QSize(1000, 600), QSize(300, 200)}) {
        auto doc = SceneOneCrystal();
        doc->plotList.front()->crystal->showLabel = false;
        doc->plotSpecs.showLegend = false;
        const QImage image = Render(doc.get(), size.width(), size.height());
        const Rect plot = PlotOf(size.width(), size.height());
        // Labelled ticks only reach the fifth pixel beside the plot.
        const int x = DarkRunsInRow(image, plot.bottom + 4, plot.left, plot.right);
        const int y = DarkRunsInColumn(image, plot.left - 5, plot.top, plot.bottom + 1);
        SCOPED_TRACE(::testing::Message() << size.width() << " x " << size.height());
        EXPECT_GE(x, 3);
        EXPECT_LE(x, 10);
        EXPECT_GE(y, 2);
        EXPECT_LE(y, 10);
        // The numbers stand clear of the tick ends: nothing dark in the row between.
        EXPECT_EQ(DarkRunsInRow(image, plot.bottom + 6, plot.left, plot.right), 0);
    }
}

TEST(RenderedPlot, AxisTitlesAreDrawnWithTheirSymbols)
{
    ASSERT_TRUE(InitSceneEngine());
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(9);
    const QFontMetricsF metrics(font);
    const struct {
        SInt16 axis;
        const char* title;
    } cases[] = {{kAxisTwoTheta, "2\u03B8 (\u00B0)"}, {kAxisDSpacing, "d (\u00C5)"},
                 {kAxisReciprocalD, "1/d (\u00C5\u207B\u00B9)"}, {kAxisTimeOfFlight, "Time of flight (ms)"},
                 {kAxisEnergy, "Energy (keV)"}};
    for (const auto& c : cases) {
        auto doc = SceneAxis(c.axis);
        const QImage image = Render(doc.get());
        // The title's ink, under the numbers, is as wide as the title set in the plot font and
        // centred under the plot.
        const auto [first, last] = InkSpan(image, kPlot.bottom + 20, kPlot.bottom + 32, kPlot.left, kPlot.right);
        const double width = metrics.boundingRect(QString::fromUtf8(c.title)).width();
        SCOPED_TRACE(c.title);
        ASSERT_GE(first, 0);
        EXPECT_NEAR(last - first + 1, width, 3);
        EXPECT_NEAR((first + last) / 2.0, (kPlot.left + kPlot.right) / 2.0, 3);
    }
}

TEST(RenderedPlot, LegendMovesToTheEmptyCornerWhenTheStrongestPeaksAreOnTheRight)
{
    ASSERT_TRUE(InitSceneEngine());
    auto doc = SceneOneCrystal();
    doc->plotList.front()->crystal->showLabel = false;
    // Rock salt from 5 to 33 degrees: its strongest reflexion (200, 31.7 degrees) lies under the
    // top right corner, nothing under the top left one.
    doc->plotSpecs.xmax = 33;
    doc->autoScaleY = true;
    const QImage image = Render(doc.get());
    doc->autoScaleY = false;
    // The legend's outline: its left edge 8 pixels inside the plot's left edge.
    EXPECT_LT(qGray(image.pixel(kPlot.left + 8, kPlot.top + 20)), 160);
    EXPECT_GT(qGray(image.pixel(kPlot.right - 8 - 140, kPlot.top + 20)), 200);
}

TEST(RenderedPlot, ResidualOnlyWhereThereAreMeasuredPoints)
{
    ASSERT_TRUE(InitSceneEngine());
    auto doc = NewSceneDocument();
    AddSceneCrystal(doc.get(), MakeRockSalt(), "NaCl", {0, 0, 0x8888});
    AddSyntheticDataset(doc.get(), "measured 20 to 60", 20, 60, 0.02, 0.05, 0.01);
    doc->plotSpecs.showResidual = true;
    doc->plotSpecs.showLegend = false;
    doc->plotSpecs.residualColor = {0xFFFF, 0, 0xFFFF};  // a colour nothing else uses
    doc->autoScaleY = true;
    const QImage image = Render(doc.get());
    doc->autoScaleY = false;
    // The residual panel lies below the plot (the plot takes the top two thirds).
    auto magenta = [](QRgb p) { return qRed(p) > 150 && qBlue(p) > 150 && qGreen(p) < 100; };
    int first = 10000, last = -1;
    for (int y = 400; y < 600; ++y)
        for (int x = 0; x < 1000; ++x)
            if (magenta(image.pixel(x, y))) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
    ASSERT_GE(last, 0);
    EXPECT_NEAR(first, Column(20, 5, 80), 2);
    EXPECT_NEAR(last, Column(60, 5, 80), 2);
}

TEST(RenderedPlot, HighDensityImagesAreDrawnAtTheirResolution)
{
    ASSERT_TRUE(InitSceneEngine());
    auto doc = SceneOneCrystal();
    doc->plotList.front()->crystal->showLabel = false;
    doc->plotSpecs.showLegend = false;
    PlotExportOptions options;
    options.width = 500;
    options.height = 300;
    QImage single, twice;
    std::string error;
    ASSERT_TRUE(RenderPlotToImage(doc.get(), options, &single, &error)) << error;
    options.devicePixelRatio = 2;
    ASSERT_TRUE(RenderPlotToImage(doc.get(), options, &twice, &error)) << error;
    ASSERT_EQ(twice.size(), QSize(1000, 600));
    EXPECT_DOUBLE_EQ(twice.devicePixelRatio(), 2.0);
    const Rect plot = PlotOf(500, 300);
    // A tick one pixel wide is two device pixels wide, crisp: the device pixels beside are light.
    // 433 pixels take 6 numbers: 20, 40, 60, 80.
    const int col = plot.left + static_cast<int>((20 - 5) * (plot.Width() / 75.0));
    const int row = 2 * (plot.bottom + 4);
    EXPECT_LT(qGray(single.pixel(col, plot.bottom + 4)), 80);
    EXPECT_LT(qGray(twice.pixel(2 * col, row)), 80);
    EXPECT_LT(qGray(twice.pixel(2 * col + 1, row)), 80);
    EXPECT_GT(qGray(twice.pixel(2 * col - 1, row)), 200);
    EXPECT_GT(qGray(twice.pixel(2 * col + 2, row)), 200);
    // Text at the same size: the x title is twice as wide in device pixels.
    const auto [a1, b1] = InkSpan(single, plot.bottom + 20, plot.bottom + 32, plot.left, plot.right);
    const auto [a2, b2] = InkSpan(twice, 2 * (plot.bottom + 20), 2 * (plot.bottom + 32), 2 * plot.left, 2 * plot.right);
    ASSERT_GE(a1, 0);
    ASSERT_GE(a2, 0);
    EXPECT_NEAR(b2 - a2 + 1, 2 * (b1 - a1 + 1), 4);
}

TEST(RenderedPlot, FilmColumnsHaveTheirGreyLevels)
{
    ASSERT_TRUE(InitSceneEngine());
    auto doc = NewSceneDocument();
    VLPatternPtr pp = AddSceneCrystal(doc.get(), MakeRockSalt(), "NaCl", {0, 0, 0});
    PlotSpecsRec& ps = doc->plotSpecs;
    ps.plotType = -3;
    ps.filmThreshold = 0;
    ps.showLegend = false;
    ps.ymin = 0;
    ps.ymax = 100;
    // Column i has the value i mod 125: v = 0 .. 1.24.
    std::vector<Float32> buffer(static_cast<std::size_t>(kPlot.Width()));
    for (std::size_t i = 0; i < buffer.size(); ++i)
        buffer[i] = static_cast<Float32>(i % 125);
    pp->crystal->plotBuffer = buffer;
    const QImage image = Render(doc.get(), 1000, 600, false);
    const int row = (kPlot.top + kPlot.bottom) / 2;
    // (Column 0 holds the frame's left edge.)
    for (int i : {10, 25, 50, 75, 99, 100, 110, 125}) {
        const double v = (i % 125) / 100.0;
        const int expected = v == 0 ? qRound(65500 / 257.0) : v > 1 ? 0 : qRound((1 - v) * 65535 / 257.0);
        EXPECT_NEAR(qGray(image.pixel(kPlot.left + i, row)), expected, 1) << "v " << v;
    }
}

TEST(RenderedPlot, NothingLeavesThePlotOnPngOrSvg)
{
    ASSERT_TRUE(InitSceneEngine());
    for (UInt16 overlay : {kOverlayPeaksNone, kOverlayPeaksFilled}) {
        auto doc = SceneOverlays(overlay);
        doc->plotSpecs.ymax *= 0.2f;  // peaks far above the plot
        doc->plotSpecs.xmin = 20;     // and peaks cut at both sides
        doc->plotSpecs.xmax = 60;
        doc->plotSpecs.showLegend = false;
        for (VLPatternPtr pp : doc->plotList) {
            pp->crystal->plotColor = {0, 0xFFFF, 0};  // a colour nothing else uses
            pp->crystal->lineWidth = 3;
        }
        const QImage png = Render(doc.get());
        const QImage svg = RenderSvg(doc.get(), "clip_check_" + std::to_string(overlay) + ".svg");
        int inside = 0;
        for (const QImage* image : {&png, &svg})
            for (int y = 0; y < 600; ++y)
                for (int x = 0; x < 1000; ++x) {
                    const QRgb p = image->pixel(x, y);
                    const bool green = qGreen(p) > qRed(p) + 40 && qGreen(p) > qBlue(p) + 40;
                    const bool in = x >= kPlot.left && x < kPlot.right && y >= kPlot.top && y < kPlot.bottom;
                    inside += green && in;
                    if (green && !in)
                        ADD_FAILURE() << (image == &png ? "PNG" : "SVG") << " overlay " << overlay << " at " << x << "," << y;
                    if (::testing::Test::HasFailure())
                        return;
                }
        EXPECT_GT(inside, 1000);
    }
}

TEST(RenderedPlot, LegendFitsOrIsLeftOut)
{
    ASSERT_TRUE(InitSceneEngine());
    auto doc = SceneOneCrystal();
    // The legend's outline: the box's left edge 140 + 8 pixels left of the plot's right edge.
    const int x = kPlot.right - 8 - 140, y = kPlot.top + 8 + 10;
    const QImage tall = Render(doc.get());
    EXPECT_LT(qGray(tall.pixel(x, y)), 160);
    // 80 pixels high: a 41-pixel plot cannot hold the 38-pixel box below its 8-pixel margin.
    const QImage flat = Render(doc.get(), 1000, 80);
    EXPECT_GT(qGray(flat.pixel(x, y)), 200);
}

TEST(RenderedPlot, PdfIsOnePageOfThePlotsSize)
{
    ASSERT_TRUE(InitSceneEngine());
    auto doc = SceneTwoCrystalsAndData();
    const std::string path = SceneDir() + "/page_size_check.pdf";
    PlotExportOptions options;
    options.width = 800;
    options.height = 500;
    std::string error;
    ASSERT_TRUE(WritePlotFile(doc.get(), path, PlotFileFormat::PDF, options, &error)) << error;
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_EQ(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "), 1);
    EXPECT_TRUE(pdf.contains("/MediaBox [0 0 800"));
}

TEST(RenderedPlot, ExportRefusesBadSizesAndKeepsTheOldFile)
{
    ASSERT_TRUE(InitSceneEngine());
    auto doc = SceneOneCrystal();
    const std::string path = SceneDir() + "/kept.png";
    {
        QFile old(QString::fromStdString(path));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents");
    }
    PlotExportOptions options;
    options.width = 100000;
    std::string error;
    EXPECT_FALSE(WritePlotFile(doc.get(), path, PlotFileFormat::PNG, options, &error));
    EXPECT_NE(error.find("size"), std::string::npos);
    options.width = 4000;
    options.printResolution = 1200;  // 66666 dots across: more than a page can hold
    EXPECT_FALSE(WritePlotFile(doc.get(), path, PlotFileFormat::PDF, options, &error));
    QFile kept(QString::fromStdString(path));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("old contents"));
    EXPECT_FALSE(WritePlotFile(doc.get(), SceneDir() + "/no/such/folder/plot.svg", PlotFileFormat::SVG,
                               PlotExportOptions{}, &error));
    EXPECT_NE(error.find("no/such/folder"), std::string::npos);

    PlotFileFormat format;
    EXPECT_TRUE(PlotFileFormatFromPath("a/b/Plot.SVG", &format));
    EXPECT_EQ(format, PlotFileFormat::SVG);
    EXPECT_FALSE(PlotFileFormatFromPath("a.png/plot", &format));
    EXPECT_FALSE(PlotFileFormatFromPath("plot.jpg", &format));
}

TEST(RenderedPlot, RenderingAnotherSizeLeavesTheDocumentAsItWas)
{
    ASSERT_TRUE(InitSceneEngine());
    auto doc = SceneTwoCrystalsAndData();
    const Rect plot = doc->plotRect;
    const PlotSpecsRec specs = doc->plotSpecs;
    const std::vector<Float32> buffer = doc->plotList.front()->crystal->plotBuffer;
    Render(doc.get(), 640, 400);
    std::string error;
    ASSERT_TRUE(WritePlotFile(doc.get(), SceneDir() + "/state_check.pdf", PlotFileFormat::PDF, PlotExportOptions{}, &error));
    EXPECT_EQ(doc->plotRect, plot);
    EXPECT_FLOAT_EQ(doc->plotSpecs.xscale, specs.xscale);
    EXPECT_FLOAT_EQ(doc->plotSpecs.yscale, specs.yscale);
    EXPECT_EQ(doc->plotSpecs.showResidual, specs.showResidual);
    EXPECT_EQ(doc->plotList.front()->crystal->plotBuffer, buffer);
}

namespace {

// The surface of the screen that also notes where each text turned upwards lands.
class TurnedTextRecorder : public QtDrawingSurface {
public:
    TurnedTextRecorder(QPainter& painter, const QRect& bounds) : QtDrawingSurface(painter, bounds), painter_(painter) {}
    void DrawString(double x, double y, const std::string& text) override
    {
        const QTransform t = painter_.transform();
        if (t.m12() != 0) {
            const FontMetricsRec m = GetFontMetrics();
            boxes.push_back({t.mapRect(QRectF(x, y - m.ascent, StringWidth(text), m.ascent + m.descent)), text});
        }
        QtDrawingSurface::DrawString(x, y, text);
    }
    std::vector<std::pair<QRectF, std::string>> boxes;

private:
    QPainter& painter_;
};

}  // namespace

TEST(RenderedPlot, PeakLabelsDoNotOverlap)
{
    ASSERT_TRUE(InitSceneEngine());
    // Two phases with many labels, some of them on neighbouring reflexions.
    auto doc = SceneOverlays(kOverlayPeaksNone);
    QImage image(1000, 600, QImage::Format_RGB32);
    image.fill(Qt::white);
    std::vector<std::pair<QRectF, std::string>> boxes;
    {
        QPainter painter(&image);
        TurnedTextRecorder surface(painter, image.rect());
        DrawPatterns(surface, DrawContext{}, doc.get(), Rect{0, 0, 600, 1000}, true, false);
        boxes = surface.boxes;
    }
    const QRectF plot(kPlot.left, kPlot.top, kPlot.Width(), kPlot.Height());
    std::vector<QRectF> labels;
    for (const auto& [box, text] : boxes)
        if (plot.contains(box.center()))
            labels.push_back(box.adjusted(0.25, 0.25, -0.25, -0.25));  // pieces of one label touch
    ASSERT_GE(labels.size(), 5u);
    for (std::size_t i = 0; i < labels.size(); ++i)
        for (std::size_t j = i + 1; j < labels.size(); ++j)
            EXPECT_FALSE(labels[i].intersects(labels[j])) << i << " and " << j;
}

namespace {

// A scene drawn into an image of the pane's size.
QImage DrawSceneImage(WinInfoRec* doc, const DrawContext& dc, int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    QtDrawingSurface surface(painter, image.rect(), &image);
    DrawPatterns(surface, dc, doc, Rect{0, 0, static_cast<SInt16>(height), static_cast<SInt16>(width)}, true, false);
    painter.end();
    return image;
}

}  // namespace

// Two plots drawn at the same time on two threads, one of them a printed page, have the pixels
// they have when drawn one at a time.
TEST(RenderedPlot, TwoPlotsDrawnOnTwoThreadsAtOnceHaveTheSamePixels)
{
    ASSERT_TRUE(InitSceneEngine());
    const DrawContext printer = DrawContext::Printer(144, 2000, 1000);
    const QImage pageAlone = DrawSceneImage(SceneTwoCrystalsAndData().get(), printer, 2000, 1200);
    const QImage screenAlone = DrawSceneImage(SceneOneCrystal().get(), DrawContext::Screen(), 1000, 600);
    for (int round = 0; round < 2; ++round) {
        // Each pass draws a fresh document of its own, built before the threads start.
        auto pageDoc = SceneTwoCrystalsAndData(), screenDoc = SceneOneCrystal();
        QImage page, screen;
        std::thread a([&] { page = DrawSceneImage(pageDoc.get(), printer, 2000, 1200); });
        std::thread b([&] { screen = DrawSceneImage(screenDoc.get(), DrawContext::Screen(), 1000, 600); });
        a.join();
        b.join();
        EXPECT_TRUE(page == pageAlone) << "round " << round;
        EXPECT_TRUE(screen == screenAlone) << "round " << round;
    }
}
