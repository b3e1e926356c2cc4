#pragma once

#include <optional>

#include "cli/commands.h"
#include "devlink/device.h"
#include "devlink/usbpipe.h"

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

// Opens the port and connects in the given mode. Returns kExitOk with link ready, else the exit code.
int OpenLink(const TGlobalOptions& global, TLink& link, std::uint32_t mode);

}  // namespace mirca::cli
