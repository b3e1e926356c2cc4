#include "devlink/crc.h"

#include <array>

#include "devlink/le.h"

namespace mirca {

std::uint16_t TCrc16::Calc(const std::uint8_t* data, std::size_t count) {
    Reset();
    return Update(data, count);
}

namespace {

// One step of the reflected CRC-16 for every byte value, for the polynomial of both the panel protocol and
// the event log (0xA001): a firmware image is checksummed on the way out, block by block.
constexpr std::array<std::uint16_t, 256> MakeCrc16Table() {
    std::array<std::uint16_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        auto crc = static_cast<std::uint16_t>(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
        table[static_cast<std::size_t>(i)] = crc;
    }
    return table;
}

constexpr auto kCrc16Table = MakeCrc16Table();
static_assert(kCrc16Table[1] == 0xC0C1 && kCrc16Table[255] == 0x4040);

}  // namespace

std::uint16_t TCrc16::Update(const std::uint8_t* data, std::size_t count) {
    std::uint16_t crc = value_;
    if (poly_ == 0xA001) {
        for (std::size_t i = 0; i < count; ++i)
            crc = static_cast<std::uint16_t>((crc >> 8) ^ kCrc16Table[(crc ^ data[i]) & 0xFF]);
        value_ = crc;
        return crc;
    }
    for (std::size_t i = 0; i < count; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ poly_) : (crc >> 1);
    }
    value_ = crc;
    return crc;
}

std::uint16_t Crc16Arc(const std::uint8_t* data, std::size_t count) {
    return TCrc16().Calc(data, count);
}

bool Crc16ArcMatches(const std::uint8_t* bytes, std::size_t count) {
    return Crc16Arc(bytes, count) == le::Get16(bytes + count);
}

std::uint16_t LegacyPageCrc(const std::uint8_t* data, std::size_t count) {
    TCrc16 crc;
    const std::uint8_t markers[2] = {0xAA, 0xAA};
    crc.Update(markers, 2);
    return crc.Update(data, count);
}

std::uint16_t Crc16Modbus(const std::uint8_t* data, std::size_t count) {
    return TCrc16(0xFFFF, 0xA001).Calc(data, count);
}

namespace {

constexpr std::array<std::uint8_t, 256> MakeMaximTable() {
    std::array<std::uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        std::uint8_t crc = static_cast<std::uint8_t>(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint8_t>((crc >> 1) ^ 0x8C) : (crc >> 1);
        table[static_cast<std::size_t>(i)] = crc;
    }
    return table;
}

constexpr auto kMaximTable = MakeMaximTable();
static_assert(kMaximTable[1] == 0x5E && kMaximTable[7] == 0x83);

}  // namespace

std::uint8_t Crc8(const std::uint8_t* data, std::size_t count, std::uint8_t start) {
    std::uint8_t crc = start;
    for (std::size_t i = 0; i < count; ++i)
        crc = kMaximTable[crc ^ data[i]];
    return crc;
}

}  // namespace mirca
