#pragma once

#include <array>
#include <cstdint>

#include "devlink/le.h"

namespace mirca {

// One 16-byte record of the panel's event ring, kept as the panel sent it.
struct EventElement {
    static constexpr std::size_t kSize = 16;
    std::array<std::uint8_t, kSize> bytes{};

    std::uint16_t code() const { return le::Get16(&bytes[0]); }
    std::uint8_t uopNumber() const { return bytes[2]; }
    std::uint8_t uooNumber() const { return bytes[3]; }
    std::uint8_t inputNumber() const { return bytes[4]; }
    std::uint8_t subNumber() const { return bytes[5]; }
    std::uint16_t objectNumber() const { return le::Get16(&bytes[6]); }
    // Binary-coded decimal, as the panel's clock keeps them.
    std::uint8_t seconds() const { return bytes[10]; }
    std::uint8_t minutes() const { return bytes[11]; }
    std::uint8_t hours() const { return bytes[12]; }
    std::uint8_t day() const { return bytes[13]; }
    std::uint8_t month() const { return bytes[14]; }
    std::uint8_t year() const { return bytes[15]; }
};

// Dates and times of the log read "dd.mm.yy" and "hh:mm:ss", in the list, the database and the exports.
inline constexpr char kDateSeparator = '.';
inline constexpr char kTimeSeparator = ':';

}  // namespace mirca
