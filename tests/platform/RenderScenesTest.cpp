// The reference scenes rendered to PNG, SVG and PDF under the build tree (scenes/), and what a
// person would notice in them checked on the pixels.
#include "PlotExport.h"
#include "Scenes.h"

#include "Globals.h"
#include "PlotPattern.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

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
