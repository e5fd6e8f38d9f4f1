// The preferences file.
#include "PrefsFile.h"

#include "FileTypes.h"
#include "SafeFile.h"
#include "TaggedItems.h"
#include "Versions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace {

StyleRef CrystalDefaults(PrefDataRec& p)
{
    return {&p.crystalColor, &p.crystalPlotStyle, &p.crystalLineStyle, &p.crystalLineWidth, &p.crystalMarkerSize};
}

StyleRef DatasetDefaults(PrefDataRec& p)
{
    return {&p.datasetColor, &p.datasetPlotStyle, &p.datasetLineStyle, &p.datasetLineWidth, &p.datasetMarkerSize};
}

LabelRef LabelDefaults(PrefDataRec& p)
{
    return {&p.showLabel, &p.labelThreshold, &p.labelHKL, &p.labelDSpacings, &p.labelTwoTheta, &p.labelPhases};
}

// ---- writing ----

void WritePrefsWindowProperties(ItemWriter& out, const PrefDataRec& p)
{
    out.BeginBlock(FourCC("WIN_"));
    out.BeginItem(FourCC("RECT"));
    out(p.windowBounds);
    out.EndItem();
    for (const auto& [tag, value] : {std::pair{FourCC("*TBr"), p.showToolbar},
                                     std::pair{FourCC("*Prm"), p.showParameters},
                                     std::pair{FourCC("*Fls"), p.showFiles}}) {
        out.BeginItem(tag);
        out(value);
        out.EndItem();
    }
    out.EndBlock(FourCC("_WIN"));
}

void WritePrefsPlotSpecs(ItemWriter& out, PrefDataRec p)
{
    out.BeginBlock(FourCC("PLT_"));
    WritePlotSpecsItems(out, p.plotSpecs, PlotSpecsFlavour::Prefs);
    WriteStyleItem(out, FourCC("XdPS"), CrystalDefaults(p));
    WriteStyleItem(out, FourCC("DdPS"), DatasetDefaults(p));
    WriteLabelItem(out, LabelDefaults(p));
    out.BeginItem(FourCC("Size"));
    out(p.particleSize);
    out.EndItem();
    out.BeginItem(FourCC("Strn"));
    out(p.strain);
    out.EndItem();
    out.EndBlock(FourCC("_PLT"));
}

void WritePrefsUpdateCheck(ItemWriter& out, const PrefDataRec& p)
{
    out.BeginBlock(FourCC("UPD_"));
    out.BeginItem(FourCC("Auto"));
    out(p.updateCheckAuto);
    out.EndItem();
    out.BeginItem(FourCC("AInt"));
    out(p.updateCheckInterval);
    out.EndItem();
    out.BeginItem(FourCC("ATim"));
    out(p.updateCheckLastCheck);
    out.EndItem();
    out.BeginItem(FourCC("UpDt"));
    out(static_cast<UInt32>(p.updateCheckLastUpdate));
    out.EndItem();
    out.BeginItem(FourCC("UpGd"));
    out(static_cast<UInt32>(p.updateCheckLastUpgrade));
    out.EndItem();
    out.EndBlock(FourCC("_UPD"));
}

// ---- reading ----

bool ReadPrefsWindowProperties(ItemReader& in, PrefDataRec* p)
{
    return ReadItemsUntil(in, FourCC("_WIN"), [&](UInt32 tag, UInt32 length) {
        switch (tag) {
        case FourCC("RECT"): return ReadItemFields(in, length, [&](FieldReader& r) { r(p->windowBounds); });
        case FourCC("*TBr"): return ReadItemFields(in, length, [&](FieldReader& r) { r(p->showToolbar); });
        case FourCC("*Prm"): return ReadItemFields(in, length, [&](FieldReader& r) { r(p->showParameters); });
        case FourCC("*Fls"): return ReadItemFields(in, length, [&](FieldReader& r) { r(p->showFiles); });
        default: return ItemResult::Unknown;
        }
    });
}

bool ReadPrefsPlotSpecs(ItemReader& in, PrefDataRec* p)
{
    const bool ok = ReadItemsUntil(in, FourCC("_PLT"), [&](UInt32 tag, UInt32 length) {
        switch (tag) {
        case FourCC("XdPS"):
            return ReadItemFields(in, length, [&](FieldReader& r) { ReadStyleFields(r, CrystalDefaults(*p)); });
        case FourCC("DdPS"):
            return ReadItemFields(in, length, [&](FieldReader& r) { ReadStyleFields(r, DatasetDefaults(*p)); });
        case FourCC("Labl"): return ReadLabelItem(in, length, LabelDefaults(*p));
        case FourCC("Size"): return ReadItemFields(in, length, [&](FieldReader& r) { r(p->particleSize); });
        case FourCC("Strn"): return ReadItemFields(in, length, [&](FieldReader& r) { r(p->strain); });
        default: return ReadPlotSpecsItem(in, tag, length, &p->plotSpecs);
        }
    });
    const Float32 values[] = {p->crystalLineWidth, p->crystalMarkerSize, p->datasetLineWidth,
                              p->datasetMarkerSize, p->particleSize,     p->strain};
    bool finite = PlotSpecsAreFinite(p->plotSpecs);
    for (Float32 v : values)
        finite = finite && std::isfinite(v);
    return ok && finite;
}

bool ReadPrefsUpdateCheck(ItemReader& in, PrefDataRec* p)
{
    return ReadItemsUntil(in, FourCC("_UPD"), [&](UInt32 tag, UInt32 length) {
        switch (tag) {
        case FourCC("Auto"): return ReadItemFields(in, length, [&](FieldReader& r) { r(p->updateCheckAuto); });
        case FourCC("AInt"): return ReadItemFields(in, length, [&](FieldReader& r) { r(p->updateCheckInterval); });
        case FourCC("ATim"):
            // Files of versions before 5.1.0b3 hold whole seconds in 4 bytes; later ones a double.
            if (length == 4) {
                return ReadItemFields(in, length, [&](FieldReader& r) {
                    UInt32 seconds = 0;
                    if (r(seconds).ok())
                        p->updateCheckLastCheck = seconds;
                });
            }
            if (length == 8) {
                return ReadItemFields(in, length, [&](FieldReader& r) {
                    double seconds = 0;
                    if (r(seconds).ok() && std::isfinite(seconds))
                        p->updateCheckLastCheck = seconds;
                });
            }
            return ItemResult::Unknown;
        case FourCC("UpDt"): return ReadItemFields(in, length, [&](FieldReader& r) { r(p->updateCheckLastUpdate); });
        case FourCC("UpGd"): return ReadItemFields(in, length, [&](FieldReader& r) { r(p->updateCheckLastUpgrade); });
        default: return ItemResult::Unknown;
        }
    });
}

// Creates the folder and any missing parents (mode 0700 for new ones, as the user's settings).
bool MakeFolders(const std::string& folder)
{
    std::string partial;
    std::size_t start = 0;
    while (start <= folder.size()) {
        const std::size_t slash = folder.find('/', start);
        const std::size_t end = slash == std::string::npos ? folder.size() : slash;
        partial = folder.substr(0, end);
        if (!partial.empty() && ::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    struct stat st;
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string PrefsFolderPath()
{
    const std::string config = UserConfigFolder();
    return config.empty() ? std::string() : config + "/velmora";
}

std::string PrefsFilePath()
{
    const std::string folder = PrefsFolderPath();
    return folder.empty() ? std::string() : folder + "/" + gPrefsFileName;
}

OSErr WritePrefsStream(std::FILE* file, const PrefDataRec& prefs, bool withWindow)
{
    if (!file)
        return kParamErr;
    ItemWriter out(file);
    out.BeginItem(FourCC("Pref"));
    out.Chars(sizeof kPrefsHeaderText, kPrefsHeaderText);
    out.EndItem();
    char version[10] = {};
    std::memcpy(version, gProgramVersion, std::min(sizeof version, std::strlen(gProgramVersion)));
    out.BeginItem(FourCC("VERS"));
    out.Chars(sizeof version, version);
    out.EndItem();
    if (withWindow)
        WritePrefsWindowProperties(out, prefs);
    WritePrefsPlotSpecs(out, prefs);
    WritePrefsUpdateCheck(out, prefs);
    out.Tag(FourCC("STOP"));
    return out.error();
}

OSErr WritePrefsFile(const std::string& path, const PrefDataRec& prefs, bool withWindow)
{
    return WriteFileSafely(path, [&](std::FILE* file) { return WritePrefsStream(file, prefs, withWindow); });
}

bool CreateAndSavePrefsFile(PrefDataRec& prefs, const Rect* frontWindowBounds)
{
    const std::string folder = PrefsFolderPath();
    if (folder.empty() || !MakeFolders(folder))
        return false;
    if (frontWindowBounds)
        prefs.windowBounds = *frontWindowBounds;
    prefs.plotSpecs.showCursor = false;
    return WritePrefsFile(PrefsFilePath(), prefs, frontWindowBounds != nullptr) == kNoErr;
}

bool ReadPrefsStream(std::FILE* file, PrefDataRec* prefs)
{
    if (!file || !prefs)
        return false;
    PrefDataRec read = *prefs;
    ItemReader in(file);
    for (;;) {
        UInt32 tag = 0, length = 0;
        if (!in.ReadTag(&tag) || tag == FourCC("STOP"))
            break;
        if (!in.ReadLength(&length))
            return false;
        bool ok = true;
        switch (tag) {
        case FourCC("WIN_"): ok = ReadPrefsWindowProperties(in, &read); break;
        case FourCC("PLT_"): ok = ReadPrefsPlotSpecs(in, &read); break;
        case FourCC("UPD_"): ok = ReadPrefsUpdateCheck(in, &read); break;
        default: ok = in.Skip(length); break;  // the header, "VERS", and items of later versions
        }
        if (!ok)
            return false;
    }
    *prefs = read;
    return true;
}

bool ReadPrefsFile(const std::string& path, PrefDataRec* prefs)
{
    FileHandle file = OpenFile(path, "rb");
    return file && ReadPrefsStream(file.get(), prefs);
}

bool ExtractUserPrefs(PrefDataRec& prefs)
{
    const std::string path = PrefsFilePath();
    return !path.empty() && ReadPrefsFile(path, &prefs);
}
