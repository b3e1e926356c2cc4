// The data files beside the program are edited by hand and copied between machines: whatever one holds, its
// loader gives what the program asks of it or a located TXmlError, and nothing it yields may lead the
// program astray (a tip naming a file outside the help folder, a catalogue text that reads a missing
// argument). The first byte chooses the kind of file, the rest is its text, loaded through the real path.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include "app/modedescription.h"
#include "base/catalogue.h"
#include "base/textformat.h"
#include "base/xmlfile.h"
#include "editor/menutree.h"
#include "fuzz/memfile.h"
#include "memmap/memmap.h"

namespace {

namespace fs = std::filesystem;
using mirca::TZelmoDescriptor;

// A map folder whose maplist.xml is the fuzzer's input: a link to the in-memory file.
const fs::path& MapFolder(const std::string& input) {
    static const fs::path folder = [&] {
        std::string path = (fs::temp_directory_path() / "mirca-datafile-fuzz-XXXXXX").string();
        if (::mkdtemp(path.data()) == nullptr) std::abort();
        fs::create_symlink(input, fs::path(path) / "maplist.xml");
        return fs::path(path);
    }();
    return folder;
}

void MapList(const std::string& input) {
    const fs::path& folder = MapFolder(input);
    const TZelmoDescriptor devices[] = {
        TZelmoDescriptor::Make(937, 0x6464, 1, 2, 0), TZelmoDescriptor::Make(937, 0x6464, 5, 0, 0),
        TZelmoDescriptor::Make(937, 0x6464, 6, 3, 0), TZelmoDescriptor::Make(937, 0x6464, 6, 4, 0),
        TZelmoDescriptor::Make(937, 0x0065, 6, 4, 0), TZelmoDescriptor::Make(18, 0x6464, 2, 3, 0),
        TZelmoDescriptor::Make(18, 0x6464, 2, 4, 0),  TZelmoDescriptor::Make(64, 0x6464, 0, 0, 0),
    };
    for (const TZelmoDescriptor& device : devices) {
        try {
            (void)mirca::OpenMapForDescriptor(folder, device);
        } catch (const mirca::TXmlError&) {
        }
        try {
            const std::string last = mirca::LastMapName(folder, device);
            if (last.find_first_of("/\\") != std::string::npos || last == "." || last == "..") std::abort();
        } catch (const mirca::TXmlError&) {
        }
    }
    // Configurations of one family: the same version, versions side by side, another edition.
    const std::pair<int, int> pairs[] = {{2, 3}, {3, 2}, {3, 4}, {5, 6}, {6, 6}};
    for (const auto& [device, file] : pairs) {
        try {
            (void)mirca::AreMapsCompatible(folder, devices[device], devices[file]);
        } catch (const mirca::TXmlError&) {
        }
    }
}

void Messages(const std::string& input) {
    for (const char* code : {"RU", "EN", "TR"}) {
        mirca::TCatalogue catalogue;
        try {
            catalogue.LoadCatalogue(input, code, "");
        } catch (const mirca::TXmlError&) {
            return;
        }
        // Every text is used as a format with some arguments or none.
        for (int n = 1; n <= mirca::TCatalogue::kSlots; ++n) {
            const std::string& text = catalogue.CatalogueText(n);
            if (text.empty()) continue;
            (void)mirca::FormatInt(text, -7);
            (void)mirca::FormatInts(text, {1, 22, 333});
            (void)mirca::FormatNone(text);
            (void)mirca::FormatTexts(text, {"one", "two"});
            if (mirca::Utf8Prefix(text, 12).size() > text.size()) std::abort();
        }
    }
}

void Menus(const std::string& input) {
    for (const char* name : {"Wait", "NoDevice", "Y-649", "Y-UOP"}) {
        for (const char* language : {"RU", "EN"}) {
            try {
                const mirca::TMenu menu = mirca::LoadMenu(input, name, language);
                (void)mirca::PageList(menu.nodes);
                for (const mirca::TMenuNode& node : menu.nodes)
                    (void)node.Caption("TR");
            } catch (const mirca::TXmlError&) {
            }
        }
    }
}

void Tips(const std::string& input) {
    try {
        const mirca::TTips tips = mirca::LoadTips(input);
        for (const auto& [key, file] : tips.Entries()) {
            // A tip never leads out of the help folder.
            if (!mirca::IsPlainFileName(file)) std::abort();
            const fs::path shown = tips.PathFor(key.first, key.second, "program");
            if (!shown.empty() && shown.parent_path() != fs::path("program") / "help") std::abort();
        }
    } catch (const mirca::TXmlError&) {
    }
}

void Modes(const std::string& input) {
    for (const char* key : {"FW_Update", "Panel_Config", "EventLog", ""}) {
        for (const char* language : {"RU", "EN", "TR", "DE"}) {
            try {
                (void)mirca::ReadShownModeDescription(input, key, language);
            } catch (const mirca::TXmlError&) {
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string input = mirca::fuzz::InputAsFile(data + 1, size - 1);
    switch (data[0] % 5) {
        case 0:
            MapList(input);
            break;
        case 1:
            Messages(input);
            break;
        case 2:
            Menus(input);
            break;
        case 3:
            Tips(input);
            break;
        default:
            Modes(input);
            break;
    }
    return 0;
}
