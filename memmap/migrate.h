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

// Carries every setting of `from` onto `to` that has the same name, record class and size in both: settings
// saved before a firmware update go onto the new firmware's map. A setting is a block that a configuration
// write sends (marked w in both maps). The other blocks keep the new map's values and are reported as kept:
// - the identity (descriptor, its checksum, the configuration state) names the firmware the file is for; the
//   old one would make the result claim the old firmware and choose the old map when it is loaded;
// - the other read-only blocks are counters the device keeps; it never takes them back, so an old count in
//   the result would only mislead;
// - the registration blocks (marked b) are never sent by a configuration write, so carrying them would
//   report a registration restored that never reaches the panel (and a configuration read leaves the map's
//   defaults in them). Registration moves only through registration backups (.rrg); the panel keeps it
//   across a factory reset.
// Placeholders (no access mark) hold nothing and are not listed. `to` should hold its factory values;
// every carried block is marked modified.
TMigration MigrateConfiguration(TZelmoMemoryMap& from, TZelmoMemoryMap& to);

// The same from a .ycfg file onto a map file, saved as a .ycfg file of the new map. `newMap` is a path, or
// the name of a map in the map folder. Refused: a new map for another device type (firmware updates keep
// the type, and blocks of the same name on another device are other settings), and a new map through which
// the result could not be read back: its descriptor must lead, in the map folder, to a map of the same
// layout. False with the failure record (operation "migrating the configuration"); `out` is then not
// touched.
bool MigrateConfigurationFile(const std::filesystem::path& mapFolder, const std::filesystem::path& oldFile,
                              const std::filesystem::path& newMap, const std::filesystem::path& out,
                              TMigration& result);

// "carried NAME", "dropped NAME (note)", "kept NAME (note)", "new NAME", one a line, then a summary line.
std::string MigrationText(const TMigration& migration);

}  // namespace mirca
