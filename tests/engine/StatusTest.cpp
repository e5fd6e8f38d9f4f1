// Status texts, the progress bar, the message window, alerts and the string table.
#include "Document.h"
#include "Status.h"
#include "StringTable.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using Kind = RecordingStatusSink::Kind;

TEST(Status, ProgressNeverMovesBackAndIgnoresOtherWindows)
{
    RecordingStatusSink first, second;
    auto w1 = CreateWindowInfo(PrefDataRec{});
    auto w2 = CreateWindowInfo(PrefDataRec{});
    w1->statusSink = &first;
    w2->statusSink = &second;
    StartProgressBar(w1.get(), "working");
    ProgressBar(w1.get(), 50);
    ProgressBar(w1.get(), 40);
    ProgressBar(w2.get(), 70);
    ProgressBar(w1.get(), 60);
    StopProgressBar(w1.get());
    EXPECT_EQ(first.Count(Kind::ProgressValue), 2);
    EXPECT_EQ(first.Last(Kind::ProgressValue)->value, 60);
    EXPECT_EQ(second.events.size(), 0u);
    // After the bar has stopped, further values go nowhere.
    ProgressBar(w1.get(), 90);
    EXPECT_EQ(first.Count(Kind::ProgressValue), 2);
}

TEST(Status, InfoBarTextAndLocalisedStatus)
{
    LoadStringTableFromText("Sorting_Reflexions = Sorting…\n");
    RecordingStatusSink sink;
    auto w = CreateWindowInfo(PrefDataRec{});
    w->statusSink = &sink;
    ShowLocalizedStatus(w.get(), "Sorting_Reflexions");
    ShowLocalizedStatus(w.get(), "Not_A_Key");
    DrawInfoBarText(w.get(), nullptr);
    ASSERT_EQ(sink.events.size(), 3u);
    EXPECT_EQ(sink.events[0].text, "Sorting…");
    EXPECT_EQ(sink.events[1].text, "Not_A_Key");
    EXPECT_EQ(sink.events[2].text, "");
    DrawInfoBarText(nullptr, "nothing");  // no window: nothing happens
    EXPECT_EQ(sink.events.size(), 3u);
}

TEST(Status, MessageWindowWithNullBody)
{
    RecordingStatusSink sink;
    ScopedThreadStatusSink scope(&sink);
    const std::string title = "Missing";
    ShowMessageWindow(&title, nullptr);
    ShowMessageWindow("Second", "body");
    ASSERT_EQ(sink.Count(Kind::Message), 2);
    EXPECT_EQ(sink.events[0].detail, "");
    EXPECT_EQ(sink.events[1].text, "Second");
    EXPECT_EQ(sink.events[1].detail, "body");
}

TEST(Status, AlertsCarryTheirExplanation)
{
    LoadStringTableFromText("Key_A = Main text\nKey_A_2 = The reason.\nKey_B = Only main\n");
    RecordingStatusSink sink;
    ScopedThreadStatusSink scope(&sink);
    MyCFStopAlert("Key_A");
    MyCFCautionAlert("Key_B");
    MyCFNoteAlert("Key_C");
    ASSERT_EQ(sink.events.size(), 3u);
    EXPECT_EQ(sink.events[0].text, "Main text");
    EXPECT_EQ(sink.events[0].detail, "The reason.");
    EXPECT_EQ(sink.events[0].value, static_cast<int>(AlertKind::Stop));
    EXPECT_EQ(sink.events[1].detail, "");
    EXPECT_EQ(sink.events[2].text, "Key_C");
}

TEST(StringTable, ParsesCommentsEscapesAndTrailingSpaces)
{
    LoadStringTableFromText("# comment\n  Spaced_Key   =   two\\nlines\nTrail = ends with a space \r\nbroken line\n");
    EXPECT_EQ(LocalizedString("Spaced_Key"), "two\nlines");
    EXPECT_EQ(LocalizedString("Trail"), "ends with a space ");
    EXPECT_FALSE(HasLocalizedString("broken line"));
}

TEST(StringTable, ShippedTableHasTheEngineKeys)
{
    // The shipped table is found through the resource lookup.
    ASSERT_TRUE(LoadShippedStrings());
    for (const char* key : {"Generating_HKL_Listing", "Calculating_N_Reflexions", "Error_No_ASF", "Error_No_ASF_2",
                            "No_Reflexions_Range", "Cant_Find_ASF.dat", "Angle-Dispersive_X-Rays"})
        EXPECT_TRUE(HasLocalizedString(key)) << key;
    EXPECT_EQ(FormatCount(LocalizedString("Calculating_N_Reflexions"), 1234), "Calculating 1234 reflexions…");
}

TEST(Status, FormatCountFillsTheFirstPlaceholderOnly)
{
    EXPECT_EQ(FormatCount("%d of %d", 3), "3 of %d");
    EXPECT_EQ(FormatCount("Copying %ld", 12), "Copying 12");
    EXPECT_EQ(FormatCount("no placeholder", 5), "no placeholder 5");
    EXPECT_EQ(FormatCount("%s %n %ld", 5), "%s %n 5");
}
