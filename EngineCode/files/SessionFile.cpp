// Session files: writing and reading a whole document.
#include "SessionFile.h"

#include "CrystalFile.h"
#include "Diffraction.h"
#include "Document.h"
#include "SafeFile.h"
#include "Status.h"
#include "TaggedItems.h"
#include "Versions.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr UInt16 kSessionCrystal = 1;
constexpr UInt16 kSessionDataset = 2;

// Smallest stored sizes, used to bound counts by the bytes present before allocating.
constexpr std::size_t kMinSessionSiteBytes = 2 + 1 + 12 + 12 + 1;
constexpr std::size_t kSessionAtomBytes = 12;
constexpr std::size_t kSessionPointBytes = 8;

// Occupant slots that hold a species: a symbol of two characters above the blank pair.
constexpr UInt16 kFirstOccupantSymbol = 0x2021;

StyleRef CrystalStyle(CrystalDataRec& xp)
{
    return {&xp.plotColor, &xp.plotStyle, &xp.lineStyle, &xp.lineWidth, &xp.markerSize};
}

StyleRef DatasetStyle(ObsDataRec& dp)
{
    return {&dp.plotColor, &dp.plotStyle, &dp.lineStyle, &dp.lineWidth, &dp.markerSize};
}

LabelRef CrystalLabels(CrystalDataRec& xp)
{
    return {&xp.showLabel, &xp.labelThreshold, &xp.labelHKL, &xp.labelDSpacings, &xp.labelTwoTheta, &xp.labelPhases};
}

UInt16 OccupantCount(const InputDataRec& site)
{
    UInt16 n = 0;
    while (n < 3 && site.occupant[n].symbol >= kFirstOccupantSymbol)
        ++n;
    return n;
}

bool AllFinite(const std::vector<Float32>& values)
{
    return std::all_of(values.begin(), values.end(), [](Float32 v) { return std::isfinite(v); });
}

// ---- writing ----

void WriteSessionFileWindowProperties(ItemWriter& out, const WinInfoRec* w, const SessionWindowState& state)
{
    out.BeginBlock(FourCC("WIN_"));
    out.BeginItem(FourCC("TITL"));
    out.Text(w->filename);
    out.EndItem();
    out.BeginItem(FourCC("RECT"));
    out(state.bounds);
    out.EndItem();
    for (const auto& [tag, value] : {std::pair{FourCC("*TBr"), state.showToolbar},
                                     std::pair{FourCC("*Prm"), state.showParameters},
                                     std::pair{FourCC("*Fls"), state.showFiles}}) {
        out.BeginItem(tag);
        out(value);
        out.EndItem();
    }
    out.EndBlock(FourCC("_WIN"));
}

void WriteSessionFilePlotSpecs(ItemWriter& out, const PlotSpecsRec& ps)
{
    out.BeginBlock(FourCC("PLT_"));
    WritePlotSpecsItems(out, ps, PlotSpecsFlavour::Session);
    out.EndBlock(FourCC("_PLT"));
}

// The items every pattern block begins with.
void WritePatternHead(ItemWriter& out, const VLPatternRec& pattern, UInt16 kind, const StyleRef& style)
{
    out.BeginItem(FourCC("PAT?"));
    out(kind);
    out.EndItem();
    out.BeginItem(FourCC("Titl"));
    out.Text(pattern.name);
    out.EndItem();
    out.BeginItem(FourCC("Slct"));
    out(pattern.selected);
    out.EndItem();
    WriteStyleItem(out, FourCC("Styl"), style);
}

void WriteSessionAU(ItemWriter& out, const CrystalDataRec& xp)
{
    out.BeginItem(FourCC("AUni"));
    out(static_cast<UInt32>(xp.ntyp()));
    for (const InputDataRec& site : xp.AU) {
        const UInt16 n = OccupantCount(site);
        out(n);
        for (UInt16 j = 0; j < n; ++j)
            out(site.occupant[j].symbol)(site.occupant[j].occupancy);
        const std::size_t length = strnlen(site.label, sizeof site.label - 1);
        out(static_cast<UInt8>(length + 1));
        out.Chars(length, site.label)(UInt8{0});
        out(site.x[0])(site.x[1])(site.x[2]);
        out(static_cast<UInt32>(site.pos))(static_cast<UInt32>(site.lastInRange))(static_cast<UInt32>(site.numInCell));
        out(site.include);
    }
    out.EndItem();
}

void WriteSessionEllipsoids(ItemWriter& out, const CrystalDataRec& xp)
{
    out.BeginItem(FourCC("AUEL"));
    out(static_cast<UInt32>(xp.ntyp()));
    for (const InputDataRec& site : xp.AU) {
        out(static_cast<UInt16>(site.adpType))(site.uIso);
        if (site.adpType == kADPTypeUij || site.adpType == kADPTypeBij)
            out(site.uAni[0][0])(site.uAni[1][1])(site.uAni[2][2])(site.uAni[1][2])(site.uAni[0][2])(site.uAni[0][1]);
    }
    out.EndItem();
}

void WriteSessionFileCrystal(ItemWriter& out, const VLPatternRec& pattern)
{
    CrystalDataRec& xp = *pattern.crystal;
    out.BeginBlock(FourCC("PAT_"));
    WritePatternHead(out, pattern, kSessionCrystal, CrystalStyle(xp));
    auto item = [&out](const char(&tag)[5], auto... fields) {
        out.BeginItem(FourCC(tag));
        (out(fields), ...);
        out.EndItem();
    };
    item("dXdY", xp.xOffset, xp.yOffset);
    // The B and C terms of the background A + Bx + C/x (A is yOffset, above).
    item("BgBC", xp.baseCoefs[0], xp.baseCoefs[1]);
    item("VolF", xp.volFrac);
    WriteLabelItem(out, CrystalLabels(xp));
    item("Size", xp.particleSize);
    item("Strn", xp.strain);
    item("Cell", xp.a, xp.b, xp.c, xp.alpha, xp.beta, xp.gamma);
    out.BeginItem(FourCC("Spgr"));
    out.Chars(strnlen(xp.spaceGroupSymbol, sizeof xp.spaceGroupSymbol - 1), xp.spaceGroupSymbol)(UInt8{0});
    out.EndItem();
    item("Ltc?", static_cast<UInt8>(xp.ltyp));
    item("ADP?", xp.hasEllipsoids);
    WriteSessionAU(out, xp);
    if (xp.hasEllipsoids)
        WriteSessionEllipsoids(out, xp);
    out.BeginItem(FourCC("Atom"));
    out(static_cast<UInt32>(xp.nAtoms()));
    for (const AtomDataRec& atom : xp.atoms)
        out(atom.x[0])(atom.x[1])(atom.x[2]);
    out.EndItem();
    out.EndBlock(FourCC("_PAT"));
}

void WriteSessionFileDataset(ItemWriter& out, const VLPatternRec& pattern)
{
    ObsDataRec& dp = *pattern.dataset;
    out.BeginBlock(FourCC("PAT_"));
    WritePatternHead(out, pattern, kSessionDataset, DatasetStyle(dp));
    out.BeginItem(FourCC("dXdY"));
    out(dp.xOffset)(dp.yOffset);
    out.EndItem();
    out.BeginItem(FourCC("RelS"));
    out(dp.relScale);
    out.EndItem();
    out.BeginItem(FourCC("DatR"));
    out(dp.xmin)(dp.xmax)(dp.ymin)(dp.ymax);
    out.EndItem();
    out.BeginItem(FourCC("Data"));
    out(static_cast<UInt32>(dp.nData()));
    for (std::size_t i = 0; i < dp.x.size(); ++i)
        out(dp.x[i])(dp.profile[i]);
    out.EndItem();
    out.EndBlock(FourCC("_PAT"));
}

// ---- reading ----

bool ReadTextItem(ItemReader& in, UInt32 length, std::string* text)
{
    if (length == 0) {
        text->clear();
        return true;
    }
    FileBufferPtr payload = in.ReadPayload(length);
    return payload && BufferReadCFString(payload.get(), length, text) == 0;
}

ItemResult TextResult(bool ok)
{
    return ok ? ItemResult::Read : ItemResult::Failed;
}

bool ReadSessionFileWindowProperties(ItemReader& in, WinInfoRec* w, SessionWindowState* state)
{
    return ReadItemsUntil(in, FourCC("_WIN"), [&](UInt32 tag, UInt32 length) {
        switch (tag) {
        case FourCC("TITL"):
            state->hasTitle = true;
            return TextResult(ReadTextItem(in, length, &w->filename));
        case FourCC("RECT"):
            state->hasBounds = true;
            return ReadItemFields(in, length, [&](FieldReader& r) { r(state->bounds); });
        case FourCC("*TBr"): return ReadItemFields(in, length, [&](FieldReader& r) { r(state->showToolbar); });
        case FourCC("*Prm"): return ReadItemFields(in, length, [&](FieldReader& r) { r(state->showParameters); });
        case FourCC("*Fls"): return ReadItemFields(in, length, [&](FieldReader& r) { r(state->showFiles); });
        default: return ItemResult::Unknown;
        }
    });
}

bool ReadSessionFilePlotSpecs(ItemReader& in, PlotSpecsRec* ps)
{
    if (!ReadItemsUntil(in, FourCC("_PLT"),
                        [&](UInt32 tag, UInt32 length) { return ReadPlotSpecsItem(in, tag, length, ps); }))
        return false;
    // Intensities are always shown relative after a session is opened.
    ps->relativeIntensity = true;
    return PlotSpecsAreFinite(*ps);
}

// The sites: each as written, the first three occupants kept. -1 when the payload is short or
// longer than what the sites take.
int ReadSessionAU(FileBufferRec* buffer, CrystalDataRec* xp, FileProblems& problems)
{
    FieldReader r(buffer);
    SInt32 count = 0;
    if (!r(count).ok() || count < 0 || static_cast<std::size_t>(count) > r.Remaining() / kMinSessionSiteBytes ||
        !CreateAsymmetricUnit(xp, count, &problems))
        return -1;
    for (InputDataRec& site : xp->AU) {
        UInt16 n = 0;
        r(n);
        for (UInt16 j = 0; j < n && r.ok(); ++j) {
            UInt16 symbol = 0;
            Float32 occupancy = 0;
            r(symbol)(occupancy);
            if (j < 3)
                site.occupant[j] = SiteRec{symbol, 0, occupancy};
        }
        UInt8 labelBytes = 0;
        r(labelBytes);
        if (!r.ok() || labelBytes > sizeof site.label)
            return -1;
        r.Chars(labelBytes, site.label);
        site.label[sizeof site.label - 1] = '\0';
        UInt32 pos = 0, lastInRange = 0, numInCell = 0;
        r(site.x[0])(site.x[1])(site.x[2])(pos)(lastInRange)(numInCell)(site.include);
        site.pos = static_cast<AtomIndex>(pos);
        site.lastInRange = static_cast<AtomIndex>(lastInRange);
        site.numInCell = static_cast<AtomIndex>(numInCell);
    }
    return r.ok() && r.Remaining() == 0 ? 0 : -1;
}

int ReadSessionEllipsoids(FileBufferRec* buffer, CrystalDataRec* xp, FileProblems&)
{
    FieldReader r(buffer);
    UInt32 count = 0;
    if (xp->AU.empty() || !r(count).ok() || count != static_cast<UInt32>(xp->ntyp()))
        return -1;
    for (InputDataRec& site : xp->AU) {
        UInt16 adpType = 0;
        r(adpType)(site.uIso);
        if (!r.ok() || adpType > kADPTypeBij)
            return -1;
        site.adpType = static_cast<ADPType>(adpType);
        Float32 u[6] = {0, 0, 0, 0, 0, 0};  // stored only for Uij and Bij sites
        if (adpType == kADPTypeUij || adpType == kADPTypeBij)
            r(u[0])(u[1])(u[2])(u[3])(u[4])(u[5]);
        SetSiteUij(&site, u);
    }
    return r.ok() && r.Remaining() == 0 ? 0 : -1;
}

ItemResult ReadSubBlock(ItemReader& in, UInt32 length, int (*reader)(FileBufferRec*, CrystalDataRec*, FileProblems&),
                        CrystalDataRec* xp, FileProblems& problems)
{
    FileBufferPtr payload = in.ReadPayload(length);
    return payload && reader(payload.get(), xp, problems) == 0 ? ItemResult::Read : ItemResult::Failed;
}

// The items shared by both kinds of pattern block; Unknown for the others.
ItemResult ReadPatternHeadItem(ItemReader& in, UInt32 tag, UInt32 length, VLPatternRec* pattern, const StyleRef& style)
{
    switch (tag) {
    case FourCC("Titl"): return TextResult(ReadTextItem(in, length, &pattern->name));
    case FourCC("Slct"): return ReadItemFields(in, length, [&](FieldReader& r) { r(pattern->selected); });
    case FourCC("Styl"): return ReadItemFields(in, length, [&](FieldReader& r) { ReadStyleFields(r, style); });
    default: return ItemResult::Unknown;
    }
}

std::unique_ptr<VLPatternRec> ReadSessionFileCrystal(ItemReader& in, const PrefDataRec& prefs, FileProblems& problems)
{
    std::unique_ptr<VLPatternRec> pattern = CreatePattern();
    std::unique_ptr<CrystalDataRec> crystal = CreateCrystal(prefs);
    if (!pattern || !crystal)
        return nullptr;
    CrystalDataRec& xp = *crystal;
    const bool ok = ReadItemsUntil(in, FourCC("_PAT"), [&](UInt32 tag, UInt32 length) {
        auto fields = [&](auto parse) { return ReadItemFields(in, length, parse); };
        switch (tag) {
        case FourCC("dXdY"): return fields([&](FieldReader& r) { r(xp.xOffset)(xp.yOffset); });
        case FourCC("BgBC"): return fields([&](FieldReader& r) { r(xp.baseCoefs[0])(xp.baseCoefs[1]); });
        case FourCC("VolF"): return fields([&](FieldReader& r) { r(xp.volFrac); });
        case FourCC("Labl"): return ReadLabelItem(in, length, CrystalLabels(xp));
        case FourCC("Size"): return fields([&](FieldReader& r) { r(xp.particleSize); });
        case FourCC("Strn"): return fields([&](FieldReader& r) { r(xp.strain); });
        case FourCC("Cell"): return fields([&](FieldReader& r) { r(xp.a)(xp.b)(xp.c)(xp.alpha)(xp.beta)(xp.gamma); });
        case FourCC("Spgr"):
            if (length > sizeof xp.spaceGroupSymbol)
                return ItemResult::Failed;
            return fields([&](FieldReader& r) {
                r.Chars(length, xp.spaceGroupSymbol);
                xp.spaceGroupSymbol[sizeof xp.spaceGroupSymbol - 1] = '\0';
            });
        case FourCC("Ltc?"): return fields([&](FieldReader& r) { r(xp.ltyp); });
        case FourCC("ADP?"): return fields([&](FieldReader& r) { r(xp.hasEllipsoids); });
        case FourCC("AUni"): return ReadSubBlock(in, length, ReadSessionAU, &xp, problems);
        case FourCC("AUEL"): return ReadSubBlock(in, length, ReadSessionEllipsoids, &xp, problems);
        case FourCC("Atom"):
            return fields([&](FieldReader& r) {
                UInt32 n = 0;
                if (!r(n).ok() || n > r.Remaining() / kSessionAtomBytes ||
                    !CreateAtomsArray(&xp, static_cast<AtomIndex>(n), &problems)) {
                    r.Fail();
                    return;
                }
                for (AtomDataRec& atom : xp.atoms)
                    r(atom.x[0])(atom.x[1])(atom.x[2]);
            });
        default: return ReadPatternHeadItem(in, tag, length, pattern.get(), CrystalStyle(xp));
        }
    });
    if (!ok)
        return nullptr;
    const std::vector<Float32> values = {xp.xOffset, xp.yOffset,  xp.volFrac,    xp.particleSize, xp.strain,
                                         xp.lineWidth, xp.markerSize, xp.baseCoefs[0], xp.baseCoefs[1]};
    if (!AllFinite(values)) {
        problems.Stop("Error_Invalid_Numbers");
        return nullptr;
    }
    if (!CrystalIsSound(&xp, problems))
        return nullptr;
    pattern->type = kPatternTypeCrystal;
    pattern->crystal = std::move(crystal);
    return pattern;
}

std::unique_ptr<VLPatternRec> ReadSessionFileDataset(ItemReader& in, const PrefDataRec& prefs, FileProblems& problems)
{
    std::unique_ptr<VLPatternRec> pattern = CreatePattern();
    std::unique_ptr<ObsDataRec> dataset = CreateDataset(prefs);
    if (!pattern || !dataset)
        return nullptr;
    ObsDataRec& dp = *dataset;
    const bool ok = ReadItemsUntil(in, FourCC("_PAT"), [&](UInt32 tag, UInt32 length) {
        auto fields = [&](auto parse) { return ReadItemFields(in, length, parse); };
        switch (tag) {
        case FourCC("dXdY"): return fields([&](FieldReader& r) { r(dp.xOffset)(dp.yOffset); });
        case FourCC("RelS"): return fields([&](FieldReader& r) { r(dp.relScale); });
        case FourCC("DatR"): return fields([&](FieldReader& r) { r(dp.xmin)(dp.xmax)(dp.ymin)(dp.ymax); });
        case FourCC("Data"):
            return fields([&](FieldReader& r) {
                UInt32 n = 0;
                if (!r(n).ok() || n > r.Remaining() / kSessionPointBytes ||
                    !CreateDatasetPoints(&dp, static_cast<AtomIndex>(n))) {
                    r.Fail();
                    return;
                }
                for (UInt32 i = 0; i < n; ++i)
                    r(dp.x[i])(dp.profile[i]);
            });
        default: return ReadPatternHeadItem(in, tag, length, pattern.get(), DatasetStyle(dp));
        }
    });
    if (!ok)
        return nullptr;
    if (dp.nData() == 0) {
        problems.Stop("No_Data_In_File");
        return nullptr;
    }
    const std::vector<Float32> values = {dp.xmin, dp.xmax, dp.ymin, dp.ymax, dp.xOffset,
                                         dp.yOffset, dp.relScale, dp.lineWidth, dp.markerSize};
    if (!AllFinite(values) || !AllFinite(dp.x) || !AllFinite(dp.profile)) {
        problems.Stop("Error_Invalid_Numbers");
        return nullptr;
    }
    pattern->type = kPatternTypeDataset;
    pattern->dataset = std::move(dataset);
    return pattern;
}

// A "PAT_" block: the kind from its first item "PAT?", then the items of that kind.
std::unique_ptr<VLPatternRec> ReadSessionPattern(ItemReader& in, const PrefDataRec& prefs, FileProblems& problems)
{
    UInt32 tag = 0, length = 0;
    UInt16 kind = 0;
    if (!in.ReadTag(&tag) || tag != FourCC("PAT?") || !in.ReadLength(&length) ||
        ReadItemFields(in, length, [&](FieldReader& r) { r(kind); }) != ItemResult::Read)
        return nullptr;
    switch (kind) {
    case kSessionCrystal: return ReadSessionFileCrystal(in, prefs, problems);
    case kSessionDataset: return ReadSessionFileDataset(in, prefs, problems);
    default: return nullptr;
    }
}

}  // namespace

SessionParseResult ParseSession(std::FILE* file, WinInfoRec* scratch, SessionWindowState* state, const PrefDataRec& prefs,
                                FileProblems& problems)
{
    if (!file || !scratch || !state)
        return SessionParseResult::Failed;
    ItemReader in(file);
    UInt32 tag = 0, length = 0;
    // The first item is the header; anything else is not a session file.
    if (!in.ReadTag(&tag) || (tag != FourCC("VLMF") && tag != FourCC("VLMs")) || !in.ReadLength(&length) ||
        !in.Skip(length))
        return SessionParseResult::Failed;
    for (;;) {
        if (!in.ReadTag(&tag))
            return SessionParseResult::Failed;
        if (tag == FourCC("STOP"))
            return SessionParseResult::Done;
        if (!in.ReadLength(&length))
            return SessionParseResult::Failed;
        switch (tag) {
        case FourCC("VERS"): {
            char text[10] = {};
            if (length > sizeof text ||
                ReadItemFields(in, length, [&](FieldReader& r) { r.Chars(length, text); }) != ItemResult::Read)
                return SessionParseResult::Failed;
            const std::string_view field(text, sizeof text);
            if (!IsVersionField(field))
                return SessionParseResult::Failed;
            if (GetVersionInteger(field) <= kLastOldSessionVersion)
                return SessionParseResult::OldSession;
            break;
        }
        case FourCC("WIN_"):
            if (!ReadSessionFileWindowProperties(in, scratch, state))
                return SessionParseResult::Failed;
            break;
        case FourCC("PLT_"):
            if (!ReadSessionFilePlotSpecs(in, &scratch->plotSpecs))
                return SessionParseResult::Failed;
            break;
        case FourCC("nPAT"):  // the count is not needed: the blocks follow
            if (!in.Skip(length))
                return SessionParseResult::Failed;
            break;
        case FourCC("PAT_"): {
            std::unique_ptr<VLPatternRec> pattern = ReadSessionPattern(in, prefs, problems);
            if (!pattern)
                return SessionParseResult::Failed;
            VLPatternPtr added = InsertPatternIntoFileList(scratch, std::move(pattern), nullptr);
            InsertPatternIntoPlotList(scratch, added, nullptr);
            break;
        }
        default:
            if (!in.Skip(length))
                return SessionParseResult::Failed;
            break;
        }
    }
}

OSErr WriteSessionStream(WinInfoRec* theWindow, std::FILE* file, const SessionWindowState& state)
{
    if (!theWindow || !file || theWindow->plotList.empty())
        return kParamErr;
    ItemWriter out(file);
    out.BeginItem(FourCC("VLMF"));
    out.Chars(sizeof kSessionHeaderText, kSessionHeaderText);
    out.EndItem();
    char version[10] = {};
    std::memcpy(version, gProgramVersion, std::min(sizeof version, std::strlen(gProgramVersion)));
    out.BeginItem(FourCC("VERS"));
    out.Chars(sizeof version, version);
    out.EndItem();
    WriteSessionFileWindowProperties(out, theWindow, state);
    WriteSessionFilePlotSpecs(out, theWindow->plotSpecs);
    out.BeginItem(FourCC("nPAT"));
    out(static_cast<UInt32>(theWindow->plotList.size()));
    out.EndItem();
    for (const VLPatternPtr pattern : theWindow->plotList) {
        if (pattern->type == kPatternTypeCrystal && pattern->crystal && !pattern->crystal->AU.empty() &&
            !pattern->crystal->atoms.empty())
            WriteSessionFileCrystal(out, *pattern);
        else if (pattern->type == kPatternTypeDataset && pattern->dataset)
            WriteSessionFileDataset(out, *pattern);
    }
    out.Tag(FourCC("STOP"));
    return out.error();
}

OSErr WriteSessionFile(WinInfoRec* theWindow, const std::string& path, const SessionWindowState& state)
{
    if (!theWindow || theWindow->plotList.empty())
        return kParamErr;
    const OSErr err =
        WriteFileSafely(path, [&](std::FILE* file) { return WriteSessionStream(theWindow, file, state); });
    if (err != kNoErr) {
        MyCFStopAlert(WriteErrorKey(err));
        return err;
    }
    theWindow->sessionFilePtr = path;
    return kNoErr;
}

bool ReadSessionStream(WinInfoRec* theWindow, std::FILE* file, SessionWindowState* state, const PrefDataRec& prefs,
                       FileProblems& problems)
{
    if (!theWindow || !file)
        return false;
    ShowLocalizedStatus(theWindow, "Reading_Session_File");

    // Everything is read into a scratch document first, so a failure leaves the document as it was.
    std::unique_ptr<WinInfoRec> scratch = CreateWindowInfo(prefs);
    if (!scratch) {
        problems.Stop("No_Memory");
        return false;
    }
    scratch->plotSpecs = theWindow->plotSpecs;
    scratch->statusSink = theWindow->statusSink;
    SessionWindowState read;
    const std::size_t before = problems.size();
    const SessionParseResult outcome = ParseSession(file, scratch.get(), &read, prefs, problems);
    if (outcome == SessionParseResult::OldSession) {
        // Such sessions name their files through platform aliases, which cannot be resolved here.
        problems.Stop("Cant_Find_File");
        return false;
    }
    if (outcome == SessionParseResult::Failed) {
        // A failure that no check named gets the general message.
        if (problems.size() == before)
            problems.Stop("Error_Reading_Session");
        ClearStatusBar(theWindow);
        return false;
    }

    // Each crystal gets its reflexions with the session's settings.
    for (const VLPatternPtr pattern : scratch->plotList)
        if (pattern->type == kPatternTypeCrystal)
            JustDiffract(scratch.get(), pattern->crystal.get(), nullptr);

    theWindow->plotSpecs = scratch->plotSpecs;
    if (read.hasTitle)
        theWindow->filename = scratch->filename;
    for (const VLPatternPtr pattern : std::vector<VLPatternPtr>(scratch->plotList)) {
        VLPatternPtr added = InsertPatternIntoFileListSorted(theWindow, RemovePatternFromFileList(scratch.get(), pattern));
        InsertPatternIntoPlotList(theWindow, added, nullptr);
    }
    if (state)
        *state = read;
    if (theWindow->hooks) {
        theWindow->hooks->RedrawWindow(theWindow, true, true);
        theWindow->hooks->RebuildParameterList(theWindow);
    }
    return true;
}

bool ReadSessionFile(WinInfoRec* theWindow, const std::string& path, const PrefDataRec& prefs, FileProblems& problems,
                     SessionWindowState* state)
{
    if (!theWindow)
        return false;
    FileHandle file = OpenFile(path, "rb");
    if (!file) {
        problems.Stop("Error_Opening_File");
        return false;
    }
    if (!ReadSessionStream(theWindow, file.get(), state, prefs, problems))
        return false;
    theWindow->sessionFilePtr = path;
    return true;
}

Rect DoSessionWindowBounds(const Rect& stored, const Rect& screen)
{
    const int width = std::max(stored.Width(), kSessionWindowMinWidth);
    const int height = std::max(stored.Height(), kSessionWindowMinHeight);
    const bool onScreen = stored.left >= screen.left && stored.left < screen.right && stored.top >= screen.top &&
                          stored.top < screen.bottom;
    const int top = onScreen ? stored.top : screen.top;
    const int left = onScreen ? stored.left : screen.left;
    auto clamp16 = [](int v) { return static_cast<SInt16>(std::clamp(v, -32768, 32767)); };
    return Rect{clamp16(top), clamp16(left), clamp16(top + height), clamp16(left + width)};
}
