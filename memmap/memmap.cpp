#include "memmap/memmap.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <type_traits>

#include "base/ascii.h"
#include "base/text.h"

namespace mirca {

namespace {

// Map files and the index are small hand-written files (the largest we ship is 14 KB); anything much larger
// is not one.
constexpr std::uintmax_t kMaxMapFileBytes = 1024 * 1024;
// The largest device memory a map may describe; the image (bytes and marks) is allocated from this number.
// Our devices have 16 KiB.
constexpr std::uint32_t kMaxImageSize = 1024 * 1024;
// Every block holds its whole record whatever its Size, so a file of empty blocks of a large class would
// make the program allocate far more than the file's own size. Shipped maps have at most 55 blocks and
// about 25 KB of records; these bounds leave a wide margin and keep any map within a few megabytes.
constexpr std::size_t kMaxBlocks = 4096;
constexpr std::size_t kMaxRecordBytes = 2 * 1024 * 1024;
const char* const kIndexFile = "maplist.xml";
const char* const kDescriptorBlock = "descriptor";

TXmlFile LoadMapXml(const std::filesystem::path& path, const char* kind) {
    try {
        return TXmlFile::Load(path, kMaxMapFileBytes, kind);
    } catch (const TXmlError& e) {
        throw TMapError(e.what());
    }
}

// Reads the map file's elements with errors that name the file, the place and the block.
class TMapReader {
    // The located errors of the XML helpers, as map errors.
    template <typename F>
    static std::invoke_result_t<F> Mapped(F read) {
        try {
            return read();
        } catch (const TMapError&) {
            throw;
        } catch (const TXmlError& e) {
            throw TMapError(e.what());
        }
    }

public:
    TMapReader(const std::filesystem::path& path)
        : xml_(LoadMapXml(path, "map file")), path_(path.string()) {}

    [[noreturn]] void Fail(const pugi::xml_node& node, const std::string& message) const {
        throw TMapError(xml_.Where(node) + ": " + message);
    }

    std::string RequiredText(const pugi::xml_node& root, const char* attribute) const {
        return Mapped([&] { return xml_.RequiredAttribute(root, attribute); });
    }

    std::uint32_t RequiredNumber(const pugi::xml_node& root, const char* attribute, std::uint32_t max) const {
        return Mapped([&] { return xml_.RequiredNumber<std::uint32_t>(root, attribute, 0, max); });
    }

    // A number child: 0 when absent or empty; a present value that is not a number is an error, since a
    // silently zero address would move the block.
    std::uint32_t Number(const pugi::xml_node& block, const char* child, const std::string& blockName) const {
        try {
            return xml_.ChildNumber<std::uint32_t>(block, child, 0, 0, UINT32_MAX);
        } catch (const TXmlError&) {
            Fail(block.child(child), "block \"" + blockName + "\": " + child + " '" +
                                         ShownValue(Trim(block.child(child).text().get())) +
                                         "' is not a number");
        }
    }

    const TXmlFile& Xml() const { return xml_; }
    const std::string& Path() const { return path_; }

private:
    TXmlFile xml_;
    std::string path_;
};

std::uint32_t AccessMask(std::string_view attribute) {
    const std::string letters = AsciiLower(attribute);
    const auto has = [&](char c) { return letters.find(c) != std::string::npos; };
    std::uint32_t mask = 0;
    if (has('r')) mask |= kAccessRead;
    if (has('w')) mask |= kAccessWrite;
    if (has('b')) mask = kAccessBackup;  // registration data is never part of normal reads and writes
    if (has('f')) mask |= kAccessFactory;
    return mask;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Hex pairs from the start of the text, up to size bytes; reading stops at the first pair that is not one.
std::vector<std::uint8_t> BinaryValue(std::string_view text, std::uint32_t size) {
    text = Trim(text);
    std::vector<std::uint8_t> bytes(size, 0);
    for (std::uint32_t i = 0; i < size && 2 * std::size_t{i} + 1 < text.size(); ++i) {
        const int hi = HexDigit(text[2 * i]);
        const int lo = HexDigit(text[2 * i + 1]);
        if (hi < 0 || lo < 0) break;
        bytes[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return bytes;
}

std::vector<std::uint8_t> FactoryValue(const TMapReader& reader, const pugi::xml_node& block,
                                       const std::string& blockName, std::uint32_t size) {
    const pugi::xml_node factory = block.child("FactoryValue");
    if (!factory) reader.Fail(block, "block \"" + blockName + "\" has no FactoryValue");
    const pugi::xml_attribute type = factory.attribute("type");
    if (!type) reader.Fail(factory, "block \"" + blockName + "\": FactoryValue has no type attribute");
    const std::string kind = type.value();
    const std::string text = factory.text().get();
    if (kind == "binary") return BinaryValue(text, size);

    std::uint32_t width = 0;
    std::int64_t min = 0;
    std::int64_t max = 0;
    if (kind == "byte") {
        width = 1, max = 0xFF;
    } else if (kind == "word") {
        width = 2, max = 0xFFFF;
    } else if (kind == "dword") {
        width = 4, min = INT32_MIN, max = UINT32_MAX;
    } else {
        throw TMapError("Error on parsing xml-definition of memory map: " + reader.Path());
    }
    if (size < width)
        reader.Fail(factory, "block \"" + blockName + "\": a " + kind + " factory value needs Size " +
                                 std::to_string(width) + ", not " + std::to_string(size));
    const std::optional<std::int64_t> parsed = ParseWhole<std::int64_t>(Trim(text), min, max);
    if (!parsed)
        reader.Fail(factory,
                    "block \"" + blockName + "\": factory value '" + ShownValue(text) + "' is not a " + kind);
    const std::int64_t value = *parsed;
    std::vector<std::uint8_t> bytes(size, 0);
    for (std::uint32_t i = 0; i < width; ++i)
        bytes[i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i));
    return bytes;
}

}  // namespace

TZelmoMemoryMap::TZelmoMemoryMap(const std::filesystem::path& path) : file(path) {
    const TMapReader reader(path);
    const pugi::xml_node root = reader.Xml().Doc().document_element();
    if (!root) throw TMapError(reader.Path() + ": the map has no document element");
    devprefix = reader.RequiredText(root, "devprefix");
    fwver = reader.RequiredText(root, "fwver");
    size = reader.RequiredNumber(root, "size", kMaxImageSize);
    devtype = static_cast<int>(reader.RequiredNumber(root, "devtype", 0xFFFF));
    image_.Allocate(size);
    image_.headerSize = size;

    std::size_t recordBytes = 0;
    for (const pugi::xml_node& element : root.children()) {
        if (element.type() == pugi::node_comment) continue;
        if (element.type() != pugi::node_element) reader.Fail(element, "unexpected text between blocks");
        if (blocks_.size() == kMaxBlocks)
            reader.Fail(element, "the map has more than " + std::to_string(kMaxBlocks) + " blocks");
        const std::string className = element.child("ClassName").text().get();
        const std::string blockName = element.attribute("name").value();
        const std::uint32_t address = reader.Number(element, "Address", blockName);
        const std::uint32_t blockSize = reader.Number(element, "Size", blockName);
        const std::uint32_t tableNum = reader.Number(element, "TableNum", blockName);
        // The record bounds the block before its factory value is read, so a lying Size allocates nothing.
        auto block = CreateConfigBlock(className);
        if (!block) throw TMapError("Check source: class " + className + " not found!");
        recordBytes += block->RecordSize();
        if (recordBytes > kMaxRecordBytes)
            reader.Fail(element, "block \"" + blockName + "\": the map's records exceed " +
                                     std::to_string(kMaxRecordBytes) + " bytes");
        if (blockSize > block->RecordSize())
            reader.Fail(element, "block \"" + blockName + "\": Size " + std::to_string(blockSize) +
                                     " is larger than its record " + className + " (" +
                                     std::to_string(block->RecordSize()) + " bytes)");
        if (std::uint64_t{address} + blockSize > size)
            reader.Fail(element, "block \"" + blockName + "\" at " + std::to_string(address) + " with Size " +
                                     std::to_string(blockSize) + " lies outside the image of " +
                                     std::to_string(size) + " bytes");
        if (blockName == kDescriptorBlock && className != "TZelmoDescriptor")
            reader.Fail(element, "block \"descriptor\" has class " + className + ", not TZelmoDescriptor");
        std::vector<std::uint8_t> factory;
        if (blockSize != 0) factory = FactoryValue(reader, element, blockName, blockSize);

        block->Init(className, blockName, address, blockSize, factory);
        block->TableNum = tableNum;
        if (blockName == kDescriptorBlock)
            std::memcpy(image_.descriptor.bytes.data(), block->ValueBytes(), image_.descriptor.bytes.size());
        block->Access = AccessMask(element.attribute("access").value());
        blocks_.push_back(std::move(block));
    }
    cache_ = -1;
}

TConfigBlockBase& TZelmoMemoryMap::ConfigBlock(std::size_t index) {
    if (index >= blocks_.size())
        throw std::out_of_range("Check source: ConfigBlock[" + std::to_string(index) + "] not found!");
    cache_ = static_cast<int>(index);
    return *blocks_[index];
}

TConfigBlockBase& TZelmoMemoryMap::ConfigBlock(const std::string& blockName) {
    if (cache_ >= 0 && static_cast<std::size_t>(cache_) < blocks_.size() &&
        blocks_[cache_]->name == blockName)
        return *blocks_[cache_];
    for (std::size_t i = 0; i < blocks_.size(); ++i) {
        if (blocks_[i]->name == blockName) {
            cache_ = static_cast<int>(i);
            return *blocks_[i];
        }
    }
    throw std::out_of_range("Check source: ConfigBlock[\"" + blockName + "\"] not found!");
}

const TConfigBlockBase* TZelmoMemoryMap::Descriptor() const {
    for (const auto& b : blocks_) {
        if (b->name == kDescriptorBlock) return b.get();
    }
    return nullptr;
}

bool TZelmoMemoryMap::GetDescriptor(TZelmoDescriptor& out) const {
    const TConfigBlockBase* d = Descriptor();
    if (!d) return false;
    std::memcpy(out.bytes.data(), d->ValueBytes(), out.bytes.size());
    return true;
}

std::uint16_t TZelmoMemoryMap::EditionWord() const {
    TZelmoDescriptor d;
    return GetDescriptor(d) ? d.Edition() : 0;
}

int TZelmoMemoryMap::SystemNumber() const {
    TZelmoDescriptor d;
    if (GetDescriptor(d)) return d.Major();
    if (std::count(fwver.begin(), fwver.end(), '.') < 2) return 0;
    if (!std::isdigit(static_cast<unsigned char>(fwver[0])))
        throw std::invalid_argument("'" + fwver.substr(0, 1) + "' is not a valid integer value");
    return fwver[0] - '0';
}

TZelmoMemoryMapImage& TZelmoMemoryMap::BuildImage() {
    std::fill(image_.data.begin(), image_.data.end(), 0);
    std::fill(image_.flags.begin(), image_.flags.end(), 0);
    for (const auto& b : blocks_) {
        if (b->Access == 0) continue;
        b->WriteTo(image_.data.data() + b->Address);
        std::fill_n(image_.flags.begin() + b->Address, b->Size, static_cast<std::uint8_t>(b->Access & 0xFF));
    }
    return image_;
}

bool TZelmoMemoryMap::LoadFromImage(const TZelmoMemoryMapImage& image) {
    TZelmoDescriptor mine;
    if (!GetDescriptor(mine)) return false;
    if (image.descriptor.Major() != mine.Major() && mine.TypeCode() != 18) return false;
    // An image from a file of another size must not be read past its end: refuse it before any block changes.
    for (const auto& b : blocks_) {
        if (b->Access != 0 && std::uint64_t{b->Address} + b->Size > image.data.size()) return false;
    }
    for (const auto& b : blocks_) {
        if (b->Access != 0) b->ReadFrom(image.data.data() + b->Address);
    }
    SetAllModified(false);
    return true;
}

namespace {

// Runs a change of every block's value and marks each block whose value it changed.
template <typename F>
void MarkingChanges(const std::vector<std::unique_ptr<TConfigBlockBase>>& blocks, F change) {
    std::vector<std::vector<std::uint8_t>> before;
    before.reserve(blocks.size());
    for (const auto& b : blocks)
        before.emplace_back(b->ValueBytes(), b->ValueBytes() + b->Size);
    change();
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const auto& b = blocks[i];
        if (!std::equal(before[i].begin(), before[i].end(), b->ValueBytes())) b->Modified = true;
    }
}

}  // namespace

bool TZelmoMemoryMap::LoadFromImageMarkingChanges(const TZelmoMemoryMapImage& image) {
    std::vector<bool> marked;
    for (const auto& b : blocks_)
        marked.push_back(b->Modified);
    bool loaded = false;
    MarkingChanges(blocks_, [&] { loaded = LoadFromImage(image); });
    for (std::size_t i = 0; i < blocks_.size(); ++i)
        if (marked[i]) blocks_[i]->Modified = true;
    return loaded;
}

void TZelmoMemoryMap::ApplyFactoryValues() {
    // Factory values are a change like any other: a configuration reset and not yet written is unwritten.
    MarkingChanges(blocks_, [&] {
        for (const auto& b : blocks_)
            b->LoadFactoryIfFlagged();
    });
}

bool TZelmoMemoryMap::AnyModified() const {
    return std::any_of(blocks_.begin(), blocks_.end(), [](const auto& b) { return b->Modified; });
}

void TZelmoMemoryMap::SetAllModified(bool value) {
    for (const auto& b : blocks_)
        b->Modified = value;
}

// ---- choosing the map file ----

std::string MapFileName(const TZelmoDescriptor& d) {
    char name[64];
    switch (d.TypeCode()) {
        case 937:
            if (d.Edition() == 0x0065)
                std::snprintf(name, sizeof name, "937_e_%d_%d_%d.xml", d.Major(), d.Minor(), 0);
            else
                std::snprintf(name, sizeof name, "937_d_%d_%d.xml", d.Major(), d.Minor());
            return name;
        case 18:
            std::snprintf(name, sizeof name, "18_d_%d_%d.xml", d.Major(), d.Minor());
            return name;
        case 64:
            return "64_d_0_0.xml";
        case 66:
            return "66_e_3_0.xml";
        default:
            return {};
    }
}

namespace {

// maplist.xml: device entries, each with map elements, each with compatibility elements. Element names
// are not examined; anything that is not an element where entries are expected is refused.
class TMapIndex {
public:
    explicit TMapIndex(const std::filesystem::path& folder)
        : xml_(LoadMapXml(folder / kIndexFile, "map list")) {}

    std::vector<pugi::xml_node> Elements(const pugi::xml_node& parent) const {
        std::vector<pugi::xml_node> out;
        for (const pugi::xml_node& child : parent.children()) {
            if (child.type() != pugi::node_element)
                throw TMapError(xml_.Where(child) + ": only elements may stand in the map list");
            out.push_back(child);
        }
        return out;
    }
    std::vector<pugi::xml_node> Entries() const { return Elements(xml_.Doc().document_element()); }

    int Number(const pugi::xml_node& entry, const char* attribute) const {
        const std::string_view text = entry.attribute(attribute).value();
        const std::optional<int> value = ParseWhole<int>(Trim(text));
        if (!value)
            throw TMapError(xml_.Where(entry) + ": " + attribute + " '" + ShownValue(text) +
                            "' is not a number");
        return *value;
    }

    // A file name from the list; it must name a file in the map folder, nothing elsewhere.
    std::string FileName(const pugi::xml_node& node, const char* attribute) const {
        const std::string name = node.attribute(attribute).value();
        if (name.empty() || name.find_first_of("/\\") != std::string::npos || name == "." || name == "..")
            throw TMapError(xml_.Where(node) + ": " + attribute + " '" + name + "' is not a map file name");
        return name;
    }

    // Whether an entry serves the descriptor's family: type, and for type 937 also the system number.
    bool Matches(const pugi::xml_node& entry, const TZelmoDescriptor& d) const {
        if (Number(entry, "type") != d.TypeCode()) return false;
        return d.TypeCode() != 937 || Number(entry, "system") == d.Major();
    }

private:
    TXmlFile xml_;
};

bool HasMapSelection(std::uint16_t type) {
    return type == 937 || type == 18 || type == 64 || type == 66;
}

}  // namespace

std::unique_ptr<TZelmoMemoryMap> OpenMapFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return nullptr;
    return std::make_unique<TZelmoMemoryMap>(path);
}

std::string ChooseMapFile(const std::filesystem::path& mapFolder, const TZelmoDescriptor& d) {
    const std::string candidate = MapFileName(d);
    const TMapIndex index(mapFolder);
    std::string chosen;
    if (HasMapSelection(d.TypeCode())) {
        for (const pugi::xml_node& entry : index.Entries()) {
            if (!index.Matches(entry, d)) continue;
            bool exact = false;
            for (const pugi::xml_node& map : index.Elements(entry)) {
                if (index.FileName(map, "name") == candidate) {
                    exact = true;
                    break;
                }
            }
            chosen = exact ? candidate : index.FileName(entry, "last");
            // Type 18 spreads its versions over several entries: a later one may still name the file.
            if (exact || d.TypeCode() != 18) break;
        }
    }
    return chosen;
}

std::unique_ptr<TZelmoMemoryMap> OpenMapForDescriptor(const std::filesystem::path& mapFolder,
                                                      const TZelmoDescriptor& d) {
    const std::string chosen = ChooseMapFile(mapFolder, d);
    if (chosen.empty()) return nullptr;
    return OpenMapFile(mapFolder / chosen);
}

TMapLookup LookUpMap(const std::filesystem::path& mapFolder, const TZelmoDescriptor& d) {
    using TStatus = TMapLookup::TStatus;
    TMapLookup found;
    std::string chosen;
    try {
        chosen = ChooseMapFile(mapFolder, d);
    } catch (const std::exception& e) {
        found.status = TStatus::ListBroken;
        found.file = mapFolder / kIndexFile;
        found.detail = e.what();  // names the list
        found.why = found.detail;
        return found;
    }
    if (chosen.empty()) {
        found.why = (mapFolder / kIndexFile).string() + " names no memory map for this device";
        return found;
    }
    found.file = mapFolder / chosen;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(found.file, ec)) {
        found.status = TStatus::Missing;
        found.why = "the memory map " + found.file.string() + " is missing";
        return found;
    }
    try {
        found.map = std::make_unique<TZelmoMemoryMap>(found.file);
        found.status = TStatus::Found;
    } catch (const std::exception& e) {
        found.status = TStatus::Broken;
        found.detail = e.what();  // names the file
        found.why = "the memory map is broken: " + found.detail;
    }
    return found;
}

std::unique_ptr<TZelmoMemoryMap> OpenMapForDescriptor(const std::filesystem::path& mapFolder,
                                                      const TZelmoDescriptor& d, std::string& why) {
    TMapLookup found = LookUpMap(mapFolder, d);
    why = std::move(found.why);
    return std::move(found.map);
}

std::string LastMapName(const std::filesystem::path& mapFolder, const TZelmoDescriptor& d) {
    const std::uint16_t type = d.TypeCode();
    if (type != 937 && type != 18) return {};
    const TMapIndex index(mapFolder);
    for (const pugi::xml_node& entry : index.Entries()) {
        if (index.Matches(entry, d)) return index.FileName(entry, "last");
    }
    return {};
}

bool AreMapsCompatible(const std::filesystem::path& mapFolder, const TZelmoDescriptor& device,
                       const TZelmoDescriptor& file) {
    const std::uint16_t type = device.TypeCode();
    if (type != file.TypeCode() || (type != 937 && type != 18)) return false;
    if (type == 937 && device.Major() != file.Major()) return false;
    const std::string a = MapFileName(device);
    const std::string b = MapFileName(file);
    const TMapIndex index(mapFolder);
    for (const pugi::xml_node& entry : index.Entries()) {
        if (!index.Matches(entry, device)) continue;
        for (const pugi::xml_node& map : index.Elements(entry)) {
            if (index.FileName(map, "name") != a) continue;
            for (const pugi::xml_node& compatible : index.Elements(map)) {
                if (index.FileName(compatible, "name") == b) return true;
            }
            return false;
        }
        // Type 18 spreads its versions over several entries, as the file choice does; look on until the
        // entry that holds the device's map.
        if (type != 18) return false;
    }
    return false;
}

}  // namespace mirca
