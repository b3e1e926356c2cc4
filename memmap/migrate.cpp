#include "memmap/migrate.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <tuple>
#include <vector>

#include "base/failure.h"
#include "memmap/block.h"
#include "memmap/configsession.h"
#include "memmap/configtext.h"
#include "memmap/files.h"

namespace mirca {

namespace {

constexpr const char* kOperation = "migrating the configuration";

// The blocks that name the firmware a configuration is made for. Named as well as told by their access
// mark, so that a map that lets the program write them (an extended edition's refresh does) still never
// gets the old firmware's identity.
bool IdentityBlock(const std::string& name) {
    return name == "descriptor" || name == "descriptor_crc" || name == "conf_state";
}

bool Setting(const TConfigBlockBase& b) {
    return (b.Access & kAccessWrite) != 0 && !IdentityBlock(b.name);
}

// Why the new map's value of a block that is not a setting stands.
std::string KeptBecause(const TConfigBlockBase& b) {
    if (IdentityBlock(b.name)) return "names the firmware";
    if (b.Access & kAccessBackup) return "registration: moved only by registration backups";
    return "read-only: the device keeps its own";
}

TConfigBlockBase* Find(TZelmoMemoryMap& map, const std::string& name) {
    for (std::size_t i = 0; i < map.BlockCount(); ++i) {
        if (map.ConfigBlock(i).name == name) return &map.ConfigBlock(i);
    }
    return nullptr;
}

// The blocks that hold bytes, as a configuration file is read through them.
using TLayout =
    std::vector<std::tuple<std::string, std::string, std::uint32_t, std::uint32_t, std::uint32_t>>;
TLayout Layout(TZelmoMemoryMap& map) {
    TLayout layout;
    for (std::size_t i = 0; i < map.BlockCount(); ++i) {
        const TConfigBlockBase& b = map.ConfigBlock(i);
        if (b.Access != 0) layout.emplace_back(b.name, b.ClassName, b.Address, b.Size, b.Access);
    }
    return layout;
}

std::string TypeText(const TZelmoDescriptor& d) {
    return "device type " + std::to_string(d.TypeCode());
}

bool Failed(std::string step) {
    Fail(std::move(step));
    return FailOperation(kOperation);
}

}  // namespace

TMigration MigrateConfiguration(TZelmoMemoryMap& from, TZelmoMemoryMap& to) {
    TMigration m;
    for (std::size_t i = 0; i < from.BlockCount(); ++i) {
        const TConfigBlockBase& old = from.ConfigBlock(i);
        if (old.Access == 0) continue;
        TConfigBlockBase* target = Find(to, old.name);
        if (target == nullptr || target->Access == 0) {
            m.dropped.push_back({old.name, "not in the new map"});
        } else if (!Setting(*target)) {
            m.kept.push_back({old.name, KeptBecause(*target)});
        } else if (!Setting(old)) {
            m.dropped.push_back({old.name, "not a setting in the old map"});
        } else if (target->ClassName != old.ClassName) {
            m.dropped.push_back({old.name, "record " + old.ClassName + " became " + target->ClassName});
        } else if (target->Size != old.Size) {
            m.dropped.push_back(
                {old.name, "size " + std::to_string(old.Size) + " became " + std::to_string(target->Size)});
        } else {
            std::memcpy(target->ValueBytes(), old.ValueBytes(), old.Size);
            target->Modified = true;
            m.carried.push_back({old.name, {}});
        }
    }
    for (std::size_t i = 0; i < to.BlockCount(); ++i) {
        const TConfigBlockBase& b = to.ConfigBlock(i);
        const TConfigBlockBase* old = Find(from, b.name);
        if (b.Access != 0 && (old == nullptr || old->Access == 0)) m.added.push_back({b.name, {}});
    }
    return m;
}

bool MigrateConfigurationFile(const std::filesystem::path& mapFolder, const std::filesystem::path& oldFile,
                              const std::filesystem::path& newMap, const std::filesystem::path& out,
                              TMigration& result) {
    ClearFailure();
    if (ConfigFormatForPath(out) != kConfigFormatBinary)
        return Failed(out.string() + ": the result must be a .ycfg file");
    TZelmoMemoryMapImage oldImage;
    const std::unique_ptr<TZelmoMemoryMap> from = LoadConfigurationMap(mapFolder, oldFile, oldImage);
    if (!from) return FailOperation(kOperation);
    std::filesystem::path mapPath = newMap;
    std::error_code ec;
    if (!std::filesystem::exists(mapPath, ec) && newMap.parent_path().empty()) mapPath = mapFolder / newMap;
    try {
        TZelmoMemoryMap to(mapPath);
        TZelmoDescriptor made;
        if (!to.GetDescriptor(made)) return Failed(mapPath.string() + ": the map has no descriptor block");
        if (made.TypeCode() != oldImage.descriptor.TypeCode()) {
            return Failed(mapPath.string() + " is a map of " + TypeText(made) + ", " + oldFile.string() +
                          " a configuration of " + TypeText(oldImage.descriptor) +
                          ": a firmware update keeps the device type");
        }
        TMigration migration = MigrateConfiguration(*from, to);
        const TZelmoMemoryMapImage& image = to.BuildImage();
        // The result is read back through the map its descriptor chooses; any other layout would put the
        // carried values into other blocks.
        if (!CheckConfigurationImage(mapFolder, image)) {
            FailWithin("the result for " + mapPath.string());
            return FailOperation(kOperation);
        }
        const std::unique_ptr<TZelmoMemoryMap> reader = OpenMapForDescriptor(mapFolder, image.descriptor);
        if (!reader) return Failed("no map in " + mapFolder.string() + " reads the result");
        if (Layout(*reader) != Layout(to)) {
            return Failed("the result would be read through " + reader->file.string() +
                          ", whose blocks lie otherwise than in " + mapPath.string());
        }
        if (!SaveToFile(image, out, kConfigFormatBinary)) return FailOperation(kOperation);
        result = std::move(migration);
    } catch (const std::exception& e) {
        Fail(e.what());
        FailWithin(mapPath.string());
        return FailOperation(kOperation);
    }
    return true;
}

std::string MigrationText(const TMigration& migration) {
    std::string text;
    const auto lines = [&text](const char* mark, const std::vector<TMigration::TEntry>& entries) {
        for (const auto& e : entries) {
            text += std::string(mark) + " " + e.name;
            if (!e.note.empty()) text += " (" + e.note + ")";
            text += "\n";
        }
    };
    lines("carried", migration.carried);
    lines("kept", migration.kept);
    lines("dropped", migration.dropped);
    lines("new", migration.added);
    text += std::to_string(migration.carried.size()) + " carried, " + std::to_string(migration.kept.size()) +
            " kept, " + std::to_string(migration.dropped.size()) + " dropped, " +
            std::to_string(migration.added.size()) + " new\n";
    return text;
}

}  // namespace mirca
