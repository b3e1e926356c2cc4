#include "tests/usbemu/usbemu.h"

#include <linux/capability.h>
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <set>
#include <stdexcept>

namespace mirca::usbemu {

namespace {

using Bytes = std::vector<std::uint8_t>;

// Device, configuration, interface and the two bulk endpoints, as the kernel exposes them in sysfs.
std::string DescriptorsHex(std::uint16_t vid, std::uint16_t pid) {
    char device[64];
    std::snprintf(device, sizeof device,
                  "12010002000000%02x%02x%02x%02x%02x0001000000"
                  "01",
                  static_cast<unsigned>(kPacketSize), vid & 0xFF, vid >> 8, pid & 0xFF, pid >> 8);
    char endpoints[64];
    std::snprintf(endpoints, sizeof endpoints,
                  "0705%02x02%02x0000"
                  "0705%02x02%02x0000",
                  kOutEndpoint, static_cast<unsigned>(kPacketSize), kInEndpoint,
                  static_cast<unsigned>(kPacketSize));
    return std::string(device) +
           "0902200001010080"
           "32" +
           "090400000"
           "2ff000000" +
           endpoints;
}

void Complete(UMockdevIoctlClient* client, long result, int error) {
    umockdev_ioctl_client_complete(client, result, error);
}

usbdevfs_urb& UrbOf(UMockdevIoctlData* data) {
    return *reinterpret_cast<usbdevfs_urb*>(data->data);
}

}  // namespace

bool InMockEnvironment() {
    // umockdev_in_mock_environment() of umockdev 0.17 answers false under the wrapper; its LD_PRELOAD is the
    // sign it sets.
    const char* preload = std::getenv("LD_PRELOAD");
    return preload != nullptr && std::strstr(preload, "libumockdev-preload.so") != nullptr;
}

struct TEmulatedDevice::Impl {
    struct TUrb {
        UMockdevIoctlData* urb = nullptr;     // our reference
        UMockdevIoctlData* buffer = nullptr;  // our reference; null for an empty URB
        int filled = 0;
    };

    explicit Impl(TEmulatedDevice& device) : owner(device), handler(umockdev_ioctl_base_new()) {
        g_signal_connect_after(handler, "handle-ioctl", G_CALLBACK(&Impl::OnIoctl), this);
    }
    ~Impl() {
        for (TUrb& u : pendingOut)
            Drop(u);
        for (TUrb& u : pendingIn)
            Drop(u);
        for (TUrb& u : done)
            Drop(u);
        g_object_unref(handler);
    }

    static void Drop(TUrb& u) {
        if (u.buffer != nullptr) g_object_unref(u.buffer);
        if (u.urb != nullptr) g_object_unref(u.urb);
        u = {};
    }

    static gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
        auto* impl = static_cast<Impl*>(self);
        const std::lock_guard lock(impl->owner.mutex_);
        impl->Handle(client);
        return TRUE;
    }

    void Handle(UMockdevIoctlClient* client) {
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        const unsigned long request = umockdev_ioctl_client_get_request(client);
        switch (request) {
            case USBDEVFS_GET_CAPABILITIES: {
                ++counters.opens;
                UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(std::uint32_t), nullptr);
                const std::uint32_t value = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                                            USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                            USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
                std::memcpy(caps->data, &value, sizeof value);
                g_object_unref(caps);
                return Complete(client, 0, 0);
            }
            case USBDEVFS_CLAIMINTERFACE:
            case USBDEVFS_DISCONNECT_CLAIM:
                if (gone) return Complete(client, -1, ENODEV);
                if (refuseClaim != 0) return Complete(client, -1, refuseClaim);
                ++counters.claims;
                return Complete(client, 0, 0);
            case USBDEVFS_RELEASEINTERFACE:
                if (gone) return Complete(client, -1, ENODEV);
                ++counters.releases;
                return Complete(client, 0, 0);
            case USBDEVFS_CLEAR_HALT: {
                if (gone) return Complete(client, -1, ENODEV);
                UMockdevIoctlData* ep = umockdev_ioctl_data_resolve(arg, 0, sizeof(unsigned), nullptr);
                unsigned endpoint = 0;
                std::memcpy(&endpoint, ep->data, sizeof endpoint);
                g_object_unref(ep);
                ++counters.clearHalts;
                halted.erase(static_cast<std::uint8_t>(endpoint));
                return Complete(client, 0, 0);
            }
            case USBDEVFS_SETINTERFACE:
            case USBDEVFS_RESETEP:
            case USBDEVFS_RESET:
                return Complete(client, gone ? -1 : 0, gone ? ENODEV : 0);
            case USBDEVFS_GETDRIVER:
            case USBDEVFS_IOCTL:  // (re)connecting a kernel driver: there is none
                return Complete(client, -1, gone ? ENODEV : ENODATA);
            case USBDEVFS_SUBMITURB:
                return Submit(client, arg);
            case USBDEVFS_REAPURB:
            case USBDEVFS_REAPURBNDELAY:
                return Reap(client, arg);
            case USBDEVFS_DISCARDURB:
                return Discard(client, arg);
            default:
                return Complete(client, -1, ENOTTY);
        }
    }

    void Submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
        if (gone) return Complete(client, -1, ENODEV);
        TUrb u;
        u.urb = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
        usbdevfs_urb& urb = UrbOf(u.urb);
        const bool out = urb.endpoint == kOutEndpoint;
        if (urb.type != USBDEVFS_URB_TYPE_BULK || (!out && urb.endpoint != kInEndpoint) ||
            urb.buffer_length < 0) {
            Drop(u);
            return Complete(client, -1, EINVAL);
        }
        if (urb.buffer_length > 0) {
            u.buffer = umockdev_ioctl_data_resolve(u.urb, offsetof(usbdevfs_urb, buffer),
                                                   static_cast<gsize>(urb.buffer_length), nullptr);
        }
        ++counters.submitted;
        urb.status = 0;
        urb.actual_length = 0;
        if (halted.contains(urb.endpoint)) {
            urb.status = -EPIPE;
            done.push_back(u);
        } else if (out && holdOut) {
            pendingOut.push_back(u);
        } else if (out) {
            Deliver(u);
        } else {
            pendingIn.push_back(u);
        }
        Fill();
        Complete(client, 0, 0);
    }

    // An OUT URB's bytes go to the panel; its replies queue up behind the earlier ones.
    void Deliver(TUrb u) {
        usbdevfs_urb& urb = UrbOf(u.urb);
        if (owner.panel_.Receive(u.buffer ? u.buffer->data : nullptr,
                                 static_cast<std::size_t>(urb.buffer_length))) {
            urb.actual_length = urb.buffer_length;
        } else {
            urb.status = -ESHUTDOWN;
        }
        done.push_back(u);
        TakeReplies();
    }

    void ReleaseOut() {
        holdOut = false;
        while (!pendingOut.empty()) {
            const TUrb u = pendingOut.front();
            pendingOut.pop_front();
            Deliver(u);
        }
        Fill();
    }

    void Reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
        if (done.empty()) return Complete(client, -1, gone ? ENODEV : EAGAIN);
        TUrb u = done.front();
        done.pop_front();
        UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
        umockdev_ioctl_data_set_ptr(slot, 0, u.urb);
        g_object_unref(slot);
        Complete(client, 0, 0);
        Drop(u);
    }

    void Discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
        gulong address = 0;
        std::memcpy(&address, arg->data, std::min<std::size_t>(sizeof address, arg->data_len));
        const auto matches = [address](const TUrb& u) { return u.urb->client_addr == address; };
        for (std::deque<TUrb>* pending : {&pendingIn, &pendingOut}) {
            const auto it = std::find_if(pending->begin(), pending->end(), matches);
            if (it == pending->end()) continue;
            ++counters.discarded;
            UrbOf(it->urb).status = -ENOENT;
            Finish(*pending, it);
            return Complete(client, 0, 0);
        }
        Complete(client, -1, EINVAL);
    }

    // Everything the panel has to send, in order.
    void TakeReplies() {
        while (auto reply = owner.panel_.TakeTransfer())
            QueueReply(*reply);
        // A panel that lost its link was unplugged while its last reply was on the way: what came of that
        // reply ends no transfer, and nothing follows it.
        if (!owner.panel_.LinkUp() && !cutMarked) {
            cutMarked = true;
            if (!packets.empty() && packets.back().bytes.empty()) packets.pop_back();
            if (!packets.empty()) packets.back().cut = true;
        }
    }

    // One reply cut into packets as the device's endpoint sends them.
    void QueueReply(const Bytes& reply) {
        for (std::size_t at = 0; at < reply.size(); at += kPacketSize) {
            const std::size_t n = std::min(kPacketSize, reply.size() - at);
            packets.push_back({Bytes(reply.begin() + static_cast<std::ptrdiff_t>(at),
                                     reply.begin() + static_cast<std::ptrdiff_t>(at + n))});
        }
        if (reply.size() % kPacketSize == 0 && (zeroLengthPackets || reply.empty())) packets.push_back({});
    }

    // Moves packets into the pending IN URBs; a URB ends when full or on a short packet, as on the bus.
    void Fill() {
        while (!pendingIn.empty()) {
            TUrb& u = pendingIn.front();
            usbdevfs_urb& urb = UrbOf(u.urb);
            bool ended = false;
            while (!ended && !packets.empty()) {
                const TPacket& packet = packets.front();
                const int size = static_cast<int>(packet.bytes.size());
                const int room = urb.buffer_length - u.filled;
                if (size > room) {
                    // Babble: the device sent more than the host asked for.
                    std::copy_n(packet.bytes.begin(), room, u.buffer->data + u.filled);
                    u.filled += room;
                    urb.status = -EOVERFLOW;
                    packets.pop_front();
                    ended = true;
                    break;
                }
                if (size > 0) std::copy(packet.bytes.begin(), packet.bytes.end(), u.buffer->data + u.filled);
                if (size == 0) ++counters.zeroLength;
                u.filled += size;
                ended =
                    (size < static_cast<int>(kPacketSize) && !packet.cut) || u.filled == urb.buffer_length;
                packets.pop_front();
            }
            if (!ended && packets.empty() && !owner.panel_.LinkUp()) {
                urb.status = -ESHUTDOWN;
                ended = true;
            }
            if (!ended) return;
            Finish(pendingIn, pendingIn.begin());
        }
    }

    void Finish(std::deque<TUrb>& pending, std::deque<TUrb>::iterator it) {
        UrbOf(it->urb).actual_length = it->filled;
        done.push_back(*it);
        pending.erase(it);
    }

    void Unplug() {
        gone = true;
        for (std::deque<TUrb>* pending : {&pendingIn, &pendingOut}) {
            while (!pending->empty()) {
                UrbOf(pending->front().urb).status = -ESHUTDOWN;
                Finish(*pending, pending->begin());
            }
        }
    }

    TEmulatedDevice& owner;
    UMockdevIoctlBase* handler;
    struct TPacket {
        Bytes bytes;
        bool cut = false;  // the device went while sending it
    };
    std::deque<TPacket> packets;
    bool cutMarked = false;
    std::deque<TUrb> pendingIn;
    std::deque<TUrb> pendingOut;  // while holdOut
    std::deque<TUrb> done;
    std::set<std::uint8_t> halted;
    bool zeroLengthPackets = true;
    bool holdOut = false;
    int refuseClaim = 0;
    bool gone = false;
    TDeviceCounters counters;
};

TEmulatedDevice::TEmulatedDevice(sim::TSimPanel& panel, std::string nodePath)
    : panel_(panel), nodePath_(std::move(nodePath)), impl_(std::make_unique<Impl>(*this)) {
    // Whole replies: the device cuts them into packets itself and knows where each ends.
    panel_.SetMaxPacket(std::numeric_limits<std::size_t>::max());
}

TEmulatedDevice::~TEmulatedDevice() = default;

void TEmulatedDevice::SetZeroLengthPackets(bool on) {
    const std::lock_guard lock(mutex_);
    impl_->zeroLengthPackets = on;
}

void TEmulatedDevice::Halt(std::uint8_t endpoint) {
    const std::lock_guard lock(mutex_);
    impl_->halted.insert(endpoint);
}

void TEmulatedDevice::Unplug() {
    const std::lock_guard lock(mutex_);
    impl_->Unplug();
}

void TEmulatedDevice::Remove() {
    Unplug();
    if (remove_) remove_();
}

void TEmulatedDevice::HoldOut(bool hold) {
    const std::lock_guard lock(mutex_);
    if (hold) {
        impl_->holdOut = true;
    } else {
        impl_->ReleaseOut();
    }
}

void TEmulatedDevice::RefuseClaim(int error) {
    const std::lock_guard lock(mutex_);
    impl_->refuseClaim = error;
}

void TEmulatedDevice::RemoveNode() {
    if (::unlink(nodePath_.c_str()) != 0) throw std::runtime_error("cannot remove " + nodePath_);
}

void TEmulatedDevice::DenyAccess() {
    if (::chmod(nodePath_.c_str(), 0) != 0) throw std::runtime_error("cannot chmod " + nodePath_);
}

void TEmulatedDevice::QueueReply(std::vector<std::uint8_t> reply) {
    const std::lock_guard lock(mutex_);
    impl_->QueueReply(reply);
    impl_->Fill();
}

TDeviceCounters TEmulatedDevice::Counters() const {
    const std::lock_guard lock(mutex_);
    return impl_->counters;
}

namespace {

constexpr std::uint32_t kFileOverrideCaps =
    (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);

bool Capabilities(__user_cap_data_struct (&data)[2], bool set) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    // The raw calls: they change only the calling thread, where libcap's would change them all.
    return ::syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

}  // namespace

TWithoutFileOverride::TWithoutFileOverride() {
    __user_cap_data_struct data[2]{};
    if (!Capabilities(data, false)) return;
    saved_[0] = data[0].effective;
    saved_[1] = data[1].effective;
    if ((data[0].effective & kFileOverrideCaps) == 0) return;
    data[0].effective &= ~kFileOverrideCaps;
    changed_ = Capabilities(data, true);
    if (!changed_) throw std::runtime_error("cannot drop the file override capabilities");
}

TWithoutFileOverride::~TWithoutFileOverride() {
    if (!changed_) return;
    __user_cap_data_struct data[2]{};
    if (!Capabilities(data, false)) return;
    data[0].effective = saved_[0];
    data[1].effective = saved_[1];
    Capabilities(data, true);
}

struct TUsbTestbed::Impl {
    UMockdevTestbed* testbed = nullptr;
    std::string root;
    std::vector<std::unique_ptr<TEmulatedDevice>> devices;
};

TUsbTestbed::TUsbTestbed(TUsers users) : impl_(std::make_unique<Impl>()) {
    if (users == TUsers::ThisProcess && !InMockEnvironment())
        throw std::runtime_error("the emulated USB bus needs umockdev-wrapper");
    impl_->testbed = umockdev_testbed_new();
    gchar* root = umockdev_testbed_get_root_dir(impl_->testbed);
    impl_->root = root;
    g_free(root);
}

TUsbTestbed::~TUsbTestbed() {
    // Stop serving before the handlers' state goes.
    for (const auto& device : impl_->devices) {
        const std::string node = device->NodePath().substr(impl_->root.size());
        umockdev_testbed_detach_ioctl(impl_->testbed, node.c_str(), nullptr);
    }
    g_object_unref(impl_->testbed);
    impl_->devices.clear();
}

std::vector<std::string> TUsbTestbed::ChildEnvironment() const {
    std::string preload = "LD_PRELOAD=libumockdev-preload.so.0";
    if (const char* more = std::getenv("LD_PRELOAD"); more != nullptr && *more != '\0')
        preload += std::string(":") + more;
    return {preload, "UMOCKDEV_DIR=" + impl_->root};
}

TEmulatedDevice& TUsbTestbed::AddPanel(sim::TSimPanel& panel, TDeviceSetup setup) {
    const unsigned bus = static_cast<unsigned>(impl_->devices.size()) + 1;
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/001", bus);
    impl_->devices.push_back(
        std::unique_ptr<TEmulatedDevice>(new TEmulatedDevice(panel, impl_->root + node)));
    TEmulatedDevice& device = *impl_->devices.back();
    UMockdevTestbed* testbed = impl_->testbed;
    device.remove_ = [testbed, bus] {
        const std::string syspath = "/sys/devices/usb" + std::to_string(bus);
        // The uevent tells libusb's hotplug monitor, as the kernel's would; removing alone does not.
        umockdev_testbed_uevent(testbed, syspath.c_str(), "remove");
        umockdev_testbed_remove_device(testbed, syspath.c_str());
    };

    GError* error = nullptr;
    // The handler goes first, so the device can be opened as soon as it appears.
    if (!umockdev_testbed_attach_ioctl(impl_->testbed, node, device.impl_->handler, &error)) {
        const std::string text = error ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error("cannot serve " + std::string(node) + ": " + text);
    }
    char description[1024];
    std::snprintf(description, sizeof description,
                  "P: /devices/usb%u\n"
                  "N: %s\n"
                  "E: SUBSYSTEM=usb\n"
                  "E: DRIVER=usb\n"
                  "E: BUSNUM=%03u\n"
                  "E: DEVNUM=001\n"
                  "E: DEVNAME=%s\n"
                  "E: DEVTYPE=usb_device\n"
                  "A: bConfigurationValue=1\\n\n"
                  "A: busnum=%u\\n\n"
                  "A: devnum=1\\n\n"
                  "A: speed=12\\n\n"
                  "H: descriptors=%s\n",
                  bus, node + std::strlen("/dev/"), bus, node, bus,
                  DescriptorsHex(setup.vid, setup.pid).c_str());
    if (!umockdev_testbed_add_from_string(impl_->testbed, description, &error)) {
        const std::string text = error ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error("cannot add the emulated device: " + text);
    }
    return device;
}

}  // namespace mirca::usbemu
