// Firmware files come from the maker's site, mail and USB sticks: whatever a file holds, checking it
// against a panel and sending it must end in true or false, never in a crash, a hang or a read past its end.
#include <cstddef>
#include <cstdint>
#include <string>

#include "devlink/device.h"
#include "fuzz/memfile.h"
#include "sim/panel.h"
#include "sim/simport.h"

namespace {

// A panel of each generation that could be offered a file: a framed panel, a legacy panel and an output
// module, each connected for a firmware update in virtual time.
mirca::sim::TPanelIdentity Identity(int which) {
    mirca::sim::TPanelIdentity id;
    if (which == 1) {
        id.framed = false;
        id.legacyCode = 0x1F;
        id.major = 2;
    } else if (which == 2) {
        id.framed = false;
        id.legacyCode = 0x41;
        id.typeCode = 0x41;
    }
    return id;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = mirca::fuzz::InputAsFile(data, size);
    for (int which = 0; which < 3; ++which) {
        mirca::sim::TSimPanel panel(Identity(which), 0x1000);
        mirca::TVirtualClock clock;
        mirca::sim::TSimPort port(panel, &clock);
        mirca::TZelmoDevice device(clock);
        if (!device.Connect(&port, mirca::TZelmoDevice::kModeFirmware)) continue;
        if (device.IsFirmwareCompatible(path)) device.LoadFirmware(path);
        device.AdoptFirmwareVersion(path);
    }
    return 0;
}
