// Window > Clone, Stack, Tile and Synchronise: a clone is the same document, deeply copied; tiled
// and stacked windows lie inside the available area of the screen; synchronised windows take the
// front window's settings and size.
#include "WindowArrangement.h"

#include "CommandTable.h"
#include "Document.h"
#include "DocumentCommands.h"
#include "MainWindow.h"
#include "SessionFile.h"
#include "ShellTestSupport.h"

#include "ByteStream.h"

#include <QAction>
#include <QRect>

#include <cstdio>

namespace {

class WindowArrangementTest : public ShellTest {
protected:
    // Several windows, each with a document of its own; the last is in front.
    std::vector<MainWindow*> OpenWindows(int n)
    {
        const char* files[] = {"silicon.cif", "copper.cif", "tungsten.cif", "rock_salt.cif", "rutile.cif", "calcite.cif"};
        std::vector<MainWindow*> out;
        Start();
        for (int i = 0; i < n; ++i)
            out.push_back(app->OpenDoc(Example(files[i])));
        Settle();
        return out;
    }
    static std::vector<unsigned char> SessionBytes(WinInfoRec* doc)
    {
        FileHandle file(std::tmpfile());
        EXPECT_EQ(WriteSessionStream(doc, file.get(), SessionWindowState{}), kNoErr);
        std::vector<unsigned char> bytes;
        std::rewind(file.get());
        for (int c; (c = std::fgetc(file.get())) != EOF;)
            bytes.push_back(static_cast<unsigned char>(c));
        return bytes;
    }
};

}  // namespace

TEST_F(WindowArrangementTest, ACloneIsTheSameDocumentCopiedDeeply)
{
    MainWindow* w = StartWith("quartz.cif");
    ASSERT_TRUE(w);
    ASSERT_EQ(AddFilesToWindow(w, {Example("quartz_synthetic_cuka.xy")}), 1);
    w->Doc()->plotSpecs.radType = kRadiationNeutrons;
    FindCommand(w, "clnW")->trigger();
    MainWindow* clone = app->FrontWindow();
    ASSERT_NE(clone, w);
    EXPECT_EQ(clone->Doc()->filename, w->Doc()->filename + " copy");
    ASSERT_EQ(clone->Doc()->fileList.size(), 2u);
    // Named alike and drawn alike (the clone's first drawing fits its own pane), the two
    // documents save as the same session.
    const std::string name = clone->Doc()->filename;
    clone->Doc()->filename = w->Doc()->filename;
    clone->Doc()->plotSpecs = w->Doc()->plotSpecs;
    EXPECT_EQ(SessionBytes(clone->Doc()), SessionBytes(w->Doc()));
    clone->Doc()->filename = name;
    // Changing the clone's crystal leaves the source's alone.
    CrystalDataRec* copied = GetFrontCrystal(clone->Doc());
    CrystalDataRec* original = GetFrontCrystal(w->Doc());
    ASSERT_TRUE(copied && original);
    EXPECT_NE(copied, original);
    const Float32 a = original->a;
    copied->a = a + 1;
    EXPECT_EQ(original->a, a);
}

TEST_F(WindowArrangementTest, CloningAnEmptyWindowDoesNothing)
{
    MainWindow* w = Start();
    EXPECT_EQ(MyCloneWindow(*app, w), nullptr);
    EXPECT_EQ(app->DocumentWindows().size(), 1u);
}

TEST_F(WindowArrangementTest, TiledWindowsLieInsideTheAvailableArea)
{
    for (int n : {2, 5}) {
        SCOPED_TRACE(n);
        const std::vector<MainWindow*> windows = OpenWindows(n);
        FindCommand(windows.back(), "tilW")->trigger();
        Settle();
        const QRect area = ArrangementArea(*app);
        for (MainWindow* w : app->DocumentWindows())
            EXPECT_TRUE(area.contains(w->frameGeometry())) << w->frameGeometry().x() << "," << w->frameGeometry().y()
                                                           << " " << w->frameGeometry().width() << "x"
                                                           << w->frameGeometry().height();
        EXPECT_EQ(app->FrontWindow(), windows.back());
        TearDown();
        SetUp();
    }
}

TEST_F(WindowArrangementTest, StackedWindowsCascadeFromTheAreasCorner)
{
    const std::vector<MainWindow*> windows = OpenWindows(3);
    FindCommand(windows.back(), "stkW")->trigger();
    Settle();
    const QRect area = ArrangementArea(*app);
    // From the front: the front window at the corner, the next 10 right and 20 down.
    EXPECT_EQ(windows[2]->frameGeometry().topLeft(), area.topLeft());
    EXPECT_EQ(windows[1]->frameGeometry().topLeft(), area.topLeft() + QPoint(10, 20));
    EXPECT_EQ(windows[0]->frameGeometry().topLeft(), area.topLeft() + QPoint(20, 40));
    for (MainWindow* w : windows)
        EXPECT_TRUE(area.contains(w->frameGeometry()));
}

TEST_F(WindowArrangementTest, SynchronisedWindowsTakeTheFrontWindowsSettingsAndSize)
{
    const std::vector<MainWindow*> windows = OpenWindows(2);
    MainWindow* front = windows.back();
    front->resize(640, 420);
    front->Doc()->plotSpecs.radType = kRadiationNeutrons;
    front->Doc()->plotSpecs.lambda = 1.2f;
    FindCommand(front, "synW")->trigger();
    Settle();
    EXPECT_EQ(windows[0]->Doc()->plotSpecs.radType, kRadiationNeutrons);
    EXPECT_EQ(windows[0]->Doc()->plotSpecs.lambda, 1.2f);
    EXPECT_EQ(windows[0]->size(), front->size());
    EXPECT_TRUE(windows[0]->windowTitle().startsWith(Localized("Angle-Dispersive_Neutrons")));
    EXPECT_EQ(app->FrontWindow(), front);
}

TEST_F(WindowArrangementTest, ArrangingNeedsTwoWindows)
{
    MainWindow* w = StartWith("silicon.cif");
    ShowAllMenus(w);
    EXPECT_FALSE(FindCommand(w, "tilW")->isEnabled());
    EXPECT_FALSE(FindCommand(w, "stkW")->isEnabled());
    EXPECT_FALSE(FindCommand(w, "synW")->isEnabled());
    EXPECT_TRUE(FindCommand(w, "clnW")->isEnabled());
    HideAllMenus(w);
}
