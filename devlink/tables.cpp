#include <algorithm>
#include <array>

#include "base/failure.h"
#include "devlink/crc.h"
#include "devlink/device.h"
#include "devlink/frames.h"
#include "devlink/le.h"

namespace mirca {

namespace {

using namespace frames;

// The block-write start carries the block count plus one in 16 bits.
constexpr std::uint32_t kMaxFramedBlocks = 0xFFFF - 1;

std::string TableText(std::uint32_t address, std::uint32_t size) {
    return "address " + HexNumber(address) + ", " + BytesText(size);
}

std::string PageStep(std::uint32_t page, const char* what) {
    return "page " + std::to_string(page) + " " + what;
}

std::string BlockStep(std::uint32_t block, const char* what) {
    return "block " + std::to_string(block) + " " + what;
}

// Legacy frames address pages by an 8-bit number: a table that reaches past page 255 cannot be addressed.
// Partial first and last pages are moved whole and merged, so they need no alignment.
bool LegacyPagesAddressable(std::uint32_t address, std::uint32_t size) {
    return std::uint64_t{address} + size <= std::uint64_t{kLegacyPages} * kPage;
}

// The bulk write sends the table itself as whole pages: it cannot merge, so its table must be page-aligned.
bool LegacyBulkFits(const TZelmoTable& table) {
    return table.address % kPage == 0 && table.Size() % kPage == 0 && table.Size() > 0 &&
           table.Size() / kPage <= 0xFF && LegacyPagesAddressable(table.address, table.Size());
}

// First page and page count that cover a table; no pages for an empty one.
struct TPageSpan {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
};
TPageSpan CoveringPages(std::uint32_t address, std::uint32_t size) {
    if (size == 0) return {address / kPage, 0};
    const std::uint64_t end = std::uint64_t{address} + size;
    const auto first = static_cast<std::uint32_t>(address / kPage);
    const auto last = static_cast<std::uint32_t>((end - 1) / kPage);
    return {first, last - first + 1};
}

bool FramedBlocksFit(const TZelmoTable& table) {
    return table.Blocks() <= kMaxFramedBlocks;
}

bool RefuseFramedSize(const TZelmoTable& table) {
    return Fail("table size", "at most " + std::to_string(kMaxFramedBlocks) + " blocks",
                std::to_string(table.Blocks()) + " blocks");
}

}  // namespace

std::uint32_t TZelmoDevice::ProgressSteps(std::uint32_t address, std::uint32_t size, bool write) const {
    if (Framed) return static_cast<std::uint32_t>((std::uint64_t{size} + kBlock - 1) / kBlock);
    if (write && Mode == kModeConfiguration && IsBulkWriteType(TypeCode)) return size / kPiece;
    return CoveringPages(address, size).count;
}

bool TZelmoDevice::SelectTable(std::uint16_t target, std::int32_t kind, std::uint32_t address,
                               std::uint32_t size) {
    if (!SendFrame(SelectTableRequest(target, kind, address, size), "table selection request")) return false;
    Wait(10);
    const bool ok = ReadStatusReply("table selection reply");
    Port->Flush();
    return ok;
}

// The 4-byte answer to a table selection, a block-write start or a data block: 0xAA ... status.
bool TZelmoDevice::ReadStatusReply(const std::string& step) {
    std::array<std::uint8_t, kStatusReplySize> reply{};
    if (!ReadBytes(reply.data(), reply.size(), step)) return false;
    if (TCheck check = ParseStatusReply(reply.data(), reply.size()); !check)
        return FailStep(step, check.expected, check.received);
    return true;
}

// The legacy 8-byte result of a page write or a firmware transfer. Its status is byte 3; the frame itself
// is checked too, so that line noise with a zero in the right place is not taken for success.
bool TZelmoDevice::ReadLegacyResult(const std::string& step) {
    std::array<std::uint8_t, kLegacyFrameSize> reply{};
    if (!ReadBytes(reply.data(), reply.size(), step)) return false;
    if (TCheck check = ParseLegacyResult(reply.data(), reply.size()); !check)
        return FailStep(step, check.expected, check.received);
    return true;
}

bool TZelmoDevice::ReadTable(TZelmoTable& table) {
    ClearFailure();
    if (Port == nullptr || !Connected) return Fail("read", "a connected device", "none");
    return Framed ? ReadFramedTable(table) : ReadLegacyPages(table);
}

bool TZelmoDevice::ReadFramedTable(TZelmoTable& table) {
    if (!SetMode(kWireModeSelect) || !SelectTable(kSelectTarget, table.kind, table.address, table.Size()) ||
        !SetMode(kWireModeRead))
        return false;

    if (!SendFrame(ReadRequest(table.kind, table.address), "read request")) return false;
    Wait(100);
    std::array<std::uint8_t, kReadReplySize> reply{};
    if (!ReadBytes(reply.data(), reply.size(), "read reply")) return false;
    std::uint8_t status = 0;
    const TCheck check = ParseReadReply(reply.data(), reply.size(), status);
    if (!SendAck(kRequestStart, 0x00, 0x00, status)) return false;
    if (!check) return FailStep("read reply", check.expected, check.received);

    table.PadToBlocks();
    ProgressMax(table.Blocks());
    for (std::uint32_t j = 0; j < table.Blocks(); ++j) {
        if (!ReadFramedBlock(table.data.data() + std::size_t{j} * kBlock, j)) return false;
        Wait(20);
        if (!SendAck(kRequestStart, 0x00, 0x00, 0x00)) return false;
        ProgressStep();
    }
    return true;
}

// One framed data block: a marker byte, one more byte, then four 64-byte pieces whose outer two bytes at
// each end frame the 252 data bytes.
bool TZelmoDevice::ReadFramedBlock(std::uint8_t* out, std::uint32_t number) {
    const std::string step = BlockStep(number, "data");
    std::array<std::uint8_t, kBlockTransferSize> block{};
    if (!ReadPiece(&block[0], 1, 0, block.size(), step)) return false;
    if (!IsBlockMarker(block[0]))
        return FailStep(step, "start byte " + HexByte(kReplyStart), "start byte " + HexByte(block[0]));
    if (!ReadPiece(&block[1], 1, 1, block.size(), step)) return false;
    for (std::uint32_t p = 0; p < 4; ++p) {
        if (!ReadPiece(&block[2 + p * kPiece], kPiece, 2 + p * kPiece, block.size(), step)) return false;
    }
    if (TCheck check = UnwrapDataBlock(block.data(), block.size(), out); !check)
        return FailStep(step, check.expected, check.received);
    return true;
}

// One page read: the request, a pause, the markers, four pieces and the checksum.
bool TZelmoDevice::ReadLegacyPage(std::uint32_t page, std::uint8_t* out) {
    const std::string step = PageStep(page, "reply");
    if (!SendLegacyFrame(kLegacyRead, 0x01, static_cast<std::uint8_t>(page), 0x00, PageStep(page, "request")))
        return false;
    Wait(10);
    std::array<std::uint8_t, kLegacyPageReplySize> reply{};
    for (std::size_t m = 0; m < 2; ++m) {
        if (!ReadPiece(&reply[m], 1, m, reply.size(), step)) return false;
        if (reply[m] != kLegacyMarker)
            return FailStep(step, "marker " + HexByte(kLegacyMarker), "marker " + HexByte(reply[m]));
    }
    for (std::uint32_t piece = 0; piece < kPage / kPiece; ++piece) {
        if (!ReadPiece(&reply[2 + piece * kPiece], kPiece, 2 + piece * kPiece, reply.size(), step))
            return false;
    }
    if (!ReadBytes(&reply[2 + kPage], 2, step, 2 + kPage)) return false;
    if (TCheck check = ParseLegacyPage(reply.data(), reply.size(), out); !check)
        return FailStep(step, check.expected, check.received);
    return true;
}

// Pages are read whole; a table that starts or ends inside a page takes only its own bytes of it.
bool TZelmoDevice::ReadLegacyPages(TZelmoTable& table) {
    const std::uint32_t size = table.Size();
    if (!LegacyPagesAddressable(table.address, size))
        return Fail("legacy read", "a table below page 256", TableText(table.address, size));
    const TPageSpan span = CoveringPages(table.address, size);
    ProgressMax(span.count);
    std::array<std::uint8_t, kPage> page{};
    for (std::uint32_t p = span.first; p < span.first + span.count; ++p) {
        if (!ReadLegacyPage(p, page.data())) return false;
        const std::uint64_t pageStart = std::uint64_t{p} * kPage;
        const std::uint64_t from = std::max<std::uint64_t>(pageStart, table.address);
        const std::uint64_t to =
            std::min<std::uint64_t>(pageStart + kPage, std::uint64_t{table.address} + size);
        std::copy(page.begin() + static_cast<std::ptrdiff_t>(from - pageStart),
                  page.begin() + static_cast<std::ptrdiff_t>(to - pageStart),
                  table.data.begin() + static_cast<std::ptrdiff_t>(from - table.address));
        ProgressStep();
    }
    return true;
}

bool TZelmoDevice::WriteTable(TZelmoTable& table) {
    ClearFailure();
    if (Port == nullptr || !Connected) return Fail("write", "a connected device", "none");
    if (Mode == kModeFirmware) {
        if (!Framed) return WriteLegacyImage(table);
        if (!FramedBlocksFit(table)) return RefuseFramedSize(table);
        ProgressMax(table.Size() / kBlock);
        {
            const TLongRead erase(*Port, kFirmwareModeSwitchTimeoutMs);
            if (!SetMode(WriteModeCode)) return false;
        }
        return WriteFramedBlocks(table);
    }
    if (Mode != kModeConfiguration)
        return Fail("write", "a firmware or configuration connection", "mode " + std::to_string(Mode));
    if (Framed) {
        if (!FramedBlocksFit(table)) return RefuseFramedSize(table);
        ProgressMax(table.Blocks());
        return SetMode(kWireModeSelect) &&
               SelectTable(kSelectTarget, table.kind, table.address, table.Size()) &&
               SetMode(WriteModeCode) && WriteFramedBlocks(table);
    }
    if (IsBulkWriteType(TypeCode)) return WriteLegacyBulk(table);
    return WriteLegacyPages(table);
}

bool TZelmoDevice::WriteFramedBlocks(TZelmoTable& table) {
    table.PadToBlocks();
    const std::uint32_t n = table.Blocks();
    if (!SendFrame(WriteStartRequest(n, table.kind, table.address), "block-write start request"))
        return false;
    Wait(5);
    if (!ReadStatusReply("block-write start reply")) return false;
    Port->Flush();

    for (std::uint32_t i = 1; i <= n; ++i) {
        Port->Flush();
        const auto frame =
            DataBlockFrame(static_cast<std::uint16_t>(i), table.data.data() + std::size_t{i - 1} * kBlock);
        const std::string step = BlockStep(i, "frame");
        if (!WriteBytes(frame.data(), kHeaderSize, step)) return false;
        Port->Flush();
        for (std::uint32_t p = 0; p < 4; ++p) {
            if (!WritePiece(frame.data() + kHeaderSize + p * kPiece, kPiece, step)) return false;
        }
        Wait(5);
        if (!ReadStatusReply(BlockStep(i, "status"))) return false;
        Wait(2);
        ProgressStep();
    }
    return true;
}

bool TZelmoDevice::WriteLegacyBulk(const TZelmoTable& table) {
    if (!LegacyBulkFits(table))
        return Fail("bulk write", "whole pages below page 256", TableText(table.address, table.Size()));
    ProgressMax(table.Size() / kPiece);
    if (!SendLegacyFrame(kLegacyWrite, static_cast<std::uint8_t>(table.Size() / kPage),
                         static_cast<std::uint8_t>(table.address / kPage), 0x00, "bulk write request"))
        return false;
    const std::uint8_t marker = kLegacyMarker;
    if (!WritePiece(&marker, 1, "bulk write markers")) return false;
    Wait(10);
    if (!WritePiece(&marker, 1, "bulk write markers")) return false;
    Wait(10);
    for (std::uint32_t offset = 0; offset < table.Size(); offset += kPiece) {
        if (!WritePiece(table.data.data() + offset, kPiece, "bulk write data")) return false;
        Wait(10);
        ProgressStep();
    }
    return WriteLegacyCrc(LegacyPageCrc(table.data.data(), table.Size()), "bulk write checksum") &&
           ReadLegacyResult("bulk write result");
}

// One whole page written: request, pause, markers, four pieces each with a pause, checksum, result.
bool TZelmoDevice::WriteLegacyPage(std::uint32_t page, const std::uint8_t* data) {
    if (!SendLegacyFrame(kLegacyWrite, 0x01, static_cast<std::uint8_t>(page), 0x00,
                         PageStep(page, "write request")))
        return false;
    Wait(10);
    const std::uint8_t marker = kLegacyMarker;
    const std::string dataStep = PageStep(page, "data");
    if (!WritePiece(&marker, 1, dataStep) || !WritePiece(&marker, 1, dataStep)) return false;
    for (std::uint32_t piece = 0; piece < kPage / kPiece; ++piece) {
        if (!WritePiece(data + piece * kPiece, kPiece, dataStep)) return false;
        Wait(20);
    }
    return WriteLegacyCrc(LegacyPageCrc(data, kPage), PageStep(page, "checksum")) &&
           ReadLegacyResult(PageStep(page, "result"));
}

// Whole pages go out. A partial first or last page is read from the device first and the table's bytes
// merged into it, so that no device byte outside the table changes.
bool TZelmoDevice::WriteLegacyPages(const TZelmoTable& table) {
    const std::uint32_t size = table.Size();
    if (!LegacyPagesAddressable(table.address, size))
        return Fail("legacy write", "a table below page 256", TableText(table.address, size));
    const TPageSpan span = CoveringPages(table.address, size);
    ProgressMax(span.count);
    const std::uint64_t tableEnd = std::uint64_t{table.address} + size;
    std::array<std::uint8_t, kPage> merged{};
    for (std::uint32_t p = span.first; p < span.first + span.count; ++p) {
        const std::uint64_t pageStart = std::uint64_t{p} * kPage;
        const std::uint64_t from = std::max<std::uint64_t>(pageStart, table.address);
        const std::uint64_t to = std::min<std::uint64_t>(pageStart + kPage, tableEnd);
        const std::uint8_t* source = table.data.data() + (from - table.address);
        const std::uint8_t* page = source;
        if (to - from < kPage) {
            if (!ReadLegacyPage(p, merged.data())) return false;
            std::copy(source, source + (to - from),
                      merged.begin() + static_cast<std::ptrdiff_t>(from - pageStart));
            page = merged.data();
        }
        if (!WriteLegacyPage(p, page)) return false;
        ProgressStep();
    }
    return true;
}

// The closing checksum of a legacy page transfer: low byte, pause, high byte, pause.
bool TZelmoDevice::WriteLegacyCrc(std::uint16_t crc, const std::string& step) {
    const std::uint8_t lo = static_cast<std::uint8_t>(crc);
    const std::uint8_t hi = static_cast<std::uint8_t>(crc >> 8);
    if (!WritePiece(&lo, 1, step)) return false;
    Wait(10);
    if (!WritePiece(&hi, 1, step)) return false;
    Wait(10);
    return true;
}

}  // namespace mirca
