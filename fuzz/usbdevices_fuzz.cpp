// The device list is a hand-edited file beside the program: any text must end in a list or a located error,
// read through the loader the program uses (bounded read, then parse).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "devlink/usbdevices.h"
#include "fuzz/memfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const auto ids = mirca::LoadUsbDeviceList(mirca::fuzz::InputAsFile(data, size));
        for (const mirca::TUsbId& id : ids) {
            if (!mirca::ListsDevice(ids, id.vid, id.pid)) std::abort();
        }
    } catch (const mirca::TDeviceListError&) {
    }
    return 0;
}
