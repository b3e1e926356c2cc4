#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "memmap/block.h"
#include "memmap/image.h"
#include "memmap/memmap.h"

namespace mirca {

// ---- A block's value as text ----
//
// The integer records (Byte, Word, DWord) are written in decimal, little-endian over the block's Size
// bytes; every other record as two upper-case hexadecimal digits a byte with no separators (either case is
// read back). A block of Size 0 has the empty text.

enum class TValueNotation { Decimal, Hex };
TValueNotation NotationOf(const TConfigBlockBase& block);

// The text of the block's own value.
std::string ValueText(const TConfigBlockBase& block);
// The text of `bytes` (the block's Size of them) as a value of this block.
std::string ValueText(const TConfigBlockBase& block, const std::uint8_t* bytes);

// The block's Size bytes for a value text (blanks around it ignored). False with the failure record
// ("value", what the block takes, what the text is) when the text is not a number, has the wrong number of
// digits or lies outside what Size bytes hold.
bool ParseValueText(const TConfigBlockBase& block, std::string_view text, std::vector<std::uint8_t>& bytes);

// Whether a configuration file's value of this block may be changed: only blocks that a configuration write
// sends (the w mark) and that hold bytes. Identity and counters (r only) belong to the device, registration
// data (b) moves only with registration backups; a change to either would never reach the panel. False
// with the failure record saying why.
bool IsSettable(const TConfigBlockBase& block);

// The block called `name` (the first one, as ConfigBlock finds it); null when the map has none.
TConfigBlockBase* FindBlock(TZelmoMemoryMap& map, std::string_view name);

// ---- Changing a configuration by name ----

// The block name of a "name=value" assignment, blanks around it dropped, as ApplyAssignments reads it; every
// caller that acts on the names of applied assignments takes them from here, so that none judges another
// block than the one that changed. Empty when the text has no '=' or nothing before it.
std::string_view AssignmentName(std::string_view assignment);

// Applies "name=value" assignments (blanks around name and value ignored) to a configuration image of this
// map and to the map's blocks. Every assignment is checked before anything changes: unknown names, blocks
// that are not settable (IsSettable), values that do not parse, a block named twice and blocks that share
// bytes are refused. False with the failure record naming the assignment; then neither image nor map has
// changed. Only the bytes of the named blocks change in the image.
bool ApplyAssignments(TZelmoMemoryMap& map, TZelmoMemoryMapImage& image,
                      const std::vector<std::string>& assignments);

// ---- Whole configurations ----

// Every block in map order, one "name = value" line each ("name =" for an empty value).
std::string DumpText(TZelmoMemoryMap& map);

// A block whose values differ between two configurations; a side without a block of that name has none.
struct TBlockDifference {
    std::string name;
    std::optional<std::string> a;
    std::optional<std::string> b;
    bool operator==(const TBlockDifference&) const = default;
};

// The blocks whose value texts differ, paired by name (the k-th block of a name in one map with the k-th of
// that name in the other): first in a's map order, then the blocks only b has, in b's order. Maps of
// different layouts compare by name and value, whatever the addresses; a block that only one side has is
// always listed.
std::vector<TBlockDifference> DiffMaps(TZelmoMemoryMap& a, TZelmoMemoryMap& b);

// "-name = a" and "+name = b" lines (as DumpText writes them), the side that lacks the block leaving its line
// out.
std::string DiffText(const std::vector<TBlockDifference>& differences);

// A binary configuration file (".ycfg") and the map of its descriptor with the file's values in its blocks.
// `image` receives the file's image (header included) for callers that change and save it. Null with the
// failure record (operation "loading the configuration file") when the file or its map cannot be used.
std::unique_ptr<TZelmoMemoryMap> LoadConfigurationMap(const std::filesystem::path& mapFolder,
                                                      const std::filesystem::path& file,
                                                      TZelmoMemoryMapImage& image);

}  // namespace mirca
