#pragma once

// An emulated USB bus for tests of the libusb path: umockdev serves a device node and its usbdevfs ioctls,
// and each emulated device answers its bulk URBs from a simulated panel. Programs using it run under
// umockdev-wrapper, which routes /sys and /dev of this process into the testbed.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/panel.h"

namespace mirca::usbemu {

inline constexpr std::uint16_t kPanelVid = 0x03EB;
inline constexpr std::uint16_t kPanelPid = 0x2404;
inline constexpr std::uint8_t kOutEndpoint = 0x01;
inline constexpr std::uint8_t kInEndpoint = 0x82;
inline constexpr std::size_t kPacketSize = 64;

// True when this process runs under umockdev-wrapper.
bool InMockEnvironment();

// What the device saw of the host, for tests to check.
struct TDeviceCounters {
    std::size_t submitted = 0;   // URBs the host submitted on the bulk endpoints
    std::size_t discarded = 0;   // of those, cancelled by the host while pending (its timeouts)
    std::size_t zeroLength = 0;  // zero-length packets the device sent
    std::size_t clearHalts = 0;  // CLEAR_HALT requests
    std::size_t claims = 0;      // interfaces claimed
    std::size_t releases = 0;    // interfaces released
    std::size_t opens = 0;       // GET_CAPABILITIES, which libusb asks once per open
};

class TUsbTestbed;

// One device on its own bus. Every method is safe while the host is inside libusb: the URBs are served on
// umockdev's thread under this device's lock.
class TEmulatedDevice {
public:
    ~TEmulatedDevice();
    TEmulatedDevice(const TEmulatedDevice&) = delete;
    TEmulatedDevice& operator=(const TEmulatedDevice&) = delete;

    // A reply whose length is a multiple of the packet size is ended by a zero-length packet (default on);
    // without it the host's transfer stays pending until its timeout.
    void SetZeroLengthPackets(bool on);
    // The endpoint answers every URB with a stall until the host clears the halt.
    void Halt(std::uint8_t endpoint);
    // The device is gone: pending URBs end with ESHUTDOWN, every later request fails with ENODEV.
    void Unplug();
    // Unplugged and off the bus: the next enumeration no longer lists it.
    void Remove();
    // While held, the device takes no OUT data: OUT URBs stay pending until the host's timeout discards
    // them; released, the pending ones go to the panel.
    void HoldOut(bool hold);
    // Claiming the interface fails with this errno (EBUSY: another program holds it); 0 accepts again.
    void RefuseClaim(int error);
    // The device node disappears while the bus still lists the device, as between enumeration and open.
    void RemoveNode();
    // The device node refuses every user without the right to override file permissions (mode 0000).
    void DenyAccess();
    // Queues bytes as one reply of the device, as if the panel had sent them.
    void QueueReply(std::vector<std::uint8_t> reply);

    TDeviceCounters Counters() const;
    const std::string& NodePath() const { return nodePath_; }

    // Runs f on the panel under the device's lock.
    template <typename F>
    auto WithPanel(F&& f) {
        const std::lock_guard lock(mutex_);
        return f(panel_);
    }

    struct Impl;  // the ioctl side, in usbemu.cpp

private:
    friend class TUsbTestbed;
    TEmulatedDevice(sim::TSimPanel& panel, std::string nodePath);

    sim::TSimPanel& panel_;
    std::string nodePath_;
    mutable std::mutex mutex_;
    std::unique_ptr<Impl> impl_;
    std::function<void()> remove_;  // takes the device off the testbed's bus
};

struct TDeviceSetup {
    std::uint16_t vid = kPanelVid;
    std::uint16_t pid = kPanelPid;
};

// While alive, the calling thread may not override file permissions, as a user without root may not; the
// rest of the process keeps its rights. Does nothing for a process without them.
class TWithoutFileOverride {
public:
    TWithoutFileOverride();
    ~TWithoutFileOverride();
    TWithoutFileOverride(const TWithoutFileOverride&) = delete;
    TWithoutFileOverride& operator=(const TWithoutFileOverride&) = delete;

private:
    std::uint32_t saved_[2] = {0, 0};
    bool changed_ = false;
};

// The umockdev testbed: sysfs, device nodes and ioctl handlers live as long as this object.
class TUsbTestbed {
public:
    // Who uses the bus: this process (which must run under umockdev-wrapper), or only child processes
    // started with ChildEnvironment().
    enum class TUsers { ThisProcess, Children };
    // Throws std::runtime_error when this process should use the bus but is not under umockdev-wrapper.
    explicit TUsbTestbed(TUsers users = TUsers::ThisProcess);
    ~TUsbTestbed();
    TUsbTestbed(const TUsbTestbed&) = delete;
    TUsbTestbed& operator=(const TUsbTestbed&) = delete;

    // A device on the next bus, serving `panel`, which must outlive the testbed. Add devices before the
    // first libusb context is made: libusb learns of later ones only through hotplug events.
    TEmulatedDevice& AddPanel(sim::TSimPanel& panel, TDeviceSetup setup = {});

    // "NAME=VALUE" settings under which a child process sees this bus: the preload library and the
    // testbed's folder.
    std::vector<std::string> ChildEnvironment() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace mirca::usbemu
