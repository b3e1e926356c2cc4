#include <algorithm>
#include <array>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "base/failure.h"
#include "base/userfile.h"
#include "devlink/crc.h"
#include "devlink/device.h"
#include "devlink/frames.h"
#include "devlink/le.h"

namespace mirca {

namespace {

using namespace frames;

constexpr std::uint16_t kLegacyImageMark = 0x5555;
constexpr std::size_t kImageHeaderSize = 7;  // the identity record that heads a framed image
constexpr std::size_t kLegacyMinSize = 10;

// The first bytes of a firmware file, or nothing when it cannot be read or is too short to be one.
std::optional<std::array<std::uint8_t, kImageHeaderSize>> ReadHeader(const std::filesystem::path& file) {
    std::vector<std::uint8_t> head;
    if (!ReadFileHead(file, kImageHeaderSize, head, "firmware file").empty() ||
        head.size() != kImageHeaderSize)
        return std::nullopt;
    std::array<std::uint8_t, kImageHeaderSize> h{};
    std::copy(head.begin(), head.end(), h.begin());
    return h;
}

// The whole file, bounded: a file larger than any firmware image is refused before it is read.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& file,
                                                       std::uintmax_t limit) {
    std::vector<std::uint8_t> bytes;
    if (std::string error = ReadFileBounded(file, static_cast<std::size_t>(limit), bytes, "firmware file");
        !error.empty()) {
        Fail(std::move(error));
        FailWithin(file.string());
        return std::nullopt;
    }
    return bytes;
}

}  // namespace

bool TZelmoDevice::IsFirmwareCompatible(const std::filesystem::path& file) {
    if (!Connected) throw std::logic_error("IsFirmwareCompatible: device must be connected");
    const auto h = ReadHeader(file);
    if (!h) return false;
    const std::uint16_t w = le::Get16(h->data());
    if (w == kLegacyImageMark || IsOutputModuleType(w)) {
        if (Framed || Mode != kModeFirmware) return false;
        return w == kLegacyImageMark ? TypeCode == (*h)[2] : TypeCode == (*h)[0];
    }
    if (w != TypeCode || !Framed) return false;
    const std::uint8_t fileMajor = (*h)[4];
    const int family = SystemFamily(Major);
    return family != 0 && SystemFamily(fileMajor) == family;
}

bool TZelmoDevice::AdoptFirmwareVersion(const std::filesystem::path& file) {
    if (!Connected) return false;
    const auto h = ReadHeader(file);
    if (!h || IsOutputModuleType(TypeCode)) return false;
    if (le::Get16(h->data()) != TypeCode) return false;
    const std::uint8_t oldMajor = Major;
    Major = (*h)[4];
    Minor = (*h)[5];
    Build = (*h)[6];
    return oldMajor != Major;
}

bool TZelmoDevice::LoadFirmware(const std::filesystem::path& file) {
    ClearFailure();
    if (Port == nullptr || !Connected) return Fail("firmware", "a connected device", "none");
    if (Mode != kModeFirmware)
        return Fail("firmware", "a firmware connection", "mode " + std::to_string(Mode));
    auto bytes = ReadWholeFile(file, kMaxFirmwareFileSize);
    if (!bytes) return false;
    // Only an image made for this device goes out; anything else is refused before a byte is sent.
    if (Framed && bytes->size() < kImageHeaderSize)
        return Fail("firmware file", "a header of " + BytesText(kImageHeaderSize), BytesText(bytes->size()));
    if (Framed && le::Get16(bytes->data()) != TypeCode) {
        return Fail("firmware file", "an image of type " + std::to_string(TypeCode),
                    "type " + std::to_string(le::Get16(bytes->data())));
    }
    TZelmoTable table(TZelmoTable::kKindFirmware, 0, 0);
    table.data = std::move(*bytes);
    if (Framed) table.PadToBlocks();
    return WriteTable(table);
}

bool TZelmoDevice::WriteLegacyImage(const TZelmoTable& table) {
    const std::vector<std::uint8_t>& d = table.data;
    if (d.size() < kLegacyMinSize)
        return Fail("legacy firmware image", "at least " + BytesText(kLegacyMinSize), BytesText(d.size()));
    const auto opening = LegacyImageOpening(d.data(), d.size());
    if (!opening) {
        return Fail("legacy firmware image", "a legacy image header",
                    "first bytes " + HexBytes(d.data(), std::min<std::size_t>(d.size(), 11)));
    }
    const auto& frame = opening->frame;
    const std::size_t start = opening->dataStart;
    const std::size_t blocks = LegacyImageBlocks(d.size(), start);

    TCrc16 crc;
    if (!WriteBytes(frame.data(), frame.size(), "firmware opening frame")) return false;
    crc.Update(frame.data(), frame.size());
    ProgressMax(static_cast<std::uint32_t>(blocks));
    for (std::size_t j = 0; j < blocks; ++j) {
        const std::uint8_t* block = d.data() + start + j * kPiece;
        crc.Update(block, kPiece);
        if (!WritePiece(block, kPiece, "firmware block " + std::to_string(j))) return false;
        if (Progress) {
            Progress->Advance();
            if (j % 4 != 0) Progress->Pump();
        }
    }
    const std::uint8_t lo = static_cast<std::uint8_t>(crc.Value());
    const std::uint8_t hi = static_cast<std::uint8_t>(crc.Value() >> 8);
    if (!WritePiece(&lo, 1, "firmware checksum") || !WritePiece(&hi, 1, "firmware checksum")) return false;
    const TLongRead check(*Port, kLegacyFirmwareResultTimeoutMs);
    return ReadLegacyResult("firmware result");
}

}  // namespace mirca
