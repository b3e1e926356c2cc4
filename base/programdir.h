#pragma once

#include <filesystem>

namespace mirca {

// The folder of the running executable: the data folders live beside it.
std::filesystem::path ProgramDir();

}  // namespace mirca
