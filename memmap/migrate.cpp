#include "memmap/migrate.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>

#include "base/failure.h"
#include "memmap/block.h"
#include "memmap/configtext.h"
#include "memmap/files.h"

namespace mirca {

namespace {

constexpr const char* kOperation = "migrating the configuration";

// The blocks that name the firmware a configuration is made for.
bool IdentityBlock(const std::string& name) {
    return name == "descriptor" || name == "descriptor_crc" || name == "conf_state";
}

TConfigBlockBase* Find(TZelmoMemoryMap& map, const std::string& name) {
    for (std::size_t i = 0; i < map.BlockCount(); ++i) {
        if (map.ConfigBlock(i).name == name) return &map.ConfigBlock(i);
    }
    return nullptr;
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
        } else if (target->ClassName != old.ClassName) {
            m.dropped.push_back({old.name, "record " + old.ClassName + " became " + target->ClassName});
        } else if (target->Size != old.Size) {
            m.dropped.push_back(
                {old.name, "size " + std::to_string(old.Size) + " became " + std::to_string(target->Size)});
        } else if (IdentityBlock(old.name)) {
            m.kept.push_back({old.name, "names the firmware"});
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
    std::unique_ptr<TZelmoMemoryMap> to;
    try {
        to = std::make_unique<TZelmoMemoryMap>(mapPath);
    } catch (const std::exception& e) {
        Fail(e.what());
        FailWithin(mapPath.string());
        return FailOperation(kOperation);
    }
    result = MigrateConfiguration(*from, *to);
    if (!SaveToFile(to->BuildImage(), out, kConfigFormatBinary)) return FailOperation(kOperation);
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
