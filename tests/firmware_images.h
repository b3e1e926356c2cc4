#pragma once

// Firmware images for the tests: a framed image for a type-937 panel, its identity record first.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace mirca::testing_firmware {

// The header (type 937, edition 'd', the version), then bytes that differ from block to block.
inline std::vector<std::uint8_t> PanelImage(std::uint8_t major, std::uint8_t minor, std::uint8_t build,
                                            std::size_t size = 1000) {
    std::vector<std::uint8_t> b(size);
    for (std::size_t i = 0; i < size; ++i)
        b[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const std::uint8_t head[] = {0xA9, 0x03, 'd', 'd', major, minor, build};
    std::copy(std::begin(head), std::end(head), b.begin());
    return b;
}

}  // namespace mirca::testing_firmware
