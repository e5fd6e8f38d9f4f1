// The command table and the menus built from it: every command is there once with a title and a
// shortcut of its own, the menus show the rules of the window they belong to, a shortcut obeys
// the rules as the menu does, and the items that take their value from their title read it.
#include "CommandTable.h"
#include "Commands.h"
#include "Document.h"
#include "DocumentCommands.h"
#include "Globals.h"
#include "MainWindow.h"
#include "Resources.h"
#include "ShellTestSupport.h"
#include "StringTable.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <string_view>

namespace {

// The command codes of the menus, as the menu bar must offer them.
const char* const kMenuCodes[] = {
    "open", "+Win", "+Dat", "clos", "save", "svas", "xLst", "xFac", "xPro", "page", "prnt", "quit", "pref", "abou",
    "RCal", "2Tht", "DSpa", "RcpD", "^TOF", "^Eng", "XRay", "Neut", "Anom", "Dlta", "Lrnz", "Gaus", "PVgt", "^Wav", "^FWH",
    "^Eta", "^PSz", "^Str", "^Xtl", "Ghkl", "*Lst", "^Rng", "^FrC", "ttlW", "Grph", "Film", "*Mix", "!Mix", "*Grd",
    "*Leg", "*Res", "OPkN", "OPkM", "OPkD", "OPkS", "OPkF", "Stck", "Clps", "B2Fr", "S2Bk", "*Lbl", "LHKL", "LDsp",
    "LXva", "LNam", "LBln", "LTFx", "PSXr", "PSDo", "PSSq", "PSLi", "PSLX", "PSLD", "PSLS", "PSFi", "PSTr", "LSDO",
    "LSSO", "LWFx", "MSFx", "MSAu", "^PlC", "clnW", "stkW", "tilW", "synW", "HMug", "HMau", "HMcu", "tgPL", "tgSL", "sall",
    "=PPr", "SFCl", "aClz",
};

class CommandTableTest : public ShellTest {
protected:
    // Opens the silicon example in the front window and returns that window.
    MainWindow* OpenSilicon()
    {
        MainWindow* w = app->OpenDoc(Example("silicon.cif"));
        Settle();
        return w;
    }
    // Chooses an item, as from a closed menu or by its shortcut.
    static void Trigger(MainWindow* w, const char* code, const QString& title = {})
    {
        HideAllMenus(w);
        for (QAction* a : FindCommands(w, code))
            if (title.isEmpty() || a->text() == title) {
                a->trigger();
                return;
            }
        ADD_FAILURE() << "no item " << code << " " << title.toStdString();
    }
    static QAction* Submenu(MainWindow* w, const char* code)
    {
        for (QMenu* menu : w->menuBar()->findChildren<QMenu*>())
            if (CommandCode(menu->menuAction()) == QLatin1String(code))
                return menu->menuAction();
        return nullptr;
    }
};

TEST_F(CommandTableTest, EveryMenuCommandIsThereWithATitleAndNoShortcutIsUsedTwice)
{
    std::set<std::string> codes;
    std::set<QString> shortcuts;
    for (const CommandEntry& e : CommandTable()) {
        EXPECT_EQ(std::strlen(e.code), 4u) << e.code;
        EXPECT_NE(LocalizedString(e.labelKey), "") << e.code;
        codes.insert(e.code);
        if (!e.shortcut.isEmpty()) {
            EXPECT_TRUE(shortcuts.insert(e.shortcut.toString()).second)
                << e.code << " reuses " << e.shortcut.toString().toStdString();
        }
    }
    for (const char* code : kMenuCodes)
        EXPECT_TRUE(codes.count(code)) << code;
    for (const MenuEntry& m : MenuTable()) {
        if (m.code) {
            EXPECT_EQ(std::strlen(m.code), 4u) << m.path;
        }
    }
    // The window's own keys are single letters without a modifier: none may be a menu shortcut.
    for (const char* key : {"A", "H", "Z", "D", "P", "S"})
        EXPECT_FALSE(shortcuts.count(QString::fromLatin1(key))) << key;
}

// The keys of the shipped message texts, read from the file itself.
std::set<std::string> ShippedKeys()
{
    std::set<std::string> keys;
    std::ifstream in(FindResourceFile("strings"));
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t eq = line.find('=');
        if (line.empty() || line[0] == '#' || eq == std::string::npos)
            continue;
        std::string key = line.substr(0, eq);
        key.erase(key.find_last_not_of(" \t") + 1);
        keys.insert(key);
    }
    return keys;
}

// Every row names texts the string file ships, a menu the menu table has and a code the engine
// has a rule for; only the items that take their value from their title share a code.
TEST_F(CommandTableTest, EveryRowHasItsTextsItsMenuAndItsRule)
{
    const std::set<std::string> shipped = ShippedKeys();
    ASSERT_GT(shipped.size(), 100u);
    const std::vector<std::string_view> rules = CommandRuleCodes();
    auto hasRule = [&rules](const char* code) { return std::find(rules.begin(), rules.end(), code) != rules.end(); };
    // Commands that work in every state: the engine leaves them to the menus.
    const std::set<std::string> alwaysEnabled = {"open", "+Win", "quit", "pref", "abou", "undo",
                                                 "redo", "HMug", "sall", "^RLm", "^SDs"};
    const std::set<std::string> repeated = {"LTFx", "LWFx", "MSFx"};

    std::map<std::string, const MenuEntry*> menus;
    for (const MenuEntry& m : MenuTable()) {
        EXPECT_TRUE(menus.emplace(m.path, &m).second) << m.path << " twice";
        EXPECT_TRUE(shipped.count(m.titleKey)) << m.titleKey;
        if (m.code) {
            EXPECT_TRUE(hasRule(m.code)) << "submenu " << m.path << " has no rule " << m.code;
        }
    }
    std::map<std::string, int> uses;
    std::set<std::string> labelKeys;
    for (const CommandEntry& e : CommandTable()) {
        EXPECT_TRUE(shipped.count(e.labelKey)) << e.code << ": " << e.labelKey;
        EXPECT_TRUE(labelKeys.insert(e.labelKey).second) << e.labelKey << " labels two items";
        const std::string path = e.menu;
        EXPECT_TRUE(menus.count(path)) << e.code << " in " << path;
        if (const std::size_t slash = path.find('/'); slash != std::string::npos) {
            EXPECT_TRUE(menus.count(path.substr(0, slash))) << path;
        }
        ++uses[e.code];
        EXPECT_EQ(hasRule(e.code), !alwaysEnabled.count(e.code)) << e.code;
        if (e.choice != Choice::None) {
            EXPECT_TRUE(e.checkable) << e.code;
        }
    }
    for (const auto& [code, n] : uses)
        EXPECT_EQ(n > 1, repeated.count(code) > 0) << code << " in " << n << " rows";
    // The menu bar shows the titles of the string file, the menus in the table's order.
    MainWindow* w = Start();
    ASSERT_TRUE(w);
    QStringList titles;
    for (QAction* a : w->menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("&File"), QStringLiteral("&Edit"), QStringLiteral("&Diffraction"),
                                   QStringLiteral("&Plot"), QStringLiteral("P&atterns"), QStringLiteral("&Window"),
                                   QStringLiteral("&Help")}));
    EXPECT_EQ(FindCommand(w, "open")->text(), QStringLiteral("&Open…"));
    EXPECT_EQ(Submenu(w, "mPlS")->text(), QStringLiteral("Plot Style"));
}

TEST_F(CommandTableTest, MenusShowTheRulesOfTheirWindow)
{
    MainWindow* w = Start();
    ASSERT_TRUE(w);
    ShowAllMenus(w);
    EXPECT_TRUE(FindCommand(w, "clos")->isEnabled());
    EXPECT_FALSE(FindCommand(w, "save")->isEnabled());
    EXPECT_FALSE(FindCommand(w, "xLst")->isEnabled());
    EXPECT_TRUE(FindCommand(w, "2Tht")->isChecked());
    EXPECT_TRUE(FindCommand(w, "XRay")->isChecked());
    EXPECT_TRUE(FindCommand(w, "Gaus")->isChecked());
    EXPECT_FALSE(FindCommand(w, "^Eta")->isEnabled());  // only for pseudo-Voigt peaks
    EXPECT_TRUE(FindCommand(w, "pref")->isEnabled());  // with or without a document
    EXPECT_FALSE(Submenu(w, "OPk ")->isEnabled());
    EXPECT_FALSE(Submenu(w, "mPlS")->isEnabled());

    ASSERT_EQ(OpenSilicon(), w);
    ShowAllMenus(w);
    EXPECT_TRUE(FindCommand(w, "save")->isEnabled());
    EXPECT_TRUE(FindCommand(w, "xLst")->isEnabled());
    EXPECT_TRUE(Submenu(w, "OPk ")->isEnabled());
    EXPECT_TRUE(Submenu(w, "mPlS")->isEnabled());  // the crystal arrived selected
    EXPECT_FALSE(FindCommand(w, "*Res")->isEnabled());
    EXPECT_EQ(FindCommand(w, "*Lbl")->text(), QString::fromStdString(LocalizedString("Show_Labels")));

    AddFilesToWindow(w, {WriteDataFile(QStringLiteral("obs.txt"))});
    Trigger(w, "*Res");

    Trigger(w, "*Lbl");
    Trigger(w, "PVgt");
    ShowAllMenus(w);
    EXPECT_TRUE(FindCommand(w, "*Res")->isEnabled());
    EXPECT_EQ(FindCommand(w, "*Res")->text(), QString::fromStdString(LocalizedString("Hide_Residual")));
    EXPECT_EQ(FindCommand(w, "*Lbl")->text(), QString::fromStdString(LocalizedString("Hide_Labels")));
    EXPECT_TRUE(FindCommand(w, "PVgt")->isChecked());
    EXPECT_FALSE(FindCommand(w, "Gaus")->isChecked());
    EXPECT_TRUE(FindCommand(w, "^Eta")->isEnabled());
}

TEST_F(CommandTableTest, ShortcutsObeyTheRulesAsTheMenuDoes)
{
    MainWindow* w = Start();
    // Nothing to save, nothing to export: the commands ask nothing even when fired directly.
    for (const char* code : {"save", "svas", "xLst", "xFac", "xPro", "+Dat"})
        Trigger(w, code);
    EXPECT_TRUE(dialogs.asked.isEmpty());
    EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 0);
}

// A menu shown while a command was disabled must not leave its shortcut dead once the command
// applies.
TEST_F(CommandTableTest, ShortcutWorksAfterTheMenuShowedItDisabled)
{
    MainWindow* w = Start();
    ShowAllMenus(w);
    ASSERT_FALSE(FindCommand(w, "svas")->isEnabled());
    HideAllMenus(w);
    OpenSilicon();
    FindCommand(w, "svas")->trigger();
    EXPECT_EQ(dialogs.asked, QStringList{QStringLiteral("save")});
}

TEST_F(CommandTableTest, ChoosingWhatIsInForceChangesNothing)
{
    MainWindow* w = Start();
    OpenSilicon();
    WinInfoRec* doc = w->Doc();
    Trigger(w, "Film");
    ASSERT_LT(doc->plotSpecs.plotType, 0);
    Trigger(w, "Film");  // already films
    EXPECT_LT(doc->plotSpecs.plotType, 0);
    Trigger(w, "Grph");
    EXPECT_GT(doc->plotSpecs.plotType, 0);
    Trigger(w, "*Mix");
    Trigger(w, "*Mix");  // already the mixture
    EXPECT_TRUE(doc->plotSpecs.plotMixture);
    Trigger(w, "Anom");
    EXPECT_TRUE(doc->plotSpecs.anomalous);
    Trigger(w, "Anom");  // a toggle: off again
    EXPECT_FALSE(doc->plotSpecs.anomalous);
    Trigger(w, "Neut");
    Trigger(w, "Neut");  // already neutrons
    EXPECT_EQ(doc->plotSpecs.radType, kRadiationNeutrons);
    // Choosing the overlay in force turns overlays off.
    Trigger(w, "OPkS");
    EXPECT_EQ(doc->plotSpecs.overlayPeakStyle, kOverlayPeaksSolid);
    Trigger(w, "OPkS");
    EXPECT_EQ(doc->plotSpecs.overlayPeakStyle, kOverlayPeaksNone);
}

TEST_F(CommandTableTest, ItemsTakeTheirValueFromTheirTitle)
{
    MainWindow* w = Start();
    OpenSilicon();
    const CrystalDataRec* xp = GetFrontCrystal(w->Doc());
    ASSERT_TRUE(xp);

    Trigger(w, "LTFx", QStringLiteral("5 %"));
    EXPECT_EQ(xp->labelThreshold, 5);
    Trigger(w, "LWFx", QStringLiteral("1.5 pt"));
    EXPECT_FLOAT_EQ(xp->lineWidth, 1.5f);
    Trigger(w, "MSFx", QStringLiteral("4 pt"));
    EXPECT_FLOAT_EQ(xp->markerSize, 4.0f);
    ShowAllMenus(w);
    // Exactly the item of the value in force carries the check mark.
    const std::pair<const char*, const char*> inForce[] = {{"LTFx", "5 %"}, {"LWFx", "1.5 pt"}, {"MSFx", "4 pt"}};
    for (const auto& [code, title] : inForce)
        for (QAction* a : FindCommands(w, code))
            EXPECT_EQ(a->isChecked(), a->text() == QLatin1String(title)) << code << " " << a->text().toStdString();
    Trigger(w, "MSAu");
    EXPECT_FLOAT_EQ(xp->markerSize, 0.0f);
}

TEST_F(CommandTableTest, ColourCommandsTakeThePickedColourAndCancelKeepsIt)
{
    MainWindow* w = Start();
    OpenSilicon();
    const CrystalDataRec* xp = GetFrontCrystal(w->Doc());
    const RGBColor before = xp->plotColor;
    Trigger(w, "^PlC");  // cancelled
    EXPECT_EQ(xp->plotColor, before);
    const RGBColor green{0x0000, 0x8080, 0x0000};
    dialogs.colourAnswers.push_back(green);
    Trigger(w, "^PlC");
    EXPECT_EQ(xp->plotColor, green);
    dialogs.colourAnswers.push_back(kRGBBlack);
    Trigger(w, "^FrC");
    EXPECT_EQ(w->Doc()->plotSpecs.windowColor, kRGBBlack);
}

}  // namespace

TEST_F(CommandTableTest, DisabledItemsSayWhatTheyNeed)
{
    MainWindow* w = Start();
    ASSERT_TRUE(w);
    ShowAllMenus(w);
    const QString needsCrystal = QString::fromStdString(LocalizedString("Needs_Crystal"));
    ASSERT_NE(needsCrystal, QStringLiteral("Needs_Crystal"));
    QAction* recalc = FindCommand(w, "RCal");
    ASSERT_FALSE(recalc->isEnabled());
    EXPECT_EQ(recalc->statusTip(), needsCrystal);
    EXPECT_EQ(recalc->toolTip(), needsCrystal);
    EXPECT_EQ(FindCommand(w, "tilW")->statusTip(), QString::fromStdString(LocalizedString("Needs_Second_Window")));
    EXPECT_EQ(Submenu(w, "mPlS")->statusTip(), QString::fromStdString(LocalizedString("Needs_Pattern")));
    EXPECT_TRUE(FindCommand(w, "clos")->statusTip().isEmpty());  // enabled: nothing to explain

    ASSERT_EQ(OpenSilicon(), w);
    ShowAllMenus(w);
    EXPECT_TRUE(recalc->isEnabled());
    EXPECT_TRUE(recalc->statusTip().isEmpty());
    EXPECT_EQ(FindCommand(w, "*Res")->statusTip(), QString::fromStdString(LocalizedString("Needs_Data")));
}
