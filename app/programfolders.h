#pragma once

#include <filesystem>
#include <vector>

#include "app/settings.h"

namespace mirca {

// The folders the program expects in its data folder even before anything is put there ("help",
// "drv_base"), created when missing (an installed, read-only data folder has them already). Returns the
// folders that are still missing afterwards (nothing to report to the user: a missing help folder is reported
// when help is asked for).
std::vector<std::filesystem::path> CreateProgramFolders(const std::filesystem::path& dataDir);

// The folders of the user's files (firmware, configurations, registration backups, reports), created when
// missing so that their choosers open in them. Run on the first run, with the settings it stores; a folder
// that cannot be created (no right to write beside the program) is returned, not reported.
std::vector<std::filesystem::path> CreateUserFolders(const TAppSettings& settings);

}  // namespace mirca
