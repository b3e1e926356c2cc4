// Firmware files: which ones suit a device, and how each kind reaches it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <vector>

#include <unistd.h>

#include "base/failure.h"
#include "tests/devlink_rig.h"
#include "tests/hexdump.h"
#include "tests/testfolder.h"

namespace mirca {
namespace {

using namespace testing_rig;
namespace fs = std::filesystem;

class FirmwareTest : public TTestFolder {
protected:
    fs::path File(const Bytes& bytes, const std::string& name = "fw.tsk") {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return p;
    }
};

sim::TPanelIdentity Panel(bool framed, std::uint16_t type, std::uint8_t major) {
    sim::TPanelIdentity id;
    id.framed = framed;
    id.typeCode = type;
    id.major = major;
    id.minor = 1;
    id.legacyCode = (type >= 0x40 && type <= 0x43) ? static_cast<std::uint8_t>(type) : 0x1F;
    return id;
}

Bytes Image(Bytes head, std::size_t size) {
    head.resize(size);
    for (std::size_t i = 7; i < size; ++i)
        head[i] = static_cast<std::uint8_t>(i * 13 + 1);
    return head;
}

struct Rig : TConnectedRig {
    Rig(sim::TPanelIdentity id, std::uint32_t mode) : TConnectedRig(id, mode) { EXPECT_TRUE(connected); }
};

struct CompatCase {
    const char* name;
    bool framed;
    std::uint16_t type;
    std::uint8_t major;
    std::uint32_t mode;
    Bytes head;
    bool compatible;
};

TEST_F(FirmwareTest, CompatibilityFollowsKindTypeModeAndMajorFamily) {
    const CompatCase cases[] = {
        {"937 major 5 takes major 6", true, 937, 5, 0, {0xA9, 0x03, 0x65, 0x64, 6, 0, 0}, true},
        {"937 major 5 refuses major 2", true, 937, 5, 0, {0xA9, 0x03, 0x65, 0x64, 2, 0, 0}, false},
        {"937 major 1 takes major 2", true, 937, 1, 2, {0xA9, 0x03, 0, 0x64, 2, 0, 0}, true},
        {"937 major 2 refuses major 3", true, 937, 2, 0, {0xA9, 0x03, 0, 0x64, 3, 0, 0}, false},
        {"937 major 4 takes nothing", true, 937, 4, 0, {0xA9, 0x03, 0, 0x64, 4, 0, 0}, false},
        {"other type", true, 937, 6, 0, {0x12, 0x00, 0, 0x64, 6, 0, 0}, false},
        {"type 18 major 3", true, 18, 3, 0, {0x12, 0x00, 0, 0x64, 5, 0, 0}, true},
        {"framed refuses 0x5555", true, 937, 6, 0, {0x55, 0x55, 0x1F, 0, 0, 0, 0}, false},
        {"framed refuses module image", true, 0x41, 6, 0, {0x41, 0x00, 0, 0, 0, 0, 0}, false},
        {"module 0x41 mode 0", false, 0x41, 1, 0, {0x41, 0x00, 0, 0, 0, 1, 2}, true},
        {"module 0x41 mode 2", false, 0x41, 1, 2, {0x41, 0x00, 0, 0, 0, 1, 2}, false},
        {"module image of another module", false, 0x41, 1, 0, {0x42, 0x00, 0, 0, 0, 1, 2}, false},
        // The device code in byte 2 is compared with the whole type code: a type-937 panel never matches.
        {"legacy panel 0x5555", false, 937, 2, 0, {0x55, 0x55, 0x1F, 0, 0, 0, 0}, false},
        {"legacy module 0x5555 code matches", false, 0x43, 2, 0, {0x55, 0x55, 0x43, 0, 0, 0, 0}, true},
        {"legacy module 0x5555 in mode 2", false, 0x43, 2, 2, {0x55, 0x55, 0x43, 0, 0, 0, 0}, false},
        {"legacy never takes a framed image", false, 937, 2, 0, {0xA9, 0x03, 0, 0x64, 2, 0, 0}, false},
        {"file shorter than a header", true, 937, 6, 0, {0xA9, 0x03, 0, 0x64}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(Panel(c.framed, c.type, c.major), c.mode);
        EXPECT_EQ(rig.device.IsFirmwareCompatible(File(c.head)), c.compatible);
        EXPECT_TRUE(rig.panel.BytesFromHost().empty()) << "checking sends nothing";
    }
    Rig rig(Panel(true, 937, 6), 0);
    EXPECT_FALSE(rig.device.IsFirmwareCompatible(dir_ / "missing.tsk"));
    rig.device.Disconnect();
    try {
        rig.device.IsFirmwareCompatible(File({0xA9, 0x03, 0, 0x64, 6, 0, 0}));
        ADD_FAILURE() << "no exception";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "IsFirmwareCompatible: device must be connected");
    }
}

TEST_F(FirmwareTest, AdoptFirmwareVersionTakesTheFilesVersion) {
    Rig rig(Panel(true, 937, 6), 0);
    rig.device.Minor = 1;
    rig.device.Build = 1;
    EXPECT_FALSE(rig.device.AdoptFirmwareVersion(File({0xA9, 0x03, 0, 0x64, 6, 7, 8})));
    EXPECT_EQ(rig.device.Major, 6);
    EXPECT_EQ(rig.device.Minor, 7);
    EXPECT_EQ(rig.device.Build, 8);
    EXPECT_TRUE(rig.device.AdoptFirmwareVersion(File({0xA9, 0x03, 0, 0x64, 5, 2, 3})));
    EXPECT_EQ(rig.device.Major, 5);
    // Another type's image or a module leaves the identity alone.
    EXPECT_FALSE(rig.device.AdoptFirmwareVersion(File({0x12, 0x00, 0, 0x64, 1, 1, 1})));
    EXPECT_EQ(rig.device.Major, 5);
    Rig module(Panel(false, 0x41, 1), 0);
    EXPECT_FALSE(module.device.AdoptFirmwareVersion(File({0x41, 0x00, 0, 0, 9, 9, 9})));
    EXPECT_EQ(module.device.Major, 1);
    module.device.Disconnect();
    EXPECT_FALSE(module.device.AdoptFirmwareVersion(File({0x41, 0x00, 0, 0, 9, 9, 9})));
}

TEST_F(FirmwareTest, FramedImageGoesOutInPaddedBlocksAfterWriteMode) {
    Rig rig(Panel(true, 937, 6), 0);
    const Bytes image = Image({0xA9, 0x03, 0x00, 0x64, 6, 5, 1}, 1000);
    ASSERT_TRUE(rig.device.LoadFirmware(File(image)));
    EXPECT_EQ(rig.panel.ModeChanges(), Bytes{4});
    Bytes expected = image;
    expected.resize(1008, 0);
    EXPECT_EQ(rig.panel.Firmware(), expected) << HexDiff(rig.panel.Firmware(), expected);
    Bytes start{0x55, 0x00, 0x00, 0x54, 0x0C, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    le::Append16(start, Crc16Arc(start.data(), start.size()));
    const Bytes sent = rig.panel.BytesFromHost();
    EXPECT_TRUE(std::search(sent.begin(), sent.end(), start.begin(), start.end()) != sent.end())
        << "start request with block field 5 and kind 0";
    EXPECT_EQ(rig.panel.FramedRequests(0x54), 5u);
}

struct LegacyImageCase {
    const char* name;
    std::uint16_t type;
    Bytes file;
    Bytes frame;
    std::size_t dataStart;
    std::size_t blocks;
};

TEST_F(FirmwareTest, LegacyImagesOpenWithTheirFrameAndCloseWithTheRunningCrc) {
    Bytes panelImage = Image({0x55, 0x55, 0x1F, 0x23, 0x01, 0x02, 0x03, 0x04}, 8 + 64 * 3 + 2);
    panelImage[7] = 0x04;
    Bytes module = Image({0x41, 0x00, 0, 0, 0, 2, 7}, 11 + 64 * 2);
    module[7] = 0x11;
    module[8] = 0x22;
    module[9] = 0x33;
    module[10] = 0x44;
    // A module image whose size less ten is a whole number of blocks: the last block would end one byte
    // past the file, so it is not sent.
    Bytes moduleEdge = module;
    moduleEdge.resize(10 + 64 * 2);
    const LegacyImageCase cases[] = {
        {"panel image", 937, panelImage, Bytes(panelImage.begin(), panelImage.begin() + 8), 8, 3},
        {"module image", 0x41, module, {0x55, 0x55, 0x41, 27, 0x44, 0x33, 0x22, 0x11}, 11, 2},
        {"module image at the edge", 0x41, moduleEdge, {0x55, 0x55, 0x41, 27, 0x44, 0x33, 0x22, 0x11}, 11, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(Panel(false, c.type, 2), 0);
        ASSERT_TRUE(rig.device.LoadFirmware(File(c.file)));
        ASSERT_TRUE(rig.panel.LegacyFirmwareFrame().has_value());
        EXPECT_EQ(*rig.panel.LegacyFirmwareFrame(), c.frame);
        const Bytes data(c.file.begin() + c.dataStart, c.file.begin() + c.dataStart + 64 * c.blocks);
        EXPECT_EQ(rig.panel.Firmware(), data);
        EXPECT_EQ(rig.panel.WritesOfSize(64), c.blocks);
    }
}

TEST_F(FirmwareTest, BadFilesAreRefusedBeforeAnythingIsSent) {
    struct {
        const char* name;
        bool framed;
        std::uint16_t type;
        Bytes file;
        const char* text;  // what the failure record says
    } cases[] = {
        {"empty", true, 937, {}, "firmware file: expected a header of 7 bytes, received 0 bytes"},
        {"shorter than the header",
         true,
         937,
         {0xA9, 0x03, 0, 0x64},
         "firmware file: expected a header of 7 bytes, received 4 bytes"},
        {"another device's image", true, 937, Image({0x12, 0x00, 0, 0x64, 6, 0, 0}, 600),
         "firmware file: expected an image of type 937, received type 18"},
        {"legacy image to a framed panel", true, 937, Image({0x55, 0x55, 0x1F, 0, 0, 0, 0}, 600),
         "received type 21845"},
        {"legacy image under ten bytes",
         false,
         937,
         {0x55, 0x55, 0x1F, 0, 0, 0, 0, 0, 0},
         "legacy firmware image: expected at least 10 bytes, received 9 bytes"},
        {"module image under eleven bytes",
         false,
         0x41,
         {0x41, 0x00, 0, 0, 0, 1, 2, 3, 4, 5},
         "legacy firmware image: expected a legacy image header, received first bytes 41 00 00"},
        {"unknown kind to a legacy panel", false, 937, Image({0xA9, 0x03, 0, 0x64, 2, 0, 0}, 600),
         "legacy firmware image: expected a legacy image header, received first bytes A9 03"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(Panel(c.framed, c.type, 2), 0);
        EXPECT_FALSE(rig.device.LoadFirmware(File(c.file)));
        EXPECT_NE(LastFailureText().find(c.text), std::string::npos) << LastFailureText();
        EXPECT_TRUE(rig.panel.BytesFromHost().empty()) << Hex(rig.panel.BytesFromHost());
    }
    Rig rig(Panel(true, 937, 6), 0);
    EXPECT_FALSE(rig.device.LoadFirmware(dir_ / "missing.tsk"));
    EXPECT_NE(LastFailureText().find("missing.tsk"), std::string::npos) << LastFailureText();
    // Only a firmware connection loads firmware.
    Rig config(Panel(true, 937, 6), 2);
    EXPECT_FALSE(config.device.LoadFirmware(File(Image({0xA9, 0x03, 0, 0x64, 6, 0, 0}, 600))));
    EXPECT_NE(LastFailureText().find("firmware: expected a firmware connection, received mode 2"),
              std::string::npos)
        << LastFailureText();
    EXPECT_TRUE(config.panel.BytesFromHost().empty());
}

TEST_F(FirmwareTest, DeviceFaultsDuringTransferFail) {
    using K = sim::TFaultKind;
    using R = sim::TReplyKind;
    struct {
        bool framed;
        sim::TFault fault;
        const char* text;  // what the failure record says
    } cases[] = {
        {true,
         {K::NonZeroStatus, R::WriteBlock, 2},
         "block 3 status: expected status 00, received status 01"},
        {true, {K::NoReply, R::WriteStart, 0}, "block-write start reply: expected 4 bytes, received 0 bytes"},
        {true, {K::WrongStartByte, R::SetMode, 0}, "set mode 4 reply: expected start byte AA"},
        {false,
         {K::NonZeroStatus, R::LegacyFirmware, 0},
         "firmware result: expected status 00, received status 01"},
        {false, {K::ShortReply, R::LegacyFirmware, 0}, "firmware result: expected 8 bytes, received 7 bytes"},
        {false, {K::BadCrc, R::LegacyFirmware, 0}, "firmware result: expected CRC 0x"},
    };
    for (const auto& c : cases) {
        Rig rig(Panel(c.framed, 937, 2), 0);
        rig.panel.InjectFault(c.fault);
        const double start = rig.clock.NowMs();
        const Bytes file = c.framed ? Image({0xA9, 0x03, 0, 0x64, 2, 0, 0}, 2000)
                                    : Image({0x55, 0x55, 0x1F, 0x23, 0, 0, 0, 0}, 8 + 64 * 10 + 2);
        EXPECT_FALSE(rig.device.LoadFirmware(File(file)));
        EXPECT_NE(LastFailureText().find(c.text), std::string::npos) << LastFailureText();
        EXPECT_LE(rig.clock.NowMs() - start, 2000 + 200);
    }
}

// The in-process port with a read timeout that the test can watch: the timeout in force at every Read.
class TTimedPort final : public TPort {
public:
    TTimedPort(sim::TSimPanel& panel, TVirtualClock& clock) : inner_(panel, &clock) {}
    unsigned Open() override { return inner_.Open(); }
    bool Read(std::uint8_t* b, std::uint32_t n) override {
        reads.push_back(timeout_);
        return inner_.Read(b, n);
    }
    bool Write(const std::uint8_t* b, std::uint32_t n) override { return inner_.Write(b, n); }
    void Flush() override { inner_.Flush(); }
    void Close() override { inner_.Close(); }
    std::uint32_t LastRead() const override { return inner_.LastRead(); }
    unsigned ReadTimeoutMs() const override { return timeout_; }
    void SetReadTimeoutMs(unsigned ms) override { timeout_ = ms; }

    std::vector<unsigned> reads;

private:
    sim::TSimPort inner_;
    unsigned timeout_ = 2000;
};

// Only the reply to the switch into the firmware write (the panel erases its flash first) and a legacy
// transfer's result (the device checks the image first) may come late; every other read keeps the short
// timeout, and the short one is back afterwards, also when the late reply never comes.
TEST_F(FirmwareTest, OnlyTheSlowFirmwareStepsWaitLonger) {
    const Bytes framed = Image({0xA9, 0x03, 0x64, 0x64, 6, 5, 1}, 1000);
    const Bytes module = Image({0x41, 0x00, 0, 0, 0, 2, 7}, 11 + 64 * 2);
    struct TCase {
        const char* what;
        sim::TPanelIdentity panel;
        Bytes image;
        std::optional<sim::TFault> fault;
        unsigned longWait;
        std::size_t longReads;  // the reply's bytes, read one at a time
    } cases[] = {
        {"framed", Panel(true, 937, 6), framed, std::nullopt, TZelmoDevice::kFirmwareModeSwitchTimeoutMs, 14},
        {"framed, no answer to the switch", Panel(true, 937, 6), framed,
         sim::TFault{sim::TFaultKind::NoReply, sim::TReplyKind::SetMode, 0},
         TZelmoDevice::kFirmwareModeSwitchTimeoutMs, 1},
        {"legacy module", Panel(false, 0x41, 2), module, std::nullopt,
         TZelmoDevice::kLegacyFirmwareResultTimeoutMs, 8},
        {"legacy module, no result", Panel(false, 0x41, 2), module,
         sim::TFault{sim::TFaultKind::NoReply, sim::TReplyKind::LegacyFirmware, 0},
         TZelmoDevice::kLegacyFirmwareResultTimeoutMs, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sim::TSimPanel panel(c.panel);
        TVirtualClock clock;
        TTimedPort port(panel, clock);
        TZelmoDevice device(clock);
        ASSERT_TRUE(device.Connect(&port, TZelmoDevice::kModeFirmware));
        port.reads.clear();
        if (c.fault) panel.InjectFault(*c.fault);
        EXPECT_EQ(device.LoadFirmware(File(c.image)), !c.fault);
        const auto longReads = std::count(port.reads.begin(), port.reads.end(), c.longWait);
        const auto shortReads = std::count(port.reads.begin(), port.reads.end(), 2000u);
        EXPECT_EQ(static_cast<std::size_t>(longReads), c.longReads);
        EXPECT_EQ(static_cast<std::size_t>(longReads + shortReads), port.reads.size());
        EXPECT_EQ(port.ReadTimeoutMs(), 2000u);
    }
}

}  // namespace
}  // namespace mirca
