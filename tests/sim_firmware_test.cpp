// The simulated panel as a firmware loader: it takes an image made for it and reports its version from then
// on, refuses one that is not, and loses the link mid-image when told to.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "base/failure.h"
#include "tests/devlink_rig.h"
#include "tests/firmware_images.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
using testing_rig::Bytes;
using testing_rig::LegacyPanel;
using testing_rig::TRig;

class SimFirmware : public TTestFolder {
protected:
    // Writes the image through a firmware connection; true when the panel acknowledged it.
    bool Load(TRig& rig, const Bytes& image) {
        WriteBytes(dir_ / "image.tsk", image);
        if (!rig.device.Connect(&rig.port, TZelmoDevice::kModeFirmware)) return false;
        const bool ok = rig.device.LoadFirmware(dir_ / "image.tsk");
        rig.device.Disconnect();
        return ok;
    }
    // What the panel says it is on the next connection.
    static sim::TPanelIdentity Identified(TRig& rig) {
        rig.panel.ResetLink();
        EXPECT_TRUE(rig.device.Connect(&rig.port, TZelmoDevice::kModeConfiguration));
        sim::TPanelIdentity id;
        id.typeCode = rig.device.TypeCode;
        id.edition = rig.device.Edition;
        id.major = rig.device.Major;
        id.minor = rig.device.Minor;
        id.build = rig.device.Build;
        return id;
    }
};

TEST_F(SimFirmware, FramedPanelTakesOnlyAnImageOfItsTypeAndFamily) {
    Bytes otherType = testing_firmware::PanelImage(6, 5, 1);
    otherType[0] = 18;
    otherType[1] = 0;
    struct TCase {
        const char* what;
        Bytes image;
        bool taken;
        int major, minor, build;
        std::size_t arrived;  // what the panel received, padded to blocks
    } cases[] = {
        {"minor update", testing_firmware::PanelImage(6, 5, 1), true, 6, 5, 1, 1008},
        {"system 5 on a system-6 panel", testing_firmware::PanelImage(5, 0, 3, 600), true, 5, 0, 3, 756},
        {"another family", testing_firmware::PanelImage(1, 2, 0), false, 6, 4, 9, 1008},
        {"another type: the host never sends it", otherType, false, 6, 4, 9, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TRig rig;  // type 937, system 6.4.9
        EXPECT_EQ(Load(rig, c.image), c.taken) << LastFailureText();
        EXPECT_EQ(rig.panel.FirmwareComplete(), c.taken);
        EXPECT_EQ(rig.panel.Firmware().size(), c.arrived);
        const sim::TPanelIdentity id = Identified(rig);
        EXPECT_EQ(id.major, c.major);
        EXPECT_EQ(id.minor, c.minor);
        EXPECT_EQ(id.build, c.build);
    }
}

TEST_F(SimFirmware, LegacyDevicesReportTheVersionOfTheirOpeningFrame) {
    // A 0x5555 image for the older panel (frame: 55 55 code version ...), and an output module's image
    // (type, 0, ..., major, minor, a 32-bit value, data).
    Bytes panelImage(8 + 64 * 3 + 2, 0x3C);
    const Bytes frame = {0x55, 0x55, 0x1F, 27, 0x00, 0x00, 0x00, 0x00};
    std::copy(frame.begin(), frame.end(), panelImage.begin());
    Bytes moduleImage(11 + 64 * 2, 0x4D);
    const Bytes head = {0x41, 0x00, 0, 0, 0, 1, 4, 1, 2, 3, 4};
    std::copy(head.begin(), head.end(), moduleImage.begin());
    struct TCase {
        const char* what;
        sim::TPanelIdentity panel;
        Bytes image;
        int major, minor;
    } cases[] = {
        {"older panel", LegacyPanel(0x1F, 2, 3), panelImage, 2, 7},
        {"output module 0x41", LegacyPanel(0x41, 1, 2), moduleImage, 1, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TRig rig(c.panel);
        EXPECT_TRUE(Load(rig, c.image)) << LastFailureText();
        EXPECT_TRUE(rig.panel.FirmwareComplete());
        const sim::TPanelIdentity id = Identified(rig);
        EXPECT_EQ(id.major, c.major);
        EXPECT_EQ(id.minor, c.minor);
    }
}

TEST_F(SimFirmware, LinkLostMidImageKeepsExactlyWhatArrived) {
    Bytes legacy(8 + 64 * 40 + 2, 0x3C);
    const Bytes frame = {0x55, 0x55, 0x1F, 27, 0x00, 0x00, 0x00, 0x00};
    std::copy(frame.begin(), frame.end(), legacy.begin());
    struct TCase {
        const char* what;
        sim::TPanelIdentity panel;
        Bytes image;
        std::size_t dropAfter, arrived;
    } cases[] = {
        {"framed", sim::TPanelIdentity{}, testing_firmware::PanelImage(6, 5, 1, 5000), 1000, 4 * 252},
        {"legacy", LegacyPanel(0x1F, 2, 3), legacy, 640, 640},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TRig rig(c.panel);
        rig.panel.LoseConnectionInFirmwareAfter(c.dropAfter);
        const double before = rig.clock.NowMs();
        EXPECT_FALSE(Load(rig, c.image));
        EXPECT_LT(rig.clock.NowMs() - before, 30000.0) << "the host gives up in bounded time";
        EXPECT_FALSE(rig.panel.LinkUp());
        EXPECT_FALSE(rig.panel.FirmwareComplete());
        ASSERT_EQ(rig.panel.Firmware().size(), c.arrived);
        const std::size_t start = c.panel.framed ? 0 : 8;
        EXPECT_TRUE(
            std::equal(rig.panel.Firmware().begin(), rig.panel.Firmware().end(), c.image.begin() + start));
        // Plugged in again, the panel still runs its old firmware.
        rig.panel.Replug();
        EXPECT_EQ(Identified(rig).major, c.panel.major);
    }
}

}  // namespace
}  // namespace mirca
