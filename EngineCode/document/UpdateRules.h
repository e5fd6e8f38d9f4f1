// What an update check makes of the versions the update server lists: the best update (a newer
// release of the running major version) and the best release overall, whether a check is due,
// and what the user is told. The fetching and the version document are the shell's
// (InterfaceCode/UpdateCheck); the state lives in the preferences (PrefDataRec).
#pragma once

#include "Globals.h"

#include <vector>

// Seconds between automatic checks when the preferences say 0: a week.
inline constexpr UInt32 kDefaultUpdateCheckInterval = 604800;
// Capacity for the version document; a document this long or longer is refused.
inline constexpr int kMaxVersDataSize = 32768;
// Seconds from 1970-01-01 to 2001-01-01 00:00 GMT, the origin of updateCheckLastCheck.
inline constexpr double kSecondsFrom1970To2001 = 978307200.0;

struct BestVersionsRec {
    UInt32 bestUpdate = 0;   // the running version, or a newer one of the same major version
    UInt32 bestOverall = 0;  // the running version, or the newest listed
};
BestVersionsRec FindBestVersions(UInt32 running, const std::vector<UInt32>& versions);

// Sets a zero interval to the default; then, for an automatic check, whether the interval since
// the last check has passed (now and the last check in seconds since 2001). A manual check is
// always due.
bool UpdateCheckDue(PrefDataRec* prefs, bool automatic, double now);

enum class UpdateAnnouncement { None, Update, Upgrade, UpToDate };
struct UpdateDecisionRec {
    UpdateAnnouncement what = UpdateAnnouncement::None;
    UInt32 version = 0;  // the release announced
};
// What to tell the user. An automatic check does not repeat the update or upgrade it announced
// last; an update is announced before an upgrade, never both. Records an announced release in
// prefs (updateCheckLastUpdate or updateCheckLastUpgrade).
UpdateDecisionRec DecideUpdateAnnouncement(UInt32 running, const BestVersionsRec& best, bool automatic,
                                           PrefDataRec* prefs);
