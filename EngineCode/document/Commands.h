// The state of every menu command: whether it is enabled, whether it carries a check mark, and
// which message key gives its title when the title changes with the state. The front end keeps
// its own table of commands (menus, labels, shortcuts, handlers) and asks here before a menu
// opens, so the rules hold the same for every front end. The rules read nothing but the context
// they are given: no program-wide preferences.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct PrefDataRec;
struct WinInfoRec;

struct CommandContext {
    WinInfoRec* front = nullptr;    // the front document window, null for none
    int documentWindows = 0;        // how many document windows are open
    bool parameterListShown = false;  // of the front window
    bool drawerOpen = false;          // of the front window
    // The preferences: the settings of new windows (what the items show without a window), the
    // style of new crystals and the automatic update check. Null: the factory values.
    const PrefDataRec* prefs = nullptr;
};

struct CommandStatus {
    bool known = false;     // false: a code these rules do not cover (leave the menu's own state)
    bool enabled = true;
    bool checked = false;
    std::string titleKey;   // empty: the title does not change
    std::string reasonKey;  // disabled: the message key of what the command needs; else empty
};

// code: the four-character code of a command ("RCal", "2Tht", "OPkN", ...) or of a submenu with
// a rule of its own ("OPk ", "mPlS", ...). itemText: the item's title, for the items whose value
// is read from it ("LTFx" threshold, "LWFx" width, "MSFx" marker size). For "LTFx"
// previousItemText is the title of the item above it (empty for the first).
CommandStatus GetCommandStatus(std::string_view code, const CommandContext& context, const std::string& itemText = {},
                               const std::string& previousItemText = {});

// The codes the rules cover, one each, in the order of the rules.
std::vector<std::string_view> CommandRuleCodes();
