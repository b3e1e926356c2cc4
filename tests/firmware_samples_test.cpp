// The sample firmware files beside the program: each is listed for the device it is made for and taken by
// the simulated device, which then reports the file's version.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "base/failure.h"
#include "firmware/filelist.h"
#include "tests/devlink_rig.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
using testing_rig::LegacyPanel;
using testing_rig::TRig;

const fs::path kSamples = fs::path(MIRCA_BIN_DIR) / "base";

sim::TPanelIdentity Framed(std::uint16_t type, std::uint8_t major, std::uint8_t minor) {
    sim::TPanelIdentity id;
    id.typeCode = type;
    id.major = major;
    id.minor = minor;
    return id;
}

TEST(FirmwareSamples, EachIsListedForItsDeviceAndTaken) {
    struct TCase {
        const char* file;
        sim::TPanelIdentity device;
        bool listed;  // listed for the connected device (type 18 is listed only when the window opens)
        int major, minor;
    } cases[] = {
        {"937_test_sys1_v1_2_0.tsk", Framed(937, 1, 0), true, 1, 2},
        {"937_test_sys3_v3_1_0.tsk", Framed(937, 3, 0), true, 3, 1},
        {"937_test_sys5_v5_0_0.tsk", Framed(937, 5, 0), true, 5, 0},
        {"Y-PCN_test_v6_3_5.tsk", Framed(937, 6, 4), true, 6, 3},
        {"Y-PCN_test_v6_4_12.tsk", Framed(937, 6, 3), true, 6, 4},
        {"18_test_rpu_v2_4_1.tsk", Framed(18, 2, 3), false, 2, 4},
        {"test_y-uop_40_v1_3.tsk", LegacyPanel(0x40, 1, 0), true, 1, 3},
        {"test_y-uoo_41_v1_2.tsk", LegacyPanel(0x41, 1, 0), true, 1, 2},
        {"test_y-uop_42_v3_1.tsk", LegacyPanel(0x42, 3, 0), true, 3, 1},
        {"test_y-uoo_43_v3_0.tsk", LegacyPanel(0x43, 2, 9), true, 3, 0},
        {"test_y-uop_40_framed_v1_6.tsk", LegacyPanel(0x40, 1, 0), true, 1, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const fs::path file = kSamples / c.file;
        ASSERT_TRUE(fs::is_regular_file(file)) << "the build writes the samples into " << kSamples;
        TRig rig(c.device);
        ASSERT_TRUE(rig.device.Connect(&rig.port, TZelmoDevice::kModeFirmware)) << LastFailureText();
        if (c.listed) {
            const auto mask = DeviceMask(rig.device.TypeCode, rig.device.Major);
            ASSERT_TRUE(mask);
            bool found = false;
            for (const auto& row : ListFirmwareFiles(kSamples, *mask, rig.device))
                found |= row.name == c.file;
            EXPECT_TRUE(found) << "not listed under " << *mask;
        }
        ASSERT_TRUE(rig.device.LoadFirmware(file)) << LastFailureText();
        rig.device.Disconnect();
        rig.panel.ResetLink();
        ASSERT_TRUE(rig.device.Connect(&rig.port, TZelmoDevice::kModeConfiguration));
        EXPECT_EQ(rig.device.Major, c.major);
        EXPECT_EQ(rig.device.Minor, c.minor);
    }
}

// A user finds every sample through the list's masks, and no name hides that it is a test image.
TEST(FirmwareSamples, EveryFileIsMarkedAsATestAndFoundByAMask) {
    std::vector<std::string> masks = OpeningMasks();
    for (const auto& [type, major] : {std::pair{937, 6}, {0x40, 0}, {0x41, 0}})
        masks.push_back(
            DeviceMask(static_cast<std::uint16_t>(type), static_cast<std::uint8_t>(major)).value());
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(kSamples)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file() || name == ".samples") continue;
        ++files;
        SCOPED_TRACE(name);
        EXPECT_NE(name.find("test"), std::string::npos);
        EXPECT_TRUE(std::any_of(masks.begin(), masks.end(),
                                [&name](const std::string& mask) { return MatchesMask(name, mask); }));
    }
    EXPECT_GE(files, 12u);
}

TEST(FirmwareSamples, TheSoundFileTakesItsVersionFromItsName) {
    const auto row = FirmwareFileRow(kSamples / "937_test_sound_1_2.bin.tsk", 937);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->version, "1.2");
}

}  // namespace
}  // namespace mirca
