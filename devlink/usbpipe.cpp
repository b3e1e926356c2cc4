#include "devlink/usbpipe.h"

#include <libusb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "base/failure.h"
#include "base/fd.h"
#include "base/programdir.h"
#include "devlink/usbdevices.h"

namespace mirca {

class TAtmUsbPipe::Backend {
public:
    enum class TEnd { Done, Timeout, Failed };
    struct TTransfer {
        std::uint32_t count = 0;
        TEnd end = TEnd::Done;
        std::string error;
    };

    virtual ~Backend() = default;
    // One transfer of exactly `count` bytes.
    virtual TTransfer Send(const std::uint8_t* data, std::uint32_t count, unsigned timeoutMs) = 0;
    // One transfer meant to bring at least `want` bytes; what came stays in Received() until the next call.
    virtual TTransfer Receive(std::uint32_t want, unsigned timeoutMs) = 0;
    const std::uint8_t* Received() const { return rx_.data(); }

protected:
    static TTransfer Failed(std::uint32_t count, std::string error) {
        return {count, TEnd::Failed, std::move(error)};
    }

    std::vector<std::uint8_t> rx_;
};

class TAtmUsbPipe::UsbContext {
public:
    explicit UsbContext(libusb_context* context) : context_(context) {}
    ~UsbContext() { libusb_exit(context_); }
    UsbContext(const UsbContext&) = delete;
    UsbContext& operator=(const UsbContext&) = delete;
    libusb_context* Get() const { return context_; }

private:
    libusb_context* context_;
};

namespace {

using TTransfer = TAtmUsbPipe::Backend::TTransfer;
using TEnd = TAtmUsbPipe::Backend::TEnd;

std::string SystemText(int error) {
    return std::system_category().message(error);
}

class TDeadline {
public:
    explicit TDeadline(unsigned ms)
        : end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms)) {}
    bool Passed() const { return std::chrono::steady_clock::now() >= end_; }
    int RemainingMs() const {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(end_ - std::chrono::steady_clock::now());
        return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, INT_MAX));
    }

private:
    std::chrono::steady_clock::time_point end_;
};

// poll() for one descriptor until the deadline: the revents, 0 on timeout, -1 with errno on failure.
int WaitFor(int fd, short events, const TDeadline& deadline) {
    for (;;) {
        pollfd entry{fd, events, 0};
        const int rc = ::poll(&entry, 1, deadline.RemainingMs());
        if (rc > 0) return entry.revents;
        if (rc == 0) return 0;
        if (errno != EINTR) return -1;
    }
}

std::string DisconnectText(int error) {
    return "the device disconnected (" + SystemText(error) + ")";
}

// One SOCK_SEQPACKET packet stands for one USB transfer.
class TSocketBackend final : public TAtmUsbPipe::Backend {
public:
    explicit TSocketBackend(TUniqueFd fd) : fd_(std::move(fd)) { rx_.resize(kMaxTransferBytes); }

    TTransfer Send(const std::uint8_t* data, std::uint32_t count, unsigned timeoutMs) override {
        if (busy_) return Failed(0, TAtmUsbPipe::kBusyText);
        const TDeadline deadline(timeoutMs);
        bool waited = false;
        for (;;) {
            const ssize_t sent = ::send(fd_.Get(), data, count, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (sent >= 0) return {static_cast<std::uint32_t>(sent), TEnd::Done, {}};
            const int error = errno;
            if (error == EINTR) continue;
            if (error == EPIPE || error == ECONNRESET || error == ENOTCONN) {
                // A server that turned this connection away left its reason behind.
                if (BusyNoticeWaiting()) return Failed(0, TAtmUsbPipe::kBusyText);
                return Failed(0, DisconnectText(error));
            }
            if (error != EAGAIN && error != EWOULDBLOCK) return Failed(0, SystemText(error));
            if (deadline.Passed()) return {0, TEnd::Timeout, {}};
            // poll() calls the socket writable before a whole large packet fits; do not spin on that.
            if (waited) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            const int ready = WaitFor(fd_.Get(), POLLOUT, deadline);
            if (ready == 0) return {0, TEnd::Timeout, {}};
            if (ready < 0) return Failed(0, SystemText(errno));
            waited = true;
        }
    }

    TTransfer Receive(std::uint32_t /*want*/, unsigned timeoutMs) override {
        if (busy_) return Failed(0, TAtmUsbPipe::kBusyText);
        const TDeadline deadline(timeoutMs);
        for (;;) {
            const int ready = WaitFor(fd_.Get(), POLLIN, deadline);
            if (ready == 0) return {0, TEnd::Timeout, {}};
            if (ready < 0) return Failed(0, SystemText(errno));

            iovec part{rx_.data(), rx_.size()};
            msghdr message{};
            message.msg_iov = &part;
            message.msg_iovlen = 1;
            const ssize_t got = ::recvmsg(fd_.Get(), &message, MSG_DONTWAIT);
            if (got > 0) {
                const auto count = static_cast<std::uint32_t>(got);
                if ((message.msg_flags & MSG_TRUNC) != 0) {
                    return Failed(count, "the device sent a packet longer than " +
                                             std::to_string(kMaxTransferBytes) + " bytes");
                }
                if (IsBusyNotice(rx_.data(), count)) {
                    busy_ = true;
                    return Failed(0, TAtmUsbPipe::kBusyText);
                }
                return {count, TEnd::Done, {}};
            }
            if (got == 0) return Failed(0, "the device disconnected (the connection was closed)");
            const int error = errno;
            if (error == EAGAIN || error == EWOULDBLOCK || error == EINTR) {
                if (deadline.Passed()) return {0, TEnd::Timeout, {}};
                continue;
            }
            if (error == ECONNRESET) {
                if (BusyNoticeWaiting()) return Failed(0, TAtmUsbPipe::kBusyText);
                return Failed(0, DisconnectText(error));
            }
            return Failed(0, SystemText(error));
        }
    }

private:
    static bool IsBusyNotice(const std::uint8_t* packet, std::size_t count) {
        const std::string_view notice = TAtmUsbPipe::kSocketBusyNotice;
        return count == notice.size() && std::equal(notice.begin(), notice.end(), packet);
    }
    // Whether the next packet waiting is the busy notice (it is left in the queue); remembered when it is.
    // A server that closed with a request of ours unread leaves a pending reset, which the next call reports
    // first (and clears): the packets queued before it are read after it.
    bool BusyNoticeWaiting() {
        std::uint8_t packet[TAtmUsbPipe::kSocketBusyNotice.size() + 1];
        for (int tries = 0; tries < 2; ++tries) {
            const ssize_t got = ::recv(fd_.Get(), packet, sizeof packet, MSG_PEEK | MSG_DONTWAIT);
            if (got < 0 && (errno == ECONNRESET || errno == EINTR)) continue;
            busy_ = got > 0 && IsBusyNotice(packet, static_cast<std::size_t>(got));
            return busy_;
        }
        return false;
    }

    TUniqueFd fd_;
    bool busy_ = false;  // the server turned this connection away: every transfer fails with kBusyText
};

struct TCloseHandle {
    void operator()(libusb_device_handle* handle) const { libusb_close(handle); }
};
using THandle = std::unique_ptr<libusb_device_handle, TCloseHandle>;

struct TFreeConfig {
    void operator()(libusb_config_descriptor* config) const { libusb_free_config_descriptor(config); }
};

struct TFreeDeviceList {
    void operator()(libusb_device** list) const { libusb_free_device_list(list, 1); }
};

// libusb reads a timeout of 0 as "wait for ever".
unsigned UsbTimeout(unsigned ms) {
    return std::max(ms, 1u);
}

class TUsbBackend final : public TAtmUsbPipe::Backend {
public:
    TUsbBackend(THandle handle, int interfaceNumber, std::uint8_t outEndpoint, std::uint8_t inEndpoint,
                std::uint16_t inPacket)
        : handle_(std::move(handle)),
          interface_(interfaceNumber),
          out_(outEndpoint),
          in_(inEndpoint),
          inPacket_(inPacket) {}
    ~TUsbBackend() override { libusb_release_interface(handle_.get(), interface_); }
    TUsbBackend(const TUsbBackend&) = delete;
    TUsbBackend& operator=(const TUsbBackend&) = delete;

    libusb_device_handle* Handle() const { return handle_.get(); }

    TTransfer Send(const std::uint8_t* data, std::uint32_t count, unsigned timeoutMs) override {
        if (count > static_cast<std::uint32_t>(INT_MAX)) return Failed(0, "the transfer is too large");
        int done = 0;
        // libusb takes a non-const buffer for both directions; an OUT transfer only reads it.
        const int rc = libusb_bulk_transfer(handle_.get(), out_, const_cast<std::uint8_t*>(data),
                                            static_cast<int>(count), &done, UsbTimeout(timeoutMs));
        return Finish(rc, done, count, out_);
    }

    TTransfer Receive(std::uint32_t want, unsigned timeoutMs) override {
        const std::uint32_t size = BulkInRequestSize(want, inPacket_);
        if (rx_.size() < size) rx_.resize(size);
        const TDeadline deadline(timeoutMs);
        for (;;) {
            int done = 0;
            const int rc = libusb_bulk_transfer(handle_.get(), in_, rx_.data(), static_cast<int>(size), &done,
                                                UsbTimeout(static_cast<unsigned>(deadline.RemainingMs())));
            // A zero-length packet ends a reply of whole packets; after a read that took exactly such a
            // reply it arrives on its own and carries nothing for this one.
            if (rc == LIBUSB_SUCCESS && done == 0 && !deadline.Passed()) continue;
            return Finish(rc, done, size, in_);
        }
    }

private:
    // The transferred count counts even when the transfer ended in an error or a timeout.
    TTransfer Finish(int rc, int done, std::uint32_t size, std::uint8_t endpoint) {
        const auto count = static_cast<std::uint32_t>(std::clamp<long long>(done, 0, size));
        if (rc == LIBUSB_SUCCESS) return {count, TEnd::Done, {}};
        if (rc == LIBUSB_ERROR_TIMEOUT) return {count, TEnd::Timeout, {}};
        char where[32];
        std::snprintf(where, sizeof where, " (endpoint 0x%02x)", endpoint);
        if (rc == LIBUSB_ERROR_PIPE) {
            // Without clearing the halt every later transfer on this endpoint would stall too.
            libusb_clear_halt(handle_.get(), endpoint);
            return Failed(count, std::string("the device stalled the pipe") + where);
        }
        if (rc == LIBUSB_ERROR_OVERFLOW) {
            return Failed(count, std::string("the device sent more data than requested") + where);
        }
        if (rc == LIBUSB_ERROR_NO_DEVICE) return Failed(count, "the device disconnected (No such device)");
        return Failed(count, std::string(libusb_strerror(rc)) + where);
    }

    THandle handle_;
    int interface_;
    std::uint8_t out_;
    std::uint8_t in_;
    std::uint16_t inPacket_;
};

struct TBulkPair {
    int interfaceNumber = -1;
    int altSetting = 0;
    std::uint8_t out = 0;
    std::uint8_t in = 0;
    std::uint16_t inPacket = 0;
};

// The first interface setting with a bulk OUT and a bulk IN endpoint.
TBulkPair FindBulkPair(const libusb_config_descriptor& config) {
    for (int i = 0; i < config.bNumInterfaces; ++i) {
        const libusb_interface& interface = config.interface[i];
        for (int a = 0; a < interface.num_altsetting; ++a) {
            const libusb_interface_descriptor& setting = interface.altsetting[a];
            TBulkPair pair;
            bool haveOut = false;
            bool haveIn = false;
            for (int e = 0; e < setting.bNumEndpoints; ++e) {
                const libusb_endpoint_descriptor& endpoint = setting.endpoint[e];
                if ((endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK)
                    continue;
                if ((endpoint.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN) {
                    if (haveIn) continue;
                    haveIn = true;
                    pair.in = endpoint.bEndpointAddress;
                    pair.inPacket = static_cast<std::uint16_t>(endpoint.wMaxPacketSize & 0x7FF);
                } else if (!haveOut) {
                    haveOut = true;
                    pair.out = endpoint.bEndpointAddress;
                }
            }
            if (haveOut && haveIn) {
                pair.interfaceNumber = setting.bInterfaceNumber;
                pair.altSetting = setting.bAlternateSetting;
                return pair;
            }
        }
    }
    return {};
}

// Opens the device and claims its bulk interface; on failure returns null and says why in `error`.
std::unique_ptr<TAtmUsbPipe::Backend> OpenUsbDevice(libusb_device* device, std::string& error) {
    libusb_device_descriptor descriptor{};
    libusb_get_device_descriptor(device, &descriptor);
    char name[96];
    std::snprintf(name, sizeof name, "the USB device %04x:%04x (bus %u, address %u)", descriptor.idVendor,
                  descriptor.idProduct, static_cast<unsigned>(libusb_get_bus_number(device)),
                  static_cast<unsigned>(libusb_get_device_address(device)));

    libusb_device_handle* rawHandle = nullptr;
    int rc = libusb_open(device, &rawHandle);
    if (rc != LIBUSB_SUCCESS) {
        error = std::string("Cannot open ") + name + ": " + UsbOpenErrorText(rc);
        return nullptr;
    }
    THandle handle(rawHandle);

    libusb_config_descriptor* rawConfig = nullptr;
    rc = libusb_get_active_config_descriptor(device, &rawConfig);
    if (rc != LIBUSB_SUCCESS) {
        error = std::string("Cannot read the configuration of ") + name + ": " + UsbOpenErrorText(rc);
        return nullptr;
    }
    const std::unique_ptr<libusb_config_descriptor, TFreeConfig> config(rawConfig);
    const TBulkPair pair = FindBulkPair(*config);
    if (pair.interfaceNumber < 0) {
        error = std::string("Cannot use ") + name +
                ": it has no interface with a bulk OUT and a bulk IN endpoint";
        return nullptr;
    }

    // Not every platform can detach a kernel driver; claiming then reports the real obstacle.
    libusb_set_auto_detach_kernel_driver(handle.get(), 1);
    rc = libusb_claim_interface(handle.get(), pair.interfaceNumber);
    if (rc != LIBUSB_SUCCESS) {
        error = "Cannot claim interface " + std::to_string(pair.interfaceNumber) + " of " + name + ": " +
                UsbOpenErrorText(rc);
        return nullptr;
    }
    auto backend = std::make_unique<TUsbBackend>(std::move(handle), pair.interfaceNumber, pair.out, pair.in,
                                                 pair.inPacket);
    if (pair.altSetting != 0) {
        rc = libusb_set_interface_alt_setting(backend->Handle(), pair.interfaceNumber, pair.altSetting);
        if (rc != LIBUSB_SUCCESS) {
            error = "Cannot select setting " + std::to_string(pair.altSetting) + " of interface " +
                    std::to_string(pair.interfaceNumber) + " of " + name + ": " + UsbOpenErrorText(rc);
            return nullptr;
        }
    }
    return backend;
}

}  // namespace

TAtmUsbPipe::TAtmUsbPipe() = default;

TAtmUsbPipe::~TAtmUsbPipe() {
    Close();
}

unsigned TAtmUsbPipe::Open() {
    Close();
    std::string port = portName_;
    if (port.empty()) {
        if (const char* fromEnvironment = std::getenv("MIRCA_PORT")) port = fromEnvironment;
    }
    constexpr std::string_view kUnix = "unix:";
    if (port.empty() || port == "usb") return OpenUsb();
    if (port.starts_with(kUnix) && port.size() > kUnix.size()) return OpenSocket(port.substr(kUnix.size()));
    Report("Unknown port '" + port + "': use unix:PATH or usb");
    return 0;
}

unsigned TAtmUsbPipe::OpenSocket(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path || path.find('\0') != std::string::npos) {
        Report("Unusable socket path '" + path + "': at most " + std::to_string(sizeof address.sun_path - 1) +
               " bytes, no NUL");
        return 0;
    }
    std::memcpy(address.sun_path, path.data(), path.size());

    TUniqueFd fd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
    if (fd.Get() < 0) {
        Report("Cannot create a socket: " + SystemText(errno));
        return 0;
    }
    // A listener with a full backlog would otherwise hold connect() indefinitely.
    const unsigned ms = std::max(timeoutMs_, 1u);
    const timeval limit{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>((ms % 1000) * 1000)};
    ::setsockopt(fd.Get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return 0;
    backend_ = std::make_unique<TSocketBackend>(std::move(fd));
    return 1;
}

unsigned TAtmUsbPipe::OpenUsb() {
    const std::filesystem::path listPath =
        deviceList_.empty() ? DataFolder() / "drv_base" / "usbdevices.xml" : deviceList_;
    std::vector<TUsbId> ids;
    try {
        ids = LoadUsbDeviceList(listPath);
    } catch (const TDeviceListError& e) {
        Report(e.what());
        return 0;
    }

    if (!usb_) {
        libusb_context* context = nullptr;
        const int rc = libusb_init(&context);
        if (rc != LIBUSB_SUCCESS) {
            Report(std::string("Cannot start USB access: ") + libusb_strerror(rc));
            return 0;
        }
        usb_ = std::make_unique<UsbContext>(context);
    }

    libusb_device** rawList = nullptr;
    const ssize_t listed = libusb_get_device_list(usb_->Get(), &rawList);
    if (listed < 0) {
        Report(std::string("Cannot list the USB devices: ") + libusb_strerror(static_cast<int>(listed)));
        return 0;
    }
    const std::unique_ptr<libusb_device*, TFreeDeviceList> list(rawList);

    unsigned count = 0;
    libusb_device* match = nullptr;
    for (ssize_t i = 0; i < listed; ++i) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(rawList[i], &descriptor) != LIBUSB_SUCCESS) continue;
        if (!ListsDevice(ids, descriptor.idVendor, descriptor.idProduct)) continue;
        ++count;
        match = rawList[i];
    }
    // Several panels are refused rather than guessed between; the caller tells the user.
    if (count != 1) return count;

    std::string error;
    backend_ = OpenUsbDevice(match, error);
    if (!backend_) {
        // The failure record carries the reason too, so the caller's summary says what to do about it.
        NoteSystemError(error);
        Report(error);
    }
    return 1;
}

bool TAtmUsbPipe::Read(std::uint8_t* buffer, std::uint32_t count) {
    lastRead_ = 0;
    if (!backend_) {
        NoteSystemError("the device is not open");
        Report("Reading " + std::to_string(count) + " bytes from the device failed: the device is not open");
        return false;
    }
    std::string error;
    bool timedOut = false;
    if (queue_.size() < count) {
        const auto want = static_cast<std::uint32_t>(count - queue_.size());
        const TTransfer transfer = backend_->Receive(want, readTimeoutMs_);
        queue_.insert(queue_.end(), backend_->Received(), backend_->Received() + transfer.count);
        if (transfer.end == TEnd::Failed) error = transfer.error;
        timedOut = transfer.end == TEnd::Timeout;
    }
    const auto delivered = static_cast<std::uint32_t>(std::min<std::size_t>(count, queue_.size()));
    std::copy_n(queue_.begin(), delivered, buffer);
    queue_.erase(queue_.begin(), queue_.begin() + delivered);
    lastRead_ = delivered;
    if (!error.empty()) {
        NoteSystemError(error);
        Report("Reading " + std::to_string(count) + " bytes from the device failed (" +
               std::to_string(delivered) + " received): " + error);
        return false;
    }
    // An unanswered transfer is no error box, but the failure record says the device went quiet.
    if (delivered != count && timedOut)
        NoteSystemError("no answer within " + std::to_string(readTimeoutMs_) + " ms");
    return delivered == count;
}

bool TAtmUsbPipe::Write(const std::uint8_t* buffer, std::uint32_t count) {
    lastWritten_ = 0;
    if (!backend_) {
        NoteSystemError("the device is not open");
        Report("Writing " + std::to_string(count) + " bytes to the device failed: the device is not open");
        return false;
    }
    // An empty packet would read as a closed connection on the socket and as a stray ZLP on USB.
    if (count == 0) return true;
    const TTransfer transfer = backend_->Send(buffer, count, timeoutMs_);
    lastWritten_ = std::min(transfer.count, count);
    if (transfer.end == TEnd::Failed) {
        NoteSystemError(transfer.error);
        Report("Writing " + std::to_string(count) + " bytes to the device failed (" +
               std::to_string(lastWritten_) + " sent): " + transfer.error);
        return false;
    }
    if (lastWritten_ != count && transfer.end == TEnd::Timeout)
        NoteSystemError("not taken within " + std::to_string(timeoutMs_) + " ms");
    return lastWritten_ == count;
}

void TAtmUsbPipe::Close() {
    backend_.reset();
    queue_.clear();
}

bool TAtmUsbPipe::IsOpen() const {
    return backend_ != nullptr;
}

void TAtmUsbPipe::Report(const std::string& text) const {
    if (report_) {
        report_("Error", text);
    } else {
        ReportToStderr("Error", text);
    }
}

}  // namespace mirca
