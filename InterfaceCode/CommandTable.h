// Every menu command of the desktop program in one table, one row each: its four-character code,
// menu, label, shortcut, handler, check mark, group and radio group; and a table of the menus and
// submenus. Labels and titles are message keys of the string table. The tables build the menu bar
// of each document window and dispatch its actions; enabling, check marks and state-dependent
// titles come from the engine's rules (Commands.h) each time a menu is about to show. Commands
// whose part of the program is not there yet have no handler and stay disabled.
#pragma once

#include <QKeySequence>
#include <QString>

#include <functional>
#include <vector>

class Application;
class MainWindow;
class QAction;
class QMenuBar;

// Items of which exactly one is in force, shown with radio marks.
enum class Choice {
    None,
    Axis,
    Radiation,
    PeakShape,
    PlotMode,    // graphs or films
    Mixture,     // the mixture or the phases
    Overlay,
    PlotStyle,
    LineStyle,
    Threshold,
    LineWidth,
    MarkerSize,
};

// One menu command, all of it in one row.
struct CommandEntry {
    const char* code;      // four characters, as in the status rules
    const char* menu;      // the path of its menu: top-level menu, or "Menu/Submenu" (MenuTable)
    const char* labelKey;  // message key of the default title (a state title may replace it)
    QKeySequence shortcut; // empty for none
    // Carries the command out on the front window (null when no document window is open);
    // the action gives the item's text for the commands that read a value from it.
    std::function<void(Application&, MainWindow*, QAction*)> handler;
    bool checkable = false;
    bool startsGroup = false;      // a separator above it (unless it is the first of its menu)
    Choice choice = Choice::None;  // its radio group
};

const std::vector<CommandEntry>& CommandTable();

// The menus and submenus, by the paths the commands name, with their titles. A submenu may have a
// code of its own, whose rule enables it ("OPk " the peak overlays, "mPlS" the plot styles, ...).
// The top-level menus stand in the order of the menu bar.
struct MenuEntry {
    const char* path;      // "Menu" or "Menu/Submenu", as in CommandEntry::menu
    const char* code;      // four characters, or null for a menu without a rule
    const char* titleKey;  // message key of its title
};
const std::vector<MenuEntry>& MenuTable();

// Fills a menu bar from the table; each menu updates its items before it shows.
void BuildMenus(QMenuBar* bar, Application& app, MainWindow* window);

// Brings one action up to date with the rules (enabled, checked, title).
void UpdateCommandAction(QAction* action, Application& app, MainWindow* window);

// The code an action carries (a submenu's for the action that opens it); empty for none.
QString CommandCode(const QAction* action);
