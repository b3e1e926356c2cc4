#include "app/programfolders.h"

#include <system_error>

namespace mirca {

namespace {

std::vector<std::filesystem::path> CreateFolders(const std::vector<std::filesystem::path>& folders) {
    std::vector<std::filesystem::path> missing;
    for (const std::filesystem::path& folder : folders) {
        // An empty setting names no folder; creating it would mean the current directory.
        if (folder.empty()) continue;
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (!std::filesystem::is_directory(folder, ec)) missing.push_back(folder);
    }
    return missing;
}

}  // namespace

std::vector<std::filesystem::path> CreateProgramFolders(const std::filesystem::path& dataDir) {
    return CreateFolders({dataDir / "help", dataDir / "drv_base"});
}

std::vector<std::filesystem::path> CreateUserFolders(const TAppSettings& settings) {
    return CreateFolders({settings.firmware, settings.userConf, settings.backup, settings.report});
}

}  // namespace mirca
