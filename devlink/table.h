#pragma once

#include <cstdint>
#include <vector>

namespace mirca {

// One region of device memory and its bytes: the unit of every memory transfer.
class TZelmoTable {
public:
    static constexpr std::int32_t kKindConfigRead = 15;
    static constexpr std::int32_t kKindConfigWrite = 16;
    static constexpr std::int32_t kKindFirmware = 0;
    static constexpr std::uint32_t kBlockSize = 252;  // data bytes of one framed block
    static constexpr std::uint32_t kPageSize = 256;   // one legacy page

    TZelmoTable(std::int32_t kind, std::uint32_t address, std::uint32_t size)
        : kind(kind), address(address), data(size, 0) {}

    std::uint32_t Size() const { return static_cast<std::uint32_t>(data.size()); }
    std::uint32_t Blocks() const { return (Size() + kBlockSize - 1) / kBlockSize; }

    // Checked element access; raises std::out_of_range("class TZelmoTable: index out of range").
    std::uint8_t& operator[](std::uint32_t index);
    std::uint8_t operator[](std::uint32_t index) const;

    // Zero-extends the data to whole framed blocks. Callers copy back only their own byte count.
    void PadToBlocks();

    std::int32_t kind;
    std::uint32_t address;
    std::vector<std::uint8_t> data;
};

}  // namespace mirca
