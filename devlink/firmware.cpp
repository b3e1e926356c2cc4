#include <algorithm>
#include <array>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "devlink/crc.h"
#include "devlink/device.h"
#include "devlink/frames.h"
#include "devlink/le.h"
#include "base/userfile.h"

namespace mirca {

namespace {

using namespace frames;

constexpr std::uint16_t kLegacyImageMark = 0x5555;
constexpr std::size_t kHeaderSize = 7;  // the identity record that heads a framed image
constexpr std::size_t kLegacyMinSize = 10;
constexpr std::size_t kModuleHeaderSize = 11;  // module type .. 32-bit value, then the image

// The first bytes of a firmware file, or nothing when it cannot be read or is too short to be one.
std::optional<std::array<std::uint8_t, kHeaderSize>> ReadHeader(const std::filesystem::path& file) {
    std::vector<std::uint8_t> head;
    if (!ReadFileHead(file, kHeaderSize, head, "firmware file").empty() || head.size() != kHeaderSize)
        return std::nullopt;
    std::array<std::uint8_t, kHeaderSize> h{};
    std::copy(head.begin(), head.end(), h.begin());
    return h;
}

// The whole file, bounded: a file larger than any firmware image is refused before it is read.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& file,
                                                       std::uintmax_t limit) {
    std::vector<std::uint8_t> bytes;
    if (!ReadFileBounded(file, static_cast<std::size_t>(limit), bytes, "firmware file").empty())
        return std::nullopt;
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
    if (Major == 1 || Major == 2) return fileMajor == 1 || fileMajor == 2;
    if (Major == 3 || Major == 5 || Major == 6) return fileMajor == 3 || fileMajor == 5 || fileMajor == 6;
    return false;
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
    if (Port == nullptr || !Connected || Mode != kModeFirmware) return false;
    auto bytes = ReadWholeFile(file, kMaxFirmwareFileSize);
    if (!bytes) return false;
    // Only an image made for this device goes out; anything else is refused before a byte is sent.
    if (Framed && (bytes->size() < kHeaderSize || le::Get16(bytes->data()) != TypeCode)) return false;
    TZelmoTable table(TZelmoTable::kKindFirmware, 0, 0);
    table.data = std::move(*bytes);
    if (Framed) table.PadToBlocks();
    return WriteTable(table);
}

bool TZelmoDevice::WriteLegacyImage(const TZelmoTable& table) {
    const std::vector<std::uint8_t>& d = table.data;
    if (d.size() < kLegacyMinSize) return false;
    const std::uint16_t w = le::Get16(d.data());
    std::array<std::uint8_t, 8> frame{};
    std::size_t start = 0;
    if (w == kLegacyImageMark) {
        std::copy_n(d.begin(), 8, frame.begin());
        start = 8;
    } else if (IsOutputModuleType(w)) {
        if (d.size() < kModuleHeaderSize) return false;
        frame = {0x55, 0x55, d[0], static_cast<std::uint8_t>(d[5] * 10 + d[6]), d[10], d[9], d[8], d[7]};
        start = kModuleHeaderSize;
    } else {
        return false;
    }
    // The block count is taken from the size less ten; for a module image, whose data starts one byte
    // later, that count can reach one byte past the end, so it is held to what the file really has.
    const std::size_t blocks =
        std::min<std::size_t>((d.size() - kLegacyMinSize) / kPiece, (d.size() - start) / kPiece);

    TCrc16 crc;
    if (!WriteBytes(frame.data(), frame.size())) return false;
    crc.Update(frame.data(), frame.size());
    ProgressMax(static_cast<std::uint32_t>(blocks));
    for (std::size_t j = 0; j < blocks; ++j) {
        const std::uint8_t* block = d.data() + start + j * kPiece;
        crc.Update(block, kPiece);
        if (!Port->Write(block, kPiece)) return false;
        if (Progress) {
            Progress->Advance();
            if (j % 4 != 0) Progress->Pump();
        }
    }
    const std::uint8_t lo = static_cast<std::uint8_t>(crc.Value());
    const std::uint8_t hi = static_cast<std::uint8_t>(crc.Value() >> 8);
    if (!Port->Write(&lo, 1) || !Port->Write(&hi, 1)) return false;
    return ReadLegacyResult();
}

}  // namespace mirca
