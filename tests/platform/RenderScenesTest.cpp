// The reference scenes rendered to PNG, SVG and PDF under the build tree (scenes/), and what a
// person would notice in them checked on the pixels.
#include "PlotExport.h"
#include "Scenes.h"

#include "Globals.h"
#include "PlotPattern.h"

#include "QtDrawingSurface.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

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

// The plot rectangle of a 1000 × 600 pane: the pane's bottom moves up by 1, margins 38, 10, 15, 28.
const Rect kPlot{10, 38, 571, 985};

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
    EXPECT_LE(bestRow, kPlot.top + 2);  // autoscaled: the strongest peak reaches the top
}

TEST(RenderedPlot, XTicksStandAtTheStepTablesValues)
{
    ASSERT_TRUE(InitSceneEngine());
    auto doc = SceneOneCrystal();
    const QImage image = Render(doc.get());
    // 947 pixels ask for 13 ticks; 75 / 12 = 6.25 gives steps of 5: 5, 10, ... 80.
    for (int t = 5; t <= 80; t += 5) {
        const int col = Column(t, 5, 80);
        EXPECT_LT(qGray(image.pixel(col, kPlot.bottom + 3)), 80) << t;
    }
    EXPECT_GT(qGray(image.pixel(Column(7.5, 5, 80), kPlot.bottom + 3)), 200);
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
    // Printing settings are back to the screen's.
    EXPECT_FALSE(gPrinting);
    EXPECT_FLOAT_EQ(gResolutionFactor, 1.0f);
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
