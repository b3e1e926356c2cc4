// The panel's operations end to end over libusb and the emulated device: identification in both protocol
// generations, configuration, event log and firmware, and a device lost part-way through.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "base/failure.h"
#include "devlink/device.h"
#include "devlink/sleeper.h"
#include "devlink/table.h"
#include "eventlog/reader.h"
#include "tests/testfolder.h"
#include "tests/usbemu/usbrig.h"

namespace mirca {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using usbemu::TUsbRig;

sim::TPanelIdentity Framed(std::uint8_t major = 6) {
    sim::TPanelIdentity id;
    id.major = major;
    return id;
}

sim::TPanelIdentity Legacy(std::uint16_t type = 937, std::uint8_t code = 0x1F) {
    sim::TPanelIdentity id;
    id.framed = false;
    id.typeCode = type;
    id.legacyCode = code;
    id.major = 2;
    id.minor = 3;
    return id;
}

Bytes Pattern(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(seed + i * 31 + (i >> 8));
    return bytes;
}

// A rig whose pipe is open and whose device is connected in the given mode. The protocol's own waits pass
// in virtual time; the transfers' timeouts are real.
struct TConnected : TUsbRig {
    TConnected(sim::TPanelIdentity id, std::uint32_t mode = TZelmoDevice::kModeConfiguration)
        : TUsbRig(id), device(clock) {
        EXPECT_EQ(pipe.Open(), 1u);
        connected = device.Connect(&pipe, mode);
        EXPECT_TRUE(connected) << LastFailureText() << "\n" << Errors();
    }
    TVirtualClock clock;
    TZelmoDevice device;
    bool connected = false;
};

TEST(UsbPanel, IdentifiesBothGenerations) {
    struct TCase {
        const char* name;
        sim::TPanelIdentity id;
        bool framed;
        std::uint16_t type;
        std::uint8_t major;
    };
    const TCase cases[] = {
        {"framed panel", Framed(), true, 937, 6},
        {"legacy panel", Legacy(), false, 937, 2},
        {"legacy output module", Legacy(0x41, 0x41), false, 0x41, 2},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TConnected rig(c.id);
        ASSERT_TRUE(rig.connected);
        EXPECT_EQ(rig.device.Framed, c.framed);
        EXPECT_EQ(rig.device.TypeCode, c.type);
        EXPECT_EQ(rig.device.Major, c.major);
        EXPECT_TRUE(rig.errors.empty()) << rig.Errors();
    }
}

TEST(UsbPanel, SixteenKilobytesOfConfigurationGoOutAndComeBackInBothGenerations) {
    for (const sim::TPanelIdentity& id : {Framed(), Legacy()}) {
        SCOPED_TRACE(id.framed ? "framed" : "legacy");
        TConnected rig(id);
        ASSERT_TRUE(rig.connected);
        constexpr std::uint32_t kSize = 16 * 1024;
        constexpr std::uint32_t kAddress = 0x2000;
        const Bytes written = Pattern(kSize, 0x11);
        TZelmoTable out(TZelmoTable::kKindConfigWrite, kAddress, kSize);
        out.data = written;
        const std::size_t discardedBefore = rig.usb.Counters().discarded;
        ASSERT_TRUE(rig.device.WriteTable(out)) << LastFailureText();
        const Bytes stored = rig.usb.WithPanel([](sim::TSimPanel& panel) {
            return Bytes(panel.Memory().begin() + kAddress, panel.Memory().begin() + kAddress + kSize);
        });
        EXPECT_EQ(stored, written);

        rig.usb.WithPanel([](sim::TSimPanel& panel) {
            for (std::size_t i = 0; i < kSize; ++i)
                panel.Memory()[kAddress + i] ^= 0x5A;
        });
        TZelmoTable in(TZelmoTable::kKindConfigRead, kAddress, kSize);
        ASSERT_TRUE(rig.device.ReadTable(in)) << LastFailureText();
        Bytes expected = written;
        for (std::uint8_t& b : expected)
            b ^= 0x5A;
        ASSERT_GE(in.data.size(), kSize);  // a framed read fills whole blocks
        EXPECT_EQ(Bytes(in.data.begin(), in.data.begin() + kSize), expected);
        EXPECT_TRUE(rig.errors.empty()) << rig.Errors();
        EXPECT_EQ(rig.usb.Counters().discarded, discardedBefore) << "no transfer waited for its timeout";
    }
}

// The log's replies have lengths of their own; with or without zero-length packets after whole-packet
// replies, every one arrives.
TEST(UsbPanel, TheEventLogIsReadWhole) {
    struct TCase {
        const char* name;
        bool newFormat;
        bool zlp;
    };
    for (const TCase& c : {TCase{"new format", true, true}, TCase{"old format", false, true},
                           TCase{"new format, no zero-length packets", true, false}}) {
        SCOPED_TRACE(c.name);
        const bool newFormat = c.newFormat;
        TUsbRig rig(Framed(newFormat ? 6 : 1));
        rig.panel.SetEventLog({newFormat, 1400, 321, 7});
        rig.usb.SetZeroLengthPackets(c.zlp);
        ASSERT_EQ(rig.pipe.Open(), 1u);
        TEventLogReader reader(&rig.pipe);
        ASSERT_TRUE(reader.ReadIdentity()) << reader.LastError();
        ASSERT_TRUE(reader.ReadLog()) << reader.LastError();
        EXPECT_EQ(reader.EventCount(), 1400u);
        EXPECT_EQ(reader.logPosition(), 321u);
        const Bytes ring =
            rig.usb.WithPanel([](sim::TSimPanel& panel) { return panel.EventLogTables().front().data; });
        ASSERT_NE(reader.Table(TEventLogReader::kEvents), nullptr);
        EXPECT_EQ(reader.Table(TEventLogReader::kEvents)->data, ring);
        EXPECT_TRUE(rig.errors.empty()) << rig.Errors();
        EXPECT_EQ(rig.usb.Counters().discarded, 0u) << "no transfer waited for its timeout";
    }
}

// Unplugged part-way through a block: the reader's text says the device went, not only that the block
// was bad.
TEST(UsbPanel, AnEventLogReadCutByUnpluggingSaysSo) {
    TUsbRig rig(Framed(), 5000);
    rig.usb.WithPanel([](sim::TSimPanel& panel) { panel.LoseConnectionAfter(5000); });
    ASSERT_EQ(rig.pipe.Open(), 1u);
    TEventLogReader reader(&rig.pipe);
    const auto start = Clock::now();
    EXPECT_FALSE(reader.ReadIdentity() && reader.ReadLog());
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    EXPECT_NE(reader.LastError().find("the device disconnected"), std::string::npos) << reader.LastError();
}

class UsbFirmware : public TTestFolder {
protected:
    std::filesystem::path File(const Bytes& bytes) {
        const std::filesystem::path p = dir_ / "fw.tsk";
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return p;
    }
};

Bytes Image(Bytes head, std::size_t size) {
    head.resize(size);
    for (std::size_t i = 7; i < size; ++i)
        head[i] = static_cast<std::uint8_t>(i * 13 + 1);
    return head;
}

TEST_F(UsbFirmware, AFramedImageArrivesWhole) {
    TConnected rig(Framed(), TZelmoDevice::kModeFirmware);
    ASSERT_TRUE(rig.connected);
    const Bytes image = Image({0xA9, 0x03, 0x00, 0x64, 6, 5, 1}, 5000);
    ASSERT_TRUE(rig.device.LoadFirmware(File(image))) << LastFailureText();
    rig.usb.WithPanel([&image](sim::TSimPanel& panel) {
        EXPECT_TRUE(panel.FirmwareComplete());
        Bytes expected = image;
        expected.resize(panel.Firmware().size(), 0);  // padded to whole blocks
        EXPECT_EQ(panel.Firmware(), expected);
        EXPECT_GE(panel.Firmware().size(), image.size());
    });
}

TEST_F(UsbFirmware, ALegacyImageArrivesWithItsChecksum) {
    TConnected rig(Legacy(), TZelmoDevice::kModeFirmware);
    ASSERT_TRUE(rig.connected);
    Bytes image = Image({0x55, 0x55, 0x1F, 0x23, 0x01, 0x02, 0x03, 0x04}, 8 + 64 * 40 + 2);
    image[7] = 0x04;
    ASSERT_TRUE(rig.device.LoadFirmware(File(image))) << LastFailureText();
    rig.usb.WithPanel([&image](sim::TSimPanel& panel) {
        EXPECT_TRUE(panel.FirmwareComplete());
        EXPECT_EQ(panel.Firmware(), Bytes(image.begin() + 8, image.begin() + 8 + 64 * 40));
    });
}

// The panel goes away part-way through a configuration read: the read fails soon, with the operation's
// failure record naming the disconnection, and nothing hangs.
TEST(UsbPanel, ADeviceLostDuringAReadFailsItWithADisconnection) {
    for (const sim::TPanelIdentity& id : {Framed(), Legacy()}) {
        SCOPED_TRACE(id.framed ? "framed" : "legacy");
        TConnected rig(id);
        ASSERT_TRUE(rig.connected);
        rig.pipe.SetTimeoutMs(5000);
        rig.usb.WithPanel([](sim::TSimPanel& panel) { panel.LoseConnectionAfter(3000); });
        TZelmoTable table(TZelmoTable::kKindConfigRead, 0, 16 * 1024);
        const auto start = Clock::now();
        EXPECT_FALSE(rig.device.ReadTable(table));
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        EXPECT_LT(ms, 2000) << "failed at once, not after the transfer timeout";
        const std::string text = FailureText(LastFailure());
        EXPECT_NE(text.find("the device disconnected"), std::string::npos) << text;
        EXPECT_FALSE(rig.errors.empty());
        // Later requests fail at once as well.
        const auto again = Clock::now();
        EXPECT_FALSE(rig.device.ReadTable(table));
        EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - again).count(), 2000);
    }
}

}  // namespace
}  // namespace mirca
