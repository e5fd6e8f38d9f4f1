// The document window: single-letter keys, the toolbar kept in step with the document, and the
// window placed from a session.
#include "MainWindow.h"

#include "Document.h"
#include "InfoBar.h"
#include "PlotCommands.h"
#include "ShellTestSupport.h"
#include "StringTable.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QToolBar>

namespace {

class MainWindowTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        window = Start();
        ASSERT_TRUE(window);
    }
    QAction* ToolbarAction(const char* command) const
    {
        for (QAction* a : window->Toolbar()->actions())
            if (a->data().toString() == QLatin1String(command))
                return a;
        return nullptr;
    }
    MainWindow* window = nullptr;
};

TEST_F(MainWindowTest, SingleLettersChooseToolsAndShowOrHideThePanes)
{
    const struct {
        char key;
        int tool;
        const char* prompt;
    } tools[] = {{'h', 1, "Scroll_Tool_Prompt"}, {'z', 2, "Magnify_Tool_Prompt"}, {'a', 0, "Arrow_Tool_Prompt"}};
    for (const auto& t : tools) {
        QTest::keyClick(window, t.key);
        EXPECT_EQ(window->Doc()->currentTool, t.tool) << t.key;
        EXPECT_EQ(window->Info()->Text().toStdString(), LocalizedString(t.prompt)) << t.key;
    }
    const bool parameters = window->ParameterListShown();
    QTest::keyClick(window, 'p');
    EXPECT_NE(window->ParameterListShown(), parameters);
    const bool drawer = window->DrawerOpen();
    QTest::keyClick(window, 's');
    EXPECT_NE(window->DrawerOpen(), drawer);
    // With a modifier the letter is not the window's.
    QTest::keyClick(window, 'p', Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_NE(window->ParameterListShown(), parameters);
}

TEST_F(MainWindowTest, ToolbarFollowsTheDocument)
{
    EXPECT_FALSE(ToolbarAction("tMov")->isEnabled());  // nothing plotted
    app->OpenDoc(Example("silicon.cif"));
    EXPECT_TRUE(ToolbarAction("tMov")->isEnabled());
    QAction* film = ToolbarAction("tGoF");
    EXPECT_EQ(film->toolTip().toStdString(), LocalizedString("Toolbar_Film_Help"));
    film->trigger();
    EXPECT_LT(window->Doc()->plotSpecs.plotType, 0);
    EXPECT_EQ(film->toolTip().toStdString(), LocalizedString("Toolbar_Graph_Help"));
    QAction* mix = ToolbarAction("tMix");
    mix->trigger();
    EXPECT_TRUE(window->Doc()->plotSpecs.plotMixture);
    EXPECT_EQ(mix->toolTip().toStdString(), LocalizedString("Toolbar_Unmix_Help"));
}

TEST_F(MainWindowTest, SessionPlacesTheWindowOnTheScreen)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    SessionWindowState state;
    state.hasBounds = true;
    state.bounds = Rect{-900, -900, -900 + 300, -900 + 700};  // off the screen
    state.showToolbar = false;
    state.showParameters = false;
    state.showFiles = !window->DrawerOpen();
    window->ApplySessionState(state);
    EXPECT_EQ(window->geometry().topLeft(), screen.topLeft());
    EXPECT_EQ(window->width(), 700);
    EXPECT_FALSE(window->ToolbarShown());
    EXPECT_FALSE(window->ParameterListShown());
    EXPECT_EQ(window->DrawerOpen(), static_cast<bool>(state.showFiles));

    const SessionWindowState saved = window->SessionState();
    EXPECT_EQ(saved.bounds, window->ContentBounds());
    EXPECT_FALSE(saved.showToolbar);
    EXPECT_FALSE(saved.showParameters);
}

}  // namespace
