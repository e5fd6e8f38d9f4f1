// The graphics pane: requests are gathered into one drawing, a drawing waits while the engine is
// busy, automatic scaling asked for at the request survives until the drawing, and only drawings
// that follow a change of the document mark the window changed.
#include "GraphicsPane.h"

#include "Document.h"
#include "EngineBusy.h"
#include "Globals.h"
#include "MainWindow.h"
#include "ShellTestSupport.h"

#include <QTest>

namespace {

class GraphicsPaneTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        window = StartWith("silicon.cif");
        ASSERT_TRUE(window);
        pane = window->Pane();
        doc = window->Doc();
    }
    MainWindow* window = nullptr;
    GraphicsPane* pane = nullptr;
    WinInfoRec* doc = nullptr;
};

TEST_F(GraphicsPaneTest, RequestsWithoutNewProfilesAreDrawnOnceWhenTheLoopTurns)
{
    const int before = pane->RenderCount();
    for (int i = 0; i < 3; ++i)
        pane->RequestRedraw(false, false);
    EXPECT_EQ(pane->RenderCount(), before);
    Settle();
    EXPECT_EQ(pane->RenderCount(), before + 1);
    // New profiles are drawn at once: the engine reads them right after.
    pane->RequestRedraw(true, false);
    EXPECT_EQ(pane->RenderCount(), before + 2);
}

// A drawing in the middle of the engine's work (reached through an alert's or the progress bar's
// event loop) would read half-computed data.
TEST_F(GraphicsPaneTest, NothingIsDrawnOrClosedWhileTheEngineIsBusy)
{
    const int before = pane->RenderCount();
    {
        EngineBusy busy;
        pane->RequestRedraw(true, true);
        Settle();
        EXPECT_EQ(pane->RenderCount(), before);
        window->close();
        Settle();
        EXPECT_EQ(app->DocumentWindows().size(), 1u);
        EXPECT_TRUE(dialogs.asked.isEmpty());
    }
    QTest::qWait(120);  // the drawing tries again a little later
    EXPECT_EQ(pane->RenderCount(), before + 1);
}

// Drawing later must not lose the automatic scaling that was on when the drawing was asked for.
TEST_F(GraphicsPaneTest, AutomaticScalingAskedForIsKeptUntilTheDrawing)
{
    doc->plotSpecs.ymax = 1e9f;
    doc->autoScaleY = true;
    pane->RequestRedraw(false, false);
    doc->autoScaleY = false;
    Settle();
    EXPECT_LT(doc->plotSpecs.ymax, 1e6f);
    EXPECT_GT(doc->plotSpecs.ymax, 0.0f);
}

TEST_F(GraphicsPaneTest, ResizingDoesNotMarkTheWindowChanged)
{
    window->MarkSaved();
    const int before = pane->RenderCount();
    window->resize(window->width() + 60, window->height() + 40);
    Settle();
    EXPECT_GT(pane->RenderCount(), before);  // drawn for the new size
    EXPECT_FALSE(window->IsModified());
    pane->RequestRedraw(false, false);  // a change of the document
    Settle();
    EXPECT_TRUE(window->IsModified());
}

}  // namespace
