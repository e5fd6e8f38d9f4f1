// Crystal files, format versions 5 to 8: header, block map, block readers, loading.
#include "CrystalFile.h"

#include "CellGeometry.h"
#include "Diffraction.h"
#include "Document.h"
#include "FieldReader.h"
#include "FileTypes.h"
#include "LegacyCrystalFile.h"
#include "Status.h"
#include "Versions.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// A cell edge outside this range (Å) is not a crystal: it is refused before the engine sees it.
constexpr double kMinCellEdge = 0.1;
constexpr double kMaxCellEdge = 10000;

// Smallest number of bytes one record takes in each block, used to bound counts by the bytes
// that are actually there before anything is allocated.
constexpr std::size_t kMinSiteBytesAU7 = 37;   // 1 + 4 + 1 + 6 + 12 + 8 + 4 + 1
constexpr std::size_t kMinSiteBytesAU56 = 30;  // 1 + 1 + 6 + 3 + 12 + 4 + 2 + 1
constexpr std::size_t kSiteBytesAUEL = 32;
constexpr std::size_t kMinAtomBytes7 = 29;     // 4 + 4 + 5 + 12 + 4
constexpr std::size_t kMinAtomBytes56 = 17;    // 4 + 12 + 1

constexpr SInt32 kMaxAtomIndex = std::numeric_limits<AtomIndex>::max();

bool IsCrystalOrMoleculeType(UInt32 code)
{
    return code == kFileTypeOBDF || code == kFileTypeOBD5 || code == kFileTypeOBMF || code == kFileTypeOBM5;
}

UInt32 BigEndian32(const UInt8* p)
{
    return (UInt32(p[0]) << 24) | (UInt32(p[1]) << 16) | (UInt32(p[2]) << 8) | UInt32(p[3]);
}

long StreamSize(std::FILE* file)
{
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0)
        return -1;
    const long size = std::ftell(file);
    std::fseek(file, here, SEEK_SET);
    return size;
}

// The header of a file whose format version comes from the writer's version text; false when
// that text is not a version.
bool FormatFromVersionText(const UInt8* text, CrystalFileHeaderRec* header)
{
    const std::string_view field(reinterpret_cast<const char*>(text), 10);
    if (!IsVersionField(field))
        return false;
    header->versionCode = GetVersionInteger(field);
    header->formatVersion = static_cast<signed char>(header->versionCode / 100000);
    return true;
}

// Occupants of one site, as the "AUN7" and "AUNI" blocks store them: a signed count, then that
// many symbol and occupancy pairs of which the first three are kept. None stands for "ZZ" at 1.0.
void ReadOccupants(FieldReader& r, InputDataRec& site)
{
    int count = 0;
    r.SignedByte(count);
    if (!r.ok())
        return;
    if (count <= 0) {
        site.occupant[0].symbol = PackSymbol('Z', 'Z');
        site.occupant[0].occupancy = 1.0f;
        return;
    }
    for (int j = 0; j < count && r.ok(); ++j) {
        UInt16 symbol = 0;
        Float32 occupancy = 0;
        r(symbol)(occupancy);
        if (r.ok() && j < 3)
            site.occupant[static_cast<std::size_t>(j)] = SiteRec{symbol, 0, occupancy};
    }
}

void CopyLabel(InputDataRec& site, const char* text, std::size_t length)
{
    SetSiteLabel(&site, std::string_view(text, std::min<std::size_t>(length, 6)));
}

// Numbers the sites into the atom array: pos is the running total of numInCell.
bool NumberSites(CrystalDataRec* xp)
{
    long long total = 0;
    for (InputDataRec& site : xp->AU) {
        if (site.numInCell < 0)
            return false;
        site.pos = static_cast<AtomIndex>(total);
        site.lastInRange = static_cast<AtomIndex>(total + site.numInCell - 1);
        total += site.numInCell;
        if (total > kMaxAtomIndex)
            return false;
    }
    return true;
}

bool AllFinite(std::initializer_list<Float32> values)
{
    for (Float32 v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

}  // namespace

// ---- header ----

bool ReadFileHeader(std::FILE* file, CrystalFileHeaderRec* header)
{
    if (!header)
        return false;
    *header = CrystalFileHeaderRec{};
    if (!file || std::fseek(file, 0, SEEK_SET) != 0)
        return false;
    UInt8 bytes[90] = {};
    const std::size_t got = std::fread(bytes, 1, sizeof bytes, file);
    std::clearerr(file);
    std::fseek(file, 0, SEEK_SET);
    if (got < 8) {
        header->truncated = true;
        return false;
    }

    const UInt32 first = BigEndian32(bytes);
    if (IsCrystalOrMoleculeType(first)) {
        header->fileType = first;
        if (got < static_cast<std::size_t>(kFirstBlockOffset)) {
            header->truncated = true;
            return false;
        }
        if (bytes[4] == '(')
            return FormatFromVersionText(bytes + kHeaderVersionOffset, header);
        header->platform = bytes[16] == 'W' ? 1 : 0;
        header->formatVersion = static_cast<signed char>(bytes[17]);
        header->versionCode = GetVersionInteger(std::string_view(reinterpret_cast<char*>(bytes) + kHeaderVersionOffset, 10));
        return true;
    }
    const UInt32 second = BigEndian32(bytes + 4);
    if (!IsCrystalOrMoleculeType(second))
        return false;
    header->fileType = second;
    if (got < sizeof bytes) {
        header->truncated = true;
        return false;
    }
    return FormatFromVersionText(bytes + 80, header);
}

bool GetFileTypeFromBinaryFile(const std::string& path, CrystalFileHeaderRec* header)
{
    FileHandle file = OpenFile(path, "rb");
    if (!file) {
        if (header)
            *header = CrystalFileHeaderRec{};
        return false;
    }
    return ReadFileHeader(file.get(), header);
}

// ---- block map ----

bool GetFileMap(std::FILE* file, SInt32 mapOffset, std::vector<SInt32>* map)
{
    if (!file || !map)
        return false;
    const long size = StreamSize(file);
    const long here = std::ftell(file);
    if (size < 0 || here < 0 || mapOffset < kFirstBlockOffset || static_cast<long long>(mapOffset) + 6 > size)
        return false;
    bool ok = std::fseek(file, mapOffset + 4, SEEK_SET) == 0;
    UInt16 count = 0;
    ok = ok && MyFSReadUInt16(file, &count) == kNoErr;
    ok = ok && count >= 1 && count <= kMaxFileMapEntries;
    std::vector<SInt32> entries;
    for (UInt16 i = 0; ok && i < count; ++i) {
        SInt32 entry = 0;
        ok = MyFSReadSInt32(file, &entry) == kNoErr;
        entries.push_back(entry);
    }
    std::fseek(file, here, SEEK_SET);
    if (!ok)
        return false;
    // Blocks lie back to back from offset 32, each at least its four-byte label long; the last
    // entry is the map's own label.
    if (entries.front() != kFirstBlockOffset || entries.back() != mapOffset)
        return false;
    for (std::size_t i = 1; i < entries.size(); ++i)
        if (static_cast<long long>(entries[i]) < static_cast<long long>(entries[i - 1]) + 4)
            return false;
    *map = std::move(entries);
    return true;
}

// ---- block readers ----

int ReadCrystalSymmetry(FileBufferRec* buffer, CrystalDataRec* xp, FileProblems& problems)
{
    FieldReader r(buffer);
    char centring = 0;
    r.Skip(21)(centring);  // the space-group symbol text is not used
    if (!r.ok())
        return -1;
    xp->ltyp = centring;
    return 0;
}

int ReadCrystalCellData(FileBufferRec* buffer, CrystalDataRec* xp, FileProblems& problems)
{
    FieldReader r(buffer);
    r(xp->a)(xp->b)(xp->c)(xp->alpha)(xp->beta)(xp->gamma);
    return r.ok() ? 0 : -1;
}

int ReadCrystalAU_7(FileBufferRec* buffer, CrystalDataRec* xp, FileProblems& problems)
{
    FieldReader r(buffer);
    UInt32 count = 0;
    if (!r(count).ok() || count > r.Remaining() / kMinSiteBytesAU7)
        return -1;
    if (!CreateAsymmetricUnit(xp, static_cast<AtomIndex>(count), &problems))
        return -1;
    for (InputDataRec& site : xp->AU) {
        ReadOccupants(r, site);
        int labelLength = 0;
        r.Skip(4).SignedByte(labelLength);
        if (!r.ok() || labelLength < 0)
            return -1;
        char label[128];
        UInt32 numInCell = 0;
        r.Chars(static_cast<std::size_t>(labelLength), label).Skip(6)(site.x[0])(site.x[1])(site.x[2]).Skip(8)(numInCell).Skip(1);
        if (!r.ok() || numInCell > static_cast<UInt32>(kMaxAtomIndex))
            return -1;
        CopyLabel(site, label, static_cast<std::size_t>(labelLength));
        site.numInCell = static_cast<AtomIndex>(numInCell);
        site.include = true;
    }
    return NumberSites(xp) ? 0 : -1;
}

int ReadCrystalAU_56(FileBufferRec* buffer, CrystalDataRec* xp, FileProblems& problems)
{
    FieldReader r(buffer);
    UInt16 count = 0;
    if (!r(count).ok())
        return -1;
    if (count > 32000) {
        problems.Stop("Excess_Atom_Types");
        return -1;
    }
    if (count > r.Remaining() / kMinSiteBytesAU56)
        return -1;
    if (!CreateAsymmetricUnit(xp, count, &problems))
        return -1;
    for (InputDataRec& site : xp->AU) {
        ReadOccupants(r, site);
        char label[6];
        UInt16 numInCell = 0;
        r.Skip(1).Chars(6, label).Skip(3)(site.x[0])(site.x[1])(site.x[2]).Skip(4)(numInCell).Skip(1);
        if (!r.ok())
            return -1;
        CopyLabel(site, label, strnlen(label, 6));
        site.numInCell = numInCell;
        // This block has no use flag: every site takes part, as in the other formats.
        site.include = true;
    }
    // The running total is kept in 32 bits: a 16-bit total would point sites beyond 65535 atoms
    // at the wrong positions.
    return NumberSites(xp) ? 0 : -1;
}

int ReadCrystalAUEllipsoids(FileBufferRec* buffer, CrystalDataRec* xp, FileProblems& problems)
{
    FieldReader r(buffer);
    UInt32 count = 0;
    if (xp->AU.empty() || !r(count).ok() || count != static_cast<UInt32>(xp->ntyp()) ||
        count > r.Remaining() / kSiteBytesAUEL)
        return -1;
    for (InputDataRec& site : xp->AU) {
        UInt16 adpType = 0;
        Float32 u[6] = {0, 0, 0, 0, 0, 0};
        r.Skip(2)(adpType)(site.uIso)(u[0])(u[1])(u[2])(u[3])(u[4])(u[5]);
        if (!r.ok() || adpType > kADPTypeBij)
            return -1;
        site.adpType = static_cast<ADPType>(adpType);
        SetSiteUij(&site, u);
    }
    xp->hasEllipsoids = true;
    return 0;
}

int ReadCrystalAtoms_7(FileBufferRec* buffer, CrystalDataRec* xp, FileProblems& problems)
{
    FieldReader r(buffer);
    UInt32 records = 0, nAtoms = 0;
    r(records)(nAtoms).Skip(12);
    if (xp->AU.empty() || !r.ok() || records > r.Remaining() / kMinAtomBytes7 || nAtoms > records)
        return -1;
    if (!CreateAtomsArray(xp, static_cast<AtomIndex>(nAtoms), &problems))
        return -1;
    UInt32 previousSite = 9999, perSite = 0, stored = 0;
    for (UInt32 i = 0; i < records; ++i) {
        UInt32 siteIndex = 0, extra = 0;
        Float32 x[3] = {0, 0, 0};
        r.Skip(4)(siteIndex).Skip(5)(x[0])(x[1])(x[2])(extra);
        if (!r.ok() || siteIndex >= static_cast<UInt32>(xp->ntyp()) || extra > r.Remaining() / 4)
            return -1;
        r.Skip(4LL * extra);
        if (siteIndex != previousSite) {
            perSite = 0;
            previousSite = siteIndex;
        }
        if (perSite < static_cast<UInt32>(xp->AU[siteIndex].numInCell)) {
            if (stored >= nAtoms)
                return -1;
            std::memcpy(xp->atoms[stored++].x, x, sizeof x);
        }
        ++perSite;
    }
    return r.ok() && stored == nAtoms ? 0 : -1;
}

int ReadCrystalAtoms_56(FileBufferRec* buffer, CrystalDataRec* xp, FileProblems& problems)
{
    FieldReader r(buffer);
    r.Skip(2);
    if (xp->AU.empty() || !r.ok())
        return -1;
    long long nAtoms = 0;
    for (const InputDataRec& site : xp->AU)
        nAtoms += site.numInCell;
    if (nAtoms <= 0) {
        problems.Stop("No_Atoms_In_Cell");
        return -1;
    }
    if (static_cast<unsigned long long>(nAtoms) > r.Remaining() / kMinAtomBytes56)
        return -1;
    if (!CreateAtomsArray(xp, static_cast<AtomIndex>(nAtoms), &problems))
        return -1;
    std::vector<UInt16> perSite(xp->AU.size());
    for (UInt16& n : perSite)
        r(n);
    long long stored = 0;
    for (std::size_t s = 0; s < xp->AU.size() && r.ok(); ++s) {
        for (UInt16 j = 0; j < perSite[s] && r.ok(); ++j) {
            r.Skip(4);
            if (j < xp->AU[s].numInCell) {
                if (stored >= nAtoms)
                    return -1;
                AtomDataRec& atom = xp->atoms[static_cast<std::size_t>(stored++)];
                r(atom.x[0])(atom.x[1])(atom.x[2]);
            } else {
                r.Skip(12);
            }
            int length = 0;
            r.SignedByte(length);
            if (length < 0)
                return -1;
            r.Skip(2LL * length + 1);
        }
    }
    return r.ok() && stored == nAtoms ? 0 : -1;
}

// ---- the tagged blocks ----

namespace {

using BlockReader = int (*)(FileBufferRec*, CrystalDataRec*, FileProblems&);

struct ReadCrystalControlRec {
    UInt32 label;
    BlockReader procToCall;
};

constexpr ReadCrystalControlRec kCrystalBlocks[] = {
    {FourCC("ATO7"), ReadCrystalAtoms_7},  {FourCC("ATOM"), ReadCrystalAtoms_56},
    {FourCC("AUEL"), ReadCrystalAUEllipsoids}, {FourCC("AUN7"), ReadCrystalAU_7},
    {FourCC("AUNI"), ReadCrystalAU_56},    {FourCC("CELL"), ReadCrystalCellData},
    {FourCC("SYMM"), ReadCrystalSymmetry},
};

BlockReader FindBlockReader(UInt32 label)
{
    for (const ReadCrystalControlRec& row : kCrystalBlocks)
        if (row.label == label)
            return row.procToCall;
    return nullptr;
}

}  // namespace

bool ReadCrystal_5(WinInfoRec* theWindow, std::FILE* file, CrystalDataRec* xp, const std::vector<SInt32>& map,
                   FileProblems& problems)
{
    (void)theWindow;
    if (!file || !xp || map.empty())
        return false;
    for (std::size_t i = 0;; ++i) {
        // The map says where every block starts; a block that is not where the map puts it, or
        // a map that ends before the "FMAP" label, means the file is damaged.
        if (i >= map.size() || std::ftell(file) != map[i]) {
            problems.Stop("Error_Bad_Block_Map");
            return false;
        }
        UInt32 label = 0;
        if (const OSErr err = MyFSReadUInt32(file, &label)) {
            std::printf("Error %ld when reading tagged data label at ReadCrystal_5\n", static_cast<long>(err));
            problems.Stop("Error_Truncated_File");
            return false;
        }
        if (label == FourCC("FMAP"))
            return true;
        if (i + 1 >= map.size()) {
            problems.Stop("Error_Bad_Block_Map");
            return false;
        }
        const BlockReader reader = FindBlockReader(label);
        if (!reader) {
            if (std::fseek(file, map[i + 1], SEEK_SET) != 0) {
                problems.Caution("Error_Repositioning_File");
                return false;
            }
            continue;
        }
        const UInt32 length = static_cast<UInt32>(map[i + 1] - map[i] - 4);
        FileBufferPtr buffer = CreateFileBuffer(length);
        if (!buffer) {
            problems.StopText("Sorry, there is not enough memory to read this file");
            return false;
        }
        if (const OSErr err = MyFSReadChars(file, length, buffer->block.data())) {
            std::printf("Error %ld when reading data block at ReadCrystal_5\n", static_cast<long>(err));
            problems.Stop("Error_Truncated_File");
            return false;
        }
        const int result = reader(buffer.get(), xp, problems);
        if (result != 0) {
            problems.CautionText("Error " + std::to_string(result) + " when reading data of type '" +
                                 FourCCToString(label) + "'");
            return false;
        }
    }
}

// ---- whole files ----

void SetSiteUij(InputDataRec* site, const Float32 (&u)[6])
{
    site->uAni[0][0] = u[0];
    site->uAni[1][1] = u[1];
    site->uAni[2][2] = u[2];
    site->uAni[1][2] = site->uAni[2][1] = u[3];
    site->uAni[0][2] = site->uAni[2][0] = u[4];
    site->uAni[0][1] = site->uAni[1][0] = u[5];
}

bool CrystalIsSound(const CrystalDataRec* xp, FileProblems& problems)
{
    if (!xp)
        return false;
    const double edges[3] = {xp->a, xp->b, xp->c};
    bool cellOk = CellIsValid(xp->a, xp->b, xp->c, xp->alpha, xp->beta, xp->gamma);
    for (double e : edges)
        cellOk = cellOk && e >= kMinCellEdge && e <= kMaxCellEdge;
    if (!cellOk) {
        problems.Stop("Error_Invalid_Cell");
        return false;
    }
    if (xp->AU.empty() || xp->atoms.empty()) {
        problems.Stop("No_Atoms_In_Cell");
        return false;
    }
    for (const InputDataRec& site : xp->AU) {
        if (site.pos < 0 || site.numInCell < 0 ||
            static_cast<long long>(site.pos) + site.numInCell > static_cast<long long>(xp->nAtoms())) {
            problems.Stop("Error_Sites_Atoms_Mismatch");
            return false;
        }
        bool finite = AllFinite({site.x[0], site.x[1], site.x[2], site.uIso}) && site.adpType <= kADPTypeBij;
        for (const SiteRec& occ : site.occupant)
            finite = finite && std::isfinite(occ.occupancy);
        for (const auto& row : site.uAni)
            finite = finite && AllFinite({row[0], row[1], row[2]});
        if (!finite) {
            problems.Stop("Error_Invalid_Numbers");
            return false;
        }
    }
    for (const AtomDataRec& atom : xp->atoms) {
        if (!AllFinite({atom.x[0], atom.x[1], atom.x[2]})) {
            problems.Stop("Error_Invalid_Numbers");
            return false;
        }
    }
    return true;
}

bool ReadCrystalStream(WinInfoRec* theWindow, CrystalDataRec* xp, std::FILE* file, FileProblems& problems)
{
    if (!xp || !file)
        return false;
    CrystalFileHeaderRec header;
    if (!ReadFileHeader(file, &header)) {
        problems.Stop(header.truncated ? "Error_Truncated_File"
                      : header.fileType != 0 ? "Error_Bad_Version"
                                             : "Unknown_File_Type");
        return false;
    }
    xp->volFrac = 0;
    xp->plotColor = GetNextPlotColor(theWindow);

    if (header.fileType == kFileTypeOBMF || header.fileType == kFileTypeOBM5) {
        problems.Stop("No_Molecule_Diffraction");
        return false;
    }
    if (header.fileType != kFileTypeOBDF && header.fileType != kFileTypeOBD5) {
        problems.Stop("Unknown_File_Type");
        return false;
    }
    if (header.formatVersion > 8) {
        problems.CautionText("Sorry, this file was created by a more recent version of the program (" +
                             std::to_string(header.formatVersion) + ") and cannot by read.");
        return false;
    }
    ShowLocalizedStatus(theWindow, "Reading_OBDF_File");
    if (header.formatVersion <= 4)
        return ReadOldCrystal(theWindow, xp, file, problems);

    SInt32 mapOffset = 0;
    std::vector<SInt32> map;
    if (std::fseek(file, kHeaderMapOffset, SEEK_SET) != 0 || MyFSReadSInt32(file, &mapOffset) != kNoErr ||
        !GetFileMap(file, mapOffset, &map)) {
        problems.Stop("Error_Bad_Block_Map");
        return false;
    }
    if (std::fseek(file, kFirstBlockOffset, SEEK_SET) != 0 || !ReadCrystal_5(theWindow, file, xp, map, problems))
        return false;
    if (!CrystalIsSound(xp, problems))
        return false;
    ShowLocalizedStatus(theWindow, "File_Loaded");
    return true;
}

bool ReadCrystalFile(WinInfoRec* theWindow, CrystalDataRec* xp, const std::string& path, FileProblems& problems)
{
    FileHandle file = OpenFile(path, "rb");
    if (!file) {
        problems.Stop("Error_Reading_Crystal");
        return false;
    }
    return ReadCrystalStream(theWindow, xp, file.get(), problems);
}

// ---- loading into a document ----

std::string TransferFolderPath()
{
    const std::string config = UserConfigFolder();
    return config.empty() ? std::string() : config + "/Orbelin Cache/";
}

bool MyFileIsTransferFile(const std::string& path)
{
    const std::string folder = TransferFolderPath();
    return !folder.empty() && path.find(folder + "<<") != std::string::npos;
}

VLPatternPtr LoadPatternFromCrystalFile(WinInfoRec* theWindow, const std::string& path, const PrefDataRec& prefs,
                                        FileProblems& problems)
{
    if (!theWindow)
        return nullptr;
    const UInt16 colourIndex = theWindow->nextPlotColor;
    std::unique_ptr<CrystalDataRec> crystal = CreateCrystal(prefs);
    std::unique_ptr<VLPatternRec> pattern = CreatePattern();
    if (!crystal || !pattern) {
        problems.Stop("No_Memory");
        return nullptr;
    }
    if (!ReadCrystalFile(theWindow, crystal.get(), path, problems)) {
        theWindow->nextPlotColor = colourIndex;  // a refused file leaves the document as it was
        return nullptr;
    }
    JustDiffract(theWindow, crystal.get(), nullptr);

    pattern->type = kPatternTypeCrystal;
    pattern->crystal = std::move(crystal);
    pattern->name = FileDisplayName(path);
    if (MyFileIsTransferFile(path)) {
        if (pattern->name.rfind("<<", 0) == 0)
            pattern->name.erase(0, 2);
        std::remove(path.c_str());
    } else {
        pattern->filePtr = path;
    }
    VLPatternPtr added = InsertPatternIntoFileListSorted(theWindow, std::move(pattern));
    InsertPatternIntoPlotList(theWindow, added, nullptr);
    return added;
}
