// What the tool shows on standard error: the engine's reports turned into lines, status texts
// kept off them, and the progress bar drawn only on a terminal.
#include "CliStatus.h"

#include "StringTable.h"
#include "engine/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

class CliStatusTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(LoadShippedStrings()); }
    std::vector<std::string> lines;
    CliStatusSink sink{[this](const std::string& line) { lines.push_back(line); }, nullptr, false};
};

std::string Contents(std::FILE* f)
{
    std::string s;
    std::rewind(f);
    for (int c; (c = std::fgetc(f)) != EOF;)
        s += static_cast<char>(c);
    return s;
}

}  // namespace

TEST_F(CliStatusTest, AlertsBecomeLinesNamingTheFile)
{
    sink.SetContext("in/quartz.cif");
    sink.Alert(AlertKind::Stop, "The file could not be opened.", "Check that\nit exists.");
    sink.Alert(AlertKind::Caution, "The x range was reset.", "");
    sink.Alert(AlertKind::Note, "Done.", "");
    sink.SetContext({});
    sink.Alert(AlertKind::Stop, "No table.", "");
    const std::vector<std::string> expected = {
        "velmora-cli: in/quartz.cif: error: The file could not be opened. Check that it exists.",
        "velmora-cli: in/quartz.cif: warning: The x range was reset.",
        "velmora-cli: in/quartz.cif: note: Done.",
        "velmora-cli: error: No table.",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(sink.stopAlerts(), 2);
}

// The information bar carries both what is going on and notes such as a CIF reader's choice of
// origin; only the notes are worth a line.
TEST_F(CliStatusTest, StatusTextsAreQuietNotesAreShown)
{
    sink.SetContext("si.cif");
    sink.InfoBarText(LocalizedString("Sorting_Reflexions"));
    sink.InfoBarText("Copying 1234 reflexions…");
    sink.InfoBarText("Calculating 17 reflexions…");
    sink.InfoBarText("");
    sink.MessageWindow(LocalizedString("Writing_Fhkl"), LocalizedString("Writing_Fhkl2"));
    EXPECT_TRUE(lines.empty());

    sink.InfoBarText("Origin choice 2 was taken.");
    sink.MessageWindow(LocalizedString("Error_No_ASF"), LocalizedString("Error_No_ASF_2") + "Xx");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "velmora-cli: si.cif: note: Origin choice 2 was taken.");
    EXPECT_EQ(lines[1], "velmora-cli: si.cif: warning: " + LocalizedString("Error_No_ASF") + ": " +
                            LocalizedString("Error_No_ASF_2") + "Xx");
    EXPECT_EQ(sink.stopAlerts(), 0);
}

TEST(CliProgress, DrawnOnlyWhenEnabled)
{
    std::FILE* off = std::tmpfile();
    std::FILE* on = std::tmpfile();
    ASSERT_TRUE(off && on);
    {
        TerminalProgress quiet(off, false);
        quiet.Show("Simulating", 50);
        quiet.PrintLine("velmora-cli: a line");
        TerminalProgress bar(on, true);
        bar.Show("Simulating", 50);
        bar.Show("Simulating", 50);  // unchanged: not drawn again
        bar.PrintLine("velmora-cli: a line");
        bar.Show("Simulating", 150);
    }  // the bar is erased when it goes
    EXPECT_EQ(Contents(off), "velmora-cli: a line\n");
    EXPECT_EQ(Contents(on), "\r\033[KSimulating [##########..........] 50%"
                            "\r\033[Kvelmora-cli: a line\n"
                            "\r\033[KSimulating [####################] 100%"
                            "\r\033[K");
    std::fclose(off);
    std::fclose(on);
}
