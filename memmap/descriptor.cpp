#include "memmap/descriptor.h"

#include "devlink/device.h"

namespace mirca {

TZelmoDescriptor TZelmoDescriptor::Make(std::uint16_t type, std::uint16_t edition, std::uint8_t major,
                                        std::uint8_t minor, std::uint8_t build) {
    TZelmoDescriptor d;
    le::Put16(&d.bytes[0], type);
    le::Put16(&d.bytes[2], edition);
    d.bytes[4] = major;
    d.bytes[5] = minor;
    d.bytes[6] = build;
    return d;
}

TZelmoDescriptor TZelmoDescriptor::FromDevice(const TZelmoDevice& device) {
    return Make(device.TypeCode, device.Edition, device.Major, device.Minor, device.Build);
}

}  // namespace mirca
