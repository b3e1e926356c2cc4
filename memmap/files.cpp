#include "memmap/files.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "base/ascii.h"
#include "base/failure.h"
#include "base/text.h"
#include "base/userfile.h"
#include "devlink/le.h"
#include "memmap/block.h"

namespace mirca {

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kConfigHeaderSize = 13;  // descriptor and image size
constexpr std::size_t kBackupHeaderSize = 11;
constexpr std::size_t kRangeRecordSize = 8;
constexpr std::array<std::uint8_t, 3> kBackupMagic = {'R', 'R', 'G'};
constexpr std::uint32_t kMaxBackupRanges = 0xFFFF;  // the count travels in 16 bits
constexpr std::size_t kOwnerObject = 5;             // offsets in the backup header
constexpr std::size_t kOwnerAddress = 7;
constexpr std::size_t kOwnerReserved = 9;

bool Written(const fs::path& path, const Bytes& content) {
    const std::string error = WriteFileAtomically(path, content);
    if (error.empty()) return true;
    return Fail("cannot write " + path.string() + ": " + error);
}

bool ReadFile(const fs::path& path, Bytes& file) {
    const std::string error = ReadFileBounded(path, kMaxConfigFileSize, file);
    if (error.empty()) return true;
    return Fail("reading " + path.string(), {}, {}, error);
}

// A refusal of the file's content, named after the file.
bool Refuse(const fs::path& path, std::string step, std::string expected = {}, std::string received = {}) {
    Fail(std::move(step), std::move(expected), std::move(received));
    return FailWithin(path.string());
}

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

bool SaveBinary(const TZelmoMemoryMapImage& image, const fs::path& path) {
    // The header announces what follows; the data's own length is written there so the file can never
    // disagree with itself.
    Bytes content(image.descriptor.bytes.begin(), image.descriptor.bytes.end());
    le::Append32(content, static_cast<std::uint32_t>(image.data.size()));
    content.insert(content.end(), image.data.begin(), image.data.end());
    return Written(path, content);
}

bool SaveText(const TZelmoMemoryMapImage& image, const fs::path& path) {
    std::string text;
    text.reserve(image.data.size() * 5);
    for (const std::uint8_t b : image.data) {
        text += std::to_string(unsigned{b});
        text += "\r\n";
    }
    return Written(path, Bytes(text.begin(), text.end()));
}

bool LoadBinary(TZelmoMemoryMapImage& image, const fs::path& path) {
    Bytes file;
    if (!ReadFile(path, file)) return false;
    if (file.empty()) {
        image.descriptor = TZelmoDescriptor{};
        image.headerSize = 0;
        image.Allocate(0);
        return true;
    }
    // Too short a file holds no descriptor: naming what its first bytes would say is no help.
    if (file.size() < kConfigHeaderSize)
        return Refuse(path, "the file is too short to hold the configuration header",
                      BytesText(kConfigHeaderSize), BytesText(file.size()));
    const std::uint32_t n = le::Get32(&file[9]);
    // Bytes after the announced data have no meaning; fewer than announced make the file unusable.
    if (n > file.size() - kConfigHeaderSize)
        return Refuse(path, "the file is too short for the configuration data its header announces",
                      BytesText(n), BytesText(file.size() - kConfigHeaderSize));
    std::copy_n(file.begin(), image.descriptor.bytes.size(), image.descriptor.bytes.begin());
    image.headerSize = n;
    image.Allocate(n);
    std::copy_n(file.begin() + kConfigHeaderSize, n, image.data.begin());
    return true;
}

// A line of a text configuration as a message shows it: printable ASCII as it is, any other byte as \xHH,
// and no more than the start of a long line, so that a binary file under a text name prints no garbage.
std::string ShownLine(std::string_view line) {
    constexpr std::size_t kMostShown = 24;
    if (line.empty()) return "an empty line";
    std::string shown = "'";
    for (std::size_t i = 0; i < line.size() && i < kMostShown; ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (c >= 0x20 && c < 0x7F) {
            shown += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", unsigned{c});
            shown += hex;
        }
    }
    shown += line.size() > kMostShown ? "'…" : "'";
    return shown;
}

// One line of a text configuration: the decimal value of one byte, 0 to 255, digits only. A larger number
// once kept its low 8 bits and reached the panel as another value; signs, blanks and anything else are no
// byte values either. False with the failure record naming the line.
bool ParseLine(const fs::path& path, std::size_t number, std::string_view line, std::uint8_t& out) {
    const TWhole<std::uint8_t> value = ReadWhole<std::uint8_t>(line);
    if (value.status == TWholeStatus::Ok) {
        out = value.value;
        return true;
    }
    // A negative number is a number, only not one a byte holds.
    const TWhole<std::int64_t> wide = ReadWhole<std::int64_t>(line);
    const bool outOfRange = value.status == TWholeStatus::OutOfRange ||
                            wide.status == TWholeStatus::OutOfRange ||
                            (wide.status == TWholeStatus::Ok && wide.value < 0);
    const char* step = outOfRange ? "value out of range" : "value is not a number";
    return Refuse(path, "line " + std::to_string(number) + ": " + step,
                  "a decimal number from 0 to 255 (one byte a line)", ShownLine(line));
}

bool LoadText(TZelmoMemoryMapImage& image, const fs::path& path) {
    Bytes file;
    if (!ReadFile(path, file)) return false;
    const std::string_view text(reinterpret_cast<const char*>(file.data()), file.size());
    const std::size_t expected = image.data.size();
    Bytes values;
    values.reserve(expected);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        std::size_t next = end + 1;
        if (end == std::string_view::npos) {
            end = text.size();
            next = end;
        } else if (end > pos && text[end - 1] == '\r') {
            --end;
        }
        if (values.size() == expected)  // more lines than bytes
            return Refuse(path, "line " + std::to_string(expected + 1) + ": text configuration",
                          std::to_string(expected) + " lines", "more");
        std::uint8_t b = 0;
        if (!ParseLine(path, values.size() + 1, text.substr(pos, end - pos), b)) return false;
        values.push_back(b);
        pos = next;
    }
    if (values.size() != expected)
        return Refuse(path, "text configuration", std::to_string(expected) + " lines",
                      std::to_string(values.size()));
    std::copy(values.begin(), values.end(), image.data.begin());
    return true;
}

}  // namespace

std::optional<int> ConfigFormatForPath(const fs::path& path) {
    const std::string extension = AsciiLower(path.extension().string());
    if (extension == ".ycfg") return kConfigFormatBinary;
    if (extension == ".tcfg") return kConfigFormatText;
    return std::nullopt;
}

bool SaveToFile(const TZelmoMemoryMapImage& image, const fs::path& path, int format) {
    switch (format) {
        case kConfigFormatBinary:
            return SaveBinary(image, path);
        case kConfigFormatText:
            return SaveText(image, path);
        default:
            return Fail("configuration format " + std::to_string(format), "0 (binary) or 1 (text)");
    }
}

bool LoadFromFile(TZelmoMemoryMapImage& image, const fs::path& path, int format) {
    switch (format) {
        case kConfigFormatBinary:
            return LoadBinary(image, path);
        case kConfigFormatText:
            return LoadText(image, path);
        default:
            return Fail("configuration format " + std::to_string(format), "0 (binary) or 1 (text)");
    }
}

bool SaveBackupFile(TZelmoMemoryMapImage& image, const fs::path& path) {
    image.BuildRanges(kAccessBackup);
    // A backup without any range restores nothing; an existing file is worth more than an empty one.
    if (image.ranges.empty())
        return Fail("registration data", "blocks marked for the backup", "none in the map");
    if (image.ranges.size() > kMaxBackupRanges)
        return Fail("registration data", "at most 65535 ranges", std::to_string(image.ranges.size()));

    std::copy(kBackupMagic.begin(), kBackupMagic.end(), image.backupHeader.begin());
    le::Put16(&image.backupHeader[3], static_cast<std::uint16_t>(image.ranges.size()));
    image.backupHeader[9] = 0;
    image.backupHeader[10] = 0;

    Bytes content(image.backupHeader.begin(), image.backupHeader.end());
    for (const auto& r : image.ranges) {
        le::Append32(content, r.adr);
        le::Append32(content, r.size);
        content.insert(content.end(), image.data.begin() + r.adr, image.data.begin() + r.adr + r.size);
    }
    return Written(path, content);
}

bool LoadBackupFile(TZelmoMemoryMapImage& image, const fs::path& path) {
    Bytes file;
    if (!ReadFile(path, file)) return false;
    if (file.size() < kBackupHeaderSize)
        return Refuse(path, "backup header", BytesText(kBackupHeaderSize), BytesText(file.size()));
    if (!std::equal(kBackupMagic.begin(), kBackupMagic.end(), file.begin()))
        return Refuse(path, "backup header", "\"RRG\"", HexBytes(file.data(), kBackupMagic.size()));

    // Every range is checked before any byte is taken over: a half-restored registration is a corrupted
    // configuration.
    struct TPending {
        std::uint32_t adr;
        std::uint32_t size;
        std::size_t at;  // offset of the range's bytes in the file
    };
    const std::uint16_t count = le::Get16(&file[3]);
    const std::size_t imageSize = std::min(image.data.size(), image.flags.size());
    std::vector<TPending> pending;
    pending.reserve(count);
    std::vector<bool> covered(imageSize, false);
    std::size_t pos = kBackupHeaderSize;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::string which = "range " + std::to_string(i + 1) + " of " + std::to_string(count);
        if (file.size() - pos < kRangeRecordSize)
            return Refuse(path, which, "an 8-byte range record", BytesText(file.size() - pos));
        const std::uint32_t adr = le::Get32(&file[pos]);
        const std::uint32_t size = le::Get32(&file[pos + 4]);
        pos += kRangeRecordSize;
        const std::string place = which + " (address " + Hex(adr) + ", " + BytesText(size) + ")";
        if (std::uint64_t{adr} + size > imageSize)
            return Refuse(path, place, "a range inside the map's " + BytesText(imageSize));
        if (!std::all_of(image.flags.begin() + adr, image.flags.begin() + adr + size,
                         [](std::uint8_t f) { return (f & kAccessBackup) != 0; }))
            return Refuse(path, place, "registration bytes of this map", "bytes the map does not back up");
        if (file.size() - pos < size)
            return Refuse(path, place, BytesText(size), BytesText(file.size() - pos));
        pending.push_back({adr, size, pos});
        std::fill_n(covered.begin() + adr, size, true);
        pos += size;
    }
    // bytes that no range claims: not a file we wrote
    if (pos != file.size())
        return Refuse(path, "end of the last range", "end of file", BytesText(file.size() - pos) + " more");
    for (std::size_t at = 0; at < imageSize; ++at) {
        if ((image.flags[at] & kAccessBackup) == 0 || covered[at]) continue;
        std::size_t end = at;
        while (end < imageSize && (image.flags[end] & kAccessBackup) != 0 && !covered[end])
            ++end;
        return Refuse(
            path, "registration data", "every registration byte of this map",
            "none for address " + Hex(static_cast<std::uint32_t>(at)) + " (" + BytesText(end - at) + ")");
    }

    std::copy_n(file.begin(), kBackupHeaderSize, image.backupHeader.begin());
    for (const auto& p : pending)
        std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(p.at), p.size, image.data.begin() + p.adr);
    return true;
}

TBackupOwner BackupOwner(const TZelmoMemoryMapImage& image) {
    return {le::Get16(&image.backupHeader[kOwnerObject]), le::Get16(&image.backupHeader[kOwnerAddress])};
}

void SetBackupOwner(TZelmoMemoryMapImage& image, const TBackupOwner& owner) {
    le::Put16(&image.backupHeader[kOwnerObject], owner.object);
    le::Put16(&image.backupHeader[kOwnerAddress], owner.address);
    le::Put16(&image.backupHeader[kOwnerReserved], 0);
}

}  // namespace mirca
