// The user guide's window: the Help command shows the shipped guide, every link of the guide
// lands on a section of it, Back and Forward retrace the sections visited, and the menu items the
// guide names are items of the menus.
#include "HelpWindow.h"

#include "CommandTable.h"
#include "MainWindow.h"
#include "ShellTestSupport.h"
#include "StringTable.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBrowser>

#include <map>
#include <set>

namespace {

class HelpWindowTest : public ShellTest {
protected:
    HelpWindow* OpenHelp()
    {
        MainWindow* w = Start();
        if (!w)
            return nullptr;
        QAction* help = FindCommand(w, "HMug");
        if (!help)
            return nullptr;
        help->trigger();
        Settle();
        return FindHelpWindow();
    }
    static HelpWindow* FindHelpWindow()
    {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* h = qobject_cast<HelpWindow*>(top))
                return h;
        return nullptr;
    }
    static int ScrollOf(HelpWindow* h) { return h->Browser()->verticalScrollBar()->value(); }
};

TEST_F(HelpWindowTest, HelpCommandShowsTheGuideWithItsTitle)
{
    ASSERT_FALSE(HelpWindow::GuidePath().isEmpty()) << "guide.html is not among the resources";
    HelpWindow* h = OpenHelp();
    ASSERT_TRUE(h);
    EXPECT_TRUE(h->isVisible());
    EXPECT_EQ(h->Browser()->documentTitle(), QStringLiteral("Velmora Help"));
    EXPECT_EQ(h->windowTitle(), QStringLiteral("Velmora Help"));
    EXPECT_TRUE(h->Browser()->toPlainText().contains(QStringLiteral("velmora-cli")));

    // Asked again, the same window comes to the front: no second one.
    FindCommand(app->FrontWindow(), "HMug")->trigger();
    Settle();
    int helpWindows = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        helpWindows += qobject_cast<HelpWindow*>(top) != nullptr;
    EXPECT_EQ(helpWindows, 1);
}

TEST_F(HelpWindowTest, EverySectionLinkLandsOnASectionOfTheGuide)
{
    HelpWindow* h = OpenHelp();
    ASSERT_TRUE(h);
    const QStringList anchors = h->AnchorNames();
    for (const char* section : {"opening", "parameters", "tools", "axes", "mixtures", "cli", "formats"})
        EXPECT_TRUE(anchors.contains(QLatin1String(section))) << section;
    const QStringList links = h->LinkTargets();
    ASSERT_GE(links.size(), 7);
    for (const QString& link : links) {
        if (link.startsWith(QLatin1String("http")))
            continue;
        ASSERT_TRUE(link.startsWith(QLatin1Char('#'))) << link.toStdString() << ": the guide is one page";
        EXPECT_TRUE(anchors.contains(link.mid(1))) << link.toStdString() << " has no section";
    }
}

TEST_F(HelpWindowTest, BackAndForwardRetraceTheSectionsVisited)
{
    HelpWindow* h = OpenHelp();
    ASSERT_TRUE(h);
    h->resize(700, 400);  // a page much longer than the window
    Settle();
    EXPECT_FALSE(h->BackAction()->isEnabled());
    ASSERT_EQ(ScrollOf(h), 0);

    h->ShowSection(QStringLiteral("tools"));
    Settle();
    const int tools = ScrollOf(h);
    EXPECT_GT(tools, 0);
    h->ShowSection(QStringLiteral("formats"));
    Settle();
    const int formats = ScrollOf(h);
    EXPECT_GT(formats, tools);
    ASSERT_TRUE(h->BackAction()->isEnabled());

    h->BackAction()->trigger();
    Settle();
    EXPECT_EQ(ScrollOf(h), tools);
    EXPECT_TRUE(h->ForwardAction()->isEnabled());
    h->BackAction()->trigger();
    Settle();
    EXPECT_EQ(ScrollOf(h), 0);
    EXPECT_FALSE(h->BackAction()->isEnabled());
    h->ForwardAction()->trigger();
    Settle();
    EXPECT_EQ(ScrollOf(h), tools);
}

// The guide names menu items as "Menu > Item"; each must be an item of that menu, under one of
// the titles it can show.
TEST_F(HelpWindowTest, MenuItemsTheGuideNamesExist)
{
    QFile file(HelpWindow::GuidePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());

    std::map<QString, std::set<QString>> items;
    for (const CommandEntry& e : CommandTable()) {
        const QString menu = QString::fromLatin1(e.menu).section(QLatin1Char('/'), 0, 0);
        items[menu].insert(QString::fromStdString(LocalizedString(e.labelKey)).remove(QLatin1Char('&')));
    }
    // Titles that change with the state.
    for (const char* key : {"Show_Parameters", "Hide_Parameters", "Show_Structures", "Hide_Structures",
                            "Show_Residual", "Hide_Residual", "Show_Legend", "Hide_Legend"}) {
        const QString text = QString::fromStdString(LocalizedString(key));
        for (auto& [menu, labels] : items)
            labels.insert(text);
    }

    static const QRegularExpression kNamed(QStringLiteral("<b>(\\w+) &gt;\\s+([^<]+)</b>"));
    int named = 0;
    for (auto it = kNamed.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString menu = m.captured(1);
        const QString item = m.captured(2).simplified();
#if !VELMORA_UPDATE_CHECK
        if (item.startsWith(QLatin1String("Check for Updates")))
            continue;
#endif
        ++named;
        ASSERT_TRUE(items.count(menu)) << menu.toStdString();
        EXPECT_TRUE(items[menu].count(item)) << menu.toStdString() << " > " << item.toStdString();
    }
    EXPECT_GE(named, 10);
}

}  // namespace
