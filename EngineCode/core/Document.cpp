// The window document and its file and plot lists.
#include "Document.h"

#include "Globals.h"
#include "Status.h"

#include <algorithm>
#include <cctype>
#include <new>

namespace {

int CompareNoCase(const std::string& a, const std::string& b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

auto FindInFileList(const WinInfoRec* w, const VLPatternRec* pp)
{
    return std::find_if(w->fileList.begin(), w->fileList.end(),
                        [pp](const std::unique_ptr<VLPatternRec>& p) { return p.get() == pp; });
}

template <typename Pred>
VLPatternPtr LastInPlotList(const WinInfoRec* w, Pred pred)
{
    if (!w)
        return nullptr;
    for (auto it = w->plotList.rbegin(); it != w->plotList.rend(); ++it)
        if (pred(*it))
            return *it;
    return nullptr;
}

}  // namespace

StatusSink& GetWindowStatusSink(WinInfoRec* theWindow)
{
    if (theWindow && theWindow->statusSink)
        return *theWindow->statusSink;
    return CurrentStatusSink();
}

std::unique_ptr<WinInfoRec> CreateWindowInfo(const PrefDataRec& prefs)
{
    auto info = std::unique_ptr<WinInfoRec>(new (std::nothrow) WinInfoRec);
    if (info)
        InitBlankInfoRecord(info.get(), prefs);
    return info;
}

void InitBlankInfoRecord(WinInfoRec* info, const PrefDataRec& prefs)
{
    if (!info)
        return;
    info->filename.clear();
    info->plotSpecs = prefs.plotSpecs;
    info->plotRect = {};
    info->residualRect = {};
    info->currentTool = 0;
    info->sessionFilePtr.clear();
    info->folders.clear();
    info->folderChoice = -1;
    info->itemChoice = -1;
    info->topParameterLine = 0;
    info->parameterRect = {};
    info->plotList.clear();
    info->fileList.clear();
    info->cursorInfo = {};
    info->nextPlotColor = 0;
}

void RedrawRefittingY(WinInfoRec* w, bool recalcProfiles, bool showProgress)
{
    if (!w || !w->hooks)
        return;
    const Boolean saved = w->autoScaleY;
    w->autoScaleY = saved || !w->yRangeByHand;
    w->hooks->RedrawWindow(w, recalcProfiles, showProgress);
    w->autoScaleY = saved;
}

void DestroyWindowInfo(std::unique_ptr<WinInfoRec>& info)
{
    if (info) {
        info->plotList.clear();
        info->fileList.clear();
    }
    info.reset();
}

FolderRec* GetWindowFolder(WinInfoRec* w, SInt32 n)
{
    if (!w || n < 0 || n >= w->nFolders())
        return nullptr;
    return &w->folders[static_cast<std::size_t>(n)];
}

ItemRec* GetWindowItem(WinInfoRec* w, SInt32 folder, SInt32 item)
{
    FolderRec* f = GetWindowFolder(w, folder);
    if (!f || item < 0 || item >= f->nItems())
        return nullptr;
    return &f->items[static_cast<std::size_t>(item)];
}

bool AddFolderToWindow(WinInfoRec* w, FolderRec folder)
{
    if (!w)
        return false;
    try {
        w->folders.push_back(std::move(folder));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void EmptyParameterFolder(FolderRec* folder)
{
    if (!folder)
        return;
    folder->items.clear();
    folder->name.clear();
}

void DestroyWindowFolders(WinInfoRec* w)
{
    if (!w)
        return;
    for (FolderRec& f : w->folders)
        EmptyParameterFolder(&f);
    w->folders.clear();
    w->folderChoice = -1;
    w->itemChoice = -1;
    w->topParameterLine = 0;
}

// ---- automatic plot colours ----

// Black first, so that a window with one pattern prints it in black. Then the colours of the
// Okabe-Ito set, which viewers with the common colour-vision deficiencies can tell apart (its
// yellow is left out: it vanishes on white paper), three darker colours of Paul Tol's muted set
// and a dark grey. The order makes neighbours, which patterns added one after the other get,
// lie far apart in hue and alternate between lighter and darker (at least 12 units of CIE L*
// apart), so they differ in a black-and-white print as well; the first five are all far apart.
const RGBColor gMenuFileColor[12] = {
    {0x0000, 0x0000, 0x0000},  // black
    {0xD5D5, 0x5E5E, 0x0000},  // vermilion
    {0x5656, 0xB4B4, 0xE9E9},  // sky blue
    {0x0000, 0x9E9E, 0x7373},  // bluish green
    {0x8888, 0x2222, 0x5555},  // wine
    {0xE6E6, 0x9F9F, 0x0000},  // orange
    {0x0000, 0x7272, 0xB2B2},  // blue
    {0xCCCC, 0x7979, 0xA7A7},  // reddish purple
    {0x3333, 0x2222, 0x8888},  // indigo
    {0x9999, 0x9999, 0x3333},  // olive
    {0x5555, 0x5555, 0x5555},  // dark grey
    {0x4444, 0xAAAA, 0x9999},  // teal
};

RGBColor GetNextPlotColor(WinInfoRec* w)
{
    if (!w)
        return gMenuFileColor[0];
    if (w->nextPlotColor > 11)
        w->nextPlotColor = 0;
    const RGBColor colour = gMenuFileColor[w->nextPlotColor];
    w->nextPlotColor = static_cast<UInt16>(w->nextPlotColor == 11 ? 0 : w->nextPlotColor + 1);
    return colour;
}

// ---- file list ----

VLPatternPtr InsertPatternIntoFileList(WinInfoRec* w, std::unique_ptr<VLPatternRec> pp, VLPatternPtr before)
{
    if (!w || !pp)
        return nullptr;
    VLPatternPtr raw = pp.get();
    auto at = before ? FindInFileList(w, before) : w->fileList.end();
    w->fileList.insert(at, std::move(pp));
    return raw;
}

VLPatternPtr InsertPatternIntoFileListSorted(WinInfoRec* w, std::unique_ptr<VLPatternRec> pp)
{
    if (!w || !pp)
        return nullptr;
    VLPatternPtr before = nullptr;
    for (const auto& p : w->fileList) {
        if (MyComparePatterns(p.get(), pp.get()) > 0) {
            before = p.get();
            break;
        }
    }
    return InsertPatternIntoFileList(w, std::move(pp), before);
}

std::unique_ptr<VLPatternRec> RemovePatternFromFileList(WinInfoRec* w, VLPatternPtr pp)
{
    if (!w || !pp)
        return nullptr;
    const auto found = FindInFileList(w, pp);
    if (found == w->fileList.end())
        return nullptr;
    const auto it = w->fileList.begin() + (found - w->fileList.cbegin());
    RemovePatternFromPlotList(w, pp);
    std::unique_ptr<VLPatternRec> owned = std::move(*it);
    w->fileList.erase(it);
    return owned;
}

VLPatternPtr GetPreviousPatternInFileList(const WinInfoRec* w, const VLPatternRec* pp)
{
    if (!w || !pp)
        return nullptr;
    const auto it = FindInFileList(w, pp);
    if (it == w->fileList.end() || it == w->fileList.begin())
        return nullptr;
    return std::prev(it)->get();
}

SInt32 GetNumPatternsInFileList(const WinInfoRec* w)
{
    return w ? static_cast<SInt32>(w->fileList.size()) : 0;
}

VLPatternPtr GetNthPatternInFileList(const WinInfoRec* w, SInt32 n)
{
    if (!w || n < 0 || n >= GetNumPatternsInFileList(w))
        return nullptr;
    return w->fileList[static_cast<std::size_t>(n)].get();
}

VLPatternPtr GetFirstSelectedPatternInFileList(const WinInfoRec* w)
{
    if (!w)
        return nullptr;
    for (const auto& p : w->fileList)
        if (p->selected)
            return p.get();
    return nullptr;
}

void SortFileListByName(WinInfoRec* w)
{
    if (!w)
        return;
    std::stable_sort(w->fileList.begin(), w->fileList.end(),
                     [](const std::unique_ptr<VLPatternRec>& a, const std::unique_ptr<VLPatternRec>& b) {
                         return MyComparePatterns(a.get(), b.get()) < 0;
                     });
}

int MyComparePatterns(const VLPatternRec* a, const VLPatternRec* b)
{
    static const std::string empty;
    return CompareNoCase(a ? a->name : empty, b ? b->name : empty);
}

bool PatternIsCached(const VLPatternRec* pp)
{
    if (!pp)
        return false;
    return (pp->type == kPatternTypeCrystal && pp->crystal) || (pp->type == kPatternTypeDataset && pp->dataset);
}

bool PatternIsInFileList(const WinInfoRec* w, const VLPatternRec* pp)
{
    return w && pp && FindInFileList(w, pp) != w->fileList.end();
}

// ---- plot list ----

void InsertPatternIntoPlotList(WinInfoRec* w, VLPatternPtr pp, VLPatternPtr before)
{
    if (!w || !pp || std::find(w->plotList.begin(), w->plotList.end(), pp) != w->plotList.end())
        return;
    auto at = before ? std::find(w->plotList.begin(), w->plotList.end(), before) : w->plotList.end();
    w->plotList.insert(at, pp);
    pp->plotted = true;
}

void RemovePatternFromPlotList(WinInfoRec* w, VLPatternPtr pp)
{
    if (!w || !pp)
        return;
    w->plotList.erase(std::remove(w->plotList.begin(), w->plotList.end(), pp), w->plotList.end());
    pp->plotted = false;
}

VLPatternPtr GetPreviousPatternInPlotList(const WinInfoRec* w, const VLPatternRec* pp)
{
    if (!w || !pp)
        return nullptr;
    const auto it = std::find(w->plotList.begin(), w->plotList.end(), pp);
    if (it == w->plotList.end() || it == w->plotList.begin())
        return nullptr;
    return *std::prev(it);
}

SInt32 GetNumPatternsInPlotList(const WinInfoRec* w)
{
    return w ? static_cast<SInt32>(w->plotList.size()) : 0;
}

VLPatternPtr GetNthPatternInPlotList(const WinInfoRec* w, SInt32 n)
{
    if (!w || n < 0 || n >= GetNumPatternsInPlotList(w))
        return nullptr;
    return w->plotList[static_cast<std::size_t>(n)];
}

VLPatternPtr GetFirstSelectedPatternInPlotList(const WinInfoRec* w)
{
    if (!w)
        return nullptr;
    for (VLPatternPtr p : w->plotList)
        if (p->selected)
            return p;
    return nullptr;
}

CrystalDataPtr GetNthCrystalInPlotList(const WinInfoRec* w, SInt32 n)
{
    if (!w || n < 0)
        return nullptr;
    for (VLPatternPtr p : w->plotList) {
        if (p->type != kPatternTypeCrystal)
            continue;
        if (n-- == 0)
            return p->crystal.get();
    }
    return nullptr;
}

SInt32 GetNumCrystalsInPlotList(const WinInfoRec* w)
{
    if (!w)
        return 0;
    return static_cast<SInt32>(std::count_if(w->plotList.begin(), w->plotList.end(),
                                             [](VLPatternPtr p) { return p->type == kPatternTypeCrystal; }));
}

SInt32 GetNumDatasetsInPlotList(const WinInfoRec* w)
{
    if (!w)
        return 0;
    return static_cast<SInt32>(std::count_if(w->plotList.begin(), w->plotList.end(),
                                             [](VLPatternPtr p) { return p->type == kPatternTypeDataset; }));
}

SInt32 GetNumSelectedCrystals(const WinInfoRec* w)
{
    if (!w)
        return 0;
    return static_cast<SInt32>(std::count_if(w->plotList.begin(), w->plotList.end(), [](VLPatternPtr p) {
        return p->type == kPatternTypeCrystal && p->selected;
    }));
}

CrystalDataPtr GetFrontCrystal(const WinInfoRec* w)
{
    const VLPatternPtr p = LastInPlotList(w, [](VLPatternPtr q) { return q->type == kPatternTypeCrystal; });
    return p ? p->crystal.get() : nullptr;
}

ObsDataPtr GetFrontDataset(const WinInfoRec* w)
{
    const VLPatternPtr p = LastInPlotList(w, [](VLPatternPtr q) { return q->type == kPatternTypeDataset; });
    return p ? p->dataset.get() : nullptr;
}

CrystalDataPtr GetFrontSelectedCrystal(const WinInfoRec* w)
{
    const VLPatternPtr p =
        LastInPlotList(w, [](VLPatternPtr q) { return q->type == kPatternTypeCrystal && q->selected; });
    return p ? p->crystal.get() : nullptr;
}

ObsDataPtr GetFrontSelectedDataset(const WinInfoRec* w)
{
    const VLPatternPtr p =
        LastInPlotList(w, [](VLPatternPtr q) { return q->type == kPatternTypeDataset && q->selected; });
    return p ? p->dataset.get() : nullptr;
}
