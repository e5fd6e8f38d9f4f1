// Update-check rules: best versions of a listing, when an automatic check is due, and what each
// check announces, with the cases of a program that was told before.
#include "UpdateRules.h"

#include <gtest/gtest.h>

namespace {

struct AnnouncementRow {
    const char* what;
    UInt32 running;
    std::vector<UInt32> listed;
    bool automatic;
    SInt32 lastUpdate, lastUpgrade;  // announced earlier
    UpdateAnnouncement expected;
    UInt32 version;
};

class Announcement : public ::testing::TestWithParam<AnnouncementRow> {};

}  // namespace

TEST_P(Announcement, FollowsTheListAndWhatWasAnnouncedBefore)
{
    const AnnouncementRow& row = GetParam();
    PrefDataRec prefs;
    prefs.updateCheckLastUpdate = row.lastUpdate;
    prefs.updateCheckLastUpgrade = row.lastUpgrade;
    const UpdateDecisionRec d =
        DecideUpdateAnnouncement(row.running, FindBestVersions(row.running, row.listed), row.automatic, &prefs);
    EXPECT_EQ(d.what, row.expected);
    EXPECT_EQ(d.version, row.version);
    if (d.what == UpdateAnnouncement::Update)
        EXPECT_EQ(prefs.updateCheckLastUpdate, static_cast<SInt32>(row.version));
    if (d.what == UpdateAnnouncement::Upgrade)
        EXPECT_EQ(prefs.updateCheckLastUpgrade, static_cast<SInt32>(row.version));
}

// 5.0.1 is 501300, 5.0.2 502300, 5.1 510300, 6.0 600300 (final releases).
INSTANTIATE_TEST_SUITE_P(
    Rows, Announcement,
    ::testing::Values(
        AnnouncementRow{"NewestOfTheSameMajorIsTheUpdate", 501300, {501300, 502300, 510300}, false, 0, 0,
                        UpdateAnnouncement::Update, 510300},
        AnnouncementRow{"ANewMajorIsAnUpgrade", 510300, {510300, 600300}, false, 0, 0, UpdateAnnouncement::Upgrade, 600300},
        AnnouncementRow{"AnUpdateComesBeforeAnUpgrade", 501300, {502300, 600300}, false, 0, 0,
                        UpdateAnnouncement::Update, 502300},
        AnnouncementRow{"OnlyANewMajor", 502300, {600300}, false, 0, 0, UpdateAnnouncement::Upgrade, 600300},
        AnnouncementRow{"AutomaticDoesNotRepeatTheUpgrade", 502300, {600300}, true, 0, 600300,
                        UpdateAnnouncement::None, 0},
        AnnouncementRow{"ManualRepeatsTheUpgrade", 502300, {600300}, false, 0, 600300, UpdateAnnouncement::Upgrade, 600300},
        AnnouncementRow{"AutomaticSkipsAnUpdateToldBeforeButNotANewUpgrade", 501300, {502300, 600300}, true, 502300, 0,
                        UpdateAnnouncement::Upgrade, 600300},
        AnnouncementRow{"ManualWithNothingNewIsUpToDate", 501300, {501300, 500300}, false, 0, 0,
                        UpdateAnnouncement::UpToDate, 0},
        AnnouncementRow{"AutomaticWithNothingNewSaysNothing", 501300, {501300}, true, 0, 0, UpdateAnnouncement::None, 0},
        AnnouncementRow{"ABetaOfTheNextBugfixIsAnUpdate", 501300, {502203}, false, 0, 0, UpdateAnnouncement::Update,
                        502203}),
    [](const ::testing::TestParamInfo<AnnouncementRow>& info) { return std::string(info.param.what); });

TEST(UpdateRules, AZeroIntervalBecomesAWeek)
{
    PrefDataRec prefs;
    prefs.updateCheckInterval = 0;
    UpdateCheckDue(&prefs, true, 0);
    EXPECT_EQ(prefs.updateCheckInterval, 604800u);
}

TEST(UpdateRules, AnAutomaticCheckIsDueOnlyAfterTheInterval)
{
    PrefDataRec prefs;
    prefs.updateCheckInterval = 100;
    prefs.updateCheckLastCheck = 1000;
    EXPECT_FALSE(UpdateCheckDue(&prefs, true, 1100));  // not more than the interval
    EXPECT_TRUE(UpdateCheckDue(&prefs, true, 1100.5));
    EXPECT_TRUE(UpdateCheckDue(&prefs, false, 1001));  // asked for: always
}
