// "NAME=VALUE" assignments come from the command line and from scripts that edit configurations: one line of
// the input is one assignment, applied to a real map's configuration as `config set` applies it, then judged
// by the editor's rules. Either every assignment lands and only the named blocks' bytes change, or nothing
// changes at all.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/catalogue.h"
#include "editor/settingsrules.h"
#include "memmap/configtext.h"
#include "memmap/memmap.h"
#include "memmap/records.h"

namespace {

constexpr std::size_t kMaxAssignments = 64;

struct TSetup {
    std::unique_ptr<mirca::TZelmoMemoryMap> map;
    mirca::TZelmoMemoryMapImage factory;
};

TSetup& Setup() {
    static TSetup setup = [] {
        const std::string folder = MIRCA_FUZZ_DATA_DIR;
        TSetup s;
        s.map = std::make_unique<mirca::TZelmoMemoryMap>(folder + "/937_d_6_4.xml");
        s.map->BuildImage();
        s.map->ApplyFactoryValues();
        s.factory = s.map->BuildImage();
        mirca::Catalogue().LoadCatalogue(folder + "/Messages.xml", "EN", "");
        return s;
    }();
    return setup;
}

std::vector<std::string> Lines(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> lines;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    while (!text.empty() && lines.size() < kMaxAssignments) {
        const std::size_t end = text.find('\n');
        lines.emplace_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TSetup& setup = Setup();
    mirca::TZelmoMemoryMap& map = *setup.map;
    if (!map.LoadFromImage(setup.factory)) std::abort();
    mirca::TZelmoMemoryMapImage image = setup.factory;
    const std::vector<std::string> assignments = Lines(data, size);

    if (!mirca::ApplyAssignments(map, image, assignments)) {
        // Refused: neither the image nor the map's blocks moved.
        if (image.data != setup.factory.data || map.BuildImage().data != setup.factory.data) std::abort();
        return 0;
    }

    std::vector<std::string> names;
    std::vector<bool> named(image.data.size(), false);
    for (const std::string& assignment : assignments) {
        names.emplace_back(mirca::AssignmentName(assignment));
        mirca::TConfigBlockBase* block = mirca::FindBlock(map, names.back());
        if (block == nullptr) std::abort();
        // The image holds the block's new value, and its text reads back to the same bytes.
        if (std::uint64_t{block->Address} + block->Size > image.data.size()) std::abort();
        if (block->Size != 0 &&
            std::memcmp(&image.data[block->Address], block->ValueBytes(), block->Size) != 0)
            std::abort();
        std::vector<std::uint8_t> bytes;
        if (!mirca::ParseValueText(*block, mirca::ValueText(*block), bytes) ||
            !std::equal(bytes.begin(), bytes.end(), block->ValueBytes()) || bytes.size() != block->Size)
            std::abort();
        // A password that lands is a digit string.
        if (block->ClassName == "TZelmoPassword" && block->Size == mirca::TZelmoPassword::kMaxLength) {
            mirca::TZelmoPassword password;
            std::copy_n(block->ValueBytes(), block->Size, password.bytes.begin());
            if (!password.NonDigitPositions().empty()) std::abort();
        }
        std::fill_n(named.begin() + block->Address, block->Size, true);
    }
    for (std::size_t i = 0; i < image.data.size(); ++i) {
        if (!named[i] && image.data[i] != setup.factory.data[i]) std::abort();
    }
    (void)mirca::SettingsRuleProblem(map, names);
    return 0;
}
