#include "memmap/configsession.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "base/failure.h"
#include "base/stopsignals.h"
#include "devlink/frames.h"
#include "memmap/block.h"

namespace mirca {

namespace {

constexpr std::uint8_t kFirstStartDone = 'Z';
constexpr std::uint8_t kFirstStartPending = 'U';
constexpr const char* kFirstStartBlock = "flag_1st_on";
constexpr const char* kDescriptorBlock = "descriptor";

std::string Identity(const TZelmoDescriptor& d) {
    char text[64];
    std::snprintf(text, sizeof text, "type %u version %u.%u", unsigned{d.TypeCode()}, unsigned{d.Major()},
                  unsigned{d.Minor()});
    return text;
}

std::string Format(const char* format, const TZelmoDescriptor& d, bool withBuild) {
    char text[32];
    if (withBuild)
        std::snprintf(text, sizeof text, format, d.Major(), d.Minor(), d.Build());
    else
        std::snprintf(text, sizeof text, format, d.Major(), d.Minor());
    return text;
}

bool EditionE(const TZelmoDescriptor& d) {
    return (d.Edition() & 0xFF) == 'e';
}

// Names the operation; when the layer below left no step of its own, `step` says what went wrong.
bool Failed(const char* operation, std::string step) {
    if (LastFailure().step.empty() && LastFailure().where.empty()) {
        TFailure f;
        f.step = std::move(step);
        f.system = LastFailure().system;
        Fail(std::move(f));
    }
    return FailOperation(operation);
}

// A broken map or map list is an exception of the map layer; to the session it is a failed step.
template <typename F>
bool Guarded(const char* operation, F&& body) {
    try {
        return body();
    } catch (const std::exception& e) {
        Fail(e.what());
        return FailOperation(operation);
    }
}

bool SuitsOrFail(const std::filesystem::path& mapFolder, const TZelmoDescriptor& device,
                 const TZelmoDescriptor& file, const std::string& what) {
    if (ConfigurationSuits(mapFolder, device, file)) return true;
    return Fail(what + " was made for " + Identity(file) + " and does not suit this device (" +
                Identity(device) + ")");
}

// The configuration format the file's extension names, or a failure record that says which it may be.
std::optional<int> FormatOfName(const std::filesystem::path& file) {
    const auto format = ConfigFormatForPath(file);
    if (!format) Fail("file name", ".ycfg (binary) or .tcfg (text)", "'" + file.extension().string() + "'");
    return format;
}

}  // namespace

int DeviceNameMessage(const TZelmoDescriptor& d, TNameRules rules) {
    const unsigned type = d.TypeCode();
    if (type == 64 || type == 66) return 763;
    if (type == 65 || type == 67) return 766;
    if (type == 937) {
        if (d.Major() == 6) return 500;
        if (rules == TNameRules::Firmware) {
            switch (d.Major()) {
                case 1:
                    return 20;
                case 3:
                    return 21;
                case 5:
                    return 22;
                default:
                    return 23;
            }
        }
        return 23;
    }
    return rules == TNameRules::Firmware ? 0 : 23;
}

std::string VersionText(const TZelmoDescriptor& d) {
    if (EditionE(d)) return Format("ev%d_%d_%d", d, true);
    switch (d.TypeCode()) {
        case 64:
        case 65:
            return Format("v%d_%d", d, false);
        case 66:
        case 67:
            return Format("ev%d_%d", d, false);
        default:
            return Format("dv%d_%d", d, false);
    }
}

std::string FileVersionText(const TZelmoDescriptor& d) {
    if (!EditionE(d) && (d.TypeCode() == 66 || d.TypeCode() == 67)) return Format("v%d_%d", d, false);
    return VersionText(d);
}

bool ConfigurationSuits(const std::filesystem::path& mapFolder, const TZelmoDescriptor& device,
                        const TZelmoDescriptor& file) {
    const std::string name = MapFileName(device);
    return (!name.empty() && name == MapFileName(file)) || AreMapsCompatible(mapFolder, device, file);
}

bool CheckConfigurationImage(const std::filesystem::path& mapFolder, const TZelmoMemoryMapImage& image) {
    try {
        const auto map = OpenMapForDescriptor(mapFolder, image.descriptor);
        if (!map)
            return Fail("no memory map for " + Identity(image.descriptor) + " in " + mapFolder.string());
        if (image.data.size() != map->size) {
            return Fail("image size",
                        BytesText(map->size) + " (the size of " + map->file.filename().string() + ")",
                        BytesText(image.data.size()));
        }
        return true;
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}

bool LoadConfigurationFile(const std::filesystem::path& mapFolder, const std::filesystem::path& file,
                           TZelmoMemoryMapImage& image) {
    constexpr const char* kOperation = "loading the configuration file";
    ClearFailure();
    TZelmoMemoryMapImage loaded;
    if (!LoadFromFile(loaded, file, kConfigFormatBinary)) return FailOperation(kOperation);
    // An empty file loads as an empty image; as a configuration it is nothing at all, not one of type 0.
    std::error_code error;
    if (loaded.data.empty() && std::filesystem::file_size(file, error) == 0 && !error) {
        Fail("the file is empty");
        FailWithin(file.string());
        return FailOperation(kOperation);
    }
    if (!CheckConfigurationImage(mapFolder, loaded)) {
        FailWithin(file.string());
        return FailOperation(kOperation);
    }
    image = std::move(loaded);
    return true;
}

bool ApplyFactorySettings(TZelmoMemoryMap& map) {
    if (frames::IsOutputModuleType(static_cast<unsigned>(map.devtype))) {
        Fail("output modules have no factory settings command");
        return FailOperation("applying the factory settings");
    }
    TConfigBlockBase& firstStart = map.ConfigBlock(kFirstStartBlock);
    if (firstStart.Size == 0) throw std::out_of_range("block \"flag_1st_on\" holds no byte");
    const std::uint8_t noted = firstStart.ValueBytes()[0];
    const bool marked = firstStart.Modified;
    map.ApplyFactoryValues();
    if (noted != kFirstStartDone) firstStart.ValueBytes()[0] = kFirstStartPending;
    // Marked for writing when the note ends up other than it was, like every block the reset changed.
    firstStart.Modified = marked || firstStart.ValueBytes()[0] != noted;
    return true;
}

// ---- A connected device and a map ----

bool ReadConfiguration(TZelmoDevice& device, TZelmoMemoryMap& map, IProgress* progress) {
    constexpr const char* kOperation = "reading the configuration";
    ClearFailure();
    TProgressScope scope(device, progress);
    TZelmoMemoryMapImage& image = map.BuildImage();
    if (!image.ReadReadable(device)) return Failed(kOperation, "the device did not complete the transfer");
    if (!map.LoadFromImage(image)) {
        return Failed(kOperation,
                      "the configuration read does not fit the map " + map.file.filename().string());
    }
    return true;
}

bool WriteConfiguration(TZelmoDevice& device, TZelmoMemoryMap& map, IProgress* progress) {
    constexpr const char* kOperation = "writing the configuration";
    ClearFailure();
    // A configuration half written is a site half configured: a stop signal waits for the whole write.
    const TStopHold hold;
    TProgressScope scope(device, progress);
    if (!map.BuildImage().WriteWritable(device))
        return Failed(kOperation, "the device did not complete the transfer");
    return true;
}

bool ReadRegistration(TZelmoDevice& device, TZelmoMemoryMap& map, IProgress* progress) {
    constexpr const char* kOperation = "reading the registration data";
    ClearFailure();
    TProgressScope scope(device, progress);
    TZelmoMemoryMapImage& image = map.BuildImage();
    if (!image.ReadBackup(device)) return Failed(kOperation, "the device did not complete the transfer");
    map.LoadFromImage(image);
    return true;
}

bool WriteRegistration(TZelmoDevice& device, TZelmoMemoryMap& map, IProgress* progress) {
    constexpr const char* kOperation = "writing the registration data";
    ClearFailure();
    TProgressScope scope(device, progress);
    if (!map.BuildImage().WriteBackup(device))
        return Failed(kOperation, "the device did not complete the transfer");
    return true;
}

// ---- TConfigSession ----

TConfigSession::TConfigSession(TZelmoDevice& device, std::filesystem::path mapFolder)
    : device_(device), mapFolder_(std::move(mapFolder)) {}

TZelmoDescriptor TConfigSession::DeviceDescriptor() const {
    return TZelmoDescriptor::FromDevice(device_);
}

TZelmoMemoryMap& TConfigSession::Map() {
    if (!map_) throw std::logic_error("class TConfigSession: no device adopted");
    return *map_;
}

bool TConfigSession::Adopt() {
    constexpr const char* kOperation = "adopting the device";
    ClearFailure();
    map_.reset();
    const TZelmoDescriptor d = DeviceDescriptor();
    return Guarded(kOperation, [&] {
        map_ = OpenMapForDescriptor(mapFolder_, d);
        if (!map_) {
            Fail("no memory map for this device (" + Identity(d) + ") in " + mapFolder_.string());
            return FailOperation(kOperation);
        }
        return true;
    });
}

bool TConfigSession::Ready(const char* operation) {
    if (!map_) {
        Fail("no device adopted");
        return FailOperation(operation);
    }
    if (!device_.Connected) {
        Fail("the device is not connected");
        return FailOperation(operation);
    }
    return true;
}

bool TConfigSession::ReadConfiguration(IProgress* progress) {
    ClearFailure();
    if (!Ready("reading the configuration")) return false;
    return mirca::ReadConfiguration(device_, *map_, progress);
}

bool TConfigSession::WriteConfiguration(IProgress* progress) {
    ClearFailure();
    if (!Ready("writing the configuration")) return false;
    return mirca::WriteConfiguration(device_, *map_, progress);
}

bool TConfigSession::ResetToFactory(IProgress* progress) {
    constexpr const char* kOperation = "writing the factory settings";
    ClearFailure();
    if (!Ready(kOperation)) return false;
    // Refused before the device is read: the rule would refuse it afterwards anyway.
    if (frames::IsOutputModuleType(static_cast<unsigned>(map_->devtype))) {
        Fail("output modules have no factory settings command");
        return FailOperation(kOperation);
    }
    if (!ReadConfiguration(progress)) return false;
    const bool applied = Guarded(kOperation, [&] { return ApplyFactorySettings(*map_); });
    if (!applied) return FailOperation(kOperation);
    if (!WriteConfiguration(progress)) {
        // The write names itself; say what it was part of.
        TFailure f = LastFailure();
        f.operation = kOperation;
        return Fail(std::move(f));
    }
    return true;
}

bool TConfigSession::TakeConfiguration(const TZelmoMemoryMapImage& fileImage) {
    constexpr const char* kOperation = "taking the configuration file";
    ClearFailure();
    if (!map_) return Ready(kOperation);
    return Guarded(kOperation, [&] {
        if (!SuitsOrFail(mapFolder_, DeviceDescriptor(), fileImage.descriptor, "the file") ||
            !CheckConfigurationImage(mapFolder_, fileImage))
            return FailOperation(kOperation);
        if (!map_->LoadFromImage(fileImage)) {
            Fail("the configuration does not fit the map " + map_->file.filename().string());
            return FailOperation(kOperation);
        }
        return true;
    });
}

bool TConfigSession::TakeConfigurationFile(const std::filesystem::path& file) {
    constexpr const char* kOperation = "loading the configuration file";
    ClearFailure();
    if (!map_) return Ready(kOperation);
    const auto format = FormatOfName(file);
    if (!format) return FailOperation(kOperation);
    if (*format == kConfigFormatBinary) {
        TZelmoMemoryMapImage image;
        return LoadConfigurationFile(mapFolder_, file, image) && TakeConfiguration(image);
    }
    return Guarded(kOperation, [&] {
        // The text is the image's bytes only; its size and descriptor come from the device's map and must
        // match what the lines hold.
        TZelmoMemoryMapImage image = map_->BuildImage();
        if (!LoadFromFile(image, file, kConfigFormatText)) return FailOperation(kOperation);
        const TConfigBlockBase& block = map_->ConfigBlock(kDescriptorBlock);
        TZelmoDescriptor held;
        if (block.Size < held.bytes.size() ||
            std::uint64_t{block.Address} + held.bytes.size() > image.data.size()) {
            Fail("the map " + map_->file.filename().string() +
                 " has no descriptor to check the file against");
            return FailOperation(kOperation);
        }
        std::copy_n(image.data.begin() + block.Address, held.bytes.size(), held.bytes.begin());
        if (!SuitsOrFail(mapFolder_, DeviceDescriptor(), held, "the configuration in " + file.string()))
            return FailOperation(kOperation);
        if (!map_->LoadFromImage(image)) {
            Fail("the configuration does not fit the map " + map_->file.filename().string());
            return FailOperation(kOperation);
        }
        return true;
    });
}

bool TConfigSession::SaveConfigurationFile(const std::filesystem::path& file) {
    constexpr const char* kOperation = "saving the configuration file";
    ClearFailure();
    if (!map_) return Ready(kOperation);
    const auto format = FormatOfName(file);
    if (!format) return FailOperation(kOperation);
    if (!SaveToFile(map_->BuildImage(), file, *format)) return FailOperation(kOperation);
    return true;
}

bool TConfigSession::SaveRegistrationBackup(const std::filesystem::path& file, const TBackupOwner& owner,
                                            IProgress* progress) {
    constexpr const char* kOperation = "reading the registration data";
    ClearFailure();
    if (owner.address < 1 || owner.address > 4) {
        Fail("device address", "1 to 4", std::to_string(owner.address));
        return FailOperation(kOperation);
    }
    if (!Ready(kOperation)) return false;
    TZelmoMemoryMapImage& image = map_->BuildImage();
    {
        TProgressScope scope(device_, progress);
        if (!image.ReadBackup(device_)) return Failed(kOperation, "the device did not complete the transfer");
    }
    map_->LoadFromImage(image);  // the map shows the registration data just read
    SetBackupOwner(image, owner);
    if (!SaveBackupFile(image, file)) return FailOperation("saving the registration backup");
    return true;
}

bool TConfigSession::RestoreRegistrationBackup(const std::filesystem::path& file, TBackupOwner* owner,
                                               IProgress* progress) {
    ClearFailure();
    if (!Ready("restoring the registration data")) return false;
    TZelmoMemoryMapImage& image = map_->BuildImage();
    // Checked whole before a byte is sent: a partial backup would restore the rest from the map's defaults.
    if (!LoadBackupFile(image, file)) return FailOperation("loading the registration backup");
    {
        const TStopHold hold;  // the registration data goes in whole
        TProgressScope scope(device_, progress);
        if (!image.WriteBackup(device_))
            return Failed("writing the registration data", "the device did not complete the transfer");
    }
    map_->LoadFromImage(image);  // the map shows what the device now holds
    if (owner) *owner = BackupOwner(image);
    return true;
}

}  // namespace mirca
