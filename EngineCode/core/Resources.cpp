// Resource lookup.
#include "Resources.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

std::string ExecutableDirectory()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return {};
    return exe.parent_path().string();
}

std::string FindResourceFile(const std::string& name)
{
    if (name.empty() || name.find('/') != std::string::npos)
        return {};
    std::vector<fs::path> folders;
    const std::string exeDir = ExecutableDirectory();
    if (!exeDir.empty()) {
        folders.emplace_back(exeDir);
        folders.emplace_back(fs::path(exeDir) / "resources");
    }
    // The installed layout before the source tree, so an installed program uses its own files
    // even on the machine that built it.
    if (!exeDir.empty())
        folders.emplace_back(fs::path(exeDir) / ".." / "share" / "velmora");
#ifdef VELMORA_BUILD_RESOURCE_DIR
    folders.emplace_back(VELMORA_BUILD_RESOURCE_DIR);
#endif
#ifdef VELMORA_INSTALL_DATA_DIR
    folders.emplace_back(VELMORA_INSTALL_DATA_DIR);
#endif
    for (const fs::path& folder : folders) {
        std::error_code ec;
        const fs::path candidate = folder / name;
        if (fs::is_regular_file(candidate, ec))
            return fs::weakly_canonical(candidate, ec).string();
    }
    return {};
}
