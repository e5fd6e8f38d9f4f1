// Test-file writers for crystal files, field by field.
#include "CrystalFileWriter.h"

#include <bit>
#include <cstring>

namespace testfiles {

// ---- Bytes ----

Bytes& Bytes::u8(unsigned v)
{
    data.push_back(static_cast<std::uint8_t>(v));
    return *this;
}

Bytes& Bytes::u16(unsigned v)
{
    return u8((v >> 8) & 0xFF).u8(v & 0xFF);
}

Bytes& Bytes::u32(std::uint32_t v)
{
    return u16(v >> 16).u16(v & 0xFFFF);
}

Bytes& Bytes::f32(float v)
{
    return u32(std::bit_cast<std::uint32_t>(v));
}

Bytes& Bytes::f64(double v)
{
    const auto bits = std::bit_cast<std::uint64_t>(v);
    return u32(static_cast<std::uint32_t>(bits >> 32)).u32(static_cast<std::uint32_t>(bits));
}

Bytes& Bytes::tag(std::string_view fourChars)
{
    return padded(fourChars, 4, ' ');
}

Bytes& Bytes::chars(std::string_view text)
{
    data.insert(data.end(), text.begin(), text.end());
    return *this;
}

Bytes& Bytes::padded(std::string_view text, std::size_t n, char pad)
{
    for (std::size_t i = 0; i < n; ++i)
        data.push_back(static_cast<std::uint8_t>(i < text.size() ? text[i] : pad));
    return *this;
}

Bytes& Bytes::append(const std::vector<std::uint8_t>& more)
{
    data.insert(data.end(), more.begin(), more.end());
    return *this;
}

namespace {

unsigned Symbol(const std::string& s)
{
    const unsigned char first = s.empty() ? ' ' : static_cast<unsigned char>(s[0]);
    const unsigned char second = s.size() < 2 ? ' ' : static_cast<unsigned char>(s[1]);
    return (first << 8) | second;
}

void Occupants(Bytes& b, const SiteSpec& site)
{
    b.s8(static_cast<int>(site.occupants.size()));
    for (const auto& [symbol, occupancy] : site.occupants)
        b.u16(Symbol(symbol)).f32(occupancy);
}

// Number of atom records of each site.
std::vector<unsigned> RecordsPerSite(const CrystalSpec& c)
{
    std::vector<unsigned> perSite(c.sites.size(), 0);
    for (const AtomSpec& a : c.atoms)
        ++perSite[a.site];
    return perSite;
}

// Positions of a centred cell generated from one site.
void AddPositions(CrystalSpec& c, std::uint32_t site, const float (*shifts)[3], int n)
{
    for (int i = 0; i < n; ++i) {
        AtomSpec atom;
        atom.site = site;
        for (int k = 0; k < 3; ++k) {
            float v = c.sites[site].x[k] + shifts[i][k];
            atom.x[k] = v >= 1 ? v - 1 : v;
        }
        c.atoms.push_back(atom);
    }
}

}  // namespace

CrystalSpec RockSalt()
{
    CrystalSpec c;
    const float cell[6] = {5.6402f, 5.6402f, 5.6402f, 90, 90, 90};
    std::memcpy(c.cell, cell, sizeof cell);
    c.ltyp = 'F';
    c.spaceGroup = "F m -3 m";
    SiteSpec na;
    na.occupants = {{"Na", 1.0f}};
    na.label = "Na1";
    na.numInCell = 4;
    SiteSpec cl;
    cl.occupants = {{"Cl", 1.0f}};
    cl.label = "Cl1";
    cl.x[0] = cl.x[1] = cl.x[2] = 0.5f;
    cl.numInCell = 4;
    c.sites = {na, cl};
    const float centring[4][3] = {{0, 0, 0}, {0, 0.5f, 0.5f}, {0.5f, 0, 0.5f}, {0.5f, 0.5f, 0}};
    AddPositions(c, 0, centring, 4);
    AddPositions(c, 1, centring, 4);
    return c;
}

CrystalSpec MixedSiteCrystal()
{
    CrystalSpec c;
    const float cell[6] = {7.25f, 8.5f, 9.75f, 90, 104.5f, 90};
    std::memcpy(c.cell, cell, sizeof cell);
    c.ltyp = 'C';
    c.spaceGroup = "C 1 2/m 1";
    SiteSpec mixed;
    mixed.occupants = {{"Fe", 0.5f}, {"Mg", 0.375f}, {"Mn", 0.125f}};
    mixed.label = "M1";
    mixed.x[0] = 0.125f;
    mixed.x[1] = 0.25f;
    mixed.x[2] = 0.375f;
    mixed.numInCell = 4;
    mixed.adpType = 2;
    mixed.uIso = 0.0125f;
    const float u[6] = {0.011f, 0.012f, 0.013f, 0.0023f, -0.0013f, 0.0012f};
    std::memcpy(mixed.u, u, sizeof u);
    SiteSpec oxygen;
    oxygen.occupants = {{"O", 1.0f}};
    oxygen.label = "Oxygen12";  // cut to six characters by every reader
    oxygen.x[0] = 0.0625f;
    oxygen.x[1] = 0.5f;
    oxygen.x[2] = 0.8125f;
    oxygen.numInCell = 4;
    oxygen.adpType = 1;
    oxygen.uIso = 0.75f;
    c.sites = {mixed, oxygen};
    const float shifts[4][3] = {{0, 0, 0}, {0.5f, 0.5f, 0}, {0, 0, 0.5f}, {0.5f, 0.5f, 0.5f}};
    AddPositions(c, 0, shifts, 4);
    AddPositions(c, 1, shifts, 4);
    return c;
}

// ---- format versions 5 to 8 ----

Block SymmBlock(const CrystalSpec& c)
{
    Bytes b;
    b.padded(c.spaceGroup, 21).u8(static_cast<unsigned char>(c.ltyp)).zeros(10);
    return {"SYMM", b.data};
}

Block CellBlock(const CrystalSpec& c)
{
    Bytes b;
    for (float v : c.cell)
        b.f32(v);
    return {"CELL", b.data};
}

Block AUN7Block(const CrystalSpec& c)
{
    Bytes b;
    b.u32(static_cast<std::uint32_t>(c.sites.size()));
    for (const SiteSpec& s : c.sites) {
        Occupants(b, s);
        b.zeros(4).s8(static_cast<int>(s.label.size())).chars(s.label).zeros(6);
        b.f32(s.x[0]).f32(s.x[1]).f32(s.x[2]).zeros(8).u32(s.numInCell).zeros(1);
    }
    return {"AUN7", b.data};
}

Block AUNIBlock(const CrystalSpec& c)
{
    Bytes b;
    b.u16(static_cast<unsigned>(c.sites.size()));
    for (const SiteSpec& s : c.sites) {
        Occupants(b, s);
        b.zeros(1).padded(s.label, 6).zeros(3);
        b.f32(s.x[0]).f32(s.x[1]).f32(s.x[2]).zeros(4).u16(s.numInCell).zeros(1);
    }
    return {"AUNI", b.data};
}

Block AUELBlock(const CrystalSpec& c)
{
    Bytes b;
    b.u32(static_cast<std::uint32_t>(c.sites.size()));
    for (const SiteSpec& s : c.sites) {
        b.u16(0).u16(s.adpType).f32(s.uIso);
        for (float u : s.u)
            b.f32(u);
    }
    return {"AUEL", b.data};
}

Block ATO7Block(const CrystalSpec& c)
{
    Bytes b;
    b.u32(static_cast<std::uint32_t>(c.atoms.size())).u32(static_cast<std::uint32_t>(c.atoms.size())).zeros(12);
    for (std::size_t i = 0; i < c.atoms.size(); ++i) {
        const AtomSpec& a = c.atoms[i];
        const std::uint32_t extra = static_cast<std::uint32_t>(i % 3);  // bonds or whatever follows
        b.zeros(4).u32(a.site).zeros(5).f32(a.x[0]).f32(a.x[1]).f32(a.x[2]).u32(extra).zeros(4 * extra);
    }
    return {"ATO7", b.data};
}

Block ATOMBlock(const CrystalSpec& c)
{
    Bytes b;
    b.zeros(2);
    for (unsigned n : RecordsPerSite(c))
        b.u16(n);
    for (std::size_t s = 0; s < c.sites.size(); ++s) {
        int j = 0;
        for (const AtomSpec& a : c.atoms) {
            if (a.site != s)
                continue;
            const int length = j++ % 2;  // a short trailer of 2 × length + 1 bytes
            b.zeros(4).f32(a.x[0]).f32(a.x[1]).f32(a.x[2]).s8(length).zeros(static_cast<std::size_t>(2 * length + 1));
        }
    }
    return {"ATOM", b.data};
}

std::vector<Block> StandardBlocks(const CrystalSpec& c, int formatVersion, bool withEllipsoids)
{
    const bool seven = formatVersion >= 7;
    std::vector<Block> blocks = {CellBlock(c), SymmBlock(c), seven ? AUN7Block(c) : AUNIBlock(c)};
    if (withEllipsoids)
        blocks.push_back(AUELBlock(c));
    blocks.push_back(seven ? ATO7Block(c) : ATOMBlock(c));
    return blocks;
}

std::size_t BlockOffset(const std::vector<Block>& blocks, std::size_t index)
{
    std::size_t offset = 32;
    for (std::size_t i = 0; i < index && i < blocks.size(); ++i)
        offset += 4 + blocks[i].payload.size();
    return offset;
}

std::size_t MapOffset(const std::vector<Block>& blocks)
{
    return BlockOffset(blocks, blocks.size());
}

std::vector<std::uint8_t> CrystalFileBytes(const HeaderSpec& header, const std::vector<Block>& blocks)
{
    Bytes b;
    const std::size_t mapOffset = MapOffset(blocks);
    b.tag(header.type);
    b.u8(header.layout == HeaderLayout::Parenthesis ? '(' : 0).zeros(11);
    b.u8(static_cast<unsigned char>(header.platform)).u8(static_cast<unsigned>(header.formatVersion) & 0xFF);
    b.padded(header.version, 10).s32(static_cast<std::int32_t>(mapOffset));
    for (const Block& block : blocks)
        b.tag(block.label).append(block.payload);
    b.tag("FMAP").u16(static_cast<unsigned>(blocks.size() + 1));
    for (std::size_t i = 0; i <= blocks.size(); ++i)
        b.s32(static_cast<std::int32_t>(BlockOffset(blocks, i)));
    return b.data;
}

std::vector<std::uint8_t> CrystalFile(const CrystalSpec& c, int formatVersion, bool withEllipsoids)
{
    HeaderSpec header;
    header.formatVersion = formatVersion;
    header.version = std::to_string(formatVersion) + ".1.2";
    return CrystalFileBytes(header, StandardBlocks(c, formatVersion, withEllipsoids));
}

// ---- legacy versions 2 to 4 ----

Record LegacyCellRecord(const CrystalSpec& c)
{
    return {"CELL", CellBlock(c).payload};
}

Record LegacySymmRecord(const CrystalSpec& c)
{
    Bytes b;
    b.padded(c.spaceGroup, 20).u8(static_cast<unsigned char>(c.ltyp)).zeros(7);
    return {"SYMM", b.data};
}

Record LegacyAUCRRecord(const CrystalSpec& c)
{
    Bytes b;
    b.u16(static_cast<unsigned>(c.sites.size()));
    for (const SiteSpec& s : c.sites) {
        b.u16(Symbol(s.occupants.empty() ? std::string() : s.occupants[0].first)).zeros(1);
        b.padded(s.label, 6, ' ').zeros(5).f32(s.x[0]).f32(s.x[1]).f32(s.x[2]).zeros(4).u16(s.numInCell).zeros(1);
    }
    return {"AUCR", b.data};
}

Record LegacyATOMRecord(const CrystalSpec& c, int extraRecords)
{
    Bytes b;
    b.zeros(2);
    for (unsigned n : RecordsPerSite(c))
        b.u16(n + static_cast<unsigned>(extraRecords));
    for (std::size_t s = 0; s < c.sites.size(); ++s) {
        int j = 0;
        auto record = [&](const float* x) {
            const std::uint32_t skipped = static_cast<std::uint32_t>(4 * (j++ % 3));  // bytes before x, y, z
            b.u32(14 + skipped).u16(0).zeros(skipped).f32(x[0]).f32(x[1]).f32(x[2]);
        };
        for (const AtomSpec& a : c.atoms)
            if (a.site == s)
                record(a.x);
        const float bogus[3] = {-7, -7, -7};
        for (int e = 0; e < extraRecords; ++e)
            record(bogus);
    }
    return {"ATOM", b.data};
}

Record LegacyNoteRecord()
{
    Bytes b;
    b.chars("written by a test");
    return {"NOTE", b.data};
}

std::vector<std::uint8_t> LegacyCrystalFileBytes(const std::string& type, const std::string& version,
                                                 const std::vector<Record>& records)
{
    Bytes b;
    b.zeros(4).tag(type).zeros(72).padded(version, 10);
    for (const Record& r : records)
        b.u32(static_cast<std::uint32_t>(4 + r.payload.size())).tag(r.tag).append(r.payload);
    return b.data;
}

std::vector<std::uint8_t> LegacyCrystalFile(const CrystalSpec& c, const std::string& version)
{
    return LegacyCrystalFileBytes("OBDF", version,
                                  {LegacyCellRecord(c), LegacySymmRecord(c), LegacyAUCRRecord(c), LegacyATOMRecord(c),
                                   LegacyNoteRecord()});
}

}  // namespace testfiles
