// Configuration, registration backup and map commands.
#include <cstdio>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/link.h"
#include "cli/termprogress.h"
#include "devlink/frames.h"
#include "memmap/files.h"

namespace mirca::cli {

namespace {

constexpr std::uint8_t kFirstRunDone = 'Z';
constexpr std::uint8_t kFirstRunPending = 'U';

int ConfigRead(const TGlobalOptions& global, const std::string& out) {
    TLink link;
    if (const int rc = OpenLink(global, link, TZelmoDevice::kModeConfiguration); rc != kExitOk) return rc;
    auto map = OpenDeviceMap(global, link.device, "config read");
    if (!map) return kExitFailed;
    {
        TTermProgress progress("Reading");
        link.device.Progress = &progress;
        TZelmoMemoryMapImage& image = map->BuildImage();
        const bool read = image.ReadReadable(link.device);
        link.device.Progress = nullptr;
        if (!read) {
            std::fprintf(stderr, "mirca-cli config read: reading the configuration from the device failed\n");
            return kExitFailed;
        }
        if (!map->LoadFromImage(image)) {
            std::fprintf(stderr, "mirca-cli config read: the configuration read does not fit the map %s\n",
                         map->file.filename().c_str());
            return kExitFailed;
        }
    }
    if (!SaveToFile(map->BuildImage(), out, 0)) {
        std::fprintf(stderr, "mirca-cli config read: cannot write %s\n", out.c_str());
        return kExitFailed;
    }
    std::printf("configuration of %s %s (%u bytes) saved to %s\n", map->devprefix.c_str(), map->fwver.c_str(),
                map->size, out.c_str());
    return kExitOk;
}

int ConfigWrite(const TGlobalOptions& global, const std::string& in) {
    TZelmoMemoryMapImage fileImage;
    if (!LoadFromFile(fileImage, in, 0)) {
        std::fprintf(stderr, "mirca-cli config write: %s is not a readable configuration file\n", in.c_str());
        return kExitFailed;
    }
    TLink link;
    if (const int rc = OpenLink(global, link, TZelmoDevice::kModeConfiguration); rc != kExitOk) return rc;
    auto map = OpenDeviceMap(global, link.device, "config write");
    if (!map) return kExitFailed;
    const TZelmoDescriptor device = TZelmoDescriptor::FromDevice(link.device);
    const TZelmoDescriptor& file = fileImage.descriptor;
    bool suits = false;
    try {
        suits =
            MapFileName(device) == MapFileName(file) || AreMapsCompatible(global.DataFolder(), device, file);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mirca-cli config write: %s\n", e.what());
        return kExitFailed;
    }
    if (!suits || !map->LoadFromImage(fileImage)) {
        std::fprintf(
            stderr,
            "mirca-cli config write: %s was made for type %u version %u.%u and does not suit this device "
            "(type %u version %u.%u); nothing was written\n",
            in.c_str(), unsigned{file.TypeCode()}, unsigned{file.Major()}, unsigned{file.Minor()},
            unsigned{device.TypeCode()}, unsigned{device.Major()}, unsigned{device.Minor()});
        return kExitFailed;
    }
    TTermProgress progress("Writing");
    link.device.Progress = &progress;
    const bool written = map->BuildImage().WriteWritable(link.device);
    link.device.Progress = nullptr;
    progress.Finish();
    if (!written) {
        std::fprintf(stderr, "mirca-cli config write: writing the configuration to the device failed\n");
        return kExitFailed;
    }
    std::printf("configuration from %s written to %s %s\n", in.c_str(), map->devprefix.c_str(),
                map->fwver.c_str());
    return kExitOk;
}

// Reads the device, resets every block marked f to its factory value, marks the first start as pending
// unless the device has it settled, and writes the result.
int ConfigFactory(const TGlobalOptions& global) {
    TLink link;
    if (const int rc = OpenLink(global, link, TZelmoDevice::kModeConfiguration); rc != kExitOk) return rc;
    auto map = OpenDeviceMap(global, link.device, "config factory");
    if (!map) return kExitFailed;
    if (frames::IsOutputModuleType(map->devtype)) {
        std::fprintf(stderr, "mirca-cli config factory: output modules have no factory settings command\n");
        return kExitFailed;
    }
    TTermProgress progress("Factory settings");
    link.device.Progress = &progress;
    TZelmoMemoryMapImage& image = map->BuildImage();
    if (!image.ReadReadable(link.device) || !map->LoadFromImage(image)) {
        std::fprintf(stderr, "mirca-cli config factory: reading the configuration from the device failed\n");
        return kExitFailed;
    }
    try {
        TConfigBlockBase& firstRun = map->ConfigBlock("flag_1st_on");
        const std::uint8_t noted = firstRun.ValueBytes()[0];
        map->ApplyFactoryValues();
        if (noted != kFirstRunDone) {
            firstRun.Modified = firstRun.ValueBytes()[0] != kFirstRunPending;
            firstRun.ValueBytes()[0] = kFirstRunPending;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mirca-cli config factory: %s\n", e.what());
        return kExitFailed;
    }
    const bool written = map->BuildImage().WriteWritable(link.device);
    link.device.Progress = nullptr;
    progress.Finish();
    if (!written) {
        std::fprintf(stderr, "mirca-cli config factory: writing the configuration to the device failed\n");
        return kExitFailed;
    }
    std::printf("factory settings written to %s %s\n", map->devprefix.c_str(), map->fwver.c_str());
    return kExitOk;
}

}  // namespace

int Config(const TGlobalOptions& global, const std::vector<std::string>& args) {
    const auto [sub, rest] = SplitSubcommand(args);
    if (sub == "read" || sub == "write") {
        const auto a = ParseArgs("config " + sub, rest, {}, {}, 1);
        if (!a) return kExitUsage;
        return sub == "read" ? ConfigRead(global, a->positional[0]) : ConfigWrite(global, a->positional[0]);
    }
    if (sub == "factory") {
        if (!ParseArgs("config factory", rest, {}, {}, 0)) return kExitUsage;
        return ConfigFactory(global);
    }
    std::fprintf(
        stderr, "mirca-cli config: use 'config read OUT.ycfg', 'config write IN.ycfg' or 'config factory'\n");
    return kExitUsage;
}

int Backup(const TGlobalOptions& global, const std::vector<std::string>& args) {
    const auto [sub, rest] = SplitSubcommand(args);
    if (sub == "read") {
        const auto a = ParseArgs("backup read", rest, {"--object", "--address"}, {}, 1);
        if (!a) return kExitUsage;
        if (!a->Has("--object") || !a->Has("--address")) {
            std::fprintf(stderr, "mirca-cli backup read: --object N and --address A are required\n");
            return kExitUsage;
        }
        const auto object = ParseNumber("backup read", "object number", a->options.at("--object"), 0, 0xFFFF);
        const auto address = ParseNumber("backup read", "device address", a->options.at("--address"), 1, 4);
        if (!object || !address) return kExitUsage;
        TLink link;
        if (const int rc = OpenLink(global, link, TZelmoDevice::kModeConfiguration); rc != kExitOk) return rc;
        auto map = OpenDeviceMap(global, link.device, "backup read");
        if (!map) return kExitFailed;
        TZelmoMemoryMapImage& image = map->BuildImage();
        if (!image.ReadBackup(link.device)) {
            std::fprintf(stderr, "mirca-cli backup read: reading the registration data failed\n");
            return kExitFailed;
        }
        le::Put16(&image.backupHeader[5], static_cast<std::uint16_t>(*object));
        le::Put16(&image.backupHeader[7], static_cast<std::uint16_t>(*address));
        le::Put16(&image.backupHeader[9], 0);
        if (!SaveBackupFile(image, a->positional[0])) {
            std::fprintf(stderr,
                         "mirca-cli backup read: cannot write %s (or the map has no registration data)\n",
                         a->positional[0].c_str());
            return kExitFailed;
        }
        std::printf("registration backup of %s saved to %s\n", map->devprefix.c_str(),
                    a->positional[0].c_str());
        return kExitOk;
    }
    if (sub == "write") {
        const auto a = ParseArgs("backup write", rest, {}, {}, 1);
        if (!a) return kExitUsage;
        TLink link;
        if (const int rc = OpenLink(global, link, TZelmoDevice::kModeConfiguration); rc != kExitOk) return rc;
        auto map = OpenDeviceMap(global, link.device, "backup write");
        if (!map) return kExitFailed;
        TZelmoMemoryMapImage& image = map->BuildImage();
        if (!LoadBackupFile(image, a->positional[0])) {
            std::fprintf(stderr, "mirca-cli backup write: %s is not a registration backup for this device\n",
                         a->positional[0].c_str());
            return kExitFailed;
        }
        if (!image.WriteBackup(link.device)) {
            std::fprintf(stderr, "mirca-cli backup write: writing the registration data failed\n");
            return kExitFailed;
        }
        std::printf("registration backup %s written to %s (object %u, address %u)\n",
                    a->positional[0].c_str(), map->devprefix.c_str(),
                    unsigned{le::Get16(&image.backupHeader[5])}, unsigned{le::Get16(&image.backupHeader[7])});
        return kExitOk;
    }
    std::fprintf(
        stderr,
        "mirca-cli backup: use 'backup read OUT.rrg --object N --address A' or 'backup write IN.rrg'\n");
    return kExitUsage;
}

int Map(const TGlobalOptions&, const std::vector<std::string>& args) {
    const auto [sub, rest] = SplitSubcommand(args);
    if (sub != "check") {
        std::fprintf(stderr, "mirca-cli map: use 'map check FILE'\n");
        return kExitUsage;
    }
    const auto a = ParseArgs("map check", rest, {}, {}, 1);
    if (!a) return kExitUsage;
    try {
        TZelmoMemoryMap map(a->positional[0]);
        std::printf("%s: %s %s, type %d, %u bytes, %zu blocks\n", a->positional[0].c_str(),
                    map.devprefix.c_str(), map.fwver.c_str(), map.devtype, map.size, map.BlockCount());
        for (std::size_t i = 0; i < map.BlockCount(); ++i) {
            const TConfigBlockBase& b = map.ConfigBlock(i);
            std::printf("  %-24s %-24s address %6u size %5u access %c%c%c%c\n", b.name.c_str(),
                        b.ClassName.c_str(), b.Address, b.Size, (b.Access & kAccessRead) ? 'r' : '-',
                        (b.Access & kAccessWrite) ? 'w' : '-', (b.Access & kAccessBackup) ? 'b' : '-',
                        (b.Access & kAccessFactory) ? 'f' : '-');
        }
        return kExitOk;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mirca-cli map check: %s\n", e.what());
        return kExitFailed;
    }
}

}  // namespace mirca::cli
