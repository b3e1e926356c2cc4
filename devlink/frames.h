#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The bytes of the panel protocol, both generations, as plain functions over buffers: TZelmoDevice only
// sequences them over a port, the simulator answers them, and tests check them without any transport.
namespace mirca::frames {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kRequestStart = 0x55;
constexpr std::uint8_t kReplyStart = 0xAA;
constexpr std::uint16_t kCommandAddress = 0x0000;
constexpr std::uint16_t kDataAddress = 0xFFFF;
constexpr std::size_t kHeaderSize = 5;

// Framed command codes and the payload lengths that tell the 0x54 requests apart.
constexpr std::uint8_t kCmdIdentify = 0x80;
constexpr std::uint8_t kCmdSetMode = 0x81;
constexpr std::uint8_t kCmdTable = 0x54;
constexpr std::uint8_t kCmdRead = 0x82;
constexpr std::uint8_t kSelectLength = 22;
constexpr std::uint8_t kWriteStartLength = 12;
constexpr std::uint8_t kDataBlockLength = 254;  // block number and 252 data bytes
constexpr std::uint8_t kReadRequestLength = 6;

// SetMode codes: what the framed panel is asked to do next.
constexpr std::uint8_t kWireModeRead = 2;
constexpr std::uint8_t kWireModeConfigWrite = 3;
constexpr std::uint8_t kWireModeFirmwareWrite = 4;
constexpr std::uint8_t kWireModeSelect = 5;

// The table selection names this target in every request the host makes.
constexpr std::uint16_t kSelectTarget = 0x12;

// Legacy codes.
constexpr std::uint8_t kLegacyFirmwareCode = 0xA0;
constexpr std::uint8_t kLegacyConfigCode = 0xAA;
constexpr std::uint8_t kLegacyConnectArg = 0xAA;  // third byte of a connection frame; 0x00 disconnects
constexpr std::uint8_t kLegacyRead = 0x93;
constexpr std::uint8_t kLegacyWrite = 0x94;
constexpr std::uint8_t kLegacyMarker = 0xAA;  // two of them open a page and a bulk transfer
constexpr std::uint8_t kLegacyPanelCodeA = 0x1F;
constexpr std::uint8_t kLegacyPanelCodeB = 0x0B;
constexpr std::size_t kLegacyFrameSize = 8;

// Sizes of the replies and data units.
constexpr std::size_t kStatusReplySize = 4;
constexpr std::size_t kIdentifyReplySize = 11;
constexpr std::size_t kSetModeReplySize = 14;
constexpr std::size_t kReadReplySize = 8;
constexpr std::uint32_t kPiece = 64;  // data travels in 64-byte writes and reads
constexpr std::uint32_t kBlock = 252;
constexpr std::uint32_t kPage = 256;
constexpr std::size_t kBlockTransferSize = 2 + 4 * kPiece;  // marker, one byte, four pieces
constexpr std::size_t kDataBlockFrameSize = kHeaderSize + kDataBlockLength + 2;
constexpr std::size_t kLegacyPageReplySize = 2 + kPage + 2;  // markers, page, CRC
constexpr std::uint32_t kLegacyPages = 256;                  // page numbers travel in one byte

// Device types.
constexpr std::uint16_t kTypePanel = 937;
// The firmware major version of a Y-family panel of that type (system 6).
constexpr std::uint8_t kYPanelSystem = 6;
constexpr std::uint16_t kTypeFramedModule = 0x12;
constexpr std::uint16_t kTypeOutputFirst = 0x40;
constexpr std::uint16_t kTypeOutputLast = 0x43;
// Edition words a legacy device is given, having none on the wire.
constexpr std::uint16_t kLegacyPanelEdition = 0x644D;
constexpr std::uint16_t kLegacyModuleEdition = 0x6400;
constexpr char kExtendedEdition = 'e';

// Output modules (types 0x40 to 0x43) speak the legacy generation and name themselves by their type.
constexpr bool IsOutputModuleType(unsigned type) {
    return type >= kTypeOutputFirst && type <= kTypeOutputLast;
}
// Output modules whose configuration goes in one bulk transfer instead of page by page.
constexpr bool IsBulkWriteType(unsigned type) {
    return type == 0x40 || type == 0x42;
}

// Systems (the major version of a type-937 panel) and the firmware families they accept.
constexpr std::uint8_t kSystem1 = 1;
constexpr std::uint8_t kSystem2 = 2;
constexpr std::uint8_t kSystem3 = 3;
constexpr std::uint8_t kSystem5 = 5;
constexpr std::uint8_t kSystem6 = 6;
// 1 for systems 1 and 2, 2 for systems 3, 5 and 6, 0 for none: firmware moves only within a family.
constexpr int SystemFamily(unsigned major) {
    if (major == kSystem1 || major == kSystem2) return 1;
    if (major == kSystem3 || major == kSystem5 || major == kSystem6) return 2;
    return 0;
}

// The edition letter of a device identity: the low byte of its edition word.
constexpr char EditionLetter(std::uint16_t editionWord) {
    return static_cast<char>(editionWord & 0xFF);
}
// The event log's identity reply carries the same letter in the high byte of its word.
constexpr char LogEditionLetter(std::uint16_t logIdentityWord) {
    return static_cast<char>(logIdentityWord >> 8);
}
// The word a panel puts in its event-log identity for its edition word: the same two bytes, the other way
// round, so the letter stands in the high byte.
constexpr std::uint16_t LogIdentityWord(std::uint16_t editionWord) {
    return static_cast<std::uint16_t>((editionWord << 8) | (editionWord >> 8));
}

// The identity record: type code, edition word, major, minor, build.
struct TIdentity {
    std::uint16_t typeCode = 0;
    std::uint16_t edition = 0;
    std::uint8_t major = 0;
    std::uint8_t minor = 0;
    std::uint8_t build = 0;
    bool operator==(const TIdentity&) const = default;
};

// What a parser found: ok, or what it wanted and what it got, as a failure record shows them.
struct TCheck {
    bool ok = true;
    std::string expected;
    std::string received;
    explicit operator bool() const { return ok; }
};

// --- framed generation, host to device ---
Bytes FramedRequest(std::uint16_t address, std::uint8_t command, const std::uint8_t* payload,
                    std::uint8_t length);
Bytes IdentifyRequest();
Bytes SetModeRequest(std::uint8_t mode);
Bytes SelectTableRequest(std::uint16_t target, std::int32_t kind, std::uint32_t address, std::uint32_t size);
Bytes ReadRequest(std::int32_t kind, std::uint32_t address);
Bytes WriteStartRequest(std::uint32_t blocks, std::int32_t kind, std::uint32_t address);
// One data block of a block write: number from 1, 252 bytes of data.
std::array<std::uint8_t, kDataBlockFrameSize> DataBlockFrame(std::uint16_t number, const std::uint8_t* data);
std::array<std::uint8_t, 4> Ack(std::uint16_t address, std::uint8_t status);

// --- framed generation, device to host ---
// The 4-byte answer to a selection, a block-write start or a data block: 0xAA, two bytes, status 0.
TCheck ParseStatusReply(const std::uint8_t* bytes, std::size_t count);
// The 11-byte identification reply: 0xAA, command, identity, CRC.
TCheck ParseIdentifyReply(const std::uint8_t* bytes, std::size_t count, TIdentity& identity);
// The 14-byte SetMode reply. Its CRC is not checked: panels in the field are known to get it wrong.
TCheck ParseSetModeReply(const std::uint8_t* bytes, std::size_t count);
// The 8-byte answer to a read request. `status` is what the host acknowledges with: 0 good, 3 wrong start
// byte, 4 bad CRC.
TCheck ParseReadReply(const std::uint8_t* bytes, std::size_t count, std::uint8_t& status);
// A data block of a memory read (marker, one byte, four 64-byte pieces) unwrapped into its 252 bytes.
bool IsBlockMarker(std::uint8_t byte);
TCheck UnwrapDataBlock(const std::uint8_t* bytes, std::size_t count, std::uint8_t* out);

// --- legacy generation ---
std::array<std::uint8_t, kLegacyFrameSize> LegacyFrame(std::uint8_t code, std::uint8_t b3, std::uint8_t b4,
                                                       std::uint8_t b5);
TCheck ParseLegacyFrame(const std::uint8_t* bytes, std::size_t count);
// The answer to a connection frame; the identity a legacy device is known by.
TCheck ParseLegacyIdentity(const std::uint8_t* bytes, std::size_t count, TIdentity& identity);
// The 8-byte result of a page write, a bulk write or a firmware transfer: a good frame with status 0.
TCheck ParseLegacyResult(const std::uint8_t* bytes, std::size_t count);
// A page read reply: two markers, 256 bytes, the CRC over markers and page.
TCheck ParseLegacyPage(const std::uint8_t* bytes, std::size_t count, std::uint8_t* page);
// The closing checksum of a legacy page or bulk transfer, over both markers and the data.
std::array<std::uint8_t, 2> LegacyDataCrc(const std::uint8_t* data, std::size_t count);

// --- firmware ---
// The frame that opens a legacy firmware transfer and where the image data starts in the file, or nothing
// when the file is not a legacy image.
struct TLegacyImageOpening {
    std::array<std::uint8_t, kLegacyFrameSize> frame{};
    std::size_t dataStart = 0;
};
std::optional<TLegacyImageOpening> LegacyImageOpening(const std::uint8_t* file, std::size_t count);
// The 64-byte blocks a legacy transfer sends of a file of `size` bytes whose data starts at `dataStart`:
// counted from the size less ten, and never past what the file holds.
std::size_t LegacyImageBlocks(std::size_t size, std::size_t dataStart);

// Text helper for parsers and callers: "AA". Words and addresses go through HexNumber.
std::string HexByte(std::uint8_t value);

}  // namespace mirca::frames
