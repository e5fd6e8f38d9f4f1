// Every file that ships in examples/ loads without a message, and a crystal written in the
// modelling program's format diffracts exactly as the CIF it was made from.
#include "AddFiles.h"
#include "Document.h"
#include "FileTypes.h"
#include "Globals.h"
#include "Status.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::unique_ptr<WinInfoRec> Load(const std::string& path, RecordingStatusSink& sink)
{
    ScopedThreadStatusSink scope(&sink);
    auto doc = CreateWindowInfo(PrefDataRec{});
    AddFilesToDiffraction(doc.get(), {path}, true, PrefDataRec{});
    return doc;
}

}  // namespace

TEST(Examples, EveryShippedFileLoads)
{
    ASSERT_TRUE(LoadShippedScatteringTable());
    int loaded = 0;
    for (const auto& entry : fs::directory_iterator(VELMORA_EXAMPLES_DIR)) {
        UInt32 code = 0;
        if (MyGetFileType(entry.path().string(), &code) != kNoErr || !IsLoadableFileType(code) ||
            IsSessionFileType(code))
            continue;
        RecordingStatusSink sink;
        auto doc = Load(entry.path().string(), sink);
        EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 0) << entry.path();
        EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::Message), 0) << entry.path();
        ASSERT_EQ(GetNumPatternsInPlotList(doc.get()), 1) << entry.path();
        if (CrystalDataRec* xp = GetFrontCrystal(doc.get())) {
            EXPECT_GE(xp->nRefs(), 5) << entry.path();  // copper and tungsten have 5 down to 1 Å
        }
        ++loaded;
    }
    EXPECT_GE(loaded, 15);
}

TEST(Examples, CrystalFilesDiffractAsTheirCifs)
{
    ASSERT_TRUE(LoadShippedScatteringTable());
    for (const auto& [binary, cif] : {std::pair{"corundum.obdf", "corundum.cif"}, std::pair{"baddeleyite.obd5", "baddeleyite.cif"}}) {
        RecordingStatusSink sink;
        auto a = Load(std::string(VELMORA_EXAMPLES_DIR) + "/" + binary, sink);
        auto b = Load(std::string(VELMORA_EXAMPLES_DIR) + "/" + cif, sink);
        const CrystalDataRec* x = GetFrontCrystal(a.get());
        const CrystalDataRec* y = GetFrontCrystal(b.get());
        ASSERT_TRUE(x && y) << binary;
        EXPECT_EQ(x->hasEllipsoids, y->hasEllipsoids);
        ASSERT_EQ(x->nRefs(), y->nRefs()) << binary;
        for (int i = 0; i < x->nRefs(); ++i) {
            const ReflexionRec &r = x->refs[static_cast<std::size_t>(i)], &s = y->refs[static_cast<std::size_t>(i)];
            EXPECT_EQ(r.dsp, s.dsp);
            EXPECT_EQ(r.mul, s.mul);
            EXPECT_NEAR(r.inty, s.inty, 1e-5 * s.inty) << binary << " reflexion " << i;
        }
    }
}
