#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "devlink/device.h"
#include "devlink/progress.h"
#include "memmap/descriptor.h"
#include "memmap/files.h"
#include "memmap/image.h"
#include "memmap/memmap.h"

namespace mirca {

// ---- Naming a device ----

// The windows name the older panels differently: the editor knows them only as "another device", the
// firmware window by their system.
enum class TNameRules { Editor, Firmware };

// The catalogue number of the device's name (500 for the Y-family panel, 763 and 766 for the output
// modules, ...); 0 where the window shows no device (the firmware window, for types other than 937 and
// 64 to 67).
int DeviceNameMessage(const TZelmoDescriptor& d, TNameRules rules);

// The version text of a connected device: "ev6_4_9" when the edition letter (low byte of the edition word)
// is 'e', else "v1_7" for types 64 and 65, "ev3_0" for types 66 and 67, "dv6_4" for every other type.
std::string VersionText(const TZelmoDescriptor& d);
// The version text of a configuration file's descriptor: as VersionText, except that types 66 and 67
// without the letter 'e' give "v3_0".
std::string FileVersionText(const TZelmoDescriptor& d);

// ---- Rules over maps and files (no device) ----

// Whether a configuration made for `file` may go into a device described by `device`: the same map file
// name, or maps that the map list declares compatible. Throws TXmlError for a broken map list.
bool ConfigurationSuits(const std::filesystem::path& mapFolder, const TZelmoDescriptor& device,
                        const TZelmoDescriptor& file);

// A binary configuration image checked against the map of its own descriptor: there must be one, and the
// image must be exactly that map's size (a header may announce anything). False with the failing step in
// the failure record; the caller names the operation.
bool CheckConfigurationImage(const std::filesystem::path& mapFolder, const TZelmoMemoryMapImage& image);

// Loads a binary configuration file (".ycfg") into a new image and checks it with CheckConfigurationImage;
// on failure the record says why (operation "loading the configuration file").
bool LoadConfigurationFile(const std::filesystem::path& mapFolder, const std::filesystem::path& file,
                           TZelmoMemoryMapImage& image);

// The factory settings of the map: every factory-marked block takes its factory value, and the first
// switch-on flag ("flag_1st_on") becomes 'U' (marked modified when that changes it) unless its value
// before was 'Z', the device's note that its first start is done. Output modules (types 64 to 67) have no
// factory settings: false with the failure record and the map untouched; a map without the flag block
// throws std::out_of_range before anything changes.
bool ApplyFactorySettings(TZelmoMemoryMap& map);

// ---- A connected device and a map ----

// The device's readable ranges into the map's values; a failed read leaves the values as they were.
bool ReadConfiguration(TZelmoDevice& device, TZelmoMemoryMap& map, IProgress* progress = nullptr);
// The map's writable ranges into the device.
bool WriteConfiguration(TZelmoDevice& device, TZelmoMemoryMap& map, IProgress* progress = nullptr);
// The device's registration ranges into the map's image and values.
bool ReadRegistration(TZelmoDevice& device, TZelmoMemoryMap& map, IProgress* progress = nullptr);
// The map's registration ranges, as its image holds them, into the device.
bool WriteRegistration(TZelmoDevice& device, TZelmoMemoryMap& map, IProgress* progress = nullptr);

// The procedures the editor, the firmware window and mirca-cli run against a connected panel. Every
// operation returns false at its first failed step and leaves the failure record naming the operation
// ("reading the configuration") and the step. A failed read or file load leaves the map as it was; a write
// that fails half-way may have reached the device with the ranges before the failing one.
class TConfigSession {
public:
    TConfigSession(TZelmoDevice& device, std::filesystem::path mapFolder);

    // Opens the map for the connected device's descriptor; false when there is none or it cannot be read.
    bool Adopt();
    bool Adopted() const { return map_ != nullptr; }
    // The adopted map; throws std::logic_error before Adopt succeeded.
    TZelmoMemoryMap& Map();
    const std::filesystem::path& MapFolder() const { return mapFolder_; }

    // The device's identity as a descriptor (the two further bytes zero), its name and version text.
    TZelmoDescriptor DeviceDescriptor() const;
    int DeviceName(TNameRules rules) const { return DeviceNameMessage(DeviceDescriptor(), rules); }
    std::string DeviceVersionText() const { return VersionText(DeviceDescriptor()); }

    // The readable ranges from the device into the map.
    bool ReadConfiguration(IProgress* progress = nullptr);
    // The map's writable ranges into the device.
    bool WriteConfiguration(IProgress* progress = nullptr);
    // Reads the device, applies the factory settings (ApplyFactorySettings) and writes them.
    bool ResetToFactory(IProgress* progress = nullptr);

    // Takes a configuration file's image into the map: it must suit the device (ConfigurationSuits) and be
    // the size of its map (CheckConfigurationImage).
    bool TakeConfiguration(const TZelmoMemoryMapImage& fileImage);
    // Loads a configuration file into the map, in the format its extension names (ConfigFormatForPath). A
    // text file carries no descriptor: the one it holds in the descriptor block must suit the device.
    bool TakeConfigurationFile(const std::filesystem::path& file);
    // Saves the map's configuration in the format the extension names.
    bool SaveConfigurationFile(const std::filesystem::path& file);

    // Reads the registration data from the device and saves it with its owner (address 1 to 4).
    bool SaveRegistrationBackup(const std::filesystem::path& file, const TBackupOwner& owner,
                                IProgress* progress = nullptr);
    // Loads a registration backup and writes it into the device. The file must be this map's and hold
    // every registration byte, else nothing is sent. On success `owner` (when given) is the file's.
    bool RestoreRegistrationBackup(const std::filesystem::path& file, TBackupOwner* owner = nullptr,
                                   IProgress* progress = nullptr);

private:
    bool Ready(const char* operation);

    TZelmoDevice& device_;
    std::filesystem::path mapFolder_;
    std::unique_ptr<TZelmoMemoryMap> map_;
};

}  // namespace mirca
