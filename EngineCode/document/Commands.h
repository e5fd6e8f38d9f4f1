// The state of every menu command: whether it is enabled, whether it carries a check mark, and
// which message key gives its title when the title changes with the state. The front end keeps
// its own table of commands (menus, labels, shortcuts, handlers) and asks here before a menu
// opens, so the rules hold the same for every front end.
#pragma once

#include <string>
#include <string_view>

struct WinInfoRec;

struct CommandContext {
    WinInfoRec* front = nullptr;    // the front document window, null for none
    int documentWindows = 0;        // how many document windows are open
    bool parameterListShown = false;  // of the front window
    bool drawerOpen = false;          // of the front window
};

struct CommandStatus {
    bool known = false;     // false: a code these rules do not cover (leave the menu's own state)
    bool enabled = true;
    bool checked = false;
    std::string titleKey;   // empty: the title does not change
    std::string reasonKey;  // disabled: the message key of what the command needs; else empty
};

// code: the four-character command code (a disabled command names what it lacks in reasonKey) ("RCal", "2Tht", "OPkN", ...). itemText: the item's
// title, for the items whose value is read from it ("LTFx" threshold, "LWFx" width, "MSFx"
// marker size). For "LTFx" previousItemText is the title of the item above it (empty for the
// first).
CommandStatus GetCommandStatus(std::string_view code, const CommandContext& context, const std::string& itemText = {},
                               const std::string& previousItemText = {});
