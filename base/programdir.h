#pragma once

#include <filesystem>

namespace mirca {

// The folder of the running executable: the data folders live beside it.
std::filesystem::path ProgramDir();

// Where a folder chooser opens for a folder that may be gone: the folder itself, else its nearest existing
// parent (a chooser opened on a missing folder offers nothing to choose); empty when none exists.
std::filesystem::path NearestExistingFolder(const std::filesystem::path& folder);

}  // namespace mirca
