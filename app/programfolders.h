#pragma once

#include <filesystem>
#include <vector>

namespace mirca {

// The folders the program expects beside itself even before anything is put there ("help", "drv_base"),
// created when missing. Returns the folders that are still missing afterwards (nothing to report to the
// user: a missing help folder is reported when help is asked for).
std::vector<std::filesystem::path> CreateProgramFolders(const std::filesystem::path& programDir);

}  // namespace mirca
