// Atomic scattering data: the table read from "ASF.dat" (X-ray form-factor coefficients of four
// Gaussians and a constant, and the neutron coherent scattering length), the linking of site
// occupants to table entries, and the scattering power of a site at a given d-spacing.
#pragma once

#include "Records.h"

#include <cstdio>
#include <string>

// One table entry. f holds, in file order: a1, b1, a2, b2, a3, b3, a4, b4, c (a and c in
// electrons, b in Å²) and, last, the neutron coherent scattering length (fm).
struct AtomScatterRec {
    UInt16 symbol;
    Float32 f[10];
};

inline constexpr int kMaxASF = 200;

// Entry 0 is preset to silicon before any file is read; gNumASF starts at 0.
extern AtomScatterRec gASF[kMaxASF];
extern UInt16 gNumASF;

// Loads the "ASF.dat" resource. Not found: silent, table unchanged. Unreadable: the caution
// "Cant_Find_ASF.dat" is added to problems, for the caller to show.
void ReadASFactors(FileProblems& problems);
// Loads the table from a given file (the resource lookup aside, as ReadASFactors); false when
// the file cannot be opened.
[[nodiscard]] bool ReadASFactorsFromFile(const std::string& path, FileProblems& problems);
// Reads table lines from an open text stream into the table (at most kMaxASF entries).
void ReadASFactorsFromStream(std::FILE* stream);
// Puts the table back to its state before any read: silicon in entry 0, no entries.
void ResetASFactors();

// Sets indexASF of every occupant (occupancy above 0.001) and reports species without an entry
// in the message window ("Error_No_ASF"); those use entry 0.
void ASFIndexSites(CrystalDataRec* xp);

// Whether a table entry has a neutron scattering length (the table writes nan where none is
// known).
bool HasNeutronLength(const AtomScatterRec& e);
// The species of the included sites whose entry has no neutron length, as "Po, At" (empty when
// every one has one). ASFIndexSites must have run.
std::string SpeciesWithoutNeutronLength(const CrystalDataRec* xp);

// Scattering power of a site at d-spacing dsp (Å): the occupancy-weighted sum of its occupants'
// X-ray form factors, or neutron scattering lengths when useNeutrons.
Float32 GetSiteF(const CrystalDataRec* xp, const InputDataRec* site, Float32 dsp, bool useNeutrons);

// X-ray form factor of one table entry at s = -(sinθ/λ)² = -0.25/d², as GetSiteF computes it.
Float32 FormFactorOfEntry(const AtomScatterRec& e, Float32 s);
