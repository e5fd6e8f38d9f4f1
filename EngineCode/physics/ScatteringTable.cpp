// Scattering-factor table and site scattering powers.
#include "ScatteringTable.h"

#include "Resources.h"
#include "Status.h"
#include "StringTable.h"
#include "TextLines.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr AtomScatterRec kSiliconPreset = {
    PackSymbol('S', 'i'),
    {5.66269f, 2.6652f, 3.07164f, 38.6634f, 2.62446f, 0.916946f, 1.3932f, 93.5458f, 1.24707f, 4.1491f}};

// True and the entry filled when a line holds a symbol and ten numbers.
bool ParseLine(const char* line, AtomScatterRec& entry)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(line);
    while (*p != 0 && (*p <= 32 || *p >= 128))
        ++p;
    if (*p < 'A' || *p > 'Z')
        return false;
    // "%s %f %f %f %f %f %f %f %f %f %f", without the locale's say over the decimal point.
    const char* q = reinterpret_cast<const char*>(p);
    const char* symbolStart = q;
    while (*q != '\0' && !std::isspace(static_cast<unsigned char>(*q)))
        ++q;
    const std::string symbol(symbolStart, q);
    float v[10];
    for (float& value : v)
        if (!ScanFloat(q, value))
            return false;
    entry.symbol = PackSymbol(symbol);
    for (int i = 0; i < 10; ++i)
        entry.f[i] = v[i];
    return true;
}

}  // namespace

AtomScatterRec gASF[kMaxASF] = {kSiliconPreset};
UInt16 gNumASF = 0;

void ResetASFactors()
{
    for (AtomScatterRec& e : gASF)
        e = AtomScatterRec{};
    gASF[0] = kSiliconPreset;
    gNumASF = 0;
}

void ReadASFactorsFromStream(std::FILE* stream)
{
    if (!stream)
        return;
    char line[255];
    UInt16 count = 0;
    while (count < kMaxASF && MyGetLine(stream, line) >= 0) {
        AtomScatterRec entry{};
        if (ParseLine(line, entry))
            gASF[count++] = entry;
    }
    gNumASF = count;
}

bool ReadASFactorsFromFile(const std::string& path, FileProblems& problems)
{
    std::FILE* stream = std::fopen(path.c_str(), "rb");
    if (!stream) {
        problems.Caution("Cant_Find_ASF.dat");
        return false;
    }
    ReadASFactorsFromStream(stream);
    std::fclose(stream);
    return true;
}

void ReadASFactors(FileProblems& problems)
{
    const std::string path = FindResourceFile("ASF.dat");
    if (path.empty())
        return;
    (void)ReadASFactorsFromFile(path, problems);  // a failure is in problems
}

void ASFIndexSites(CrystalDataRec* xp)
{
    if (!xp)
        return;
    std::string missing;
    int numMissing = 0;
    bool anyMissing = false;
    for (InputDataRec& site : xp->AU) {
        for (SiteRec& occ : site.occupant) {
            if (!(occ.occupancy > 0.001f))
                continue;
            int found = -1;
            for (int i = 0; i < gNumASF; ++i) {
                if (gASF[i].symbol == occ.symbol) {
                    found = i;
                    break;
                }
            }
            if (found >= 0) {
                occ.indexASF = static_cast<UInt16>(found);
                continue;
            }
            occ.indexASF = 0;
            anyMissing = true;
            std::string sym;
            sym += static_cast<char>(occ.symbol >> 8);
            sym += static_cast<char>(occ.symbol & 0xFF);
            // Listed once each, at most 64 species.
            bool listed = false;
            for (std::size_t at = 0; at + 2 <= missing.size(); at += 4)
                if (missing.compare(at, 2, sym) == 0)
                    listed = true;
            if (!listed && numMissing < 64) {
                if (!missing.empty())
                    missing += ", ";
                missing += sym;
                ++numMissing;
            }
        }
    }
    if (anyMissing)
        ShowMessageWindow(LocalizedString("Error_No_ASF"), LocalizedString("Error_No_ASF_2") + missing);
}

bool HasNeutronLength(const AtomScatterRec& e)
{
    return std::isfinite(e.f[9]);
}

std::string SpeciesWithoutNeutronLength(const CrystalDataRec* xp)
{
    std::string list;
    if (!xp)
        return list;
    std::vector<UInt16> listed;
    for (const InputDataRec& site : xp->AU) {
        if (!site.include)
            continue;
        for (const SiteRec& occ : site.occupant) {
            if (!(occ.occupancy > 0))
                continue;
            const AtomScatterRec& e = gASF[occ.indexASF < kMaxASF ? occ.indexASF : 0];
            if (HasNeutronLength(e) || std::find(listed.begin(), listed.end(), e.symbol) != listed.end())
                continue;
            listed.push_back(e.symbol);
            std::string sym(1, static_cast<char>(e.symbol >> 8));
            if ((e.symbol & 0xFF) != ' ')
                sym += static_cast<char>(e.symbol & 0xFF);
            list += (list.empty() ? "" : ", ") + sym;
        }
    }
    return list;
}

Float32 FormFactorOfEntry(const AtomScatterRec& e, Float32 s)
{
    double sum = 0;
    for (int g = 0; g < 4; ++g) {
        const Float32 bs = e.f[2 * g + 1] * s;
        sum += e.f[2 * g] * std::exp(static_cast<double>(bs));
    }
    sum += e.f[8];
    return static_cast<Float32>(sum);
}

Float32 GetSiteF(const CrystalDataRec* xp, const InputDataRec* site, Float32 dsp, bool useNeutrons)
{
    (void)xp;
    if (!site)
        return 0;
    const Float32 s = -0.25f / (dsp * dsp);
    double total = 0;
    for (const SiteRec& occ : site->occupant) {
        if (!(occ.occupancy > 0))
            continue;
        const AtomScatterRec& e = gASF[occ.indexASF < kMaxASF ? occ.indexASF : 0];
        const Float32 value = useNeutrons ? e.f[9] : FormFactorOfEntry(e, s);
        total += static_cast<double>(occ.occupancy) * value;
    }
    return static_cast<Float32>(total);
}
