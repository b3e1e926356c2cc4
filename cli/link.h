#pragma once

#include <memory>
#include <optional>

#include "cli/commands.h"
#include "devlink/device.h"
#include "devlink/usbpipe.h"
#include "memmap/memmap.h"

namespace mirca::cli {

// An open pipe and a connected device, or the exit code that says why not (already reported on stderr).
struct TLink {
    TAtmUsbPipe pipe;
    TZelmoDevice device;
    ~TLink() {
        device.Disconnect();
        pipe.Close();
    }
};

// Opens the port: kExitOk when exactly one panel is there, else the exit code (reported on stderr).
int OpenPort(const TGlobalOptions& global, TAtmUsbPipe& pipe);

// Opens the port and connects in the given mode. Returns kExitOk with link ready, else the exit code.
int OpenLink(const TGlobalOptions& global, TLink& link, std::uint32_t mode);

// The map of the connected device from the data folder; null (reported on stderr) when there is none or it
// cannot be read.
std::unique_ptr<TZelmoMemoryMap> OpenDeviceMap(const TGlobalOptions& global, const TZelmoDevice& device,
                                               const char* command);

}  // namespace mirca::cli
