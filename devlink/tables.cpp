#include <algorithm>
#include <array>

#include "devlink/crc.h"
#include "devlink/device.h"
#include "devlink/frames.h"
#include "devlink/le.h"

namespace mirca {

namespace {

using namespace frames;

constexpr std::uint32_t kPage = TZelmoTable::kPageSize;
constexpr std::uint32_t kBlock = TZelmoTable::kBlockSize;
// The block-write start carries the block count plus one in 16 bits.
constexpr std::uint32_t kMaxFramedBlocks = 0xFFFF - 1;
constexpr std::uint32_t kLegacyPages = 256;  // page numbers travel in one byte

// Legacy frames address whole pages by an 8-bit number: a table that is not page-aligned, or that reaches
// past page 255, cannot be moved without touching bytes outside it, so it is refused before anything is sent.
bool LegacyPagesFit(const TZelmoTable& table) {
    const std::uint64_t end = std::uint64_t{table.address} + table.Size();
    return table.address % kPage == 0 && table.Size() % kPage == 0 &&
           end <= std::uint64_t{kLegacyPages} * kPage;
}

bool FramedBlocksFit(const TZelmoTable& table) {
    return table.Blocks() <= kMaxFramedBlocks;
}

}  // namespace

bool TZelmoDevice::SelectTable(std::uint16_t target, std::int32_t kind, std::uint32_t address,
                               std::uint32_t size) {
    const std::uint8_t header[5] = {0x55, 0x00, 0x00, kCmdTable, 0x16};
    std::array<std::uint8_t, 22> payload{};
    le::Put16(&payload[2], 1);
    le::Put16(&payload[4], target);
    le::Put16(&payload[12], static_cast<std::uint16_t>(kind));
    le::Put32(&payload[14], address);
    le::Put32(&payload[18], size);
    if (!SendRequest(header, payload.data())) return false;
    Wait(10);
    const bool ok = ReadStatusReply();
    Port->Flush();
    return ok;
}

// The 4-byte answer to a table selection, a block-write start or a data block: 0xAA ... status.
bool TZelmoDevice::ReadStatusReply() {
    std::array<std::uint8_t, 4> reply{};
    if (!ReadBytes(reply.data(), reply.size())) return false;
    return reply[0] == kReplyStart && reply[3] == 0;
}

// The legacy 8-byte result of a page write or a firmware transfer. Its status is byte 3; the frame itself
// is checked too, so that line noise with a zero in the right place is not taken for success.
bool TZelmoDevice::ReadLegacyResult() {
    std::array<std::uint8_t, 8> reply{};
    if (!ReadBytes(reply.data(), reply.size())) return false;
    return reply[0] == 0x55 && reply[1] == 0x55 && Crc16ArcMatches(reply.data(), 6) && reply[3] == 0;
}

bool TZelmoDevice::ReadTable(TZelmoTable& table) {
    if (Port == nullptr || !Connected) return false;
    return Framed ? ReadFramedTable(table) : ReadLegacyPages(table);
}

bool TZelmoDevice::ReadFramedTable(TZelmoTable& table) {
    if (!SetMode(5) || !SelectTable(0x12, table.kind, table.address, table.Size()) || !SetMode(2))
        return false;

    const std::uint8_t header[5] = {0x55, 0x00, 0x00, kCmdRead, 0x06};
    std::array<std::uint8_t, 6> payload{};
    le::Put16(&payload[0], static_cast<std::uint16_t>(table.kind));
    le::Put32(&payload[2], table.address);
    if (!SendRequest(header, payload.data())) return false;
    Wait(100);
    std::array<std::uint8_t, 8> reply{};
    if (!ReadBytes(reply.data(), reply.size())) return false;
    std::uint8_t status = 0;
    if (reply[0] != kReplyStart) status = 3;
    if (!Crc16ArcMatches(reply.data(), 6)) status = 4;
    if (!SendAck(0x55, 0x00, 0x00, status) || status != 0) return false;

    table.PadToBlocks();
    for (std::uint32_t j = 0; j < table.Blocks(); ++j) {
        if (!ReadFramedBlock(table.data.data() + std::size_t{j} * kBlock)) return false;
        Wait(20);
        if (!SendAck(0x55, 0x00, 0x00, 0x00)) return false;
        ProgressStep();
    }
    return true;
}

// One framed data block: a marker byte, one more byte, then four 64-byte pieces whose outer two bytes at
// each end frame the 252 data bytes.
bool TZelmoDevice::ReadFramedBlock(std::uint8_t* out) {
    std::uint8_t marker = 0;
    if (!Port->Read(&marker, 1) || (marker & kReplyStart) == 0) return false;
    std::uint8_t second = 0;
    if (!Port->Read(&second, 1)) return false;
    std::array<std::uint8_t, 4 * kPiece> pieces{};
    for (std::uint32_t p = 0; p < 4; ++p) {
        if (!Port->Read(pieces.data() + p * kPiece, kPiece)) return false;
    }
    std::copy(pieces.begin() + 2, pieces.end() - 2, out);
    return true;
}

bool TZelmoDevice::ReadLegacyPages(TZelmoTable& table) {
    if (!LegacyPagesFit(table)) return false;
    const std::uint32_t first = table.address / kPage;
    const std::uint32_t count = table.Size() / kPage;
    ProgressMax(count);
    for (std::uint32_t p = first; p < first + count; ++p) {
        std::uint8_t* page = table.data.data() + std::size_t{p - first} * kPage;
        if (!SendLegacyFrame(kLegacyRead, 0x01, static_cast<std::uint8_t>(p), 0x00)) return false;
        Wait(10);
        std::uint8_t marker = 0;
        if (!Port->Read(&marker, 1) || marker != 0xAA) return false;
        if (!Port->Read(&marker, 1) || marker != 0xAA) return false;
        for (std::uint32_t piece = 0; piece < kPage / kPiece; ++piece) {
            if (!Port->Read(page + piece * kPiece, kPiece)) return false;
        }
        std::array<std::uint8_t, 2> crc{};
        if (!ReadBytes(crc.data(), crc.size())) return false;
        if (le::Get16(crc.data()) != LegacyPageCrc(page, kPage)) return false;
        ProgressStep();
    }
    return true;
}

bool TZelmoDevice::WriteTable(TZelmoTable& table) {
    if (Port == nullptr || !Connected) return false;
    if (Mode == kModeFirmware) {
        if (!Framed) return WriteLegacyImage(table);
        if (!FramedBlocksFit(table)) return false;
        ProgressMax(table.Size() / kBlock);
        return SetMode(WriteModeCode) && WriteFramedBlocks(table);
    }
    if (Mode != kModeConfiguration) return false;
    if (Framed) {
        if (!FramedBlocksFit(table)) return false;
        return SetMode(5) && SelectTable(0x12, table.kind, table.address, table.Size()) &&
               SetMode(WriteModeCode) && WriteFramedBlocks(table);
    }
    if (TypeCode == 0x40 || TypeCode == 0x42) return WriteLegacyBulk(table);
    return WriteLegacyPages(table);
}

bool TZelmoDevice::WriteFramedBlocks(TZelmoTable& table) {
    table.PadToBlocks();
    const std::uint32_t n = table.Blocks();
    const std::uint8_t header[5] = {0x55, 0x00, 0x00, kCmdTable, 0x0C};
    std::array<std::uint8_t, 12> payload{};
    le::Put16(&payload[2], static_cast<std::uint16_t>(n + 1));
    le::Put16(&payload[4], static_cast<std::uint16_t>(table.kind));
    le::Put32(&payload[6], table.address);
    if (!SendRequest(header, payload.data())) return false;
    Wait(5);
    if (!ReadStatusReply()) return false;
    Port->Flush();

    std::array<std::uint8_t, 261> frame{0x55, 0xFF, 0xFF, kCmdTable, 0xFE};
    for (std::uint32_t i = 1; i <= n; ++i) {
        Port->Flush();
        le::Put16(&frame[5], static_cast<std::uint16_t>(i));
        std::copy_n(table.data.begin() + std::ptrdiff_t{i - 1} * kBlock, kBlock, frame.begin() + 7);
        le::Put16(&frame[259], Crc16Arc(frame.data(), 259));
        if (!WriteBytes(frame.data(), 5)) return false;
        Port->Flush();
        for (std::uint32_t p = 0; p < 4; ++p) {
            if (!Port->Write(frame.data() + 5 + p * kPiece, kPiece)) return false;
        }
        Wait(5);
        if (!ReadStatusReply()) return false;
        Wait(2);
        ProgressStep();
    }
    return true;
}

bool TZelmoDevice::WriteLegacyBulk(const TZelmoTable& table) {
    if (!LegacyPagesFit(table) || table.Size() == 0 || table.Size() / kPage > 0xFF) return false;
    ProgressMax(table.Size() / kPiece);
    if (!SendLegacyFrame(kLegacyWrite, static_cast<std::uint8_t>(table.Size() / kPage),
                         static_cast<std::uint8_t>(table.address / kPage), 0x00))
        return false;
    const std::uint8_t marker = 0xAA;
    if (!Port->Write(&marker, 1)) return false;
    Wait(10);
    if (!Port->Write(&marker, 1)) return false;
    Wait(10);
    for (std::uint32_t offset = 0; offset < table.Size(); offset += kPiece) {
        if (!Port->Write(table.data.data() + offset, kPiece)) return false;
        Wait(10);
        ProgressStep();
    }
    return WriteLegacyCrc(LegacyPageCrc(table.data.data(), table.Size())) && ReadLegacyResult();
}

bool TZelmoDevice::WriteLegacyPages(const TZelmoTable& table) {
    if (!LegacyPagesFit(table)) return false;
    const std::uint32_t first = table.address / kPage;
    const std::uint32_t count = table.Size() / kPage;
    ProgressMax(count);
    const std::uint8_t marker = 0xAA;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* page = table.data.data() + std::size_t{i} * kPage;
        if (!SendLegacyFrame(kLegacyWrite, 0x01, static_cast<std::uint8_t>(first + i), 0x00)) return false;
        Wait(10);
        if (!Port->Write(&marker, 1) || !Port->Write(&marker, 1)) return false;
        for (std::uint32_t piece = 0; piece < kPage / kPiece; ++piece) {
            if (!Port->Write(page + piece * kPiece, kPiece)) return false;
            Wait(20);
        }
        if (!WriteLegacyCrc(LegacyPageCrc(page, kPage)) || !ReadLegacyResult()) return false;
        ProgressStep();
    }
    return true;
}

// The closing checksum of a legacy page transfer: low byte, pause, high byte, pause.
bool TZelmoDevice::WriteLegacyCrc(std::uint16_t crc) {
    const std::uint8_t lo = static_cast<std::uint8_t>(crc);
    const std::uint8_t hi = static_cast<std::uint8_t>(crc >> 8);
    if (!Port->Write(&lo, 1)) return false;
    Wait(10);
    if (!Port->Write(&hi, 1)) return false;
    Wait(10);
    return true;
}

}  // namespace mirca
