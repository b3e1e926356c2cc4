#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "base/errorreport.h"
#include "devlink/port.h"

namespace mirca {

// The panel's two bulk pipes: PIPE00 (host to device, bulk OUT) and PIPE01 (device to host, bulk IN).
//
// The device is reached through libusb, found by the vendor/product pairs listed in
// drv_base/usbdevices.xml. With MIRCA_PORT=unix:PATH in the environment (or SetPortName("unix:PATH")) the
// pipe talks to a SOCK_SEQPACKET socket instead: one packet is one USB transfer in either direction.
//
// Reads keep a receive queue: Read(n) returns exactly n bytes across packets. A read that needs more than is
// queued performs one transfer; when that ends short (or times out), Read returns false and LastRead() holds
// what was delivered, which is also copied into the buffer.
class TAtmUsbPipe final : public TPort {
public:
    TAtmUsbPipe();
    ~TAtmUsbPipe() override;
    TAtmUsbPipe(const TAtmUsbPipe&) = delete;
    TAtmUsbPipe& operator=(const TAtmUsbPipe&) = delete;

    unsigned Open() override;
    bool Read(std::uint8_t* buffer, std::uint32_t count) override;
    bool Write(const std::uint8_t* buffer, std::uint32_t count) override;
    void Flush() override {}
    void Close() override;

    bool IsOpen() const override;
    std::uint32_t LastRead() const override { return lastRead_; }
    std::uint32_t LastWritten() const { return lastWritten_; }

    // "unix:PATH" for the socket transport, "usb" for USB; empty means: MIRCA_PORT, else USB.
    void SetPortName(std::string port) { portName_ = std::move(port); }
    // The device list; by default drv_base/usbdevices.xml beside the program.
    void SetDeviceListPath(std::filesystem::path path) { deviceList_ = std::move(path); }
    void SetErrorReporter(ErrorReporter reporter) { report_ = std::move(reporter); }
    // How long one transfer may take before it counts as unanswered (reads and writes).
    void SetTimeoutMs(unsigned ms) { timeoutMs_ = readTimeoutMs_ = ms; }
    unsigned ReadTimeoutMs() const override { return readTimeoutMs_; }
    void SetReadTimeoutMs(unsigned ms) override { readTimeoutMs_ = ms; }

    // A device that answers stays well inside this; a silent one (a legacy panel asked in the framed
    // protocol, a hung or unplugged panel) must not hold the program for longer.
    static constexpr unsigned kDefaultTimeoutMs = 2000;
    // A panel server that already serves another program sends a further client this one packet and closes
    // the connection; the socket transport then fails every transfer with kBusyText, as a claimed USB
    // device would. No transfer of the panel's protocol looks like it.
    static constexpr std::string_view kSocketBusyNotice = "mirca-panel-busy: another program is connected";
    static constexpr const char* kBusyText = "the panel is busy: another program is connected to it";

    class Backend;  // USB or socket, chosen once in Open

private:
    class UsbContext;  // one libusb context per pipe, kept from the first USB Open to destruction

    unsigned OpenSocket(const std::string& path);
    unsigned OpenUsb();
    void Report(const std::string& text) const;

    // Declared before backend_: an open device handle must go before its context.
    std::unique_ptr<UsbContext> usb_;
    std::unique_ptr<Backend> backend_;
    std::deque<std::uint8_t> queue_;
    std::uint32_t lastRead_ = 0;
    std::uint32_t lastWritten_ = 0;
    std::string portName_;
    std::filesystem::path deviceList_;
    ErrorReporter report_;
    unsigned timeoutMs_ = kDefaultTimeoutMs;
    unsigned readTimeoutMs_ = kDefaultTimeoutMs;
};

}  // namespace mirca
