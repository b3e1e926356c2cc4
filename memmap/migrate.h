#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "memmap/memmap.h"

namespace mirca {

// What carrying a configuration onto another map did, block by block, in the maps' order.
struct TMigration {
    struct TEntry {
        std::string name;
        std::string note;  // why a block was dropped or kept; empty for the others
    };
    std::vector<TEntry> carried;  // the old value now stands in the new map
    std::vector<TEntry> dropped;  // the old value had nowhere to go
    std::vector<TEntry> kept;     // in both maps, but the new map's value stands (the firmware's identity)
    std::vector<TEntry> added;    // only in the new map: its factory value stands
};

// Carries every block of `from` onto `to` that has the same name, record class and size in both: settings
// saved before a firmware update go onto the new firmware's map. The blocks that say which firmware the
// configuration is made for (the descriptor, its checksum, the configuration state) keep the new map's
// values, or the result would claim the old firmware. Blocks the maps do not lay into the image (no access
// mark) carry nothing. `to` should hold its factory values; every carried block is marked modified.
TMigration MigrateConfiguration(TZelmoMemoryMap& from, TZelmoMemoryMap& to);

// The same from a .ycfg file onto a map file, saved as a .ycfg file of the new map. `newMap` is a path, or
// the name of a map in the map folder. False with the failure record (operation "migrating the
// configuration"); `out` is then not touched.
bool MigrateConfigurationFile(const std::filesystem::path& mapFolder, const std::filesystem::path& oldFile,
                              const std::filesystem::path& newMap, const std::filesystem::path& out,
                              TMigration& result);

// "carried NAME", "dropped NAME (note)", "kept NAME (note)", "new NAME", one a line, then a summary line.
std::string MigrationText(const TMigration& migration);

}  // namespace mirca
