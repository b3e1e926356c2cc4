#include "cli/link.h"

#include <cstdio>

namespace mirca::cli {

int OpenLink(const TGlobalOptions& global, TLink& link, std::uint32_t mode) {
    link.pipe.SetErrorReporter(ReportToStderr);
    if (!global.port.empty()) link.pipe.SetPortSpec(global.port);
    link.pipe.Close();
    const unsigned count = link.pipe.Open();
    if (count == 0) {
        std::fprintf(stderr, "mirca-cli: no device found (is the panel attached and switched on?)\n");
        return kExitNoDevice;
    }
    if (count > 1) {
        std::fprintf(stderr, "mirca-cli: %u devices found; attach only one panel\n", count);
        return kExitManyDevices;
    }
    if (!link.device.Connect(&link.pipe, mode)) {
        std::fprintf(stderr, "mirca-cli: the device does not answer\n");
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace mirca::cli
