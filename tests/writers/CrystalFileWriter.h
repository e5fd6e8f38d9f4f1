// Test-file writers (not shipped): crystal files of format versions 5 to 8 and legacy versions 2
// to 4, built field by field in exactly the layouts the readers take, so that every reader is
// tested on files whose every byte the test chose. Blocks and records can be assembled in any
// order, left out, repeated or damaged.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testfiles {

// Big-endian bytes, appended field by field.
class Bytes {
public:
    Bytes& u8(unsigned v);
    Bytes& s8(int v) { return u8(static_cast<unsigned>(v) & 0xFF); }
    Bytes& u16(unsigned v);
    Bytes& u32(std::uint32_t v);
    Bytes& s32(std::int32_t v) { return u32(static_cast<std::uint32_t>(v)); }
    Bytes& f32(float v);
    Bytes& f64(double v);
    Bytes& tag(std::string_view fourChars);
    Bytes& chars(std::string_view text);                        // the bytes as they are
    Bytes& padded(std::string_view text, std::size_t n, char pad = '\0');  // cut or padded to n bytes
    Bytes& zeros(std::size_t n) { data.insert(data.end(), n, 0); return *this; }
    Bytes& append(const std::vector<std::uint8_t>& more);
    std::size_t size() const { return data.size(); }
    std::vector<std::uint8_t> data;
};

struct SiteSpec {
    std::vector<std::pair<std::string, float>> occupants;  // symbol and occupancy; any number
    std::string label;
    float x[3] = {0, 0, 0};
    std::uint32_t numInCell = 0;
    std::uint16_t adpType = 0;  // displacement parameters, for "AUEL"
    float uIso = 0;
    float u[6] = {0, 0, 0, 0, 0, 0};  // U11, U22, U33, U23, U13, U12
};

struct AtomSpec {
    std::uint32_t site = 0;
    float x[3] = {0, 0, 0};
};

struct CrystalSpec {
    float cell[6] = {0, 0, 0, 90, 90, 90};  // a, b, c (Å), alpha, beta, gamma (degrees)
    char ltyp = 'P';
    std::string spaceGroup;
    std::vector<SiteSpec> sites;
    std::vector<AtomSpec> atoms;  // every position in the cell, in site order
};

// Rock salt: a = 5.6402 Å, F centring, Na at 0 0 0 and Cl at ½ ½ ½, four positions each.
CrystalSpec RockSalt();
// A monoclinic crystal with ellipsoids, a three-occupant site, a one-occupant site with Uiso
// and a long label (8 positions in all).
CrystalSpec MixedSiteCrystal();

// ---- format versions 5 to 8 ----

struct Block {
    std::string label;                 // four characters
    std::vector<std::uint8_t> payload;
};

Block SymmBlock(const CrystalSpec& c);
Block CellBlock(const CrystalSpec& c);
Block AUN7Block(const CrystalSpec& c);   // format 7 sites
Block AUNIBlock(const CrystalSpec& c);   // formats 5 and 6 sites
Block AUELBlock(const CrystalSpec& c);   // displacement parameters
Block ATO7Block(const CrystalSpec& c);   // format 7 atoms (nAtoms = number of atom records)
Block ATOMBlock(const CrystalSpec& c);   // formats 5 and 6 atoms

// The blocks a writer of that format version puts in a file, in file order:
// "CELL", "SYMM", the sites, "AUEL" (when withEllipsoids), the atoms.
std::vector<Block> StandardBlocks(const CrystalSpec& c, int formatVersion, bool withEllipsoids);

// (The older layout, type at 4 and version text at 80, is the legacy header below.)
enum class HeaderLayout {
    Current,      // type at 0, format version byte at 17
    Parenthesis,  // type at 0, "(" at 4: the format version is the writer's major version
};

struct HeaderSpec {
    std::string type = "OBDF";
    int formatVersion = 7;
    char platform = 'M';
    std::string version = "7.0.0";  // the writing program's version text (10 bytes, zero-padded)
    HeaderLayout layout = HeaderLayout::Current;
};

// Header, the blocks back to back from offset 32, then "FMAP" with a correct map.
std::vector<std::uint8_t> CrystalFileBytes(const HeaderSpec& header, const std::vector<Block>& blocks);
// A complete file of the given format version (5 to 8) describing c.
std::vector<std::uint8_t> CrystalFile(const CrystalSpec& c, int formatVersion, bool withEllipsoids = false);

// Offsets inside a file made by CrystalFileBytes.
std::size_t BlockOffset(const std::vector<Block>& blocks, std::size_t index);  // label of block index
std::size_t MapOffset(const std::vector<Block>& blocks);                     // "FMAP" label

// ---- legacy versions 2 to 4 ----

struct Record {
    std::string tag;  // four characters
    std::vector<std::uint8_t> payload;
};

Record LegacyCellRecord(const CrystalSpec& c);
Record LegacySymmRecord(const CrystalSpec& c);
Record LegacyAUCRRecord(const CrystalSpec& c);  // first occupant of each site; labels blank-padded
// extraRecords: records stored per site beyond its numInCell (to be skipped by the reader).
Record LegacyATOMRecord(const CrystalSpec& c, int extraRecords = 0);
Record LegacyNoteRecord();

// Header (type at 4, version text at 80) and the records back to back from offset 90.
std::vector<std::uint8_t> LegacyCrystalFileBytes(const std::string& type, const std::string& version,
                                                 const std::vector<Record>& records);
// A complete legacy file: "CELL", "SYMM", "AUCR", "ATOM", "NOTE".
std::vector<std::uint8_t> LegacyCrystalFile(const CrystalSpec& c, const std::string& version = "3.0.0");

}  // namespace testfiles
