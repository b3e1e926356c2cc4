#pragma once

#include <array>
#include <cstdint>

#include "devlink/le.h"

namespace mirca {

class TZelmoDevice;

// The 9-byte identification record of a device and of a configuration: the 7-byte device identity
// (type, edition word, major, minor, build) and two further bytes.
struct TZelmoDescriptor {
    std::array<std::uint8_t, 9> bytes{};

    std::uint16_t TypeCode() const { return le::Get16(&bytes[0]); }
    std::uint16_t Edition() const { return le::Get16(&bytes[2]); }
    std::uint8_t Major() const { return bytes[4]; }  // the system number
    std::uint8_t Minor() const { return bytes[5]; }
    std::uint8_t Build() const { return bytes[6]; }

    static TZelmoDescriptor Make(std::uint16_t type, std::uint16_t edition, std::uint8_t major,
                                 std::uint8_t minor, std::uint8_t build);
    // The identity of a connected device; the two further bytes are zero.
    static TZelmoDescriptor FromDevice(const TZelmoDevice& device);
    bool operator==(const TZelmoDescriptor&) const = default;
};
static_assert(sizeof(TZelmoDescriptor) == 9);

}  // namespace mirca
