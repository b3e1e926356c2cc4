#pragma once

#include <cstdint>

// The fixed bytes of the panel protocol, in one place for the connection, table and firmware code.
namespace mirca::frames {

constexpr std::uint8_t kRequestStart = 0x55;
constexpr std::uint8_t kReplyStart = 0xAA;
constexpr std::uint8_t kCmdIdentify = 0x80;
constexpr std::uint8_t kCmdSetMode = 0x81;
constexpr std::uint8_t kCmdTable = 0x54;
constexpr std::uint8_t kCmdRead = 0x82;
constexpr std::uint8_t kLegacyFirmwareCode = 0xA0;
constexpr std::uint8_t kLegacyConfigCode = 0xAA;
constexpr std::uint8_t kLegacyRead = 0x93;
constexpr std::uint8_t kLegacyWrite = 0x94;
constexpr std::uint32_t kPiece = 64;  // data travels in 64-byte writes and reads

// Output modules (types 0x40 to 0x43) speak the legacy generation and name themselves by their type.
constexpr bool IsOutputModuleType(unsigned type) {
    return type >= 0x40 && type <= 0x43;
}

}  // namespace mirca::frames
