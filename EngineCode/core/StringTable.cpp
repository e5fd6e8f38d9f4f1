// Message-key lookup.
#include "StringTable.h"

#include "Resources.h"

#include <fstream>
#include <map>
#include <mutex>
#include <shared_mutex>
#include <sstream>

namespace {

std::shared_mutex gTableMutex;
std::map<std::string, std::string, std::less<>> gTable;
std::once_flag gLoadedOnce;

std::string Trim(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

std::map<std::string, std::string, std::less<>> Parse(std::istream& in)
{
    std::map<std::string, std::string, std::less<>> table;
    std::string line;
    while (std::getline(in, line)) {
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == '#')
            continue;
        const auto eq = trimmed.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = Trim(trimmed.substr(0, eq));
        // Leading blanks of a text are dropped, trailing ones kept (a text may end in a space).
        std::string raw = line.substr(line.find('=') + 1);
        raw.erase(0, raw.find_first_not_of(" \t"));
        while (!raw.empty() && (raw.back() == '\r' || raw.back() == '\n'))
            raw.pop_back();
        std::string text;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\\' && i + 1 < raw.size() && raw[i + 1] == 'n') {
                text += '\n';
                ++i;
            } else {
                text += raw[i];
            }
        }
        if (!key.empty())
            table[key] = text;
    }
    return table;
}

void LoadDefaultTable()
{
    const std::string path = FindResourceFile("strings");
    if (path.empty())
        return;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return;
    auto table = Parse(in);
    std::unique_lock lock(gTableMutex);
    if (gTable.empty())
        gTable = std::move(table);
}

void EnsureLoaded()
{
    std::call_once(gLoadedOnce, LoadDefaultTable);
}

}  // namespace

bool LoadStringTable(const std::string& path)
{
    std::call_once(gLoadedOnce, [] {});
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    auto table = Parse(in);
    std::unique_lock lock(gTableMutex);
    gTable = std::move(table);
    return true;
}

void LoadStringTableFromText(const std::string& text)
{
    std::call_once(gLoadedOnce, [] {});
    std::istringstream in(text);
    auto table = Parse(in);
    std::unique_lock lock(gTableMutex);
    gTable = std::move(table);
}

std::string LocalizedString(const std::string& key)
{
    EnsureLoaded();
    std::shared_lock lock(gTableMutex);
    const auto it = gTable.find(key);
    return it == gTable.end() ? key : it->second;
}

bool HasLocalizedString(const std::string& key)
{
    EnsureLoaded();
    std::shared_lock lock(gTableMutex);
    return gTable.count(key) != 0;
}
