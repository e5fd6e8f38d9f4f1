// Reflexion generation: every h k l down to a smallest d-spacing, centring absences, the ordering
// of the working list by d, merging of equal d-spacings into entries with multiplicities, and the
// copy into the crystal (at most kMaxCrystalReflexions, intensities per Å³ of material).
// Structure factors come in between (Intensity.h); the driver (Diffraction.h) runs the sequence.
//
// The working list is per thread: one calculation at a time on each thread.
#pragma once

#include "Records.h"

#include <cstdint>
#include <memory>
#include <vector>

struct WinInfoRec;

inline constexpr AtomIndex kMaxCrystalReflexions = 3000;
inline constexpr int kMaxIndexRange = 32000;

// The working list of the current run; dsp = 0 marks an entry to be discarded.
std::vector<ReflexionRec>& WorkingReflexions();
UInt32 NumTempRefs();  // gNumTempRefs: the number of valid entries

// Allocates the working list (numRefs blank entries); caution alert "Error_Creating_Reflexions"
// and false on failure.
bool InitTempRefs(std::uint64_t numRefs);
void PurgeTempRefs();

// True when h k l is absent for the crystal's lattice centring.
bool SystAbs(const CrystalDataRec* xp, int h, int k, int l);

// Centring test multiplicity of the crystal's ltyp (1: no absence test).
int CentringMultiplicity(const CrystalDataRec* xp);

// Builds the working list of all h k l with d > dspMin (a dspMin under 0.01 counts as 0.01);
// with restrictNumRefs keeps only the maxUserRefs of largest d. False when memory runs out or the
// index box is too large to enumerate.
bool HKLList(WinInfoRec* theWindow, CrystalDataRec* xp, Float32 dspMin, bool restrictNumRefs, UInt32 maxUserRefs);

// Sorts the working list by descending dsp with a heapsort whose tie order is reproducible.
void OrderRefsList();
// The same heapsort on any array of reflexions.
void OrderReflexions(ReflexionRec* refs, std::size_t n);

// Merges entries of equal d (within 0.0001 Å) and compacts the working list; stop alert
// "No_Reflexions_Range" when nothing remains.
void MergeRefs();

// Replaces the crystal's reflexions by the first kMaxCrystalReflexions working entries, with
// intensities divided by the squared cell volume and indices in a canonical sign.
void CopyRefs(CrystalDataRec* xp);

// An index list into refs in the given order, (0,0,0) entries left out. Empty on failure.
std::vector<UInt32> SortReflexions(const ReflexionRec* refs, AtomIndex numRefs, ReflexionSortType sortOrder);

// Three-way comparators of two reflexions.
int CompareReflexionsByDSpacing(const ReflexionRec& a, const ReflexionRec& b);
int CompareReflexionsByIntensity(const ReflexionRec& a, const ReflexionRec& b);
int CompareReflexionsByHKL(const ReflexionRec& a, const ReflexionRec& b);

// Whether the current run reports progress (set by the driver at the start of every run).
bool ShowProgress();
void SetShowProgress(bool show);
