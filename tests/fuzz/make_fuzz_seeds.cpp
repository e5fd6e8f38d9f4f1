// Writes the seed corpora of the fuzz targets: files of every kind built by the test writers and
// by the program's own writers, one folder per target under the folder given.
//   make_fuzz_seeds <folder>
#include "CrystalFile.h"
#include "Document.h"
#include "FuzzSupport.h"
#include "PrefsFile.h"
#include "SessionFile.h"
#include "writers/CrystalFileWriter.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace testfiles;
using Bytes8 = std::vector<std::uint8_t>;

namespace {

Bytes8 ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes8(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A measured-data seed: the index of the file name the target gives it, block 0, the contents.
Bytes8 MeasuredSeed(const char* name, const Bytes8& contents)
{
    std::size_t index = 0;
    while (index < kFuzzMeasuredDataNameCount && std::strcmp(kFuzzMeasuredDataNames[index], name) != 0)
        ++index;
    Bytes8 bytes{static_cast<std::uint8_t>(index), 0};
    bytes.insert(bytes.end(), contents.begin(), contents.end());
    return bytes;
}

Bytes8 TextBytes(const std::string& text)
{
    return Bytes8(text.begin(), text.end());
}

void Save(const fs::path& folder, const std::string& name, const Bytes8& bytes)
{
    fs::create_directories(folder);
    std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes8 FileBytes(std::FILE* file)
{
    Bytes8 bytes;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;)
        bytes.push_back(static_cast<std::uint8_t>(c));
    return bytes;
}

// A document holding the crystal of a writer's file and a small dataset.
std::unique_ptr<WinInfoRec> SessionDocument(const CrystalSpec& model, bool withDataset)
{
    auto doc = CreateWindowInfo(PrefDataRec{});
    auto pattern = CreatePattern();
    pattern->type = kPatternTypeCrystal;
    pattern->name = "seed crystal";
    pattern->crystal = CreateCrystal(PrefDataRec{});
    const Bytes8 bytes = CrystalFile(model, 7, true);
    FileHandle file(fmemopen(const_cast<std::uint8_t*>(bytes.data()), bytes.size(), "rb"));
    FileProblems problems;
    (void)ReadCrystalStream(doc.get(), pattern->crystal.get(), file.get(), problems);
    InsertPatternIntoPlotList(doc.get(), InsertPatternIntoFileList(doc.get(), std::move(pattern), nullptr), nullptr);
    if (withDataset) {
        auto data = CreatePattern();
        data->type = kPatternTypeDataset;
        data->name = "seed data";
        data->dataset = CreateDataset(PrefDataRec{});
        CreateDatasetPoints(data->dataset.get(), 4);
        data->dataset->x = {10, 20, 30, 40};
        data->dataset->profile = {1, 5, 2, 3};
        InsertPatternIntoPlotList(doc.get(), InsertPatternIntoFileList(doc.get(), std::move(data), nullptr), nullptr);
    }
    return doc;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds <folder>\n");
        return 2;
    }
    FuzzInitOnce();
    const fs::path root = argv[1];

    const fs::path crystal = root / "fuzz_crystal_file";
    for (int format : {5, 6, 7, 8}) {
        Save(crystal, "salt-v" + std::to_string(format), CrystalFile(RockSalt(), format));
        Save(crystal, "mixed-v" + std::to_string(format), CrystalFile(MixedSiteCrystal(), format, true));
    }
    std::vector<Block> blocks = StandardBlocks(MixedSiteCrystal(), 7, true);
    blocks.insert(blocks.begin() + 2, Block{"XTRA", {1, 2, 3, 4, 5}});
    Save(crystal, "unknown-block", CrystalFileBytes(HeaderSpec{}, blocks));
    Save(crystal, "parenthesis", CrystalFileBytes({"OBD5", 0, 'W', "8.0.1b2", HeaderLayout::Parenthesis},
                                                  StandardBlocks(RockSalt(), 8, false)));
    Save(crystal, "legacy-v3", LegacyCrystalFile(RockSalt(), "3.0.0"));

    const fs::path legacy = root / "fuzz_legacy_crystal_file";
    Save(legacy, "salt", LegacyCrystalFile(RockSalt(), "2.0.0b12"));
    Save(legacy, "mixed", LegacyCrystalFile(MixedSiteCrystal(), "4.1.0"));
    const CrystalSpec salt = RockSalt();
    Save(legacy, "extra-records",
         LegacyCrystalFileBytes("OBDF", "3.2.1", {Record{"BOND", {9, 9, 9}}, LegacyCellRecord(salt),
                                                  LegacySymmRecord(salt), LegacyAUCRRecord(salt),
                                                  LegacyATOMRecord(salt, 2), LegacyNoteRecord()}));

    const fs::path observed = root / "fuzz_observed_data";
    const std::string texts[] = {
        "2theta intensity\n10.0 5\n10.02\t7.5\n",
        "# comment\r\n1e1 2E0 tail\r\n+.5 -6.\r\n",
        "5.0,1\n5.1 2\r5.2 3\n",
    };
    for (std::size_t i = 0; i < std::size(texts); ++i)
        Save(observed, "text" + std::to_string(i), Bytes8(texts[i].begin(), texts[i].end()));

    // CIF: the shipped examples.
    const fs::path cif = root / "fuzz_cif_import";
    fs::create_directories(cif);
    for (const fs::directory_entry& e : fs::directory_iterator(VELMORA_EXAMPLES_DIR))
        if (e.path().extension() == ".cif")
            Save(cif, e.path().filename().string(), ReadBytes(e.path()));

    // Measured data: the shipped pattern, the test data, and small files of the text formats.
    const fs::path measured = root / "fuzz_measured_data";
    Save(measured, "quartz.xy", MeasuredSeed("scan.xy", ReadBytes(fs::path(VELMORA_EXAMPLES_DIR) / "quartz_synthetic_cuka.xy")));
    Save(measured, "lab6.raw", MeasuredSeed("scan.raw", ReadBytes(fs::path(VELMORA_TEST_DATA_DIR) / "LaB6_Jan2018.raw")));
    Save(measured, "lab6.xy", MeasuredSeed("scan.xy", ReadBytes(fs::path(VELMORA_TEST_DATA_DIR) / "lab6_jan2018_cuka12.xy")));
    Save(measured, "small.uxd",
         MeasuredSeed("scan.uxd", TextBytes("_FILEVERSION = 1\n_2THETA = 10\n_STEPSIZE = 0.02\n_COUNTS\n"
                                            "  12 15 18 22\n  30 28 19 14\n")));
    Save(measured, "small.csv", MeasuredSeed("scan.csv", TextBytes("angle,counts\n10.0,5\n10.02,7\n10.04,9\n")));
    Save(measured, "small.xrdml",
         MeasuredSeed("scan.xrdml",
                      TextBytes("<?xml version=\"1.0\"?>\n<xrdMeasurements><xrdMeasurement><scan><dataPoints>"
                                "<positions axis=\"2Theta\" unit=\"deg\"><startPosition>10</startPosition>"
                                "<endPosition>10.06</endPosition></positions>"
                                "<intensities unit=\"counts\">5 7 9 4</intensities></dataPoints></scan>"
                                "</xrdMeasurement></xrdMeasurements>\n")));
    Save(measured, "small.cpi",
         MeasuredSeed("scan.cpi", TextBytes("SIETRONICS XRD SCAN\n10.00\n10.06\n0.02\nCu\n1.54056\n1\n"
                                            "SCANDATA\n5\n7\n9\n4\n")));

    const fs::path session = root / "fuzz_session_file";
    for (const bool withDataset : {false, true}) {
        auto doc = SessionDocument(withDataset ? MixedSiteCrystal() : RockSalt(), withDataset);
        doc->filename = "seed";
        FileHandle file(std::tmpfile());
        WriteSessionStream(doc.get(), file.get(), SessionWindowState{});
        Save(session, withDataset ? "crystal-and-data" : "crystal", FileBytes(file.get()));
    }

    const fs::path prefs = root / "fuzz_prefs_file";
    for (const bool withWindow : {false, true}) {
        FileHandle file(std::tmpfile());
        WritePrefsStream(file.get(), gFactoryPrefs, withWindow);
        Save(prefs, withWindow ? "with-window" : "without-window", FileBytes(file.get()));
    }
    return 0;
}
