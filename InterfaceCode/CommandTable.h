// Every menu command of the desktop program in one table: its four-character code, menu, label,
// shortcut and handler. The table builds the menu bar of each document window and dispatches
// its actions; enabling, check marks and state-dependent titles come from the engine's rules
// (Commands.h) each time a menu is about to show. Commands whose part of the program is not
// there yet have no handler and stay disabled.
#pragma once

#include <QKeySequence>
#include <QString>

#include <functional>
#include <vector>

class Application;
class MainWindow;
class QAction;
class QMenuBar;

struct CommandEntry {
    const char* code;      // four characters, as in the status rules
    const char* menu;      // top-level menu, or "Menu/Submenu"
    const char* label;     // default title (may be replaced by a state title)
    QKeySequence shortcut; // empty for none
    // Carries the command out on the front window (null when no document window is open);
    // the action gives the item's text for the commands that read a value from it.
    std::function<void(Application&, MainWindow*, QAction*)> handler;
    bool checkable = false;
};

const std::vector<CommandEntry>& CommandTable();

// Submenus that are enabled by a rule of their own ("OPk " the peak overlays, "mPlS" the plot
// styles, ...).
struct SubmenuRec {
    const char* path;  // "Menu/Submenu", as in CommandEntry::menu
    const char* code;
};
const std::vector<SubmenuRec>& SubmenuTable();

// Fills a menu bar from the table; each menu updates its items before it shows.
void BuildMenus(QMenuBar* bar, Application& app, MainWindow* window);

// Brings one action up to date with the rules (enabled, checked, title).
void UpdateCommandAction(QAction* action, Application& app, MainWindow* window);

// The code an action carries (a submenu's for the action that opens it); empty for none.
QString CommandCode(const QAction* action);
