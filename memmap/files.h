#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "memmap/image.h"

namespace mirca {

// Configuration file formats: the binary image with its descriptor (".ycfg") and one decimal line per byte
// (".tcfg").
constexpr int kConfigFormatBinary = 0;
constexpr int kConfigFormatText = 1;

// The format a configuration file's name asks for: ".ycfg" binary, ".tcfg" text (letter case ignored);
// nothing for any other extension, so that a name never silently picks a format its reader will refuse.
std::optional<int> ConfigFormatForPath(const std::filesystem::path& path);

// No configuration or backup file of this family comes near this; anything larger is refused unread.
constexpr std::uintmax_t kMaxConfigFileSize = 64u * 1024 * 1024;

// Saves replace the target only once the whole new file is on disk; on failure the old file is untouched
// and no temporary is left behind. Loads take nothing over unless the whole file is valid. Every false
// leaves the failure record (base/failure.h) naming the file and what is wrong with it.
bool SaveToFile(const TZelmoMemoryMapImage& image, const std::filesystem::path& path, int format);
bool LoadFromFile(TZelmoMemoryMapImage& image, const std::filesystem::path& path, int format);

// Registration backup (".rrg"): the bytes of the backup-marked ranges, with the image's backup header.
// Saving rebuilds the image's ranges for the backup mark and sets the header's magic and range count.
bool SaveBackupFile(TZelmoMemoryMapImage& image, const std::filesystem::path& path);
// Every stored range must lie inside the image and on backup-marked bytes, and together they must cover
// every backup-marked byte of the image: a byte the file does not hold would otherwise be restored from
// whatever the image held (the map's defaults), wiping the device's registration. On success the data of
// those ranges and the backup header come from the file.
bool LoadBackupFile(TZelmoMemoryMapImage& image, const std::filesystem::path& path);

// Who a registration backup belongs to, as its header records it.
struct TBackupOwner {
    std::uint16_t object = 0;   // object (system) number
    std::uint16_t address = 0;  // the device's address in that system, 1 to 4
    bool operator==(const TBackupOwner&) const = default;
};
TBackupOwner BackupOwner(const TZelmoMemoryMapImage& image);
// Sets the owner in the image's backup header and clears its reserved field.
void SetBackupOwner(TZelmoMemoryMapImage& image, const TBackupOwner& owner);

}  // namespace mirca
