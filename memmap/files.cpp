#include "memmap/files.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "devlink/le.h"
#include "base/userfile.h"
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

bool SaveBinary(const TZelmoMemoryMapImage& image, const fs::path& path) {
    // The header announces what follows; the data's own length is written there so the file can never
    // disagree with itself.
    Bytes content(image.descriptor.bytes.begin(), image.descriptor.bytes.end());
    le::Append32(content, static_cast<std::uint32_t>(image.data.size()));
    content.insert(content.end(), image.data.begin(), image.data.end());
    return WriteFileAtomically(path, content).empty();
}

bool SaveText(const TZelmoMemoryMapImage& image, const fs::path& path) {
    std::string text;
    text.reserve(image.data.size() * 5);
    for (const std::uint8_t b : image.data) {
        text += std::to_string(unsigned{b});
        text += "\r\n";
    }
    return WriteFileAtomically(path, Bytes(text.begin(), text.end())).empty();
}

bool LoadBinary(TZelmoMemoryMapImage& image, const fs::path& path) {
    Bytes file;
    if (!ReadFileBounded(path, kMaxConfigFileSize, file).empty()) return false;
    if (file.empty()) {
        image.descriptor = TZelmoDescriptor{};
        image.headerSize = 0;
        image.Allocate(0);
        return true;
    }
    if (file.size() < kConfigHeaderSize) return false;
    const std::uint32_t n = le::Get32(&file[9]);
    // Bytes after the announced data have no meaning; fewer than announced make the file unusable.
    if (n > file.size() - kConfigHeaderSize) return false;
    std::copy_n(file.begin(), image.descriptor.bytes.size(), image.descriptor.bytes.begin());
    image.headerSize = n;
    image.Allocate(n);
    std::copy_n(file.begin() + kConfigHeaderSize, n, image.data.begin());
    return true;
}

// One line of a text configuration: a decimal number, of which the byte keeps the low 8 bits. Signs,
// blanks and anything beyond a 32-bit integer are not numbers here.
bool ParseLine(std::string_view line, std::uint8_t& out) {
    if (line.empty()) return false;
    std::uint64_t value = 0;
    for (const char c : line) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > 0x7FFFFFFF) return false;
    }
    out = static_cast<std::uint8_t>(value);
    return true;
}

bool LoadText(TZelmoMemoryMapImage& image, const fs::path& path) {
    Bytes file;
    if (!ReadFileBounded(path, kMaxConfigFileSize, file).empty()) return false;
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
        if (values.size() == expected) return false;  // more lines than bytes
        std::uint8_t b = 0;
        if (!ParseLine(text.substr(pos, end - pos), b)) return false;
        values.push_back(b);
        pos = next;
    }
    if (values.size() != expected) return false;
    std::copy(values.begin(), values.end(), image.data.begin());
    return true;
}

}  // namespace

bool SaveToFile(const TZelmoMemoryMapImage& image, const fs::path& path, int format) {
    switch (format) {
        case kConfigFormatBinary:
            return SaveBinary(image, path);
        case kConfigFormatText:
            return SaveText(image, path);
        default:
            return false;
    }
}

bool LoadFromFile(TZelmoMemoryMapImage& image, const fs::path& path, int format) {
    switch (format) {
        case kConfigFormatBinary:
            return LoadBinary(image, path);
        case kConfigFormatText:
            return LoadText(image, path);
        default:
            return false;
    }
}

bool SaveBackupFile(TZelmoMemoryMapImage& image, const fs::path& path) {
    image.BuildRanges(kAccessBackup);
    // A backup without any range restores nothing; an existing file is worth more than an empty one.
    if (image.ranges.empty() || image.ranges.size() > kMaxBackupRanges) return false;

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
    return WriteFileAtomically(path, content).empty();
}

bool LoadBackupFile(TZelmoMemoryMapImage& image, const fs::path& path) {
    Bytes file;
    if (!ReadFileBounded(path, kMaxConfigFileSize, file).empty()) return false;
    if (file.size() < kBackupHeaderSize ||
        !std::equal(kBackupMagic.begin(), kBackupMagic.end(), file.begin()))
        return false;

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
    std::size_t pos = kBackupHeaderSize;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (file.size() - pos < kRangeRecordSize) return false;
        const std::uint32_t adr = le::Get32(&file[pos]);
        const std::uint32_t size = le::Get32(&file[pos + 4]);
        pos += kRangeRecordSize;
        if (std::uint64_t{adr} + size > imageSize) return false;
        if (!std::all_of(image.flags.begin() + adr, image.flags.begin() + adr + size,
                         [](std::uint8_t f) { return (f & kAccessBackup) != 0; }))
            return false;
        if (file.size() - pos < size) return false;
        pending.push_back({adr, size, pos});
        pos += size;
    }
    if (pos != file.size()) return false;  // bytes that no range claims: not a file we wrote

    std::copy_n(file.begin(), kBackupHeaderSize, image.backupHeader.begin());
    for (const auto& p : pending)
        std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(p.at), p.size, image.data.begin() + p.adr);
    return true;
}

}  // namespace mirca
