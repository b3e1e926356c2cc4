#include "cli/link.h"

#include <cstdio>

#include "base/programdir.h"

namespace mirca::cli {

std::filesystem::path TGlobalOptions::DataFolder() const {
    return dataFolder.empty() ? ProgramDir() / "drv_base" : dataFolder;
}

int OpenPort(const TGlobalOptions& global, TAtmUsbPipe& pipe) {
    pipe.SetErrorReporter(ReportToStderr);
    if (!global.port.empty()) pipe.SetPortSpec(global.port);
    pipe.Close();
    const unsigned count = pipe.Open();
    if (count == 0) {
        std::fprintf(stderr, "mirca-cli: no device found (is the panel attached and switched on?)\n");
        return kExitNoDevice;
    }
    if (count > 1) {
        std::fprintf(stderr, "mirca-cli: %u devices found; attach only one panel\n", count);
        return kExitManyDevices;
    }
    // One panel found but not opened (no permission, claimed elsewhere): the pipe has said why.
    if (!pipe.IsOpen()) return kExitFailed;
    return kExitOk;
}

int OpenLink(const TGlobalOptions& global, TLink& link, std::uint32_t mode) {
    if (const int rc = OpenPort(global, link.pipe); rc != kExitOk) return rc;
    if (!link.device.Connect(&link.pipe, mode)) {
        std::fprintf(stderr, "mirca-cli: the device does not answer\n");
        return kExitFailed;
    }
    return kExitOk;
}

std::unique_ptr<TZelmoMemoryMap> OpenDeviceMap(const TGlobalOptions& global, const TZelmoDevice& device,
                                               const char* command) {
    const TZelmoDescriptor d = TZelmoDescriptor::FromDevice(device);
    try {
        auto map = OpenMapForDescriptor(global.DataFolder(), d);
        if (!map) {
            std::fprintf(stderr,
                         "mirca-cli %s: no memory map for this device (type %u, version %u.%u) in %s\n",
                         command, unsigned{d.TypeCode()}, unsigned{d.Major()}, unsigned{d.Minor()},
                         global.DataFolder().c_str());
        }
        return map;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mirca-cli %s: %s\n", command, e.what());
        return nullptr;
    }
}

}  // namespace mirca::cli
