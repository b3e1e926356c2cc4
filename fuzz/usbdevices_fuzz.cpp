// The device list is a hand-edited file beside the program: any text must end in a list or a located error.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "devlink/usbdevices.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const auto ids = mirca::ParseUsbDeviceList(
            std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.xml");
        (void)ids;
    } catch (const mirca::TDeviceListError&) {
    }
    return 0;
}
