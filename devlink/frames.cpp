#include "devlink/frames.h"

#include <algorithm>
#include <cstdio>

#include "base/failure.h"
#include "devlink/crc.h"
#include "devlink/le.h"

namespace mirca::frames {

namespace {

TCheck Wrong(std::string expected, std::string received) {
    return TCheck{false, std::move(expected), std::move(received)};
}

TCheck Short(std::size_t want, std::size_t got) {
    return Wrong(BytesText(want), BytesText(got));
}

TCheck StartByte(std::uint8_t want, std::uint8_t got) {
    return Wrong("start byte " + HexByte(want), "start byte " + HexByte(got));
}

// The CRC-16/ARC of `count` bytes against the two bytes after them.
TCheck Crc(const std::uint8_t* bytes, std::size_t count) {
    const std::uint16_t want = Crc16Arc(bytes, count);
    const std::uint16_t got = le::Get16(bytes + count);
    if (want == got) return {};
    return Wrong("CRC " + HexNumber(want), "CRC " + HexNumber(got));
}

TCheck Status(std::uint8_t got) {
    if (got == 0) return {};
    return Wrong("status 00", "status " + HexByte(got));
}

}  // namespace

std::string HexByte(std::uint8_t value) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

Bytes FramedRequest(std::uint16_t address, std::uint8_t command, const std::uint8_t* payload,
                    std::uint8_t length) {
    Bytes frame = {kRequestStart};
    le::Append16(frame, address);
    frame.push_back(command);
    frame.push_back(length);
    if (length > 0) frame.insert(frame.end(), payload, payload + length);
    le::Append16(frame, Crc16Arc(frame.data(), frame.size()));
    return frame;
}

Bytes IdentifyRequest() {
    return FramedRequest(kCommandAddress, kCmdIdentify, nullptr, 0);
}

Bytes SetModeRequest(std::uint8_t mode) {
    return FramedRequest(kCommandAddress, kCmdSetMode, &mode, 1);
}

Bytes SelectTableRequest(std::uint16_t target, std::int32_t kind, std::uint32_t address, std::uint32_t size) {
    std::array<std::uint8_t, kSelectLength> payload{};
    le::Put16(&payload[2], 1);
    le::Put16(&payload[4], target);
    le::Put16(&payload[12], static_cast<std::uint16_t>(kind));
    le::Put32(&payload[14], address);
    le::Put32(&payload[18], size);
    return FramedRequest(kCommandAddress, kCmdTable, payload.data(), kSelectLength);
}

Bytes ReadRequest(std::int32_t kind, std::uint32_t address) {
    std::array<std::uint8_t, kReadRequestLength> payload{};
    le::Put16(&payload[0], static_cast<std::uint16_t>(kind));
    le::Put32(&payload[2], address);
    return FramedRequest(kCommandAddress, kCmdRead, payload.data(), kReadRequestLength);
}

Bytes WriteStartRequest(std::uint32_t blocks, std::int32_t kind, std::uint32_t address) {
    std::array<std::uint8_t, kWriteStartLength> payload{};
    // The count field carries the block count plus one.
    le::Put16(&payload[2], static_cast<std::uint16_t>(blocks + 1));
    le::Put16(&payload[4], static_cast<std::uint16_t>(kind));
    le::Put32(&payload[6], address);
    return FramedRequest(kCommandAddress, kCmdTable, payload.data(), kWriteStartLength);
}

std::array<std::uint8_t, kDataBlockFrameSize> DataBlockFrame(std::uint16_t number, const std::uint8_t* data) {
    std::array<std::uint8_t, kDataBlockFrameSize> frame{kRequestStart, 0xFF, 0xFF, kCmdTable,
                                                        kDataBlockLength};
    le::Put16(&frame[5], number);
    std::copy_n(data, kBlock, frame.begin() + 7);
    le::Put16(&frame[kDataBlockFrameSize - 2], Crc16Arc(frame.data(), kDataBlockFrameSize - 2));
    return frame;
}

std::array<std::uint8_t, 4> Ack(std::uint16_t address, std::uint8_t status) {
    return {kRequestStart, static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8),
            status};
}

TCheck ParseStatusReply(const std::uint8_t* bytes, std::size_t count) {
    if (count < kStatusReplySize) return Short(kStatusReplySize, count);
    if (bytes[0] != kReplyStart) return StartByte(kReplyStart, bytes[0]);
    return Status(bytes[3]);
}

TCheck ParseIdentifyReply(const std::uint8_t* bytes, std::size_t count, TIdentity& identity) {
    if (count < kIdentifyReplySize) return Short(kIdentifyReplySize, count);
    if (bytes[0] != kReplyStart) return StartByte(kReplyStart, bytes[0]);
    if (TCheck crc = Crc(bytes, 9); !crc) return crc;
    identity = {le::Get16(bytes + 2), le::Get16(bytes + 4), bytes[6], bytes[7], bytes[8]};
    return {};
}

TCheck ParseSetModeReply(const std::uint8_t* bytes, std::size_t count) {
    if (count < kSetModeReplySize) return Short(kSetModeReplySize, count);
    if (bytes[0] != kReplyStart) return StartByte(kReplyStart, bytes[0]);
    return {};
}

TCheck ParseReadReply(const std::uint8_t* bytes, std::size_t count, std::uint8_t& status) {
    if (count < kReadReplySize) {
        status = 3;
        return Short(kReadReplySize, count);
    }
    TCheck check;
    status = 0;
    if (bytes[0] != kReplyStart) {
        status = 3;
        check = StartByte(kReplyStart, bytes[0]);
    }
    // A bad CRC is the status sent back even when the start byte was wrong too.
    if (TCheck crc = Crc(bytes, 6); !crc) {
        status = 4;
        check = crc;
    }
    return check;
}

bool IsBlockMarker(std::uint8_t byte) {
    return (byte & kReplyStart) != 0;
}

TCheck UnwrapDataBlock(const std::uint8_t* bytes, std::size_t count, std::uint8_t* out) {
    if (count < kBlockTransferSize) return Short(kBlockTransferSize, count);
    if (!IsBlockMarker(bytes[0])) return StartByte(kReplyStart, bytes[0]);
    // Byte 1 and the two outer bytes at each end of the pieces frame the data and are not examined.
    std::copy_n(bytes + 2 + 2, kBlock, out);
    return {};
}

std::array<std::uint8_t, kLegacyFrameSize> LegacyFrame(std::uint8_t code, std::uint8_t b3, std::uint8_t b4,
                                                       std::uint8_t b5) {
    std::array<std::uint8_t, kLegacyFrameSize> frame{kRequestStart, kRequestStart, code, b3, b4, b5, 0, 0};
    le::Put16(&frame[6], Crc16Arc(frame.data(), 6));
    return frame;
}

TCheck ParseLegacyFrame(const std::uint8_t* bytes, std::size_t count) {
    if (count < kLegacyFrameSize) return Short(kLegacyFrameSize, count);
    if (bytes[0] != kRequestStart || bytes[1] != kRequestStart)
        return Wrong("start bytes 55 55", "start bytes " + HexByte(bytes[0]) + " " + HexByte(bytes[1]));
    return Crc(bytes, 6);
}

TCheck ParseLegacyIdentity(const std::uint8_t* bytes, std::size_t count, TIdentity& identity) {
    if (TCheck frame = ParseLegacyFrame(bytes, count); !frame) return frame;
    const std::uint8_t code = bytes[2];
    const std::uint8_t version = bytes[3];
    TIdentity id;
    if (IsOutputModuleType(code)) {
        id.typeCode = code;
        id.edition = kLegacyModuleEdition;
    } else if (code == kLegacyPanelCodeA || code == kLegacyPanelCodeB) {
        id.typeCode = kTypePanel;
        id.edition = kLegacyPanelEdition;
    } else {
        return Wrong("device code 1F, 0B or 40 to 43", "device code " + HexByte(code));
    }
    id.major = version / 10;
    id.minor = version % 10;
    id.build = 0;
    identity = id;
    return {};
}

TCheck ParseLegacyResult(const std::uint8_t* bytes, std::size_t count) {
    if (TCheck frame = ParseLegacyFrame(bytes, count); !frame) return frame;
    return Status(bytes[3]);
}

TCheck ParseLegacyPage(const std::uint8_t* bytes, std::size_t count, std::uint8_t* page) {
    if (count < kLegacyPageReplySize) return Short(kLegacyPageReplySize, count);
    if (bytes[0] != kLegacyMarker || bytes[1] != kLegacyMarker)
        return Wrong("markers AA AA", "markers " + HexByte(bytes[0]) + " " + HexByte(bytes[1]));
    if (TCheck crc = Crc(bytes, 2 + kPage); !crc) return crc;
    std::copy_n(bytes + 2, kPage, page);
    return {};
}

std::array<std::uint8_t, 2> LegacyDataCrc(const std::uint8_t* data, std::size_t count) {
    const std::uint16_t crc = LegacyPageCrc(data, count);
    return {static_cast<std::uint8_t>(crc), static_cast<std::uint8_t>(crc >> 8)};
}

std::optional<TLegacyImageOpening> LegacyImageOpening(const std::uint8_t* file, std::size_t count) {
    constexpr std::size_t kModuleHeaderSize = 11;  // module type .. 32-bit value, then the image
    if (count < 2) return std::nullopt;
    const std::uint16_t w = le::Get16(file);
    TLegacyImageOpening opening;
    if (w == 0x5555) {
        if (count < kLegacyFrameSize) return std::nullopt;
        std::copy_n(file, kLegacyFrameSize, opening.frame.begin());
        opening.dataStart = kLegacyFrameSize;
    } else if (IsOutputModuleType(w)) {
        if (count < kModuleHeaderSize) return std::nullopt;
        opening.frame = {
            kRequestStart, kRequestStart, file[0], static_cast<std::uint8_t>(file[5] * 10 + file[6]),
            file[10],      file[9],       file[8], file[7]};
        opening.dataStart = kModuleHeaderSize;
    } else {
        return std::nullopt;
    }
    return opening;
}

std::size_t LegacyImageBlocks(std::size_t size, std::size_t dataStart) {
    constexpr std::size_t kLegacyMinSize = 10;
    if (size < kLegacyMinSize || size < dataStart) return 0;
    // For a module image, whose data starts one byte later, the count from the size less ten can reach one
    // byte past the end.
    return std::min((size - kLegacyMinSize) / kPiece, (size - dataStart) / kPiece);
}

}  // namespace mirca::frames
