// Reflexion generation, ordering, merging and copying.
#include "Reflexions.h"

#include "CellGeometry.h"
#include "Document.h"
#include "Globals.h"
#include "Status.h"

#include <algorithm>
#include <cmath>
#include <cfloat>
#include <cstdlib>
#include <functional>
#include <new>

namespace {

// Working lists beyond this many entries (6 GB) are refused like a failed allocation.
constexpr std::uint64_t kMaxWorkingEntries = std::uint64_t(1) << 28;

bool AllocateWorkingList(std::vector<ReflexionRec>& list, std::uint64_t n)
{
    if (n > kMaxWorkingEntries)
        return false;
    try {
        list.reserve(static_cast<std::size_t>(n));
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

int IndexLimit(double limit, Float32 edge)
{
    // Since h = d*·a, every reflexion with 1/d ≤ limit has |h| ≤ a·limit, whatever the angles
    // of the cell (the reciprocal axis a* alone gives too small a box in oblique cells).
    // The ceiling, then kept within 1..32000.
    const double q = std::ceil(limit * static_cast<double>(edge));
    int n;
    if (!std::isfinite(q) || q > kMaxIndexRange)
        n = kMaxIndexRange;
    else if (q < 1)
        n = 1;
    else
        n = static_cast<int>(static_cast<SInt16>(static_cast<int>(q)));
    return std::clamp(n, 1, kMaxIndexRange);
}

// Whether two d-spacings are the same d computed in double, up to their rounding to single
// precision (equivalent reflexions may straddle a rounding boundary: at most one unit apart).
inline bool SameDSpacing(Float32 a, Float32 b)
{
    return std::fabs(static_cast<double>(a) - b) <= 2.5 * FLT_EPSILON * std::max(a, b);
}

}  // namespace

std::size_t EndOfDGroup(std::size_t n, std::size_t head, const std::function<Float32(std::size_t)>& dspAt)
{
    const Float32 d0 = dspAt(head);
    Float32 last = d0;
    std::size_t end = head + 1;
    for (std::size_t j = head + 1; j < n; ++j) {
        const Float32 d = dspAt(j);
        if (!(d > 0.01f))
            continue;  // discarded entries are passed over
        if (std::fabs(static_cast<double>(d0 - d)) > 0.0001 && !SameDSpacing(last, d))
            break;
        last = d;
        end = j + 1;
    }
    return end;
}

void ReflexionWorkspace::SetGenerationBudget(std::uint64_t entries)
{
    generationBudget = std::clamp<std::uint64_t>(entries, 2048, kMaxWorkingEntries);
}

UInt32 ReflexionWorkspace::NumTempRefs() const
{
    return static_cast<UInt32>(gTempRef.size());
}

bool InitTempRefs(ReflexionWorkspace& work, std::uint64_t numRefs)
{
    std::vector<ReflexionRec> fresh;
    bool ok = numRefs <= kMaxWorkingEntries;
    if (ok) {
        try {
            fresh.assign(static_cast<std::size_t>(numRefs), gBlankRef);
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    if (!ok) {
        MyCFCautionAlert("Error_Creating_Reflexions");
        return false;
    }
    work.gTempRef.swap(fresh);
    return true;
}

void PurgeTempRefs(ReflexionWorkspace& work)
{
    std::vector<ReflexionRec>().swap(work.gTempRef);
}

int CentringMultiplicity(const CrystalDataRec* xp)
{
    if (!xp)
        return 1;
    switch (xp->ltyp) {
    case 'A':
    case 'B':
    case 'C':
    case 'I': return 2;
    case 'F': return 4;
    case 'R': return xp->gamma < 120 ? 1 : 3;
    default: return 1;
    }
}

bool SystAbs(const CrystalDataRec* xp, int h, int k, int l)
{
    if (!xp || xp->ltyp < 'A' || xp->ltyp > 'R')
        return false;
    switch (xp->ltyp) {
    case 'A': return ((k + l) & 1) != 0;
    case 'B': return ((h + l) & 1) != 0;
    case 'C': return ((h + k) & 1) != 0;
    case 'I': return ((h + k + l) & 1) != 0;  // same parity as h² + k² + l²
    case 'F': {
        const int odd = (h & 1) + (k & 1) + (l & 1);
        return !(odd == 0 || odd == 3);
    }
    case 'R':
        if (xp->gamma == xp->beta)
            return false;
        return (-h + k + l) % 3 != 0;
    default: return false;
    }
}

bool HKLList(ReflexionWorkspace& work, WinInfoRec* theWindow, CrystalDataRec* xp, Float32 dspMin,
             bool restrictNumRefs, UInt32 maxUserRefs, HKLListCut* cut)
{
    std::vector<ReflexionRec>& gTempRef = work.gTempRef;
    if (cut)
        *cut = HKLListCut{};
    if (!xp)
        return false;
    if (work.showProgress)
        ShowLocalizedStatus(theWindow, "Generating_HKL_Listing");

    const int centring = CentringMultiplicity(xp);

    double limit;
    if (dspMin < 0.01f) {
        dspMin = 0.01f;
        limit = 100.0;
    } else {
        limit = 1.0 / static_cast<double>(dspMin);
    }
    // A list beyond the memory allowed stops at the d where it fits: the number of reflexions
    // within 1/d ≤ limit is about (4/3)π V limit³.
    bool memoryCut = false;
    if (xp->volume > 0 && std::isfinite(xp->volume)) {
        const double fits = (static_cast<double>(work.generationBudget) - 1024) / 1.05;
        const double sphere = 4.18879020479 * xp->volume * limit * limit * limit;
        if (sphere > fits) {
            limit = std::cbrt(fits / (4.18879020479 * xp->volume));
            dspMin = static_cast<Float32>(1.0 / limit);
            memoryCut = true;
        }
    }
    const int hmax = IndexLimit(limit, xp->a);
    const int kmax = IndexLimit(limit, xp->b);
    const int lmax = IndexLimit(limit, xp->c);
    // d is computed in double and rounded once, so that reflexions equivalent by symmetry get
    // the same d and are merged into one group.
    ReciprocalMetric metric;
    // A degenerate cell leaves the metric zero: nothing is generated, and merging says so.
    (void)MakeReciprocalMetric(xp, metric);
    const double qLimit = limit * limit * (1 + 1e-6);  // a little beyond, the test below decides

    const std::uint64_t box = std::uint64_t(2 * hmax + 1) * std::uint64_t(2 * kmax + 1) * std::uint64_t(2 * lmax + 1);
    // The box is enumerated in full, but only the reflexions inside the limiting sphere are kept:
    // the list is sized for those (with a margin), and grows if the estimate falls short.
    std::uint64_t estimate = box;
    if (xp->volume > 0 && std::isfinite(xp->volume)) {
        const double sphere = 4.18879020479 * xp->volume * limit * limit * limit;  // (4/3)π V / d³
        estimate = std::min<std::uint64_t>(box, static_cast<std::uint64_t>(sphere * 1.05 + 1024));
    }
    if (box > 0xFFFFFFFFull || !AllocateWorkingList(gTempRef, estimate)) {
        PurgeTempRefs(work);
        MyCFCautionAlert("Error_Creating_Reflexions");
        return false;
    }
    gTempRef.clear();

    try {
        ReflexionRec entry = gBlankRef;
        for (int h = -hmax; h <= hmax; ++h) {
            for (int k = -kmax; k <= kmax; ++k) {
                for (int l = -lmax; l <= lmax; ++l) {
                    if (h == 0 && k == 0 && l == 0)
                        continue;
                    if (centring > 1 && SystAbs(xp, h, k, l))
                        continue;
                    const double q = metric.InverseDSquared(h, k, l);
                    if (!(q <= qLimit))
                        continue;
                    const Float32 d = static_cast<Float32>(1.0 / std::sqrt(q));
                    if (d > dspMin) {
                        entry.h = static_cast<SInt16>(h);
                        entry.k = static_cast<SInt16>(k);
                        entry.l = static_cast<SInt16>(l);
                        entry.dsp = d;
                        gTempRef.push_back(entry);
                    }
                }
            }
        }
    } catch (const std::bad_alloc&) {
        PurgeTempRefs(work);
        MyCFCautionAlert("Error_Creating_Reflexions");
        return false;
    }

    if (memoryCut && cut && !gTempRef.empty()) {
        Float32 smallest = gTempRef.front().dsp;
        for (const ReflexionRec& r : gTempRef)
            smallest = std::min(smallest, r.dsp);
        *cut = {smallest, true};
    }

    if (restrictNumRefs && maxUserRefs < gTempRef.size()) {
        if (work.showProgress)
            ShowLocalizedStatus(theWindow, "Sorting_HKL_Listing");
        const std::vector<UInt32> order =
            SortReflexions(gTempRef.data(), static_cast<AtomIndex>(gTempRef.size()), kSortReflexionsByDSpacing);
        if (order.size() != gTempRef.size()) {
            PurgeTempRefs(work);
            return false;
        }
        // The cap ends at a whole group of equal d, as merging will form the groups: a group cut
        // in two would list part of its multiplicity and intensity.
        const auto dspAt = [&](std::size_t i) { return gTempRef[order[i]].dsp; };
        std::size_t keep = 0;
        if (maxUserRefs > 0)
            while (keep < maxUserRefs)
                keep = EndOfDGroup(order.size(), keep, dspAt);
        if (keep < order.size()) {
            std::vector<ReflexionRec> kept;
            if (!CreateReflexionsArray(kept, static_cast<AtomIndex>(keep))) {
                PurgeTempRefs(work);
                return false;
            }
            for (std::size_t i = 0; i < keep; ++i)
                kept[i] = gTempRef[order[i]];
            if (cut)
                *cut = {keep > 0 ? kept[keep - 1].dsp : gTempRef[order[0]].dsp, false};
            gTempRef.swap(kept);
        }
    }
    return true;
}

void OrderReflexions(ReflexionRec* refs, std::size_t n)
{
    if (n < 2)
        return;
    // Positions counted from 1, as the heap's arithmetic wants them.
    const auto ra = [refs](std::size_t i) -> ReflexionRec& { return refs[i - 1]; };
    std::size_t l = n / 2 + 1;
    std::size_t ir = n;
    for (;;) {
        ReflexionRec t;
        if (l > 1) {
            t = ra(--l);
        } else {
            t = ra(ir);
            ra(ir) = ra(1);
            if (--ir == 1) {
                ra(1) = t;
                return;
            }
        }
        std::size_t i = l;
        std::size_t j = l + l;
        while (j <= ir) {
            if (j < ir && ra(j).dsp > ra(j + 1).dsp)
                ++j;
            if (t.dsp > ra(j).dsp) {
                ra(i) = ra(j);
                i = j;
                j += j;
            } else {
                break;
            }
        }
        ra(i) = t;
    }
}

void OrderRefsList(ReflexionWorkspace& work)
{
    OrderReflexions(work.gTempRef.data(), work.gTempRef.size());
}

void MergeRefs(ReflexionWorkspace& work, Float32 weakLimit)
{
    std::vector<ReflexionRec>& gTempRef = work.gTempRef;
    const std::size_t n = gTempRef.size();
    const auto dspAt = [&gTempRef](std::size_t i) { return gTempRef[i].dsp; };
    for (std::size_t i = 0; i < n; ++i) {
        ReflexionRec& ri = gTempRef[i];
        if (!(ri.dsp > 0.01))
            continue;
        ri.mul = 1;
        const std::size_t end = EndOfDGroup(n, i, dspAt);
        for (std::size_t j = i + 1; j < end; ++j) {
            ReflexionRec& rj = gTempRef[j];
            if (!(rj.dsp > 0.01))
                continue;
            ri.inty += rj.inty;
            ++ri.mul;
            rj.dsp = 0;
        }
        // Too weak to matter: the group goes as a whole, so a group never shows part of its
        // multiplicity.
        if (ri.inty < weakLimit)
            ri.dsp = 0;
        i = end - 1;
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (gTempRef[i].dsp > 0.01)
            gTempRef[kept++] = gTempRef[i];
    gTempRef.resize(kept);
    if (kept == 0)
        MyCFStopAlert("No_Reflexions_Range");
}

void CopyRefs(const ReflexionWorkspace& work, CrystalDataRec* xp)
{
    if (!xp)
        return;
    const std::vector<ReflexionRec>& gTempRef = work.gTempRef;
    const bool orthogonal = xp->alpha == 90 && xp->beta == 90 && xp->gamma == 90;
    const double scale = 1.0 / (static_cast<double>(xp->volume) * xp->volume);

    DestroyReflexionsArray(xp);
    xp->intMax = 0;
    const AtomIndex nRefs = static_cast<AtomIndex>(gTempRef.size());
    std::vector<ReflexionRec> refs;
    if (!CreateReflexionsArray(refs, nRefs))
        return;
    for (AtomIndex i = 0; i < nRefs; ++i) {
        const ReflexionRec& w = gTempRef[static_cast<std::size_t>(i)];
        ReflexionRec& r = refs[static_cast<std::size_t>(i)];
        r.dsp = w.dsp;
        r.mul = w.mul;
        r.inty = static_cast<Float32>(scale * w.inty);
        if (orthogonal) {
            r.h = static_cast<SInt16>(std::abs(w.h));
            r.k = static_cast<SInt16>(std::abs(w.k));
            r.l = static_cast<SInt16>(std::abs(w.l));
        } else {
            int count = (w.h < 0) + (w.k < 0) + (w.l < 0);
            if ((w.h == 0) + (w.k == 0) + (w.l == 0) >= 2)
                ++count;
            const int sign = count >= 2 ? -1 : 1;
            r.h = static_cast<SInt16>(sign * w.h);
            r.k = static_cast<SInt16>(sign * w.k);
            r.l = static_cast<SInt16>(sign * w.l);
        }
        if (r.inty > xp->intMax)
            xp->intMax = r.inty;
    }
    xp->refs = std::move(refs);
}

int CompareReflexionsByDSpacing(const ReflexionRec& a, const ReflexionRec& b)
{
    if (a.dsp > b.dsp)
        return -1;
    if (a.dsp < b.dsp)
        return 1;
    return 0;
}

int CompareReflexionsByIntensity(const ReflexionRec& a, const ReflexionRec& b)
{
    if (a.inty > b.inty)
        return -1;
    if (a.inty < b.inty)
        return 1;
    return 0;
}

int CompareReflexionsByHKL(const ReflexionRec& a, const ReflexionRec& b)
{
    auto key = [](const ReflexionRec& r) {
        return 1000000LL * std::abs(r.h) + 1000LL * std::abs(r.k) + std::abs(r.l);
    };
    const long long ka = key(a), kb = key(b);
    return ka < kb ? -1 : ka > kb ? 1 : 0;
}

std::vector<UInt32> SortReflexions(const ReflexionRec* refs, AtomIndex numRefs, ReflexionSortType sortOrder)
{
    std::vector<UInt32> order;
    if (!refs || numRefs <= 0)
        return order;
    try {
        order.reserve(static_cast<std::size_t>(numRefs));
    } catch (const std::bad_alloc&) {
        return order;
    }
    for (AtomIndex i = 0; i < numRefs; ++i)
        if (refs[i].h != 0 || refs[i].k != 0 || refs[i].l != 0)
            order.push_back(static_cast<UInt32>(i));
    int (*compare)(const ReflexionRec&, const ReflexionRec&) = nullptr;
    switch (sortOrder) {
    case kSortReflexionsByHKL: compare = CompareReflexionsByHKL; break;
    case kSortReflexionsByDSpacing: compare = CompareReflexionsByDSpacing; break;
    case kSortReflexionsByIntensity: compare = CompareReflexionsByIntensity; break;
    default: break;
    }
    if (compare)
        std::sort(order.begin(), order.end(),
                  [refs, compare](UInt32 a, UInt32 b) { return compare(refs[a], refs[b]) < 0; });
    return order;
}
