#pragma once

#include <cstdint>
#include <filesystem>

#include "memmap/image.h"

namespace mirca {

// Configuration file formats: the binary image with its descriptor (".ycfg") and one decimal line per byte
// (".tcfg").
constexpr int kConfigFormatBinary = 0;
constexpr int kConfigFormatText = 1;

// No configuration or backup file of this family comes near this; anything larger is refused unread.
constexpr std::uintmax_t kMaxConfigFileSize = 64u * 1024 * 1024;

// Saves replace the target only once the whole new file is on disk; on failure the old file is untouched
// and no temporary is left behind. Loads take nothing over unless the whole file is valid.
bool SaveToFile(const TZelmoMemoryMapImage& image, const std::filesystem::path& path, int format);
bool LoadFromFile(TZelmoMemoryMapImage& image, const std::filesystem::path& path, int format);

// Registration backup (".rrg"): the bytes of the backup-marked ranges, with the image's backup header.
// Saving rebuilds the image's ranges for the backup mark and sets the header's magic and range count.
bool SaveBackupFile(TZelmoMemoryMapImage& image, const std::filesystem::path& path);
// Every stored range must lie inside the image and on backup-marked bytes; on success the data of those
// ranges and the backup header come from the file.
bool LoadBackupFile(TZelmoMemoryMapImage& image, const std::filesystem::path& path);

}  // namespace mirca
