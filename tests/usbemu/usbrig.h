#pragma once

// A panel on the emulated USB bus and a pipe that finds it through libusb.
#include <string>
#include <vector>

#include "base/failure.h"
#include "devlink/usbpipe.h"
#include "sim/panel.h"
#include "tests/usbemu/usbemu.h"

namespace mirca::usbemu {

inline constexpr const char* kDeviceList = MIRCA_BIN_DIR "/drv_base/usbdevices.xml";

// A pipe that looks for the listed panels on USB only and keeps every error it reports.
inline void ConfigureForUsb(TAtmUsbPipe& pipe, std::vector<std::string>& errors, unsigned timeoutMs) {
    pipe.SetPortName("usb");
    pipe.SetDeviceListPath(kDeviceList);
    pipe.SetTimeoutMs(timeoutMs);
    pipe.SetErrorReporter([&errors](const std::string&, const std::string& text) { errors.push_back(text); });
}

struct TUsbRig {
    // Short timeouts keep the unanswered transfers of the tests quick.
    explicit TUsbRig(sim::TPanelIdentity id = {}, unsigned timeoutMs = 300)
        : panel(id), usb(bed.AddPanel(panel)) {
        ConfigureForUsb(pipe, errors, timeoutMs);
        // The record is per thread and outlives a test when several run in one process.
        ClearFailure();
    }

    std::string Errors() const {
        std::string all;
        for (const std::string& e : errors)
            all += e + "\n";
        return all;
    }

    // Declared in this order so the pipe closes before the bus goes, and the bus before the panel.
    sim::TSimPanel panel;
    TUsbTestbed bed;
    TEmulatedDevice& usb;
    std::vector<std::string> errors;
    TAtmUsbPipe pipe;
};

}  // namespace mirca::usbemu
