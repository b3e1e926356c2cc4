#pragma once

#include <cstdint>
#include <memory>

#include "devlink/device.h"
#include "devlink/port.h"
#include "devlink/sleeper.h"

namespace mirca {

// What looking for a panel and connecting to it came to. The editor falls back to demo on anything but
// Connected, the firmware window stays online, mirca-cli turns it into its exit code.
enum class TLinkOutcome {
    Connected,       // exactly one panel, opened and answering
    NoDevice,        // no panel on the port
    SeveralDevices,  // more than one: none was opened, the user must attach only one
    NotOpened,       // one panel found but not opened (no permission, claimed by another program)
    NoAnswer,        // opened, but the panel did not answer the connection
};

// One panel on one port: owns the port and the protocol object, and disconnects and closes both when it
// goes away, so no caller can leave a panel in configuration mode or a USB interface claimed.
class TPanelLink {
public:
    explicit TPanelLink(std::unique_ptr<TPort> port, ISleeper& sleeper = SystemSleeper());
    ~TPanelLink();
    TPanelLink(const TPanelLink&) = delete;
    TPanelLink& operator=(const TPanelLink&) = delete;

    // Closes whatever was open, looks for panels and connects to exactly one in the given mode
    // (TZelmoDevice::kModeConfiguration, kModeFirmware). Every outcome but Connected leaves the failure
    // record (operation "connecting to the panel") and the port closed.
    TLinkOutcome Open(std::uint32_t mode);
    // As Open, but stops once the port to exactly one panel is open, with no protocol exchange: for the
    // event-log reader, which speaks its own request set. Connected here means the port is open.
    TLinkOutcome OpenPort();
    // The second half of Open, after OpenPort found and opened exactly one panel: the connection in the
    // given mode (Connected or NoAnswer, with the failure record; the port is closed on NoAnswer).
    TLinkOutcome ConnectDevice(std::uint32_t mode);
    // Disconnects the device and closes the port; harmless when nothing is open.
    void Close();

    bool Connected() const { return device_.Connected; }
    // How many panels the last Open found.
    unsigned Found() const { return found_; }
    TZelmoDevice& Device() { return device_; }
    const TZelmoDevice& Device() const { return device_; }
    TPort& Port() { return *port_; }

private:
    std::unique_ptr<TPort> port_;
    TZelmoDevice device_;
    unsigned found_ = 0;
};

}  // namespace mirca
