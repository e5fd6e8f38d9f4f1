// Reflexion generation: every h k l down to a smallest d-spacing, centring absences, the ordering
// of the working list by d, merging of equal d-spacings into entries with multiplicities, and the
// copy into the crystal (intensities per Å³ of material).
// Structure factors come in between (Intensity.h); the driver (Diffraction.h) runs the sequence.
//
// The working list lives in a workspace its caller owns: one calculation at a time on each
// workspace, any number of workspaces at once.
#pragma once

#include "Records.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct WinInfoRec;

inline constexpr int kMaxIndexRange = 32000;
// The number of reflexions one calculation may generate before the list is shortened to fit.
inline constexpr std::uint64_t kDefaultGenerationBudget = std::uint64_t(1) << 24;
// What one calculation of reflexions works on, from generation through intensities and merging
// to the copy into the crystal.
struct ReflexionWorkspace {
    // The working list of the run; dsp = 0 marks an entry to be discarded.
    std::vector<ReflexionRec> gTempRef;
    // Whether the steps say what they do in the information bar and progress bar (not while a
    // slider or curve is dragged).
    bool showProgress = false;
    // The reflexions one calculation may generate before the list is shortened to fit
    // (400 MB by default); SetGenerationBudget keeps it within 2048 .. 2^28, for tests of the guard.
    std::uint64_t generationBudget = kDefaultGenerationBudget;
    // When given and set (by another thread), the run stops as soon as it can and leaves the
    // crystal as it was: its result is no longer wanted.
    const std::atomic<bool>* cancel = nullptr;
    bool Cancelled() const { return cancel && cancel->load(std::memory_order_relaxed); }

    void SetGenerationBudget(std::uint64_t entries);
    UInt32 NumTempRefs() const;  // gNumTempRefs: the number of valid entries
};

// Allocates the working list (numRefs blank entries); caution alert "Error_Creating_Reflexions"
// and false on failure.
[[nodiscard]] bool InitTempRefs(ReflexionWorkspace& work, std::uint64_t numRefs);
void PurgeTempRefs(ReflexionWorkspace& work);

// True when h k l is absent for the crystal's lattice centring.
bool SystAbs(const CrystalDataRec* xp, int h, int k, int l);

// Centring test multiplicity of the crystal's ltyp (1: no absence test).
int CentringMultiplicity(const CrystalDataRec* xp);

// Where HKLList stopped short of dspMin: dsp is the smallest d kept (0 when nothing was cut);
// byMemory tells that the list would not have fitted the memory allowed for it, rather than the
// cap on the number of reflexions.
struct HKLListCut {
    Float32 dsp = 0;
    bool byMemory = false;
};

// Builds the working list of all h k l with d > dspMin (a dspMin under 0.01 counts as 0.01);
// d is computed in double precision and rounded once. A list too large for the memory allowed
// stops at the d where it fits. With restrictNumRefs keeps the maxUserRefs of largest d, and the
// rest of the group of equal d the last of them belongs to. *cut (when given) tells where the
// list was shortened. False when memory runs out.
[[nodiscard]] bool HKLList(ReflexionWorkspace& work, WinInfoRec* theWindow, CrystalDataRec* xp, Float32 dspMin,
                           bool restrictNumRefs, UInt32 maxUserRefs, HKLListCut* cut = nullptr);

// In a list ordered by descending d, one past the last entry of the group of equal d headed by
// entry head: the entries within 0.0001 Å of the head, and those whose d equals the last of them
// up to single-precision rounding (so that reflexions equivalent by symmetry are never split).
// Entries whose d is 0.01 or less (discarded) are passed over.
std::size_t EndOfDGroup(std::size_t n, std::size_t head, const std::function<Float32(std::size_t)>& dspAt);

// Sorts the working list by descending dsp with a heapsort whose tie order is reproducible.
void OrderRefsList(ReflexionWorkspace& work);
// The same heapsort on any array of reflexions.
void OrderReflexions(ReflexionRec* refs, std::size_t n);

// Merges the groups of equal d (EndOfDGroup) and compacts the working list; a group whose summed
// intensity is below weakLimit is dropped as a whole. Stop alert "No_Reflexions_Range" when
// nothing remains.
void MergeRefs(ReflexionWorkspace& work, Float32 weakLimit = 0);

// Replaces the crystal's reflexions by the working entries, with intensities divided by the
// squared cell volume and indices in a canonical sign.
void CopyRefs(const ReflexionWorkspace& work, CrystalDataRec* xp);

// An index list into refs in the given order, (0,0,0) entries left out. Empty on failure.
std::vector<UInt32> SortReflexions(const ReflexionRec* refs, AtomIndex numRefs, ReflexionSortType sortOrder);

// Three-way comparators of two reflexions.
int CompareReflexionsByDSpacing(const ReflexionRec& a, const ReflexionRec& b);
int CompareReflexionsByIntensity(const ReflexionRec& a, const ReflexionRec& b);
int CompareReflexionsByHKL(const ReflexionRec& a, const ReflexionRec& b);
