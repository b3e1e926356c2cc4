#pragma once

// What the device-link tests share: frames with their CRC, panel identities, and a host wired to an
// in-process panel in virtual time.
#include <vector>

#include "devlink/crc.h"
#include "devlink/device.h"
#include "devlink/le.h"
#include "sim/panel.h"
#include "sim/simport.h"

namespace mirca::testing_rig {

using Bytes = std::vector<std::uint8_t>;

inline Bytes WithCrc(Bytes frame) {
    le::Append16(frame, Crc16Arc(frame.data(), frame.size()));
    return frame;
}

// A panel of the older generation: a type-937 panel for codes 0x1F/0x0B, else the output module itself.
inline sim::TPanelIdentity LegacyPanel(std::uint8_t code, std::uint8_t major = 2, std::uint8_t minor = 3) {
    sim::TPanelIdentity id;
    id.framed = false;
    id.legacyCode = code;
    id.typeCode = (code >= 0x40 && code <= 0x43) ? code : 937;
    id.major = major;
    id.minor = minor;
    return id;
}

// A host and a panel, not yet connected.
struct TRig {
    explicit TRig(sim::TPanelIdentity id = {}) : panel(id), port(panel, &clock), device(clock) {}
    sim::TSimPanel panel;
    TVirtualClock clock;
    sim::TSimPort port;
    TZelmoDevice device;
};

// Connected in the given mode, with the exchange log cleared so tests see only what follows.
struct TConnectedRig : TRig {
    explicit TConnectedRig(sim::TPanelIdentity id = {}, std::uint32_t mode = TZelmoDevice::kModeConfiguration)
        : TRig(id) {
        connected = device.Connect(&port, mode);
        panel.ClearExchange();
    }
    bool connected = false;
};

}  // namespace mirca::testing_rig
