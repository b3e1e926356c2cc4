// The simulated panel as a firmware loader: it takes an image made for it and reports its version from then
// on, refuses one that is not, and loses the link mid-image when told to.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "base/failure.h"
#include "devlink/progress.h"
#include "tests/devlink_rig.h"
#include "tests/firmware_images.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

namespace fs = std::filesystem;
using testing_rig::Bytes;
using testing_rig::LegacyPanel;
using testing_rig::TRig;

// A legacy image with its own opening frame: 0x55 0x55, the device code, the version as major * 10 + minor,
// four more bytes, then whole blocks and two spare bytes.
Bytes LegacyImage(std::uint8_t code, std::uint8_t version, std::size_t blocks) {
    Bytes image(8 + 64 * blocks + 2);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 13 + 5);
    const Bytes frame = {0x55, 0x55, code, version, 0x00, 0x00, 0x00, 0x00};
    std::copy(frame.begin(), frame.end(), image.begin());
    return image;
}

// An output module's image: type, 0, three bytes, major, minor, a 32-bit value, then the blocks.
Bytes ModuleImage(std::uint8_t type, std::uint8_t major, std::uint8_t minor, std::size_t blocks) {
    Bytes image(11 + 64 * blocks);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 11 + 1);
    const Bytes head = {type, 0x00, 0, 0, 0, major, minor, 1, 2, 3, 4};
    std::copy(head.begin(), head.end(), image.begin());
    return image;
}

// A cable that flips one bit of the nth write of exactly `size` bytes on its way to the panel.
class TNoisyPort final : public TPort {
public:
    TNoisyPort(sim::TSimPanel& panel, TVirtualClock& clock, std::size_t size, std::size_t nth)
        : inner_(panel, &clock), size_(size), nth_(nth) {}
    unsigned Open() override { return inner_.Open(); }
    bool Read(std::uint8_t* b, std::uint32_t n) override { return inner_.Read(b, n); }
    bool Write(const std::uint8_t* b, std::uint32_t n) override {
        if (n != size_ || ++seen_ != nth_) return inner_.Write(b, n);
        Bytes spoilt(b, b + n);
        spoilt[n / 2] ^= 0x10;
        return inner_.Write(spoilt.data(), n);
    }
    void Flush() override { inner_.Flush(); }
    void Close() override { inner_.Close(); }
    std::uint32_t LastRead() const override { return inner_.LastRead(); }

private:
    sim::TSimPort inner_;
    std::size_t size_, nth_, seen_ = 0;
};

class SimFirmware : public TTestFolder {
protected:
    // Writes the image through a firmware connection; true when the panel acknowledged it.
    bool Load(TRig& rig, const Bytes& image) { return Load(rig, rig.port, image); }
    bool Load(TRig& rig, TPort& port, const Bytes& image) {
        WriteBytes(dir_ / "image.tsk", image);
        if (!rig.device.Connect(&port, TZelmoDevice::kModeFirmware)) return false;
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
    Bytes extended = testing_firmware::PanelImage(6, 4, 12);
    extended[2] = 'e';  // the edition word from bytes 2-3, low byte first: 0x6465, edition 'e'
    struct TCase {
        const char* what;
        Bytes image;
        bool taken;
        std::uint16_t edition;
        int major, minor, build;
        std::size_t arrived;  // what the panel received, padded to blocks
    } cases[] = {
        {"minor update", testing_firmware::PanelImage(6, 5, 1), true, 0x6464, 6, 5, 1, 1008},
        {"system 5 on a system-6 panel", testing_firmware::PanelImage(5, 0, 3, 600), true, 0x6464, 5, 0, 3,
         756},
        {"the edition of the image", extended, true, 0x6465, 6, 4, 12, 1008},
        {"another family", testing_firmware::PanelImage(1, 2, 0), false, 0x6464, 6, 4, 9, 1008},
        {"another type: the host never sends it", otherType, false, 0x6464, 6, 4, 9, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TRig rig;  // type 937, system 6.4.9
        EXPECT_EQ(Load(rig, c.image), c.taken) << LastFailureText();
        EXPECT_EQ(rig.panel.FirmwareComplete(), c.taken);
        EXPECT_EQ(rig.panel.Firmware().size(), c.arrived);
        const sim::TPanelIdentity id = Identified(rig);
        EXPECT_EQ(id.edition, c.edition);
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

// The cable comes out just as the last framed block is in: the loader has the whole image and takes it, but
// its acknowledgement never reaches the host. The host must not take its failure for the old firmware.
TEST_F(SimFirmware, LinkLostWithTheLastBlockStillLeavesTheNewFirmwareRunning) {
    TRig rig;  // type 937, system 6.4.9
    rig.panel.LoseConnectionInFirmwareAfter(4 * 252);
    EXPECT_FALSE(Load(rig, testing_firmware::PanelImage(6, 5, 1, 1000)));
    EXPECT_TRUE(rig.panel.FirmwareComplete());
    rig.panel.Replug();
    const sim::TPanelIdentity id = Identified(rig);
    EXPECT_EQ(id.minor, 5);
    EXPECT_EQ(id.build, 1);
}

// A legacy device looks at the whole image before it answers: one made for another device, or one whose
// checksum no longer matches, gets a non-zero result, and the device keeps its version.
TEST_F(SimFirmware, LegacyDevicesRefuseAnImageNotMadeForThemByTheirResult) {
    struct TCase {
        const char* what;
        sim::TPanelIdentity panel;
        Bytes image;
        std::size_t noisyBlock;  // 0: a clean cable, else the block whose bit flips
        std::size_t arrived;     // image bytes the device received
    } cases[] = {
        {"0x5555 image for the other panel code", LegacyPanel(0x1F, 2, 3), LegacyImage(0x0B, 27, 3), 0, 192},
        {"0x5555 image for an output module", LegacyPanel(0x1F, 2, 3), LegacyImage(0x41, 14, 2), 0, 128},
        {"module image of another type", LegacyPanel(0x40, 1, 2), ModuleImage(0x41, 1, 4, 3), 0, 192},
        {"module image spoilt on the way", LegacyPanel(0x41, 1, 2), ModuleImage(0x41, 1, 4, 3), 2, 192},
        {"0x5555 image spoilt on the way", LegacyPanel(0x1F, 2, 3), LegacyImage(0x1F, 27, 4), 4, 256},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TRig rig(c.panel);
        TNoisyPort noisy(rig.panel, rig.clock, 64, c.noisyBlock);
        EXPECT_FALSE(Load(rig, c.noisyBlock ? static_cast<TPort&>(noisy) : rig.port, c.image));
        EXPECT_EQ(LastFailure().step, "firmware result") << LastFailureText();
        EXPECT_EQ(LastFailure().received, "status 01") << "an answer, not silence: " << LastFailureText();
        EXPECT_FALSE(rig.panel.FirmwareComplete());
        EXPECT_EQ(rig.panel.Firmware().size(), c.arrived) << "the whole image went out before the result";
        const sim::TPanelIdentity id = Identified(rig);
        EXPECT_EQ(id.major, c.panel.major);
        EXPECT_EQ(id.minor, c.panel.minor);
    }
}

// Every progress step of a firmware write stands for one block the device has received, so a caller turns
// steps into bytes sent and the maximum into the bytes of the whole transfer.
TEST_F(SimFirmware, ProgressCountsTheBytesTheDeviceHasReceived) {
    class TBytesSeen final : public IProgress {
    public:
        explicit TBytesSeen(const sim::TSimPanel& panel) : panel_(panel) {}
        void SetMax(std::uint32_t max) override { this->max = max; }
        void Advance() override { arrived.push_back(panel_.Firmware().size()); }
        std::uint32_t max = 0;
        std::vector<std::size_t> arrived;  // what the device held at each step

    private:
        const sim::TSimPanel& panel_;
    };
    struct TCase {
        const char* what;
        sim::TPanelIdentity panel;
        Bytes image;
        std::uint32_t steps;
    } cases[] = {
        {"framed, padded to whole blocks", sim::TPanelIdentity{}, testing_firmware::PanelImage(6, 5, 1, 5000),
         20},
        {"output module", LegacyPanel(0x41, 1, 2), ModuleImage(0x41, 1, 4, 5), 5},
        {"0x5555 image", LegacyPanel(0x1F, 2, 3), LegacyImage(0x1F, 27, 7), 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TRig rig(c.panel);
        TBytesSeen progress(rig.panel);
        rig.device.Progress = &progress;
        ASSERT_TRUE(Load(rig, c.image)) << LastFailureText();
        const bool framed = c.panel.framed;
        EXPECT_EQ(progress.max, c.steps);
        EXPECT_EQ(FirmwareProgressBytes(progress.max, framed), rig.panel.Firmware().size());
        ASSERT_EQ(progress.arrived.size(), c.steps);
        for (std::uint32_t i = 0; i < c.steps; ++i)
            EXPECT_EQ(progress.arrived[i], FirmwareProgressBytes(i + 1, framed)) << "step " << i + 1;
    }
}

}  // namespace
}  // namespace mirca
