// Crystal files of format versions 2 to 4.
#include "LegacyCrystalFile.h"

#include "ByteStream.h"
#include "CrystalFile.h"
#include "FieldReader.h"
#include "Status.h"
#include "Versions.h"

#include <cstring>

namespace {

// Results of the record readers.
enum class RecordResult { Read, Short, Refused };  // Refused: the reader has added why

constexpr std::size_t kSiteBytesAUCR = 33;  // 2 + 1 + 6 + 5 + 12 + 4 + 2 + 1
constexpr std::size_t kMinAtomRecordBytes = 18;  // the length field and the 14 bytes it counts at least
constexpr long long kMaxLegacyAtoms = 32000;

long long BytesLeft(std::FILE* file)
{
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0)
        return 0;
    const long end = std::ftell(file);
    std::fseek(file, here, SEEK_SET);
    return end > here ? end - here : 0;
}

RecordResult ReadOrShort(const FieldReader& r)
{
    return r.ok() ? RecordResult::Read : RecordResult::Short;
}

RecordResult ReadCrystalCellData_24(FieldReader& r, CrystalDataRec* xp, FileProblems&)
{
    return ReadOrShort(r(xp->a)(xp->b)(xp->c)(xp->alpha)(xp->beta)(xp->gamma));
}

RecordResult ReadCrystalSymmetry_24(FieldReader& r, CrystalDataRec* xp, FileProblems&)
{
    char centring = 0;
    if (!r.Skip(20)(centring).ok())  // the space-group text is not used; the rest of the payload is skipped
        return RecordResult::Short;
    xp->ltyp = centring;
    return RecordResult::Read;
}

RecordResult ReadCrystalAU_24(FieldReader& r, CrystalDataRec* xp, FileProblems& problems)
{
    UInt16 count = 0;
    if (!r(count).ok() || count > r.Remaining() / kSiteBytesAUCR)
        return RecordResult::Short;
    if (!CreateAsymmetricUnit(xp, count, &problems))
        return RecordResult::Refused;
    long long total = 0;
    for (InputDataRec& site : xp->AU) {
        char label[6];
        UInt16 numInCell = 0;
        r(site.occupant[0].symbol).Skip(1).Chars(6, label).Skip(5)(site.x[0])(site.x[1])(site.x[2]).Skip(4)(numInCell).Skip(1);
        if (!r.ok())
            return RecordResult::Short;
        // The label ends after its last character above the blank.
        std::size_t length = 6;
        while (length > 0 && static_cast<unsigned char>(label[length - 1]) <= 32)
            --length;
        SetSiteLabel(&site, std::string_view(label, strnlen(label, length)));
        site.occupant[0].occupancy = 1.0f;
        for (std::size_t j = 1; j < 3; ++j)
            site.occupant[j] = SiteRec{kEmptySymbol, 0, 0};
        site.include = true;
        site.numInCell = numInCell;
        // Kept in 32 bits: the atom block refuses more than 32000 atoms anyway.
        site.pos = static_cast<AtomIndex>(total);
        site.lastInRange = static_cast<AtomIndex>(total + numInCell - 1);
        total += numInCell;
    }
    return RecordResult::Read;
}

RecordResult ReadCrystalAtoms_24(FieldReader& r, CrystalDataRec* xp, FileProblems& problems)
{
    r.Skip(2);
    if (!r.ok() || xp->AU.empty())
        return RecordResult::Short;
    long long nAtoms = 0;
    for (const InputDataRec& site : xp->AU)
        nAtoms += site.numInCell;
    if (nAtoms == 0) {
        problems.Stop("No_Atoms_In_Cell");
        return RecordResult::Refused;
    }
    if (nAtoms > kMaxLegacyAtoms) {
        problems.Stop("Too_Many_Atoms");
        return RecordResult::Refused;
    }
    std::vector<UInt16> perSite(xp->AU.size());
    for (UInt16& n : perSite)
        r(n);
    if (!r.ok() || static_cast<unsigned long long>(nAtoms) > r.Remaining() / kMinAtomRecordBytes)
        return RecordResult::Short;
    // Exactly nAtoms entries: the atom count of the crystal is the size of its array.
    if (!CreateAtomsArray(xp, static_cast<AtomIndex>(nAtoms), &problems))
        return RecordResult::Refused;
    long long stored = 0;
    for (std::size_t s = 0; s < perSite.size(); ++s) {
        for (UInt16 j = 0; j < perSite[s]; ++j) {
            UInt32 length = 0;
            r(length);
            if (!r.ok() || length < 14)
                return RecordResult::Short;
            r.Skip(2).Skip(static_cast<long long>(length) - 14);
            Float32 x[3] = {0, 0, 0};
            r(x[0])(x[1])(x[2]);
            if (!r.ok())
                return RecordResult::Short;
            if (j < xp->AU[s].numInCell) {
                if (stored >= nAtoms)
                    break;
                std::memcpy(xp->atoms[static_cast<std::size_t>(stored++)].x, x, sizeof x);
            }
        }
    }
    if (stored != nAtoms) {
        problems.Stop("Error_Reading_Crystal");
        return RecordResult::Refused;
    }
    return RecordResult::Read;
}

}  // namespace

bool ReadCrystal_24(std::FILE* file, CrystalDataRec* xp, FileProblems& problems)
{
    if (!file || !xp)
        return false;
    for (;;) {
        UInt32 length = 0, tag = 0;
        if (MyFSReadUInt32(file, &length) != kNoErr || MyFSReadUInt32(file, &tag) != kNoErr) {
            problems.Stop("Error_Truncated_File");
            return false;
        }
        if (tag == FourCC("NOTE"))
            return true;
        if (length < 4) {
            problems.Stop("Error_Reading_Crystal");
            return false;
        }
        const UInt32 payload = length - 4;
        if (static_cast<long long>(payload) > BytesLeft(file)) {
            problems.Stop("Error_Truncated_File");
            return false;
        }
        RecordResult (*reader)(FieldReader&, CrystalDataRec*, FileProblems&) = nullptr;
        switch (tag) {
        case FourCC("CELL"): reader = ReadCrystalCellData_24; break;
        case FourCC("SYMM"): reader = ReadCrystalSymmetry_24; break;
        case FourCC("AUCR"): reader = ReadCrystalAU_24; break;
        case FourCC("ATOM"): reader = ReadCrystalAtoms_24; break;
        default: break;
        }
        if (!reader) {
            if (std::fseek(file, static_cast<long>(payload), SEEK_CUR) != 0) {
                problems.Caution("Error_Repositioning_File");
                return false;
            }
            continue;
        }
        // Each record is read into a buffer of its own, so no reader can run past its record.
        FileBufferPtr buffer = ReadFileBuffer(file, payload);
        if (!buffer) {
            problems.Stop("Error_Truncated_File");
            return false;
        }
        FieldReader fields(buffer.get());
        const RecordResult result = reader(fields, xp, problems);
        if (result == RecordResult::Short)
            problems.CautionText("Error -1 when reading data of type '" + FourCCToString(tag) + "'");
        if (result != RecordResult::Read)
            return false;
    }
}

bool ReadOldCrystal(WinInfoRec* theWindow, CrystalDataRec* xp, std::FILE* file, FileProblems& problems)
{
    if (!xp || !file || std::fseek(file, 0, SEEK_SET) != 0)
        return false;
    UInt8 header[kLegacyFirstRecord];
    if (MyFSReadChars(file, sizeof header, header) != kNoErr) {
        problems.Stop("Error_Truncated_File");
        return false;
    }
    const UInt32 type = (UInt32(header[4]) << 24) | (UInt32(header[5]) << 16) | (UInt32(header[6]) << 8) | header[7];
    if (type == kFileTypeOBMF || type == kFileTypeOBM5) {
        problems.Stop("No_Molecule_Diffraction");
        return false;
    }
    if (type != kFileTypeOBDF && type != kFileTypeOBD5) {
        problems.Stop("Unknown_File_Type");
        return false;
    }
    const std::string_view version(reinterpret_cast<const char*>(header) + kLegacyVersionOffset, 10);
    if (!IsVersionField(version)) {
        problems.Stop("Error_Bad_Version");
        return false;
    }
    if (GetVersionInteger(version) < kOldestReadableVersion) {
        problems.Stop("Obsolete_Crystal_File");
        return false;
    }
    if (!ReadCrystal_24(file, xp, problems) || !CrystalIsSound(xp, problems))
        return false;
    ShowLocalizedStatus(theWindow, "File_Loaded");
    return true;
}

bool ReadOldCrystalFile(WinInfoRec* theWindow, CrystalDataRec* xp, const std::string& path, FileProblems& problems)
{
    FileHandle file = OpenFile(path, "rb");
    if (!file) {
        problems.Stop("Error_Reading_Crystal");
        return false;
    }
    return ReadOldCrystal(theWindow, xp, file.get(), problems);
}
