// The table of user-visible texts by message key, read from the "strings" resource file
// (UTF-8 lines "key = text"; "#" starts a comment line; \n in a text is a line break).
// A key missing from the table is shown as the key itself.
#pragma once

#include <string>

// Loads (or replaces) the table from a file; false when it cannot be read.
[[nodiscard]] bool LoadStringTable(const std::string& path);
// Loads the table from text, for tests.
void LoadStringTableFromText(const std::string& text);

// The text of a key, or the key itself. The table is found and loaded on first use.
std::string LocalizedString(const std::string& key);
bool HasLocalizedString(const std::string& key);
