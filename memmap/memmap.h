#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/xmlfile.h"
#include "memmap/block.h"
#include "memmap/descriptor.h"
#include "memmap/image.h"

namespace mirca {

// A map file that cannot be used. what() names the file and, where there is one, the line, column and
// block: "FILE:LINE:COLUMN: message".
class TMapError : public TXmlError {
public:
    using TXmlError::TXmlError;
};

// The parsed map of a device's configuration memory: named, typed blocks and the image they fill.
class TZelmoMemoryMap {
public:
    // Parses the map file; throws TMapError (with the fixed texts for an unknown class or factory type).
    explicit TZelmoMemoryMap(const std::filesystem::path& file);

    TConfigBlockBase& ConfigBlock(const std::string& name);
    TConfigBlockBase& ConfigBlock(std::size_t index);
    // The block by name as its record type; throws when the block's record is another type.
    template <typename T>
    TConfigBlock<T>& Block(const std::string& blockName) {
        auto* typed = dynamic_cast<TConfigBlock<T>*>(&ConfigBlock(blockName));
        if (!typed) throw std::logic_error("block \"" + blockName + "\" has another record type");
        return *typed;
    }
    std::size_t BlockCount() const { return blocks_.size(); }

    bool GetDescriptor(TZelmoDescriptor& out) const;
    std::uint16_t EditionWord() const;
    int SystemNumber() const;
    TZelmoMemoryMapImage& BuildImage();
    bool LoadFromImage(const TZelmoMemoryMapImage& image);
    // The same for values that do not come from the device (a file applied to a panel's configuration):
    // every block whose value changes is marked Modified, and earlier marks stay.
    bool LoadFromImageMarkingChanges(const TZelmoMemoryMapImage& image);
    void ApplyFactoryValues();
    bool AnyModified() const;
    void SetAllModified(bool value);

    TZelmoMemoryMapImage& Image() { return image_; }
    int LookupCache() const { return cache_; }

    std::string fwver;
    std::string devprefix;
    std::uint32_t size = 0;
    int devtype = 0;
    std::filesystem::path file;

private:
    const TConfigBlockBase* Descriptor() const;

    std::vector<std::unique_ptr<TConfigBlockBase>> blocks_;
    int cache_ = -1;
    TZelmoMemoryMapImage image_;
};

// The candidate map file name for a descriptor ("937_d_6_4.xml", ...); empty for types without maps.
std::string MapFileName(const TZelmoDescriptor& d);
// The map file that serves the descriptor, chosen through maplist.xml in the map folder; null when none.
std::unique_ptr<TZelmoMemoryMap> OpenMapForDescriptor(const std::filesystem::path& mapFolder,
                                                      const TZelmoDescriptor& d);
// What the map folder holds for a descriptor, never throwing. A device the list names no map for is not
// supported; a map the list names but that is missing or broken, or a list that cannot be read, is a fault of
// the installation that the user is told about, with the file.
struct TMapLookup {
    enum class TStatus { Found, NotListed, Missing, Broken, ListBroken };
    TStatus status = TStatus::NotListed;
    std::unique_ptr<TZelmoMemoryMap> map;  // Found only
    std::filesystem::path file;            // the map file the list names, or the list itself (ListBroken)
    std::string why;                       // for the user, naming the file; empty when Found
    std::string detail;                    // the parser's words for Broken and ListBroken
};
TMapLookup LookUpMap(const std::filesystem::path& mapFolder, const TZelmoDescriptor& d);
// LookUpMap's map, or null with its reason in `why`.
std::unique_ptr<TZelmoMemoryMap> OpenMapForDescriptor(const std::filesystem::path& mapFolder,
                                                      const TZelmoDescriptor& d, std::string& why);
// The map file name the map list chooses for the descriptor; empty when it names none.
std::string ChooseMapFile(const std::filesystem::path& mapFolder, const TZelmoDescriptor& d);
std::unique_ptr<TZelmoMemoryMap> OpenMapFile(const std::filesystem::path& path);
std::string LastMapName(const std::filesystem::path& mapFolder, const TZelmoDescriptor& d);
bool AreMapsCompatible(const std::filesystem::path& mapFolder, const TZelmoDescriptor& device,
                       const TZelmoDescriptor& file);

}  // namespace mirca
