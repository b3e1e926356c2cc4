// A whole configuration through the shipped Y-649 map: device -> file -> another device, byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include <unistd.h>

#include "memmap/files.h"
#include "memmap/memmap.h"
#include "sim/factoryimage.h"
#include "tests/devlink_rig.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
using namespace testing_rig;

const fs::path kMaps = fs::path(MIRCA_SOURCE_DIR) / "data" / "drv_base";

TEST(ConfigRoundTrip, ReadSaveLoadWriteLeavesTheSecondPanelIdentical) {
    const TZelmoDescriptor y649 = TZelmoDescriptor::Make(937, 0x6464, 6, 4, 0);
    auto map = OpenMapForDescriptor(kMaps, y649);
    ASSERT_TRUE(map) << "no shipped map for 937 'd' 6.4";

    // A configured panel: factory memory with every byte a block may read and write changed. The
    // descriptor names the configuration's kind and stays as it is.
    TRig source;
    sim::LoadFactoryMap(source.panel, *map);
    const TZelmoMemoryMapImage marks = map->BuildImage();
    const TConfigBlockBase& descriptor = map->ConfigBlock("descriptor");
    const auto movable = [&](std::size_t i) {
        const bool inDescriptor = i >= descriptor.Address && i < descriptor.Address + descriptor.Size;
        return !inDescriptor &&
               (marks.flags[i] & (kAccessRead | kAccessWrite)) == (kAccessRead | kAccessWrite);
    };
    std::mt19937 random(649);
    std::size_t changed = 0;
    for (std::size_t i = 0; i < marks.flags.size(); ++i) {
        if (movable(i)) {
            source.panel.Memory()[i] = static_cast<std::uint8_t>(random());
            ++changed;
        }
    }
    ASSERT_GT(changed, 1000u) << "the Y-649 map should carry a real configuration";
    ASSERT_TRUE(source.device.Connect(&source.port, 2));
    TZelmoMemoryMapImage& image = map->BuildImage();
    ASSERT_TRUE(image.ReadReadable(source.device));
    ASSERT_TRUE(map->LoadFromImage(image));

    const fs::path file =
        fs::temp_directory_path() / ("mirca-roundtrip-" + std::to_string(getpid()) + ".ycfg");
    ASSERT_TRUE(SaveToFile(map->BuildImage(), file, 0));
    TZelmoMemoryMapImage loaded;
    ASSERT_TRUE(LoadFromFile(loaded, file, 0));
    fs::remove(file);
    EXPECT_EQ(loaded.descriptor, map->Image().descriptor);
    EXPECT_EQ(loaded.descriptor.Major(), 6);

    // Into a factory-fresh panel of the same kind, through a map opened for the file's descriptor.
    auto target = OpenMapForDescriptor(kMaps, loaded.descriptor);
    ASSERT_TRUE(target);
    ASSERT_TRUE(target->LoadFromImage(loaded));
    TRig fresh;
    sim::LoadFactoryMap(fresh.panel, *target);
    ASSERT_TRUE(fresh.device.Connect(&fresh.port, 2));
    ASSERT_TRUE(target->BuildImage().WriteWritable(fresh.device));

    for (std::size_t i = 0; i < marks.flags.size(); ++i) {
        if (!movable(i)) continue;
        ASSERT_EQ(fresh.panel.Memory()[i], source.panel.Memory()[i]) << "byte " << i;
    }
}

}  // namespace
}  // namespace mirca
