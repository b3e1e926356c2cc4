#include "memmap/configtext.h"

#include <algorithm>
#include <exception>
#include <map>

#include "base/failure.h"
#include "base/text.h"
#include "memmap/configsession.h"
#include "memmap/records.h"

namespace mirca {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::uint64_t LittleEndian(const std::uint8_t* bytes, std::uint32_t size) {
    std::uint64_t value = 0;
    for (std::uint32_t i = size; i-- > 0;)
        value = (value << 8) | bytes[i];
    return value;
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

void AppendValue(std::string& out, const TConfigBlockBase& block, const std::uint8_t* bytes) {
    if (block.Size == 0) return;
    if (NotationOf(block) == TValueNotation::Decimal) {
        out += std::to_string(LittleEndian(bytes, block.Size));
        return;
    }
    const std::size_t at = out.size();
    out.resize(at + std::size_t{block.Size} * 2);
    for (std::uint32_t i = 0; i < block.Size; ++i) {
        out[at + 2 * i] = kHexDigits[bytes[i] >> 4];
        out[at + 2 * i + 1] = kHexDigits[bytes[i] & 0x0F];
    }
}

struct TParsedAssignment {
    std::string text;  // as given, for messages
    TConfigBlockBase* block = nullptr;
    std::vector<std::uint8_t> bytes;
};

// The refusal of one assignment: the record names it as the place of the failing step.
bool RefuseAssignment(const std::string& text) {
    FailWithin("assignment '" + text + "'");
    return FailOperation("changing the configuration");
}

// The rules of a record beyond its bytes' text: a password holds digits only, as the editor's page and
// the panel's keypad enter it. False with the failure record naming each byte in the way.
bool SuitsRecord(const TConfigBlockBase& block, const std::vector<std::uint8_t>& bytes) {
    if (block.ClassName != "TZelmoPassword") return true;
    TZelmoPassword password;
    password.bytes.fill(TZelmoPassword::kEnd);
    std::copy_n(bytes.begin(), std::min(bytes.size(), password.bytes.size()), password.bytes.begin());
    const std::vector<std::size_t> bad = password.NonDigitPositions();
    if (bad.empty()) return true;
    std::string shown;
    bool ended = false;
    for (std::size_t i = 0, next = 0; i < password.bytes.size() && next < bad.size(); ++i) {
        const std::uint8_t b = password.bytes[i];
        ended = ended || b == TZelmoPassword::kEnd;
        if (i != bad[next]) continue;
        ++next;
        if (!shown.empty()) shown += ", ";
        shown += "byte " + std::to_string(i + 1) + ": " + kHexDigits[b >> 4] + kHexDigits[b & 0x0F];
        const auto c = static_cast<unsigned char>(b - TZelmoPassword::kOffset);
        if (ended)
            shown += " after the end mark";
        else if (c >= 0x20 && c < 0x7F)
            shown += std::string(" ('") + static_cast<char>(c) + "')";
    }
    return Fail("block " + Quoted(block.name) + " is a password: its characters are not all digits",
                "digits 0 to 9 (stored as 80 to 89) up to the first FF, then only FF", shown);
}

}  // namespace

TValueNotation NotationOf(const TConfigBlockBase& block) {
    const bool integer = block.ClassName == "Byte" || block.ClassName == "Word" || block.ClassName == "DWord";
    return integer && block.Size <= 4 ? TValueNotation::Decimal : TValueNotation::Hex;
}

std::string ValueText(const TConfigBlockBase& block, const std::uint8_t* bytes) {
    std::string text;
    AppendValue(text, block, bytes);
    return text;
}

std::string ValueText(const TConfigBlockBase& block) {
    return ValueText(block, block.ValueBytes());
}

bool ParseValueText(const TConfigBlockBase& block, std::string_view text, std::vector<std::uint8_t>& bytes) {
    text = Trim(text);
    const std::string shown = text.empty() ? "nothing" : "'" + std::string(text) + "'";
    if (block.Size == 0) {
        if (!text.empty()) return Fail("value", "nothing (the block holds no bytes)", shown);
        bytes.clear();
        return true;
    }
    if (NotationOf(block) == TValueNotation::Decimal) {
        const std::uint64_t max = block.Size >= 8 ? UINT64_MAX : (std::uint64_t{1} << (8 * block.Size)) - 1;
        const std::string range = "a decimal number from 0 to " + std::to_string(max);
        const TWhole<std::uint64_t> number = ReadWhole<std::uint64_t>(text, 0, max);
        // A negative number is a number, only not one the block holds.
        const TWhole<std::int64_t> signed_ = ReadWhole<std::int64_t>(text);
        const bool negative = signed_.status == TWholeStatus::OutOfRange ||
                              (signed_.status == TWholeStatus::Ok && signed_.value < 0);
        if (number.status == TWholeStatus::OutOfRange || (number.status != TWholeStatus::Ok && negative))
            return Fail("value out of range", range, shown);
        if (number.status != TWholeStatus::Ok) return Fail("value is not a number", range, shown);
        bytes.resize(block.Size);
        for (std::uint32_t i = 0; i < block.Size; ++i)
            bytes[i] = static_cast<std::uint8_t>(number.value >> (8 * i));
        return true;
    }
    const std::string digits =
        std::to_string(std::size_t{block.Size} * 2) + " hexadecimal digits (" + BytesText(block.Size) + ")";
    if (!std::all_of(text.begin(), text.end(), [](char c) { return HexValue(c) >= 0; }))
        return Fail("value is not hexadecimal", digits, shown);
    if (text.size() != std::size_t{block.Size} * 2)
        return Fail("value of the wrong size", digits,
                    std::to_string(text.size()) + (text.size() == 1 ? " digit" : " digits"));
    bytes.resize(block.Size);
    for (std::uint32_t i = 0; i < block.Size; ++i)
        bytes[i] = static_cast<std::uint8_t>(HexValue(text[2 * i]) << 4 | HexValue(text[2 * i + 1]));
    return true;
}

bool IsSettable(const TConfigBlockBase& block) {
    const std::string name = "block " + Quoted(block.name);
    if (block.Size == 0) return Fail(name + " holds no bytes in this map");
    if (block.Access & kAccessWrite) return true;
    if (block.Access & kAccessBackup)
        return Fail(name +
                    " is registration data: only a registration backup moves it, a configuration "
                    "write never sends it");
    if (block.Access & kAccessRead)
        return Fail(name + " is read-only: the device keeps it, a configuration write never sends it");
    return Fail(name + " takes part in no transfer");
}

TConfigBlockBase* FindBlock(TZelmoMemoryMap& map, std::string_view name) {
    for (std::size_t i = 0; i < map.BlockCount(); ++i) {
        TConfigBlockBase& block = map.ConfigBlock(i);
        if (block.name == name) return &block;
    }
    return nullptr;
}

std::string_view AssignmentName(std::string_view assignment) {
    const std::size_t equals = assignment.find('=');
    return equals == std::string_view::npos ? std::string_view() : Trim(assignment.substr(0, equals));
}

bool ApplyAssignments(TZelmoMemoryMap& map, TZelmoMemoryMapImage& image,
                      const std::vector<std::string>& assignments) {
    ClearFailure();
    std::vector<TParsedAssignment> parsed;
    parsed.reserve(assignments.size());
    for (const std::string& text : assignments) {
        TParsedAssignment a;
        a.text = text;
        const std::size_t equals = text.find('=');
        const std::string_view name = AssignmentName(text);
        if (name.empty()) {
            Fail("not NAME=VALUE");
            return RefuseAssignment(text);
        }
        a.block = FindBlock(map, name);
        if (!a.block) {
            Fail("no block " + Quoted(name) + " in the map " + map.file.filename().string());
            return RefuseAssignment(text);
        }
        if (!IsSettable(*a.block) ||
            !ParseValueText(*a.block, std::string_view(text).substr(equals + 1), a.bytes) ||
            !SuitsRecord(*a.block, a.bytes))
            return RefuseAssignment(text);
        if (std::uint64_t{a.block->Address} + a.block->Size > image.data.size()) {
            Fail("block " + Quoted(name) + " lies outside the configuration",
                 BytesText(std::uint64_t{a.block->Address} + a.block->Size), BytesText(image.data.size()));
            return RefuseAssignment(text);
        }
        // Two assignments to one place would leave the file holding only the later one.
        for (const TParsedAssignment& earlier : parsed) {
            const TConfigBlockBase& e = *earlier.block;
            if (&e == a.block) {
                Fail("block " + Quoted(name) + " is named twice");
                return RefuseAssignment(text);
            }
            if (e.Address < a.block->Address + a.block->Size && a.block->Address < e.Address + e.Size) {
                Fail("block " + Quoted(name) + " shares bytes with block " + Quoted(e.name) +
                     ", set earlier");
                return RefuseAssignment(text);
            }
        }
        parsed.push_back(std::move(a));
    }
    for (const TParsedAssignment& a : parsed) {
        std::copy(a.bytes.begin(), a.bytes.end(), image.data.begin() + a.block->Address);
        a.block->ReadFrom(a.bytes.data());
        a.block->Modified = true;
    }
    return true;
}

std::string DumpText(TZelmoMemoryMap& map) {
    std::string out;
    for (std::size_t i = 0; i < map.BlockCount(); ++i) {
        const TConfigBlockBase& block = map.ConfigBlock(i);
        out += block.name;
        // No blank after "=" for an empty value: editors strip trailing blanks, and a dump kept in version
        // control must not change by being opened.
        out += block.Size ? " = " : " =";
        AppendValue(out, block, block.ValueBytes());
        out += '\n';
    }
    return out;
}

std::vector<TBlockDifference> DiffMaps(TZelmoMemoryMap& a, TZelmoMemoryMap& b) {
    // Each name's blocks in b, in order; the k-th of a name in a meets the k-th in b.
    std::map<std::string, std::vector<std::size_t>, std::less<>> inB;
    for (std::size_t i = 0; i < b.BlockCount(); ++i)
        inB[b.ConfigBlock(i).name].push_back(i);
    std::map<std::string, std::size_t, std::less<>> seenInA;
    std::vector<bool> paired(b.BlockCount(), false);
    std::vector<TBlockDifference> out;
    for (std::size_t i = 0; i < a.BlockCount(); ++i) {
        const TConfigBlockBase& block = a.ConfigBlock(i);
        const std::size_t k = seenInA[block.name]++;
        std::string valueA = ValueText(block);
        const auto found = inB.find(block.name);
        if (found == inB.end() || k >= found->second.size()) {
            out.push_back({block.name, std::move(valueA), std::nullopt});
            continue;
        }
        const std::size_t j = found->second[k];
        paired[j] = true;
        std::string valueB = ValueText(b.ConfigBlock(j));
        if (valueA != valueB) out.push_back({block.name, std::move(valueA), std::move(valueB)});
    }
    for (std::size_t j = 0; j < b.BlockCount(); ++j) {
        if (paired[j]) continue;
        const TConfigBlockBase& block = b.ConfigBlock(j);
        out.push_back({block.name, std::nullopt, ValueText(block)});
    }
    return out;
}

std::string DiffText(const std::vector<TBlockDifference>& differences) {
    std::string out;
    for (const TBlockDifference& d : differences) {
        if (d.a) out += "-" + d.name + (d.a->empty() ? " =" : " = ") + *d.a + "\n";
        if (d.b) out += "+" + d.name + (d.b->empty() ? " =" : " = ") + *d.b + "\n";
    }
    return out;
}

std::unique_ptr<TZelmoMemoryMap> LoadConfigurationMap(const std::filesystem::path& mapFolder,
                                                      const std::filesystem::path& file,
                                                      TZelmoMemoryMapImage& image) {
    constexpr const char* kOperation = "loading the configuration file";
    if (!LoadConfigurationFile(mapFolder, file, image)) return nullptr;
    try {
        auto map = OpenMapForDescriptor(mapFolder, image.descriptor);
        if (map && map->LoadFromImage(image)) return map;
        Fail("the configuration does not fit the map of its descriptor");
    } catch (const std::exception& e) {
        Fail(e.what());
    }
    FailWithin(file.string());
    FailOperation(kOperation);
    return nullptr;
}

}  // namespace mirca
