#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mirca {

class TZelmoMemoryMap;

// A choice box that shows some bits of a one-byte block: notice statuses and relay modes.
struct TChoiceField {
    std::string_view control;  // design name of the combo box
    std::string_view label;
    std::string_view block;
    int shift = 0;  // the field's lowest bit in the byte
    int bits = 8;
    std::span<const std::string_view> items;
    bool hidden = false;  // shown by no page, bound to nothing
};

// The fields of a page built from choice boxes; empty for every other page.
std::span<const TChoiceField> ChoiceFields(std::string_view page);

// The index each field shows, from the map: -1 when the stored value is none of the field's items (the box
// shows nothing, and committing keeps the stored bits). Hidden fields give -1. Throws the map's lookup error
// when a block is missing.
std::vector<int> FillChoices(TZelmoMemoryMap& map, std::string_view page);

// Writes the chosen indexes back (one per field, -1 keeps the stored bits). A block whose byte changed is
// marked Modified; a page only looked at marks nothing.
void CommitChoices(TZelmoMemoryMap& map, std::string_view page, std::span<const int> chosen);

}  // namespace mirca
