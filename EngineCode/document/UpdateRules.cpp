// Update-check rules.
#include "UpdateRules.h"

#include <algorithm>

namespace {

UInt32 Major(UInt32 code)
{
    return code / 100000;
}

}  // namespace

BestVersionsRec FindBestVersions(UInt32 running, const std::vector<UInt32>& versions)
{
    BestVersionsRec best{running, running};
    for (UInt32 v : versions) {
        best.bestOverall = std::max(best.bestOverall, v);
        if (v > best.bestUpdate && Major(v) == Major(running))
            best.bestUpdate = v;
    }
    return best;
}

bool UpdateCheckDue(PrefDataRec* prefs, bool automatic, double now)
{
    if (prefs->updateCheckInterval == 0)
        prefs->updateCheckInterval = kDefaultUpdateCheckInterval;
    return !automatic || now - prefs->updateCheckLastCheck > prefs->updateCheckInterval;
}

UpdateDecisionRec DecideUpdateAnnouncement(UInt32 running, const BestVersionsRec& best, bool automatic,
                                           PrefDataRec* prefs)
{
    const bool mayUpgrade = !automatic || static_cast<UInt32>(prefs->updateCheckLastUpgrade) < best.bestOverall;
    const bool mayUpdate = !automatic || static_cast<UInt32>(prefs->updateCheckLastUpdate) < best.bestUpdate;
    if (mayUpdate && running < best.bestUpdate) {
        prefs->updateCheckLastUpdate = static_cast<SInt32>(best.bestUpdate);
        return {UpdateAnnouncement::Update, best.bestUpdate};
    }
    if (mayUpgrade && running < best.bestOverall) {
        prefs->updateCheckLastUpgrade = static_cast<SInt32>(best.bestOverall);
        return {UpdateAnnouncement::Upgrade, best.bestOverall};
    }
    return {automatic ? UpdateAnnouncement::None : UpdateAnnouncement::UpToDate, 0};
}
