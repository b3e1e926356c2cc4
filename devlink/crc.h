#pragma once

#include <cstddef>
#include <cstdint>

namespace mirca {

// CRC-16, reflected. Defaults give CRC-16/ARC; initial value 0xFFFF gives CRC-16/MODBUS.
class TCrc16 {
public:
    TCrc16() = default;
    TCrc16(std::uint16_t initial, std::uint16_t polynomial)
        : initial_(initial), value_(initial), poly_(polynomial) {}

    // CRC of the bytes, started afresh from the initial value.
    std::uint16_t Calc(const std::uint8_t* data, std::size_t count);

    // Running form, for transfers that checksum piece by piece.
    void Reset() { value_ = initial_; }
    std::uint16_t Update(const std::uint8_t* data, std::size_t count);
    std::uint16_t Value() const { return value_; }

private:
    std::uint16_t initial_ = 0;
    std::uint16_t value_ = 0;
    std::uint16_t poly_ = 0xA001;
};

// CRC-16/ARC of a buffer: the checksum of every frame of the panel protocol.
std::uint16_t Crc16Arc(const std::uint8_t* data, std::size_t count);
// Whether the CRC-16/ARC of count bytes equals the little-endian value stored right after them.
bool Crc16ArcMatches(const std::uint8_t* bytes, std::size_t count);
// CRC-16/ARC over the two 0xAA markers that open a legacy page transfer, then the data.
std::uint16_t LegacyPageCrc(const std::uint8_t* data, std::size_t count);
// CRC-16/MODBUS of a buffer: the checksum of the event log's requests and replies.
std::uint16_t Crc16Modbus(const std::uint8_t* data, std::size_t count);

// CRC-8/MAXIM-DOW, table-driven; chain pieces by passing the previous result as start.
std::uint8_t Crc8(const std::uint8_t* data, std::size_t count, std::uint8_t start = 0);

}  // namespace mirca
