#include "devlink/crc.h"

#include <array>

#include "devlink/le.h"

namespace mirca {

std::uint16_t TCrc16::Calc(const std::uint8_t* data, std::size_t count) {
    Reset();
    return Update(data, count);
}

namespace {

// The reflected CRC-16 for the polynomial of both the panel protocol and the event log (0xA001), eight bytes
// a step: a firmware image is checksummed on the way out, and the byte-at-a-time loop, one dependent table
// lookup per byte, came to cost more than the transfer. Table k holds the CRC of a byte followed by k zero
// bytes, so eight independent lookups replace eight chained ones.
using TCrc16Table = std::array<std::uint16_t, 256>;
constexpr std::size_t kCrc16Slices = 8;

constexpr std::array<TCrc16Table, kCrc16Slices> MakeCrc16Tables() {
    std::array<TCrc16Table, kCrc16Slices> t{};
    for (int i = 0; i < 256; ++i) {
        auto crc = static_cast<std::uint16_t>(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
        t[0][static_cast<std::size_t>(i)] = crc;
    }
    for (std::size_t k = 1; k < kCrc16Slices; ++k) {
        for (std::size_t i = 0; i < 256; ++i) {
            const std::uint16_t prev = t[k - 1][i];
            t[k][i] = static_cast<std::uint16_t>((prev >> 8) ^ t[0][prev & 0xFF]);
        }
    }
    return t;
}

constexpr auto kCrc16Tables = MakeCrc16Tables();
static_assert(kCrc16Tables[0][1] == 0xC0C1 && kCrc16Tables[0][255] == 0x4040);

std::uint16_t Crc16A001(std::uint16_t crc, const std::uint8_t* data, std::size_t count) {
    const auto& t = kCrc16Tables;
    for (; count >= kCrc16Slices; count -= kCrc16Slices, data += kCrc16Slices) {
        crc = static_cast<std::uint16_t>(t[7][(crc ^ data[0]) & 0xFF] ^ t[6][(crc >> 8) ^ data[1]] ^
                                         t[5][data[2]] ^ t[4][data[3]] ^ t[3][data[4]] ^ t[2][data[5]] ^
                                         t[1][data[6]] ^ t[0][data[7]]);
    }
    for (; count > 0; --count, ++data)
        crc = static_cast<std::uint16_t>((crc >> 8) ^ t[0][(crc ^ *data) & 0xFF]);
    return crc;
}

}  // namespace

std::uint16_t TCrc16::Update(const std::uint8_t* data, std::size_t count) {
    std::uint16_t crc = value_;
    if (poly_ == 0xA001) {
        value_ = Crc16A001(crc, data, count);
        return value_;
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
