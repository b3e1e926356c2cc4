#include "app/programfolders.h"

#include <system_error>

namespace mirca {

std::vector<std::filesystem::path> CreateProgramFolders(const std::filesystem::path& programDir) {
    std::vector<std::filesystem::path> missing;
    for (const char* name : {"help", "drv_base"}) {
        const std::filesystem::path folder = programDir / name;
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (!std::filesystem::is_directory(folder, ec)) missing.push_back(folder);
    }
    return missing;
}

}  // namespace mirca
