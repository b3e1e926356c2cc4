#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "memmap/descriptor.h"

namespace mirca {

class TZelmoDevice;

// A byte-for-byte picture of device memory with one access mark per byte.
class TZelmoMemoryMapImage {
public:
    struct adr_size_pair {
        std::uint32_t adr = 0;
        std::uint32_t size = 0;
        bool operator==(const adr_size_pair&) const = default;
    };

    // Frees both arrays and makes them n bytes each (zero-filled).
    void Allocate(std::uint32_t n);
    // Every maximal run of bytes whose flag shares a bit with mask, in ascending order.
    void BuildRanges(std::uint8_t mask);
    bool ReadRanges(TZelmoDevice& device);
    bool WriteRanges(TZelmoDevice& device);
    bool ReadReadable(TZelmoDevice& device);
    bool WriteWritable(TZelmoDevice& device);
    bool ReadBackup(TZelmoDevice& device);
    bool WriteBackup(TZelmoDevice& device);

    std::int32_t Size() const { return static_cast<std::int32_t>(data.size()); }

    std::vector<std::uint8_t> data;
    std::vector<std::uint8_t> flags;
    TZelmoDescriptor descriptor{};
    std::uint32_t headerSize = 0;
    std::array<std::uint8_t, 11> backupHeader{};  // "RRG", range count, object number, device address, 0
    std::vector<adr_size_pair> ranges;
};

}  // namespace mirca
