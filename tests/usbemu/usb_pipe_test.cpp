// The pipe's libusb backend against emulated devices: opening, transfers, packets and their ends, stalls,
// timeouts and unplugging.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "base/failure.h"
#include "devlink/device.h"
#include "devlink/frames.h"
#include "devlink/panellink.h"
#include "devlink/usbpipe.h"
#include "tests/usbemu/usbemu.h"
#include "tests/usbemu/usbrig.h"

namespace mirca {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using usbemu::TUsbRig;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

Bytes Pattern(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    return bytes;
}

// The framed identification request, which every framed panel answers.
const Bytes kIdentify = frames::IdentifyRequest();

TEST(UsbOpen, OnePanelIsOpenedAndClaimedAndReleasedOnClose) {
    TUsbRig rig;
    ASSERT_EQ(rig.pipe.Open(), 1u);
    ASSERT_TRUE(rig.pipe.IsOpen()) << rig.Errors();
    TZelmoDevice device;
    ASSERT_TRUE(device.Connect(&rig.pipe, TZelmoDevice::kModeConfiguration)) << LastFailureText();
    rig.pipe.Close();
    const usbemu::TDeviceCounters counters = rig.usb.Counters();
    EXPECT_EQ(counters.opens, 1u);
    EXPECT_EQ(counters.claims, 1u);
    EXPECT_EQ(counters.releases, 1u);
    EXPECT_GE(counters.submitted, 2u);
    EXPECT_TRUE(rig.errors.empty()) << rig.Errors();
}

// Only devices of the list count: none or two of them open nothing, a foreign device beside one is ignored.
TEST(UsbOpen, OnlyExactlyOneListedPanelIsOpened) {
    constexpr std::uint16_t kForeign = 0x1234;
    struct TCase {
        const char* name;
        std::vector<std::uint16_t> products;
        TLinkOutcome outcome;
        const char* text;
    };
    const TCase cases[] = {
        {"none", {}, TLinkOutcome::NoDevice, "no device found"},
        {"two",
         {usbemu::kPanelPid, usbemu::kPanelPid},
         TLinkOutcome::SeveralDevices,
         "2 devices found; attach only one panel"},
        {"a foreign device only", {kForeign}, TLinkOutcome::NoDevice, "no device found"},
        {"a panel beside a foreign device", {kForeign, usbemu::kPanelPid}, TLinkOutcome::Connected, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<sim::TSimPanel> panels(c.products.size());
        usbemu::TUsbTestbed bed;
        std::vector<usbemu::TEmulatedDevice*> devices;
        for (std::size_t i = 0; i < panels.size(); ++i)
            devices.push_back(&bed.AddPanel(panels[i], {usbemu::kPanelVid, c.products[i]}));
        std::vector<std::string> errors;
        auto pipe = std::make_unique<TAtmUsbPipe>();
        usbemu::ConfigureForUsb(*pipe, errors, 300);
        TAtmUsbPipe& port = *pipe;
        TPanelLink link(std::move(pipe));
        EXPECT_EQ(link.Open(TZelmoDevice::kModeConfiguration), c.outcome);
        const bool connected = c.outcome == TLinkOutcome::Connected;
        EXPECT_EQ(port.IsOpen(), connected);
        if (!connected) {
            EXPECT_NE(LastFailureText().find(c.text), std::string::npos) << LastFailureText();
        }
        for (std::size_t i = 0; i < devices.size(); ++i) {
            const bool opened = connected && c.products[i] == usbemu::kPanelPid;
            EXPECT_EQ(devices[i]->Counters().opens, opened ? 1u : 0u) << "device " << i;
        }
        EXPECT_TRUE(errors.empty()) << errors.front();
    }
}

TEST(UsbOpen, APermissionErrorNamesTheUdevRule) {
    sim::TSimPanel panel;
    usbemu::TUsbTestbed bed;
    usbemu::TEmulatedDevice& usb = bed.AddPanel(panel);
    usb.DenyAccess();
    std::vector<std::string> errors;
    auto pipe = std::make_unique<TAtmUsbPipe>();
    usbemu::ConfigureForUsb(*pipe, errors, 300);
    TPanelLink link(std::move(pipe));
    {
        const usbemu::TWithoutFileOverride asUser;
        EXPECT_EQ(link.Open(TZelmoDevice::kModeConfiguration), TLinkOutcome::NotOpened);
    }
    EXPECT_FALSE(link.Port().IsOpen());
    // The summary the user gets says what to do, not only that opening failed.
    EXPECT_NE(LastFailureText().find("could not be opened"), std::string::npos) << LastFailureText();
    EXPECT_NE(LastFailureText().find("70-mirca-y.rules"), std::string::npos) << LastFailureText();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("Access denied"), std::string::npos) << errors[0];
    EXPECT_NE(errors[0].find("70-mirca-y.rules"), std::string::npos) << errors[0];
    EXPECT_EQ(usb.Counters().opens, 0u);
}

TEST(UsbOpen, ADeviceGoneBetweenEnumerationAndOpenIsReportedAsUnplugged) {
    TUsbRig rig;
    rig.usb.RemoveNode();
    const auto start = Clock::now();
    EXPECT_EQ(rig.pipe.Open(), 1u);
    EXPECT_LT(MsSince(start), 1000);
    EXPECT_FALSE(rig.pipe.IsOpen());
    ASSERT_EQ(rig.errors.size(), 1u);
    EXPECT_NE(rig.errors[0].find("The panel was unplugged"), std::string::npos) << rig.errors[0];
}

// A halted endpoint fails the transfer, and the pipe clears the halt so the next transfer goes through; the
// stalled IN transfer took nothing, so the reply is still there to read.
TEST(UsbTransfer, AStallOnEitherEndpointFailsOneTransferAndIsCleared) {
    for (const std::uint8_t endpoint : {usbemu::kOutEndpoint, usbemu::kInEndpoint}) {
        SCOPED_TRACE(static_cast<int>(endpoint));
        TUsbRig rig;
        ASSERT_EQ(rig.pipe.Open(), 1u);
        rig.usb.Halt(endpoint);
        const bool out = endpoint == usbemu::kOutEndpoint;
        EXPECT_EQ(rig.pipe.Write(kIdentify.data(), static_cast<std::uint32_t>(kIdentify.size())), !out);
        Bytes reply(11);
        if (out) {
            EXPECT_EQ(rig.pipe.LastWritten(), 0u);
            EXPECT_NE(rig.Errors().find("stalled the pipe (endpoint 0x01)"), std::string::npos)
                << rig.Errors();
            EXPECT_TRUE(rig.pipe.Write(kIdentify.data(), static_cast<std::uint32_t>(kIdentify.size())));
        } else {
            EXPECT_FALSE(rig.pipe.Read(reply.data(), 11));
            EXPECT_EQ(rig.pipe.LastRead(), 0u);
            EXPECT_NE(rig.Errors().find("stalled the pipe (endpoint 0x82)"), std::string::npos)
                << rig.Errors();
        }
        EXPECT_EQ(rig.usb.Counters().clearHalts, 1u);
        ASSERT_TRUE(rig.pipe.Read(reply.data(), 11));
        EXPECT_EQ(reply[0], 0xAA);
        EXPECT_EQ(reply[1], 0x80);
        EXPECT_EQ(rig.errors.size(), 1u) << rig.Errors();
    }
}

// A reply of whole packets ends with a zero-length packet, or, from a device that sends none, when the host's
// transfer times out; either way the bytes that came are delivered once.
TEST(UsbTransfer, AReplyOfWholePacketsEndsAtItsZeroLengthPacketOrAtTheTimeout) {
    for (const bool zlp : {true, false}) {
        SCOPED_TRACE(zlp ? "with a zero-length packet" : "without");
        TUsbRig rig({}, 400);
        ASSERT_EQ(rig.pipe.Open(), 1u);
        rig.usb.SetZeroLengthPackets(zlp);
        const Bytes reply = Pattern(128, 1);
        rig.usb.QueueReply(reply);
        Bytes got(200);
        const auto start = Clock::now();
        EXPECT_FALSE(rig.pipe.Read(got.data(), 200));
        const long long ms = MsSince(start);
        ASSERT_EQ(rig.pipe.LastRead(), 128u);
        EXPECT_EQ(Bytes(got.begin(), got.begin() + 128), reply);
        if (zlp) {
            EXPECT_LT(ms, 200);
            EXPECT_EQ(rig.usb.Counters().discarded, 0u);
            EXPECT_EQ(rig.usb.Counters().zeroLength, 1u);
        } else {
            EXPECT_GE(ms, 400);
            EXPECT_LT(ms, 1400);
            EXPECT_EQ(rig.usb.Counters().discarded, 1u);
        }
        // Nothing of the first reply comes again, nothing of the next is lost.
        const Bytes next = Pattern(10, 99);
        rig.usb.QueueReply(next);
        Bytes after(10);
        ASSERT_TRUE(rig.pipe.Read(after.data(), 10));
        EXPECT_EQ(after, next);
        EXPECT_TRUE(rig.errors.empty()) << rig.Errors();
    }
}

// A read of exactly a whole-packet reply ends when its buffer is full; the zero-length packet that follows
// belongs to that reply and must not pass for the next one.
TEST(UsbTransfer, TheZeroLengthPacketAfterAnExactReadIsNoReply) {
    TUsbRig rig;
    ASSERT_EQ(rig.pipe.Open(), 1u);
    const Bytes first = Pattern(64, 3);
    rig.usb.QueueReply(first);
    Bytes got(64);
    ASSERT_TRUE(rig.pipe.Read(got.data(), 64));
    EXPECT_EQ(got, first);
    const Bytes second = Pattern(5, 40);
    rig.usb.QueueReply(second);
    Bytes next(5);
    ASSERT_TRUE(rig.pipe.Read(next.data(), 5)) << rig.Errors();
    EXPECT_EQ(next, second);
    EXPECT_EQ(rig.usb.Counters().zeroLength, 1u);
}

// A transfer that times out part-way keeps what came; the byte-wise reads of the protocol take the rest
// from the queue without another transfer.
TEST(UsbTransfer, PartOfAReplyThatCameBeforeTheTimeoutIsKept) {
    TUsbRig rig({}, 300);
    ASSERT_EQ(rig.pipe.Open(), 1u);
    rig.usb.SetZeroLengthPackets(false);
    const Bytes reply = Pattern(192, 5);
    rig.usb.QueueReply(reply);
    Bytes got(300);
    EXPECT_FALSE(rig.pipe.Read(got.data(), 300));
    EXPECT_EQ(rig.pipe.LastRead(), 192u);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 192), reply);
    EXPECT_EQ(rig.usb.Counters().discarded, 1u);
}

TEST(UsbTransfer, UnpluggingDuringAPendingReadEndsItAtOnce) {
    TUsbRig rig({}, 5000);
    ASSERT_EQ(rig.pipe.Open(), 1u);
    rig.usb.WithPanel([](sim::TSimPanel& panel) { panel.InjectFault({sim::TFaultKind::NoReply}); });
    ASSERT_TRUE(rig.pipe.Write(kIdentify.data(), static_cast<std::uint32_t>(kIdentify.size())));
    std::thread unplug([&rig] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        rig.usb.Unplug();
    });
    Bytes reply(11);
    const auto start = Clock::now();
    EXPECT_FALSE(rig.pipe.Read(reply.data(), 11));
    unplug.join();
    EXPECT_LT(MsSince(start), 2000);
    EXPECT_NE(rig.Errors().find("the device disconnected"), std::string::npos) << rig.Errors();
    EXPECT_NE(LastFailure().system.find("the device disconnected"), std::string::npos);
    // Every later transfer fails at once too.
    const auto again = Clock::now();
    EXPECT_FALSE(rig.pipe.Write(kIdentify.data(), static_cast<std::uint32_t>(kIdentify.size())));
    EXPECT_LT(MsSince(again), 1000);
}

// The engineer starts the program, then plugs the panel in: the pipe keeps its libusb context between
// attempts, and the next attempt must still find the newcomer.
TEST(UsbOpen, APanelPluggedInAfterAFailedAttemptIsFound) {
    sim::TSimPanel panel;
    usbemu::TUsbTestbed bed;
    std::vector<std::string> errors;
    TAtmUsbPipe pipe;
    usbemu::ConfigureForUsb(pipe, errors, 300);
    EXPECT_EQ(pipe.Open(), 0u);
    usbemu::TEmulatedDevice& usb = bed.AddPanel(panel);
    unsigned found = 0;
    for (int attempt = 0; attempt < 20 && found == 0; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        found = pipe.Open();
    }
    ASSERT_EQ(found, 1u);
    EXPECT_TRUE(pipe.IsOpen()) << errors.size();
    EXPECT_EQ(usb.Counters().claims, 1u);
}

TEST(UsbOpen, AnInterfaceHeldByAnotherProgramIsNamedAsSuch) {
    TUsbRig rig;
    rig.usb.RefuseClaim(EBUSY);
    EXPECT_EQ(rig.pipe.Open(), 1u);
    EXPECT_FALSE(rig.pipe.IsOpen());
    ASSERT_EQ(rig.errors.size(), 1u);
    EXPECT_NE(rig.errors[0].find("Cannot claim interface 0"), std::string::npos) << rig.errors[0];
    EXPECT_NE(rig.errors[0].find("Another program holds the panel's interface"), std::string::npos)
        << rig.errors[0];
    // Once the other program lets go, the next attempt opens it.
    rig.usb.RefuseClaim(0);
    EXPECT_EQ(rig.pipe.Open(), 1u);
    EXPECT_TRUE(rig.pipe.IsOpen());
}

// A device that takes no data: the write ends at its timeout, counts nothing as sent, and the pipe still
// works once the device takes data again.
TEST(UsbTransfer, AWriteTheDeviceDoesNotTakeEndsAtTheTimeout) {
    TUsbRig rig({}, 300);
    ASSERT_EQ(rig.pipe.Open(), 1u);
    rig.usb.HoldOut(true);
    ClearFailure();
    const auto start = Clock::now();
    EXPECT_FALSE(rig.pipe.Write(kIdentify.data(), static_cast<std::uint32_t>(kIdentify.size())));
    const long long ms = MsSince(start);
    EXPECT_GE(ms, 300);
    EXPECT_LT(ms, 1300);
    EXPECT_EQ(rig.pipe.LastWritten(), 0u);
    EXPECT_EQ(rig.usb.Counters().discarded, 1u);
    EXPECT_NE(LastFailure().system.find("not taken within 300 ms"), std::string::npos)
        << LastFailure().system;
    rig.usb.HoldOut(false);
    rig.usb.WithPanel([](sim::TSimPanel& panel) { EXPECT_TRUE(panel.BytesFromHost().empty()); });
    TZelmoDevice device;
    EXPECT_TRUE(device.Connect(&rig.pipe, TZelmoDevice::kModeConfiguration)) << LastFailureText();
}

// Unplugged and plugged in again: the next attempt no longer finds the old device, then finds the new one.
TEST(UsbOpen, APanelPluggedOutAndInAgainIsFoundAfresh) {
    sim::TSimPanel first;
    sim::TSimPanel second;
    usbemu::TUsbTestbed bed;
    usbemu::TEmulatedDevice& old = bed.AddPanel(first);
    std::vector<std::string> errors;
    TAtmUsbPipe pipe;
    usbemu::ConfigureForUsb(pipe, errors, 300);
    ASSERT_EQ(pipe.Open(), 1u);
    TZelmoDevice device;
    ASSERT_TRUE(device.Connect(&pipe, TZelmoDevice::kModeConfiguration));
    old.Remove();
    EXPECT_FALSE(device.Identify());
    unsigned found = 1;
    for (int attempt = 0; attempt < 20 && found != 0; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        found = pipe.Open();
    }
    EXPECT_EQ(found, 0u);
    usbemu::TEmulatedDevice& again = bed.AddPanel(second);
    for (int attempt = 0; attempt < 20 && found == 0; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        found = pipe.Open();
    }
    ASSERT_EQ(found, 1u);
    ASSERT_TRUE(pipe.IsOpen());
    EXPECT_TRUE(device.Connect(&pipe, TZelmoDevice::kModeConfiguration)) << LastFailureText();
    EXPECT_EQ(again.Counters().claims, 1u);
}

}  // namespace
}  // namespace mirca
